#!/usr/bin/env bash
# What Vistrel.exe costs under Wine during a work period while nobody touches the machine, as
# a proxy for Windows: what Windows' own calls report about the process (private bytes,
# handles, GDI and USER objects), and the wake-ups and CPU time of the process's threads over
# a span of seconds, under Xvfb with trayer as the tray host. The Wine process also carries
# Wine's own threads, so the wake-ups are an upper bound of what the program asks for.
#
#   tools/bench/vistrel-wine-idle.sh PROGRAM_FOLDER [SECONDS (60)]
set -u
SRC=${1:?usage: vistrel-wine-idle.sh PROGRAM_FOLDER [SECONDS]}
SPAN=${2:-60}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/tests/e2e/lib/xsession.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-wine-idle-XXXXXX")
PID=
export WINEPREFIX="$WORK/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    [[ -n "$PID" ]] && kill "$PID" 2>/dev/null && wait "$PID" 2>/dev/null
    wineserver -k >/dev/null 2>&1
    xsession_stop
    rm -rf "$WORK"
}
trap cleanup EXIT
XS_DIR="$WORK/session"
mkdir -p "$XS_DIR"
xsession_start || exit 1
x86_64-w64-mingw32-g++ -O2 -static -o "$WORK/probe.exe" "$ROOT/tools/bench/win32/ProcessProbe.cpp" \
    -lpsapi || exit 1
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1
cp -r "$SRC" "$WORK/program files"
echo "Vistrel.exe: $(stat -c %s "$WORK/program files/Vistrel.exe") bytes"
xdotool mousemove 10 300 2>/dev/null # the pointer far from the icon
(cd "$WORK/program files" && exec wine ./Vistrel.exe </dev/null >"$WORK/vistrel.log" 2>&1) &
PID=$!
sleep 8 # start-up and the update check are over
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
echo "span: ${SPAN} s, threads of the Wine process: $(ls /proc/$PID/task | wc -l)"
awk -v t=$((cpu1 - cpu0)) -v hz="$hz" -v s="$SPAN" \
    'BEGIN { printf "cpu: %.2f s (%.3f%%)\n", t / hz, 100 * t / hz / s }'
awk -v w=$((sw1 - sw0)) -v s="$SPAN" 'BEGIN { printf "wake-ups: %d (%.2f/s)\n", w, w / s }'
grep -E '^VmRSS' "/proc/$PID/status"
# Wine leaves the private-bytes counter at 0: the process's private pages as Linux counts them
# stand in (they include Wine's own libraries' data).
grep -E '^Private_(Clean|Dirty):' "/proc/$PID/smaps_rollup"
wine "$WORK/probe.exe" </dev/null 2>/dev/null | tr -d '\r'
