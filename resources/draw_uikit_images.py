#!/usr/bin/env python3
"""Draws uikit's two button backgrounds: "blueButton.png" (a dark button at rest) and
"whiteButton.png" (the same button while pressed).

Standard library only:
    python3 resources/draw_uikit_images.py            # writes into resources/uikit/
    python3 resources/draw_uikit_images.py OUT_DIR

Buttons stretch these images with a left cap of 12 columns and a top cap of 25 rows: column 12
and row 25 are the ones repeated, so the images are 25 wide (12 + 1 + 12) and 40 high
(25 + 1 + 14), rounded at the corners and shaded from top to bottom.
"""

import os
import sys

from png_writer import write_png

WIDTH, HEIGHT = 25, 40
RADIUS = 8.0
SUPERSAMPLE = 4


def inside_rounded_rect(x, y, inset):
    left, top = inset, inset
    right, bottom = WIDTH - inset, HEIGHT - inset
    radius = RADIUS - inset
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and left <= x <= right and top <= y <= bottom


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def draw(top, bottom, border, highlight):
    pixels = []
    for row in range(HEIGHT):
        line = []
        t = row / (HEIGHT - 1)
        fill = mix(top, bottom, t)
        if row < 3:
            fill = mix(highlight, fill, row / 3)
        for column in range(WIDTH):
            covered_outer = covered_inner = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = column + (sx + 0.5) / SUPERSAMPLE
                    y = row + (sy + 0.5) / SUPERSAMPLE
                    if inside_rounded_rect(x, y, 0.0):
                        covered_outer += 1
                        if inside_rounded_rect(x, y, 1.0):
                            covered_inner += 1
            samples = SUPERSAMPLE * SUPERSAMPLE
            if covered_outer == 0:
                line.append((0, 0, 0, 0))
                continue
            inner = covered_inner / covered_outer
            colour = mix(border, fill, inner)
            line.append(colour + (round(255 * covered_outer / samples),))
        pixels.append(line)
    return pixels


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "uikit")
    os.makedirs(out_dir, exist_ok=True)
    write_png(os.path.join(out_dir, "blueButton.png"), WIDTH, HEIGHT,
              draw(top=(92, 146, 226), bottom=(22, 72, 168), border=(14, 42, 104),
                   highlight=(170, 204, 245)))
    write_png(os.path.join(out_dir, "whiteButton.png"), WIDTH, HEIGHT,
              draw(top=(255, 255, 255), bottom=(212, 214, 220), border=(130, 134, 142),
                   highlight=(255, 255, 255)))


if __name__ == "__main__":
    main()
