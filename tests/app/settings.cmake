# The main window's stored settings, options, Filters page, keys and priority, inside the
# program's application object like the other main-window tests.
add_executable(main_window_settings_test
    ${CMAKE_CURRENT_LIST_DIR}/main_window_test_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_fixture.h
    ${CMAKE_CURRENT_LIST_DIR}/main_window_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_settings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_keys_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_filters_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_priority_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
target_link_libraries(main_window_settings_test PRIVATE quintape_app quintape_test_support
    Qt6::Test)
quintape_configure_target(main_window_settings_test)
add_dependencies(main_window_settings_test test-media main_window_priority_child)
target_compile_definitions(main_window_settings_test PRIVATE
    QUINTAPE_WINDOW_PRIORITY_CHILD="$<TARGET_FILE:main_window_priority_child>")
gtest_discover_tests(main_window_settings_test DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${QUINTAPE_TEST_ENV}")

# The window with the system's real priority calls, run by the test above in a process of its
# own.
add_executable(main_window_priority_child
    ${CMAKE_CURRENT_LIST_DIR}/main_window_priority_child.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
target_link_libraries(main_window_priority_child PRIVATE quintape_app Qt6::Test)
quintape_configure_target(main_window_priority_child)
