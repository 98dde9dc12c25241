// The status bar and rebar native classes and the framework's status bar,
// tool bar, cool bar and control bar.
#include "platform/vcl/comctrls_bars.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/imagelist.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/comctrls_common.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/menus.h"
#include "platform/rtl/scopeguard.h"

namespace {

TSize ClientSize(HWND h) {
  TRect c;
  GetClientRect(h, &c);
  return TSize{c.Width(), c.Height()};
}

uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }

// Width of a single line of text in the font (no prefix characters).
int32_t TextWidth(HWND h, HFONT font, const String& text) {
  if (text.empty()) return 0;
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  TSize sz{0, 0};
  GetTextExtentPoint32(dc, text.c_str(), int32_t(text.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return sz.cx;
}

// ================================================================================
// "msctls_statusbar32"
// ================================================================================

struct TStatusPart {
  int32_t Right = -1;
  String Text;
  uint32_t Type = 0;  // SBT_* bits
  LPARAM Data = 0;    // owner draw
};

struct TStatusState {
  std::vector<TStatusPart> Parts{TStatusPart{}};
  TStatusPart Simple;
  bool IsSimple = false;
  HFONT Font = nullptr;
  int32_t MinHeight = 0;
};

TStatusState* StatusOf(HWND h) { return reinterpret_cast<TStatusState*>(GetWindowLong(h, 0)); }

// The grip counts while the window it would size can be sized.
bool GripActive(HWND h) {
  if ((Style(h) & SBARS_SIZEGRIP) == 0) return false;
  HWND top = GetAncestor(h, GA_ROOT);
  return top != nullptr && top != h && (Style(top) & WS_THICKFRAME) != 0 && !IsZoomed(top);
}

TRect GripRect(HWND h) {
  const TSize sz = ClientSize(h);
  const int32_t g = GetSystemMetrics(SM_CXVSCROLL);
  return TRect{sz.cx - g, sz.cy - g, sz.cx, sz.cy};
}

TRect PartRect(HWND h, const TStatusState& s, int32_t i) {
  const TSize sz = ClientSize(h);
  if (s.IsSimple) return TRect{0, 2, sz.cx, sz.cy};
  const int32_t left = i == 0 ? 0 : s.Parts[size_t(i - 1)].Right + 2;
  const int32_t right = s.Parts[size_t(i)].Right < 0 ? sz.cx : s.Parts[size_t(i)].Right;
  return TRect{left, 2, std::max(left, right), sz.cy};
}

void PaintPart(HWND h, HDC dc, const TStatusState& s, const TStatusPart& p, int32_t index, TRect r) {
  if ((p.Type & SBT_NOBORDERS) == 0) {
    TRect e = r;
    DrawEdge(dc, e, (p.Type & SBT_POPOUT) != 0 ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
  }
  InflateRect(r, -1, -1);
  if ((p.Type & SBT_OWNERDRAW) != 0) {
    DRAWITEMSTRUCT d;
    d.CtlID = uint32_t(GetWindowLong(h, GWL_ID));
    d.itemID = uint32_t(index);
    d.itemAction = ODA_DRAWENTIRE;
    d.hwndItem = h;
    d.hDC = dc;
    d.rcItem = r;
    d.itemData = uintptr_t(p.Data);
    if (HWND parent = GetParent(h)) SendMessage(parent, WM_DRAWITEM, WPARAM(d.CtlID), reinterpret_cast<LPARAM>(&d));
    return;
  }
  // Tabs split the text into a left, a centred and a right piece.
  const int32_t saved = SaveDC(dc);
  if (s.Font != nullptr) SelectObject(dc, s.Font);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  TRect tr{r.Left + 2, r.Top, r.Right - 2, r.Bottom};
  size_t start = 0;
  for (uint32_t align : {DT_LEFT, DT_CENTER, DT_RIGHT}) {
    const size_t tab = p.Text.find('\t', start);
    const String piece = p.Text.substr(start, tab == String::npos ? String::npos : tab - start);
    if (!piece.empty())
      StdDrawCaption(dc, piece, tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align, IsWindowEnabled(h),
                     GetSysColor(COLOR_BTNTEXT));
    if (tab == String::npos) break;
    start = tab + 1;
  }
  RestoreDC(dc, saved);
}

void PaintStatus(HWND h, HDC dc, const TStatusState& s) {
  const TSize sz = ClientSize(h);
  FillRect(dc, TRect{0, 0, sz.cx, sz.cy}, GetSysColorBrush(COLOR_BTNFACE));
  if (s.IsSimple) {
    PaintPart(h, dc, s, s.Simple, int32_t(SB_SIMPLEID), PartRect(h, s, 0));
  } else {
    for (int32_t i = 0; i < int32_t(s.Parts.size()); ++i) PaintPart(h, dc, s, s.Parts[size_t(i)], i, PartRect(h, s, i));
  }
  if (GripActive(h)) {
    TRect g = GripRect(h);
    DrawFrameControl(dc, &g, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  }
}

TStatusPart* PartOf(TStatusState& s, uint32_t part) {
  if (part == SB_SIMPLEID) return &s.Simple;
  return part < s.Parts.size() ? &s.Parts[part] : nullptr;
}

LRESULT StatusWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TStatusState* s = StatusOf(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(new TStatusState));
      if (auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam); cs != nullptr && cs->lpszName != nullptr)
        StatusOf(h)->Parts[0].Text = cs->lpszName;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(h, wParam, [&](HDC dc) { PaintStatus(h, dc, *s); });
    case WM_SIZE:
    case WM_STYLECHANGED:
    case WM_ENABLE: InvalidateRect(h, nullptr, true); return 0;
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      if (lParam != 0) InvalidateRect(h, nullptr, true);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_SETTEXT:
      s->Parts[0].Text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      InvalidateRect(h, nullptr, true);
      return 1;
    case WM_NCHITTEST: {
      if (GripActive(h)) {
        TPoint p = LParamToPoint(lParam);
        ScreenToClient(h, &p);
        if (PtInRect(GripRect(h), p)) return HTBOTTOMRIGHT;
      }
      return DefWindowProc(h, msg, wParam, lParam);
    }
    case WM_NCLBUTTONDOWN:
      // The grip sizes the window the bar sits in.
      if (wParam == WPARAM(HTBOTTOMRIGHT))
        if (HWND top = GetAncestor(h, GA_ROOT)) {
          PostMessage(top, WM_NCLBUTTONDOWN, wParam, lParam);
          return 0;
        }
      return DefWindowProc(h, msg, wParam, lParam);
    case SB_SETPARTS: {
      const auto* rights = reinterpret_cast<const int32_t*>(lParam);
      const size_t n = std::min<size_t>(wParam, 256);
      if (rights == nullptr || n == 0) return 0;
      s->Parts.resize(n);
      for (size_t i = 0; i < n; ++i) s->Parts[i].Right = rights[i];
      InvalidateRect(h, nullptr, true);
      return 1;
    }
    case SB_GETPARTS: {
      auto* rights = reinterpret_cast<int32_t*>(lParam);
      if (rights != nullptr)
        for (size_t i = 0; i < std::min<size_t>(wParam, s->Parts.size()); ++i) rights[i] = s->Parts[i].Right;
      return LRESULT(s->Parts.size());
    }
    case SB_GETBORDERS:
      if (auto* b = reinterpret_cast<int32_t*>(lParam)) b[0] = 0, b[1] = 2, b[2] = 2;
      return 1;
    case SB_SETMINHEIGHT: s->MinHeight = int32_t(wParam); return 0;
    case SB_SIMPLE:
      s->IsSimple = wParam != 0;
      InvalidateRect(h, nullptr, true);
      return 0;
    case SB_ISSIMPLE: return s->IsSimple ? 1 : 0;
    case SB_GETRECT: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr || (!s->IsSimple && wParam >= s->Parts.size())) return 0;
      *r = PartRect(h, *s, s->IsSimple ? 0 : int32_t(wParam));
      return 1;
    }
    case SB_SETTEXT: {
      TStatusPart* p = PartOf(*s, uint32_t(wParam & 0xFF));
      if (p == nullptr) return 0;
      p->Type = uint32_t(wParam) & 0xFF00;
      if ((p->Type & SBT_OWNERDRAW) != 0) {
        p->Data = lParam;
        p->Text.clear();
      } else {
        p->Text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      }
      InvalidateRect(h, nullptr, true);
      return 1;
    }
    case SB_GETTEXTLENGTH:
    case SB_GETTEXT: {
      const TStatusPart* p = PartOf(*s, uint32_t(wParam & 0xFF));
      if (p == nullptr) return 0;
      if ((p->Type & SBT_OWNERDRAW) != 0) return msg == SB_GETTEXT ? LRESULT(p->Data) : 0;
      if (msg == SB_GETTEXT && lParam != 0)
        ComCopyText(p->Text, reinterpret_cast<char*>(lParam), int32_t(p->Text.size()) + 1);
      return LRESULT(MAKELONG(uint16_t(p->Text.size()), uint16_t(p->Type)));
    }
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}

// ================================================================================
// "ReBarWindow32"
// ================================================================================

struct TBand {
  uint32_t Style = 0;
  String Text;
  int32_t Image = -1;
  HWND Child = nullptr;
  int32_t MinChildW = 0;
  int32_t MinChildH = 0;
  int32_t Cx = 0;
  HBITMAP Back = nullptr;
  uint32_t Id = 0;
  LPARAM Param = 0;
  int32_t Header = -1;
  // Layout: the band's rectangle (horizontal coordinates: x along the row) and row.
  TRect Rect;
  int32_t Row = 0;
};

struct TRebarState {
  std::vector<TBand> Bands;
  HIMAGELIST Images = nullptr;
  HFONT Font = nullptr;
  COLORREF Back = CLR_DEFAULT;
  int32_t Rows = 0;
  int32_t Height = 0;  // the rows' extent across
  bool Laying = false;
};

TRebarState* RebarOf(HWND h) { return reinterpret_cast<TRebarState*>(GetWindowLong(h, 0)); }
bool RbVertical(HWND h) { return (Style(h) & CCS_VERT) != 0; }

void ImageSize(const TRebarState& s, int32_t& cx, int32_t& cy) {
  cx = cy = 0;
  if (s.Images != nullptr) ImageList_GetIconSize(s.Images, &cx, &cy);
}

bool BandMovable(HWND h, const TRebarState& s, size_t i) {
  const TBand& b = s.Bands[i];
  if ((b.Style & RBBS_NOGRIPPER) != 0) return false;
  if ((b.Style & RBBS_GRIPPERALWAYS) != 0) return true;
  size_t first = 0;
  while (first < s.Bands.size() && (s.Bands[first].Style & RBBS_HIDDEN) != 0) ++first;
  const bool fixedFirst = (Style(h) & RBS_FIXEDORDER) != 0 && i == first;
  return !fixedFirst && (b.Style & RBBS_FIXEDSIZE) == 0;
}

// The header before a band's child: text, image, 4 for anything shown and a
// movable band's 4 + 5-pixel gripper.
int32_t HeaderSize(HWND h, const TRebarState& s, size_t i) {
  const TBand& b = s.Bands[i];
  if (b.Header >= 0) return b.Header;
  int32_t cx, cy;
  ImageSize(s, cx, cy);
  const bool vert = RbVertical(h);
  int32_t size = 0;
  if (!b.Text.empty()) size += vert ? StdFontHeight(s.Font) : TextWidth(h, s.Font, b.Text);
  if (s.Images != nullptr && b.Image >= 0) size += (b.Text.empty() ? 0 : 2) + (vert ? cy : cx);
  size += 4;
  if (BandMovable(h, s, i)) size += 4 + 5;
  return size;
}

int32_t BandDepth(HWND h, const TRebarState& s, const TBand& b) {
  int32_t cx, cy;
  ImageSize(s, cx, cy);
  int32_t d = std::max(b.MinChildH, s.Images != nullptr && b.Image >= 0 ? (RbVertical(h) ? cx : cy) : 0);
  if (!b.Text.empty() && !RbVertical(h)) d = std::max(d, StdFontHeight(s.Font));
  return d;
}

// Rows of bands across the bar, each band's child placed right of its header.
void RbLayout(HWND h, TRebarState& s) {
  if (s.Laying) return;
  s.Laying = true;
  const bool vert = RbVertical(h);
  const bool borders = (Style(h) & RBS_BANDBORDERS) != 0;
  const TSize sz = ClientSize(h);
  const int32_t length = vert ? sz.cy : sz.cx;
  // Rows first: a break or a full row starts a new one.
  std::vector<std::vector<size_t>> rows;
  int32_t used = 0;
  for (size_t i = 0; i < s.Bands.size(); ++i) {
    TBand& b = s.Bands[i];
    if ((b.Style & RBBS_HIDDEN) != 0) continue;
    const int32_t want = std::max(b.Cx, HeaderSize(h, s, i) + b.MinChildW);
    if (rows.empty() || (b.Style & RBBS_BREAK) != 0 || (used > 0 && used + want > length)) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(i);
    used += want + (borders ? 2 : 0);
  }
  int32_t across = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r > 0 && borders) across += 2;
    int32_t depth = 0;
    for (size_t i : rows[r]) depth = std::max(depth, BandDepth(h, s, s.Bands[i]));
    depth += 4;
    int32_t along = 0;
    for (size_t k = 0; k < rows[r].size(); ++k) {
      const size_t i = rows[r][k];
      TBand& b = s.Bands[i];
      const int32_t head = HeaderSize(h, s, i);
      int32_t w = std::max(b.Cx, head + b.MinChildW);
      if (k + 1 == rows[r].size()) w = std::max(w, length - along);  // the last band takes the rest
      b.Row = int32_t(r);
      b.Rect = vert ? TRect{across, along, across + depth, along + w} : TRect{along, across, along + w, across + depth};
      if (b.Child != nullptr && IsWindow(b.Child)) {
        const int32_t childLen = std::max(0, w - head - 2);
        const int32_t childDepth = std::max(1, depth - 4);
        if (vert)
          SetWindowPos(b.Child, nullptr, across + 2, along + head, childDepth, childLen, SWP_NOZORDER | SWP_NOACTIVATE);
        else
          SetWindowPos(b.Child, nullptr, along + head, across + 2, childLen, childDepth, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      along += w + (borders ? 2 : 0);
    }
    across += depth;
  }
  const int32_t oldHeight = s.Height;
  s.Rows = int32_t(rows.size());
  s.Height = across;
  s.Laying = false;
  if (oldHeight != s.Height) ComNotifyCode(h, RBN_HEIGHTCHANGE);
}

void DrawLine(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sysColor) {
  FillRect(dc, TRect{x0, y0, std::max(x1, x0 + 1), std::max(y1, y0 + 1)}, GetSysColorBrush(sysColor));
}

void PaintRebar(HWND h, HDC dc, TRebarState& s) {
  const TSize sz = ClientSize(h);
  const bool vert = RbVertical(h);
  const bool borders = (Style(h) & RBS_BANDBORDERS) != 0;
  HBRUSH back = s.Back == CLR_DEFAULT ? GetSysColorBrush(COLOR_BTNFACE) : CreateSolidBrush(s.Back);
  FillRect(dc, TRect{0, 0, sz.cx, sz.cy}, back);
  if (s.Back != CLR_DEFAULT) DeleteObject(back);
  int32_t icx, icy;
  ImageSize(s, icx, icy);
  for (size_t i = 0; i < s.Bands.size(); ++i) {
    const TBand& b = s.Bands[i];
    if ((b.Style & RBBS_HIDDEN) != 0) continue;
    const TRect r = b.Rect;
    if (b.Back != nullptr) {
      // Tiled from the bar's origin over the band.
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, b.Back);
      BITMAP bm;
      if (GetObject(b.Back, int32_t(sizeof bm), &bm) != 0 && bm.bmWidth > 0 && bm.bmHeight > 0) {
        const int32_t saved = SaveDC(dc);
        IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
        for (int32_t y = r.Top - r.Top % bm.bmHeight; y < r.Bottom; y += bm.bmHeight)
          for (int32_t x = r.Left - r.Left % bm.bmWidth; x < r.Right; x += bm.bmWidth)
            BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        RestoreDC(dc, saved);
      }
      SelectObject(mem, old);
      DeleteDC(mem);
    }
    int32_t pos = (vert ? r.Top : r.Left) + 1;
    if (BandMovable(h, s, i)) {
      // The gripper: two raised lines.
      for (int32_t k = 0; k < 2; ++k) {
        TRect g = vert ? TRect{r.Left + 2, pos + 2 * k, r.Right - 2, pos + 2 * k + 2}
                       : TRect{pos + 2 * k, r.Top + 2, pos + 2 * k + 2, r.Bottom - 2};
        DrawEdge(dc, g, BDR_RAISEDINNER, BF_RECT);
      }
      pos += 4 + 5 - 1;
    }
    if (s.Images != nullptr && b.Image >= 0) {
      if (vert)
        ImageList_Draw(s.Images, b.Image, dc, r.Left + (r.Width() - icx) / 2, pos + 2, ILD_TRANSPARENT);
      else
        ImageList_Draw(s.Images, b.Image, dc, pos + 2, r.Top + (r.Height() - icy) / 2, ILD_TRANSPARENT);
      pos += 2 + (vert ? icy : icx) + 1;
    }
    if (!b.Text.empty()) {
      const int32_t saved = SaveDC(dc);
      if (s.Font != nullptr) SelectObject(dc, s.Font);
      const int32_t childStart = (vert ? r.Top : r.Left) + HeaderSize(h, s, i);
      TRect tr = vert ? TRect{r.Left, pos, r.Right, childStart} : TRect{pos + 2, r.Top, childStart, r.Bottom};
      StdDrawCaption(dc, b.Text, tr, DT_SINGLELINE | DT_VCENTER | (vert ? DT_CENTER : DT_LEFT) | DT_NOPREFIX,
                     IsWindowEnabled(h), GetSysColor(COLOR_BTNTEXT));
      RestoreDC(dc, saved);
    }
    if (borders) {
      // Etched lines after the band and below its row.
      if (vert) {
        DrawLine(dc, r.Left, r.Bottom, r.Right, r.Bottom + 1, COLOR_BTNSHADOW);
        DrawLine(dc, r.Left, r.Bottom + 1, r.Right, r.Bottom + 2, COLOR_BTNHIGHLIGHT);
        DrawLine(dc, r.Right, r.Top, r.Right + 1, r.Bottom, COLOR_BTNSHADOW);
        DrawLine(dc, r.Right + 1, r.Top, r.Right + 2, r.Bottom, COLOR_BTNHIGHLIGHT);
      } else {
        DrawLine(dc, r.Right, r.Top, r.Right + 1, r.Bottom, COLOR_BTNSHADOW);
        DrawLine(dc, r.Right + 1, r.Top, r.Right + 2, r.Bottom, COLOR_BTNHIGHLIGHT);
        DrawLine(dc, r.Left, r.Bottom, r.Right, r.Bottom + 1, COLOR_BTNSHADOW);
        DrawLine(dc, r.Left, r.Bottom + 1, r.Right, r.Bottom + 2, COLOR_BTNHIGHLIGHT);
      }
    }
  }
}

void ReadBand(const REBARBANDINFO& bi, TBand& b) {
  if ((bi.fMask & RBBIM_STYLE) != 0) b.Style = bi.fStyle;
  if ((bi.fMask & RBBIM_TEXT) != 0) b.Text = bi.lpText != nullptr ? String(bi.lpText) : String();
  if ((bi.fMask & RBBIM_IMAGE) != 0) b.Image = bi.iImage;
  if ((bi.fMask & RBBIM_CHILD) != 0) b.Child = bi.hwndChild;
  if ((bi.fMask & RBBIM_CHILDSIZE) != 0) b.MinChildW = bi.cxMinChild, b.MinChildH = bi.cyMinChild;
  if ((bi.fMask & RBBIM_SIZE) != 0) b.Cx = bi.cx;
  if ((bi.fMask & RBBIM_BACKGROUND) != 0) b.Back = bi.hbmBack;
  if ((bi.fMask & RBBIM_ID) != 0) b.Id = bi.wID;
  if ((bi.fMask & RBBIM_LPARAM) != 0) b.Param = bi.lParam;
  if ((bi.fMask & RBBIM_HEADERSIZE) != 0) b.Header = bi.cxHeader;
}

void WriteBand(const TBand& b, REBARBANDINFO& bi) {
  if ((bi.fMask & RBBIM_STYLE) != 0) bi.fStyle = b.Style;
  if ((bi.fMask & RBBIM_TEXT) != 0) ComCopyText(b.Text, bi.lpText, bi.cch);
  if ((bi.fMask & RBBIM_IMAGE) != 0) bi.iImage = b.Image;
  if ((bi.fMask & RBBIM_CHILD) != 0) bi.hwndChild = b.Child;
  if ((bi.fMask & RBBIM_CHILDSIZE) != 0) bi.cxMinChild = b.MinChildW, bi.cyMinChild = b.MinChildH;
  if ((bi.fMask & RBBIM_SIZE) != 0) bi.cx = b.Cx;
  if ((bi.fMask & RBBIM_BACKGROUND) != 0) bi.hbmBack = b.Back;
  if ((bi.fMask & RBBIM_ID) != 0) bi.wID = b.Id;
  if ((bi.fMask & RBBIM_LPARAM) != 0) bi.lParam = b.Param;
  if ((bi.fMask & RBBIM_HEADERSIZE) != 0) bi.cxHeader = b.Header;
}

void Relayout(HWND h, TRebarState& s) {
  RbLayout(h, s);
  InvalidateRect(h, nullptr, true);
}

LRESULT RebarWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TRebarState* s = RebarOf(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(new TRebarState));
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(h, wParam, [&](HDC dc) { PaintRebar(h, dc, *s); });
    case WM_SIZE:
    case WM_STYLECHANGED: Relayout(h, *s); return 0;
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      Relayout(h, *s);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_DESTROY)
        for (TBand& b : s->Bands)
          if (b.Child == reinterpret_cast<HWND>(lParam)) b.Child = nullptr;
      return 0;
    case RB_SETBARINFO:
      if (const auto* ri = reinterpret_cast<const REBARINFO*>(lParam);
          ri != nullptr && (ri->fMask & RBIM_IMAGELIST) != 0)
        s->Images = ri->himl;
      Relayout(h, *s);
      return 1;
    case RB_GETBARINFO:
      if (auto* ri = reinterpret_cast<REBARINFO*>(lParam)) ri->himl = s->Images;
      return 1;
    case RB_SETBKCOLOR: {
      const COLORREF old = s->Back;
      s->Back = COLORREF(lParam);
      InvalidateRect(h, nullptr, true);
      return LRESULT(old);
    }
    case RB_INSERTBAND: {
      const auto* bi = reinterpret_cast<const REBARBANDINFO*>(lParam);
      if (bi == nullptr) return 0;
      TBand b;
      ReadBand(*bi, b);
      const int32_t at = int32_t(intptr_t(wParam));
      const size_t i = at < 0 || size_t(at) > s->Bands.size() ? s->Bands.size() : size_t(at);
      s->Bands.insert(s->Bands.begin() + i, b);
      Relayout(h, *s);
      return 1;
    }
    case RB_SETBANDINFO:
    case RB_GETBANDINFO: {
      auto* bi = reinterpret_cast<REBARBANDINFO*>(lParam);
      if (bi == nullptr || wParam >= s->Bands.size()) return 0;
      if (msg == RB_GETBANDINFO) {
        WriteBand(s->Bands[wParam], *bi);
        return 1;
      }
      ReadBand(*bi, s->Bands[wParam]);
      Relayout(h, *s);
      return 1;
    }
    case RB_DELETEBAND:
      if (wParam >= s->Bands.size()) return 0;
      s->Bands.erase(s->Bands.begin() + ptrdiff_t(wParam));
      Relayout(h, *s);
      return 1;
    case RB_GETBANDCOUNT: return LRESULT(s->Bands.size());
    case RB_GETROWCOUNT: return s->Rows;
    case RB_GETBARHEIGHT: return s->Height;
    case RB_GETROWHEIGHT: {
      if (wParam >= s->Bands.size()) return 0;
      const TRect& r = s->Bands[wParam].Rect;
      return RbVertical(h) ? r.Width() : r.Height();
    }
    case RB_GETRECT: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr || wParam >= s->Bands.size()) return 0;
      *r = s->Bands[wParam].Rect;
      return 1;
    }
    case RB_GETBANDBORDERS: {
      auto* r = reinterpret_cast<TRect*>(lParam);
      if (r == nullptr || wParam >= s->Bands.size()) return 0;
      const int32_t head = HeaderSize(h, *s, wParam);
      *r = RbVertical(h) ? TRect{2, head, 2, 2} : TRect{head, 2, 2, 2};
      return 1;
    }
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterComBarClasses() {
  ComRegisterClass("msctls_statusbar32", StatusWndProc);
  ComRegisterClass("ReBarWindow32", RebarWndProc);
}

namespace {

// Lends Canvas to a drawing handler on DC for the duration of Draw.
template <class DrawFn>
void DrawOnCanvas(TCanvas* Canvas, HDC DC, TFont* Font, TBrush* Brush, DrawFn&& Draw) {
  Canvas->Lock();
  const int32_t saved = SaveDC(DC);
  Canvas->SetHandle(DC);
  Canvas->Font()->Assign(Font);
  Canvas->Brush()->Assign(Brush);
  auto cleanup = ScopeExit([&] {
    Canvas->SetHandle(nullptr);
    RestoreDC(DC, saved);
    Canvas->Unlock();
  });
  Draw();
}

}  // namespace

// ================================================================================
// TStatusBar
// ================================================================================

void TStatusPanel::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TStatusPanel*>(Source)) {
    FText = p->FText;
    FWidth = p->FWidth;
    FAlignment = p->FAlignment;
    FBevel = p->FBevel;
    FStyle = p->FStyle;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TStatusPanel::SetText(const String& Value) {
  if (Value == FText) return;
  FText = Value;
  Changed(false);
}

void TStatusPanel::SetWidth(int32_t Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
  if (Value == FBevel) return;
  FBevel = Value;
  Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed(false);
}

TStatusPanels::TStatusPanels(TStatusBar* StatusBar)
    : TCollection(CollectionItemFactory<TStatusPanel>()), FStatusBar(StatusBar) {}

TPersistent* TStatusPanels::GetOwner() const { return FStatusBar; }

void TStatusPanels::Update(TCollectionItem* Item) {
  if (Item != nullptr)
    FStatusBar->UpdatePanel(static_cast<TStatusPanel*>(Item));
  else
    FStatusBar->UpdatePanels();
}

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csClickEvents,
                                TControlStyleItem::csDoubleClicks, TControlStyleItem::csOpaque});
  SetColor(clBtnFace);
  SetBounds(0, 0, 200, 19);
  SetAlign(TAlign::alBottom);
  FPanels = std::make_unique<TStatusPanels>(this);
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& Params) {
  RegisterComBarClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "msctls_statusbar32");
  Params.Style |= CCS_NORESIZE | CCS_NOPARENTALIGN;
  if (FSizeGrip) Params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdatePanels();
}

void TStatusBar::UpdatePanel(TStatusPanel* Panel) {
  if (!HandleAllocated() || FSimplePanel) return;
  uint32_t flags = uint32_t(Panel->Index());
  switch (Panel->Bevel()) {
    case TStatusPanelBevel::pbNone: flags |= SBT_NOBORDERS; break;
    case TStatusPanelBevel::pbRaised: flags |= SBT_POPOUT; break;
    default: break;
  }
  if (Panel->Style() == TStatusPanelStyle::psOwnerDraw) {
    Perform(SB_SETTEXT, flags | SBT_OWNERDRAW, LPARAM(Panel->Index()));
    return;
  }
  String text = Panel->Text();
  if (Panel->Alignment() == TAlignment::taCenter) text = "\t" + text;
  if (Panel->Alignment() == TAlignment::taRightJustify) text = "\t\t" + text;
  Perform(SB_SETTEXT, flags, reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::UpdatePanels() {
  if (!HandleAllocated()) return;
  Perform(SB_SIMPLE, FSimplePanel ? 1 : 0, 0);
  if (FSimplePanel) {
    Perform(SB_SETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
    return;
  }
  const int32_t n = FPanels->Count();
  std::vector<int32_t> rights(size_t(std::max(n, 1)), -1);
  int32_t edge = 0;
  // The last panel takes the rest of the bar.
  for (int32_t i = 0; i + 1 < n; ++i) rights[size_t(i)] = edge += FPanels->Items(i)->Width();
  Perform(SB_SETPARTS, WPARAM(rights.size()), reinterpret_cast<LPARAM>(rights.data()));
  if (n == 0) Perform(SB_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  for (int32_t i = 0; i < n; ++i) UpdatePanel(FPanels->Items(i));
}

void TStatusBar::SetSimplePanel(bool Value) {
  if (Value == FSimplePanel) return;
  FSimplePanel = Value;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const String& Value) {
  FSimpleText = Value;
  if (HandleAllocated() && FSimplePanel) Perform(SB_SETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TStatusBar::SetSizeGrip(bool Value) {
  if (Value == FSizeGrip) return;
  FSizeGrip = Value;
  RecreateWnd();
}

void TStatusBar::DrawPanel(TStatusPanel* Panel, const TRect& Rect) {
  if (OnDrawPanel)
    OnDrawPanel(this, Panel, Rect);
  else
    FCanvas->FillRect(Rect);
}

void TStatusBar::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_DRAWITEM) {
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
    if (d != nullptr && int32_t(d->itemID) < FPanels->Count()) {
      TStatusPanel* panel = FPanels->Items(int32_t(d->itemID));
      DrawOnCanvas(FCanvas.get(), d->hDC, Font(), Brush(), [&] { DrawPanel(panel, d->rcItem); });
    }
    Message.Result = 1;
    return;
  }
  TWinControl::Dispatch(Message);
}

// ================================================================================
// TToolButton / TToolBar
// ================================================================================

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csSetCaption,
                                TControlStyleItem::csClickEvents});
  SetBounds(0, 0, 23, 22);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::SetStyle(TToolButtonStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  if (Parent() != nullptr) Parent()->Realign();
  Invalidate();
}

void TToolButton::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Invalidate();
}

void TToolButton::SetDown(bool Value) {
  if (Value == FDown) return;
  if (!Value && FGrouped && !FAllowAllUp && FStyle == TToolButtonStyle::tbsCheck) return;
  FDown = Value;
  if (Value && FGrouped && ToolBar() != nullptr) {
    // The neighbours of the group (adjacent grouped check buttons) come up.
    const std::vector<TToolButton*> row = ToolBar()->OrderedButtons();
    const auto self = std::find(row.begin(), row.end(), this);
    auto isGroup = [](TToolButton* b) { return b->FGrouped && b->FStyle == TToolButtonStyle::tbsCheck; };
    for (auto it = self; it != row.begin() && isGroup(*(it - 1));) {
      --it;
      if ((*it)->FDown) (*it)->FDown = false, (*it)->Invalidate();
    }
    for (auto it = self + 1; it != row.end() && isGroup(*it); ++it)
      if ((*it)->FDown) (*it)->FDown = false, (*it)->Invalidate();
  }
  Invalidate();
}

void TToolButton::Click() {
  if (FStyle == TToolButtonStyle::tbsCheck) SetDown(!FDown);
  if (FStyle == TToolButtonStyle::tbsDropDown && FDropdownMenu != nullptr) {
    const TPoint p = ClientToScreen(TPoint{0, Height()});
    FDropdownMenu->Popup(p.X, p.Y);
  }
  TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == TMouseButton::mbLeft && Enabled() && FStyle != TToolButtonStyle::tbsSeparator &&
      FStyle != TToolButtonStyle::tbsDivider) {
    FPressed = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TToolButton::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  const bool inside = X >= 0 && Y >= 0 && X < Width() && Y < Height();
  if (FPressed && !inside) {
    FPressed = false;
    Invalidate();
  }
  TGraphicControl::MouseMove(Shift, X, Y);
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FPressed = false;
  Invalidate();
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      FHot = Message.Msg == CM_MOUSEENTER && Enabled();
      Invalidate();
      break;
    case CM_TEXTCHANGED:
      if (Parent() != nullptr) Parent()->Realign();
      break;
    default: break;
  }
  TGraphicControl::Dispatch(Message);
}

void TToolButton::Paint() {
  TCanvas* c = Canvas();
  TToolBar* bar = ToolBar();
  TRect r{0, 0, Width(), Height()};
  HDC dc = c->Handle();
  if (FStyle == TToolButtonStyle::tbsSeparator) return;
  if (FStyle == TToolButtonStyle::tbsDivider) {
    TRect line{r.Width() / 2 - 1, 1, r.Width() / 2 + 1, r.Height() - 1};
    DrawEdge(dc, line, EDGE_ETCHED, BF_LEFT);
    return;
  }
  const bool sunken = FPressed || FDown;
  if (sunken) {
    if (FDown && !FPressed) {
      c->Brush()->SetColor(clBtnHighlight);
      c->FillRect(TRect{1, 1, r.Right - 1, r.Bottom - 1});
    }
    DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT);
  } else if (FHot || (bar != nullptr && !bar->Flat())) {
    DrawEdge(dc, r, BDR_RAISEDINNER, BF_RECT);
  }
  const int32_t shift = sunken ? 1 : 0;
  TRect content{r.Left + 2 + shift, r.Top + 2 + shift, r.Right - 2 + shift, r.Bottom - 2 + shift};
  if (FStyle == TToolButtonStyle::tbsDropDown) {
    // The arrow in the right 12 pixels.
    const int32_t ax = r.Right - 9, ay = r.Height() / 2 - 1;
    for (int32_t k = 0; k < 3; ++k)
      FillRect(dc, TRect{ax + k, ay + k, ax + 5 - k, ay + k + 1}, GetSysColorBrush(COLOR_BTNTEXT));
    content.Right -= 12;
  }
  TCustomImageList* images = bar != nullptr ? bar->Images() : nullptr;
  const bool caption = bar != nullptr && bar->ShowCaptions() && !Caption().empty();
  const bool list = bar != nullptr && bar->List();
  int32_t textLeft = content.Left, textTop = content.Top;
  if (images != nullptr && FImageIndex >= 0 && FImageIndex < images->Count()) {
    int32_t ix, iy;
    if (list || !caption) {
      ix = list && caption ? content.Left + 2 : content.Left + (content.Width() - images->Width()) / 2;
      iy = content.Top + (content.Height() - images->Height()) / 2;
      textLeft = ix + images->Width() + 4;
    } else {
      ix = content.Left + (content.Width() - images->Width()) / 2;
      iy = content.Top + 1;
      textTop = iy + images->Height() + 1;
    }
    images->Draw(c, ix, iy, FImageIndex, Enabled());
  }
  if (caption) {
    c->Font()->Assign(bar->Font());
    TRect tr{list ? textLeft : content.Left, textTop, content.Right, content.Bottom};
    const uint32_t fmt =
        DT_SINGLELINE | (list ? DT_LEFT | DT_VCENTER : DT_CENTER | (textTop > content.Top ? DT_TOP : DT_VCENTER));
    StdDrawCaption(dc, Caption(), tr, fmt, Enabled(), GetSysColor(COLOR_BTNTEXT));
  }
}

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csDoubleClicks});
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 29);
  SetAlign(TAlign::alTop);
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = [this](TObject*) { Invalidate(); };
}

TToolBar::~TToolBar() {
  if (FImages != nullptr) FImages->UnRegisterChanges(FImageChangeLink.get());
}

std::vector<TToolButton*> TToolBar::OrderedButtons() const {
  std::vector<TToolButton*> r;
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TToolButton*>(Controls(i))) r.push_back(b);
  return r;
}

int32_t TToolBar::ButtonCount() const { return int32_t(OrderedButtons().size()); }

TToolButton* TToolBar::Buttons(int32_t Index) const {
  const std::vector<TToolButton*> r = OrderedButtons();
  if (Index < 0 || Index >= int32_t(r.size()))
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return r[size_t(Index)];
}

TSize TToolBar::ButtonSize(TToolButton* Button) const {
  if (Button->Style() == TToolButtonStyle::tbsSeparator || Button->Style() == TToolButtonStyle::tbsDivider)
    return TSize{8, FButtonHeight};
  int32_t w = FButtonWidth;
  if (FShowCaptions && !Button->Caption().empty()) {
    int32_t text = TextWidth(nullptr, Font()->Handle(), Button->Caption()) + 8;
    if (FList && FImages != nullptr) text += FImages->Width() + 4;
    w = std::max(w, text);
  }
  if (Button->Style() == TToolButtonStyle::tbsDropDown) w += 12;
  return TSize{w, FButtonHeight};
}

void TToolBar::AlignControls(TControl* AControl, TRect& Rect) {
  if (FAligning) return;
  FAligning = true;
  int32_t x = 0, y = 0;
  const int32_t room = ClientWidth();
  for (TToolButton* b : OrderedButtons()) {
    if (!b->Visible()) continue;
    const TSize sz = ButtonSize(b);
    if (FWrapable && x > 0 && x + sz.cx > room) {
      x = 0;
      y += FButtonHeight;
    }
    b->SetBounds(x, y, sz.cx, sz.cy);
    x += sz.cx;
  }
  FAligning = false;
  TWinControl::AlignControls(AControl, Rect);
  if (AutoSize()) SetHeight(y + FButtonHeight);
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImages) SetImages(nullptr);
}

void TToolBar::PaintWindow(HDC) {}

void TToolBar::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(this, FImages, Value, FImageChangeLink.get())) return;
  Realign();
  Invalidate();
}

void TToolBar::SetFlat(bool Value) {
  FFlat = Value;
  Invalidate();
}

void TToolBar::SetShowCaptions(bool Value) {
  FShowCaptions = Value;
  Realign();
  Invalidate();
}

void TToolBar::SetButtonWidth(int32_t Value) {
  FButtonWidth = Value;
  Realign();
}

void TToolBar::SetButtonHeight(int32_t Value) {
  FButtonHeight = Value;
  Realign();
}

void TToolBar::SetList(bool Value) {
  FList = Value;
  Realign();
  Invalidate();
}

void TToolBar::SetWrapable(bool Value) {
  FWrapable = Value;
  Realign();
}

// ================================================================================
// TCoolBar
// ================================================================================

TCoolBand::TCoolBand(TCollection* Collection) : TCollectionItem(Collection) { Changed(true); }

TCoolBand::~TCoolBand() {
  if (FControl != nullptr && CoolBar() != nullptr) FControl->RemoveFreeNotification(CoolBar());
}

TCoolBar* TCoolBand::CoolBar() const {
  auto* bands = dynamic_cast<TCoolBands*>(Collection());
  return bands != nullptr ? bands->CoolBar() : nullptr;
}

void TCoolBand::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TCoolBand*>(Source)) {
    FText = b->FText;
    FImageIndex = b->FImageIndex;
    FWidth = b->FWidth;
    FMinWidth = b->FMinWidth;
    FMinHeight = b->FMinHeight;
    FBreak = b->FBreak;
    FFixedSize = b->FFixedSize;
    FFixedBackground = b->FFixedBackground;
    FVisible = b->FVisible;
    FHorizontalOnly = b->FHorizontalOnly;
    Changed(true);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TCoolBand::SetControl(TWinControl* Value) {
  if (Value == FControl) return;
  TCoolBar* bar = CoolBar();
  if (Value != nullptr && bar != nullptr)
    if (TCoolBand* other = bar->Bands()->FindBand(Value)) other->FControl = nullptr;
  if (FControl != nullptr && bar != nullptr) FControl->RemoveFreeNotification(bar);
  FControl = Value;
  if (Value != nullptr && bar != nullptr) {
    Value->FreeNotification(bar);
    if (Value->Parent() != bar) {
      ++bar->FUpdating;  // the band exists already: no second one for the new child
      Value->SetParent(bar);
      --bar->FUpdating;
    }
  }
  Changed(true);
}

void TCoolBand::SetText(const String& Value) {
  if (Value == FText) return;
  FText = Value;
  Changed(true);
}

void TCoolBand::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Changed(true);
}

void TCoolBand::SetWidth(int32_t Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  Changed(true);
}

void TCoolBand::SetMinWidth(int32_t Value) {
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  Changed(true);
}

void TCoolBand::SetMinHeight(int32_t Value) {
  if (Value == FMinHeight) return;
  FMinHeight = Value;
  Changed(true);
}

void TCoolBand::SetBreak(bool Value) {
  if (Value == FBreak) return;
  FBreak = Value;
  Changed(true);
}

void TCoolBand::SetFixedSize(bool Value) {
  if (Value == FFixedSize) return;
  FFixedSize = Value;
  Changed(true);
}

void TCoolBand::SetFixedBackground(bool Value) {
  if (Value == FFixedBackground) return;
  FFixedBackground = Value;
  Changed(true);
}

void TCoolBand::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  if (FControl != nullptr) FControl->SetVisible(Value);
  Changed(true);
}

void TCoolBand::SetHorizontalOnly(bool Value) {
  if (Value == FHorizontalOnly) return;
  FHorizontalOnly = Value;
  Changed(true);
}

TCoolBands::TCoolBands(TCoolBar* CoolBar) : TCollection(CollectionItemFactory<TCoolBand>()), FCoolBar(CoolBar) {}

TPersistent* TCoolBands::GetOwner() const { return FCoolBar; }

TCoolBand* TCoolBands::FindBand(TControl* AControl) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (Items(i)->FControl == AControl) return Items(i);
  return nullptr;
}

void TCoolBands::Update(TCollectionItem*) { FCoolBar->UpdateBands(); }

TCoolBar::TCoolBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csOpaque});
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 75);
  SetAlign(TAlign::alTop);
  FBands = std::make_unique<TCoolBands>(this);
  FBitmap = std::make_unique<TBitmap>();
  FBitmap->OnChange = [this](TObject* Sender) { BitmapChanged(Sender); };
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = [this](TObject*) { UpdateBands(); };
}

TCoolBar::~TCoolBar() {
  if (FImages != nullptr) FImages->UnRegisterChanges(FImageChangeLink.get());
  ++FUpdating;
  FBands.reset();
}

void TCoolBar::CreateParams(TCreateParams& Params) {
  RegisterComBarClasses();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "ReBarWindow32");
  Params.Style |= CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | WS_CLIPCHILDREN;
  if (FVertical) Params.Style |= CCS_VERT;
  if (FFixedOrder) Params.Style |= RBS_FIXEDORDER;
  if (FBandBorderStyle == TBorderStyle::bsSingle) Params.Style |= RBS_BANDBORDERS;
}

void TCoolBar::CreateWnd() {
  TWinControl::CreateWnd();
  REBARINFO ri;
  ri.fMask = RBIM_IMAGELIST;
  ri.himl = FImages != nullptr ? FImages->Handle() : nullptr;
  Perform(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&ri));
  UpdateBands();
}

void TCoolBar::FillBandInfo(TCoolBand* Band, REBARBANDINFO& Info, String& Text) {
  Info.fMask = RBBIM_STYLE | RBBIM_TEXT | RBBIM_IMAGE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_BACKGROUND |
               RBBIM_ID | RBBIM_LPARAM;
  Info.fStyle = 0;
  if (Band->FBreak) Info.fStyle |= RBBS_BREAK;
  if (Band->FFixedSize) Info.fStyle |= RBBS_FIXEDSIZE;
  if (Band->FFixedBackground) Info.fStyle |= RBBS_FIXEDBMP;
  if (!Band->FVisible || (FVertical && Band->FHorizontalOnly)) Info.fStyle |= RBBS_HIDDEN;
  Text = FShowText ? Band->FText : String();
  Info.lpText = const_cast<char*>(Text.c_str());
  Info.iImage = FImages != nullptr ? Band->FImageIndex : -1;
  TWinControl* c = Band->FControl;
  Info.hwndChild = c != nullptr && c->Parent() == this ? c->Handle() : nullptr;
  Info.cxMinChild = Band->FMinWidth;
  // The child keeps its own depth (the band's minimum when it has none).
  Info.cyMinChild = c != nullptr ? (FVertical ? c->Width() : c->Height()) : Band->FMinHeight;
  Info.cx = Band->FWidth;
  Info.hbmBack = FBitmap->Empty() ? nullptr : FBitmap->Handle();
  Info.wID = uint32_t(Band->ID());
  Info.lParam = reinterpret_cast<LPARAM>(Band);
}

void TCoolBar::UpdateBands() {
  if (!HandleAllocated() || FBands == nullptr || FUpdating > 0) return;
  ++FUpdating;
  {
    auto cleanup = ScopeExit([&] { --FUpdating; });
    const int32_t n = FBands->Count();
    while (int32_t(Perform(RB_GETBANDCOUNT, 0, 0)) > n) Perform(RB_DELETEBAND, WPARAM(n), 0);
    for (int32_t i = 0; i < n; ++i) {
      REBARBANDINFO info;
      String text;
      FillBandInfo(FBands->Items(i), info, text);
      if (i < int32_t(Perform(RB_GETBANDCOUNT, 0, 0)))
        Perform(RB_SETBANDINFO, WPARAM(i), reinterpret_cast<LPARAM>(&info));
      else
        Perform(RB_INSERTBAND, WPARAM(-1), reinterpret_cast<LPARAM>(&info));
    }
  }
  if (AutoSize()) {
    const int32_t extent = int32_t(Perform(RB_GETBARHEIGHT, 0, 0));
    if (FVertical)
      SetWidth(extent);
    else
      SetHeight(extent);
  }
  Invalidate();
}

void TCoolBar::AlignControls(TControl*, TRect&) { UpdateBands(); }

void TCoolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FImages) SetImages(nullptr);
  if (FBands != nullptr)
    for (int32_t i = 0; i < FBands->Count(); ++i)
      if (FBands->Items(i)->FControl == AComponent) FBands->Items(i)->FControl = nullptr;
}

void TCoolBar::SetVertical(bool Value) {
  if (Value == FVertical) return;
  FVertical = Value;
  SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TCoolBar::SetShowText(bool Value) {
  if (Value == FShowText) return;
  FShowText = Value;
  UpdateBands();
}

void TCoolBar::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(this, FImages, Value, FImageChangeLink.get())) return;
  if (HandleAllocated()) {
    REBARINFO ri;
    ri.fMask = RBIM_IMAGELIST;
    ri.himl = Value != nullptr ? Value->Handle() : nullptr;
    Perform(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&ri));
  }
  UpdateBands();
}

void TCoolBar::SetFixedOrder(bool Value) {
  if (Value == FFixedOrder) return;
  FFixedOrder = Value;
  RecreateWnd();
}

void TCoolBar::SetBandBorderStyle(TBorderStyle Value) {
  if (Value == FBandBorderStyle) return;
  FBandBorderStyle = Value;
  RecreateWnd();
}

void TCoolBar::SetBitmap(TBitmap* Value) { FBitmap->Assign(Value); }

void TCoolBar::BitmapChanged(TObject*) { UpdateBands(); }

void TCoolBar::SetAutoSize(bool Value) {
  TWinControl::SetAutoSize(Value);
  UpdateBands();
}

void TCoolBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_CONTROLCHANGE:
      // A windowed child put on the bar gets a band of its own.
      if (Message.LParam != 0 && FUpdating == 0 && FBands != nullptr) {
        auto* c = dynamic_cast<TWinControl*>(reinterpret_cast<TControl*>(Message.WParam));
        if (c != nullptr && FBands->FindBand(c) == nullptr) {
          ++FUpdating;
          TCoolBand* band = FBands->Add();
          band->FControl = c;
          c->FreeNotification(this);
          --FUpdating;
          UpdateBands();
        }
      }
      break;
    case CM_CONTROLLISTCHANGE:
      // A child taken off the bar takes its band with it.
      if (Message.LParam == 0 && FBands != nullptr && !ComponentState().Contains(TComponentStateItem::csDestroying))
        if (TCoolBand* band = FBands->FindBand(reinterpret_cast<TControl*>(Message.WParam))) {
          band->FControl = nullptr;
          delete band;
        }
      break;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      UpdateBands();
      return;
    default: break;
  }
  TWinControl::Dispatch(Message);
}

// ================================================================================
// TCustomControlBar
// ================================================================================

namespace {
constexpr int32_t kGrabber = 11;  // the band's strip left of its control
}  // namespace

TCustomControlBar::TCustomControlBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csDoubleClicks,
                                TControlStyleItem::csOpaque});
  SetColor(clBtnFace);
  SetBounds(0, 0, 100, 50);
  FPicture = std::make_unique<TPicture>();
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
}

TCustomControlBar::~TCustomControlBar() = default;

TRect TCustomControlBar::BandRect(TControl* Control) {
  return TRect{Control->Left() - kGrabber, Control->Top() - 2, Control->Left() + Control->Width() + 2,
               Control->Top() + Control->Height() + 2};
}

TControl* TCustomControlBar::BandAt(const TPoint& Pos) {
  for (int32_t i = ControlCount() - 1; i >= 0; --i) {
    TControl* c = Controls(i);
    if (c->Visible() && PtInRect(BandRect(c), Pos)) return c;
  }
  return nullptr;
}

void TCustomControlBar::SetRowSize(int32_t Value) {
  if (Value == FRowSize || Value <= 0) return;
  FRowSize = Value;
  Realign();
  Invalidate();
}

void TCustomControlBar::SetRowSnap(bool Value) {
  if (Value == FRowSnap) return;
  FRowSnap = Value;
  Realign();
}

void TCustomControlBar::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

void TCustomControlBar::PictureChanged(TObject*) { Invalidate(); }

void TCustomControlBar::SetAutoSize(bool Value) {
  TCustomControl::SetAutoSize(Value);
  Realign();
}

void TCustomControlBar::AlignControls(TControl* AControl, TRect& Rect) {
  if (FAligning) return;
  FAligning = true;
  struct TBand {
    TControl* Control;
    int32_t Row;
  };
  std::vector<TBand> bands;
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    const int32_t row = FRowSnap ? std::max(0, c->Top() - 2 + FRowSize / 2) / FRowSize : 0;
    bands.push_back(TBand{c, row});
  }
  // In each row the bands keep their order from left to right without overlapping.
  std::stable_sort(bands.begin(), bands.end(), [](const TBand& a, const TBand& b) {
    return a.Row != b.Row ? a.Row < b.Row : a.Control->Left() < b.Control->Left();
  });
  int32_t lastRow = -1, nextLeft = kGrabber, extent = 0;
  {
    auto cleanup = ScopeExit([&] { FAligning = false; });
    for (const TBand& b : bands) {
      if (b.Row != lastRow) nextLeft = kGrabber, lastRow = b.Row;
      const int32_t left = std::max(b.Control->Left(), nextLeft);
      const int32_t top = FRowSnap ? b.Row * FRowSize + 2 : std::max(b.Control->Top(), 2);
      if (left != b.Control->Left() || top != b.Control->Top())
        b.Control->SetBounds(left, top, b.Control->Width(), b.Control->Height());
      nextLeft = left + b.Control->Width() + 2 + kGrabber;
      extent = std::max(extent, FRowSnap ? (b.Row + 1) * FRowSize : top + b.Control->Height() + 2);
    }
  }
  (void)AControl;
  (void)Rect;
  if (AutoSize() && extent > 0) SetHeight(extent);
  Invalidate();
}

void TCustomControlBar::Paint() {
  TCanvas* c = Canvas();
  const TRect client = ClientRect();
  TGraphic* g = FPicture->Graphic();
  if (g != nullptr && !g->Empty() && g->Width() > 0 && g->Height() > 0) {
    for (int32_t y = 0; y < client.Bottom; y += g->Height())
      for (int32_t x = 0; x < client.Right; x += g->Width()) c->Draw(x, y, g);
  } else {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->FillRect(client);
  }
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    if (!child->Visible()) continue;
    TRect r = BandRect(child);
    TBandPaintOptions options{TBandPaintOption::bpoGrabber, TBandPaintOption::bpoFrame};
    if (OnBandPaint) OnBandPaint(this, child, c, r, options);
    FPaintOptions = options;
    PaintControlFrame(c, child, r);
  }
}

void TCustomControlBar::PaintControlFrame(TCanvas* Canvas, TControl*, const TRect& ARect) {
  HDC dc = Canvas->Handle();
  if (FPaintOptions.Contains(TBandPaintOption::bpoFrame)) {
    TRect r = ARect;
    DrawEdge(dc, r, BDR_RAISEDINNER, BF_RECT);
  }
  if (FPaintOptions.Contains(TBandPaintOption::bpoGrabber)) {
    // Two raised vertical lines in the grabber strip.
    for (int32_t k = 0; k < 2; ++k) {
      TRect g{ARect.Left + 3 + 3 * k, ARect.Top + 2, ARect.Left + 6 + 3 * k, ARect.Bottom - 2};
      DrawEdge(dc, g, BDR_RAISEDINNER, BF_RECT);
    }
  }
}

void TCustomControlBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == TMouseButton::mbLeft && FAutoDrag)
    if (TControl* c = BandAt(TPoint{X, Y}); c != nullptr && X < c->Left()) {
      FDragControl = c;
      FDragOffset = TPoint{X - c->Left(), Y - c->Top()};
    }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomControlBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (FDragControl != nullptr) {
    TControl* c = FDragControl;
    int32_t left = std::max(kGrabber, X - FDragOffset.X);
    int32_t top = Y - FDragOffset.Y;
    if (FRowSnap) top = std::max(0, top - 2 + FRowSize / 2) / FRowSize * FRowSize + 2;
    TRect r{left - kGrabber, top - 2, left + c->Width() + 2, top + c->Height() + 2};
    if (OnBandMove) OnBandMove(this, c, r);
    if (r != BandRect(c)) {
      // The others in its new row make room to its right.
      c->SetBounds(r.Left + kGrabber, r.Top + 2, r.Width() - kGrabber - 2, r.Height() - 4);
      Realign();
    }
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomControlBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FDragControl = nullptr;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomControlBar::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_CONTROLLISTCHANGE && Message.LParam == 0 &&
      reinterpret_cast<TControl*>(Message.WParam) == FDragControl)
    FDragControl = nullptr;
  TCustomControl::Dispatch(Message);
}
