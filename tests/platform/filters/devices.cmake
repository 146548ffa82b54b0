# The device tests open widgets, so they have a main of their own with a QApplication.
add_executable(devices_test
    ${CMAKE_CURRENT_LIST_DIR}/devices_test_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/devices_test_support.h
    ${CMAKE_CURRENT_LIST_DIR}/devices_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/devices_dv_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/devices_monitor_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/devices_soak_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/devices_audio_test.cpp)
target_include_directories(devices_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(devices_test PRIVATE quintape_platform_filters GTest::gtest GTest::gmock
    Qt6::Widgets Qt6::Multimedia)
quintape_configure_target(devices_test)
gtest_discover_tests(devices_test DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${QUINTAPE_TEST_ENV}")

# The audio renderer against a private PulseAudio server (skipped without pulseaudio).
quintape_add_test(devices_sound_server_test
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/devices_test_support.h
        ${CMAKE_CURRENT_LIST_DIR}/devices_test_support.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.h
        ${CMAKE_CURRENT_LIST_DIR}/dv_test_support.cpp
        ${CMAKE_CURRENT_LIST_DIR}/devices_audio_server_test.cpp
    LINKS quintape_platform_filters)
