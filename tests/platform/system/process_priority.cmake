# The priority scenarios run in a helper process, so that the suite keeps its own priority.
add_executable(process_priority_child ${CMAKE_CURRENT_LIST_DIR}/process_priority_child.cpp)
target_link_libraries(process_priority_child PRIVATE quintape_platform_system)
quintape_configure_target(process_priority_child)
quintape_add_test(process_priority_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/process_priority_test.cpp
    LINKS quintape_platform_system)
target_compile_definitions(process_priority_test PRIVATE
    QUINTAPE_PRIORITY_CHILD="$<TARGET_FILE:process_priority_child>")
add_dependencies(process_priority_test process_priority_child)
