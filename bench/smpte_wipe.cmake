add_executable(bench-smpte-wipe ${CMAKE_CURRENT_LIST_DIR}/bench_smpte_wipe.cpp)
target_link_libraries(bench-smpte-wipe PRIVATE quintape_platform_editing)
quintape_configure_target(bench-smpte-wipe)
