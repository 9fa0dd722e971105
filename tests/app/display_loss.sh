#!/usr/bin/env bash
# The desktop going away under the program, as at logout: the X server dies while SIGTERM
# arrives (in either order, several times), and the X server dies with no signal at all. Each
# time the program ends within a few seconds, its settings file stays whole, and nothing holds
# the single-instance lock, so the next start runs (its icon docks) instead of ending as a
# second instance.
#
#   display_loss.sh PROGRAM_DIR ARTIFACT_DIR
SCENARIO=display_loss
. "$(dirname "${BASH_SOURCE[0]}")/app_lib.sh"
app_setup "${1:?usage: display_loss.sh PROGRAM_DIR ARTIFACT_DIR}" "${2:?}"

ELEVEN=$(printf '%s\n' AlertMethod AutoRun AutoUpdate CanInterrupt Language MusicFile PlayMethod \
    RestPeriod ScreenSaver SSMethod WorkPeriod | sort | tr '\n' ' ' | sed 's/ $//')
LOCK="$XDG_RUNTIME_DIR/Vistrel_3-$(id -u).lock"

lock_free() { flock -n "$LOCK" true; }
# Settings the program reads at start and writes back on a signal; all eleven keys.
write_all_settings() {
    write_settings AlertMethod=1 AutoRun=0 AutoUpdate=1 CanInterrupt=1 "Language=English 1033" \
        "MusicFile=Canon in D.mid" PlayMethod=1 RestPeriod=3 ScreenSaver= SSMethod=0 WorkPeriod=9
}

# An X session with the program running in it, its hooks watching the display.
fresh_session_with_program() {
    if [[ -z "$XS_XVFB_PID" ]]; then # the previous one was killed
        XS_DIR="$ART/session-$1"
        must xsession_start
    fi
    app_start
    must wait_while_running 20 icon_docked
    # The hook library's thread holds a display connection of its own by now.
    sleep 1
}

kill_display() {
    kill -KILL "$XS_XVFB_PID" 2>/dev/null
    wait "$XS_XVFB_PID" 2>/dev/null
    XS_XVFB_PID=
    # The tray host goes with its display.
    if [[ -n "$XS_TRAY_PID" ]]; then
        xs_wait_until 5 xs_process_gone "$XS_TRAY_PID" || kill -KILL "$XS_TRAY_PID" 2>/dev/null
        wait "$XS_TRAY_PID" 2>/dev/null
        XS_TRAY_PID=
    fi
}

# The program ends within 10 s of the display's loss; the file stays whole; the lock is free.
expect_clean_end() {
    local round=$1 since=$2
    if app_wait_exit 10; then
        pass "$round: ended $(elapsed_since "$since") s after the display went (code $VIS_CODE)"
    else
        fail "$round: still running 10 s after the display went"
        lock_free || fail "$round: the hanging program holds the single-instance lock"
        gdb -p "$VIS_PID" -batch -ex 'thread apply all bt' >"$ART/hang-$round.txt" 2>&1 || true
        kill -KILL "$VIS_PID" 2>/dev/null
        wait "$VIS_PID" 2>/dev/null
        VIS_PID=
    fi
    cp "$INI" "$ART/settings-$round.ini" 2>/dev/null
    local keys
    keys=$(ini_keys)
    if [[ "$keys" == "$ELEVEN" && "$(ini_value WorkPeriod)" == 9 && "$(ini_value RestPeriod)" == 3 ]]; then
        pass "$round: the settings file is whole"
    else
        fail "$round: settings file damaged: keys \"$keys\""
    fi
    if lock_free; then
        pass "$round: the single-instance lock is free"
    else
        fail "$round: the single-instance lock is still held"
    fi
    if grep -q 'Resource deadlock\|terminate called\|killTimer: Timers cannot be stopped' \
        "$ART/vistrel.out"; then
        fail "$round: the program's output shows a fault: $(grep -m1 'Resource deadlock\|terminate called\|killTimer' "$ART/vistrel.out")"
    fi
    : >"$ART/vistrel.out"
}

write_all_settings
rounds=("display-then-signal" "signal-then-display" "together" "display-then-signal-2" "together-2")
for round in "${rounds[@]}"; do
    fresh_session_with_program "$round"
    started=$(now)
    case $round in
    display-then-signal*)
        kill_display
        sleep 0.05
        kill -TERM "$VIS_PID" 2>/dev/null
        ;;
    signal-then-display)
        kill -TERM "$VIS_PID" 2>/dev/null
        kill_display
        ;;
    together*)
        kill -TERM "$VIS_PID" 2>/dev/null &
        signaller=$!
        kill_display
        wait "$signaller"
        ;;
    esac
    expect_clean_end "$round" "$started"
done

# No signal at all: the display dies under the running program.
fresh_session_with_program no-signal
started=$(now)
kill_display
expect_clean_end no-signal "$started"

# The next start is a first instance: it runs and docks its icon.
XS_DIR="$ART/session-next"
must xsession_start
app_start
if wait_while_running 20 icon_docked; then
    pass "the next start runs and docks its icon"
else
    fail "the next start shows no icon"
fi
end_with_sigterm

app_finish
