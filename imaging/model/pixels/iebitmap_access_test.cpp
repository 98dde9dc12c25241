#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/pixels_testing.h"

namespace {

using PF = TIEPixelFormat;

void Place(TIEBitmap& B, bool InFile) {
  if (InFile)
    PreferFile(B);
  else
    PreferMemory(B);
}

}  // namespace

using ModelPixelAccess = PixelsTempDirTest;
using ModelAlphaRoutines = PixelsTempDirTest;

// Every setter writes where its getter reads, in memory and in a file, and
// neighbouring pixels keep their values.
TEST_F(ModelPixelAccess, SettersAndGettersMeetInEveryLocation) {
  for (bool inFile : {false, true}) {
    SCOPED_TRACE(inFile ? "file" : "memory");
    TIEBitmap b8, b16, bf, bc, b24, b48;
    for (TIEBitmap* b : {&b8, &b16, &bf, &bc, &b24, &b48}) Place(*b, inFile);
    b8.Allocate(5, 4, PF::ie8g);
    b16.Allocate(5, 4, PF::ie16g);
    bf.Allocate(5, 4, PF::ie32f);
    bc.Allocate(5, 4, PF::ieCMYK);
    b24.Allocate(5, 4, PF::ie24RGB);
    b48.Allocate(5, 4, PF::ieRGB48);
    ASSERT_EQ(b8.Location(), inFile ? TIELocation::ieFile : TIELocation::ieMemory);

    b8.SetPixel8(4, 3, 0xA5);
    b16.SetPixel16(3, 2, 0xBEEF);
    bf.SetPixelFloat(2, 1, 0.25);
    bc.SetPixelCMYK(1, 0, TCMYK{1, 2, 3, 4});
    b24.PixelRGB(0, 3)->g = 77;
    b48.SetPixelRGB48(4, 0, TRGB48{1000, 2000, 3000});

    EXPECT_EQ(b8.GetPixel8(4, 3), 0xA5);
    EXPECT_EQ(b8.GetPixel8(3, 3), 0);
    EXPECT_EQ(b16.GetPixel16(3, 2), 0xBEEF);
    EXPECT_EQ(b16.GetPixel16(4, 2), 0);
    EXPECT_EQ(bf.GetPixelFloat(2, 1), 0.25);
    EXPECT_EQ(bc.GetPixelCMYK(1, 0), (TCMYK{1, 2, 3, 4}));
    EXPECT_EQ(*b24.PixelRGB(0, 3), MakeTRGB(0, 77, 0));
    EXPECT_EQ(b48.GetPixelRGB48(4, 0), (TRGB48{1000, 2000, 3000}));
    // The raw bytes are where the row layout puts them (ie16g little-endian).
    const auto* row16 = static_cast<const uint8_t*>(b16.ScanLine(2));
    EXPECT_EQ(row16[6], 0xEF);
    EXPECT_EQ(row16[7], 0xBE);
  }
}

TEST_F(ModelPixelAccess, GetPixelAsRGBOfEveryFormat) {
  struct Case {
    PF format;
    std::function<void(TIEBitmap&)> set;
    TRGB expected;
  };
  auto gray = [](uint8_t v) { return MakeTRGB(v, v, v); };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {PF::ie1g, [](TIEBitmap& b) { static_cast<uint8_t*>(b.ScanLine(1))[0] = 0x20; }, gray(255)},  // column 2
      {PF::ie1g, [](TIEBitmap& b) { static_cast<uint8_t*>(b.ScanLine(1))[0] = 0xDF; }, gray(0)},
      {PF::ie8p,
       [](TIEBitmap& b) {
         b.SetPaletteColor(7, MakeTRGB(10, 20, 30));
         b.SetPixel8(2, 1, 7);
       },
       MakeTRGB(10, 20, 30)},
      {PF::ie8g, [](TIEBitmap& b) { b.SetPixel8(2, 1, 99); }, gray(99)},
      {PF::ie16g, [](TIEBitmap& b) { b.SetPixel16(2, 1, 0x12FF); }, gray(0x12)},
      {PF::ie24RGB, [](TIEBitmap& b) { *b.PixelRGB(2, 1) = MakeTRGB(1, 2, 3); }, MakeTRGB(1, 2, 3)},
      {PF::ie32f, [](TIEBitmap& b) { b.SetPixelFloat(2, 1, 0.5); }, gray(127)},
      {PF::ie32f, [](TIEBitmap& b) { b.SetPixelFloat(2, 1, 1.0); }, gray(255)},
      // Levels outside 0..1 are limited first.
      {PF::ie32f, [](TIEBitmap& b) { b.SetPixelFloat(2, 1, 1.5); }, gray(255)},
      {PF::ie32f, [](TIEBitmap& b) { b.SetPixelFloat(2, 1, -0.25); }, gray(0)},
      {PF::ie32f, [nan](TIEBitmap& b) { b.SetPixelFloat(2, 1, nan); }, gray(0)},
      {PF::ieCMYK,
       [](TIEBitmap& b) {
         b.SetPixelCMYK(2, 1, TCMYK{255, 255, 255, 255});
       },
       gray(255)},
      {PF::ieCMYK,
       [](TIEBitmap& b) {
         b.SetPixelCMYK(2, 1, TCMYK{255, 0, 0, 255});
       },
       MakeTRGB(255, 0, 0)},
      {PF::ieRGB48,
       [](TIEBitmap& b) {
         b.SetPixelRGB48(2, 1, TRGB48{0x1234, 0xABCD, 0x00FF});
       },
       MakeTRGB(0x12, 0xAB, 0x00)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << int(c.format));
    TIEBitmap b;
    PreferMemory(b);
    b.Allocate(4, 3, c.format);
    c.set(b);
    TRGB got = MakeTRGB(1, 1, 1);
    b.GetPixelAsRGB(2, 1, got);
    EXPECT_EQ(got, c.expected);
  }
}

TEST_F(ModelPixelAccess, SettersLowerFullOnlyBelowTheMaximum) {
  struct Case {
    PF format;
    double fill;  // a Fill with the maximum sets Full
    std::function<void(TIEBitmap&)> set;
    bool fullAfter;
  };
  const Case cases[] = {
      {PF::ie8g, 255, [](TIEBitmap& b) { b.SetPixel8(0, 0, 255); }, true},
      {PF::ie8g, 255, [](TIEBitmap& b) { b.SetPixel8(0, 0, 254); }, false},
      {PF::ie16g, 65535, [](TIEBitmap& b) { b.SetPixel16(0, 0, 65535); }, true},
      {PF::ie16g, 65535, [](TIEBitmap& b) { b.SetPixel16(0, 0, 65534); }, false},
      {PF::ie32f, 1.0, [](TIEBitmap& b) { b.SetPixelFloat(0, 0, 1.0); }, true},
      {PF::ie32f, 1.0, [](TIEBitmap& b) { b.SetPixelFloat(0, 0, 2.0); }, true},
      {PF::ie32f, 1.0, [](TIEBitmap& b) { b.SetPixelFloat(0, 0, 0.999); }, false},
      {PF::ie32f, 1.0, [](TIEBitmap& b) { b.SetPixelFloat(0, 0, std::numeric_limits<double>::quiet_NaN()); }, false},
      {PF::ieCMYK, double(clWhite),
       [](TIEBitmap& b) {
         b.SetPixelCMYK(0, 0, TCMYK{0, 0, 0, 1});
       },
       true},
      {PF::ieRGB48, double(clWhite),
       [](TIEBitmap& b) {
         b.SetPixelRGB48(0, 0, TRGB48{65535, 65535, 65535});
       },
       true},
      {PF::ieRGB48, double(clWhite),
       [](TIEBitmap& b) {
         b.SetPixelRGB48(0, 0, TRGB48{65535, 65534, 65535});
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << int(c.format));
    TIEBitmap b;
    PreferMemory(b);
    b.Allocate(2, 2, c.format);
    b.Fill(c.fill);
    ASSERT_TRUE(b.Full());
    c.set(b);
    EXPECT_EQ(b.Full(), c.fullAfter);
  }
}

TEST_F(ModelPixelAccess, AlphaAccessCreatesAnOpaqueChannel) {
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(3, 2, PF::ie24RGB);
  b.Fill(double(clWhite));
  ASSERT_FALSE(b.HasAlphaChannel());
  EXPECT_EQ(b.GetAlpha(2, 1), 255);
  ASSERT_TRUE(b.HasAlphaChannel());
  EXPECT_TRUE(b.AlphaChannel()->Full());

  b.SetAlpha(1, 1, 255);
  EXPECT_TRUE(b.Full());
  EXPECT_TRUE(b.AlphaChannel()->Full());
  b.SetAlpha(1, 1, 40);
  EXPECT_EQ(b.GetAlpha(1, 1), 40);
  EXPECT_EQ(b.GetAlpha(0, 1), 255);
  EXPECT_FALSE(b.Full());
  EXPECT_FALSE(b.AlphaChannel()->Full());

  // An alpha channel's own alpha values are its pixels.
  TIEBitmap* alpha = b.AlphaChannel();
  alpha->SetAlpha(0, 0, 9);
  EXPECT_EQ(alpha->GetAlpha(0, 0), 9);
  EXPECT_EQ(b.GetAlpha(0, 0), 9);
  EXPECT_FALSE(alpha->HasAlphaChannel());
}

#ifndef NDEBUG
TEST_F(ModelPixelAccess, DebugBuildsAssertCoordinates) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(4, 4, PF::ie8g);
  EXPECT_DEATH(b.GetPixel8(4, 0), "outside the image");
  EXPECT_DEATH(b.SetPixel16(0, -1, 1), "outside the image");
}
#endif

// ---- Whole-image routines ---------------------------------------------------------

TEST_F(ModelAlphaRoutines, MergeAlphaWithBackgroundRoundsOver255) {
  struct Case {
    uint8_t alpha;
    TRGB pixel;
    TRGB expected;  // over a background of (100, 0, 255)
  };
  const Case cases[] = {
      {0, MakeTRGB(200, 50, 0), MakeTRGB(100, 0, 255)},
      {255, MakeTRGB(200, 50, 0), MakeTRGB(200, 50, 0)},  // kept exactly, also above the background
      {128, MakeTRGB(200, 50, 0), MakeTRGB(150, 25, 127)},
      {1, MakeTRGB(227, 255, 0), MakeTRGB(100, 1, 254)},  // 127/255 rounds down, 255/255 and -255/255 to 1
      {254, MakeTRGB(0, 255, 255), MakeTRGB(0, 254, 255)},
  };
  for (bool inFile : {false, true}) {
    TIEBitmap b;
    Place(b, inFile);
    b.Allocate(static_cast<int32_t>(std::size(cases)), 2, PF::ie24RGB);
    for (int32_t x = 0; x < b.Width(); ++x) {
      *b.PixelRGB(x, 1) = cases[x].pixel;
      b.SetAlpha(x, 1, cases[x].alpha);
      *b.PixelRGB(x, 0) = cases[x].pixel;  // row 0 keeps alpha 255
    }
    IEMergeAlphaWithBackground(&b, RGB(100, 0, 255));
    EXPECT_FALSE(b.HasAlphaChannel());
    for (int32_t x = 0; x < b.Width(); ++x) {
      SCOPED_TRACE(testing::Message() << "alpha " << int(cases[x].alpha) << (inFile ? " file" : " memory"));
      EXPECT_EQ(*b.PixelRGB(x, 1), cases[x].expected);
      EXPECT_EQ(*b.PixelRGB(x, 0), cases[x].pixel);
    }
  }
}

TEST_F(ModelAlphaRoutines, MergeAlphaWithBackgroundOnlyDropsOtherFormatsAlpha) {
  TIEBitmap g;
  PreferMemory(g);
  g.Allocate(2, 2, PF::ie8g);
  g.Fill(80);
  g.SetAlpha(0, 0, 0);
  IEMergeAlphaWithBackground(&g, clWhite);
  EXPECT_FALSE(g.HasAlphaChannel());
  EXPECT_EQ(g.GetPixel8(0, 0), 80);
  IEMergeAlphaWithBackground(nullptr, clWhite);  // nothing
}

TEST_F(ModelAlphaRoutines, HasTransparencySamplesEveryThirdRow) {
  struct Case {
    int32_t row;  // the only row with a transparent pixel; -1 for none
    bool expected;
  };
  const Case cases[] = {{-1, false}, {0, true}, {1, false}, {2, false}, {3, true}, {6, true}, {7, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << c.row);
    TIEBitmap b;
    PreferMemory(b);
    b.Allocate(5, 8, PF::ie24RGB);
    b.AlphaChannel();
    if (c.row >= 0) b.SetAlpha(4, c.row, 254);
    EXPECT_EQ(IEHasTransparency(&b), c.expected);
  }
  TIEBitmap noAlpha, gray;
  noAlpha.Allocate(2, 2, PF::ie24RGB);
  gray.Allocate(2, 2, PF::ie8g);
  gray.SetAlpha(0, 0, 0);
  EXPECT_FALSE(IEHasTransparency(&noAlpha));
  EXPECT_FALSE(IEHasTransparency(&gray));  // only ie24RGB bitmaps are looked at
  EXPECT_FALSE(IEHasTransparency(nullptr));
}

TEST_F(ModelAlphaRoutines, IsGrayscale) {
  TIEBitmap rgb;
  PreferMemory(rgb);
  rgb.Allocate(3, 3, PF::ie24RGB);
  rgb.Fill(double(RGB(40, 40, 40)));
  EXPECT_TRUE(IEIsGrayscale(&rgb));
  rgb.PixelRGB(2, 2)->b = 41;
  EXPECT_FALSE(IEIsGrayscale(&rgb));

  TIEBitmap pal;
  PreferMemory(pal);
  pal.Allocate(2, 2, PF::ie8p);
  for (int32_t i = 0; i < 256; ++i) pal.SetPaletteColor(i, MakeTRGB(uint8_t(i), uint8_t(i), uint8_t(i)));
  EXPECT_TRUE(IEIsGrayscale(&pal));
  // Every entry counts, also those no pixel uses.
  pal.SetPaletteColor(255, MakeTRGB(255, 255, 0));
  EXPECT_FALSE(IEIsGrayscale(&pal));

  TIEBitmap cmyk;
  cmyk.Allocate(1, 1, PF::ieCMYK);
  cmyk.SetPixelCMYK(0, 0, TCMYK{255, 0, 0, 255});
  EXPECT_TRUE(IEIsGrayscale(&cmyk));  // not examined
}
