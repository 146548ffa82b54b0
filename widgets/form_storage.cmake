# The settings store of a window: stored control properties, placement, check lists.
list(APPEND QUINTAPE_WIDGETS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/stored_value_text.h ${CMAKE_CURRENT_LIST_DIR}/stored_value_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/form_storage.h ${CMAKE_CURRENT_LIST_DIR}/form_storage.cpp)
