// The fast linear engines: per-column tables of base pixel, 17-bit fraction
// (131072 = 1.0) and last pixel, a horizontal pass into a work raster of
// DW x SH, then a vertical pass by destination rows. No floating point inside
// the pixel loops.
#include <algorithm>
#include <vector>

#include "imaging/model/containers/ieresample.h"
#include "imaging/model/containers/ieresample_internal.h"
#include "imaging/model/containers/ieworkbitmap.h"
#include "platform/rtl/exceptions.h"

using namespace ieresample_detail;

namespace {

constexpr double kFracOne = 131072.0;

// a + floor((b - a) * frac / 131072); the shift of a negative product is an
// arithmetic one, which is the floor.
inline uint8_t Lerp(int32_t A, int32_t B, int32_t Frac) { return static_cast<uint8_t>(A + (((B - A) * Frac) >> 17)); }

// The column tables. Every index is kept inside the source, which the
// formulas already guarantee up to floating-point error.
struct TColumnTable {
  std::vector<int32_t> Base;           // trunc(i / xs)
  std::vector<int32_t> Next;           // min(Base + 1, SW - 1)
  std::vector<int32_t> Frac;           // trunc((i / xs - Base) * 131072)
  std::vector<int32_t> Last;           // trunc(min(i + 1, DW - 1) / xs + 1e-10)
  std::vector<TChannelDivisor> Count;  // of Last - Base + 1 pixels
};

void BuildColumns(TColumnTable& T, int32_t SW, int32_t DW, double Xs, bool Averaging) {
  TranslateOutOfMemory([&] {
    const size_t n = static_cast<size_t>(DW);
    T.Base.resize(n);
    T.Next.resize(n);
    T.Frac.resize(n);
    if (Averaging) {
      T.Last.resize(n);
      T.Count.resize(n);
    }
    for (int32_t i = 0; i < DW; ++i) {
      const size_t s = static_cast<size_t>(i);
      const double f = i / Xs;
      const int32_t base = ClampIndex(TruncInt(f), SW);
      T.Base[s] = base;
      T.Next[s] = std::min(base + 1, SW - 1);
      T.Frac[s] = std::clamp(TruncInt((f - base) * kFracOne), 0, 131072);
      if (Averaging) {
        const int32_t last = std::max(base, ClampIndex(TruncInt(std::min(i + 1, DW - 1) / Xs + 1e-10), SW));
        T.Last[s] = last;
        T.Count[s] = MakeChannelDivisor(last - base + 1);
      }
    }
  });
}

// One source row of C-byte pixels into a work row.
template <int C>
void LinearRow(const uint8_t* Src, uint8_t* Dst, const TColumnTable& T, int32_t DW, bool Enlarge) {
  if (Enlarge) {
    for (int32_t i = 0; i < DW; ++i) {
      const uint8_t* a = Src + static_cast<ptrdiff_t>(T.Base[static_cast<size_t>(i)]) * C;
      const uint8_t* b = Src + static_cast<ptrdiff_t>(T.Next[static_cast<size_t>(i)]) * C;
      const int32_t frac = T.Frac[static_cast<size_t>(i)];
      for (int ch = 0; ch < C; ++ch) Dst[static_cast<ptrdiff_t>(i) * C + ch] = Lerp(a[ch], b[ch], frac);
    }
    return;
  }
  for (int32_t i = 0; i < DW; ++i) {
    const size_t s = static_cast<size_t>(i);
    uint32_t sum[C] = {};
    const uint8_t* p = Src + static_cast<ptrdiff_t>(T.Base[s]) * C;
    const uint8_t* end = Src + static_cast<ptrdiff_t>(T.Last[s] + 1) * C;
    for (; p < end; p += C)
      for (int ch = 0; ch < C; ++ch) sum[ch] += p[ch];
    for (int ch = 0; ch < C; ++ch)
      Dst[static_cast<ptrdiff_t>(i) * C + ch] = static_cast<uint8_t>(DivideBy(sum[ch], T.Count[s]));
  }
}

// The vertical pass for destination row J from the work raster (Count bytes
// a row): interpolation when the axis is enlarged, otherwise the mean of the
// rows trunc(j / ys) .. trunc(min(j + 1, DH - 1) / ys) (no 1e-10 term here).
void VerticalLinear(TIEWorkBitmap& Work, int32_t SH, int32_t DH, double Ys, int32_t J, int32_t Count,
                    std::vector<uint32_t>& Acc, uint8_t* Out) {
  if (Ys > 1.0) {
    const double g = J / Ys;
    const int32_t a = ClampIndex(TruncInt(g), SH);
    const int32_t b = a + 1 < SH ? a + 1 : a;
    const int32_t frac = std::clamp(TruncInt((g - a) * kFracOne), 0, 131072);
    const uint8_t* ra = Work.ScanLine(a);
    const uint8_t* rb = Work.ScanLine(b);
    for (int32_t x = 0; x < Count; ++x) Out[x] = Lerp(ra[x], rb[x], frac);
    return;
  }
  const int32_t r1 = ClampIndex(TruncInt(J / Ys), SH);
  const int32_t r2 = std::max(r1, ClampIndex(TruncInt(std::min(J + 1, DH - 1) / Ys), SH));
  if (r1 == r2) {
    std::copy_n(Work.ScanLine(r1), Count, Out);
    return;
  }
  std::fill(Acc.begin(), Acc.begin() + Count, 0u);
  uint32_t* acc = Acc.data();
  for (int32_t r = r1; r <= r2; ++r) {
    const uint8_t* row = Work.ScanLine(r);
    for (int32_t x = 0; x < Count; ++x) acc[x] += row[x];
  }
  const TChannelDivisor d = MakeChannelDivisor(r2 - r1 + 1);
  for (int32_t x = 0; x < Count; ++x) Out[x] = static_cast<uint8_t>(DivideBy(acc[x], d));
}

// The fast linear algorithm for pixels of C bytes (3: ie24RGB, 1: one 8-bit
// channel).
template <int C>
void FastLinear(TIEBitmap* Source, TIEBitmap* Dest, const TIEProgressEvent& OnProgress, TObject* Sender) {
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  const double xs = static_cast<double>(DW) / SW;
  const double ys = static_cast<double>(DH) / SH;
  if (xs == 1.0 && ys == 1.0) {
    Dest->Assign(Source);
    return;
  }
  const bool enlargeX = xs > 1.0;
  TColumnTable columns;
  BuildColumns(columns, SW, DW, xs, !enlargeX);
  TIEWorkBitmap work(DW, SH, 8 * C);
  const int32_t count = DW * C;
  std::vector<uint32_t> acc(static_cast<size_t>(count));
  const double per = 100.0 / (SH + DH + 0.5);

  TAccessGuard guard(Source, Dest);
  for (int32_t k = 0; k < SH; ++k) {
    LinearRow<C>(static_cast<const uint8_t*>(Source->ScanLine(k)), work.ScanLine(k), columns, DW, enlargeX);
    if (OnProgress) IEDoProgress(OnProgress, Sender, TruncInt(k * per));
  }
  for (int32_t j = 0; j < DH; ++j) {
    VerticalLinear(work, SH, DH, ys, j, count, acc, static_cast<uint8_t*>(Dest->ScanLine(j)));
    if (OnProgress) IEDoProgress(OnProgress, Sender, TruncInt((SH + j) * per));
  }
  guard.Finish();
}

}  // namespace

void ResampleFastLinear(TIEBitmap* Source, TIEBitmap* Dest, const TIEProgressEvent& OnProgress, TObject* Sender) {
  if (!Source || !Dest || Source == Dest || Source->IsEmpty() || Dest->Width() <= 0 || Dest->Height() <= 0 ||
      Source->PixelFormat() != TIEPixelFormat::ie24RGB)
    return;
  EnsureFormat(Dest, TIEPixelFormat::ie24RGB);
  FastLinear<3>(Source, Dest, OnProgress, Sender);
}

void ResampleFastLinear8(TIEBitmap* Source, TIEBitmap* Dest) {
  if (!Source || !Dest || Source == Dest || Source->IsEmpty() || Dest->Width() <= 0 || Dest->Height() <= 0 ||
      Source->BitCount() != 8)
    return;
  if (Dest->BitCount() != 8) EnsureFormat(Dest, TIEPixelFormat::ie8g);
  FastLinear<1>(Source, Dest, TIEProgressEvent(), nullptr);
}

void ResampleFastLinear1Bit(TIEBitmap* Source, TIEBitmap* Dest) {
  if (!Source || !Dest || Source == Dest || Source->IsEmpty() || Dest->Width() <= 0 || Dest->Height() <= 0 ||
      Source->PixelFormat() != TIEPixelFormat::ie1g)
    return;
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  const double xs = static_cast<double>(DW) / SW;
  const double ys = static_cast<double>(DH) / SH;
  if (xs == 1.0 && ys == 1.0) {
    Dest->Assign(Source);
    return;
  }
  EnsureFormat(Dest, TIEPixelFormat::ie24RGB);
  if (xs < 1.0 && ys < 1.0) {
    Stretch1BitToGray(Source, 0, 0, SW - 1, SH - 1, Dest);
    return;
  }
  // Both axes interpolated, bits read as 0 or 255. The gray levels go through
  // an 8-bit work raster: the three channels would only repeat them.
  TColumnTable columns;
  BuildColumns(columns, SW, DW, xs, false);
  TIEWorkBitmap work(DW, SH, 8);
  std::vector<uint8_t> bytes(static_cast<size_t>(SW));
  std::vector<uint8_t> gray(static_cast<size_t>(DW));

  TAccessGuard guard(Source, Dest);
  for (int32_t k = 0; k < SH; ++k) {
    ExpandBits(static_cast<const uint8_t*>(Source->ScanLine(k)), SW, bytes.data());
    LinearRow<1>(bytes.data(), work.ScanLine(k), columns, DW, true);
  }
  for (int32_t j = 0; j < DH; ++j) {
    // The enlarging formula on this axis too, whatever its scale.
    const double g = j / ys;
    const int32_t a = ClampIndex(TruncInt(g), SH);
    const int32_t b = a + 1 < SH ? a + 1 : a;
    const int32_t frac = std::clamp(TruncInt((g - a) * kFracOne), 0, 131072);
    const uint8_t* ra = work.ScanLine(a);
    const uint8_t* rb = work.ScanLine(b);
    for (int32_t x = 0; x < DW; ++x) gray[static_cast<size_t>(x)] = Lerp(ra[x], rb[x], frac);
    auto* out = static_cast<uint8_t*>(Dest->ScanLine(j));
    for (int32_t x = 0; x < DW; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = gray[static_cast<size_t>(x)];
  }
  guard.Finish();
}
