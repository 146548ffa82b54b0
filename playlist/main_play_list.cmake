#The main window's play list built from the master list.
list(APPEND QUINTAPE_PLAYLIST_SOURCES main_play_list.h main_play_list.cpp)
