#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/gdi_internal.h"

namespace {

// The truth table read bit by bit: result bit = table bit at (p << 2 | s << 1 | d).
uint32_t TruthTable(uint8_t rop, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (int b = 0; b < 32; ++b) {
    const int idx = int(((p >> b) & 1) << 2 | ((s >> b) & 1) << 1 | ((d >> b) & 1));
    r |= uint32_t((rop >> idx) & 1) << b;
  }
  return r;
}

HBITMAP MakeDib(int w, int h, int bpp, const std::vector<RGBQUAD>& colors, void** bits) {
  std::vector<uint8_t> buf(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bi = reinterpret_cast<BITMAPINFO*>(buf.data());
  bi->bmiHeader = BITMAPINFOHEADER{};
  bi->bmiHeader.biWidth = w;
  bi->bmiHeader.biHeight = -h;  // top-down: row y at bits + y * stride
  bi->bmiHeader.biBitCount = uint16_t(bpp);
  bi->bmiHeader.biClrUsed = uint32_t(colors.size());
  if (!colors.empty())
    std::memcpy(buf.data() + sizeof(BITMAPINFOHEADER), colors.data(), colors.size() * sizeof(RGBQUAD));
  return CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

TEST(GfxRop, Rop3AgreesWithTheTruthTableForEveryCode) {
  std::mt19937 rng(1234);
  for (int code = 0; code < 256; ++code) {
    for (int i = 0; i < 16; ++i) {
      const uint32_t p = rng(), s = rng(), d = rng();
      ASSERT_EQ(GdiRop3(uint8_t(code), p, s, d), TruthTable(uint8_t(code), p, s, d)) << code;
    }
    // The byte routine, over lengths that use its word loop and its tail.
    for (size_t n : {1u, 7u, 8u, 13u, 40u}) {
      std::vector<uint8_t> p(n), s(n), d(n), want(n);
      for (size_t k = 0; k < n; ++k) p[k] = uint8_t(rng()), s[k] = uint8_t(rng()), d[k] = uint8_t(rng());
      for (size_t k = 0; k < n; ++k) want[k] = uint8_t(TruthTable(uint8_t(code), p[k], s[k], d[k]));
      GdiRop3Bytes(uint8_t(code), p.data(), s.data(), d.data(), n);
      ASSERT_EQ(d, want) << code << " over " << n;
    }
  }
}

TEST(GfxRop, NamedCodesMapToTheirOperations) {
  struct TCase {
    const char* Name;
    uint32_t Code;
    uint32_t (*Fn)(uint32_t p, uint32_t s, uint32_t d);
  };
  const TCase cases[] = {
      {"SRCCOPY", SRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return s; }},
      {"SRCPAINT", SRCPAINT, [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
      {"SRCAND", SRCAND, [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
      {"SRCINVERT", SRCINVERT, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
      {"SRCERASE", SRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return s & ~d; }},
      {"NOTSRCCOPY", NOTSRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return ~s; }},
      {"NOTSRCERASE", NOTSRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return ~(s | d); }},
      {"MERGECOPY", MERGECOPY, [](uint32_t p, uint32_t s, uint32_t) { return p & s; }},
      {"MERGEPAINT", MERGEPAINT, [](uint32_t, uint32_t s, uint32_t d) { return ~s | d; }},
      {"PATCOPY", PATCOPY, [](uint32_t p, uint32_t, uint32_t) { return p; }},
      {"PATPAINT", PATPAINT, [](uint32_t p, uint32_t s, uint32_t d) { return p | ~s | d; }},
      {"PATINVERT", PATINVERT, [](uint32_t p, uint32_t, uint32_t d) { return p ^ d; }},
      {"DSTINVERT", DSTINVERT, [](uint32_t, uint32_t, uint32_t d) { return ~d; }},
      {"BLACKNESS", BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
      {"WHITENESS", WHITENESS, [](uint32_t, uint32_t, uint32_t) { return ~0u; }},
  };
  const uint32_t P = 0x00F0CC33, S = 0x0055AA0F, D = 0x00C3A596;  // 24-bit pixel values
  void* pb;
  void* sb;
  HBITMAP dst = MakeDib(1, 1, 24, {}, &pb);
  HBITMAP src = MakeDib(1, 1, 24, {}, &sb);
  HDC ddc = CreateCompatibleDC(nullptr), sdc = CreateCompatibleDC(nullptr);
  HGDIOBJ od = SelectObject(ddc, dst), os = SelectObject(sdc, src);
  auto rgb = [](uint32_t v) { return COLORREF(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16)); };
  HBRUSH brush = CreateSolidBrush(rgb(P));
  HGDIOBJ ob = SelectObject(ddc, brush);
  std::memcpy(sb, &S, 3);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(GdiRop3(uint8_t(c.Code >> 16), P, S, D), c.Fn(P, S, D));
    std::memcpy(pb, &D, 3);
    ASSERT_TRUE(BitBlt(ddc, 0, 0, 1, 1, sdc, 0, 0, c.Code));
    uint32_t got = 0;
    std::memcpy(&got, pb, 3);
    EXPECT_EQ(got, c.Fn(P, S, D) & 0xFFFFFF);
  }
  SelectObject(ddc, ob);
  SelectObject(ddc, od);
  SelectObject(sdc, os);
  DeleteObject(brush);
  DeleteDC(ddc);
  DeleteDC(sdc);
  DeleteObject(dst);
  DeleteObject(src);
}

TEST(GfxRop, UsageOfPatternSourceAndDestination) {
  EXPECT_TRUE(GdiRopUsesSource(SRCCOPY >> 16));
  EXPECT_FALSE(GdiRopUsesPattern(SRCCOPY >> 16));
  EXPECT_FALSE(GdiRopUsesDest(SRCCOPY >> 16));
  EXPECT_TRUE(GdiRopUsesPattern(MERGECOPY >> 16));
  EXPECT_TRUE(GdiRopUsesDest(PATINVERT >> 16));
  EXPECT_FALSE(GdiRopUsesSource(PATINVERT >> 16));
  EXPECT_FALSE(GdiRopUsesDest(WHITENESS >> 16) || GdiRopUsesPattern(WHITENESS >> 16) ||
               GdiRopUsesSource(WHITENESS >> 16));
  // PatBlt refuses operations that need a source.
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(PatBlt(dc, 0, 0, 1, 1, SRCCOPY));
  EXPECT_TRUE(PatBlt(dc, 0, 0, 1, 1, PATINVERT));
  DeleteDC(dc);
}

// All sixteen ROP2 modes: pen P over destination D, on 24-bit colours and on
// 8-bit palette indexes.
TEST(GfxRop, AllSixteenRop2Modes) {
  auto expect = [](int mode, uint32_t p, uint32_t d) -> uint32_t {
    switch (mode) {
      case R2_BLACK: return 0;
      case R2_NOTMERGEPEN: return ~(d | p);
      case R2_MASKNOTPEN: return d & ~p;
      case R2_NOTCOPYPEN: return ~p;
      case R2_MASKPENNOT: return p & ~d;
      case R2_NOT: return ~d;
      case R2_XORPEN: return d ^ p;
      case R2_NOTMASKPEN: return ~(d & p);
      case R2_MASKPEN: return d & p;
      case R2_NOTXORPEN: return ~(d ^ p);
      case R2_NOP: return d;
      case R2_MERGENOTPEN: return d | ~p;
      case R2_COPYPEN: return p;
      case R2_MERGEPENNOT: return p | ~d;
      case R2_MERGEPEN: return d | p;
      default: return ~0u;  // R2_WHITE
    }
  };
  // 24-bit: colours combine bitwise.
  {
    void* bits;
    HBITMAP bmp = MakeDib(2, 1, 24, {}, &bits);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF pen = 0x3C5AF0, dest = 0x96A5C3;  // 0x00BBGGRR
    for (int mode = R2_BLACK; mode <= R2_WHITE; ++mode) {
      SCOPED_TRACE(mode);
      SetPixel(dc, 0, 0, dest);
      SetPixel(dc, 1, 0, dest);
      HPEN p = CreatePen(PS_SOLID, 1, pen);
      HGDIOBJ op = SelectObject(dc, p);
      EXPECT_NE(SetROP2(dc, mode), 0);
      MoveToEx(dc, 0, 0, nullptr);
      LineTo(dc, 1, 0);
      SetROP2(dc, R2_COPYPEN);
      SelectObject(dc, op);
      DeleteObject(p);
      EXPECT_EQ(GetPixel(dc, 0, 0), expect(mode, pen, dest) & 0xFFFFFF);
      EXPECT_EQ(GetPixel(dc, 1, 0), dest);  // the end is left out
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  // 8-bit: the pen colour becomes its nearest index; indexes combine.
  {
    std::vector<RGBQUAD> pal(256);
    for (int i = 0; i < 256; ++i) pal[size_t(i)] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    void* bits;
    HBITMAP bmp = MakeDib(4, 1, 8, pal, &bits);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    auto* px = static_cast<uint8_t*>(bits);
    const uint8_t penIndex = 0xB4, destIndex = 0x5C;
    const RGBQUAD& pc = pal[penIndex];
    const COLORREF penColor = COLORREF(pc.rgbRed) | (COLORREF(pc.rgbGreen) << 8) | (COLORREF(pc.rgbBlue) << 16);
    HBRUSH brush = CreateSolidBrush(penColor);
    HGDIOBJ ob = SelectObject(dc, brush);
    HPEN nullPen = static_cast<HPEN>(GetStockObject(NULL_PEN));
    HGDIOBJ op = SelectObject(dc, nullPen);
    for (int mode = R2_BLACK; mode <= R2_WHITE; ++mode) {
      SCOPED_TRACE(mode);
      std::memset(px, destIndex, 4);
      SetROP2(dc, mode);
      Rectangle(dc, 0, 0, 4, 2);  // with a null pen: fills x 0..2 of row 0
      EXPECT_EQ(px[0], uint8_t(expect(mode, penIndex, destIndex)));
      EXPECT_EQ(px[2], uint8_t(expect(mode, penIndex, destIndex)));
      EXPECT_EQ(px[3], destIndex);
    }
    SelectObject(dc, op);
    SelectObject(dc, ob);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
}

TEST(GfxRop, Rop3OnPaletteIndexes) {
  std::vector<RGBQUAD> pal(16);
  for (int i = 0; i < 16; ++i) pal[size_t(i)] = RGBQUAD{uint8_t(i * 16), uint8_t(i * 16), uint8_t(i * 16), 0};
  void* db;
  void* sb;
  HBITMAP dst = MakeDib(3, 1, 4, pal, &db);
  HBITMAP src = MakeDib(3, 1, 4, pal, &sb);
  HDC ddc = CreateCompatibleDC(nullptr), sdc = CreateCompatibleDC(nullptr);
  HGDIOBJ od = SelectObject(ddc, dst), os = SelectObject(sdc, src);
  static_cast<uint8_t*>(db)[0] = 0x6C;  // indexes 6, 12, 0
  static_cast<uint8_t*>(sb)[0] = 0x3A;  // indexes 3, 10, 0
  static_cast<uint8_t*>(sb)[1] = 0x50;  // index 5
  ASSERT_TRUE(BitBlt(ddc, 0, 0, 3, 1, sdc, 0, 0, SRCINVERT));
  EXPECT_EQ(static_cast<uint8_t*>(db)[0], uint8_t((6 ^ 3) << 4 | (12 ^ 10)));
  EXPECT_EQ(static_cast<uint8_t*>(db)[1] >> 4, 5);
  SelectObject(ddc, od);
  SelectObject(sdc, os);
  DeleteDC(ddc);
  DeleteDC(sdc);
  DeleteObject(dst);
  DeleteObject(src);
}
