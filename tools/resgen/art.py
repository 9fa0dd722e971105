"""The pictures of the program, drawn from code: the eye of the icon and tray animation,
the logo, the mail picture of the About box and the media-player button glyphs."""

import math

from .canvas import (Canvas, circle, ellipse, everywhere, hexcolour, mix, polygon, polyline, rect,
                     segment)

OUTLINE = hexcolour("1b2a38")
SCLERA = hexcolour("ffffff")
IRIS_OUT = hexcolour("17695f")
IRIS_IN = hexcolour("36b59f")
PUPIL = hexcolour("0d1319")
SHINE = hexcolour("ffffff")
LASH = OUTLINE

# Tray frames: (opening of the lids 0..1, gaze -1 left .. +1 right). A slow look around with a
# blink at the end, one frame per second.
TRAY_FRAMES = [(1.0, 0.0), (1.0, -1.0), (1.0, -1.0), (1.0, 0.0),
               (1.0, 1.0), (1.0, 1.0), (0.45, 0.0), (0.0, 0.0)]


def almond(cx, cy, half_width, half_height):
    """The eye opening: the overlap of two large circles."""
    r = (half_width * half_width + half_height * half_height) / (2.0 * half_height)
    upper = circle(cx, cy - half_height + r, r)
    lower = circle(cx, cy + half_height - r, r)
    return upper & lower


def draw_eye(canvas, cx, cy, half_width, half_height, line, opening=1.0, gaze=0.0,
             outline=OUTLINE, halo=None):
    """An eye centred at (cx, cy); line is the outline width in pixels."""
    if opening <= 0.05:
        draw_closed_eye(canvas, cx, cy, half_width, half_height, line, outline, halo)
        return
    hh = max(half_height * opening, line * 1.2)
    shape = almond(cx, cy, half_width, hh)
    if halo:
        canvas.fill(shape.grow(line * 1.5), halo)
    canvas.fill(shape, SCLERA)
    iris_r = half_height * 0.78
    ix = cx + gaze * (half_width - iris_r - line * 1.4)
    iris = circle(ix, cy, iris_r) & shape
    canvas.fill(iris, lambda x, y: mix(IRIS_IN, IRIS_OUT, min(1.0, math.hypot(x - ix, y - cy) / iris_r)))
    canvas.fill(circle(ix, cy, iris_r * 0.48) & shape, PUPIL)
    canvas.fill(circle(ix + iris_r * 0.32, cy - iris_r * 0.34, iris_r * 0.2) & shape, SHINE)
    # Lid shadow over the iris when the eye is half shut.
    canvas.fill(shape.outline(line), outline)


def draw_closed_eye(canvas, cx, cy, half_width, half_height, line, outline=OUTLINE, halo=None):
    """A closed lid: a downward curve with three lashes."""
    sag = half_height * 0.55
    points = []
    for i in range(17):
        t = -1.0 + i / 8.0
        points.append((cx + t * half_width * 0.96, cy + sag * (1.0 - t * t) - sag * 0.3))
    lid = polyline(points, line * 1.15)
    lashes = None
    for t in (-0.5, 0.0, 0.5):
        x0 = cx + t * half_width * 0.96
        y0 = cy + sag * (1.0 - t * t) - sag * 0.3
        piece = segment(x0, y0, x0 + t * half_height * 0.5, y0 + half_height * 0.55, line)
        lashes = piece if lashes is None else lashes | piece
    if halo:
        canvas.fill((lid | lashes).grow(line * 1.2), halo)
    canvas.fill(lid | lashes, outline)


# Tray frames are pixel art: at 16x16 anti-aliased curves turn grey and soft.
# Eye opening rows: (first outline columns, interior range, last outline columns) per row.
_EYE_ROWS = {
    3: None, 4: ((3, 4), (5, 10), (11, 12)), 5: ((2, 2), (3, 12), (13, 13)),
    6: ((1, 1), (2, 13), (14, 14)), 7: ((0, 0), (1, 14), (15, 15)), 8: ((0, 0), (1, 14), (15, 15)),
    9: ((1, 1), (2, 13), (14, 14)), 10: ((2, 2), (3, 12), (13, 13)), 11: ((3, 4), (5, 10), (11, 12)),
    12: None,
}
_TRAY_PALETTE = {
    "o": hexcolour("1b2a38"), "w": SCLERA, "i": IRIS_OUT, "I": IRIS_IN, "p": PUPIL, "s": SHINE,
    "L": hexcolour("a9bccb"),
}


def _tray_grid(opening, gaze):
    grid = [["."] * 16 for _ in range(16)]
    for y in (3, 12):
        for x in range(5, 11):
            grid[y][x] = "o"
    interior = set()
    for y, row in _EYE_ROWS.items():
        if row is None:
            continue
        (a0, a1), (i0, i1), (b0, b1) = row
        for x in list(range(a0, a1 + 1)) + list(range(b0, b1 + 1)):
            grid[y][x] = "o"
        for x in range(i0, i1 + 1):
            grid[y][x] = "w"
            interior.add((x, y))
    shift = int(round(gaze * 3))
    for (x, y) in interior:
        dx, dy = x - (7.5 + shift), y - 7.5
        d2 = dx * dx + dy * dy
        if d2 <= 9.5:
            grid[y][x] = "p" if d2 <= 0.6 else ("I" if d2 <= 5.0 else "i")
    if (8 + shift, 6) in interior:
        grid[6][8 + shift] = "s"
    if opening <= 0.05:
        # Shut: the lid's lower edge, a dark curve lit from above so it shows on dark panels
        # too, with three lashes.
        grid = [["."] * 16 for _ in range(16)]
        curve = [(0, 6), (15, 6), (1, 7), (14, 7), (2, 8), (13, 8), (3, 9), (4, 9), (11, 9),
                 (12, 9)] + [(x, 10) for x in range(5, 11)]
        for x, y in curve:
            grid[y - 1][x] = "L"
            if 2 <= x <= 13:
                grid[y - 2][x] = "L"
        for x, y in ((1, 6), (14, 6), (2, 7), (13, 7), (3, 8), (12, 8), (4, 8), (11, 8)) + tuple(
                (x, 9) for x in range(5, 11)):
            grid[y][x] = "L"
        for x, y in curve:
            grid[y][x] = "o"
        for x, y in ((3, 10), (2, 11), (6, 11), (5, 12), (9, 11), (10, 12), (12, 10), (13, 11)):
            grid[y][x] = "o"
    elif opening < 1.0:
        # The upper lid has come down to the middle of the eye.
        for (x, y) in interior:
            if y < 7:
                grid[y][x] = "L"
            elif y == 7:
                grid[y][x] = "o"
    return grid


def tray_frame(index):
    opening, gaze = TRAY_FRAMES[index]
    c = Canvas(16, 16)
    for y, row in enumerate(_tray_grid(opening, gaze)):
        for x, cell in enumerate(row):
            if cell != ".":
                c.px[y * 16 + x] = list(_TRAY_PALETTE[cell])
    return c


def app_icon(size):
    """The program icon: a white eye on a green rounded square. At 16x16 the curves would
    blur, so that size is the crisp pixel-art eye of the tray."""
    if size <= 16:
        return tray_frame(0)
    c = Canvas(size, size)
    s = float(size)
    pad = s * 0.04
    top, bottom = hexcolour("4cc59a"), hexcolour("16806b")
    body = rect(pad, pad, s - pad, s - pad, s * 0.22)
    c.fill(body, lambda x, y: mix(top, bottom, y / s))
    if size >= 48:
        c.fill(body.inner_outline(max(1.0, s / 64.0)), hexcolour("0d5b4c", 0.6))
        # A soft light from the top.
        c.fill(rect(pad, pad, s - pad, s * 0.5, s * 0.22) & body, (1.0, 1.0, 1.0, 0.10))
    line = max(1.0, s * 0.055)
    draw_eye(c, s / 2.0, s / 2.0 + s * 0.02, s * 0.40, s * 0.24, line, 1.0, 0.0)
    return c


def logo():
    """The 128x128 logo of the About box: the eye on a round green badge with rest waves."""
    s = 128.0
    c = Canvas(128, 128)
    top, bottom = hexcolour("5fd0a6"), hexcolour("137a66")
    badge = circle(64, 64, 60)
    c.fill(badge, lambda x, y: mix(top, bottom, y / s))
    c.fill(badge.inner_outline(3.0), hexcolour("0d5b4c", 0.8))
    draw_eye(c, 64, 56, 44, 25, 5.0, 1.0, 0.0)
    # Two calm waves below the eye: rest.
    for k, alpha in ((0, 0.95), (1, 0.6)):
        y0 = 94 + k * 10
        pts = [(30 + i * 2.0, y0 + 3.0 * math.sin(i * 2.0 / 68.0 * 4.0 * math.pi)) for i in range(35)]
        c.fill(polyline(pts, 4.0), (1.0, 1.0, 1.0, alpha))
    return c


def mail_banner():
    """150x30: an envelope sending a paper plane along a dotted path (the author's mail link)."""
    c = Canvas(150, 30)
    env = rect(3, 5, 41, 27, 2.5)
    c.fill(env.grow(1.2), OUTLINE)
    c.fill(env, hexcolour("fdf6e3"))
    c.fill(polyline([(4.5, 7), (22, 19), (39.5, 7)], 2.0), OUTLINE)
    c.fill(polyline([(4.5, 25.5), (17, 15.5)], 1.4), OUTLINE)
    c.fill(polyline([(39.5, 25.5), (27, 15.5)], 1.4), OUTLINE)
    c.fill(circle(36, 9, 5.5), hexcolour("d9412b"))
    c.fill(circle(36, 9, 5.5).outline(1.2), OUTLINE)
    # The dotted flight path rising to the plane.
    for i in range(11):
        t = i / 10.0
        x = 50 + t * 66
        y = 20 - 9 * math.sin(t * math.pi * 0.9) + t * 2
        c.fill(circle(x, y, 1.5), hexcolour("2a9d8f"))
    wing = polygon([(121, 16), (147, 4), (133, 25)])
    fold = polygon([(121, 16), (147, 4), (129, 19)])
    c.fill(wing.grow(0.6), OUTLINE)
    c.fill(wing, hexcolour("ffffff"))
    c.fill(fold, hexcolour("cfe8e4"))
    c.fill(polyline([(129, 19), (147, 4)], 1.0), OUTLINE)
    c.fill(polyline([(129, 19), (131, 25)], 1.0), OUTLINE)
    return c


# Media-player glyphs: pixel masks on a 15x11 grid (centre column 7, centre row 5).

def _triangle_right(x0, columns, top, bottom):
    pix = set()
    for k in range(columns):
        for y in range(top + k, bottom - k + 1):
            pix.add((x0 + k, y))
    return pix


def _mirror(pix):
    return {(14 - x, y) for x, y in pix}


def _bar(x0, x1, y0, y1):
    return {(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)}


def glyph_mask(name):
    if name == "MPPLAY":
        return _triangle_right(5, 6, 0, 10)
    if name == "MPPAUSE":
        return _bar(4, 5, 1, 9) | _bar(9, 10, 1, 9)
    if name == "MPSTOP":
        return _bar(3, 11, 1, 9)
    if name == "MPNEXT":
        return _triangle_right(2, 5, 1, 9) | _triangle_right(7, 5, 1, 9) | _bar(12, 13, 1, 9)
    if name == "MPPREV":
        return _mirror(glyph_mask("MPNEXT"))
    if name == "MPSTEP":
        return _triangle_right(4, 5, 1, 9) | _bar(10, 11, 1, 9)
    if name == "MPBACK":
        return _mirror(glyph_mask("MPSTEP"))
    if name == "MPRECORD":
        return {(x, y) for x in range(15) for y in range(11) if (x - 7) ** 2 + (y - 5) ** 2 <= 21}
    if name == "MPEJECT":
        pix = set()
        for row in range(6):
            pix |= {(x, 1 + row) for x in range(7 - row, 8 + row)}
        return pix | _bar(2, 12, 8, 9)
    raise KeyError(name)


BUTTONS = ["MPPLAY", "MPPAUSE", "MPSTOP", "MPNEXT", "MPPREV", "MPSTEP", "MPBACK", "MPRECORD", "MPEJECT"]
BUTTON_SIZE = (16, 12)
OLIVE = (128, 128, 0)

GLYPH_COLOURS = {
    "MPPLAY": (0, 150, 0), "MPPAUSE": (0, 90, 200), "MPSTOP": (200, 0, 0), "MPNEXT": (0, 90, 200),
    "MPPREV": (0, 90, 200), "MPSTEP": (0, 90, 200), "MPBACK": (0, 90, 200), "MPRECORD": (230, 0, 0),
    "MPEJECT": (0, 128, 128),
}


def button_bitmap(prefix, name):
    """Returns (width, height, rgb) on the olive transparent colour; hard edges, so the
    transparent colour is never blended into the glyph."""
    w, h = BUTTON_SIZE
    px = [OLIVE] * (w * h)
    mask = glyph_mask(name)
    if prefix == "DI_":
        for x, y in mask:  # engraved look: a white copy one pixel down-right
            px[(y + 1) * w + x + 1] = (255, 255, 255)
        colour = (128, 128, 128)
    elif prefix == "CL_":
        colour = GLYPH_COLOURS[name]
    else:
        colour = (0, 0, 0)
    for x, y in mask:
        px[y * w + x] = colour
    return w, h, bytes(v for p in px for v in p)
