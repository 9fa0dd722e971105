#!/usr/bin/env bash
# Runs a Windows test program under Wine inside a private X display (no window manager, as
# the tests expect), with a Wine prefix of its own, and stops everything it started.
#
#   wine-session.sh [--audio-file] -- program.exe [arguments...]
#
# --audio-file: ALSA's default output becomes a file (no sound card is needed): a private
# HOME whose .asoundrc writes raw samples to $HOME/out.raw; the program learns that file's
# Windows path from VISTREL_TEST_AUDIO_OUT.
#
# Environment: VISTREL_WINEPREFIX (default: a prefix per user under /tmp, made on first use).
set -euo pipefail

audio=0
while [[ $# -gt 0 ]]; do
    case "$1" in
    --audio-file) audio=1; shift ;;
    --) shift; break ;;
    *) echo "wine-session: unknown option $1" >&2; exit 2 ;;
    esac
done
[[ $# -gt 0 ]] || { echo "wine-session: no program given" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-wine-session.XXXXXX")
xvfb_pid=
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX=${VISTREL_WINEPREFIX:-${TMPDIR:-/tmp}/vistrel-wine-prefix-$(id -u)}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

exec 3>"$work/displayfd"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [[ -s "$work/displayfd" ]] && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/displayfd")"

if [[ $audio == 1 ]]; then
    export HOME="$work/home"
    mkdir -p "$HOME"
    cat >"$HOME/.asoundrc" <<ASOUND
pcm.!default { type file slave.pcm "null" file "$HOME/out.raw" format "raw" }
ASOUND
    export VISTREL_TEST_AUDIO_OUT="Z:${HOME//\//\\}\\out.raw"
fi

# Background Wine processes keep the first Wine process's output open: start the server and
# the prefix's services with their own, so the test's output ends when the test does.
if [[ ! -d "$WINEPREFIX" ]]; then
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1
fi
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1

rc=0
wine "$@" </dev/null || rc=$?
exit "$rc"
