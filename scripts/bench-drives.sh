#!/usr/bin/env bash
# The cost of one pass of the device line with the Windows drive source under Wine:
# plugs two removable drives with labels (through winedrive.exe and Wine's mount manager),
# runs the pass many times and prints the median.
#   bench-drives.sh [windows build dir] [passes] [other build dir] [rounds]
# Without a build dir it configures and builds build/bench-windows. Only the two programs
# it needs are built. With another build dir (for instance an earlier checkout's, already
# built), both benchmarks run side by side, alternating, `rounds` times (default 9), on the
# same drives in the same Wine session, and the script prints each one's median of medians
# and their ratio, with the machine's processor count and load.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build/bench-windows}")
passes=${2:-2000}
other=${3:+$(realpath -m "$3")}
rounds=${4:-9}
if [[ -n $other && ! -x $other/tests/drives/bench_drive_pass.exe ]]; then
    echo "bench-drives: no bench_drive_pass.exe in $other/tests/drives" >&2
    exit 1
fi

if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        --toolchain "$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
fi
cmake --build "$build" -j2 --target winedrive bench_drive_pass >/dev/null || {
    echo "bench-drives: build failed in $build" >&2
    exit 1
}
tools=$build/tests/drives
prefix=$build/wineprefix
run=("$root/scripts/wine-run.sh" --prefix "$prefix")

source "$root/scripts/wine-lib.sh"
folders=$(mktemp -d)
letters=()
server=""
cleanup() {
    local letter
    for letter in "${letters[@]}"; do
        "${run[@]}" "$tools/winedrive.exe" remove "$letter" >/dev/null 2>&1
    done
    if [[ -n $server ]]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
    xvfb_stop
    rm -rf "$folders"
}
trap cleanup EXIT
if [[ -z ${DISPLAY:-} ]]; then
    xvfb_start || exit 1
fi
wine_prepare "$prefix" || exit 1
# One wineserver for the whole run, so each step does not pay for starting one.
wineserver -p && server=1

# Two letters the prefix does not use, each over a folder that carries its label.

plug() { # LETTER LABEL
    local dir=$folders/$1
    mkdir -p "$dir"
    printf '%s' "$2" >"$dir/.windows-label"
    "${run[@]}" "$tools/winedrive.exe" add "$1:" "$dir" || return 1
    letters+=("$1:")
}
for letter in U V; do
    if [[ -e $prefix/dosdevices/${letter,,}: ]]; then
        echo "bench-drives: drive $letter: is in use in $prefix" >&2
        exit 1
    fi
done
plug U BENCHDATA || exit 1
plug V BENCHBACKUP || exit 1

if [[ -z $other ]]; then
    "${run[@]}" "$tools/bench_drive_pass.exe" "$passes"
    exit
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
ours=() theirs=()
for ((round = 1; round <= rounds; round++)); do
    theirs+=("$("${run[@]}" "$other/tests/drives/bench_drive_pass.exe" "$passes" |
        sed -n 's/.* median: \([0-9.]*\) us.*/\1/p')")
    ours+=("$("${run[@]}" "$tools/bench_drive_pass.exe" "$passes" |
        sed -n 's/.* median: \([0-9.]*\) us.*/\1/p')")
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
a=$(printf '%s\n' "${ours[@]}" | median)
b=$(printf '%s\n' "${theirs[@]}" | median)
echo "this build:  median of $rounds medians $a us (${ours[*]})"
echo "other build: median of $rounds medians $b us (${theirs[*]})"
awk -v a="$a" -v b="$b" 'BEGIN { if (b > 0) printf "ratio: %.2fx\n", a / b }'

