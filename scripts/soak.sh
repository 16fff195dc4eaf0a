#!/usr/bin/env bash
# Long use of the real main window under Wine, with the full counts: 200 rounds, that is
# 2,000 clicks on each switch (alternating states, real registry of the prefix) and on
# Refresh, and the About, Help and Settings windows opened and closed 200 times each.
# Prints the handle, GDI and USER counts after the first and the last round; fails when
# they grew by more than the test's margin or a round went wrong. CTest runs the same test
# with 20 rounds.
#   soak.sh [windows build dir] [rounds]      (default build/bench-windows, 200)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build/bench-windows}")
rounds=${2:-200}
[[ $rounds =~ ^[0-9]+$ && $rounds -ge 2 ]] || { echo "usage: soak.sh [build dir] [rounds >= 2]" >&2; exit 2; }

if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        --toolchain "$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
fi
cmake --build "$build" -j2 --target main_window_soak >/dev/null || {
    echo "soak: build failed in $build" >&2
    exit 1
}
start=$(date +%s)
KELVANE_SOAK_ROUNDS=$rounds "$root/scripts/wine-run.sh" --prefix "$build/wineprefix" \
    "$build/tests/app/main_window_soak.exe" 2>&1 | tr -d '\r'
rc=${PIPESTATUS[0]}
echo "soak: $rounds rounds took $(( $(date +%s) - start )) s; $([[ $rc -eq 0 ]] && echo passed || echo FAILED)"
exit $rc
