#include "platform/gui/region.h"
#include "platform/rtl/byteorder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {

using TRun = std::pair<int32_t, int32_t>;  // [first, second)

// End of the band starting at i.
size_t BandEnd(const std::vector<TRect>& v, size_t i) {
  const int32_t top = v[i].Top;
  size_t j = i + 1;
  while (j < v.size() && v[j].Top == top) ++j;
  return j;
}

bool OpResult(int mode, bool a, bool b) {
  switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    default: return a && !b;  // RGN_DIFF
  }
}

// The x-runs of (band a) mode (band b); both sorted, disjoint, not touching,
// and so is the result.
void RunOp(const TRect* a, size_t na, const TRect* b, size_t nb, int mode, std::vector<TRun>& out) {
  out.clear();
  constexpr int64_t kNone = std::numeric_limits<int64_t>::max();
  size_t i = 0, j = 0;
  bool inA = false, inB = false, inOut = false;
  int32_t start = 0;
  for (;;) {
    const int64_t xa = i < na ? (inA ? a[i].Right : a[i].Left) : kNone;
    const int64_t xb = j < nb ? (inB ? b[j].Right : b[j].Left) : kNone;
    const int64_t x = std::min(xa, xb);
    if (x == kNone) break;
    if (xa == x) {
      if (inA) ++i;
      inA = !inA;
    }
    if (xb == x) {
      if (inB) ++j;
      inB = !inB;
    }
    const bool o = OpResult(mode, inA, inB);
    if (o != inOut) {
      if (o)
        start = static_cast<int32_t>(x);
      else
        out.emplace_back(start, static_cast<int32_t>(x));
      inOut = o;
    }
  }
}

// Builds a canonical rectangle list band by band: appends the band
// [top, bottom) with the given runs, merging it into the previous band when
// that one ends at `top` with the same runs.
class TBandWriter {
 public:
  explicit TBandWriter(std::vector<TRect>& out) : FOut(out) {}

  void Add(int32_t top, int32_t bottom, const std::vector<TRun>& runs) {
    if (runs.empty() || top >= bottom) return;
    if (FLastStart != kNoBand && FOut[FLastStart].Bottom == top && FOut.size() - FLastStart == runs.size()) {
      bool same = true;
      for (size_t k = 0; k < runs.size() && same; ++k)
        same = FOut[FLastStart + k].Left == runs[k].first && FOut[FLastStart + k].Right == runs[k].second;
      if (same) {
        for (size_t k = FLastStart; k < FOut.size(); ++k) FOut[k].Bottom = bottom;
        return;
      }
    }
    FLastStart = FOut.size();
    for (const TRun& r : runs) FOut.push_back(TRect{r.first, top, r.second, bottom});
  }

 private:
  static constexpr size_t kNoBand = static_cast<size_t>(-1);
  std::vector<TRect>& FOut;
  size_t FLastStart = kNoBand;
};

// Sweeps the bands of both lists from the top down; every stretch of rows in
// which neither list changes becomes one output band. False as soon as the
// result holds more than `limit` rectangles.
bool CombineRects(const std::vector<TRect>& A, const std::vector<TRect>& B, int mode, std::vector<TRect>& out,
                  size_t limit = std::numeric_limits<size_t>::max()) {
  out.clear();
  TBandWriter writer(out);
  std::vector<TRun> runs;
  constexpr int64_t kNone = std::numeric_limits<int64_t>::max();
  size_t ia = 0, ib = 0;
  size_t ea = ia < A.size() ? BandEnd(A, ia) : ia;
  size_t eb = ib < B.size() ? BandEnd(B, ib) : ib;
  int64_t y = std::numeric_limits<int64_t>::min();
  for (;;) {
    const bool haveA = ia < A.size(), haveB = ib < B.size();
    if (!haveA && !haveB) break;
    if (!haveA && (mode == RGN_AND || mode == RGN_DIFF)) break;
    if (!haveB && mode == RGN_AND) break;
    const int64_t aTop = haveA ? A[ia].Top : kNone, bTop = haveB ? B[ib].Top : kNone;
    y = std::max(y, std::min(aTop, bTop));
    const bool inA = haveA && aTop <= y, inB = haveB && bTop <= y;
    int64_t ny = kNone;
    if (haveA) ny = std::min<int64_t>(ny, inA ? A[ia].Bottom : aTop);
    if (haveB) ny = std::min<int64_t>(ny, inB ? B[ib].Bottom : bTop);
    RunOp(inA ? &A[ia] : nullptr, inA ? ea - ia : 0, inB ? &B[ib] : nullptr, inB ? eb - ib : 0, mode, runs);
    writer.Add(static_cast<int32_t>(y), static_cast<int32_t>(ny), runs);
    if (out.size() > limit) return false;
    y = ny;
    if (inA && A[ia].Bottom == ny) {
      ia = ea;
      ea = ia < A.size() ? BandEnd(A, ia) : ia;
    }
    if (inB && B[ib].Bottom == ny) {
      ib = eb;
      eb = ib < B.size() ? BandEnd(B, ib) : ib;
    }
  }
  return true;
}

// Whether rects [begin, end) form bands that only need merging of touching
// runs and bands to be canonical: sorted by (Top, Left), one Bottom per Top,
// bands not overlapping, runs in a band not overlapping.
size_t BandedPrefix(const TRect* r, size_t begin, size_t end) {
  size_t i = begin + 1;
  for (; i < end; ++i) {
    const TRect& p = r[i - 1];
    const TRect& c = r[i];
    if (c.Top == p.Top) {
      if (c.Bottom != p.Bottom || c.Left < p.Right) break;
    } else if (c.Top < p.Bottom) {
      break;
    }
  }
  return i;
}

void BandedToCanonical(const TRect* r, size_t begin, size_t end, std::vector<TRect>& out) {
  TBandWriter writer(out);
  std::vector<TRun> runs;
  size_t i = begin;
  while (i < end) {
    const int32_t top = r[i].Top, bottom = r[i].Bottom;
    runs.clear();
    for (; i < end && r[i].Top == top; ++i) {
      if (!runs.empty() && runs.back().second == r[i].Left)
        runs.back().second = r[i].Right;
      else
        runs.emplace_back(r[i].Left, r[i].Right);
    }
    writer.Add(top, bottom, runs);
  }
}

// Union of arbitrary rectangles: banded stretches become canonical pieces
// directly, the pieces are united pairwise. False when the pieces together
// grow beyond `cap` rectangles, which bounds memory for hostile input.
bool UnionRects(const TRect* rects, size_t count, size_t cap, std::vector<TRect>& out) {
  std::vector<TRect> clean;
  clean.reserve(count);
  for (size_t i = 0; i < count; ++i)
    if (rects[i].Left < rects[i].Right && rects[i].Top < rects[i].Bottom) clean.push_back(rects[i]);
  std::vector<std::vector<TRect>> pieces;
  for (size_t i = 0; i < clean.size();) {
    const size_t e = BandedPrefix(clean.data(), i, clean.size());
    pieces.emplace_back();
    BandedToCanonical(clean.data(), i, e, pieces.back());
    i = e;
  }
  size_t total = 0;
  for (const auto& p : pieces) total += p.size();
  if (total > cap) return false;
  std::vector<TRect> tmp;
  while (pieces.size() > 1) {
    size_t w = 0;
    for (size_t k = 0; k < pieces.size(); k += 2) {
      if (k + 1 < pieces.size()) {
        const size_t rest = total - pieces[k].size() - pieces[k + 1].size();
        if (!CombineRects(pieces[k], pieces[k + 1], RGN_OR, tmp, cap - rest)) return false;
        total = rest + tmp.size();
        // Free the consumed pieces at once so memory follows `total`.
        std::vector<TRect>().swap(pieces[k]);
        std::vector<TRect>().swap(pieces[k + 1]);
        pieces[w++].swap(tmp);
      } else {
        pieces[w++].swap(pieces[k]);
      }
    }
    pieces.resize(w);
  }
  out.clear();
  if (!pieces.empty()) out.swap(pieces.front());
  return true;
}

}  // namespace

TRegion::TRegion(const TRect& R) {
  const int32_t l = std::min(R.Left, R.Right), r = std::max(R.Left, R.Right);
  const int32_t t = std::min(R.Top, R.Bottom), b = std::max(R.Top, R.Bottom);
  if (l < r && t < b) {
    FRects.push_back(TRect{l, t, r, b});
    FBox = FRects.front();
  }
}

TRegion TRegion::FromRects(const TRect* rects, size_t count) {
  TRegion g;
  if (rects) UnionRects(rects, count, std::numeric_limits<size_t>::max(), g.FRects);
  g.UpdateBox();
  return g;
}

TRegion TRegion::FromSpans(const TSpan* spans, size_t count) {
  TRegion g;
  if (!spans || count == 0) return g;
  std::vector<TSpan> s(spans, spans + count);
  NormalizeSpans(s);
  TBandWriter writer(g.FRects);
  std::vector<TRun> runs;
  for (size_t i = 0; i < s.size();) {
    const int32_t y = s[i].Y;
    runs.clear();
    for (; i < s.size() && s[i].Y == y; ++i) runs.emplace_back(s[i].X0, s[i].X1);
    if (y == std::numeric_limits<int32_t>::max()) continue;  // row has no exclusive bottom
    writer.Add(y, y + 1, runs);
  }
  g.UpdateBox();
  return g;
}

int TRegion::Kind() const {
  if (FRects.empty()) return NULLREGION;
  return FRects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int TRegion::Combine(TRegion& Dst, const TRegion& A, const TRegion& B, int Mode) {
  if (Mode == RGN_COPY) {
    if (&Dst != &A) Dst = A;
    return Dst.Kind();
  }
  if (Mode < RGN_AND || Mode > RGN_DIFF) return ERROR;
  std::vector<TRect> out;
  const TRect& ba = A.FBox;
  const TRect& bb = B.FBox;
  const bool disjoint = A.Empty() || B.Empty() || ba.Right <= bb.Left || bb.Right <= ba.Left || ba.Bottom <= bb.Top ||
                        bb.Bottom <= ba.Top;
  if (disjoint && Mode == RGN_AND) {
    // nothing in common
  } else if (disjoint && Mode == RGN_DIFF) {
    out = A.FRects;
  } else if (B.Empty()) {
    out = A.FRects;  // OR, XOR
  } else if (A.Empty()) {
    out = B.FRects;
  } else {
    CombineRects(A.FRects, B.FRects, Mode, out);
  }
  Dst.FRects.swap(out);
  Dst.UpdateBox();
  return Dst.Kind();
}

bool TRegion::Offset(int32_t dx, int32_t dy) {
  if (FRects.empty() || (dx == 0 && dy == 0)) return true;
  constexpr int64_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
  if (int64_t(FBox.Left) + dx < lo || int64_t(FBox.Right) + dx > hi || int64_t(FBox.Top) + dy < lo ||
      int64_t(FBox.Bottom) + dy > hi)
    return false;
  for (TRect& r : FRects) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
  }
  UpdateBox();
  return true;
}

bool TRegion::Contains(int32_t x, int32_t y) const {
  if (FRects.empty() || x < FBox.Left || x >= FBox.Right || y < FBox.Top || y >= FBox.Bottom) return false;
  // Bottoms and tops never decrease along the list.
  auto first =
      std::upper_bound(FRects.begin(), FRects.end(), y, [](int32_t v, const TRect& r) { return v < r.Bottom; });
  if (first == FRects.end() || first->Top > y) return false;
  auto last = std::upper_bound(first, FRects.end(), first->Top, [](int32_t v, const TRect& r) { return v < r.Top; });
  auto it = std::upper_bound(first, last, x, [](int32_t v, const TRect& r) { return v < r.Right; });
  return it != last && it->Left <= x;
}

bool TRegion::IntersectsRect(const TRect& R) const {
  const int32_t l = std::min(R.Left, R.Right), r = std::max(R.Left, R.Right);
  const int32_t t = std::min(R.Top, R.Bottom), b = std::max(R.Top, R.Bottom);
  if (FRects.empty() || l >= r || t >= b) return false;
  if (r <= FBox.Left || l >= FBox.Right || b <= FBox.Top || t >= FBox.Bottom) return false;
  auto it = std::upper_bound(FRects.begin(), FRects.end(), t, [](int32_t v, const TRect& q) { return v < q.Bottom; });
  for (; it != FRects.end() && it->Top < b; ++it)
    if (it->Left < r && it->Right > l) return true;
  return false;
}

std::vector<uint8_t> TRegion::ToRegionData() const {
  std::vector<uint8_t> v;
  v.reserve(RGNDATAHEADER_SIZE + 16 * FRects.size());
  AppendLE32(v, RGNDATAHEADER_SIZE);
  AppendLE32(v, RDH_RECTANGLES);
  AppendLE32(v, static_cast<uint32_t>(FRects.size()));
  AppendLE32(v, static_cast<uint32_t>(16 * FRects.size()));
  for (int32_t c : {FBox.Left, FBox.Top, FBox.Right, FBox.Bottom}) AppendLE32(v, static_cast<uint32_t>(c));
  for (const TRect& r : FRects)
    for (int32_t c : {r.Left, r.Top, r.Right, r.Bottom}) AppendLE32(v, static_cast<uint32_t>(c));
  return v;
}

bool TRegion::FromRegionData(const void* data, size_t size, TRegion& Out) {
  if (!data || size < RGNDATAHEADER_SIZE) return false;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  if (GetLE32(p) != RGNDATAHEADER_SIZE || GetLE32(p + 4) != uint32_t(RDH_RECTANGLES)) return false;
  const uint64_t count = GetLE32(p + 8);
  const uint64_t rgnSize = GetLE32(p + 12);
  const uint64_t need = count * 16;
  if (need > size - RGNDATAHEADER_SIZE) return false;
  if (rgnSize != 0 && need > rgnSize) return false;
  std::vector<TRect> rects(static_cast<size_t>(count));
  const uint8_t* q = p + RGNDATAHEADER_SIZE;
  for (TRect& r : rects) {
    r.Left = static_cast<int32_t>(GetLE32(q));
    r.Top = static_cast<int32_t>(GetLE32(q + 4));
    r.Right = static_cast<int32_t>(GetLE32(q + 8));
    r.Bottom = static_cast<int32_t>(GetLE32(q + 12));
    q += 16;
  }
  TRegion g;
  if (!UnionRects(rects.data(), rects.size(), MaxDataRects, g.FRects)) return false;
  g.UpdateBox();
  Out = std::move(g);
  return true;
}

void TRegion::UpdateBox() {
  if (FRects.empty()) {
    FBox = TRect{};
    return;
  }
  TRect box{FRects.front().Left, FRects.front().Top, FRects.front().Right, FRects.back().Bottom};
  for (const TRect& r : FRects) {
    box.Left = std::min(box.Left, r.Left);
    box.Right = std::max(box.Right, r.Right);
  }
  FBox = box;
}

TRegion RoundRectRegion(int l, int t, int r, int b, int w, int h) {
  std::vector<TSpan> spans;
  RoundRectSpans(l, t, r, b, w, h, &spans, &spans);
  return TRegion::FromSpans(spans);
}

TRegion EllipseRegion(int l, int t, int r, int b) {
  std::vector<TSpan> spans;
  EllipseSpans(l, t, r, b, &spans, &spans);
  return TRegion::FromSpans(spans);
}

TRegion PolygonRegion(const TPoint* pts, int n, int fillMode) { return PolyPolygonRegion(pts, &n, 1, fillMode); }

TRegion PolyPolygonRegion(const TPoint* pts, const int* counts, int nPolys, int fillMode) {
  const TShapeRaster s = PolyPolygonShape(pts, counts, nPolys, fillMode);
  std::vector<TSpan> spans = s.Outline;
  spans.insert(spans.end(), s.Interior.begin(), s.Interior.end());
  return TRegion::FromSpans(spans);
}
