#include "imaging/model/pixels/ieroutines.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/streams.h"

namespace {
std::string Home() { return std::getenv("HOME"); }

std::string Encode(const std::vector<uint8_t>& Bytes, int32_t LineLength) {
  TMemoryStream in, out;
  if (!Bytes.empty()) in.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  in.SetPosition(0);
  IEBase64EncodeStream(&in, &out, LineLength);
  return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}
}  // namespace

TEST(ModelRoutines, EdgeValues) {
  struct MaskCase {
    uint32_t mask;
    int32_t width, top;
  };
  for (const MaskCase& c : {MaskCase{0, 0, -1}, MaskCase{0x07E0, 6, 11}, MaskCase{0xF800, 5, 16},
                            MaskCase{0x0020, 1, 5}, MaskCase{0x0001, 1, 0}, MaskCase{0x001F, 5, 5},
                            MaskCase{0x0F0F, 4, 12}, MaskCase{0x80000000u, 1, 31}, MaskCase{0xFFFFFFFFu, 32, 32}}) {
    EXPECT_EQ(IEBitMaskWidth(c.mask), c.width) << std::hex << c.mask;
    EXPECT_EQ(IEBitMaskTop(c.mask), c.top) << std::hex << c.mask;
  }

  for (auto [in, out] : {std::pair<uint8_t, uint8_t>{1, 128}, {0x0F, 0xF0}, {0xA0, 0x05}, {0, 0}}) {
    uint8_t b = in;
    IEReverseByteBits(b);
    EXPECT_EQ(b, out);
  }
  for (auto [in, out] : {std::pair<uint32_t, uint32_t>{1, 0x80000000u}, {0x12345678u, 0x1E6A2C48u}}) {
    uint32_t d = in;
    IEReverseDWordBits(d);
    EXPECT_EQ(d, out);
  }
  EXPECT_EQ(IESwapWord(0x1234), 0x3412);
  EXPECT_EQ(IESwapDWord(0x12345678u), 0x78563412u);
  EXPECT_EQ(IESwapWordIf(0x1234, false), 0x1234);
  EXPECT_EQ(IESwapDWordIf(0x12345678u, true), 0x78563412u);

  struct PowerCase {
    double base, exponent, expected;
  };
  for (const PowerCase& c :
       {PowerCase{2, 0.5, std::numbers::sqrt2}, PowerCase{0, 0, 1}, PowerCase{0, 3, 0}, PowerCase{-2, 3, -8},
        PowerCase{2, -1, 0.5}, PowerCase{9, 1.5, 27}, PowerCase{-1, -2147483647.0, -1}})
    EXPECT_DOUBLE_EQ(IEPower(c.base, c.exponent), c.expected) << c.base << " ^ " << c.exponent;
  EXPECT_THROW(IEPower(-2, 0.5), EInvalidOp);
  EXPECT_THROW(IEPower(-1, -2147483648.0), EInvalidOp);  // beyond the integral path
  EXPECT_DOUBLE_EQ(IEIntPower(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(IEIntPower(-1, -2147483647 - 1), 1);
  EXPECT_DOUBLE_EQ(IEIntPower(3, 5), 243);

  const double pi = std::numbers::pi;
  EXPECT_DOUBLE_EQ(IEArcCos(0), pi / 2);
  EXPECT_DOUBLE_EQ(IEArcCos(1), 0);
  EXPECT_DOUBLE_EQ(IEArcCos(-1), pi);
  EXPECT_DOUBLE_EQ(IEArcCos(0.5), pi / 3);
  struct AngleCase {
    double x1, y1, x2, y2, x3, y3, expected;
  };
  for (const AngleCase& c :
       {AngleCase{0, 0, 1, 0, 2, 0, 0}, AngleCase{0, 0, 1, 0, 1, 1, pi / 2}, AngleCase{0, 0, 1, 0, 0, 0, pi},
        AngleCase{0, 0, 1, 1, 0, 0, pi}, AngleCase{0, 0, 1, 2, 0, 0, pi}, AngleCase{5, 5, 5, 5, 9, 9, 0}})
    EXPECT_DOUBLE_EQ(IEAngleBetween(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3), c.expected)
        << c.x2 << "," << c.y2 << " -> " << c.x3 << "," << c.y3;

  TPoint one[1];
  IEBezierPoints({0, 0}, {5, 50}, {50, 5}, {7, 9}, one, 1);
  EXPECT_EQ(one[0], (TPoint{7, 9}));
  // Collinear, evenly spaced control points give x = 30 t; 7.5 and 22.5 round to even.
  TPoint four[4];
  IEBezierPoints({0, 0}, {10, 0}, {20, 0}, {30, 0}, four, 4);
  EXPECT_EQ(four[0], (TPoint{8, 0}));
  EXPECT_EQ(four[1], (TPoint{15, 0}));
  EXPECT_EQ(four[2], (TPoint{22, 0}));
  EXPECT_EQ(four[3], (TPoint{30, 0}));

  struct ConstrainCase {
    int32_t x1, y1, ex, ey;
  };
  for (const ConstrainCase& c :
       {ConstrainCase{10, 100, 0, 100}, ConstrainCase{100, 10, 100, 0}, ConstrainCase{50, 60, 60, 60},
        ConstrainCase{-50, -60, -50, -50}, ConstrainCase{-50, 60, -60, 60}, ConstrainCase{50, -60, 60, -60},
        ConstrainCase{-20, 0, -20, 20}, ConstrainCase{20, 0, 20, 0}, ConstrainCase{0, 20, 0, 20}}) {
    int32_t x = c.x1, y = c.y1;
    IEConstrainLine(0, 0, x, y);
    EXPECT_EQ(x, c.ex) << c.x1 << "," << c.y1;
    EXPECT_EQ(y, c.ey) << c.x1 << "," << c.y1;
  }

  EXPECT_EQ(IERectRelation(0, 0, 10, 10, 2, 2, 5, 5), 2);
  EXPECT_EQ(IERectRelation(0, 0, 10, 10, 5, 5, 20, 20), 1);
  EXPECT_EQ(IERectRelation(0, 0, 10, 10, 20, 20, 30, 30), 0);
  EXPECT_EQ(IERectRelation(0, 0, 10, 10, -5, -5, 20, 20), 0);  // encloses it
  EXPECT_TRUE(IEPointInRectNormalized(10, 0, 10, 10, 0, 0));
  EXPECT_FALSE(IEPointInRect(11, 0, 0, 0, 10, 10));
  EXPECT_TRUE(IERectsIntersect(20, 20, 10, 10, 0, 0, 10, 10));  // touching corner
  TRect r{5, 5, 5, 5};
  IEExtendRect(r, 2, 9);
  EXPECT_EQ(r, (TRect{2, 5, 5, 9}));

  String out;
  IEReplacePlaceholders("%1%|%2%|%3%|%4%|%1%", "", "", "c", "d", out);
  EXPECT_EQ(out, "|%2%|c|d|");
  IEReplacePlaceholders("%2%%2%-%1%", "a", "b", "", "", out);
  EXPECT_EQ(out, "bb-a");

  struct FloatCase {
    const char* text;
    double expected;
  };
  for (const FloatCase& c : {FloatCase{"1.5", 1.5}, FloatCase{"1,5", 1.5}, FloatCase{"abc", 7}, FloatCase{"1.2.3", 7},
                             FloatCase{"-0.25", -0.25}})
    EXPECT_DOUBLE_EQ(IEStrToFloatDef(c.text, 7), c.expected) << c.text;
  // "1.5" still reads as 1.5 when the decimal separator is ",".
  FormatSettings().DecimalSeparator = ',';
  const double swapped = IEStrToFloatDef("1.5", 7);
  FormatSettings().DecimalSeparator = '.';
  EXPECT_DOUBLE_EQ(swapped, 1.5);

  EXPECT_TRUE(IEIsWindows2000OrMe());
  EXPECT_FALSE(IEIsRemoteSession());
  EXPECT_FALSE(IECenterWindowHook);
}

TEST(ModelRoutines, LabConversions) {
  struct ToLab {
    uint32_t colour;
    TCIELab lab;
  };
  // Not divided by a white point: white keeps a colour cast, and L tops at 242.
  for (const ToLab& c : {ToLab{0xFFFFFF, {242, -24, -6}}, ToLab{0x000000, {0, 0, 0}}, ToLab{0xFF0000, {141, 127, 78}},
                         ToLab{0x0000FF, {96, 127, -128}}, ToLab{0x808080, {142, -14, -4}}}) {
    TCIELab lab;
    IERGBToCIELab(lab, c.colour);
    EXPECT_EQ(lab, c.lab) << std::hex << c.colour;
  }
  struct ToRGB {
    TCIELab lab;
    TRGB rgb;
  };
  // a = -128 reads as +128.
  for (const ToRGB& c : {ToRGB{{255, 0, 0}, MakeTRGB(254, 255, 255)}, ToRGB{{0, 0, 0}, MakeTRGB(0, 2, 4)},
                         ToRGB{{200, -128, 0}, MakeTRGB(255, 40, 194)}, ToRGB{{200, 127, 0}, MakeTRGB(255, 44, 194)},
                         ToRGB{{100, -20, 40}, MakeTRGB(74, 90, 35)}}) {
    TRGB rgb;
    IECIELabToRGB(rgb, c.lab);
    EXPECT_EQ(rgb, c.rgb) << int(c.lab.l) << " " << int(c.lab.a) << " " << int(c.lab.b);
  }
}

TEST(ModelRoutines, FilesAndMemory) {
  const std::string base = Home() + "/force";
  IEForceDirectories(base + "/a/b/c//");
  EXPECT_TRUE(IEDirectoryExists(base + "/a/b/c"));
  IEForceDirectories(base + "/a/b/c");  // existing: nothing to do
  IEForceDirectories("/");
  try {
    IEForceDirectories("");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot Create Directory");
  }

  const std::string file = base + "/ten.bin";
  std::ofstream(file, std::ios::binary) << "0123456789";
  EXPECT_EQ(IEGetFileSize(file), 10);
  EXPECT_EQ(IEGetFileSize(base + "/missing"), -1);
  EXPECT_EQ(IEGetFileSize(base), -1);  // a folder
  // A sparse file of 3 GB does not fit the int32 answer.
  const std::string big = base + "/big.bin";
  std::ofstream(big).close();
  ASSERT_EQ(::truncate(big.c_str(), int64_t{3} << 30), 0);
  EXPECT_EQ(IEGetFileSize(big), -1);
  std::filesystem::remove(big);

  void* p = IEVirtualAlloc(4096);
  ASSERT_NE(p, nullptr);
  const auto* bytes = static_cast<const uint8_t*>(p);
  EXPECT_EQ(std::count(bytes, bytes + 4096, 0), 4096);
  IEVirtualFree(p);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(IEVirtualAlloc(0), nullptr);
  EXPECT_EQ(IEVirtualAlloc(-1), nullptr);
}

TEST(ModelRoutines, Base64Units) {
  char out[4];
  const uint8_t man[] = {'M', 'a', 'n'};
  for (auto [count, expected] : {std::pair<int32_t, const char*>{3, "TWFu"}, {2, "TWE="}, {1, "TQ=="}}) {
    IEBase64EncodeTriplet(man, out, count);
    EXPECT_EQ(std::string(out, 4), expected);
  }
  EXPECT_EQ(Encode({}, 76), "");
  EXPECT_EQ(Encode({'M', 'a', 'n'}, 76), "TWFu\r\n");
  // Encoding starts at the stream's position.
  TMemoryStream in, text;
  in.WriteBuffer("xxMan", 5);
  in.SetPosition(2);
  IEBase64EncodeStream(&in, &text, 76);
  EXPECT_EQ(std::string(static_cast<const char*>(text.Memory()), 6), "TWFu\r\n");
  // Line length 8: two units per line.
  EXPECT_EQ(Encode({1, 2, 3, 4, 5, 6, 7}, 8), "AQIDBAUG\r\nBw==\r\n");
}

// The writer against coreutils' base64 on random streams of 0 to 200 bytes.
TEST(ModelRoutines, Base64MatchesCoreutils) {
  const std::string dir = Home() + "/b64";
  std::filesystem::create_directories(dir);
  std::mt19937 rng(20240611);
  std::vector<std::vector<uint8_t>> inputs;
  for (int len = 0; len <= 200; ++len) {
    std::vector<uint8_t> bytes(static_cast<size_t>(len));
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    std::ofstream(dir + "/" + std::to_string(len) + ".bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), len);
    inputs.push_back(std::move(bytes));
  }
  const std::string cmd = "cd '" + dir + "' && for f in *.bin; do base64 -w 76 \"$f\" > \"$f.b64\" || exit 1; done";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "base64 (coreutils) is not available";
  for (int len = 0; len <= 200; ++len) {
    std::ifstream f(dir + "/" + std::to_string(len) + ".bin.b64", std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    std::string ours = Encode(inputs[static_cast<size_t>(len)], 76);
    std::string lf;
    for (char c : ours)
      if (c != '\r') lf += c;
    EXPECT_EQ(lf, ss.str()) << len << " bytes";
    // Every line ends with CR LF.
    EXPECT_EQ(ours.size() - lf.size(), static_cast<size_t>(std::count(lf.begin(), lf.end(), '\n')));
  }
}
