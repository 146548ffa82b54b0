quintape_add_test(platform_system_services_test
    SOURCES text_codec_test.cpp profile_test.cpp registry_test.cpp
    LINKS quintape_platform_system)
