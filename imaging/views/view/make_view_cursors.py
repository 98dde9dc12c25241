#!/usr/bin/env python3
"""Draws the image view's cursors (magnifiers, eraser, pen, crosses and move
arrows) as 32 x 32 monochrome .cur files into resources/: black strokes with
a white outline, transparent elsewhere. Run it from anywhere; the output is
checked in."""

import math
import os
import struct

SIZE = 32


def line(ink, x0, y0, x1, y1, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0)) * 2 + 1
    for i in range(steps + 1):
        t = i / steps
        x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
        for dx in range(width):
            for dy in range(width):
                ink.add((round(x) + dx - width // 2, round(y) + dy - width // 2))


def circle(ink, cx, cy, r):
    for a in range(360):
        ink.add((round(cx + r * math.cos(math.radians(a))), round(cy + r * math.sin(math.radians(a)))))


def arrow(ink, x0, y0, x1, y1):
    """A line with a head at both ends."""
    line(ink, x0, y0, x1, y1)
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    for (px, py, sx, sy) in ((x1, y1, -ux, -uy), (x0, y0, ux, uy)):
        for turn in (0.6, -0.6):
            c, s = math.cos(turn), math.sin(turn)
            hx, hy = sx * c - sy * s, sx * s + sy * c
            line(ink, px, py, round(px + 4 * hx), round(py + 4 * hy))


def magnifier(ink, plus):
    circle(ink, 12, 12, 8)
    line(ink, 18, 18, 27, 27, 2)
    line(ink, 8, 12, 16, 12)
    if plus:
        line(ink, 12, 8, 12, 16)


def cross(ink, gap, box=False):
    line(ink, 15, 3, 15, 15 - gap)
    line(ink, 15, 15 + gap, 15, 27)
    line(ink, 3, 15, 15 - gap, 15)
    line(ink, 15 + gap, 15, 27, 15)
    if box:
        for x, y in ((14, 14), (16, 14), (14, 16), (16, 16)):
            ink.add((x, y))


def sign(ink, plus):
    line(ink, 22, 26, 28, 26)
    if plus:
        line(ink, 25, 23, 25, 29)


def eraser(ink):
    for (a, b) in (((6, 18), (16, 8)), ((16, 8), (24, 16)), ((24, 16), (14, 26)), ((14, 26), (6, 18)),
                   ((11, 13), (19, 21))):
        line(ink, *a, *b)


def pen(ink):
    line(ink, 2, 29, 24, 7, 2)
    line(ink, 24, 7, 28, 3, 3)


CURSORS = {
    "ZOOMMENO": (lambda ink: magnifier(ink, False), (12, 12)),
    "ZOOMPIU": (lambda ink: magnifier(ink, True), (12, 12)),
    "GOMMA": (eraser, (6, 18)),
    "PENNA": (pen, (2, 29)),
    "CROCE1": (lambda ink: cross(ink, 0), (15, 15)),
    "CROCE3": (lambda ink: cross(ink, 3), (15, 15)),
    "MOVE2": (lambda ink: arrow(ink, 6, 24, 24, 6), (15, 15)),
    "MOVEY": (lambda ink: arrow(ink, 15, 3, 15, 27), (15, 15)),
    "MOVE1": (lambda ink: arrow(ink, 6, 6, 24, 24), (15, 15)),
    "MOVEX": (lambda ink: arrow(ink, 3, 15, 27, 15), (15, 15)),
    "MOVE": (lambda ink: (arrow(ink, 3, 15, 27, 15), arrow(ink, 15, 3, 15, 27)), (15, 15)),
    "CROCE3+": (lambda ink: (cross(ink, 3), sign(ink, True)), (15, 15)),
    "CROCE3-": (lambda ink: (cross(ink, 3), sign(ink, False)), (15, 15)),
    "CROCE2": (lambda ink: cross(ink, 2, True), (15, 15)),
    "CROCE2+": (lambda ink: (cross(ink, 2, True), sign(ink, True)), (15, 15)),
    "CROCE2-": (lambda ink: (cross(ink, 2, True), sign(ink, False)), (15, 15)),
}


def cursor_file(ink, hot):
    ink = {(x, y) for x, y in ink if 0 <= x < SIZE and 0 <= y < SIZE}
    outline = {(x + dx, y + dy) for x, y in ink for dx in (-1, 0, 1) for dy in (-1, 0, 1)}
    outline = {(x, y) for x, y in outline if 0 <= x < SIZE and 0 <= y < SIZE} - ink
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bottom-up
        xor_bits = and_bits = 0
        for x in range(SIZE):
            bit = 1 << (31 - x)
            if (x, y) in outline:
                xor_bits |= bit  # white
            elif (x, y) not in ink:
                and_bits |= bit  # transparent
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    dib = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hot[0], hot[1], len(dib), 22)
    return struct.pack("<HHH", 0, 2, 1) + entry + dib


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "resources")
    os.makedirs(out, exist_ok=True)
    for name, (draw, hot) in CURSORS.items():
        ink = set()
        draw(ink)
        with open(os.path.join(out, name + ".cur"), "wb") as f:
            f.write(cursor_file(ink, hot))


if __name__ == "__main__":
    main()
