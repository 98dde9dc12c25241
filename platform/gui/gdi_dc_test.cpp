#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/gdi.h"
#include "platform/gui/gdi_internal.h"
#include "platform/gui/text.h"

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
    GdiFillRasterRect(*dc, full, c, false);
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

namespace {

COLORREF RasterAt(HBITMAP bmp, int x, int y) {
  const TGdiRaster r = GdiBitmapRaster(bmp);
  return GdiValueToColor(r, GdiReadPixel(r, x, y));
}

// A window DC whose device area, W x H, sits at Org on a larger bitmap that
// is grey around it; the system clip is the device area.
struct TWindowSurface {
  static constexpr TPoint Org{7, 4};
  static constexpr COLORREF kGrey = 0x808080;
  HBITMAP Bmp;
  HDC DC;
  int W, H;
  TWindowSurface(int w, int h) : W(w), H(h) {
    Bmp = GdiCreateDIB(w + 12, h + 9, GdiFormat32, nullptr, 0);
    const TGdiRaster r = GdiBitmapRaster(Bmp);
    for (int y = 0; y < r.Height; ++y)
      for (int x = 0; x < r.Width; ++x) {
        const bool inside = x >= Org.X && x < Org.X + w && y >= Org.Y && y < Org.Y + h;
        GdiWritePixel(r, x, y, GdiColorToValue(r, inside ? kWhite : kGrey));
      }
    DC = GdiCreateWindowDC(Bmp, Org);
    const TRegion sys(TRect{Org.X, Org.Y, Org.X + w, Org.Y + h});
    GdiSetSystemClip(DC, &sys);
  }
  ~TWindowSurface() {
    DeleteDC(DC);
    DeleteObject(Bmp);
  }
  COLORREF At(int x, int y) const { return RasterAt(Bmp, x, y); }
};

}  // namespace

TEST(GfxDC, WindowDCOriginsStartAtTheDeviceOrigin) {
  TWindowSurface w(8, 6);
  TPoint org{-1, -1};
  ASSERT_TRUE(GetViewportOrgEx(w.DC, &org));
  EXPECT_EQ(org, (TPoint{0, 0}));
  GetWindowOrgEx(w.DC, &org);
  EXPECT_EQ(org, (TPoint{0, 0}));
  GetBrushOrgEx(w.DC, &org);
  EXPECT_EQ(org, (TPoint{0, 0}));
  SetPixel(w.DC, 0, 0, kRed);
  EXPECT_EQ(w.At(7, 4), kRed);
  EXPECT_EQ(GetPixel(w.DC, 0, 0), kRed);
  EXPECT_EQ(GetPixel(w.DC, -1, 0), CLR_INVALID);  // outside the system clip
  // An absolute viewport origin is relative to the device, and RestoreDC
  // leaves the device origin where it was.
  ASSERT_EQ(SaveDC(w.DC), 1);
  SetViewportOrgEx(w.DC, -5, -7, nullptr);
  SetPixel(w.DC, 6, 9, kBlack);  // device (1, 2)
  EXPECT_EQ(w.At(8, 6), kBlack);
  ASSERT_TRUE(RestoreDC(w.DC, -1));
  GetViewportOrgEx(w.DC, &org);
  EXPECT_EQ(org, (TPoint{0, 0}));
  SetPixel(w.DC, 2, 0, kBlack);
  EXPECT_EQ(w.At(9, 4), kBlack);
  TRect box;
  EXPECT_EQ(GetClipBox(w.DC, &box), SIMPLEREGION);
  EXPECT_EQ(box, (TRect{0, 0, 8, 6}));
  GdiSetSystemClip(w.DC, nullptr);  // the whole bitmap, in device coordinates
  GetClipBox(w.DC, &box);
  EXPECT_EQ(box, (TRect{-7, -4, 13, 11}));
}

TEST(GfxDC, WindowDCClipRegionsAreInDeviceCoordinates) {
  const struct {
    const char* Name;
    std::function<void(HDC)> Clip;
    TRect ClipRgnBox;  // GetClipRgn: device
    TRect ClipBox;     // GetClipBox: logical
    TRect Painted;     // device
  } cases[] = {
      {"select",
       [](HDC dc) {
         HRGN r = CreateRectRgn(1, 1, 4, 3);
         SelectClipRgn(dc, r);
         DeleteObject(r);
       },
       {1, 1, 4, 3},
       {1, 1, 4, 3},
       {1, 1, 4, 3}},
      {"select ignores the viewport; the clip box follows it",
       [](HDC dc) {
         SetViewportOrgEx(dc, 2, 1, nullptr);
         HRGN r = CreateRectRgn(1, 1, 4, 3);
         SelectClipRgn(dc, r);
         DeleteObject(r);
       },
       {1, 1, 4, 3},
       {-1, 0, 2, 2},
       {1, 1, 4, 3}},
      {"select as an object",
       [](HDC dc) {
         HRGN r = CreateRectRgn(2, 0, 8, 2);
         SelectObject(dc, r);
         DeleteObject(r);
       },
       {2, 0, 8, 2},
       {2, 0, 8, 2},
       {2, 0, 8, 2}},
      {"intersect takes logical coordinates",
       [](HDC dc) {
         SetWindowOrgEx(dc, -1, 0, nullptr);
         IntersectClipRect(dc, 0, 0, 2, 2);
       },
       {1, 0, 3, 2},
       {0, 0, 2, 2},
       {1, 0, 3, 2}},
      {"combining without a clip starts from the whole device",
       [](HDC dc) {
         HRGN r = CreateRectRgn(0, 0, 8, 4);
         ExtSelectClipRgn(dc, r, RGN_AND);
         ExcludeClipRect(dc, 0, 0, 8, 1);
         DeleteObject(r);
       },
       {0, 1, 8, 4},
       {0, 1, 8, 4},
       {0, 1, 8, 4}},
      {"a clip reaching the ends of the coordinate space",
       [](HDC dc) {
         HRGN r = CreateRectRgn(INT32_MIN + 1, INT32_MIN + 1, INT32_MAX, 3);
         SelectClipRgn(dc, r);
         DeleteObject(r);
       },
       {INT32_MIN + 1, INT32_MIN + 1, INT32_MAX, 3},
       {0, 0, 8, 3},
       {0, 0, 8, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TWindowSurface w(8, 6);
    c.Clip(w.DC);
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetClipRgn(w.DC, out), 1);
    TRect box;
    GetRgnBox(out, &box);
    EXPECT_EQ(box, c.ClipRgnBox);
    DeleteObject(out);
    GetClipBox(w.DC, &box);
    EXPECT_EQ(box, c.ClipBox);
    SetViewportOrgEx(w.DC, 0, 0, nullptr);
    SetWindowOrgEx(w.DC, 0, 0, nullptr);
    HBRUSH b = CreateSolidBrush(kBlack);
    FillRect(w.DC, TRect{-100, -100, 100, 100}, b);
    DeleteObject(b);
    for (int y = 0; y < w.H + 9; ++y)
      for (int x = 0; x < w.W + 12; ++x) {
        const int dx = x - w.Org.X, dy = y - w.Org.Y;
        const bool inside = dx >= 0 && dx < w.W && dy >= 0 && dy < w.H;
        const bool painted =
            dx >= c.Painted.Left && dx < c.Painted.Right && dy >= c.Painted.Top && dy < c.Painted.Bottom;
        ASSERT_EQ(w.At(x, y), painted ? kBlack : inside ? kWhite : TWindowSurface::kGrey) << x << "," << y;
      }
  }
}

// Every way of drawing, reading and blitting maps through the device origin:
// drawn on a window DC, a picture lands on its device area exactly as on a
// memory DC of that size, and nothing around the area changes.
TEST(GfxDC, EveryPathMapsThroughTheDeviceOrigin) {
  constexpr int W = 40, H = 24;
  // A source with a picture that is different everywhere.
  TSurface src(12, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) SetPixel(src.DC, x, y, RGB(uint8_t(x * 20), uint8_t(y * 25), 90));
  const uint8_t maskBits[8 * 4] = {0x0F, 0, 0, 0, 0x3C};  // 8 x 8 mask, rows 4 bytes apart
  HBITMAP mask = CreateBitmap(8, 8, 1, 1, maskBits);
  ICONINFO ii;
  ii.hbmMask = mask;
  ii.hbmColor = src.Bmp;
  HICON icon = CreateIconIndirect(ii);
  ASSERT_NE(icon, nullptr);
  DeleteObject(mask);
  uint32_t dib[3 * 2] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x654321, 0xABCDEF};
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = 3;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;

  auto withBrush = [](HDC dc, HBRUSH b, const std::function<void()>& f) {
    HGDIOBJ old = SelectObject(dc, b);
    f();
    SelectObject(dc, old);
    DeleteObject(b);
  };
  auto withPen = [](HDC dc, HPEN p, const std::function<void()>& f) {
    HGDIOBJ old = SelectObject(dc, p);
    f();
    SelectObject(dc, old);
    DeleteObject(p);
  };
  const struct {
    const char* Name;
    std::function<void(HDC)> Draw;
  } cases[] = {
      {"hatched fill",
       [](HDC dc) {
         HBRUSH b = CreateHatchBrush(HS_DIAGCROSS, kRed);
         FillRect(dc, TRect{1, 1, 30, 20}, b);
         DeleteObject(b);
       }},
      {"shapes with styled and wide pens",
       [&](HDC dc) {
         withPen(dc, CreatePen(PS_DOT, 1, kRed), [&] {
           withBrush(dc, CreateHatchBrush(HS_BDIAGONAL, kBlack), [&] { Rectangle(dc, 2, 2, 18, 14); });
           MoveToEx(dc, 0, 23, nullptr);
           LineTo(dc, 39, 3);
         });
         withPen(dc, CreatePen(PS_SOLID, 3, kBlack), [&] {
           Ellipse(dc, 20, 2, 38, 20);
           const TPoint tri[3] = {{5, 20}, {15, 16}, {25, 22}};
           Polygon(dc, tri, 3);
           Pie(dc, -6, -6, 10, 10, 10, 0, 0, 10);
         });
       }},
      {"regions",
       [](HDC dc) {
         HRGN r = CreateEllipticRgn(3, 2, 30, 20);
         HBRUSH b = CreateHatchBrush(HS_CROSS, kRed);
         FillRgn(dc, r, b);
         FrameRgn(dc, r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 2, 1);
         DeleteObject(b);
         DeleteObject(r);
       }},
      {"pixels and flood fill",
       [](HDC dc) {
         SetPixel(dc, 0, 0, kRed);
         SetPixel(dc, 39, 23, kRed);
         SetPixel(dc, 12, 7, GetPixel(dc, 0, 0));
         HBRUSH frame = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
         FrameRect(dc, TRect{4, 4, 20, 16}, frame);
         HBRUSH b = CreateHatchBrush(HS_FDIAGONAL, kRed);
         HGDIOBJ old = SelectObject(dc, b);
         ExtFloodFill(dc, 8, 8, kBlack, FLOODFILLBORDER);
         SelectObject(dc, old);
         DeleteObject(b);
       }},
      {"focus, invert, edge, gradient",
       [](HDC dc) {
         DrawFocusRect(dc, TRect{1, 1, 20, 12});
         DrawFocusRect(dc, TRect{4, 3, 9, 8});
         InvertRect(dc, TRect{10, 10, 30, 14});
         TRect e{22, 2, 38, 12};
         DrawEdge(dc, e, EDGE_RAISED, BF_RECT | BF_MIDDLE);
         TRIVERTEX v[2] = {{2, 14, 0xFF00, 0, 0, 0}, {36, 22, 0, 0, 0xFF00, 0}};
         GRADIENT_RECT g{0, 1};
         GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_H);
       }},
      {"text",
       [](HDC dc) {
         SetBkColor(dc, kRed);
         TextOut(dc, 1, 0, "Ag", 2);
         const TRect cell{20, 2, 38, 12};
         ExtTextOut(dc, 18, 0, ETO_OPAQUE | ETO_CLIPPED, &cell, "xy", 2, nullptr);
         SetBkMode(dc, TRANSPARENT);
         TRect r{0, 10, 40, 24};
         DrawText(dc, "Wg", -1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
       }},
      {"blits from a memory DC",
       [&](HDC dc) {
         BitBlt(dc, 1, 1, 12, 10, src.DC, 0, 0, SRCCOPY);
         withBrush(dc, CreateHatchBrush(HS_CROSS, kBlack), [&] {
           BitBlt(dc, 14, 1, 12, 10, src.DC, 0, 0, MERGECOPY);
           PatBlt(dc, 27, 1, 12, 10, PATINVERT);
         });
         SetStretchBltMode(dc, HALFTONE);
         StretchBlt(dc, 1, 12, 20, 11, src.DC, 1, 1, 9, 7, SRCCOPY);
         StretchBlt(dc, 38, 12, -12, 11, src.DC, 0, 0, 12, 10, SRCCOPY);
       }},
      {"a window DC as its own source",
       [&](HDC dc) {
         // The sources stay inside the device area: beyond it a window DC
         // reads what else is on the surface.
         BitBlt(dc, 0, 3, 12, 10, src.DC, 0, 0, SRCCOPY);
         BitBlt(dc, 5, 6, 12, 10, dc, 0, 4, SRCCOPY);  // overlapping
         StretchBlt(dc, 20, 2, 16, 20, dc, 2, 4, 8, 10, SRCINVERT);
       }},
      {"DIBs, icons and colour blocks",
       [&](HDC dc) {
         StretchDIBits(dc, 1, 1, 9, 4, 0, 0, 3, 2, dib, &bi, DIB_RGB_COLORS, SRCCOPY);
         SetDIBitsToDevice(dc, 12, 1, 3, 2, 0, 0, 0, 2, dib, &bi, DIB_RGB_COLORS);
         DrawIconEx(dc, 1, 8, icon, 0, 0, 0, nullptr, DI_NORMAL);
         DrawIconEx(dc, 12, 8, icon, 16, 12, 0, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)), DI_NORMAL);
         TransparentStretchBlt(dc, 28, 8, 10, 14, src.Bmp, 0, 0, 12, 10, RasterAt(src.Bmp, 0, 0));
         const COLORREF block[4] = {kRed, kBlack, kBlack, kRed};
         DrawColorBlock(dc, 30, 2, 2, 2, block, nullptr);
       }},
  };
  // Each picture plain, and with moved origins and a clip region.
  const struct {
    const char* Name;
    std::function<void(HDC)> Setup;
  } setups[] = {
      {"fresh DC", [](HDC) {}},
      {"origins and clip",
       [](HDC dc) {
         SetViewportOrgEx(dc, 3, -2, nullptr);
         SetWindowOrgEx(dc, 1, 1, nullptr);
         SetBrushOrgEx(dc, 3, 1, nullptr);
         HRGN r = CreateEllipticRgn(-4, 1, 36, 30);
         SelectClipRgn(dc, r);
         DeleteObject(r);
       }},
  };
  for (const auto& setup : setups) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(setup.Name) + ": " + c.Name);
      TSurface mem(W, H, 32);
      TWindowSurface win(W, H);
      setup.Setup(mem.DC);
      setup.Setup(win.DC);
      c.Draw(mem.DC);
      c.Draw(win.DC);
      int differences = 0, changed = 0;
      for (int y = 0; y < H + 9; ++y)
        for (int x = 0; x < W + 12; ++x) {
          const int dx = x - win.Org.X, dy = y - win.Org.Y;
          if (dx >= 0 && dx < W && dy >= 0 && dy < H)
            differences += win.At(x, y) != mem.At(dx, dy);
          else
            changed += win.At(x, y) != TWindowSurface::kGrey;
        }
      EXPECT_EQ(differences, 0);
      EXPECT_EQ(changed, 0);
      // Make sure the picture is not empty.
      int drawn = 0;
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) drawn += mem.At(x, y) != kWhite;
      EXPECT_GT(drawn, 0);
    }
  }
  DestroyIcon(icon);
}

TEST(GfxDC, BlitsFromAWindowDCReadItsDeviceArea) {
  TWindowSurface win(8, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) SetPixel(win.DC, x, y, RGB(uint8_t(x * 30), uint8_t(y * 40), 0));
  TSurface mem(4, 3, 32);
  ASSERT_TRUE(BitBlt(mem.DC, 0, 0, 4, 3, win.DC, 2, 1, SRCCOPY));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(mem.At(x, y), COLORREF(RGB(uint8_t((x + 2) * 30), uint8_t((y + 1) * 40), 0)));
  // The source's logical coordinates count: its viewport origin moves what
  // is read, not where.
  SetViewportOrgEx(win.DC, -3, -2, nullptr);
  ASSERT_TRUE(BitBlt(mem.DC, 0, 0, 1, 1, win.DC, 3, 2, SRCCOPY));
  EXPECT_EQ(mem.At(0, 0), COLORREF(RGB(0, 0, 0)));
}

TEST(GfxDC, TextHelpersFillAndBlend) {
  // Fill: a copy, or through ROP2.
  TSurface s(4, 1);
  TDC* dc = GdiDC(s.DC);
  SetROP2(s.DC, R2_XORPEN);
  GdiFillRasterRect(*dc, TRect{0, 0, 2, 1}, kWhite, true);
  GdiFillRasterRect(*dc, TRect{2, 0, 4, 1}, kRed, false);
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
