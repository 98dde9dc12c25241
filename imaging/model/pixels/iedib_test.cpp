#include "imaging/model/pixels/iedib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieconvert24.h"
#include "imaging/model/pixels/iedrawdib.h"
#include "imaging/model/pixels/pixels_testing.h"
#include "imaging/model/pixels/testsupport/pnm.h"

namespace {

void Put16(std::vector<uint8_t>& B, size_t At, uint32_t V) {
  B[At] = uint8_t(V);
  B[At + 1] = uint8_t(V >> 8);
}
void Put32(std::vector<uint8_t>& B, size_t At, uint32_t V) {
  for (int i = 0; i < 4; ++i) B[At + i] = uint8_t(V >> (8 * i));
}
uint32_t Get32(const std::vector<uint8_t>& B, size_t At) {
  return uint32_t(B[At]) | (uint32_t(B[At + 1]) << 8) | (uint32_t(B[At + 2]) << 16) | (uint32_t(B[At + 3]) << 24);
}

// A packed DIB: header, then Extra (colour table or masks), then Pixels.
std::vector<uint8_t> MakeDib(int32_t W, int32_t H, int32_t Bits, uint32_t Compression,
                             const std::vector<uint8_t>& Extra, const std::vector<uint8_t>& Pixels,
                             uint32_t ClrUsed = 0) {
  std::vector<uint8_t> d(40);
  Put32(d, 0, 40);
  Put32(d, 4, uint32_t(W));
  Put32(d, 8, uint32_t(H));
  Put16(d, 12, 1);
  Put16(d, 14, uint32_t(Bits));
  Put32(d, 16, Compression);
  Put32(d, 32, ClrUsed);
  d.insert(d.end(), Extra.begin(), Extra.end());
  d.insert(d.end(), Pixels.begin(), Pixels.end());
  return d;
}

TRGB Pixel(TIEBitmap& B, int32_t X, int32_t Y) {
  TRGB c;
  B.GetPixelAsRGB(X, Y, c);
  return c;
}

TRGB Gray(uint8_t V) { return TRGB{V, V, V}; }

uint32_t FourCC(const std::string& Code) {
  return uint32_t(uint8_t(Code[0])) | (uint32_t(uint8_t(Code[1])) << 8) | (uint32_t(uint8_t(Code[2])) << 16) |
         (uint32_t(uint8_t(Code[3])) << 24);
}

// The luma-only YUV rule: rnd((Y - 16) * 1.164) limited to 0..255.
uint8_t LumaLevel(int32_t Y) {
  const double v = std::nearbyint((Y - 16) * 1.164);
  return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

std::vector<uint8_t> ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Fixture(const std::string& Name) { return std::string(PROJECT_TESTDATA_DIR) + "/model/dib/" + Name; }

}  // namespace

// ---- TIEBitmap -> DIB ------------------------------------------------------------------

TEST(ModelDibWrite, TwentyFourBitsBottomRowFirst) {
  TIEBitmap b;
  b.Allocate(3, 2, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x)
      *b.PixelRGB(x, y) = MakeTRGB(uint8_t(10 * x + y), uint8_t(100 + x), uint8_t(200 + y));
  const std::vector<uint8_t> dib = IEBitmapToDIB(&b);
  ASSERT_EQ(dib.size(), 40u + 24u);
  EXPECT_EQ(Get32(dib, 0), 40u);
  EXPECT_EQ(Get32(dib, 4), 3u);
  EXPECT_EQ(Get32(dib, 8), 2u);
  EXPECT_EQ(dib[14], 24);
  EXPECT_EQ(Get32(dib, 16), 0u);
  EXPECT_EQ(Get32(dib, 20), 24u);    // biSizeImage: row length 12 * 2
  EXPECT_EQ(Get32(dib, 24), 3780u);  // 96 pixels per inch * 39.37, rounded
  EXPECT_EQ(Get32(dib, 28), 3780u);
  EXPECT_EQ(Get32(dib, 32), 0u);
  for (int32_t k = 0; k < 2; ++k)
    for (int32_t x = 0; x < 3; ++x) {
      const TRGB want = *b.PixelRGB(x, 1 - k);  // first stored row = bottom row
      EXPECT_EQ(std::memcmp(&dib[40 + 12 * k + 3 * x], &want, 3), 0) << k << "," << x;
    }
}

TEST(ModelDibWrite, OneBitStartsAtX1) {
  TIEBitmap b;
  b.Allocate(20, 2, TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 2; ++y) {
    auto* row = static_cast<uint8_t*>(b.ScanLine(y));
    row[0] = uint8_t(0x35 + y);
    row[1] = 0xC6;
    row[2] = 0xF0;
  }
  const std::vector<uint8_t> dib = IEBitmapToDIB(&b, 3, 0, 0, 0);
  ASSERT_EQ(dib.size(), 40u + 8u + 2 * 4u);
  EXPECT_EQ(Get32(dib, 4), 17u);
  EXPECT_EQ(dib[14], 1);
  EXPECT_EQ(Get32(dib, 20), 0u);  // set only for 24 bits
  EXPECT_EQ(Get32(dib, 40), 0x00000000u);
  EXPECT_EQ(Get32(dib, 44), 0xFFFFFFFFu);
  for (int32_t k = 0; k < 2; ++k) {
    const auto* src = static_cast<const uint8_t*>(b.ScanLine(1 - k));
    const uint8_t* row = &dib[48 + 4 * k];
    for (int32_t i = 0; i < 17; ++i)
      EXPECT_EQ(bool(row[i >> 3] & (0x80 >> (i & 7))), bool(src[(i + 3) >> 3] & (0x80 >> ((i + 3) & 7))))
          << "row " << k << " bit " << i;
    EXPECT_EQ(row[2] & 0x7F, 0);  // bits after the 17th stay clear
  }
}

TEST(ModelDibWrite, PaletteGrayAndRectangle) {
  TIEBitmap p;
  p.Allocate(5, 4, TIEPixelFormat::ie8p);
  for (int32_t i = 0; i < 256; ++i) p.SetPaletteColor(i, MakeTRGB(uint8_t(i), uint8_t(255 - i), 7));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) p.SetPixel8(x, y, uint8_t(10 * y + x));
  // X2 and Y2 are exclusive: columns 1..3, rows 1..2.
  std::vector<uint8_t> dib = IEBitmapToDIB(&p, 1, 1, 4, 3);
  ASSERT_EQ(dib.size(), 40u + 1024u + 2 * 4u);
  EXPECT_EQ(Get32(dib, 4), 3u);
  EXPECT_EQ(Get32(dib, 8), 2u);
  EXPECT_EQ(dib[14], 8);
  EXPECT_EQ(Get32(dib, 40 + 4 * 9), 0x0009F607u);  // blue 7, green 246, red 9, 0
  EXPECT_EQ(dib[1064 + 0], 21);                    // stored row 0 = image row 2
  EXPECT_EQ(dib[1064 + 2], 23);
  EXPECT_EQ(dib[1064 + 4], 11);

  TIEBitmap g;
  g.Allocate(5, 4, TIEPixelFormat::ie8g);
  g.SetPixel8(4, 3, 77);
  dib = IEBitmapToDIB(&g);
  ASSERT_EQ(dib.size(), 40u + 1024u + 4 * 8u);
  for (uint32_t i : {0u, 1u, 128u, 255u}) EXPECT_EQ(Get32(dib, 40 + 4 * i), i | (i << 8) | (i << 16));
  EXPECT_EQ(dib[1064 + 4], 77);

  // Out-of-range rectangles are clipped to the image.
  dib = IEBitmapToDIB(&g, 3, 2, 50, 60);
  EXPECT_EQ(Get32(dib, 4), 2u);
  EXPECT_EQ(Get32(dib, 8), 2u);
}

TEST(ModelDibWrite, OtherFormatsGoThroughTwentyFourBits) {
  TIEBitmap f;
  f.Allocate(4, 1, TIEPixelFormat::ie32f);
  f.SetPixelFloat(0, 0, -0.5);
  f.SetPixelFloat(1, 0, 0.5);
  f.SetPixelFloat(2, 0, 1.5);
  f.SetPixelFloat(3, 0, std::nan(""));
  std::vector<uint8_t> dib = IEBitmapToDIB(&f);
  ASSERT_EQ(dib[14], 24);
  ASSERT_EQ(dib.size(), 40u + 12u);
  const uint8_t levels[4] = {0, 127, 255, 0};  // clamped to 0..1 before trunc(v * 255)
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dib[40 + 3 * x], levels[x]) << x;

  TIEBitmap empty;
  empty.Allocate(0, 5, TIEPixelFormat::ie32f);
  dib = IEBitmapToDIB(&empty);
  ASSERT_EQ(dib.size(), 40u);
  EXPECT_EQ(dib[14], 0);
  EXPECT_EQ(Get32(dib, 4), 0u);
}

using ModelDibConvert24 = PixelsTempDirTest;

TEST_F(ModelDibConvert24, EveryFormat) {
  struct Case {
    TIEPixelFormat format;
    std::vector<uint8_t> pixel;  // the stored bytes of one pixel
    TRGB want;
  };
  const float half = 0.25f;
  std::vector<uint8_t> f(4);
  std::memcpy(f.data(), &half, 4);
  const std::vector<Case> cases = {
      {TIEPixelFormat::ie8g, {200}, Gray(200)},
      {TIEPixelFormat::ie8p, {3}, MakeTRGB(1, 2, 3)},
      {TIEPixelFormat::ie16g, {0x34, 0xAB}, Gray(0xAB)},
      {TIEPixelFormat::ie24RGB, {9, 8, 7}, TRGB{9, 8, 7}},
      {TIEPixelFormat::ie32f, f, Gray(63)},
      {TIEPixelFormat::ieCMYK, {255, 128, 0, 255}, MakeTRGB(255, 128, 0)},
      {TIEPixelFormat::ieRGB48, {0x10, 0xFF, 0x20, 0x80, 0x30, 0x01}, MakeTRGB(0xFF, 0x80, 0x01)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.format));
    TIEBitmap s;
    s.Allocate(2, 2, c.format);
    if (c.format == TIEPixelFormat::ie8p) s.SetPaletteColor(3, MakeTRGB(1, 2, 3));
    std::memcpy(static_cast<uint8_t*>(s.ScanLine(1)) + c.pixel.size(), c.pixel.data(), c.pixel.size());
    TIEBitmap d;
    PreferFile(d);  // also through file rows
    IEConvertTo24RGB(&s, &d);
    ASSERT_EQ(d.PixelFormat(), TIEPixelFormat::ie24RGB);
    ASSERT_EQ(d.Width(), 2);
    EXPECT_EQ(Pixel(d, 1, 1), c.want);
    EXPECT_EQ(Pixel(d, 0, 0), Pixel(s, 0, 0));
  }
  TIEBitmap one;
  one.Allocate(9, 1, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(one.ScanLine(0))[1] = 0x80;
  auto c = IEConvertTo24RGB(&one);
  EXPECT_EQ(Pixel(*c, 8, 0), Gray(255));
  EXPECT_EQ(Pixel(*c, 7, 0), Gray(0));
}

// ---- DIB -> TIEBitmap ------------------------------------------------------------------

TEST(ModelDibRead, FourBitsOddWidthAndClampedIndexes) {
  std::vector<uint8_t> table(16 * 4);
  for (int i = 0; i < 16; ++i) {
    table[4 * i] = uint8_t(i);           // blue
    table[4 * i + 1] = uint8_t(i * 16);  // green
    table[4 * i + 2] = uint8_t(255 - i);
  }
  // Width 5: three bytes of pixels, padded to 4; two rows.
  const std::vector<uint8_t> dib = MakeDib(5, 2, 4, 0, table, {0x01, 0x23, 0x4F, 0, 0x56, 0x78, 0x9A, 0});
  TIEBitmap b;
  EXPECT_EQ(DIBToIEBitmap(dib, &b), 4);
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
  ASSERT_EQ(b.Width(), 5);
  ASSERT_EQ(b.Height(), 2);
  const int bottom[5] = {0, 1, 2, 3, 4}, top[5] = {5, 6, 7, 8, 9};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(Pixel(b, x, 1), MakeTRGB(uint8_t(255 - bottom[x]), uint8_t(bottom[x] * 16), uint8_t(bottom[x])));
    EXPECT_EQ(Pixel(b, x, 0), MakeTRGB(uint8_t(255 - top[x]), uint8_t(top[x] * 16), uint8_t(top[x])));
  }

  // Three colours declared: indexes past them take the last one.
  std::vector<uint8_t> three(table.begin(), table.begin() + 12);
  const std::vector<uint8_t> small = MakeDib(2, 1, 4, 0, three, {0x1F, 0, 0, 0}, 3);
  DIBToIEBitmap(small, &b);
  EXPECT_EQ(Pixel(b, 0, 0), MakeTRGB(254, 16, 1));
  EXPECT_EQ(Pixel(b, 1, 0), MakeTRGB(253, 32, 2));
}

TEST(ModelDibRead, OneBitRowsUnchanged) {
  const std::vector<uint8_t> table = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue: not consulted
  const std::vector<uint8_t> dib = MakeDib(10, 2, 1, 0, table, {0xA5, 0xC0, 0, 0, 0x0F, 0x40, 0, 0});
  TIEBitmap b;
  EXPECT_EQ(DIBToIEBitmap(dib, &b), 1);
  ASSERT_EQ(b.PixelFormat(), TIEPixelFormat::ie1g);
  const auto* top = static_cast<const uint8_t*>(b.ScanLine(0));
  const auto* bottom = static_cast<const uint8_t*>(b.ScanLine(1));
  EXPECT_EQ(top[0], 0x0F);
  EXPECT_EQ(top[1], 0x40);
  EXPECT_EQ(bottom[0], 0xA5);
  EXPECT_EQ(bottom[1], 0xC0);
}

TEST(ModelDibRead, SixteenAndThirtyTwoBits) {
  TIEBitmap b;
  // 5-5-5 without masks.
  DIBToIEBitmap(MakeDib(2, 1, 16, 0, {}, {0xFF, 0x7F, 0x00, 0x7C}), &b);
  EXPECT_EQ(Pixel(b, 0, 0), Gray(248));
  EXPECT_EQ(Pixel(b, 1, 0), MakeTRGB(248, 0, 0));
  // 5-6-5 masks after the header, pixels 12 bytes later.
  const std::vector<uint8_t> masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
  DIBToIEBitmap(MakeDib(2, 1, 16, 3, masks, {0xFF, 0xFF, 0x00, 0xF8}), &b);
  EXPECT_EQ(Pixel(b, 0, 0), MakeTRGB(248, 252, 248));
  EXPECT_EQ(Pixel(b, 1, 0), MakeTRGB(248, 0, 0));
  // 32 bits: the first three bytes; with compression 3 after the masks.
  DIBToIEBitmap(MakeDib(1, 1, 32, 3, std::vector<uint8_t>(12, 0xEE), {1, 2, 3, 4}), &b);
  EXPECT_EQ(Pixel(b, 0, 0), (TRGB{1, 2, 3}));
  DIBToIEBitmap(MakeDib(1, 1, 32, 0, {}, {5, 6, 7, 8}), &b);
  EXPECT_EQ(Pixel(b, 0, 0), (TRGB{5, 6, 7}));
  // Hostile masks (a run too wide to shift) give values, not undefined shifts.
  const std::vector<uint8_t> wide = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  DIBToIEBitmap(MakeDib(1, 1, 16, 3, wide, {0x34, 0x12}), &b);
  EXPECT_EQ(b.Width(), 1);
}

TEST(ModelDibRead, NegativeHeightIsTopDown) {
  const std::vector<uint8_t> rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  TIEBitmap down, up;
  EXPECT_EQ(DIBToIEBitmap(MakeDib(2, -2, 24, 0, {}, rows), &down), 24);
  DIBToIEBitmap(MakeDib(2, 2, 24, 0, {}, rows), &up);
  ASSERT_EQ(down.Height(), 2);
  EXPECT_EQ(Pixel(down, 0, 0), (TRGB{1, 2, 3}));
  EXPECT_EQ(Pixel(down, 1, 1), (TRGB{10, 11, 12}));
  EXPECT_EQ(Pixel(up, 0, 1), (TRGB{1, 2, 3}));
  EXPECT_EQ(Pixel(up, 1, 0), (TRGB{10, 11, 12}));
}

TEST(ModelDibRead, ShortBuffersAndRefusedSizes) {
  // 100 x 100 promised, one and a half rows given: the buffer is exact, so a
  // read past it would be caught.
  std::vector<uint8_t> pixels(300 + 150, 0x42);
  std::vector<uint8_t> dib = MakeDib(100, 100, 24, 0, {}, pixels);
  TIEBitmap b;
  EXPECT_EQ(DIBToIEBitmap(dib.data(), dib.size(), &b), 24);
  ASSERT_EQ(b.Height(), 100);
  EXPECT_EQ(Pixel(b, 99, 99), Gray(0x42));  // stored row 0 is the bottom row
  EXPECT_EQ(Pixel(b, 49, 98), Gray(0x42));
  EXPECT_EQ(Pixel(b, 50, 98), Gray(0));  // beyond the data: zero
  EXPECT_EQ(Pixel(b, 0, 0), Gray(0));

  // A colour table running past the end, every other bit count and a YUV frame.
  for (int32_t bits : {1, 4, 8, 16, 32}) {
    dib = MakeDib(64, 64, bits, 0, {1, 2, 3}, {});
    EXPECT_EQ(DIBToIEBitmap(dib.data(), dib.size(), &b), bits);
    EXPECT_EQ(b.Width(), 64);
  }
  for (const char* code : {"YUY2", "I420", "Y41P", "CLJR", "YVU9"}) {
    dib = MakeDib(33, 17, 16, FourCC(code), {}, std::vector<uint8_t>(41, 99));
    DIBToIEBitmap(dib.data(), dib.size(), &b);
    EXPECT_EQ(b.Height(), 17) << code;
  }

  // No header.
  EXPECT_EQ(DIBToIEBitmap(dib.data(), 39, &b), 0);
  EXPECT_TRUE(b.IsEmpty());
  // Sizes refused: the result is still the bit count, the bitmap empty.
  for (auto [w, h] : {std::pair{0, 5}, std::pair{-3, 5}, std::pair{5, 0}, std::pair{100000, 100000},
                      std::pair{5, int32_t(0x80000000)}}) {
    dib = MakeDib(w, h, 8, 0, {}, {});
    EXPECT_EQ(DIBToIEBitmap(dib, &b), 8) << w << " x " << h;
    EXPECT_TRUE(b.IsEmpty()) << w << " x " << h;
  }
  // A few bytes never make gigabytes: 26000 x 26000 from 16 bytes of pixels,
  // uncompressed or run-length, while enough of the data keeps a cut picture.
  for (auto [side, compression, bytes, empty] : {std::tuple{26000, 0u, 16, true}, std::tuple{26000, 1u, 16, true},
                                                 std::tuple{5000, 0u, 5000 * 5000 / 32, false}}) {
    dib = MakeDib(side, side, 8, compression, std::vector<uint8_t>(1024, 0), std::vector<uint8_t>(size_t(bytes), 7));
    EXPECT_EQ(DIBToIEBitmap(dib, &b), 8);
    EXPECT_EQ(b.IsEmpty(), empty) << side << ", " << compression;
  }
}

TEST(ModelDibRead, RunLengthAndUnknownCompressionsStayZero) {
  for (auto [bits, compression] : {std::pair{8, 1u}, std::pair{4, 2u}, std::pair{24, 3u}, std::pair{8, 0x12345678u}}) {
    std::vector<uint8_t> table(bits == 24 ? 0 : (4u << bits), 0xFF);
    TIEBitmap b;
    EXPECT_EQ(DIBToIEBitmap(MakeDib(4, 2, bits, compression, table, std::vector<uint8_t>(64, 0x11)), &b), bits);
    ASSERT_EQ(b.Width(), 4);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(Pixel(b, x, y), Gray(0));
    EXPECT_FALSE(IEDIBIsDecodable(BITMAPINFOHEADER{40, 4, 2, 1, uint16_t(bits), compression}));
  }
}

TEST(ModelDibRead, SeparatePixelData) {
  const std::vector<uint8_t> header = MakeDib(2, 1, 8, 0, {0, 0, 0, 0, 9, 8, 7, 0}, {}, 2);
  const uint8_t bits[4] = {1, 0, 0, 0};
  TIEBitmap b;
  DIBToIEBitmap(header.data(), header.size(), &b, bits, sizeof(bits));
  EXPECT_EQ(Pixel(b, 0, 0), (TRGB{9, 8, 7}));
  EXPECT_EQ(Pixel(b, 1, 0), Gray(0));
}

// ---- YUV frames --------------------------------------------------------------------------

TEST(ModelDibYuv, GrayAndColourLevels) {
  // Y = 126, U = V = 128 gives rnd(110 * 1.164) = 128 on every channel.
  TIEBitmap b;
  DIBToIEBitmap(MakeDib(2, 1, 16, IEFourCC("YUY2"), {}, {126, 128, 126, 128}), &b);
  EXPECT_EQ(Pixel(b, 0, 0), Gray(128));
  EXPECT_EQ(Pixel(b, 1, 0), Gray(128));
  // Chroma: U 160 and V 90 over Y 100.
  DIBToIEBitmap(MakeDib(2, 1, 16, IEFourCC("YUY2"), {}, {100, 160, 100, 90}), &b);
  // y = 97.776; b = y + 64.576; g = y + 30.894 - 12.512; r = y - 60.648
  EXPECT_EQ(Pixel(b, 0, 0), MakeTRGB(37, 116, 162));
}

namespace {

struct PackedCase {
  const char* code;
  int32_t blockPixels;
  int32_t blockBytes;
  std::vector<int> lumaAt;    // byte of each pixel's luma in its block
  std::vector<int> chromaAt;  // bytes to fill with 128
  bool reversed;
};

}  // namespace

TEST(ModelDibYuv, PackedLayoutsDecodeEveryPixel) {
  const std::vector<PackedCase> cases = {
      {"YUY2", 2, 4, {0, 2}, {1, 3}, false},
      {"YUNV", 2, 4, {0, 2}, {1, 3}, false},
      {"UYVY", 2, 4, {1, 3}, {0, 2}, false},
      {"UYNV", 2, 4, {1, 3}, {0, 2}, false},
      {"cyuv", 2, 4, {1, 3}, {0, 2}, true},
      {"YVYU", 2, 4, {0, 2}, {1, 3}, false},
      {"IYU1", 4, 6, {1, 2, 4, 5}, {0, 3}, false},
      {"IYU2", 1, 3, {1}, {0, 2}, false},
      {"Y41P", 8, 12, {1, 3, 5, 7, 8, 9, 10, 11}, {0, 2, 4, 6}, true},
      {"Y211", 4, 4, {0, 0, 2, 2}, {1, 3}, false},
  };
  for (const PackedCase& c : cases) {
    // Widths that end in a partial block, and one of whole blocks; both
    // signs of the height.
    for (int32_t width : {c.blockPixels * 2 + 1, c.blockPixels * 3, 1}) {
      for (int32_t sign : {1, -1}) {
        SCOPED_TRACE(testing::Message() << c.code << " width " << width << " height sign " << sign);
        const int32_t rows = 3;
        const int32_t blocks = (width + c.blockPixels - 1) / c.blockPixels;
        std::vector<uint8_t> frame(size_t(blocks * c.blockBytes * rows), 0);
        for (int32_t s = 0; s < rows; ++s)
          for (int32_t b = 0; b < blocks; ++b) {
            uint8_t* block = &frame[size_t((s * blocks + b) * c.blockBytes)];
            for (int at : c.chromaAt) block[at] = 128;
            for (int32_t i = 0; i < c.blockPixels; ++i)
              block[c.lumaAt[i]] = uint8_t(20 + 60 * s + 3 * (b * c.blockPixels + i));
          }
        TIEBitmap out;
        DIBToIEBitmap(MakeDib(width, sign * rows, 16, FourCC(c.code), {}, frame), &out);
        ASSERT_EQ(out.Width(), width);
        const bool topFirst = (sign > 0) != c.reversed;
        for (int32_t s = 0; s < rows; ++s)
          for (int32_t x = 0; x < width; ++x) {
            const int32_t b = x / c.blockPixels, i = x % c.blockPixels;
            const uint8_t luma = frame[size_t((s * blocks + b) * c.blockBytes + c.lumaAt[i])];
            EXPECT_EQ(Pixel(out, x, topFirst ? s : rows - 1 - s), Gray(LumaLevel(luma))) << "x " << x << " s " << s;
          }
      }
    }
  }
}

TEST(ModelDibYuv, CLJRLumaAndChromaAreWidened) {
  // One word per 4 pixels: Y0..Y3 in bits 12.., U in 6..11, V in 0..5.
  const uint32_t y[4] = {16, 0, 31, 8};
  uint32_t word = 32u << 6 | 32u;
  for (int i = 0; i < 4; ++i) word |= y[i] << (12 + 5 * i);
  std::vector<uint8_t> frame(8);  // two blocks, width 6
  for (int k = 0; k < 2; ++k) Put32(frame, size_t(4 * k), word);
  TIEBitmap b;
  DIBToIEBitmap(MakeDib(6, 1, 8, IEFourCC("CLJR"), {}, frame), &b);
  // Y 16 -> 132, U = V = 32 -> 130: y = 135.024, b = 139.06, g = 132.616, r = 138.216.
  EXPECT_EQ(Pixel(b, 0, 0), MakeTRGB(138, 133, 139));
  EXPECT_EQ(Pixel(b, 4, 0), MakeTRGB(138, 133, 139));
  EXPECT_EQ(Pixel(b, 2, 0), Gray(255));  // Y 31 -> 255
  EXPECT_EQ(Pixel(b, 5, 0), Pixel(b, 1, 0));
}

TEST(ModelDibYuv, PlanarFramesWithOddSizes) {
  struct Case {
    const char* code;
    int32_t sub;
    bool uFirst;
  };
  for (const Case& c : {Case{"I420", 2, true}, Case{"IYUV", 2, true}, Case{"YV12", 2, false}, Case{"YVU9", 4, false}}) {
    SCOPED_TRACE(c.code);
    const int32_t w = 2 * c.sub + 1, h = c.sub + 1;  // one partial chroma column and row
    const int32_t cw = w / c.sub, ch = h / c.sub;
    std::vector<uint8_t> frame(size_t(w * h + 2 * cw * ch), 128);
    for (int32_t s = 0; s < h; ++s)
      for (int32_t x = 0; x < w; ++x) frame[size_t(s * w + x)] = uint8_t(30 + 40 * s + 5 * x);
    TIEBitmap b;
    DIBToIEBitmap(MakeDib(w, h, 12, FourCC(c.code), {}, frame), &b);
    for (int32_t s = 0; s < h; ++s)
      for (int32_t x = 0; x < w; ++x) EXPECT_EQ(Pixel(b, x, s), Gray(LumaLevel(30 + 40 * s + 5 * x))) << x << "," << s;

    // U 200, V 60 on the first chroma sample: the plane order decides.
    const size_t uAt = size_t(w * h) + (c.uFirst ? 0 : size_t(cw * ch));
    const size_t vAt = size_t(w * h) + (c.uFirst ? size_t(cw * ch) : 0);
    frame[uAt] = 200;
    frame[vAt] = 60;
    DIBToIEBitmap(MakeDib(w, -h, 12, FourCC(c.code), {}, frame), &b);
    const TRGB p = Pixel(b, 0, h - 1);  // negative height: stored row 0 is the bottom row
    EXPECT_GT(p.b, p.r) << "blue from U, red from V";
    EXPECT_EQ(Pixel(b, c.sub, h - 1), Gray(LumaLevel(30 + 5 * c.sub)));  // the next chroma sample is neutral
  }
}

TEST(ModelDibYuv, FramesDecodeToTwentyFourBitsWhateverTheBitCount) {
  // A YUV frame whose header claims 1 bit per pixel still writes 24-bit pixels.
  const int32_t w = 8, h = 3;
  std::vector<uint8_t> frame(size_t(w * h * 3 / 2), 128);
  for (const char* code : {"I420", "YUY2"}) {
    SCOPED_TRACE(code);
    TIEBitmap b;
    EXPECT_EQ(DIBToIEBitmap(MakeDib(w, h, 1, FourCC(code), {}, frame), &b), 1);
    EXPECT_EQ(b.PixelFormat(), TIEPixelFormat::ie24RGB);
    EXPECT_EQ(b.Width(), w);
  }
}

// ---- Cross-check with netpbm --------------------------------------------------------------

using ModelDibNetpbm = PixelsTempDirTest;

TEST_F(ModelDibNetpbm, ReadsWhatPpmtobmpWrote) {
  for (const char* name : {"bw_13x5_1bit", "c16_7x4_4bit", "c256_9x6_8bit", "rgb_5x3_24bit"}) {
    SCOPED_TRACE(name);
    const std::string base = std::string(name).substr(0, std::string(name).rfind('_'));
    TPnmImage ppm;
    ASSERT_TRUE(ReadPnmFile(Fixture(base + ".ppm"), ppm));
    const std::vector<uint8_t> file = ReadFile(Fixture(std::string(name) + ".bmp"));
    ASSERT_GT(file.size(), 54u);
    const std::vector<uint8_t> dib(file.begin() + 14, file.end());  // without the file header
    TIEBitmap b;
    DIBToIEBitmap(dib, &b);
    ASSERT_EQ(b.Width(), ppm.Width);
    ASSERT_EQ(b.Height(), ppm.Height);
    for (int32_t y = 0; y < ppm.Height; ++y)
      for (int32_t x = 0; x < ppm.Width; ++x)
        ASSERT_EQ(Pixel(b, x, y),
                  MakeTRGB(uint8_t(ppm.At(x, y, 0)), uint8_t(ppm.At(x, y, 1)), uint8_t(ppm.At(x, y, 2))))
            << x << "," << y;
  }
}

TEST_F(ModelDibNetpbm, BmptopnmDecodesWhatWeWrite) {
  IE_REQUIRE_TOOL("bmptopnm", "netpbm");
  struct Case {
    TIEPixelFormat format;
    int32_t width;
  };
  for (const Case& c : {Case{TIEPixelFormat::ie1g, 13}, Case{TIEPixelFormat::ie8p, 7}, Case{TIEPixelFormat::ie8g, 9},
                        Case{TIEPixelFormat::ie24RGB, 5}}) {
    SCOPED_TRACE(int(c.format));
    TIEBitmap b;
    b.Allocate(c.width, 4, c.format);
    for (int32_t i = 0; i < b.PaletteLength(); ++i)
      b.SetPaletteColor(i, MakeTRGB(uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7)));
    for (int32_t y = 0; y < 4; ++y) {
      auto* row = static_cast<uint8_t*>(b.ScanLine(y));
      for (int32_t i = 0; i < b.RowLen(); ++i) row[i] = uint8_t(i * 37 + y * 101 + (i * y) % 7);
    }
    const std::vector<uint8_t> dib = IEBitmapToDIB(&b);
    const uint32_t table = c.format == TIEPixelFormat::ie1g ? 8 : c.format == TIEPixelFormat::ie24RGB ? 0 : 1024;
    std::vector<uint8_t> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, uint32_t(14 + dib.size()));
    Put32(file, 10, 14 + 40 + table);
    file.insert(file.end(), dib.begin(), dib.end());
    const std::string bmp = Dir + "/in.bmp", pnm = Dir + "/out.pnm";
    std::ofstream(bmp, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    ASSERT_EQ(RunTool({"bmptopnm", bmp}, pnm), 0);
    TPnmImage out;
    ASSERT_TRUE(ReadPnmFile(pnm, out));
    ASSERT_EQ(out.Width, c.width);
    ASSERT_EQ(out.Height, 4);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < c.width; ++x) {
        TRGB got;
        if (out.Kind == '4')
          got = Gray(out.At(x, y) ? 0 : 255);
        else if (out.Kind == '5')
          got = Gray(uint8_t(out.At(x, y)));
        else
          got = MakeTRGB(uint8_t(out.At(x, y, 0)), uint8_t(out.At(x, y, 1)), uint8_t(out.At(x, y, 2)));
        ASSERT_EQ(got, Pixel(b, x, y)) << x << "," << y;
      }
  }
}

// ---- Platform bitmaps ------------------------------------------------------------------

TEST(ModelDibTBitmapCopy, CopiesRowsFormatAndColours) {
  TBitmap src;
  src.SetPixelFormat(TPixelFormat::pf8bit);
  src.SetSize(7, 3);
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palNumEntries = 256;
  for (int i = 0; i < 256; ++i) lp->palPalEntry[i] = PALETTEENTRY{uint8_t(i), 0, uint8_t(255 - i), 0};
  src.SetPalette(CreatePalette(lp));
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 7; ++x) src.ScanLine(y)[x] = uint8_t(30 * y + x);

  TBitmap dst;
  dst.SetPixelFormat(TPixelFormat::pf24bit);
  dst.SetSize(2, 2);
  CopyTBitmap(&src, &dst);
  ASSERT_EQ(dst.Width(), 7);
  ASSERT_EQ(dst.Height(), 3);
  EXPECT_EQ(dst.PixelFormat(), TPixelFormat::pf8bit);
  for (int32_t y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(dst.ScanLine(y), src.ScanLine(y), 7), 0);
  EXPECT_EQ(dst.Canvas()->Pixels(2, 1), RGB(32, 0, 223));  // index 32 in the copied colours

  auto clone = CloneTBitmap(&src);
  EXPECT_EQ(std::memcmp(clone->ScanLine(2), src.ScanLine(2), 7), 0);

  TBitmap empty;
  empty.SetPixelFormat(TPixelFormat::pf1bit);
  CopyTBitmap(&empty, &dst);
  EXPECT_EQ(dst.Width(), 1);
  EXPECT_EQ(dst.Height(), 1);
  EXPECT_EQ(dst.PixelFormat(), TPixelFormat::pf1bit);

  EXPECT_EQ(IETBitmapRowLen(5, TPixelFormat::pf24bit), 16);
  EXPECT_EQ(IETBitmapRowLen(5, TPixelFormat::pfDevice), 0);
  EXPECT_EQ(IETBitmapFormatBits(TPixelFormat::pf15bit), 15);
  EXPECT_EQ(IETBitmapFormatBits(TPixelFormat::pfCustom), 0);
}

// ---- Drawing DIBs ------------------------------------------------------------------------

TEST(ModelDibDraw, DrawsDecodableFramesOnly) {
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf24bit);
  target.SetSize(4, 2);
  HDRAWDIB dd = IEDrawDibOpen();
  EXPECT_EQ(IEDrawDibRealize(dd, target.Canvas()->Handle(), false), 0u);
  const std::vector<uint8_t> yuy2 = MakeDib(2, 1, 16, IEFourCC("YUY2"), {}, {126, 128, 235, 128});
  // Stretched to 4 x 2 at the origin.
  EXPECT_TRUE(
      IEDrawDibDraw(dd, target.Canvas()->Handle(), 0, 0, 4, 2, yuy2.data(), yuy2.size(), nullptr, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(target.Canvas()->Pixels(0, 1), RGB(128, 128, 128));
  EXPECT_EQ(target.Canvas()->Pixels(3, 0), RGB(255, 255, 255));

  const std::vector<uint8_t> rle = MakeDib(2, 1, 8, 1, std::vector<uint8_t>(1024, 0x55), {2, 0, 0, 1});
  target.Canvas()->SetPixels(0, 0, clRed);
  EXPECT_FALSE(
      IEDrawDibDraw(dd, target.Canvas()->Handle(), 0, 0, 4, 2, rle.data(), rle.size(), nullptr, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clRed);
  EXPECT_TRUE(IEDrawDibClose(dd));
}
