#include "imaging/model/processing/iequantizer.h"

#include <algorithm>
#include <cmath>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iecolordepth.h"
#include "platform/rtl/arith.h"

namespace {

// Score of a channel whose split failed.
constexpr double kFailedSplit = 17523.6;

}  // namespace

// ---- TIEColorIndexHash -----------------------------------------------------------------

TIEColorIndexHash::TIEColorIndexHash(int32_t ExpectedCount) {
  uint32_t bits = 4;
  while (bits < 24 && (uint32_t{1} << bits) < static_cast<uint32_t>(std::max(ExpectedCount, 1)) * 2u) ++bits;
  FKeys.assign(size_t{1} << bits, kEmpty);
  FValues.assign(size_t{1} << bits, 0);
  FMask = (uint32_t{1} << bits) - 1;
  FShift = 32 - bits;
}

bool TIEColorIndexHash::Add(uint32_t Colour, int32_t Index) {
  if (static_cast<uint32_t>(FCount + 1) * 2u > FMask + 1) Grow();
  uint32_t i = Slot(Colour);
  while (FKeys[i] != kEmpty) {
    if (FKeys[i] == Colour) return false;
    i = (i + 1) & FMask;
  }
  FKeys[i] = Colour;
  FValues[i] = Index;
  ++FCount;
  return true;
}

void TIEColorIndexHash::Grow() {
  std::vector<uint32_t> keys = std::move(FKeys);
  std::vector<int32_t> values = std::move(FValues);
  const uint32_t bits = 32 - FShift + 1;
  FKeys.assign(size_t{1} << bits, kEmpty);
  FValues.assign(size_t{1} << bits, 0);
  FMask = (uint32_t{1} << bits) - 1;
  FShift = 32 - bits;
  for (size_t k = 0; k < keys.size(); ++k) {
    if (keys[k] == kEmpty) continue;
    uint32_t i = Slot(keys[k]);
    while (FKeys[i] != kEmpty) i = (i + 1) & FMask;
    FKeys[i] = keys[k];
    FValues[i] = values[k];
  }
}

// ---- Exact colours ---------------------------------------------------------------------

std::unique_ptr<TIEExactColorList> BuildExactColorList(TIEBitmap* Bitmap, int32_t NColors, TRGB* ColorMap) {
  if (!Bitmap || Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB) return nullptr;
  auto list = std::make_unique<TIEExactColorList>();
  list->Index = TIEColorIndexHash(std::min(NColors, 4096));
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  if (!Bitmap->IsEmpty()) {
    TIEAccessScope readOnly(Bitmap, kIEReadOnly);
    uint32_t last = 0xFFFFFFFFu;  // runs of one colour are common
    for (int32_t y = 0; y < height; ++y) {
      const auto* p = static_cast<const TRGB*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t key = IEPackRGB(p[x]);
        if (key == last) continue;
        last = key;
        if (list->Index.Find(key) >= 0) continue;
        if (static_cast<int32_t>(list->Colors.size()) >= NColors) return nullptr;
        list->Index.Add(key, static_cast<int32_t>(list->Colors.size()));
        list->Colors.push_back(p[x]);
      }
    }
  }
  std::copy(list->Colors.begin(), list->Colors.end(), ColorMap);
  return list;
}

// ---- Median cut ------------------------------------------------------------------------

namespace {

void BoxStatistics(TMedianCutBox& B, int32_t TotalPixels) {
  B.Variance = 0;
  if (B.Count == 0) return;
  for (int32_t c = 0; c < 3; ++c) {
    int64_t s1 = 0, s2 = 0;
    for (int32_t j = B.Low[c]; j < B.High[c]; ++j) {
      const int64_t h = B.ChannelHistogram[c][j];
      s1 += j * h;
      s2 += int64_t{j} * j * h;
    }
    B.Mean[c] = static_cast<double>(s1) / B.Count;
    B.Variance += static_cast<double>(s2) - B.Mean[c] * B.Mean[c] * B.Count;
  }
  B.Variance = B.Variance / TotalPixels;
}

// Bounds down to the first and last non-empty level of each channel.
void ShrinkBox(TMedianCutBox& B) {
  for (int32_t c = 0; c < 3; ++c) {
    int32_t lo = B.Low[c], hi = B.High[c] - 1;
    while (lo < hi && B.ChannelHistogram[c][lo] == 0) ++lo;
    while (hi > lo && B.ChannelHistogram[c][hi] == 0) --hi;
    B.Low[c] = lo;
    B.High[c] = hi + 1;
  }
}

bool SplitAlong(const TMedianCutState& S, const TMedianCutBox& B, int32_t C, TMedianCutBox& Lower,
                TMedianCutBox& Upper) {
  const int32_t lo = B.Low[C], hi = B.High[C];
  if (lo + 1 >= hi) return false;
  const double m = B.Mean[C];
  const auto s0 = static_cast<int32_t>(Round((lo + m) * 0.5));
  const auto s1 = static_cast<int32_t>(Round((hi + m) * 0.5));
  const int64_t count = B.Count;
  int64_t cum = 0;
  for (int32_t j = lo; j < s0; ++j) cum += B.ChannelHistogram[C][j];
  double t = 0;
  int32_t best = s0;
  int64_t bestCount = count;
  double bestScore = -1;
  for (int32_t j = s0; j <= s1; ++j) {
    const int64_t h = j < 32 ? B.ChannelHistogram[C][j] : 0;
    cum += h;
    if (cum == count) break;
    t += static_cast<double>(j * h) / static_cast<double>(count);
    const double d = m - t;
    const double score = static_cast<double>(cum) / static_cast<double>(count - cum) * (d * d);
    if (score > bestScore) {
      bestScore = score;
      best = j;
      bestCount = cum;
    }
  }
  const int32_t s = best + 1;
  Lower = B;
  Lower.High[C] = s;
  Lower.Count = static_cast<uint32_t>(bestCount);
  Upper = B;
  Upper.Low[C] = s;
  Upper.Count = static_cast<uint32_t>(count - bestCount);
  if (Lower.Count == 0 || Upper.Count == 0) return false;

  // The lower box from the 3-D cells, the upper one by difference.
  for (auto& h : Lower.ChannelHistogram)
    for (int32_t& v : h) v = 0;
  for (int32_t r = Lower.Low[0]; r < Lower.High[0]; ++r)
    for (int32_t g = Lower.Low[1]; g < Lower.High[1]; ++g) {
      const uint32_t* cells = &S.Histogram[static_cast<size_t>(r * 1024 + g * 32)];
      for (int32_t b = Lower.Low[2]; b < Lower.High[2]; ++b) {
        const auto h = static_cast<int32_t>(cells[b]);
        if (h == 0) continue;
        Lower.ChannelHistogram[0][r] += h;
        Lower.ChannelHistogram[1][g] += h;
        Lower.ChannelHistogram[2][b] += h;
        Upper.ChannelHistogram[0][r] -= h;
        Upper.ChannelHistogram[1][g] -= h;
        Upper.ChannelHistogram[2][b] -= h;
      }
    }
  ShrinkBox(Lower);
  ShrinkBox(Upper);
  BoxStatistics(Lower, S.TotalPixels);
  BoxStatistics(Upper, S.TotalPixels);
  return true;
}

// Splits box B into itself and box N; false (and B retired) when no channel
// can be split.
bool SplitBox(TMedianCutState& S, int32_t B, int32_t N) {
  TMedianCutBox& box = S.Boxes[B];
  if (box.Variance == 0 || box.Count == 0) {
    box.Variance = 0;
    return false;
  }
  TMedianCutBox lower[3], upper[3];
  int32_t chosen = -1;
  double bestScore = kFailedSplit;
  for (int32_t c = 0; c < 3; ++c) {
    const double score =
        SplitAlong(S, box, c, lower[c], upper[c]) ? lower[c].Variance + upper[c].Variance : kFailedSplit;
    if (score < bestScore) {
      bestScore = score;
      chosen = c;
    }
  }
  if (chosen < 0) {
    box.Variance = 0;
    return false;
  }
  S.Boxes[B] = lower[chosen];
  S.Boxes[N] = upper[chosen];
  return true;
}

}  // namespace

std::unique_ptr<TMedianCutState> MedianCutQuantize(TIEBitmap* Bitmap, TRGB* ColorMap, int32_t NColors) {
  if (!Bitmap || Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB) return nullptr;
  auto state = std::make_unique<TMedianCutState>();
  TMedianCutState& S = *state;
  S.Source = Bitmap;
  S.Width = Bitmap->Width();
  S.Height = Bitmap->Height();
  // Images are limited to 2^31 bytes, so 24-bit pixel counts fit.
  S.TotalPixels = static_cast<int32_t>(int64_t{S.Width} * S.Height);
  S.ColorCount = NColors;
  S.Histogram.assign(32768, 0);

  TIEAccessScope readOnly(Bitmap, kIEReadOnly);
  for (int32_t y = 0; y < S.Height; ++y) {
    const auto* p = static_cast<const TRGB*>(Bitmap->ScanLine(y));
    for (int32_t x = 0; x < S.Width; ++x) ++S.Histogram[static_cast<size_t>(IEMedianCutCell(p[x]))];
  }

  TMedianCutBox& first = S.Boxes[0];
  for (int32_t cell = 0; cell < 32768; ++cell) {
    const auto h = static_cast<int32_t>(S.Histogram[static_cast<size_t>(cell)]);
    if (h == 0) continue;
    first.ChannelHistogram[0][cell >> 10] += h;
    first.ChannelHistogram[1][(cell >> 5) & 31] += h;
    first.ChannelHistogram[2][cell & 31] += h;
  }
  for (int32_t c = 0; c < 3; ++c) {
    first.Low[c] = 0;
    first.High[c] = 32;
  }
  first.Count = static_cast<uint32_t>(S.TotalPixels);
  BoxStatistics(first, S.TotalPixels);

  // The box table and the index bytes hold at most 256 boxes.
  const int32_t limit = std::clamp(NColors, 1, 256);
  int32_t n = 1;
  while (n < limit) {
    int32_t chosen = -1;
    double largest = 0;
    for (int32_t i = 0; i < n; ++i) {
      if (S.Boxes[i].Variance > largest) {
        largest = S.Boxes[i].Variance;
        chosen = i;
      }
    }
    if (chosen < 0) break;
    if (SplitBox(S, chosen, n)) ++n;
  }
  S.BoxCount = n;

  for (int32_t i = 0; i < n; ++i) {
    const TMedianCutBox& b = S.Boxes[i];
    ColorMap[i] = MakeTRGB(static_cast<uint8_t>(Round(b.Mean[0]) << 3), static_cast<uint8_t>(Round(b.Mean[1]) << 3),
                           static_cast<uint8_t>(Round(b.Mean[2]) << 3));
    for (int32_t r = b.Low[0]; r < b.High[0]; ++r)
      for (int32_t g = b.Low[1]; g < b.High[1]; ++g)
        std::fill_n(&S.IndexTable[r * 1024 + g * 32 + b.Low[2]], b.High[2] - b.Low[2], static_cast<uint8_t>(i));
  }

  // Refinement: each entry becomes the mean of the pixels it stands for.
  if (S.Width > 1 && S.Height > 1) {
    try {
      int64_t sum[256][3] = {};
      int64_t count[256] = {};
      int32_t largest = -1;
      for (int32_t y = 0; y < S.Height; ++y) {
        const auto* p = static_cast<const TRGB*>(Bitmap->ScanLine(y));
        for (int32_t x = 0; x < S.Width; ++x) {
          const int32_t i = S.IndexTable[IEMedianCutCell(p[x])];
          sum[i][0] += p[x].r;
          sum[i][1] += p[x].g;
          sum[i][2] += p[x].b;
          ++count[i];
          largest = std::max(largest, i);
        }
      }
      for (int32_t i = 0; i <= largest; ++i) {
        if (count[i] == 0) continue;
        const auto c = static_cast<double>(count[i]);
        ColorMap[i] = MakeTRGB(static_cast<uint8_t>(Round(static_cast<double>(sum[i][0]) / c)),
                               static_cast<uint8_t>(Round(static_cast<double>(sum[i][1]) / c)),
                               static_cast<uint8_t>(Round(static_cast<double>(sum[i][2]) / c)));
      }
    } catch (...) {
      // A row that cannot be read leaves the box colours in place.
    }
  }
  return state;
}

// ---- TIEQuantizer ----------------------------------------------------------------------

TIEQuantizer::TIEQuantizer(TIEBitmap* Bitmap, TRGB* ColorMap, int32_t ColorMapHigh, int32_t NColors, int32_t Quality,
                           int32_t Method)
    : FSource(Bitmap) {
  // The network (Quality, Method) is never chosen by construction.
  (void)Quality;
  (void)Method;
  FPaletteIndex = TIEColorIndexHash(16);
  int32_t n = std::min(NColors, ColorMap ? ColorMapHigh + 1 : 0);
  if (Bitmap && Bitmap->PixelFormat() == TIEPixelFormat::ie8p) n = std::min(n, Bitmap->PaletteLength());
  FColorCount = std::max(n, 0);
  if (!Bitmap || FColorCount < 1) return;

  FIsGray = IEIsGrayscale(Bitmap);
  // 256 gray levels already hold every gray: a longer ramp would repeat
  // levels and move pixels off their own.
  if (FIsGray) FColorCount = std::min(FColorCount, 256);
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if (!FIsGray && format == TIEPixelFormat::ie24RGB) {
    FExactColors = BuildExactColorList(Bitmap, FColorCount, ColorMap);
    if (FExactColors) {
      FMode = TMode::Exact;
      FEntries = FExactColors->Colors;
      FLookup = &FExactColors->Index;
      return;
    }
    FMethod = 1;
    FMedianCut = MedianCutQuantize(Bitmap, ColorMap, FColorCount);
    FMode = TMode::MedianCut;
    FEntries.assign(ColorMap, ColorMap + FMedianCut->BoxCount);
    return;
  }

  if (format == TIEPixelFormat::ie8p) {
    for (int32_t i = 0; i < FColorCount; ++i) Bitmap->GetPaletteColor(i, ColorMap[i]);
  } else {
    const double step = 256.0 / FColorCount;
    for (int32_t i = 0; i < FColorCount; ++i) {
      const auto v = static_cast<uint8_t>(Trunc(step * i));
      ColorMap[i] = TRGB{v, v, v};
    }
  }
  FEntries.assign(ColorMap, ColorMap + FColorCount);
  if (FIsGray) {
    FMode = TMode::Gray;
    return;
  }
  // A palette that is not gray: colours answer their first entry.
  FPaletteIndex = TIEColorIndexHash(FColorCount);
  for (int32_t i = 0; i < FColorCount; ++i) FPaletteIndex.Add(IEPackRGB(FEntries[static_cast<size_t>(i)]), i);
  FLookup = &FPaletteIndex;
  FMode = TMode::Palette;
}

TIEQuantizer::~TIEQuantizer() = default;

int32_t TIEQuantizer::Nearest(const TRGB& Color) const {
  return NearestPaletteIndex(FEntries.data(), static_cast<int32_t>(FEntries.size()), Color);
}
