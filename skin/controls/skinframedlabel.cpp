#include "skin/controls/skinframedlabel.h"

#include "platform/gui/syscolors.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

// ---- TbsSkinLabel --------------------------------------------------------------------

TbsSkinLabel::TbsSkinLabel(TComponent* AOwner) : TbsSkinCustomControl(AOwner) {
  SetBounds(Left(), Top(), 75, 21);
  SetSkinDataName("label");
}

void TbsSkinLabel::SetEllipsType(TbsEllipsType2 Value) {
  if (Value == FEllipsType) return;
  FEllipsType = Value;
  Invalidate();
}

void TbsSkinLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Repaint();
}

void TbsSkinLabel::SetBorderStyle(TbsSkinBorderStyle Value) {
  FBorderStyle = Value;
  if (!Skinned()) Repaint();
  if (Parent() != nullptr) Parent()->Realign();
}

void TbsSkinLabel::SetAutoSize(bool Value) {
  if (Value != AutoSize())
    TbsSkinCustomControl::SetAutoSize(Value);
  else if (Value)
    AdjustSize();
}

void TbsSkinLabel::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  FHasSkinFont = false;
  if (!Skinned()) return;
  if (auto* D = dynamic_cast<TbsDataSkinLabelControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get())) {
    FHasSkinFont = true;
    FFontName = D->FontName;
    FFontStyle = D->FontStyle;
    FFontHeight = D->FontHeight;
    FFontColor = D->FontColor;
  }
  // A fixed-size frame cannot follow its caption.
  if (FResizeMode == 0 && AutoSize()) SetAutoSize(false);
}

void TbsSkinLabel::CalcLabelGeometry(int32_t& AWidth, int32_t& AHeight) {
  if (FUseSkinSize || FResizeMode == 1) {
    TbsSkinCustomControl::CalcSize(AWidth, AHeight);
    return;
  }
  if (!Skinned()) return;
  // Free size: only the horizontal geometry follows the width.
  const int32_t dW = AWidth - RectWidth(FSkinRect);
  FSizedLeftTop = FLeftTop;
  FSizedRightTop = TPoint{FRightTop.X + dW, FRightTop.Y};
  FSizedClientRect = FSkinClientRect;
  FSizedClientRect.Right += dW;
}

void TbsSkinLabel::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  CalcLabelGeometry(AWidth, AHeight);
  if (!AutoSize() || !WidthFollowsCaption()) return;
  const int32_t delta = GetAutoSizeDelta();
  if (delta > 0) AWidth += delta;
}

void TbsSkinLabel::SetControlRegion() {
  if (FUseSkinSize) TbsSkinCustomControl::SetControlRegion();
}

bool TbsSkinLabel::WidthFollowsCaption() const {
  const TAlign a = Align();
  return a != TAlign::alTop && a != TAlign::alBottom && a != TAlign::alClient;
}

void TbsSkinLabel::AdjustSize() {
  if (!WidthFollowsCaption()) return;
  GetSkinData();
  int32_t w = Width(), h = Height();
  CalcLabelGeometry(w, h);
  const int32_t delta = GetAutoSizeDelta();
  if (delta != 0) SetWidth(Width() + delta);
}

int32_t TbsSkinLabel::GetAutoSizeDelta() {
  if (!Skinned()) return CaptionWidth() + 4 - Width();
  if (FResizeMode == 0) return 0;
  return CaptionWidth() - RectWidth(FSizedClientRect);
}

void TbsSkinLabel::PrepareFont(TFont* F) {
  const bool skinFont = Skinned() && FHasSkinFont;
  SetSkinControlFont(F, skinFont && UseSkinFont(), FFontName, FFontHeight, FFontStyle, DefaultFont(), FSkinData);
  F->SetColor(skinFont && FUseSkinFontColor ? FFontColor : DefaultFont()->Color());
}

int32_t TbsSkinLabel::CaptionWidth() {
  TBitmap measure;
  measure.SetSize(1, 1);
  PrepareFont(measure.Canvas()->Font());
  return measure.Canvas()->TextWidth(Caption());
}

void TbsSkinLabel::DrawLabelText(TCanvas* C, const TRect& R) {
  PrepareFont(C->Font());
  String text = Caption();
  if (FEllipsType == TbsEllipsType2::bsetEllips) TrimTextToWidth(C, text, RectWidth(R));
  const int32_t tw = C->TextWidth(text), th = C->TextHeight(text);
  const int32_t y = R.Top + RectHeight(R) / 2 - th / 2;
  int32_t x = R.Left;
  if (FAlignment == TAlignment::taRightJustify)
    x = R.Right - tw;
  else if (FAlignment == TAlignment::taCenter)
    x = R.Left + RectWidth(R) / 2 - tw / 2;
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  C->TextRect(R, x, y, text);
}

TRect TbsSkinLabel::CreatePlainFrame(TBitmap* B) {
  TCanvas* C = B->Canvas();
  const TRect R{0, 0, B->Width(), B->Height()};
  C->Brush()->SetStyle(TBrushStyle::bsSolid);
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(R);
  switch (FBorderStyle) {
    case TbsSkinBorderStyle::bvFrame: DrawFrame3D(C, R, clBtnShadow, clBtnShadow); break;
    case TbsSkinBorderStyle::bvRaised: DrawFrame3D(C, R, clBtnHighlight, clBtnShadow); break;
    case TbsSkinBorderStyle::bvLowered: DrawFrame3D(C, R, clBtnShadow, clBtnHighlight); break;
    case TbsSkinBorderStyle::bvNone: break;
  }
  return TRect{3, 3, B->Width() - 3, B->Height() - 3};
}

TRect TbsSkinLabel::CreateFrameImage(TBitmap* B, bool AllowFreeSize) {
  TRect text = FSizedClientRect;
  if (!AllowFreeSize || FUseSkinSize || FResizeMode == 1) {
    CreateSkinImageFrom(B, FPicture, FSkinRect);
  } else {
    BuildStretchedSkinImage(B, FPicture, FSkinRect, FSkinClientRect, true);
    text.Bottom += Height() - RectHeight(FSkinRect);
  }
  return text;
}

void TbsSkinLabel::CreateControlDefaultImage(TBitmap* B) { DrawLabelText(B->Canvas(), CreatePlainFrame(B)); }

void TbsSkinLabel::CreateControlSkinImage(TBitmap* B) {
  if (FPicture == nullptr) {
    CreateControlDefaultImage(B);
    return;
  }
  DrawLabelText(B->Canvas(), CreateFrameImage(B, true));
}

void TbsSkinLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      if (!FInPaintMessage && Message.WParam != 0) PaintWindow(reinterpret_cast<HDC>(Message.WParam));
      Message.Result = 1;
      break;
    case CM_TEXTCHANGED:
      TbsSkinCustomControl::Dispatch(Message);
      if (AutoSize()) AdjustSize();
      Repaint();
      break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}

// ---- TbsSkinStatusPanel -----------------------------------------------------------------

TbsSkinStatusPanel::TbsSkinStatusPanel(TComponent* AOwner) : TbsSkinLabel(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetWidth(120);
  SetSkinDataName("statuspanel");
}

void TbsSkinStatusPanel::SetImageList(TCustomImageList* Value) {
  if (Value == FImageList) return;
  if (FImageList != nullptr) FImageList->RemoveFreeNotification(this);
  FImageList = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  Repaint();
}

void TbsSkinStatusPanel::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Repaint();
}

void TbsSkinStatusPanel::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  PictureChanged();
}

void TbsSkinStatusPanel::SetNumGlyphs(int32_t Value) {
  FNumGlyphs = Value < 1 ? 1 : Value > 2 ? 2 : Value;
  PictureChanged();
}

void TbsSkinStatusPanel::PictureChanged() {
  Repaint();
  if (AutoSize()) AdjustSize();
}

void TbsSkinStatusPanel::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinLabel::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImageList) FImageList = nullptr;
}

void TbsSkinStatusPanel::Dispatch(TMessage& Message) {
  TbsSkinLabel::Dispatch(Message);
  if (Message.Msg == CM_ENABLEDCHANGED) Repaint();
}

bool TbsSkinStatusPanel::ShowsListImage() const {
  return FGlyph->Empty() && FImageList != nullptr && FImageIndex >= 0 && FImageIndex < FImageList->Count();
}

int32_t TbsSkinStatusPanel::PictureRoom() const {
  if (ShowsListImage()) return FImageList->Width() + 3;
  if (!FGlyph->Empty()) return FGlyph->Width() / FNumGlyphs + 3;
  return 0;
}

int32_t TbsSkinStatusPanel::GetAutoSizeDelta() {
  if (Skinned() && FResizeMode == 0) return 0;
  return TbsSkinLabel::GetAutoSizeDelta() + PictureRoom();
}

int32_t TbsSkinStatusPanel::DrawPicture(TCanvas* C, const TRect& Area, int32_t X) {
  if (ShowsListImage()) {
    FImageList->Draw(C, X, Area.Top + RectHeight(Area) / 2 - FImageList->Height() / 2, FImageIndex, Enabled());
    return FImageList->Width() + 2;
  }
  if (FGlyph->Empty()) return 0;
  // The strip's second image only for a disabled panel that has one.
  const int32_t index = !Enabled() && FNumGlyphs == 2 ? 2 : 1;
  DrawStripGlyph(C, X, Area.Top + RectHeight(Area) / 2 - FGlyph->Height() / 2, FGlyph.get(), FNumGlyphs, index);
  return FGlyph->Width() / FNumGlyphs + 2;
}

void TbsSkinStatusPanel::CreateControlDefaultImage(TBitmap* B) {
  TRect text = CreatePlainFrame(B);
  text.Left += DrawPicture(B->Canvas(), TRect{0, 0, B->Width(), B->Height()}, 3);
  DrawLabelText(B->Canvas(), text);
}

void TbsSkinStatusPanel::CreateControlSkinImage(TBitmap* B) {
  if (FPicture == nullptr) {
    CreateControlDefaultImage(B);
    return;
  }
  TRect text = CreateFrameImage(B, false);
  text.Left += DrawPicture(B->Canvas(), text, text.Left);
  DrawLabelText(B->Canvas(), text);
}
