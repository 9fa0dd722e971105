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

echo "== Tests"
ctest --preset ci -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --preset asan -j "$jobs"
ctest --preset tsan -j "$jobs"
# The Windows tests under Wine, in a prefix of the build tree with a wineserver of their own.
tests/win32/lib/wine.sh --prefix "$PWD/build/win64/wine-prefix" -- ctest --preset win64 -j "$jobs"
