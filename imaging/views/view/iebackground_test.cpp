#include "imaging/views/view/iebackground.h"

#include <gtest/gtest.h>

#include "platform/gui/canvas.h"
#include "platform/gui/syscolors.h"
#include "platform/gui/win_readback.h"
#include "platform/gui/windows.h"

namespace {

constexpr TColor kBack = TColor(0x203040);  // RGB(0x40, 0x30, 0x20)

std::unique_ptr<TBitmap> Canvas24(int32_t W, int32_t H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(clFuchsia);
  b->Canvas()->FillRect(TRect{0, 0, W, H});
  return b;
}

void Draw(TBitmap* B, TIEBackgroundStyle Style, TColor Colour, const TRect& Image = TRect{0, 0, 0, 0},
          bool UseRows = true, TBrushStyle Chess = TBrushStyle::bsSolid, TPicture* WallPaper = nullptr,
          TIEWallPaperStyle WallStyle = TIEWallPaperStyle::iewoNormal) {
  IEDrawBackground(TComponentState{}, B->Canvas(), UseRows ? B : nullptr, Style, Colour, 0, 0, B->Width(), B->Height(),
                   Image.Left, Image.Top, Image.Right, Image.Bottom, 16, Chess, clBlue, WallPaper, WallStyle);
}

TColor At(TBitmap* B, int32_t X, int32_t Y) { return B->Canvas()->Pixels(X, Y); }
TColor Rgb(TColor C) { return TColor(ColorToRGB(C)); }

TEST(IEBackground, ChessboardStartsWithTheBackgroundInRowsAndWithTheComplementOnTheCanvas) {
  for (TColor colour : {kBack, clBtnFace}) {
    const TColor first = Rgb(colour), second = TColor(~ColorToRGB(colour) & 0xFFFFFF);
    auto b = Canvas24(40, 40);
    Draw(b.get(), TIEBackgroundStyle::iebsChessboard, colour);
    SavePng(*b, "iebackground_chessboard.png");
    EXPECT_EQ(At(b.get(), 0, 0), first);
    EXPECT_EQ(At(b.get(), 15, 15), first);
    EXPECT_EQ(At(b.get(), 16, 0), second);
    EXPECT_EQ(At(b.get(), 0, 16), second);
    EXPECT_EQ(At(b.get(), 16, 16), first);
    EXPECT_EQ(At(b.get(), 39, 39), first) << "the cut last square";

    Draw(b.get(), TIEBackgroundStyle::iebsChessboard, colour, {}, false);
    EXPECT_EQ(At(b.get(), 0, 0), second) << "the canvas path starts with the complement";
    EXPECT_EQ(At(b.get(), 16, 0), first);
  }
}

TEST(IEBackground, PlainStylesFillWithTheirBrush) {
  struct Case {
    TIEBackgroundStyle Style;
    TPoint Line, Gap;  // a pixel on a hatch line, one off it
  };
  using S = TIEBackgroundStyle;
  const Case cases[] = {
      {S::iebsSolid, {3, 3}, {3, 3}},     {S::iebsHorizontal, {2, 7}, {2, 6}}, {S::iebsVertical, {7, 2}, {6, 2}},
      {S::iebsFDiagonal, {3, 3}, {3, 4}}, {S::iebsBDiagonal, {3, 4}, {3, 3}},  {S::iebsCross, {7, 2}, {2, 2}},
      {S::iebsDiagCross, {2, 5}, {2, 4}},
  };
  for (const Case& c : cases) {
    auto b = Canvas24(24, 24);
    Draw(b.get(), c.Style, kBack);
    EXPECT_EQ(At(b.get(), c.Line.X, c.Line.Y), kBack) << int(c.Style);
    EXPECT_EQ(At(b.get(), c.Line.X + 8, c.Line.Y + 8), kBack) << int(c.Style) << " aligned to (0, 0)";
    if (c.Style != S::iebsSolid) {
      EXPECT_NE(At(b.get(), c.Gap.X, c.Gap.Y), kBack) << int(c.Style);
    }
  }
  auto b = Canvas24(8, 8);
  Draw(b.get(), static_cast<TIEBackgroundStyle>(12), kBack);
  EXPECT_EQ(At(b.get(), 3, 3), clFuchsia) << "an unknown style draws nothing";
}

TEST(IEBackground, DiagonalsCroppedShadowAndGradient) {
  const TColor complement = TColor(~ColorToRGB(kBack) & 0xFFFFFF);
  auto b = Canvas24(40, 40);
  Draw(b.get(), TIEBackgroundStyle::iebsDiagonals, kBack);
  SavePng(*b, "iebackground_diagonals.png");
  EXPECT_EQ(At(b.get(), 10, 10), complement);
  EXPECT_EQ(At(b.get(), 30, 10), complement);
  EXPECT_EQ(At(b.get(), 10, 11), kBack);

  const TRect image{10, 10, 30, 30};
  Draw(b.get(), TIEBackgroundStyle::iebsCropped, kBack, image);
  SavePng(*b, "iebackground_cropped.png");
  const int32_t ex = GetSystemMetrics(SM_CXEDGE);
  EXPECT_EQ(At(b.get(), 0, 0), Rgb(clBtnFace)) << "button face, not the background";
  EXPECT_EQ(At(b.get(), 10 - ex, 20), Rgb(clBtnShadow)) << "the sunken edge outside the image";
  EXPECT_EQ(At(b.get(), 29 + ex, 20), Rgb(clBtnHighlight));
  EXPECT_EQ(At(b.get(), 20, 20), Rgb(clBtnFace));

  Draw(b.get(), TIEBackgroundStyle::iebsCropShadow, clWhite, image);
  SavePng(*b, "iebackground_cropshadow.png");
  EXPECT_EQ(At(b.get(), 5, 5), clWhite);
  const auto dark = [&](int32_t X, int32_t Y) { return (ColorToRGB(At(b.get(), X, Y)) & 0xFF) < 0xFF; };
  EXPECT_TRUE(dark(30, 20)) << "strip right of the image";
  EXPECT_TRUE(dark(20, 30)) << "strip below it";
  EXPECT_FALSE(dark(36, 20));
  EXPECT_FALSE(dark(20, 36));

  Draw(b.get(), TIEBackgroundStyle::iebsGradient, clRed);
  SavePng(*b, "iebackground_gradient.png");
  EXPECT_EQ(At(b.get(), 0, 0), clRed);
  EXPECT_EQ(At(b.get(), 39, 39), clBlue);
  EXPECT_EQ(At(b.get(), 5, 20), At(b.get(), 30, 20)) << "vertical: rows are uniform";
  EXPECT_TRUE(IEGradientFillRect(TRect{0, 0, 4, 4}, b->Canvas()->Handle(), clRed, clBlue, false));
}

TEST(IEBackground, WallPaperStyles) {
  TPicture paper;
  auto tile = Canvas24(10, 10);
  tile->Canvas()->Brush()->SetColor(clLime);
  tile->Canvas()->FillRect(TRect{0, 0, 1, 1});
  paper.SetBitmap(tile.get());

  auto b = Canvas24(25, 25);
  Draw(b.get(), TIEBackgroundStyle::iebsSolid, kBack, {}, true, TBrushStyle::bsSolid, &paper,
       TIEWallPaperStyle::iewoTile);
  SavePng(*b, "iebackground_tile.png");
  for (int32_t y : {0, 10, 20})
    for (int32_t x : {0, 10, 20}) EXPECT_EQ(At(b.get(), x, y), clLime) << x << "," << y;
  EXPECT_EQ(At(b.get(), 21, 21), clFuchsia) << "the tile's own pixels";

  Draw(b.get(), TIEBackgroundStyle::iebsSolid, kBack, {}, true, TBrushStyle::bsSolid, &paper,
       TIEWallPaperStyle::iewoNormal);
  EXPECT_EQ(At(b.get(), 0, 0), clLime);
  EXPECT_EQ(At(b.get(), 10, 10), kBack);

  Draw(b.get(), TIEBackgroundStyle::iebsSolid, kBack, {}, true, TBrushStyle::bsSolid, &paper,
       TIEWallPaperStyle::iewoStretch);
  EXPECT_EQ(At(b.get(), 1, 1), clLime) << "the first pixel stretched to 2.5";
  EXPECT_EQ(At(b.get(), 24, 24), clFuchsia);

  auto empty = std::make_unique<TBitmap>();
  empty->SetPixelFormat(TPixelFormat::pf24bit);
  empty->SetSize(0, 10);
  paper.SetBitmap(empty.get());
  Draw(b.get(), TIEBackgroundStyle::iebsSolid, kBack, {}, true, TBrushStyle::bsSolid, &paper,
       TIEWallPaperStyle::iewoTile);
  EXPECT_EQ(At(b.get(), 0, 0), kBack) << "an empty tile draws nothing and returns";
}

}  // namespace
