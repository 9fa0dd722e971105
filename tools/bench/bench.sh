#!/usr/bin/env bash
# What Vistrel costs beside the least a Qt 6 tray program costs, measured one after another in
# one run on one private X display (Xvfb with trayer as the notification area):
#   - the floor: a bare Qt 6 tray program (tools/bench/TrayFloor.cpp, built here), an icon with
#     eight frames and two one-second timers;
#   - Vistrel during a work period;
#   - Vistrel during a music rest ("Canon in D.mid" through SDL's dummy output), and what stays
#     loaded after the music closes;
#   - the Windows build under Wine, when build/win64/program/Vistrel.exe is there (also what
#     Windows' own calls report about it, through tools/bench/win32/ProcessProbe.cpp).
# For each: PSS and RSS (smaps_rollup), CPU (schedstat of every thread), context switches and
# wake-ups (voluntary switches: times a thread slept and was woken), threads; each as a ratio
# to the floor. Then start (icon shown in the tray) and exit (SIGTERM to end) times, medians,
# and the time the About box takes to appear with an ordinary and with a 100,000-key language
# file.
#
#   tools/bench/bench.sh [--short] [--settle S] [--window S] [--runs N] [--wine EXE]
#                        [--drift MINUTES] PROGRAM_FOLDER
#
# --short: 2 s settle, 5 s windows, 3 runs: proves the script works; its figures mean little.
# --drift: instead of the table, runs one work period of that many minutes and prints how far
#          the rest started from its due time.
# Nothing here asserts a speed; the exit code says only whether every measurement was taken.
set -u

SETTLE=20
WINDOW=60
RUNS=10
DRIFT=
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINE_EXE=$ROOT/build/win64/program/Vistrel.exe
PROGRAM=
while (($#)); do
    case $1 in
    --short) SETTLE=2 WINDOW=5 RUNS=3 ;;
    --settle) SETTLE=$2 && shift ;;
    --window) WINDOW=$2 && shift ;;
    --runs) RUNS=$2 && shift ;;
    --wine) WINE_EXE=$2 && shift ;;
    --drift) DRIFT=$2 && shift ;;
    -*) echo "unknown option $1" >&2 && exit 2 ;;
    *) PROGRAM=$(cd "$1" && pwd) ;;
    esac
    shift
done
[[ -n "$PROGRAM" && -x "$PROGRAM/Vistrel" ]] || {
    echo "usage: bench.sh [--short] [--settle S] [--window S] [--runs N] [--wine EXE]" \
        "[--drift MINUTES] PROGRAM_FOLDER (a folder holding Vistrel)" >&2
    exit 2
}

. "$ROOT/tests/e2e/lib/xsession.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-bench-XXXXXX")
PIDS=()
WINEPREFIX_OWN=
FAILED=0
cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    if [[ -n "$WINEPREFIX_OWN" ]]; then
        WINEPREFIX=$WINEPREFIX_OWN wineserver -k 2>/dev/null
        rm -rf "$WINEPREFIX_OWN"
    fi
    xsession_stop
    [[ -z "${BENCH_KEEP:-}" ]] && rm -rf "$WORK"
}
trap cleanup EXIT
note() { echo "bench: $*" >&2; }
problem() {
    note "$*"
    FAILED=1
}

# ---- The floor and the timing helper -----------------------------------------------------
note "building the floor and the timing helper"
g++ -O2 -std=c++17 -fPIC -o "$WORK/tray-floor" "$ROOT/tools/bench/TrayFloor.cpp" \
    $(pkg-config --cflags --libs Qt6Widgets) || exit 1
cc -O2 -o "$WORK/tray-time" "$ROOT/tools/bench/TrayTime.c" -lX11 || exit 1

XS_DIR="$WORK/session"
XS_SCREEN=1024x768x24
xsession_start || exit 1
export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset LANGUAGE LC_MESSAGES LC_TIME
xdotool mousemove 10 400 # the pointer away from the tray

# ---- Sampling ----------------------------------------------------------------------------

# One line per thread: "tid run_ns slices voluntary involuntary name".
sample() {
    local t run wait slices name
    for t in /proc/"$1"/task/*; do
        { read -r run wait slices <"$t/schedstat" && read -r name <"$t/comm"; } 2>/dev/null ||
            continue
        echo "${t##*/} $run $slices $(awk '/^voluntary_ctxt/ {v = $2} /^nonvoluntary_ctxt/ {n = $2}
            END {print v + 0, n + 0}' "$t/status" 2>/dev/null) ${name// /_}"
    done
}

# "pss rss private" in kB.
memory() {
    awk '/^Pss:/ {p = $2} /^Rss:/ {r = $2} /^Private_(Clean|Dirty):/ {v += $2}
        END {print p + 0, r + 0, v + 0}' /proc/"$1"/smaps_rollup 2>/dev/null
}

RESULTS=$WORK/results # label|pss|rss|private|cpu%|switches/s|wake-ups/s|threads
DETAILS=$WORK/details # per-thread wake-ups
: >"$RESULTS"
: >"$DETAILS"

# Measures a running process over the window and adds a row under the label.
measure() {
    local label=$1 pid=$2 t0 t1
    sample "$pid" >"$WORK/before"
    t0=$(date +%s.%N)
    sleep "$WINDOW"
    sample "$pid" >"$WORK/after"
    t1=$(date +%s.%N)
    if ! kill -0 "$pid" 2>/dev/null; then
        problem "$label: the process ended during the measurement"
        return 1
    fi
    read -r pss rss private <<<"$(memory "$pid")"
    # PSS splits each shared page among the processes that map it: other Qt programs running
    # at the same time (other tests, a desktop) lower it, so say how many there were.
    echo "$label: other processes mapping Qt 6 at the end of the window:" \
        "$(grep -l libQt6Core /proc/[0-9]*/maps 2>/dev/null | grep -vc "^/proc/$pid/maps$")" \
        >>"$DETAILS"
    awk -v label="$label" -v span="$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')" \
        -v pss="$pss" -v rss="$rss" -v private="$private" -v details="$DETAILS" '
        FNR == NR { run[$1] = $2; vol[$1] = $4; inv[$1] = $5; next }
        {
            dr = $2 - run[$1]; dv = $4 - vol[$1]; di = $5 - inv[$1]
            R += dr; V += dv; I += di; n++
            line = line sprintf("%s %.2f/s; ", $6, dv / span)
        }
        END {
            printf "%s|%d|%d|%d|%.4f|%.2f|%.2f|%d\n", label, pss, rss, private,
                100 * R / 1e9 / span, (V + I) / span, V / span, n
            printf "%s: wake-ups by thread: %s\n", label, line >> details
        }' "$WORK/before" "$WORK/after" >>"$RESULTS"
}

# Libraries of the audio path a process has mapped, by name (not FluidSynth's OpenMP runtime:
# every Qt 6 program has it, through Qt Core's hash library).
audio_libraries() {
    grep -Eo 'lib(SDL2(_mixer)?-2\.0|fluidsynth|sndfile|pulse|asound|instpatch)[^/ ]*\.so[.0-9]*' \
        /proc/"$1"/maps 2>/dev/null | sort -u | tr '\n' ' '
}

stop() {
    local pid=$1
    kill "$pid" 2>/dev/null
    xs_wait_until 10 xs_process_gone "$pid" || kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# A copy of the program folder with settings of its own ("Key=Value" arguments, [Settings]),
# and private XDG folders, so nothing of the user's or of another run is read. Sets VDIR.
prepare_vistrel() {
    local name=$1
    shift
    VDIR=$WORK/$name
    mkdir -p "$VDIR/config" "$VDIR/data" "$VDIR/cache"
    mkdir -p -m 0700 "$VDIR/runtime"
    cp -a "$PROGRAM" "$VDIR/program"
    rm -f "$VDIR/program"/Vistrel*.ini
    if (($#)); then
        {
            echo "[Settings]"
            printf '%s\n' "$@"
        } >"$VDIR/program/Vistrel - $(id -un).ini"
    fi
}

# Starts the prepared copy with extra environment ("NAME=value" arguments); sets VPID.
start_vistrel() {
    env XDG_CONFIG_HOME="$VDIR/config" XDG_DATA_HOME="$VDIR/data" XDG_CACHE_HOME="$VDIR/cache" \
        XDG_RUNTIME_DIR="$VDIR/runtime" SDL_AUDIODRIVER=dummy "$@" \
        "$VDIR/program/Vistrel" >>"$VDIR/out.log" 2>&1 &
    VPID=$!
    PIDS+=("$VPID")
}

# ---- Drift: one work period against the wall clock -----------------------------------------
if [[ -n "$DRIFT" ]]; then
    prepare_vistrel drift "WorkPeriod=$DRIFT" RestPeriod=1 AlertMethod=1 PlayMethod=0 \
        "MusicFile=Canon in D.mid" AutoUpdate=0
    AUDIO=$WORK/drift.raw
    coproc DOCK { "$WORK/tray-time" next-dock 20000; }
    read -r _ <&"${DOCK[0]}"
    t_ready=$(date +%s.%N)
    start_vistrel SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$AUDIO"
    read -r dock_ms <&"${DOCK[0]}"
    t_start=$(awk -v a="$t_ready" -v m="$dock_ms" 'BEGIN {printf "%.3f", a + m / 1000}')
    # The rest starts on the tick after the countdown reached zero.
    due=$(awk -v s="$t_start" -v m="$DRIFT" 'BEGIN {printf "%.3f", s + m * 60 + 1}')
    note "work period of $DRIFT min started (icon docked after $dock_ms ms); rest due at $due"
    sleep "$(awk -v d="$due" -v n="$(date +%s.%N)" 'BEGIN {x = d - n - 5; print (x > 0 ? x : 0)}')"
    deadline=$((SECONDS + 30))
    while [[ ! -e "$AUDIO" ]] && ((SECONDS < deadline)); do sleep 0.01; done
    t_rest=$(date +%s.%N)
    [[ -e "$AUDIO" ]] || {
        echo "drift: the rest did not start"
        exit 1
    }
    awk -v r="$t_rest" -v d="$due" -v m="$DRIFT" 'BEGIN {
        x = r - d
        printf "drift: the rest of a %d-minute work period started %+.3f s from its due time" \
               " (%+.2f s per hour)\n", m, x, x * 60 / m }'
    exit 0
fi

# ---- Idle: the floor, a work period, a music rest ------------------------------------------
note "floor: settling $SETTLE s, measuring $WINDOW s"
"$WORK/tray-floor" >"$WORK/floor.log" 2>&1 &
FPID=$!
PIDS+=("$FPID")
sleep "$SETTLE"
measure "bare Qt 6 tray (floor)" "$FPID" || exit 1
stop "$FPID"

note "Vistrel, work period"
prepare_vistrel work
start_vistrel
sleep "$SETTLE"
WORK_AUDIO=$(audio_libraries "$VPID")
measure "Vistrel, work period" "$VPID"
stop "$VPID"

note "Vistrel, music rest"
prepare_vistrel rest WorkPeriod=0 RestPeriod=0 AlertMethod=1 PlayMethod=0 \
    "MusicFile=Canon in D.mid" AutoUpdate=0
start_vistrel
if xs_wait_until 20 grep -q libfluidsynth /proc/"$VPID"/maps; then
    sleep "$SETTLE"
    measure "Vistrel, music rest" "$VPID"
    REST_AUDIO=$(audio_libraries "$VPID")
    # Activity ends the rest and the music closes; the work period that follows is read from
    # the settings file, which now asks for a long one.
    printf '[Settings]\nWorkPeriod=50\nAutoUpdate=0\n' >"$VDIR/program/Vistrel - $(id -un).ini"
    xdotool mousemove 500 300 && sleep 0.3 && xdotool mousemove 10 400
    if xs_wait_until 10 eval '! grep -q libfluidsynth /proc/$VPID/maps'; then
        sleep 1
        AFTER_AUDIO=$(audio_libraries "$VPID")
        read -r AFTER_PSS _ <<<"$(memory "$VPID")"
    else
        AFTER_AUDIO="(the synthesiser stayed loaded) $(audio_libraries "$VPID")"
    fi
else
    problem "music rest: the synthesiser was never loaded"
fi
stop "$VPID"

# ---- The Windows build under Wine ------------------------------------------------------------
WINE_NOTE="no Windows build at $WINE_EXE"
if [[ -f "$WINE_EXE" ]] && command -v wine >/dev/null; then
    note "Windows build under Wine"
    WINEPREFIX_OWN=$(mktemp -d /tmp/vistrel-bench-wine-XXXXXX)
    export WINEPREFIX=$WINEPREFIX_OWN WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # What Windows' own calls report about the process (tools/bench/win32/ProcessProbe.cpp).
    PROBE=
    x86_64-w64-mingw32-g++ -O2 -static -o "$WORK/probe.exe" \
        "$ROOT/tools/bench/win32/ProcessProbe.cpp" -lpsapi && PROBE=$WORK/probe.exe
    wineboot -i >"$WORK/wineboot.log" 2>&1 </dev/null
    cp -a "$(dirname "$WINE_EXE")" "$WORK/win"
    rm -f "$WORK/win"/Vistrel*.ini
    (cd "$WORK/win" && exec wine ./Vistrel.exe >"$WORK/wine.log" 2>&1) &
    PIDS+=("$!")
    WPID=
    find_wine_pid() {
        local p
        for p in $(pgrep -u "$(id -u)" -f 'Vistrel\.exe'); do
            grep -qz "^WINEPREFIX=$WINEPREFIX_OWN\$" /proc/"$p"/environ 2>/dev/null &&
                WPID=$p && return 0
        done
        return 1
    }
    if xs_wait_until 60 find_wine_pid; then
        sleep "$SETTLE"
        measure "Vistrel.exe under Wine" "$WPID"
        WINE_NOTE="Vistrel.exe $(stat -c %s "$WINE_EXE") bytes"
        [[ -n "$PROBE" ]] && wine "$PROBE" </dev/null 2>/dev/null | tr -d '\r' >"$WORK/probe.txt"
        kill "$WPID" 2>/dev/null
    else
        problem "Wine: Vistrel.exe did not start"
    fi
    wineserver -k 2>/dev/null
    unset WINEPREFIX
fi

# ---- Start and exit ---------------------------------------------------------------------------
median() { sort -n | awk '{v[NR] = $1} END {print NR ? (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) : -1}'; }
note "start and exit, $RUNS runs each"
: >"$WORK/floor-times"
: >"$WORK/vistrel-times"
prepare_vistrel startexit
for ((i = 0; i < RUNS; i++)); do
    "$WORK/tray-time" start-exit 1000 "$WORK/tray-floor" >>"$WORK/floor-times"
    env XDG_CONFIG_HOME="$VDIR/config" XDG_DATA_HOME="$VDIR/data" \
        XDG_RUNTIME_DIR="$VDIR/runtime" SDL_AUDIODRIVER=dummy \
        "$WORK/tray-time" start-exit 1000 "$VDIR/program/Vistrel" >>"$WORK/vistrel-times"
done
FLOOR_START=$(cut -d' ' -f1 "$WORK/floor-times" | median)
FLOOR_EXIT=$(cut -d' ' -f2 "$WORK/floor-times" | median)
VIS_START=$(cut -d' ' -f1 "$WORK/vistrel-times" | median)
VIS_EXIT=$(cut -d' ' -f2 "$WORK/vistrel-times" | median)
grep -q -- '-1' "$WORK/floor-times" "$WORK/vistrel-times" && problem "a start or exit was not seen"

# ---- The About box with an ordinary and with a large language file ---------------------------
# Opens the tray menu by a right click on the icon, moves to "About" with the keyboard and
# times the About box from the key press; prints "ms main-thread-cpu-ms".
about_time() {
    local pid=$1 x y w h out run0 run1 ms
    read -r x y w h <<<"$(xs_tray_geometry)" || return 1
    xdotool mousemove $((x + w - h / 2)) $((y + h / 2)) click 3
    sleep 1
    xdotool key Down Down
    out=$WORK/about-$pid
    : >"$out"
    "$WORK/tray-time" next-window 30000 >"$out" &
    local helper=$!
    xs_wait_until 5 grep -q ready "$out"
    read -r run0 _ <"/proc/$pid/task/$pid/schedstat"
    xdotool key Return
    wait "$helper"
    read -r run1 _ <"/proc/$pid/task/$pid/schedstat"
    ms=$(tail -1 "$out")
    echo "$ms $(((run1 - run0) / 1000000))"
    xdotool key Escape
    xdotool mousemove 10 400
}

make_language() {
    local keys=$1 file=$2
    python3 - "$keys" "$PROGRAM/Language/English 1033.ini" "$file" <<'EOF'
import sys
keys, source, target = int(sys.argv[1]), sys.argv[2], sys.argv[3]
text = open(source, encoding="utf-8-sig").read().replace("\r\n", "\n")
extra = "".join("MThanks.Line%d=About Vistrel, line %d\n" % (i + 11, i + 11)
                for i in range(1, keys + 1))
start = text.index("[AboutForm]\n")
end = text.find("\n[", start)
end = len(text) if end < 0 else end + 1
text = text[:end] + extra + text[end:]
open(target, "w", encoding="utf-8", newline="\r\n").write(text)
EOF
}

note "About box"
prepare_vistrel about Language="Large 1033" AutoUpdate=0
make_language 100000 "$VDIR/program/Language/Large 1033.ini"
LARGE_KB=$(($(stat -c %s "$VDIR/program/Language/Large 1033.ini") / 1024))
start_vistrel
sleep 3
read -r ABOUT_LARGE ABOUT_LARGE_CPU <<<"$(about_time "$VPID")"
stop "$VPID"
prepare_vistrel about-plain AutoUpdate=0
start_vistrel
sleep 3
read -r ABOUT_PLAIN ABOUT_PLAIN_CPU <<<"$(about_time "$VPID")"
stop "$VPID"
[[ "${ABOUT_LARGE:--1}" == -1 || "${ABOUT_PLAIN:--1}" == -1 ]] && problem "the About box did not show"

# ---- The table ----------------------------------------------------------------------------------
echo
echo "Idle cost, one after another on $DISPLAY (Xvfb, trayer), settle $SETTLE s, window $WINDOW s;"
echo "$(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), $(uname -sr)."
echo
awk -F'|' '
    NR == 1 { fp = $2; fc = $5; fw = $7 }
    function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
    BEGIN {
        print "| program | PSS MB | x floor | private MB | RSS MB | CPU % of a core | x floor | context switches/s | wake-ups/s | x floor | threads |"
        print "|---|---|---|---|---|---|---|---|---|---|---|"
    }
    { printf "| %s | %.1f | %s | %.1f | %.1f | %.3f | %s | %.2f | %.2f | %s | %d |\n", $1,
             $2 / 1024, ratio($2, fp), $4 / 1024, $3 / 1024, $5, ratio($5, fc), $6, $7,
             ratio($7, fw), $8 }' "$RESULTS"
echo
awk -F'|' 'NR == 1 { fp = $2; fv = $4 }
    $1 ~ /work period/ { printf "During work minus the floor: PSS %+.2f MB, private %+.2f MB\n",
                         ($2 - fp) / 1024, ($4 - fv) / 1024 }' "$RESULTS"
echo "Audio libraries mapped during work: ${WORK_AUDIO:-none}"
echo "Audio libraries mapped during the music rest: ${REST_AUDIO:-?}"
echo "Audio libraries mapped after the music closed: ${AFTER_AUDIO:-none}${AFTER_PSS:+ (PSS then $((AFTER_PSS / 1024)) MB)}"
awk -F'|' '$1 ~ /Wine/ { printf "Under Wine (a proxy for Windows): private memory %.2f MB\n", $4 / 1024 }' "$RESULTS"
echo "Windows build: $WINE_NOTE"
if [[ -s "$WORK/probe.txt" ]]; then
    echo "What Windows' own calls report under Wine (Wine leaves private bytes at 0; the private"
    echo "pages above stand in, and include Wine's own libraries' data):"
    sed 's/^/    /' "$WORK/probe.txt"
fi
echo "Start (icon shown in the tray), median of $RUNS: floor $FLOOR_START ms, Vistrel $VIS_START ms"
echo "Exit (SIGTERM to the end of the process), median of $RUNS: floor $FLOOR_EXIT ms, Vistrel $VIS_EXIT ms"
echo "About box shown after: $ABOUT_PLAIN ms with the English file (main thread $ABOUT_PLAIN_CPU ms CPU)," \
    "$ABOUT_LARGE ms with a ${LARGE_KB} kB file of 100,000 more keys (main thread $ABOUT_LARGE_CPU ms CPU)"
echo
cat "$DETAILS"
exit "$FAILED"
