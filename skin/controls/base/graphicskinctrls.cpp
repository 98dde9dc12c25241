#include "skin/controls/base/graphicskinctrls.h"

#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"

// ---- TbsGraphicSkinControl -------------------------------------------------------------

TbsGraphicSkinControl::TbsGraphicSkinControl(TComponent* AOwner) : TGraphicControl(AOwner) {
  TControlStyle style = ControlStyle();
  style.Include(TControlStyleItem::csOpaque);
  SetControlStyle(style);
}

void TbsGraphicSkinControl::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkinData, Value);
  if (SkinDataReady(Value)) ChangeSkinData();
}

void TbsGraphicSkinControl::GetSkinData() { FSkinIndex = SkinDescriptionIndex(FSkinData, FSkinDataName); }

void TbsGraphicSkinControl::ChangeSkinData() {
  GetSkinData();
  Repaint();
}

void TbsGraphicSkinControl::Dispatch(TMessage& Message) {
  TGraphicControl::Dispatch(Message);
  if (Message.Msg == CM_MOUSEENTER && OnMouseEnter) OnMouseEnter(this);
  if (Message.Msg == CM_MOUSELEAVE && OnMouseLeave) OnMouseLeave(this);
}

void TbsGraphicSkinControl::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  TBitmap B;
  B.SetSize(Width(), Height());
  if (FSkinIndex == -1)
    CreateControlDefaultImage(&B);
  else
    CreateControlSkinImage(&B);
  Canvas()->Draw(0, 0, &B);
}

void TbsGraphicSkinControl::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) {
    FSkinData = nullptr;
    FSkinIndex = -1;
  }
}

// ---- TbsGraphicSkinCustomControl ---------------------------------------------------------

TbsGraphicSkinCustomControl::TbsGraphicSkinCustomControl(TComponent* AOwner)
    : TbsGraphicSkinControl(AOwner), FDefaultFont(CreateSkinDefaultFont()) {
  FDefaultFont->OnChange = [this](TObject* Sender) { DefaultFontChange(Sender); };
}

TbsGraphicSkinCustomControl::~TbsGraphicSkinCustomControl() { FDefaultFont->OnChange = nullptr; }

void TbsGraphicSkinCustomControl::DefaultFontChange(TObject*) {
  DefaultFontChanged();
  if (FSkinIndex == -1) Repaint();
}

void TbsGraphicSkinCustomControl::SetDefaultFont(TFont* Value) {
  FDefaultFont->Assign(Value);
  DefaultFontChanged();
}

void TbsGraphicSkinCustomControl::SetDefaultWidth(int32_t Value) {
  FDefaultWidth = Value;
  if (FSkinIndex == -1 && Value > 0) SetWidth(Value);
}

void TbsGraphicSkinCustomControl::SetDefaultHeight(int32_t Value) {
  FDefaultHeight = Value;
  if (FSkinIndex == -1 && Value > 0) SetHeight(Value);
}

void TbsGraphicSkinCustomControl::GetSkinData() {
  TbsGraphicSkinControl::GetSkinData();
  if (FSkinIndex != -1) CopyGeometry(FSkinData, FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
}

void TbsGraphicSkinCustomControl::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FSkinIndex != -1) CalcGeometry(AWidth, AHeight);
}

void TbsGraphicSkinCustomControl::ChangeSkinData() {
  GetSkinData();
  const int32_t oldW = Width(), oldH = Height();
  int32_t w = oldW, h = oldH;
  if (FSkinIndex == -1) {
    if (FDefaultWidth > 0) SetWidth(FDefaultWidth);
    if (FDefaultHeight > 0) SetHeight(FDefaultHeight);
  } else {
    CalcSize(w, h);
    if (w != Width()) SetWidth(w);
    if (h != Height()) SetHeight(h);
  }
  if (FSkinIndex == -1 || (w == oldW && h == oldH)) Repaint();
}

void TbsGraphicSkinCustomControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  GetSkinData();
  const bool skinnedResize = FSkinIndex != -1 && (AWidth != Width() || AHeight != Height());
  if (skinnedResize) {
    CalcSize(AWidth, AHeight);
    if (FResizeMode == 0) FSizedClientRect = FSkinClientRect;
  }
  CentreOnToolBar(this, ATop, AHeight);
  TbsGraphicSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (skinnedResize) Repaint();
}

void TbsGraphicSkinCustomControl::CreateControlDefaultImage(TBitmap* B) {
  B->Canvas()->Brush()->SetColor(clBtnFace);
  B->Canvas()->FillRect(TRect{0, 0, B->Width(), B->Height()});
}

void TbsGraphicSkinCustomControl::CreateControlSkinImage(TBitmap* B) {
  if (FPicture == nullptr)
    CreateControlDefaultImage(B);
  else
    CreateSkinImageFrom(B, FPicture, FSkinRect);
}

void TbsGraphicSkinCustomControl::CreateSkinImageFrom(TBitmap* B, TBitmap* Picture, const TRect& R) {
  if (Picture != nullptr) ComposeSkinImage(B, Picture, R, Width(), Height(), true);
}
