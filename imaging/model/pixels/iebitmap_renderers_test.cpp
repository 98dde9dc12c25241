#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iebitrun.h"
#include "imaging/model/pixels/ierender.h"
#include "imaging/model/pixels/pixels_testing.h"

namespace {

using PF = TIEPixelFormat;

TRGB Rgb(uint8_t R, uint8_t G, uint8_t B) { return MakeTRGB(R, G, B); }
TRGB Gray(uint8_t V) { return MakeTRGB(V, V, V); }

std::unique_ptr<TIEBitmap> Target(int32_t W, int32_t H, TRGB Background = TRGB{}) {
  auto b = std::make_unique<TIEBitmap>();
  PreferMemory(*b);
  b->Allocate(W, H, PF::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *b->PixelRGB(x, y) = Background;
  return b;
}

// A W x H image of Format whose pixels differ from each other and, for the
// formats with more than 8 bits, in their low bits too; ie32f includes
// levels outside 0..1 and NaN.
std::unique_ptr<TIEBitmap> Fixture(PF Format, int32_t W, int32_t H, bool InFile = false) {
  auto b = std::make_unique<TIEBitmap>();
  if (InFile)
    PreferFile(*b);
  else
    PreferMemory(*b);
  b->Allocate(W, H, Format);
  for (int32_t i = 0; i < b->PaletteLength(); ++i)
    b->SetPaletteColor(i, Rgb(uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)));
  const float floats[] = {-0.5f, 0.0f, 0.25f, 0.5f, 0.999f, 1.0f, 1.5f, std::numeric_limits<float>::quiet_NaN()};
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const int32_t k = x * 7 + y * 31;
      switch (Format) {
        case PF::ie1g: SetBit(static_cast<uint8_t*>(b->ScanLine(y)), x, (x + 2 * y) % 3 == 0); break;
        case PF::ie8p:
        case PF::ie8g: b->SetPixel8(x, y, uint8_t(k * 5)); break;
        case PF::ie16g: b->SetPixel16(x, y, uint16_t(k * 4099 + 13)); break;
        case PF::ie24RGB: *b->PixelRGB(x, y) = Rgb(uint8_t(k * 3), uint8_t(k * 11), uint8_t(k * 17)); break;
        case PF::ie32f: b->SetPixelFloat(x, y, floats[(x + y) % 8]); break;
        case PF::ieCMYK:
          b->SetPixelCMYK(x, y, TCMYK{uint8_t(k * 3), uint8_t(k * 5), uint8_t(k * 9), uint8_t(255 - k)});
          break;
        case PF::ieRGB48:
          b->SetPixelRGB48(x, y, TRGB48{uint16_t(k * 1031 + 7), uint16_t(k * 2053 + 255), uint16_t(k * 517)});
          break;
        default: break;
      }
    }
  return b;
}

TRGB AsRGB(TIEBitmap& B, int32_t X, int32_t Y) {
  TRGB c;
  B.GetPixelAsRGB(X, Y, c);
  return c;
}

void Draw(TIEBitmap& Source, TIEBitmap& Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
          uint8_t Opacity = 255, uint8_t Blend = 0, bool RowCopy = false) {
  TIEDestRowTable rows;
  TIEIndexTable cols, rowTable;
  RenderToTIEBitmap(&Source, &Dest, rows, cols, rowTable, nullptr, DstX, DstY, DstW, DstH, 0, 0, Source.Width(),
                    Source.Height(), true, RowCopy, Opacity, true, Blend);
}

// Draws one pixel of Format with value Set over a destination pixel D.
TRGB OnePixel(PF Format, TRGB D, const std::function<void(TIEBitmap&)>& Set, uint8_t Opacity = 255, uint8_t Blend = 0) {
  auto s = Fixture(Format, 1, 1);
  Set(*s);
  auto d = Target(1, 1, D);
  Draw(*s, *d, 0, 0, 1, 1, Opacity, Blend);
  return *d->PixelRGB(0, 0);
}

std::string Name(PF Format) {
  static const char* names[] = {"ienull", "ie1g", "ie8p", "ie8g", "ie16g", "ie24RGB", "ie32f", "ieCMYK", "ieRGB48"};
  return names[static_cast<int>(Format)];
}

const PF kFormats[] = {PF::ie1g, PF::ie8p, PF::ie8g, PF::ie16g, PF::ie24RGB, PF::ie32f, PF::ieCMYK, PF::ieRGB48};

// Records which renderer a render chose.
class TSpyBitmap : public TIEBitmap {
 public:
  std::vector<std::string> Calls;

  void RenderRowsRGB(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable, const int32_t* RowTable,
                     int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol, int32_t FirstRow,
                     int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep, bool RowCopy,
                     uint8_t BlendOperation) override {
    Calls.push_back(ColumnTable ? "RGB" : "RGB without tables");
    TIEBitmap::RenderRowsRGB(DestRows, Dest, ColumnTable, RowTable, SrcX, SrcY, DstX, DstY, FirstCol, FirstRow, LastCol,
                             LastRow, XStep, YStep, RowCopy, BlendOperation);
  }
  void RenderRowsRGBAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                          const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable, int32_t SrcX,
                          int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol, int32_t FirstRow, int32_t LastCol,
                          int32_t LastRow, int32_t XStep, int32_t YStep, bool RowCopy,
                          uint8_t BlendOperation) override {
    Calls.push_back(UseAlpha ? "RGBAlpha with alpha" : "RGBAlpha");
    TIEBitmap::RenderRowsRGBAlpha(DestRows, Dest, Opacity, UseAlpha, OpacityRow, ColumnTable, RowTable, SrcX, SrcY,
                                  DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, XStep, YStep, RowCopy,
                                  BlendOperation);
  }
};

}  // namespace

using ModelRowRenderers = PixelsTempDirTest;

// Every format drawn 1:1 and opaque is its GetPixelAsRGB image, and drawn 3x
// larger the nearest-neighbour enlargement of it, from memory and from file.
TEST_F(ModelRowRenderers, EveryFormatMatchesItsColourImage) {
  for (const bool inFile : {false, true})
    for (const PF format : kFormats) {
      SCOPED_TRACE(Name(format) + (inFile ? " in a file" : " in memory"));
      auto s = Fixture(format, 9, 5, inFile);
      auto same = Target(9, 5, Rgb(1, 2, 3));
      Draw(*s, *same, 0, 0, 9, 5);
      auto large = Target(27, 15, Rgb(1, 2, 3));
      Draw(*s, *large, 0, 0, 27, 15);
      for (int32_t y = 0; y < 15; ++y)
        for (int32_t x = 0; x < 27; ++x) {
          const TRGB want = AsRGB(*s, x / 3, y / 3);
          ASSERT_EQ(*large->PixelRGB(x, y), want) << x << "," << y;
          if (x < 9 && y < 5) {
            ASSERT_EQ(*same->PixelRGB(x, y), AsRGB(*s, x, y)) << x << "," << y;
          }
        }
    }
}

TEST_F(ModelRowRenderers, DisplayRangeOfGraySources) {
  // 100..200: levels at or below 100 draw black, 150 mid-gray (127.5
  // truncated), 200 and above white.
  const std::vector<std::pair<int, uint8_t>> levels = {{0, 0}, {100, 0}, {150, 127}, {200, 255}, {250, 255}};
  for (const auto& entry : levels) {
    const int level = entry.first;
    const uint8_t want = entry.second;
    auto set8 = [&](TIEBitmap& b) {
      b.SetDisplayRangeMin(100);
      b.SetDisplayRangeMax(200);
      b.SetPixel8(0, 0, uint8_t(level));
    };
    EXPECT_EQ(OnePixel(PF::ie8g, Gray(9), set8), Gray(want)) << level;
    auto set16 = [&](TIEBitmap& b) {
      b.SetDisplayRangeMin(100);
      b.SetDisplayRangeMax(200);
      b.SetPixel16(0, 0, uint16_t(level));
    };
    EXPECT_EQ(OnePixel(PF::ie16g, Gray(9), set16), Gray(want)) << level;
    auto setF = [&](TIEBitmap& b) {
      b.SetDisplayRangeMin(100);
      b.SetDisplayRangeMax(200);
      b.SetPixelFloat(0, 0, level);
    };
    EXPECT_EQ(OnePixel(PF::ie32f, Gray(9), setF), Gray(want)) << level;
  }
  // No range: ie16g draws its high byte, ie32f trunc(v * 255) of 0..1.
  EXPECT_EQ(OnePixel(PF::ie16g, Gray(9), [](TIEBitmap& b) { b.SetPixel16(0, 0, 0x1234); }), Gray(0x12));
  EXPECT_EQ(OnePixel(PF::ie32f, Gray(9), [](TIEBitmap& b) { b.SetPixelFloat(0, 0, 0.5); }), Gray(127));
  EXPECT_EQ(OnePixel(PF::ie32f, Gray(9), [](TIEBitmap& b) { b.SetPixelFloat(0, 0, 7.0); }), Gray(255));
  EXPECT_EQ(OnePixel(PF::ie32f, Gray(9), [](TIEBitmap& b) { b.SetPixelFloat(0, 0, -3.0); }), Gray(0));
  // A fractional minimum: the top level would be 256 and is kept at white.
  EXPECT_EQ(OnePixel(PF::ie8g, Gray(9),
                     [](TIEBitmap& b) {
                       b.SetDisplayRangeMin(100.5);
                       b.SetDisplayRangeMax(200);
                       b.SetPixel8(0, 0, 200);
                     }),
            Gray(255));
}

TEST_F(ModelRowRenderers, ContrastAndOffsetsOf24BitSources) {
  struct Case {
    int32_t contrast, redOffset;
    bool adjust;
    uint8_t in, wantRed, wantGreen;
  };
  const Case cases[] = {
      // F = 2: (100 - 128) * 2 + 128 = 72; 200 saturates.
      {10, 0, false, 100, 72, 72},
      {10, 0, false, 200, 255, 255},
      // F = 1 - sqrt(25) / 10 = 0.5: -28 * 0.5 = -14, and -27 * 0.5 = -13.5
      // truncates toward zero to -13.
      {-25, 0, false, 100, 114, 114},
      {-25, 0, false, 101, 115, 115},
      // Offsets reach the colour only on the adjusted path.
      {0, 10, true, 100, 110, 100},
      {0, 10, false, 100, 100, 100},
      {0, -200, true, 100, 0, 100},
  };
  for (const Case& c : cases) {
    const TRGB out = OnePixel(PF::ie24RGB, Gray(0), [&](TIEBitmap& b) {
      b.SetContrast(c.contrast);
      b.SetRedOffset(c.redOffset);
      b.SetAdjustColors(c.adjust);
      *b.PixelRGB(0, 0) = Gray(c.in);
    });
    EXPECT_EQ(out.r, c.wantRed) << c.contrast << " " << c.redOffset << " " << int(c.in);
    EXPECT_EQ(out.g, c.wantGreen) << c.contrast << " " << c.redOffset << " " << int(c.in);
  }
}

TEST_F(ModelRowRenderers, ContrastOf48BitSourcesInReals) {
  // F = 2: trunc((W - 32768) * 2 + 32768) shr 8; a result below 0 is black.
  const std::vector<std::pair<uint16_t, uint8_t>> cases = {
      {0x4000, 0}, {0x3000, 0}, {0xA000, 192}, {0x8000, 128}, {0xF000, 255}};
  for (const auto& entry : cases) {
    const uint16_t word = entry.first;
    const uint8_t want = entry.second;
    const TRGB out = OnePixel(PF::ieRGB48, Gray(77), [&](TIEBitmap& b) {
      b.SetContrast(10);
      b.SetPixelRGB48(0, 0, TRGB48{word, word, word});
    });
    EXPECT_EQ(out, Gray(want)) << word;
  }
  // Offsets in 16-bit units.
  const TRGB out = OnePixel(PF::ieRGB48, Gray(0), [](TIEBitmap& b) {
    b.SetAdjustColors(true);
    b.SetBlueOffset(0x0100);
    b.SetPixelRGB48(0, 0, TRGB48{0x1000, 0x1000, 0x1000});
  });
  EXPECT_EQ(out, Rgb(0x10, 0x10, 0x11));
}

TEST_F(ModelRowRenderers, AlphaWeightsRoundToNearest) {
  struct Case {
    uint8_t alpha, opacity, source, dest, want;
  };
  const Case cases[] = {
      {128, 255, 255, 0, 128},                            // half of the way up
      {128, 255, 0, 255, 127},                            // and down
      {255, 255, 200, 10, 200}, {255, 255, 10, 200, 10},  // opaque: the source exactly
      {0, 255, 200, 10, 10},                              // transparent: the destination
      {255, 128, 255, 0, 128},                            // the opacity weighs alike
      {200, 100, 255, 0, 100},                            // the smaller of the two
      {1, 255, 255, 0, 1},
  };
  for (const PF format : {PF::ie24RGB, PF::ie8g, PF::ieRGB48})
    for (const Case& c : cases) {
      auto s = Fixture(format, 1, 1);
      if (format == PF::ie24RGB)
        *s->PixelRGB(0, 0) = Gray(c.source);
      else if (format == PF::ie8g)
        s->SetPixel8(0, 0, c.source);
      else
        s->SetPixelRGB48(0, 0, TRGB48{uint16_t(c.source * 257), uint16_t(c.source * 257), uint16_t(c.source * 257)});
      s->SetAlpha(0, 0, c.alpha);
      auto d = Target(1, 1, Gray(c.dest));
      Draw(*s, *d, 0, 0, 1, 1, c.opacity);
      EXPECT_EQ(*d->PixelRGB(0, 0), Gray(c.want)) << Name(format) << " alpha " << int(c.alpha) << " opacity "
                                                  << int(c.opacity) << " " << int(c.source) << " over " << int(c.dest);
    }
}

TEST_F(ModelRowRenderers, OnlyTheDeepColourRenderersBlend) {
  // Multiply: s * d shr 8 = 128 * 200 shr 8 = 100.
  EXPECT_EQ(OnePixel(
                PF::ie24RGB, Gray(200), [](TIEBitmap& b) { *b.PixelRGB(0, 0) = Gray(128); }, 255, 4),
            Gray(100));
  EXPECT_EQ(OnePixel(
                PF::ieRGB48, Gray(200),
                [](TIEBitmap& b) {
                  b.SetPixelRGB48(0, 0, TRGB48{0x8000, 0x8000, 0x8000});
                },
                255, 4),
            Gray(100));
  // The blend under an alpha: half of the way from 200 to 100.
  EXPECT_EQ(OnePixel(
                PF::ie24RGB, Gray(200),
                [](TIEBitmap& b) {
                  *b.PixelRGB(0, 0) = Gray(128);
                  b.SetAlpha(0, 0, 128);
                },
                255, 4),
            Gray(150));
  // Other formats copy.
  EXPECT_EQ(OnePixel(
                PF::ie8g, Gray(200), [](TIEBitmap& b) { b.SetPixel8(0, 0, 128); }, 255, 4),
            Gray(128));
  EXPECT_EQ(OnePixel(
                PF::ie8p, Gray(200), [](TIEBitmap& b) { b.SetPixel8(0, 0, 3); }, 255, 4),
            Rgb(3, 252, 21));
}

TEST_F(ModelRowRenderers, RowCopyOnlyFor24BitAnd1BitSources) {
  // Two destination rows read one source row; the destination differs
  // between its rows outside the drawn column, so a copied row shows.
  for (const PF format : kFormats) {
    SCOPED_TRACE(Name(format));
    auto s = Fixture(format, 1, 1);
    auto d = Target(3, 2, Gray(0));
    *d->PixelRGB(2, 0) = Gray(50);
    *d->PixelRGB(2, 1) = Gray(60);
    TIEDestRowTable rows;
    TIEIndexTable cols, rowTable;
    RenderToTIEBitmap(s.get(), d.get(), rows, cols, rowTable, nullptr, 0, 0, 1, 2, 0, 0, 1, 1, false, true, 255, true,
                      0);
    const bool copies = format == PF::ie24RGB || format == PF::ie1g;
    EXPECT_EQ(*d->PixelRGB(2, 1), Gray(copies ? 50 : 60));
    EXPECT_EQ(*d->PixelRGB(0, 1), AsRGB(*s, 0, 0));
  }
}

TEST_F(ModelRowRenderers, TheRendererIsChosenOncePerCall) {
  struct Case {
    const char* what;
    bool alpha, full;
    uint8_t opacity;
    int32_t dstW;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"1:1 opaque: one block copy per row", false, false, 255, 4, {"RGB without tables"}},
      {"enlarged", false, false, 255, 8, {"RGB"}},
      {"a Full alpha channel", true, true, 255, 4, {"RGB without tables"}},
      {"an alpha channel", true, false, 255, 4, {"RGBAlpha with alpha"}},
      {"opacity", false, false, 200, 4, {"RGBAlpha"}},
  };
  for (const Case& c : cases) {
    TSpyBitmap s;
    PreferMemory(s);
    s.Allocate(4, 4, PF::ie24RGB);
    if (c.alpha) {
      s.AlphaChannel()->Fill(c.full ? 255 : 100);
      EXPECT_EQ(s.AlphaChannel()->Full(), c.full);
    }
    auto d = Target(8, 8);
    Draw(s, *d, 0, 0, c.dstW, c.dstW, c.opacity);
    EXPECT_EQ(s.Calls, c.calls) << c.what;
  }
}
