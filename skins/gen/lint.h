// The content lint: every rule of the skin content contract, checked on what
// the engine reads (the inflated container and its parsed ini text). Each
// failure names the section, the key and the reason.
#pragma once

#include <vector>

#include "platform/rtl/strings.h"
#include "skins/gen/raster.h"

struct TbsSkinLayout;
class TBitmap;
class TbsDataSkinControl;
class TbsDataSkinObject;

struct TLintFailure {
  String Section, Key, Reason;
};

std::vector<TLintFailure> LintSkinLayout(const TbsSkinLayout& Layout);
// Reads the container through the staged loader first.
std::vector<TLintFailure> LintSkinFile(const String& SknFileName);

// The coordinate frame of a rect key, one table for the lint and the atlas
// page: absolute in the section's picture, or relative to another rect of
// the section (Base), or not checked.
enum class TRectFrame : uint8_t { rfPicture, rfRelative, rfUnknown };
struct TKeyFrame {
  TRectFrame Frame;
  const char* Base;
};
TKeyFrame ControlKeyFrame(const TbsDataSkinControl& C, const String& Key);
TKeyFrame ObjectKeyFrame(const TbsDataSkinObject& O, const String& Key);
// Whether a rect key of a control names a sprite the engine draws
// transparently (keyed by its bottom-left pixel or its transparent colour).
bool KeyedSpriteKey(const TbsDataSkinControl& C, const String& Key);

// A bitmap's pixels (any format) as a raster.
TRaster BitmapToRaster(const TBitmap& B);
// The sentinel colour no skin may use.
inline constexpr TRgb kSentinelColour{0x01, 0xFE, 0x03};
// Contrast ratio of two colours, times 100.
int32_t ContrastRatio100(TRgb A, TRgb B);
