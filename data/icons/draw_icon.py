#!/usr/bin/env python3
"""Draws the application icon: a heart of seven-by-seven square LEDs, one rainbow hue per
column as the message stick shows it, on a dark rounded tile.

Writes the scalable icon and the PNG sizes of the hicolor theme from the same geometry, with
the standard library only (the PNGs are rasterised here, not converted from the SVG):
    python3 data/icons/draw_icon.py            # writes into data/icons/
    python3 data/icons/draw_icon.py OUT_DIR
"""

import colorsys
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources"))
from png_writer import write_png  # noqa: E402

APP_ID = "org.sweeplight.Sweeplight"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256, 512)
HEART = (
    ".##.##.",
    "#######",
    "#######",
    "#######",
    ".#####.",
    "..###..",
    "...#...",
)
# Geometry on a 128-unit canvas.
UNITS = 128.0
TILE_MARGIN = 4.0
TILE_RADIUS = 24.0
TILE_COLOR = (0x14, 0x14, 0x1C)
PITCH = 15.0
LED = 12.0
LED_RADIUS = 2.0
GRID_LEFT = (UNITS - (PITCH * 6 + LED)) / 2
GRID_TOP = GRID_LEFT + 2


def column_color(column):
    red, green, blue = colorsys.hls_to_rgb(column / 7.0, 0.55, 1.0)
    return tuple(int(round(channel * 255)) for channel in (red, green, blue))


def leds():
    for row, line in enumerate(HEART):
        for column, mark in enumerate(line):
            if mark == "#":
                yield GRID_LEFT + column * PITCH, GRID_TOP + row * PITCH, column_color(column)


def rounded_box_distance(px, py, left, top, size, radius):
    """Signed distance from a point to a rounded square (negative inside)."""
    half = size / 2
    dx = abs(px - (left + half)) - (half - radius)
    dy = abs(py - (top + half)) - (half - radius)
    outside = (max(dx, 0.0) ** 2 + max(dy, 0.0) ** 2) ** 0.5
    return outside + min(max(dx, dy), 0.0) - radius


def svg():
    parts = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">',
        '  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="#%02x%02x%02x"/>'
        % ((TILE_MARGIN, TILE_MARGIN, UNITS - 2 * TILE_MARGIN, UNITS - 2 * TILE_MARGIN, TILE_RADIUS)
           + TILE_COLOR),
    ]
    for x, y, color in leds():
        parts.append('  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="#%02x%02x%02x"/>'
                     % ((x, y, LED, LED, LED_RADIUS) + color))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def raster(size):
    scale = size / UNITS
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    shapes = [(TILE_MARGIN, TILE_MARGIN, UNITS - 2 * TILE_MARGIN, TILE_RADIUS, TILE_COLOR)]
    shapes += [(x, y, LED, LED_RADIUS, color) for x, y, color in leds()]
    for left, top, extent, radius, color in shapes:
        x0, y0 = max(0, int(left * scale) - 1), max(0, int(top * scale) - 1)
        x1 = min(size, int((left + extent) * scale) + 2)
        y1 = min(size, int((top + extent) * scale) + 2)
        for py in range(y0, y1):
            for px in range(x0, x1):
                distance = rounded_box_distance((px + 0.5) / scale, (py + 0.5) / scale, left, top,
                                                extent, radius) * scale
                coverage = min(1.0, max(0.0, 0.5 - distance))
                if coverage <= 0:
                    continue
                r, g, b, a = pixels[py][px]
                alpha = coverage + a / 255 * (1 - coverage)
                blend = [(c * coverage + d * (a / 255) * (1 - coverage)) / alpha
                         for c, d in zip(color, (r, g, b))]
                pixels[py][px] = tuple(int(round(v)) for v in blend) + (int(round(alpha * 255)),)
    return pixels


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, APP_ID + ".svg"), "w") as handle:
        handle.write(svg())
    for size in SIZES:
        folder = os.path.join(out, "%dx%d" % (size, size))
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, APP_ID + ".png"), size, size, raster(size))


if __name__ == "__main__":
    main()
