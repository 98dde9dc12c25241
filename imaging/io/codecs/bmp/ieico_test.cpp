#include "imaging/io/codecs/bmp/ieico.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/conformance.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

using enum TIEPixelFormat;

namespace {

using Bytes = std::vector<uint8_t>;

void P16(Bytes& O, uint32_t V) {
  O.push_back(uint8_t(V));
  O.push_back(uint8_t(V >> 8));
}
void P32(Bytes& O, uint32_t V) {
  P16(O, V & 0xFFFF);
  P16(O, V >> 16);
}
TRGB Px(TIEBitmap& B, int32_t X, int32_t Y) { return static_cast<const TRGB*>(B.ScanLine(Y))[X]; }
bool Bit(TIEBitmap& B, int32_t X, int32_t Y) {
  return (static_cast<const uint8_t*>(B.ScanLine(Y))[X >> 3] & (0x80 >> (X & 7))) != 0;
}

// One image of a hand-made icon: header fields, the table, XOR and AND rows
// (stored bottom-up as given).
struct TImg {
  uint8_t EW, EH, EColors = 0;
  uint16_t EPlanes = 1, EBitCount = 0;
  int32_t BW, BH;
  uint16_t Bits;
  Bytes Body;  // table + XOR + AND
  uint32_t HeaderSize = 40;
};

Bytes MakeIco(const std::vector<TImg>& Images, uint16_t Type = 1) {
  Bytes o;
  P16(o, 0);
  P16(o, Type);
  P16(o, static_cast<uint32_t>(Images.size()));
  uint32_t at = 6 + 16 * static_cast<uint32_t>(Images.size());
  for (const TImg& i : Images) {
    o.push_back(i.EW);
    o.push_back(i.EH);
    o.push_back(i.EColors);
    o.push_back(0);
    P16(o, i.EPlanes);
    P16(o, i.EBitCount);
    P32(o, 40 + static_cast<uint32_t>(i.Body.size()));
    P32(o, at);
    at += 40 + static_cast<uint32_t>(i.Body.size());
  }
  for (const TImg& i : Images) {
    P32(o, i.HeaderSize);
    P32(o, static_cast<uint32_t>(i.BW));
    P32(o, static_cast<uint32_t>(i.BH));
    P16(o, 1);
    P16(o, i.Bits);
    for (int32_t k = 0; k < 6; ++k) P32(o, 0);
    o.insert(o.end(), i.Body.begin(), i.Body.end());
  }
  return o;
}

// A 1-bit 2 × 2 image: XOR rows bottom-up then AND rows bottom-up.
TImg OneBit(uint8_t XorTop, uint8_t XorBottom, uint8_t AndTop, uint8_t AndBottom) {
  TImg i{2, 2, 2, 1, 1, 2, 4, 1, {}};
  Bytes b{0, 0, 0, 0, 255, 255, 255, 0};
  for (uint8_t v : {XorBottom, XorTop, AndBottom, AndTop}) {
    b.push_back(v);
    b.insert(b.end(), 3, 0);
  }
  i.Body = b;
  return i;
}

// A 32-bit W × H image, every pixel (1, 2, 3) with alpha A; no AND mask.
TImg ThirtyTwo(int32_t W, int32_t H, uint8_t A, uint8_t EW, uint8_t EH) {
  TImg i{EW, EH, 0, 1, 32, W, 2 * H, 32, {}};
  for (int32_t p = 0; p < W * H; ++p) i.Body.insert(i.Body.end(), {1, 2, 3, A});
  return i;
}

struct TResult {
  bool Ok;
  std::unique_ptr<TIEMask> Mask;
};

TResult Read(const Bytes& Data, TIEBitmap& B, TIOParamsVals& P, bool Cursor = false, bool Preview = false) {
  TCustomMemoryStream s;
  s.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  TResult r;
  if (Cursor) {
    IEDecodeCUR(&s, &B, P, Preview, progress, r.Mask, false);
  } else {
    IEDecodeICO(&s, &B, P, Preview, progress, r.Mask, false);
  }
  r.Ok = !abort.load();
  return r;
}

Bytes Write(TIEBitmap& B, TIOParamsVals& P, const std::vector<TIEICOSize>& Sizes, const std::vector<int32_t>& Bits) {
  TMemoryStream s;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeICO(&s, &B, P, progress, Sizes, Bits);
  EXPECT_FALSE(abort.load());
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

void MakeRGB(TIEBitmap& B, int32_t W, int32_t H) {
  B.Allocate(W, H, ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      *B.PixelRGB(x, y) = TRGB{static_cast<uint8_t>(x < W / 2 ? 200 : 10), static_cast<uint8_t>(y < H / 2 ? 30 : 220),
                               static_cast<uint8_t>((x + y) % 2 ? 90 : 160)};
}

// ---- Reading ------------------------------------------------------------------------------
TEST(Ico, SizeFromEntryOrHeader) {
  const struct {
    uint8_t EW, EH;
    int32_t BW, BH;
    int32_t W, H;
  } cases[] = {{32, 32, 48, 96, 48, 48},   {0, 0, 256, 512, 256, 256}, {16, 16, 16, 32, 16, 16},
               {32, 32, 4096, 64, 32, 32}, {16, 16, 16, 64, 16, 32},   {32, 32, 24, 48, 24, 24}};
  for (const auto& c : cases) {
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(MakeIco({ThirtyTwo(1, 1, 255, c.EW, c.EH)}), b, p, false, true).Ok);
    TImg img = ThirtyTwo(1, 1, 255, c.EW, c.EH);
    img.BW = c.BW;
    img.BH = c.BH;
    ASSERT_TRUE(Read(MakeIco({img}), b, p, false, true).Ok);
    EXPECT_EQ(p.Width, c.W);
    EXPECT_EQ(p.Height, c.H);
    EXPECT_EQ(p.BitsPerSample, 8);
    EXPECT_EQ(p.SamplesPerPixel, 4);
  }
}

TEST(Ico, OneBitTransparencyDependsOnBackground) {
  // Top row: XOR 0 and 1, both transparent; bottom row opaque XOR 1, 0.
  const Bytes ico = MakeIco({OneBit(0x40, 0x80, 0xC0, 0x00)});
  TIEBitmap b;
  TIOParamsVals p;
  TResult r = Read(ico, b, p);
  ASSERT_TRUE(r.Ok);
  ASSERT_EQ(b.PixelFormat(), ie1g);
  EXPECT_TRUE(Bit(b, 0, 0));   // transparent, XOR 0: white
  EXPECT_FALSE(Bit(b, 1, 0));  // transparent, XOR 1: black
  EXPECT_TRUE(Bit(b, 0, 1));
  EXPECT_FALSE(Bit(b, 1, 1));
  ASSERT_TRUE(r.Mask);
  EXPECT_EQ(r.Mask->GetPixel(0, 0), 0);
  EXPECT_EQ(r.Mask->GetPixel(0, 1), 255);

  p.ICOBackground = TRGB{0, 0, 255};
  ASSERT_TRUE(Read(ico, b, p).Ok);
  EXPECT_FALSE(Bit(b, 0, 0));
  EXPECT_TRUE(Bit(b, 1, 0));
}

TEST(Ico, FullAlphaDropsTheIconMaskButNotTheCursors) {
  const Bytes opaque = MakeIco({ThirtyTwo(2, 2, 255, 2, 2)});
  TIEBitmap b;
  TIOParamsVals p;
  TResult r = Read(opaque, b, p);
  ASSERT_TRUE(r.Ok);
  EXPECT_FALSE(r.Mask);
  EXPECT_EQ(Px(b, 1, 1), (TRGB{1, 2, 3}));
  r = Read(MakeIco({ThirtyTwo(2, 2, 7, 2, 2)}), b, p);
  ASSERT_TRUE(r.Mask);
  EXPECT_EQ(r.Mask->GetPixel(1, 0), 7);

  // The same opaque 1-bit image as a cursor keeps its mask, with the hot spot.
  TImg cur = OneBit(0, 0, 0, 0);
  cur.EPlanes = 5;
  cur.EBitCount = 9;
  r = Read(MakeIco({cur}, 2), b, p, true);
  ASSERT_TRUE(r.Ok);
  ASSERT_TRUE(r.Mask);
  EXPECT_EQ(p.CURXHotSpot, 5);
  EXPECT_EQ(p.CURYHotSpot, 9);
}

// A 32-bit cursor (hot spot 0, 0) reads like a 32-bit icon, keeping its mask.
TEST(Ico, ThirtyTwoBitCursor) {
  TImg cur = ThirtyTwo(2, 2, 7, 2, 2);
  cur.EPlanes = 0;
  cur.EBitCount = 0;
  TIEBitmap b;
  TIOParamsVals p;
  TResult r = Read(MakeIco({cur}, 2), b, p, true);
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(Px(b, 1, 1), (TRGB{1, 2, 3}));
  ASSERT_TRUE(r.Mask);
  EXPECT_EQ(r.Mask->GetPixel(1, 0), 7);
  EXPECT_EQ(p.CURXHotSpot, 0);
  EXPECT_EQ(p.CURYHotSpot, 0);
  EXPECT_EQ(p.SamplesPerPixel, 4);
}

TEST(Ico, TwentyImagesFillSixteenSizes) {
  std::vector<TImg> images;
  for (int32_t i = 0; i < 20; ++i) images.push_back(ThirtyTwo(1, 1, 255, static_cast<uint8_t>(i + 1), 1));
  images[18] = ThirtyTwo(3, 1, 255, 3, 1);
  images[15].EBitCount = 0;
  TIEBitmap b;
  TIOParamsVals p;
  p.ICOImageIndex = 18;
  ASSERT_TRUE(Read(MakeIco(images), b, p).Ok);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(p.ICOSizes[15].Width, 16);
  EXPECT_EQ(p.ICOBitCounts[15], 24);  // entry bit count 0, colour count 0
  p.ICOImageIndex = 20;               // no such image: a failed load
  TIEBitmap untouched;
  EXPECT_FALSE(Read(MakeIco(images), untouched, p).Ok);
  EXPECT_TRUE(untouched.IsEmpty());
}

TEST(Ico, HostileEntriesSetTheFlag) {
  const Bytes good = MakeIco({OneBit(0, 0, 0, 0)});
  struct TCase {
    const char* Name;
    Bytes Data;
    bool Cursor;
  };
  std::vector<TCase> cases;
  Bytes far = good;
  far[18] = 0xFF;  // offset far past the end
  cases.push_back({"offset", far, false});
  Bytes cut(good.begin(), good.end() - 3);
  cases.push_back({"truncated", cut, false});
  TImg core = OneBit(0, 0, 0, 0);
  core.HeaderSize = 12;
  cases.push_back({"header size", MakeIco({core}), false});
  TImg nobits = OneBit(0, 0, 0, 0);
  nobits.Bits = 0;
  nobits.EColors = 0;
  nobits.EBitCount = 0;
  cases.push_back({"no bit count", MakeIco({nobits}), false});
  TImg sixteen = ThirtyTwo(2, 2, 0, 2, 2);
  sixteen.Bits = 16;
  cases.push_back({"16 bits", MakeIco({sixteen}), false});
  cases.push_back({"cursor without images", MakeIco({}, 2), true});
  cases.push_back({"empty", Bytes{}, false});
  for (const auto& c : cases) {
    TIEBitmap b;
    TIOParamsVals p;
    EXPECT_FALSE(Read(c.Data, b, p, c.Cursor).Ok) << c.Name;
  }
}

TEST(Ico, CursorColourCountsAreBounded) {
  // A 4-bit cursor whose entry claims 2 colours: a table of 2 entries, the
  // other 14 indexes black; 255 means 256 but is cut to 2^4.
  for (uint8_t claimed : {2, 255}) {
    TImg i{2, 1, claimed, 0, 0, 2, 2, 4, {}};
    const int32_t stored = claimed == 2 ? 2 : 16;
    for (int32_t c = 0; c < stored; ++c) i.Body.insert(i.Body.end(), {uint8_t(c * 10), 0, 0, 0});
    i.Body.insert(i.Body.end(), {0x1F, 0, 0, 0, 0, 0, 0, 0});  // pixels 1 and 15, then the AND row
    TIEBitmap b;
    TIOParamsVals p;
    ASSERT_TRUE(Read(MakeIco({i}, 2), b, p, true).Ok) << int(claimed);
    EXPECT_EQ(p.PaletteCount(), 16);
    EXPECT_EQ(Px(b, 0, 0), (TRGB{10, 0, 0}));
    EXPECT_EQ(Px(b, 1, 0), (claimed == 2 ? TRGB{} : TRGB{150, 0, 0}));
  }
}

// ---- Writing -------------------------------------------------------------------------------
TEST(Ico, WriterEntryBytes) {
  TIEBitmap src;
  MakeRGB(src, 100, 50);
  TIOParamsVals p;
  const Bytes ico = Write(src, p, {{64, 64}, {256, 256}, {16, 16}}, {8, 32, 24});
  EXPECT_EQ(Bytes(ico.begin(), ico.begin() + 6), (Bytes{0, 0, 1, 0, 3, 0}));
  const uint8_t* e = &ico[6];
  EXPECT_EQ(Bytes(e, e + 8), (Bytes{64, 64, 255, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(e + 16, e + 24), (Bytes{0, 0, 0, 0, 1, 0, 32, 0}));
  EXPECT_EQ(Bytes(e + 32, e + 40), (Bytes{16, 16, 0, 0, 1, 0, 24, 0}));
  const uint32_t at = e[12] | (e[13] << 8);
  EXPECT_EQ(ico[at + 8], 128);  // biHeight = 2 × 64
  TCustomMemoryStream s;
  s.SetPointer(ico.data(), static_cast<int64_t>(ico.size()));
  EXPECT_TRUE(IETestICO(&s));
  EXPECT_FALSE(IETestCUR(&s));
  EXPECT_EQ(IEICOImageCount(&s), 3);
  TIEBitmap b;
  for (int32_t i = 0; i < 3; ++i) {
    p.ICOImageIndex = i;
    ASSERT_TRUE(Read(ico, b, p).Ok);
  }
  EXPECT_EQ(b.Width(), 16);
}

TEST(Ico, RoundTripsKeepPixelsAndTransparency) {
  TIEBitmap src;
  MakeRGB(src, 6, 4);  // 8 colours: exact in 4 and 8 bits
  src.AlphaChannel()->Fill(255);
  src.SetAlpha(5, 0, 0);
  for (int32_t depth : {4, 8, 24, 32}) {
    SCOPED_TRACE(depth);
    TIOParamsVals p;
    const Bytes ico = Write(src, p, {{6, 4}}, {depth});
    TIEBitmap b;
    TResult r = Read(ico, b, p);
    ASSERT_TRUE(r.Ok);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 6; ++x) {
        if (x == 5 && y == 0 && depth != 24 && depth != 32) continue;
        ASSERT_EQ(Px(b, x, y), Px(src, x, y)) << x << "," << y;
      }
    if (depth == 24) {
      EXPECT_FALSE(r.Mask);
    } else {
      ASSERT_TRUE(r.Mask);
      EXPECT_EQ(r.Mask->GetPixel(5, 0), 0);
      EXPECT_EQ(r.Mask->GetPixel(4, 0), 255);
    }
  }
  // 1 bit from a 24-bit image: converted first.
  TIOParamsVals p;
  TIEBitmap bw;
  bw.Allocate(9, 2, ie1g);
  static_cast<uint8_t*>(bw.ScanLine(0))[0] = 0xA0;
  const Bytes ico = Write(bw, p, {{9, 2}}, {1});
  TIEBitmap b;
  ASSERT_TRUE(Read(ico, b, p).Ok);
  ASSERT_EQ(b.PixelFormat(), ie1g);
  for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(Bit(b, x, 0), x == 0 || x == 2);
}

// ---- Conformance ---------------------------------------------------------------------------
void ReadIcoForSuite(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodeICO(S, B, P, Preview, Pr, mask, Preview);
}
void ReadCurForSuite(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, bool Preview) {
  std::unique_ptr<TIEMask> mask;
  IEDecodeCUR(S, B, P, Preview, Pr, mask, Preview);
}

TIECodecConformanceCase IcoCase(bool Cursor) {
  TIECodecConformanceCase c;
  c.Name = Cursor ? "Cur" : "Ico";
  c.Read = Cursor ? ReadCurForSuite : ReadIcoForSuite;
  TImg i{4, 3, 0, 0, 8, 4, 6, 8, {}};
  for (int32_t k = 0; k < 256; ++k) i.Body.insert(i.Body.end(), {uint8_t(k), uint8_t(255 - k), 7, 0});
  for (int32_t k = 0; k < 12; ++k) i.Body.push_back(uint8_t(k * 20));
  i.Body.insert(i.Body.end(), 12, 0);
  c.Valid = MakeIco({i}, Cursor ? 2 : 1);
  c.Width = 4;
  c.Height = 3;
  c.BitsPerSample = 8;
  c.SamplesPerPixel = 1;
  c.CutOutcome = TIECutOutcome::AbortOrPartial;
  return c;
}

INSTANTIATE_TEST_SUITE_P(Ico, TIECodecConformance, ::testing::Values(IcoCase(false), IcoCase(true)),
                         IECodecConformanceName);

// ---- Cross-checks ------------------------------------------------------------------------------
TEST(IcoXcheck, ToolsReadOursAndWeReadTheirs) {
  IE_REQUIRE_TOOL("winicontopam", "netpbm");
  IE_REQUIRE_TOOL("pamtowinicon", "netpbm");
  IE_REQUIRE_TOOL("icotool", "icoutils");
  IE_REQUIRE_TOOL("convert", "imagemagick");
  TIETempDir dir;
  TIEBitmap src;
  MakeRGB(src, 32, 32);
  src.AlphaChannel()->Fill(255);
  for (int32_t x = 0; x < 32; ++x) src.SetAlpha(x, 3, 0);
  TIOParamsVals p;
  const std::string ours = dir.File("ours.ico");
  ASSERT_TRUE(IEWriteBytesFile(ours, Write(src, p, {{32, 32}, {32, 32}}, {32, 8})));

  const TIEToolRun list = IERunTool({"icotool", "-l", ours});
  ASSERT_EQ(list.ExitStatus, 0);
  const std::string text(list.Output.begin(), list.Output.end());
  EXPECT_NE(text.find("--width=32 --height=32 --bit-depth=32"), std::string::npos) << text;
  EXPECT_NE(text.find("--bit-depth=8"), std::string::npos) << text;

  const TIEToolRun pam = IERunTool({"winicontopam", "-andmasks", ours});
  ASSERT_EQ(pam.ExitStatus, 0);
  TPamImage img;
  ASSERT_TRUE(ParsePam(pam.Output, img));
  ASSERT_EQ(img.Width, 32);
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 32; ++x) {
      const TRGB s = Px(src, x, y);
      ASSERT_EQ(img.At(x, y, 0), s.r);
      ASSERT_EQ(img.At(x, y, 2), s.b);
      ASSERT_EQ(img.At(x, y, img.Depth - 1) == 0, y == 3) << x << "," << y;  // AND plane: 0 = transparent
    }

  // Theirs: pamtowinicon and a multi-size icon whose 256-pixel entry is PNG.
  TIEBitmap opaque;
  MakeRGB(opaque, 32, 32);
  const std::string ppm = dir.File("src.ppm");
  ASSERT_TRUE(IEWriteBytesFile(ppm, FormatPnmOf(BitmapToPam(opaque))));
  const TIEToolRun win = IERunTool({"pamtowinicon"}, ppm);
  ASSERT_EQ(win.ExitStatus, 0);
  TIEBitmap b;
  TIOParamsVals q;
  ASSERT_TRUE(Read(win.Output, b, q).Ok);
  EXPECT_EQ(Px(b, 7, 9), Px(src, 7, 9));

  const std::string png = dir.File("src.png");
  ASSERT_EQ(IERunTool({"convert", ppm, png}).ExitStatus, 0);
  const std::string multi = dir.File("multi.ico");
  ASSERT_EQ(IERunTool({"convert", png, "-define", "icon:auto-resize=16,32,48,256", multi}).ExitStatus, 0);
  Bytes data;
  ASSERT_TRUE(IEReadBytesFile(multi, data));
  for (int32_t i = 0; i < 4; ++i) {
    TIOParamsVals r;
    r.ICOImageIndex = i;
    ASSERT_TRUE(Read(data, b, r).Ok) << i;
    EXPECT_GT(b.Width(), 0);
  }
  EXPECT_EQ(b.Width(), 256);
}

}  // namespace
