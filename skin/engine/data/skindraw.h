// The skin library's shared drawing helpers: what lies under a transparent
// control, text measuring, trimming and drawing, small vector glyphs, rect
// and point arithmetic, version tests, window transparency, monitor rects and
// a scroll-bar query. Free routines without state.
#pragma once

#include <cstdint>

#include "platform/gui/canvas.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/gui/windows.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/types.h"
#include "platform/rtl/version.h"

class TControl;

// ---- Start-up state ----------------------------------------------------------------
// The system functions looked up at start-up elsewhere are always there, and
// the platform is of the NT family, so wide text drawing is used.
inline constexpr bool HaveMonitorFromWindow = true;
inline constexpr bool HaveGetMonitorInfo = true;
inline constexpr bool HaveGetScrollBarInfo = true;
inline constexpr bool UnicodeDrawing = Win32Platform == int32_t(VER_PLATFORM_WIN32_NT);

// A parent that paints its client background itself (the skinned tab
// control): PaintParentImage asks it instead of sending WM_ERASEBKGND.
class IbsClientBackgroundPainter {
 public:
  virtual ~IbsClientBackgroundPainter() = default;
  virtual void PaintClientBackground(HDC DC) = 0;
};

// ---- Painting what lies under a control --------------------------------------------------

// Paints into Cnvs, at its origin, the part of Control's parent that Control
// covers: the parent's background and content, then the visible graphic
// siblings before Control that overlap it.
void PaintParentImage(TControl* Control, TCanvas* Cnvs);
// The same for the sub-rect R of Control: Cnvs's origin is R's top-left.
void PaintParentImageRect(TControl* Control, const TRect& R, TCanvas* Cnvs);

// ---- Text ------------------------------------------------------------------------------

// Cuts whole characters from the end of a text wider than W until it fits
// with "..." appended (or is empty), then appends "...".
void TrimTextToWidth(TCanvas* Cnvs, String& S, int32_t W);
void TrimTextToWidthW(TCanvas* Cnvs, WideString& S, int32_t W);
// The extent DrawTextWide computes with DT_CALCRECT from (0, 0, 0, 0).
int32_t TextWidthW(TCanvas* Cnvs, const WideString& S);
int32_t TextHeightW(TCanvas* Cnvs, const WideString& S);
int32_t DrawTextWide(TCanvas* Cnvs, const WideString& S, TRect& R, uint32_t Flag);
// Single line, left-aligned, vertically centred in R.
void DrawTextVCenter(TCanvas* Cnvs, const String& S, const TRect& R);
// Clipped to R at (R.Left + 2, vertically centred).
void DrawRectText(TCanvas* Cnvs, const String& S, const TRect& R);
void DrawRectTextOffset(TCanvas* Cnvs, const String& S, const TRect& R, int32_t Offset);

// ---- Glyphs (exact pixels; lines leave out their end point) -----------------------------

void DrawComboArrow(TCanvas* Cnvs, const TRect& R, TColor Color);
// Direction 1 left, 2 right, 3 up, 4 down; others draw nothing.
void DrawArrow(TCanvas* Cnvs, const TRect& R, TColor Color, int32_t Direction);
void DrawRadioDot(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawCheckMark(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawFrame3D(TCanvas* Cnvs, TRect R, TColor TopColor, TColor BottomColor);
// Caption-button glyphs for buttons without a skin picture.
void DrawCloseGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawSysMenuGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawMinimizeGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawMaximizeGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawRestoreGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawRollDownGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawRollUpGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
void DrawTrayGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);

// ---- Rects and points ----------------------------------------------------------------------

inline int32_t RectWidth(const TRect& R) { return R.Right - R.Left; }
inline int32_t RectHeight(const TRect& R) { return R.Bottom - R.Top; }
inline TRect NullRect() { return TRect{0, 0, 0, 0}; }
// Width or height zero or negative.
inline bool IsNullRect(const TRect& R) { return RectWidth(R) <= 0 || RectHeight(R) <= 0; }
inline bool RectsEqual(const TRect& R1, const TRect& R2) { return R1 == R2; }
// True when either coordinate is 0: a point of a description is "not set"
// that way.
inline bool IsNullPoint(const TPoint& P) { return P.X == 0 || P.Y == 0; }
// All four edges included.
inline bool PointInRect(const TRect& R, const TPoint& P) {
  return P.X >= R.Left && P.X <= R.Right && P.Y >= R.Top && P.Y <= R.Bottom;
}
// Both corners of R1 pass the exclusive point-in-rect test of R2, so no rect
// is inside itself.
inline bool RectInRect(const TRect& R1, const TRect& R2) {
  return PtInRect(R2, TPoint{R1.Left, R1.Top}) && PtInRect(R2, TPoint{R1.Right, R1.Bottom});
}
inline int32_t IntMax(int32_t A, int32_t B) { return A > B ? A : B; }
inline int32_t IntMin(int32_t A, int32_t B) { return A < B ? A : B; }

// ---- System ------------------------------------------------------------------------------

void GetWindowsVersion(int32_t& Major, int32_t& Minor);
bool IsWindowsVistaOrLater();
bool IsWindowsXP();
bool IsWindows2000OrLater();
// The same tests on a given version.
bool IsWindowsVistaOrLater(int32_t Major, int32_t Minor);
bool IsWindowsXP(int32_t Major, int32_t Minor);
bool IsWindows2000OrLater(int32_t Major, int32_t Minor);
// Constant opacity of a window that already has WS_EX_LAYERED; a failure is
// ignored.
void SetWindowAlpha(HWND Wnd, uint8_t Alpha);
// The work area (WorkArea) or the whole rect of the monitor nearest to Wnd;
// R stays as it was when the query fails.
void GetMonitorRect(HWND Wnd, bool WorkArea, TRect& R);
bool SafeGetScrollBarInfo(HWND Wnd, int32_t ObjectId, SCROLLBARINFO& Info);
