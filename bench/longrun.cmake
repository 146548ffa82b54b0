add_executable(bench-longrun ${CMAKE_CURRENT_LIST_DIR}/bench_longrun.cpp)
target_link_libraries(bench-longrun PRIVATE quintape_app Qt6::Gui)
target_compile_definitions(bench-longrun PRIVATE
    QUINTAPE_TEST_MEDIA_DIR="${QUINTAPE_TEST_MEDIA_DIR}")
add_dependencies(bench-longrun test-media)
quintape_configure_target(bench-longrun)
