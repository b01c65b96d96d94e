#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program icon, src/gui/ui/icons/miravel.xpm, from its geometry.

The icon is a light-grey cog wheel on a transparent ground, 32 x 32 pixels in
at most 16 colours: eight square teeth around a rim, two darker rings inside
the wheel and a hole through the middle. Light falls from the upper left, so
edges that face it are lighter and edges that face away are darker.

    scripts/draw-icon.py                  rewrites src/gui/ui/icons/miravel.xpm
    scripts/draw-icon.py --preview F.png  also writes an 8 x enlargement
                                          (transparency as a checkerboard)
    scripts/draw-icon.py --icons DIR      writes the desktop icons that the
                                          package installs to DIR instead:
                                          miravel-32.png, the XPM drawing
                                          itself, and miravel-128.png, the
                                          same design drawn at 128 x 128

The XPM file is the source of record; this script only says how it was made.
The 32 x 32 PNG is copied from the XPM pixel for pixel. The larger drawing
follows the same geometry at four times the size, smoothed at its edges: the
outline is one design pixel wide, the lit and shaded bevel is the band about
one and a half design pixels inside it, and the rings and the hole are where
they are in the small drawing. The PNG files under packaging/icons/ are made
with --icons and kept in the repository, so that the build needs no Python.
"""

import argparse
import math
import pathlib
import re
import struct
import zlib

SIZE = 32
CENTRE = SIZE / 2.0  # pixel x covers x .. x + 1, so the middle is the corner at 16, 16

TEETH = 8
TOOTH_TIP = 15.6     # outer radius of a tooth
TOOTH_WIDTH = 5.6    # width of a tooth across its axis
RIM = 11.6           # outer radius of the wheel between the teeth
OUTER_RING = (8.2, 9.7)   # inner and outer radius of the outer dark ring
INNER_RING = (4.9, 6.4)   # the same for the ring round the hub
HOLE = 2.9           # radius of the hole through the middle

# One character per colour; " " is the transparent ground.
PALETTE = {
    " ": None,
    ".": "#404040",  # outline
    "d": "#707070",  # dark rings
    "s": "#A0A0A0",  # shaded side (lower right)
    "g": "#C8C8C8",  # the light grey of the wheel
    "h": "#E8E8E8",  # lit side (upper left)
}
LIGHT = (-1.0 / math.sqrt(2.0), -1.0 / math.sqrt(2.0))  # towards the light, up and left

SUBSAMPLES = 4  # per axis: a pixel belongs to the wheel if most of it does


def in_wheel(x, y):
    """Whether the point (x, y), in pixels from the top left, is metal."""
    dx, dy = x - CENTRE, y - CENTRE
    r = math.hypot(dx, dy)
    if r < HOLE:
        return False
    if r <= RIM:
        return True
    if r > TOOTH_TIP:
        return False
    # Distance from the axis of the nearest tooth (teeth point straight up,
    # down, left, right and along the diagonals).
    angle = math.atan2(dy, dx)
    step = 2.0 * math.pi / TEETH
    nearest = round(angle / step) * step
    across = abs(-dx * math.sin(nearest) + dy * math.cos(nearest))
    along = dx * math.cos(nearest) + dy * math.sin(nearest)
    return across <= TOOTH_WIDTH / 2.0 and along <= TOOTH_TIP


def coverage(px, py):
    inside = 0
    for i in range(SUBSAMPLES):
        for j in range(SUBSAMPLES):
            if in_wheel(px + (i + 0.5) / SUBSAMPLES, py + (j + 0.5) / SUBSAMPLES):
                inside += 1
    return inside / (SUBSAMPLES * SUBSAMPLES)


def draw():
    metal = [[coverage(x, y) >= 0.5 for x in range(SIZE)] for y in range(SIZE)]

    def is_metal(x, y):
        return 0 <= x < SIZE and 0 <= y < SIZE and metal[y][x]

    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            if not metal[y][x]:
                row.append(" ")
                continue
            dx, dy = x + 0.5 - CENTRE, y + 0.5 - CENTRE
            r = math.hypot(dx, dy)
            open_sides = [(ox, oy) for ox, oy in ((-1, 0), (1, 0), (0, -1), (0, 1))
                          if not is_metal(x + ox, y + oy)]
            if open_sides:
                row.append(".")
            elif OUTER_RING[0] <= r < OUTER_RING[1] or INNER_RING[0] <= r < INNER_RING[1]:
                row.append("d")
            else:
                # Bevel: the pixels just inside the outline are lit or
                # shaded by which way the edge next to them faces; its normal
                # points out of the metal, towards the empty pixels nearby.
                near = [(ox, oy) for ox in range(-2, 3) for oy in range(-2, 3)
                        if not is_metal(x + ox, y + oy)]
                ex = sum(ox for ox, _ in near)
                ey = sum(oy for _, oy in near)
                norm = math.hypot(ex, ey)
                facing = (ex * LIGHT[0] + ey * LIGHT[1]) / norm if norm > 0 else 0.0
                if facing > 0.35:
                    row.append("h")
                elif facing < -0.35:
                    row.append("s")
                else:
                    row.append("g")
        rows.append("".join(row))
    return rows


def xpm(rows):
    used = [c for c in PALETTE if any(c in row for row in rows)]
    lines = [f'"{SIZE} {SIZE} {len(used)} 1",']
    for c in used:
        value = PALETTE[c] or "None"
        lines.append(f'"{c} c {value}",')
    lines += [f'"{row}",' for row in rows]
    lines[-1] = lines[-1].rstrip(",")
    return (
        "/* XPM */\n"
        "/* The program icon: a light-grey cog wheel with two darker rings and a\n"
        "   hole in the middle, on a transparent ground. Drawn by\n"
        "   scripts/draw-icon.py. */\n"
        "static const char* const miravel_xpm[] = {\n"
        + "\n".join(lines)
        + "\n};\n"
    )


def png(rows, scale, path):
    width = height = SIZE * scale
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            value = PALETTE[rows[y // scale][x // scale]]
            if value is None:
                grey = 0xFF if ((x // 16) + (y // 16)) % 2 == 0 else 0xD8
                raw += bytes((grey, grey, grey))
            else:
                raw += bytes.fromhex(value[1:])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b""))
    pathlib.Path(path).write_bytes(data)


# --- the desktop icons --------------------------------------------------------

LARGE_SIZES = (128,)  # the larger renderings that the package installs
OUTLINE = 1.0  # outline width, in design pixels
BEVEL = 2.5    # the bevel reaches this far in from the edge, in design pixels
LARGE_SUBSAMPLES = 4  # per axis and output pixel, for smooth edges


def edge_distance(x, y):
    """Signed distance from (x, y), in design pixels, to the edge of the metal:
    negative inside the metal, positive outside (the wheel and each tooth
    measured on their own, which is exact wherever their edge is nearest)."""
    dx, dy = x - CENTRE, y - CENTRE
    r = math.hypot(dx, dy)
    wheel = r - RIM
    step = 2.0 * math.pi / TEETH
    for k in range(TEETH):
        a = k * step
        across = abs(-dx * math.sin(a) + dy * math.cos(a))
        along = dx * math.cos(a) + dy * math.sin(a)
        tooth = max(across - TOOTH_WIDTH / 2.0, r - TOOTH_TIP, -along)
        wheel = min(wheel, tooth)
    return max(wheel, HOLE - r)


def design_colour(x, y):
    """The palette character of the design at the point (x, y)."""
    d = edge_distance(x, y)
    if d > 0.0:
        return " "
    if d > -OUTLINE:
        return "."
    r = math.hypot(x - CENTRE, y - CENTRE)
    if OUTER_RING[0] <= r < OUTER_RING[1] or INNER_RING[0] <= r < INNER_RING[1]:
        return "d"
    if d > -BEVEL:
        # The edge's normal, out of the metal, against the way to the light.
        h = 1e-3
        nx = edge_distance(x + h, y) - edge_distance(x - h, y)
        ny = edge_distance(x, y + h) - edge_distance(x, y - h)
        norm = math.hypot(nx, ny)
        facing = (nx * LIGHT[0] + ny * LIGHT[1]) / norm if norm > 0 else 0.0
        if facing > 0.35:
            return "h"
        if facing < -0.35:
            return "s"
    return "g"


def rgba_of(c):
    value = PALETTE[c]
    if value is None:
        return (0, 0, 0, 0)
    return tuple(bytes.fromhex(value[1:])) + (255,)


def draw_large(size):
    """The design drawn at size x size pixels: rows of (r, g, b, a)."""
    scale = size / SIZE
    n = LARGE_SUBSAMPLES
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            sums = [0, 0, 0, 0]
            for i in range(n):
                for j in range(n):
                    r, g, b, a = rgba_of(design_colour((px + (i + 0.5) / n) / scale,
                                                       (py + (j + 0.5) / n) / scale))
                    sums[0] += r * a
                    sums[1] += g * a
                    sums[2] += b * a
                    sums[3] += a
            alpha = sums[3]
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / alpha) for c in sums[:3]) + (round(alpha / (n * n)),))
        pixels.append(row)
    return pixels


def read_xpm(path):
    """The rows and colours of the XPM file (one character per pixel)."""
    strings = re.findall(r'"([^"]*)"', pathlib.Path(path).read_text())
    width, height, count, per_pixel = (int(v) for v in strings[0].split()[:4])
    if per_pixel != 1:
        raise ValueError("one character per pixel expected")
    colours = {}
    for line in strings[1:1 + count]:
        key, value = line[0], line[1:].split()
        colours[key] = value[value.index("c") + 1]
    rows = strings[1 + count:1 + count + height]
    if len(rows) != height or any(len(row) != width for row in rows):
        raise ValueError("the XPM pixels do not match its size")
    return rows, colours


def xpm_pixels(path):
    rows, colours = read_xpm(path)

    def rgba(c):
        value = colours[c]
        if value.lower() == "none":
            return (0, 0, 0, 0)
        return tuple(bytes.fromhex(value[1:])) + (255,)

    return [[rgba(c) for c in row] for row in rows]


def png_rgba(pixels, path):
    """Writes rows of (r, g, b, a) as an 8-bit RGBA PNG (no time stamp)."""
    height, width = len(pixels), len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    pathlib.Path(path).write_bytes(data)


def write_icons(folder, xpm_path):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    png_rgba(xpm_pixels(xpm_path), folder / f"miravel-{SIZE}.png")
    for size in LARGE_SIZES:
        png_rgba(draw_large(size), folder / f"miravel-{size}.png")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", help="also write an 8 x enlargement to this PNG file")
    parser.add_argument("--icons", metavar="DIR",
                        help="write the package's PNG icons to DIR (and leave the XPM file alone)")
    args = parser.parse_args()
    out = pathlib.Path(__file__).resolve().parent.parent / "src/gui/ui/icons/miravel.xpm"
    if args.icons:
        write_icons(args.icons, out)
        return
    rows = draw()
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(xpm(rows))
    if args.preview:
        png(rows, 8, args.preview)


if __name__ == "__main__":
    main()
