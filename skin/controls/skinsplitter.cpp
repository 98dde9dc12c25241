#include "skin/controls/skinsplitter.h"

#include <memory>

#include "platform/rtl/arith.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/engine/data/skinimage.h"

// ---- TbsSkinSplitter -------------------------------------------------------------------

TbsSkinSplitter::TbsSkinSplitter(TComponent* AOwner) : TSplitter(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csOpaque);
  SetControlStyle(style);
}

void TbsSkinSplitter::Notification(TComponent* AComponent, TOperation Operation) {
  TSplitter::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

void TbsSkinSplitter::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkinData, Value);
  ChangeSkinData();
}

void TbsSkinSplitter::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  TControlStyle style = ControlStyle();
  if (Value)
    style.Exclude(TControlStyleItem::csOpaque);
  else
    style.Include(TControlStyleItem::csOpaque);
  SetControlStyle(style);
  Invalidate();
}

void TbsSkinSplitter::GetSkinData() {
  FSkinIndex = SkinDescriptionIndex(FSkinData, FSkinDataName);
  FSourcePicture = nullptr;
  if (FSkinIndex == -1) return;
  auto* D = dynamic_cast<TbsDataSkinSplitterControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D == nullptr) return;
  FLTPoint = D->LeftTopPoint;
  FRTPoint = D->RightTopPoint;
  FLBPoint = D->LeftBottomPoint;
  FSkinRect = D->SkinRect;
  FStretchEffect = D->StretchEffect;
  FSourcePicture = SkinActivePicture(FSkinData, D->PictureIndex);
  FGripperRect = D->GripperRect;
  FGripperTransparent = D->GripperTransparent;
  FGripperTransparentColor = D->GripperTransparentColor;
}

void TbsSkinSplitter::ChangeSkinData() {
  GetSkinData();
  const bool plain = FSkinIndex == -1 || FTransparent;
  if (AlongTop())
    SetHeight(plain ? FDefaultSize : FSkinRect.Height());
  else
    SetWidth(plain ? FDefaultSize : FSkinRect.Width());
  Invalidate();
}

void TbsSkinSplitter::DrawGripper(TBitmap* B) {
  if (IsRectEmpty(FGripperRect)) return;
  TBitmap grip;
  grip.SetSize(FGripperRect.Width(), FGripperRect.Height());
  grip.Canvas()->CopyRect(TRect{0, 0, grip.Width(), grip.Height()}, FSourcePicture->Canvas(), FGripperRect);
  if (FGripperTransparent) {
    grip.SetTransparentColor(FGripperTransparentColor);
    grip.SetTransparent(true);
  }
  B->Canvas()->Draw(Div(B->Width(), 2) - Div(grip.Width(), 2), Div(B->Height(), 2) - Div(grip.Height(), 2), &grip);
}

void TbsSkinSplitter::Paint() {
  if (FTransparent || Width() < 1 || Height() < 1) return;
  GetSkinData();
  if (FSkinIndex == -1 || FSourcePicture == nullptr || Align() == TAlign::alNone || Align() == TAlign::alClient) {
    TSplitter::Paint();
    return;
  }
  TBitmap B;
  if (AlongTop())
    BuildHSkinImage(FLTPoint.X, FSkinRect.Width() - FRTPoint.X, &B, FSourcePicture, FSkinRect, Width(), Height(),
                    FStretchEffect);
  else
    BuildVSkinImage(FLTPoint.Y, FSkinRect.Height() - FLBPoint.Y, &B, FSourcePicture, FSkinRect, Width(), Height(),
                    FStretchEffect);
  DrawGripper(&B);
  Canvas()->Draw(0, 0, &B);
}

// ---- TbsSkinBevel ----------------------------------------------------------------------

TbsSkinBevel::TbsSkinBevel(TComponent* AOwner) : TBevel(AOwner) {}

void TbsSkinBevel::Notification(TComponent* AComponent, TOperation Operation) {
  TBevel::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

void TbsSkinBevel::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkinData, Value);
  ChangeSkinData();
}

void TbsSkinBevel::ChangeSkinData() {
  FSkinIndex = SkinDescriptionIndex(FSkinData, FSkinDataName);
  if (FSkinIndex == -1) {
    FLightColor = clBtnHighlight;
    FDarkColor = clBtnShadow;
  } else if (auto* D = dynamic_cast<TbsDataSkinBevel*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get())) {
    FLightColor = D->LightColor;
    FDarkColor = D->DarkColor;
  }
  Invalidate();
}

void TbsSkinBevel::SetDividerMode(bool Value) {
  FDividerMode = Value;
  Invalidate();
}

void TbsSkinBevel::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  CentreOnToolBar(this, ATop, AHeight);
  TBevel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TbsSkinBevel::Paint() {
  if (!FDividerMode) {
    TBevel::Paint();
    return;
  }
  const TColor c1 = Style() == TBevelStyle::bsLowered ? FDarkColor : FLightColor;
  const TColor c2 = Style() == TBevelStyle::bsLowered ? FLightColor : FDarkColor;
  TCanvas* canvas = TGraphicControl::Canvas();
  canvas->Pen()->SetStyle(TPenStyle::psSolid);
  canvas->Pen()->SetMode(TPenMode::pmCopy);
  canvas->Pen()->SetWidth(1);
  const int32_t w = Width(), h = Height();
  switch (Shape()) {
    case TBevelShape::bsSpacer: return;
    case TBevelShape::bsTopLine:
    case TBevelShape::bsBottomLine: DrawBevelRect(TRect{2, Div(h, 2) - 1, w - 2, Div(h, 2)}, c1, c2); return;
    default: DrawBevelRect(TRect{Div(w, 2) - 1, 2, Div(w, 2), h - 2}, c1, c2); return;
  }
}
