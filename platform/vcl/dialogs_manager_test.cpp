#include "platform/vcl/dialogs_manager.h"

#include <gtest/gtest.h>

#include "platform/rtl/arith.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/messages.h"
#include "platform/vcl/stdctrls_native.h"
#include "platform/vcl/timers.h"
#include "platform/vcl/vcl_testing.h"

namespace {

constexpr int32_t kEdit = 101;
constexpr int32_t kCheck = 102;
constexpr int32_t kLabel = 103;

TDialogTemplate SampleTemplate() {
  TDialogTemplate t;
  t.Title = "Sample";
  t.CX = 180;
  t.CY = 90;
  t.Items = {
      {"Static", kLabel, "&Name:", WS_CHILD | WS_VISIBLE, 0, 7, 9, 40, 8},
      {"Edit", kEdit, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 50, 7, 120, 12},
      {"Button", kCheck, "&Keep", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 50, 25, 80, 10},
      {"Button", IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 66, 70, 50, 14},
      {"Button", IDCANCEL, "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 123, 70, 50, 14},
  };
  return t;
}

// What the sample procedure saw and does.
struct TProbe {
  std::vector<uint32_t> Messages;
  WPARAM InitFocus = 0;
  LPARAM InitParam = 0;
  std::function<void(HWND, uint32_t, WPARAM, LPARAM)> Extra;
  bool AliveAfterEnd = false;
  int32_t Commands = 0;
};
TProbe* Probe = nullptr;

intptr_t SampleProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (Probe == nullptr) return 0;
  Probe->Messages.push_back(msg);
  if (Probe->Extra) Probe->Extra(h, msg, wParam, lParam);
  switch (msg) {
    case WM_INITDIALOG:
      Probe->InitFocus = wParam;
      Probe->InitParam = lParam;
      return 1;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        ++Probe->Commands;
        EndDialog(h, LOWORD(wParam));
        Probe->AliveAfterEnd = IsWindow(h);  // destroyed only after this handler returned
        return 1;
      }
      return 0;
    case WM_USER + 5: SetWindowLong(h, DWLP_MSGRESULT, 42); return 1;
    default: return 0;
  }
}

class DlgManager : public TVclTest {
 protected:
  DlgManager() {
    Probe = &P;
    RegisterDialogTemplate("IDD_SAMPLE", SampleTemplate());
  }
  ~DlgManager() override {
    UnregisterDialogTemplate("IDD_SAMPLE");
    Probe = nullptr;
  }
  TProbe P;
};

TEST_F(DlgManager, TemplateMakesControlsInDialogUnits) {
  EXPECT_EQ(CreateDialogParam(nullptr, "NO_SUCH", nullptr, SampleProc, 0), nullptr);
  EXPECT_EQ(DialogBoxParam(nullptr, "NO_SUCH", nullptr, SampleProc, 0), -1);
  HWND h = CreateDialogParam(nullptr, "idd_sample", nullptr, SampleProc, 77);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetClassNameString(h), WC_DIALOG);
  EXPECT_EQ(GetWindowTextString(h), "Sample");
  // WM_SETFONT comes before WM_INITDIALOG, whose wParam is the first tab stop.
  const auto init = std::find(P.Messages.begin(), P.Messages.end(), WM_INITDIALOG);
  ASSERT_NE(init, P.Messages.end());
  EXPECT_NE(std::find(P.Messages.begin(), init, WM_SETFONT), init);
  EXPECT_EQ(reinterpret_cast<HWND>(P.InitFocus), GetDlgItem(h, kEdit));
  EXPECT_EQ(P.InitParam, 77);

  // Base units of the dialog font: x = MulDiv(x, cx, 4), y = MulDiv(y, cy, 8).
  const TSize base = DialogBaseUnitsOfFont(reinterpret_cast<HFONT>(SendMessage(h, WM_GETFONT, 0, 0)));
  EXPECT_GT(base.cx, 3);
  EXPECT_GT(base.cy, 8);
  TRect r{50, 7, 170, 19};
  ASSERT_TRUE(MapDialogRect(h, &r));
  EXPECT_EQ(r, (TRect{MulDiv(50, base.cx, 4), MulDiv(7, base.cy, 8), MulDiv(170, base.cx, 4), MulDiv(19, base.cy, 8)}));
  TRect er;
  GetWindowRect(GetDlgItem(h, kEdit), &er);
  MapWindowPoints(nullptr, h, &er);
  EXPECT_EQ(er, r);
  TRect cr;
  GetClientRect(h, &cr);
  EXPECT_EQ(cr.Width(), MulDiv(180, base.cx, 4));
  EXPECT_EQ(cr.Height(), MulDiv(90, base.cy, 8));
  EXPECT_FALSE(MapDialogRect(GetDlgItem(h, kEdit), &r));  // not a dialog

  EXPECT_EQ(GetDlgCtrlID(GetDlgItem(h, kCheck)), kCheck);
  EXPECT_EQ(GetDlgItem(h, 999), nullptr);
  EXPECT_TRUE(SetDlgItemText(h, kEdit, "grüße.png"));
  EXPECT_EQ(GetDlgItemTextString(h, kEdit), "grüße.png");
  char small[6];
  EXPECT_EQ(GetDlgItemText(h, kEdit, small, sizeof(small)), 4u);  // never half a character
  EXPECT_STREQ(small, "grü");
  EXPECT_TRUE(SetDlgItemInt(h, kEdit, uint32_t(-12), true));
  bool ok = false;
  EXPECT_EQ(int32_t(GetDlgItemInt(h, kEdit, &ok, true)), -12);
  EXPECT_TRUE(ok);
  GetDlgItemInt(h, kEdit, &ok, false);
  EXPECT_FALSE(ok);
  EXPECT_EQ(SendDlgItemMessage(h, kEdit, WM_GETTEXTLENGTH, 0, 0), 3);
  EXPECT_EQ(IsDlgButtonChecked(h, kCheck), BST_UNCHECKED);
  EXPECT_TRUE(CheckDlgButton(h, kCheck, BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(h, kCheck), BST_CHECKED);

  // Window extra bytes: the procedure, the user value, the message result.
  EXPECT_EQ(GetWindowLong(h, DWLP_DLGPROC), reinterpret_cast<intptr_t>(&SampleProc));
  SetWindowLong(h, DWLP_USER, 1234);
  EXPECT_EQ(GetWindowLong(h, DWLP_USER), 1234);
  EXPECT_EQ(SendMessage(h, WM_USER + 5, 0, 0), 42);
  EXPECT_EQ(SendMessage(h, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
  SendMessage(h, DM_SETDEFID, IDCANCEL, 0);
  EXPECT_EQ(SendMessage(h, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID));
  EXPECT_EQ(SendDlgItemMessage(h, IDCANCEL, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
  EXPECT_EQ(SendDlgItemMessage(h, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0);
  DestroyWindow(h);
}

TEST_F(DlgManager, DialogFontsAndBaseUnits) {
  EXPECT_EQ(DialogFontFace("MS Shell Dlg"), "MS Sans Serif");
  EXPECT_EQ(DialogFontFace("ms shell dlg 2"), "MS Sans Serif");
  EXPECT_EQ(DialogFontFace("Helv"), "MS Sans Serif");
  EXPECT_EQ(DialogFontFace("Tahoma"), "Tahoma");
  const int32_t units = GetDialogBaseUnits();
  const TSize b = DialogBaseUnitsOfFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  EXPECT_EQ(LOWORD(uintptr_t(units)), b.cx);
  EXPECT_EQ(HIWORD(uintptr_t(units)), b.cy);
}

TEST_F(DlgManager, ModalLoopDisablesOwnerAndKeepsTimersRunning) {
  TForm* owner = new TForm(App.get());
  owner->Show();
  Pump();
  HWND other = CreateWindowEx(0, "Static", "other", WS_POPUP | WS_VISIBLE | WS_DISABLED, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  TTimer timer(nullptr);
  int32_t ticks = 0;
  HWND dialog = nullptr;
  bool ownerDisabledInside = false;
  P.Extra = [&](HWND h, uint32_t msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) dialog = h;
  };
  timer.SetInterval(100);
  timer.SetOnTimer([&](TObject*) {
    ownerDisabledInside = !IsWindowEnabled(owner->Handle());
    if (++ticks == 3) SendMessage(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  });
  H().SetAutoAdvance(true);  // an idle loop moves time on to the next timer
  const uint64_t start = Clock().GetTickCount64();
  const intptr_t r = DialogBoxParam(nullptr, "IDD_SAMPLE", owner->Handle(), SampleProc, 0);
  EXPECT_EQ(r, IDOK);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(Clock().GetTickCount64() - start, 300u);
  EXPECT_TRUE(ownerDisabledInside);
  EXPECT_TRUE(P.AliveAfterEnd);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_FALSE(IsWindowEnabled(other));  // disabled before, disabled after
  EXPECT_EQ(GetActiveWindow(), owner->Handle());
  DestroyWindow(other);
}

// Keys pressed at successive idle points of the modal loop, the focus
// expected after each (control id, 0: not checked) and the result.
struct TKeyCase {
  std::vector<std::pair<uint32_t, uint32_t>> Keys;  // vk, modifiers
  std::vector<int32_t> Focus;
  intptr_t Result;
};

TEST_F(DlgManager, KeyboardInterface) {
  const TKeyCase cases[] = {
      {{{VK_RETURN, 0}}, {0}, IDOK},      // DM_GETDEFID
      {{{VK_ESCAPE, 0}}, {0}, IDCANCEL},  // IDCANCEL
      {{{VK_TAB, 0}, {VK_TAB, 0}, {VK_TAB, 0}, {VK_RETURN, 0}}, {kCheck, IDOK, IDCANCEL, 0}, IDCANCEL},
      {{{VK_TAB, hkShift}, {VK_TAB, 0}, {VK_TAB, 0}, {VK_RETURN, 0}}, {IDCANCEL, kEdit, kCheck, 0}, IDOK},
  };
  for (const TKeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "case with " << c.Keys.size() << " keys, result " << c.Result);
    HWND dialog = nullptr;
    P.Extra = [&](HWND h, uint32_t msg, WPARAM, LPARAM) {
      if (msg == WM_INITDIALOG) dialog = h;
    };
    std::vector<int32_t> focus;
    for (size_t i = 0; i < c.Keys.size(); ++i) {
      H().QueueIdleAction([&, i] {
        if (i > 0) focus.push_back(GetDlgCtrlID(GetFocus()));
        H().PressKey(c.Keys[i].first, c.Keys[i].second);
      });
    }
    EXPECT_EQ(DialogBoxParam(nullptr, "IDD_SAMPLE", nullptr, SampleProc, 0), c.Result);
    focus.push_back(0);
    EXPECT_EQ(focus, c.Focus);
    EXPECT_FALSE(IsWindow(dialog));
  }
}

TEST_F(DlgManager, ExceptionInDialogProcGoesToApplication) {
  P.Extra = [&](HWND, uint32_t msg, WPARAM, LPARAM) {
    if (msg == WM_USER + 9) throw EInvalidOperation("from the dialog procedure");
  };
  TDialogScript script;
  script.Expect(TScriptKind::Dialog)
      .Caption("Sample")
      .Do([](TScriptTarget t, const auto&) { PostMessage(t.Dialog, WM_USER + 9, 0, 0); })
      .Press(IDCANCEL);
  EXPECT_EQ(DialogBoxParam(nullptr, "IDD_SAMPLE", nullptr, SampleProc, 0), IDCANCEL);
  auto ex = TakeExceptions();
  ASSERT_EQ(ex.size(), 1u);
  EXPECT_EQ(ex[0].Message, "from the dialog procedure");
  EXPECT_EQ(P.Commands, 1);
}

TEST_F(DlgManager, CloseBoxAndProcCallingDefDlgProc) {
  // A procedure that hands messages on to DefDlgProc itself is not asked again.
  int32_t calls = 0;
  P.Extra = [&](HWND h, uint32_t msg, WPARAM w, LPARAM l) {
    if (msg == WM_USER + 7) {
      ++calls;
      DefDlgProc(h, msg, w, l);
    }
  };
  HWND h = CreateDialogParam(nullptr, "IDD_SAMPLE", nullptr, SampleProc, 0);
  ASSERT_NE(h, nullptr);
  SendMessage(h, WM_USER + 7, 0, 0);
  EXPECT_EQ(calls, 1);
  // WM_CLOSE becomes IDCANCEL; a modeless dialog is hidden by EndDialog.
  ShowWindow(h, SW_SHOW);
  SendMessage(h, WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(P.Commands, 1);
  EXPECT_FALSE(IsWindowVisible(h));
  DestroyWindow(h);
}

}  // namespace
