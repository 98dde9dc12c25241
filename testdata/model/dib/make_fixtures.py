#!/usr/bin/env python3
# Writes the small PPM pictures of this folder and converts each with netpbm's
# ppmtobmp at the bit depth its colours allow:
#   python3 testdata/model/dib/make_fixtures.py
# bw_*: black and white only (1 bit); c16_*: at most 16 colours (4 bits);
# c256_*: more than 16 colours (8 bits); rgb_*: any colours (24 bits).
# Odd widths, so that rows carry padding and partial bytes.
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def write_ppm(name, width, height, pixel):
    data = bytearray(b"P6\n%d %d\n255\n" % (width, height))
    for y in range(height):
        for x in range(width):
            data += bytes(pixel(x, y))
    with open(os.path.join(HERE, name + ".ppm"), "wb") as f:
        f.write(data)


def convert(name, bpp):
    with open(os.path.join(HERE, name + ".ppm"), "rb") as src, open(
        os.path.join(HERE, "%s_%dbit.bmp" % (name, bpp)), "wb"
    ) as dst:
        subprocess.run(["ppmtobmp", "-windows", "-bpp=%d" % bpp], stdin=src, stdout=dst, check=True,
                       stderr=subprocess.DEVNULL)


def bw(x, y):
    return (255, 255, 255) if (x * 7 + y * 3 + x * y) % 5 < 2 else (0, 0, 0)


PALETTE16 = [(i * 16, 255 - i * 15, (i * 97) % 256) for i in range(13)]


def c16(x, y):
    return PALETTE16[(x + 2 * y) % len(PALETTE16)]


def c256(x, y):
    i = x + 9 * y
    return (i * 5 % 256, i * 11 % 256, i * 23 % 256)


def rgb(x, y):
    return ((x * 37 + y * 11) % 256, (x * 13 + y * 71) % 256, (x * y * 29 + 5) % 256)


write_ppm("bw_13x5", 13, 5, bw)
convert("bw_13x5", 1)
write_ppm("c16_7x4", 7, 4, c16)
convert("c16_7x4", 4)
write_ppm("c256_9x6", 9, 6, c256)
convert("c256_9x6", 8)
write_ppm("rgb_5x3", 5, 3, rgb)
convert("rgb_5x3", 24)
