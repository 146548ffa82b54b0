# The playlist editor: playlist files from other systems and the folder history on disk, the
# length calculation thread (also run under the thread sanitizer) and the editor window.
quintape_add_test(playlist_interop_test
    SOURCES reader_interop_test.cpp
    LINKS quintape_playlist)
