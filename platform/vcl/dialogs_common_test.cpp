#include "platform/vcl/dialogs_common.h"

#include <gtest/gtest.h>

#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/vcl/vcl_testing.h"

namespace {

// A small common dialog written the way the framework's own are: a task-modal
// run of a dialog whose hook attaches the component at WM_INITDIALOG.
class TSampleDialog : public TCommonDialog {
 public:
  explicit TSampleDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  using TCommonDialog::Execute;

  bool Execute(HWND ParentWnd) override {
    TDialogTemplate t;
    t.Title = "Sample dialog";
    t.CX = 120;
    t.CY = 40;
    t.Items = {{"Button", IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 10, 20, 50, 14},
               {"Button", IDCANCEL, "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 64, 20, 50, 14}};
    return TaskModalDialog([&] {
      const bool ok = DialogBoxIndirectParam(nullptr, t, ParentWnd, Hook, reinterpret_cast<LPARAM>(this)) == IDOK;
      if (RaiseAfterRun) throw EInvalidOperation("the run failed");
      return ok;
    });
  }

  bool RaiseAfterRun = false;
  std::vector<uint32_t> Seen;  // what WndProc saw, in order

 protected:
  void WndProc(TMessage& Message) override {
    Seen.push_back(Message.Msg);
    TCommonDialog::WndProc(Message);
  }

 private:
  static intptr_t Hook(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) return reinterpret_cast<TSampleDialog*>(lParam)->AttachDialog(h, msg, wParam, lParam);
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
      EndDialog(h, LOWORD(wParam));
      return 1;
    }
    return 0;
  }
};

class DlgCommon : public TVclTest {};

TEST_F(DlgCommon, TaskModalStepsAndRestore) {
  TForm* main = new TForm(App.get());
  TForm* tool = new TForm(App.get());
  main->Show();
  tool->Show();
  tool->SetEnabled(false);  // disabled before: stays so
  main->SetFocus();
  Pump();
  ASSERT_EQ(GetActiveWindow(), main->Handle());

  TSampleDialog dlg(nullptr);
  dlg.SetHelpContext(55);
  const uint32_t help = RegisterWindowMessage(HELPMSGSTRING);
  bool mainEnabledInside = true;
  HWND handleInside = nullptr;
  LRESULT helpAnswer = 0;
  int32_t closes = 0;
  dlg.OnShow = [&](TObject*) {
    mainEnabledInside = IsWindowEnabled(main->Handle());
    handleInside = dlg.Handle();
    helpAnswer = SendMessage(App->Handle(), help, 0, 0);
  };
  dlg.OnClose = [&](TObject*) { ++closes; };
  {
    TDialogScript script;
    script.Expect(TScriptKind::Dialog).Caption("Sample dialog").Press(IDOK);
    EXPECT_TRUE(dlg.Execute());
  }
  EXPECT_FALSE(mainEnabledInside);
  EXPECT_NE(handleInside, nullptr);
  EXPECT_EQ(helpAnswer, 1);
  EXPECT_EQ(App->HelpContext(), 55);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(dlg.Handle(), nullptr);
  ASSERT_FALSE(dlg.Seen.empty());
  EXPECT_EQ(dlg.Seen.front(), uint32_t(WM_INITDIALOG));
  EXPECT_EQ(dlg.Seen.back(), uint32_t(WM_NCDESTROY));
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(IsWindowEnabled(tool->Handle()));
  EXPECT_EQ(GetActiveWindow(), main->Handle());
  // The hook is gone with the dialog.
  App->SetHelpContext(0);
  EXPECT_EQ(SendMessage(App->Handle(), help, 0, 0), 0);
  EXPECT_EQ(App->HelpContext(), 0);

  // A run that raises restores the same way.
  dlg.RaiseAfterRun = true;
  {
    TDialogScript script;
    script.Expect(TScriptKind::Dialog).Press(IDCANCEL);
    EXPECT_THROW(dlg.Execute(), EInvalidOperation);
  }
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(IsWindowEnabled(tool->Handle()));
  EXPECT_EQ(GetActiveWindow(), main->Handle());
  EXPECT_EQ(SendMessage(App->Handle(), help, 0, 0), 0);
}

TEST_F(DlgCommon, NestedTaskWindowsRestoreInOrder) {
  TForm* a = new TForm(App.get());
  TForm* b = new TForm(App.get());
  a->Show();
  b->Show();
  Pump();
  const std::vector<HWND> outer = DisableTaskWindows(b->Handle());
  EXPECT_FALSE(IsWindowEnabled(a->Handle()));
  EXPECT_TRUE(IsWindowEnabled(b->Handle()));
  const std::vector<HWND> inner = DisableTaskWindows(nullptr);
  EXPECT_EQ(inner, std::vector<HWND>{b->Handle()});  // a was already disabled
  EnableTaskWindows(inner);
  EXPECT_FALSE(IsWindowEnabled(a->Handle()));
  EXPECT_TRUE(IsWindowEnabled(b->Handle()));
  EnableTaskWindows(outer);
  EXPECT_TRUE(IsWindowEnabled(a->Handle()));
}

}  // namespace
