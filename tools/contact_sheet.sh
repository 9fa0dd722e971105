#!/bin/sh
# Renders every generated picture enlarged on a light and a dark background into one PNG,
# for a look by eye. Needs ImageMagick. Usage: contact_sheet.sh IMAGE_DIR OUT.png
set -eu
src=$1
out=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

row() { # row NAME SCALE BG FILES...
  name=$1 scale=$2 bg=$3
  shift 3
  i=0
  for f in "$@"; do
    convert "$src/$f" -filter point -resize "${scale}00%" -background "$bg" -bordercolor "$bg" \
      -border 6 -flatten "$tmp/$name-$(printf %02d $i).png"
    i=$((i + 1))
  done
  convert "$tmp/$name"-*.png -background "#808080" -gravity center +append "$tmp/row-$name.png"
}

trays="TRAY0.png TRAY1.png TRAY2.png TRAY3.png TRAY4.png TRAY5.png TRAY6.png TRAY7.png"
row trayl 6 '#f0f0f0' $trays
row trayd 6 '#2b2b2b' $trays
row traysl 1 '#f0f0f0' $trays
row traysd 1 '#2b2b2b' $trays
row iconsl 1 '#f0f0f0' MAINICON-16.png MAINICON-24.png MAINICON-32.png MAINICON-48.png MAINICON-64.png MAINICON-128.png MAINICON-256.png
row iconsd 1 '#2b2b2b' MAINICON-16.png MAINICON-24.png MAINICON-32.png MAINICON-48.png MAINICON-64.png MAINICON-128.png
row iconbig 8 '#f0f0f0' MAINICON-16.png MAINICON-32.png
row logo 2 '#f0f0f0' LOGO.png IZEMRA.png
row logod 2 '#2b2b2b' LOGO.png IZEMRA.png
for p in EN_ DI_ CL_; do
  row "b$p" 4 '#f0f0f0' ${p}MPPLAY.png ${p}MPPAUSE.png ${p}MPSTOP.png ${p}MPNEXT.png ${p}MPPREV.png \
    ${p}MPSTEP.png ${p}MPBACK.png ${p}MPRECORD.png ${p}MPEJECT.png
done
row bmp 4 '#f0f0f0' EN_MPPLAY.bmp DI_MPPLAY.bmp CL_MPPLAY.bmp IZEMRA.bmp
convert "$tmp"/row-trayl.png "$tmp"/row-trayd.png "$tmp"/row-traysl.png "$tmp"/row-traysd.png \
  "$tmp"/row-iconsl.png "$tmp"/row-iconsd.png "$tmp"/row-iconbig.png "$tmp"/row-logo.png \
  "$tmp"/row-logod.png "$tmp"/row-bEN_.png "$tmp"/row-bDI_.png "$tmp"/row-bCL_.png "$tmp"/row-bmp.png \
  -background '#808080' -gravity north -splice 0x4 -append "$out"
