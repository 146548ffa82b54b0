# The playlist editor: playlist files from other systems and the folder history on disk, the
# length calculation thread (also run under the thread sanitizer) and the editor window.
quintape_add_test(playlist_interop_test
    SOURCES reader_interop_test.cpp
    LINKS quintape_playlist)
quintape_add_test(playlist_calc_len_test
    SOURCES calc_len_test.cpp
    LINKS quintape_playlist Qt6::Test)
quintape_add_test(playlist_editor_test
    SOURCES editor_fixture.h play_list_editing_test.cpp play_list_window_test.cpp
    LINKS quintape_playlist Qt6::Test
    WIDGETS)
