#!/usr/bin/env bash
# What the tray demo costs while nobody touches it, under Xvfb with trayer as the tray host:
# CPU time, wake-ups (times its threads were scheduled) and memory, once while the icon
# animates (a work period) and once with the animation stopped (a rest); then the drift of
# the one-second animation timer against the monotonic clock.
#
#   tools/bench/idle.sh DEMO_BINARY [IDLE_SECONDS (60)] [DRIFT_SECONDS (180)]
set -u

DEMO=${1:?usage: idle.sh DEMO_BINARY [IDLE_SECONDS] [DRIFT_SECONDS]}
IDLE=${2:-60}
DRIFT=${3:-180}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$ROOT/tests/e2e/lib/xsession.sh"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/idle-bench-XXXXXX")
DEMO_PID=
cleanup() {
    if [[ -n "$DEMO_PID" ]] && kill -0 "$DEMO_PID" 2>/dev/null; then
        kill "$DEMO_PID"
        wait "$DEMO_PID" 2>/dev/null
    fi
    xsession_stop
    rm -rf "$WORK"
}
trap cleanup EXIT
XS_DIR="$WORK/session"
xsession_start || exit 1
xdotool mousemove 10 300 2>/dev/null # the pointer far from the icon

# Sum over the process's threads: "cpu_ticks slices run_ns voluntary involuntary".
sample() {
    local pid=$1 ticks=0 slices=0 run=0 vol=0 invol=0 t
    for t in /proc/"$pid"/task/*; do
        read -r -a st <"$t/stat" || continue
        # Fields after the command name; utime and stime are the 14th and 15th fields.
        local rest=${st[*]}
        rest=${rest#*) }
        read -r -a f <<<"$rest"
        ticks=$((ticks + f[11] + f[12]))
        read -r r _ s <"$t/schedstat"
        run=$((run + r))
        slices=$((slices + s))
        vol=$((vol + $(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")))
        invol=$((invol + $(awk '/^nonvoluntary_ctxt_switches/ {print $2}' "$t/status")))
    done
    echo "$ticks $slices $run $vol $invol"
}

memory() {
    local pid=$1
    local rss hwm pss
    rss=$(awk '/^VmRSS/ {print $2}' /proc/"$pid"/status)
    hwm=$(awk '/^VmHWM/ {print $2}' /proc/"$pid"/status)
    pss=$(awk '/^Pss:/ {print $2}' /proc/"$pid"/smaps_rollup 2>/dev/null)
    echo "RSS ${rss} kB, peak RSS ${hwm} kB, PSS ${pss:-?} kB, threads $(ls /proc/"$pid"/task | wc -l)"
}

run_idle() {
    local label=$1
    shift
    local log="$WORK/$label.log"
    "$DEMO" --log "$log" "$@" >"$WORK/$label.out" 2>&1 &
    DEMO_PID=$!
    if ! xs_wait_until 20 grep -qsx ready "$log"; then
        echo "$label: the demo did not start"
        return 1
    fi
    sleep 5 # let start-up work settle before measuring
    local hz
    hz=$(getconf CLK_TCK)
    read -r t0 s0 r0 v0 i0 < <(sample "$DEMO_PID")
    local start=$SECONDS
    sleep "$IDLE"
    read -r t1 s1 r1 v1 i1 < <(sample "$DEMO_PID")
    local secs=$((SECONDS - start))
    awk -v label="$label" -v secs="$secs" -v ticks=$((t1 - t0)) -v hz="$hz" \
        -v slices=$((s1 - s0)) -v run=$((r1 - r0)) -v vol=$((v1 - v0)) -v invol=$((i1 - i0)) \
        'BEGIN {
            printf "%-9s over %d s: CPU %.3f%% (%d ticks, %.1f ms run), wake-ups %.2f/s " \
                   "(%d scheduled slices), context switches %.2f/s voluntary, %.2f/s forced\n",
                   label, secs, 100 * ticks / hz / secs, ticks, run / 1e6, slices / secs,
                   slices, vol / secs, invol / secs
        }'
    echo "          memory: $(memory "$DEMO_PID")"
    kill "$DEMO_PID"
    wait "$DEMO_PID" 2>/dev/null
    DEMO_PID=
}

echo "idle cost of $(basename "$DEMO") on $DISPLAY (trayer host), ${IDLE} s each"
run_idle animating
run_idle frozen --frozen

# ---- Timer drift: the animation step times against the monotonic clock ----------------------
TICKS="$WORK/ticks.log"
"$DEMO" --log "$WORK/drift.log" --tick-log "$TICKS" >"$WORK/drift.out" 2>&1 &
DEMO_PID=$!
sleep "$DRIFT"
kill "$DEMO_PID"
wait "$DEMO_PID" 2>/dev/null
DEMO_PID=
awk '
    NR == 1 { first = $1 }
    { if (NR > 1) { d = $1 - prev; if (d > maxgap) maxgap = d; if (mingap == 0 || d < mingap) mingap = d }
      prev = $1; n = NR }
    END {
        if (n < 2) { print "drift: too few ticks"; exit 1 }
        span = prev - first
        drift = span - (n - 1) * 1000
        printf "timer drift over %d ticks (%.1f s): %+d ms in all, %+.1f ms per hour; " \
               "step %d..%d ms\n", n, span / 1000, drift, drift * 3600000 / span, mingap, maxgap
    }' "$TICKS"
