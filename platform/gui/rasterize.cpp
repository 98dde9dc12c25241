#include "platform/gui/rasterize.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <utility>

namespace {

using i128 = __int128;
using u128 = unsigned __int128;

constexpr int64_t kInf = std::numeric_limits<int64_t>::max();
constexpr double kPi = std::numbers::pi;

// floor(a / b) for b > 0.
int64_t FloorDiv(i128 a, int64_t b) {
  i128 q = a / b;
  if (a % b != 0 && a < 0) --q;
  return static_cast<int64_t>(q);
}

void LineImpl(int x0, int y0, int x1, int y1, const TRect* clip, const TPixelSink& plot) {
  const int64_t dx = int64_t(x1) - x0;
  const int64_t dy = int64_t(y1) - y0;
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int64_t steps = xMajor ? std::abs(dx) : std::abs(dy);
  if (steps == 0) return;
  const int64_t dMinor = xMajor ? dy : dx;  // |dMinor| <= steps
  const int64_t majStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int64_t maj0 = xMajor ? x0 : y0;
  const int64_t min0 = xMajor ? y0 : x0;

  int64_t iFirst = 0, iLast = steps - 1;
  int64_t minLo = std::numeric_limits<int64_t>::min(), minHi = kInf;
  if (clip) {
    const int64_t lo = xMajor ? clip->Left : clip->Top;
    const int64_t hi = int64_t(xMajor ? clip->Right : clip->Bottom) - 1;
    minLo = xMajor ? clip->Top : clip->Left;
    minHi = int64_t(xMajor ? clip->Bottom : clip->Right) - 1;
    if (lo > hi || minLo > minHi) return;
    if (majStep > 0) {
      iFirst = std::max(iFirst, lo - maj0);
      iLast = std::min(iLast, hi - maj0);
    } else {
      iFirst = std::max(iFirst, maj0 - hi);
      iLast = std::min(iLast, maj0 - lo);
    }
    if (iFirst > iLast) return;
  }

  // Minor offset at step i is floor((2 i dMinor + steps - 1) / (2 steps)):
  // i dMinor / steps rounded to nearest with halves going down. Kept as
  // quotient and remainder so each step costs one add.
  const int64_t den = 2 * steps;
  const i128 num = i128(2) * iFirst * dMinor + steps - 1;
  int64_t q = FloorDiv(num, den);
  int64_t rem = static_cast<int64_t>(num - i128(q) * den);  // 0 <= rem < den
  const int64_t inc = 2 * dMinor;
  for (int64_t i = iFirst; i <= iLast; ++i) {
    const int64_t minor = min0 + q;
    if (minor >= minLo && minor <= minHi) {
      const int64_t major = maj0 + i * majStep;
      if (xMajor)
        plot(static_cast<int>(major), static_cast<int>(minor));
      else
        plot(static_cast<int>(minor), static_cast<int>(major));
    }
    rem += inc;
    if (rem >= den) {
      rem -= den;
      ++q;
    } else if (rem < 0) {
      rem += den;
      --q;
    }
  }
}

// Appends [x0, x1] (inclusive, 64-bit) on row y, cut to the clip. Column
// 2^31 - 1 has no exclusive end and is never produced.
void PushSpan(std::vector<TSpan>& out, int64_t y, int64_t x0, int64_t x1, const TRect* clip) {
  x1 = std::min<int64_t>(x1, std::numeric_limits<int32_t>::max() - 1);
  if (clip) {
    x0 = std::max<int64_t>(x0, clip->Left);
    x1 = std::min<int64_t>(x1, int64_t(clip->Right) - 1);
  }
  if (x0 > x1) return;
  out.push_back(TSpan{static_cast<int32_t>(y), static_cast<int32_t>(x0), static_cast<int32_t>(x1 + 1)});
}

// ---- Ellipse and round rectangle ---------------------------------------------

// Geometry shared by ellipses and round rectangles: the corner ellipse's
// quarter with radii rx, ry (pixels) around the four quarter centres
// (xl | xr, yt | yb).
struct TRoundGeom {
  int64_t L = 0, T = 0, R = 0, B = 0;  // normalised box, R > L, B > T
  int64_t Rx = 0, Ry = 0;
  int64_t Xl = 0, Xr = 0, Yt = 0, Yb = 0;
  uint64_t A = 1, Bq = 1;  // 2 Rx + 1, 2 Ry + 1
  bool Valid = false;

  TRoundGeom(int l, int t, int r, int b, int64_t w, int64_t h) {
    L = std::min(l, r);
    R = std::max(l, r);
    T = std::min(t, b);
    B = std::max(t, b);
    if (L == R || T == B) return;
    Valid = true;
    w = std::min(std::abs(w), R - L);
    h = std::min(std::abs(h), B - T);
    Rx = w > 0 ? (w - 1) / 2 : 0;
    Ry = h > 0 ? (h - 1) / 2 : 0;
    Xl = L + Rx;
    Xr = R - 1 - Rx;
    Yt = T + Ry;
    Yb = B - 1 - Ry;
    A = 2 * uint64_t(Rx) + 1;
    Bq = 2 * uint64_t(Ry) + 1;
  }

  // Half-width of the quarter at row dy (0..Ry): the largest dx in 0..Rx with
  // (dx / (Rx + 1/2))^2 + (dy / (Ry + 1/2))^2 <= 1, that is
  // 4 dx^2 B^2 <= A^2 (B^2 - 4 dy^2). No product exceeds 128 bits.
  int64_t Hx(int64_t dy) const {
    const uint64_t bb = Bq * Bq;
    const uint64_t n = bb - 4 * uint64_t(dy) * uint64_t(dy);
    const u128 rhs = u128(A * A) * n;
    auto fits = [&](int64_t dx) { return u128(4 * uint64_t(dx) * uint64_t(dx)) * bb <= rhs; };
    const long double est =
        (static_cast<long double>(A) / 2.0L) * std::sqrt(static_cast<long double>(n)) / static_cast<long double>(Bq);
    int64_t dx = static_cast<int64_t>(est);
    dx = std::clamp<int64_t>(dx, 0, Rx);
    while (dx < Rx && fits(dx + 1)) ++dx;
    while (dx > 0 && !fits(dx)) --dx;
    return dx;
  }

  // Outline and interior of row y (T <= y < B).
  void Row(int64_t y, std::vector<TSpan>* outline, std::vector<TSpan>* interior, const TRect* clip) const {
    int64_t dy;
    if (y < Yt)
      dy = Yt - y;
    else if (y > Yb)
      dy = y - Yb;
    else if (y == Yt || y == Yb)
      dy = 0;
    else {  // straight part of the sides
      if (outline) {
        PushSpan(*outline, y, L, L, clip);
        if (R - 1 > L) PushSpan(*outline, y, R - 1, R - 1, clip);
      }
      if (interior) PushSpan(*interior, y, L + 1, R - 2, clip);
      return;
    }
    const int64_t ext = Hx(dy);
    const int64_t x0 = Xl - ext, x1 = Xr + ext;
    if (dy == Ry) {  // top or bottom row: all pen
      if (outline) PushSpan(*outline, y, x0, x1, clip);
      return;
    }
    // The neighbour towards the middle is at least as wide, the one towards
    // the top or bottom narrower: the pen covers what that one leaves out and
    // the row's end pixels.
    const int64_t inner = std::min(Hx(dy + 1), ext - 1);
    const int64_t i0 = Xl - inner, i1 = Xr + inner;
    if (i0 > i1) {
      if (outline) PushSpan(*outline, y, x0, x1, clip);
      return;
    }
    if (outline) {
      PushSpan(*outline, y, x0, i0 - 1, clip);
      PushSpan(*outline, y, i1 + 1, x1, clip);
    }
    if (interior) PushSpan(*interior, y, i0, i1, clip);
  }

  void Spans(std::vector<TSpan>* outline, std::vector<TSpan>* interior, const TRect* clip) const {
    if (!Valid) return;
    int64_t y0 = T, y1 = B;
    if (clip) {
      y0 = std::max<int64_t>(y0, clip->Top);
      y1 = std::min<int64_t>(y1, clip->Bottom);
    }
    for (int64_t y = y0; y < y1; ++y) Row(y, outline, interior, clip);
  }

  // The outline pixels in counter-clockwise order from (R - 1, Yt).
  std::vector<TPoint> Path() const {
    std::vector<TPoint> path;
    if (!Valid) return path;
    // One quarter, from (Rx, 0) to (0, Ry), dy counted away from the middle.
    std::vector<std::pair<int64_t, int64_t>> q;
    int64_t ext = Hx(0);
    for (int64_t dy = 0; dy <= Ry; ++dy) {
      const int64_t next = dy < Ry ? Hx(dy + 1) : 0;
      const int64_t lo = dy == Ry ? 0 : std::min(ext, next + 1);
      for (int64_t dx = ext; dx >= lo; --dx) q.emplace_back(dx, dy);
      ext = next;
    }
    auto add = [&](int64_t x, int64_t y) {
      const TPoint p{static_cast<int32_t>(x), static_cast<int32_t>(y)};
      if (path.empty() || !(path.back() == p)) path.push_back(p);
    };
    for (const auto& [dx, dy] : q) add(Xr + dx, Yt - dy);
    for (int64_t x = Xr - 1; x > Xl; --x) add(x, T);
    for (auto it = q.rbegin(); it != q.rend(); ++it) add(Xl - it->first, Yt - it->second);
    for (int64_t y = Yt + 1; y < Yb; ++y) add(L, y);
    for (const auto& [dx, dy] : q) add(Xl - dx, Yb + dy);
    for (int64_t x = Xl + 1; x < Xr; ++x) add(x, B - 1);
    for (auto it = q.rbegin(); it != q.rend(); ++it) add(Xr + it->first, Yb + it->second);
    for (int64_t y = Yb - 1; y > Yt; --y) add(R - 1, y);
    if (path.size() > 1 && path.back() == path.front()) path.pop_back();
    return path;
  }
};

TShapeRaster RoundShape(const TRoundGeom& g) {
  TShapeRaster s;
  g.Spans(&s.Outline, &s.Interior, nullptr);
  NormalizeSpans(s.Outline);
  NormalizeSpans(s.Interior);
  s.Path = g.Path();
  return s;
}

// ---- Polygon fill -------------------------------------------------------------

struct TEdge {
  int64_t X0, Y0, X1, Y1;  // Y0 < Y1
  int Dir;
};

// x = Q + Rem / Den exactly, 0 <= Rem < Den.
struct TCrossing {
  int64_t Q;
  uint64_t Rem, Den;
  int Dir;
};

bool CrossingLess(const TCrossing& a, const TCrossing& b) {
  if (a.Q != b.Q) return a.Q < b.Q;
  return a.Rem * b.Den < b.Rem * a.Den;  // each factor < 2^32
}

int64_t CeilOf(const TCrossing& c) { return c.Q + (c.Rem != 0 ? 1 : 0); }

bool TotalPoints(const int* counts, int nPolys, int64_t& total) {
  total = 0;
  for (int i = 0; i < nPolys; ++i) {
    if (counts[i] < 0) return false;
    total += counts[i];
  }
  return true;
}

// The closed outlines' pixels in order.
std::vector<TPoint> PolyOutline(const TPoint* pts, const int* counts, int nPolys) {
  std::vector<TPoint> path;
  const TPoint* p = pts;
  for (int k = 0; k < nPolys; ++k) {
    const int n = counts[k];
    if (n >= 2) {
      for (int i = 0; i < n; ++i) {
        const TPoint a = p[i], b = p[(i + 1) % n];
        RasterLine(a.X, a.Y, b.X, b.Y, [&](int x, int y) { path.push_back(TPoint{x, y}); });
      }
    }
    p += n;
  }
  return path;
}

std::vector<TPoint> ArcPoints(const TRoundGeom& g, int xs, int ys, int xe, int ye, int direction) {
  std::vector<TPoint> ring = g.Path();
  const size_t n = ring.size();
  if (n == 0) return ring;
  // Doubled coordinates keep the centre integral.
  const int64_t cx2 = g.L + g.R - 1, cy2 = g.T + g.B - 1;
  auto vec = [&](int64_t x, int64_t y) {
    int64_t vx = 2 * x - cx2, vy = cy2 - 2 * y;  // y up
    if (vx == 0 && vy == 0) vx = 1;
    return std::pair<int64_t, int64_t>(vx, vy);
  };
  const auto [sx, sy] = vec(xs, ys);
  const auto [ex, ey] = vec(xe, ye);
  const double as = std::atan2(double(sy), double(sx));
  const double ae = std::atan2(double(ey), double(ex));
  auto nearest = [&](double a) {
    size_t best = 0;
    double bestD = 10.0;
    for (size_t i = 0; i < n; ++i) {
      const auto [vx, vy] = vec(ring[i].X, ring[i].Y);
      const double d = std::fabs(std::remainder(std::atan2(double(vy), double(vx)) - a, 2.0 * kPi));
      if (d < bestD) {
        bestD = d;
        best = i;
      }
    }
    return best;
  };
  const size_t s = nearest(as), e = nearest(ae);
  const bool ccw = direction != AD_CLOCKWISE;
  const bool same = i128(sx) * ey - i128(sy) * ex == 0 && i128(sx) * ex + i128(sy) * ey > 0;
  double sweep = ccw ? ae - as : as - ae;
  sweep = std::fmod(sweep, 2.0 * kPi);
  if (sweep < 0) sweep += 2.0 * kPi;
  size_t steps = ccw ? (e + n - s) % n : (s + n - e) % n;
  if (same) {
    steps = n - 1;
  } else if (sweep > kPi && steps < n / 4) {
    steps = n - 1;  // the ends snapped past each other on a nearly full arc
  } else if (sweep <= kPi && steps > (3 * n) / 4) {
    steps = 0;  // ... or on a tiny one
  }
  std::vector<TPoint> arc;
  arc.reserve(steps + 1);
  for (size_t k = 0; k <= steps; ++k) arc.push_back(ring[ccw ? (s + k) % n : (s + n - k % n) % n]);
  return arc;
}

// Chord (pie == false) or pie from the arc.
TShapeRaster ClosedArc(int l, int t, int r, int b, int xs, int ys, int xe, int ye, int direction, bool pie) {
  TShapeRaster s;
  const TRoundGeom g(l, t, r, b, int64_t(r) - l, int64_t(b) - t);
  if (!g.Valid) return s;
  std::vector<TPoint> poly = ArcPoints(g, xs, ys, xe, ye, direction);
  s.Path = poly;
  auto plot = [&](int x, int y) { s.Path.push_back(TPoint{x, y}); };
  if (pie) {
    const TPoint c{static_cast<int32_t>(FloorDiv(g.L + g.R, 2)), static_cast<int32_t>(FloorDiv(g.T + g.B, 2))};
    RasterLine(poly.back().X, poly.back().Y, c.X, c.Y, plot);
    RasterLine(c.X, c.Y, poly.front().X, poly.front().Y, plot);
    poly.push_back(c);
  } else {
    RasterLine(poly.back().X, poly.back().Y, poly.front().X, poly.front().Y, plot);
  }
  s.Outline = SpansFromPixels(s.Path);
  std::vector<TSpan> fill;
  const int count = static_cast<int>(poly.size());
  PolygonFillSpans(poly.data(), &count, 1, ALTERNATE, fill);
  s.Interior = SubtractSpans(fill, s.Outline);
  return s;
}

}  // namespace

void RasterLine(int x0, int y0, int x1, int y1, const TPixelSink& plot) { LineImpl(x0, y0, x1, y1, nullptr, plot); }

void RasterLine(int x0, int y0, int x1, int y1, const TRect& Clip, const TPixelSink& plot) {
  LineImpl(x0, y0, x1, y1, &Clip, plot);
}

void NormalizeSpans(std::vector<TSpan>& spans) {
  std::erase_if(spans, [](const TSpan& s) { return s.X1 <= s.X0; });
  std::sort(spans.begin(), spans.end(),
            [](const TSpan& a, const TSpan& b) { return a.Y != b.Y ? a.Y < b.Y : a.X0 < b.X0; });
  size_t w = 0;
  for (size_t i = 0; i < spans.size(); ++i) {
    if (w > 0 && spans[w - 1].Y == spans[i].Y && spans[i].X0 <= spans[w - 1].X1)
      spans[w - 1].X1 = std::max(spans[w - 1].X1, spans[i].X1);
    else
      spans[w++] = spans[i];
  }
  spans.resize(w);
}

std::vector<TSpan> SubtractSpans(const std::vector<TSpan>& a, const std::vector<TSpan>& b) {
  std::vector<TSpan> out;
  size_t j = 0;
  for (const TSpan& s : a) {
    while (j < b.size() && (b[j].Y < s.Y || (b[j].Y == s.Y && b[j].X1 <= s.X0))) ++j;
    int32_t cur = s.X0;
    for (size_t k = j; k < b.size() && b[k].Y == s.Y && b[k].X0 < s.X1; ++k) {
      if (b[k].X0 > cur) out.push_back(TSpan{s.Y, cur, b[k].X0});
      cur = std::max(cur, b[k].X1);
    }
    if (cur < s.X1) out.push_back(TSpan{s.Y, cur, s.X1});
  }
  return out;
}

std::vector<TSpan> SpansFromPixels(std::vector<TPoint> pixels) {
  std::sort(pixels.begin(), pixels.end(),
            [](const TPoint& a, const TPoint& b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; });
  std::vector<TSpan> out;
  for (const TPoint& p : pixels) {
    if (p.X == std::numeric_limits<int32_t>::max()) continue;  // no exclusive end for it
    if (!out.empty() && out.back().Y == p.Y && p.X <= out.back().X1) {
      if (p.X == out.back().X1) ++out.back().X1;
    } else {
      out.push_back(TSpan{p.Y, p.X, p.X + 1});
    }
  }
  return out;
}

void PolygonFillSpans(const TPoint* pts, const int* counts, int nPolys, int fillMode, std::vector<TSpan>& out,
                      const TRect* Clip) {
  int64_t total;
  if (!pts || !counts || nPolys <= 0 || !TotalPoints(counts, nPolys, total)) return;
  std::vector<TEdge> edges;
  const TPoint* p = pts;
  for (int k = 0; k < nPolys; ++k) {
    const int n = counts[k];
    if (n >= 2) {
      for (int i = 0; i < n; ++i) {
        const TPoint a = p[i], b = p[(i + 1) % n];
        if (a.Y == b.Y) continue;
        if (a.Y < b.Y)
          edges.push_back(TEdge{a.X, a.Y, b.X, b.Y, 1});
        else
          edges.push_back(TEdge{b.X, b.Y, a.X, a.Y, -1});
      }
    }
    p += n;
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.Y0 < b.Y0; });
  int64_t yFirst = edges.front().Y0, yEnd = edges.front().Y1;
  for (const TEdge& e : edges) yEnd = std::max(yEnd, e.Y1);
  if (Clip) {
    yFirst = std::max<int64_t>(yFirst, Clip->Top);
    yEnd = std::min<int64_t>(yEnd, Clip->Bottom);
  }
  const size_t start = out.size();
  std::vector<const TEdge*> active;
  std::vector<TCrossing> xs;
  size_t next = 0;
  for (int64_t y = yFirst; y < yEnd; ++y) {
    // Edges cover the rows Y0 <= y < Y1, so a vertex row counts once.
    while (next < edges.size() && edges[next].Y0 <= y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const TEdge* e) { return e->Y1 <= y; });
    if (active.empty()) {
      if (next == edges.size()) break;
      y = std::max(y, edges[next].Y0 - 1);  // skip to the next edge
      continue;
    }
    xs.clear();
    for (const TEdge* e : active) {
      const int64_t den = e->Y1 - e->Y0;
      const i128 num = i128(e->X0) * den + i128(y - e->Y0) * (e->X1 - e->X0);
      const int64_t q = FloorDiv(num, den);
      xs.push_back(TCrossing{q, static_cast<uint64_t>(num - i128(q) * den), static_cast<uint64_t>(den), e->Dir});
    }
    std::sort(xs.begin(), xs.end(), CrossingLess);
    if (fillMode == WINDING) {
      int wind = 0;
      size_t open = 0;
      for (size_t i = 0; i < xs.size(); ++i) {
        const int before = wind;
        wind += xs[i].Dir;
        if (before == 0 && wind != 0) open = i;
        if (before != 0 && wind == 0) PushSpan(out, y, CeilOf(xs[open]), xs[i].Q, Clip);
      }
    } else {
      for (size_t i = 0; i + 1 < xs.size(); i += 2) PushSpan(out, y, CeilOf(xs[i]), xs[i + 1].Q, Clip);
    }
  }
  // Only the new spans need normalising; they come after everything before.
  std::vector<TSpan> added(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
  out.resize(start);
  NormalizeSpans(added);
  out.insert(out.end(), added.begin(), added.end());
}

TShapeRaster EllipseShape(int l, int t, int r, int b) {
  return RoundShape(TRoundGeom(l, t, r, b, int64_t(r) - l, int64_t(b) - t));
}

TShapeRaster RoundRectShape(int l, int t, int r, int b, int w, int h) {
  return RoundShape(TRoundGeom(l, t, r, b, w, h));
}

void EllipseSpans(int l, int t, int r, int b, std::vector<TSpan>* outline, std::vector<TSpan>* interior,
                  const TRect* Clip) {
  TRoundGeom(l, t, r, b, int64_t(r) - l, int64_t(b) - t).Spans(outline, interior, Clip);
}

void RoundRectSpans(int l, int t, int r, int b, int w, int h, std::vector<TSpan>* outline, std::vector<TSpan>* interior,
                    const TRect* Clip) {
  TRoundGeom(l, t, r, b, w, h).Spans(outline, interior, Clip);
}

std::vector<TPoint> ArcPath(int l, int t, int r, int b, int xs, int ys, int xe, int ye, int direction) {
  return ArcPoints(TRoundGeom(l, t, r, b, int64_t(r) - l, int64_t(b) - t), xs, ys, xe, ye, direction);
}

TShapeRaster ChordShape(int l, int t, int r, int b, int xs, int ys, int xe, int ye, int direction) {
  return ClosedArc(l, t, r, b, xs, ys, xe, ye, direction, false);
}

TShapeRaster PieShape(int l, int t, int r, int b, int xs, int ys, int xe, int ye, int direction) {
  return ClosedArc(l, t, r, b, xs, ys, xe, ye, direction, true);
}

TShapeRaster PolygonShape(const TPoint* pts, int n, int fillMode) { return PolyPolygonShape(pts, &n, 1, fillMode); }

TShapeRaster PolyPolygonShape(const TPoint* pts, const int* counts, int nPolys, int fillMode) {
  TShapeRaster s;
  int64_t total;
  if (!pts || !counts || nPolys <= 0 || !TotalPoints(counts, nPolys, total)) return s;
  s.Path = PolyOutline(pts, counts, nPolys);
  s.Outline = SpansFromPixels(s.Path);
  std::vector<TSpan> fill;
  PolygonFillSpans(pts, counts, nPolys, fillMode, fill);
  s.Interior = SubtractSpans(fill, s.Outline);
  return s;
}
