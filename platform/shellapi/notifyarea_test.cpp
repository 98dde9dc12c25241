#include <gtest/gtest.h>

#include <cstring>

#include "platform/gui/win_layer_testing.h"
#include "platform/shellapi/shellapi.h"

namespace {

constexpr uint32_t kCallback = 0x800;

NOTIFYICONDATA Data(HWND Wnd, uint32_t Flags, const char* Tip = "") {
  NOTIFYICONDATA d;
  d.cbSize = 488;
  d.hWnd = Wnd;
  d.uID = 1;
  d.uFlags = Flags;
  d.uCallbackMessage = kCallback;
  d.hIcon = reinterpret_cast<HICON>(uintptr_t(0x1234));
  std::strncpy(d.szTip, Tip, sizeof d.szTip - 1);
  return d;
}

struct NotifyAreaTest : ::testing::Test {
  void TearDown() override { SetNotifyAreaBackend(nullptr); }
  TTestScene Scene;
  TMemoryNotifyArea Area;
};

TEST_F(NotifyAreaTest, WithoutAnAreaEveryCallFails) {
  HWND h = Scene.Make(WS_OVERLAPPED, 0, TRect{0, 0, 10, 10});
  const NOTIFYICONDATA d = Data(h, NIF_MESSAGE | NIF_ICON | NIF_TIP);
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &d));
}

TEST_F(NotifyAreaTest, AddModifyDelete) {
  SetNotifyAreaBackend(&Area);
  HWND h = Scene.Make(WS_OVERLAPPED, 0, TRect{0, 0, 10, 10});
  NOTIFYICONDATA d = Data(h, NIF_MESSAGE | NIF_ICON | NIF_TIP, "Pictoval");
  EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &d));  // not there yet
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &d));  // once per window and id
  ASSERT_EQ(Area.Icons().size(), 1u);
  EXPECT_EQ(Area.Icons()[0].Tip, "Pictoval");
  EXPECT_EQ(Area.Icons()[0].CallbackMessage, kCallback);
  d = Data(h, NIF_TIP, "Converting");
  d.hIcon = nullptr;
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &d));
  EXPECT_EQ(Area.Icons()[0].Tip, "Converting");
  EXPECT_NE(Area.Icons()[0].Icon, nullptr);  // not in the flags: kept
  EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, &d));
  EXPECT_TRUE(Area.Icons().empty());
  EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &d));
}

TEST_F(NotifyAreaTest, ClicksPostTheCallbackWithTheMouseMessages) {
  SetNotifyAreaBackend(&Area);
  HWND h = Scene.Make(WS_OVERLAPPED, 0, TRect{0, 0, 10, 10});
  const NOTIFYICONDATA d = Data(h, NIF_MESSAGE);
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  Scene.Pump();
  Scene.Take();
  EXPECT_TRUE(Area.Click(h, 1));
  EXPECT_TRUE(Area.DoubleClick(h, 1));
  EXPECT_TRUE(Area.Click(h, 1, true));
  EXPECT_FALSE(Area.Click(h, 2));
  Scene.Pump();
  std::vector<LPARAM> seen;
  for (const TLogged& l : Scene.Take({kCallback})) {
    EXPECT_EQ(l.WParam, WPARAM(1));
    seen.push_back(l.LParam);
  }
  EXPECT_EQ(seen, (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                       WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP}));
}

TEST_F(NotifyAreaTest, ARestartEmptiesTheAreaAndBroadcastsTaskbarCreated) {
  SetNotifyAreaBackend(&Area);
  HWND h = Scene.Make(WS_OVERLAPPED, 0, TRect{0, 0, 10, 10});
  const NOTIFYICONDATA d = Data(h, NIF_MESSAGE);
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  Scene.Pump();
  Scene.Take();
  Area.Restart();
  Scene.Pump();
  EXPECT_TRUE(Area.Icons().empty());
  EXPECT_EQ(Scene.Take({RegisterWindowMessage("TaskbarCreated")}).size(), 1u);
}

}  // namespace
