quintape_add_test(output_chain_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/output_chain_test.cpp
    LINKS quintape_render quintape_graph quintape_platform_filters
    NEEDS_MEDIA)
