#!/usr/bin/env bash
# The listen-check by numbers: renders one MIDI piece through Vistrel's own audio device (SDL's
# disk output, faster than real time) with each General MIDI sound font and compares the
# results by level and by band with sox. It cannot listen; the WAV files stay in the output
# folder for whoever can.
#
#   tools/bench/fonts.sh [BUILD_FOLDER] [PIECE.mid] [OUTPUT_FOLDER]
#
# BUILD_FOLDER defaults to build/default (it needs tests/vistrel_render_music), the piece to
# "Canon in D.mid" of its program folder, the output folder to a new temporary one.
set -u
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${1:-$ROOT/build/default}
PIECE=${2:-$BUILD/program/Music/Canon in D.mid}
OUT=${3:-$(mktemp -d "${TMPDIR:-/tmp}/vistrel-fonts-XXXXXX")}
RENDER=$BUILD/tests/vistrel_render_music
FONTS=(/usr/share/sounds/sf2/TimGM6mb.sf2 /usr/share/sounds/sf2/FluidR3_GM.sf2)
[[ -x "$RENDER" ]] || { echo "fonts.sh: build the target vistrel_render_music first" >&2; exit 2; }
command -v sox >/dev/null || { echo "fonts.sh: sox is needed" >&2; exit 2; }
mkdir -p "$OUT"

printf '%-16s %8s %8s %8s %8s %8s %8s %8s %8s\n' "font" "seconds" "peak dB" "RMS dB" \
    "<250 Hz" "250-1k" "1k-4k" "4k-8k" ">8k"
for font in "${FONTS[@]}"; do
    [[ -f "$font" ]] || { echo "fonts.sh: $font is not installed" >&2; continue; }
    name=$(basename "$font" .sf2)
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIODELAY=0 \
        SDL_DISKAUDIOFILE="$OUT/$name.raw" SDL_SOUNDFONTS="$font" \
        "$RENDER" "$PIECE" >"$OUT/$name.log" 2>&1 || { cat "$OUT/$name.log" >&2; exit 1; }
    ms=$(sed -n 's/.*: \([0-9]*\) ms$/\1/p' "$OUT/$name.log")
    # The output runs before the synthesiser starts and after it ends: from the first sound,
    # the piece's length.
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$OUT/$name.raw" "$OUT/$name.wav" \
        silence 1 1 0.1% trim 0 "$(awk -v m="$ms" 'BEGIN {print m / 1000}')"
    rm -f "$OUT/$name.raw"
    level() { sox "$OUT/$name.wav" -n remix - "$@" stats 2>&1 | awk '/^RMS lev/ {print $4}'; }
    read -r peak rms < <(sox "$OUT/$name.wav" -n stats 2>&1 |
        awk '/^Pk lev/ {p = $4} /^RMS lev/ {r = $4} END {print p, r}')
    printf '%-16s %8.1f %8s %8s %8s %8s %8s %8s %8s\n' "$name" "$(awk -v m="$ms" \
        'BEGIN {print m / 1000}')" "$peak" "$rms" "$(level sinc -250)" "$(level sinc 250-1000)" \
        "$(level sinc 1000-4000)" "$(level sinc 4000-8000)" "$(level sinc 8000)"
done
echo "WAV files: $OUT"
