// DrawFrameControl and the small drawing helpers of the plain look shared by
// the standard controls (and usable by scroll bars and common controls):
// check boxes, radio buttons, push buttons, scroll arrows, the size grip,
// embossed disabled captions.
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/text.h"
#include "platform/rtl/types.h"

// Kinds.
inline constexpr uint32_t DFC_CAPTION = 1;
inline constexpr uint32_t DFC_MENU = 2;
inline constexpr uint32_t DFC_SCROLL = 3;
inline constexpr uint32_t DFC_BUTTON = 4;

// DFC_BUTTON parts.
inline constexpr uint32_t DFCS_BUTTONCHECK = 0x0000;
inline constexpr uint32_t DFCS_BUTTON3STATE = 0x0008;  // with DFCS_CHECKED: the grey mark
inline constexpr uint32_t DFCS_BUTTONRADIO = 0x0004;
inline constexpr uint32_t DFCS_BUTTONPUSH = 0x0010;

// DFC_SCROLL parts.
inline constexpr uint32_t DFCS_SCROLLUP = 0x0000;
inline constexpr uint32_t DFCS_SCROLLDOWN = 0x0001;
inline constexpr uint32_t DFCS_SCROLLLEFT = 0x0002;
inline constexpr uint32_t DFCS_SCROLLRIGHT = 0x0003;
inline constexpr uint32_t DFCS_SCROLLCOMBOBOX = 0x0005;
inline constexpr uint32_t DFCS_SCROLLSIZEGRIP = 0x0008;

// States.
inline constexpr uint32_t DFCS_INACTIVE = 0x0100;
inline constexpr uint32_t DFCS_PUSHED = 0x0200;
inline constexpr uint32_t DFCS_CHECKED = 0x0400;
inline constexpr uint32_t DFCS_ADJUSTRECT = 0x2000;  // push frames: rect becomes the inside
inline constexpr uint32_t DFCS_FLAT = 0x4000;

// The check box is 13 x 13 and the radio circle 12 x 12, drawn at the top-left
// of rect; push buttons and scroll parts fill rect. False for an unknown kind.
bool DrawFrameControl(HDC dc, TRect* rect, uint32_t kind, uint32_t state);

// Plain-look metrics.
inline constexpr int32_t StdCheckSize = 13;
inline constexpr int32_t StdRadioSize = 12;

// DrawText with the current font in transparent mode: enabled text in Color,
// disabled text embossed (clBtnHighlight at +1, +1, then clBtnShadow). The
// DC's text colour and background mode are restored. Answers the text height.
int32_t StdDrawCaption(HDC dc, const String& text, TRect& rect, uint32_t format, bool enabled, COLORREF color);

// A solid one-pixel frame in a system colour (COLOR_*).
void StdFrameRect(HDC dc, const TRect& rect, int32_t sysColor);

// tmHeight of a font (measured on a screen DC).
int32_t StdFontHeight(HFONT font);

// WM_PAINT of a native control: paints into the DC given in wParam (a copy of
// the control drawn by its parent or a skin), else between BeginPaint and
// EndPaint. Answers the message result.
template <class PaintFn>
LRESULT StdPaintMessage(HWND hwnd, WPARAM wParam, PaintFn&& paint) {
  if (wParam != 0) {
    paint(reinterpret_cast<HDC>(wParam));
  } else {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    paint(dc);
    EndPaint(hwnd, &ps);
  }
  return 0;
}
