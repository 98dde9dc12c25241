// The kit's combo box descriptions on a picture of their own (appended to
// the kit's active pictures): "combobox", a 100 x 20 three-part frame whose
// right cap holds the button place, with "listbox" as its drop-down list and
// the item and button state images beside it; "combobutton", a nine-part
// freely sized button. Places are relative to the skin rect.
#pragma once

#include "skin/controls/testkit/skinkit.h"

namespace SkinKit {

inline constexpr TRect ComboSkinRect{0, 0, 100, 20};
inline constexpr TRect ComboActiveRect{0, 20, 100, 40};
// Client (item area) and button place; the right cap is 22 pixels.
inline constexpr TRect ComboClientRect{3, 3, 78, 17};
inline constexpr TRect ComboButtonPlace{80, 2, 97, 18};
inline constexpr TColor ComboFrame = Rgb(60, 80, 120);
inline constexpr TColor ComboFace = Rgb(240, 240, 228);
inline constexpr TColor ComboActiveFrame = Rgb(30, 100, 190);
inline constexpr TColor ComboActiveFace = Rgb(228, 240, 255);
inline constexpr TColor ComboButtonFace = Rgb(140, 160, 200);
inline constexpr TColor ComboButtonHot = Rgb(255, 180, 70);
inline constexpr TColor ComboButtonDown = Rgb(200, 100, 20);
inline constexpr TColor ComboButtonDisabled = Rgb(180, 180, 180);
// Item pictures 60 x 14 with 5-pixel caps; text area (5, 0, 55, 14).
inline constexpr TColor ComboItemCap = Rgb(170, 170, 190);
inline constexpr TColor ComboItem = Rgb(250, 250, 240);
inline constexpr TColor ComboFocusItem = Rgb(40, 70, 170);
inline constexpr TColor ComboActiveItem = Rgb(200, 220, 250);
inline constexpr TColor ComboFont = Rgb(10, 10, 40);
inline constexpr TColor ComboFocusFont = Rgb(255, 255, 255);
inline constexpr TColor ComboActiveFont = Rgb(0, 40, 140);
// "combobutton": nine-part 20 x 20 with 3-pixel borders.
inline constexpr TColor ComboNineFace = Rgb(110, 170, 120);
inline constexpr TColor ComboNineHot = Rgb(150, 210, 160);

}  // namespace SkinKit

// Appends the combo boxes' picture and descriptions to S.
void AddKitComboDescriptions(TbsSkinData* S);
