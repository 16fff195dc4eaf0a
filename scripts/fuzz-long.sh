#!/usr/bin/env bash
# Long fuzzing of both fuzz targets, one after the other: the registry module's key paths
# and error texts, and the stored-password parser. Each runs for SECONDS (default 330, a
# little over five minutes); a crash, leak or timeout stops the script with the input.
# Afterwards the inputs that reach code edges the committed corpus does not are merged into
# it (libFuzzer's -merge=1 without hit counters, which would keep an input for every new
# loop count), so the corpus in tests/ grows by a few dozen files at most. Prints the runs
# each target made. --merge-only merges what the last run found without fuzzing again.
#   fuzz-long.sh [seconds] [--no-merge | --merge-only]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=330
merge=1
fuzz=1
for arg in "$@"; do
    case $arg in
    --no-merge) merge="" ;;
    --merge-only) fuzz="" ;;
    *) [[ $arg =~ ^[0-9]+$ && $arg -gt 0 ]] || { echo "usage: fuzz-long.sh [seconds] [--no-merge | --merge-only]" >&2; exit 2; }
       seconds=$arg ;;
    esac
done
work=$root/build/fuzz-long

# name | committed corpus | sources (the target first)
targets=(
    "fuzz_registry|tests/registry/fuzz_corpus|tests/registry/fuzz_registry.cpp registry/mdl_RegFunctions.cpp tests/support/registry/reg_memory.cpp"
    "fuzz_password_format|tests/password/fuzz_corpus|tests/password/fuzz_password_format.cpp password/password_format.cpp password/password_check.cpp"
)

summary=()
for entry in "${targets[@]}"; do
    IFS='|' read -r name corpus sources <<<"$entry"
    out=$work/$name
    srcs=()
    for s in $sources; do srcs+=("$root/$s"); done
    before=$(find "$root/$corpus" -type f | wc -l)
    if [[ -n $fuzz ]]; then
        echo "== $name: $seconds s, seed corpus $corpus ($before files)"
        "$root/scripts/fuzz.sh" --seconds "$seconds" --corpus "$root/$corpus" --out "$out" -- "${srcs[@]}" || {
            echo "fuzz-long: $name found a failing input (see above)" >&2
            exit 1
        }
    elif [[ ! -x $out/$name || ! -d $out/corpus ]]; then
        echo "fuzz-long: no earlier run of $name in $out to merge" >&2
        exit 1
    fi
    seconds_run=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$out/fuzz.log")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz.log")
    grown=$(find "$out/corpus" -type f | wc -l)
    added=0
    if [[ -n $merge ]]; then
        "$out/$name" -merge=1 -use_counters=0 "$root/$corpus" "$out/corpus" >"$out/merge.log" 2>&1 || {
            cat "$out/merge.log" >&2
            echo "fuzz-long: merging $name's corpus failed" >&2
            exit 1
        }
        added=$(( $(find "$root/$corpus" -type f | wc -l) - before ))
    fi
    summary+=("$name: $runs runs in ${seconds_run:-?} s, no finding; working corpus $grown inputs, $added added to $corpus")
done
echo "== summary ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%s\n' "${summary[@]}"
