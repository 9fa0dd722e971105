#!/usr/bin/env bash
# The tray menu's external programs on a real desktop: Help opens the English help file
# through the desktop's opener (xdg-open); Update starts the updater, "Updater" beside the
# executable; the update check starts it with /silent five seconds after start when no check
# is recorded; with the help folder or the updater gone, their error boxes show. Stand-ins for
# xdg-open and the updater record how they were started.
#
#   help_update.sh PROGRAM_DIR ARTIFACT_DIR
SCENARIO=help_update
. "$(dirname "${BASH_SOURCE[0]}")/app_lib.sh"
app_setup "${1:?usage: help_update.sh PROGRAM_DIR ARTIFACT_DIR}" "${2:?}"

OPENED="$ROOT/opened"
UPDATER_RUNS="$ROOT/updater-runs"
mkdir -p "$ROOT/bin"
# Each start writes one line: its arguments, each in brackets.
cat >"$ROOT/bin/xdg-open" <<EOF
#!/bin/sh
line=
for a in "\$@"; do line="\$line[\$a]"; done
echo "\$line" >>"$OPENED"
EOF
sed "s|$OPENED|$UPDATER_RUNS|" "$ROOT/bin/xdg-open" >"$PROG/Updater"
chmod +x "$ROOT/bin/xdg-open" "$PROG/Updater"
export PATH="$ROOT/bin:$PATH"

lines_in() { [[ -f "$1" ]] && grep -c '' "$1" || echo 0; }
has_lines() { (($(lines_in "$1") >= $2)); }

must [ -f "$PROG/Help/1033/Help.chm" ]
write_settings "Language=English 1033" AutoRun=0
app_start
must xs_wait_until 20 icon_docked
locate_icon

# ---- The update check: no check recorded, so the updater starts silently -------------------
# The program folder's path has a blank, so only a quoted command line starts the updater.
if wait_while_running 15 has_lines "$UPDATER_RUNS" 1; then
    took=$(elapsed_since "$VIS_STARTED")
    run=$(head -1 "$UPDATER_RUNS")
    if [[ "$run" == "[/silent]" ]] && between "$took" 4 9; then
        pass "update check started the updater with /silent after $took s"
    else
        fail "update check started the updater as \"$run\" after $took s"
    fi
else
    fail "no update check within 15 s of start"
fi

# ---- Help ----------------------------------------------------------------------------------
must choose_menu_item Help
if wait_while_running 10 has_lines "$OPENED" 1; then
    opened=$(head -1 "$OPENED")
    if [[ "$opened" == "[$PROG/Help/1033/Help.chm]" ]]; then
        pass "Help opened $opened through xdg-open"
    else
        fail "Help opened $opened, expected [$PROG/Help/1033/Help.chm]"
    fi
else
    fail "Help started no xdg-open"
fi

# ---- Update --------------------------------------------------------------------------------
click_gap
must choose_menu_item Update
if wait_while_running 10 has_lines "$UPDATER_RUNS" 2; then
    run=$(sed -n 2p "$UPDATER_RUNS")
    if [[ -z "$run" ]]; then
        pass "Update started the updater without arguments"
    else
        fail "Update started the updater as \"$run\""
    fi
else
    fail "Update did not start the updater"
fi

# ---- The updater missing --------------------------------------------------------------------
rm -f "$PROG/Updater"
click_gap
must choose_menu_item Update
if wait_while_running 10 box_shows Error 'Updater missing!'; then
    pass "updater gone: the box \"Updater missing!\" shows"
    close_box
    xs_wait_until 5 box_gone Error || fail "the updater box did not close"
else
    fail "updater gone: no \"Updater missing!\" box (read: $OCR_TEXT)"
fi

# ---- The help missing -----------------------------------------------------------------------
rm -rf "$PROG/Help"
click_gap
must choose_menu_item Help
if wait_while_running 10 box_shows Error 'Help file missing!'; then
    pass "help gone: the box \"Help file missing!\" shows"
    close_box
    xs_wait_until 5 box_gone Error || fail "the help box did not close"
else
    fail "help gone: no \"Help file missing!\" box (read: $OCR_TEXT)"
fi
if [[ $(lines_in "$OPENED") == 1 ]]; then
    pass "help gone: nothing more opened"
else
    fail "help gone: xdg-open started again"
fi

kill -TERM "$VIS_PID"
if app_wait_exit 10 && ((VIS_CODE == 0)); then
    pass "SIGTERM: ended with code 0"
else
    fail "SIGTERM: did not end with code 0 (${VIS_CODE:-still running})"
fi
app_finish
