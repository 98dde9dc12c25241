#include "platform/vcl/dialogs_msgbox.h"

#include <gtest/gtest.h>

#include "platform/vcl/clipbrd.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timers.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class DlgMessageBox : public TVclTest {
 protected:
  DlgMessageBox() { InstallPlainMessageBox(); }
};

struct TBoxCase {
  uint32_t Type;
  std::vector<String> Buttons;
  int32_t Default;  // what Enter answers
  int32_t Escape;   // what Escape answers; 0: Escape does nothing
};

const TBoxCase kBoxCases[] = {
    {MB_OK, {"OK"}, IDOK, IDOK},
    {MB_OKCANCEL, {"OK", "Cancel"}, IDOK, IDCANCEL},
    {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, {"&Abort", "&Retry", "&Ignore"}, IDRETRY, 0},
    {MB_YESNOCANCEL | MB_DEFBUTTON3, {"&Yes", "&No", "Cancel"}, IDCANCEL, IDCANCEL},
    {MB_YESNO | MB_ICONQUESTION, {"&Yes", "&No"}, IDYES, 0},
    {MB_RETRYCANCEL | MB_DEFBUTTON2, {"&Retry", "Cancel"}, IDCANCEL, IDCANCEL},
};

TEST_F(DlgMessageBox, ButtonsDefaultEscapeAndResults) {
  for (const TBoxCase& c : kBoxCases) {
    SCOPED_TRACE(testing::Message() << "type 0x" << std::hex << c.Type);
    {
      TDialogScript script;
      script.ExpectMessageBox().Caption("Title").Text("question").Key(VK_RETURN);
      EXPECT_EQ(PlainMessageBox(nullptr, "A question?", "Title", c.Type), c.Default);
      ASSERT_EQ(script.Log().size(), 1u);
      EXPECT_EQ(script.Log()[0].Buttons, c.Buttons);
      EXPECT_EQ(script.Log()[0].Result, c.Default);
    }
    {
      TDialogScript script;
      bool openAfterEscape = false;
      auto& e = script.ExpectMessageBox().Key(VK_ESCAPE);
      if (c.Escape == 0) {
        e.Do([&](TScriptTarget t, const auto&) { openAfterEscape = IsWindowVisible(t.Dialog); }).Press(c.Default);
      }
      EXPECT_EQ(PlainMessageBox(nullptr, "A question?", "Title", c.Type), c.Escape != 0 ? c.Escape : c.Default);
      EXPECT_EQ(openAfterEscape, c.Escape == 0);
    }
  }
}

TEST_F(DlgMessageBox, OwnerDisabledThenEnabledAndReactivated) {
  TForm* form = new TForm(App.get());
  form->Show();
  Pump();
  const HWND owner = form->Handle();
  ASSERT_EQ(GetActiveWindow(), owner);
  H().ClearBeeps();
  TDialogScript script;
  bool ownerEnabledInside = true;
  HWND box = nullptr;
  TRect boxRect;
  script.ExpectMessageBox()
      .Do([&](TScriptTarget t, const auto&) {
        ownerEnabledInside = IsWindowEnabled(owner);
        box = t.Dialog;
        GetWindowRect(box, &boxRect);
        EXPECT_EQ(GetActiveWindow(), box);
      })
      .Press(IDNO);
  EXPECT_EQ(App->MessageBox("Replace the file?", "Pictoval", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(H().Beeps(), std::vector<uint32_t>{MB_ICONQUESTION});
  // Centred on the work area of the owner's monitor (1280 x 984).
  EXPECT_NEAR(boxRect.Left + boxRect.Width() / 2, 640, 1);
  EXPECT_NEAR(boxRect.Top + boxRect.Height() / 2, 492, 1);
}

TEST_F(DlgMessageBox, TaskModalDisablesEveryWindow) {
  TForm* a = new TForm(App.get());
  TForm* b = new TForm(App.get());
  a->Show();
  b->Show();
  Pump();
  TDialogScript script;
  bool aEnabled = true, bEnabled = true;
  script.ExpectMessageBox()
      .Do([&](TScriptTarget, const auto&) {
        aEnabled = IsWindowEnabled(a->Handle());
        bEnabled = IsWindowEnabled(b->Handle());
      })
      .Press(IDOK);
  EXPECT_EQ(PlainMessageBox(nullptr, "Everything waits", "Task", MB_OK | MB_TASKMODAL), IDOK);
  EXPECT_FALSE(aEnabled);
  EXPECT_FALSE(bEnabled);
  EXPECT_TRUE(IsWindowEnabled(a->Handle()));
  EXPECT_TRUE(IsWindowEnabled(b->Handle()));
}

TEST_F(DlgMessageBox, TimerFiresWhileBoxIsOpen) {
  TTimer timer(nullptr);
  int32_t ticks = 0;
  HWND box = nullptr;
  timer.SetInterval(100);
  timer.SetOnTimer([&](TObject*) {
    if (++ticks == 3 && box != nullptr) SendMessage(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  });
  TDialogScript script;
  script.ExpectMessageBox().Do([&](TScriptTarget t, const auto&) { box = t.Dialog; });
  H().SetAutoAdvance(true);
  EXPECT_EQ(PlainMessageBox(nullptr, "Waiting", "Timer", MB_OKCANCEL), IDOK);
  EXPECT_EQ(ticks, 3);
}

TEST_F(DlgMessageBox, BoxOverModalFormGivesActivationBack) {
  TForm* form = new TForm(App.get());
  form->SetCaption("Progress");
  TButton* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetModalResult(mrOk);
  TDialogScript script;
  bool formActiveAfterBox = false;
  script.ExpectModalForm("Progress").Do([&](TScriptTarget t, const auto&) {
    script.ExpectMessageBox().Text("Stop").Press(IDYES);
    EXPECT_EQ(App->MessageBox("Stop the run?", "Pictoval", MB_YESNO), IDYES);
    formActiveAfterBox = GetActiveWindow() == t.Form->Handle();
    ok->Click();
  });
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_TRUE(formActiveAfterBox);
  ASSERT_EQ(script.Log().size(), 2u);
  EXPECT_EQ(script.Log()[0].Kind, TScriptKind::ModalForm);
  EXPECT_EQ(script.Log()[1].Kind, TScriptKind::MessageBox);
  EXPECT_EQ(script.Log()[1].Result, IDYES);
}

TEST_F(DlgMessageBox, MessageDlgTexts) {
  EXPECT_EQ(MsgDlgCaption(TMsgDlgType::mtWarning), "Warning");
  EXPECT_EQ(MsgDlgCaption(TMsgDlgType::mtError), "Error");
  EXPECT_EQ(MsgDlgCaption(TMsgDlgType::mtInformation), "Information");
  EXPECT_EQ(MsgDlgCaption(TMsgDlgType::mtConfirmation), "Confirm");
  App->SetTitle("Pictoval");
  EXPECT_EQ(MsgDlgCaption(TMsgDlgType::mtCustom), "Pictoval");
  const std::vector<std::pair<String, TModalResult>> expected = {{"&Yes", mrYes},
                                                                 {"&No", mrNo},
                                                                 {"OK", mrOk},
                                                                 {"Cancel", mrCancel},
                                                                 {"&Abort", mrAbort},
                                                                 {"&Retry", mrRetry},
                                                                 {"&Ignore", mrIgnore},
                                                                 {"&All", mrAll},
                                                                 {"N&o to All", mrNoToAll},
                                                                 {"Yes to &All", mrYesToAll},
                                                                 {"&Help", mrNone}};
  for (uint8_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(MsgDlgButtonCaption(TMsgDlgBtn(i)), expected[i].first);
    EXPECT_EQ(MsgDlgModalResult(TMsgDlgBtn(i)), expected[i].second);
  }
  EXPECT_EQ(mrYesToAll, 10);
}

TEST_F(DlgMessageBox, MessageDlgDefaultAndCancel) {
  struct TCase {
    TMsgDlgButtons Buttons;
    TModalResult Enter;
    TModalResult Escape;  // mrNone: Escape does nothing
  };
  const TCase cases[] = {
      {{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, mrYes, mrNo},
      {mbOKCancel, mrOk, mrCancel},
      {mbYesNoCancel, mrYes, mrCancel},
      {mbYesAllNoAllCancel, mrYes, mrCancel},
      {mbAbortRetryIgnore, mrAbort, mrNone},
      {{TMsgDlgBtn::mbOK}, mrOk, mrOk},
      {{TMsgDlgBtn::mbOK, TMsgDlgBtn::mbHelp}, mrOk, mrOk},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "buttons " << c.Buttons.Count() << ", Enter " << c.Enter);
    {
      TDialogScript script;
      script.ExpectMessageBox().Caption("Confirm").Key(VK_RETURN);
      EXPECT_EQ(MessageDlg("Go on?", TMsgDlgType::mtConfirmation, c.Buttons, 0), c.Enter);
      ASSERT_EQ(script.Log().size(), 1u);
      EXPECT_EQ(script.Log()[0].Buttons.size(), c.Buttons.Count());
    }
    {
      TDialogScript script;
      auto& e = script.ExpectMessageBox().Key(VK_ESCAPE);
      if (c.Escape == mrNone) e.PressResult(c.Enter);
      EXPECT_EQ(MessageDlg("Go on?", TMsgDlgType::mtConfirmation, c.Buttons, 0),
                c.Escape == mrNone ? c.Enter : c.Escape);
    }
  }
  App->SetTitle("Pictoval");
  TDialogScript script;
  script.ExpectMessageBox().Caption("Pictoval").Text("Done").Key(VK_ESCAPE);
  ShowMessage("Done");
  ASSERT_EQ(script.Log().size(), 1u);
  EXPECT_EQ(script.Log()[0].Buttons, std::vector<String>{"OK"});
  EXPECT_EQ(script.Log()[0].Result, mrOk);
}

TEST_F(DlgMessageBox, AcceleratorLettersPressTheirButtons) {
  struct TCase {
    uint32_t Type;
    uint32_t Vk;
    uint32_t Modifiers;
    int32_t Result;
  };
  const TCase cases[] = {
      {MB_YESNOCANCEL, 'N', 0, IDNO},
      {MB_YESNOCANCEL, 'Y', hkAlt, IDYES},
      {MB_ABORTRETRYIGNORE, 'I', hkShift, IDIGNORE},  // either case
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, 'R', hkAlt, IDRETRY},
      {MB_RETRYCANCEL, 'R', 0, IDRETRY},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "type 0x" << std::hex << c.Type << " key " << char(c.Vk));
    TDialogScript script;
    script.ExpectMessageBox().Key(c.Vk, c.Modifiers);
    EXPECT_EQ(PlainMessageBox(nullptr, "Keys", "Accelerators", c.Type), c.Result);
  }
  // A letter that is no button's accelerator leaves the box open.
  TDialogScript script;
  bool stillOpen = false;
  script.ExpectMessageBox()
      .Key('X')
      .Key('X', hkAlt)
      .Do([&](TScriptTarget t, const auto&) { stillOpen = IsWindowVisible(t.Dialog); })
      .Press(IDNO);
  EXPECT_EQ(PlainMessageBox(nullptr, "Keys", "Accelerators", MB_YESNO), IDNO);
  EXPECT_TRUE(stillOpen);
}

TEST_F(DlgMessageBox, CtrlCCopiesTheBoxAsText) {
  Clipboard()->SetAsText("before");
  TDialogScript script;
  script.ExpectMessageBox().Key('C', hkCtrl).Press(IDCANCEL);
  EXPECT_EQ(PlainMessageBox(nullptr, "Stop the run?", "Pictoval", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(Clipboard()->AsText(),
            "---------------------------\nPictoval\n---------------------------\nStop the run?\n"
            "---------------------------\nYes   No   Cancel   \n---------------------------\n");
}

TEST_F(DlgMessageBox, LongTextWrapsWithinTwoThirdsOfTheWorkArea) {
  String text;
  for (int i = 0; i < 120; ++i) text += "word" + std::to_string(i) + " ";
  TDialogScript script;
  TRect textRect, boxRect, client, button;
  script.ExpectMessageBox()
      .Do([&](TScriptTarget t, const auto&) {
        GetWindowRect(GetDlgItem(t.Dialog, 0xFFFF), &textRect);
        GetWindowRect(t.Dialog, &boxRect);
        GetClientRect(t.Dialog, &client);
        MapWindowPoints(t.Dialog, nullptr, &client);
        GetWindowRect(GetDlgItem(t.Dialog, IDOK), &button);
      })
      .Press(IDOK);
  PlainMessageBox(nullptr, text, "Long", MB_OK | MB_ICONASTERISK);
  EXPECT_LE(textRect.Width(), 1280 * 2 / 3);
  EXPECT_GT(textRect.Width(), 1280 / 3);  // wraps late, not at every word
  EXPECT_GT(textRect.Height(), 3 * 8);    // several lines
  EXPECT_GE(boxRect.Left, 0);
  EXPECT_LE(boxRect.Right, 1280);
  // The client area holds the text and the button below it.
  EXPECT_GE(button.Top, textRect.Bottom);
  EXPECT_LE(button.Bottom, client.Bottom);
  EXPECT_LE(textRect.Right, client.Right);
}

TEST_F(DlgMessageBox, CreateMessageDialogBuildsAFormOfButtons) {
  TForm* form = CreateMessageDialog("Replace \"a.jpg\"?", TMsgDlgType::mtConfirmation, mbYesNoCancel);
  EXPECT_EQ(form->Caption(), "Confirm");
  EXPECT_EQ(form->Owner(), App.get());
  auto* message = dynamic_cast<TLabel*>(form->FindComponent("Message"));
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->Caption(), "Replace \"a.jpg\"?");
  EXPECT_NE(form->FindComponent("Image"), nullptr);
  struct TButtonCase {
    const char* Name;
    String Caption;
    TModalResult Result;
    bool Default, Cancel;
  };
  const TButtonCase buttons[] = {{"Yes", "&Yes", mrYes, true, false},
                                 {"No", "&No", mrNo, false, false},
                                 {"Cancel", "Cancel", mrCancel, false, true}};
  int32_t lastRight = 0;
  for (const TButtonCase& c : buttons) {
    SCOPED_TRACE(c.Name);
    auto* b = dynamic_cast<TButton*>(form->FindComponent(c.Name));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Caption(), c.Caption);
    EXPECT_EQ(b->ModalResult(), c.Result);
    EXPECT_EQ(b->Default(), c.Default);
    EXPECT_EQ(b->Cancel(), c.Cancel);
    EXPECT_GT(b->Left(), lastRight);  // left to right, apart
    EXPECT_GT(b->Top(), message->Top() + message->Height() - 1);
    lastRight = b->Left() + b->Width();
  }
  EXPECT_LE(lastRight, form->ClientWidth());
  struct TRun {
    uint32_t Vk, Modifiers;
    TModalResult Result;
  };
  for (const TRun& r : {TRun{VK_RETURN, 0, mrYes}, TRun{VK_ESCAPE, 0, mrCancel}, TRun{'N', hkAlt, mrNo}}) {
    SCOPED_TRACE(testing::Message() << "key " << r.Vk);
    std::unique_ptr<TForm> run(CreateMessageDialog("Replace?", TMsgDlgType::mtConfirmation, mbYesNoCancel));
    TDialogScript script;
    script.ExpectModalForm("Confirm").Key(r.Vk, r.Modifiers);
    EXPECT_EQ(run->ShowModal(), r.Result);
  }
  delete form;
  // No buttons asked: OK alone, which Escape answers too; mtCustom has no icon.
  App->SetTitle("Pictoval");
  std::unique_ptr<TForm> plain(CreateMessageDialog("Done", TMsgDlgType::mtCustom, TMsgDlgButtons{}));
  EXPECT_EQ(plain->Caption(), "Pictoval");
  EXPECT_EQ(plain->FindComponent("Image"), nullptr);
  auto* ok = dynamic_cast<TButton*>(plain->FindComponent("OK"));
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->Default());
  EXPECT_TRUE(ok->Cancel());
}

// ---- The script itself ----

class DlgScript : public DlgMessageBox {};

TEST_F(DlgScript, UnexpectedBoxFailsWithItsTextAndIsCancelled) {
  std::vector<String> failures;
  {
    TDialogScript script;
    script.OnFailure = [&](const String& m) { failures.push_back(m); };
    EXPECT_EQ(PlainMessageBox(nullptr, "Disk full", "Copy", MB_OKCANCEL), IDCANCEL);
    script.ExpectMessageBox().Caption("Other").Press(IDOK);
    EXPECT_EQ(PlainMessageBox(nullptr, "Second", "Copy", MB_OKCANCEL), IDCANCEL);
    ASSERT_EQ(script.Log().size(), 2u);
    EXPECT_EQ(script.Log()[0].Text, "Disk full");
    EXPECT_EQ(script.Log()[0].Result, IDCANCEL);
  }
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_NE(failures[0].find("\"Copy\": Disk full"), String::npos);
  EXPECT_NE(failures[1].find("expected message box \"Other\""), String::npos);
  // Left over at the end.
  EXPECT_NE(failures[2].find("never shown: message box \"Other\""), String::npos);
}

TEST_F(DlgScript, LogHoldsWhatWasShown) {
  TDialogScript script;
  script.ExpectMessageBox().Press(IDRETRY);
  script.ExpectMessageBox().Text("again").Press(IDCANCEL);
  EXPECT_EQ(PlainMessageBox(nullptr, "Read error", "Load", MB_RETRYCANCEL | MB_ICONHAND), IDRETRY);
  EXPECT_EQ(PlainMessageBox(nullptr, "Read error again", "Load", MB_RETRYCANCEL), IDCANCEL);
  ASSERT_EQ(script.Log().size(), 2u);
  const TDialogLogEntry& first = script.Log()[0];
  EXPECT_EQ(first.Kind, TScriptKind::MessageBox);
  EXPECT_EQ(first.Caption, "Load");
  EXPECT_EQ(first.Text, "Read error");
  EXPECT_EQ(first.Buttons, (std::vector<String>{"&Retry", "Cancel"}));
  EXPECT_EQ(first.Result, IDRETRY);
  EXPECT_EQ(script.Log()[1].Result, IDCANCEL);
  EXPECT_EQ(script.Pending(), 0u);
}

}  // namespace
