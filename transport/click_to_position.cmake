list(APPEND QUINTAPE_TRANSPORT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/click_to_position.h
    ${CMAKE_CURRENT_LIST_DIR}/click_to_position.cpp)
