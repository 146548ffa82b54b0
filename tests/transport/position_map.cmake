quintape_add_test(transport_position_map_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/position_map_test.cpp
    LINKS quintape_transport)
