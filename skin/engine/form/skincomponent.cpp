#include "skin/engine/form/skincomponent.h"

#include "skin/controls/base/skinintf.h"

void TbsSkinComponent::SetSkinData(TbsSkinData* Value) {
  FSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsSkinComponent::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}

// ---- TbsSkinFrame ---------------------------------------------------------------------------------

TbsSkinFrame::TbsSkinFrame(TComponent* AOwner) : TbsSkinComponent(AOwner), FFrame(dynamic_cast<TFrame*>(AOwner)) {
  if (FFrame == nullptr) return;
  FFrame->SetAutoScroll(false);
  FFrame->SetAutoSize(false);
  if (Designing()) return;
  FSavedFrameProc = FFrame->WindowProc;
  FFrame->WindowProc = [this](TMessage& Message) { FrameWindowProc(Message); };
}

TbsSkinFrame::~TbsSkinFrame() {
  if (FFrame != nullptr && !Designing()) FFrame->WindowProc = FSavedFrameProc;
}

void TbsSkinFrame::Notification(TComponent* AComponent, TOperation Operation) {
  TbsSkinComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FCtrlsSkinData) FCtrlsSkinData = nullptr;
}

void TbsSkinFrame::ChangeSkinData() {
  if (FFrame != nullptr && !Designing()) FFrame->Invalidate();
}

void TbsSkinFrame::SetCtrlsSkinData(TbsSkinData* Value) {
  if (Value == FCtrlsSkinData) return;
  FCtrlsSkinData = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  if (FFrame == nullptr) return;
  for (int32_t i = 0; i < FFrame->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TControl*>(FFrame->Components(i))) ApplyCtrlsSkinData(c);
}

// Every skinned control kind reaches its SetSkinData through the one
// interface the form's skin-change walk uses too.
void TbsSkinFrame::ApplyCtrlsSkinData(TControl* Control) {
  auto* aware = dynamic_cast<IbsSkinAware*>(Control);
  if (aware != nullptr && aware->SkinData() != FCtrlsSkinData) aware->SetSkinData(FCtrlsSkinData);
}

// The background is the component's: the frame's own erase never runs.
void TbsSkinFrame::FrameWindowProc(TMessage& Message) {
  if (Message.Msg != WM_ERASEBKGND) {
    if (FSavedFrameProc) FSavedFrameProc(Message);
    return;
  }
  if (FDrawBackground) PaintFrameBackground(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

namespace {

// Tiles or stretches Tile over a W x H area from (0, 0).
void PaintTiled(TCanvas* C, TBitmap* Tile, int32_t W, int32_t H, const TbsSkinFormInfo& FI) {
  const int32_t tw = Tile->Width(), th = Tile->Height();
  if (W <= 0 || H <= 0 || tw <= 0 || th <= 0) return;
  if (!FI.StretchEffect) {
    for (int32_t i = 0; i <= W / tw; ++i)
      for (int32_t j = 0; j <= H / th; ++j) C->Draw(i * tw, j * th, Tile);
    return;
  }
  switch (FI.StretchType) {
    case TbsStretchType::stFull: C->StretchDraw(TRect{0, 0, W, H}, Tile); break;
    case TbsStretchType::stHorz:
      for (int32_t i = 0; i <= W / tw; ++i) C->StretchDraw(TRect{i * tw, 0, (i + 1) * tw, H}, Tile);
      break;
    case TbsStretchType::stVert:
      for (int32_t j = 0; j <= H / th; ++j) C->StretchDraw(TRect{0, j * th, W, (j + 1) * th}, Tile);
      break;
  }
}

}  // namespace

// Unlike the form, the frame stretches over its client size and shows no
// logo.
void TbsSkinFrame::PaintFrameBackground(HDC DC) {
  if (FFrame == nullptr || DC == nullptr) return;
  const TRect client{0, 0, FFrame->ClientWidth(), FFrame->ClientHeight()};
  TCanvas c;
  c.SetHandle(DC);
  TBitmap tile;
  const bool skinned = FSkinData != nullptr && !FSkinData->Empty;
  const int32_t index = skinned ? FSkinData->FormInfo.BGPictureIndex : -1;
  // An index that names no picture counts as -1, as for the form.
  if (skinned && index >= 0 && index < int32_t(FSkinData->ActivePictures.size()) &&
      !FSkinData->ActivePictures[size_t(index)]->Empty()) {
    tile.Assign(FSkinData->ActivePictures[size_t(index)].get());
  } else if (skinned && !IsRectEmpty(FSkinData->FormInfo.ClientRect)) {
    const TRect& r = FSkinData->FormInfo.ClientRect;
    tile.SetSize(r.Width(), r.Height());
    tile.Canvas()->CopyRect(TRect{0, 0, r.Width(), r.Height()}, FSkinData->MainPicture->Canvas(), r);
  }
  if (tile.Empty()) {
    c.Brush()->SetColor(clBtnFace);
    c.FillRect(client);
  } else {
    PaintTiled(&c, &tile, client.Width(), client.Height(), FSkinData->FormInfo);
  }
  c.SetHandle(nullptr);
}
