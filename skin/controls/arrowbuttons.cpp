#include "skin/controls/arrowbuttons.h"

#include "skin/engine/data/skindraw.h"

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

// ---- TbsArrowButtonPair ---------------------------------------------------------------

void TbsArrowButtonPair::HitTest(int32_t X, int32_t Y) {
  OldActiveButton = ActiveButton;
  ActiveButton = -1;
  for (int32_t i = 0; i < 2 && ActiveButton == -1; ++i)
    if (PointInRect(Buttons[i].R, TPoint{X, Y})) ActiveButton = i;
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
