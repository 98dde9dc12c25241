#include "platform/gui/metafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string_view>
#include <tuple>
#include <utility>

#include "platform/gui/bmpfile.h"
#include "platform/gui/text.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr uint32_t kEmfSignature = 0x464D4520u;  // " EMF"
constexpr size_t kPlaceableSize = 22;
constexpr size_t kWmfHeaderSize = 18;
constexpr size_t kEmfHeaderMin = 88;
// Larger files are refused rather than read into memory.
constexpr int64_t kMaxFileBytes = int64_t(1) << 30;
constexpr size_t kMaxSavedStates = 1024;
constexpr size_t kMaxPathPoints = size_t(1) << 22;
constexpr int64_t kMaxDibPixels = int64_t(1) << 25;
constexpr int32_t kMaxPenWidth = 4096;
constexpr int32_t kMaxFontHeight = 2048;

const char* const kInvalidMetafile = "Metafile is not valid";

int16_t GetS16(const uint8_t* p) { return int16_t(GetLE16(p)); }
int32_t GetS32(const uint8_t* p) { return int32_t(GetLE32(p)); }

// Colours of records: palette indexes have no palette here and give black.
COLORREF FileColor(uint32_t c) { return (c >> 24) == 1 ? 0 : (c & 0x00FFFFFFu); }

int32_t ClampToInt(double v, double lo, double hi) {
  if (!(v >= lo)) v = lo;  // NaN too
  if (v > hi) v = hi;
  return int32_t(std::lround(v));
}

enum : int32_t {
  MM_TEXT = 1,
  MM_LOMETRIC,
  MM_HIMETRIC,
  MM_LOENGLISH,
  MM_HIENGLISH,
  MM_TWIPS,
  MM_ISOTROPIC,
  MM_ANISOTROPIC
};

enum class TObjKind : uint8_t { Pen, Brush, Font, Other };

struct TBitmapHolder {
  HBITMAP Handle = nullptr;
  explicit TBitmapHolder(HBITMAP h) : Handle(h) {}
  ~TBitmapHolder() {
    if (Handle) DeleteObject(Handle);
  }
  TBitmapHolder(const TBitmapHolder&) = delete;
  TBitmapHolder& operator=(const TBitmapHolder&) = delete;
};

// The description of a drawing object; the GDI objects are made from it at
// each drawing call, at the scale of the moment.
struct TMetaObject {
  TObjKind Kind = TObjKind::Other;
  // Pen
  uint32_t PenStyle = PS_SOLID;
  int32_t PenWidth = 0;
  bool Cosmetic = false;  // width in device pixels
  // Pen and brush colour
  COLORREF Color = 0;
  // Brush
  uint32_t BrushStyle = BS_SOLID;
  int32_t Hatch = 0;
  std::shared_ptr<TBitmapHolder> Pattern;
  // Font
  LOGFONT Font;
};
using TObjRef = std::shared_ptr<const TMetaObject>;

TObjRef MakePen(uint32_t style, int32_t width, COLORREF color, bool cosmetic = false) {
  auto o = std::make_shared<TMetaObject>();
  o->Kind = TObjKind::Pen;
  o->PenStyle = style;
  o->PenWidth = width;
  o->Color = color;
  o->Cosmetic = cosmetic;
  return o;
}

TObjRef MakeBrush(uint32_t style, COLORREF color, int32_t hatch) {
  auto o = std::make_shared<TMetaObject>();
  o->Kind = TObjKind::Brush;
  o->BrushStyle = style;
  o->Color = color;
  o->Hatch = hatch;
  return o;
}

TObjRef DefaultFont() {
  auto o = std::make_shared<TMetaObject>();
  o->Kind = TObjKind::Font;
  o->Font.lfHeight = -12;
  o->Font.lfWeight = FW_NORMAL;
  return o;
}

TObjRef StockObject(uint32_t index) {
  switch (index) {
    case 0: return MakeBrush(BS_SOLID, 0xFFFFFF, 0);
    case 1: return MakeBrush(BS_SOLID, 0xC0C0C0, 0);
    case 2: return MakeBrush(BS_SOLID, 0x808080, 0);
    case 3: return MakeBrush(BS_SOLID, 0x404040, 0);
    case 4: return MakeBrush(BS_SOLID, 0x000000, 0);
    case 5: return MakeBrush(BS_NULL, 0, 0);
    case 6: return MakePen(PS_SOLID, 0, 0xFFFFFF, true);
    case 7: return MakePen(PS_SOLID, 0, 0x000000, true);
    case 8: return MakePen(PS_NULL, 0, 0, true);
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17: return DefaultFont();
    case 18: return MakeBrush(BS_SOLID, 0xFFFFFF, 0);      // DC brush
    case 19: return MakePen(PS_SOLID, 0, 0x000000, true);  // DC pen
    default: return nullptr;
  }
}

struct TDcState {
  int32_t MapMode = MM_TEXT;
  double WinOrgX = 0, WinOrgY = 0, WinExtX = 1, WinExtY = 1;
  double ViewOrgX = 0, ViewOrgY = 0, ViewExtX = 1, ViewExtY = 1;
  TObjRef Pen, Brush, Font;
  COLORREF BkColor = 0xFFFFFF;
  COLORREF TextColor = 0;
  int32_t BkMode = OPAQUE;
  uint32_t TextAlign = 0;
  int32_t FillMode = ALTERNATE;
  int32_t Rop2 = R2_COPYPEN;
  int32_t StretchMode = BLACKONWHITE;
  double CurX = 0, CurY = 0;  // logical
};

struct TFigure {
  std::vector<TPoint> Points;  // device
  bool Closed = false;
};

// A decoded DIB and whether its rows were stored bottom-up.
struct TDib {
  std::unique_ptr<TBitmapHolder> Bitmap;
  int32_t Height = 0;
  bool BottomUp = true;
};

// Reads a packed DIB split into its header part and its pixel part (which may
// be apart in the record). Anything wrong gives no bitmap.
TDib DecodeDib(const uint8_t* bmi, size_t cbBmi, const uint8_t* bits, size_t cbBits) {
  TDib dib;
  if (!bmi || cbBmi < 12) return dib;
  const uint32_t hdr = GetLE32(bmi);
  int64_t w = 0, h = 0;
  if (hdr == 12) {
    w = GetS16(bmi + 4);
    h = GetS16(bmi + 6);
  } else if (hdr >= 40 && cbBmi >= 16) {
    w = GetS32(bmi + 4);
    h = GetS32(bmi + 8);
  } else {
    return dib;
  }
  if (w <= 0 || h == 0 || h == std::numeric_limits<int32_t>::min()) return dib;
  if (w * std::abs(h) > kMaxDibPixels) return dib;
  std::vector<uint8_t> joined;
  const uint8_t* data = bmi;
  size_t size = cbBmi + cbBits;
  if (bits && cbBits && bits != bmi + cbBmi) {
    joined.resize(cbBmi + cbBits);
    std::memcpy(joined.data(), bmi, cbBmi);
    std::memcpy(joined.data() + cbBmi, bits, cbBits);
    data = joined.data();
  } else if (!bits) {
    size = cbBmi;
  }
  try {
    HBITMAP hb = ReadPackedDib(data, size);
    if (!hb) return dib;
    dib.Bitmap = std::make_unique<TBitmapHolder>(hb);
    dib.Height = int32_t(std::abs(h));
    dib.BottomUp = h > 0;
  } catch (const Exception&) {
  } catch (const std::bad_alloc&) {
  }
  return dib;
}

std::u16string Cp1252ToUtf16(const uint8_t* p, size_t n) {
  return UTF8ToUTF16(CP1252ToUTF8(std::string_view(reinterpret_cast<const char*>(p), n)));
}

class TPlayer {
 public:
  TPlayer(HDC dc, const TRect& rect, double frameLeft, double frameTop, double frameWidth, double frameHeight)
      : FDc(dc), FRect(rect) {
    FKx = rect.Width() / frameWidth;
    FKy = rect.Height() / frameHeight;
    FFrameLeft = frameLeft;
    FFrameTop = frameTop;
    const double span = std::max({double(rect.Width()), double(rect.Height()), 256.0});
    // Hostile coordinates are pulled in to a band around the rectangle: the
    // drawing cost follows the outline lengths.
    FMinX = rect.Left - 4 * span;
    FMaxX = rect.Right + 4 * span;
    FMinY = rect.Top - 4 * span;
    FMaxY = rect.Bottom + 4 * span;
    S.Pen = MakePen(PS_SOLID, 0, 0, true);
    S.Brush = MakeBrush(BS_SOLID, 0xFFFFFF, 0);
    S.Font = DefaultFont();
  }

  void PlayWmf(const std::vector<uint8_t>& data, double unitsPerHmm);
  void PlayEmf(const std::vector<uint8_t>& data, double pxPerHmmX, double pxPerHmmY);

  TDcState S;

 private:
  // ---- Mapping ----
  std::pair<double, double> ScalePair() const {
    double sx = 1, sy = 1;
    switch (S.MapMode) {
      case MM_LOMETRIC:
        sx = FUnitHmmX * 10;
        sy = -FUnitHmmY * 10;
        break;
      case MM_HIMETRIC:
        sx = FUnitHmmX;
        sy = -FUnitHmmY;
        break;
      case MM_LOENGLISH:
        sx = FUnitHmmX * 25.4;
        sy = -FUnitHmmY * 25.4;
        break;
      case MM_HIENGLISH:
        sx = FUnitHmmX * 2.54;
        sy = -FUnitHmmY * 2.54;
        break;
      case MM_TWIPS:
        sx = FUnitHmmX * 2540.0 / 1440;
        sy = -FUnitHmmY * 2540.0 / 1440;
        break;
      case MM_ISOTROPIC:
      case MM_ANISOTROPIC: {
        sx = S.WinExtX != 0 ? S.ViewExtX / S.WinExtX : 1;
        sy = S.WinExtY != 0 ? S.ViewExtY / S.WinExtY : 1;
        if (S.MapMode == MM_ISOTROPIC) {
          const double m = std::min(std::fabs(sx), std::fabs(sy));
          sx = sx < 0 ? -m : m;
          sy = sy < 0 ? -m : m;
        }
        break;
      }
      default: break;
    }
    return {sx, sy};
  }
  std::tuple<double, double> Scales() const {
    auto [sx, sy] = ScalePair();
    return {sx * FKx, sy * FKy};
  }
  double DevXf(double x) const {
    const double sx = ScalePair().first;
    const double p = (x - S.WinOrgX) * sx + S.ViewOrgX;
    return FRect.Left + (p - FFrameLeft) * FKx;
  }
  double DevYf(double y) const {
    const double sy = ScalePair().second;
    const double p = (y - S.WinOrgY) * sy + S.ViewOrgY;
    return FRect.Top + (p - FFrameTop) * FKy;
  }
  int32_t DevX(double x) const { return ClampToInt(DevXf(x), FMinX, FMaxX); }
  int32_t DevY(double y) const { return ClampToInt(DevYf(y), FMinY, FMaxY); }
  TPoint Dev(double x, double y) const { return TPoint{DevX(x), DevY(y)}; }
  double LogX(double dx) const {
    const double sx = ScalePair().first;
    if (sx == 0 || FKx == 0) return S.CurX;
    return ((dx - FRect.Left) / FKx + FFrameLeft - S.ViewOrgX) / sx + S.WinOrgX;
  }
  double LogY(double dy) const {
    const double sy = ScalePair().second;
    if (sy == 0 || FKy == 0) return S.CurY;
    return ((dy - FRect.Top) / FKy + FFrameTop - S.ViewOrgY) / sy + S.WinOrgY;
  }
  // A logical length in device pixels (absolute).
  double DevLenX(double v) const { return std::fabs(v * std::get<0>(Scales())); }
  double DevLenY(double v) const { return std::fabs(v * std::get<1>(Scales())); }
  bool Flipped() const {
    auto [ax, ay] = Scales();
    return (ax < 0) != (ay < 0);
  }
  TRect DevRect(double l, double t, double r, double b) const {
    int32_t x0 = DevX(l), x1 = DevX(r), y0 = DevY(t), y1 = DevY(b);
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    return TRect{x0, y0, x1, y1};
  }

  // ---- Drawing ----
  struct TSelection {
    HGDIOBJ OldPen = nullptr, OldBrush = nullptr, OldFont = nullptr;
    HGDIOBJ Pen = nullptr, Brush = nullptr, Font = nullptr;
  };
  void Select(TSelection& sel, bool pen, bool brush, bool font);
  void Unselect(TSelection& sel);
  HGDIOBJ RealizePen(const TMetaObject& o) const;
  HGDIOBJ RealizeBrush(const TMetaObject& o) const;
  HGDIOBJ RealizeFont(const TMetaObject& o) const;

  void DoMoveTo(double x, double y);
  void DoLineTo(double x, double y);
  // Points in logical units, as pairs.
  void DoPoly(const std::vector<double>& xy, bool closed, bool fromCurrent);
  void DoBezier(const std::vector<double>& xy, bool fromCurrent);
  void DoPolyPolygon(const std::vector<double>& xy, const std::vector<int32_t>& counts);
  void DoPolyPolyline(const std::vector<double>& xy, const std::vector<int32_t>& counts);
  void DoRectangle(double l, double t, double r, double b);
  void DoRoundRect(double l, double t, double r, double b, double w, double h);
  void DoEllipse(double l, double t, double r, double b);
  void DoArc(int kind, double l, double t, double r, double b, double x1, double y1, double x2, double y2);
  void DoText(double x, double y, uint32_t options, const double* rect, const std::u16string& text,
              const std::vector<double>* dx);
  void DoSetPixel(double x, double y, COLORREF c);
  void DoDibBlit(const TDib& dib, double xD, double yD, double wD, double hD, int32_t xS, int32_t yS, int32_t wS,
                 int32_t hS, uint32_t rop, bool bottomOrigin);
  void DoPatBlt(double x, double y, double w, double h, uint32_t rop);

  void SaveState() {
    if (FSaved.size() < kMaxSavedStates) FSaved.push_back(S);
  }
  void RestoreState(int32_t n) {
    // n < 0: that many back from the latest; n > 0: the level itself.
    size_t keep;
    if (n < 0) {
      const uint64_t back = uint64_t(-int64_t(n));
      if (back > FSaved.size()) return;
      keep = FSaved.size() - size_t(back);
    } else {
      if (n == 0 || size_t(n) > FSaved.size()) return;
      keep = size_t(n) - 1;
    }
    S = FSaved[keep];
    FSaved.resize(keep);
  }

  // ---- Paths (device points) ----
  void PathAdd(const std::vector<TPoint>& pts, bool closed, bool continueFigure);
  void DrawPath(bool fill, bool stroke);

  // ---- Objects ----
  void WmfCreate(TObjRef o);
  void Select(const TObjRef& o) {
    if (!o) return;
    switch (o->Kind) {
      case TObjKind::Pen: S.Pen = o; break;
      case TObjKind::Brush: S.Brush = o; break;
      case TObjKind::Font: S.Font = o; break;
      default: break;
    }
  }
  TObjRef EmfObject(uint32_t index) const {
    if (index & 0x80000000u) return StockObject(index & 0x7FFFFFFFu);
    if (index == 0 || index >= FObjects.size()) return nullptr;
    return FObjects[index];
  }
  void EmfStore(uint32_t index, TObjRef o) {
    if (index == 0 || index >= FObjects.size()) return;
    FObjects[index] = std::move(o);
  }

  void EmfRecord(uint32_t type, const uint8_t* r, size_t size);
  void WmfRecord(uint16_t func, const uint8_t* p, size_t words);

  HDC FDc;
  TRect FRect;
  double FKx = 1, FKy = 1, FFrameLeft = 0, FFrameTop = 0;
  double FMinX = 0, FMaxX = 0, FMinY = 0, FMaxY = 0;
  double FUnitHmmX = 96.0 / 2540, FUnitHmmY = 96.0 / 2540;
  std::vector<TDcState> FSaved;
  std::vector<TObjRef> FObjects;
  size_t FFreeHint = 0;
  bool FInPath = false;
  std::vector<TFigure> FPath;
  size_t FPathPoints = 0;
};

// ---- Objects at the current scale -----------------------------------------------

HGDIOBJ TPlayer::RealizePen(const TMetaObject& o) const {
  const uint32_t style = o.PenStyle & PS_STYLE_MASK;
  if (style == PS_NULL) return GetStockObject(NULL_PEN);
  int32_t width = 0;
  if (!o.Cosmetic && o.PenWidth > 0) width = ClampToInt(DevLenX(o.PenWidth), 0, kMaxPenWidth);
  const uint32_t s = style <= PS_INSIDEFRAME ? style : PS_SOLID;
  return CreatePen(int32_t(s), width, o.Color);
}

HGDIOBJ TPlayer::RealizeBrush(const TMetaObject& o) const {
  switch (o.BrushStyle) {
    case BS_SOLID: return CreateSolidBrush(o.Color);
    case BS_HATCHED: return CreateHatchBrush(std::clamp(o.Hatch, 0, 5), o.Color);
    case BS_PATTERN:
    case BS_DIBPATTERN:
      if (o.Pattern && o.Pattern->Handle) return CreatePatternBrush(o.Pattern->Handle);
      return GetStockObject(NULL_BRUSH);
    default: return GetStockObject(NULL_BRUSH);
  }
}

HGDIOBJ TPlayer::RealizeFont(const TMetaObject& o) const {
  LOGFONT lf = o.Font;
  const double h = std::fabs(lf.lfHeight * std::get<1>(Scales()));
  int32_t dh = ClampToInt(h, 0, kMaxFontHeight);
  if (lf.lfHeight != 0 && dh == 0) dh = 1;
  lf.lfHeight = lf.lfHeight < 0 ? -dh : dh;
  lf.lfWidth = ClampToInt(DevLenX(lf.lfWidth), 0, kMaxFontHeight);
  return CreateFontIndirect(lf);
}

void TPlayer::Select(TSelection& sel, bool pen, bool brush, bool font) {
  if (pen) {
    sel.Pen = RealizePen(*S.Pen);
    if (sel.Pen) sel.OldPen = SelectObject(FDc, sel.Pen);
  }
  if (brush) {
    sel.Brush = RealizeBrush(*S.Brush);
    if (sel.Brush) sel.OldBrush = SelectObject(FDc, sel.Brush);
  }
  if (font) {
    sel.Font = RealizeFont(*S.Font);
    if (sel.Font) sel.OldFont = SelectObject(FDc, sel.Font);
  }
  SetBkColor(FDc, S.BkColor);
  SetBkMode(FDc, S.BkMode == TRANSPARENT ? TRANSPARENT : OPAQUE);
  SetTextColor(FDc, S.TextColor);
  SetTextAlign(FDc, S.TextAlign);
  SetPolyFillMode(FDc, S.FillMode == WINDING ? WINDING : ALTERNATE);
  SetROP2(FDc, S.Rop2 >= R2_BLACK && S.Rop2 <= R2_WHITE ? S.Rop2 : R2_COPYPEN);
  SetStretchBltMode(FDc, S.StretchMode >= BLACKONWHITE && S.StretchMode <= HALFTONE ? S.StretchMode : BLACKONWHITE);
}

void TPlayer::Unselect(TSelection& sel) {
  if (sel.OldPen) SelectObject(FDc, sel.OldPen);
  if (sel.OldBrush) SelectObject(FDc, sel.OldBrush);
  if (sel.OldFont) SelectObject(FDc, sel.OldFont);
  // Stock objects survive DeleteObject.
  if (sel.Pen) DeleteObject(sel.Pen);
  if (sel.Brush) DeleteObject(sel.Brush);
  if (sel.Font) DeleteObject(sel.Font);
  sel = TSelection{};
}

// ---- Paths ------------------------------------------------------------------------

void TPlayer::PathAdd(const std::vector<TPoint>& pts, bool closed, bool continueFigure) {
  if (pts.empty() || FPathPoints + pts.size() > kMaxPathPoints) return;
  FPathPoints += pts.size();
  if (continueFigure && !FPath.empty() && !FPath.back().Closed) {
    auto& f = FPath.back().Points;
    f.insert(f.end(), pts.begin() + (f.empty() ? 0 : 1), pts.end());
  } else {
    FPath.push_back(TFigure{pts, closed});
  }
  if (closed) FPath.back().Closed = true;
}

void TPlayer::DrawPath(bool fill, bool stroke) {
  if (fill) {
    std::vector<TPoint> all;
    std::vector<int32_t> counts;
    for (const auto& f : FPath) {
      if (f.Points.size() < 3) continue;
      all.insert(all.end(), f.Points.begin(), f.Points.end());
      counts.push_back(int32_t(f.Points.size()));
    }
    if (!counts.empty()) {
      TSelection sel;
      Select(sel, false, true, false);
      HGDIOBJ old = SelectObject(FDc, GetStockObject(NULL_PEN));
      PolyPolygon(FDc, all.data(), counts.data(), int32_t(counts.size()));
      if (old) SelectObject(FDc, old);
      Unselect(sel);
    }
  }
  if (stroke) {
    TSelection sel;
    Select(sel, true, false, false);
    for (auto& f : FPath) {
      if (f.Points.size() < 2) continue;
      if (f.Closed) f.Points.push_back(f.Points.front());
      Polyline(FDc, f.Points.data(), int32_t(f.Points.size()));
    }
    Unselect(sel);
  }
  FPath.clear();
  FPathPoints = 0;
}

// ---- Primitives -------------------------------------------------------------------

void TPlayer::DoMoveTo(double x, double y) {
  S.CurX = x;
  S.CurY = y;
  if (FInPath) FPath.push_back(TFigure{{Dev(x, y)}, false});
}

void TPlayer::DoLineTo(double x, double y) {
  const TPoint a = Dev(S.CurX, S.CurY), b = Dev(x, y);
  S.CurX = x;
  S.CurY = y;
  if (FInPath) {
    PathAdd({a, b}, false, true);
    return;
  }
  TSelection sel;
  Select(sel, true, false, false);
  MoveToEx(FDc, a.X, a.Y, nullptr);
  LineTo(FDc, b.X, b.Y);
  Unselect(sel);
}

void TPlayer::DoPoly(const std::vector<double>& xy, bool closed, bool fromCurrent) {
  std::vector<TPoint> pts;
  pts.reserve(xy.size() / 2 + 1);
  if (fromCurrent) pts.push_back(Dev(S.CurX, S.CurY));
  for (size_t i = 0; i + 1 < xy.size(); i += 2) pts.push_back(Dev(xy[i], xy[i + 1]));
  if (fromCurrent && xy.size() >= 2) {
    S.CurX = xy[xy.size() - 2];
    S.CurY = xy[xy.size() - 1];
  }
  if (FInPath) {
    PathAdd(pts, closed, fromCurrent);
    return;
  }
  if (pts.size() < 2) return;
  TSelection sel;
  Select(sel, true, closed, false);
  if (closed)
    Polygon(FDc, pts.data(), int32_t(pts.size()));
  else
    Polyline(FDc, pts.data(), int32_t(pts.size()));
  Unselect(sel);
}

void TPlayer::DoBezier(const std::vector<double>& xy, bool fromCurrent) {
  std::vector<std::pair<double, double>> c;  // device, unrounded
  if (fromCurrent) c.emplace_back(DevXf(S.CurX), DevYf(S.CurY));
  for (size_t i = 0; i + 1 < xy.size(); i += 2) c.emplace_back(DevXf(xy[i]), DevYf(xy[i + 1]));
  if (fromCurrent && xy.size() >= 2) {
    S.CurX = xy[xy.size() - 2];
    S.CurY = xy[xy.size() - 1];
  }
  if (c.empty()) return;
  auto clampPt = [&](double x, double y) { return TPoint{ClampToInt(x, FMinX, FMaxX), ClampToInt(y, FMinY, FMaxY)}; };
  std::vector<TPoint> pts{clampPt(c[0].first, c[0].second)};
  for (size_t i = 1; i + 2 < c.size(); i += 3) {
    const auto [x0, y0] = c[i - 1];
    const auto [x1, y1] = c[i];
    const auto [x2, y2] = c[i + 1];
    const auto [x3, y3] = c[i + 2];
    const double len = std::hypot(x1 - x0, y1 - y0) + std::hypot(x2 - x1, y2 - y1) + std::hypot(x3 - x2, y3 - y2);
    // Clamped as a double: a hostile curve's length does not fit an int.
    const int n = std::isfinite(len) ? int(std::clamp(len / 4, 1.0, 64.0)) : 1;
    for (int k = 1; k <= n; ++k) {
      const double t = double(k) / n, u = 1 - t;
      const double x = u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3;
      const double y = u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3;
      pts.push_back(clampPt(x, y));
    }
  }
  if (FInPath) {
    PathAdd(pts, false, fromCurrent);
    return;
  }
  if (pts.size() < 2) return;
  TSelection sel;
  Select(sel, true, false, false);
  Polyline(FDc, pts.data(), int32_t(pts.size()));
  Unselect(sel);
}

void TPlayer::DoPolyPolygon(const std::vector<double>& xy, const std::vector<int32_t>& counts) {
  std::vector<TPoint> pts;
  pts.reserve(xy.size() / 2);
  for (size_t i = 0; i + 1 < xy.size(); i += 2) pts.push_back(Dev(xy[i], xy[i + 1]));
  if (FInPath) {
    size_t at = 0;
    for (int32_t n : counts) {
      PathAdd(std::vector<TPoint>(pts.begin() + at, pts.begin() + at + size_t(n)), true, false);
      at += size_t(n);
    }
    return;
  }
  TSelection sel;
  Select(sel, true, true, false);
  PolyPolygon(FDc, pts.data(), counts.data(), int32_t(counts.size()));
  Unselect(sel);
}

void TPlayer::DoPolyPolyline(const std::vector<double>& xy, const std::vector<int32_t>& counts) {
  size_t at = 0;
  for (int32_t n : counts) {
    DoPoly(std::vector<double>(xy.begin() + at * 2, xy.begin() + (at + size_t(n)) * 2), false, false);
    at += size_t(n);
  }
}

void TPlayer::DoRectangle(double l, double t, double r, double b) {
  const TRect d = DevRect(l, t, r, b);
  if (FInPath) {
    PathAdd({{d.Left, d.Top}, {d.Right, d.Top}, {d.Right, d.Bottom}, {d.Left, d.Bottom}}, true, false);
    return;
  }
  TSelection sel;
  Select(sel, true, true, false);
  Rectangle(FDc, d.Left, d.Top, d.Right, d.Bottom);
  Unselect(sel);
}

void TPlayer::DoRoundRect(double l, double t, double r, double b, double w, double h) {
  const TRect d = DevRect(l, t, r, b);
  TSelection sel;
  Select(sel, true, true, false);
  RoundRect(FDc, d.Left, d.Top, d.Right, d.Bottom, ClampToInt(DevLenX(w), 0, d.Width()),
            ClampToInt(DevLenY(h), 0, d.Height()));
  Unselect(sel);
}

void TPlayer::DoEllipse(double l, double t, double r, double b) {
  const TRect d = DevRect(l, t, r, b);
  if (FInPath) {
    std::vector<TPoint> pts;
    const double cx = (d.Left + d.Right) / 2.0, cy = (d.Top + d.Bottom) / 2.0;
    const double rx = d.Width() / 2.0, ry = d.Height() / 2.0;
    for (int k = 0; k < 64; ++k) {
      const double a = k * 2 * M_PI / 64;
      pts.push_back(TPoint{int32_t(std::lround(cx + rx * std::cos(a))), int32_t(std::lround(cy - ry * std::sin(a)))});
    }
    PathAdd(pts, true, false);
    return;
  }
  TSelection sel;
  Select(sel, true, true, false);
  Ellipse(FDc, d.Left, d.Top, d.Right, d.Bottom);
  Unselect(sel);
}

void TPlayer::DoArc(int kind, double l, double t, double r, double b, double x1, double y1, double x2, double y2) {
  const TRect d = DevRect(l, t, r, b);
  TPoint p1 = Dev(x1, y1), p2 = Dev(x2, y2);
  // Arcs run counter-clockwise in logical space; a mirrored mapping turns
  // that round on the device.
  if (Flipped()) std::swap(p1, p2);
  TSelection sel;
  Select(sel, true, kind != 0, false);
  if (kind == 0)
    Arc(FDc, d.Left, d.Top, d.Right, d.Bottom, p1.X, p1.Y, p2.X, p2.Y);
  else if (kind == 1)
    Chord(FDc, d.Left, d.Top, d.Right, d.Bottom, p1.X, p1.Y, p2.X, p2.Y);
  else
    Pie(FDc, d.Left, d.Top, d.Right, d.Bottom, p1.X, p1.Y, p2.X, p2.Y);
  Unselect(sel);
}

void TPlayer::DoText(double x, double y, uint32_t options, const double* rect, const std::u16string& text,
                     const std::vector<double>* dx) {
  const uint32_t opts = options & (ETO_OPAQUE | ETO_CLIPPED);
  TRect r;
  if (rect) r = DevRect(rect[0], rect[1], rect[2], rect[3]);
  if (text.empty() && !(rect && (opts & ETO_OPAQUE))) return;
  std::vector<int32_t> ddx;
  if (dx && dx->size() >= text.size()) {
    // Rounded at the running sums so the advances do not drift.
    const double k = std::get<0>(Scales());
    double sum = 0;
    int32_t prev = 0;
    ddx.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      sum += (*dx)[i];
      const int32_t at = ClampToInt(std::fabs(sum * k), 0, FMaxX - FMinX);
      ddx[i] = at - prev;
      prev = at;
    }
  }
  TSelection sel;
  Select(sel, false, false, true);
  const bool updateCp = (S.TextAlign & TA_UPDATECP) != 0;
  TPoint p = Dev(x, y);
  if (updateCp) {
    p = Dev(S.CurX, S.CurY);
    MoveToEx(FDc, p.X, p.Y, nullptr);
  }
  ExtTextOutW(FDc, p.X, p.Y, opts, rect ? &r : nullptr, text.data(), int32_t(text.size()),
              ddx.empty() ? nullptr : ddx.data());
  if (updateCp) {
    TPoint now;
    if (GetCurrentPositionEx(FDc, &now)) {
      S.CurX = LogX(now.X);
      S.CurY = LogY(now.Y);
    }
  }
  Unselect(sel);
}

void TPlayer::DoSetPixel(double x, double y, COLORREF c) {
  const TPoint p = Dev(x, y);
  SetPixel(FDc, p.X, p.Y, c);
}

void TPlayer::DoDibBlit(const TDib& dib, double xD, double yD, double wD, double hD, int32_t xS, int32_t yS, int32_t wS,
                        int32_t hS, uint32_t rop, bool bottomOrigin) {
  if (!dib.Bitmap) return;
  const int32_t x0 = DevX(xD), x1 = DevX(xD + wD), y0 = DevY(yD), y1 = DevY(yD + hD);
  if (x0 == x1 || y0 == y1 || wS == 0 || hS == 0) return;
  // Packed-DIB source rectangles of bottom-up images count from the bottom.
  if (bottomOrigin && dib.BottomUp) yS = int32_t(int64_t(dib.Height) - yS - hS);
  HDC mem = CreateCompatibleDC(FDc);
  if (!mem) return;
  HGDIOBJ old = SelectObject(mem, dib.Bitmap->Handle);
  TSelection sel;
  Select(sel, false, true, false);
  StretchBlt(FDc, x0, y0, x1 - x0, y1 - y0, mem, xS, yS, wS, hS, rop);
  Unselect(sel);
  if (old) SelectObject(mem, old);
  DeleteDC(mem);
}

void TPlayer::DoPatBlt(double x, double y, double w, double h, uint32_t rop) {
  const TRect d = DevRect(x, y, x + w, y + h);
  TSelection sel;
  Select(sel, false, true, false);
  PatBlt(FDc, d.Left, d.Top, d.Width(), d.Height(), rop);
  Unselect(sel);
}

// ---- Windows metafiles ------------------------------------------------------------

void TPlayer::WmfCreate(TObjRef o) {
  while (FFreeHint < FObjects.size() && FObjects[FFreeHint]) ++FFreeHint;
  if (FFreeHint >= FObjects.size()) return;  // a full table drops the object
  FObjects[FFreeHint++] = std::move(o);
}

void TPlayer::PlayWmf(const std::vector<uint8_t>& data, double unitsPerHmm) {
  const uint8_t* base = data.data();
  FUnitHmmX = FUnitHmmY = unitsPerHmm;
  FObjects.assign(GetLE16(base + 10), nullptr);
  size_t off = size_t(GetLE16(base + 2)) * 2;
  if (off < kWmfHeaderSize) off = kWmfHeaderSize;
  while (off + 6 <= data.size()) {
    const uint64_t words = GetLE32(base + off);
    const uint16_t func = GetLE16(base + off + 4);
    if (words < 3 || words * 2 > data.size() - off) break;
    if (func == 0x0000) break;
    WmfRecord(func, base + off + 6, size_t(words - 3));
    off += size_t(words * 2);
  }
}

void TPlayer::WmfRecord(uint16_t func, const uint8_t* p, size_t n) {
  auto W = [&](size_t i) -> double { return GetS16(p + 2 * i); };
  auto U = [&](size_t i) -> uint16_t { return GetLE16(p + 2 * i); };
  auto C = [&](size_t i) -> COLORREF { return FileColor(GetLE32(p + 2 * i)); };
  auto points = [&](size_t first, size_t count) {
    std::vector<double> xy(count * 2);
    for (size_t i = 0; i < count * 2; ++i) xy[i] = W(first + i);
    return xy;
  };
  switch (func) {
    case 0x0201:
      if (n >= 2) S.BkColor = C(0);
      break;  // SetBkColor
    case 0x0209:
      if (n >= 2) S.TextColor = C(0);
      break;  // SetTextColor
    case 0x0102:
      if (n >= 1) S.BkMode = U(0);
      break;  // SetBkMode
    case 0x0103:
      if (n >= 1) S.MapMode = U(0);
      break;  // SetMapMode
    case 0x0104:
      if (n >= 1) S.Rop2 = U(0);
      break;  // SetROP2
    case 0x0106:
      if (n >= 1) S.FillMode = U(0);
      break;  // SetPolyFillMode
    case 0x0107:
      if (n >= 1) S.StretchMode = U(0);
      break;  // SetStretchBltMode
    case 0x012E:
      if (n >= 1) S.TextAlign = U(0);
      break;  // SetTextAlign
    case 0x020B:
      if (n >= 2) {
        S.WinOrgY = W(0);
        S.WinOrgX = W(1);
      }
      break;
    case 0x020C:
      if (n >= 2) {
        S.WinExtY = W(0);
        S.WinExtX = W(1);
      }
      break;
    case 0x020D:
      if (n >= 2) {
        S.ViewOrgY = W(0);
        S.ViewOrgX = W(1);
      }
      break;
    case 0x020E:
      if (n >= 2) {
        S.ViewExtY = W(0);
        S.ViewExtX = W(1);
      }
      break;
    case 0x020F:
      if (n >= 2) {
        S.WinOrgY += W(0);
        S.WinOrgX += W(1);
      }
      break;
    case 0x0211:
      if (n >= 2) {
        S.ViewOrgY += W(0);
        S.ViewOrgX += W(1);
      }
      break;
    case 0x001E: SaveState(); break;
    case 0x0127:
      if (n >= 1) RestoreState(GetS16(p));
      break;
    case 0x0214:
      if (n >= 2) DoMoveTo(W(1), W(0));
      break;
    case 0x0213:
      if (n >= 2) DoLineTo(W(1), W(0));
      break;
    case 0x041F:
      if (n >= 4) DoSetPixel(W(3), W(2), C(0));
      break;        // SetPixel
    case 0x0324:    // Polygon
    case 0x0325: {  // Polyline
      if (n < 1) break;
      const size_t count = U(0);
      if (count * 2 + 1 > n) break;
      DoPoly(points(1, count), func == 0x0324, false);
      break;
    }
    case 0x0538: {  // PolyPolygon
      if (n < 1) break;
      const size_t polys = U(0);
      if (polys + 1 > n) break;
      std::vector<int32_t> counts(polys);
      size_t total = 0;
      for (size_t i = 0; i < polys; ++i) total += counts[i] = U(1 + i);
      if (1 + polys + total * 2 > n) break;
      DoPolyPolygon(points(1 + polys, total), counts);
      break;
    }
    case 0x041B:
      if (n >= 4) DoRectangle(W(3), W(2), W(1), W(0));
      break;
    case 0x0418:
      if (n >= 4) DoEllipse(W(3), W(2), W(1), W(0));
      break;
    case 0x061C:
      if (n >= 6) DoRoundRect(W(5), W(4), W(3), W(2), W(1), W(0));
      break;
    case 0x0817:  // Arc
    case 0x0830:  // Chord
    case 0x081A:  // Pie
      if (n >= 8) DoArc(func == 0x0817 ? 0 : func == 0x0830 ? 1 : 2, W(7), W(6), W(5), W(4), W(3), W(2), W(1), W(0));
      break;
    case 0x0521: {  // TextOut
      if (n < 1) break;
      const size_t count = U(0);
      const size_t strWords = (count + 1) / 2;
      if (1 + strWords + 2 > n) break;
      DoText(W(1 + strWords + 1), W(1 + strWords), 0, nullptr, Cp1252ToUtf16(p + 2, count), nullptr);
      break;
    }
    case 0x0A32: {  // ExtTextOut
      if (n < 4) break;
      const size_t count = U(2);
      const uint32_t options = U(3);
      size_t at = 4;
      double rect[4];
      const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
      if (hasRect) {
        if (n < 8) break;
        for (int i = 0; i < 4; ++i) rect[i] = W(4 + size_t(i));
        at = 8;
      }
      const size_t strWords = (count + 1) / 2;
      if (at + strWords > n) break;
      const std::u16string text = Cp1252ToUtf16(p + at * 2, count);
      std::vector<double> dx;
      if (at + strWords + count <= n) {
        dx.resize(count);
        for (size_t i = 0; i < count; ++i) dx[i] = W(at + strWords + i);
      }
      DoText(W(1), W(0), options, hasRect ? rect : nullptr, text, dx.empty() ? nullptr : &dx);
      break;
    }
    case 0x0940: {  // DIBBitBlt
      if (n < 9) break;
      const uint32_t rop = GetLE32(p);
      if (n == 9) {  // no bitmap: a pattern blit (with a reserved word)
        DoPatBlt(W(8), W(7), W(6), W(5), rop);
        break;
      }
      const TDib dib = DecodeDib(p + 16, (n - 8) * 2, nullptr, 0);
      DoDibBlit(dib, W(7), W(6), W(5), W(4), int32_t(W(3)), int32_t(W(2)), int32_t(W(5)), int32_t(W(4)), rop, false);
      break;
    }
    case 0x0B41: {  // DIBStretchBlt
      if (n < 11) break;
      const uint32_t rop = GetLE32(p);
      if (n == 11) {
        DoPatBlt(W(10), W(9), W(8), W(7), rop);
        break;
      }
      const TDib dib = DecodeDib(p + 20, (n - 10) * 2, nullptr, 0);
      DoDibBlit(dib, W(9), W(8), W(7), W(6), int32_t(W(5)), int32_t(W(4)), int32_t(W(3)), int32_t(W(2)), rop, false);
      break;
    }
    case 0x0F43: {  // StretchDIB
      if (n < 11) break;
      const uint32_t rop = GetLE32(p);
      const TDib dib = DecodeDib(p + 22, (n - 11) * 2, nullptr, 0);
      DoDibBlit(dib, W(10), W(9), W(8), W(7), int32_t(W(6)), int32_t(W(5)), int32_t(W(4)), int32_t(W(3)), rop, true);
      break;
    }
    case 0x012D:  // SelectObject
      if (n >= 1 && U(0) < FObjects.size()) Select(FObjects[U(0)]);
      break;
    case 0x01F0:  // DeleteObject
      if (n >= 1 && U(0) < FObjects.size()) {
        FObjects[U(0)] = nullptr;
        FFreeHint = std::min<size_t>(FFreeHint, U(0));
      }
      break;
    case 0x02FA:  // CreatePenIndirect
      WmfCreate(n >= 5 ? MakePen(U(0), U(1), C(3)) : std::make_shared<TMetaObject>());
      break;
    case 0x02FC:  // CreateBrushIndirect
      WmfCreate(n >= 4 ? MakeBrush(U(0), C(1), U(3)) : std::make_shared<TMetaObject>());
      break;
    case 0x0142: {  // DIBCreatePatternBrush
      auto o = std::make_shared<TMetaObject>();
      if (n >= 2) {
        o->Kind = TObjKind::Brush;
        o->BrushStyle = BS_DIBPATTERN;
        TDib dib = DecodeDib(p + 4, (n - 2) * 2, nullptr, 0);
        if (dib.Bitmap) o->Pattern = std::shared_ptr<TBitmapHolder>(std::move(dib.Bitmap));
      }
      WmfCreate(o);
      break;
    }
    case 0x02FB: {  // CreateFontIndirect
      auto o = std::make_shared<TMetaObject>();
      if (n >= 9) {
        o->Kind = TObjKind::Font;
        LOGFONT& f = o->Font;
        f.lfHeight = GetS16(p);
        f.lfWidth = std::abs(GetS16(p + 2));
        f.lfEscapement = GetS16(p + 4);
        f.lfOrientation = GetS16(p + 6);
        f.lfWeight = GetS16(p + 8);
        f.lfItalic = p[10];
        f.lfUnderline = p[11];
        f.lfStrikeOut = p[12];
        f.lfCharSet = p[13];
        f.lfQuality = p[16];
        f.lfPitchAndFamily = p[17];
        const size_t avail = std::min<size_t>((n - 9) * 2, 32);
        size_t len = 0;
        while (len < avail && p[18 + len]) ++len;
        f.lfFaceName = CP1252ToUTF8(std::string_view(reinterpret_cast<const char*>(p + 18), len));
      }
      WmfCreate(o);
      break;
    }
    case 0x00F7:  // CreatePalette
    case 0x01F9:  // CreatePatternBrush
    case 0x06FF:  // CreateRegion
      // They take a slot all the same: later indexes count it.
      WmfCreate(std::make_shared<TMetaObject>());
      break;
    default: break;
  }
}

// ---- Enhanced metafiles -----------------------------------------------------------

void TPlayer::PlayEmf(const std::vector<uint8_t>& data, double pxPerHmmX, double pxPerHmmY) {
  const uint8_t* base = data.data();
  FUnitHmmX = pxPerHmmX;
  FUnitHmmY = pxPerHmmY;
  FObjects.assign(GetLE16(base + 56), nullptr);
  size_t off = 0;
  while (off + 8 <= data.size()) {
    const uint32_t type = GetLE32(base + off);
    const uint32_t size = GetLE32(base + off + 4);
    if (size < 8 || size > data.size() - off) break;
    if (type == 14) break;  // EOF
    EmfRecord(type, base + off, size);
    off += size;
  }
}

void TPlayer::EmfRecord(uint32_t type, const uint8_t* r, size_t size) {
  auto I = [&](size_t at) -> double { return GetS32(r + at); };
  auto U = [&](size_t at) -> uint32_t { return GetLE32(r + at); };
  auto has = [&](uint64_t end) { return end <= size; };
  // A block of Count points at At, 32-bit or 16-bit coordinates.
  auto points = [&](size_t at, uint64_t count, bool small, std::vector<double>& xy) {
    const uint64_t bytes = count * (small ? 4 : 8);
    if (!has(at + bytes)) return false;
    xy.resize(size_t(count * 2));
    for (size_t i = 0; i < count * 2; ++i)
      xy[i] = small ? double(GetS16(r + at + i * 2)) : double(GetS32(r + at + i * 4));
    return true;
  };
  std::vector<double> xy;
  switch (type) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:  // PolyBezier .. PolylineTo
    case 85:
    case 86:
    case 87:
    case 88:
    case 89: {  // the 16-bit forms
      if (!has(28)) break;
      const bool small = type >= 85;
      const uint32_t kind = small ? type - 83 : type;
      if (!points(28, U(24), small, xy)) break;
      if (kind == 2)
        DoBezier(xy, false);
      else if (kind == 5)
        DoBezier(xy, true);
      else if (kind == 6)
        DoPoly(xy, false, true);
      else
        DoPoly(xy, kind == 3, false);
      break;
    }
    case 7:
    case 8:
    case 90:
    case 91: {  // PolyPolyline, PolyPolygon (and 16-bit)
      if (!has(32)) break;
      const bool small = type >= 90;
      const uint64_t polys = U(24), total = U(28);
      if (!has(32 + polys * 4)) break;
      std::vector<int32_t> counts(static_cast<size_t>(polys));
      uint64_t sum = 0;
      for (size_t i = 0; i < polys; ++i) {
        const uint32_t c = U(32 + i * 4);
        if (c > 0x7FFFFFFF) return;
        counts[i] = int32_t(c);
        sum += c;
      }
      if (sum != total) break;
      if (!points(size_t(32 + polys * 4), total, small, xy)) break;
      if (type == 8 || type == 91)
        DoPolyPolygon(xy, counts);
      else
        DoPolyPolyline(xy, counts);
      break;
    }
    case 9:
      if (has(16)) {
        S.WinExtX = I(8);
        S.WinExtY = I(12);
      }
      break;
    case 10:
      if (has(16)) {
        S.WinOrgX = I(8);
        S.WinOrgY = I(12);
      }
      break;
    case 11:
      if (has(16)) {
        S.ViewExtX = I(8);
        S.ViewExtY = I(12);
      }
      break;
    case 12:
      if (has(16)) {
        S.ViewOrgX = I(8);
        S.ViewOrgY = I(12);
      }
      break;
    case 15:
      if (has(20)) DoSetPixel(I(8), I(12), FileColor(U(16)));
      break;  // SetPixelV
    case 17:
      if (has(12)) S.MapMode = int32_t(U(8));
      break;
    case 18:
      if (has(12)) S.BkMode = int32_t(U(8));
      break;
    case 19:
      if (has(12)) S.FillMode = int32_t(U(8));
      break;
    case 20:
      if (has(12)) S.Rop2 = int32_t(U(8));
      break;
    case 21:
      if (has(12)) S.StretchMode = int32_t(U(8));
      break;
    case 22:
      if (has(12)) S.TextAlign = U(8);
      break;
    case 24:
      if (has(12)) S.TextColor = FileColor(U(8));
      break;
    case 25:
      if (has(12)) S.BkColor = FileColor(U(8));
      break;
    case 27:
      if (has(16)) DoMoveTo(I(8), I(12));
      break;
    case 54:
      if (has(16)) DoLineTo(I(8), I(12));
      break;
    case 33: SaveState(); break;
    case 34:
      if (has(12)) RestoreState(GetS32(r + 8));
      break;
    case 37:
      if (has(12)) Select(EmfObject(U(8)));
      break;  // SelectObject
    case 40:  // DeleteObject
      if (has(12) && !(U(8) & 0x80000000u)) EmfStore(U(8), nullptr);
      break;
    case 38:  // CreatePen
      if (has(28)) EmfStore(U(8), MakePen(U(12), GetS32(r + 16), FileColor(U(24))));
      break;
    case 95: {  // ExtCreatePen
      if (!has(44)) break;
      const uint32_t style = U(28);
      const bool cosmetic = (style & PS_TYPE_MASK) != PS_GEOMETRIC;
      const uint32_t brushStyle = U(36);
      EmfStore(U(8), MakePen(brushStyle == BS_NULL ? PS_NULL : style, int32_t(std::min<uint32_t>(U(32), 1u << 20)),
                             FileColor(U(40)), cosmetic));
      break;
    }
    case 39:  // CreateBrushIndirect
      if (has(24)) EmfStore(U(8), MakeBrush(U(12), FileColor(U(16)), GetS32(r + 20)));
      break;
    case 93:    // CreateMonoBrush
    case 94: {  // CreateDibPatternBrushPt
      if (!has(32)) break;
      const uint64_t offBmi = U(16), cbBmi = U(20), offBits = U(24), cbBits = U(28);
      auto o = std::make_shared<TMetaObject>();
      o->Kind = TObjKind::Brush;
      o->BrushStyle = BS_DIBPATTERN;
      if (offBmi >= 32 && has(offBmi + cbBmi) && has(offBits + cbBits)) {
        TDib dib = DecodeDib(r + offBmi, size_t(cbBmi), r + offBits, size_t(cbBits));
        if (dib.Bitmap) o->Pattern = std::shared_ptr<TBitmapHolder>(std::move(dib.Bitmap));
      }
      EmfStore(U(8), o);
      break;
    }
    case 82: {  // ExtCreateFontIndirectW
      if (!has(12 + 28)) break;
      auto o = std::make_shared<TMetaObject>();
      o->Kind = TObjKind::Font;
      LOGFONT& f = o->Font;
      f.lfHeight = GetS32(r + 12);
      const int32_t w = GetS32(r + 16);
      f.lfWidth = w == std::numeric_limits<int32_t>::min() ? 0 : std::abs(w);
      f.lfEscapement = GetS32(r + 20);
      f.lfOrientation = GetS32(r + 24);
      f.lfWeight = GetS32(r + 28);
      f.lfItalic = r[32];
      f.lfUnderline = r[33];
      f.lfStrikeOut = r[34];
      f.lfCharSet = r[35];
      f.lfQuality = r[38];
      f.lfPitchAndFamily = r[39];
      std::u16string face;
      for (size_t at = 40; at + 2 <= size && at < 40 + 64; at += 2) {
        const char16_t c = char16_t(GetLE16(r + at));
        if (!c) break;
        face.push_back(c);
      }
      f.lfFaceName = UTF16ToUTF8(face);
      EmfStore(U(8), o);
      break;
    }
    case 42:
      if (has(24)) DoEllipse(I(8), I(12), I(16), I(20));
      break;
    case 43:
      if (has(24)) DoRectangle(I(8), I(12), I(16), I(20));
      break;
    case 44:
      if (has(32)) DoRoundRect(I(8), I(12), I(16), I(20), I(24), I(28));
      break;
    case 45:
    case 46:
    case 47:  // Arc, Chord, Pie
      if (has(40)) DoArc(type == 45 ? 0 : type == 46 ? 1 : 2, I(8), I(12), I(16), I(20), I(24), I(28), I(32), I(36));
      break;
    case 59:
      FInPath = true;
      FPath.clear();
      FPathPoints = 0;
      break;                          // BeginPath
    case 60: FInPath = false; break;  // EndPath
    case 61:                          // CloseFigure
      if (FInPath && !FPath.empty()) FPath.back().Closed = true;
      break;
    case 62:
      if (!FInPath) DrawPath(true, false);
      break;  // FillPath
    case 63:
      if (!FInPath) DrawPath(true, true);
      break;  // StrokeAndFillPath
    case 64:
      if (!FInPath) DrawPath(false, true);
      break;  // StrokePath
    case 68:
      FInPath = false;
      FPath.clear();
      FPathPoints = 0;
      break;    // AbortPath
    case 83:    // ExtTextOutA
    case 84: {  // ExtTextOutW
      if (!has(76)) break;
      const uint64_t nChars = U(44), offString = U(48), offDx = U(72);
      const uint32_t options = U(52);
      const bool wide = type == 84;
      if (!has(offString + nChars * (wide ? 2 : 1))) break;
      std::u16string text;
      if (wide) {
        text.resize(size_t(nChars));
        for (size_t i = 0; i < nChars; ++i) text[i] = char16_t(GetLE16(r + offString + i * 2));
      } else {
        text = Cp1252ToUtf16(r + offString, size_t(nChars));
      }
      // Every unit of the text has its advance (pairs with ETO_PDY).
      const uint64_t step = (options & 0x2000u) ? 8 : 4;
      std::vector<double> dx;
      if (offDx != 0 && has(offDx + nChars * step) && text.size() == nChars) {
        dx.resize(size_t(nChars));
        for (size_t i = 0; i < nChars; ++i) dx[i] = GetS32(r + offDx + i * step);
      }
      const double rect[4] = {I(56), I(60), I(64), I(68)};
      DoText(I(36), I(40), options, (options & (ETO_OPAQUE | ETO_CLIPPED)) ? rect : nullptr, text,
             dx.empty() ? nullptr : &dx);
      break;
    }
    case 76:    // BitBlt
    case 77: {  // StretchBlt
      if (!has(type == 76 ? 100 : 108)) break;
      const double xD = I(24), yD = I(28), cx = I(32), cy = I(36);
      const uint32_t rop = U(40);
      const uint64_t offBmi = U(84), cbBmi = U(88), offBits = U(92), cbBits = U(96);
      if (cbBmi == 0) {
        DoPatBlt(xD, yD, cx, cy, rop);
        break;
      }
      if (offBmi < 100 || !has(offBmi + cbBmi) || !has(offBits + cbBits)) break;
      const TDib dib = DecodeDib(r + offBmi, size_t(cbBmi), r + offBits, size_t(cbBits));
      const int32_t wS = type == 77 ? GetS32(r + 100) : int32_t(cx);
      const int32_t hS = type == 77 ? GetS32(r + 104) : int32_t(cy);
      DoDibBlit(dib, xD, yD, cx, cy, GetS32(r + 44), GetS32(r + 48), wS, hS, rop, false);
      break;
    }
    case 81: {  // StretchDIBits
      if (!has(80)) break;
      const uint64_t offBmi = U(48), cbBmi = U(52), offBits = U(56), cbBits = U(60);
      if (offBmi < 80 || !has(offBmi + cbBmi) || !has(offBits + cbBits)) break;
      const TDib dib = DecodeDib(r + offBmi, size_t(cbBmi), r + offBits, size_t(cbBits));
      DoDibBlit(dib, I(24), I(28), I(72), I(76), GetS32(r + 32), GetS32(r + 36), GetS32(r + 40), GetS32(r + 44), U(68),
                true);
      break;
    }
    default: break;
  }
}

}  // namespace

// ================================================================================

void TMetafile::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* m = dynamic_cast<TMetafile*>(Source)) {
    if (m == this) return;
    FData = m->FData;
    FPlaceable = m->FPlaceable;
    FEnhanced = m->FEnhanced;
    FWidth = m->FWidth;
    FHeight = m->FHeight;
    FFrameLeft = m->FFrameLeft;
    FFrameTop = m->FFrameTop;
    FFrameWidth = m->FFrameWidth;
    FFrameHeight = m->FFrameHeight;
    Changed(this);
    return;
  }
  TGraphic::Assign(Source);
}

void TMetafile::SetWidth(int32_t Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  Changed(this);
}

void TMetafile::SetHeight(int32_t Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  Changed(this);
}

void TMetafile::Clear() {
  FData.clear();
  FPlaceable.clear();
  FEnhanced = false;
  FWidth = FHeight = 0;
  FFrameLeft = FFrameTop = FFrameWidth = FFrameHeight = 0;
  Changed(this);
}

void TMetafile::LoadFromStream(TStream* Stream) {
  const int64_t left = Stream->Size() - Stream->Position();
  if (left <= 0 || left > kMaxFileBytes) throw EInvalidGraphic(kInvalidMetafile);
  std::vector<uint8_t> bytes(static_cast<size_t>(left));
  Stream->ReadBuffer(bytes.data(), left);

  std::vector<uint8_t> placeable;
  bool enhanced = false;
  int32_t width = 0, height = 0;
  double fl = 0, ft = 0, fw = 0, fh = 0;
  const uint8_t* b = bytes.data();
  if (bytes.size() >= kEmfHeaderMin && GetLE32(b) == 1 && GetLE32(b + 40) == kEmfSignature) {
    const uint32_t headerSize = GetLE32(b + 4);
    const uint32_t total = GetLE32(b + 48);
    if (headerSize < kEmfHeaderMin || headerSize > bytes.size()) throw EInvalidGraphic(kInvalidMetafile);
    if (total >= headerSize && total < bytes.size()) bytes.resize(total);
    enhanced = true;
    const double frameL = GetS32(b + 24), frameT = GetS32(b + 28);
    const double frameR = GetS32(b + 32), frameB = GetS32(b + 36);
    const int32_t devX = GetS32(b + 72), devY = GetS32(b + 76);
    const int32_t mmX = GetS32(b + 80), mmY = GetS32(b + 84);
    const double kx = devX > 0 && mmX > 0 ? devX / (mmX * 100.0) : 96.0 / 2540;
    const double ky = devY > 0 && mmY > 0 ? devY / (mmY * 100.0) : 96.0 / 2540;
    fl = frameL * kx;
    ft = frameT * ky;
    fw = (frameR - frameL) * kx;
    fh = (frameB - frameT) * ky;
    const double mw = std::fabs(frameR - frameL) * 96 / 2540;
    const double mh = std::fabs(frameB - frameT) * 96 / 2540;
    width = ClampToInt(mw, 0, std::numeric_limits<int32_t>::max());
    height = ClampToInt(mh, 0, std::numeric_limits<int32_t>::max());
  } else {
    size_t start = 0;
    if (bytes.size() >= kPlaceableSize && GetLE32(b) == kPlaceableKey) {
      start = kPlaceableSize;
      const int32_t l = GetS16(b + 6), t = GetS16(b + 8), r = GetS16(b + 10), bt = GetS16(b + 12);
      const int32_t inch = GetLE16(b + 14);
      if (inch == 0) throw EInvalidGraphic(kInvalidMetafile);
      placeable.assign(b, b + kPlaceableSize);
      width = MulDiv(std::abs(r - l), 96, inch);
      height = MulDiv(std::abs(bt - t), 96, inch);
      fl = l;
      ft = t;
      fw = r - l;
      fh = bt - t;
    }
    if (bytes.size() < start + kWmfHeaderSize) throw EInvalidGraphic(kInvalidMetafile);
    const uint8_t* h = b + start;
    const uint16_t kind = GetLE16(h), headerWords = GetLE16(h + 2), version = GetLE16(h + 4);
    if ((kind != 1 && kind != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
      throw EInvalidGraphic(kInvalidMetafile);
    bytes.erase(bytes.begin(), bytes.begin() + ptrdiff_t(start));
    const uint64_t declared = uint64_t(GetLE32(bytes.data() + 6)) * 2;
    if (declared >= kWmfHeaderSize && declared < bytes.size()) bytes.resize(size_t(declared));
    if (placeable.empty()) {
      // The picture is its window: the first window origin and extent.
      bool org = false, ext = false;
      double ox = 0, oy = 0;
      size_t off = kWmfHeaderSize;
      while (off + 6 <= bytes.size() && !ext) {
        const uint64_t words = GetLE32(bytes.data() + off);
        const uint16_t func = GetLE16(bytes.data() + off + 4);
        if (words < 3 || words * 2 > bytes.size() - off || func == 0) break;
        if (words >= 5 && func == 0x020B && !org) {
          oy = GetS16(bytes.data() + off + 6);
          ox = GetS16(bytes.data() + off + 8);
          org = true;
        } else if (words >= 5 && func == 0x020C) {
          fh = GetS16(bytes.data() + off + 6);
          fw = GetS16(bytes.data() + off + 8);
          ext = true;
        }
        off += size_t(words * 2);
      }
      fl = ox;
      ft = oy;
      width = int32_t(std::fabs(fw));
      height = int32_t(std::fabs(fh));
    }
  }
  FData = std::move(bytes);
  FPlaceable = std::move(placeable);
  FEnhanced = enhanced;
  FWidth = width;
  FHeight = height;
  FFrameLeft = fl;
  FFrameTop = ft;
  FFrameWidth = fw;
  FFrameHeight = fh;
  Changed(this);
}

void TMetafile::SaveToStream(TStream* Stream) {
  if (!FPlaceable.empty()) Stream->WriteBuffer(FPlaceable.data(), int64_t(FPlaceable.size()));
  if (!FData.empty()) Stream->WriteBuffer(FData.data(), int64_t(FData.size()));
}

void TMetafile::Play(TCanvas* ACanvas, const TRect& Rect) {
  if (!ACanvas || FData.empty() || FFrameWidth == 0 || FFrameHeight == 0) return;
  if (Rect.Width() == 0 || Rect.Height() == 0) return;
  HDC dc = ACanvas->Handle();
  const int32_t saved = SaveDC(dc);
  if (!saved) return;
  const TRect clip{std::min(Rect.Left, Rect.Right), std::min(Rect.Top, Rect.Bottom), std::max(Rect.Left, Rect.Right),
                   std::max(Rect.Top, Rect.Bottom)};
  IntersectClipRect(dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
  auto cleanup = ScopeExit([&] { RestoreDC(dc, saved); });
  TPlayer player(dc, Rect, FFrameLeft, FFrameTop, FFrameWidth, FFrameHeight);
  if (FEnhanced) {
    const int32_t devX = GetS32(FData.data() + 72), devY = GetS32(FData.data() + 76);
    const int32_t mmX = GetS32(FData.data() + 80), mmY = GetS32(FData.data() + 84);
    const double kx = devX > 0 && mmX > 0 ? devX / (mmX * 100.0) : 96.0 / 2540;
    const double ky = devY > 0 && mmY > 0 ? devY / (mmY * 100.0) : 96.0 / 2540;
    player.PlayEmf(FData, kx, ky);
  } else {
    // The window maps onto the picture's frame, whatever the records say
    // of the mapping mode before they set one.
    player.S.MapMode = MM_ANISOTROPIC;
    player.S.WinOrgX = player.S.ViewOrgX = FFrameLeft;
    player.S.WinOrgY = player.S.ViewOrgY = FFrameTop;
    player.S.WinExtX = player.S.ViewExtX = FFrameWidth;
    player.S.WinExtY = player.S.ViewExtY = FFrameHeight;
    // Fixed mapping modes count in the placeable header's units per inch
    // (96 without one).
    const double inch = FPlaceable.empty() ? 96.0 : double(GetLE16(FPlaceable.data() + 14));
    player.PlayWmf(FData, inch / 2540);
  }
}
