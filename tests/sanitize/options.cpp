// Linked into every program of the sanitizer build: any report ends the run
// with a failing status, so no test can pass over one. Built into the programs
// rather than set in the environment, so that they hold however a program is
// started (ctest, by hand, or as the child of a test). ASAN_OPTIONS and
// UBSAN_OPTIONS still override them.
//
// Leaks are reported too: SDL's dummy video driver leaves none behind. One
// library's is let pass: when an X display cannot be reached, SDL's start
// leaves a kilobyte that D-Bus took and never gives back, in every build.
extern "C" const char* __asan_default_options() { return "halt_on_error=1:detect_leaks=1:print_suppressions=0"; }
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
