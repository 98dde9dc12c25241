// The area-weighted engine (rfBilinear, rfBicubic): source and destination
// pixel boundaries are merged into intervals on each axis; every pair of a
// horizontal and a vertical interval adds its area times a sample to the
// destination pixel it lies in, and a finished destination row is divided by
// the area of one destination pixel.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/model/containers/ieresample.h"
#include "imaging/model/containers/ieresample_internal.h"
#include "platform/rtl/exceptions.h"

using namespace ieresample_detail;

namespace {

// Cubic convolution weights (a = -1) of the samples at t + 1, t, t - 1, t - 2.
double CubicWeight(double X) {
  const double x = X < 0 ? -X : X;
  if (x <= 1.0) return x * x * x - 2.0 * x * x + 1.0;
  if (x < 2.0) return -x * x * x + 5.0 * x * x - 8.0 * x + 4.0;
  return 0.0;
}

struct TCubicWeights {
  double W[4];
};

TCubicWeights CubicWeights(double T) {
  return TCubicWeights{{CubicWeight(T + 1.0), CubicWeight(T), CubicWeight(T - 1.0), CubicWeight(T - 2.0)}};
}

// The same sum CubicInterpolate forms, from weights computed once.
inline double Cubic(double Pm1, double P0, double P1, double P2, const TCubicWeights& W) {
  const double v = Pm1 * W.W[0] + P0 * W.W[1] + P1 * W.W[2] + P2 * W.W[3];
  return v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v);
}

// One interval of an axis walk.
struct TAreaStep {
  double Length;  // its length, the weight on this axis
  int32_t Pixel;  // the source pixel (column or row) it lies in
  double T;       // sample position in that pixel: 1.0 at a source boundary
  int32_t Dest;   // the destination pixel it lies in
  bool EndsDest;  // it ends that destination pixel
};

// Merges the boundaries 1, 2, .. S - 1 of the source pixels with g, 2g, ..
// of the destination pixels. A destination boundary within 0.0001 past the
// next source boundary ends the interval (the source pixel continues). At
// most S + D intervals; the last source pixel takes whatever floating-point
// drift leaves after it.
void WalkAxis(std::vector<TAreaStep>& Steps, int32_t S, int32_t D, double G) {
  TranslateOutOfMemory([&] { Steps.reserve(static_cast<size_t>(S) + static_cast<size_t>(D)); });
  double position = 0.0, destEdge = 0.0;
  int32_t l = 0, done = 0;
  while (done < D) {
    const double s = l + 1.0;
    const double d = destEdge + G;
    if (s + 0.0001 >= d || l >= S - 1) {
      Steps.push_back(TAreaStep{d - position, l, d - l, done, true});
      position = d;
      destEdge = d;
      ++done;
    } else {
      Steps.push_back(TAreaStep{s - position, l, 1.0, done, false});
      position = s;
      ++l;
    }
  }
}

// Truncation of a sample or mean to a level. The interval lengths carry
// rounding error, so a mean that is exactly v in real arithmetic can come out
// as v - 1e-13 and would truncate to v - 1 (a uniform image would not stay
// uniform); values this close below an integer count as that integer.
inline int32_t TruncLevel(double V) { return TruncInt(V + 1e-6); }

// Byte offsets of the columns l - 1, l, l + 1, l + 2 (edges repeated).
struct TColumns {
  int32_t C[4];
};

TColumns NeighbourColumns(int32_t L, int32_t SW) {
  return TColumns{{ClampIndex(L - 1, SW) * 3, L * 3, ClampIndex(L + 1, SW) * 3, ClampIndex(L + 2, SW) * 3}};
}

}  // namespace

double CubicInterpolate(double Pm1, double P0, double P1, double P2, double T) {
  return Cubic(Pm1, P0, P1, P2, CubicWeights(T));
}

void ResampleAreaInterpolated(TIEBitmap* Source, TIEBitmap* Dest, bool Bicubic, const TIEProgressEvent& OnProgress,
                              TObject* Sender) {
  if (!Source || !Dest || Source == Dest || Source->IsEmpty() || Dest->Width() <= 0 || Dest->Height() <= 0 ||
      Source->PixelFormat() != TIEPixelFormat::ie24RGB)
    return;
  EnsureFormat(Dest, TIEPixelFormat::ie24RGB);
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t DW = Dest->Width(), DH = Dest->Height();
  const double gx = static_cast<double>(SW) / DW;
  const double gy = static_cast<double>(SH) / DH;
  // An axis with g < 1 is interpolated, the other takes pixels as they are.
  const bool interpX = gx < 1.0, interpY = gy < 1.0;
  const double scale = 1.0 / (gx * gy);

  std::vector<TAreaStep> hsteps, vsteps;
  WalkAxis(hsteps, SW, DW, gx);
  WalkAxis(vsteps, SH, DH, gy);
  const size_t nh = hsteps.size();
  const size_t rowBytes = static_cast<size_t>(SW) * 3;

  // Per horizontal interval: neighbour columns, cubic weights at tx.
  std::vector<TColumns> cols(nh);
  std::vector<TCubicWeights> hweights(Bicubic && interpX ? nh : 0);
  for (size_t h = 0; h < nh; ++h) {
    cols[h] = NeighbourColumns(hsteps[h].Pixel, SW);
    if (!hweights.empty()) hweights[h] = CubicWeights(hsteps[h].T);
  }

  // Four source rows (j - 1 .. j + 2) in slots by row index mod 4, and for
  // bicubic sampling along x their horizontal samples at every interval
  // (truncated when the rows are then interpolated too).
  std::vector<uint8_t> rows[4];
  std::vector<double> hsamples[4];
  int32_t loaded[4] = {-1, -1, -1, -1};
  std::vector<double> acc(static_cast<size_t>(DW) * 3);
  std::vector<double> column(interpY && !interpX ? rowBytes : 0);
  TranslateOutOfMemory([&] {
    for (auto& r : rows) r.resize(rowBytes);
    if (!hweights.empty())
      for (auto& s : hsamples) s.resize(nh * 3);
  });

  TAccessGuard guard(Source, Dest);
  auto load = [&](int32_t r) {
    const size_t slot = static_cast<size_t>(r & 3);
    if (loaded[slot] == r) return;
    std::memcpy(rows[slot].data(), Source->ScanLine(r), rowBytes);
    loaded[slot] = r;
    if (hweights.empty()) return;
    const uint8_t* p = rows[slot].data();
    double* out = hsamples[slot].data();
    for (size_t h = 0; h < nh; ++h) {
      const TColumns& c = cols[h];
      for (int ch = 0; ch < 3; ++ch) {
        const double v = Cubic(p[c.C[0] + ch], p[c.C[1] + ch], p[c.C[2] + ch], p[c.C[3] + ch], hweights[h]);
        out[h * 3 + static_cast<size_t>(ch)] = interpY ? static_cast<double>(TruncLevel(v)) : v;
      }
    }
  };
  auto row = [&](int32_t r) { return rows[static_cast<size_t>(ClampIndex(r, SH) & 3)].data(); };
  auto samples = [&](int32_t r) { return hsamples[static_cast<size_t>(ClampIndex(r, SH) & 3)].data(); };

  int32_t rowsDone = 0;
  for (const TAreaStep& v : vsteps) {
    const int32_t j = v.Pixel;
    for (int32_t r = j - 1; r <= j + 2; ++r) load(ClampIndex(r, SH));
    const double hy = v.Length, ty = v.T;
    const uint8_t* p0 = row(j);
    const uint8_t* p1 = row(j + 1);

    if (!interpX && !interpY) {
      // Pixels as they are.
      for (size_t h = 0; h < nh; ++h) {
        const double w = hsteps[h].Length * hy;
        double* a = &acc[static_cast<size_t>(hsteps[h].Dest) * 3];
        const uint8_t* p = p0 + cols[h].C[1];
        for (int ch = 0; ch < 3; ++ch) a[ch] += w * p[ch];
      }
    } else if (!interpX) {
      // Interpolated along y only: one sample per source column.
      if (Bicubic) {
        const TCubicWeights cw = CubicWeights(ty);
        const uint8_t* pm = row(j - 1);
        const uint8_t* p2 = row(j + 2);
        for (size_t x = 0; x < rowBytes; ++x) column[x] = Cubic(pm[x], p0[x], p1[x], p2[x], cw);
      } else {
        for (size_t x = 0; x < rowBytes; ++x) column[x] = (1 - ty) * p0[x] + ty * p1[x];
      }
      for (size_t h = 0; h < nh; ++h) {
        const double w = hsteps[h].Length * hy;
        double* a = &acc[static_cast<size_t>(hsteps[h].Dest) * 3];
        const double* s = &column[static_cast<size_t>(cols[h].C[1])];
        for (int ch = 0; ch < 3; ++ch) a[ch] += w * s[ch];
      }
    } else if (Bicubic) {
      const double* s0 = samples(j);
      if (!interpY) {
        for (size_t h = 0; h < nh; ++h) {
          const double w = hsteps[h].Length * hy;
          double* a = &acc[static_cast<size_t>(hsteps[h].Dest) * 3];
          for (int ch = 0; ch < 3; ++ch) a[ch] += w * s0[h * 3 + static_cast<size_t>(ch)];
        }
      } else {
        const TCubicWeights cw = CubicWeights(ty);
        const double* sm = samples(j - 1);
        const double* s1 = samples(j + 1);
        const double* s2 = samples(j + 2);
        for (size_t h = 0; h < nh; ++h) {
          const double w = hsteps[h].Length * hy;
          double* a = &acc[static_cast<size_t>(hsteps[h].Dest) * 3];
          for (size_t ch = 0; ch < 3; ++ch) {
            const size_t k = h * 3 + ch;
            a[ch] += w * Cubic(sm[k], s0[k], s1[k], s2[k], cw);
          }
        }
      }
    } else {
      for (size_t h = 0; h < nh; ++h) {
        const double w = hsteps[h].Length * hy;
        const double tx = hsteps[h].T;
        double* a = &acc[static_cast<size_t>(hsteps[h].Dest) * 3];
        const int32_t c0 = cols[h].C[1], c1 = cols[h].C[2];
        if (!interpY) {
          for (int ch = 0; ch < 3; ++ch) a[ch] += w * ((1 - tx) * p0[c0 + ch] + tx * p0[c1 + ch]);
        } else {
          for (int ch = 0; ch < 3; ++ch)
            a[ch] += w * (((1 - tx) * p0[c0 + ch] + tx * p0[c1 + ch]) * (1 - ty) +
                          ty * ((1 - tx) * p1[c0 + ch] + tx * p1[c1 + ch]));
        }
      }
    }

    if (v.EndsDest) {
      auto* out = static_cast<uint8_t*>(Dest->ScanLine(v.Dest));
      for (size_t x = 0; x < acc.size(); ++x) {
        // Rounding error may leave a full channel a hair above 255.
        const double value = acc[x] * scale;
        out[x] = static_cast<uint8_t>(value <= 0.0 ? 0 : (value >= 255.0 ? 255 : TruncLevel(value)));
      }
      std::fill(acc.begin(), acc.end(), 0.0);
      ++rowsDone;
      if (OnProgress) IEDoProgress(OnProgress, Sender, TruncInt(static_cast<double>(rowsDone) / DH * 100));
    }
  }
  guard.Finish();
}
