#!/usr/bin/env bash
# The Windows .zip as CPack makes it, unpacked into a folder whose path has a blank, runs under
# Wine with the language, music and help folders it carries (vistrel_wine.sh, scenario zip).
# Usage: zip_package.sh BUILD_DIR ARTIFACT_DIR
set -u
build=$1
art=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for tool in cpack unzip; do
    type -P "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-zip-XXXXXX")
trap 'rm -rf "$work"' EXIT
if ! (cd "$build" && cpack -G ZIP -B "$work/pkg") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not make the .zip"
    exit 1
fi
zip=$(find "$work/pkg" -maxdepth 1 -name '*.zip' | head -n 1)
[[ -n "$zip" ]] || { echo "FAIL: cpack made no .zip"; exit 1; }
mkdir -p "$work/Un packed"
unzip -q "$zip" -d "$work/Un packed" || { echo "FAIL: $zip does not unpack"; exit 1; }
exe=$(find "$work/Un packed" -name Vistrel.exe | head -n 1)
[[ -n "$exe" ]] || { echo "FAIL: no Vistrel.exe in $(basename "$zip")"; exit 1; }
echo "unpacked $(basename "$zip") into $(dirname "$exe")"
bash "$here/vistrel_wine.sh" zip "$(dirname "$exe")" "$art"
