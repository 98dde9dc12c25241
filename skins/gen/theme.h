// A theme: the short description a skin is generated from (an ini file).
//
//   [identity] number, skinname, author, email, url, comment
//   [palette]  colours as #RRGGBB (see TSkinPalette)
//   [material] kind = flat | gradient | glossy | bevel | pinstripe | glass,
//              strength (0..64), split (0..1024, where a glossy band ends)
//   [metrics]  frame, caption, button, control and font sizes
//   [inactive] look = picture, or an inactive effect word
//   [transitions] morphing (0/1), morphkind (a morph word)
#pragma once

#include <cstdint>

#include "platform/rtl/strings.h"
#include "skin/engine/data/skinini.h"
#include "skins/gen/raster.h"

class TMemIniFile;

struct TSkinPalette {
  TRgb Face, FaceLight, FaceDark, Border, Text, DisabledText, Field, FieldText;
  TRgb Selection, SelectionText, Accent, AccentText;
  TRgb CaptionTop, CaptionBottom, InactiveCaptionTop, InactiveCaptionBottom;
  TRgb CaptionText, InactiveCaptionText, CloseHot;
  TRgb Menu, MenuText, Hint, HintText, Track, Thumb, Progress;
};

enum class TSkinMaterial : uint8_t { smFlat, smGradient, smGlossy, smBevel, smPinstripe, smGlass };
enum class TButtonShape : uint8_t { bsSquare, bsRounded, bsDisc, bsStrip };

struct TSkinMetrics {
  int32_t FrameBorder = 4, CaptionHeight = 22, TopRadius = 0, BottomRadius = 0;
  bool Mask = false;
  bool ButtonsLeft = false;
  TButtonShape ButtonShape = TButtonShape::bsRounded;
  int32_t ButtonWidth = 22, ButtonHeight = 18, ButtonGap = 2;
  int32_t ButtonRadius = 3, FieldRadius = 2, TabRadius = 3;
  int32_t EditHeight = 21, ScrollBarSize = 17, MenuItemHeight = 22, MenuSeparator = 7;
  int32_t MenuBarHeight = 22, TabHeight = 22, StatusBarHeight = 21;
  int32_t FontHeight = 14, CaptionFontHeight = 14, HintFontHeight = 13;
};

struct TSkinTheme {
  int32_t Number = 0;
  String SkinName, Author, Email, Url, Comment;
  TSkinPalette Palette;
  TSkinMaterial Material = TSkinMaterial::smFlat;
  int32_t Strength = 16, Split = 512;
  TSkinMetrics Metrics;
  bool InactivePicture = true;
  TbsSkinEffect InactiveEffect = TbsSkinEffect::ieBrightness;
  bool Morphing = false;
  TbsMorphKind MorphKind = TbsMorphKind::mkDefault;
};

// Reads a theme; EConvertError names the section and key of a bad or
// missing value.
TSkinTheme LoadTheme(TMemIniFile* Ini);
TSkinTheme LoadThemeFile(const String& FileName);
