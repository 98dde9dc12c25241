// The kit's edit controls: the "edit" and "spinedit" descriptions (fixed
// height, horizontal three-part pictures with a client area and button
// places) and the nine-part "editbutton", on a picture of their own
// appended to the kit's active pictures. Places (client rect, button rects)
// are relative to the skin rect; state images are in the picture.
#pragma once

#include "skin/controls/testkit/skinkit.h"

namespace SkinKit {

// "edit": 60 x 20 at (0, 0); 5-pixel left cap, 20-pixel right cap holding
// the button place (42, 3, 57, 17); client (5, 3, 40, 17). The active look
// is the same picture at (0, 20) in other colours.
inline constexpr TRect EditSkinRect{0, 0, 60, 20};
inline constexpr TRect EditActiveRect{0, 20, 60, 40};
inline constexpr TRect EditClientRect{5, 3, 40, 17};
inline constexpr TRect EditButtonPlace{42, 3, 57, 17};
inline constexpr TColor EditFrame = Rgb(70, 90, 130);
inline constexpr TColor EditFace = Rgb(235, 240, 250);
inline constexpr TColor EditActiveFrame = Rgb(40, 110, 200);
inline constexpr TColor EditActiveFace = Rgb(225, 240, 255);
inline constexpr TColor EditButtonFace = Rgb(150, 170, 210);
inline constexpr TColor EditButtonHot = Rgb(255, 190, 90);
inline constexpr TColor EditButtonDown = Rgb(210, 120, 30);
inline constexpr TColor EditButtonDisabled = Rgb(190, 190, 190);
inline constexpr TColor EditFont = Rgb(20, 20, 60);
inline constexpr TColor EditActiveFont = Rgb(0, 60, 160);
inline constexpr TColor EditDisabledFont = Rgb(140, 140, 150);

// "spinedit": 60 x 20 at (0, 40), active look at (0, 60); 5-pixel caps on
// the left, 16 on the right with the buttons (45, 2, 58, 10) up and
// (45, 10, 58, 18) down; client (5, 3, 44, 17).
inline constexpr TRect SpinSkinRect{0, 40, 60, 60};
inline constexpr TRect SpinActiveRect{0, 60, 60, 80};
inline constexpr TRect SpinClientRect{5, 3, 44, 17};
inline constexpr TRect SpinUpPlace{45, 2, 58, 10};
inline constexpr TRect SpinDownPlace{45, 10, 58, 18};
inline constexpr TColor SpinFace = Rgb(245, 235, 215);
inline constexpr TColor SpinActiveFace = Rgb(255, 245, 225);
inline constexpr TColor SpinButtonFace = Rgb(190, 160, 120);
inline constexpr TColor SpinButtonHot = Rgb(250, 200, 90);
inline constexpr TColor SpinButtonDown = Rgb(200, 110, 40);

// "editbutton": nine-part 20 x 20 with 3-pixel borders at (90, 40); hot at
// (90, 60), pressed at (110, 60).
inline constexpr TColor EditButtonNine = Rgb(120, 150, 200);

}  // namespace SkinKit

// Appends the edits' picture and descriptions to S.
void AddKitEditDescriptions(TbsSkinData* S);
