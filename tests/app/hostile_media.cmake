# Hostile media (broken, misnamed, tiny, huge, far from DV), generated at build time by the media
# tool and played through the whole graph into a DV file.
set(QUINTAPE_HOSTILE_MEDIA_DIR ${CMAKE_BINARY_DIR}/hostile-media)
add_custom_command(
    OUTPUT ${QUINTAPE_HOSTILE_MEDIA_DIR}/.stamp
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:make-test-media> --hostile ${QUINTAPE_HOSTILE_MEDIA_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${QUINTAPE_HOSTILE_MEDIA_DIR}/.stamp
    DEPENDS make-test-media
    COMMENT "Generating hostile media")
add_custom_target(hostile-media DEPENDS ${QUINTAPE_HOSTILE_MEDIA_DIR}/.stamp)

quintape_add_test(hostile_media_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/hostile_media_test.cpp
    LINKS quintape_app Qt6::Gui
    NEEDS_MEDIA)
add_dependencies(hostile_media_test hostile-media)
target_compile_definitions(hostile_media_test PRIVATE
    QUINTAPE_HOSTILE_MEDIA_DIR="${QUINTAPE_HOSTILE_MEDIA_DIR}")
