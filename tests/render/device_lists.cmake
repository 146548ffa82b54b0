quintape_add_test(device_lists_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_lists_test.cpp
    LINKS quintape_render quintape_graph quintape_platform_filters)
