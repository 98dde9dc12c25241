#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "imaging/model/pixels/ieblend.h"
#include "imaging/model/processing/imgproc.h"

namespace {

// Every pixel of a 3 x 2 ie24RGB image of one colour goes through Op; the
// result must be one colour again.
struct TOneColourCase {
  const char* Name;
  TRGB In;
  std::function<void(TImgProc&)> Op;
  TRGB Out;
};

TEST(ModelColorAdjust, OneColourResults) {
  const TOneColourCase cases[] = {
      {"gray with 0.3/0.59/0.11 weights (blue)", MakeTRGB(0, 0, 255), [](TImgProc& p) { p.HSLvar(0, -100, 0); },
       MakeTRGB(28, 28, 28)},
      {"gray with 0.3/0.59/0.11 weights (green)", MakeTRGB(0, 255, 0), [](TImgProc& p) { p.HSLvar(0, -100, 0); },
       MakeTRGB(150, 150, 150)},
      {"hue 180 turns red to cyan", MakeTRGB(255, 0, 0), [](TImgProc& p) { p.HSLvar(180, 0, 0); },
       MakeTRGB(0, 255, 255)},
      {"lightness 100 gives white", MakeTRGB(10, 200, 30), [](TImgProc& p) { p.HSLvar(0, 0, 100); },
       MakeTRGB(255, 255, 255)},
      {"HSLvar 0,0,0 changes nothing", MakeTRGB(10, 200, 30), [](TImgProc& p) { p.HSLvar(0, 0, 0); },
       MakeTRGB(10, 200, 30)},
      {"ConvertToGray uses the library weights", MakeTRGB(0, 255, 0), [](TImgProc& p) { p.ConvertToGray(); },
       MakeTRGB(181, 181, 181)},
      {"Contrast 0", MakeTRGB(12, 34, 56), [](TImgProc& p) { p.Contrast(0); }, MakeTRGB(12, 34, 56)},
      {"Contrast on one colour", MakeTRGB(12, 34, 56), [](TImgProc& p) { p.Contrast(57); }, MakeTRGB(12, 34, 56)},
      {"Contrast -900 on one colour", MakeTRGB(12, 34, 56), [](TImgProc& p) { p.Contrast(-900); },
       MakeTRGB(12, 34, 56)},
      {"IntensityRGBall limits", MakeTRGB(250, 5, 100), [](TImgProc& p) { p.IntensityRGBall(10, -10, 2000000000); },
       MakeTRGB(255, 0, 255)},
      {"Negative", MakeTRGB(0, 100, 255), [](TImgProc& p) { p.Negative(); }, MakeTRGB(255, 155, 0)},
      {"Negative twice", MakeTRGB(1, 100, 254), [](TImgProc& p) { p.Negative(), p.Negative(); }, MakeTRGB(1, 100, 254)},
      {"GammaCorrect 1,7 is the identity", MakeTRGB(3, 128, 250), [](TImgProc& p) { p.GammaCorrect(1, 7); },
       MakeTRGB(3, 128, 250)},
      {"GammaCorrect 2,1 changes only red", MakeTRGB(100, 100, 100), [](TImgProc& p) { p.GammaCorrect(2, 1); },
       MakeTRGB(160, 100, 100)},
      {"GammaCorrect 0 changes nothing", MakeTRGB(100, 0, 255), [](TImgProc& p) { p.GammaCorrect(0, 7); },
       MakeTRGB(100, 0, 255)},
      {"GammaCorrect NaN changes nothing", MakeTRGB(100, 0, 255), [](TImgProc& p) { p.GammaCorrect(std::nan(""), 7); },
       MakeTRGB(100, 0, 255)},
      {"GammaCorrect negative saturates", MakeTRGB(0, 255, 51), [](TImgProc& p) { p.GammaCorrect(-1, 7); },
       MakeTRGB(255, 255, 255)},
  };
  for (const auto& c : cases) {
    TImgProc proc(nullptr);
    TIEBitmap& b = *proc.IEBitmap();
    b.Allocate(3, 2, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3; ++x) *b.PixelRGB(x, y) = c.In;
    c.Op(proc);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3; ++x) {
        const TRGB got = *b.PixelRGB(x, y);
        EXPECT_EQ(got, c.Out) << c.Name << ": got " << int(got.r) << "," << int(got.g) << "," << int(got.b);
      }
  }
}

TEST(ModelColorAdjust, Routines) {
  double h, s, l;
  RGBToHSL(0x0000FF, h, s, l);
  EXPECT_DOUBLE_EQ(h, 2.0 / 3);
  EXPECT_DOUBLE_EQ(s, 1);
  EXPECT_DOUBLE_EQ(l, 0.5);

  struct {
    int32_t H, S, V;
    TRGB Out;
  } hsv[] = {
      {0, 99, 99, MakeTRGB(255, 0, 0)},   {-10, 99, 99, MakeTRGB(255, 0, 44)},  {350, 99, 99, MakeTRGB(255, 0, 44)},
      {120, 99, 99, MakeTRGB(0, 255, 0)}, {30, 150, 99, MakeTRGB(255, 129, 0)}, {10, 0, 50, MakeTRGB(129, 129, 129)},
  };
  for (const auto& c : hsv) {
    TRGB p;
    HSVToRGB(p, c.H, c.S, c.V);
    EXPECT_EQ(p, c.Out) << c.H << " " << c.S << " " << c.V << ": " << int(p.r) << "," << int(p.g) << "," << int(p.b);
  }

  // Row means are integer-divided first: a row of one white and one black
  // pixel averages 127.
  TIEBitmap bw;
  bw.Allocate(2, 3, TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 3; ++y) static_cast<uint8_t*>(bw.ScanLine(y))[0] = 0x80;
  int32_t r, g, b;
  AverageColor(&bw, r, g, b);
  EXPECT_EQ(r, 127);
  EXPECT_EQ(g, 127);
  EXPECT_EQ(b, 127);
}

TEST(ModelColorAdjust, ContrastAroundTheMean) {
  // Two columns 149 and 151 (mean 150). A distance of -1 times 1.5 truncates
  // toward zero (-1), not down (-2); Value 60 doubles every distance.
  struct {
    int32_t Value, Left, Right;
  } cases[] = {{30, 149, 151}, {60, 148, 152}, {-900, 150, 150}, {0, 149, 151}};
  for (const auto& c : cases) {
    TImgProc proc(nullptr);
    TIEBitmap& b = *proc.IEBitmap();
    b.Allocate(2, 2, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 2; ++y) {
      *b.PixelRGB(0, y) = MakeTRGB(149, 149, 149);
      *b.PixelRGB(1, y) = MakeTRGB(151, 151, 151);
    }
    proc.Contrast(c.Value);
    EXPECT_EQ(b.PixelRGB(0, 1)->g, c.Left) << c.Value;
    EXPECT_EQ(b.PixelRGB(1, 1)->r, c.Right) << c.Value;
  }
}

TEST(ModelColorAdjust, NegativeOtherFormats) {
  TImgProc proc(nullptr);
  TIEBitmap& b = *proc.IEBitmap();
  b.Allocate(2, 2, TIEPixelFormat::ie8p);
  b.SetPaletteColor(0, MakeTRGB(10, 20, 30));
  b.SetPixel8(1, 1, 7);
  proc.Negative();
  TRGB c;
  b.GetPaletteColor(0, c);
  EXPECT_EQ(c, MakeTRGB(245, 235, 225));
  EXPECT_EQ(b.GetPixel8(1, 1), 7);

  b.Allocate(11, 2, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(b.ScanLine(0))[0] = 0xF0;
  proc.Negative();
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[0], 0x0F);
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[1] & 0xE0, 0xE0);
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[1] & 0x1F, 0);  // beyond the width

  b.Allocate(2, 2, TIEPixelFormat::ie16g);
  b.SetPixel16(0, 0, 1000);
  proc.Negative();
  EXPECT_EQ(b.GetPixel16(0, 0), 64535);

  b.Allocate(2, 2, TIEPixelFormat::ieCMYK);
  b.SetPixelCMYK(1, 0, IERGBToCMYK(MakeTRGB(200, 100, 0)));
  proc.Negative();
  // Stored as CMYK the colour reads (200, 99, 0); inverted through RGB.
  EXPECT_EQ(IECMYKToRGB(b.GetPixelCMYK(1, 0)), MakeTRGB(55, 156, 255));
}

TEST(ModelColorAdjust, GammaLeavesNarrowFormatsAlone) {
  for (TIEPixelFormat pf : {TIEPixelFormat::ie8g, TIEPixelFormat::ie1g}) {
    TImgProc proc(nullptr);
    TIEBitmap& b = *proc.IEBitmap();
    b.Allocate(3, 3, pf);
    for (int32_t y = 0; y < 3; ++y) static_cast<uint8_t*>(b.ScanLine(y))[0] = 0x5A;
    proc.GammaCorrect(2.2, 7);
    EXPECT_EQ(proc.UndoCount(), 1);  // the entry is stored all the same
    for (int32_t y = 0; y < 3; ++y) {
      const auto* row = static_cast<const uint8_t*>(b.ScanLine(y));
      EXPECT_EQ(row[0], 0x5A);
      for (int32_t i = 1; i < b.RowLen(); ++i) EXPECT_EQ(row[i], 0);
    }
  }
}

TEST(ModelColorAdjust, SetTransparentColors) {
  TImgProc proc(nullptr);
  TIEBitmap& b = *proc.IEBitmap();
  b.Allocate(3, 2, TIEPixelFormat::ie24RGB);
  b.Fill(0xFFFFFF);
  *b.PixelRGB(1, 0) = MakeTRGB(255, 255, 254);
  *b.PixelRGB(2, 1) = MakeTRGB(0, 0, 0);
  const TRGB white = MakeTRGB(255, 255, 255);
  proc.SetTransparentColors(white, white, 0);
  EXPECT_EQ(proc.UndoCaptions(0), "SetTransparentColors");
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      const bool isWhite = *b.PixelRGB(x, y) == white;
      EXPECT_EQ(b.GetAlpha(x, y), isWhite ? 0 : 255) << x << "," << y;
    }
  EXPECT_FALSE(b.AlphaChannel()->Full());

  // ie1g: MinColor's red byte picks black (0) or white pixels.
  b.Allocate(8, 2, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(b.ScanLine(1))[0] = 0x0F;
  proc.SetTransparentColors(MakeTRGB(0, 9, 9), white, 3);
  EXPECT_EQ(b.GetAlpha(0, 1), 3);
  EXPECT_EQ(b.GetAlpha(7, 1), 255);
  EXPECT_EQ(b.GetAlpha(7, 0), 3);

  // ie8g: only an all-opaque alpha channel appears.
  b.Allocate(4, 4, TIEPixelFormat::ie8g);
  b.Fill(255);
  proc.SetTransparentColors(white, white, 0);
  ASSERT_TRUE(b.HasAlphaChannel());
  EXPECT_TRUE(b.AlphaChannel()->Full());
  EXPECT_EQ(b.GetPixel8(2, 2), 255);
  EXPECT_EQ(b.GetAlpha(2, 2), 255);
}

}  // namespace
