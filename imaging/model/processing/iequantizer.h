// TIEQuantizer: every reduction of a true-colour image to a palette. Given a
// source bitmap and a colour count N it fills the caller's colour map and then
// answers, for any colour, the index of its entry in that map. Behind it stand
// an exact-colour list (images of at most N colours) and a median cut on a
// 15-bit histogram (every other true-colour image); the Kohonen network of
// ieneuquant.h is a second method that stands on its own; construction
// never selects it. Gray and palette sources need none of them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/pixels/iedefs.h"

class TIEBitmap;

// ---- Colour to index hash ---------------------------------------------------------
// Open addressing over colours packed as 0x00RRGGBB; the first index stored
// for a colour stays.
class TIEColorIndexHash {
 public:
  explicit TIEColorIndexHash(int32_t ExpectedCount = 16);
  // The index of Colour, or -1.
  int32_t Find(uint32_t Colour) const {
    uint32_t i = Slot(Colour);
    while (FKeys[i] != kEmpty) {
      if (FKeys[i] == Colour) return FValues[i];
      i = (i + 1) & FMask;
    }
    return -1;
  }
  // Adds Colour with Index unless it is there; true when it was new.
  bool Add(uint32_t Colour, int32_t Index);
  int32_t Count() const { return FCount; }

 private:
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  uint32_t Slot(uint32_t Colour) const { return ((Colour * 2654435761u) >> FShift) & FMask; }
  void Grow();

  std::vector<uint32_t> FKeys;
  std::vector<int32_t> FValues;
  uint32_t FMask = 0;
  uint32_t FShift = 0;
  int32_t FCount = 0;
};

inline uint32_t IEPackRGB(const TRGB& C) { return (uint32_t{C.r} << 16) | (uint32_t{C.g} << 8) | C.b; }

// ---- Exact colours ----------------------------------------------------------------
// The distinct colours of an image in order of first appearance.
struct TIEExactColorList {
  std::vector<TRGB> Colors;
  TIEColorIndexHash Index;
};

// Only for ie24RGB (else nil): the colours of the image, rows from the top,
// pixels from the left. nil as soon as an (NColors + 1)-th colour appears.
// On success the colours are copied to ColorMap[0 .. count - 1]; the other
// entries are left as they were.
std::unique_ptr<TIEExactColorList> BuildExactColorList(TIEBitmap* Bitmap, int32_t NColors, TRGB* ColorMap);
// Position of Color in the list, or -1.
inline int32_t FindExactColor(const TIEExactColorList* List, const TRGB& Color) {
  return List ? List->Index.Find(IEPackRGB(Color)) : -1;
}

// ---- Median cut --------------------------------------------------------------------
struct TMedianCutBox {
  double Variance = 0;  // squared error / TotalPixels
  double Mean[3] = {};  // mean level per channel (red, green, blue), 0..31
  uint32_t Count = 0;   // pixels in the box
  int32_t ChannelHistogram[3][32] = {};
  int32_t Low[3] = {};   // inclusive
  int32_t High[3] = {};  // exclusive
};

struct TMedianCutState {
  // Counts of the 15-bit cells (R shr 3) * 1024 + (G shr 3) * 32 + (B shr 3).
  std::vector<uint32_t> Histogram;
  TMedianCutBox Boxes[256];
  // The box (palette index) of every cell; cells in no box are 0.
  uint8_t IndexTable[32768] = {};
  int32_t TotalPixels = 0;
  int32_t ColorCount = 0;
  int32_t BoxCount = 0;
  TIEBitmap* Source = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
};

inline int32_t IEMedianCutCell(const TRGB& C) { return (C.r >> 3) * 1024 + (C.g >> 3) * 32 + (C.b >> 3); }

// Median cut of an ie24RGB bitmap into at most min(NColors, 256) boxes;
// ColorMap[0 .. BoxCount - 1] receive the box colours (refined to the mean
// of their pixels when the image is at least 2 x 2).
std::unique_ptr<TMedianCutState> MedianCutQuantize(TIEBitmap* Bitmap, TRGB* ColorMap, int32_t NColors);
inline int32_t MedianCutLookup(const TMedianCutState* State, const TRGB& Color) {
  return State->IndexTable[IEMedianCutCell(Color)];
}

// ---- The quantizer -----------------------------------------------------------------
class TIEQuantizer {
 public:
  // ColorMap has room for ColorMapHigh + 1 entries; NColors above that room
  // (or, for an ie8p source, above its palette length; for a gray source,
  // above 256) is reduced to it, so nothing is written past the map. Quality and Method would choose the
  // Kohonen network, which construction never selects: a true-colour image
  // of more than NColors colours always gets the median cut (Method 1).
  TIEQuantizer(TIEBitmap* Bitmap, TRGB* ColorMap, int32_t ColorMapHigh, int32_t NColors, int32_t Quality,
               int32_t Method);
  ~TIEQuantizer();
  TIEQuantizer(const TIEQuantizer&) = delete;
  TIEQuantizer& operator=(const TIEQuantizer&) = delete;

  // The index of Color in the colour map, always one of the entries built
  // (0 when none was): a colour of the source gets its own entry, any other
  // colour the nearest entry (NearestPaletteIndex's rule).
  int32_t RGBIndex(const TRGB& Color) const {
    switch (FMode) {
      case TMode::Gray: return Color.r * FColorCount / 256;
      case TMode::MedianCut: return MedianCutLookup(FMedianCut.get(), Color);
      case TMode::Exact:
      case TMode::Palette: {
        const int32_t i = FLookup->Find(IEPackRGB(Color));
        return i >= 0 ? i : Nearest(Color);
      }
      default: return 0;
    }
  }

  int32_t Method() const { return FMethod; }
  bool IsGray() const { return FIsGray; }
  int32_t ColorCount() const { return FColorCount; }
  // Entries of the colour map written by construction.
  int32_t EntriesBuilt() const { return static_cast<int32_t>(FEntries.size()); }
  TIEBitmap* Source() const { return FSource; }
  const TIEExactColorList* ExactColors() const { return FExactColors.get(); }
  const TMedianCutState* MedianCut() const { return FMedianCut.get(); }

 private:
  enum class TMode : uint8_t { None, Gray, Exact, MedianCut, Palette };
  int32_t Nearest(const TRGB& Color) const;

  int32_t FMethod = 0;
  TMode FMode = TMode::None;
  bool FIsGray = false;
  int32_t FColorCount = 0;
  TIEBitmap* FSource = nullptr;
  std::unique_ptr<TIEExactColorList> FExactColors;
  std::unique_ptr<TMedianCutState> FMedianCut;
  // The colour map as built, for the nearest-entry answer; FLookup finds a
  // colour's first entry (the exact list's index, or FPaletteIndex).
  std::vector<TRGB> FEntries;
  TIEColorIndexHash FPaletteIndex;
  const TIEColorIndexHash* FLookup = nullptr;
};
