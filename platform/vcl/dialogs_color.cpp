// The colour dialog: a grid of basic colours, sixteen custom slots, and when
// fully open a hue and saturation field, a luminance bar, the six edits and a
// sample. The basic and custom grids, the field, the bar and the sample are
// drawn by the dialog itself and answer the mouse.
#include "platform/vcl/dialogs_color.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_paint.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/stdctrls_native.h"

namespace {

inline constexpr int32_t kHlsMax = 240;
inline constexpr int32_t kHueUndefined = kHlsMax * 2 / 3;
inline constexpr int32_t kBasicCount = 48;
inline constexpr int32_t kCustomCount = 16;
inline constexpr int32_t kGridColumns = 8;

constexpr COLORREF C(uint8_t r, uint8_t g, uint8_t b) { return COLORREF(RGB(r, g, b)); }

// Columns: red, orange, yellow, green, cyan, blue, magenta, grey; rows from
// pale to dark. The named colours of the framework are all among them.
const COLORREF kBasic[kBasicCount] = {
    C(255, 128, 128), C(255, 192, 128), C(255, 255, 128), C(128, 255, 128), C(128, 255, 255), C(128, 128, 255),
    C(255, 128, 255), C(255, 255, 255), C(255, 64, 64),   C(255, 160, 64),  C(255, 255, 64),  C(64, 255, 64),
    C(64, 255, 255),  C(64, 64, 255),   C(255, 64, 255),  C(224, 224, 224), C(255, 0, 0),     C(255, 128, 0),
    C(255, 255, 0),   C(0, 255, 0),     C(0, 255, 255),   C(0, 0, 255),     C(255, 0, 255),   C(192, 192, 192),
    C(192, 0, 0),     C(192, 96, 0),    C(192, 192, 0),   C(0, 192, 0),     C(0, 192, 192),   C(0, 0, 192),
    C(192, 0, 192),   C(128, 128, 128), C(128, 0, 0),     C(128, 64, 0),    C(128, 128, 0),   C(0, 128, 0),
    C(0, 128, 128),   C(0, 0, 128),     C(128, 0, 128),   C(64, 64, 64),    C(64, 0, 0),      C(64, 32, 0),
    C(64, 64, 0),     C(0, 64, 0),      C(0, 64, 64),     C(0, 0, 64),      C(64, 0, 64),     C(0, 0, 0),
};

// Dialog-unit layout. The compact dialog shows the left column only.
inline constexpr int32_t kCompactWidth = 150;
inline constexpr int32_t kFullWidth = 298;
inline constexpr int32_t kHeight = 184;
const TRect kBasicArea{4, 14, 144, 98};
const TRect kCustomArea{4, 114, 144, 142};
const TRect kRainbowArea{152, 4, 270, 118};
const TRect kLumArea{276, 4, 284, 118};
const TRect kLumArrowArea{285, 0, 294, 122};
const TRect kSampleArea{152, 124, 192, 150};

inline constexpr int32_t kLabelIdBase = 0x0700;  // labels of the six edits: base + 1 .. 6

enum class TTrack : uint8_t { None, Rainbow, Lum };

struct TColorDlg {
  CHOOSECOLOR* Cc = nullptr;
  COLORREF Rgb = 0;  // the colour; what OK answers
  THls Hls;          // shown; set from Rgb, or by the field, the bar and their edits
  COLORREF Custom[kCustomCount] = {};
  int32_t CustomNext = 0;  // the slot "Add to Custom Colors" fills
  int32_t Sel = -1;        // 0..47 a basic cell, 48..63 a custom slot, -1 none
  bool Full = false;
  int32_t Updating = 0;  // edits written by the dialog: no EN_CHANGE handling
  TTrack Tracking = TTrack::None;
  TRect Basic, CustomR, Rainbow, Lum, LumArrow, Sample;
  std::vector<COLORREF> RainbowPixels;
};

TRect Mapped(HWND h, const TRect& du) {
  TRect r = du;
  MapDialogRect(h, &r);
  return r;
}

int32_t RoundToInt(double v) { return int32_t(std::floor(v + 0.5)); }

TColorDlg* State(HWND h) { return reinterpret_cast<TColorDlg*>(GetWindowLong(h, DWLP_USER)); }

intptr_t CallHook(HWND h, TColorDlg* s, uint32_t msg, WPARAM w, LPARAM l) {
  if (s == nullptr || (s->Cc->Flags & CC_ENABLEHOOK) == 0 || s->Cc->lpfnHook == nullptr) return 0;
  return s->Cc->lpfnHook(h, msg, w, l);
}

// The cell rectangle of index i in a grid area of rows x 8 cells.
TRect Cell(const TRect& area, int32_t rows, int32_t i) {
  const int32_t col = i % kGridColumns, row = i / kGridColumns;
  const int32_t x0 = area.Left + area.Width() * col / kGridColumns;
  const int32_t x1 = area.Left + area.Width() * (col + 1) / kGridColumns;
  const int32_t y0 = area.Top + area.Height() * row / rows;
  const int32_t y1 = area.Top + area.Height() * (row + 1) / rows;
  return TRect{x0 + 2, y0 + 2, x1 - 2, y1 - 2};
}

int32_t CellAt(const TRect& area, int32_t rows, TPoint p) {
  if (!PtInRect(area, p)) return -1;
  const int32_t col = std::clamp((p.X - area.Left) * kGridColumns / std::max(1, area.Width()), 0, kGridColumns - 1);
  const int32_t row = std::clamp((p.Y - area.Top) * rows / std::max(1, area.Height()), 0, rows - 1);
  return row * kGridColumns + col;
}

THls RainbowHls(const TColorDlg* s, TPoint p) {
  const TRect& r = s->Rainbow;
  THls hls = s->Hls;
  hls.H = std::clamp((p.X - r.Left) * kHlsMax / std::max(1, r.Width()), 0, kHlsMax - 1);
  hls.S = std::clamp(kHlsMax - (p.Y - r.Top) * kHlsMax / std::max(1, r.Height() - 1), 0, kHlsMax);
  return hls;
}

int32_t LumAt(const TColorDlg* s, int32_t y) {
  const TRect& r = s->Lum;
  return std::clamp(kHlsMax - (y - r.Top) * kHlsMax / std::max(1, r.Height() - 1), 0, kHlsMax);
}

int32_t LumY(const TColorDlg* s) { return s->Lum.Top + (kHlsMax - s->Hls.L) * (s->Lum.Height() - 1) / kHlsMax; }

void InvalidateColor(HWND h, TColorDlg* s) {
  if (s->Full) {
    InvalidateRect(h, &s->Rainbow, false);
    TRect lum = s->Lum;
    lum.Right = s->LumArrow.Right;
    lum.Top = s->LumArrow.Top;
    lum.Bottom = s->LumArrow.Bottom;
    InvalidateRect(h, &lum, true);
    InvalidateRect(h, &s->Sample, false);
  }
}

void WriteEdits(HWND h, TColorDlg* s, int32_t exceptId) {
  ++s->Updating;
  const int32_t values[] = {
      s->Hls.H, s->Hls.S, s->Hls.L, GetRValue(TColor(s->Rgb)), GetGValue(TColor(s->Rgb)), GetBValue(TColor(s->Rgb))};
  for (int32_t i = 0; i < 6; ++i)
    if (COLOR_HUE + i != exceptId) SetDlgItemInt(h, COLOR_HUE + i, uint32_t(values[i]), false);
  --s->Updating;
}

void SetRgb(HWND h, TColorDlg* s, COLORREF rgb, int32_t exceptId) {
  s->Rgb = rgb & 0xFFFFFF;
  s->Hls = ColorRGBToHLS(s->Rgb);
  WriteEdits(h, s, exceptId);
  InvalidateColor(h, s);
}

void SetHls(HWND h, TColorDlg* s, const THls& hls, int32_t exceptId) {
  s->Hls = hls;
  s->Rgb = ColorHLSToRGB(hls);
  WriteEdits(h, s, exceptId);
  InvalidateColor(h, s);
}

void Select(HWND h, TColorDlg* s, int32_t sel) {
  if (sel == s->Sel) return;
  s->Sel = sel;
  // The selection frame lies in the gaps between cells: erase them.
  InvalidateRect(h, &s->Basic, true);
  InvalidateRect(h, &s->CustomR, true);
}

// The selection a colour gets when it is set from outside: its basic cell,
// else its custom slot, else none.
int32_t SelectionOf(const TColorDlg* s, COLORREF rgb) {
  for (int32_t i = 0; i < kBasicCount; ++i)
    if (kBasic[i] == rgb) return i;
  for (int32_t i = 0; i < kCustomCount; ++i)
    if ((s->Custom[i] & 0xFFFFFF) == rgb) return kBasicCount + i;
  return -1;
}

int32_t EditValue(HWND h, int32_t id, int32_t max) {
  bool ok = false;
  const uint32_t v = GetDlgItemInt(h, id, &ok, false);
  return ok ? int32_t(std::min<uint32_t>(v, uint32_t(max))) : 0;
}

int32_t EditMax(int32_t id) { return id == COLOR_HUE ? kHlsMax - 1 : id <= COLOR_LUM ? kHlsMax : 255; }

void EditChanged(HWND h, TColorDlg* s, int32_t id) {
  if (id >= COLOR_RED) {
    const COLORREF rgb = C(uint8_t(EditValue(h, COLOR_RED, 255)), uint8_t(EditValue(h, COLOR_GREEN, 255)),
                           uint8_t(EditValue(h, COLOR_BLUE, 255)));
    if (rgb != s->Rgb) SetRgb(h, s, rgb, id);
  } else {
    THls hls{EditValue(h, COLOR_HUE, kHlsMax - 1), EditValue(h, COLOR_LUM, kHlsMax), EditValue(h, COLOR_SAT, kHlsMax)};
    if (!(hls == s->Hls)) SetHls(h, s, hls, id);
  }
  Select(h, s, -1);
}

void ShowFull(HWND h, TColorDlg* s) {
  if (s->Full) return;
  s->Full = true;
  for (int32_t i = 0; i < 6; ++i) {
    ShowWindow(GetDlgItem(h, COLOR_HUE + i), SW_SHOWNA);
    ShowWindow(GetDlgItem(h, kLabelIdBase + 1 + i), SW_SHOWNA);
  }
  ShowWindow(GetDlgItem(h, COLOR_ADD), SW_SHOWNA);
  TRect wr, cr;
  GetWindowRect(h, &wr);
  GetClientRect(h, &cr);
  const TRect full = Mapped(h, TRect{0, 0, kFullWidth, kHeight});
  SetWindowPos(h, nullptr, 0, 0, full.Width() + wr.Width() - cr.Width(), wr.Height(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND mix = GetDlgItem(h, COLOR_MIX);
  const bool mixFocused = GetFocus() == mix;
  EnableWindow(mix, false);
  if (mixFocused) SetFocus(GetDlgItem(h, COLOR_HUE));
  WriteEdits(h, s, 0);
  InvalidateRect(h, nullptr, true);
}

void PaintGrid(HDC dc, const TRect& area, int32_t rows, const COLORREF* colors, int32_t count, int32_t sel) {
  for (int32_t i = 0; i < count; ++i) {
    TRect cell = Cell(area, rows, i);
    if (i == sel) {
      TRect frame = cell;
      InflateRect(frame, 2, 2);
      FrameRect(dc, frame, GetSysColorBrush(COLOR_WINDOWTEXT));
      InflateRect(frame, -1, -1);
      FrameRect(dc, frame, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
    TRect edge = cell;
    DrawEdge(dc, edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    HBRUSH b = CreateSolidBrush(colors[i] & 0xFFFFFF);
    FillRect(dc, edge, b);
    DeleteObject(b);
  }
}

void PaintFull(HDC dc, TColorDlg* s) {
  const TRect& r = s->Rainbow;
  const int32_t w = r.Width(), hgt = r.Height();
  if (w <= 0 || hgt <= 0) return;
  if (s->RainbowPixels.size() != size_t(w) * size_t(hgt)) {
    s->RainbowPixels.resize(size_t(w) * size_t(hgt));
    for (int32_t y = 0; y < hgt; ++y)
      for (int32_t x = 0; x < w; ++x) {
        THls hls{std::clamp(x * kHlsMax / w, 0, kHlsMax - 1), kHlsMax / 2,
                 std::clamp(kHlsMax - y * kHlsMax / std::max(1, hgt - 1), 0, kHlsMax)};
        s->RainbowPixels[size_t(y) * size_t(w) + size_t(x)] = ColorHLSToRGB(hls);
      }
  }
  DrawColorBlock(dc, r.Left, r.Top, w, hgt, s->RainbowPixels.data(), nullptr);
  // The cross at the current hue and saturation, kept inside the field.
  const int32_t saved = SaveDC(dc);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  const int32_t cx = r.Left + s->Hls.H * w / kHlsMax;
  const int32_t cy = r.Top + (kHlsMax - s->Hls.S) * (hgt - 1) / kHlsMax;
  HBRUSH black = GetSysColorBrush(COLOR_WINDOWTEXT);
  TRect bar{std::max(r.Left, cx - 7), cy - 1, std::min(r.Right, cx + 8), cy + 2};
  FillRect(dc, TRect{bar.Left, bar.Top, std::max(bar.Left, cx - 2), bar.Bottom}, black);
  FillRect(dc, TRect{std::min(bar.Right, cx + 3), bar.Top, bar.Right, bar.Bottom}, black);
  FillRect(dc, TRect{cx - 1, std::max(r.Top, cy - 7), cx + 2, std::max(r.Top, cy - 2)}, black);
  FillRect(dc, TRect{cx - 1, std::min(r.Bottom, cy + 3), cx + 2, std::min(r.Bottom, cy + 8)}, black);
  RestoreDC(dc, saved);

  // The luminance bar of the current hue and saturation, and its arrow.
  const TRect& lb = s->Lum;
  std::vector<COLORREF> column(size_t(std::max(0, lb.Height())) * size_t(std::max(0, lb.Width())));
  for (int32_t y = 0; y < lb.Height(); ++y) {
    const COLORREF c = ColorHLSToRGB(THls{s->Hls.H, LumAt(s, lb.Top + y), s->Hls.S});
    std::fill_n(column.begin() + ptrdiff_t(y) * lb.Width(), lb.Width(), c);
  }
  DrawColorBlock(dc, lb.Left, lb.Top, lb.Width(), lb.Height(), column.data(), nullptr);
  const int32_t ay = LumY(s);
  const int32_t ax = s->LumArrow.Left + 1;
  for (int32_t i = 0; i < 6; ++i) FillRect(dc, TRect{ax + i, ay - (5 - i), ax + i + 1, ay + (5 - i) + 1}, black);

  TRect sample = s->Sample;
  DrawEdge(dc, sample, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  HBRUSH b = CreateSolidBrush(s->Rgb);
  FillRect(dc, sample, b);
  DeleteObject(b);
}

void Paint(HWND h, TColorDlg* s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  PaintGrid(dc, s->Basic, 6, kBasic, kBasicCount, s->Sel);
  PaintGrid(dc, s->CustomR, 2, s->Custom, kCustomCount, s->Sel - kBasicCount);
  if (s->Full) PaintFull(dc, s);
  EndPaint(h, &ps);
}

void Track(HWND h, TColorDlg* s, TPoint p) {
  if (s->Tracking == TTrack::Rainbow) {
    const THls hls = RainbowHls(s, p);
    if (!(hls == s->Hls)) SetHls(h, s, hls, 0);
  } else if (s->Tracking == TTrack::Lum) {
    THls hls = s->Hls;
    hls.L = LumAt(s, p.Y);
    if (!(hls == s->Hls)) SetHls(h, s, hls, 0);
  }
}

void MouseDown(HWND h, TColorDlg* s, TPoint p) {
  if (const int32_t i = CellAt(s->Basic, 6, p); i >= 0) {
    Select(h, s, i);
    SetRgb(h, s, kBasic[i], 0);
    return;
  }
  if (const int32_t i = CellAt(s->CustomR, 2, p); i >= 0) {
    Select(h, s, kBasicCount + i);
    s->CustomNext = i;
    SetRgb(h, s, s->Custom[i] & 0xFFFFFF, 0);
    return;
  }
  if (!s->Full) return;
  TRect lum = s->Lum;
  lum.Right = s->LumArrow.Right;
  if (PtInRect(s->Rainbow, p))
    s->Tracking = TTrack::Rainbow;
  else if (PtInRect(lum, p))
    s->Tracking = TTrack::Lum;
  else
    return;
  Select(h, s, -1);
  SetCapture(h);
  Track(h, s, p);
}

void EndColorDialog(HWND h, TColorDlg* s, intptr_t result) {
  for (int32_t i = 0; i < kCustomCount; ++i) s->Cc->lpCustColors[i] = s->Custom[i];
  EndDialog(h, result);
}

bool Command(HWND h, TColorDlg* s, int32_t id, uint32_t code) {
  if (id >= COLOR_HUE && id <= COLOR_BLUE) {
    if (code == EN_CHANGE && s->Updating == 0) EditChanged(h, s, id);
    if (code == EN_KILLFOCUS && s->Updating == 0) {
      ++s->Updating;
      SetDlgItemInt(h, id, uint32_t(EditValue(h, id, EditMax(id))), false);
      --s->Updating;
    }
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDOK: {
      s->Cc->rgbResult = s->Rgb;
      if (CallHook(h, s, RegisterWindowMessage(COLOROKSTRING), 0, reinterpret_cast<LPARAM>(s->Cc)) != 0) return true;
      EndColorDialog(h, s, IDOK);
      return true;
    }
    case IDCANCEL: EndColorDialog(h, s, IDCANCEL); return true;
    case COLOR_MIX: ShowFull(h, s); return true;
    case COLOR_ADD: {
      s->Custom[s->CustomNext] = s->Rgb;
      Select(h, s, kBasicCount + s->CustomNext);
      s->CustomNext = (s->CustomNext + 1) % kCustomCount;
      InvalidateRect(h, &s->CustomR, false);
      return true;
    }
    case kColorHelpId: {
      HWND owner = s->Cc->hwndOwner;
      if (owner == nullptr && Application != nullptr) owner = Application->Handle();
      if (owner != nullptr)
        SendMessage(owner, RegisterWindowMessage(HELPMSGSTRING), reinterpret_cast<WPARAM>(h),
                    reinterpret_cast<LPARAM>(s->Cc));
      return true;
    }
    default: return false;
  }
}

void Init(HWND h, TColorDlg* s) {
  s->Basic = Mapped(h, kBasicArea);
  s->CustomR = Mapped(h, kCustomArea);
  s->Rainbow = Mapped(h, kRainbowArea);
  s->Lum = Mapped(h, kLumArea);
  s->LumArrow = Mapped(h, kLumArrowArea);
  s->Sample = Mapped(h, kSampleArea);
  for (int32_t id = COLOR_HUE; id <= COLOR_BLUE; ++id) SendDlgItemMessage(h, id, EM_LIMITTEXT, 3, 0);
  s->Rgb = (s->Cc->Flags & CC_RGBINIT) != 0 ? ColorToRGB(TColor(s->Cc->rgbResult)) & 0xFFFFFF : 0;
  s->Hls = ColorRGBToHLS(s->Rgb);
  s->Sel = SelectionOf(s, s->Rgb);
  if ((s->Cc->Flags & CC_PREVENTFULLOPEN) != 0) EnableWindow(GetDlgItem(h, COLOR_MIX), false);
  WriteEdits(h, s, 0);
  // Centred on the owner's monitor.
  HWND owner = GetParent(h);
  MONITORINFO mi;
  GetMonitorInfo(owner != nullptr ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                  : MonitorFromPoint(TPoint{0, 0}, MONITOR_DEFAULTTOPRIMARY),
                 &mi);
  if ((s->Cc->Flags & CC_FULLOPEN) != 0 && (s->Cc->Flags & CC_PREVENTFULLOPEN) == 0) ShowFull(h, s);
  TRect wr;
  GetWindowRect(h, &wr);
  SetWindowPos(h, nullptr, mi.rcWork.Left + std::max(0, (mi.rcWork.Width() - wr.Width()) / 2),
               mi.rcWork.Top + std::max(0, (mi.rcWork.Height() - wr.Height()) / 2), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  TDialogInfo info;
  info.Kind = TDialogKind::dkColor;
  info.Caption = "Color";
  for (int32_t id : {IDOK, IDCANCEL, COLOR_MIX, COLOR_ADD, kColorHelpId})
    if (GetDlgItem(h, id) != nullptr) info.Buttons.push_back(GetDlgItemTextString(h, id));
  SetDialogInfo(h, info);
}

intptr_t ColorProc(HWND h, uint32_t msg, WPARAM w, LPARAM l) {
  TColorDlg* s = msg == WM_INITDIALOG ? reinterpret_cast<TColorDlg*>(l) : State(h);
  if (s == nullptr) return 0;
  if (msg == WM_INITDIALOG) {
    SetWindowLong(h, DWLP_USER, l);
    Init(h, s);
    // The first tab stop may be the button that Init disabled.
    HWND focus = reinterpret_cast<HWND>(w);
    if (focus == nullptr || !IsWindowEnabled(focus)) focus = GetDlgItem(h, IDOK);
    if ((s->Cc->Flags & CC_ENABLEHOOK) != 0 && s->Cc->lpfnHook != nullptr &&
        s->Cc->lpfnHook(h, msg, reinterpret_cast<WPARAM>(focus), reinterpret_cast<LPARAM>(s->Cc)) == 0)
      return 0;  // the hook set the focus
    SetFocus(focus);
    return 0;
  }
  if (const intptr_t r = CallHook(h, s, msg, w, l); r != 0) return r;
  if (msg >= WM_REGISTERED_FIRST && msg == RegisterWindowMessage(SETRGBSTRING)) {
    const COLORREF rgb = COLORREF(l) & 0xFFFFFF;
    SetRgb(h, s, rgb, 0);
    Select(h, s, SelectionOf(s, rgb));
    return 1;
  }
  switch (msg) {
    case WM_PAINT: Paint(h, s); return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: MouseDown(h, s, LParamToPoint(l)); return 1;
    case WM_MOUSEMOVE:
      if (s->Tracking != TTrack::None) Track(h, s, LParamToPoint(l));
      return 1;
    case WM_LBUTTONUP:
      if (s->Tracking != TTrack::None) {
        Track(h, s, LParamToPoint(l));
        s->Tracking = TTrack::None;
        ReleaseCapture();
      }
      return 1;
    case WM_CAPTURECHANGED: s->Tracking = TTrack::None; return 1;
    case WM_COMMAND: return Command(h, s, LOWORD(w), HIWORD(w)) ? 1 : 0;
    default: return 0;
  }
}

TDialogTemplate ColorTemplate(uint32_t flags) {
  TDialogTemplate t;
  t.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.ExStyle = WS_EX_DLGMODALFRAME;
  t.CX = kCompactWidth;
  t.CY = kHeight;
  t.Title = "Color";
  const uint32_t label = WS_CHILD | WS_VISIBLE | SS_LEFT;
  const uint32_t button = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const uint32_t edit = WS_CHILD | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL;
  t.Items = {
      {"Static", -1, "&Basic colors:", label, 0, 4, 4, 140, 9},
      {"Static", -1, "&Custom colors:", label, 0, 4, 104, 140, 9},
      {"Button", COLOR_MIX, "&Define Custom Colors >>", button | WS_GROUP, 0, 4, 148, 140, 14},
      {"Button", IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 4, 166, 44, 14},
      {"Button", IDCANCEL, "Cancel", button, 0, 52, 166, 44, 14},
  };
  if ((flags & CC_SHOWHELP) != 0) t.Items.push_back({"Button", kColorHelpId, "&Help", button, 0, 100, 166, 44, 14});
  const char* labels[] = {"Hu&e:", "&Sat:", "&Lum:", "&Red:", "&Green:", "Bl&ue:"};
  for (int32_t i = 0; i < 6; ++i) {
    const int32_t x = i < 3 ? 194 : 242, y = 124 + (i % 3) * 14;
    t.Items.push_back({"Static", kLabelIdBase + 1 + i, labels[i], WS_CHILD | SS_LEFT, 0, x, y + 2, i < 3 ? 22 : 28, 9});
    t.Items.push_back({"Edit", COLOR_HUE + i, "", edit | (i == 0 ? WS_GROUP : 0), WS_EX_CLIENTEDGE,
                       x + (i < 3 ? 22 : 28), y, 20, 12});
  }
  t.Items.push_back({"Button", COLOR_ADD, "&Add to Custom Colors", WS_CHILD | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0,
                     152, 166, 142, 14});
  return t;
}

}  // namespace

const COLORREF* ColorDialogBasicColors() { return kBasic; }

TRect ColorDialogCellRect(HWND hdlg, int32_t Index) {
  const TColorDlg* s = IsWindow(hdlg) ? State(hdlg) : nullptr;
  if (s == nullptr || Index < 0 || Index >= kBasicCount + kCustomCount) return TRect{};
  return Index < kBasicCount ? Cell(s->Basic, 6, Index) : Cell(s->CustomR, 2, Index - kBasicCount);
}

THls ColorRGBToHLS(COLORREF Rgb) {
  const int32_t r = GetRValue(TColor(Rgb)), g = GetGValue(TColor(Rgb)), b = GetBValue(TColor(Rgb));
  const int32_t mx = std::max({r, g, b}), mn = std::min({r, g, b});
  THls out;
  out.L = RoundToInt(double(mx + mn) * kHlsMax / 510.0);
  if (mx == mn) {
    out.S = 0;
    out.H = kHueUndefined;
    return out;
  }
  const double d = mx - mn;
  const double sum = mx + mn;
  out.S = RoundToInt(kHlsMax * (sum <= 255 ? d / sum : d / (510.0 - sum)));
  double h;
  if (mx == r)
    h = (g - b) / d;
  else if (mx == g)
    h = 2.0 + (b - r) / d;
  else
    h = 4.0 + (r - g) / d;
  int32_t hue = RoundToInt(h * kHlsMax / 6.0);
  hue %= kHlsMax;
  if (hue < 0) hue += kHlsMax;
  out.H = hue;
  out.S = std::clamp(out.S, 0, kHlsMax);
  return out;
}

COLORREF ColorHLSToRGB(const THls& Hls) {
  const double l = std::clamp(Hls.L, 0, kHlsMax) / double(kHlsMax);
  const double s = std::clamp(Hls.S, 0, kHlsMax) / double(kHlsMax);
  if (s == 0) {
    const uint8_t v = uint8_t(RoundToInt(l * 255));
    return C(v, v, v);
  }
  const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double p = 2 * l - q;
  const double h = std::clamp(Hls.H, 0, kHlsMax - 1) / double(kHlsMax);
  auto channel = [&](double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    double v;
    if (t < 1.0 / 6)
      v = p + (q - p) * 6 * t;
    else if (t < 0.5)
      v = q;
    else if (t < 2.0 / 3)
      v = p + (q - p) * (2.0 / 3 - t) * 6;
    else
      v = p;
    return uint8_t(std::clamp(RoundToInt(v * 255), 0, 255));
  };
  return C(channel(h + 1.0 / 3), channel(h), channel(h - 1.0 / 3));
}

bool ChooseColor(CHOOSECOLOR* cc) {
  if (cc == nullptr || cc->lStructSize != sizeof(CHOOSECOLOR) || cc->lpCustColors == nullptr) return false;
  TColorDlg state;
  state.Cc = cc;
  for (int32_t i = 0; i < kCustomCount; ++i) state.Custom[i] = cc->lpCustColors[i] & 0xFFFFFF;
  const intptr_t r = DialogBoxIndirectParam(nullptr, ColorTemplate(cc->Flags), cc->hwndOwner, ColorProc,
                                            reinterpret_cast<LPARAM>(&state));
  return r == IDOK;
}

// ================================================================================
// TColorDialog
// ================================================================================

namespace {

String CustomName(int32_t i) { return String("Color") + char('A' + i); }

}  // namespace

TColorDialog::TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner), FCustomColors(new TStringList) {}

TColorDialog::~TColorDialog() { delete FCustomColors; }

void TColorDialog::SetCustomColors(TStrings* Value) { FCustomColors->Assign(Value); }

intptr_t TColorDialog::Hook(HWND hdlg, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_INITDIALOG) return 0;
  auto* cc = reinterpret_cast<CHOOSECOLOR*>(lParam);
  auto* self = reinterpret_cast<TColorDialog*>(cc->lCustData);
  self->AttachDialog(hdlg, msg, wParam, lParam);
  return 1;
}

bool TColorDialog::Execute(HWND ParentWnd) {
  COLORREF custom[kCustomCount];
  for (int32_t i = 0; i < kCustomCount; ++i) {
    const String v = Trim(FCustomColors->Values(CustomName(i)));
    int32_t value = 0;
    const bool ok = !v.empty() && v.find_first_not_of("0123456789abcdefABCDEF") == String::npos && v.size() <= 6 &&
                    TryStrToInt("$" + v, value);
    custom[i] = ok ? COLORREF(value) : 0xFFFFFF;
  }
  CHOOSECOLOR cc;
  cc.hwndOwner = ParentWnd;
  cc.rgbResult = ColorToRGB(FColor) & 0xFFFFFF;
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_ENABLEHOOK;
  if (FOptions.Contains(TColorDialogOption::cdFullOpen)) cc.Flags |= CC_FULLOPEN;
  if (FOptions.Contains(TColorDialogOption::cdPreventFullOpen)) cc.Flags |= CC_PREVENTFULLOPEN;
  if (FOptions.Contains(TColorDialogOption::cdShowHelp)) cc.Flags |= CC_SHOWHELP;
  if (FOptions.Contains(TColorDialogOption::cdSolidColor)) cc.Flags |= CC_SOLIDCOLOR;
  if (FOptions.Contains(TColorDialogOption::cdAnyColor)) cc.Flags |= CC_ANYCOLOR;
  cc.lCustData = reinterpret_cast<LPARAM>(this);
  cc.lpfnHook = &TColorDialog::Hook;
  const bool result = TaskModalDialog([&] { return ChooseColor(&cc); });
  if (result) FColor = TColor(cc.rgbResult);
  for (int32_t i = 0; i < kCustomCount; ++i) FCustomColors->SetValue(CustomName(i), IntToHex(int32_t(custom[i]), 6));
  return result;
}
