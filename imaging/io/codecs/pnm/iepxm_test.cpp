#include "imaging/io/codecs/pnm/iepxm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iemodelinit.h"
#include "platform/rtl/streams.h"

using enum TIEPixelFormat;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const std::string& S) { return Bytes(S.begin(), S.end()); }
Bytes operator+(Bytes A, const Bytes& C) {
  A.insert(A.end(), C.begin(), C.end());
  return A;
}
TRGB Px(TIEBitmap& Bm, int32_t X, int32_t Y) { return static_cast<const TRGB*>(Bm.ScanLine(Y))[X]; }
bool Bit(TIEBitmap& Bm, int32_t X, int32_t Y) {
  return (static_cast<const uint8_t*>(Bm.ScanLine(Y))[X >> 3] & (0x80 >> (X & 7))) != 0;
}
TRGB Gray(uint8_t G) { return TRGB{G, G, G}; }

bool Read(const Bytes& Data, TIEBitmap& Bitmap, TIOParamsVals& Params, bool Preview = false) {
  TCustomMemoryStream s;
  s.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEDecodePXM(&s, &Bitmap, Params, progress, Preview);
  return !abort.load();
}

Bytes Write(TIEBitmap& Bitmap, TIOParamsVals& Params, bool* Ok = nullptr) {
  TMemoryStream s;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodePXM(&s, &Bitmap, Params, progress);
  if (Ok) *Ok = !abort.load();
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

bool TestPxm(const Bytes& Data) {
  TCustomMemoryStream s;
  s.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  const bool r = IETestPXM(&s);
  EXPECT_EQ(s.Position(), 0);
  return r;
}

void MakeRGB(TIEBitmap& Bm, int32_t W, int32_t H) {
  Bm.Allocate(W, H, ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      *Bm.PixelRGB(x, y) =
          TRGB{static_cast<uint8_t>(x * 31 + y), static_cast<uint8_t>(y * 47), static_cast<uint8_t>(x * y * 13)};
}

// ---- Tokenizer and test ----------------------------------------------------------------
TEST(Pxm, TokenizerKeepsTrimmedCommentsAndSkipsSeparators) {
  const Bytes data = B("P6\n#  made here \r\n 2,,3\t255 x");
  TCustomMemoryStream s;
  s.SetPointer(data.data(), static_cast<int64_t>(data.size()));
  std::vector<String> tokens;
  String t;
  for (IEReadPXMToken(&s, t); !t.empty(); IEReadPXMToken(&s, t)) tokens.push_back(t);
  EXPECT_EQ(tokens, (std::vector<String>{"P6", "#made here", "2", "3", "255", "x"}));
}

TEST(Pxm, ContentTest) {
  std::string many = "P2\n";
  for (int32_t i = 0; i < 500; ++i) many += "# c\n";
  many += "2 2 255\n0 0 0 0\n";
  const struct {
    const char* Name;
    std::string Data;
    bool Expected;
  } cases[] = {
      {"plain", "P1 2 2\n0101", true},       {"comment before size", "P5\n# x\n3 1 255\n", true},
      {"zero width", "P5 0 1 255\n", false}, {"text width", "P5 ab 1 255\n", false},
      {"P7", "P7 2 2 255\n", false},         {"no height", "P6 4", false},
      {"500 comments", many, false},
  };
  for (const auto& c : cases) EXPECT_EQ(TestPxm(B(c.Data)), c.Expected) << c.Name;
  TIEBitmap b;
  TIOParamsVals p;
  EXPECT_TRUE(Read(B(many), b, p));  // the reader still reads it
  EXPECT_EQ(p.PXMComments.Count(), 500);
}

// ---- Reading ----------------------------------------------------------------------------
TEST(Pxm, ReadingScalesEveryFormatByItsMaximum) {
  const struct {
    const char* Name;
    Bytes Data;
    int32_t Bits, Samples;
    TRGB First, Second;
  } cases[] = {
      {"P6 255", B("P6 2 1 255\n") + Bytes{1, 2, 3, 4, 5, 6}, 8, 3, TRGB{3, 2, 1}, TRGB{6, 5, 4}},
      {"P5 15", B("P5 2 1 15\n") + Bytes{15, 7}, 8, 1, Gray(255), Gray(119)},
      {"P5 above max", B("P5 2 1 15\n") + Bytes{200, 0}, 8, 1, Gray(255), Gray(0)},
      {"P6 15", B("P6 2 1 15\n") + Bytes{15, 7, 0, 1, 2, 3}, 8, 3, TRGB{0, 119, 255}, TRGB{51, 34, 17}},
      {"P6 4095", B("P6 2 1 4095\n") + Bytes{0x0F, 0xFF, 0x08, 0x00, 0, 0, 0, 0, 0, 0, 0x0F, 0xFF}, 16, 3,
       TRGB{0, 128, 255}, TRGB{255, 0, 0}},
      {"P6 65535 high byte", B("P6 1 2 65535\n") + Bytes{0x12, 0x34, 0xAB, 0xCD, 0x01, 0x00, 0, 0, 0, 0, 0, 0}, 16, 3,
       TRGB{0x01, 0xAB, 0x12}, TRGB{0, 0, 0}},
      {"P5 16-bit", B("P5 2 1 1023\n") + Bytes{0x03, 0xFF, 0x02, 0x00}, 16, 1, Gray(255), Gray(128)},
      {"P2 comment in raster", B("P2 2 1 100\n50 # note\n"), 8, 1, Gray(127), Gray(0)},
      {"P2 short", B("P2 2 1 100\n100"), 8, 1, Gray(255), Gray(0)},
      {"P3", B("P3 2 1 10\n10 5 0 1 2 3"), 8, 3, TRGB{0, 127, 255}, TRGB{76, 51, 25}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(c.Data, b, p));
    EXPECT_EQ(p.BitsPerSample, c.Bits);
    EXPECT_EQ(p.SamplesPerPixel, c.Samples);
    ASSERT_EQ(b.PixelFormat(), ie24RGB);
    EXPECT_EQ(Px(b, 0, 0), c.First);
    EXPECT_EQ(p.Width == 2 ? Px(b, 1, 0) : Px(b, 0, 1), c.Second);
  }
}

TEST(Pxm, NativeSixteenBitFormats) {
  TIOParamsVals p;
  p.NativePixelFormat = true;
  TIEBitmap b;
  ASSERT_TRUE(Read(B("P5 2 1 4095\n") + Bytes{0x0F, 0xFF, 0x08, 0x00}, b, p));
  ASSERT_EQ(b.PixelFormat(), ie16g);
  EXPECT_EQ(b.GetPixel16(0, 0), 65535);
  EXPECT_EQ(b.GetPixel16(1, 0), 2048 * 65535 / 4095);
  ASSERT_TRUE(Read(B("P6 1 1 65535\n") + Bytes{0x12, 0x34, 0xAB, 0xCD, 0x01, 0x00}, b, p));
  ASSERT_EQ(b.PixelFormat(), ieRGB48);
  const TRGB48 v = b.GetPixelRGB48(0, 0);
  EXPECT_EQ(v.r, 0x1234);
  EXPECT_EQ(v.g, 0xABCD);
  EXPECT_EQ(v.b, 0x0100);
}

TEST(Pxm, BilevelRastersAndComments) {
  TIEBitmap b;
  TIOParamsVals p;
  ASSERT_TRUE(Read(B("P1\n# first\n#second  \n2 2\n0 1\n1 0\n"), b, p));
  ASSERT_EQ(b.PixelFormat(), ie1g);
  EXPECT_TRUE(Bit(b, 0, 0));  // 0 is white
  EXPECT_FALSE(Bit(b, 1, 0));
  EXPECT_FALSE(Bit(b, 0, 1));
  EXPECT_TRUE(Bit(b, 1, 1));
  ASSERT_EQ(p.PXMComments.Count(), 2);
  EXPECT_EQ(p.PXMComments.Strings(0), "first");
  EXPECT_EQ(p.PXMComments.Strings(1), "second");

  ASSERT_TRUE(Read(B("P4 10 1\n") + Bytes{0x80, 0x40}, b, p));  // 1 is black
  EXPECT_FALSE(Bit(b, 0, 0));
  EXPECT_TRUE(Bit(b, 1, 0));
  EXPECT_FALSE(Bit(b, 9, 0));
  EXPECT_EQ(p.BitsPerSample, 1);
}

TEST(Pxm, BadHeadersAndTruncationSetTheFlag) {
  const struct {
    const char* Name;
    Bytes Data;
  } cases[] = {
      {"empty", Bytes{}},
      {"maxval 0", B("P5 2 1 0\n") + Bytes{0, 0}},
      {"maxval text", B("P2 2 1 x\n1 1")},
      {"P6 above 65535", B("P6 1 1 70000\n") + Bytes(6, 0)},
      {"P7", B("P7 1 1 255\n") + Bytes(3, 0)},
      {"no height", B("P5 2")},
      {"huge", B("P6 60000 60000 255\n") + Bytes(6, 0)},
  };
  for (const auto& c : cases) {
    TIEBitmap b;
    TIOParamsVals p;
    EXPECT_FALSE(Read(c.Data, b, p)) << c.Name;
  }
  TIEBitmap b;
  TIOParamsVals p;
  EXPECT_FALSE(Read(B("P6 2 2 255\n") + Bytes{9, 9, 9, 9, 9, 9, 9}, b, p));
  EXPECT_EQ(Px(b, 0, 1), (TRGB{0, 0, 9}));
  EXPECT_EQ(Px(b, 1, 1), (TRGB{0, 0, 0}));
}

// ---- Writing -----------------------------------------------------------------------------
TEST(Pxm, WriterHeaderLayoutAndCases) {
  IEInitImageModel();  // the writer converts through the colour-depth routines
  TIEBitmap rgb, grayImage;
  MakeRGB(rgb, 3, 2);
  grayImage.Assign(&rgb);
  grayImage.ConvertFormat(ie8g);
  grayImage.ConvertFormat(ie24RGB);
  TIOParamsVals p;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  p.PXMComments.Add("c");
  const Bytes gray = Write(grayImage, p);
  const std::string head = "P5 \n# c\n3 2 255\n";
  ASSERT_EQ(std::string(gray.begin(), gray.begin() + static_cast<long>(head.size())), head);
  EXPECT_EQ(gray.back(), Px(grayImage, 2, 1).r);
  const TRGB s = Px(rgb, 2, 1);
  // 8 bits of one sample with colours in the image (a palette source) stay
  // colour.
  const Bytes colour = Write(rgb, p);
  ASSERT_EQ(std::string(colour.begin(), colour.begin() + 3), "P6 ");
  EXPECT_EQ(Bytes(colour.end() - 3, colour.end()), (Bytes{s.r, s.g, s.b}));

  const struct {
    const char* Name;
    int32_t Bits, Samples;
    TIEPixelFormat Format;
    const char* Head;
    size_t RasterBytes;
  } cases[] = {
      {"P4 from 24-bit", 1, 1, ie24RGB, "P4 3 2\n", 2},  {"P4 from ie1g", 8, 3, ie1g, "P4 3 2\n", 2},
      {"P6 wide", 16, 3, ie24RGB, "P6 3 2 65535\n", 36}, {"P6 deep", 8, 3, ieRGB48, "P6 3 2 65535\n", 36},
      {"P6 from ie8g", 8, 3, ie8g, "P6 3 2 255\n", 18},  {"otherwise P6", 5, 2, ie24RGB, "P6 3 2 255\n", 18},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TIEBitmap b;
    b.Assign(&rgb);
    if (c.Format != ie24RGB) b.ConvertFormat(c.Format);
    TIOParamsVals q;
    q.BitsPerSample = c.Bits;
    q.SamplesPerPixel = c.Samples;
    bool ok = false;
    const Bytes out = Write(b, q, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(out.size(), std::strlen(c.Head) + c.RasterBytes);
    EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<long>(std::strlen(c.Head))), c.Head);
    TIEBitmap back;
    TIOParamsVals r;
    ASSERT_TRUE(Read(out, back, r));
    if (std::string(c.Name) == "P6 wide") {
      EXPECT_EQ(Px(back, 2, 1), s);
    }
  }
}

TEST(Pxm, RoundTripsKeepPixels) {
  TIEBitmap rgb, back;
  MakeRGB(rgb, 7, 5);
  TIOParamsVals p, q;
  ASSERT_TRUE(Read(Write(rgb, p), back, q));
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 7; ++x) ASSERT_EQ(Px(back, x, y), Px(rgb, x, y));

  TIEBitmap bw, bwBack;
  bw.Allocate(11, 3, ie1g);
  for (int32_t x = 0; x < 11; x += 3) static_cast<uint8_t*>(bw.ScanLine(1))[x >> 3] |= uint8_t(0x80 >> (x & 7));
  ASSERT_TRUE(Read(Write(bw, p), bwBack, q));
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 11; ++x) ASSERT_EQ(Bit(bwBack, x, y), Bit(bw, x, y));
}

// ---- Conformance ---------------------------------------------------------------------------
void ReadForSuite(TStream* S, TIEBitmap* Bm, TIOParamsVals& P, TIECodecProgress& Pr, bool Preview) {
  IEDecodePXM(S, Bm, P, Pr, Preview);
}

TIECodecConformanceCase PxmCase(const char* Name, const std::string& Head, int32_t Bits, int32_t Samples,
                                size_t PixelBytes) {
  TIECodecConformanceCase c;
  c.Name = Name;
  c.Read = ReadForSuite;
  c.Valid = B(Head);
  for (size_t i = 0; i < 4 * 3 * PixelBytes; ++i) c.Valid.push_back(static_cast<uint8_t>(i * 7 + 1));
  c.Width = 4;
  c.Height = 3;
  c.BitsPerSample = Bits;
  c.SamplesPerPixel = Samples;
  c.CutOutcome = TIECutOutcome::AbortOrPartial;
  const size_t head = Head.size();
  c.RowReached = [head, PixelBytes](int32_t Row, size_t Cut) {
    return Cut > head + static_cast<size_t>(Row) * 4 * PixelBytes;
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Pxm, TIECodecConformance,
                         ::testing::Values(PxmCase("P6", "P6 4 3 255\n", 8, 3, 3),
                                           PxmCase("P5wide", "P5\n# c\n4 3 65535\n", 16, 1, 2)),
                         IECodecConformanceName);

// ---- Cross-checks ---------------------------------------------------------------------------
TEST(PxmXcheck, ToolFixturesLoadScaled) {
  IE_REQUIRE_TOOL("pamdepth", "netpbm");
  IE_REQUIRE_TOOL("pamtopnm", "netpbm");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  TIEBitmap src;
  MakeRGB(src, 9, 6);
  const std::string ppm = dir.File("src.ppm");
  ASSERT_TRUE(IEWriteBytesFile(ppm, FormatPnmOf(BitmapToPam(src))));
  const struct {
    const char* Name;
    std::vector<std::string> Argv;
    int32_t Tolerance;
  } cases[] = {
      {"plain", {"pamtopnm", "-plain", ppm}, 0},
      {"depth 15", {"pamdepth", "15", ppm}, 9},
      {"depth 4095", {"pamdepth", "4095", ppm}, 1},
      {"magick 16", {"convert", ppm, "-depth", "16", "PPM:-"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TIEToolRun run = IERunTool(c.Argv);
    ASSERT_EQ(run.ExitStatus, 0);
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(run.Output, b, p));
    ASSERT_EQ(b.PixelFormat(), ie24RGB);
    int32_t worst = 0;
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 9; ++x) {
        const TRGB a = Px(b, x, y), e = Px(src, x, y);
        worst = std::max({worst, std::abs(a.r - e.r), std::abs(a.g - e.g), std::abs(a.b - e.b)});
      }
    EXPECT_LE(worst, c.Tolerance);
  }
}

TEST(PxmXcheck, PamfileAcceptsOurOutput) {
  IEInitImageModel();  // the writer converts through the colour-depth routines
  IE_REQUIRE_TOOL("pamfile", "netpbm");
  TIETempDir dir;
  TIEBitmap src;
  MakeRGB(src, 5, 4);
  const struct {
    int32_t Bits, Samples;
    const char* Kind;
  } cases[] = {{1, 1, "PBM"}, {8, 1, "PPM"}, {8, 3, "PPM"}, {16, 3, "PPM"}};
  for (const auto& c : cases) {
    TIOParamsVals p;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    p.PXMComments.Add("made by a test");
    const std::string file = dir.File("out.pnm");
    ASSERT_TRUE(IEWriteBytesFile(file, Write(src, p)));
    const TIEToolRun run = IERunTool({"pamfile", file});
    ASSERT_EQ(run.ExitStatus, 0) << c.Kind;
    const std::string text(run.Output.begin(), run.Output.end());
    EXPECT_NE(text.find(c.Kind), std::string::npos) << text;
    EXPECT_NE(text.find("5 by 4"), std::string::npos) << text;
  }
}

}  // namespace
