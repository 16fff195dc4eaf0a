#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the native unit
# tests (with sanitizers), the fuzz targets briefly, and the Windows tests under Wine.
# Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
status=0
step() { echo; echo "== $*"; }

step "native build (g++, AddressSanitizer + UBSan)"
cmake --preset linux >/dev/null && cmake --build --preset linux -j "$jobs" || exit 1
step "native tests"
ctest --preset linux -j "$jobs" || status=1

step "Windows build (mingw-w64)"
cmake --preset windows >/dev/null && cmake --build --preset windows -j "$jobs" || exit 1

step "Windows tests under Wine"
source scripts/wine-lib.sh
if [[ -z ${DISPLAY:-} ]]; then
    xvfb_start || exit 1
fi
prefix=$PWD/build/windows/wineprefix
wine_prepare "$prefix" || exit 1
# One wineserver for the whole run instead of one per test; ended below.
wineserver -p
trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; xvfb_stop' EXIT
# One at a time: the window tests share one desktop, its focus and its foreground.
ctest --preset windows -j 1 || status=1

echo
if [[ $status -eq 0 ]]; then echo "All tests passed."; else echo "Some tests FAILED."; fi
exit $status
