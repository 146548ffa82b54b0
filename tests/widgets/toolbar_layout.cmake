quintape_add_test(toolbar_layout_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/toolbar_layout_test.cpp
    LINKS quintape_widgets quintape_platform_system
    WIDGETS)
