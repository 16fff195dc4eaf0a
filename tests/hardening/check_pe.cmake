# Checks a built Windows executable through objdump's view of its PE headers.
#   cmake -DOBJDUMP=<objdump> -DEXE=<file.exe> -DCHECK=imports|characteristics -P check_pe.cmake
# imports:          every DLL it imports, delay-loaded ones included, is a KnownDLL (always
#                   taken from the system folder) or COMCTL32, which the embedded manifest
#                   binds side by side. Anything else would be searched for beside the exe
#                   first, where anyone who can drop a file could plant it.
# characteristics:  ASLR with high-entropy addresses and DEP are on, and the relocations
#                   that ASLR needs are there.
# tls:              it has a TLS directory whose callbacks are those of -DREFERENCE=<exe>
#                   (an exe of the same toolchain and threads, without the DLL search's) and one
#                   more: the callback that narrows the DLL search, which a link that drops
#                   unused sections must keep.
cmake_minimum_required(VERSION 3.25)

# FATAL_ERROR rewraps its text; the finding goes out on one line so tests can match it.
function(fail)
    string(JOIN "" text ${ARGV})
    message(NOTICE "${text}")
    message(FATAL_ERROR "check_pe.cmake: the ${CHECK} check failed")
endfunction()

# The bytes at virtual address `va` (hex, no 0x) of `exe`, as one string of hex digits.
function(bytes_at exe va length out)
    math(EXPR stop "0x${va} + ${length}" OUTPUT_FORMAT HEXADECIMAL)
    execute_process(COMMAND ${OBJDUMP} -s --start-address=0x${va} --stop-address=${stop} ${exe}
                    OUTPUT_VARIABLE dump RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        fail("${OBJDUMP} -s at 0x${va} of ${exe} failed (${status})")
    endif()
    # Lines of " ADDRESS WORD WORD WORD WORD  TEXT": the words are the contents.
    string(REGEX MATCHALL "\n [0-9a-f]+ [0-9a-f ]+ " lines "${dump}")
    set(hex "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^\n [0-9a-f]+ " "" line "${line}")
        string(REPLACE " " "" line "${line}")
        string(APPEND hex "${line}")
    endforeach()
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# A little-endian 64-bit value from 16 hex digits, as hex digits without leading zeros.
function(qword hex out)
    set(value "")
    foreach(i RANGE 14 0 -2)
        string(SUBSTRING "${hex}" ${i} 2 byte)
        string(APPEND value "${byte}")
    endforeach()
    string(REGEX REPLACE "^0+" "" value "${value}")
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

# How many callbacks the TLS directory of `exe` lists (its null-ended array).
function(tls_callbacks exe headers out)
    if(NOT headers MATCHES "ImageBase[ \t]+([0-9a-fA-F]+)")
        fail("No ImageBase in the headers of ${exe}")
    endif()
    set(base ${CMAKE_MATCH_1})
    if(NOT headers MATCHES "Entry 9 ([0-9a-fA-F]+) ([0-9a-fA-F]+) Thread Storage Directory")
        fail("No TLS directory entry in the headers of ${exe}")
    endif()
    math(EXPR tls "0x${base} + 0x${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
    if(CMAKE_MATCH_2 MATCHES "^0+$")
        fail("${exe} has no TLS directory")
    endif()
    string(REGEX REPLACE "^0x" "" tls "${tls}")
    # IMAGE_TLS_DIRECTORY64: AddressOfCallBacks is its fourth 64-bit field.
    bytes_at(${exe} ${tls} 32 directory)
    string(SUBSTRING "${directory}" 48 16 field)
    qword("${field}" array)
    if(array STREQUAL "")
        set(${out} 0 PARENT_SCOPE)
        return()
    endif()
    bytes_at(${exe} ${array} 128 pointers)
    set(count 0)
    string(LENGTH "${pointers}" length)
    foreach(offset RANGE 0 ${length} 16)
        string(SUBSTRING "${pointers}" ${offset} 16 entry)
        qword("${entry}" pointer)
        if(pointer STREQUAL "")
            break()
        endif()
        math(EXPR count "${count} + 1")
    endforeach()
    set(${out} ${count} PARENT_SCOPE)
endfunction()

foreach(var OBJDUMP EXE CHECK)
    if(NOT DEFINED ${var})
        fail("check_pe.cmake: -D${var}=... is missing")
    endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE headers ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    fail("${OBJDUMP} -p ${EXE} failed (${status}): ${errors}")
endif()

if(CHECK STREQUAL "imports")
    # The KnownDLLs that Windows 10 and 11 both list (Session Manager\KnownDLLs), plus
    # ntdll, which the kernel maps into every process before any search.
    set(allowed
        advapi32.dll combase.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll
        ntdll.dll ole32.dll oleaut32.dll psapi.dll rpcrt4.dll sechost.dll setupapi.dll
        shcore.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll)
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${headers}")
    set(imported)
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^DLL Name: *" "" name "${line}")
        string(STRIP "${name}" name)
        string(TOLOWER "${name}" name)
        list(APPEND imported ${name})
    endforeach()
    list(REMOVE_DUPLICATES imported)
    # Every Windows program imports kernel32: without it the listing was not understood.
    if(NOT "kernel32.dll" IN_LIST imported)
        fail("No import of kernel32.dll found in ${EXE}: objdump's output "
                            "was not understood.")
    endif()
    set(planted)
    foreach(name IN LISTS imported)
        if(name STREQUAL "comctl32.dll")
            # Safe only because the manifest asks for Common Controls 6 side by side.
            file(STRINGS ${EXE} manifest REGEX "Microsoft\\.Windows\\.Common-Controls")
            if(NOT manifest)
                list(APPEND planted "comctl32.dll (no Common Controls manifest binds it)")
            endif()
        elseif(NOT name IN_LIST allowed)
            list(APPEND planted ${name})
        endif()
    endforeach()
    if(planted)
        list(JOIN planted ", " planted)
        fail("${EXE} imports DLLs that Windows would look for beside it "
                            "first: ${planted}")
    endif()
    list(JOIN imported ", " imported)
    message(STATUS "Imports only KnownDLLs and COMCTL32: ${imported}")
elseif(CHECK STREQUAL "characteristics")
    if(NOT headers MATCHES "DllCharacteristics[ \t]+([0-9a-fA-F]+)")
        fail("No DllCharacteristics in the headers of ${EXE}")
    endif()
    set(hex ${CMAKE_MATCH_1})
    math(EXPR bits "0x${hex}")
    set(missing)
    # IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA, _DYNAMIC_BASE, _NX_COMPAT.
    foreach(flag HIGH_ENTROPY_VA:0x20 DYNAMIC_BASE:0x40 NX_COMPAT:0x100)
        string(REPLACE ":" ";" flag "${flag}")
        list(GET flag 0 name)
        list(GET flag 1 mask)
        math(EXPR set "${bits} & ${mask}")
        if(set EQUAL 0)
            list(APPEND missing ${name})
        endif()
    endforeach()
    # DYNAMIC_BASE without relocations leaves the image at its preferred address.
    if(NOT headers MATCHES "Entry 5 [0-9a-fA-F]+ ([0-9a-fA-F]+) Base Relocation Directory")
        fail("No base relocation directory entry in the headers of ${EXE}")
    endif()
    math(EXPR relocations "0x${CMAKE_MATCH_1}")
    if(relocations EQUAL 0)
        list(APPEND missing "base relocations")
    endif()
    if(missing)
        list(JOIN missing ", " missing)
        fail("${EXE} lacks: ${missing} (DllCharacteristics 0x${hex})")
    endif()
    message(STATUS "ASLR (high entropy), DEP and relocations are on")
elseif(CHECK STREQUAL "tls")
    if(NOT DEFINED REFERENCE)
        fail("check_pe.cmake: -DREFERENCE=... is missing")
    endif()
    tls_callbacks(${EXE} "${headers}" count)
    execute_process(COMMAND ${OBJDUMP} -p ${REFERENCE} OUTPUT_VARIABLE reference_headers
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        fail("${OBJDUMP} -p ${REFERENCE} failed (${status})")
    endif()
    tls_callbacks(${REFERENCE} "${reference_headers}" reference_count)
    math(EXPR wanted "${reference_count} + 1")
    if(NOT count EQUAL wanted)
        fail("${EXE} has ${count} TLS callbacks where ${wanted} were expected (the run-time's "
             "${reference_count} and the one that narrows the DLL search)")
    endif()
    message(STATUS "TLS directory with ${count} callbacks, the DLL search's among them")
else()
    fail("check_pe.cmake: unknown CHECK '${CHECK}'")
endif()
