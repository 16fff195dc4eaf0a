#!/usr/bin/env bash
# Start-up time and footprint of kelvane.exe against a bare window of the same size, under
# Wine: both started alternately (A B A B), each timed from CreateProcess until it waits
# for input with its window up, and its peak working set read after start-up. Kelvane
# starts with no password set, every protection value present and no removable drive.
#   bench-startup.sh [windows build dir] [pairs]      (default build/bench-windows, 20)
# Prints the figures and the targets; it never fails because a figure misses its target.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bench-lib.sh"
build=${1:-$bench_root/build/bench-windows}
pairs=${2:-20}
[[ $pairs =~ ^[0-9]+$ && $pairs -ge 1 ]] || { echo "usage: bench-startup.sh [build dir] [pairs]" >&2; exit 2; }

trap bench_cleanup EXIT
bench_setup "$build" kelvane bare_window bench_launch || exit 1
bench_state_values_present
drives=$(bench_removable_letters)
if [[ -n $drives ]]; then
    echo "bench-startup: the prefix has removable drives ($drives); remove them first" >&2
    exit 1
fi

kelvane=$BENCH_BUILD/app/kelvane.exe
bench_machine
out=$(mktemp)
bench_wine "$BENCH_BUILD/tests/bench/bench_launch.exe" startup --pairs "$pairs" \
    "$kelvane" "$BENCH_BUILD/tests/bench/bare_window.exe" | tr -d '\r' | tee "$out"
rc=${PIPESTATUS[0]}
if [[ $rc -eq 0 ]]; then
    size=$(stat -c %s "$kelvane")
    ratio=$(sed -n 's/.*median of pairwise ratios A\/B \([0-9.]*\).*/\1/p' "$out")
    ws=$(sed -n 's/^peak working set.*ratio A\/B \([0-9.]*\).*/\1/p' "$out")
    verdict() { awk -v v="$1" -v t="$2" -v op="$3" 'BEGIN {
        ok = (op == "<=") ? (v <= t) : (v < t); print (ok ? "met" : "NOT met") }'; }
    echo "targets: start-up ratio $ratio (<= 1.3: $(verdict "$ratio" 1.3 '<=')); kelvane.exe" \
        "$size bytes (< 1 MiB = 1048576: $(verdict "$size" 1048576 '<')); working-set ratio" \
        "$ws (<= 1.5: $(verdict "$ws" 1.5 '<='))"
fi
rm -f "$out"
exit $rc
