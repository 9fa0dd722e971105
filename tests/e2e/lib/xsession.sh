#!/usr/bin/env bash
# A private X session for end-to-end tests: Xvfb on a free display, optionally trayer as the
# notification-area host, and clean-up of everything it started when the shell exits.
#
# Sourced:   . tests/e2e/lib/xsession.sh
#            xsession_start            # exports DISPLAY; starts the tray host too
#            xs_wait_until 10 some_check args...
#            xsession_screenshot out.png [WxH+X+Y]
#            (everything started is stopped on exit, unless the caller has an EXIT trap of
#            its own, which then calls xsession_stop; xsession_stop also does it earlier)
# Run:       tests/e2e/lib/xsession.sh [--no-tray] -- command args...
#
# Settings (environment): XS_SCREEN (default 800x600x24), XS_TRAY_HEIGHT (default 32),
# XS_DIR (logs; default a new temporary folder).

XS_SCREEN=${XS_SCREEN:-800x600x24}
XS_TRAY_HEIGHT=${XS_TRAY_HEIGHT:-32}
XS_XVFB_PID=
XS_TRAY_PID=
XS_OWN_DIR=

xs_log() { echo "xsession: $*" >&2; }

# X clients of the tests never wait forever: a server that stops answering (a grab left behind,
# a stuck client) shows as a failed check with the processes listed, not as a silent time-out
# of the whole test. Sourcing scripts call these tools through the wrappers below.
XS_CALL_TIMEOUT=${XS_CALL_TIMEOUT:-15}
XS_DUMPED=
xs_dump_processes() {
    [[ -n "$XS_DUMPED" ]] && return 0
    XS_DUMPED=1
    xs_log "processes at $(date +%T):"
    ps -eo pid,ppid,stat,wchan:24,etime,args --forest 2>/dev/null |
        grep -v -e ' \\_ ps -eo' -e '\[.*\]$' >&2
}
xs_bounded() {
    local rc=0
    timeout -k 2 "$XS_CALL_TIMEOUT" "$@" || rc=$?
    if ((rc == 124 || rc == 137)); then
        xs_log "$1 got no answer within $XS_CALL_TIMEOUT s: $*"
        xs_dump_processes
    fi
    return "$rc"
}
# xwininfo without a window asks the user to click one and waits for that click: an empty id
# (a window not known yet) is a failed query instead.
xwininfo() {
    local arg previous=
    for arg in "$@"; do
        if [[ "$previous" == "-id" && -z "$arg" ]]; then
            xs_log "xwininfo: no window id given"
            return 1
        fi
        previous=$arg
    done
    xs_bounded xwininfo "$@"
}
xprop() { xs_bounded xprop "$@"; }
xdotool() { xs_bounded xdotool "$@"; }
xdpyinfo() { xs_bounded xdpyinfo "$@"; }
import() { xs_bounded import "$@"; }

# Polls a command every 0.1 s until it succeeds or the deadline (seconds) passes.
xs_wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    while true; do
        if "$@"; then
            return 0
        fi
        if ((SECONDS >= deadline)); then
            return 1
        fi
        sleep 0.1
    done
}

xs_file_not_empty() { [[ -s "$1" ]]; }
xs_process_gone() { ! kill -0 "$1" 2>/dev/null; }
# Ends a process we started: asks first, then forces it after a few seconds, and reaps it.
xs_stop_process() {
    [[ -z "${1:-}" ]] && return 0
    kill "$1" 2>/dev/null
    xs_wait_until 5 xs_process_gone "$1" || kill -9 "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    return 0
}

# True while the tray host's panel window exists on the display.
xs_tray_present() { xwininfo -root -tree 2>/dev/null | grep -q '"panel": ("panel" "trayer")'; }
xs_tray_absent() { ! xs_tray_present; }

xsession_tray_start() {
    if [[ -n "$XS_TRAY_PID" ]] && kill -0 "$XS_TRAY_PID" 2>/dev/null; then
        return 0
    fi
    trayer --edge top --align right --widthtype request --height "$XS_TRAY_HEIGHT" \
        --SetDockType true --transparent false --tint 0xdddddd \
        >>"$XS_DIR/trayer.log" 2>&1 &
    XS_TRAY_PID=$!
    if ! xs_wait_until 15 xs_tray_present; then
        xs_log "the tray host did not come up (see $XS_DIR/trayer.log)"
        return 1
    fi
}

xsession_tray_stop() {
    [[ -z "$XS_TRAY_PID" ]] && return 0
    kill "$XS_TRAY_PID" 2>/dev/null
    xs_wait_until 10 xs_process_gone "$XS_TRAY_PID" || kill -9 "$XS_TRAY_PID" 2>/dev/null
    wait "$XS_TRAY_PID" 2>/dev/null
    XS_TRAY_PID=
    xs_wait_until 10 xs_tray_absent
}

xsession_start() {
    local tray=1
    [[ "${1:-}" == "--no-tray" ]] && tray=0
    for tool in Xvfb xwininfo; do
        if ! type -P "$tool" >/dev/null; then
            xs_log "$tool is missing (scripts/install-deps.sh installs it)"
            return 1
        fi
    done
    if [[ -z "${XS_DIR:-}" ]]; then
        XS_DIR=$(mktemp -d "${TMPDIR:-/tmp}/xsession-XXXXXX")
        XS_OWN_DIR=$XS_DIR
    fi
    mkdir -p "$XS_DIR"
    # A caller with an EXIT trap of its own calls xsession_stop from it.
    [[ -z "$(trap -p EXIT)" ]] && trap xsession_stop EXIT
    local fdfile="$XS_DIR/display"
    : >"$fdfile"
    # -displayfd picks a free display number and writes it once the server accepts clients.
    Xvfb -displayfd 3 -screen 0 "$XS_SCREEN" -nolisten tcp -noreset 3>"$fdfile" \
        >>"$XS_DIR/xvfb.log" 2>&1 &
    XS_XVFB_PID=$!
    if ! xs_wait_until 20 xs_file_not_empty "$fdfile"; then
        xs_log "Xvfb did not start (see $XS_DIR/xvfb.log)"
        return 1
    fi
    export DISPLAY=":$(tr -d '[:space:]' <"$fdfile")"
    # An X11 session: run from a Wayland desktop, the program would otherwise take the
    # compositor for its own and leave the private display alone.
    unset WAYLAND_DISPLAY
    # Programs want a private runtime folder; the toolkit warns without one.
    if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
        export XDG_RUNTIME_DIR="$XS_DIR/runtime"
        mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    fi
    export QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY
    if ((tray)); then
        if ! command -v trayer >/dev/null; then
            xs_log "trayer is missing (scripts/install-deps.sh installs it)"
            return 1
        fi
        xsession_tray_start || return 1
    fi
    xs_log "display $DISPLAY ready"
}

xsession_stop() {
    xsession_tray_stop
    if [[ -n "$XS_XVFB_PID" ]]; then
        xs_stop_process "$XS_XVFB_PID"
        XS_XVFB_PID=
    fi
    if [[ -n "$XS_OWN_DIR" && -z "${XS_KEEP:-}" ]]; then
        rm -rf "$XS_OWN_DIR"
        XS_OWN_DIR=
    fi
}

# Screenshot of the whole screen, or of a WxH+X+Y region of it.
xsession_screenshot() {
    local out=$1 region=${2:-}
    if [[ -n "$region" ]]; then
        import -display "$DISPLAY" -window root -crop "$region" +repage "$out"
    else
        import -display "$DISPLAY" -window root "$out"
    fi
}

# The tray panel's geometry as "X Y W H" (screen coordinates); fails when there is none.
xs_tray_geometry() {
    local id
    id=$(xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {print $1; exit}')
    [[ -z "$id" ]] && return 1
    xwininfo -id "$id" | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF}
        END {print x, y, w, h}'
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -u
    tray_arg=
    if [[ "${1:-}" == "--no-tray" ]]; then
        tray_arg=--no-tray
        shift
    fi
    [[ "${1:-}" == "--" ]] && shift
    if (($# == 0)); then
        echo "usage: $0 [--no-tray] -- command args..." >&2
        exit 2
    fi
    xsession_start $tray_arg || exit 1
    "$@"
    status=$?
    exit $status
fi
