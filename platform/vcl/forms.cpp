// TCustomForm: window styles, showing and hiding, activation and the focus
// bookkeeping of its controls, dialog keys, closing, release and the modal
// loop.
#include "platform/vcl/forms.h"

#include <algorithm>
#include <vector>

#include "platform/gui/win_internal.h"
#include "platform/gui/win_paint.h"
#include "platform/vcl/controls_internal.h"
#include "platform/rtl/scopeguard.h"

namespace {

// Counts focus changes: a focus message whose handler moved the focus on
// makes the rest of the enter/exit walk moot.
int32_t gFocusCount = 0;

struct TDisabledWindows {
  HWND Except = nullptr;
  std::vector<HWND> Windows;
};

bool DisableProc(HWND hwnd, LPARAM data) {
  auto* d = reinterpret_cast<TDisabledWindows*>(data);
  if (hwnd != d->Except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) d->Windows.push_back(hwnd);
  return true;
}

// Disables every visible, enabled top-level window but Except; answers them.
std::vector<HWND> DisableTaskWindows(HWND Except) {
  TDisabledWindows d;
  d.Except = Except;
  EnumWindows(DisableProc, reinterpret_cast<LPARAM>(&d));
  for (HWND h : d.Windows) EnableWindow(h, false);
  return d.Windows;
}

void EnableTaskWindows(const std::vector<HWND>& Windows) {
  for (HWND h : Windows)
    if (IsWindow(h)) EnableWindow(h, true);
}

}  // namespace

// Whether a message of the form or of one of its controls is being handled
// (beyond OwnDepth dispatches of the form's own window).
bool VclFormBusy(TCustomForm* Form, int32_t OwnDepth) {
  HWND h = Form->HandleAllocated() ? Form->Handle() : nullptr;
  TWndRecord* root = WinFind(h);
  if (root == nullptr) return false;
  bool busy = false;
  WinWalk(*root, [&](TWndRecord& w) {
    if (w.DispatchDepth > (&w == root ? OwnDepth : 0)) busy = true;
    return !busy;
  });
  return busy;
}

// ================================================================================
// Construction
// ================================================================================

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  FFormState.Include(TFormStateItem::fsCreating);
  FControlStyle = TControlStyle{TControlStyleItem::csAcceptsControls, TControlStyleItem::csCaptureMouse,
                                TControlStyleItem::csClickEvents, TControlStyleItem::csSetCaption,
                                TControlStyleItem::csDoubleClicks};
  FVisible = false;
  FParentFont = false;
  FParentColor = false;
  FColor = clBtnFace;
  FBrush->SetColor(clBtnFace);
  FWidth = 320;
  FHeight = 240;
  FIcon = std::make_unique<TIcon>();
  FCanvas = std::make_unique<TControlCanvas>();
  FCanvas->SetControl(this);
  if (Screen != nullptr) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  VclGuard(this, [&] {
    if (OnDestroy) OnDestroy(this);
  });
  if (Application != nullptr) {
    if (Application->FMainForm == this) Application->FMainForm = nullptr;
    if (Application->FShortCutAsked == this) Application->FShortCutAsked = nullptr;
  }
  if (Screen != nullptr) Screen->RemoveForm(this);
  // Owned components go while this is still a form (their notifications and
  // the controls' removal may ask it things).
  DestroyComponents();
  if (!HasOwnWindowProc()) {
#ifndef NDEBUG
    if (OnForeignWindowProc) OnForeignWindowProc(this);
#endif
    VclResetWindowProc(this);
  }
  FActiveControl = nullptr;
  FFocusedControl = nullptr;
  FCanvas->FreeHandle();
}

void TCustomForm::AfterConstruction() {
  if (FCreated) return;
  FCreated = true;
  FFormState.Exclude(TFormStateItem::fsCreating);
  VclGuard(this, [&] {
    if (OnCreate) OnCreate(this);
  });
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TScrollingWinControl::CreateParams(Params);
  Params.WindowClass.style = CS_DBLCLKS;
  if (FParent != nullptr || FParentWindow != nullptr) {
    Params.Style |= WS_CHILD;
    return;
  }
  Params.Style &= ~uint32_t(WS_CHILD | WS_GROUP | WS_TABSTOP);
  Params.ExStyle &= ~uint32_t(WS_EX_CONTROLPARENT);
  Params.WndParent = nullptr;
  switch (FBorderStyle) {
    case TBorderStyle::bsNone: Params.Style |= WS_POPUP; break;
    case TBorderStyle::bsSingle:
    case TBorderStyle::bsToolWindow: Params.Style |= WS_CAPTION | WS_BORDER; break;
    case TBorderStyle::bsSizeable:
    case TBorderStyle::bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case TBorderStyle::bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION;
      Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (FBorderStyle == TBorderStyle::bsToolWindow || FBorderStyle == TBorderStyle::bsSizeToolWin)
    Params.ExStyle |= WS_EX_TOOLWINDOW;
  if (FBorderStyle != TBorderStyle::bsNone && FBorderIcons.Contains(TBorderIcon::biSystemMenu)) {
    Params.Style |= WS_SYSMENU;
    const bool dialog = FBorderStyle == TBorderStyle::bsDialog || FBorderStyle == TBorderStyle::bsToolWindow ||
                        FBorderStyle == TBorderStyle::bsSizeToolWin;
    if (!dialog) {
      if (FBorderIcons.Contains(TBorderIcon::biMinimize)) Params.Style |= WS_MINIMIZEBOX;
      if (FBorderIcons.Contains(TBorderIcon::biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
    }
    if (FBorderIcons.Contains(TBorderIcon::biHelp) && (dialog || !FBorderIcons.Contains(TBorderIcon::biMinimize)) &&
        !FBorderIcons.Contains(TBorderIcon::biMaximize))
      Params.ExStyle |= WS_EX_CONTEXTHELP;
  }
  if (FFormStyle == TFormStyle::fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  if (FAlphaBlend) Params.ExStyle |= WS_EX_LAYERED;
  switch (FPosition) {
    case TPosition::poDefault:
      Params.X = CW_USEDEFAULT;
      Params.Width = CW_USEDEFAULT;
      break;
    case TPosition::poDefaultPosOnly: Params.X = CW_USEDEFAULT; break;
    case TPosition::poDefaultSizeOnly: Params.Width = CW_USEDEFAULT; break;
    default: break;
  }
}

void TCustomForm::CreateWnd() {
  TScrollingWinControl::CreateWnd();
  if (!FIcon->Empty()) SendMessage(FHandle, WM_SETICON, 1, reinterpret_cast<LPARAM>(FIcon->Handle()));
  if (FAlphaBlend) SetLayeredWindowAttributes(FHandle, 0, FAlphaBlendValue, LWA_ALPHA);
  // A client size given before the window existed (unless the size was set
  // again since) becomes the real client size now that the frame is known.
  if (FClientSizeWanted) {
    FClientSizeWanted = false;
    if (FWidth == FWantedClientSize.X && FHeight == FWantedClientSize.Y) TControl::SetClientSize(FWantedClientSize);
  }
}

void TCustomForm::DestroyWnd() {
  FCanvas->FreeHandle();
  TScrollingWinControl::DestroyWnd();
}

void TCustomForm::SetClientSize(const TPoint& Value) {
  if (FHandle != nullptr) {
    TControl::SetClientSize(Value);
    return;
  }
  // The frame is known once the window exists; until then the size stands
  // in for the client size and is corrected when the window is made.
  FClientSizeWanted = true;
  FWantedClientSize = Value;
  SetBounds(FLeft, FTop, Value.X, Value.Y);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TScrollingWinControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FMenuComponent) {
    FMenu = nullptr;
    FMenuComponent = nullptr;
    if (FHandle != nullptr && !ComponentState().Contains(TComponentStateItem::csDestroying))
      SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (AComponent == static_cast<TComponent*>(FActiveControl)) FActiveControl = nullptr;
  if (AComponent == static_cast<TComponent*>(FFocusedControl)) FFocusedControl = nullptr;
}

// ================================================================================
// Properties
// ================================================================================

void TCustomForm::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (FBorderIcons == Value) return;
  FBorderIcons = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  const bool wasOnTop = FFormStyle == TFormStyle::fsStayOnTop;
  FFormStyle = Value;
  const bool onTop = Value == TFormStyle::fsStayOnTop;
  if (FHandle != nullptr && FParent == nullptr && wasOnTop != onTop)
    SetWindowPos(FHandle, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState Value) {
  if (FWindowState == Value) return;
  FWindowState = Value;
  ApplyWindowState();
}

void TCustomForm::ApplyWindowState() {
  if (FHandle == nullptr || !FShowing) return;
  switch (FWindowState) {
    case TWindowState::wsNormal: ShowWindow(FHandle, SW_SHOWNORMAL); break;
    case TWindowState::wsMinimized: ShowWindow(FHandle, SW_MINIMIZE); break;
    case TWindowState::wsMaximized: ShowWindow(FHandle, SW_SHOWMAXIMIZED); break;
  }
}

void TCustomForm::SetIcon(TIcon* Value) {
  FIcon->Assign(Value);
  if (FHandle != nullptr)
    SendMessage(FHandle, WM_SETICON, 1, reinterpret_cast<LPARAM>(FIcon->Empty() ? nullptr : FIcon->Handle()));
  Perform(CM_ICONCHANGED, 0, 0);
}

void TCustomForm::SetAlphaBlend(bool Value) {
  if (FAlphaBlend == Value) return;
  FAlphaBlend = Value;
  if (FHandle != nullptr) {
    intptr_t ex = GetWindowLong(FHandle, GWL_EXSTYLE);
    SetWindowLong(FHandle, GWL_EXSTYLE, Value ? (ex | WS_EX_LAYERED) : (ex & ~intptr_t(WS_EX_LAYERED)));
    if (Value) SetLayeredWindowAttributes(FHandle, 0, FAlphaBlendValue, LWA_ALPHA);
  }
}

void TCustomForm::SetAlphaBlendValue(uint8_t Value) {
  if (FAlphaBlendValue == Value) return;
  FAlphaBlendValue = Value;
  if (FHandle != nullptr && FAlphaBlend) SetLayeredWindowAttributes(FHandle, 0, Value, LWA_ALPHA);
}

TMonitor* TCustomForm::Monitor() {
  if (Screen == nullptr) return nullptr;
  return Screen->MonitorFromWindow(Handle(), TMonitorDefaultTo::mdNearest);
}

void TCustomForm::AssignMenu(TMainMenu* Menu, TComponent* AsComponent) {
  if (FMenuComponent == AsComponent) return;
  if (FMenuComponent != nullptr) FMenuComponent->RemoveFreeNotification(this);
  FMenu = Menu;
  FMenuComponent = AsComponent;
  if (AsComponent != nullptr) AsComponent->FreeNotification(this);
  if (FHandle != nullptr) {
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  }
}

// ================================================================================
// Showing
// ================================================================================

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::PlaceOnShow() {
  if (FParent != nullptr || Screen == nullptr) return;
  auto centerOn = [&](const TRect& r) {
    SetBounds(r.Left + (r.Width() - FWidth) / 2, r.Top + (r.Height() - FHeight) / 2, FWidth, FHeight);
  };
  auto monitorRect = [&]() -> TRect {
    TMonitor* m = nullptr;
    switch (FDefaultMonitor) {
      case TDefaultMonitor::dmDesktop: return Screen->DesktopRect();
      case TDefaultMonitor::dmPrimary: m = Screen->PrimaryMonitor(); break;
      case TDefaultMonitor::dmMainForm:
        if (Application != nullptr && Application->MainForm() != nullptr && Application->MainForm()->HandleAllocated())
          m = Screen->MonitorFromWindow(Application->MainForm()->Handle());
        break;
      case TDefaultMonitor::dmActiveForm:
        if (Screen->ActiveCustomForm() != nullptr && Screen->ActiveCustomForm() != this &&
            Screen->ActiveCustomForm()->HandleAllocated())
          m = Screen->MonitorFromWindow(Screen->ActiveCustomForm()->Handle());
        break;
    }
    if (m == nullptr) m = Screen->PrimaryMonitor();
    return m != nullptr ? m->BoundsRect() : Screen->DesktopRect();
  };
  TCustomForm* over = nullptr;
  switch (FPosition) {
    case TPosition::poScreenCenter: centerOn(monitorRect()); break;
    case TPosition::poDesktopCenter: centerOn(Screen->DesktopRect()); break;
    case TPosition::poOwnerFormCenter: over = dynamic_cast<TCustomForm*>(Owner()); [[fallthrough]];
    case TPosition::poMainFormCenter:
      if (over == nullptr && Application != nullptr) over = Application->MainForm();
      if (over != nullptr && over != this && over->Visible())
        centerOn(over->BoundsRect());
      else
        centerOn(monitorRect());
      break;
    default: break;
  }
}

void TCustomForm::CMShowingChanged(TMessage& Message) {
  if (FFormState.Contains(TFormStateItem::fsShowing))
    throw EInvalidOperation("Cannot change Visible in OnShow or OnHide");
  FFormState.Include(TFormStateItem::fsShowing);
  TComponentRef<TCustomForm> self(this);
  auto cleanup = ScopeExit([&] {
    if (self) FFormState.Exclude(TFormStateItem::fsShowing);
  });
  if (FShowing) {
    if (!FRecreating) VclGuard(this, [&] { DoShow(); });
    if (!self) return;
    if (FParent != nullptr || FParentWindow != nullptr) {
      TScrollingWinControl::Dispatch(Message);
    } else {
      PlaceOnShow();
      int32_t cmd = SW_SHOWNORMAL;
      if (FWindowState == TWindowState::wsMaximized) cmd = SW_SHOWMAXIMIZED;
      if (FWindowState == TWindowState::wsMinimized) cmd = SW_SHOWMINNOACTIVE;
      ShowWindow(FHandle, cmd);
    }
  } else {
    VclGuard(this, [&] { DoHide(); });
    if (!self) return;
    if (FParent != nullptr || FParentWindow != nullptr)
      TScrollingWinControl::Dispatch(Message);
    else if (FFormState.Contains(TFormStateItem::fsModal))
      SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    else
      ShowWindow(FHandle, SW_HIDE);
  }
}

void TCustomForm::CMVisibleChanged(TMessage& Message) {
  if (FVisible)
    FFormState.Include(TFormStateItem::fsVisible);
  else
    FFormState.Exclude(TFormStateItem::fsVisible);
  TScrollingWinControl::Dispatch(Message);
}

// ================================================================================
// Closing
// ================================================================================

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (FFormState.Contains(TFormStateItem::fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = TCloseAction::caHide;
  DoClose(action);
  if (action == TCloseAction::caNone) return;
  if (Application != nullptr && Application->MainForm() == this)
    Application->Terminate();
  else if (action == TCloseAction::caHide)
    Hide();
  else if (action == TCloseAction::caMinimize)
    SetWindowState(TWindowState::wsMinimized);
  else
    Release();
}

void TCustomForm::Release() {
  if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage&) {
  if (FFormState.Contains(TFormStateItem::fsModal)) {
    // ShowModal is still on the stack: it ends the loop and releases then.
    FReleasePending = true;
    if (FModalResult == mrNone) FModalResult = mrCancel;
    return;
  }
  // A handler of this form is still running further up (it pumped
  // messages): the form goes when it has returned.
  if (VclFormBusy(this, 1) && Application != nullptr) {
    Application->DeferRelease(this);
    return;
  }
  delete this;
}

void TCustomForm::CloseModal() {
  TComponentRef<TCustomForm> self(this);
  try {
    TCloseAction action = TCloseAction::caNone;
    if (CloseQuery()) {
      action = TCloseAction::caHide;
      DoClose(action);
    }
    if (!self) return;
    switch (action) {
      case TCloseAction::caNone: FModalResult = mrNone; break;
      case TCloseAction::caFree: Release(); break;
      default: break;
    }
  } catch (...) {
    if (self) FModalResult = mrNone;
    if (Application != nullptr) Application->HandleException(this);
  }
}

TModalResult TCustomForm::ShowModal() {
  if (FVisible || !Enabled() || FFormState.Contains(TFormStateItem::fsModal) || FFormStyle == TFormStyle::fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (Application == nullptr) throw EInvalidOperation("Cannot make a window modal without an application");
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  TComponentRef<TCustomForm> self(this);
  FFormState.Include(TFormStateItem::fsModal);
  HWND activeWindow = GetActiveWindow();
  const TCursor savedCursor = Screen != nullptr ? Screen->Cursor() : crDefault;
  if (Screen != nullptr) Screen->SetCursor(crDefault);
  std::vector<HWND> disabled = DisableTaskWindows(Handle());
  TModalResult result = mrCancel;
  // The modal form's activation is announced here, once; the form that had
  // the focus gets it back afterwards without a new OnActivate.
  TCustomForm* savedFocusedForm = Screen != nullptr ? Screen->FFocusedForm : nullptr;
  TComponentRef<TCustomForm> savedFocusedRef(savedFocusedForm);
  if (Screen != nullptr) Screen->FFocusedForm = this;

  auto finish = [&]() {
    EnableTaskWindows(disabled);
    if (Screen != nullptr) Screen->FFocusedForm = savedFocusedRef.Get();
    if (self) {
      VclGuard(this, [&] { Hide(); });
    }
    if (Screen != nullptr) Screen->SetCursor(savedCursor);
    if (activeWindow != nullptr && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
    if (self) {
      FFormState.Exclude(TFormStateItem::fsModal);
      if (FReleasePending) {
        FReleasePending = false;
        Release();
      }
    }
  };

  {
    auto cleanup = ScopeExit([&] { finish(); });
    Show();
    if (self) SendMessage(FHandle, CM_ACTIVATE, 0, 0);
    FModalResult = mrNone;
    while (self) {
      Application->HandleMessage();
      if (!self) break;
      if (Application->Terminated())
        FModalResult = mrCancel;
      else if (FModalResult != mrNone)
        CloseModal();
      if (!self || FModalResult != mrNone) break;
    }
    if (self) {
      result = FModalResult;
      if (FHandle != nullptr && GetActiveWindow() != FHandle) activeWindow = nullptr;
      SendMessage(FHandle, CM_DEACTIVATE, 0, 0);
    }
  }
  return result;
}

// ================================================================================
// Activation and focus
// ================================================================================

void TCustomForm::SetActive(bool Value) {
  FActive = Value;
  if (!Value) return;
  if (FActiveControl == nullptr) FActiveControl = FindNextControl(nullptr, true, true, false);
  SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  HWND focus = nullptr;
  if (FActiveControl != nullptr && FActiveControl->CanFocus())
    focus = FActiveControl->Handle();
  else
    focus = Handle();
  if (focus != nullptr && focus != GetFocus()) ::SetFocus(focus);
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  if (Control != nullptr && (Control == this || GetParentForm(Control) != this || !Control->CanFocus()))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  FActiveControl = Control;
  if (FActive) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool wasActive = FActive;
  SetActiveControl(Control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (FActive) return;
  if (!(FVisible && Enabled())) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetWindowFocus();
}

bool TCustomForm::CanFocus() { return FVisible && Enabled(); }

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  ++gFocusCount;
  // Windows going away hand the focus around; a dying form or control takes
  // no part in that.
  if (VclRecreatingFocus > 0 || ComponentState().Contains(TComponentStateItem::csDestroying) ||
      Control->ComponentState().Contains(TComponentStateItem::csDestroying))
    return true;
  if (Control != this)
    FActiveControl = Control;
  else
    FActiveControl = nullptr;
  if (Screen != nullptr) Screen->SetActive(this, Control);
  if (Control->FControlState.Contains(TControlStateItem::csFocusing)) return false;

  TComponentRef<TCustomForm> self(this);
  TComponentRef<TWinControl> target(Control);
  auto send = [&](TWinControl* c, uint32_t msg) {
    const int32_t count = gFocusCount;
    TComponentRef<TWinControl> ref(c);
    if (ref) c->Perform(msg, 0, 0);
    return self && target && count == gFocusCount;
  };

  Control->FControlState.Include(TControlStateItem::csFocusing);
  bool ok = false;
  {
    auto cleanup = ScopeExit([&] {
      if (target) Control->FControlState.Exclude(TControlStateItem::csFocusing);
    });
    do {
      if (Screen != nullptr && Screen->FFocusedForm != this) {
        if (TCustomForm* old = Screen->FFocusedForm) {
          Screen->FFocusedForm = nullptr;
          if (!send(old, CM_DEACTIVATE)) break;
        }
        Screen->FFocusedForm = this;
        if (!send(this, CM_ACTIVATE)) break;
      }
      if (FFocusedControl == nullptr) FFocusedControl = this;
      if (FFocusedControl != Control) {
        bool aborted = false;
        while (FFocusedControl != nullptr && !FFocusedControl->ContainsControl(Control)) {
          TWinControl* leaving = FFocusedControl;
          FFocusedControl = FFocusedControl->Parent();
          if (!send(leaving, CM_EXIT)) {
            aborted = true;
            break;
          }
        }
        if (aborted) break;
        if (FFocusedControl == nullptr) FFocusedControl = this;
        while (FFocusedControl != Control) {
          TWinControl* t = Control;
          while (t->Parent() != nullptr && t->Parent() != FFocusedControl) t = t->Parent();
          FFocusedControl = t;
          if (!send(t, CM_ENTER)) {
            aborted = true;
            break;
          }
        }
        if (aborted) break;
        for (TWinControl* p = Control->Parent(); p != nullptr; p = p->Parent())
          if (auto* s = dynamic_cast<TScrollingWinControl*>(p)) s->ScrollInView(Control);
        Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
      }
      ok = true;
    } while (false);
  }
  return ok && self;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && Control->ContainsControl(FFocusedControl)) FFocusedControl = Control->Parent();
  if (Screen != nullptr && Control->ContainsControl(Screen->FActiveControl)) Screen->FActiveControl = nullptr;
  if (Control->ContainsControl(FActiveControl)) {
    FActiveControl = nullptr;
    if (FActive && !ComponentState().Contains(TComponentStateItem::csDestroying)) SetWindowFocus();
  }
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::CMActivate(TMessage&) { Activate(); }
void TCustomForm::CMDeactivate(TMessage&) { Deactivate(); }

void TCustomForm::WMActivate(TMessage& Message) {
  const uint32_t state = LOWORD(Message.WParam);
  const bool minimized = HIWORD(Message.WParam) != 0;
  if (state == WA_INACTIVE)
    SetActive(false);
  else if (!minimized)
    SetActive(true);
  else
    FActive = true;
}

// ================================================================================
// Keys and short-cuts
// ================================================================================

bool TCustomForm::IsShortCut(TWMKey& Message) {
  bool handled = false;
  TComponentRef<TCustomForm> self(this);
  if (OnShortCut) OnShortCut(Message, handled);
  if (!handled && self && FMenu != nullptr) handled = MenuIsShortCut(FMenu, Message);
  return handled;
}

void TCustomForm::CMDialogKey(TMessage& Message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (Message.WParam) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          Message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl != nullptr && FActiveControl->Parent() != nullptr) {
          FActiveControl->Parent()->SelectNext(FActiveControl, Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN,
                                               false);
          Message.Result = 1;
        }
        return;
      default: break;
    }
  }
  TScrollingWinControl::Dispatch(Message);
}

void TCustomForm::UpdateActions() {
  if (!FShowing) return;
  InitiateAction();
  std::function<void(TWinControl*)> walk = [&](TWinControl* container) {
    for (int32_t i = 0; i < container->ControlCount(); ++i) {
      TControl* c = container->Controls(i);
      if (c->ControlStyle().Contains(TControlStyleItem::csActionClient) && c->Visible()) c->InitiateAction();
      if (auto* w = dynamic_cast<TWinControl*>(c)) walk(w);
    }
  };
  walk(this);
}

// ================================================================================
// Messages
// ================================================================================

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC DC) {
  FCanvas->Lock();
  FCanvas->SetHandle(DC);
  auto cleanup = ScopeExit([&] {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
  });
  Paint();
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMCommand(TMessage& Message) {
  if (Message.LParam == 0 && FMenu != nullptr && MenuDispatchCommand(FMenu, LOWORD(Message.WParam))) return;
  TScrollingWinControl::Dispatch(Message);
}

void TCustomForm::WMSysCommand(TMessage& Message) {
  if ((Message.WParam & 0xFFF0) == SC_MINIMIZE && Application != nullptr && Application->MainForm() == this) {
    Application->Minimize();
    return;
  }
  TScrollingWinControl::Dispatch(Message);
}

void TCustomForm::WMGetMinMaxInfo(TMessage& Message) {
  DefaultHandler(Message);
  auto* mmi = reinterpret_cast<MINMAXINFO*>(Message.LParam);
  if (mmi == nullptr) return;
  TSizeConstraints* c = Constraints();
  if (c->MinWidth() > 0) mmi->ptMinTrackSize.X = c->MinWidth();
  if (c->MinHeight() > 0) mmi->ptMinTrackSize.Y = c->MinHeight();
  if (c->MaxWidth() > 0) mmi->ptMaxTrackSize.X = c->MaxWidth();
  if (c->MaxHeight() > 0) mmi->ptMaxTrackSize.Y = c->MaxHeight();
}

void TCustomForm::WndProc(TMessage& Message) {
  if (FMenu != nullptr) {
    switch (Message.Msg) {
      case WM_NCCALCSIZE:
      case WM_NCPAINT:
      case WM_NCHITTEST:
      case WM_NCMOUSEMOVE:
      case WM_NCLBUTTONDOWN:
      case WM_NCLBUTTONUP:
      case WM_NCLBUTTONDBLCLK:
      case WM_NCACTIVATE:
      case WM_SYSCOMMAND:
      case WM_SYSCHAR:
      case CM_MENUCHANGED:
        if (MenuBarMessage(this, FMenu, Message)) return;
        break;
      default: break;
    }
  }
  TScrollingWinControl::WndProc(Message);
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE: WMActivate(Message); return;
    case WM_CLOSE: WMClose(Message); return;
    case WM_COMMAND: WMCommand(Message); return;
    case WM_SYSCOMMAND: WMSysCommand(Message); return;
    case WM_GETMINMAXINFO: WMGetMinMaxInfo(Message); return;
    case WM_ACTIVATEAPP:
      // Every top-level window hears it; the application reacts once.
      if (Application != nullptr && Application->FActive != (Message.WParam != 0)) {
        Application->FActive = Message.WParam != 0;
        TApplication* app = Application;
        VclGuard(this, [&] {
          if (app->FActive && app->OnActivate) app->OnActivate(app);
          if (!app->FActive && app->OnDeactivate) app->OnDeactivate(app);
        });
      }
      TScrollingWinControl::Dispatch(Message);
      return;
    case WM_SIZE:
      if (FParent == nullptr) {
        if (Message.WParam == SIZE_MINIMIZED)
          FWindowState = TWindowState::wsMinimized;
        else if (Message.WParam == SIZE_MAXIMIZED)
          FWindowState = TWindowState::wsMaximized;
        else if (Message.WParam == SIZE_RESTORED)
          FWindowState = TWindowState::wsNormal;
      }
      TScrollingWinControl::Dispatch(Message);
      return;
    case WM_PAINT: {
      const bool had = FControlState.Contains(TControlStateItem::csCustomPaint);
      FControlState.Include(TControlStateItem::csCustomPaint);
      {
        auto cleanup = ScopeExit([&] {
          if (!had) FControlState.Exclude(TControlStateItem::csCustomPaint);
        });
        TScrollingWinControl::Dispatch(Message);
      }
      return;
    }
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_ACTIVATE: CMActivate(Message); return;
    case CM_DEACTIVATE: CMDeactivate(Message); return;
    case CM_RELEASE: CMRelease(Message); return;
    case CM_MENUCHANGED:
      if (FHandle != nullptr)
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    default: TScrollingWinControl::Dispatch(Message); return;
  }
}
