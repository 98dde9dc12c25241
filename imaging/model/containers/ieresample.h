// Resampling: scales a TIEBitmap into a second TIEBitmap that the caller has
// already allocated at the wanted size. ResampleBitmap picks the engine from
// the filter and the source's pixel format:
//   rfNone               nearest-neighbour stretch, every pixel format;
//   rfTriangle..rfLinear a two-pass kernel resampler with fixed-point
//                        contributor lists (horizontal pass into a work
//                        raster, then the vertical pass);
//   rfFastLinear         a fast linear resampler (17-bit fractions);
//   rfBilinear/Bicubic   an area-weighted resampler with bilinear or bicubic
//                        samples;
//   rfProjectBW/WB       a projection to a 1-bit image;
// with separate forms for 1-bit sources and for one 8-bit channel (alpha
// channels and ie8g images). Each engine keeps its own arithmetic; they are
// not interchangeable.
//
// Source rows are read with the source's access narrowed to reading and the
// destination written with its access narrowed to writing (both restored on
// return), so file-backed bitmaps are neither rewritten nor read needlessly.
// Every engine writes whole destination rows. Source and Dest must be two
// different bitmaps and must not be touched by another thread meanwhile.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ieprogress.h"

enum class TResampleFilter : uint8_t {
  rfNone = 0,
  rfTriangle = 1,
  rfHermite = 2,
  rfBell = 3,
  rfBSpline = 4,
  rfLanczos3 = 5,
  rfMitchell = 6,
  rfNearest = 7,
  rfLinear = 8,
  rfFastLinear = 9,
  rfBilinear = 10,
  rfBicubic = 11,
  rfProjectBW = 12,
  rfProjectWB = 13,
};

// One kernel of the two-pass engine: the weight at a distance in source
// pixels, and the radius outside which it is 0.
struct TResampleKernelEntry {
  double (*Kernel)(double X);
  double Support;
};

// The kernels of rfTriangle .. rfLinear, in that order (index = filter - 1).
extern const std::array<TResampleKernelEntry, 8> ResampleKernelTable;

// The entry of a kernel filter (rfTriangle .. rfLinear).
inline const TResampleKernelEntry& ResampleKernel(TResampleFilter Filter) {
  return ResampleKernelTable[static_cast<size_t>(static_cast<uint8_t>(Filter) - 1)];
}

// ---- The routines callers use ---------------------------------------------------

// Scales Source into Dest, which already has the target width and height.
// - When Source has an alpha channel, FillTransparentPixels(Source, gray 128)
//   runs first: this CHANGES THE SOURCE, every fully transparent pixel of an
//   ie24RGB source keeps the colour 128,128,128 afterwards.
// - rfNone: StretchNearest, Dest reallocated in Source's format if it has
//   another one.
// - ie1g sources with a filter: Dest is reallocated as ie1g (rfProjectBW,
//   rfProjectWB) or ie24RGB (the others) when its format differs, then
//   Resample1Bit.
// - Other sources: ResampleFiltered.
// - Source's alpha channel is resampled into Dest's (created at Dest's size
//   when missing) with the same filter (nearest for rfNone), and Dest's
//   alpha channel takes the Full flag of Source's.
// Nothing happens when either bitmap is empty or when Source is Dest.
void ResampleBitmap(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter,
                    const TIEProgressEvent& OnProgress = TIEProgressEvent(), TObject* Sender = nullptr);

// Nearest-neighbour copy for any pixel format: Dest pixel (i, y) is Source
// pixel (trunc(SW / DW * i), trunc(SH / DH * y)). Dest is reallocated in
// Source's format when its format differs; an ie8p Dest takes Source's
// palette. Progress after each row y: trunc(100 / (DH + 0.5) * y).
void StretchNearest(TIEBitmap* Source, TIEBitmap* Dest, const TIEProgressEvent& OnProgress = TIEProgressEvent(),
                    TObject* Sender = nullptr);

// A filter other than rfNone by source format:
// - ie24RGB: the kernel engine (rfTriangle .. rfLinear), ResampleFastLinear,
//   ResampleAreaInterpolated or ProjectResample; Dest is reallocated as
//   ie24RGB when it has another format (as ie1g by the projections). A 1 x 1
//   source fills Dest with its pixel.
// - ie1g: as ResampleBitmap does (Dest's format set, then Resample1Bit).
// - ie8g: the single-channel engines of ResampleAlpha with the same filter.
// - ie8p, ie16g, ie32f, ieCMYK, ieRGB48: StretchNearest, which keeps format,
//   depth and palette.
void ResampleFiltered(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter,
                      const TIEProgressEvent& OnProgress = TIEProgressEvent(), TObject* Sender = nullptr);

// ie1g sources into an ie24RGB gray Dest (ie1g for the projections, which
// reallocate it). Kernel filters read the bits as 0 or 255; rfFastLinear,
// rfBilinear and rfBicubic use ResampleFastLinear1Bit (whose same-size copy
// leaves Dest ie1g). No progress.
void Resample1Bit(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter);

// One 8-bit channel (alpha channels, ie8g images) into an 8-bit Dest (an
// ie8g Dest of the same size replaces one of another depth). Kernel filters
// run the two-pass engine on the one channel; rfFastLinear .. rfProjectWB use
// ResampleFastLinear8; rfNone the nearest stretch. A 1 x 1 source fills Dest
// with its value. No progress.
void ResampleAlpha(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter);

// Draws the inclusive rectangle X1..X2 x Y1..Y2 of a 1-bit Source into the
// whole of an ie24RGB Dest as gray: each Dest pixel is 255 * (set bits) /
// (pixels) of its source window (integer division). Nothing when either
// bitmap is empty, the rectangle is inverted or the formats are not ie1g and
// ie24RGB.
void Stretch1BitToGray(TIEBitmap* Source, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TIEBitmap* Dest);

// In an ie24RGB bitmap with an alpha channel, every pixel whose alpha is 0
// takes Colour (the bitmap itself is changed). Other bitmaps are left alone.
void FillTransparentPixels(TIEBitmap* Bitmap, TRGB Colour);

// ---- The engines (called by the routines above) -------------------------------------

// Fast linear on ie24RGB: 17-bit fractions; an axis that is not enlarged
// averages the pixels each destination pixel spans (on x including the
// boundary pixel it shares with its right neighbour). The same size on both
// axes is a copy (Assign). Progress 0 .. trunc((SH + DH - 1) * 100 /
// (SH + DH + 0.5)).
void ResampleFastLinear(TIEBitmap* Source, TIEBitmap* Dest, const TIEProgressEvent& OnProgress = TIEProgressEvent(),
                        TObject* Sender = nullptr);
// The same on one 8-bit channel, without progress.
void ResampleFastLinear8(TIEBitmap* Source, TIEBitmap* Dest);
// 1-bit source into an ie24RGB gray Dest: a copy (Assign, so Dest stays
// ie1g) for the same size, linear
// interpolation on both axes when either is enlarged or kept, otherwise
// Stretch1BitToGray of the whole source.
void ResampleFastLinear1Bit(TIEBitmap* Source, TIEBitmap* Dest);
// Area-weighted ie24RGB resample: every destination pixel is the mean, over
// the source area it covers, of bilinear (or bicubic) samples on the axes that
// are enlarged and of plain pixels on the others. Progress after each
// destination row, ending at 100.
void ResampleAreaInterpolated(TIEBitmap* Source, TIEBitmap* Dest, bool Bicubic,
                              const TIEProgressEvent& OnProgress = TIEProgressEvent(), TObject* Sender = nullptr);
// Projection of an ie24RGB source to 1 bit (Dest reallocated as ie1g unless
// it is 1-bit): with WhiteWins false a pixel is black when any source pixel
// of its block has red, green and blue below 128; with WhiteWins true it is
// white when any has all three above 128. Progress after each row j:
// trunc(100 / (DH + 0.5) * j).
void ProjectResample(TIEBitmap* Source, TIEBitmap* Dest, bool WhiteWins,
                     const TIEProgressEvent& OnProgress = TIEProgressEvent(), TObject* Sender = nullptr);
// The same for an ie1g source (a 0 bit is dark, a 1 bit light); no progress.
void ProjectResample1Bit(TIEBitmap* Source, TIEBitmap* Dest, bool WhiteWins);
// Cubic convolution (a = -1) of four samples at T in 0..1 between P0 and P1,
// clamped to 0..255.
double CubicInterpolate(double Pm1, double P0, double P1, double P2, double T);
