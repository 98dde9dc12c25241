// The base of the framework's common dialogs and the task-modal helpers.
//
// A common dialog runs task-modally: the active window is remembered, every
// window of the task is disabled, the application window is hooked (so the
// dialog sees the messages sent to it, such as the help request), the
// dialog runs, and then the hook goes, the windows get their earlier states
// back and the remembered window is reactivated, also when the run raised.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/vcl/controls.h"

// Disables every visible, enabled top-level window of the task but Except and
// answers them; EnableTaskWindows enables exactly those again (a window that
// was disabled before stays disabled, so nested calls restore in order).
std::vector<HWND> DisableTaskWindows(HWND Except);
void EnableTaskWindows(const std::vector<HWND>& Windows);

// The registered message a common dialog sends its owner for its Help button.
inline constexpr const char* HELPMSGSTRING = "commdlg_help";

class TCommonDialog : public TComponent {
 public:
  explicit TCommonDialog(TComponent* AOwner);
  ~TCommonDialog() override;
  const char* ClassName() const override { return "TCommonDialog"; }

  // The dialog window while it is open, else 0.
  HWND Handle() const { return FHandle; }
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value) { FCtl3D = Value; }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }
  // The name of a registered dialog template the dialog adds (empty: none).
  const String& Template() const { return FTemplate; }
  void SetTemplate(const String& Value) { FTemplate = Value; }

  // Runs the dialog owned by the active window; true when it was accepted.
  bool Execute();
  virtual bool Execute(HWND ParentWnd) = 0;

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  // The steps above around DialogFunc; answers its result.
  bool TaskModalDialog(const std::function<bool()>& DialogFunc);
  // Messages of the application window while the dialog runs; true:
  // handled. The help message opens help for a non-zero HelpContext.
  virtual bool MessageHook(TMessage& Msg);
  virtual void DoShow();
  virtual void DoClose();
  // Messages of the dialog window once attached: WM_INITDIALOG (DoShow),
  // WM_DESTROY (DoClose), WM_NCDESTROY (Handle becomes 0); the rest go to
  // DefaultHandler.
  virtual void WndProc(TMessage& Message);
  // The dialog window's own procedure.
  void DefaultHandler(TMessage& Message);
  // Called by the dialog's hook procedure at WM_INITDIALOG: subclasses the
  // dialog window so that WndProc sees its messages, then passes this
  // WM_INITDIALOG through it; answers its result.
  LRESULT AttachDialog(HWND hdlg, uint32_t Msg, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT SubclassProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
  void Detach();

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  bool FCtl3D = true;
  int32_t FHelpContext = 0;
  String FTemplate;
};
