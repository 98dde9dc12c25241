#include "imaging/io/contract/iecolorrow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/ieicc.h"
#include "imaging/model/pixels/ieroutines.h"

namespace {

using F = TIEColorRowFormat;
using Bytes = std::vector<uint8_t>;

Bytes Convert(const Bytes& Source, F From, F To, int32_t Count, TIOParamsVals* Params = nullptr) {
  Bytes dest(static_cast<size_t>(Count) * IEColorRowBytesPerPixel(To), 0xEE);
  IEConvertColorRow(Source.data(), From, dest.data(), To, Count, Params);
  return dest;
}

TEST(ColorRow, PackedCMYKConversions) {
  // c' in the low byte, k' in the high byte; RGB as 0x00RRGGBB.
  const struct {
    uint32_t RGB, CMYK;
  } cases[] = {
      {0x0A141E, 0x1EFFAA55},  // (10, 20, 30) -> c' 85, m' 170, y' 255, k' 30
      {0x000000, 0x01000000},  // black: k' 1
      {0xFFFFFF, 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IERGBToCMYK(c.RGB), c.CMYK) << std::hex << c.RGB;
    TRGB back;
    IECMYKToRGB(c.CMYK, back);
    EXPECT_EQ(back, MakeTRGB(uint8_t(c.RGB >> 16), uint8_t(c.RGB >> 8), uint8_t(c.RGB))) << std::hex << c.RGB;
  }
  // Round trips change no channel by more than 1.
  for (uint32_t rgb = 0; rgb < 0x1000000; rgb += 0x010307 * 13) {
    TRGB back;
    IECMYKToRGB(IERGBToCMYK(rgb), back);
    EXPECT_LE(std::abs(back.r - int(rgb >> 16 & 255)), 1);
    EXPECT_LE(std::abs(back.g - int(rgb >> 8 & 255)), 1);
    EXPECT_LE(std::abs(back.b - int(rgb & 255)), 1);
  }
}

TEST(ColorRow, FixedConversionTable) {
  const struct {
    const char* Name;
    F From, To;
    Bytes Source, Expected;
  } cases[] = {
      {"RGB->BGR", F::crfRGB, F::crfBGR, {1, 2, 3, 4, 5, 6}, {3, 2, 1, 6, 5, 4}},
      {"BGR->BGR", F::crfBGR, F::crfBGR, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
      // BGR pixel of R 10, G 20, B 30, then black.
      {"BGR->CMYK", F::crfBGR, F::crfCMYK, {30, 20, 10, 0, 0, 0}, {85, 170, 255, 30, 0, 0, 0, 1}},
      {"CMYK->BGR", F::crfCMYK, F::crfBGR, {85, 170, 255, 30}, {30, 20, 10}},
      // Pure red 53, white 255.
      {"BGR->Gray", F::crfBGR, F::crfGray, {0, 0, 255, 255, 255, 255}, {53, 255}},
      // Words 0x1234, 0xABCD, 0x00FF little-endian, then big-endian.
      {"RGB48->BGR", F::crfRGB48, F::crfBGR, {0x34, 0x12, 0xCD, 0xAB, 0xFF, 0x00}, {0x00, 0xAB, 0x12}},
      {"RGB48BE->BGR", F::crfRGB48BE, F::crfBGR, {0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF}, {0x00, 0xAB, 0x12}},
      // Ink bytes not inverted (0 = none), two more bytes ignored.
      {"CMYK6->BGR", F::crfCMYK6, F::crfBGR, {0, 0, 0, 0, 9, 9, 170, 85, 0, 225, 9, 9}, {255, 255, 255, 30, 20, 10}},
  };
  for (const auto& c : cases) {
    const int32_t count = static_cast<int32_t>(c.Source.size()) / IEColorRowBytesPerPixel(c.From);
    EXPECT_EQ(Convert(c.Source, c.From, c.To, count), c.Expected) << c.Name;
  }
}

TEST(ColorRow, LabGoesThroughTheLibraryRoutines) {
  const Bytes bgr = {30, 20, 10};
  TCIELab lab;
  IERGBToCIELab(lab, 0x0A141E);
  const Bytes expected = {lab.l, uint8_t(lab.a), uint8_t(lab.b)};
  EXPECT_EQ(Convert(bgr, F::crfBGR, F::crfCIELab, 1), expected);
  TRGB back;
  IECIELabToRGB(back, lab);
  EXPECT_EQ(Convert(expected, F::crfCIELab, F::crfBGR, 1), (Bytes{back.b, back.g, back.r}));
}

TEST(ColorRow, UnlistedPairsAndEmptyRowsLeaveDestUntouched) {
  const Bytes six = {1, 2, 3, 4, 5, 6};
  const struct {
    F From, To;
  } pairs[] = {{F::crfGray, F::crfBGR},  {F::crfRGB, F::crfCMYK}, {F::crfCMYK, F::crfGray}, {F::crfBGR, F::crfRGB},
               {F::crfBGR, F::crfRGB48}, {F(9), F::crfBGR},       {F::crfBGR, F(200)}};
  for (const auto& p : pairs) {
    Bytes dest(8, 0xEE);
    IEConvertColorRow(six.data(), p.From, dest.data(), p.To, 1, nullptr);
    EXPECT_EQ(dest, Bytes(8, 0xEE)) << int(p.From) << "->" << int(p.To);
  }
  EXPECT_EQ(Convert(six, F::crfRGB, F::crfBGR, 0), Bytes{});
}

TEST(ColorRow, CMYK6SourceRowIsNotWritten) {
  const Bytes source = {10, 20, 30, 40, 50, 60};
  Bytes copy = source;
  Bytes dest(3);
  IEConvertColorRow(copy.data(), F::crfCMYK6, dest.data(), F::crfBGR, 1, nullptr);
  EXPECT_EQ(copy, source);
}

TEST(ColorRow, HookStartsAsTheFixedConversion) {
  EXPECT_EQ(IEColorConvertHook, IEConvertColorRow);
  EXPECT_FALSE(IEColorManagement);
  EXPECT_EQ(IEColorRowCMSFormat(F::crfCMYK6), 0x31);
}

// A row of every RGB corner and a few mid tones.
Bytes SampleBGRRow() {
  Bytes row;
  for (int v : {0, 64, 128, 200, 255})
    for (int w : {0, 255}) row.insert(row.end(), {uint8_t(v), uint8_t(w), uint8_t((v + w) / 2)});
  return row;
}

TEST(ColorRow, ICCPathRunsOnlyWithTheSwitchAndAValidInputProfile) {
  struct Switch {
    Switch() { IEColorManagement = true; }
    ~Switch() { IEColorManagement = false; }
  } on;
  const Bytes row = SampleBGRRow();
  const int32_t count = static_cast<int32_t>(row.size() / 3);

  // No input profile: the fixed table (a plain copy), and none is created.
  TIOParamsVals params;
  EXPECT_EQ(Convert(row, F::crfBGR, F::crfBGR, count, &params), row);
  EXPECT_EQ(params.InputICC, nullptr);
  // An input profile that is not valid: the fixed table too.
  params.GetInputICC();
  EXPECT_EQ(Convert(row, F::crfBGR, F::crfGray, count, &params), Convert(row, F::crfBGR, F::crfGray, count));

  // sRGB to sRGB through the library: within 1 of every channel, and used
  // (the transform is cached on the input profile).
  params.InputICC->AssignStandardRGB();
  const Bytes out = Convert(row, F::crfBGR, F::crfRGB, count, &params);
  EXPECT_NE(params.InputICC->CachedTransform(), nullptr);
  ASSERT_EQ(out.size(), row.size());
  for (size_t i = 0; i < row.size(); i += 3) {
    EXPECT_LE(std::abs(out[i] - row[i + 2]), 1) << i;  // red
    EXPECT_LE(std::abs(out[i + 1] - row[i + 1]), 1) << i;
    EXPECT_LE(std::abs(out[i + 2] - row[i]), 1) << i;
  }
}

}  // namespace
