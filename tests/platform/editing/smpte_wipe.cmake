quintape_add_test(smpte_wipe_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_test_all_codes.cpp
            ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_test_patterns.cpp
            ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_test_blend.cpp
            ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_test_support.h
    LINKS quintape_platform_editing)
