#include "imaging/io/codecs/gif/iegif.h"

#include <gtest/gtest.h>

#include "imaging/io/codecs/gif/gif_testing.h"
#include "imaging/io/codecs/gif/lzw/giflzw_testing.h"
#include "imaging/io/core/testsupport/allocpeak.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "platform/rtl/exceptions.h"

using namespace giftest;

namespace {

const std::vector<TRgb3> kColors4 = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
const std::vector<TRgb3> kBlackWhite = {{0, 0, 0}, {255, 255, 255}};

Bytes Ramp(int32_t Width, int32_t Height, int32_t Modulo) {
  Bytes v(static_cast<size_t>(Width) * Height);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>((i * 7 + i / 5) % static_cast<size_t>(Modulo));
  return v;
}

TRGB Px(TIEBitmap& B, int32_t X, int32_t Y) { return static_cast<const TRGB*>(B.ScanLine(Y))[X]; }
TRGB Rgb(const TRgb3& C) { return TRGB{C.b, C.g, C.r}; }
bool Bit(TIEBitmap& B, int32_t X, int32_t Y) {
  return (static_cast<const uint8_t*>(B.ScanLine(Y))[X >> 3] >> (7 - (X & 7))) & 1;
}

// ---- Conformance ------------------------------------------------------------------

TIECodecConformanceCase ColourCase(bool Interlaced) {
  TIECodecConformanceCase c;
  c.Name = Interlaced ? "Gif4ColoursInterlaced" : "Gif4Colours";
  c.Read = ReadGifForSuite;
  const Bytes idx = Ramp(7, 5, 4);
  c.Valid = TGifBuilder(7, 5, kColors4).Control(0, 0, 0).Image(0, 0, 7, 5, idx, Interlaced).Done();
  c.Width = 7;
  c.Height = 5;
  c.BitsPerSample = 2;
  c.SamplesPerPixel = 1;
  c.CheckFull = [idx](TIEBitmap& B, TIOParamsVals&) {
    ASSERT_EQ(B.PixelFormat(), TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(Px(B, x, y), Rgb(kColors4[idx[static_cast<size_t>(y * 7 + x)]]));
  };
  return c;
}

TIECodecConformanceCase BlackWhiteCase() {
  TIECodecConformanceCase c;
  c.Name = "Gif1Bit";
  c.Read = ReadGifForSuite;
  const Bytes idx = Ramp(9, 3, 2);
  c.Valid = TGifBuilder(9, 3, kBlackWhite).Image(0, 0, 9, 3, idx, false, {}, 1).Done();
  c.Width = 9;
  c.Height = 3;
  c.BitsPerSample = 1;
  c.SamplesPerPixel = 1;
  c.CheckFull = [idx](TIEBitmap& B, TIOParamsVals&) {
    ASSERT_EQ(B.PixelFormat(), TIEPixelFormat::ie1g);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(Bit(B, x, y), idx[static_cast<size_t>(y * 9 + x)] != 0);
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(Gif, TIECodecConformance,
                         ::testing::Values(ColourCase(false), ColourCase(true), BlackWhiteCase()),
                         IECodecConformanceName);

// ---- Reader ---------------------------------------------------------------------------

// Three frames: 0 global table with a control extension and a comment, 1
// with a local table and a transparent index in use, 2 interlaced.
Bytes ThreeFrames() {
  const std::vector<TRgb3> local = {{10, 20, 30}, {40, 50, 60}};
  return TGifBuilder(8, 6, kColors4, "GIF89a", 2)
      .Control(0x04, 10, 3)
      .Comment({"first", std::string("\0z", 2), "two"})  // text up to a zero byte
      .Image(0, 0, 4, 3, Ramp(4, 3, 4))
      .Control(0x09, 20, 1)
      .Image(2, 1, 3, 2, {0, 1, 0, 1, 1, 0}, false, local)
      .Comment({"last"})
      .Image(1, 2, 2, 5, Ramp(2, 5, 4), true)
      .Done();
}

TEST(GifReader, FrameSelection) {
  const Bytes file = ThreeFrames();
  const struct {
    int32_t Index;
    int32_t Width, Height, XPos, YPos, Delay, Disposal;
    bool Interlaced;
    bool MaskExpected;
  } cases[] = {
      {0, 4, 3, 0, 0, 10, 1, false, false},
      {1, 3, 2, 2, 1, 20, 2, false, true},
      {2, 2, 5, 1, 2, 0, 0, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Index);
    TIEBitmap bitmap;
    TIOParamsVals params;
    params.GIFImageIndex = c.Index;
    const TReadResult r = ReadGif(file, bitmap, params);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(r.FrameCount, 3);
    EXPECT_EQ(params.GIFImageCount, 3);
    EXPECT_EQ(bitmap.Width(), c.Width);
    EXPECT_EQ(bitmap.Height(), c.Height);
    EXPECT_EQ(params.GIFXPos, c.XPos);
    EXPECT_EQ(params.GIFYPos, c.YPos);
    EXPECT_EQ(params.GIFDelayTime, c.Delay);
    EXPECT_EQ(params.GIFDisposal, c.Disposal);
    EXPECT_EQ(params.GIFInterlaced, c.Interlaced);
    EXPECT_FALSE(params.GIFTransparent);  // the mask carries it
    EXPECT_EQ(r.Mask != nullptr, c.MaskExpected);
    EXPECT_EQ(params.GIFScreenWidth, 8);
    EXPECT_EQ(params.GIFScreenHeight, 6);
    EXPECT_EQ(params.GIFBackground, Rgb(kColors4[2]));
    // Comments of every frame, empty sub-blocks left out.
    ASSERT_EQ(params.GIFComments.Count(), 3);
    EXPECT_EQ(params.GIFComments.Strings(2), "last");
  }

  // Frame 1: its local table and its mask.
  TIEBitmap bitmap;
  TIOParamsVals params;
  params.GIFImageIndex = 1;
  TReadResult r = ReadGif(file, bitmap, params);
  EXPECT_EQ(Px(bitmap, 0, 0), (TRGB{30, 20, 10}));
  EXPECT_EQ(params.GIFTransparentColor, (TRGB{60, 50, 40}));
  ASSERT_TRUE(r.Mask);
  EXPECT_EQ(r.Mask->GetPixel(0, 0), 255);
  EXPECT_EQ(r.Mask->GetPixel(1, 0), 0);
  EXPECT_EQ(r.Mask->GetPixel(0, 1), 0);

  // Past the last frame: no pixels, no flag, the counts set.
  TIEBitmap untouched;
  TIOParamsVals past;
  past.GIFImageIndex = 5;
  r = ReadGif(file, untouched, past);
  EXPECT_FALSE(r.Aborted);
  EXPECT_TRUE(untouched.IsEmpty());
  EXPECT_EQ(r.FrameCount, 3);
  EXPECT_EQ(past.GIFImageCount, 3);
}

TEST(GifReader, PaletteRulesAndPixelFormats) {
  const std::vector<TRgb3> whiteBlack = {{255, 255, 255}, {0, 0, 0}};
  const std::vector<TRgb3> nearBlack = {{0, 0, 1}, {255, 255, 255}};
  const struct {
    const char* Name;
    std::vector<TRgb3> Table;
    bool Native;
    TIEPixelFormat Format;
  } cases[] = {
      {"black white", kBlackWhite, false, TIEPixelFormat::ie1g},
      {"black white native", kBlackWhite, true, TIEPixelFormat::ie1g},
      {"white black", whiteBlack, false, TIEPixelFormat::ie24RGB},
      {"almost black", nearBlack, false, TIEPixelFormat::ie24RGB},
      {"white black native", whiteBlack, true, TIEPixelFormat::ie8p},
      {"four colours native", kColors4, true, TIEPixelFormat::ie8p},
  };
  const Bytes idx = Ramp(9, 2, 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TIEBitmap bitmap;
    TIOParamsVals params;
    params.NativePixelFormat = c.Native;
    ReadGif(TGifBuilder(9, 2, c.Table).Image(0, 0, 9, 2, idx).Done(), bitmap, params);
    ASSERT_EQ(bitmap.PixelFormat(), c.Format);
    EXPECT_EQ(params.PaletteCount(), static_cast<int32_t>(c.Table.size()));
    EXPECT_EQ(params.BitsPerSample, c.Table.size() == 2 ? 1 : 2);
    for (int32_t x = 0; x < 9; ++x) {
      const uint8_t i = idx[static_cast<size_t>(x)];
      if (c.Format == TIEPixelFormat::ie1g) {
        EXPECT_EQ(Bit(bitmap, x, 0), i == 1) << x;  // the ninth pixel too
      } else if (c.Format == TIEPixelFormat::ie8p) {
        EXPECT_EQ(bitmap.GetPixel8(x, 0), i);
      } else {
        EXPECT_EQ(Px(bitmap, x, 0), Rgb(c.Table[i]));
      }
    }
    if (c.Format == TIEPixelFormat::ie8p) {
      TRGB entry;
      bitmap.GetPaletteColor(1, entry);
      EXPECT_EQ(entry, Rgb(c.Table[1]));
      EXPECT_EQ(bitmap.QuantizeColors(), static_cast<int32_t>(c.Table.size()));
    }
  }

  // Indexes past a two-entry table take its last entry; without any table
  // every colour is black.
  TIEBitmap bitmap;
  TIOParamsVals params;
  ReadGif(TGifBuilder(3, 1, whiteBlack).Image(0, 0, 3, 1, {0, 1, 200}).Done(), bitmap, params);
  EXPECT_EQ(Px(bitmap, 2, 0), (TRGB{0, 0, 0}));
  EXPECT_EQ(Px(bitmap, 0, 0), (TRGB{255, 255, 255}));
  TIEBitmap untabled;
  TIOParamsVals p2;
  const TReadResult r = ReadGif(TGifBuilder(3, 1, {}).Image(0, 0, 3, 1, {0, 1, 7}).Done(), untabled, p2);
  EXPECT_FALSE(r.Aborted);
  for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(Px(untabled, x, 0), (TRGB{0, 0, 0}));
}

TEST(GifReader, MaskRules) {
  const Bytes idx = {0, 1, 2, 3, 0, 1};
  const struct {
    const char* Name;
    bool HasControl;
    uint8_t Flags;
    uint8_t TransIndex;
    bool NoMask;
    int32_t TransparentPixels;  // -1: no mask
  } cases[] = {
      {"no control extension", false, 0, 0, false, -1},
      {"transparent index used", true, 1, 1, false, 2},
      {"transparent index unused", true, 1, 3 + 4, false, -1},
      {"flag clear", true, 0, 1, false, -1},
      {"no mask asked", true, 1, 1, true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TGifBuilder b(3, 2, kColors4);
    if (c.HasControl) b.Control(c.Flags, 0, c.TransIndex);
    TIEBitmap bitmap;
    TIOParamsVals params;
    const TReadResult r = ReadGif(b.Image(0, 0, 3, 2, idx).Done(), bitmap, params, false, c.NoMask);
    EXPECT_FALSE(params.GIFTransparent);
    if (c.TransparentPixels < 0) {
      EXPECT_FALSE(r.Mask);
      continue;
    }
    ASSERT_TRUE(r.Mask);
    int32_t zeros = 0;
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3; ++x) zeros += r.Mask->GetPixel(x, y) == 0;
    EXPECT_EQ(zeros, c.TransparentPixels);
  }
}

TEST(GifReader, DamagedStreamsSetTheFlag) {
  const Bytes good = TGifBuilder(4, 2, kColors4).Image(0, 0, 4, 2, Ramp(4, 2, 4)).Done();
  Bytes badCode = good;
  badCode[13 + 12 + 10] = 12;  // code size past 9
  const struct {
    const char* Name;
    Bytes Data;
  } cases[] = {
      {"header and table only", Bytes(good.begin(), good.begin() + 13 + 12)},
      {"no frame at all", TGifBuilder(4, 2, kColors4).Comment({"x"}).Done()},
      {"bad code size", badCode},
      {"empty frame", TGifBuilder(4, 2, kColors4).Image(0, 0, 0, 0, {}).Done()},
      // A code size and the terminator: no LZW data at all.
      {"frame without image data", TGifBuilder(4, 2, kColors4).Raw({0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0, 2, 0}).Done()},
  };
  for (const auto& c : cases) {
    TIEBitmap bitmap;
    TIOParamsVals params;
    EXPECT_TRUE(ReadGif(c.Data, bitmap, params).Aborted) << c.Name;
  }
  // A decoder hook that fails.
  TIEBitmap bitmap;
  TIOParamsVals params;
  params.GIFLZWDecoder = [](TStream*, int32_t, int32_t, bool, uint8_t*) {};
  EXPECT_TRUE(ReadGif(good, bitmap, params).Aborted);
}

TEST(GifReader, AFrameTooLargeForTheBitmapIsRefusedBeforeItsIndexes) {
  // One 46340 x 46340 frame: its indexes would fit the limit, its 24-bit
  // bitmap would not. 200 KB of data could fill the indexes at LZW's ratio.
  TGifBuilder b(46340, 46340, kColors4);
  b.Raw({0x2C, 0, 0, 0, 0, 0x04, 0xB5, 0x04, 0xB5, 0, 8});
  for (int i = 0; i < 800; ++i) {
    b.Raw({255});
    b.Raw(Bytes(255, 0xFF));
  }
  b.Raw({0});
  TIEBitmap bitmap;
  TIOParamsVals params;
  TIEAllocPeak peak;
  EXPECT_TRUE(ReadGif(b.Done(), bitmap, params).Aborted);
  EXPECT_LT(peak.Largest(), size_t(16) << 20);
}

// ---- Writer ---------------------------------------------------------------------------

void Picture(TIEBitmap& B, int32_t W, int32_t H, int32_t Colours) {
  B.Allocate(W, H, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const int32_t k = (x + y * 3) % Colours;
      static_cast<TRGB*>(B.ScanLine(y))[x] =
          TRGB{static_cast<uint8_t>(k * 13), static_cast<uint8_t>(255 - k), static_cast<uint8_t>(k * 101)};
    }
}

TEST(GifWriter, HeaderAndTableByDepth) {
  const struct {
    int32_t Bits;
    uint8_t Packed;
    size_t TableEntries;
  } cases[] = {{1, 0x80, 2}, {4, 0xB3, 16}, {8, 0xF7, 256}, {0, 0x80, 2}, {12, 0xF7, 256}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bits);
    TIEBitmap bitmap;
    Picture(bitmap, 6, 4, 2);
    TIOParamsVals params;
    params.BitsPerSample = c.Bits;
    bool aborted = true;
    const Bytes out = WriteGif(bitmap, params, &aborted);
    ASSERT_FALSE(aborted);
    ASSERT_GT(out.size(), 13 + c.TableEntries * 3);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF89a");
    EXPECT_EQ(out[10], c.Packed);
    EXPECT_EQ(out[13 + c.TableEntries * 3], 0x2C);  // no control extension
    EXPECT_EQ(out.back(), 0x3B);
    // Read back: the same two colours.
    TIEBitmap back;
    TIOParamsVals p2;
    ASSERT_FALSE(ReadGif(out, back, p2).Aborted);
    ASSERT_EQ(back.PixelFormat(), TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(Px(back, x, y), Px(bitmap, x, y));
  }
}

TEST(GifWriter, AlphaReservesTheLastIndex) {
  TIEBitmap bitmap;
  Picture(bitmap, 40, 30, 1000);  // more colours than the table
  TIEBitmap* alpha = bitmap.AlphaChannel();
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) alpha->SetPixel8(x, y, x < 5 ? 0 : (x < 7 ? 254 : 255));
  TIOParamsVals params;
  params.BitsPerSample = 8;
  params.GIFDelayTime = 0x12345;
  const Bytes out = WriteGif(bitmap, params);
  EXPECT_TRUE(params.GIFTransparent);
  const size_t gce = 13 + 256 * 3;
  ASSERT_GT(out.size(), gce + 8);
  const Bytes expect = {0x21, 0xF9, 4, 9, 0x45, 0x23, 255, 0};
  EXPECT_EQ(Bytes(out.begin() + gce, out.begin() + gce + 8), expect);

  TIEBitmap back;
  TIOParamsVals p2;
  p2.NativePixelFormat = true;
  const TReadResult r = ReadGif(out, back, p2);
  ASSERT_TRUE(r.Mask);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      ASSERT_EQ(back.GetPixel8(x, y) == 255, x < 7) << x << "," << y;
      ASSERT_EQ(r.Mask->GetPixel(x, y) == 0, x < 7);
    }
}

TEST(GifWriter, VersionCommentsInterlaceAndColourIndexes) {
  // A version 87a file read and written again stays 87a.
  TIEBitmap bitmap;
  TIOParamsVals params;
  ReadGif(TGifBuilder(4, 3, kColors4, "GIF87a").Image(0, 0, 4, 3, Ramp(4, 3, 4)).Done(), bitmap, params);
  EXPECT_EQ(params.GIFVersion, "GIF87a");
  params.GIFComments.Clear();
  params.GIFComments.Add("short");
  params.GIFComments.Add("");
  params.GIFComments.Add(std::string(300, 'x'));
  params.GIFInterlaced = true;
  params.GIFTransparent = true;
  params.GIFTransparentColor = TRGB{1, 2, 3};  // not in the image: its nearest entry
  params.GIFBackground = TRGB{250, 1, 1};      // near blue
  const Bytes out = WriteGif(bitmap, params);
  ASSERT_GT(out.size(), 30u);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF87a");
  const size_t gce = 13 + 4 * 3;
  EXPECT_EQ(out[11], 2);       // blue's index
  EXPECT_LT(out[gce + 6], 4);  // within the written table
  EXPECT_EQ(out[gce + 8 + 9], 0x40);

  TIEBitmap back;
  TIOParamsVals p2;
  ReadGif(out, back, p2);
  EXPECT_TRUE(p2.GIFInterlaced);
  ASSERT_EQ(p2.GIFComments.Count(), 3);
  EXPECT_EQ(p2.GIFComments.Strings(0), "short");
  EXPECT_EQ(p2.GIFComments.Strings(1), std::string(255, 'x'));
  EXPECT_EQ(p2.GIFComments.Strings(2), std::string(45, 'x'));
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(Px(back, x, y), Px(bitmap, x, y));
}

TEST(GifWriter, OtherFormatsAndTwoColours) {
  // Gray 8 and 16 bits go through a 24-bit copy; the source is not changed.
  for (const TIEPixelFormat f : {TIEPixelFormat::ie8g, TIEPixelFormat::ie16g}) {
    TIEBitmap gray;
    gray.Allocate(5, 2, f);
    gray.Fill(0);
    TIOParamsVals params;
    params.BitsPerSample = 8;
    bool aborted = true;
    const Bytes out = WriteGif(gray, params, &aborted);
    EXPECT_FALSE(aborted);
    EXPECT_EQ(gray.PixelFormat(), f);
    TIEBitmap back;
    TIOParamsVals p2;
    EXPECT_FALSE(ReadGif(out, back, p2).Aborted);
    EXPECT_EQ(back.Width(), 5);
  }
  // A 1-bit source at 8 bits goes through a 24-bit copy.
  TIEBitmap bw;
  bw.Allocate(9, 1, TIEPixelFormat::ie1g);
  static_cast<uint8_t*>(bw.ScanLine(0))[0] = 0x80;
  TIOParamsVals params;
  params.BitsPerSample = 8;
  const Bytes out = WriteGif(bw, params);
  ASSERT_GT(out.size(), 19u);
  TIEBitmap bwBack;
  TIOParamsVals bwParams;
  ASSERT_FALSE(ReadGif(out, bwBack, bwParams).Aborted);
  EXPECT_EQ(Px(bwBack, 0, 0), (TRGB{255, 255, 255}));
  for (int32_t x = 1; x < 9; ++x) EXPECT_EQ(Px(bwBack, x, 0), (TRGB{0, 0, 0}));
  // Two colours at 1 bit keep their colours (darker first).
  TIEBitmap two;
  Picture(two, 5, 3, 2);
  TIOParamsVals p1;
  p1.BitsPerSample = 1;
  TIEBitmap back;
  TIOParamsVals p2;
  ReadGif(WriteGif(two, p1), back, p2);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(Px(back, x, y), Px(two, x, y));
}

TEST(GifWriter, FileIsReplacedOnlyWhenComplete) {
  TIETempDir dir;
  const std::string path = dir.File("out.gif");
  ASSERT_TRUE(IEWriteBytesFile(path, {1, 2, 3}));
  TIEBitmap bitmap;
  Picture(bitmap, 3, 3, 3);
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  TIOParamsVals params;
  params.GIFLZWEncoder = nullptr;
  const auto saved = IEGIFLZWEncoderHook;
  IEGIFLZWEncoderHook = nullptr;
  IEEncodeGIFFile(path, &bitmap, params, progress);
  IEGIFLZWEncoderHook = saved;
  EXPECT_TRUE(abort.load());
  Bytes kept;
  ASSERT_TRUE(IEReadBytesFile(path, kept));
  EXPECT_EQ(kept, (Bytes{1, 2, 3}));

  abort = false;
  IEInitImageIO();
  IEEncodeGIFFile(path, &bitmap, params, progress);
  EXPECT_FALSE(abort.load());
  ASSERT_TRUE(IEReadBytesFile(path, kept));
  EXPECT_EQ(std::string(kept.begin(), kept.begin() + 3), "GIF");
}

// ---- Frame scan -------------------------------------------------------------------

TEST(GifScan, CountsAndDropsFrames) {
  TIETempDir dir;
  const std::string path = dir.File("a.gif");
  Bytes file = ThreeFrames();
  file[4] = '7';  // 87a: the copy is 89a
  ASSERT_TRUE(IEWriteBytesFile(path, file));
  EXPECT_EQ(IEScanGIFFrames(path, -1, false), 3);
  EXPECT_EQ(IEScanGIFFrames(path, 1, false), 2);
  Bytes unchanged;
  ASSERT_TRUE(IEReadBytesFile(path, unchanged));
  EXPECT_EQ(unchanged, file);

  EXPECT_EQ(IEScanGIFFrames(path, 1, true), 2);
  Bytes rewritten;
  ASSERT_TRUE(IEReadBytesFile(path, rewritten));
  EXPECT_EQ(std::string(rewritten.begin(), rewritten.begin() + 6), "GIF89a");
  TIEBitmap bitmap;
  TIOParamsVals params;
  params.GIFImageIndex = 1;  // was frame 2
  TReadResult r = ReadGif(rewritten, bitmap, params);
  EXPECT_EQ(r.FrameCount, 2);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(params.GIFDelayTime, 0);  // the dropped frame's control extension went with it
  EXPECT_EQ(params.GIFComments.Count(), 3);

  // Cut inside frame 2's data: the scan ends there.
  ASSERT_TRUE(IEWriteBytesFile(path, Bytes(file.begin(), file.end() - 4)));
  EXPECT_EQ(IEScanGIFFrames(path, -1, false), 2);
  ASSERT_TRUE(IEWriteBytesFile(path, {'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(IEScanGIFFrames(path, -1, false), 0);
  EXPECT_THROW(IEScanGIFFrames(dir.File("missing.gif"), -1, false), Exception);
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

// Our decode of File against giftopnm's.
void ExpectSameAsGiftopnm(const std::string& File, TIOParamsVals& Params) {
  const TIEToolRun ref = IERunTool({"giftopnm", File});
  ASSERT_EQ(ref.ExitStatus, 0);
  TPamImage expect;
  ASSERT_TRUE(ParsePam(ref.Output, expect));
  Bytes data;
  ASSERT_TRUE(IEReadBytesFile(File, data));
  TIEBitmap bitmap;
  ASSERT_FALSE(ReadGif(data, bitmap, Params).Aborted);
  bitmap.ConvertFormat(TIEPixelFormat::ie24RGB);
  if (expect.TupleType != "RGB") {
    TIEBitmap tmp;
    PamToBitmap(expect, tmp);
    tmp.ConvertFormat(TIEPixelFormat::ie24RGB);
    expect = BitmapToPam(tmp);
  }
  EXPECT_EQ(PamMaxDifference(bitmap, expect), 0);
}

TEST(GifXcheck, DecodesEqualGiftopnm) {
  IE_REQUIRE_TOOL("pamtogif", "netpbm");
  IE_REQUIRE_TOOL("giftopnm", "netpbm");
  IE_REQUIRE_TOOL("gifsicle", "gifsicle");
  TIETempDir dir;
  ASSERT_TRUE(WritePamFile(dir.File("src.pam"), Sample(61, 37, 200)));
  ASSERT_TRUE(WritePamFile(dir.File("few.pam"), Sample(33, 9, 3)));
  for (const auto& args : std::vector<std::vector<std::string>>{{"pamtogif", dir.File("src.pam")},
                                                                {"pamtogif", "-nolzw", dir.File("src.pam")},
                                                                {"pamtogif", "-interlace", dir.File("few.pam")}}) {
    const TIEToolRun run = IERunTool(args);
    ASSERT_EQ(run.ExitStatus, 0);
    ASSERT_TRUE(IEWriteBytesFile(dir.File("t.gif"), run.Output));
    SCOPED_TRACE(args[1]);
    TIOParamsVals params;
    ExpectSameAsGiftopnm(dir.File("t.gif"), params);
  }

  const TIEToolRun plain = IERunTool({"pamtogif", dir.File("src.pam")});
  ASSERT_TRUE(IEWriteBytesFile(dir.File("p.gif"), plain.Output));
  const TIEToolRun sic = IERunTool({"gifsicle", "--disposal", "background", "--delay", "10", "--comment", "TXT", "-i",
                                    "--transparent", "0", dir.File("p.gif")});
  ASSERT_EQ(sic.ExitStatus, 0);
  ASSERT_TRUE(IEWriteBytesFile(dir.File("s.gif"), sic.Output));
  TIOParamsVals params;
  ExpectSameAsGiftopnm(dir.File("s.gif"), params);
  EXPECT_EQ(params.GIFDelayTime, 10);
  EXPECT_EQ(params.GIFDisposal, 2);
  EXPECT_TRUE(params.GIFInterlaced);
  ASSERT_EQ(params.GIFComments.Count(), 1);
  EXPECT_EQ(params.GIFComments.Strings(0), "TXT");
  // The transparent index becomes a mask.
  Bytes data;
  ASSERT_TRUE(IEReadBytesFile(dir.File("s.gif"), data));
  TIEBitmap bitmap;
  TIOParamsVals p2;
  EXPECT_TRUE(ReadGif(data, bitmap, p2).Mask);
}

// A frame that goes on with 12-bit codes once the table is full, without a
// clear code (a deferred clear): literals only, so every code adds an entry
// until the table is full.
TEST(GifXcheck, DeferredClearDecodesAsGiftopnm) {
  IE_REQUIRE_TOOL("giftopnm", "netpbm");
  TIETempDir dir;
  const int32_t w = 64, h = 72;
  giflzwtest::TCodeWriter codes(2);
  codes.Clear();
  for (int32_t i = 0; i < w * h; ++i) codes.Data((i / 7 + i / 300) % 4);
  codes.End();
  ASSERT_EQ(codes.Next(), 4096);
  TGifBuilder gif(w, h, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
  gif.Raw({0x2C, 0, 0, 0, 0, uint8_t(w), 0, uint8_t(h), 0, 0}).Raw(codes.Bytes());
  ASSERT_TRUE(IEWriteBytesFile(dir.File("d.gif"), gif.Done()));
  TIOParamsVals params;
  ExpectSameAsGiftopnm(dir.File("d.gif"), params);
}

TEST(GifXcheck, ToolsReadOurOutput) {
  IE_REQUIRE_TOOL("giftopnm", "netpbm");
  IE_REQUIRE_TOOL("gifsicle", "gifsicle");
  TIETempDir dir;
  const TPamImage src = Sample(45, 23, 12);
  for (const int32_t bits : {1, 4, 8}) {
    for (const bool interlaced : {false, true}) {
      SCOPED_TRACE(std::to_string(bits) + (interlaced ? " interlaced" : ""));
      TIEBitmap bitmap;
      if (bits == 1) {
        TPamImage bw = MakePam("BLACKANDWHITE", 45, 23, 1);
        for (int32_t y = 0; y < 23; ++y)
          for (int32_t x = 0; x < 45; ++x) bw.At(x, y) = static_cast<uint16_t>((x * y + x) % 3 == 0);
        PamToBitmap(bw, bitmap);
      } else {
        PamToBitmap(src, bitmap);
      }
      TIOParamsVals params;
      params.BitsPerSample = bits;
      params.GIFInterlaced = interlaced;
      params.GIFComments.Add("made here");
      params.GIFComments.Add(std::string(600, 'c'));
      const Bytes out = WriteGif(bitmap, params);
      ASSERT_TRUE(IEWriteBytesFile(dir.File("o.gif"), out));

      const TIEToolRun pnm = IERunTool({"giftopnm", dir.File("o.gif")});
      ASSERT_EQ(pnm.ExitStatus, 0);
      TPamImage back;
      ASSERT_TRUE(ParsePam(pnm.Output, back));
      TIEBitmap backBitmap;
      PamToBitmap(back, backBitmap);
      backBitmap.ConvertFormat(TIEPixelFormat::ie24RGB);
      TIEBitmap expect;
      expect.Assign(&bitmap);
      expect.ConvertFormat(TIEPixelFormat::ie24RGB);
      EXPECT_EQ(PamMaxDifference(backBitmap, BitmapToPam(expect)), 0);

      const TIEToolRun info = IERunTool({"gifsicle", "--info", dir.File("o.gif")});
      ASSERT_EQ(info.ExitStatus, 0);
      const std::string text(info.Output.begin(), info.Output.end());
      EXPECT_NE(text.find("logical screen 45x23"), std::string::npos) << text;
      EXPECT_NE(text.find("made here"), std::string::npos) << text;
      EXPECT_EQ(text.find("interlaced") != std::string::npos, interlaced) << text;
    }
  }

  // Alpha: the control extension's flags and index.
  TIEBitmap bitmap;
  PamToBitmap(src, bitmap);
  bitmap.AlphaChannel()->SetPixel8(0, 0, 0);
  TIOParamsVals params;
  params.BitsPerSample = 4;
  ASSERT_TRUE(IEWriteBytesFile(dir.File("a.gif"), WriteGif(bitmap, params)));
  const TIEToolRun info = IERunTool({"gifsicle", "--info", dir.File("a.gif")});
  const std::string text(info.Output.begin(), info.Output.end());
  EXPECT_NE(text.find("transparent 15"), std::string::npos) << text;
  EXPECT_NE(text.find("disposal background"), std::string::npos) << text;
}

}  // namespace
