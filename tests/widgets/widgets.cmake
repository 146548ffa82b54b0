# The generic controls on the offscreen platform.
quintape_add_test(widgets_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/radio_group_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/status_bar_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/icon_grid_test.cpp
    LINKS quintape_widgets Qt6::Test
    WIDGETS)
