// Contact sheets: pages that show a generated skin as the engine composes
// it, saved as PNG for review. Pages live in a registry so that later
// components add their own.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/rtl/graphtypes.h"
#include "skins/gen/raster.h"

struct TbsStagedSkin;
class TBitmap;
class TbsSkinData;
class TbsDataSkinCustomControl;

// A page renders from the staged skin (Render) or, when it shows the engine's
// own windows, from the skin loaded into a skin data (RenderLive).
struct TSheetPage {
  String Name;
  std::function<TRaster(const TbsStagedSkin& Skin)> Render;
  std::function<TRaster(TbsSkinData& Skin)> RenderLive;
};

// The popup menus of a skin as its windows show them: a twelve-item menu
// with a submenu open, a scrolling 30-item menu, the same menu in the
// default look.
TRaster MenusPage(TbsSkinData& Skin);

// The skinned frame of a form: the frame at three widths, active and
// inactive, with its region over a checkerboard; the plain look; each
// caption button in its states; skinned hints of one and two lines.
TRaster SkinFramePage(TbsSkinData& Skin);

// The main menu bar, skinned and in the default look: six items with one
// hot and one pressed with its drop-down open, a narrow bar with its
// chevron, and the form's system menu normal, maximised and rolled up.
TRaster MenuBarPage(TbsSkinData& Skin);

// Parts side by side in rows on white, 20 pixels apart and from the edges.
TRaster BuildSheetPage(const std::vector<std::vector<TRaster>>& Rows);

// The registered pages, in order: atlas, elements, frame, menus,
// skinframe, menubar, then any added.
std::vector<TSheetPage>& SheetPages();
void RegisterSheetPage(TSheetPage Page);

// State (a rect of Source) of a control section composed at W x H the way
// the engine resizes it (nine-part, three-part or fixed, by its corner
// points), over a bitmap first filled with Under.
TRaster ComposeSection(const TbsDataSkinCustomControl& C, TBitmap& Source, const TRect& State, int32_t W, int32_t H,
                       TRgb Under);

// Renders every page of the container into Dir as "NN-<page>.png" (inside a
// headless session on a virtual clock); answers the files written.
std::vector<String> WriteContactSheets(const String& SknFileName, int32_t Number, const String& Dir);
