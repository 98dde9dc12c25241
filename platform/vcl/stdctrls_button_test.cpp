#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

using Codes = std::vector<uint32_t>;
using Lines = std::vector<String>;

class StdButtons : public TStdTest {
 public:
  // A raw native button on the form.
  HWND Native(uint32_t Style, const char* Text = "Go", int32_t X = 10, int32_t Y = 10, int32_t W = 80, int32_t H = 24) {
    RegisterStdControlClasses();
    HWND h = CreateWindowEx(0, "Button", Text, WS_CHILD | WS_VISIBLE | Style, X, Y, W, H, Form->Handle(),
                            reinterpret_cast<HMENU>(intptr_t(500 + NextId++)), nullptr, nullptr);
    Pump();
    return h;
  }
  void ClickWnd(HWND h, int32_t X = 5, int32_t Y = 5) {
    Clock().Advance(GetDoubleClickTime() + 1);
    TPoint p{X, Y};
    ClientToScreen(h, &p);
    H().Click(p.X, p.Y);
    Pump();
  }
  int NextId = 0;
};

TEST_F(StdButtons, NativeClickChangesAutoStylesThenNotifies) {
  ShowForm();
  struct TCase {
    uint32_t Style;
    std::vector<LRESULT> ChecksAfterClicks;  // BM_GETCHECK after each of three clicks
  };
  const TCase cases[] = {
      {BS_PUSHBUTTON, {0, 0, 0}}, {BS_CHECKBOX, {0, 0, 0}},    {BS_AUTOCHECKBOX, {1, 0, 1}},    {BS_3STATE, {0, 0, 0}},
      {BS_AUTO3STATE, {1, 2, 0}}, {BS_RADIOBUTTON, {0, 0, 0}}, {BS_AUTORADIOBUTTON, {1, 1, 1}},
  };
  for (const TCase& c : cases) {
    HWND h = Native(c.Style);
    std::vector<LRESULT> checks;
    for (int i = 0; i < 3; ++i) {
      ClickWnd(h);
      checks.push_back(SendMessage(h, BM_GETCHECK, 0, 0));
    }
    EXPECT_EQ(checks, c.ChecksAfterClicks) << c.Style;
    EXPECT_EQ(Form->Codes(h), (Codes{BN_CLICKED, BN_CLICKED, BN_CLICKED})) << c.Style;
    EXPECT_EQ(uint32_t(GetWindowLong(h, GWL_ID)), uint32_t(500 + NextId - 1));
    DestroyWindow(h);
  }
}

TEST_F(StdButtons, NativePressCapturesAndReleaseOutsideCancels) {
  ShowForm();
  HWND h = Native(BS_PUSHBUTTON);
  TPoint in{10, 10}, out{200, 100};
  ClientToScreen(h, &in);
  ClientToScreen(h, &out);
  H().MouseDown(in.X, in.Y);
  Pump();
  EXPECT_EQ(GetCapture(), h);
  EXPECT_EQ(GetFocus(), h);
  EXPECT_EQ(SendMessage(h, BM_GETSTATE, 0, 0) & (BST_PUSHED | BST_FOCUS), LRESULT(BST_PUSHED | BST_FOCUS));
  H().MouseMove(out.X, out.Y);
  Pump();
  EXPECT_EQ(SendMessage(h, BM_GETSTATE, 0, 0) & BST_PUSHED, 0) << "shows released while outside";
  H().MouseMove(in.X, in.Y);
  Pump();
  EXPECT_NE(SendMessage(h, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  H().MouseMove(out.X, out.Y);
  H().MouseUp(out.X, out.Y);
  Pump();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(Form->Codes(h).empty());
  // Space released on the focused button and BM_CLICK click; BM_SETCHECK never notifies.
  Press(VK_SPACE);
  EXPECT_EQ(Form->Codes(h), Codes{BN_CLICKED});
  SendMessage(h, BM_CLICK, 0, 0);
  HWND box = Native(BS_AUTOCHECKBOX, "x", 10, 50);
  SendMessage(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Form->Codes(h), (Codes{BN_CLICKED, BN_CLICKED}));
  EXPECT_TRUE(Form->Codes(box).empty());
}

TEST_F(StdButtons, NativeDialogCodesFollowTheStyle) {
  ShowForm();
  HWND h = Native(BS_PUSHBUTTON);
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  SendMessage(h, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  SetWindowLong(h, GWL_STYLE, WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON);
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_RADIOBUTTON);
  SetWindowLong(h, GWL_STYLE, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX);
  EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), DLGC_BUTTON);
}

TEST_F(StdButtons, NativeAutoRadioUnchecksItsSiblings) {
  ShowForm();
  HWND a = Native(BS_AUTORADIOBUTTON, "a", 10, 10);
  HWND b = Native(BS_AUTORADIOBUTTON, "b", 10, 40);
  HWND c = Native(BS_AUTOCHECKBOX, "c", 10, 70);
  SendMessage(c, BM_SETCHECK, BST_CHECKED, 0);
  ClickWnd(a);
  ClickWnd(b);
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED) << "other kinds are left alone";
}

// ---- TButton ----------------------------------------------------------------------------

class StdButtonForm : public StdButtons {
 public:
  void SetUp() override {
    StdButtons::SetUp();
    Edit = new TWinProbe(Form.get(), &Log, "edit", {CM_FOCUSCHANGED});
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 100, 20);
    Edit->SetTabStop(true);
    auto button = [&](const String& name, const String& caption, int32_t left) {
      auto* b = new TButton(Form.get());
      b->SetName(name);
      b->SetParent(Form.get());
      b->SetBounds(left, 100, 75, 25);
      b->SetCaption(caption);
      b->OnClick = [this, name](TObject*) { Log.Add(name + " Click mr=" + std::to_string(Form->ModalResult())); };
      return b;
    };
    Ok = button("ok", "&Go", 10);
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Cancel = button("cancel", "Stop", 100);
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    Other = button("other", "&Other", 190);
    ShowForm();
    Form->SetActiveControl(Edit);
    Pump();
    Log.Clear();
  }
  uint32_t Type(TButton* B) { return uint32_t(GetWindowLong(B->Handle(), GWL_STYLE)) & BS_TYPEMASK; }

  TEventLog Log;
  TWinProbe* Edit = nullptr;
  TButton* Ok = nullptr;
  TButton* Cancel = nullptr;
  TButton* Other = nullptr;
};

TEST_F(StdButtonForm, EnterAndEscapeReachDefaultFocusedAndCancelButtons) {
  struct TCase {
    TWinControl* Focus;
    uint32_t Key;
    Lines Expected;
  };
  const TCase cases[] = {
      {Edit, VK_RETURN, {"ok Click mr=1"}},      {Edit, VK_ESCAPE, {"cancel Click mr=2"}},
      {Other, VK_RETURN, {"other Click mr=0"}},  // the focused button takes Enter
      {Other, VK_ESCAPE, {"cancel Click mr=2"}}, {Cancel, VK_RETURN, {"cancel Click mr=2"}},
  };
  for (const TCase& c : cases) {
    Form->SetActiveControl(c.Focus);
    Form->SetModalResult(mrNone);
    Pump();
    Log.Clear();
    Press(c.Key);
    EXPECT_EQ(Log.Containing("Click"), c.Expected) << c.Focus->Name() << " " << c.Key;
  }
}

TEST_F(StdButtonForm, TheFocusedButtonShowsAsDefault) {
  EXPECT_EQ(Type(Ok), BS_DEFPUSHBUTTON);
  EXPECT_EQ(Type(Other), BS_PUSHBUTTON);
  Form->SetActiveControl(Other);
  Pump();
  EXPECT_EQ(Type(Ok), BS_PUSHBUTTON);
  EXPECT_EQ(Type(Other), BS_DEFPUSHBUTTON);
  Form->SetActiveControl(Edit);
  Pump();
  EXPECT_EQ(Type(Ok), BS_DEFPUSHBUTTON);
  EXPECT_EQ(Type(Other), BS_PUSHBUTTON);
  Ok->SetDefault(false);
  EXPECT_EQ(Type(Ok), BS_PUSHBUTTON);
  Press(VK_RETURN);
  EXPECT_TRUE(Log.Containing("Click").empty());
}

TEST_F(StdButtonForm, ClickSetsModalResultBeforeOnClickAndAcceleratorsClick) {
  ClickAt(Ok, 10, 10);
  EXPECT_EQ(Log.Containing("Click"), Lines{"ok Click mr=1"});
  Log.Clear();
  Form->SetModalResult(mrNone);
  Press('O', hkAlt);
  EXPECT_EQ(Log.Containing("Click"), Lines{"other Click mr=0"});
  Log.Clear();
  Ok->Perform(BM_CLICK, 0, 0);
  EXPECT_EQ(Log.Containing("Click"), Lines{"ok Click mr=1"});
}

TEST_F(StdButtonForm, LookOfDefaultFocusedPressedAndDisabled) {
  HWND ok = Ok->Handle();
  EXPECT_EQ(PixelOf(ok, 0, 0), Rgb(clWindowFrame)) << "default frame";
  EXPECT_EQ(PixelOf(Other->Handle(), 0, 0), Rgb(cl3DLight)) << "raised";
  EXPECT_NE(PixelOf(Other->Handle(), 0, 0), Rgb(clWindowFrame));
  // Focus dots 4 pixels inside.
  Form->SetActiveControl(Other);
  Pump();
  const TRect inner = Rect(4, 4, 71, 21);
  const int32_t before = CountColor(Other->Handle(), Rect(4, 4, 71, 5), Rgb(clBtnFace));
  EXPECT_LT(before, inner.Width()) << "dots on the focus line";
  Form->SetActiveControl(Edit);
  Pump();
  EXPECT_EQ(CountColor(Other->Handle(), Rect(4, 4, 71, 5), Rgb(clBtnFace)), inner.Width());
  // Pressed: sunken edge.
  TPoint p = At(Other, 20, 12);
  H().MouseDown(p.X, p.Y);
  Pump();
  EXPECT_EQ(PixelOf(Other->Handle(), 0, 0), Rgb(clWindowFrame)) << "pressed, focused, so default";
  EXPECT_EQ(PixelOf(Other->Handle(), 1, 1), Rgb(clBtnShadow)) << "sunken";
  H().MouseUp(p.X, p.Y);
  Pump();
  // Disabled caption: embossed in both colours.
  Other->SetEnabled(false);
  Pump();
  EXPECT_GT(CountColor(Other->Handle(), Rect(2, 2, 73, 23), Rgb(clBtnHighlight)), 0);
  EXPECT_GT(CountColor(Other->Handle(), Rect(4, 4, 71, 21), Rgb(clBtnShadow)), 0);
}

// ---- Check boxes and radio buttons --------------------------------------------------------

TEST_F(StdButtons, CheckBoxCycleAndProgrammaticEvents) {
  auto* box = new TCheckBox(Form.get());
  box->SetParent(Form.get());
  box->SetBounds(10, 10, 120, 17);
  box->SetCaption("Box");
  box->SetChecked(true);  // set before events are bound: nothing fires at creation
  int clicks = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  ShowForm();
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(box->Perform(BM_GETCHECK, 0, 0), BST_CHECKED) << "creation applies the stored state";
  struct TCase {
    bool AllowGrayed;
    std::vector<TCheckBoxState> Cycle;
  };
  using S = TCheckBoxState;
  const TCase cases[] = {
      {false, {S::cbChecked, S::cbUnchecked, S::cbChecked, S::cbUnchecked}},
      {true, {S::cbChecked, S::cbGrayed, S::cbUnchecked, S::cbChecked}},
  };
  for (const TCase& c : cases) {
    box->SetAllowGrayed(c.AllowGrayed);
    box->SetState(S::cbUnchecked);
    clicks = 0;
    std::vector<S> seen;
    for (size_t i = 0; i < c.Cycle.size(); ++i) {
      ClickAt(box, 5, 8);
      seen.push_back(box->State());
      EXPECT_EQ(box->Perform(BM_GETCHECK, 0, 0), LRESULT(box->State()));
    }
    EXPECT_EQ(seen, c.Cycle);
    EXPECT_EQ(clicks, int(c.Cycle.size()));
  }
  // Programmatic: OnClick only on a change.
  box->SetState(S::cbUnchecked);
  clicks = 0;
  box->SetState(S::cbChecked);
  box->SetChecked(true);
  box->SetChecked(false);
  EXPECT_EQ(clicks, 2);
  // Re-creation keeps the state and fires nothing.
  box->SetState(S::cbGrayed);
  clicks = 0;
  box->SetAlignment(TAlignment::taLeftJustify);
  Pump();
  EXPECT_EQ(box->Perform(BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_NE(GetWindowLong(box->Handle(), GWL_STYLE) & BS_LEFTTEXT, 0);
  EXPECT_EQ(clicks, 0);
}

TEST_F(StdButtons, CheckBoxPixels) {
  auto* box = new TCheckBox(Form.get());
  box->SetParent(Form.get());
  box->SetBounds(10, 10, 120, 17);
  box->SetCaption("Box");
  ShowForm();
  HWND h = box->Handle();
  const TRect mark = Rect(3, 5, 10, 12);  // the box at (0, 2), its mark 3 pixels in
  EXPECT_EQ(CountColor(h, mark, Rgb(clWindowText)), 0);
  EXPECT_EQ(PixelOf(h, 3, 5), Rgb(clWindow));
  box->SetChecked(true);
  Pump();
  EXPECT_EQ(CountColor(h, mark, Rgb(clWindowText)), 21);
  box->SetEnabled(false);
  Pump();
  EXPECT_EQ(CountColor(h, mark, Rgb(clGrayText)), 21);
  EXPECT_EQ(PixelOf(h, 3, 5), Rgb(clBtnFace));
  EXPECT_EQ(PixelOf(h, 60, 0), Rgb(clBtnFace)) << "the parent's colour around the caption";
  box->SetEnabled(true);
  Pump();
  const int32_t unfocused = CountColor(h, Rect(14, 0, 120, 17), Rgb(clBtnFace));
  box->SetFocus();
  Pump();
  EXPECT_LT(CountColor(h, Rect(14, 0, 120, 17), Rgb(clBtnFace)), unfocused - 20) << "focus dots around the caption";
  EXPECT_EQ(CountColor(h, Rect(50, 0, 120, 17), Rgb(clBtnFace)), 70 * 17) << "only around the caption";
}

TEST_F(StdButtons, RadioSiblingsAndEvents) {
  TEventLog log;
  std::vector<TRadioButton*> radios;
  for (int i = 0; i < 3; ++i) {
    auto* r = new TRadioButton(Form.get());
    r->SetName("r" + std::to_string(i));
    r->SetParent(Form.get());
    r->SetBounds(10, 10 + 25 * i, 100, 17);
    r->SetCaption("Radio " + std::to_string(i));
    r->OnClick = [&log, i](TObject*) { log.Add("r" + std::to_string(i) + " Click"); };
    radios.push_back(r);
  }
  ShowForm();
  radios[0]->SetChecked(true);
  EXPECT_EQ(log.Lines, Lines{"r0 Click"});
  log.Clear();
  radios[0]->SetChecked(false);
  EXPECT_TRUE(log.Lines.empty()) << "unchecking fires nothing";
  radios[0]->SetChecked(true);
  log.Clear();
  ClickAt(radios[2], 5, 8);
  EXPECT_EQ(log.Lines, Lines{"r2 Click"});
  EXPECT_FALSE(radios[0]->Checked());
  EXPECT_TRUE(radios[2]->Checked());
  EXPECT_EQ(radios[0]->Perform(BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(radios[2]->Perform(BM_GETCHECK, 0, 0), BST_CHECKED);
  // An arrow key moving the focus to a radio button clicks it.
  log.Clear();
  radios[2]->SetFocus();
  Pump();
  Press(VK_UP);
  EXPECT_EQ(GetFocus(), radios[1]->Handle());
  EXPECT_TRUE(radios[1]->Checked());
  EXPECT_FALSE(radios[2]->Checked());
  EXPECT_EQ(log.Lines, Lines{"r1 Click"});
  // The radio dot shows.
  EXPECT_GT(CountColor(radios[1]->Handle(), Rect(0, 0, 12, 17), Rgb(clWindowText)), 0);
  EXPECT_EQ(CountColor(radios[0]->Handle(), Rect(0, 0, 12, 17), Rgb(clWindowText)), 0);
}

}  // namespace
