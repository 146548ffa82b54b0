list(APPEND QUINTAPE_GRAPH_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/directshow_exception.h
    ${CMAKE_CURRENT_LIST_DIR}/directshow_exception.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filter_graph_listener.h
    ${CMAKE_CURRENT_LIST_DIR}/filter_graph_registration.h
    ${CMAKE_CURRENT_LIST_DIR}/filter_graph_registration.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filter_graph.h
    ${CMAKE_CURRENT_LIST_DIR}/filter_graph.cpp)
