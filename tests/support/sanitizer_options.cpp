// Sanitizer settings compiled into every test executable, so that they hold however the test
// is started (CTest, a debugger, the command line). The runtime asks for them before main.

extern "C" {

const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=0:strict_string_checks=1";
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

// Allocations that Qt's platform plugins, fontconfig and D-Bus keep for the life of the
// process.
const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libQt6Gui\n"
           "leak:libQt6Core\n"
           "leak:libdbus\n";
}

} // extern "C"
