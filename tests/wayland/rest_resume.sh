#!/usr/bin/env bash
# A rest that runs out in a Wayland session: with 1-minute periods, a 3-second tone as the
# alert music and F4 not allowed to end the rest, the rest begins about 61 s after start and
# runs out 61 s later; the music's output then stays open while the program waits for the
# user, and one key typed into a terminal (a Wayland window, which the X11 side never hears)
# ends that wait: the output closes within a second.
#
#   rest_resume.sh PROGRAM_DIR ARTIFACT_DIR VPTR
SCENARIO=wayland_rest_resume
. "$(dirname "${BASH_SOURCE[0]}")/wl_app_lib.sh"
wapp_setup "${1:?usage: rest_resume.sh PROGRAM_DIR ARTIFACT_DIR VPTR}" "${2:?}" "${3:?}"

must wapp_instance strict "${REST_SETTINGS[@]}" CanInterrupt=0
must start_terminal
start_sampler strict

wapp_start strict
started=$(now)
expect_rests_begin "$started" strict || wapp_finish
rest_began=$(first_written strict)

# Over once 61 s have passed since it began and the last 5 s written were silence: the last
# tone played out and nothing started it again.
silent_tail() {
    python3 - "$(wapp_audio strict)" $((5 * AUDIO_BYTES_PER_SECOND)) <<'PY'
import array, sys
data = open(sys.argv[1], "rb").read()[-int(sys.argv[2]):]
samples = array.array("h")
samples.frombytes(data[: len(data) // 2 * 2])
sys.exit(0 if max((abs(s) for s in samples), default=0) < 50 else 1)
PY
}
rest_over() {
    awk -v a="$rest_began" -v b="$(now)" 'BEGIN {exit !(b - a >= 66)}' && silent_tail
}
if wl_wait_until 90 rest_over; then
    pass "the rest ran out (looked $(elapsed_since "$rest_began") s after it began)"
else
    fail "the rest's music still sounded 90 s after it began"
    wapp_finish
fi
if audio_growing strict 3; then
    pass "awaiting the user: the music's output stays open"
else
    fail "the music's output closed although nobody touched anything"
fi
wl_screenshot "$ART/awaiting.png"

terminal_shot terminal-before
key_at=$(now)
must wl_keys x
if audio_stopped strict 8; then
    took=$(seconds_between "$key_at" "$(last_growth strict)")
    if awk -v t="$took" 'BEGIN {exit !(t <= 1.0)}'; then
        pass "a key in the terminal started the next work period: the output closed $took s after it"
    else
        fail "the output closed only $took s after the key"
    fi
else
    fail "a key in the terminal did not end the wait: the music's output is still written"
fi
# The key reached the terminal: it was typed into a Wayland window.
terminal_shot terminal-after
if ! same_picture "$ART/terminal-before.png" "$ART/terminal-after.png"; then
    pass "the terminal got the key"
else
    fail "the terminal shows no key typed (terminal-before.png, terminal-after.png)"
fi
vis_running strict && pass "the program still runs" || fail "the program ended"
wapp_finish
