#!/usr/bin/env bash
# Installs what is missing, builds Kelvane and starts it under Wine in the project's own
# prefix, on your X display or, without one, on an Xvfb of its own.
#   scripts/run.sh                      start Kelvane; returns when it is closed
#   scripts/run.sh --screenshot F.png   save a PNG of the main window, then close it
#   KELVANE_DPI=144 scripts/run.sh ...  run at another DPI (Wine's LogPixels)
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
shot=""
case ${1:-} in
--screenshot) shot=${2:?--screenshot needs a file name} ;;
"") ;;
*) echo "usage: scripts/run.sh [--screenshot FILE.png]" >&2; exit 2 ;;
esac
[[ -z $shot || $shot = /* ]] || shot=$PWD/$shot

scripts/install-deps.sh || exit 1
cmake --preset windows >/dev/null || exit 1
cmake --build --preset windows --target kelvane snap -j "$(nproc)" || exit 1

source scripts/wine-lib.sh
own_display=""
if [[ -z ${DISPLAY:-} || -n $shot ]]; then
    # A screenshot is taken on a private display, so nothing else covers the window.
    xvfb_start || exit 1
    own_display=1
fi
prefix=$PWD/build/windows/wineprefix
if [[ -n ${KELVANE_DPI:-} ]]; then
    # Another DPI gets a prefix of its own, read at the wineserver's start.
    prefix=$prefix-dpi$KELVANE_DPI
    wine_prepare "$prefix" || exit 1
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KELVANE_DPI" /f >/dev/null 2>&1
    wineserver -w 2>/dev/null
else
    wine_prepare "$prefix" || exit 1
fi
cleanup() {
    if [[ -n $own_display ]]; then
        wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
        xvfb_stop
    fi
}
trap cleanup EXIT

exe=build/windows/app/kelvane.exe
if [[ -z $shot ]]; then
    wine "$exe"
    exit $?
fi
wine "$exe" >/dev/null 2>&1 &
bmp=$(mktemp --suffix=.bmp)
wine build/windows/tests/app/snap.exe "Kelvane - USB Device Security Protection" "$(winepath -w "$bmp" 2>/dev/null)"
rc=$?
if [[ $rc -eq 0 ]]; then
    convert "$bmp" "$shot" && echo "Saved $shot"
    rc=$?
fi
rm -f "$bmp"
exit $rc
