#include "imaging/model/transitions/iewindowroutines.h"

#include <gtest/gtest.h>

#include "imaging/model/pixels/ieroutines.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class WindowRoutines : public TVclTest {
 public:
  void TwoMonitors() {
    H().SetMonitors({TMonitorDesc{TRect{0, 0, 1280, 1024}, TRect{0, 0, 1280, 984}, "\\\\.\\DISPLAY1"},
                     TMonitorDesc{TRect{1280, 100, 2304, 868}, TRect{1280, 100, 2304, 868}, "\\\\.\\DISPLAY2"}});
    WinMonitorsChanged();
  }
};

TEST_F(WindowRoutines, CenterWindowUsesTheMainFormsMonitor) {
  TwoMonitors();
  TForm window(nullptr);
  window.SetBounds(5, 5, 200, 100);
  window.Show();
  // Without a main form: the first monitor.
  IECenterWindow(window.Handle());
  EXPECT_EQ(window.BoundsRect(), Bounds((1280 - 200) / 2, (1024 - 100) / 3, 200, 100));

  TForm* main = nullptr;
  App->CreateForm(main);
  main->SetBounds(1500, 200, 300, 200);
  main->Show();
  TForm other(nullptr);
  other.Show();
  ASSERT_EQ(GetActiveWindow(), other.Handle());
  IECenterWindow(window.Handle());
  EXPECT_EQ(window.BoundsRect(), Bounds(1280 + (1024 - 200) / 2, 100 + (768 - 100) / 3, 200, 100));
  // Neither activated nor raised.
  EXPECT_EQ(GetActiveWindow(), other.Handle());
  EXPECT_NE(GetWindow(window.Handle(), GW_HWNDPREV), nullptr);
}

TEST_F(WindowRoutines, CenterWindowLeavesPlacementToTheHook) {
  TForm window(nullptr);
  window.SetBounds(5, 5, 200, 100);
  HWND seen = nullptr;
  IECenterWindowHook = [&seen](HWND__* Window) { seen = Window; };
  IECenterWindow(window.Handle());
  IECenterWindowHook = nullptr;
  EXPECT_EQ(seen, window.Handle());
  EXPECT_EQ(window.BoundsRect(), Bounds(5, 5, 200, 100));
}

TEST_F(WindowRoutines, FindOwnerWindowHandleFollowsTheOwners) {
  TForm form(nullptr);
  auto* holder = new TComponent(&form);
  auto* leaf = new TComponent(holder);
  EXPECT_EQ(IEFindOwnerWindowHandle(leaf), nullptr);  // no handle yet
  HWND h = form.Handle();
  EXPECT_EQ(IEFindOwnerWindowHandle(leaf), h);
  EXPECT_EQ(IEFindOwnerWindowHandle(&form), h);
  TComponent orphan(nullptr);
  EXPECT_EQ(IEFindOwnerWindowHandle(&orphan), nullptr);
  EXPECT_EQ(IEFindOwnerWindowHandle(nullptr), nullptr);
}

TEST_F(WindowRoutines, ScrollRoutinesReachTheScrollState) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* pane = new TCustomControl(&form);
  pane->SetParent(&form);
  pane->SetBounds(0, 0, 200, 100);
  form.Show();
  const HWND h = pane->Handle();
  for (bool flat : {false, true}) {
    SCOPED_TRACE(flat);
    EXPECT_TRUE(IESetScrollRange(h, SB_VERT, 0, flat ? 80 : 100, false, flat));
    IESetScrollPos(h, SB_VERT, 0, false, flat);
    IESetScrollPage(h, SB_VERT, flat ? 20 : 10, false, flat);
    EXPECT_EQ(IESetScrollPos(h, SB_VERT, 30, false, flat), 0);  // the old position
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &si));
    EXPECT_EQ(si.nMax, flat ? 80 : 100);
    EXPECT_EQ(si.nPage, flat ? 20u : 10u);
    EXPECT_EQ(si.nPos, 30);
    SCROLLINFO pos;
    pos.fMask = SIF_POS;
    pos.nPos = 5;
    EXPECT_EQ(IESetScrollInfo(h, SB_VERT, pos, false, flat), 5);
    EXPECT_TRUE(IEEnableScrollBar(h, SB_VERT, ESB_DISABLE_BOTH, flat));
    EXPECT_FALSE(IEEnableScrollBar(h, SB_VERT, ESB_DISABLE_BOTH, flat));  // nothing changed
    EXPECT_TRUE(IEEnableScrollBar(h, SB_VERT, ESB_ENABLE_BOTH, flat));
    EXPECT_TRUE(IEShowScrollBar(h, SB_VERT, false, flat));
    EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL, 0);
    EXPECT_TRUE(IEShowScrollBar(h, SB_VERT, true, flat));
    EXPECT_NE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL, 0);
  }
}

}  // namespace
