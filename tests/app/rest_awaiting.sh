#!/usr/bin/env bash
# A rest that runs out on a real desktop: with 1-minute periods, F4 not allowed to end the
# rest and a 3-second WAV as the alert music, the rest begins 61 ticks after start; during it
# the icon ignores the mouse (its tooltip says to rest, no menu opens), F4 changes nothing and
# the music starts again each time it ends; 61 ticks later the rest is over: the music plays
# out and is not started again, the icon stays frozen while nobody touches anything, and the
# first mouse move starts a fresh work period.
#
# The monitor cannot be watched here: Xvfb has no DPMS extension, so the program's request to
# turn the monitor off has nothing to act on (the unit tests check that it is made).
#
#   rest_awaiting.sh PROGRAM_DIR ARTIFACT_DIR
SCENARIO=rest_awaiting
. "$(dirname "${BASH_SOURCE[0]}")/app_lib.sh"
app_setup "${1:?usage: rest_awaiting.sh PROGRAM_DIR ARTIFACT_DIR}" "${2:?}"

TONE_SECONDS=3
must make_tone "Rest tone.wav" $TONE_SECONDS
write_settings WorkPeriod=1 RestPeriod=1 AlertMethod=1 PlayMethod=0 "MusicFile=Rest tone.wav" \
    CanInterrupt=0 AutoRun=0 "Language=English 1033"

# The output's size every 0.1 s, from a background loop: the output opened anew shows as a
# smaller size at about the instant it happened, however late a check gets to look on a busy
# machine (polling and reading the audio there can lag the program by seconds).
AUDIO_LOG="$ROOT/audio-sizes"
SAMPLER_PID=
sample_audio() {
    while :; do
        echo "$(date +%s.%N) $(audio_size)"
        sleep 0.1
    done >"$AUDIO_LOG"
}
stop_sampler() { [[ -n "$SAMPLER_PID" ]] && kill "$SAMPLER_PID" 2>/dev/null; }
APP_EXTRA_CLEANUP=stop_sampler
# Instants at which the output was first written and then opened anew, since the instant $1.
audio_first_written() { awk '$2 > 0 {print $1; exit}' "$AUDIO_LOG"; }
audio_reopens_since() { awk -v since="$1" '$1 >= since && $2 < prev {print $1} {prev = $2}' "$AUDIO_LOG"; }
sample_audio &
SAMPLER_PID=$!

app_start
must xs_wait_until 20 icon_docked
locate_icon

# ---- The rest begins ----------------------------------------------------------------------
if wait_while_running 90 xs_file_not_empty "$AUDIO"; then
    took=$(elapsed_since "$VIS_STARTED")
    if between "$took" 60 66; then
        pass "rest began $took s after start"
    else
        fail "rest began $took s after start, expected about 61"
    fi
else
    fail "no audio written within 90 s of start"
    app_finish
fi
if xs_wait_until 4 audio_sounding; then
    pass "the alert music sounds"
else
    fail "only silence written (peak $(audio_peak 2))"
fi

# ---- The icon during the rest ---------------------------------------------------------------
hover_icon
if xs_wait_until 8 text_below_tray rest-tooltip 'Have a rest'; then
    if grep -q 'Vistrel - Have a rest!' <<<"$OCR_TEXT" && ! grep -q 'left' <<<"$OCR_TEXT"; then
        pass "tooltip during the rest: Vistrel - Have a rest!"
    else
        fail "tooltip during the rest reads: $OCR_TEXT"
    fi
else
    fail "no \"Have a rest\" tooltip during the rest (read: $OCR_TEXT)"
fi
click_gap
click_icon 3
xdotool mousemove 200 400
if xs_wait_until 3 text_below_tray rest-menu 'Option|Exit|left'; then
    fail "the icon answered a right click during the rest: $OCR_TEXT"
else
    pass "no menu and no balloon during the rest"
fi

# ---- F4 may not end this rest ---------------------------------------------------------------
xdotool key F4
if icon_frozen && audio_growing 3; then
    pass "F4 changed nothing: icon frozen, music output still open"
else
    fail "F4 ended a rest that may not be interrupted"
fi
# The 3-second tone starts again on the first tick after it ended: the output is reopened.
looked_at=$(now)
reopened() { [[ -n "$(audio_reopens_since "$looked_at")" ]]; }
if xs_wait_until $((2 * TONE_SECONDS + 4)) reopened && xs_wait_until 4 audio_sounding; then
    pass "the music started again after it ended"
else
    fail "the music was not started again during the rest"
fi

# ---- The rest runs out ----------------------------------------------------------------------
# Over once the output has held 5 s of silence without being reopened: the last tone played
# out and nothing started it again.
rest_over() {
    (($(audio_size) >= 5 * AUDIO_BYTES_PER_SECOND)) && audio_silent_tail 5
}
if wait_while_running 90 rest_over; then
    # The rest lasts 61 ticks from the first tone; the last tone began within its last
    # TONE_SECONDS + 1 ticks. Timed from the sampled output, not from when this check looked.
    began=$(audio_first_written)
    last=$(audio_reopens_since "$began" | tail -1)
    lasted=$(awk -v a="$began" -v b="${last:-$began}" 'BEGIN {printf "%.1f", b - a}')
    if between "$lasted" $((61 - TONE_SECONDS - 2)) 62.5; then
        pass "rest ran out: the last tone began $lasted s after the rest began, then none"
    else
        fail "the last tone began $lasted s after the rest began, expected $((61 - TONE_SECONDS - 1)) to 61"
    fi
else
    fail "the music was still being restarted 90 s after the rest began"
    app_finish
fi
if icon_frozen 3000 && audio_growing 3; then
    pass "awaiting activity: icon frozen, the music's output still open"
else
    fail "awaiting activity: the icon moved or the output closed without any input"
fi
xsession_screenshot "$ART/awaiting.png"

# ---- A mouse move resumes work --------------------------------------------------------------
moved_at=$(now)
xdotool mousemove_relative 40 40
if icon_animates 3; then
    pass "mouse move: the icon animates again ($(elapsed_since "$moved_at") s)"
else
    fail "mouse move: the icon stayed frozen"
fi
if audio_stopped 6; then
    pass "mouse move: the music's output closed"
else
    fail "mouse move: the music's output is still written"
fi
expect_fresh_work_period "mouse move" "$moved_at"

end_with_sigterm
app_finish
