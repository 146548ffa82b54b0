# The playlist editor window: its form, the check list view, the file browser, its images and
# the length calculation thread, its stored values and toolbar layout.
list(APPEND QUINTAPE_PLAYLIST_SOURCES
    calc_len.h calc_len.cpp
    check_list_box.h check_list_box.cpp
    shell_browser.h shell_browser.cpp
    play_list_pics.h play_list_pics.cpp
    play_list_window.h play_list_window.cpp play_list_window.ui
    editor_settings.h editor_settings.cpp
    editor_toolbars.h editor_toolbars.cpp
    editor_screenshot.h editor_screenshot.cpp)
