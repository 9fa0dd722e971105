#!/usr/bin/env bash
# Installs what the tests need, builds every preset the tests use and runs all tests.
# Usage: scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

jobs=$(nproc)

echo "== Linux build (warnings are errors)"
cmake --preset ci
cmake --build --preset ci -j "$jobs"

echo "== Windows cross build (MinGW-w64)"
cmake --preset win64
cmake --build --preset win64 -j "$jobs"

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake --preset asan
cmake --build --preset asan -j "$jobs"

echo "== Thread sanitizer build (the tests whose code runs on more than one thread)"
cmake --preset tsan
cmake --build --preset tsan -j "$jobs"

echo "== Fuzz targets (clang, libFuzzer)"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"

echo "== Tests"
# Every suite runs even when an earlier one fails, so one run shows every failure.
failed=()
suite() {
    local name=$1
    shift
    echo "== Tests: $name"
    "$@" || failed+=("$name")
}
suite ci ctest --preset ci -j "$jobs"
suite asan env ASAN_OPTIONS=detect_leaks=1 ctest --preset asan -j "$jobs"
suite tsan ctest --preset tsan -j "$jobs"
# The Windows tests under Wine, in a prefix of the build tree with a wineserver of their own.
suite win64 tests/win32/lib/wine.sh --prefix "$PWD/build/win64/wine-prefix" -- \
    ctest --preset win64 -j "$jobs"
# Each parser's fuzz target briefly from its seeds (tools/fuzz.sh runs the long campaign).
suite fuzz ctest --preset fuzz -j "$jobs"

if ((${#failed[@]})); then
    echo "== Failed suites: ${failed[*]}"
    exit 1
fi
echo "== Every suite passed"
