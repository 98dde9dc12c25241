// The content lint: every rule of the skin content contract, checked on what
// the engine reads (the inflated container and its parsed ini text). Each
// failure names the section, the key and the reason.
#pragma once

#include <vector>

#include "platform/rtl/strings.h"
#include "skins/gen/raster.h"

struct TbsSkinLayout;
class TBitmap;

struct TLintFailure {
  String Section, Key, Reason;
};

std::vector<TLintFailure> LintSkinLayout(const TbsSkinLayout& Layout);
// Reads the container through the staged loader first.
std::vector<TLintFailure> LintSkinFile(const String& SknFileName);

// A bitmap's pixels (any format) as a raster.
TRaster BitmapToRaster(const TBitmap& B);
// The sentinel colour no skin may use.
inline constexpr TRgb kSentinelColour{0x01, 0xFE, 0x03};
// Contrast ratio of two colours, times 100.
int32_t ContrastRatio100(TRgb A, TRgb B);
