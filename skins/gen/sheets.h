// Contact sheets: pages that show a generated skin as the engine composes
// it, saved as PNG for review. Pages live in a registry so that later
// components add their own.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/strings.h"
#include "skins/gen/raster.h"

struct TbsStagedSkin;

struct TSheetPage {
  String Name;
  std::function<TRaster(const TbsStagedSkin& Skin)> Render;
};

// The registered pages, in order: atlas, elements, frame, then any added.
std::vector<TSheetPage>& SheetPages();
void RegisterSheetPage(TSheetPage Page);

// Renders every page of the container into Dir as "NN-<page>.png" (inside a
// headless session on a virtual clock); answers the files written.
std::vector<String> WriteContactSheets(const String& SknFileName, int32_t Number, const String& Dir);
