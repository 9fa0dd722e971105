"""A small anti-aliased painter: shapes are signed distance functions in pixel units.

Coordinates are in pixels with (0, 0) at the top-left corner of the top-left pixel, so the
centre of pixel (x, y) is (x + 0.5, y + 0.5). Negative distance means inside.
"""

import math


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def hexcolour(text, alpha=1.0):
    text = text.lstrip("#")
    return (int(text[0:2], 16) / 255.0, int(text[2:4], 16) / 255.0, int(text[4:6], 16) / 255.0, alpha)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


class Shape:
    """A signed distance function with a bounding box (x0, y0, x1, y1)."""

    def __init__(self, sdf, bbox):
        self.sdf = sdf
        self.bbox = bbox

    def __and__(self, other):
        a, b = self.sdf, other.sdf
        box = (max(self.bbox[0], other.bbox[0]), max(self.bbox[1], other.bbox[1]),
               min(self.bbox[2], other.bbox[2]), min(self.bbox[3], other.bbox[3]))
        return Shape(lambda x, y: max(a(x, y), b(x, y)), box)

    def __or__(self, other):
        a, b = self.sdf, other.sdf
        box = (min(self.bbox[0], other.bbox[0]), min(self.bbox[1], other.bbox[1]),
               max(self.bbox[2], other.bbox[2]), max(self.bbox[3], other.bbox[3]))
        return Shape(lambda x, y: min(a(x, y), b(x, y)), box)

    def __sub__(self, other):
        a, b = self.sdf, other.sdf
        return Shape(lambda x, y: max(a(x, y), -b(x, y)), self.bbox)

    def grow(self, amount):
        f = self.sdf
        b = self.bbox
        return Shape(lambda x, y: f(x, y) - amount,
                     (b[0] - amount, b[1] - amount, b[2] + amount, b[3] + amount))

    def outline(self, width):
        """A band of the given width centred on the edge."""
        f = self.sdf
        half = width / 2.0
        b = self.bbox
        return Shape(lambda x, y: abs(f(x, y)) - half, (b[0] - half, b[1] - half, b[2] + half, b[3] + half))

    def inner_outline(self, width):
        f = self.sdf
        return Shape(lambda x, y: max(f(x, y), -f(x, y) - width), self.bbox)

    def moved(self, dx, dy):
        f = self.sdf
        b = self.bbox
        return Shape(lambda x, y: f(x - dx, y - dy), (b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry):
    # A good approximation near the edge, which is all anti-aliasing needs.
    def sdf(x, y):
        dx, dy = (x - cx) / rx, (y - cy) / ry
        k0 = math.hypot(dx, dy)
        if k0 == 0:
            return -min(rx, ry)
        k1 = math.hypot(dx / rx, dy / ry)
        return k0 * (k0 - 1.0) / k1
    return Shape(sdf, (cx - rx, cy - ry, cx + rx, cy + ry))


def rect(x0, y0, x1, y1, radius=0.0):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return Shape(sdf, (x0, y0, x1, y1))


def segment(x0, y0, x1, y1, width):
    """A line with round caps."""
    r = width / 2.0
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def sdf(x, y):
        t = clamp(((x - x0) * dx + (y - y0) * dy) / length2)
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - r
    return Shape(sdf, (min(x0, x1) - r, min(y0, y1) - r, max(x0, x1) + r, max(y0, y1) + r))


def polygon(points):
    """A filled polygon (even-odd rule), exact distance to its edges."""
    pts = list(points)
    n = len(pts)

    def sdf(x, y):
        best = float("inf")
        inside = False
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = clamp((wx * ex + wy * ey) / ((ex * ex + ey * ey) or 1e-9))
            best = min(best, math.hypot(wx - ex * t, wy - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / (ey or 1e-9):
                inside = not inside
        return -best if inside else best
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(sdf, (min(xs), min(ys), max(xs), max(ys)))


def polyline(points, width):
    shape = None
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        piece = segment(ax, ay, bx, by, width)
        shape = piece if shape is None else shape | piece
    return shape


def everywhere():
    return Shape(lambda x, y: -1e9, (-1e9, -1e9, 1e9, 1e9))


class Canvas:
    """Straight (not premultiplied) RGBA in floats 0..1."""

    def __init__(self, width, height, background=(0.0, 0.0, 0.0, 0.0)):
        self.width = width
        self.height = height
        self.px = [list(background) for _ in range(width * height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0.0:
            return
        p = self.px[y * self.width + x]
        a = colour[3] * coverage
        out_a = a + p[3] * (1.0 - a)
        if out_a <= 0.0:
            return
        for i in range(3):
            p[i] = (colour[i] * a + p[i] * p[3] * (1.0 - a)) / out_a
        p[3] = out_a

    def fill(self, shape, paint, softness=1.0):
        """paint: an RGBA tuple, or a function (x, y) -> RGBA for gradients."""
        x0 = max(0, int(math.floor(shape.bbox[0] - 1)))
        y0 = max(0, int(math.floor(shape.bbox[1] - 1)))
        x1 = min(self.width, int(math.ceil(shape.bbox[2] + 1)))
        y1 = min(self.height, int(math.ceil(shape.bbox[3] + 1)))
        sdf = shape.sdf
        solid = not callable(paint)
        for y in range(y0, y1):
            for x in range(x0, x1):
                cx, cy = x + 0.5, y + 0.5
                cov = clamp(0.5 - sdf(cx, cy) / softness)
                if cov > 0.0:
                    self.blend(x, y, paint if solid else paint(cx, cy), cov)

    def rgba_bytes(self):
        out = bytearray()
        for p in self.px:
            out += bytes(int(round(clamp(c) * 255)) for c in p)
        return bytes(out)

    def flattened_rgb(self, background):
        """Composited onto a solid colour, for the 24-bit bitmaps."""
        out = bytearray()
        for p in self.px:
            a = p[3]
            out += bytes(int(round(clamp(p[i] * a + background[i] * (1 - a)) * 255)) for i in range(3))
        return bytes(out)
