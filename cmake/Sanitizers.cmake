# Opt-in builds that look for memory faults, undefined behaviour and leaks.
#   STATION_SANITIZE  everything (libraries, program, tests, tools) with AddressSanitizer and
#                     UndefinedBehaviorSanitizer; any report ends the program with a failure.
#   STATION_FUZZ      also the fuzz targets of fuzz/ (libFuzzer, so clang only), with the core
#                     library instrumented for their coverage; implies STATION_SANITIZE.
option(STATION_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(STATION_FUZZ "Build the fuzz targets of fuzz/ (clang; implies STATION_SANITIZE)" OFF)
if(STATION_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "STATION_FUZZ needs clang (libFuzzer): configure with CXX=clang++")
    endif()
    set(STATION_SANITIZE ON)
endif()
if(STATION_SANITIZE)
    set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
    add_compile_options(${sanitizers} -fno-omit-frame-pointer)
    add_link_options(${sanitizers})
    # What the tests and fuzz targets run with: leaks are checked at exit, the few that
    # lie wholly in libraries not ours are named in the suppression file.
    set(asan detect_leaks=1)
    set(STATION_SANITIZER_ENVIRONMENT
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan-suppressions.txt:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    # The browser engine frees one of its own objects with the size of another type
    # (in ~WebContentsAdapter, no frame of ours): that check is off for the tests with it.
    set(STATION_SANITIZER_UI_ENVIRONMENT ${STATION_SANITIZER_ENVIRONMENT}
        "ASAN_OPTIONS=${asan}:new_delete_type_mismatch=0")
    list(APPEND STATION_SANITIZER_ENVIRONMENT "ASAN_OPTIONS=${asan}")
endif()
