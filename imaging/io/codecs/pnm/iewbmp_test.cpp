#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "imaging/io/codecs/pnm/iepxm.h"
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

bool Bit(TIEBitmap& Bm, int32_t X, int32_t Y) {
  return (static_cast<const uint8_t*>(Bm.ScanLine(Y))[X >> 3] & (0x80 >> (X & 7))) != 0;
}

void MakeBilevel(TIEBitmap& Bm, int32_t W, int32_t H) {
  Bm.Allocate(W, H, ie1g);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      if ((x / 3 + y / 2) % 3 == 0) static_cast<uint8_t*>(Bm.ScanLine(y))[x >> 3] |= uint8_t(0x80 >> (x & 7));
}

bool Read(const Bytes& Data, TIEBitmap& Bitmap, TIOParamsVals& Params, bool Preview = false) {
  TCustomMemoryStream s;
  s.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEDecodeWBMP(&s, &Bitmap, Params, progress, Preview);
  return !abort.load();
}

Bytes Write(TIEBitmap& Bitmap) {
  TMemoryStream s;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeWBMP(&s, &Bitmap, progress);
  EXPECT_FALSE(abort.load());
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

TEST(Wbmp, SizesUseMultiByteIntegers) {
  const struct {
    int32_t W, H;
    Bytes Head;
  } cases[] = {
      {100, 50, {0, 0, 100, 50}},
      {127, 1, {0, 0, 127, 1}},
      {128, 2, {0, 0, 0x81, 0x00, 2}},
      {300, 200, {0, 0, 0x82, 0x2C, 0x81, 0x48}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.W);
    TIEBitmap src, back;
    MakeBilevel(src, c.W, c.H);
    const Bytes out = Write(src);
    ASSERT_EQ(out.size(), c.Head.size() + size_t((c.W + 7) / 8) * size_t(c.H));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(c.Head.size())), c.Head);
    TIOParamsVals p;
    ASSERT_TRUE(Read(out, back, p));
    EXPECT_EQ(p.Width, c.W);
    EXPECT_EQ(p.Height, c.H);
    for (int32_t y = 0; y < c.H; ++y)
      for (int32_t x = 0; x < c.W; ++x) ASSERT_EQ(Bit(back, x, y), Bit(src, x, y));
  }
}

TEST(Wbmp, ColourBitmapsAreConvertedInACopy) {
  IEInitImageModel();  // the writer converts through the colour-depth routines
  TIEBitmap rgb;
  rgb.Allocate(9, 2, ie24RGB);
  *rgb.PixelRGB(0, 0) = TRGB{255, 255, 255};
  const Bytes out = Write(rgb);
  EXPECT_EQ(rgb.PixelFormat(), ie24RGB);
  TIEBitmap back;
  TIOParamsVals p;
  ASSERT_TRUE(Read(out, back, p));
  EXPECT_TRUE(Bit(back, 0, 0));
  EXPECT_FALSE(Bit(back, 1, 0));
}

TEST(Wbmp, BadHeadersAndTruncationSetTheFlag) {
  const struct {
    const char* Name;
    Bytes Data;
  } cases[] = {
      {"empty", {}},
      {"type 1", {1, 0, 8, 1, 0}},
      {"fixed header", {0, 1, 8, 1, 0}},
      {"zero width", {0, 0, 0, 1}},
      {"endless size", {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1}},
      {"cut size", {0, 0, 0x81}},
      {"short raster", {0, 0, 8, 3, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    TIEBitmap b;
    TIOParamsVals p;
    EXPECT_FALSE(Read(c.Data, b, p)) << c.Name;
  }
}

void ReadForSuite(TStream* S, TIEBitmap* Bm, TIOParamsVals& P, TIECodecProgress& Pr, bool Preview) {
  IEDecodeWBMP(S, Bm, P, Pr, Preview);
}

TIECodecConformanceCase WbmpCase() {
  TIECodecConformanceCase c;
  c.Name = "Wbmp";
  c.Read = ReadForSuite;
  c.Valid = {0, 0, 0x81, 0x04, 3};  // 132 × 3
  for (int32_t i = 0; i < 17 * 3; ++i) c.Valid.push_back(static_cast<uint8_t>(i * 37 + 5));
  c.Width = 132;
  c.Height = 3;
  c.BitsPerSample = 1;
  c.SamplesPerPixel = 1;
  c.RowReached = [](int32_t Row, size_t Cut) { return Cut > 5 + static_cast<size_t>(Row) * 17; };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Wbmp, TIECodecConformance, ::testing::Values(WbmpCase()), IECodecConformanceName);

// ---- Metafile tests ---------------------------------------------------------------------
Bytes WmfHeader(uint16_t Type, uint16_t Words, uint16_t Params, bool Placeable) {
  Bytes h;
  if (Placeable) {
    h = {0xD7, 0xCD, 0xC6, 0x9A};
    h.resize(22, 0);
  }
  const Bytes m{static_cast<uint8_t>(Type),   0, static_cast<uint8_t>(Words), 0, 0, 3, 100, 0, 0, 0, 1, 0, 20, 0, 0, 0,
                static_cast<uint8_t>(Params), 0};
  h.insert(h.end(), m.begin(), m.end());
  h.resize(h.size() + 24, 0);
  return h;
}

TEST(Metafile, ContentTests) {
  Bytes emf(108, 0);
  emf[0] = 1;
  emf[40] = 0x20;
  emf[41] = 'E';
  emf[42] = 'M';
  emf[43] = 'F';
  Bytes notEmf = emf;
  notEmf[0] = 2;
  const struct {
    const char* Name;
    Bytes Data;
    bool Wmf, Emf;
  } cases[] = {
      {"placeable", WmfHeader(1, 9, 0, true), true, false},
      {"plain", WmfHeader(1, 9, 0, false), true, false},
      {"disk metafile", WmfHeader(2, 9, 0, true), false, false},
      {"header size", WmfHeader(1, 8, 0, false), false, false},
      {"parameters", WmfHeader(1, 9, 1, false), false, false},
      {"emf", emf, false, true},
      {"record type 2", notEmf, false, false},
      {"short", Bytes{1, 0, 9, 0}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TCustomMemoryStream s;
    s.SetPointer(c.Data.data(), static_cast<int64_t>(c.Data.size()));
    s.SetPosition(0);
    EXPECT_EQ(IETestWMF(&s), c.Wmf);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(IETestEMF(&s), c.Emf);
    EXPECT_EQ(s.Position(), 0);
  }
}

// ---- Cross-checks ---------------------------------------------------------------------------
TEST(WbmpXcheck, ToolsReadOursAndWeReadTheirs) {
  IE_REQUIRE_TOOL("pbmtowbmp", "netpbm");
  IE_REQUIRE_TOOL("wbmptopbm", "netpbm");
  TIETempDir dir;
  TIEBitmap src;
  MakeBilevel(src, 300, 200);
  const std::string pbm = dir.File("src.pbm");
  ASSERT_TRUE(IEWriteBytesFile(pbm, FormatPnmOf(BitmapToPam(src))));
  const TIEToolRun theirs = IERunTool({"pbmtowbmp", pbm});
  ASSERT_EQ(theirs.ExitStatus, 0);
  TIEBitmap b;
  TIOParamsVals p;
  ASSERT_TRUE(Read(theirs.Output, b, p));
  ASSERT_EQ(b.Width(), 300);
  ASSERT_EQ(b.Height(), 200);
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 300; ++x) ASSERT_EQ(Bit(b, x, y), Bit(src, x, y));

  const std::string ours = dir.File("ours.wbmp");
  ASSERT_TRUE(IEWriteBytesFile(ours, Write(src)));
  const TIEToolRun back = IERunTool({"wbmptopbm", ours});
  ASSERT_EQ(back.ExitStatus, 0);
  TPamImage img;
  ASSERT_TRUE(ParsePam(back.Output, img));
  EXPECT_EQ(PamMaxDifference(src, img), 0);
}

}  // namespace
