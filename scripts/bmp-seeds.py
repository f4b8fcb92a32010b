#!/usr/bin/env python3
"""Writes small BMP files into a directory, as fuzzing seeds for the bitmap decoder: 8-bit
(bottom-up, top-down, and with a short colour table), 4-bit and 24-bit, each also in resource
form (without the 14-byte file header). Small inputs keep the decoder's runs fast.

    scripts/bmp-seeds.py DIR
"""
import os
import struct
import sys


def bmp(width, height, bits, colours=None, top_down=False):
    count = (colours if colours is not None else 1 << bits) if bits <= 8 else 0
    table = b"".join(struct.pack("<BBBB", (i * 37) & 255, (i * 91) & 255, (i * 13) & 255, 0) for i in range(count))
    stride = (width * bits + 31) // 32 * 4
    pixels = bytearray()
    for y in range(height):
        row = bytearray(stride)
        for x in range(width):
            if bits == 8:
                row[x] = (x + y) % count
            elif bits == 4:
                row[x // 2] |= ((x + y) % count) << (4 if x % 2 == 0 else 0)
            else:
                row[x * 3:x * 3 + 3] = bytes([x * 9 & 255, y * 7 & 255, (x ^ y) & 255])
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0, len(pixels),
                       2835, 2835, count, 0)
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + bytes(pixels)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    seeds = {"b8": bmp(16, 8, 8), "b8-short-table": bmp(12, 6, 8, colours=16), "b4": bmp(13, 7, 4),
             "b24": bmp(9, 5, 24), "b8-top-down": bmp(10, 4, 8, top_down=True)}
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        with open(os.path.join(out, name + "-resource"), "wb") as f:
            f.write(data[14:])


if __name__ == "__main__":
    main()
