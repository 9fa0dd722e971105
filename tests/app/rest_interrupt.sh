#!/usr/bin/env bash
# A rest on a real desktop, ended by F4: with 1-minute periods and the music alert playing a
# WAV of the music folder, the rest begins 61 ticks after start (the audio output opens and
# sounds, the tray icon freezes and its tooltip says so); F4 ends it (the output closes, the
# icon animates again) and a full new work period starts.
#
# The monitor cannot be watched here: Xvfb has no DPMS extension, so the program's request to
# turn the monitor off has nothing to act on (the unit tests check that it is made).
#
#   rest_interrupt.sh PROGRAM_DIR ARTIFACT_DIR
SCENARIO=rest_interrupt
. "$(dirname "${BASH_SOURCE[0]}")/app_lib.sh"
app_setup "${1:?usage: rest_interrupt.sh PROGRAM_DIR ARTIFACT_DIR}" "${2:?}"

must make_tone "Rest tone.wav" 3
write_settings WorkPeriod=1 RestPeriod=1 AlertMethod=1 PlayMethod=0 "MusicFile=Rest tone.wav" \
    CanInterrupt=1 AutoRun=0 "Language=English 1033"

app_start
must xs_wait_until 20 icon_docked
locate_icon
if icon_animates 4; then
    pass "icon animates during work"
else
    fail "the icon did not change within 4 s of work"
fi

# ---- The rest begins ----------------------------------------------------------------------
# A work period of 60 s lasts 61 ticks; the output opens when the alert plays.
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
    pass "the alert music sounds (peak $(audio_peak 2))"
else
    fail "only silence written (peak $(audio_peak 2))"
fi
if icon_frozen; then
    pass "icon frozen during the rest"
else
    fail "the icon changed during the rest"
fi

# ---- F4 ends it -----------------------------------------------------------------------------
f4_at=$(now)
xdotool key F4
if audio_stopped 6; then
    pass "F4: the audio output stopped ($(elapsed_since "$f4_at") s after F4)"
else
    fail "F4: the audio kept being written"
fi
if icon_animates 4; then
    pass "F4: the icon animates again"
else
    fail "F4: the icon stayed frozen"
fi
# The new work period is a full minute, counted from F4.
expect_fresh_work_period "F4" "$f4_at"

end_with_sigterm
app_finish
