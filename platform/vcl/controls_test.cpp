#include "platform/vcl/controls.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/win_paint.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_probes_testing.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class VclControls : public TVclTest {};

// ---- Notifications -----------------------------------------------------------------

struct TSetterCase {
  const char* Name;
  uint32_t Msg;
  std::function<void(TControl*)> Change;
};

TEST_F(VclControls, SettersNotifyOnlyOnChangeAndWithoutAHandle) {
  const std::vector<TSetterCase> cases = {
      {"Text", CM_TEXTCHANGED, [](TControl* c) { c->SetText("abc"); }},
      {"Color", CM_COLORCHANGED, [](TControl* c) { c->SetColor(clRed); }},
      {"Font", CM_FONTCHANGED, [](TControl* c) { c->Font()->SetColor(clBlue); }},
      {"Enabled", CM_ENABLEDCHANGED, [](TControl* c) { c->SetEnabled(false); }},
      {"Visible", CM_VISIBLECHANGED, [](TControl* c) { c->SetVisible(false); }},
      {"Cursor", CM_CURSORCHANGED, [](TControl* c) { c->SetCursor(crHandPoint); }},
      {"ShowHint", CM_SHOWHINTCHANGED, [](TControl* c) { c->SetShowHint(true); }},
  };
  for (bool windowed : {false, true}) {
    for (const TSetterCase& k : cases) {
      TEventLog log;
      std::unique_ptr<TControl> c;
      if (windowed)
        c = std::make_unique<TWinProbe>(nullptr, &log, "c", std::set<uint32_t>{k.Msg});
      else
        c = std::make_unique<TGraphicProbe>(nullptr, &log, "c", std::set<uint32_t>{k.Msg});
      k.Change(c.get());
      k.Change(c.get());  // the same value again: no second notification
      EXPECT_EQ(log.Lines, std::vector<String>{"c " + VclMsgName(k.Msg)})
          << k.Name << (windowed ? " windowed" : " graphic");
    }
  }
  // Setting a font equal to the current one is no change either.
  TEventLog log;
  TWinProbe c(nullptr, &log, "c", {CM_FONTCHANGED});
  TFont same;
  same.Assign(c.Font());
  c.SetFont(&same);
  EXPECT_TRUE(log.Lines.empty());
}

TEST_F(VclControls, ParentFontColorAndShowHintFollowTheParent) {
  TEventLog log;
  TCustomControl parent(nullptr);
  parent.SetColor(clYellow);
  parent.Font()->SetName("Arial");
  parent.SetShowHint(true);
  auto* child = new TGraphicProbe(&parent, &log, "child", {CM_FONTCHANGED, CM_COLORCHANGED});
  child->SetParent(&parent);
  EXPECT_EQ(child->Color(), clYellow);
  EXPECT_EQ(child->Font()->Name(), "Arial");
  EXPECT_TRUE(child->ShowHint());
  EXPECT_TRUE(child->ParentFont());
  EXPECT_TRUE(child->ParentColor());
  log.Clear();
  parent.Font()->SetSize(14);
  EXPECT_EQ(child->Font()->Size(), 14);
  EXPECT_TRUE(child->ParentFont());
  // A font of its own ends the inheritance.
  child->Font()->SetStyle(TFontStyles{TFontStyle::fsBold});
  EXPECT_FALSE(child->ParentFont());
  parent.Font()->SetSize(20);
  EXPECT_EQ(child->Font()->Size(), 14);
  parent.SetColor(clAqua);
  EXPECT_EQ(child->Color(), clAqua);
  EXPECT_EQ(log.Lines, (std::vector<String>{"child CM_FONTCHANGED", "child CM_FONTCHANGED", "child CM_COLORCHANGED"}));
}

// ---- Handles, WindowProc and re-creation ----------------------------------------------

TEST_F(VclControls, HandlesAreMadeOnDemandAndParentNilDestroysOnlyTheWindow) {
  TForm form(nullptr);
  auto* panel = new TCustomControl(&form);
  panel->SetParent(&form);
  auto* inner = new TCustomControl(&form);
  inner->SetParent(panel);
  inner->SetBounds(3, 4, 20, 10);
  inner->SetText("inner");
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_FALSE(inner->HandleAllocated());
  HWND h = inner->Handle();  // the parents first
  EXPECT_TRUE(form.HandleAllocated());
  EXPECT_TRUE(panel->HandleAllocated());
  EXPECT_EQ(GetParent(h), panel->Handle());
  EXPECT_EQ(FindControl(h), inner);
  EXPECT_EQ(GetWindowTextString(h), "inner");
  inner->SetParent(nullptr);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(inner->HandleAllocated());
  EXPECT_EQ(inner->Text(), "inner");
  EXPECT_EQ(inner->Owner(), &form);
  inner->SetParent(panel);
  EXPECT_EQ(inner->Left(), 3);
}

TEST_F(VclControls, RecreateWndKeepsStateAndTheWindowProcChain) {
  TEventLog log;
  TForm form(nullptr);
  form.SetBounds(50, 50, 300, 200);
  auto* c = new TWinProbe(&form, &log, "c", {WM_MOUSEMOVE});
  c->SetParent(&form);
  c->SetBounds(10, 20, 100, 50);
  c->SetText("kept");
  c->SetTabStop(true);
  form.Show();
  c->SetFocus();
  Pump();
  ASSERT_TRUE(c->Focused());

  // Two replacements, each calling the procedure it saved.
  TWndMethod first = c->WindowProc;
  c->WindowProc = [&, first](TMessage& m) {
    if (m.Msg == WM_MOUSEMOVE) log.Add("hook1");
    first(m);
  };
  TWndMethod second = c->WindowProc;
  c->WindowProc = [&, second](TMessage& m) {
    if (m.Msg == WM_MOUSEMOVE) log.Add("hook2");
    second(m);
  };
  const HWND before = c->Handle();
  TEventLog enterExit;
  c->OnEnter = [&](TObject*) { enterExit.Add("enter"); };
  c->OnExit = [&](TObject*) { enterExit.Add("exit"); };
  c->RecreateWnd();
  EXPECT_NE(c->Handle(), before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(c->Text(), "kept");
  EXPECT_EQ(GetWindowTextString(c->Handle()), "kept");
  EXPECT_EQ(c->BoundsRect(), Bounds(10, 20, 100, 50));
  EXPECT_TRUE(IsWindowVisible(c->Handle()));
  EXPECT_TRUE(c->Focused());
  EXPECT_TRUE(enterExit.Lines.empty()) << "re-creation is no focus change";

  SendMessage(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(log.Lines, (std::vector<String>{"hook2", "hook1", "c WM_MOUSEMOVE"}));
  // Removed in reverse order.
  c->WindowProc = second;
  c->WindowProc = first;
  EXPECT_TRUE(c->HasOwnWindowProc());
  log.Clear();
  SendMessage(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(log.Lines, std::vector<String>{"c WM_MOUSEMOVE"});
}

TEST_F(VclControls, RecreatingAFormRemakesItsChildrenQuietly) {
  TEventLog log;
  TForm form(nullptr);
  form.SetCaption("Title");
  form.SetBounds(30, 40, 300, 200);
  auto* edit = new TCustomControl(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 10, 50, 20);
  edit->SetTabStop(true);
  edit->SetText("text");
  edit->OnEnter = [&](TObject*) { log.Add("enter"); };
  edit->OnExit = [&](TObject*) { log.Add("exit"); };
  form.OnShow = [&](TObject*) { log.Add("show"); };
  form.Show();
  Pump();
  ASSERT_TRUE(edit->Focused());
  const HWND oldForm = form.Handle(), oldEdit = edit->Handle();
  form.SetBorderStyle(TBorderStyle::bsDialog);
  Pump();
  EXPECT_NE(form.Handle(), oldForm);
  EXPECT_NE(edit->Handle(), oldEdit);
  EXPECT_EQ(GetParent(edit->Handle()), form.Handle());
  EXPECT_TRUE(IsWindowVisible(edit->Handle()));
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(GetWindowTextString(form.Handle()), "Title");
  EXPECT_EQ(edit->Text(), "text");
  EXPECT_EQ(form.BoundsRect(), Bounds(30, 40, 300, 200));
  EXPECT_EQ(log.Lines, (std::vector<String>{"show", "enter"}));
}

TEST_F(VclControls, AFormDestroyedWithAForeignWindowProcIsReported) {
  std::vector<TControl*> reported;
  auto saved = OnForeignWindowProc;
  OnForeignWindowProc = [&](TControl* c) { reported.push_back(c); };
  TControl* address = nullptr;
  {
    TForm form(nullptr);
    address = &form;
    TWndMethod old = form.WindowProc;
    form.WindowProc = [old](TMessage& m) { old(m); };
  }
  {
    TForm tidy(nullptr);  // restored in time: nothing to report
    TWndMethod old = tidy.WindowProc;
    tidy.WindowProc = [old](TMessage& m) { old(m); };
    tidy.WindowProc = old;
  }
  OnForeignWindowProc = saved;
#ifndef NDEBUG
  EXPECT_EQ(reported, std::vector<TControl*>{address});
#else
  EXPECT_TRUE(reported.empty());
#endif
}

// A control that subclasses a raw child window it makes itself (as a list
// view does with its header): the hook must be installed again for each new
// window.
class THostOfRaw : public TCustomControl {
 public:
  explicit THostOfRaw(TComponent* AOwner) : TCustomControl(AOwner) {
    FInstance = MakeObjectInstance([this](TMessage& m) { RawProc(m); });
  }
  ~THostOfRaw() override {
    Unhook();
    FreeObjectInstance(FInstance);
  }
  HWND Raw = nullptr;
  std::vector<uint32_t> Seen;

 protected:
  void CreateWnd() override {
    TCustomControl::CreateWnd();
    Raw = CreateWindowEx(0, "STATIC_RAW_V1", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, WindowHandle(), nullptr, nullptr,
                         nullptr);
    FOldProc = reinterpret_cast<WNDPROC>(SetWindowLong(Raw, GWL_WNDPROC, reinterpret_cast<intptr_t>(FInstance)));
  }
  void DestroyWnd() override {
    Unhook();
    TCustomControl::DestroyWnd();
  }

 private:
  void Unhook() {
    if (Raw != nullptr && IsWindow(Raw) && FOldProc != nullptr)
      SetWindowLong(Raw, GWL_WNDPROC, reinterpret_cast<intptr_t>(FOldProc));
    FOldProc = nullptr;
  }
  void RawProc(TMessage& m) {
    if (m.Msg == WM_USER + 7) Seen.push_back(m.Msg);
    m.Result = CallWindowProc(FOldProc, Raw, m.Msg, m.WParam, m.LParam);
  }
  WNDPROC FInstance = nullptr;
  WNDPROC FOldProc = nullptr;
};

TEST_F(VclControls, RawChildWindowsAreSubclassedThroughObjectInstances) {
  WNDCLASS wc;
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "STATIC_RAW_V1";
  WNDCLASS existing;
  if (!GetClassInfo(nullptr, wc.lpszClassName, &existing)) RegisterClass(wc);
  TForm form(nullptr);
  auto* host = new THostOfRaw(&form);
  host->SetParent(&form);
  form.Show();
  Pump();
  HWND raw1 = host->Raw;
  SendMessage(raw1, WM_USER + 7, 0, 0);
  EXPECT_EQ(host->Seen.size(), 1u);
  host->RecreateWnd();
  ASSERT_NE(host->Raw, raw1);
  SendMessage(host->Raw, WM_USER + 7, 0, 0);
  EXPECT_EQ(host->Seen.size(), 2u);
  // Distinct instances are distinct procedures.
  WNDPROC a = MakeObjectInstance([](TMessage&) {});
  WNDPROC b = MakeObjectInstance([](TMessage&) {});
  EXPECT_NE(a, b);
  FreeObjectInstance(a);
  FreeObjectInstance(b);
}

// ---- Parent versus owner ------------------------------------------------------------

TEST_F(VclControls, ParentDestroysChildrenOwnedByOthersAndOwnersFreeTheirOwn) {
  auto owner = std::make_unique<TComponent>(nullptr);
  TComponentRef<TControl> child;
  TComponentRef<TControl> grandChild;
  {
    TForm form(nullptr);
    auto* panel = new TCustomControl(&form);
    panel->SetParent(&form);
    auto* c = new TCustomControl(owner.get());  // owned elsewhere, parented here
    c->SetParent(panel);
    auto* g = new TGraphicControl(owner.get());
    g->SetParent(c);
    child = c;
    grandChild = g;
    form.Show();
    Pump();
    ASSERT_EQ(owner->ComponentCount(), 2);
  }
  EXPECT_FALSE(child.Assigned());
  EXPECT_FALSE(grandChild.Assigned());
  EXPECT_EQ(owner->ComponentCount(), 0) << "the owner's list followed";

  // The other way round: the owner frees a control first; the parent's
  // lists follow.
  TForm form(nullptr);
  auto* c = new TCustomControl(owner.get());
  c->SetParent(&form);
  auto* g = new TGraphicControl(owner.get());
  g->SetParent(&form);
  form.Show();
  Pump();
  EXPECT_EQ(form.ControlCount(), 2);
  owner.reset();
  EXPECT_EQ(form.ControlCount(), 0);
  Pump();
}

// ---- Reflection -------------------------------------------------------------------------

TEST_F(VclControls, NotificationsAreReflectedToTheChildControl) {
  TEventLog log;
  TForm form(nullptr);
  auto* child = new TWinProbe(&form, &log, "child", {CN_COMMAND, CN_NOTIFY, CN_DRAWITEM, CN_MEASUREITEM});
  child->SetParent(&form);
  HWND ch = child->Handle();
  HWND fh = form.Handle();
  SendMessage(fh, WM_COMMAND, MAKEWPARAM(1, 0), reinterpret_cast<LPARAM>(ch));
  NMHDR nm;
  nm.hwndFrom = ch;
  SendMessage(fh, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
  DRAWITEMSTRUCT dis;
  dis.CtlType = ODT_BUTTON;
  dis.hwndItem = ch;
  SendMessage(fh, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  MEASUREITEMSTRUCT mis;
  mis.CtlType = ODT_LISTBOX;
  mis.CtlID = uint32_t(GetWindowLong(ch, GWL_ID));
  SendMessage(fh, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
  EXPECT_EQ(log.Lines,
            (std::vector<String>{"child CN_COMMAND", "child CN_NOTIFY", "child CN_DRAWITEM", "child CN_MEASUREITEM"}));
  // The child's answer is the parent's answer.
  child->Handlers[CN_COMMAND] = [](TMessage& m) {
    m.Result = 42;
    return true;
  };
  EXPECT_EQ(SendMessage(fh, WM_COMMAND, 0, reinterpret_cast<LPARAM>(ch)), 42);
}

// ---- Screen --------------------------------------------------------------------------------

TEST_F(VclControls, ScreenFormsAreInCreationOrder) {
  auto a = std::make_unique<TForm>(nullptr);
  auto b = std::make_unique<TForm>(nullptr);
  auto c = std::make_unique<TForm>(nullptr);
  c->Show();
  a->Show();
  b->Show();
  Pump();
  ASSERT_EQ(Screen->FormCount(), 3);
  EXPECT_EQ(Screen->Forms(0), a.get());
  EXPECT_EQ(Screen->Forms(1), b.get());
  EXPECT_EQ(Screen->Forms(2), c.get());
  EXPECT_EQ(Screen->ActiveForm(), b.get());
  b.reset();
  EXPECT_EQ(Screen->FormCount(), 2);
  EXPECT_EQ(Screen->Forms(1), c.get());
  EXPECT_NE(Screen->ActiveForm(), nullptr);
}

TEST_F(VclControls, ScreenCursorOverridesTheControls) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  auto* c = new TCustomControl(&form);
  c->SetParent(&form);
  c->SetBounds(10, 10, 50, 50);
  c->SetCursor(crHandPoint);
  form.Show();
  MoveTo(c, 5, 5);
  EXPECT_EQ(H().Cursor(), Screen->Cursors(crHandPoint));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(H().Cursor(), Screen->Cursors(crHourGlass));
  MoveTo(c, 6, 6);
  EXPECT_EQ(H().Cursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
  EXPECT_EQ(H().Cursor(), Screen->Cursors(crHandPoint));
}

// ---- Actions and scrolling --------------------------------------------------------------

TEST_F(VclControls, ActionsDriveTheirControlsAndUpdateOnIdle) {
  TForm form(nullptr);
  auto* list = new TActionList(&form);
  auto* action = new TAction(&form);
  action->SetActionList(list);
  action->SetCaption("Run");
  auto* button = new TTestButton(&form);
  button->SetParent(&form);
  button->SetAction(action);
  EXPECT_EQ(button->Caption(), "Run");
  int executed = 0, updated = 0;
  bool canRun = true;
  action->OnExecute = [&](TObject*) { ++executed; };
  action->OnUpdate = [&](TObject*) {
    ++updated;
    action->SetEnabled(canRun);
  };
  form.Show();
  Pump();
  App->DoIdle();
  EXPECT_GE(updated, 1);
  EXPECT_TRUE(button->Enabled());
  ClickAt(button, 5, 5);
  EXPECT_EQ(executed, 1);
  canRun = false;
  App->DoIdle();
  EXPECT_FALSE(button->Enabled()) << "the action's change reached the control";
  // The list may take the execution first.
  canRun = true;
  App->DoIdle();
  list->OnExecute = [](TBasicAction*, bool& Handled) { Handled = true; };
  ClickAt(button, 5, 5);
  EXPECT_EQ(executed, 1);
  // An action freed first leaves its client alone.
  delete action;
  EXPECT_EQ(button->Action(), nullptr);
  ClickAt(button, 5, 5);
}

TEST_F(VclControls, AutoScrollRangesFollowTheChildrenAndFocusScrollsIntoView) {
  TForm form(nullptr);
  form.SetBorderStyle(TBorderStyle::bsNone);
  form.SetBounds(0, 0, 200, 100);
  auto* far = new TCustomControl(&form);
  far->SetParent(&form);
  far->SetBounds(10, 300, 50, 20);
  far->SetTabStop(true);
  auto* near = new TCustomControl(&form);
  near->SetParent(&form);
  near->SetBounds(10, 10, 50, 20);
  near->SetTabStop(true);
  form.Show();
  Pump();
  EXPECT_EQ(form.VertScrollBar()->Range(), 320);
  EXPECT_TRUE(form.VertScrollBar()->IsScrollBarVisible());
  EXPECT_EQ(form.HorzScrollBar()->Range(), 60);
  EXPECT_FALSE(form.HorzScrollBar()->IsScrollBarVisible());
  far->SetFocus();
  Pump();
  EXPECT_GT(form.VertScrollBar()->Position(), 0);
  EXPECT_LE(far->Top() + far->Height(), form.ClientHeight());
  EXPECT_GE(far->Top(), 0);
  EXPECT_EQ(near->Top(), 10 - form.VertScrollBar()->Position());
  TRect r;
  GetWindowRect(far->Handle(), &r);
  EXPECT_EQ(r.Top - form.ClientOrigin().Y, far->Top()) << "the window moved with it";
  form.VertScrollBar()->SetPosition(0);
  EXPECT_EQ(near->Top(), 10);
  EXPECT_EQ(far->Top(), 300);
}

}  // namespace
