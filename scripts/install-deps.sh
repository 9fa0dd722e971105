#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vistrel needs.
# Usage: scripts/install-deps.sh [run|test]   (default: test, which is a superset)
set -euo pipefail
what="${1:-test}"

run_packages=(
  cmake ninja-build g++ pkg-config python3
  qt6-base-dev libx11-dev libxi-dev libxext-dev libxss-dev libxtst-dev
  libsdl2-mixer-dev timgm6mb-soundfont
  fp-utils xscreensaver-data xdg-utils xchm
  xvfb xauth trayer imagemagick x11-utils
  libwayland-dev wayland-protocols plasma-wayland-protocols libsystemd-dev
)
test_packages=(
  libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64 googletest wine wine64
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  xdotool sox libchm-bin locales tesseract-ocr tesseract-ocr-eng lame unzip
  fluid-soundfont-gm
  clang libclang-rt-dev
  # The Wayland session tests: a headless sway with XWayland and swaybar, keys, screenshots,
  # a notification service and a terminal as a Wayland window; the virtual pointer is built
  # from its protocol.
  sway xwayland grim wtype foot mako-notifier qt6-wayland dbus-daemon dbus-bin procps
  libwayland-dev libwayland-bin
)

packages=("${run_packages[@]}")
if [ "$what" = test ]; then
  packages+=("${test_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "All packages present."
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
