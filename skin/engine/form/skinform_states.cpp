// The component's own window states: minimise into rows along the bottom of
// the work area, maximise to the work area (or the monitor), restore to the
// bounds held before, and the centring of a form on its first show.
#include "platform/gui/gdi.h"
#include "skin/controls/base/skinintf.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/form/skinform.h"
#include "skin/engine/form/skintrayicon.h"

namespace {

TCustomForm* MainFormOf() { return Application != nullptr ? Application->MainForm() : nullptr; }

}  // namespace

void TbsSkinForm::SetWindowState(uint8_t Value) {
  if (Value == FWindowState || Value > 2) return;
  const uint8_t old = FWindowState;
  if (Value != 1 || FOwnerForm != MainFormOf()) FWindowState = Value;
  if (Value == 1) return MinimizeForm();
  if (Value == 2) {
    FRollUpBeforeMaximize = FRolledUp;
    return MaximizeForm();
  }
  if (old == 2 && FRolledUp && !FRollUpBeforeMaximize) SetRollUpState(false);
  FRollUpBeforeMaximize = false;
  RestoreForm();
}

void TbsSkinForm::MinimizeForm() {
  if (FOwnerForm == MainFormOf()) {
    Application->Minimize();
  } else {
    if (IsRectEmpty(FRestoreRect)) FRestoreRect = FOwnerForm->BoundsRect();
    const TPoint p = GetMinimizedPosition();
    FOwnerForm->SetBounds(p.X, p.Y, GetMinWidth(), GetMinHeight());
    if (IsMDIChild() && MainFormOf() != nullptr && MainFormOf()->HandleAllocated())
      SendMessage(MainFormOf()->Handle(), WM_SKIN_MDICHILDRESTORED, 0, 0);
  }
  if (OnMinimize) OnMinimize(this);
}

// Slots from the bottom-left of the work area, rightwards and then a row
// up; a slot is free when no other minimised skinned form sits exactly
// there. With every slot taken, the first one is used.
TPoint TbsSkinForm::GetMinimizedPosition() const {
  const int32_t w = GetMinWidth(), h = GetMinHeight();
  const TRect area = FOwnerForm->Monitor()->WorkareaRect();
  const TPoint start{area.Left, area.Bottom - h};
  auto taken = [&](const TPoint& P) {
    for (int32_t i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      if (f == FOwnerForm || f == MainFormOf() || !f->Visible()) continue;
      TbsSkinForm* s = FindFormSkinForm(f);
      if (s != nullptr && s->WindowState() == 1 && f->Left() == P.X && f->Top() == P.Y) return true;
    }
    return false;
  };
  TPoint p = start;
  while (taken(p)) {
    p.X += w;
    if (p.X + w > area.Right) {
      p.X = area.Left;
      p.Y -= h;
    }
    if (p.Y < area.Top) return start;
  }
  return p;
}

// On a monitor whose work area is the whole primary screen the rectangle
// keeps a pixel free on every side, so an auto-hidden panel stays
// reachable.
void TbsSkinForm::MaximizeForm() {
  if (IsRectEmpty(FRestoreRect)) FRestoreRect = FOwnerForm->BoundsRect();
  TMonitor* monitor = FOwnerForm->Monitor();
  TRect r = MaximizeOnFullScreen ? monitor->BoundsRect() : monitor->WorkareaRect();
  const TRect whole = monitor->BoundsRect();
  if (!MaximizeOnFullScreen && r.Width() == whole.Width() && r.Height() == whole.Height() &&
      whole == (TRect{0, 0, Screen->Width(), Screen->Height()}))
    InflateRect(r, -1, -1);
  FOwnerForm->SetBoundsRect(r);
  ShowSizeGrip(false);
  if (OnMaximize) OnMaximize(this);
}

void TbsSkinForm::RestoreForm() {
  FMaxRolledUp = false;
  const TSize oldSize{FOwnerForm->Width(), FOwnerForm->Height()};
  if (!IsRectEmpty(FRestoreRect)) {
    TPoint p{FRestoreRect.Left, FRestoreRect.Top};
    if (FFirstShow) {
      FFirstShow = false;
      p = GetMonitorPosition(p.X, p.Y, FRestoreRect.Width(), FRestoreRect.Height());
    }
    FOwnerForm->SetBounds(p.X, p.Y, FRestoreRect.Width(), FRestoreRect.Height());
  }
  FMouseTimer->SetEnabled(true);
  if (FOwnerForm->Width() == oldSize.cx && FOwnerForm->Height() == oldSize.cy) NudgeWidth();
  RepaintFrame();
  if (IsMDIChild() && MainFormOf() != nullptr && MainFormOf()->HandleAllocated())
    SendMessage(MainFormOf()->Handle(), WM_SKIN_MDICHILDRESTORED, 0, 0);
  FRestoreRect = TRect{0, 0, 0, 0};
  ShowSizeGrip(true);
  if (OnRestore) OnRestore(this);
}

void TbsSkinForm::ShowSizeGrip(bool Value) {
  auto* bar = dynamic_cast<IbsSizeGripBar*>(FStatusBar);
  if (bar != nullptr && bar->SizeGrip()) bar->SetGripEnabled(Value);
}

TPoint TbsSkinForm::GetMonitorPosition(int32_t X, int32_t Y, int32_t Width, int32_t Height) const {
  if (PositionInMonitor == TbsPositionInMonitor::bspDefault) return TPoint{X, Y};
  TMonitor* monitor = FOwnerForm->Monitor();
  const TRect a =
      PositionInMonitor == TbsPositionInMonitor::bspDesktopCenter ? monitor->WorkareaRect() : monitor->BoundsRect();
  return TPoint{a.Left + a.Width() / 2 - Width / 2, a.Top + a.Height() / 2 - Height / 2};
}

void TbsSkinForm::PlaceInMonitor() {
  const TPoint p = GetMonitorPosition(FOwnerForm->Left(), FOwnerForm->Top(), FOwnerForm->Width(), FOwnerForm->Height());
  FOwnerForm->SetBounds(p.X, p.Y, FOwnerForm->Width(), FOwnerForm->Height());
}

// A form first shown minimised or maximised is centred at its first
// restore instead.
void TbsSkinForm::FirstShow() {
  if (!FFirstShow) return;
  if (PositionInMonitor == TbsPositionInMonitor::bspDefault) {
    FFirstShow = false;
  } else if (FWindowState == 0) {
    FFirstShow = false;
    PlaceInMonitor();
  }
}

// ---- The tray -------------------------------------------------------------------------------------

void TbsSkinForm::SetTrayIcon(TComponent* Value) {
  SetReference(FTrayIcon, Value);
  auto* tray = dynamic_cast<TbsTrayIcon*>(Value);
  if (tray == nullptr) return;
  if (!AlwaysShowInTray) tray->SetIconVisible(false);
  tray->MinimizeToTray = false;
  if (Designing()) return;
  if (tray->PopupMenu() == nullptr) tray->SetPopupMenu(FTrayMenu);
  if (!tray->OnDblClick) tray->OnDblClick = [this](TObject*) { RestoreFromTray(); };
}

void TbsSkinForm::MinimizeToTray() {
  auto* tray = dynamic_cast<TbsTrayIcon*>(FTrayIcon);
  if (tray == nullptr || Application == nullptr) return;
  tray->MinimizeToTray = true;
  Application->Minimize();
  if (OnMinimizeToTray) OnMinimizeToTray(this);
}

void TbsSkinForm::RestoreFromTray() {
  auto* tray = dynamic_cast<TbsTrayIcon*>(FTrayIcon);
  if (tray == nullptr || Application == nullptr) return;
  tray->MinimizeToTray = false;
  tray->ShowMainForm();
  Application->Restore();
  if (!AlwaysShowInTray) tray->SetIconVisible(false);
  if (OnRestoreFromTray) OnRestoreFromTray(this);
}
