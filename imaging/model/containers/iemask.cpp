// TIEMask storage, whole-mask operations, the polygon fill, moving, copies
// through the mask and the scaled copy for drawing; and the exchange of
// TIEBitmap with masks, which lives here so that the pixel library does not
// depend on this one.
#include "imaging/model/containers/iemask.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "imaging/model/pixels/ieaccessscope.h"

namespace {

__extension__ typedef __int128 TInt128;

constexpr int64_t kMaxMaskBytes = 2147483647;

int64_t MaskRowLen(int64_t Width, int32_t BitsPerPixel) { return (Width * BitsPerPixel + 31) / 32 * 4; }

std::unique_ptr<uint8_t[]> ZeroedBlock(int64_t Size) {
  return TranslateOutOfMemory([Size] { return std::unique_ptr<uint8_t[]>(new uint8_t[static_cast<size_t>(Size)]()); });
}

int32_t ClampTo(int64_t Value, int32_t Lo, int32_t Hi) {
  return static_cast<int32_t>(Value < Lo ? Lo : (Value > Hi ? Hi : Value));
}

bool AllBytes255(const uint8_t* P, size_t Count) {
  size_t i = 0;
  for (; i + 8 <= Count; i += 8) {
    uint64_t v;
    std::memcpy(&v, P + i, 8);
    if (v != ~uint64_t{0}) return false;
  }
  for (; i < Count; ++i)
    if (P[i] != 255) return false;
  return true;
}

// Sets (or clears) bits X1..X2 of a 1-bit row.
void FillBits(uint8_t* Row, int32_t X1, int32_t X2, bool Set) {
  const int32_t first = X1 >> 3, last = X2 >> 3;
  const auto head = static_cast<uint8_t>(0xFFu >> (X1 & 7));
  const auto tail = static_cast<uint8_t>(0xFF00u >> ((X2 & 7) + 1));
  auto apply = [Set](uint8_t& b, uint8_t m) { b = static_cast<uint8_t>(Set ? b | m : b & ~m); };
  if (first == last) {
    apply(Row[first], static_cast<uint8_t>(head & tail));
    return;
  }
  apply(Row[first], head);
  if (last - first > 1) std::memset(Row + first + 1, Set ? 0xFF : 0x00, static_cast<size_t>(last - first - 1));
  apply(Row[last], tail);
}

// d + round((s - d) * m / 255); 255 is odd, so no quotient ends in exactly
// one half and rounding the magnitude is exact.
inline uint8_t Blend255(int32_t s, int32_t d, int32_t m) {
  const int32_t t = (s - d) * m;
  return static_cast<uint8_t>(d + (t >= 0 ? (t + 127) / 255 : -((-t + 127) / 255)));
}

// The mask columns or rows Lo..Hi of the box that exist in both bitmaps:
// mask coordinate v is bitmap coordinate v - Offset.
bool LimitToBitmaps(int32_t& Lo, int32_t& Hi, int32_t SourceOffset, int32_t SourceSize, int32_t DestOffset,
                    int32_t DestSize) {
  const int64_t lo = std::max({int64_t{Lo}, int64_t{SourceOffset}, int64_t{DestOffset}});
  const int64_t hi =
      std::min({int64_t{Hi}, int64_t{SourceOffset} + SourceSize - 1, int64_t{DestOffset} + DestSize - 1});
  if (hi < lo) return false;
  Lo = static_cast<int32_t>(lo);
  Hi = static_cast<int32_t>(hi);
  return true;
}

// ---- Polygon edges ----

// An edge of the scan-line fill: x at the current row, the row where it ends
// (exclusive), dx and dy (> 0) over the edge, and the error term.
struct TEdge {
  int64_t X;
  int64_t YLow;
  int64_t Dx;
  int64_t Dy;
  int64_t Err;
  int64_t X0;    // x at the upper end
  int64_t YTop;  // row of the upper end
  int32_t Order;
};

// One row down: x moves by dx div dy, and one more step in the direction of
// dx whenever the error leaves -dy .. dy.
inline void StepEdge(TEdge& E) {
  const int64_t q = E.Dx / E.Dy;
  E.X += q;
  E.Err += 2 * E.Dx - 2 * q * E.Dy;
  if (E.Err > E.Dy) {
    E.X += 1;
    E.Err -= 2 * E.Dy;
  } else if (E.Err < -E.Dy) {
    E.X -= 1;
    E.Err += 2 * E.Dy;
  }
}

// The state StepEdge reaches at Row (YTop <= Row < YLow) without stepping
// through the rows before it. After k steps the remainder r = dx - q dy has
// added 2k|r| to the error and every correction took 2 dy away, which keeps
// the error in (-dy, dy]: so c = ceil((2k|r| - dy) / (2 dy)) corrections.
void EdgeAtRow(TEdge& E, int64_t Row) {
  const int64_t k = Row - E.YTop;
  const int64_t q = E.Dx / E.Dy;
  const int64_t r = E.Dx - q * E.Dy;
  const int64_t sign = r < 0 ? -1 : 1;
  const TInt128 twoKR = TInt128{2} * k * (r < 0 ? -r : r);
  const TInt128 n = twoKR - E.Dy;
  const TInt128 d = TInt128{2} * E.Dy;
  const TInt128 c = n <= 0 ? 0 : (n + d - 1) / d;
  E.X = E.X0 + k * q + sign * static_cast<int64_t>(c);
  E.Err = sign * static_cast<int64_t>(twoKR - c * d);
}

}  // namespace

// ---- Storage -------------------------------------------------------------------------

TIEMask::TIEMask() {
  FBitmapInfo.bmiHeader.biSize = 40;
  FBitmapInfo.bmiHeader.biPlanes = 1;
  FBitmapInfo.bmiHeader.biBitCount = 1;
  FBitmapInfo.bmiHeader.biCompression = 0;
  FBitmapInfo.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  FBitmapInfo.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
}

TIEMask::~TIEMask() = default;

void TIEMask::FreeZoomBuffer() {
  FZoomBuffer.reset();
  FZoomRows.clear();
  FZoomWidth = 0;
  FZoomHeight = 0;
}

void TIEMask::FreeBits() {
  FBits.reset();
  FreeZoomBuffer();
  FWidth = 0;
  FHeight = 0;
  FBitsPerPixel = 0;
  FRowLen = 0;
  SetEmptyBox();
  FFull = false;
}

void TIEMask::Allocate(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitsPerPixel) {
  FreeBits();
  if (ImageBitsPerPixel != 1 && ImageBitsPerPixel != 8)
    throw Exception("Invalid mask depth: " + std::to_string(ImageBitsPerPixel) + " bits");
  const int32_t w = Max(ImageWidth, 0), h = Max(ImageHeight, 0);
  const int64_t rowLen = MaskRowLen(w, ImageBitsPerPixel);
  if (rowLen * h > kMaxMaskBytes)
    throw Exception("Mask too large: " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
  if (rowLen * h > 0) FBits = ZeroedBlock(rowLen * h);
  FWidth = w;
  FHeight = h;
  FBitsPerPixel = ImageBitsPerPixel;
  FRowLen = static_cast<int32_t>(rowLen);
}

void TIEMask::Resize(int32_t NewWidth, int32_t NewHeight) {
  // A mask never allocated has no depth to keep.
  if (FBitsPerPixel == 0) return;
  const int32_t w = Max(NewWidth, 0), h = Max(NewHeight, 0);
  const int32_t bpp = FBitsPerPixel;
  const int64_t rowLen = MaskRowLen(w, bpp);
  if (rowLen * h > kMaxMaskBytes)
    throw Exception("Mask too large: " + std::to_string(w) + " x " + std::to_string(h) + " pixels");
  std::unique_ptr<uint8_t[]> bits;
  if (rowLen * h > 0) bits = ZeroedBlock(rowLen * h);
  // Only the pixels of the kept columns: the row padding may hold set bits or
  // filled bytes, and the added pixels must be 0.
  const int64_t keptBits = int64_t{Min(w, FWidth)} * bpp;
  const auto wholeBytes = static_cast<size_t>(keptBits / 8);
  const auto restBits = static_cast<uint32_t>(keptBits % 8);
  const int32_t rows = FBits && bits ? Min(h, FHeight) : 0;
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* s = ScanLine(y);
    uint8_t* d = bits.get() + rowLen * (h - 1 - y);
    std::memcpy(d, s, wholeBytes);
    if (restBits != 0) d[wholeBytes] = static_cast<uint8_t>(s[wholeBytes] & (0xFF00u >> restBits));
  }
  FBits = std::move(bits);
  FWidth = w;
  FHeight = h;
  FBitsPerPixel = bpp;
  FRowLen = static_cast<int32_t>(rowLen);
  if (!IsEmpty()) {
    if (FX1 >= w || FY1 >= h) {
      SetEmptyBox();  // nothing of the box is left
    } else {
      FX2 = Min(FX2, w - 1);
      FY2 = Min(FY2, h - 1);
    }
  }
}

// ---- Whole mask ----------------------------------------------------------------------

void TIEMask::Fill(uint8_t Value) {
  if (FBits) std::memset(FBits.get(), Value, static_cast<size_t>(FRowLen) * static_cast<size_t>(FHeight));
  FFull = FBitsPerPixel != 8 || Value == 255;
}

void TIEMask::Empty() {
  Fill(0);
  SetEmptyBox();
}

void TIEMask::SyncBoundingBox() {
  SetEmptyBox();
  const int32_t wholeBytes = FWidth / 8;
  const auto restMask = static_cast<uint8_t>(0xFF00u >> (FWidth % 8));
  for (int32_t y = 0; y < FHeight; ++y) {
    const uint8_t* row = ScanLine(y);
    int32_t first = -1, last = -1;
    if (FBitsPerPixel == 8) {
      for (int32_t x = 0; x < FWidth; ++x)
        if (row[x] != 0) {
          first = x;
          break;
        }
      if (first < 0) continue;
      for (int32_t x = FWidth - 1;; --x)
        if (row[x] != 0) {
          last = x;
          break;
        }
    } else {
      // Bytes of the row with their padding bits masked off.
      const int32_t bytes = wholeBytes + (restMask != 0 ? 1 : 0);
      auto byteAt = [&](int32_t i) { return static_cast<uint8_t>(i < wholeBytes ? row[i] : row[i] & restMask); };
      for (int32_t i = 0; i < bytes; ++i)
        if (const uint8_t b = byteAt(i)) {
          first = i * 8 + std::countl_zero(b);
          break;
        }
      if (first < 0) continue;
      for (int32_t i = bytes - 1;; --i)
        if (const uint8_t b = byteAt(i)) {
          last = i * 8 + 7 - std::countr_zero(b);
          break;
        }
    }
    FX1 = Min(FX1, first);
    FX2 = Max(FX2, last);
    FY1 = Min(FY1, y);
    FY2 = y;
  }
}

void TIEMask::CheckFull() {
  bool full = true;
  if (FBitsPerPixel == 8) {
    for (int32_t y = 0; y < FHeight && full; ++y) full = AllBytes255(ScanLine(y), static_cast<size_t>(FWidth));
  } else {
    const auto wholeBytes = static_cast<size_t>(FWidth / 8);
    const auto restMask = static_cast<uint8_t>(0xFF00u >> (FWidth % 8));
    for (int32_t y = 0; y < FHeight && full; ++y) {
      const uint8_t* row = ScanLine(y);
      full = AllBytes255(row, wholeBytes) && (restMask == 0 || (row[wholeBytes] & restMask) == restMask);
    }
  }
  FFull = full;
}

// ---- Drawing into the mask -------------------------------------------------------------

int32_t TIEMask::FillSpan(uint8_t Value, int32_t SpanX1, int32_t Y, int32_t SpanX2) {
  // A row outside the mask is not redirected to the nearest edge row.
  if (Y < 0 || Y >= FHeight) return 0;
  SpanX1 = Max(SpanX1, 0);
  SpanX2 = Min(SpanX2, FWidth - 1);
  if (SpanX2 < SpanX1) return 0;
  uint8_t* row = ScanLine(Y);
  if (FBitsPerPixel == 8)
    std::memset(row + SpanX1, Value, static_cast<size_t>(SpanX2 - SpanX1 + 1));
  else
    FillBits(row, SpanX1, SpanX2, Value != 0);
  LowerFull(Value);
  return SpanX2 - SpanX1 + 1;
}

void TIEMask::ClampBox() {
  FX1 = ClampTo(FX1, 0, FWidth - 1);
  FX2 = ClampTo(FX2, 0, FWidth - 1);
  FY1 = ClampTo(FY1, 0, FHeight - 1);
  FY2 = ClampTo(FY2, 0, FHeight - 1);
}

int64_t TIEMask::FillSinglePolygon(uint8_t Value, const TPoint* Points, int32_t Count) {
  int64_t minY = Points[0].Y, maxY = Points[0].Y;
  int64_t minX = Points[0].X, maxX = Points[0].X;
  for (int32_t i = 1; i < Count; ++i) {
    minX = Min(minX, int64_t{Points[i].X});
    maxX = Max(maxX, int64_t{Points[i].X});
    minY = Min(minY, int64_t{Points[i].Y});
    maxY = Max(maxY, int64_t{Points[i].Y});
  }
  const int32_t boxX1 = FX1, boxY1 = FY1, boxX2 = FX2, boxY2 = FY2;
  if (Value != 0) {
    FX1 = ClampTo(Min(int64_t{FX1}, minX), INT32_MIN, INT32_MAX);
    FY1 = ClampTo(Min(int64_t{FY1}, minY), INT32_MIN, INT32_MAX);
    FX2 = ClampTo(Max(int64_t{FX2}, maxX - 1), INT32_MIN, INT32_MAX);
    FY2 = ClampTo(Max(int64_t{FY2}, maxY - 1), INT32_MIN, INT32_MAX);
    ClampBox();
  }

  // The edge table: non-horizontal edges in the bucket of their upper row,
  // each bucket newest first.
  std::vector<TEdge> edges;
  edges.reserve(static_cast<size_t>(Count));
  for (int32_t i = 0; i < Count; ++i) {
    const TPoint& a = Points[i];
    const TPoint& b = Points[(i + 1) % Count];
    if (a.Y == b.Y) continue;
    const TPoint& upper = a.Y < b.Y ? a : b;
    const TPoint& lower = a.Y < b.Y ? b : a;
    edges.push_back(
        TEdge{upper.X, lower.Y, int64_t{lower.X} - upper.X, int64_t{lower.Y} - upper.Y, 0, upper.X, upper.Y, i});
  }
  std::sort(edges.begin(), edges.end(),
            [](const TEdge& l, const TEdge& r) { return l.YTop != r.YTop ? l.YTop < r.YTop : l.Order > r.Order; });

  std::vector<TEdge> active;
  int64_t written = 0;
  size_t next = 0;
  // Rows below the mask cannot change anything.
  const int64_t lastRow = Min(maxY, int64_t{FHeight} - 1);
  for (int64_t y = minY; y <= lastRow; ++y) {
    // (a) edges ending here leave, the others step down one row.
    size_t kept = 0;
    for (size_t i = 0; i < active.size(); ++i) {
      if (active[i].YLow == y) continue;
      StepEdge(active[i]);
      active[kept++] = active[i];
    }
    active.resize(kept);
    // Edges that crossed since the last row change places, so that the pairs
    // below always bound the inside by the even-odd rule. Without crossings
    // the list is already in order and this costs one comparison per edge.
    for (size_t i = 1; i < active.size(); ++i) {
      if (active[i - 1].X <= active[i].X) continue;
      const TEdge e = active[i];
      size_t j = i;
      for (; j > 0 && active[j - 1].X > e.X; --j) active[j] = active[j - 1];
      active[j] = e;
    }
    // (b) the bucket's edges join, by x and at equal x by slope.
    for (; next < edges.size() && edges[next].YTop == y; ++next) {
      const TEdge& e = edges[next];
      size_t at = 0;
      while (at < active.size()) {
        const TEdge& o = active[at];
        if (e.X < o.X) break;
        if (e.X == o.X && TInt128{e.Dy} * o.Dx >= TInt128{e.Dx} * o.Dy) break;
        ++at;
      }
      active.insert(active.begin() + static_cast<ptrdiff_t>(at), e);
    }
    // (c) even-odd spans x_left .. x_right - 1.
    if (y >= 0) {
      for (size_t i = 0; i + 1 < active.size(); i += 2) {
        const int64_t xl = active[i].X, xr = active[i + 1].X - 1;
        if (xr < xl || xr < 0 || xl >= FWidth) continue;
        written += FillSpan(Value, ClampTo(xl, 0, FWidth - 1), static_cast<int32_t>(y), ClampTo(xr, 0, FWidth - 1));
      }
    } else {
      // Above the mask nothing is drawn: jump to the row before the next
      // event (an edge joining or leaving, or the first row of the mask).
      int64_t event = 0;
      if (next < edges.size()) event = Min(event, edges[next].YTop);
      for (const TEdge& e : active) event = Min(event, e.YLow);
      if (event - 1 > y) {
        for (TEdge& e : active) EdgeAtRow(e, event - 1);
        y = event - 1;
      }
    }
  }
  // A polygon that wrote nothing leaves the box as it was.
  if (written == 0) {
    FX1 = boxX1;
    FY1 = boxY1;
    FX2 = boxX2;
    FY2 = boxY2;
  }
  return written;
}

void TIEMask::FillPolygon(uint8_t Value, const TPoint* Points, int32_t Count) {
  if (!Points) Count = 0;
  int32_t start = 0;
  for (int32_t i = 0; i <= Count; ++i) {
    if (i < Count && Points[i].X != IEPolygonSeparator) continue;
    if (i > start) FillSinglePolygon(Value, Points + start, i - start);
    start = i + 1;
  }
  CheckFull();
}

void TIEMask::Translate(int32_t& dx, int32_t& dy, bool CutBorders) {
  if (IsEmpty() || FWidth <= 0 || FHeight <= 0) return;
  int64_t x1 = FX1, y1 = FY1, x2 = FX2, y2 = FY2;
  int64_t ddx = dx, ddy = dy;
  if (!CutBorders) {
    if (x1 + ddx < 0) ddx = -x1;
    if (x2 + ddx > FWidth - 1) ddx = FWidth - 1 - x2;
    if (y1 + ddy < 0) ddy = -y1;
    if (y2 + ddy > FHeight - 1) ddy = FHeight - 1 - y2;
    dx = static_cast<int32_t>(ddx);
    dy = static_cast<int32_t>(ddy);
  } else {
    // Only the part of the box that stays inside after the move.
    if (x1 + ddx < 0) x1 = -ddx;
    if (x2 + ddx >= FWidth) x2 = FWidth - 1 - ddx;
    if (y1 + ddy < 0) y1 = -ddy;
    if (y2 + ddy >= FHeight) y2 = FHeight - 1 - ddy;
  }
  if (ddx == 0 && ddy == 0) return;

  // Pixels of the box land in a cleared copy, so everything else is cleared.
  std::unique_ptr<uint8_t[]> moved = ZeroedBlock(int64_t{FRowLen} * FHeight);
  const int64_t sx1 = Max(x1, -ddx), sx2 = Min(x2, FWidth - 1 - ddx);
  for (int64_t y = Max(y1, int64_t{0}); sx1 <= sx2 && y <= Min(y2, int64_t{FHeight} - 1); ++y) {
    const int64_t ty = y + ddy;
    if (ty < 0 || ty >= FHeight) continue;
    const uint8_t* s = ScanLine(static_cast<int32_t>(y));
    uint8_t* d = moved.get() + int64_t{FRowLen} * (FHeight - 1 - ty);
    const auto count = static_cast<int32_t>(sx2 - sx1 + 1);
    if (FBitsPerPixel == 8)
      std::memcpy(d + sx1 + ddx, s + sx1, static_cast<size_t>(count));
    else
      CopyBitRun(d, s, static_cast<int32_t>(sx1 + ddx), FRowLen, count, static_cast<int32_t>(sx1));
  }
  FBits = std::move(moved);
  FX1 = ClampTo(x1 + ddx, 0, FWidth - 1);
  FY1 = ClampTo(y1 + ddy, 0, FHeight - 1);
  FX2 = ClampTo(x2 + ddx, 0, FWidth - 1);
  FY2 = ClampTo(y2 + ddy, 0, FHeight - 1);
  // Pixels were moved or cleared: no longer known to be full.
  FFull = false;
}

// ---- Copies through the mask --------------------------------------------------------------

void TIEMask::CopyBitmap(TIEBitmap* Dest, TIEBitmap* Source, bool DestIsCropped, bool SourceIsCropped,
                         bool DoCopyAlpha) {
  if (IsEmpty() || !Dest || !Source || !FBits) return;
  const TIEPixelFormat format = Source->PixelFormat();
  if (Dest->PixelFormat() != format) return;
  const int32_t boxW = FX2 - FX1 + 1, boxH = FY2 - FY1 + 1;
  assert((!DestIsCropped || (Dest->Width() == boxW && Dest->Height() == boxH)) && "cropped bitmap of another size");
  assert((!SourceIsCropped || (Source->Width() == boxW && Source->Height() == boxH)) &&
         "cropped bitmap of another size");
  (void)boxW;
  (void)boxH;
  // Mask pixel (x, y) is bitmap pixel (x - offset, y - offset); pixels that
  // either bitmap lacks are skipped.
  const int32_t sox = SourceIsCropped ? FX1 : 0, soy = SourceIsCropped ? FY1 : 0;
  const int32_t dox = DestIsCropped ? FX1 : 0, doy = DestIsCropped ? FY1 : 0;
  int32_t x1 = FX1, x2 = FX2, y1 = FY1, y2 = FY2;
  const bool copies = !Source->IsEmpty() && !Dest->IsEmpty() &&
                      LimitToBitmaps(x1, x2, sox, Source->Width(), dox, Dest->Width()) &&
                      LimitToBitmaps(y1, y2, soy, Source->Height(), doy, Dest->Height());

  const int32_t bits = IEBitsPerPixel(format);
  const bool byBit = format == TIEPixelFormat::ie1g;
  const auto pixelBytes = static_cast<size_t>(bits / 8);
  const bool blends =
      format == TIEPixelFormat::ie24RGB || format == TIEPixelFormat::ie8g || format == TIEPixelFormat::ie8p;
  if (copies && (FBitsPerPixel == 1 || blends || byBit) && format != TIEPixelFormat::ienull) {
    TIERowPair rows(Source, Dest);
    for (int32_t y = y1; y <= y2; ++y) {
      rows.Fetch(y - soy, y - doy);
      const uint8_t* m = ScanLine(y);
      for (int32_t x = x1; x <= x2; ++x) {
        const int32_t sx = x - sox, dx = x - dox;
        if (FBitsPerPixel == 1) {
          if (!GetBit(m, x)) continue;
          if (byBit)
            SetBit(rows.Dest, dx, GetBit(rows.Source, sx));
          else
            std::memcpy(rows.Dest + pixelBytes * static_cast<size_t>(dx),
                        rows.Source + pixelBytes * static_cast<size_t>(sx), pixelBytes);
        } else {
          const uint8_t v = m[x];
          if (v == 0) continue;
          if (byBit) {
            SetBit(rows.Dest, dx, GetBit(rows.Source, sx));
          } else {
            const uint8_t* s = rows.Source + pixelBytes * static_cast<size_t>(sx);
            uint8_t* d = rows.Dest + pixelBytes * static_cast<size_t>(dx);
            for (size_t c = 0; c < pixelBytes; ++c) d[c] = Blend255(s[c], d[c], v);
          }
        }
      }
    }
  }
  if (DoCopyAlpha) CopyAlpha(Dest, Source, SourceIsCropped, DestIsCropped);
}

void TIEMask::CopyAlpha(TIEBitmap* Dest, TIEBitmap* Source, bool SourceIsCropped, bool DestIsCropped) {
  if (IsEmpty() || !Dest || !FBits) return;
  TIEBitmap* da = Dest->AlphaChannel();
  if (!da) return;  // Dest is itself an alpha channel
  TIEBitmap* sa = Source && Source->HasAlphaChannel() ? Source->AlphaChannel() : nullptr;
  da->SetFull(false);
  if (da->IsEmpty() || (sa && sa->IsEmpty())) return;
  const int32_t sox = SourceIsCropped ? FX1 : 0, soy = SourceIsCropped ? FY1 : 0;
  const int32_t dox = DestIsCropped ? FX1 : 0, doy = DestIsCropped ? FY1 : 0;
  int32_t x1 = FX1, x2 = FX2, y1 = FY1, y2 = FY2;
  // Without a source alpha channel only the destination limits the box.
  if (!LimitToBitmaps(x1, x2, sa ? sox : dox, sa ? sa->Width() : da->Width(), dox, da->Width()) ||
      !LimitToBitmaps(y1, y2, sa ? soy : doy, sa ? sa->Height() : da->Height(), doy, da->Height()))
    return;
  std::unique_ptr<TIERowPair> rows;
  if (sa) rows = std::make_unique<TIERowPair>(sa, da);
  for (int32_t y = y1; y <= y2; ++y) {
    const uint8_t* s = nullptr;
    uint8_t* d;
    if (rows) {
      rows->Fetch(y - soy, y - doy);
      s = rows->Source;
      d = rows->Dest;
    } else {
      d = static_cast<uint8_t*>(da->ScanLine(y - doy));
    }
    const uint8_t* m = ScanLine(y);
    for (int32_t x = x1; x <= x2; ++x) {
      const uint8_t v = FBitsPerPixel == 8 ? m[x] : (GetBit(m, x) ? 255 : 0);
      const uint8_t a = s ? s[x - sox] : 255;
      d[x - dox] = v == 0 ? 0 : Min(a, v);
    }
  }
}

// ---- Scaled copy for drawing --------------------------------------------------------------

void TIEMask::AllocateZoomBuffer(int32_t DstW, int32_t DstH) {
  if (FZoomBuffer && DstW == FZoomWidth && DstH == FZoomHeight) return;
  FreeZoomBuffer();
  const int64_t rowLen = MaskRowLen(DstW, FBitsPerPixel);
  if (rowLen * DstH > kMaxMaskBytes) throw Exception("Mask zoom buffer too large");
  FZoomBuffer = ZeroedBlock(rowLen * DstH);
  FZoomRows.resize(static_cast<size_t>(DstH));
  for (int32_t r = 0; r < DstH; ++r) FZoomRows[static_cast<size_t>(r)] = FZoomBuffer.get() + rowLen * (DstH - 1 - r);
  FZoomWidth = DstW;
  FZoomHeight = DstH;
}

void TIEMask::ZoomToBuffer(int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, int32_t DstW, int32_t DstH) {
  if (DstW < 1 || DstH < 1 || FBitsPerPixel == 0) return;
  AllocateZoomBuffer(DstW, DstH);
  const int64_t rowLen = MaskRowLen(DstW, FBitsPerPixel);
  std::memset(FZoomBuffer.get(), 0, static_cast<size_t>(rowLen * DstH));
  if (IsEmpty() || SrcW < 1 || SrcH < 1 || !FBits) return;

  auto truncate = [](double v) { return static_cast<int64_t>(std::trunc(std::clamp(v, -4e18, 4e18))); };
  const int64_t colStep = truncate(double(SrcW) / DstW * 16384);
  const int64_t rowStep = truncate(double(SrcH) / DstH * 16384);
  const int64_t r0 = Max(truncate(double(int64_t{FY1} - SrcY) * DstH / SrcH), int64_t{0});
  const int64_t r1 = Min(truncate(double(int64_t{FY2} - SrcY + 1) * DstH / SrcH), int64_t{DstH} - 1);
  const int64_t c0 = Max(truncate(double(int64_t{FX1} - SrcX) * DstW / SrcW), int64_t{0});
  const int64_t c1 = Min(truncate(double(int64_t{FX2} - SrcX + 1) * DstW / SrcW), int64_t{DstW} - 1);
  for (int64_t r = r0; r <= r1; ++r) {
    const int64_t my = SrcY + ((r * rowStep) >> 14);
    if (my < 0 || my >= FHeight) continue;
    const uint8_t* m = ScanLine(static_cast<int32_t>(my));
    uint8_t* z = FZoomRows[static_cast<size_t>(r)];
    for (int64_t c = c0; c <= c1; ++c) {
      const int64_t mx = SrcX + ((c * colStep) >> 14);
      if (mx < 0 || mx >= FWidth) continue;
      if (FBitsPerPixel == 8)
        z[c] = m[mx];
      else if (GetBit(m, static_cast<int32_t>(mx)))
        SetBit(z, static_cast<int32_t>(c), true);
    }
  }
}

// ---- TIEBitmap <-> TIEMask ------------------------------------------------------------------

void TIEBitmap::CopyFromMask(TIEMask* Mask) {
  if (!Mask) {
    Fill(255);  // no mask: opaque
    return;
  }
  TIEPixelFormat format;
  if (Mask->BitsPerPixel() == 1)
    format = TIEPixelFormat::ie1g;
  else if (Mask->BitsPerPixel() == 8)
    format = TIEPixelFormat::ie8g;
  else
    return;
  Allocate(Mask->Width(), Mask->Height(), format);
  if (!IsEmpty() && Mask->Bits()) {
    const auto count = static_cast<size_t>(Min(FRowLen, Mask->RowLen()));
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(ScanLine(y), Mask->ScanLine(y), count);
    ReleaseCurrentRow();
  }
  FFull = Mask->Full();
}

void TIEBitmap::CopyToMask(TIEMask* Mask) {
  if (!Mask) return;
  int32_t bits;
  if (FPixelFormat == TIEPixelFormat::ie1g)
    bits = 1;
  else if (FPixelFormat == TIEPixelFormat::ie8g)
    bits = 8;
  else
    return;
  Mask->Allocate(FWidth, FHeight, bits);
  if (!IsEmpty() && Mask->Bits()) {
    TIEAccessScope readOnly(this, kIEReadOnly);
    const auto count = static_cast<size_t>(Min(FRowLen, Mask->RowLen()));
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(Mask->ScanLine(y), ScanLine(y), count);
  }
  // The box follows the pixels, so that operations bounded by it see them.
  Mask->SyncBoundingBox();
  Mask->SetFull(FFull);
}
