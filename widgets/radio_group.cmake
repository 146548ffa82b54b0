# A framed group of radio buttons with an item index.
list(APPEND QUINTAPE_WIDGETS_SOURCES radio_group.h radio_group.cpp)
