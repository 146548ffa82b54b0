add_executable(bench-dv ${CMAKE_CURRENT_LIST_DIR}/bench_dv.cpp)
target_link_libraries(bench-dv PRIVATE quintape_platform_filters Qt6::Core)
quintape_configure_target(bench-dv)
