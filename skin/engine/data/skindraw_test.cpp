#include "skin/engine/data/skindraw.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/gui/headless.h"
#include "platform/gui/text.h"
#include "platform/gui/win_testing.h"
#include "platform/gui/win_paint.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/vcl_testing.h"

namespace {

// Draws on a white bitmap and answers it as rows of characters: '.' white,
// and for each colour of Legend its character.
std::vector<String> Art(int32_t W, int32_t H, const std::function<void(TCanvas*)>& Draw,
                        const std::vector<std::pair<TColor, char>>& Legend) {
  TBitmap b;
  b.SetSize(W, H);
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(TRect{0, 0, W, H});
  Draw(b.Canvas());
  std::vector<String> rows;
  for (int32_t y = 0; y < H; ++y) {
    String row;
    for (int32_t x = 0; x < W; ++x) {
      const TColor c = b.Canvas()->Pixels(x, y);
      char ch = c == clWhite ? '.' : '?';
      for (auto [color, mark] : Legend)
        if (c == color) ch = mark;
      row += ch;
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<String> Art(int32_t W, int32_t H, const std::function<void(TCanvas*)>& Draw) {
  return Art(W, H, Draw, {{clRed, '#'}});
}

const TRect Box{0, 0, 10, 10};  // centre (5, 5)

}  // namespace

TEST(SkinDrawGlyphs, Arrows) {
  struct TCase {
    int32_t Direction;
    std::vector<String> Expected;
  } cases[] = {
      {1,
       {"..........", "..........", "......#...", ".....##...", "....###...", "...####...", "....###...", ".....##...",
        "......#...", ".........."}},
      {2,
       {"..........", "..........", "....#.....", "....##....", "....###...", "....####..", "....###...", "....##....",
        "....#.....", ".........."}},
      {3,
       {"..........", "..........", "..........", ".....#....", "....###...", "...#####..", "..#######.", "..........",
        "..........", ".........."}},
      {4,
       {"..........", "..........", "..........", "..........", "..#######.", "...#####..", "....###...", ".....#....",
        "..........", ".........."}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Art(10, 10, [&](TCanvas* C) { DrawArrow(C, Box, clRed, c.Direction); }), c.Expected)
        << "direction " << c.Direction;
  for (int32_t direction : {0, 5, -1})
    EXPECT_EQ(Art(10, 10, [&](TCanvas* C) { DrawArrow(C, Box, clRed, direction); }),
              std::vector<String>(10, ".........."));
}

TEST(SkinDrawGlyphs, SmallGlyphs) {
  struct TCase {
    const char* Name;
    std::function<void(TCanvas*)> Draw;
    std::vector<String> Expected;
  } cases[] = {
      {"combo arrow",
       [](TCanvas* C) { DrawComboArrow(C, Box, clRed); },
       {"..........", "..........", "..........", "..........", "..........", "...#####..", "....###...", ".....#....",
        "..........", ".........."}},
      {"radio dot",
       [](TCanvas* C) { DrawRadioDot(C, 2, 2, clRed); },
       {"..........", "..........", "..######..", "..######..", "..######..", "..######..", "..######..", "..######..",
        "..........", ".........."}},
      {"check mark",
       [](TCanvas* C) { DrawCheckMark(C, 1, 1, clRed); },
       {"..........", "..........", ".......#..", "......##..", ".#...###..", ".##.###...", ".#####....", "..###.....",
        "...#......", ".........."}},
      {"close",
       [](TCanvas* C) { DrawCloseGlyph(C, 0, 0, clRed); },
       {"..........", ".##.....##", "..##...##.", "...##.##..", "....###...", "....###...", "...##.##..", "..##...##.",
        ".##.....##", ".........."}},
      {"system menu",
       [](TCanvas* C) { DrawSysMenuGlyph(C, 0, 0, clRed); },
       {"..........", "..........", "..........", ".########.", ".#......#.", ".########.", "..........", "..........",
        "..........", ".........."}},
      {"minimize",
       [](TCanvas* C) { DrawMinimizeGlyph(C, 0, 0, clRed); },
       {"..........", "..........", "..........", "..........", "..........", "..........", "..........", "..........",
        ".########.", ".########."}},
      {"restore",
       [](TCanvas* C) { DrawRestoreGlyph(C, 0, 0, clRed); },
       {"..########", "..########", "..#......#", "..#......#", "#######..#", "##########", "#.....#...", "#.....#...",
        "#.....#...", "#######..."}},
      {"roll down",
       [](TCanvas* C) { DrawRollDownGlyph(C, 0, 0, clRed); },
       {"..........", "..........", ".########.", "..######..", "...####...", "....##....", "..........", "..........",
        "..........", ".........."}},
      {"roll up",
       [](TCanvas* C) { DrawRollUpGlyph(C, 0, 0, clRed); },
       {"..........", "..........", "..........", "....##....", "...####...", "..######..", ".########.", "..........",
        "..........", ".........."}},
      {"tray",
       [](TCanvas* C) { DrawTrayGlyph(C, 0, 0, clRed); },
       {"..........", "..........", "..#####...", "..#####...", "..#####...", "..#####...", "..#####...", "..........",
        "..........", ".........."}},
  };
  for (const TCase& c : cases) EXPECT_EQ(Art(10, 10, c.Draw), c.Expected) << c.Name;
  EXPECT_EQ(Art(11, 10, [](TCanvas* C) { DrawMaximizeGlyph(C, 0, 0, clRed); }),
            (std::vector<String>{"###########", "###########", "#.........#", "#.........#", "#.........#",
                                 "#.........#", "#.........#", "#.........#", "#.........#", "###########"}));
}

TEST(SkinDrawGlyphs, Frame3DMovesRightAndBottomInFirst) {
  EXPECT_EQ(Art(10, 9,
                [](TCanvas* C) {
                  DrawFrame3D(C, TRect{1, 1, 9, 8}, clRed, clBlue);
                },
                {{clRed, 't'}, {clBlue, 'b'}}),
            (std::vector<String>{"..........", ".tttttttb.", ".t......b.", ".t......b.", ".t......b.", ".t......b.",
                                 ".t......b.", ".bbbbbbbb.", ".........."}));
}

TEST(SkinGeometry, RectAndPointRoutines) {
  const TRect r{2, 3, 10, 8};
  struct TCase {
    const char* Name;
    bool Got, Want;
  } cases[] = {
      {"IsNullRect of an empty width", IsNullRect(TRect{5, 5, 5, 10}), true},
      {"IsNullRect of a negative height", IsNullRect(TRect{0, 9, 4, 3}), true},
      {"IsNullRect of a real rect", IsNullRect(r), false},
      {"IsNullPoint with X 0", IsNullPoint(TPoint{0, 7}), true},
      {"IsNullPoint with Y 0", IsNullPoint(TPoint{7, 0}), true},
      {"IsNullPoint of a set point", IsNullPoint(TPoint{1, 1}), false},
      {"PointInRect on the right edge", PointInRect(r, TPoint{10, 8}), true},
      {"PointInRect on the left edge", PointInRect(r, TPoint{2, 3}), true},
      {"PointInRect outside", PointInRect(r, TPoint{11, 5}), false},
      {"RectInRect of itself", RectInRect(r, r), false},
      {"RectInRect of a smaller rect", RectInRect(TRect{2, 3, 9, 7}, r), true},
      {"RectInRect sticking out", RectInRect(TRect{1, 3, 9, 7}, r), false},
      {"RectsEqual", RectsEqual(r, TRect{2, 3, 10, 8}), true},
      {"RectsEqual of different rects", RectsEqual(r, TRect{2, 3, 10, 9}), false},
  };
  for (const TCase& c : cases) EXPECT_EQ(c.Got, c.Want) << c.Name;
  EXPECT_EQ(RectWidth(r), 8);
  EXPECT_EQ(RectHeight(r), 5);
  EXPECT_EQ(NullRect(), (TRect{0, 0, 0, 0}));
  EXPECT_EQ(IntMax(-3, 2), 2);
  EXPECT_EQ(IntMin(-3, 2), -3);
}

TEST(SkinSystem, VersionTests) {
  struct TCase {
    int32_t Major, Minor;
    bool Vista, XP, W2000;
  } cases[] = {{4, 0, false, false, false}, {5, 0, false, false, true}, {5, 1, false, true, true},
               {5, 2, false, false, true},  {6, 0, true, true, true},   {6, 1, true, true, true}};
  for (const TCase& c : cases) {
    EXPECT_EQ(IsWindowsVistaOrLater(c.Major, c.Minor), c.Vista) << c.Major << "." << c.Minor;
    EXPECT_EQ(IsWindowsXP(c.Major, c.Minor), c.XP) << c.Major << "." << c.Minor;
    EXPECT_EQ(IsWindows2000OrLater(c.Major, c.Minor), c.W2000) << c.Major << "." << c.Minor;
  }
  int32_t major = 0, minor = 0;
  GetWindowsVersion(major, minor);
  EXPECT_EQ(major, 6);
  EXPECT_EQ(minor, 1);
  EXPECT_TRUE(IsWindowsVistaOrLater() && IsWindowsXP() && IsWindows2000OrLater());
  EXPECT_TRUE(UnicodeDrawing);
}

class SkinSystemWindows : public ::testing::Test, public TWinTestBase {};

TEST_F(SkinSystemWindows, MonitorRects) {
  TRect r{1, 2, 3, 4};
  GetMonitorRect(nullptr, true, r);
  EXPECT_EQ(r, (TRect{0, 0, 1280, 984}));
  GetMonitorRect(nullptr, false, r);
  EXPECT_EQ(r, (TRect{0, 0, 1280, 1024}));

  H().SetMonitors({TMonitorDesc{TRect{0, 0, 1280, 1024}, TRect{0, 0, 1280, 984}, "\\\\.\\DISPLAY1"},
                   TMonitorDesc{TRect{1280, 0, 2880, 1200}, TRect{1280, 30, 2880, 1200}, "\\\\.\\DISPLAY2"}});
  HWND wnd = Make("popup", WS_POPUP, 2000, 100, 50, 50);
  ASSERT_NE(wnd, nullptr);
  GetMonitorRect(wnd, true, r);
  EXPECT_EQ(r, (TRect{1280, 30, 2880, 1200}));
  GetMonitorRect(wnd, false, r);
  EXPECT_EQ(r, (TRect{1280, 0, 2880, 1200}));
  SetWindowPos(wnd, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  GetMonitorRect(wnd, false, r);
  EXPECT_EQ(r, (TRect{0, 0, 1280, 1024}));
  DestroyWindow(wnd);
}

TEST_F(SkinSystemWindows, WindowAlphaAndScrollBarInfo) {
  HWND wnd = Make("layered", WS_POPUP | WS_VISIBLE | WS_HSCROLL, 0, 0, 60, 40, nullptr, WS_EX_LAYERED);
  ASSERT_NE(wnd, nullptr);
  SetWindowAlpha(wnd, 128);
  COLORREF key = 1;
  uint8_t alpha = 0;
  uint32_t flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(wnd, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, LWA_ALPHA);
  EXPECT_EQ(key, 0u);
  SetWindowAlpha(nullptr, 10);  // a failure is ignored

  SCROLLBARINFO info;
  EXPECT_TRUE(SafeGetScrollBarInfo(wnd, OBJID_HSCROLL, info));
  EXPECT_EQ(info.rgstate[0] & STATE_SYSTEM_INVISIBLE, 0u);
  DestroyWindow(wnd);
}

// ---- Text --------------------------------------------------------------------------------

class SkinDrawText : public ::testing::Test {
 protected:
  SkinDrawText() {
    B.SetSize(200, 30);
    B.Canvas()->Font()->SetName("Arial");
    B.Canvas()->Font()->SetHeight(14);
  }
  TBitmap B;
  TCanvas* C() { return B.Canvas(); }
};

TEST_F(SkinDrawText, TrimToWidth) {
  const String text = "Pictures and more";
  const int32_t full = C()->TextWidth(text);
  String s = text;
  TrimTextToWidth(C(), s, full);
  EXPECT_EQ(s, text);  // fits
  s = text;
  TrimTextToWidth(C(), s, 1);
  EXPECT_EQ(s, "...");  // no prefix fits
  s = text;
  const int32_t w = C()->TextWidth("Pictures...");
  TrimTextToWidth(C(), s, w);
  EXPECT_EQ(s, "Pictures...");
  EXPECT_LE(C()->TextWidth(s), w);
  // Whole characters go, never single bytes of one.
  String accents = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";  // six e-acute
  TrimTextToWidth(C(), accents, C()->TextWidth("\xC3\xA9\xC3\xA9..."));
  EXPECT_EQ(accents, "\xC3\xA9\xC3\xA9...");

  WideString wide = u"Pictures and more";
  TrimTextToWidthW(C(), wide, TextWidthW(C(), u"Pictures..."));
  EXPECT_EQ(wide, u"Pictures...");
  WideString pairs = u"\U0001F600\U0001F600\U0001F600";
  TrimTextToWidthW(C(), pairs, 1);
  EXPECT_EQ(pairs, u"...");
}

TEST_F(SkinDrawText, WideMeasuresAreTheCalcRect) {
  const WideString s = u"Skin text";
  TRect r{0, 0, 0, 0};
  DrawTextW(C()->Handle(), s.c_str(), int32_t(s.size()), &r, DT_CALCRECT);
  EXPECT_EQ(TextWidthW(C(), s), r.Width());
  EXPECT_EQ(TextHeightW(C(), s), r.Height());
  EXPECT_EQ(TextWidthW(C(), s), C()->TextWidth("Skin text"));
  EXPECT_GT(TextHeightW(C(), s), 0);
}

TEST_F(SkinDrawText, RectTextIsClippedAndCentred) {
  C()->Brush()->SetColor(clWhite);
  C()->FillRect(TRect{0, 0, 200, 30});
  C()->Font()->SetColor(clBlack);
  C()->Brush()->SetStyle(TBrushStyle::bsClear);
  const TRect r{10, 5, 40, 25};
  DrawRectTextOffset(C(), "WWWWWWWWWW", r, 3);
  int32_t inside = 0, outside = 0, leftOfStart = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 200; ++x) {
      if (C()->Pixels(x, y) == clWhite) continue;
      const bool in = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
      (in ? inside : outside) += 1;
      if (x < r.Left + 5) ++leftOfStart;
    }
  EXPECT_GT(inside, 0);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(leftOfStart, 0);  // text starts at Left + offset + 2
  TBitmap empty;
  empty.SetSize(20, 20);
  DrawRectText(empty.Canvas(), "", TRect{0, 0, 20, 20});
  DrawTextVCenter(empty.Canvas(), "", TRect{0, 0, 20, 20});
  EXPECT_EQ(empty.Canvas()->Pixels(5, 5), 0);
}

// ---- What lies under a control ---------------------------------------------------------------

namespace {

class TBox : public TGraphicControl {
 public:
  TBox(TComponent* Owner, TColor Color) : TGraphicControl(Owner), FColor(Color) {}
  void Paint() override {
    Canvas()->Brush()->SetColor(FColor);
    Canvas()->FillRect(TRect{0, 0, Width(), Height()});
    SawPaintCopy = ControlState().Contains(TControlStateItem::csPaintCopy);
    ParentSawPaintCopy = Parent()->ControlState().Contains(TControlStateItem::csPaintCopy);
    ++Paints;
  }
  bool SawPaintCopy = false, ParentSawPaintCopy = false;
  int32_t Paints = 0;

 private:
  TColor FColor;
};

// A windowed parent whose own content is a green band at rows 0..4.
class TBandPanel : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  void Paint() override {
    Canvas()->Brush()->SetColor(clLime);
    Canvas()->FillRect(TRect{0, 0, Width(), 5});
  }
};

class PaintParentImageTest : public TVclTest {};

}  // namespace

TEST_F(PaintParentImageTest, BackgroundContentAndEarlierOverlappingSiblings) {
  TBandPanel parent(nullptr);
  parent.SetBounds(0, 0, 60, 50);
  parent.Brush()->SetColor(clYellow);
  TBox before(nullptr, clRed), control(nullptr, clBlack), after(nullptr, clBlue), far(nullptr, clFuchsia);
  before.SetBounds(0, 0, 20, 20);
  control.SetBounds(10, 2, 20, 20);
  after.SetBounds(20, 12, 20, 20);
  far.SetBounds(45, 40, 5, 5);
  for (TBox* b : {&far, &before, &control, &after}) b->SetParent(&parent);

  TBitmap under;
  under.SetSize(20, 20);
  PaintParentImage(&control, under.Canvas());
  const std::vector<String> expected{
      "##########gggggggggg", "##########gggggggggg", "##########gggggggggg", "##########yyyyyyyyyy",
      "##########yyyyyyyyyy", "##########yyyyyyyyyy", "##########yyyyyyyyyy", "##########yyyyyyyyyy",
      "##########yyyyyyyyyy", "##########yyyyyyyyyy", "##########yyyyyyyyyy", "##########yyyyyyyyyy",
      "##########yyyyyyyyyy", "##########yyyyyyyyyy", "##########yyyyyyyyyy", "##########yyyyyyyyyy",
      "##########yyyyyyyyyy", "##########yyyyyyyyyy", "yyyyyyyyyyyyyyyyyyyy", "yyyyyyyyyyyyyyyyyyyy"};
  std::vector<String> got;
  for (int32_t y = 0; y < 20; ++y) {
    String row;
    for (int32_t x = 0; x < 20; ++x) {
      const TColor c = under.Canvas()->Pixels(x, y);
      row += c == clRed ? '#' : c == clLime ? 'g' : c == clYellow ? 'y' : '?';
    }
    got.push_back(row);
  }
  EXPECT_EQ(got, expected);
  TBitmap big;
  big.SetSize(160, 160);
  big.Canvas()->StretchDraw(TRect{0, 0, 160, 160}, &under);
  std::filesystem::create_directories(std::filesystem::path(PROJECT_SOURCE_DIR) / "build" / "looks" / "skin");
  SavePng(big, String(PROJECT_SOURCE_DIR) + "/build/looks/skin/parent_image.png");
  EXPECT_EQ(before.Paints, 1);
  EXPECT_TRUE(before.SawPaintCopy);
  EXPECT_TRUE(before.ParentSawPaintCopy);
  EXPECT_EQ(after.Paints, 0);  // after the control in z-order
  EXPECT_EQ(far.Paints, 0);    // does not overlap
  EXPECT_EQ(control.Paints, 0);
  EXPECT_FALSE(parent.ControlState().Contains(TControlStateItem::csPaintCopy));
  EXPECT_FALSE(before.ControlState().Contains(TControlStateItem::csPaintCopy));

  // A sub-rect: the canvas origin is the rect's top-left inside the control.
  TBitmap part;
  part.SetSize(8, 4);
  PaintParentImageRect(&control, TRect{6, 1, 14, 5}, part.Canvas());
  EXPECT_EQ(part.Canvas()->Pixels(3, 0), clRed);     // control (9, 1): the earlier sibling
  EXPECT_EQ(part.Canvas()->Pixels(4, 0), clLime);    // control (10, 1): the parent's band
  EXPECT_EQ(part.Canvas()->Pixels(4, 3), clYellow);  // control (10, 4): background
  for (TBox* b : {&far, &before, &control, &after}) b->SetParent(nullptr);
}

TEST_F(PaintParentImageTest, FirstControlGetsOnlyTheBackgroundAndOrphansNothing) {
  TBandPanel parent(nullptr);
  parent.SetBounds(0, 0, 40, 40);
  parent.Brush()->SetColor(clYellow);
  TBox control(nullptr, clBlack), after(nullptr, clBlue);
  control.SetBounds(0, 0, 20, 20);
  after.SetBounds(5, 5, 20, 20);
  control.SetParent(&parent);
  after.SetParent(&parent);
  TBitmap under;
  under.SetSize(20, 20);
  PaintParentImage(&control, under.Canvas());
  EXPECT_EQ(under.Canvas()->Pixels(10, 10), clYellow);
  EXPECT_EQ(after.Paints, 0);
  TBox orphan(nullptr, clRed);
  TBitmap none;
  none.SetSize(4, 4);
  PaintParentImage(&orphan, none.Canvas());
  PaintParentImage(nullptr, none.Canvas());
  EXPECT_EQ(none.Canvas()->Pixels(1, 1), 0);
  control.SetParent(nullptr);
  after.SetParent(nullptr);
}

TEST(SkinDrawGlyphs, LookSheet) {
  const std::vector<std::function<void(TCanvas*, int32_t, int32_t)>> glyphs{
      [](TCanvas* C, int32_t X, int32_t Y) {
        DrawArrow(C, TRect{X, Y, X + 10, Y + 10}, clNavy, 1);
      },
      [](TCanvas* C, int32_t X, int32_t Y) {
        DrawArrow(C, TRect{X, Y, X + 10, Y + 10}, clNavy, 2);
      },
      [](TCanvas* C, int32_t X, int32_t Y) {
        DrawArrow(C, TRect{X, Y, X + 10, Y + 10}, clNavy, 3);
      },
      [](TCanvas* C, int32_t X, int32_t Y) {
        DrawArrow(C, TRect{X, Y, X + 10, Y + 10}, clNavy, 4);
      },
      [](TCanvas* C, int32_t X, int32_t Y) {
        DrawComboArrow(C, TRect{X, Y, X + 10, Y + 10}, clNavy);
      },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawRadioDot(C, X + 2, Y + 2, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawCheckMark(C, X + 1, Y + 1, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) {
        DrawFrame3D(C, TRect{X, Y, X + 11, Y + 11}, clWhite, clGray);
      },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawCloseGlyph(C, X, Y, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawMaximizeGlyph(C, X, Y, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawRestoreGlyph(C, X, Y, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawMinimizeGlyph(C, X, Y, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawSysMenuGlyph(C, X, Y, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawRollUpGlyph(C, X, Y, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawRollDownGlyph(C, X, Y, clNavy); },
      [](TCanvas* C, int32_t X, int32_t Y) { DrawTrayGlyph(C, X, Y, clNavy); },
  };
  TBitmap sheet;
  sheet.SetSize(int32_t(glyphs.size()) * 14 + 2, 16);
  sheet.Canvas()->Brush()->SetColor(clBtnFace);
  sheet.Canvas()->FillRect(TRect{0, 0, sheet.Width(), sheet.Height()});
  for (size_t i = 0; i < glyphs.size(); ++i) glyphs[i](sheet.Canvas(), 2 + int32_t(i) * 14, 3);
  TBitmap big;
  big.SetSize(sheet.Width() * 6, sheet.Height() * 6);
  big.Canvas()->StretchDraw(TRect{0, 0, big.Width(), big.Height()}, &sheet);
  const std::filesystem::path dir = std::filesystem::path(PROJECT_SOURCE_DIR) / "build" / "looks" / "skin";
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(SavePng(big, (dir / "glyphs.png").string()));
}
