# The outcome of an end-to-end script: each check passes or fails and the script reports
# FAILURES at its end; `must` ends the run at once, after calling $ON_FATAL (a script sets it
# to keep what shows the failure).
FAILURES=0
ON_FATAL=:

pass() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*"
    FAILURES=$((FAILURES + 1))
}
# Ends the run at once: the later steps make no sense without this one.
must() {
    if ! "$@"; then
        echo "FAIL (fatal): $*"
        "$ON_FATAL"
        exit 1
    fi
}

# Seconds since the epoch with fractions, for timings.
now() { date +%s.%N; }
elapsed_since() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.1f", b - a}'; }
# True when the number $1 lies within [$2, $3].
between() { awk -v x="$1" -v lo="$2" -v hi="$3" 'BEGIN {exit !(x >= lo && x <= hi)}'; }

# True when the two pictures are the same pixel for pixel.
same_picture() {
    local ae
    ae=$(compare -metric AE "$1" "$2" null: 2>&1)
    [[ "${ae%% *}" == 0 ]]
}
