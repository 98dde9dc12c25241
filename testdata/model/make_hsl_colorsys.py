#!/usr/bin/env python3
# Writes hsl_colorsys.txt, the reference values of the HSL conversions taken
# from Python's colorsys module:
#   python3 testdata/model/make_hsl_colorsys.py > testdata/model/hsl_colorsys.txt
import colorsys

print("# Reference values from Python's colorsys (rgb_to_hls, hls_to_rgb).")
print("# Made by: python3 testdata/model/make_hsl_colorsys.py > testdata/model/hsl_colorsys.txt")
print("# rgb R G B H L S   -- bytes in, colorsys.rgb_to_hls(R/255, G/255, B/255) out")
print("# hls H L S R G B   -- colorsys.hls_to_rgb(H, L, S) out, channels in 0..1")
levels = [0, 1, 64, 127, 128, 200, 254, 255]
for r in levels:
    for g in levels:
        for b in levels:
            h, l, s = colorsys.rgb_to_hls(r / 255, g / 255, b / 255)
            print("rgb %d %d %d %r %r %r" % (r, g, b, h, l, s))
for i in range(13):
    h = i / 12
    for l in [0.0, 0.1, 0.25, 0.5, 0.75, 0.9, 1.0]:
        for s in [0.0, 0.2, 0.5, 0.8, 1.0]:
            r, g, b = colorsys.hls_to_rgb(h, l, s)
            print("hls %r %r %r %r %r %r" % (h, l, s, r, g, b))
