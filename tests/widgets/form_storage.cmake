quintape_add_test(form_storage_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/form_storage_test.cpp
    LINKS quintape_widgets quintape_platform_system
    WIDGETS)
