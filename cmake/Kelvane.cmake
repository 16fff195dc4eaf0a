# Project-wide compile settings and the helpers that declare libraries and tests.

# Win32 structures are set up as {sizeof(s)} with the rest zero, which -Wextra flags.
set(KELVANE_WARNINGS -Wall -Wextra -Werror -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wno-missing-field-initializers)

if(KELVANE_SANITIZE AND NOT WIN32)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
    # Unicode W functions throughout; Windows 10 API level.
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                            _WIN32_WINNT=0x0A00 WINVER=0x0A00)
    # Hardening stated here rather than left to toolchain defaults: stack canaries, checked
    # copies in the mingw headers (they honour _FORTIFY_SOURCE in optimised builds only),
    # ASLR with high-entropy addresses and DEP. Both checks live in libssp, which -static
    # (the toolchain file) links into the exe, so no libssp DLL ships beside it.
    add_compile_options(-fstack-protector-strong)
    add_compile_definitions(_FORTIFY_SOURCE=2)
    add_link_options(-fstack-protector-strong -Wl,--dynamicbase,--high-entropy-va,--nxcompat)
    # Built for size: -Os, and every function and object in a section of its own so that
    # the shipped programs' link drops what nothing uses (kelvane_program). The last -O
    # given wins over the build type's -O3.
    add_compile_options($<$<CONFIG:Release>:-Os> -ffunction-sections -fdata-sections)
    # Windows executables of the build (tests, tools) run under Wine in a prefix that
    # lives in the build tree.
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh --prefix ${CMAKE_BINARY_DIR}/wineprefix)
endif()

# kelvane_harden_program(target)
# What every executable that ships gets before its own code runs: the DLL search narrowed
# to the system folder from a TLS callback (app/dll_search_first.cpp), ahead of the C
# run-time's start-up and the constructors.
function(kelvane_harden_program target)
    target_link_libraries(${target} PRIVATE kv_dll_search_first)
endfunction()

function(kelvane_target_defaults target)
    target_compile_options(${target} PRIVATE ${KELVANE_WARNINGS})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# kelvane_library(name [WINDOWS] SOURCES ... LIBS ...)
# A static library of the project. WINDOWS marks one that only the Windows build has.
function(kelvane_library name)
    cmake_parse_arguments(ARG "WINDOWS" "" "SOURCES;LIBS" ${ARGN})
    if(ARG_WINDOWS AND NOT WIN32)
        return()
    endif()
    add_library(${name} STATIC ${ARG_SOURCES})
    kelvane_target_defaults(${name})
    if(ARG_LIBS)
        target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    endif()
endfunction()

# kelvane_test(name [WINDOWS] [OWN_MAIN] [CHANGES_MACHINE] SOURCES ... LIBS ... [LABELS ...]
#              [TIMEOUT s])
# A GoogleTest executable. Portable tests build natively (label "native") and, in the
# Windows build, also as a Windows executable run under Wine (label "wine").
# WINDOWS marks tests that only make sense on Windows (real registry, real windows).
# CHANGES_MACHINE marks Windows tests that write the protection keys or the password
# store (directly or through the real program): they refuse to run outside Wine without
# KELVANE_TESTS_MAY_CHANGE_THIS_MACHINE=1, and put those keys back when they end
# (tests/support/machine_guard.h).
function(kelvane_test name)
    cmake_parse_arguments(ARG "WINDOWS;OWN_MAIN;CHANGES_MACHINE" "TIMEOUT" "SOURCES;LIBS;LABELS"
                          ${ARGN})
    if(ARG_WINDOWS AND NOT WIN32)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    kelvane_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest)
    if(NOT ARG_OWN_MAIN)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    if(WIN32)
        set(kind wine)
    else()
        set(kind native)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_test(NAME ${kind}.${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${kind}.${name} PROPERTIES LABELS "${kind};${ARG_LABELS}"
                         TIMEOUT ${ARG_TIMEOUT})
    if(ARG_CHANGES_MACHINE AND WIN32)
        target_link_libraries(${name} PRIVATE kv_machine_guard)
        # The guard restores at the end of each program: two such programs at once would
        # put back each other's state.
        set_property(TEST ${kind}.${name} APPEND PROPERTY RESOURCE_LOCK kelvane_settings_store)
    endif()
endfunction()
