// Deterministic shelf packing of sprite blocks into one picture: the state
// images of a section sit side by side, shelves run top to bottom, and no
// picture grows beyond 1024 pixels either way.
#pragma once

#include <vector>

#include "platform/rtl/graphtypes.h"
#include "skins/gen/raster.h"

// Transparent sprites carry this colour in their one-pixel margin only.
inline constexpr TRgb kKeyColour{0xFF, 0x00, 0xFF};
inline constexpr int32_t kMaxPictureSize = 1024;

class TAtlas {
 public:
  // Background: what shows between sprites (never the key colour).
  explicit TAtlas(TRgb Background) : FBackground(Background) {}
  // A fixed area at the top, drawn at its own coordinates (caption buttons
  // whose normal image sits where the frame shows it).
  void Reserve(const TRaster& Area);
  // The states of one section, all of one size, side by side; answers their
  // rects in the picture. Transparent states get a key margin inside their rect.
  std::vector<TRect> Add(const std::vector<TRaster>& States, bool Transparent);
  TRaster Build() const;

 private:
  struct TPlaced {
    TRaster Image;
    int32_t X, Y;
  };
  TRgb FBackground;
  std::vector<TPlaced> FPlaced;
  int32_t FTop = 0, FX = 0, FShelf = 0, FWidth = 0;
};

// State image with a key margin: the image drawn at (1, 1) in a frame of
// kKeyColour one pixel wider on every side.
TRaster WithKeyMargin(const TRaster& Image);
