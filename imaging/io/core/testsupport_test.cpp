// The shared test support shown working: a reader registered at run time
// through the conformance suite, the reference PAM reader and writer, and a
// cross-check run of a netpbm tool.
#include <gtest/gtest.h>

#include <cstring>

#include "fuzz/fuzz_reader.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace {

// ---- A trivial format for the suite ---------------------------------------------
// "TRAW", width and height as 16-bit little-endian, then rows of B, G, R from
// the top. A cut header fails; a cut raster keeps what arrived (the rows
// after it stay zero) with the flag clear.
constexpr int32_t kTestRawCode = 90;
constexpr size_t kTestRawHeader = 8;

void ReadTestRaw(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  uint8_t head[kTestRawHeader];
  if (Stream->Read(head, sizeof head) != static_cast<int32_t>(sizeof head) || std::memcmp(head, "TRAW", 4) != 0) {
    IESetAborting(Progress);
    return;
  }
  const int32_t w = head[4] | (head[5] << 8), h = head[6] | (head[7] << 8);
  if (w == 0 || h == 0) {
    IESetAborting(Progress);
    return;
  }
  Params.Width = w;
  Params.Height = h;
  Params.BitsPerSample = 8;
  Params.SamplesPerPixel = 3;
  if (Preview) return;
  Bitmap->Allocate(w, h, TIEPixelFormat::ie24RGB);
  IEProgressStart(Progress, h);
  for (int32_t y = 0; y < h; ++y) {
    if (IEProgressRow(Progress, y)) return;
    if (Stream->Read(Bitmap->ScanLine(y), w * 3) < w * 3) break;
  }
}

std::vector<uint8_t> TestRawFile(int32_t W, int32_t H) {
  std::vector<uint8_t> f = {'T', 'R', 'A', 'W', uint8_t(W), uint8_t(W >> 8), uint8_t(H), uint8_t(H >> 8)};
  for (int32_t i = 0; i < W * H * 3; ++i) f.push_back(static_cast<uint8_t>(1 + i % 250));  // never 0
  return f;
}

TIECodecConformanceCase TestRawCase() {
  IEInitImageIO();
  TIEFormatRecord row;
  row.FileType = kTestRawCode;
  row.FullName = "Test Raw";
  row.Extensions = "TRAW";
  row.ReadProc = ReadTestRaw;
  if (IEFindFormatByType(kTestRawCode) == nullptr) IERegisterFormat(row);

  TIECodecConformanceCase c;
  c.Name = "TestRaw";
  c.Read = IEFindFormatByExtension(".traw")->ReadProc;
  c.Valid = TestRawFile(4, 3);
  c.Width = 4;
  c.Height = 3;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  c.CutOutcome = TIECutOutcome::AbortOrPartial;
  c.RowReached = [](int32_t Row, size_t Cut) { return Cut > kTestRawHeader + static_cast<size_t>(Row) * 12; };
  c.CheckCut = [](size_t Cut, TIEBitmap&, TIOParamsVals&, bool Aborted) {
    EXPECT_EQ(Aborted, Cut < kTestRawHeader);  // the documented outcome of this format
  };
  c.CheckFull = [](TIEBitmap& Bitmap, TIOParamsVals&) {
    EXPECT_EQ(static_cast<const uint8_t*>(Bitmap.ScanLine(2))[11], 36);
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(RegisteredAtRunTime, TIECodecConformance, ::testing::Values(TestRawCase()),
                         IECodecConformanceName);

// The suite catches readers that break the protocol.
TEST(ConformanceHarness, SeesThrowsUnclampedReportsAndIgnoredFlags) {
  TIEBitmap bitmap;
  TIOParamsVals params;
  const auto throwing = [](TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress&, bool) {
    throw std::runtime_error("bad data");
  };
  TIEReadResult r = IERunReader(throwing, {1, 2, 3}, bitmap, params, false);
  EXPECT_TRUE(r.Threw);
  EXPECT_EQ(r.Exception, "bad data");

  // Calls an unassigned handler: std::bad_function_call.
  const auto careless = [](TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress& P, bool) { P.Event(nullptr, 0); };
  r = IERunReader(careless, {}, bitmap, params, false, false);
  EXPECT_TRUE(r.Threw);

  // Ignores the flag the handler set: goes on reporting.
  const auto deaf = [](TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress& P, bool) {
    for (int i = 0; i < 3; ++i) P.Event(nullptr, i);
  };
  r = IERunReader(deaf, {}, bitmap, params, false, true, 1);
  EXPECT_TRUE(r.Aborted);
  EXPECT_EQ(r.Percents.size(), 3u);
}

// The body every reader's fuzz target shares runs the reader on whole, cut
// and foreign bytes without tripping its checks.
TEST(FuzzReaderBody, RunsAReaderOverAnyBytes) {
  const std::vector<uint8_t> valid = TestRawFile(3, 2);
  IEFuzzReadProc(ReadTestRaw, valid.data(), valid.size());
  IEFuzzReadProc(ReadTestRaw, valid.data(), 11);
  IEFuzzReadProc(ReadTestRaw, nullptr, 0);
  const std::vector<uint8_t> huge = {'T', 'R', 'A', 'W', 0xFF, 0xFF, 0xFF, 0xFF};
  IEFuzzReadProc(ReadTestRaw, huge.data(), huge.size(), 1000);  // beyond the bound: no full read
}

// ---- Reference PAM files ----------------------------------------------------------------

TEST(PamReference, RoundTripsEveryTupleTypeThroughBytesAndBitmaps) {
  const struct {
    const char* Type;
    int32_t MaxVal;
    TIEPixelFormat Format;
  } cases[] = {
      {"RGB", 255, TIEPixelFormat::ie24RGB},          {"RGB", 65535, TIEPixelFormat::ieRGB48},
      {"GRAYSCALE", 255, TIEPixelFormat::ie8g},       {"GRAYSCALE", 65535, TIEPixelFormat::ie16g},
      {"BLACKANDWHITE", 1, TIEPixelFormat::ie1g},     {"RGB_ALPHA", 255, TIEPixelFormat::ie24RGB},
      {"GRAYSCALE_ALPHA", 255, TIEPixelFormat::ie8g},
  };
  for (const auto& c : cases) {
    TPamImage img = MakePam(c.Type, 5, 3, c.MaxVal);
    for (size_t i = 0; i < img.Samples.size(); ++i)
      img.Samples[i] = static_cast<uint16_t>((i * 37 + 11) % (c.MaxVal + 1));
    TPamImage parsed;
    std::string error;
    ASSERT_TRUE(ParsePam(FormatPam(img), parsed, &error)) << c.Type << ": " << error;
    EXPECT_EQ(parsed, img) << c.Type;

    TIEBitmap bitmap;
    PamToBitmap(img, bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), c.Format) << c.Type;
    EXPECT_EQ(bitmap.HasAlphaChannel(), std::string(c.Type).find("_ALPHA") != std::string::npos);
    EXPECT_EQ(BitmapToPam(bitmap), img) << c.Type;
    EXPECT_EQ(PamMaxDifference(bitmap, img), 0) << c.Type;
  }
}

TEST(PamReference, ReadsBinaryNetpbmAndRefusesBrokenFiles) {
  TPamImage img = MakePam("RGB", 2, 1);
  img.Samples = {255, 0, 0, 0, 0, 255};
  TPamImage parsed;
  ASSERT_TRUE(ParsePam(FormatPnmOf(img), parsed));
  EXPECT_EQ(parsed, img);

  // P4 stores 1 for black; PAM BLACKANDWHITE has 1 for white.
  const std::vector<uint8_t> pbm = {'P', '4', '\n', '2', ' ', '1', '\n', 0x80};
  ASSERT_TRUE(ParsePam(pbm, parsed));
  EXPECT_EQ(parsed.TupleType, "BLACKANDWHITE");
  EXPECT_EQ(parsed.Samples, (std::vector<uint16_t>{0, 1}));

  const std::string bad[] = {
      "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\n",                  // no ENDHDR
      "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n12345",     // short raster
      "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n12",        // depth vs type
      "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 9\nTUPLTYPE GRAYSCALE\nENDHDR\n\x0A",  // above MAXVAL
      "P7\nWIDTH 0\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n",
      "GIF89a",
  };
  for (const std::string& b : bad) {
    std::string error;
    EXPECT_FALSE(ParsePam(std::vector<uint8_t>(b.begin(), b.end()), parsed, &error)) << b;
    EXPECT_FALSE(error.empty());
  }
}

// ---- Cross-check runner ---------------------------------------------------------------------

TEST(XcheckRunner, NetpbmReadsWhatTheReferenceWriterWrites) {
  IE_REQUIRE_TOOL("pamflip", "netpbm");
  TPamImage img = MakePam("RGB_ALPHA", 3, 2);
  for (size_t i = 0; i < img.Samples.size(); ++i) img.Samples[i] = static_cast<uint16_t>(i * 10);
  TIETempDir dir;
  ASSERT_TRUE(WritePamFile(dir.File("in.pam"), img));
  const TIEToolRun run = IERunTool({"pamflip", "-lr", dir.File("in.pam")});
  ASSERT_EQ(run.ExitStatus, 0);
  TPamImage flipped;
  std::string error;
  ASSERT_TRUE(ParsePam(run.Output, flipped, &error)) << error;
  ASSERT_EQ(flipped.Width, 3);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x)
      for (int32_t ch = 0; ch < 4; ++ch) EXPECT_EQ(flipped.At(x, y, ch), img.At(2 - x, y, ch));

  // Standard input from a file, and a tool that cannot run.
  const TIEToolRun viaStdin = IERunTool({"pamtopnm"}, dir.File("in.pam"));
  EXPECT_EQ(viaStdin.ExitStatus, 0);
  TPamImage ppm;
  ASSERT_TRUE(ParsePam(viaStdin.Output, ppm));
  EXPECT_EQ(ppm.TupleType, "RGB");
  EXPECT_EQ(IERunTool({"no-such-tool-for-this-test"}).ExitStatus, -1);
}

}  // namespace
