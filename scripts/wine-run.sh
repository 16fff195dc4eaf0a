#!/usr/bin/env bash
# Runs one Windows executable under Wine in a private prefix (CTest's emulator).
#   wine-run.sh --prefix DIR program.exe [arguments...]
# Uses the X display in DISPLAY; without one it starts Xvfb for this run, and then
# stops the prefix's Wine processes and that Xvfb afterwards (only what it started).
set -uo pipefail
prefix=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
if [[ -z $prefix || $# -lt 1 ]]; then
    echo "usage: wine-run.sh --prefix DIR program.exe [arguments...]" >&2
    exit 2
fi
# Wine wants an absolute prefix; accept one relative to where we were started.
prefix=$(realpath -m -- "$prefix")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-lib.sh"

wine_session_begin "$prefix" || exit 1

# Wine starts helper processes (services, the desktop) that outlive the program and
# would inherit our output; CTest waits for its pipes to close, so the program writes
# to files that we pass on once it has ended.
out=$(mktemp) err=$(mktemp)
wine "$@" >"$out" 2>"$err"
rc=$?
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"

wine_session_end
exit $rc
