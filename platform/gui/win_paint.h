// Painting: update regions and WM_PAINT, window and desktop device contexts,
// scrolling of pixels, window regions and layered windows.
//
// Every top-level window owns a retained 32-bit surface the size of its
// window rectangle. Child windows draw into their top-level window's surface
// through DCs whose origin and system clip come from the window tree, so what
// a DC draws is on the surface at once, inside or outside WM_PAINT. Changed
// surface rectangles are reported to the backend for presentation.
#pragma once

#include <cstdint>

#include "platform/gui/gdi.h"
#include "platform/gui/windows.h"

// ---- Painting ----------------------------------------------------------------------

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  bool fErase = false;  // the background still needs erasing (WM_ERASEBKGND answered 0)
  TRect rcPaint;        // box of the update region, client coordinates
  bool fRestore = false;
  bool fIncUpdate = false;
  uint8_t rgbReserved[32] = {};
};

// RedrawWindow
inline constexpr uint32_t RDW_INVALIDATE = 0x0001;
inline constexpr uint32_t RDW_INTERNALPAINT = 0x0002;
inline constexpr uint32_t RDW_ERASE = 0x0004;
inline constexpr uint32_t RDW_VALIDATE = 0x0008;
inline constexpr uint32_t RDW_NOINTERNALPAINT = 0x0010;
inline constexpr uint32_t RDW_NOERASE = 0x0020;
inline constexpr uint32_t RDW_NOCHILDREN = 0x0040;
inline constexpr uint32_t RDW_ALLCHILDREN = 0x0080;
inline constexpr uint32_t RDW_UPDATENOW = 0x0100;
inline constexpr uint32_t RDW_ERASENOW = 0x0200;
inline constexpr uint32_t RDW_FRAME = 0x0400;
inline constexpr uint32_t RDW_NOFRAME = 0x0800;

// GetDCEx
inline constexpr uint32_t DCX_WINDOW = 0x0001;
inline constexpr uint32_t DCX_CACHE = 0x0002;
inline constexpr uint32_t DCX_NORESETATTRS = 0x0004;
inline constexpr uint32_t DCX_CLIPCHILDREN = 0x0008;
inline constexpr uint32_t DCX_CLIPSIBLINGS = 0x0010;
inline constexpr uint32_t DCX_PARENTCLIP = 0x0020;
inline constexpr uint32_t DCX_EXCLUDERGN = 0x0040;
inline constexpr uint32_t DCX_INTERSECTRGN = 0x0080;
inline constexpr uint32_t DCX_INTERSECTUPDATE = 0x0200;
inline constexpr uint32_t DCX_VALIDATE = 0x00200000;

// ScrollWindowEx
inline constexpr uint32_t SW_SCROLLCHILDREN = 0x0001;
inline constexpr uint32_t SW_INVALIDATE = 0x0002;
inline constexpr uint32_t SW_ERASE = 0x0004;

// Layered windows
inline constexpr uint32_t LWA_COLORKEY = 0x0001;
inline constexpr uint32_t LWA_ALPHA = 0x0002;

// Client coordinates; rect nullptr means the whole client area. A parent
// without WS_CLIPCHILDREN passes the invalidation on to the children it
// overlaps. The erase flag marks WM_ERASEBKGND as due.
bool InvalidateRect(HWND hwnd, const TRect* rect, bool erase);
bool InvalidateRgn(HWND hwnd, HRGN rgn, bool erase);
bool ValidateRect(HWND hwnd, const TRect* rect);
bool ValidateRgn(HWND hwnd, HRGN rgn);
// The box of the update region in client coordinates (rect may be nullptr);
// with erase a due WM_ERASEBKGND is sent now. Answers whether there is one.
bool GetUpdateRect(HWND hwnd, TRect* rect, bool erase);
// Copies the update region (client coordinates) into rgn; answers its kind.
int32_t GetUpdateRgn(HWND hwnd, HRGN rgn, bool erase);
// Sends WM_PAINT now to the window and then to its descendants that need
// painting.
bool UpdateWindow(HWND hwnd);
// rect (client coordinates) or region; both nullptr: the whole window.
bool RedrawWindow(HWND hwnd, const TRect* rect, HRGN region, uint32_t flags);
// Whether WM_SETREDRAW(FALSE) froze the window (no painting; invalidation kept).
bool IsRedrawFrozen(HWND hwnd);

// Hides the caret, sends WM_ERASEBKGND (wParam the DC) when an erase is due,
// clips the DC to the update region and validates it.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps);

// A DC on the client area (origin at its top-left corner) clipped to what of
// the window is visible: its own rectangle, its ancestors' client areas,
// siblings above it with WS_CLIPSIBLINGS, children with WS_CLIPCHILDREN and
// window regions. hwnd 0: the desktop, which composes the visible top-level
// windows when read. Every DC is released with ReleaseDC. Its device
// coordinates are the window's client coordinates (window coordinates with
// DCX_WINDOW, screen coordinates for the desktop DC): viewport and window
// origins start at (0, 0), and clip regions are given in those coordinates.
HDC GetDC(HWND hwnd);
// flags DCX_*: DCX_WINDOW for the whole window rectangle, DCX_CLIPCHILDREN
// and DCX_CLIPSIBLINGS add those clips (the window's own WS_CLIPCHILDREN /
// WS_CLIPSIBLINGS always apply), DCX_PARENTCLIP uses the parent's visible
// area, DCX_INTERSECTRGN / DCX_EXCLUDERGN apply clip, a region in screen
// coordinates (as WM_NCPAINT hands it over), which the call deletes.
HDC GetDCEx(HWND hwnd, HRGN clip, uint32_t flags);
HDC GetWindowDC(HWND hwnd);
int32_t ReleaseDC(HWND hwnd, HDC dc);
// The window of a DC from GetDC/GetDCEx/GetWindowDC/BeginPaint, else 0.
HWND WindowFromDC(HDC dc);

// Moves the client area's pixels by (dx, dy) within scroll (nullptr: the
// client area) clipped to clip, and makes the part left uncovered the update
// region (returned in update and updateRect when given). SW_INVALIDATE adds
// it to the window's update region, SW_ERASE with it marks the erase,
// SW_SCROLLCHILDREN moves the children as well. Answers the region kind.
int32_t ScrollWindowEx(HWND hwnd, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip, HRGN update,
                       TRect* updateRect, uint32_t flags);
bool ScrollWindow(HWND hwnd, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip);
// Moves pixels of a DC within what it can draw on (scroll and clip in
// logical coordinates) and answers the uncovered part in update and
// updateRect, both in logical coordinates.
bool ScrollDC(HDC dc, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip, HRGN update, TRect* updateRect);

// The window takes the region (window coordinates: relative to the window
// rectangle's top-left corner) and deletes it later; 0 removes the shape.
// Painting and hit testing are clipped to it.
int32_t SetWindowRgn(HWND hwnd, HRGN rgn, bool redraw);
// Copies the region into rgn and answers its kind; ERROR when there is none.
int32_t GetWindowRgn(HWND hwnd, HRGN rgn);
int32_t GetWindowRgnBox(HWND hwnd, TRect* rect);

// WS_EX_LAYERED windows: a colour that shows through (LWA_COLORKEY) and a
// constant opacity (LWA_ALPHA), applied when the desktop is composed.
bool SetLayeredWindowAttributes(HWND hwnd, COLORREF key, uint8_t alpha, uint32_t flags);
bool GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, uint8_t* alpha, uint32_t* flags);
