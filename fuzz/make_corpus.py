#!/usr/bin/env python3
"""Writes the seed corpus of the bitmap fuzzer: small Windows bitmaps of
every depth (1, 4, 8, 16, 24 and 32 bits) with a 40-byte info header, and
core-header bitmaps of 1, 4, 8 and 24 bits.  Two more seeds come from
ImageMagick (an RLE8 bitmap and a 124-byte header with bit fields):

    convert rose: -resize 12x9! -colors 256 -type Palette BMP3:info8_rle.bmp
    convert rose: -resize 12x9! -type TrueColorAlpha BMP:v5_32_bitfields.bmp
"""
import os
import struct
import sys

WIDTH, HEIGHT = 7, 5


def rows(bits, width, height):
    stride = (width * bits + 31) // 32 * 4
    out = bytearray()
    for y in range(height):
        row = bytearray(stride)
        for x in range(width):
            v = (x * 37 + y * 91) & 0xFF
            if bits < 8:
                index = v % (1 << bits)
                bit = x * bits
                row[bit // 8] |= index << (8 - bits - bit % 8)
            else:
                size = bits // 8
                row[x * size:x * size + size] = bytes((v + k * 60) & 0xFF for k in range(size))
        out += row
    return bytes(out)


def table(entries, size):
    return b"".join(bytes([(i * 7) & 0xFF, (i * 13) & 0xFF, (255 - i) & 0xFF, 0][:size])
                    for i in range(entries))


def info_bitmap(bits, height):
    entries = 1 << bits if bits <= 8 else 0
    pixels = rows(bits, WIDTH, abs(height))
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, height, 1, bits, 0, len(pixels),
                         2835, 2835, 0, 0)
    return header, table(entries, 4), pixels


def core_bitmap(bits):
    entries = 1 << bits if bits <= 8 else 0
    header = struct.pack("<IHHHH", 12, WIDTH, HEIGHT, 1, bits)
    return header, table(entries, 3), rows(bits, WIDTH, HEIGHT)


def write(folder, name, parts):
    header, colours, pixels = parts
    dib = header + colours + pixels
    offset = 14 + len(header) + len(colours)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, offset) + dib)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__),
                                                                 "corpus", "bitmap")
    os.makedirs(folder, exist_ok=True)
    for bits in (1, 4, 8, 16, 24, 32):
        write(folder, f"info{bits}.bmp", info_bitmap(bits, HEIGHT))
    write(folder, "info24_topdown.bmp", info_bitmap(24, -HEIGHT))
    for bits in (1, 4, 8, 24):
        write(folder, f"core{bits}.bmp", core_bitmap(bits))


if __name__ == "__main__":
    main()
