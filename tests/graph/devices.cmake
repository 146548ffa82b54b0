quintape_add_test(graph_devices_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/devices_enum_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/devices_filter_test.cpp
    LINKS quintape_graph)
