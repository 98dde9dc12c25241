// BMP reading and writing through TBitmap: every pixel format round trip,
// cross-checks against ImageMagick and netpbm, hand-made RLE/core/top-down/
// bit-field files, files stored back to back, and the rejection of bad
// headers.
#include "platform/gui/bmpfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string TempDir() {
  const char* home = std::getenv("HOME");
  std::string dir = std::string(home ? home : "/tmp") + "/gfxbmp";
  std::filesystem::create_directories(dir);
  return dir;
}

bool HaveTool(const char* tool) {
  const std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

Bytes RunCapture(const std::string& cmd) {
  Bytes out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  uint8_t buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
  pclose(p);
  return out;
}

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

struct TPpm {
  int W = 0, H = 0;
  std::vector<COLORREF> Pixels;  // rows top to bottom
};

// Parses a binary PPM (P6); W stays 0 on anything else.
TPpm ParsePpm(const Bytes& b) {
  TPpm r;
  size_t i = 0;
  auto token = [&]() {
    std::string t;
    while (i < b.size()) {
      if (b[i] == '#') {
        while (i < b.size() && b[i] != '\n') ++i;
      } else if (std::isspace(b[i])) {
        if (!t.empty()) break;
        ++i;
      } else {
        t += char(b[i++]);
      }
    }
    return t;
  };
  if (token() != "P6") return r;
  const int w = std::atoi(token().c_str()), h = std::atoi(token().c_str());
  const int maxval = std::atoi(token().c_str());
  ++i;
  const int bps = maxval > 255 ? 2 : 1;
  if (w <= 0 || h <= 0 || maxval <= 0 || b.size() < i + size_t(w) * h * 3 * bps) return r;
  for (int p = 0; p < w * h; ++p) {
    uint32_t c[3];
    for (int k = 0; k < 3; ++k) {
      uint32_t v = bps == 2 ? (uint32_t(b[i]) << 8) | b[i + 1] : b[i];
      i += bps;
      c[k] = (v * 255 + uint32_t(maxval) / 2) / uint32_t(maxval);
    }
    r.Pixels.push_back(c[0] | (c[1] << 8) | (c[2] << 16));
  }
  r.W = w;
  r.H = h;
  return r;
}

COLORREF PixelOf(TBitmap& b, int32_t x, int32_t y) {
  const TGdiRaster r = GdiBitmapRaster(b.Handle());
  return GdiValueToColor(r, GdiReadPixel(r, x, y));
}

std::vector<COLORREF> AllPixels(TBitmap& b) {
  std::vector<COLORREF> v;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) v.push_back(PixelOf(b, x, y));
  return v;
}

void LoadBytes(TBitmap& b, const Bytes& data) {
  TCustomMemoryStream s;
  s.SetPointer(data.data(), int64_t(data.size()));
  b.LoadFromStream(&s);
}

Bytes SaveBytes(TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(&s);
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

uint32_t Le32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t Le16(const Bytes& b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }
void Set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void Set16(Bytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

// A BMP file: 40-byte header, the given colour table (RGB triples), then the
// data as given.
Bytes MakeBmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const std::vector<COLORREF>& table,
              const Bytes& data, uint32_t clrUsed = 0) {
  Bytes b(54, 0);
  const uint32_t off = 54 + uint32_t(table.size()) * 4;
  b[0] = 'B';
  b[1] = 'M';
  Set32(b, 2, off + uint32_t(data.size()));
  Set32(b, 10, off);
  Set32(b, 14, 40);
  Set32(b, 18, uint32_t(w));
  Set32(b, 22, uint32_t(h));
  Set16(b, 26, 1);
  Set16(b, 28, bits);
  Set32(b, 30, compression);
  Set32(b, 34, uint32_t(data.size()));
  Set32(b, 46, clrUsed);
  for (COLORREF c : table) {
    b.push_back(uint8_t(c >> 16));
    b.push_back(uint8_t(c >> 8));
    b.push_back(uint8_t(c));
    b.push_back(0);
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0,
                   kYellow = 0x00FFFF;

// Draws a deterministic pattern of colours a format holds exactly.
void Paint(TBitmap& b, const std::vector<COLORREF>& colors) {
  const TGdiRaster r = GdiBitmapRaster(b.Handle());
  for (int32_t y = 0; y < r.Height; ++y)
    for (int32_t x = 0; x < r.Width; ++x)
      GdiWritePixel(r, x, y, GdiColorToValue(r, colors[size_t(x * 3 + y * 5) % colors.size()]));
}

struct TFormatCase {
  TPixelFormat Format;
  uint16_t Bits;
  uint32_t Compression;
  uint32_t TableEntries;
  std::vector<COLORREF> Colors;
};

const std::vector<COLORREF> kPrimaries = {kBlack, kWhite, kRed, kGreen, kBlue, kYellow, 0xFF00FF, 0xFFFF00};

std::vector<TFormatCase> FormatCases() {
  return {
      {TPixelFormat::pf1bit, 1, BI_RGB, 2, {kBlack, kWhite}},
      {TPixelFormat::pf4bit, 4, BI_RGB, 16, {kBlack, kWhite, 0x000080, 0x808000, 0xC0C0C0, kBlue}},
      {TPixelFormat::pf8bit, 8, BI_RGB, 256, {kBlack, kWhite, 0x336699, 0xCCFF00, 0x0A0A0A, kRed}},
      {TPixelFormat::pf15bit, 16, BI_RGB, 0, kPrimaries},
      {TPixelFormat::pf16bit, 16, BI_BITFIELDS, 0, kPrimaries},
      {TPixelFormat::pf24bit, 24, BI_RGB, 0, {0x123456, 0xFEDCBA, 0x010203, kWhite, kBlack}},
      {TPixelFormat::pf32bit, 32, BI_RGB, 0, {0x123456, 0xFEDCBA, 0x010203, kWhite, kBlack}},
      {TPixelFormat::pfDevice, 32, BI_RGB, 0, {0x00A0B0, 0x0B0A00}},
  };
}

TEST(GfxBmp, EveryPixelFormatRoundTripsWithTheDocumentedHeader) {
  for (const TFormatCase& c : FormatCases()) {
    SCOPED_TRACE(int(c.Format));
    TBitmap b;
    b.SetPixelFormat(c.Format);
    b.SetSize(7, 5);
    Paint(b, c.Colors);
    const Bytes file = SaveBytes(b);
    const uint32_t stride = uint32_t(GdiDibStride(7, c.Bits));
    const uint32_t masks = c.Compression == BI_BITFIELDS ? 12 : 0;
    const uint32_t off = 54 + masks + c.TableEntries * 4;
    ASSERT_EQ(file.size(), off + stride * 5);
    EXPECT_EQ(Le16(file, 0), 0x4D42);
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 10), off);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(int32_t(Le32(file, 22)), 5);  // bottom-up
    EXPECT_EQ(Le16(file, 28), c.Bits);
    EXPECT_EQ(Le32(file, 30), c.Compression);
    if (c.Compression == BI_BITFIELDS) {
      EXPECT_EQ(Le32(file, 54), 0xF800u);
      EXPECT_EQ(Le32(file, 58), 0x07E0u);
      EXPECT_EQ(Le32(file, 62), 0x001Fu);
    }

    TBitmap back;
    LoadBytes(back, file);
    EXPECT_EQ(back.PixelFormat(), c.Format == TPixelFormat::pfDevice ? TPixelFormat::pf32bit : c.Format);
    EXPECT_EQ(AllPixels(back), AllPixels(b));
  }
}

TEST(GfxBmp, WrittenFilesReadTheSameInImageMagickAndNetpbm) {
  if (!HaveTool("convert") || !HaveTool("bmptopnm") || !HaveTool("ppmtoppm"))
    GTEST_SKIP() << "ImageMagick or netpbm missing";
  const std::string dir = TempDir();
  int n = 0;
  for (const TFormatCase& c : FormatCases()) {
    SCOPED_TRACE(int(c.Format));
    TBitmap b;
    b.SetPixelFormat(c.Format);
    b.SetSize(7, 5);
    Paint(b, c.Colors);
    const std::string path = dir + "/ours" + std::to_string(n++) + ".bmp";
    b.SaveToFile(path);
    const std::vector<COLORREF> want = AllPixels(b);
    const Bytes id = RunCapture("identify -format '%w %h %m' '" + path + "' 2>/dev/null");
    EXPECT_EQ(std::string(id.begin(), id.end()), "7 5 BMP3");
    for (const std::string& cmd : {"convert '" + path + "' -depth 8 ppm:- 2>/dev/null",
                                   "bmptopnm '" + path + "' 2>/dev/null | ppmtoppm 2>/dev/null"}) {
      SCOPED_TRACE(cmd);
      // netpbm (11.1) does not read the masks that follow a 40-byte header
      // and takes 5-6-5 pixels for 5-5-5 ones; ImageMagick reads them.
      if (c.Compression == BI_BITFIELDS && cmd.rfind("bmptopnm", 0) == 0) continue;
      const TPpm p = ParsePpm(RunCapture(cmd));
      ASSERT_EQ(p.W, 7);
      ASSERT_EQ(p.H, 5);
      EXPECT_EQ(p.Pixels, want);
    }
  }
}

TEST(GfxBmp, FilesMadeByImageMagickReadToItsOwnPixels) {
  if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  const std::string dir = TempDir();
  // A 7 x 5 picture of 8 colours and one of 35 (for 8-bit palettes).
  Bytes few = {'P', '6', '\n', '7', ' ', '5', '\n', '2', '5', '5', '\n'};
  Bytes many = few;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      const COLORREF c = kPrimaries[size_t(x * 3 + y * 5) % 8];
      few.insert(few.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
      many.insert(many.end(), {uint8_t(x * 36), uint8_t(y * 60), uint8_t((x * 7 + y) * 6)});
    }
  WriteFile(dir + "/few.ppm", few);
  WriteFile(dir + "/many.ppm", many);
  struct TCase {
    const char* Source;
    const char* Spec;
    uint32_t HeaderSize;
    uint16_t Bits;
    uint32_t Compression;
    TPixelFormat Format;
  };
  const TCase cases[] = {
      {"few", "-type bilevel BMP3:", 40, 1, BI_RGB, TPixelFormat::pf1bit},
      {"few", "-type palette BMP3:", 40, 4, BI_RGB, TPixelFormat::pf4bit},
      {"many", "-type palette -compress none BMP3:", 40, 8, BI_RGB, TPixelFormat::pf8bit},
      {"few", "-type palette -compress RLE BMP3:", 40, 8, BI_RLE8, TPixelFormat::pf8bit},
      {"many", "-type palette -compress RLE BMP3:", 40, 8, BI_RLE8, TPixelFormat::pf8bit},
      {"many", "-type truecolor BMP3:", 40, 24, BI_RGB, TPixelFormat::pf24bit},
      {"many", "-type truecolor BMP2:", 12, 24, BI_RGB, TPixelFormat::pf24bit},
      {"few", "-type palette BMP2:", 12, 4, BI_RGB, TPixelFormat::pf4bit},
      {"many", "-define bmp:subtype=RGB565 BMP:", 124, 16, BI_BITFIELDS, TPixelFormat::pf16bit},
      {"many", "-define bmp:subtype=RGB555 BMP:", 124, 16, BI_BITFIELDS, TPixelFormat::pf15bit},
      {"many", "-type truecoloralpha BMP:", 124, 32, BI_BITFIELDS, TPixelFormat::pf32bit},
  };
  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Source) + " " + c.Spec);
    const std::string path = dir + "/im" + std::to_string(n++) + ".bmp";
    const std::string cmd =
        std::string("convert '") + dir + "/" + c.Source + ".ppm' " + c.Spec + "'" + path + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const Bytes file = ReadFile(path);
    ASSERT_GT(file.size(), 26u);
    // The case really is the kind of file it names.
    EXPECT_EQ(Le32(file, 14), c.HeaderSize);
    EXPECT_EQ(Le16(file, c.HeaderSize == 12 ? 24 : 28), c.Bits);
    if (c.HeaderSize != 12) {
      EXPECT_EQ(Le32(file, 30), c.Compression);
    }

    TBitmap b;
    b.LoadFromFile(path);
    EXPECT_EQ(b.PixelFormat(), c.Format);
    const TPpm p = ParsePpm(RunCapture("convert '" + path + "' -depth 8 ppm:- 2>/dev/null"));
    ASSERT_EQ(p.W, 7);
    ASSERT_EQ(b.Width(), 7);
    ASSERT_EQ(b.Height(), 5);
    EXPECT_EQ(AllPixels(b), p.Pixels);

    if (c.HeaderSize == 40 && c.Compression == BI_RGB && c.Bits == 24) {
      // The same file stored top-down reads to the same pixels.
      Bytes td = file;
      const size_t off = Le32(file, 10), stride = size_t(GdiDibStride(7, 24));
      for (int y = 0; y < 5; ++y)
        std::memcpy(td.data() + off + size_t(y) * stride, file.data() + off + size_t(4 - y) * stride, stride);
      Set32(td, 22, uint32_t(-5));
      TBitmap t;
      LoadBytes(t, td);
      EXPECT_EQ(AllPixels(t), p.Pixels);
    }
  }
}

TEST(GfxBmp, HandMadeRleCoreAndBitfieldFilesDecodeExactly) {
  const std::vector<COLORREF> table = {kBlack, kRed, kGreen, kBlue};
  // RLE8, 5 x 3, bottom row first: a run, an odd absolute run (padded), a
  // delta over one pixel and one row, the end of the bitmap.
  const Bytes rle8 = {3, 1, 0, 0,        // bottom row: 1 1 1 . .
                      0, 3, 2, 3, 1, 0,  // middle row: 2 3 1 ...
                      0, 2, 1, 1,        // delta (+1, +1) -> x 4, top row
                      1, 3, 0, 1};       // top row x 4: 3; end
  TBitmap b;
  LoadBytes(b, MakeBmp(5, 3, 8, BI_RLE8, table, rle8));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(AllPixels(b), (std::vector<COLORREF>{kBlack, kBlack, kBlack, kBlack, kBlue,  //
                                                 kGreen, kBlue, kRed, kBlack, kBlack,    //
                                                 kRed, kRed, kRed, kBlack, kBlack}));
  // RLE4, 5 x 2: an alternating run, an absolute run of 3 nibbles.
  const Bytes rle4 = {5, 0x12, 0,    0,  //
                      0, 3,    0x32, 0x10, 0, 1};
  LoadBytes(b, MakeBmp(5, 2, 4, BI_RLE4, table, rle4));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf4bit);
  EXPECT_EQ(AllPixels(b), (std::vector<COLORREF>{kBlue, kGreen, kRed, kBlack, kBlack,  //
                                                 kRed, kGreen, kRed, kGreen, kRed}));
  // The 12-byte core header with a table of RGB triples, 1 bit, 3 x 2.
  Bytes core = {'B',  'M', 0,   0,   0,    0, 0, 0, 0, 0, 32, 0, 0, 0,  // file header, bits at 32
                12,   0,   0,   0,   3,    0, 2, 0, 1, 0, 1,  0,        // core header
                0,    0,   255, 255, 0,    0,                           // red, blue (BGR)
                0xA0, 0,   0,   0,   0x40, 0, 0, 0};                    // rows bottom-up
  LoadBytes(b, core);
  EXPECT_EQ(AllPixels(b), (std::vector<COLORREF>{kRed, kBlue, kRed, kBlue, kRed, kBlue}));
  // 32-bit bit fields of another order (red in the low byte): kept as a
  // custom layout with the right colours.
  Bytes bf = MakeBmp(2, 1, 32, BI_BITFIELDS, {}, {0x11, 0x22, 0x33, 0, 0xFF, 0, 0, 0});
  bf.insert(bf.begin() + 54, {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0});
  Set32(bf, 10, 66);
  Set32(bf, 2, uint32_t(bf.size()));
  LoadBytes(b, bf);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pfCustom);
  EXPECT_EQ(AllPixels(b), (std::vector<COLORREF>{0x332211, kRed}));
}

TEST(GfxBmp, PaletteIndexesAreClampedAndTablesBounded) {
  // Two colours for an 8-bit image: index 200 shows the last one.
  TBitmap b;
  LoadBytes(b, MakeBmp(2, 1, 8, BI_RGB, {kRed, kGreen}, {0, 200, 0, 0}, 2));
  EXPECT_EQ(AllPixels(b), (std::vector<COLORREF>{kRed, kGreen}));
  // biClrUsed over 256 with the pixels where bfOffBits says: the first 256
  // entries are the table.
  std::vector<COLORREF> big(300, kBlue);
  big[1] = kYellow;
  LoadBytes(b, MakeBmp(2, 1, 8, BI_RGB, big, {1, 0, 0, 0}, 300));
  EXPECT_EQ(AllPixels(b), (std::vector<COLORREF>{kYellow, kBlue}));
}

TEST(GfxBmp, BackToBackFilesLoadOneAfterTheOther) {
  TBitmap a, b;
  a.SetPixelFormat(TPixelFormat::pf24bit);
  a.SetSize(3, 2);
  Paint(a, {kRed, kGreen});
  b.SetPixelFormat(TPixelFormat::pf8bit);
  b.SetSize(5, 4);
  Paint(b, {kBlue, kWhite});
  TMemoryStream s;
  a.SaveToStream(&s);
  const int64_t firstEnd = s.Position();
  b.SaveToStream(&s);
  // An RLE file whose bfSize counts two bytes of padding after its data.
  Bytes rle = MakeBmp(2, 1, 8, BI_RLE8, {kRed, kBlue}, {2, 1, 0, 1, 0xEE, 0xEE});
  s.WriteBuffer(rle.data(), int64_t(rle.size()));
  a.SaveToStream(&s);
  const int64_t total = s.Position();

  s.SetPosition(0);
  TBitmap r;
  r.LoadFromStream(&s);
  EXPECT_EQ(s.Position(), firstEnd);
  EXPECT_EQ(AllPixels(r), AllPixels(a));
  r.LoadFromStream(&s);
  EXPECT_EQ(AllPixels(r), AllPixels(b));
  r.LoadFromStream(&s);
  EXPECT_EQ(AllPixels(r), (std::vector<COLORREF>{kBlue, kBlue}));
  r.LoadFromStream(&s);
  EXPECT_EQ(AllPixels(r), AllPixels(a));
  EXPECT_EQ(s.Position(), total);
  // Nothing left: an empty bitmap.
  r.LoadFromStream(&s);
  EXPECT_TRUE(r.Empty());
}

TEST(GfxBmp, ABfSizeThatLiesFallsBackToTheData) {
  TBitmap a;
  a.SetPixelFormat(TPixelFormat::pf24bit);
  a.SetSize(2, 2);
  Bytes file = SaveBytes(a);
  const size_t length = file.size();
  for (uint32_t bfSize : {0u, 10u, 0x7FFFFFFFu}) {
    SCOPED_TRACE(bfSize);
    Bytes f = file;
    Set32(f, 2, bfSize);
    f.push_back(0x42);  // the next thing in the stream
    TCustomMemoryStream s;
    s.SetPointer(f.data(), int64_t(f.size()));
    TBitmap b;
    b.LoadFromStream(&s);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(s.Position(), int64_t(length));
  }
}

TEST(GfxBmp, ImpossibleHeadersAreRejectedAndLeaveTheBitmapAlone) {
  const Bytes row8 = {1, 0, 0, 0};
  auto with = [&](size_t at, uint32_t v, int bytes = 4) {
    Bytes b = MakeBmp(1, 1, 8, BI_RGB, {kRed, kGreen}, row8);
    if (bytes == 4)
      Set32(b, at, v);
    else
      Set16(b, at, v);
    return b;
  };
  Bytes truncated = MakeBmp(4, 4, 24, BI_RGB, {}, Bytes(40, 0));
  Bytes badTable = MakeBmp(1, 1, 8, BI_RGB, {}, row8);
  Set32(badTable, 10, 0);       // table follows the header ...
  Set32(badTable, 46, 200000);  // ... and is bigger than the file
  const struct {
    const char* What;
    Bytes Data;
  } cases[] = {
      {"signature", with(0, 0x584D, 2)},
      {"zero width", with(18, 0)},
      {"negative width", with(18, uint32_t(-3))},
      {"zero height", with(22, 0)},
      {"width over 16384", with(18, 16385)},
      {"height over 16384 top-down", with(22, uint32_t(-16385))},
      {"bit count 3", with(28, 3, 2)},
      {"bit count 0", with(28, 0, 2)},
      {"RLE4 with 8 bits", with(30, BI_RLE4)},
      {"bit fields with 8 bits", with(30, BI_BITFIELDS)},
      {"JPEG compression", with(30, 4)},
      {"header size 20", with(14, 20)},
      {"offset inside the header", with(10, 30)},
      {"offset past the end", with(10, 5000)},
      {"rows beyond the data", truncated},
      {"colour table beyond the data", badTable},
      {"a header only", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0}},
  };
  TBitmap keep;
  keep.SetPixelFormat(TPixelFormat::pf24bit);
  keep.SetSize(2, 2);
  Paint(keep, {kYellow});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TBitmap b;
    b.Assign(&keep);
    try {
      LoadBytes(b, c.Data);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.Message().c_str(), "Bitmap image is not valid");
    }
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(AllPixels(b), AllPixels(keep));
  }
}

TEST(GfxBmp, PackedDibsAndIconImagesReadWithoutAFileHeader) {
  // 2 x 1 24-bit packed DIB.
  Bytes dib(40, 0);
  Set32(dib, 0, 40);
  Set32(dib, 4, 2);
  Set32(dib, 8, 1);
  Set16(dib, 12, 1);
  Set16(dib, 14, 24);
  dib.insert(dib.end(), {0, 0, 255, 255, 0, 0, 0, 0});
  size_t used = 0;
  HBITMAP h = ReadPackedDib(dib.data(), dib.size(), false, &used);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(used, dib.size());
  TBitmap b;
  b.SetHandle(h);
  EXPECT_EQ(AllPixels(b), (std::vector<COLORREF>{kRed, kBlue}));
  // As an icon image the header's height counts the mask too.
  Set32(dib, 8, 2);
  dib.insert(dib.end(), {0, 0, 0, 0});  // the AND mask row
  h = ReadPackedDib(dib.data(), dib.size(), true, &used);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(used, 48u);
  b.SetHandle(h);
  EXPECT_EQ(b.Height(), 1);
  EXPECT_THROW(ReadPackedDib(dib.data(), 30), EInvalidGraphic);
}

}  // namespace
