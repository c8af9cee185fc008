#!/usr/bin/env python3
"""Writes the bundled sample textures: small procedural TGA images of our own
(a 24-bit bottom-up "rock" and a 32-bit top-down "wall" with an alpha mask)."""
import math
import os
import struct
import sys


def tga(path, width, height, depth, top_down, pixel):
    rows = []
    for stored_row in range(height):
        y = stored_row if top_down else height - 1 - stored_row
        row = bytearray()
        for x in range(width):
            r, g, b, a = pixel(x, y)
            row += bytes((b, g, r)) + (bytes((a,)) if depth == 32 else b"")
        rows.append(bytes(row))
    header = struct.pack("<BBB5sHHHHBB", 0, 0, 2, b"\0" * 5, 0, 0, width, height, depth,
                         0x20 if top_down else 0)
    with open(path, "wb") as f:
        f.write(header + b"".join(rows))


def clamp(v):
    return max(0, min(255, int(v)))


def rock(x, y):
    n = math.sin(x * 0.37) * math.cos(y * 0.23) + 0.5 * math.sin((x + 2 * y) * 0.11)
    grey = 110 + 60 * n
    return clamp(grey + 12), clamp(grey), clamp(grey - 15), 255


def wall(x, y):
    mortar = (y % 16 < 2) or ((x + (8 if (y // 16) % 2 else 0)) % 32 < 2)
    if mortar:
        return 200, 200, 190, 0
    shade = 20 * math.sin(x * 0.5 + y * 0.3)
    return clamp(150 + shade), clamp(60 + shade / 2), clamp(40), 255


out = sys.argv[1] if len(sys.argv) > 1 else "samples/textures"
os.makedirs(out, exist_ok=True)
tga(os.path.join(out, "rock.tga"), 64, 64, 24, False, rock)
tga(os.path.join(out, "wall.tga"), 128, 64, 32, True, wall)
