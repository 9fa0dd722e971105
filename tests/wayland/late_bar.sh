#!/usr/bin/env bash
# A tray host that comes after the program: the program starts while no StatusNotifierWatcher
# exists; swaybar started later still gets the icon, and so does a swaybar started again after
# the first one ended.
#
#   late_bar.sh PROGRAM_DIR ARTIFACT_DIR VPTR
SCENARIO=wayland_late_bar
. "$(dirname "${BASH_SOURCE[0]}")/wl_app_lib.sh"
wapp_setup "${1:?usage: late_bar.sh PROGRAM_DIR ARTIFACT_DIR VPTR}" "${2:?}" "${3:?}" --no-bar

must wapp_instance a WorkPeriod=1 RestPeriod=1 AutoRun=0 "Language=English 1033"
wapp_start a
sleep 3
must vis_running a

for round in "a bar started after the program" "the bar started again"; do
    must wl_bar_start
    if wl_wait_until 10 items_registered && wl_wait_until 10 icon_shown; then
        pass "$round: the icon registered and shows ($(registered_items))"
    else
        fail "$round: no icon (registered: $(registered_items | tr '\n' ' '))"
    fi
    wl_screenshot "$ART/bar-${round// /-}.png"
    wl_bar_stop
done

if vis_running a; then
    pass "the program still runs"
else
    fail "the program ended"
fi
wapp_finish
