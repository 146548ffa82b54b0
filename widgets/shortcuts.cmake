#Shortcut codes of keys, their texts, and the processor that runs actions by them.
list(APPEND QUINTAPE_WIDGETS_SOURCES ${CMAKE_CURRENT_LIST_DIR} /
     shortcut_keys.h ${CMAKE_CURRENT_LIST_DIR} / shortcut_keys.cpp ${CMAKE_CURRENT_LIST_DIR} /
     shortcut_processor.h ${CMAKE_CURRENT_LIST_DIR} / shortcut_processor.cpp)
