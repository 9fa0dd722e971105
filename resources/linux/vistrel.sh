#!/bin/sh
# Starts Vistrel from a program folder of the user's own.
#
# Vistrel keeps its settings file beside its executable and adds music to its Music folder,
# so it must run from a folder the user can write. The package installs the program folder
# read-only under /opt/vistrel; this launcher keeps a per-user copy in
# ${XDG_DATA_HOME:-~/.local/share}/Vistrel: the executable, the hook library and the
# screen-saver host are copied (the program finds its folder from its own resolved path), the
# language and help folders are linked, and the music folder is the user's own, with the
# shipped pieces linked in once.
set -eu

shared=${VISTREL_SHARED_DIR:-/opt/vistrel}
home=${VISTREL_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/Vistrel}

# F4 bound in the compositor: only a message to the running copy, at once.
if [ "${1:-}" = "--end-rest" ] && [ -x "$home/Vistrel" ]; then
  exec "$home/Vistrel" "$@"
fi

if [ ! -x "$shared/Vistrel" ]; then
  echo "vistrel: the program folder $shared is missing or incomplete" >&2
  exit 1
fi
mkdir -p "$home/Music/Info"

# Copy the binaries when they are missing or an upgrade changed them.
for file in Vistrel Hook.so VistrelScreenSaver; do
  if [ -f "$shared/$file" ] && ! cmp -s "$shared/$file" "$home/$file"; then
    cp "$shared/$file" "$home/$file.new"
    mv -f "$home/$file.new" "$home/$file"
  fi
done

# Read-only folders are links, so upgrades reach them; a real folder the user made stays.
for dir in Language Help; do
  if [ -d "$shared/$dir" ] && { [ -L "$home/$dir" ] || [ ! -e "$home/$dir" ]; }; then
    ln -sfn "$shared/$dir" "$home/$dir"
  fi
done

# Music descriptions follow the shipped ones.
for info in "$shared"/Music/Info/*; do
  [ -f "$info" ] && ln -sfn "$info" "$home/Music/Info/$(basename "$info")"
done

# Each shipped piece is offered once: a piece the user deleted on the Music page stays deleted.
offered="$home/.offered-music"
touch "$offered"
for piece in "$shared"/Music/*; do
  [ -f "$piece" ] || continue
  name=$(basename "$piece")
  if ! grep -Fxq "$name" "$offered"; then
    [ -e "$home/Music/$name" ] || ln -s "$piece" "$home/Music/$name"
    echo "$name" >>"$offered"
  fi
done

exec "$home/Vistrel" "$@"
