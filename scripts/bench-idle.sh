#!/usr/bin/env bash
# CPU time kelvane.exe uses while it idles under Wine with two removable drives plugged
# (through Wine's mount manager, each with a volume label): 60 s by default, twelve passes
# of its 5-second timer. The bare window idles beside it as a reference, and the CPU time
# of the prefix's Wine processes (wineserver, device and desktop services) over the same
# span is shown too, because Kelvane's drive queries are partly answered there.
#   bench-idle.sh [windows build dir] [seconds]      (default build/bench-windows, 60)
# Prints the figures and the target; it never fails because a figure misses its target.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/bench-lib.sh"
build=${1:-$bench_root/build/bench-windows}
seconds=${2:-60}
[[ $seconds =~ ^[0-9]+$ && $seconds -ge 1 ]] || { echo "usage: bench-idle.sh [build dir] [seconds]" >&2; exit 2; }

folders=$(mktemp -d)
letters=()
cleanup() {
    local letter
    for letter in "${letters[@]}"; do
        wine "$BENCH_BUILD/tests/drives/winedrive.exe" remove "$letter" >/dev/null 2>&1
    done
    bench_cleanup
    rm -rf "$folders"
}
trap cleanup EXIT
bench_setup "$build" kelvane bare_window bench_launch winedrive || exit 1
bench_state_values_present

plug() { # LETTER LABEL
    local dir=$folders/$1
    mkdir -p "$dir"
    printf '%s' "$2" >"$dir/.windows-label"
    wine "$BENCH_BUILD/tests/drives/winedrive.exe" add "$1:" "$dir" || return 1
    letters+=("$1:")
}
for letter in U V; do
    if [[ -e $BENCH_PREFIX/dosdevices/${letter,,}: ]]; then
        echo "bench-idle: drive $letter: is in use in $BENCH_PREFIX" >&2
        exit 1
    fi
done
plug U IDLEDATA || exit 1
plug V IDLEBACKUP || exit 1

# "pid ticks name" for every process of this prefix: CPU ticks used so far and its name.
prefix_ticks() {
    local pid env stat rest name
    for pid in /proc/[0-9]*; do
        env=$(tr '\0' '\n' 2>/dev/null <"$pid/environ") || continue
        [[ $'\n'$env$'\n' == *$'\n'"WINEPREFIX=$BENCH_PREFIX"$'\n'* ]] || continue
        stat=$(cat "$pid/stat" 2>/dev/null) || continue
        name=$(tr '\0' ' ' 2>/dev/null <"$pid/cmdline" | cut -d' ' -f1)
        rest=${stat##*) }
        set -- $rest
        echo "${pid#/proc/} $((${12} + ${13})) ${name##*[/\\]}"
    done
}
hz=$(getconf CLK_TCK)

bench_machine
out=$(mktemp)
bench_wine "$BENCH_BUILD/tests/bench/bench_launch.exe" idle --seconds "$seconds" \
    --show "device(s) detected" "$BENCH_BUILD/app/kelvane.exe" \
    "$BENCH_BUILD/tests/bench/bare_window.exe" >"$out" 2>&1 &
launcher=$!
# The measured span starts when the launcher says so.
until grep -q '^idle: measuring' "$out" || ! kill -0 "$launcher" 2>/dev/null; do
    sleep 0.1
done
prefix_ticks >"$folders/before"
until grep -q '^idle: end' "$out" || ! kill -0 "$launcher" 2>/dev/null; do
    sleep 0.1
done
prefix_ticks >"$folders/after"
wait "$launcher"
rc=$?
# Windows programs end their lines with CR LF.
sed -i 's/\r$//' "$out"
grep -v '^idle: end$' "$out"
if [[ $rc -eq 0 ]]; then
    # Processes there at both ends; one that came or went in between is left out. Wine's
    # GetProcessTimes of another process lags behind, so the kernel's own count of the
    # kelvane.exe process is the figure judged.
    join <(sort "$folders/before") <(sort "$folders/after") | awk -v hz="$hz" -v s="$seconds" '
        { ms = 1000 * ($4 - $2) / hz; total += ms; by[$3] += ms }
        END {
            for (n in by) printf "idle: Linux side: %s used %.0f ms\n", n, by[n]
            printf "idle: Linux side: all Wine processes of the prefix together used %.0f ms in %d s = %.3f %% of one core (clock tick %.0f ms)\n",
                total, s, 100 * total / 1000 / s, 1000 / hz
            has = ("kelvane.exe" in by); k = by["kelvane.exe"]
            printf "target: kelvane.exe used %.0f ms in %d s = %.3f %% of one core (< 0.5 %%: %s)\n",
                k, s, 100 * k / 1000 / s, has ? (k / 1000 / s < 0.005 ? "met" : "NOT met") : "not measured" }'
fi
rm -f "$out"
exit $rc
