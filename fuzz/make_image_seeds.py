#!/usr/bin/env python3
"""Writes the image loader's seed pictures into fuzz/corpus/image_loader/:
tiny valid files of every format it reads, each built here byte by byte so
that no image tool is needed. The tests read them too, and know their pixels:

  rgba.png   2x2 RGBA: red, green / blue at alpha 128, white at alpha 0
  rgb.bmp    2x2 24-bit, bottom-up rows: same colours as rgba.png, opaque
  gray.jpg   8x8 greyscale baseline JPEG, every pixel 128
  two.gif    2x2, two frames: first red, green / blue, white; second all white

Usage: fuzz/make_image_seeds.py
"""

import pathlib
import struct
import zlib

OUT = pathlib.Path(__file__).resolve().parent / "corpus" / "image_loader"


def png():
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = [bytes([255, 0, 0, 255, 0, 255, 0, 255]), bytes([0, 0, 255, 128, 255, 255, 255, 0])]
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def bmp():
    # BGR, rows padded to 4 bytes, bottom row first.
    bottom = bytes([255, 0, 0, 255, 255, 255]) + b"\0\0"
    top = bytes([0, 0, 255, 0, 255, 0]) + b"\0\0"
    pixels = bottom + top
    info = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def jpeg():
    def segment(marker, data):
        return bytes([0xFF, marker]) + struct.pack(">H", len(data) + 2) + data
    quant = segment(0xDB, b"\x00" + b"\x01" * 64)
    frame = segment(0xC0, bytes([8]) + struct.pack(">HH", 8, 8) + bytes([1, 1, 0x11, 0]))
    # One code of length 1 in each table: DC category 0, AC end of block.
    one_code = bytes([1] + [0] * 15) + b"\x00"
    dc = segment(0xC4, b"\x00" + one_code)
    ac = segment(0xC4, b"\x10" + one_code)
    scan = segment(0xDA, bytes([1, 1, 0x00, 0, 63, 0]))
    # Bits "0" (DC difference 0) "0" (end of block), padded with ones.
    return b"\xFF\xD8" + quant + frame + dc + ac + scan + b"\x3F" + b"\xFF\xD9"


def gif():
    def lzw(indexes):
        # 2-bit codes in 3-bit words; a clear code every two pixels keeps the
        # word size from growing. Bits go in least significant first.
        codes = []
        for i in range(0, len(indexes), 2):
            codes += [4] + indexes[i:i + 2]
        codes.append(5)
        value = bits = 0
        out = bytearray()
        for code in codes:
            value |= code << bits
            bits += 3
            while bits >= 8:
                out.append(value & 0xFF)
                value >>= 8
                bits -= 8
        if bits:
            out.append(value & 0xFF)
        return bytes([2, len(out)]) + bytes(out) + b"\0"
    palette = bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255])  # 4 entries
    screen = b"GIF89a" + struct.pack("<HHBBB", 2, 2, 0x80 | 0x10 | 1, 0, 0) + palette

    def frame(indexes):
        return (b"\x21\xF9\x04\x00\x0A\x00\x00\x00"  # graphic control: 0.1 s
                + b"\x2C" + struct.pack("<HHHHB", 0, 0, 2, 2, 0) + lzw(indexes))
    return screen + frame([0, 1, 2, 3]) + frame([3, 3, 3, 3]) + b"\x3B"


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for name, data in (("rgba.png", png()), ("rgb.bmp", bmp()), ("gray.jpg", jpeg()),
                       ("two.gif", gif())):
        (OUT / name).write_bytes(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
