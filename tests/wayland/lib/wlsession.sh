#!/usr/bin/env bash
# A private Wayland session for end-to-end tests: a headless sway (software rendering, XWayland
# started at once) on a session bus of its own, swaybar as the tray host (the
# StatusNotifierWatcher), and clean-up of everything it started when the shell exits.
#
# sway refuses to run as root, so under root the session and every program in it run as
# nobody (uid 65534) through setpriv, in a scratch folder nobody owns; programs the test
# brings are copied there first (wl_import). Under any other user all of it runs as that user.
#
# Sourced:   . tests/wayland/lib/wlsession.sh
#            wlsession_start [--no-bar]   # WL_WAYLAND, WL_X_DISPLAY, WL_BUS are known then
#            wl_run prog args...          # a command inside the session, as its user
#            wl_spawn NAME prog args...   # the same in the background; stopped on exit
#            wl_keys -k F4                # wtype (waits 150 ms first, or the first keys are lost)
#            wl_pointer_start VPTR; wl_pointer abs 10 10; wl_pointer click 3
#            wl_screenshot out.png [X,Y WxH]
#            wl_bar_start / wl_bar_stop   # swaybar, the tray host
#            (everything started is stopped on exit, unless the caller has an EXIT trap of
#            its own, which then calls wlsession_stop)
#
# Settings (environment): WL_SIZE (default 1280x720), WL_DIR (scratch; default a new
# temporary folder, removed at the end unless WL_KEEP is set), WL_CALL_TIMEOUT (15 s).

WL_SIZE=${WL_SIZE:-1280x720}
WL_CALL_TIMEOUT=${WL_CALL_TIMEOUT:-15}
WL_BAR_ID=tests
WL_OWN_DIR=
WL_UID=
WL_RT=
WL_HOME=
WL_WAYLAND=
WL_X_DISPLAY=
WL_BUS=
WL_SWAYSOCK=
WL_DBUS_PID=
WL_SWAY_PID=
WL_XWAYLAND_PID=
WL_BAR_PID=
WL_VPTR_PID=
WL_VPTR_FD=
WL_VPTR_OUT=
declare -A WL_SPAWNED=()

wl_log() { echo "wlsession: $*" >&2; }

# Every tool call of the tests ends: a compositor that stops answering shows as a failed
# check with the processes listed, not as a silent time-out of the whole test.
WL_DUMPED=
wl_dump_processes() {
    [[ -n "$WL_DUMPED" ]] && return 0
    WL_DUMPED=1
    wl_log "processes at $(date +%T):"
    ps -eo pid,ppid,user,stat,etime,args --forest 2>/dev/null |
        grep -v -e ' \\_ ps -eo' -e '\[.*\]$' >&2
}
wl_bounded() {
    local rc=0
    timeout -k 2 "$WL_CALL_TIMEOUT" "$@" || rc=$?
    if ((rc == 124 || rc == 137)); then
        wl_log "no answer within $WL_CALL_TIMEOUT s: $*"
        wl_dump_processes
    fi
    return "$rc"
}

# Polls a command every 0.1 s until it succeeds or the deadline (seconds) passes.
wl_wait_until() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    while true; do
        "$@" && return 0
        ((SECONDS >= deadline)) && return 1
        sleep 0.1
    done
}
wl_process_gone() { ! kill -0 "$1" 2>/dev/null; }
# Ends a process we started: asks first, forces it after a few seconds, reaps it.
wl_stop_process() {
    [[ -z "${1:-}" ]] && return 0
    kill "$1" 2>/dev/null
    wl_wait_until 5 wl_process_gone "$1" || kill -9 "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    return 0
}
wl_is_socket() { [[ -S "$1" ]]; }
wl_file_not_empty() { [[ -s "$1" ]]; }

# Runs a command as the session's user, in its home (the test's own folder may be closed to
# that user, and a terminal starts its shell where it was started), with only the variables
# given before it (NAME=VALUE words) and the basic ones. wl_command_as leaves the command line in WL_CMD, for starts in
# the background whose process id must be the program's own (setpriv and env exec it).
WL_CMD=()
wl_command_as() {
    local vars=(HOME="$WL_HOME" XDG_RUNTIME_DIR="$WL_RT" PATH=/usr/local/bin:/usr/bin:/bin
        LANG=C.UTF-8 LC_ALL=C.UTF-8)
    while [[ "${1:-}" == *=* ]]; do
        vars+=("$1")
        shift
    done
    if ((EUID == 0)); then
        WL_CMD=(setpriv --reuid="$WL_UID" --regid="$WL_UID" --clear-groups --reset-env
            env -i -C "$WL_HOME" "${vars[@]}" "$@")
    else
        WL_CMD=(env -i -C "$WL_HOME" "${vars[@]}" "$@")
    fi
}
wl_as() {
    wl_command_as "$@"
    "${WL_CMD[@]}"
}
# The session's variables, as a desktop session sets them for its programs.
wl_session_vars() {
    printf '%s\n' "WAYLAND_DISPLAY=$WL_WAYLAND" "DBUS_SESSION_BUS_ADDRESS=$WL_BUS" \
        "SWAYSOCK=$WL_SWAYSOCK" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
    [[ -n "$WL_X_DISPLAY" ]] && echo "DISPLAY=$WL_X_DISPLAY"
}
# A command inside the session (NAME=VALUE words before it add variables).
wl_command() {
    local vars
    mapfile -t vars < <(wl_session_vars)
    wl_command_as "${vars[@]}" "$@"
}
wl_run() {
    wl_command "$@"
    "${WL_CMD[@]}"
}
# The same in the background, remembered under NAME and stopped by wlsession_stop (or by
# wl_unspawn NAME); its output goes to $WL_DIR/NAME.log. The process id is in WL_SPAWNED[NAME].
wl_spawn() {
    local name=$1
    shift
    wl_command "$@"
    "${WL_CMD[@]}" >>"$WL_DIR/$name.log" 2>&1 &
    WL_SPAWNED[$name]=$!
}
wl_unspawn() {
    wl_stop_process "${WL_SPAWNED[$1]:-}"
    unset "WL_SPAWNED[$1]"
}

# A command inside the session that must end within WL_CALL_TIMEOUT.
wl_call() {
    wl_command "$@"
    wl_bounded "${WL_CMD[@]}"
}
swaymsg() { wl_call swaymsg "$@"; }
# A call on the session bus, its reply printed.
wl_bus_call() { wl_call dbus-send --session --print-reply "$@"; }
# Keys through a new virtual keyboard: it waits 150 ms before the first key, or the focused
# client has not bound the keyboard yet and loses the first keys.
wl_keys() { wl_call wtype -s 150 "$@"; }

# Makes a copy the session's user may read and run (the build tree may be closed to it):
# wl_import SOURCE NAME copies a file or folder to $WL_DIR/NAME and prints the new path.
wl_import() {
    local source=$1 target="$WL_DIR/$2"
    rm -rf "$target"
    cp -a "$source" "$target" || return 1
    ((EUID == 0)) && chown -R "$WL_UID:$WL_UID" "$target"
    echo "$target"
}

# ---- The bus and the compositor -------------------------------------------------------------

# True while the name $1 has an owner on the session bus.
wl_bus_has() {
    wl_bus_call --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}
# The names on the session bus, one a line.
wl_bus_names() {
    wl_bus_call --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.ListNames |
        awk '$1 == "string" {gsub(/"/, "", $2); print $2}'
}

wl_bar_start() {
    if [[ -n "$WL_BAR_PID" ]] && kill -0 "$WL_BAR_PID" 2>/dev/null; then
        return 0
    fi
    wl_command swaybar -b "$WL_BAR_ID"
    "${WL_CMD[@]}" >>"$WL_DIR/swaybar.log" 2>&1 &
    WL_BAR_PID=$!
    if ! wl_wait_until 15 wl_bus_has org.kde.StatusNotifierWatcher; then
        wl_log "swaybar did not take the StatusNotifierWatcher name (see $WL_DIR/swaybar.log)"
        return 1
    fi
}
wl_bar_stop() {
    [[ -z "$WL_BAR_PID" ]] && return 0
    wl_stop_process "$WL_BAR_PID"
    WL_BAR_PID=
}

wl_write_config() {
    # swaybar is started by the tests themselves (wl_bar_start), so they decide when the
    # tray host appears; the bar's definition is sway's, hence swaybar_command true.
    cat >"$WL_DIR/sway.conf" <<EOF
xwayland force
output HEADLESS-1 resolution $WL_SIZE position 0 0
seat * hide_cursor 1000
focus_follows_mouse no
default_border none
bar {
    id $WL_BAR_ID
    position top
    swaybar_command true
    tray_output *
    tray_padding 2
}
EOF
}

# The session bus: no service activation, so nothing starts behind the tests' back; what a
# test needs (a notification service) it starts itself.
wl_write_bus_config() {
    cat >"$WL_DIR/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$WL_RT/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
}

wl_sway_socket() {
    local s
    for s in "$WL_RT"/wayland-[0-9]*; do
        [[ -S "$s" ]] && WL_WAYLAND=$s && return 0
    done
    return 1
}
wl_ipc_socket() {
    local s
    for s in "$WL_RT"/sway-ipc.*.sock; do
        [[ -S "$s" ]] && WL_SWAYSOCK=$s && return 0
    done
    return 1
}
# XWayland takes the first free X display: ask the compositor which one its programs get.
wl_learn_x_display() {
    local file="$WL_DIR/shots/x-display"
    rm -f "$file"
    wl_call swaymsg -q exec "printf '%s' \"\$DISPLAY\" >'$file'" >/dev/null 2>&1 || return 1
    wl_wait_until 2 wl_file_not_empty "$file" || return 1
    WL_X_DISPLAY=$(<"$file")
    [[ "$WL_X_DISPLAY" == :* ]]
}
# The X server's process: the one whose command line names our display and which runs as
# the session's user.
wl_find_xwayland() {
    WL_XWAYLAND_PID=$(ps -u "$WL_UID" -o pid=,args= 2>/dev/null |
        awk -v d="$WL_X_DISPLAY" '$2 ~ /Xwayland$/ && $3 == d {print $1; exit}')
    [[ -n "$WL_XWAYLAND_PID" ]]
}

wlsession_start() {
    local bar=1
    [[ "${1:-}" == "--no-bar" ]] && bar=0
    local tool
    for tool in sway swaybar swaymsg grim wtype dbus-daemon dbus-send timeout; do
        if ! type -P "$tool" >/dev/null; then
            wl_log "$tool is missing (scripts/install-deps.sh installs it)"
            return 1
        fi
    done
    if ((EUID == 0)); then
        type -P setpriv >/dev/null || { wl_log "setpriv is missing"; return 1; }
        WL_UID=65534
    else
        WL_UID=$EUID
    fi
    if [[ -z "${WL_DIR:-}" ]]; then
        # Under /tmp: the session's user must be able to reach it, which a TMPDIR inside a
        # home folder may not allow.
        WL_DIR=$(mktemp -d /tmp/vistrel-wayland-XXXXXX) || return 1
        WL_OWN_DIR=$WL_DIR
    fi
    chmod 755 "$WL_DIR"
    [[ -z "$(trap -p EXIT)" ]] && trap wlsession_stop EXIT
    # A test stopped by a signal still stops what it started (the EXIT trap runs on exit).
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
    WL_RT="$WL_DIR/runtime"
    WL_HOME="$WL_DIR/home"
    mkdir -p "$WL_RT" "$WL_HOME" "$WL_DIR/shots"
    chmod 700 "$WL_RT"
    ((EUID == 0)) && chown "$WL_UID:$WL_UID" "$WL_RT" "$WL_HOME" "$WL_DIR/shots"
    wl_write_config
    wl_write_bus_config

    wl_command_as dbus-daemon --config-file="$WL_DIR/bus.conf" --nofork --nosyslog
    "${WL_CMD[@]}" >>"$WL_DIR/dbus.log" 2>&1 &
    WL_DBUS_PID=$!
    WL_BUS="unix:path=$WL_RT/bus"
    if ! wl_wait_until 10 wl_is_socket "$WL_RT/bus"; then
        wl_log "the session bus did not start (see $WL_DIR/dbus.log)"
        return 1
    fi

    wl_command_as DBUS_SESSION_BUS_ADDRESS="$WL_BUS" WLR_BACKENDS=headless \
        WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman XDG_SESSION_TYPE=wayland \
        XDG_CURRENT_DESKTOP=sway sway -c "$WL_DIR/sway.conf"
    "${WL_CMD[@]}" >>"$WL_DIR/sway.log" 2>&1 &
    WL_SWAY_PID=$!
    if ! wl_wait_until 20 wl_sway_socket || ! wl_wait_until 10 wl_ipc_socket; then
        wl_log "sway did not start (see $WL_DIR/sway.log)"
        tail -5 "$WL_DIR/sway.log" >&2
        return 1
    fi
    if ! wl_wait_until 20 wl_learn_x_display; then
        wl_log "XWayland did not come up (see $WL_DIR/sway.log)"
        return 1
    fi
    wl_find_xwayland || wl_log "(the XWayland process of $WL_X_DISPLAY was not found)"
    if ((bar)); then
        wl_bar_start || return 1
    fi
    wl_log "sway ready: $WL_WAYLAND, XWayland $WL_X_DISPLAY, bus $WL_BUS"
}

wlsession_stop() {
    local name pid
    wl_pointer_stop
    for name in "${!WL_SPAWNED[@]}"; do
        wl_unspawn "$name"
    done
    wl_bar_stop
    wl_stop_process "$WL_SWAY_PID"
    WL_SWAY_PID=
    # sway ends XWayland as it goes; one left behind is stopped here.
    if [[ -n "$WL_XWAYLAND_PID" ]] && kill -0 "$WL_XWAYLAND_PID" 2>/dev/null; then
        kill "$WL_XWAYLAND_PID" 2>/dev/null
        wl_wait_until 5 wl_process_gone "$WL_XWAYLAND_PID" || kill -9 "$WL_XWAYLAND_PID"
    fi
    WL_XWAYLAND_PID=
    wl_stop_process "$WL_DBUS_PID"
    WL_DBUS_PID=
    if [[ -n "$WL_OWN_DIR" && -z "${WL_KEEP:-}" ]]; then
        rm -rf "$WL_OWN_DIR"
        WL_OWN_DIR=
    fi
}

# ---- Looking and touching -------------------------------------------------------------------

# Screenshot of the output, or of the region "X,Y WxH" of it.
wl_screenshot() {
    local out=$1 region=${2:-} shot="$WL_DIR/shots/shot.png"
    rm -f "$shot"
    if [[ -n "$region" ]]; then
        wl_call grim -g "$region" "$shot" || return 1
    else
        wl_call grim "$shot" || return 1
    fi
    cp "$shot" "$out"
}

# The virtual pointer (tests/wayland/vptr.c): stays alive, so the seat keeps a pointer, and
# takes commands through a pipe. wl_pointer waits for each command to be carried out.
wl_pointer_start() {
    local helper fifo="$WL_DIR/shots/vptr.in"
    helper=$(wl_import "$1" vptr) || return 1
    WL_VPTR_OUT="$WL_DIR/shots/vptr.out"
    rm -f "$fifo" "$WL_VPTR_OUT"
    mkfifo "$fifo"
    ((EUID == 0)) && chown "$WL_UID:$WL_UID" "$fifo"
    wl_command "$helper"
    "${WL_CMD[@]}" <"$fifo" >"$WL_VPTR_OUT" 2>>"$WL_DIR/vptr.log" &
    WL_VPTR_PID=$!
    exec {WL_VPTR_FD}>"$fifo"
    wl_pointer sleep 0
}
wl_pointer_done() { (($(grep -c '^ok$' "$WL_VPTR_OUT" 2>/dev/null) >= $1)); }
wl_pointer() {
    [[ -n "$WL_VPTR_FD" ]] || { wl_log "no virtual pointer"; return 1; }
    local before
    before=$(grep -c '^ok$' "$WL_VPTR_OUT" 2>/dev/null)
    echo "$*" >&"$WL_VPTR_FD" || return 1
    if ! wl_wait_until 10 wl_pointer_done $((before + 1)); then
        wl_log "the virtual pointer did not carry out: $* (see $WL_DIR/vptr.log)"
        return 1
    fi
}
wl_pointer_stop() {
    if [[ -n "$WL_VPTR_FD" ]]; then
        exec {WL_VPTR_FD}>&-
        WL_VPTR_FD=
    fi
    [[ -z "$WL_VPTR_PID" ]] && return 0
    # End of input ends it; a stuck one is stopped.
    wl_wait_until 3 wl_process_gone "$WL_VPTR_PID" || wl_stop_process "$WL_VPTR_PID"
    wait "$WL_VPTR_PID" 2>/dev/null
    WL_VPTR_PID=
}

# sway's tree as JSON (windows, their app_id, focus and geometry).
wl_tree() { swaymsg -t get_tree -r; }
# True while a window with the app_id (Wayland) or class (X11) $1 exists.
wl_window_present() {
    wl_tree 2>/dev/null | python3 -c '
import json, sys
want = sys.argv[1]
def walk(n):
    if n.get("app_id") == want or (n.get("window_properties") or {}).get("class") == want:
        return True
    return any(walk(c) for c in n.get("nodes", []) + n.get("floating_nodes", []))
sys.exit(0 if walk(json.load(sys.stdin)) else 1)' "$1"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -u
    bar_arg=
    if [[ "${1:-}" == "--no-bar" ]]; then
        bar_arg=--no-bar
        shift
    fi
    [[ "${1:-}" == "--" ]] && shift
    if (($# == 0)); then
        echo "usage: $0 [--no-bar] -- command args...   (runs inside the session)" >&2
        exit 2
    fi
    wlsession_start $bar_arg || exit 1
    wl_run "$@"
    exit $?
fi
