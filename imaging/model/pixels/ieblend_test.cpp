#include "imaging/model/pixels/ieblend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace {
TRGB Gray(uint8_t v) { return MakeTRGB(v, v, v); }

TRGB Blend(TRGB s, TRGB d, TIEBlendOperation op) {
  IEBlendPixel(s, d, op);
  return d;
}

uint32_t Pack(const TRGB& c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }
}  // namespace

TEST(ModelBlend, CosineTable) {
  EXPECT_EQ(IECosineTable[0], 0);
  EXPECT_EQ(IECosineTable[64], 19);
  EXPECT_EQ(IECosineTable[128], 64);
  EXPECT_EQ(IECosineTable[191], 109);
  EXPECT_EQ(IECosineTable[255], 128);
}

TEST(ModelBlend, DesignValues) {
  // The shr 8 of multiply and screen divides by 256, not 255: white times
  // white is 254 and black screened on black is 1.
  struct Case {
    TIEBlendOperation op;
    uint8_t s, d, expected;
  };
  for (const Case& c :
       {Case{0, 10, 200, 10},    Case{1, 200, 100, 255},  Case{2, 10, 200, 190},   Case{3, 0, 77, 77},
        Case{3, 2, 200, 100},    Case{4, 255, 255, 254},  Case{11, 0, 0, 1},       Case{11, 255, 3, 255},
        Case{12, 100, 100, 200}, Case{12, 200, 200, 110}, Case{13, 255, 255, 2},   Case{13, 255, 0, 255},
        Case{14, 0, 200, 146},   Case{14, 100, 100, 78},  Case{15, 200, 0, 146},   Case{18, 255, 0, 255},
        Case{19, 0, 255, 0},     Case{28, 100, 100, 0},   Case{28, 255, 255, 254}, Case{29, 255, 255, 255},
        Case{29, 0, 0, 0},       Case{29, 128, 128, 128}, Case{30, 200, 10, 154},  Case{40, 1, 99, 99}})
    EXPECT_EQ(Blend(Gray(c.s), Gray(c.d), c.op), Gray(c.expected))
        << "code " << int(c.op) << ", s " << int(c.s) << ", d " << int(c.d);

  // Soft light works per channel: red rises, green and blue fall.
  const TRGB soft = Blend(MakeTRGB(255, 0, 0), Gray(128), 16);
  EXPECT_GT(soft.r, 128);
  EXPECT_LT(soft.g, 128);
  EXPECT_LT(soft.b, 128);
  EXPECT_EQ(soft.g, soft.b);

  EXPECT_EQ(Blend(MakeTRGB(1, 2, 3), MakeTRGB(10, 20, 30), 31), MakeTRGB(1, 20, 30));
  EXPECT_EQ(Blend(MakeTRGB(1, 2, 3), MakeTRGB(10, 20, 30), 32), MakeTRGB(10, 2, 30));
  EXPECT_EQ(Blend(MakeTRGB(1, 2, 3), MakeTRGB(10, 20, 30), 33), MakeTRGB(10, 20, 3));

  // Hue of pure red over pure blue (lightness 0.5) gives pure red.
  EXPECT_EQ(Blend(MakeTRGB(255, 0, 0), MakeTRGB(0, 0, 255), 34), MakeTRGB(255, 0, 0));
  // Saturation of a gray source makes the destination gray at its lightness.
  EXPECT_EQ(Blend(Gray(90), MakeTRGB(255, 0, 0), 35), Gray(128));
  // Colour keeps only the destination's lightness.
  EXPECT_EQ(Blend(MakeTRGB(0, 255, 0), Gray(0), 36), Gray(0));
  // Source hue and lightness with the destination's saturation.
  EXPECT_EQ(Blend(MakeTRGB(0, 0, 255), Gray(200), 37), Gray(128));
}

// Every code over every pair of channel values. The channel arithmetic
// asserts its result lies in 0..255 before it is stored, and UBSan watches
// the shifts and divisions.
TEST(ModelBlend, SweepAllCodes) {
  for (int op = 0; op <= 40; ++op)
    for (int s = 0; s < 256; ++s)
      for (int d = 0; d < 256; ++d) {
        const TRGB src = MakeTRGB(static_cast<uint8_t>(s), static_cast<uint8_t>(255 - d), static_cast<uint8_t>(d));
        const TRGB dst = MakeTRGB(static_cast<uint8_t>(d), static_cast<uint8_t>(s ^ 0x5A), static_cast<uint8_t>(s));
        const TRGB out = Blend(src, dst, static_cast<TIEBlendOperation>(op));
        if (op > 37) {
          ASSERT_EQ(out, dst) << "code " << op;
        }
      }
}

TEST(ModelBlend, HSLDesignValues) {
  double h, s, l;
  RGBToHSL(0x0000FF, h, s, l);
  EXPECT_DOUBLE_EQ(h, 2.0 / 3);
  EXPECT_DOUBLE_EQ(s, 1);
  EXPECT_DOUBLE_EQ(l, 0.5);
  RGBToHSL(0x808080, h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);

  // Hue wraps once; saturation and lightness are limited to 0..1.
  struct Case {
    double h, s, l;
    TRGB expected;
  };
  for (const Case& c : {Case{0, 1, 0.5, MakeTRGB(255, 0, 0)}, Case{-1.0 / 3, 1, 0.5, MakeTRGB(0, 0, 255)},
                        Case{4.0 / 3, 1, 0.5, MakeTRGB(0, 255, 0)}, Case{0.5, 3, 0.5, MakeTRGB(0, 255, 255)},
                        Case{0.3, 1, -1, MakeTRGB(0, 0, 0)}, Case{0.3, 0, 2, MakeTRGB(255, 255, 255)},
                        Case{0.3, 0, 0.5, MakeTRGB(128, 128, 128)}}) {
    TRGB p;
    HSLToRGB(p, c.h, c.s, c.l);
    EXPECT_EQ(p, c.expected) << c.h << " " << c.s << " " << c.l;
  }
}

TEST(ModelBlend, HSLRoundTripIsExact) {
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 3) {
        const TRGB c = MakeTRGB(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
        double h, s, l;
        RGBToHSL(Pack(c), h, s, l);
        TRGB back;
        HSLToRGB(back, h, s, l);
        ASSERT_EQ(back, c) << r << " " << g << " " << b;
      }
}

// Against Python's colorsys (testdata/model/hsl_colorsys.txt says how the
// table was made): the same formulas, so equal within 1e-9 before rounding.
TEST(ModelBlend, HSLMatchesColorsys) {
  std::ifstream in(std::string(PROJECT_TESTDATA_DIR) + "/model/hsl_colorsys.txt");
  ASSERT_TRUE(in) << "missing table";
  std::string line;
  int rgbRows = 0, hlsRows = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream row(line);
    std::string kind;
    row >> kind;
    if (kind == "rgb") {
      uint32_t r, g, b;
      double h, l, s;
      row >> r >> g >> b >> h >> l >> s;
      ASSERT_TRUE(row) << line;
      double oh, os, ol;
      RGBToHSL((r << 16) | (g << 8) | b, oh, os, ol);
      EXPECT_NEAR(oh, h, 1e-9) << line;
      EXPECT_NEAR(os, s, 1e-9) << line;
      EXPECT_NEAR(ol, l, 1e-9) << line;
      ++rgbRows;
    } else if (kind == "hls") {
      double h, l, s, r, g, b;
      row >> h >> l >> s >> r >> g >> b;
      ASSERT_TRUE(row) << line;
      double orr, og, ob;
      HSLToRGBValues(h, s, l, orr, og, ob);
      EXPECT_NEAR(orr, r, 1e-9) << line;
      EXPECT_NEAR(og, g, 1e-9) << line;
      EXPECT_NEAR(ob, b, 1e-9) << line;
      ++hlsRows;
    }
  }
  EXPECT_EQ(rgbRows, 512);
  EXPECT_EQ(hlsRows, 455);
}
