#include "imaging/model/containers/iemask.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/exceptions.h"

namespace {

using PF = TIEPixelFormat;

// The rows of a mask as text: '.' for 0, '#' for a set bit or 255, '+' for
// other values.
std::vector<std::string> Picture(const TIEMask& M) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < M.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < M.Width(); ++x) {
      const uint8_t v = M.GetPixel(x, y);
      row += v == 0 ? '.' : (M.BitsPerPixel() == 1 || v == 255 ? '#' : '+');
    }
    rows.push_back(row);
  }
  return rows;
}

struct TBox {
  int32_t X1, Y1, X2, Y2;
  friend bool operator==(const TBox&, const TBox&) = default;
};
std::ostream& operator<<(std::ostream& os, const TBox& b) {
  return os << "(" << b.X1 << "," << b.Y1 << ")-(" << b.X2 << "," << b.Y2 << ")";
}
TBox BoxOf(const TIEMask& M) { return TBox{M.X1(), M.Y1(), M.X2(), M.Y2()}; }
const TBox kEmptyBox{TIEMask::EmptyBox, TIEMask::EmptyBox, 0, 0};

// A memory bitmap that stays in memory.
void Memory(TIEBitmap& B, int32_t W, int32_t H, PF Format) {
  B.SetMemoryThreshold(2147483647);
  B.SetLocation(TIELocation::ieMemory);
  B.Allocate(W, H, Format);
}

std::vector<uint8_t> Row8(TIEBitmap& B, int32_t Y) {
  std::vector<uint8_t> v;
  for (int32_t x = 0; x < B.Width(); ++x) v.push_back(B.GetPixel8(x, Y));
  return v;
}

}  // namespace

// ---- Full ----------------------------------------------------------------------------

// The Full flag of bitmaps and masks through the sequences that set and clear
// it. Only CheckFull and Allocate lower it on a 1-bit mask.
TEST(ModelFullFlags, Sequences) {
  TIEBitmap bitmap;
  TIEMask mask8, mask1;
  struct Step {
    const char* what;
    std::function<void()> run;
    std::function<bool()> full;
    bool expected;
  };
  auto bmp = [&] { return bitmap.Full(); };
  auto m8 = [&] { return mask8.Full(); };
  auto m1 = [&] { return mask1.Full(); };
  const Step steps[] = {
      {"ie8g Allocate", [&] { Memory(bitmap, 3, 2, PF::ie8g); }, bmp, false},
      {"ie8g Fill(255)", [&] { bitmap.Fill(255); }, bmp, true},
      {"ie8g SetPixel8 100", [&] { bitmap.SetPixel8(0, 0, 100); }, bmp, false},
      {"ie8g SetPixel8 255 does not set it", [&] { bitmap.SetPixel8(0, 0, 255); }, bmp, false},
      {"ie8g SyncFull", [&] { bitmap.SyncFull(); }, bmp, true},
      {"ie8g FillRect below the maximum leaves it", [&] { bitmap.FillRect(0, 0, 0, 0, 3); }, bmp, true},
      {"ie8g SyncFull again", [&] { bitmap.SyncFull(); }, bmp, false},

      {"8-bit mask Allocate", [&] { mask8.Allocate(4, 3, 8); }, m8, false},
      {"8-bit mask Fill(255)", [&] { mask8.Fill(255); }, m8, true},
      {"8-bit mask SetPixel 255", [&] { mask8.SetPixel(1, 1, 255); }, m8, true},
      {"8-bit mask SetPixel 100", [&] { mask8.SetPixel(1, 1, 100); }, m8, false},
      {"8-bit mask SetPixel 255 does not set it", [&] { mask8.SetPixel(1, 1, 255); }, m8, false},
      {"8-bit mask CheckFull", [&] { mask8.CheckFull(); }, m8, true},
      {"8-bit mask FillSpan 254", [&] { mask8.FillSpan(254, 0, 2, 1); }, m8, false},
      {"8-bit mask Fill(7)", [&] { mask8.Fill(7); }, m8, false},

      {"1-bit mask Allocate", [&] { mask1.Allocate(10, 3, 1); }, m1, false},
      {"1-bit mask Fill(0)", [&] { mask1.Fill(0); }, m1, true},
      {"1-bit mask CheckFull", [&] { mask1.CheckFull(); }, m1, false},
      {"1-bit mask Fill(255)", [&] { mask1.Fill(255); }, m1, true},
      {"1-bit mask SetPixel 0 leaves it", [&] { mask1.SetPixel(9, 2, 0); }, m1, true},
      {"1-bit mask FillSpan 0 leaves it", [&] { mask1.FillSpan(0, 0, 0, 3); }, m1, true},
      {"1-bit mask CheckFull", [&] { mask1.CheckFull(); }, m1, false},
      {"1-bit mask Empty", [&] { mask1.Empty(); }, m1, true},
      {"1-bit mask Allocate again", [&] { mask1.Allocate(10, 3, 1); }, m1, false},
  };
  for (const Step& s : steps) {
    s.run();
    EXPECT_EQ(s.full(), s.expected) << s.what;
  }
}

// ---- Storage and pixels -----------------------------------------------------------------

TEST(ModelMask, ShapeRowsAndBox) {
  TIEMask m;
  EXPECT_EQ(m.Width(), 0);
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_FALSE(m.Full());
  m.Allocate(100, 50, 8);
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(BoxOf(m), kEmptyBox);
  EXPECT_EQ(m.RowLen(), 100);
  EXPECT_EQ(m.GetPixel(10, 10), 0);
  EXPECT_EQ(m.ScanLine(0), m.Bits() + 100 * 49);  // bottom-up
  EXPECT_EQ(m.ScanLine(49), m.Bits());
  m.Allocate(33, 2, 1);
  EXPECT_EQ(m.RowLen(), 8);

  m.Allocate(20, 10, 8);
  m.SetPixel(5, 7, 255);
  EXPECT_EQ(BoxOf(m), (TBox{5, 7, 5, 7}));
  EXPECT_TRUE(m.IsPointInside(5, 7));
  m.SetPixel(5, 7, 0);
  EXPECT_EQ(m.GetPixel(5, 7), 0);
  EXPECT_EQ(BoxOf(m), (TBox{5, 7, 5, 7}));  // clearing does not shrink the box
  m.SetPixel(-1, 3, 255);
  m.SetPixel(20, 3, 255);
  m.SetPixel(3, 10, 255);
  EXPECT_EQ(BoxOf(m), (TBox{5, 7, 5, 7}));
  EXPECT_EQ(m.GetPixel(-1, 3), 0);
  EXPECT_EQ(m.GetPixel(3, 10), 0);
  m.SetPixel(2, 9, 40);
  m.SetPixel(12, 1, 1);
  EXPECT_EQ(BoxOf(m), (TBox{2, 1, 12, 9}));
  EXPECT_EQ(m.GetPixel(2, 9), 40);

  EXPECT_THROW(m.Allocate(4, 4, 4), Exception);
  EXPECT_EQ(m.Width(), 0);
  EXPECT_THROW(m.Allocate(70000, 70000, 8), Exception);

  m.Allocate(3, 3, 8);
  m.SetPixel(1, 1, 9);
  m.FreeBits();
  EXPECT_EQ(m.Width(), 0);
  EXPECT_EQ(m.Height(), 0);
  EXPECT_EQ(m.Bits(), nullptr);
  EXPECT_TRUE(m.IsEmpty());
}

TEST(ModelMask, OneBitPixelsAndPadding) {
  TIEMask m;
  m.Allocate(10, 2, 1);
  m.SetPixel(0, 0, 1);
  m.SetPixel(9, 1, 200);
  EXPECT_EQ(m.ScanLine(0)[0], 0x80);
  EXPECT_EQ(m.ScanLine(1)[1], 0x40);
  EXPECT_EQ(m.GetPixel(9, 1), 1);
  m.SetPixel(9, 1, 0);
  EXPECT_EQ(m.ScanLine(1)[1], 0x00);

  // Fill sets the padding bits too; they count for neither the box nor Full.
  m.Fill(255);
  for (int32_t y = 0; y < 2; ++y) m.FillSpan(0, 0, y, 9);
  m.SyncBoundingBox();
  EXPECT_TRUE(m.IsEmpty());
  m.CheckFull();
  EXPECT_FALSE(m.Full());
  for (int32_t y = 0; y < 2; ++y) {
    m.ScanLine(y)[0] = 0xFF;
    m.ScanLine(y)[1] = 0xC0;  // exactly the 10 pixels
  }
  m.CheckFull();
  EXPECT_TRUE(m.Full());
  m.SyncBoundingBox();
  EXPECT_EQ(BoxOf(m), (TBox{0, 0, 9, 1}));
}

TEST(ModelMask, SyncBoundingBoxFindsTheContent) {
  for (int32_t bpp : {1, 8}) {
    SCOPED_TRACE(testing::Message() << bpp << " bits");
    TIEMask m;
    m.Allocate(23, 9, bpp);
    m.SetPixel(17, 2, 255);
    m.SetPixel(4, 6, 3);
    m.SetPixel(22, 6, 255);
    m.SetPixel(22, 6, 0);
    m.SyncBoundingBox();
    EXPECT_EQ(BoxOf(m), (TBox{4, 2, 17, 6}));
    m.Empty();
    EXPECT_EQ(BoxOf(m), kEmptyBox);
    m.SyncBoundingBox();
    EXPECT_EQ(BoxOf(m), kEmptyBox);
  }
}

TEST(ModelMask, ResizeKeepsTheTopLeftAndClipsTheBox) {
  for (int32_t bpp : {1, 8}) {
    SCOPED_TRACE(testing::Message() << bpp << " bits");
    TIEMask m;
    m.Allocate(6, 4, bpp);
    m.Fill(255);  // padding included
    m.SetBoundingBox(0, 0, 5, 3);
    m.FillSpan(0, 0, 1, 1);
    m.Resize(4, 3);
    EXPECT_EQ(BoxOf(m), (TBox{0, 0, 3, 2}));
    m.Resize(9, 5);
    EXPECT_EQ(Picture(m), (std::vector<std::string>{"####.....", "..##.....", "####.....", ".........", "........."}));
    EXPECT_EQ(BoxOf(m), (TBox{0, 0, 3, 2}));
    m.SetBoundingBox(5, 1, 8, 4);
    m.Resize(5, 5);
    EXPECT_TRUE(m.IsEmpty());  // nothing of the box is left
  }
}

// ---- FillSpan and FillPolygon ----------------------------------------------------------------

TEST(ModelMaskPolygon, FillSpanClampsColumnsAndSkipsRowsOutside) {
  for (int32_t bpp : {1, 8}) {
    SCOPED_TRACE(testing::Message() << bpp << " bits");
    TIEMask m;
    m.Allocate(12, 3, bpp);
    EXPECT_EQ(m.FillSpan(255, -4, 1, 3), 4);
    EXPECT_EQ(m.FillSpan(255, 9, 2, 40), 3);
    EXPECT_EQ(m.FillSpan(255, 0, -1, 11), 0);  // not moved into row 0
    EXPECT_EQ(m.FillSpan(255, 0, 3, 11), 0);   // nor into row 2
    EXPECT_EQ(m.FillSpan(255, 7, 0, 6), 0);
    EXPECT_EQ(Picture(m), (std::vector<std::string>{"............", "####........", ".........###"}));
    EXPECT_TRUE(m.IsEmpty());  // spans leave the box alone
    // Value 0 clears, on 1-bit masks too.
    EXPECT_EQ(m.FillSpan(0, 1, 1, 2), 2);
    EXPECT_EQ(m.FillSpan(1, 5, 0, 5), 1);
    EXPECT_EQ(Picture(m)[1], "#..#........");
    EXPECT_EQ(m.GetPixel(5, 0), 1);
  }
}

TEST(ModelMaskPolygon, Shapes) {
  struct Case {
    const char* what;
    std::vector<TPoint> points;
    std::vector<std::string> picture;
    TBox box;
  };
  const int32_t S = IEPolygonSeparator;
  const Case cases[] = {
      {"square",
       {{0, 0}, {10, 0}, {10, 10}, {0, 10}},
       {"##########..", "##########..", "##########..", "##########..", "##########..", "##########..", "##########..",
        "##########..", "##########..", "##########..", "............", "............"},
       {0, 0, 9, 9}},
      {"two polygons",
       {{1, 1}, {4, 1}, {4, 3}, {1, 3}, {S, 0}, {6, 6}, {11, 6}, {6, 11}},
       {"............", ".###........", ".###........", "............", "............", "............", "......#####.",
        "......####..", "......###...", "......##....", "......#.....", "............"},
       {1, 1, 10, 10}},
      {"overlapping squares traced in one polygon (even-odd)",
       {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}, {3, 3}, {9, 3}, {9, 9}, {3, 9}, {3, 3}},
       {"######......", "######......", "######......", "###...###...", "###...###...", "###...###...", "...######...",
        "...######...", "...######...", "............", "............", "............"},
       {0, 0, 8, 8}},
      {"bow tie",
       {{0, 0}, {8, 8}, {8, 0}, {0, 8}},
       {"............", "#......#....", "##....##....", "###..###....", "########....", "###..###....", "##....##....",
        "#......#....", "............", "............", "............", "............"},
       {0, 0, 7, 7}},
      {"reaching above and below",
       {{2, -5}, {5, -5}, {5, 30}, {2, 30}},
       std::vector<std::string>(12, "..###......."),
       {2, 0, 4, 11}},
      {"wholly above", {{2, -9}, {5, -9}, {5, -1}, {2, -1}}, std::vector<std::string>(12, "............"), kEmptyBox},
      {"wholly below", {{2, 12}, {5, 12}, {5, 20}, {2, 20}}, std::vector<std::string>(12, "............"), kEmptyBox},
      {"degenerate", {{3, 3}, {7, 3}}, std::vector<std::string>(12, "............"), kEmptyBox},
  };
  for (int32_t bpp : {1, 8}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.what << ", " << bpp << " bits");
      TIEMask m;
      m.Allocate(12, 12, bpp);
      m.FillPolygon(255, c.points.data(), int32_t(c.points.size()));
      EXPECT_EQ(Picture(m), c.picture);
      EXPECT_EQ(BoxOf(m), c.box);
      EXPECT_FALSE(m.Full());
    }
  }
}

TEST(ModelMaskPolygon, ValueZeroDeselectsAndAFullFillIsFull) {
  TIEMask m;
  m.Allocate(6, 4, 1);
  const TPoint all[] = {{-2, -2}, {20, -2}, {20, 20}, {-2, 20}};
  m.FillPolygon(1, all, 4);
  EXPECT_TRUE(m.Full());
  EXPECT_EQ(BoxOf(m), (TBox{0, 0, 5, 3}));
  const TPoint hole[] = {{1, 1}, {3, 1}, {3, 3}, {1, 3}};
  m.FillPolygon(0, hole, 4);
  EXPECT_FALSE(m.Full());
  EXPECT_EQ(Picture(m), (std::vector<std::string>{"######", "#..###", "#..###", "######"}));
  EXPECT_EQ(BoxOf(m), (TBox{0, 0, 5, 3}));
  // A polygon that writes nothing keeps the selection's box.
  const TPoint line[] = {{0, 2}, {5, 2}};
  m.FillPolygon(255, line, 2);
  EXPECT_EQ(BoxOf(m), (TBox{0, 0, 5, 3}));
}

// Rows far above the mask are not stepped through one by one; jumping over
// them must give the edges the positions stepping would.
TEST(ModelMaskPolygon, EdgesStartingFarAboveLandAsIfStepped) {
  const std::vector<TPoint> shape = {{-7, -3000}, {40, -1500}, {3, 25}, {31, -2999}, {17, 19}, {-3, 12}};
  constexpr int32_t shift = 3001;
  TIEMask near, tall;
  near.Allocate(40, 30, 8);
  tall.Allocate(40, 30 + shift, 8);
  near.FillPolygon(255, shape.data(), int32_t(shape.size()));
  std::vector<TPoint> moved = shape;
  for (TPoint& p : moved) p.Y += shift;
  tall.FillPolygon(255, moved.data(), int32_t(moved.size()));
  int32_t differ = 0, set = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      differ += near.GetPixel(x, y) != tall.GetPixel(x, y + shift);
      set += near.GetPixel(x, y) != 0;
    }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(set, 100);

  // Coordinates at the ends of 32 bits finish at once and fill what they cover.
  const TPoint huge[] = {
      {-2000000000, -2000000000}, {2000000000, -2000000000}, {2000000000, 2000000000}, {-2000000000, 2000000000}};
  const auto start = std::chrono::steady_clock::now();
  near.Empty();
  near.FillPolygon(255, huge, 4);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(near.Full());
  EXPECT_EQ(BoxOf(near), (TBox{0, 0, 39, 29}));

  // A long edge whose error term needs more than 64 bits: x = 9 + y here.
  const TPoint slanted[] = {{-2000000000 + 10, -2000000000}, {2000000000 + 9, 2000000000}, {-2000000000, 2000000000}};
  near.Empty();
  near.FillPolygon(255, slanted, 3);
  for (int32_t y = 0; y < 30; ++y) {
    std::string expected(40, '.');
    for (int32_t x = 0; x <= 8 + y; ++x) expected[size_t(x)] = '#';
    EXPECT_EQ(Picture(near)[size_t(y)], expected) << "row " << y;
  }
}

// ---- Translate ------------------------------------------------------------------------------

TEST(ModelMask, TranslateLimitsOrCuts) {
  for (int32_t bpp : {1, 8}) {
    SCOPED_TRACE(testing::Message() << bpp << " bits");
    auto make = [bpp](TIEMask& m) {
      m.Allocate(12, 4, bpp);
      for (int32_t x = 2; x <= 8; ++x) m.SetPixel(x, 1, 255);
      m.SetPixel(2, 2, 255);
      m.SetPixel(11, 0, 255);  // widens the box to the right edge
      m.SetPixel(11, 0, 0);
    };
    TIEMask m;
    make(m);
    ASSERT_EQ(BoxOf(m), (TBox{2, 0, 11, 2}));
    int32_t dx = -5, dy = 0;
    m.Translate(dx, dy, false);
    EXPECT_EQ(dx, -2);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(Picture(m), (std::vector<std::string>{"............", "#######.....", "#...........", "............"}));
    EXPECT_EQ(BoxOf(m), (TBox{0, 0, 9, 2}));

    make(m);
    dx = -5;
    dy = 1;
    m.Translate(dx, dy, true);
    EXPECT_EQ(dx, -5);
    EXPECT_EQ(dy, 1);
    // Columns 2..4 left the mask; the rest moved left 5 and down 1.
    EXPECT_EQ(Picture(m), (std::vector<std::string>{"............", "............", "####........", "............"}));
    EXPECT_EQ(BoxOf(m), (TBox{0, 1, 6, 3}));

    make(m);
    dx = 0;
    dy = 9;
    m.Translate(dx, dy, false);
    EXPECT_EQ(dy, 1);
    EXPECT_EQ(Picture(m)[2], "..#######...");

    // A move of nothing changes nothing.
    make(m);
    dx = dy = 0;
    m.Translate(dx, dy, true);
    EXPECT_EQ(Picture(m)[1], "..#######...");
  }
}

TEST(ModelMask, TranslateOfAFullMaskClearsFull) {
  TIEMask m;
  m.Allocate(4, 4, 8);
  const TPoint all[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  m.FillPolygon(255, all, 4);
  ASSERT_TRUE(m.Full());
  int32_t dx = 1, dy = 0;
  m.Translate(dx, dy, true);
  EXPECT_FALSE(m.Full());
  EXPECT_EQ(Picture(m)[0], ".###");
}

// ---- Copies through the mask -------------------------------------------------------------------

TEST(ModelMaskCopy, EightBitMaskBlendsRoundingOver255) {
  TIEMask m;
  m.Allocate(5, 1, 8);
  const uint8_t values[] = {0, 128, 128, 255, 1};
  for (int32_t x = 0; x < 5; ++x) m.SetPixel(x, 0, values[x]);
  m.SetBoundingBox(0, 0, 4, 0);

  TIEBitmap src, dst;
  Memory(src, 5, 1, PF::ie8g);
  Memory(dst, 5, 1, PF::ie8g);
  const uint8_t s[] = {200, 200, 100, 37, 227};
  const uint8_t d[] = {100, 100, 200, 90, 100};
  for (int32_t x = 0; x < 5; ++x) {
    src.SetPixel8(x, 0, s[x]);
    dst.SetPixel8(x, 0, d[x]);
  }
  m.CopyBitmap(&dst, &src, false, false, false);
  EXPECT_EQ(Row8(dst, 0), (std::vector<uint8_t>{100, 150, 150, 37, 100}));
  EXPECT_FALSE(dst.HasAlphaChannel());

  TIEBitmap rgbS, rgbD;
  Memory(rgbS, 5, 1, PF::ie24RGB);
  Memory(rgbD, 5, 1, PF::ie24RGB);
  rgbS.Fill(double(RGB(200, 100, 255)));
  rgbD.Fill(double(RGB(100, 200, 0)));
  m.CopyBitmap(&rgbD, &rgbS, false, false, false);
  EXPECT_EQ(*rgbD.PixelRGB(0, 0), MakeTRGB(100, 200, 0));
  EXPECT_EQ(*rgbD.PixelRGB(1, 0), MakeTRGB(150, 150, 128));
  EXPECT_EQ(*rgbD.PixelRGB(3, 0), MakeTRGB(200, 100, 255));
}

TEST(ModelMaskCopy, OneBitMaskReplacesSelectedPixels) {
  TIEMask m;
  m.Allocate(6, 2, 1);
  const TPoint rect[] = {{1, 0}, {4, 0}, {4, 2}, {1, 2}};
  m.FillPolygon(1, rect, 4);
  m.SetPixel(2, 1, 0);

  for (PF format : {PF::ie8g, PF::ie16g, PF::ie24RGB, PF::ie32f, PF::ieCMYK, PF::ieRGB48, PF::ie1g}) {
    SCOPED_TRACE(testing::Message() << "format " << int(format));
    TIEBitmap src, dst;
    Memory(src, 6, 2, format);
    Memory(dst, 6, 2, format);
    src.Fill(65535);  // non-zero, and not black, in every format
    m.CopyBitmap(&dst, &src, false, false, false);
    std::string got;
    for (int32_t y = 0; y < 2; ++y) {
      for (int32_t x = 0; x < 6; ++x) {
        TRGB c;
        dst.GetPixelAsRGB(x, y, c);
        got += c == TRGB{} ? '.' : '#';
      }
      got += '|';
    }
    EXPECT_EQ(got, ".###..|.#.#..|");
  }
  // Different formats copy nothing.
  TIEBitmap gray, rgb;
  Memory(gray, 6, 2, PF::ie8g);
  Memory(rgb, 6, 2, PF::ie24RGB);
  gray.Fill(9);
  m.CopyBitmap(&rgb, &gray, false, false, true);
  EXPECT_EQ(*rgb.PixelRGB(1, 0), MakeTRGB(0, 0, 0));
  EXPECT_FALSE(rgb.HasAlphaChannel());
}

TEST(ModelMaskCopy, CroppedBitmapsHoldTheBox) {
  TIEMask m;
  m.Allocate(10, 10, 8);
  m.FillSpan(255, 3, 4, 5);
  m.FillSpan(255, 3, 5, 5);
  m.SetBoundingBox(3, 4, 5, 5);

  TIEBitmap whole, crop;
  Memory(whole, 10, 10, PF::ie8g);
  Memory(crop, 3, 2, PF::ie8g);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) crop.SetPixel8(x, y, uint8_t(10 * y + x + 1));
  m.CopyBitmap(&whole, &crop, false, true, false);
  EXPECT_EQ(whole.GetPixel8(3, 4), 1);
  EXPECT_EQ(whole.GetPixel8(5, 5), 13);
  EXPECT_EQ(whole.GetPixel8(2, 4), 0);

  TIEBitmap back;
  Memory(back, 3, 2, PF::ie8g);
  whole.SetPixel8(4, 5, 99);
  m.CopyBitmap(&back, &whole, true, false, false);
  EXPECT_EQ(Row8(back, 1), (std::vector<uint8_t>{11, 99, 13}));
}

TEST(ModelMaskCopy, CopyAlphaTakesTheSmallerValue) {
  TIEMask m8, m1;
  m8.Allocate(4, 1, 8);
  m8.SetPixel(1, 0, 100);
  m8.SetPixel(2, 0, 255);
  m8.SetPixel(3, 0, 255);
  m8.SetBoundingBox(0, 0, 3, 0);
  m1.Allocate(4, 1, 1);
  m1.SetPixel(1, 0, 1);
  m1.SetPixel(3, 0, 1);
  m1.SetBoundingBox(0, 0, 3, 0);

  TIEBitmap src, dst, plain;
  Memory(src, 4, 1, PF::ie24RGB);
  Memory(dst, 4, 1, PF::ie24RGB);
  Memory(plain, 4, 1, PF::ie24RGB);
  const uint8_t a[] = {50, 200, 30, 255};
  for (int32_t x = 0; x < 4; ++x) src.SetAlpha(x, 0, a[x]);

  m8.CopyAlpha(&dst, &src, false, false);
  EXPECT_EQ(Row8(*dst.AlphaChannel(), 0), (std::vector<uint8_t>{0, 100, 30, 255}));
  EXPECT_FALSE(dst.AlphaChannel()->Full());
  m8.CopyAlpha(&dst, &plain, false, false);  // no source alpha: 255
  EXPECT_EQ(Row8(*dst.AlphaChannel(), 0), (std::vector<uint8_t>{0, 100, 255, 255}));
  EXPECT_FALSE(plain.HasAlphaChannel());
  m1.CopyAlpha(&dst, &src, false, false);
  EXPECT_EQ(Row8(*dst.AlphaChannel(), 0), (std::vector<uint8_t>{0, 200, 0, 255}));

  // Through CopyBitmap.
  TIEBitmap dst2;
  Memory(dst2, 4, 1, PF::ie24RGB);
  m1.CopyBitmap(&dst2, &src, false, false, true);
  EXPECT_EQ(Row8(*dst2.AlphaChannel(), 0), (std::vector<uint8_t>{0, 200, 0, 255}));
}

// ---- Exchange with bitmaps ------------------------------------------------------------------------

TEST(ModelMaskExchange, CopyFromMaskAndBack) {
  TIEBitmap b;
  Memory(b, 3, 3, PF::ie8g);
  b.CopyFromMask(nullptr);
  EXPECT_EQ(Row8(b, 2), (std::vector<uint8_t>{255, 255, 255}));
  EXPECT_TRUE(b.Full());

  for (int32_t bpp : {1, 8}) {
    SCOPED_TRACE(testing::Message() << bpp << " bits");
    for (bool inFile : {false, true}) {
      TIEMask m;
      m.Allocate(13, 3, bpp);
      m.SetPixel(0, 0, 255);
      m.SetPixel(12, 2, 255);
      m.SetPixel(5, 1, 255);
      m.SetFull(true);  // passed on as it is
      TIEBitmap image;
      TIEBitmap* alpha = image.AlphaChannel();
      alpha->SetMemoryThreshold(inFile ? 0 : 2147483647);
      alpha->CopyFromMask(&m);
      ASSERT_EQ(alpha->PixelFormat(), bpp == 1 ? PF::ie1g : PF::ie8g);
      EXPECT_EQ(alpha->Location(), inFile ? TIELocation::ieFile : TIELocation::ieMemory);
      EXPECT_TRUE(alpha->IsAlphaChannel());
      EXPECT_TRUE(alpha->Full());
      for (int32_t y = 0; y < 3; ++y) {
        std::string row;
        for (int32_t x = 0; x < 13; ++x) {
          TRGB c;
          alpha->GetPixelAsRGB(x, y, c);
          row += c.r ? '#' : '.';
        }
        EXPECT_EQ(row, Picture(m)[size_t(y)]);
      }

      TIEMask back;
      alpha->SetFull(false);
      alpha->CopyToMask(&back);
      EXPECT_EQ(back.BitsPerPixel(), bpp);
      EXPECT_EQ(Picture(back), Picture(m));
      EXPECT_FALSE(back.Full());
      EXPECT_EQ(BoxOf(back), (TBox{0, 0, 12, 2}));
    }
  }
  // Other formats leave the mask alone.
  TIEMask m;
  m.Allocate(2, 2, 8);
  TIEBitmap rgb;
  Memory(rgb, 5, 5, PF::ie24RGB);
  rgb.CopyToMask(&m);
  EXPECT_EQ(m.Width(), 2);
}

// ---- Zoom buffer ----------------------------------------------------------------------------------

TEST(ModelMask, ZoomToBufferScalesTheBoxArea) {
  for (int32_t bpp : {1, 8}) {
    SCOPED_TRACE(testing::Message() << bpp << " bits");
    TIEMask m;
    m.Allocate(4, 4, bpp);
    m.SetPixel(1, 1, 255);
    m.SetPixel(2, 2, 255);
    m.SetPixel(3, 0, 255);
    m.SetPixel(3, 0, 0);  // box 1,0 .. 3,2
    m.ZoomToBuffer(0, 0, 4, 4, 8, 8);
    ASSERT_EQ(m.ZoomWidth(), 8);
    ASSERT_EQ(m.ZoomHeight(), 8);
    std::vector<std::string> got;
    for (int32_t r = 0; r < 8; ++r) {
      std::string row;
      for (int32_t c = 0; c < 8; ++c) {
        const uint8_t* z = m.ZoomRow(r);
        const bool set = bpp == 8 ? z[c] != 0 : (z[c >> 3] & (0x80 >> (c & 7))) != 0;
        row += set ? '#' : '.';
      }
      got.push_back(row);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"........", "........", "..##....", "..##....", "....##..", "....##..",
                                             "........", "........"}));
    // The rows are bottom-up in the buffer.
    EXPECT_EQ(m.ZoomRow(7), m.ZoomBuffer());
    // Half size: every other mask pixel.
    m.ZoomToBuffer(0, 0, 4, 4, 2, 2);
    EXPECT_EQ(m.ZoomWidth(), 2);
    EXPECT_EQ(bpp == 8 ? m.ZoomRow(1)[1] : (m.ZoomRow(1)[0] & 0x40), bpp == 8 ? 255 : 0x40);
    EXPECT_EQ(bpp == 8 ? m.ZoomRow(0)[0] : (m.ZoomRow(0)[0] & 0x80), 0);
  }
}
