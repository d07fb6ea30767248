#!/usr/bin/env python3
"""Draws the main window's background and the program icon as PNG files.

Both pictures are our own: a soft blue gradient with a faint diagonal
lattice, and a padlock on a rounded teal square. Run from this folder to
write background.png and icon.png again.
"""
import math
import struct
import zlib


def write_png(path, width, height, rows):
    """rows: a list of bytearrays of RGBA pixels."""
    raw = b"".join(b"\x00" + bytes(r) for r in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def background(path, width=960, height=640):
    top, bottom = (240, 245, 250), (205, 219, 234)
    line = (255, 255, 255)
    rows = []
    for y in range(height):
        base = mix(top, bottom, y / (height - 1))
        row = bytearray()
        for x in range(width):
            # A lattice of thin diagonal lines, fading towards the top left.
            d1 = (x + y) % 48
            d2 = (x - y) % 48
            near = min(d1, 48 - d1, d2, 48 - d2)
            strength = max(0.0, 1.0 - near) * 0.35 * (0.4 + 0.6 * (x + y) / (width + height))
            row += bytes(mix(base, line, strength)) + b"\xff"
        rows.append(row)
    write_png(path, width, height, rows)


def icon(path, size=64, samples=4):
    teal, white = (22, 110, 128), (250, 250, 250)

    def inside_rounded(px, py, x0, y0, x1, y1, r):
        cx = min(max(px, x0 + r), x1 - r)
        cy = min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r and x0 <= px <= x1 and y0 <= py <= y1

    def colour_at(px, py):
        if not inside_rounded(px, py, 2, 2, size - 2, size - 2, 12):
            return None
        s = size / 64.0
        # The padlock: a body and a shackle (a half ring on two legs).
        body = inside_rounded(px, py, 17 * s, 30 * s, 47 * s, 53 * s, 4 * s)
        keyhole = (px - 32 * s) ** 2 + (py - 39 * s) ** 2 <= (3.5 * s) ** 2 or (
            abs(px - 32 * s) <= 1.6 * s and 39 * s <= py <= 47 * s)
        ring = math.hypot(px - 32 * s, py - 24 * s)
        shackle = (7 * s <= ring <= 12 * s and py <= 24 * s) or (
            py > 24 * s and py < 31 * s and (20 * s <= px <= 25 * s or 39 * s <= px <= 44 * s))
        if (body and not keyhole) or shackle:
            return white
        return teal

    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 1
            n = samples * samples
            if acc[3] == 0:
                row += b"\x00\x00\x00\x00"
            else:
                row += bytes([acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3], 255 * acc[3] // n])
        rows.append(row)
    write_png(path, size, size, rows)


if __name__ == "__main__":
    background("background.png")
    icon("icon.png")
