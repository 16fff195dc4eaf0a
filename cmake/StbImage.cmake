# The PNG decoder the artwork is read with: stb_image, one header from the system
# (Debian's libstb-dev, see scripts/install-deps.sh). It is portable C, so the Windows
# cross-build reads the same header as the native build. Set KELVANE_STB_INCLUDE_DIR to
# the folder that holds stb_image.h where it is elsewhere.
find_path(KELVANE_STB_INCLUDE_DIR stb_image.h
          PATHS /usr/include/stb /usr/local/include/stb
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT KELVANE_STB_INCLUDE_DIR OR NOT EXISTS "${KELVANE_STB_INCLUDE_DIR}/stb_image.h")
    message(FATAL_ERROR
            "stb_image.h not found: install libstb-dev (scripts/install-deps.sh does), "
            "or set KELVANE_STB_INCLUDE_DIR to the folder that holds it.")
endif()

# kelvane_use_stb_image(target): the header as a system one (-isystem), so the project's
# warnings, errors included, apply to our code and not to the library's.
function(kelvane_use_stb_image target)
    target_include_directories(${target} SYSTEM PRIVATE ${KELVANE_STB_INCLUDE_DIR})
endfunction()
