#include "platform/vcl/drawframe.h"

#include <algorithm>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"

namespace {

void FillSys(HDC dc, const TRect& r, int32_t sysColor) { FillRect(dc, r, GetSysColorBrush(sysColor)); }

void Pixel(HDC dc, int32_t x, int32_t y, COLORREF c) { SetPixel(dc, x, y, c); }

// The tick of a check box: seven columns of three pixels.
void DrawCheckMark(HDC dc, int32_t x, int32_t y, COLORREF c) {
  static constexpr int32_t kTop[7] = {2, 3, 4, 3, 2, 1, 0};
  for (int32_t i = 0; i < 7; ++i)
    for (int32_t j = 0; j < 3; ++j) Pixel(dc, x + i, y + kTop[i] + j, c);
}

void DrawCheck(HDC dc, const TRect& rect, uint32_t state) {
  TRect r{rect.Left, rect.Top, rect.Left + StdCheckSize, rect.Top + StdCheckSize};
  DrawEdge(dc, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  const bool grey = (state & DFCS_BUTTON3STATE) != 0 && (state & DFCS_CHECKED) != 0;
  const bool faceInside = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0 || grey;
  FillSys(dc, r, faceInside ? COLOR_BTNFACE : COLOR_WINDOW);
  if ((state & DFCS_CHECKED) == 0) return;
  COLORREF mark = GetSysColor(COLOR_WINDOWTEXT);
  if (grey)
    mark = GetSysColor(COLOR_BTNSHADOW);
  else if ((state & DFCS_INACTIVE) != 0)
    mark = GetSysColor(COLOR_GRAYTEXT);
  DrawCheckMark(dc, r.Left + 1, r.Top + 1, mark);
}

// A 12 x 12 circle: shadow on the upper left, highlight on the lower right,
// the inside in clWindow and a 4 x 4 dot when checked.
void DrawRadio(HDC dc, const TRect& rect, uint32_t state) {
  const int32_t x0 = rect.Left, y0 = rect.Top;
  // Row extents of a 12-pixel circle (left column of each row; symmetric).
  static constexpr int32_t kLeft[12] = {4, 2, 1, 1, 0, 0, 0, 0, 1, 1, 2, 4};
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF inside = GetSysColor((state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0 ? COLOR_BTNFACE : COLOR_WINDOW);
  for (int32_t y = 0; y < 12; ++y) {
    const int32_t l = kLeft[y], r = 11 - kLeft[y];
    for (int32_t x = l; x <= r; ++x) {
      const bool edge = x == l || x == r || y == 0 || y == 11 || (y > 0 && x < kLeft[y - 1]) ||
                        (y > 0 && x > 11 - kLeft[y - 1]) || (y < 11 && x < kLeft[y + 1]) ||
                        (y < 11 && x > 11 - kLeft[y + 1]);
      COLORREF c = inside;
      if (edge) c = (x + y < 11) ? shadow : light;
      Pixel(dc, x0 + x, y0 + y, c);
    }
  }
  if ((state & DFCS_CHECKED) == 0) return;
  const COLORREF dot = GetSysColor((state & DFCS_INACTIVE) != 0 ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
  static constexpr int32_t kDot[4][2] = {{5, 6}, {4, 7}, {4, 7}, {5, 6}};
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = kDot[y][0]; x <= kDot[y][1]; ++x) Pixel(dc, x0 + x, y0 + 4 + y, dot);
}

// The frame of a push button (or a scroll part); answers the inside.
TRect DrawPushFrame(HDC dc, const TRect& rect, uint32_t state) {
  TRect r = rect;
  if ((state & DFCS_FLAT) != 0) {
    StdFrameRect(dc, r, COLOR_BTNSHADOW);
    r.Left += 1;
    r.Top += 1;
    r.Right -= 1;
    r.Bottom -= 1;
    FillSys(dc, r, COLOR_BTNFACE);
    return r;
  }
  DrawEdge(dc, r, (state & DFCS_PUSHED) != 0 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  FillSys(dc, r, COLOR_BTNFACE);
  return r;
}

// A filled triangle pointing in direction (0 up, 1 down, 2 left, 3 right) centred in r.
void DrawArrow(HDC dc, const TRect& r, uint32_t direction, COLORREF c) {
  const int32_t size = std::max<int32_t>(2, std::min(r.Width(), r.Height()) / 4 + 1);  // half-base
  const int32_t cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
  for (int32_t i = 0; i < size; ++i) {
    const int32_t half = size - 1 - i;  // row i from the base: width shrinks
    for (int32_t k = -half; k <= half; ++k) {
      int32_t x = 0, y = 0;
      switch (direction) {
        case 0:
          x = cx + k;
          y = cy + size / 2 - i;
          break;
        case 1:
          x = cx + k;
          y = cy - size / 2 + i;
          break;
        case 2:
          x = cx + size / 2 - i;
          y = cy + k;
          break;
        default:
          x = cx - size / 2 + i;
          y = cy + k;
          break;
      }
      Pixel(dc, x, y, c);
    }
  }
}

void DrawSizeGrip(HDC dc, const TRect& r) {
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  FillSys(dc, r, COLOR_BTNFACE);
  const int32_t n = std::min(r.Width(), r.Height());
  for (int32_t d = 3; d < n; d += 4)
    for (int32_t k = 0; k < d && k < n; ++k) {
      Pixel(dc, r.Right - 1 - k, r.Bottom - d - 1 + k, light);
      Pixel(dc, r.Right - 1 - k, r.Bottom - d + k, shadow);
      Pixel(dc, r.Right - 1 - k, r.Bottom - d + 1 + k, shadow);
    }
}

}  // namespace

void StdFrameRect(HDC dc, const TRect& rect, int32_t sysColor) { FrameRect(dc, rect, GetSysColorBrush(sysColor)); }

bool DrawFrameControl(HDC dc, TRect* rect, uint32_t kind, uint32_t state) {
  if (dc == nullptr || rect == nullptr) return false;
  switch (kind) {
    case DFC_BUTTON:
      if ((state & DFCS_BUTTONPUSH) != 0) {
        TRect inside = DrawPushFrame(dc, *rect, state);
        if ((state & DFCS_ADJUSTRECT) != 0) *rect = inside;
        return true;
      }
      if ((state & DFCS_BUTTONRADIO) != 0) {
        DrawRadio(dc, *rect, state);
        return true;
      }
      DrawCheck(dc, *rect, state);
      return true;
    case DFC_SCROLL: {
      const uint32_t part = state & 0xFF;
      if (part == DFCS_SCROLLSIZEGRIP) {
        DrawSizeGrip(dc, *rect);
        return true;
      }
      TRect inside = DrawPushFrame(dc, *rect, state);
      if ((state & DFCS_PUSHED) != 0 && (state & DFCS_FLAT) == 0) OffsetRect(inside, 1, 1);
      const uint32_t dir = part == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : part;
      if (dir > DFCS_SCROLLRIGHT) return false;
      if ((state & DFCS_INACTIVE) != 0) {
        TRect lit = inside;
        OffsetRect(lit, 1, 1);
        DrawArrow(dc, lit, dir, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawArrow(dc, inside, dir, GetSysColor(COLOR_BTNSHADOW));
      } else {
        DrawArrow(dc, inside, dir, GetSysColor(COLOR_BTNTEXT));
      }
      return true;
    }
    default: return false;
  }
}

int32_t StdDrawCaption(HDC dc, const String& text, TRect& rect, uint32_t format, bool enabled, COLORREF color) {
  const int32_t oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = GetTextColor(dc);
  String s = text;
  int32_t h = 0;
  if (enabled || (format & DT_CALCRECT) != 0) {
    SetTextColor(dc, color);
    h = DrawText(dc, s, &rect, format);
  } else {
    TRect lit = rect;
    OffsetRect(lit, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawText(dc, s, &lit, format);
    s = text;
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    h = DrawText(dc, s, &rect, format);
  }
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  return h;
}

int32_t StdFontHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  const int32_t saved = SaveDC(dc);
  if (font != nullptr) SelectObject(dc, font);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  RestoreDC(dc, saved);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}
