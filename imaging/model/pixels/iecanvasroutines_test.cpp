#include "imaging/model/pixels/iecanvasroutines.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/gui/graphics.h"

namespace {

std::unique_ptr<TBitmap> Surface(int32_t W, int32_t H, TColor Fill = clWhite) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(Fill);
  b->Canvas()->FillRect(Rect(0, 0, W, H));
  return b;
}

}  // namespace

TEST(ModelCanvasRoutines, PixelAndThreeDRect) {
  auto s = Surface(12, 10);
  TCanvas* c = s->Canvas();
  c->Pen()->SetWidth(3);
  IEDrawPixel(c, 4, 5, clRed);
  EXPECT_EQ(c->Pen()->Width(), 1);
  EXPECT_EQ(c->Pixels(4, 5), clRed);
  EXPECT_EQ(c->Pixels(5, 5), clWhite);
  EXPECT_EQ(c->Pixels(3, 5), clWhite);

  c->Pen()->SetMode(TPenMode::pmXor);
  IEDraw3DRect(c, 2, 1, 8, 6, clLime, clBlue);
  EXPECT_EQ(c->Pen()->Mode(), TPenMode::pmCopy);
  // Top-left colour on the left and top edges, bottom-right colour on the
  // bottom and right edges; lines leave out their last point.
  EXPECT_EQ(c->Pixels(2, 3), clLime);
  EXPECT_EQ(c->Pixels(2, 1), clLime);
  EXPECT_EQ(c->Pixels(5, 1), clLime);
  EXPECT_EQ(c->Pixels(7, 1), clLime);
  EXPECT_EQ(c->Pixels(2, 6), clBlue);
  EXPECT_EQ(c->Pixels(5, 6), clBlue);
  EXPECT_EQ(c->Pixels(8, 6), clBlue);
  EXPECT_EQ(c->Pixels(8, 3), clBlue);
  EXPECT_EQ(c->Pixels(8, 2), clBlue);
  EXPECT_EQ(c->Pixels(8, 1), clWhite);
  EXPECT_EQ(c->Pixels(5, 3), clWhite);
}

TEST(ModelCanvasRoutines, ShadowStrips) {
  // Kind 1 fills with the brush; kind 2 darkens the colour towards the
  // picture; kind 3 fades to white away from it; other kinds draw nothing.
  auto s = Surface(30, 40);
  TCanvas* c = s->Canvas();
  c->Brush()->SetColor(clGray);
  IEDrawRightShadow(c, 20, 0, 25, 30, 1, clBlack);
  EXPECT_EQ(c->Pixels(20, 6), clGray);
  EXPECT_EQ(c->Pixels(24, 30), clGray);
  EXPECT_EQ(c->Pixels(20, 5), clWhite);
  EXPECT_EQ(c->Pixels(25, 10), clWhite);

  s = Surface(30, 40);
  c = s->Canvas();
  IEDrawRightShadow(c, 0, 0, 5, 30, 2, RGB(200, 100, 50));
  // Column i = 0: t = 3, e = exp(-1.6); column 5: t = 0.5, e = exp(-0.141...).
  EXPECT_EQ(c->Pixels(0, 10), RGB(40, 20, 10));
  EXPECT_EQ(c->Pixels(5, 10), RGB(173, 86, 43));
  EXPECT_EQ(c->Pixels(0, 5), clWhite);  // starts at Y1 + w

  s = Surface(40, 30);
  c = s->Canvas();
  IEDrawBottomShadow(c, 0, 0, 30, 5, 2, RGB(200, 100, 50));
  EXPECT_EQ(c->Pixels(10, 0), RGB(40, 20, 10));
  EXPECT_EQ(c->Pixels(10, 5), RGB(173, 86, 43));

  s = Surface(30, 40);
  c = s->Canvas();
  IEDrawRightShadow(c, 0, 0, 5, 20, 3, clBlack);
  const auto level = [&](int32_t x, int32_t y) { return GetRValue(c->Pixels(x, y)); };
  // Row 10: m = 61; column 0 gives 93, column 5 gives 215.
  EXPECT_EQ(level(0, 10), 93);
  EXPECT_EQ(level(5, 10), 215);
  EXPECT_GE(level(6, 0), 254);
  EXPECT_EQ(c->Pixels(4, 21), clWhite);  // the last row j = h starts at column k = 5
  EXPECT_EQ(level(5, 21), 215);

  s = Surface(10, 10);
  IEDrawRightShadow(s->Canvas(), 0, 0, 5, 5, 4, clBlack);
  IEDrawBottomShadow(s->Canvas(), 5, 5, 0, 0, 2, clBlack);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) ASSERT_EQ(s->Canvas()->Pixels(x, y), clWhite);
}

TEST(ModelCanvasRoutines, HintBoxSavesWhatItCovers) {
  auto s = Surface(120, 60);
  TCanvas* c = s->Canvas();
  for (int32_t y = 0; y < 60; ++y)
    for (int32_t x = 0; x < 120; ++x) c->SetPixels(x, y, RGB(uint8_t(x * 2), uint8_t(y * 4), 77));
  const auto before = Surface(120, 60);
  before->Canvas()->CopyRect(Rect(0, 0, 120, 60), c, Rect(0, 0, 120, 60));

  TFont font;
  font.SetName("Liberation Sans");
  font.SetHeight(-12);
  TBrush brush;
  brush.SetColor(clYellow);
  TBitmap saved;
  int32_t x = 100, y = -5;
  IEDrawHintBox(c, x, y, "Tip", &font, &brush, &saved, 120, 60, clGray, clWhite);
  const int32_t w = c->TextWidth("Tip") + 12, h = c->TextHeight("Tip") + 12;
  EXPECT_EQ(x, 120 - w - 1);  // moved inside
  EXPECT_EQ(y, 0);
  ASSERT_EQ(saved.Width(), w);
  ASSERT_EQ(saved.Height(), h);
  EXPECT_EQ(saved.PixelFormat(), TPixelFormat::pf24bit);
  for (int32_t j = 0; j < h; ++j)
    for (int32_t i = 0; i < w; ++i)
      ASSERT_EQ(saved.Canvas()->Pixels(i, j), before->Canvas()->Pixels(x + i, y + j)) << i << "," << j;
  EXPECT_EQ(c->Pixels(x + 7, y + 8), clYellow);  // the box
  EXPECT_EQ(c->Pixels(x + 6, y + 10), clWhite);  // its frame, top-left colour
  EXPECT_EQ(c->Pixels(x + w - 1, y + 10), clGray);
  EXPECT_EQ(c->Pixels(x + 2, y + 2), before->Canvas()->Pixels(x + 2, y + 2));  // the margin is left alone
}

TEST(ModelCanvasRoutines, LogFontStyles) {
  EXPECT_TRUE(IELogFontStyles(nullptr).Empty());
  LOGFONT f;
  f.lfWeight = FW_SEMIBOLD;
  EXPECT_TRUE(IELogFontStyles(&f).Empty());
  f.lfWeight = FW_BOLD;
  f.lfStrikeOut = 1;
  EXPECT_EQ(IELogFontStyles(&f), (TFontStyles{TFontStyle::fsBold, TFontStyle::fsStrikeOut}));
  f.lfWeight = FW_NORMAL;
  f.lfItalic = 1;
  f.lfUnderline = 1;
  f.lfStrikeOut = 0;
  EXPECT_EQ(IELogFontStyles(&f), (TFontStyles{TFontStyle::fsItalic, TFontStyle::fsUnderline}));
}
