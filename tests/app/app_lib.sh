#!/usr/bin/env bash
# Shared by the end-to-end tests of the program itself: a copy of the built program folder in
# a temporary folder (under a path with a blank, as an installation under "Program Files"
# has), private XDG folders, audio written to a file by SDL's disk driver, a private X session
# with trayer as the notification area, and helpers that read the screen: the tray icon's
# window, crops of it, and text read by OCR from enlarged crops.
#
# Sourced by a scenario script after setting SCENARIO; then:
#   app_setup PROGRAM_DIR ARTIFACT_DIR     copies the program, starts the X session
#   app_start                              starts Vistrel (VIS_PID, VIS_STARTED)
#   ...checks with pass/fail/must...
#   app_finish                             prints the summary and exits
set -u

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../e2e/lib/xsession.sh"
. "$HERE/../e2e/lib/checks.sh"

ON_FATAL=app_save_evidence
VIS_PID=
VIS_STARTED=
ROOT=
ART=

app_save_evidence() {
    [[ -z "$ART" || -z "$ROOT" ]] && return 0
    [[ -f "$INI" ]] && cp "$INI" "$ART/settings.ini" 2>/dev/null
    xsession_screenshot "$ART/last-screen.png" 2>/dev/null
    {
        echo "program: ${VIS_PID:+pid $VIS_PID $(kill -0 "$VIS_PID" 2>/dev/null && echo running || echo ended)}"
        echo "tray host: $(kill -0 "${XS_TRAY_PID:-0}" 2>/dev/null && echo running || echo ended)"
        xwininfo -root -tree 2>&1
    } >"$ART/windows.txt"
    return 0
}

app_cleanup() {
    if [[ -n "$VIS_PID" ]] && kill -0 "$VIS_PID" 2>/dev/null; then
        kill -9 "$VIS_PID" 2>/dev/null
        wait "$VIS_PID" 2>/dev/null
    fi
    [[ -n "${APP_EXTRA_CLEANUP:-}" ]] && $APP_EXTRA_CLEANUP
    xsession_stop
    [[ -n "$ROOT" && -z "${APP_KEEP:-}" ]] && rm -rf "$ROOT"
}

app_setup() {
    local source_program=$1
    ART=$2
    for tool in xdotool xdpyinfo xwininfo import convert compare tesseract python3 sox; do
        type -P "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
    done
    [[ -x "$source_program/Vistrel" ]] || { echo "FAIL: no program in $source_program"; exit 1; }
    rm -rf "$ART"
    mkdir -p "$ART"
    ROOT=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-app-XXXXXX")
    trap app_cleanup EXIT
    PROG="$ROOT/Program Files/Vistrel"
    mkdir -p "$ROOT/Program Files"
    cp -a "$source_program" "$PROG"
    # A settings file the build tree may hold is not ours.
    rm -f "$PROG"/Vistrel*.ini
    INI="$PROG/Vistrel - $(id -un).ini"
    AUTOSTART="$ROOT/config/autostart/Vistrel.desktop"
    AUDIO="$ROOT/audio.raw"
    export XDG_CONFIG_HOME="$ROOT/config" XDG_DATA_HOME="$ROOT/data"
    export XDG_RUNTIME_DIR="$ROOT/runtime" # also keeps the single-instance lock private
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO"
    export LC_ALL=C.UTF-8 LANG=C.UTF-8
    unset LANGUAGE LC_MESSAGES LC_TIME
    XS_DIR="$ART/session"
    must xsession_start
    SCREEN_W=$(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1]; exit}')
    xdotool mousemove 200 400
}

# Starts the program as a child of this shell.
app_start() {
    VIS_STARTED=$(now)
    "$PROG/Vistrel" >>"$ART/vistrel.out" 2>&1 &
    VIS_PID=$!
}

# Waits for the program to end (deadline in seconds); sets VIS_CODE. False when it goes on.
app_wait_exit() {
    local seconds=$1
    VIS_CODE=
    xs_wait_until "$seconds" xs_process_gone "$VIS_PID" || return 1
    wait "$VIS_PID"
    VIS_CODE=$?
    VIS_PID=
}

# True once the program has ended (for waits that must not outlast it).
vis_gone() { [[ -z "$VIS_PID" ]] || xs_process_gone "$VIS_PID"; }
WAIT_CONDITION=()
condition_or_gone() { "${WAIT_CONDITION[@]}" || vis_gone; }
# Waits for a condition while the program runs; a program that ends meanwhile fails the run.
wait_while_running() {
    local seconds=$1
    shift
    WAIT_CONDITION=("$@")
    xs_wait_until "$seconds" condition_or_gone || return 1
    "${WAIT_CONDITION[@]}" && return 0
    if vis_gone; then
        local took
        took=$(elapsed_since "$VIS_STARTED")
        wait "$VIS_PID"
        echo "FAIL (fatal): the program ended by itself (code $?) $took s after start"
        VIS_PID=
        app_save_evidence
        exit 1
    fi
}

# Hovers the icon and checks that a fresh one-minute work period runs since the moment $2
# (an instant from now()), as after the event named $1.
expect_fresh_work_period() {
    local event=$1 since_at=$2 left since
    hover_icon
    if xs_wait_until 8 text_below_tray "tooltip-after-${event// /-}" 'Vistrel.*left'; then
        left=$(grep -Eo '00[:.-]00[:.-][0-9]{2}' <<<"$OCR_TEXT" | head -1)
        since=$(elapsed_since "$since_at")
        if [[ -n "$left" ]] && ((10#${left:6:2} >= 60 - ${since%.*} - 2)); then
            pass "$event: a new work period runs ($left left, $since s after $event)"
        else
            fail "$event: tooltip \"$OCR_TEXT\" $since s after $event, expected about $((60 - ${since%.*})) s left"
        fi
    else
        fail "$event: no time-left tooltip (read: $OCR_TEXT)"
    fi
    xdotool mousemove 200 400
}

# Ends the program with SIGTERM and checks that it closes with code 0.
end_with_sigterm() {
    kill -TERM "$VIS_PID"
    if app_wait_exit 10 && ((VIS_CODE == 0)); then
        pass "SIGTERM: ended with code 0"
    else
        fail "SIGTERM: did not end with code 0 (${VIS_CODE:-still running})"
    fi
}

app_finish() {
    app_save_evidence
    echo "artifacts: $ART"
    if ((FAILURES > 0)); then
        echo "$SCENARIO: $FAILURES check(s) failed"
        exit 1
    fi
    echo "$SCENARIO: all checks passed"
    exit 0
}

# Writes the settings file: one "Key=Value" per argument under [Settings].
write_settings() {
    {
        echo "[Settings]"
        printf '%s\n' "$@"
    } >"$INI"
}

# A value of [Settings] in a settings file (default: the program's); lines may end in CR LF.
ini_value() {
    awk -v key="$1" -F= '
        {sub(/\r$/, "")}
        /^\[/ {section = $0; next}
        section == "[Settings]" && $1 == key {sub(/^[^=]*=/, ""); print; exit}
    ' "${2:-$INI}"
}
# The keys of [Settings], sorted, separated by blanks.
ini_keys() {
    awk -F= '
        {sub(/\r$/, "")}
        /^\[/ {section = $0; next}
        section == "[Settings]" && NF > 1 {print $1}
    ' "${1:-$INI}" | sort | tr '\n' ' ' | sed 's/ $//'
}

# ---- The tray icon ------------------------------------------------------------------------

# The program's icon windows docked in the tray panel, one "X Y W H" line each. TRAY_ICON_CLASS
# is the X class the icon's window carries (Wine docks its icons as "explorer.exe").
TRAY_ICON_CLASS=${TRAY_ICON_CLASS:-Vistrel}
tray_icons() {
    xwininfo -root -tree 2>/dev/null | ICON_CLASS="$TRAY_ICON_CLASS" python3 -c '
import os, re, sys
wanted = "(\"%s\" \"%s\")" % (os.environ["ICON_CLASS"], os.environ["ICON_CLASS"])
lines = sys.stdin.read().splitlines()
depth = None
for line in lines:
    d = len(line) - len(line.lstrip())
    if depth is None:
        if "\"panel\": (\"panel\" \"trayer\")" in line:
            depth = d
        continue
    if line.strip() and d <= depth:
        break
    if wanted in line:
        m = re.search(r"(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
        if m:
            w, h, x, y = m.groups()
            print(x, y, w, h)
'
}
tray_icon_count() { tray_icons | grep -c .; }
icon_docked() { [[ $(tray_icon_count) -ge 1 ]]; }

locate_icon() {
    local line
    line=$(tray_icons | head -1)
    [[ -n "$line" ]] || return 1
    read -r IX IY IW IH <<<"$line"
    ICON_CX=$((IX + IW / 2))
    ICON_CY=$((IY + IH / 2))
    ICON_REGION="${IW}x${IH}+${IX}+${IY}"
}

icon_shot() { xsession_screenshot "$1" "$ICON_REGION"; }

# True once the icon shows a picture other than the one in $ART/icon-ref.png.
icon_changed() {
    icon_shot "$ART/icon-now.png"
    ! same_picture "$ART/icon-ref.png" "$ART/icon-now.png"
}
# The icon animates: a frame change within the deadline (frames change once a second).
icon_animates() {
    icon_shot "$ART/icon-ref.png"
    xs_wait_until "${1:-4}" icon_changed
}
# The icon stays on one picture for the whole observation (default 2.5 s, over the 1 s frame
# interval twice, so an animation cannot hide between two samples).
icon_frozen() {
    local until=$(($(date +%s%N) + ${1:-2500} * 1000000))
    if ! icon_docked; then
        echo "  (no icon docked in the tray)"
        return 1
    fi
    icon_shot "$ART/icon-ref.png"
    while (($(date +%s%N) < until)); do
        sleep 0.25
        icon_changed && return 1
    done
    icon_docked
}

# Moves the pointer onto the icon and nudges it, so the icon hears a move over itself.
hover_icon() {
    xdotool mousemove "$ICON_CX" "$ICON_CY"
    sleep 0.2
    xdotool mousemove $((ICON_CX + 1)) $((ICON_CY + 1))
}
click_icon() { xdotool mousemove "$ICON_CX" "$ICON_CY" click "$@"; }
# Single clicks further apart than the double-click time stay single.
click_gap() { sleep 0.8; }

# ---- Reading the screen --------------------------------------------------------------------

OCR_SCALE=4
# Text read from a region of the screen (WxH+X+Y), enlarged for the OCR; the shot is kept as
# $ART/<name>.png.
ocr_region() {
    local name=$1 region=$2
    xsession_screenshot "$ART/$name.png" "$region" || return 1
    convert "$ART/$name.png" -colorspace Gray -resize $((OCR_SCALE * 100))% "$ART/$name-ocr.png"
    tesseract "$ART/$name-ocr.png" - --psm 6 2>/dev/null
}

# The area below the tray where tooltips, balloons and the popup menu appear.
below_tray_region() { echo "420x240+$((SCREEN_W - 420))+0"; }
# The same without the rightmost column, where the tray icon sits beside the menu's top.
menu_text_region() { echo "392x240+$((SCREEN_W - 420))+0"; }

# True once the text below the tray matches the extended regular expression $2; the text is
# left in OCR_TEXT and the shot in $ART/$1.png.
OCR_TEXT=
text_below_tray() {
    OCR_TEXT=$(ocr_region "$1" "$(below_tray_region)")
    grep -Eq -- "$2" <<<"$OCR_TEXT"
}

# Screen position of a word read in a region: prints "X Y" (the word's centre) or fails.
word_position() {
    local name=$1 region=$2 word=$3
    local w h x y
    IFS='x+' read -r w h x y <<<"$region"
    xsession_screenshot "$ART/$name.png" "$region" || return 1
    convert "$ART/$name.png" -colorspace Gray -resize $((OCR_SCALE * 100))% "$ART/$name-ocr.png"
    tesseract "$ART/$name-ocr.png" - --psm 6 tsv 2>/dev/null | awk -F'\t' \
        -v word="$word" -v s="$OCR_SCALE" -v ox="$x" -v oy="$y" '
        $12 == word {printf "%d %d\n", ox + ($7 + $9 / 2) / s, oy + ($8 + $10 / 2) / s; found = 1; exit}
        END {exit !found}'
}

# Words read in the shot $ART/<name>.png that ocr_region took: "WORD X Y W H" per line, in the
# shot's own pixels.
word_boxes() {
    tesseract "$ART/$1-ocr.png" - --psm 6 tsv 2>/dev/null | awk -F'\t' -v s="$OCR_SCALE" '
        NR > 1 && $12 != "" {printf "%s %d %d %d %d\n", $12, $7 / s, $8 / s, $9 / s, $10 / s}'
}

# Mean length of the horizontal runs of dark pixels in a box (x y w h) of a light shot: about
# the stroke width, which tells bold text from regular.
stroke_width() {
    local image=$1 x=$2 y=$3 w=$4 h=$5
    convert "$image" -crop "$((w + 2))x$((h + 2))+$((x - 1))+$((y - 1))" +repage -colorspace Gray \
        -depth 8 pgm:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
magic, size, depth, pixels = data.split(b"\n", 3)
w, h = map(int, size.split())
runs = []
for y in range(h):
    run = 0
    for x in range(w):
        if pixels[y * w + x] < 128:
            run += 1
        elif run:
            runs.append(run)
            run = 0
    if run:
        runs.append(run)
print("%.2f" % (sum(runs) / len(runs) if runs else 0))
'
}

# Opens the tray menu and clicks the item whose caption is the word $1.
choose_menu_item() {
    local word=$1 pos
    click_icon 3
    if ! xs_wait_until 6 text_below_tray menu "Exit"; then
        echo "  (the tray menu did not open)"
        return 1
    fi
    # Read without the tray's own column, whose icon can run into the first item's line and
    # spoil its reading; the whole area is the second try.
    pos=$(word_position menu-items "$(menu_text_region)" "$word") ||
        pos=$(word_position menu-items "$(below_tray_region)" "$word") || {
        echo "  (no item \"$word\" read in the menu: $OCR_TEXT)"
        return 1
    }
    # shellcheck disable=SC2086
    xdotool mousemove $pos click 1
}

# The top-level window named $1 (a message box's caption): prints "ID WxH+X+Y" or fails.
top_window() {
    xwininfo -root -children 2>/dev/null | awk -v name="\"$1\":" '
        $2 == name {
            if (match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+/)) {
                print $1, substr($0, RSTART, RLENGTH); found = 1; exit
            }
        }
        END {exit !found}'
}
# True once a window captioned $1 shows text matching $2; BOX_ID is then its window.
BOX_ID=
box_shows() {
    local found
    found=$(top_window "$1") || return 1
    BOX_ID=${found%% *}
    OCR_TEXT=$(ocr_region "box-$1" "${found#* }")
    grep -Eq -- "$2" <<<"$OCR_TEXT"
}
box_gone() { ! top_window "$1" >/dev/null; }
# Presses Return in the box, its default button.
close_box() { xdotool windowfocus "$BOX_ID" key Return; }

# ---- Audio ---------------------------------------------------------------------------------

AUDIO_BYTES_PER_SECOND=176400 # 44.1 kHz, 16-bit signed, stereo
audio_size() { stat -c %s "$AUDIO" 2>/dev/null || echo 0; }

# The loudest sample in the last $1 seconds written (all of the file when shorter).
audio_peak() {
    python3 - "$AUDIO" $(($1 * AUDIO_BYTES_PER_SECOND)) <<'EOF'
import array, sys
path, tail = sys.argv[1], int(sys.argv[2])
try:
    data = open(path, "rb").read()
except OSError:
    data = b""
data = data[-tail:] if tail < len(data) else data
data = data[: len(data) // 2 * 2]
samples = array.array("h")
samples.frombytes(data)
print(max((abs(s) for s in samples), default=0))
EOF
}
audio_sounding() { (($(audio_peak 2) > 1000)); }
audio_silent_tail() { (($(audio_peak "$1") < 50)); }

# True once the audio file changes size (written to, or opened anew).
AUDIO_REF=
audio_moved() { [[ $(audio_size) != "$AUDIO_REF" ]]; }
audio_growing() {
    AUDIO_REF=$(audio_size)
    xs_wait_until "${1:-3}" audio_moved
}
# True when the audio file keeps one size for 2 s, within the deadline: the output is closed.
audio_stopped() {
    local deadline=$((SECONDS + ${1:-6})) size last since
    last=$(audio_size)
    since=$(date +%s%N)
    while ((SECONDS < deadline)); do
        sleep 0.2
        size=$(audio_size)
        if [[ "$size" != "$last" ]]; then
            last=$size
            since=$(date +%s%N)
        elif (($(date +%s%N) - since >= 2000000000)); then
            return 0
        fi
    done
    return 1
}

# A WAV tone of $2 seconds in the copied music folder, named $1.
make_tone() {
    sox -n -r 44100 -c 2 -b 16 "$PROG/Music/$1" synth "$2" sine 440 vol 0.5
}
