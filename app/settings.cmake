# The main window's stored settings, options pages, Filters page, shortcuts and priority.
list(APPEND QUINTAPE_APP_SOURCES
    tfm_main_settings.cpp tfm_main_options.cpp tfm_main_shortcuts.cpp tfm_main_priority.cpp
    used_filters.h used_filters.cpp)
