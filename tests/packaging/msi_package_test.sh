#!/usr/bin/env bash
# The package under Wine, as an administrator's script would use it: build it, install it
# silently, look at what it installed, run the installed program's status, install a
# newer package over it, refuse an older one, remove it, and check that nothing is left
# and that the protection values and the stored password are what they were.
#   msi_package_test.sh --prefix DIR --exe kelvane.exe --version X.Y.Z
# The values it sets for the run are put back at the end, whatever happens.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/scripts/wine-lib.sh"
source "$here/checks.sh"

prefix="" exe="" version=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done
[[ -n $prefix && -n $exe && -n $version ]] || { echo "usage: see the header" >&2; exit 2; }
exe=$(realpath "$exe")

work=$(mktemp -d)
saved=() # the values as they were before the run (below)
finish() {
    [[ ${#saved[@]} -eq 0 ]] || restore_values
    wine_session_end
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM

# --- Packages: this version and the next one up ----------------------------------------
IFS=. read -r major minor patch <<<"$version"
newer=$major.$minor.$((patch + 1))
for v in "$version" "$newer"; do
    KELVANE_SIGN_PFX="" "$root/packaging/build-msi.sh" --version "$v" --exe "$exe" \
        --out "$work/kelvane-$v-x64.msi" >"$work/build.log" 2>&1 ||
        { cat "$work/build.log"; echo "FAIL building the $v package"; exit 1; }
done
echo "ok   built the $version and $newer packages"

# --- Wine ---------------------------------------------------------------------------------
wine_session_begin "$prefix" || exit 1
# No desktop menu entries on the host for the shortcut.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

winreg() { wine reg "$@" 2>/dev/null | tr -d '\r'; }
# "TYPE DATA" of a value, or nothing when it is absent.
reg_value() { # KEY NAME
    winreg query "$1" /v "$2" | awk -v n="$2" '$1 == n { $1 = ""; sub(/^ +/, ""); print }'
}
msiexec() { # ARGS... (package paths as Unix paths)
    local args=() a
    for a in "$@"; do
        [[ $a == /* && -e $a ]] && a=$(winepath -w "$a" 2>/dev/null)
        args+=("$a")
    done
    wine msiexec "${args[@]}" >/dev/null 2>&1
}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# "KEY<TAB>DisplayVersion<TAB>Publisher" for each uninstall entry named Kelvane.
arp_entries() {
    winreg query "$uninstall_key" /s | awk '
        /^HKEY/ { if (name == "Kelvane") print key "\t" ver "\t" pub; key = $0; name = ver = pub = "" }
        $1 == "DisplayName" { name = $0; sub(/^ *DisplayName +REG_SZ +/, "", name) }
        $1 == "DisplayVersion" { ver = $0; sub(/^ *DisplayVersion +REG_SZ +/, "", ver) }
        $1 == "Publisher" { pub = $0; sub(/^ *Publisher +REG_SZ +/, "", pub) }
        END { if (name == "Kelvane") print key "\t" ver "\t" pub }'
}
# The icon file the installer registered for Kelvane (what Programs and Features shows).
product_icon() {
    winreg query 'HKLM\Software\Classes\Installer\Products' /s | awk '
        /^HKEY/ { if (name == "Kelvane") print icon; name = icon = "" }
        $1 == "ProductName" { name = $0; sub(/^ *ProductName +REG_SZ +/, "", name) }
        $1 == "ProductIcon" { icon = $0; sub(/^ *ProductIcon +REG_SZ +/, "", icon) }
        END { if (name == "Kelvane") print icon }'
}
unix_path() { winepath -u "$1" 2>/dev/null; }
product_codes() { arp_entries | awk -F'\t' '{ n = split($1, p, "\\"); print p[n] }'; }

# Leftovers of an earlier, interrupted run would spoil the counts.
for code in $(product_codes); do
    msiexec /x "$code" /qn
done

# --- The protection values and the password store, set for the run ------------------------
values=(
    'HKLM\SYSTEM\CurrentControlSet\Control\StorageDevicePolicies|WriteProtect|REG_DWORD|1'
    'HKLM\SYSTEM\CurrentControlSet\services\USBSTOR|Start|REG_DWORD|4'
    'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\Explorer|NoDriveTypeAutoRun|REG_DWORD|255'
    'HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\Explorer|NoDriveTypeAutoRun|REG_DWORD|255'
    'HKCU\Software\kelvane\settings|p|REG_SZ|msi-test-marker'
)
restore_values() {
    local i key name type data old
    for i in "${!saved[@]}"; do
        IFS='|' read -r key name type data <<<"${values[$i]}"
        old=${saved[$i]}
        case $old in
        nokey\ *) winreg delete "${old#nokey }" /f >/dev/null ;;
        novalue) winreg delete "$key" /v "$name" /f >/dev/null ;;
        *) winreg add "$key" /v "$name" /t "${old%% *}" /d "${old#* }" /f >/dev/null ;;
        esac
    done
    saved=()
}
# The outermost key of KEY that does not exist yet, so that restoring removes all it adds.
first_missing() { # KEY
    local parent=${1%\\*}
    if [[ $parent == "$1" ]] || winreg query "$parent" >/dev/null; then
        echo "$1"
    else
        first_missing "$parent"
    fi
}
for entry in "${values[@]}"; do
    IFS='|' read -r key name type data <<<"$entry"
    if ! winreg query "$key" >/dev/null; then
        saved+=("nokey $(first_missing "$key")")
    else
        old=$(reg_value "$key" "$name")
        saved+=("${old:-novalue}")
    fi
    winreg add "$key" /v "$name" /t "$type" /d "$data" /f >/dev/null
done
values_unchanged() {
    local entry key name type data now
    for entry in "${values[@]}"; do
        IFS='|' read -r key name type data <<<"$entry"
        now=$(reg_value "$key" "$name")
        [[ $type == REG_DWORD ]] && data=$(printf '0x%x' "$data")
        [[ $now == "$type $data" ]] || { echo "     $key\\$name is now '$now'"; return 1; }
    done
}

# --- Install ---------------------------------------------------------------------------------
install_dir=$(unix_path 'C:\Program Files\Kelvane')
shell_folder() { # ROOT NAME
    local data
    data=$(reg_value "$1\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" "$2")
    unix_path "${data#REG_SZ }"
}
programs=("$(shell_folder HKLM 'Common Programs')" "$(shell_folder HKCU Programs)")
# Windows puts a per-machine shortcut into the common Programs folder; Wine's installer
# always uses the user's (it ignores ALLUSERS there), so either one counts.
shortcuts() { local d; for d in "${programs[@]}"; do [[ -e $d/Kelvane.lnk ]] && echo "$d/Kelvane.lnk"; done; }
files_installed() {
    cmp -s "$exe" "$install_dir/kelvane.exe" &&
        cmp -s "$root/policy/kelvane.admx" "$install_dir/policy/kelvane.admx" &&
        cmp -s "$root/policy/en-US/kelvane.adml" "$install_dir/policy/en-US/kelvane.adml"
}
one_entry() { # VERSION
    local entries
    entries=$(arp_entries)
    [[ $(grep -c . <<<"$entries") -eq 1 ]] || { echo "     entries: ${entries:-none}"; return 1; }
    [[ $(cut -f2 <<<"$entries") == "$1" && $(cut -f3 <<<"$entries") == "Mira Tollund" ]] ||
        { echo "     entry: $entries"; return 1; }
}
shortcut_to_exe() {
    local lnk
    lnk=$(shortcuts)
    [[ $(grep -c . <<<"$lnk") -eq 1 ]] && grep -aq 'Program Files\\Kelvane\\kelvane.exe' "$lnk"
}
icon_registered() {
    local icon
    icon=$(product_icon)
    [[ -n $icon ]] && cmp -s "$root/art/kelvane.ico" "$(unix_path "$icon")"
}

# major.minor.patch from the exe's fixed version information (after its signature word).
exe_version() { # FILE
    local at
    at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -1 | cut -d: -f1)
    [[ -n $at ]] && od -An -tu2 -j $((at + 8)) -N 8 "$1" | awk '{ print $2 "." $1 "." $4 }'
}
version_resource() { [[ $(exe_version "$install_dir/kelvane.exe") == "$version" ]]; }

check "install $version silently" msiexec /i "$work/kelvane-$version-x64.msi" /qn
check "kelvane.exe and the policy files in Program Files\\Kelvane" files_installed
check "Start-menu shortcut \"Kelvane\" to the installed exe" shortcut_to_exe
check "one uninstall entry: Kelvane $version by Mira Tollund" one_entry "$version"
check "the installed exe's version resource says $version" version_resource
check "the program's icon registered for Programs and Features" icon_registered
check "installing left the protection values and stored password alone" values_unchanged
codes=$(product_codes)

# --- The installed program, as a script runs it ---------------------------------------------
status_json() {
    local out=$work/status.json rc
    timeout -k 5 30 wine 'C:\Program Files\Kelvane\kelvane.exe' status --json >"$out" 2>"$work/status.err"
    rc=$?
    [[ $rc -ne 124 ]] || { echo "     no answer within 30 s"; return 1; }
    [[ $rc -eq 0 ]] || { echo "     exit code $rc: $(head -c 300 "$work/status.err")"; return 1; }
    local json
    json=$(tr -d ' \t\r\n' <"$out")
    [[ $json == \{*\} && $json == *'"writeProtect":true'* && $json == *'"usbLock":true'* &&
        $json == *'"autorun":false'* && $json == *'"drives":['* ]] ||
        { echo "     printed: $(head -c 300 "$out")"; return 1; }
}
check "installed kelvane.exe status --json reads the values" status_json

# --- Upgrade, and no downgrade ----------------------------------------------------------------
check "install $newer over it silently" msiexec /i "$work/kelvane-$newer-x64.msi" /qn
check "one uninstall entry, now $newer" one_entry "$newer"
check "files and shortcut still in place" eval 'files_installed && shortcut_to_exe'
refuses_older() { ! msiexec /i "$work/kelvane-$version-x64.msi" /qn && one_entry "$newer"; }
check "the older package refuses to replace the newer one" refuses_older

# --- Uninstall --------------------------------------------------------------------------------
codes+=" $(product_codes)"
check "uninstall silently" msiexec /x "$work/kelvane-$newer-x64.msi" /qn
nothing_left() {
    local left=() code
    [[ -e $install_dir ]] && left+=("$install_dir")
    while read -r lnk; do [[ -n $lnk ]] && left+=("$lnk"); done < <(shortcuts)
    [[ -n $(arp_entries) ]] && left+=("uninstall entry")
    [[ -n $(product_icon) ]] && left+=("installer product registration")
    for code in $codes; do
        [[ -e $(unix_path "C:\\windows\\Installer\\$code") ]] && left+=("Installer\\$code")
    done
    [[ ${#left[@]} -eq 0 ]] || { printf '     left: %s\n' "${left[@]}"; return 1; }
}
check "nothing left: files, shortcut, uninstall entry, cached icon" nothing_left
check "protection values and stored password as before the run" values_unchanged

checks_done
