// Drawing: brushes and pens made ready for a target, lines, shapes, fills,
// pixels, flood fill, gradients, edges and focus rectangles.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/syscolors.h"

// ---- Brushes ----------------------------------------------------------------------------

namespace {

int32_t Mod(int64_t a, int32_t m) {
  const int64_t r = a % m;
  return int32_t(r < 0 ? r + m : r);
}

// Hatch lines in an 8 x 8 cell (px, py from the brush origin).
bool HatchPixel(int32_t hatch, int32_t px, int32_t py) {
  switch (hatch) {
    case HS_HORIZONTAL: return py == 7;
    case HS_VERTICAL: return px == 7;
    case HS_FDIAGONAL: return px == py;
    case HS_BDIAGONAL: return px + py == 7;
    case HS_CROSS: return py == 7 || px == 7;
    default: return px == py || px + py == 7;  // HS_DIAGCROSS
  }
}

uint32_t ValueOf(TDC& dc, const TGdiRaster& r, COLORREF color) { return GdiColorToValue(r, dc.ResolveColor(color)); }

}  // namespace

TGdiBrushFill GdiSolidFill(uint32_t value) {
  TGdiBrushFill f;
  f.Null = false;
  f.Solid = true;
  f.Value = value;
  return f;
}

TGdiBrushFill GdiRealizeBrush(TDC& dc, const TGdiBrush* brush) {
  TGdiBrushFill f;
  const TGdiRaster r = dc.Target();
  if (!brush || brush->Style == BS_NULL || !r.Valid()) return f;
  f.Org = TPoint{TDC::Saturate(int64_t(dc.State.BrushOrg.X) + dc.DeviceOrg.X),
                 TDC::Saturate(int64_t(dc.State.BrushOrg.Y) + dc.DeviceOrg.Y)};
  if (brush->Style == BS_SOLID) return GdiSolidFill(ValueOf(dc, r, brush->Color));
  if (brush->Style == BS_HATCHED) {
    f.Null = false;
    f.Width = f.Height = 8;
    const uint32_t fg = ValueOf(dc, r, brush->Color), bg = ValueOf(dc, r, dc.State.BkColor);
    const bool opaque = dc.State.BkMode == OPAQUE;
    f.Values.resize(64);
    if (!opaque) f.Opaque.resize(64);
    for (int32_t py = 0; py < 8; ++py)
      for (int32_t px = 0; px < 8; ++px) {
        const bool on = HatchPixel(brush->Hatch, px, py);
        f.Values[size_t(py * 8 + px)] = on ? fg : bg;
        if (!opaque) f.Opaque[size_t(py * 8 + px)] = on ? 1 : 0;
      }
    return f;
  }
  if (brush->Style == BS_PATTERN && brush->Pattern) {
    const TGdiRaster pat = brush->Pattern->Raster();
    TGdiConvertColors colors;
    colors.MonoZero = dc.ResolveColor(dc.State.TextColor);
    colors.MonoOne = dc.ResolveColor(dc.State.BkColor);
    TGdiRowConverter conv(pat, r, colors);
    f.Null = false;
    f.Width = pat.Width;
    f.Height = pat.Height;
    f.Values.resize(size_t(pat.Width) * size_t(pat.Height));
    for (int32_t y = 0; y < pat.Height; ++y) conv.Run(y, 0, pat.Width, f.Values.data() + size_t(y) * size_t(pat.Width));
    return f;
  }
  return f;
}

void TGdiBrushFill::Row(int32_t y, int32_t x0, int32_t n, uint32_t* values, uint8_t* mask) const {
  if (Solid) {
    std::fill(values, values + n, Value);
    if (mask) std::fill(mask, mask + n, uint8_t(1));
    return;
  }
  const int32_t py = Mod(int64_t(y) - Org.Y, Height);
  const uint32_t* row = Values.data() + size_t(py) * size_t(Width);
  const uint8_t* opaque = Opaque.empty() ? nullptr : Opaque.data() + size_t(py) * size_t(Width);
  int32_t px = Mod(int64_t(x0) - Org.X, Width);
  for (int32_t i = 0; i < n; ++i) {
    values[i] = row[px];
    if (mask) mask[i] = opaque ? opaque[px] : 1;
    if (++px == Width) px = 0;
  }
}

TGdiBrush* GdiBrushArg(HBRUSH brush) {
  const uintptr_t v = reinterpret_cast<uintptr_t>(brush);
  if (v >= 1 && v <= uintptr_t(COLOR_MAX) + 1) return GdiBrush(GetSysColorBrush(int32_t(v - 1)));
  return GdiBrush(brush);
}

// ---- Painting -------------------------------------------------------------------------------

namespace {

struct TRowBuffers {
  std::vector<uint32_t> Values;
  std::vector<uint8_t> Mask;
  void Reserve(size_t n) {
    if (Values.size() < n) {
      Values.resize(n);
      Mask.resize(n);
    }
  }
};

void PaintRow(const TGdiRaster& r, int32_t y, int32_t x0, int32_t x1, const TGdiBrushFill& fill, uint8_t rop3,
              TRowBuffers& buf) {
  const int32_t n = x1 - x0;
  if (n <= 0) return;
  TGdiSpanOp op;
  op.Rop3 = rop3;
  if (fill.Solid || !GdiRopUsesPattern(rop3)) {
    op.PatSolid = true;
    op.PatValue = fill.Value;
    GdiSpan(r, y, x0, n, op);
    return;
  }
  buf.Reserve(size_t(n));
  fill.Row(y, x0, n, buf.Values.data(), fill.Opaque.empty() ? nullptr : buf.Mask.data());
  op.Pat = buf.Values.data();
  op.Mask = fill.Opaque.empty() ? nullptr : buf.Mask.data();
  GdiSpan(r, y, x0, n, op);
}

}  // namespace

void GdiPaintRect(TDC& dc, const TRect& rect, const TGdiBrushFill& fill, uint8_t rop3) {
  if (fill.Null || rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
  const TGdiRaster r = dc.Target();
  if (!r.Valid()) return;
  const TRegion& vis = dc.Visible();
  TRowBuffers buf;
  for (const TRect& v : vis.Rects()) {
    if (v.Top >= rect.Bottom) break;
    TRect part;
    if (!IntersectRect(part, v, rect)) continue;
    if (fill.Solid || !GdiRopUsesPattern(rop3)) {
      GdiFillRectValue(r, part, fill.Value, rop3);
      continue;
    }
    for (int32_t y = part.Top; y < part.Bottom; ++y) PaintRow(r, y, part.Left, part.Right, fill, rop3, buf);
  }
}

void GdiPaintSpans(TDC& dc, const std::vector<TSpan>& spans, const TGdiBrushFill& fill, uint8_t rop3) {
  if (fill.Null || spans.empty()) return;
  const TGdiRaster r = dc.Target();
  if (!r.Valid()) return;
  const TRegion& vis = dc.Visible();
  TRowBuffers buf;
  for (const TSpan& s : spans) {
    GdiForEachVisible(vis, s.Y, s.X0, s.X1, [&](int32_t a, int32_t b) { PaintRow(r, s.Y, a, b, fill, rop3, buf); });
  }
}

void GdiPaintRegion(TDC& dc, const TRegion& region, const TGdiBrushFill& fill, uint8_t rop3) {
  if (fill.Null) return;
  TRegion part;
  TRegion::Combine(part, region, dc.Visible(), RGN_AND);
  const TGdiRaster r = dc.Target();
  if (!r.Valid()) return;
  TRowBuffers buf;
  for (const TRect& v : part.Rects()) {
    if (fill.Solid || !GdiRopUsesPattern(rop3)) {
      GdiFillRectValue(r, v, fill.Value, rop3);
      continue;
    }
    for (int32_t y = v.Top; y < v.Bottom; ++y) PaintRow(r, y, v.Left, v.Right, fill, rop3, buf);
  }
}

void GdiFillRasterRect(TDC& dc, const TRect& rect, COLORREF color, bool useRop2) {
  const TGdiRaster r = dc.Target();
  if (!r.Valid()) return;
  const uint8_t rop3 = useRop2 ? GdiRop2ToRop3(dc.State.Rop2) : 0xF0;
  GdiPaintRect(dc, rect, GdiSolidFill(ValueOf(dc, r, color)), rop3);
}

void GdiBlendCoverage(TDC& dc, int32_t left, int32_t top, int32_t w, int32_t h, const uint8_t* coverage, int32_t stride,
                      COLORREF color) {
  const TGdiRaster r = dc.Target();
  if (!r.Valid() || !coverage || w <= 0 || h <= 0) return;
  const COLORREF c = dc.ResolveColor(color);
  const uint32_t cr = c & 0xFF, cg = (c >> 8) & 0xFF, cb = (c >> 16) & 0xFF;
  const uint32_t indexValue = r.Indexed() ? GdiColorToValue(r, c) : 0;
  const TRegion& vis = dc.Visible();
  for (int32_t j = 0; j < h; ++j) {
    const int32_t y = top + j;
    const uint8_t* cov = coverage + size_t(j) * size_t(stride);
    GdiForEachVisible(vis, y, left, left + w, [&](int32_t a, int32_t b) {
      for (int32_t x = a; x < b; ++x) {
        const uint32_t alpha = cov[x - left];
        if (alpha == 0) continue;
        if (r.Indexed()) {
          if (alpha >= 128) GdiWritePixel(r, x, y, indexValue);
          continue;
        }
        const uint32_t old = GdiReadPixel(r, x, y);
        const COLORREF d = GdiValueToColor(r, old);
        auto mix = [&](uint32_t fg, uint32_t bg) { return (fg * alpha + bg * (255 - alpha) + 127) / 255; };
        const COLORREF out = mix(cr, d & 0xFF) | (mix(cg, (d >> 8) & 0xFF) << 8) | (mix(cb, (d >> 16) & 0xFF) << 16);
        uint32_t v = GdiColorToValue(r, out);
        if (r.Layout == TGdiLayout::Bgr32) v |= old & 0xFF000000u;
        GdiWritePixel(r, x, y, v);
      }
    });
  }
}

// ---- Pens ---------------------------------------------------------------------------------------

namespace {

// Raster coordinates beyond this are refused, as the platform's 27-bit
// coordinate space does.
constexpr int64_t kMaxCoord = int64_t(1) << 27;
// Outlines walked pixel by pixel (styled or wide pens on curves) are limited
// to boxes of this extent.
constexpr int64_t kMaxPathExtent = int64_t(1) << 18;
constexpr int32_t kMaxPenWidth = 1 << 14;

bool CoordOk(int64_t v) { return v > -kMaxCoord && v < kMaxCoord; }
bool PointOk(const TPoint& p) { return CoordOk(p.X) && CoordOk(p.Y); }

struct TPenFill {
  bool Null = true;
  bool Wide = false;
  int32_t Width = 1;
  bool InsideFrame = false;
  uint32_t Value = 0;
  uint32_t BkValue = 0;
  bool Opaque = false;
  std::vector<uint32_t> Dash;  // on, off, on, ... lengths; empty = solid
  uint32_t DashTotal = 0;
  uint8_t Rop3 = 0xF0;
};

TPenFill PenFor(TDC& dc) {
  TPenFill p;
  const TGdiPen* pen = dc.Pen;
  const TGdiRaster r = dc.Target();
  if (!pen || !r.Valid() || pen->BaseStyle() == PS_NULL) return p;
  p.Null = false;
  p.Width = std::clamp(pen->Width, 1, kMaxPenWidth);
  p.Wide = p.Width > 1;
  p.InsideFrame = pen->BaseStyle() == PS_INSIDEFRAME;
  p.Value = ValueOf(dc, r, pen->Color);
  p.BkValue = ValueOf(dc, r, dc.State.BkColor);
  p.Opaque = dc.State.BkMode == OPAQUE;
  p.Rop3 = GdiRop2ToRop3(dc.State.Rop2);
  if (!p.Wide) {
    switch (pen->BaseStyle()) {
      case PS_DASH: p.Dash = {18, 6}; break;
      case PS_DOT: p.Dash = {3, 3}; break;
      case PS_DASHDOT: p.Dash = {9, 6, 3, 6}; break;
      case PS_DASHDOTDOT: p.Dash = {9, 3, 3, 3, 3, 3}; break;
      case PS_ALTERNATE: p.Dash = {1, 1}; break;
      case PS_USERSTYLE:
        p.Dash = pen->UserStyle;
        if (p.Dash.size() % 2) p.Dash.insert(p.Dash.end(), pen->UserStyle.begin(), pen->UserStyle.end());
        break;
      default: break;
    }
  }
  for (uint32_t d : p.Dash) p.DashTotal += d;
  if (p.DashTotal == 0) p.Dash.clear();
  return p;
}

// Whether position k of a dash pattern is "on".
bool DashOn(const TPenFill& p, uint64_t k) {
  uint64_t pos = k % p.DashTotal;
  for (size_t i = 0; i < p.Dash.size(); ++i) {
    if (pos < p.Dash[i]) return i % 2 == 0;
    pos -= p.Dash[i];
  }
  return true;
}

// Plots single pixels (thin pens) through the visible region.
class TPlotter {
 public:
  explicit TPlotter(TDC& dc) : FTarget(dc.Target()), FVisible(dc.Visible()) {
    FSimple = FVisible.Rects().size() == 1;
    FBox = FVisible.Box();
  }
  const TRect& Box() const { return FBox; }
  bool Visible(int32_t x, int32_t y) const {
    if (x < FBox.Left || x >= FBox.Right || y < FBox.Top || y >= FBox.Bottom) return false;
    return FSimple || FVisible.Contains(x, y);
  }
  void Plot(int32_t x, int32_t y, uint32_t value, uint8_t rop3) {
    if (!Visible(x, y)) return;
    const uint32_t d = GdiReadPixel(FTarget, x, y);
    GdiWritePixel(FTarget, x, y, GdiRop3(rop3, value, 0, d));
  }

 private:
  TGdiRaster FTarget;
  const TRegion& FVisible;
  bool FSimple;
  TRect FBox;
};

// Draws the pixel with position k along a thin styled or solid pen.
void PenPixel(TPlotter& plot, const TPenFill& pen, int32_t x, int32_t y, uint64_t k) {
  if (pen.Dash.empty() || DashOn(pen, k))
    plot.Plot(x, y, pen.Value, pen.Rop3);
  else if (pen.Opaque)
    plot.Plot(x, y, pen.BkValue, pen.Rop3);
}

TRect Inflate(TRect r, int32_t d) {
  return TRect{TDC::Saturate(int64_t(r.Left) - d), TDC::Saturate(int64_t(r.Top) - d),
               TDC::Saturate(int64_t(r.Right) + d), TDC::Saturate(int64_t(r.Bottom) + d)};
}

// A thin line from a to b (end left out); k0 is the style position of its
// first pixel; answers the position after it.
uint64_t ThinLine(TPlotter& plot, const TPenFill& pen, TPoint a, TPoint b, uint64_t k0) {
  const bool xMajor = std::abs(int64_t(b.X) - a.X) >= std::abs(int64_t(b.Y) - a.Y);
  RasterLine(a.X, a.Y, b.X, b.Y, plot.Box(), [&](int x, int y) {
    const uint64_t k = xMajor ? uint64_t(std::abs(int64_t(x) - a.X)) : uint64_t(std::abs(int64_t(y) - a.Y));
    PenPixel(plot, pen, x, y, k0 + k);
  });
  return k0 + uint64_t(std::max(std::abs(int64_t(b.X) - a.X), std::abs(int64_t(b.Y) - a.Y)));
}

// Pixels of a line for wide pens, limited to clip (end point left out).
void LinePixels(TPoint a, TPoint b, const TRect& clip, std::vector<TPoint>& out) {
  RasterLine(a.X, a.Y, b.X, b.Y, clip, [&](int x, int y) { out.push_back(TPoint{x, y}); });
}

// The pixels a disc of diameter w covers around the pixel (0, 0), as the
// range of dx for each dy (centred on the pixel for odd widths, on its
// top-left corner for even ones).
struct TDisc {
  int32_t Top = 0;
  std::vector<std::pair<int32_t, int32_t>> Rows;  // [lo, hi] per dy from Top
};

TDisc DiscOf(int32_t w) {
  TDisc d;
  const int64_t e = (w % 2 == 0) ? 1 : 0;
  const int64_t w2 = int64_t(w) * w;
  d.Top = -(w / 2) - 1;
  for (int32_t dy = d.Top; dy <= w / 2 + 1; ++dy) {
    const int64_t t = 2 * int64_t(dy) + e;
    const int64_t rem = w2 - t * t;
    if (rem < 0) {
      d.Rows.emplace_back(1, 0);
      continue;
    }
    int64_t m = int64_t(std::sqrt(double(rem)));
    while (m * m > rem) --m;
    while ((m + 1) * (m + 1) <= rem) ++m;
    // 2dx + e in [-m, m]
    const int64_t lo = (-m - e + (((-m - e) % 2 != 0) ? 1 : 0)) / 2;  // ceil((-m-e)/2)
    int64_t hi = m - e;
    hi = hi >= 0 ? hi / 2 : -((-hi + 1) / 2);  // floor((m-e)/2)
    d.Rows.emplace_back(int32_t(lo), int32_t(hi));
  }
  return d;
}

// Stroke of a wide pen: the disc stamped on every outline pixel.
std::vector<TSpan> Dilate(const std::vector<TSpan>& outline, int32_t w, const TRect& clip) {
  const TDisc disc = DiscOf(w);
  std::vector<TSpan> out;
  for (const TSpan& s : outline) {
    for (size_t i = 0; i < disc.Rows.size(); ++i) {
      const auto [lo, hi] = disc.Rows[i];
      if (lo > hi) continue;
      const int32_t y = s.Y + disc.Top + int32_t(i);
      if (y < clip.Top || y >= clip.Bottom) continue;
      const int32_t x0 = std::max(s.X0 + lo, clip.Left), x1 = std::min(s.X1 + hi, clip.Right);
      if (x0 < x1) out.push_back(TSpan{y, x0, x1});
    }
  }
  NormalizeSpans(out);
  return out;
}

TGdiBrushFill FillOf(uint32_t value) { return GdiSolidFill(value); }

// Paints a stroke (wide pen spans) and a fill (brush spans, the stroke
// removed) with ROP2.
void PaintShape(TDC& dc, const TPenFill& pen, std::vector<TSpan> fill, const std::vector<TSpan>& stroke) {
  const TGdiBrushFill brush = GdiRealizeBrush(dc, dc.Brush);
  const uint8_t rop3 = GdiRop2ToRop3(dc.State.Rop2);
  if (!brush.Null && !fill.empty()) {
    if (!stroke.empty()) fill = SubtractSpans(fill, stroke);
    GdiPaintSpans(dc, fill, brush, rop3);
  }
  if (!pen.Null && !stroke.empty()) GdiPaintSpans(dc, stroke, FillOf(pen.Value), rop3);
}

TRect NormalRect(int32_t l, int32_t t, int32_t r, int32_t b) {
  return TRect{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

bool RasterBox(TDC& dc, int32_t l, int32_t t, int32_t r, int32_t b, TRect& out) {
  const TPoint a = dc.ToRaster(l, t), c = dc.ToRaster(r, b);
  if (!PointOk(a) || !PointOk(c)) return false;
  out = NormalRect(a.X, a.Y, c.X, c.Y);
  return true;
}

// The box whose 1-pixel outline a wide inside-frame pen is stamped on.
TRect InsideFrameBox(const TRect& r, int32_t w) {
  return TRect{r.Left + w / 2, r.Top + w / 2, r.Right - (w - 1) / 2, r.Bottom - (w - 1) / 2};
}

bool PathExtentOk(const TRect& r) {
  return int64_t(r.Right) - r.Left <= kMaxPathExtent && int64_t(r.Bottom) - r.Top <= kMaxPathExtent;
}

// Thin styled pen along an ordered outline path.
void StyledPath(TDC& dc, const TPenFill& pen, const std::vector<TPoint>& path) {
  TPlotter plot(dc);
  for (size_t k = 0; k < path.size(); ++k) PenPixel(plot, pen, path[k].X, path[k].Y, k);
}

void ThinSpans(TDC& dc, const TPenFill& pen, const std::vector<TSpan>& outline) {
  GdiPaintSpans(dc, outline, FillOf(pen.Value), pen.Rop3);
}

enum class TCurve { Ellipse, RoundRect };

// Ellipse and RoundRect: box in raster coordinates (normalised).
bool DrawCurve(TDC& dc, TCurve kind, TRect box, int32_t cw, int32_t ch) {
  const TPenFill pen = PenFor(dc);
  const TRect vis = dc.Visible().Box();
  auto spans = [&](const TRect& b, std::vector<TSpan>* outline, std::vector<TSpan>* interior, const TRect& clip) {
    if (kind == TCurve::Ellipse)
      EllipseSpans(b.Left, b.Top, b.Right, b.Bottom, outline, interior, &clip);
    else
      RoundRectSpans(b.Left, b.Top, b.Right, b.Bottom, cw, ch, outline, interior, &clip);
  };
  if (pen.Null) {
    const TRect b{box.Left, box.Top, box.Right - 1, box.Bottom - 1};
    if (b.Right <= b.Left || b.Bottom <= b.Top) return true;
    std::vector<TSpan> outline, interior;
    spans(b, &outline, &interior, vis);
    interior.insert(interior.end(), outline.begin(), outline.end());
    NormalizeSpans(interior);
    PaintShape(dc, pen, std::move(interior), {});
    return true;
  }
  if (pen.Wide) {
    const TRect b = pen.InsideFrame ? InsideFrameBox(box, pen.Width) : box;
    if (b.Right <= b.Left || b.Bottom <= b.Top) return true;
    std::vector<TSpan> outline, interior;
    spans(b, &outline, nullptr, Inflate(vis, pen.Width));
    spans(b, nullptr, &interior, vis);
    const std::vector<TSpan> stroke = Dilate(outline, pen.Width, vis);
    PaintShape(dc, pen, std::move(interior), stroke);
    return true;
  }
  std::vector<TSpan> outline, interior;
  spans(box, pen.Dash.empty() ? &outline : nullptr, &interior, vis);
  PaintShape(dc, pen, std::move(interior), {});
  if (pen.Dash.empty()) {
    ThinSpans(dc, pen, outline);
  } else if (PathExtentOk(box)) {
    const TShapeRaster shape = kind == TCurve::Ellipse
                                   ? EllipseShape(box.Left, box.Top, box.Right, box.Bottom)
                                   : RoundRectShape(box.Left, box.Top, box.Right, box.Bottom, cw, ch);
    StyledPath(dc, pen, shape.Path);
  } else {
    spans(box, &outline, nullptr, vis);
    ThinSpans(dc, pen, outline);
  }
  return true;
}

// Polygons given in raster coordinates.
void DrawPolygons(TDC& dc, const std::vector<TPoint>& pts, const std::vector<int32_t>& counts) {
  const TPenFill pen = PenFor(dc);
  const TRect vis = dc.Visible().Box();
  std::vector<TSpan> fill;
  PolygonFillSpans(pts.data(), counts.data(), int(counts.size()), dc.State.PolyFillMode, fill, &vis);
  if (pen.Null) {
    PaintShape(dc, pen, std::move(fill), {});
    return;
  }
  // The outline pixels (each edge leaves out its end, the next edge's start).
  const TRect clip = pen.Wide ? Inflate(vis, pen.Width) : vis;
  std::vector<TPoint> pixels;
  size_t start = 0;
  for (int32_t n : counts) {
    if (n >= 2) {
      for (int32_t i = 0; i < n; ++i) {
        LinePixels(pts[start + size_t(i)], pts[start + size_t((i + 1) % n)], clip, pixels);
      }
    }
    start += size_t(n);
  }
  std::vector<TSpan> outline = SpansFromPixels(std::move(pixels));
  if (pen.Wide) {
    const std::vector<TSpan> stroke = Dilate(outline, pen.Width, vis);
    PaintShape(dc, pen, std::move(fill), stroke);
    return;
  }
  fill = SubtractSpans(fill, outline);
  PaintShape(dc, pen, std::move(fill), {});
  // Thin pens draw edge by edge (style positions run on along the outline).
  TPlotter plot(dc);
  start = 0;
  for (int32_t n : counts) {
    if (n >= 2) {
      uint64_t k = 0;
      for (int32_t i = 0; i < n; ++i)
        k = ThinLine(plot, pen, pts[start + size_t(i)], pts[start + size_t((i + 1) % n)], k);
    }
    start += size_t(n);
  }
}

bool RasterPoints(TDC& dc, const TPoint* points, int64_t count, std::vector<TPoint>& out) {
  out.resize(size_t(count));
  for (int64_t i = 0; i < count; ++i) {
    out[size_t(i)] = dc.ToRaster(points[i].X, points[i].Y);
    if (!PointOk(out[size_t(i)])) return false;
  }
  return true;
}

// An open polyline in raster coordinates.
void DrawPolyline(TDC& dc, const std::vector<TPoint>& pts) {
  const TPenFill pen = PenFor(dc);
  if (pen.Null || pts.size() < 2) return;
  const TRect vis = dc.Visible().Box();
  if (pen.Wide) {
    std::vector<TPoint> pixels;
    const TRect clip = Inflate(vis, pen.Width);
    for (size_t i = 0; i + 1 < pts.size(); ++i) LinePixels(pts[i], pts[i + 1], clip, pixels);
    const TPoint& last = pts.back();
    if (last.X >= clip.Left && last.X < clip.Right && last.Y >= clip.Top && last.Y < clip.Bottom)
      pixels.push_back(last);
    const std::vector<TSpan> stroke = Dilate(SpansFromPixels(std::move(pixels)), pen.Width, vis);
    GdiPaintSpans(dc, stroke, FillOf(pen.Value), pen.Rop3);
    return;
  }
  TPlotter plot(dc);
  uint64_t k = 0;
  for (size_t i = 0; i + 1 < pts.size(); ++i) k = ThinLine(plot, pen, pts[i], pts[i + 1], k);
}

}  // namespace

// ---- Lines --------------------------------------------------------------------------------------

bool LineTo(HDC h, int32_t x, int32_t y) {
  TDC* dc = GdiDC(h);
  if (!dc) return false;
  const TPoint a = dc->ToRaster(dc->State.CurrentPos.X, dc->State.CurrentPos.Y), b = dc->ToRaster(x, y);
  dc->State.CurrentPos = TPoint{x, y};
  if (!PointOk(a) || !PointOk(b)) return false;
  DrawPolyline(*dc, {a, b});
  return true;
}

bool Polyline(HDC h, const TPoint* points, int32_t count) {
  TDC* dc = GdiDC(h);
  if (!dc || !points || count < 2) return false;
  std::vector<TPoint> pts;
  if (!RasterPoints(*dc, points, count, pts)) return false;
  DrawPolyline(*dc, pts);
  return true;
}

bool LineDDA(int32_t x1, int32_t y1, int32_t x2, int32_t y2, LINEDDAPROC proc, intptr_t data) {
  if (!proc) return false;
  RasterLine(x1, y1, x2, y2, [&](int x, int y) { proc(x, y, data); });
  return true;
}

// ---- Shapes ---------------------------------------------------------------------------------------

bool Polygon(HDC h, const TPoint* points, int32_t count) {
  TDC* dc = GdiDC(h);
  if (!dc || !points || count < 2) return false;
  std::vector<TPoint> pts;
  if (!RasterPoints(*dc, points, count, pts)) return false;
  DrawPolygons(*dc, pts, {count});
  return true;
}

bool PolyPolygon(HDC h, const TPoint* points, const int32_t* counts, int32_t polygons) {
  TDC* dc = GdiDC(h);
  if (!dc || !points || !counts || polygons <= 0) return false;
  int64_t total = 0;
  for (int32_t i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return false;
    total += counts[i];
  }
  std::vector<TPoint> pts;
  if (!RasterPoints(*dc, points, total, pts)) return false;
  DrawPolygons(*dc, pts, std::vector<int32_t>(counts, counts + polygons));
  return true;
}

bool Rectangle(HDC h, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TDC* dc = GdiDC(h);
  TRect box;
  if (!dc || !RasterBox(*dc, left, top, right, bottom, box)) return false;
  const TPenFill pen = PenFor(*dc);
  const TRect vis = dc->Visible().Box();
  auto spansOfRect = [](const TRect& r, std::vector<TSpan>& out) {
    for (int32_t y = r.Top; y < r.Bottom; ++y) out.push_back(TSpan{y, r.Left, r.Right});
  };
  auto clipped = [&](TRect r, const TRect& clip) {
    TRect c;
    return IntersectRect(c, r, clip) ? c : TRect{};
  };
  // The 1-pixel outline of b as spans (limited to clip).
  auto outlineOf = [&](const TRect& b, const TRect& clip) {
    std::vector<TSpan> out;
    if (b.Right <= b.Left || b.Bottom <= b.Top) return out;
    spansOfRect(clipped(TRect{b.Left, b.Top, b.Right, b.Top + 1}, clip), out);
    if (b.Bottom - 1 > b.Top) spansOfRect(clipped(TRect{b.Left, b.Bottom - 1, b.Right, b.Bottom}, clip), out);
    const TRect sides{b.Left, b.Top + 1, b.Right, b.Bottom - 1};
    spansOfRect(clipped(TRect{sides.Left, sides.Top, sides.Left + 1, sides.Bottom}, clip), out);
    if (b.Right - 1 > b.Left) spansOfRect(clipped(TRect{b.Right - 1, sides.Top, b.Right, sides.Bottom}, clip), out);
    NormalizeSpans(out);
    return out;
  };
  std::vector<TSpan> fill;
  if (pen.Null) {
    spansOfRect(clipped(TRect{box.Left, box.Top, box.Right - 1, box.Bottom - 1}, vis), fill);
    PaintShape(*dc, pen, std::move(fill), {});
    return true;
  }
  if (pen.Wide) {
    const TRect b = pen.InsideFrame ? InsideFrameBox(box, pen.Width) : box;
    const std::vector<TSpan> stroke = Dilate(outlineOf(b, Inflate(vis, pen.Width)), pen.Width, vis);
    spansOfRect(clipped(TRect{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1}, vis), fill);
    PaintShape(*dc, pen, std::move(fill), stroke);
    return true;
  }
  spansOfRect(clipped(TRect{box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1}, vis), fill);
  PaintShape(*dc, pen, std::move(fill), {});
  if (pen.Dash.empty()) {
    ThinSpans(*dc, pen, outlineOf(box, vis));
    return true;
  }
  if (box.Right <= box.Left || box.Bottom <= box.Top) return true;
  // Clockwise from the top-left corner, the style running on round the corners.
  const TPoint c[4] = {
      {box.Left, box.Top}, {box.Right - 1, box.Top}, {box.Right - 1, box.Bottom - 1}, {box.Left, box.Bottom - 1}};
  TPlotter plot(*dc);
  if (box.Right - box.Left == 1 || box.Bottom - box.Top == 1) {
    const uint64_t k = ThinLine(plot, pen, c[0], c[2], 0);
    PenPixel(plot, pen, c[2].X, c[2].Y, k);
    return true;
  }
  uint64_t k = 0;
  for (int i = 0; i < 4; ++i) k = ThinLine(plot, pen, c[i], c[(i + 1) % 4], k);
  return true;
}

bool RoundRect(HDC h, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width, int32_t height) {
  TDC* dc = GdiDC(h);
  TRect box;
  if (!dc || !RasterBox(*dc, left, top, right, bottom, box)) return false;
  return DrawCurve(*dc, TCurve::RoundRect, box, width, height);
}

bool Ellipse(HDC h, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TDC* dc = GdiDC(h);
  TRect box;
  if (!dc || !RasterBox(*dc, left, top, right, bottom, box)) return false;
  return DrawCurve(*dc, TCurve::Ellipse, box, 0, 0);
}

namespace {

enum class TArcKind { Arc, Chord, Pie };

bool DrawArc(HDC h, TArcKind kind, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xs, int32_t ys,
             int32_t xe, int32_t ye) {
  TDC* dc = GdiDC(h);
  TRect box;
  if (!dc || !RasterBox(*dc, left, top, right, bottom, box) || !PathExtentOk(box)) return false;
  const TPoint s = dc->ToRaster(xs, ys), e = dc->ToRaster(xe, ye);
  if (!PointOk(s) || !PointOk(e)) return false;
  const int dir = dc->State.ArcDirection;
  const TPenFill pen = PenFor(*dc);
  const TRect vis = dc->Visible().Box();
  if (kind == TArcKind::Arc) {
    if (pen.Null) return true;
    const std::vector<TPoint> path = ArcPath(box.Left, box.Top, box.Right, box.Bottom, s.X, s.Y, e.X, e.Y, dir);
    if (pen.Wide) {
      GdiPaintSpans(*dc, Dilate(SpansFromPixels(path), pen.Width, vis), FillOf(pen.Value), pen.Rop3);
    } else if (pen.Dash.empty()) {
      ThinSpans(*dc, pen, SpansFromPixels(path));  // each pixel once
    } else {
      StyledPath(*dc, pen, path);
    }
    return true;
  }
  auto shapeOf = [&](const TRect& b) {
    return kind == TArcKind::Chord ? ChordShape(b.Left, b.Top, b.Right, b.Bottom, s.X, s.Y, e.X, e.Y, dir)
                                   : PieShape(b.Left, b.Top, b.Right, b.Bottom, s.X, s.Y, e.X, e.Y, dir);
  };
  if (pen.Null) {
    TShapeRaster shape = shapeOf(TRect{box.Left, box.Top, box.Right - 1, box.Bottom - 1});
    shape.Interior.insert(shape.Interior.end(), shape.Outline.begin(), shape.Outline.end());
    NormalizeSpans(shape.Interior);
    PaintShape(*dc, pen, std::move(shape.Interior), {});
    return true;
  }
  if (pen.Wide) {
    const TShapeRaster shape = shapeOf(pen.InsideFrame ? InsideFrameBox(box, pen.Width) : box);
    PaintShape(*dc, pen, shape.Interior, Dilate(shape.Outline, pen.Width, vis));
    return true;
  }
  const TShapeRaster shape = shapeOf(box);
  PaintShape(*dc, pen, shape.Interior, {});
  if (pen.Dash.empty())
    ThinSpans(*dc, pen, shape.Outline);
  else
    StyledPath(*dc, pen, shape.Path);
  return true;
}

}  // namespace

bool Arc(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart, int32_t yStart, int32_t xEnd,
         int32_t yEnd) {
  return DrawArc(dc, TArcKind::Arc, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

bool Chord(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart, int32_t yStart,
           int32_t xEnd, int32_t yEnd) {
  return DrawArc(dc, TArcKind::Chord, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

bool Pie(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart, int32_t yStart, int32_t xEnd,
         int32_t yEnd) {
  return DrawArc(dc, TArcKind::Pie, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

// ---- Fills ------------------------------------------------------------------------------------------

namespace {

bool RasterRectOf(TDC& dc, const TRect& r, TRect& out) {
  const TPoint a = dc.ToRaster(r.Left, r.Top), b = dc.ToRaster(r.Right, r.Bottom);
  if (!PointOk(a) || !PointOk(b)) return false;
  out = TRect{a.X, a.Y, b.X, b.Y};
  return true;
}

TRegion RasterRegion(TDC& dc, const TRegion& logical) {
  TRegion r = logical;
  const TPoint o = dc.ToRaster(0, 0);
  if (!r.Offset(o.X, o.Y)) return TRegion();  // would leave the coordinate space
  return r;
}

}  // namespace

int32_t FillRect(HDC h, const TRect& rect, HBRUSH brush) {
  TDC* dc = GdiDC(h);
  TGdiBrush* b = GdiBrushArg(brush);
  TRect r;
  if (!dc || !b || !RasterRectOf(*dc, rect, r)) return 0;
  GdiPaintRect(*dc, r, GdiRealizeBrush(*dc, b), 0xF0);
  return 1;
}

int32_t FrameRect(HDC h, const TRect& rect, HBRUSH brush) {
  TDC* dc = GdiDC(h);
  TGdiBrush* b = GdiBrushArg(brush);
  TRect r;
  if (!dc || !b || !RasterRectOf(*dc, rect, r)) return 0;
  if (r.Right <= r.Left || r.Bottom <= r.Top) return 1;
  TRegion frame(r);
  TRegion::Combine(frame, frame, TRegion(TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}), RGN_DIFF);
  GdiPaintRegion(*dc, frame, GdiRealizeBrush(*dc, b), 0xF0);
  return 1;
}

bool InvertRect(HDC h, const TRect& rect) {
  TDC* dc = GdiDC(h);
  TRect r;
  if (!dc || !RasterRectOf(*dc, rect, r)) return false;
  GdiPaintRect(*dc, r, GdiSolidFill(0), 0x55);
  return true;
}

bool DrawFocusRect(HDC h, const TRect& rect) {
  TDC* dc = GdiDC(h);
  TRect r;
  if (!dc || !RasterRectOf(*dc, rect, r)) return false;
  const TGdiRaster t = dc->Target();
  if (!t.Valid() || r.Right <= r.Left || r.Bottom <= r.Top) return true;
  const uint32_t invert = t.Indexed() ? (1u << t.BitCount) - 1 : (t.RedMask | t.GreenMask | t.BlueMask);
  TPlotter plot(*dc);
  // The dots keep their places in device coordinates wherever the device
  // sits on the raster.
  const int64_t phase = int64_t(dc->DeviceOrg.X) + dc->DeviceOrg.Y;
  auto dot = [&](int32_t x, int32_t y) {
    if (((int64_t(x) + y - phase) & 1) == 0) plot.Plot(x, y, invert, 0x5A);
  };
  for (int32_t x = r.Left; x < r.Right; ++x) {
    dot(x, r.Top);
    if (r.Bottom - 1 > r.Top) dot(x, r.Bottom - 1);
  }
  for (int32_t y = r.Top + 1; y < r.Bottom - 1; ++y) {
    dot(r.Left, y);
    if (r.Right - 1 > r.Left) dot(r.Right - 1, y);
  }
  return true;
}

bool FillRgn(HDC h, HRGN rgn, HBRUSH brush) {
  TDC* dc = GdiDC(h);
  TGdiRegion* r = GdiRegion(rgn);
  TGdiBrush* b = GdiBrushArg(brush);
  if (!dc || !r || !b) return false;
  GdiPaintRegion(*dc, RasterRegion(*dc, r->Region), GdiRealizeBrush(*dc, b), 0xF0);
  return true;
}

bool PaintRgn(HDC h, HRGN rgn) {
  TDC* dc = GdiDC(h);
  TGdiRegion* r = GdiRegion(rgn);
  if (!dc || !r) return false;
  GdiPaintRegion(*dc, RasterRegion(*dc, r->Region), GdiRealizeBrush(*dc, dc->Brush), GdiRop2ToRop3(dc->State.Rop2));
  return true;
}

bool FrameRgn(HDC h, HRGN rgn, HBRUSH brush, int32_t width, int32_t height) {
  TDC* dc = GdiDC(h);
  TGdiRegion* r = GdiRegion(rgn);
  TGdiBrush* b = GdiBrushArg(brush);
  if (!dc || !r || !b || width <= 0 || height <= 0) return false;
  // The frame: pixels of the region with an outside pixel within width
  // columns or height rows, i.e. the region less its erosion by a cross.
  // Eroding by {-k, 0, k} for k = 1, 2, 4 ... (and a remainder) erodes by the
  // whole segment in a logarithmic number of steps.
  auto erodeAxis = [](const TRegion& in, int32_t n, bool horizontal) {
    TRegion out = in;
    int64_t done = 0;
    for (int64_t k = 1; done < n; k *= 2) {
      const int32_t step = int32_t(std::min<int64_t>(k, n - done));
      for (int32_t sign : {1, -1}) {
        TRegion moved = out;
        if (moved.Offset(horizontal ? sign * step : 0, horizontal ? 0 : sign * step)) {
          TRegion::Combine(out, out, moved, RGN_AND);
        } else {
          out = TRegion();
        }
      }
      done += step;
    }
    return out;
  };
  TRegion inner;
  TRegion::Combine(inner, erodeAxis(r->Region, width, true), erodeAxis(r->Region, height, false), RGN_AND);
  TRegion frame;
  TRegion::Combine(frame, r->Region, inner, RGN_DIFF);
  GdiPaintRegion(*dc, RasterRegion(*dc, frame), GdiRealizeBrush(*dc, b), 0xF0);
  return true;
}

// ---- Pixels -------------------------------------------------------------------------------------

COLORREF SetPixel(HDC h, int32_t x, int32_t y, COLORREF color) {
  TDC* dc = GdiDC(h);
  if (!dc) return CLR_INVALID;
  const TPoint p = dc->ToRaster(x, y);
  const TGdiRaster r = dc->Target();
  if (!r.Valid() || !dc->Visible().Contains(p.X, p.Y)) return CLR_INVALID;
  const uint32_t v = ValueOf(*dc, r, color);
  GdiWritePixel(r, p.X, p.Y, v);
  return GdiValueToColor(r, v);
}

COLORREF GetPixel(HDC h, int32_t x, int32_t y) {
  TDC* dc = GdiDC(h);
  if (!dc) return CLR_INVALID;
  const TPoint p = dc->ToRaster(x, y);
  const TGdiRaster r = dc->Target();
  if (!r.Valid() || !dc->Visible().Contains(p.X, p.Y)) return CLR_INVALID;
  return GdiValueToColor(r, GdiReadPixel(r, p.X, p.Y));
}

bool ExtFloodFill(HDC h, int32_t x, int32_t y, COLORREF color, uint32_t type) {
  TDC* dc = GdiDC(h);
  if (!dc || (type != FLOODFILLBORDER && type != FLOODFILLSURFACE)) return false;
  const TGdiRaster r = dc->Target();
  const TRegion& vis = dc->Visible();
  const TPoint p = dc->ToRaster(x, y);
  if (!r.Valid() || !vis.Contains(p.X, p.Y)) return false;
  const uint32_t v = ValueOf(*dc, r, color);
  const bool surface = type == FLOODFILLSURFACE;
  auto fillable = [&](int32_t px, int32_t py) {
    const uint32_t d = GdiReadPixel(r, px, py);
    return surface ? d == v : d != v;
  };
  if (!fillable(p.X, p.Y)) return false;
  const TRect box = vis.Box();
  const int32_t bw = box.Right - box.Left, bh = box.Bottom - box.Top;
  std::vector<bool> done(size_t(bw) * size_t(bh), false);
  auto at = [&](int32_t px, int32_t py) { return size_t(py - box.Top) * size_t(bw) + size_t(px - box.Left); };
  auto ok = [&](int32_t px, int32_t py) {
    return px >= box.Left && px < box.Right && py >= box.Top && py < box.Bottom && !done[at(px, py)] &&
           vis.Contains(px, py) && fillable(px, py);
  };
  std::vector<TSpan> spans;
  std::vector<TPoint> stack{p};
  while (!stack.empty()) {
    const TPoint s = stack.back();
    stack.pop_back();
    if (!ok(s.X, s.Y)) continue;
    int32_t x0 = s.X, x1 = s.X + 1;
    while (ok(x0 - 1, s.Y)) --x0;
    while (ok(x1, s.Y)) ++x1;
    for (int32_t i = x0; i < x1; ++i) done[at(i, s.Y)] = true;
    spans.push_back(TSpan{s.Y, x0, x1});
    for (int32_t ny : {s.Y - 1, s.Y + 1}) {
      bool run = false;
      for (int32_t i = x0; i < x1; ++i) {
        const bool here = ok(i, ny);
        if (here && !run) stack.push_back(TPoint{i, ny});
        run = here;
      }
    }
  }
  NormalizeSpans(spans);
  GdiPaintSpans(*dc, spans, GdiRealizeBrush(*dc, dc->Brush), 0xF0);
  return true;
}

// ---- Gradients --------------------------------------------------------------------------------------

bool GradientFill(HDC h, const TRIVERTEX* vertices, uint32_t vertexCount, const void* mesh, uint32_t meshCount,
                  uint32_t mode) {
  TDC* dc = GdiDC(h);
  if (!dc || !vertices || !mesh || (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V)) return false;
  const TGdiRaster r = dc->Target();
  if (!r.Valid()) return false;
  const GRADIENT_RECT* rects = static_cast<const GRADIENT_RECT*>(mesh);
  for (uint32_t m = 0; m < meshCount; ++m) {
    if (rects[m].UpperLeft >= vertexCount || rects[m].LowerRight >= vertexCount) return false;
  }
  const TRegion& vis = dc->Visible();
  for (uint32_t m = 0; m < meshCount; ++m) {
    const TRIVERTEX& v1 = vertices[rects[m].UpperLeft];
    const TRIVERTEX& v2 = vertices[rects[m].LowerRight];
    TRect box;
    if (!RasterBox(*dc, v1.x, v1.y, v2.x, v2.y, box)) return false;
    TRect part;
    if (!IntersectRect(part, box, vis.Box())) continue;
    const int64_t n = mode == GRADIENT_FILL_RECT_H ? int64_t(box.Right) - box.Left : int64_t(box.Bottom) - box.Top;
    auto channel = [&](uint16_t a, uint16_t b, int64_t i) {
      const int64_t c1 = a >> 8, c2 = b >> 8;
      return uint32_t(n <= 1 ? c1 : c1 + (c2 - c1) * i / (n - 1));
    };
    auto valueAt = [&](int64_t i) {
      return GdiColorToValue(
          r, channel(v1.Red, v2.Red, i) | (channel(v1.Green, v2.Green, i) << 8) | (channel(v1.Blue, v2.Blue, i) << 16));
    };
    if (mode == GRADIENT_FILL_RECT_V) {
      for (int32_t y = part.Top; y < part.Bottom; ++y) {
        const uint32_t v = valueAt(y - box.Top);
        GdiForEachVisible(vis, y, part.Left, part.Right, [&](int32_t a, int32_t b) {
          GdiFillRectValue(r, TRect{a, y, b, y + 1}, v, 0xF0);
        });
      }
    } else {
      std::vector<uint32_t> row(size_t(part.Right - part.Left));
      for (int32_t x = part.Left; x < part.Right; ++x) row[size_t(x - part.Left)] = valueAt(x - box.Left);
      TGdiSpanOp op;
      op.Rop3 = 0xCC;
      for (int32_t y = part.Top; y < part.Bottom; ++y) {
        GdiForEachVisible(vis, y, part.Left, part.Right, [&](int32_t a, int32_t b) {
          op.Src = row.data() + (a - part.Left);
          GdiSpan(r, y, a, b - a, op);
        });
      }
    }
  }
  return true;
}

// ---- Edges ----------------------------------------------------------------------------------------

bool DrawEdge(HDC h, TRect& rect, uint32_t edge, uint32_t flags) {
  TDC* dc = GdiDC(h);
  if (!dc || !PointOk(TPoint{rect.Left, rect.Top}) || !PointOk(TPoint{rect.Right, rect.Bottom})) return false;
  const uint32_t outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  auto sys = [](int i) { return COLORREF(GetSysColor(i)); };
  COLORREF outerTL, outerBR, innerTL, innerBR;
  if (flags & BF_MONO) {
    outerTL = outerBR = sys(COLOR_WINDOWFRAME);
    innerTL = innerBR = sys(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    outerTL = outerBR = sys(COLOR_BTNSHADOW);
    innerTL = innerBR = sys(COLOR_BTNFACE);
  } else {
    const bool raisedOuter = (edge & BDR_RAISEDOUTER) != 0, raisedInner = (edge & BDR_RAISEDINNER) != 0;
    outerTL = raisedOuter ? sys(COLOR_3DLIGHT) : sys(COLOR_BTNSHADOW);
    outerBR = raisedOuter ? sys(COLOR_3DDKSHADOW) : sys(COLOR_BTNHIGHLIGHT);
    innerTL = raisedInner ? sys(COLOR_BTNHIGHLIGHT) : sys(COLOR_3DDKSHADOW);
    innerBR = raisedInner ? sys(COLOR_BTNSHADOW) : sys(COLOR_3DLIGHT);
    if (flags & BF_SOFT) std::swap(outerTL, innerTL);
  }
  TRect r = rect;
  auto fill = [&](int32_t l, int32_t t, int32_t rr, int32_t b, COLORREF c) {
    TRect d;
    if (RasterRectOf(*dc, TRect{l, t, rr, b}, d)) GdiFillRasterRect(*dc, d, c, false);
  };
  auto ring = [&](COLORREF tl, COLORREF br) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    if (flags & BF_LEFT) fill(r.Left, r.Top, r.Left + 1, r.Bottom, tl);
    if (flags & BF_TOP) fill(r.Left, r.Top, r.Right, r.Top + 1, tl);
    if (flags & BF_RIGHT) fill(r.Right - 1, r.Top, r.Right, r.Bottom, br);
    if (flags & BF_BOTTOM) fill(r.Left, r.Bottom - 1, r.Right, r.Bottom, br);
    if (flags & BF_LEFT) ++r.Left;
    if (flags & BF_TOP) ++r.Top;
    if (flags & BF_RIGHT) --r.Right;
    if (flags & BF_BOTTOM) --r.Bottom;
  };
  if (outer) ring(outerTL, outerBR);
  if (inner) ring(innerTL, innerBR);
  if ((flags & BF_MIDDLE) && r.Right > r.Left && r.Bottom > r.Top) {
    fill(r.Left, r.Top, r.Right, r.Bottom, (flags & BF_MONO) ? sys(COLOR_WINDOW) : sys(COLOR_BTNFACE));
  }
  if (flags & BF_ADJUST) rect = r;
  return true;
}
