// Graphics types shared by the window system, the controls and the imaging
// code: colours with their names, font styles, points, sizes and rectangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "platform/rtl/arith.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/types.h"

// ---- Colours ----------------------------------------------------------------
// Red in the low byte, then green, then blue. With bit 31 set the value names
// a system colour whose index is in the low byte.
using TColor = int32_t;

constexpr TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16));
}
constexpr uint8_t GetRValue(TColor c) { return static_cast<uint8_t>(uint32_t(c) & 0xFF); }
constexpr uint8_t GetGValue(TColor c) { return static_cast<uint8_t>((uint32_t(c) >> 8) & 0xFF); }
constexpr uint8_t GetBValue(TColor c) { return static_cast<uint8_t>((uint32_t(c) >> 16) & 0xFF); }

constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor SystemColor(uint8_t index) { return static_cast<TColor>(0x80000000u | index); }

constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clMaroon = RGB(128, 0, 0);
constexpr TColor clGreen = RGB(0, 128, 0);
constexpr TColor clOlive = RGB(128, 128, 0);
constexpr TColor clNavy = RGB(0, 0, 128);
constexpr TColor clPurple = RGB(128, 0, 128);
constexpr TColor clTeal = RGB(0, 128, 128);
constexpr TColor clGray = RGB(128, 128, 128);
constexpr TColor clSilver = RGB(192, 192, 192);
constexpr TColor clRed = RGB(255, 0, 0);
constexpr TColor clLime = RGB(0, 255, 0);
constexpr TColor clYellow = RGB(255, 255, 0);
constexpr TColor clBlue = RGB(0, 0, 255);
constexpr TColor clFuchsia = RGB(255, 0, 255);
constexpr TColor clAqua = RGB(0, 255, 255);
constexpr TColor clWhite = RGB(255, 255, 255);
constexpr TColor clMoneyGreen = RGB(192, 220, 192);
constexpr TColor clSkyBlue = RGB(166, 202, 240);
constexpr TColor clCream = RGB(255, 251, 240);
constexpr TColor clMedGray = RGB(160, 160, 164);

constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

struct TIdentMapEntry {
  int32_t Value;
  const char* Name;
};

// Every colour that has a name, in the order names are looked up.
inline constexpr TIdentMapEntry ColorIdents[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};
inline constexpr size_t ColorIdentCount = std::size(ColorIdents);

// The name of Color ("clWhite"); false when it has none.
bool ColorToIdent(TColor Color, String& Ident);
// The colour of a name, ignoring case; false when there is no such name.
bool IdentToColor(const String& Ident, TColor& Color);
// The name, else "$00BBGGRR" (8 upper-case hex digits).
String ColorToString(TColor Color);
// A name, "$" hex or a decimal number; EConvertError otherwise.
TColor StringToColor(const String& S);

// ---- Fonts and text ---------------------------------------------------------
enum class TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;

enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// ---- Points, sizes, rectangles ----------------------------------------------
// Coordinates wrap around at 32 bits as the platform's do.
struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and Bottom are outside the rectangle.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  constexpr int32_t Width() const { return SubWrap32(Right, Left); }
  constexpr int32_t Height() const { return SubWrap32(Bottom, Top); }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(int32_t X, int32_t Y) { return TPoint{X, Y}; }
constexpr TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  return TRect{Left, Top, Right, Bottom};
}
// The rectangle of the given size with its top-left corner at (Left, Top).
constexpr TRect Bounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
  return TRect{Left, Top, AddWrap32(Left, Width), AddWrap32(Top, Height)};
}

// Empty: no area (Right <= Left or Bottom <= Top).
bool IsRectEmpty(const TRect& R);
bool EqualRect(const TRect& A, const TRect& B);
bool PtInRect(const TRect& R, const TPoint& P);
// Dst := the common part of A and B; when there is none, Dst is all zero and
// the answer false.
bool IntersectRect(TRect& Dst, const TRect& A, const TRect& B);
// Dst := the smallest rectangle holding A and B, ignoring an empty one; false
// (and Dst all zero) when both are empty.
bool UnionRect(TRect& Dst, const TRect& A, const TRect& B);
bool OffsetRect(TRect& R, int32_t DX, int32_t DY);
// Grows R by DX on the left and right and by DY on the top and bottom
// (shrinks for negative values).
bool InflateRect(TRect& R, int32_t DX, int32_t DY);
