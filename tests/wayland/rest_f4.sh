#!/usr/bin/env bash
# F4 in a Wayland session, bound in the compositor to the program's --end-rest switch as a
# sway user binds it. Two instances side by side, with 1-minute periods and a 3-second tone
# as the alert music: "lenient" may be interrupted, "strict" may not. Both rests begin about
# 61 s after start; F4 (typed while a terminal, a Wayland window, has the focus) ends the
# lenient rest, whose music stops, and leaves the strict one running.
#
#   rest_f4.sh PROGRAM_DIR ARTIFACT_DIR VPTR
SCENARIO=wayland_rest_f4
. "$(dirname "${BASH_SOURCE[0]}")/wl_app_lib.sh"
wapp_setup "${1:?usage: rest_f4.sh PROGRAM_DIR ARTIFACT_DIR VPTR}" "${2:?}" "${3:?}"

must wapp_instance strict "${REST_SETTINGS[@]}" CanInterrupt=0
must wapp_instance lenient "${REST_SETTINGS[@]}" CanInterrupt=1
must bind_f4_to_end_rest strict lenient
must start_terminal
start_sampler strict lenient

wapp_start strict
wapp_start lenient
started=$(now)
expect_rests_begin "$started" strict lenient || wapp_finish

sleep 2
terminal_shot terminal-before
f4_at=$(now)
must wl_keys -k F4
if audio_stopped lenient 8; then
    pass "F4 ended the lenient rest: its music stopped $(seconds_between "$f4_at" "$(last_growth lenient)") s after F4"
else
    fail "F4: the lenient rest's music is still written"
fi
if audio_growing strict 3; then
    pass "F4 left the strict rest running"
else
    fail "F4: the strict rest's music stopped"
fi
# The key went to the compositor's binding, not to the focused window.
terminal_shot terminal-after
if same_picture "$ART/terminal-before.png" "$ART/terminal-after.png"; then
    pass "the terminal got nothing of F4"
else
    fail "the terminal changed on F4 (terminal-before.png, terminal-after.png)"
fi
for name in strict lenient; do
    vis_running "$name" && pass "$name still runs" || fail "$name ended"
done
wapp_finish
