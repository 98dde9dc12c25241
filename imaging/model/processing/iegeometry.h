// Geometry routines of the image library: rotation by any angle (three
// shears with optional 12-bit anti-aliasing, an inverse-mapping rotation with
// bilinear or bicubic samples, and a nearest-neighbour rotation), exact
// quarter turns, flips and the EXIF/TIFF orientation codes.
//
// Angles are in degrees; a positive angle turns the picture counter-clockwise
// as displayed (row 0 at the top). The rotation routines change the pixels
// of the bitmap and drop its alpha channel: a caller that keeps one rotates
// it through the 8-bit routine of the same road (TImgProc::Rotate does).
// FlipBitmap and IEApplyOrientation carry the alpha channel along.
//
// Every routine works on whole rows (no per-pixel calls into the bitmap) and
// accepts bitmaps in any location; new ie8p bitmaps take the source palette.
#pragma once

#include <cstdint>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ieprogress.h"

// ---- Any angle ------------------------------------------------------------------------

// Three-shear rotation of an ie24RGB bitmap in place. The angle is taken to a
// thousandth of a degree, quarter turns bring it within +-45, then three
// shears turn the rest; the new size comes from the shear geometry (100 x 50
// at 30 degrees gives 112 x 94). The uncovered area takes Background.
// Other formats:
//   ie1g                          RotateBitmap1Bit, white fill when the red,
//                                 green and blue of Background are all non-zero;
//   ie8g                          RotateBitmap8 with the gray of Background;
//   ie8p                          RotateBitmap8 without anti-aliasing (indexes
//                                 do not mix), filled with the palette entry
//                                 nearest to Background;
//   ie16g, ie32f, ieCMYK, ieRGB48 the nearest-neighbour geometry of
//                                 RotateBitmap8Nearest, Background in the format.
// The shears report progress after each line and 100 at the end. Nothing for
// Angle 0.
void RotateBitmap24(TIEBitmap* Bitmap, bool AntiAlias, TObject* Sender, const TIEProgressEvent& OnProgress,
                    const TRGB& Background, double Angle);
// The same three shears on one byte per pixel (ie8g, ie8p); other formats:
// nothing.
void RotateBitmap8(TIEBitmap* Bitmap, bool AntiAlias, uint8_t Fill, TObject* Sender, const TIEProgressEvent& OnProgress,
                   double Angle);

// Nearest-neighbour rotation of an ie1g bitmap: exact quarter turns for 90
// (counter-clockwise), -90 and 270 (clockwise), an exact half turn for 180
// and -180; any other angle maps every pixel back with sine and cosine
// truncated to four decimals, the new size truncated (111 x 93 for 100 x 50
// at 30 degrees), and pixels outside the source set when FillBit is 1.
// Progress through Progress.Event.
void RotateBitmap1Bit(TIEBitmap* Bitmap, int32_t FillBit, const TIECodecProgress& Progress, double Angle);
// The same geometry on 8-bit bitmaps (ie8g, ie8p); outside pixels take Fill.
void RotateBitmap8Nearest(TIEBitmap* Bitmap, uint8_t Fill, double Angle);
// The same geometry on any byte-aligned format; FillPixel holds one pixel of
// the bitmap's format.
void RotateBitmapNearest(TIEBitmap* Bitmap, const uint8_t* FillPixel, double Angle);

// Inverse-mapping rotation of an ie24RGB bitmap: the picture is framed by 3
// pixels of Background, each result pixel is sampled bilinearly (Mode 1) or
// bicubically (Mode 2, clamped to 0..255) and the frame is trimmed off again
// (100 x 50 at 30 degrees gives 112 x 94). Other modes take the three-shear
// road with anti-aliasing. Progress per result row.
void RotateInterpolated24(TIEBitmap* Bitmap, TColor Background, uint8_t Mode, TObject* Sender,
                          const TIEProgressEvent& OnProgress, double Angle);
// The same on an 8-bit bitmap with Fill as the background; no progress.
void RotateInterpolated8(TIEBitmap* Bitmap, uint8_t Fill, uint8_t Mode, double Angle);

// ---- Quarter turns and flips ------------------------------------------------------------

// Dest is allocated with width and height exchanged in Source's format (and
// palette) and receives the turned picture: counter-clockwise, result pixel
// (y, W - 1 - x) := source pixel (x, y); clockwise, (H - 1 - y, x). Every
// pixel format is turned exactly, ie1g by bits. Alpha channels are not
// copied. Source and Dest must differ.
void Rotate90Clockwise24(TIEBitmap* Source, TIEBitmap* Dest);
void Rotate90CounterClockwise24(TIEBitmap* Source, TIEBitmap* Dest);
void Rotate90Clockwise8(TIEBitmap* Source, TIEBitmap* Dest);
void Rotate90CounterClockwise8(TIEBitmap* Source, TIEBitmap* Dest);

// Angle has no fractional part and trunc(Angle) mod 90 = 0.
bool IsMultipleOf90(double Angle);

// Direction 0: left-right (mirrored about the vertical axis); 1: upside down.
// Every pixel format, in place, with the alpha channel.
void FlipBitmap(TIEBitmap* Bitmap, int32_t Direction);

// Turns an EXIF/TIFF orientation code into the upright picture, exactly (no
// interpolation), with the alpha channel: 2 mirror left-right, 3 half turn,
// 4 mirror upside down, 5 transpose, 6 quarter turn clockwise, 7 transverse,
// 8 quarter turn counter-clockwise; other codes change nothing.
void IEApplyOrientation(TIEBitmap* Bitmap, int32_t Orientation);

// ---- Helpers shared by the geometry operations ------------------------------------------

// A fill value for TIEBitmap::Fill, FillRect and Resize that gives Colour in
// Bitmap's format: the TColor itself for the colour formats, the gray level
// for gray formats (0..1 for ie32f), the nearest palette index for ie8p, and
// for ie1g white when red, green and blue are all non-zero.
double IEBackgroundFillValue(TIEBitmap* Bitmap, TColor Colour);
// Target takes Source's pixels, palette and alpha channel as Assign does,
// moving them without a copy when Target owns plain storage; Source is left
// empty or unchanged.
void IETakeBitmap(TIEBitmap* Target, TIEBitmap* Source);
