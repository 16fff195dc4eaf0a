#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need, when missing.
set -euo pipefail
packages=(
    cmake ninja-build g++ googletest            # native build and unit tests
    mingw-w64 g++-mingw-w64-x86-64-posix        # the Windows cross-build
    binutils-mingw-w64-x86-64                   # windmc: the event messages
    wine wine64 fonts-wine xvfb                 # running Windows programs here
    fonts-liberation2                           # the windows' sans-serif face under Wine
    imagemagick                                 # screenshots to PNG
    clang libclang-rt-14-dev                    # fuzzing with libFuzzer
    wixl msitools osslsigncode openssl          # the package: build, inspect, sign
    libxml2-dev                                 # the policy template test reads XML
    libstb-dev                                  # stb_image: decodes the artwork's PNGs
    python3-jsonschema                          # the status JSON against its schema (/usr/bin/python3)
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
