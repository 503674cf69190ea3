// Linked into every program of the sanitizer build: any report ends the run
// with a failing status, so no test can pass over one. Built into the programs
// rather than set in the environment, so that they hold however a program is
// started (ctest, by hand, or as the child of a test). ASAN_OPTIONS and
// UBSAN_OPTIONS still override them.
//
// Leaks are reported too: SDL's dummy video driver leaves none behind, so no
// suppressions are needed.
extern "C" const char* __asan_default_options() { return "halt_on_error=1:detect_leaks=1"; }
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }
