#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/pixels_testing.h"

namespace {

using PF = TIEPixelFormat;

std::vector<uint8_t> Bytes(TIEBitmap& B, int32_t X, int32_t Y, size_t Count) {
  const auto* row = static_cast<const uint8_t*>(B.ScanLine(Y));
  const size_t at = size_t(X) * size_t(B.BitCount()) / 8;
  return std::vector<uint8_t>(row + at, row + at + Count);
}

std::vector<uint8_t> FloatBytes(float F) {
  std::vector<uint8_t> v(4);
  std::memcpy(v.data(), &F, 4);
  return v;
}

}  // namespace

using ModelFill = PixelsTempDirTest;

TEST_F(ModelFill, FillStoresTheFormatsValueAndSetsFull) {
  struct Case {
    PF format;
    double value;
    std::vector<uint8_t> pixel;
    bool full;
  };
  const Case cases[] = {
      {PF::ie8g, 255, {255}, true},
      {PF::ie8g, 254.9, {254}, false},  // truncated
      {PF::ie8g, 511, {255}, false},    // the low byte, but not the maximum
      {PF::ie8p, 3, {3}, false},
      {PF::ie1g, 1, {0xFF}, true},
      {PF::ie1g, 0, {0x00}, false},
      {PF::ie16g, 65535, {0xFF, 0xFF}, true},
      {PF::ie16g, 258, {0x02, 0x01}, false},
      {PF::ie24RGB, double(clRed), {0, 0, 255}, false},
      {PF::ie24RGB, double(clWhite), {255, 255, 255}, true},
      {PF::ie32f, 0.5, FloatBytes(0.5f), false},
      {PF::ie32f, 1.0, FloatBytes(1.0f), true},
      {PF::ieCMYK, double(clWhite), {255, 255, 255, 255}, true},
      {PF::ieCMYK, double(clBlack), {0, 0, 0, 1}, false},
      {PF::ieRGB48, double(RGB(255, 1, 0)), {0xFF, 0xFF, 0x01, 0x01, 0, 0}, false},
      {PF::ieRGB48, double(clWhite), std::vector<uint8_t>(6, 0xFF), true},
  };
  for (bool inFile : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "format " << int(c.format) << " value " << c.value << " file " << inFile);
      TIEBitmap b;
      if (inFile)
        PreferFile(b);
      else
        PreferMemory(b);
      b.Allocate(9, 3, c.format);
      b.SetFull(!c.full);
      b.Fill(c.value);
      EXPECT_EQ(b.Full(), c.full);
      for (int32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(Bytes(b, 0, y, c.pixel.size()), c.pixel);
        if (c.format != PF::ie1g) {
          EXPECT_EQ(Bytes(b, 8, y, c.pixel.size()), c.pixel);
        }
      }
    }
  }
}

TEST_F(ModelFill, WholeRowFormatsFillThePaddingOthersKeepIt) {
  TIEBitmap gray, rgb, bits;
  for (TIEBitmap* b : {&gray, &rgb, &bits}) PreferMemory(*b);
  gray.Allocate(5, 2, PF::ie8g);  // 8-byte rows: 3 bytes of padding
  gray.Fill(9);
  EXPECT_EQ(Bytes(gray, 0, 1, 8), std::vector<uint8_t>(8, 9));
  bits.Allocate(3, 2, PF::ie1g);  // one 4-byte row
  bits.Fill(1);
  EXPECT_EQ(Bytes(bits, 0, 0, 4), std::vector<uint8_t>(4, 0xFF));
  rgb.Allocate(1, 2, PF::ie24RGB);  // 4-byte rows: 1 byte of padding
  rgb.Fill(double(clWhite));
  EXPECT_EQ(Bytes(rgb, 0, 0, 4), (std::vector<uint8_t>{255, 255, 255, 0}));
}

TEST_F(ModelFill, FillRectClipsAndNeverChangesFull) {
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(6, 6, PF::ie8g);
  b.Fill(255);
  ASSERT_TRUE(b.Full());
  b.FillRect(-5, -5, 2, 2, 1);  // the 3 x 3 top-left square
  b.FillRect(10, 0, 5, 0, 2);   // inverted: nothing
  b.FillRect(5, 5, 99, 99, 3);  // clipped to the last pixel
  EXPECT_TRUE(b.Full());
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const uint8_t expected = (x <= 2 && y <= 2) ? 1 : (x == 5 && y == 5) ? 3 : 255;
      EXPECT_EQ(Bytes(b, x, y, 1)[0], expected) << x << "," << y;
    }

  TIEBitmap f;
  PreferFile(f);
  f.Allocate(3, 2, PF::ie32f);
  f.FillRect(0, 0, 0, 0, 0.5);
  EXPECT_EQ(Bytes(f, 0, 0, 4), FloatBytes(0.5f));
  EXPECT_EQ(Bytes(f, 1, 0, 4), FloatBytes(0.0f));
  EXPECT_EQ(Bytes(f, 0, 1, 4), FloatBytes(0.0f));
  EXPECT_FALSE(f.Full());
}

TEST_F(ModelFill, FillRectSetsAndClearsSingleBits) {
  TIEBitmap b;
  PreferMemory(b);
  b.Allocate(20, 2, PF::ie1g);
  b.FillRect(3, 0, 12, 0, 1);
  EXPECT_EQ(Bytes(b, 0, 0, 3), (std::vector<uint8_t>{0x1F, 0xF8, 0x00}));
  b.FillRect(4, 0, 4, 1, 0);
  EXPECT_EQ(Bytes(b, 0, 0, 2), (std::vector<uint8_t>{0x17, 0xF8}));
  EXPECT_EQ(Bytes(b, 0, 1, 2), (std::vector<uint8_t>{0x00, 0x00}));

  TIEBitmap c;
  PreferMemory(c);
  c.Allocate(3, 1, PF::ieCMYK);
  c.FillRect(1, 0, 1, 0, double(clWhite));
  EXPECT_EQ(Bytes(c, 0, 0, 12), (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0}));
}
