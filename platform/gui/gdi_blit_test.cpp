#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/gdi_internal.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;

struct TSurface {
  HDC DC;
  HBITMAP Bmp;
  HGDIOBJ Old;
  int W, H;
  TSurface(int w, int h, TGdiPixelFormat f = GdiFormat24, std::vector<RGBQUAD> colors = {}) : W(w), H(h) {
    DC = CreateCompatibleDC(nullptr);
    if (f.BitCount <= 8 && colors.empty()) colors = GdiDefaultColorTable(f.BitCount);
    Bmp = GdiCreateDIB(w, h, f, colors.data(), int32_t(colors.size()));
    Old = SelectObject(DC, Bmp);
  }
  explicit TSurface(HBITMAP bmp) : Bmp(bmp) {
    DC = CreateCompatibleDC(nullptr);
    Old = SelectObject(DC, Bmp);
    BITMAP bm;
    GetObject(bmp, sizeof bm, &bm);
    W = bm.bmWidth;
    H = bm.bmHeight;
  }
  ~TSurface() {
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
  }
  void Row(int y, const std::vector<COLORREF>& colors) {
    for (size_t x = 0; x < colors.size(); ++x) SetPixel(DC, int(x), y, colors[x]);
  }
  std::vector<COLORREF> Row(int y) const {
    std::vector<COLORREF> r;
    for (int x = 0; x < W; ++x) r.push_back(GetPixel(DC, x, y));
    return r;
  }
  std::vector<COLORREF> Column(int x) const {
    std::vector<COLORREF> r;
    for (int y = 0; y < H; ++y) r.push_back(GetPixel(DC, x, y));
    return r;
  }
};

COLORREF Grey(int v) { return COLORREF(RGB(uint8_t(v), uint8_t(v), uint8_t(v))); }

}  // namespace

TEST(GfxBlit, NearestSamplingEnlargesShrinksAndMirrors) {
  const std::vector<COLORREF> src6 = {Grey(0), Grey(10), Grey(20), Grey(30), Grey(40), Grey(50)};
  struct TCase {
    const char* Name;
    int DstX, DstW;         // destination extent (may be negative)
    int SrcX, SrcW;         // source extent (may be negative)
    std::vector<int> Want;  // source index per destination pixel, -1 untouched
  };
  // Source index = ((2i + 1) * srcSize) div (2 * dstSize).
  const TCase cases[] = {
      {"copy", 0, 6, 0, 6, {0, 1, 2, 3, 4, 5, -1, -1, -1}},
      {"enlarge 4 to 9", 0, 9, 1, 4, {1, 1, 2, 2, 3, 3, 3, 4, 4}},
      {"shrink 6 to 4", 0, 4, 0, 6, {0, 2, 3, 5, -1, -1, -1, -1, -1}},
      {"shrink 6 to 3", 2, 3, 0, 6, {-1, -1, 1, 3, 5, -1, -1, -1, -1}},
      {"mirror by the destination", 6, -6, 0, 6, {5, 4, 3, 2, 1, 0, -1, -1, -1}},
      {"mirror by the source", 0, 6, 6, -6, {5, 4, 3, 2, 1, 0, -1, -1, -1}},
      {"both negative: no mirror", 6, -6, 6, -6, {0, 1, 2, 3, 4, 5, -1, -1, -1}},
      {"mirror while shrinking", 4, -4, 0, 6, {5, 3, 2, 0, -1, -1, -1, -1, -1}},
      {"source past the edge", 0, 6, 3, 6, {3, 4, 5, -1, -1, -1, -1, -1, -1}},
  };
  for (int mode : {COLORONCOLOR, BLACKONWHITE}) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(c.Name);
      TSurface src(6, 1), dst(9, 1);
      src.Row(0, src6);
      for (int x = 0; x < 9; ++x) SetPixel(dst.DC, x, 0, kRed);
      SetStretchBltMode(dst.DC, mode);
      ASSERT_TRUE(StretchBlt(dst.DC, c.DstX, 0, c.DstW, 1, src.DC, c.SrcX, 0, c.SrcW, 1, SRCCOPY));
      for (int x = 0; x < 9; ++x) {
        const int w = c.Want[size_t(x)];
        EXPECT_EQ(GetPixel(dst.DC, x, 0), w < 0 ? kRed : src6[size_t(w)]) << x;
      }
    }
  }
  // Vertical mirroring follows the same rule.
  TSurface src(1, 3), dst(1, 3);
  src.Row(0, {kRed});
  src.Row(1, {kGreen});
  src.Row(2, {kBlue});
  StretchBlt(dst.DC, 0, 3, 1, -3, src.DC, 0, 0, 1, 3, SRCCOPY);
  EXPECT_EQ(dst.Column(0), (std::vector<COLORREF>{kBlue, kGreen, kRed}));
}

TEST(GfxBlit, HalftoneAveragesTheCoveredArea) {
  TSurface src(3, 2), dst(2, 1);
  src.Row(0, {Grey(0), Grey(90), Grey(30)});
  src.Row(1, {Grey(60), Grey(30), Grey(90)});
  SetStretchBltMode(dst.DC, HALFTONE);
  // Each destination pixel covers 1.5 x 2 source pixels.
  ASSERT_TRUE(StretchBlt(dst.DC, 0, 0, 2, 1, src.DC, 0, 0, 3, 2, SRCCOPY));
  // Left: (0 + 60) * 1 + (90 + 30) * 0.5 = 120 over 3 -> 40; right: (90 + 30) * 0.5 + (30 + 90) * 1 = 180 / 3.
  EXPECT_EQ(dst.Row(0), (std::vector<COLORREF>{Grey(40), Grey(60)}));
  // Enlarging by a whole factor repeats pixels; mirroring reverses them.
  TSurface wide(4, 1);
  SetStretchBltMode(wide.DC, HALFTONE);
  StretchBlt(wide.DC, 0, 0, 4, 1, src.DC, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(wide.Row(0), (std::vector<COLORREF>{Grey(0), Grey(0), Grey(90), Grey(90)}));
  StretchBlt(wide.DC, 4, 0, -4, 1, src.DC, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(wide.Row(0), (std::vector<COLORREF>{Grey(90), Grey(90), Grey(0), Grey(0)}));
  // Enlarging by 3 / 2: the middle pixel straddles two source pixels.
  TSurface three(3, 1);
  SetStretchBltMode(three.DC, HALFTONE);
  StretchBlt(three.DC, 0, 0, 3, 1, src.DC, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(three.Row(0), (std::vector<COLORREF>{Grey(0), Grey(45), Grey(90)}));
}

TEST(GfxBlit, MonochromeAndColourConversions) {
  // A monochrome bitmap: 0 bits take the destination's text colour, 1 bits
  // its background colour.
  const uint8_t bits[2] = {0x60, 0};  // 0 1 1 0
  TSurface mono(CreateBitmap(4, 1, 1, 1, bits));
  TSurface dst(4, 1);
  SetTextColor(dst.DC, kRed);
  SetBkColor(dst.DC, kBlue);
  SetTextColor(mono.DC, kGreen);  // the source DC's colours play no part
  ASSERT_TRUE(BitBlt(dst.DC, 0, 0, 4, 1, mono.DC, 0, 0, SRCCOPY));
  EXPECT_EQ(dst.Row(0), (std::vector<COLORREF>{kRed, kBlue, kBlue, kRed}));

  // A 1-bit DIB with a colour table uses its table.
  const RGBQUAD table[2] = {{0, 255, 0, 0}, {255, 255, 255, 0}};
  TSurface dib(4, 1, GdiFormat1, {table[0], table[1]});
  dib.Row(0, {kGreen, kWhite, kGreen, kWhite});
  BitBlt(dst.DC, 0, 0, 4, 1, dib.DC, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.Row(0), (std::vector<COLORREF>{kGreen, kWhite, kGreen, kWhite}));

  // Colour to monochrome: the source DC's background colour becomes 1.
  TSurface colour(4, 1);
  colour.Row(0, {kRed, kBlue, kWhite, kRed});
  SetBkColor(colour.DC, kRed);
  ASSERT_TRUE(BitBlt(mono.DC, 0, 0, 4, 1, colour.DC, 0, 0, SRCCOPY));
  EXPECT_EQ(mono.Row(0), (std::vector<COLORREF>{kWhite, kBlack, kBlack, kWhite}));

  // The transparent-drawing idiom: mask by SRCAND, image by SRCINVERT.
  TSurface back(4, 1);
  back.Row(0, {kGreen, kGreen, kGreen, kGreen});
  SetTextColor(back.DC, kBlack);
  SetBkColor(back.DC, kWhite);
  BitBlt(back.DC, 0, 0, 4, 1, mono.DC, 0, 0, SRCAND);  // 1 = keep background
  TSurface image(4, 1);
  image.Row(0, {kBlack, kBlue, kBlue, kBlack});
  BitBlt(back.DC, 0, 0, 4, 1, image.DC, 0, 0, SRCINVERT);
  EXPECT_EQ(back.Row(0), (std::vector<COLORREF>{kGreen, kBlue, kBlue, kGreen}));
}

TEST(GfxBlit, ConversionsBetweenDepths) {
  const std::vector<COLORREF> colours = {kRed, kGreen, kBlue, kWhite, kBlack, RGB(128, 128, 128)};
  const TGdiPixelFormat formats[] = {GdiFormat4, GdiFormat8, GdiFormat15, GdiFormat16, GdiFormat24, GdiFormat32};
  for (const TGdiPixelFormat& from : formats) {
    for (const TGdiPixelFormat& to : formats) {
      SCOPED_TRACE(std::to_string(from.BitCount) + " to " + std::to_string(to.BitCount));
      TSurface a(6, 1, from), b(6, 1, to);
      a.Row(0, colours);
      ASSERT_TRUE(BitBlt(b.DC, 0, 0, 6, 1, a.DC, 0, 0, SRCCOPY));
      const std::vector<COLORREF> got = b.Row(0);
      for (size_t i = 0; i < 5; ++i) EXPECT_EQ(got[i], colours[i]);
      // Grey 128 survives within what 5 and 6 bits of a channel can hold.
      for (int shift : {0, 8, 16}) EXPECT_NEAR(int((got[5] >> shift) & 0xFF), 128, 6) << shift;
    }
  }
}

TEST(GfxBlit, ClippingOverlapAndPatterns) {
  // Destination clip and the source's edges both limit a blit.
  TSurface src(3, 3), dst(5, 5);
  for (int y = 0; y < 3; ++y) src.Row(y, {kRed, kRed, kRed});
  for (int y = 0; y < 5; ++y) dst.Row(y, {kWhite, kWhite, kWhite, kWhite, kWhite});
  IntersectClipRect(dst.DC, 0, 0, 5, 2);
  BitBlt(dst.DC, 1, 0, 4, 4, src.DC, 1, 1, SRCCOPY);
  SelectClipRgn(dst.DC, nullptr);
  EXPECT_EQ(dst.Row(0), (std::vector<COLORREF>{kWhite, kRed, kRed, kWhite, kWhite}));
  EXPECT_EQ(dst.Row(1), (std::vector<COLORREF>{kWhite, kRed, kRed, kWhite, kWhite}));
  EXPECT_EQ(dst.Row(2), (std::vector<COLORREF>{kWhite, kWhite, kWhite, kWhite, kWhite}));

  // Scrolling within one bitmap reads the pixels as they were.
  TSurface s(5, 1);
  s.Row(0, {Grey(1), Grey(2), Grey(3), Grey(4), Grey(5)});
  BitBlt(s.DC, 1, 0, 4, 1, s.DC, 0, 0, SRCCOPY);
  EXPECT_EQ(s.Row(0), (std::vector<COLORREF>{Grey(1), Grey(1), Grey(2), Grey(3), Grey(4)}));
  BitBlt(s.DC, 0, 0, 4, 1, s.DC, 1, 0, SRCCOPY);
  EXPECT_EQ(s.Row(0), (std::vector<COLORREF>{Grey(1), Grey(2), Grey(3), Grey(4), Grey(4)}));

  // Pattern operations use the selected brush.
  HBRUSH blue = CreateSolidBrush(kBlue);
  HGDIOBJ old = SelectObject(s.DC, blue);
  ASSERT_TRUE(PatBlt(s.DC, 0, 0, 2, 1, PATCOPY));
  ASSERT_TRUE(PatBlt(s.DC, 2, 0, -1, 1, DSTINVERT));  // x 1 only
  EXPECT_EQ(s.Row(0)[0], kBlue);
  EXPECT_EQ(s.Row(0)[1], COLORREF(0x00FFFF));
  SelectObject(s.DC, GetStockObject(NULL_BRUSH));
  ASSERT_TRUE(PatBlt(s.DC, 0, 0, 1, 1, PATCOPY));  // no pattern: nothing
  EXPECT_EQ(s.Row(0)[0], kBlue);
  ASSERT_TRUE(PatBlt(s.DC, 4, 0, 1, 1, BLACKNESS));
  EXPECT_EQ(s.Row(0)[4], kBlack);
  SelectObject(s.DC, old);
  DeleteObject(blue);
  EXPECT_FALSE(BitBlt(s.DC, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));  // source needed
  EXPECT_TRUE(BitBlt(s.DC, 0, 0, 1, 1, nullptr, 0, 0, WHITENESS));
}

TEST(GfxBlit, PackedDibTransfers) {
  // A 2 x 3 bottom-up 24-bit DIB: memory rows are bottom, middle, top.
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = 3;
  bi.bmiHeader.biBitCount = 24;
  uint8_t bits[3][8] = {};
  auto put = [&](int row, int x, COLORREF c) {
    bits[row][3 * x] = uint8_t(c >> 16);
    bits[row][3 * x + 1] = uint8_t(c >> 8);
    bits[row][3 * x + 2] = uint8_t(c);
  };
  put(0, 0, kBlue), put(0, 1, kBlue);    // bottom
  put(1, 0, kGreen), put(1, 1, kGreen);  // middle
  put(2, 0, kRed), put(2, 1, kWhite);    // top
  TSurface dst(2, 3);
  ASSERT_EQ(StretchDIBits(dst.DC, 0, 0, 2, 3, 0, 0, 2, 3, bits, &bi, DIB_RGB_COLORS, SRCCOPY), 3);
  EXPECT_EQ(dst.Column(0), (std::vector<COLORREF>{kRed, kGreen, kBlue}));
  // Source rows count from the bottom: ySrc 1, height 2 is the middle and top.
  TSurface two(2, 2);
  StretchDIBits(two.DC, 0, 0, 2, 2, 0, 1, 2, 2, bits, &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(two.Column(1), (std::vector<COLORREF>{kWhite, kGreen}));
  // Top-down: rows count from the top; SRCINVERT combines.
  bi.bmiHeader.biHeight = -3;
  StretchDIBits(two.DC, 0, 0, 2, 1, 0, 1, 2, 1, bits, &bi, DIB_RGB_COLORS, SRCINVERT);
  EXPECT_EQ(two.Row(0), (std::vector<COLORREF>{kRed ^ kGreen, kWhite ^ kGreen}));
  EXPECT_EQ(StretchDIBits(two.DC, 0, 0, 2, 1, 0, 0, 2, 1, bits, &bi, DIB_PAL_COLORS, SRCCOPY), 0);

  // SetDIBitsToDevice with a band of scan lines: rows 1..2 from the bottom.
  bi.bmiHeader.biHeight = 3;
  TSurface band(2, 3);
  for (int y = 0; y < 3; ++y) band.Row(y, {kBlack, kBlack});
  ASSERT_EQ(SetDIBitsToDevice(band.DC, 0, 0, 2, 3, 0, 0, 1, 2, bits[0], &bi, DIB_RGB_COLORS), 2);
  // The band holds scan lines 1 and 2 (the buffer's blue and green rows).
  EXPECT_EQ(band.Column(0), (std::vector<COLORREF>{kGreen, kBlue, kBlack}));
}

TEST(GfxBlit, GetDIBitsConverts) {
  TSurface src(3, 2);
  src.Row(0, {kRed, kGreen, kBlue});
  src.Row(1, {kWhite, kBlack, Grey(128)});
  std::vector<uint8_t> buf(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  auto* bi = reinterpret_cast<BITMAPINFO*>(buf.data());
  bi->bmiHeader = BITMAPINFOHEADER{};
  ASSERT_EQ(GetDIBits(src.DC, src.Bmp, 0, 0, nullptr, bi, DIB_RGB_COLORS), 1);  // the header only
  EXPECT_EQ(bi->bmiHeader.biWidth, 3);
  EXPECT_EQ(bi->bmiHeader.biHeight, 2);
  EXPECT_EQ(bi->bmiHeader.biBitCount, 24);
  EXPECT_EQ(bi->bmiHeader.biSizeImage, 24u);

  // To 32 bits, top-down.
  bi->bmiHeader.biBitCount = 32;
  bi->bmiHeader.biHeight = -2;
  bi->bmiHeader.biCompression = BI_RGB;
  uint32_t px[6] = {};
  ASSERT_EQ(GetDIBits(src.DC, src.Bmp, 0, 2, px, bi, DIB_RGB_COLORS), 2);
  EXPECT_EQ(px[0], 0x00FF0000u);
  EXPECT_EQ(px[2], 0x000000FFu);
  EXPECT_EQ(px[5], 0x00808080u);

  // To 8 bits, bottom-up, one scan line: the bottom row, with the default table.
  bi->bmiHeader.biBitCount = 8;
  bi->bmiHeader.biHeight = 2;
  uint8_t idx[4] = {};
  ASSERT_EQ(GetDIBits(src.DC, src.Bmp, 0, 1, idx, bi, DIB_RGB_COLORS), 1);
  const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(buf.data() + sizeof(BITMAPINFOHEADER));
  auto colourOf = [&](uint8_t i) { return COLORREF(RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue)); };
  EXPECT_EQ(colourOf(idx[0]), kWhite);
  EXPECT_EQ(colourOf(idx[1]), kBlack);
  EXPECT_EQ(colourOf(idx[2]), Grey(128));

  // 16 bits with 5-6-5 masks.
  bi->bmiHeader.biBitCount = 16;
  bi->bmiHeader.biCompression = BI_BITFIELDS;
  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  std::memcpy(buf.data() + sizeof(BITMAPINFOHEADER), masks, sizeof masks);
  uint16_t words[8] = {};
  ASSERT_EQ(GetDIBits(src.DC, src.Bmp, 1, 1, words, bi, DIB_RGB_COLORS), 1);  // the top row
  EXPECT_EQ(words[0], 0xF800);
  EXPECT_EQ(words[1], 0x07E0);
  EXPECT_EQ(GetDIBits(src.DC, src.Bmp, 2, 1, words, bi, DIB_RGB_COLORS), 0);  // past the end
  EXPECT_EQ(GetDIBits(src.DC, nullptr, 0, 1, words, bi, DIB_RGB_COLORS), 0);
}
