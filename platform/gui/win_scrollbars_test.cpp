#include <gtest/gtest.h>

#include "platform/gui/win_layer_testing.h"
#include "platform/gui/win_scrollbars.h"

namespace {

TEST(WinScrollBars, ShowHideRuleChangesTheClientArea) {
  TTestScene s;
  HWND h = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 200, 200));
  s.Pump();
  s.Take();
  const struct {
    uint32_t Mask;
    int32_t Min, Max;
    uint32_t Page;
    bool Shown, Disabled;
  } steps[] = {
      {SIF_RANGE | SIF_PAGE, 0, 99, 50, true, false},
      {SIF_RANGE | SIF_PAGE, 0, 99, 100, false, false},  // the page holds the range
      {SIF_RANGE | SIF_PAGE, 0, 99, 150, false, false},  // page kept at 100
      {SIF_RANGE | SIF_PAGE, 0, 1, 0, true, false},      // without a page: max > min
      {SIF_RANGE, 5, 5, 0, false, false},
      {SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 49, 50, true, true},
      {SIF_RANGE | SIF_PAGE, 0, 99, 50, true, false},  // enabled again
      {SIF_POS, 0, 0, 0, true, false},                 // the position alone changes nothing
  };
  bool shownBefore = false;
  for (const auto& st : steps) {
    SCROLLINFO si;
    si.fMask = st.Mask;
    si.nMin = st.Min;
    si.nMax = st.Max;
    si.nPage = st.Page;
    SetScrollInfo(h, SB_VERT, &si, true);
    const bool shown = (GetWindowLong(h, GWL_STYLE) & WS_VSCROLL) != 0;
    EXPECT_EQ(shown, st.Shown) << st.Max << "/" << st.Page;
    TRect c;
    GetClientRect(h, &c);
    EXPECT_EQ(c.Right, st.Shown ? 183 : 200);
    const std::vector<TLogged> sized = s.Take({WM_NCCALCSIZE, WM_SIZE});
    if (shown != shownBefore) {
      ASSERT_EQ(sized.size(), 2u);
      EXPECT_EQ(sized[1].LParam, MAKELPARAM(c.Right, 200));
    } else {
      EXPECT_TRUE(sized.empty());
    }
    shownBefore = shown;
    SCROLLBARINFO info;
    ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &info));
    EXPECT_EQ((info.rgstate[0] & STATE_SYSTEM_INVISIBLE) != 0, !st.Shown);
    EXPECT_EQ((info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) != 0, st.Disabled);
    if (st.Shown) {
      EXPECT_EQ(info.rcScrollBar, (TRect{183, 0, 200, 200}));
    }
  }
  SCROLLINFO got;
  got.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &got));
  EXPECT_EQ(got.nMax, 99);
  EXPECT_EQ(got.nPage, 50u);
}

TEST(WinScrollBars, PositionIsClampedToTheRangeLessThePage) {
  TTestScene s;
  HWND h = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 200, 200));
  const struct {
    int32_t Min, Max;
    uint32_t Page;
    int32_t Pos, Want;
  } cases[] = {
      {0, 100, 20, 90, 81}, {0, 100, 20, -5, 0}, {0, 100, 0, 150, 100}, {10, 20, 1, 25, 20}, {-50, 50, 11, 45, 40},
  };
  for (const auto& c : cases) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = c.Min;
    si.nMax = c.Max;
    si.nPage = c.Page;
    si.nPos = c.Pos;
    EXPECT_EQ(FlatSB_SetScrollInfo(h, SB_HORZ, &si, false), c.Want);
    EXPECT_EQ(GetScrollPos(h, SB_HORZ), c.Want);
  }
  // SetScrollPos answers the old position; the range functions agree.
  EXPECT_EQ(SetScrollPos(h, SB_HORZ, -100, false), 40);
  EXPECT_EQ(GetScrollPos(h, SB_HORZ), -50);
  int32_t lo = 0, hi = 0;
  EXPECT_TRUE(GetScrollRange(h, SB_HORZ, &lo, &hi));
  EXPECT_EQ(lo, -50);
  EXPECT_EQ(hi, 50);
  EXPECT_EQ(SetScrollInfo(h, SB_CTL, nullptr, false), 0);
}

struct TTrackCase {
  const char* Name;
  TPoint Press;
  std::vector<std::function<void(TTestScene&)>> Steps;  // one per idle point of the loop
  std::vector<std::pair<uint32_t, int32_t>> Scrolls;    // code, position
  std::vector<uint32_t> Ticks;                          // ms after the press of each message
};

TEST(WinScrollBars, TrackingSendsTheScrollCodes) {
  // A vertical bar at x 183..200 of a window at (100, 100), 200 x 200: arrows
  // of 17, the track between y 117 and 283, range 0..99 with a page of 10: a
  // thumb of 16 pixels, 150 pixels of travel for 90 positions.
  auto advance = [](uint64_t ms) { return [ms](TTestScene& s) { s.Clock().Advance(ms); }; };
  auto move = [](int32_t x, int32_t y) { return [x, y](TTestScene& s) { s.Backend().MouseMove(x, y); }; };
  auto up = [](int32_t x, int32_t y) { return [x, y](TTestScene& s) { s.Backend().MouseUp(x, y); }; };
  const TTrackCase cases[] = {
      {"arrow held",
       {290, 290},
       {advance(499), advance(1), advance(50), advance(50), up(290, 290)},
       {{SB_LINEDOWN, 0}, {SB_LINEDOWN, 0}, {SB_LINEDOWN, 0}, {SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}},
       {0, 500, 550, 600, 600}},
      {"arrow left while held",
       {290, 105},
       {move(290, 200), advance(600), up(290, 200)},
       {{SB_LINEUP, 0}, {SB_ENDSCROLL, 0}},
       {0, 600}},
      {"page", {290, 250}, {up(290, 250)}, {{SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}}, {0, 0}},
      {"thumb",
       {290, 125},
       {move(290, 175), move(290, 400), up(290, 400)},
       {{SB_THUMBTRACK, 30}, {SB_THUMBTRACK, 90}, {SB_THUMBPOSITION, 90}, {SB_ENDSCROLL, 0}},
       {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    TTestScene s;
    HWND h = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(100, 100, 200, 200));
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = 99;
    si.nPage = 10;
    SetScrollInfo(h, SB_VERT, &si, true);
    s.Pump();
    std::vector<std::pair<uint32_t, int32_t>> scrolls;
    std::vector<uint32_t> ticks;
    std::vector<int32_t> trackPos;
    const uint32_t start = GetTickCount();
    s.On(h, [&](HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT&) {
      if (msg == WM_VSCROLL) {
        EXPECT_EQ(lParam, 0);
        scrolls.emplace_back(LOWORD(wParam), int16_t(HIWORD(wParam)));
        ticks.push_back(GetTickCount() - start);
        SCROLLINFO t;
        t.fMask = SIF_TRACKPOS;
        GetScrollInfo(hwnd, SB_VERT, &t);
        if (LOWORD(wParam) == SB_THUMBTRACK) trackPos.push_back(t.nTrackPos);
      }
      return false;
    });
    s.Backend().MouseDown(c.Press.X, c.Press.Y);
    for (const auto& step : c.Steps) s.Backend().QueueIdleAction([&s, step] { step(s); });
    s.Pump();
    EXPECT_EQ(s.Backend().PendingIdleActions(), 0u) << c.Name;
    EXPECT_EQ(scrolls, c.Scrolls) << c.Name;
    EXPECT_EQ(ticks, c.Ticks) << c.Name;
    for (size_t i = 0; i < trackPos.size(); ++i) EXPECT_EQ(trackPos[i], scrolls[i].second);
    EXPECT_EQ(GetCapture(), nullptr);
    // The position itself is the application's to set.
    EXPECT_EQ(GetScrollPos(h, SB_VERT), 0);
  }
}

TEST(WinScrollBars, DisabledArrowsDoNotTrack) {
  TTestScene s;
  HWND h = s.Make(WS_POPUP | WS_VISIBLE | WS_HSCROLL, 0, Bounds(100, 100, 200, 200));
  SetScrollRange(h, SB_HORZ, 0, 10, false);
  EXPECT_TRUE(EnableScrollBar(h, SB_HORZ, ESB_DISABLE_LTUP));
  EXPECT_FALSE(EnableScrollBar(h, SB_HORZ, ESB_DISABLE_LTUP));
  s.Pump();
  s.Take();
  s.Backend().Click(105, 290);  // left arrow: disabled
  s.Backend().Click(295, 290);  // right arrow
  s.Pump();
  std::vector<uint32_t> codes;
  for (const TLogged& l : s.Take({WM_HSCROLL})) codes.push_back(LOWORD(l.WParam));
  EXPECT_EQ(codes, (std::vector<uint32_t>{SB_LINERIGHT, SB_ENDSCROLL}));
  SCROLLBARINFO info;
  GetScrollBarInfo(h, OBJID_HSCROLL, &info);
  EXPECT_EQ(info.rgstate[1], STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(info.rgstate[5], 0u);
  EXPECT_EQ(info.dxyLineButton, 17);
}

}  // namespace
