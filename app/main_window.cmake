# The main window, its images, the application object and the command line.
list(APPEND QUINTAPE_APP_SOURCES
    main_window_services.h
    tfm_main.h tfm_main.ui tfm_main.cpp
    tfm_main_startup.cpp tfm_main_playlist.cpp tfm_main_graph.cpp tfm_main_devices.cpp
    tfm_main_progress.cpp
    main_window_images.h main_window_images.cpp
    quintape_application.h quintape_application.cpp
    unix_signals.h unix_signals.cpp
    program_services.h program_services.cpp
    command_line.h command_line.cpp)
