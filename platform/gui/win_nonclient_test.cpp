#include <gtest/gtest.h>

#include "platform/gui/syscolors.h"
#include "platform/gui/win_layer_testing.h"
#include "platform/gui/win_nonclient.h"

namespace {

TRect ClientInsets(HWND hwnd) {
  TRect w, c;
  GetWindowRect(hwnd, &w);
  GetClientRect(hwnd, &c);
  TPoint o{0, 0};
  ClientToScreen(hwnd, &o);
  return TRect{o.X - w.Left, o.Y - w.Top, w.Right - (o.X + c.Right), w.Bottom - (o.Y + c.Bottom)};
}

TEST(WinNonClient, DefaultMetricsFollowTheStyle) {
  const struct {
    uint32_t Style, ExStyle;
    TRect Insets;  // left, top, right, bottom
  } cases[] = {
      {WS_POPUP, 0, {0, 0, 0, 0}},
      {WS_POPUP | WS_BORDER, 0, {1, 1, 1, 1}},
      {WS_POPUP | WS_DLGFRAME, 0, {3, 3, 3, 3}},
      {WS_POPUP, WS_EX_DLGMODALFRAME, {3, 3, 3, 3}},
      {WS_POPUP | WS_THICKFRAME, 0, {4, 4, 4, 4}},
      {WS_OVERLAPPEDWINDOW, 0, {4, 4 + 19, 4, 4}},
      {WS_CAPTION | WS_SYSMENU, 0, {3, 3 + 19, 3, 3}},
      {WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW, {3, 3 + 15, 3, 3}},
      {WS_POPUP, WS_EX_CLIENTEDGE, {2, 2, 2, 2}},
      {WS_POPUP | WS_BORDER | WS_VSCROLL | WS_HSCROLL, 0, {1, 1, 1 + 17, 1 + 17}},
      {WS_OVERLAPPEDWINDOW | WS_VSCROLL, WS_EX_CLIENTEDGE, {4 + 2, 4 + 19 + 2, 4 + 2 + 17, 4 + 2}},
  };
  for (const auto& c : cases) {
    TTestScene s;
    HWND h = s.Make(c.Style, c.ExStyle, Bounds(50, 60, 200, 150));
    EXPECT_EQ(ClientInsets(h), c.Insets) << std::hex << c.Style << " " << c.ExStyle;
    // WM_NCCALCSIZE with a plain rectangle answers the same.
    TRect r = Bounds(0, 0, 200, 150);
    SendMessage(h, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r, (TRect{c.Insets.Left, c.Insets.Top, 200 - c.Insets.Right, 150 - c.Insets.Bottom}));
  }
}

TEST(WinNonClient, DefaultHitCodes) {
  TTestScene s;
  // At (100, 100), 300 x 200: frame 4, caption 19 (y 104..123), buttons 16 x 15
  // at the caption's right end, scroll bars of 17 at the right and bottom.
  HWND h = s.Make(WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL, 0, Bounds(100, 100, 300, 200));
  HWND bordered = s.Make(WS_POPUP | WS_BORDER, 0, Bounds(500, 100, 50, 50));
  const struct {
    HWND Wnd;
    int32_t X, Y;
    LRESULT Code;
  } cases[] = {
      {h, 250, 200, HTCLIENT},        {h, 200, 110, HTCAPTION},    {h, 108, 112, HTSYSMENU},
      {h, 385, 112, HTCLOSE},         {h, 365, 112, HTMAXBUTTON},  {h, 350, 112, HTMINBUTTON},
      {h, 101, 200, HTLEFT},          {h, 398, 200, HTRIGHT},      {h, 250, 101, HTTOP},
      {h, 250, 298, HTBOTTOM},        {h, 101, 101, HTTOPLEFT},    {h, 101, 110, HTTOPLEFT},
      {h, 398, 102, HTTOPRIGHT},      {h, 102, 298, HTBOTTOMLEFT}, {h, 398, 298, HTBOTTOMRIGHT},
      {h, 385, 200, HTVSCROLL},       {h, 250, 285, HTHSCROLL},    {h, 385, 285, HTGROWBOX},
      {h, 99, 200, HTNOWHERE},        {h, 400, 200, HTNOWHERE},    {bordered, 500, 120, HTBORDER},
      {bordered, 520, 120, HTCLIENT},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SendMessage(c.Wnd, WM_NCHITTEST, 0, MAKELPARAM(c.X, c.Y)), c.Code) << c.X << "," << c.Y;
}

TEST(WinNonClient, InventedHitCodesPassThrough) {
  TTestScene s;
  constexpr LRESULT kObject = HTOBJECT;
  HWND h = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(100, 100, 100, 100));
  s.On(h, [](HWND, uint32_t msg, WPARAM, LPARAM, LRESULT& r) {
    if (msg != WM_NCHITTEST) return false;
    r = kObject;
    return true;
  });
  s.Backend().Click(150, 150);
  s.Pump();
  const std::vector<TLogged> down = s.Take({WM_NCLBUTTONDOWN});
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].WParam, WPARAM(kObject));
}

struct TSizeMoveCase {
  const char* Name;
  uint32_t Style;
  TPoint Press;
  std::vector<TPoint> Moves;
  bool Escape;
  TRect Final;
  std::vector<uint32_t> Sequence;
};

TEST(WinNonClient, MoveSizeLoopWithEditedRectanglesAndEscape) {
  // The window edits WM_MOVING (no top above y = 80) and WM_SIZING (width at
  // most 350) and sets a minimum track size of 150 x 100.
  const TSizeMoveCase cases[] = {
      {"move",
       WS_OVERLAPPEDWINDOW,
       {200, 110},
       {{230, 140}, {250, 50}},
       false,
       Bounds(150, 80, 300, 200),
       {WM_ENTERSIZEMOVE, WM_MOVING, WM_WINDOWPOSCHANGED, WM_MOVING, WM_WINDOWPOSCHANGED, WM_EXITSIZEMOVE}},
      {"size right",
       WS_OVERLAPPEDWINDOW,
       {399, 200},
       {{420, 200}, {500, 200}},
       false,
       Bounds(100, 100, 350, 200),
       {WM_ENTERSIZEMOVE, WM_SIZING, WM_WINDOWPOSCHANGED, WM_SIZING, WM_WINDOWPOSCHANGED, WM_EXITSIZEMOVE}},
      {"size top-left to the minimum",
       WS_OVERLAPPEDWINDOW,
       {101, 101},
       {{350, 300}},
       false,
       Bounds(250, 200, 150, 100),
       {WM_ENTERSIZEMOVE, WM_SIZING, WM_WINDOWPOSCHANGED, WM_EXITSIZEMOVE}},
      {"escape",
       WS_OVERLAPPEDWINDOW,
       {200, 110},
       {{260, 160}},
       true,
       Bounds(100, 100, 300, 200),
       {WM_ENTERSIZEMOVE, WM_MOVING, WM_WINDOWPOSCHANGED, WM_WINDOWPOSCHANGED, WM_EXITSIZEMOVE}},
  };
  for (const auto& c : cases) {
    TTestScene s;
    HWND h = s.Make(c.Style | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
    std::vector<uint32_t> order;
    s.On(h, [&order](HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
      switch (msg) {
        case WM_MOVING: {
          TRect* rc = reinterpret_cast<TRect*>(lParam);
          if (rc->Top < 80) OffsetRect(*rc, 0, 80 - rc->Top);
          break;
        }
        case WM_SIZING: {
          TRect* rc = reinterpret_cast<TRect*>(lParam);
          if (rc->Width() > 350) rc->Right = rc->Left + 350;
          break;
        }
        case WM_GETMINMAXINFO:
          r = DefWindowProc(hwnd, msg, wParam, lParam);
          reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = TPoint{150, 100};
          return true;
        case WM_NCLBUTTONDOWN:
          // Answers only once the loop is over.
          r = DefWindowProc(hwnd, msg, wParam, lParam);
          order.push_back(0xFFFF);
          return true;
        default: break;
      }
      return false;
    });
    s.Pump();
    s.Take();
    // Each input when the loop has handled the one before (moves queued
    // together would be merged into the last).
    THeadlessBackend& b = s.Backend();
    b.MouseDown(c.Press.X, c.Press.Y);
    for (TPoint p : c.Moves) b.QueueIdleAction([&b, p] { b.MouseMove(p.X, p.Y); });
    const TPoint last = c.Moves.back();
    if (c.Escape)
      b.QueueIdleAction([&b] { b.PressKey(VK_ESCAPE); });
    else
      b.QueueIdleAction([&b, last] { b.MouseUp(last.X, last.Y); });
    s.Pump();
    EXPECT_EQ(b.PendingIdleActions(), 0u) << c.Name;
    if (c.Escape) {
      b.MouseUp(last.X, last.Y);
      s.Pump();
    }
    TRect r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, c.Final) << c.Name;
    std::vector<uint32_t> seen;
    for (const TLogged& l : s.Take({WM_ENTERSIZEMOVE, WM_MOVING, WM_SIZING, WM_WINDOWPOSCHANGED, WM_EXITSIZEMOVE}))
      seen.push_back(l.Msg);
    EXPECT_EQ(seen, c.Sequence) << c.Name;
    EXPECT_EQ(order, std::vector<uint32_t>{0xFFFF}) << c.Name;
    EXPECT_EQ(GetCapture(), nullptr) << c.Name;
  }
}

TEST(WinNonClient, DefWindowProcReturnsOnlyAfterTheRelease) {
  TTestScene s;
  HWND h = s.Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
  std::vector<uint32_t> events;
  s.On(h, [&events](HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    if (msg == WM_EXITSIZEMOVE) events.push_back(msg);
    if (msg != WM_NCLBUTTONDOWN) return false;
    r = DefWindowProc(hwnd, msg, wParam, lParam);
    events.push_back(msg);
    return true;
  });
  s.Pump();
  s.Backend().MouseDown(200, 110);
  // The loop waits for the release, which the test gives once it is idle.
  s.Backend().QueueIdleAction([&] { s.Backend().MouseMove(210, 120); });
  s.Backend().QueueIdleAction([&] { s.Backend().MouseUp(210, 120); });
  s.Pump();
  EXPECT_EQ(events, (std::vector<uint32_t>{WM_EXITSIZEMOVE, WM_NCLBUTTONDOWN}));
  TRect r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, Bounds(110, 110, 300, 200));
}

TEST(WinNonClient, CaptionButtonsAndDoubleClick) {
  TTestScene s;
  HWND h = s.Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
  s.Pump();
  // Pressed on the maximise button but released elsewhere: nothing.
  s.Backend().MouseDown(365, 112);
  s.Backend().MouseMove(250, 200);
  s.Backend().MouseUp(250, 200);
  s.Pump();
  EXPECT_FALSE(IsZoomed(h));
  // Pressed and released on it: maximised; the same again restores.
  s.Backend().AdvanceClock(1000);  // no double click with the press before
  s.Backend().Click(365, 112);
  s.Pump();
  EXPECT_TRUE(IsZoomed(h));
  TRect r;
  GetWindowRect(h, &r);
  // Maximised, the buttons sit at the top right of the work area.
  const int32_t maxX = r.Right - 4 - 2 - 17 - 2 - 8, maxY = r.Top + 4 + 8;
  s.Backend().Click(maxX, maxY);
  s.Pump();
  EXPECT_FALSE(IsZoomed(h));
  // A double click on the caption maximises and restores.
  s.Backend().DoubleClick(200, 110);
  s.Pump();
  EXPECT_TRUE(IsZoomed(h));
  GetWindowRect(h, &r);
  s.Backend().DoubleClick(r.Left + 150, r.Top + 10);
  s.Pump();
  EXPECT_FALSE(IsZoomed(h));
  // The close button closes.
  s.Backend().Click(385, 112);
  s.Pump();
  EXPECT_FALSE(IsWindow(h));
}

TEST(WinNonClient, CaptionShowsActivation) {
  TTestScene s;
  HWND a = s.Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
  HWND b = s.Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(500, 100, 300, 200));
  SetActiveWindow(a);
  s.Pump();
  auto caption = [](HWND h) {
    std::unique_ptr<TBitmap> px = WindowPixels(h, true);
    return PixelAt(*px, 150, 10);
  };
  EXPECT_EQ(caption(a), GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(caption(b), GetSysColor(COLOR_INACTIVECAPTION));
  SetActiveWindow(b);
  s.Pump();
  EXPECT_EQ(caption(a), GetSysColor(COLOR_INACTIVECAPTION));
  EXPECT_EQ(caption(b), GetSysColor(COLOR_ACTIVECAPTION));
  // A new title is drawn into the caption (its text starts after the icon
  // place at x 26).
  auto textArea = [](HWND h) {
    std::unique_ptr<TBitmap> px = WindowPixels(h, true);
    int32_t other = 0;
    for (int32_t y = 6; y < 21; ++y)
      for (int32_t x = 26; x < 60; ++x)
        if (PixelAt(*px, x, y) != GetSysColor(COLOR_ACTIVECAPTION)) ++other;
    return other;
  };
  EXPECT_EQ(textArea(b), 0);
  SetWindowText(b, "Title");
  s.Pump();
  EXPECT_GT(textArea(b), 10);
  EXPECT_EQ(GetWindowTextString(b), "Title");
}

TEST(WinNonClient, OwnFrameMetricsAreFollowedAfterFrameChanged) {
  TTestScene s;
  HWND h = s.Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, Bounds(100, 100, 300, 200));
  int32_t inset = 0;
  s.On(h, [&inset](HWND, uint32_t msg, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    if (msg != WM_NCCALCSIZE || inset == 0) return false;
    TRect* rc = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<TRect*>(lParam);
    InflateRect(*rc, -inset, -inset);
    r = 0;
    return true;
  });
  EXPECT_EQ(ClientInsets(h), (TRect{4, 23, 4, 4}));
  inset = 10;
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(ClientInsets(h), (TRect{10, 10, 10, 10}));
}

}  // namespace
