#!/usr/bin/env python3
"""Draws the default logo, pictures/tidewell.gif: a sun over three waves, 96 by 48 pixels.

Run once; the resulting GIF is committed. Needs nothing beyond the Python standard library.
"""
import math
import struct
import sys

WIDTH, HEIGHT = 96, 48
# Palette index 0 is transparent.
PALETTE = [
    (255, 255, 255),  # 0 background
    (27, 79, 114),    # 1 deep water
    (23, 165, 137),   # 2 teal wave
    (174, 214, 241),  # 3 light wave
    (244, 180, 27),   # 4 sun
    (255, 255, 255), (255, 255, 255), (255, 255, 255),
]


def pixel(x, y):
    """Colour index of one pixel: waves in front of a rising sun."""
    for index, (base, amplitude, phase) in enumerate([(40, 3.0, 0.0), (33, 3.5, 1.3), (26, 4.0, 2.6)]):
        crest = base + amplitude * math.sin(x / 7.0 + phase)
        if y >= crest:
            return [1, 2, 3][index]
    dx, dy = x - 62, y - 22
    if dx * dx + dy * dy <= 13 * 13:
        return 4
    return 0


def lzw_encode(indices, min_code_size):
    """GIF's variable-width LZW, codes packed least significant bit first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def fresh_table():
        return {(i,): i for i in range(clear)}

    table = fresh_table()
    next_code = end + 1
    width = min_code_size + 1
    emit(clear, width)
    current = ()
    for value in indices:
        candidate = current + (value,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table = fresh_table()
            next_code = end + 1
            width = min_code_size + 1
        current = (value,)
    if current:
        emit(table[current], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def gif_bytes():
    indices = [pixel(x, y) for y in range(HEIGHT) for x in range(WIDTH)]
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF0 | 2, 0, 0)  # global table of 8 colours
    for r, g, b in PALETTE:
        data += bytes((r, g, b))
    data += bytes((0x21, 0xF9, 4, 0x01, 0, 0, 0, 0))  # colour 0 transparent
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
    min_code_size = 3
    data.append(min_code_size)
    encoded = lzw_encode(indices, min_code_size)
    for start in range(0, len(encoded), 255):
        block = encoded[start:start + 255]
        data.append(len(block))
        data += block
    data += b"\x00\x3B"
    return bytes(data)


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "pictures/tidewell.gif"
    with open(target, "wb") as f:
        f.write(gif_bytes())
