#include "imaging/io/codecs/psd/colormanager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using L = TColorLayout;
using F = TColorFlag;

std::vector<uint8_t> Convert(TColorManager& M, std::vector<const void*> Source, int32_t Count, size_t TargetBytes,
                             uint8_t Mask = 0xFF, uint8_t Fill = 0) {
  std::vector<uint8_t> out(TargetBytes, Fill);
  M.ConvertPixels(Source, out.data(), Count, Mask);
  return out;
}

}  // namespace

TEST(PsdColorManager, CmykVectors) {
  struct TCase {
    uint8_t C, M, Y, K;
    std::vector<uint8_t> BGR;
  } cases[] = {{0, 0, 0, 0, {255, 255, 255}}, {0, 0, 0, 255, {0, 0, 0}}, {255, 0, 0, 0, {255, 255, 0}}};
  TColorManager m;
  m.SetSourceLayout(L::layCMYK);
  m.SetSourceSamples(4);
  for (const TCase& c : cases) {
    const uint8_t px[4] = {c.C, c.M, c.Y, c.K};
    EXPECT_EQ(Convert(m, {px}, 1, 3), c.BGR) << int(c.C) << "," << int(c.K);
    // The same through four planes.
    EXPECT_EQ(Convert(m, {&px[0], &px[1], &px[2], &px[3]}, 1, 3), c.BGR);
  }
  // 16-bit samples with a 16-bit white target.
  m.SetSourceBits(16);
  m.SetTargetBits(16);
  const uint16_t zero[4] = {0, 0, 0, 0};
  EXPECT_EQ(Convert(m, {zero}, 1, 6), (std::vector<uint8_t>(6, 0xFF)));
}

TEST(PsdColorManager, LabVectors) {
  TColorManager m;
  m.SetSourceLayout(L::layLab);
  m.SourceOptions.Include(F::cfLabScaledL).Include(F::cfLabOffsetAB);
  const uint8_t white[3] = {255, 128, 128}, black[3] = {0, 128, 128};
  EXPECT_EQ(Convert(m, {white}, 1, 3), (std::vector<uint8_t>{255, 255, 255}));
  EXPECT_EQ(Convert(m, {black}, 1, 3), (std::vector<uint8_t>{0, 0, 0}));
  // 16-bit samples are taken by their high byte after the swap.
  m.SetSourceBits(16);
  m.SourceOptions.Include(F::cfSwapBytes);
  const uint8_t white16[6] = {0xFF, 0x01, 0x80, 0xFF, 0x80, 0x00};
  EXPECT_EQ(Convert(m, {white16}, 1, 3), (std::vector<uint8_t>{255, 255, 255}));
}

TEST(PsdColorManager, RgbDepthsAndOrder) {
  TColorManager m;  // RGB to BGR, 8 bits
  const uint8_t rgb[3] = {1, 2, 3};
  EXPECT_EQ(Convert(m, {rgb}, 1, 3), (std::vector<uint8_t>{3, 2, 1}));
  // FF 00 big-endian: 65280 * 255 div 65535 = 254.
  m.SetSourceBits(16);
  m.SourceOptions.Include(F::cfSwapBytes);
  const uint8_t wide[6] = {0xFF, 0x00, 0x80, 0x00, 0x00, 0xFF};
  EXPECT_EQ(Convert(m, {wide}, 1, 3), (std::vector<uint8_t>{0, 127, 254}));
  // 8 to 16 bits: x 257; with an alpha sample on both sides it is converted.
  m.SetSourceBits(8);
  m.SetTargetBits(16);
  m.SourceOptions = {};
  m.SetSourceLayout(L::layRGBA);
  m.SetTargetLayout(L::layRGBA);
  const uint8_t rgba[4] = {1, 2, 3, 4};
  EXPECT_EQ(Convert(m, {rgba}, 1, 8), (std::vector<uint8_t>{1, 1, 2, 2, 3, 3, 4, 4}));
  // Gamma applies to the colour samples of 8-bit results only.
  m.SetTargetBits(8);
  m.TargetOptions.Include(F::cfGamma);
  const uint8_t mid[4] = {128, 0, 255, 128};
  EXPECT_EQ(Convert(m, {mid}, 1, 4), (std::vector<uint8_t>{m.GammaTable(128), 0, 255, 128}));
}

// Mask 170 converts pixels 0, 2, 4, 6 and reads one source pixel for each.
TEST(PsdColorManager, MaskSelectsPixels) {
  TColorManager m;
  const uint8_t src[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::vector<uint8_t> out = Convert(m, {src}, 8, 24, 170, 0xEE);
  const std::vector<uint8_t> expected = {3, 2, 1, 0xEE, 0xEE, 0xEE, 6,  5,  4,  0xEE, 0xEE, 0xEE,
                                         9, 8, 7, 0xEE, 0xEE, 0xEE, 12, 11, 10, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(out, expected);
}

TEST(PsdColorManager, SettersAndConverterSelection) {
  TColorManager m;
  EXPECT_THROW(m.SetSourceBits(17), EColorConversionError);
  EXPECT_THROW(m.SetTargetBits(0), EColorConversionError);
  EXPECT_THROW(m.SetSourceSamples(5), EColorConversionError);
  EXPECT_THROW(m.SetTargetSamples(0), EColorConversionError);
  EXPECT_EQ(m.SourceBitsPerSample(), 8);  // unchanged by a failing setter
  EXPECT_EQ(m.TargetSamplesPerPixel(), 3);
  EXPECT_NO_THROW(m.SetSourceBits(16));
  EXPECT_EQ(m.SourceBitsPerSample(), 16);

  // Gray on one side only fails, and keeps failing until the settings change.
  m.SetSourceBits(8);
  m.SetSourceLayout(L::layGray);
  const uint8_t px[3] = {1, 2, 3};
  uint8_t out[3] = {};
  EXPECT_THROW(m.ConvertPixels({std::vector<const void*>{px}}, out, 1, 0xFF), EColorConversionError);
  EXPECT_THROW(m.ConvertPixels({std::vector<const void*>{px}}, out, 1, 0xFF), EColorConversionError);
  m.SetTargetLayout(L::layGray);
  EXPECT_NO_THROW(m.ConvertPixels({std::vector<const void*>{px}}, out, 1, 0xFF));
  EXPECT_EQ(out[0], 1);
  // No routine for the pair.
  m.SetSourceLayout(L::layReserved);
  m.SetTargetLayout(L::layBGR);
  EXPECT_THROW(m.ConvertPixels({std::vector<const void*>{px}}, out, 1, 0xFF), EColorConversionError);
}

TEST(PsdColorManager, GrayAndIndexRoutines) {
  TColorManager m;
  m.SetSourceLayout(L::layGray);
  m.SetTargetLayout(L::layGray);
  m.SetSourceSamples(1);
  m.SetTargetSamples(1);
  // 16 to 8 bits, big-endian source.
  m.SetSourceBits(16);
  m.SourceOptions.Include(F::cfSwapBytes);
  const uint8_t gray16[4] = {0xFF, 0x00, 0x12, 0x34};
  EXPECT_EQ(Convert(m, {gray16}, 2, 2), (std::vector<uint8_t>{254, 18}));
  // 8 to 16 bits: x 257.
  m.SetSourceBits(8);
  m.SetTargetBits(16);
  const uint8_t gray8[1] = {2};
  EXPECT_EQ(Convert(m, {gray8}, 1, 2), (std::vector<uint8_t>{2, 2}));

  // Packed indices: 1 bit to 4 bits scales 1 to 15; 4 to 1 bit scales back.
  m.SourceOptions = {};
  m.SetSourceLayout(L::layIndexed);
  m.SetTargetLayout(L::layIndexed);
  m.SetSourceBits(1);
  m.SetTargetBits(4);
  const uint8_t bits[1] = {0xA0};  // 1 0 1 0
  EXPECT_EQ(Convert(m, {bits}, 4, 2), (std::vector<uint8_t>{0xF0, 0xF0}));
  m.SetSourceBits(4);
  m.SetTargetBits(1);
  const uint8_t nibbles[2] = {0xF0, 0x0F};
  EXPECT_EQ(Convert(m, {nibbles}, 4, 1), (std::vector<uint8_t>{0x90}));
  // 16-bit indices to 8 bits and back to 16.
  m.SetSourceBits(16);
  m.SetTargetBits(8);
  m.SourceOptions.Include(F::cfSwapBytes);
  const uint8_t idx16[2] = {0xFF, 0xFF};
  EXPECT_EQ(Convert(m, {idx16}, 1, 1), (std::vector<uint8_t>{255}));
  m.SetTargetBits(16);
  EXPECT_EQ(Convert(m, {idx16}, 1, 2), (std::vector<uint8_t>{0xFF, 0xFF}));
  m.SetSourceBits(8);
  const uint8_t idx8[1] = {1};
  EXPECT_EQ(Convert(m, {idx8}, 1, 2), (std::vector<uint8_t>{0x01, 0x01}));  // 257, swapped
}

TEST(PsdColorManager, YCbCrAndYcc) {
  TColorManager m;
  m.SetSourceLayout(L::layYCbCr);
  const uint8_t neutral[3] = {100, 128, 128};
  EXPECT_EQ(Convert(m, {neutral}, 1, 3), (std::vector<uint8_t>{100, 100, 100}));
  const uint8_t red[3] = {76, 85, 255};  // about pure red
  const std::vector<uint8_t> bgr = Convert(m, {red}, 1, 3);
  EXPECT_LE(bgr[0], 1);
  EXPECT_LE(bgr[1], 1);
  EXPECT_GE(bgr[2], 253);
  // YCC has its chroma offsets at 156 (C1) and 137 (C2).
  m.SetSourceLayout(L::layYCC);
  m.SetTargetLayout(L::layRGB);
  const uint8_t yccNeutral[3] = {100, 156, 137};
  EXPECT_EQ(Convert(m, {yccNeutral}, 1, 3), (std::vector<uint8_t>{100, 100, 100}));
}

TEST(PsdColorManager, PalettesGammaAndPixelFormats) {
  TColorManager m;
  m.SetTargetBits(1);
  m.SetTargetSamples(1);
  const TPaletteEntries bw = m.BuildGrayPalette(true);
  ASSERT_EQ(bw.size(), 2u);
  EXPECT_EQ(bw[0], (PALETTEENTRY{255, 255, 255, 0}));
  EXPECT_EQ(bw[1], (PALETTEENTRY{0, 0, 0, 0}));
  m.SetTargetBits(8);
  const TPaletteEntries grays = m.BuildGrayPalette(false);
  ASSERT_EQ(grays.size(), 256u);
  EXPECT_EQ(grays[200], (PALETTEENTRY{200, 200, 200, 0}));

  // Planar bytes, RGB triples (reversed: BGR) and 16-bit planes.
  const uint8_t r[2] = {1, 4}, g[2] = {2, 5}, b[2] = {3, 6};
  TPaletteEntries p = m.BuildPalette({std::vector<const void*>{r, g, b}}, 2, 2, false);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[1], (PALETTEENTRY{4, 5, 6, 0}));
  const uint8_t triples[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(m.BuildPalette({std::vector<const void*>{triples}}, 0, 2, true)[1], (PALETTEENTRY{6, 5, 4, 0}));
  const uint16_t w0[1] = {0xFFFF}, w1[1] = {0}, w2[1] = {0x8000};
  EXPECT_EQ(m.BuildPalette({std::vector<const void*>{w0, w1, w2}}, 6, 1, false)[0], (PALETTEENTRY{255, 0, 127, 0}));
  // Resampled to the target's range: 8 source bits to 1 target bit takes
  // entries 0 and 255; 12 source bits would reach past the entries present,
  // which read as black.
  m.SetTargetBits(1);
  p = m.BuildPalette({std::vector<const void*>{r, g, b}}, 2, 2, false);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0], (PALETTEENTRY{1, 2, 3, 0}));
  EXPECT_EQ(p[1], (PALETTEENTRY{0, 0, 0, 0}));
  m.SetSourceBits(12);
  m.SetTargetBits(8);
  p = m.BuildPalette({std::vector<const void*>{r, g, b}}, 2, 2, false);
  ASSERT_EQ(p.size(), 256u);
  EXPECT_EQ(p[0], (PALETTEENTRY{1, 2, 3, 0}));
  EXPECT_EQ(p[255], (PALETTEENTRY{0, 0, 0, 0}));

  // Gamma: Round((i / 255)^(1 / (main x display)) x 255); non-positive values
  // fall back to 1.0 and 2.2.
  for (int32_t i : {0, 1, 64, 128, 255})
    EXPECT_EQ(m.GammaTable(uint8_t(i)), std::lround(std::pow(i / 255.0, 1 / 2.2) * 255)) << i;
  m.SetGammaValues(2.0f, 0.5f);
  EXPECT_EQ(m.GammaTable(64), 64);
  m.SetGammaValues(-1.0f, 0.0f);
  EXPECT_EQ(m.GammaTable(64), std::lround(std::pow(64 / 255.0, 1 / 2.2) * 255));

  struct TFmt {
    uint8_t Samples, Bits;
    TPixelFormat Format;
  } formats[] = {{1, 1, TPixelFormat::pf1bit},  {1, 4, TPixelFormat::pf4bit},   {1, 6, TPixelFormat::pfCustom},
                 {1, 16, TPixelFormat::pf8bit}, {2, 8, TPixelFormat::pfCustom}, {3, 5, TPixelFormat::pf15bit},
                 {3, 8, TPixelFormat::pf24bit}, {4, 8, TPixelFormat::pf32bit},  {4, 4, TPixelFormat::pfCustom}};
  for (const TFmt& f : formats) {
    m.SetTargetSamples(f.Samples);
    m.SetTargetBits(f.Bits);
    m.SetSourceSamples(f.Samples);
    m.SetSourceBits(f.Bits);
    EXPECT_EQ(m.PlatformPixelFormat(true), f.Format) << int(f.Samples) << " x " << int(f.Bits);
    EXPECT_EQ(m.PlatformPixelFormat(false), f.Format);
  }
  EXPECT_EQ(ClampToByte(-3), 0);
  EXPECT_EQ(ClampToByte(300), 255);
  EXPECT_EQ(MulDiv16(65535, 65535, 65535), 65535);
  EXPECT_EQ(MulDiv16(65280, 255, 65535), 254);
}
