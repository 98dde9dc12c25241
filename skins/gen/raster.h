// The generator's drawing surface and primitives. Everything is integer
// arithmetic: shapes are sampled on an 8 x 8 grid per pixel and composited
// with (a * c + b * (64 - c) + 32) / 64, so a picture is bit-identical under
// every compiler and build type.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct TRgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const TRgb&) const = default;
};

// "#RRGGBB"; false for any other form.
bool ParseRgb(const char* Text, TRgb& Colour);
// The ini form of a colour: R + 256 * G + 65536 * B.
int32_t ColourValue(TRgb C);
// a over b at coverage c of 64.
TRgb Mix(TRgb A, TRgb B, int32_t C);
// Colour stops of a gradient: Pos runs 0..1024 along it.
struct TStop {
  int32_t Pos;
  TRgb Colour;
};
TRgb GradientAt(const std::vector<TStop>& Stops, int32_t I, int32_t N);

class TRaster {
 public:
  TRaster() = default;
  TRaster(int32_t W, int32_t H, TRgb Fill = {});
  int32_t Width() const { return FW; }
  int32_t Height() const { return FH; }
  TRgb At(int32_t X, int32_t Y) const { return FPx[size_t(Y) * FW + X]; }
  void Set(int32_t X, int32_t Y, TRgb C);
  // C at coverage Cov of 64 over the pixel; clipped.
  void Blend(int32_t X, int32_t Y, TRgb C, int32_t Cov);
  void FillRect(int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C);
  void Blit(const TRaster& Src, int32_t X, int32_t Y);
  bool operator==(const TRaster&) const = default;

 private:
  int32_t FW = 0, FH = 0;
  std::vector<TRgb> FPx;
};

// ---- Coverage ------------------------------------------------------------------
// Points are in sixteenths of a pixel; the samples of pixel (x, y) lie at
// 16x + 1, 16x + 3, ... 16x + 15.
using TInside = std::function<bool(int32_t SX, int32_t SY)>;
// Covered samples (0..64) of pixel (X, Y).
int32_t Coverage(const TInside& Inside, int32_t X, int32_t Y);
// Every pixel of the box [X0, X1) x [Y0, Y1) blended with C by its coverage.
void FillShape(TRaster& R, const TInside& Inside, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C);
// A paint per pixel instead of one colour (for gradients inside a shape).
void FillShapeWith(TRaster& R, const TInside& Inside, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1,
                   const std::function<TRgb(int32_t X, int32_t Y)>& Paint);

// Shapes in pixel units. Radii: left-top, right-top, right-bottom, left-bottom.
struct TRadii {
  int32_t LT = 0, RT = 0, RB = 0, LB = 0;
};
TInside RoundRectShape(int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRadii Radii);
// Centre and radius in sixteenths.
TInside DiscShape(int32_t CX16, int32_t CY16, int32_t R16);
struct TPt16 {
  int32_t X, Y;
};
// Non-zero winding; vertices in sixteenths.
TInside PolygonShape(std::vector<TPt16> Points);
// A line of width W16 from A to B as a polygon.
TInside StrokeShape(TPt16 A, TPt16 B, int32_t W16);
// Union of shapes.
TInside UnionShape(std::vector<TInside> Shapes);

// ---- Fills ---------------------------------------------------------------------
// A gradient across [X0, X1) x [Y0, Y1): vertical (top to bottom) or horizontal.
void FillGradient(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, const std::vector<TStop>& Stops,
                  bool Vertical);
// Two bands: the upper Split/1024 of the height from Top1 to Top2, the lower
// from Bottom1 to Bottom2.
std::vector<TStop> GlossyStops(TRgb Top1, TRgb Top2, TRgb Bottom1, TRgb Bottom2, int32_t Split);
// Vertical lines of colour C at coverage Cov every Period pixels, phase 0.
void Pinstripe(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C, int32_t Cov, int32_t Period);
// An ordered 2 x 2 dither of C at coverage Cov on alternate pixels.
void Dither(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb C, int32_t Cov);
// Light top-left, dark bottom-right one-pixel edges.
void Bevel(TRaster& R, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, TRgb Light, TRgb Dark);

// Integer square root (floor).
int32_t ISqrt(int64_t V);
