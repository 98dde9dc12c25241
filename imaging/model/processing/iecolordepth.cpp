#include "imaging/model/processing/iecolordepth.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iehash.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/model/processing/iequantizer.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/arith.h"

const int32_t IEDitherMatrix[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                      {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                      {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                      {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

namespace {

constexpr std::array<std::array<uint8_t, 24>, 256> Build1BitExpansionTable() {
  std::array<std::array<uint8_t, 24>, 256> table{};
  for (int32_t v = 0; v < 256; ++v)
    for (int32_t j = 0; j < 8; ++j) {
      const uint8_t level = (v & (0x80 >> j)) ? 255 : 0;
      for (int32_t k = 0; k < 3; ++k) table[static_cast<size_t>(v)][static_cast<size_t>(j * 3 + k)] = level;
    }
  return table;
}

const TIEDataAccess kReadWrite{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite};

void StartProgress(TIECodecProgress& Progress, int32_t Height) { Progress.Per1 = 100.0 / (Height + 0.5); }
void RowProgress(const TIECodecProgress& Progress, int32_t Y) {
  if (Progress.Event) IEDoProgress(Progress, Trunc((Y + 1) * Progress.Per1));
}

inline uint8_t Gray(const TRGB& C) { return static_cast<uint8_t>(IEGray8(C.r, C.g, C.b)); }

template <class T>
T Load(const uint8_t* Row, int32_t X) {
  T v;
  std::memcpy(&v, Row + sizeof(T) * static_cast<size_t>(X), sizeof(T));
  return v;
}

// Gray levels of the rows of one bitmap, by its format (not ie1g).
class TGrayRows {
 public:
  explicit TGrayRows(TIEBitmap* Bitmap) : FFormat(Bitmap->PixelFormat()), FWidth(Bitmap->Width()) {
    if (FFormat == TIEPixelFormat::ie8p)
      for (int32_t i = 0; i < 256; ++i) {
        TRGB c;
        Bitmap->GetPaletteColor(i, c);
        FPaletteGray[i] = Gray(c);
      }
  }
  void Read(const uint8_t* S, uint8_t* Out) const {
    switch (FFormat) {
      case TIEPixelFormat::ie8p:
        for (int32_t x = 0; x < FWidth; ++x) Out[x] = FPaletteGray[S[x]];
        break;
      case TIEPixelFormat::ie8g: std::memcpy(Out, S, static_cast<size_t>(FWidth)); break;
      case TIEPixelFormat::ie16g:
        for (int32_t x = 0; x < FWidth; ++x) Out[x] = S[2 * x + 1];  // the high byte
        break;
      case TIEPixelFormat::ie24RGB: {
        const auto* p = reinterpret_cast<const TRGB*>(S);
        for (int32_t x = 0; x < FWidth; ++x) Out[x] = Gray(p[x]);
        break;
      }
      case TIEPixelFormat::ie32f:
      case TIEPixelFormat::ieCMYK:
      case TIEPixelFormat::ieRGB48: {
        // The colours GetPixelAsRGB gives (ie32f limited to 0..1).
        FRgb.resize(static_cast<size_t>(FWidth));
        TIEBitmap::ConvertRowToRGB(FFormat, S, FWidth, nullptr, FRgb.data());
        for (int32_t x = 0; x < FWidth; ++x) Out[x] = Gray(FRgb[static_cast<size_t>(x)]);
        break;
      }
      default: std::memset(Out, 0, static_cast<size_t>(FWidth)); break;
    }
  }

 private:
  TIEPixelFormat FFormat;
  int32_t FWidth;
  uint8_t FPaletteGray[256] = {};
  mutable std::vector<TRGB> FRgb;
};

// The maximum-entropy level of a histogram; -2 when no level gives a
// positive sum of the two classes' entropies.
int32_t MaximumEntropyLevel(const std::array<int64_t, 256>& Counts, int64_t Total) {
  double p[256];
  double ht = 0;
  for (int32_t i = 0; i < 256; ++i) {
    p[i] = static_cast<double>(Counts[static_cast<size_t>(i)]) / static_cast<double>(Total);
    if (p[i] != 0) ht -= p[i] * std::log(p[i]);
  }
  int32_t level = -2;
  double best = 0, phi = 0, cumP = 0, cumH = 0;
  for (int32_t t = 1; t <= 255; ++t) {
    cumP += p[t - 1];
    if (p[t - 1] > 0) cumH -= p[t - 1] * std::log(p[t - 1]);
    if (cumP > 0 && cumP < 1) phi = std::log(cumP - cumP * cumP) + cumH / cumP + (ht - cumH) / (1 - cumP);
    if (phi > best) {
      best = phi;
      level = t;
    }
  }
  return level;
}

int32_t MeanGrayLevel(TIEBitmap* Bitmap) {
  int32_t r, g, b;
  AverageColor(Bitmap, r, g, b);
  return (21 * r + 71 * g + 8 * b) / 100;
}

// The hooks of the pixel-format conversion.
void QuantizeInto(TIEBitmap* Source, TIEBitmap* Dest, int32_t NColors) {
  TRGB map[256] = {};
  TIEQuantizer quantizer(Source, map, 255, NColors, -1, 0);
  for (int32_t i = 0; i < 256; ++i) Dest->SetPaletteColor(i, map[i]);
  const int32_t width = Source->Width(), height = Source->Height();
  TIEAccessScope readOnly(Source, kIEReadOnly);
  TIEAccessScope writeOnly(Dest, kIEWriteOnly);
  for (int32_t y = 0; y < height; ++y) {
    const auto* s = static_cast<const TRGB*>(Source->ScanLine(y));
    auto* d = static_cast<uint8_t*>(Dest->ScanLine(y));
    for (int32_t x = 0; x < width; ++x) d[x] = static_cast<uint8_t>(quantizer.RGBIndex(s[x]));
  }
  Dest->FreeRowBuffers();
}
void ThresholdHook(TIEBitmap* Source, TIEBitmap* Dest, int32_t Level) {
  TIECodecProgress none;
  ThresholdConvertTo1Bit(Source, Dest, Level, none);
}
void DitherHook(TIEBitmap* Bitmap) {
  TIECodecProgress none;
  DitherTo1Bit(Bitmap, none);
}

}  // namespace

const std::array<std::array<uint8_t, 24>, 256> IE1BitExpansionTable = Build1BitExpansionTable();

// ---- Quantizing -----------------------------------------------------------------------

void QuantizeBitmap(TIEBitmap* Bitmap, int32_t Colors, TRGB* Palette, TObject* Sender,
                    const TIEProgressEvent& OnProgress) {
  if (!Bitmap || Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || Colors < 1) return;
  std::vector<TRGB> own;
  if (!Palette) {
    own.resize(static_cast<size_t>(Colors));
    Palette = own.data();
  }
  TIEQuantizer quantizer(Bitmap, Palette, Colors - 1, Colors, -1, 0);
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  const double per = 100.0 / (height + 0.5);
  // With the exact list every pixel is its own entry: nothing changes.
  const bool unchanged = quantizer.ExactColors() != nullptr;
  TIEAccessScope access(Bitmap, kReadWrite);
  for (int32_t y = 0; y < height; ++y) {
    if (!unchanged) {
      auto* p = static_cast<TRGB*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < width; ++x) p[x] = Palette[quantizer.RGBIndex(p[x])];
    }
    if (OnProgress) IEDoProgress(OnProgress, Sender, Trunc(per * (y + 1)));
  }
  Bitmap->FreeRowBuffers();
}

// ---- To 1 bit -------------------------------------------------------------------------

void DitherTo1Bit(TIEBitmap* Bitmap, TIECodecProgress& Progress) {
  if (!Bitmap || Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || Bitmap->IsEmpty()) return;
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  TIEBitmap bw;
  bw.Allocate(width, height, TIEPixelFormat::ie1g);
  StartProgress(Progress, height);
  {
    TIEAccessScope readOnly(Bitmap, kIEReadOnly);
    TIEAccessScope writeOnly(&bw, kIEWriteOnly);
    for (int32_t y = 0; y < height; ++y) {
      const auto* s = static_cast<const TRGB*>(Bitmap->ScanLine(y));
      auto* d = static_cast<uint8_t*>(bw.ScanLine(y));
      const int32_t row = y & 7;
      for (int32_t x0 = 0; x0 < width; x0 += 8) {
        const int32_t n = width - x0 < 8 ? width - x0 : 8;
        uint8_t byte = 0;
        for (int32_t k = 0; k < n; ++k) {
          const TRGB& c = s[x0 + k];
          const int32_t f = (c.r >= 251 && c.g >= 251 && c.b >= 251) ? 64 : Gray(c) >> 2;
          if (IEDitherMatrix[k][row] < f) byte = static_cast<uint8_t>(byte | (0x80u >> k));
        }
        d[x0 >> 3] = byte;
      }
      RowProgress(Progress, y);
    }
    bw.FreeRowBuffers();
  }
  Bitmap->CopyFromTIEBitmap(&bw);
}

void ThresholdTo1Bit(TIEBitmap* Bitmap, int32_t Level, TIECodecProgress& Progress) {
  if (!Bitmap || Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB || Bitmap->IsEmpty()) return;
  TIEBitmap bw;
  bw.Allocate(Bitmap->Width(), Bitmap->Height(), TIEPixelFormat::ie1g);
  ThresholdConvertTo1Bit(Bitmap, &bw, Level, Progress);
  Bitmap->CopyFromTIEBitmap(&bw);
}

void ThresholdConvertTo1Bit(TIEBitmap* Source, TIEBitmap* Dest, int32_t Level, TIECodecProgress& Progress) {
  if (!Source || !Dest || Source == Dest) return;
  if (Source->PixelFormat() == TIEPixelFormat::ie1g) {
    Dest->CopyFromTIEBitmap(Source);
    return;
  }
  const int32_t width = Source->Width(), height = Source->Height();
  if (Source->IsEmpty() || Dest->PixelFormat() != TIEPixelFormat::ie1g || Dest->Width() != width ||
      Dest->Height() != height)
    return;
  if (Level == -2) {
    std::array<int64_t, 256> counts;
    GrayHistogram(Source, counts);
    Level = MaximumEntropyLevel(counts, int64_t{width} * height);
    // Two gray levels (or one) leave no level of positive entropy: the mean
    // colour's level still splits them.
  }
  if (Level == -1 || Level == -2) Level = MeanGrayLevel(Source);

  StartProgress(Progress, height);
  const TGrayRows grays(Source);
  std::vector<uint8_t> gray(static_cast<size_t>(width));
  TIEAccessScope readOnly(Source, kIEReadOnly);
  TIEAccessScope writeOnly(Dest, kIEWriteOnly);
  for (int32_t y = 0; y < height; ++y) {
    grays.Read(static_cast<const uint8_t*>(Source->ScanLine(y)), gray.data());
    auto* d = static_cast<uint8_t*>(Dest->ScanLine(y));
    for (int32_t x0 = 0; x0 < width; x0 += 8) {
      const int32_t n = width - x0 < 8 ? width - x0 : 8;
      uint8_t byte = 0;
      for (int32_t k = 0; k < n; ++k)
        if (gray[static_cast<size_t>(x0 + k)] >= Level) byte = static_cast<uint8_t>(byte | (0x80u >> k));
      d[x0 >> 3] = byte;
    }
    RowProgress(Progress, y);
  }
  Dest->FreeRowBuffers();
}

void GrayHistogram(TIEBitmap* Bitmap, std::array<int64_t, 256>& Counts) {
  Counts.fill(0);
  if (!Bitmap || Bitmap->IsEmpty()) return;
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  TIEAccessScope readOnly(Bitmap, kIEReadOnly);
  if (Bitmap->PixelFormat() == TIEPixelFormat::ie1g) {
    for (int32_t y = 0; y < height; ++y) {
      const auto* s = static_cast<const uint8_t*>(Bitmap->ScanLine(y));
      int64_t ones = 0;
      for (int32_t x = 0; x < width; ++x) ones += (s[x >> 3] >> (7 - (x & 7))) & 1;
      Counts[1] += ones;
      Counts[0] += width - ones;
    }
    return;
  }
  const TGrayRows grays(Bitmap);
  std::vector<uint8_t> gray(static_cast<size_t>(width));
  for (int32_t y = 0; y < height; ++y) {
    grays.Read(static_cast<const uint8_t*>(Bitmap->ScanLine(y)), gray.data());
    for (uint8_t g : gray) ++Counts[g];
  }
}

std::unique_ptr<TIEBitmap> TwoColorsTo1Bit(TIEBitmap* Bitmap, TRGB& Colour1, TRGB& Colour2) {
  if (!Bitmap || Bitmap->IsEmpty()) return nullptr;
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  const TIEPixelFormat format = Bitmap->PixelFormat();
  THash1 colours(13);
  auto bw = std::make_unique<TIEBitmap>();
  bw->Allocate(width, height, TIEPixelFormat::ie1g);
  TRGB palette[256];
  if (format == TIEPixelFormat::ie8p)
    for (int32_t i = 0; i < 256; ++i) Bitmap->GetPaletteColor(i, palette[i]);
  std::vector<TRGB> rgb(format == TIEPixelFormat::ie24RGB ? 0 : static_cast<size_t>(width));
  bool have1 = false, have2 = false;
  {
    TIEAccessScope readOnly(Bitmap, kIEReadOnly);
    TIEAccessScope writeOnly(bw.get(), kIEWriteOnly);
    // Stops after the row in which a third colour appeared.
    for (int32_t y = 0; y < height && colours.Count() <= 2; ++y) {
      const void* row = Bitmap->ScanLine(y);
      const TRGB* p = static_cast<const TRGB*>(row);
      if (format != TIEPixelFormat::ie24RGB) {
        TIEBitmap::ConvertRowToRGB(format, row, width, palette, rgb.data());
        p = rgb.data();
      }
      auto* d = static_cast<uint8_t*>(bw->ScanLine(y));
      for (int32_t x0 = 0; x0 < width; x0 += 8) {
        const int32_t n = width - x0 < 8 ? width - x0 : 8;
        uint8_t byte = 0;
        for (int32_t k = 0; k < n; ++k) {
          const TRGB& c = p[x0 + k];
          if (have1 && c == Colour1) continue;  // bit 0
          if (!(have2 && c == Colour2) && colours.AddKey(uint32_t{c.r} * 65536u + uint32_t{c.g} * 256u + c.b)) {
            if (!have1) {
              Colour1 = c;
              have1 = true;
              continue;
            }
            Colour2 = c;
            have2 = true;
          }
          byte = static_cast<uint8_t>(byte | (0x80u >> k));
        }
        d[x0 >> 3] = byte;
      }
    }
    bw->FreeRowBuffers();
  }
  if (colours.Count() != 2) return nullptr;
  auto level = [](const TRGB& C) {
    return static_cast<uint8_t>(
        Round((C.r * IEGrayWeightRed + C.g * IEGrayWeightGreen + C.b * IEGrayWeightBlue) / 100.0));
  };
  if (level(Colour2) < level(Colour1)) {
    InvertBits(bw.get());
    std::swap(Colour1, Colour2);
  }
  return bw;
}

// ---- 1 bit to 24 bits -----------------------------------------------------------------

void Expand1BitRowTo24Bit(const uint8_t* Row, uint8_t* Dest, int32_t Count) {
  if (Count <= 0) return;
  const int32_t whole = Count / 8, rest = Count % 8;
  for (int32_t i = 0; i < whole; ++i) std::memcpy(Dest + 24 * i, IE1BitExpansionTable[Row[i]].data(), 24);
  if (rest) std::memcpy(Dest + 24 * whole, IE1BitExpansionTable[Row[whole]].data(), static_cast<size_t>(rest) * 3);
}

void Convert1BitTo24Bit(TIEBitmap* Source, TIEBitmap* Dest, TIECodecProgress& Progress) {
  if (!Source || !Dest || Source == Dest || Source->PixelFormat() != TIEPixelFormat::ie1g) return;
  const int32_t width = Source->Width(), height = Source->Height();
  Dest->Allocate(width, height, TIEPixelFormat::ie24RGB);
  if (Dest->IsEmpty()) return;
  StartProgress(Progress, height);
  TIEAccessScope readOnly(Source, kIEReadOnly);
  TIEAccessScope writeOnly(Dest, kIEWriteOnly);
  for (int32_t y = 0; y < height; ++y) {
    const auto* s = static_cast<const uint8_t*>(Source->ScanLine(y));  // fetched first
    Expand1BitRowTo24Bit(s, static_cast<uint8_t*>(Dest->ScanLine(y)), width);
    RowProgress(Progress, y);
  }
  Dest->FreeRowBuffers();
}

void Convert1BitTBitmapTo24Bit(TBitmap* Source, TBitmap* Dest, TIECodecProgress& Progress) {
  if (!Source || !Dest || Source->PixelFormat() != TPixelFormat::pf1bit) return;
  std::unique_ptr<TBitmap> copy;
  if (Source == Dest) {
    copy = std::make_unique<TBitmap>();
    copy->Assign(Source);
    Source = copy.get();
  }
  const int32_t width = Source->Width(), height = Source->Height();
  Dest->SetSize(1, 1);
  Dest->SetPixelFormat(TPixelFormat::pf24bit);
  Dest->SetSize(width, height);
  if (width <= 0 || height <= 0) return;
  StartProgress(Progress, height);
  for (int32_t y = 0; y < height; ++y) {
    Expand1BitRowTo24Bit(Source->ScanLine(y), Dest->ScanLine(y), width);
    RowProgress(Progress, y);
  }
}

// ---- Rows -----------------------------------------------------------------------------

int32_t ConvertRowPixelDepth(const uint8_t* Source, uint8_t* Dest, int32_t SourceBits, const TIEQuantizer* Quantizer,
                             const TRGB* Palette, int32_t PaletteCount, int32_t Count, int32_t DestBits) {
  if (Count < 0) Count = 0;
  const auto entry = [Palette, PaletteCount](int32_t I) {
    if (!Palette || PaletteCount < 1) return TRGB{};
    return Palette[I < PaletteCount ? I : PaletteCount - 1];
  };
  auto* rgbOut = reinterpret_cast<TRGB*>(Dest);
  const auto* rgbIn = reinterpret_cast<const TRGB*>(Source);
  const auto bit = [Source](int32_t X) { return (Source[X >> 3] >> (7 - (X & 7))) & 1; };
  const auto nibble = [Source](int32_t X) { return (X & 1) ? Source[X >> 1] & 0x0F : Source[X >> 1] >> 4; };
  switch (SourceBits * 100 + DestBits) {
    case 2404:
      if (Quantizer)
        for (int32_t x = 0; x < Count; ++x)
          Dest[x >> 1] =
              static_cast<uint8_t>(Dest[x >> 1] | ((Quantizer->RGBIndex(rgbIn[x]) & 0x0F) << ((x & 1) ? 0 : 4)));
      break;
    case 2408:
      if (Quantizer)
        for (int32_t x = 0; x < Count; ++x) Dest[x] = static_cast<uint8_t>(Quantizer->RGBIndex(rgbIn[x]));
      break;
    case 2424: std::memcpy(Dest, Source, static_cast<size_t>(Count) * 3); break;
    case 3224:
      for (int32_t x = 0; x < Count; ++x) std::memcpy(Dest + 3 * x, Source + 4 * x, 3);
      break;
    case 801:
      std::memset(Dest, 0, static_cast<size_t>((Count + 7) / 8));
      for (int32_t x = 0; x < Count; ++x)
        Dest[x >> 3] = static_cast<uint8_t>(Dest[x >> 3] | ((Source[x] & 1) << (7 - (x & 7))));
      break;
    case 808: std::memcpy(Dest, Source, static_cast<size_t>(Count)); break;
    case 824:
      for (int32_t x = 0; x < Count; ++x) rgbOut[x] = entry(Source[x]);
      break;
    case 101: std::memcpy(Dest, Source, static_cast<size_t>((Count + 7) / 8)); break;
    case 104:
      for (int32_t x = 0; x < Count; ++x)
        Dest[x >> 1] = static_cast<uint8_t>(Dest[x >> 1] | (bit(x) << ((x & 1) ? 0 : 4)));
      break;
    case 108:
      for (int32_t x = 0; x < Count; ++x) Dest[x] = static_cast<uint8_t>(bit(x));
      break;
    case 124:
      for (int32_t x = 0; x < Count; ++x) rgbOut[x] = entry(bit(x));
      break;
    case 404: std::memcpy(Dest, Source, static_cast<size_t>((Count + 1) / 2)); break;
    case 408:
      for (int32_t x = 0; x < Count; ++x) Dest[x] = static_cast<uint8_t>(nibble(x));
      break;
    case 424:
      for (int32_t x = 0; x < Count; ++x) rgbOut[x] = entry(nibble(x));
      break;
    default: break;
  }
  switch (DestBits) {
    case 1: return (Count + 7) / 8;
    case 4: return (Count + 1) / 2;
    case 8: return Count;
    case 24: return 3 * Count;
    default: return 0;
  }
}

// ---- Small routines -------------------------------------------------------------------

void InvertBits(TIEBitmap* Bitmap) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  const int32_t height = Bitmap->Height();
  const auto rowLen = static_cast<size_t>(Bitmap->RowLen());
  TIEAccessScope access(Bitmap, kReadWrite);
  for (int32_t y = 0; y < height; ++y) {
    auto* p = static_cast<uint8_t*>(Bitmap->ScanLine(y));
    for (size_t i = 0; i < rowLen; ++i) p[i] = static_cast<uint8_t>(~p[i]);
  }
  Bitmap->FreeRowBuffers();
}

int32_t NearestPaletteIndex(const TRGB* Palette, int32_t Count, const TRGB& Colour) {
  int32_t best = 0, bestDistance = 1000;
  for (int32_t i = 0; i < Count; ++i) {
    const TRGB& e = Palette[i];
    const int32_t d = std::abs(e.r - Colour.r) + std::abs(e.g - Colour.g) + std::abs(e.b - Colour.b);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

int32_t NearestPaletteIndex(const TRGB* Palette, int32_t Count, int32_t Colour) {
  return NearestPaletteIndex(
      Palette, Count,
      MakeTRGB(static_cast<uint8_t>(Colour >> 16), static_cast<uint8_t>(Colour >> 8), static_cast<uint8_t>(Colour)));
}

// ---- Start-up -------------------------------------------------------------------------

void IEInstallColorDepthHooks() {
  TIEBitmap::ColorDepthHooks.Quantize = QuantizeInto;
  TIEBitmap::ColorDepthHooks.Threshold = ThresholdHook;
  TIEBitmap::ColorDepthHooks.Dither = DitherHook;
}
