#include "skin/controls/updown.h"

#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/vcl/messages.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

namespace {

constexpr uintptr_t kRepeatTimer = 1;

}  // namespace

TbsSkinUpDown::TbsSkinUpDown(TComponent* AOwner) : TbsSkinCustomControl(AOwner) {
  FPair.Repaint = [this] { Repaint(); };
  FPair.StartTimer = [this](uint32_t Ms) { SetTimer(Handle(), kRepeatTimer, Ms, nullptr); };
  FPair.StopTimer = [this] { KillTimer(Handle(), kRepeatTimer); };
  FPair.Step = [this](int32_t Direction) { StepBy(Direction); };
  FPair.Click = [this](int32_t Index) { ButtonClicked(Index); };
  FPair.Stepping = [this] { return FIncrement != 0; };
  SetSkinDataName("hupdown");
  SetBounds(Left(), Top(), 50, 25);
}

// ---- Properties -------------------------------------------------------------------------

void TbsSkinUpDown::SetPosition(int32_t Value) {
  if (Value > FMax || Value < FMin) return;
  FPosition = Value;
  if (OnChange) OnChange(this);
}

void TbsSkinUpDown::SetMin(int32_t Value) {
  FMin = Value;
  if (FPosition < FMin) FPosition = FMin;
}

void TbsSkinUpDown::SetMax(int32_t Value) {
  FMax = Value;
  if (FPosition > FMax) FPosition = FMax;
}

void TbsSkinUpDown::SetOrientation(TUDOrientation Value) {
  FOrientation = Value;
  Repaint();
}

void TbsSkinUpDown::StepBy(int32_t Direction) { SetPosition(FPosition + (Direction == 2 ? FIncrement : -FIncrement)); }

void TbsSkinUpDown::ButtonClicked(int32_t Index) {
  const TNotifyEvent& event = Index == 0 ? OnUpButtonClick : OnDownButtonClick;
  if (event) event(this);
}

// ---- Skin data and layout ----------------------------------------------------------------

void TbsSkinUpDown::GetSkinData() {
  TbsSkinCustomControl::GetSkinData();
  auto* D = FSkinIndex == -1
                ? nullptr
                : dynamic_cast<TbsDataSkinUpDownControl*>(FSkinData->ControlDescriptions[size_t(FSkinIndex)].get());
  if (D != nullptr) {
    FUpButtonRect = D->UpButtonRect;
    FActiveUpButtonRect = D->ActiveUpButtonRect;
    FDownUpButtonRect = IsNullRect(D->DownUpButtonRect) ? FActiveUpButtonRect : D->DownUpButtonRect;
    FDownButtonRect = D->DownButtonRect;
    FActiveDownButtonRect = D->ActiveDownButtonRect;
    FDownDownButtonRect = IsNullRect(D->DownDownButtonRect) ? FActiveDownButtonRect : D->DownDownButtonRect;
    // The buttons carry the geometry: the picture is never resized in parts.
    FLeftTop = FRightTop = FLeftBottom = FRightBottom = TPoint{0, 0};
    FSkinClientRect = NullRect();
  }
  ArrangeButtons();
}

void TbsSkinUpDown::ArrangeButtons() {
  TbsArrowButtonPair::TButton* b = FPair.Buttons;
  const int32_t W = Width(), H = Height();
  if (FSkinIndex != -1 && FUseSkinSize) {
    b[0].R = FUpButtonRect;
    b[1].R = FDownButtonRect;
  } else if (FOrientation == TUDOrientation::udVertical) {
    b[0].R = TRect{0, 0, W, Div(H, 2)};
    b[1].R = TRect{0, Div(H, 2), W, H};
  } else {
    b[1].R = TRect{0, 0, Div(W, 2), H};
    b[0].R = TRect{Div(W, 2), 0, W, H};
  }
}

void TbsSkinUpDown::CalcSize(int32_t& AWidth, int32_t& AHeight) {
  if (FUseSkinSize) TbsSkinCustomControl::CalcSize(AWidth, AHeight);
}

void TbsSkinUpDown::SetControlRegion() {
  if (FUseSkinSize) TbsSkinCustomControl::SetControlRegion();
}

// ---- Painting ----------------------------------------------------------------------------

int32_t TbsSkinUpDown::ArrowDirection(int32_t Index) const {
  const bool vertical = FOrientation == TUDOrientation::udVertical;
  if (Index == 0) return vertical ? 3 : 2;
  return vertical ? 4 : 1;
}

void TbsSkinUpDown::CreateControlDefaultImage(TBitmap* B) {
  ArrangeButtons();
  for (int32_t i = 0; i < 2; ++i) {
    const TbsArrowButtonPair::TButton& b = FPair.Buttons[i];
    DrawPlainArrowButton(B->Canvas(), b.R, b.Down && b.MouseIn, b.MouseIn, ArrowDirection(i));
  }
}

void TbsSkinUpDown::CreateControlSkinImage(TBitmap* B) {
  if (!FUseSkinSize) {
    for (int32_t i = 0; i < 2; ++i) DrawResizeButton(B->Canvas(), i);
    return;
  }
  if (FPicture == nullptr) {
    CreateControlDefaultImage(B);
    return;
  }
  TbsSkinCustomControl::CreateControlSkinImage(B);
  for (int32_t i = 0; i < 2; ++i) DrawPictureButton(B->Canvas(), i);
}

void TbsSkinUpDown::DrawPictureButton(TCanvas* C, int32_t Index) {
  const TbsArrowButtonPair::TButton& b = FPair.Buttons[Index];
  if (!b.MouseIn) return;
  const bool pressed = b.Down;
  const TRect& src = Index == 0 ? (pressed ? FDownUpButtonRect : FActiveUpButtonRect)
                                : (pressed ? FDownDownButtonRect : FActiveDownButtonRect);
  if (!IsNullRect(src)) C->CopyRect(b.R, FPicture->Canvas(), src);
}

void TbsSkinUpDown::DrawResizeButton(TCanvas* C, int32_t Index) {
  const TbsArrowButtonPair::TButton& b = FPair.Buttons[Index];
  const TRect& R = b.R;
  TBitmap image;
  image.SetSize(RectWidth(R), RectHeight(R));
  const int32_t index = SkinDescriptionIndex(FSkinData, "resizebutton");
  auto* D = index == -1 ? nullptr
                        : dynamic_cast<TbsDataSkinButtonControl*>(FSkinData->ControlDescriptions[size_t(index)].get());
  TBitmap* picture = D != nullptr ? SkinActivePicture(FSkinData, D->PictureIndex) : nullptr;
  if (picture == nullptr) {
    C->Draw(R.Left, R.Top, &image);
    return;
  }
  const int32_t dW = RectWidth(R) - RectWidth(D->SkinRect), dH = RectHeight(R) - RectHeight(D->SkinRect);
  const TPoint NRT{D->RightTopPoint.X + dW, D->RightTopPoint.Y};
  const TPoint NLB{D->LeftBottomPoint.X, D->LeftBottomPoint.Y + dH};
  const TPoint NRB{D->RightBottomPoint.X + dW, D->RightBottomPoint.Y + dH};
  const TRect NCR{D->ClientRect.Left, D->ClientRect.Top, D->ClientRect.Right + dW, D->ClientRect.Bottom + dH};
  const bool pressed = b.Down && b.MouseIn, hot = b.MouseIn;
  const TRect active = IsNullRect(D->ActiveSkinRect) ? D->SkinRect : D->ActiveSkinRect;
  const TRect down = IsNullRect(D->DownSkinRect) ? active : D->DownSkinRect;
  const TRect src = pressed ? down : (hot ? active : D->SkinRect);
  BuildSkinImage(D->LeftTopPoint, D->RightTopPoint, D->LeftBottomPoint, D->RightBottomPoint, D->ClientRect,
                 D->LeftTopPoint, NRT, NLB, NRB, NCR, &image, picture, src, image.Width(), image.Height(), true,
                 D->LeftStretch, D->TopStretch, D->RightStretch, D->BottomStretch, D->StretchEffect, D->StretchType);
  C->Draw(R.Left, R.Top, &image);
  const TColor color = pressed ? D->DownFontColor : (hot ? D->ActiveFontColor : D->FontColor);
  const TRect arrow = pressed ? TRect{R.Left + 2, R.Top + 2, R.Right, R.Bottom} : R;
  DrawArrow(C, arrow, color, ArrowDirection(Index));
}

// ---- Mouse and messages ------------------------------------------------------------------

void TbsSkinUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FPair.Press(X, Y);
  TbsSkinCustomControl::MouseDown(Button, Shift, X, Y);
}

void TbsSkinUpDown::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  FPair.HitTest(X, Y);
  TbsSkinCustomControl::MouseMove(Shift, X, Y);
}

void TbsSkinUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FPair.Release();
  TbsSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TbsSkinUpDown::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TbsSkinCustomControl::Dispatch(Message);
      ArrangeButtons();
      break;
    case WM_TIMER:
      TbsSkinCustomControl::Dispatch(Message);
      FPair.Tick();
      break;
    case CM_MOUSEENTER:
      FPair.Enter();
      TbsSkinCustomControl::Dispatch(Message);
      break;
    case CM_MOUSELEAVE:
      FPair.Enter();
      TbsSkinCustomControl::Dispatch(Message);
      FPair.Leave();
      break;
    default: TbsSkinCustomControl::Dispatch(Message); break;
  }
}
