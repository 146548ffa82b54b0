quintape_add_test(streaming_graph_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/graph_membership_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/graph_streaming_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/graph_stress_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/clock_sample_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/test_filters.h ${CMAKE_CURRENT_LIST_DIR}/graph_fixture.h
    LINKS quintape_platform_streaming)
