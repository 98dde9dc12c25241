#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/pixels_testing.h"
#include "imaging/model/processing/iemodelinit.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/exceptions.h"

namespace {

using PF = TIEPixelFormat;

// 4 x 2 pixels of known values per format (rows listed from the top).
std::unique_ptr<TIEBitmap> Fixture(PF Format, TIELocation Location) {
  auto b = std::make_unique<TIEBitmap>();
  if (Location == TIELocation::ieFile)
    PreferFile(*b);
  else
    PreferMemory(*b);
  b->Allocate(4, 2, Format);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const int32_t i = y * 4 + x;
      auto* row = static_cast<uint8_t*>(b->ScanLine(y));
      switch (Format) {
        case PF::ie1g: {
          static const bool bits[8] = {0, 1, 1, 0, 1, 0, 0, 1};
          if (bits[i]) row[0] = static_cast<uint8_t>(row[0] | (0x80 >> x));
          break;
        }
        case PF::ie8p: {
          static const uint8_t index[8] = {0, 1, 2, 3, 3, 2, 1, 0};
          row[x] = index[i];
          break;
        }
        case PF::ie8g: {
          static const uint8_t v[8] = {0, 255, 128, 64, 200, 100, 50, 1};
          row[x] = v[i];
          break;
        }
        case PF::ie16g: {
          static const uint16_t v[8] = {0, 65535, 32768, 16384, 65280, 256, 1000, 40000};
          std::memcpy(row + 2 * x, &v[i], 2);
          break;
        }
        case PF::ie24RGB: {
          static const TRGB v[8] = {MakeTRGB(0, 0, 0),      MakeTRGB(255, 255, 255), MakeTRGB(128, 128, 128),
                                    MakeTRGB(200, 100, 50), MakeTRGB(10, 200, 30),   MakeTRGB(255, 0, 0),
                                    MakeTRGB(0, 0, 255),    MakeTRGB(99, 99, 99)};
          std::memcpy(row + 3 * x, &v[i], 3);
          break;
        }
        case PF::ie32f: {
          static const float v[8] = {0.0f, 0.5f, 1.0f, 1.2f, -0.5f, 0.25f, 0.75f, 0.1f};
          std::memcpy(row + 4 * x, &v[i], 4);
          break;
        }
        case PF::ieCMYK: {
          static const TCMYK v[8] = {{255, 255, 255, 255}, {0, 0, 0, 0},     {255, 255, 255, 128}, {200, 100, 50, 255},
                                     {255, 0, 0, 255},     {0, 255, 0, 255}, {10, 20, 30, 40},     {255, 255, 255, 1}};
          std::memcpy(row + 4 * x, &v[i], 4);
          break;
        }
        case PF::ieRGB48: {
          static const TRGB48 v[8] = {
              {0, 0, 0},       {65535, 65535, 65535}, {32768, 32768, 32768}, {51400, 25700, 12850},
              {65280, 0, 255}, {256, 512, 768},       {1000, 2000, 3000},    {40000, 30000, 20000}};
          std::memcpy(row + 6 * x, &v[i], 6);
          break;
        }
        default: break;
      }
    }
  if (Format == PF::ie8p) {
    b->SetPaletteColor(1, MakeTRGB(255, 255, 255));
    b->SetPaletteColor(2, MakeTRGB(128, 128, 128));
    b->SetPaletteColor(3, MakeTRGB(200, 100, 50));
  }
  b->FreeRowBuffers();
  return b;
}

// The pixels of a bitmap as text, rows from the top: ie1g "0"/"1", ie8p
// "index/r,g,b", gray levels as numbers, ie32f with 4 decimals, colours as
// their channels in storage order (TRGB48 and TCMYK) or r,g,b (TRGB).
std::string Describe(TIEBitmap& B) {
  std::string s;
  char buf[64];
  for (int32_t y = 0; y < B.Height(); ++y)
    for (int32_t x = 0; x < B.Width(); ++x) {
      switch (B.PixelFormat()) {
        case PF::ie1g: {
          TRGB c;
          B.GetPixelAsRGB(x, y, c);
          std::snprintf(buf, sizeof buf, "%d", c.r ? 1 : 0);
          break;
        }
        case PF::ie8p: {
          const uint8_t i = B.GetPixel8(x, y);
          TRGB c;
          B.GetPaletteColor(i, c);
          std::snprintf(buf, sizeof buf, "%d/%d,%d,%d", i, c.r, c.g, c.b);
          break;
        }
        case PF::ie8g: std::snprintf(buf, sizeof buf, "%d", B.GetPixel8(x, y)); break;
        case PF::ie16g: std::snprintf(buf, sizeof buf, "%d", B.GetPixel16(x, y)); break;
        case PF::ie24RGB: {
          const TRGB c = *B.PixelRGB(x, y);
          std::snprintf(buf, sizeof buf, "%d,%d,%d", c.r, c.g, c.b);
          break;
        }
        case PF::ie32f: std::snprintf(buf, sizeof buf, "%.4f", B.GetPixelFloat(x, y)); break;
        case PF::ieCMYK: {
          const TCMYK c = B.GetPixelCMYK(x, y);
          std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", c.c, c.m, c.y, c.k);
          break;
        }
        case PF::ieRGB48: {
          const TRGB48 c = B.GetPixelRGB48(x, y);
          std::snprintf(buf, sizeof buf, "%d,%d,%d", c.r, c.g, c.b);
          break;
        }
        default: std::snprintf(buf, sizeof buf, "?"); break;
      }
      if (!s.empty()) s += ' ';
      s += buf;
    }
  return s;
}

// Every byte after the last pixel bit of each row (padding) is zero.
bool PaddingIsZero(TIEBitmap& B) {
  const int64_t bits = int64_t{B.Width()} * B.BitCount();
  for (int32_t y = 0; y < B.Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(B.ScanLine(y));
    if (bits % 8 && (row[bits / 8] & (0xFF >> (bits % 8)))) return false;
    for (int64_t i = (bits + 7) / 8; i < B.RowLen(); ++i)
      if (row[i]) return false;
  }
  return true;
}

struct TCell {
  PF Source, Target;
  uint8_t BWConversion;
  const char* Expected;
};

// Source x target, with the 1-bit column by ordered dither (0) and threshold
// (1). ie32f holds 1.2 and -0.5 (limited to 1 and 0), ieRGB48 white gives
// 1.0039 as ie32f, ie8g to ie8p keeps the indexes under a gray ramp, and the
// quantizer takes the 8 distinct colours in order of first appearance.
const TCell kCells[] = {
    {PF::ie1g, PF::ie8p, 1, "0/0,0,0 1/255,255,255 1/255,255,255 0/0,0,0 1/255,255,255 0/0,0,0 0/0,0,0 1/255,255,255"},
    {PF::ie1g, PF::ie8g, 1, "0 255 255 0 255 0 0 255"},
    {PF::ie1g, PF::ie16g, 1, "0 65535 65535 0 65535 0 0 65535"},
    {PF::ie1g, PF::ie24RGB, 1, "0,0,0 255,255,255 255,255,255 0,0,0 255,255,255 0,0,0 0,0,0 255,255,255"},
    {PF::ie1g, PF::ie32f, 1, "0.0000 1.0000 1.0000 0.0000 1.0000 0.0000 0.0000 1.0000"},
    {PF::ie1g, PF::ieCMYK, 1,
     "0,0,0,1 255,255,255,255 255,255,255,255 0,0,0,1 255,255,255,255 0,0,0,1 0,0,0,1 255,255,255,255"},
    {PF::ie1g, PF::ieRGB48, 1,
     "0,0,0 65535,65535,65535 65535,65535,65535 0,0,0 65535,65535,65535 0,0,0 0,0,0 65535,65535,65535"},
    {PF::ie8p, PF::ie1g, 0, "0 1 1 0 0 1 1 0"},
    {PF::ie8p, PF::ie1g, 1, "0 1 1 0 0 1 1 0"},
    {PF::ie8p, PF::ie8g, 1, "0 255 128 117 117 128 255 0"},
    {PF::ie8p, PF::ie16g, 1, "0 65535 32896 30184 30184 32896 65535 0"},
    {PF::ie8p, PF::ie24RGB, 1, "0,0,0 255,255,255 128,128,128 200,100,50 200,100,50 128,128,128 255,255,255 0,0,0"},
    {PF::ie8p, PF::ie32f, 1, "0.0000 1.0000 0.5020 0.4614 0.4614 0.5020 1.0000 0.0000"},
    {PF::ie8p, PF::ieCMYK, 1,
     "0,0,0,1 255,255,255,255 255,255,255,128 255,127,63,200 255,127,63,200 255,255,255,128 255,255,255,255 0,0,0,1"},
    {PF::ie8p, PF::ieRGB48, 1,
     "0,0,0 65535,65535,65535 32896,32896,32896 51400,25700,12850 51400,25700,12850 32896,32896,32896 "
     "65535,65535,65535 0,0,0"},
    {PF::ie8g, PF::ie1g, 0, "0 1 1 0 1 1 0 0"},
    {PF::ie8g, PF::ie1g, 1, "0 1 1 0 1 1 0 0"},
    {PF::ie8g, PF::ie8p, 1,
     "0/0,0,0 255/255,255,255 128/128,128,128 64/64,64,64 200/200,200,200 100/100,100,100 50/50,50,50 1/1,1,1"},
    {PF::ie8g, PF::ie16g, 1, "0 65535 32896 16448 51400 25700 12850 257"},
    {PF::ie8g, PF::ie24RGB, 1, "0,0,0 255,255,255 128,128,128 64,64,64 200,200,200 100,100,100 50,50,50 1,1,1"},
    {PF::ie8g, PF::ie32f, 1, "0.0000 1.0000 0.5020 0.2510 0.7843 0.3922 0.1961 0.0039"},
    {PF::ie8g, PF::ieCMYK, 1,
     "0,0,0,1 255,255,255,255 255,255,255,128 255,255,255,64 255,255,255,200 255,255,255,100 255,255,255,50 "
     "255,255,255,1"},
    {PF::ie8g, PF::ieRGB48, 1,
     "0,0,0 65535,65535,65535 32896,32896,32896 16448,16448,16448 51400,51400,51400 25700,25700,25700 "
     "12850,12850,12850 257,257,257"},
    {PF::ie16g, PF::ie1g, 0, "0 1 1 0 1 0 0 1"},
    {PF::ie16g, PF::ie1g, 1, "0 1 1 0 1 0 0 1"},
    {PF::ie16g, PF::ie8p, 1,
     "0/0,0,0 255/255,255,255 128/128,128,128 64/64,64,64 255/255,255,255 1/1,1,1 3/3,3,3 156/156,156,156"},
    {PF::ie16g, PF::ie8g, 1, "0 255 128 64 255 1 3 156"},
    {PF::ie16g, PF::ie24RGB, 1, "0,0,0 255,255,255 128,128,128 64,64,64 255,255,255 1,1,1 3,3,3 156,156,156"},
    {PF::ie16g, PF::ie32f, 1, "0.0000 1.0000 0.5000 0.2500 0.9961 0.0039 0.0153 0.6104"},
    {PF::ie16g, PF::ieCMYK, 1,
     "0,0,0,1 255,255,255,255 255,255,255,128 255,255,255,64 255,255,255,255 255,255,255,1 255,255,255,3 "
     "255,255,255,156"},
    {PF::ie16g, PF::ieRGB48, 1,
     "0,0,0 65535,65535,65535 32768,32768,32768 16384,16384,16384 65280,65280,65280 256,256,256 1000,1000,1000 "
     "40000,40000,40000"},
    {PF::ie24RGB, PF::ie1g, 0, "0 1 1 0 1 0 0 0"},
    {PF::ie24RGB, PF::ie1g, 1, "0 1 1 1 1 0 0 0"},
    {PF::ie24RGB, PF::ie8p, 1,
     "0/0,0,0 1/255,255,255 2/128,128,128 3/200,100,50 4/10,200,30 5/255,0,0 6/0,0,255 7/99,99,99"},
    {PF::ie24RGB, PF::ie8g, 1, "0 255 128 117 146 53 20 99"},
    {PF::ie24RGB, PF::ie16g, 1, "0 65535 32896 30184 37771 13893 4915 25443"},
    {PF::ie24RGB, PF::ie32f, 1, "0.0000 1.0000 0.5020 0.4614 0.5778 0.2126 0.0722 0.3882"},
    {PF::ie24RGB, PF::ieCMYK, 1,
     "0,0,0,1 255,255,255,255 255,255,255,128 255,127,63,200 12,255,38,200 255,0,0,255 0,0,255,255 255,255,255,99"},
    {PF::ie24RGB, PF::ieRGB48, 1,
     "0,0,0 65535,65535,65535 32896,32896,32896 51400,25700,12850 2570,51400,7710 65535,0,0 0,0,65535 "
     "25443,25443,25443"},
    {PF::ie32f, PF::ie1g, 0, "0 0 1 1 0 0 1 0"},
    {PF::ie32f, PF::ie1g, 1, "0 1 1 1 0 0 1 0"},
    {PF::ie32f, PF::ie8p, 1,
     "0/0,0,0 127/127,127,127 255/255,255,255 255/255,255,255 0/0,0,0 63/63,63,63 191/191,191,191 25/25,25,25"},
    {PF::ie32f, PF::ie8g, 1, "0 127 255 255 0 63 191 25"},
    {PF::ie32f, PF::ie16g, 1, "0 32767 65535 65535 0 16383 49151 6553"},
    {PF::ie32f, PF::ie24RGB, 1, "0,0,0 127,127,127 255,255,255 255,255,255 0,0,0 63,63,63 191,191,191 25,25,25"},
    {PF::ie32f, PF::ieCMYK, 1,
     "0,0,0,1 255,255,255,127 255,255,255,255 255,255,255,255 0,0,0,1 255,255,255,63 255,255,255,191 255,255,255,25"},
    {PF::ie32f, PF::ieRGB48, 1,
     "0,0,0 32767,32767,32767 65535,65535,65535 65535,65535,65535 0,0,0 16383,16383,16383 49151,49151,49151 "
     "6553,6553,6553"},
    {PF::ieCMYK, PF::ie1g, 0, "1 0 1 0 0 1 0 0"},
    {PF::ieCMYK, PF::ie1g, 1, "1 0 1 1 0 1 0 0"},
    {PF::ieCMYK, PF::ie8p, 1, "0/255,255,255 1/0,0,0 2/128,128,128 3/200,100,50 4/255,0,0 5/0,255,0 6/1,3,4 7/1,1,1"},
    {PF::ieCMYK, PF::ie8g, 1, "255 0 128 117 53 181 2 1"},
    {PF::ieCMYK, PF::ie16g, 1, "65535 0 32896 30184 13893 46726 681 257"},
    {PF::ieCMYK, PF::ie24RGB, 1, "255,255,255 0,0,0 128,128,128 200,100,50 255,0,0 0,255,0 1,3,4 1,1,1"},
    {PF::ieCMYK, PF::ie32f, 1, "1.0000 0.0000 0.5020 0.4614 0.2126 0.7152 0.0104 0.0039"},
    {PF::ieCMYK, PF::ieRGB48, 1,
     "65535,65535,65535 0,0,0 32896,32896,32896 51400,25700,12850 65535,0,0 0,65535,0 257,771,1028 257,257,257"},
    {PF::ieRGB48, PF::ie1g, 0, "0 1 1 0 0 0 0 1"},
    {PF::ieRGB48, PF::ie1g, 1, "0 1 1 1 0 0 0 1"},
    {PF::ieRGB48, PF::ie8p, 1,
     "0/0,0,0 1/255,255,255 2/128,128,128 3/200,100,50 4/255,0,0 5/1,2,3 6/3,7,11 7/156,117,78"},
    {PF::ieRGB48, PF::ie8g, 1, "0 255 128 117 53 1 6 122"},
    {PF::ieRGB48, PF::ie16g, 1, "0 65535 32768 30184 13858 476 1863 31370"},
    {PF::ieRGB48, PF::ie24RGB, 1, "0,0,0 255,255,255 128,128,128 200,100,50 255,0,0 1,2,3 3,7,11 156,117,78"},
    {PF::ieRGB48, PF::ie32f, 1, "0.0000 1.0039 0.5020 0.4632 0.2129 0.0073 0.0285 0.4811"},
    {PF::ieRGB48, PF::ieCMYK, 1,
     "0,0,0,1 255,255,255,255 255,255,255,128 255,127,63,200 255,0,0,255 85,170,255,3 69,162,255,11 255,191,127,156"},
    {PF::ie24RGB, PF::ie1g, 2, "0 0 0 0 0 0 0 0"},
};

}  // namespace

// Conversions to palette and 1-bit formats run the colour-depth routines of
// the processing library, which the model's start-up installs.
class PixelFormatConversion : public PixelsTempDirTest {
 protected:
  void SetUp() override {
    PixelsTempDirTest::SetUp();
    IEInitImageModel();
  }
};

TEST_F(PixelFormatConversion, EveryPairOfTheTableInMemoryAndFile) {
  for (TIELocation location : {TIELocation::ieMemory, TIELocation::ieFile}) {
    for (const TCell& c : kCells) {
      SCOPED_TRACE(testing::Message() << "location " << int(location) << ", " << int(c.Source) << " -> "
                                      << int(c.Target) << ", BWConversion " << int(c.BWConversion));
      auto b = Fixture(c.Source, location);
      b->SetBWConversion(c.BWConversion);
      b->SetPixelFormat(c.Target);
      ASSERT_EQ(b->PixelFormat(), c.Target);
      ASSERT_EQ(b->Width(), 4);
      ASSERT_EQ(b->Height(), 2);
      EXPECT_FALSE(b->HasAlphaChannel());
      EXPECT_EQ(Describe(*b), c.Expected);
      EXPECT_TRUE(PaddingIsZero(*b));
      if (c.Source == PF::ie1g && c.Target == PF::ie8p) {
        TRGB unset;
        b->GetPaletteColor(2, unset);
        EXPECT_EQ(unset, TRGB{});  // only entries 0 and 1 are set
      }
    }
  }
}

TEST_F(PixelFormatConversion, AlphaChannelSurvivesDirectAndVia24Cells) {
  // 24 -> CMYK is a cell of its own, 8g -> CMYK goes through 24-bit rows and
  // RGB48 -> 8p through a whole 24-bit image.
  for (const auto& [source, target] : {std::pair{PF::ie24RGB, PF::ieCMYK}, std::pair{PF::ie8g, PF::ieCMYK},
                                       std::pair{PF::ieRGB48, PF::ie8p}, std::pair{PF::ie8p, PF::ie24RGB}}) {
    SCOPED_TRACE(testing::Message() << int(source) << " -> " << int(target));
    auto b = Fixture(source, TIELocation::ieMemory);
    for (int32_t i = 0; i < 8; ++i) b->SetAlpha(i % 4, i / 4, static_cast<uint8_t>(i * 30));
    b->SetPixelFormat(target);
    ASSERT_TRUE(b->HasAlphaChannel());
    for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(b->GetAlpha(i % 4, i / 4), i * 30);
  }
}

TEST_F(PixelFormatConversion, SameFormatChangesNothing) {
  TIEBitmap empty;
  empty.SetPixelFormat(PF::ienull);
  EXPECT_EQ(empty.PixelFormat(), PF::ienull);
  empty.Allocate(0, 0, PF::ie8g);
  empty.SetPixelFormat(PF::ie8g);
  EXPECT_EQ(empty.PixelFormat(), PF::ie8g);
  EXPECT_TRUE(empty.IsEmpty());

  auto b = Fixture(PF::ie24RGB, TIELocation::ieMemory);
  b->SetAlpha(0, 0, 7);
  void* rows = b->ScanLine(0);
  const std::string before = Describe(*b);
  b->SetPixelFormat(PF::ie24RGB);
  EXPECT_EQ(b->ScanLine(0), rows);  // not rebuilt
  EXPECT_EQ(Describe(*b), before);
  EXPECT_EQ(b->GetAlpha(0, 0), 7);
}

TEST_F(PixelFormatConversion, OrderedDitherOfWhiteKeepsOneBlackPixelPerBlock) {
  TIEBitmap b;
  b.Allocate(16, 16, PF::ie8g);
  b.Fill(255);
  b.SetBWConversion(0);
  b.SetPixelFormat(PF::ie1g);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      TRGB c;
      b.GetPixelAsRGB(x, y, c);
      EXPECT_EQ(c.r == 0, x % 8 == 7 && y % 8 == 0) << x << "," << y;
    }
}

TEST_F(PixelFormatConversion, WithoutTheColourDepthRoutinesItRaisesAndKeepsTheImage) {
  const TIEBitmap::TColorDepthHooks saved = TIEBitmap::ColorDepthHooks;
  TIEBitmap::ColorDepthHooks = {};
  auto b = Fixture(PF::ie24RGB, TIELocation::ieMemory);
  const std::string before = Describe(*b);
  EXPECT_THROW(b->SetPixelFormat(PF::ie8p), Exception);
  EXPECT_THROW(b->SetPixelFormat(PF::ie1g), Exception);  // BWConversion 1
  EXPECT_EQ(b->PixelFormat(), PF::ie24RGB);
  EXPECT_EQ(Describe(*b), before);
  b->SetPixelFormat(PF::ie8g);  // needs none of them
  TIEBitmap::ColorDepthHooks = saved;
  EXPECT_EQ(Describe(*b), "0 255 128 117 146 53 20 99");
}

TEST_F(PixelFormatConversion, PlatformBitmapLocation) {
  auto wrap = [](TBitmap& P, TPixelFormat Format, int32_t W, int32_t H) {
    P.SetPixelFormat(Format);
    P.SetSize(W, H);
    auto b = std::make_unique<TIEBitmap>();
    b->EncapsulateTBitmap(&P, true);
    return b;
  };
  // 1 -> 24: black and white.
  {
    TBitmap p;
    auto b = wrap(p, TPixelFormat::pf1bit, 3, 2);
    p.ScanLine(0)[0] = 0xA0;  // 1 0 1
    b->SetPixelFormat(PF::ie24RGB);
    EXPECT_EQ(p.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(b->PixelFormat(), PF::ie24RGB);
    EXPECT_EQ(Describe(*b), "255,255,255 0,0,0 255,255,255 0,0,0 0,0,0 0,0,0");
  }
  // 24 -> 1: BWConversion 0 dithers with pure white kept white, 1 takes the
  // mean colour's level, any other value leaves every pixel black.
  for (const auto& [bw, expected] : {std::pair<uint8_t, const char*>{0, "1 1 1 1 1 1 1 1 0 1 0 0 0 1 0 0"},
                                     std::pair<uint8_t, const char*>{1, "1 1 1 1 1 1 1 1 0 0 0 0 0 0 0 0"},
                                     std::pair<uint8_t, const char*>{2, "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"}}) {
    SCOPED_TRACE(int(bw));
    TBitmap p;
    auto b = wrap(p, TPixelFormat::pf24bit, 8, 2);
    for (int32_t x = 0; x < 8; ++x) {
      *b->PixelRGB(x, 0) = MakeTRGB(255, 255, 255);
      *b->PixelRGB(x, 1) = MakeTRGB(100, 100, 100);
    }
    b->SetAlpha(1, 1, 9);
    b->SetBWConversion(bw);
    b->SetPixelFormat(PF::ie1g);
    EXPECT_EQ(p.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(Describe(*b), expected);
    EXPECT_EQ(b->GetAlpha(1, 1), 9);
  }
  // Other formats go through memory; ie16g is held as ie8g.
  {
    TBitmap p;
    auto b = wrap(p, TPixelFormat::pf24bit, 2, 1);
    *b->PixelRGB(0, 0) = MakeTRGB(200, 100, 50);
    *b->PixelRGB(1, 0) = MakeTRGB(255, 255, 255);
    b->SetPixelFormat(PF::ie16g);
    EXPECT_EQ(p.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(p.ScanLine(0)[0], 117);  // high byte of 30184
    EXPECT_EQ(p.ScanLine(0)[1], 255);
    b->SetPixelFormat(PF::ie24RGB);
    EXPECT_EQ(Describe(*b), "117,117,117 255,255,255");
    // Formats a platform bitmap cannot hold are refused, the image kept.
    for (PF refused : {PF::ie32f, PF::ieCMYK, PF::ieRGB48}) {
      try {
        b->SetPixelFormat(refused);
        ADD_FAILURE() << "no exception";
      } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("pixel format not allowed when Location=ieTBitmap"), std::string::npos);
      }
      EXPECT_EQ(Describe(*b), "117,117,117 255,255,255");
    }
  }
}
