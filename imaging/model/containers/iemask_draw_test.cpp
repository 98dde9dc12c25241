#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/model/containers/iemask.h"
#include "platform/gui/graphics.h"

namespace {

std::unique_ptr<TBitmap> Surface(int32_t W, int32_t H, TColor Fill) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(W, H);
  b->Canvas()->Brush()->SetColor(Fill);
  b->Canvas()->FillRect(Rect(0, 0, W, H));
  return b;
}

// A mask of W x H with the rectangle X1, Y1 .. X2, Y2 (inclusive) selected.
std::unique_ptr<TIEMask> Selection(int32_t Bits, int32_t W, int32_t H, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  auto m = std::make_unique<TIEMask>();
  m->Allocate(W, H, Bits);
  for (int32_t y = Y1; y <= Y2; ++y)
    for (int32_t x = X1; x <= X2; ++x) m->SetPixel(x, y, 255);
  return m;
}

}  // namespace

TEST(ModelMaskDraw, FilledInvertsTheSelectedPixels) {
  auto s = Surface(8, 6, RGB(10, 200, 40));
  auto m = Selection(1, 8, 6, 2, 1, 4, 3);
  m->DrawFilled(s->Canvas(), 0, 0, 8, 6, 0, 0, 8, 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x <= 4 && y >= 1 && y <= 3;
      EXPECT_EQ(s->Canvas()->Pixels(x, y), inside ? RGB(245, 55, 215) : RGB(10, 200, 40)) << x << "," << y;
    }
  // Twice gives the picture back; a zoomed part lands scaled.
  m->DrawFilled(s->Canvas(), 0, 0, 8, 6, 0, 0, 8, 6);
  EXPECT_EQ(s->Canvas()->Pixels(3, 2), RGB(10, 200, 40));
  m->DrawFilled(s->Canvas(), 0, 0, 8, 6, 2, 1, 4, 3);  // mask columns 2..5, rows 1..3 doubled
  EXPECT_EQ(s->Canvas()->Pixels(5, 5), RGB(245, 55, 215));
  EXPECT_EQ(s->Canvas()->Pixels(6, 0), RGB(10, 200, 40));

  // 8-bit masks and empty ones draw nothing.
  auto eight = Selection(8, 8, 6, 0, 0, 7, 5);
  eight->DrawFilled(s->Canvas(), 0, 0, 8, 6, 0, 0, 8, 6);
  TIEMask empty;
  empty.Allocate(8, 6, 1);
  empty.DrawFilled(s->Canvas(), 0, 0, 8, 6, 0, 0, 8, 6);
  EXPECT_EQ(s->Canvas()->Pixels(6, 0), RGB(10, 200, 40));
  EXPECT_EQ(s->Canvas()->Pixels(5, 5), RGB(245, 55, 215));
}

TEST(ModelMaskDraw, OutlineInRunsOfFour) {
  for (int32_t bits : {1, 8}) {
    SCOPED_TRACE(bits);
    auto s = Surface(40, 12, clWhite);
    auto m = Selection(bits, 40, 12, 2, 3, 33, 8);
    m->DrawOutline(s->Canvas(), 0, 0, 40, 12, 0, 0, 40, 12, clRed, clBlue, 0);
    // The top edge, row 3: (x + 3) mod 8 < 4 gives red.
    for (int32_t x = 2; x <= 33; ++x) EXPECT_EQ(s->Canvas()->Pixels(x, 3), (x + 3) % 8 < 4 ? clRed : clBlue) << x;
    // Left and right edges, and nothing inside or outside.
    EXPECT_EQ(s->Canvas()->Pixels(2, 5), (2 + 5) % 8 < 4 ? clRed : clBlue);
    EXPECT_EQ(s->Canvas()->Pixels(33, 6), (33 + 6) % 8 < 4 ? clRed : clBlue);
    EXPECT_EQ(s->Canvas()->Pixels(10, 5), clWhite);
    EXPECT_EQ(s->Canvas()->Pixels(1, 5), clWhite);
    EXPECT_EQ(s->Canvas()->Pixels(34, 5), clWhite);
    // Phase and the destination offset move the runs.
    auto t = Surface(40, 12, clWhite);
    m->DrawOutline(t->Canvas(), 0, 0, 40, 12, 0, 0, 40, 12, clRed, clBlue, 2);
    for (int32_t x = 2; x <= 33; ++x) EXPECT_EQ(t->Canvas()->Pixels(x, 3), (x + 5) % 8 < 4 ? clRed : clBlue) << x;
  }
}

TEST(ModelMaskDraw, OutlineBorderAtTheViewEdges) {
  // The whole mask selected and shown at full size: its own edges are the
  // border, the inside is not.
  auto all = Selection(1, 10, 6, 0, 0, 9, 5);
  auto s = Surface(10, 6, clWhite);
  all->DrawOutline(s->Canvas(), 0, 0, 10, 6, 0, 0, 10, 6, clRed, clRed, 0);
  for (int32_t x = 0; x < 10; ++x) {
    EXPECT_EQ(s->Canvas()->Pixels(x, 0), clRed) << x;
    EXPECT_EQ(s->Canvas()->Pixels(x, 5), clRed) << x;
  }
  EXPECT_EQ(s->Canvas()->Pixels(0, 3), clRed);
  EXPECT_EQ(s->Canvas()->Pixels(9, 3), clRed);
  EXPECT_EQ(s->Canvas()->Pixels(4, 3), clWhite);

  // A view of the middle columns 3..6 of a selection that goes on beyond
  // them: no border where the view cuts it.
  auto wide = Selection(1, 20, 6, 0, 1, 19, 4);
  s = Surface(4, 6, clWhite);
  wide->DrawOutline(s->Canvas(), 0, 0, 4, 6, 3, 0, 4, 6, clRed, clRed, 0);
  EXPECT_EQ(s->Canvas()->Pixels(0, 2), clWhite);
  EXPECT_EQ(s->Canvas()->Pixels(3, 2), clWhite);
  EXPECT_EQ(s->Canvas()->Pixels(0, 1), clRed);
  EXPECT_EQ(s->Canvas()->Pixels(3, 4), clRed);
}

TEST(ModelMaskDraw, OuterMarksACheckerboard) {
  auto s = Surface(10, 8, clWhite);
  auto m = Selection(1, 10, 8, 3, 2, 6, 5);
  m->DrawOuter(s.get(), 0, 0, 10, 8, 0, 0, 10, 8);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      const bool selected = x >= 3 && x <= 6 && y >= 2 && y <= 5;
      const TColor want = !selected && (x + y) % 2 == 0 ? RGB(97, 97, 97) : clWhite;
      EXPECT_EQ(s->Canvas()->Pixels(x, y), want) << x << "," << y;
    }
  // Shifted onto a smaller bitmap: only pixels inside it are touched.
  auto small = Surface(6, 5, clWhite);
  m->DrawOuter(small.get(), 2, 3, 10, 8, 0, 0, 10, 8);
  EXPECT_EQ(small->Canvas()->Pixels(2, 3), RGB(97, 97, 97));  // buffer pixel 0, 0
  EXPECT_EQ(small->Canvas()->Pixels(3, 3), clWhite);
  // Other bitmap formats are left alone.
  TBitmap device;
  device.SetSize(4, 4);
  m->DrawOuter(&device, 0, 0, 4, 4, 0, 0, 10, 8);
  EXPECT_EQ(device.Canvas()->Pixels(0, 0), clBlack);
}
