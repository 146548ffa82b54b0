quintape_add_test(streaming_device_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_moniker_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/device_rot_test.cpp
    LINKS quintape_platform_streaming)
