# Checks a built Windows executable through objdump's view of its PE headers.
#   cmake -DOBJDUMP=<objdump> -DEXE=<file.exe> -DCHECK=imports|characteristics -P check_pe.cmake
# imports:          every DLL it imports, delay-loaded ones included, is a KnownDLL (always
#                   taken from the system folder) or COMCTL32, which the embedded manifest
#                   binds side by side. Anything else would be searched for beside the exe
#                   first, where anyone who can drop a file could plant it.
# characteristics:  ASLR with high-entropy addresses and DEP are on, and the relocations
#                   that ASLR needs are there.
cmake_minimum_required(VERSION 3.25)

# FATAL_ERROR rewraps its text; the finding goes out on one line so tests can match it.
function(fail)
    string(JOIN "" text ${ARGV})
    message(NOTICE "${text}")
    message(FATAL_ERROR "check_pe.cmake: the ${CHECK} check failed")
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
else()
    fail("check_pe.cmake: unknown CHECK '${CHECK}'")
endif()
