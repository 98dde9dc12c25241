// The kit's tool-bar family: tool panel, status bar, splitters, bevels and
// the menu tool buttons, on a picture of their own. Solid blocks; rects of
// nine-part frames relative to their skin rects, state images absolute.
#pragma once

#include "skin/controls/testkit/skinkit.h"

namespace SkinKit {

// "toolpanel": horizontal three-part (0, 0, 30, 24), 5-pixel caps ToolCap
// round a ToolMiddle middle.
inline constexpr TColor ToolCap = Rgb(90, 30, 30);
inline constexpr TColor ToolMiddle = Rgb(250, 240, 210);
// "statusbar": nine-part (0, 30, 30, 50), a 3-pixel StatusEdge round
// StatusFace; gripper picture (30, 30, 42, 42) in StatusGrip.
// "kitstatusnogrip": the same without a gripper picture.
inline constexpr TColor StatusEdge = Rgb(60, 60, 90);
inline constexpr TColor StatusFace = Rgb(210, 220, 240);
inline constexpr TColor StatusGrip = Rgb(200, 100, 0);
inline constexpr TRect StatusGripRect{30, 30, 42, 42};
// "vsplitter": vertical three-part (50, 0, 58, 40), 5-pixel SplitCap ends
// round SplitMiddle; gripper (60, 0, 64, 10) SplitGrip. "hsplitter":
// horizontal three-part (70, 0, 110, 8) alike, gripper (60, 12, 70, 16).
inline constexpr TColor SplitCap = Rgb(40, 90, 40);
inline constexpr TColor SplitMiddle = Rgb(150, 210, 150);
inline constexpr TColor SplitGrip = Rgb(255, 0, 128);
inline constexpr int32_t SplitterSize = 8;
// "bevel": the two colours; "kitbevelnokeys": a bevel without them.
inline constexpr TColor BevelLight = Rgb(255, 240, 0);
inline constexpr TColor BevelDark = Rgb(0, 60, 160);
// "toolmenubutton": a menu button, horizontal three-part (0, 60, 40, 80),
// 3-pixel left cap and 15-pixel right cap, its last 18 columns the drop-down part
// (trackbuttonrect (22, 0, 40, 20)): normal at (0, 60), active at (40, 60),
// down at (80, 60), each a face and a strip colour. Menu markers 7 x 4 at
// (120, 60) normal, (127, 60) active, (134, 60) down, white transparent.
inline constexpr TColor MenuFace[3] = {Rgb(220, 220, 220), Rgb(170, 210, 250), Rgb(70, 100, 170)};
inline constexpr TColor MenuStrip[3] = {Rgb(190, 190, 190), Rgb(120, 170, 230), Rgb(30, 50, 120)};
inline constexpr TColor MenuMarker[3] = {Rgb(0, 0, 0), Rgb(0, 0, 200), Rgb(255, 255, 0)};
// "resizetoolbutton": nine-part 30 x 20 with 3-pixel edges, normal (0, 84),
// active (30, 84), down (60, 84), faces ResizeToolFace. "htracktoolbutton" and
// "vtracktoolbutton": nine-part 15 x 20, 2-pixel edges, normal (90, 84),
// active (105, 84), down (120, 84), faces TrackFace.
inline constexpr TColor ResizeToolEdge = Rgb(50, 50, 50);
inline constexpr TColor ResizeToolFace[3] = {Rgb(235, 235, 225), Rgb(255, 230, 150), Rgb(200, 120, 40)};
inline constexpr TColor TrackFace[3] = {Rgb(225, 235, 235), Rgb(150, 255, 230), Rgb(40, 200, 120)};

void AddToolBarDescriptions(TbsSkinData* Skin);

}  // namespace SkinKit
