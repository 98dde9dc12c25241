#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/gdi_internal.h"
#include "platform/gui/syscolors.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0x0000FF, kBlue = 0xFF0000;

// A DIB section of the given depth selected into a memory DC, filled white.
struct TSurface {
  HDC DC = nullptr;
  HBITMAP Bmp = nullptr;
  HGDIOBJ Old = nullptr;
  void* Bits = nullptr;
  int W, H;

  TSurface(int w, int h, int bpp) : W(w), H(h) {
    std::vector<uint8_t> buf(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* bi = reinterpret_cast<BITMAPINFO*>(buf.data());
    bi->bmiHeader = BITMAPINFOHEADER{};
    bi->bmiHeader.biWidth = w;
    bi->bmiHeader.biHeight = h;
    bi->bmiHeader.biBitCount = uint16_t(bpp);
    if (bpp <= 8) {
      const std::vector<RGBQUAD> t = GdiDefaultColorTable(bpp);
      std::memcpy(buf.data() + sizeof(BITMAPINFOHEADER), t.data(), t.size() * sizeof(RGBQUAD));
    }
    DC = CreateCompatibleDC(nullptr);
    Bmp = CreateDIBSection(DC, bi, DIB_RGB_COLORS, &Bits, nullptr, 0);
    Old = SelectObject(DC, Bmp);
    Fill(kWhite);
  }
  ~TSurface() {
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
  }
  void Fill(COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(DC, TRect{0, 0, W, H}, b);
    DeleteObject(b);
  }
  // Rows of characters: the letter of each pixel's colour, '?' for others.
  std::vector<std::string> Art(const std::map<COLORREF, char>& letters = {
                                   {kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}, {kBlue, 'b'}}) const {
    std::vector<std::string> rows;
    for (int y = 0; y < H; ++y) {
      std::string row;
      for (int x = 0; x < W; ++x) {
        auto it = letters.find(GetPixel(DC, x, y));
        row += it == letters.end() ? '?' : it->second;
      }
      rows.push_back(row);
    }
    return rows;
  }
  int Count(COLORREF c) const {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) n += GetPixel(DC, x, y) == c;
    return n;
  }
};

// Selects a pen and brush for the scope of a test step.
struct TTools {
  HDC DC;
  HGDIOBJ OldPen, OldBrush;
  HPEN Pen;
  HBRUSH Brush;
  TTools(HDC dc, HPEN pen, HBRUSH brush) : DC(dc), Pen(pen), Brush(brush) {
    OldPen = SelectObject(dc, pen);
    OldBrush = SelectObject(dc, brush);
  }
  ~TTools() {
    SelectObject(DC, OldPen);
    SelectObject(DC, OldBrush);
    DeleteObject(Pen);
    DeleteObject(Brush);
  }
};

const int kDepths[] = {1, 4, 8, 16, 24, 32};

std::vector<TPoint> LinePixels(int x0, int y0, int x1, int y1) {
  std::vector<TPoint> v;
  RasterLine(x0, y0, x1, y1, [&](int x, int y) { v.push_back(TPoint{x, y}); });
  return v;
}

}  // namespace

// ---- Lines ---------------------------------------------------------------------------------

TEST(GfxDraw, LinesLeaveOutTheEndOnEveryDepth) {
  struct TCase {
    const char* Name;
    TPoint A, B;
    std::vector<TPoint> Pixels;
  };
  const TCase cases[] = {
      {"horizontal", {1, 1}, {5, 1}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
      {"vertical", {2, 5}, {2, 2}, {{2, 5}, {2, 4}, {2, 3}}},
      {"45 degrees", {0, 0}, {4, 4}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
      {"shallow", {0, 0}, {6, 2}, LinePixels(0, 0, 6, 2)},
      {"steep", {7, 0}, {5, 6}, LinePixels(7, 0, 5, 6)},
      {"point", {3, 3}, {3, 3}, {}},
  };
  for (int bpp : kDepths) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(std::string(c.Name) + " at " + std::to_string(bpp) + " bits");
      TSurface s(9, 8, bpp);
      HPEN pen = CreatePen(PS_SOLID, 1, kBlack);
      HGDIOBJ old = SelectObject(s.DC, pen);
      MoveToEx(s.DC, c.A.X, c.A.Y, nullptr);
      ASSERT_TRUE(LineTo(s.DC, c.B.X, c.B.Y));
      TPoint pos;
      GetCurrentPositionEx(s.DC, &pos);
      EXPECT_EQ(pos, c.B);
      SelectObject(s.DC, old);
      DeleteObject(pen);
      EXPECT_EQ(s.Count(kBlack), int(c.Pixels.size()));
      for (const TPoint& p : c.Pixels) EXPECT_EQ(GetPixel(s.DC, p.X, p.Y), kBlack) << p.X << "," << p.Y;
    }
  }
}

TEST(GfxDraw, LineDDAVisitsWhatLineToDraws) {
  std::vector<TPoint> visited;
  auto proc = [](int32_t x, int32_t y, intptr_t data) {
    reinterpret_cast<std::vector<TPoint>*>(data)->push_back(TPoint{x, y});
  };
  ASSERT_TRUE(LineDDA(1, 2, 12, 7, proc, reinterpret_cast<intptr_t>(&visited)));
  TSurface s(16, 10, 24);
  MoveToEx(s.DC, 1, 2, nullptr);
  LineTo(s.DC, 12, 7);
  EXPECT_EQ(s.Count(kBlack), int(visited.size()));
  for (const TPoint& p : visited) EXPECT_EQ(GetPixel(s.DC, p.X, p.Y), kBlack);
  EXPECT_FALSE(LineDDA(0, 0, 1, 1, nullptr, 0));
}

TEST(GfxDraw, PolylineWithAWidePenPaintsEachPixelOnce) {
  // With XOR, a pixel painted twice would come back white.
  TSurface s(16, 12, 24);
  TTools t(s.DC, CreatePen(PS_SOLID, 3, kWhite), CreateSolidBrush(kWhite));
  SetROP2(s.DC, R2_XORPEN);
  const TPoint pts[] = {{3, 3}, {12, 3}, {12, 8}};
  ASSERT_TRUE(Polyline(s.DC, pts, 3));
  // Round ends and a full joint: rows 2..4 along x 2..13 and the vertical part.
  for (int x = 2; x <= 13; ++x)
    for (int y = 2; y <= 4; ++y) EXPECT_EQ(GetPixel(s.DC, x, y), kBlack) << x << "," << y;
  for (int y = 2; y <= 9; ++y)
    for (int x = 11; x <= 13; ++x) EXPECT_EQ(GetPixel(s.DC, x, y), kBlack) << x << "," << y;
  EXPECT_EQ(GetPixel(s.DC, 10, 6), kWhite);
}

TEST(GfxDraw, DashPatterns) {
  struct TCase {
    int Style;
    const char* Pattern;  // one period, '#' on, '-' off
  };
  const TCase cases[] = {
      {PS_DASH, "##################------"},
      {PS_DOT, "###---"},
      {PS_DASHDOT, "#########------###------"},
      {PS_DASHDOTDOT, "#########---###---###---"},
  };
  for (const TCase& c : cases) {
    for (int mode : {TRANSPARENT, OPAQUE}) {
      SCOPED_TRACE(std::string(c.Pattern) + (mode == OPAQUE ? " opaque" : " transparent"));
      TSurface s(60, 1, 24);
      s.Fill(kBlue);
      HPEN pen = CreatePen(c.Style, 1, kBlack);
      HGDIOBJ old = SelectObject(s.DC, pen);
      SetBkMode(s.DC, mode);
      SetBkColor(s.DC, kRed);
      MoveToEx(s.DC, 0, 0, nullptr);
      LineTo(s.DC, 60, 0);
      SelectObject(s.DC, old);
      DeleteObject(pen);
      const std::string period = c.Pattern;
      std::string expect, got = s.Art()[0];
      for (int x = 0; x < 60; ++x) {
        const bool on = period[size_t(x) % period.size()] == '#';
        expect += on ? '#' : (mode == OPAQUE ? 'r' : 'b');
      }
      EXPECT_EQ(got, expect);
    }
  }
}

// ---- Shapes ----------------------------------------------------------------------------------

TEST(GfxDraw, RectangleWithPenWidthsOneAndThree) {
  const std::vector<std::string> thin = {
      "...........", "...........", "..#######..", "..#rrrrr#..", "..#rrrrr#..", "..#rrrrr#..",
      "..#rrrrr#..", "..#rrrrr#..", "..#######..", "...........", "...........",
  };
  const std::vector<std::string> wide = {
      "...........", ".#########.", ".#########.", ".#########.", ".###rrr###.", ".###rrr###.",
      ".###rrr###.", ".#########.", ".#########.", ".#########.", "...........",
  };
  struct TCase {
    int Style, Width;
    TRect Box;
    const std::vector<std::string>& Art;
  };
  const TCase cases[] = {
      {PS_SOLID, 1, {2, 2, 9, 9}, thin},
      {PS_SOLID, 3, {2, 2, 9, 9}, wide},
      {PS_INSIDEFRAME, 3, {1, 1, 10, 10}, wide},
  };
  for (int bpp : kDepths) {
    for (const TCase& c : cases) {
      SCOPED_TRACE("width " + std::to_string(c.Width) + " at " + std::to_string(bpp) + " bits");
      TSurface s(11, 11, bpp);
      // One bit has no red: the outline alone, with a null brush.
      HBRUSH brush = bpp == 1 ? CreateBrushIndirect(LOGBRUSH{BS_NULL, 0, 0}) : CreateSolidBrush(kRed);
      TTools t(s.DC, CreatePen(c.Style, c.Width, kBlack), brush);
      ASSERT_TRUE(Rectangle(s.DC, c.Box.Left, c.Box.Top, c.Box.Right, c.Box.Bottom));
      std::vector<std::string> want = c.Art;
      if (bpp == 1) {
        for (std::string& row : want) std::replace(row.begin(), row.end(), 'r', '.');
      }
      EXPECT_EQ(s.Art(), want);
    }
  }
}

TEST(GfxDraw, NullPenFillsOnePixelLess) {
  TSurface s(8, 8, 24);
  TTools t(s.DC, CreatePen(PS_NULL, 1, kBlack), CreateSolidBrush(kRed));
  Rectangle(s.DC, 1, 1, 5, 4);
  EXPECT_EQ(s.Count(kRed), 3 * 2);
  EXPECT_EQ(GetPixel(s.DC, 1, 1), kRed);
  EXPECT_EQ(GetPixel(s.DC, 3, 2), kRed);
  EXPECT_EQ(GetPixel(s.DC, 4, 1), kWhite);
}

TEST(GfxDraw, ShapesUseRop2ForOutlineAndFill) {
  TSurface s(10, 10, 24);
  TTools t(s.DC, CreatePen(PS_SOLID, 1, kWhite), CreateSolidBrush(kWhite));
  SetROP2(s.DC, R2_XORPEN);
  Ellipse(s.DC, 0, 0, 10, 10);
  const int covered = s.Count(kBlack);
  EXPECT_GT(covered, 60);
  Ellipse(s.DC, 0, 0, 10, 10);
  EXPECT_EQ(s.Count(kWhite), 100);
}

TEST(GfxDraw, WideInsideFrameEllipseStaysInTheBox) {
  TSurface s(20, 16, 24);
  TTools t(s.DC, CreatePen(PS_INSIDEFRAME, 3, kBlack), CreateSolidBrush(kRed));
  Ellipse(s.DC, 2, 2, 18, 14);
  int black = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x) {
      const COLORREF c = GetPixel(s.DC, x, y);
      if (x < 2 || x >= 18 || y < 2 || y >= 14) {
        EXPECT_EQ(c, kWhite) << x << "," << y;
      }
      black += c == kBlack;
    }
  EXPECT_GT(black, 0);
  EXPECT_EQ(GetPixel(s.DC, 10, 8), kRed);
  // Leftmost column of the box on the middle rows is the stroke's edge.
  EXPECT_EQ(GetPixel(s.DC, 2, 7), kBlack);
  EXPECT_EQ(GetPixel(s.DC, 17, 8), kBlack);
}

TEST(GfxDraw, RegionsMatchTheShapesDrawn) {
  struct TCase {
    const char* Name;
    std::function<void(HDC)> Draw;
    std::function<HRGN()> Make;
  };
  const TPoint star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  const TPoint concave[] = {{1, 1}, {18, 3}, {9, 9}, {17, 17}, {2, 14}};
  std::vector<TCase> cases = {
      {"ellipse odd", [](HDC dc) { Ellipse(dc, 1, 2, 16, 13); }, [] { return CreateEllipticRgn(1, 2, 16, 13); }},
      {"ellipse even", [](HDC dc) { Ellipse(dc, 0, 0, 20, 14); }, [] { return CreateEllipticRgn(0, 0, 20, 14); }},
      {"ellipse tiny", [](HDC dc) { Ellipse(dc, 3, 3, 5, 6); }, [] { return CreateEllipticRgn(3, 3, 5, 6); }},
      {"round rect 5x5", [](HDC dc) { RoundRect(dc, 1, 1, 19, 15, 5, 5); },
       [] { return CreateRoundRectRgn(1, 1, 19, 15, 5, 5); }},
      {"round rect 8x6", [](HDC dc) { RoundRect(dc, 2, 0, 18, 17, 8, 6); },
       [] { return CreateRoundRectRgn(2, 0, 18, 17, 8, 6); }},
      {"star alternate", [&](HDC dc) { Polygon(dc, star, 5); }, [&] { return CreatePolygonRgn(star, 5, ALTERNATE); }},
      {"star winding",
       [&](HDC dc) {
         SetPolyFillMode(dc, WINDING);
         Polygon(dc, star, 5);
       },
       [&] { return CreatePolygonRgn(star, 5, WINDING); }},
      {"concave", [&](HDC dc) { Polygon(dc, concave, 5); }, [&] { return CreatePolygonRgn(concave, 5, ALTERNATE); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSurface s(22, 21, 24);
    TTools t(s.DC, CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kBlack));
    c.Draw(s.DC);
    HRGN rgn = c.Make();
    ASSERT_NE(rgn, nullptr);
    int mismatches = 0;
    for (int y = 0; y < s.H; ++y)
      for (int x = 0; x < s.W; ++x) mismatches += (GetPixel(s.DC, x, y) == kBlack) != PtInRegion(rgn, x, y);
    EXPECT_EQ(mismatches, 0);
    DeleteObject(rgn);
  }
}

TEST(GfxDraw, AlternateAndWindingDifferOnAStar) {
  const TPoint star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  int filled[3] = {};
  for (int mode : {ALTERNATE, WINDING}) {
    TSurface s(22, 21, 8);
    TTools t(s.DC, CreatePen(PS_NULL, 1, kBlack), CreateSolidBrush(kBlack));
    SetPolyFillMode(s.DC, mode);
    Polygon(s.DC, star, 5);
    filled[mode] = s.Count(kBlack);
    EXPECT_EQ(GetPixel(s.DC, 10, 11) == kBlack, mode == WINDING);  // the pentagon in the middle
    EXPECT_EQ(GetPixel(s.DC, 10, 3), kBlack);                      // a point of the star
  }
  EXPECT_GT(filled[WINDING], filled[ALTERNATE]);
}

TEST(GfxDraw, ArcsChordsAndPies) {
  TSurface s(21, 21, 24);
  TTools t(s.DC, CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kRed));
  // Upper half, counter-clockwise from the right to the left.
  Pie(s.DC, 0, 0, 21, 21, 20, 10, 0, 10);
  EXPECT_EQ(GetPixel(s.DC, 10, 4), kRed);
  EXPECT_EQ(GetPixel(s.DC, 10, 16), kWhite);
  EXPECT_EQ(GetPixel(s.DC, 10, 0), kBlack);
  EXPECT_EQ(GetPixel(s.DC, 10, 20), kWhite);
  s.Fill(kWhite);
  Arc(s.DC, 0, 0, 21, 21, 20, 10, 0, 10);
  EXPECT_EQ(GetPixel(s.DC, 10, 0), kBlack);
  EXPECT_EQ(GetPixel(s.DC, 10, 20), kWhite);
  EXPECT_EQ(s.Count(kRed), 0);
  s.Fill(kWhite);
  SetArcDirection(s.DC, AD_CLOCKWISE);
  Chord(s.DC, 0, 0, 21, 21, 20, 10, 0, 10);  // now the lower half
  EXPECT_EQ(GetPixel(s.DC, 10, 16), kRed);
  EXPECT_EQ(GetPixel(s.DC, 10, 4), kWhite);
}

// ---- Brushes and fills ---------------------------------------------------------------------

TEST(GfxDraw, HatchPatternsAndBackgroundMode) {
  struct TCase {
    int Hatch;
    std::vector<std::string> Cell;  // 8 x 8 from the brush origin, '#' = line
  };
  const TCase cases[] = {
      {HS_HORIZONTAL, {"........", "........", "........", "........", "........", "........", "........", "########"}},
      {HS_VERTICAL, {".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#"}},
      {HS_FDIAGONAL, {"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.", ".......#"}},
      {HS_BDIAGONAL, {".......#", "......#.", ".....#..", "....#...", "...#....", "..#.....", ".#......", "#......."}},
      {HS_CROSS, {".......#", ".......#", ".......#", ".......#", ".......#", ".......#", ".......#", "########"}},
      {HS_DIAGCROSS, {"#......#", ".#....#.", "..#..#..", "...##...", "...##...", "..#..#..", ".#....#.", "#......#"}},
  };
  for (const TCase& c : cases) {
    for (int mode : {TRANSPARENT, OPAQUE}) {
      SCOPED_TRACE(std::to_string(c.Hatch) + (mode == OPAQUE ? " opaque" : " transparent"));
      TSurface s(16, 16, 8);
      s.Fill(kBlue);
      SetBkMode(s.DC, mode);
      SetBkColor(s.DC, kRed);
      SetBrushOrgEx(s.DC, 3, 2, nullptr);
      HBRUSH b = CreateHatchBrush(c.Hatch, kBlack);
      FillRect(s.DC, TRect{0, 0, 16, 16}, b);
      DeleteObject(b);
      const std::vector<std::string> art = s.Art();
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
          const bool line = c.Cell[size_t((y - 2 + 16) % 8)][size_t((x - 3 + 16) % 8)] == '#';
          const char want = line ? '#' : (mode == OPAQUE ? 'r' : 'b');
          EXPECT_EQ(art[size_t(y)][size_t(x)], want) << x << "," << y;
        }
    }
  }
}

TEST(GfxDraw, FillRectIsAPatternCopy) {
  TSurface s(6, 4, 24);
  TTools t(s.DC, CreatePen(PS_SOLID, 3, kRed), CreateSolidBrush(kRed));
  SetROP2(s.DC, R2_XORPEN);
  HBRUSH black = CreateSolidBrush(kBlack);
  ASSERT_TRUE(FillRect(s.DC, TRect{1, 1, 4, 3}, black));
  ASSERT_TRUE(FillRect(s.DC, TRect{1, 1, 4, 3}, black));  // not undone: no XOR
  EXPECT_EQ(s.Count(kBlack), 6);
  EXPECT_EQ(s.Count(kRed), 0);  // the pen plays no part
  // Right and bottom are exclusive; a reversed rectangle is empty.
  EXPECT_EQ(GetPixel(s.DC, 4, 1), kWhite);
  EXPECT_EQ(GetPixel(s.DC, 1, 3), kWhite);
  ASSERT_TRUE(FillRect(s.DC, TRect{5, 3, 4, 0}, black));
  EXPECT_EQ(s.Count(kBlack), 6);
  // A null brush draws nothing; a system colour index + 1 is a brush.
  FillRect(s.DC, TRect{0, 0, 6, 4}, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(s.Count(kBlack), 6);
  FillRect(s.DC, TRect{0, 0, 1, 1}, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BTNFACE + 1)));
  EXPECT_EQ(GetPixel(s.DC, 0, 0), GetSysColor(COLOR_BTNFACE));
  DeleteObject(black);
}

TEST(GfxDraw, PatternBrushesRepeatFromTheOrigin) {
  // Monochrome pattern: 0 bits in the text colour, 1 bits in the background colour.
  const uint8_t rows[4] = {0x40, 0, 0x80, 0};  // 2 x 2, rows padded to 16 bits: 01 / 10
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, rows);
  HBRUSH b = CreatePatternBrush(mono);
  DeleteObject(mono);  // the brush keeps its own copy
  TSurface s(4, 2, 24);
  SetTextColor(s.DC, kRed);
  SetBkColor(s.DC, kBlue);
  FillRect(s.DC, TRect{0, 0, 4, 2}, b);
  EXPECT_EQ(s.Art(), (std::vector<std::string>{"rbrb", "brbr"}));
  SetBrushOrgEx(s.DC, 1, 0, nullptr);
  FillRect(s.DC, TRect{0, 0, 4, 2}, b);
  EXPECT_EQ(s.Art(), (std::vector<std::string>{"brbr", "rbrb"}));
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(b, sizeof lb, &lb), int32_t(sizeof lb));
  EXPECT_EQ(lb.lbStyle, BS_PATTERN);
  DeleteObject(b);
}

TEST(GfxDraw, FrameInvertAndFocusRectangles) {
  TSurface s(8, 6, 24);
  HBRUSH black = CreateSolidBrush(kBlack);
  FrameRect(s.DC, TRect{1, 1, 7, 5}, black);
  EXPECT_EQ(s.Art(),
            (std::vector<std::string>{"........", ".######.", ".#....#.", ".#....#.", ".######.", "........"}));
  InvertRect(s.DC, TRect{0, 0, 8, 6});
  EXPECT_EQ(s.Art()[1], "#......#");
  InvertRect(s.DC, TRect{0, 0, 8, 6});
  s.Fill(kWhite);
  DrawFocusRect(s.DC, TRect{0, 0, 8, 6});
  EXPECT_EQ(s.Art(),
            (std::vector<std::string>{"#.#.#.#.", ".......#", "#.......", ".......#", "#.......", ".#.#.#.#"}));
  DrawFocusRect(s.DC, TRect{0, 0, 8, 6});
  EXPECT_EQ(s.Count(kWhite), 48);
  DeleteObject(black);
}

TEST(GfxDraw, RegionFills) {
  TSurface s(8, 6, 24);
  HRGN rgn = CreateRectRgn(1, 1, 7, 5);
  HBRUSH black = CreateSolidBrush(kBlack);
  SetViewportOrgEx(s.DC, 1, 0, nullptr);  // regions are logical here
  FrameRgn(s.DC, rgn, black, 2, 1);
  SetViewportOrgEx(s.DC, 0, 0, nullptr);
  EXPECT_EQ(s.Art(),
            (std::vector<std::string>{"........", "..######", "..##..##", "..##..##", "..######", "........"}));
  s.Fill(kWhite);
  FillRgn(s.DC, rgn, black);
  EXPECT_EQ(s.Count(kBlack), 24);
  TTools t(s.DC, CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kWhite));
  SetROP2(s.DC, R2_XORPEN);
  PaintRgn(s.DC, rgn);  // XOR with white: the black pixels turn white
  EXPECT_EQ(s.Count(kWhite), 48);
  DeleteObject(rgn);
  DeleteObject(black);
}

TEST(GfxDraw, FloodFillBothModes) {
  TSurface s(9, 7, 8);
  TTools t(s.DC, CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kRed));
  HBRUSH none = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  HGDIOBJ old = SelectObject(s.DC, none);
  Rectangle(s.DC, 1, 1, 8, 6);  // black frame, inside untouched
  SelectObject(s.DC, old);
  ASSERT_TRUE(ExtFloodFill(s.DC, 4, 3, kBlack, FLOODFILLBORDER));
  EXPECT_EQ(s.Count(kRed), 5 * 3);
  EXPECT_EQ(GetPixel(s.DC, 0, 0), kWhite);
  EXPECT_FALSE(ExtFloodFill(s.DC, 1, 1, kBlack, FLOODFILLBORDER));  // starts on the border
  ASSERT_TRUE(ExtFloodFill(s.DC, 0, 0, kWhite, FLOODFILLSURFACE));
  EXPECT_EQ(s.Count(kWhite), 0);
  EXPECT_FALSE(ExtFloodFill(s.DC, 0, 0, kBlue, FLOODFILLSURFACE));   // not that colour
  EXPECT_FALSE(ExtFloodFill(s.DC, 20, 0, kBlue, FLOODFILLSURFACE));  // outside
}

TEST(GfxDraw, GradientEndsAndSteps) {
  TSurface s(5, 6, 24);
  TRIVERTEX v[2];
  v[0].x = 0, v[0].y = 0, v[0].Red = 0x1000, v[0].Green = 0xFF00, v[0].Blue = 0;
  v[1].x = 5, v[1].y = 6, v[1].Red = 0xF000, v[1].Green = 0x0000, v[1].Blue = 0x6500;
  GRADIENT_RECT r{0, 1};
  ASSERT_TRUE(GradientFill(s.DC, v, 2, &r, 1, GRADIENT_FILL_RECT_V));
  // Rows: c1 + (c2 - c1) * row / 5, truncated.
  const int reds[6] = {16, 60, 105, 150, 195, 240};
  const int greens[6] = {255, 204, 153, 102, 51, 0};
  const int blues[6] = {0, 20, 40, 60, 80, 101};
  for (int y = 0; y < 6; ++y) {
    EXPECT_EQ(GetPixel(s.DC, 0, y), COLORREF(RGB(uint8_t(reds[y]), uint8_t(greens[y]), uint8_t(blues[y])))) << y;
    EXPECT_EQ(GetPixel(s.DC, 4, y), GetPixel(s.DC, 0, y));
  }
  ASSERT_TRUE(GradientFill(s.DC, v, 2, &r, 1, GRADIENT_FILL_RECT_H));
  EXPECT_EQ(GetPixel(s.DC, 0, 3), COLORREF(RGB(16, 255, 0)));
  EXPECT_EQ(GetPixel(s.DC, 4, 3), COLORREF(RGB(240, 0, 101)));
  EXPECT_EQ(GetPixel(s.DC, 2, 0), COLORREF(RGB(128, 128, 50)));
  GRADIENT_RECT bad{0, 2};
  EXPECT_FALSE(GradientFill(s.DC, v, 2, &bad, 1, GRADIENT_FILL_RECT_H));
}

TEST(GfxDraw, EdgesInSystemColours) {
  const COLORREF light = GetSysColor(COLOR_3DLIGHT), dark = GetSysColor(COLOR_3DDKSHADOW);
  const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::map<COLORREF, char> letters = {{light, 'l'},  {dark, 'd'}, {hi, 'h'},
                                            {shadow, 's'}, {face, 'f'}, {kBlue, '.'}};
  struct TCase {
    uint32_t Edge, Flags;
    std::vector<std::string> Art;
  };
  const TCase cases[] = {
      {EDGE_RAISED, BF_RECT | BF_MIDDLE, {"llllld", "lhhhsd", "lhffsd", "lssssd", "dddddd"}},
      {EDGE_SUNKEN, BF_RECT, {"sssssh", "sdddlh", "sd..lh", "sllllh", "hhhhhh"}},
      {EDGE_ETCHED, BF_RECT, {"sssssh", "shhhsh", "sh..sh", "sssssh", "hhhhhh"}},
      {BDR_RAISEDOUTER, BF_LEFT | BF_BOTTOM, {"l.....", "l.....", "l.....", "l.....", "dddddd"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Edge);
    TSurface s(6, 5, 24);
    s.Fill(kBlue);
    TRect r{0, 0, 6, 5};
    ASSERT_TRUE(DrawEdge(s.DC, r, c.Edge, c.Flags));
    EXPECT_EQ(s.Art(letters), c.Art);
  }
  // BF_ADJUST answers the rectangle inside the edges drawn.
  TSurface s(6, 5, 24);
  TRect r{0, 0, 6, 5};
  DrawEdge(s.DC, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, (TRect{2, 2, 4, 3}));
  r = TRect{0, 0, 6, 5};
  DrawEdge(s.DC, r, BDR_RAISEDINNER, BF_LEFT | BF_TOP | BF_ADJUST);
  EXPECT_EQ(r, (TRect{1, 1, 6, 5}));
}

TEST(GfxDraw, PixelsOutsideTheBitmapOrClipAreInvalid) {
  TSurface s(4, 3, 24);
  EXPECT_EQ(SetPixel(s.DC, 1, 1, kRed), kRed);
  EXPECT_EQ(GetPixel(s.DC, 1, 1), kRed);
  EXPECT_EQ(GetPixel(s.DC, -1, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(s.DC, 4, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(s.DC, 0, 3), CLR_INVALID);
  EXPECT_EQ(SetPixel(s.DC, 9, 9, kRed), CLR_INVALID);
  IntersectClipRect(s.DC, 0, 0, 1, 1);
  EXPECT_EQ(GetPixel(s.DC, 1, 1), CLR_INVALID);
  EXPECT_EQ(GetPixel(s.DC, 0, 0), kWhite);
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
  // The nearest colour is what a palette target answers.
  TSurface p(2, 2, 4);
  EXPECT_EQ(SetPixel(p.DC, 0, 0, RGB(250, 10, 5)), kRed);
}

TEST(GfxDraw, IconsMaskedAndAlphaBlended) {
  // 2 x 1 icon: pixel 0 opaque red, pixel 1 transparent (mask 1, image black).
  const uint8_t maskBits[2] = {0x40, 0};
  HBITMAP mask = CreateBitmap(2, 1, 1, 1, maskBits);
  TSurface img(2, 1, 24);
  SetPixel(img.DC, 0, 0, kRed);
  SetPixel(img.DC, 1, 0, kBlack);
  ICONINFO ii;
  ii.hbmMask = mask;
  ii.hbmColor = img.Bmp;
  HICON icon = CreateIconIndirect(ii);
  ASSERT_NE(icon, nullptr);
  TSurface s(4, 2, 24);
  s.Fill(kBlue);
  ASSERT_TRUE(DrawIconEx(s.DC, 1, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(s.Art()[0], "brbb");
  ASSERT_TRUE(DrawIconEx(s.DC, 0, 1, icon, 4, 1, 0, nullptr, DI_MASK));
  EXPECT_EQ(s.Art()[1], "##..");  // stretched 2 -> 4, the mask itself
  EXPECT_FALSE(DeleteObject(icon));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DrawIconEx(s.DC, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));

  // 32-bit alpha: 255 keeps the image, 0 the background, 128 mixes with rounding.
  TSurface a(3, 1, 32);
  auto* px = static_cast<uint32_t*>(a.Bits);
  px[0] = 0xFF0000FF;  // blue, alpha 255
  px[1] = 0x000000FF;  // alpha 0
  px[2] = 0x80FF0000;  // red, alpha 128
  ii.hbmColor = a.Bmp;
  const uint8_t opaque[2] = {0, 0};
  HBITMAP mask3 = CreateBitmap(3, 1, 1, 1, opaque);
  ii.hbmMask = mask3;
  HICON alpha = CreateIconIndirect(ii);
  TSurface t(3, 1, 24);
  DrawIconEx(t.DC, 0, 0, alpha, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(GetPixel(t.DC, 0, 0), kBlue);
  EXPECT_EQ(GetPixel(t.DC, 1, 0), kWhite);
  EXPECT_EQ(GetPixel(t.DC, 2, 0), COLORREF(RGB(255, 127, 127)));
  DestroyIcon(alpha);

  // A mask smaller than the image is taken over where it reaches; the image
  // shows beyond it.
  TSurface wide(4, 1, 24);
  wide.Fill(kRed);
  SetPixel(wide.DC, 1, 0, kBlack);
  ii.hbmColor = wide.Bmp;
  ii.hbmMask = mask;  // 2 x 1: opaque, transparent
  HICON padded = CreateIconIndirect(ii);
  ASSERT_NE(padded, nullptr);
  ICONINFO back;
  ASSERT_TRUE(GetIconInfo(padded, &back));
  BITMAP bm;
  GetObject(back.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 4);
  EXPECT_EQ(bm.bmHeight, 1);
  DeleteObject(back.hbmMask);
  DeleteObject(back.hbmColor);
  TSurface u(4, 1, 24);
  u.Fill(kBlue);
  ASSERT_TRUE(DrawIconEx(u.DC, 0, 0, padded, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(u.Art()[0], "rbrr");
  DestroyIcon(padded);
  DeleteObject(mask);
  DeleteObject(mask3);
}

TEST(GfxDraw, HostileCoordinatesStayCheap) {
  // Huge shapes cost what the clip holds; impossible ones are refused.
  TSurface s(16, 16, 24);
  TTools t(s.DC, CreatePen(PS_SOLID, 5, kBlack), CreateSolidBrush(kRed));
  EXPECT_TRUE(Ellipse(s.DC, -100000000, -100000000, 100000000, 100000000));
  EXPECT_EQ(s.Count(kRed), 256);
  EXPECT_TRUE(Rectangle(s.DC, -100000000, 8, 100000000, 100000000));  // stroke rows 6..10
  EXPECT_EQ(GetPixel(s.DC, 8, 5), kRed);
  EXPECT_EQ(GetPixel(s.DC, 8, 6), kBlack);
  EXPECT_EQ(GetPixel(s.DC, 8, 10), kBlack);
  EXPECT_EQ(GetPixel(s.DC, 8, 11), kRed);
  const TPoint tri[] = {{-100000000, 0}, {100000000, 1}, {0, 100000000}};
  EXPECT_TRUE(Polygon(s.DC, tri, 3));
  MoveToEx(s.DC, -100000000, -100000000, nullptr);
  EXPECT_TRUE(LineTo(s.DC, 100000000, 100000000));
  EXPECT_FALSE(Arc(s.DC, -100000000, -100000000, 100000000, 100000000, 0, 0, 1, 1));
  EXPECT_FALSE(Rectangle(s.DC, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  SetViewportOrgEx(s.DC, INT32_MAX, INT32_MIN, nullptr);
  EXPECT_FALSE(Ellipse(s.DC, INT32_MAX, 0, 0, INT32_MAX));
  EXPECT_EQ(GetPixel(s.DC, INT32_MAX, INT32_MIN), CLR_INVALID);
  TRect box;
  EXPECT_EQ(GetClipBox(s.DC, &box), SIMPLEREGION);
  SetViewportOrgEx(s.DC, 0, 0, nullptr);
  HRGN rgn = CreateRectRgn(-100000000, -100000000, 100000000, 100000000);
  HBRUSH black = CreateSolidBrush(kBlack);
  EXPECT_TRUE(FrameRgn(s.DC, rgn, black, 2000000000, 2000000000));
  EXPECT_EQ(s.Count(kBlack), 256);
  DeleteObject(black);
  DeleteObject(rgn);
  // Stretching from or to huge extents.
  TSurface src(4, 4, 24);
  SetStretchBltMode(s.DC, HALFTONE);
  EXPECT_TRUE(StretchBlt(s.DC, 0, 0, 16, 16, src.DC, -50000000, -50000000, 100000000, 100000000, SRCCOPY));
  EXPECT_TRUE(StretchBlt(s.DC, -50000000, 0, 100000000, 16, src.DC, 0, 0, 4, 4, SRCCOPY));
  SetStretchBltMode(s.DC, COLORONCOLOR);
  EXPECT_TRUE(StretchBlt(s.DC, 0, 0, 16, 16, src.DC, -50000000, -50000000, 100000000, 100000000, SRCCOPY));
}
