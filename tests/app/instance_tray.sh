#!/usr/bin/env bash
# The program's presence on a real desktop: with no settings file it starts on the default
# 50-minute work period with an animated tray icon and no window; a second start ends at once
# with code 0 and docks no second icon; hovering the icon shows the time left as a tooltip, a
# click shows it as a balloon, a right click opens the menu in its order and Escape closes it;
# SIGINT closes the program as Exit does.
#
#   instance_tray.sh PROGRAM_DIR ARTIFACT_DIR
SCENARIO=instance_tray
. "$(dirname "${BASH_SOURCE[0]}")/app_lib.sh"
app_setup "${1:?usage: instance_tray.sh PROGRAM_DIR ARTIFACT_DIR}" "${2:?}"

DEFAULT_WORK=3000 # seconds of the default work period

# Seconds left as read in "hh:nn:ss" within $1 (OCR may read a colon as a full stop).
seconds_in() {
    local t
    t=$(grep -Eo '[0-9]{2}[:.][0-9]{2}[:.][0-9]{2}' <<<"$1" | head -1) || return 1
    [[ -n "$t" ]] || return 1
    echo $((10#${t:0:2} * 3600 + 10#${t:3:2} * 60 + 10#${t:6:2}))
}

# The time shown must be the default period less the ticks since start: at least the ticks
# counted up to the shot, at most those counted before the event (start-up takes a moment).
check_time_left() {
    local what=$1 text=$2 event_elapsed=$3 shot_elapsed=$4 left
    if ! left=$(seconds_in "$text"); then
        fail "$what: no hh:nn:ss time read in: $text"
        return
    fi
    local lo hi
    lo=$(awk -v e="$shot_elapsed" -v p=$DEFAULT_WORK 'BEGIN {printf "%d", p - e - 2}')
    hi=$(awk -v e="$event_elapsed" -v p=$DEFAULT_WORK 'BEGIN {printf "%d", p - e + 2}')
    if ((left >= lo && left <= hi)); then
        pass "$what shows $left s left (expected $lo..$hi)"
    else
        fail "$what shows $left s left, expected $lo..$hi: $text"
    fi
}

# ---- Start: the icon, animated, and no window ----------------------------------------------
app_start
must xs_wait_until 20 icon_docked
locate_icon
pass "icon docked at $ICON_REGION"
if icon_animates 4; then
    pass "icon animates during work"
else
    fail "the icon did not change within 4 s"
fi
xsession_screenshot "$ART/desktop.png"
# Only the icon is on screen: nothing is drawn outside the tray.
mean=$(convert "$ART/desktop.png" -crop "${SCREEN_W}x560+0+40" +repage -colorspace Gray \
    -format "%[fx:mean]" info:)
if awk -v m="$mean" 'BEGIN {exit !(m < 0.01)}'; then
    pass "no window shown"
else
    fail "something is drawn outside the tray (mean brightness $mean, see desktop.png)"
fi

# ---- A second instance ----------------------------------------------------------------------
second_start=$(now)
"$PROG/Vistrel" >"$ART/second.out" 2>&1 &
second_pid=$!
most_icons=0
second_gone() {
    local n
    n=$(tray_icon_count)
    ((n > most_icons)) && most_icons=$n
    xs_process_gone "$second_pid"
}
if xs_wait_until 5 second_gone; then
    wait "$second_pid"
    code=$?
    took=$(elapsed_since "$second_start")
    if ((code == 0)) && between "$took" 0 2; then
        pass "second instance ended with code 0 after $took s"
    else
        fail "second instance: exit code $code after $took s"
    fi
else
    kill -9 "$second_pid" 2>/dev/null
    wait "$second_pid" 2>/dev/null
    fail "second instance still running after 5 s"
fi
if ((most_icons == 1)) && [[ $(tray_icon_count) == 1 ]]; then
    pass "no second icon docked"
else
    fail "tray held $most_icons icon(s) while the second instance ran"
fi
if kill -0 "$VIS_PID" 2>/dev/null; then
    pass "first instance still running"
else
    fail "first instance ended"
fi

# ---- Hover: the tooltip ---------------------------------------------------------------------
hover_at=$(elapsed_since "$VIS_STARTED")
hover_icon
if xs_wait_until 8 text_below_tray tooltip 'Vistrel.*left'; then
    shot_at=$(elapsed_since "$VIS_STARTED")
    tooltip=$(grep -E 'Vistrel.*left' <<<"$OCR_TEXT" | head -1)
    if grep -Eq 'Vistrel - [0-9]{2}[:.][0-9]{2}[:.][0-9]{2} +left' <<<"$tooltip"; then
        pass "tooltip reads: $tooltip"
    else
        fail "tooltip not of the form \"Vistrel - hh:nn:ss  left\": $tooltip"
    fi
    check_time_left tooltip "$tooltip" "$hover_at" "$shot_at"
else
    fail "no tooltip with \"Vistrel ... left\" (read: $OCR_TEXT)"
fi

# ---- Left click: the balloon ----------------------------------------------------------------
xdotool mousemove 200 400
click_gap
click_at=$(elapsed_since "$VIS_STARTED")
click_icon 1
xdotool mousemove 200 400 # away, so the tooltip does not cover the balloon
if xs_wait_until 8 text_below_tray balloon '[0-9]{2}[:.][0-9]{2}[:.][0-9]{2} +left'; then
    shot_at=$(elapsed_since "$VIS_STARTED")
    if grep -q Vistrel <<<"$OCR_TEXT"; then
        pass "balloon titled Vistrel shows the time left"
    else
        fail "balloon without the title Vistrel: $OCR_TEXT"
    fi
    check_time_left balloon "$OCR_TEXT" "$click_at" "$shot_at"
else
    fail "no balloon with the time left after a click (read: $OCR_TEXT)"
fi

# ---- Right click: the menu; Escape closes it ------------------------------------------------
click_gap
click_icon 3
menu_items() { grep -Eo 'Help|About|Option|Update|Exit' <<<"$1" | tr '\n' ' '; }
if xs_wait_until 6 text_below_tray menu 'Exit'; then
    # Read once more without the tray's own column, whose icon can run into the first item's
    # line and spoil its reading.
    items=$(menu_items "$(ocr_region menu-items "$(menu_text_region)")")
    [[ "$items" == "Help About Option Update Exit " ]] || items=$(menu_items "$OCR_TEXT")
    if [[ "$items" == "Help About Option Update Exit " ]]; then
        pass "menu shows Help, About, Option, Update, Exit in order"
    else
        fail "menu items read: $items"
    fi
    # The default item (Option) is bold: its strokes are clearly wider than the others'.
    widths=$(word_boxes menu | while read -r word x y w h; do
        [[ "$word" =~ ^(Help|About|Option|Update|Exit)$ ]] &&
            echo "$word $(stroke_width "$ART/menu.png" "$x" "$y" "$w" "$h")"
    done)
    if awk '$1 == "Option" {bold = $2} $1 != "Option" && $2 > widest {widest = $2}
            END {exit !(bold > 1.4 * widest && widest > 0)}' <<<"$widths"; then
        pass "only Option is bold (stroke widths: $(tr '\n' ' ' <<<"$widths"))"
    else
        fail "Option is not the one bold item (stroke widths: $(tr '\n' ' ' <<<"$widths"))"
    fi
    xdotool key Escape
    if xs_wait_until 5 eval '! text_below_tray menu-closed "Option|Exit"'; then
        pass "Escape closes the menu"
    else
        fail "menu still shown after Escape"
    fi
else
    fail "right click opened no menu (read: $OCR_TEXT)"
fi

# ---- SIGINT: closed as by Exit --------------------------------------------------------------
xdotool mousemove 200 400
rm -f "$INI"
kill -INT "$VIS_PID"
if app_wait_exit 10; then
    if ((VIS_CODE == 0)); then
        pass "SIGINT: program ended with code 0"
    else
        fail "SIGINT: exit code $VIS_CODE"
    fi
    if [[ -f "$INI" && "$(ini_value WorkPeriod)" == 50 && "$(ini_value RestPeriod)" == 10 ]]; then
        pass "SIGINT: the default settings were saved"
    else
        fail "SIGINT: settings file missing or not the defaults"
    fi
else
    fail "SIGINT did not end the program within 10 s"
fi
if xs_wait_until 5 eval '[[ $(tray_icon_count) == 0 ]]'; then
    pass "icon removed"
else
    fail "icon still docked after the program ended"
fi

app_finish
