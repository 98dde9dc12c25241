#include "platform/vcl/hints.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/vcl_testing.h"

namespace {

// A hint window of our own, as a skin installs one.
class TOwnHintWindow : public THintWindow {
 public:
  using THintWindow::THintWindow;
  const char* ClassName() const override { return "TOwnHintWindow"; }
  void ActivateHint(TRect Rect, const String& AHint) override {
    ++Shown;
    THintWindow::ActivateHint(Rect, AHint);
  }
  static inline int Shown = 0;
};

class VclHints : public TVclTest {
 protected:
  VclHints() {
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Form->SetShowHint(true);
    A = AddControl(10, 10, "Short A|Long A");
    B = AddControl(150, 10, "Short B|Long B");
    C = AddControl(10, 100, "");
    C->SetParentShowHint(false);
    C->SetShowHint(false);
    Form->Show();
    Pump();
  }

  TCustomControl* AddControl(int32_t x, int32_t y, const char* hint) {
    auto* c = new TCustomControl(Form.get());
    c->SetParent(Form.get());
    c->SetBounds(x, y, 100, 40);
    c->SetHint(hint);
    return c;
  }

  HWND HintWindow(const char* cls = "THintWindow") { return FindWindow(cls, nullptr); }
  bool Shown(const char* cls = "THintWindow") {
    HWND h = HintWindow(cls);
    return h != nullptr && IsWindowVisible(h);
  }
  String Text() { return GetWindowTextString(HintWindow()); }
  void Advance(uint64_t ms) { H().AdvanceClock(ms); }
  // Rests on A until its hint shows.
  void ShowA() {
    MoveTo(A, 20, 20);
    Advance(App->HintPause());
    ASSERT_TRUE(Shown());
  }

  std::unique_ptr<TForm> Form;
  TCustomControl* A = nullptr;
  TCustomControl* B = nullptr;
  TCustomControl* C = nullptr;
};

TEST_F(VclHints, ShortAndLongPartsSplitAtTheFirstBar) {
  struct Case {
    const char* Hint;
    const char* Short;
    const char* Long;
  };
  const Case cases[] = {
      {"Open|Opens a file", "Open", "Opens a file"},
      {"Plain", "Plain", "Plain"},
      {"|Only long", "", "Only long"},
      {"Only short|", "Only short", ""},
      {"a|b|c", "a", "b|c"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Hint);
    EXPECT_EQ(GetShortHint(c.Hint), c.Short);
    EXPECT_EQ(GetLongHint(c.Hint), c.Long);
  }
}

TEST_F(VclHints, AppearsAfterHintPauseAndHidesAfterHintHidePause) {
  EXPECT_EQ(App->HintPause(), 500);
  EXPECT_EQ(App->HintShortPause(), 50);
  EXPECT_EQ(App->HintHidePause(), 2500);
  MoveTo(A, 20, 20);
  Advance(499);
  EXPECT_FALSE(Shown());
  Advance(1);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(Text(), "Short A");
  // Below the pointer, its left edge at the pointer.
  TRect r;
  GetWindowRect(HintWindow(), &r);
  const TPoint cursor = At(A, 20, 20);
  EXPECT_EQ(r.Left, cursor.X);
  EXPECT_GT(r.Top, cursor.Y);
  EXPECT_EQ(GetForegroundWindow(), Form->Handle()) << "a hint never takes activation";
  EXPECT_NE(GetWindowLong(HintWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

  Advance(2499);
  EXPECT_TRUE(Shown());
  Advance(1);
  EXPECT_FALSE(Shown());
  // Resting on, the hint does not come back by itself.
  Advance(5000);
  EXPECT_FALSE(Shown());
}

TEST_F(VclHints, WhatEndsOrMovesAHint) {
  struct Case {
    const char* Name;
    std::function<void()> Act;
    uint64_t Wait;  // virtual time after the act
    bool ShownAfter;
    const char* TextAfter;
  };
  const std::vector<Case> cases = {
      {"a small move inside the control keeps it", [this] { MoveTo(A, 30, 25); }, 0, true, "Short A"},
      {"a key press hides it", [this] { Press(VK_SHIFT); }, 0, false, ""},
      {"a click hides it", [this] { ClickAt(A, 20, 20); }, 0, false, ""},
      {"a control without ShowHint cancels it", [this] { MoveTo(C, 20, 20); }, 3000, false, ""},
      {"leaving the form cancels it",
       [this] {
         H().MouseMove(5, 5);
         Pump();
       },
       3000, false, ""},
      {"the next control within HintShortPause", [this] { MoveTo(B, 20, 20); }, 50, true, "Short B"},
      {"CancelHint", [this] { App->CancelHint(); }, 3000, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    H().MouseMove(5, 5);
    Pump();
    App->CancelHint();
    ShowA();
    c.Act();
    if (c.Wait > 0) Advance(c.Wait);
    EXPECT_EQ(Shown(), c.ShownAfter);
    if (c.ShownAfter) {
      EXPECT_EQ(Text(), c.TextAfter);
    }
  }
  // Within the short pause nothing shows yet.
  ShowA();
  MoveTo(B, 20, 20);
  Advance(49);
  EXPECT_FALSE(Shown());
  Advance(1);
  EXPECT_TRUE(Shown());
}

TEST_F(VclHints, ShowHintEventsChangeOrRefuseTheHint) {
  THintInfo seen;
  App->OnShowHint = [&](String& HintStr, bool& CanShow, THintInfo& Info) {
    seen = Info;
    if (Info.HintControl == B) CanShow = false;
    HintStr = "[" + HintStr + "]";
  };
  ShowA();
  EXPECT_EQ(Text(), "[Short A]");
  EXPECT_EQ(seen.HintControl, A);
  EXPECT_EQ(seen.CursorRect, (TRect{0, 0, 100, 40}));
  EXPECT_EQ(seen.CursorPos, (TPoint{20, 20}));
  EXPECT_EQ(seen.HintColor, clInfoBk);
  EXPECT_EQ(seen.HideTimeout, 2500);

  MoveTo(B, 20, 20);
  Advance(3000);
  EXPECT_FALSE(Shown()) << "OnShowHint refused";

  // CM_HINTSHOW answered nonzero refuses before OnShowHint is asked.
  int asked = 0;
  App->OnShowHint = [&](String&, bool&, THintInfo&) { ++asked; };
  TWndMethod saved = A->WindowProc;
  A->WindowProc = [saved](TMessage& m) {
    if (m.Msg == CM_HINTSHOW) {
      m.Result = 1;
      return;
    }
    saved(m);
  };
  MoveTo(A, 20, 20);
  Advance(3000);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(asked, 0);
  A->WindowProc = saved;

  // An exception of the event reaches the application; no hint shows.
  App->OnShowHint = [](String&, bool&, THintInfo&) { throw EConvertError("bad hint"); };
  H().MouseMove(5, 5);
  Pump();
  MoveTo(A, 20, 20);
  Advance(500);
  EXPECT_FALSE(Shown());
  ASSERT_EQ(TakeExceptions().size(), 1u);

  // HideTimeout set by the event replaces HintHidePause for that hint.
  App->OnShowHint = [](String&, bool&, THintInfo& Info) { Info.HideTimeout = 100; };
  H().MouseMove(5, 5);
  Pump();
  MoveTo(A, 20, 20);
  Advance(500);
  EXPECT_TRUE(Shown());
  Advance(100);
  EXPECT_FALSE(Shown());
}

TEST_F(VclHints, ApplicationHintCarriesTheLongPartOnIdle) {
  std::vector<String> heard;
  App->OnHint = [&](TObject*) { heard.push_back(App->Hint()); };
  MoveTo(A, 20, 20);
  App->DoIdle();
  App->DoIdle();  // no change: no second OnHint
  MoveTo(B, 20, 20);
  App->DoIdle();
  MoveTo(C, 20, 20);
  App->DoIdle();
  EXPECT_EQ(heard, (std::vector<String>{"Long A", "Long B", ""}));
  EXPECT_EQ(App->Hint(), "");
}

TEST_F(VclHints, TheHintWindowClassIsReplaceable) {
  TOwnHintWindow::Shown = 0;
  ShowA();  // the plain window
  App->SetHintWindowClass([](TComponent* Owner) -> THintWindow* { return new TOwnHintWindow(Owner); });
  MoveTo(B, 20, 20);
  Advance(50);
  EXPECT_TRUE(Shown("TOwnHintWindow")) << "the next hint is made by the new class";
  EXPECT_EQ(TOwnHintWindow::Shown, 1);
  EXPECT_EQ(HintWindow("THintWindow"), nullptr) << "the old window is gone";

  // ShowHint off: no hints, and the window goes.
  App->SetShowHint(false);
  EXPECT_EQ(HintWindow("TOwnHintWindow"), nullptr);
  MoveTo(A, 30, 30);
  Advance(3000);
  EXPECT_EQ(HintWindow("TOwnHintWindow"), nullptr);
  App->SetShowHint(true);
  H().MouseMove(5, 5);
  Pump();
  MoveTo(A, 20, 20);
  Advance(500);
  EXPECT_TRUE(Shown("TOwnHintWindow"));
  EXPECT_EQ(TOwnHintWindow::Shown, 2);
}

TEST_F(VclHints, ThePlainWindowLook) {
  THintWindow w(nullptr);
  const TRect one = w.CalcHintRect(1000, "Hint", nullptr);
  const TRect two = w.CalcHintRect(1000, "Hint\nHint", nullptr);
  EXPECT_EQ(one.Left, 0);
  EXPECT_EQ(two.Width(), one.Width()) << "as wide as the longest line";
  EXPECT_GT(two.Height(), one.Height());
  TRect wrapped = w.CalcHintRect(40, "one two three four", nullptr);
  EXPECT_LE(wrapped.Width(), 46);
  EXPECT_GT(wrapped.Height(), one.Height());

  // Near the right edge of the desktop the window moves back onto it.
  const int32_t deskRight = Scr->DesktopRect().Right;
  TRect r = one;
  OffsetRect(r, deskRight - 10, 50);
  w.ActivateHint(r, "Hint");
  ASSERT_TRUE(w.HintShowing());
  TRect shown;
  GetWindowRect(w.Handle(), &shown);
  EXPECT_EQ(shown.Right, deskRight);
  EXPECT_EQ(shown.Height(), one.Height() + 4);

  // clInfoBk inside a one-pixel border; the text in clInfoText.
  auto pixels = WindowPixels(w.Handle(), true);
  ASSERT_NE(pixels, nullptr);
  const TColor info = static_cast<TColor>(ColorToRGB(clInfoBk));
  EXPECT_NE(pixels->Canvas()->Pixels(0, 0), info);
  EXPECT_EQ(pixels->Canvas()->Pixels(1, 1), info);
  EXPECT_EQ(pixels->Canvas()->Pixels(pixels->Width() - 2, pixels->Height() - 2), info);
  bool ink = false;
  for (int32_t y = 2; y < pixels->Height() - 2 && !ink; ++y)
    for (int32_t x = 2; x < pixels->Width() - 2 && !ink; ++x)
      ink = pixels->Canvas()->Pixels(x, y) == static_cast<TColor>(ColorToRGB(clInfoText));
  EXPECT_TRUE(ink);

  w.ReleaseHandle();
  EXPECT_FALSE(w.HandleAllocated());
  TMSG move, key, click;
  move.message = WM_MOUSEMOVE;
  key.message = WM_KEYDOWN;
  click.message = WM_LBUTTONDOWN;
  EXPECT_FALSE(w.IsHintMsg(move));
  EXPECT_TRUE(w.IsHintMsg(key));
  EXPECT_TRUE(w.IsHintMsg(click));
}

}  // namespace
