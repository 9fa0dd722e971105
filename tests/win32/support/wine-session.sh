#!/usr/bin/env bash
# Runs a Windows test program under Wine with a display of its own (Xvfb, no window manager)
# in a prefix kept for these tests between runs, and stops everything it started.
#
#   wine-session.sh [--audio-file] -- program.exe [arguments...]
#
# --audio-file: ALSA's default output becomes a file, so no sound card is needed: a private
# HOME whose .asoundrc writes the raw samples to $HOME/out.raw; the program learns that file's
# Windows path from VISTREL_TEST_AUDIO_OUT.
#
# The prefix is VISTREL_DISPLAY_WINEPREFIX, or one per user under /tmp. It is not the prefix
# of the tests without a display: a Wine session whose desktop began without one cannot make
# windows. Its server is stopped after each run, so each run's session has its own display.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../e2e/lib/xsession.sh"
. "$here/../lib/wine.sh"

audio=0
while (($#)); do
    case $1 in
    --audio-file) audio=1; shift ;;
    --) shift; break ;;
    *) echo "wine-session: unknown option $1" >&2; exit 2 ;;
    esac
done
(($#)) || { echo "wine-session: no program given" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-wine-session-XXXXXX")
finish() {
    wine_server_stop
    xsession_stop
    rm -rf "$WORK"
}
trap finish EXIT

export WINEPREFIX=${VISTREL_DISPLAY_WINEPREFIX:-${TMPDIR:-/tmp}/vistrel-wine-display-$(id -u)}
export WINEDEBUG=-all
wine_env
XS_DIR="$WORK/session"
xsession_start --no-tray || exit 1
wine_prepare || exit 1

if ((audio)); then
    export HOME="$WORK/home"
    mkdir -p "$HOME"
    printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' \
        "$HOME/out.raw" >"$HOME/.asoundrc"
    export VISTREL_TEST_AUDIO_OUT="Z:${HOME//\//\\}\\out.raw"
fi

wine_server_start || exit 1
wine "$@" </dev/null
