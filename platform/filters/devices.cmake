# DV output devices (camcorders, monitor, file recorder) and the Qt audio renderers.
list(APPEND QUINTAPE_FILTERS_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dv_device_classes.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_device_renderer.h ${CMAKE_CURRENT_LIST_DIR}/dv_device_renderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_output_statistics.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_device_watch.h ${CMAKE_CURRENT_LIST_DIR}/dv_device_watch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_device_silence.h ${CMAKE_CURRENT_LIST_DIR}/dv_device_silence.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_device_pages.h ${CMAKE_CURRENT_LIST_DIR}/dv_device_pages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_device_camcorder.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_device_camcorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_monitor_decoder.h ${CMAKE_CURRENT_LIST_DIR}/dv_monitor_decoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_monitor_window.h ${CMAKE_CURRENT_LIST_DIR}/dv_monitor_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_monitor.h ${CMAKE_CURRENT_LIST_DIR}/dv_monitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_file_recorder.h ${CMAKE_CURRENT_LIST_DIR}/dv_file_recorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dv_file_recorder_page.h
    ${CMAKE_CURRENT_LIST_DIR}/dv_file_recorder_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/audio_renderer_output.h
    ${CMAKE_CURRENT_LIST_DIR}/audio_renderer_output.cpp
    ${CMAKE_CURRENT_LIST_DIR}/audio_renderer.h ${CMAKE_CURRENT_LIST_DIR}/audio_renderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/device_registration.h
    ${CMAKE_CURRENT_LIST_DIR}/device_registration.cpp)
