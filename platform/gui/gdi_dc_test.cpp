#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/gdi_internal.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0x0000FF;

struct TSurface {
  HDC DC;
  HBITMAP Bmp;
  HGDIOBJ Old;
  int W, H;
  TSurface(int w, int h, int bpp = 24) : W(w), H(h) {
    DC = CreateCompatibleDC(nullptr);
    Bmp = GdiCreateDIB(w, h, TGdiPixelFormat{bpp, 0, 0, 0}, nullptr, 0);
    if (bpp <= 8) {
      const std::vector<RGBQUAD> t = GdiDefaultColorTable(bpp);
      HGDIOBJ o = SelectObject(DC, Bmp);
      SetDIBColorTable(DC, 0, uint32_t(t.size()), t.data());
      SelectObject(DC, o);
    }
    Old = SelectObject(DC, Bmp);
    Fill(kWhite);
  }
  ~TSurface() {
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
  }
  void Fill(COLORREF c) {
    TRect full{0, 0, W, H};
    TDC* dc = GdiDC(DC);
    TRegion saved = dc->State.Clip;
    const bool had = dc->State.HasClip;
    dc->State.HasClip = false;
    dc->InvalidateVisible();
    GdiFillDeviceRect(*dc, full, c, false);
    dc->State.HasClip = had;
    dc->State.Clip = saved;
    dc->InvalidateVisible();
  }
  // Device pixels, read past any origin or clip.
  COLORREF At(int x, int y) const {
    const TGdiRaster r = GdiBitmapRaster(Bmp);
    return GdiValueToColor(r, GdiReadPixel(r, x, y));
  }
  std::vector<std::string> Art() const {
    std::vector<std::string> rows;
    for (int y = 0; y < H; ++y) {
      std::string row;
      for (int x = 0; x < W; ++x) row += At(x, y) == kBlack ? '#' : At(x, y) == kWhite ? '.' : '?';
      rows.push_back(row);
    }
    return rows;
  }
};

void FillAll(HDC dc, int w, int h) {
  HBRUSH b = CreateSolidBrush(kBlack);
  FillRect(dc, TRect{-100, -100, w + 100, h + 100}, b);
  DeleteObject(b);
}

}  // namespace

TEST(GfxDC, OriginsMapLogicalToDevice) {
  TSurface s(6, 4);
  TPoint old;
  ASSERT_TRUE(SetViewportOrgEx(s.DC, 3, 1, &old));
  EXPECT_EQ(old, (TPoint{0, 0}));
  ASSERT_TRUE(SetWindowOrgEx(s.DC, 1, 0, nullptr));
  SetPixel(s.DC, 0, 0, kBlack);  // device (0 - 1 + 3, 0 - 0 + 1)
  EXPECT_EQ(s.At(2, 1), kBlack);
  ASSERT_TRUE(OffsetViewportOrgEx(s.DC, -2, 1, &old));
  EXPECT_EQ(old, (TPoint{3, 1}));
  TPoint org;
  GetViewportOrgEx(s.DC, &org);
  EXPECT_EQ(org, (TPoint{1, 2}));
  GetWindowOrgEx(s.DC, &org);
  EXPECT_EQ(org, (TPoint{1, 0}));
  EXPECT_EQ(GetPixel(s.DC, 1, 0), s.At(1, 2));
  // Clip boxes come back in logical coordinates.
  TRect box;
  EXPECT_EQ(GetClipBox(s.DC, &box), SIMPLEREGION);
  EXPECT_EQ(box, (TRect{0, -2, 6, 2}));
}

TEST(GfxDC, ClipRegions) {
  struct TCase {
    const char* Name;
    std::function<void(HDC)> Clip;
    std::vector<std::string> Art;
    int Kind;
  };
  const std::vector<TCase> cases = {
      {"select copies the region",
       [](HDC dc) {
         HRGN r = CreateRectRgn(1, 1, 4, 3);
         SelectClipRgn(dc, r);
         DeleteObject(r);
       },
       {"......", ".###..", ".###..", "......"},
       SIMPLEREGION},
      {"select nothing removes the clip",
       [](HDC dc) {
         IntersectClipRect(dc, 0, 0, 1, 1);
         SelectClipRgn(dc, nullptr);
       },
       {"######", "######", "######", "######"},
       SIMPLEREGION},
      {"intersect in logical coordinates",
       [](HDC dc) {
         SetViewportOrgEx(dc, 2, 1, nullptr);
         IntersectClipRect(dc, 0, 0, 2, 2);  // device (2,1)-(4,3)
       },
       {"......", "..##..", "..##..", "......"},
       SIMPLEREGION},
      {"exclude",
       [](HDC dc) { ExcludeClipRect(dc, 1, 1, 5, 3); },
       {"######", "#....#", "#....#", "######"},
       COMPLEXREGION},
      {"combine modes",
       [](HDC dc) {
         HRGN a = CreateRectRgn(0, 0, 3, 4), b = CreateRectRgn(2, 1, 6, 3);
         SelectClipRgn(dc, a);
         ExtSelectClipRgn(dc, b, RGN_XOR);
         DeleteObject(a);
         DeleteObject(b);
       },
       {"###...", "##.###", "##.###", "###..."},
       COMPLEXREGION},
      {"system clip intersects",
       [](HDC dc) {
         TRegion sys(TRect{0, 0, 3, 4});
         GdiSetSystemClip(dc, &sys);
         IntersectClipRect(dc, 1, 1, 6, 4);
       },
       {"......", ".##...", ".##...", ".##..."},
       SIMPLEREGION},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSurface s(6, 4);
    c.Clip(s.DC);
    TRect box;
    EXPECT_EQ(GetClipBox(s.DC, &box), c.Kind);
    FillAll(s.DC, 6, 4);
    EXPECT_EQ(s.Art(), c.Art);
  }
}

TEST(GfxDC, GetClipRgnAnswersTheApplicationClipOnly) {
  TSurface s(6, 4);
  HRGN out = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(s.DC, out), 0);
  TRegion sys(TRect{0, 0, 2, 2});
  GdiSetSystemClip(s.DC, &sys);
  EXPECT_EQ(GetClipRgn(s.DC, out), 0);
  IntersectClipRect(s.DC, 1, 1, 5, 3);
  ASSERT_EQ(GetClipRgn(s.DC, out), 1);
  TRect box;
  GetRgnBox(out, &box);
  EXPECT_EQ(box, (TRect{1, 1, 5, 3}));
  GetClipBox(s.DC, &box);
  EXPECT_EQ(box, (TRect{1, 1, 2, 2}));
  EXPECT_EQ(GetClipRgn(s.DC, static_cast<HRGN>(GetStockObject(WHITE_BRUSH))), -1);
  DeleteObject(out);
}

TEST(GfxDC, SaveAndRestoreLevels) {
  TSurface s(6, 4);
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  EXPECT_EQ(SaveDC(s.DC), 1);
  SelectObject(s.DC, red);
  SetViewportOrgEx(s.DC, 2, 2, nullptr);
  SetTextColor(s.DC, kRed);
  IntersectClipRect(s.DC, 0, 0, 1, 1);
  EXPECT_EQ(SaveDC(s.DC), 2);
  SetBkMode(s.DC, TRANSPARENT);
  MoveToEx(s.DC, 5, 5, nullptr);
  EXPECT_EQ(SaveDC(s.DC), 3);
  SetROP2(s.DC, R2_XORPEN);

  ASSERT_TRUE(RestoreDC(s.DC, -1));  // back to level 2's state
  EXPECT_EQ(GetROP2(s.DC), R2_COPYPEN);
  EXPECT_EQ(GetBkMode(s.DC), TRANSPARENT);
  TPoint pos;
  GetCurrentPositionEx(s.DC, &pos);
  EXPECT_EQ(pos, (TPoint{5, 5}));
  EXPECT_FALSE(RestoreDC(s.DC, 3));  // already gone
  ASSERT_TRUE(RestoreDC(s.DC, 1));
  EXPECT_EQ(GetBkMode(s.DC), OPAQUE);
  EXPECT_EQ(GetTextColor(s.DC), kBlack);
  EXPECT_EQ(GetCurrentObject(s.DC, OBJ_PEN), GetStockObject(BLACK_PEN));
  TPoint org;
  GetViewportOrgEx(s.DC, &org);
  EXPECT_EQ(org, (TPoint{0, 0}));
  TRect box;
  GetClipBox(s.DC, &box);
  EXPECT_EQ(box, (TRect{0, 0, 6, 4}));
  EXPECT_FALSE(RestoreDC(s.DC, -1));
  EXPECT_FALSE(RestoreDC(s.DC, 0));
  EXPECT_TRUE(DeleteObject(red));
}

TEST(GfxDC, ModesAnswerThePreviousValue) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SetROP2(dc, R2_NOT), R2_COPYPEN);
  EXPECT_EQ(SetROP2(dc, 0), 0);
  EXPECT_EQ(SetROP2(dc, 17), 0);
  EXPECT_EQ(GetROP2(dc), R2_NOT);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 3), 0);
  EXPECT_EQ(SetBkColor(dc, kRed), kWhite);
  EXPECT_EQ(SetTextColor(dc, kRed), kBlack);
  EXPECT_EQ(SetTextAlign(dc, TA_BASELINE | TA_CENTER), TA_LEFT | TA_TOP);
  EXPECT_EQ(GetTextAlign(dc), TA_BASELINE | TA_CENTER);
  EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), BLACKONWHITE);
  EXPECT_EQ(SetStretchBltMode(dc, 5), 0);
  EXPECT_EQ(SetPolyFillMode(dc, WINDING), ALTERNATE);
  EXPECT_EQ(SetArcDirection(dc, AD_CLOCKWISE), AD_COUNTERCLOCKWISE);
  TPoint old;
  SetBrushOrgEx(dc, 3, 4, &old);
  GetBrushOrgEx(dc, &old);
  EXPECT_EQ(old, (TPoint{3, 4}));
  DeleteDC(dc);
  // A deleted DC answers the failure values.
  EXPECT_EQ(GetROP2(dc), 0);
  EXPECT_EQ(GetBkColor(dc), CLR_INVALID);
  EXPECT_EQ(GetTextAlign(dc), GDI_ERROR);
  EXPECT_EQ(SaveDC(dc), 0);
  EXPECT_FALSE(MoveToEx(dc, 0, 0, nullptr));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(GfxDC, DeviceCaps) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1280);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 1024);
  const int caps = GetDeviceCaps(dc, RASTERCAPS);
  EXPECT_EQ(caps & (RC_STRETCHBLT | RC_DI_BITMAP), RC_STRETCHBLT | RC_DI_BITMAP);
  GdiSetScreenSize(1920, 1080);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1920);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 1080);
  GdiSetScreenSize(1280, 1024);
  EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), 0);
  DeleteDC(dc);
}

TEST(GfxDC, WindowDCsDrawIntoTheirBitmap) {
  HBITMAP bmp = GdiCreateDIB(4, 2, GdiFormat32, nullptr, 0);
  HDC dc = GdiCreateWindowDC(bmp);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), OBJ_DC);
  HBITMAP other = GdiCreateDIB(1, 1, GdiFormat32, nullptr, 0);
  EXPECT_EQ(SelectObject(dc, other), nullptr);  // a fixed surface
  DeleteObject(other);
  EXPECT_FALSE(DeleteObject(bmp));  // in use
  SetPixel(dc, 3, 1, kRed);
  EXPECT_EQ(GdiValueToColor(GdiBitmapRaster(bmp), GdiReadPixel(GdiBitmapRaster(bmp), 3, 1)), kRed);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(bmp));
}

TEST(GfxDC, TextHelpersFillAndBlend) {
  // Fill: a copy, or through ROP2.
  TSurface s(4, 1);
  TDC* dc = GdiDC(s.DC);
  SetROP2(s.DC, R2_XORPEN);
  GdiFillDeviceRect(*dc, TRect{0, 0, 2, 1}, kWhite, true);
  GdiFillDeviceRect(*dc, TRect{2, 0, 4, 1}, kRed, false);
  EXPECT_EQ(s.At(0, 0), kBlack);
  EXPECT_EQ(s.At(2, 0), kRed);
  // Blending: 255 keeps the colour, 0 the background, 128 rounds.
  s.Fill(kWhite);
  const uint8_t cov[4] = {255, 0, 128, 1};
  GdiBlendCoverage(*dc, 0, 0, 4, 1, cov, 4, kBlack);
  EXPECT_EQ(s.At(0, 0), kBlack);
  EXPECT_EQ(s.At(1, 0), kWhite);
  EXPECT_EQ(s.At(2, 0), COLORREF(0x7F7F7F));
  EXPECT_EQ(s.At(3, 0), COLORREF(0xFEFEFE));
  // Clipped like everything else.
  s.Fill(kWhite);
  IntersectClipRect(s.DC, 1, 0, 4, 1);
  GdiBlendCoverage(*dc, 0, 0, 4, 1, cov, 4, kBlack);
  EXPECT_EQ(s.At(0, 0), kWhite);
  // Palette targets: coverage of one half or more sets the nearest entry.
  TSurface p(4, 1, 8);
  TDC* pdc = GdiDC(p.DC);
  const uint8_t cov2[4] = {128, 127, 255, 0};
  GdiBlendCoverage(*pdc, 0, 0, 4, 1, cov2, 4, RGB(250, 2, 3));
  EXPECT_EQ(p.At(0, 0), kRed);
  EXPECT_EQ(p.At(1, 0), kWhite);
  EXPECT_EQ(p.At(2, 0), kRed);
  EXPECT_EQ(p.At(3, 0), kWhite);
}
