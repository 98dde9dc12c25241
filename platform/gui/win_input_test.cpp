#include <gtest/gtest.h>

#include "platform/gui/win_internal.h"
#include "platform/gui/win_testing.h"

namespace {

using Seq = std::vector<String>;

class WinInput : public ::testing::Test, public TWinTestBase {
 protected:
  // Messages with their wParam (and lParam for WM_SYSCOMMAND).
  Seq Keys() {
    Seq out;
    for (const TLoggedMsg& m : Rec().Log) {
      switch (m.Msg) {
        case WM_CONTEXTMENU: out.push_back("WM_CONTEXTMENU " + std::to_string(int32_t(m.LParam))); break;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_SYSCHAR:
        case WM_CLOSE: out.push_back(TMsgRecorder::MsgName(m.Msg) + " " + std::to_string(m.WParam)); break;
        case WM_SYSCOMMAND:
          out.push_back("WM_SYSCOMMAND " + std::to_string(m.WParam) + "/" + std::to_string(m.LParam));
          break;
        default: break;
      }
    }
    return out;
  }
};

class WinFocus : public WinInput {};

// ---- Mouse ---------------------------------------------------------------------------

TEST_F(WinInput, ClickOnAnInactiveWindow) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  SetActiveWindow(a);
  H().MouseMove(250, 50);
  H().PumpMessages();
  Rec().Clear();
  H().Click(250, 50);
  H().PumpMessages();
  EXPECT_EQ(Rec().Trace(), (Seq{"b WM_MOUSEACTIVATE", "a WM_NCACTIVATE", "a WM_ACTIVATE", "a WM_KILLFOCUS",
                                "b WM_NCACTIVATE", "b WM_ACTIVATE", "b WM_SETFOCUS", "b WM_SETCURSOR",
                                "b WM_LBUTTONDOWN", "b WM_SETCURSOR", "b WM_LBUTTONUP"}));
  const TLoggedMsg& ma = Rec().Log[0];
  EXPECT_EQ(ma.WParam, reinterpret_cast<WPARAM>(b));
  EXPECT_EQ(ma.LParam, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  auto act = Rec().Of(WM_ACTIVATE);
  EXPECT_EQ(act[1].WParam, WA_CLICKACTIVE);
  EXPECT_EQ(act[1].LParam, reinterpret_cast<LPARAM>(a));
  auto down = Rec().Of(WM_LBUTTONDOWN);
  EXPECT_EQ(down[0].WParam, MK_LBUTTON);
  EXPECT_EQ(down[0].LParam, MAKELPARAM(50, 50));
  EXPECT_EQ(Rec().Of(WM_LBUTTONUP)[0].WParam, 0u);
  EXPECT_EQ(GetActiveWindow(), b);
}

TEST_F(WinInput, MouseActivateAsksTheParentAndCanEat) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, b);
  static LRESULT answer;
  answer = MA_ACTIVATEANDEAT;
  Handle(b, [](HWND, uint32_t m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_MOUSEACTIVATE) return false;
    r = answer;
    return true;
  });
  SetActiveWindow(a);
  H().PumpMessages();
  Rec().Clear();
  H().Click(220, 20);
  H().PumpMessages();
  EXPECT_EQ(Only({WM_MOUSEACTIVATE, WM_LBUTTONDOWN, WM_LBUTTONUP}),
            (Seq{"c WM_MOUSEACTIVATE", "b WM_MOUSEACTIVATE", "c WM_LBUTTONUP"}));  // the press was eaten
  EXPECT_EQ(GetActiveWindow(), b);
  auto ma = Rec().Of(WM_MOUSEACTIVATE);
  EXPECT_EQ(ma[1].WParam, reinterpret_cast<WPARAM>(b));  // the top-level window
  (void)c;
}

TEST_F(WinInput, NoActivatePopupsKeepActivationAndFocus) {
  HWND form = Make("form", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400);
  HWND edit = Make("edit", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, form);
  SetFocus(edit);
  // A drop-down shown topmost without activation that answers MA_NOACTIVATE,
  // and a popup with WS_EX_NOACTIVATE.
  HWND drop = Make("drop", WS_POPUP, 10, 30, 100, 100, form);
  Handle(drop, [](HWND, uint32_t m, WPARAM, LPARAM, LRESULT& r) {
    if (m != WM_MOUSEACTIVATE) return false;
    r = MA_NOACTIVATE;
    return true;
  });
  SetWindowPos(drop, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  HWND tip = Make("tip", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50, nullptr, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
  H().PumpMessages();
  EXPECT_EQ(GetActiveWindow(), form);
  for (TPoint p : {Point(50, 80), Point(320, 320)}) {
    Rec().Clear();
    H().Click(p.X, p.Y);
    H().PumpMessages();
    EXPECT_EQ(GetActiveWindow(), form);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_TRUE(Rec().Of(WM_NCACTIVATE).empty());
    EXPECT_TRUE(Rec().Of(WM_KILLFOCUS).empty());
    EXPECT_EQ(Rec().Of(WM_LBUTTONDOWN).size(), 1u);
  }
  EXPECT_EQ(SetActiveWindow(tip), nullptr);
  EXPECT_EQ(GetActiveWindow(), form);
}

TEST_F(WinInput, CaptureOutsideTheWindow) {
  HWND under = Make("under", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100);
  HWND other = Make("other", WS_POPUP, 0, 0, 10, 10);
  H().MouseDown(150, 150);
  H().PumpMessages();
  SetCapture(w);
  Rec().Clear();
  H().MouseMove(50, 60);
  H().PumpMessages();
  H().MouseUp(20, 30);
  H().PumpMessages();
  EXPECT_EQ(Rec().Trace(), (Seq{"w WM_MOUSEMOVE", "w WM_MOUSEMOVE", "w WM_LBUTTONUP"}));
  const TLoggedMsg& move = Rec().Log[0];
  EXPECT_EQ(GET_X_LPARAM(move.LParam), -50);
  EXPECT_EQ(GET_Y_LPARAM(move.LParam), -40);
  EXPECT_EQ(move.WParam, MK_LBUTTON);
  EXPECT_EQ(GET_X_LPARAM(Rec().Log[2].LParam), -80);
  EXPECT_EQ(GET_Y_LPARAM(Rec().Log[2].LParam), -70);
  Rec().Clear();
  SetCapture(other);
  ReleaseCapture();
  EXPECT_EQ(Rec().Trace(), (Seq{"w WM_CAPTURECHANGED", "other WM_CAPTURECHANGED"}));
  EXPECT_EQ(Rec().Log[0].LParam, reinterpret_cast<LPARAM>(other));
  EXPECT_EQ(Rec().Log[1].LParam, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  (void)under;
}

TEST_F(WinInput, DoubleClicks) {
  Make("dbl", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND plain = Make("plain", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr, 0, kTestPlainClass);
  Handle(plain, [](HWND, uint32_t m, WPARAM, LPARAM lp, LRESULT& r) {
    if (m == WM_NCHITTEST && GET_Y_LPARAM(lp) < 10) {  // a caption strip
      r = HTCAPTION;
      return true;
    }
    return m == WM_NCLBUTTONDOWN || m == WM_NCLBUTTONDBLCLK;  // no move loop here
  });
  struct TCase {
    const char* What;
    TPoint First;
    uint32_t Dt;
    TPoint Second;
    TRawButton SecondButton;
    int Clicks;
    Seq Expected;
  };
  const TPoint in{50, 50};
  const TPoint pl{250, 50};
  const TCase cases[] = {
      {"at once",
       in,
       0,
       in,
       TRawButton::Left,
       2,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_LBUTTONUP"}},
      {"499 ms",
       in,
       499,
       in,
       TRawButton::Left,
       2,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_LBUTTONUP"}},
      {"500 ms",
       in,
       500,
       in,
       TRawButton::Left,
       2,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDOWN", "WM_LBUTTONUP"}},
      {"2 px away",
       in,
       0,
       Point(52, 48),
       TRawButton::Left,
       2,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_LBUTTONUP"}},
      {"3 px away",
       in,
       0,
       Point(53, 50),
       TRawButton::Left,
       2,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDOWN", "WM_LBUTTONUP"}},
      {"other button",
       in,
       0,
       in,
       TRawButton::Right,
       2,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_RBUTTONDOWN", "WM_RBUTTONUP"}},
      {"third click",
       in,
       0,
       in,
       TRawButton::Left,
       3,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_LBUTTONUP", "WM_LBUTTONDOWN", "WM_LBUTTONUP"}},
      {"class without CS_DBLCLKS",
       pl,
       0,
       pl,
       TRawButton::Left,
       2,
       {"WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDOWN", "WM_LBUTTONUP"}},
      {"its caption",
       Point(250, 5),
       0,
       Point(250, 5),
       TRawButton::Left,
       2,
       {"WM_NCLBUTTONDOWN", "WM_NCLBUTTONUP", "WM_NCLBUTTONDBLCLK", "WM_NCLBUTTONUP"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    H().AdvanceClock(2000);
    Rec().Clear();
    H().Click(c.First.X, c.First.Y);
    Session.Clock().Advance(c.Dt);
    for (int i = 1; i < c.Clicks; ++i) H().Click(c.Second.X, c.Second.Y, c.SecondButton);
    H().PumpMessages();
    Seq got;
    for (const TLoggedMsg& m : Rec().Log)
      if ((m.Msg >= WM_LBUTTONDOWN && m.Msg <= WM_MBUTTONDBLCLK) ||
          (m.Msg >= WM_NCLBUTTONDOWN && m.Msg <= WM_NCMBUTTONDBLCLK))
        got.push_back(TMsgRecorder::MsgName(m.Msg));
    EXPECT_EQ(got, c.Expected);
  }
}

TEST_F(WinInput, WheelGoesToTheFocusWindowThenItsParents) {
  HWND form = Make("form", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  HWND panel = Make("panel", WS_CHILD | WS_VISIBLE, 10, 10, 200, 200, form);
  HWND list = Make("list", WS_CHILD | WS_VISIBLE, 10, 10, 100, 100, panel);
  HWND other = Make("other", WS_POPUP | WS_VISIBLE, 500, 500, 100, 100, nullptr, WS_EX_NOACTIVATE);
  SetActiveWindow(form);
  SetFocus(list);
  H().KeyDown(VK_SHIFT);
  H().PumpMessages();
  Rec().Clear();
  H().Wheel(550, 560, -2 * WHEEL_DELTA);
  H().PumpMessages();
  EXPECT_EQ(Only({WM_MOUSEWHEEL}), (Seq{"list WM_MOUSEWHEEL", "panel WM_MOUSEWHEEL", "form WM_MOUSEWHEEL"}));
  const TLoggedMsg m = Rec().Of(WM_MOUSEWHEEL)[0];
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(m.WParam), -240);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(m.WParam), MK_SHIFT);
  EXPECT_EQ(m.LParam, MAKELPARAM(550, 560));  // screen coordinates
  for (const TLoggedMsg& l : Rec().Log) EXPECT_NE(l.Hwnd, other);
}

TEST_F(WinInput, SetCursorAsksTheParentFirst) {
  HWND parent = Make("parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  HWND child = Make("child", WS_CHILD | WS_VISIBLE, 10, 10, 100, 100, parent);
  static bool parentTakes;
  static LRESULT childHit;
  parentTakes = false;
  childHit = HTCLIENT;
  Handle(parent, [](HWND, uint32_t m, WPARAM, LPARAM, LRESULT& r) {
    if (m == WM_SETCURSOR && parentTakes) {
      r = 1;
      return true;
    }
    return false;
  });
  Handle(child, [](HWND, uint32_t m, WPARAM, LPARAM, LRESULT& r) {
    if (m == WM_NCHITTEST && childHit != HTCLIENT) {
      r = childHit;
      return true;
    }
    return false;
  });
  HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  struct TCase {
    bool ParentTakes;
    LRESULT Hit;
    HCURSOR Expected;
  };
  const TCase cases[] = {
      {true, HTCLIENT, wait},                             // the parent kept its cursor
      {false, HTCLIENT, LoadCursor(nullptr, IDC_ARROW)},  // the class cursor
      {false, HTLEFT, LoadCursor(nullptr, IDC_SIZEWE)},   // a size cursor for the edge
      {false, HTBOTTOMRIGHT, LoadCursor(nullptr, IDC_SIZENWSE)},
  };
  int x = 40;
  for (const TCase& c : cases) {
    parentTakes = c.ParentTakes;
    childHit = c.Hit;
    SetCursor(wait);
    Rec().Clear();
    H().MouseMove(x++, 40);
    H().PumpMessages();
    EXPECT_EQ(GetCursor(), c.Expected);
    auto sc = Rec().Of(WM_SETCURSOR);
    ASSERT_EQ(sc.size(), 2u);
    EXPECT_EQ(sc[0].Hwnd, child);
    EXPECT_EQ(sc[1].Hwnd, parent);
    EXPECT_EQ(sc[1].WParam, reinterpret_cast<WPARAM>(child));
    EXPECT_EQ(sc[1].LParam, MAKELPARAM(int32_t(c.Hit), c.Hit == HTCLIENT ? WM_MOUSEMOVE : WM_NCMOUSEMOVE));
  }
}

TEST_F(WinInput, TrackMouseEventLeaveAndHover) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 100, 0, 100, 100);
  H().MouseMove(50, 50);
  H().PumpMessages();
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE | TME_HOVER;
  tme.hwndTrack = a;
  tme.dwHoverTime = 300;
  ASSERT_TRUE(TrackMouseEvent(&tme));
  Rec().Clear();
  H().AdvanceClock(299);
  EXPECT_TRUE(Rec().Of(WM_MOUSEHOVER).empty());
  H().AdvanceClock(1);
  ASSERT_EQ(Rec().Of(WM_MOUSEHOVER).size(), 1u);
  EXPECT_EQ(Rec().Of(WM_MOUSEHOVER)[0].LParam, MAKELPARAM(50, 50));
  H().MouseMove(150, 50);
  H().PumpMessages();
  EXPECT_EQ(Only({WM_MOUSELEAVE, WM_MOUSEHOVER}), (Seq{"a WM_MOUSEHOVER", "a WM_MOUSELEAVE"}));
  Rec().Clear();
  tme.dwFlags = TME_LEAVE;
  TrackMouseEvent(&tme);  // not over a: the leave comes at once
  H().PumpMessages();
  EXPECT_EQ(Only({WM_MOUSELEAVE}), Seq{"a WM_MOUSELEAVE"});
  (void)b;
}

TEST_F(WinInput, DisabledWindowsGetNoInput) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE | WS_DISABLED, 200, 0, 100, 100);
  H().ClearBeeps();
  Rec().Clear();
  H().Click(250, 50);
  H().PumpMessages();
  EXPECT_TRUE(Rec().Of(WM_LBUTTONDOWN).empty());
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(H().Beeps().size(), 1u);
  EXPECT_EQ(SetFocus(b), nullptr);
}

// ---- Keyboard ------------------------------------------------------------------------

TEST_F(WinInput, KeyTranslation) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Handle(w, [](HWND, uint32_t m, WPARAM, LPARAM, LRESULT&) { return m == WM_CLOSE; });
  SetFocus(w);
  struct TCase {
    const char* What;
    std::function<void(THeadlessBackend&)> Input;
    Seq Expected;
  };
  const String keymenu = "WM_SYSCOMMAND " + std::to_string(SC_KEYMENU);
  const TCase cases[] = {
      {"letter", [](THeadlessBackend& h) { h.PressKey('A'); }, {"WM_KEYDOWN 65", "WM_CHAR 97", "WM_KEYUP 65"}},
      {"shift",
       [](THeadlessBackend& h) { h.PressKey('A', hkShift); },
       {"WM_KEYDOWN 16", "WM_KEYDOWN 65", "WM_CHAR 65", "WM_KEYUP 65", "WM_KEYUP 16"}},
      {"ctrl",
       [](THeadlessBackend& h) { h.PressKey('C', hkCtrl); },
       {"WM_KEYDOWN 17", "WM_KEYDOWN 67", "WM_CHAR 3", "WM_KEYUP 67", "WM_KEYUP 17"}},
      {"alt+letter",
       [](THeadlessBackend& h) { h.PressKey('F', hkAlt); },
       {"WM_SYSKEYDOWN 18", "WM_SYSKEYDOWN 70", "WM_SYSCHAR 102", keymenu + "/102", "WM_SYSKEYUP 70",
        "WM_SYSKEYUP 18"}},
      {"alt alone",
       [](THeadlessBackend& h) { h.PressKey(VK_MENU); },
       {"WM_SYSKEYDOWN 18", "WM_SYSKEYUP 18", keymenu + "/0"}},
      {"f10",
       [](THeadlessBackend& h) { h.PressKey(VK_F10); },
       {"WM_SYSKEYDOWN 121", "WM_SYSKEYUP 121", keymenu + "/0"}},
      {"shift+f10",
       [](THeadlessBackend& h) { h.PressKey(VK_F10, hkShift); },
       {"WM_KEYDOWN 16", "WM_SYSKEYDOWN 121", "WM_CONTEXTMENU -1", "WM_SYSKEYUP 121", "WM_KEYUP 16"}},
      {"menu key",
       [](THeadlessBackend& h) { h.PressKey(VK_APPS); },
       {"WM_KEYDOWN 93", "WM_KEYUP 93", "WM_CONTEXTMENU -1"}},
      {"ctrl+alt",
       [](THeadlessBackend& h) { h.PressKey('A', hkCtrl | hkAlt); },
       {"WM_KEYDOWN 17", "WM_KEYDOWN 18", "WM_KEYDOWN 65", "WM_KEYUP 65", "WM_KEYUP 18", "WM_KEYUP 17"}},
      {"alt+f4",
       [](THeadlessBackend& h) { h.PressKey(VK_F4, hkAlt); },
       {"WM_SYSKEYDOWN 18", "WM_SYSKEYDOWN 115", "WM_SYSCOMMAND " + std::to_string(SC_CLOSE) + "/0", "WM_CLOSE 0",
        "WM_SYSKEYUP 115", "WM_SYSKEYUP 18"}},
      {"enter", [](THeadlessBackend& h) { h.PressKey(VK_RETURN); }, {"WM_KEYDOWN 13", "WM_CHAR 13", "WM_KEYUP 13"}},
      {"typed text",
       [](THeadlessBackend& h) { h.TypeText("a!\xc3\xa9"); },
       {"WM_KEYDOWN 65", "WM_CHAR 97", "WM_KEYUP 65", "WM_KEYDOWN 16", "WM_KEYDOWN 49", "WM_CHAR 33", "WM_KEYUP 49",
        "WM_KEYUP 16", "WM_KEYDOWN 231", "WM_CHAR 233", "WM_KEYUP 231"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    Rec().Clear();
    c.Input(H());
    H().PumpMessages();
    EXPECT_EQ(Keys(), c.Expected);
  }
  EXPECT_TRUE(IsWindow(w));
}

TEST_F(WinInput, KeyMessageParameters) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  SetFocus(w);
  H().KeyDown('A');
  H().KeyDown('A');  // auto-repeat
  H().KeyUp('A');
  H().KeyDown(VK_MENU);
  H().KeyDown('F');
  H().KeyUp('F');
  H().KeyUp(VK_MENU);
  H().PressKey(VK_LEFT);
  Rec().Clear();
  H().PumpMessages();
  std::vector<uint32_t> l;
  for (const TLoggedMsg& m : Rec().Log)
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_KEYUP || m.Msg == WM_SYSKEYDOWN || m.Msg == WM_SYSKEYUP)
      l.push_back(uint32_t(m.LParam));
  ASSERT_EQ(l.size(), 9u);
  EXPECT_EQ(l[0], 0x001E0001u);  // scan code 0x1E, one repeat
  EXPECT_EQ(l[1], 0x401E0001u);  // previously down
  EXPECT_EQ(l[2], 0xC01E0001u);  // released
  EXPECT_EQ(l[3], 0x20380001u);  // Alt: context bit
  EXPECT_EQ(l[4], 0x20210001u);  // F with Alt held
  EXPECT_EQ(l[5], 0xE0210001u);
  EXPECT_EQ(l[6], 0xE0380001u);
  EXPECT_EQ(l[7], 0x014B0001u);  // an extended key
  EXPECT_EQ(l[8], 0xC14B0001u);
}

TEST_F(WinInput, KeysWithoutFocusGoToTheActiveWindowAsSystemKeys) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  SetFocus(nullptr);
  EXPECT_EQ(GetActiveWindow(), w);
  Rec().Clear();
  H().KeyDown('B');
  H().PumpMessages();
  EXPECT_EQ(Only({WM_KEYDOWN, WM_SYSKEYDOWN}), Seq{"w WM_SYSKEYDOWN"});
}

TEST_F(WinInput, KeyStateFollowsRetrieval) {
  Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  H().KeyDown(VK_SHIFT);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  H().PumpMessages();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  EXPECT_LT(GetKeyState(VK_LSHIFT), 0);
  H().KeyUp(VK_SHIFT);
  H().PressKey(VK_CAPITAL);
  H().PumpMessages();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
  uint8_t state[256];
  GetKeyboardState(state);
  EXPECT_EQ(state[VK_CAPITAL] & 1, 1);
  H().MouseDown(10, 10, TRawButton::Right);
  H().PumpMessages();
  EXPECT_LT(GetKeyState(VK_RBUTTON), 0);
  H().MouseUp(10, 10, TRawButton::Right);
  H().PumpMessages();
}

// ---- Focus and activation ---------------------------------------------------------------

TEST_F(WinFocus, ActivationSequence) {
  Rec().Clear();
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  // The first activation of the application.
  EXPECT_EQ(Only({WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS}),
            (Seq{"a WM_ACTIVATEAPP", "a WM_NCACTIVATE", "a WM_ACTIVATE", "a WM_SETFOCUS"}));
  HWND b = Make("b", WS_POPUP, 200, 0, 100, 100);
  ShowWindow(b, SW_SHOWNA);
  Rec().Clear();
  EXPECT_EQ(SetActiveWindow(b), a);
  EXPECT_EQ(Rec().Trace(), (Seq{"a WM_NCACTIVATE", "a WM_ACTIVATE", "a WM_KILLFOCUS", "b WM_NCACTIVATE",
                                "b WM_ACTIVATE", "b WM_SETFOCUS"}));
  EXPECT_EQ(Rec().Log[0].WParam, 0u);
  EXPECT_EQ(Rec().Log[1].WParam, WA_INACTIVE);
  EXPECT_EQ(Rec().Log[1].LParam, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(Rec().Log[3].WParam, 1u);
  EXPECT_EQ(Rec().Log[4].WParam, WA_ACTIVE);
  EXPECT_EQ(Rec().Log[4].LParam, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(GetForegroundWindow(), b);

  // Hiding every window deactivates the application.
  Rec().Clear();
  ShowWindow(b, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), a);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  auto app = Rec().Of(WM_ACTIVATEAPP);
  ASSERT_EQ(app.size(), 2u);  // to both top-level windows
  EXPECT_EQ(app[0].WParam, 0u);
  EXPECT_TRUE(SetForegroundWindow(b));
  EXPECT_EQ(GetActiveWindow(), b);
}

TEST_F(WinFocus, SetFocusActivatesTheTopLevelFirst) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  HWND c1 = Make("c1", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, b);
  HWND c2 = Make("c2", WS_CHILD | WS_VISIBLE, 20, 0, 10, 10, b);
  SetActiveWindow(a);
  Rec().Clear();
  EXPECT_EQ(SetFocus(c1), nullptr);  // the old focus went with a's deactivation
  EXPECT_EQ(Rec().Trace(), (Seq{"a WM_NCACTIVATE", "a WM_ACTIVATE", "a WM_KILLFOCUS", "b WM_NCACTIVATE",
                                "b WM_ACTIVATE", "c1 WM_SETFOCUS"}));
  Rec().Clear();
  EXPECT_EQ(SetFocus(c2), c1);
  EXPECT_EQ(Rec().Trace(), (Seq{"c1 WM_KILLFOCUS", "c2 WM_SETFOCUS"}));
  EXPECT_EQ(Rec().Log[0].WParam, reinterpret_cast<WPARAM>(c2));
  EXPECT_EQ(Rec().Log[1].WParam, reinterpret_cast<WPARAM>(c1));

  // A hidden or destroyed focus window hands the focus to its parent.
  ShowWindow(c2, SW_HIDE);
  EXPECT_EQ(GetFocus(), b);
  SetFocus(c1);
  DestroyWindow(c1);
  EXPECT_EQ(GetFocus(), b);
  // Destroying the active window activates its owner.
  HWND owned = Make("owned", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, a);
  EXPECT_EQ(GetActiveWindow(), owned);
  DestroyWindow(owned);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
}

TEST_F(WinFocus, ApplicationFocusFromTheBackend) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Rec().Clear();
  WinInputAppActive(false);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  WinInputAppActive(true);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  auto app = Rec().Of(WM_ACTIVATEAPP);
  ASSERT_EQ(app.size(), 2u);
  EXPECT_EQ(app[0].WParam, 0u);
  EXPECT_EQ(app[1].WParam, 1u);
}

}  // namespace
