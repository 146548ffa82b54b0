# The render engines as graph filters: group output pins, per-source stages, DV pass-through.
list(APPEND QUINTAPE_EDITING_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dv_frame_compressor.h
    ${CMAKE_CURRENT_LIST_DIR}/render_engine.h
    ${CMAKE_CURRENT_LIST_DIR}/render_engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_session.h
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_session.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_membership.h
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_membership.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_pins.h
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_pins.cpp
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_dv_reader.h
    ${CMAKE_CURRENT_LIST_DIR}/render_engine_dv_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resizer.h
    ${CMAKE_CURRENT_LIST_DIR}/resizer.cpp)
