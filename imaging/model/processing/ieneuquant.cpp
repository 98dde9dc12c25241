// NeuQuant: a one-dimensional self-organising map of NetSize neurons learns
// the colours of sampled pixels; each neuron ends as one palette entry.
#include "imaging/model/processing/ieneuquant.h"

#include <algorithm>
#include <cmath>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/arith.h"

namespace {

constexpr int32_t kNetBiasShift = 4;  // colour values carry 4 bits of fraction while learning
constexpr int32_t kCycles = 100;      // learning-rate and radius steps
constexpr int32_t kIntBiasShift = 16;
constexpr int32_t kIntBias = 1 << kIntBiasShift;
constexpr int32_t kGammaShift = 10;
constexpr int32_t kBetaShift = 10;
constexpr int32_t kBeta = kIntBias >> kBetaShift;                       // 64
constexpr int32_t kBetaGamma = kIntBias << (kGammaShift - kBetaShift);  // 65536
constexpr int32_t kRadiusBiasShift = 6;
constexpr int32_t kRadiusBias = 1 << kRadiusBiasShift;
constexpr int32_t kRadiusDec = 30;
constexpr int32_t kAlphaBiasShift = 10;
constexpr int32_t kInitAlpha = 1 << kAlphaBiasShift;  // 1024
constexpr int32_t kRadBiasShift = 8;
constexpr int32_t kRadBias = 1 << kRadBiasShift;
constexpr int32_t kAlphaRadBias = 1 << (kAlphaBiasShift + kRadBiasShift);  // 262144
constexpr int32_t kPrimes[4] = {499, 491, 487, 503};

int32_t SampleFactor(int64_t Pixels, int32_t Quality) {
  if (Quality == -1) {
    if (Pixels < 2000) return 1;
    const double f = 13.0 * static_cast<double>(Pixels - 2000) / 148000.0 + 2.0;
    return static_cast<int32_t>(std::clamp<int64_t>(Round(f), 1, 30));
  }
  const int32_t q = std::clamp(Quality, 0, 100);
  return static_cast<int32_t>(Trunc((100 - q) / 100.0 * 29)) + 1;
}

void FillRadPower(TNeuQuantNetwork& N, int32_t Rad, int32_t Alpha) {
  for (int32_t i = 0; i < Rad; ++i)
    N.RadPower[static_cast<size_t>(i)] = Alpha * (((Rad * Rad - i * i) * kRadBias) / (Rad * Rad));
}

// The neuron with the smallest biased distance; updates the frequencies and
// biases on the way.
int32_t Contest(TNeuQuantNetwork& N, int32_t B, int32_t G, int32_t R) {
  int32_t bestD = INT32_MAX, bestBiasD = INT32_MAX, bestPos = -1, bestBiasPos = -1;
  for (int32_t i = 0; i < N.NetSize; ++i) {
    const auto& n = N.Network[static_cast<size_t>(i)];
    const int32_t dist = std::abs(n[0] - B) + std::abs(n[1] - G) + std::abs(n[2] - R);
    if (dist < bestD) {
      bestD = dist;
      bestPos = i;
    }
    int32_t& bias = N.Bias[static_cast<size_t>(i)];
    int32_t& freq = N.Freq[static_cast<size_t>(i)];
    const int32_t biasDist = dist - (bias >> (kIntBiasShift - kNetBiasShift));
    if (biasDist < bestBiasD) {
      bestBiasD = biasDist;
      bestBiasPos = i;
    }
    const int32_t betaFreq = freq >> kBetaShift;
    freq -= betaFreq;
    bias += betaFreq << kGammaShift;
  }
  N.Freq[static_cast<size_t>(bestPos)] += kBeta;
  N.Bias[static_cast<size_t>(bestPos)] -= kBetaGamma;
  return bestBiasPos;
}

void AlterSingle(TNeuQuantNetwork& N, int32_t Alpha, int32_t I, int32_t B, int32_t G, int32_t R) {
  auto& n = N.Network[static_cast<size_t>(I)];
  n[0] -= static_cast<int32_t>(int64_t{Alpha} * (n[0] - B) / kInitAlpha);
  n[1] -= static_cast<int32_t>(int64_t{Alpha} * (n[1] - G) / kInitAlpha);
  n[2] -= static_cast<int32_t>(int64_t{Alpha} * (n[2] - R) / kInitAlpha);
}

void AlterNeighbours(TNeuQuantNetwork& N, int32_t Rad, int32_t I, int32_t B, int32_t G, int32_t R) {
  const int32_t lo = std::max(I - Rad, -1);
  const int32_t hi = std::min(I + Rad, N.NetSize);
  int32_t j = I + 1, k = I - 1, q = 0;
  auto move = [&](int32_t Index, int64_t A) {
    auto& p = N.Network[static_cast<size_t>(Index)];
    p[0] -= static_cast<int32_t>(A * (p[0] - B) / kAlphaRadBias);
    p[1] -= static_cast<int32_t>(A * (p[1] - G) / kAlphaRadBias);
    p[2] -= static_cast<int32_t>(A * (p[2] - R) / kAlphaRadBias);
  };
  while (j < hi || k > lo) {
    const int64_t a = N.RadPower[static_cast<size_t>(++q)];
    if (j < hi) move(j++, a);
    if (k > lo) move(k--, a);
  }
}

// Sorts the neurons by green and indexes the first of each green level.
void BuildGreenIndex(TNeuQuantNetwork& N) {
  int32_t previous = 0, start = 0;
  for (int32_t i = 0; i < N.NetSize; ++i) {
    int32_t smallPos = i;
    int32_t smallVal = N.Network[static_cast<size_t>(i)][1];
    for (int32_t j = i + 1; j < N.NetSize; ++j) {
      if (N.Network[static_cast<size_t>(j)][1] < smallVal) {
        smallPos = j;
        smallVal = N.Network[static_cast<size_t>(j)][1];
      }
    }
    if (smallPos != i) std::swap(N.Network[static_cast<size_t>(i)], N.Network[static_cast<size_t>(smallPos)]);
    if (smallVal != previous) {
      N.NetIndex[previous] = (start + i) >> 1;
      for (int32_t j = previous + 1; j < smallVal; ++j) N.NetIndex[j] = i;
      previous = smallVal;
      start = i;
    }
  }
  N.NetIndex[previous] = (start + N.MaxNetPos) >> 1;
  for (int32_t j = previous + 1; j < 256; ++j) N.NetIndex[j] = N.MaxNetPos;
}

}  // namespace

std::unique_ptr<TNeuQuantNetwork> NeuQuantCreate(TIEBitmap* Bitmap, TRGB* ColorMap, int32_t NColors, int32_t Quality) {
  auto net = std::make_unique<TNeuQuantNetwork>();
  TNeuQuantNetwork& N = *net;
  N.NetSize = std::max(NColors, 1);
  N.MaxNetPos = N.NetSize - 1;
  N.InitRad = N.NetSize / 8;
  N.InitRadius = N.InitRad * kRadiusBias;
  N.Source = Bitmap;
  N.Width = Bitmap && !Bitmap->IsEmpty() ? Bitmap->Width() : 0;
  N.Height = Bitmap && !Bitmap->IsEmpty() ? Bitmap->Height() : 0;
  const int64_t pixels = int64_t{N.Width} * N.Height;
  N.LengthCount = 3 * pixels;
  N.SampleFac = SampleFactor(pixels, Quality);
  N.AlphaDec = 30 + (N.SampleFac - 1) / 3;
  N.Network.resize(static_cast<size_t>(N.NetSize));
  N.Bias.assign(static_cast<size_t>(N.NetSize), 0);
  N.Freq.assign(static_cast<size_t>(N.NetSize), kIntBias / N.NetSize);
  N.RadPower.assign(static_cast<size_t>(std::max(N.InitRad, 1)), 0);
  for (int32_t i = 0; i < N.NetSize; ++i) {
    const int32_t v = static_cast<int32_t>((int64_t{i} << (kNetBiasShift + 8)) / N.NetSize);
    N.Network[static_cast<size_t>(i)] = {v, v, v, 0};
  }

  if (pixels > 0) {
    const int64_t samples = N.LengthCount / (3 * int64_t{N.SampleFac});
    const int64_t delta = std::max<int64_t>(samples / kCycles, 1);
    int32_t alpha = kInitAlpha;
    int32_t radius = N.InitRadius;
    int32_t rad = radius >> kRadiusBiasShift;
    if (rad <= 1) rad = 0;
    FillRadPower(N, rad, alpha);
    int64_t step = kPrimes[3];
    for (int32_t p = 0; p < 3; ++p) {
      if (N.LengthCount % kPrimes[p] != 0) {
        step = kPrimes[p];
        break;
      }
    }
    step %= pixels;
    const bool is24 = Bitmap->PixelFormat() == TIEPixelFormat::ie24RGB;
    TIEAccessScope readOnly(Bitmap, kIEReadOnly);
    int64_t pos = 0;
    for (int64_t i = 1; i <= samples; ++i) {
      const auto y = static_cast<int32_t>(pos / N.Width), x = static_cast<int32_t>(pos % N.Width);
      TRGB c;
      if (is24)
        c = static_cast<const TRGB*>(Bitmap->ScanLine(y))[x];
      else
        Bitmap->GetPixelAsRGB(x, y, c);
      const int32_t b = c.b << kNetBiasShift, g = c.g << kNetBiasShift, r = c.r << kNetBiasShift;
      const int32_t j = Contest(N, b, g, r);
      AlterSingle(N, alpha, j, b, g, r);
      if (rad > 0) AlterNeighbours(N, rad, j, b, g, r);
      pos += step;
      if (pos >= pixels) pos -= pixels;
      if (i % delta == 0) {
        alpha -= alpha / N.AlphaDec;
        radius -= radius / kRadiusDec;
        rad = radius >> kRadiusBiasShift;
        if (rad <= 1) rad = 0;
        FillRadPower(N, rad, alpha);
      }
    }
  }

  // Unbias, write the colour map, then sort for the lookups.
  for (int32_t i = 0; i < N.NetSize; ++i) {
    auto& n = N.Network[static_cast<size_t>(i)];
    for (int32_t c = 0; c < 3; ++c)
      n[static_cast<size_t>(c)] = std::clamp(n[static_cast<size_t>(c)] >> kNetBiasShift, 0, 255);
    n[3] = i;
    ColorMap[i] = TRGB{static_cast<uint8_t>(n[0]), static_cast<uint8_t>(n[1]), static_cast<uint8_t>(n[2])};
  }
  BuildGreenIndex(N);
  return net;
}

int32_t NeuQuantLookup(const TNeuQuantNetwork* Network, const TRGB& Color) {
  const TNeuQuantNetwork& N = *Network;
  const int32_t b = Color.b, g = Color.g, r = Color.r;
  int32_t bestD = 1000, best = -1;
  int32_t i = N.NetIndex[g], j = i - 1;
  auto consider = [&](const std::array<int32_t, 4>& p, int32_t greenDist) {
    int32_t dist = std::abs(greenDist) + std::abs(p[0] - b);
    if (dist >= bestD) return;
    dist += std::abs(p[2] - r);
    if (dist < bestD) {
      bestD = dist;
      best = p[3];
    }
  };
  while (i < N.NetSize || j >= 0) {
    if (i < N.NetSize) {
      const auto& p = N.Network[static_cast<size_t>(i)];
      const int32_t dist = p[1] - g;
      if (dist >= bestD) {
        i = N.NetSize;
      } else {
        ++i;
        consider(p, dist);
      }
    }
    if (j >= 0) {
      const auto& p = N.Network[static_cast<size_t>(j)];
      const int32_t dist = g - p[1];
      if (dist >= bestD) {
        j = -1;
      } else {
        --j;
        consider(p, dist);
      }
    }
  }
  return best;
}
