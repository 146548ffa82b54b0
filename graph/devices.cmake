list(APPEND QUINTAPE_GRAPH_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/graph_member.h
    ${CMAKE_CURRENT_LIST_DIR}/sys_dev_enum.h
    ${CMAKE_CURRENT_LIST_DIR}/sys_dev_enum.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filter_ref.h
    ${CMAKE_CURRENT_LIST_DIR}/filter_ref.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filter_list.h
    ${CMAKE_CURRENT_LIST_DIR}/filter_list.cpp)
