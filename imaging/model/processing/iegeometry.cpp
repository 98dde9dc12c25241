// Geometry routines: rotations, quarter turns, flips and orientation codes.
#include "imaging/model/processing/iegeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iesmallroutines.h"
#include "platform/rtl/exceptions.h"

namespace {

using ie_detail::TruncToInt32;

// Nearest, ties to even (the FPU's default mode), saturated to 32 bits.
inline int32_t Rnd(double x) { return TruncToInt32(std::nearbyint(x)); }

// Bytes per pixel of the byte-aligned formats; 0 for ie1g and ienull.
int32_t PixelBytes(TIEPixelFormat Format) {
  switch (Format) {
    case TIEPixelFormat::ie8p:
    case TIEPixelFormat::ie8g: return 1;
    case TIEPixelFormat::ie16g: return 2;
    case TIEPixelFormat::ie24RGB: return 3;
    case TIEPixelFormat::ie32f:
    case TIEPixelFormat::ieCMYK: return 4;
    case TIEPixelFormat::ieRGB48: return 6;
    default: return 0;
  }
}

std::unique_ptr<uint8_t[]> NewBytes(size_t Count) {
  return TranslateOutOfMemory([&] { return std::unique_ptr<uint8_t[]>(new uint8_t[Count == 0 ? 1 : Count]); });
}

// An empty bitmap that will replace Image's pixels: same row alignment,
// threshold and 1-bit conversion, so that handing it over changes nothing else.
std::unique_ptr<TIEBitmap> NewLike(TIEBitmap* Image) {
  auto r = std::make_unique<TIEBitmap>();
  r->SetMemoryThreshold(Image->MemoryThreshold());
  r->SetRowAlignment(Image->RowAlignment());
  r->SetBWConversion(Image->BWConversion());
  return r;
}

void CopyPalette(TIEBitmap* From, TIEBitmap* To) {
  if (From->PixelFormat() != TIEPixelFormat::ie8p || To->PixelFormat() != TIEPixelFormat::ie8p) return;
  TRGB c;
  const int32_t n = std::min(From->PaletteLength(), To->PaletteLength());
  for (int32_t i = 0; i < n; ++i) {
    From->GetPaletteColor(i, c);
    To->SetPaletteColor(i, c);
  }
}

// Image takes Result's pixels; its own alpha channel is dropped.
void ReplacePixels(TIEBitmap* Image, TIEBitmap* Result) {
  Image->RemoveAlphaChannel();
  IETakeBitmap(Image, Result);
}

// Every row of a bitmap at a stable address: the rows themselves in memory and
// platform-bitmap locations, a read-only copy for a file image (whose row
// buffers live only until the next ScanLine).
class TRandomRows {
 public:
  explicit TRandomRows(TIEBitmap* Bitmap) : FRows(static_cast<size_t>(Bitmap->Height())) {
    const int32_t h = Bitmap->Height();
    if (Bitmap->Location() == TIELocation::ieFile) {
      TIEAccessScope scope(Bitmap, kIEReadOnly);
      const size_t len = static_cast<size_t>(Bitmap->RowLen());
      FCopy = NewBytes(len * static_cast<size_t>(h));
      for (int32_t y = 0; y < h; ++y) {
        uint8_t* dst = FCopy.get() + len * static_cast<size_t>(y);
        std::memcpy(dst, Bitmap->ScanLine(y), len);
        FRows[static_cast<size_t>(y)] = dst;
      }
      Bitmap->FreeRowBuffers();
    } else {
      for (int32_t y = 0; y < h; ++y) FRows[static_cast<size_t>(y)] = static_cast<const uint8_t*>(Bitmap->ScanLine(y));
    }
  }
  const uint8_t* operator[](int32_t Y) const { return FRows[static_cast<size_t>(Y)]; }

 private:
  std::vector<const uint8_t*> FRows;
  std::unique_ptr<uint8_t[]> FCopy;
};

// Writes rows of a bitmap one after the other (write-only for file images,
// whose last row buffer is released at the end).
class TRowWriter {
 public:
  explicit TRowWriter(TIEBitmap* Bitmap) : FBitmap(Bitmap), FScope(Bitmap, kIEWriteOnly) {}
  ~TRowWriter() { FBitmap->FreeRowBuffers(); }
  TRowWriter(const TRowWriter&) = delete;
  TRowWriter& operator=(const TRowWriter&) = delete;
  uint8_t* Row(int32_t Y) { return static_cast<uint8_t*>(FBitmap->ScanLine(Y)); }

 private:
  TIEBitmap* FBitmap;
  TIEAccessScope FScope;
};

// ---- Quarter turns ----------------------------------------------------------------------

template <int Bpp>
inline void CopyPixel(uint8_t* Dst, const uint8_t* Src) {
  std::memcpy(Dst, Src, Bpp);
}

// Reverses the order of N pixels of Bpp bytes in place.
void ReversePixels(uint8_t* Row, int32_t N, int32_t Bpp) {
  if (Bpp == 1) {
    std::reverse(Row, Row + N);
    return;
  }
  uint8_t t[8];
  for (int32_t i = 0, j = N - 1; i < j; ++i, --j) {
    uint8_t* a = Row + static_cast<ptrdiff_t>(i) * Bpp;
    uint8_t* b = Row + static_cast<ptrdiff_t>(j) * Bpp;
    std::memcpy(t, a, static_cast<size_t>(Bpp));
    std::memcpy(a, b, static_cast<size_t>(Bpp));
    std::memcpy(b, t, static_cast<size_t>(Bpp));
  }
}

// Mirrors a 1-bit row of W pixels in place: the bytes and the bits of each
// byte are reversed, then the row moves left over the padding bits that came
// to its front.
void ReverseBits(uint8_t* Row, int32_t W) {
  const int32_t n = (W + 7) / 8;
  std::reverse(Row, Row + n);
  for (int32_t i = 0; i < n; ++i) IEReverseByteBits(Row[i]);
  const int32_t s = W % 8 == 0 ? 0 : 8 - W % 8;
  if (s == 0) return;
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t next = i + 1 < n ? Row[i + 1] : 0u;
    Row[i] = static_cast<uint8_t>((static_cast<uint32_t>(Row[i]) << s) | (next >> (8 - s)));
  }
}

// Rows of a turned strip kept in memory at once: about Budget bytes, more for
// a file source, whose rows are read again for every strip.
int32_t StripRows(TIEBitmap* Source, size_t RowBytes, int32_t Rows) {
  const size_t budget = Source->Location() == TIELocation::ieFile ? size_t{64} << 20 : size_t{1} << 20;
  const size_t k = std::max<size_t>(1, budget / std::max<size_t>(1, RowBytes));
  return static_cast<int32_t>(std::min<size_t>(k, static_cast<size_t>(Rows)));
}

template <int Bpp>
void TurnStripBytes(const uint8_t* Src, uint8_t* Strip, size_t StripRowBytes, int32_t K, int32_t R0, int32_t W,
                    int32_t Col, bool CounterClockwise) {
  uint8_t* d = Strip + static_cast<size_t>(Col) * Bpp;
  if (CounterClockwise) {
    const uint8_t* s = Src + static_cast<ptrdiff_t>(W - 1 - R0) * Bpp;
    for (int32_t j = 0; j < K; ++j, d += StripRowBytes, s -= Bpp) CopyPixel<Bpp>(d, s);
  } else {
    const uint8_t* s = Src + static_cast<ptrdiff_t>(R0) * Bpp;
    for (int32_t j = 0; j < K; ++j, d += StripRowBytes, s += Bpp) CopyPixel<Bpp>(d, s);
  }
}

// Hands the rows of Source turned by Turns counter-clockwise quarter turns
// (0..3), each row mirrored left-right when Mirror, to Sink(Row, Data) in
// order 0, 1, ... Data holds the row's pixels (bytes of 1-bit rows), valid
// during the call. Quarter turns gather strips of result rows from one pass
// over the source rows, so no source row is held twice and the source may be
// a file image.
template <class Sink>
void ForEachTurnedRow(TIEBitmap* Source, int32_t Turns, bool Mirror, Sink&& sink) {
  const int32_t w = Source->Width(), h = Source->Height();
  const int32_t bpp = PixelBytes(Source->PixelFormat());
  const bool bits = Source->PixelFormat() == TIEPixelFormat::ie1g;
  TIEAccessScope scope(Source, kIEReadOnly);
  Turns &= 3;
  if (Turns == 0 || Turns == 2) {
    const size_t len = bits ? static_cast<size_t>((w + 7) / 8) : static_cast<size_t>(w) * static_cast<size_t>(bpp);
    std::vector<uint8_t> line(len + 1);
    // A half turn reverses the rows and mirrors each; a mirror undoes that.
    const bool reverse = (Turns == 2) != Mirror;
    for (int32_t r = 0; r < h; ++r) {
      std::memcpy(line.data(), Source->ScanLine(Turns == 2 ? h - 1 - r : r), len);
      if (reverse) {
        if (bits)
          ReverseBits(line.data(), w);
        else
          ReversePixels(line.data(), w, bpp);
      }
      sink(r, line.data());
    }
    Source->FreeRowBuffers();
    return;
  }
  // Result: h wide, w high. Counter-clockwise, result row r is source column
  // w - 1 - r read top-down; clockwise, source column r read bottom-up.
  const bool ccw = Turns == 1;
  const int32_t dw = h, dh = w;
  const size_t rowBytes = bits ? static_cast<size_t>((dw + 7) / 8) : static_cast<size_t>(dw) * static_cast<size_t>(bpp);
  const int32_t k = StripRows(Source, rowBytes, dh);
  std::unique_ptr<uint8_t[]> strip = NewBytes(rowBytes * static_cast<size_t>(k));
  // Source row y lands in result column y (counter-clockwise) or h - 1 - y
  // (clockwise); a mirror exchanges the two.
  const bool colFromBottom = !ccw != Mirror;
  for (int32_t r0 = 0; r0 < dh; r0 += k) {
    const int32_t kk = std::min(k, dh - r0);
    if (bits) std::memset(strip.get(), 0, rowBytes * static_cast<size_t>(kk));
    for (int32_t y = 0; y < h; ++y) {
      const auto* src = static_cast<const uint8_t*>(Source->ScanLine(y));
      const int32_t col = colFromBottom ? h - 1 - y : y;
      if (bits) {
        const auto colMask = static_cast<uint8_t>(0x80u >> (col & 7));
        uint8_t* d = strip.get() + (col >> 3);
        for (int32_t j = 0; j < kk; ++j, d += rowBytes) {
          const int32_t x = ccw ? w - 1 - (r0 + j) : r0 + j;
          if (src[x >> 3] & (0x80u >> (x & 7))) *d |= colMask;
        }
        continue;
      }
      switch (bpp) {
        case 1: TurnStripBytes<1>(src, strip.get(), rowBytes, kk, r0, w, col, ccw); break;
        case 2: TurnStripBytes<2>(src, strip.get(), rowBytes, kk, r0, w, col, ccw); break;
        case 3: TurnStripBytes<3>(src, strip.get(), rowBytes, kk, r0, w, col, ccw); break;
        case 4: TurnStripBytes<4>(src, strip.get(), rowBytes, kk, r0, w, col, ccw); break;
        case 6: TurnStripBytes<6>(src, strip.get(), rowBytes, kk, r0, w, col, ccw); break;
        default: break;
      }
    }
    for (int32_t j = 0; j < kk; ++j) sink(r0 + j, strip.get() + rowBytes * static_cast<size_t>(j));
  }
  Source->FreeRowBuffers();
}

// Dest := Source turned (see ForEachTurnedRow), in Source's format and palette.
void TurnInto(TIEBitmap* Source, TIEBitmap* Dest, int32_t Turns, bool Mirror) {
  if (!Source || !Dest || Source == Dest) return;
  const TIEPixelFormat pf = Source->PixelFormat();
  const int32_t w = Source->Width(), h = Source->Height();
  const bool odd = (Turns & 1) != 0;
  Dest->Allocate(odd ? h : w, odd ? w : h, pf);
  if (Source->IsEmpty() || Dest->IsEmpty()) return;
  CopyPalette(Source, Dest);
  const int32_t dw = Dest->Width();
  const size_t len = pf == TIEPixelFormat::ie1g ? static_cast<size_t>((dw + 7) / 8)
                                                : static_cast<size_t>(dw) * static_cast<size_t>(PixelBytes(pf));
  TRowWriter out(Dest);
  ForEachTurnedRow(Source, Turns, Mirror, [&](int32_t r, const uint8_t* data) { std::memcpy(out.Row(r), data, len); });
}

// The bitmap's pixels turned in place (its alpha channel is dropped).
void TurnPixels(TIEBitmap* Bitmap, int32_t Turns, bool Mirror) {
  if (Bitmap->IsEmpty() || ((Turns & 3) == 0 && !Mirror)) return;
  auto result = NewLike(Bitmap);
  TurnInto(Bitmap, result.get(), Turns, Mirror);
  ReplacePixels(Bitmap, result.get());
}

// The bitmap and its alpha channel turned together.
void TurnWithAlpha(TIEBitmap* Bitmap, int32_t Turns, bool Mirror) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  std::unique_ptr<TIEBitmap> alpha;
  if (Bitmap->HasAlphaChannel()) {
    alpha = std::make_unique<TIEBitmap>();
    TurnInto(Bitmap->AlphaChannel(), alpha.get(), Turns, Mirror);
    alpha->SyncFull();
  }
  TurnPixels(Bitmap, Turns, Mirror);
  if (alpha) Bitmap->AlphaChannel()->Assign(alpha.get());
}

// ---- Three shears -------------------------------------------------------------------------

// rnd(S / 4096) limited to 0..255, for S = a * C + b * D + 2048: the exact
// value of the real division, rounded with ties to even.
inline uint8_t MixRound(int32_t S) {
  int32_t q = S >> 12;  // floor
  const int32_t r = S & 4095;
  if (r > 2048 || (r == 2048 && (q & 1) != 0)) ++q;
  return static_cast<uint8_t>(q < 0 ? 0 : (q > 255 ? 255 : q));
}

template <int Ch>
inline void Mix(uint8_t* Dst, const uint8_t* Prev, const uint8_t* Cur, int32_t C, int32_t D) {
  for (int i = 0; i < Ch; ++i) Dst[i] = MixRound(Prev[i] * C + Cur[i] * D + 2048);
}

template <int Ch>
void FillPixels(uint8_t* Dst, size_t N, const uint8_t* Pixel) {
  if (Ch == 1) {
    std::memset(Dst, Pixel[0], N);
    return;
  }
  for (size_t i = 0; i < N; ++i, Dst += Ch) std::memcpy(Dst, Pixel, Ch);
}

// One sheared line: Count source pixels placed from Offset into Line (Len
// pixels, already background). With anti-aliasing every pixel is mixed with
// its predecessor (weight C) and the pixel after the run with the background.
template <int Ch>
void ShearLine(uint8_t* Line, int32_t Len, const uint8_t* Src, int32_t Count, int32_t Offset, bool AntiAlias, int32_t C,
               const uint8_t* Bg) {
  if (!AntiAlias) {
    const int32_t from = std::max(0, -Offset), to = std::min(Count, Len - Offset);
    if (to > from)
      std::memcpy(Line + static_cast<ptrdiff_t>(Offset + from) * Ch, Src + static_cast<ptrdiff_t>(from) * Ch,
                  static_cast<size_t>(to - from) * Ch);
    return;
  }
  const int32_t D = 4096 - C;
  const uint8_t* prev = Bg;
  for (int32_t i = 0; i < Count; ++i) {
    const int32_t at = Offset + i;
    const uint8_t* cur = Src + static_cast<ptrdiff_t>(i) * Ch;
    if (at >= 0 && at < Len) {
      Mix<Ch>(Line + static_cast<ptrdiff_t>(at) * Ch, prev, cur, C, D);
      prev = cur;
    }
  }
  const int32_t tail = Offset + Count;
  if (C > 0 && tail >= 0 && tail < Len) Mix<Ch>(Line + static_cast<ptrdiff_t>(tail) * Ch, prev, Bg, C, D);
}

void Report(const TIEProgressEvent& OnProgress, TObject* Sender, double Percent) {
  if (OnProgress) IEDoProgress(OnProgress, Sender, TruncToInt32(Percent));
}

// Three-shear rotation of Ch-byte pixels (3: ie24RGB, 1: ie8g/ie8p).
template <int Ch>
void ShearRotate(TIEBitmap* Bitmap, bool AntiAlias, const uint8_t* Bg, TObject* Sender,
                 const TIEProgressEvent& OnProgress, double Angle) {
  if (Angle == 0 || !std::isfinite(Angle) || Bitmap->IsEmpty()) return;
  // The angle to a thousandth of a degree, toward zero, keeping its sign.
  double c = std::fmod(std::trunc(Angle * 1000), 360000.0) / 1000;
  int32_t turns = 0;
  while (c > 45) {
    c -= 90;
    ++turns;
  }
  while (c < -45) {
    c += 90;
    --turns;
  }
  turns &= 3;
  if (c == 0) {
    TurnPixels(Bitmap, turns, false);
    return;
  }
  const bool odd = (turns & 1) != 0;
  const int32_t W = odd ? Bitmap->Height() : Bitmap->Width();
  const int32_t H = odd ? Bitmap->Width() : Bitmap->Height();
  const double q = c * std::numbers::pi / 180;
  const double T = std::fabs(std::sin(q / 2) / std::cos(q / 2));
  const double S = std::fabs(std::sin(q));
  const int32_t m = Rnd(H * T + W + 1);
  const int32_t h = Rnd((m - W) * S);
  const int32_t o = Rnd(m * S + H + 1);
  const int32_t t = Rnd((o - H - h) * T);
  const int32_t H2 = std::max(1, o - 2 * h);
  const int32_t W2 = std::max(1, Rnd(H2 * T + m + 1 - 2 * t));
  const double P = 100.0 / (static_cast<double>(H) + m + H2);
  const bool positive = q > 0;
  const size_t mRow = static_cast<size_t>(m) * Ch;

  // Shear 1: the rows of the (turned) image into buffer 1, m pixels each.
  std::unique_ptr<uint8_t[]> buf1 = NewBytes(mRow * static_cast<size_t>(H));
  ForEachTurnedRow(Bitmap, turns, false, [&](int32_t A, const uint8_t* row) {
    const double x = positive ? A * T : (H - A) * T;
    const int32_t n = Rnd(x);
    uint8_t* line = buf1.get() + mRow * static_cast<size_t>(A);
    FillPixels<Ch>(line, static_cast<size_t>(m), Bg);
    ShearLine<Ch>(line, m, row, W, n, AntiAlias, TruncToInt32((x - n) * 4096), Bg);
    Report(OnProgress, Sender, A * P);
  });

  // Shear 2: column J of buffer 1 moves down by B[J] into buffer 2 (m x H2).
  // Walked row by row with the per-column state kept in arrays, which gives
  // the column-wise result while reading and writing along rows.
  std::unique_ptr<uint8_t[]> buf2 = NewBytes(mRow * static_cast<size_t>(H2));
  FillPixels<Ch>(buf2.get(), static_cast<size_t>(m) * static_cast<size_t>(H2), Bg);
  std::vector<int32_t> B(static_cast<size_t>(m)), CC(static_cast<size_t>(m));
  std::vector<const uint8_t*> prev(static_cast<size_t>(m), Bg);
  for (int32_t J = 0; J < m; ++J) {
    const double x = positive ? (m - J) * S : J * S;
    const int32_t N = Rnd(x);
    CC[static_cast<size_t>(J)] = Rnd((x - N) * 4096);
    B[static_cast<size_t>(J)] = N - h;
  }
  for (int32_t A = 0; A < H; ++A) {
    const uint8_t* src = buf1.get() + mRow * static_cast<size_t>(A);
    for (int32_t J = 0; J < m; ++J) {
      const int32_t row = A + B[static_cast<size_t>(J)];
      if (row < 0 || row >= H2) continue;
      uint8_t* dst = buf2.get() + mRow * static_cast<size_t>(row) + static_cast<size_t>(J) * Ch;
      const uint8_t* cur = src + static_cast<size_t>(J) * Ch;
      if (AntiAlias) {
        const int32_t C = CC[static_cast<size_t>(J)];
        Mix<Ch>(dst, prev[static_cast<size_t>(J)], cur, C, 4096 - C);
        prev[static_cast<size_t>(J)] = cur;
      } else {
        std::memcpy(dst, cur, Ch);
      }
    }
    Report(OnProgress, Sender, (H + static_cast<double>(A + 1) * m / H - 1) * P);
  }
  if (AntiAlias) {
    for (int32_t J = 0; J < m; ++J) {
      const int32_t C = CC[static_cast<size_t>(J)], row = B[static_cast<size_t>(J)] + H;
      if (C > 0 && row >= 0 && row < H2)
        Mix<Ch>(buf2.get() + mRow * static_cast<size_t>(row) + static_cast<size_t>(J) * Ch,
                prev[static_cast<size_t>(J)], Bg, C, 4096 - C);
    }
  }
  buf1.reset();

  // Shear 3: the rows of buffer 2 into the image, now W2 x H2.
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  TRGB palette[256];
  const int32_t palLen = Bitmap->PaletteLength();
  for (int32_t i = 0; i < palLen && i < 256; ++i) Bitmap->GetPaletteColor(i, palette[i]);
  Bitmap->Allocate(W2, H2, pf);
  for (int32_t i = 0; i < palLen && i < Bitmap->PaletteLength(); ++i) Bitmap->SetPaletteColor(i, palette[i]);
  TRowWriter out(Bitmap);
  for (int32_t A = 0; A < H2; ++A) {
    const double x = positive ? A * T : (H2 - A) * T;
    const int32_t p = Rnd(x);
    uint8_t* line = out.Row(A);
    FillPixels<Ch>(line, static_cast<size_t>(W2), Bg);
    ShearLine<Ch>(line, W2, buf2.get() + mRow * static_cast<size_t>(A), m, p - t, AntiAlias, Rnd((x - p) * 4096), Bg);
    Report(OnProgress, Sender, (H + m + A) * P);
  }
  Report(OnProgress, Sender, 100);
}

// ---- Nearest-neighbour rotation --------------------------------------------------------

template <int Bpp>
void NearestRows(const TRandomRows& Src, int32_t W, int32_t H, TRowWriter& Out, int32_t NW, int32_t NH,
                 const int32_t* Dx, const int32_t* Dy, double Sn, double Cs, double Cx, double Cy, double Ncy,
                 const uint8_t* Fill) {
  for (int32_t r = 0; r < NH; ++r) {
    const int32_t bx = TruncToInt32((r - Ncy) * Sn + Cx), by = TruncToInt32((r - Ncy) * Cs + Cy);
    uint8_t* d = Out.Row(r);
    for (int32_t k = 0; k < NW; ++k, d += Bpp) {
      const int32_t sx = bx + Dx[k], sy = by + Dy[k];
      if (static_cast<uint32_t>(sx) < static_cast<uint32_t>(W) && static_cast<uint32_t>(sy) < static_cast<uint32_t>(H))
        CopyPixel<Bpp>(d, Src[sy] + static_cast<ptrdiff_t>(sx) * Bpp);
      else
        CopyPixel<Bpp>(d, Fill);
    }
  }
}

// The nearest-neighbour geometry shared by the 1-bit and byte routines.
// FillPixel is one pixel of the format (for ie1g its first byte is FillBit).
void NearestRotate(TIEBitmap* Bitmap, const uint8_t* FillPixel, const TIECodecProgress* Progress, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || !std::isfinite(Angle)) return;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  const bool bits = pf == TIEPixelFormat::ie1g;
  const int32_t bpp = PixelBytes(pf);
  if (!bits && bpp == 0) return;
  if (Angle == 90) return TurnPixels(Bitmap, 1, false);
  if (Angle == -90 || Angle == 270) return TurnPixels(Bitmap, 3, false);
  if (Angle == 180 || Angle == -180) return TurnPixels(Bitmap, 2, false);

  const int32_t W = Bitmap->Width(), H = Bitmap->Height();
  const double b = -Angle / 57.295779513082320877;
  const double cs = std::trunc(std::cos(b) * 10000) / 10000;
  const double sn = std::trunc(std::sin(b) * 10000) / 10000;
  // At least one pixel: a truncated size of 0 would lose the picture.
  const int32_t NW = std::max(1, TruncToInt32(std::fabs(W * cs) + std::fabs(H * sn)));
  const int32_t NH = std::max(1, TruncToInt32(std::fabs(W * sn) + std::fabs(H * cs)));
  const double cx = W / 2.0 - 0.5, cy = H / 2.0 - 0.5, ncx = NW / 2.0 - 0.5, ncy = NH / 2.0 - 0.5;
  std::vector<int32_t> dx(static_cast<size_t>(NW)), dy(static_cast<size_t>(NW));
  for (int32_t k = 0; k < NW; ++k) {
    dx[static_cast<size_t>(k)] = TruncToInt32(cs * (k - ncx));
    dy[static_cast<size_t>(k)] = TruncToInt32(-sn * (k - ncx));
  }
  auto result = NewLike(Bitmap);
  result->Allocate(NW, NH, pf);
  CopyPalette(Bitmap, result.get());
  {
    const TRandomRows src(Bitmap);
    TRowWriter out(result.get());
    if (bits) {
      const bool fill = FillPixel[0] == 1;
      const size_t len = static_cast<size_t>(result->RowLen());
      for (int32_t r = 0; r < NH; ++r) {
        const int32_t bx = TruncToInt32((r - ncy) * sn + cx), by = TruncToInt32((r - ncy) * cs + cy);
        uint8_t* d = out.Row(r);
        std::memset(d, 0, len);
        for (int32_t k = 0; k < NW; ++k) {
          const int32_t sx = bx + dx[static_cast<size_t>(k)], sy = by + dy[static_cast<size_t>(k)];
          bool set;
          if (static_cast<uint32_t>(sx) < static_cast<uint32_t>(W) &&
              static_cast<uint32_t>(sy) < static_cast<uint32_t>(H))
            set = (src[sy][sx >> 3] & (0x80u >> (sx & 7))) != 0;
          else
            set = fill;
          if (set) d[k >> 3] = static_cast<uint8_t>(d[k >> 3] | (0x80u >> (k & 7)));
        }
        if (Progress) IEDoProgress(*Progress, static_cast<int64_t>(r) * 100 / NH);
      }
    } else {
      switch (bpp) {
        case 1: NearestRows<1>(src, W, H, out, NW, NH, dx.data(), dy.data(), sn, cs, cx, cy, ncy, FillPixel); break;
        case 2: NearestRows<2>(src, W, H, out, NW, NH, dx.data(), dy.data(), sn, cs, cx, cy, ncy, FillPixel); break;
        case 3: NearestRows<3>(src, W, H, out, NW, NH, dx.data(), dy.data(), sn, cs, cx, cy, ncy, FillPixel); break;
        case 4: NearestRows<4>(src, W, H, out, NW, NH, dx.data(), dy.data(), sn, cs, cx, cy, ncy, FillPixel); break;
        case 6: NearestRows<6>(src, W, H, out, NW, NH, dx.data(), dy.data(), sn, cs, cx, cy, ncy, FillPixel); break;
        default: break;
      }
    }
  }
  ReplacePixels(Bitmap, result.get());
}

// One pixel of Colour in a byte-aligned format (gray formats take its gray).
void PixelOfColour(TIEPixelFormat Format, const TRGB& Colour, uint8_t* Out) {
  const int32_t gray = IEGray8(Colour.r, Colour.g, Colour.b);
  switch (Format) {
    case TIEPixelFormat::ie8g:
    case TIEPixelFormat::ie8p: Out[0] = static_cast<uint8_t>(gray); break;
    case TIEPixelFormat::ie16g: {
      const uint16_t v = IEWiden8To16(static_cast<uint8_t>(gray));
      std::memcpy(Out, &v, 2);
      break;
    }
    case TIEPixelFormat::ie24RGB: std::memcpy(Out, &Colour, 3); break;
    case TIEPixelFormat::ie32f: {
      const float v = static_cast<float>(gray / 255.0);
      std::memcpy(Out, &v, 4);
      break;
    }
    case TIEPixelFormat::ieCMYK: {
      const TCMYK v = IERGBToCMYK(Colour);
      std::memcpy(Out, &v, 4);
      break;
    }
    case TIEPixelFormat::ieRGB48: {
      const TRGB48 v{IEWiden8To16(Colour.r), IEWiden8To16(Colour.g), IEWiden8To16(Colour.b)};
      std::memcpy(Out, &v, 6);
      break;
    }
    default: break;
  }
}

uint8_t NearestIndexOf(TIEBitmap* Bitmap, const TRGB& Colour) {
  TRGB pal[256];
  const int32_t n = std::min(256, Bitmap->PaletteLength());
  for (int32_t i = 0; i < n; ++i) Bitmap->GetPaletteColor(i, pal[i]);
  return static_cast<uint8_t>(NearestPaletteIndex(pal, n, Colour));
}

// ---- Inverse-mapping rotation ----------------------------------------------------------

template <int Ch>
void InterpolatedRotate(TIEBitmap* Bitmap, const uint8_t* Bg, uint8_t Mode, TObject* Sender,
                        const TIEProgressEvent& OnProgress, double Angle) {
  // The picture is read as if framed by 3 pixels of background; the frame
  // is not built, every sample outside the picture is the background.
  const int32_t w0 = Bitmap->Width(), h0 = Bitmap->Height();
  const int32_t W = w0 + 6, H = h0 + 6;
  const double a = Angle * std::numbers::pi / 180, sa = std::sin(a), ca = std::cos(a);
  const int32_t NW = Rnd(std::fabs(sa * (H - 1)) + std::fabs(ca * (W - 1)));
  const int32_t NH = Rnd(std::fabs(ca * (H - 1)) + std::fabs(sa * (W - 1)));
  const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0, ncx = (NW - 1) / 2.0, ncy = (NH - 1) / 2.0;
  // The result without its own 3-pixel frame.
  const int32_t OW = std::max(1, NW - 6), OH = std::max(1, NH - 6);
  auto result = NewLike(Bitmap);
  result->Allocate(OW, OH, Bitmap->PixelFormat());
  CopyPalette(Bitmap, result.get());
  {
    const TRandomRows src(Bitmap);
    TRowWriter out(result.get());
    // Pixel (x, y) of the padded picture.
    auto at = [&](int32_t x, int32_t y) -> const uint8_t* {
      x -= 3;
      y -= 3;
      if (static_cast<uint32_t>(x) < static_cast<uint32_t>(w0) && static_cast<uint32_t>(y) < static_cast<uint32_t>(h0))
        return src[y] + static_cast<ptrdiff_t>(x) * Ch;
      return Bg;
    };
    for (int32_t oj = 0; oj < OH; ++oj) {
      const int32_t j = oj + 3;
      uint8_t* d = out.Row(oj);
      for (int32_t oi = 0; oi < OW; ++oi, d += Ch) {
        const int32_t i = oi + 3;
        const double sx = (i - ncx) * ca - (j - ncy) * sa + cx;
        const double sy = (i - ncx) * sa + (j - ncy) * ca + cy;
        const int32_t x0 = TruncToInt32(sx), y0 = TruncToInt32(sy);
        if (Mode == 1) {
          const double fx = sx - std::floor(sx), fy = sy - std::floor(sy);
          const uint8_t *p00 = at(x0, y0), *p10 = at(x0 + 1, y0), *p01 = at(x0, y0 + 1), *p11 = at(x0 + 1, y0 + 1);
          for (int c = 0; c < Ch; ++c) {
            const double top = p00[c] + (p10[c] - p00[c]) * fx;
            const double bottom = p01[c] + (p11[c] - p01[c]) * fx;
            d[c] = static_cast<uint8_t>(ClampByte(TruncToInt32(top + (bottom - top) * fy)));
          }
        } else {
          const double fx = sx - x0, fy = sy - y0;
          const double wx[4] = {-fx * (1 - fx) * (1 - fx), 1 - 2 * fx * fx + fx * fx * fx, fx * (1 + fx - fx * fx),
                                fx * fx * (fx - 1)};
          const double wy[4] = {-fy * (1 - fy) * (1 - fy), 1 - 2 * fy * fy + fy * fy * fy, fy * (1 + fy - fy * fy),
                                fy * fy * (fy - 1)};
          double sum[Ch] = {};
          for (int32_t v = 0; v < 4; ++v) {
            double rowSum[Ch] = {};
            for (int32_t u = 0; u < 4; ++u) {
              const uint8_t* p = at(x0 - 1 + u, y0 - 1 + v);
              for (int c = 0; c < Ch; ++c) rowSum[c] += wx[u] * p[c];
            }
            for (int c = 0; c < Ch; ++c) sum[c] += wy[v] * rowSum[c];
          }
          // Over- and undershoots are limited (a dark undershoot stays dark).
          // The weights sum to 1 only up to rounding: a uniform area must not
          // lose a level to truncation (255 -> 254).
          for (int c = 0; c < Ch; ++c) d[c] = static_cast<uint8_t>(ClampByte(TruncToInt32(sum[c] + 1e-6)));
        }
      }
      Report(OnProgress, Sender, static_cast<double>(j) * 100 / NH);
    }
  }
  ReplacePixels(Bitmap, result.get());
}

}  // namespace

// ---- Public routines -------------------------------------------------------------------

double IEBackgroundFillValue(TIEBitmap* Bitmap, TColor Colour) {
  const TRGB c = ColorToTRGB(Colour);
  const int32_t gray = IEGray8(c.r, c.g, c.b);
  switch (Bitmap->PixelFormat()) {
    case TIEPixelFormat::ie1g: return c.r != 0 && c.g != 0 && c.b != 0 ? 1 : 0;
    case TIEPixelFormat::ie8p: return NearestIndexOf(Bitmap, c);
    case TIEPixelFormat::ie8g: return gray;
    case TIEPixelFormat::ie16g: return IEWiden8To16(static_cast<uint8_t>(gray));
    case TIEPixelFormat::ie32f: return gray / 255.0;
    default:
      // Colour formats take a TColor; system colours resolved.
      return static_cast<double>(static_cast<uint32_t>(c.r) | static_cast<uint32_t>(c.g) << 8 |
                                 static_cast<uint32_t>(c.b) << 16);
  }
}

void IETakeBitmap(TIEBitmap* Target, TIEBitmap* Source) {
  if (!Target || !Source || Target == Source) return;
  const bool plain = Target->Location() != TIELocation::ieTBitmap && !Target->MemoryExternal() &&
                     Source->Location() != TIELocation::ieTBitmap && !Source->MemoryExternal() &&
                     Target->IsAlphaChannel() == Source->IsAlphaChannel();
  if (plain)
    Source->MoveTo(Target);
  else
    Target->Assign(Source);
}

void RotateBitmap24(TIEBitmap* Bitmap, bool AntiAlias, TObject* Sender, const TIEProgressEvent& OnProgress,
                    const TRGB& Background, double Angle) {
  if (!Bitmap || Angle == 0 || Bitmap->IsEmpty()) return;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  switch (pf) {
    case TIEPixelFormat::ie24RGB:
      ShearRotate<3>(Bitmap, AntiAlias, reinterpret_cast<const uint8_t*>(&Background), Sender, OnProgress, Angle);
      break;
    case TIEPixelFormat::ie1g: {
      TIECodecProgress progress;
      progress.Event = OnProgress;
      progress.Sender = Sender;
      RotateBitmap1Bit(Bitmap, Background.r != 0 && Background.g != 0 && Background.b != 0 ? 1 : 0, progress, Angle);
      break;
    }
    case TIEPixelFormat::ie8g:
      RotateBitmap8(Bitmap, AntiAlias, static_cast<uint8_t>(IEGray8(Background.r, Background.g, Background.b)), Sender,
                    OnProgress, Angle);
      break;
    case TIEPixelFormat::ie8p:
      // Mixing palette indexes would give unrelated colours.
      RotateBitmap8(Bitmap, false, NearestIndexOf(Bitmap, Background), Sender, OnProgress, Angle);
      break;
    case TIEPixelFormat::ie16g:
    case TIEPixelFormat::ie32f:
    case TIEPixelFormat::ieCMYK:
    case TIEPixelFormat::ieRGB48: {
      uint8_t fill[8] = {};
      PixelOfColour(pf, Background, fill);
      RotateBitmapNearest(Bitmap, fill, Angle);
      break;
    }
    default: break;
  }
}

void RotateBitmap8(TIEBitmap* Bitmap, bool AntiAlias, uint8_t Fill, TObject* Sender, const TIEProgressEvent& OnProgress,
                   double Angle) {
  if (!Bitmap) return;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf != TIEPixelFormat::ie8g && pf != TIEPixelFormat::ie8p) return;
  ShearRotate<1>(Bitmap, AntiAlias, &Fill, Sender, OnProgress, Angle);
}

void RotateBitmap1Bit(TIEBitmap* Bitmap, int32_t FillBit, const TIECodecProgress& Progress, double Angle) {
  if (!Bitmap || Bitmap->PixelFormat() != TIEPixelFormat::ie1g) return;
  const uint8_t fill = FillBit == 1 ? 1 : 0;
  NearestRotate(Bitmap, &fill, &Progress, Angle);
}

void RotateBitmap8Nearest(TIEBitmap* Bitmap, uint8_t Fill, double Angle) {
  if (!Bitmap || PixelBytes(Bitmap->PixelFormat()) != 1) return;
  NearestRotate(Bitmap, &Fill, nullptr, Angle);
}

void RotateBitmapNearest(TIEBitmap* Bitmap, const uint8_t* FillPixel, double Angle) {
  if (!Bitmap || !FillPixel) return;
  NearestRotate(Bitmap, FillPixel, nullptr, Angle);
}

void RotateInterpolated24(TIEBitmap* Bitmap, TColor Background, uint8_t Mode, TObject* Sender,
                          const TIEProgressEvent& OnProgress, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || !std::isfinite(Angle)) return;
  const TRGB bg = ColorToTRGB(Background);
  if (Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || (Mode != 1 && Mode != 2)) {
    RotateBitmap24(Bitmap, true, Sender, OnProgress, bg, Angle);
    return;
  }
  InterpolatedRotate<3>(Bitmap, reinterpret_cast<const uint8_t*>(&bg), Mode, Sender, OnProgress, Angle);
}

void RotateInterpolated8(TIEBitmap* Bitmap, uint8_t Fill, uint8_t Mode, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || !std::isfinite(Angle) || PixelBytes(Bitmap->PixelFormat()) != 1) return;
  if (Mode != 1 && Mode != 2) {
    RotateBitmap8(Bitmap, true, Fill, nullptr, TIEProgressEvent(), Angle);
    return;
  }
  InterpolatedRotate<1>(Bitmap, &Fill, Mode, nullptr, TIEProgressEvent(), Angle);
}

void Rotate90Clockwise24(TIEBitmap* Source, TIEBitmap* Dest) { TurnInto(Source, Dest, 3, false); }
void Rotate90CounterClockwise24(TIEBitmap* Source, TIEBitmap* Dest) { TurnInto(Source, Dest, 1, false); }
void Rotate90Clockwise8(TIEBitmap* Source, TIEBitmap* Dest) { TurnInto(Source, Dest, 3, false); }
void Rotate90CounterClockwise8(TIEBitmap* Source, TIEBitmap* Dest) { TurnInto(Source, Dest, 1, false); }

bool IsMultipleOf90(double Angle) {
  return std::isfinite(Angle) && std::trunc(Angle) == Angle && std::fmod(Angle, 90.0) == 0;
}

namespace {

void FlipPixels(TIEBitmap* Bitmap, int32_t Direction) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const size_t len = static_cast<size_t>(Bitmap->RowLen());
  if (Direction == 1) {
    std::vector<uint8_t> a(len), b(len);
    for (int32_t i = 0, j = h - 1; i < j; ++i, --j) {
      // Row buffers of a file image live until the next ScanLine: copy out first.
      std::memcpy(a.data(), Bitmap->ScanLine(i), len);
      auto* rj = static_cast<uint8_t*>(Bitmap->ScanLine(j));
      std::memcpy(b.data(), rj, len);
      std::memcpy(rj, a.data(), len);
      std::memcpy(Bitmap->ScanLine(i), b.data(), len);
    }
  } else if (Direction == 0) {
    const TIEPixelFormat pf = Bitmap->PixelFormat();
    const int32_t bpp = PixelBytes(pf);
    if (pf != TIEPixelFormat::ie1g && bpp == 0) return;
    for (int32_t y = 0; y < h; ++y) {
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
      if (pf == TIEPixelFormat::ie1g)
        ReverseBits(row, w);
      else
        ReversePixels(row, w, bpp);
    }
  }
  Bitmap->FreeRowBuffers();
}

}  // namespace

void FlipBitmap(TIEBitmap* Bitmap, int32_t Direction) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  FlipPixels(Bitmap, Direction);
  if (Bitmap->HasAlphaChannel() && !Bitmap->AlphaChannel()->IsEmpty()) FlipPixels(Bitmap->AlphaChannel(), Direction);
}

void IEApplyOrientation(TIEBitmap* Bitmap, int32_t Orientation) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  switch (Orientation) {
    case 2: FlipBitmap(Bitmap, 0); break;
    case 3:
      FlipBitmap(Bitmap, 1);
      FlipBitmap(Bitmap, 0);
      break;
    case 4: FlipBitmap(Bitmap, 1); break;
    case 5:  // transpose
      TurnWithAlpha(Bitmap, 3, true);
      break;
    case 6:  // clockwise
      TurnWithAlpha(Bitmap, 3, false);
      break;
    case 7:  // transverse
      TurnWithAlpha(Bitmap, 1, true);
      break;
    case 8:  // counter-clockwise
      TurnWithAlpha(Bitmap, 1, false);
      break;
    default: break;
  }
}
