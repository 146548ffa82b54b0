# The main window's play list built from the master list, with generated media.
quintape_add_test(main_play_list_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_play_list_test.cpp
    LINKS quintape_playlist
    NEEDS_MEDIA)
