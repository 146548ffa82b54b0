# A U+FEFF inside INI and registry text is a character, not a byte-order mark.
quintape_add_test(platform_system_byte_order_mark_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/byte_order_mark_test.cpp
    LINKS quintape_platform_system)
