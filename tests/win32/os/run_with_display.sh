#!/usr/bin/env bash
# Runs a Windows test program under Wine with a display of its own: a private Xvfb and a
# prefix of its own. Windows cannot be made in a Wine session whose desktop began without a
# display, so these tests do not share the prefix of the tests that need none.
#
# Usage: run_with_display.sh PROGRAM.exe [arguments...]
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../../e2e/lib/xsession.sh"
. "$HERE/../lib/wine.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-wine-test-XXXXXX")
finish() {
    wine_server_stop
    xsession_stop
    rm -rf "$WORK"
}
trap finish EXIT
XS_DIR="$WORK/session"
xsession_start --no-tray || exit 1
export WINEPREFIX="$WORK/prefix"
wine_env
wine_prepare || exit 1
wine_server_start || exit 1
wine "$@" </dev/null
