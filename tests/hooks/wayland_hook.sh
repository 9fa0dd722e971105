#!/usr/bin/env bash
# Runs the Wayland cases of the end-to-end tests (the hook library, monitor power) inside a
# headless sway of their own (software rendering, no XWayland), then stops it.
# Usage: wayland_hook.sh TEST_BINARY HOOK_LIBRARY
# sway refuses to run as root: under root, sway and the tests run as nobody from a scratch
# folder nobody owns, with copies of the two files.
set -u
binary=$1
library=$2
for tool in sway wtype swaymsg; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh test)"
        exit 77
    fi
done

scratch=$(mktemp -d /tmp/vistrel-wlhook-XXXXXX)
chmod 700 "$scratch"
mkdir -p "$scratch/rt" "$scratch/home"
chmod 700 "$scratch/rt"
cp "$binary" "$scratch/tests"
cp "$library" "$scratch/Hook.so"
cat >"$scratch/sway.conf" <<CONF
xwayland disable
output HEADLESS-1 resolution 640x480
CONF
as_user=()
if ((EUID == 0)); then
    chown -R 65534:65534 "$scratch"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
base=(env -i HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/rt" PATH=/usr/local/bin:/usr/bin:/bin
    LANG=C.UTF-8 ${TSAN_OPTIONS:+TSAN_OPTIONS="$TSAN_OPTIONS"})

sway_pid=
cleanup() {
    if [[ -n "$sway_pid" ]] && kill -0 "$sway_pid" 2>/dev/null; then
        kill "$sway_pid"
        for _ in $(seq 50); do kill -0 "$sway_pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$sway_pid" 2>/dev/null
    fi
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

"${as_user[@]}" "${base[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$scratch/sway.conf" >"$scratch/sway.log" 2>&1 &
sway_pid=$!
socket=
swaysock=
for _ in $(seq 100); do
    socket=$(cd "$scratch/rt" && ls wayland-? 2>/dev/null | head -1)
    swaysock=$(ls "$scratch/rt"/sway-ipc.*.sock 2>/dev/null | head -1)
    [[ -n "$socket" && -S "$scratch/rt/$socket" && -n "$swaysock" ]] && break
    sleep 0.1
done
if [[ -z "$socket" || -z "$swaysock" ]]; then
    echo "sway did not start:" >&2
    cat "$scratch/sway.log" >&2
    exit 1
fi

session=("${as_user[@]}" "${base[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$swaysock"
    VISTREL_HOOK_LIBRARY_PATH="$scratch/Hook.so")
# The compositor is killed by the last case only.
"${session[@]}" "$scratch/tests" --gtest_filter='Wayland*:-*CompositorGoingAway*' || exit 1
"${session[@]}" VISTREL_TEST_SWAY_PID="$sway_pid" "$scratch/tests" \
    --gtest_filter='*CompositorGoingAway*'
