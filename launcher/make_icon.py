#!/usr/bin/env python3
"""Builds PanelDeControlVelisco.ico: a control panel drawn by ImageMagick,
at 48 and 32 pixels, each at 8, 24 and 32 bits per pixel.  ImageMagick draws,
scales and reduces the colours; its icon writer stores every full-colour
image at 32 bits, so the icon file itself is packed here."""
import struct
import subprocess
import sys

DRAWING = [
    "-size", "480x480", "xc:none",
    "-fill", "#1f5fa8", "-stroke", "#0b2f5a", "-strokewidth", "16",
    "-draw", "roundrectangle 24,24 456,456 60,60",
    "-stroke", "#e8eef6", "-strokewidth", "28",
    "-draw", "line 140,100 140,380", "-draw", "line 240,100 240,380",
    "-draw", "line 340,100 340,380",
    "-stroke", "none", "-fill", "#f5b301",
    "-draw", "circle 140,300 140,340", "-draw", "circle 240,170 240,210",
    "-draw", "circle 340,250 340,290",
]


def rgba(size, colours=None):
    """The drawing at size x size as RGBA rows, top row first."""
    args = ["convert", *DRAWING, "-resize", f"{size}x{size}"]
    if colours:
        # Opaque where at least half covered, so that one bit of mask suffices.
        args += ["-channel", "A", "-threshold", "50%", "+channel", "-colors", str(colours)]
    raw = subprocess.run([*args, "-depth", "8", "rgba:-"], check=True, capture_output=True).stdout
    px = [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]
    assert len(px) == size * size
    return [px[r * size:(r + 1) * size] for r in range(size)]


def padded(row):
    return row + b"\0" * (-len(row) % 4)


def image(size, bits):
    rows = rgba(size, 255 if bits == 8 else None)
    opaque = [[p[3] >= 128 for p in row] for row in rows]
    palette = []
    if bits == 8:
        # Black first: the colour under the transparent mask.
        palette = [(0, 0, 0)] + sorted({p[:3] for row in rows for p in row} - {(0, 0, 0)})
        assert len(palette) <= 256
        index = {c: i for i, c in enumerate(palette)}
    xor = b""
    for row, mask in zip(reversed(rows), reversed(opaque)):
        if bits == 8:
            data = bytes(index[p[:3]] if m else 0 for p, m in zip(row, mask))
        elif bits == 24:
            data = b"".join(bytes((p[2], p[1], p[0])) if m else b"\0\0\0" for p, m in zip(row, mask))
        else:
            data = b"".join(bytes((p[2], p[1], p[0], p[3])) for p in row)
        xor += padded(data)
    and_mask = b""
    for mask in reversed(opaque):
        bitsrow = bytearray((size + 7) // 8)
        for x, m in enumerate(mask):
            if not m:
                bitsrow[x // 8] |= 0x80 >> (x % 8)
        and_mask += padded(bytes(bitsrow))
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + b"\0" * 4 * (256 - len(palette)) * (bits == 8)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(xor) + len(and_mask), 0, 0,
                         256 if bits == 8 else 0, 0)
    return header + colours + xor + and_mask


def main(out):
    images = [(s, b, image(s, b)) for s in (48, 32) for b in (8, 24, 32)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, body in images:
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(body), offset)
        offset += len(body)
    data += b"".join(body for _, _, body in images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "PanelDeControlVelisco.ico")
