// Painting: WM_PAINT and WM_ERASEBKGND of windowed controls, the graphic
// children painted by their parent, control canvases, the two painting
// bases; and the scrolling container.
#include <algorithm>
#include <vector>

#include "platform/gui/region.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/controls_internal.h"
#include "platform/rtl/scopeguard.h"

namespace {

std::vector<TControlCanvas*>& CanvasList() {
  static std::vector<TControlCanvas*> list;
  return list;
}

// Moves the logical origin so that (DX, DY) becomes (0, 0).
void MoveWindowOrg(HDC DC, int32_t DX, int32_t DY) {
  TPoint org;
  GetWindowOrgEx(DC, &org);
  SetWindowOrgEx(DC, org.X - DX, org.Y - DY, nullptr);
}

}  // namespace

// ================================================================================
// Control canvases
// ================================================================================

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* AControl) {
  if (FControl == AControl) return;
  FreeHandle();
  FControl = AControl;
}

void TControlCanvas::FreeHandle() {
  if (FDeviceContext == nullptr) return;
  SetHandle(nullptr);
  ReleaseDC(FWindowHandle, FDeviceContext);
  FDeviceContext = nullptr;
  FWindowHandle = nullptr;
  auto& list = CanvasList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControlCanvas::CreateHandle() {
  if (FControl == nullptr) return;
  if (FDeviceContext == nullptr) {
    if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
      FWindowHandle = w->Handle();
      FDeviceContext = GetDC(FWindowHandle);
    } else {
      TWinControl* parent = FControl->Parent();
      if (parent == nullptr) throw EInvalidOperation("Control '%s' has no parent window", {FControl->Name()});
      FWindowHandle = parent->Handle();
      FDeviceContext = GetDCEx(FWindowHandle, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
      if (FDeviceContext != nullptr) {
        MoveWindowOrg(FDeviceContext, FControl->Left(), FControl->Top());
        IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
      }
    }
    if (FDeviceContext == nullptr) return;
    CanvasList().push_back(this);
  }
  SetHandle(FDeviceContext);
}

void FreeDeviceContexts() {
  std::vector<TControlCanvas*> list = CanvasList();
  for (TControlCanvas* c : list)
    if (c->LockCount() == 0) c->FreeHandle();
}

void FreeDeviceContextsOf(HWND hwnd) {
  if (hwnd == nullptr) return;
  std::vector<TControlCanvas*> list = CanvasList();
  for (TControlCanvas* c : list)
    if (c->FWindowHandle == hwnd) c->FreeHandle();
}

// ================================================================================
// TWinControl painting
// ================================================================================

void TWinControl::WMPaint(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  if (!FDoubleBuffered || dc != nullptr) {
    if (!FControlState.Contains(TControlStateItem::csCustomPaint) && ControlCount() == 0)
      DefaultHandler(Message);
    else
      PaintHandler(Message);
    return;
  }
  // Double buffered: erase and paint into memory, then copy it out.
  PAINTSTRUCT ps;
  HDC paintDC = BeginPaint(FHandle, &ps);
  TRect cr = ClientRect();
  HBITMAP bitmap = CreateCompatibleBitmap(paintDC, std::max(cr.Right, 1), std::max(cr.Bottom, 1));
  HDC memDC = CreateCompatibleDC(paintDC);
  HGDIOBJ old = SelectObject(memDC, bitmap);
  auto cleanup = ScopeExit([&] {
    SelectObject(memDC, old);
    DeleteDC(memDC);
    DeleteObject(bitmap);
    EndPaint(FHandle, &ps);
  });
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memDC), reinterpret_cast<LPARAM>(memDC));
  Message.WParam = reinterpret_cast<WPARAM>(memDC);
  WMPaint(Message);
  Message.WParam = 0;
  BitBlt(paintDC, 0, 0, cr.Right, cr.Bottom, memDC, 0, 0, SRCCOPY);
}

void TWinControl::PaintHandler(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  PAINTSTRUCT ps;
  const bool own = dc == nullptr;
  if (own) dc = BeginPaint(FHandle, &ps);
  auto cleanup = ScopeExit([&] {
    if (own) EndPaint(FHandle, &ps);
  });
  if (FControls.empty()) {
    PaintWindow(dc);
  } else {
    // Opaque graphic children cover their part: the window does not paint it.
    const int32_t saved = SaveDC(dc);
    int32_t clip = SIMPLEREGION;
    for (TControl* c : FControls) {
      if (c->FVisible && c->FControlStyle.Contains(TControlStyleItem::csOpaque)) {
        clip = ExcludeClipRect(dc, c->FLeft, c->FTop, c->FLeft + c->FWidth, c->FTop + c->FHeight);
        if (clip == NULLREGION) break;
      }
    }
    if (clip != NULLREGION) PaintWindow(dc);
    RestoreDC(dc, saved);
  }
  PaintControls(dc, nullptr);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage m = MakeMessage(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  std::vector<TControl*> list = FControls;
  size_t start = 0;
  if (First != nullptr) {
    auto it = std::find(list.begin(), list.end(), First);
    if (it != list.end()) start = size_t(it - list.begin());
  }
  TComponentRef<TWinControl> self(this);
  for (size_t i = start; i < list.size(); ++i) {
    TControl* c = list[i];
    if (!self) return;
    if (std::find(FControls.begin(), FControls.end(), c) == FControls.end() || !c->FVisible) continue;
    TRect clip, inter;
    GetClipBox(DC, &clip);
    if (!IntersectRect(inter, c->BoundsRect(), clip)) continue;
    if (FControlState.Contains(TControlStateItem::csPaintCopy))
      c->FControlState.Include(TControlStateItem::csPaintCopy);
    const int32_t saved = SaveDC(DC);
    MoveWindowOrg(DC, c->FLeft, c->FTop);
    IntersectClipRect(DC, 0, 0, c->FWidth, c->FHeight);
    auto cleanup = ScopeExit([&] {
      RestoreDC(DC, saved);
      c->FControlState.Exclude(TControlStateItem::csPaintCopy);
    });
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  }
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  // Double-buffered controls erase in memory (wParam == lParam) only.
  if (!FDoubleBuffered || Message.WParam == WPARAM(Message.LParam)) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    TRect r = ClientRect();
    FillRect(dc, r, FBrush->Handle());
  }
  Message.Result = 1;
}

void TWinControl::PaintTo(HDC DC, int32_t X, int32_t Y) {
  FControlState.Include(TControlStateItem::csPaintCopy);
  const int32_t saved = SaveDC(DC);
  auto cleanup = ScopeExit([&] {
    RestoreDC(DC, saved);
    FControlState.Exclude(TControlStateItem::csPaintCopy);
  });
  MoveWindowOrg(DC, X, Y);
  IntersectClipRect(DC, 0, 0, FWidth, FHeight);
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
  Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  std::vector<TWinControl*> children = FWinControls;
  for (TWinControl* c : children)
    if (c->FVisible) c->PaintTo(DC, c->FLeft, c->FTop);
}

void TWinControl::Invalidate() { Perform(CM_INVALIDATE, 0, 0); }

void TWinControl::Update() {
  if (FHandle != nullptr) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

// ================================================================================
// TGraphicControl and TCustomControl
// ================================================================================

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas.reset(); }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT) {
    if (Message.WParam == 0) return;
    FCanvas->Lock();
    FCanvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
    {
      auto cleanup = ScopeExit([&] {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
      });
      Paint();
    }
    return;
  }
  TControl::Dispatch(Message);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() { FCanvas->FreeHandle(); }

void TCustomControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT) {
    const bool had = FControlState.Contains(TControlStateItem::csCustomPaint);
    FControlState.Include(TControlStateItem::csCustomPaint);
    {
      auto cleanup = ScopeExit([&] {
        if (!had) FControlState.Exclude(TControlStateItem::csCustomPaint);
      });
      TWinControl::Dispatch(Message);
    }
    return;
  }
  TWinControl::Dispatch(Message);
}

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas->Lock();
  FCanvas->SetHandle(DC);
  auto cleanup = ScopeExit([&] {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
  });
  Paint();
}

void TCustomControl::DestroyWnd() {
  FCanvas->FreeHandle();
  TWinControl::DestroyWnd();
}

// ================================================================================
// Scrolling
// ================================================================================

TControlScrollBar::TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind)
    : FControl(Control), FKind(Kind) {}

void TControlScrollBar::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TControlScrollBar*>(Source)) {
    FVisible = s->FVisible;
    FRange = s->FRange;
    FIncrement = s->FIncrement;
    SetPosition(s->FPosition);
    Update();
    return;
  }
  TPersistent::Assign(Source);
}

int32_t TControlScrollBar::ControlSize() {
  TRect r = FControl->ClientRect();
  return FKind == TScrollBarKind::sbHorizontal ? r.Right : r.Bottom;
}

bool TControlScrollBar::IsScrollBarVisible() { return FVisible && FRange > ControlSize(); }

void TControlScrollBar::SetRange(int32_t Value) {
  Value = std::max(Value, 0);
  if (FRange == Value) return;
  FRange = Value;
  Update();
}

void TControlScrollBar::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Update();
}

void TControlScrollBar::SetPosition(int32_t Value) {
  const int32_t maxPos = std::max(FRange - ControlSize(), 0);
  Value = std::clamp(Value, 0, maxPos);
  if (Value == FPosition) return;
  const int32_t delta = FPosition - Value;
  FPosition = Value;
  if (FKind == TScrollBarKind::sbHorizontal)
    FControl->ScrollContent(delta, 0);
  else
    FControl->ScrollContent(0, delta);
  if (FControl->HandleAllocated())
    SetScrollPos(FControl->Handle(), FKind == TScrollBarKind::sbHorizontal ? SB_HORZ : SB_VERT, FPosition, true);
}

void TControlScrollBar::Update() {
  if (!FControl->HandleAllocated()) return;
  const int32_t bar = FKind == TScrollBarKind::sbHorizontal ? SB_HORZ : SB_VERT;
  HWND h = FControl->Handle();
  if (IsScrollBarVisible()) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = FRange - 1;
    si.nPage = uint32_t(ControlSize());
    si.nPos = FPosition;
    SetScrollInfo(h, bar, &si, true);
  } else {
    ShowScrollBar(h, bar, false);
    if (FPosition != 0) SetPosition(0);
  }
}

void TControlScrollBar::ScrollMessage(TMessage& Message) {
  const uint32_t code = LOWORD(Message.WParam);
  const int32_t page = std::max(ControlSize() * 9 / 10, 1);
  int32_t pos = FPosition;
  switch (code) {
    case SB_LINEUP: pos -= FIncrement; break;
    case SB_LINEDOWN: pos += FIncrement; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      SCROLLINFO si;
      si.fMask = SIF_TRACKPOS;
      if (FControl->HandleAllocated() &&
          GetScrollInfo(FControl->Handle(), FKind == TScrollBarKind::sbHorizontal ? SB_HORZ : SB_VERT, &si))
        pos = si.nTrackPos;
      else
        pos = int16_t(HIWORD(Message.WParam));
      break;
    }
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = FRange; break;
    default: return;
  }
  SetPosition(pos);
  Message.Result = 0;
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) {
  FHorzScrollBar = std::make_unique<TControlScrollBar>(this, TScrollBarKind::sbHorizontal);
  FVertScrollBar = std::make_unique<TControlScrollBar>(this, TScrollBarKind::sbVertical);
  FControlStyle.Include(TControlStyleItem::csAcceptsControls);
}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool Value) {
  if (FAutoScroll == Value) return;
  FAutoScroll = Value;
  if (!Value) {
    FHorzScrollBar->SetRange(0);
    FVertScrollBar->SetRange(0);
  }
  Realign();
}

void TScrollingWinControl::CreateWnd() { TWinControl::CreateWnd(); }

void TScrollingWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
  // While the window is being made its client area is not final yet; the
  // alignment that follows the creation comes back here.
  if (FUpdatingScrollBars != 0 || FControlState.Contains(TControlStateItem::csCreating)) return;
  ++FUpdatingScrollBars;
  auto cleanup = ScopeExit([&] { --FUpdatingScrollBars; });
  if (FAutoScroll) {
    int32_t right = 0, bottom = 0;
    for (int32_t i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      if (!c->Visible()) continue;
      if (c->Align() != TAlign::alNone && c->Align() != TAlign::alCustom) continue;
      right = std::max(right, c->Left() + c->Width() + FHorzScrollBar->FPosition);
      bottom = std::max(bottom, c->Top() + c->Height() + FVertScrollBar->FPosition);
    }
    FHorzScrollBar->FRange = right;
    FVertScrollBar->FRange = bottom;
  }
  FHorzScrollBar->Update();
  FVertScrollBar->Update();
}

void TScrollingWinControl::ScrollContent(int32_t DeltaX, int32_t DeltaY) { ScrollBy(DeltaX, DeltaY); }

void TScrollingWinControl::ScrollInView(TControl* AControl) {
  if (AControl == nullptr || !ContainsControl(AControl)) return;
  TRect r = AControl->BoundsRect();
  if (AControl->Parent() != this) {
    TPoint p = AControl->ClientToParent(TPoint{0, 0}, this);
    r = Bounds(p.X, p.Y, AControl->Width(), AControl->Height());
  }
  TRect cr = ClientRect();
  if (r.Left < 0)
    FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + r.Left);
  else if (r.Right > cr.Right)
    FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + std::min(r.Right - cr.Right, r.Left));
  if (r.Top < 0)
    FVertScrollBar->SetPosition(FVertScrollBar->Position() + r.Top);
  else if (r.Bottom > cr.Bottom)
    FVertScrollBar->SetPosition(FVertScrollBar->Position() + std::min(r.Bottom - cr.Bottom, r.Top));
}

void TScrollingWinControl::Dispatch(TMessage& Message) {
  if ((Message.Msg == WM_HSCROLL || Message.Msg == WM_VSCROLL) && Message.LParam == 0) {
    (Message.Msg == WM_HSCROLL ? FHorzScrollBar : FVertScrollBar)->ScrollMessage(Message);
    return;
  }
  TWinControl::Dispatch(Message);
}

TFrame::TFrame(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  FControlStyle.Include(TControlStyleItem::csSetCaption);
  SetBounds(0, 0, 320, 240);
}
