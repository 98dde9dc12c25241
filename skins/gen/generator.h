// The skin generator: draws every picture of a skin from its theme and fills
// the engine's own description classes, which write the ini text.
#pragma once

#include <vector>

#include "platform/rtl/strings.h"
#include "skins/gen/raster.h"
#include "skins/gen/theme.h"

class TBitmap;

struct TGeneratedSkin {
  TRaster Picture, InactivePicture, Mask;  // empty rasters when absent
  std::vector<TRaster> Active;
  String IniText;  // CR LF lines
};

TGeneratedSkin GenerateSkin(const TSkinTheme& Theme);

// The raster as a 24-bit bitmap, or as a 1-bit one (black and white only).
void RasterToBitmap(const TRaster& R, TBitmap& B, bool OneBit);
// "skin.ini" and its BMP files in Dir (each through a temporary file).
void WriteSkinFiles(const TGeneratedSkin& Skin, const String& Dir);

// The picture file names the ini refers to.
inline constexpr const char* kPictureFile = "picture.bmp";
inline constexpr const char* kInactivePictureFile = "inactivepicture.bmp";
inline constexpr const char* kMaskFile = "mask.bmp";
String ActivePictureFile(int32_t Index);
