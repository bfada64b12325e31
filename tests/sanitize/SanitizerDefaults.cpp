// How the sanitizers run in a sanitized test program, however it is started
// (by CTest, by hand, under a debugger): the runtimes ask for these defaults
// before main. Options in the environment still override them.
#ifndef KESVOR_ASAN_EXTRA_OPTIONS
#define KESVOR_ASAN_EXTRA_OPTIONS ""
#endif

#define KESVOR_SANITIZER_DEFAULTS extern "C" __attribute__((visibility("default"), used))

KESVOR_SANITIZER_DEFAULTS const char* __asan_default_options()
{
    return "detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1:"
           "detect_leaks=1" KESVOR_ASAN_EXTRA_OPTIONS;
}

KESVOR_SANITIZER_DEFAULTS const char* __lsan_default_options()
{
    return "suppressions=" KESVOR_SANITIZER_SUPPRESSIONS "/lsan.supp:print_suppressions=0";
}

KESVOR_SANITIZER_DEFAULTS const char* __ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1:suppressions=" KESVOR_SANITIZER_SUPPRESSIONS
           "/ubsan.supp";
}
