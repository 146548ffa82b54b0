#Real - time scheduling for the threads that feed an output.
list(APPEND QUINTAPE_STREAMING_SOURCES ${CMAKE_CURRENT_LIST_DIR} /
     thread_priority.h ${CMAKE_CURRENT_LIST_DIR} / thread_priority.cpp)
