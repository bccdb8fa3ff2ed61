#!/usr/bin/env python3
"""Draws the application's own pictures: the intro frames, the start button, the colour wheel
and the seventeen pixel-art pictures the chooser sweeps through the air.

Standard library only, so the images can be regenerated anywhere:
    python3 resources/draw_app_images.py            # writes into resources/app/
    python3 resources/draw_app_images.py OUT_DIR

The pictures are deliberately tiny (16 rows): the display turns every picture row into one LED,
480 / 16 = 30 pixels high, and every picture column into one frame of the sweep.
"""

import colorsys
import math
import os
import sys

from png_writer import write_png


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[fill for _ in range(width)] for _ in range(height)]

    def set(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color

    def get(self, x, y):
        return self.pixels[y][x]

    def rect(self, x0, y0, x1, y1, color):
        """Fills x0..x1-1, y0..y1-1."""
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = color

    def disc(self, cx, cy, radius, color):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius:
                    self.pixels[y][x] = color

    def grid(self, rows, palette, x0=0, y0=0):
        """Draws an ASCII grid; '.' and ' ' leave the pixel alone."""
        for dy, line in enumerate(rows):
            for dx, key in enumerate(line):
                if key in ". ":
                    continue
                self.set(x0 + dx, y0 + dy, palette[key])

    def save(self, path):
        write_png(path, self.width, self.height, self.pixels)


# --- Pixel-art pictures (16 rows each) ---------------------------------------------------------

CLEAR = (0, 0, 0, 0)
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
YELLOW = (255, 220, 0, 255)
RED = (235, 20, 30, 255)
DARK_RED = (150, 0, 10, 255)
PINK = (255, 110, 170, 255)
GREEN = (40, 200, 40, 255)
DARK_GREEN = (10, 120, 20, 255)
BROWN = (130, 75, 25, 255)
LIGHT_BROWN = (180, 115, 50, 255)
AMBER = (255, 170, 0, 255)
FOAM = (255, 250, 230, 255)
BLUE = (40, 120, 255, 255)
CYAN = (80, 220, 255, 255)
ORANGE = (255, 120, 0, 255)


def face(mouth, eyes="dots", color=YELLOW, horns=False, size=16):
    """A round face; the features are drawn on a 16 x 16 grid."""
    canvas = Canvas(size, size)
    canvas.disc(8, 8, 7.6, color)
    palette = {"#": BLACK, "r": RED, "w": WHITE, "p": PINK, "h": DARK_RED}
    features = {
        "dots": ["....##....##....", "....##....##...."],
        "wide": ["...###....###...", "...#w#....#w#...", "...###....###..."],
        "wink": ["...###..........", "....#.....###..."],
        "mean": ["...#........#...", "....##....##....", ".....#....#....."],
    }[eyes]
    canvas.grid(features, palette, 0, 4 if eyes != "mean" else 3)
    mouths = {
        "smile": ["...#........#...", "....#......#....", ".....######....."],
        "big": ["...##########...", "...#wwwwwwww#...", "....#rrrrrr#....", ".....######....."],
        "small": ["......#..#......", ".......##......."],
        "flat": ["....########...."],
        "frown": [".....######.....", "....#......#....", "...#........#..."],
        "tongue": ["...##########...", "....#..pp..#....", "......pppp......", "......pppp......",
                   ".......pp......."],
        "grin": ["...#........#...", "....#########...", ".....#wwwwww....", "......####......"],
    }[mouth]
    canvas.grid(mouths, palette, 0, 10 if mouth not in ("flat",) else 11)
    if horns:
        canvas.grid(["..h..........h..", ".hh..........hh.", ".hhh........hhh."], palette, 0, 0)
    return canvas


def heart(broken=False):
    canvas = Canvas(17, 16)
    rows = [
        ".................",
        "...####...####...",
        "..######.######..",
        ".###############.",
        ".###############.",
        ".###############.",
        ".###############.",
        "..#############..",
        "...###########...",
        "....#########....",
        ".....#######.....",
        "......#####......",
        ".......###.......",
        "........#........",
        ".................",
        ".................",
    ]
    canvas.grid(rows, {"#": RED})
    if broken:
        crack = [(8, 2), (7, 3), (8, 4), (9, 5), (8, 6), (7, 7), (8, 8), (9, 9), (8, 10), (8, 11),
                 (8, 12)]
        for x, y in crack:
            canvas.set(x, y, CLEAR)
            canvas.set(x + 1 if y % 2 else x - 1, y, DARK_RED)
    return canvas


def star():
    canvas = Canvas(17, 16)
    cx, cy = 8.5, 8.6
    points = []
    for i in range(10):
        radius = 8.2 if i % 2 == 0 else 3.4
        angle = -math.pi / 2 + i * math.pi / 5
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    for y in range(16):
        for x in range(17):
            if inside(points, x + 0.5, y + 0.5):
                canvas.set(x, y, YELLOW)
    return canvas


def inside(polygon, px, py):
    result = False
    j = len(polygon) - 1
    for i in range(len(polygon)):
        xi, yi = polygon[i]
        xj, yj = polygon[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def from_grid(rows, palette):
    canvas = Canvas(len(rows[0]), len(rows))
    canvas.grid(rows, palette)
    return canvas


def cake():
    return from_grid([
        "......y...y.....",
        "......o...o.....",
        "......w...w.....",
        "......w...w.....",
        "...pppppppppp...",
        "..pwpwpwpwpwpp..",
        "..bbbbbbbbbbbb..",
        "..bbbbbbbbbbbb..",
        "..pppppppppppp..",
        "..bbbbbbbbbbbb..",
        "..bbbbbbbbbbbb..",
        "..bbbbbbbbbbbb..",
        ".gggggggggggggg.",
        "................",
        "................",
        "................",
    ], {"y": YELLOW, "o": ORANGE, "w": WHITE, "p": PINK, "b": LIGHT_BROWN, "g": (200, 200, 200, 255)})


def rose():
    return from_grid([
        "....rrrrrr......",
        "...rrdrrdrr.....",
        "..rrrrddrrrr....",
        "..rdrrrrrrdr....",
        "..rrrdddrrrr....",
        "...rrrrrrrr.....",
        "....rrrrrr......",
        "......g.........",
        "......g...ll....",
        "......g..lll....",
        "......gglll.....",
        "..ll..g.........",
        "..llllg.........",
        "...lllg.........",
        "......g.........",
        "......g.........",
    ], {"r": RED, "d": DARK_RED, "g": DARK_GREEN, "l": GREEN})


def beer():
    return from_grid([
        "................",
        "..ffffffffff....",
        ".ffffffffffff...",
        ".ffffffffffff...",
        ".gaaaaaaaaaag...",
        ".gaaaaaaaaaaggg.",
        ".gawaaaaaaaag.g.",
        ".gaawaaaaaaag.g.",
        ".gaaaaaaaaaag.g.",
        ".gaaaaawaaaag.g.",
        ".gaaaaaaaaaaggg.",
        ".gaawaaaaaaag...",
        ".gaaaaaaaaaag...",
        ".gggggggggggg...",
        "................",
        "................",
    ], {"f": FOAM, "a": AMBER, "w": YELLOW, "g": (190, 210, 230, 255)})


def drink():
    return from_grid([
        "...........s....",
        "..........s.....",
        ".gggggggggsggg..",
        "..gcccccccsgg...",
        "...gcccccsgg....",
        "....gcccscg.....",
        ".....gcccg......",
        "......gcg.......",
        ".......g........",
        ".......g........",
        ".......g........",
        ".......g........",
        ".......g........",
        ".....ggggg......",
        "................",
        "................",
    ], {"g": (200, 220, 240, 255), "c": CYAN, "s": PINK})


def poo():
    return from_grid([
        "........b.......",
        ".......bb.......",
        "......bbbb......",
        ".....bbbbbb.....",
        "....bbbbbbbb....",
        "....llllllll....",
        "...bbbbbbbbbb...",
        "..bbwwbbbbwwbb..",
        "..bbw#bbbbw#bb..",
        ".llllllllllllll.",
        ".bbbbb####bbbbb.",
        "bbbbbbb##bbbbbbb",
        "bbbbbbbbbbbbbbbb",
        ".bbbbbbbbbbbbbb.",
        "................",
        "................",
    ], {"b": BROWN, "l": LIGHT_BROWN, "w": WHITE, "#": BLACK})


def apple():
    return from_grid([
        ".........g......",
        "........gg......",
        ".......gg.......",
        "....rrr.g.rrr...",
        "..rrrrrrrrrrrrr.",
        ".rrrrrrrrrrrrrr.",
        ".rrwrrrrrrrrrrr.",
        ".rrwrrrrrrrrrr..",
        ".rrrrrrrrrrrrr..",
        ".rrrrrrrrrrrrrr.",
        ".rrrrrrrrrrrrrr.",
        "..rrrrrrrrrrrr..",
        "...rrrrrrrrrr...",
        "....rrr..rrr....",
        "................",
        "................",
    ], {"r": GREEN, "w": WHITE, "g": BROWN})


def pacman():
    canvas = Canvas(16, 16)
    for y in range(16):
        for x in range(16):
            dx, dy = x + 0.5 - 8, y + 0.5 - 8
            if dx * dx + dy * dy > 7.6 ** 2:
                continue
            if dx > 0 and abs(dy) < dx * 0.75:
                continue  # the open mouth
            canvas.set(x, y, YELLOW)
    canvas.set(8, 4, BLACK)
    canvas.set(8, 3, BLACK)
    return canvas


def pictures():
    return {
        "heart.png": heart(),
        "happy_1.png": face("big", "wide"),
        "devil2.png": face("grin", "mean", color=RED, horns=True),
        "star.png": star(),
        "tonge_2.png": face("tongue", "wink"),
        "plain_face2.png": face("flat"),
        "happy_face_sm2.png": face("small"),
        "frown_2.png": face("frown"),
        "smile_3.png": face("smile"),
        "cake2.png": cake(),
        "rose2.png": rose(),
        "beer.png": beer(),
        "heart_break.png": heart(broken=True),
        "drink.png": drink(),
        "poo.png": poo(),
        "apple.png": apple(),
        "pacman.png": pacman(),
    }


# --- Colour wheel ------------------------------------------------------------------------------

def colour_wheel(width=282, height=92):
    """Hue runs left to right; the top fades to white, the bottom to black. Rounded corners stay
    transparent, which the picker reads as black."""
    canvas = Canvas(width, height)
    radius = 8
    for y in range(height):
        for x in range(width):
            cx = min(max(x, radius), width - 1 - radius)
            cy = min(max(y, radius), height - 1 - radius)
            if (x - cx) ** 2 + (y - cy) ** 2 > radius * radius:
                continue
            hue = x / (width - 1)
            t = y / (height - 1)
            if t < 0.5:
                lightness = 1.0 - t  # 1.0 (white) down to 0.5 (full colour)
            else:
                lightness = 1.0 - t  # 0.5 down to 0.0 (black)
            r, g, b = colorsys.hls_to_rgb(hue, lightness, 1.0)
            canvas.set(x, y, (round(r * 255), round(g * 255), round(b * 255), 255))
    return canvas


# --- Intro frames and the start button ---------------------------------------------------------

FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "!": ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    ".": ["00000", "00000", "00000", "00000", "00000", "00000", "00100"],
    " ": ["00000"] * 7,
}


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_text(canvas, text, x0, y0, scale, color):
    for index, char in enumerate(text):
        glyph = FONT[char]
        for row, bits in enumerate(glyph):
            for col, bit in enumerate(bits):
                if bit == "1":
                    x = x0 + (index * 6 + col) * scale
                    y = y0 + row * scale
                    canvas.rect(x, y, x + scale, y + scale, color)


def draw_centered(canvas, text, y0, scale, color):
    draw_text(canvas, text, (canvas.width - text_width(text, scale)) // 2, y0, scale, color)


def vertical_gradient(canvas, top, bottom, y0=0, y1=None):
    y1 = canvas.height if y1 is None else y1
    for y in range(y0, y1):
        t = (y - y0) / max(1, y1 - y0 - 1)
        color = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)) + (255,)
        canvas.rect(0, y, canvas.width, y + 1, color)


def phone(canvas, x0, y0, tilt_offset, lit_row_colors):
    """A phone 60 x 110 seen from the front, showing one column of seven LEDs."""
    body = (70, 70, 80, 255)
    canvas.rect(x0 + tilt_offset, y0, x0 + tilt_offset + 60, y0 + 110, body)
    canvas.rect(x0 + tilt_offset + 5, y0 + 12, x0 + tilt_offset + 55, y0 + 96, BLACK)
    for row, color in enumerate(lit_row_colors):
        if color:
            y = y0 + 16 + row * 11
            canvas.rect(x0 + tilt_offset + 25, y, x0 + tilt_offset + 35, y + 9, color)


def splash_frame(number):
    canvas = Canvas(320, 480)
    vertical_gradient(canvas, (10, 10, 40), (0, 0, 0))
    draw_centered(canvas, "SWEEPLIGHT", 24, 4, (255, 220, 0, 255))
    draw_centered(canvas, "1. TYPE A MESSAGE", 80, 2, WHITE)
    draw_centered(canvas, "2. WAVE YOUR PHONE", 104, 2, WHITE)
    draw_centered(canvas, "3. READ IT IN THE AIR", 128, 2, WHITE)

    # The message the onlooker sees, dotted like LEDs, growing from frame 1 to frame 2.
    word = "HEY!"
    shown = word[:2] if number == 1 else word
    scale = 6
    dots = Canvas(text_width(word, scale), 7 * scale)
    draw_text(dots, shown, 0, 0, scale, RED)
    left = (320 - dots.width) // 2
    for y in range(dots.height):
        for x in range(dots.width):
            if dots.get(x, y)[3] and (x % scale) in (1, 2, 3, 4) and (y % scale) in (1, 2, 3, 4):
                canvas.set(left + x, 190 + y, dots.get(x, y))

    # The phone swinging: to the left in frame 1, to the right in frame 2.
    column = [RED if bit == "1" else None for bit in "1111111"]
    phone(canvas, 130, 260, -70 if number == 1 else 70, column)
    arrow_y = 385
    for i in range(11):
        x = 110 + i * 10
        canvas.rect(x, arrow_y, x + 6, arrow_y + 4, (120, 120, 160, 255))
    head_x = 100 if number == 1 else 224
    direction = -1 if number == 1 else 1
    for i in range(6):
        canvas.rect(head_x + direction * -i, arrow_y - i, head_x + direction * -i + 2, arrow_y + 4 + i,
                    (120, 120, 160, 255))
    return canvas


def start_button(pressed):
    canvas = Canvas(320, 79)
    if pressed:
        vertical_gradient(canvas, (0, 90, 20), (0, 150, 40))
    else:
        vertical_gradient(canvas, (60, 220, 80), (0, 120, 30))
    canvas.rect(0, 0, 320, 2, (200, 255, 200, 255) if not pressed else (0, 60, 10, 255))
    draw_centered(canvas, "START", 22, 5, WHITE if not pressed else (200, 230, 200, 255))
    return canvas


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "app")
    os.makedirs(out_dir, exist_ok=True)
    images = dict(pictures())
    images["colorWheel.png"] = colour_wheel()
    images["splash_frame_1.png"] = splash_frame(1)
    images["splash_frame_2.png"] = splash_frame(2)
    images["start_fun.png"] = start_button(False)
    images["start_fun_down.png"] = start_button(True)
    for name, canvas in sorted(images.items()):
        canvas.save(os.path.join(out_dir, name))
    print(f"wrote {len(images)} images to {out_dir}")


if __name__ == "__main__":
    main()
