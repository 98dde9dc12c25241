#include "imaging/model/containers/ierenderfiltered.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"

namespace {

using PF = TIEPixelFormat;
using RF = TResampleFilter;

TRGB Gray(uint8_t V) { return MakeTRGB(V, V, V); }

std::unique_ptr<TIEBitmap> Make(int32_t W, int32_t H, PF Format) {
  auto b = std::make_unique<TIEBitmap>();
  b->SetMemoryThreshold(2147483647);
  b->Allocate(W, H, Format);
  return b;
}

std::unique_ptr<TIEBitmap> Uniform(int32_t W, int32_t H, TRGB Colour) {
  auto b = Make(W, H, PF::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *b->PixelRGB(x, y) = Colour;
  return b;
}

// A 1-bit checkerboard: half of every 2 x 2 block is white.
std::unique_ptr<TIEBitmap> Checker(int32_t W, int32_t H) {
  auto b = Make(W, H, PF::ie1g);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) SetBit(static_cast<uint8_t*>(b->ScanLine(y)), x, (x + y) % 2 == 0);
  return b;
}

void Render(TIEBitmap& Source, TIEBitmap& Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, RF Filter,
            const TRect* Clip = nullptr, uint8_t Opacity = 255) {
  TIEDestRowTable rows;
  TIEIndexTable cols, rowTable;
  RenderToTIEBitmap(&Source, &Dest, rows, cols, rowTable, Clip, DstX, DstY, DstW, DstH, 0, 0, Source.Width(),
                    Source.Height(), true, false, Opacity, Filter, true, 0);
}

}  // namespace

TEST(ModelRenderFiltered, ResamplesScaled24BitSourcesWithinTheClip) {
  // A uniform image stays uniform under every filter; the clip still holds.
  auto s = Uniform(4, 4, MakeTRGB(90, 60, 30));
  for (const RF filter : {RF::rfTriangle, RF::rfLanczos3, RF::rfFastLinear, RF::rfBicubic}) {
    auto d = Uniform(10, 10, Gray(0));
    const TRect clip{0, 0, 4, 9};
    Render(*s, *d, 1, 1, 8, 8, filter, &clip);
    EXPECT_EQ(*d->PixelRGB(1, 1), MakeTRGB(90, 60, 30)) << int(filter);
    EXPECT_EQ(*d->PixelRGB(4, 8), MakeTRGB(90, 60, 30)) << int(filter);
    EXPECT_EQ(*d->PixelRGB(5, 5), Gray(0)) << int(filter);  // right of the clip
    EXPECT_EQ(*d->PixelRGB(0, 5), Gray(0)) << int(filter);  // left of the rectangle
  }
}

// A checkerboard 1-bit image shrunk to 4 x 4 gray by Stretch1BitToGray.
std::unique_ptr<TIEBitmap> GrayOfChecker() {
  auto s = Checker(8, 8);
  auto g = Uniform(4, 4, Gray(0));
  Stretch1BitToGray(s.get(), 0, 0, 7, 7, g.get());
  return g;
}

TEST(ModelRenderFiltered, ShrunkOneBitSourcesAverageToGray) {
  auto s = Checker(8, 8);
  auto want = GrayOfChecker();
  ASSERT_NE(*want->PixelRGB(1, 1), Gray(0));
  ASSERT_NE(*want->PixelRGB(1, 1), Gray(255));
  auto d = Uniform(4, 4, Gray(9));
  Render(*s, *d, 0, 0, 4, 4, RF::rfTriangle);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(*d->PixelRGB(x, y), *want->PixelRGB(x, y)) << x << "," << y;
  // The same through the clip: only the clipped pixel changes.
  auto d2 = Uniform(4, 4, Gray(9));
  const TRect clip{2, 1, 2, 1};
  Render(*s, *d2, 0, 0, 4, 4, RF::rfTriangle, &clip);
  EXPECT_EQ(*d2->PixelRGB(2, 1), *want->PixelRGB(2, 1));
  EXPECT_EQ(*d2->PixelRGB(1, 1), Gray(9));
}

TEST(ModelRenderFiltered, UnfilteredCasesTakeTheDirectPath) {
  // rfNone, an unchanged size and formats the resamplers do not filter all
  // draw as the nearest-neighbour form does.
  auto gray = Make(2, 2, PF::ie8g);
  gray->SetPixel8(0, 0, 10);
  gray->SetPixel8(1, 0, 200);
  gray->SetPixel8(0, 1, 30);
  gray->SetPixel8(1, 1, 90);
  struct Case {
    RF filter;
    int32_t size;
  };
  for (const Case c : {Case{RF::rfNone, 4}, Case{RF::rfTriangle, 2}, Case{RF::rfLanczos3, 4}}) {
    auto want = Uniform(4, 4, Gray(0));
    DrawToTIEBitmap(gray.get(), want.get(), 0, 0, c.size, c.size, 0, 0, 2, 2, 255, 0);
    auto got = Uniform(4, 4, Gray(0));
    DrawToTIEBitmap(gray.get(), got.get(), 0, 0, c.size, c.size, 0, 0, 2, 2, 255, c.filter, 0);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(*got->PixelRGB(x, y), *want->PixelRGB(x, y)) << x << "," << y;
  }
}

TEST(ModelRenderFiltered, TheIntermediateKeepsAlphaAndAdjustments) {
  // Alpha 128 everywhere survives the resampling: white over black gives 128.
  auto s = Uniform(3, 3, Gray(255));
  s->AlphaChannel()->Fill(128);
  auto d = Uniform(6, 6, Gray(0));
  Render(*s, *d, 0, 0, 6, 6, RF::rfBilinear);
  EXPECT_EQ(*d->PixelRGB(2, 3), Gray(128));
  // Contrast 10 doubles the distance from 128 also after filtering.
  auto c = Uniform(3, 3, Gray(100));
  c->SetContrast(10);
  auto d2 = Uniform(6, 6, Gray(0));
  Render(*c, *d2, 0, 0, 6, 6, RF::rfHermite);
  EXPECT_EQ(*d2->PixelRGB(3, 3), Gray(72));
}

TEST(ModelRenderFiltered, StretchRectToWithAFilter) {
  // A 1-bit source without alpha, not enlarged: gray averages, whatever the
  // filter (the projections included).
  auto s = Checker(8, 8);
  auto want = GrayOfChecker();
  for (const RF filter : {RF::rfTriangle, RF::rfProjectBW}) {
    auto d = Uniform(4, 4, Gray(9));
    StretchRectTo(s.get(), d.get(), 0, 0, 4, 4, 0, 0, 8, 8, filter, 255);
    EXPECT_EQ(*d->PixelRGB(3, 2), *want->PixelRGB(3, 2)) << int(filter);
    EXPECT_EQ(d->GetAlpha(3, 3), 255);
  }
  // Other formats resample as their 24-bit copy; alpha follows.
  auto gray = Make(2, 2, PF::ie8g);
  gray->Fill(60);
  gray->AlphaChannel()->Fill(40);
  auto d = Uniform(5, 5, Gray(9));
  StretchRectTo(gray.get(), d.get(), 1, 1, 4, 4, 0, 0, 2, 2, RF::rfTriangle, 200);
  EXPECT_EQ(*d->PixelRGB(2, 2), Gray(60));
  EXPECT_EQ(d->GetAlpha(2, 2), 40);
  EXPECT_EQ(*d->PixelRGB(0, 0), Gray(9));
  EXPECT_EQ(d->GetAlpha(0, 0), 255);
}
