#include "imaging/model/pixels/ierender.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/pixels_testing.h"
#include "platform/gui/graphics.h"

namespace {

using PF = TIEPixelFormat;

TRGB Rgb(uint8_t R, uint8_t G, uint8_t B) { return MakeTRGB(R, G, B); }
TRGB Gray(uint8_t V) { return MakeTRGB(V, V, V); }

const TRGB kBackground = Rgb(1, 2, 3);

std::unique_ptr<TIEBitmap> Target(int32_t W, int32_t H, TRGB Background = kBackground) {
  auto b = std::make_unique<TIEBitmap>();
  PreferMemory(*b);
  b->Allocate(W, H, PF::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *b->PixelRGB(x, y) = Background;
  return b;
}

// Pixel (x, y) of a W x H 24-bit source: x in red, y in green, so that where
// a destination pixel came from can be read off it.
TRGB Coded(int32_t X, int32_t Y) { return Rgb(uint8_t(X), uint8_t(Y), 200); }

std::unique_ptr<TIEBitmap> CodedSource(int32_t W, int32_t H) {
  auto b = std::make_unique<TIEBitmap>();
  PreferMemory(*b);
  b->Allocate(W, H, PF::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *b->PixelRGB(x, y) = Coded(x, y);
  return b;
}

struct TTables {
  TIEDestRowTable Rows;
  TIEIndexTable Cols, RowTable;
};

// RenderToTIEBitmap with every switch at its plain value.
void Render(TIEBitmap& Source, TIEBitmap& Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH, int32_t SrcX,
            int32_t SrcY, int32_t SrcW, int32_t SrcH, const TRect* Clip = nullptr, TTables* Keep = nullptr) {
  TTables own;
  TTables& t = Keep ? *Keep : own;
  RenderToTIEBitmap(&Source, &Dest, t.Rows, t.Cols, t.RowTable, Clip, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH,
                    true, false, 255, Keep == nullptr, 0);
}

// Every destination pixel as the source pixel it shows ("x,y"), "." where
// the background stayed.
std::vector<std::string> Origins(TIEBitmap& Dest) {
  std::vector<std::string> rows;
  for (int32_t y = 0; y < Dest.Height(); ++y) {
    std::string row;
    for (int32_t x = 0; x < Dest.Width(); ++x) {
      const TRGB p = *Dest.PixelRGB(x, y);
      if (x) row += ' ';
      row += p == kBackground ? "." : std::to_string(p.r) + "," + std::to_string(p.g);
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

using ModelRender = PixelsTempDirTest;
using ModelRenderStretch = PixelsTempDirTest;

TEST_F(ModelRender, EnlargingMakesBlocksThroughTheTables) {
  auto s = CodedSource(100, 100);
  auto d = Target(200, 200);
  TTables keep;
  Render(*s, *d, 0, 0, 200, 200, 0, 0, 100, 100, nullptr, &keep);
  ASSERT_EQ(keep.Cols.size(), 200u);
  ASSERT_EQ(keep.RowTable.size(), 200u);
  EXPECT_EQ(keep.Rows.size(), 200u);
  for (int32_t i = 0; i < 200; ++i) {
    EXPECT_EQ(keep.Cols[size_t(i)], i / 2);
    EXPECT_EQ(keep.RowTable[size_t(i)], i / 2);
  }
  for (int32_t y = 0; y < 200; y += 7)
    for (int32_t x = 0; x < 200; ++x) ASSERT_EQ(*d->PixelRGB(x, y), Coded(x / 2, y / 2)) << x << "," << y;
}

TEST_F(ModelRender, ClippingMovesTheSourceFirstThenClamps) {
  struct Case {
    const char* what;
    int32_t dstX, dstY, dstW, dstH, srcX, srcY, srcW, srcH;
    std::vector<std::string> want;  // the 4 x 2 destination
  };
  const Case cases[] = {
      {"inside", 1, 0, 2, 2, 0, 0, 2, 2, {". 0,0 1,0 .", ". 0,1 1,1 ."}},
      // Two of four columns cut at the left: the source moves by trunc(2 * 2 / 4) = 1.
      {"negative DstX", -2, 0, 4, 1, 0, 0, 2, 1, {"1,0 1,0 . .", ". . . ."}},
      {"negative DstY", 0, -1, 2, 2, 0, 0, 2, 2, {"0,1 1,1 . .", ". . . ."}},
      // Past the right edge: 6 columns kept of 8 showing 4 of the 3 kept source columns.
      {"past the right", 2, 0, 4, 1, 0, 0, 4, 1, {". . 0,0 1,0", ". . . ."}},
      {"starting right of the destination", 4, 0, 2, 2, 0, 0, 2, 2, {". . . .", ". . . ."}},
      {"starting below the destination", 0, 2, 2, 2, 0, 0, 2, 2, {". . . .", ". . . ."}},
      {"empty source", 0, 0, 2, 2, 0, 0, 0, 2, {". . . .", ". . . ."}},
      {"empty destination", 0, 0, 0, 2, 0, 0, 2, 2, {". . . .", ". . . ."}},
      // A source rectangle starting outside the image is clamped into it.
      {"source left of the image", 0, 0, 2, 1, -5, 0, 2, 1, {"0,0 1,0 . .", ". . . ."}},
      // A source rectangle reaching past the image repeats its last column.
      {"source past the image", 0, 0, 3, 1, 1, 0, 3, 1, {"1,0 2,0 2,0 .", ". . . ."}},
  };
  for (const Case& c : cases) {
    auto s = CodedSource(3, 2);
    auto d = Target(4, 2);
    Render(*s, *d, c.dstX, c.dstY, c.dstW, c.dstH, c.srcX, c.srcY, c.srcW, c.srcH);
    EXPECT_EQ(Origins(*d), c.want) << c.what;
  }
}

TEST_F(ModelRender, NegativeDstXStartsInsideTheSource) {
  auto s = CodedSource(100, 4);
  auto d = Target(300, 4);
  TTables keep;
  Render(*s, *d, -50, 0, 200, 4, 0, 0, 100, 4, nullptr, &keep);
  // 150 columns remain, showing source columns 25..99.
  ASSERT_EQ(keep.Cols.size(), 150u);
  EXPECT_EQ(keep.Cols.front(), 25);
  EXPECT_EQ(*d->PixelRGB(0, 0), Coded(25, 0));
  EXPECT_EQ(*d->PixelRGB(149, 0), Coded(99, 0));
  EXPECT_EQ(*d->PixelRGB(150, 0), kBackground);
}

TEST_F(ModelRender, ClipRectangleHasInclusiveEdges) {
  auto s = CodedSource(4, 4);
  auto d = Target(4, 4);
  const TRect clip{1, 1, 2, 3};
  // 8 x 8 cut to the destination's 4 x 4 shows the source's top-left 2 x 2.
  Render(*s, *d, 0, 0, 8, 8, 0, 0, 4, 4, &clip);
  EXPECT_EQ(Origins(*d), (std::vector<std::string>{". . . .", ". 0,0 1,0 .", ". 0,1 1,1 .", ". 0,1 1,1 ."}));
  // 1:1 through the block copy as well.
  auto d2 = Target(4, 4);
  Render(*s, *d2, 0, 0, 4, 4, 0, 0, 4, 4, &clip);
  EXPECT_EQ(Origins(*d2), (std::vector<std::string>{". . . .", ". 1,1 2,1 .", ". 1,2 2,2 .", ". 1,3 2,3 ."}));
  // A clip wholly outside the destination draws nothing, not an edge column.
  auto d3 = Target(4, 4);
  const TRect outside{-10, 0, -2, 3};
  Render(*s, *d3, 0, 0, 4, 4, 0, 0, 4, 4, &outside);
  EXPECT_EQ(Origins(*d3), Origins(*Target(4, 4)));
}

TEST_F(ModelRender, KeptTablesAreReusedAsTheyAre) {
  auto s = CodedSource(4, 4);
  auto d = Target(8, 8);
  TTables keep;
  Render(*s, *d, 0, 0, 8, 8, 0, 0, 4, 4, nullptr, &keep);
  const auto first = Origins(*d);
  const int32_t* cols = keep.Cols.data();
  uint8_t* const* rows = keep.Rows.data();
  auto d2 = Target(8, 8);
  keep.Rows.clear();  // the row addresses belong to d
  Render(*s, *d2, 0, 0, 8, 8, 0, 0, 4, 4, nullptr, &keep);
  EXPECT_EQ(Origins(*d2), first);
  EXPECT_EQ(keep.Cols.data(), cols);  // not rebuilt
  EXPECT_NE(keep.Rows.data(), rows);
  // A table the caller passes is used as it is: every column reads source
  // column 3 now.
  for (auto& c : keep.Cols) c = 3;
  Render(*s, *d2, 0, 0, 8, 8, 0, 0, 4, 4, nullptr, &keep);
  EXPECT_EQ(*d2->PixelRGB(0, 0), Coded(3, 0));
  EXPECT_EQ(*d2->PixelRGB(7, 7), Coded(3, 3));
  // Without keeping, the caller's variables stay empty.
  TTables none;
  RenderToTIEBitmap(s.get(), d.get(), none.Rows, none.Cols, none.RowTable, nullptr, 0, 0, 8, 8, 0, 0, 4, 4, true, false,
                    255, true, 0);
  EXPECT_TRUE(none.Rows.empty() && none.Cols.empty() && none.RowTable.empty());
}

TEST_F(ModelRender, OpacityZeroLeavesTheDestination) {
  auto s = CodedSource(4, 4);
  auto d = Target(4, 4);
  DrawToTIEBitmap(s.get(), d.get(), 0, 0, 4, 4, 0, 0, 4, 4, 0, 0);
  EXPECT_EQ(Origins(*d), Origins(*Target(4, 4)));
  // Opacity 255 of the same draw is the source.
  DrawToTIEBitmap(s.get(), d.get(), 0, 0, 4, 4, 0, 0, 4, 4, 255, 0);
  EXPECT_EQ(*d->PixelRGB(3, 2), Coded(3, 2));
}

TEST_F(ModelRender, SourceAccessIsReadOnlyDuringTheCallAndRestored) {
  auto s = CodedSource(40, 20);
  PreferFile(*s);
  ASSERT_EQ(s->Location(), TIELocation::ieFile);
  s->SetAccess(TIEDataAccess{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite});
  auto d = Target(80, 40);
  DrawToTIEBitmap(s.get(), d.get(), 0, 0, 80, 40, 0, 0, 40, 20, 128, 0);
  EXPECT_EQ(s->Access(), (TIEDataAccess{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite}));
  EXPECT_EQ(*s->PixelRGB(39, 19), Coded(39, 19));
}

TEST_F(ModelRender, DestinationsThatCannotBeDrawnInto) {
  auto s = CodedSource(4, 4);
  // A destination kept in a file cannot give every row address at once.
  TIEBitmap file;
  PreferFile(file);
  file.Allocate(4, 4, PF::ie24RGB);
  ASSERT_EQ(file.Location(), TIELocation::ieFile);
  DrawToTIEBitmap(s.get(), &file, 0, 0, 4, 4, 0, 0, 4, 4, 255, 0);
  EXPECT_EQ(*file.PixelRGB(1, 1), Rgb(0, 0, 0));
  // Not 24-bit, or the source itself.
  TIEBitmap gray;
  PreferMemory(gray);
  gray.Allocate(4, 4, PF::ie8g);
  DrawToTIEBitmap(s.get(), &gray, 0, 0, 4, 4, 0, 0, 4, 4, 255, 0);
  EXPECT_EQ(gray.GetPixel8(1, 1), 0);
  DrawToTIEBitmap(s.get(), s.get(), 1, 1, 4, 4, 0, 0, 4, 4, 255, 0);
  EXPECT_EQ(*s->PixelRGB(1, 1), Coded(1, 1));
}

TEST_F(ModelRender, PlatformBitmapDestinations) {
  auto s = CodedSource(4, 4);
  TBitmap platform;
  platform.SetPixelFormat(TPixelFormat::pf24bit);
  platform.SetSize(8, 8);
  DrawToTBitmap(s.get(), &platform, 0, 0, 8, 8, 0, 0, 4, 4, 255, 0);
  TRGB p;
  std::memcpy(&p, platform.ScanLine(5) + 3 * 3, 3);
  EXPECT_EQ(p, Coded(1, 2));
  EXPECT_EQ(platform.PixelFormat(), TPixelFormat::pf24bit);
  // Another pixel format is left alone rather than converted.
  TBitmap palette;
  palette.SetPixelFormat(TPixelFormat::pf8bit);
  palette.SetSize(8, 8);
  DrawToTBitmap(s.get(), &palette, 0, 0, 8, 8, 0, 0, 4, 4, 255, 0);
  EXPECT_EQ(palette.PixelFormat(), TPixelFormat::pf8bit);
}

// ---- StretchRectTo -------------------------------------------------------------------------

TEST_F(ModelRenderStretch, WithoutSourceAlphaTheRectangleTakesOpacity) {
  auto s = CodedSource(4, 4);
  auto d = Target(6, 6);
  ASSERT_FALSE(d->HasAlphaChannel());
  StretchRectTo(s.get(), d.get(), 1, 1, 4, 4, 0, 0, 4, 4, 77);
  ASSERT_TRUE(d->HasAlphaChannel());
  EXPECT_FALSE(d->AlphaChannel()->Full());
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const bool in = x >= 1 && x <= 4 && y >= 1 && y <= 4;
      EXPECT_EQ(d->GetAlpha(x, y), in ? 77 : 255) << x << "," << y;
      EXPECT_EQ(*d->PixelRGB(x, y), in ? Coded(x - 1, y - 1) : kBackground) << x << "," << y;
    }
}

TEST_F(ModelRenderStretch, ScalesThroughFourteenBitSteps) {
  // XStep = trunc(3 / 5 * 16384) = 9830: columns 0, 0, 1, 1, 2.
  auto s = CodedSource(3, 1);
  auto d = Target(5, 1);
  StretchRectTo(s.get(), d.get(), 0, 0, 5, 1, 0, 0, 3, 1, 255);
  EXPECT_EQ(Origins(*d), (std::vector<std::string>{"0,0 0,0 1,0 1,0 2,0"}));
  // Clipped at the left: the positions keep their steps from DstX.
  auto d2 = Target(5, 1);
  StretchRectTo(s.get(), d2.get(), -2, 0, 5, 1, 0, 0, 3, 1, 255);
  EXPECT_EQ(Origins(*d2), (std::vector<std::string>{"1,0 1,0 2,0 . ."}));
  // Source positions outside the image are not drawn.
  auto d3 = Target(5, 1);
  StretchRectTo(s.get(), d3.get(), 0, 0, 5, 1, -1, 0, 5, 1, 255);
  EXPECT_EQ(Origins(*d3), (std::vector<std::string>{". 0,0 1,0 2,0 ."}));
}

TEST_F(ModelRenderStretch, SourceAlphaIsLimitedByOpacity) {
  auto s = CodedSource(2, 1);
  s->SetAlpha(0, 0, 10);
  s->SetAlpha(1, 0, 250);
  auto d = Target(4, 1);
  StretchRectTo(s.get(), d.get(), 0, 0, 4, 1, 0, 0, 2, 1, 200);
  EXPECT_EQ(d->GetAlpha(0, 0), 10);
  EXPECT_EQ(d->GetAlpha(1, 0), 10);
  EXPECT_EQ(d->GetAlpha(2, 0), 200);
  EXPECT_EQ(d->GetAlpha(3, 0), 200);
  // The colour is copied, not weighed.
  EXPECT_EQ(*d->PixelRGB(0, 0), Coded(0, 0));
}

TEST_F(ModelRenderStretch, DrawsEveryFormat) {
  // ie1g black and white; ie8g, ie8p and ie16g through their colour image.
  TIEBitmap bits;
  PreferMemory(bits);
  bits.Allocate(2, 1, PF::ie1g);
  static_cast<uint8_t*>(bits.ScanLine(0))[0] = 0x40;  // pixel 1 white
  TIEBitmap gray;
  PreferMemory(gray);
  gray.Allocate(2, 1, PF::ie8g);
  gray.SetPixel8(0, 0, 30);
  gray.SetPixel8(1, 0, 90);
  TIEBitmap pal;
  PreferMemory(pal);
  pal.Allocate(2, 1, PF::ie8p);
  pal.SetPaletteColor(5, Rgb(1, 50, 100));
  pal.SetPaletteColor(6, Rgb(9, 8, 7));
  pal.SetPixel8(0, 0, 5);
  pal.SetPixel8(1, 0, 6);
  TIEBitmap deep;
  PreferFile(deep);
  deep.Allocate(2, 1, PF::ie16g);
  deep.SetPixel16(0, 0, 0x1234);
  deep.SetPixel16(1, 0, 0xFEDC);

  struct Case {
    TIEBitmap* source;
    TRGB left, right;
  };
  const Case cases[] = {{&bits, Gray(0), Gray(255)},
                        {&gray, Gray(30), Gray(90)},
                        {&pal, Rgb(1, 50, 100), Rgb(9, 8, 7)},
                        {&deep, Gray(0x12), Gray(0xFE)}};
  for (const Case& c : cases) {
    for (const int32_t width : {2, 4}) {  // 1:1 and scaled
      auto d = Target(4, 1);
      StretchRectTo(c.source, d.get(), 0, 0, width, 1, 0, 0, 2, 1, 255);
      EXPECT_EQ(*d->PixelRGB(0, 0), c.left) << width;
      EXPECT_EQ(*d->PixelRGB(width - 1, 0), c.right) << width;
    }
  }
}

TEST_F(ModelRender, AnAlphaChannelSmallerThanTheImageIsNotRead) {
  // CopyFromTIEBitmap keeps the old alpha channel at its old size.
  auto s = CodedSource(2, 2);
  s->AlphaChannel()->Fill(0);
  auto larger = CodedSource(6, 6);
  s->CopyFromTIEBitmap(larger.get());
  ASSERT_EQ(s->Width(), 6);
  ASSERT_EQ(s->AlphaChannel()->Width(), 2);
  auto d = Target(6, 6);
  DrawToTIEBitmap(s.get(), d.get(), 0, 0, 6, 6, 0, 0, 6, 6, 255, 0);
  EXPECT_EQ(*d->PixelRGB(5, 5), Coded(5, 5));
  auto d2 = Target(6, 6);
  StretchRectTo(s.get(), d2.get(), 0, 0, 6, 6, 0, 0, 6, 6, 99);
  EXPECT_EQ(d2->GetAlpha(5, 5), 99);
}
