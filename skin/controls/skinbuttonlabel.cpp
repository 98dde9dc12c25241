#include "skin/controls/skinbuttonlabel.h"

#include "platform/vcl/imglist.h"
#include "platform/vcl/messages.h"

TbsSkinButtonLabel::TbsSkinButtonLabel(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  TControlStyle style = ControlStyle();
  style.Exclude(TControlStyleItem::csOpaque);
  SetControlStyle(style);
  SetBounds(Left(), Top(), 100, 50);
}

// ---- Skin data ---------------------------------------------------------------------------

void TbsSkinButtonLabel::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkin.SkinData, Value);
  if (Value != nullptr) ChangeSkinData();
}

void TbsSkinButtonLabel::ChangeSkinData() {
  FSkin.LookUp();
  Repaint();
}

void TbsSkinButtonLabel::SetDefaultFont(TFont* Value) {
  FSkin.DefaultFont->Assign(Value);
  Repaint();
}

void TbsSkinButtonLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FSkin.SkinData) {
    FSkin.SkinData = nullptr;
    FSkin.Index = -1;
  }
  if (AComponent == FImageList) FImageList = nullptr;
}

// ---- Properties ------------------------------------------------------------------------

void TbsSkinButtonLabel::SetWebStyle(bool Value) {
  FWebStyle = Value;
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) SetCursor(Value ? crHandPoint : crDefault);
}

void TbsSkinButtonLabel::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Repaint();
}

void TbsSkinButtonLabel::SetNumGlyphs(TbsNumGlyphs Value) {
  if (Value == FNumGlyphs || Value < 1) return;
  FNumGlyphs = Value;
  Repaint();
}

void TbsSkinButtonLabel::SetMargin(int32_t Value) {
  if (Value == FMargin || Value < -1) return;
  FMargin = Value;
  Repaint();
}

void TbsSkinButtonLabel::SetSpacing(int32_t Value) {
  if (Value == FSpacing) return;
  FSpacing = Value;
  Repaint();
}

void TbsSkinButtonLabel::SetLayout(TbsButtonLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Repaint();
}

void TbsSkinButtonLabel::SetImageList(TCustomImageList* Value) {
  if (Value == FImageList) return;
  if (FImageList != nullptr) FImageList->RemoveFreeNotification(this);
  FImageList = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  Repaint();
}

void TbsSkinButtonLabel::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Repaint();
}

// ---- Painting --------------------------------------------------------------------------

void TbsSkinButtonLabel::PrepareFont(TFont* F) {
  if (!FSkin.Skinned()) {
    F->Assign(FSkin.DefaultFont.get());
    if (FPointerInside) F->SetColor(FDefaultActiveFontColor);
  } else {
    SetSkinControlFont(F, FSkin.UseSkinFont, FSkin.FontName, FSkin.FontHeight, FSkin.FontStyle, FSkin.DefaultFont.get(),
                       FSkin.SkinData);
    F->SetColor(FPointerInside ? FSkin.ActiveFontColor : FSkin.FontColor);
  }
  if (!FWebStyle) return;
  TFontStyles style = F->Style();
  if (FPointerInside)
    style.Include(TFontStyle::fsUnderline);
  else
    style.Exclude(TFontStyle::fsUnderline);
  F->SetStyle(style);
}

// No background: picture and caption straight on the parent, shifted while
// pressed unless in web style.
void TbsSkinButtonLabel::Paint() {
  FSkin.LookUp();
  TCanvas* C = Canvas();
  PrepareFont(C->Font());
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  const TRect R = ClientRect();
  const bool shift = FPressed && !FWebStyle;
  if (FImageList != nullptr && FImageIndex >= 0 && FImageIndex < FImageList->Count())
    DrawImageAndText(C, R, FMargin, FSpacing, FLayout, Caption(), FImageIndex, FImageList, shift, Enabled());
  else
    DrawGlyphAndText(C, R, FMargin, FSpacing, FLayout, Caption(), FGlyph.get(), FNumGlyphs,
                     GlyphNumFor(FPressed, FPointerInside, FNumGlyphs, Enabled()), shift);
}

// ---- Messages ----------------------------------------------------------------------------

void TbsSkinButtonLabel::Press(TMessage& Message, bool Down) {
  FPressed = Down;
  Repaint();
  TGraphicControl::Dispatch(Message);
}

void TbsSkinButtonLabel::Dispatch(TMessage& Message) {
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning);
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: Press(Message, true); return;
    case WM_LBUTTONUP: Press(Message, false); return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      TGraphicControl::Dispatch(Message);
      if (designing) return;
      FPointerInside = Message.Msg == CM_MOUSEENTER;
      Repaint();
      return;
    case CM_TEXTCHANGED:
      TGraphicControl::Dispatch(Message);
      Repaint();
      return;
    default: TGraphicControl::Dispatch(Message); return;
  }
}
