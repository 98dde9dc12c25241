// The generator's own vector glyphs, drawn into a box of the raster by the
// coverage primitives. Box: left, top and size in pixels.
#pragma once

#include "skins/gen/raster.h"

enum class TGlyph : uint8_t {
  gClose,
  gMaximize,
  gRestore,
  gMinimize,
  gRollUp,
  gRollDown,
  gTray,
  gSysMenu,
  gTick,
  gDot,
  gArrowLeft,
  gArrowRight,
  gArrowUp,
  gArrowDown,
  gGripDots,
  gGripLines,
  gChevron,
  gMenuMarker
};

void DrawGlyph(TRaster& R, TGlyph G, int32_t X, int32_t Y, int32_t W, int32_t H, TRgb C);
