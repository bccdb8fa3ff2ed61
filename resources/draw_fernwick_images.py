#!/usr/bin/env python3
"""Draws the service client's branding image, fernwick/powered_by.png (112 x 17).

Run from this folder: python3 draw_fernwick_images.py. Needs only the standard library.
"""
from png_writer import write_png

WIDTH, HEIGHT = 112, 17

# A 3 x 5 pixel font for the few letters the badge uses.
FONT = {
    "p": ["111", "101", "111", "100", "100"],
    "o": ["000", "111", "101", "101", "111"],
    "w": ["000", "101", "101", "111", "101"],
    "e": ["111", "101", "111", "100", "111"],
    "r": ["000", "111", "100", "100", "100"],
    "d": ["001", "001", "111", "101", "111"],
    "b": ["100", "100", "111", "101", "111"],
    "y": ["101", "101", "111", "001", "111"],
    "F": ["111", "100", "110", "100", "100"],
    "E": ["111", "100", "110", "100", "111"],
    "R": ["110", "101", "110", "101", "101"],
    "N": ["101", "111", "111", "111", "101"],
    "W": ["101", "101", "111", "111", "101"],
    "I": ["111", "010", "010", "010", "111"],
    "C": ["111", "100", "100", "100", "111"],
    "K": ["101", "110", "100", "110", "101"],
    " ": ["000", "000", "000", "000", "000"],
}

BACKGROUND = (24, 64, 40, 255)
BORDER = (120, 200, 140, 255)
SMALL_TEXT = (200, 230, 210, 255)
LARGE_TEXT = (255, 255, 255, 255)
LEAF = (110, 210, 120, 255)


def blank():
    return [[(0, 0, 0, 0)] * WIDTH for _ in range(HEIGHT)]


def rounded_badge(pixels):
    for y in range(HEIGHT):
        for x in range(WIDTH):
            corner = (x in (0, WIDTH - 1)) and (y in (0, HEIGHT - 1))
            if corner:
                continue
            edge = x in (0, WIDTH - 1) or y in (0, HEIGHT - 1)
            pixels[y][x] = BORDER if edge else BACKGROUND


def text(pixels, left, top, words, colour, scale=1):
    x = left
    for letter in words:
        glyph = FONT[letter]
        for row, bits in enumerate(glyph):
            for column, bit in enumerate(bits):
                if bit != "1":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        pixels[top + row * scale + dy][x + column * scale + dx] = colour
        x += (len(glyph[0]) + 1) * scale
    return x


def leaf(pixels, left, top):
    shape = ["00110", "01111", "11111", "11110", "01100", "10000"]
    for row, bits in enumerate(shape):
        for column, bit in enumerate(bits):
            if bit == "1":
                pixels[top + row][left + column] = LEAF


def main():
    pixels = blank()
    rounded_badge(pixels)
    leaf(pixels, 4, 5)
    x = text(pixels, 12, 6, "powered by", SMALL_TEXT)
    text(pixels, x + 4, 6, "FERNWICK", LARGE_TEXT)
    write_png("fernwick/powered_by.png", WIDTH, HEIGHT, pixels)


if __name__ == "__main__":
    main()
