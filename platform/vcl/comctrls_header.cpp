// The native header class "SysHeader32" and THeaderControl.
#include "platform/vcl/comctrls_header.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/drawframe.h"
#include "platform/vcl/imglist.h"
#include "platform/rtl/scopeguard.h"

namespace {

struct THdItem {
  String Text;
  int32_t Width = 50;
  int32_t Fmt = HDF_LEFT | HDF_STRING;
  LPARAM Param = 0;
  HBITMAP Bitmap = nullptr;
  int32_t Image = -1;
};

struct THdState {
  std::vector<THdItem> Items;
  std::vector<int32_t> Order;  // display position -> item index
  HFONT Font = nullptr;
  HIMAGELIST Images = nullptr;
  bool Redraw = true;
  // Mouse.
  int32_t Pressed = -1;  // a button press on this item
  bool PressedInside = false;
  int32_t Tracking = -1;  // a divider drag of this item
  int32_t TrackStartX = 0;
  int32_t TrackStartWidth = 0;
  int32_t TrackLineX = -1;  // the inverted line without full drag
  int32_t DragItem = -1;    // a section being dragged
  bool DragArmed = false;
  TPoint DragStart;
  int32_t DragX = 0;
};

THdState* State(HWND h) { return reinterpret_cast<THdState*>(GetWindowLong(h, 0)); }
uint32_t Style(HWND h) { return uint32_t(GetWindowLong(h, GWL_STYLE)); }
int32_t Count(THdState* s) { return int32_t(s->Items.size()); }

TRect ItemRect(HWND h, THdState* s, int32_t index) {
  TRect c;
  GetClientRect(h, &c);
  int32_t x = 0;
  for (int32_t pos = 0; pos < Count(s); ++pos) {
    const int32_t i = s->Order[size_t(pos)];
    if (i == index) return TRect{x, 0, x + s->Items[size_t(i)].Width, c.Bottom};
    x += s->Items[size_t(i)].Width;
  }
  return TRect{0, 0, 0, 0};
}

int32_t TextHeight(HWND h, THdState* s) {
  HDC dc = GetDC(h);
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  RestoreDC(dc, saved);
  ReleaseDC(h, dc);
  return tm.tmHeight;
}

void Invalidate(HWND h, THdState* s) {
  if (s->Redraw) InvalidateRect(h, nullptr, true);
}

uint32_t HitTest(HWND h, THdState* s, TPoint p, int32_t& item) {
  TRect c;
  GetClientRect(h, &c);
  item = -1;
  uint32_t flags = 0;
  if (p.Y < 0) flags |= HHT_ABOVE;
  if (p.Y >= c.Bottom) flags |= HHT_BELOW;
  if (p.X < 0) flags |= HHT_TOLEFT;
  if (p.X >= c.Right) flags |= HHT_TORIGHT;
  if (flags != 0) return flags;
  // Dividers first: 4 pixels each side of a section's right edge, the last
  // one of equal edges (a zero-width section) winning so it can be opened.
  int32_t x = 0;
  int32_t divider = -1;
  for (int32_t pos = 0; pos < Count(s); ++pos) {
    const int32_t i = s->Order[size_t(pos)];
    x += s->Items[size_t(i)].Width;
    if (p.X >= x - 4 && p.X < x + 4) divider = i;
  }
  if (divider >= 0) {
    item = divider;
    return s->Items[size_t(divider)].Width == 0 ? HHT_ONDIVOPEN : HHT_ONDIVIDER;
  }
  for (int32_t i = 0; i < Count(s); ++i)
    if (PtInRect(ItemRect(h, s, i), p)) {
      item = i;
      return HHT_ONHEADER;
    }
  return HHT_NOWHERE;
}

// Sends HDM_HITTEST to the header itself, so a subclass sees every answer.
uint32_t SelfHitTest(HWND h, LPARAM lParam, int32_t& item) {
  HDHITTESTINFO info;
  info.pt = LParamToPoint(lParam);
  SendMessage(h, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
  item = info.iItem;
  return info.flags;
}

LRESULT Notify(HWND h, uint32_t code, int32_t item, HDITEM* it = nullptr, int32_t button = 0) {
  NMHEADER nm;
  nm.iItem = item;
  nm.iButton = button;
  nm.pitem = it;
  return ComNotify(h, code, &nm.hdr);
}

void FillItem(THdState* s, int32_t i, HDITEM* it) {
  const THdItem& d = s->Items[size_t(i)];
  if (it->mask & HDI_WIDTH) it->cxy = d.Width;
  if (it->mask & HDI_TEXT) ComCopyText(d.Text, it->pszText, it->cchTextMax);
  if (it->mask & HDI_FORMAT) it->fmt = d.Fmt;
  if (it->mask & HDI_LPARAM) it->lParam = d.Param;
  if (it->mask & HDI_BITMAP) it->hbm = d.Bitmap;
  if (it->mask & HDI_IMAGE) it->iImage = d.Image;
  if (it->mask & HDI_ORDER) it->iOrder = int32_t(std::find(s->Order.begin(), s->Order.end(), i) - s->Order.begin());
}

void MoveOrder(THdState* s, int32_t item, int32_t newPos) {
  auto it = std::find(s->Order.begin(), s->Order.end(), item);
  if (it == s->Order.end()) return;
  s->Order.erase(it);
  newPos = std::clamp<int32_t>(newPos, 0, int32_t(s->Order.size()));
  s->Order.insert(s->Order.begin() + newPos, item);
}

void ApplyItem(THdState* s, int32_t i, const HDITEM* it) {
  THdItem& d = s->Items[size_t(i)];
  if (it->mask & HDI_WIDTH) d.Width = std::max<int32_t>(0, it->cxy);
  if ((it->mask & HDI_TEXT) && it->pszText != nullptr) d.Text = it->pszText;
  if (it->mask & HDI_FORMAT) d.Fmt = it->fmt;
  if (it->mask & HDI_LPARAM) d.Param = it->lParam;
  if (it->mask & HDI_BITMAP) d.Bitmap = it->hbm;
  if (it->mask & HDI_IMAGE) d.Image = it->iImage;
  if (it->mask & HDI_ORDER) MoveOrder(s, i, it->iOrder);
}

// A width change through the ITEMCHANGING/ITEMCHANGED pair; false when refused.
bool ChangeWidth(HWND h, THdState* s, int32_t i, int32_t width) {
  HDITEM it;
  it.mask = HDI_WIDTH;
  it.cxy = std::max<int32_t>(0, width);
  if (Notify(h, HDN_ITEMCHANGING, i, &it) != 0) return false;
  s->Items[size_t(i)].Width = std::max<int32_t>(0, it.cxy);
  Invalidate(h, s);
  it.cxy = s->Items[size_t(i)].Width;
  Notify(h, HDN_ITEMCHANGED, i, &it);
  return true;
}

void InvertTrackLine(HWND h, THdState* s) {
  if (s->TrackLineX < 0) return;
  HDC dc = GetDC(h);
  TRect c;
  GetClientRect(h, &c);
  const TRect line{s->TrackLineX, 0, s->TrackLineX + 1, c.Bottom};
  InvertRect(dc, line);
  ReleaseDC(h, dc);
}

void DrawItem(HWND h, THdState* s, HDC dc, int32_t i, const TRect& r) {
  const THdItem& d = s->Items[size_t(i)];
  const bool pressed = s->Pressed == i && s->PressedInside;
  if (d.Fmt & HDF_OWNERDRAW) {
    DRAWITEMSTRUCT di;
    di.CtlType = ODT_HEADER;
    di.CtlID = uint32_t(GetWindowLong(h, GWL_ID));
    di.itemID = uint32_t(i);
    di.itemAction = ODA_DRAWENTIRE;
    di.itemState = pressed ? ODS_SELECTED : 0;
    di.hwndItem = h;
    di.hDC = dc;
    di.rcItem = r;
    di.itemData = uintptr_t(d.Param);
    const int32_t saved = SaveDC(dc);
    IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
    SendMessage(GetParent(h), WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
    RestoreDC(dc, saved);
    return;
  }
  TRect frame = r;
  if ((Style(h) & HDS_FLAT) != 0)
    DrawEdge(dc, frame, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  else
    DrawEdge(dc, frame, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  const int32_t saved = SaveDC(dc);
  TRect inner{r.Left + 6, r.Top + 2, r.Right - 6, r.Bottom - 2};
  if (pressed) OffsetRect(inner, 1, 1);
  IntersectClipRect(dc, r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
  // The picture: an image of the list or a bitmap, right of the text with
  // HDF_BITMAP_ON_RIGHT, else left of it.
  int32_t picW = 0, picH = 0;
  const bool image = (d.Fmt & HDF_IMAGE) != 0 && s->Images != nullptr && d.Image >= 0;
  const bool bitmap = !image && (d.Fmt & HDF_BITMAP) != 0 && d.Bitmap != nullptr;
  if (image) {
    ImageList_GetIconSize(s->Images, &picW, &picH);
  } else if (bitmap) {
    BITMAP bm;
    if (GetObject(d.Bitmap, sizeof(bm), &bm) != 0) {
      picW = bm.bmWidth;
      picH = std::abs(bm.bmHeight);
    }
  }
  TSize textSize{0, 0};
  if ((d.Fmt & HDF_STRING) != 0 || !d.Text.empty()) {
    GetTextExtentPoint32(dc, d.Text.c_str(), int32_t(d.Text.size()), &textSize);
  }
  const int32_t gap = picW > 0 && textSize.cx > 0 ? 6 : 0;
  const int32_t avail = inner.Width();
  const int32_t textW = std::min<int32_t>(textSize.cx, std::max<int32_t>(0, avail - picW - gap));
  const int32_t total = picW + gap + textW;
  int32_t x = inner.Left;
  switch (d.Fmt & HDF_JUSTIFYMASK) {
    case HDF_RIGHT: x = inner.Right - total; break;
    case HDF_CENTER: x = inner.Left + (avail - total) / 2; break;
    default: break;
  }
  const bool picRight = (d.Fmt & HDF_BITMAP_ON_RIGHT) != 0;
  const int32_t picX = picRight ? x + textW + gap : x;
  const int32_t textX = picRight ? x : x + picW + gap;
  const int32_t picY = r.Top + (r.Height() - picH) / 2 + (pressed ? 1 : 0);
  if (image) {
    ImageList_Draw(s->Images, d.Image, dc, picX, picY, ILD_TRANSPARENT);
  } else if (bitmap) {
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, d.Bitmap);
    BitBlt(dc, picX, picY, picW, picH, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  if (textW > 0) {
    TRect tr{textX, inner.Top, textX + textW, inner.Bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawText(dc, d.Text.c_str(), int32_t(d.Text.size()), &tr,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  RestoreDC(dc, saved);
}

void Paint(HWND h, THdState* s, HDC dc) {
  const int32_t saved = SaveDC(dc);
  if (s->Font != nullptr) SelectObject(dc, s->Font);
  TRect c;
  GetClientRect(h, &c);
  FillRect(dc, c, GetSysColorBrush(COLOR_BTNFACE));
  NMCUSTOMDRAW cd;
  cd.hdc = dc;
  cd.rc = c;
  const uint32_t pre = ComCustomDraw(h, &cd, CDDS_PREPAINT);
  if (State(h) != s) return;
  int32_t x = 0;
  for (int32_t pos = 0; pos < Count(s) && (pre & CDRF_SKIPDEFAULT) == 0; ++pos) {
    const int32_t i = s->Order[size_t(pos)];
    const TRect r{x, 0, x + s->Items[size_t(i)].Width, c.Bottom};
    x = r.Right;
    if (r.Width() <= 0 || r.Left >= c.Right) continue;
    uint32_t answer = CDRF_DODEFAULT;
    if (pre & CDRF_NOTIFYITEMDRAW) {
      cd.rc = r;
      cd.dwItemSpec = uintptr_t(i);
      cd.uItemState = s->Pressed == i && s->PressedInside ? CDIS_SELECTED : 0;
      cd.lItemlParam = s->Items[size_t(i)].Param;
      answer = ComCustomDraw(h, &cd, CDDS_ITEMPREPAINT);
      if (State(h) != s || i >= Count(s)) break;
    }
    if ((answer & CDRF_SKIPDEFAULT) == 0) DrawItem(h, s, dc, i, r);
    if (answer & CDRF_NOTIFYPOSTPAINT) ComCustomDraw(h, &cd, CDDS_ITEMPOSTPAINT);
  }
  // The empty rest looks like one more raised section.
  if (x < c.Right && (pre & CDRF_SKIPDEFAULT) == 0) {
    TRect rest{x, 0, c.Right + 2, c.Bottom};
    DrawEdge(dc, rest, (Style(h) & HDS_FLAT) != 0 ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
  }
  if (pre & CDRF_NOTIFYPOSTPAINT) {
    cd.rc = c;
    ComCustomDraw(h, &cd, CDDS_POSTPAINT);
  }
  RestoreDC(dc, saved);
}

LRESULT HeaderWndProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  THdState* s = State(h);
  if (s == nullptr && msg != WM_NCCREATE) return DefWindowProc(h, msg, wParam, lParam);
  const int32_t index = int32_t(intptr_t(wParam));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLong(h, 0, reinterpret_cast<intptr_t>(new THdState));
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLong(h, 0, 0);
      delete s;
      return DefWindowProc(h, msg, wParam, lParam);
    case WM_SETFONT:
      s->Font = reinterpret_cast<HFONT>(wParam);
      if (lParam != 0) Invalidate(h, s);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->Font);
    case WM_SETREDRAW:
      s->Redraw = wParam != 0;
      if (s->Redraw) InvalidateRect(h, nullptr, true);
      return 0;
    case WM_SIZE:
    case WM_STYLECHANGED: Invalidate(h, s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: return StdPaintMessage(h, wParam, [&](HDC dc) { Paint(h, s, dc); });
    case WM_SETCURSOR: {
      TPoint p;
      GetCursorPos(&p);
      ScreenToClient(h, &p);
      int32_t item = -1;
      const uint32_t flags = HitTest(h, s, p, item);
      if ((flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) != 0 || s->Tracking >= 0) {
        SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
        return 1;
      }
      return DefWindowProc(h, msg, wParam, lParam);
    }
    case WM_LBUTTONDOWN: {
      int32_t item = -1;
      const uint32_t flags = SelfHitTest(h, lParam, item);
      const TPoint p = LParamToPoint(lParam);
      if ((flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) != 0 && item >= 0) {
        HDITEM it;
        it.mask = HDI_WIDTH;
        it.cxy = s->Items[size_t(item)].Width;
        if (Notify(h, HDN_BEGINTRACK, item, &it) != 0) return 0;
        s->Tracking = item;
        s->TrackStartX = p.X;
        s->TrackStartWidth = s->Items[size_t(item)].Width;
        SetCapture(h);
        if ((Style(h) & HDS_FULLDRAG) == 0) {
          s->TrackLineX = ItemRect(h, s, item).Right;
          InvertTrackLine(h, s);
        }
        return 0;
      }
      if ((flags & HHT_ONHEADER) != 0 && item >= 0) {
        if ((Style(h) & HDS_BUTTONS) != 0) {
          s->Pressed = item;
          s->PressedInside = true;
          const TRect r = ItemRect(h, s, item);
          if (s->Redraw) InvalidateRect(h, &r, true);
        }
        if ((Style(h) & HDS_DRAGDROP) != 0) {
          s->DragArmed = true;
          s->DragItem = item;
          s->DragStart = p;
        }
        SetCapture(h);
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      int32_t item = -1;
      SelfHitTest(h, lParam, item);
      const TPoint p = LParamToPoint(lParam);
      if (s->Tracking >= 0) {
        const int32_t i = s->Tracking;
        const int32_t width = std::max<int32_t>(0, s->TrackStartWidth + p.X - s->TrackStartX);
        HDITEM it;
        it.mask = HDI_WIDTH;
        it.cxy = width;
        if (Notify(h, HDN_TRACK, i, &it) != 0) return 0;
        if ((Style(h) & HDS_FULLDRAG) != 0) {
          ChangeWidth(h, s, i, width);
        } else {
          InvertTrackLine(h, s);
          s->TrackLineX = ItemRect(h, s, i).Left + width;
          InvertTrackLine(h, s);
        }
        return 0;
      }
      if (s->DragArmed && s->DragItem >= 0 && GetCapture() == h) {
        const bool started = s->Pressed < 0 && !s->PressedInside && s->DragX != INT32_MIN;
        if (std::abs(p.X - s->DragStart.X) >= GetSystemMetrics(SM_CXDRAG) && s->DragX == 0 && !started) {
          if (Notify(h, HDN_BEGINDRAG, s->DragItem) != 0) {
            s->DragArmed = false;
            s->DragItem = -1;
          } else {
            s->DragX = INT32_MIN;  // dragging
            s->Pressed = -1;
            s->PressedInside = false;
            Invalidate(h, s);
          }
        }
      }
      if (s->Pressed >= 0) {
        const bool inside = PtInRect(ItemRect(h, s, s->Pressed), p);
        if (inside != s->PressedInside) {
          s->PressedInside = inside;
          const TRect r = ItemRect(h, s, s->Pressed);
          if (s->Redraw) InvalidateRect(h, &r, true);
        }
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      int32_t item = -1;
      SelfHitTest(h, lParam, item);
      const TPoint p = LParamToPoint(lParam);
      if (s->Tracking >= 0) {
        const int32_t i = s->Tracking;
        s->Tracking = -1;
        const int32_t width = std::max<int32_t>(0, s->TrackStartWidth + p.X - s->TrackStartX);
        if ((Style(h) & HDS_FULLDRAG) == 0) {
          InvertTrackLine(h, s);
          s->TrackLineX = -1;
          ChangeWidth(h, s, i, width);
        }
        HDITEM it;
        it.mask = HDI_WIDTH;
        it.cxy = s->Items[size_t(i)].Width;
        Notify(h, HDN_ENDTRACK, i, &it);
        if (GetCapture() == h) ReleaseCapture();
        return 0;
      }
      if (s->DragArmed && s->DragX == INT32_MIN) {
        // The slot before the first section whose middle lies past the
        // point (after the last one when none does).
        const int32_t dragged = s->DragItem;
        int32_t newPos = Count(s), x = 0;
        for (int32_t pos = 0; pos < Count(s); ++pos) {
          const int32_t w = s->Items[size_t(s->Order[size_t(pos)])].Width;
          if (p.X < x + w / 2) {
            newPos = pos;
            break;
          }
          x += w;
        }
        const int32_t oldPos = int32_t(std::find(s->Order.begin(), s->Order.end(), dragged) - s->Order.begin());
        if (newPos > oldPos) --newPos;
        newPos = std::clamp<int32_t>(newPos, 0, Count(s) - 1);
        s->DragArmed = false;
        s->DragItem = -1;
        s->DragX = 0;
        if (GetCapture() == h) ReleaseCapture();
        HDITEM it;
        it.mask = HDI_ORDER;
        it.iOrder = newPos;
        if (Notify(h, HDN_ENDDRAG, dragged, &it) == 0) {
          MoveOrder(s, dragged, it.iOrder);
          Invalidate(h, s);
        }
        return 0;
      }
      s->DragArmed = false;
      s->DragItem = -1;
      s->DragX = 0;
      const int32_t pressed = s->Pressed;
      const bool inside = s->PressedInside;
      s->Pressed = -1;
      s->PressedInside = false;
      if (GetCapture() == h) ReleaseCapture();
      if (pressed >= 0) {
        const TRect r = ItemRect(h, s, pressed);
        if (s->Redraw) InvalidateRect(h, &r, true);
        if (inside) Notify(h, HDN_ITEMCLICK, pressed);
      }
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      int32_t item = -1;
      const uint32_t flags = SelfHitTest(h, lParam, item);
      if (item < 0) return 0;
      if ((flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) != 0)
        Notify(h, HDN_DIVIDERDBLCLICK, item);
      else if ((flags & HHT_ONHEADER) != 0)
        Notify(h, HDN_ITEMDBLCLICK, item);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != h) {
        if (s->TrackLineX >= 0) InvertTrackLine(h, s);
        s->TrackLineX = -1;
        s->Tracking = -1;
        s->Pressed = -1;
        s->PressedInside = false;
        s->DragArmed = false;
        s->DragItem = -1;
        s->DragX = 0;
        Invalidate(h, s);
      }
      return 0;
    case HDM_GETITEMCOUNT: return Count(s);
    case HDM_INSERTITEM: {
      auto* it = reinterpret_cast<const HDITEM*>(lParam);
      if (it == nullptr || index < 0) return -1;
      const int32_t i = std::min(index, Count(s));
      s->Items.insert(s->Items.begin() + i, THdItem{});
      for (int32_t& o : s->Order)
        if (o >= i) ++o;
      s->Order.push_back(i);
      // A new item goes to the display position of its index unless HDI_ORDER says otherwise.
      MoveOrder(s, i, (it->mask & HDI_ORDER) != 0 ? it->iOrder : i);
      HDITEM copy = *it;
      copy.mask &= ~HDI_ORDER;
      ApplyItem(s, i, &copy);
      Invalidate(h, s);
      return i;
    }
    case HDM_DELETEITEM: {
      if (index < 0 || index >= Count(s)) return 0;
      s->Items.erase(s->Items.begin() + index);
      s->Order.erase(std::find(s->Order.begin(), s->Order.end(), index));
      for (int32_t& o : s->Order)
        if (o > index) --o;
      s->Pressed = s->Tracking = s->DragItem = -1;
      Invalidate(h, s);
      return 1;
    }
    case HDM_GETITEM: {
      auto* it = reinterpret_cast<HDITEM*>(lParam);
      if (it == nullptr || index < 0 || index >= Count(s)) return 0;
      FillItem(s, index, it);
      return 1;
    }
    case HDM_SETITEM: {
      auto* it = reinterpret_cast<const HDITEM*>(lParam);
      if (it == nullptr || index < 0 || index >= Count(s)) return 0;
      HDITEM copy = *it;
      if (Notify(h, HDN_ITEMCHANGING, index, &copy) != 0) return 0;
      ApplyItem(s, index, it);
      Invalidate(h, s);
      Notify(h, HDN_ITEMCHANGED, index, &copy);
      return 1;
    }
    case HDM_LAYOUT: {
      auto* l = reinterpret_cast<HDLAYOUT*>(lParam);
      if (l == nullptr || l->prc == nullptr || l->pwpos == nullptr) return 0;
      const int32_t height = (Style(h) & HDS_HIDDEN) != 0 ? 0 : TextHeight(h, s) + 6;
      l->pwpos->hwnd = h;
      l->pwpos->hwndInsertAfter = nullptr;
      l->pwpos->x = l->prc->Left;
      l->pwpos->y = l->prc->Top;
      l->pwpos->cx = l->prc->Width();
      l->pwpos->cy = height;
      l->pwpos->flags = SWP_NOZORDER | SWP_NOACTIVATE;
      l->prc->Top += height;
      return 1;
    }
    case HDM_HITTEST: {
      auto* info = reinterpret_cast<HDHITTESTINFO*>(lParam);
      if (info == nullptr) return -1;
      int32_t item = -1;
      info->flags = HitTest(h, s, info->pt, item);
      info->iItem = item;
      return item;
    }
    case HDM_GETITEMRECT: {
      if (index < 0 || index >= Count(s) || lParam == 0) return 0;
      *reinterpret_cast<TRect*>(lParam) = ItemRect(h, s, index);
      return 1;
    }
    case HDM_SETIMAGELIST: {
      HIMAGELIST old = s->Images;
      s->Images = reinterpret_cast<HIMAGELIST>(lParam);
      Invalidate(h, s);
      return reinterpret_cast<LRESULT>(old);
    }
    case HDM_GETIMAGELIST: return reinterpret_cast<LRESULT>(s->Images);
    case HDM_ORDERTOINDEX: return index >= 0 && index < Count(s) ? s->Order[size_t(index)] : index;
    case HDM_GETORDERARRAY: {
      auto* out = reinterpret_cast<int32_t*>(lParam);
      if (out == nullptr || index < Count(s)) return 0;
      std::copy(s->Order.begin(), s->Order.end(), out);
      return 1;
    }
    case HDM_SETORDERARRAY: {
      auto* in = reinterpret_cast<const int32_t*>(lParam);
      if (in == nullptr || index != Count(s)) return 0;
      std::vector<int32_t> order(in, in + index);
      std::vector<int32_t> sorted = order;
      std::sort(sorted.begin(), sorted.end());
      for (int32_t i = 0; i < index; ++i)
        if (sorted[size_t(i)] != i) return 0;
      s->Order = order;
      Invalidate(h, s);
      return 1;
    }
    default: return DefWindowProc(h, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterHeaderClass() { ComRegisterClass("SysHeader32", HeaderWndProc); }

// ================================================================================
// THeaderControl
// ================================================================================

void THeaderSection::SetText(const String& Value) {
  FText = Value;
  FHeader->UpdateSection(NativeIndex());
}

int32_t THeaderSection::Width() const {
  if (FHeader->HandleAllocated()) {
    HDITEM it;
    it.mask = HDI_WIDTH;
    if (SendMessage(FHeader->WindowHandle(), HDM_GETITEM, WPARAM(NativeIndex()), reinterpret_cast<LPARAM>(&it)) != 0)
      return it.cxy;
  }
  return FWidth;
}

void THeaderSection::SetWidth(int32_t Value) {
  FWidth = std::clamp(Value, FMinWidth, std::max(FMinWidth, FMaxWidth));
  FHeader->UpdateSection(NativeIndex(), true);
}

void THeaderSection::SetMinWidth(int32_t Value) {
  FMinWidth = std::max<int32_t>(0, Value);
  if (FWidth < FMinWidth) SetWidth(FMinWidth);
}

void THeaderSection::SetMaxWidth(int32_t Value) {
  FMaxWidth = std::max<int32_t>(FMinWidth, Value);
  if (FWidth > FMaxWidth) SetWidth(FMaxWidth);
}

void THeaderSection::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  FHeader->UpdateSection(NativeIndex());
}

void THeaderSection::SetImageIndex(int32_t Value) {
  FImageIndex = Value;
  FHeader->UpdateSection(NativeIndex());
}

void THeaderSection::SetStyle(THeaderSectionStyle Value) {
  FStyle = Value;
  FHeader->UpdateSection(NativeIndex());
}

int32_t THeaderSection::NativeIndex() const {
  const auto& v = FHeader->FSections->FItems;
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i].get() == this) return int32_t(i);
  return -1;
}

int32_t THeaderSection::Index() const {
  const int32_t i = NativeIndex();
  if (!FHeader->HandleAllocated() || i < 0) return i;
  std::vector<int32_t> order(FHeader->FSections->FItems.size());
  if (SendMessage(FHeader->WindowHandle(), HDM_GETORDERARRAY, WPARAM(order.size()),
                  reinterpret_cast<LPARAM>(order.data())) == 0)
    return i;
  return int32_t(std::find(order.begin(), order.end(), i) - order.begin());
}

int32_t THeaderSection::Left() const {
  if (FHeader->HandleAllocated()) {
    TRect r{0, 0, 0, 0};
    SendMessage(FHeader->WindowHandle(), HDM_GETITEMRECT, WPARAM(NativeIndex()), reinterpret_cast<LPARAM>(&r));
    return r.Left;
  }
  int32_t x = 0;
  for (const auto& s : FHeader->FSections->FItems) {
    if (s.get() == this) break;
    x += s->FWidth;
  }
  return x;
}

THeaderSection* THeaderSections::Add() { return Insert(Count()); }

THeaderSection* THeaderSections::Insert(int32_t Index) {
  Index = std::clamp<int32_t>(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, std::make_unique<THeaderSection>(FHeader));
  FHeader->InsertNative(Index);
  return FItems[size_t(Index)].get();
}

void THeaderSections::Delete(int32_t Index) {
  const int32_t i = Items(Index)->NativeIndex();
  if (FHeader->HandleAllocated()) FHeader->Perform(HDM_DELETEITEM, WPARAM(i), 0);
  FItems.erase(FItems.begin() + i);
}

void THeaderSections::Clear() {
  while (Count() > 0) Delete(Count() - 1);
}

THeaderSection* THeaderSections::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
  if (FHeader->HandleAllocated()) {
    const int32_t i = int32_t(SendMessage(FHeader->WindowHandle(), HDM_ORDERTOINDEX, WPARAM(Index), 0));
    if (i >= 0 && i < Count()) return FItems[size_t(i)].get();
  }
  return FItems[size_t(Index)].get();
}

THeaderControl::THeaderControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{TControlStyleItem::csDoubleClicks, TControlStyleItem::csOpaque});
  SetBounds(0, 0, 250, 17);
  SetAlign(TAlign::alTop);
  FSections = std::make_unique<THeaderSections>(this);
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
  FImageLink = std::make_unique<TChangeLink>();
  FImageLink->OnChange = [this](TObject*) {
    if (HandleAllocated())
      Perform(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
  };
}

THeaderControl::~THeaderControl() {
  if (FImages != nullptr) FImages->UnRegisterChanges(FImageLink.get());
  FCanvas->FreeHandle();
}

void THeaderControl::CreateParams(TCreateParams& Params) {
  RegisterHeaderClass();
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "SysHeader32");
  Params.Style |= HDS_FULLDRAG * (FFullDrag ? 1 : 0);
  if (FStyle == THeaderStyle::hsButtons) Params.Style |= HDS_BUTTONS;
  if (FStyle == THeaderStyle::hsFlat) Params.Style |= HDS_FLAT;
  if (FDragReorder) Params.Style |= HDS_DRAGDROP;
}

void THeaderControl::CreateWnd() {
  TWinControl::CreateWnd();
  if (FImages != nullptr) Perform(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages->Handle()));
  for (int32_t i = 0; i < FSections->Count(); ++i) InsertNative(i);
}

void THeaderControl::DestroyWnd() {
  // The widths and the order live in the window; keep them for the next one.
  for (auto& s : FSections->FItems) s->FWidth = s->Width();
  std::vector<std::unique_ptr<THeaderSection>> ordered;
  std::vector<int32_t> order(FSections->FItems.size());
  if (!order.empty() && Perform(HDM_GETORDERARRAY, WPARAM(order.size()), reinterpret_cast<LPARAM>(order.data())) != 0) {
    for (int32_t i : order) ordered.push_back(std::move(FSections->FItems[size_t(i)]));
    FSections->FItems = std::move(ordered);
  }
  FCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

void THeaderControl::PaintWindow(HDC DC) { TWinControl::PaintWindow(DC); }

void THeaderControl::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImages) SetImages(nullptr);
}

namespace {

HDITEM SectionItem(THeaderSection* s, bool owner, bool haveImages) {
  HDITEM it;
  it.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
  it.pszText = const_cast<char*>(s->Text().c_str());
  int32_t fmt = HDF_STRING;
  if (s->Alignment() == TAlignment::taRightJustify) fmt |= HDF_RIGHT;
  if (s->Alignment() == TAlignment::taCenter) fmt |= HDF_CENTER;
  if (owner) fmt |= HDF_OWNERDRAW;
  if (haveImages && s->ImageIndex() >= 0) fmt |= HDF_IMAGE;
  it.fmt = fmt;
  it.iImage = s->ImageIndex();
  return it;
}

}  // namespace

void THeaderControl::InsertNative(int32_t Index) {
  if (!HandleAllocated()) return;
  THeaderSection* s = FSections->FItems[size_t(Index)].get();
  HDITEM it = SectionItem(s, s->Style() == THeaderSectionStyle::hsOwnerDraw, FImages != nullptr);
  it.cxy = s->FWidth;
  Perform(HDM_INSERTITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&it));
}

void THeaderControl::UpdateSection(int32_t Index, bool Width) {
  if (!HandleAllocated() || Index < 0) return;
  THeaderSection* s = FSections->FItems[size_t(Index)].get();
  HDITEM it = SectionItem(s, s->Style() == THeaderSectionStyle::hsOwnerDraw, FImages != nullptr);
  it.cxy = s->FWidth;
  if (!Width) it.mask &= ~HDI_WIDTH;
  Perform(HDM_SETITEM, WPARAM(Index), reinterpret_cast<LPARAM>(&it));
}

void THeaderControl::SetStyle(THeaderStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  RecreateWnd();
}

void THeaderControl::SetDragReorder(bool Value) {
  if (FDragReorder == Value) return;
  FDragReorder = Value;
  RecreateWnd();
}

void THeaderControl::SetFullDrag(bool Value) {
  if (FFullDrag == Value) return;
  FFullDrag = Value;
  RecreateWnd();
}

void THeaderControl::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(this, FImages, Value, FImageLink.get())) return;
  if (HandleAllocated()) {
    Perform(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages ? FImages->Handle() : nullptr));
    for (int32_t i = 0; i < FSections->Count(); ++i) UpdateSection(i);
  }
}

void THeaderControl::DrawSection(THeaderSection* Section, const TRect& Rect, bool Pressed) {
  if (OnDrawSection) {
    OnDrawSection(this, Section, Rect, Pressed);
    return;
  }
  FCanvas->FillRect(Rect);
}

void THeaderControl::SectionClick(THeaderSection* Section) {
  if (OnSectionClick) OnSectionClick(this, Section);
}

void THeaderControl::SectionResize(THeaderSection* Section) {
  if (OnSectionResize) OnSectionResize(this, Section);
}

void THeaderControl::SectionTrack(THeaderSection* Section, int32_t Width, TSectionTrackState State) {
  if (OnSectionTrack) OnSectionTrack(this, Section, Width, State);
}

bool THeaderControl::SectionDrag(THeaderSection* FromSection, THeaderSection* ToSection) {
  bool allow = true;
  if (OnSectionDrag) OnSectionDrag(this, FromSection, ToSection, allow);
  return allow;
}

void THeaderControl::SectionEndDrag() {
  if (OnSectionEndDrag) OnSectionEndDrag(this);
}

void THeaderControl::CNNotify(TMessage& Message) {
  auto* nm = reinterpret_cast<NMHEADER*>(Message.LParam);
  const int32_t i = nm->iItem;
  THeaderSection* section = i >= 0 && i < FSections->Count() ? FSections->FItems[size_t(i)].get() : nullptr;
  switch (nm->hdr.code) {
    case HDN_ITEMCLICK:
      if (section != nullptr) SectionClick(section);
      break;
    case HDN_BEGINTRACK:
      if (section != nullptr) SectionTrack(section, section->Width(), TSectionTrackState::tsTrackBegin);
      break;
    case HDN_TRACK:
    case HDN_ITEMCHANGING:
      if (section != nullptr && nm->pitem != nullptr && (nm->pitem->mask & HDI_WIDTH) != 0) {
        int32_t w = std::clamp(nm->pitem->cxy, section->FMinWidth, std::max(section->FMinWidth, section->FMaxWidth));
        if (nm->hdr.code == HDN_TRACK) SectionTrack(section, w, TSectionTrackState::tsTrackMove);
        nm->pitem->cxy = w;
      }
      break;
    case HDN_ITEMCHANGED:
      if (section != nullptr && nm->pitem != nullptr && (nm->pitem->mask & HDI_WIDTH) != 0) {
        section->FWidth = nm->pitem->cxy;
        SectionResize(section);
      }
      break;
    case HDN_ENDTRACK:
      if (section != nullptr) SectionTrack(section, section->Width(), TSectionTrackState::tsTrackEnd);
      break;
    case HDN_BEGINDRAG: Message.Result = 0; return;
    case HDN_ENDDRAG: {
      // The window moves the section in its order when the answer is 0.
      if (section == nullptr || nm->pitem == nullptr) break;
      const int32_t to = nm->pitem->iOrder;
      THeaderSection* target = to >= 0 && to < FSections->Count() ? FSections->Items(to) : nullptr;
      if (!SectionDrag(section, target)) {
        Message.Result = 1;
        return;
      }
      SectionEndDrag();
      break;
    }
    default: break;
  }
  Message.Result = 0;
}

void THeaderControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: CNNotify(Message); return;
    case WM_PAINT: PaintHandler(Message); return;
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      const int32_t i = int32_t(d->itemID);
      if (i < 0 || i >= FSections->Count()) return;
      FCanvas->Lock();
      const int32_t saved = SaveDC(d->hDC);
      FCanvas->SetHandle(d->hDC);
      FCanvas->SetFont(Font());
      FCanvas->Brush()->SetColor(clBtnFace);
      {
        auto cleanup = ScopeExit([&] {
          FCanvas->SetHandle(nullptr);
          RestoreDC(d->hDC, saved);
          FCanvas->Unlock();
        });
        DrawSection(FSections->FItems[size_t(i)].get(), d->rcItem, (d->itemState & ODS_SELECTED) != 0);
      }
      Message.Result = 1;
      return;
    }
    default: TWinControl::Dispatch(Message); return;
  }
}
