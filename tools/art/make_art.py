#!/usr/bin/env python3
"""Draws Status Cycler's icon and about-box picture.

Everything is drawn procedurally from signed distance fields, so the output is
the same byte for byte on every run and needs nothing beyond the standard
library:

  app/win32/res/statuscycler.ico  32x32 and 16x16, 16 colours each
  app/win32/res/image2.bmp        156x145, 24 bits per pixel

Usage: make_art.py [--out-dir DIR]   (default: app/win32/res of this repo)
"""

import argparse
import math
import struct
from pathlib import Path

VIOLET = (81, 46, 124)
YELLOW = (192, 192, 0)


# --- signed distance fields (negative inside) -------------------------------

def sd_ellipse(px, py, cx, cy, rx, ry):
    # Not exact, but close enough near the edge, which is all shading needs.
    k = math.hypot((px - cx) / rx, (py - cy) / ry)
    return (k - 1.0) * min(rx, ry)


def sd_round_box(px, py, cx, cy, hw, hh, r):
    qx = abs(px - cx) - hw + r
    qy = abs(py - cy) - hh + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def sd_polygon(px, py, pts):
    d = (px - pts[0][0]) ** 2 + (py - pts[0][1]) ** 2
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        ax, ay = pts[i]
        bx, by = pts[j]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        dx, dy = wx - ex * t, wy - ey * t
        d = min(d, dx * dx + dy * dy)
        # Crossing test for the sign (even-odd rule).
        if (ay > py) != (by > py) and px < ax + (py - ay) * ex / ey:
            inside = not inside
        j = i
    return -math.sqrt(d) if inside else math.sqrt(d)


def sd_arc(px, py, cx, cy, radius, thickness, a0, a1):
    """Band of the given thickness along a circle from angle a0 to a1 (degrees,
    counter-clockwise on screen), with flat-ish round ends."""
    dx, dy = px - cx, cy - py  # y up, so angles read the usual way
    ang = math.degrees(math.atan2(dy, dx)) % 360.0
    lo, hi = a0 % 360.0, a1 % 360.0
    within = (lo <= ang <= hi) if lo <= hi else (ang >= lo or ang <= hi)
    if within:
        return abs(math.hypot(dx, dy) - radius) - thickness / 2
    best = float("inf")
    for a in (a0, a1):
        ex = cx + radius * math.cos(math.radians(a))
        ey = cy - radius * math.sin(math.radians(a))
        best = min(best, math.hypot(px - ex, py - ey))
    return best - thickness / 2


def star_points(cx, cy, r_out, r_in, n=5, rot=-90.0):
    pts = []
    for k in range(2 * n):
        r = r_out if k % 2 == 0 else r_in
        a = math.radians(rot + k * 180.0 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def cycle_arrows(cx, cy, radius, thickness, head_w, head_len, arcs=((60.0, 170.0), (240.0, 350.0))):
    """Two arcs chasing each other clockwise, each ending in an arrowhead.
    Returns a list of distance functions (px, py) -> distance."""
    shapes = []
    for start, end in arcs:
        shapes.append(lambda px, py, s=start, e=end: sd_arc(px, py, cx, cy, radius, thickness, s, e))
        # The head sits on the clockwise end (the lower angle), its base
        # across the band, and points along the clockwise tangent.
        a = math.radians(start)
        ex, ey = cx + radius * math.cos(a), cy - radius * math.sin(a)
        tx, ty = math.sin(a), math.cos(a)  # clockwise tangent on screen
        nx, ny = math.cos(a), -math.sin(a)  # outward normal on screen
        tri = [(ex + nx * head_w, ey + ny * head_w),
               (ex - nx * head_w, ey - ny * head_w),
               (ex + tx * head_len, ey + ty * head_len)]
        shapes.append(lambda px, py, t=tri: sd_polygon(px, py, t))
    return shapes


def union(shapes):
    return lambda px, py: min(f(px, py) for f in shapes)


def coverage(d, soft=0.5):
    """Fraction of a pixel covered, given the distance of its centre (pixels)."""
    return max(0.0, min(1.0, 0.5 - d / (2 * soft)))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


# --- icon -------------------------------------------------------------------

def _blend(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


# Index 0 is what transparent pixels hold. The drawing uses the violets and
# the yellow; the other slots of the 16-colour table are kept to nearby shades
# so the nearest-colour pick never lands on something off-key.
ICON_PALETTE = [
    (0, 0, 0),
    VIOLET,
    YELLOW,
    (45, 25, 70),                     # outline
    _blend(VIOLET, YELLOW, 0.25),
    _blend(VIOLET, YELLOW, 0.50),
    _blend(VIOLET, YELLOW, 0.75),
    _blend((45, 25, 70), VIOLET, 0.5),
    (132, 100, 176),                  # highlight
    _blend(VIOLET, (132, 100, 176), 0.5),
    (236, 236, 90),                   # lit yellow
    _blend(YELLOW, (236, 236, 90), 0.5),
    (128, 128, 0),
    (128, 128, 128),
    (192, 192, 192),
    (255, 255, 255),
]


def nearest_index(rgb):
    best, best_d = 1, float("inf")
    for i, c in enumerate(ICON_PALETTE[1:], start=1):
        d = sum((a - b) ** 2 for a, b in zip(rgb, c))
        if d < best_d:
            best, best_d = i, d
    return best


def draw_icon(size):
    """Returns rows (top first) of palette indices, None for transparent."""
    s = float(size)
    # Geometry scales with the size; the outline stays one pixel.
    body = union([
        lambda px, py: sd_ellipse(px, py, 0.5 * s, 0.43 * s, 0.47 * s, 0.38 * s),
        lambda px, py: sd_polygon(px, py, [(0.20 * s, 0.66 * s), (0.44 * s, 0.76 * s), (0.06 * s, 0.97 * s)]),
    ])
    arrows = union(cycle_arrows(0.5 * s, 0.43 * s, 0.21 * s, 0.08 * s, head_w=0.13 * s, head_len=0.15 * s))
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            d = body(px, py)
            if coverage(d) < 0.5:
                row.append(None)
                continue
            colour = mix((45, 25, 70), VIOLET, coverage(d + 1.0))
            # A soft sheen on the upper left of the bubble.
            sheen = sd_ellipse(px, py, 0.36 * s, 0.25 * s, 0.2 * s, 0.1 * s)
            colour = mix(colour, (132, 100, 176), 0.6 * coverage(sheen, soft=2.0))
            # Crisp arrows: blended edges turn muddy in a 16-colour palette.
            if coverage(arrows(px, py)) >= 0.5:
                colour = YELLOW
            row.append(nearest_index(colour))
        rows.append(row)
    return rows


# At 16 pixels the arrows only read when placed pixel by pixel.
SMALL_ICON = [
    "................",
    "....oooooooo....",
    "..oohhvvvvvvoo..",
    ".ohhvvyyyyvvvvo.",
    ".ohvvyvvvvyvvvo.",
    "ovvvyvvvvvyyyvvo",
    "ovvvvvvvvvvyvvvo",
    "ovvvyvvvvvvvvvvo",
    "ovvyyyvvvvvyvvvo",
    ".ovvvyvvvvyvvvo.",
    ".ovvvvyyyyvvvvo.",
    "..oovvvvvvvvoo..",
    "...ovvoooooo....",
    "..ovvo..........",
    ".ovo............",
    ".oo.............",
]
SMALL_ICON_COLOURS = {".": None, "o": 3, "v": 1, "y": 2, "h": 9}


def small_icon_rows():
    return [[SMALL_ICON_COLOURS[ch] for ch in line] for line in SMALL_ICON]


def pack_rows(rows, bits, value):
    """Bottom-up DIB rows packed at `bits` per pixel, each padded to 4 bytes."""
    out = bytearray()
    for row in reversed(rows):
        acc, nbits, line = 0, 0, bytearray()
        for px in row:
            acc = (acc << bits) | value(px)
            nbits += bits
            if nbits == 8:
                line.append(acc)
                acc, nbits = 0, 0
        if nbits:
            line.append(acc << (8 - nbits))
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def icon_image(rows):
    size = len(rows)
    xor = pack_rows(rows, 4, lambda p: 0 if p is None else p)
    mask = pack_rows(rows, 1, lambda p: 1 if p is None else 0)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in ICON_PALETTE)
    return header + palette + xor + mask


def make_ico():
    pictures = [draw_icon(32), small_icon_rows()]
    images = [icon_image(rows) for rows in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, img in zip(pictures, images):
        size = len(rows)  # 256 would be stored as 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


# --- about-box picture -------------------------------------------------------

class Lcg:
    """Tiny fixed generator so the star field never changes between runs."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) % 2 ** 31
        return self.state / 2 ** 31


def draw_picture(w=156, h=145):
    rnd = Lcg(20240611)
    stars = []
    for _ in range(34):
        x, y = rnd.next() * w, rnd.next() * h
        r = 0.6 + rnd.next() ** 3 * 2.2
        glow = 0.45 + 0.55 * rnd.next()
        stars.append((x, y, r, glow))
    sparkles = [(18.0, 16.0, 7.0), (139.0, 121.0, 8.0), (108.0, 10.0, 5.0)]
    big_stars = [star_points(143.0, 13.0, 8.5, 3.6, rot=-80.0),
                 star_points(22.0, 108.0, 6.5, 2.7, rot=-100.0)]

    bx, by, bhw, bhh = 80.0, 62.0, 60.0, 40.0
    tail = [(44.0, 92.0), (70.0, 100.0), (30.0, 128.0)]

    def bubble(px, py):
        return min(sd_round_box(px, py, bx, by, bhw, bhh, 24.0), sd_polygon(px, py, tail))

    arrows = union(cycle_arrows(bx, by, 24.0, 7.5, head_w=8.0, head_len=11.0))
    centre_star = star_points(bx, by + 0.5, 10.5, 4.4)

    pixels = []
    for y in range(h):
        row = []
        for x in range(w):
            px, py = x + 0.5, y + 0.5
            t = py / h
            c = mix((46, 22, 78), (118, 78, 168), t * 0.8 + (px / w) * 0.2)
            # A faint glow behind the bubble.
            g = math.exp(-((px - bx) ** 2 + (py - by) ** 2) / (2 * 55.0 ** 2))
            c = mix(c, (150, 112, 196), 0.35 * g)

            for sx, sy, r, glow in stars:
                if abs(px - sx) < 6 and abs(py - sy) < 6:
                    d = math.hypot(px - sx, py - sy)
                    c = mix(c, (255, 250, 220), glow * max(0.0, min(1.0, (r + 0.5 - d))))
            for sx, sy, r in sparkles:
                dx, dy = abs(px - sx), abs(py - sy)
                if dx < r + 1 and dy < r + 1:
                    # Four-pointed twinkle: two thin diamonds crossed.
                    arm = min(dx / r + dy / (0.18 * r), dy / r + dx / (0.18 * r))
                    c = mix(c, (255, 255, 210), max(0.0, min(1.0, (1.0 - arm) * 3.0)))
            for pts in big_stars:
                c = mix(c, YELLOW, coverage(sd_polygon(px, py, pts)))

            # Drop shadow, then the bubble itself.
            shadow = bubble(px - 3.0, py - 4.0)
            c = mix(c, (20, 8, 36), 0.45 * max(0.0, min(1.0, 0.5 - shadow / 8.0)))
            d = bubble(px, py)
            if d < 1.0:
                fill = mix((252, 250, 255), (222, 212, 238), max(0.0, min(1.0, (py - 22.0) / 90.0)))
                fill = mix(VIOLET, fill, coverage(d + 2.0))  # violet rim
                c = mix(c, fill, coverage(d))
                c = mix(c, VIOLET, coverage(arrows(px, py)))
                c = mix(c, YELLOW, coverage(sd_polygon(px, py, centre_star)))
            row.append(tuple(max(0, min(255, round(v))) for v in c))
        pixels.append(row)
    return pixels


def make_bmp(pixels):
    h, w = len(pixels), len(pixels[0])
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line.extend(b"\0" * (stride - len(line)))
        body += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    return header + info + bytes(body)


def main():
    default_out = Path(__file__).resolve().parents[2] / "app" / "win32" / "res"
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", type=Path, default=default_out)
    args = parser.parse_args()
    args.out_dir.mkdir(parents=True, exist_ok=True)
    (args.out_dir / "statuscycler.ico").write_bytes(make_ico())
    (args.out_dir / "image2.bmp").write_bytes(make_bmp(draw_picture()))


if __name__ == "__main__":
    main()
