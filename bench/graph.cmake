add_executable(bench-graph ${CMAKE_CURRENT_LIST_DIR}/bench_graph.cpp)
target_link_libraries(bench-graph PRIVATE quintape_platform_streaming Qt6::Core)
quintape_configure_target(bench-graph)
