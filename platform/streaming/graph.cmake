# The filter-graph streaming core: interfaces, base classes for filters and pins, clocks,
# samples and the graph manager.
foreach(source
        streaming_errors.h error_text.cpp event_codes.h
        media_sample.h media_sample.cpp
        reference_clock.h clock_advise_list.h clock_advise_list.cpp
        reference_clocks.h reference_clocks.cpp
        filter_interfaces.h media_seeking.h media_seeking.cpp graph_interfaces.h streaming_site.h
        filter_base.h filter_base.cpp pin_base.h pin_base.cpp source_pin.h source_pin.cpp
        transform_filter.h transform_filter.cpp renderer_base.h renderer_base.cpp
        graph_event_queue.h graph_event_queue.cpp
        filter_graph.h filter_graph.cpp graph_control.cpp)
    list(APPEND QUINTAPE_STREAMING_SOURCES ${CMAKE_CURRENT_LIST_DIR}/${source})
endforeach()
