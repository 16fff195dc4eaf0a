#!/usr/bin/env bash
# Screenshots of every window of Kelvane at 96, 144 and 192 DPI under Wine, to look at:
# the main window, About, Help, the password settings and the login dialog. Each DPI has
# a prefix of its own (Wine's LogPixels is read when its wineserver starts) whose virtual
# desktop grows with the DPI, so that the main window fits on it even at 192 DPI.
#   bench-dpi.sh [windows build dir] [output folder] [dpi...]
#       (default build/bench-windows, <build dir>/screens, 96 144 192)
# The PNGs are named <dpi>-<window>.png; they are not part of the repository.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/wine-lib.sh"
build=$(realpath -m "${1:-$root/build/bench-windows}")
out=$(realpath -m "${2:-$build/screens}")
shift $(($# < 2 ? $# : 2))
dpis=("$@")
[[ ${#dpis[@]} -gt 0 ]] || dpis=(96 144 192)

if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        --toolchain "$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
fi
cmake --build "$build" -j2 --target kelvane snap poke >/dev/null || {
    echo "bench-dpi: build failed in $build" >&2
    exit 1
}
command -v convert >/dev/null || { echo "bench-dpi: ImageMagick's convert is needed" >&2; exit 1; }
mkdir -p "$out"
kelvane=$build/app/kelvane.exe
snap=$build/tests/app/snap.exe
poke=$build/tests/bench/poke.exe
main_title="Kelvane - USB Device Security Protection"

xvfb_pid=""
# An X screen of the given size on a free display; DISPLAY is set to it.
screen_start() { # WIDTHxHEIGHT
    local n
    for n in $(seq 141 190); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        local i
        for i in $(seq 1 50); do
            [[ -e /tmp/.X11-unix/X$n ]] && { export DISPLAY=":$n"; return 0; }
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
    done
    echo "bench-dpi: could not start Xvfb" >&2
    return 1
}
stop_all() {
    if [[ -n ${WINEPREFIX:-} ]]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
    fi
}
trap stop_all EXIT

shot() { # TITLE NAME
    local bmp=$out/$2.bmp
    if wine "$snap" "$1" "$(winepath -w "$bmp" 2>/dev/null)" 20 >/dev/null 2>&1 &&
        convert "$bmp" "$out/$2.png"; then
        echo "  $out/$2.png ($(identify -format '%wx%h' "$out/$2.png"))"
    else
        echo "  $2: no screenshot of \"$1\"" >&2
        failed=1
    fi
    rm -f "$bmp"
}

failed=""
for dpi in "${dpis[@]}"; do
    size="$((1024 * dpi / 96))x$((768 * dpi / 96))"
    echo "== $dpi DPI, virtual desktop $size"
    screen_start "$size" || exit 1
    prefix=$build/wineprefix-dpi$dpi
    wine_prepare "$prefix" || exit 1
    # Read when the wineserver starts: set, then let it end.
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f >/dev/null 2>&1
    wine reg delete 'HKCU\Software\kelvane' /f >/dev/null 2>&1
    wineserver -w
    wineserver -p

    wine "$kelvane" >/dev/null 2>&1 &
    program=$!
    shot "$main_title" "$dpi-main"
    for window in "About...|&About...|close" "Help|&Help|close" "Settings|&Pasword|&Cancel"; do
        IFS='|' read -r title button leave <<<"$window"
        wine "$poke" click "$main_title" "$button"
        shot "$title" "$dpi-${title%...}"
        if [[ $leave == close ]]; then
            wine "$poke" close "$title"
        else
            wine "$poke" click "$title" "$leave"
        fi
        sleep 0.5
    done
    wine "$poke" close "$main_title"
    wait "$program"

    # With a password stored the login comes first.
    wine reg add 'HKCU\Software\kelvane\settings' /v p /d x /f >/dev/null 2>&1
    wine "$kelvane" >/dev/null 2>&1 &
    program=$!
    shot "Login" "$dpi-Login"
    wine "$poke" click "Login" "&Cancel"
    wait "$program"
    wine reg delete 'HKCU\Software\kelvane' /f >/dev/null 2>&1
    stop_all
done
[[ -z $failed ]]
