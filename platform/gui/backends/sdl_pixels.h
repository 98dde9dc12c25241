// Pixel work of the SDL2 backend that needs no display: copying a window's
// retained surface into an SDL frame buffer, window shape masks, and icon and
// cursor images as 32-bit pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/region.h"

// A 32-bit raster with bytes blue, green, red, unused per pixel (the window
// system's surfaces). Rows are stored bottom-up unless TopDown.
struct TSdlSource {
  const uint8_t* Bits = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;
  bool TopDown = false;
  // Row y counted from the top.
  const uint8_t* Row(int32_t y) const { return Bits + int64_t(Stride) * (TopDown ? y : Height - 1 - y); }
};

// A top-down frame buffer in a packed true-colour format: 2, 3 or 4 bytes a
// pixel, little-endian values with contiguous channel masks of up to 8 bits
// (alpha, when the format has it, is written opaque).
struct TSdlTarget {
  uint8_t* Pixels = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Pitch = 0;
  int32_t BytesPerPixel = 4;
  uint32_t RMask = 0x00FF0000;
  uint32_t GMask = 0x0000FF00;
  uint32_t BMask = 0x000000FF;
  uint32_t AMask = 0;
};

// Copies the w x h block whose top-left corner is (sx, sy) in the source to
// (dx, dy) in the target, converting the pixels; the block is clipped to
// both. False when the target's format is not one described above.
bool SdlCopyPixels(const TSdlSource& src, int32_t sx, int32_t sy, const TSdlTarget& dst, int32_t dx, int32_t dy,
                   int32_t w, int32_t h);

// A width x height mask as 0xAARRGGBB pixels, top-down: opaque white inside
// the region (window coordinates; nullptr for the whole window), transparent
// outside it. With a colour key (0x00BBGGRR) the pixels of the surface that
// hold exactly that colour are left out as well.
std::vector<uint32_t> SdlShapeMask(int32_t width, int32_t height, const TRegion* region, const TSdlSource* surface,
                                   bool useKey, COLORREF key);

// An icon or cursor as 0xAARRGGBB pixels, top-down, with its hot spot.
struct TSdlImage {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t HotX = 0;
  int32_t HotY = 0;
  std::vector<uint32_t> Argb;
};
// The icon's colour image with its alpha channel, or its mask where the
// colour image carries no alpha; a monochrome cursor's AND and XOR planes
// (inverting pixels show black). False for an invalid handle.
bool SdlIconImage(HICON icon, TSdlImage& out);
