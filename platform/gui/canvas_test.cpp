// TCanvas over a bitmap: the DC state the framework derives from pen, brush
// and font, the background rules of FillRect/TextOut/TextRect, copy modes,
// transparent drawing, locking and change events.
#include "platform/gui/canvas.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/graphics.h"
#include "platform/gui/text.h"

namespace {

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0,
                   kYellow = 0x00FFFF, kMagenta = 0xFF00FF;

COLORREF PixelOf(const TBitmap& b, int32_t x, int32_t y) {
  const TGdiRaster r = GdiBitmapRaster(b.Handle());
  return GdiValueToColor(r, GdiReadPixel(r, x, y));
}

void SetPixelOf(TBitmap& b, int32_t x, int32_t y, COLORREF c) {
  const TGdiRaster r = GdiBitmapRaster(b.Handle());
  GdiWritePixel(r, x, y, GdiColorToValue(r, c));
}

// A bitmap of the format filled with one colour.
std::unique_ptr<TBitmap> Filled(int32_t w, int32_t h, COLORREF c, TPixelFormat f = TPixelFormat::pf24bit) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(f);
  b->SetSize(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) SetPixelOf(*b, x, y, c);
  return b;
}

int CountColor(const TBitmap& b, COLORREF c, const TRect& r) {
  int n = 0;
  for (int32_t y = r.Top; y < r.Bottom; ++y)
    for (int32_t x = r.Left; x < r.Right; ++x) n += PixelOf(b, x, y) == c;
  return n;
}

TEST(GfxCanvas, BrushSetsTheBackgroundModeAndPenModeTheRop2) {
  auto b = Filled(2, 2, kWhite);
  TCanvas* c = b->Canvas();
  const struct {
    TBrushStyle Style;
    int32_t Mode;
  } brushes[] = {{TBrushStyle::bsSolid, OPAQUE},
                 {TBrushStyle::bsClear, TRANSPARENT},
                 {TBrushStyle::bsHorizontal, TRANSPARENT},
                 {TBrushStyle::bsDiagCross, TRANSPARENT}};
  for (const auto& t : brushes) {
    c->Brush()->SetColor(clYellow);
    c->Brush()->SetStyle(t.Style);
    HDC dc = c->Handle();
    EXPECT_EQ(GetBkMode(dc), t.Mode) << int(t.Style);
    if (t.Mode == OPAQUE) {
      EXPECT_EQ(GetBkColor(dc), kYellow);
    }
  }
  c->Font()->SetColor(clBtnShadow);
  EXPECT_EQ(GetTextColor(c->Handle()), 0xA0A0A0u);

  const TPenMode modes[] = {
      TPenMode::pmBlack,       TPenMode::pmWhite,      TPenMode::pmNop,         TPenMode::pmNot,
      TPenMode::pmCopy,        TPenMode::pmNotCopy,    TPenMode::pmMergePenNot, TPenMode::pmMaskPenNot,
      TPenMode::pmMergeNotPen, TPenMode::pmMaskNotPen, TPenMode::pmMerge,       TPenMode::pmNotMerge,
      TPenMode::pmMask,        TPenMode::pmNotMask,    TPenMode::pmXor,         TPenMode::pmNotXor};
  const int32_t rop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,        R2_COPYPEN,  R2_NOTCOPYPEN,
                          R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                          R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  for (size_t i = 0; i < std::size(modes); ++i) {
    c->Pen()->SetMode(modes[i]);
    EXPECT_EQ(GetROP2(c->Handle()), rop2[i]) << i;
    EXPECT_EQ(PenModeToRop2(modes[i]), rop2[i]);
  }
  // The selected objects are the canvas's.
  HDC dc = c->Handle();
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), c->Pen()->Handle());
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), c->Brush()->Handle());
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), c->Font()->Handle());
  c->Refresh();
  EXPECT_NE(GetCurrentObject(dc, OBJ_PEN), c->Pen()->Handle());
}

TEST(GfxCanvas, FillRectIsAPatternCopyWithTheBrushOnly) {
  auto b = Filled(6, 4, kWhite);
  TCanvas* c = b->Canvas();
  c->Pen()->SetMode(TPenMode::pmXor);
  c->Pen()->SetColor(clBlue);
  c->Brush()->SetColor(clRed);
  c->FillRect(Rect(1, 1, 4, 3));
  EXPECT_EQ(CountColor(*b, kRed, Rect(1, 1, 4, 3)), 6);
  EXPECT_EQ(CountColor(*b, kWhite, Rect(0, 0, 6, 4)), 24 - 6);
  // A new colour is picked up even though the old brush was selected.
  c->Brush()->SetColor(clLime);
  c->FillRect(Rect(1, 1, 2, 2));
  EXPECT_EQ(PixelOf(*b, 1, 1), kGreen);
  // A clear brush draws nothing.
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->FillRect(Rect(0, 0, 6, 4));
  EXPECT_EQ(CountColor(*b, kWhite, Rect(0, 0, 6, 4)), 18);
  // A hatch draws its lines and leaves the gaps alone.
  auto y = Filled(8, 8, kYellow);
  y->Canvas()->Brush()->SetColor(clBlue);
  y->Canvas()->Brush()->SetStyle(TBrushStyle::bsCross);
  y->Canvas()->FillRect(Rect(0, 0, 8, 8));
  const int blue = CountColor(*y, kBlue, Rect(0, 0, 8, 8));
  EXPECT_GT(blue, 0);
  EXPECT_EQ(blue + CountColor(*y, kYellow, Rect(0, 0, 8, 8)), 64);
}

TEST(GfxCanvas, RectangleCoversItsExtentAndDashGapsTakeASolidBrush) {
  auto b = Filled(10, 10, kWhite);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clYellow);
  c->Pen()->SetColor(clBlack);
  c->Rectangle(2, 2, 8, 8);
  EXPECT_EQ(CountColor(*b, kBlack, Rect(0, 0, 10, 10)), 20);  // the 6 x 6 outline
  EXPECT_EQ(CountColor(*b, kYellow, Rect(0, 0, 10, 10)), 16);
  c->Pen()->SetStyle(TPenStyle::psClear);
  c->Brush()->SetColor(clRed);
  c->Rectangle(0, 0, 10, 10);  // no outline: one pixel less to the right and bottom
  EXPECT_EQ(CountColor(*b, kRed, Rect(0, 0, 10, 10)), 81);

  // A clear brush leaves the inside alone.
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetColor(clBlue);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->Rectangle(1, 1, 5, 5);
  EXPECT_EQ(CountColor(*b, kBlue, Rect(0, 0, 10, 10)), 12);
  EXPECT_EQ(CountColor(*b, kRed, Rect(2, 2, 4, 4)), 4);

  // Dotted lines: the gaps take the brush colour when it is solid and stay
  // untouched when it is clear.
  for (bool solid : {true, false}) {
    auto l = Filled(24, 1, kWhite);
    TCanvas* lc = l->Canvas();
    lc->Pen()->SetStyle(TPenStyle::psDot);
    lc->Pen()->SetColor(clBlack);
    lc->Brush()->SetColor(clYellow);
    if (!solid) lc->Brush()->SetStyle(TBrushStyle::bsClear);
    lc->MoveTo(0, 0);
    lc->LineTo(24, 0);
    EXPECT_EQ(lc->PenPos(), Point(24, 0));
    const int black = CountColor(*l, kBlack, Rect(0, 0, 24, 1));
    EXPECT_EQ(black, 12);
    EXPECT_EQ(CountColor(*l, solid ? kYellow : kWhite, Rect(0, 0, 24, 1)), 12) << solid;
  }
}

TEST(GfxCanvas, TextOutFillsTheCellOnlyWithASolidBrush) {
  for (bool solid : {true, false}) {
    SCOPED_TRACE(solid);
    auto b = Filled(80, 30, kWhite);
    TCanvas* c = b->Canvas();
    c->Font()->SetColor(clBlack);
    c->Brush()->SetColor(clYellow);
    if (!solid) c->Brush()->SetStyle(TBrushStyle::bsClear);
    const TSize ext = c->TextExtent("Hi");
    ASSERT_GT(ext.cx, 0);
    ASSERT_GT(ext.cy, 0);
    c->TextOut(3, 4, "Hi");
    EXPECT_EQ(c->PenPos(), Point(3 + ext.cx, 4));
    const TRect cell = Rect(3, 4, 3 + ext.cx, 4 + ext.cy);
    const int area = ext.cx * ext.cy;
    const int white = CountColor(*b, kWhite, cell), yellow = CountColor(*b, kYellow, cell);
    if (solid) {
      EXPECT_EQ(white, 0);  // every pixel of the cell is background or ink
      EXPECT_GT(yellow, area / 3);
    } else {
      EXPECT_EQ(yellow, 0);
      EXPECT_GT(white, area / 3);
      EXPECT_LT(white, area);  // some ink
    }
    // Nothing outside the cell.
    EXPECT_EQ(CountColor(*b, kWhite, Rect(0, 0, 80, 30)), 80 * 30 - (area - white));
    EXPECT_EQ(c->TextWidth("Hi"), ext.cx);
    EXPECT_EQ(c->TextHeight("Hi"), ext.cy);
  }
}

TEST(GfxCanvas, TextRectFillsTheWholeRectangleWithASolidBrushAndClips) {
  for (bool solid : {true, false}) {
    SCOPED_TRACE(solid);
    auto b = Filled(60, 30, kWhite);
    TCanvas* c = b->Canvas();
    c->Font()->SetColor(clBlack);
    c->Brush()->SetColor(clYellow);
    if (!solid) c->Brush()->SetStyle(TBrushStyle::bsClear);
    const TRect r = Rect(2, 3, 20, 25);
    c->TextRect(r, 4, 5, "WWWWWWWW");  // wider than the rectangle
    const int inside = r.Width() * r.Height();
    if (solid) {
      EXPECT_EQ(CountColor(*b, kWhite, r), 0);
      EXPECT_GT(CountColor(*b, kYellow, r), inside / 4);
    } else {
      EXPECT_EQ(CountColor(*b, kYellow, r), 0);
      EXPECT_LT(CountColor(*b, kWhite, r), inside);
    }
    // Clipped: nothing outside the rectangle changed.
    EXPECT_EQ(CountColor(*b, kWhite, Rect(0, 0, 60, 30)) - CountColor(*b, kWhite, r), 60 * 30 - inside);
  }
}

TEST(GfxCanvas, CopyModesAreRop3Codes) {
  const struct {
    TCopyMode Mode;
    COLORREF Src, Dst, Want;
  } cases[] = {
      {cmSrcCopy, 0x123456, 0xABCDEF, 0x123456},     {cmSrcAnd, 0x0F0FF0, 0xFF00FF, 0x0F00F0},
      {cmSrcPaint, 0x0F0000, 0x00F000, 0x0FF000},    {cmSrcInvert, 0xFFFFFF, 0x123456, 0xEDCBA9},
      {cmSrcErase, 0xF0F0F0, 0x0FF00F, 0xF000F0},    {cmNotSrcCopy, 0x00FF00, 0x123456, 0xFF00FF},
      {cmNotSrcErase, 0xF00000, 0x0F0000, 0x00FFFF}, {cmDstInvert, 0x000000, 0x00FF0F, 0xFF00F0},
      {cmBlackness, 0x123456, 0xABCDEF, 0x000000},   {cmWhiteness, 0x123456, 0xABCDEF, 0xFFFFFF},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.Mode);
    auto src = Filled(2, 2, t.Src), dst = Filled(2, 2, t.Dst);
    dst->Canvas()->SetCopyMode(t.Mode);
    dst->Canvas()->CopyRect(Rect(0, 0, 2, 2), src->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(PixelOf(*dst, 1, 1), t.Want);
  }
  // Patterns come from the destination's brush.
  auto src = Filled(1, 1, 0x00FF00), dst = Filled(1, 1, 0);
  dst->Canvas()->Brush()->SetColor(clRed);
  dst->Canvas()->SetCopyMode(cmMergeCopy);  // source AND pattern
  dst->Canvas()->CopyRect(Rect(0, 0, 1, 1), src->Canvas(), Rect(0, 0, 1, 1));
  EXPECT_EQ(PixelOf(*dst, 0, 0), 0u);
  dst->Canvas()->SetCopyMode(cmPatCopy);
  dst->Canvas()->CopyRect(Rect(0, 0, 1, 1), src->Canvas(), Rect(0, 0, 1, 1));
  EXPECT_EQ(PixelOf(*dst, 0, 0), kRed);
}

TEST(GfxCanvas, TransparentDrawLeavesOutTheExactColour) {
  // A 3 x 2 sprite whose bottom-left pixel is magenta; one pixel is a
  // near-miss of magenta and must be drawn.
  auto sprite = Filled(3, 2, kMagenta);
  SetPixelOf(*sprite, 1, 0, kRed);
  SetPixelOf(*sprite, 2, 0, kMagenta - 1);
  SetPixelOf(*sprite, 2, 1, kGreen);
  sprite->SetTransparent(true);
  for (TPixelFormat target : {TPixelFormat::pf24bit, TPixelFormat::pf32bit, TPixelFormat::pf8bit}) {
    SCOPED_TRACE(int(target));
    auto dst = Filled(5, 4, kBlue, target);
    dst->Canvas()->Draw(1, 1, sprite.get());
    const COLORREF near = target == TPixelFormat::pf8bit ? kMagenta : kMagenta - 1;
    const COLORREF want[4][5] = {{kBlue, kBlue, kBlue, kBlue, kBlue},
                                 {kBlue, kBlue, kRed, near, kBlue},
                                 {kBlue, kBlue, kBlue, kGreen, kBlue},
                                 {kBlue, kBlue, kBlue, kBlue, kBlue}};
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelOf(*dst, x, y), want[y][x]) << x << "," << y;
  }
  // A fixed colour; stretched twice the size with the same rule.
  sprite->SetTransparentColor(clRed);
  auto dst = Filled(6, 4, kBlue);
  dst->Canvas()->StretchDraw(Rect(0, 0, 6, 4), sprite.get());
  EXPECT_EQ(PixelOf(*dst, 0, 0), kMagenta);
  EXPECT_EQ(PixelOf(*dst, 2, 0), kBlue);
  EXPECT_EQ(PixelOf(*dst, 3, 1), kBlue);
  EXPECT_EQ(PixelOf(*dst, 5, 3), kGreen);
  EXPECT_EQ(PixelOf(*dst, 1, 3), kMagenta);
  // Not transparent: every pixel.
  sprite->SetTransparent(false);
  dst->Canvas()->Draw(0, 0, sprite.get());
  EXPECT_EQ(PixelOf(*dst, 1, 0), kRed);
  // The clip holds.
  auto clipped = Filled(4, 2, kBlue);
  IntersectClipRect(clipped->Canvas()->Handle(), 0, 0, 2, 2);
  clipped->Canvas()->Draw(0, 0, sprite.get());
  EXPECT_EQ(PixelOf(*clipped, 0, 0), kMagenta);
  EXPECT_EQ(PixelOf(*clipped, 2, 0), kBlue);
}

TEST(GfxCanvas, BrushCopyReplacesOneColourByTheBrush) {
  auto src = Filled(2, 2, kWhite);
  SetPixelOf(*src, 1, 1, kRed);
  auto dst = Filled(4, 4, kBlack);
  dst->Canvas()->Brush()->SetColor(clYellow);
  dst->Canvas()->BrushCopy(Rect(1, 1, 3, 3), src.get(), Rect(0, 0, 2, 2), clWhite);
  EXPECT_EQ(PixelOf(*dst, 1, 1), kYellow);
  EXPECT_EQ(PixelOf(*dst, 2, 1), kYellow);
  EXPECT_EQ(PixelOf(*dst, 2, 2), kRed);
  EXPECT_EQ(PixelOf(*dst, 0, 0), kBlack);
  EXPECT_EQ(PixelOf(*dst, 3, 3), kBlack);
}

TEST(GfxCanvas, FloodFillStyles) {
  // A red frame around white with a white pixel outside it.
  for (TFillStyle style : {TFillStyle::fsSurface, TFillStyle::fsBorder}) {
    SCOPED_TRACE(int(style));
    auto b = Filled(5, 5, kWhite);
    b->Canvas()->Brush()->SetStyle(TBrushStyle::bsClear);
    b->Canvas()->Pen()->SetColor(clRed);
    b->Canvas()->Rectangle(0, 0, 4, 4);
    b->Canvas()->Brush()->SetColor(clBlue);
    b->Canvas()->FloodFill(2, 2, style == TFillStyle::fsSurface ? clWhite : clRed, style);
    EXPECT_EQ(CountColor(*b, kBlue, Rect(0, 0, 5, 5)), 4);
    EXPECT_EQ(PixelOf(*b, 4, 4), kWhite);
  }
}

TEST(GfxCanvas, PixelsOutsideTheBitmapOrClipAreInvalid) {
  auto b = Filled(3, 3, kGreen);
  TCanvas* c = b->Canvas();
  EXPECT_EQ(c->Pixels(1, 1), clLime);
  for (TPoint p : {Point(-1, 0), Point(3, 0), Point(0, 3), Point(0, -1)})
    EXPECT_EQ(uint32_t(c->Pixels(p.X, p.Y)), CLR_INVALID) << p.X << "," << p.Y;
  IntersectClipRect(c->Handle(), 0, 0, 2, 2);
  EXPECT_EQ(uint32_t(c->Pixels(2, 2)), CLR_INVALID);
  EXPECT_EQ(c->ClipRect(), Rect(0, 0, 2, 2));
  c->SetPixels(2, 2, clRed);  // outside the clip: nothing
  EXPECT_EQ(PixelOf(*b, 2, 2), kGreen);
}

TEST(GfxCanvas, FontSizeAndHeightFollowEachOther) {
  TFont f;
  EXPECT_EQ(f.Name(), "MS Sans Serif");
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Color(), clWindowText);
  const struct { int32_t Size, Height; } sizes[] = {{8, -11}, {9, -12}, {10, -13}, {12, -16}, {24, -32}, {-12, 16}};
  for (const auto& s : sizes) {
    f.SetSize(s.Size);
    EXPECT_EQ(f.Height(), s.Height) << s.Size;
    f.SetHeight(s.Height);
    EXPECT_EQ(f.Size(), s.Size) << s.Height;
  }
  f.SetHeight(-15);
  EXPECT_EQ(f.Size(), 11);  // 11.25 rounds to 11

  // A font made elsewhere: its description is taken over.
  LOGFONT lf;
  lf.lfHeight = -20;
  lf.lfWeight = FW_BOLD;
  lf.lfItalic = 1;
  lf.lfEscapement = 900;
  lf.lfFaceName = "Courier New";
  HFONT h = CreateFontIndirect(lf);
  f.SetHandle(h);
  EXPECT_EQ(f.Handle(), h);
  EXPECT_EQ(f.Name(), "Courier New");
  EXPECT_EQ(f.Height(), -20);
  EXPECT_EQ(f.Orientation(), 900);
  EXPECT_TRUE(f.Style().Contains(TFontStyle::fsBold));
  EXPECT_TRUE(f.Style().Contains(TFontStyle::fsItalic));
  TFont g;
  g.Assign(&f);
  EXPECT_EQ(g.Name(), "Courier New");
  EXPECT_NE(g.Handle(), h);

  // Changing the canvas font changes what is measured.
  auto b = Filled(4, 4, kWhite);
  const int32_t small = b->Canvas()->TextWidth("MMMM");
  b->Canvas()->Font()->SetSize(24);
  EXPECT_GT(b->Canvas()->TextWidth("MMMM"), small);
}

TEST(GfxCanvas, LockingAndChangeEvents) {
  auto b = Filled(2, 2, kWhite);
  TCanvas* c = b->Canvas();
  c->Lock();
  c->Lock();
  EXPECT_EQ(c->LockCount(), 2);
  EXPECT_FALSE(c->TryLock());
  std::atomic<bool> other{true};
  std::thread([&] { other = c->TryLock(); }).join();
  EXPECT_FALSE(other);
  c->Unlock();
  c->Unlock();
  EXPECT_EQ(c->LockCount(), 0);
  std::thread([&] {
    other = c->TryLock();
    if (other) c->Unlock();
  }).join();
  EXPECT_TRUE(other);

  std::vector<char> events;
  c->OnChanging = [&](TObject* s) {
    EXPECT_EQ(s, c);
    events.push_back('<');
  };
  c->OnChange = [&](TObject*) { events.push_back('>'); };
  int bitmapChanges = 0;
  b->OnChange = [&](TObject*) { ++bitmapChanges; };
  c->FillRect(Rect(0, 0, 1, 1));
  c->LineTo(1, 1);
  EXPECT_EQ(std::string(events.begin(), events.end()), "<><>");
  c->OnChange = nullptr;
  c->OnChanging = nullptr;
  // The bitmap's own canvas reports through the bitmap.
  TBitmap plain;
  plain.SetSize(2, 2);
  plain.OnChange = [&](TObject*) { ++bitmapChanges; };
  plain.Canvas()->FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(bitmapChanges, 1);
  EXPECT_TRUE(plain.Modified());
}

TEST(GfxCanvas, ACanvasWithoutADcRefusesToDraw) {
  TCanvas c;
  EXPECT_FALSE(c.HandleAllocated());
  EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
  // With a DC of someone else's, it draws there and lets go of its objects.
  auto b = Filled(2, 2, kWhite);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, b->Handle());
  c.SetHandle(dc);
  c.Brush()->SetColor(clRed);
  c.FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(PixelOf(*b, 0, 0), kRed);
  HBRUSH brush = c.Brush()->Handle();
  c.SetHandle(nullptr);
  EXPECT_NE(GetCurrentObject(dc, OBJ_BRUSH), brush);
  SelectObject(dc, old);
  DeleteDC(dc);
}

}  // namespace
