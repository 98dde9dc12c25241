#include "imaging/io/codecs/jpeg2000/iej2k.h"

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <atomic>
#include <cstring>
#include <functional>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

using enum TIEPixelFormat;

namespace {

using Bytes = std::vector<uint8_t>;

TRGB Px(TIEBitmap& B, int32_t X, int32_t Y) { return static_cast<const TRGB*>(B.ScanLine(Y))[X]; }
bool Bit(TIEBitmap& B, int32_t X, int32_t Y) {
  return (static_cast<const uint8_t*>(B.ScanLine(Y))[X >> 3] & (0x80 >> (X & 7))) != 0;
}

// ---- Reference files made with OpenJPEG directly -------------------------------
struct TMemSink {
  Bytes Data;
  size_t Pos = 0;
};
OPJ_SIZE_T SinkWrite(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* s = static_cast<TMemSink*>(User);
  if (s->Data.size() < s->Pos + Count) s->Data.resize(s->Pos + Count);
  std::memcpy(s->Data.data() + s->Pos, Buffer, Count);
  s->Pos += Count;
  return Count;
}
OPJ_OFF_T SinkSkip(OPJ_OFF_T Count, void* User) {
  static_cast<TMemSink*>(User)->Pos += static_cast<size_t>(Count);
  return Count;
}
OPJ_BOOL SinkSeek(OPJ_OFF_T Offset, void* User) {
  static_cast<TMemSink*>(User)->Pos = static_cast<size_t>(Offset);
  return OPJ_TRUE;
}

struct TComp {
  uint32_t Dx = 1, Dy = 1, Prec = 8;
  bool Signed = false;
  std::function<int32_t(int32_t X, int32_t Y)> Value;  // in component coordinates
};

Bytes OpjEncode(int32_t W, int32_t H, const std::vector<TComp>& Comps, OPJ_COLOR_SPACE Space, OPJ_CODEC_FORMAT Format) {
  std::vector<opj_image_cmptparm_t> cp(Comps.size());
  for (size_t i = 0; i < Comps.size(); ++i) {
    std::memset(&cp[i], 0, sizeof cp[i]);
    cp[i].dx = Comps[i].Dx;
    cp[i].dy = Comps[i].Dy;
    cp[i].w = (static_cast<uint32_t>(W) + Comps[i].Dx - 1) / Comps[i].Dx;
    cp[i].h = (static_cast<uint32_t>(H) + Comps[i].Dy - 1) / Comps[i].Dy;
    cp[i].prec = Comps[i].Prec;
    cp[i].sgnd = Comps[i].Signed ? 1 : 0;
  }
  opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(cp.size()), cp.data(), Space);
  image->x1 = static_cast<OPJ_UINT32>(W);
  image->y1 = static_cast<OPJ_UINT32>(H);
  for (size_t i = 0; i < Comps.size(); ++i)
    for (uint32_t y = 0; y < cp[i].h; ++y)
      for (uint32_t x = 0; x < cp[i].w; ++x)
        image->comps[i].data[y * cp[i].w + x] = Comps[i].Value(static_cast<int32_t>(x), static_cast<int32_t>(y));
  opj_cparameters_t ep;
  opj_set_default_encoder_parameters(&ep);
  ep.numresolution = 2;
  ep.tcp_numlayers = 1;
  ep.tcp_rates[0] = 0;
  ep.cp_disto_alloc = 1;
  opj_codec_t* codec = opj_create_compress(Format);
  TMemSink sink;
  opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
  opj_stream_set_user_data(stream, &sink, nullptr);
  opj_stream_set_write_function(stream, SinkWrite);
  opj_stream_set_skip_function(stream, SinkSkip);
  opj_stream_set_seek_function(stream, SinkSeek);
  const bool ok = opj_setup_encoder(codec, &ep, image) && opj_start_compress(codec, image, stream) &&
                  opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  EXPECT_TRUE(ok);
  return sink.Data;
}

// ---- Our codec ---------------------------------------------------------------------
bool Read(const Bytes& Data, TIEBitmap& Bitmap, TIOParamsVals& Params, bool ParamsOnly = false) {
  TCustomMemoryStream s;
  s.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEDecodeJ2000(&s, &Bitmap, Params, progress, ParamsOnly);
  return !abort.load();
}

Bytes Write(TIEBitmap& Bitmap, TIOParamsVals& Params, int32_t Format, bool* Ok = nullptr) {
  TMemoryStream s;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeJ2000(&s, &Bitmap, Params, progress, Format);
  if (Ok) *Ok = !abort.load();
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

void MakeRGB(TIEBitmap& B, int32_t W, int32_t H) {
  B.Allocate(W, H, ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      *B.PixelRGB(x, y) =
          TRGB{static_cast<uint8_t>(x * 37 + y), static_cast<uint8_t>(y * 53 + 7), static_cast<uint8_t>((x ^ y) * 29)};
}

void MakeBilevel(TIEBitmap& B, int32_t W, int32_t H) {
  B.Allocate(W, H, ie1g);
  for (int32_t y = 0; y < H; ++y) {
    auto* row = static_cast<uint8_t*>(B.ScanLine(y));
    for (int32_t x = 0; x < W; ++x)
      if ((x * 3 + y) % 5 < 2) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
}

// ---- Signatures and option text ----------------------------------------------------
TEST(J2k, TestsTellJP2FromCodeStreamAndRestorePosition) {
  TIEBitmap b;
  MakeRGB(b, 4, 4);
  TIOParamsVals p;
  const Bytes jp2 = Write(b, p, 0);
  const Bytes j2k = Write(b, p, 1);
  for (const auto& [data, isJp2] : {std::pair{jp2, true}, std::pair{j2k, false}}) {
    TCustomMemoryStream s;
    s.SetPointer(data.data(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(IETestJP2(&s), isJp2);
    EXPECT_EQ(IETestJ2K(&s), !isJp2);
    EXPECT_EQ(s.Position(), 0);
  }
  const Bytes shortData{0xFF, 0x4F, 0xFF};
  TCustomMemoryStream s;
  s.SetPointer(shortData.data(), 3);
  EXPECT_FALSE(IETestJ2K(&s));
}

TEST(J2k, OptionTextFormatsRateWithoutLocale) {
  TIOParamsVals p;
  const struct {
    double Rate;
    uint8_t Progression;
    const char* Text;
  } cases[] = {{0.05, 1, "rate=0.05 prg=rlcp"}, {1.0, 0, "rate=1 prg=lrcp"}, {0.5, 7, "rate=0.5"}};
  for (const auto& c : cases) {
    p.J2000Rate = c.Rate;
    p.J2000Progression = c.Progression;
    EXPECT_EQ(IEJ2000OptionText(p), c.Text);
  }
}

TEST(J2k, YCbCrTablesUseSinglePrecisionWeights) {
  const auto& t = IEJ2000YCbCr();
  EXPECT_EQ(t.CrToR[128], 0);
  EXPECT_EQ(t.CrToR[255], 178);  // 1.402 × 127
  EXPECT_EQ(t.CbToB[0], -227);   // 1.772 × -128
  EXPECT_EQ(t.CrToG[255], -91);  // -0.714136 × 127
  EXPECT_EQ(t.CbToG[0], 44);     // -0.344136 × -128
}

// ---- Round trips -------------------------------------------------------------------
TEST(J2k, LosslessRoundTripsKeepPixels) {
  for (int32_t format : {0, 1}) {
    SCOPED_TRACE(format);
    TIEBitmap src, back;
    MakeRGB(src, 13, 9);
    TIOParamsVals p, q;
    bool ok = false;
    const Bytes data = Write(src, p, format, &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(Read(data, back, q));
    ASSERT_EQ(back.PixelFormat(), ie24RGB);
    EXPECT_EQ(q.BitsPerSample, 8);
    EXPECT_EQ(q.SamplesPerPixel, 3);
    for (int32_t y = 0; y < 9; ++y)
      for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(Px(back, x, y), Px(src, x, y)) << x << "," << y;
  }
}

TEST(J2k, GrayAndBilevelWriting) {
  TIEBitmap src, back;
  MakeRGB(src, 6, 5);
  TIOParamsVals p, q;
  p.J2000ColorSpace = 0;
  ASSERT_TRUE(Read(Write(src, p, 0), back, q));
  EXPECT_EQ(q.SamplesPerPixel, 1);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const TRGB s = Px(src, x, y);
      const auto g = static_cast<uint8_t>((s.r * 21 + s.g * 71 + s.b * 8) / 100);
      ASSERT_EQ(Px(back, x, y), (TRGB{g, g, g}));
    }

  TIEBitmap bw, bwBack;
  MakeBilevel(bw, 19, 7);
  TIOParamsVals r, s;
  ASSERT_TRUE(Read(Write(bw, r, 1), bwBack, s));
  EXPECT_EQ(r.BitsPerSample, 1);
  EXPECT_EQ(r.J2000ColorSpace, 0);
  EXPECT_EQ(s.BitsPerSample, 1);
  ASSERT_EQ(bwBack.PixelFormat(), ie1g);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 19; ++x) ASSERT_EQ(Bit(bwBack, x, y), Bit(bw, x, y));
}

TEST(J2k, LowPrecisionScalesByTruncation) {
  // 4-bit RGB: v × 15 / 255 truncated, read back spread over 0..255 (× 17).
  TIEBitmap src, back;
  src.Allocate(2, 2, ie24RGB);
  *src.PixelRGB(0, 0) = TRGB{255, 128, 16};
  TIOParamsVals p, q;
  p.BitsPerSample = 4;
  ASSERT_TRUE(Read(Write(src, p, 1), back, q));
  EXPECT_EQ(q.BitsPerSample, 4);
  EXPECT_EQ(Px(back, 0, 0), (TRGB{255, 119, 0}));
  // 4 bits of one sample (a palette source) in colour keeps 8-bit components.
  p.SamplesPerPixel = 1;
  ASSERT_TRUE(Read(Write(src, p, 1), back, q));
  EXPECT_EQ(q.BitsPerSample, 8);
  EXPECT_EQ(Px(back, 0, 0), (TRGB{255, 128, 16}));
}

TEST(J2k, TransparentPixelsAreBlendedOntoWhiteInACopy) {
  TIEBitmap src, back;
  src.Allocate(2, 2, ie24RGB);
  src.Fill(0);
  src.AlphaChannel()->Fill(255);
  src.SetAlpha(1, 0, 0);
  TIOParamsVals p, q;
  ASSERT_TRUE(Read(Write(src, p, 1), back, q));
  EXPECT_EQ(Px(back, 0, 0), (TRGB{0, 0, 0}));
  EXPECT_EQ(Px(back, 1, 0), (TRGB{255, 255, 255}));
  EXPECT_EQ(Px(src, 1, 0), (TRGB{0, 0, 0}));
  EXPECT_EQ(src.GetAlpha(1, 0), 0);
}

TEST(J2k, WriterRefusals) {
  TIEBitmap src;
  MakeRGB(src, 4, 4);
  const struct {
    uint8_t Space;
    int32_t Bits;
    int32_t Format;
  } cases[] = {{3, 8, 0}, {1, 0, 0}, {1, 17, 1}, {1, 8, 2}};
  for (const auto& c : cases) {
    TIOParamsVals p;
    p.J2000ColorSpace = c.Space;
    p.BitsPerSample = c.Bits;
    bool ok = true;
    EXPECT_TRUE(Write(src, p, c.Format, &ok).empty());
    EXPECT_FALSE(ok);
  }
}

TEST(J2k, ShortWriteSetsFlag) {
  TIEBitmap src;
  MakeRGB(src, 16, 16);
  TIOParamsVals p;
  Bytes buffer(40);
  TCustomMemoryStream s;  // fixed size: writes past 40 bytes fail
  s.SetPointer(buffer.data(), 40);
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeJ2000(&s, &src, p, progress, 0);
  EXPECT_TRUE(abort.load());
}

// ---- Reading what other encoders make ---------------------------------------------
TEST(J2k, PrecisionReductionTable) {
  const struct {
    const char* Name;
    uint32_t Prec;
    bool Signed;
    int32_t Sample;
    uint8_t Expected;
  } cases[] = {
      {"12-bit top bits", 12, false, 0xABC, 0xAB}, {"4-bit level", 4, false, 9, 153},  {"4-bit max", 4, false, 15, 255},
      {"3-bit level", 3, false, 5, 182},           {"signed 8-bit", 8, true, -128, 0}, {"signed zero", 8, true, 0, 128},
      {"16-bit", 16, false, 0x1234, 0x12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TComp comp;
    comp.Prec = c.Prec;
    comp.Signed = c.Signed;
    comp.Value = [&](int32_t, int32_t) { return c.Sample; };
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(OpjEncode(3, 2, {comp}, OPJ_CLRSPC_GRAY, OPJ_CODEC_JP2), b, p));
    EXPECT_EQ(p.BitsPerSample, static_cast<int32_t>(c.Prec));
    EXPECT_EQ(Px(b, 2, 1), (TRGB{c.Expected, c.Expected, c.Expected}));
  }
}

TEST(J2k, SubsampledYCbCrUsesNearestSample) {
  TComp y, cb, cr;
  y.Value = [](int32_t X, int32_t Y) { return 100 + X + Y; };
  cb.Dx = cb.Dy = cr.Dx = cr.Dy = 2;
  cb.Value = [](int32_t X, int32_t) { return X == 0 ? 128 : 200; };
  cr.Value = [](int32_t, int32_t Y) { return Y == 0 ? 128 : 60; };
  TIEBitmap b;
  TIOParamsVals p;
  ASSERT_TRUE(Read(OpjEncode(4, 4, {y, cb, cr}, OPJ_CLRSPC_SYCC, OPJ_CODEC_JP2), b, p));
  EXPECT_EQ(p.SamplesPerPixel, 3);
  const auto& t = IEJ2000YCbCr();
  for (int32_t yy = 0; yy < 4; ++yy)
    for (int32_t x = 0; x < 4; ++x) {
      const int32_t l = 100 + x + yy, u = x < 2 ? 128 : 200, v = yy < 2 ? 128 : 60;
      const TRGB expected{static_cast<uint8_t>(std::clamp(l + t.CbToB[u], 0, 255)),
                          static_cast<uint8_t>(std::clamp(l + t.CbToG[u] + t.CrToG[v], 0, 255)),
                          static_cast<uint8_t>(std::clamp(l + t.CrToR[v], 0, 255))};
      ASSERT_EQ(Px(b, x, yy), expected) << x << "," << yy;
    }
}

TEST(J2k, RawCodeStreamColourByComponentCount) {
  TComp a, b2, c;
  a.Value = [](int32_t X, int32_t) { return X * 10; };
  b2.Value = [](int32_t, int32_t Y) { return Y * 20; };
  c.Value = [](int32_t, int32_t) { return 77; };
  TIEBitmap bm;
  TIOParamsVals p;
  ASSERT_TRUE(Read(OpjEncode(3, 2, {a, b2, c}, OPJ_CLRSPC_UNSPECIFIED, OPJ_CODEC_J2K), bm, p));
  EXPECT_EQ(p.SamplesPerPixel, 3);
  EXPECT_EQ(Px(bm, 2, 1), (TRGB{77, 20, 20}));
  ASSERT_TRUE(Read(OpjEncode(3, 2, {a}, OPJ_CLRSPC_UNSPECIFIED, OPJ_CODEC_J2K), bm, p));
  EXPECT_EQ(p.SamplesPerPixel, 1);
  EXPECT_EQ(Px(bm, 2, 1), (TRGB{20, 20, 20}));
}

TEST(J2k, UnsupportedColourSpaceAndHugeSizeSetFlag) {
  TComp c;
  c.Value = [](int32_t, int32_t) { return 1; };
  TIEBitmap b;
  TIOParamsVals p;
  EXPECT_FALSE(Read(OpjEncode(2, 2, {c, c, c, c}, OPJ_CLRSPC_CMYK, OPJ_CODEC_JP2), b, p));

  // SIZ of a code stream claiming 65535 × 65535 RGB: refused before decoding.
  Bytes j2k = OpjEncode(2, 2, {c, c, c}, OPJ_CLRSPC_UNSPECIFIED, OPJ_CODEC_J2K);
  for (size_t at : {8u, 12u}) {  // Xsiz, Ysiz
    j2k[at] = 0;
    j2k[at + 1] = 0;
    j2k[at + 2] = 0xFF;
    j2k[at + 3] = 0xFF;
  }
  EXPECT_FALSE(Read(j2k, b, p, true));
  EXPECT_FALSE(Read(j2k, b, p));
}

// A header whose tile grid cannot fit in the file (63496 × 8 in 8 × 8 tiles,
// 7937 tiles in a few hundred bytes) is refused up front, in a raw codestream
// and inside a JP2 box; the untouched files still load.
TEST(J2k, TileGridLargerThanTheDataIsRefused) {
  TComp c;
  c.Value = [](int32_t x, int32_t y) { return (x + y) & 1; };
  for (OPJ_CODEC_FORMAT format : {OPJ_CODEC_J2K, OPJ_CODEC_JP2}) {
    SCOPED_TRACE(format == OPJ_CODEC_J2K ? "j2k" : "jp2");
    Bytes file = OpjEncode(2, 2, {c, c, c}, OPJ_CLRSPC_SRGB, format);
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(file, b, p));
    size_t siz = 0;
    while (siz + 4 < file.size() &&
           !(file[siz] == 0xFF && file[siz + 1] == 0x4F && file[siz + 2] == 0xFF && file[siz + 3] == 0x51))
      ++siz;
    ASSERT_LT(siz + 40, file.size());
    auto put32 = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i) file[siz + at + i] = uint8_t(v >> (24 - 8 * i));
    };
    put32(8, 63496);  // Xsiz
    put32(12, 8);     // Ysiz
    put32(24, 8);     // XTsiz
    put32(28, 8);     // YTsiz
    EXPECT_FALSE(Read(file, b, p, true));
    EXPECT_FALSE(Read(file, b, p));
  }
}

// ---- Conformance ---------------------------------------------------------------------
void ReadForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool Preview) {
  IEDecodeJ2000(Stream, Bitmap, Params, Progress, Preview);
}

TIECodecConformanceCase SuiteCase(const char* Name, int32_t Format) {
  TIEBitmap b;
  MakeRGB(b, 8, 6);
  TIOParamsVals p;
  TIECodecConformanceCase c;
  c.Name = Name;
  c.Read = ReadForSuite;
  c.Valid = Write(b, p, Format);
  c.Width = 8;
  c.Height = 6;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 3;
  c.CutOutcome = TIECutOutcome::Abort;
  c.CutSizes = {0, 1, 8, c.Valid.size() / 2, c.Valid.size() - 1};
  c.CheckFull = [](TIEBitmap& Bitmap, TIOParamsVals&) {
    TIEBitmap ref;
    MakeRGB(ref, 8, 6);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(Px(Bitmap, x, y), Px(ref, x, y));
  };
  return c;
}

INSTANTIATE_TEST_SUITE_P(J2k, TIECodecConformance, ::testing::Values(SuiteCase("Jp2", 0), SuiteCase("J2k", 1)),
                         IECodecConformanceName);

// ---- Cross-checks -------------------------------------------------------------------------
std::string WriteFile(const TIETempDir& Dir, const std::string& Name, const Bytes& Data) {
  const std::string path = Dir.File(Name);
  EXPECT_TRUE(IEWriteBytesFile(path, Data));
  return path;
}

TEST(J2kXcheck, OurLosslessFilesDecodeToSourcePixels) {
  IE_REQUIRE_TOOL("opj_decompress", "libopenjp2-tools");
  TIETempDir dir;
  TIEBitmap rgb, gray, bw;
  MakeRGB(rgb, 21, 11);
  MakeRGB(gray, 10, 12);
  MakeBilevel(bw, 17, 9);
  struct TCase {
    const char* Name;
    TIEBitmap* Bitmap;
    uint8_t Space;
  } cases[] = {{"rgb", &rgb, 1}, {"gray", &gray, 0}, {"bw", &bw, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TIOParamsVals p;
    p.J2000ColorSpace = c.Space;
    const std::string in = WriteFile(dir, std::string(c.Name) + ".jp2", Write(*c.Bitmap, p, 0));
    const std::string out = dir.File(std::string(c.Name) + ".pgm.pnm");
    const std::string ref = dir.File(std::string(c.Name) + (c.Space == 0 ? ".pgm" : ".ppm"));
    ASSERT_EQ(IERunTool({"opj_decompress", "-quiet", "-i", in, "-o", ref}).ExitStatus, 0);
    TPamImage img;
    ASSERT_TRUE(ReadPamFile(ref, img));
    for (int32_t y = 0; y < c.Bitmap->Height(); ++y)
      for (int32_t x = 0; x < c.Bitmap->Width(); ++x) {
        if (c.Bitmap->PixelFormat() == ie1g) {
          ASSERT_EQ(img.At(x, y), Bit(*c.Bitmap, x, y) ? 1 : 0);
        } else if (c.Space == 0) {
          const TRGB s = Px(*c.Bitmap, x, y);
          ASSERT_EQ(img.At(x, y), (s.r * 21 + s.g * 71 + s.b * 8) / 100);
        } else {
          const TRGB s = Px(*c.Bitmap, x, y);
          ASSERT_EQ(img.At(x, y, 0), s.r);
          ASSERT_EQ(img.At(x, y, 1), s.g);
          ASSERT_EQ(img.At(x, y, 2), s.b);
        }
      }
  }
}

TEST(J2kXcheck, ToolFixturesDecodeLikeTheTool) {
  IE_REQUIRE_TOOL("opj_compress", "libopenjp2-tools");
  IE_REQUIRE_TOOL("pamdepth", "netpbm");
  TIETempDir dir;
  TIEBitmap src;
  MakeRGB(src, 64, 48);  // large enough for the tool's six resolutions
  const std::string ppm = dir.File("src.ppm");
  ASSERT_TRUE(IEWriteBytesFile(ppm, FormatPnmOf(BitmapToPam(src))));
  // 12-bit gray through pamdepth.
  TPamImage grayImg = MakePam("GRAYSCALE", 64, 48);
  for (int32_t y = 0; y < 48; ++y)
    for (int32_t x = 0; x < 64; ++x) grayImg.At(x, y) = static_cast<uint16_t>(x * 10 + y);
  const std::string pgm = dir.File("g.pgm");
  ASSERT_TRUE(IEWriteBytesFile(pgm, FormatPnmOf(grayImg)));
  const TIEToolRun deep = IERunTool({"pamdepth", "4095"}, pgm);
  ASSERT_EQ(deep.ExitStatus, 0);
  const std::string pgm12 = WriteFile(dir, "g12.pgm", deep.Output);

  const struct {
    const char* Name;
    std::string Source;
    std::vector<std::string> Options;
  } cases[] = {
      {"r20.jp2", ppm, {"-r", "20"}},
      {"rlcp.j2k", ppm, {"-p", "RLCP"}},
      {"sub.j2k", ppm, {"-s", "2,2"}},
      {"g12.jp2", pgm12, {}},
      {"tiled.j2k", ppm, {"-t", "16,16", "-n", "3"}},  // 12 tiles pass the tile-grid check
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string file = dir.File(c.Name);
    std::vector<std::string> argv{"opj_compress", "-i", c.Source, "-o", file};
    argv.insert(argv.end(), c.Options.begin(), c.Options.end());
    ASSERT_EQ(IERunTool(argv).ExitStatus, 0);
    const std::string ref = dir.File(std::string(c.Name) + ".pnm");
    ASSERT_EQ(IERunTool({"opj_decompress", "-quiet", "-i", file, "-o", ref}).ExitStatus, 0);
    TPamImage img;
    ASSERT_TRUE(ReadPamFile(ref, img));
    Bytes data;
    ASSERT_TRUE(IEReadBytesFile(file, data));
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(data, b, p));
    // -s 2,2 doubles the reference grid: the tool writes the components.
    const int32_t fx = (b.Width() + img.Width - 1) / img.Width;
    const int32_t fy = (b.Height() + img.Height - 1) / img.Height;
    const int32_t shift = img.MaxVal > 255 ? 4 : 0;  // 12-bit samples reduced to their top 8 bits
    int32_t worst = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
      for (int32_t x = 0; x < b.Width(); ++x) {
        const TRGB s = Px(b, x, y);
        const int32_t got[3] = {s.r, s.g, s.b};
        for (int32_t k = 0; k < 3; ++k) {
          const int32_t want = img.At(x / fx, y / fy, img.Depth == 1 ? 0 : k) >> shift;
          worst = std::max(worst, std::abs(got[k] - want));
        }
      }
    EXPECT_LE(worst, 1);
    if (shift) {
      EXPECT_EQ(p.BitsPerSample, 12);
    }
  }
}

// A fourth component (alpha of RGB) and a second one (alpha of gray) load
// as the bitmap's alpha channel, as opj_decompress gives them.
TEST(J2kXcheck, AlphaComponentsLikeTheTool) {
  IE_REQUIRE_TOOL("opj_compress", "libopenjp2-tools");
  IE_REQUIRE_TOOL("opj_decompress", "libopenjp2-tools");
  IE_REQUIRE_TOOL("pamtopng", "netpbm");
  IE_REQUIRE_TOOL("pngtopam", "netpbm");
  TIETempDir dir;
  for (const char* tuple : {"RGB_ALPHA", "GRAYSCALE_ALPHA"}) {
    SCOPED_TRACE(tuple);
    TPamImage src = MakePam(tuple, 9, 5);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 9; ++x)
        for (int32_t k = 0; k < src.Depth; ++k)
          src.At(x, y, k) = static_cast<uint16_t>((x * 29 + y * 7 + k * 61) % 256);
    const std::string pam = dir.File("a.pam");
    ASSERT_TRUE(WritePamFile(pam, src));
    const TIEToolRun png = IERunTool({"pamtopng", pam});
    ASSERT_EQ(png.ExitStatus, 0);
    const std::string source = WriteFile(dir, "a.png", png.Output);
    const std::string file = dir.File("a.jp2");
    ASSERT_EQ(IERunTool({"opj_compress", "-n", "1", "-i", source, "-o", file}).ExitStatus, 0);
    const std::string ref = dir.File("r.png");
    ASSERT_EQ(IERunTool({"opj_decompress", "-quiet", "-i", file, "-o", ref}).ExitStatus, 0);
    const TIEToolRun alpha = IERunTool({"pngtopam", "-alpha", ref});
    const TIEToolRun colour = IERunTool({"pngtopam", ref});
    TPamImage a, c;
    ASSERT_TRUE(ParsePam(alpha.Output, a));
    ASSERT_TRUE(ParsePam(colour.Output, c));
    Bytes data;
    ASSERT_TRUE(IEReadBytesFile(file, data));
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(data, b, p));
    ASSERT_TRUE(b.HasAlphaChannel());
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 9; ++x) {
        const TRGB s = Px(b, x, y);
        const int32_t k = c.Depth == 1 ? 0 : 1;
        ASSERT_EQ(s.r, c.At(x, y, 0));
        ASSERT_EQ(s.g, c.At(x, y, k));
        ASSERT_EQ(b.GetAlpha(x, y), a.At(x, y));
      }
  }
}

TEST(J2kXcheck, DumpShowsRequestedCoding) {
  IE_REQUIRE_TOOL("opj_dump", "libopenjp2-tools");
  TIETempDir dir;
  TIEBitmap src;
  MakeRGB(src, 32, 32);
  TIOParamsVals p;
  p.J2000Rate = 0.05;
  p.J2000Progression = 1;
  p.BitsPerSample = 6;
  const std::string file = WriteFile(dir, "ours.j2k", Write(src, p, 1));
  const TIEToolRun dump = IERunTool({"opj_dump", "-i", file});
  ASSERT_EQ(dump.ExitStatus, 0);
  const std::string text(dump.Output.begin(), dump.Output.end());
  EXPECT_NE(text.find("prg=0x1"), std::string::npos) << text;  // RLCP
  EXPECT_NE(text.find("numlayers=1"), std::string::npos) << text;
  EXPECT_NE(text.find("prec=6"), std::string::npos) << text;
  EXPECT_LT(Write(src, p, 1).size(), 32u * 32u * 3u / 10u);
}

}  // namespace
