# Device enumeration: the filter registry, device monikers and their stream form, the system
# device enumerator, a pluggable test device, and the running object table.
foreach(source
        device_categories.h filter_registry.h filter_registry.cpp moniker.h moniker.cpp
        device_enumerator.h device_enumerator.cpp device_unpluggable.h device_unpluggable.cpp
        running_object_table.h running_object_table.cpp)
    list(APPEND QUINTAPE_STREAMING_SOURCES ${CMAKE_CURRENT_LIST_DIR}/${source})
endforeach()
