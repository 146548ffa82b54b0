find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
    quintape_add_test(shortcuts_test SOURCES ${CMAKE_CURRENT_LIST_DIR} /
                      shortcut_keys_test.cpp ${CMAKE_CURRENT_LIST_DIR} /
                      shortcut_processor_test.cpp LINKS quintape_widgets Qt6::Test WIDGETS)
