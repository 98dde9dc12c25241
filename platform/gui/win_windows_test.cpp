#include <gtest/gtest.h>

#include "platform/gui/win_internal.h"
#include "platform/gui/win_testing.h"

namespace {

using Seq = std::vector<String>;

class WinWindows : public ::testing::Test, public TWinTestBase {
 protected:
  std::vector<HWND> TopLevelOrder() {
    std::vector<HWND> out;
    EnumWindows(
        [](HWND h, LPARAM p) {
          reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
          return true;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
  }
};

// ---- Creation ------------------------------------------------------------------------

TEST_F(WinWindows, CreateSendsItsSequence) {
  struct TCase {
    const char* What;
    uint32_t Style;
    bool Child;
    Seq Expected;
  };
  const TCase cases[] = {
      {"hidden popup", WS_POPUP, false, {"w WM_GETMINMAXINFO", "w WM_NCCREATE", "w WM_NCCALCSIZE", "w WM_CREATE"}},
      {"visible popup",
       WS_POPUP | WS_VISIBLE,
       false,
       {"w WM_GETMINMAXINFO", "w WM_NCCREATE", "w WM_NCCALCSIZE", "w WM_CREATE", "w WM_SHOWWINDOW",
        "w WM_WINDOWPOSCHANGING", "w WM_ACTIVATEAPP", "w WM_NCACTIVATE", "w WM_ACTIVATE", "w WM_SETFOCUS",
        "w WM_WINDOWPOSCHANGED", "w WM_MOVE", "w WM_SIZE"}},
      {"hidden child", WS_CHILD, true, {"w WM_NCCREATE", "w WM_NCCALCSIZE", "w WM_CREATE", "p WM_PARENTNOTIFY"}},
      {"visible child",
       WS_CHILD | WS_VISIBLE,
       true,
       {"w WM_NCCREATE", "w WM_NCCALCSIZE", "w WM_CREATE", "p WM_PARENTNOTIFY", "w WM_SHOWWINDOW",
        "w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED", "w WM_MOVE", "w WM_SIZE"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    HWND p = c.Child ? Make("p", WS_POPUP, 100, 100, 300, 200) : nullptr;
    Rec().Clear();
    HWND w = CreateWindowEx(0, kTestClass, "w", c.Style, 10, 20, 50, 40, p, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    Rec().Names[w] = "w";
    Rec().Names[p] = "p";
    EXPECT_EQ(Rec().Trace(), c.Expected);
    if (c.Child) {
      auto moves = Rec().Of(WM_MOVE);
      if (!moves.empty()) {
        EXPECT_EQ(GET_X_LPARAM(moves[0].LParam), 10);  // client origin, parent client coordinates
        EXPECT_EQ(GET_Y_LPARAM(moves[0].LParam), 20);
      }
      TRect r;
      GetWindowRect(w, &r);
      EXPECT_EQ(r, Rect(110, 120, 160, 160));
    }
    auto sizes = Rec().Of(WM_SIZE);
    if (!sizes.empty()) {
      EXPECT_EQ(sizes[0].WParam, SIZE_RESTORED);
      EXPECT_EQ(sizes[0].LParam, MAKELPARAM(50, 40));
    }
    EXPECT_EQ(GetWindowTextString(w), "w");
    DestroyWindow(w);
    if (p) DestroyWindow(p);
  }
}

TEST_F(WinWindows, CreateFailsCleanly) {
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(Make("orphan", WS_CHILD, 0, 0, 1, 1), nullptr);

  // A window answering WM_NCCREATE with FALSE, and one answering WM_CREATE with -1.
  struct TCase {
    uint32_t Refuse;
    LRESULT Answer;
    Seq Expected;
  };
  const TCase cases[] = {
      {WM_NCCREATE, 0, {"? WM_GETMINMAXINFO", "? WM_NCCREATE", "? WM_NCDESTROY"}},
      {WM_CREATE,
       -1,
       {"? WM_GETMINMAXINFO", "? WM_NCCREATE", "? WM_NCCALCSIZE", "? WM_CREATE", "? WM_DESTROY", "? WM_NCDESTROY"}},
  };
  for (const TCase& c : cases) {
    Rec().Clear();
    static uint32_t refuse;
    static LRESULT answer;
    refuse = c.Refuse;
    answer = c.Answer;
    WNDCLASS wc;
    wc.lpszClassName = "WinRefusing";
    wc.lpfnWndProc = [](HWND h, uint32_t m, WPARAM wp, LPARAM lp) -> LRESULT {
      LRESULT r = RecordingWndProc(h, m, wp, lp);
      return m == refuse ? answer : r;
    };
    WNDCLASS old;
    if (!GetClassInfo(nullptr, "WinRefusing", &old)) {
      ASSERT_NE(RegisterClass(wc), 0);
    }
    HWND w = CreateWindowEx(0, "WinRefusing", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(Rec().Trace(), c.Expected);
    EXPECT_TRUE(UnregisterClass("WinRefusing", nullptr));  // no window of it is left
  }
}

TEST_F(WinWindows, HandlesAreNeverReused) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(a));
  HWND b = Make("b", WS_POPUP, 0, 0, 10, 10);
  EXPECT_NE(a, b);
  EXPECT_TRUE(IsWindow(b));
  EXPECT_FALSE(IsWindow(nullptr));
  EXPECT_FALSE(IsWindow(HWND_BOTTOM));
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(uintptr_t(0x7FFFFFF0))));
}

// ---- Classes and window longs -----------------------------------------------------

TEST_F(WinWindows, ClassesAndLongs) {
  WNDCLASS wc;
  wc.lpszClassName = "wintestwindow";  // names compare ignoring case
  wc.lpfnWndProc = RecordingWndProc;
  EXPECT_EQ(RegisterClass(wc), 0);
  WNDCLASSEX info;
  ASSERT_TRUE(GetClassInfoEx(nullptr, "WINTESTWINDOW", &info));
  EXPECT_EQ(info.style, CS_DBLCLKS);

  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(GetClassNameString(w), "WinTestWindow");
  EXPECT_FALSE(UnregisterClass(kTestClass, nullptr));  // a window of it lives

  EXPECT_EQ(GetWindowLong(w, GWL_USERDATA), 0);
  SetWindowLong(w, GWL_USERDATA, 1234);
  EXPECT_EQ(GetWindowLong(w, GWL_USERDATA), 1234);
  EXPECT_EQ(SetWindowLong(w, 8, 77), 0);  // extra bytes (cbWndExtra 16)
  EXPECT_EQ(GetWindowLong(w, 8), 77);
  EXPECT_EQ(GetWindowLong(w, 16), 0);  // beyond the extra bytes

  // Subclassing chains through CallWindowProc.
  static WNDPROC previous;
  static int seen;
  seen = 0;
  previous = reinterpret_cast<WNDPROC>(SetWindowLong(
      w, GWL_WNDPROC, reinterpret_cast<intptr_t>(+[](HWND h, uint32_t m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER + 5) return 55;
        if (m == WM_USER + 6) ++seen;
        return CallWindowProc(previous, h, m, wp, lp);
      })));
  EXPECT_EQ(previous, &RecordingWndProc);
  EXPECT_EQ(SendMessage(w, WM_USER + 5, 0, 0), 55);
  Rec().Clear();
  SendMessage(w, WM_USER + 6, 0, 0);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(Rec().Log.size(), 1u);  // the original procedure still saw it

  // Style changes are announced.
  Rec().Clear();
  intptr_t old = SetWindowLong(w, GWL_STYLE, GetWindowLong(w, GWL_STYLE) | WS_THICKFRAME);
  EXPECT_EQ(old & WS_THICKFRAME, 0);
  EXPECT_EQ(Rec().Trace(), (Seq{"w WM_STYLECHANGING", "w WM_STYLECHANGED"}));
  EXPECT_NE(GetWindowLong(w, GWL_STYLE) & WS_THICKFRAME, 0);

  // GWL_HWNDPARENT sets the owner of a top-level window.
  HWND o = Make("o", WS_POPUP, 0, 0, 10, 10);
  SetWindowLong(o, GWL_HWNDPARENT, reinterpret_cast<intptr_t>(w));
  EXPECT_EQ(GetWindow(o, GW_OWNER), w);
  EXPECT_EQ(GetParent(o), w);  // a popup's parent is its owner
}

// ---- Geometry --------------------------------------------------------------------

TEST_F(WinWindows, SetWindowPosSequences) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
  struct TCase {
    const char* What;
    int32_t X, Y, Cx, Cy;
    uint32_t Flags;
    Seq Expected;
  };
  const uint32_t base = SWP_NOZORDER | SWP_NOACTIVATE;
  const TCase cases[] = {
      {"move", 120, 130, 0, 0, base | SWP_NOSIZE, {"w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED", "w WM_MOVE"}},
      {"size",
       0,
       0,
       250,
       150,
       base | SWP_NOMOVE,
       {"w WM_WINDOWPOSCHANGING", "w WM_NCCALCSIZE", "w WM_WINDOWPOSCHANGED", "w WM_SIZE"}},
      {"both",
       10,
       10,
       50,
       50,
       base,
       {"w WM_WINDOWPOSCHANGING", "w WM_NCCALCSIZE", "w WM_WINDOWPOSCHANGED", "w WM_MOVE", "w WM_SIZE"}},
      {"nothing", 0, 0, 0, 0, base | SWP_NOSIZE | SWP_NOMOVE, {"w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED"}},
      {"frame",
       0,
       0,
       0,
       0,
       base | SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED,
       {"w WM_WINDOWPOSCHANGING", "w WM_NCCALCSIZE", "w WM_WINDOWPOSCHANGED"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    Rec().Clear();
    EXPECT_TRUE(SetWindowPos(w, nullptr, c.X, c.Y, c.Cx, c.Cy, c.Flags));
    EXPECT_EQ(Rec().Trace(), c.Expected);
  }
  TRect r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(10, 10, 60, 60));
  MoveWindow(w, 5, 6, 7, 8, true);
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(5, 6, 12, 14));
}

TEST_F(WinWindows, WindowPosChangingIsEditableAndClientFollowsNcCalcSize) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 5, 5, 10, 10, w);
  static int inset;
  inset = 0;
  Handle(w, [](HWND, uint32_t m, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (m == WM_WINDOWPOSCHANGING) {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if ((pos->flags & SWP_NOSIZE) == 0) pos->cx = std::min(pos->cx, 150);  // limit the width
      return false;
    }
    if (m == WM_NCCALCSIZE && wp != 0) {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp);
      InflateRect(p->rgrc[0], -inset, -inset);
      result = 0;
      return true;
    }
    return false;
  });
  SetWindowPos(w, nullptr, 0, 0, 400, 200, SWP_NOMOVE | SWP_NOZORDER);
  TRect r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(0, 0, 150, 200));

  // The frame nudge: the window's own answer moves the client area, and the
  // children move with it.
  inset = 7;
  Rec().Clear();
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  GetClientRect(w, &r);
  EXPECT_EQ(r, Rect(0, 0, 136, 186));
  TPoint origin{0, 0};
  ClientToScreen(w, &origin);
  EXPECT_EQ(origin, Point(7, 7));
  GetWindowRect(c, &r);
  EXPECT_EQ(r, Rect(12, 12, 22, 22));
  auto moves = Rec().Of(WM_MOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].LParam, MAKELPARAM(7, 7));
  EXPECT_EQ(Rec().Of(WM_SIZE).size(), 1u);
}

TEST_F(WinWindows, ShowHideMinimizeMaximize) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND w = Make("w", WS_POPUP | WS_THICKFRAME, 100, 100, 200, 150);
  Rec().Clear();
  EXPECT_FALSE(ShowWindow(w, SW_SHOWNA));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(Only({WM_SHOWWINDOW, WM_ACTIVATE, WM_SIZE, WM_MOVE}),
            (Seq{"w WM_SHOWWINDOW", "w WM_MOVE", "w WM_SIZE"}));  // first show: size and move

  Rec().Clear();
  ShowWindow(w, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(IsZoomed(w));
  EXPECT_EQ(GetActiveWindow(), w);
  TRect r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(-4, -4, 1284, 988));  // the work area with the frame outside
  auto sizes = Rec().Of(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].WParam, SIZE_MAXIMIZED);

  WINDOWPLACEMENT wp;
  GetWindowPlacement(w, &wp);
  EXPECT_EQ(wp.showCmd, uint32_t(SW_SHOWMAXIMIZED));
  EXPECT_EQ(wp.rcNormalPosition, Rect(100, 100, 300, 250));

  Rec().Clear();
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  EXPECT_FALSE(IsZoomed(w));
  EXPECT_EQ(GetActiveWindow(), a);  // minimising hands activation on
  sizes = Rec().Of(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].WParam, SIZE_MINIMIZED);
  EXPECT_EQ(sizes[0].LParam, 0);
  GetWindowPlacement(w, &wp);
  EXPECT_EQ(wp.flags, WPF_RESTORETOMAXIMIZED);

  ShowWindow(w, SW_RESTORE);  // back to maximised
  EXPECT_TRUE(IsZoomed(w));
  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(w));
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(100, 100, 300, 250));

  Rec().Clear();
  EXPECT_TRUE(ShowWindow(w, SW_HIDE));
  EXPECT_EQ(Only({WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}),
            (Seq{"w WM_SHOWWINDOW", "w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_FALSE(ShowWindow(w, SW_HIDE));

  // Placement round trip while hidden.
  wp.showCmd = SW_HIDE;
  wp.flags = 0;
  wp.rcNormalPosition = Rect(30, 40, 130, 140);
  SetWindowPlacement(w, &wp);
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(30, 40, 130, 140));
  EXPECT_FALSE(IsWindowVisible(w));
}

// ---- Destruction -------------------------------------------------------------------

TEST_F(WinWindows, DestroyOrderTimersAndPostedMessages) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
  HWND c1 = Make("c1", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, p);
  HWND g = Make("g", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, c1);
  HWND c2 = Make("c2", WS_CHILD | WS_VISIBLE, 100, 0, 100, 100, p);
  HWND o = Make("o", WS_POPUP | WS_VISIBLE, 50, 50, 20, 20, p);
  HWND other = Make("x", WS_POPUP | WS_VISIBLE, 500, 500, 20, 20);
  SetActiveWindow(p);
  SetFocus(g);
  SetTimer(c1, 1, 100, nullptr);
  PostMessage(p, WM_USER, 0, 0);
  PostMessage(g, WM_USER, 0, 0);
  Rec().Clear();
  EXPECT_TRUE(DestroyWindow(p));
  EXPECT_EQ(Only({WM_DESTROY, WM_NCDESTROY}),
            (Seq{"o WM_DESTROY", "o WM_NCDESTROY", "p WM_DESTROY", "c1 WM_DESTROY", "g WM_DESTROY", "c2 WM_DESTROY",
                 "c2 WM_NCDESTROY", "g WM_NCDESTROY", "c1 WM_NCDESTROY", "p WM_NCDESTROY"}));
  for (HWND h : {p, c1, g, c2, o}) EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(GetActiveWindow(), other);  // activation handed on
  EXPECT_EQ(GetFocus(), other);
  // Focus left g before its WM_DESTROY.
  size_t kill = 0, destroy = 0;
  for (size_t i = 0; i < Rec().Log.size(); ++i) {
    if (Rec().Log[i].Hwnd == g && Rec().Log[i].Msg == WM_KILLFOCUS) kill = i + 1;
    if (Rec().Log[i].Hwnd == g && Rec().Log[i].Msg == WM_DESTROY) destroy = i + 1;
  }
  EXPECT_GT(kill, 0u);
  EXPECT_LT(kill, destroy);

  Rec().Clear();
  H().AdvanceClock(500);  // no timer, no posted message of the dead windows
  for (const TLoggedMsg& m : Rec().Log) EXPECT_NE(m.Msg, uint32_t(WM_USER));
  EXPECT_TRUE(Rec().Of(WM_TIMER).empty());
  EXPECT_FALSE(PostMessage(p, WM_USER, 0, 0));
  EXPECT_EQ(SendMessage(p, WM_USER, 0, 0), 0);
  EXPECT_FALSE(DestroyWindow(p));
}

TEST_F(WinWindows, DestructionInsideAHandlerIsDeferred) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  static bool validInside;
  static bool sendWorked;
  validInside = sendWorked = false;
  Handle(w, [](HWND h, uint32_t m, WPARAM, LPARAM, LRESULT& result) {
    if (m == WM_USER) {
      EXPECT_TRUE(DestroyWindow(h));
      validInside = IsWindow(h) && GetWindowLong(h, GWL_STYLE) != 0;
      sendWorked = SendMessage(h, WM_USER + 1, 0, 0) == 11;
      TMsgRecorder::Get().Log.push_back(TLoggedMsg{h, WM_USER + 2, 0, 0});  // end of the handler
      return true;
    }
    if (m == WM_USER + 1) {
      result = 11;
      return true;
    }
    return false;
  });
  Rec().Clear();
  PostMessage(w, WM_USER, 0, 0);
  H().PumpMessages();
  EXPECT_TRUE(validInside);
  EXPECT_TRUE(sendWorked);
  EXPECT_FALSE(IsWindow(w));
  Seq t = Only({WM_USER + 2, WM_DESTROY, WM_NCDESTROY});
  EXPECT_EQ(t, (Seq{"w msg1026", "w WM_DESTROY", "w WM_NCDESTROY"}));
}

TEST_F(WinWindows, ParentDestroyedFromAChildsHandler) {
  // A dialog freed inside its Cancel button's click: the dialog and the
  // button stay until the button's dispatch returns.
  HWND dlg = Make("dlg", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100);
  HWND btn = Make("btn", WS_CHILD | WS_VISIBLE, 10, 10, 80, 24, dlg);
  static HWND dialog;
  static bool stillThere;
  dialog = dlg;
  stillThere = false;
  Handle(btn, [](HWND h, uint32_t m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_LBUTTONUP) {
      DestroyWindow(dialog);
      stillThere = IsWindow(dialog) && IsWindow(h);
      PostMessage(h, WM_USER, 0, 0);  // purged with the window
    }
    return false;
  });
  H().Click(120, 120);
  Rec().Clear();
  H().PumpMessages();
  EXPECT_TRUE(stillThere);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_FALSE(IsWindow(btn));
  EXPECT_EQ(Only({WM_USER, WM_DESTROY}), (Seq{"dlg WM_DESTROY", "btn WM_DESTROY"}));
}

// ---- Z-order and the tree ----------------------------------------------------------

TEST_F(WinWindows, ZOrderBandsAndOwnedWindows) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  HWND t = Make("t", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, WS_EX_TOPMOST);
  HWND b = Make("b", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  HWND o = Make("o", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, a);  // owned by a
  HWND c = Make("c", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  EXPECT_EQ(TopLevelOrder(), (std::vector<HWND>{t, c, o, b, a}));

  BringWindowToTop(a);  // its owned window comes along, above it
  EXPECT_EQ(TopLevelOrder(), (std::vector<HWND>{t, o, a, c, b}));
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelOrder(), (std::vector<HWND>{t, c, b, o, a}));
  SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelOrder(), (std::vector<HWND>{b, t, c, o, a}));
  EXPECT_NE(GetWindowLong(b, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(TopLevelOrder(), (std::vector<HWND>{t, b, c, o, a}));
  SetWindowPos(c, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // below a
  EXPECT_EQ(TopLevelOrder(), (std::vector<HWND>{t, b, o, a, c}));
  // Activation brings a window to the top of its band, never above topmost ones.
  SetActiveWindow(c);
  EXPECT_EQ(TopLevelOrder(), (std::vector<HWND>{t, c, b, o, a}));

  EXPECT_EQ(GetWindow(c, GW_HWNDFIRST), t);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(c, GW_HWNDPREV), t);
  EXPECT_EQ(GetWindow(c, GW_HWNDLAST), a);
  EXPECT_EQ(GetTopWindow(nullptr), t);
}

TEST_F(WinWindows, TreeQueriesAndMessageOnlyWindows) {
  HWND top = Make("top", WS_POPUP, 100, 100, 300, 300);
  HWND c1 = Make("c1", WS_CHILD, 10, 10, 100, 100, top, 0, kTestClass, 7);
  HWND c2 = Make("c2", WS_CHILD, 20, 20, 100, 100, top);
  HWND g = Make("g", WS_CHILD, 5, 5, 10, 10, c1);
  HWND owned = Make("owned", WS_POPUP, 0, 0, 10, 10, g);  // owner: the top-level of g
  HWND msgOnly = Make("msg", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE);

  EXPECT_EQ(GetParent(g), c1);
  EXPECT_EQ(GetParent(top), nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
  EXPECT_EQ(GetWindow(top, GW_CHILD), c1);  // children in creation order
  EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
  EXPECT_EQ(GetAncestor(g, GA_PARENT), c1);
  EXPECT_EQ(GetAncestor(g, GA_ROOT), top);
  EXPECT_EQ(GetAncestor(owned, GA_ROOTOWNER), top);
  EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(IsChild(top, g));
  EXPECT_FALSE(IsChild(c2, g));
  EXPECT_EQ(GetWindowLong(c1, GWL_ID), 7);

  std::vector<HWND> all;
  EnumChildWindows(
      top,
      [](HWND h, LPARAM p) {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return true;
      },
      reinterpret_cast<LPARAM>(&all));
  EXPECT_EQ(all, (std::vector<HWND>{c1, g, c2}));

  std::vector<HWND> tops = TopLevelOrder();
  EXPECT_EQ(std::count(tops.begin(), tops.end(), msgOnly), 0);
  EXPECT_EQ(FindWindow("wintestwindow", "TOP"), top);
  EXPECT_EQ(FindWindow(nullptr, "msg"), nullptr);
  EXPECT_EQ(FindWindowEx(HWND_MESSAGE, nullptr, nullptr, "msg"), msgOnly);
  EXPECT_EQ(FindWindowEx(top, c1, nullptr, nullptr), c2);
  EXPECT_FALSE(IsWindowVisible(msgOnly));

  // SetParent keeps the position relative to the parent's client area.
  HWND other = Make("other", WS_POPUP, 500, 500, 300, 300);
  EXPECT_EQ(SetParent(c1, other), top);
  TRect r;
  GetWindowRect(g, &r);
  EXPECT_EQ(r, Rect(515, 515, 525, 525));
  EXPECT_EQ(GetAncestor(g, GA_ROOT), other);
  EXPECT_EQ(SetParent(c1, c1), nullptr);    // not into itself
  EXPECT_EQ(SetParent(other, g), nullptr);  // nor into its own descendant
}

TEST_F(WinWindows, CoordinatesFollowTheTree) {
  HWND top = Make("top", WS_POPUP | WS_VISIBLE, 100, 50, 400, 300);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 10, 20, 200, 200, top);
  HWND g = Make("g", WS_CHILD | WS_VISIBLE, 5, 6, 50, 50, c);
  TPoint p{1, 2};
  ClientToScreen(g, &p);
  EXPECT_EQ(p, Point(116, 78));
  ScreenToClient(top, &p);
  EXPECT_EQ(p, Point(16, 28));
  TPoint pts[2] = {{0, 0}, {3, 4}};
  int32_t d = MapWindowPoints(g, top, pts, 2);
  EXPECT_EQ(pts[1], Point(18, 30));
  EXPECT_EQ(int16_t(LOWORD(uint32_t(d))), 15);
  EXPECT_EQ(int16_t(HIWORD(uint32_t(d))), 26);
  TRect r = Rect(0, 0, 10, 10);
  MapWindowPoints(nullptr, g, &r);
  EXPECT_EQ(r, Rect(-115, -76, -105, -66));

  MoveWindow(top, 0, 0, 400, 300, true);  // descendants move along
  GetWindowRect(g, &r);
  EXPECT_EQ(r, Rect(15, 26, 65, 76));
  GetClientRect(g, &r);
  EXPECT_EQ(r, Rect(0, 0, 50, 50));
}

// ---- Hit testing -----------------------------------------------------------------------

TEST_F(WinWindows, WindowFromPointAsksTheWindows) {
  HWND back = Make("back", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400);
  HWND front = Make("front", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
  HWND lower = Make("lower", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, front);
  HWND upper = Make("upper", WS_CHILD | WS_VISIBLE, 50, 50, 100, 100, front);  // below lower in z-order
  HWND off = Make("off", WS_CHILD | WS_DISABLED | WS_VISIBLE, 150, 150, 40, 40, front);
  HWND hidden = Make("hidden", WS_CHILD, 0, 150, 40, 40, front);
  (void)hidden;
  static HWND transparent;
  transparent = nullptr;
  for (HWND h : {lower, upper, front})
    Handle(h, [](HWND self, uint32_t m, WPARAM, LPARAM, LRESULT& result) {
      if (m == WM_NCHITTEST && self == transparent) {
        result = HTTRANSPARENT;
        return true;
      }
      return false;
    });
  EXPECT_EQ(WindowFromPoint(Point(160, 160)), lower);  // overlap of lower and upper
  transparent = lower;
  EXPECT_EQ(WindowFromPoint(Point(160, 160)), upper);  // passed to the sibling below
  EXPECT_EQ(WindowFromPoint(Point(110, 110)), front);  // and to the parent
  transparent = front;
  EXPECT_EQ(WindowFromPoint(Point(290, 110)), back);  // and to the window below
  transparent = nullptr;
  EXPECT_EQ(WindowFromPoint(Point(260, 260)), front);  // the disabled child's parent
  EXPECT_EQ(WindowFromPoint(Point(110, 260)), front);  // hidden children do not count
  EXPECT_EQ(WindowFromPoint(Point(350, 350)), back);
  EXPECT_EQ(WindowFromPoint(Point(900, 900)), nullptr);

  // A window region leaves the rest of the rectangle to the window below.
  WinFind(front)->WindowRgn = std::make_unique<TRegion>(Rect(0, 0, 20, 20));
  EXPECT_EQ(WindowFromPoint(Point(105, 105)), lower);
  EXPECT_EQ(WindowFromPoint(Point(250, 250)), back);
  WinFind(front)->WindowRgn.reset();

  EXPECT_EQ(ChildWindowFromPointEx(front, Point(60, 60), CWP_ALL), lower);
  EXPECT_EQ(ChildWindowFromPointEx(front, Point(5, 160), CWP_SKIPINVISIBLE), front);
  EXPECT_EQ(ChildWindowFromPointEx(front, Point(5, 160), CWP_ALL), hidden);
  EXPECT_EQ(ChildWindowFromPointEx(front, Point(160, 160), CWP_SKIPDISABLED), front);
  EXPECT_EQ(ChildWindowFromPointEx(front, Point(160, 160), CWP_ALL), off);
  EXPECT_EQ(ChildWindowFromPoint(front, Point(500, 5)), nullptr);
}

// ---- Text and utility windows -----------------------------------------------------------

TEST_F(WinWindows, TextIsUtf8) {
  HWND w = Make("Grüße", WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(GetWindowTextString(w), "Grüße");
  EXPECT_EQ(GetWindowTextLength(w), 7);
  char buf[5];
  EXPECT_EQ(GetWindowText(w, buf, sizeof buf), 4);
  EXPECT_STREQ(buf, "Gr\xc3\xbc");
  EXPECT_EQ(GetWindowText(w, buf, 4), 2);  // half of the "ü" is not copied
  EXPECT_STREQ(buf, "Gr");
  EXPECT_TRUE(SetWindowText(w, "\xe4\xb8\x80 one"));
  EXPECT_EQ(GetWindowTextString(w), "\xe4\xb8\x80 one");
  Rec().Clear();
  SetWindowText(w, "x");
  EXPECT_EQ(Rec().Trace(), Seq{"Grüße WM_SETTEXT"});
}

TEST_F(WinWindows, AllocateHWndDeliversToItsMethod) {
  std::vector<uint32_t> got;
  HWND h = AllocateHWnd([&](TMessage& m) {
    got.push_back(m.Msg);
    m.Result = m.Msg == WM_USER ? 42 : DefWindowProc(nullptr, m.Msg, m.WParam, m.LParam);
  });
  ASSERT_NE(h, nullptr);
  EXPECT_NE(GetAncestor(h, GA_PARENT), GetDesktopWindow());  // message-only
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 42);
  PostMessage(h, WM_USER + 1, 0, 0);
  H().PumpMessages();
  EXPECT_EQ(got, (std::vector<uint32_t>{WM_USER, WM_USER + 1}));
  std::vector<HWND> tops = TopLevelOrder();
  EXPECT_EQ(std::count(tops.begin(), tops.end(), h), 0);
  DeallocateHWnd(h);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(got.size(), 2u);  // destruction messages no longer reach the method
}

TEST_F(WinWindows, EnableWindowSendsCancelModeAndEnable) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, w);
  SetFocus(c);
  SetCapture(c);
  Rec().Clear();
  EXPECT_FALSE(EnableWindow(c, false));
  EXPECT_EQ(Only({WM_CANCELMODE, WM_CAPTURECHANGED, WM_KILLFOCUS, WM_ENABLE}),
            (Seq{"c WM_CANCELMODE", "c WM_CAPTURECHANGED", "c WM_KILLFOCUS", "c WM_ENABLE"}));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(c));
  EXPECT_EQ(SetFocus(c), nullptr);  // no focus for disabled windows
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(EnableWindow(c, true));
  EXPECT_TRUE(IsWindowEnabled(c));
}

}  // namespace
