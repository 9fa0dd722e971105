#!/usr/bin/env bash
# The Options and About dialogs end to end on Xvfb: the demo program shows them as the tray
# menu does; xdotool types and clicks; the checks look at the settings file, the music folder,
# screenshots and what the widgets show. Every wait polls with a deadline.
#
#   dialogs_e2e.sh DEMO PREVIEW_WINDOW CLOSE_WINDOW PROGRAM_DIR [ARTIFACT_DIR]
#
# PROGRAM_DIR is the build's program folder, whose Language and Music folders are copied.
set -u

DEMO=${1:?usage: dialogs_e2e.sh DEMO PREVIEW_WINDOW CLOSE_WINDOW PROGRAM_DIR [ARTIFACT_DIR]}
PREVIEW=${2:?}
CLOSE_WINDOW=${3:?}
SOURCE_PROGRAM=${4:?}
ART=${5:-$(mktemp -d "${TMPDIR:-/tmp}/dialogs-e2e-XXXXXX")}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/../lib/xsession.sh"
. "$HERE/../lib/checks.sh"

HACK=
for candidate in popsquares deco swirl abstractile; do
    if [[ -x /usr/libexec/xscreensaver/$candidate ]]; then
        HACK=/usr/libexec/xscreensaver/$candidate
        break
    fi
done
for tool in xdotool xdpyinfo import convert tesseract; do
    type -P "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done
[[ -n "$HACK" ]] || { echo "FAIL: no xscreensaver hack in /usr/libexec/xscreensaver"; exit 1; }

rm -rf "$ART"
mkdir -p "$ART"
PROGRAM="$ART/program"
DATA="$ART/data"
SAVERS="$DATA/Vistrel/Windows/System"
LAYOUT="$ART/layout.txt"
INI="$PROGRAM/Vistrel - $(id -un).ini"
DEMO_PID=

cleanup() {
    if [[ -n "$DEMO_PID" ]] && kill -0 "$DEMO_PID" 2>/dev/null; then
        xs_stop_process "$DEMO_PID"
    fi
    xsession_stop
}
trap cleanup EXIT


# A program folder of its own: the demo, the language files, the music; a screen saver that
# previews with the hack inside the window it is given.
mkdir -p "$PROGRAM" "$SAVERS" "$ART/songs"
cp "$DEMO" "$PROGRAM/"
cp -r "$SOURCE_PROGRAM/Language" "$SOURCE_PROGRAM/Music" "$PROGRAM/"
cp "$PROGRAM/Music/Greensleeves.mid" "$ART/songs/Night Song.mid"
cat >"$SAVERS/Squares.scr" <<EOF
#!/bin/sh
case "\$1" in
  /P|/p) exec "$PREVIEW" "\$2" "$HACK" ;;
esac
exit 0
EOF
chmod +x "$SAVERS/Squares.scr"
printf '[Settings]\r\nLanguage=English 1033\r\nMusicFile=Canon in D.mid\r\nScreenSaver=%s\r\nAlertMethod=1\r\nWorkPeriod=50\r\nRestPeriod=10\r\n' \
    "$SAVERS/Squares.scr" >"$INI"

export LANG=en_US.UTF-8 XDG_DATA_HOME="$DATA" VISTREL_DEMO_LAYOUT="$LAYOUT"
export XDG_CONFIG_HOME="$ART/config"
# The preview player's audio goes to a file: the virtual machine may have no sound card.
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$ART/audio.raw"
must xsession_start --no-tray

# ---- Reading the demo's layout file ---------------------------------------------------------

# "x y w h visible text" of a named widget (or "tab:NAME", or "window TITLE").
geometry() { grep -m1 "^$1 " "$LAYOUT" 2>/dev/null | cut -d' ' -f2-; }
shown_text() { geometry "$1" | cut -d' ' -f6-; }
is_visible() { [[ $(geometry "$1" | cut -d' ' -f5) == 1 ]]; }
window_open() { grep -q "^window $1 " "$LAYOUT" 2>/dev/null; }
window_closed() { ! window_open "$1"; }
text_is() { [[ "$(shown_text "$1")" == "$2" ]]; }
click() {
    local g
    g=($(geometry "$1"))
    [[ ${#g[@]} -ge 4 ]] || { fail "no widget $1 on screen"; return 1; }
    xdotool mousemove $((g[0] + g[2] / 2)) $((g[1] + g[3] / 2)) click 1
}
page() {
    click "tab:$1" && xs_wait_until 5 is_visible "$1" || fail "page $1 did not come up"
    sleep 0.5 # let it paint
}
shot_of() {
    local g
    g=($(geometry "$1"))
    xsession_screenshot "$2" "${g[2]}x${g[3]}+${g[0]}+${g[1]}"
}
# Distinct colours in a region of the screen.
colours_in() {
    local g
    g=($(geometry "$1"))
    xsession_screenshot "$ART/region.png" "$((g[2] - 4))x$((g[3] - 4))+$((g[0] + 2))+$((g[1] + 2))"
    convert "$ART/region.png" -format %k info:
}
many_colours() { [[ $(colours_in "$1") -gt 8 ]]; }
setting() { tr -d '\r' <"$INI" | grep -m1 "^$1=" | cut -d= -f2-; }
file_holds() { [[ -f "$1" ]] && [[ "$(tr -d '\r' <"$1")" == "$2" ]]; }
no_process() { ! pgrep -f "$1" >/dev/null; }
demo_ended() { ! kill -0 "$DEMO_PID" 2>/dev/null; }

# ---- The Options dialog ---------------------------------------------------------------------

"$PROGRAM/vistrel_dialog_demo" option >"$ART/option.log" 2>&1 &
DEMO_PID=$!
must xs_wait_until 20 window_open Option
must xs_wait_until 5 is_visible TabSheet0
sleep 0.5
shot_of OptionForm "$ART/page-general.png"
text_is SEWorkPeriod 50 && text_is RBAlertMethod1 "Play music. [x]" &&
    pass "the General page shows the stored settings" ||
    fail "General page: work period '$(shown_text SEWorkPeriod)', alert '$(shown_text RBAlertMethod1)'"

# The work period, typed; the alert method, clicked.
click SEWorkPeriod
xdotool key ctrl+a type --delay 50 25
click RBAlertMethod0
xs_wait_until 5 text_is RBAlertMethod0 "Turn off monitor. [x]" ||
    fail "the alert method did not change: $(shown_text RBAlertMethod0)"
# A number out of range is corrected when the focus leaves the field.
click SERestPeriod
xdotool key ctrl+a type --delay 50 2000
click CBAutoUpdate
xs_wait_until 5 text_is SERestPeriod 1440 && pass "2000 minutes became 1440 on leaving the field" ||
    fail "rest period shows '$(shown_text SERestPeriod)' after leaving the field"
# Escape and Enter do not answer the dialog.
xdotool key Escape
sleep 0.3
xdotool key Return
sleep 0.5
window_open Option && pass "Escape and Enter leave the dialog open" || fail "a key closed the dialog"

page TabSheet1
xs_wait_until 5 text_is LBMusic "Canon in D.mid" || fail "the stored music is not selected"
shot_of OptionForm "$ART/page-music.png"

# Add a piece through the file dialog.
click BAddMusic
must xs_wait_until 15 window_open Open
sleep 0.8
xdotool type --delay 30 "$ART/songs/Night Song.mid"
xdotool key Return
xs_wait_until 15 window_closed Open || fail "the file dialog stayed open"
xs_wait_until 10 file_holds "$PROGRAM/Music/Night Song.m3u" "$ART/songs/Night Song.mid" &&
    pass "Add wrote Night Song.m3u naming the chosen file" ||
    fail "no playlist for the added music: $(ls "$PROGRAM/Music")"
xs_wait_until 5 text_is LBMusic "Night Song.m3u" && pass "the added music is selected" ||
    fail "selected music: '$(shown_text LBMusic)'"
sleep 0.5
shot_of OptionForm "$ART/page-music-added.png"

page TabSheet2
xs_wait_until 5 text_is CBScreenSaver "Squares.scr" || fail "the stored screen saver is not selected"
shot_of OptionForm "$ART/page-screensaver.png"
click BSSPreview
xs_wait_until 20 many_colours PScreenSaverPreview &&
    pass "the preview draws inside the panel ($(colours_in PScreenSaverPreview) colours)" ||
    fail "the preview panel stays plain ($(colours_in PScreenSaverPreview) colours)"
sleep 1
shot_of OptionForm "$ART/page-screensaver-preview.png"
# A second preview closes the first one's window before it starts.
click BSSPreview
sleep 2
previews=$(pgrep -fc "^$HACK" || true)
[[ $previews -eq 1 ]] && pass "a second preview replaced the first" ||
    fail "$previews previews run after the second press"

page TabSheet3
xs_wait_until 5 text_is LBLanguage "English 1033" || fail "the stored language is not selected"
shot_of OptionForm "$ART/page-language.png"

click BOK
xs_wait_until 15 demo_ended || fail "OK did not close the dialog"
[[ $(setting WorkPeriod) == 25 ]] && pass "OK stored the typed work period" ||
    fail "WorkPeriod=$(setting WorkPeriod)"
[[ $(setting AlertMethod) == 0 ]] && pass "OK stored the alert method" ||
    fail "AlertMethod=$(setting AlertMethod)"
[[ $(setting RestPeriod) == 1440 && $(setting MusicFile) == "Night Song.m3u" ]] &&
    pass "OK stored the corrected rest period and the added music" ||
    fail "RestPeriod=$(setting RestPeriod) MusicFile=$(setting MusicFile)"
xs_wait_until 10 no_process "^$HACK" && pass "the preview ended with the dialog" ||
    fail "the preview outlived the dialog"
DEMO_PID=

# ---- The About dialog -----------------------------------------------------------------------

"$PROGRAM/vistrel_dialog_demo" about >"$ART/about.log" 2>&1 &
DEMO_PID=$!
must xs_wait_until 20 window_open About_Vistrel_3
sleep 0.8
shot_of AboutForm "$ART/about.png"
text_is LVersion "Version: 3.3.3.3" && pass "About shows the version read from the program file" ||
    fail "About shows '$(shown_text LVersion)'"
convert "$ART/about.png" -scale 300% "$ART/about-large.png"
tesseract "$ART/about-large.png" "$ART/about-ocr" >/dev/null 2>&1
grep -q "Version: 3.3.3.3" "$ART/about-ocr.txt" && pass "the screenshot reads Version: 3.3.3.3" ||
    fail "the screenshot reads: $(tr '\n' ' ' <"$ART/about-ocr.txt" 2>/dev/null)"
# The close box ends it (the request a window manager sends for it).
for window in $(xdotool search --name '^About Vistrel 3$'); do
    "$CLOSE_WINDOW" "$window"
done
xs_wait_until 10 demo_ended && pass "the close box ends the About dialog" ||
    fail "the About dialog did not close"
DEMO_PID=

# ---- From the tray, in the program itself -------------------------------------------------

# The icon's window inside the tray panel, "X Y W H" in screen coordinates.
icon_geometry() {
    xwininfo -root -tree 2>/dev/null | awk -v want='"Vistrel": (' '
        /"panel": \("panel" "trayer"\)/ {inpanel = 1; next}
        inpanel && index($0, want) {
            for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+[+-]/) geo = $i
            for (i = 1; i <= NF; i++) if ($i ~ /^\+-?[0-9]+\+-?[0-9]+$/) abs = $i
            split(geo, g, /[x+]/); split(abs, a, /\+/)
            print a[2], a[3], g[1], g[2]; found = 1; exit
        }
        END {exit !found}'
}
icon_docked() { icon_geometry >/dev/null; }
option_window() { xdotool search --onlyvisible --name '^Option$' 2>/dev/null | head -1; }
option_open() { [[ -n "$(option_window)" ]]; }
option_closed() { ! option_open; }

VISTREL="$SOURCE_PROGRAM/Vistrel"
if [[ -x "$VISTREL" ]] && nm -C "$VISTREL" 2>/dev/null | grep -q "dialogs::ShowOptionForm"; then
    must xsession_tray_start
    cp -r "$SOURCE_PROGRAM" "$ART/vistrel"
    rm -f "$ART/vistrel/"*.ini
    "$ART/vistrel/Vistrel" >"$ART/vistrel.log" 2>&1 &
    DEMO_PID=$!
    must xs_wait_until 30 icon_docked
    g=($(icon_geometry))
    xdotool mousemove $((g[0] + g[2] / 2)) $((g[1] + g[3] / 2)) click --repeat 2 --delay 80 1
    if xs_wait_until 20 option_open; then
        pass "a double click on the icon opens the Options dialog"
        sleep 0.5
        import -window "$(option_window)" "$ART/tray-option.png"
        "$CLOSE_WINDOW" "$(option_window)"
        xs_wait_until 10 option_closed && pass "its close box closes it" ||
            fail "the Options dialog opened from the tray did not close"
    else
        fail "a double click on the icon opened no Options dialog"
    fi
    kill "$DEMO_PID" 2>/dev/null
    xs_wait_until 10 demo_ended || fail "Vistrel did not end on SIGTERM"
    DEMO_PID=
else
    echo "note: $VISTREL does not open the dialogs from its tray yet; the tray path is left out"
fi

echo "screenshots and logs: $ART"
if ((FAILURES > 0)); then
    echo "$FAILURES check(s) failed"
    exit 1
fi
echo "all checks passed"
