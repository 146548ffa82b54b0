# The render engine's media core: decoding ahead, scaling, compositing with wipes, sound.
list(APPEND QUINTAPE_EDITING_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/engine_format.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_stream_decoder.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_stream_decoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_frame_scaler.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_frame_scaler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_prefetch.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_prefetch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_context.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_context.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_video_source.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_video_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_audio_source.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_audio_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_timeline_model.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_timeline_model.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_video_compositor.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_video_compositor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_video_renderer.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_video_renderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_audio_renderer.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_audio_renderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_timeline_renderer.h
    ${CMAKE_CURRENT_LIST_DIR}/engine_timeline_renderer.cpp)
