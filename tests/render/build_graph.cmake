quintape_add_test(build_graph_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/build_graph_test.cpp
    LINKS quintape_render quintape_platform_editing quintape_platform_streaming
    NEEDS_MEDIA)
