#include "imaging/model/pixels/iedibbitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/model/pixels/iedib.h"
#include "imaging/model/pixels/pixels_testing.h"
#include "platform/gui/graphics.h"

TEST(ModelDibbitmap, AllocateOnlyOneAndTwentyFourBits) {
  TIEDibbitmap d;
  EXPECT_EQ(d.PixelFormat(), TIEPixelFormat::ienull);
  d.Allocate(10, 10, TIEPixelFormat::ie8g);
  EXPECT_EQ(d.Width(), 0);
  EXPECT_EQ(d.PixelFormat(), TIEPixelFormat::ienull);
  EXPECT_EQ(d.Canvas(), nullptr);
  d.Allocate(10, 10, TIEPixelFormat::ie24RGB);
  EXPECT_EQ(d.PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(d.RowLen(), 32);
  EXPECT_EQ(d.PaletteLength(), 0);
  TRGB c = MakeTRGB(1, 2, 3);
  d.GetPaletteColor(0, c);
  EXPECT_EQ(c, TRGB{});
}

TEST(ModelDibbitmap, OneBitRowsAndColours) {
  TIEDibbitmap d;
  d.AllocateBits(33, 2, 1);
  EXPECT_EQ(d.RowLen(), 8);
  EXPECT_EQ(d.PixelFormat(), TIEPixelFormat::ie1g);
  EXPECT_EQ(d.InfoHeader().biSizeImage, 16u);
  EXPECT_EQ(d.ColorTable()[1], (RGBQUAD{255, 255, 255, 0}));
  // Bit value 1 is white through the device context.
  static_cast<uint8_t*>(d.ScanLine(1))[4] = 0x80;
  EXPECT_EQ(GetPixel(d.DC(), 32, 1), 0x00FFFFFFu);
  EXPECT_EQ(GetPixel(d.DC(), 31, 1), 0u);
  // And drawing on the canvas lands in the rows (row 0 on top).
  d.Canvas()->SetPixels(2, 0, clWhite);
  EXPECT_EQ(static_cast<uint8_t*>(d.ScanLine(0))[0], 0x20);
}

TEST(ModelDibbitmap, EmptySizeKeepsTheRaster) {
  TIEDibbitmap d;
  d.AllocateBits(4, 3, 24);
  static_cast<uint8_t*>(d.ScanLine(2))[0] = 77;
  for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-1, 5}}) {
    d.AllocateBits(w, h, 24);
    EXPECT_EQ(d.Width(), 4);
    EXPECT_EQ(d.Height(), 3);
    EXPECT_EQ(static_cast<uint8_t*>(d.ScanLine(2))[0], 77);
  }
  EXPECT_THROW(d.AllocateBits(100000, 100000, 24), EOutOfMemory);
  EXPECT_EQ(d.Width(), 0);

  TIEDibbitmap copy;
  d.AllocateBits(3, 2, 24);
  static_cast<uint8_t*>(d.ScanLine(1))[8] = 5;
  copy.Assign(&d);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(static_cast<uint8_t*>(copy.ScanLine(1))[8], 5);
  d.FreeBits();
  copy.Assign(&d);  // an empty source changes nothing
  EXPECT_EQ(copy.Width(), 3);
}

TEST(ModelDibbitmap, CopyFromDibbitmapKeepsRowOrder) {
  TIEDibbitmap d;
  d.AllocateBits(5, 3, 24);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t i = 0; i < 15; ++i) static_cast<uint8_t*>(d.ScanLine(y))[i] = uint8_t(50 * y + i);
  d.Canvas()->SetPixels(0, 0, RGB(9, 8, 7));  // the canvas' top row is row 0 of both
  TIEBitmap b;
  b.CopyFromDibbitmap(&d);
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
  ASSERT_EQ(b.Width(), 5);
  ASSERT_EQ(b.Height(), 3);
  for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(b.ScanLine(y), d.ScanLine(y), 15), 0) << y;
  EXPECT_EQ(*b.PixelRGB(0, 0), MakeTRGB(9, 8, 7));

  // Into a platform bitmap: reshaped to the source.
  TIEDibbitmap one;
  one.AllocateBits(12, 2, 1);
  static_cast<uint8_t*>(one.ScanLine(1))[1] = 0xF0;
  TIEBitmap held;
  held.Allocate(3, 3, TIEPixelFormat::ie24RGB);
  held.SetLocation(TIELocation::ieTBitmap);
  held.CopyFromDibbitmap(&one);
  EXPECT_EQ(held.PixelFormat(), TIEPixelFormat::ie1g);
  EXPECT_EQ(held.GetTBitmap()->PixelFormat(), TPixelFormat::pf1bit);
  EXPECT_EQ(held.Width(), 12);
  EXPECT_EQ(static_cast<uint8_t*>(held.ScanLine(1))[1], 0xF0);
}

TEST(ModelDibbitmap, DIBToDibbitmapDrawsTheFrame) {
  // A 3 x 2 8-bit DIB with two colours.
  std::vector<uint8_t> dib(40 + 8 + 8, 0);
  dib[0] = 40;
  dib[4] = 3;
  dib[8] = 2;
  dib[12] = 1;
  dib[14] = 8;
  dib[32] = 2;                               // two colours
  dib[44] = 10, dib[45] = 20, dib[46] = 30;  // colour 1: blue 10, green 20, red 30
  dib[48 + 2] = 1;                           // bottom row, x = 2
  dib[52 + 0] = 1;                           // top row, x = 0
  TIEDibbitmap d;
  EXPECT_EQ(DIBToDibbitmap(dib.data(), dib.size(), &d), 8);
  ASSERT_EQ(d.BitCount(), 24);
  ASSERT_EQ(d.Width(), 3);
  const auto* top = static_cast<const TRGB*>(d.ScanLine(0));
  const auto* bottom = static_cast<const TRGB*>(d.ScanLine(1));
  EXPECT_EQ(top[0], (TRGB{10, 20, 30}));
  EXPECT_EQ(top[1], TRGB{});
  EXPECT_EQ(bottom[2], (TRGB{10, 20, 30}));

  // A 1-bit DIB gives a 1-bit raster with the same bits.
  std::vector<uint8_t> mono(40 + 8 + 4, 0);
  mono[0] = 40;
  mono[4] = 9;
  mono[8] = 1;
  mono[12] = 1;
  mono[14] = 1;
  mono[44] = mono[45] = mono[46] = 255;
  mono[48] = 0xA5;
  mono[49] = 0x80;
  EXPECT_EQ(DIBToDibbitmap(mono.data(), mono.size(), &d), 1);
  ASSERT_EQ(d.BitCount(), 1);
  EXPECT_EQ(static_cast<uint8_t*>(d.ScanLine(0))[0], 0xA5);
  EXPECT_EQ(static_cast<uint8_t*>(d.ScanLine(0))[1] & 0x80, 0x80);

  // Too short for a header: nothing.
  EXPECT_EQ(DIBToDibbitmap(mono.data(), 20, &d), 0);
  EXPECT_EQ(d.Width(), 9);
}
