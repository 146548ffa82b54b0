# A text grid with row colours and cell icons.
list(APPEND QUINTAPE_WIDGETS_SOURCES icon_grid.h icon_grid.cpp)
