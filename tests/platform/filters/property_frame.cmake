quintape_add_test(property_frame_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/property_frame_test.cpp
    LINKS quintape_platform_filters
    WIDGETS)
