# The front end of the graph build: the render engine for the play list's timeline.
list(APPEND QUINTAPE_RENDER_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/build_graph.h
    ${CMAKE_CURRENT_LIST_DIR}/build_graph.cpp)
