#!/usr/bin/env python3
"""Draws every picture of the program into one folder.

Output: MAINICON.png and MAINICON-<size>.png, Vistrel.ico, TRAY0..7.png and .ico, LOGO.png,
LOGO.ico and LOGO.bmp, IZEMRA.png and .bmp (bitmaps on the dialog face colour), and the 27
media-player buttons as EN_/DI_/CL_<name>.bmp (24-bit on the olive transparent colour) with PNG
copies that carry real transparency.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from resgen import art  # noqa: E402
from resgen.imagefiles import bmp24_bytes, ico_bytes, png_bytes  # noqa: E402

ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 128, 256]


def write(folder, name, data):
    path = os.path.join(folder, name)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def doubled(size, rgba):
    """An RGBA image of size x size, scaled to twice its size by repeating every pixel."""
    out = bytearray()
    for y in range(size):
        row = bytearray()
        for x in range(size):
            row += rgba[(y * size + x) * 4:(y * size + x) * 4 + 4] * 2
        out += row * 2
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True, help="folder for the pictures")
    parser.add_argument("--stamp", help="file touched when all pictures are written")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    icons = []
    for size in ICON_SIZES:
        rgba = art.app_icon(size).rgba_bytes()
        icons.append((size, rgba))
        write(args.out, "MAINICON-%d.png" % size, png_bytes(size, size, rgba))
    write(args.out, "MAINICON.png", png_bytes(256, 256, icons[-1][1]))
    write(args.out, "Vistrel.ico", ico_bytes(icons))

    for i in range(len(art.TRAY_FRAMES)):
        rgba = art.tray_frame(i).rgba_bytes()
        write(args.out, "TRAY%d.png" % i, png_bytes(16, 16, rgba))
        # The icon also holds the frame at 32 pixels, each pixel doubled, so the tray shows it
        # sharp at 200 % scaling instead of stretching the 16-pixel image.
        write(args.out, "TRAY%d.ico" % i, ico_bytes([(16, rgba), (32, doubled(16, rgba))]))

    logo = art.logo().rgba_bytes()
    write(args.out, "LOGO.png", png_bytes(128, 128, logo))
    small = art.app_icon(32).rgba_bytes()
    write(args.out, "LOGO.ico", ico_bytes([(128, logo), (32, small)]))
    write(args.out, "LOGO.bmp", bmp24_bytes(128, 128, art.logo().flattened_rgb([240 / 255.0] * 3)))

    banner = art.mail_banner()
    write(args.out, "IZEMRA.png", png_bytes(150, 30, banner.rgba_bytes()))
    # The bitmap form is flattened onto the dialog face colour, so its soft edges need no mask.
    write(args.out, "IZEMRA.bmp", bmp24_bytes(150, 30, banner.flattened_rgb([240 / 255.0] * 3)))

    for prefix in ("EN_", "DI_", "CL_"):
        for name in art.BUTTONS:
            w, h, rgb = art.button_bitmap(prefix, name)
            write(args.out, prefix + name + ".bmp", bmp24_bytes(w, h, rgb))
            rgba = bytearray()
            for i in range(w * h):
                pixel = tuple(rgb[i * 3:i * 3 + 3])
                rgba += bytes(pixel) + (b"\x00" if pixel == art.OLIVE else b"\xff")
            write(args.out, prefix + name + ".png", png_bytes(w, h, bytes(rgba)))

    if args.stamp:
        with open(args.stamp, "w") as f:
            f.write("ok\n")


if __name__ == "__main__":
    main()
