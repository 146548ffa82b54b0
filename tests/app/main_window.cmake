# The main window on the offscreen platform, inside the program's own application object (its
# own main, so that a failing handler is reported as the program reports it).
add_executable(main_window_test
    ${CMAKE_CURRENT_LIST_DIR}/main_window_test_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_fixture.h
    ${CMAKE_CURRENT_LIST_DIR}/main_window_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_form_test.cpp)
target_link_libraries(main_window_test PRIVATE quintape_app quintape_test_support Qt6::Test)
quintape_configure_target(main_window_test)
add_dependencies(main_window_test test-media)
gtest_discover_tests(main_window_test DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${QUINTAPE_TEST_ENV}")
