# The main window's transport and position displays over generated media, with the "DV File
# Recorder" and the simulated IEEE 1394 bus as devices; the recorded DV is read back with FFmpeg.
add_executable(main_window_transport_test
    ${CMAKE_CURRENT_LIST_DIR}/main_window_test_main.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport_fixture.h
    ${CMAKE_CURRENT_LIST_DIR}/transport_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport_commands_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport_position_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport_device_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/tools/media_probe.h
    ${PROJECT_SOURCE_DIR}/tests/tools/media_probe.cpp)
target_link_libraries(main_window_transport_test PRIVATE quintape_app quintape_test_support
    quintape_test_media_marks PkgConfig::FFMPEG Qt6::Test)
quintape_configure_target(main_window_transport_test)
add_dependencies(main_window_transport_test test-media)
gtest_discover_tests(main_window_transport_test DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${QUINTAPE_TEST_ENV}")
