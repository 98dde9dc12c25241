#include "skin/controls/base/skinctrls.h"

#include "platform/gui/gdi.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"
#include "skin/engine/data/skinmessages.h"

namespace {

// Clears a flag when the scope ends, also by an exception.
class TFlagScope {
 public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& FFlag;
};

// Restores a DC's saved state when the scope ends.
class TSavedDC {
 public:
  explicit TSavedDC(HDC DC) : FDC(DC), FSaved(SaveDC(DC)) {}
  ~TSavedDC() { RestoreDC(FDC, FSaved); }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC FDC;
  int32_t FSaved;
};

}  // namespace

// ---- Shared routines ------------------------------------------------------------------

int32_t SkinDescriptionIndex(TbsSkinData* SkinData, const String& Name) {
  if (SkinData == nullptr || SkinData->Empty) return -1;
  return SkinData->GetControlIndex(Name);
}

TBitmap* SkinActivePicture(TbsSkinData* SkinData, int32_t Index) {
  if (SkinData == nullptr || Index < 0 || Index >= int32_t(SkinData->ActivePictures.size())) return nullptr;
  return SkinData->ActivePictures[size_t(Index)].get();
}

void SetSkinControlFont(TFont* Target, bool UseSkinFont, const String& FontName, int32_t FontHeight,
                        TFontStyles FontStyle, TFont* DefaultFont, TbsSkinData* SkinData) {
  if (UseSkinFont) {
    Target->SetName(FontName);
    Target->SetHeight(FontHeight);
    Target->SetStyle(FontStyle);
  } else {
    Target->Assign(DefaultFont);
  }
  if (SkinData != nullptr && SkinData->ResourceStrData() != nullptr)
    Target->SetCharset(SkinData->ResourceStrData()->CharSet());
  else
    Target->SetCharset(DefaultFont->Charset());
}

std::unique_ptr<TFont> CreateSkinDefaultFont() {
  auto font = std::make_unique<TFont>();
  font->SetName("Arial");
  font->SetHeight(14);
  font->SetStyle(TFontStyles{});
  return font;
}

void ReplaceSkinDataReference(TComponent* Holder, TbsSkinData*& Field, TbsSkinData* Value) {
  if (Field == Value) return;
  if (Field != nullptr) Field->RemoveFreeNotification(Holder);
  Field = Value;
  if (Value != nullptr) Value->FreeNotification(Holder);
}

TRect GetAdjustedClientRect(TWinControl* Control) {
  TRect R{0, 0, Control->Width(), Control->Height()};
  Control->AdjustClientRectOf(R);
  return R;
}

// Every control on a tool bar that lays out its children is centred
// vertically in the bar's adjusted client area.
void CentreOnToolBar(TControl* Control, int32_t& ATop, int32_t AHeight) {
  auto* host = dynamic_cast<IbsToolBarHost*>(Control->Parent());
  if (host == nullptr || !host->AdjustControls()) return;
  const TRect R = host->AdjustedClientRect();
  ATop = R.Top + Div(R.Height(), 2) - Div(AHeight, 2);
}

// ---- TbsSkinGeometry ------------------------------------------------------------------

void TbsSkinGeometry::CopyGeometry(TbsSkinData* SkinData, TbsDataSkinControl* D) {
  auto* C = dynamic_cast<TbsDataSkinCustomControl*>(D);
  if (C == nullptr) {
    FResizeMode = 0;
    FPicture = nullptr;
    return;
  }
  FLeftTop = C->LeftTopPoint;
  FRightTop = C->RightTopPoint;
  FLeftBottom = C->LeftBottomPoint;
  FRightBottom = C->RightBottomPoint;
  FSkinRect = C->SkinRect;
  FStretchEffect = C->StretchEffect;
  FStretchType = C->StretchType;
  FLeftStretch = C->LeftStretch;
  FTopStretch = C->TopStretch;
  FRightStretch = C->RightStretch;
  FBottomStretch = C->BottomStretch;
  FSkinClientRect = C->ClientRect;
  FPicture = SkinActivePicture(SkinData, C->PictureIndex);
  FResizeMode = GetResizeMode();
}

int32_t TbsSkinGeometry::GetResizeMode() const {
  if (IsNullRect(FSkinRect)) return -1;
  if (FRightBottom.X != 0 && FRightBottom.Y != 0) return 1;
  if (FRightTop.X != 0 || FRightTop.Y != 0) return 2;
  if (FLeftBottom.X != 0 || FLeftBottom.Y != 0) return 3;
  return 0;
}

void TbsSkinGeometry::CalcGeometry(int32_t& AWidth, int32_t& AHeight) {
  if (FResizeMode == -1) return;
  const int32_t sw = RectWidth(FSkinRect), sh = RectHeight(FSkinRect);
  if (FResizeMode == 0) {
    // A description of another kind has mode 0 but no skin rect of its own.
    if (!IsNullRect(FSkinRect)) {
      AWidth = sw;
      AHeight = sh;
    }
    FSizedClientRect = FSkinClientRect;
    return;
  }
  const int32_t dW = AWidth - sw, dH = AHeight - sh;
  FSizedLeftTop = FLeftTop;
  FSizedClientRect = FSkinClientRect;
  if (FResizeMode == 1) {
    FSizedRightTop = TPoint{FRightTop.X + dW, FRightTop.Y};
    FSizedLeftBottom = TPoint{FLeftBottom.X, FLeftBottom.Y + dH};
    FSizedRightBottom = TPoint{FRightBottom.X + dW, FRightBottom.Y + dH};
    FSizedClientRect.Right += dW;
    FSizedClientRect.Bottom += dH;
  } else if (FResizeMode == 2) {
    AHeight = sh;
    FSizedRightTop = TPoint{FRightTop.X + dW, FRightTop.Y};
    FSizedClientRect.Right += dW;
  } else {
    AWidth = sw;
    FSizedLeftBottom = TPoint{FLeftBottom.X, FLeftBottom.Y + dH};
    FSizedClientRect.Bottom += dH;
  }
}

void TbsSkinGeometry::ComposeSkinImage(TBitmap* B, TBitmap* Picture, const TRect& R, int32_t W, int32_t H,
                                       bool Compose1) {
  switch (FResizeMode) {
    case 0:
      B->SetSize(RectWidth(R), RectHeight(R));
      B->Canvas()->CopyRect(TRect{0, 0, RectWidth(R), RectHeight(R)}, Picture->Canvas(), R);
      break;
    case 1:
      if (Compose1)
        BuildSkinImage(FLeftTop, FRightTop, FLeftBottom, FRightBottom, FSkinClientRect, FSizedLeftTop, FSizedRightTop,
                       FSizedLeftBottom, FSizedRightBottom, FSizedClientRect, B, Picture, R, W, H, true, FLeftStretch,
                       FTopStretch, FRightStretch, FBottomStretch, FStretchEffect, FStretchType);
      break;
    case 2: BuildHSkinImage(FLeftTop.X, RectWidth(FSkinRect) - FRightTop.X, B, Picture, R, W, H, FStretchEffect); break;
    case 3:
      BuildVSkinImage(FLeftTop.Y, RectHeight(FSkinRect) - FLeftBottom.Y, B, Picture, R, W, H, FStretchEffect);
      break;
    default: break;
  }
}

namespace {

void GrowRect(TRect& R, int32_t DRight, int32_t DBottom) {
  R.Right += DRight;
  R.Bottom += DBottom;
}

}  // namespace

void TbsSkinGeometry::MapRect(const TRect& R, TRect& NewR, int32_t W, int32_t H) const {
  NewR = R;
  const int32_t sw = RectWidth(FSkinRect), sh = RectHeight(FSkinRect);
  const int32_t dW = W - sw, dH = H - sh;
  const TPoint P{R.Left, R.Top}, Q{R.Right, R.Bottom};
  if (FResizeMode == 1) {
    const TRect TL{0, 0, FLeftTop.X, FLeftTop.Y};
    const TRect TR{FRightTop.X, 0, sw, FRightTop.Y};
    const TRect BL{0, FLeftBottom.Y, FLeftBottom.X, sh};
    const TRect BR{FRightBottom.X, FRightBottom.Y, sw, sh};
    if (RectInRect(R, TL)) return;
    if (RectInRect(R, TR)) {
      OffsetRect(NewR, dW, 0);
    } else if (RectInRect(R, BL)) {
      OffsetRect(NewR, 0, dH);
    } else if (RectInRect(R, BR)) {
      OffsetRect(NewR, dW, dH);
    } else if (PointInRect(TL, P) && PointInRect(BR, Q)) {
      GrowRect(NewR, dW, dH);
    } else if (PointInRect(TL, P) && PointInRect(TR, Q)) {
      GrowRect(NewR, dW, 0);
    } else if (PointInRect(BL, P) && PointInRect(BR, Q)) {
      GrowRect(NewR, dW, 0);
      OffsetRect(NewR, 0, dH);
    } else if (PointInRect(TL, P) && PointInRect(BL, Q)) {
      GrowRect(NewR, 0, dH);
    } else if (PointInRect(TR, P) && PointInRect(BR, Q)) {
      OffsetRect(NewR, dW, 0);
      GrowRect(NewR, 0, dH);
    }
  } else if (FResizeMode == 2) {
    if (R.Left <= FLeftTop.X && R.Right >= FRightTop.X)
      GrowRect(NewR, dW, 0);
    else if (FRightTop.X <= R.Left && FRightTop.X < R.Right)
      OffsetRect(NewR, dW, 0);
  } else if (FResizeMode == 3) {
    if (R.Top <= FLeftTop.Y && R.Bottom >= FLeftBottom.Y)
      GrowRect(NewR, 0, dH);
    else if (FLeftBottom.Y <= R.Top && FLeftBottom.Y < R.Bottom)
      OffsetRect(NewR, 0, dH);
  }
}

// ---- TbsSkinControl --------------------------------------------------------------------

TbsSkinControl::TbsSkinControl(TComponent* AOwner) : TCustomControl(AOwner) {}

void TbsSkinControl::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkinData, Value);
  if (SkinDataReady(Value)) ChangeSkinData();
}

void TbsSkinControl::GetSkinData() { FSkinIndex = SkinDescriptionIndex(FSkinData, FSkinDataName); }

void TbsSkinControl::ChangeSkinData() {
  GetSkinData();
  Repaint();
}

void TbsSkinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case CM_MOUSEENTER: CMMouseEnter(Message); break;
    case CM_MOUSELEAVE: CMMouseLeave(Message); break;
    case WM_SKIN_PARENTCHANGED: ParentBackgroundChanged(); break;
    default: TCustomControl::Dispatch(Message); break;
  }
}

void TbsSkinControl::WMPaint(TMessage& Message) {
  TFlagScope inPaint(FInPaintMessage);
  TCustomControl::Dispatch(Message);
}

void TbsSkinControl::CMMouseEnter(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TbsSkinControl::CMMouseLeave(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  if (OnMouseLeave) OnMouseLeave(this);
}

void TbsSkinControl::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  PaintImage();
}

void TbsSkinControl::PaintImage() { PaintImageTo(Canvas()); }

void TbsSkinControl::PaintImageTo(TCanvas* C) {
  TBitmap B;
  B.SetSize(Width(), Height());
  if (FSkinIndex == -1)
    CreateControlDefaultImage(&B);
  else
    CreateControlSkinImage(&B);
  C->Draw(0, 0, &B);
}

void TbsSkinControl::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) {
    FSkinData = nullptr;
    FSkinIndex = -1;
  }
}

// ---- TbsSkinCustomControl ----------------------------------------------------------------

TbsSkinCustomControl::TbsSkinCustomControl(TComponent* AOwner)
    : TbsSkinControl(AOwner), FDefaultFont(CreateSkinDefaultFont()) {
  FDefaultFont->OnChange = [this](TObject* Sender) { DefaultFontChange(Sender); };
}

TbsSkinCustomControl::~TbsSkinCustomControl() { FDefaultFont->OnChange = nullptr; }

bool TbsSkinCustomControl::TakeFocusOnPress() {
  if (Focused()) return false;
  FFocusingByMouse = true;
  if (CanFocus()) SetFocus();
  FFocusingByMouse = false;
  return !Focused();
}

void TbsSkinCustomControl::DefaultFontChange(TObject*) {
  DefaultFontChanged();
  if (FSkinIndex == -1) Repaint();
}

void TbsSkinCustomControl::SetDefaultFont(TFont* Value) {
  FDefaultFont->Assign(Value);
  DefaultFontChanged();
}

void TbsSkinCustomControl::SetDefaultWidth(int32_t Value) {
  FDefaultWidth = Value;
  if (FSkinIndex == -1 && Value > 0) SetWidth(Value);
}

void TbsSkinCustomControl::SetDefaultHeight(int32_t Value) {
  FDefaultHeight = Value;
  if (FSkinIndex == -1 && Value > 0) SetHeight(Value);
}

void TbsSkinCustomControl::GetSkinData() {
  TbsSkinControl::GetSkinData();
  if (FSkinIndex == -1) return;
  TbsDataSkinControl* D = FSkinData->ControlDescriptions[size_t(FSkinIndex)].get();
  CopyGeometry(FSkinData, D);
  auto* C = dynamic_cast<TbsDataSkinCustomControl*>(D);
  FMaskPicture = C != nullptr ? SkinActivePicture(FSkinData, C->MaskPictureIndex) : nullptr;
}

void TbsSkinCustomControl::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FSkinIndex != -1) CalcGeometry(AWidth, AHeight);
}

void TbsSkinCustomControl::ChangeSkinData() {
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
  if (FSkinIndex == -1 || (w == oldW && h == oldH)) {
    SetControlRegion();
    Repaint();
  }
}

void TbsSkinCustomControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  GetSkinData();
  const bool skinnedResize = FSkinIndex != -1 && (AWidth != Width() || AHeight != Height());
  if (skinnedResize) {
    CalcSize(AWidth, AHeight);
    if (FResizeMode == 0) FSizedClientRect = FSkinClientRect;
  }
  CentreOnToolBar(this, ATop, AHeight);
  TbsSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (skinnedResize) {
    SetControlRegion();
    Repaint();
  }
  if (FSkinIndex != -1 && FStretchEffect) BroadcastParentChanged();
}

void TbsSkinCustomControl::CreateWnd() {
  TbsSkinControl::CreateWnd();
  // A new window has no region yet: give it the current one, from the
  // description as it is now.
  FRegion = nullptr;
  GetSkinData();
  SetControlRegion();
}

void TbsSkinCustomControl::SetControlRegion() {
  if (!HandleAllocated()) return;
  HRGN rgn = nullptr;
  if (FMaskPicture != nullptr && FSkinIndex != -1) rgn = BuildMaskRegion();
  if (rgn == nullptr) {
    // Also for an empty skin rect: a stale shape would clip the control.
    if (FRegion != nullptr) SetWindowRgn(Handle(), nullptr, true);
    FRegion = nullptr;
    return;
  }
  SetWindowRgn(Handle(), rgn, true);
  FRegion = rgn;
}

HRGN TbsSkinCustomControl::BuildMaskRegion() {
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  const int32_t W = Width(), H = Height();
  const TPoint LT = FLeftTop;
  HRGN rgn = nullptr;
  switch (FResizeMode) {
    case 0: RegionFromMask(rgn, FMaskPicture); break;
    case 1:
      RegionFromSkinMask(rgn, FLeftTop, FRightTop, FLeftBottom, FRightBottom, FSkinClientRect, FSizedLeftTop,
                         FSizedRightTop, FSizedLeftBottom, FSizedRightBottom, FSizedClientRect, FMaskPicture, W, H);
      break;
    case 2: {
      const TPoint NR{FRightTop.X + W - RectWidth(FSkinRect), FRightTop.Y};
      RegionFromSkinMask(rgn, LT, FRightTop, LT, FRightTop, FSkinClientRect, LT, NR, LT, NR, FSizedClientRect,
                         FMaskPicture, W, H);
      break;
    }
    case 3: {
      const TPoint NB{FLeftBottom.X, FLeftBottom.Y + H - RectHeight(FSkinRect)};
      RegionFromSkinMask(rgn, LT, LT, FLeftBottom, FLeftBottom, FSkinClientRect, LT, LT, NB, NB, FSizedClientRect,
                         FMaskPicture, W, H);
      break;
    }
    default: break;
  }
  return rgn;
}

void TbsSkinCustomControl::BroadcastParentChanged() {
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* child = Controls(i);
    if (auto* win = dynamic_cast<TWinControl*>(child))
      SendMessage(win->Handle(), WM_SKIN_PARENTCHANGED, 0, 0);
    else
      child->Perform(WM_SKIN_PARENTCHANGED, 0, 0);
  }
}

void TbsSkinCustomControl::CreateControlDefaultImage(TBitmap* B) {
  B->Canvas()->Brush()->SetColor(clBtnFace);
  B->Canvas()->FillRect(TRect{0, 0, B->Width(), B->Height()});
}

void TbsSkinCustomControl::CreateControlSkinImage(TBitmap* B) {
  // A description without a picture shows the plain look.
  if (FPicture == nullptr)
    CreateControlDefaultImage(B);
  else
    CreateSkinImageFrom(B, FPicture, FSkinRect);
}

void TbsSkinCustomControl::CreateSkinImageFrom(TBitmap* B, TBitmap* Picture, const TRect& R) {
  if (Picture != nullptr) ComposeSkinImage(B, Picture, R, Width(), Height(), !FPaintInStrips);
}

void TbsSkinCustomControl::Paint() {
  if (Width() < 1 || Height() < 1) return;
  GetSkinData();
  int32_t w = Width(), h = Height();
  CalcSize(w, h);
  if (FSkinIndex == -1 || !FPaintInStrips || FResizeMode != 1 || FPicture == nullptr)
    PaintImage();
  else
    PaintStrips();
}

void TbsSkinCustomControl::PaintStrips() {
  TBitmap left, top, right, bottom;
  BuildSkinBorderImages(FLeftTop, FRightTop, FLeftBottom, FRightBottom, FSkinClientRect, FSizedLeftTop, FSizedRightTop,
                        FSizedLeftBottom, FSizedRightBottom, FSizedClientRect, &left, &top, &right, &bottom, FPicture,
                        FSkinRect, Width(), Height(), FLeftStretch, FTopStretch, FRightStretch, FBottomStretch);
  CreateControlSkinImage(&top);
  if (FFillClientPart) FillClientPart();
  TCanvas* C = Canvas();
  C->Draw(0, 0, &top);
  C->Draw(0, top.Height(), &left);
  C->Draw(Width() - right.Width(), top.Height(), &right);
  C->Draw(0, Height() - bottom.Height(), &bottom);
}

namespace {

// Draws Tile from (X, Y) Count + 1 times along one axis.
void RepeatTile(TCanvas* C, TBitmap* Tile, int32_t X, int32_t Y, int32_t DX, int32_t DY, int32_t Count) {
  for (int32_t i = 0; i <= Count; ++i) C->Draw(X + i * DX, Y + i * DY, Tile);
}

}  // namespace

void TbsSkinCustomControl::FillClientPart() {
  const TRect& CR = FSkinClientRect;
  const int32_t tw = RectWidth(CR), th = RectHeight(CR);
  // An empty tile fills nothing.
  if (tw <= 0 || th <= 0) return;
  TBitmap tile;
  tile.SetSize(tw, th);
  tile.Canvas()->CopyRect(
      TRect{0, 0, tw, th}, FPicture->Canvas(),
      TRect{FSkinRect.Left + CR.Left, FSkinRect.Top + CR.Top, FSkinRect.Left + CR.Right, FSkinRect.Top + CR.Bottom});
  const TRect& NC = FSizedClientRect;
  const int32_t nw = RectWidth(NC), nh = RectHeight(NC);
  TCanvas* C = Canvas();
  TSavedDC saved(C->Handle());
  IntersectClipRect(C->Handle(), NC.Left, NC.Top, NC.Right, NC.Bottom);
  if (!FStretchEffect) {
    for (int32_t j = 0; j <= Div(nh, th); ++j) RepeatTile(C, &tile, NC.Left, NC.Top + j * th, tw, 0, Div(nw, tw));
    return;
  }
  if (nw <= 0 || nh <= 0) return;
  TBitmap band;
  switch (FStretchType) {
    case TbsStretchType::stFull: C->StretchDraw(NC, &tile); break;
    case TbsStretchType::stHorz:
      band.SetSize(tw, nh);
      band.Canvas()->StretchDraw(TRect{0, 0, tw, nh}, &tile);
      RepeatTile(C, &band, NC.Left, NC.Top, tw, 0, Div(nw, tw));
      break;
    case TbsStretchType::stVert:
      band.SetSize(nw, th);
      band.Canvas()->StretchDraw(TRect{0, 0, nw, th}, &tile);
      RepeatTile(C, &band, NC.Left, NC.Top, 0, th, Div(nh, th));
      break;
  }
}

// ---- TbsSkinWinControl ----------------------------------------------------------------

void TbsSkinWinControl::SetSkinData(TbsSkinData* Value) {
  ReplaceSkinDataReference(this, FSkinData, Value);
  if (SkinDataReady(Value)) ChangeSkinData();
}

void TbsSkinWinControl::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSkinData) FSkinData = nullptr;
}
