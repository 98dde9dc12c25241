#include "skin/controls/skinspeedbutton.h"

#include "platform/gui/syscolors.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/windows.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"

namespace {

constexpr TColor NavyFrame = TColor(0x800000);
constexpr TColor DownFill = TColor(0xB59385);
constexpr TColor HotFill = TColor(0xD2BDB6);

bool ValidIndex(TCustomImageList* L, int32_t I) { return L != nullptr && I >= 0 && I < L->Count(); }

}  // namespace

TbsSkinSpeedButton::TbsSkinSpeedButton(TComponent* AOwner)
    : TbsGraphicSkinCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  // No click events from the platform: OnClick comes from ButtonClick only.
  SetControlStyle(
      TControlStyle{TControlStyleItem::csCaptureMouse, TControlStyleItem::csOpaque, TControlStyleItem::csDoubleClicks});
  SetSkinDataName("toolbutton");
  SetBounds(Left(), Top(), 25, 25);
}

TbsSkinSpeedButton::~TbsSkinSpeedButton() {
  FMorphTimer.Stop();
  FAnimateTimer.Stop();
  FRepeatTimer.Stop();
}

// ---- Properties ------------------------------------------------------------------------

void TbsSkinSpeedButton::SetDown(bool Value) {
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
  ForEachGroupMember(this, FGroupIndex, [](TbsSkinSpeedButton* B) {
    if (B->Down()) B->SetDown(false);
  });
}

void TbsSkinSpeedButton::SetTransparent(bool Value) {
  TControlStyle style = ControlStyle();
  if (Value)
    style.Exclude(TControlStyleItem::csOpaque);
  else
    style.Include(TControlStyleItem::csOpaque);
  SetControlStyle(style);
  Invalidate();
}

void TbsSkinSpeedButton::SetFlat(bool Value) {
  FFlat = Value;
  SetTransparent(Value);
  Invalidate();
}

void TbsSkinSpeedButton::SetShowCaption(bool Value) {
  if (Value == FShowCaption) return;
  FShowCaption = Value;
  if (FWidthWithCaption > 0 && FWidthWithoutCaption > 0)
    SetWidth(Value ? FWidthWithCaption : FWidthWithoutCaption);
  else
    Repaint();
}

void TbsSkinSpeedButton::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Repaint();
}

void TbsSkinSpeedButton::SetNumGlyphs(TbsNumGlyphs Value) {
  FNumGlyphs = Value;
  Repaint();
}

void TbsSkinSpeedButton::SetMargin(int32_t Value) {
  if (Value == FMargin || Value < -1) return;
  FMargin = Value;
  Repaint();
}

void TbsSkinSpeedButton::SetSpacing(int32_t Value) {
  if (Value == FSpacing) return;
  FSpacing = Value;
  Repaint();
}

void TbsSkinSpeedButton::SetLayout(TbsButtonLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Repaint();
}

void TbsSkinSpeedButton::SetImageList(TCustomImageList* Value) {
  if (FImageList != nullptr) FImageList->RemoveFreeNotification(this);
  FImageList = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  Repaint();
}

void TbsSkinSpeedButton::SetImageIndex(int32_t Value) {
  FImageIndex = Value;
  if (ToolBar() != nullptr) Repaint();
}

void TbsSkinSpeedButton::SetSkinImagesMenu(IbsImagesMenu* Value) {
  if (FSkinImagesMenuComponent != nullptr) FSkinImagesMenuComponent->RemoveFreeNotification(this);
  FSkinImagesMenu = Value;
  FSkinImagesMenuComponent = dynamic_cast<TComponent*>(Value);
  if (FSkinImagesMenuComponent != nullptr) FSkinImagesMenuComponent->FreeNotification(this);
  Repaint();
}

void TbsSkinSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TbsGraphicSkinCustomControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FImageList) FImageList = nullptr;
  if (AComponent != nullptr && AComponent == FSkinImagesMenuComponent) {
    FSkinImagesMenu = nullptr;
    FSkinImagesMenuComponent = nullptr;
  }
}

void TbsSkinSpeedButton::ResetHotState() {
  if (!FPointerInside) return;
  FPointerInside = false;
  if (Visible()) Repaint();
}

void TbsSkinSpeedButton::ActionChange(TObject* Sender, bool CheckDefaults) {
  TbsGraphicSkinCustomControl::ActionChange(Sender, CheckDefaults);
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (a == nullptr || !FGlyph->Empty() || a->ActionList() == nullptr) return;
  TCustomImageList* images = a->ActionList()->Images();
  if (!ValidIndex(images, a->ImageIndex())) return;
  FGlyph->SetSize(images->Width(), images->Height());
  FGlyph->Canvas()->Brush()->SetColor(clFuchsia);
  FGlyph->Canvas()->FillRect(TRect{0, 0, images->Width(), images->Height()});
  images->Draw(FGlyph->Canvas(), 0, 0, a->ImageIndex());
  Repaint();
}

// ---- Skin data -------------------------------------------------------------------------

void TbsSkinSpeedButton::GetSkinData() {
  TbsGraphicSkinCustomControl::GetSkinData();
  FLook.Morphing = false;
  FLook.AnimateSkinRect = TRect{};
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinButtonControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FLook.CopyFrom(*D, FSkinRect);
  // A transparent button shows no background to morph.
  if (Transparent()) FLook.Morphing = false;
  FMenuMarkerRect = D->MenuMarkerRect;
  FMenuMarkerActiveRect = IsNullRect(D->MenuMarkerActiveRect) ? FMenuMarkerRect : D->MenuMarkerActiveRect;
  FMenuMarkerDownRect = IsNullRect(D->MenuMarkerDownRect) ? FMenuMarkerActiveRect : D->MenuMarkerDownRect;
  FMenuMarkerFlatRect = IsNullRect(D->MenuMarkerFlatRect) ? FMenuMarkerRect : D->MenuMarkerFlatRect;
  FMenuMarkerTransparentColor = D->MenuMarkerTransparentColor;
  if (SkinEffectsOn(FSkinData) && FAnimateTimer.Running() && FAnimateFrame > 0 && FAnimateFrame <= FLook.FrameCount) {
    if (FAnimateForward)
      FLook.ActiveSkinRect = FLook.FrameRect(FSkinRect, FAnimateFrame);
    else
      FSkinRect = FLook.FrameRect(FSkinRect, FAnimateFrame);
  }
}

void TbsSkinSpeedButton::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FUseSkinSize || FResizeMode == 1) TbsGraphicSkinCustomControl::CalcSize(AWidth, AHeight);
}

void TbsSkinSpeedButton::ChangeSkinData() {
  StopAnimation();
  FMorphTimer.Stop();
  TbsGraphicSkinCustomControl::ChangeSkinData();
  if (MorphingActive() && FPointerInside && !Transparent()) FMorphPos = 1;
}

// ---- Look changes ------------------------------------------------------------------------

void TbsSkinSpeedButton::UpdateLook() {
  if (MorphingActive() && !Transparent())
    FMorphTimer.Ensure(20);
  else
    Repaint();
}

void TbsSkinSpeedButton::MorphTick() {
  if (!MorphingActive()) {
    FMorphPos = FPointerInside ? 1 : 0;
    FMorphTimer.Stop();
    return;
  }
  if (!StepMorphPos(FMorphPos, FPointerInside)) FMorphTimer.Stop();
  Repaint();
}

void TbsSkinSpeedButton::StartAnimation(bool Forward) {
  if (FSkinIndex == -1 || !SkinEffectsOn(FSkinData) || IsNullRect(FLook.AnimateSkinRect) || FLook.FrameCount <= 0)
    return;
  StopAnimation();
  FAnimateForward = Forward;
  FAnimateFrame = Forward ? 1 : FLook.FrameCount;
  FAnimateTimer.Start(uint32_t(FLook.AnimateInterval));
}

void TbsSkinSpeedButton::StopAnimation() {
  FAnimateTimer.Stop();
  FAnimateFrame = 0;
}

void TbsSkinSpeedButton::AnimateTick() {
  if (FAnimateForward ? FAnimateFrame > FLook.FrameCount : FAnimateFrame <= 0) {
    StopAnimation();
    return;
  }
  FAnimateFrame += FAnimateForward ? 1 : -1;
  Repaint();
  if (!FAnimateForward && FAnimateFrame <= 0) StopAnimation();
}

// ---- Painting --------------------------------------------------------------------------

void TbsSkinSpeedButton::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  if (FSkinIndex == -1 || FPicture == nullptr)
    PaintPlain();
  else
    PaintSkinned();
}

void TbsSkinSpeedButton::PaintSkinned() {
  TBitmap B;
  B.SetSize(Width(), Height());
  if (MorphingActive() && FMorphPos > 0 && FMorphPos < 1 && !Transparent()) {
    TBitmap active;
    active.SetSize(Width(), Height());
    CreateButtonImage(&B, FSkinRect, false, false);
    CreateButtonImage(&active, FLook.ActiveSkinRect, false, true);
    DrawMorphed(Canvas(), &B, &active, FMorphPos, FLook.MorphKind);
    return;
  }
  if (ShowsDown()) {
    CreateButtonImage(&B, FLook.DownSkinRect, true, true);
  } else if (FPointerInside || (MorphingActive() && FMorphPos == 1)) {
    CreateButtonImage(&B, FLook.ActiveSkinRect, false, true);
  } else if (Transparent()) {
    DrawTransparentFace(FSizedClientRect, true);
    return;
  } else {
    const bool disabledImage = !Enabled() && !IsNullRect(FLook.DisabledSkinRect);
    CreateButtonImage(&B, disabledImage ? FLook.DisabledSkinRect : FSkinRect, false, false);
  }
  Canvas()->Draw(0, 0, &B);
}

void TbsSkinSpeedButton::PaintPlain() {
  if (!ShowsDown() && !FPointerInside && Transparent()) {
    DrawTransparentFace(TRect{0, 0, Width(), Height()}, false);
    return;
  }
  TBitmap B;
  B.SetSize(Width(), Height());
  CreateControlDefaultImage(&B);
  Canvas()->Draw(0, 0, &B);
}

// Picture and caption straight on the parent, unshifted.
void TbsSkinSpeedButton::DrawTransparentFace(const TRect& Area, bool Skinned) {
  TCanvas* C = Canvas();
  SetSkinControlFont(C->Font(), Skinned && FUseSkinFont, FLook.FontName, FLook.FontHeight, FLook.FontStyle,
                     DefaultFont(), FSkinData);
  if (Skinned)
    C->Font()->SetColor(!Enabled()          ? FSkinData->SkinColors.CBtnShadow
                        : FUseSkinFontColor ? FSkinData->SkinColors.CBtnText
                                            : DefaultFont()->Color());
  else if (!Enabled())
    C->Font()->SetColor(clBtnShadow);
  DrawFace(C, Area, false, false, false, false);
}

void TbsSkinSpeedButton::CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn) {
  TRect area = FSizedClientRect;
  if (!FUseSkinSize && FResizeMode != 1)
    ComposeFreeSizeImage(B, FPicture, FResizeMode, R, FSkinClientRect, Width(), Height(), area);
  else
    CreateSkinImageFrom(B, FPicture, R);
  TCanvas* C = B->Canvas();
  SetSkinControlFont(C->Font(), FUseSkinFont, FLook.FontName, FLook.FontHeight, FLook.FontStyle, DefaultFont(),
                     FSkinData);
  C->Font()->SetColor(FLook.StateColor(Enabled(), FUseSkinFontColor, DefaultFont(), ADown, AMouseIn));
  DrawFace(C, area, ADown, AMouseIn, ADown || AMouseIn, ADown && AMouseIn);
}

// The picture source, first that applies: the images menu's selected item,
// the tool bar's lists for an empty glyph, the own list, the glyph strip.
void TbsSkinSpeedButton::DrawFace(TCanvas* C, const TRect& Area, bool ADown, bool AMouseIn, bool Hot, bool Shifted) {
  String caption = ShownCaption();
  if (FSkinImagesMenu != nullptr && FUseImagesMenuImage && FSkinImagesMenu->SelectedImageIndex() >= 0) {
    if (FUseImagesMenuCaption) caption = FSkinImagesMenu->SelectedCaption();
    DrawImageAndText(C, Area, FMargin, FSpacing, FLayout, caption, FSkinImagesMenu->SelectedImageIndex(),
                     FSkinImagesMenu->SelectedImages(), Shifted, Enabled());
    return;
  }
  IbsToolBarHost* bar = ToolBar();
  if (FGlyph->Empty() && bar != nullptr) {
    TCustomImageList* list = bar->Images();
    bool enabled = Enabled();
    if (!Enabled() && bar->DisabledImages() != nullptr) {
      list = bar->DisabledImages();
      enabled = true;
    } else if (Hot && bar->HotImages() != nullptr) {
      list = bar->HotImages();
    }
    DrawImageAndText(C, Area, FMargin, FSpacing, FLayout, caption, FImageIndex, list, Shifted, enabled);
    return;
  }
  if (FGlyph->Empty() && ValidIndex(FImageList, FImageIndex)) {
    DrawImageAndText(C, Area, FMargin, FSpacing, FLayout, caption, FImageIndex, FImageList, Shifted, Enabled());
    return;
  }
  DrawGlyphAndText(C, Area, FMargin, FSpacing, FLayout, caption, FGlyph.get(), FNumGlyphs,
                   GlyphNumFor(ADown, AMouseIn, FNumGlyphs, Enabled()), Shifted);
}

void TbsSkinSpeedButton::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, B->Width(), B->Height()};
  const bool down = ShowsDown();
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(down ? DownFill : FPointerInside ? HotFill : clBtnFace);
  C->FillRect(R);
  if (down || FPointerInside || Designing() || !FFlat) {
    C->Brush()->SetColor(down || FPointerInside ? NavyFrame : clBtnShadow);
    C->FrameRect(R);
  }
  SetSkinControlFont(C->Font(), false, String(), 0, TFontStyles{}, DefaultFont(), FSkinData);
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  const bool listPicture = FGlyph->Empty() && (ToolBar() != nullptr || ValidIndex(FImageList, FImageIndex));
  DrawFace(C, R, FDown, FPointerInside, FPointerInside || FDown, listPicture ? FDown && FPointerInside : down);
}

// ---- Mouse -----------------------------------------------------------------------------

void TbsSkinSpeedButton::ButtonClick() {
  if (OnClick) OnClick(this);
}

void TbsSkinSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TbsSkinSpeedButton> self(this);
  TbsGraphicSkinCustomControl::MouseDown(Button, Shift, X, Y);
  if (!self || Button != TMouseButton::mbLeft || Designing()) return;
  StopAnimation();
  if (FDown) {
    if (FGroupIndex != 0) FWasDown = true;
    return;
  }
  FPointerInside = true;
  SetDown(true);
  FWasDown = false;
  if (FRepeatMode && FGroupIndex == 0)
    FRepeatTimer.Start(uint32_t(FRepeatInterval));
  else if (FGroupIndex != 0)
    ButtonClick();
}

void TbsSkinSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TComponentRef<TbsSkinSpeedButton> self(this);
  TbsGraphicSkinCustomControl::MouseUp(Button, Shift, X, Y);
  if (!self || Button != TMouseButton::mbLeft || Designing()) return;
  const bool over = PtInRect(ClientRect(), TPoint{X, Y});
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

void TbsSkinSpeedButton::CMMouseEnter(TMessage& Message) {
  TbsGraphicSkinCustomControl::Dispatch(Message);
  if (Designing() || !Enabled()) return;
  FPointerInside = true;
  if ((FGroupIndex != 0 && !FDown) || FGroupIndex == 0) {
    if (FDown) {
      if (MorphingActive()) FMorphPos = 1;
      Repaint();
    } else {
      StartAnimation(true);
      UpdateLook();
    }
  }
  if (FDown && FRepeatMode && FGroupIndex == 0) FRepeatTimer.Start(uint32_t(FRepeatInterval));
}

void TbsSkinSpeedButton::CMMouseLeave(TMessage& Message) {
  TbsGraphicSkinCustomControl::Dispatch(Message);
  if (Designing() || !Enabled()) return;
  FPointerInside = false;
  if ((FGroupIndex != 0 && !FDown) || FGroupIndex == 0) {
    StartAnimation(false);
    UpdateLook();
  }
  if (FDown && FRepeatMode && FGroupIndex == 0) FRepeatTimer.Stop();
}

// ---- Messages ----------------------------------------------------------------------------

void TbsSkinSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_TEXTCHANGED:
      TbsGraphicSkinCustomControl::Dispatch(Message);
      Repaint();
      break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    default: TbsGraphicSkinCustomControl::Dispatch(Message); break;
  }
}

void TbsSkinSpeedButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(uint32_t(Message.WParam), Caption()) && Enabled() && Visible() && Parent() != nullptr &&
      Parent()->Showing()) {
    ButtonClick();
    Message.Result = 1;
    return;
  }
  TbsGraphicSkinCustomControl::Dispatch(Message);
}

void TbsSkinSpeedButton::CMEnabledChanged(TMessage& Message) {
  TbsGraphicSkinCustomControl::Dispatch(Message);
  if (MorphingActive()) {
    FMorphTimer.Stop();
    FMorphPos = 0;
  }
  FPointerInside = false;
  Repaint();
}
