#The drop target for files dragged from the file manager.
list(APPEND QUINTAPE_PLAYLIST_SOURCES ${CMAKE_CURRENT_LIST_DIR} /
     explorer_drop.h ${CMAKE_CURRENT_LIST_DIR} / explorer_drop.cpp)
    cmake_language(DEFER CALL target_link_libraries quintape_playlist PUBLIC Qt6::Gui Qt6::Widgets)
