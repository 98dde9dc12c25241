// The test skin kit: a skin built in code, one active picture of solid
// blocks in known colours at known rectangles, and the descriptions of the
// skinned-control tests registered under their section names. Linked by
// tests only.
#pragma once

#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "skin/engine/data/skindata.h"

namespace SkinKit {

// RGB values as TColor (0x00BBGGRR).
constexpr TColor Rgb(uint8_t R, uint8_t G, uint8_t B) { return TColor(R | (G << 8) | (B << 16)); }

// Nine-part block at (0, 0, 30, 30): 10-pixel corners and sides, a 10 x 10
// client tile with a 2 x 2 mark at its top-left.
inline constexpr TRect PanelRect{0, 0, 30, 30};
inline constexpr TColor TopLeft = Rgb(200, 0, 0);
inline constexpr TColor TopRight = Rgb(0, 200, 0);
inline constexpr TColor BottomLeft = Rgb(0, 0, 200);
inline constexpr TColor BottomRight = Rgb(200, 200, 0);
inline constexpr TColor TopSide = Rgb(200, 0, 200);
inline constexpr TColor BottomSide = Rgb(0, 200, 200);
inline constexpr TColor LeftSide = Rgb(100, 50, 0);
inline constexpr TColor RightSide = Rgb(0, 50, 100);
inline constexpr TColor Client = Rgb(255, 220, 180);
inline constexpr TColor Mark = Rgb(50, 50, 50);
// Horizontal three-part block at (0, 32, 30, 42): 10-pixel caps; the middle
// carries a 2 x 2 mark at its top-left.
inline constexpr TRect HBarRect{0, 32, 30, 42};
inline constexpr TColor HLeft = Rgb(120, 0, 0);
inline constexpr TColor HMiddle = Rgb(0, 120, 0);
inline constexpr TColor HRight = Rgb(0, 0, 120);
// Vertical three-part block at (32, 0, 42, 30): 10-pixel caps.
inline constexpr TRect VBarRect{32, 0, 42, 30};
inline constexpr TColor VTop = Rgb(120, 120, 0);
inline constexpr TColor VMiddle = Rgb(0, 120, 120);
inline constexpr TColor VBottom = Rgb(120, 0, 120);
// Fixed-size block at (44, 0, 68, 18), its top-left pixel marked.
inline constexpr TRect FixedRect{44, 0, 68, 18};
inline constexpr TColor Fixed = Rgb(255, 128, 0);
// Fixed-size masked block at (70, 0, 100, 30); the mask (picture 1, 30 x 30)
// is black (inside) on its left 15 columns.
inline constexpr TRect MaskedRect{70, 0, 100, 30};
inline constexpr TColor Masked = Rgb(128, 0, 255);
inline constexpr int32_t PictureWidth = 100;
inline constexpr int32_t PictureHeight = 42;

// One registered description and the blocks of its picture to read back.
struct TKitBlock {
  TRect Rect;  // in the picture
  TColor Color;
};
struct TKitEntry {
  String Name;
  std::vector<TKitBlock> Blocks;
};

// Every description the kit registers, with its expected blocks.
std::vector<TKitEntry> Entries();

}  // namespace SkinKit

// A loaded (not Empty) skin data of the kit's descriptions and pictures.
std::unique_ptr<TbsSkinData> CreateKitSkinData(TComponent* AOwner);
