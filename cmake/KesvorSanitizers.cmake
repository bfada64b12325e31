# Sanitized builds (scripts/test --sanitize) and fuzz targets (scripts/fuzz).
# Every target of the project is compiled with the same flags, so that the
# standard library's inline code and ours agree on the memory they check.

if(KESVOR_BUILD_FUZZERS AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KESVOR_BUILD_FUZZERS needs clang (libFuzzer): "
                        "configure with CMAKE_CXX_COMPILER=clang++")
endif()

if(KESVOR_SANITIZE OR KESVOR_BUILD_FUZZERS)
    # Undefined behaviour stops the program, as a crash would; the frame
    # pointers give readable stacks.
    # -O1 keeps the checked programs fast enough to run every suite and to
    # fuzz for long; the build stays a Debug build (assertions, debug log).
    set(kesvor_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer -O1)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        # What the fuzzers steer by, in every object of ours; the fuzz
        # targets add libFuzzer's own main at link time.
        if(KESVOR_BUILD_FUZZERS)
            list(APPEND kesvor_sanitizers -fsanitize=fuzzer-no-link)
        endif()
        # A function called through a pointer of another type (Qt's slot
        # objects do that by design) is not our undefined behaviour.
        list(APPEND kesvor_sanitizers -fno-sanitize=function)
    endif()
    add_compile_options(${kesvor_sanitizers})
    add_link_options(-fsanitize=address,undefined)
    set(KESVOR_SANITIZER_SUPPRESSIONS ${PROJECT_SOURCE_DIR}/tests/sanitize)
    # How every test of a sanitized build runs (see tests/sanitize/README.md).
    set(KESVOR_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1:detect_leaks=1"
        "LSAN_OPTIONS=suppressions=${KESVOR_SANITIZER_SUPPRESSIONS}/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=${KESVOR_SANITIZER_SUPPRESSIONS}/ubsan.supp")
else()
    set(KESVOR_SANITIZER_ENVIRONMENT)
endif()
