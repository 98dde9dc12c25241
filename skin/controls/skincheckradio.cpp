#include "skin/controls/skincheckradio.h"

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/menus/effectbmp.h"

namespace {

constexpr TColor NavyFrame = TColor(0x800000);

TRect OrDefault(const TRect& R, const TRect& Default) { return IsNullRect(R) ? Default : R; }

}  // namespace

TbsSkinCheckRadioBox::TbsSkinCheckRadioBox(TComponent* AOwner) : TbsSkinCustomControl(AOwner) {
  SetBounds(Left(), Top(), 150, 25);
  SetSkinDataName("checkbox");
  SetTabStop(false);
}

TbsSkinCheckRadioBox::~TbsSkinCheckRadioBox() { FMorphTimer.Stop(); }

// ---- Check state -------------------------------------------------------------------------

void TbsSkinCheckRadioBox::FireClick() {
  if (OnClick) OnClick(this);
}

void TbsSkinCheckRadioBox::SetChecked(bool Value) {
  TComponentRef<TbsSkinCheckRadioBox> self(this);
  FChecked = Value;
  if (Value)
    FState = TCheckBoxState::cbChecked;
  else if (FState != TCheckBoxState::cbGrayed)
    FState = TCheckBoxState::cbUnchecked;
  Repaint();
  if (Value)
    ForEachGroupMember(this, FGroupIndex, [](TbsSkinCheckRadioBox* B) {
      if (B->Checked()) B->SetChecked(false);
    });
  if (self && (!FRadio || FChecked)) FireClick();
}

void TbsSkinCheckRadioBox::SetState(TCheckBoxState Value) {
  FState = Value;
  FChecked = Value == TCheckBoxState::cbChecked;
  Repaint();
  FireClick();
}

void TbsSkinCheckRadioBox::ToggleChecked() {
  if (!FRadio)
    SetChecked(!FChecked);
  else if (!FChecked)
    SetChecked(true);
}

// ---- Properties ------------------------------------------------------------------------

void TbsSkinCheckRadioBox::SetRadio(bool Value) {
  FRadio = Value;
  Repaint();
}

void TbsSkinCheckRadioBox::SetAllowGrayed(bool Value) {
  FAllowGrayed = Value;
  Repaint();
}

void TbsSkinCheckRadioBox::SetFlat(bool Value) {
  FFlat = Value;
  Repaint();
}

void TbsSkinCheckRadioBox::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  if (FFlat) Repaint();
}

void TbsSkinCheckRadioBox::SetCanFocused(bool Value) {
  FCanFocused = Value;
  SetTabStop(Value);
}

void TbsSkinCheckRadioBox::SetImages(TCustomImageList* Value) {
  if (FImages != nullptr) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  Repaint();
}

void TbsSkinCheckRadioBox::SetImageIndex(int32_t Value) {
  FImageIndex = Value;
  Repaint();
}

void TbsSkinCheckRadioBox::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinCustomControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImages) {
    FImages = nullptr;
    SetImages(nullptr);
  }
}

void TbsSkinCheckRadioBox::ActionChange(TObject* Sender, bool CheckDefaults) {
  TbsSkinCustomControl::ActionChange(Sender, CheckDefaults);
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (a != nullptr && !(CheckDefaults && FChecked)) SetChecked(a->Checked());
}

// ---- Skin data -------------------------------------------------------------------------

void TbsSkinCheckRadioBox::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  FMorphing = false;
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinCheckRadioControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FFontName = D->FontName;
  FFontStyle = D->FontStyle;
  FFontHeight = D->FontHeight;
  FFontColor = D->FontColor;
  FActiveFontColor = D->ActiveFontColor;
  FFrameFontColor = D->FrameFontColor;
  FUnEnabledFontColor = D->UnEnabledFontColor;
  FActiveSkinRect = OrDefault(D->ActiveSkinRect, FSkinRect);
  FCheckImageArea = D->CheckImageArea;
  FTextArea = D->TextArea;
  FCheckImageRect = D->CheckImageRect;
  FUnCheckImageRect = D->UnCheckImageRect;
  FActiveCheckImageRect = OrDefault(D->ActiveCheckImageRect, FCheckImageRect);
  FActiveUnCheckImageRect = OrDefault(D->ActiveUnCheckImageRect, FUnCheckImageRect);
  FUnEnabledCheckImageRect = OrDefault(D->UnEnabledCheckImageRect, FCheckImageRect);
  FUnEnabledUnCheckImageRect = OrDefault(D->UnEnabledUnCheckImageRect, FUnCheckImageRect);
  FMorphing = D->Morphing;
  FMorphKind = D->MorphKind;
  // A flat box sits on its parent at any size: no morph, no window region.
  if (FFlat) {
    FMorphing = false;
    FMaskPicture = nullptr;
  }
}

void TbsSkinCheckRadioBox::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FFlat) return;
  TbsSkinCustomControl::CalcSize(AWidth, AHeight);
  if (FSkinIndex == -1) return;
  const int32_t dW = AWidth - RectWidth(FSkinRect);
  FTextRect = FTextArea;
  FTextRect.Right += dW;
  TRect area = FCheckImageArea;
  // A check image right of the text moves with the right edge.
  if (FTextArea.Right < FCheckImageArea.Right) OffsetRect(area, dW, 0);
  const int32_t cw = RectWidth(FCheckImageRect), ch = RectHeight(FCheckImageRect);
  const int32_t x = area.Left + Div(RectWidth(area) - cw, 2), y = area.Top + Div(RectHeight(area) - ch, 2);
  FCheckImagePos = TRect{x, y, x + cw, y + ch};
}

void TbsSkinCheckRadioBox::ChangeSkinData() {
  if (!FFlat) {
    TbsSkinCustomControl::ChangeSkinData();
    return;
  }
  GetSkinData();
  Repaint();
}

void TbsSkinCheckRadioBox::ParentBackgroundChanged() {
  if (FFlat) Repaint();
}

// ---- Look changes ------------------------------------------------------------------------

void TbsSkinCheckRadioBox::UpdateLook() {
  if (MorphingActive())
    FMorphTimer.Ensure(20);
  else
    Repaint();
}

void TbsSkinCheckRadioBox::MorphTick() {
  const bool toActive = FPointerInside || IsFocused();
  if (!MorphingActive()) {
    FMorphPos = toActive ? 1 : 0;
    FMorphTimer.Stop();
    return;
  }
  if (!StepMorphPos(FMorphPos, toActive)) FMorphTimer.Stop();
  Repaint();
}

// ---- Painting --------------------------------------------------------------------------

void TbsSkinCheckRadioBox::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  if (FFlat)
    PaintFlat();
  else if (!Skinned())
    PaintImage();
  else
    PaintFramed();
}

bool TbsSkinCheckRadioBox::HasImage() const {
  return FImages != nullptr && FImageIndex >= 0 && FImageIndex < FImages->Count();
}

// The check image of the state, hover and enabled state; a grayed box shows
// the checked one lightened.
TRect TbsSkinCheckRadioBox::CheckPictureRect() const {
  const bool on = FState != TCheckBoxState::cbUnchecked;
  if (!Enabled()) return on ? FUnEnabledCheckImageRect : FUnEnabledUnCheckImageRect;
  if (FPointerInside) return on ? FActiveCheckImageRect : FActiveUnCheckImageRect;
  return on ? FCheckImageRect : FUnCheckImageRect;
}

void TbsSkinCheckRadioBox::DrawCheckImage(TCanvas* C, int32_t X, int32_t Y) {
  const TRect R = CheckPictureRect();
  if (IsNullRect(R) || FPicture == nullptr) return;
  TBitmap B;
  B.SetPixelFormat(TPixelFormat::pf24bit);
  B.SetSize(RectWidth(R), RectHeight(R));
  B.Canvas()->CopyRect(TRect{0, 0, B.Width(), B.Height()}, FPicture->Canvas(), R);
  if (FState == TCheckBoxState::cbGrayed) {
    std::unique_ptr<TbsEffectBmp> e = TbsEffectBmp::CreateFromHandle(B.Handle());
    e->ChangeBrightness(0.5);
    e->Draw(B.Canvas()->Handle(), 0, 0);
  }
  B.SetTransparent(true);
  C->Draw(X, Y, &B);
}

void TbsSkinCheckRadioBox::DrawPlainBox(TCanvas* C) {
  const int32_t cy = Div(Height(), 2);
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(FPointerInside ? NavyFrame : clBtnShadow);
  C->FrameRect(TRect{3, cy - 7, 17, cy + 7});
  C->Pen()->SetColor(clBlack);
  if (FState == TCheckBoxState::cbGrayed) {
    DrawCheckMark(C, 7, cy - 4, clGrayText);
  } else if (FState == TCheckBoxState::cbChecked) {
    const TColor mark = Enabled() ? clBlack : clBtnShadow;
    if (FRadio)
      DrawRadioDot(C, 7, cy - 3, mark);
    else
      DrawCheckMark(C, 7, cy - 4, mark);
  }
}

TRect TbsSkinCheckRadioBox::DrawFlatCaption(TCanvas* C, int32_t X, int32_t Gap) {
  const int32_t H = Height(), W = Width();
  const String caption = Caption();
  TRect image{};
  int32_t textX = X;
  if (HasImage()) {
    const int32_t y = Div(H, 2) - Div(FImages->Height(), 2);
    FImages->Draw(C, X, y, FImageIndex, Enabled());
    image = TRect{X, y, X + FImages->Width(), y + FImages->Height()};
    textX = X + FImages->Width() + (FWordWrap ? 0 : Gap);
  }
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  TRect R;
  if (FWordWrap) {
    R = TRect{textX, 0, W, H};
    String s = caption;
    DrawText(C->Handle(), s, &R, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
    const int32_t th = RectHeight(R);
    R = TRect{textX, IntMax(0, Div(H, 2) - Div(th, 2)), W, 0};
    R.Bottom = R.Top + th;
    s = caption;
    DrawText(C->Handle(), s, &R, DT_EXPANDTABS | DT_WORDBREAK);
  } else {
    R = TRect{0, 0, 0, 0};
    String s = caption;
    DrawText(C->Handle(), s, &R, DT_CALCRECT);
    const int32_t tw = RectWidth(R), th = RectHeight(R);
    R = TRect{textX, Div(H, 2) - Div(th, 2), IntMin(textX + tw, W - 2), 0};
    R.Bottom = R.Top + th;
    DrawTextVCenter(C, caption, R);
  }
  if (!caption.empty()) return TRect{R.Left - 2, R.Top - 1, R.Right + 3, R.Bottom + 1};
  if (HasImage()) return TRect{image.Left - 1, image.Top - 1, image.Right + 1, image.Bottom + 1};
  return TRect{};
}

void TbsSkinCheckRadioBox::PaintFlat() {
  TBitmap B;
  B.SetSize(Width(), Height());
  TCanvas* C = B.Canvas();
  PaintParentImage(this, C);
  const bool skinned = Skinned();
  int32_t x = 22, gap = 5;
  if (skinned) {
    const int32_t cw = RectWidth(FCheckImageRect), ch = RectHeight(FCheckImageRect);
    DrawCheckImage(C, 3, Div(Height(), 2) - Div(ch, 2));
    SetSkinControlFont(C->Font(), FUseSkinFont, FFontName, FFontHeight, FFontStyle, DefaultFont(), FSkinData);
    C->Font()->SetColor(Enabled() ? FFrameFontColor : FUnEnabledFontColor);
    x = cw + 7;
    gap = 8;
  } else {
    DrawPlainBox(C);
    SetSkinControlFont(C->Font(), false, String(), 0, TFontStyles{}, DefaultFont(), FSkinData);
    if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  }
  const TRect focus = DrawFlatCaption(C, x, gap);
  if (IsFocused() && !IsNullRect(focus)) {
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(skinned ? FSkinData->SkinColors.CBtnFace : clBtnFace);
    C->DrawFocusRect(focus);
  }
  Canvas()->Draw(0, 0, &B);
}

void TbsSkinCheckRadioBox::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, B->Width(), B->Height()};
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(R);
  if (IsFocused() || FPointerInside) {
    C->Brush()->SetColor(clBtnShadow);
    C->FrameRect(R);
  }
  DrawPlainBox(C);
  SetSkinControlFont(C->Font(), false, String(), 0, TFontStyles{}, DefaultFont(), FSkinData);
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawTextVCenter(C, Caption(), TRect{19, 0, R.Right, R.Bottom});
}

void TbsSkinCheckRadioBox::CreateCheckImage(TBitmap* B, const TRect& R, bool AActive) {
  CreateSkinImageFrom(B, FPicture, R);
  TCanvas* C = B->Canvas();
  const int32_t ch = RectHeight(FCheckImageRect);
  DrawCheckImage(C, FCheckImagePos.Left, FCheckImagePos.Top + Div(RectHeight(FCheckImagePos) - ch, 2));
  SetSkinControlFont(C->Font(), FUseSkinFont, FFontName, FFontHeight, FFontStyle, DefaultFont(), FSkinData);
  C->Font()->SetColor(!Enabled() ? FUnEnabledFontColor : AActive ? FActiveFontColor : FFontColor);
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawTextVCenter(C, Caption(), FTextRect);
}

void TbsSkinCheckRadioBox::PaintFramed() {
  TBitmap B;
  B.SetSize(Width(), Height());
  if (MorphingActive() && FMorphPos > 0 && FMorphPos < 1) {
    TBitmap active;
    active.SetSize(Width(), Height());
    CreateCheckImage(&B, FSkinRect, false);
    CreateCheckImage(&active, FActiveSkinRect, true);
    DrawMorphed(Canvas(), &B, &active, FMorphPos, FMorphKind);
    return;
  }
  const bool active = FPointerInside || IsFocused();
  CreateCheckImage(&B, active ? FActiveSkinRect : FSkinRect, active);
  Canvas()->Draw(0, 0, &B);
}

// ---- Mouse and keys ------------------------------------------------------------------------

void TbsSkinCheckRadioBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (!FPointerInside) {
    FPointerInside = true;
    UpdateLook();
  }
  TbsSkinCustomControl::MouseDown(Button, Shift, X, Y);
}

void TbsSkinCheckRadioBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TbsSkinCheckRadioBox> self(this);
  TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
  if (!self || Button != TMouseButton::mbLeft || !PtInRect(ClientRect(), TPoint{X, Y})) return;
  if (FAllowGrayed && !FRadio && FState == TCheckBoxState::cbUnchecked) {
    FState = TCheckBoxState::cbGrayed;
    Repaint();
    FireClick();
    return;
  }
  ToggleChecked();
}

bool TbsSkinCheckRadioBox::PreviewMessage(TMessage& Message) {
  if (!FCanFocused) return false;
  switch (Message.Msg) {
    case WM_KEYUP:
      if (Message.WParam == VK_SPACE && Focused()) ToggleChecked();
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return TakeFocusOnPress();
    case CN_COMMAND: return FFocusingByMouse;
    default: return false;
  }
}

void TbsSkinCheckRadioBox::WndProc(TMessage& Message) {
  TComponentRef<TbsSkinCheckRadioBox> self(this);
  if (PreviewMessage(Message) || !self) return;
  TbsSkinCustomControl::WndProc(Message);
}

void TbsSkinCheckRadioBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOVE:
      TbsSkinCustomControl::Dispatch(Message);
      if (FFlat) Invalidate();
      break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocus(Message); break;
    case CM_DIALOGCHAR: CMDialogChar(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_TEXTCHANGED:
      TbsSkinCustomControl::Dispatch(Message);
      Repaint();
      break;
    case CM_MOUSEENTER: CMMouseHover(Message, true); break;
    case CM_MOUSELEAVE: CMMouseHover(Message, false); break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

// Only a framed box gives its image to neighbours painting what lies under them.
void TbsSkinCheckRadioBox::WMEraseBkgnd(TMessage& Message) {
  if (!FFlat && !FInPaintMessage && Message.WParam != 0) PaintWindow(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

void TbsSkinCheckRadioBox::WMFocus(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (!FCanFocused) return;
  if (FFlat)
    Invalidate();
  else
    UpdateLook();
}

void TbsSkinCheckRadioBox::CMDialogChar(TMessage& Message) {
  if (IsAccel(uint32_t(Message.WParam), Caption()) && CanFocus() && FCanFocused) {
    SetFocus();
    ToggleChecked();
    Message.Result = 1;
    return;
  }
  TbsSkinCustomControl::Dispatch(Message);
}

void TbsSkinCheckRadioBox::CMEnabledChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (MorphingActive()) {
    FMorphTimer.Stop();
    FMorphPos = 0;
  }
  FPointerInside = false;
  Repaint();
}

void TbsSkinCheckRadioBox::CMMouseHover(TMessage& Message, bool Inside) {
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) {
    FPointerInside = Inside;
    UpdateLook();
  }
  TbsSkinCustomControl::Dispatch(Message);
}
