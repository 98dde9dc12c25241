// BMP files and packed DIBs: reading into DIB sections and writing them out.
//
// Reading accepts the 12-byte core header and the 40- to 124-byte info
// headers; 1, 4, 8, 16, 24 and 32 bits; BI_RGB, BI_RLE4, BI_RLE8 and
// BI_BITFIELDS (masks after a 40-byte header or inside a longer one);
// bottom-up and top-down rows. Every size is checked against the data: a
// width or height of 0, a negative width, a side over 16384 pixels, pixel
// rows beyond the data, an impossible bit count or compression raise
// EInvalidGraphic "Bitmap image is not valid". Colour tables are read up to
// 2^bits entries (at most 256); palette indexes beyond the table are clamped
// to its last entry. The result always has bottom-up rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/rtl/streams.h"

inline constexpr int32_t BmpMaxSide = 16384;

// Reads one BMP file (BITMAPFILEHEADER first) from the stream's position and
// answers a new DIB section that the caller deletes. The file's length is the
// bfSize of its header (or, when that is smaller than the data the headers
// describe or larger than the stream holds, the end of the pixel data); the
// stream is left right after it, so files stored back to back read one by
// one.
HBITMAP ReadBmpFile(TStream& Stream);

// Reads a packed DIB (info header, masks, colour table, then the pixels) of
// Size bytes. IconImage: the header's height counts the image and its AND mask
// (icon and cursor images), so only half of it is read. Used, when given,
// receives the bytes up to the end of the pixel rows.
HBITMAP ReadPackedDib(const uint8_t* Data, size_t Size, bool IconImage = false, size_t* Used = nullptr);

// Writes the bitmap as a BMP file: BITMAPFILEHEADER, a 40-byte info header,
// the colour table for 1, 4 and 8 bits, then the rows bottom-up. 5-6-5 and
// other masked 16/32-bit layouts are written as BI_BITFIELDS with their three
// masks; 5-5-5, 24 and 32 bits as BI_RGB. Raises EInvalidGraphic for a bad
// handle.
void WriteBmpFile(TStream& Stream, HBITMAP Bitmap);
