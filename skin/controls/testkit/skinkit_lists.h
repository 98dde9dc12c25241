// The kit's list box descriptions on a picture of their own (appended to the
// kit's active pictures). "listbox" is a nine-part frame 100 x 60 whose top
// strip (20 high, the caption bar) holds the caption text area and the three
// caption buttons, with the item pictures and the buttons' state images
// below it. "listboxnoitem" is the same frame with an empty "itemrect".
#pragma once

#include "skin/controls/testkit/skinkit.h"

namespace SkinKit {

inline constexpr TRect ListRect{0, 0, 100, 60};
// Client part (10, 20) - (90, 50) of the frame; a 2 x 2 mark at its top-left.
inline constexpr TRect ListClientRect{10, 20, 90, 50};
inline constexpr TColor ListFrame = Rgb(70, 90, 130);
inline constexpr TColor ListCaption = Rgb(90, 120, 180);
inline constexpr TColor ListClient = Rgb(245, 245, 235);
inline constexpr TColor ListClientMark = Rgb(200, 200, 190);
// Caption buttons 12 x 14 (relative to the frame): check, down, up from the
// left of the top-right corner; their hot and pressed images below.
inline constexpr TRect ListCheckButton{56, 3, 68, 17};
inline constexpr TRect ListDownButton{70, 3, 82, 17};
inline constexpr TRect ListUpButton{84, 3, 96, 17};
inline constexpr TColor ListButton = Rgb(220, 220, 240);
inline constexpr TColor ListButtonHot = Rgb(255, 200, 80);
inline constexpr TColor ListButtonDown = Rgb(200, 120, 0);
// Item pictures 60 x 18 with 5-pixel caps; text area (5, 1, 55, 17).
inline constexpr int32_t ListItemHeight = 18;
inline constexpr TColor ListItemCap = Rgb(180, 180, 200);
inline constexpr TColor ListItem = Rgb(235, 235, 250);
inline constexpr TColor ListActiveItem = Rgb(60, 100, 200);
inline constexpr TColor ListFocusItem = Rgb(30, 60, 160);
inline constexpr TColor ListFont = Rgb(0, 0, 0);
inline constexpr TColor ListActiveFont = Rgb(255, 255, 255);
inline constexpr TColor ListFocusFont = Rgb(255, 255, 0);
inline constexpr TColor ListCaptionFont = Rgb(255, 255, 255);

}  // namespace SkinKit

// Appends the lists' picture and descriptions to S.
void AddKitListDescriptions(TbsSkinData* S);
