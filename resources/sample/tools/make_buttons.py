#!/usr/bin/env python3
"""Draws the sample skin set's caption buttons (close and minimise): four
24 x 24 state images side by side (normal, hover, pushed, disabled), a white
glyph on a transparent or lightly tinted square, for the blue banner."""
import math
import os
import struct
import zlib

SIZE = 24
STATES = [(0, 255), (48, 255), (96, 255), (0, 110)]  # (white tint alpha, glyph alpha)


def png(path, width, height, pixels):
    raw = b"".join(b"\0" + bytes(pixels[y * width * 4:(y + 1) * width * 4]) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def strip(segments):
    width = SIZE * len(STATES)
    pixels = [0] * (width * SIZE * 4)
    for state, (tint, glyph_alpha) in enumerate(STATES):
        for y in range(SIZE):
            for x in range(SIZE):
                cx, cy = x + 0.5, y + 0.5
                # Coverage of a 1.6-pixel pen, smoothed over one pixel.
                d = min(distance_to_segment(cx, cy, *s) for s in segments)
                cover = max(0.0, min(1.0, 1.3 - d))
                glyph = cover * glyph_alpha / 255.0
                back = tint / 255.0
                alpha = glyph + back * (1 - glyph)
                i = (y * width + state * SIZE + x) * 4
                pixels[i:i + 4] = [255, 255, 255, round(alpha * 255)]
    return width, pixels


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "uninstall")
    close = [(7.5, 7.5, 16.5, 16.5), (16.5, 7.5, 7.5, 16.5)]
    minimise = [(7.0, 12.5, 17.0, 12.5)]
    for name, segments in (("btn_close.png", close), ("btn_min.png", minimise)):
        width, pixels = strip(segments)
        png(os.path.join(here, name), width, SIZE, pixels)


if __name__ == "__main__":
    main()
