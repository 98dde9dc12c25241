// Internals shared by the painting, non-client, scroll-bar, caret and drag-
// and-drop parts of the window system (win_paint.cpp, win_nonclient.cpp,
// win_scrollbars.cpp, win_caret.cpp, win_ole.cpp, win_readback.cpp).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/gdi.h"
#include "platform/gui/region.h"
#include "platform/gui/win_internal.h"

// ---- Surfaces (win_paint.cpp) ---------------------------------------------------

// The pixels of a top-level window's surface: a 32-bit DIB the size of its
// window rectangle (at least 1 x 1). DCs keep the image they draw on alive,
// so a resize while a DC is out never frees memory under it.
struct TSurfaceImage {
  HBITMAP Bitmap = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  ~TSurfaceImage();
};

struct TWndSurface {
  std::shared_ptr<TSurfaceImage> Image;
};

// Per-window state of this layer beyond the record's slots.
struct TWndPaintState {
  bool NcActive = false;      // the frame is drawn active (WM_NCACTIVATE)
  LRESULT PressedButton = 0;  // caption button drawn pressed (HT* code), 0 for none
  // The part of a window scroll bar held down while tracking (TScrollPart),
  // and on which bar.
  int32_t ScrollPressedPart = 0;
  bool ScrollPressedVertical = false;
  // SIF_DISABLENOSCROLL disabled the bar (SB_HORZ, SB_VERT), rather than
  // EnableScrollBar: it is enabled again when scrolling becomes possible.
  bool NoScrollDisabled[2] = {false, false};
};

// The surface image of the window's top-level window, made or resized to its
// window rectangle on demand; nullptr for windows without one (message-only).
std::shared_ptr<TSurfaceImage> WinSurfaceOf(TWndRecord& w);
// The paint state slot, made on demand.
TWndPaintState& WinPaintStateOf(TWndRecord& w);
// Top-left of the window's top-level window (screen): surface coordinates are
// screen coordinates minus this.
TPoint WinSurfaceOrigin(TWndRecord& w);

// What of the window can be drawn on, in surface coordinates: its window
// rectangle (windowArea) or client rectangle, within its ancestors' client
// areas and every window region on the way, without the siblings above it
// that clip (WS_CLIPSIBLINGS on the window or an ancestor, or clipSiblings
// for the window itself) and, with clipChildren, without its visible
// children. Empty for a window hidden below its top-level window or frozen
// by WM_SETREDRAW.
TRegion WinVisibleRegion(TWndRecord& w, bool windowArea, bool clipChildren, bool clipSiblings);

// Tells the backend that pixels of the top-level window's surface changed
// (surface coordinates).
void WinReportChanged(TWndRecord& top, const TRect& rect);

// Sends WM_NCPAINT now when the frame needs painting.
void WinPaintFrameIfPending(TWndRecord& w);
// Repaints the frame now through WM_NCPAINT (pressed buttons, tracking).
void WinRepaintFrameNow(HWND hwnd);
// Whether the window or an ancestor is frozen by WM_SETREDRAW(FALSE).
bool WinRedrawFrozen(const TWndRecord& w);

// The class background as a FillRect argument (a brush or COLOR_* + 1).
HBRUSH WinClassBackground(const TWndRecord& w);

// ---- Non-client frame (win_nonclient.cpp) -------------------------------------------

// The parts of a window's frame in window coordinates (origin at the window
// rectangle's top-left), from the style and the window size alone.
struct TNcLayout {
  TRect Window;       // (0, 0, width, height)
  int32_t Frame = 0;  // border / dialog frame / sizing frame thickness
  bool Sizable = false;
  TRect Caption;  // empty without a caption
  bool ToolCaption = false;
  TRect SysIcon;                                        // empty without one
  TRect CloseButton, MaxButton, MinButton, HelpButton;  // empty when absent
  TRect EdgeRect;                                       // inside the frame and caption: where the client edge is drawn
  int32_t Edge = 0;                                     // client edge (2) or static edge (1) thickness
  TRect VScroll, HScroll, SizeBox;                      // empty when absent
  TRect Client;                                         // what is left
};
TNcLayout WinNcLayout(uint32_t style, uint32_t exStyle, int32_t width, int32_t height);
// Default handling of the non-client messages; true when handled.
bool WinNcDefault(TWndRecord& w, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// ---- Scroll bars (win_scrollbars.cpp) -----------------------------------------------

// Parts of a scroll bar, numbered like the states of SCROLLBARINFO.
enum TScrollPart : int32_t { spNone = 0, spArrowUp = 1, spPageUp = 2, spThumb = 3, spPageDown = 4, spArrowDown = 5 };

// Geometry of a window scroll bar along its length, in window coordinates.
struct TScrollGeometry {
  TRect Bar;  // the whole bar
  bool Vertical = true;
  int32_t Arrow = 0;                     // length of each arrow button
  int32_t ThumbStart = 0, ThumbEnd = 0;  // along the bar, from the bar's start; equal: no thumb
  bool Enabled = true;                   // the range allows scrolling and the bar is not disabled
};
TScrollGeometry WinScrollGeometry(TWndRecord& w, bool vertical, const TRect& bar);
// Draws a window scroll bar into a DC whose origin is the window's top-left.
void WinDrawScrollBar(HDC dc, TWndRecord& w, bool vertical, const TRect& bar);
// Runs the tracking loop of a press on a window scroll bar (screen point).
void WinTrackScrollBar(TWndRecord& w, bool vertical, TPoint screen);

// ---- Caret (win_caret.cpp) ------------------------------------------------------------

// BeginPaint / EndPaint hide and show the caret of the window around painting.
void WinCaretHideForPaint(HWND hwnd);
void WinCaretShowAfterPaint(HWND hwnd);
void WinCaretWindowGone(HWND hwnd);
void WinCaretReset();

// ---- Drag and drop (win_ole.cpp) -----------------------------------------------------

void WinOleWindowGone(HWND hwnd);
void WinOleReset();
bool WinOleDropFiles(const std::vector<String>& files, TPoint screen, uint32_t keys);

// ---- Clipboard (win_clipboard.cpp) ----------------------------------------------------

void WinClipboardReset();
