#!/usr/bin/env bash
# What the real program costs during a work period while nobody touches the machine: CPU
# time, wake-ups (times its threads were scheduled) and memory over a span of seconds, under
# Xvfb with trayer as the tray host, from a copy of the program folder with default settings.
#
#   tools/bench/vistrel-idle.sh PROGRAM_FOLDER [SECONDS (60)]
set -u
SRC=${1:?usage: vistrel-idle.sh PROGRAM_FOLDER [SECONDS]}
SPAN=${2:-60}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/tests/e2e/lib/xsession.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-idle-XXXXXX")
PID=
cleanup() {
    [[ -n "$PID" ]] && kill "$PID" 2>/dev/null && wait "$PID" 2>/dev/null
    xsession_stop
    rm -rf "$WORK"
}
trap cleanup EXIT
XS_DIR="$WORK/session"
mkdir -p "$XS_DIR"
xsession_start || exit 1
cp -r "$SRC" "$WORK/program"
export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_RUNTIME_DIR="$WORK/run"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/audio.raw"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
xdotool mousemove 10 300 2>/dev/null # the pointer far from the icon
"$WORK/program/Vistrel" >"$WORK/vistrel.log" 2>&1 &
PID=$!
sleep 5 # start-up and the update check are over

snapshot() {
    local cpu=0 switches=0 task stat
    for task in /proc/$PID/task/*; do
        read -r -a stat <"$task/stat"
        cpu=$((cpu + stat[13] + stat[14]))
        switches=$((switches + $(awk '/ctxt_switches/ {s += $2} END {print s}' "$task/status")))
    done
    echo "$cpu $switches"
}
read -r cpu0 sw0 <<<"$(snapshot)"
sleep "$SPAN"
read -r cpu1 sw1 <<<"$(snapshot)"
hz=$(getconf CLK_TCK)
echo "span: ${SPAN} s, threads: $(ls /proc/$PID/task | wc -l)"
awk -v t=$((cpu1 - cpu0)) -v hz="$hz" -v s="$SPAN" \
    'BEGIN { printf "cpu: %.2f s (%.3f%%)\n", t / hz, 100 * t / hz / s }'
awk -v w=$((sw1 - sw0)) -v s="$SPAN" 'BEGIN { printf "wake-ups: %d (%.2f/s)\n", w, w / s }'
grep -E '^VmRSS' "/proc/$PID/status"
grep -E '^Pss:' "/proc/$PID/smaps_rollup"
