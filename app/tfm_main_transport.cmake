# The main window's transport commands and position displays.
list(APPEND QUINTAPE_APP_SOURCES tfm_main_transport.cpp tfm_main_position.cpp)
