#!/usr/bin/env bash
# Start-up time and footprint of kelvane.exe against a bare window of the same size, under
# Wine: started in turn (A B A B), each timed from CreateProcess until it waits for input
# with its window up, and its peak working set read after start-up. Kelvane starts with
# no password set, every protection value present and no removable drive.
# A third program (C) takes its turn too: the bare window that also starts the system
# library Kelvane starts (common controls 6), so the figures show what it costs and what
# Kelvane's own work costs. A fourth (D), the bare window with as many plain child
# controls as Kelvane's main window and one font, holds what Wine charges for child
# windows: the fairest yardstick of Kelvane's own start-up work.
#   bench-startup.sh [windows build dir] [rounds]      (default build/bench-windows, 20)
# Prints the figures and the targets; it never fails because a figure misses its target.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bench-lib.sh"
build=${1:-$bench_root/build/bench-windows}
rounds=${2:-20}
[[ $rounds =~ ^[0-9]+$ && $rounds -ge 1 ]] || { echo "usage: bench-startup.sh [build dir] [rounds]" >&2; exit 2; }

trap bench_cleanup EXIT
bench_setup "$build" kelvane bare_window bare_window_libs bare_window_controls bench_launch ||
    exit 1
bench_state_values_present
drives=$(bench_removable_letters)
if [[ -n $drives ]]; then
    echo "bench-startup: the prefix has removable drives ($drives); remove them first" >&2
    exit 1
fi

kelvane=$BENCH_BUILD/app/kelvane.exe
bench_machine
out=$(mktemp)
bench_wine "$BENCH_BUILD/tests/bench/bench_launch.exe" startup --pairs "$rounds" "$kelvane" \
    "$BENCH_BUILD/tests/bench/bare_window.exe" "$BENCH_BUILD/tests/bench/bare_window_libs.exe" \
    "$BENCH_BUILD/tests/bench/bare_window_controls.exe" |
    tr -d '\r' | tee "$out"
rc=${PIPESTATUS[0]}
if [[ $rc -eq 0 ]]; then
    size=$(stat -c %s "$kelvane")
    ratio=$(sed -n 's/.*median of pairwise ratios A\/B \([0-9.]*\).*/\1/p' "$out")
    ratio_controls=$(sed -n 's/.*median of pairwise ratios A\/D \([0-9.]*\).*/\1/p' "$out")
    ws=$(sed -n 's/^peak working set.*ratio A\/B \([0-9.]*\).*/\1/p' "$out")
    verdict() { awk -v v="$1" -v t="$2" -v op="$3" 'BEGIN {
        ok = (op == "<=") ? (v <= t) : (v < t); print (ok ? "met" : "NOT met") }'; }
    echo "targets: start-up ratio against the bare window with controls $ratio_controls" \
        "(<= 1.2: $(verdict "$ratio_controls" 1.2 '<=')); against the bare window $ratio;" \
        "kelvane.exe $size bytes (< 1 MiB = 1048576: $(verdict "$size" 1048576 '<'));" \
        "working-set ratio $ws (<= 1.35: $(verdict "$ws" 1.35 '<='))"
    # Medians of A, B and C: how much of the difference the library makes.
    a=$(sed -n 's/^start-up median: A \([0-9.]*\) ms, B.*/\1/p' "$out")
    b=$(sed -n 's/^start-up median: A [0-9.]* ms, B \([0-9.]*\) ms.*/\1/p' "$out")
    c=$(sed -n 's/^start-up median: A [0-9.]* ms, C \([0-9.]*\) ms.*/\1/p' "$out")
    awk -v a="$a" -v b="$b" -v c="$c" 'BEGIN {
        printf "breakdown: Kelvane takes %.0f ms more than the bare window; starting common controls 6 (C - B) accounts for %.0f ms, Kelvane'"'"'s own work (A - C) for %.0f ms\n", a - b, c - b, a - c }'
fi
rm -f "$out"
exit $rc
