#!/usr/bin/env bash
# The screen-saver host end to end under Xvfb: launchers written for the system's hacks, then a
# launcher run full screen ("/S"), as a preview inside a window ("/P"), and for its settings
# ("/C"). Checks what a user sees (screenshots, windows) and when the processes end. Every wait
# polls with a deadline.
#
#   ssaver_e2e.sh HOST PROBE [ARTIFACT_DIR] [VISTREL]
set -u

HOST=${1:?usage: ssaver_e2e.sh HOST PROBE [ARTIFACT_DIR] [VISTREL]}
PROBE=${2:?usage: ssaver_e2e.sh HOST PROBE [ARTIFACT_DIR] [VISTREL]}
ART=${3:-$(mktemp -d "${TMPDIR:-/tmp}/ssaver-e2e-XXXXXX")}
VISTREL=${4:-}
HACKS=/usr/libexec/xscreensaver
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../e2e/lib/xsession.sh"
. "$HERE/../e2e/lib/checks.sh"

for tool in xdotool xwininfo xprop import compare; do
    type -P "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done
[[ -x "$HACKS/swirl" ]] || { echo "FAIL: $HACKS/swirl is missing (package xscreensaver-data)"; exit 1; }
rm -rf "$ART"
mkdir -p "$ART"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/ssaver-work-XXXXXX")
SYS="$WORK/System"
STARTED=()

cleanup() {
    local pid
    for pid in "${STARTED[@]}"; do
        xs_stop_process "$pid"
    done
    xsession_stop
    rm -rf "$WORK"
}
trap cleanup EXIT


gone() { ! kill -0 "$1" 2>/dev/null; }
# Exit status of a finished background job (after gone).
status_of() {
    wait "$1" 2>/dev/null
}
# Hack processes drawing for us (matched on their full path).
hack_count() {
    local n=0 file cmd
    for file in /proc/[0-9]*/cmdline; do
        cmd=$(tr '\0' ' ' <"$file" 2>/dev/null) || continue
        [[ "$cmd" == "$HACKS/$1 -window-id "* ]] && n=$((n + 1))
    done
    echo "$n"
}
no_hack() { [[ $(hack_count "$1") -eq 0 ]]; }

# Pixels that differ between two pictures (fuzz for anti-aliasing).
diff_pixels() { compare -metric AE -fuzz 5% "$1" "$2" null: 2>&1 | awk '{print int($1)}'; }

# A top-level window named $1 with the host's class: prints its id.
saver_window_id() {
    xwininfo -root -children 2>/dev/null |
        awk -v name="\"$1\":" '$2 == name && /"VistrelScreenSaver" "VistrelScreenSaver"/ {print $1; exit}'
}
saver_window() {
    local id
    id=$(saver_window_id "$1")
    [[ -n "$id" ]] && viewable "$id"
}
# The child window of $1 that the host made: prints "id WxH"; fails when there is none.
preview_child() {
    local found
    found=$(xwininfo -id "$1" -children 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) .*("VistrelScreenSaver" "VistrelScreenSaver") *\([0-9]*x[0-9]*\)+.*/\1 \2/p' |
        head -1)
    [[ -n "$found" ]] && echo "$found"
}
has_preview_child() { preview_child "$1" >/dev/null; }
no_preview_child() { ! has_preview_child "$1"; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }

screenshot_differs_from() { # reference out minimum-pixels [region]
    xsession_screenshot "$2" "${4:-}" 2>/dev/null && (($(diff_pixels "$1" "$2") >= $3))
}

must xsession_start --no-tray
export HOME="$WORK/home" XDG_DATA_HOME="$WORK/data" XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$HOME"

# --- the launchers: one per hack of the system, each an executable script
must "$PROBE" launchers "$SYS" "$HOST"
expected=$(find "$HACKS" -maxdepth 1 -type f -perm -u+x ! -name 'xscreensaver*' | wc -l)
written=$(find "$SYS" -maxdepth 1 -name '*.scr' -perm -u+x | wc -l)
if ((expected > 0 && written == expected)); then
    pass "$written launchers for $expected hacks"
else
    fail "$written launchers for $expected hacks"
fi
[[ -x "$SYS/Swirl.scr" ]] && pass "Swirl.scr is executable" || fail "no executable Swirl.scr"
[[ ! -e "$SYS/Xscreensaver-text.scr" ]] && pass "helpers get no launcher" ||
    fail "a launcher for a helper program"
LAUNCHER="$SYS/Swirl.scr"

# --- "/S": the saver covers the screen and ends when the mouse moves
xsession_screenshot "$ART/desktop.png"
"$LAUNCHER" /S &
RUN=$!
STARTED+=("$RUN")
if xs_wait_until 10 saver_window Swirl; then
    pass "/S: full-screen window mapped"
else
    fail "/S: no full-screen window"
fi
geometry=$(xwininfo -id "$(saver_window_id Swirl)" 2>/dev/null | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h}')
[[ "$geometry" == "800x600" ]] && pass "/S: window covers the screen ($geometry)" ||
    fail "/S: window is $geometry, not 800x600"
if xs_wait_until 10 screenshot_differs_from "$ART/desktop.png" "$ART/run.png" 240000; then
    pass "/S: the hack draws over the whole desktop"
else
    fail "/S: the screen still looks like the desktop"
fi
[[ $(hack_count swirl) -eq 1 ]] && pass "/S: one hack process" || fail "/S: $(hack_count swirl) hack processes"
# Jitter of a pixel or two is not the user coming back.
xdotool mousemove_relative 2 1
if xs_wait_until 2 gone "$RUN"; then
    fail "/S: ended on a 2-pixel jitter"
else
    pass "/S: a 2-pixel jitter does not end it"
fi
moved_away() {
    xdotool mousemove_relative -- "$1" "$1"
    xs_wait_until 1 gone "$RUN"
}
step=50
until_moved() {
    moved_away "$step" && return 0
    step=$((-step))
    return 1
}
if xs_wait_until 10 until_moved; then
    status_of "$RUN"
    rc=$?
    pass "/S: ended after the mouse moved (exit $rc)"
    ((rc == 0)) || fail "/S: exit status $rc after the user came back"
else
    fail "/S: still running after the mouse moved"
fi
xs_wait_until 5 no_hack swirl && pass "/S: hack ended with the saver" || fail "/S: hack still running"
xsession_screenshot "$ART/after-run.png"
left=$(diff_pixels "$ART/desktop.png" "$ART/after-run.png")
((left == 0)) && pass "/S: the desktop is as it was" || fail "/S: $left pixels differ from the desktop after the run"

# --- "/S" ended by a key; F4 held by another program (the rest hot key) still reaches it
"$PROBE" grab-f4 >"$WORK/f4.log" &
GRAB=$!
STARTED+=("$GRAB")
must xs_wait_until 10 grep -q ready "$WORK/f4.log"
"$LAUNCHER" /S &
RUN=$!
STARTED+=("$RUN")
must xs_wait_until 10 saver_window Swirl
f4_seen() {
    xdotool key F4
    xs_wait_until 1 grep -q F4 "$WORK/f4.log"
}
if xs_wait_until 10 f4_seen; then
    pass "/S: F4 reaches the program that holds it"
else
    fail "/S: F4 did not reach the program that holds it"
fi
gone "$RUN" && fail "/S: F4 (another program's hot key) ended the saver" ||
    pass "/S: F4 of another program leaves the saver running"
key_ends() {
    xdotool key space
    xs_wait_until 1 gone "$RUN"
}
if xs_wait_until 10 key_ends; then
    status_of "$RUN"
    pass "/S: a key press ends it (exit $?)"
else
    fail "/S: still running after a key press"
fi
xs_wait_until 5 no_hack swirl || fail "/S: hack still running after the key"
kill "$GRAB" 2>/dev/null

# --- "/S" with a hack that fails or is missing: ends at once, the screen untouched
"$HOST" /bin/false /S &
RUN=$!
if xs_wait_until 5 gone "$RUN"; then
    status_of "$RUN"
    rc=$?
    ((rc != 0)) && pass "/S: a failing hack ends the host (exit $rc)" ||
        fail "/S: a failing hack gave exit status 0"
else
    fail "/S: host still running after its hack failed"
    kill "$RUN"
fi
"$HOST" "$WORK/no-such-hack" /S
rc=$?
((rc != 0)) && pass "/S: a missing hack gives exit $rc" || fail "/S: a missing hack gave exit 0"
xsession_screenshot "$ART/after-failed.png"
left=$(diff_pixels "$ART/desktop.png" "$ART/after-failed.png")
((left == 0)) && pass "/S: failed runs leave the desktop as it was" ||
    fail "/S: $left pixels differ after the failed runs"

# --- "/P": a child window inside the panel, drawn by the hack
"$PROBE" panel >"$WORK/panel-preview.txt" &
PANEL_PID=$!
STARTED+=("$PANEL_PID")
must xs_wait_until 20 xs_file_not_empty "$WORK/panel-preview.txt"
read -r PANEL TOP <"$WORK/panel-preview.txt"
must xs_wait_until 10 viewable "$PANEL"
panel_geometry() {
    xwininfo -id "$PANEL" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h "+" x "+" y}'
}
REGION=$(panel_geometry)
xsession_screenshot "$ART/panel-empty.png" "$REGION"

start_preview() {
    "$LAUNCHER" /P "$PANEL" &
    RUN=$!
    STARTED+=("$RUN")
    xs_wait_until 10 has_preview_child "$PANEL"
}
if start_preview; then
    read -r CHILD SIZE < <(preview_child "$PANEL")
    pass "/P: child window $CHILD ($SIZE) inside the panel"
    [[ "$SIZE" == "200x150" ]] && pass "/P: the child fills the panel" ||
        fail "/P: child is $SIZE, the panel 200x150"
else
    fail "/P: no child window in the panel"
fi
if xs_wait_until 10 screenshot_differs_from "$ART/panel-empty.png" "$ART/panel-preview.png" 20000 "$REGION"; then
    pass "/P: the hack draws inside the panel"
else
    fail "/P: the panel still looks empty"
fi
xsession_screenshot "$ART/preview-window.png" "400x300+$(xwininfo -id "$TOP" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x "+" y}')"
# The panel grows or shrinks: so does the preview.
xdotool windowsize "$PANEL" 160 100
child_resized() { [[ "$(preview_child "$PANEL" | awk '{print $2}')" == "160x100" ]]; }
xs_wait_until 5 child_resized && pass "/P: the child follows the panel's size" ||
    fail "/P: the child did not follow the panel's size"
xdotool windowsize "$PANEL" 200 150

# Closed the way a window closer asks (WM_DELETE_WINDOW): the process and the hack end.
"$PROBE" delete "$CHILD"
if xs_wait_until 5 gone "$RUN"; then
    status_of "$RUN"
    pass "/P: WM_DELETE_WINDOW to the child ends the process (exit $?)"
else
    fail "/P: still running after WM_DELETE_WINDOW"
fi
xs_wait_until 5 no_preview_child "$PANEL" && pass "/P: the child window is gone" ||
    fail "/P: the child window stays"
xs_wait_until 5 no_hack swirl && pass "/P: the hack ended" || fail "/P: the hack still runs"

# Destroyed outright: ends as well.
if start_preview; then
    read -r CHILD SIZE < <(preview_child "$PANEL")
    xdotool windowclose "$CHILD" 2>/dev/null
    xs_wait_until 5 gone "$RUN" && pass "/P: destroying the child ends the process" ||
        fail "/P: still running after its child was destroyed"
    xs_wait_until 5 no_hack swirl || fail "/P: the hack outlived its window"
else
    fail "/P: second preview did not start"
fi

# The panel's program goes away: ends as well.
if start_preview; then
    kill "$PANEL_PID"
    wait "$PANEL_PID" 2>/dev/null
    xs_wait_until 5 gone "$RUN" && pass "/P: the parent going away ends the process" ||
        fail "/P: still running after its parent went away"
    xs_wait_until 5 no_hack swirl || fail "/P: the hack outlived the parent"
else
    fail "/P: third preview did not start"
fi

# A window that does not exist: ends at once with an error.
"$LAUNCHER" /P 12345
rc=$?
((rc != 0)) && pass "/P: no such window gives exit $rc" || fail "/P: no such window gave exit 0"

# --- "/C": the honest message over the caller's window
"$PROBE" panel >"$WORK/panel-settings.txt" &
PANEL_PID=$!
STARTED+=("$PANEL_PID")
must xs_wait_until 20 xs_file_not_empty "$WORK/panel-settings.txt"
read -r PANEL TOP <"$WORK/panel-settings.txt"
must xs_wait_until 10 viewable "$PANEL"
"$LAUNCHER" /C "$PANEL" &
RUN=$!
STARTED+=("$RUN")
message_window() {
    local id
    id=$(saver_window_id Swirl)
    [[ -n "$id" ]] && viewable "$id"
}
if xs_wait_until 10 message_window; then
    BOX=$(saver_window_id Swirl)
    pass "/C: message window $BOX shown"
    owner=$(xprop -id "$BOX" WM_TRANSIENT_FOR 2>/dev/null | awk '{print $NF}')
    if [[ -n "$owner" && $((owner)) -eq $TOP ]]; then
        pass "/C: transient for the caller's window"
    else
        fail "/C: transient for '$owner', not the caller's window $TOP"
    fi
    xsession_screenshot "$ART/settings.png"
    closed() {
        xdotool windowfocus "$BOX" key Return 2>/dev/null
        xs_wait_until 1 gone "$RUN"
    }
    if xs_wait_until 10 closed; then
        status_of "$RUN"
        pass "/C: closing the message ends the process (exit $?)"
    else
        fail "/C: still running after the message was closed"
    fi
else
    fail "/C: no message window"
fi
kill "$PANEL_PID" 2>/dev/null

# --- the program itself writes the launchers when it starts
if [[ -n "$VISTREL" && -x "$VISTREL" ]]; then
    cat >"$HOME/.xscreensaver" <<'EOF'
mode:		one
selected:	1
programs:							      \
				maze -root				    \n\
- GL:				superquadrics -root			    \n\
				swirl -root				    \n
EOF
    XDG_RUNTIME_DIR="$WORK" "$VISTREL" >"$WORK/vistrel.log" 2>&1 &
    VPID=$!
    STARTED+=("$VPID")
    stand_in="$XDG_DATA_HOME/Vistrel/Windows"
    if xs_wait_until 20 test -x "$stand_in/System/Swirl.scr"; then
        pass "Vistrel writes the launchers at start"
    else
        fail "Vistrel wrote no launchers into $stand_in/System"
    fi
    boot_key_written() {
        tr -d '\r' <"$stand_in/system.ini" 2>/dev/null |
            grep -qxF "SCRNSAVE.EXE=$stand_in/System/Superquadrics.scr"
    }
    if xs_wait_until 10 boot_key_written; then
        pass "Vistrel takes the current screen saver from ~/.xscreensaver"
    else
        fail "system.ini: $(cat "$stand_in/system.ini" 2>/dev/null)"
    fi
    # Killed outright, so that it saves no settings into the build tree.
    kill -9 "$VPID" 2>/dev/null
else
    echo "skip: Vistrel itself (not built)"
fi

echo "artifacts in $ART"
if ((FAILURES > 0)); then
    echo "$FAILURES check(s) failed"
    exit 1
fi
echo "all checks passed"
