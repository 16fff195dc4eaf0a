#!/usr/bin/env bash
# Builds one libFuzzer target and runs it for a while.
#   fuzz.sh --seconds N --corpus DIR [--out DIR] -- target.cpp [more.cpp...]
# The sources are compiled together with clang++ (C++20, libFuzzer, ASan, UBSan) with the
# repository root on the include path. DIR is the seed corpus: it is only read; inputs the
# fuzzer finds go to a working corpus in the build directory (--out, or a temporary one
# removed afterwards). Exits non-zero when the build fails or the target crashes; the
# crashing input is kept in the build directory (with --out) and printed.
set -uo pipefail

usage() {
    echo "usage: fuzz.sh --seconds N --corpus DIR [--out DIR] -- source.cpp [more.cpp...]" >&2
    exit 2
}

seconds="" corpus="" out=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --seconds) [[ $# -ge 2 ]] || usage; seconds=$2; shift 2 ;;
    --corpus) [[ $# -ge 2 ]] || usage; corpus=$2; shift 2 ;;
    --out) [[ $# -ge 2 ]] || usage; out=$2; shift 2 ;;
    --) shift; break ;;
    *) usage ;;
    esac
done
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 && -n $corpus && $# -ge 1 ]] || usage
[[ -d $corpus ]] || { echo "fuzz.sh: no corpus directory $corpus" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ not found" >&2; exit 2; }

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sources=()
for s in "$@"; do
    [[ -f $s ]] || { echo "fuzz.sh: no source file $s" >&2; exit 2; }
    sources+=("$(cd "$(dirname "$s")" && pwd)/$(basename "$s")")
done
corpus=$(cd "$corpus" && pwd)

if [[ -n $out ]]; then
    mkdir -p "$out" || exit 2
    out=$(cd "$out" && pwd)
else
    out=$(mktemp -d)
    trap 'rm -rf "$out"' EXIT
fi

name=$(basename "${sources[0]}" .cpp)
binary=$out/$name
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
    -Wall -Wextra -Werror -Wpedantic -Wshadow -I"$root")

# With --out the binary is kept and rebuilt only when the flags or a source or header it
# includes changed: a build with sanitizers costs far more than the few seconds of fuzzing.
stamp=$out/$name.stamp
fingerprint=$( {
    echo "${flags[*]} ${sources[*]}"
    clang++ "${flags[@]}" -MM "${sources[@]}" 2>/dev/null | tr ' \\' '\n\n' | grep -v ':$' |
        sed '/^$/d' | sort -u | xargs -r sha256sum
} | sha256sum)
if [[ -x $binary && -f $stamp && $(cat "$stamp") == "$fingerprint" ]]; then
    echo "fuzz.sh: $name is up to date"
else
    echo "fuzz.sh: building $name"
    rm -f "$stamp"
    clang++ "${flags[@]}" "${sources[@]}" -o "$binary" || exit 1
    echo "$fingerprint" >"$stamp"
fi

# Fresh working corpus each run, seeded from the committed one.
work=$out/corpus
rm -rf "$work" "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-*
mkdir -p "$work"

echo "fuzz.sh: running $name for $seconds s"
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$binary" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$out/" "$work" "$corpus" 2>"$out/fuzz.log"
rc=$?
# libFuzzer is chatty; show the summary, or everything when it failed.
if [[ $rc -ne 0 ]]; then
    cat "$out/fuzz.log" >&2
    for f in "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-*; do
        [[ -f $f ]] || continue
        echo "fuzz.sh: failing input $f (hex):" >&2
        od -An -tx1 -v "$f" | head -20 >&2
    done
    echo "fuzz.sh: $name FAILED (exit $rc)" >&2
    exit 1
fi
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done )' "$out/fuzz.log" || tail -3 "$out/fuzz.log"
echo "fuzz.sh: $name ran $seconds s without a crash"
