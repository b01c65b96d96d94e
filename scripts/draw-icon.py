#!/usr/bin/env python3
"""Draws the program icon, src/ui/icons/miravel.xpm, from its geometry.

The icon is a light-grey cog wheel on a transparent ground, 32 x 32 pixels in
at most 16 colours: eight square teeth around a rim, two darker rings inside
the wheel and a hole through the middle. Light falls from the upper left, so
edges that face it are lighter and edges that face away are darker.

    scripts/draw-icon.py                  rewrites src/ui/icons/miravel.xpm
    scripts/draw-icon.py --preview F.png  also writes an 8 x enlargement
                                          (transparency as a checkerboard)

The XPM file is the source of record; this script only says how it was made.
"""

import argparse
import math
import pathlib
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", help="also write an 8 x enlargement to this PNG file")
    args = parser.parse_args()
    rows = draw()
    out = pathlib.Path(__file__).resolve().parent.parent / "src/ui/icons/miravel.xpm"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(xpm(rows))
    if args.preview:
        png(rows, 8, args.preview)


if __name__ == "__main__":
    main()
