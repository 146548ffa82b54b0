# The timeline half of the graph build and the picture transitions.
list(APPEND QUINTAPE_RENDER_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/build_settings.h
    ${CMAKE_CURRENT_LIST_DIR}/timeline_builder.h
    ${CMAKE_CURRENT_LIST_DIR}/timeline_builder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transitions.h
    ${CMAKE_CURRENT_LIST_DIR}/transitions.cpp)
