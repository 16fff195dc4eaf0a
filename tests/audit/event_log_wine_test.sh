#!/usr/bin/env bash
# The events the real programs write, read from Wine's event log channel: Wine's
# ReportEventW stores nothing but prints each event's strings (WINEDEBUG=+eventlog:
# "trace:" for information, "warn:" for warnings, "err:" for errors). A change from the
# command line, one from the window, one Windows refuses (the key made read-only), and a
# wrong password at the command line and at the login dialog.
#   event_log_wine_test.sh --prefix DIR --exe kelvane.exe --com kelvane.com --poke poke.exe
#                          --keyaccess keyaccess.exe
# The lock's value, its key's access list and the stored password are put back at the end.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/scripts/wine-lib.sh"
source "$root/tests/packaging/checks.sh"

prefix="" exe="" com="" poke="" keyaccess=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --com) com=$2; shift 2 ;;
    --poke) poke=$2; shift 2 ;;
    --keyaccess) keyaccess=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done
[[ -n $prefix && -n $exe && -n $com && -n $poke && -n $keyaccess ]] ||
    { echo "usage: see the header" >&2; exit 2; }

work=$(mktemp -d)
lock_key='HKLM\SYSTEM\CurrentControlSet\Services\USBSTOR'
store_key='HKCU\Software\kelvane\settings'
start_before="" password_before="" access_before="" key_made=""
finish() {
    if [[ -n $access_before ]]; then
        wine "$keyaccess" set "$lock_key" "$access_before" >/dev/null 2>&1
    fi
    if [[ -n $key_made ]]; then
        wine reg delete "$lock_key" /f >/dev/null 2>&1
    elif [[ -n $start_before ]]; then
        wine reg add "$lock_key" /v Start /t REG_DWORD /d "$((start_before))" /f >/dev/null 2>&1
    elif [[ -n $access_before ]]; then
        wine reg delete "$lock_key" /v Start /f >/dev/null 2>&1
    fi
    if [[ -n $password_before ]]; then
        wine reg add "$store_key" /v p /d "$password_before" /f >/dev/null 2>&1
    else
        wine reg delete "$store_key" /v p /f >/dev/null 2>&1
    fi
    wine_session_end
    rm -rf "$work"
}

wine_session_begin "$prefix" || exit 1
trap finish EXIT
trap 'exit 1' INT TERM
# Only the event log's channel, all three classes.
export WINEDEBUG=-all,+eventlog

value() { # KEY NAME: the value's data, or nothing
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
# A new prefix has no key for the storage driver yet: it is made here and goes at the end.
if ! wine reg query "$lock_key" >/dev/null 2>&1; then
    wine reg add "$lock_key" /f >/dev/null 2>&1 && key_made=1
fi
start_before=$(value "$lock_key" Start) # "0x3", or nothing when there is no value
password_before=$(value "$store_key" p)
access_before=$(wine "$keyaccess" get "$lock_key" 2>/dev/null | tr -d '\r')
[[ -n $access_before ]] || { echo "FAIL reading the access list of $lock_key"; exit 1; }
wine reg delete "$store_key" /v p /f >/dev/null 2>&1

# The strings of the events of class CLASS in FILE, one per line, as Wine printed them.
events() { # FILE CLASS
    tr -d '\r' <"$1" | sed -n "s/^[0-9a-f]*:$2:eventlog:ReportEventW L\"\(.*\)\"\$/\1/p"
}
# FILE holds, of class CLASS, exactly the strings given, in order.
logged() { # FILE CLASS STRING...
    local file=$1 class=$2
    shift 2
    local want got
    want=$(printf '%s\n' "$@")
    got=$(events "$file" "$class")
    [[ $got == "$want" ]] || { echo "     wanted: ${want//$'\n'/ | }"; echo "     got:    ${got//$'\n'/ | }"; return 1; }
}
none_of() { # FILE CLASS
    [[ -z $(events "$1" "$2") ]]
}

# --- The command line ---------------------------------------------------------------------
wine "$com" set usb-lock off >/dev/null 2>&1
cli_change() {
    wine "$com" set usb-lock on >"$work/out" 2>"$work/cli.err" &&
        logged "$work/cli.err" trace "USB Device Lock" Unlocked Locked "Kelvane command line" Done &&
        none_of "$work/cli.err" warn
}
check "a change at the command line is an information event: what, from, to, where, result" cli_change

cli_refused() {
    wine "$keyaccess" set "$lock_key" 'D:P(A;;KR;;;WD)' || return 1
    wine "$com" set usb-lock off >"$work/out" 2>"$work/refused.err"
    local rc=$?
    wine "$keyaccess" set "$lock_key" "$access_before" || return 1
    [[ $rc -eq 1 ]] && none_of "$work/refused.err" trace &&
        logged "$work/refused.err" warn "USB Device Lock" Locked Unlocked "Kelvane command line" \
            "Refused by Windows: Access denied (error 5)"
}
check "a refused change is a warning event with Windows' reason" cli_refused

no_event_for_status() {
    wine "$com" status >"$work/out" 2>"$work/status.err" &&
        none_of "$work/status.err" trace && none_of "$work/status.err" warn
}
check "status writes no event" no_event_for_status

wine reg add "$store_key" /v p /d "right one" /f >/dev/null 2>&1
cli_wrong_password() {
    printf 'wrong one\r\n' >"$work/wrong.txt"
    wine "$com" set usb-lock off --password-stdin <"$work/wrong.txt" >"$work/out" 2>"$work/wrong.err"
    [[ $? -eq 1 ]] && logged "$work/wrong.err" warn "Kelvane command line" &&
        none_of "$work/wrong.err" trace && [[ $(value "$lock_key" Start) == 0x4 ]]
}
check "a wrong password at the command line is a warning event, and nothing changes" cli_wrong_password

# --- The window ---------------------------------------------------------------------------
title="Kelvane - USB Device Security Protection"
# Waits for the window program to end, up to 30 s.
ended() { # PID
    local i
    for i in $(seq 1 300); do
        kill -0 "$1" 2>/dev/null || { wait "$1"; return 0; }
        sleep 0.1
    done
    return 1
}
# Waits until FILE holds an event string STRING, up to 30 s.
seen() { # FILE STRING
    local i
    for i in $(seq 1 300); do
        tr -d '\r' <"$1" | grep -qF "L\"$2\"" && return 0
        sleep 0.1
    done
    return 1
}

login_wrong() {
    wine "$exe" 2>"$work/login.err" &
    local pid=$!
    # The box is empty: a wrong password. The message box that says so is then closed, and
    # the dialog with it ends the program.
    wine "$poke" click Login "&Login" >/dev/null 2>&1 &&
        seen "$work/login.err" "Kelvane window" &&
        wine "$poke" close Kelvane >/dev/null 2>&1 &&
        sleep 1 && wine "$poke" close Login >/dev/null 2>&1
    ended "$pid" && logged "$work/login.err" warn "Kelvane window" && none_of "$work/login.err" trace
}
check "a wrong password at the login dialog is a warning event" login_wrong
wine reg delete "$store_key" /v p /f >/dev/null 2>&1

window_change() {
    wine "$exe" 2>"$work/window.err" &
    local pid=$!
    # The lock is on: its button offers to unlock.
    wine "$poke" click "$title" "&Unlock" >/dev/null 2>&1 &&
        seen "$work/window.err" "Kelvane window" &&
        wine "$poke" close "$title" >/dev/null 2>&1
    ended "$pid" &&
        logged "$work/window.err" trace "USB Device Lock" Locked Unlocked "Kelvane window" Done &&
        [[ $(value "$lock_key" Start) == 0x3 ]]
}
check "a change at the window is an information event" window_change

checks_done
