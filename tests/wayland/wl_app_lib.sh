#!/usr/bin/env bash
# Shared by the Wayland scenarios: copies of the built program folder (one per instance, each
# with its own runtime folder and so its own single-instance lock) in the session's scratch
# folder, audio written to a file by SDL's disk driver, and helpers that find the tray icon
# in swaybar and read it back through screenshots and the session bus.
#
# Sourced by a scenario script after setting SCENARIO; then:
#   wapp_setup PROGRAM_DIR ARTIFACT_DIR VPTR   starts the session and the virtual pointer
#   wapp_instance NAME Key=Value...            a program folder NAME with these settings
#   wapp_start NAME                            starts that instance (VIS_PID[NAME])
#   ...checks with pass/fail/must...
#   wapp_finish                                prints the summary and exits
set -u

WHERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$WHERE/lib/wlsession.sh"
. "$WHERE/../e2e/lib/checks.sh"

ON_FATAL=wapp_save_evidence
ART=
SOURCE_PROGRAM=
declare -A VIS_PID=() VIS_STARTED=()

wapp_save_evidence() {
    [[ -z "$ART" || -z "${WL_DIR:-}" ]] && return 0
    wl_screenshot "$ART/last-screen.png" 2>/dev/null
    local f
    for f in "$WL_DIR"/*.log "$WL_DIR"/sway.conf; do
        [[ -f "$f" ]] && cp "$f" "$ART/" 2>/dev/null
    done
    {
        local name
        for name in "${!VIS_PID[@]}"; do
            if vis_running "$name"; then
                echo "program $name: running"
            else
                wait "${VIS_PID[$name]}" 2>/dev/null
                echo "program $name: ended with code $?"
            fi
        done
        echo "registered items: $(registered_items 2>&1 | tr '\n' ' ')"
        echo "names on the bus: $(wl_bus_names 2>&1 | tr '\n' ' ')"
        swaymsg -t get_tree 2>&1 | head -200
    } >"$ART/session.txt" 2>&1
    return 0
}

wapp_cleanup() {
    local name
    for name in "${!VIS_PID[@]}"; do
        if kill -0 "${VIS_PID[$name]}" 2>/dev/null; then
            kill -9 "${VIS_PID[$name]}" 2>/dev/null
            wait "${VIS_PID[$name]}" 2>/dev/null
        fi
    done
    wlsession_stop
}

# Starts the session (with swaybar unless "--no-bar" follows) and the virtual pointer.
wapp_setup() {
    SOURCE_PROGRAM=$1
    ART=$2
    local vptr=$3 bar_arg=${4:-}
    local tool
    for tool in convert compare python3 sox; do
        type -P "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
    done
    [[ -x "$SOURCE_PROGRAM/Vistrel" ]] || { echo "FAIL: no program in $SOURCE_PROGRAM"; exit 1; }
    [[ -x "$vptr" ]] || { echo "FAIL: no virtual pointer helper at $vptr"; exit 1; }
    rm -rf "$ART"
    mkdir -p "$ART"
    trap wapp_cleanup EXIT
    must wlsession_start $bar_arg
    must wl_pointer_start "$vptr"
    # The pointer rests low at the left, away from the bar, the notifications and the menu
    # (sway centres a floating window).
    must wl_pointer abs 100 650
}

# A program folder of its own for the instance NAME, its settings file holding the given
# "Key=Value" lines under [Settings], and a 3-second tone as its alert music.
wapp_instance() {
    local name=$1 prog
    shift
    prog=$(wl_import "$SOURCE_PROGRAM" "$name") || return 1
    rm -f "$prog"/Vistrel*.ini
    local user
    user=$(id -un "$WL_UID")
    {
        echo "[Settings]"
        printf '%s\n' "$@"
    } >"$prog/Vistrel - $user.ini"
    sox -n -r 44100 -c 2 -b 16 "$prog/Music/Rest tone.wav" synth 3 sine 440 vol 0.5
    mkdir -p "$WL_DIR/$name-run/runtime" "$WL_DIR/$name-run/config" "$WL_DIR/$name-run/data"
    chmod 700 "$WL_DIR/$name-run/runtime"
    ((EUID == 0)) && chown -R "$WL_UID:$WL_UID" "$prog" "$WL_DIR/$name-run"
    return 0
}
wapp_program() { echo "$WL_DIR/$1/Vistrel"; }
wapp_audio() { echo "$WL_DIR/$1-run/audio.raw"; }
wapp_ini() { echo "$WL_DIR/$1/Vistrel - $(id -un "$WL_UID").ini"; }
# The variables an instance runs with: its own runtime folder (its single-instance lock), its
# own configuration folders, and SDL's audio written to a file.
wapp_vars() {
    local run="$WL_DIR/$1-run"
    printf '%s\n' "XDG_RUNTIME_DIR=$run/runtime" "XDG_CONFIG_HOME=$run/config" \
        "XDG_DATA_HOME=$run/data" SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=$run/audio.raw"
}

wapp_start() {
    local name=$1 vars
    mapfile -t vars < <(wapp_vars "$name")
    VIS_STARTED[$name]=$(now)
    wl_command "${vars[@]}" "$(wapp_program "$name")"
    "${WL_CMD[@]}" >>"$ART/vistrel-$name.out" 2>&1 &
    VIS_PID[$name]=$!
}
# Runs the instance's program once more with arguments (as a second start would) and waits
# for it to end.
wapp_call() {
    local name=$1 vars
    shift
    mapfile -t vars < <(wapp_vars "$name")
    wl_call "${vars[@]}" "$(wapp_program "$name")" "$@"
}
vis_running() { kill -0 "${VIS_PID[$1]:-0}" 2>/dev/null; }

wapp_finish() {
    wapp_save_evidence
    echo "artifacts: $ART"
    if ((FAILURES > 0)); then
        echo "$SCENARIO: $FAILURES check(s) failed"
        exit 1
    fi
    echo "$SCENARIO: all checks passed"
    exit 0
}

# ---- The tray icon --------------------------------------------------------------------------

# The items registered with the StatusNotifierWatcher, one a line (":1.6/StatusNotifierItem").
registered_items() {
    wl_bus_call --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:RegisteredStatusNotifierItems 2>/dev/null |
        awk '$1 == "string" {gsub(/"/, "", $2); print $2}'
}
registered_count() { registered_items | grep -c .; }
items_registered() { (($(registered_count) >= ${1:-1})); }

BAR_HEIGHT=
# The icons in the bar's right part (the tray; the workspace buttons sit at the left): sets
# TRAY_X TRAY_Y TRAY_W TRAY_H to the box around whatever is drawn there. False when nothing is.
TRAY_SEARCH_W=400
tray_box() {
    local shot="$ART/bar.png" geometry
    # The workspace starts below the bar.
    BAR_HEIGHT=$(swaymsg -t get_workspaces -r 2>/dev/null |
        python3 -c 'import json, sys; print(json.load(sys.stdin)[0]["rect"]["y"])' 2>/dev/null)
    [[ -n "$BAR_HEIGHT" && "$BAR_HEIGHT" -gt 0 ]] || return 1
    local width=${WL_SIZE%x*}
    wl_screenshot "$shot" "$((width - TRAY_SEARCH_W)),0 ${TRAY_SEARCH_W}x$BAR_HEIGHT" || return 1
    # The bar is black: trim it away and what remains is the tray's content.
    geometry=$(convert "$shot" -bordercolor black -border 1 -fuzz 8% -trim \
        -format '%w %h %X %Y' info: 2>/dev/null) || return 1
    local w h x y
    read -r w h x y <<<"$geometry"
    x=${x#+} y=${y#+}
    # A picture with nothing on it trims to a single pixel.
    ((w > 2 && h > 2)) || return 1
    TRAY_X=$((width - TRAY_SEARCH_W + x - 1))
    TRAY_Y=$((y - 1))
    TRAY_W=$w
    TRAY_H=$h
    ICON_CX=$((TRAY_X + TRAY_W - TRAY_H / 2 - 1))
    ICON_CY=$((TRAY_Y + TRAY_H / 2))
    ICON_REGION="$((TRAY_X + TRAY_W - TRAY_H)),$TRAY_Y ${TRAY_H}x$TRAY_H"
}
icon_shown() { tray_box; }

icon_shot() { wl_screenshot "$1" "$ICON_REGION"; }
icon_changed() {
    icon_shot "$ART/icon-now.png"
    ! same_picture "$ART/icon-ref.png" "$ART/icon-now.png"
}
# The icon animates: a frame change within the deadline (frames change once a second).
icon_animates() {
    icon_shot "$ART/icon-ref.png"
    wl_wait_until "${1:-4}" icon_changed
}
# The icon keeps one picture for the whole observation (default 2.5 s).
icon_frozen() {
    local until=$(($(date +%s%N) + ${1:-2500} * 1000000))
    icon_shot "$ART/icon-ref.png" || return 1
    while (($(date +%s%N) < until)); do
        sleep 0.25
        icon_changed && return 1
    done
    return 0
}
# Clicks the icon with button $1 and moves the pointer away again.
click_icon() {
    wl_pointer abs "$ICON_CX" "$ICON_CY" &&
        wl_pointer click "$1" &&
        wl_pointer abs 100 650
}

# ---- Audio ----------------------------------------------------------------------------------

AUDIO_BYTES_PER_SECOND=176400 # 44.1 kHz, 16-bit signed, stereo
audio_size() { stat -c %s "$(wapp_audio "$1")" 2>/dev/null || echo 0; }
audio_written() { (($(audio_size "$1") > 0)); }
# True when the instance's audio file keeps one size for 2 s within the deadline.
audio_stopped() {
    local name=$1 deadline=$((SECONDS + ${2:-6})) size last since
    last=$(audio_size "$name")
    since=$(date +%s%N)
    while ((SECONDS < deadline)); do
        sleep 0.2
        size=$(audio_size "$name")
        if [[ "$size" != "$last" ]]; then
            last=$size
            since=$(date +%s%N)
        elif (($(date +%s%N) - since >= 2000000000)); then
            return 0
        fi
    done
    return 1
}
AUDIO_REF=
audio_moved() { [[ $(audio_size "$1") != "$AUDIO_REF" ]]; }
audio_growing() {
    AUDIO_REF=$(audio_size "$1")
    wl_wait_until "${2:-3}" audio_moved "$1"
}

# ---- Reading the screen ---------------------------------------------------------------------

OCR_SCALE=3
OCR_TEXT=
# True once the text read in the region "X,Y WxH" of the screen (default all of it) matches
# the extended regular expression $2; the text is left in OCR_TEXT, the shot in $ART/$1.png.
screen_text() {
    local name=$1 pattern=$2 region=${3:-}
    wl_screenshot "$ART/$name.png" "$region" || return 1
    # The reader wants dark text on a light ground: a dark picture (the bar, a notification)
    # is turned over.
    local mean negate=()
    mean=$(convert "$ART/$name.png" -colorspace Gray -format '%[fx:mean]' info:)
    awk -v m="$mean" 'BEGIN {exit !(m < 0.5)}' && negate=(-negate)
    convert "$ART/$name.png" -colorspace Gray "${negate[@]}" -resize $((OCR_SCALE * 100))% \
        "$ART/$name-ocr.png"
    OCR_TEXT=$(tesseract "$ART/$name-ocr.png" - --psm 6 2>/dev/null)
    grep -Eq -- "$pattern" <<<"$OCR_TEXT"
}

# ---- Rests -----------------------------------------------------------------------------------

REST_SETTINGS=(WorkPeriod=1 RestPeriod=1 AlertMethod=1 PlayMethod=0 "MusicFile=Rest tone.wav"
    AutoRun=0 "Language=English 1033")

# Binds F4 in the compositor to --end-rest of the given instances, as a sway user binds it
# (each instance lives with its own runtime folder, so each gets its own call).
bind_f4_to_end_rest() {
    local name vars
    {
        echo '#!/bin/sh'
        for name in "$@"; do
            mapfile -t vars < <(wapp_vars "$name")
            printf 'env %s timeout 10 %q --end-rest\n' "$(printf '%q ' "${vars[@]}")" \
                "$(wapp_program "$name")"
        done
    } >"$WL_DIR/end-rest.sh"
    chmod 755 "$WL_DIR/end-rest.sh"
    swaymsg "bindsym F4 exec $WL_DIR/end-rest.sh" >/dev/null
}

# A terminal, the Wayland window that has the focus when keys are typed; it echoes them.
TERMINAL_REGION="0,20 300x60"
start_terminal() {
    wl_spawn foot foot -- cat
    wl_wait_until 10 wl_window_present foot
}
# The terminal's first lines now, as $ART/$1.png.
terminal_shot() { wl_screenshot "$ART/$1.png" "$TERMINAL_REGION"; }

# The given instances' output sizes every 0.1 s, from a background loop, so instants come from
# the samples however late a check gets to look on a busy machine.
SAMPLED=()
SAMPLER_PID=
start_sampler() {
    SAMPLED=("$@")
    (
        while :; do
            line=$(date +%s.%N)
            for name in "${SAMPLED[@]}"; do
                line+=" $(audio_size "$name")"
            done
            echo "$line"
            sleep 0.1
        done >"$ART/audio-sizes"
    ) &
    SAMPLER_PID=$!
    trap 'kill "$SAMPLER_PID" 2>/dev/null; wapp_cleanup' EXIT
}
column_of() {
    local i
    for i in "${!SAMPLED[@]}"; do
        [[ "${SAMPLED[$i]}" == "$1" ]] && echo $((i + 2)) && return
    done
}
# The instant the instance's output was first written.
first_written() { awk -v c="$(column_of "$1")" '$c > 0 {print $1; exit}' "$ART/audio-sizes"; }
# The last instant at which the instance's output grew.
last_growth() {
    awk -v c="$(column_of "$1")" '$c != prev {t = $1} {prev = $c} END {print t}' "$ART/audio-sizes"
}
# Seconds from the instant $1 to the instant $2.
seconds_between() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", b - a}'; }

# Waits until each instance's rest has begun and checks it began about 61 s after $1.
expect_rests_begin() {
    local started=$1 name took
    shift
    all_written() {
        local n
        for n in "$@"; do audio_written "$n" || return 1; done
    }
    # Written, and seen so by the sampler, which looks every 0.1 s.
    all_sampled() {
        local n
        for n in "$@"; do [[ -n "$(first_written "$n")" ]] || return 1; done
    }
    if ! wl_wait_until 90 all_written "$@" || ! wl_wait_until 2 all_sampled "$@"; then
        fail "no rest within 90 s of start"
        return 1
    fi
    for name in "$@"; do
        took=$(seconds_between "$started" "$(first_written "$name")")
        if between "$took" 59 66; then
            pass "$name: the rest began $took s after start"
        else
            fail "$name: the rest began $took s after start, expected about 61"
        fi
    done
}
