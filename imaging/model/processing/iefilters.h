// Neighbourhood filters and alpha-based effects: the separable Gaussian blur
// (also the engine of every soft shadow), 3 x 3 convolution with the preset
// kernels, soft drop shadows from the alpha channel, rectangle shadows of
// drawn objects and rounded image corners.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ieprogress.h"

class TStringList;

// A 3 x 3 kernel: weights in row order (top-left first) and a divisor (0 is
// taken as 1).
struct TIEFilterKernel {
  int32_t Values[3][3];
  int32_t Divisor;
};

// The presets: "None", "Blur", "Edges", "Emboss", "High Pass 1" .. "High Pass
// 3", "Low Pass 1", "Low Pass 2".
inline constexpr int32_t IEFilterPresetCount = 9;
extern const std::array<TIEFilterKernel, IEFilterPresetCount> IEFilterPresets;
extern const std::array<const char*, IEFilterPresetCount> IEFilterPresetNameTable;
// The names above as a string list, in the same order.
const TStringList& IEFilterPresetNames();

// The Gaussian kernel of a radius > 0: weights of 16 fraction bits for the
// offsets -100..100 (Weights[100 + k]), trimmed to the half width HalfWidth
// (the outermost taps beyond it are 0).
struct TIEGaussKernel {
  int32_t HalfWidth = 0;
  int32_t Weights[201] = {};
};
void IEMakeGaussKernel(double Radius, TIEGaussKernel& Kernel);

// Blurs a whole ie8g or ie24RGB bitmap: rows, then columns of the result,
// the edge samples repeating beyond the edges. Nothing for Radius <= 0 or
// other formats. Progress rises to 100 over the two passes.
void GaussianBlur(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress, double Radius);
// The same on the inclusive rectangle of an ie8g bitmap (the rectangle's own
// edges repeat); no progress.
void GaussianBlurRect8(TIEBitmap* Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Radius);
// 3 x 3 convolution of the inclusive rectangle of an ie8g bitmap, every pixel
// computed from unfiltered neighbours (the image's edges repeat): |sum| div
// divisor, limited to 255.
void ApplyFilterKernelGray(TIEBitmap* Bitmap, const TIEFilterKernel& Kernel, int32_t X1, int32_t Y1, int32_t X2,
                           int32_t Y2);

// Sharpens the rectangle X1..X2-1 x Y1..Y2-1 of an ie24RGB bitmap: every
// channel moves away from the mean of its (NeighbourSize div 2)-neighbourhood
// without its own row and column by Intensity / 10 of the distance. A pixel
// without such neighbours is left as it is.
void ApplySharpen(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Intensity,
                  int32_t NeighbourSize, TObject* Sender, const TIEProgressEvent& OnProgress);

// The soft shadow of the picture's alpha channel (created opaque when
// missing): the alpha is blurred by Radius and moved by the offsets, and the
// fully transparent pixels it reaches become shadow (ShadowColor lightened by
// Lighten, 0..255). Opaque and partly transparent pixels keep their alpha;
// with ShadowOnly every pixel takes the shadow colour. Enlarge first frames
// the picture with max(2 * max(|OffsetX|, |OffsetY|) + trunc(Radius * 5), 1)
// transparent pixels. ie1g pixels under the shadow turn black; formats other
// than ie1g and ie24RGB change only their alpha channel.
void DrawSoftShadow(TIEBitmap* Bitmap, int32_t OffsetX, int32_t OffsetY, bool ShadowOnly, int32_t Lighten,
                    TObject* Sender, const TIEProgressEvent& OnProgress, const TRGB& ShadowColor, bool Enlarge,
                    double Radius);
// Shadows of a drawn object whose opaque area is Left..Right x Top..Bottom:
// the alpha around it is blurred (Radius 0: the "Blur" preset) and moved, and
// the pixels within the returned margin of the area are painted Gray where
// the shadow falls: DrawRectShadowMasked where the original alpha is 0 and
// the blurred one is not (or everywhere), DrawRectShadow where the original
// alpha is below 100 and changed.
int32_t DrawRectShadowMasked(TIEBitmap* Bitmap, int32_t OffsetX, int32_t OffsetY, bool Everywhere, uint8_t Gray,
                             int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, double Radius);
int32_t DrawRectShadow(TIEBitmap* Bitmap, int32_t OffsetX, int32_t OffsetY, uint8_t Gray, int32_t Left, int32_t Top,
                       int32_t Right, int32_t Bottom, double Radius);

// Makes the four corners transparent along a Bezier quarter curve of the
// radii (alpha channel created when missing).
void RoundBitmapCorners(TIEBitmap* Bitmap, int32_t RadiusX, int32_t RadiusY);
