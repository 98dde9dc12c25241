// The kit's button and box descriptions: a picture of their own (added after
// the kit's others) with one solid block per state image and check image.
#pragma once

#include "skin/controls/testkit/skinkit.h"

namespace SkinKit {

// Push-button state blocks, 30 x 20 with a 3-pixel frame: normal, active,
// down, disabled side by side from (0, 0). "button" morphs; "kitbuttonanim"
// has a focus animation of three 30 x 20 frames side by side at (0, 20);
// "kitbuttonfixed" is the normal block at a fixed size, masked by the kit's
// mask picture.
inline constexpr TColor BtnFrame = Rgb(40, 40, 40);
inline constexpr TColor BtnNormal = Rgb(200, 200, 200);
inline constexpr TColor BtnActive = Rgb(150, 200, 250);
inline constexpr TColor BtnDown = Rgb(60, 90, 160);
inline constexpr TColor BtnDisabled = Rgb(225, 225, 215);
inline constexpr TColor BtnAnim[3] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)};
inline constexpr TColor BtnFont = Rgb(0, 0, 0);
inline constexpr TColor BtnActiveFont = Rgb(0, 0, 160);
inline constexpr TColor BtnDownFont = Rgb(255, 255, 255);
inline constexpr TColor BtnDisabledFont = Rgb(128, 128, 128);
// Check-box frames (100 x 20, three-part, 4-pixel caps): normal at (0, 40),
// active at (100, 40). Check images 13 x 13 from (0, 60), each a white
// (transparent) margin, a 1-pixel edge and a fill: checked, unchecked,
// active checked, active unchecked, disabled checked, disabled unchecked,
// then the radio box's checked and unchecked (its other images fall back).
inline constexpr TColor BoxFrame = Rgb(235, 225, 200);
inline constexpr TColor BoxActiveFrame = Rgb(250, 240, 160);
inline constexpr TColor BoxEdge = Rgb(20, 20, 60);
inline constexpr TColor CheckFill[8] = {Rgb(0, 100, 0),     Rgb(230, 230, 230), Rgb(0, 160, 0), Rgb(200, 230, 255),
                                        Rgb(110, 130, 110), Rgb(180, 180, 180), Rgb(120, 0, 0), Rgb(250, 200, 200)};
inline constexpr TColor BoxFont = Rgb(0, 0, 0);
inline constexpr TColor BoxActiveFont = Rgb(0, 0, 200);
inline constexpr TColor BoxFrameFont = Rgb(0, 80, 0);
inline constexpr TColor BoxDisabledFont = Rgb(140, 140, 140);
inline constexpr int32_t CheckSize = 13;

// Gauges: "gauge" a three-part frame (0, 80, 60, 90) with 4-pixel caps and
// progress area (2, 2, 58, 8); its bar picture (60, 80, 90, 86) has 3-pixel
// caps and a middle whose first column is marked. "vgauge" (vertical) a
// frame (100, 80, 110, 140) with area (2, 2, 8, 58) and bar (120, 80, 126,
// 110), its middle's bottom row marked.
inline constexpr TColor GaugeFrame = Rgb(90, 90, 110);
inline constexpr TColor GaugeCap = Rgb(255, 120, 0);
inline constexpr TColor GaugeBar = Rgb(40, 180, 40);
inline constexpr TColor GaugeMark = Rgb(20, 90, 20);
inline constexpr TColor GaugeFont = Rgb(255, 255, 255);

// "stdlabel": the labels' font colours, height 16.
inline constexpr TColor LabelFont = Rgb(0, 90, 0);
inline constexpr TColor LabelActiveFont = Rgb(200, 0, 90);

// Framed labels: "label" a three-part frame (130, 80, 190, 100) with
// 4-pixel caps (LabelCap) and client rect (4, 2, 56, 18) on LabelFace;
// "statuspanel" a nine-part frame (130, 104, 160, 124) with a 3-pixel
// PanelEdge around PanelFace. Both Arial 14 in FramedFont.
inline constexpr TColor LabelCap = Rgb(70, 70, 140);
inline constexpr TColor LabelFace = Rgb(230, 230, 250);
inline constexpr TColor PanelEdge = Rgb(100, 60, 20);
inline constexpr TColor PanelFace = Rgb(250, 240, 220);
inline constexpr TColor FramedFont = Rgb(120, 0, 0);

// Adds the picture and the "button", "kitbuttonanim", "kitbuttonfixed",
// "checkbox", "radiobox", "gauge" and "vgauge" descriptions, and
// "toolbutton" (the button blocks, no morph), "stdlabel", "label" and
// "statuspanel".
void AddButtonDescriptions(TbsSkinData* Skin);

}  // namespace SkinKit
