// The transition effects the engine draws through a procedure: the table of
// all 163 types with their display names, the geometry every procedure
// derives from the percentage passed, the mirrored stretch, and the region
// builders of the clipped effects.
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/rtl/graphtypes.h"

class TBitmap;
class TCanvas;

// Draws one frame of an effect onto Canvas (the frame's canvas, which still
// holds the previous frame). FromBitmap and ToBitmap are pf24bit and as large
// as the frame; Rect is (0, 0, W, H); the engine passes Step 1 and Percent
// 0..100. The procedures read ToBitmap and, for the push effects, the frame
// itself; none reads FromBitmap.
using TEffectProc = void (*)(TCanvas* Canvas, TBitmap* FromBitmap, TBitmap* ToBitmap, const TRect& Rect, int32_t Step,
                             int32_t Percent);

struct TEffect {
  const char* Name;
  TEffectProc Proc;  // nullptr for the types the engine draws itself (1..30)
};

// Entry i describes transition type i + 1.
inline constexpr int32_t IEEffectCount = 163;
extern const TEffect Effects[IEEffectCount];

// W, H: the size of Rect. X, Y: the share passed, driven by the longer side
// (MulDiv of Percent / 100) and kept in the area's aspect. U: a ninetieth of
// the longer side times Step, rounded (0 when that side is under 45 pixels).
struct TEffectGeometry {
  int32_t W, H, X, Y, U;
};
TEffectGeometry EffectGeometry(const TRect& Rect, int32_t Step, int32_t Percent);

// Stretches SourceRect of Bitmap (intersected with the bitmap first) onto
// DestRect of Canvas in the halftone mode. A flip swaps the two edges of the
// destination one pixel outwards (left := right + 1, right := left - 1), so
// the negative extent mirrors the picture.
void StretchFlipped(TCanvas* Canvas, const TRect& DestRect, TBitmap* Bitmap, bool FlipVertical, bool FlipHorizontal,
                    const TRect& SourceRect);

// ---- Region builders ----------------------------------------------------------------------
// Each answers a new region the caller deletes, or nullptr when it built no
// part at all. Rectangles with their corners in the wrong order count as the
// normalised rectangle.
//
// Kinds of BarsRegion, ShredRegion and SpeckleRegion: 0 none; 1 from the right
// (bottom); 2 from the left (top); 3 both sides at once (shred, speckle: out
// from the centre); 4 left (top) then right (bottom) for bars, in to the
// centre for shreds; 5 right (bottom) then left (top). HKind and HExtent make
// horizontal bars growing across the width, VKind and VExtent columns growing
// down the height.

// Bars 5 pixels thick every 10 pixels. An extent beyond the side is the second
// half: the first set complete, the second growing. A first-half extent
// within Snap pixels of the side counts as complete.
HRGN BarsRegion(int32_t HExtent, int32_t VExtent, int32_t W, int32_t VKind, int32_t HKind, int32_t Snap, int32_t H);
// Strips 5 pixels thick with ragged ends (a random jag of up to a seventh of
// the side); straight at full extent.
HRGN ShredRegion(int32_t HExtent, int32_t VExtent, int32_t W, int32_t VKind, int32_t HKind, int32_t H);
// A solid part plus random cells in a zone of a tenth of the side beyond its
// edge; no cells at full extent.
HRGN SpeckleRegion(int32_t HExtent, int32_t VExtent, int32_t W, int32_t VKind, int32_t HKind, int32_t H);
HRGN TriangleRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
// The polygon of the centre and Count points on the circle from StartAngle
// towards EndAngle, the last one a step short of EndAngle (radians, y down).
HRGN PieRegion(int32_t CX, int32_t CY, int32_t Radius, int32_t Count, double EndAngle, double StartAngle);
// Rotates Points[0 .. High] about (CX, CY) by Angle radians (clockwise on
// screen), rounding halves to even.
void RotatePoints(TPoint* Points, int32_t High, int32_t CX, int32_t CY, double Angle);
