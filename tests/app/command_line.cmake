# The command line: its parsing, and the program's answers that need no window.
quintape_add_test(command_line_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
    LINKS quintape_app)
target_compile_definitions(command_line_test PRIVATE
    QUINTAPE_EXECUTABLE="$<TARGET_FILE:quintape>")
add_dependencies(command_line_test quintape)
