// The machinery behind the effect table: every effect is a plan of rectangle
// copies or a region builder over the area's geometry, and one template turns
// each into an effect procedure.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/transitions/ieeffects.h"
#include "platform/gui/gdi.h"

// The geometry together with the percentage it was made for.
struct TEffectArea : TEffectGeometry {
  int32_t Percent;
};
TEffectArea MakeEffectArea(const TRect& Rect, int32_t Step, int32_t Percent);

// A period or divisor that must advance: U is 0 on areas under 45 pixels.
inline int32_t AtLeast1(int32_t V) { return V < 1 ? 1 : V; }

// ---- Copy plans -----------------------------------------------------------------------------
enum class TCopyKind : uint8_t {
  ckNone,   // ends the plan
  ckCopy,   // the to-picture's S onto the frame's D (stretched when the sizes differ)
  ckSelf,   // the frame's S onto its own D, reading the frame as it was
  ckFlipH,  // StretchFlipped of the to-picture, mirrored left to right
  ckFlipV   // StretchFlipped of the to-picture, mirrored top to bottom
};
struct TCopyStep {
  TCopyKind Kind = TCopyKind::ckNone;
  TRect S, D;
};
struct TCopyPlan {
  TCopyStep Steps[4];
};

constexpr TCopyStep CopyTo(const TRect& S, const TRect& D) { return {TCopyKind::ckCopy, S, D}; }
constexpr TCopyStep Same(const TRect& R) { return {TCopyKind::ckCopy, R, R}; }
constexpr TCopyStep SelfTo(const TRect& S, const TRect& D) { return {TCopyKind::ckSelf, S, D}; }
constexpr TRect Whole(const TEffectArea& A) { return {0, 0, A.W, A.H}; }

void RunCopyPlan(TCanvas* Canvas, TBitmap* ToBitmap, const TCopyPlan& Plan);

template <auto Plan>
void CopyEffect(TCanvas* Canvas, TBitmap*, TBitmap* ToBitmap, const TRect& Rect, int32_t Step, int32_t Percent) {
  RunCopyPlan(Canvas, ToBitmap, Plan(MakeEffectArea(Rect, Step, Percent)));
}

// The unroll plans of types 60 to 63 (Vertical: on rows; FromEnd: from the
// right or bottom).
TCopyPlan UnrollPlan(const TEffectArea& A, bool Vertical, bool FromEnd);

// ---- Region effects ------------------------------------------------------------------------
// Collects rectangles and makes their union in one step: the shredded and
// speckled regions hold thousands of small parts, which one-by-one combining
// would merge in time quadratic in their number.
class TRectUnion {
 public:
  void Add(int32_t L, int32_t T, int32_t R, int32_t B);
  // nullptr when nothing was added.
  HRGN Region() const;

 private:
  std::vector<TRect> FRects;
};

// Dst := Dst mode Part (Dst taken over when still nullptr); Part is deleted.
// An empty handle stands for the empty region.
void CombineInto(HRGN& Dst, HRGN Part, int32_t Mode);

// Clips the frame to Region (nullptr: no clip), deletes the region, draws the
// whole to-picture at (0, 0) and removes the clip.
void DrawThroughRegion(TCanvas* Canvas, TBitmap* ToBitmap, HRGN Region);

template <auto Build>
void RegionEffect(TCanvas* Canvas, TBitmap*, TBitmap* ToBitmap, const TRect& Rect, int32_t Step, int32_t Percent) {
  DrawThroughRegion(Canvas, ToBitmap, Build(MakeEffectArea(Rect, Step, Percent)));
}

// The region shapes of the table entries (CrisscrossIntersection: the
// intersection of bars from the bottom right and from the top left).
HRGN RoundRectWipe(int32_t L, int32_t T, int32_t R, int32_t B, int32_t EllipseW, int32_t EllipseH);
HRGN CircularWipeToCenter(const TEffectArea& A);
HRGN CrisscrossIntersection(const TEffectArea& A);
HRGN Triangles(const TPoint* Points, int32_t Count);  // Count / 3 triangles, joined
HRGN SweepRegion(const TEffectArea& A, bool Clockwise);
HRGN RotatedShape(const TEffectArea& A, bool Star);
HRGN GridRegion(const TEffectArea& A, bool Triangular);
// Blinds: AlongX repeats full-height bands along x (else full-width bands
// along y); FromEnd starts them at the right or bottom; Uneven takes the
// period from X or Y instead of the side divided by U.
HRGN BlindsRegion(const TEffectArea& A, bool AlongX, bool FromEnd, bool Uneven);
// Types 160 to 163: centred bands across the other axis joined with the
// uneven blinds of AlongX and FromEnd.
HRGN RectanglesRegion(const TEffectArea& A, bool AlongX, bool FromEnd);
