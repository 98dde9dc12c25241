// Text output and font measuring on device contexts, and the DrawText layout.
//
// Every text entry comes twice: the plain name takes UTF-8 (text that is not
// valid UTF-8 is read as Windows-1252) and the W name takes UTF-16. Counts,
// fits and per-character positions are in the code units of the string given
// (bytes or char16_t); the units of one character share its values.
//
// Glyphs are hinted and placed at integer advances without kerning. On 24- and
// 32-bit targets the antialiased coverage is blended with the text colour; on
// 1-, 4- and 8-bit targets it is thresholded at one half. Metrics never depend
// on the font's quality setting.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/rtl/types.h"

// ---- DrawText formats ----------------------------------------------------------
inline constexpr uint32_t DT_TOP = 0x00000000;
inline constexpr uint32_t DT_LEFT = 0x00000000;
inline constexpr uint32_t DT_CENTER = 0x00000001;
inline constexpr uint32_t DT_RIGHT = 0x00000002;
inline constexpr uint32_t DT_VCENTER = 0x00000004;  // single line only
inline constexpr uint32_t DT_BOTTOM = 0x00000008;   // single line only
inline constexpr uint32_t DT_WORDBREAK = 0x00000010;
inline constexpr uint32_t DT_SINGLELINE = 0x00000020;
inline constexpr uint32_t DT_EXPANDTABS = 0x00000040;
// Bits 8..15 hold the tab stop distance in average character widths; those
// bits then do not carry their own flags.
inline constexpr uint32_t DT_TABSTOP = 0x00000080;
inline constexpr uint32_t DT_NOCLIP = 0x00000100;
inline constexpr uint32_t DT_EXTERNALLEADING = 0x00000200;
inline constexpr uint32_t DT_CALCRECT = 0x00000400;
inline constexpr uint32_t DT_NOPREFIX = 0x00000800;
inline constexpr uint32_t DT_INTERNAL = 0x00001000;
inline constexpr uint32_t DT_EDITCONTROL = 0x00002000;
inline constexpr uint32_t DT_PATH_ELLIPSIS = 0x00004000;
inline constexpr uint32_t DT_END_ELLIPSIS = 0x00008000;
inline constexpr uint32_t DT_MODIFYSTRING = 0x00010000;
inline constexpr uint32_t DT_RTLREADING = 0x00020000;  // accepted, not acted on
inline constexpr uint32_t DT_WORD_ELLIPSIS = 0x00040000;
inline constexpr uint32_t DT_HIDEPREFIX = 0x00100000;

// ---- ExtTextOut options --------------------------------------------------------
inline constexpr uint32_t ETO_OPAQUE = 0x0002;
inline constexpr uint32_t ETO_CLIPPED = 0x0004;

struct DRAWTEXTPARAMS {
  uint32_t cbSize = sizeof(DRAWTEXTPARAMS);
  int32_t iTabLength = 0;      // tab stops, in average character widths (with DT_TABSTOP)
  int32_t iLeftMargin = 0;     // pixels
  int32_t iRightMargin = 0;    // pixels
  uint32_t uiLengthDrawn = 0;  // out: code units processed
};

// ================================================================================
// Measuring
// ================================================================================

// Metrics of the DC's font.
bool GetTextMetrics(HDC dc, TEXTMETRIC* tm);
// Width of the run and the font's cell height. A negative count fails.
bool GetTextExtentPoint32(HDC dc, const char* text, int32_t count, TSize* size);
bool GetTextExtentPoint32W(HDC dc, const char16_t* text, int32_t count, TSize* size);
// As GetTextExtentPoint32; fit (when given) receives how many units fit in
// maxExtent, dx (when given, count entries) the extent up to the end of each.
bool GetTextExtentExPoint(HDC dc, const char* text, int32_t count, int32_t maxExtent, int32_t* fit, int32_t* dx,
                          TSize* size);
bool GetTextExtentExPointW(HDC dc, const char16_t* text, int32_t count, int32_t maxExtent, int32_t* fit, int32_t* dx,
                           TSize* size);
// Advances of the characters first..last. The 8-bit entry reads 0x80..0xFF as
// Windows-1252.
bool GetCharWidth32(HDC dc, uint32_t first, uint32_t last, int32_t* widths);
bool GetCharWidth32W(HDC dc, uint32_t first, uint32_t last, int32_t* widths);

// ================================================================================
// Output (logical coordinates)
// ================================================================================

// At (x, y) by the DC's text alignment (or at the current position with
// TA_UPDATECP, which then moves); in the text colour, on the background
// colour when the background mode is OPAQUE; rotated by the font's escapement.
bool TextOut(HDC dc, int32_t x, int32_t y, const char* text, int32_t count);
bool TextOutW(HDC dc, int32_t x, int32_t y, const char16_t* text, int32_t count);
// ETO_OPAQUE fills rect with the background colour first; ETO_CLIPPED keeps
// the text inside rect. dx (count entries, optional) gives the advance of
// each unit instead of the font's.
bool ExtTextOut(HDC dc, int32_t x, int32_t y, uint32_t options, const TRect* rect, const char* text, int32_t count,
                const int32_t* dx);
bool ExtTextOutW(HDC dc, int32_t x, int32_t y, uint32_t options, const TRect* rect, const char16_t* text, int32_t count,
                 const int32_t* dx);
// Tabs expand to the stops: none given, every 8 average character widths; one,
// every tabStops[0] pixels; several, at tabOrigin + tabStops[i], and past the
// last stop a tab advances like a blank. Answers the extent: height in the
// high word, width in the low word; 0 on failure.
int32_t TabbedTextOut(HDC dc, int32_t x, int32_t y, const char* text, int32_t count, int32_t tabCount,
                      const int32_t* tabStops, int32_t tabOrigin);
int32_t TabbedTextOutW(HDC dc, int32_t x, int32_t y, const char16_t* text, int32_t count, int32_t tabCount,
                       const int32_t* tabStops, int32_t tabOrigin);

// Formats text in rect by the DT_* flags. count -1: up to the terminating
// zero. Answers the height of the text (0 on failure or for empty text).
// DT_CALCRECT draws nothing and sets rect's right and bottom to the extent of
// the text. The entries taking a String/WideString write the text shown back
// into it under DT_MODIFYSTRING (with an ellipsis flag).
int32_t DrawText(HDC dc, const char* text, int32_t count, TRect* rect, uint32_t format);
int32_t DrawTextW(HDC dc, const char16_t* text, int32_t count, TRect* rect, uint32_t format);
int32_t DrawText(HDC dc, String& text, TRect* rect, uint32_t format);
int32_t DrawTextW(HDC dc, WideString& text, TRect* rect, uint32_t format);
// As DrawText, with tab length and margins from params (may be nullptr).
int32_t DrawTextEx(HDC dc, const char* text, int32_t count, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params);
int32_t DrawTextExW(HDC dc, const char16_t* text, int32_t count, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params);
int32_t DrawTextEx(HDC dc, String& text, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params);
int32_t DrawTextExW(HDC dc, WideString& text, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params);

// ================================================================================
// DrawText layout (pure: measuring goes through the advance function)
// ================================================================================

using TAdvanceFunc = std::function<int32_t(char32_t)>;

// One laid-out line.
struct TTextLayoutLine {
  std::u32string Text;             // the characters shown
  std::vector<uint8_t> Underline;  // 1 where a prefix underlines the character
  int32_t Width = 0;               // pixels, tabs expanded
  bool Ellipsized = false;         // an ellipsis changed the line
  uint32_t SourceBegin = 0;        // code points of the original text shown
  uint32_t SourceEnd = 0;          //   by this line (prefix marks included)
};

struct TTextLayoutParams {
  uint32_t Format = 0;   // DT_* flags (the tab stop byte already taken out)
  int32_t Width = 0;     // room for a line, pixels
  int32_t TabWidth = 0;  // pixels between tab stops; 0 leaves tabs as characters
  TAdvanceFunc Advance;  // advance of one character
};

// Prefix marks, line breaks, word breaks and ellipses. Empty text has no lines;
// every line break starts a new line.
std::vector<TTextLayoutLine> LayoutDrawText(std::u32string_view text, const TTextLayoutParams& params);
// Pen position of each character of a line and, when width is given, the
// width of the line (tabs jump to the next multiple of tabWidth when > 0).
std::vector<int32_t> LinePens(std::u32string_view line, int32_t tabWidth, const TAdvanceFunc& advance,
                              int32_t* width = nullptr);
// The text with every line changed by an ellipsis replaced by what it shows,
// prefix marks written so that drawing the result shows the same.
std::u32string ModifiedDrawText(std::u32string_view text, const std::vector<TTextLayoutLine>& lines, uint32_t format);
// Tab stop distance in pixels for the format (and DrawTextEx's tab length).
int32_t DrawTextTabWidth(uint32_t format, int32_t aveCharWidth, const DRAWTEXTPARAMS* params);
