# SMPTE wipe transition: pattern catalogue, threshold maps and the per-frame blend.
list(APPEND QUINTAPE_EDITING_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe.h
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_codes.h
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_codes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_pattern.h
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_pattern.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_families.h
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_edge.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_figure.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_radial.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smpte_wipe_matrix.cpp)
