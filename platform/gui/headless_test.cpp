#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/gui/win_internal.h"
#include "platform/gui/win_testing.h"

namespace {

class WinHeadless : public ::testing::Test, public TWinTestBase {};

TEST_F(WinHeadless, RunUntilMovesVirtualTimeTimerByTimer) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  static int fired;
  fired = 0;
  Handle(w, [](HWND, uint32_t m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_TIMER) ++fired;
    return false;
  });
  SetTimer(w, 1, 300, nullptr);
  const uint32_t t0 = GetTickCount();
  EXPECT_TRUE(H().RunUntil([] { return fired == 2; }, 10000));
  EXPECT_EQ(GetTickCount() - t0, 600u);
  EXPECT_FALSE(H().RunUntil([] { return fired == 100; }, 1000));
  EXPECT_EQ(GetTickCount() - t0, 1600u);
  EXPECT_EQ(fired, 5);
}

TEST_F(WinHeadless, TypedCharactersOutsideTheLayout) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  SetFocus(w);
  Rec().Clear();
  H().TypeText("\xe4\xb8\x80\xf0\x9f\x98\x80");  // U+4E00, U+1F600
  H().PumpMessages();
  auto chars = Rec().Of(WM_CHAR);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].WParam, 0x4E00u);
  EXPECT_EQ(chars[1].WParam, 0x1F600u);
  EXPECT_EQ(Rec().Of(WM_KEYDOWN)[0].WParam, VK_PACKET);
}

TEST_F(WinHeadless, ALoopWaitsForALiveWorker) {
  HWND w = Make("w", WS_POPUP, 0, 0, 10, 10);
  std::atomic<bool> go{false};
  std::thread worker([&] {
    while (!go) std::this_thread::yield();
    PostMessage(w, WM_APP, 1, 2);
  });
  go = true;
  TMSG m;
  EXPECT_EQ(GetMessage(&m, nullptr, WM_APP, WM_APP), 1);  // not a hang: the worker may post
  worker.join();
  EXPECT_EQ(m.hwnd, w);
  EXPECT_EQ(m.lParam, 2);
}

TEST_F(WinHeadless, MonitorsAndSessionReset) {
  H().SetMonitors({TMonitorDesc{Rect(0, 0, 800, 600), Rect(0, 0, 800, 560), "\\\\.\\DISPLAY1"}});
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  SetCapture(w);
  PostMessage(w, WM_USER, 0, 0);
  SetTimer(w, 1, 10, nullptr);
  WinResetState();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  uint64_t due;
  EXPECT_FALSE(WinNextTimerDue(due));
  TMSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_NO_THROW(H().AdvanceClock(0));  // never waits
}

}  // namespace
