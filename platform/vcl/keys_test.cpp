#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_probes_testing.h"
#include "platform/vcl/vcl_testing.h"

namespace {

using TFormProbe = TProbeOf<TForm>;
using Lines = std::vector<String>;

class VclKeys : public TVclTest {
 protected:
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TFormProbe>(nullptr, &Log, "form", std::set<uint32_t>{CM_CHILDKEY, CM_DIALOGCHAR});
    Form->SetBounds(100, 100, 400, 300);
    auto edit = [&](const String& name, TWinControl* parent, int32_t top) {
      auto* e = new TWinProbe(Form.get(), &Log, name,
                              {CN_KEYDOWN, CN_KEYUP, CN_CHAR, CM_CHILDKEY, WM_KEYDOWN, WM_KEYUP, WM_CHAR});
      e->SetParent(parent);
      e->SetBounds(10, top, 100, 20);
      e->SetTabStop(true);
      e->OnEnter = [this, name](TObject*) { Log.Add(name + " OnEnter"); };
      e->OnExit = [this, name](TObject*) { Log.Add(name + " OnExit"); };
      e->OnKeyDown = [this, name](TObject*, uint16_t& Key, TShiftState) {
        Log.Add(name + " OnKeyDown " + std::to_string(Key));
      };
      e->OnKeyPress = [this, name](TObject*, char32_t& Key) { Log.Add(name + " OnKeyPress " + char(Key)); };
      e->OnKeyUp = [this, name](TObject*, uint16_t& Key, TShiftState) {
        Log.Add(name + " OnKeyUp " + std::to_string(Key));
      };
      return e;
    };
    Edit1 = edit("edit1", Form.get(), 10);
    Edit2 = edit("edit2", Form.get(), 40);
    Panel = new TWinProbe(Form.get(), &Log, "panel", {CM_CHILDKEY});
    Panel->SetParent(Form.get());
    Panel->SetBounds(150, 10, 200, 100);
    Panel->OnEnter = [this](TObject*) { Log.Add("panel OnEnter"); };
    Panel->OnExit = [this](TObject*) { Log.Add("panel OnExit"); };
    Edit3 = edit("edit3", Panel, 10);
    Skip = edit("skip", Form.get(), 70);
    Skip->SetTabStop(false);
    Ok = new TTestButton(Form.get());
    Ok->SetParent(Form.get());
    Ok->SetBounds(10, 200, 75, 25);
    Ok->SetCaption("&Go");
    Ok->Default = true;
    Ok->ModalResult = mrOk;
    Ok->OnClick = [this](TObject*) { Log.Add("ok Click"); };
    Cancel = new TTestButton(Form.get());
    Cancel->SetParent(Form.get());
    Cancel->SetBounds(100, 200, 75, 25);
    Cancel->Cancel = true;
    Cancel->ModalResult = mrCancel;
    Cancel->OnClick = [this](TObject*) { Log.Add("cancel Click"); };
    Form->Show();
    Form->SetActiveControl(Edit1);
    Pump();
    Log.Clear();
  }
  void TearDown() override {
    Form.reset();
    TVclTest::TearDown();
  }
  TWinControl* Focused() { return FindControl(GetFocus()); }
  Lines EnterExit() {
    Lines r;
    for (const String& l : Log.Lines)
      if (l.find(" OnEnter") != String::npos || l.find(" OnExit") != String::npos) r.push_back(l);
    return r;
  }

 public:
  TEventLog Log;
  std::unique_ptr<TFormProbe> Form;
  TWinProbe* Edit1 = nullptr;
  TWinProbe* Edit2 = nullptr;
  TWinProbe* Edit3 = nullptr;
  TWinProbe* Skip = nullptr;
  TWinProbe* Panel = nullptr;
  TTestButton* Ok = nullptr;
  TTestButton* Cancel = nullptr;
};

TEST_F(VclKeys, PipelineOrderForAKeyAndItsCharacter) {
  App->OnMessage = [this](TMSG& Msg, bool&) {
    if (Msg.message >= WM_KEYFIRST && Msg.message <= WM_KEYLAST) Log.Add("app OnMessage " + VclMsgName(Msg.message));
  };
  Form->OnShortCut = [this](TWMKey& Msg, bool&) { Log.Add("form OnShortCut " + std::to_string(Msg.CharCode)); };
  App->OnShortCut = [this](TWMKey& Msg, bool&) { Log.Add("app OnShortCut " + std::to_string(Msg.CharCode)); };
  Form->SetKeyPreview(true);
  Form->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState) { Log.Add("form OnKeyDown " + std::to_string(Key)); };
  Form->OnKeyPress = [this](TObject*, char32_t& Key) { Log.Add(String("form OnKeyPress ") + char(Key)); };
  Form->OnKeyUp = [this](TObject*, uint16_t& Key, TShiftState) { Log.Add("form OnKeyUp " + std::to_string(Key)); };
  Press('A');
  EXPECT_EQ(Log.Lines, (Lines{
                           "app OnMessage WM_KEYDOWN",
                           "edit1 CN_KEYDOWN",
                           "form OnShortCut 65",
                           "app OnShortCut 65",
                           "edit1 CM_CHILDKEY",
                           "form CM_CHILDKEY",
                           "edit1 WM_KEYDOWN",
                           "form OnKeyDown 65",
                           "edit1 OnKeyDown 65",
                           "app OnMessage WM_CHAR",
                           "edit1 CN_CHAR",
                           "form CM_DIALOGCHAR",
                           "edit1 WM_CHAR",
                           "form OnKeyPress a",
                           "edit1 OnKeyPress a",
                           "app OnMessage WM_KEYUP",
                           "edit1 CN_KEYUP",
                           "edit1 WM_KEYUP",
                           "form OnKeyUp 65",
                           "edit1 OnKeyUp 65",
                       }));
}

TEST_F(VclKeys, EachStageCanTakeTheKey) {
  struct TCase {
    const char* Name;
    std::function<void(VclKeys*)> Arrange;
    Lines Expected;  // lines of edit1 and of the handlers
  };
  const std::vector<TCase> cases = {
      {"OnMessage",
       [](VclKeys* t) { t->App->OnMessage = [](TMSG& Msg, bool& Handled) { Handled = Msg.message == WM_KEYDOWN; }; },
       {"edit1 CN_KEYUP", "edit1 WM_KEYUP", "edit1 OnKeyUp 65"}},
      {"form OnShortCut",
       [](VclKeys* t) {
         t->Form->OnShortCut = [t](TWMKey&, bool& Handled) {
           t->Log.Add("shortcut");
           Handled = true;
         };
       },
       {"edit1 CN_KEYDOWN", "shortcut", "edit1 CN_KEYUP", "edit1 WM_KEYUP", "edit1 OnKeyUp 65"}},
      {"CM_CHILDKEY",
       [](VclKeys* t) {
         t->Panel->Handlers.clear();
         t->Form->Handlers[CM_CHILDKEY] = [](TMessage& m) {
           m.Result = 1;
           return true;
         };
       },
       {"edit1 CN_KEYDOWN", "edit1 CM_CHILDKEY", "edit1 CN_KEYUP", "edit1 WM_KEYUP", "edit1 OnKeyUp 65"}},
      {"preview OnKeyDown",
       [](VclKeys* t) {
         t->Form->SetKeyPreview(true);
         t->Form->OnKeyDown = [](TObject*, uint16_t& Key, TShiftState) { Key = 0; };
         t->Form->OnKeyPress = [](TObject*, char32_t& Key) { Key = 0; };
       },
       {"edit1 CN_KEYDOWN", "edit1 CM_CHILDKEY", "edit1 WM_KEYDOWN", "edit1 CN_CHAR", "edit1 WM_CHAR", "edit1 CN_KEYUP",
        "edit1 WM_KEYUP", "edit1 OnKeyUp 65"}},
  };
  for (const TCase& k : cases) {
    App->OnMessage = nullptr;
    Form->OnShortCut = nullptr;
    Form->Handlers.clear();
    Form->SetKeyPreview(false);
    Form->OnKeyDown = nullptr;
    Form->OnKeyPress = nullptr;
    k.Arrange(this);
    Log.Clear();
    Press('A');
    Lines got;
    for (const String& l : Log.Lines)
      if (l.rfind("edit1", 0) == 0 || l == "shortcut") got.push_back(l);
    EXPECT_EQ(got, k.Expected) << k.Name;
  }
}

TEST_F(VclKeys, TabOrderWithEnterAndExit) {
  Press(VK_TAB);
  EXPECT_EQ(Focused(), Edit2);
  EXPECT_EQ(EnterExit(), (Lines{"edit1 OnExit", "edit2 OnEnter"}));
  Log.Clear();
  Press(VK_TAB);
  EXPECT_EQ(Focused(), Edit3);
  EXPECT_EQ(EnterExit(), (Lines{"edit2 OnExit", "panel OnEnter", "edit3 OnEnter"}));
  Log.Clear();
  Press(VK_TAB);  // "skip" has no tab stop
  EXPECT_EQ(Focused(), Ok);
  EXPECT_EQ(EnterExit(), (Lines{"edit3 OnExit", "panel OnExit"}));
  Press(VK_TAB);
  EXPECT_EQ(Focused(), Cancel);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), Edit1);
  Press(VK_TAB, hkShift);
  EXPECT_EQ(Focused(), Cancel);
  // Tab order and the controls that cannot take the focus.
  Edit2->SetTabOrder(0);
  Edit1->SetEnabled(false);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), Edit2);
  EXPECT_EQ(Edit2->TabOrder(), 0);
  EXPECT_EQ(Form->ActiveControl(), Edit2);
  EXPECT_EQ(Screen->ActiveControl(), Edit2);
  Log.Clear();
  // Arrows move among the siblings (tab stops or not).
  Press(VK_DOWN);
  EXPECT_EQ(Focused(), Panel);
}

TEST_F(VclKeys, EnterAndEscapeReachTheDefaultAndCancelButtons) {
  Press(VK_RETURN);
  EXPECT_EQ(Log.Starting("ok"), Lines{"ok Click"});
  EXPECT_EQ(Form->ModalResult(), mrOk);
  Log.Clear();
  Press(VK_ESCAPE);
  EXPECT_EQ(Log.Starting("cancel"), Lines{"cancel Click"});
  EXPECT_EQ(Form->ModalResult(), mrCancel);
  EXPECT_TRUE(Log.Containing("WM_KEYDOWN").empty()) << "dialog keys do not reach the control";
  // A control that claims the key gets it instead, either way of claiming.
  struct TClaim {
    uint32_t Msg;
    LRESULT Answer;
  };
  for (TClaim claim : {TClaim{CM_WANTSPECIALKEY, 1}, TClaim{WM_GETDLGCODE, DLGC_WANTALLKEYS}}) {
    Edit1->Handlers.clear();
    Edit1->Handlers[claim.Msg] = [claim](TMessage& m) {
      m.Result = claim.Answer;
      return true;
    };
    Log.Clear();
    Press(VK_RETURN);
    EXPECT_TRUE(Log.Starting("ok").empty()) << VclMsgName(claim.Msg);
    EXPECT_EQ(Log.Starting("edit1 OnKeyDown"), Lines{"edit1 OnKeyDown 13"}) << VclMsgName(claim.Msg);
  }
  // Tab claimed with DLGC_WANTTAB stays in the control.
  Edit1->Handlers.clear();
  Edit1->Handlers[WM_GETDLGCODE] = [](TMessage& m) {
    m.Result = DLGC_WANTTAB;
    return true;
  };
  Log.Clear();
  Press(VK_TAB);
  EXPECT_EQ(Focused(), Edit1);
  EXPECT_EQ(Log.Starting("edit1 OnKeyDown"), Lines{"edit1 OnKeyDown 9"});
}

TEST_F(VclKeys, AcceleratorsThroughDialogChar) {
  Press('G');
  EXPECT_EQ(Log.Starting("ok"), Lines{"ok Click"});
  EXPECT_TRUE(Log.Starting("edit1 OnKeyPress").empty());
  Log.Clear();
  Press('G', hkAlt);
  EXPECT_EQ(Log.Starting("ok"), Lines{"ok Click"});
  // A control that wants characters keeps the plain letter.
  Edit1->Handlers[WM_GETDLGCODE] = [](TMessage& m) {
    m.Result = DLGC_WANTCHARS;
    return true;
  };
  Log.Clear();
  Press('G');
  EXPECT_TRUE(Log.Starting("ok").empty());
  EXPECT_EQ(Log.Starting("edit1 OnKeyPress"), Lines{"edit1 OnKeyPress g"});
}

TEST_F(VclKeys, ApplicationAndMainFormShortCutsFromAnotherForm) {
  TForm* main = nullptr;
  App->CreateForm(main);
  ASSERT_EQ(App->MainForm(), main);
  main->SetBounds(500, 100, 200, 100);
  main->Show();
  Lines seen;  // the letters (the Ctrl key itself is asked about too)
  main->OnShortCut = [&](TWMKey& Msg, bool& Handled) {
    if (Msg.CharCode >= 'A') seen.push_back("main " + std::to_string(Msg.CharCode));
    Handled = Msg.CharCode == 'S';
  };
  App->OnShortCut = [&](TWMKey& Msg, bool&) {
    if (Msg.CharCode >= 'A') seen.push_back("app " + std::to_string(Msg.CharCode));
  };
  Form->OnShortCut = [&](TWMKey& Msg, bool&) {
    if (Msg.CharCode >= 'A') seen.push_back("form " + std::to_string(Msg.CharCode));
  };
  Form->Show();
  Form->SetActiveControl(Edit1);
  Form->SetFocus();
  Pump();
  ASSERT_EQ(Focused(), Edit1);
  Press('S', hkCtrl);
  EXPECT_EQ(seen, (Lines{"form 83", "app 83", "main 83"}));
  EXPECT_TRUE(Log.Starting("edit1 OnKeyDown 83").empty()) << "taken as a short-cut";
  // The main form's own keys ask it once.
  seen.clear();
  main->SetFocus();
  Pump();
  Press('Q', hkCtrl);
  EXPECT_EQ(seen, (Lines{"main 81", "app 81"}));
}

}  // namespace
