quintape_add_test(engine_render_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_test_support.h
            ${CMAKE_CURRENT_LIST_DIR}/engine_video_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/engine_audio_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/engine_scaler_test.cpp
    LINKS quintape_render quintape_platform_editing quintape_test_media_marks
    NEEDS_MEDIA)
