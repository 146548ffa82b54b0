# DV filters: the DV video encoder filters (FFmpeg and libdv), the DV multiplexer filter, their
# property pages and their registration.
list(APPEND QUINTAPE_FILTERS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dv_media_types.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_encoder_filter_interfaces.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_encoder_filter_frames.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_encoder_filter_frames.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_encode_queue.h ${CMAKE_CURRENT_LIST_DIR}/dv_encode_queue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_encoder_filter.h ${CMAKE_CURRENT_LIST_DIR}/dv_encoder_filter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_mux_filter.h ${CMAKE_CURRENT_LIST_DIR}/dv_mux_filter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_encoder_page.h ${CMAKE_CURRENT_LIST_DIR}/dv_encoder_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_mux_page.h ${CMAKE_CURRENT_LIST_DIR}/dv_mux_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_filter_registration.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_filter_registration.cpp)
