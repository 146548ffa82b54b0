quintape_add_test(dv_filters_test WIDGETS
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.h
        ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_filters_test_support.h
        ${CMAKE_CURRENT_LIST_DIR}/dv_filters_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_filters_test_registration.cpp
    LINKS quintape_platform_filters)
