#!/usr/bin/env bash
# The tray icon in a Wayland session, with swaybar as the StatusNotifierItem host and mako as
# the notification service: the program registers its icon with the watcher and the icon
# shows and animates in the bar; a click shows the time left as a notification; a right
# click opens the program's own menu (swaybar shows none) and Escape closes it.
#
#   tray.sh PROGRAM_DIR ARTIFACT_DIR VPTR
SCENARIO=wayland_tray
. "$(dirname "${BASH_SOURCE[0]}")/wl_app_lib.sh"
wapp_setup "${1:?usage: tray.sh PROGRAM_DIR ARTIFACT_DIR VPTR}" "${2:?}" "${3:?}"

# The notification service, where balloons go; it shows them at the output's top right.
wl_spawn mako mako
must wl_wait_until 10 wl_bus_has org.freedesktop.Notifications
NOTE_REGION="$((${WL_SIZE%x*} - 400)),20 400x120"

must wapp_instance a WorkPeriod=1 RestPeriod=1 AutoRun=0 "Language=English 1033"
wapp_start a
if wl_wait_until 20 items_registered; then
    pass "the icon registered with the StatusNotifierWatcher: $(registered_items)"
else
    fail "no item registered within 20 s"
fi
if wl_wait_until 10 icon_shown; then
    pass "swaybar shows the icon at ${TRAY_X},$TRAY_Y ${TRAY_W}x$TRAY_H"
    wl_screenshot "$ART/bar-with-icon.png"
else
    fail "nothing drawn in the bar's tray"
    wapp_finish
fi
if icon_animates 4; then
    pass "the icon animates in the bar"
else
    fail "the icon in the bar stays on one picture"
fi

# ---- A click: the time left as a notification ------------------------------------------------
must click_icon 1
if wl_wait_until 8 screen_text notification '[0-9]{2}[:.][0-9]{2}[:.][0-9]{2} +left' "$NOTE_REGION"; then
    if grep -q Vistrel <<<"$OCR_TEXT"; then
        pass "a click shows the notification: $(tr '\n' ' ' <<<"$OCR_TEXT")"
    else
        fail "the notification lacks the title Vistrel: $OCR_TEXT"
    fi
else
    fail "no notification with the time left after a click (read: $OCR_TEXT)"
fi

# ---- A right click: the program's own menu --------------------------------------------------
# Single clicks further apart than the double-click time stay single.
sleep 0.8
must click_icon 3
if wl_wait_until 8 screen_text menu 'Exit'; then
    items=$(grep -Eo 'Help|About|Option|Update|Exit' <<<"$OCR_TEXT" | tr '\n' ' ')
    if [[ "$items" == "Help About Option Update Exit " ]]; then
        pass "a right click opens the menu: $items"
    else
        fail "the menu reads: $OCR_TEXT"
    fi
    wl_keys -k Escape
    if wl_wait_until 5 eval '! screen_text menu-closed Exit'; then
        pass "Escape closes the menu"
    else
        fail "the menu stayed open after Escape"
    fi
else
    fail "no menu after a right click (read: $OCR_TEXT)"
fi

if vis_running a; then
    pass "the program still runs"
else
    fail "the program ended"
fi
wapp_finish
