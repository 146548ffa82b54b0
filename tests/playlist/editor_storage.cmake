# What the editor keeps between runs (its values, placement and toolbar layout), and the length
# thread's priority below the process's.
quintape_add_test(playlist_editor_storage_test
    SOURCES editor_fixture.h editor_storage_test.cpp
    LINKS quintape_playlist Qt6::Test
    WIDGETS)
quintape_add_test(playlist_calc_len_priority_test
    SOURCES calc_len_priority_test.cpp
    LINKS quintape_playlist Qt6::Test)
