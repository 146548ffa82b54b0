# Tests of the test-media tool: the marks, the generated files and the tool's runs.
quintape_add_test(test_media_marks
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_media_marks.cpp
            ${CMAKE_CURRENT_LIST_DIR}/media_probe.h ${CMAKE_CURRENT_LIST_DIR}/media_probe.cpp
    LINKS quintape_test_media_marks PkgConfig::FFMPEG Qt6::Gui)

quintape_add_test(test_generated_media
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_generated_media.cpp
            ${CMAKE_CURRENT_LIST_DIR}/media_probe.h ${CMAKE_CURRENT_LIST_DIR}/media_probe.cpp
    LINKS quintape_test_media_marks PkgConfig::FFMPEG Qt6::Gui
    NEEDS_MEDIA)

quintape_add_test(test_make_test_media_runs
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_make_test_media_runs.cpp
            ${CMAKE_CURRENT_LIST_DIR}/media_probe.h ${CMAKE_CURRENT_LIST_DIR}/media_probe.cpp
    LINKS quintape_test_media_marks PkgConfig::FFMPEG Qt6::Gui)
add_dependencies(test_make_test_media_runs make-test-media)
target_compile_definitions(test_make_test_media_runs PRIVATE
    MAKE_TEST_MEDIA_PATH="$<TARGET_FILE:make-test-media>")
