# Shared by the benchmark scripts (bench-startup.sh, bench-idle.sh): the Windows build they
# measure, a Wine prefix of their own in it, a display, one wineserver for the whole run,
# and the machine they ran on. Source it; don't run it.
#
#   bench_setup BUILD_DIR TARGETS...   configure (if needed) and build the targets, start
#                                      the display and the wineserver, export BENCH_PREFIX
#   bench_state_values_present         no password, the protections' values all present
#   bench_machine                      one line: CPU, cores, load, kernel, Wine
#   bench_cleanup                      stops what bench_setup started (set as EXIT trap)

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$bench_root/scripts/wine-lib.sh"

BENCH_BUILD=""
BENCH_PREFIX=""
bench_server=""

bench_setup() { # BUILD_DIR TARGETS...
    BENCH_BUILD=$(realpath -m "$1")
    shift
    if [[ ! -f $BENCH_BUILD/CMakeCache.txt ]]; then
        cmake -S "$bench_root" -B "$BENCH_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            --toolchain "$bench_root/cmake/mingw-w64-x86_64.cmake" >/dev/null || return 1
    fi
    cmake --build "$BENCH_BUILD" -j2 --target "$@" >/dev/null || {
        echo "bench: build failed in $BENCH_BUILD" >&2
        return 1
    }
    # A prefix apart from the tests' one, so no test leaves a password or a drive in it.
    BENCH_PREFIX=$BENCH_BUILD/wineprefix-bench
    if [[ -z ${DISPLAY:-} ]]; then
        xvfb_start || return 1
    fi
    wine_prepare "$BENCH_PREFIX" || return 1
    # One wineserver for the whole run: no start pays for starting one.
    wineserver -p && bench_server=1
    # Wine's own first start (services, the desktop) is not what is measured.
    wine cmd /c exit >/dev/null 2>&1
}

bench_cleanup() {
    if [[ -n $bench_server ]]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
        bench_server=""
    fi
    xvfb_stop
}

# Runs a Windows program of the build in the bench prefix, its output passed on.
bench_wine() {
    wine "$@"
}

bench_reg() { # reg.exe arguments
    wine reg "$@" >/dev/null 2>&1
}

bench_state_values_present() {
    bench_reg delete 'HKCU\Software\kelvane' /f
    bench_reg add 'HKLM\SYSTEM\CurrentControlSet\Control\StorageDevicePolicies' /v WriteProtect /t REG_DWORD /d 0 /f
    bench_reg add 'HKLM\SYSTEM\CurrentControlSet\services\USBSTOR' /v Start /t REG_DWORD /d 3 /f
    local root
    for root in HKLM HKCU; do
        bench_reg add "$root\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer" /v NoDriveTypeAutoRun /t REG_DWORD /d 0 /f
    done
}

# The removable drives the prefix has (letters), from Wine's drive list.
bench_removable_letters() {
    local link
    for link in "$BENCH_PREFIX"/dosdevices/?:; do
        [[ -e $link || -L $link ]] || continue
        local letter=${link##*/}
        if wine reg query 'HKLM\Software\Wine\Drives' /v "$letter" 2>/dev/null | grep -qi floppy; then
            echo "${letter^^}"
        fi
    done
}

bench_machine() {
    local cpu cores load wine_version
    cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
    cores=$(nproc)
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    wine_version=$(wine --version 2>/dev/null)
    echo "machine: ${cpu:-unknown CPU}, $cores cores, load average $load, $(uname -sr), ${wine_version:-Wine}"
}
