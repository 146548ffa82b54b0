quintape_add_test(dv_output_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.h
        ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_video_encoder_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_encode_queue_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_muxer_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_file_sink_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_1394_output_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_1394_bus_test.cpp
    LINKS quintape_platform_filters quintape_test_media_marks)
