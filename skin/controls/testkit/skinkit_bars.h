// The kit's bar controls: scroll bars, up-downs, the resize button and the
// slider, drawn as solid blocks of known colours on a picture of their own
// (appended to the kit's active pictures). Rects of descriptions are in the
// coordinates the engine reads them: button places and track relative to
// the skin rect, state images in the picture.
#pragma once

#include "skin/controls/testkit/skinkit.h"

namespace SkinKit {

// Horizontal bar 60 x 15: decreasing arrow 0..15, track 15..45, increasing
// arrow 45..60; "bothhscrollbar" adds a 15-pixel corner square.
inline constexpr TColor BarArrow = Rgb(90, 90, 160);
inline constexpr TColor BarTrack = Rgb(230, 230, 200);
inline constexpr TColor BarCorner = Rgb(60, 140, 60);
inline constexpr TColor HotUp = Rgb(255, 160, 0);
inline constexpr TColor DownUp = Rgb(200, 80, 0);
inline constexpr TColor HotDown = Rgb(0, 200, 255);
inline constexpr TColor DownDown = Rgb(0, 90, 200);
// Thumb states: 10 long, 13 across.
inline constexpr TColor Thumb = Rgb(120, 60, 30);
inline constexpr TColor HotThumb = Rgb(180, 90, 45);
inline constexpr TColor DownThumb = Rgb(60, 30, 15);
// Up-down halves and the resize button's nine-part states.
inline constexpr TColor UpDownFace = Rgb(150, 150, 220);
inline constexpr TColor ResizeFace = Rgb(210, 180, 240);
inline constexpr TColor ResizeHot = Rgb(240, 200, 120);
inline constexpr TColor ResizeDown = Rgb(160, 110, 60);
inline constexpr TColor ResizeArrow = Rgb(0, 0, 0);
inline constexpr TColor ResizeHotArrow = Rgb(255, 0, 0);
inline constexpr TColor ResizeDownArrow = Rgb(255, 255, 0);
// Slider: ruler 6 across (its last row is the key colour, left out when
// drawn), thumb states 11 x 13 whose bottom-left pixel is the key colour.
inline constexpr TColor SliderRuler = Rgb(40, 120, 40);
inline constexpr TColor SliderKey = Rgb(255, 255, 254);
inline constexpr TColor SliderThumb = Rgb(200, 40, 40);
inline constexpr TColor SliderThumbDown = Rgb(120, 20, 20);
inline constexpr TColor SliderBG = Rgb(250, 240, 210);
inline constexpr TColor SliderPoints = Rgb(0, 0, 160);

}  // namespace SkinKit

// Appends the bars' picture and descriptions to S.
void AddKitBarDescriptions(TbsSkinData* S);
