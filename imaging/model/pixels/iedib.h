// Exchange between TIEBitmap and the platform's bitmap forms: packed
// device-independent bitmaps (a 40-byte BITMAPINFOHEADER, the colour table or
// bit-field masks, then rows bottom-up padded to 4 bytes), including
// uncompressed YUV video frames named by their FOURCC, and copies of
// platform TBitmaps.
//
// A packed DIB is an owned byte buffer. Readers take the buffer with its
// length and never read outside it: its input comes from files (imaging
// annotations of TIFF files, AVI frames).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"

class TIEBitmap;
class TIEDibbitmap;

// ---- Platform-bitmap rows ----------------------------------------------------------
// Bits per pixel of a platform pixel format: pf1bit 1, pf4bit 4, pf8bit 8,
// pf15bit 15, pf16bit 16, pf24bit 24, pf32bit 32; pfDevice and pfCustom 0.
int32_t IETBitmapFormatBits(TPixelFormat PixelFormat);
// Bytes per row of a platform device-independent bitmap of that format:
// IEBitmapRowLen(Width, IETBitmapFormatBits(PixelFormat), 32). 0 for pfDevice
// and pfCustom.
int32_t IETBitmapRowLen(int32_t Width, TPixelFormat PixelFormat);

// ---- Packed DIBs ------------------------------------------------------------------------
// Makes a 4-character code as stored in biCompression ("YUY2" -> 0x32595559).
constexpr uint32_t IEFourCC(const char (&Code)[5]) {
  return uint32_t(uint8_t(Code[0])) | (uint32_t(uint8_t(Code[1])) << 8) | (uint32_t(uint8_t(Code[2])) << 16) |
         (uint32_t(uint8_t(Code[3])) << 24);
}

// The screen's pixels per metre as written into DIB headers: rnd(pixels per
// inch * 39.37) when the screen reports 1..999 pixels per inch, else 0
// (3780 at 96 pixels per inch).
int32_t IEScreenPelsPerMeter();

// The rectangle X1, Y1 .. X2, Y2 of Bitmap (X2 and Y2 exclusive, 0 meaning
// the width or height; clipped to the image) as a packed DIB with a positive
// height, so the first stored row is the bottom row of the rectangle:
// - ie1g: 1 bit, colour entries 00000000 and FFFFFFFF;
// - ie8p: 8 bits with the PaletteLength palette entries; ie8g: 8 bits with a
//   256-entry gray ramp;
// - ie24RGB: 24 bits, biSizeImage = row length * height (the only format
//   that sets it);
// - any other format: a 24-bit DIB of a converted copy (IEConvertTo24RGB).
// An empty bitmap gives the header alone, bit count 0. biXPelsPerMeter and
// biYPelsPerMeter are IEScreenPelsPerMeter; biClrUsed is 0.
std::vector<uint8_t> IEBitmapToDIB(TIEBitmap* Bitmap, int32_t X1 = 0, int32_t Y1 = 0, int32_t X2 = 0, int32_t Y2 = 0);

// Fills Bitmap from the packed DIB of Length bytes at DIB and returns its
// biBitCount (0 when the buffer is too short for a header). Bitmap is
// allocated |biHeight| rows of biWidth pixels: ie1g for a 1-bit DIB, ie24RGB
// for everything else. A positive biHeight stores the rows bottom-up, a
// negative one top-down.
// - Uncompressed 1, 4, 8, 16, 24 and 32 bits, and bit fields (compression 3)
//   for 16 and 32 bits. 1-bit rows are copied as they are (1 = white); 4 and
//   8 bits look their colours up in the table, indexes beyond it taking the
//   last entry.
// - The YUV frames I420, IYUV, YV12, YVU9, YUY2, YUNV, UYVY, UYNV, cyuv,
//   YVYU, IYU1, IYU2, Y41P, Y211 and CLJR. Packed rows are whole blocks
//   (a partial last block is decoded as far as the width goes); planar
//   chroma planes are (W div 2) x (H div 2), (W div 4) x (H div 4) for YVU9.
// - Anything else (RLE among them) leaves Bitmap allocated and zero.
// Pixels whose data lies beyond the buffer stay zero. A width or height of 0
// or less, an image over IEMaxImageBytes, or, above 16 MB of stored rows,
// pixel data below 1/64 of them (1/128 for compressed data) leaves Bitmap
// empty.
// The pixel data follows the header (biSize bytes, at least 40), the three
// masks of a 40-byte header with bit fields, and the colour table: biClrUsed
// entries, or 2, 16 or 256 for uncompressed 1, 4 and 8 bits (YUV frames have
// none unless biClrUsed says so). When Bits is given, the pixel data is read
// from it (BitsLength bytes) instead.
int32_t DIBToIEBitmap(const uint8_t* DIB, size_t Length, TIEBitmap* Bitmap, const uint8_t* Bits = nullptr,
                      size_t BitsLength = 0);
inline int32_t DIBToIEBitmap(const std::vector<uint8_t>& DIB, TIEBitmap* Bitmap) {
  return DIBToIEBitmap(DIB.data(), DIB.size(), Bitmap);
}

// Whether DIBToIEBitmap decodes the pixels of a DIB with this header (its
// compression and bit count): the uncompressed layouts and the YUV frames.
bool IEDIBIsDecodable(const BITMAPINFOHEADER& Header);

// Fills Dest (allocated |biHeight| x biWidth, 1 bit for a 1-bit DIB, else 24)
// by drawing the DIB into Dest's device context through IEDrawDibDraw, so
// what DIBToIEBitmap cannot decode leaves Dest zero. Returns biBitCount (0
// when there is no header). Dest stays as it was for an unusable size.
int32_t DIBToDibbitmap(const uint8_t* DIB, size_t Length, TIEDibbitmap* Dest, const uint8_t* Bits = nullptr,
                       size_t BitsLength = 0);

// ---- Platform bitmaps ---------------------------------------------------------------------
// Makes Dest equal to Source: its size, pixel format, rows and, up to 8 bits,
// colour table. An empty Source makes Dest 1 x 1 in Source's pixel format.
void CopyTBitmap(TBitmap* Source, TBitmap* Dest);
// A new platform bitmap holding a copy of Source.
std::unique_ptr<TBitmap> CloneTBitmap(TBitmap* Source);
