#Process priority classes over the threads' nice values.
list(APPEND QUINTAPE_PLATFORM_SYSTEM_SOURCES ${CMAKE_CURRENT_LIST_DIR} /
     process_priority.h ${CMAKE_CURRENT_LIST_DIR} / process_priority.cpp)
