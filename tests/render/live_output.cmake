quintape_add_test(live_output_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/live_output_test.cpp
            ${PROJECT_SOURCE_DIR}/tests/tools/media_probe.h
            ${PROJECT_SOURCE_DIR}/tests/tools/media_probe.cpp
    LINKS quintape_render quintape_graph quintape_platform_filters quintape_test_media_marks
          PkgConfig::FFMPEG Qt6::Gui
    NEEDS_MEDIA)
