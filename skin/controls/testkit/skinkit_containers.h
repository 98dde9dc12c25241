// The kit's container descriptions: panels, the group box and the tabs, on
// a picture of their own (appended to the kit's active pictures) with a
// second small picture for the background-picture variants. Rects of the
// nine-part frames are relative to their skin rects, state images absolute.
#pragma once

#include "skin/controls/testkit/skinkit.h"

namespace SkinKit {

// "panel" and "groupbox": skin rect (0, 0, 40, 40), a 20-pixel caption strip
// on top, 8-pixel sides and bottom, client (8, 20, 32, 32) with a 2 x 2 mark
// at its top-left; caption rect (8, 2, 32, 18). The group box adds a caption
// frame image. Check images 12 x 12 (bottom-left pixel the key colour) and
// the roll-up mark frame 10 x 16.
inline constexpr TColor PanelCaption = Rgb(60, 60, 140);
inline constexpr TColor PanelSide = Rgb(140, 100, 60);
inline constexpr TColor PanelBottom = Rgb(100, 60, 140);
inline constexpr TColor PanelClient = Rgb(240, 235, 200);
inline constexpr TColor PanelMark = Rgb(200, 80, 80);
inline constexpr TColor PanelFont = Rgb(255, 255, 0);
inline constexpr TColor PanelKey = Rgb(255, 0, 255);
inline constexpr TColor PanelChecked = Rgb(0, 180, 0);
inline constexpr TColor PanelUnchecked = Rgb(180, 0, 0);
inline constexpr TColor PanelMarkFrame = Rgb(90, 90, 90);
inline constexpr TColor GroupFrame = Rgb(30, 150, 150);
// "kitbgpanel": the panel geometry with background picture 16 x 16, its
// top-left quarter BGMark, the rest BGTile.
inline constexpr TColor BGTile = Rgb(170, 210, 250);
inline constexpr TColor BGMark = Rgb(20, 40, 120);

// "tab": page frame skin rect (0, 50, 40, 90) with 4-pixel corners and
// sides (TabFrame) around client TabClient. Tab pictures 30 x 24 with 5-pixel
// caps: TabLeftCap on the left, TabRightCap on the right, the face between,
// its top 3 rows TabTopEdge (so a flip or a rotation shows). Faces: normal
// TabFace, active TabActiveFace, hot TabHotFace; no focus rect (it falls back
// to the active one). Tab-row background tile 10 x 10 TabsBG.
inline constexpr TColor TabFrame = Rgb(80, 40, 20);
inline constexpr TColor TabClient = Rgb(230, 250, 230);
inline constexpr TColor TabLeftCap = Rgb(255, 0, 0);
inline constexpr TColor TabRightCap = Rgb(0, 0, 255);
inline constexpr TColor TabTopEdge = Rgb(0, 0, 0);
inline constexpr TColor TabFace = Rgb(200, 200, 160);
inline constexpr TColor TabActiveFace = Rgb(250, 250, 210);
inline constexpr TColor TabHotFace = Rgb(160, 220, 250);
inline constexpr TColor TabsBG = Rgb(120, 160, 120);
inline constexpr TColor TabFont = Rgb(20, 20, 20);
inline constexpr TColor TabActiveFont = Rgb(0, 0, 160);
inline constexpr TRect TabPictureRect{50, 50, 80, 74};
inline constexpr int32_t TabPictureHeight = 24;
// "kitbgtab": the tab description with the background picture of
// "kitbgpanel"; "kittabsame": without an active tab picture.

// Adds the pictures and the "panel", "groupbox", "kitbgpanel", "tab",
// "kitbgtab" and "kittabsame" descriptions.
void AddContainerDescriptions(TbsSkinData* Skin);

}  // namespace SkinKit
