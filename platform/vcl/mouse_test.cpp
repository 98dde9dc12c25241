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

class VclMouse : public TVclTest {
 protected:
  // A form at (100, 100) with a focused edit-like control, a windowed and a
  // graphic button.
  void SetUp() override {
    TVclTest::SetUp();
    Form = std::make_unique<TFormProbe>(nullptr, &Log, "form", std::set<uint32_t>{CM_CANCELMODE});
    Form->SetBorderStyle(TBorderStyle::bsNone);
    Form->SetBounds(100, 100, 300, 200);
    Focus = new TWinProbe(Form.get(), &Log, "focus", {CM_CANCELMODE});
    Focus->SetParent(Form.get());
    Focus->SetBounds(10, 10, 80, 20);
    Focus->SetTabStop(true);
    Button = new TWinProbe(Form.get(), &Log, "button", {CM_CANCELMODE});
    Button->SetParent(Form.get());
    Button->SetBounds(10, 50, 80, 30);
    Graphic = new TGraphicProbe(Form.get(), &Log, "graphic", {CM_CANCELMODE});
    Graphic->SetParent(Form.get());
    Graphic->SetBounds(150, 50, 80, 30);
    Form->Show();
    Form->SetActiveControl(Focus);
    Pump();
    ASSERT_TRUE(Focus->Focused());
    Log.Clear();
  }
  void TearDown() override {
    Form.reset();
    TVclTest::TearDown();
  }

 public:
  TEventLog Log;
  std::unique_ptr<TFormProbe> Form;
  TWinProbe* Focus = nullptr;
  TWinProbe* Button = nullptr;
  TGraphicProbe* Graphic = nullptr;
};

TEST_F(VclMouse, ClickSequenceWithCaptureAndCancelMode) {
  struct TCase {
    const char* Name;
    TControl* (*Target)(VclMouse*);
    Lines Expected;
  };
  const TCase cases[] = {
      {"windowed",
       [](VclMouse* t) -> TControl* { return t->Button; },
       {"focus CM_CANCELMODE", "button MouseDown 0 5,6", "button Click", "button MouseUp 0 5,6"}},
      {"graphic",
       [](VclMouse* t) -> TControl* { return t->Graphic; },
       {"focus CM_CANCELMODE", "graphic MouseDown 0 5,6", "graphic Click", "graphic MouseUp 0 5,6"}},
      // Pressing the focused control itself cancels nothing.
      {"focused",
       [](VclMouse* t) -> TControl* { return t->Focus; },
       {"focus MouseDown 0 5,6", "focus Click", "focus MouseUp 0 5,6"}},
  };
  for (const TCase& k : cases) {
    TControl* target = k.Target(this);
    Log.Clear();
    TPoint p = At(target, 5, 6);
    H().MouseDown(p.X, p.Y);
    Pump();
    EXPECT_EQ(GetCaptureControl(), target) << k.Name;
    EXPECT_TRUE(target->MouseCapture()) << k.Name;
    EXPECT_TRUE(target->ControlState().Contains(TControlStateItem::csClicked)) << k.Name;
    H().MouseUp(p.X, p.Y);
    Pump();
    EXPECT_EQ(Log.Lines, k.Expected) << k.Name;
    EXPECT_EQ(GetCapture(), nullptr) << k.Name;
    EXPECT_TRUE(Focus->Focused()) << k.Name << ": a click does not move the focus";
  }
}

TEST_F(VclMouse, ReleaseOutsideGivesNoClickButTheCaptureControlHearsIt) {
  for (TControl* target : {static_cast<TControl*>(Button), static_cast<TControl*>(Graphic)}) {
    Log.Clear();
    TPoint p = At(target, 5, 5);
    H().MouseDown(p.X, p.Y);
    H().MouseMove(p.X + 200, p.Y + 100);
    H().MouseUp(p.X + 200, p.Y + 100);
    Pump();
    EXPECT_EQ(Log.Starting(target->Name()),
              (Lines{target->Name() + " MouseDown 0 5,5", target->Name() + " MouseUp 0 205,105"}))
        << target->Name();
    EXPECT_EQ(GetCaptureControl(), nullptr);
  }
}

TEST_F(VclMouse, DoubleClickSequence) {
  for (TControl* target : {static_cast<TControl*>(Button), static_cast<TControl*>(Graphic)}) {
    Log.Clear();
    TPoint p = At(target, 3, 4);
    H().DoubleClick(p.X, p.Y);
    Pump();
    const String n = target->Name();
    EXPECT_EQ(Log.Starting(n), (Lines{n + " MouseDown 0 3,4", n + " Click", n + " MouseUp 0 3,4", n + " DblClick",
                                      n + " MouseDown 0 double 3,4", n + " MouseUp 0 3,4"}))
        << n;
  }
  // Without csDoubleClicks the second press is a plain one.
  Log.Clear();
  TControlStyle style = Graphic->ControlStyle();
  style.Exclude(TControlStyleItem::csDoubleClicks);
  Graphic->SetControlStyle(style);
  TPoint p = At(Graphic, 3, 4);
  H().DoubleClick(p.X, p.Y);
  Pump();
  EXPECT_EQ(Log.Starting("graphic Click").size(), 2u);
  EXPECT_TRUE(Log.Starting("graphic DblClick").empty());
}

TEST_F(VclMouse, EnterAndLeaveForWindowedAndGraphicControlsPassToTheParents) {
  auto* panel = new TWinProbe(Form.get(), &Log, "panel", {CM_MOUSEENTER, CM_MOUSELEAVE});
  panel->SetParent(Form.get());
  panel->SetBounds(10, 100, 200, 80);
  auto* inner = new TGraphicProbe(Form.get(), &Log, "inner", {CM_MOUSEENTER, CM_MOUSELEAVE, WM_MOUSEMOVE});
  inner->SetParent(panel);
  inner->SetBounds(100, 10, 50, 50);
  Form->FWatch = {CM_MOUSEENTER, CM_MOUSELEAVE};
  H().MouseMove(5, 5);  // the desktop
  Pump();
  Log.Clear();

  MoveTo(Form.get(), 250, 190);
  EXPECT_EQ(Log.Lines, (Lines{"form CM_MOUSEENTER form"}));
  Log.Clear();
  MoveTo(panel, 5, 5);
  EXPECT_EQ(Log.Lines, (Lines{"form CM_MOUSELEAVE form", "panel CM_MOUSEENTER panel", "form CM_MOUSEENTER panel"}));
  Log.Clear();
  MoveTo(inner, 1, 2);
  EXPECT_EQ(Log.Lines, (Lines{"inner WM_MOUSEMOVE", "panel CM_MOUSELEAVE panel", "form CM_MOUSELEAVE panel",
                              "inner CM_MOUSEENTER inner", "panel CM_MOUSEENTER inner", "form CM_MOUSEENTER inner"}));
  EXPECT_EQ(App->MouseControl(), inner);
  // The control goes away from under a resting pointer: noticed on idle.
  Log.Clear();
  inner->Hide();
  App->DoIdle();
  EXPECT_EQ(Log.Lines, (Lines{"inner CM_MOUSELEAVE inner", "panel CM_MOUSELEAVE inner", "form CM_MOUSELEAVE inner",
                              "panel CM_MOUSEENTER panel", "form CM_MOUSEENTER panel"}));
  // Off every window no mouse message comes: idle notices.
  Log.Clear();
  H().MouseMove(2, 2);
  Pump();
  EXPECT_TRUE(Log.Lines.empty());
  App->DoIdle();
  EXPECT_EQ(Log.Lines, (Lines{"panel CM_MOUSELEAVE panel", "form CM_MOUSELEAVE panel"}));
  EXPECT_EQ(App->MouseControl(), nullptr);
}

TEST_F(VclMouse, WheelGoesToTheFocusedControlThenUpTheParents) {
  auto* panel = new TWinProbe(Form.get(), &Log, "panel", {CM_MOUSEWHEEL});
  panel->SetParent(Form.get());
  panel->SetBounds(10, 100, 200, 80);
  auto* edit = new TWinProbe(Form.get(), &Log, "edit", {CM_MOUSEWHEEL});
  edit->SetParent(panel);
  edit->SetBounds(5, 5, 50, 20);
  edit->SetTabStop(true);
  Form->FWatch = {CM_MOUSEWHEEL};
  edit->SetFocus();
  Pump();
  Log.Clear();
  int downs = 0;
  panel->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& Handled) {
    ++downs;
    Handled = true;
  };
  TPoint elsewhere = At(Graphic, 1, 1);  // the pointer position does not matter
  H().Wheel(elsewhere.X, elsewhere.Y, -WHEEL_DELTA);
  Pump();
  EXPECT_EQ(Log.Lines, (Lines{"edit CM_MOUSEWHEEL", "panel CM_MOUSEWHEEL"}));
  EXPECT_EQ(downs, 1);
  // Up is not handled by anyone: it climbs to the form.
  Log.Clear();
  H().Wheel(elsewhere.X, elsewhere.Y, WHEEL_DELTA);
  Pump();
  EXPECT_EQ(Log.Lines, (Lines{"edit CM_MOUSEWHEEL", "panel CM_MOUSEWHEEL", "form CM_MOUSEWHEEL"}));
  // OnMouseWheel on the focused control stops it first.
  Log.Clear();
  int32_t seenDelta = 0;
  edit->OnMouseWheel = [&](TObject*, TShiftState, int32_t Delta, TPoint, bool& Handled) {
    seenDelta = Delta;
    Handled = true;
  };
  H().Wheel(elsewhere.X, elsewhere.Y, -2 * WHEEL_DELTA);
  Pump();
  EXPECT_EQ(Log.Lines, (Lines{"edit CM_MOUSEWHEEL"}));
  EXPECT_EQ(seenDelta, -2 * WHEEL_DELTA);
  EXPECT_EQ(downs, 1);
}

TEST_F(VclMouse, ContextPopupGoesToTheControlUnderThePointFirst) {
  std::vector<String> popups;
  Graphic->OnContextPopup = [&](TObject*, TPoint P, bool& Handled) {
    popups.push_back("graphic " + std::to_string(P.X) + "," + std::to_string(P.Y));
    Handled = true;
  };
  Form->OnContextPopup = [&](TObject*, TPoint P, bool& Handled) {
    popups.push_back("form " + std::to_string(P.X) + "," + std::to_string(P.Y));
    Handled = true;
  };
  ClickAt(Graphic, 7, 8, TRawButton::Right);
  ClickAt(Form.get(), 250, 150, TRawButton::Right);
  // From the keyboard the position is (-1, -1).
  SendMessage(Form->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Form->Handle()), MAKELPARAM(-1, -1));
  EXPECT_EQ(popups, (Lines{"graphic 7,8", "form 250,150", "form -1,-1"}));
}

}  // namespace
