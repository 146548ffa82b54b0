find_package(Qt6 REQUIRED COMPONENTS Test)
quintape_add_test(graph_filter_graph_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/filter_graph_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/filter_graph_test_doubles.h
    LINKS quintape_graph Qt6::Test)
