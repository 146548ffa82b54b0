# The program's two windows together, inside the program's application object.
add_executable(program_windows_test
    ${CMAKE_CURRENT_LIST_DIR}/main_window_test_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window_fixture.h
    ${CMAKE_CURRENT_LIST_DIR}/main_window_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program_windows_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
target_link_libraries(program_windows_test PRIVATE quintape_app quintape_test_support Qt6::Test)
quintape_configure_target(program_windows_test)
add_dependencies(program_windows_test test-media)
gtest_discover_tests(program_windows_test DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${QUINTAPE_TEST_ENV}")
