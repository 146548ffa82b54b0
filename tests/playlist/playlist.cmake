find_package(Qt6 6.4 REQUIRED COMPONENTS Test)
quintape_add_test(playlist_files_test
    SOURCES check_list_test.cpp master_list_test.cpp playlist_file_test.cpp
        folder_history_test.cpp
    LINKS quintape_playlist Qt6::Test)
quintape_add_test(playlist_drop_test
    SOURCES explorer_drop_test.cpp
    LINKS quintape_playlist Qt6::Test
    WIDGETS)
