#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/gdi_internal.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0x0000FF;

std::vector<uint8_t> InfoBuffer(int w, int h, int bpp, uint32_t compression = BI_RGB,
                                std::vector<uint32_t> extra = {}) {
  std::vector<uint8_t> buf(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  BITMAPINFOHEADER hdr;
  hdr.biWidth = w;
  hdr.biHeight = h;
  hdr.biBitCount = uint16_t(bpp);
  hdr.biCompression = compression;
  std::memcpy(buf.data(), &hdr, sizeof hdr);
  if (!extra.empty()) std::memcpy(buf.data() + sizeof hdr, extra.data(), extra.size() * 4);
  return buf;
}

const BITMAPINFO* Info(const std::vector<uint8_t>& buf) { return reinterpret_cast<const BITMAPINFO*>(buf.data()); }

}  // namespace

TEST(GfxObjects, StaleAndWrongHandlesFail) {
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  HBRUSH brush = CreateSolidBrush(kRed);
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(pen && brush && dc);
  ASSERT_TRUE(DeleteObject(pen));
  LOGPEN lp;
  EXPECT_EQ(GetObject(pen, sizeof lp, &lp), 0);
  EXPECT_EQ(SelectObject(dc, pen), nullptr);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u);
  // A new object may take the slot but not the handle.
  HPEN again = CreatePen(PS_SOLID, 1, kRed);
  EXPECT_NE(again, pen);
  EXPECT_EQ(GetObject(pen, sizeof lp, &lp), 0);
  // Handles of the wrong kind.
  EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(brush)));
  EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(brush), 0, 0), CLR_INVALID);
  EXPECT_EQ(SelectClipRgn(dc, reinterpret_cast<HRGN>(brush)), ERROR);
  EXPECT_EQ(CombineRgn(reinterpret_cast<HRGN>(brush), nullptr, nullptr, RGN_OR), ERROR);
  EXPECT_FALSE(PtInRegion(reinterpret_cast<HRGN>(again), 0, 0));
  EXPECT_FALSE(DeleteObject(dc));  // DCs go with DeleteDC
  EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(brush)));
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(uintptr_t(0x12345))), nullptr);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(~uintptr_t(0))), nullptr);
  EXPECT_EQ(GetObjectType(nullptr), 0u);
  EXPECT_TRUE(DeleteObject(again));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(GfxObjects, SelectionAndDeletion) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN a = CreatePen(PS_SOLID, 1, kRed), b = CreatePen(PS_DOT, 1, kBlack);
  EXPECT_EQ(SelectObject(dc, a), GetStockObject(BLACK_PEN));
  EXPECT_FALSE(DeleteObject(a));  // selected
  EXPECT_EQ(SaveDC(dc), 1);
  EXPECT_EQ(SelectObject(dc, b), a);
  EXPECT_FALSE(DeleteObject(a));  // held by the saved state
  ASSERT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), a);
  EXPECT_TRUE(DeleteObject(b));  // no longer referenced
  SelectObject(dc, GetStockObject(NULL_PEN));
  EXPECT_TRUE(DeleteObject(a));
  // Stock objects survive DeleteObject.
  HGDIOBJ white = GetStockObject(WHITE_BRUSH);
  EXPECT_TRUE(DeleteObject(white));
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(white, sizeof lb, &lb), int32_t(sizeof lb));
  EXPECT_EQ(lb.lbColor, kWhite);
  EXPECT_EQ(GetStockObject(HOLLOW_BRUSH), GetStockObject(NULL_BRUSH));
  EXPECT_EQ(GetStockObject(99), nullptr);
  // Deleting the DC releases what it had selected.
  HBRUSH br = CreateSolidBrush(kRed);
  SelectObject(dc, br);
  SaveDC(dc);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(br));
}

TEST(GfxObjects, MemoryDCStartsWithAOnePixelMonochromeBitmap) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ bmp = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP bm;
  ASSERT_EQ(GetObject(bmp, sizeof bm, &bm), int32_t(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmBits, nullptr);
  EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
  // Compatible bitmaps follow what is selected.
  HBITMAP mono = CreateCompatibleBitmap(dc, 5, 3);
  GetObject(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  HBITMAP screen = CreateCompatibleBitmap(nullptr, 5, 3);
  GetObject(screen, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  auto info = InfoBuffer(5, 3, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F});
  HBITMAP dib = CreateDIBSection(dc, Info(info), DIB_RGB_COLORS, nullptr, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, dib);
  HBITMAP same = CreateCompatibleBitmap(dc, 2, 2);
  DIBSECTION ds;
  ASSERT_EQ(GetObject(same, sizeof ds, &ds), int32_t(sizeof ds));
  EXPECT_EQ(ds.dsBmih.biBitCount, 16);
  EXPECT_EQ(ds.dsBitfields[1], 0x07E0u);
  EXPECT_EQ(CreateCompatibleBitmap(dc, -1, 2), nullptr);
  SelectObject(dc, old);
  for (HBITMAP h : {mono, screen, dib, same}) EXPECT_TRUE(DeleteObject(h));
  DeleteDC(dc);
}

TEST(GfxObjects, DibSectionsAreOneBlockInRowOrder) {
  struct TCase {
    int W, H, Bpp, Stride;
  };
  const TCase cases[] = {{3, 2, 24, 12}, {5, 3, 1, 4}, {9, 2, 4, 8}, {3, 2, 8, 4}, {3, 2, 16, 8}, {3, 2, 32, 12}};
  for (const TCase& c : cases) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(std::to_string(c.Bpp) + (topDown ? " top-down" : " bottom-up"));
      auto info = InfoBuffer(c.W, topDown ? -c.H : c.H, c.Bpp);
      if (c.Bpp <= 8) {
        const RGBQUAD bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        std::memcpy(info.data() + 40, bw, sizeof bw);
        reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biClrUsed = 2;
      }
      void* bits = nullptr;
      HBITMAP h = CreateDIBSection(nullptr, Info(info), DIB_RGB_COLORS, &bits, nullptr, 0);
      ASSERT_NE(h, nullptr);
      DIBSECTION ds;
      ASSERT_EQ(GetObject(h, sizeof ds, &ds), int32_t(sizeof ds));
      EXPECT_EQ(ds.dsBm.bmBits, bits);
      EXPECT_EQ(ds.dsBm.bmWidthBytes, c.Stride);
      EXPECT_EQ(ds.dsBmih.biSizeImage, uint32_t(c.Stride * c.H));
      const auto* mem = static_cast<const uint8_t*>(bits);
      EXPECT_TRUE(std::all_of(mem, mem + c.Stride * c.H, [](uint8_t b) { return b == 0; }));
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, h);
      SetPixel(dc, 0, 0, kWhite);  // the top-left pixel
      const uint8_t* top = mem + (topDown ? 0 : c.Stride * (c.H - 1));
      EXPECT_NE(top[0], 0);
      SelectObject(dc, old);
      DeleteDC(dc);
      DeleteObject(h);
    }
  }
  // Refused: a section handle, palette usage, impossible formats and sizes.
  auto ok = InfoBuffer(2, 2, 24);
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(nullptr, Info(ok), DIB_RGB_COLORS, &bits, reinterpret_cast<void*>(1), 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, Info(ok), DIB_PAL_COLORS, nullptr, nullptr, 0), nullptr);
  for (auto bad : {InfoBuffer(0, 2, 24), InfoBuffer(2, 0, 24), InfoBuffer(2, 2, 7), InfoBuffer(2, 2, 8, BI_RLE8),
                   InfoBuffer(2, 2, 24, BI_BITFIELDS), InfoBuffer(2, 2, 16, BI_BITFIELDS, {0xF0, 0x18, 0x0F}),
                   InfoBuffer(70000, 70000, 32)}) {
    EXPECT_EQ(CreateDIBSection(nullptr, Info(bad), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  }
}

TEST(GfxObjects, SixteenBitLayoutsKeepTheirMasks) {
  struct TCase {
    uint32_t Compression;
    std::vector<uint32_t> Masks;
    uint16_t RedValue;
  };
  const TCase cases[] = {{BI_RGB, {}, 0x7C00},
                         {BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, 0x7C00},
                         {BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0xF800}};
  for (const TCase& c : cases) {
    auto info = InfoBuffer(1, 1, 16, c.Compression, c.Masks);
    void* bits;
    HBITMAP h = CreateDIBSection(nullptr, Info(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, h);
    EXPECT_EQ(SetPixel(dc, 0, 0, kRed), kRed);
    EXPECT_EQ(*static_cast<uint16_t*>(bits), c.RedValue);
    SetPixel(dc, 0, 0, RGB(8, 4, 200));  // channels keep their top bits
    EXPECT_EQ(GetPixel(dc, 0, 0), c.RedValue == 0xF800 ? COLORREF(RGB(8, 4, 206)) : COLORREF(RGB(8, 0, 206)));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(h);
  }
}

TEST(GfxObjects, MonochromeBitmapsFromWordAlignedRows) {
  const uint8_t rows[4] = {0xA0, 0x00, 0x60, 0x00};  // 3 x 2: 101 / 011
  HBITMAP h = CreateBitmap(3, 2, 1, 1, rows);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, h);
  const COLORREF want[2][3] = {{kWhite, kBlack, kWhite}, {kBlack, kWhite, kWhite}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(GetPixel(dc, x, y), want[y][x]) << x << "," << y;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(h);
  EXPECT_EQ(CreateBitmap(-1, 2, 1, 1, nullptr), nullptr);
  EXPECT_NE(CreateBitmap(0, 0, 1, 1, nullptr), nullptr);  // the shared 1 x 1 bitmap
}

TEST(GfxObjects, Descriptions) {
  LOGFONT lf;
  lf.lfHeight = -13;
  lf.lfWeight = FW_BOLD;
  lf.lfItalic = 1;
  lf.lfFaceName = "Courier New";
  HFONT f = CreateFontIndirect(lf);
  LOGFONT back;
  ASSERT_EQ(GetObject(f, sizeof back, &back), int32_t(sizeof back));
  EXPECT_EQ(back, lf);
  EXPECT_TRUE(DeleteObject(f));
  LOGFONT gui;
  GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  EXPECT_EQ(gui.lfHeight, -11);
  EXPECT_FALSE(gui.lfFaceName.empty());

  HPEN pen = CreatePen(PS_DASH, 1, kRed);
  LOGPEN lp;
  ASSERT_EQ(GetObject(pen, 0, nullptr), int32_t(sizeof lp));
  ASSERT_EQ(GetObject(pen, sizeof lp, &lp), int32_t(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, PS_DASH);
  EXPECT_EQ(lp.lopnColor, kRed);
  EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
  DeleteObject(pen);
  EXPECT_EQ(CreatePen(42, 1, kRed), nullptr);

  LOGBRUSH lb;
  lb.lbStyle = BS_SOLID;
  lb.lbColor = kRed;
  const uint32_t dashes[3] = {2, 1, 4};
  HPEN ext = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 1, lb, 3, dashes);
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(GetObjectType(ext), OBJ_EXTPEN);
  std::vector<uint8_t> buf(size_t(GetObject(ext, 0, nullptr)));
  ASSERT_EQ(GetObject(ext, int32_t(buf.size()), buf.data()), int32_t(buf.size()));
  const auto* elp = reinterpret_cast<const EXTLOGPEN*>(buf.data());
  EXPECT_EQ(elp->elpNumEntries, 3u);
  EXPECT_EQ(elp->elpColor, kRed);
  DeleteObject(ext);
  EXPECT_EQ(ExtCreatePen(PS_COSMETIC | PS_SOLID, 3, lb, 0, nullptr), nullptr);  // cosmetic pens are 1 wide

  lb.lbStyle = BS_HATCHED;
  lb.lbHatch = HS_CROSS;
  HBRUSH hatch = CreateBrushIndirect(lb);
  LOGBRUSH lb2;
  GetObject(hatch, sizeof lb2, &lb2);
  EXPECT_EQ(lb2.lbStyle, BS_HATCHED);
  EXPECT_EQ(lb2.lbHatch, uintptr_t(HS_CROSS));
  DeleteObject(hatch);
  EXPECT_EQ(CreateHatchBrush(6, kRed), nullptr);
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_TRUE(DeleteObject(GetSysColorBrush(COLOR_BTNFACE)));  // ignored
  EXPECT_NE(GetObjectType(GetSysColorBrush(COLOR_BTNFACE)), 0u);
  EXPECT_EQ(GetSysColorBrush(99), nullptr);
}

TEST(GfxObjects, Palettes) {
  std::vector<uint8_t> buf(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = 3;
  const PALETTEENTRY e[3] = {{0, 0, 0, 0}, {200, 10, 10, 0}, {10, 10, 200, 0}};
  std::memcpy(lp->palPalEntry, e, sizeof e);
  HPALETTE pal = CreatePalette(lp);
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 3u);
  PALETTEENTRY out[3];
  EXPECT_EQ(GetPaletteEntries(pal, 1, 5, out), 2u);
  EXPECT_EQ(out[0], e[1]);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(250, 0, 0)), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(0, 0, 255)), 2u);
  const PALETTEENTRY green = {0, 255, 0, 0};
  EXPECT_EQ(SetPaletteEntries(pal, 2, 1, &green), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(0, 200, 0)), 2u);
  uint16_t count = 0;
  EXPECT_EQ(GetObject(pal, sizeof count, &count), 2);
  EXPECT_EQ(count, 3);
  // PALETTEINDEX colours go through the DC's palette.
  HBITMAP bmp = GdiCreateDIB(1, 1, GdiFormat24, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  HPALETTE prev = SelectPalette(dc, pal, false);
  EXPECT_EQ(prev, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(dc), 0u);
  EXPECT_FALSE(DeleteObject(pal));  // selected
  SetPixel(dc, 0, 0, PALETTEINDEX(1));
  EXPECT_EQ(GetPixel(dc, 0, 0), COLORREF(RGB(200, 10, 10)));
  SetPixel(dc, 0, 0, PALETTERGB(1, 2, 3));
  EXPECT_EQ(GetPixel(dc, 0, 0), COLORREF(RGB(1, 2, 3)));
  SelectPalette(dc, prev, false);
  EXPECT_TRUE(DeleteObject(pal));
  SelectObject(dc, old);
  DeleteObject(bmp);
  // The colour table of a selected DIB.
  const RGBQUAD table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  HBITMAP mono = GdiCreateDIB(2, 1, GdiFormat1, table, 2);
  old = SelectObject(dc, mono);
  SetPixel(dc, 1, 0, kWhite);
  const RGBQUAD red = {0, 0, 255, 0};
  EXPECT_EQ(SetDIBColorTable(dc, 1, 1, &red), 1u);
  EXPECT_EQ(GetPixel(dc, 1, 0), kRed);  // same index, new colour
  RGBQUAD back[4];
  EXPECT_EQ(GetDIBColorTable(dc, 0, 4, back), 2u);
  EXPECT_EQ(back[1], red);
  SelectObject(dc, old);
  DeleteObject(mono);
  DeleteDC(dc);
  EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

TEST(GfxObjects, RegionCalls) {
  struct TCase {
    int Mode;
    int Kind;
    TRect Box;
  };
  const TCase cases[] = {
      {RGN_AND, SIMPLEREGION, {4, 2, 6, 6}},   {RGN_OR, COMPLEXREGION, {0, 0, 10, 8}},
      {RGN_XOR, COMPLEXREGION, {0, 0, 10, 8}}, {RGN_DIFF, COMPLEXREGION, {0, 0, 6, 6}},
      {RGN_COPY, SIMPLEREGION, {0, 0, 6, 6}},
  };
  HRGN a = CreateRectRgn(0, 0, 6, 6), b = CreateRectRgn(4, 2, 10, 8);
  for (const TCase& c : cases) {
    HRGN d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, b, c.Mode), c.Kind) << c.Mode;
    TRect box;
    EXPECT_EQ(GetRgnBox(d, &box), c.Kind);
    EXPECT_EQ(box, c.Box) << c.Mode;
    DeleteObject(d);
  }
  HRGN d = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(d, a, b, 9), ERROR);
  EXPECT_EQ(CombineRgn(d, a, a, RGN_DIFF), NULLREGION);
  EXPECT_TRUE(SetRectRgn(d, 1, 1, 3, 3));
  EXPECT_EQ(OffsetRgn(d, 3, -1), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(d, 4, 0));
  EXPECT_FALSE(PtInRegion(d, 6, 0));
  EXPECT_TRUE(RectInRegion(d, TRect{5, 1, 9, 9}));
  EXPECT_FALSE(RectInRegion(d, TRect{6, 0, 9, 9}));
  EXPECT_FALSE(EqualRgn(a, d));
  HRGN ring = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(ring, a, b, RGN_XOR);
  // Region data round trip, and checked sizes.
  const uint32_t size = GetRegionData(ring, 0, nullptr);
  ASSERT_GE(size, 32u);
  std::vector<uint8_t> data(size);
  EXPECT_EQ(GetRegionData(ring, size, reinterpret_cast<RGNDATA*>(data.data())), size);
  const auto* hdr = reinterpret_cast<const RGNDATAHEADER*>(data.data());
  EXPECT_EQ(hdr->dwSize, 32u);
  EXPECT_EQ(hdr->iType, uint32_t(RDH_RECTANGLES));
  EXPECT_EQ(size, 32 + 16 * hdr->nCount);
  HRGN copy = ExtCreateRegion(nullptr, size, reinterpret_cast<const RGNDATA*>(data.data()));
  EXPECT_TRUE(EqualRgn(copy, ring));
  EXPECT_EQ(ExtCreateRegion(nullptr, size - 1, reinterpret_cast<const RGNDATA*>(data.data())), nullptr);
  reinterpret_cast<RGNDATAHEADER*>(data.data())->nCount += 1;
  EXPECT_EQ(ExtCreateRegion(nullptr, size, reinterpret_cast<const RGNDATA*>(data.data())), nullptr);
  for (HRGN h : {a, b, d, ring, copy}) EXPECT_TRUE(DeleteObject(h));
}

TEST(GfxObjects, IconsAndImageCopies) {
  const uint8_t maskRows[8] = {0x80, 0, 0x40, 0, 0, 0, 0, 0};
  HBITMAP mask = CreateBitmap(2, 4, 1, 1, maskRows);  // monochrome icon: AND rows then XOR rows
  ICONINFO ii;
  ii.fIcon = false;
  ii.xHotspot = 1;
  ii.yHotspot = 0;
  ii.hbmMask = mask;
  HICON icon = CreateIconIndirect(ii);
  ASSERT_NE(icon, nullptr);
  DeleteObject(mask);  // the icon has its own copy
  ICONINFO back;
  ASSERT_TRUE(GetIconInfo(icon, &back));
  EXPECT_FALSE(back.fIcon);
  EXPECT_EQ(back.xHotspot, 1u);
  EXPECT_EQ(back.hbmColor, nullptr);
  BITMAP bm;
  GetObject(back.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmHeight, 4);
  EXPECT_TRUE(DeleteObject(back.hbmMask));
  auto* big = static_cast<HICON>(CopyImage(icon, IMAGE_CURSOR, 4, 4, LR_COPYDELETEORG));
  ASSERT_NE(big, nullptr);
  EXPECT_FALSE(DestroyIcon(icon));  // deleted by the copy
  ASSERT_TRUE(GetIconInfo(big, &back));
  GetObject(back.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 4);
  EXPECT_EQ(bm.bmHeight, 8);
  DeleteObject(back.hbmMask);
  EXPECT_TRUE(DestroyIcon(big));
  ii.hbmMask = nullptr;
  EXPECT_EQ(CreateIconIndirect(ii), nullptr);

  HBITMAP src = GdiCreateDIB(2, 1, GdiFormat24, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, src);
  SetPixel(dc, 0, 0, kRed);
  SetPixel(dc, 1, 0, kWhite);
  SelectObject(dc, old);
  auto* wide = static_cast<HBITMAP>(CopyImage(src, IMAGE_BITMAP, 4, 1, 0));
  auto* mono = static_cast<HBITMAP>(CopyImage(src, IMAGE_BITMAP, 0, 0, LR_MONOCHROME));
  old = SelectObject(dc, wide);
  EXPECT_EQ(GetPixel(dc, 1, 0), kRed);
  EXPECT_EQ(GetPixel(dc, 2, 0), kWhite);
  SelectObject(dc, mono);
  EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
  EXPECT_EQ(GetPixel(dc, 1, 0), kWhite);
  SelectObject(dc, old);
  for (HBITMAP h : {src, wide, mono}) EXPECT_TRUE(DeleteObject(h));
  DeleteDC(dc);
}

TEST(GfxObjects, TheTableIsSafeAcrossThreads) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        HBITMAP b = GdiCreateDIB(8 + t, 4, GdiFormat24, nullptr, 0);
        HDC dc = CreateCompatibleDC(nullptr);
        HPEN pen = static_cast<HPEN>(GetStockObject(WHITE_PEN));
        HGDIOBJ old = SelectObject(dc, b);
        SelectObject(dc, pen);
        MoveToEx(dc, 0, 0, nullptr);
        LineTo(dc, 8, 4);
        if (GetPixel(dc, 0, 0) != kWhite) ++failures;
        SelectObject(dc, old);
        if (!DeleteDC(dc) || !DeleteObject(b)) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}
