#Saving and loading where a main window's toolbars sit.
list(APPEND QUINTAPE_WIDGETS_SOURCES ${CMAKE_CURRENT_LIST_DIR} /
     toolbar_layout.h ${CMAKE_CURRENT_LIST_DIR} / toolbar_layout.cpp)
