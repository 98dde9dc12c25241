// TCommonDialog and the task-modal helpers.
#include "platform/vcl/dialogs_common.h"

#include <map>

#include "platform/gui/headless.h"
#include "platform/vcl/forms.h"
#include "platform/rtl/scopeguard.h"

namespace {

struct TTaskWindows {
  HWND Except = nullptr;
  std::vector<HWND> Windows;
};

bool CollectEnabled(HWND hwnd, LPARAM data) {
  auto* d = reinterpret_cast<TTaskWindows*>(data);
  if (hwnd != d->Except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) d->Windows.push_back(hwnd);
  return true;
}

std::map<HWND, TCommonDialog*>& Attached() {
  static std::map<HWND, TCommonDialog*> attached;
  return attached;
}

}  // namespace

std::vector<HWND> DisableTaskWindows(HWND Except) {
  TTaskWindows d;
  d.Except = Except;
  EnumWindows(CollectEnabled, reinterpret_cast<LPARAM>(&d));
  for (HWND h : d.Windows) EnableWindow(h, false);
  return d.Windows;
}

void EnableTaskWindows(const std::vector<HWND>& Windows) {
  for (auto it = Windows.rbegin(); it != Windows.rend(); ++it)
    if (IsWindow(*it)) EnableWindow(*it, true);
}

// ================================================================================
// TCommonDialog
// ================================================================================

TCommonDialog::TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}

TCommonDialog::~TCommonDialog() {
  Destroying();
  Detach();
}

bool TCommonDialog::Execute() { return Execute(GetActiveWindow()); }

bool TCommonDialog::TaskModalDialog(const std::function<bool()>& DialogFunc) {
  HWND activeWindow = GetActiveWindow();
  std::vector<HWND> windows = DisableTaskWindows(nullptr);
  int32_t hookId = 0;
  auto restore = [&]() {
    if (hookId != 0 && Application != nullptr) Application->UnhookMainWindow(hookId);
    EnableTaskWindows(windows);
    if (activeWindow != nullptr && IsWindow(activeWindow) && IsWindowVisible(activeWindow))
      SetActiveWindow(activeWindow);
  };
  bool result = false;
  {
    auto cleanup = ScopeExit([&] { restore(); });
    if (Application != nullptr)
      hookId = Application->HookMainWindow([this](TMessage& Msg) { return MessageHook(Msg); });
    result = DialogFunc();
  }
  return result;
}

bool TCommonDialog::MessageHook(TMessage& Msg) {
  if (Msg.Msg != RegisterWindowMessage(HELPMSGSTRING) || FHelpContext == 0) return false;
  // The platform has no help viewer: the context becomes the application's,
  // where a viewer would read it.
  if (Application != nullptr) Application->SetHelpContext(FHelpContext);
  Msg.Result = 1;
  return true;
}

void TCommonDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TCommonDialog::DoClose() {
  if (OnClose) OnClose(this);
}

void TCommonDialog::DefaultHandler(TMessage& Message) {
  if (FHandle != nullptr && FDefWndProc != nullptr)
    Message.Result = CallWindowProc(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TCommonDialog::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_INITDIALOG:
      // Passed on by the hook that is handling this very message: asking
      // the dialog procedure again would loop.
      Message.Result = 0;
      DoShow();
      break;
    case WM_DESTROY:
      DefaultHandler(Message);
      DoClose();
      break;
    case WM_NCDESTROY: {
      DefaultHandler(Message);
      Detach();
      break;
    }
    default: DefaultHandler(Message);
  }
}

LRESULT TCommonDialog::SubclassProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto it = Attached().find(hwnd);
  if (it == Attached().end()) return DefWindowProc(hwnd, msg, wParam, lParam);
  TCommonDialog* dialog = it->second;
  TMessage m{msg, wParam, lParam, 0};
  try {
    dialog->WndProc(m);
  } catch (const EHeadlessHang&) {
    throw;
  } catch (...) {
    if (Application != nullptr) Application->HandleException(dialog);
  }
  return m.Result;
}

LRESULT TCommonDialog::AttachDialog(HWND hdlg, uint32_t Msg, WPARAM wParam, LPARAM lParam) {
  Detach();
  FHandle = hdlg;
  FDefWndProc = reinterpret_cast<WNDPROC>(SetWindowLong(hdlg, GWL_WNDPROC, reinterpret_cast<intptr_t>(&SubclassProc)));
  Attached()[hdlg] = this;
  return SendMessage(hdlg, Msg, wParam, lParam);
}

void TCommonDialog::Detach() {
  if (FHandle == nullptr) return;
  Attached().erase(FHandle);
  if (IsWindow(FHandle) && FDefWndProc != nullptr &&
      GetWindowLong(FHandle, GWL_WNDPROC) == reinterpret_cast<intptr_t>(&SubclassProc))
    SetWindowLong(FHandle, GWL_WNDPROC, reinterpret_cast<intptr_t>(FDefWndProc));
  FHandle = nullptr;
  FDefWndProc = nullptr;
}
