// The magic wand of the image view's selection: the region 4-connected to a
// seed pixel whose colour lies within a tolerance of the seed's, set into a
// mask or traced as a polygon of pixel corners; and the global variant that
// selects every similar pixel. A pixel matches when each of its red, green
// and blue differs from the seed's by at most Tolerance; colours are read as
// GetPixelAsRGB reads them, so every pixel format works. MaxFilter grows the
// region by one pixel in every direction.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/graphtypes.h"

class TIEBitmap;
class TIEMask;

// Sets SetPixel(x, y, MaskValue) in Mask for every pixel of the region (with
// MaxFilter for each pixel of its 3 x 3 neighbourhood inside the image);
// nothing is cleared. Nothing when the seed lies outside the image.
void MagicWandFill(TIEBitmap* Bitmap, int32_t X, int32_t Y, bool MaxFilter, int32_t Tolerance, TIEMask* Mask,
                   int32_t MaskValue);

// Sets every pixel of the image that matches the seed's colour. Nothing when
// the seed lies outside the image.
void SelectSimilarColors(TIEBitmap* Bitmap, int32_t X, int32_t Y, int32_t Tolerance, TIEMask* Mask, int32_t MaskValue);

// The outer border of the region as pixel-corner points (a pixel's left and
// top borders lie at its own coordinates, its right and bottom borders at
// coordinate + 1), starting near the top-left and running clockwise. Points
// are emitted where the direction of the border changes; consecutive points
// may coincide and the last may repeat the first. Holes, and further borders
// of a region split apart, are not traced. Count := the number of points;
// empty when the seed lies outside the image.
std::vector<TPoint> MagicWandOutline(TIEBitmap* Bitmap, int32_t X, int32_t Y, bool MaxFilter, int32_t Tolerance,
                                     int32_t& Count);
