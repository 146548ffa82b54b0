# Latency of the main window's transport actions at the DV device (Play, Next, drag release).
add_executable(bench-transport ${CMAKE_CURRENT_LIST_DIR}/bench_transport.cpp)
target_link_libraries(bench-transport PRIVATE quintape_app Qt6::Test)
target_compile_definitions(bench-transport PRIVATE
    QUINTAPE_TEST_MEDIA_DIR="${QUINTAPE_TEST_MEDIA_DIR}")
add_dependencies(bench-transport test-media)
quintape_configure_target(bench-transport)
