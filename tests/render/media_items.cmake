quintape_add_test(media_item_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/media_item_test.cpp ${CMAKE_CURRENT_LIST_DIR}/probe_test.cpp
    LINKS quintape_render
    NEEDS_MEDIA)
