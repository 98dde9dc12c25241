// Regions: sets of pixels kept as y-x banded rectangle lists. Used for clip
// regions, window shapes and hit-testing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gui/rasterize.h"
#include "platform/rtl/graphtypes.h"

// Region kinds (answers of Combine and Kind); ERROR for a failed operation.
inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

// Combine modes.
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;

// Region data: a 32-byte header (dwSize 32, iType, nCount, nRgnSize, rcBound)
// followed by nCount rectangles, every field a little-endian 32-bit integer.
inline constexpr int RDH_RECTANGLES = 1;
inline constexpr uint32_t RGNDATAHEADER_SIZE = 32;

// Rectangles are right and bottom exclusive. The list is kept canonical:
// sorted into bands of equal Top and Bottom, bands in rising y and
// non-overlapping; within a band rectangles are sorted by x and neither overlap
// nor touch; vertically touching bands with the same x-runs are merged. So two
// regions hold the same pixels exactly when their lists are equal.
class TRegion {
 public:
  TRegion() = default;
  // The rectangle with its corners in either order; no area gives the empty
  // region.
  explicit TRegion(const TRect& R);

  // The union of arbitrary (unsorted, overlapping) rectangles; empty ones are
  // ignored.
  static TRegion FromRects(const TRect* rects, size_t count);
  // The union of horizontal pixel runs (any order, may overlap).
  static TRegion FromSpans(const TSpan* spans, size_t count);
  static TRegion FromSpans(const std::vector<TSpan>& spans) { return FromSpans(spans.data(), spans.size()); }

  const std::vector<TRect>& Rects() const { return FRects; }
  // Bounding box; (0, 0, 0, 0) when empty.
  TRect Box() const { return FBox; }
  bool Empty() const { return FRects.empty(); }
  // NULLREGION, SIMPLEREGION (one rectangle) or COMPLEXREGION.
  int Kind() const;

  // Dst := A mode B (RGN_COPY: Dst := A); Dst may be A or B. Answers Dst's
  // kind, or ERROR for an unknown mode (Dst unchanged).
  static int Combine(TRegion& Dst, const TRegion& A, const TRegion& B, int Mode);

  // Moves the region; false (and unchanged) when a coordinate would leave the
  // 32-bit range.
  bool Offset(int32_t dx, int32_t dy);
  bool Contains(int32_t x, int32_t y) const;
  // Whether any pixel of R (corners in either order) is in the region.
  bool IntersectsRect(const TRect& R) const;

  friend bool operator==(const TRegion& A, const TRegion& B) { return A.FRects == B.FRects; }

  // Region data of this region: header (nRgnSize = 16 * nCount, rcBound =
  // Box()) and the canonical rectangles.
  std::vector<uint8_t> ToRegionData() const;
  // Reads region data of `size` bytes. Demands dwSize 32, iType
  // RDH_RECTANGLES, nCount rectangles within both the buffer and nRgnSize
  // (nRgnSize 0 means "not given"); rcBound is ignored. Rectangles may come
  // in any order and overlap; empty ones are ignored. False (Out unchanged)
  // on bad data or when the union would exceed MaxDataRects rectangles.
  static bool FromRegionData(const void* data, size_t size, TRegion& Out);
  static constexpr size_t MaxDataRects = size_t(1) << 21;

 private:
  std::vector<TRect> FRects;
  TRect FBox;

  void UpdateBox();
};

// Regions of the shapes, holding exactly the pixels the drawing routines
// cover with a 1-pixel pen and a solid brush (see rasterize.h).
TRegion RoundRectRegion(int l, int t, int r, int b, int w, int h);
TRegion EllipseRegion(int l, int t, int r, int b);
TRegion PolygonRegion(const TPoint* pts, int n, int fillMode);
TRegion PolyPolygonRegion(const TPoint* pts, const int* counts, int nPolys, int fillMode);
