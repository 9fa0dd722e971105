#!/usr/bin/env bash
# Runs a Windows test program under Wine with a display of its own: a private Xvfb and a
# prefix of its own. Windows cannot be made in a Wine session whose desktop began without a
# display, so these tests do not share the prefix of the tests that need none.
#
# Usage: run_with_display.sh PROGRAM.exe [arguments...]
set -u
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../e2e/lib/xsession.sh"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vistrel-wine-test-XXXXXX")
export WINEPREFIX="$WORK/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
finish() {
    wineserver -k </dev/null >/dev/null 2>&1
    xsession_stop
    rm -rf "$WORK"
}
trap finish EXIT
XS_DIR="$WORK/session"
xsession_start --no-tray || exit 1
# The server starts with its streams detached, so Wine's background processes do not hold
# the test's output open.
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1
wine "$@" </dev/null
