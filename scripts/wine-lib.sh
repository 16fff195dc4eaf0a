# Shared by the scripts that run Windows programs: a private Wine prefix in the build
# tree and, when there is no X display, an Xvfb of our own. Source it; don't run it.
# Nothing here touches ~/.wine.

wine_env() { # PREFIX
    export WINEPREFIX=$1
    export WINEARCH=win64
    export WINEDEBUG=${KELVANE_WINEDEBUG:--all}
    # No Mono or Gecko install prompts in a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Creates the prefix once. Concurrent callers wait on a lock beside it.
wine_prepare() { # PREFIX
    wine_env "$1"
    mkdir -p "$(dirname "$1")"
    (
        flock 8
        if [[ ! -f $1/.kelvane-ready ]]; then
            rm -rf "$1"
            wine wineboot -i >/dev/null 2>&1 || true
            wineserver -w
            # One shared virtual desktop with drawn frames, so screenshots show whole
            # windows; read when the wineserver starts, hence set with it stopped.
            wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
            wineserver -w
            [[ -f $1/system.reg ]] || { echo "wine-lib: could not create the prefix $1" >&2; exit 1; }
            touch "$1/.kelvane-ready"
        fi
        # Wine's own fonts are installed but not found from a fresh prefix: without Marlett
        # the title bars' close boxes show an "r", without Tahoma its labels fall back.
        local font fonts=$1/drive_c/windows/Fonts
        for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
            if [[ ! -f $fonts/$font && -f /usr/share/wine/fonts/$font ]]; then
                cp "/usr/share/wine/fonts/$font" "$fonts/"
            fi
        done
    ) 8>"$1.lock"
}

KELVANE_XVFB_PID=""
# Starts Xvfb on a free display and exports DISPLAY; xvfb_stop ends it again.
xvfb_start() {
    local n
    for n in $(seq 90 140); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        KELVANE_XVFB_PID=$!
        local i
        for i in $(seq 1 50); do
            [[ -e /tmp/.X11-unix/X$n ]] && break
            kill -0 "$KELVANE_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if [[ -e /tmp/.X11-unix/X$n ]]; then
            export DISPLAY=":$n"
            return 0
        fi
    done
    echo "wine-lib: could not start Xvfb" >&2
    return 1
}

xvfb_stop() {
    if [[ -n $KELVANE_XVFB_PID ]]; then
        kill "$KELVANE_XVFB_PID" 2>/dev/null || true
        wait "$KELVANE_XVFB_PID" 2>/dev/null || true
        KELVANE_XVFB_PID=""
    fi
}

KELVANE_OWN_DISPLAY=""
# Ready for a run of Windows programs: the prefix made, and a display. Without one it starts
# an Xvfb of its own, private to this run, so runs that need one take turns.
# wine_session_end stops what this one started.
wine_session_begin() { # PREFIX
    if [[ -z ${DISPLAY:-} ]]; then
        exec 7>"$1.run-lock"
        flock 7
        xvfb_start || return 1
        KELVANE_OWN_DISPLAY=1
    fi
    # Our Xvfb holds the run lock it inherited: it must not outlive a failed start.
    wine_prepare "$1" || { wine_session_end; return 1; }
}

wine_session_end() {
    if [[ -n $KELVANE_OWN_DISPLAY ]]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        xvfb_stop
        KELVANE_OWN_DISPLAY=""
    fi
}
