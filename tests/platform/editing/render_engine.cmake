quintape_add_test(render_engine_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_engine_test_support.h
            ${CMAKE_CURRENT_LIST_DIR}/render_engine_test_support.cpp
            ${CMAKE_CURRENT_LIST_DIR}/render_engine_test.cpp
    LINKS quintape_render quintape_platform_editing quintape_test_media_marks
    NEEDS_MEDIA)
