// The two-pass kernel resampler: contributor lists of fixed-point weights
// (256 = 1.0) per destination column and row, a horizontal pass from the
// source into a work raster of DW x SH, then a vertical pass into Dest.
#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/containers/ieresample.h"
#include "imaging/model/containers/ieresample_internal.h"
#include "imaging/model/containers/ieworkbitmap.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"

using namespace ieresample_detail;

// ---- Kernels -----------------------------------------------------------------------
// Each is written as its formula, term by term, so that weights landing on a
// half after the scaling by 256 round the same way everywhere.

namespace {

double KernelTriangle(double X) {
  const double x = std::fabs(X);
  return x < 1.0 ? 1.0 - x : 0.0;
}

double KernelHermite(double X) {
  const double x = std::fabs(X);
  return x < 1.0 ? 2.0 * x * x * x - 3.0 * x * x + 1.0 : 0.0;
}

double KernelBell(double X) {
  const double x = std::fabs(X);
  if (x < 0.5) return 0.75 - x * x;
  if (x < 1.5) {
    const double t = x - 1.5;
    return 0.5 * (t * t);
  }
  return 0.0;
}

double KernelBSpline(double X) {
  const double x = std::fabs(X);
  if (x < 1.0) return 0.5 * x * x * x - x * x + 2.0 / 3.0;
  if (x < 2.0) {
    const double t = 2.0 - x;
    return t * t * t / 6.0;
  }
  return 0.0;
}

double Sinc(double X) {
  if (X == 0.0) return 1.0;
  const double p = X * M_PI;
  return std::sin(p) / p;
}

double KernelLanczos3(double X) {
  if (std::fabs(X) < 3.0) return Sinc(X) * Sinc(X / 3.0);
  return 0.0;
}

// Mitchell-Netravali with B = C = 1/3.
double KernelMitchell(double X) {
  const double x = std::fabs(X);
  if (x < 1.0) return (7.0 * x * x * x - 12.0 * x * x + 16.0 / 3.0) / 6.0;
  if (x < 2.0) return (-7.0 / 3.0 * x * x * x + 12.0 * x * x - 20.0 * x + 32.0 / 3.0) / 6.0;
  return 0.0;
}

// A box open on the left and closed on the right, so that a distance of
// exactly one half belongs to one pixel only.
double KernelNearest(double X) { return (X > -0.5 && X <= 0.5) ? 1.0 : 0.0; }

double KernelLinear(double X) {
  if (X >= -1.0 && X < 0.0) return X + 1.0;
  if (X >= 0.0 && X < 1.0) return 1.0 - X;
  return 0.0;
}

}  // namespace

const std::array<TResampleKernelEntry, 8> ResampleKernelTable = {{
    {KernelTriangle, 1.0},
    {KernelHermite, 1.0},
    {KernelBell, 1.5},
    {KernelBSpline, 2.0},
    {KernelLanczos3, 3.0},
    {KernelMitchell, 2.0},
    {KernelNearest, 1.0},
    {KernelLinear, 1.0},
}};

// ---- Contributor lists -------------------------------------------------------------

namespace {

// The contributors of D destination pixels in flat arrays: list i holds the
// entries Start[i] .. Start[i + 1] - 1, only non-zero weights.
struct TContributors {
  std::vector<int32_t> Start;
  std::vector<int32_t> Pixel;
  std::vector<int32_t> Weight;
  std::vector<TChannelDivisor> Divisor;
};

// (D - 1) / (S - 1), so that the first and last destination pixels sit on the
// first and last source pixels; D / S when either size is 1.
double AxisScale(int32_t S, int32_t D) {
  if (S == 1 || D == 1) return static_cast<double>(D) / S;
  return static_cast<double>(D - 1) / (S - 1);
}

void BuildContributors(TContributors& L, int32_t S, int32_t D, double Scale, const TResampleKernelEntry& K) {
  TranslateOutOfMemory([&] {
    L.Start.assign(static_cast<size_t>(D) + 1, 0);
    L.Divisor.assign(static_cast<size_t>(D), TChannelDivisor());
    L.Pixel.clear();
    L.Weight.clear();
    const bool enlarge = Scale >= 1.0;
    const double w = enlarge ? K.Support : K.Support / Scale;
    for (int32_t i = 0; i < D; ++i) {
      const double centre = i / Scale;
      const int64_t first = Floor(centre - w);
      const int64_t last = Ceil(centre + w);
      // Room for the whole range first..last: trunc(2w + 1) can be one short.
      const size_t room = static_cast<size_t>(last - first + 1);
      L.Pixel.reserve(L.Pixel.size() + room);
      L.Weight.reserve(L.Weight.size() + room);
      int32_t weightSum = 0;
      for (int64_t j = first; j <= last; ++j) {
        const double distance = centre - static_cast<double>(j);
        const int64_t weight = enlarge ? Round(K.Kernel(distance) * 256.0)
                                       : Round(K.Kernel(distance * Scale) * 256.0 * Scale);
        if (weight == 0) continue;
        // Mirrored at the edges, then clamped.
        int64_t n = j;
        if (n < 0)
          n = -n;
        else if (n >= S)
          n = 2 * static_cast<int64_t>(S) - 1 - n;
        L.Pixel.push_back(ClampIndex(n, S));
        L.Weight.push_back(static_cast<int32_t>(weight));
        weightSum += static_cast<int32_t>(weight);
      }
      L.Start[static_cast<size_t>(i) + 1] = static_cast<int32_t>(L.Pixel.size());
      L.Divisor[static_cast<size_t>(i)] = MakeChannelDivisor(weightSum);
    }
  });
}

// One source row of C-byte pixels into one work row of DW pixels.
template <int C>
void HorizontalRow(const uint8_t* Src, uint8_t* Dst, const TContributors& L, int32_t DW) {
  const int32_t* pixel = L.Pixel.data();
  const int32_t* weight = L.Weight.data();
  for (int32_t i = 0; i < DW; ++i) {
    int32_t sum[C] = {};
    const int32_t end = L.Start[static_cast<size_t>(i) + 1];
    for (int32_t c = L.Start[static_cast<size_t>(i)]; c < end; ++c) {
      const uint8_t* p = Src + static_cast<ptrdiff_t>(pixel[c]) * C;
      const int32_t w = weight[c];
      for (int ch = 0; ch < C; ++ch) sum[ch] += w * p[ch];
    }
    const TChannelDivisor& d = L.Divisor[static_cast<size_t>(i)];
    for (int ch = 0; ch < C; ++ch) Dst[static_cast<ptrdiff_t>(i) * C + ch] = ChannelValue(sum[ch], d);
  }
}

// One destination row from the work rows of its contributors; Count bytes
// (DW * channels), every byte handled alike.
template <class WorkRow>
void VerticalRow(WorkRow&& Row, const TContributors& L, int32_t Y, int32_t Count, int32_t* Acc, uint8_t* Out) {
  std::fill(Acc, Acc + Count, 0);
  const int32_t end = L.Start[static_cast<size_t>(Y) + 1];
  for (int32_t c = L.Start[static_cast<size_t>(Y)]; c < end; ++c) {
    const uint8_t* row = Row(L.Pixel[static_cast<size_t>(c)]);
    const int32_t w = L.Weight[static_cast<size_t>(c)];
    for (int32_t x = 0; x < Count; ++x) Acc[x] += w * row[x];
  }
  const TChannelDivisor& d = L.Divisor[static_cast<size_t>(Y)];
  for (int32_t x = 0; x < Count; ++x) Out[x] = ChannelValue(Acc[x], d);
}

// Progress of the 24-bit engine, P = 100 / (SH + DW + 0.5): trunc((k + 1) * P)
// after source row k, then up to trunc((SH + DW) * P) over the vertical pass.
// The vertical pass runs by destination rows (so that every row is written
// whole, which file-backed destinations need); after row y it reports the
// share of the DW column steps that row completes.
struct TKernelProgress {
  const TIEProgressEvent& Event;
  TObject* Sender;
  double P;
  int32_t SH, DW, DH;
  void Horizontal(int32_t K) const {
    if (Event) IEDoProgress(Event, Sender, TruncInt((K + 1) * P));
  }
  void Vertical(int32_t Y) const {
    if (!Event) return;
    const int64_t columns = (static_cast<int64_t>(Y) + 1) * DW / DH;
    IEDoProgress(Event, Sender, static_cast<int64_t>(static_cast<double>(columns + SH) * P));
  }
};

}  // namespace

// ---- Engines -------------------------------------------------------------------------

namespace ieresample_detail {

void KernelResample24(TIEBitmap* Source, TIEBitmap* Dest, const TResampleKernelEntry& Kernel,
                      const TIEProgressEvent& OnProgress, TObject* Sender) {
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  TContributors h, v;
  BuildContributors(h, SW, DW, AxisScale(SW, DW), Kernel);
  TIEWorkBitmap work(DW, SH, 24);
  const TKernelProgress progress{OnProgress, Sender, 100.0 / (SH + DW + 0.5), SH, DW, DH};

  TAccessGuard guard(Source, Dest);
  for (int32_t k = 0; k < SH; ++k) {
    HorizontalRow<3>(static_cast<const uint8_t*>(Source->ScanLine(k)), work.ScanLine(k), h, DW);
    progress.Horizontal(k);
  }
  BuildContributors(v, SH, DH, AxisScale(SH, DH), Kernel);
  const int32_t count = DW * 3;
  std::vector<int32_t> acc(static_cast<size_t>(count));
  for (int32_t y = 0; y < DH; ++y) {
    VerticalRow([&](int32_t r) { return work.ScanLine(r); }, v, y, count, acc.data(),
                static_cast<uint8_t*>(Dest->ScanLine(y)));
    progress.Vertical(y);
  }
  guard.Finish();
}

void KernelResample8(TIEBitmap* Source, TIEBitmap* Dest, const TResampleKernelEntry& Kernel) {
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  TContributors h, v;
  BuildContributors(h, SW, DW, AxisScale(SW, DW), Kernel);
  BuildContributors(v, SH, DH, AxisScale(SH, DH), Kernel);
  TIEMask work;
  work.Allocate(DW, SH, 8);

  TAccessGuard guard(Source, Dest);
  for (int32_t k = 0; k < SH; ++k)
    HorizontalRow<1>(static_cast<const uint8_t*>(Source->ScanLine(k)), work.ScanLine(k), h, DW);
  std::vector<int32_t> acc(static_cast<size_t>(DW));
  for (int32_t y = 0; y < DH; ++y)
    VerticalRow([&](int32_t r) { return work.ScanLine(r); }, v, y, DW, acc.data(),
                static_cast<uint8_t*>(Dest->ScanLine(y)));
  guard.Finish();
}

void KernelResample1Bit(TIEBitmap* Source, TIEBitmap* Dest, const TResampleKernelEntry& Kernel) {
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  TContributors h, v;
  BuildContributors(h, SW, DW, AxisScale(SW, DW), Kernel);
  BuildContributors(v, SH, DH, AxisScale(SH, DH), Kernel);
  TIEMask work;
  work.Allocate(DW, SH, 8);
  std::vector<uint8_t> bytes(static_cast<size_t>(SW));
  std::vector<uint8_t> gray(static_cast<size_t>(DW));

  TAccessGuard guard(Source, Dest);
  for (int32_t k = 0; k < SH; ++k) {
    ExpandBits(static_cast<const uint8_t*>(Source->ScanLine(k)), SW, bytes.data());
    HorizontalRow<1>(bytes.data(), work.ScanLine(k), h, DW);
  }
  std::vector<int32_t> acc(static_cast<size_t>(DW));
  for (int32_t y = 0; y < DH; ++y) {
    VerticalRow([&](int32_t r) { return work.ScanLine(r); }, v, y, DW, acc.data(), gray.data());
    auto* out = static_cast<uint8_t*>(Dest->ScanLine(y));
    for (int32_t x = 0; x < DW; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = gray[static_cast<size_t>(x)];
  }
  guard.Finish();
}

}  // namespace ieresample_detail
