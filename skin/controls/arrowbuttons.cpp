#include "skin/controls/arrowbuttons.h"

#include "skin/controls/base/skinctrls.h"
#include "skin/engine/data/skindraw.h"
#include "skin/engine/data/skinimage.h"

void DrawPlainPartFrame(TCanvas* C, const TRect& R, bool Pressed, bool Hot) {
  const bool lit = Pressed || Hot;
  C->Brush()->SetColor(lit ? clNavy : clBtnShadow);
  C->FrameRect(R);
  C->Brush()->SetColor(Pressed ? clPlainDownFill : (Hot ? clPlainHotFill : clBtnFace));
  C->FillRect(TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1});
}

void DrawPlainArrowButton(TCanvas* C, const TRect& R, bool Pressed, bool Hot, int32_t Direction) {
  DrawPlainPartFrame(C, R, Pressed, Hot);
  DrawArrow(C, R, clBlack, Direction);
}

void DrawSkinEditButton(TCanvas* C, TbsSkinData* SkinData, const TRect& R, bool Pressed, bool Hot, int32_t Direction) {
  int32_t index = SkinDescriptionIndex(SkinData, "editbutton");
  if (index == -1) index = SkinDescriptionIndex(SkinData, "resizebutton");
  auto* D = index == -1 ? nullptr
                        : dynamic_cast<TbsDataSkinButtonControl*>(SkinData->ControlDescriptions[size_t(index)].get());
  TBitmap* picture = D != nullptr ? SkinActivePicture(SkinData, D->PictureIndex) : nullptr;
  if (picture == nullptr || R.Width() <= 0 || R.Height() <= 0) return;
  const TRect active = IsNullRect(D->ActiveSkinRect) ? D->SkinRect : D->ActiveSkinRect;
  const TRect down = IsNullRect(D->DownSkinRect) ? active : D->DownSkinRect;
  const TRect src = Pressed ? down : (Hot ? active : D->SkinRect);
  TBitmap image;
  image.SetSize(R.Width(), R.Height());
  const int32_t dW = R.Width() - RectWidth(D->SkinRect), dH = R.Height() - RectHeight(D->SkinRect);
  const TPoint NRT{D->RightTopPoint.X + dW, D->RightTopPoint.Y};
  const TPoint NLB{D->LeftBottomPoint.X, D->LeftBottomPoint.Y + dH};
  const TPoint NRB{D->RightBottomPoint.X + dW, D->RightBottomPoint.Y + dH};
  const TRect NCR{D->ClientRect.Left, D->ClientRect.Top, D->ClientRect.Right + dW, D->ClientRect.Bottom + dH};
  BuildSkinImage(D->LeftTopPoint, D->RightTopPoint, D->LeftBottomPoint, D->RightBottomPoint, D->ClientRect,
                 D->LeftTopPoint, NRT, NLB, NRB, NCR, &image, picture, src, image.Width(), image.Height(), true,
                 D->LeftStretch, D->TopStretch, D->RightStretch, D->BottomStretch, D->StretchEffect, D->StretchType);
  C->Draw(R.Left, R.Top, &image);
  if (Direction == 0) return;
  const TColor color = Pressed ? D->DownFontColor : (Hot ? D->ActiveFontColor : D->FontColor);
  const TRect arrow = Pressed ? TRect{R.Left + 2, R.Top + 2, R.Right, R.Bottom} : R;
  DrawArrow(C, arrow, color, Direction);
}

// ---- TbsArrowButtonPair ---------------------------------------------------------------

void TbsArrowButtonPair::HitTest(int32_t X, int32_t Y) {
  OldActiveButton = ActiveButton;
  ActiveButton = -1;
  for (int32_t i = 0; i < 2 && ActiveButton == -1; ++i)
    if (HalfOpenHitTest ? PtInRect(Buttons[i].R, TPoint{X, Y}) : PointInRect(Buttons[i].R, TPoint{X, Y}))
      ActiveButton = i;
  if (CapturedButton != -1 && ActiveButton != CapturedButton) ActiveButton = -1;
  if (ActiveButton == OldActiveButton) return;
  if (OldActiveButton != -1) {
    TButton& old = Buttons[OldActiveButton];
    old.MouseIn = false;
    Repaint();
    if (CanStep() && old.Down) StopTimer();
  }
  if (ActiveButton != -1) {
    Buttons[1 - ActiveButton].MouseIn = false;
    TButton& now = Buttons[ActiveButton];
    now.MouseIn = true;
    Repaint();
    if (CanStep() && now.Down) StartTimer(50);
  }
}

void TbsArrowButtonPair::Press(int32_t X, int32_t Y) {
  HitTest(X, Y);
  Buttons[ActiveButton == 0 ? 1 : 0].MouseIn = false;
  if (ActiveButton == -1) return;
  CapturedButton = ActiveButton;
  TButton& b = Buttons[ActiveButton];
  b.MouseIn = true;
  b.Down = true;
  Repaint();
  if (!CanStep()) return;
  StepDirection = ActiveButton == 0 ? 2 : 1;
  WaitMode = true;
  StartTimer(500);
}

void TbsArrowButtonPair::Release() {
  if (CapturedButton == -1) return;
  const int32_t index = CapturedButton;
  if (CanStep()) {
    StopTimer();
    StepDirection = 0;
  }
  TButton& b = Buttons[index];
  b.Down = false;
  if (index != ActiveButton) b.MouseIn = false;
  Repaint();
  if (b.MouseIn) {
    if (CanStep()) Step(index == 0 ? 2 : 1);
    Click(index);
  }
  CapturedButton = -1;
}

void TbsArrowButtonPair::Tick() {
  if (WaitMode) {
    WaitMode = false;
    StopTimer();
    StartTimer(100);
    return;
  }
  if (StepDirection != 0) Step(StepDirection);
}

void TbsArrowButtonPair::Enter() {
  ActiveButton = -1;
  OldActiveButton = -1;
}

void TbsArrowButtonPair::Leave() {
  Enter();
  for (TButton& b : Buttons) {
    if (!b.MouseIn) continue;
    b.MouseIn = false;
    Repaint();
  }
}
