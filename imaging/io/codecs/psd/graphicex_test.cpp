#include "imaging/io/codecs/psd/graphicex.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/codecs/psd/psd_testing.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

using psdtest::BuildPsd;
using psdtest::TPsdFile;

namespace {

struct TLoad {
  std::unique_ptr<TPSDGraphic> Graphic = std::make_unique<TPSDGraphic>();
  int64_t EndPosition = 0;
};

TLoad Load(const std::vector<uint8_t>& Bytes) {
  TLoad l;
  TCustomMemoryStream s;
  s.SetPointer(Bytes.data(), int64_t(Bytes.size()));
  l.Graphic->LoadFromStream(&s);
  l.EndPosition = s.Position();
  return l;
}

std::vector<PALETTEENTRY> PaletteOf(TBitmap& B) {
  HPALETTE p = B.Palette();
  const uint32_t n = p ? GetPaletteEntries(p, 0, 0, nullptr) : 0;
  std::vector<PALETTEENTRY> e(n);
  if (n) GetPaletteEntries(p, 0, n, e.data());
  return e;
}

// The bytes of pixel X of row Y: its index for 1/8 bits, B G R (A) otherwise.
std::vector<uint8_t> PixelOf(TBitmap& B, int32_t X, int32_t Y) {
  const uint8_t* row = B.ScanLine(Y);
  switch (B.PixelFormat()) {
    case TPixelFormat::pf1bit: return {uint8_t((row[X / 8] >> (7 - X % 8)) & 1)};
    case TPixelFormat::pf8bit: return {row[X]};
    case TPixelFormat::pf24bit: return {row + 3 * X, row + 3 * X + 3};
    default: return {row + 4 * X, row + 4 * X + 4};
  }
}

uint8_t Sample8(int32_t C, int32_t I) { return uint8_t(I * 53 + C * 71 + 13); }
// 16-bit samples whose low byte matters for the truncating 16 -> 8 scale.
uint16_t Sample16(int32_t C, int32_t I) { return uint16_t(Sample8(C, I) << 8 | (Sample8(C, I) ^ 0x5A)); }
uint8_t To8(uint16_t V) { return uint8_t(uint32_t(V) * 255 / 65535); }

uint8_t CmykLevel(int32_t S, int32_t K) {
  const int32_t v = S * K / 255 - S - K + 255;
  return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}
uint8_t Cmyk16Level(uint16_t S, uint16_t K) {
  const uint16_t v = uint16_t(S + K - uint32_t(S) * K / 65535);
  return uint8_t(255 - uint32_t(v) * 255 / 65535);
}

struct TModeCase {
  const char* Name;
  uint16_t Mode;
  uint16_t Depth;
  uint16_t Channels;
  size_t ModeDataSize;
  TPixelFormat Format;
  // The stored sample of channel C at pixel I (bits for 1-bit files).
  std::function<uint16_t(int32_t C, int32_t I)> Stored;
  // The expected pixel bytes from the stored samples of the pixel.
  std::function<std::vector<uint8_t>(const std::vector<uint16_t>& S)> Expect;
};

constexpr int32_t W = 10, H = 3;

TPsdFile MakeFile(const TModeCase& C, uint16_t Compression) {
  TPsdFile f;
  f.Width = W;
  f.Height = H;
  f.Mode = C.Mode;
  f.Depth = C.Depth;
  f.Channels = C.Channels;
  f.Compression = Compression;
  f.ModeData.assign(C.ModeDataSize, 0x33);
  if (C.Mode == 2)  // five entries, planar: reds, greens, blues
    f.ModeData = {10, 20, 30, 40, 50, 11, 21, 31, 41, 51, 12, 22, 32, 42, 52};
  const int32_t rb = psdtest::RowBytes(f);
  for (int32_t c = 0; c < C.Channels; ++c) {
    std::vector<uint8_t> plane(size_t(rb) * H, 0);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) {
        const uint16_t v = C.Stored(c, y * W + x);
        uint8_t* row = &plane[size_t(y) * rb];
        if (C.Depth == 1)
          row[x / 8] |= uint8_t((v & 1) << (7 - x % 8));
        else if (C.Depth == 8)
          row[x] = uint8_t(v);
        else
          row[2 * x] = uint8_t(v >> 8), row[2 * x + 1] = uint8_t(v);
      }
    f.Planes.push_back(plane);
  }
  return f;
}

std::vector<uint8_t> Bgr(const std::vector<uint16_t>& S, bool Wide) {
  auto v = [&](int32_t c) { return Wide ? To8(S[size_t(c)]) : uint8_t(S[size_t(c)]); };
  return {v(2), v(1), v(0)};
}

std::vector<TModeCase> ModeCases() {
  auto s8 = [](int32_t c, int32_t i) { return uint16_t(Sample8(c, i)); };
  auto s16 = [](int32_t c, int32_t i) { return Sample16(c, i); };
  auto index = [](const std::vector<uint16_t>& s) { return std::vector<uint8_t>{uint8_t(s[0])}; };
  // L*a*b*: alternating white (255, 128, 128) and black (0, 128, 128).
  auto lab8 = [](int32_t c, int32_t i) { return uint16_t(c == 0 ? (i % 2 ? 0 : 255) : 128); };
  auto lab16 = [](int32_t c, int32_t i) { return uint16_t(c == 0 ? (i % 2 ? 0x00FF : 0xFF12) : 0x8034); };
  auto labExpect = [](uint16_t WhiteL) {
    return [WhiteL](const std::vector<uint16_t>& s) {
      const uint8_t v = s[0] == WhiteL ? 255 : 0;
      return std::vector<uint8_t>{v, v, v};
    };
  };
  auto cmyk8 = [](const std::vector<uint16_t>& s) {
    const int32_t k = 255 - s[3];
    return std::vector<uint8_t>{CmykLevel(255 - s[2], k), CmykLevel(255 - s[1], k), CmykLevel(255 - s[0], k)};
  };
  auto cmyk16 = [](const std::vector<uint16_t>& s) {
    const uint16_t k = uint16_t(65535 - s[3]);
    return std::vector<uint8_t>{Cmyk16Level(uint16_t(65535 - s[2]), k), Cmyk16Level(uint16_t(65535 - s[1]), k),
                                Cmyk16Level(uint16_t(65535 - s[0]), k)};
  };
  return {
      {"Bitmap1", 0, 1, 1, 0, TPixelFormat::pf1bit, [](int32_t, int32_t i) { return uint16_t(i % 3 == 0); }, index},
      {"Gray8", 1, 8, 1, 0, TPixelFormat::pf8bit, s8, index},
      {"Gray16", 1, 16, 1, 0, TPixelFormat::pf8bit, s16,
       [](const std::vector<uint16_t>& s) { return std::vector<uint8_t>{To8(s[0])}; }},
      {"GrayAlpha8", 1, 8, 2, 0, TPixelFormat::pf8bit, s8, index},
      {"GrayExtra16", 1, 16, 3, 0, TPixelFormat::pf8bit, s16,
       [](const std::vector<uint16_t>& s) { return std::vector<uint8_t>{To8(s[0])}; }},
      {"Duotone8", 8, 8, 1, 40, TPixelFormat::pf8bit, s8, index},
      {"Indexed8", 2, 8, 1, 0, TPixelFormat::pf8bit, [](int32_t, int32_t i) { return uint16_t(i % 7); }, index},
      {"RGB8", 3, 8, 3, 0, TPixelFormat::pf24bit, s8, [](const auto& s) { return Bgr(s, false); }},
      {"RGB16", 3, 16, 3, 0, TPixelFormat::pf24bit, s16, [](const auto& s) { return Bgr(s, true); }},
      {"RGB8FiveChannels", 3, 8, 5, 0, TPixelFormat::pf32bit, s8,
       [](const std::vector<uint16_t>& s) {
         return std::vector<uint8_t>{uint8_t(s[2]), uint8_t(s[1]), uint8_t(s[0]), uint8_t(s[3])};
       }},
      {"Multichannel8", 7, 8, 3, 0, TPixelFormat::pf24bit, s8, [](const auto& s) { return Bgr(s, false); }},
      {"CMYK8", 4, 8, 4, 0, TPixelFormat::pf24bit, s8, cmyk8},
      {"CMYK8Alpha", 4, 8, 5, 0, TPixelFormat::pf24bit, s8, cmyk8},
      {"CMYK16", 4, 16, 4, 0, TPixelFormat::pf24bit, s16, cmyk16},
      {"Lab8", 9, 8, 3, 0, TPixelFormat::pf24bit, lab8, labExpect(255)},
      {"Lab8Alpha", 9, 8, 4, 0, TPixelFormat::pf24bit, lab8, labExpect(255)},
      {"Lab16", 9, 16, 3, 0, TPixelFormat::pf24bit, lab16, labExpect(0xFF12)},
  };
}

}  // namespace

// Every colour mode at each depth, raw and PackBits.
TEST(PsdGraphic, ModesDepthsAndCompressions) {
  for (const TModeCase& c : ModeCases())
    for (uint16_t compression : {0, 1}) {
      SCOPED_TRACE(std::string(c.Name) + (compression ? " PackBits" : " raw"));
      const std::vector<uint8_t> bytes = BuildPsd(MakeFile(c, compression));
      TLoad l = Load(bytes);
      TPSDGraphic& g = *l.Graphic;
      ASSERT_EQ(g.PixelFormat(), c.Format);
      ASSERT_EQ(g.Width(), W);
      ASSERT_EQ(g.Height(), H);
      if (c.Mode != 1 || c.Channels == 1) {
        EXPECT_EQ(l.EndPosition, int64_t(bytes.size()));  // colour modes read every channel
      }
      for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
          std::vector<uint16_t> s;
          for (int32_t ch = 0; ch < c.Channels; ++ch) s.push_back(c.Stored(ch, y * W + x));
          ASSERT_EQ(PixelOf(g, x, y), c.Expect(s)) << "pixel " << x << "," << y;
        }
      const std::vector<PALETTEENTRY> pal = PaletteOf(g);
      if (c.Mode == 0) {
        ASSERT_EQ(pal.size(), 2u);
        EXPECT_EQ(pal[0], (PALETTEENTRY{255, 255, 255, 0}));
        EXPECT_EQ(pal[1], (PALETTEENTRY{0, 0, 0, 0}));
      } else if (c.Mode == 2) {
        ASSERT_EQ(pal.size(), 256u);
        EXPECT_EQ(pal[0], (PALETTEENTRY{10, 11, 12, 0}));
        EXPECT_EQ(pal[4], (PALETTEENTRY{50, 51, 52, 0}));
        EXPECT_EQ(pal[5], (PALETTEENTRY{0, 0, 0, 0}));  // padded with black
        EXPECT_EQ(pal[255], (PALETTEENTRY{0, 0, 0, 0}));
      } else if (c.Format == TPixelFormat::pf8bit) {
        ASSERT_EQ(pal.size(), 256u);
        for (int32_t i : {0, 77, 255}) EXPECT_EQ(pal[size_t(i)], (PALETTEENTRY{uint8_t(i), uint8_t(i), uint8_t(i), 0}));
      }
    }
}

TEST(PsdGraphic, IndexedPaletteLongerThan768BytesReadsTheFirst768) {
  TPsdFile f;
  f.Mode = 2;
  f.Channels = 1;
  f.Width = 2;
  f.Planes = {{0, 255}};
  f.ModeData.assign(900, 0);
  f.ModeData[0] = 9;          // red of entry 0
  f.ModeData[256 + 255] = 7;  // green of entry 255
  f.ModeData[512 + 255] = 5;  // blue of entry 255
  f.ModeData[800] = 0xEE;     // past the table
  TLoad l = Load(BuildPsd(f));
  const auto pal = PaletteOf(*l.Graphic);
  ASSERT_EQ(pal.size(), 256u);
  EXPECT_EQ(pal[0], (PALETTEENTRY{9, 0, 0, 0}));
  EXPECT_EQ(pal[255], (PALETTEENTRY{0, 7, 5, 0}));
  EXPECT_EQ(l.Graphic->ScanLine(0)[1], 255);
}

// One row of 16-bit RGB, two pixels: each channel packs to 5 bytes (a
// literal header and 4 bytes); exactly those 15 bytes are read.
TEST(PsdGraphic, PackBitsColourReadsTheSumOfAllCounts) {
  TPsdFile f;
  f.Width = 2;
  f.Depth = 16;
  f.Compression = 1;
  f.Planes = {{0xFF, 0x00, 0x12, 0x34}, {0x80, 0x00, 0x00, 0x00}, {0x00, 0x00, 0xFF, 0xFF}};
  std::vector<uint8_t> bytes = BuildPsd(f);
  ASSERT_EQ(bytes[bytes.size() - 15 - 6], 0);
  ASSERT_EQ(bytes[bytes.size() - 15 - 5], 5);  // the three counts are 5, 5, 5
  bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC});
  TLoad l = Load(bytes);
  EXPECT_EQ(l.EndPosition, int64_t(bytes.size()) - 3);
  EXPECT_EQ(PixelOf(*l.Graphic, 0, 0), (std::vector<uint8_t>{0, 127, 254}));  // FF00 -> 254
  EXPECT_EQ(PixelOf(*l.Graphic, 1, 0), (std::vector<uint8_t>{255, 0, 18}));
}

// Gray PackBits: channel 0's counts only; each row from its own count.
TEST(PsdGraphic, PackBitsGrayRowsUseTheirOwnCounts) {
  TPsdFile f;
  f.Mode = 1;
  f.Channels = 2;
  f.Width = 3;
  f.Height = 2;
  f.Compression = 1;
  f.Planes = {{1, 2, 3, 4, 5, 6}, {9, 9, 9, 9, 9, 9}};
  std::vector<uint8_t> bytes = BuildPsd(f);
  // Row 0 as a repeat run (FE 07: three 7s) instead of its literal run: the
  // counts say 2 then 4 bytes.
  const size_t counts = bytes.size() - 4 * 4 - 4 * 2;
  bytes[counts + 1] = 2;
  bytes.erase(bytes.begin() + int64_t(counts) + 8, bytes.begin() + int64_t(counts) + 12);
  bytes.insert(bytes.begin() + int64_t(counts) + 8, {0xFE, 0x07});
  TLoad l = Load(bytes);
  EXPECT_EQ(PixelOf(*l.Graphic, 0, 0)[0], 7);
  EXPECT_EQ(PixelOf(*l.Graphic, 2, 0)[0], 7);
  EXPECT_EQ(PixelOf(*l.Graphic, 0, 1)[0], 4);
  EXPECT_EQ(PixelOf(*l.Graphic, 2, 1)[0], 6);
}

TEST(PsdGraphic, SignatureAndVersion) {
  TPsdFile f;
  f.Planes = {{1}, {2}, {3}};
  struct TCase {
    const char* Signature;
    uint16_t Version;
    bool Loadable;
    bool Loads;
  } cases[] = {{"8BPS", 1, true, true}, {"8bps", 1, true, false}, {"8BPS", 2, false, true}, {"8BPX", 1, false, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Signature) + " v" + std::to_string(c.Version));
    f.Signature = c.Signature;
    f.Version = c.Version;
    const std::vector<uint8_t> bytes = BuildPsd(f);
    TCustomMemoryStream s;
    s.SetPointer(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    TPSDGraphic g;
    EXPECT_EQ(g.IsLoadableStream(&s), c.Loadable);
    EXPECT_EQ(s.Position(), 0);
    if (c.Loads) {
      EXPECT_NO_THROW(g.LoadFromStream(&s));
      EXPECT_EQ(PixelOf(g, 0, 0), (std::vector<uint8_t>{3, 2, 1}));
    } else {
      try {
        g.LoadFromStream(&s);
        ADD_FAILURE() << "loaded";
      } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "");
      }
      EXPECT_TRUE(g.Empty());
    }
  }
  // 26 bytes are not enough for the test.
  f.Signature = "8BPS";
  f.Version = 1;
  const std::vector<uint8_t> full = BuildPsd(f);
  const std::vector<uint8_t> head(full.begin(), full.begin() + 26);
  TCustomMemoryStream s;
  s.SetPointer(head.data(), int64_t(head.size()));
  EXPECT_FALSE(TPSDGraphic().IsLoadableStream(&s));
}

TEST(PsdGraphic, RefusesWhatItCannotLoad) {
  struct TCase {
    const char* Name;
    uint16_t Mode, Channels, Depth, Compression;
    const char* Message;  // nullptr: any EInvalidGraphic
  } cases[] = {
      {"two-channel RGB", 3, 2, 8, 0, "Invalid pixel format"},
      {"two-channel Lab", 9, 2, 8, 0, "Invalid pixel format"},
      {"one-channel RGB", 3, 1, 8, 0, nullptr},
      {"one-channel Multichannel", 7, 1, 8, 0, nullptr},
      {"one-channel Lab", 9, 1, 8, 0, nullptr},
      {"three-channel CMYK", 4, 3, 8, 0, nullptr},
      {"two-channel CMYK", 4, 2, 8, 0, nullptr},
      {"zip", 3, 3, 8, 2, nullptr},
      {"zip with prediction", 1, 1, 8, 3, nullptr},
      {"mode 5", 5, 3, 8, 0, nullptr},
      {"mode 6", 6, 1, 8, 0, nullptr},
      {"mode 10", 10, 3, 8, 0, nullptr},
      {"12-bit gray", 1, 1, 12, 0, nullptr},
      {"4-bit gray", 1, 1, 4, 0, nullptr},
      {"1-bit RGB", 3, 3, 1, 0, nullptr},
      {"16-bit indexed", 2, 1, 16, 0, nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TPsdFile f;
    f.Width = 4;
    f.Height = 2;
    f.Mode = c.Mode;
    f.Channels = c.Channels;
    f.Depth = c.Depth;
    f.Compression = c.Compression;
    f.Planes.assign(c.Channels, std::vector<uint8_t>(size_t(psdtest::RowBytes(f)) * 2, 0x40));
    const std::vector<uint8_t> bytes = BuildPsd(f);
    try {
      Load(bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      if (c.Message) {
        EXPECT_EQ(e.Message(), c.Message);
      }
    }
  }
  // The colour manager refuses depths of 0 or above 16 and files without
  // channels.
  for (auto [depth, channels] : {std::pair<uint16_t, uint16_t>{0, 3}, {32, 3}, {8, 0}}) {
    TPsdFile f;
    f.Depth = depth;
    f.Channels = channels;
    EXPECT_THROW(Load(BuildPsd(f)), EColorConversionError) << depth << " bits, " << channels << " channels";
  }
}

TEST(PsdGraphic, HostileSizesAreCheckedAgainstTheData) {
  TPsdFile f;
  f.Width = 4;
  f.Height = 2;
  f.Planes.assign(3, std::vector<uint8_t>(8, 1));
  const std::vector<uint8_t> good = BuildPsd(f);
  // Truncated raw data, section lengths beyond the end: the stream's read error.
  EXPECT_THROW(Load(std::vector<uint8_t>(good.begin(), good.end() - 1)), EReadError);
  std::vector<uint8_t> bad = good;
  bad[26] = 0x7F;  // colour-mode data length
  EXPECT_THROW(Load(bad), EReadError);
  // A huge image announced by a few bytes is refused before any allocation.
  f.Width = 1 << 20;
  f.Height = 1 << 12;
  f.Planes.clear();
  EXPECT_THROW(Load(BuildPsd(f)), EInvalidGraphic);  // over 2^31 bytes
  f.Height = 100;
  EXPECT_THROW(Load(BuildPsd(f)), EReadError);  // raw data not present
  // PackBits counts that could never fill the image.
  f.Compression = 1;
  f.Width = 100000;
  f.Height = 2;
  f.Planes.assign(3, std::vector<uint8_t>(size_t(f.Width) * 2, 0));
  std::vector<uint8_t> packed = BuildPsd(f);
  const size_t table = 26 + 12 + 2;
  for (size_t i = 0; i < 6; ++i) packed[table + 2 * i] = 0, packed[table + 2 * i + 1] = 2;
  packed.resize(table + 12 + 12);
  EXPECT_THROW(Load(packed), EInvalidGraphic);
  // Zero or negative sizes.
  for (int32_t w : {0, -5}) {
    TPsdFile z;
    z.Width = w;
    EXPECT_THROW(Load(BuildPsd(z)), EInvalidGraphic) << w;
  }
}

TEST(PsdGraphic, TruncatedPackBitsRowsLeaveZeros) {
  TPsdFile f;
  f.Mode = 1;
  f.Channels = 1;
  f.Width = 4;
  f.Depth = 16;
  f.Compression = 1;
  f.Planes = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  std::vector<uint8_t> bytes = BuildPsd(f);
  // The literal run claims 8 bytes but its count allows 6: two samples and
  // the high byte of the third.
  bytes[bytes.size() - 9 - 1] = 6;
  bytes.resize(bytes.size() - 3);
  TLoad l = Load(bytes);
  EXPECT_EQ(PixelOf(*l.Graphic, 0, 0)[0], 255);
  EXPECT_EQ(PixelOf(*l.Graphic, 1, 0)[0], 255);
  EXPECT_EQ(PixelOf(*l.Graphic, 2, 0)[0], 254);  // FF00
  EXPECT_EQ(PixelOf(*l.Graphic, 3, 0)[0], 0);
}

TEST(PsdGraphic, ProgressAndProperties) {
  TPsdFile f;
  f.Width = 2;
  f.Height = 4;
  f.Compression = 1;
  f.Planes.assign(3, std::vector<uint8_t>(8, 0x22));
  const std::vector<uint8_t> bytes = BuildPsd(f);
  TPSDGraphic g;
  std::vector<std::pair<TProgressStage, int>> events;
  std::vector<TRect> rects;
  g.OnProgress = [&](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool, const TRect& R, const String& Msg) {
    EXPECT_EQ(Sender, &g);
    EXPECT_EQ(Msg, "");
    events.emplace_back(Stage, Percent);
    rects.push_back(R);
  };
  TCustomMemoryStream s;
  s.SetPointer(bytes.data(), int64_t(bytes.size()));
  g.LoadFromStream(&s);
  using P = TProgressStage;
  const std::vector<std::pair<TProgressStage, int>> expected = {
      {P::psStarting, 0}, {P::psEnding, 0},   {P::psStarting, 0}, {P::psEnding, 0},   {P::psStarting, 0},
      {P::psRunning, 0},  {P::psRunning, 25}, {P::psRunning, 50}, {P::psRunning, 75}, {P::psEnding, 0}};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(rects.front(), Rect(0, 0, 2, 1));
  EXPECT_EQ(rects.back(), Rect(0, 4, 2, 5));

  const TImageProperties& p = g.ImageProperties();
  EXPECT_TRUE(p.Options.Contains(TImageOption::ioBigEndian));
  EXPECT_FALSE(p.Options.Contains(TImageOption::ioMinIsWhite));
  EXPECT_EQ(p.ColorScheme, TColorLayout::layRGB);
  EXPECT_EQ(p.Compression, 3);
  EXPECT_EQ(p.BitsPerPixel, 24);

  // A failing read still ends the progress.
  events.clear();
  const std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 3);
  s.SetPointer(cut.data(), int64_t(cut.size()));
  s.SetPosition(0);
  EXPECT_THROW(g.LoadFromStream(&s), EReadError);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().first, P::psEnding);

  // Assign carries the properties to another picture of the family.
  TPSDGraphic copy;
  copy.Assign(&g);
  EXPECT_EQ(copy.ImageProperties().ColorScheme, TColorLayout::layRGB);
  std::unique_ptr<TGraphic> fresh(g.CreateNew());
  EXPECT_NE(dynamic_cast<TPSDGraphic*>(fresh.get()), nullptr);
}

// ---- The registry -----------------------------------------------------------------

namespace {
class TFakeGraphicA : public TBitmap {};
class TFakeGraphicB : public TBitmap {};
const TGraphicClass ClassA = &NewGraphic<TFakeGraphicA>;
const TGraphicClass ClassB = &NewGraphic<TFakeGraphicB>;

// Whether TPicture has a class for Extension.
bool PictureKnows(const String& Extension, const TIETempDir& Dir) {
  // A file that no class can load tells which class tried through the error.
  const String path = Dir.File("probe." + Extension);
  IEWriteBytesFile(path, {});
  TPicture p;
  try {
    p.LoadFromFile(path);
  } catch (const EInvalidGraphic& e) {
    if (e.Message().find("Unknown picture file extension") != String::npos) return false;
  } catch (...) {
  }
  return true;
}
}  // namespace

TEST(PsdFileFormatList, Rules) {
  TIETempDir dir;
  {
    TFileFormatList list;
    list.AddFormat("", "ignored", "", 0, false, true, ClassA);
    EXPECT_EQ(list.ExtensionCount(), 0);
    list.AddFormat("aaa", "Class A", "", 1, false, true, ClassA);
    list.AddFormat("AAB", "", "Second", 1, false, true, ClassA);
    EXPECT_EQ(list.IndexOfExtension("aab"), 1);
    EXPECT_EQ(list.IndexOfExtension("ccc"), -1);
    EXPECT_EQ(list.IndexOfExtension(""), -1);
    ASSERT_EQ(list.IndexOfClass(ClassA), 0);
    EXPECT_EQ(list.ClassEntry(0).Count, 2);
    EXPECT_EQ(list.ClassEntry(0).Description, "Class A");
    EXPECT_TRUE(PictureKnows("aaa", dir));

    // A second registration needs Replace; with it the classes are recounted.
    EXPECT_THROW(list.AddFormat("AAA", "", "", 1, false, true, ClassB), EInvalidGraphic);
    list.AddFormat("aaa", "Class B", "", 1, true, true, ClassB);
    EXPECT_EQ(list.ClassEntry(list.IndexOfClass(ClassA)).Count, 1);
    EXPECT_EQ(list.ClassEntry(list.IndexOfClass(ClassB)).Count, 1);
    list.AddFormat("aab", "", "", 1, true, true, ClassB);
    EXPECT_EQ(list.IndexOfClass(ClassA), -1);  // no extension left
    EXPECT_EQ(list.ClassEntry(list.IndexOfClass(ClassB)).Count, 2);

    // Unknown extensions change nothing; no extension removes the class.
    list.RemoveFormat("zzz", ClassB);
    EXPECT_EQ(list.ExtensionCount(), 2);
    list.RemoveFormat("", ClassB);
    EXPECT_EQ(list.ExtensionCount(), 0);
    EXPECT_EQ(list.ClassCount(), 0);
    EXPECT_FALSE(PictureKnows("aaa", dir));

    // The last extension of a class unregisters it.
    list.AddFormat("one", "", "", 1, false, true, ClassA);
    list.RemoveFormat("ONE", nullptr);
    EXPECT_EQ(list.ClassCount(), 0);
    EXPECT_FALSE(PictureKnows("one", dir));
    // A removed extension is taken back from TPicture; the others stay.
    list.AddFormat("p1", "", "", 1, false, true, ClassA);
    list.AddFormat("p2", "", "", 1, false, true, ClassA);
    list.RemoveFormat("p1", ClassA);
    EXPECT_FALSE(PictureKnows("p1", dir));
    EXPECT_TRUE(PictureKnows("p2", dir));
    list.AddFormat("two", "", "", 1, false, true, ClassA);
  }
  EXPECT_FALSE(PictureKnows("p2", dir));
  // The destructor clears the list and the picture's registrations.
  EXPECT_FALSE(PictureKnows("two", dir));
}

// Start-up registers "psd"; TPicture then loads PSD files through
// TPSDGraphic. The batch moves the picture into a platform bitmap, saves it
// as a BMP stream and reads that with the BMP reader: same pixels.
TEST(PsdGraphic, BatchRoadThroughTPictureAndTheBmpReader) {
  GraphicExInitialize();
  ASSERT_NE(FileFormatList(), nullptr);
  EXPECT_GE(FileFormatList()->IndexOfExtension("PSD"), 0);
  TIETempDir dir;
  for (const TModeCase& c : ModeCases()) {
    if (std::string(c.Name) != "RGB8" && std::string(c.Name) != "Indexed8" && std::string(c.Name) != "Bitmap1")
      continue;
    SCOPED_TRACE(c.Name);
    const String path = dir.File(String("road_") + c.Name + ".PSD");
    ASSERT_TRUE(IEWriteBytesFile(path, BuildPsd(MakeFile(c, 1))));
    EXPECT_TRUE(TPSDGraphic().IsLoadableFile(path));
    EXPECT_FALSE(TGraphicExGraphic().IsLoadableFile(path));
    TPicture picture;
    picture.LoadFromFile(path);
    ASSERT_NE(dynamic_cast<TPSDGraphic*>(picture.Graphic()), nullptr);
    TBitmap bitmap;
    bitmap.Assign(picture.Graphic());
    TMemoryStream bmp;
    bitmap.SaveToStream(&bmp);
    bmp.SetPosition(0);

    TIEBitmap ie;
    TIOParamsVals params;
    std::atomic<bool> abort{false};
    TIECodecProgress progress;
    progress.AbortFlag = &abort;
    std::unique_ptr<TIEMask> alpha;
    IEDecodeBMP(&bmp, &ie, 0, params, progress, false, false, alpha, false);
    ASSERT_FALSE(abort.load());
    ASSERT_EQ(ie.Width(), W);
    ASSERT_EQ(ie.Height(), H);
    const std::vector<PALETTEENTRY> pal = PaletteOf(bitmap);
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) {
        std::vector<uint8_t> want = PixelOf(bitmap, x, y);
        if (want.size() == 1) {
          const PALETTEENTRY& e = pal.at(want[0]);
          want = {e.peBlue, e.peGreen, e.peRed};
        }
        std::vector<uint8_t> got;
        const auto* row = static_cast<const uint8_t*>(ie.ScanLine(y));
        if (ie.PixelFormat() == TIEPixelFormat::ie1g) {
          const uint8_t v = ((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
          got = {v, v, v};
        } else if (ie.PixelFormat() == TIEPixelFormat::ie8p) {
          TRGB rgb;
          ie.GetPaletteColor(row[x], rgb);
          got = {rgb.b, rgb.g, rgb.r};
        } else {
          ASSERT_EQ(ie.PixelFormat(), TIEPixelFormat::ie24RGB);
          got = {row + 3 * x, row + 3 * x + 3};
        }
        ASSERT_EQ(got, want) << "pixel " << x << "," << y;
      }
  }
  GraphicExFinalize();
  EXPECT_EQ(FileFormatList(), nullptr);
  TPicture picture;
  EXPECT_THROW(picture.LoadFromFile(dir.File("road_RGB8.PSD")), EInvalidGraphic);
}
