# The editing timeline object model and the property setter.
list(APPEND QUINTAPE_EDITING_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/editing_guids.h
    ${CMAKE_CURRENT_LIST_DIR}/property_setter.h
    ${CMAKE_CURRENT_LIST_DIR}/property_setter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/timeline.h
    ${CMAKE_CURRENT_LIST_DIR}/timeline.cpp
    ${CMAKE_CURRENT_LIST_DIR}/timeline_nodes.h
    ${CMAKE_CURRENT_LIST_DIR}/timeline_nodes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/timeline_media_types.h
    ${CMAKE_CURRENT_LIST_DIR}/timeline_media_types.cpp)
