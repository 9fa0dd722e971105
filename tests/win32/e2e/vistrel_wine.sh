#!/usr/bin/env bash
# Vistrel.exe end to end under Wine: a copy of the program folder under a path with a blank,
# a Wine prefix of its own, a private Xvfb session with trayer (Wine docks its tray icons
# there), driven with xdotool and read back through screenshots, OCR, the settings file and
# `wine reg query`. The screen helpers are the ones of the Linux program's tests.
#
# Usage: vistrel_wine.sh SCENARIO PROGRAM_DIR ARTIFACT_DIR [HOT_KEY_HOLDER_EXE]
#   dock_exit    icon docks and animates, a second start ends at once with 0, tooltip and
#                menu read back, Exit writes the settings and the Run value, removes the icon
#                and releases F4
#   rest_f4      a one-minute work period: the rest freezes the icon at about 61 s, F4 ends it
#   rest_idle    a rest runs out; without Hook.dll the system's idle time, unknown until then,
#                notices the session's first input and work resumes
#   rest_music_hook  a music rest: the wave sounds (its samples as they are) and starts again
#                each time it ends; after the rest a key press resumes work through Hook.dll
#   session_end  the end of the session (wineboot -e) closes as Exit does
#   read_only    a program folder that cannot be written: the error box, the old file intact
#   zip          PROGRAM_DIR is the unpacked .zip: it carries the program, Hook.dll and the
#                language, music and help folders, and runs from them in German
set -u
SCENARIO=$1
WINE_TESTS=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$WINE_TESTS/../app/app_lib.sh"
. "$WINE_TESTS/lib/wine.sh"
TRAY_ICON_CLASS=explorer.exe
RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
SETTINGS_KEYS="AlertMethod AutoRun AutoUpdate CanInterrupt Language MusicFile PlayMethod RestPeriod SSMethod ScreenSaver WorkPeriod"

wine_cleanup() { wine_server_stop; }

# The program folder and a fresh prefix of the scenario's own, with its wineserver.
wine_setup() {
    local source_program=$1
    ART=$2
    for tool in wine wineserver xdotool xwininfo import convert compare tesseract python3; do
        type -P "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
    done
    [[ -f "$source_program/Vistrel.exe" ]] || { echo "FAIL: no Vistrel.exe in $source_program"; exit 1; }
    rm -rf "$ART"
    mkdir -p "$ART"
    ROOT=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-wine-XXXXXX")
    APP_EXTRA_CLEANUP=wine_cleanup
    trap app_cleanup EXIT
    PROG="$ROOT/Program Files/Vistrel"
    mkdir -p "$ROOT/Program Files"
    cp -a "$source_program" "$PROG"
    rm -f "$PROG"/Vistrel*.ini
    XS_DIR="$ART/session"
    must xsession_start
    SCREEN_W=$(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1]; exit}')
    xdotool mousemove 200 400
    # Not the prefix the other Windows tests share: its desktop began without a display.
    export WINEPREFIX="$ROOT/prefix"
    wine_env
    must wine_prepare
    must wine_server_start
    INI="$PROG/Vistrel - $(wine_user).ini"
}

# The user name Windows programs see in this prefix.
wine_user() {
    wine cmd /c echo %USERNAME% 2>/dev/null </dev/null | tr -d '\r\n'
}

app_start() {
    VIS_STARTED=$(now)
    (cd "$PROG" && exec wine ./Vistrel.exe </dev/null >>"$ART/vistrel.out" 2>&1) &
    VIS_PID=$!
}

icon_gone() { ! icon_docked; }

# Wine's tooltip is a small window of its own below the tray; read alone, its one line reads
# far better than the whole area with the tray's column beside it. Prints "WxH+X+Y".
tooltip_geometry() {
    local id geometry
    while read -r id geometry; do
        [[ "$(xwininfo -id "$id" | awk '/Map State:/ {print $3}')" == IsViewable ]] || continue
        echo "$geometry"
        return 0
    done < <(xwininfo -root -children | awk '
        match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+/) {
            split(substr($0, RSTART, RLENGTH), g, /[x+]/)
            if (g[2] <= 40 && g[1] >= 60 && g[4] >= 20 && g[4] < 120) print $1, substr($0, RSTART, RLENGTH)
        }')
    return 1
}
# The text below the tray (app_lib's reading), tried first on the tooltip's window alone.
text_below_tray() {
    local geometry
    if geometry=$(tooltip_geometry); then
        xsession_screenshot "$ART/$1.png" "$geometry" &&
            convert "$ART/$1.png" -colorspace Gray -resize 400% "$ART/$1-ocr.png" &&
            OCR_TEXT=$(tesseract "$ART/$1-ocr.png" - --psm 7 2>/dev/null) &&
            grep -Eq -- "$2" <<<"$OCR_TEXT" && return 0
    fi
    OCR_TEXT=$(ocr_region "$1" "$(below_tray_region)")
    grep -Eq -- "$2" <<<"$OCR_TEXT"
}
# True when another program can register F4 (the test's hot-key holder, given as the fourth
# argument).
f4_free() { wine "$HOLDER" --try </dev/null >/dev/null 2>&1; }
run_value() { wine reg query "$RUN_KEY" /v Vistrel.exe 2>/dev/null </dev/null | tr -d '\r'; }

# The settings file holds the eleven keys with CR LF line ends, and the Run value the quoted
# full path of the program.
expect_saved() {
    local what=$1 keys crlf lines
    keys=$(ini_keys)
    if [[ "$keys" == "$SETTINGS_KEYS" ]]; then
        pass "$what: the eleven keys are saved"
    else
        fail "$what: settings keys \"$keys\""
    fi
    lines=$(wc -l <"$INI")
    crlf=$(grep -c $'\r$' "$INI")
    if ((lines > 0 && crlf == lines)); then
        pass "$what: every line ends in CR LF"
    else
        fail "$what: $crlf of $lines lines end in CR LF"
    fi
    if run_value | grep -Fq "\"Z:${PROG//\//\\}\\Vistrel.exe\""; then
        pass "$what: the Run value holds the quoted full path"
    else
        fail "$what: Run value $(run_value | tail -n +2)"
    fi
}

start_and_dock() {
    app_start
    if wait_while_running 30 icon_docked && locate_icon; then
        DOCKED=$(now)
        pass "the icon docks in the tray ($(elapsed_since "$VIS_STARTED") s)"
    else
        fail "no icon docked"
        app_finish
    fi
}

# ---- Scenarios -----------------------------------------------------------------------------

scenario_dock_exit() {
    start_and_dock
    if icon_animates 4; then pass "the icon animates"; else fail "the icon does not animate"; fi

    local started second_code
    started=$(now)
    (cd "$PROG" && timeout 20 wine ./Vistrel.exe </dev/null >>"$ART/second.out" 2>&1)
    second_code=$?
    if ((second_code == 0)) && between "$(elapsed_since "$started")" 0 5; then
        pass "a second start ends at once with code 0 ($(elapsed_since "$started") s)"
    else
        fail "a second start: code $second_code after $(elapsed_since "$started") s"
    fi
    [[ $(tray_icon_count) -eq 1 ]] && pass "still one icon" || fail "$(tray_icon_count) icons"

    hover_icon
    if xs_wait_until 8 text_below_tray tooltip 'Vistrel.*00[:.-]4[0-9][:.-][0-9]{2}.*left'; then
        pass "tooltip: $OCR_TEXT"
    else
        fail "no time-left tooltip (read: $OCR_TEXT)"
    fi
    xdotool mousemove 200 400
    sleep 0.5

    click_icon 3
    local items=
    xs_wait_until 6 text_below_tray menu 'Exit' && items=$(tr -s '\n ' '  ' <<<"$OCR_TEXT")
    if grep -Eq 'Help About Option Update Exit' <<<"$items"; then
        pass "the menu reads $items"
    else
        fail "menu read as: $items"
    fi
    xdotool key Escape
    sleep 0.5

    [[ -f "$INI" ]] && fail "settings written before Exit"
    if [[ -n "$HOLDER" ]]; then
        if f4_free; then fail "F4 is free while the program runs"; else pass "the program holds F4"; fi
    fi
    must choose_menu_item Exit
    if app_wait_exit 15 && ((VIS_CODE == 0)); then
        pass "Exit: the program ends with code 0"
    else
        fail "Exit: program ${VIS_CODE:+ended with code $VIS_CODE}${VIS_CODE:-still runs}"
    fi
    if xs_wait_until 5 icon_gone; then
        pass "Exit removed the icon"
    else
        fail "the icon stays in the tray after Exit"
    fi
    expect_saved Exit
    if [[ -n "$HOLDER" ]]; then
        if f4_free; then pass "Exit released F4"; else fail "F4 is still held after Exit"; fi
    fi
}

scenario_rest_f4() {
    write_settings WorkPeriod=1 RestPeriod=1 AlertMethod=0 CanInterrupt=1 AutoRun=0
    start_and_dock
    icon_animates 4 || fail "the icon does not animate during work"
    sleep 50
    local frozen_at
    # Two neighbouring frames of the animation are alike, so only a picture that stays longer
    # than two seconds is a frozen icon.
    if wait_while_running 25 icon_frozen 3000; then
        # Counted from the docking of the icon, which the program's start-up precedes by a
        # fraction of a second; the freeze is seen 3 s after it began.
        frozen_at=$(awk -v t="$(elapsed_since "$DOCKED")" 'BEGIN {printf "%.1f", t - 3}')
        if between "$frozen_at" 57 66; then
            pass "the rest froze the icon $frozen_at s after it docked"
        else
            fail "the icon froze $frozen_at s after it docked, expected about 61"
        fi
    else
        fail "no rest: the icon never froze"
    fi
    local icon_window
    icon_window=$(xwininfo -root -tree | awk '/\("explorer.exe" "explorer.exe"\)/ {print $1; exit}')
    xdotool key --window "$icon_window" F4
    local pressed
    pressed=$(now)
    if wait_while_running 6 icon_animates 2; then
        pass "F4 ended the rest: the icon animates again ($(elapsed_since "$pressed") s)"
    else
        fail "F4 did not end the rest"
    fi
    expect_fresh_work_period F4 "$pressed"
    wineboot -e </dev/null >/dev/null 2>&1
    app_wait_exit 15
}

# With WINEDEBUG=+relay the program's calls of GetLastInputInfo (the idle fallback, once a
# second while it waits for the user) and of KillTimer (at every switch of the cycle: a witness
# that the trace sees the program's calls) go to its output.
trace_idle_calls() {
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
        /d 'user32.GetLastInputInfo;user32.KillTimer' /f </dev/null >/dev/null 2>&1
}

# Without Hook.dll nothing reports the user's return but the system's idle time, which Wine
# keeps at the session's start until the first input: the rest must still run out, the
# program must wait, and the first input of the session must start the next work period.
# Nothing touches a Wine window before that move.
scenario_rest_idle() {
    write_settings WorkPeriod=1 RestPeriod=1 AlertMethod=0 CanInterrupt=0 AutoRun=0
    rm -f "$PROG/Hook.dll"
    trace_idle_calls
    WINEDEBUG=-all,+relay start_and_dock
    sleep 55
    wait_while_running 25 icon_frozen 3000 || fail "no rest: the icon never froze"
    # The rest runs out at about 121 s; until an input comes the icon stays frozen.
    local since
    since=$(elapsed_since "$VIS_STARTED")
    ((${since%.*} < 125)) && sleep $((125 - ${since%.*}))
    if icon_frozen 3000; then
        pass "after the rest the icon waits, frozen, for the user"
    else
        fail "work resumed without any input"
    fi
    local moved
    moved=$(now)
    hover_icon
    if wait_while_running 6 icon_animates 2; then
        pass "the pointer's move resumed work ($(elapsed_since "$moved") s)"
    else
        fail "no work period after the pointer moved over the icon"
    fi
    expect_fresh_work_period "the move" "$moved"
    if (($(grep -c 'Call user32.GetLastInputInfo' "$ART/vistrel.out") > 0)); then
        pass "the idle time was read (GetLastInputInfo traced)"
    else
        fail "the idle time was never read"
    fi
    wineboot -e </dev/null >/dev/null 2>&1
    app_wait_exit 15
}

# A music rest on the MCI device, ended by Hook.dll. Sound goes to a file through ALSA (a
# private HOME whose default output is the file plugin), so no sound card is needed. Which
# path ended the wait is read from a relay trace of the program's calls: the idle fallback
# asks GetLastInputInfo once a second while it waits, the hooks never do; KillTimer, which
# the program calls at every switch, shows that the trace sees its calls at all.
scenario_rest_music_hook() {
    write_settings WorkPeriod=1 RestPeriod=1 AlertMethod=1 PlayMethod=0 MusicFile=tone.wav \
        CanInterrupt=0 AutoRun=0 AutoUpdate=0
    unix2dos -q "$INI" 2>/dev/null
    mkdir -p "$PROG/Music"
    must make_tone tone.wav 1.5
    [[ -f "$PROG/Hook.dll" ]] || fail "no Hook.dll beside Vistrel.exe"
    local home="$ROOT/home" samples="$ART/tone.samples"
    mkdir -p "$home"
    AUDIO="$home/out.raw"
    printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' "$AUDIO" \
        >"$home/.asoundrc"
    tail -c +45 "$PROG/Music/tone.wav" >"$samples"
    trace_idle_calls
    HOME=$home WINEDEBUG=-all,+relay start_and_dock
    if grep -q '/Hook.dll$' "/proc/$VIS_PID/maps" 2>/dev/null; then
        pass "Hook.dll is loaded"
    else
        fail "Hook.dll is not loaded"
    fi

    # The rest begins 61 s after the program started, with the music; the icon docks a few
    # seconds after that start on a busy machine.
    sleep 50
    if wait_while_running 25 test -s "$AUDIO"; then
        local began
        began=$(elapsed_since "$DOCKED")
        if between "$began" 54 64; then
            pass "the music began with the rest, $began s after the icon docked"
        else
            fail "the music began $began s after the icon docked, expected about 61"
        fi
    else
        fail "no music during the rest"
    fi
    # Each play writes the output afresh: a whole play holds the wave's samples as they are;
    # the output starting again and again is the piece being started again as it ends.
    local size last=0 restarts=0 whole=0 until=$((SECONDS + 10))
    while ((SECONDS < until)); do
        size=$(audio_size)
        ((size < last)) && ((++restarts))
        if ((size == $(stat -c %s "$samples"))) && cmp -s "$AUDIO" "$samples"; then
            whole=1
        fi
        last=$size
        sleep 0.05
    done
    ((whole)) && pass "a whole play came out sample for sample" ||
        fail "no play came out as the wave's samples"
    ((restarts >= 3)) && pass "the music started again $restarts times in 10 s" ||
        fail "the music started again $restarts times in 10 s"

    # The pointer rests on the icon (a move during the rest changes nothing), so X gives the
    # key press below to that Wine window, as it does with no window manager.
    xdotool mousemove "$ICON_CX" "$ICON_CY"
    # The rest runs out at about 121 s: the music is no longer started, the icon stays frozen.
    local since
    since=$(elapsed_since "$DOCKED")
    ((${since%.*} < 124)) && sleep $((124 - ${since%.*}))
    if audio_stopped 6 && icon_frozen 2500; then
        pass "the rest ran out: the music is no longer started and the icon waits, frozen"
    else
        fail "after the rest the music goes on or the icon moves"
    fi

    local pressed resumed
    icon_shot "$ART/icon-ref.png"
    pressed=$(now)
    xdotool key a
    if xs_wait_until 3 icon_changed; then
        resumed=$(elapsed_since "$pressed")
        if between "$resumed" 0 1; then
            pass "a key press resumed work $resumed s later"
        else
            fail "a key press resumed work only $resumed s later"
        fi
    else
        fail "a key press did not resume work"
    fi

    local idle_calls timer_calls
    idle_calls=$(grep -c 'Call user32.GetLastInputInfo' "$ART/vistrel.out")
    timer_calls=$(grep -c 'Call user32.KillTimer' "$ART/vistrel.out")
    if ((timer_calls > 0 && idle_calls == 0)); then
        pass "the hooks ended the wait: GetLastInputInfo was never called ($timer_calls KillTimer calls traced)"
    else
        fail "GetLastInputInfo called $idle_calls times, KillTimer $timer_calls times"
    fi
    if audio_stopped 4; then
        pass "no music after the rest"
    else
        fail "music plays after work resumed"
    fi
    wineboot -e </dev/null >/dev/null 2>&1
    app_wait_exit 15
}

scenario_session_end() {
    start_and_dock
    [[ -f "$INI" ]] && fail "settings written before the session ended"
    local rc=0
    wineboot -e </dev/null >/dev/null 2>&1 || rc=$?
    ((rc == 0)) && pass "wineboot -e ended the session" || fail "wineboot -e: code $rc"
    if app_wait_exit 15; then
        pass "the program ended with the session"
    else
        fail "the program outlived the session"
    fi
    expect_saved "session end"
}

scenario_read_only() {
    write_settings WorkPeriod=7 RestPeriod=3 AlertMethod=0 AutoRun=0
    cp "$INI" "$ART/old.ini"
    # Root writes through file modes; an immutable folder and file refuse even root.
    if ! chattr +i "$INI" "$PROG" 2>/dev/null; then
        chmod a-w "$INI" "$PROG"
        if [[ -w "$INI" || -w "$PROG" ]]; then
            echo "SKIP: the settings file cannot be made unwritable here"
            exit 77
        fi
    fi
    APP_EXTRA_CLEANUP="read_only_cleanup"
    start_and_dock
    must choose_menu_item Exit
    if xs_wait_until 15 box_shows "Vistrel" "Unable to write to"; then
        pass "the error box: $(tr '\n' ' ' <<<"$OCR_TEXT")"
        close_box
    else
        fail "no \"Unable to write to\" box"
    fi
    app_wait_exit 15 || fail "the program did not end after the error box"
    chattr -i "$INI" "$PROG" 2>/dev/null
    if cmp -s "$INI" "$ART/old.ini"; then
        pass "the old settings file is intact"
    else
        fail "the settings file changed"
    fi
}
read_only_cleanup() {
    chattr -i "$INI" "$PROG" 2>/dev/null
    wine_cleanup
}

# The program folder as the .zip lays it out (zip_package.sh unpacks it): everything it needs
# is there, and the program finds its language folder.
scenario_zip() {
    local file missing=
    for file in Vistrel.exe Hook.dll "Language/English 1033.ini" "Language/Deutsch 1031.ini" \
        "Music/Canon in D.mid" "Music/Info/MusicInfo-1031.dat" "Help/1033/Help.chm"; do
        [[ -f "$PROG/$file" ]] || missing+=" \"$file\""
    done
    if [[ -z "$missing" ]]; then
        pass "the .zip carries the program, Hook.dll, the languages, the music and the help"
    else
        fail "the .zip lacks$missing"
    fi
    write_settings "Language=Deutsch 1031" AutoRun=0
    start_and_dock
    if icon_animates 4; then pass "the icon animates"; else fail "the icon does not animate"; fi
    hover_icon
    if xs_wait_until 8 text_below_tray tooltip 'Vistrel.*00[:.-](4[0-9]|50)[:.-][0-9]{2}.*verbleibend'; then
        pass "the tooltip is German: $OCR_TEXT"
    else
        fail "no German tooltip (read: $OCR_TEXT)"
    fi
    xdotool mousemove 200 400
    local rc=0
    wineboot -e </dev/null >/dev/null 2>&1 || rc=$?
    ((rc == 0)) || fail "wineboot -e: code $rc"
    app_wait_exit 15 || fail "the program outlived the session"
    if [[ "$(ini_value Language)" == "Deutsch 1031" ]]; then
        pass "the settings keep the language"
    else
        fail "Language saved as \"$(ini_value Language)\""
    fi
}

HOLDER=${4:-}
wine_setup "$2" "$3"
"scenario_$SCENARIO"
app_finish
