quintape_add_test(timeline_builder_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/timeline_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/timeline_test_transitions.cpp
            ${CMAKE_CURRENT_LIST_DIR}/timeline_test_support.h
    LINKS quintape_render Qt6::Gui)
