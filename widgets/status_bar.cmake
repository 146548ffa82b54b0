# A status bar of fixed-width panels, some drawn by their owner.
list(APPEND QUINTAPE_WIDGETS_SOURCES status_bar.h status_bar.cpp)
