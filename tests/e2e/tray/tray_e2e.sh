#!/usr/bin/env bash
# The tray icon end to end: the demo program on Xvfb with trayer as the notification area,
# driven with xdotool. Checks what a user sees (screenshots) and what the program heard (its
# event log). Every wait polls with a deadline.
#
#   tray_e2e.sh DEMO_BINARY [ARTIFACT_DIR]
set -u

DEMO=${1:?usage: tray_e2e.sh DEMO_BINARY [ARTIFACT_DIR]}
ART=${2:-$(mktemp -d "${TMPDIR:-/tmp}/tray-e2e-XXXXXX")}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../lib/xsession.sh"
. "$HERE/../lib/checks.sh"

for tool in xdotool xdpyinfo import convert compare python3; do
    type -P "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done
rm -rf "$ART"
mkdir -p "$ART"
LOG="$ART/events.log"
DEMO_NAME=$(basename "$DEMO")
DEMO_PID=

cleanup() {
    if [[ -n "$DEMO_PID" ]] && kill -0 "$DEMO_PID" 2>/dev/null; then
        xs_stop_process "$DEMO_PID"
    fi
    xsession_stop
}
trap cleanup EXIT

# A fatal failure shows the event log so far.
show_log() {
    echo "--- event log"
    cat "$LOG" 2>/dev/null
}
ON_FATAL=show_log

count() { grep -cx -- "$1" "$LOG" 2>/dev/null || true; }
logged() { [[ $(count "$1") -ge ${2:-1} ]]; }
logged_prefix() { grep -q -- "^$1" "$LOG" 2>/dev/null; }

# The icon's window inside the tray panel: prints "X Y W H" in screen coordinates.
icon_geometry() {
    xwininfo -root -tree 2>/dev/null | python3 -c '
import re, sys
name = sys.argv[1]
lines = sys.stdin.read().splitlines()
panel = None
for i, line in enumerate(lines):
    if "\"panel\": (\"panel\" \"trayer\")" in line:
        panel = i
        depth = len(line) - len(line.lstrip())
        break
if panel is None:
    sys.exit(1)
for line in lines[panel + 1:]:
    d = len(line) - len(line.lstrip())
    if d <= depth and line.strip():
        break
    if "\"%s\": (" % name in line:
        m = re.search(r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
        if m:
            w, h, x, y = m.groups()
            print(x, y, w, h)
            sys.exit(0)
sys.exit(1)
' "$DEMO_NAME"
}
icon_docked() { icon_geometry >/dev/null; }
icon_gone() { ! icon_docked; }

# Counts of bright and dark pixels in a region (file x y w h): prints the bright pixels and the
# dark pixels inside the bright area's bounding box (text on a light balloon or menu).
region_stats() {
    local file=$1 geometry="${4}x${5}+${2}+${3}"
    local bright box dark=0
    bright=$(convert "$file" -crop "$geometry" +repage -colorspace Gray -threshold 78% \
        -format "%[fx:round(mean*w*h)]" info:) || return 1
    if ((bright > 0)); then
        box=$(convert "$file" -crop "$geometry" +repage -colorspace Gray -threshold 78% \
            -format "%@" info:) || return 1
        dark=$(convert "$file" -crop "$geometry" +repage -crop "$box" +repage -colorspace Gray \
            -threshold 35% -negate -format "%[fx:round(mean*w*h)]" info:) || return 1
    fi
    echo "$bright $dark"
}

# True when the region below the tray shows a light box with dark text in it; a tooltip is
# smaller than a balloon or a menu, so the least area is an argument (default 3000 pixels).
text_box_below_tray() {
    local out=$1 least=${2:-3000}
    xsession_screenshot "$out"
    local stats
    stats=$(region_stats "$out" $((SCREEN_W - 420)) 34 420 200) || return 1
    local bright=${stats% *} dark=${stats#* }
    ((bright > least && dark > 30))
}

# Waits until the screen below the tray is back to the empty root (balloon gone).
nothing_below_tray() {
    xsession_screenshot "$ART/clear.png"
    local stats
    stats=$(region_stats "$ART/clear.png" $((SCREEN_W - 420)) 34 420 200) || return 1
    ((${stats% *} < 200))
}

icon_pictures_differ() {
    xsession_screenshot "$ART/frame-b.png" "$ICON_REGION"
    local ae
    ae=$(compare -metric AE "$ART/frame-a.png" "$ART/frame-b.png" null: 2>&1)
    [[ "${ae%% *}" =~ ^[0-9]+$ ]] && ((${ae%% *} > 0))
}

click_icon() { xdotool mousemove "$ICON_CX" "$ICON_CY" click "$@"; }

locate_icon() {
    read -r IX IY IW IH < <(icon_geometry)
    ICON_CX=$((IX + IW / 2))
    ICON_CY=$((IY + IH / 2))
    ICON_REGION="${IW}x${IH}+${IX}+${IY}"
}

# Qt pairs two presses closer than the double-click time into a double click; single clicks
# that must stay single are spaced further apart than that.
click_gap() { sleep 0.8; }

# ---- Session and program ------------------------------------------------------------------
XS_DIR="$ART/session"
must xsession_start
SCREEN_W=$(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1]; exit}')
xdotool mousemove 10 300

"$DEMO" --log "$LOG" >"$ART/demo.out" 2>&1 &
DEMO_PID=$!
must xs_wait_until 20 logged ready
must xs_wait_until 20 icon_docked
locate_icon
pass "icon docked at $ICON_REGION"

# ---- Animation ----------------------------------------------------------------------------
xsession_screenshot "$ART/frame-a.png" "$ICON_REGION"
if xs_wait_until 5 icon_pictures_differ; then
    pass "icon animates"
else
    fail "the icon did not change within 5 s"
fi
xsession_screenshot "$ART/tray.png" "300x40+$((SCREEN_W - 300))+0"

# ---- Hover: mouse-move notifications and the tooltip ----------------------------------------
xdotool mousemove "$ICON_CX" "$ICON_CY"
if xs_wait_until 5 logged_prefix "move $ICON_CX $ICON_CY"; then
    pass "pointer over the icon gives mouse-move events at the cursor"
else
    fail "no mouse-move event at $ICON_CX $ICON_CY"
fi
if xs_wait_until 8 text_box_below_tray "$ART/tooltip.png" 500; then
    pass "tooltip shows"
else
    fail "no tooltip appeared"
fi
xdotool mousemove 10 300
xs_wait_until 15 nothing_below_tray

# ---- Click: click event, then the balloon the click handler shows --------------------------
: >"$ART/mark"
click_icon 1
if xs_wait_until 5 logged click && xs_wait_until 5 logged balloon-show; then
    pass "left click raises click and shows a balloon"
else
    fail "left click: no click event or no balloon notification"
fi
if [[ "$(grep -x -e 'down left' -e click -e 'up left' "$LOG" | head -3 | tr '\n' ',')" == "down left,click,up left," ]]; then
    pass "click comes between button down and up"
else
    fail "left click order: $(grep -x -e 'down left' -e click -e 'up left' "$LOG" | tr '\n' ',')"
fi
if xs_wait_until 5 text_box_below_tray "$ART/balloon.png"; then
    pass "balloon visible"
else
    fail "balloon not visible on screen"
fi

# ---- Double click: one click, one double click, one run of the default item ---------------
click_gap
clicks_before=$(count click)
click_icon --repeat 2 --delay 90 1
if xs_wait_until 5 logged menu:Options; then
    pass "double click runs the default menu item"
else
    fail "double click did not run the default item"
fi
click_gap
if [[ $(count dblclick) -eq 1 && $(count menu:Options) -eq 1 &&
    $(count click) -eq $((clicks_before + 1)) ]]; then
    pass "double click: exactly one click, one double click, one default item"
else
    fail "double click counts: click +$(($(count click) - clicks_before)) dblclick $(count dblclick) default $(count menu:Options)"
fi

# ---- Right click: the popup menu, chosen by keyboard ---------------------------------------
click_icon 3
must xs_wait_until 5 logged popup
if xs_wait_until 5 text_box_below_tray "$ART/menu.png"; then
    pass "right click opens the popup menu"
else
    fail "popup menu not visible"
fi
xdotool key Down Down Return # Options, then past the separator to Balloon
if xs_wait_until 5 logged menu:Balloon && xs_wait_until 5 logged balloon-show 2; then
    pass "menu item chosen runs its click (a balloon from the menu)"
    xs_wait_until 5 text_box_below_tray "$ART/balloon-menu.png"
else
    fail "choosing a menu item had no effect"
fi
if logged "up right"; then
    pass "right button up reported after the menu"
else
    fail "no right button up"
fi

# ---- The tray host goes away and comes back ------------------------------------------------
click_gap
must xsession_tray_stop
if xs_wait_until 10 icon_gone; then
    pass "icon gone with the tray host"
else
    fail "icon still docked after the tray host ended"
fi
must xsession_tray_start
if xs_wait_until 15 icon_docked; then
    pass "icon back after the tray host restarted"
    locate_icon
    xsession_screenshot "$ART/tray-after-restart.png" "300x40+$((SCREEN_W - 300))+0"
    clicks_before=$(count click)
    click_icon 1
    if xs_wait_until 5 logged click $((clicks_before + 1)); then
        pass "re-docked icon answers clicks"
    else
        fail "re-docked icon does not answer clicks"
    fi
else
    fail "icon did not come back"
fi

# ---- Exit from the menu ------------------------------------------------------------------------
click_gap
click_icon 3
must xs_wait_until 5 logged popup 2
xdotool key Up Return # the last item
if xs_wait_until 10 xs_process_gone "$DEMO_PID"; then
    wait "$DEMO_PID"
    code=$?
    DEMO_PID=
    if [[ $code -eq 0 ]] && logged menu:Exit && logged "exit 0"; then
        pass "Exit from the menu ends the program cleanly"
    else
        fail "exit code $code"
    fi
else
    fail "the program did not end after Exit"
fi

echo "--- event log ($LOG)"
sort "$LOG" | uniq -c | sort -rn | head -20
echo "artifacts: $ART"
if ((FAILURES > 0)); then
    echo "$FAILURES check(s) failed"
    exit 1
fi
echo "all tray checks passed"
