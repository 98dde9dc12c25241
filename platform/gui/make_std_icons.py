#!/usr/bin/env python3
"""Draws the standard icons (application, hand, question, exclamation,
asterisk) as 32 x 32 .ico files with alpha and an AND mask into
resources/stdicons/. Run it from anywhere; the output is checked in."""

import math
import os
import struct

SIZE = 32
SS = 4  # supersampling per axis for smooth edges


def blank():
    return [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]


def render(shapes):
    """shapes: list of (inside(x, y) -> bool, (r, g, b)); later ones on top.
    Coverage comes from SS x SS samples per pixel."""
    img = blank()
    for py in range(SIZE):
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied r, g, b and alpha
            for sy in range(SS):
                for sx in range(SS):
                    x = px + (sx + 0.5) / SS
                    y = py + (sy + 0.5) / SS
                    col = None
                    for inside, rgb in shapes:
                        if inside(x, y):
                            col = rgb
                    if col is not None:
                        acc[0] += col[0]
                        acc[1] += col[1]
                        acc[2] += col[2]
                        acc[3] += 1
            n = SS * SS
            a = acc[3] / n
            if a > 0:
                img[py][px] = (round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                               round(acc[2] / acc[3]), round(a * 255))
    return img


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(l, t, r, b):
    return lambda x, y: l <= x < r and t <= y < b


def segment(x0, y0, x1, y1, w):
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / ll))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2
    return inside


def triangle(ax, ay, bx, by, cx, cy):
    def side(px, py, qx, qy, x, y):
        return (qx - px) * (y - py) - (qy - py) * (x - px)

    def inside(x, y):
        d1 = side(ax, ay, bx, by, x, y)
        d2 = side(bx, by, cx, cy, x, y)
        d3 = side(cx, cy, ax, ay, x, y)
        return (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0)
    return inside


def arc(cx, cy, r, w, a0, a1):
    """A stroke along the circle from angle a0 to a1 (degrees, y down)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > w / 2:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        lo, hi = a0 % 360, a1 % 360
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return inside


def application():
    return render([
        (rect(2, 4, 30, 28), (64, 64, 64)),
        (rect(3, 5, 29, 27), (255, 255, 255)),
        (rect(3, 5, 29, 10), (30, 90, 190)),
        (rect(24, 6, 28, 9), (220, 225, 235)),
        (rect(5, 13, 20, 15), (170, 180, 200)),
        (rect(5, 17, 25, 19), (170, 180, 200)),
        (rect(5, 21, 16, 23), (170, 180, 200)),
    ])


def hand():
    return render([
        (circle(16, 16, 15), (150, 10, 10)),
        (circle(16, 16, 13.5), (225, 45, 40)),
        (segment(10.5, 10.5, 21.5, 21.5, 3.6), (255, 255, 255)),
        (segment(21.5, 10.5, 10.5, 21.5, 3.6), (255, 255, 255)),
    ])


def question():
    return render([
        (circle(16, 16, 15), (20, 70, 160)),
        (circle(16, 16, 13.5), (50, 120, 220)),
        (arc(16, 12.5, 4.5, 3.2, 180, 90), (255, 255, 255)),
        (segment(16, 17, 16, 19.5, 3.2), (255, 255, 255)),
        (circle(16, 24, 2), (255, 255, 255)),
    ])


def exclamation():
    return render([
        (triangle(16, 1.5, 30.5, 29, 1.5, 29), (140, 100, 0)),
        (triangle(16, 4.5, 28, 27.5, 4, 27.5), (250, 205, 40)),
        (segment(16, 11, 16, 19.5, 3.4), (20, 20, 20)),
        (circle(16, 24, 1.9), (20, 20, 20)),
    ])


def asterisk():
    return render([
        (circle(16, 16, 15), (20, 70, 160)),
        (circle(16, 16, 13.5), (50, 120, 220)),
        (circle(16, 9, 2.2), (255, 255, 255)),
        (rect(14, 13, 18, 24), (255, 255, 255)),
        (rect(12, 13, 18, 15), (255, 255, 255)),
        (rect(12, 22, 20, 24), (255, 255, 255)),
    ])


def ico(img):
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        for r, g, b, a in img[y]:
            rows.append(struct.pack('<BBBB', b, g, r, a))
    xor = b''.join(rows)
    stride = ((SIZE + 31) // 32) * 4
    mask = bytearray()
    for y in range(SIZE - 1, -1, -1):
        row = bytearray(stride)
        for x in range(SIZE):
            if img[y][x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'resources', 'stdicons')
    os.makedirs(out, exist_ok=True)
    for name, draw in [('application', application), ('hand', hand), ('question', question),
                       ('exclamation', exclamation), ('asterisk', asterisk)]:
        with open(os.path.join(out, name + '.ico'), 'wb') as f:
            f.write(ico(draw()))


if __name__ == '__main__':
    main()
