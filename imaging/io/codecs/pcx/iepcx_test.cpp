#include "imaging/io/codecs/pcx/iepcx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iemodelinit.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

TRGB Px(TIEBitmap& B, int32_t X, int32_t Y) { return static_cast<const TRGB*>(B.ScanLine(Y))[X]; }

// A PCX header; the caller appends the data.
Bytes Header(int32_t Bits, int32_t Planes, int32_t Width, int32_t Height, int32_t LineLength, bool Encoded = true,
             int32_t DpiX = 72, int32_t DpiY = 72) {
  Bytes h(128, 0);
  h[0] = 10;
  h[1] = 5;
  h[2] = Encoded ? 1 : 0;
  h[3] = static_cast<uint8_t>(Bits);
  h[8] = static_cast<uint8_t>(Width - 1);
  h[9] = static_cast<uint8_t>((Width - 1) >> 8);
  h[10] = static_cast<uint8_t>(Height - 1);
  h[11] = static_cast<uint8_t>((Height - 1) >> 8);
  h[12] = static_cast<uint8_t>(DpiX);
  h[14] = static_cast<uint8_t>(DpiY);
  for (int32_t i = 0; i < 16; ++i) {  // entry i: (i*16, 255-i*16, i)
    h[16 + i * 3] = static_cast<uint8_t>(i * 16);
    h[17 + i * 3] = static_cast<uint8_t>(255 - i * 16);
    h[18 + i * 3] = static_cast<uint8_t>(i);
  }
  h[65] = static_cast<uint8_t>(Planes);
  h[66] = static_cast<uint8_t>(LineLength);
  h[68] = 1;
  return h;
}
TRGB HeaderColour(int32_t I) {
  return TRGB{static_cast<uint8_t>(I), static_cast<uint8_t>(255 - I * 16), static_cast<uint8_t>(I * 16)};
}

struct TRun {
  bool Aborted = false;
};

TRun ReadPcx(const Bytes& Data, TIEBitmap& Bitmap, TIOParamsVals& Params, int64_t DataSize = -1, bool Preview = false) {
  TCustomMemoryStream s;
  s.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEDecodePCX(&s, &Bitmap, Params, DataSize < 0 ? static_cast<int64_t>(Data.size()) : DataSize, progress, Preview);
  return TRun{abort.load()};
}

Bytes WritePcx(TIEBitmap& Bitmap, TIOParamsVals& Params, bool* Aborted = nullptr) {
  TMemoryStream s;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodePCX(&s, &Bitmap, Params, progress);
  if (Aborted) *Aborted = abort.load();
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

void ReadPcxForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                     bool Preview) {
  IEDecodePCX(Stream, Bitmap, Params, Stream->Size() - Stream->Position(), Progress, Preview);
}

void Picture(TIEBitmap& B, int32_t W, int32_t H, int32_t Colours) {
  B.Allocate(W, H, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const int32_t k = (x + y * 3) % Colours;
      static_cast<TRGB*>(B.ScanLine(y))[x] =
          TRGB{static_cast<uint8_t>(k * 13), static_cast<uint8_t>(255 - k), static_cast<uint8_t>(k * 101 % 256)};
    }
}

// ---- Conformance ------------------------------------------------------------------

TIECodecConformanceCase PcxCase(const char* Name, int32_t Depth, int32_t Width, int32_t Height, int32_t Bits,
                                int32_t Samples) {
  TIECodecConformanceCase c;
  c.Name = Name;
  c.Read = ReadPcxForSuite;
  TIEBitmap source;
  Picture(source, Width, Height, Depth == 1 ? 2 : 11);
  TIOParamsVals params;
  params.BitsPerSample = Depth == 24 ? 8 : Depth;
  params.SamplesPerPixel = Depth == 24 ? 3 : 1;
  c.Valid = WritePcx(source, params);
  c.Width = Width;
  c.Height = Height;
  c.BitsPerSample = Bits;
  c.SamplesPerPixel = Samples;
  c.CutOutcome = TIECutOutcome::AbortOrPartial;
  return c;
}

TIECodecConformanceCase Pcx24() {
  TIECodecConformanceCase c = PcxCase("Pcx24", 24, 7, 4, 8, 3);
  TIEBitmap source;
  Picture(source, 7, 4, 11);
  // Rows are coded on their own: a cut reaches row y only with its bytes.
  std::vector<TRGB> pixels;
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 7; ++x) pixels.push_back(Px(source, x, y));
  c.CheckFull = [pixels](TIEBitmap& B, TIOParamsVals& P) {
    EXPECT_TRUE(P.Palette.empty());
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(Px(B, x, y), pixels[static_cast<size_t>(y * 7 + x)]);
  };
  return c;
}

void ReadDcxForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                     bool Preview) {
  IEDecodeDCX(Stream, Bitmap, Params, Progress, Preview);
}

Bytes MakeDcx(const std::vector<Bytes>& Pages) {
  Bytes out(4 + 4 * (Pages.size() + 1), 0);
  const uint32_t sig = IEDCXSignature;
  std::memcpy(out.data(), &sig, 4);
  for (size_t i = 0; i < Pages.size(); ++i) {
    const auto at = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + 4 + i * 4, &at, 4);
    out.insert(out.end(), Pages[i].begin(), Pages[i].end());
  }
  return out;
}

TIECodecConformanceCase DcxCase() {
  TIECodecConformanceCase page = PcxCase("Dcx", 8, 5, 3, 8, 1);
  TIECodecConformanceCase c = page;
  c.Read = ReadDcxForSuite;
  c.Valid = MakeDcx({page.Valid});
  return c;
}

INSTANTIATE_TEST_SUITE_P(Pcx, TIECodecConformance,
                         ::testing::Values(Pcx24(), PcxCase("Pcx8", 8, 6, 3, 8, 1), PcxCase("Pcx4", 4, 5, 3, 4, 1),
                                           PcxCase("Pcx1", 1, 11, 3, 1, 1), DcxCase()),
                         IECodecConformanceName);

// ---- Reader ---------------------------------------------------------------------------

TEST(PcxReader, ResolutionDefaults) {
  const struct {
    int32_t X, Y, ExpectX, ExpectY;
  } cases[] = {{0, 72, IEDefaultDpiX, IEDefaultDpiY}, {150, 0, IEDefaultDpiX, IEDefaultDpiY}, {150, 200, 150, 200}};
  for (const auto& c : cases) {
    Bytes file = Header(8, 3, 1, 1, 2, true, c.X, c.Y);
    file.insert(file.end(), {1, 0, 2, 0, 3, 0});
    TIEBitmap bitmap;
    TIOParamsVals params;
    EXPECT_FALSE(ReadPcx(file, bitmap, params).Aborted);
    EXPECT_EQ(params.DpiX, c.ExpectX);
    EXPECT_EQ(params.DpiY, c.ExpectY);
  }
}

TEST(PcxReader, LayoutsRunsAndMaps) {
  // 8 bits, width 3, line length 4: one run of 6 crosses into the next
  // line; the map is found in the last 768 bytes without a 12 before it.
  Bytes eight = Header(8, 1, 3, 2, 4);
  eight.insert(eight.end(), {0xC6, 5, 7, 1});
  eight.push_back(0);  // not 12
  for (int32_t i = 0; i < 256; ++i) eight.insert(eight.end(), {static_cast<uint8_t>(i), 1, 2});
  {
    TIEBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadPcx(eight, bitmap, params).Aborted);
    EXPECT_EQ(params.PaletteCount(), 256);
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(Px(bitmap, x, 0), (TRGB{2, 1, 5}));
    EXPECT_EQ(Px(bitmap, 0, 1), (TRGB{2, 1, 5}));
    EXPECT_EQ(Px(bitmap, 1, 1), (TRGB{2, 1, 5}));
    EXPECT_EQ(Px(bitmap, 2, 1), (TRGB{2, 1, 7}));
  }
  // The same with a DataSize past the stream: the map is not read.
  {
    TIEBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadPcx(eight, bitmap, params, static_cast<int64_t>(eight.size()) + 5000).Aborted);
    EXPECT_EQ(Px(bitmap, 0, 0), (TRGB{0, 0, 0}));
  }
  // 4 bits, odd width 3: exactly three pixels from the header map.
  {
    Bytes file = Header(4, 1, 3, 1, 2, false);
    file.insert(file.end(), {0x12, 0x3F});
    TIEBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadPcx(file, bitmap, params).Aborted);
    EXPECT_EQ(params.PaletteCount(), 16);
    EXPECT_EQ(Px(bitmap, 0, 0), HeaderColour(1));
    EXPECT_EQ(Px(bitmap, 1, 0), HeaderColour(2));
    EXPECT_EQ(Px(bitmap, 2, 0), HeaderColour(3));
  }
  // 4 planes of 1 bit: index bits from planes 0..3.
  {
    Bytes file = Header(1, 4, 2, 1, 2, false);
    file.insert(file.end(), {0x80, 0, 0x40, 0, 0x80, 0, 0xC0, 0});
    TIEBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadPcx(file, bitmap, params).Aborted);
    EXPECT_EQ(params.BitsPerSample, 4);
    EXPECT_EQ(params.SamplesPerPixel, 1);
    EXPECT_EQ(Px(bitmap, 0, 0), HeaderColour(1 + 4 + 8));
    EXPECT_EQ(Px(bitmap, 1, 0), HeaderColour(2 + 8));
  }
  // 1 bit, a line length smaller than the width needs: the rest is 0.
  {
    Bytes file = Header(1, 1, 20, 2, 2, false);
    file.insert(file.end(), {0xFF, 0xFF, 0xAA, 0xAA});
    TIEBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadPcx(file, bitmap, params).Aborted);
    ASSERT_EQ(bitmap.PixelFormat(), TIEPixelFormat::ie1g);
    const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(1));
    EXPECT_EQ(row[0], 0xAA);
    EXPECT_EQ(row[2], 0);
  }
}

TEST(PcxReader, RefusedHeaders) {
  auto with = [](size_t At, uint8_t V) {
    Bytes f = Header(8, 3, 2, 2, 2);
    f.insert(f.end(), 12, 0);
    f[At] = V;
    return f;
  };
  Bytes inverted = Header(8, 3, 2, 2, 2);
  inverted[4] = 5;  // x minimum past x maximum
  inverted.insert(inverted.end(), 12, 0);
  // 20000 x 20000 from 40 bytes of runs: no run length could fill it.
  Bytes unfillable = Header(8, 3, 20000, 20000, 20000);
  for (int i = 0; i < 20; ++i) unfillable.insert(unfillable.end(), {0xFF, 0x80});
  const struct {
    const char* Name;
    Bytes Data;
  } cases[] = {
      {"empty", {}},
      {"manufacturer", with(0, 11)},
      {"encoding", with(2, 2)},
      {"depth", with(3, 16)},
      {"2 bits 1 plane", with(3, 2)},
      {"2 planes", with(65, 2)},
      {"inverted bounds", inverted},
      {"more pixels than the data holds", unfillable},
  };
  for (const auto& c : cases) {
    TIEBitmap bitmap;
    TIOParamsVals params;
    EXPECT_TRUE(ReadPcx(c.Data, bitmap, params).Aborted) << c.Name;
    EXPECT_TRUE(bitmap.IsEmpty()) << c.Name;
  }
}

// Data that ends before the last line is a failed load, the rows it held
// kept.
TEST(PcxReader, TruncatedDataSetsTheFlag) {
  Bytes file = Header(8, 3, 2, 2, 2);
  for (uint8_t v = 1; v <= 8; ++v) file.push_back(v);
  TIEBitmap bitmap;
  TIOParamsVals params;
  EXPECT_TRUE(ReadPcx(file, bitmap, params).Aborted);
  ASSERT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(*bitmap.PixelRGB(0, 0), (TRGB{5, 3, 1}));
  file.insert(file.end(), {9, 10, 11, 12});
  EXPECT_FALSE(ReadPcx(file, bitmap, params).Aborted);
}

// ---- Writer ---------------------------------------------------------------------------

TEST(PcxWriter, LineLayout) {
  TIEBitmap bitmap;
  Picture(bitmap, 5, 2, 1);  // one colour: runs of 5 per line
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  const Bytes out = WritePcx(bitmap, params);
  EXPECT_EQ(out[65], 3);
  EXPECT_EQ(out[66], 6);
  EXPECT_EQ(out[68], 0);
  const TRGB c = Px(bitmap, 0, 0);
  // Per row: red, green, blue lines, each a run of 5 and the literal 0.
  Bytes expect;
  for (int32_t y = 0; y < 2; ++y)
    for (const uint8_t v : {c.r, c.g, c.b}) {
      expect.push_back(0xC5);
      expect.push_back(v);
      expect.push_back(0);
    }
  EXPECT_EQ(Bytes(out.begin() + 128, out.end()), expect);

  // Uncompressed, odd lines are padded with 0 to the even length.
  params.PCXCompression = false;
  const Bytes raw = WritePcx(bitmap, params);
  EXPECT_EQ(raw.size(), 128u + 2 * 3 * 6);
  EXPECT_EQ(raw[2], 0);
  EXPECT_EQ(raw[128 + 5], 0);
}

TEST(PcxWriter, DepthsRoundTrip) {
  IEInitImageModel();  // the paletted cases quantize
  const struct {
    int32_t Bits, Samples;
    int32_t WrittenBits, Planes;
  } cases[] = {
      {1, 1, 1, 1}, {4, 1, 4, 1}, {8, 1, 8, 1}, {8, 3, 8, 3}, {16, 1, 8, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bits * c.Samples);
    TIEBitmap bitmap;
    Picture(bitmap, 9, 4, c.Bits == 1 ? 2 : 13);
    // A 1-bit PCX reads as black and white whatever its header map says.
    if (c.Bits == 1) {
      bitmap.ConvertFormat(TIEPixelFormat::ie1g);
      bitmap.ConvertFormat(TIEPixelFormat::ie24RGB);
    }
    TIOParamsVals params;
    params.BitsPerSample = c.Bits;
    params.SamplesPerPixel = c.Samples;
    params.DpiX = 150;
    params.DpiY = 75;
    bool aborted = true;
    const Bytes out = WritePcx(bitmap, params, &aborted);
    ASSERT_FALSE(aborted);
    EXPECT_EQ(out[3], c.WrittenBits);
    EXPECT_EQ(out[65], c.Planes);
    TIEBitmap back;
    TIOParamsVals p2;
    ASSERT_FALSE(ReadPcx(out, back, p2).Aborted);
    EXPECT_EQ(p2.DpiX, 150);
    EXPECT_EQ(p2.DpiY, 75);
    back.ConvertFormat(TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 9; ++x) ASSERT_EQ(Px(back, x, y), Px(bitmap, x, y)) << x << "," << y;
  }
  // Many colours at 4 bits: the header map holds the quantized colours.
  TIEBitmap many;
  Picture(many, 30, 20, 400);
  TIOParamsVals params;
  params.BitsPerSample = 4;
  params.SamplesPerPixel = 1;
  const Bytes out = WritePcx(many, params);
  TIEBitmap back;
  TIOParamsVals p2;
  ASSERT_FALSE(ReadPcx(out, back, p2).Aborted);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 30; ++x)
      EXPECT_NE(std::find(p2.Palette.begin(), p2.Palette.end(), Px(back, x, y)), p2.Palette.end());
}

TEST(PcxWriter, TransparencyIsFlattenedOnACopy) {
  TIEBitmap bitmap;
  Picture(bitmap, 4, 3, 1);
  bitmap.AlphaChannel()->SetPixel8(1, 0, 0);
  TIOParamsVals params;
  const Bytes out = WritePcx(bitmap, params);
  EXPECT_TRUE(bitmap.HasAlphaChannel());
  TIEBitmap back;
  TIOParamsVals p2;
  ReadPcx(out, back, p2);
  EXPECT_EQ(Px(back, 1, 0), (TRGB{255, 255, 255}));
  EXPECT_EQ(Px(back, 0, 0), Px(bitmap, 0, 0));
}

// ---- DCX ------------------------------------------------------------------------------

Bytes Page(int32_t Width) {
  TIEBitmap b;
  Picture(b, Width, 2, 3);
  TIOParamsVals p;
  return WritePcx(b, p);
}

TEST(Dcx, TestCountAndPageSelection) {
  const Bytes dcx = MakeDcx({Page(3), Page(4), Page(5)});
  TCustomMemoryStream s;
  s.SetPointer(dcx.data(), static_cast<int64_t>(dcx.size()));
  s.Seek(2, soBeginning);
  s.Seek(0, soBeginning);
  EXPECT_TRUE(IETestDCX(&s));
  EXPECT_EQ(IEDCXPageCount(&s), 3);
  EXPECT_EQ(s.Position(), 0);

  const struct { int32_t Index, Width, Applied; } cases[] = {{0, 3, 0}, {1, 4, 1}, {7, 5, 2}, {-3, 3, 0}};
  for (const auto& c : cases) {
    TIEBitmap bitmap;
    TIOParamsVals params;
    params.DCXImageIndex = c.Index;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    s.Seek(0, soBeginning);
    IEDecodeDCX(&s, &bitmap, params, progress, false);
    EXPECT_FALSE(abort.load());
    EXPECT_EQ(bitmap.Width(), c.Width);
    EXPECT_EQ(params.DCXImageIndex, c.Applied);
    EXPECT_EQ(params.GIFImageIndex, c.Applied);
    EXPECT_EQ(params.TIFFImageIndex, c.Applied);
  }

  // An offset past the end fails the test; no pages fail the read.
  Bytes bad = dcx;
  bad[8] = 0xFF;
  bad[9] = 0xFF;
  s.SetPointer(bad.data(), static_cast<int64_t>(bad.size()));
  s.Seek(0, soBeginning);
  EXPECT_FALSE(IETestDCX(&s));
  const Bytes none = MakeDcx({});
  s.SetPointer(none.data(), static_cast<int64_t>(none.size()));
  s.Seek(0, soBeginning);
  EXPECT_TRUE(IETestDCX(&s));
  TIEBitmap bitmap;
  TIOParamsVals params;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEDecodeDCX(&s, &bitmap, params, progress, false);
  EXPECT_TRUE(abort.load());
}

// The widths of the pages of a container, in order.
std::vector<int32_t> PageWidths(TMemoryStream& S) {
  std::vector<int32_t> widths;
  S.Seek(0, soBeginning);
  const int32_t n = IEDCXPageCount(&S);
  for (int32_t i = 0; i < n; ++i) {
    TIEBitmap bitmap;
    TIOParamsVals params;
    params.DCXImageIndex = i;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    S.Seek(0, soBeginning);
    IEDecodeDCX(&S, &bitmap, params, progress, false);
    widths.push_back(abort.load() ? -1 : bitmap.Width());
  }
  return widths;
}

TEST(Dcx, InsertPages) {
  const struct {
    int32_t Index;
    std::vector<int32_t> Widths;
  } cases[] = {{0, {9, 3, 4}}, {1, {3, 9, 4}}, {5, {3, 4, 9}}, {-1, {9, 3, 4}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Index);
    TMemoryStream s;
    const Bytes dcx = MakeDcx({Page(3), Page(4)});
    s.WriteBuffer(dcx.data(), static_cast<int64_t>(dcx.size()));
    TIEBitmap bitmap;
    Picture(bitmap, 9, 2, 5);
    TIOParamsVals params;
    params.DCXImageIndex = c.Index;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    IEEncodeDCX(&s, &bitmap, params, progress);
    ASSERT_FALSE(abort.load());
    EXPECT_EQ(PageWidths(s), c.Widths);
  }

  // An empty stream becomes a one-page container; a foreign one is untouched.
  TMemoryStream empty;
  TIEBitmap bitmap;
  Picture(bitmap, 6, 2, 5);
  TIOParamsVals params;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeDCX(&empty, &bitmap, params, progress);
  EXPECT_FALSE(abort.load());
  EXPECT_EQ(PageWidths(empty), std::vector<int32_t>{6});

  TMemoryStream foreign;
  const Bytes text = {'h', 'e', 'l', 'l', 'o', '!', '!', '!'};
  foreign.WriteBuffer(text.data(), 8);
  IEEncodeDCX(&foreign, &bitmap, params, progress);
  EXPECT_TRUE(abort.load());
  const auto* p = static_cast<const uint8_t*>(foreign.Memory());
  EXPECT_EQ(Bytes(p, p + foreign.Size()), text);
}

// ---- Cross-checks ---------------------------------------------------------------------

TPamImage Sample(int32_t W, int32_t H, int32_t Colours) {
  TPamImage img = MakePam("RGB", W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const int32_t k = (x * 5 + y * 3 + (x * y) % 7) % Colours;
      img.At(x, y, 0) = static_cast<uint16_t>(k * 37 % 256);
      img.At(x, y, 1) = static_cast<uint16_t>(k * 91 % 256);
      img.At(x, y, 2) = static_cast<uint16_t>(255 - k);
    }
  return img;
}

TPamImage ToolImage(const std::vector<std::string>& Argv) {
  const TIEToolRun run = IERunTool(Argv);
  EXPECT_EQ(run.ExitStatus, 0);
  TPamImage img;
  EXPECT_TRUE(ParsePam(run.Output, img));
  if (img.TupleType != "RGB") {
    TIEBitmap tmp;
    PamToBitmap(img, tmp);
    tmp.ConvertFormat(TIEPixelFormat::ie24RGB);
    img = BitmapToPam(tmp);
  }
  return img;
}

TEST(PcxXcheck, DecodesEqualPcxtoppm) {
  IE_REQUIRE_TOOL("ppmtopcx", "netpbm");
  IE_REQUIRE_TOOL("pcxtoppm", "netpbm");
  TIETempDir dir;
  ASSERT_TRUE(IEWriteBytesFile(dir.File("many.ppm"), FormatPnmOf(Sample(37, 11, 300))));
  ASSERT_TRUE(IEWriteBytesFile(dir.File("few.ppm"), FormatPnmOf(Sample(37, 11, 14))));
  for (const auto& args : std::vector<std::vector<std::string>>{{"ppmtopcx", "-24bit", dir.File("many.ppm")},
                                                                {"ppmtopcx", "-8bit", dir.File("few.ppm")},
                                                                {"ppmtopcx", "-planes", "4", dir.File("few.ppm")},
                                                                {"ppmtopcx", "-packed", dir.File("few.ppm")}}) {
    SCOPED_TRACE(args[1]);
    const TIEToolRun run = IERunTool(args);
    ASSERT_EQ(run.ExitStatus, 0);
    ASSERT_TRUE(IEWriteBytesFile(dir.File("t.pcx"), run.Output));
    TIEBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadPcx(run.Output, bitmap, params).Aborted);
    bitmap.ConvertFormat(TIEPixelFormat::ie24RGB);
    EXPECT_EQ(PamMaxDifference(bitmap, ToolImage({"pcxtoppm", dir.File("t.pcx")})), 0);
  }
}

TEST(PcxXcheck, PcxtoppmReadsOurOutput) {
  IE_REQUIRE_TOOL("pcxtoppm", "netpbm");
  TIETempDir dir;
  for (const int32_t depth : {1, 4, 8, 24}) {
    // pcxtoppm reads run-length coded files only.
    for (const bool compress : {true}) {
      SCOPED_TRACE(depth);
      TIEBitmap bitmap;
      Picture(bitmap, 13, 7, depth == 1 ? 2 : (depth == 4 ? 16 : 200));
      TIOParamsVals params;
      params.BitsPerSample = depth == 24 ? 8 : depth;
      params.SamplesPerPixel = depth == 24 ? 3 : 1;
      params.PCXCompression = compress;
      ASSERT_TRUE(IEWriteBytesFile(dir.File("o.pcx"), WritePcx(bitmap, params)));
      EXPECT_EQ(PamMaxDifference(bitmap, ToolImage({"pcxtoppm", dir.File("o.pcx")})), 0);
    }
  }
}

TEST(PcxXcheck, DcxPagesBothWays) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  TIETempDir dir;
  std::vector<TPamImage> pages = {Sample(5, 4, 3), Sample(7, 2, 9), Sample(3, 6, 4)};
  std::vector<std::string> argv = {"convert"};
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::string name = dir.File("p" + std::to_string(i) + ".ppm");
    ASSERT_TRUE(IEWriteBytesFile(name, FormatPnmOf(pages[i])));
    argv.push_back(name);
  }
  argv.push_back("DCX:" + dir.File("m.dcx"));
  ASSERT_EQ(IERunTool(argv).ExitStatus, 0);
  TMemoryStream s;
  Bytes data;
  ASSERT_TRUE(IEReadBytesFile(dir.File("m.dcx"), data));
  s.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  s.Seek(0, soBeginning);
  ASSERT_TRUE(IETestDCX(&s));
  ASSERT_EQ(IEDCXPageCount(&s), 3);
  for (int32_t i = 0; i < 3; ++i) {
    TIEBitmap bitmap;
    TIOParamsVals params;
    params.DCXImageIndex = i;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    s.Seek(0, soBeginning);
    IEDecodeDCX(&s, &bitmap, params, progress, false);
    ASSERT_FALSE(abort.load());
    bitmap.ConvertFormat(TIEPixelFormat::ie24RGB);
    EXPECT_EQ(PamMaxDifference(bitmap, pages[static_cast<size_t>(i)]), 0) << i;
  }

  // Ours, three pages inserted one after another: identify lists them.
  TMemoryStream ours;
  for (int32_t i = 0; i < 3; ++i) {
    TIEBitmap bitmap;
    PamToBitmap(pages[static_cast<size_t>(i)], bitmap);
    TIOParamsVals params;
    params.DCXImageIndex = i;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    IEEncodeDCX(&ours, &bitmap, params, progress);
    ASSERT_FALSE(abort.load());
  }
  const auto* p = static_cast<const uint8_t*>(ours.Memory());
  ASSERT_TRUE(IEWriteBytesFile(dir.File("ours.dcx"), Bytes(p, p + ours.Size())));
  const TIEToolRun id = IERunTool({"identify", dir.File("ours.dcx")});
  ASSERT_EQ(id.ExitStatus, 0);
  const std::string text(id.Output.begin(), id.Output.end());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
  EXPECT_NE(text.find("5x4"), std::string::npos) << text;
  EXPECT_NE(text.find("7x2"), std::string::npos) << text;
  EXPECT_NE(text.find("3x6"), std::string::npos) << text;
}

}  // namespace
