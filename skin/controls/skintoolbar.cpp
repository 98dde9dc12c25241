#include "skin/controls/skintoolbar.h"

#include <algorithm>

#include "platform/rtl/arith.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/messages.h"
#include "skin/controls/skinspeedbutton.h"
#include "skin/controls/skinsplitter.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

namespace {

constexpr uintptr_t kScrollTimer = 1;

// A side of a rect: X measured from the skin rect's right edge kept there.
TPoint Grown(const TPoint& P, const TRect& SkinRect, int32_t W, int32_t H, bool GrowX, bool GrowY) {
  return TPoint{GrowX ? W - (RectWidth(SkinRect) - P.X) : P.X, GrowY ? H - (RectHeight(SkinRect) - P.Y) : P.Y};
}

}  // namespace

void BuildButtonStateImage(TBitmap* B, TBitmap* Picture, const TbsDataSkinCustomControl& D, const TRect& R, int32_t W,
                           int32_t H) {
  const TRect& S = D.SkinRect;
  const TRect& CR = D.ClientRect;
  const TRect NCR{CR.Left, CR.Top, W - (RectWidth(S) - CR.Right), H - (RectHeight(S) - CR.Bottom)};
  B->SetSize(W, H);
  BuildSkinImage(D.LeftTopPoint, D.RightTopPoint, D.LeftBottomPoint, D.RightBottomPoint, CR, D.LeftTopPoint,
                 Grown(D.RightTopPoint, S, W, H, true, false), Grown(D.LeftBottomPoint, S, W, H, false, true),
                 Grown(D.RightBottomPoint, S, W, H, true, true), NCR, B, Picture, R, W, H, true, D.LeftStretch,
                 D.TopStretch, D.RightStretch, D.BottomStretch, D.StretchEffect, D.StretchType);
}

TbsSkinToolBar::TbsSkinToolBar(TComponent* AOwner) : TbsSkinPanel(AOwner) {
  FPaintInStrips = false;
  FSkinDataName = "toolpanel";
  SetDefaultHeight(0);
  SetHeight(25);
  SetBorderStyle(TbsSkinBorderStyle::bvNone);
}

TbsSkinToolBar::~TbsSkinToolBar() = default;

void TbsSkinToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinPanel::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FHotImages) FHotImages = nullptr;
  if (AComponent == FDisabledImages) FDisabledImages = nullptr;
}

// ---- Properties ------------------------------------------------------------------------

void TbsSkinToolBar::SetImages(TCustomImageList* Value) {
  FImages = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TbsSkinSpeedButton*>(Controls(i))) b->Invalidate();
}

void TbsSkinToolBar::SetHotImages(TCustomImageList* Value) {
  FHotImages = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinToolBar::SetDisabledImages(TCustomImageList* Value) {
  FDisabledImages = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinToolBar::SetScrollOffset(int32_t Value) {
  if (Value >= 0) FScrollOffset = Value;
}

void TbsSkinToolBar::SetScrollTimerInterval(int32_t Value) {
  if (Value > 0) FScrollTimerInterval = Value;
}

void TbsSkinToolBar::SetFlat(bool Value) {
  FFlat = Value;
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TbsSkinSpeedButton*>(Controls(i))) b->SetFlat(Value);
}

void TbsSkinToolBar::SetShowCaptions(bool Value) {
  if (Value == FShowCaptions) return;
  FShowCaptions = Value;
  if (FAutoShowHideCaptions)
    for (int32_t i = 0; i < ControlCount(); ++i)
      if (auto* b = dynamic_cast<TbsSkinSpeedButton*>(Controls(i))) b->SetShowCaption(Value);
  if (FWidthWithCaptions != 0 && FWidthWithoutCaptions != 0)
    SetWidth(Value ? FWidthWithCaptions : FWidthWithoutCaptions);
}

// ---- Skin ------------------------------------------------------------------------------

void TbsSkinToolBar::GetSkinData() {
  TbsSkinPanel::GetSkinData();
  FButtonDescription = nullptr;
  if (FSkinIndex == -1) return;
  const int32_t i = SkinDescriptionIndex(FSkinData, "resizebutton");
  if (i != -1)
    FButtonDescription = dynamic_cast<TbsDataSkinButtonControl*>(FSkinData->ControlDescriptions[size_t(i)].get());
}

void TbsSkinToolBar::SetSkinData(TbsSkinData* Value) {
  TbsSkinPanel::SetSkinData(Value);
  for (int32_t i = 0; i < ControlCount(); ++i) {
    if (auto* b = dynamic_cast<TbsSkinSpeedButton*>(Controls(i))) b->SetSkinData(Value);
    if (auto* v = dynamic_cast<TbsSkinBevel*>(Controls(i))) v->SetSkinData(Value);
  }
}

// With the scroll buttons showing, a three-part bar is filled with its
// middle only: the caps would sit under the buttons.
void TbsSkinToolBar::CreateControlSkinImage(TBitmap* B) {
  if (!ScrollButtonsShown() || FResizeMode != 2) {
    TbsSkinPanel::CreateControlSkinImage(B);
    return;
  }
  BuildHSkinImageMiddle(FLeftTop.X, RectWidth(FSkinRect) - FRightTop.X, B, FPicture, FSkinRect, B->Width(), B->Height(),
                        FStretchEffect);
}

// ---- Layout ----------------------------------------------------------------------------

void TbsSkinToolBar::AdjustClientRect(TRect& Rect) {
  TbsSkinPanel::AdjustClientRect(Rect);
  if (!((FCanScroll && FScrollButtons[0].Visible) || FScrollButtons[1].Visible)) return;
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  int32_t top = Rect.Top, bottom = Rect.Bottom;
  if (FSkinIndex == -1 || Designing()) {
    top = 1;
    bottom = ch - 1;
  } else if (!(BorderStyle() == TbsSkinBorderStyle::bvNone && FResizeMode == 1)) {
    top = FSizedClientRect.Top;
    bottom = FSizedClientRect.Bottom;
  }
  Rect = TRect{-FScrollPos, top, -FScrollPos + std::max(FContentWidth, cw), bottom};
}

// Skinned children centre themselves in their own SetBounds.
void TbsSkinToolBar::CentreChildren() {
  if (!HandleAllocated() || !FAdjustControls) return;
  const TRect R = GetAdjustedClientRect(this);
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (dynamic_cast<TbsSkinControl*>(c) != nullptr || dynamic_cast<TbsGraphicSkinControl*>(c) != nullptr) continue;
    if (c->Align() != TAlign::alNone) continue;
    c->SetTop(R.Top + Div(RectHeight(R), 2) - Div(c->Height(), 2));
  }
}

void TbsSkinToolBar::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  // The growth is known before the move so that the measuring on the window
  // change already pulls scrolled content back.
  const int32_t oldWidth = Width();
  if (FCanScroll) FGrowth = oldWidth != 0 && AWidth > oldWidth ? AWidth - oldWidth : 0;
  TbsSkinPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FAdjustControls)
    for (int32_t i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      c->SetBounds(c->Left(), c->Top(), c->Width(), c->Height());
    }
  if (!FCanScroll) return;
  if (Align() != TAlign::alNone) Measure();
  CentreChildren();
}

// ---- Scrolling -------------------------------------------------------------------------

void TbsSkinToolBar::MoveChildren(int32_t DX) {
  if (DX == 0) return;
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Align() == TAlign::alNone) c->SetLeft(c->Left() + DX);
  }
}

void TbsSkinToolBar::Measure() {
  if (!FCanScroll || Width() == 0 || FMeasuring) return;
  FMeasuring = true;
  int32_t A = 0;
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (Controls(i)->Visible()) A = std::max(A, Controls(i)->Left() + Controls(i)->Width());
  if (A + FScrollPos > ClientWidth()) {
    ShowScrollButtons(true);
    const int32_t cw = ClientWidth();
    const int32_t E = A + FScrollPos - 1;
    if (FScrollPos > 0 && A < cw && FGrowth > 0) {
      FGrowth = std::min(FGrowth, FScrollPos);
      MoveChildren(FGrowth);
      FScrollPos -= FGrowth;
    } else if (FGrowth == 0 && E < FContentWidth && FScrollPos > 0 && A < cw) {
      FScrollPos += A - cw;
      MoveChildren(cw - A);
    }
    FContentWidth = E;
    FViewWidth = cw;
    FGrowth = 0;
    FLastScrollPos = FScrollPos;
  } else {
    if (FScrollPos > 0) MoveChildren(FScrollPos);
    FGrowth = FContentWidth = FScrollPos = FViewWidth = FLastScrollPos = 0;
    ShowScrollButtons(false);
  }
  FMeasuring = false;
}

// The frame change makes the window compute its non-client area again,
// without re-creating the children's windows.
void TbsSkinToolBar::ShowScrollButtons(bool Value) {
  if (FScrollButtons[0].Visible == Value && FScrollButtons[1].Visible == Value) return;
  for (TScrollButton& b : FScrollButtons) b = TScrollButton{TRect{}, false, false, Value};
  FScrollButtons[0].R = TRect{0, 0, ScrollButtonWidth, Height()};
  FScrollButtons[1].R = TRect{Width() - ScrollButtonWidth, 0, Width(), Height()};
  if (!Value) StopScrollTimer();
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  Realign();
  Invalidate();
}

void TbsSkinToolBar::ScrollStep(int32_t Mode) {
  const int32_t S = FScrollOffset != 0 ? FScrollOffset : ClientWidth();
  if (Mode == 2)
    FScrollPos = std::min(FScrollPos + S, FContentWidth - FViewWidth + 1);
  else if (Mode == 1)
    FScrollPos = std::max(FScrollPos - S, 0);
  if (FScrollPos == FLastScrollPos) {
    StopScrollTimer();
    return;
  }
  MoveChildren(FLastScrollPos - FScrollPos);
  FLastScrollPos = FScrollPos;
  Realign();
  Repaint();
}

void TbsSkinToolBar::StartScrollTimer(int32_t Mode) {
  FScrollMode = Mode;
  KillTimer(Handle(), kScrollTimer);
  SetTimer(Handle(), kScrollTimer, uint32_t(FScrollTimerInterval), nullptr);
}

void TbsSkinToolBar::StopScrollTimer() {
  if (HandleAllocated()) KillTimer(Handle(), kScrollTimer);
}

void TbsSkinToolBar::ClearHotButtons() {
  if (!FScrollButtons[0].MouseIn && !FScrollButtons[1].MouseIn) return;
  for (TScrollButton& b : FScrollButtons) b.MouseIn = false;
  if (FScrollMode != 0) {
    StopScrollTimer();
    FScrollMode = 0;
  }
  PaintScrollButtons();
}

// ---- Non-client scroll buttons ------------------------------------------------------------

int32_t TbsSkinToolBar::ButtonOfHit(WPARAM Hit) {
  if (Hit == WPARAM(HTSCROLLLEFT)) return 0;
  if (Hit == WPARAM(HTSCROLLRIGHT)) return 1;
  return -1;
}

void TbsSkinToolBar::DrawScrollButton(TCanvas* C, int32_t Index) {
  const TScrollButton& sb = FScrollButtons[Index];
  const int32_t w = RectWidth(sb.R), h = RectHeight(sb.R);
  if (w <= 0 || h <= 0) return;
  const bool pressed = (sb.Down && sb.MouseIn) || (sb.MouseIn && FHotScroll);
  TBitmap B;
  B.SetSize(w, h);
  TColor arrow = clBtnText;
  TBitmap* picture = FButtonDescription ? SkinActivePicture(FSkinData, FButtonDescription->PictureIndex) : nullptr;
  if (picture != nullptr) {
    const TbsDataSkinButtonControl& D = *FButtonDescription;
    TRect R = D.SkinRect;
    arrow = D.FontColor;
    if (pressed && !IsNullRect(D.DownSkinRect)) {
      R = D.DownSkinRect;
      arrow = D.DownFontColor;
    } else if (sb.MouseIn && !IsNullRect(D.ActiveSkinRect)) {
      R = D.ActiveSkinRect;
      arrow = D.ActiveFontColor;
    }
    BuildButtonStateImage(&B, picture, D, R, w, h);
  } else {
    const TColor frame = sb.MouseIn || pressed ? TColor(0x800000) : clBtnShadow;
    const TColor fill = pressed ? TColor(0xB59385) : sb.MouseIn ? TColor(0xD2BDB6) : clBtnFace;
    B.Canvas()->Brush()->SetColor(fill);
    B.Canvas()->FillRect(TRect{0, 0, w, h});
    B.Canvas()->Brush()->SetColor(frame);
    B.Canvas()->FrameRect(TRect{0, 0, w, h});
  }
  DrawArrow(B.Canvas(), TRect{0, 0, w, h}, arrow, Index == 0 ? 1 : 2);
  C->Draw(sb.R.Left, sb.R.Top, &B);
}

void TbsSkinToolBar::PaintScrollButtons() {
  if (!HandleAllocated() || !ScrollButtonsShown()) return;
  GetSkinData();
  HDC dc = GetWindowDC(Handle());
  TCanvas c;
  c.SetHandle(dc);
  for (int32_t i = 0; i < 2; ++i)
    if (FScrollButtons[i].Visible) DrawScrollButton(&c, i);
  c.SetHandle(nullptr);
  ReleaseDC(Handle(), dc);
}

void TbsSkinToolBar::WMNCCalcSize(TMessage& Message) {
  if (!FCanScroll) {
    TbsSkinPanel::Dispatch(Message);
    return;
  }
  GetSkinData();
  auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
  TRect* rect = Message.WParam ? &params->rgrc[0] : reinterpret_cast<TRect*>(Message.LParam);
  if (FScrollButtons[0].Visible) rect->Left += ScrollButtonWidth;
  if (FScrollButtons[1].Visible) rect->Right -= ScrollButtonWidth;
  Message.Result = 0;
}

void TbsSkinToolBar::WMNCPaint(TMessage& Message) {
  TbsSkinPanel::Dispatch(Message);
  PaintScrollButtons();
}

void TbsSkinToolBar::WMSize(TMessage& Message) {
  TbsSkinPanel::Dispatch(Message);
  if (!ScrollButtonsShown()) return;
  FScrollButtons[0].R = TRect{0, 0, ScrollButtonWidth, Height()};
  FScrollButtons[1].R = TRect{Width() - ScrollButtonWidth, 0, Width(), Height()};
  PaintScrollButtons();
}

void TbsSkinToolBar::WMNCHitTest(TMessage& Message) {
  TbsSkinPanel::Dispatch(Message);
  if (!FCanScroll || Designing()) return;
  const TPoint p = ScreenToClient(LParamToPoint(Message.LParam));
  if (p.X < 0 && FScrollButtons[0].Visible)
    Message.Result = HTSCROLLLEFT;
  else if (p.X >= ClientWidth() && FScrollButtons[1].Visible)
    Message.Result = HTSCROLLRIGHT;
}

void TbsSkinToolBar::WMSetCursor(TMessage& Message) {
  const int32_t hit = LOWORD(uintptr_t(Message.LParam));
  if (hit == HTSCROLLLEFT || hit == HTSCROLLRIGHT)
    Message.LParam = MAKELPARAM(HTCLIENT, HIWORD(uintptr_t(Message.LParam)));
  TbsSkinPanel::Dispatch(Message);
}

void TbsSkinToolBar::WMNCMouseMove(TMessage& Message) {
  const int32_t b = ButtonOfHit(Message.WParam);
  if (b < 0 || !FCanScroll) {
    TbsSkinPanel::Dispatch(Message);
    return;
  }
  if (FScrollButtons[b].MouseIn && !FScrollButtons[1 - b].MouseIn) return;
  FScrollButtons[b].MouseIn = true;
  FScrollButtons[1 - b].MouseIn = false;
  PaintScrollButtons();
  if (FHotScroll) StartScrollTimer(b + 1);
}

void TbsSkinToolBar::WMNCLButtonDown(TMessage& Message) {
  const int32_t b = ButtonOfHit(Message.WParam);
  if (b < 0 || !FCanScroll) {
    TbsSkinPanel::Dispatch(Message);
    return;
  }
  FScrollButtons[b].Down = true;
  FScrollButtons[b].MouseIn = true;
  PaintScrollButtons();
  StartScrollTimer(b + 1);
}

void TbsSkinToolBar::WMNCLButtonUp(TMessage& Message) {
  const int32_t b = ButtonOfHit(Message.WParam);
  if (b < 0 || !FCanScroll) {
    TbsSkinPanel::Dispatch(Message);
    return;
  }
  FScrollButtons[b].Down = false;
  PaintScrollButtons();
  StopScrollTimer();
  FScrollMode = 0;
  ScrollStep(b + 1);
}

// Here rather than in Dispatch: moves over window-less children are handed
// to them before Dispatch runs.
void TbsSkinToolBar::WndProc(TMessage& Message) {
  if (Message.Msg == WM_MOUSEMOVE) ClearHotButtons();
  TbsSkinPanel::WndProc(Message);
}

void TbsSkinToolBar::CMMouseLeave(TMessage& Message) {
  TbsSkinPanel::Dispatch(Message);
  TPoint p;
  GetCursorPos(&p);
  if (HandleAllocated() && WindowFromPoint(p) != Handle()) ClearHotButtons();
}

void TbsSkinToolBar::WMTimer(TMessage& Message) {
  TbsSkinPanel::Dispatch(Message);
  if (Message.WParam == kScrollTimer && FScrollMode != 0) ScrollStep(FScrollMode);
}

void TbsSkinToolBar::WMWindowPosChanging(TMessage& Message) {
  TbsSkinPanel::Dispatch(Message);
  CentreChildren();
}

void TbsSkinToolBar::WMWindowPosChanged(TMessage& Message) {
  TbsSkinPanel::Dispatch(Message);
  if (Align() == TAlign::alNone && HandleAllocated()) Measure();
}

void TbsSkinToolBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETCURSOR: WMSetCursor(Message); break;
    case WM_WINDOWPOSCHANGING: WMWindowPosChanging(Message); break;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_NCCALCSIZE: WMNCCalcSize(Message); break;
    case WM_NCPAINT: WMNCPaint(Message); break;
    case WM_NCHITTEST: WMNCHitTest(Message); break;
    case WM_NCMOUSEMOVE: WMNCMouseMove(Message); break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: WMNCLButtonDown(Message); break;
    case WM_NCLBUTTONUP: WMNCLButtonUp(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    case WM_TIMER: WMTimer(Message); break;
    default: TbsSkinPanel::Dispatch(Message); break;
  }
}
