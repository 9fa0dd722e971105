#!/usr/bin/env bash
# Wine for the Windows tests: a private prefix, a persistent wineserver and the variables every
# wine call needs. The X side (Xvfb, trayer) comes from tests/e2e/lib/xsession.sh.
#
# Sourced:  . tests/win32/lib/wine.sh
#           wine_env [prefix]      # exports WINEPREFIX (kept when set), WINEARCH, WINEDEBUG, ...
#           wine_prepare           # makes the prefix once: wineboot -i, no crash dialog
#           wine_server_start      # wineserver -p and one wineboot, streams detached
#           wine_server_stop       # wineserver -k, then waits for it to go
#           wine_server_ensure [s] # a server for one run when none is there, gone when idle
# Run:      tests/win32/lib/wine.sh [--prefix DIR] -- command args...   (WINEPREFIX wins)
#           (prepares the prefix, runs the command between server start and stop)
#
# Why the server is started first: Wine's background processes inherit the standard streams
# of the first Wine process. Started from a test, they hold the test's pipes open, so every
# test waits for them; started here with the streams on /dev/null, they hold nothing.

wine_log() { echo "wine.sh: $*" >&2; }

wine_env() {
    export WINEPREFIX=${WINEPREFIX:-${1:?wine_env: no WINEPREFIX and no default given}}
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    # No prompts for the Mono and Gecko add-ons.
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

wine_prepare() {
    local stamp="$WINEPREFIX/.vistrel-prepared"
    [[ -f "$stamp" ]] && return 0
    mkdir -p "$WINEPREFIX" || return 1
    (
        # Two test runs sharing a prefix make it once.
        flock 9
        [[ -f "$stamp" ]] && exit 0
        wine_log "preparing the Wine prefix $WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1 || { wine_log "wineboot -i failed"; exit 1; }
        # A crashing test exits with code 5 and a backtrace instead of waiting on a dialog.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            </dev/null >/dev/null 2>&1 || { wine_log "cannot turn off the crash dialog"; exit 1; }
        wineserver -w
        touch "$stamp"
    ) 9>"$WINEPREFIX/.vistrel-lock"
}

wine_server_start() {
    # A server left running for this prefix (a run that was killed) serves as well.
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
}

# For a single program run: when no server runs for the prefix (none was started, or a test
# stopped it), one is started that ends by itself once idle for the given seconds.
wine_server_ensure() {
    # wineserver -p answers 0 when it became the server, 2 when one was running.
    if wineserver -p"${1:-10}" </dev/null >/dev/null 2>&1; then
        wine wineboot </dev/null >/dev/null 2>&1
    fi
    return 0
}

wine_server_stop() {
    wineserver -k </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1
    return 0
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -u
    prefix=
    while (($#)); do
        case $1 in
        --prefix) prefix=$2; shift 2 ;;
        --) shift; break ;;
        *) wine_log "usage: $0 [--prefix DIR] -- command args..."; exit 2 ;;
        esac
    done
    (($#)) || { wine_log "no command given"; exit 2; }
    [[ -n "$prefix" || -n "${WINEPREFIX:-}" ]] || { wine_log "give --prefix or WINEPREFIX"; exit 2; }
    wine_env "$prefix"
    wine_prepare || exit 1
    wine_server_start || { wine_log "cannot start wineserver"; exit 1; }
    trap wine_server_stop EXIT
    rc=0
    "$@" || rc=$?
    exit "$rc"
fi
