#!/usr/bin/env bash
# The package under Wine, as an administrator's script would use it: build it, install it
# silently, look at what it installed, type `kelvane status` at a prompt, install a rebuilt
# package of the same version and a newer package over it, refuse an older one, remove it,
# and check that nothing is left (files, shortcut, PATH entry, uninstall entry, event log
# source) and that the
# protection values and the stored password are what they were; then install and remove it
# once more without the PATH entry (ADDTOPATH=0), and once into a folder of the
# administrator's choosing (INSTALLDIR), which an upgrade keeps and removal clears.
#   msi_package_test.sh --prefix DIR --exe kelvane.exe --com kelvane.com --version X.Y.Z
# The values it sets for the run are put back at the end, whatever happens.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/scripts/wine-lib.sh"
source "$here/checks.sh"

prefix="" exe="" com="" version=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --com) com=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done
[[ -n $prefix && -n $exe && -n $com && -n $version ]] || { echo "usage: see the header" >&2; exit 2; }
exe=$(realpath "$exe")
com=$(realpath "$com")

work=$(mktemp -d)
saved=() # the values as they were before the run (below)
finish() {
    [[ ${#saved[@]} -eq 0 ]] || restore_values
    [[ -z ${path_before:-} ]] || restore_path
    wine_session_end
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM

# --- Packages: this version, the same rebuilt (a new product code), the next one up ------
IFS=. read -r major minor patch <<<"$version"
newer=$major.$minor.$((patch + 1))
build() { # VERSION OUT
    KELVANE_SIGN_PFX="" "$root/packaging/build-msi.sh" --version "$1" --exe "$exe" --com "$com" \
        --out "$2" >"$work/build.log" 2>&1 ||
        { cat "$work/build.log"; echo "FAIL building the $1 package"; exit 1; }
}
build "$version" "$work/kelvane-$version-x64.msi"
build "$version" "$work/rebuilt/kelvane-$version-x64.msi"
build "$newer" "$work/kelvane-$newer-x64.msi"
echo "ok   built the $version package twice and the $newer package"

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
    cmp -s "$exe" "$install_dir/kelvane.exe" && cmp -s "$com" "$install_dir/kelvane.com" &&
        cmp -s "$root/docs/status.schema.json" "$install_dir/status.schema.json" &&
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
# Each program's File table row carries the version its own resource gives (a.b.c.0) and
# no hash (MsiFileHash is for unversioned files only).
file_table_versions() {
    local program want row
    for program in kelvane.exe kelvane.com; do
        want="$(exe_version "$install_dir/$program").0"
        row=$(msiinfo export "$work/kelvane-$version-x64.msi" File | awk -F'\t' -v f="$program" '$1 == f')
        [[ $(cut -f5 <<<"$row") == "$want" ]] || { echo "     File row: $row (want $want)"; return 1; }
        msiinfo export "$work/kelvane-$version-x64.msi" MsiFileHash | grep -q "^$program"$'\t' &&
            { echo "     $program has a hash"; return 1; }
    done
    return 0
}
# The console twin is a console-subsystem program (PE optional header Subsystem = 3).
console_subsystem() {
    local pe
    pe=$(od -An -tu4 -j 60 -N 4 "$install_dir/kelvane.com" | tr -d ' ')
    [[ $(od -An -tu2 -j $((pe + 24 + 68)) -N 2 "$install_dir/kelvane.com" | tr -d ' ') == 3 ]]
}
# The uninstall entry's links and folder.
entry_value() { # NAME
    local key
    key=$(arp_entries | cut -f1)
    reg_value "$key" "$1" | sed 's/^REG_[A-Z_]* //'
}
entry_details() {
    local about help location
    about=$(entry_value URLInfoAbout) help=$(entry_value HelpLink)
    location=$(entry_value InstallLocation)
    [[ $about == http* && $help == http* && $location == 'C:\Program Files\Kelvane\' ]] ||
        { echo "     about '$about', help '$help', location '$location'"; return 1; }
}

# The machine's PATH, and whether the install folder is on it. Wine's installer leaves the
# ";" before an entry it removes (Windows removes it with the entry), and Wine's cmd stops
# searching the PATH at an empty entry: so the run starts from the PATH without empty
# entries, compares without them, and puts the PATH back as it was at the end.
env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
machine_path() { reg_value "$env_key" PATH | sed 's/^REG_[A-Z_]* //'; }
without_empty_entries() { tr -s ';' <<<"$1" | sed 's/^;//; s/;$//'; }
path_before=$(machine_path)
path_clean=$(without_empty_entries "$path_before")
winreg add "$env_key" /v PATH /t REG_EXPAND_SZ /d "$path_clean" /f >/dev/null
on_path() { tr ';' '\n' <<<"$(machine_path)" | grep -qixF 'C:\Program Files\Kelvane\'; }
path_as_before() {
    local now
    now=$(machine_path)
    [[ $(without_empty_entries "$now") == "$path_clean" ]] || { echo "     PATH is now '$now'"; return 1; }
}
restore_path() { winreg add "$env_key" /v PATH /t REG_EXPAND_SZ /d "$path_before" /f >/dev/null; }

# The event log source: Event Viewer finds the events' texts in the installed exe.
source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Kelvane'
event_source_registered() {
    local exe_path='C:\Program Files\Kelvane\kelvane.exe' name want got bad=0
    for name in EventMessageFile CategoryMessageFile CategoryCount TypesSupported; do
        case $name in
        *File) want="REG_SZ $exe_path" ;;
        CategoryCount) want="REG_DWORD 0x2" ;;
        TypesSupported) want="REG_DWORD 0x7" ;;
        esac
        got=$(reg_value "$source_key" "$name")
        [[ ${got,,} == "${want,,}" ]] || { echo "     $name is '$got', not '$want'"; bad=1; }
    done
    return $bad
}

check "install $version silently" msiexec /i "$work/kelvane-$version-x64.msi" /qn
check "the event log source Kelvane is registered with the installed exe's messages" event_source_registered
check "kelvane.exe, kelvane.com, the schema and the policy files in Program Files\\Kelvane" files_installed
check "kelvane.com is a console-subsystem program" console_subsystem
check "the File table gives both programs their version and no hash" file_table_versions
check "the install folder is on the machine's PATH" on_path
check "the uninstall entry has its about and help links and install location" entry_details
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

# Typed at a prompt, as the README says: `kelvane` is found on the PATH (kelvane.com before
# kelvane.exe), the prompt waits for it, and %ERRORLEVEL% is its exit code. The commands
# come from a file: Wine's cmd loses what follows the first line of a pipe.
at_prompt() {
    local out=$work/prompt.txt
    mkdir -p "$work/prompt"
    printf 'kelvane status\r\necho code=%%ERRORLEVEL%%\r\nkelvane set bogus on\r\necho code=%%ERRORLEVEL%%\r\nexit\r\n' \
        >"$work/prompt/commands.txt"
    (cd "$work/prompt" && timeout -k 5 60 wine cmd <commands.txt) >"$out" 2>&1
    tr -d '\r' <"$out" | awk '
        /USB Device Write Protection: Enabled$/ { state = 1 }
        /No USB Storage device detected\.$/ && state == 1 { state = 2 }
        />code=0$/ && state == 2 { state = 3 }
        /unknown protection: use write-protect/ && !/bogus/ && state == 3 { state = 4 }
        />code=2$/ && state == 4 { state = 5 }
        END { exit state == 5 ? 0 : 1 }' || { echo "     the prompt showed:"; sed 's/^/     | /' "$out" | head -20; return 1; }
}
check "at a prompt, kelvane status answers and sets %ERRORLEVEL%" at_prompt

# --- The same version again (a rebuilt package), then upgrade, and no downgrade -------------
check "install a rebuilt $version package over it silently" msiexec /i "$work/rebuilt/kelvane-$version-x64.msi" /qn
replaced() { one_entry "$version" && [[ $(product_codes) != "$codes" ]] ||
    { echo "     product codes before '$codes', now '$(product_codes)'"; return 1; }; }
check "one uninstall entry: the rebuilt package replaced the first" replaced
check "files, shortcut and PATH entry still in place" eval 'files_installed && shortcut_to_exe && on_path'
codes+=" $(product_codes)"

check "install $newer over it silently" msiexec /i "$work/kelvane-$newer-x64.msi" /qn
check "one uninstall entry, now $newer" one_entry "$newer"
check "files and shortcut still in place" eval 'files_installed && shortcut_to_exe'
check "the event log source still registered" event_source_registered
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
    winreg query "$source_key" >/dev/null 2>&1 && left+=("event log source")
    [[ -n $(product_icon) ]] && left+=("installer product registration")
    [[ -n $(reg_value 'HKLM\Software\Kelvane' InstallDir) ]] && left+=("the remembered install folder")
    for code in $codes; do
        [[ -e $(unix_path "C:\\windows\\Installer\\$code") ]] && left+=("Installer\\$code")
    done
    [[ ${#left[@]} -eq 0 ]] || { printf '     left: %s\n' "${left[@]}"; return 1; }
}
check "nothing left: files, shortcut, uninstall entry, event log source, cached icon" nothing_left
check "the machine's PATH as it was before the install" path_as_before
winreg add "$env_key" /v PATH /t REG_EXPAND_SZ /d "$path_clean" /f >/dev/null
check "protection values and stored password as before the run" values_unchanged

# --- Without the PATH entry ------------------------------------------------------------------
check "install $version with ADDTOPATH=0" msiexec /i "$work/kelvane-$version-x64.msi" /qn ADDTOPATH=0
check "programs installed, the PATH left alone" eval 'files_installed && path_as_before'
codes+=" $(product_codes)"
check "uninstall it" msiexec /x "$work/kelvane-$version-x64.msi" /qn
check "nothing left, the PATH as before" eval 'nothing_left && path_as_before'

# --- Into another folder --------------------------------------------------------------------
# Given without a closing backslash: Windows Installer adds it, and a backslash before the
# closing quote of a quoted argument would escape the quote.
custom='C:\Kelvane Test'
custom_dir=$(unix_path "$custom")
in_custom() {
    cmp -s "$exe" "$custom_dir/kelvane.exe" && cmp -s "$com" "$custom_dir/kelvane.com" &&
        [[ ! -e $install_dir ]] || { echo "     not (only) in $custom"; return 1; }
    tr ';' '\n' <<<"$(machine_path)" | grep -qixF "$custom\\" || { echo "     PATH: $(machine_path)"; return 1; }
    [[ $(entry_value InstallLocation) == "$custom\\" ]] ||
        { echo "     install location '$(entry_value InstallLocation)'"; return 1; }
}
check "install $version with INSTALLDIR=$custom" msiexec /i "$work/kelvane-$version-x64.msi" /qn "INSTALLDIR=$custom"
check "the programs there, on the PATH and in the uninstall entry" in_custom
codes+=" $(product_codes)"
check "install $newer over it without INSTALLDIR" msiexec /i "$work/kelvane-$newer-x64.msi" /qn
check "the upgrade stays in that folder" eval 'in_custom && one_entry "$newer"'
codes+=" $(product_codes)"
check "uninstall it without INSTALLDIR" msiexec /x "$work/kelvane-$newer-x64.msi" /qn
gone_from_custom() { [[ ! -e $custom_dir ]] || { echo "     left: $(ls -A "$custom_dir")"; return 1; }; }
check "nothing left in that folder or elsewhere, the PATH as before" eval 'gone_from_custom && nothing_left && path_as_before'

checks_done
