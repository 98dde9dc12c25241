#include "platform/gui/backends/sdl_pixels.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/gui/windows.h"

namespace {

// A 3 x 2 bottom-up source: top row red, green, blue; bottom row white,
// black, gray (0x80), each pixel's unused byte 0x11.
struct TSource {
  uint8_t Bytes[2][12];
  TSource() {
    const uint32_t top[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    const uint32_t bottom[3] = {0xFFFFFF, 0x000000, 0x808080};
    for (int x = 0; x < 3; ++x) {
      Put(Bytes[1] + x * 4, top[x]);  // memory row 1 is the top row
      Put(Bytes[0] + x * 4, bottom[x]);
    }
  }
  static void Put(uint8_t* p, uint32_t rgb) {
    p[0] = uint8_t(rgb);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb >> 16);
    p[3] = 0x11;
  }
  TSdlSource View() const { return TSdlSource{&Bytes[0][0], 3, 2, 12, false}; }
};

uint32_t Read(const std::vector<uint8_t>& buf, int32_t pitch, int32_t bpp, int32_t x, int32_t y) {
  uint32_t v = 0;
  for (int32_t k = 0; k < bpp; ++k) v |= uint32_t(buf[size_t(y * pitch + x * bpp + k)]) << (8 * k);
  return v;
}

TEST(Sdl2Pixels, RowsFlipAndConvertToTheFrameBufferFormat) {
  const TSource src;
  const struct {
    const char* Name;
    int32_t Bpp;
    uint32_t R, G, B, A;
    uint32_t Red, Green, Blue, White, Black, Gray;
  } formats[] = {
      // The unused byte of a format without alpha is left as it comes.
      {"XRGB8888", 4, 0xFF0000, 0xFF00, 0xFF, 0, 0x11FF0000, 0x1100FF00, 0x110000FF, 0x11FFFFFF, 0x11000000,
       0x11808080},
      {"ARGB8888", 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000,
       0xFF808080},
      {"ABGR8888", 4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF, 0xFF000000,
       0xFF808080},
      {"RGB565", 2, 0xF800, 0x07E0, 0x001F, 0, 0xF800, 0x07E0, 0x001F, 0xFFFF, 0, 0x8410},
      {"BGR24", 3, 0xFF0000, 0xFF00, 0xFF, 0, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x808080},
  };
  for (const auto& f : formats) {
    SCOPED_TRACE(f.Name);
    const int32_t pitch = 3 * f.Bpp + 2;  // padded rows
    std::vector<uint8_t> buf(size_t(pitch) * 2, 0);
    const TSdlTarget t{buf.data(), 3, 2, pitch, f.Bpp, f.R, f.G, f.B, f.A};
    ASSERT_TRUE(SdlCopyPixels(src.View(), 0, 0, t, 0, 0, 3, 2));
    EXPECT_EQ(Read(buf, pitch, f.Bpp, 0, 0), f.Red);
    EXPECT_EQ(Read(buf, pitch, f.Bpp, 1, 0), f.Green);
    EXPECT_EQ(Read(buf, pitch, f.Bpp, 2, 0), f.Blue);
    EXPECT_EQ(Read(buf, pitch, f.Bpp, 0, 1), f.White);
    EXPECT_EQ(Read(buf, pitch, f.Bpp, 1, 1), f.Black);
    EXPECT_EQ(Read(buf, pitch, f.Bpp, 2, 1), f.Gray);
    EXPECT_EQ(buf[size_t(3 * f.Bpp)], 0) << "row padding untouched";
  }
}

TEST(Sdl2Pixels, BlocksAreClippedToBothSides) {
  const TSource src;
  std::vector<uint8_t> buf(2 * 2 * 4, 0xEE);
  const TSdlTarget t{buf.data(), 2, 2, 8, 4, 0xFF0000, 0xFF00, 0xFF, 0};
  // From (-1, 0) of the source to (0, -1) of the target: only source pixel
  // (0, 1) (white) lands, at (1, 0).
  ASSERT_TRUE(SdlCopyPixels(src.View(), -1, 0, t, 0, -1, 3, 3));
  EXPECT_EQ(Read(buf, 8, 4, 1, 0), 0x11FFFFFFu);
  EXPECT_EQ(Read(buf, 8, 4, 0, 0), 0xEEEEEEEEu);
  EXPECT_EQ(Read(buf, 8, 4, 0, 1), 0xEEEEEEEEu);
  EXPECT_EQ(Read(buf, 8, 4, 1, 1), 0xEEEEEEEEu);
  // Entirely outside: nothing is written.
  ASSERT_TRUE(SdlCopyPixels(src.View(), 3, 0, t, 0, 0, 2, 2));
  ASSERT_TRUE(SdlCopyPixels(src.View(), 0, 0, t, 2, 0, 2, 2));
  EXPECT_EQ(Read(buf, 8, 4, 0, 0), 0xEEEEEEEEu);
}

TEST(Sdl2Pixels, FormatsItCannotWriteAreRefused) {
  const TSource src;
  std::vector<uint8_t> buf(64, 0);
  const TSdlTarget deep{buf.data(), 3, 2, 12, 4, 0x3FF00000, 0x000FFC00, 0x000003FF, 0};
  const TSdlTarget gaps{buf.data(), 3, 2, 12, 4, 0xF0F000, 0xFF00, 0xFF, 0};
  const TSdlTarget wide{buf.data(), 3, 2, 12, 2, 0xFF0000, 0xFF00, 0xFF, 0};
  const TSdlTarget index{buf.data(), 3, 2, 12, 1, 0xE0, 0x1C, 0x03, 0};
  EXPECT_FALSE(SdlCopyPixels(src.View(), 0, 0, deep, 0, 0, 3, 2));
  EXPECT_FALSE(SdlCopyPixels(src.View(), 0, 0, gaps, 0, 0, 3, 2));
  EXPECT_FALSE(SdlCopyPixels(src.View(), 0, 0, wide, 0, 0, 3, 2));
  EXPECT_FALSE(SdlCopyPixels(src.View(), 0, 0, index, 0, 0, 3, 2));
  for (uint8_t b : buf) ASSERT_EQ(b, 0);
}

TEST(Sdl2Pixels, ShapeMaskFollowsTheRegionAndTheColourKey) {
  // Whole window without a region.
  std::vector<uint32_t> all = SdlShapeMask(3, 2, nullptr, nullptr, false, 0);
  for (uint32_t v : all) EXPECT_EQ(v, 0xFFFFFFFFu);

  // Two rectangles, one reaching outside the window.
  const TRect rects[] = {Rect(0, 0, 1, 1), Rect(2, 1, 5, 4)};
  const TRegion rgn = TRegion::FromRects(rects, 2);
  std::vector<uint32_t> m = SdlShapeMask(3, 2, &rgn, nullptr, false, 0);
  const uint32_t want[6] = {0xFFFFFFFF, 0, 0, 0, 0, 0xFFFFFFFF};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m[size_t(i)], want[i]) << i;

  // The colour key (blue, as a COLORREF) takes the blue pixel out.
  const TSource src;
  const TSdlSource view = src.View();  // top row: red, green, blue
  std::vector<uint32_t> k = SdlShapeMask(3, 2, nullptr, &view, true, 0xFF0000);
  const uint32_t keyed[6] = {0xFFFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(k[size_t(i)], keyed[i]) << i;
}

TEST(Sdl2Pixels, IconsAndCursorsAsArgbImages) {
  // A 32-bit icon with alpha: its own alpha counts, the mask does not.
  uint32_t color[4] = {0x80FF0000, 0xFF00FF00, 0x00000000, 0xFF0000FF};  // top-down rows
  const uint8_t maskBits[4] = {0xC0, 0, 0xC0, 0};                        // all transparent; rows of 16 bits
  ICONINFO ii;
  ii.fIcon = false;
  ii.xHotspot = 1;
  ii.yHotspot = 9;  // beyond the image: clamped
  ii.hbmMask = CreateBitmap(2, 2, 1, 1, maskBits);
  ii.hbmColor = CreateBitmap(2, 2, 1, 32, color);
  HICON icon = CreateIconIndirect(ii);
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);
  ASSERT_NE(icon, nullptr);
  TSdlImage img;
  ASSERT_TRUE(SdlIconImage(icon, img));
  EXPECT_EQ(img.Width, 2);
  EXPECT_EQ(img.Height, 2);
  EXPECT_EQ(img.HotX, 1);
  EXPECT_EQ(img.HotY, 1);
  ASSERT_EQ(img.Argb.size(), 4u);
  EXPECT_EQ(img.Argb[0], 0x80FF0000u);
  EXPECT_EQ(img.Argb[1], 0xFF00FF00u);
  EXPECT_EQ(img.Argb[2], 0u);
  EXPECT_EQ(img.Argb[3], 0xFF0000FFu);
  DestroyIcon(icon);

  // A monochrome cursor: AND 0 XOR 0 black, AND 0 XOR 1 white, AND 1 XOR 0
  // transparent, AND 1 XOR 1 (inverting) black. Rows of 16 bits.
  const uint8_t andPlane[4] = {0x30, 0, 0x30, 0};  // pixels 2 and 3 of each row
  const uint8_t xorPlane[4] = {0x50, 0, 0x50, 0};  // pixels 1 and 3
  HCURSOR cur = CreateCursor(nullptr, 0, 0, 4, 2, andPlane, xorPlane);
  ASSERT_NE(cur, nullptr);
  ASSERT_TRUE(SdlIconImage(cur, img));
  EXPECT_EQ(img.Width, 4);
  EXPECT_EQ(img.Height, 2);
  const uint32_t want[4] = {0xFF000000u, 0xFFFFFFFFu, 0u, 0xFF000000u};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(img.Argb[size_t(y * 4 + x)], want[x]) << x << "," << y;
  DestroyCursor(cur);

  EXPECT_FALSE(SdlIconImage(nullptr, img));
}

}  // namespace
