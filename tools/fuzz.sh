#!/usr/bin/env bash
# Runs the parsers' fuzz targets one after another, each for a given time, from the committed
# seeds plus the corpus earlier runs grew (kept in the build folder), and prints per target the
# inputs run, the coverage reached and the findings (saved inputs that crashed or failed a
# check).
#
# Usage: tools/fuzz.sh [--seconds N] [--timeout S] [--build-dir DIR] [target...]
#   --seconds N     how long each target runs (default 600: a long campaign)
#   --timeout S     one input taking longer is a finding (default 10; more on a busy machine)
#   --build-dir DIR a configured fuzz build (default: build/fuzz, configured and built here)
#   target...       fuzz_* names (default: every target)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=600
timeout=10
build=""
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --timeout) timeout="$2"; shift 2 ;;
    --build-dir) build="$2"; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done

if [ -z "$build" ]; then
  build="$root/build/fuzz"
  (cd "$root" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$(nproc)")
fi
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in "$root"/tests/fuzz/seeds/*/; do
    targets+=("$(basename "$seeds")")
  done
fi

# The targets that read files write them to the temporary folder at every run.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

status=0
printf '%-22s %12s %8s %9s\n' target execs coverage findings
for target in "${targets[@]}"; do
  binary="$build/tests/fuzz/$target"
  seeds="$root/tests/fuzz/seeds/$target"
  corpus="$build/fuzz-corpus/$target"
  findings="$build/fuzz-findings"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  if [ ! -x "$binary" ]; then
    echo "$target: $binary is missing (build the fuzz preset)" >&2
    status=1
    continue
  fi
  before=$(find "$findings" -name "$target-*" | wc -l)
  rc=0
  # New inputs go to the build folder's corpus; the committed seeds are only read.
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1" \
    "$binary" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$corpus" "$seeds" >"$log" 2>&1 || rc=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
  after=$(find "$findings" -name "$target-*" | wc -l)
  printf '%-22s %12s %8s %9s\n' "$target" "${execs:-?}" "${coverage:-?}" "$((after - before))"
  if [ "$rc" -ne 0 ] || [ "$after" -ne "$before" ]; then
    echo "$target failed (exit $rc); its log: $log" >&2
    grep -m 20 -E 'ERROR|SUMMARY|==[0-9]+==|#[0-9]+ 0x' "$log" >&2 || true
    status=1
  fi
done
exit "$status"
