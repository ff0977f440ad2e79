#!/usr/bin/env python3
"""Draws Vorlane's icons and writes them as .ico files.

Usage: python3 scripts/make_icons.py OUTPUT_DIR

The motif is a green rounded square with a darker rim, carrying a ring of
eight short white strokes; the schedule variants add a small clock over the
lower left corner. Everything is plain geometry evaluated per sample, so the
output is byte-for-byte the same on every run and needs no imaging library.
"""

import math
import os
import struct
import sys

# Drawing happens in a 16 x 16 unit space; larger icons scale it up.
UNITS = 16.0

# Colours of the 256-colour icons.
BODY_TOP = (0x5C, 0xBF, 0x4E)
BODY_BOTTOM = (0x2E, 0x8F, 0x2A)
RIM = (0x1A, 0x5C, 0x17)
STROKE = (0xFF, 0xFF, 0xFF)
CLOCK_FACE = (0xF6, 0xF6, 0xF0)
CLOCK_RIM = (0x33, 0x33, 0x33)
CLOCK_HAND = (0x22, 0x22, 0x22)

# The standard VGA palette: what every 16-colour display shows faithfully.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
# In 16 colours the gradient cannot be shown and VGA has no darker green than
# its green, so the rim goes black to stay visible against the body.
VGA_BODY = 2
VGA_RIM = 0
VGA_STROKE = 15
VGA_CLOCK_FACE = 15
VGA_CLOCK_RIM = 0
VGA_CLOCK_HAND = 0


def rounded_rect_distance(x, y, x0, y0, x1, y1, radius):
    """Signed distance to a rounded rectangle: negative inside."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
    inside = min(max(dx, dy), 0.0)
    return outside + inside - radius


def segment_distance(x, y, ax, ay, bx, by, flat=False):
    """Distance to a segment; with `flat` the ends are cut square, so points
    beyond them count as infinitely far (keeps short strokes from blobbing)."""
    vx, vy = bx - ax, by - ay
    t = ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)
    if flat and not 0.0 <= t <= 1.0:
        return math.inf
    t = min(max(t, 0.0), 1.0)
    return math.hypot(x - (ax + t * vx), y - (ay + t * vy))


class Motif:
    """The shapes, in unit space. Widths are chosen per output size (see
    STYLES) so that lines land on whole pixels at 16 x 16."""

    def __init__(self, style, clock):
        self.box = style["box"]
        self.rim = style["rim"]
        self.corner = style["corner"]
        self.clock = clock
        # Rays as (half width, segment). Straight and diagonal rays get their
        # own sizes: on a pixel grid a diagonal needs to be a bit wider and
        # longer to look as heavy and as long as a straight one.
        self.rays = []
        centre = self.box / 2
        for k in range(8):
            width, inner, outer = style["diagonal" if k % 2 else "straight"]
            a = k * math.pi / 4
            dx, dy = math.sin(a), -math.cos(a)
            self.rays.append((width / 2, (centre + inner * dx, centre + inner * dy,
                                          centre + outer * dx, centre + outer * dy)))
        # Clock as (centre x, centre y, radius); hands as (width, length of the
        # one at twelve, length of the one at three): the plainest shape that
        # still reads as a clock at 16 pixels.
        self.clock_cx, self.clock_cy, self.clock_r = style["clock"]
        self.clock_rim = style["clock_rim"]
        width, up, right = style["hands"]
        self.half_hand = width / 2
        cx, cy = self.clock_cx, self.clock_cy
        # Each hand starts half a width behind the centre so the two meet in
        # a square corner.
        h = self.half_hand
        self.hands = [(cx, cy + h, cx, cy - up), (cx - h, cy, cx + right, cy)]

    def sample(self, x, y):
        """Returns the part hit at (x, y): None (transparent) or a part name."""
        if self.clock:
            d = math.hypot(x - self.clock_cx, y - self.clock_cy) - self.clock_r
            if d <= 0:
                if d > -self.clock_rim:
                    return "clock_rim"
                if any(segment_distance(x, y, *h, flat=True) <= self.half_hand
                       for h in self.hands):
                    return "clock_hand"
                return "clock_face"
        d = rounded_rect_distance(x, y, 0.0, 0.0, self.box, self.box, self.corner)
        if d > 0:
            return None
        if d > -self.rim:
            return "rim"
        if any(segment_distance(x, y, *seg, flat=True) <= hw for hw, seg in self.rays):
            return "stroke"
        return "body"


# Per output size, in units (1 unit = 1 pixel at 16 x 16, 2 pixels at 32 x 32).
# At 16 x 16 the square is 15 pixels so that its centre falls on a pixel and
# one-pixel rays stay crisp in all eight directions.
STYLES = {
    # Rays are (width, inner radius, outer radius); clock and hands as above.
    16: dict(box=15.0, rim=1.0, corner=3.0,
             straight=(1.0, 2.5, 5.5), diagonal=(1.2, 2.15, 6.35),
             clock=(4.5, 10.5, 4.5), clock_rim=1.0, hands=(1.0, 2.5, 2.5)),
    32: dict(box=16.0, rim=0.75, corner=3.5,
             straight=(1.0, 2.75, 6.25), diagonal=(1.1, 2.75, 6.25),
             clock=(4.5, 11.5, 4.5), clock_rim=0.75, hands=(1.0, 2.75, 2.25)),
}


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def true_colour(part, y):
    if part == "body":
        return mix(BODY_TOP, BODY_BOTTOM, y / UNITS)
    return {"rim": RIM, "stroke": STROKE, "clock_face": CLOCK_FACE,
            "clock_rim": CLOCK_RIM, "clock_hand": CLOCK_HAND}[part]


VGA_PART = {"body": VGA_BODY, "rim": VGA_RIM, "stroke": VGA_STROKE,
            "clock_face": VGA_CLOCK_FACE, "clock_rim": VGA_CLOCK_RIM,
            "clock_hand": VGA_CLOCK_HAND}
# Ties in the 16-colour majority vote go to the detail, not the background.
PRIORITY = ["clock_hand", "clock_rim", "clock_face", "stroke", "rim", "body"]


def render(motif, size, supersample, palettized):
    """Returns rows of pixels, top row first; each pixel is None (transparent),
    an RGB tuple (true colour) or, if `palettized`, a VGA index."""
    scale = UNITS / size
    n = supersample
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            hits = []
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) * scale
                    y = (py + (sy + 0.5) / n) * scale
                    part = motif.sample(x, y)
                    if part is not None:
                        hits.append((part, y))
            if 2 * len(hits) < n * n:
                row.append(None)
            elif palettized:
                counts = {p: 0 for p in PRIORITY}
                for part, _ in hits:
                    counts[part] += 1
                best = max(PRIORITY, key=lambda p: (counts[p], -PRIORITY.index(p)))
                row.append(VGA_PART[best])
            else:
                total = [0.0, 0.0, 0.0]
                for part, y in hits:
                    c = true_colour(part, y)
                    for i in range(3):
                        total[i] += c[i]
                row.append(tuple(int(round(t / len(hits))) for t in total))
        rows.append(row)
    return rows


def build_palette(rows):
    """A palette of the colours actually used, index 0 black for the
    transparent pixels. Colours are snapped to a grid first so near-equal
    blends share an entry; the grid coarsens until they fit."""
    for step in (4, 8, 16, 32):
        snapped = [[None if c is None else
                    tuple(min(255, int(round(v / step)) * step) for v in c) for c in row]
                   for row in rows]
        used = sorted({c for row in snapped for c in row if c is not None})
        if len(used) < 256:
            break
    else:
        raise ValueError("too many colours for a 256-colour icon")
    palette = [(0, 0, 0)] + used
    index = {c: i + 1 for i, c in enumerate(used)}
    pixels = [[0 if c is None else index[c] for c in row] for row in snapped]
    return palette, pixels


def ico_bytes(size, bpp, palette, pixels, mask):
    """A single-image .ico: BITMAPINFOHEADER, palette, XOR bitmap, AND mask,
    both bitmaps bottom-up with rows padded to 32 bits."""
    colours = 1 << bpp
    palette = list(palette) + [(0, 0, 0)] * (colours - len(palette))
    pal = b"".join(struct.pack("<4B", b, g, r, 0) for r, g, b in palette)

    xor_stride = ((size * bpp + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for y in reversed(range(size)):
        line = bytearray(xor_stride)
        for x in range(size):
            v = pixels[y][x]
            if bpp == 8:
                line[x] = v
            else:
                line[x // 2] |= v << (4 if x % 2 == 0 else 0)
        xor += line
        mline = bytearray(and_stride)
        for x in range(size):
            if mask[y][x]:
                mline[x // 8] |= 0x80 >> (x % 8)
        andm += mline

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(andm), 0, 0, 0, 0)
    image = header + pal + bytes(xor) + bytes(andm)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, colours if colours < 256 else 0, 0,
                        1, bpp, len(image), 6 + 16)
    return directory + entry + image


def make_icon(size, bpp, clock):
    motif = Motif(STYLES[size], clock)
    if bpp == 4:
        rows = render(motif, size, supersample=4, palettized=True)
        palette = VGA
        pixels = [[0 if c is None else c for c in row] for row in rows]
    else:
        rows = render(motif, size, supersample=4, palettized=False)
        palette, pixels = build_palette(rows)
    mask = [[c is None for c in row] for row in rows]
    return ico_bytes(size, bpp, palette, pixels, mask)


ICONS = [
    ("about.ico", 32, 8, False),
    ("tray_new.ico", 16, 8, False),
    ("tray_old.ico", 16, 4, False),
    ("tray_schedule_new.ico", 16, 8, True),
    ("tray_schedule_old.ico", 16, 4, True),
]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icons.py OUTPUT_DIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name, size, bpp, clock in ICONS:
        with open(os.path.join(out, name), "wb") as f:
            f.write(make_icon(size, bpp, clock))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
