// Window scroll bars (WS_HSCROLL / WS_VSCROLL in the non-client area): range,
// page and position, the show/hide rule, and tracking with WM_HSCROLL /
// WM_VSCROLL. The flat scroll bar entries are the same functions.
#pragma once

#include <cstdint>

#include "platform/gui/windows.h"

inline constexpr int32_t SB_HORZ = 0;
inline constexpr int32_t SB_VERT = 1;
inline constexpr int32_t SB_CTL = 2;
inline constexpr int32_t SB_BOTH = 3;

// WM_HSCROLL / WM_VSCROLL codes (low word of wParam).
inline constexpr uint32_t SB_LINEUP = 0;
inline constexpr uint32_t SB_LINELEFT = 0;
inline constexpr uint32_t SB_LINEDOWN = 1;
inline constexpr uint32_t SB_LINERIGHT = 1;
inline constexpr uint32_t SB_PAGEUP = 2;
inline constexpr uint32_t SB_PAGELEFT = 2;
inline constexpr uint32_t SB_PAGEDOWN = 3;
inline constexpr uint32_t SB_PAGERIGHT = 3;
inline constexpr uint32_t SB_THUMBPOSITION = 4;
inline constexpr uint32_t SB_THUMBTRACK = 5;
inline constexpr uint32_t SB_TOP = 6;
inline constexpr uint32_t SB_LEFT = 6;
inline constexpr uint32_t SB_BOTTOM = 7;
inline constexpr uint32_t SB_RIGHT = 7;
inline constexpr uint32_t SB_ENDSCROLL = 8;

inline constexpr uint32_t SIF_RANGE = 0x0001;
inline constexpr uint32_t SIF_PAGE = 0x0002;
inline constexpr uint32_t SIF_POS = 0x0004;
inline constexpr uint32_t SIF_DISABLENOSCROLL = 0x0008;
inline constexpr uint32_t SIF_TRACKPOS = 0x0010;
inline constexpr uint32_t SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

inline constexpr uint32_t ESB_ENABLE_BOTH = 0;
inline constexpr uint32_t ESB_DISABLE_BOTH = 3;
inline constexpr uint32_t ESB_DISABLE_LEFT = 1;
inline constexpr uint32_t ESB_DISABLE_RIGHT = 2;
inline constexpr uint32_t ESB_DISABLE_UP = 1;
inline constexpr uint32_t ESB_DISABLE_DOWN = 2;
inline constexpr uint32_t ESB_DISABLE_LTUP = 1;
inline constexpr uint32_t ESB_DISABLE_RTDN = 2;

inline constexpr int32_t OBJID_CLIENT = -4;
inline constexpr int32_t OBJID_VSCROLL = -5;
inline constexpr int32_t OBJID_HSCROLL = -6;

inline constexpr uint32_t STATE_SYSTEM_UNAVAILABLE = 0x00000001;
inline constexpr uint32_t STATE_SYSTEM_PRESSED = 0x00000008;
inline constexpr uint32_t STATE_SYSTEM_INVISIBLE = 0x00008000;
inline constexpr uint32_t STATE_SYSTEM_OFFSCREEN = 0x00010000;

struct SCROLLINFO {
  uint32_t cbSize = sizeof(SCROLLINFO);
  uint32_t fMask = 0;
  int32_t nMin = 0;
  int32_t nMax = 0;
  uint32_t nPage = 0;
  int32_t nPos = 0;
  int32_t nTrackPos = 0;
};

// rgstate[0] is the bar itself, then the top/left arrow, the page area
// above the thumb, the thumb, the page area below it and the bottom/right
// arrow.
struct SCROLLBARINFO {
  uint32_t cbSize = sizeof(SCROLLBARINFO);
  TRect rcScrollBar;  // screen coordinates
  int32_t dxyLineButton = 0;
  int32_t xyThumbTop = 0;  // relative to rcScrollBar
  int32_t xyThumbBottom = 0;
  int32_t reserved = 0;
  uint32_t rgstate[6] = {};
};

// The "ScrollBar" control's own messages; the scroll functions reach a
// control with SB_CTL through them.
inline constexpr uint32_t SBM_SETPOS = 0x00E0;  // wParam pos, lParam redraw; answers the old position
inline constexpr uint32_t SBM_GETPOS = 0x00E1;
inline constexpr uint32_t SBM_SETRANGE = 0x00E2;       // wParam min, lParam max; answers the old position
inline constexpr uint32_t SBM_GETRANGE = 0x00E3;       // wParam int32_t* min, lParam int32_t* max
inline constexpr uint32_t SBM_ENABLE_ARROWS = 0x00E4;  // wParam ESB_*
inline constexpr uint32_t SBM_SETRANGEREDRAW = 0x00E6;
inline constexpr uint32_t SBM_SETSCROLLINFO = 0x00E9;     // wParam redraw, lParam SCROLLINFO*; answers the position
inline constexpr uint32_t SBM_GETSCROLLINFO = 0x00EA;     // lParam SCROLLINFO*
inline constexpr uint32_t SBM_GETSCROLLBARINFO = 0x00EB;  // lParam SCROLLBARINFO*

// Sets what fMask names. With SIF_RANGE or SIF_PAGE the bar is shown when
// the range exceeds the page (without a page: when max > min) and hidden
// otherwise, or left shown but disabled with SIF_DISABLENOSCROLL; showing or
// hiding changes the client area (WM_NCCALCSIZE, WM_SIZE). The page is kept
// within 0 .. max - min + 1 and the position within min .. max -
// max(page - 1, 0). Answers the position. With SB_CTL these functions send
// the SBM_ message to the scroll bar control hwnd itself.
int32_t SetScrollInfo(HWND hwnd, int32_t bar, const SCROLLINFO* si, bool redraw);
// Fills what fMask asks for; SIF_TRACKPOS is the thumb's position while it
// is dragged, else the position.
bool GetScrollInfo(HWND hwnd, int32_t bar, SCROLLINFO* si);
int32_t SetScrollPos(HWND hwnd, int32_t bar, int32_t pos, bool redraw);  // answers the old position
int32_t GetScrollPos(HWND hwnd, int32_t bar);
bool SetScrollRange(HWND hwnd, int32_t bar, int32_t min, int32_t max, bool redraw);
bool GetScrollRange(HWND hwnd, int32_t bar, int32_t* min, int32_t* max);
bool ShowScrollBar(HWND hwnd, int32_t bar, bool show);
// Answers false when nothing changed.
bool EnableScrollBar(HWND hwnd, uint32_t bar, uint32_t arrows);
bool GetScrollBarInfo(HWND hwnd, int32_t object, SCROLLBARINFO* info);

bool InitializeFlatSB(HWND hwnd);
bool UninitializeFlatSB(HWND hwnd);
inline int32_t FlatSB_SetScrollInfo(HWND hwnd, int32_t bar, const SCROLLINFO* si, bool redraw) {
  return SetScrollInfo(hwnd, bar, si, redraw);
}
inline bool FlatSB_GetScrollInfo(HWND hwnd, int32_t bar, SCROLLINFO* si) { return GetScrollInfo(hwnd, bar, si); }
inline int32_t FlatSB_SetScrollPos(HWND hwnd, int32_t bar, int32_t pos, bool redraw) {
  return SetScrollPos(hwnd, bar, pos, redraw);
}
inline int32_t FlatSB_GetScrollPos(HWND hwnd, int32_t bar) { return GetScrollPos(hwnd, bar); }
inline bool FlatSB_SetScrollRange(HWND hwnd, int32_t bar, int32_t min, int32_t max, bool redraw) {
  return SetScrollRange(hwnd, bar, min, max, redraw);
}
inline bool FlatSB_GetScrollRange(HWND hwnd, int32_t bar, int32_t* min, int32_t* max) {
  return GetScrollRange(hwnd, bar, min, max);
}
inline bool FlatSB_ShowScrollBar(HWND hwnd, int32_t bar, bool show) { return ShowScrollBar(hwnd, bar, show); }
inline bool FlatSB_EnableScrollBar(HWND hwnd, uint32_t bar, uint32_t arrows) {
  return EnableScrollBar(hwnd, bar, arrows);
}
