// Filters, soft shadows and rounded corners.
#include "imaging/model/processing/iefilters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/iesmallroutines.h"
#include "imaging/model/processing/imgproc.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"

const std::array<TIEFilterKernel, IEFilterPresetCount> IEFilterPresets{{
    {{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}, 0},
    {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 9},
    {{{1, 1, 1}, {1, -8, 1}, {1, 1, 1}}, 1},
    {{{-1, 0, 1}, {-1, 1, 1}, {-1, 0, 1}}, 1},
    {{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}, 1},
    {{{-1, -1, -1}, {-1, 9, -1}, {-1, -1, -1}}, 1},
    {{{1, -2, 1}, {-2, 5, -2}, {1, -2, 1}}, 1},
    {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 10},
    {{{1, 2, 1}, {2, 4, 2}, {1, 2, 1}}, 16},
}};

const std::array<const char*, IEFilterPresetCount> IEFilterPresetNameTable{
    "None", "Blur", "Edges", "Emboss", "High Pass 1", "High Pass 2", "High Pass 3", "Low Pass 1", "Low Pass 2"};

const TStringList& IEFilterPresetNames() {
  static const TStringList* names = [] {
    auto* list = new TStringList();  // process lifetime
    for (const char* n : IEFilterPresetNameTable) list->Add(n);
    return list;
  }();
  return *names;
}

namespace {

using ie_detail::TruncToInt32;

inline int32_t Rnd(double x) { return TruncToInt32(std::nearbyint(x)); }

std::unique_ptr<uint8_t[]> NewBytes(size_t Count) {
  return TranslateOutOfMemory([&] { return std::unique_ptr<uint8_t[]>(new uint8_t[Count == 0 ? 1 : Count]); });
}

// ---- Gaussian passes ----------------------------------------------------------------------

// Filters N pixels of Ch interleaved channels of Line, which holds R repeated
// edge pixels on both sides (N + 2R pixels), into Out. The kernel is
// symmetric (its taps are functions of k squared), so each pair of taps
// takes one multiplication.
void FilterLine(const uint8_t* Line, int32_t N, int32_t Ch, const TIEGaussKernel& K, int32_t* Acc, uint8_t* Out) {
  const int32_t r = K.HalfWidth, n = N * Ch;
  const uint8_t* centre = Line + static_cast<ptrdiff_t>(r) * Ch;
  const int32_t w0 = K.Weights[100];
  for (int32_t j = 0; j < n; ++j) Acc[j] = 32768 + w0 * centre[j];
  for (int32_t k = 1; k <= r; ++k) {
    const int32_t w = K.Weights[100 + k];
    if (w == 0) continue;
    const uint8_t* a = centre - static_cast<ptrdiff_t>(k) * Ch;
    const uint8_t* b = centre + static_cast<ptrdiff_t>(k) * Ch;
    for (int32_t j = 0; j < n; ++j) Acc[j] += w * (a[j] + b[j]);
  }
  for (int32_t j = 0; j < n; ++j) Out[j] = static_cast<uint8_t>(static_cast<uint32_t>(Acc[j]) >> 16);
}

// Both passes over the inclusive rectangle (already inside the bitmap) of Ch
// channels. Progress (when Report) as trunc(step * 100 / (H + W)) of the
// whole bitmap.
void BlurRect(TIEBitmap* Bitmap, int32_t Ch, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, const TIEGaussKernel& K,
              TObject* Sender, const TIEProgressEvent& OnProgress) {
  const int32_t n = X2 - X1 + 1, rows = Y2 - Y1 + 1, r = K.HalfWidth;
  const double P = 100.0 / (static_cast<double>(Bitmap->Height()) + Bitmap->Width());
  // Horizontal: each row through a padded line.
  {
    std::vector<uint8_t> line(static_cast<size_t>(n + 2 * r) * Ch);
    std::vector<int32_t> acc(static_cast<size_t>(n) * Ch);
    for (int32_t y = Y1; y <= Y2; ++y) {
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y)) + static_cast<ptrdiff_t>(X1) * Ch;
      std::memcpy(line.data() + static_cast<size_t>(r) * Ch, row, static_cast<size_t>(n) * Ch);
      for (int32_t i = 0; i < r; ++i) {
        std::memcpy(line.data() + static_cast<size_t>(i) * Ch, row, static_cast<size_t>(Ch));
        std::memcpy(line.data() + static_cast<size_t>(r + n + i) * Ch, row + static_cast<ptrdiff_t>(n - 1) * Ch,
                    static_cast<size_t>(Ch));
      }
      FilterLine(line.data(), n, Ch, K, acc.data(), row);
      if (OnProgress) IEDoProgress(OnProgress, Sender, TruncToInt32(y * P));
    }
  }
  // Vertical, on the result: strips of columns gathered from every row, so
  // that rows are read and written whole rather than pixel by pixel.
  const size_t budget = Bitmap->Location() == TIELocation::ieFile ? size_t{64} << 20 : size_t{4} << 20;
  const int32_t sw =
      static_cast<int32_t>(std::clamp<size_t>(budget / (static_cast<size_t>(rows) * Ch), 16, static_cast<size_t>(n)));
  std::unique_ptr<uint8_t[]> strip = NewBytes(static_cast<size_t>(sw) * Ch * static_cast<size_t>(rows));
  std::vector<int32_t> acc(static_cast<size_t>(sw) * Ch);
  std::vector<uint8_t> out(static_cast<size_t>(sw) * Ch);
  for (int32_t x0 = 0; x0 < n; x0 += sw) {
    const int32_t w = std::min(sw, n - x0);
    const size_t bytes = static_cast<size_t>(w) * Ch;
    const size_t stride = static_cast<size_t>(sw) * Ch;
    const ptrdiff_t at = static_cast<ptrdiff_t>(X1 + x0) * Ch;
    for (int32_t y = 0; y < rows; ++y)
      std::memcpy(strip.get() + stride * static_cast<size_t>(y), static_cast<uint8_t*>(Bitmap->ScanLine(Y1 + y)) + at,
                  bytes);
    for (int32_t y = 0; y < rows; ++y) {
      const uint8_t* centre = strip.get() + stride * static_cast<size_t>(y);
      const int32_t w0 = K.Weights[100];
      for (size_t j = 0; j < bytes; ++j) acc[j] = 32768 + w0 * centre[j];
      for (int32_t k = 1; k <= r; ++k) {
        const int32_t wk = K.Weights[100 + k];
        if (wk == 0) continue;
        const uint8_t* a = strip.get() + stride * static_cast<size_t>(std::max(y - k, 0));
        const uint8_t* b = strip.get() + stride * static_cast<size_t>(std::min(y + k, rows - 1));
        for (size_t j = 0; j < bytes; ++j) acc[j] += wk * (a[j] + b[j]);
      }
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(Y1 + y)) + at;
      for (size_t j = 0; j < bytes; ++j) row[j] = static_cast<uint8_t>(static_cast<uint32_t>(acc[j]) >> 16);
    }
    if (OnProgress) IEDoProgress(OnProgress, Sender, TruncToInt32((Bitmap->Height() + X1 + x0 + w - 1) * P));
  }
  Bitmap->FreeRowBuffers();
}

// The rectangle limited to the bitmap; false when nothing is left.
bool ClipInclusive(TIEBitmap* Bitmap, int32_t& X1, int32_t& Y1, int32_t& X2, int32_t& Y2) {
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, Bitmap->Width() - 1);
  Y2 = std::min(Y2, Bitmap->Height() - 1);
  return X1 <= X2 && Y1 <= Y2;
}

// The inclusive rectangle of an ie8g bitmap, copied out.
struct TSavedAlpha {
  int32_t X1 = 0, Y1 = 0, Width = 0;
  std::vector<uint8_t> Bytes;
  void Save(TIEBitmap* Alpha, int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2) {
    X1 = AX1;
    Y1 = AY1;
    Width = AX2 - AX1 + 1;
    Bytes.resize(static_cast<size_t>(Width) * static_cast<size_t>(AY2 - AY1 + 1));
    TIEAccessScope scope(Alpha, TIEDataAccess{TIEDataAccessItem::iedRead});
    for (int32_t y = AY1; y <= AY2; ++y)
      std::memcpy(Bytes.data() + static_cast<size_t>(Width) * static_cast<size_t>(y - AY1),
                  static_cast<const uint8_t*>(Alpha->ScanLine(y)) + AX1, static_cast<size_t>(Width));
    Alpha->FreeRowBuffers();
  }
  const uint8_t* Row(int32_t Y) const {
    return Bytes.data() + static_cast<size_t>(Width) * static_cast<size_t>(Y - Y1);
  }
};

// How the shadow pass treats an ie24RGB pixel.
enum class TShadowRule : uint8_t {
  Soft,        // shadow where the original alpha is 0 and the blur reached it
  Everywhere,  // shadow on every pixel
  Under100,    // shadow where the original alpha is below 100 and changed
};

// The per-pixel pass of the shadows over the inclusive rectangle. Orig holds
// the alpha before the blur; the alpha channel holds the blurred, moved one.
void ShadowPass(TIEBitmap* Bitmap, const TSavedAlpha& Orig, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                TShadowRule Rule, const TRGB& Shadow) {
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf != TIEPixelFormat::ie1g && pf != TIEPixelFormat::ie24RGB) return;
  TIEBitmap* alpha = Bitmap->AlphaChannel();
  for (int32_t y = Y1; y <= Y2; ++y) {
    const uint8_t* orig = Orig.Row(y);
    auto* a = static_cast<uint8_t*>(alpha->ScanLine(y));
    auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
    for (int32_t x = X1; x <= X2; ++x) {
      const uint8_t o = orig[x - Orig.X1], b = a[x];
      if (pf == TIEPixelFormat::ie1g) {
        if (o != 0 || o == b)
          a[x] = o;
        else
          row[x >> 3] = static_cast<uint8_t>(row[x >> 3] & ~(0x80u >> (x & 7)));
        continue;
      }
      bool paint;
      switch (Rule) {
        case TShadowRule::Soft: paint = o == 0 && o != b; break;
        case TShadowRule::Everywhere: paint = true; break;
        default: paint = !(o >= 100 || o == b); break;
      }
      if (paint)
        std::memcpy(row + static_cast<ptrdiff_t>(x) * 3, &Shadow, 3);
      else
        a[x] = o;
    }
  }
  alpha->FreeRowBuffers();
  Bitmap->FreeRowBuffers();
}

int32_t ShadowMargin(int32_t OffsetX, int32_t OffsetY, double Radius) {
  const int64_t m = 2 * static_cast<int64_t>(std::max(std::abs(static_cast<int64_t>(OffsetX)),
                                                      std::abs(static_cast<int64_t>(OffsetY)))) +
                    TruncToInt32(Radius * 5);
  return static_cast<int32_t>(std::clamp<int64_t>(m, 1, 2147483647));
}

int32_t RectShadow(TIEBitmap* Bitmap, int32_t OffsetX, int32_t OffsetY, TShadowRule Rule, uint8_t Gray, int32_t Left,
                   int32_t Top, int32_t Right, int32_t Bottom, double Radius) {
  const bool preset = Radius == 0;
  const int32_t margin = ShadowMargin(OffsetX, OffsetY, preset ? 2 : Radius);
  if (!Bitmap || Bitmap->IsEmpty()) return margin;
  const int32_t g = margin / 2;
  TIEBitmap* alpha = Bitmap->AlphaChannel();
  alpha->SetFull(false);
  // The pixel pass rectangle holds the blur rectangle (g <= margin).
  int32_t px1 = Left - margin, py1 = Top - margin, px2 = Right + margin, py2 = Bottom + margin;
  if (!ClipInclusive(Bitmap, px1, py1, px2, py2)) return margin;
  TSavedAlpha orig;
  orig.Save(alpha, px1, py1, px2, py2);
  int32_t bx1 = Left - g, by1 = Top - g, bx2 = Right + g, by2 = Bottom + g;
  if (ClipInclusive(Bitmap, bx1, by1, bx2, by2)) {
    if (preset)
      ApplyFilterKernelGray(alpha, IEFilterPresets[1], bx1, by1, bx2, by2);
    else
      GaussianBlurRect8(alpha, bx1, by1, bx2, by2, Radius);
    if (OffsetX != 0 || OffsetY != 0) alpha->MoveRegion(bx1, by1, bx2, by2, bx1 + OffsetX, by1 + OffsetY, 0);
  }
  ShadowPass(Bitmap, orig, px1, py1, px2, py2, Rule, MakeTRGB(Gray, Gray, Gray));
  return margin;
}

}  // namespace

void IEMakeGaussKernel(double Radius, TIEGaussKernel& Kernel) {
  double tap[201];
  double sum = 0;
  for (int32_t k = -100; k <= 100; ++k) {
    const double v = k / Radius;
    tap[100 + k] = std::exp(-(v * v) / 2);
    sum += tap[100 + k];
  }
  for (int32_t i = 0; i < 201; ++i) Kernel.Weights[i] = Rnd(tap[i] * 65536 / sum);
  int32_t r = 100;
  while (r > 1 && Kernel.Weights[100 + r] == 0 && Kernel.Weights[100 - r] == 0) --r;
  Kernel.HalfWidth = r;
}

void GaussianBlur(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress, double Radius) {
  if (!Bitmap || !(Radius > 0) || Bitmap->IsEmpty()) return;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf != TIEPixelFormat::ie8g && pf != TIEPixelFormat::ie24RGB) return;
  TIEGaussKernel k;
  IEMakeGaussKernel(Radius, k);
  BlurRect(Bitmap, pf == TIEPixelFormat::ie8g ? 1 : 3, 0, 0, Bitmap->Width() - 1, Bitmap->Height() - 1, k, Sender,
           OnProgress);
}

void GaussianBlurRect8(TIEBitmap* Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Radius) {
  if (!Bitmap || !(Radius > 0) || Bitmap->IsEmpty() || Bitmap->PixelFormat() != TIEPixelFormat::ie8g) return;
  if (!ClipInclusive(Bitmap, X1, Y1, X2, Y2)) return;
  TIEGaussKernel k;
  IEMakeGaussKernel(Radius, k);
  BlurRect(Bitmap, 1, X1, Y1, X2, Y2, k, nullptr, TIEProgressEvent());
}

void ApplyFilterKernelGray(TIEBitmap* Bitmap, const TIEFilterKernel& Kernel, int32_t X1, int32_t Y1, int32_t X2,
                           int32_t Y2) {
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->PixelFormat() != TIEPixelFormat::ie8g) return;
  if (!ClipInclusive(Bitmap, X1, Y1, X2, Y2)) return;
  const int32_t W = Bitmap->Width(), H = Bitmap->Height();
  int32_t table[9][256];
  for (int32_t i = 0; i < 9; ++i)
    for (int32_t v = 0; v < 256; ++v) table[i][v] = Kernel.Values[i / 3][i % 3] * v;
  const int32_t divisor = Kernel.Divisor == 0 ? 1 : Kernel.Divisor;
  // The rows the rectangle reads, unfiltered.
  const int32_t r1 = std::max(0, Y1 - 1), r2 = std::min(H - 1, Y2 + 1);
  TSavedAlpha src;
  src.Save(Bitmap, 0, r1, W - 1, r2);
  for (int32_t y = Y1; y <= Y2; ++y) {
    const uint8_t* up = src.Row(std::max(0, y - 1));
    const uint8_t* mid = src.Row(y);
    const uint8_t* dn = src.Row(std::min(H - 1, y + 1));
    auto* out = static_cast<uint8_t*>(Bitmap->ScanLine(y));
    for (int32_t x = X1; x <= X2; ++x) {
      const int32_t xl = std::max(0, x - 1), xr = std::min(W - 1, x + 1);
      const int32_t sum = table[0][up[xl]] + table[1][up[x]] + table[2][up[xr]] + table[3][mid[xl]] + table[4][mid[x]] +
                          table[5][mid[xr]] + table[6][dn[xl]] + table[7][dn[x]] + table[8][dn[xr]];
      out[x] = static_cast<uint8_t>(ClampByte(std::abs(sum) / divisor));
    }
  }
  Bitmap->FreeRowBuffers();
}

void ApplySharpen(TIEBitmap* Work, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Intensity,
                  int32_t NeighbourSize, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (!Work || Work->IsEmpty() || Work->PixelFormat() != TIEPixelFormat::ie24RGB) return;
  const int32_t W = Work->Width(), H = Work->Height();
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, W);
  Y2 = std::min(Y2, H);
  const int32_t r = NeighbourSize / 2;
  // No neighbours or no strength: every pixel stays as it is.
  if (X1 >= X2 || Y1 >= Y2 || r <= 0 || Intensity == 0) return;
  const double f = Intensity / 10.0;

  std::vector<const uint8_t*> rows(static_cast<size_t>(H));
  std::unique_ptr<uint8_t[]> copy;  // a file image is read from a copy
  if (Work->Location() == TIELocation::ieFile) {
    const size_t len = static_cast<size_t>(W) * 3;
    copy = NewBytes(len * static_cast<size_t>(H));
    for (int32_t y = 0; y < H; ++y) {
      std::memcpy(copy.get() + len * static_cast<size_t>(y), Work->ScanLine(y), len);
      rows[static_cast<size_t>(y)] = copy.get() + len * static_cast<size_t>(y);
    }
  } else {
    for (int32_t y = 0; y < H; ++y) rows[static_cast<size_t>(y)] = static_cast<const uint8_t*>(Work->ScanLine(y));
  }

  // colSum[x]: the sum of column x over the window's rows; prefix sums along
  // the window row and along the pixel's own row give every window at once.
  const int32_t ow = X2 - X1;
  std::unique_ptr<uint8_t[]> result = NewBytes(static_cast<size_t>(ow) * 3 * static_cast<size_t>(Y2 - Y1));
  std::vector<int64_t> colSum(static_cast<size_t>(W) * 3, 0), winPrefix((static_cast<size_t>(W) + 1) * 3),
      rowPrefix((static_cast<size_t>(W) + 1) * 3);
  int32_t top = std::max(0, Y1 - r), bottom = top - 1;  // rows summed so far
  for (int32_t y = Y1; y < Y2; ++y) {
    const int32_t y0 = std::max(0, y - r), y1 = std::min(H - 1, y + r);
    while (bottom < y1) {
      ++bottom;
      const uint8_t* s = rows[static_cast<size_t>(bottom)];
      for (int32_t i = 0; i < W * 3; ++i) colSum[static_cast<size_t>(i)] += s[i];
    }
    while (top < y0) {
      const uint8_t* s = rows[static_cast<size_t>(top)];
      for (int32_t i = 0; i < W * 3; ++i) colSum[static_cast<size_t>(i)] -= s[i];
      ++top;
    }
    const uint8_t* own = rows[static_cast<size_t>(y)];
    for (int32_t i = 0; i < W * 3; ++i) {
      winPrefix[static_cast<size_t>(i) + 3] = winPrefix[static_cast<size_t>(i)] + colSum[static_cast<size_t>(i)];
      rowPrefix[static_cast<size_t>(i) + 3] = rowPrefix[static_cast<size_t>(i)] + own[i];
    }
    const int32_t wrows = y1 - y0 + 1;
    uint8_t* d = result.get() + static_cast<size_t>(ow) * 3 * static_cast<size_t>(y - Y1);
    for (int32_t x = X1; x < X2; ++x, d += 3) {
      const int32_t x0 = std::max(0, x - r), x1 = std::min(W - 1, x + r);
      const int64_t count = static_cast<int64_t>(x1 - x0) * (wrows - 1);
      for (int32_t c = 0; c < 3; ++c) {
        const int32_t v = own[x * 3 + c];
        if (count == 0) {
          d[c] = static_cast<uint8_t>(v);
          continue;
        }
        const size_t a = static_cast<size_t>(x0) * 3 + c, b = (static_cast<size_t>(x1) + 1) * 3 + c;
        const int64_t sum =
            (winPrefix[b] - winPrefix[a]) - (rowPrefix[b] - rowPrefix[a]) - colSum[static_cast<size_t>(x) * 3 + c] + v;
        const int64_t mean = sum / count;
        d[c] = static_cast<uint8_t>(ClampByte(TruncToInt32((v - mean) * f + v)));
      }
    }
    IEProcRowProgress(Sender, OnProgress, y, Y1, Y2);
  }
  for (int32_t y = Y1; y < Y2; ++y)
    std::memcpy(static_cast<uint8_t*>(Work->ScanLine(y)) + static_cast<ptrdiff_t>(X1) * 3,
                result.get() + static_cast<size_t>(ow) * 3 * static_cast<size_t>(y - Y1), static_cast<size_t>(ow) * 3);
  Work->FreeRowBuffers();
}

void DrawSoftShadow(TIEBitmap* Bitmap, int32_t OffsetX, int32_t OffsetY, bool ShadowOnly, int32_t Lighten,
                    TObject* Sender, const TIEProgressEvent& OnProgress, const TRGB& ShadowColor, bool Enlarge,
                    double Radius) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  TIEBitmap* alpha = Bitmap->AlphaChannel();
  alpha->SetFull(false);
  if (Enlarge) {
    const int64_t m = ShadowMargin(OffsetX, OffsetY, Radius);
    const auto grow = [&](int32_t side) { return static_cast<int32_t>(std::min<int64_t>(side + m, 2147483647)); };
    Bitmap->Resize(grow(Bitmap->Width()), grow(Bitmap->Height()), 0, 0, 1, 1);
    alpha = Bitmap->AlphaChannel();
  }
  const int32_t W = Bitmap->Width(), H = Bitmap->Height();
  TSavedAlpha orig;
  orig.Save(alpha, 0, 0, W - 1, H - 1);
  GaussianBlur(alpha, Sender, OnProgress, Radius);
  if (OffsetX != 0 || OffsetY != 0) alpha->MoveRegion(0, 0, W - 1, H - 1, OffsetX, OffsetY, 0);
  const int32_t l = std::clamp(Lighten, 0, 255);
  const TRGB shadow = MakeTRGB(static_cast<uint8_t>(std::min(255, l + ShadowColor.r)),
                               static_cast<uint8_t>(std::min(255, l + ShadowColor.g)),
                               static_cast<uint8_t>(std::min(255, l + ShadowColor.b)));
  ShadowPass(Bitmap, orig, 0, 0, W - 1, H - 1, ShadowOnly ? TShadowRule::Everywhere : TShadowRule::Soft, shadow);
}

int32_t DrawRectShadowMasked(TIEBitmap* Bitmap, int32_t OffsetX, int32_t OffsetY, bool Everywhere, uint8_t Gray,
                             int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, double Radius) {
  return RectShadow(Bitmap, OffsetX, OffsetY, Everywhere ? TShadowRule::Everywhere : TShadowRule::Soft, Gray, Left, Top,
                    Right, Bottom, Radius);
}

int32_t DrawRectShadow(TIEBitmap* Bitmap, int32_t OffsetX, int32_t OffsetY, uint8_t Gray, int32_t Left, int32_t Top,
                       int32_t Right, int32_t Bottom, double Radius) {
  return RectShadow(Bitmap, OffsetX, OffsetY, TShadowRule::Under100, Gray, Left, Top, Right, Bottom, Radius);
}

void RoundBitmapCorners(TIEBitmap* Bitmap, int32_t RadiusX, int32_t RadiusY) {
  if (!Bitmap || Bitmap->IsEmpty() || RadiusX <= 0 || RadiusY <= 0) return;
  const int32_t W = Bitmap->Width(), H = Bitmap->Height();
  const int64_t n64 = static_cast<int64_t>(RadiusX) + RadiusY;
  if (n64 > 1000000) return;  // far beyond any picture's corner
  const auto n = static_cast<int32_t>(n64);
  std::vector<TPoint> pts(static_cast<size_t>(n));
  TIEBitmap* alpha = Bitmap->AlphaChannel();
  // Clears columns From..To of row Y and their mirror images W - 1 - k.
  auto clear = [&](uint8_t* row, int32_t From, int32_t To) {
    From = std::max(From, 0);
    To = std::min(To, W - 1);
    if (From > To) return;
    std::memset(row + From, 0, static_cast<size_t>(To - From + 1));
    std::memset(row + (W - 1 - To), 0, static_cast<size_t>(To - From + 1));
  };
  IEBezierPoints({0, RadiusY}, {0, 0}, {RadiusX, 0}, {RadiusX, 0}, pts.data(), n);
  for (const TPoint& p : pts) {
    if (p.X < 0) continue;
    for (int32_t y = 0; y <= std::min(p.Y, H - 1); ++y) clear(static_cast<uint8_t*>(alpha->ScanLine(y)), 0, p.X);
  }
  IEBezierPoints({W, H - RadiusY}, {W, H}, {W - RadiusX, H}, {W - RadiusX, H}, pts.data(), n);
  for (const TPoint& p : pts)
    for (int32_t y = std::max(p.Y, 0); y < H; ++y) clear(static_cast<uint8_t*>(alpha->ScanLine(y)), p.X, W - 1);
  alpha->FreeRowBuffers();
  alpha->SyncFull();
}
