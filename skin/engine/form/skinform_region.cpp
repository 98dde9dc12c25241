// The window region cut from the skin's mask, the frame's update after a
// size or skin change, the client background and logo, the small icon and
// the alpha blending with its fade-in.
#include "platform/gui/win_paint.h"
#include "platform/rtl/clock.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/form/skinform.h"

namespace {

// The black pixels of a mask strip placed at (X, Y), or nullptr.
HRGN StripRegion(TBitmap* Mask, int32_t X, int32_t Y) {
  if (Mask->Empty()) return nullptr;
  std::vector<uint8_t> data;
  const int32_t size = MaskToRegionData(Mask, X, Y, data);
  if (size == 0) return nullptr;
  return ExtCreateRegion(nullptr, uint32_t(size), reinterpret_cast<const RGNDATA*>(data.data()));
}

constexpr uint32_t kFadeTimer = 1;

}  // namespace

// ---- The region ---------------------------------------------------------------------------------------

// The window owns every region it is given and deletes it when the next one
// comes: FRegion only records what was installed.
void TbsSkinForm::InstallRegion(HRGN Region) {
  if (Region == nullptr && FRegion == nullptr) return;
  FRegion = Region;
  if (FOwnerForm->HandleAllocated())
    SetWindowRgn(FOwnerForm->Handle(), Region, true);
  else if (Region != nullptr)
    DeleteObject(Region), FRegion = nullptr;
}

void TbsSkinForm::SetSkinRegion() {
  const bool skinnedFrame = FSkinnable && FOwnerForm->BorderStyle() != TBorderStyle::bsNone;
  if (!skinnedFrame) return InstallRegion(nullptr);
  if (FFrameWidth == 0) FFrameWidth = FOwnerForm->Width();
  if (FFrameHeight == 0) FFrameHeight = FOwnerForm->Height();
  const bool masked = FSkinData != nullptr && !FSkinData->Empty && !FSkinData->MaskPicture->Empty();
  if (masked && IsMaximizedMDIChild()) return InstallRegion(nullptr);
  if (FSkinData == nullptr) {
    for (TBitmap* m : {FMaskTop.get(), FMaskBottom.get(), FMaskLeft.get(), FMaskRight.get()}) m->SetSize(0, 0);
    return InstallRegion(CreateRectRgn(0, 0, FFrameWidth, FFrameHeight));
  }
  if (!masked) return InstallRegion(CreateRectRgn(0, 0, FFrameWidth, FFrameHeight));
  InstallRegion(BuildMaskRegion());
}

HRGN TbsSkinForm::BuildMaskRegion() {
  CalcSizedGeometry();
  const TbsSkinFormInfo& fi = FSkinData->FormInfo;
  BuildSkinMask(fi.LeftTopPoint, fi.RightTopPoint, fi.LeftBottomPoint, fi.RightBottomPoint, fi.MaskRectArea,
                FSizedLeftTop, FSizedRightTop, FSizedLeftBottom, FSizedRightBottom, FSizedMaskArea,
                FSkinData->MaskPicture.get(), FMaskTop.get(), FMaskLeft.get(), FMaskRight.get(), FMaskBottom.get(),
                FFrameWidth, FFrameHeight);
  HRGN result = CreateRectRgn(FSizedMaskArea.Left, FSizedMaskArea.Top, FSizedMaskArea.Right, FSizedMaskArea.Bottom);
  const HRGN parts[] = {StripRegion(FMaskTop.get(), 0, 0), StripRegion(FMaskBottom.get(), 0, FSizedMaskArea.Bottom),
                        StripRegion(FMaskLeft.get(), 0, FSizedMaskArea.Top),
                        StripRegion(FMaskRight.get(), FSizedMaskArea.Right, FSizedMaskArea.Top)};
  for (HRGN part : parts) {
    if (part == nullptr) continue;
    CombineRgn(result, result, part, RGN_OR);
    DeleteObject(part);
  }
  return result;
}

void TbsSkinForm::UpdateSkinFrame(bool DoArrange) {
  if (Designing() || FSkinData == nullptr || FSkinData->Empty) return;
  const bool skinnedFrame = FSkinnable && FOwnerForm->BorderStyle() != TBorderStyle::bsNone;
  if (skinnedFrame) {
    CalcSizedGeometry();
    if (DoArrange) ArrangeObjects();
  }
  SetSkinRegion();
  if (FRegion == nullptr && skinnedFrame) RepaintFrame();
  if (FSkinActive && FSkinData->FormInfo.StretchEffect && FOwnerForm->HandleAllocated()) {
    FOwnerForm->Invalidate();
    for (int32_t i = 0; i < FOwnerForm->ControlCount(); ++i)
      if (auto* w = dynamic_cast<TWinControl*>(FOwnerForm->Controls(i)); w != nullptr && w->HandleAllocated())
        SendMessage(w->Handle(), WM_SKIN_PARENTCHANGED, 0, 0);
  }
}

// ---- WM_SIZE ----------------------------------------------------------------------------------------

bool TbsSkinForm::HasLogo() const { return !FLogoBitMap->Empty() && !IsMDIFrame(); }

void TbsSkinForm::WMSize(TMessage& Message) {
  FMagnetLeft = FMagnetTop = FMagnetRight = FMagnetBottom = false;
  if (FInSizeMove && FFullDrag) {
    if (HasLogo()) FOwnerForm->Invalidate();
    return CallOld(Message);
  }
  CallOld(Message);
  FFrameWidth = FOwnerForm->Width();
  FFrameHeight = FOwnerForm->Height();
  if (!FSkinActive)
    RepaintFrame();
  else if (FFrameWidth >= GetMinWidth() && FFrameHeight >= GetMinHeight())
    UpdateSkinFrame(true);
  if (FAlphaBlend && FAlphaBlendValue != 255 && FOwnerForm->HandleAllocated()) {
    RepaintFrame();
    FOwnerForm->Invalidate();
  }
  if (HasLogo() && FOwnerForm->HandleAllocated()) FOwnerForm->Invalidate();
}

// ---- Client background and logo ---------------------------------------------------------------

void TbsSkinForm::PaintClientBackground(HDC DC) {
  if (DC == nullptr || !FOwnerForm->HandleAllocated()) return;
  TRect client;
  GetClientRect(FOwnerForm->Handle(), &client);
  TCanvas c;
  c.SetHandle(DC);
  if (!FSkinActive) {
    c.Brush()->SetColor(clBtnFace);
    c.FillRect(client);
    DrawLogo(&c);
  } else if (PaintSkinBackground(&c, client)) {
    DrawLogo(&c);
  }
  c.SetHandle(nullptr);
}

// The tile: the active picture bgpictureindex names, or the client part of
// the frame picture; an index that names no picture counts as -1. False
// when there is nothing to tile (clBtnFace then, and no logo).
bool TbsSkinForm::PaintSkinBackground(TCanvas* C, const TRect& Client) {
  const TbsSkinFormInfo& fi = FSkinData->FormInfo;
  const int32_t index = fi.BGPictureIndex;
  TBitmap tile;
  if (index >= 0 && index < int32_t(FSkinData->ActivePictures.size()) &&
      !FSkinData->ActivePictures[size_t(index)]->Empty()) {
    tile.Assign(FSkinData->ActivePictures[size_t(index)].get());
  } else if (IsRectEmpty(fi.ClientRect)) {
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(Client);
    return false;
  } else {
    tile.SetSize(fi.ClientRect.Width(), fi.ClientRect.Height());
    tile.Canvas()->CopyRect(TRect{0, 0, tile.Width(), tile.Height()}, FSkinData->MainPicture->Canvas(), fi.ClientRect);
  }
  if (Client.Width() <= 0 || Client.Height() <= 0 || tile.Width() <= 0 || tile.Height() <= 0) return true;
  const int32_t tw = tile.Width(), th = tile.Height();
  if (!fi.StretchEffect) {
    for (int32_t i = 0; i <= Client.Width() / tw; ++i)
      for (int32_t j = 0; j <= Client.Height() / th; ++j) C->Draw(i * tw, j * th, &tile);
    return true;
  }
  // Stretching goes by the frame's outer size.
  switch (fi.StretchType) {
    case TbsStretchType::stFull: C->StretchDraw(TRect{0, 0, FFrameWidth, FFrameHeight}, &tile); break;
    case TbsStretchType::stHorz:
      for (int32_t i = 0; i <= FFrameWidth / tw; ++i)
        C->StretchDraw(TRect{i * tw, 0, (i + 1) * tw, FFrameHeight}, &tile);
      break;
    case TbsStretchType::stVert:
      for (int32_t j = 0; j <= FFrameHeight / th; ++j)
        C->StretchDraw(TRect{0, j * th, FFrameWidth, (j + 1) * th}, &tile);
      break;
  }
  return true;
}

void TbsSkinForm::DrawLogo(TCanvas* C) {
  if (FLogoBitMap->Empty()) return;
  const int32_t x = std::max(0, FOwnerForm->ClientWidth() / 2 - FLogoBitMap->Width() / 2);
  const int32_t y = std::max(0, FOwnerForm->ClientHeight() / 2 - FLogoBitMap->Height() / 2);
  if (FLogoBitMap->Transparent() != LogoBitMapTransparent) FLogoBitMap->SetTransparent(LogoBitMapTransparent);
  C->Draw(x, y, FLogoBitMap.get());
}

// ---- Small icon ------------------------------------------------------------------------------------

TSize TbsSkinForm::GetSmallIconSize() const {
  int32_t w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  if (w == 0) w = GetSystemMetrics(SM_CXSIZE);
  if (h == 0) h = GetSystemMetrics(SM_CYSIZE);
  return TSize{w, h};
}

void TbsSkinForm::LoadSmallIcon() {
  if (FSmallIcon) return;
  FSmallIcon = std::make_unique<TIcon>();
  HICON source = nullptr;
  bool destroy = false;
  if (FOwnerForm->Icon() != nullptr && FOwnerForm->Icon()->Handle() != nullptr)
    source = FOwnerForm->Icon()->Handle();
  else if (Application != nullptr && Application->Icon() != nullptr && Application->Icon()->Handle() != nullptr)
    source = Application->Icon()->Handle();
  else
    source = LoadIcon(nullptr, IDI_APPLICATION), destroy = true;
  if (source == nullptr) return;
  const TSize s = GetSmallIconSize();
  FSmallIcon->SetHandle(static_cast<HICON>(CopyImage(source, IMAGE_ICON, s.cx, s.cy, LR_COPYFROMRESOURCE)));
  if (destroy) DestroyIcon(source);
}

void TbsSkinForm::DrawSmallIcon(TCanvas* C, int32_t X, int32_t Y) {
  LoadSmallIcon();
  if (FSmallIcon->Handle() != nullptr) DrawIconEx(C->Handle(), X, Y, FSmallIcon->Handle(), 0, 0, 0, nullptr, DI_NORMAL);
}

// ---- Alpha blending -----------------------------------------------------------------------------

void TbsSkinForm::SetLayered(bool Value) {
  if (!FOwnerForm->HandleAllocated()) return;
  const HWND h = FOwnerForm->Handle();
  const intptr_t ex = GetWindowLong(h, GWL_EXSTYLE);
  const intptr_t next = Value ? (ex | WS_EX_LAYERED) : (ex & ~intptr_t(WS_EX_LAYERED));
  if (next != ex) SetWindowLong(h, GWL_EXSTYLE, next);
}

void TbsSkinForm::SetAlphaBlend(bool Value) {
  FAlphaBlend = Value;
  const TComponentState state = ComponentState();
  if (state.Contains(TComponentStateItem::csDesigning) || state.Contains(TComponentStateItem::csLoading)) return;
  SetLayered(Value);
  if (Value && FOwnerForm->HandleAllocated())
    SetLayeredWindowAttributes(FOwnerForm->Handle(), 0, FAlphaBlendValue, LWA_ALPHA);
}

void TbsSkinForm::SetAlphaBlendValue(uint8_t Value) {
  FAlphaBlendValue = Value;
  if (FAlphaBlend && FOwnerForm->HandleAllocated())
    SetLayeredWindowAttributes(FOwnerForm->Handle(), 0, Value, LWA_ALPHA);
}

void TbsSkinForm::WMShowWindow(TMessage& Message) {
  if (Message.WParam != 0 && FOwnerForm->Menu() != nullptr) FOwnerForm->SetMenu(nullptr);
  CallOld(Message);
  if (IsMDIChild()) Message.WParam != 0 ? AddChildMenuItem() : RemoveChildMenuItem();
  if (!FOwnerForm->HandleAllocated()) return;
  if (Message.WParam != 0 && FSkinnable) FirstShow();
  if (Message.WParam != 0 && (FAlphaBlend || AlphaBlendAnimation)) {
    SetLayered(true);
    SetLayeredWindowAttributes(FOwnerForm->Handle(), 0, 0, LWA_ALPHA);
    SetTimer(FOwnerForm->Handle(), kFadeTimer, 1, nullptr);
  } else if (Message.WParam == 0 && FAlphaBlend) {
    SetLayered(false);
  }
}

void TbsSkinForm::WMTimer(TMessage& Message) {
  if (Message.WParam != kFadeTimer || !FOwnerForm->HandleAllocated()) return CallOld(Message);
  KillTimer(FOwnerForm->Handle(), kFadeTimer);
  FadeIn();
}

// Steps of 10 whenever more than 5 ms passed, the first at once; the wait
// between them sleeps on the clock instead of spinning.
void TbsSkinForm::FadeIn() {
  const HWND h = FOwnerForm->Handle();
  const uint8_t target = FAlphaBlend ? FAlphaBlendValue : 255;
  if (AlphaBlendAnimation) {
    if (Application != nullptr) Application->ProcessMessages();
    if (!FOwnerForm->HandleAllocated()) return;
    int32_t alpha = 0;
    uint32_t last = GetTickCount() - 6;
    while (alpha < target) {
      if (GetTickCount() - last <= 5) {
        Sleep(1);
        continue;
      }
      last = GetTickCount();
      alpha = std::min<int32_t>(alpha + 10, target);
      SetLayeredWindowAttributes(h, 0, uint8_t(alpha), LWA_ALPHA);
    }
  } else {
    SetLayeredWindowAttributes(h, 0, target, LWA_ALPHA);
  }
  if (target == 255) SetLayered(false);
}
