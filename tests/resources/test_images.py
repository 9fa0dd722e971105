#!/usr/bin/env python3
"""Checks the generated pictures: sizes and formats, tray frames that animate and stand out on
light and dark panels, icon files with every size, and player buttons whose bitmaps use the
olive transparent colour without blending into it."""

import os
import struct

from common import Checks, arguments

ARGS = arguments()
from resgen.imagefiles import read_bmp24, read_png  # noqa: E402

DIR = ARGS.image_dir
OLIVE = (128, 128, 0)
BUTTONS = ["MPPLAY", "MPPAUSE", "MPSTOP", "MPNEXT", "MPPREV", "MPSTEP", "MPBACK", "MPRECORD", "MPEJECT"]


def png(name):
    with open(os.path.join(DIR, name), "rb") as f:
        return read_png(f.read())


def pixels(rgba):
    return [tuple(rgba[i:i + 4]) for i in range(0, len(rgba), 4)]


def visible_on(px, background, threshold=90):
    """Pixels that differ clearly from a panel of the given colour once composited on it."""
    count = 0
    for r, g, b, a in px:
        if a < 128:
            continue
        k = a / 255.0
        mixed = [c * k + bg * (1 - k) for c, bg in zip((r, g, b), background)]
        if sum(abs(m - bg) for m, bg in zip(mixed, background)) > threshold:
            count += 1
    return count


def test_tray(c):
    frames = []
    for i in range(8):
        w, h, rgba = png("TRAY%d.png" % i)
        c.check((w, h) == (16, 16), "TRAY%d is %dx%d" % (i, w, h))
        px = pixels(rgba)
        frames.append(px)
        c.check(px[0][3] == 0 and px[-1][3] == 0, "TRAY%d has no transparent corners" % i)
        for panel in ((240, 240, 240), (255, 255, 255), (32, 32, 32), (0, 0, 0)):
            c.check(visible_on(px, panel) >= 20, "TRAY%d hardly shows on a panel of %s" % (i, panel))
    c.check(len({tuple(f) for f in frames}) >= 4, "the tray animation has fewer than four different frames")
    c.check(frames[7] != frames[0], "the last frame equals the first: no blink")


def test_icons(c):
    for size in (16, 20, 24, 32, 40, 48, 64, 128, 256):
        w, h, rgba = png("MAINICON-%d.png" % size)
        c.check((w, h) == (size, size), "MAINICON-%d is %dx%d" % (size, w, h))
        px = pixels(rgba)
        c.check(px[0][3] < 64, "MAINICON-%d has an opaque corner" % size)
        c.check(sum(1 for p in px if p[3] > 200) > size * size // 4, "MAINICON-%d is mostly empty" % size)
    c.check(png("MAINICON.png")[:2] == (256, 256), "MAINICON.png is not 256x256")
    for name, sizes in (("Vistrel.ico", {16, 20, 24, 32, 40, 48, 64, 128, 256}), ("LOGO.ico", {32, 128})):
        with open(os.path.join(DIR, name), "rb") as f:
            data = f.read()
        reserved, kind, count = struct.unpack("<HHH", data[:6])
        c.check((reserved, kind) == (0, 1), "%s is not an icon file" % name)
        found = set()
        for i in range(count):
            w, h, _, _, planes, bits, size, offset = struct.unpack("<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
            w = w or 256
            found.add(w)
            blob = data[offset:offset + size]
            c.check(len(blob) == size and bits == 32, "%s: image %d is cut short or not 32-bit" % (name, w))
            if blob[:8] == b"\x89PNG\r\n\x1a\n":
                c.check(read_png(blob)[:2] == (w, w), "%s: the PNG of size %d has another size" % (name, w))
            else:
                hdr, dw, dh = struct.unpack("<Iii", blob[:12])
                c.check((hdr, dw, dh) == (40, w, 2 * w), "%s: the bitmap of size %d is malformed" % (name, w))
                mask_row = ((w + 31) // 32) * 4
                c.check(len(blob) == 40 + w * w * 4 + mask_row * w, "%s: image %d has the wrong length" % (name, w))
        c.check(found == sizes, "%s holds sizes %s, expected %s" % (name, sorted(found), sorted(sizes)))
    for i in range(8):
        with open(os.path.join(DIR, "TRAY%d.ico" % i), "rb") as f:
            blob = f.read()
        c.check(blob[:6] == b"\0\0\1\0\2\0", "TRAY%d.ico does not hold two images" % i)
        sizes = sorted(blob[6 + 16 * k] for k in range(2))
        c.check(sizes == [16, 32], "TRAY%d.ico holds sizes %s, expected 16 and 32" % (i, sizes))


def test_pictures(c):
    c.check(png("LOGO.png")[:2] == (128, 128), "LOGO.png is not 128x128")
    c.check(png("IZEMRA.png")[:2] == (150, 30), "IZEMRA.png is not 150x30")
    for name, size in (("IZEMRA.bmp", (150, 30)), ("LOGO.bmp", (128, 128))):
        with open(os.path.join(DIR, name), "rb") as f:
            c.check(read_bmp24(f.read())[:2] == size, "%s is not %s" % (name, size))


def test_buttons(c):
    sizes = set()
    glyphs = {}
    for prefix in ("EN_", "DI_", "CL_"):
        for button in BUTTONS:
            name = prefix + button
            with open(os.path.join(DIR, name + ".bmp"), "rb") as f:
                w, h, rgb = read_bmp24(f.read())
            sizes.add((w, h))
            px = [tuple(rgb[i:i + 3]) for i in range(0, len(rgb), 3)]
            c.check(px[0] == OLIVE and px[-1] == OLIVE, "%s: the background is not olive" % name)
            glyph = [p for p in px if p != OLIVE]
            c.check(len(glyph) >= 15, "%s: no glyph" % name)
            # Transparent drawing keys on the exact colour: a near-olive pixel would show as a fringe.
            near = [p for p in glyph if sum(abs(a - b) for a, b in zip(p, OLIVE)) < 60]
            c.check(not near, "%s: %d pixels are blended with the olive background" % (name, len(near)))
            glyphs[name] = px
            pw, ph, rgba = png(name + ".png")
            c.check((pw, ph) == (w, h), "%s.png has another size than the bitmap" % name)
            alpha = [rgba[i + 3] for i in range(0, len(rgba), 4)]
            c.check(all((a == 0) == (p == OLIVE) for a, p in zip(alpha, px)),
                    "%s.png is not transparent exactly where the bitmap is olive" % name)
        c.check(len({tuple(glyphs[prefix + b]) for b in BUTTONS}) == len(BUTTONS),
                "two %s buttons look the same" % prefix)
    c.check(len(sizes) == 1, "the buttons differ in size: %s" % sizes)
    w, h = sizes.pop()
    # The Options page shows Play and Stop in 29-pixel buttons: the image needs 8 pixels of room.
    c.check(w + 8 <= 29 and h + 4 <= 24, "the button images (%dx%d) do not fit the player" % (w, h))
    for button in BUTTONS:
        en = [p for p in glyphs["EN_" + button] if p != OLIVE]
        cl = [p for p in glyphs["CL_" + button] if p != OLIVE]
        c.check(set(en) == {(0, 0, 0)}, "EN_%s is not drawn in black" % button)
        c.check(any(max(p) - min(p) > 60 for p in cl), "CL_%s has no colour" % button)
        c.check(glyphs["DI_" + button] != glyphs["EN_" + button], "DI_%s looks enabled" % button)


Checks().run(test_tray, test_icons, test_pictures, test_buttons)
