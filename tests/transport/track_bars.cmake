find_package(Qt6 REQUIRED COMPONENTS Test)
quintape_add_test(transport_track_bar_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/track_bar_ex_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/dv_track_bar_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/slider_points.h
    LINKS quintape_transport Qt6::Test
    WIDGETS)
