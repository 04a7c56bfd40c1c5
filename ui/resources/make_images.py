#!/usr/bin/env python3
"""Builds the program's icon (app.ico) and logo bitmap (logo.bmp) from the pixel maps below.

The generated files are committed, so that a build needs no Python; the resource tests run this
script into a scratch folder and compare its output with the committed files byte for byte.

usage: make_images.py [--out-dir DIR]   (default: the folder of this script)
"""

import argparse
import pathlib
import struct

# The standard 16-colour palette, as (red, green, blue).
PALETTE_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, SILVER, GREY, RED, BLUE, WHITE = 0, 4, 7, 8, 9, 12, 15

# Letters of the icon maps; '.' is transparent (colour 0 with the AND-mask bit set).
ICON_COLOURS = {"K": BLACK, "N": NAVY, "S": SILVER, "G": GREY, "R": RED, "B": BLUE, "W": WHITE}

# 32 x 32: "I2C" in red on a blue band across the middle.
ICON_32 = [
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN",
    "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB",
    "BBBRRRRRRBBBRRRRRRBBBBBRRRRRBBBB",
    "BBBRRRRRRBBRRRRRRRRBBBRRRRRRRBBB",
    "BBBBBRRBBBBRRBBBBRRBBRRRBBBRRBBB",
    "BBBBBRRBBBBBBBBBBRRBBRRBBBBBBBBB",
    "BBBBBRRBBBBBBBBBRRRBBRRBBBBBBBBB",
    "BBBBBRRBBBBBBBBRRRBBBRRBBBBBBBBB",
    "BBBBBRRBBBBBBBRRRBBBBRRBBBBBBBBB",
    "BBBBBRRBBBBBBRRRBBBBBRRBBBBBBBBB",
    "BBBBBRRBBBBBRRRBBBBBBRRBBBBBBBBB",
    "BBBBBRRBBBBRRRBBBBBBBRRRBBBRRBBB",
    "BBBRRRRRRBBRRRRRRRRBBBRRRRRRRBBB",
    "BBBRRRRRRBBRRRRRRRRBBBBRRRRRBBBB",
    "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB",
    "NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
]

# 16 x 16: a generic application window with a title bar, text lines and a scroll bar.
ICON_16 = [
    "................",
    ".KKKKKKKKKKKKKK.",
    ".KNNNNNNNNNWNWK.",
    ".KNNNNNNNNNNNNK.",
    ".KKKKKKKKKKKKKK.",
    ".KWWWWWWWWWWWSK.",
    ".KWGGGGGGWWWWSK.",
    ".KWWWWWWWWWWWSK.",
    ".KWGGGGGGGGWWSK.",
    ".KWWWWWWWWWWWSK.",
    ".KWGGGGGWWWWWSK.",
    ".KWWWWWWWWWWWSK.",
    ".KWGGGGGGGWWWSK.",
    ".KWWWWWWWWWWWSK.",
    ".KKKKKKKKKKKKKK.",
    "................",
]

# A 5 x 7 pixel font with the letters the logo uses.
FONT_5X7 = {
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "k": ["#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "s": [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
}

# The logo's two bus lines, one character per 4 pixels ('1' high, '0' low): a start condition
# (SDA falls while SCL is high), seven bits that change while SCL is low, and a stop condition
# (SDA rises while SCL is high).
SCL_WAVE = "111111" + "0011" * 7 + "111"
SDA_WAVE = "1111" + "000" + "1111" + "0000" + "1111" + "1111" + "0000" + "0000" + "0000" + "11"

LOGO_WIDTH, LOGO_HEIGHT = 184, 81
WAVE_STEP = 4

# Logo palette: the 16 standard colours, then one background shade per row, the rest unused.
LOGO_BACKGROUND_FIRST = 16
LOGO_SHADOW, LOGO_WORDMARK, LOGO_SCL, LOGO_SDA, LOGO_TEXT = SILVER, NAVY, BLUE, RED, GREY


def logo_palette():
    palette = list(PALETTE_16)
    for row in range(LOGO_HEIGHT):
        # From white at the top to a light blue at the bottom.
        fade = row * 56 // (LOGO_HEIGHT - 1)
        palette.append((255 - fade, 255 - fade // 2, 255))
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette


def rgbquads(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)


def bitmap_info_header(width, height, bits, image_size, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0,
                       colours_used, 0)


def row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_rows_bottom_up(pixels, width, bits):
    """Packs rows of palette indexes (or mask bits) into a bottom-up DIB pixel array."""
    stride = row_stride(width, bits)
    data = bytearray()
    for row in reversed(pixels):
        packed = bytearray(stride)
        for x, value in enumerate(row):
            bit = x * bits
            packed[bit // 8] |= value << (8 - bits - bit % 8)
        data += packed
    return bytes(data)


def icon_image(art):
    size = len(art)
    assert all(len(line) == size for line in art)
    colours = [[ICON_COLOURS.get(c, BLACK) for c in line] for line in art]
    mask = [[1 if c == "." else 0 for c in line] for line in art]
    xor_bits = pack_rows_bottom_up(colours, size, 4)
    and_bits = pack_rows_bottom_up(mask, size, 1)
    header = bitmap_info_header(size, size * 2, 4, len(xor_bits) + len(and_bits), 16)
    return header + rgbquads(PALETTE_16) + xor_bits + and_bits


def make_icon(arts):
    images = [icon_image(art) for art in arts]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for art, image in zip(arts, images):
        size = len(art)
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def draw_text(canvas, text, left, top, scale, colour):
    x = left
    for char in text:
        for row, line in enumerate(FONT_5X7[char]):
            for column, cell in enumerate(line):
                if cell == "#":
                    fill(canvas, x + column * scale, top + row * scale, scale, scale, colour)
        x += 6 * scale


def text_width(text, scale):
    return (6 * len(text) - 1) * scale


def fill(canvas, left, top, width, height, colour):
    for y in range(top, top + height):
        for x in range(left, left + width):
            canvas[y][x] = colour


def draw_wave(canvas, wave, left, high_y, low_y, colour):
    """Draws a two-pixel trace: level segments and a vertical edge at every change."""
    for i, level in enumerate(wave):
        x = left + i * WAVE_STEP
        y = high_y if level == "1" else low_y
        fill(canvas, x, y, WAVE_STEP, 2, colour)
        if i > 0 and level != wave[i - 1]:
            fill(canvas, x, high_y, 2, low_y - high_y + 2, colour)


def make_logo():
    canvas = [[LOGO_BACKGROUND_FIRST + y] * LOGO_WIDTH for y in range(LOGO_HEIGHT)]
    wordmark_left = (LOGO_WIDTH - text_width("Veskar", 4)) // 2
    draw_text(canvas, "Veskar", wordmark_left + 2, 6, 4, LOGO_SHADOW)
    draw_text(canvas, "Veskar", wordmark_left, 4, 4, LOGO_WORDMARK)

    wave_left = LOGO_WIDTH - 6 - len(SCL_WAVE) * WAVE_STEP
    draw_text(canvas, "SCL", 6, 39, 1, LOGO_TEXT)
    draw_wave(canvas, SCL_WAVE, wave_left, 37, 47, LOGO_SCL)
    draw_text(canvas, "SDA", 6, 56, 1, LOGO_TEXT)
    draw_wave(canvas, SDA_WAVE, wave_left, 54, 64, LOGO_SDA)

    caption = "I2C BUS MONITOR"
    draw_text(canvas, caption, LOGO_WIDTH - 6 - text_width(caption, 1), 71, 1, LOGO_TEXT)

    pixels = pack_rows_bottom_up(canvas, LOGO_WIDTH, 8)
    palette = rgbquads(logo_palette())
    info = bitmap_info_header(LOGO_WIDTH, LOGO_HEIGHT, 8, len(pixels), 256)
    offset = 14 + len(info) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + info + palette + pixels


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-dir", type=pathlib.Path, default=pathlib.Path(__file__).parent)
    out_dir = parser.parse_args().out_dir
    out_dir.mkdir(parents=True, exist_ok=True)
    (out_dir / "app.ico").write_bytes(make_icon([ICON_32, ICON_16]))
    (out_dir / "logo.bmp").write_bytes(make_logo())


if __name__ == "__main__":
    main()
