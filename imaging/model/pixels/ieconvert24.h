// Conversion of an image of any pixel format into a new ie24RGB image.
#pragma once

#include <memory>

class TIEBitmap;

// Dest := Source's pixels as ie24RGB, allocated at Source's size in Dest's
// own Location (Dest must not be Source):
// - ie1g: white or black; ie8p: the palette entry; ie8g: (v, v, v);
// - ie16g: the high byte in each channel; ie32f: trunc(v * 255) of the level
//   limited to 0..1 (NaN as 0);
// - ie24RGB: copied; ieCMYK: converted by the CMYK rule; ieRGB48: the high
//   byte of each word.
// Palette and alpha channel are not carried over. An empty Source leaves
// Dest empty.
void IEConvertTo24RGB(TIEBitmap* Source, TIEBitmap* Dest);
// The same into a new bitmap (its default storage rules apply).
std::unique_ptr<TIEBitmap> IEConvertTo24RGB(TIEBitmap* Source);
