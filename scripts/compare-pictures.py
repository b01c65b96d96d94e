#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Compares the pictures of the same screens rendered by two builds of the
picture tool (window-shots --geometry), say on Linux and under Wine.

    scripts/compare-pictures.py REFERENCE_DIR OTHER_DIR NAME...

For each NAME (without .png) both folders hold NAME.png and NAME.geometry.
The screens must have the same geometry and may differ only in the glyphs
of their texts (another font renderer draws them a little differently):

  - the pictures are of the same size;
  - every control is where it is in the reference, of the same height,
    and of the same width or within --width-slack pixels of it (a label
    sized to its text is as wide as its glyphs): the .geometry listings
    (objectName x y width height, one per visible control) agree;
  - the pictures differ in few pixels (at most --max-changed, a fraction);
  - the other picture has its texts: it holds at least --min-ink of the
    reference's dark pixels (a build without fonts draws none).

Prints what it found for every screen; exits 1 when a screen fails.
"""

import argparse
import sys

from PIL import Image, ImageChops


def dark_pixels(image):
    """Pixels darker than mid-grey: the texts, and the frames' dark lines."""
    return sum(1 for v in image.convert("L").getdata() if v < 96)


def same_places(reference, other, width_slack):
    """The same controls in the same order, at the same places and of the
    same heights; widths equal, or within width_slack pixels (a label sized
    to its text is as wide as its glyphs)."""
    if len(reference) != len(other):
        return False
    for a, b in zip(reference, other):
        name_a, *box_a = a.split()
        name_b, *box_b = b.split()
        if name_a != name_b or len(box_a) != 4 or len(box_b) != 4:
            return False
        (xa, ya, wa, ha), (xb, yb, wb, hb) = map(int, box_a), map(int, box_b)
        if (xa, ya, ha) != (xb, yb, hb) or abs(wa - wb) > width_slack:
            return False
    return True


def compare(reference_dir, other_dir, name, max_changed, min_ink, width_slack):
    problems = []
    with open(f"{reference_dir}/{name}.geometry", encoding="utf-8") as f:
        reference_geometry = f.read().splitlines()
    with open(f"{other_dir}/{name}.geometry", encoding="utf-8") as f:
        other_geometry = f.read().splitlines()
    if not reference_geometry:
        problems.append("the reference lists no control")
    if not same_places(reference_geometry, other_geometry, width_slack):
        ref, oth = set(reference_geometry), set(other_geometry)
        for line in reference_geometry:
            if line not in oth:
                problems.append(f"reference: {line}")
        for line in other_geometry:
            if line not in ref:
                problems.append(f"other:     {line}")
        if not problems:
            problems.append("the controls are listed in another order")

    reference = Image.open(f"{reference_dir}/{name}.png").convert("RGB")
    other = Image.open(f"{other_dir}/{name}.png").convert("RGB")
    if reference.size != other.size:
        problems.append(f"size {other.size[0]}x{other.size[1]}, "
                        f"the reference is {reference.size[0]}x{reference.size[1]}")
        return problems, None

    difference = ImageChops.difference(reference, other).convert("L")
    changed = sum(1 for v in difference.getdata() if v > 24)
    total = reference.size[0] * reference.size[1]
    ink_reference, ink_other = dark_pixels(reference), dark_pixels(other)
    if changed > max_changed * total:
        problems.append(f"{changed} of {total} pixels differ ({100 * changed / total:.1f} %), "
                        f"more than {100 * max_changed:.0f} %")
    if ink_other < min_ink * ink_reference:
        problems.append(f"{ink_other} dark pixels, the reference has {ink_reference}: texts are missing")
    summary = (f"{reference.size[0]}x{reference.size[1]}, {len(reference_geometry)} controls in place, "
               f"{changed} pixels differ ({100 * changed / total:.1f} %), "
               f"dark pixels {ink_other} against {ink_reference}")
    return problems, summary


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("reference_dir")
    parser.add_argument("other_dir")
    parser.add_argument("names", nargs="+")
    parser.add_argument("--max-changed", type=float, default=0.08)
    parser.add_argument("--min-ink", type=float, default=0.6)
    parser.add_argument("--width-slack", type=int, default=8)
    args = parser.parse_args()
    failed = False
    for name in args.names:
        try:
            problems, summary = compare(args.reference_dir, args.other_dir, name, args.max_changed, args.min_ink,
                                        args.width_slack)
        except OSError as e:
            problems, summary = [str(e)], None
        if problems:
            failed = True
            print(f"{name}: DIFFERENT")
            for p in problems:
                print(f"  {p}")
        else:
            print(f"{name}: same geometry; {summary}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
