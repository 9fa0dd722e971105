#!/usr/bin/env bash
# Closing the program on a real desktop: Exit from the tray menu ends it with code 0, writes
# the eleven settings (the ones read kept, the missing ones at their defaults) and the
# autostart entry, and releases F4 for other programs; a program that holds F4 makes the next
# start show "Hot key register failed."; once F4 is free a start shows no such box; SIGTERM
# closes the program as Exit does and, with AutoRun off, removes the autostart entry, also
# after the program file was replaced while it ran; with a settings file that cannot be written
# SIGTERM still ends the program and the failure goes to the error output.
#
#   exit_settings.sh PROGRAM_DIR ARTIFACT_DIR GRAB_HELPER
#
# GRAB_HELPER is a program that, run as "GRAB_HELPER --grab-key RESULT_FILE once|hold", tries
# to grab F4 on the display and writes "ok" or "refused" to RESULT_FILE ("hold" keeps the grab
# until its standard input closes).
SCENARIO=exit_settings
. "$(dirname "${BASH_SOURCE[0]}")/app_lib.sh"
app_setup "${1:?usage: exit_settings.sh PROGRAM_DIR ARTIFACT_DIR GRAB_HELPER}" "${2:?}"
GRAB=${3:?}
[[ -x "$GRAB" ]] || { echo "FAIL: no grab helper at $GRAB"; exit 1; }

ELEVEN=$(printf '%s\n' AlertMethod AutoRun AutoUpdate CanInterrupt Language MusicFile PlayMethod \
    RestPeriod ScreenSaver SSMethod WorkPeriod | sort | tr '\n' ' ' | sed 's/ $//')

# What another program's attempt to grab F4 gives now: ok or refused.
grab_f4() {
    rm -f "$ROOT/grab"
    "$GRAB" --grab-key "$ROOT/grab" once >/dev/null 2>&1
    cat "$ROOT/grab" 2>/dev/null
}
f4_taken() { [[ $(grab_f4) == refused ]]; }

# A program holding F4 until its input closes.
HOLDER_PID=
release_f4() {
    [[ -z "$HOLDER_PID" ]] && return 0
    exec 9>&-
    xs_wait_until 5 xs_process_gone "$HOLDER_PID" || kill "$HOLDER_PID" 2>/dev/null
    wait "$HOLDER_PID" 2>/dev/null
    HOLDER_PID=
}
APP_EXTRA_CLEANUP=release_f4

check_settings() {
    local when=$1
    shift
    local keys
    keys=$(ini_keys)
    if [[ "$keys" == "$ELEVEN" ]]; then
        pass "$when: the eleven settings keys written"
    else
        fail "$when: settings keys are \"$keys\", expected \"$ELEVEN\""
    fi
    local pair wrong=
    for pair in "$@"; do
        [[ "$(ini_value "${pair%%=*}")" == "${pair#*=}" ]] || wrong+=" ${pair%%=*}=$(ini_value "${pair%%=*}")"
    done
    if [[ -z "$wrong" ]]; then
        pass "$when: values kept ($*)"
    else
        fail "$when: wrong values:$wrong"
    fi
}

# ---- Exit from the tray menu ------------------------------------------------------------------
write_settings WorkPeriod=7 RestPeriod=3 AlertMethod=2 CanInterrupt=0 AutoRun=1 PlayMethod=1 \
    "Language=English 1033"
app_start
must xs_wait_until 20 icon_docked
locate_icon
if xs_wait_until 10 f4_taken; then
    pass "while the program runs, F4 cannot be grabbed by another program"
else
    fail "F4 is free while the program runs"
fi
rm -f "$AUTOSTART"
must choose_menu_item Exit
exit_chosen=$(now)
if app_wait_exit 10; then
    if ((VIS_CODE == 0)); then
        pass "Exit: ended with code 0 after $(elapsed_since "$exit_chosen") s"
    else
        fail "Exit: exit code $VIS_CODE"
    fi
else
    fail "Exit: still running 10 s after Exit was chosen"
    app_finish
fi
cp "$INI" "$ART/settings-after-exit.ini" 2>/dev/null
# The keys the file lacked come back at their defaults.
check_settings Exit WorkPeriod=7 RestPeriod=3 AlertMethod=2 CanInterrupt=0 AutoRun=1 PlayMethod=1 \
    "Language=English 1033" AutoUpdate=1 "MusicFile=Canon in D.mid" SSMethod=0
if [[ -f "$AUTOSTART" ]]; then
    cp "$AUTOSTART" "$ART/autostart.desktop"
    exec_line=$(grep '^Exec=' "$AUTOSTART")
    if [[ "$exec_line" == "Exec=\"$PROG/Vistrel\"" ]]; then
        pass "Exit: autostart entry written: $exec_line"
    else
        fail "Exit: autostart entry has \"$exec_line\", expected Exec=\"$PROG/Vistrel\""
    fi
else
    fail "Exit: no autostart entry at $AUTOSTART with AutoRun=1"
fi
if [[ $(grab_f4) == ok ]]; then
    pass "Exit: F4 released, another program can grab it"
else
    fail "Exit: F4 still taken after the program ended"
fi

# ---- F4 held by another program: the start-up box ------------------------------------------
mkfifo "$ROOT/holder"
"$GRAB" --grab-key "$ROOT/held" hold <"$ROOT/holder" >/dev/null 2>&1 &
HOLDER_PID=$!
exec 9>"$ROOT/holder"
must xs_wait_until 5 xs_file_not_empty "$ROOT/held"
must [ "$(cat "$ROOT/held")" == ok ]
app_start
if wait_while_running 15 box_shows Alert 'Hot key register failed'; then
    pass "F4 held elsewhere: the box \"Hot key register failed.\" shows"
    close_box
    if xs_wait_until 5 box_gone Alert; then
        pass "the box closes with its button"
    else
        fail "the box did not close"
    fi
else
    fail "F4 held elsewhere: no \"Hot key register failed.\" box (read: $OCR_TEXT)"
fi
if icon_docked && kill -0 "$VIS_PID" 2>/dev/null; then
    pass "the program runs on without the hot key"
else
    fail "the program did not go on after the box"
fi
kill -TERM "$VIS_PID"
app_wait_exit 10 || fail "SIGTERM with the box closed: still running"
release_f4

# ---- F4 free again: no box; SIGTERM closes the program as Exit does ------------------------
write_settings WorkPeriod=9 RestPeriod=4 AlertMethod=1 CanInterrupt=1 AutoRun=0 \
    "Language=English 1033"
must [ -f "$AUTOSTART" ]
app_start
must xs_wait_until 20 icon_docked
# Once the program holds F4 its registration is over, and the box would have come with it.
if wait_while_running 10 f4_taken; then
    if box_gone Alert && ! ocr_region screen-after-start "${SCREEN_W}x600+0+0" | grep -q 'Hot key'; then
        pass "F4 free: the program takes it and shows no box"
    else
        fail "F4 free: a box shows at start (read: $(ocr_region screen-after-start "${SCREEN_W}x600+0+0"))"
    fi
else
    fail "F4 free: the program did not take F4"
fi
# The settings are written from what was read at start, even when the file is gone meanwhile.
rm -f "$INI"
kill -TERM "$VIS_PID"
term_sent=$(now)
if app_wait_exit 10; then
    if ((VIS_CODE == 0)); then
        pass "SIGTERM: ended with code 0 after $(elapsed_since "$term_sent") s"
    else
        fail "SIGTERM: exit code $VIS_CODE"
    fi
    check_settings SIGTERM WorkPeriod=9 RestPeriod=4 AlertMethod=1 CanInterrupt=1 AutoRun=0
    if [[ ! -e "$AUTOSTART" ]]; then
        pass "SIGTERM: autostart entry removed (AutoRun=0)"
    else
        fail "SIGTERM: autostart entry still there with AutoRun=0"
    fi
    if [[ $(grab_f4) == ok ]]; then
        pass "SIGTERM: F4 released"
    else
        fail "SIGTERM: F4 still taken"
    fi
else
    fail "SIGTERM: still running after 10 s"
fi

# ---- A settings file that cannot be written: a signal does not wait behind a box -------------
rm -f "$INI"
mkdir "$INI" # a folder in its place
app_start
must xs_wait_until 20 icon_docked
kill -TERM "$VIS_PID"
if app_wait_exit 10; then
    pass "unwritable settings: SIGTERM ends the program (code $VIS_CODE)"
else
    fail "unwritable settings: still running 10 s after SIGTERM"
    box_shows Vistrel 'Unable to write' && echo "  (it waits behind the box: $OCR_TEXT)"
    kill -KILL "$VIS_PID"
    wait "$VIS_PID" 2>/dev/null
    VIS_PID=
fi
if grep -qF "Unable to write to $INI" "$ART/vistrel.out"; then
    pass "unwritable settings: the failure is reported on the error output"
else
    fail "unwritable settings: no \"Unable to write to $INI\" on the error output"
fi
rmdir "$INI"

# ---- The program file replaced while it runs, as an upgrade does ----------------------------
# The entry keeps the program's own name, and with AutoRun off the real entry goes.
replace_program() {
    cp -p "$PROG/Vistrel" "$ROOT/Vistrel.new" && mv -f "$ROOT/Vistrel.new" "$PROG/Vistrel"
}
autostart_entries() { (cd "$(dirname "$AUTOSTART")" && ls -1 2>/dev/null | tr '\n' ' ' | sed 's/ $//'); }
rm -f "$(dirname "$AUTOSTART")"/*.desktop
write_settings WorkPeriod=9 AutoRun=1 "Language=English 1033"
app_start
must xs_wait_until 20 icon_docked
must replace_program
kill -TERM "$VIS_PID"
app_wait_exit 10 || fail "replaced program: still running 10 s after SIGTERM"
if [[ "$(autostart_entries)" == Vistrel.desktop && "$(grep '^Exec=' "$AUTOSTART")" == "Exec=\"$PROG/Vistrel\"" ]]; then
    pass "replaced program, AutoRun on: the entry keeps the program's name and path"
else
    fail "replaced program, AutoRun on: entries \"$(autostart_entries)\", $(grep -h '^Exec=' "$(dirname "$AUTOSTART")"/*.desktop 2>/dev/null)"
fi
# The real entry, as a run of the program not replaced leaves it.
rm -f "$(dirname "$AUTOSTART")"/*.desktop
app_start
must xs_wait_until 20 icon_docked
kill -TERM "$VIS_PID"
app_wait_exit 10 || fail "SIGTERM: still running after 10 s"
must [ "$(autostart_entries)" == Vistrel.desktop ]
write_settings WorkPeriod=9 AutoRun=0 "Language=English 1033"
app_start
must xs_wait_until 20 icon_docked
must replace_program
kill -TERM "$VIS_PID"
app_wait_exit 10 || fail "replaced program: still running 10 s after SIGTERM"
if [[ -z "$(autostart_entries)" ]]; then
    pass "replaced program, AutoRun off: the entry is removed"
else
    fail "replaced program, AutoRun off: entries left: $(autostart_entries)"
fi

app_finish
