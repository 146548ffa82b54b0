# The headless render into a DV file, read back with FFmpeg.
quintape_add_test(render_command_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_command_test.cpp
            ${PROJECT_SOURCE_DIR}/tests/tools/media_probe.h
            ${PROJECT_SOURCE_DIR}/tests/tools/media_probe.cpp
    LINKS quintape_app quintape_test_media_marks PkgConfig::FFMPEG Qt6::Gui
    NEEDS_MEDIA)
