#include <gtest/gtest.h>

#include "platform/gui/win_testing.h"

namespace {

class WinMetrics : public ::testing::Test, public TWinTestBase {};

TEST_F(WinMetrics, DefaultScreenAndTable) {
  TRect work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, Rect(0, 0, 1280, 984));
  const std::pair<int32_t, int32_t> table[] = {{SM_CXSCREEN, 1280},
                                               {SM_CYSCREEN, 1024},
                                               {SM_CXVSCROLL, 17},
                                               {SM_CYHSCROLL, 17},
                                               {SM_CYCAPTION, 19},
                                               {SM_CXBORDER, 1},
                                               {SM_CXDLGFRAME, 3},
                                               {SM_CXICON, 32},
                                               {SM_CXCURSOR, 32},
                                               {SM_CYMENU, 19},
                                               {SM_CXSIZE, 18},
                                               {SM_CXFRAME, 4},
                                               {SM_CXDOUBLECLK, 4},
                                               {SM_CXEDGE, 2},
                                               {SM_CXSMICON, 16},
                                               {SM_CYSMCAPTION, 15},
                                               {SM_CMONITORS, 1},
                                               {SM_CXVIRTUALSCREEN, 1280},
                                               {SM_CYVIRTUALSCREEN, 1024},
                                               {SM_XVIRTUALSCREEN, 0},
                                               {SM_REMOTESESSION, 0},
                                               {SM_MOUSEWHEELPRESENT, 1}};
  for (auto [index, value] : table) EXPECT_EQ(GetSystemMetrics(index), value) << index;
  EXPECT_EQ(GetDoubleClickTime(), 500u);

  int32_t full = 0;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETDRAGFULLWINDOWS, 0, &full, 0));
  EXPECT_EQ(full, 1);
  uint32_t lines = 0;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  EXPECT_EQ(lines, 3u);
  EXPECT_TRUE(SystemParametersInfo(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(uintptr_t(0)), 0));
  uint32_t lock = 99;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lock, 0));
  EXPECT_EQ(lock, 0u);
  NONCLIENTMETRICS ncm;
  ncm.cbSize = sizeof ncm;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
  EXPECT_EQ(ncm.iCaptionHeight + 1, GetSystemMetrics(SM_CYCAPTION));
  EXPECT_EQ(ncm.iScrollWidth, 17);
  EXPECT_FALSE(ncm.lfMessageFont.lfFaceName.empty());
  LOGFONT icon;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0));
  EXPECT_LT(icon.lfHeight, 0);
  EXPECT_FALSE(SystemParametersInfo(0x7777, 0, nullptr, 0));

  H().ClearBeeps();
  EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
  EXPECT_EQ(H().Beeps(), std::vector<uint32_t>{MB_ICONEXCLAMATION});
}

TEST_F(WinMetrics, TwoMonitors) {
  H().SetMonitors({TMonitorDesc{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), "\\\\.\\DISPLAY1"},
                   TMonitorDesc{Rect(1280, 0, 2304, 768), Rect(1280, 0, 2304, 740), "\\\\.\\DISPLAY2"}});
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2304);
  EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  TRect desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  EXPECT_EQ(desk, Rect(0, 0, 2304, 1024));

  HMONITOR first = MonitorFromPoint(Point(10, 10), MONITOR_DEFAULTTONULL);
  HMONITOR second = MonitorFromPoint(Point(1500, 100), MONITOR_DEFAULTTONULL);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(MonitorFromPoint(Point(1500, 900), MONITOR_DEFAULTTONULL), nullptr);  // below the second
  EXPECT_EQ(MonitorFromPoint(Point(1500, 900), MONITOR_DEFAULTTONEAREST), second);
  EXPECT_EQ(MonitorFromPoint(Point(1500, 900), MONITOR_DEFAULTTOPRIMARY), first);
  TRect straddle = Rect(1200, 0, 1400, 100);  // more of it on the second
  EXPECT_EQ(MonitorFromRect(&straddle, MONITOR_DEFAULTTONULL), second);
  TRect away = Rect(-500, -500, -400, -400);
  EXPECT_EQ(MonitorFromRect(&away, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromRect(&away, MONITOR_DEFAULTTONEAREST), first);

  MONITORINFO mi;
  ASSERT_TRUE(GetMonitorInfo(second, &mi));
  EXPECT_EQ(mi.rcMonitor, Rect(1280, 0, 2304, 768));
  EXPECT_EQ(mi.rcWork, Rect(1280, 0, 2304, 740));
  EXPECT_EQ(mi.dwFlags, 0u);
  MONITORINFOEX mx;
  ASSERT_TRUE(GetMonitorInfo(first, &mx));
  EXPECT_EQ(mx.dwFlags, MONITORINFOF_PRIMARY);
  EXPECT_STREQ(mx.szDevice, "\\\\.\\DISPLAY1");
  MONITORINFO bad;
  bad.cbSize = 12;
  EXPECT_FALSE(GetMonitorInfo(first, &bad));

  std::vector<TRect> seen;
  TRect clip = Rect(1300, 0, 5000, 50);
  EnumDisplayMonitors(
      nullptr, &clip,
      [](HMONITOR, HDC, TRect* r, LPARAM p) {
        reinterpret_cast<std::vector<TRect>*>(p)->push_back(*r);
        return true;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, std::vector<TRect>{Rect(1300, 0, 2304, 50)});

  // A window maximised on the second monitor fills its work area.
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 1400, 100, 300, 200);
  EXPECT_EQ(MonitorFromWindow(w, MONITOR_DEFAULTTONULL), second);
  ShowWindow(w, SW_MAXIMIZE);
  TRect r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(1280, 0, 2304, 740));
  ShowWindow(w, SW_RESTORE);
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(1400, 100, 1700, 300));
}

TEST_F(WinMetrics, PlacementIsInWorkspaceCoordinates) {
  // A task bar on the left moves the work area's origin.
  H().SetMonitors({TMonitorDesc{Rect(0, 0, 1280, 1024), Rect(60, 0, 1280, 1024), "\\\\.\\DISPLAY1"}});
  HWND w = Make("w", WS_POPUP, 100, 50, 200, 100);
  WINDOWPLACEMENT wp;
  ASSERT_TRUE(GetWindowPlacement(w, &wp));
  EXPECT_EQ(wp.rcNormalPosition, Rect(40, 50, 240, 150));
  wp.rcNormalPosition = Rect(0, 0, 100, 100);
  wp.showCmd = SW_SHOWNA;
  ASSERT_TRUE(SetWindowPlacement(w, &wp));
  TRect r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r, Rect(60, 0, 160, 100));
  HWND tool = Make("tool", WS_POPUP, 100, 50, 200, 100, nullptr, WS_EX_TOOLWINDOW);
  GetWindowPlacement(tool, &wp);
  EXPECT_EQ(wp.rcNormalPosition, Rect(100, 50, 300, 150));  // tool windows: screen coordinates
}

}  // namespace
