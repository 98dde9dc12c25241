// The resampling dispatcher and the routines around the engines: nearest
// stretch, the per-format routing, 1-bit to gray, transparent-pixel fill.
#include "imaging/model/containers/ieresample.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/model/containers/ieresample_internal.h"
#include "imaging/model/pixels/ieaccessscope.h"
#include "platform/rtl/scopeguard.h"

using namespace ieresample_detail;

// ---- Shared pieces -----------------------------------------------------------------

namespace ieresample_detail {

namespace {
void DropRowBuffers(TIEBitmap* Bitmap) {
  if (Bitmap && Bitmap->Location() == TIELocation::ieFile) Bitmap->FreeRowBuffers();
}
}  // namespace

TAccessGuard::TAccessGuard(TIEBitmap* Source, TIEBitmap* Dest) : FSource(Source), FDest(Dest) {
  if (FSource) {
    FSourceAccess = FSource->Access();
    FSource->SetAccess(TIEDataAccess{TIEDataAccessItem::iedRead});
  }
  if (FDest) {
    FDestAccess = FDest->Access();
    FDest->SetAccess(TIEDataAccess{TIEDataAccessItem::iedWrite});
  }
}

TAccessGuard::~TAccessGuard() {
  if (FDone) return;
  try {
    DropRowBuffers(FDest);
    DropRowBuffers(FSource);
  } catch (...) {
    // Already unwinding from the engine's own failure.
  }
  if (FSource) FSource->SetAccess(FSourceAccess);
  if (FDest) FDest->SetAccess(FDestAccess);
}

void TAccessGuard::Finish() {
  if (FDone) return;
  FDone = true;
  auto cleanup = ScopeExit([&] {
    if (FSource) FSource->SetAccess(FSourceAccess);
    if (FDest) FDest->SetAccess(FDestAccess);
  });
  DropRowBuffers(FDest);  // the last row written reaches the file
  DropRowBuffers(FSource);
}

TChannelDivisor MakeChannelDivisor(int32_t WeightSum) {
  TChannelDivisor d;
  d.WeightSum = WeightSum;
  if (WeightSum > 0) {
    // ceil(2^k / w) with k = 31 + ceil(log2 w): exact for every dividend
    // below 2^31, and the product stays below 2^63.
    const uint32_t w = static_cast<uint32_t>(WeightSum);
    const uint32_t log2Ceil = w == 1 ? 0 : 32 - static_cast<uint32_t>(__builtin_clz(w - 1));
    d.Shift = 31 + log2Ceil;
    d.Multiplier = ((uint64_t(1) << d.Shift) + w - 1) / w;
  }
  return d;
}

void ExpandBits(const uint8_t* Row, int32_t Width, uint8_t* Out) {
  for (int32_t x = 0; x < Width; ++x) Out[x] = ((Row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
}

void FillRows24(TIEBitmap* Dest, TRGB Colour) {
  TAccessGuard guard(nullptr, Dest);
  const int32_t w = Dest->Width();
  for (int32_t y = 0; y < Dest->Height(); ++y) {
    auto* row = static_cast<TRGB*>(Dest->ScanLine(y));
    std::fill(row, row + w, Colour);
  }
  guard.Finish();
}

void FillRows8(TIEBitmap* Dest, uint8_t Value) {
  TAccessGuard guard(nullptr, Dest);
  for (int32_t y = 0; y < Dest->Height(); ++y)
    std::memset(Dest->ScanLine(y), Value, static_cast<size_t>(Dest->Width()));
  guard.Finish();
}

}  // namespace ieresample_detail

namespace {

bool IsKernelFilter(TResampleFilter Filter) {
  return Filter >= TResampleFilter::rfTriangle && Filter <= TResampleFilter::rfLinear;
}

bool IsProjection(TResampleFilter Filter) {
  return Filter == TResampleFilter::rfProjectBW || Filter == TResampleFilter::rfProjectWB;
}

bool Usable(TIEBitmap* Source, TIEBitmap* Dest) {
  return Source && Dest && Source != Dest && !Source->IsEmpty() && Dest->Width() > 0 && Dest->Height() > 0;
}

// Nearest copy of one row for pixels of B bytes.
template <int B>
void CopyPixels(const uint8_t* Src, uint8_t* Dst, const int32_t* Columns, int32_t DW) {
  for (int32_t i = 0; i < DW; ++i)
    std::memcpy(Dst + static_cast<ptrdiff_t>(i) * B, Src + static_cast<ptrdiff_t>(Columns[i]) * B, B);
}

void CopyBits(const uint8_t* Src, uint8_t* Dst, const int32_t* Columns, int32_t DW) {
  for (int32_t i = 0; i < DW; ++i) {
    const int32_t q = Columns[i];
    const auto bit = static_cast<uint8_t>(0x80u >> (i & 7));
    if ((Src[q >> 3] >> (7 - (q & 7))) & 1)
      Dst[i >> 3] |= bit;
    else
      Dst[i >> 3] &= static_cast<uint8_t>(~bit);
  }
}

void Resample24(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter, const TIEProgressEvent& OnProgress,
                TObject* Sender) {
  if (IsProjection(Filter)) {
    ProjectResample(Source, Dest, Filter == TResampleFilter::rfProjectWB, OnProgress, Sender);
    return;
  }
  EnsureFormat(Dest, TIEPixelFormat::ie24RGB);
  if (IsKernelFilter(Filter)) {
    // The kernel engine needs two pixels on one side; a single pixel fills
    // Dest as the nearest stretch does (instead of leaving it black).
    if (Source->Width() < 2 && Source->Height() < 2)
      StretchNearest(Source, Dest, OnProgress, Sender);
    else
      KernelResample24(Source, Dest, ResampleKernel(Filter), OnProgress, Sender);
  } else if (Filter == TResampleFilter::rfFastLinear) {
    ResampleFastLinear(Source, Dest, OnProgress, Sender);
  } else {
    ResampleAreaInterpolated(Source, Dest, Filter == TResampleFilter::rfBicubic, OnProgress, Sender);
  }
}

}  // namespace

// ---- Dispatcher ----------------------------------------------------------------------

void ResampleBitmap(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter, const TIEProgressEvent& OnProgress,
                    TObject* Sender) {
  if (!Usable(Source, Dest) || Filter > TResampleFilter::rfProjectWB) return;
  const bool hasAlpha = Source->HasAlphaChannel();
  if (hasAlpha) FillTransparentPixels(Source, MakeTRGB(128, 128, 128));
  if (Filter == TResampleFilter::rfNone)
    StretchNearest(Source, Dest, OnProgress, Sender);
  else
    ResampleFiltered(Source, Dest, Filter, OnProgress, Sender);
  if (!hasAlpha) return;
  TIEBitmap* sourceAlpha = Source->AlphaChannel();
  TIEBitmap* destAlpha = Dest->AlphaChannel();
  if (!sourceAlpha || !destAlpha) return;
  if (destAlpha->Width() != Dest->Width() || destAlpha->Height() != Dest->Height())
    destAlpha->Allocate(Dest->Width(), Dest->Height(), TIEPixelFormat::ie8g);
  if (Filter == TResampleFilter::rfNone)
    StretchNearest(sourceAlpha, destAlpha);
  else
    ResampleAlpha(sourceAlpha, destAlpha, Filter);
  destAlpha->SetFull(sourceAlpha->Full());
}

void ResampleFiltered(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter, const TIEProgressEvent& OnProgress,
                      TObject* Sender) {
  if (!Usable(Source, Dest) || Filter > TResampleFilter::rfProjectWB) return;
  if (Filter == TResampleFilter::rfNone) {
    StretchNearest(Source, Dest, OnProgress, Sender);
    return;
  }
  switch (Source->PixelFormat()) {
    case TIEPixelFormat::ie24RGB: Resample24(Source, Dest, Filter, OnProgress, Sender); break;
    case TIEPixelFormat::ie1g:
      EnsureFormat(Dest, IsProjection(Filter) ? TIEPixelFormat::ie1g : TIEPixelFormat::ie24RGB);
      Resample1Bit(Source, Dest, Filter);
      break;
    case TIEPixelFormat::ie8g:
      EnsureFormat(Dest, TIEPixelFormat::ie8g);
      ResampleAlpha(Source, Dest, Filter);
      break;
    case TIEPixelFormat::ienull: break;
    default:
      // ie8p, ie16g, ie32f, ieCMYK, ieRGB48: filtering would need another
      // engine per format; the nearest stretch keeps the picture.
      StretchNearest(Source, Dest, OnProgress, Sender);
      break;
  }
}

// ---- Nearest-neighbour stretch ----------------------------------------------------------

void StretchNearest(TIEBitmap* Source, TIEBitmap* Dest, const TIEProgressEvent& OnProgress, TObject* Sender) {
  if (!Usable(Source, Dest)) return;
  const TIEPixelFormat format = Source->PixelFormat();
  if (format == TIEPixelFormat::ienull) return;
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  EnsureFormat(Dest, format);
  if (format == TIEPixelFormat::ie8p) {
    TRGB colour;
    for (int32_t i = 0; i < Dest->PaletteLength(); ++i) {
      Source->GetPaletteColor(i, colour);
      Dest->SetPaletteColor(i, colour);
    }
  }

  std::vector<int32_t> columns(static_cast<size_t>(DW));
  const double fx = static_cast<double>(SW) / DW;
  for (int32_t i = 0; i < DW; ++i) columns[static_cast<size_t>(i)] = ClampIndex(TruncInt(fx * i), SW);
  const double fy = static_cast<double>(SH) / DH;
  const double per = 100.0 / (DH + 0.5);
  const int32_t bytes = Source->BitCount() / 8;

  TAccessGuard guard(Source, Dest);
  for (int32_t y = 0; y < DH; ++y) {
    const auto* src = static_cast<const uint8_t*>(Source->ScanLine(ClampIndex(TruncInt(fy * y), SH)));
    auto* dst = static_cast<uint8_t*>(Dest->ScanLine(y));
    switch (format == TIEPixelFormat::ie1g ? 0 : bytes) {
      case 0: CopyBits(src, dst, columns.data(), DW); break;
      case 1: CopyPixels<1>(src, dst, columns.data(), DW); break;
      case 2: CopyPixels<2>(src, dst, columns.data(), DW); break;
      case 3: CopyPixels<3>(src, dst, columns.data(), DW); break;
      case 4: CopyPixels<4>(src, dst, columns.data(), DW); break;
      case 6: CopyPixels<6>(src, dst, columns.data(), DW); break;
      default: break;
    }
    if (OnProgress) IEDoProgress(OnProgress, Sender, TruncInt(per * y));
  }
  guard.Finish();
}

// ---- 1-bit and single-channel sources ---------------------------------------------------

void Resample1Bit(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter) {
  if (!Usable(Source, Dest) || Source->PixelFormat() != TIEPixelFormat::ie1g) return;
  if (IsProjection(Filter)) {
    ProjectResample1Bit(Source, Dest, Filter == TResampleFilter::rfProjectWB);
    return;
  }
  if (Filter == TResampleFilter::rfNone || Filter > TResampleFilter::rfProjectWB) return;
  EnsureFormat(Dest, TIEPixelFormat::ie24RGB);
  if (IsKernelFilter(Filter)) {
    if (Source->Width() < 2 && Source->Height() < 2) {
      const uint8_t level = (static_cast<const uint8_t*>(Source->ScanLine(0))[0] & 0x80) ? 255 : 0;
      FillRows24(Dest, MakeTRGB(level, level, level));
    } else {
      KernelResample1Bit(Source, Dest, ResampleKernel(Filter));
    }
    return;
  }
  ResampleFastLinear1Bit(Source, Dest);
}

void ResampleAlpha(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter) {
  if (!Usable(Source, Dest) || Source->BitCount() != 8 || Filter > TResampleFilter::rfProjectWB) return;
  if (Dest->BitCount() != 8) Dest->Allocate(Dest->Width(), Dest->Height(), TIEPixelFormat::ie8g);
  if (Filter == TResampleFilter::rfNone) {
    StretchNearest(Source, Dest);
  } else if (IsKernelFilter(Filter)) {
    if (Source->Width() < 2 && Source->Height() < 2)
      FillRows8(Dest, static_cast<const uint8_t*>(Source->ScanLine(0))[0]);
    else
      KernelResample8(Source, Dest, ResampleKernel(Filter));
  } else {
    ResampleFastLinear8(Source, Dest);
  }
}

// ---- 1-bit to gray ----------------------------------------------------------------------

void Stretch1BitToGray(TIEBitmap* Source, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TIEBitmap* Dest) {
  if (!Usable(Source, Dest) || Source->PixelFormat() != TIEPixelFormat::ie1g ||
      Dest->PixelFormat() != TIEPixelFormat::ie24RGB || X2 < X1 || Y2 < Y1)
    return;
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  const double f = (static_cast<double>(X2) - X1 + 1) / DW;
  const double g = (static_cast<double>(Y2) - Y1 + 1) / DH;

  // Source column window of each destination column, clamped into the image.
  std::vector<int32_t> c1(static_cast<size_t>(DW)), c2(static_cast<size_t>(DW));
  for (int32_t c = 0; c < DW; ++c) {
    c1[static_cast<size_t>(c)] = ClampIndex(X1 + static_cast<int64_t>(f * c - f / 2), SW);
    c2[static_cast<size_t>(c)] = ClampIndex(X1 + static_cast<int64_t>(f * c + f / 2), SW);
  }
  const int32_t left = c1.front(), right = c2.back();
  // Set bits per column over the row window, then their running sums.
  std::vector<int64_t> ones(static_cast<size_t>(SW));
  std::vector<int64_t> prefix(static_cast<size_t>(SW) + 1);
  const double halfTruncG = static_cast<double>(static_cast<int64_t>(g)) / 2;

  TAccessGuard guard(Source, Dest);
  for (int32_t i = 0; i < DH; ++i) {
    const int32_t r1 = ClampIndex(Y1 + static_cast<int64_t>(g * i - g / 2), SH);
    const int32_t r2 = ClampIndex(Y1 + static_cast<int64_t>(halfTruncG + g * i), SH);
    std::fill(ones.begin() + left, ones.begin() + right + 1, 0);
    for (int32_t r = r1; r <= r2; ++r) {
      const auto* row = static_cast<const uint8_t*>(Source->ScanLine(r));
      for (int32_t x = left; x <= right; ++x) ones[static_cast<size_t>(x)] += (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
    for (int32_t x = left; x <= right; ++x)
      prefix[static_cast<size_t>(x) + 1] = prefix[static_cast<size_t>(x)] + ones[static_cast<size_t>(x)];
    const int64_t rows = r2 - r1 + 1;
    auto* out = static_cast<TRGB*>(Dest->ScanLine(i));
    for (int32_t c = 0; c < DW; ++c) {
      const int32_t a = c1[static_cast<size_t>(c)], b = c2[static_cast<size_t>(c)];
      const int64_t set = prefix[static_cast<size_t>(b) + 1] - prefix[static_cast<size_t>(a)];
      const auto level = static_cast<uint8_t>(255 * set / (rows * (b - a + 1)));
      out[c] = MakeTRGB(level, level, level);
    }
  }
  guard.Finish();
}

// ---- Transparent pixels -----------------------------------------------------------------

void FillTransparentPixels(TIEBitmap* Bitmap, TRGB Colour) {
  if (!Bitmap || Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || !Bitmap->HasAlphaChannel() || Bitmap->IsEmpty())
    return;
  TIEBitmap* alpha = Bitmap->AlphaChannel();
  const int32_t w = std::min(Bitmap->Width(), alpha->Width());
  const int32_t h = std::min(Bitmap->Height(), alpha->Height());
  TAccessGuard guard(alpha, nullptr);
  {
    TIEAccessScope access(Bitmap, TIEDataAccess{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite});
    for (int32_t y = 0; y < h; ++y) {
      const auto* a = static_cast<const uint8_t*>(alpha->ScanLine(y));
      if (!std::memchr(a, 0, static_cast<size_t>(w))) continue;
      auto* row = static_cast<TRGB*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < w; ++x)
        if (a[x] == 0) row[x] = Colour;
    }
    if (Bitmap->Location() == TIELocation::ieFile) Bitmap->FreeRowBuffers();
  }
  guard.Finish();
}
