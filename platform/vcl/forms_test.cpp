#include "platform/vcl/forms.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/rtl/threads.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/vcl_probes_testing.h"
#include "platform/vcl/vcl_testing.h"

namespace {

using Lines = std::vector<String>;

// A dialog with an edit, OK (default) and Cancel buttons; its events go to
// the log.
class TDialog : public TForm {
 public:
  TDialog(TComponent* AOwner, TEventLog* Log) : TForm(AOwner), FLog(Log) {
    SetBorderStyle(TBorderStyle::bsDialog);
    SetPosition(TPosition::poScreenCenter);
    SetBounds(0, 0, 240, 120);
    Edit = new TCustomControl(this);
    Edit->SetParent(this);
    Edit->SetBounds(10, 10, 100, 20);
    Edit->SetTabStop(true);
    Ok = new TTestButton(this);
    Ok->SetParent(this);
    Ok->SetBounds(10, 60, 75, 25);
    Ok->Default = true;
    Ok->ModalResult = mrOk;
    Cancel = new TTestButton(this);
    Cancel->SetParent(this);
    Cancel->SetBounds(100, 60, 75, 25);
    Cancel->Cancel = true;
    Cancel->ModalResult = mrCancel;
    // Events are bound after the stored property values, then OnCreate.
    OnShow = [this](TObject*) { FLog->Add("dialog OnShow"); };
    OnHide = [this](TObject*) { FLog->Add("dialog OnHide"); };
    OnActivate = [this](TObject*) { FLog->Add("dialog OnActivate"); };
    OnDeactivate = [this](TObject*) { FLog->Add("dialog OnDeactivate"); };
    OnCloseQuery = [this](TObject*, bool& CanClose) {
      FLog->Add("dialog OnCloseQuery");
      CanClose = AllowClose;
    };
    OnClose = [this](TObject*, TCloseAction& Action) {
      FLog->Add("dialog OnClose");
      Action = CloseAction;
    };
    OnCreate = [this](TObject*) { FLog->Add("dialog OnCreate"); };
    AfterConstruction();
  }

  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_TIMER && OnTimer) {
      OnTimer();
      return;
    }
    TForm::Dispatch(Message);
  }

  TCustomControl* Edit;
  TTestButton* Ok;
  TTestButton* Cancel;
  bool AllowClose = true;
  TCloseAction CloseAction = TCloseAction::caHide;
  std::function<void()> OnTimer;

 private:
  TEventLog* FLog;
};

class VclModal : public TVclTest {
 public:
  void SetUp() override {
    TVclTest::SetUp();
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "V1PopupClass";
    WNDCLASS existing;
    if (!GetClassInfo(nullptr, wc.lpszClassName, &existing)) RegisterClass(wc);
    Owner = std::make_unique<TForm>(nullptr);
    Owner->SetBounds(10, 10, 500, 400);
    OwnerEdit = new TCustomControl(Owner.get());
    OwnerEdit->SetParent(Owner.get());
    OwnerEdit->SetTabStop(true);
    Owner->OnActivate = [this](TObject*) { Log.Add("owner OnActivate"); };
    Owner->OnDeactivate = [this](TObject*) { Log.Add("owner OnDeactivate"); };
    Owner->Show();
    Pump();
    ASSERT_TRUE(OwnerEdit->Focused());
    Log.Clear();
  }
  void TearDown() override {
    Owner.reset();
    TVclTest::TearDown();
  }

  TEventLog Log;
  std::unique_ptr<TForm> Owner;
  TCustomControl* OwnerEdit = nullptr;
};

TEST_F(VclModal, ShowModalDisablesRestoresAndReturnsTheResult) {
  auto dlg = std::make_unique<TDialog>(nullptr, &Log);
  EXPECT_EQ(Log.Lines, Lines{"dialog OnCreate"});
  Log.Clear();
  Screen->SetCursor(crHourGlass);
  HWND late = nullptr;
  H().QueueIdleAction([&] {
    EXPECT_FALSE(IsWindowEnabled(Owner->Handle()));
    EXPECT_TRUE(IsWindowEnabled(dlg->Handle()));
    EXPECT_EQ(GetActiveWindow(), dlg->Handle());
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_TRUE(dlg->FormState().Contains(TFormStateItem::fsModal));
    EXPECT_EQ(Screen->ActiveForm(), dlg.get());
    // A popup made during the loop is left alone.
    late = CreateWindowEx(WS_EX_TOOLWINDOW, "V1PopupClass", "", WS_POPUP, 600, 600, 50, 50, nullptr, nullptr, nullptr,
                          nullptr);
    ShowWindow(late, SW_SHOWNA);
    H().PressKey(VK_RETURN);
  });
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  EXPECT_EQ(Log.Lines, (Lines{"dialog OnShow", "dialog OnActivate", "dialog OnCloseQuery", "dialog OnClose",
                              "dialog OnDeactivate", "dialog OnHide"}));
  EXPECT_TRUE(IsWindowEnabled(Owner->Handle()));
  EXPECT_TRUE(IsWindowEnabled(late));
  DestroyWindow(late);
  EXPECT_FALSE(dlg->Visible());
  EXPECT_FALSE(IsWindowVisible(dlg->Handle()));
  EXPECT_FALSE(dlg->FormState().Contains(TFormStateItem::fsModal));
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  EXPECT_EQ(GetActiveWindow(), Owner->Handle());
  EXPECT_TRUE(OwnerEdit->Focused());
  Screen->SetCursor(crDefault);
}

TEST_F(VclModal, ShowModalRefusesVisibleDisabledOrModalForms) {
  TDialog visible(nullptr, &Log);
  visible.Show();
  EXPECT_THROW(visible.ShowModal(), EInvalidOperation);
  TDialog disabled(nullptr, &Log);
  disabled.SetEnabled(false);
  EXPECT_THROW(disabled.ShowModal(), EInvalidOperation);
  TDialog modal(nullptr, &Log);
  bool refused = false;
  H().QueueIdleAction([&] {
    try {
      modal.ShowModal();
    } catch (const EInvalidOperation&) {
      refused = true;
    }
    modal.SetModalResult(mrAbort);
  });
  EXPECT_EQ(modal.ShowModal(), mrAbort);
  EXPECT_TRUE(refused);
}

TEST_F(VclModal, CloseQueryAndCloseActionsCanKeepTheDialogOpen) {
  TDialog dlg(nullptr, &Log);
  dlg.AllowClose = false;
  H().QueueIdleAction([&] { H().PressKey(VK_RETURN); });  // refused by OnCloseQuery
  H().QueueIdleAction([&] {
    EXPECT_TRUE(dlg.Visible());
    EXPECT_EQ(dlg.ModalResult(), mrNone);
    dlg.AllowClose = true;
    dlg.CloseAction = TCloseAction::caNone;
    H().PressKey(VK_RETURN);  // kept by OnClose
  });
  H().QueueIdleAction([&] {
    EXPECT_TRUE(dlg.Visible());
    dlg.CloseAction = TCloseAction::caHide;
    dlg.Close();  // on a modal form: only mrCancel
  });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  EXPECT_EQ(Log.Starting("dialog OnCloseQuery").size(), 3u);
  EXPECT_EQ(Log.Starting("dialog OnClose").size() - Log.Starting("dialog OnCloseQuery").size(), 2u);
}

TEST_F(VclModal, TimerInsideTheLoopOpensANestedModalBox) {
  TDialog dlg(nullptr, &Log);
  Lines trace;
  int32_t answer = 0;
  dlg.OnTimer = [&] {
    KillTimer(dlg.Handle(), 1);
    trace.push_back("timer");
    answer = App->MessageBox("Go on?", "Question", MB_YESNO | MB_ICONQUESTION);
    trace.push_back("answered " + std::to_string(answer));
  };
  // The scripted box is a real modal form with Yes (default) and No.
  QueueAnswer([&](const String& Text, uint32_t Flags) {
    EXPECT_EQ(Text, "Go on?");
    EXPECT_EQ(Flags & MB_TYPEMASK, MB_YESNO);
    TDialog box(nullptr, &Log);
    box.Ok->ModalResult = mrYes;
    box.Cancel->ModalResult = mrNo;
    trace.push_back("box shown");
    const TModalResult r = box.ShowModal();
    return r == mrYes ? IDYES : IDNO;
  });
  H().QueueIdleAction([&] {
    SetTimer(dlg.Handle(), 1, 100, nullptr);
    Clock().Advance(150);  // the timer is due: the loop fires it
  });
  H().QueueIdleAction([&] {
    // Inside the nested loop: both the owner and the outer dialog are disabled.
    EXPECT_FALSE(IsWindowEnabled(dlg.Handle()));
    EXPECT_FALSE(IsWindowEnabled(Owner->Handle()));
    H().PressKey(VK_RETURN);
  });
  H().QueueIdleAction([&] {
    EXPECT_TRUE(IsWindowEnabled(dlg.Handle()));
    EXPECT_FALSE(IsWindowEnabled(Owner->Handle()));
    EXPECT_EQ(GetActiveWindow(), dlg.Handle());
    H().PressKey(VK_ESCAPE);
  });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  EXPECT_EQ(trace, (Lines{"timer", "box shown", "answered 6"}));
  EXPECT_EQ(answer, IDYES);
  EXPECT_TRUE(IsWindowEnabled(Owner->Handle()));
  EXPECT_EQ(H().PendingIdleActions(), 0u);
}

TEST_F(VclModal, ReleaseFromAHandlerWaitsForTheHandlerAndTheLoop) {
  // A modeless form releasing itself from its own click.
  auto* modeless = new TDialog(nullptr, &Log);
  TComponentRef<TForm> ref(modeless);
  bool aliveInHandler = false;
  modeless->Ok->OnClick = [&](TObject*) {
    modeless->Release();
    aliveInHandler = ref.Assigned();
  };
  modeless->Show();
  ClickAt(modeless->Ok, 5, 5);
  EXPECT_TRUE(aliveInHandler);
  EXPECT_FALSE(ref.Assigned());

  // Released, then pumping inside its own handler: it stays until the
  // handler has returned.
  auto* pumping = new TDialog(nullptr, &Log);
  TComponentRef<TForm> pumpingRef(pumping);
  bool aliveAfterPump = false;
  pumping->Ok->OnClick = [&](TObject*) {
    pumping->Release();
    App->ProcessMessages();
    aliveAfterPump = pumpingRef.Assigned();
    pumping->SetCaption("still usable");
  };
  pumping->Show();
  ClickAt(pumping->Ok, 5, 5);
  EXPECT_TRUE(aliveAfterPump);
  Pump();
  EXPECT_FALSE(pumpingRef.Assigned());

  // A modal one: the loop ends, the form survives ShowModal's return and goes
  // with the next message.
  auto* modal = new TDialog(nullptr, &Log);
  TComponentRef<TForm> modalRef(modal);
  modal->Cancel->ModalResult = mrNone;
  modal->Cancel->OnClick = [&](TObject*) { modal->Release(); };
  H().QueueIdleAction([&] {
    TPoint p = At(modal->Cancel, 5, 5);
    H().Click(p.X, p.Y);
  });
  EXPECT_EQ(modal->ShowModal(), mrCancel);
  ASSERT_TRUE(modalRef.Assigned());
  EXPECT_FALSE(modal->Visible());
  Pump();
  EXPECT_FALSE(modalRef.Assigned());
  // caFree does the same.
  auto* freed = new TDialog(nullptr, &Log);
  TComponentRef<TForm> freedRef(freed);
  freed->CloseAction = TCloseAction::caFree;
  H().QueueIdleAction([&] { H().PressKey(VK_RETURN); });
  EXPECT_EQ(freed->ShowModal(), mrOk);
  EXPECT_TRUE(freedRef.Assigned());
  Pump();
  EXPECT_FALSE(freedRef.Assigned());
}

TEST_F(VclModal, TerminateEndsTheLoopWithCancel) {
  TDialog dlg(nullptr, &Log);
  H().QueueIdleAction([&] { App->Terminate(); });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  EXPECT_TRUE(App->Terminated());
  EXPECT_TRUE(Log.Starting("dialog OnCloseQuery").empty());
  EXPECT_TRUE(IsWindowEnabled(Owner->Handle()));
}

// ---- Forms -------------------------------------------------------------------------------

class VclForms : public TVclTest {};

TEST_F(VclForms, CloseActions) {
  TEventLog log;
  struct TCase {
    TCloseAction Action;
    bool Visible;
    bool Alive;
  };
  for (TCase k : {TCase{TCloseAction::caNone, true, true}, TCase{TCloseAction::caHide, false, true},
                  TCase{TCloseAction::caMinimize, true, true}, TCase{TCloseAction::caFree, false, false}}) {
    auto* f = new TDialog(nullptr, &log);
    TComponentRef<TForm> ref(f);
    f->CloseAction = k.Action;
    f->Show();
    Pump();
    SendMessage(f->Handle(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(ref.Assigned(), k.Alive) << int(k.Action);
    if (ref) {
      EXPECT_EQ(f->Visible(), k.Visible) << int(k.Action);
      if (k.Action == TCloseAction::caMinimize) {
        EXPECT_TRUE(IsIconic(f->Handle()));
      }
      delete f;
    }
  }
  // OnCloseQuery can refuse.
  TDialog f(nullptr, &log);
  f.AllowClose = false;
  f.Show();
  f.Close();
  EXPECT_TRUE(f.Visible());
}

TEST_F(VclForms, ClosingTheMainFormEndsTheApplication) {
  TForm* main = nullptr;
  App->CreateForm(main);
  TForm* second = nullptr;
  App->CreateForm(second);
  EXPECT_EQ(App->MainForm(), main);
  H().QueueIdleAction([&] {
    second->Close();  // hidden only
    main->Close();
  });
  App->Run();
  EXPECT_TRUE(App->Terminated());
  EXPECT_FALSE(second->Visible());
}

TEST_F(VclForms, ActivationMovesBetweenFormsWithEnterAndExit) {
  TEventLog log;
  TForm a(nullptr), b(nullptr);
  for (TForm* f : {&a, &b}) {
    const String n = f == &a ? "a" : "b";
    f->SetBounds(f == &a ? 0 : 400, 0, 300, 200);
    auto* e = new TCustomControl(f);
    e->SetParent(f);
    e->SetTabStop(true);
    e->OnEnter = [&log, n](TObject*) { log.Add(n + " edit OnEnter"); };
    e->OnExit = [&log, n](TObject*) { log.Add(n + " edit OnExit"); };
    f->OnActivate = [&log, n](TObject*) { log.Add(n + " OnActivate"); };
    f->OnDeactivate = [&log, n](TObject*) { log.Add(n + " OnDeactivate"); };
  }
  a.Show();
  Pump();
  b.Show();
  Pump();
  ClickAt(&a, 250, 150);  // a click on the form activates it
  EXPECT_EQ(log.Lines, (Lines{"a OnActivate", "a edit OnEnter", "a OnDeactivate", "b OnActivate", "b edit OnEnter",
                              "b OnDeactivate", "a OnActivate"}));
  EXPECT_EQ(Screen->ActiveForm(), &a);
}

TEST_F(VclForms, MonitorsAndPlacement) {
  H().SetMonitors({TMonitorDesc{TRect{0, 0, 1000, 800}, TRect{0, 0, 1000, 760}, "\\\\.\\DISPLAY1"},
                   TMonitorDesc{TRect{1000, 0, 1800, 600}, TRect{1000, 0, 1800, 600}, "\\\\.\\DISPLAY2"}});
  WinMonitorsChanged();
  ASSERT_EQ(Screen->MonitorCount(), 2);
  TMonitor* primary = Screen->Monitors(0);
  TMonitor* second = Screen->Monitors(1);
  EXPECT_TRUE(primary->Primary());
  EXPECT_FALSE(second->Primary());
  EXPECT_EQ(second->BoundsRect(), (TRect{1000, 0, 1800, 600}));
  EXPECT_EQ(primary->WorkareaRect(), (TRect{0, 0, 1000, 760}));
  EXPECT_EQ(Screen->MonitorFromPoint(TPoint{1500, 10}), second);
  EXPECT_EQ(Screen->MonitorFromPoint(TPoint{5000, 10}, TMonitorDefaultTo::mdNull), nullptr);
  EXPECT_EQ(Screen->DesktopRect(), (TRect{0, 0, 1800, 800}));
  TForm form(nullptr);
  form.SetBounds(1100, 100, 200, 100);
  form.Show();
  EXPECT_EQ(form.Monitor(), second);
  TForm centred(nullptr);
  centred.SetBorderStyle(TBorderStyle::bsDialog);
  centred.SetBounds(0, 0, 200, 100);
  centred.SetPosition(TPosition::poScreenCenter);
  centred.SetDefaultMonitor(TDefaultMonitor::dmPrimary);
  centred.Show();
  EXPECT_EQ(centred.BoundsRect(), Bounds(400, 350, 200, 100));
}

// ---- Application ---------------------------------------------------------------------------

class VclApplication : public TVclTest {};

TEST_F(VclApplication, RunReturnsAtOnceWithoutAMainForm) {
  App->Run();
  EXPECT_FALSE(App->Terminated());
}

TEST_F(VclApplication, ProcessMessagesInsideAHandler) {
  TEventLog log;
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* probe = new TWinProbe(&form, &log, "probe", {WM_USER + 1, WM_TIMER});
  probe->SetParent(&form);
  probe->SetBounds(10, 10, 100, 50);
  auto* button = new TTestButton(&form);
  button->SetParent(&form);
  button->SetBounds(10, 100, 75, 25);
  auto* doomed = new TForm(nullptr);
  TComponentRef<TForm> doomedRef(doomed);
  form.Show();
  Pump();
  Lines inHandler;
  button->OnClick = [&](TObject*) {
    PostMessage(probe->Handle(), WM_USER + 1, 0, 0);
    SetTimer(probe->Handle(), 5, 50, nullptr);
    Clock().Advance(60);
    probe->Invalidate();
    const int32_t paintsBefore = probe->Paints;
    doomed->Release();
    std::thread worker([&] { TThread::Queue(nullptr, [&] { log.Add("queued"); }); });
    worker.join();
    App->ProcessMessages();
    KillTimer(probe->Handle(), 5);
    inHandler = log.Lines;
    inHandler.push_back(probe->Paints > paintsBefore ? "painted" : "not painted");
    inHandler.push_back(doomedRef.Assigned() ? "doomed alive" : "doomed gone");
  };
  ClickAt(button, 5, 5);
  EXPECT_EQ(inHandler, (Lines{"queued", "probe msg1025", "probe WM_TIMER", "painted", "doomed gone"}));
}

TEST_F(VclApplication, ExceptionsInHandlersReachOnException) {
  TForm form(nullptr);
  auto* button = new TTestButton(&form);
  button->SetParent(&form);
  int clicks = 0;
  button->OnClick = [&](TObject*) {
    ++clicks;
    if (clicks == 1) throw EConvertError("bad %d", {42});
    if (clicks == 2) throw EAbort("silent");
    if (clicks == 3) throw std::runtime_error("plain");
  };
  form.Show();
  for (int i = 0; i < 4; ++i) ClickAt(button, 5, 5);
  EXPECT_EQ(clicks, 4) << "the loop went on";
  auto got = TakeExceptions();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].ClassName, "EConvertError");
  EXPECT_EQ(got[0].Message, "bad 42");
  EXPECT_EQ(got[0].Sender, button);
  EXPECT_NE(got[1].Message.find("plain"), String::npos);
  // OnCreate runs under the same protection.
  TForm created(nullptr);
  created.OnCreate = [](TObject*) { throw EConvertError("in OnCreate"); };
  created.AfterConstruction();
  got = TakeExceptions();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Message, "in OnCreate");
  EXPECT_EQ(got[0].Sender, &created);
  // Without OnException the exception is shown in a message box.
  App->OnException = nullptr;
  QueueAnswer(IDOK);
  button->OnClick = [](TObject*) { throw EInvalidOperation("Cannot do that"); };
  ClickAt(button, 5, 5);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, "Cannot do that.");
  EXPECT_EQ(Boxes[0].Flags, MB_OK | MB_ICONSTOP);
}

TEST_F(VclApplication, OnMessageIdleAndTheApplicationWindow) {
  TForm* main = nullptr;
  App->CreateForm(main);
  int idles = 0;
  Lines messages;
  App->OnIdle = [&](TObject*, bool& Done) {
    ++idles;
    Done = true;
  };
  App->OnMessage = [&](TMSG& Msg, bool& Handled) {
    if (Msg.message == WM_USER + 9) {
      messages.push_back("user9");
      Handled = true;
    }
  };
  Lines hooked;
  const int32_t hook = App->HookMainWindow([&](TMessage& m) {
    if (m.Msg == WM_USER + 3) hooked.push_back("hook");
    return m.Msg == WM_USER + 3;
  });
  PostMessage(main->Handle(), WM_USER + 9, 0, 0);
  PostMessage(App->Handle(), WM_USER + 3, 0, 0);
  H().QueueIdleAction([&] { main->Close(); });
  App->Run();
  App->UnhookMainWindow(hook);
  SendMessage(App->Handle(), WM_USER + 3, 0, 0);
  EXPECT_EQ(messages, Lines{"user9"});
  EXPECT_EQ(hooked, Lines{"hook"});
  EXPECT_GE(idles, 1);
}

TEST_F(VclApplication, ActivationOfTheApplication) {
  TForm form(nullptr);
  form.Show();
  Pump();
  Lines seen;
  App->OnActivate = [&](TObject*) { seen.push_back("activate"); };
  App->OnDeactivate = [&](TObject*) { seen.push_back("deactivate"); };
  WinInputAppActive(false);
  Pump();
  EXPECT_FALSE(App->Active());
  WinInputAppActive(true);
  Pump();
  EXPECT_TRUE(App->Active());
  EXPECT_EQ(seen, (Lines{"deactivate", "activate"}));
  EXPECT_TRUE(form.Active());
}

}  // namespace

namespace {

// The application window's hooks hear a minimise and restore of the
// application as WM_SIZE, and broadcasts reach the application window.
TEST_F(VclApplication, TheApplicationWindowHearsSizeChangesAndBroadcasts) {
  TForm* main = nullptr;
  App->CreateForm(main);
  main->Show();
  Pump();
  const uint32_t taskbar = RegisterWindowMessage("TaskbarCreated");
  std::vector<WPARAM> sizes;
  int broadcasts = 0;
  const int32_t hook = App->HookMainWindow([&](TMessage& m) {
    if (m.Msg == WM_SIZE) sizes.push_back(m.WParam);
    if (m.Msg == taskbar) ++broadcasts;
    return false;
  });
  App->Minimize();
  EXPECT_TRUE(IsIconic(main->Handle()));
  App->Restore();
  PostMessage(HWND_BROADCAST, taskbar, 0, 0);
  Pump();
  App->UnhookMainWindow(hook);
  EXPECT_EQ(sizes, (std::vector<WPARAM>{SIZE_MINIMIZED, SIZE_RESTORED}));
  EXPECT_EQ(broadcasts, 1);
}

}  // namespace
