#!/usr/bin/env python3
"""Draws the wave display's own picture: the hint "wavePhone.png" that asks the user to wave the
phone, shown at the top-left corner of the display (320 points wide).

Standard library only:
    python3 resources/draw_display_images.py            # writes into resources/display/
    python3 resources/draw_display_images.py OUT_DIR
"""

import math
import os
import sys

from png_writer import write_png

WIDTH, HEIGHT = 320, 150


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def set(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color

    def rounded_rect(self, x0, y0, x1, y1, radius, color):
        for y in range(y0, y1):
            for x in range(x0, x1):
                cx = min(max(x, x0 + radius), x1 - 1 - radius)
                cy = min(max(y, y0 + radius), y1 - 1 - radius)
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.set(x, y, color)

    def triangle(self, a, b, c, color):
        xs, ys = [p[0] for p in (a, b, c)], [p[1] for p in (a, b, c)]

        def side(p, q, r):
            return (r[0] - p[0]) * (q[1] - p[1]) - (r[1] - p[1]) * (q[0] - p[0])

        for y in range(int(min(ys)), int(max(ys)) + 1):
            for x in range(int(min(xs)), int(max(xs)) + 1):
                p = (x + 0.5, y + 0.5)
                s = (side(a, b, p), side(b, c, p), side(c, a, p))
                if all(v >= 0 for v in s) or all(v <= 0 for v in s):
                    self.set(x, y, color)

    def arc(self, cx, cy, radius, start, end, thickness, color):
        for y in range(int(cy - radius - thickness), int(cy + radius + thickness) + 1):
            for x in range(int(cx - radius - thickness), int(cx + radius + thickness) + 1):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                angle = math.degrees(math.atan2(cy - (y + 0.5), x + 0.5 - cx)) % 360
                if abs(d - radius) <= thickness / 2 and start <= angle <= end:
                    self.set(x, y, color)


# The display's own letterforms for the few letters of the hint, 7 rows each.
LETTERS = {
    "w": ["#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", "##.##", "#...#"],
    "a": ["####", "#..#", "#..#", "####", "#..#", "#..#", "#..#"],
    "v": ["#...#", "#...#", "#...#", "#...#", ".#..#", "..#.#", "...#."],
    "e": ["####", "#...", "#...", "####", "#...", "#...", "####"],
    "!": [".#", ".#", ".#", ".#", ".#", "..", ".#"],
}


def text(canvas, word, top, cell, color):
    width = sum(len(LETTERS[c][0]) + 1 for c in word) - 1
    x = (canvas.width - width * cell) // 2
    for c in word:
        glyph = LETTERS[c]
        for row, line in enumerate(glyph):
            for column, bit in enumerate(line):
                if bit == "#":
                    for dy in range(cell - 1):
                        for dx in range(cell - 1):
                            canvas.set(x + column * cell + dx, top + row * cell + dy, color)
        x += (len(glyph[0]) + 1) * cell


def wave_phone():
    canvas = Canvas(WIDTH, HEIGHT)
    panel = (0, 0, 0, 190)
    white = (255, 255, 255, 255)
    accent = (255, 60, 40, 255)
    canvas.rounded_rect(8, 8, WIDTH - 8, HEIGHT - 8, 16, panel)
    # The phone, upright, with a lit bar on its screen.
    canvas.rounded_rect(138, 20, 182, 96, 8, white)
    canvas.rounded_rect(142, 30, 178, 84, 2, (20, 20, 20, 255))
    canvas.rounded_rect(156, 34, 162, 80, 1, accent)
    canvas.rounded_rect(155, 87, 165, 93, 3, (140, 140, 140, 255))
    # Swing marks and arrows to both sides.
    for radius in (60, 72):
        canvas.arc(160, 140, radius, 110, 160, 3, white)
        canvas.arc(160, 140, radius, 20, 70, 3, white)
    canvas.triangle((70, 96), (92, 80), (95, 104), accent)
    canvas.triangle((250, 96), (228, 80), (225, 104), accent)
    text(canvas, "wave!", 108, 4, white)
    return canvas


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "display")
    os.makedirs(out_dir, exist_ok=True)
    canvas = wave_phone()
    write_png(os.path.join(out_dir, "wavePhone.png"), canvas.width, canvas.height, canvas.pixels)


if __name__ == "__main__":
    main()
