add_executable(bench-render-vs-ffmpeg ${CMAKE_CURRENT_LIST_DIR}/bench_render_vs_ffmpeg.cpp)
target_link_libraries(bench-render-vs-ffmpeg PRIVATE Qt6::Core)
target_compile_definitions(bench-render-vs-ffmpeg PRIVATE
    QUINTAPE_TEST_MEDIA_DIR="${QUINTAPE_TEST_MEDIA_DIR}"
    QUINTAPE_BENCH_MEDIA_DIR="${CMAKE_BINARY_DIR}/bench-media"
    QUINTAPE_PATH="$<TARGET_FILE:quintape>")
add_dependencies(bench-render-vs-ffmpeg test-media quintape)
quintape_configure_target(bench-render-vs-ffmpeg)
