// The two-pass kernel resampler: contributor lists of fixed-point weights
// (256 = 1.0) per destination column and row, a horizontal pass from the
// source into a work raster of DW x SH, then a vertical pass into Dest.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#define IE_RESAMPLE_SSE2 1
// AVX2 paths are compiled alongside and chosen at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define IE_RESAMPLE_AVX2 1
#endif
#endif

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
//
// The vector loops below add the same products in another order. Sums of
// integers do not depend on the order, and every partial sum stays within
// int32 (FitsVector), so their results are those of the plain loops to the
// bit.
struct TContributors {
  std::vector<int32_t> Start;
  std::vector<int32_t> Pixel;
  std::vector<int32_t> Weight;
  std::vector<TChannelDivisor> Divisor;
  // Per list: the weights fit 16 bits and the sum of their magnitudes times
  // 255 fits int32.
  std::vector<uint8_t> FitsVector;
  // The horizontal lists of 3-byte pixels as runs of adjacent source
  // pixels: list i reads RunPairs[i] pairs of pixels from RunFirst[i] on,
  // with the weights packed two by two (the even pixel's in the low half)
  // from PairWeight[RunStart[i]]; pixels without a contributor weigh 0.
  // RunPairs[i] is 0 where the list has no such form (mirrored at an edge,
  // or its last pair would read past the end of the row).
  std::vector<int32_t> RunFirst;
  std::vector<int32_t> RunStart;
  std::vector<int32_t> RunPairs;
  std::vector<int32_t> PairWeight;
};

// (D - 1) / (S - 1), so that the first and last destination pixels sit on the
// first and last source pixels; D / S when either size is 1.
double AxisScale(int32_t S, int32_t D) {
  if (S == 1 || D == 1) return static_cast<double>(D) / S;
  return static_cast<double>(D - 1) / (S - 1);
}

int32_t PackPair(int32_t Low, int32_t High) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(Low)) |
                              (static_cast<uint32_t>(static_cast<uint16_t>(High)) << 16));
}

void BuildContributors(TContributors& L, int32_t S, int32_t D, double Scale, const TResampleKernelEntry& K) {
  TranslateOutOfMemory([&] {
    L.Start.assign(static_cast<size_t>(D) + 1, 0);
    L.Divisor.assign(static_cast<size_t>(D), TChannelDivisor());
    L.FitsVector.assign(static_cast<size_t>(D), 0);
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
      int64_t magnitude = 0;
      bool narrow = true;
      for (int64_t j = first; j <= last; ++j) {
        const double distance = centre - static_cast<double>(j);
        const int64_t weight =
            enlarge ? Round(K.Kernel(distance) * 256.0) : Round(K.Kernel(distance * Scale) * 256.0 * Scale);
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
        if (weight < INT16_MIN || weight > INT16_MAX) narrow = false;
        magnitude += weight < 0 ? -weight : weight;
      }
      L.Start[static_cast<size_t>(i) + 1] = static_cast<int32_t>(L.Pixel.size());
      L.Divisor[static_cast<size_t>(i)] = MakeChannelDivisor(weightSum);
      L.FitsVector[static_cast<size_t>(i)] = narrow && magnitude <= INT32_MAX / 255;
    }
  });
}

// The runs of the horizontal lists (see TContributors) for a source row of
// S 3-byte pixels. A pair is read as 8 bytes, which must lie inside the row.
void BuildRuns(TContributors& L, int32_t S) {
  TranslateOutOfMemory([&] {
    const size_t D = L.Divisor.size();
    L.RunFirst.assign(D, 0);
    L.RunStart.assign(D, 0);
    L.RunPairs.assign(D, 0);
    L.PairWeight.clear();
    const int64_t rowBytes = static_cast<int64_t>(S) * 3;
    for (size_t i = 0; i < D; ++i) {
      const int32_t c0 = L.Start[i], c1 = L.Start[i + 1];
      if (c0 == c1 || !L.FitsVector[i]) continue;
      bool ascending = true;
      for (int32_t c = c0 + 1; c < c1 && ascending; ++c)
        ascending = L.Pixel[static_cast<size_t>(c)] > L.Pixel[static_cast<size_t>(c) - 1];
      if (!ascending) continue;
      const int32_t first = L.Pixel[static_cast<size_t>(c0)];
      const int64_t span = static_cast<int64_t>(L.Pixel[static_cast<size_t>(c1) - 1]) - first + 1;
      const int64_t pairs = (span + 1) / 2;
      if (static_cast<int64_t>(first) * 3 + (pairs - 1) * 6 + 8 > rowBytes) continue;
      std::vector<int32_t> weights(static_cast<size_t>(pairs) * 2, 0);
      for (int32_t c = c0; c < c1; ++c)
        weights[static_cast<size_t>(L.Pixel[static_cast<size_t>(c)] - first)] = L.Weight[static_cast<size_t>(c)];
      L.RunFirst[i] = first;
      L.RunStart[i] = static_cast<int32_t>(L.PairWeight.size());
      L.RunPairs[i] = static_cast<int32_t>(pairs);
      for (int64_t k = 0; k < pairs; ++k)
        L.PairWeight.push_back(PackPair(weights[static_cast<size_t>(2 * k)], weights[static_cast<size_t>(2 * k + 1)]));
    }
  });
}

#ifdef IE_RESAMPLE_SSE2
// Sum div WeightSum clamped to 0..255 for four sums at once, by the
// reciprocal of ChannelValue (positive weight sums only; Multiplier below
// 2^32).
inline __m128i DivideLanes(__m128i Sum, __m128i Multiplier, __m128i Shift) {
  const __m128i positive = _mm_and_si128(Sum, _mm_cmpgt_epi32(Sum, _mm_setzero_si128()));
  const __m128i even = _mm_srl_epi64(_mm_mul_epu32(positive, Multiplier), Shift);
  const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(positive, 32), Multiplier), Shift);
  return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

inline bool VectorDivisor(const TChannelDivisor& D) { return D.WeightSum > 0 && D.Multiplier <= UINT32_MAX; }
#endif

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

#ifdef IE_RESAMPLE_SSE2
// A pixel of a list without runs, by the plain loop.
inline void ListPixel24(const uint8_t* Src, uint8_t* Out, const TContributors& L, size_t I) {
  int32_t sum[3] = {};
  for (int32_t c = L.Start[I]; c < L.Start[I + 1]; ++c) {
    const uint8_t* p = Src + static_cast<ptrdiff_t>(L.Pixel[static_cast<size_t>(c)]) * 3;
    const int32_t w = L.Weight[static_cast<size_t>(c)];
    for (int ch = 0; ch < 3; ++ch) sum[ch] += w * p[ch];
  }
  for (int ch = 0; ch < 3; ++ch) Out[ch] = ChannelValue(sum[ch], L.Divisor[I]);
}

// Pairs K.. of a run added to Acc (lanes B G R 0), one per step: the words
// B0 B1 G0 G1 R0 R1 of a pair meet the packed weights in one multiply-add.
inline __m128i AddPairs(__m128i Acc, const uint8_t* P, const int32_t* W, int32_t K, int32_t Pairs) {
  const __m128i zero = _mm_setzero_si128();
  for (P += static_cast<ptrdiff_t>(K) * 6; K < Pairs; ++K, P += 6) {
    const __m128i t = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(P)), zero);
    const __m128i u = _mm_unpacklo_epi16(t, _mm_srli_si128(t, 6));
    Acc = _mm_add_epi32(Acc, _mm_madd_epi16(u, _mm_set1_epi32(W[K])));
  }
  return Acc;
}

// The three channel sums of Acc into Out.
inline void StorePixel24(__m128i Acc, uint8_t* Out, const TChannelDivisor& D) {
  if (VectorDivisor(D)) {
    const __m128i q = DivideLanes(Acc, _mm_set1_epi64x(static_cast<int64_t>(D.Multiplier)),
                                  _mm_cvtsi32_si128(static_cast<int32_t>(D.Shift)));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128());
    const auto v = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
    Out[0] = static_cast<uint8_t>(v);
    Out[1] = static_cast<uint8_t>(v >> 8);
    Out[2] = static_cast<uint8_t>(v >> 16);
  } else {
    Out[0] = ChannelValue(_mm_cvtsi128_si32(Acc), D);
    Out[1] = ChannelValue(_mm_cvtsi128_si32(_mm_srli_si128(Acc, 4)), D);
    Out[2] = ChannelValue(_mm_cvtsi128_si32(_mm_srli_si128(Acc, 8)), D);
  }
}
#endif

// The same for 3-byte pixels over the runs (BuildRuns), two pixels per step.
void HorizontalRow24(const uint8_t* Src, uint8_t* Dst, const TContributors& L, int32_t DW) {
#ifdef IE_RESAMPLE_SSE2
  for (int32_t i = 0; i < DW; ++i) {
    const size_t li = static_cast<size_t>(i);
    uint8_t* out = Dst + static_cast<ptrdiff_t>(i) * 3;
    const int32_t pairs = L.RunPairs[li];
    if (pairs == 0) {
      ListPixel24(Src, out, L, li);
      continue;
    }
    const uint8_t* p = Src + static_cast<ptrdiff_t>(L.RunFirst[li]) * 3;
    const __m128i acc = AddPairs(_mm_setzero_si128(), p, L.PairWeight.data() + L.RunStart[li], 0, pairs);
    StorePixel24(acc, out, L.Divisor[li]);
  }
#else
  HorizontalRow<3>(Src, Dst, L, DW);
#endif
}

#ifdef IE_RESAMPLE_AVX2
// Two pairs per step: sixteen bytes from pair K on, in both halves, are
// spread so that the low half holds pair K and the high half pair K + 1 as
// words B0 B1 G0 G1 R0 R1 0 0. The last pair of a run is read as 8 bytes
// only, so the 16-byte reads stop three pairs before the end.
__attribute__((target("avx2"))) void HorizontalRow24Avx2(const uint8_t* Src, uint8_t* Dst, const TContributors& L,
                                                         int32_t DW) {
  const __m256i spread = _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1,  //
                                          6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  const __m256i halves = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
  for (int32_t i = 0; i < DW; ++i) {
    const size_t li = static_cast<size_t>(i);
    uint8_t* out = Dst + static_cast<ptrdiff_t>(i) * 3;
    const int32_t pairs = L.RunPairs[li];
    if (pairs == 0) {
      ListPixel24(Src, out, L, li);
      continue;
    }
    const uint8_t* p = Src + static_cast<ptrdiff_t>(L.RunFirst[li]) * 3;
    const int32_t* w = L.PairWeight.data() + L.RunStart[li];
    __m256i acc = _mm256_setzero_si256();
    int32_t k = 0;
    for (; k + 3 <= pairs; k += 2) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + static_cast<ptrdiff_t>(k) * 6));
      const __m256i words = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(bytes), spread);
      const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w + k));
      const __m256i weights = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(two), halves);
      acc = _mm256_add_epi32(acc, _mm256_madd_epi16(words, weights));
    }
    const __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    StorePixel24(AddPairs(sum, p, w, k, pairs), out, L.Divisor[li]);
  }
}
#endif

#ifdef IE_RESAMPLE_SSE2
// Bytes X0.. of a destination row, sixteen at a time, two rows per
// multiply-add: the bytes of the two rows interleaved as words meet their
// packed weights. Returns where it stopped.
int32_t VerticalSpan(const uint8_t* const* Rows, const int32_t* Pw, int32_t Pairs, const TChannelDivisor& D, int32_t X0,
                     int32_t Count, uint8_t* Out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i multiplier = _mm_set1_epi64x(static_cast<int64_t>(D.Multiplier));
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int32_t>(D.Shift));
  for (; X0 + 16 <= Count; X0 += 16) {
    __m128i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
    for (int32_t k = 0; k < Pairs; ++k) {
      const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Rows[2 * k] + X0));
      const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Rows[2 * k + 1] + X0));
      const __m128i w = _mm_set1_epi32(Pw[k]);
      const __m128i lo = _mm_unpacklo_epi8(r0, r1);
      const __m128i hi = _mm_unpackhi_epi8(r0, r1);
      a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
      a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
      a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
      a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
    }
    const __m128i q01 = _mm_packs_epi32(DivideLanes(a0, multiplier, shift), DivideLanes(a1, multiplier, shift));
    const __m128i q23 = _mm_packs_epi32(DivideLanes(a2, multiplier, shift), DivideLanes(a3, multiplier, shift));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + X0), _mm_packus_epi16(q01, q23));
  }
  return X0;
}
#endif

#ifdef IE_RESAMPLE_AVX2
__attribute__((target("avx2"))) inline __m256i DivideLanesAvx2(__m256i Sum, __m256i Multiplier, __m128i Shift) {
  const __m256i positive = _mm256_and_si256(Sum, _mm256_cmpgt_epi32(Sum, _mm256_setzero_si256()));
  const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(positive, Multiplier), Shift);
  const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(positive, 32), Multiplier), Shift);
  return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

// Source rows taken at once by HorizontalRows24Avx2.
constexpr int32_t kBatchRows = 4;

// Pairs 0 and 1 of the run at P added to Acc, spread into the low and high
// half as in HorizontalRow24Avx2.
__attribute__((target("avx2"))) inline __m256i AddTwoPairs(__m256i Acc, const uint8_t* P, __m256i Weights,
                                                           __m256i Spread) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
  const __m256i words = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(bytes), Spread);
  return _mm256_add_epi32(Acc, _mm256_madd_epi16(words, Weights));
}

// The sums of rows A (low half) and B (high half) from their accumulators,
// whose low halves hold the even pairs and high halves the odd ones.
__attribute__((target("avx2"))) inline __m256i FoldTwo(__m256i A, __m256i B) {
  return _mm256_add_epi32(_mm256_permute2x128_si256(A, B, 0x20), _mm256_permute2x128_si256(A, B, 0x31));
}

// Pairs K.. of the runs at A (low half) and B (high half) added to Sum,
// one per step; 8 bytes read for each.
__attribute__((target("avx2"))) inline __m256i AddPairsTwo(__m256i Sum, const uint8_t* A, const uint8_t* B,
                                                           const int32_t* W, int32_t K, int32_t Pairs) {
  const __m256i spread = _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1,  //
                                          0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  for (; K < Pairs; ++K) {
    const ptrdiff_t o = static_cast<ptrdiff_t>(K) * 6;
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(A + o));
    const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(B + o));
    const __m256i words = _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1), spread);
    Sum = _mm256_add_epi32(Sum, _mm256_madd_epi16(words, _mm256_set1_epi32(W[K])));
  }
  return Sum;
}

// Three bytes of V at Out, or four where the next pixel of the row (written
// later) overwrites the fourth: one store instead of three.
inline void PutPixel24(uint8_t* Out, uint32_t V, bool Four) {
  if (Four) {
    std::memcpy(Out, &V, 4);
  } else {
    Out[0] = static_cast<uint8_t>(V);
    Out[1] = static_cast<uint8_t>(V >> 8);
    Out[2] = static_cast<uint8_t>(V >> 16);
  }
}

// StorePixel24 for two rows' sums (lanes B G R 0 in each half), both
// divided at once.
__attribute__((target("avx2"))) inline void StorePixels24x2(__m256i Sum, uint8_t* OutA, uint8_t* OutB,
                                                            const TChannelDivisor& D, bool Four) {
  if (!VectorDivisor(D)) {
    StorePixel24(_mm256_castsi256_si128(Sum), OutA, D);
    StorePixel24(_mm256_extracti128_si256(Sum, 1), OutB, D);
    return;
  }
  const __m256i q = DivideLanesAvx2(Sum, _mm256_set1_epi64x(static_cast<int64_t>(D.Multiplier)),
                                    _mm_cvtsi32_si128(static_cast<int32_t>(D.Shift)));
  const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(q, q), _mm256_setzero_si256());
  PutPixel24(OutA, static_cast<uint32_t>(_mm256_cvtsi256_si32(bytes)), Four);
  PutPixel24(OutB, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1))), Four);
}

// AddTwoPairs for each of four rows, at offset O of their runs S.
__attribute__((target("avx2"))) inline void AddTwoPairs4(__m256i* Acc, const uint8_t* const* S, ptrdiff_t O,
                                                         __m256i Weights, __m256i Spread) {
  Acc[0] = AddTwoPairs(Acc[0], S[0] + O, Weights, Spread);
  Acc[1] = AddTwoPairs(Acc[1], S[1] + O, Weights, Spread);
  Acc[2] = AddTwoPairs(Acc[2], S[2] + O, Weights, Spread);
  Acc[3] = AddTwoPairs(Acc[3], S[3] + O, Weights, Spread);
}

// The packed weights of pairs 0 and 1 of W in the low and high half.
__attribute__((target("avx2"))) inline __m256i TwoWeights(const int32_t* W) {
  const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(W));
  return _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(two), _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1));
}

// Pairs K.. of the four runs S into Acc, two per step. The last one or two
// are read as the 16 bytes that end with them (so the steps never read past
// the run's last 8 bytes), unless the run starts too near the row's start;
// returns where it stopped.
__attribute__((target("avx2"))) inline int32_t AddRuns4(__m256i* Acc, const uint8_t* const* S, ptrdiff_t First,
                                                        const int32_t* W, int32_t Pairs) {
  const __m256i spread = _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1,  //
                                          6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  int32_t k = 0;
  for (; k + 3 <= Pairs; k += 2) AddTwoPairs4(Acc, S, static_cast<ptrdiff_t>(k) * 6, TwoWeights(W + k), spread);
  const int32_t rest = Pairs - k;
  const ptrdiff_t back = rest == 2 ? 4 : 8;
  if (rest == 0 || First + static_cast<ptrdiff_t>(k) * 6 < back) return k;
  // spread for two pairs from byte 4, or for one from byte 8 (high half 0)
  const __m256i lastTwo = _mm256_setr_epi8(4, -1, 7, -1, 5, -1, 8, -1, 6, -1, 9, -1, -1, -1, -1, -1,  //
                                           10, -1, 13, -1, 11, -1, 14, -1, 12, -1, 15, -1, -1, -1, -1, -1);
  const __m256i lastOne = _mm256_setr_epi8(8, -1, 11, -1, 9, -1, 12, -1, 10, -1, 13, -1, -1, -1, -1, -1,  //
                                           -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const ptrdiff_t o = static_cast<ptrdiff_t>(k) * 6 - back;
  if (rest == 2)
    AddTwoPairs4(Acc, S, o, TwoWeights(W + k), lastTwo);
  else
    AddTwoPairs4(Acc, S, o, _mm256_set1_epi32(W[k]), lastOne);
  return Pairs;
}

// HorizontalRow24Avx2 over four rows at once: each output pixel's run,
// weights and divisor are fetched once for all of them, and the folds,
// divisions and stores go two rows at a time.
__attribute__((target("avx2"))) void HorizontalRows24Avx2(const uint8_t* const* Src, uint8_t* const* Dst,
                                                          const TContributors& L, int32_t DW) {
  static_assert(kBatchRows == 4);
  for (int32_t i = 0; i < DW; ++i) {
    const size_t li = static_cast<size_t>(i);
    const ptrdiff_t at = static_cast<ptrdiff_t>(i) * 3;
    const int32_t pairs = L.RunPairs[li];
    if (pairs == 0) {
      for (int32_t r = 0; r < kBatchRows; ++r) ListPixel24(Src[r], Dst[r] + at, L, li);
      continue;
    }
    const ptrdiff_t first = static_cast<ptrdiff_t>(L.RunFirst[li]) * 3;
    const uint8_t* s[kBatchRows] = {Src[0] + first, Src[1] + first, Src[2] + first, Src[3] + first};
    const int32_t* w = L.PairWeight.data() + L.RunStart[li];
    __m256i acc[kBatchRows] = {};
    const int32_t k = AddRuns4(acc, s, first, w, pairs);
    const TChannelDivisor& d = L.Divisor[li];
    const bool four = i + 1 < DW;
    StorePixels24x2(AddPairsTwo(FoldTwo(acc[0], acc[1]), s[0], s[1], w, k, pairs), Dst[0] + at, Dst[1] + at, d, four);
    StorePixels24x2(AddPairsTwo(FoldTwo(acc[2], acc[3]), s[2], s[3], w, k, pairs), Dst[2] + at, Dst[3] + at, d, four);
  }
}

// VerticalSpan 32 bytes at a time from byte 0. Every step works within the
// two 16-byte halves, so the packs put the bytes back in their order.
__attribute__((target("avx2"))) int32_t VerticalSpanAvx2(const uint8_t* const* Rows, const int32_t* Pw, int32_t Pairs,
                                                         const TChannelDivisor& D, int32_t Count, uint8_t* Out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i multiplier = _mm256_set1_epi64x(static_cast<int64_t>(D.Multiplier));
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int32_t>(D.Shift));
  int32_t x0 = 0;
  for (; x0 + 32 <= Count; x0 += 32) {
    __m256i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
    for (int32_t k = 0; k < Pairs; ++k) {
      const __m256i r0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Rows[2 * k] + x0));
      const __m256i r1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Rows[2 * k + 1] + x0));
      const __m256i w = _mm256_set1_epi32(Pw[k]);
      const __m256i lo = _mm256_unpacklo_epi8(r0, r1);
      const __m256i hi = _mm256_unpackhi_epi8(r0, r1);
      a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), w));
      a1 = _mm256_add_epi32(a1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), w));
      a2 = _mm256_add_epi32(a2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), w));
      a3 = _mm256_add_epi32(a3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), w));
    }
    const __m256i q01 =
        _mm256_packs_epi32(DivideLanesAvx2(a0, multiplier, shift), DivideLanesAvx2(a1, multiplier, shift));
    const __m256i q23 =
        _mm256_packs_epi32(DivideLanesAvx2(a2, multiplier, shift), DivideLanesAvx2(a3, multiplier, shift));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Out + x0), _mm256_packus_epi16(q01, q23));
  }
  return x0;
}
#endif

// One destination row from the work rows of its contributors; Count bytes
// (DW * channels), every byte handled alike. Rows is work for the row
// pointers of the list.
template <class WorkRow>
void VerticalRow(WorkRow&& Row, const TContributors& L, int32_t Y, int32_t Count, int32_t* Acc, uint8_t* Out,
                 std::vector<const uint8_t*>& Rows) {
  const size_t ly = static_cast<size_t>(Y);
  const int32_t c0 = L.Start[ly], end = L.Start[ly + 1];
  const TChannelDivisor& d = L.Divisor[ly];
  int32_t x0 = 0;  // bytes before x0 are done
#ifdef IE_RESAMPLE_SSE2
  // Sixteen bytes at a time, two rows per multiply-add: the bytes of the
  // two rows interleaved as words meet their packed weights.
  if (L.FitsVector[ly] && VectorDivisor(d) && end > c0 && Count >= 16) {
    const int32_t n = end - c0;
    Rows.resize(static_cast<size_t>(n) + 1);
    for (int32_t k = 0; k < n; ++k) Rows[static_cast<size_t>(k)] = Row(L.Pixel[static_cast<size_t>(c0 + k)]);
    Rows[static_cast<size_t>(n)] = Rows[0];  // the partner of an odd last row, weighed 0
    const int32_t pairs = (n + 1) / 2;
    int32_t packed[64];
    std::vector<int32_t> packedLong;
    int32_t* pw = packed;
    if (pairs > 64) {
      packedLong.resize(static_cast<size_t>(pairs));
      pw = packedLong.data();
    }
    for (int32_t k = 0; k < pairs; ++k) {
      const int32_t a = L.Weight[static_cast<size_t>(c0 + 2 * k)];
      const int32_t b = 2 * k + 1 < n ? L.Weight[static_cast<size_t>(c0 + 2 * k + 1)] : 0;
      pw[k] = PackPair(a, b);
    }
#ifdef IE_RESAMPLE_AVX2
    if (ResampleAvx2) x0 = VerticalSpanAvx2(Rows.data(), pw, pairs, d, Count, Out);
#endif
    x0 = VerticalSpan(Rows.data(), pw, pairs, d, x0, Count, Out);
  }
#else
  (void)Rows;
#endif
  if (x0 == Count) return;
  std::fill(Acc + x0, Acc + Count, 0);
  for (int32_t c = c0; c < end; ++c) {
    const uint8_t* row = Row(L.Pixel[static_cast<size_t>(c)]);
    const int32_t w = L.Weight[static_cast<size_t>(c)];
    for (int32_t x = x0; x < Count; ++x) Acc[x] += w * row[x];
  }
  for (int32_t x = x0; x < Count; ++x) Out[x] = ChannelValue(Acc[x], d);
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

#ifdef IE_RESAMPLE_AVX2
bool ResampleAvx2 = [] {
  __builtin_cpu_init();  // may run before the runtime's own constructor
  return __builtin_cpu_supports("avx2") != 0;
}();
#else
bool ResampleAvx2 = false;
#endif

void KernelResample24(TIEBitmap* Source, TIEBitmap* Dest, const TResampleKernelEntry& Kernel,
                      const TIEProgressEvent& OnProgress, TObject* Sender) {
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  TContributors h, v;
  BuildContributors(h, SW, DW, AxisScale(SW, DW), Kernel);
  BuildRuns(h, SW);
  TIEWorkBitmap work(DW, SH, 24);
  const TKernelProgress progress{OnProgress, Sender, 100.0 / (SH + DW + 0.5), SH, DW, DH};

  auto* horizontal = HorizontalRow24;
#ifdef IE_RESAMPLE_AVX2
  if (ResampleAvx2) horizontal = HorizontalRow24Avx2;
#endif
  TAccessGuard guard(Source, Dest);
  int32_t k = 0;
#ifdef IE_RESAMPLE_AVX2
  // A file image holds one fetched row at a time.
  if (ResampleAvx2 && Source->Location() == TIELocation::ieMemory)
    for (; k + kBatchRows <= SH; k += kBatchRows) {
      const uint8_t* src[kBatchRows];
      uint8_t* dst[kBatchRows];
      for (int32_t r = 0; r < kBatchRows; ++r) {
        src[r] = static_cast<const uint8_t*>(Source->ScanLine(k + r));
        dst[r] = work.ScanLine(k + r);
      }
      HorizontalRows24Avx2(src, dst, h, DW);
      for (int32_t r = 0; r < kBatchRows; ++r) progress.Horizontal(k + r);
    }
#endif
  for (; k < SH; ++k) {
    horizontal(static_cast<const uint8_t*>(Source->ScanLine(k)), work.ScanLine(k), h, DW);
    progress.Horizontal(k);
  }
  BuildContributors(v, SH, DH, AxisScale(SH, DH), Kernel);
  const int32_t count = DW * 3;
  std::vector<int32_t> acc(static_cast<size_t>(count));
  std::vector<const uint8_t*> rows;
  for (int32_t y = 0; y < DH; ++y) {
    VerticalRow([&](int32_t r) { return work.ScanLine(r); }, v, y, count, acc.data(),
                static_cast<uint8_t*>(Dest->ScanLine(y)), rows);
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
  std::vector<const uint8_t*> rows;
  for (int32_t y = 0; y < DH; ++y)
    VerticalRow([&](int32_t r) { return work.ScanLine(r); }, v, y, DW, acc.data(),
                static_cast<uint8_t*>(Dest->ScanLine(y)), rows);
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
  std::vector<const uint8_t*> rows;
  for (int32_t y = 0; y < DH; ++y) {
    VerticalRow([&](int32_t r) { return work.ScanLine(r); }, v, y, DW, acc.data(), gray.data(), rows);
    auto* out = static_cast<uint8_t*>(Dest->ScanLine(y));
    for (int32_t x = 0; x < DW; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = gray[static_cast<size_t>(x)];
  }
  guard.Finish();
}

}  // namespace ieresample_detail
