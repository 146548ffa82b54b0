quintape_add_test(timeline_model_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/timeline_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/timeline_test_validate.cpp
            ${CMAKE_CURRENT_LIST_DIR}/timeline_test_support.h
    LINKS quintape_platform_editing)
