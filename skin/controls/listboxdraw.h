// Drawing routines of the skinned lists' items and empty areas, shared by
// the inner list of the list box, its check-list twin and the drop-down list.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/stringlist.h"

// The list's tab stops: at most the first 10 strings of TabWidths; one that
// is empty or holds anything but the digits 0-9 gives a stop of 0.
std::vector<int32_t> ListTabStops(TStrings* TabWidths);
// Text with tabs expanded to ListTabStops(TabWidths) (tab origin 0), at
// T.Left + Start + 2 and vertically centred in T.
void DrawTabbedText(TCanvas* C, const String& Text, TStrings* TabWidths, int32_t Start, const TRect& T);
// Fills W x H at (X, Y) of C with copies of the client part of a skin
// picture (ClientRect relative to SkinRect's top-left), from (X, Y) on, each
// cut at the right and bottom edge. An empty client rect draws nothing.
void TileSkinClient(TCanvas* C, TBitmap* Picture, const TRect& SkinRect, const TRect& ClientRect, int32_t X, int32_t Y,
                    int32_t W, int32_t H);
