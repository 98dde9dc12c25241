// The form's replaced window procedure: the menu-closing pre-step, one row
// per message, and the frame's share of the non-client mouse messages after
// the form has seen them.
#include "platform/gui/gdi.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/form/skinform.h"

namespace {

bool IsNCMouseMessage(uint32_t Msg) {
  return (Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCRBUTTONDBLCLK) || Msg == WM_LBUTTONUP || Msg == WM_RBUTTONUP;
}

TCustomForm* MainForm() { return Application != nullptr ? Application->MainForm() : nullptr; }

}  // namespace

void TbsSkinForm::CallOld(TMessage& Message) {
  if (FSavedWindowProc) FSavedWindowProc(Message);
}

void TbsSkinForm::FormWindowProc(TMessage& Message) {
  if (IsMenuCloseMessage(Message.Msg)) CloseMenusOnMessage();
  switch (Message.Msg) {
    case WM_DESTROY: WMDestroy(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_ACTIVATE: WMActivate(Message); break;
    case WM_SETTEXT: WMSetText(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_SHOWWINDOW: WMShowWindow(Message); break;
    case WM_SETCURSOR: WMSetCursor(Message); break;
    case WM_MOUSEACTIVATE: WMMouseActivate(Message); break;
    case WM_GETMINMAXINFO: WMGetMinMaxInfo(Message); break;
    case WM_NCCALCSIZE: WMNCCalcSize(Message); break;
    case WM_NCHITTEST: WMNCHitTest(Message); break;
    case WM_NCPAINT: WMNCPaint(Message); break;
    case WM_NCACTIVATE: WMNCActivate(Message); break;
    case WM_SYNCPAINT: WMSyncPaint(Message); break;
    case WM_SYSCOMMAND: WMSysCommand(Message); break;
    case WM_TIMER: WMTimer(Message); break;
    case WM_ENTERSIZEMOVE: WMEnterSizeMove(Message); break;
    case WM_EXITSIZEMOVE: WMExitSizeMove(Message); break;
    case WM_SIZING: WMSizing(Message); break;
    case WM_MOVING: WMMoving(Message); break;
    case WM_NCLBUTTONDBLCLK: WMNCLButtonDblClk(Message); break;
    case WM_SKIN_BEFORECHANGE: WMSkinBeforeChange(Message); break;
    case WM_SKIN_CHANGE: WMSkinChange(Message); break;
    case WM_SKIN_AFTERCHANGE: WMSkinAfterChange(Message); break;
    case WM_SKIN_MENUCLOSED: SkinMenuClosed(), CallOld(Message); break;
    case WM_SKIN_RESSTRCHANGED: UpdateObjectHints(), CallOld(Message); break;
    case WM_SKIN_SKINNABLECHANGED: WMSkinnableChanged(Message); break;
    case WM_SKIN_PAINTFRAME: WMSkinPaintFrame(Message); break;
    // The MDI notifications go on to the form as they are until MDI frames
    // exist.
    default: CallOld(Message); break;
  }
  if (IsNCMouseMessage(Message.Msg)) NCMouseAfterOld(Message);
}

// A menu bar in keyboard mode, an open skinned menu, or one the form still
// thinks open, ends before the message is handled.
void TbsSkinForm::CloseMenusOnMessage() {
  if (ShowObjectHint && FSkinHint != nullptr) HideObjectHint();
  const bool mdiFrame = IsMDIFrame() && FOwnerForm->Visible();
  if (FMainMenuMode && !FSkinMenuOpen) {
    EndMainMenuMode();
  } else if (FSkinMenu->IsOpen) {
    FSkinMenu->CloseMenu();
  } else if (FSkinMenuOpen) {
    SkinMenuClosed();
  } else if (mdiFrame) {
    if (TbsSkinForm* child = FindFormSkinForm(FOwnerForm->ActiveMDIChild())) child->CloseMenusOnMessage();
  }
  const TComponentState state = ComponentState();
  if (mdiFrame && !state.Contains(TComponentStateItem::csDesigning) && !state.Contains(TComponentStateItem::csLoading))
    CancelFrameEditModes();
}

void TbsSkinForm::WMDestroy(TMessage& Message) {
  StopTimers();
  if (IsMDIChild()) {
    FWindowState = 0;
    TCustomForm* main = MainForm();
    if (main != nullptr && main != FOwnerForm && main->HandleAllocated())
      SendMessage(main->Handle(), WM_SKIN_MDICHILDRESTORED, 0, 0);
    UpdateMDIFrameBars();
  }
  CallOld(Message);
}

void TbsSkinForm::WMActivate(TMessage& Message) {
  CallOld(Message);
  if (!FSkinnable) return;
  RepaintFrame();
  if (IsMaximizedMDIChild()) {
    UpdateCaptionActive(false);
  } else {
    ResetObjectStates();
    UpdateCaptionActive(true);
  }
  if (IsMDIFrame()) UpdateMDIFrameBars();
}

void TbsSkinForm::WMSetText(TMessage& Message) {
  CallOld(Message);
  if (!FSkinnable) return;
  if (FOwnerForm->BorderStyle() != TBorderStyle::bsNone && !IsMaximizedMDIChild()) RepaintFrame();
  if (!IsMDIChild()) return;
  UpdateChildMenuItemCaption();
  UpdateMDIFrameBars();
}

// The client background is the skin's, whoever draws the frame.
void TbsSkinForm::WMEraseBkgnd(TMessage& Message) {
  if (IsMDIFrame()) return CallOld(Message);
  PaintClientBackground(reinterpret_cast<HDC>(Message.WParam));
  Message.Result = 1;
}

// The form's cursor over the frame, except on the sizing borders: the hit
// code is rewritten before the form (and its parent) sees it.
void TbsSkinForm::WMSetCursor(TMessage& Message) {
  if (FSkinnable && UseFormCursorInNCArea) {
    const LRESULT hit = LOWORD(static_cast<uintptr_t>(Message.LParam));
    if (hit != HTCLIENT && (hit < HTLEFT || hit > HTBOTTOMRIGHT))
      Message.LParam = MAKELPARAM(int32_t(HTCLIENT), HIWORD(static_cast<uintptr_t>(Message.LParam)));
  }
  CallOld(Message);
}

void TbsSkinForm::WMMouseActivate(TMessage& Message) {
  TCustomForm* main = MainForm();
  if (FSkinnable && IsMDIChild() && !FNCActive && main != nullptr && main->ActiveMDIChild() == FOwnerForm) {
    FNCActive = true;
    UpdateCaptionActive(true);
  }
  CallOld(Message);
}

void TbsSkinForm::WMGetMinMaxInfo(TMessage& Message) {
  auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
  if (FSkinnable && info != nullptr) {
    info->ptMinTrackSize = TPoint{GetMinWidth(), GetMinHeight()};
    info->ptMaxTrackSize = TPoint{GetMaxWidth(), GetMaxHeight()};
  }
  CallOld(Message);
}

// The frame draws its own active and inactive look: the native one is not
// drawn except for MDI windows.
void TbsSkinForm::WMNCActivate(TMessage& Message) {
  if (!FSkinnable) return CallOld(Message);
  if (FSkinMenu->IsOpen) FSkinMenu->CloseMenu();
  FNCActive = Message.WParam != 0;
  if (IsMDIChild() || (IsMDIFrame() && !FNewOS))
    CallOld(Message);
  else
    Message.Result = 1;
  if (FOwnerForm->BorderStyle() == TBorderStyle::bsNone || IsMaximizedMDIChild()) {
    UpdateCaptionActive(false);
  } else {
    RepaintFrame();
    UpdateCaptionActive(true);
  }
  if (!IsMDIChild()) return;
  CheckActiveChildMenuItem();
  UpdateMDIFrameBars();
  if (FWindowState == 2 && MainForm() != nullptr && MainForm()->HandleAllocated())
    SendMessage(MainForm()->Handle(), WM_NCPAINT, 0, 0);
  if (FNewOS) FOwnerForm->Invalidate();
}

void TbsSkinForm::WMSyncPaint(TMessage& Message) {
  if (!FSkinnable || !FRolledUp) return CallOld(Message);
  RepaintFrame();
  Message.Result = 0;
}

// Maximise and minimise of a skinned frame are the component's states, not
// the window system's; a restore leaves a state the component holds. The
// keyboard menu is the component's too.
void TbsSkinForm::WMSysCommand(TMessage& Message) {
  const WPARAM cmd = Message.WParam & 0xFFF0;
  if (cmd == SC_KEYMENU) return WMSysKeyMenu(Message);
  const bool skinned = FSkinnable && FOwnerForm->BorderStyle() != TBorderStyle::bsNone && !IsMDIChild();
  if (skinned && cmd == SC_MAXIMIZE) return SetWindowState(2);
  if (skinned && cmd == SC_MINIMIZE) return AlwaysMinimizeToTray ? MinimizeToTray() : SetWindowState(1);
  if (skinned && cmd == SC_RESTORE && FWindowState != 0) return SetWindowState(0);
  if (cmd == SC_RESTORE && OnRestore) OnRestore(this);
  CallOld(Message);
}

void TbsSkinForm::WMEnterSizeMove(TMessage& Message) {
  if (FSkinnable) {
    TPoint p;
    GetCursorPos(&p);
    FMagnetMouseX = p.X;
    FMagnetMouseY = p.Y;
    ResetObjectStates();
    FMouseTimer->SetEnabled(false);
    FActiveObject = FCapturedObject = -1;
    FInSizeMove = true;
    int32_t full = 1;
    SystemParametersInfo(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    FFullDrag = full != 0;
  }
  CallOld(Message);
}

void TbsSkinForm::WMExitSizeMove(TMessage& Message) {
  if (FSkinnable) {
    FMouseTimer->SetEnabled(false);
    FActiveObject = FOldActiveObject = FCapturedObject = -1;
    if (FSkinData != nullptr && !FSkinData->Empty) RepaintFrame();
  }
  CallOld(Message);
}

// The caption's double click is the component's (its rules follow the
// objects' share); the window system's maximise is not asked.
void TbsSkinForm::WMNCLButtonDblClk(TMessage& Message) {
  if (!FSkinnable || Message.WParam != HTCAPTION || FOwnerForm->BorderStyle() == TBorderStyle::bsNone)
    return CallOld(Message);
  Message.Result = 0;
}

// Another window (a transparent control's background, a print) asks for
// the frame in its own device context.
void TbsSkinForm::WMSkinPaintFrame(TMessage& Message) {
  if (!FSkinnable || Message.LParam != bsSkinPaintAnswer) return CallOld(Message);
  if (Message.WParam != 0 && FOwnerForm->BorderStyle() != TBorderStyle::bsNone && !IsMaximizedMDIChild())
    FSkinActive ? PaintNCSkin(reinterpret_cast<HDC>(Message.WParam), true)
                : PaintNCDefault(reinterpret_cast<HDC>(Message.WParam), true);
  Message.Result = bsSkinPaintAnswer;
}
