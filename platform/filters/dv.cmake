# DV output core: encoders, multiplexer and sinks (file, IEEE 1394).
list(APPEND QUINTAPE_FILTERS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dv_format.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_encoder.h ${CMAKE_CURRENT_LIST_DIR}/dv_encoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_picture_converter.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_picture_converter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_video_encoder.h ${CMAKE_CURRENT_LIST_DIR}/dv_video_encoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_libdv_encoder.h ${CMAKE_CURRENT_LIST_DIR}/dv_libdv_encoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_muxer.h ${CMAKE_CURRENT_LIST_DIR}/dv_muxer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_sink.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_file_sink.h ${CMAKE_CURRENT_LIST_DIR}/dv_file_sink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_1394_bus.h ${CMAKE_CURRENT_LIST_DIR}/dv_1394_texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_1394_access.h ${CMAKE_CURRENT_LIST_DIR}/dv_1394_access.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_1394_system_bus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_1394_reconnect.h ${CMAKE_CURRENT_LIST_DIR}/dv_1394_reconnect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_1394_simulated_bus.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_1394_simulated_bus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_1394_output.h ${CMAKE_CURRENT_LIST_DIR}/dv_1394_output.cpp)
# libdv is loaded at run time (dlopen); the library target is created after this fragment.
cmake_language(DEFER CALL target_link_libraries quintape_platform_filters PUBLIC
    ${CMAKE_DL_LIBS})
