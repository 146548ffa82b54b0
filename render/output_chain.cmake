#The output chain to the DV device and the whole graph build.
list(APPEND QUINTAPE_RENDER_SOURCES ${CMAKE_CURRENT_LIST_DIR} /
     output_chain.h ${CMAKE_CURRENT_LIST_DIR} / output_chain.cpp ${CMAKE_CURRENT_LIST_DIR} /
     build_graph_full.h ${CMAKE_CURRENT_LIST_DIR} / build_graph_full.cpp)
    cmake_language(DEFER CALL target_link_libraries quintape_render PUBLIC quintape_graph
                       quintape_platform_filters)
