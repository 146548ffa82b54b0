# The modal frame that shows a filter's property pages, and the pages of our own filters.
list(APPEND QUINTAPE_FILTERS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/property_frame.h
    ${CMAKE_CURRENT_LIST_DIR}/property_page_rows.h
    ${CMAKE_CURRENT_LIST_DIR}/property_frame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/property_pages_registration.h
    ${CMAKE_CURRENT_LIST_DIR}/property_pages_registration.cpp)
