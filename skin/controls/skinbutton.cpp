#include "skin/controls/skinbutton.h"

#include "platform/gui/syscolors.h"
#include "platform/gui/text.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

namespace {

constexpr TColor NavyFrame = TColor(0x800000);
constexpr TColor DownFill = TColor(0xB59385);
constexpr TColor HotFill = TColor(0xD2BDB6);

}  // namespace

TbsSkinButton::TbsSkinButton(TComponent* AOwner) : TbsSkinCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetTabStop(true);
  SetSkinDataName("button");
  SetBounds(Left(), Top(), 75, 25);
}

TbsSkinButton::~TbsSkinButton() {
  FMorphTimer.Stop();
  FAnimateTimer.Stop();
  FRepeatTimer.Stop();
}

// ---- Properties ------------------------------------------------------------------------

void TbsSkinButton::SetDown(bool Value) {
  FDown = Value;
  if (MorphingActive()) {
    FMorphPos = 1;
    if (Value)
      FMorphTimer.Stop();
    else
      FMorphTimer.Ensure(20);
  }
  Repaint();
  if (FGroupIndex == 0 || !FDown || FAllowAllUp) return;
  ForEachGroupMember(this, FGroupIndex, [](TbsSkinButton* B) {
    if (B->Down()) B->SetDown(false);
  });
}

void TbsSkinButton::SetGroupIndex(int32_t Value) {
  FGroupIndex = Value;
  if (Value != 0) SetCanFocused(false);
}

void TbsSkinButton::SetCanFocused(bool Value) {
  FCanFocused = Value;
  SetTabStop(Value);
}

void TbsSkinButton::SetDefault(bool Value) {
  FDefault = Value;
  if (!HandleAllocated() || !FCanFocused) return;
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
}

void TbsSkinButton::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Repaint();
}

void TbsSkinButton::SetNumGlyphs(TbsNumGlyphs Value) {
  FNumGlyphs = Value;
  Repaint();
}

void TbsSkinButton::SetMargin(int32_t Value) {
  if (Value == FMargin || Value < -1) return;
  FMargin = Value;
  Repaint();
}

void TbsSkinButton::SetSpacing(int32_t Value) {
  if (Value == FSpacing) return;
  FSpacing = Value;
  Repaint();
}

void TbsSkinButton::SetLayout(TbsButtonLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Repaint();
}

void TbsSkinButton::SetImageList(TCustomImageList* Value) {
  if (FImageList != nullptr) FImageList->RemoveFreeNotification(this);
  FImageList = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  Repaint();
}

void TbsSkinButton::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Repaint();
}

void TbsSkinButton::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinCustomControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImageList) FImageList = nullptr;
}

// ---- Skin data -------------------------------------------------------------------------

void TbsSkinButton::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  FLook.Morphing = false;
  FLook.AnimateSkinRect = TRect{};
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinButtonControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  // A freely sized button has no window region.
  if (!FUseSkinSize && D->MaskPictureIndex != -1) FMaskPicture = nullptr;
  FLook.CopyFrom(*D, FSkinRect);
  if (SkinEffectsOn(FSkinData) && FAnimateTimer.Running() && FAnimateFrame > 0 && FAnimateFrame <= FLook.FrameCount) {
    if (FAnimateForward)
      FLook.ActiveSkinRect = FLook.FrameRect(FSkinRect, FAnimateFrame);
    else
      FSkinRect = FLook.FrameRect(FSkinRect, FAnimateFrame);
  }
}

void TbsSkinButton::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FUseSkinSize || FResizeMode == 1) TbsSkinCustomControl::CalcSize(AWidth, AHeight);
}

void TbsSkinButton::ChangeSkinData() {
  FMorphTimer.Stop();
  StopAnimation();
  FMorphPos = 0;
  TbsSkinCustomControl::ChangeSkinData();
  if (MorphingActive() && (IsFocused() || FPointerInside)) FMorphPos = 1;
}

// ---- Look changes ------------------------------------------------------------------------

void TbsSkinButton::UpdateLook() {
  if (MorphingActive())
    FMorphTimer.Ensure(20);
  else
    Repaint();
}

void TbsSkinButton::MorphTick() {
  const bool toActive = FPointerInside || IsFocused();
  if (!MorphingActive()) {
    FMorphPos = toActive ? 1 : 0;
    FMorphTimer.Stop();
    return;
  }
  if (StepMorphPos(FMorphPos, toActive)) {
    Repaint();
    return;
  }
  FMorphTimer.Stop();
  Repaint();
}

void TbsSkinButton::StartAnimation(bool Forward) {
  if (FSkinIndex == -1 || !SkinEffectsOn(FSkinData) || IsNullRect(FLook.AnimateSkinRect) || FLook.FrameCount <= 0)
    return;
  StopAnimation();
  FAnimateForward = Forward;
  FAnimateFrame = Forward ? 1 : FLook.FrameCount;
  FAnimateTimer.Start(uint32_t(FLook.AnimateInterval));
}

void TbsSkinButton::StopAnimation() {
  FAnimateTimer.Stop();
  FAnimateFrame = 0;
}

void TbsSkinButton::AnimateTick() {
  if (FAnimateForward ? FAnimateFrame > FLook.FrameCount : FAnimateFrame <= 0) {
    StopAnimation();
    return;
  }
  FAnimateFrame += FAnimateForward ? 1 : -1;
  Repaint();
  if (!FAnimateForward && FAnimateFrame <= 0) StopAnimation();
}

// ---- Painting --------------------------------------------------------------------------

void TbsSkinButton::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  if (FSkinIndex == -1 || FPicture == nullptr) {
    TBitmap B;
    B.SetSize(Width(), Height());
    CreateControlDefaultImage(&B);
    Canvas()->Draw(0, 0, &B);
    return;
  }
  if (MorphingActive() && FMorphPos > 0 && FMorphPos < 1 && Enabled()) {
    TBitmap normal, active;
    normal.SetSize(Width(), Height());
    active.SetSize(Width(), Height());
    CreateButtonImage(&normal, FSkinRect, false, false);
    CreateButtonImage(&active, FLook.ActiveSkinRect, false, true);
    DrawMorphed(Canvas(), &normal, &active, FMorphPos, FLook.MorphKind);
    return;
  }
  PaintState();
}

void TbsSkinButton::PaintState() {
  TBitmap B;
  B.SetSize(Width(), Height());
  if (!Enabled() && !IsNullRect(FLook.DisabledSkinRect))
    CreateButtonImage(&B, FLook.DisabledSkinRect, false, false);
  else if (ShowsDown())
    CreateButtonImage(&B, FLook.DownSkinRect, true, true);
  else if (IsFocused() || FPointerInside || (MorphingActive() && FMorphPos == 1))
    CreateButtonImage(&B, FLook.ActiveSkinRect, false, true);
  else
    CreateButtonImage(&B, FSkinRect, false, false);
  Canvas()->Draw(0, 0, &B);
}

void TbsSkinButton::CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn) {
  TRect area = FSizedClientRect;
  if (!FUseSkinSize && FResizeMode != 1)
    ComposeFreeSizeImage(B, FPicture, FResizeMode, R, FSkinClientRect, Width(), Height(), area);
  else
    CreateSkinImageFrom(B, FPicture, R);
  TCanvas* C = B->Canvas();
  SetSkinControlFont(C->Font(), FUseSkinFont, FLook.FontName, FLook.FontHeight, FLook.FontStyle, DefaultFont(),
                     FSkinData);
  C->Font()->SetColor(FLook.StateColor(Enabled(), FUseSkinFontColor, DefaultFont(), ADown, AMouseIn));
  if (FLook.ShowFocus && Focused()) {
    C->Brush()->SetStyle(TBrushStyle::bsSolid);
    C->Brush()->SetColor(FSkinData->SkinColors.CBtnFace);
    C->DrawFocusRect(area);
    C->Brush()->SetStyle(TBrushStyle::bsClear);
  }
  DrawFace(C, area, ADown, AMouseIn, ADown && AMouseIn);
}

// Picture and caption: the image list's picture for a valid index, else the
// glyph strip's.
void TbsSkinButton::DrawFace(TCanvas* C, const TRect& Area, bool ADown, bool AMouseIn, bool Shifted) {
  if (FImageList != nullptr && FImageIndex >= 0 && FImageIndex < FImageList->Count())
    DrawImageAndText(C, Area, FMargin, FSpacing, FLayout, Caption(), FImageIndex, FImageList, Shifted, Enabled());
  else
    DrawGlyphAndText(C, Area, FMargin, FSpacing, FLayout, Caption(), FGlyph.get(), FNumGlyphs,
                     GlyphNumFor(ADown, AMouseIn, FNumGlyphs, Enabled()), Shifted);
}

void TbsSkinButton::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, B->Width(), B->Height()};
  const bool down = ShowsDown();
  const bool hot = IsFocused() || FPointerInside;
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(down ? DownFill : hot ? HotFill : clBtnFace);
  C->FillRect(R);
  C->Brush()->SetColor(down || hot ? NavyFrame : clBtnShadow);
  C->FrameRect(R);
  SetSkinControlFont(C->Font(), false, String(), 0, TFontStyles{}, DefaultFont(), FSkinData);
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  const bool listImage = FImageList != nullptr && FImageIndex >= 0 && FImageIndex < FImageList->Count();
  DrawFace(C, R, FDown, FPointerInside, listImage ? FDown && FPointerInside : down);
}

// ---- Clicks ----------------------------------------------------------------------------

void TbsSkinButton::Click() {
  if (Action() == nullptr) TbsSkinCustomControl::Click();
}

void TbsSkinButton::ButtonClick() {
  TComponentRef<TbsSkinButton> self(this);
  if (FCanFocused)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  if (!self) return;
  // An OnClick of the button wins over a linked action; handlers cannot be
  // compared, so an action sharing OnClick's handler runs it through OnClick.
  if (OnClick)
    OnClick(this);
  else if (Action() != nullptr && !ComponentState().Contains(TComponentStateItem::csDesigning))
    ActionLink()->Execute(this);
}

void TbsSkinButton::ActionChange(TObject* Sender, bool CheckDefaults) {
  TbsSkinCustomControl::ActionChange(Sender, CheckDefaults);
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (a == nullptr || !FGlyph->Empty() || a->ActionList() == nullptr) return;
  TCustomImageList* images = a->ActionList()->Images();
  if (images == nullptr || a->ImageIndex() < 0 || a->ImageIndex() >= images->Count()) return;
  FGlyph->SetSize(images->Width(), images->Height());
  FGlyph->Canvas()->Brush()->SetColor(clFuchsia);
  FGlyph->Canvas()->FillRect(TRect{0, 0, images->Width(), images->Height()});
  images->Draw(FGlyph->Canvas(), 0, 0, a->ImageIndex());
  Repaint();
}

// ---- Mouse -----------------------------------------------------------------------------

void TbsSkinButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TbsSkinButton> self(this);
  TbsSkinCustomControl::MouseDown(Button, Shift, X, Y);
  if (!self || Button != TMouseButton::mbLeft) return;
  StopAnimation();
  FPressedByMouse = true;
  if (FDown) {
    if (FGroupIndex != 0) FWasDown = true;
    return;
  }
  FPointerInside = true;
  SetDown(true);
  FWasDown = false;
  if (FRepeatMode && FGroupIndex == 0)
    StartRepeat();
  else if (FGroupIndex != 0)
    ButtonClick();
}

void TbsSkinButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TbsSkinButton> self(this);
  if (Button == TMouseButton::mbLeft) {
    FPressedByMouse = false;
    const bool over = Over(X, Y);
    if (FGroupIndex == 0) {
      const bool wasDown = FDown;
      FRepeatTimer.Stop();
      if (over) {
        SetDown(false);
        if (wasDown) ButtonClick();
      } else {
        FDown = false;
      }
    } else if (FDown && FAllowAllUp && FWasDown && over) {
      SetDown(false);
      ButtonClick();
    }
  }
  if (self && HandleAllocated() && Visible()) TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TbsSkinButton::CMMouseEnter(TMessage& Message) {
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) {
    FPointerInside = true;
    if ((FGroupIndex != 0 && !FDown) || (FGroupIndex == 0 && (!IsFocused() || FDown))) {
      if (FDown) {
        if (MorphingActive()) FMorphPos = 1;
        Repaint();
      } else {
        StartAnimation(true);
        UpdateLook();
      }
    }
    if (FDown && FRepeatMode && FGroupIndex == 0) StartRepeat();
  }
  TbsSkinCustomControl::Dispatch(Message);
}

void TbsSkinButton::CMMouseLeave(TMessage& Message) {
  if (!ComponentState().Contains(TComponentStateItem::csDesigning)) {
    // The default button keeps its highlight while the focus is elsewhere.
    if (!(FCanFocused && FDefault && FActiveDefault && !Focused())) FPointerInside = false;
    if ((FGroupIndex != 0 && !FDown) || (FGroupIndex == 0 && (!IsFocused() || FDown))) {
      StartAnimation(false);
      UpdateLook();
    }
    if (FDown && FRepeatMode && FGroupIndex == 0) FRepeatTimer.Stop();
  }
  TbsSkinCustomControl::Dispatch(Message);
}

// ---- Messages ----------------------------------------------------------------------------

bool TbsSkinButton::PreviewMessage(TMessage& Message) {
  if (!FCanFocused || ComponentState().Contains(TComponentStateItem::csDesigning)) return false;
  switch (Message.Msg) {
    case WM_KEYDOWN:
      if (Message.WParam == VK_SPACE) {
        if (!IsNullRect(FLook.AnimateSkinRect)) StopAnimation();
        ButtonClick();
      } else if (Message.WParam == VK_RETURN) {
        ButtonClick();
      }
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return TakeFocusOnPress();
    case CN_COMMAND: return FFocusingByMouse;
    default: return false;
  }
}

void TbsSkinButton::WndProc(TMessage& Message) {
  TComponentRef<TbsSkinButton> self(this);
  if (PreviewMessage(Message) || !self) return;
  TbsSkinCustomControl::WndProc(Message);
}

void TbsSkinButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SETFOCUS: WMSetFocus(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
    case CM_DIALOGKEY: CMDialogKey(Message); break;
    case CM_DIALOGCHAR: CMDialogChar(Message); break;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_TEXTCHANGED: CMTextChanged(Message); break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

void TbsSkinButton::CreateWnd() {
  TbsSkinCustomControl::CreateWnd();
  FActiveDefault = FDefault;
}

// Neighbours painting what lies under them ask for the button's image.
void TbsSkinButton::WMEraseBkgnd(TMessage& Message) {
  if (!FInPaintMessage && Message.WParam != 0) PaintWindow(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

void TbsSkinButton::WMSetFocus(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (!FCanFocused) return;
  StartAnimation(true);
  UpdateLook();
}

void TbsSkinButton::WMKillFocus(TMessage& Message) {
  FRepeatTimer.Stop();
  if (FGroupIndex == 0 && FDown) FDown = false;
  TbsSkinCustomControl::Dispatch(Message);
  if (!FCanFocused) return;
  StartAnimation(false);
  UpdateLook();
}

void TbsSkinButton::CMDialogKey(TMessage& Message) {
  const bool enter = Message.WParam == VK_RETURN && FActiveDefault && Enabled();
  const bool escape = Message.WParam == VK_ESCAPE && FCancel && FCanFocused &&
                      KeyDataToShiftState(int32_t(Message.LParam)).Empty() && CanFocus();
  if (enter || escape) {
    ButtonClick();
    Message.Result = 1;
    return;
  }
  TbsSkinCustomControl::Dispatch(Message);
}

void TbsSkinButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(uint32_t(Message.WParam), Caption()) && CanFocus() && FCanFocused) {
    SetFocus();
    ButtonClick();
    Message.Result = 1;
    return;
  }
  TbsSkinCustomControl::Dispatch(Message);
}

// The default button answers Enter, and shows its active look, while the
// focus is on a control that is not a skinned button.
void TbsSkinButton::CMFocusChanged(TMessage& Message) {
  TControl* sender = reinterpret_cast<TControl*>(Message.LParam);
  const bool senderIsButton = dynamic_cast<TbsSkinButton*>(sender) != nullptr;
  FActiveDefault = senderIsButton ? sender == this : FDefault;
  if (FCanFocused && FDefault) {
    if (senderIsButton && sender != this && FPointerInside) {
      FPointerInside = false;
      UpdateLook();
    } else if (!senderIsButton && !FPointerInside) {
      if (MorphingActive()) FMorphPos = 1;
      FPointerInside = true;
      UpdateLook();
    }
  }
  TbsSkinCustomControl::Dispatch(Message);
}

void TbsSkinButton::CMEnabledChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  if (MorphingActive()) {
    FMorphTimer.Stop();
    FMorphPos = 0;
  }
  FPointerInside = false;
  Repaint();
}

void TbsSkinButton::CMTextChanged(TMessage& Message) {
  TbsSkinCustomControl::Dispatch(Message);
  Repaint();
}
