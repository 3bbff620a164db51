#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the seven 13 x 13 LED images into resources/leds/.

A round LED with a black rim on a light gray square and a white highlight at
its upper left. The body alternates pixel by pixel between the dark and the
full shade of its colour; the bright variants use the full shade alone.
Run again after changing the artwork; the PNGs are committed.
"""
import math
import os
import struct
import zlib

SIZE = 13
BACKGROUND = (192, 192, 192)
RIM = (0, 0, 0)
HIGHLIGHT = (255, 255, 255)
BODY_RADIUS = 4.6
RIM_RADIUS = 6.3
HIGHLIGHT_PIXELS = {(4, 3), (3, 4), (4, 4)}

# name: (dark shade, full shade, bright)
LEDS = {
    "LED_GRAY": ((128, 128, 128), (192, 192, 192), False),
    "LED_RED": ((128, 0, 0), (255, 0, 0), False),
    "LED_GRE": ((0, 128, 0), (0, 255, 0), False),
    "LED_YEL": ((128, 128, 0), (255, 255, 0), False),
    "LED_BRIRED": ((128, 0, 0), (255, 0, 0), True),
    "LED_BRIGRE": ((0, 128, 0), (0, 255, 0), True),
    "LED_BRIYEL": ((128, 128, 0), (255, 255, 0), True),
}


def pixel(x, y, dark, full, bright):
    d = math.hypot(x - SIZE // 2, y - SIZE // 2)
    if d > RIM_RADIUS:
        return BACKGROUND
    if d > BODY_RADIUS:
        return RIM
    if (x, y) in HIGHLIGHT_PIXELS:
        return HIGHLIGHT
    if bright:
        return full
    return dark if (x + y) % 2 else full


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)  # 8-bit RGB
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "leds")
    os.makedirs(out, exist_ok=True)
    for name, (dark, full, bright) in LEDS.items():
        rows = [[pixel(x, y, dark, full, bright) for x in range(SIZE)] for y in range(SIZE)]
        with open(os.path.join(out, name + ".png"), "wb") as f:
            f.write(png(rows))


if __name__ == "__main__":
    main()
