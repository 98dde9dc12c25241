#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/gui/win_internal.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_testing.h"
#include "platform/rtl/threads.h"

namespace {

using Seq = std::vector<String>;

class WinQueue : public ::testing::Test, public TWinTestBase {};
class WinTimers : public ::testing::Test, public TWinTestBase {};

// Retrieves without dispatching: "name WM_X" per message until none is left.
Seq Drain(HWND filter = nullptr, uint32_t min = 0, uint32_t max = 0) {
  Seq out;
  TMSG m;
  for (int i = 0; i < 100 && PeekMessage(&m, filter, min, max, PM_REMOVE); ++i) {
    out.push_back(TMsgRecorder::Get().NameOf(m.hwnd) + " " + TMsgRecorder::MsgName(m.message));
    if (m.message == WM_PAINT) ValidateRect(m.hwnd, nullptr);
  }
  return out;
}

// ---- Retrieval order and filters -----------------------------------------------------

TEST_F(WinQueue, RetrievalOrderIsPostedInputPaintTimer) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, w);
  SetFocus(w);
  H().PumpMessages();
  SetTimer(w, 1, 10, nullptr);
  Session.Clock().Advance(10);
  InvalidateRect(c, nullptr, false);
  InvalidateRect(w, nullptr, false);
  H().KeyDown('A');
  PostMessage(w, WM_USER, 0, 0);
  PostMessage(w, WM_USER + 1, 0, 0);
  EXPECT_EQ(Drain(), (Seq{"w msg1024", "w msg1025", "w WM_KEYDOWN", "w WM_PAINT", "c WM_PAINT", "w WM_TIMER"}));
}

TEST_F(WinQueue, FiltersAndNoRemove) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND b = Make("b", WS_POPUP, 200, 0, 100, 100);
  H().PumpMessages();
  PostMessage(a, WM_USER, 0, 0);
  PostMessage(b, WM_USER + 1, 0, 0);
  PostThreadMessage(GetCurrentThreadId(), WM_USER + 2, 0, 0);
  H().Click(50, 50);
  H().KeyDown('X');
  H().KeyUp('X');

  TMSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_USER + 1);
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_NOREMOVE));  // still there
  EXPECT_EQ(m.message, WM_USER + 1);
  ASSERT_TRUE(PeekMessage(&m, reinterpret_cast<HWND>(intptr_t(-1)), 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_EQ(m.message, WM_USER + 2);
  // Keyboard messages go before the mouse ones queued ahead of them when a
  // loop asks for them alone (discarding keyboard input).
  EXPECT_EQ(Drain(nullptr, WM_KEYFIRST, WM_KEYLAST), (Seq{"a WM_KEYDOWN", "a WM_KEYUP"}));
  EXPECT_EQ(Drain(nullptr, WM_MOUSEFIRST, WM_MOUSELAST), (Seq{"a WM_MOUSEMOVE", "a WM_LBUTTONDOWN", "a WM_LBUTTONUP"}));
  EXPECT_EQ(Drain(nullptr, WM_USER, WM_USER + 5), (Seq{"a msg1024", "b msg1025"}));
}

TEST_F(WinQueue, MessagesOfDeadWindowsAreDropped) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  PostMessage(a, WM_USER, 0, 0);
  DestroyWindow(a);
  TMSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
}

TEST_F(WinQueue, TimeAndPositionOfMessages) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  H().MouseMove(30, 40);
  H().PumpMessages();
  Session.Clock().Advance(250);
  const uint32_t posted = GetTickCount();
  PostMessage(a, WM_USER, 0, 0);
  Session.Clock().Advance(100);
  TMSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_EQ(m.time, posted);
  EXPECT_EQ(GetMessageTime(), posted);
  EXPECT_EQ(GetMessagePos(), MAKELONG(30, 40));
}

// ---- Sending -------------------------------------------------------------------------

TEST_F(WinQueue, SendMessageIsSynchronousAndReentrant) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  HWND b = Make("b", WS_POPUP, 0, 0, 10, 10);
  static HWND other;
  other = b;
  Handle(a, [](HWND, uint32_t m, WPARAM wp, LPARAM, LRESULT& r) {
    if (m != WM_USER) return false;
    r = wp == 0 ? 1 : SendMessage(other, WM_USER, wp - 1, 0) + 1;
    return true;
  });
  static HWND first;
  first = a;
  Handle(b, [](HWND, uint32_t m, WPARAM wp, LPARAM, LRESULT& r) {
    if (m != WM_USER) return false;
    r = wp == 0 ? 1 : SendMessage(first, WM_USER, wp - 1, 0) + 1;
    return true;
  });
  EXPECT_EQ(SendMessage(a, WM_USER, 9, 0), 10);
  EXPECT_EQ(SendMessage(nullptr, WM_USER, 0, 0), 0);
}

TEST_F(WinQueue, BroadcastReachesTopLevelWindows) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  HWND b = Make("b", WS_POPUP, 0, 0, 10, 10);
  Make("c", WS_CHILD, 0, 0, 10, 10, a);
  const uint32_t taskbar = RegisterWindowMessage("TaskbarCreated");
  Rec().Clear();
  PostMessage(HWND_BROADCAST, taskbar, 0, 0);
  H().PumpMessages();
  Seq got = Rec().Trace();
  std::sort(got.begin(), got.end());
  const String name = TMsgRecorder::MsgName(taskbar);
  EXPECT_EQ(got, (Seq{"a " + name, "b " + name}));
  (void)b;
}

TEST_F(WinQueue, RegisteredMessages) {
  const uint32_t a = RegisterWindowMessage("TaskbarCreated");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(a, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessage("taskbarcreated"), a);
  EXPECT_NE(RegisterWindowMessage("Something else"), a);
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

// The private messages of the program never collide with a number the
// window system defines.
TEST_F(WinQueue, PrivateMessageNumbersAreFree) {
  constexpr uint32_t kDefined[] = {WM_NULL,
                                   WM_CREATE,
                                   WM_DESTROY,
                                   WM_MOVE,
                                   WM_SIZE,
                                   WM_ACTIVATE,
                                   WM_SETFOCUS,
                                   WM_KILLFOCUS,
                                   WM_ENABLE,
                                   WM_SETREDRAW,
                                   WM_SETTEXT,
                                   WM_GETTEXT,
                                   WM_GETTEXTLENGTH,
                                   WM_PAINT,
                                   WM_CLOSE,
                                   WM_QUERYENDSESSION,
                                   WM_QUIT,
                                   WM_QUERYOPEN,
                                   WM_ERASEBKGND,
                                   WM_SYSCOLORCHANGE,
                                   WM_ENDSESSION,
                                   WM_SHOWWINDOW,
                                   WM_SETTINGCHANGE,
                                   WM_DEVMODECHANGE,
                                   WM_ACTIVATEAPP,
                                   WM_FONTCHANGE,
                                   WM_TIMECHANGE,
                                   WM_CANCELMODE,
                                   WM_SETCURSOR,
                                   WM_MOUSEACTIVATE,
                                   WM_CHILDACTIVATE,
                                   WM_QUEUESYNC,
                                   WM_GETMINMAXINFO,
                                   WM_PAINTICON,
                                   WM_ICONERASEBKGND,
                                   WM_NEXTDLGCTL,
                                   WM_DRAWITEM,
                                   WM_MEASUREITEM,
                                   WM_DELETEITEM,
                                   WM_VKEYTOITEM,
                                   WM_CHARTOITEM,
                                   WM_SETFONT,
                                   WM_GETFONT,
                                   WM_QUERYDRAGICON,
                                   WM_COMPAREITEM,
                                   WM_GETOBJECT,
                                   WM_WINDOWPOSCHANGING,
                                   WM_WINDOWPOSCHANGED,
                                   WM_COPYDATA,
                                   WM_NOTIFY,
                                   WM_INPUTLANGCHANGEREQUEST,
                                   WM_INPUTLANGCHANGE,
                                   WM_HELP,
                                   WM_USERCHANGED,
                                   WM_NOTIFYFORMAT,
                                   WM_CONTEXTMENU,
                                   WM_STYLECHANGING,
                                   WM_STYLECHANGED,
                                   WM_DISPLAYCHANGE,
                                   WM_GETICON,
                                   WM_SETICON,
                                   WM_NCCREATE,
                                   WM_NCDESTROY,
                                   WM_NCCALCSIZE,
                                   WM_NCHITTEST,
                                   WM_NCPAINT,
                                   WM_NCACTIVATE,
                                   WM_GETDLGCODE,
                                   WM_SYNCPAINT,
                                   WM_NCMOUSEMOVE,
                                   WM_NCLBUTTONDOWN,
                                   WM_NCLBUTTONUP,
                                   WM_NCLBUTTONDBLCLK,
                                   WM_NCRBUTTONDOWN,
                                   WM_NCRBUTTONUP,
                                   WM_NCRBUTTONDBLCLK,
                                   WM_NCMBUTTONDOWN,
                                   WM_NCMBUTTONUP,
                                   WM_NCMBUTTONDBLCLK,
                                   WM_KEYDOWN,
                                   WM_KEYUP,
                                   WM_CHAR,
                                   WM_DEADCHAR,
                                   WM_SYSKEYDOWN,
                                   WM_SYSKEYUP,
                                   WM_SYSCHAR,
                                   WM_SYSDEADCHAR,
                                   WM_UNICHAR,
                                   WM_INITDIALOG,
                                   WM_COMMAND,
                                   WM_SYSCOMMAND,
                                   WM_TIMER,
                                   WM_HSCROLL,
                                   WM_VSCROLL,
                                   WM_INITMENU,
                                   WM_INITMENUPOPUP,
                                   WM_SYSTIMER,
                                   WM_MENUSELECT,
                                   WM_MENUCHAR,
                                   WM_ENTERIDLE,
                                   WM_UNINITMENUPOPUP,
                                   WM_CHANGEUISTATE,
                                   WM_UPDATEUISTATE,
                                   WM_QUERYUISTATE,
                                   WM_CTLCOLORMSGBOX,
                                   WM_CTLCOLOREDIT,
                                   WM_CTLCOLORLISTBOX,
                                   WM_CTLCOLORBTN,
                                   WM_CTLCOLORDLG,
                                   WM_CTLCOLORSCROLLBAR,
                                   WM_CTLCOLORSTATIC,
                                   WM_MOUSEMOVE,
                                   WM_LBUTTONDOWN,
                                   WM_LBUTTONUP,
                                   WM_LBUTTONDBLCLK,
                                   WM_RBUTTONDOWN,
                                   WM_RBUTTONUP,
                                   WM_RBUTTONDBLCLK,
                                   WM_MBUTTONDOWN,
                                   WM_MBUTTONUP,
                                   WM_MBUTTONDBLCLK,
                                   WM_MOUSEWHEEL,
                                   WM_MOUSEHWHEEL,
                                   WM_PARENTNOTIFY,
                                   WM_ENTERMENULOOP,
                                   WM_EXITMENULOOP,
                                   WM_SIZING,
                                   WM_CAPTURECHANGED,
                                   WM_MOVING,
                                   WM_ENTERSIZEMOVE,
                                   WM_EXITSIZEMOVE,
                                   WM_DROPFILES,
                                   WM_NCMOUSEHOVER,
                                   WM_MOUSEHOVER,
                                   WM_NCMOUSELEAVE,
                                   WM_MOUSELEAVE,
                                   WM_CUT,
                                   WM_COPY,
                                   WM_PASTE,
                                   WM_CLEAR,
                                   WM_UNDO,
                                   WM_RENDERFORMAT,
                                   WM_RENDERALLFORMATS,
                                   WM_DESTROYCLIPBOARD,
                                   WM_QUERYNEWPALETTE,
                                   WM_PALETTECHANGED,
                                   WM_HOTKEY,
                                   WM_PRINT,
                                   WM_PRINTCLIENT,
                                   WM_THEMECHANGED,
                                   WM_CLIPBOARDUPDATE,
                                   WM_USER,
                                   WM_APP};
  constexpr uint32_t kPrivate[] = {1025, 1026, 1124, 1225, 1226, 1227, 1228, 1229, 1230, 1231, 1232,  1274, 1284,
                                   1294, 1664, 1665, 1666, 1667, 1668, 1669, 8024, 8025, 8026, 48202, 48203};
  for (uint32_t p : kPrivate) {
    for (uint32_t d : kDefined) EXPECT_NE(p, d) << p;
    EXPECT_TRUE(p < WM_REGISTERED_FIRST) << p;  // never handed out by RegisterWindowMessage
  }
  for (int i = 0; i < 50; ++i) {
    const uint32_t r = RegisterWindowMessage(("Name" + std::to_string(i)).c_str());
    for (uint32_t p : kPrivate) EXPECT_NE(r, p);
  }
}

// ---- WM_QUIT and nested loops ---------------------------------------------------------

TEST_F(WinQueue, QuitComesAfterThePostedMessages) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  PostQuitMessage(3);
  PostMessage(a, WM_USER, 0, 0);
  TMSG m;
  EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), 1);
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), 0);
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WinQueue, NestedLoopPostsQuitAgain) {
  HWND a = Make("a", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  static int nestedSaw;
  nestedSaw = 0;
  Handle(a, [](HWND h, uint32_t m, WPARAM, LPARAM, LRESULT&) {
    if (m != WM_USER) return false;
    // A modal loop: runs until WM_QUIT, which it hands on.
    PostMessage(h, WM_USER + 1, 0, 0);
    TWinLoopScope scope("modal loop");
    TMSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_USER + 1) {
        ++nestedSaw;
        PostQuitMessage(7);
      }
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    PostQuitMessage(int32_t(msg.wParam));
    return true;
  });
  PostMessage(a, WM_USER, 0, 0);
  EXPECT_FALSE(H().PumpMessages());
  EXPECT_EQ(H().QuitCode(), 7);
  EXPECT_EQ(nestedSaw, 1);
}

TEST_F(WinQueue, WaitingNeverHangs) {
  TMSG m;
  try {
    GetMessage(&m, nullptr, 0, 0);
    FAIL() << "GetMessage returned with nothing to retrieve";
  } catch (const EHeadlessHang& e) {
    EXPECT_NE(e.Message().find("GetMessage"), String::npos) << e.Message();
  }
  {
    TWinLoopScope scope("DoDragDrop");
    try {
      WaitMessage();
      FAIL();
    } catch (const EHeadlessHang& e) {
      EXPECT_NE(e.Message().find("DoDragDrop"), String::npos) << e.Message();
    }
  }

  // With a timer: only when the test lets loops move the clock.
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  SetTimer(a, 5, 250, nullptr);
  EXPECT_THROW(GetMessage(&m, nullptr, 0, 0), EHeadlessHang);
  H().SetAutoAdvance(true);
  const uint32_t before = GetTickCount();
  EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), 1);
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(GetTickCount() - before, 250u);

  // Idle actions run where a loop would wait, one per idle point.
  KillTimer(a, 5);
  static HWND target;
  target = a;
  H().QueueIdleAction([] { PostMessage(target, WM_USER, 1, 0); });
  H().QueueIdleAction([] { PostMessage(target, WM_USER, 2, 0); });
  EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), 1);
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), 1);
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_EQ(H().PendingIdleActions(), 0u);

  // A due timer that the filter leaves out does not keep a loop spinning.
  SetTimer(a, 6, 10, nullptr);
  Session.Clock().Advance(20);
  EXPECT_THROW(GetMessage(&m, nullptr, WM_KEYFIRST, WM_KEYLAST), EHeadlessHang);
}

// ---- Threads -------------------------------------------------------------------------

TEST_F(WinQueue, PostMessageFromEightThreads) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  constexpr int kThreads = 8;
  constexpr int kEach = 2000;
  std::vector<std::vector<LPARAM>> got(kThreads);
  int total = 0;
  static std::vector<std::vector<LPARAM>>* sink;
  static int* count;
  sink = &got;
  count = &total;
  Rec().Ignored.insert(WM_APP);
  Handle(a, [](HWND, uint32_t m, WPARAM wp, LPARAM lp, LRESULT&) {
    if (m != WM_APP) return false;
    (*sink)[wp].push_back(lp);
    ++*count;
    return true;
  });
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < kEach; ++i) ASSERT_TRUE(PostMessage(a, WM_APP, WPARAM(t), LPARAM(i)));
    });
  go = true;
  const bool done = H().RunUntil([&] { return total == kThreads * kEach; }, 1000);
  for (std::thread& t : threads) t.join();
  if (!done) H().PumpMessages();
  EXPECT_EQ(total, kThreads * kEach);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(got[size_t(t)].size(), size_t(kEach)) << t;
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(got[size_t(t)][size_t(i)], LPARAM(i)) << t;
  }
}

TEST_F(WinQueue, WorkerRequestsRunFromTheLoop) {
  bool ran = false;
  std::thread worker([&] { TThread::Queue(nullptr, [&] { ran = true; }); });
  worker.join();
  EXPECT_FALSE(ran);
  H().PumpMessages();  // the wake-up WM_NULL runs the request
  EXPECT_TRUE(ran);
  EXPECT_TRUE(IsWindow(GetDesktopWindow()));
}

// ---- Timers ------------------------------------------------------------------------

class TTickLog {
 public:
  explicit TTickLog(TWinTestBase& t, HWND w) {
    Ticks = &FTicks;
    t.Handle(w, [](HWND, uint32_t m, WPARAM wp, LPARAM, LRESULT&) {
      if (m == WM_TIMER) Ticks->push_back({uint32_t(wp), GetTickCount()});
      return false;
    });
  }
  static inline std::vector<std::pair<uint32_t, uint32_t>>* Ticks = nullptr;
  std::vector<std::pair<uint32_t, uint32_t>> FTicks;
};

TEST_F(WinTimers, IntervalsUnderAdvanceClock) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  TTickLog log(*this, w);
  const uint32_t t0 = GetTickCount();
  SetTimer(w, 1, 100, nullptr);
  SetTimer(w, 2, 250, nullptr);
  SetTimer(w, 3, 1, nullptr);  // becomes 10 ms
  H().AdvanceClock(30);
  KillTimer(w, 3);
  H().AdvanceClock(470);
  std::vector<std::pair<uint32_t, uint32_t>> expected = {{3, t0 + 10},  {3, t0 + 20},  {3, t0 + 30},  {1, t0 + 100},
                                                         {1, t0 + 200}, {2, t0 + 250}, {1, t0 + 300}, {1, t0 + 400},
                                                         {1, t0 + 500}, {2, t0 + 500}};
  EXPECT_EQ(log.FTicks, expected);
  EXPECT_EQ(GetTickCount(), t0 + 500);
}

TEST_F(WinTimers, ReplacementAndKillInsideTheHandler) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  TTickLog log(*this, w);
  const uint32_t t0 = GetTickCount();
  SetTimer(w, 1, 100, nullptr);
  H().AdvanceClock(50);
  EXPECT_EQ(SetTimer(w, 1, 300, nullptr), 1u);  // same id: replaced, counted from now
  H().AdvanceClock(400);
  EXPECT_EQ(log.FTicks, (std::vector<std::pair<uint32_t, uint32_t>>{{1, t0 + 350}}));

  log.FTicks.clear();
  Handle(w, [](HWND h, uint32_t m, WPARAM wp, LPARAM, LRESULT&) {
    if (m == WM_TIMER) {
      TTickLog::Ticks->push_back({uint32_t(wp), GetTickCount()});
      KillTimer(h, wp);
    }
    return false;
  });
  H().AdvanceClock(1000);
  EXPECT_EQ(log.FTicks.size(), 1u);
  EXPECT_FALSE(KillTimer(w, 1));
}

TEST_F(WinTimers, NoPileUpAfterALongHandler) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  static std::vector<uint32_t> ticks;
  static VirtualClock* clock;
  ticks.clear();
  clock = &Session.Clock();
  Handle(w, [](HWND, uint32_t m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_TIMER) {
      ticks.push_back(GetTickCount());
      if (ticks.size() == 1) clock->Advance(550);  // a handler that runs long
    }
    return false;
  });
  const uint32_t t0 = GetTickCount();
  SetTimer(w, 1, 100, nullptr);
  H().AdvanceClock(900);
  // One message for the intervals missed meanwhile, then the cadence again
  // from the time it was handled.
  EXPECT_EQ(ticks, (std::vector<uint32_t>{t0 + 100, t0 + 650, t0 + 750, t0 + 850}));

  // Without retrieval, several elapsed intervals still make one message.
  Handle(w, nullptr);
  Session.Clock().Advance(1000);
  TMSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(WinTimers, CallbacksThreadTimersAndInternalTimers) {
  static std::vector<uintptr_t> called;
  called.clear();
  const uintptr_t a = SetTimer(nullptr, 0, 100, [](HWND h, uint32_t m, uintptr_t id, uint32_t) {
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(m, WM_TIMER);
    called.push_back(id);
  });
  const uintptr_t b = SetTimer(nullptr, 0, 100, [](HWND, uint32_t, uintptr_t id, uint32_t) { called.push_back(id); });
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  int internal = 0;
  uintptr_t id = WinSetInternalTimer(nullptr, 40, [&] { ++internal; });
  H().AdvanceClock(100);
  EXPECT_EQ(called, (std::vector<uintptr_t>{a, b}));
  EXPECT_EQ(internal, 2);
  WinKillInternalTimer(id);
  KillTimer(nullptr, a);
  KillTimer(nullptr, b);
  H().AdvanceClock(1000);
  EXPECT_EQ(internal, 2);
  EXPECT_EQ(called.size(), 2u);

  // A window's timers go with it.
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  SetTimer(w, 9, 50, nullptr);
  WinSetInternalTimer(w, 50, [&] { ++internal; });
  DestroyWindow(w);
  uint64_t due = 0;
  EXPECT_FALSE(WinNextTimerDue(due));
  EXPECT_EQ(SetTimer(w, 1, 10, nullptr), 0u);
}

}  // namespace
