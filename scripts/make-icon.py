#!/usr/bin/env python3
"""Draws the agent's icon and writes it as a Windows icon file.

The artwork is drawn here, from shapes, at each of the six sizes the icon
group holds (256, 128, 64, 48, 32 and 16 pixels, 32 bits a pixel): a
rounded tile with a sheet of paper and an arrow that hands it on. Each
image is drawn four times larger and scaled down, for smooth edges. The
256-pixel image is stored as PNG, the others as 32-bit bitmaps with their
transparency mask, as the system's icon loader expects.

usage: make-icon.py OUTPUT.ico [PREVIEW.png]
"""

import io
import struct
import sys

from PIL import Image, ImageDraw

SIZES = (256, 128, 64, 48, 32, 16)
OVERSAMPLE = 4

TILE_TOP = (0x1F, 0x6F, 0x8B, 0xFF)
TILE_BOTTOM = (0x12, 0x3F, 0x5C, 0xFF)
PAPER = (0xFA, 0xFA, 0xF5, 0xFF)
FOLD = (0xC9, 0xD6, 0xDC, 0xFF)
LINES = (0x8A, 0xA4, 0xB0, 0xFF)
ARROW = (0xF2, 0xA5, 0x1A, 0xFF)


def draw(size):
    """The icon at size x size pixels, RGBA."""
    big = size * OVERSAMPLE
    unit = big / 64.0  # the artwork is laid out on a 64 x 64 grid

    def box(x0, y0, x1, y1):
        return [round(x0 * unit), round(y0 * unit), round(x1 * unit) - 1, round(y1 * unit) - 1]

    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))

    # The tile: a vertical gradient inside a rounded square.
    gradient = Image.new("RGBA", (big, big))
    pen = ImageDraw.Draw(gradient)
    for row in range(big):
        share = row / max(big - 1, 1)
        colour = tuple(round(a + (b - a) * share) for a, b in zip(TILE_TOP, TILE_BOTTOM))
        pen.line([(0, row), (big - 1, row)], fill=colour)
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle(box(2, 2, 62, 62), radius=round(12 * unit), fill=255)
    image.paste(gradient, (0, 0), mask)

    pen = ImageDraw.Draw(image)
    # The sheet, with its top right corner folded.
    pen.polygon([(p[0] * unit, p[1] * unit) for p in ((14, 10), (36, 10), (46, 20), (46, 54), (14, 54))], fill=PAPER)
    pen.polygon([(p[0] * unit, p[1] * unit) for p in ((36, 10), (36, 20), (46, 20))], fill=FOLD)
    if size >= 32:
        for top in (26, 32, 38, 44):
            pen.rectangle(box(19, top, 41 if top < 44 else 32, top + 2), fill=LINES)
    # The arrow that hands the sheet on, lower right.
    pen.rectangle(box(32, 45, 48, 53), fill=ARROW)
    pen.polygon([(p[0] * unit, p[1] * unit) for p in ((47, 39), (58, 49), (47, 59))], fill=ARROW)

    return image.resize((size, size), Image.LANCZOS)


def png_bytes(image):
    data = io.BytesIO()
    image.save(data, format="PNG", optimize=False)
    return data.getvalue()


def bitmap_bytes(image):
    """A 32-bit icon bitmap: header, colour rows bottom up, then the mask."""
    width, height = image.size
    pixels = image.load()
    colour = bytearray()
    for y in reversed(range(height)):
        for x in range(width):
            red, green, blue, alpha = pixels[x, y]
            colour += bytes((blue, green, red, alpha))
    mask_row = ((width + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(height)):
        row = bytearray(mask_row)
        for x in range(width):
            if pixels[x, y][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def icon_file(images):
    entries = []
    payloads = []
    offset = 6 + 16 * len(images)
    for image in images:
        size = image.size[0]
        payload = png_bytes(image) if size >= 256 else bitmap_bytes(image)
        side = 0 if size >= 256 else size
        entries.append(struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(payload), offset))
        payloads.append(payload)
        offset += len(payload)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(payloads)


def main(arguments):
    if len(arguments) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    images = [draw(size) for size in SIZES]
    with open(arguments[1], "wb") as output:
        output.write(icon_file(images))
    if len(arguments) == 3:
        sheet = Image.new("RGBA", (sum(SIZES) + 10 * len(SIZES), 256), (255, 255, 255, 255))
        left = 0
        for image in images:
            sheet.paste(image, (left, 0), image)
            left += image.size[0] + 10
        sheet.save(arguments[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
