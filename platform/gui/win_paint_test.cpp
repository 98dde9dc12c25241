#include <gtest/gtest.h>

#include "platform/gui/win_layer_testing.h"
#include "platform/gui/win_paint.h"

namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x00FF00;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kYellow = 0x00FFFF;

const std::initializer_list<uint32_t> kPaintMsgs = {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND};

// A frameless top-level window T at (100, 100) 200 x 200 painting red, child A
// at (10, 10) 60 x 60 painting green and child B below it at (40, 40)
// 60 x 60 painting blue, which clips its sibling.
struct TTree {
  explicit TTree(TTestScene& s, uint32_t parentStyle = 0) {
    T = s.Make(WS_POPUP | WS_VISIBLE | parentStyle, 0, Bounds(100, 100, 200, 200));
    A = s.Make(WS_CHILD | WS_VISIBLE, 0, Bounds(10, 10, 60, 60), T);
    B = s.Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, Bounds(40, 40, 60, 60), T);
    s.PaintSolid(T, kRed);
    s.PaintSolid(A, kGreen);
    s.PaintSolid(B, kBlue);
  }
  HWND T, A, B;
};

TEST(WinPaint, ShowPaintsParentsFirstWithSiblingsClipped) {
  TTestScene s;
  TTree t(s);
  s.Pump();
  const std::vector<TLogged> expected = {{t.T, WM_PAINT}, {t.T, WM_NCPAINT}, {t.T, WM_ERASEBKGND},  //
                                         {t.A, WM_PAINT}, {t.A, WM_NCPAINT}, {t.A, WM_ERASEBKGND},  //
                                         {t.B, WM_PAINT}, {t.B, WM_NCPAINT}, {t.B, WM_ERASEBKGND}};
  EXPECT_EQ(s.Take(kPaintMsgs), expected);
  // A is above B; B, clipping its siblings, left the overlap to A.
  const struct {
    int32_t X, Y;
    COLORREF Color;
  } pixels[] = {{5, 5, kRed},    {15, 15, kGreen}, {45, 45, kGreen}, {69, 69, kGreen},
                {70, 70, kBlue}, {99, 99, kBlue},  {100, 100, kRed}, {199, 199, kRed}};
  for (const auto& p : pixels) EXPECT_EQ(ClientPixel(t.T, p.X, p.Y), p.Color) << p.X << "," << p.Y;
  for (HWND h : {t.T, t.A, t.B}) {
    TRect r;
    EXPECT_FALSE(GetUpdateRect(h, &r, false));
  }
}

TEST(WinPaint, InvalidationReachesChildrenUnlessTheParentClipsThem) {
  const struct {
    uint32_t ParentStyle;
    std::vector<TLogged> (*Expected)(const TTree&);
    COLORREF AtChildA;
  } cases[] = {
      // Without WS_CLIPCHILDREN the parent paints over A, which repaints
      // the part it overlapped.
      {0,
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}, {t.T, WM_ERASEBKGND}, {t.A, WM_PAINT}, {t.A, WM_ERASEBKGND}};
       },
       kGreen},
      // With it only the parent paints, and never over its children.
      {WS_CLIPCHILDREN,
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}, {t.T, WM_ERASEBKGND}};
       },
       kGreen},
  };
  for (const auto& c : cases) {
    TTestScene s;
    TTree t(s, c.ParentStyle);
    s.Pump();
    s.Take();
    s.Painted.clear();
    const TRect r{0, 0, 30, 30};  // covers A's top-left 20 x 20, not B
    ASSERT_TRUE(InvalidateRect(t.T, &r, true));
    s.Pump();
    EXPECT_EQ(s.Take(kPaintMsgs), c.Expected(t)) << c.ParentStyle;
    EXPECT_EQ(s.Painted[t.T], (std::vector<TRect>{r}));
    if (c.ParentStyle == 0) {
      EXPECT_EQ(s.Painted[t.A], (std::vector<TRect>{TRect{0, 0, 20, 20}}));
    }
    EXPECT_EQ(ClientPixel(t.T, 15, 15), c.AtChildA);
    EXPECT_EQ(ClientPixel(t.T, 5, 5), kRed);
  }
}

TEST(WinPaint, AParentThatClipsChildrenStillPaintsUnderATransparentOne) {
  TTestScene s;
  HWND T = s.Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, Bounds(100, 100, 200, 200));
  HWND A = s.Make(WS_CHILD | WS_VISIBLE, WS_EX_TRANSPARENT, Bounds(10, 10, 60, 60), T);
  HWND B = s.Make(WS_CHILD | WS_VISIBLE, 0, Bounds(100, 100, 60, 60), T);
  s.PaintSolid(T, kRed);
  s.PaintSolid(B, kBlue);
  s.On(A, [](HWND, uint32_t msg, WPARAM, LPARAM, LRESULT& result) {
    result = 1;
    return msg == WM_ERASEBKGND;
  });
  s.Pump();
  EXPECT_EQ(ClientPixel(T, 15, 15), kRed) << "under the transparent child, which paints nothing";
  EXPECT_EQ(ClientPixel(T, 120, 120), kBlue);
}

TEST(WinPaint, EraseFlagAndValidation) {
  TTestScene s;
  TTree t(s);
  s.Pump();
  s.Take();
  // Without erase: WM_PAINT only; fErase is false.
  const TRect r{70, 70, 80, 80};  // over B only
  InvalidateRect(t.T, &r, false);
  s.Pump();
  EXPECT_EQ(s.Take(kPaintMsgs), (std::vector<TLogged>{{t.T, WM_PAINT}, {t.B, WM_PAINT}}));
  // Validated before the loop sees it: nothing is painted.
  InvalidateRect(t.A, nullptr, true);
  ValidateRect(t.A, nullptr);
  s.Pump();
  EXPECT_TRUE(s.Take(kPaintMsgs).empty());
  // A part validated leaves the rest.
  InvalidateRect(t.A, nullptr, true);
  const TRect left{0, 0, 30, 60};
  ValidateRect(t.A, &left);
  TRect u;
  ASSERT_TRUE(GetUpdateRect(t.A, &u, false));
  EXPECT_EQ(u, (TRect{30, 0, 60, 60}));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetUpdateRgn(t.A, rgn, false), SIMPLEREGION);
  DeleteObject(rgn);
  s.Pump();
  EXPECT_EQ(s.Painted[t.A].back(), (TRect{30, 0, 60, 60}));
}

TEST(WinPaint, RedrawWindowFlags) {
  TTestScene s;
  TTree t(s, WS_CLIPCHILDREN);
  s.Pump();
  s.Take();
  const struct {
    uint32_t Flags;
    // Messages seen before any pumping, then after pumping.
    std::vector<TLogged> (*Now)(const TTree&);
    std::vector<TLogged> (*Later)(const TTree&);
  } cases[] = {
      {RDW_INVALIDATE | RDW_UPDATENOW,
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}};
       },
       [](const TTree&) { return std::vector<TLogged>{}; }},
      {RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW,
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_ERASEBKGND}};
       },
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}};
       }},
      {RDW_INVALIDATE | RDW_FRAME, [](const TTree&) { return std::vector<TLogged>{}; },
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}, {t.T, WM_NCPAINT}};
       }},
      {RDW_INTERNALPAINT, [](const TTree&) { return std::vector<TLogged>{}; },
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}};
       }},
      // The parent clips its children: they come along only when asked.
      {RDW_INVALIDATE | RDW_ALLCHILDREN, [](const TTree&) { return std::vector<TLogged>{}; },
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}, {t.A, WM_PAINT}, {t.B, WM_PAINT}};
       }},
      {RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_NOCHILDREN, [](const TTree&) { return std::vector<TLogged>{}; },
       [](const TTree& t) {
         return std::vector<TLogged>{{t.T, WM_PAINT}};
       }},
  };
  for (const auto& c : cases) {
    RedrawWindow(t.T, nullptr, nullptr, c.Flags);
    EXPECT_EQ(s.Take(kPaintMsgs), c.Now(t)) << std::hex << c.Flags;
    s.Pump();
    EXPECT_EQ(s.Take(kPaintMsgs), c.Later(t)) << std::hex << c.Flags;
  }
  // RDW_VALIDATE takes back an invalidation (and with RDW_NOINTERNALPAINT
  // an internal paint).
  RedrawWindow(t.T, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
  RedrawWindow(t.T, nullptr, nullptr, RDW_VALIDATE | RDW_NOINTERNALPAINT);
  s.Pump();
  EXPECT_TRUE(s.Take(kPaintMsgs).empty());
}

TEST(WinPaint, SetRedrawFreezesPaintingButKeepsInvalidation) {
  TTestScene s;
  TTree t(s);
  s.Pump();
  s.Take();
  SendMessage(t.T, WM_SETREDRAW, 0, 0);
  EXPECT_TRUE(IsRedrawFrozen(t.T));
  InvalidateRect(t.T, nullptr, true);
  s.Pump();
  EXPECT_TRUE(s.Take(kPaintMsgs).empty());
  // Drawing into a frozen window lands nowhere.
  HDC dc = GetDC(t.A);
  HBRUSH yellow = CreateSolidBrush(kYellow);
  FillRect(dc, TRect{0, 0, 10, 10}, yellow);
  ReleaseDC(t.A, dc);
  EXPECT_EQ(ClientPixel(t.A, 1, 1), kGreen);
  EXPECT_TRUE(GetUpdateRect(t.T, nullptr, false));
  SendMessage(t.T, WM_SETREDRAW, 1, 0);
  s.Pump();
  EXPECT_EQ(s.Take({WM_PAINT}), (std::vector<TLogged>{{t.T, WM_PAINT}, {t.A, WM_PAINT}, {t.B, WM_PAINT}}));
  DeleteObject(yellow);
}

TEST(WinPaint, WindowDcDrawsAtOnceWithinItsVisibleArea) {
  TTestScene s;
  TTree t(s);
  s.Pump();
  HBRUSH yellow = CreateSolidBrush(kYellow);
  // B's DC clips the sibling above it: its whole client area painted yellow
  // shows only where B is visible.
  HDC dc = GetDC(t.B);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(WindowFromDC(dc), t.B);
  TRect box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  FillRect(dc, TRect{0, 0, 60, 60}, yellow);
  EXPECT_EQ(ReleaseDC(t.B, dc), 1);
  EXPECT_EQ(ClientPixel(t.T, 45, 45), kGreen);   // A above
  EXPECT_EQ(ClientPixel(t.T, 80, 80), kYellow);  // B
  EXPECT_EQ(ClientPixel(t.B, 40, 40), kYellow);  // B's own pixels, read in its coordinates
  // A DC of the parent without WS_CLIPCHILDREN covers its children.
  dc = GetDC(t.T);
  FillRect(dc, TRect{0, 0, 200, 200}, yellow);
  ReleaseDC(t.T, dc);
  EXPECT_EQ(ClientPixel(t.T, 15, 15), kYellow);
  // The desktop DC reads the composition.
  dc = GetDC(nullptr);
  EXPECT_EQ(GetPixel(dc, 100 + 15, 100 + 15), kYellow);
  EXPECT_EQ(GetPixel(dc, 50, 50), GetSysColor(COLOR_DESKTOP));
  ReleaseDC(nullptr, dc);
  DeleteObject(yellow);
  // A DC released twice or made up is refused.
  EXPECT_EQ(ReleaseDC(t.T, dc), 0);
}

bool Unhandled(HWND, uint32_t, WPARAM, LPARAM, LRESULT&) { return false; }

// DCs of a child work in the child's own coordinates, whatever its place on
// the top-level surface: origins start at (0, 0), absolute viewport origins
// and clip regions are relative to the child.
TEST(WinPaint, ChildDcsWorkInTheChildsCoordinates) {
  TTestScene s;
  TTree t(s);
  HWND framed = s.Make(WS_CHILD | WS_VISIBLE | WS_BORDER, 0, Bounds(120, 20, 50, 40), t.T);
  s.Pump();
  HBRUSH yellow = CreateSolidBrush(kYellow);

  // Fresh origins on every kind of window DC.
  std::vector<TPoint> origins;
  auto record = [&](HDC dc) {
    TPoint vp{-1, -1}, brush{-1, -1};
    GetViewportOrgEx(dc, &vp);
    GetBrushOrgEx(dc, &brush);
    origins.push_back(vp);
    origins.push_back(brush);
  };
  for (HDC dc : {GetDC(t.A), GetWindowDC(framed), GetDCEx(t.B, nullptr, DCX_PARENTCLIP | DCX_CACHE), GetDC(nullptr)}) {
    ASSERT_NE(dc, nullptr);
    record(dc);
    ReleaseDC(WindowFromDC(dc), dc);
  }
  s.On(t.A, [&](HWND h, uint32_t msg, WPARAM, LPARAM, LRESULT& r) {
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    record(BeginPaint(h, &ps));
    EndPaint(h, &ps);
    r = 0;
    return true;
  });
  InvalidateRect(t.A, nullptr, false);
  UpdateWindow(t.A);
  s.On(t.A, Unhandled);
  EXPECT_EQ(origins, std::vector<TPoint>(10, TPoint{0, 0}));

  // Painting with an absolute viewport origin (what a control does to paint
  // its parent's picture into itself), then back to its own.
  HDC dc = GetDC(t.A);
  ASSERT_EQ(SaveDC(dc), 1);
  SetViewportOrgEx(dc, -5, -7, nullptr);
  FillRect(dc, TRect{5, 7, 25, 17}, yellow);  // the child's (0, 0) - (20, 10)
  ASSERT_TRUE(RestoreDC(dc, -1));
  FillRect(dc, TRect{0, 30, 5, 35}, yellow);
  ReleaseDC(t.A, dc);
  const struct {
    HWND Wnd;
    int32_t X, Y;
    COLORREF Color;
  } pixels[] = {{t.A, 0, 0, kYellow},  {t.A, 19, 9, kYellow}, {t.A, 20, 9, kGreen},   {t.A, 19, 10, kGreen},
                {t.A, 4, 34, kYellow}, {t.A, 5, 34, kGreen},  {t.T, 10, 10, kYellow}, {t.T, 29, 19, kYellow},
                {t.T, 9, 9, kRed},     {t.T, 14, 44, kYellow}};
  for (const auto& p : pixels) EXPECT_EQ(ClientPixel(p.Wnd, p.X, p.Y), p.Color) << p.X << "," << p.Y;

  // A clip region in client coordinates.
  dc = GetDC(t.A);
  HRGN rgn = CreateRectRgn(30, 40, 40, 50);
  EXPECT_EQ(SelectClipRgn(dc, rgn), SIMPLEREGION);
  TRect box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, (TRect{30, 40, 40, 50}));
  SetViewportOrgEx(dc, 10, 0, nullptr);
  GetClipBox(dc, &box);
  EXPECT_EQ(box, (TRect{20, 40, 30, 50}));  // logical
  HRGN out = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetClipRgn(dc, out), 1);
  GetRgnBox(out, &box);
  EXPECT_EQ(box, (TRect{30, 40, 40, 50}));  // device
  FillRect(dc, TRect{-10, 0, 50, 60}, yellow);
  ReleaseDC(t.A, dc);
  EXPECT_EQ(ClientPixel(t.A, 30, 40), kYellow);
  EXPECT_EQ(ClientPixel(t.A, 39, 49), kYellow);
  EXPECT_EQ(ClientPixel(t.A, 29, 45), kGreen);
  EXPECT_EQ(ClientPixel(t.A, 40, 45), kGreen);
  EXPECT_EQ(ClientPixel(t.T, 40, 50), kYellow);

  // A clip region in window coordinates on a window DC: the left border.
  std::unique_ptr<TBitmap> before = WindowPixels(framed, true);
  ASSERT_TRUE(before);
  dc = GetWindowDC(framed);
  SetRectRgn(rgn, 0, 0, 1, 40);
  SelectClipRgn(dc, rgn);
  FillRect(dc, TRect{0, 0, 50, 40}, yellow);
  ReleaseDC(framed, dc);
  std::unique_ptr<TBitmap> whole = WindowPixels(framed, true);
  ASSERT_TRUE(whole);
  EXPECT_EQ(PixelAt(*whole, 0, 10), kYellow);
  EXPECT_NE(PixelAt(*whole, 1, 10), kYellow);
  EXPECT_EQ(PixelAt(*whole, 49, 10), PixelAt(*before, 49, 10));
  EXPECT_EQ(ClientPixel(t.T, 120, 30), kYellow);
  DeleteObject(rgn);

  // BeginPaint: the clip box is the update rectangle in client coordinates;
  // the update region is the system's clip, not the application's.
  std::vector<int32_t> kinds;
  std::vector<TRect> boxes;
  s.On(t.A, [&](HWND h, uint32_t msg, WPARAM, LPARAM, LRESULT& r) {
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC pdc = BeginPaint(h, &ps);
    TRect b;
    GetClipBox(pdc, &b);
    boxes.push_back(b);
    kinds.push_back(GetClipRgn(pdc, out));
    IntersectClipRect(pdc, 0, 0, 10, 10);
    kinds.push_back(GetClipRgn(pdc, out));
    GetRgnBox(out, &b);
    boxes.push_back(b);
    GetClipBox(pdc, &b);
    boxes.push_back(b);
    EndPaint(h, &ps);
    r = 0;
    return true;
  });
  const TRect update{5, 5, 15, 15};
  InvalidateRect(t.A, &update, false);
  UpdateWindow(t.A);
  s.On(t.A, Unhandled);
  EXPECT_EQ(kinds, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(boxes, (std::vector<TRect>{update, TRect{0, 0, 10, 10}, TRect{5, 5, 10, 10}}));
  DeleteObject(out);

  // A window DC as a blit source reads what the surface shows there: B's
  // top-left lies under A.
  dc = GetDC(t.B);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 2, 1);
  HGDIOBJ old = SelectObject(mem, bmp);
  ASSERT_TRUE(BitBlt(mem, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
  ASSERT_TRUE(BitBlt(mem, 1, 0, 1, 1, dc, 35, 35, SRCCOPY));
  EXPECT_EQ(GetPixel(mem, 0, 0), kGreen);
  EXPECT_EQ(GetPixel(mem, 1, 0), kBlue);
  EXPECT_EQ(GetPixel(dc, 35, 35), kBlue);
  ReleaseDC(t.B, dc);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);

  // ScrollDC answers in the child's coordinates too.
  dc = GetDC(t.A);
  const TRect strip{0, 0, 20, 10};
  TRect uncovered;
  ASSERT_TRUE(ScrollDC(dc, 10, 0, &strip, &strip, nullptr, &uncovered));
  ReleaseDC(t.A, dc);
  EXPECT_EQ(uncovered, (TRect{0, 0, 10, 10}));
  EXPECT_EQ(ClientPixel(t.A, 19, 5), kYellow);  // was at (9, 5)
  DeleteObject(yellow);
}

TEST(WinPaint, ChildMovedOrHiddenRepaintsWhatItUncovers) {
  TTestScene s;
  TTree t(s, WS_CLIPCHILDREN);
  s.Pump();
  s.Take();
  s.Painted.clear();
  ShowWindow(t.A, SW_HIDE);
  s.Pump();
  // The parent repaints A's old place; B, now uncovered there, too.
  EXPECT_EQ(s.Painted[t.T], (std::vector<TRect>{TRect{10, 10, 70, 70}}));
  EXPECT_EQ(ClientPixel(t.T, 15, 15), kRed);
  EXPECT_EQ(ClientPixel(t.T, 45, 45), kBlue);
  ShowWindow(t.A, SW_SHOW);
  s.Pump();
  EXPECT_EQ(ClientPixel(t.T, 45, 45), kGreen);
  s.Painted.clear();
  SetWindowPos(t.A, nullptr, 120, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  s.Pump();
  EXPECT_EQ(ClientPixel(t.T, 15, 15), kRed);
  EXPECT_EQ(ClientPixel(t.T, 45, 45), kBlue);
  EXPECT_EQ(ClientPixel(t.T, 130, 130), kGreen);
}

TEST(WinPaint, ScrollWindowExMovesPixelsAndInvalidatesTheRest) {
  TTestScene s;
  HWND w = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 100, 100));
  s.Pump();
  // Stripes: row y in colour y.
  HDC dc = GetDC(w);
  for (int32_t y = 0; y < 100; ++y) {
    HBRUSH b = CreateSolidBrush(RGB(uint8_t(y), 0, 0));
    FillRect(dc, TRect{0, y, 100, y + 1}, b);
    DeleteObject(b);
  }
  ReleaseDC(w, dc);
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  TRect updateRect;
  EXPECT_EQ(ScrollWindowEx(w, 0, -10, nullptr, nullptr, update, &updateRect, SW_INVALIDATE), SIMPLEREGION);
  EXPECT_EQ(updateRect, (TRect{0, 90, 100, 100}));
  TRect box;
  GetRgnBox(update, &box);
  EXPECT_EQ(box, updateRect);
  EXPECT_EQ(ClientPixel(w, 50, 0), COLORREF(RGB(10, 0, 0)));
  EXPECT_EQ(ClientPixel(w, 50, 89), COLORREF(RGB(99, 0, 0)));
  TRect pending;
  ASSERT_TRUE(GetUpdateRect(w, &pending, false));
  EXPECT_EQ(pending, updateRect);
  // Within a scroll rectangle, sideways, without invalidating.
  ValidateRect(w, nullptr);
  const TRect area{0, 0, 50, 50};
  ScrollWindowEx(w, 5, 0, &area, &area, update, &updateRect, 0);
  EXPECT_EQ(updateRect, (TRect{0, 0, 5, 50}));
  EXPECT_FALSE(GetUpdateRect(w, nullptr, false));
  EXPECT_EQ(ClientPixel(w, 5, 20), COLORREF(RGB(30, 0, 0)));  // was at (0, 20)
  // ScrollDC on a window DC: rows 50..99 up by 20, in the DC's coordinates.
  dc = GetDC(w);
  const TRect lower{0, 50, 100, 100};
  ASSERT_TRUE(ScrollDC(dc, 0, -20, &lower, &lower, update, &updateRect));
  ReleaseDC(w, dc);
  EXPECT_EQ(updateRect, (TRect{0, 80, 100, 100}));
  EXPECT_EQ(ClientPixel(w, 60, 50), COLORREF(RGB(80, 0, 0)));
  DeleteObject(update);
}

TEST(WinPaint, WindowRegionClipsPaintingAndHitTesting) {
  TTestScene s;
  HWND below = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(0, 0, 300, 300));
  HWND shaped = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(100, 100, 100, 100));
  s.PaintSolid(below, kBlue);
  s.PaintSolid(shaped, kRed);
  HRGN ellipse = CreateEllipticRgn(0, 0, 100, 100);
  EXPECT_NE(SetWindowRgn(shaped, ellipse, true), 0);
  s.Pump();
  // The corner of the window rectangle lies outside the ellipse.
  EXPECT_EQ(WindowFromPoint(TPoint{102, 102}), below);
  EXPECT_EQ(WindowFromPoint(TPoint{150, 150}), shaped);
  EXPECT_EQ(ScreenPixel(102, 102), kBlue);
  EXPECT_EQ(ScreenPixel(150, 150), kRed);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(shaped, copy), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(copy, 50, 50));
  EXPECT_FALSE(PtInRegion(copy, 1, 1));
  SetWindowRgn(shaped, nullptr, true);
  EXPECT_EQ(GetWindowRgn(shaped, copy), ERROR);
  s.Pump();
  EXPECT_EQ(WindowFromPoint(TPoint{102, 102}), shaped);
  DeleteObject(copy);
}

TEST(WinPaint, ChangedPixelsAreReportedToTheBackend) {
  struct TRecorder : THeadlessBackend {
    void Present(HWND hwnd, const TRect& dirty) override { Reports.push_back({hwnd, dirty}); }
    std::vector<std::pair<HWND, TRect>> Reports;
  };
  TTestScene s;
  TRecorder rec;
  WinSetBackend(&rec);
  HWND top = s.Make(WS_POPUP | WS_VISIBLE, 0, Bounds(10, 10, 100, 100));
  HWND child = s.Make(WS_CHILD | WS_VISIBLE, 0, Bounds(20, 30, 40, 40), top);
  rec.PumpMessages();
  rec.Reports.clear();
  HDC dc = GetDC(child);
  ReleaseDC(child, dc);
  ASSERT_EQ(rec.Reports.size(), 1u);
  EXPECT_EQ(rec.Reports[0].first, top);
  EXPECT_EQ(rec.Reports[0].second, (TRect{20, 30, 60, 70}));  // surface coordinates
  WinSetBackend(&s.Backend());
}

}  // namespace
