#include "skin/controls/base/glyphlayout.h"

#include <gtest/gtest.h>

#include "platform/gui/text.h"
#include "platform/vcl/imglist.h"
#include "skin/controls/testkit/skinkit.h"

namespace {

using L = TbsButtonLayout;

struct TLayoutCase {
  L Layout;
  int32_t Margin, GW, GH, TW, TH;
  TPoint Glyph, Text;
};

// R (0, 0, 100, 50), spacing 4: centre (50, 25).
TEST(SkinGlyph, CalcButtonLayoutTable) {
  const TLayoutCase cases[] = {
      {L::blGlyphLeft, 0, 16, 16, 40, 14, {0, 17}, {20, 18}},
      {L::blGlyphRight, 0, 16, 16, 40, 14, {84, 17}, {40, 18}},
      {L::blGlyphTop, 0, 16, 16, 40, 14, {42, 0}, {30, 20}},
      {L::blGlyphBottom, 0, 16, 16, 40, 14, {42, 34}, {30, 16}},
      {L::blGlyphLeft, 5, 16, 16, 40, 14, {5, 17}, {25, 18}},
      {L::blGlyphRight, 5, 16, 16, 40, 14, {79, 17}, {35, 18}},
      {L::blGlyphTop, 5, 16, 16, 40, 14, {42, 5}, {30, 25}},
      {L::blGlyphBottom, 5, 16, 16, 40, 14, {42, 29}, {30, 11}},
      {L::blGlyphLeft, -1, 16, 16, 40, 14, {20, 17}, {40, 18}},
      {L::blGlyphRight, -1, 16, 16, 40, 14, {64, 17}, {20, 18}},
      {L::blGlyphTop, -1, 16, 16, 40, 14, {42, 8}, {30, 28}},
      {L::blGlyphBottom, -1, 16, 16, 40, 14, {42, 26}, {30, 8}},
      // The spacing counts in the block when one of the two is missing.
      {L::blGlyphLeft, -1, 0, 0, 40, 14, {28, 25}, {32, 18}},
      {L::blGlyphLeft, -1, 16, 16, 0, 0, {40, 17}, {60, 25}},
      // Odd sizes halve toward zero.
      {L::blGlyphTop, -1, 15, 15, 31, 13, {43, 9}, {35, 28}},
  };
  for (const TLayoutCase& c : cases) {
    TPoint g, t;
    CalcButtonLayout(c.Layout, TRect{0, 0, 100, 50}, c.GW, c.GH, c.TW, c.TH, c.Margin, 4, g, t);
    EXPECT_EQ(g, c.Glyph) << int(c.Layout) << " margin " << c.Margin << " gw " << c.GW;
    EXPECT_EQ(t, c.Text) << int(c.Layout) << " margin " << c.Margin << " tw " << c.TW;
  }
}

TEST(SkinGlyph, GlyphNumTable) {
  struct {
    bool Down, MouseIn;
    int32_t Num;
    bool Enabled;
    int32_t Expected;
  } cases[] = {
      {true, true, 3, true, 3},    {true, true, 2, true, 1},   {false, true, 4, true, 4},
      {false, true, 3, true, 1},   {true, true, 4, false, 3},  {false, false, 2, false, 2},
      {false, false, 1, false, 1}, {false, true, 3, false, 2}, {true, false, 4, true, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GlyphNumFor(c.Down, c.MouseIn, c.Num, c.Enabled), c.Expected)
        << c.Down << c.MouseIn << " " << c.Num << " " << c.Enabled;
}

std::unique_ptr<TBitmap> WhiteCanvas(int32_t W, int32_t H) {
  auto B = std::make_unique<TBitmap>();
  B->SetPixelFormat(TPixelFormat::pf24bit);
  B->SetSize(W, H);
  B->Canvas()->Brush()->SetColor(SkinKit::Rgb(255, 255, 255));
  B->Canvas()->FillRect(TRect{0, 0, W, H});
  B->Canvas()->Font()->SetName("Arial");
  B->Canvas()->Font()->SetHeight(14);
  B->Canvas()->Font()->SetColor(TColor(0));
  return B;
}

// Pixels of text drawn in black on white: anything not white.
int32_t CountInk(TBitmap* B, const TRect& R) {
  int32_t n = 0;
  for (int32_t y = R.Top; y < R.Bottom; ++y)
    for (int32_t x = R.Left; x < R.Right; ++x)
      if (B->Canvas()->Pixels(x, y) != SkinKit::Rgb(255, 255, 255)) ++n;
  return n;
}

int32_t CountColor(TBitmap* B, const TRect& R, TColor C) {
  int32_t n = 0;
  for (int32_t y = R.Top; y < R.Bottom; ++y)
    for (int32_t x = R.Left; x < R.Right; ++x)
      if (B->Canvas()->Pixels(x, y) == C) ++n;
  return n;
}

// A caption too wide for the room beside the picture wraps into lines,
// each drawn; the picture stands at its layout point.
TEST(SkinGlyph, WrappedCaptionBesideGlyphStrip) {
  auto B = WhiteCanvas(70, 80);
  TBitmap strip;
  strip.SetPixelFormat(TPixelFormat::pf24bit);
  strip.SetSize(32, 16);
  strip.Canvas()->Brush()->SetColor(SkinKit::Rgb(0, 0, 255));
  strip.Canvas()->FillRect(TRect{0, 0, 16, 16});
  strip.Canvas()->Brush()->SetColor(SkinKit::Rgb(0, 255, 0));
  strip.Canvas()->FillRect(TRect{16, 0, 32, 16});
  // Each image's bottom-left pixel gives its transparent colour.
  strip.Canvas()->SetPixels(0, 15, SkinKit::Rgb(255, 0, 255));
  strip.Canvas()->SetPixels(16, 15, SkinKit::Rgb(255, 0, 255));
  const String caption = "alpha beta gamma";
  DrawGlyphAndText(B->Canvas(), TRect{0, 0, 70, 80}, 0, 2, L::blGlyphLeft, caption, &strip, 2, 2, false);
  // Strip image 2 at (0, 40 - 8).
  EXPECT_EQ(B->Canvas()->Pixels(5, 35), SkinKit::Rgb(0, 255, 0));
  TRect measured{0, 0, 70 - 16, 80};
  DrawText(B->Canvas()->Handle(), caption.c_str(), int32_t(caption.size()), &measured,
           DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
  const int32_t line = B->Canvas()->TextHeight("Ag");
  ASSERT_GE(measured.Height(), 2 * line) << "measured with word breaks in 54 pixels";
  const int32_t top = 40 - measured.Height() / 2;
  EXPECT_GT(CountInk(B.get(), TRect{18, top, 70, top + line}), 0);
  EXPECT_GT(CountInk(B.get(), TRect{18, top + line, 70, top + 2 * line}), 0);
  EXPECT_EQ(CountInk(B.get(), TRect{0, 0, 70, top - 1}), 0);
}

// An image index beyond the list draws no picture and lays the caption out
// as without a list; a valid one draws the picture and moves the caption.
TEST(SkinGlyph, ImageIndexOutOfRangeLaysOutWithoutPicture) {
  TCustomImageList list(nullptr, 16, 16);
  TBitmap image;
  image.SetPixelFormat(TPixelFormat::pf24bit);
  image.SetSize(16, 16);
  image.Canvas()->Brush()->SetColor(SkinKit::Rgb(0, 0, 255));
  image.Canvas()->FillRect(TRect{0, 0, 16, 16});
  list.Add(&image, nullptr);
  auto draw = [&](int32_t Index, TCustomImageList* List) {
    auto B = WhiteCanvas(100, 30);
    DrawImageAndText(B->Canvas(), TRect{0, 0, 100, 30}, -1, 4, L::blGlyphLeft, "Go", Index, List, false, true);
    return B;
  };
  auto beyond = draw(1, &list), none = draw(0, nullptr), valid = draw(0, &list);
  EXPECT_EQ(CountColor(beyond.get(), TRect{0, 0, 100, 30}, SkinKit::Rgb(0, 0, 255)), 0);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 100; ++x)
      ASSERT_EQ(beyond->Canvas()->Pixels(x, y), none->Canvas()->Pixels(x, y)) << x << "," << y;
  EXPECT_EQ(CountColor(valid.get(), TRect{0, 0, 100, 30}, SkinKit::Rgb(0, 0, 255)), 256);
  // Pressed: one pixel right and down.
  auto down = WhiteCanvas(100, 30);
  DrawImageAndText(down->Canvas(), TRect{0, 0, 100, 30}, 0, 4, L::blGlyphLeft, "", 0, &list, true, true);
  EXPECT_EQ(down->Canvas()->Pixels(0, 7), SkinKit::Rgb(255, 255, 255));
  EXPECT_EQ(down->Canvas()->Pixels(1, 8), SkinKit::Rgb(0, 0, 255));
}

}  // namespace
