#!/usr/bin/env bash
# The Options and About dialogs on the Win32 peers under Wine, in a private X session.
#
#   dialogs_wine.sh [--exe] <build program folder> <tools folder> <out folder> [case...]
#
# With --exe the Options dialog is the real program's: Vistrel.exe runs from the copied
# folder and a double click on its tray icon opens the dialog (About comes from the tray
# menu in the about case, from the host elsewhere).
# The tools folder holds vistrel_dialog_host.exe, WindowProbe.exe and TestSaver.scr. Each case
# copies the program folder and the host to a fresh folder (with a blank in its path) and opens
# the dialog there. Screenshots
# of every page at 96, 144 and 192 dots per inch go to the out folder. Cases: dpi keyboard
# cancel default add preview german about timers hint (all when none is named).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=
if [[ "${1:-}" == --exe ]]; then
    exe=1
    shift
fi
src_prog=${1:?program folder}
tools=${2:?tools folder}
out=${3:?out folder}
shift 3
cases=("$@")
((${#cases[@]})) || cases=(dpi keyboard cancel default add preview german about timers hint)

export XS_SCREEN=${XS_SCREEN:-1280x1024x24}
# The tray icon's helpers of the program's own tests (and the X session with them).
TRAY_ICON_CLASS=explorer.exe
. "$here/../../app/app_lib.sh"
. "$here/../lib/wine.sh"

mkdir -p "$out"
ART=$out # where the tray helpers keep their shots
work=$(mktemp -d /tmp/vistrel-dialogs-XXXXXX)
wine_env "${WINEPREFIX:-/tmp/vistrel-wine-dialogs-$UID}"
failures=0
host_pid=
vistrel_pid=
cleanup() {
    [[ -n "$host_pid" ]] && kill "$host_pid" 2>/dev/null
    [[ -n "$vistrel_pid" ]] && kill "$vistrel_pid" 2>/dev/null
    wine_server_stop
    xsession_stop
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
case_failures=0
pass() { ((failures == case_failures)) && echo "ok: $*"; }

xsession_start || exit 1
wine_prepare || exit 1
wine_server_start || exit 1

probe() { wine "$tools/WindowProbe.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# The next process of a new server reads the value: the running one keeps its own.
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        </dev/null >/dev/null 2>&1
    wine_server_stop
    wine_server_start
    dpi=$1
}
set_dpi 96

# A fresh program folder; the settings file may be given.
prog=
fresh_program() {
    stop_vistrel
    prog="$work/Program Files $RANDOM"
    mkdir -p "$prog"
    cp -r "$src_prog"/. "$prog"/
    cp "$tools/vistrel_dialog_host.exe" "$prog"/
    rm -f "$prog"/Vistrel*.ini "$prog"/ticks.txt
}
settings_file() { ls "$prog"/Vistrel*.ini 2>/dev/null | head -1; }
setting() { # setting <key>: its value in the settings file
    local file
    file=$(settings_file) || return 1
    [[ -n "$file" ]] || return 1
    tr -d '\r' <"$file" | sed -n "s/^$1=//p" | head -1
}

stop_vistrel() {
    [[ -n "$vistrel_pid" ]] || return 0
    kill "$vistrel_pid" 2>/dev/null
    wait "$vistrel_pid" 2>/dev/null
    vistrel_pid=
}
# The real program, its icon docked; then the way the user opens the dialog.
start_vistrel() {
    if [[ -z "$vistrel_pid" ]] || ! kill -0 "$vistrel_pid" 2>/dev/null; then
        (cd "$prog" && exec wine ./Vistrel.exe </dev/null >>"$work/vistrel.log" 2>&1) &
        vistrel_pid=$!
    fi
    xs_wait_until 30 icon_docked && locate_icon || { fail "no tray icon"; return 1; }
}
vistrel_opens() { # vistrel_opens option|about
    start_vistrel || return 1
    if [[ "$1" == option ]]; then
        click_icon --repeat 2 --delay 80 1
    else
        # The menu's second item, by the keyboard; the menu read by OCR if that fails.
        click_icon 3
        sleep 1
        xdotool key Down Down Return
        xs_wait_until 5 dialog_open '^About Vistrel 3$' ||
            choose_menu_item About || { fail "no About in the tray menu"; return 1; }
    fi
}

window=
open_dialog() { # open_dialog option|about <title>
    if [[ -n "$exe" && ("$1" == option || -n "${VIA_MENU:-}") ]]; then
        vistrel_opens "$1" || return 1
        host_pid=
    else
        wine "$prog/vistrel_dialog_host.exe" "$1" </dev/null >>"$work/host.log" 2>&1 &
        host_pid=$!
    fi
    window=
    for _ in $(seq 1 80); do
        window=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -1)
        [[ -n "$window" ]] && break
        sleep 0.25
    done
    [[ -n "$window" ]] || { fail "no window \"$2\""; return 1; }
    sleep 0.7 # painted
    eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y, WIDTH, HEIGHT
    xdotool windowfocus "$window"
}
dialog_open() { [[ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]]; }
wait_closed() {
    local i
    if [[ -z "$host_pid" ]]; then # the program's dialog: its window goes, the program stays
        for i in $(seq 1 40); do
            dialog_open '^(Option|Optionen|About Vistrel 3)$' || return 0
            sleep 0.25
        done
        fail "the dialog did not close"
        return 1
    fi
    for i in $(seq 1 40); do
        kill -0 "$host_pid" 2>/dev/null || { host_pid=; return 0; }
        sleep 0.25
    done
    fail "the dialog did not close"
    kill "$host_pid" 2>/dev/null
    host_pid=
    return 1
}
# The rectangle of the first window in the probe's list matching class and text (a regex).
rect_of() { # rect_of <title> <class> <text regex>
    probe texts "$1" | awk -F'|' -v c="$2" -v t="$3" '$2 == c && $3 == 1 && $5 ~ t { print $4; exit }'
}
click_at_rect() { # the centre of a client rectangle "l,t,r,b"
    local l t r b
    IFS=, read -r l t r b <<<"$1"
    xdotool mousemove $((X + (l + r) / 2)) $((Y + (t + b) / 2)) click 1
}
# The tab control's first tab takes the focus; each Right shows the next page.
show_page() { # show_page <title> <index>
    local tabs l t r b
    tabs=$(rect_of "$1" SysTabControl32 '')
    IFS=, read -r l t r b <<<"$tabs"
    xdotool mousemove $((X + l + 12 * dpi / 96)) $((Y + t + 8 * dpi / 96)) click 1
    sleep 0.3
    local page
    for page in $(seq 1 "$2"); do
        xdotool key Right
        sleep 0.3
        ((page == 1)) && dismiss_error_box # the first visit to Music loads the player
    done
    sleep 0.4
}
# The program's error box (caption "Vistrel"), if it comes within 3 s: without an audio device
# the Music page's player cannot open its file, and the box says so, as it should. It is read
# and closed.
dismiss_error_box() {
    local box _
    for _ in $(seq 1 12); do
        box=$(xdotool search --onlyvisible --name '^Vistrel$' 2>/dev/null | head -1)
        [[ -n "$box" ]] && break
        sleep 0.25
    done
    [[ -n "$box" ]] || return 0
    echo "  (error box: $(probe texts Vistrel | awk -F'|' '$2 == "Static" && $5 != "" {print $5}'))"
    xdotool windowfocus "$box" key Return
    sleep 0.5
    xdotool windowfocus "$window"
}
shot() { import -window "$window" "$out/$1.png" 2>/dev/null || fail "no screenshot $1"; }

# ---- cases ---------------------------------------------------------------------------------

# Each dialog at three scales: the client area is the design's scaled, no visible controls
# overlap, and every page is captured for a look.
case_dpi() {
    local d page
    for d in 96 144 192; do
        set_dpi "$d"
        fresh_program
        open_dialog option Option || continue
        local want_w=$((392 * d / 96)) want_h=$((366 * d / 96))
        if ((WIDTH < want_w - 1 || WIDTH > want_w + 1 || HEIGHT < want_h - 1 || HEIGHT > want_h + 1)); then
            fail "Option at $d dpi is ${WIDTH}x$HEIGHT, not ${want_w}x$want_h"
        fi
        for page in 0 1 2 3; do
            ((page == 0)) || show_page Option "$page"
            shot "option-$page-$d"
            overlaps=$(probe overlaps Option)
            [[ -z "$overlaps" ]] || fail "Option page $page at $d dpi: $overlaps"
        done
        xdotool key alt+c
        wait_closed
        open_dialog about "About Vistrel 3" || continue
        want_w=$((352 * d / 96)) want_h=$((276 * d / 96))
        if ((WIDTH < want_w - 1 || WIDTH > want_w + 1 || HEIGHT < want_h - 1 || HEIGHT > want_h + 1)); then
            fail "About at $d dpi is ${WIDTH}x$HEIGHT, not ${want_w}x$want_h"
        fi
        shot "about-$d"
        overlaps=$(probe overlaps "About Vistrel 3")
        [[ -z "$overlaps" ]] || fail "About at $d dpi: $overlaps"
        probe close "About Vistrel 3"
        wait_closed
        pass "dpi $d"
    done
    set_dpi 96
}

# Typed periods out of range are clamped when the focus leaves the field, and when OK is
# pressed by its accelerator while the focus is still in the field.
case_keyboard() {
    fresh_program
    open_dialog option Option || return
    click_at_rect "$(rect_of Option Edit '^50$')"
    xdotool key Home shift+End && xdotool type 2000
    click_at_rect "$(rect_of Option Edit '^10$')"
    sleep 0.3
    [[ -n "$(rect_of Option Edit '^1440$')" ]] || fail "2000 not shown as 1440 when the focus left"
    xdotool key Home shift+End && xdotool type 0
    # Neither Enter nor Escape answers the dialog.
    xdotool key Return Escape
    sleep 0.5
    dialog_open '^Option$' || fail "Enter or Escape closed the dialog"
    xdotool key alt+o
    wait_closed
    local work_period rest_period
    work_period=$(setting WorkPeriod)
    rest_period=$(setting RestPeriod)
    [[ "$work_period" == 1440 ]] || fail "WorkPeriod saved as '$work_period', not 1440"
    [[ "$rest_period" == 1 ]] || fail "RestPeriod saved as '$rest_period', not 1"
    pass "keyboard OK clamps the periods"
}

# The arrows step by one; Page Up/Down and the wheel do not. Cancel leaves the settings file
# as it was.
case_cancel() {
    fresh_program
    printf '[Settings]\r\nWorkPeriod=33\r\n' >"$prog/Vistrel - $(whoami).ini"
    local before
    before=$(md5sum <"$(settings_file)")
    open_dialog option Option || return
    local field
    field=$(rect_of Option Edit '^33$')
    click_at_rect "$field"
    xdotool key Up Up Down Prior Prior Next
    click_at_rect "$field" && xdotool click 4 click 4
    sleep 0.3
    [[ -n "$(rect_of Option Edit '^34$')" ]] || fail "Up Up Down Prior Prior Next and the wheel: $(probe texts Option | grep '|Edit|')"
    xdotool key alt+c
    wait_closed
    [[ "$(md5sum <"$(settings_file)")" == "$before" ]] || fail "Cancel changed the settings file"
    pass "arrows step, Cancel saves nothing"
}

# Default asks first (a question box, Yes and No): No keeps what the page shows, Yes shows the
# defaults; nothing is saved until OK.
case_default() {
    fresh_program
    open_dialog option Option || return
    click_at_rect "$(rect_of Option Edit '^50$')"
    xdotool key Home shift+End && xdotool type 77
    local answer box
    for answer in n y; do
        xdotool key alt+f
        box=
        for _ in $(seq 1 20); do
            box=$(xdotool search --onlyvisible --name '^Alert$' 2>/dev/null | head -1)
            [[ -n "$box" ]] && break
            sleep 0.25
        done
        [[ -n "$box" ]] || { fail "Default asked no question"; break; }
        probe texts Alert | grep -q '|Are you sure to restore default settings of all pages?|' ||
            fail "the question reads: $(probe texts Alert)"
        xdotool windowfocus "$box" key "$answer"
        sleep 0.5
        dismiss_error_box # Yes loads the selected music into the player
        xdotool windowfocus "$window"
        if [[ "$answer" == n ]]; then
            [[ -n "$(rect_of Option Edit '^77$')" ]] || fail "No changed the work period"
        else
            [[ -n "$(rect_of Option Edit '^50$')" ]] || fail "Yes did not show the default 50"
        fi
    done
    xdotool key alt+c
    wait_closed
    [[ -z "$(settings_file)" ]] || fail "Default and Cancel wrote a settings file"
    pass "Default asks, then shows the defaults"
}

# Add through the file-open dialog writes "<name>.m3u" naming the chosen file.
case_add() {
    fresh_program
    mkdir -p "$work/Songs Here"
    printf 'RIFF' >"$work/Songs Here/Night.wav"
    open_dialog option Option || return
    show_page Option 1
    xdotool key alt+a
    local dialog=
    for _ in $(seq 1 40); do
        dialog=$(xdotool search --onlyvisible --name '^Open$' 2>/dev/null | head -1)
        [[ -n "$dialog" ]] && break
        sleep 0.25
    done
    [[ -n "$dialog" ]] || { fail "no file-open dialog"; xdotool key --window "$window" alt+c; wait_closed; return; }
    sleep 1
    # The first choice of the filter is the supported files.
    probe texts Open | grep -q '|ComboBox|1|[^|]*|All supported files|' ||
        fail "the file dialog's filter: $(probe texts Open | grep ComboBox)"
    local chosen="Z:${work//\//\\}\\Songs Here\\Night.wav"
    xdotool windowfocus "$dialog"
    xdotool type --delay 20 "$chosen"
    xdotool key Return
    local playlist="$prog/Music/Night.m3u"
    for _ in $(seq 1 20); do [[ -f "$playlist" ]] && break; sleep 0.25; done
    if [[ -f "$playlist" ]]; then
        [[ "$(cat "$playlist")" == "$chosen"$'\r' ]] || fail "Night.m3u holds '$(cat -A "$playlist")'"
    else
        fail "Add wrote no Night.m3u"
    fi
    dismiss_error_box # the new entry is loaded into the player
    xdotool windowfocus "$window"
    xdotool key alt+c
    wait_closed
    pass "Add writes the playlist"
}

# Preview runs the screen saver with the panel's window: its window is a visible child of the
# panel, covering it. Closing the dialog closes it and the saver ends. (Wine 8 does not show
# what another process draws into a child window, so the saver's colour cannot be seen here.)
case_preview() {
    local system32="$WINEPREFIX/drive_c/windows/system32"
    cp "$tools/TestSaver.scr" "$system32/TestSaver.scr"
    fresh_program
    open_dialog option Option || return
    show_page Option 2
    xdotool key Tab Down
    xdotool key alt+p
    local panel saver=
    panel=$(rect_of Option VistrelPeerWindow '^Preview$')
    for _ in $(seq 1 20); do
        sleep 0.25
        # The saver's window: one level below the panel, where the panel is.
        saver=$(probe texts Option | awk -F'|' -v p="$panel" '
            $2 == "VistrelPeerWindow" && $5 == "Preview" { depth = $1; inside = 1; next }
            inside && $1 <= depth { inside = 0 }
            inside && $1 == depth + 1 && $2 == "VistrelTestSaver" && $3 == 1 && $4 == p { print $6 }')
        [[ -n "$saver" ]] && break
    done
    shot "option-preview"
    [[ -n "$saver" ]] || fail "no preview window in the panel: $(probe texts Option)"
    # A second preview closes the first before it starts.
    xdotool key alt+p
    sleep 1.5
    local count
    count=$(probe texts Option | grep -c '|VistrelTestSaver|1|' || true)
    ((count == 1)) || fail "$count preview windows after a second Preview"
    xdotool key alt+c
    wait_closed
    local left=
    for _ in $(seq 1 20); do
        left=$(pgrep -f 'TestSaver.scr' || true)
        [[ -z "$left" ]] && break
        sleep 0.25
    done
    [[ -z "$left" ]] || fail "the preview still runs after the dialog closed"
    rm -f "$system32/TestSaver.scr"
    pass "preview inside the panel"
}

# A German language file gives a German dialog.
case_german() {
    fresh_program
    printf '[Settings]\r\nLanguage=Deutsch 1031\r\n' >"$prog/Vistrel - $(whoami).ini"
    open_dialog option Optionen || return
    local texts
    texts=$(probe texts Optionen)
    grep -q '|&Abbrechen|' <<<"$texts" || fail "no button &Abbrechen: $texts"
    grep -q '|Mich nach|' <<<"$texts" || fail "no label 'Mich nach'"
    shot "option-german"
    xdotool key alt+a # &Abbrechen
    wait_closed
    pass "German dialog"
}

# About shows the file version from the program's own version resource.
case_about() {
    fresh_program
    VIA_MENU=1 open_dialog about "About Vistrel 3" || return
    probe texts "About Vistrel 3" | grep -q '|Version: 3\.3\.3\.3|' ||
        fail "About shows no 'Version: 3.3.3.3': $(probe texts 'About Vistrel 3')"
    # The link is blue at rest, in the text colour under the pointer, blue again after.
    local link l t r b
    link=$(rect_of "About Vistrel 3" Static '^Visit Vistrel homepage\.$')
    IFS=, read -r l t r b <<<"$link"
    blue_pixels() {
        import -window "$window" png:- 2>/dev/null |
            convert - -crop "$((r - l))x$((b - t))+$l+$t" +repage txt:- | grep -c '#0000FF' || true
    }
    xdotool mousemove $((X + 5)) $((Y + 5))
    sleep 0.5
    local rest hover after
    rest=$(blue_pixels)
    xdotool mousemove $((X + (l + r) / 2)) $((Y + (t + b) / 2))
    sleep 0.7
    hover=$(blue_pixels)
    shot "about-hover"
    xdotool mousemove $((X + 5)) $((Y + 5))
    sleep 0.7
    after=$(blue_pixels)
    ((rest > 20 && hover == 0 && after > 20)) ||
        fail "blue pixels of the link: $rest at rest, $hover under the pointer, $after after"
    probe close "About Vistrel 3"
    wait_closed
    pass "About shows the version and the link's look"
}

# The program's timers go on while the dialog's loop runs.
case_timers() {
    fresh_program
    open_dialog option Option || return
    if [[ -n "$exe" ]]; then
        icon_animates || fail "the tray icon stands still while the dialog is open"
        xdotool windowfocus "$window" key alt+c
        wait_closed
        pass "timers run during the dialog (the icon animates)"
        return
    fi
    local first second
    first=$(tr -d '\r' <"$prog/ticks.txt" 2>/dev/null || echo 0)
    sleep 1.5
    second=$(tr -d '\r' <"$prog/ticks.txt" 2>/dev/null || echo 0)
    ((second >= first + 5)) || fail "the timer ticked $first, then $second during the dialog"
    xdotool key alt+c
    wait_closed
    pass "timers run during the dialog"
}

# The music list's hint names the entry under the pointer: none for the first entry until the
# pointer has been on another, the entry's name on the second, none below the last.
case_hint() {
    fresh_program
    open_dialog option Option || return
    show_page Option 1
    local list l t r b tips
    list=$(rect_of Option ListBox '')
    IFS=, read -r l t r b <<<"$list"
    hover() { # hover <y in the list>: the tooltip texts shown after a rest there
        xdotool mousemove $((X + l + 30)) $((Y + t + $1 - 2))
        sleep 0.2
        xdotool mousemove $((X + l + 32)) $((Y + t + $1))
        sleep 1.5
        probe tips Option | grep -v '^$' || true
    }
    tips=$(hover 8)
    [[ -z "$tips" ]] || fail "a hint over the first entry before any other: $tips"
    tips=$(hover 24)
    [[ "$tips" == "Greensleeves.mid" ]] || fail "the hint over the second entry is '$tips'"
    tips=$(hover $((b - t - 10)))
    [[ -z "$tips" ]] || fail "a hint below the last entry: $tips"
    xdotool key alt+c
    wait_closed
    pass "the music list's hints"
}

for c in "${cases[@]}"; do
    case_failures=$failures
    "case_$c"
done
if ((failures)); then
    echo "$failures failure(s); log:" >&2
    cat "$work/host.log" >&2
    exit 1
fi
