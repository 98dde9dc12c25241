// The region builders and the shapes the clipped effects draw through.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "imaging/model/transitions/ieeffects.h"
#include "imaging/model/transitions/ieeffects_internal.h"
#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/arith.h"

void TRectUnion::Add(int32_t L, int32_t T, int32_t R, int32_t B) {
  if (L > R) std::swap(L, R);
  if (T > B) std::swap(T, B);
  FRects.push_back(TRect{L, T, R, B});
}

HRGN TRectUnion::Region() const {
  if (FRects.empty()) return nullptr;
  RGNDATAHEADER h;
  h.nCount = static_cast<uint32_t>(FRects.size());
  const size_t size = sizeof h + FRects.size() * sizeof(TRect);
  std::vector<uint8_t> data(size);
  std::memcpy(data.data(), &h, sizeof h);
  std::memcpy(data.data() + sizeof h, FRects.data(), FRects.size() * sizeof(TRect));
  return ExtCreateRegion(nullptr, static_cast<uint32_t>(size), reinterpret_cast<const RGNDATA*>(data.data()));
}

void CombineInto(HRGN& Dst, HRGN Part, int32_t Mode) {
  if (!Part) Part = CreateRectRgn(0, 0, 0, 0);
  if (!Dst) {
    Dst = Part;
    return;
  }
  CombineRgn(Dst, Dst, Part, Mode);
  DeleteObject(Part);
}

void DrawThroughRegion(TCanvas* Canvas, TBitmap* ToBitmap, HRGN Region) {
  const HDC dc = Canvas->Handle();
  SelectClipRgn(dc, Region);
  // The DC keeps its own copy of the clip.
  if (Region) DeleteObject(Region);
  Canvas->Draw(0, 0, ToBitmap);
  SelectClipRgn(dc, nullptr);
}

namespace {

// Adds a rectangle given by axis: A0..A1 on the axis the extent grows along,
// B0..B1 on the other one. For columns the extent grows down the height.
struct TAxisUnion {
  TRectUnion& U;
  bool Columns;
  void Add(int32_t A0, int32_t A1, int32_t B0, int32_t B1) const {
    if (Columns)
      U.Add(B0, A0, B1, A1);
    else
      U.Add(A0, B0, A1, B1);
  }
};

// One direction of the bars: a is the extent across Side, bars step along Other.
void BarsPart(const TAxisUnion& u, int32_t a, int32_t Side, int32_t Other, int32_t Kind, int32_t Snap) {
  const bool second = a > Side;
  for (int32_t i = second ? 5 : 0; i < Other + 5; i += 10) {
    if (second) {
      u.Add(0, Side, i - 5, i);
      if (Kind == 1 || Kind == 4) u.Add(2 * Side - a, Side, i, i + 5);
      if (Kind == 2 || Kind == 5) u.Add(0, a - Side, i, i + 5);
      continue;
    }
    if (a + Snap > Side) a = Side;
    if (Kind == 1 || Kind == 5) u.Add(Side - a, Side, i, i + 5);
    if (Kind == 2 || Kind == 4) u.Add(0, a, i, i + 5);
    if (Kind == 3) {
      u.Add(0, a, i + 5, i + 10);
      u.Add(Side - a, Side, i, i + 5);
    }
  }
}

void ShredPart(const TAxisUnion& u, int32_t a, int32_t Side, int32_t Other, int32_t Kind) {
  const int32_t c = a < Side ? Side / 7 : 0;
  // "r - r": two separate draws.
  auto jag = [c] {
    const int32_t r1 = Random(c);
    return r1 - Random(c);
  };
  for (int32_t off = 0; off < Other; off += 5) {
    const int32_t end = off + 5 + Other % 5;
    switch (Kind) {
      case 1: u.Add(Side - a + jag(), Side, off, end); break;
      case 2: u.Add(0, a + jag(), off, end); break;
      case 3:
        u.Add((Side - a + jag()) / 2, Side / 2, off, end);
        u.Add(Side / 2, (Side + a + jag()) / 2, off, end);
        break;
      case 4:
        u.Add(Side - (a + jag()) / 2, Side, off, end);
        u.Add(0, (a + jag()) / 2, off, end);
        break;
      default: break;
    }
  }
}

void SpecklePart(const TAxisUnion& u, int32_t a, int32_t Side, int32_t Other, int32_t Kind) {
  const int32_t z = a < Side ? Side / 10 : 0;
  const int32_t f = std::max(z / 20, 2);
  const int32_t n = z / f, m = (3 * z / f) / 4;
  for (int32_t s = 0; s < Other; s += f / 2) {
    if (Kind == 1)
      u.Add(Side - a, Side, s, s + f);
    else
      u.Add(0, a, s, s + f);
    for (int32_t i = n; i >= 1; --i) {
      const bool taken = i <= m ? Random(i) <= 1 : Random(i) == 0;
      if (!taken) continue;
      if (Kind == 1)
        u.Add(Side - a - f * i, Side - a - f * i + f, s, s + f);
      else
        u.Add(a + f * (i - 1), a + f * i, s, s + f);
    }
  }
}

// The horizontal part (across the width) and the vertical one (down the
// height), each built by Part(axis, extent, side, other side, kind).
template <class TPart>
HRGN BothParts(TPart Part, int32_t HExtent, int32_t VExtent, int32_t W, int32_t VKind, int32_t HKind, int32_t H) {
  TRectUnion u;
  if (HKind != 0) Part(TAxisUnion{u, false}, HExtent, W, H, HKind);
  if (VKind != 0) Part(TAxisUnion{u, true}, VExtent, H, W, VKind);
  return u.Region();
}

}  // namespace

HRGN BarsRegion(int32_t HExtent, int32_t VExtent, int32_t W, int32_t VKind, int32_t HKind, int32_t Snap, int32_t H) {
  auto bars = [Snap](const TAxisUnion& u, int32_t a, int32_t Side, int32_t Other, int32_t Kind) {
    BarsPart(u, a, Side, Other, Kind, Snap);
  };
  return BothParts(bars, HExtent, VExtent, W, VKind, HKind, H);
}

HRGN ShredRegion(int32_t HExtent, int32_t VExtent, int32_t W, int32_t VKind, int32_t HKind, int32_t H) {
  return BothParts(ShredPart, HExtent, VExtent, W, VKind, HKind, H);
}

HRGN SpeckleRegion(int32_t HExtent, int32_t VExtent, int32_t W, int32_t VKind, int32_t HKind, int32_t H) {
  return BothParts(SpecklePart, HExtent, VExtent, W, VKind, HKind, H);
}

HRGN TriangleRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  const TPoint p[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
  return CreatePolygonRgn(p, 3, WINDING);
}

HRGN PieRegion(int32_t CX, int32_t CY, int32_t Radius, int32_t Count, double EndAngle, double StartAngle) {
  if (Count < 1) return nullptr;
  std::vector<TPoint> p(static_cast<size_t>(Count) + 1);
  p[0] = TPoint{CX, CY};
  for (int32_t k = 0; k < Count; ++k) {
    const double angle = StartAngle + k * (EndAngle - StartAngle) / Count;
    p[size_t(k) + 1] =
        TPoint{CX + int32_t(Round(Radius * std::cos(angle))), CY + int32_t(Round(Radius * std::sin(angle)))};
  }
  return CreatePolygonRgn(p.data(), int32_t(p.size()), WINDING);
}

void RotatePoints(TPoint* Points, int32_t High, int32_t CX, int32_t CY, double Angle) {
  const double c = std::cos(Angle), s = std::sin(Angle);
  for (int32_t i = 0; i <= High; ++i) {
    const double dx = Points[i].X - CX, dy = Points[i].Y - CY;
    Points[i] = TPoint{CX + int32_t(Round(dx * c - dy * s)), CY + int32_t(Round(dx * s + dy * c))};
  }
}

// ---- Shapes of the table ----------------------------------------------------------------------

HRGN RoundRectWipe(int32_t L, int32_t T, int32_t R, int32_t B, int32_t EllipseW, int32_t EllipseH) {
  return CreateRoundRectRgn(L, T, R, B, EllipseW, EllipseH);
}

HRGN CircularWipeToCenter(const TEffectArea& A) {
  const int32_t W = A.W, H = A.H, X = A.X, Y = A.Y;
  HRGN r = CreateRectRgn(0, 0, W, H);
  CombineInto(r,
              CreateRoundRectRgn(X - W / 2, Y - H / 2, 3 * W / 2 - X, 3 * H / 2 - Y, 9 * (W - X) / 5, 9 * (H - Y) / 5),
              RGN_XOR);
  return r;
}

HRGN CrisscrossIntersection(const TEffectArea& A) {
  HRGN r = BarsRegion(2 * A.X, 2 * A.Y, A.W, 1, 1, A.U, A.H);
  CombineInto(r, BarsRegion(2 * A.X, 2 * A.Y, A.W, 2, 2, A.U, A.H), RGN_AND);
  return r;
}

HRGN Triangles(const TPoint* Points, int32_t Count) {
  HRGN r = nullptr;
  for (int32_t i = 0; i + 2 < Count; i += 3) CombineInto(r, CreatePolygonRgn(Points + i, 3, WINDING), RGN_OR);
  return r;
}

HRGN SweepRegion(const TEffectArea& A, bool Clockwise) {
  if (A.Percent == 0) return CreateRectRgn(0, 0, 0, 0);
  const int32_t cx = A.W / 2, cy = A.H / 2;
  const int64_t squared = int64_t(cx) * cx + int64_t(cy) * cy;
  int32_t radius = int32_t(std::sqrt(double(squared)));
  while (int64_t(radius) * radius < squared) ++radius;
  while (radius > 0 && int64_t(radius - 1) * (radius - 1) >= squared) --radius;
  const double start = -std::numbers::pi / 2, turn = A.Percent * std::numbers::pi / 50;
  return PieRegion(cx, cy, radius, A.Percent, Clockwise ? start + turn : start - turn, start);
}

HRGN RotatedShape(const TEffectArea& A, bool Star) {
  const int32_t c = A.W / 2, f = A.H / 2, g = A.X / 2, h = A.Y / 2, X = A.X, Y = A.Y;
  TPoint p[8];
  int32_t n = 0;
  if (Star) {
    const TPoint s[8] = {{c - 2 * X, f}, {c - g, f - h}, {c, f - 2 * Y}, {c + g, f - h},
                         {c + 2 * X, f}, {c + g, f + h}, {c, f + 2 * Y}, {c - g, f + h}};
    std::copy(s, s + 8, p);
    n = 8;
  } else {
    const TPoint s[4] = {{c - g, f - h}, {c + g, f - h}, {c + g, f + h}, {c - g, f + h}};
    std::copy(s, s + 4, p);
    n = 4;
  }
  RotatePoints(p, n - 1, c, f, A.Percent * std::numbers::pi / 50);
  return CreatePolygonRgn(p, n, WINDING);
}

HRGN GridRegion(const TEffectArea& A, bool Triangular) {
  const int32_t u = AtLeast1(A.U);
  const int32_t n = u > 1 ? u / 2 : u;
  const int32_t cw = A.W / n, ch = A.H / n;
  // The rectangles' half size is divided before U is halved.
  const int32_t hx = Triangular ? A.X / n : A.X / u, hy = Triangular ? A.Y / n : A.Y / u;
  TRectUnion rects;
  HRGN tris = nullptr;
  for (int32_t c = n; c >= 0; --c) {
    for (int32_t d = n; d >= 0; --d) {
      const int32_t x = d * cw, y = c * ch;
      if (Triangular)
        CombineInto(tris, TriangleRegion(x - hx, y - hy, x + hx, y - hy, x - hx, y + hy), RGN_OR);
      else
        rects.Add(x - hx, y - hy, x + hx, y + hy);
    }
  }
  return Triangular ? tris : rects.Region();
}

namespace {

// Bands of one period across the area, each opened to Open; AlongX steps
// them along x (bands of full height), FromEnd from the right or bottom.
void AddBands(TRectUnion& u, const TEffectArea& A, bool AlongX, bool FromEnd, int32_t Period, int32_t Open) {
  const TAxisUnion axis{u, !AlongX};
  const int32_t side = AlongX ? A.W : A.H, across = AlongX ? A.H : A.W;
  if (FromEnd) {
    for (int32_t e = side; e >= 0; e -= Period) axis.Add(e - Open, e, 0, across);
  } else {
    for (int32_t s = 0; s < side; s += Period) axis.Add(s, s + Open, 0, across);
  }
}

}  // namespace

HRGN BlindsRegion(const TEffectArea& A, bool AlongX, bool FromEnd, bool Uneven) {
  const int32_t side = AlongX ? A.W : A.H;
  const int32_t period = AtLeast1(Uneven ? (AlongX ? A.X : A.Y) : side / AtLeast1(A.U));
  TRectUnion u;
  AddBands(u, A, AlongX, FromEnd, period, A.Percent * period / 100);
  return u.Region();
}

HRGN RectanglesRegion(const TEffectArea& A, bool AlongX, bool FromEnd) {
  // Centred bands across the other axis, joined with the uneven blinds.
  const bool bandsAlongX = !AlongX;
  const int32_t side = bandsAlongX ? A.W : A.H, across = bandsAlongX ? A.H : A.W;
  const int32_t period = AtLeast1(side / AtLeast1(A.U)), d = A.Percent * period / 200;
  TRectUnion u;
  const TAxisUnion axis{u, !bandsAlongX};
  for (int32_t s = period / 2 - d; s < side; s += period) axis.Add(s, s + 2 * d, 0, across);
  HRGN r = u.Region();
  CombineInto(r, BlindsRegion(A, AlongX, FromEnd, true), RGN_OR);
  return r;
}
