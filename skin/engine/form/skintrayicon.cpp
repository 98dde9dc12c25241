// The tray icon: its notify record, the hidden window's mouse messages,
// the click timer and the icon cycling.
#include "skin/engine/form/skintrayicon.h"

#include "platform/vcl/forms.h"

namespace {

constexpr uint32_t kCallbackMessage = 0x800;
constexpr uint32_t kBalloonClick = WM_USER + 5;

TShiftState KeyShift() {
  TShiftState s;
  if (GetAsyncKeyState(VK_SHIFT) < 0) s.Include(TShiftStateItem::ssShift);
  if (GetAsyncKeyState(VK_MENU) < 0) s.Include(TShiftStateItem::ssAlt);
  if (GetAsyncKeyState(VK_CONTROL) < 0) s.Include(TShiftStateItem::ssCtrl);
  return s;
}

}  // namespace

String CutUtf8(const String& S, size_t MaxBytes) {
  if (S.size() <= MaxBytes) return S;
  size_t n = MaxBytes;
  // Back over continuation bytes to the start of the character cut through.
  while (n > 0 && (static_cast<uint8_t>(S[n]) & 0xC0) == 0x80) --n;
  return S.substr(0, n);
}

TbsTrayIcon::TbsTrayIcon(TComponent* AOwner) : TComponent(AOwner) {
  FTaskbarCreated = RegisterWindowMessage("TaskbarCreated");
  FWindow = AllocateHWnd([this](TMessage& M) { WndProc(M); });
  FNotifyData.cbSize = 488;
  FNotifyData.hWnd = FWindow;
  FNotifyData.uID = 1;
  FNotifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  FNotifyData.uCallbackMessage = kCallbackMessage;
  FAnimateTimer = new TTimer(this);
  FAnimateTimer->SetEnabled(false);
  FAnimateTimer->SetOnTimer([this](TObject*) { Animate(); });
  FClickTimer = new TTimer(this);
  FClickTimer->SetEnabled(false);
  FClickTimer->SetInterval(GetDoubleClickTime());
  FClickTimer->SetOnTimer([this](TObject*) { ClickTimerTick(); });
  if (ComponentState().Contains(TComponentStateItem::csDesigning) || Application == nullptr) return;
  if (FIcon->Empty() && !Application->Icon()->Empty()) FIcon->Assign(Application->Icon());
  Application->Handle();  // the window that hears the area restart
  FAppHookId = Application->HookMainWindow([this](TMessage& M) { return AppHook(M); });
  FHookedOwner = dynamic_cast<TWinControl*>(AOwner);
  if (FHookedOwner == nullptr) return;
  FSavedOwnerWndProc = FHookedOwner->WindowProc;
  FHookedOwner->WindowProc = [this](TMessage& M) { OwnerHook(M); };
}

TbsTrayIcon::~TbsTrayIcon() {
  if (FAppHookId != 0 && Application != nullptr) Application->UnhookMainWindow(FAppHookId);
  if (FHookedOwner != nullptr) FHookedOwner->WindowProc = FSavedOwnerWndProc;
  HideIcon();
  DeallocateHWnd(FWindow);
}

void TbsTrayIcon::Loaded() {
  TComponent::Loaded();
  const bool designing = ComponentState().Contains(TComponentStateItem::csDesigning);
  if (OwnerWindowed() && MinimizedOnStart && !designing && Application != nullptr) {
    FIconVisible = true;
    MinimizeToTray = true;
    Application->SetShowMainForm(false);
    ShowWindow(Application->Handle(), SW_HIDE);
  }
  ModifyIcon();
  SetIconVisible(FIconVisible);
}

void TbsTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (AComponent == FIconList) FIconList = nullptr;
}

// The tip is the hint, cut to 127 bytes, when hints are shown.
bool TbsTrayIcon::UpdateNotifyData() {
  FNotifyData.hIcon = FIcon->Handle();
  const String tip = FShowHint ? CutUtf8(FHint, sizeof FNotifyData.szTip - 1) : String();
  std::fill(std::begin(FNotifyData.szTip), std::end(FNotifyData.szTip), '\0');
  std::copy(tip.begin(), tip.end(), FNotifyData.szTip);
  return true;
}

// The area's answers are not checked: a modify while hidden fails harmlessly.
void TbsTrayIcon::ShowIcon() {
  FIconVisible = true;
  if (UpdateNotifyData()) Shell_NotifyIcon(NIM_ADD, &FNotifyData);
}

void TbsTrayIcon::HideIcon() {
  FIconVisible = false;
  if (UpdateNotifyData()) Shell_NotifyIcon(NIM_DELETE, &FNotifyData);
}

void TbsTrayIcon::ModifyIcon() {
  if (UpdateNotifyData()) Shell_NotifyIcon(NIM_MODIFY, &FNotifyData);
}

void TbsTrayIcon::SetIcon(TIcon* Value) {
  FIcon->Assign(Value);
  ModifyIcon();
}

void TbsTrayIcon::SetIconVisible(bool Value) { Value ? ShowIcon() : HideIcon(); }

void TbsTrayIcon::SetHint(const String& Value) {
  FHint = Value;
  ModifyIcon();
}

void TbsTrayIcon::SetShowHint(bool Value) {
  FShowHint = Value;
  ModifyIcon();
}

void TbsTrayIcon::SetPopupMenu(TbsSkinPopupMenu* Value) {
  FPopupMenu = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TbsTrayIcon::SetIconList(TCustomImageList* Value) {
  FIconList = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  SetIconIndex(0);
}

// An index beyond the list shows its last image.
void TbsTrayIcon::SetIconIndex(int32_t Value) {
  if (FIconList != nullptr && FIconList->Count() > 0) {
    FIconIndex = Value >= FIconList->Count() ? FIconList->Count() - 1 : Value;
    FIconList->GetIcon(FIconIndex, FIcon.get());
  } else {
    FIconIndex = 0;
  }
  ModifyIcon();
}

void TbsTrayIcon::SetCycleIcons(bool Value) {
  FCycleIcons = Value;
  if (Value) SetIconIndex(0);
  FAnimateTimer->SetEnabled(Value);
}

void TbsTrayIcon::Animate() {
  if (FIconList == nullptr || FIconList->Count() == 0) return;
  const int32_t count = FIconList->Count();
  if (FIconIndex >= count) FIconIndex = 0;
  FIconList->GetIcon(FIconIndex, FIcon.get());
  const int32_t next = FIconIndex + 1 < count ? FIconIndex + 1 : 0;
  if (OnCycle) OnCycle(this, next);
  ModifyIcon();
  FIconIndex = next;
}

void TbsTrayIcon::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case kCallbackMessage:
      if (Enabled) IconMessage(static_cast<uint32_t>(Message.LParam));
      break;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_USERCHANGED:
    case WM_NCDESTROY: Message.Result = 1; break;
    default: Message.Result = DefWindowProc(FWindow, Message.Msg, Message.WParam, Message.LParam); break;
  }
}

void TbsTrayIcon::IconMessage(uint32_t Mouse) {
  TPoint p;
  GetCursorPos(&p);
  TShiftState shift = KeyShift();
  auto down = [&](TMouseButton B, TShiftStateItem S) {
    if (OnMouseDown) OnMouseDown(this, B, shift + TShiftState{S}, p.X, p.Y);
  };
  auto up = [&](TMouseButton B, TShiftStateItem S) {
    if (OnMouseUp) OnMouseUp(this, B, shift + TShiftState{S}, p.X, p.Y);
  };
  switch (Mouse) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, shift, p.X, p.Y);
      break;
    case WM_LBUTTONDOWN:
      FClickTimer->SetEnabled(true);
      down(TMouseButton::mbLeft, TShiftStateItem::ssLeft);
      FClickStarted = true;
      if (PopupByLeftButton) PopupAtCursor();
      break;
    case WM_LBUTTONUP:
      if (FClickStarted) {
        FSingleClickPending = true;
        // The double-click time is over already: the click is reported now.
        if (!FClickTimer->Enabled()) {
          FSingleClickPending = FDoubleClicked = false;
          if (OnClick) OnClick(this);
        }
      }
      FClickStarted = false;
      up(TMouseButton::mbLeft, TShiftStateItem::ssLeft);
      break;
    case WM_LBUTTONDBLCLK:
      FSingleClickPending = false;
      FDoubleClicked = true;
      if (OnDblClick) OnDblClick(this);
      if (FPopupMenu != nullptr && FPopupMenu->AutoPopup() && !PopupByLeftButton) ClickDefaultItem();
      break;
    case WM_RBUTTONDOWN:
      down(TMouseButton::mbRight, TShiftStateItem::ssRight);
      PopupAtCursor();
      break;
    case WM_RBUTTONUP: up(TMouseButton::mbRight, TShiftStateItem::ssRight); break;
    case WM_MBUTTONDOWN: down(TMouseButton::mbMiddle, TShiftStateItem::ssMiddle); break;
    case WM_MBUTTONUP: up(TMouseButton::mbMiddle, TShiftStateItem::ssMiddle); break;
    case kBalloonClick:
      if (OnBalloonHintClick) OnBalloonHintClick(this);
      break;
    default: break;
  }
}

void TbsTrayIcon::ClickTimerTick() {
  FClickTimer->SetEnabled(false);
  if (!FDoubleClicked && FSingleClickPending) {
    FSingleClickPending = false;
    if (OnClick) OnClick(this);
  }
  FDoubleClicked = false;
}

void TbsTrayIcon::ClickDefaultItem() {
  TMenuItem* items = FPopupMenu->Items();
  for (int32_t i = 0; items != nullptr && i < items->Count(); ++i)
    if (items->Items(i)->Default()) return items->Items(i)->Click();
}

// WM_NULL to the owner afterwards lets the menu close on a click elsewhere.
void TbsTrayIcon::PopupAtCursor() {
  if (FPopupMenu == nullptr || !FPopupMenu->AutoPopup()) return;
  TPoint p;
  if (!GetCursorPos(&p)) return;
  if (Application != nullptr) Application->ProcessMessages();
  SetForegroundWindow(FWindow);
  auto* owner = dynamic_cast<TWinControl*>(Owner());
  if (owner != nullptr && owner->HandleAllocated()) SetForegroundWindow(owner->Handle());
  FPopupMenu->SetPopupComponent(this);
  FPopupMenu->Popup(p.X, p.Y);
  if (owner != nullptr && owner->HandleAllocated()) PostMessage(owner->Handle(), WM_NULL, 0, 0);
}

// A minimised application goes to the tray; a restarted notification area
// gets the visible icon again.
bool TbsTrayIcon::AppHook(TMessage& Message) {
  if (Message.Msg == WM_SIZE && Message.WParam == SIZE_MINIMIZED && MinimizeToTray) DoMinimizeToTray();
  if (Message.Msg == WM_WINDOWPOSCHANGED && FCheckMDIStart) CheckMDIStart();
  if (Message.Msg == FTaskbarCreated && FIconVisible) ShowIcon();
  return false;
}

// An MDI main form shows the application window on its own; a start in the
// tray hides it again, once the main form exists.
void TbsTrayIcon::CheckMDIStart() {
  TCustomForm* main = Application->MainForm();
  if (main == nullptr) return;
  if (main->FormStyle() == TFormStyle::fsMDIForm && MinimizedOnStart) ShowWindow(Application->Handle(), SW_HIDE);
  FCheckMDIStart = false;
}

void TbsTrayIcon::OwnerHook(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE: OwnerActivated(Message); break;
    case WM_SHOWWINDOW: OwnerShown(Message); break;
    default: break;
  }
  if (FSavedOwnerWndProc) FSavedOwnerWndProc(Message);
}

// Coming back from the tray or the popup menu, the focus returns to the
// screen's active control unless activation came from its own parent.
void TbsTrayIcon::OwnerActivated(TMessage& Message) {
  const uint32_t state = LOWORD(Message.WParam);
  TWinControl* active = Screen != nullptr ? Screen->ActiveControl() : nullptr;
  if ((state != WA_ACTIVE && state != WA_CLICKACTIVE) || active == nullptr) return;
  TWinControl* home = active->Parent() != nullptr ? active->Parent() : active;
  const HWND losing = reinterpret_cast<HWND>(Message.LParam);
  if (!home->HandleAllocated() || losing != home->Handle()) SetFocus(active->Handle());
}

// Shown by ShowWindow (not by a parent): the hidden application window
// comes back and the owner comes to the front.
void TbsTrayIcon::OwnerShown(TMessage& Message) {
  if (Message.LParam != 0 || Message.WParam != 1 || Application == nullptr) return;
  ShowWindow(Application->Handle(), SW_RESTORE);
  SetForegroundWindow(Application->Handle());
  SetForegroundWindow(FHookedOwner->Handle());
}

bool TbsTrayIcon::OwnerWindowed() const { return dynamic_cast<TWinControl*>(Owner()) != nullptr; }

void TbsTrayIcon::DoMinimizeToTray() {
  HideMainForm();
  SetIconVisible(true);
}

void TbsTrayIcon::ShowMainForm() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (!OwnerWindowed() || main == nullptr) return;
  ShowWindow(Application->Handle(), SW_RESTORE);
  main->SetVisible(true);
  if (main->HandleAllocated() && IsIconic(main->Handle())) ShowWindow(main->Handle(), SW_RESTORE);
}

void TbsTrayIcon::HideMainForm() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (!OwnerWindowed() || main == nullptr) return;
  main->SetVisible(false);
  ShowWindow(Application->Handle(), SW_HIDE);
}
