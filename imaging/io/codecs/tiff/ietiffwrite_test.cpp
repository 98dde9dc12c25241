// The TIFF writer: Params normalisation as data, the structure of the
// written IFDs, pixel round trips through the reader for every compression,
// page insertion, the rational encoder, the EXIF set and short writes.
#include "imaging/io/codecs/tiff/ietiffwrite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "imaging/io/codecs/tiff/tiffwrite_testing.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iemodelinit.h"

using namespace tiffwrite;
using Co = TIETIFFCompression;
using Ph = TIETIFFPhotometric;

namespace {

std::unique_ptr<TIEBitmap> TwoColourImage() {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(9, 5, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 9; ++x) *b->PixelRGB(x, y) = (x + y) % 3 ? TRGB{200, 220, 240} : TRGB{10, 20, 30};
  return b;
}

std::unique_ptr<TIEBitmap> PaletteImage(int32_t colours, bool gray) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(11, 6, TIEPixelFormat::ie8p);
  for (int32_t i = 0; i < colours; ++i) {
    const auto v = static_cast<uint8_t>(255 - i * 255 / std::max(1, colours - 1));
    b->SetPaletteColor(i, gray ? TRGB{v, v, v} : TRGB{v, static_cast<uint8_t>(i * 40), 90});
  }
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 11; ++x) b->SetPixel8(x, y, static_cast<uint8_t>((x + 2 * y) % colours));
  return b;
}

// ---- Normalisation: Params before -> Params after and the tags written ----------

struct TNormCase {
  const char* Name;
  std::function<std::unique_ptr<TIEBitmap>()> Image;
  Co Compression;
  int32_t Bits, Samples;
  Ph Photometric;
  // After.
  Co WantCompression;
  int32_t WantBits, WantSamples;
  Ph WantPhotometric;
  uint32_t TagCompression, TagPhotometric, TagSamples;
  std::vector<uint32_t> TagBits;
  uint32_t TagPredictor;  // 0: no tag
};

TEST(TiffWriteNormalise, ParamsAfterAndTagsFollowTheOrderOfTheRules) {
  IEInitImageModel();  // the writer converts through the colour-depth routines
  auto colour = [] { return ColourImage(13, 7); };
  auto gray = [] { return GrayImage(13, 7, TIEPixelFormat::ie24RGB); };
  auto rgb48 = [] {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(5, 3, TIEPixelFormat::ieRGB48);
    b->Fill(0.5);
    return b;
  };
  const std::vector<TNormCase> cases = {
      // CCITT codes force one sample of one bit; a bilevel page is WhiteIsZero.
      {"g4 forces 1x1", colour, Co::tcG4Fax, 8, 3, Ph::tpRGB, Co::tcG4Fax, 1, 1, Ph::tpBlackIsZero, 4, 0, 1, {1}, 0},
      {"g3 2d",
       [] { return BilevelImage(20, 9); },
       Co::tcG3Fax2D,
       8,
       3,
       Ph::tpRGB,
       Co::tcG3Fax2D,
       1,
       1,
       Ph::tpBlackIsZero,
       3,
       0,
       1,
       {1},
       0},
      {"1 bit none is black-is-zero",
       TwoColourImage,
       Co::tcNone,
       1,
       1,
       Ph::tpRGB,
       Co::tcNone,
       1,
       1,
       Ph::tpBlackIsZero,
       1,
       1,
       1,
       {1},
       0},
      // One sample of 8 bits: gray when every pixel is gray, else a palette.
      {"8 bit gray", gray, Co::tcNone, 8, 1, Ph::tpRGB, Co::tcNone, 8, 1, Ph::tpBlackIsZero, 1, 1, 1, {8}, 0},
      {"8 bit palette",
       colour,
       Co::tcPackBits,
       8,
       1,
       Ph::tpRGB,
       Co::tcPackBits,
       8,
       1,
       Ph::tpPalette,
       32773,
       3,
       1,
       {8},
       0},
      {"6 bit colour becomes an 8-bit palette",
       colour,
       Co::tcNone,
       6,
       1,
       Ph::tpRGB,
       Co::tcNone,
       8,
       1,
       Ph::tpPalette,
       1,
       3,
       1,
       {8},
       0},
      {"4 bit palette", colour, Co::tcLZW, 4, 1, Ph::tpRGB, Co::tcLZW, 4, 1, Ph::tpPalette, 5, 3, 1, {4}, 0},
      {"jpeg with gray becomes none",
       gray,
       Co::tcJPEG,
       8,
       1,
       Ph::tpRGB,
       Co::tcNone,
       8,
       1,
       Ph::tpBlackIsZero,
       1,
       1,
       1,
       {8},
       0},
      {"jpeg with palette becomes none",
       colour,
       Co::tcJPEG,
       8,
       1,
       Ph::tpRGB,
       Co::tcNone,
       8,
       1,
       Ph::tpPalette,
       1,
       3,
       1,
       {8},
       0},
      {"ycbcr without jpeg is rgb",
       colour,
       Co::tcNone,
       8,
       3,
       Ph::tpYCbCr,
       Co::tcNone,
       8,
       3,
       Ph::tpRGB,
       1,
       2,
       3,
       {8, 8, 8},
       0},
      {"palette of 3 samples is rgb",
       colour,
       Co::tcNone,
       8,
       3,
       Ph::tpPalette,
       Co::tcNone,
       8,
       3,
       Ph::tpRGB,
       1,
       2,
       3,
       {8, 8, 8},
       0},
      {"gray of 3 samples is rgb",
       colour,
       Co::tcNone,
       8,
       3,
       Ph::tpBlackIsZero,
       Co::tcNone,
       8,
       3,
       Ph::tpRGB,
       1,
       2,
       3,
       {8, 8, 8},
       0},
      {"16 bits of 3 samples is 8",
       colour,
       Co::tcNone,
       16,
       3,
       Ph::tpRGB,
       Co::tcNone,
       8,
       3,
       Ph::tpRGB,
       1,
       2,
       3,
       {8, 8, 8},
       0},
      {"rgb48", rgb48, Co::tcNone, 8, 1, Ph::tpBlackIsZero, Co::tcNone, 16, 3, Ph::tpRGB, 1, 2, 3, {16, 16, 16}, 0},
      {"lzw rgb gets predictor 2",
       colour,
       Co::tcLZW,
       8,
       3,
       Ph::tpRGB,
       Co::tcLZW,
       8,
       3,
       Ph::tpRGB,
       5,
       2,
       3,
       {8, 8, 8},
       2},
      {"compression 6 writes none",
       colour,
       Co::tcOldJPEG,
       8,
       3,
       Ph::tpRGB,
       Co::tcNone,
       8,
       3,
       Ph::tpRGB,
       1,
       2,
       3,
       {8, 8, 8},
       0},
      {"jpeg ycbcr", colour, Co::tcJPEG, 8, 3, Ph::tpRGB, Co::tcJPEG, 8, 3, Ph::tpRGB, 7, 6, 3, {8, 8, 8}, 0},
      {"cmyk has four samples",
       colour,
       Co::tcNone,
       8,
       3,
       Ph::tpCMYK,
       Co::tcNone,
       8,
       4,
       Ph::tpCMYK,
       1,
       5,
       4,
       {8, 8, 8, 8},
       0},
      {"cielab is 8", colour, Co::tcNone, 8, 3, Ph::tpCIELab, Co::tcNone, 8, 3, Ph::tpCIELab, 1, 8, 3, {8, 8, 8}, 0},
      {"16-bit gray",
       [] { return GrayImage(13, 7, TIEPixelFormat::ie16g); },
       Co::tcNone,
       16,
       1,
       Ph::tpRGB,
       Co::tcNone,
       16,
       1,
       Ph::tpBlackIsZero,
       1,
       1,
       1,
       {16},
       0},
  };
  for (const TNormCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto image = c.Image();
    TIOParamsVals p;
    p.TIFFCompression = c.Compression;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    p.TIFFPhotometric = c.Photometric;
    p.TIFFJPEGColorSpace = TIEJPEGColorSpace::jcYCbCr;
    const TSave s = Save(image.get(), p);
    ASSERT_FALSE(s.Aborted);
    EXPECT_EQ(s.Result, 1);
    EXPECT_EQ(p.TIFFCompression, c.WantCompression);
    EXPECT_EQ(p.BitsPerSample, c.WantBits);
    EXPECT_EQ(p.SamplesPerPixel, c.WantSamples);
    EXPECT_EQ(p.TIFFPhotometric, c.WantPhotometric);
    const auto chain = ParseChain(s.Bytes);
    ASSERT_EQ(chain.size(), 1u);
    const TIFD& d = chain[0];
    EXPECT_EQ(d.Value(259), c.TagCompression);
    EXPECT_EQ(d.Value(262), c.TagPhotometric);
    EXPECT_EQ(d.Value(277), c.TagSamples);
    const TTag* bits = d.Find(258);
    ASSERT_NE(bits, nullptr);
    ASSERT_EQ(bits->Count, c.TagBits.size());
    for (size_t i = 0; i < c.TagBits.size(); ++i) EXPECT_EQ(bits->Value(i), c.TagBits[i]);
    EXPECT_EQ(d.Value(317), c.TagPredictor);
  }
}

// ---- Structure ---------------------------------------------------------------------

TEST(TiffWriteStructure, SortedEvenIfdInlineValuesAndMetadataTags) {
  auto image = ColourImage(7, 3);
  TIOParamsVals p;
  p.TIFFCompression = Co::tcNone;
  p.TIFFDocumentName = "ab";  // 3 bytes with the NUL: held in the entry
  p.TIFFPageName = "a page name";
  p.TIFFImageDescription = "odd";  // odd lengths push the IFD to an odd place
  p.XMPPacket = "<x>xmp</x>";      // 10 bytes
  const uint8_t iptc[] = {'h', 'e', 'l', 'l', 'o'};
  p.IPTCInfo.AddItem(2, 120, 5, iptc);
  p.SetDpiX(150);
  p.SetDpiY(75);
  p.TIFFXPos = 3;
  const TSave s = Save(image.get(), p);
  ASSERT_FALSE(s.Aborted);
  const TBytes& f = s.Bytes;
  ASSERT_GE(f.size(), 8u);
  EXPECT_EQ(f[0], 'I');
  EXPECT_EQ(U16(f, 2), 42u);
  const uint32_t ifd = U32(f, 4);
  EXPECT_EQ(ifd % 2, 0u);
  const TIFD d = ParseIFD(f, ifd);
  EXPECT_EQ(d.Next, 0u);
  EXPECT_EQ(ifd + 2 + 12 * d.Tags.size() + 4, f.size());
  for (size_t i = 1; i < d.Tags.size(); ++i) EXPECT_LT(d.Tags[i - 1].Tag, d.Tags[i].Tag);
  for (const TTag& t : d.Tags)
    if (!t.Inline) {
      EXPECT_EQ(t.Where % 2, 0u) << t.Tag;
    }

  const TTag* doc = d.Find(269);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(doc->Inline);
  EXPECT_EQ(doc->Count, 3u);
  EXPECT_EQ(doc->Text(), std::string("ab\0", 3));
  EXPECT_EQ(d.Find(285)->Text(), std::string("a page name\0", 12));
  // IPTC: the block (record version 2:0 first) in whole LONGs.
  const TTag* block = d.Find(33723);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->Type, 4);
  std::vector<uint8_t> saved;
  p.IPTCInfo.SaveToBuffer(saved, false);
  EXPECT_EQ(block->Count, (saved.size() + 3) / 4);
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), block->Data.begin()));
  const TTag* xmp = d.Find(700);
  ASSERT_NE(xmp, nullptr);
  EXPECT_EQ(xmp->Text(), p.XMPPacket);
  EXPECT_EQ(xmp->Where % 2, 0u);
  // Resolution as value/1, the position in ten-thousandths.
  EXPECT_EQ(d.Find(282)->Value(0), 150u);
  EXPECT_EQ(d.Find(282)->Value(1), 1u);
  EXPECT_EQ(d.Find(283)->Value(0), 75u);
  EXPECT_EQ(d.Find(296)->Value(), 2u);
  EXPECT_DOUBLE_EQ(d.Find(286)->Rational(), 3.0);
  EXPECT_FALSE(d.Has(287));
  EXPECT_EQ(d.Value(254), 0u);
  // PageNumber 1, 1 while no field is above 1.
  EXPECT_EQ(d.Value(297, 0), 1u);
  EXPECT_EQ(d.Value(297, 1), 1u);
  // The fax coding options only on fax pages.
  EXPECT_FALSE(d.Has(292));
  EXPECT_FALSE(d.Has(293));
  // One strip: offsets and counts in the entries, the strip right after the header values.
  EXPECT_TRUE(d.Find(273)->Inline);
  EXPECT_EQ(d.Value(279), 7u * 3 * 3);
  EXPECT_EQ(d.Value(278), 3u);
}

TEST(TiffWriteStructure, PageNumberColorMapAndFaxTags) {
  auto image = ColourImage(4, 3);  // 12 pixels: every colour gets its own entry
  TIOParamsVals p;
  p.BitsPerSample = 4;
  p.SamplesPerPixel = 1;
  p.TIFFPageNumber = 2;
  p.TIFFPageCount = 5;
  TSave s = Save(image.get(), p);
  ASSERT_FALSE(s.Aborted);
  TIFD d = ParseChain(s.Bytes)[0];
  EXPECT_EQ(d.Value(297, 0), 2u);
  EXPECT_EQ(d.Value(297, 1), 5u);
  const TTag* map = d.Find(320);
  ASSERT_NE(map, nullptr);
  ASSERT_EQ(map->Count, 48u);
  // Every map value is an 8-bit value x 257, the colours of the image among them.
  for (size_t i = 0; i < 48; ++i) EXPECT_EQ(map->Value(i) % 257, 0u) << i;
  TIEBitmap back;
  TIOParamsVals q;
  ASSERT_FALSE(Load(s.Bytes, back, q).Aborted);
  EXPECT_EQ(Rgb(back), Rgb(*image));

  auto bw = BilevelImage(30, 5);
  TIOParamsVals f;
  f.TIFFCompression = Co::tcG4Fax;
  f.TIFFFillOrder = 2;
  s = Save(bw.get(), f);
  d = ParseChain(s.Bytes)[0];
  EXPECT_EQ(d.Value(262), 0u);
  EXPECT_EQ(d.Value(266), 2u);
  EXPECT_EQ(d.Value(284), 1u);
  EXPECT_TRUE(d.Has(327));
  EXPECT_EQ(d.Value(327), 0u);
  EXPECT_FALSE(d.Has(292));
  EXPECT_TRUE(d.Has(293));
  EXPECT_EQ(d.Value(293), 0u);
  for (Co c : {Co::tcG3Fax1D, Co::tcG3Fax2D}) {
    TIOParamsVals g3;
    g3.TIFFCompression = c;
    d = ParseChain(Save(bw.get(), g3).Bytes)[0];
    EXPECT_EQ(d.Value(259), 3u);
    ASSERT_TRUE(d.Has(292));
    EXPECT_EQ(d.Value(292), c == Co::tcG3Fax2D ? 1u : 0u);
    EXPECT_FALSE(d.Has(293));
  }
}

TEST(TiffWriteStructure, StripsHoldAbout512KBOfBitmapRows) {
  // 600 x 700 RGB: 1800 bytes a row, 1,260,000 bytes: two strips of 350 rows.
  auto image = ColourImage(600, 700);
  TIOParamsVals p;
  p.TIFFCompression = Co::tcPackBits;
  const TSave s = Save(image.get(), p);
  ASSERT_FALSE(s.Aborted);
  const TIFD d = ParseChain(s.Bytes)[0];
  const int64_t rowLen = image->RowLen();
  const uint32_t rows = static_cast<uint32_t>(700 / std::max<int64_t>(1, 700 * rowLen / 524288));
  EXPECT_EQ(d.Value(278), rows);
  const TTag* offsets = d.Find(273);
  const TTag* counts = d.Find(279);
  const uint32_t strips = (700 + rows - 1) / rows;
  ASSERT_EQ(offsets->Count, strips);
  ASSERT_EQ(counts->Count, strips);
  EXPECT_FALSE(offsets->Inline);
  // Strips follow each other without gaps.
  for (uint32_t i = 1; i < strips; ++i) EXPECT_EQ(offsets->Value(i), offsets->Value(i - 1) + counts->Value(i - 1));
  TIEBitmap back;
  TIOParamsVals q;
  ASSERT_FALSE(Load(s.Bytes, back, q).Aborted);
  EXPECT_EQ(Rgb(back), Rgb(*image));

  // Bilevel: 1024-byte rows give two strips of 515 rows, each coded afresh.
  auto bw = BilevelImage(8192, 1030);
  for (Co c : {Co::tcG3Fax2D, Co::tcG4Fax}) {
    SCOPED_TRACE(static_cast<int>(c));
    TIOParamsVals f;
    f.TIFFCompression = c;
    const TSave fax = Save(bw.get(), f);
    ASSERT_FALSE(fax.Aborted);
    const TIFD fd = ParseChain(fax.Bytes)[0];
    EXPECT_EQ(fd.Value(278), 1030u / (1030u * 1024 / 524288));
    EXPECT_EQ(fd.Find(273)->Count, 2u);
    TIEBitmap bilevel;
    TIOParamsVals fq;
    ASSERT_FALSE(Load(fax.Bytes, bilevel, fq).Aborted);
    ASSERT_EQ(bilevel.PixelFormat(), TIEPixelFormat::ie1g);
    for (int32_t y : {0, 1, 514, 515, 1029}) EXPECT_EQ(std::memcmp(bilevel.ScanLine(y), bw->ScanLine(y), 1024), 0) << y;
  }
}

// ---- Pixel round trips through the reader -------------------------------------------

struct TTripCase {
  const char* Name;
  std::function<std::unique_ptr<TIEBitmap>()> Image;
  std::function<void(TIOParamsVals&)> Setup;
  int32_t Tolerance;
};

TEST(TiffWriteRoundTrip, EveryCompressionAndRowWriterReadsBack) {
  auto colour = [] { return ColourImage(37, 21); };
  // JPEG keeps smooth colours; the fixture's one-pixel lines are lost to chroma subsampling.
  auto smooth = [] {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(32, 16, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 32; ++x)
        *b->PixelRGB(x, y) = TRGB{uint8_t(100 + 2 * y), uint8_t(60 + 3 * x), uint8_t(200 - 2 * x)};
    return b;
  };
  auto bilevel = [] { return BilevelImage(45, 19); };
  auto set = [](Co c, int32_t bits = 8, int32_t samples = 3, Ph ph = Ph::tpRGB) {
    return [=](TIOParamsVals& p) {
      p.TIFFCompression = c;
      p.BitsPerSample = bits;
      p.SamplesPerPixel = samples;
      p.TIFFPhotometric = ph;
    };
  };
  const std::vector<TTripCase> cases = {
      {"rgb none", colour, set(Co::tcNone), 0},
      {"rgb lzw predictor", colour, set(Co::tcLZW), 0},
      {"rgb packbits", colour, set(Co::tcPackBits), 0},
      {"rgb jpeg ycbcr", smooth, set(Co::tcJPEG), 10},
      {"rgb jpeg rgb", smooth,
       [](TIOParamsVals& p) {
         p.TIFFCompression = Co::tcJPEG;
         p.TIFFJPEGColorSpace = TIEJPEGColorSpace::jcRGB;
         p.TIFFJPEGQuality = 95;
       },
       10},
      {"bilevel none", bilevel, set(Co::tcNone, 1, 1), 0},
      {"bilevel lzw", bilevel, set(Co::tcLZW, 1, 1), 0},
      {"bilevel packbits", bilevel, set(Co::tcPackBits, 1, 1), 0},
      {"bilevel huffman", bilevel, set(Co::tcHuffman, 1, 1), 0},
      {"bilevel g3", bilevel, set(Co::tcG3Fax1D, 1, 1), 0},
      {"bilevel g3 2d", bilevel, set(Co::tcG3Fax2D, 1, 1), 0},
      {"bilevel g4", bilevel, set(Co::tcG4Fax, 1, 1), 0},
      {"bilevel g4 lsb first", bilevel,
       [](TIOParamsVals& p) {
         p.TIFFCompression = Co::tcG4Fax;
         p.TIFFFillOrder = 2;
       },
       0},
      {"gray 8 from ie8g", [] { return GrayImage(23, 9); }, set(Co::tcLZW, 8, 1), 0},
      {"gray 16 from ie16g", [] { return GrayImage(23, 9, TIEPixelFormat::ie16g); }, set(Co::tcPackBits, 16, 1), 0},
      {"gray palette not a ramp", [] { return PaletteImage(5, true); }, set(Co::tcNone, 8, 1), 0},
      {"palette 8 bits", [] { return PaletteImage(40, false); }, set(Co::tcPackBits, 8, 1), 0},
      {"palette 4 bits", [] { return PaletteImage(12, false); }, set(Co::tcLZW, 4, 1), 0},
      {"rgb48",
       [] {
         auto b = std::make_unique<TIEBitmap>();
         b->Allocate(7, 4, TIEPixelFormat::ieRGB48);
         for (int32_t y = 0; y < 4; ++y)
           for (int32_t x = 0; x < 7; ++x)
             b->SetPixelRGB48(x, y, TRGB48{uint16_t(x * 9000 + 1), uint16_t(y * 15000 + 7), uint16_t(x * y * 999)});
         return b;
       },
       set(Co::tcLZW), 0},
      {"cmyk", colour, set(Co::tcPackBits, 8, 3, Ph::tpCMYK), 2},
      {"float source",
       [] {
         auto b = std::make_unique<TIEBitmap>();
         b->Allocate(6, 3, TIEPixelFormat::ie32f);
         for (int32_t y = 0; y < 3; ++y)
           for (int32_t x = 0; x < 6; ++x) b->SetPixelFloat(x, y, x * 0.4 - 0.5);  // clamped outside 0..1
         return b;
       },
       set(Co::tcLZW), 1},
      {"cmyk source",
       [] {
         auto b = std::make_unique<TIEBitmap>();
         b->Allocate(6, 3, TIEPixelFormat::ieCMYK);
         for (int32_t y = 0; y < 3; ++y)
           for (int32_t x = 0; x < 6; ++x)
             b->SetPixelCMYK(x, y, TCMYK{uint8_t(40 * x), uint8_t(255 - 60 * y), uint8_t(90), uint8_t(200)});
         return b;
       },
       set(Co::tcNone, 8, 3, Ph::tpCMYK), 2},
  };
  for (const TTripCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto image = c.Image();
    TIOParamsVals p;
    c.Setup(p);
    const TSave s = Save(image.get(), p);
    ASSERT_FALSE(s.Aborted);
    TIEBitmap back;
    TIOParamsVals q;
    q.NativePixelFormat = image->PixelFormat() == TIEPixelFormat::ieRGB48;
    ASSERT_FALSE(Load(s.Bytes, back, q).Aborted);
    ASSERT_EQ(back.Width(), image->Width());
    ASSERT_EQ(back.Height(), image->Height());
    if (image->PixelFormat() == TIEPixelFormat::ieRGB48) {
      ASSERT_EQ(back.PixelFormat(), TIEPixelFormat::ieRGB48);
      for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(back.GetPixelRGB48(x, y), image->GetPixelRGB48(x, y));
      continue;
    }
    const TBytes want = Rgb(*image), got = Rgb(back);
    ASSERT_EQ(want.size(), got.size());
    int32_t worst = 0;
    for (size_t i = 0; i < want.size(); ++i) worst = std::max(worst, std::abs(int32_t(want[i]) - int32_t(got[i])));
    EXPECT_LE(worst, c.Tolerance);
  }
}

TEST(TiffWriteRoundTrip, GrayOfTwoToSevenBitsKeepsItsLevels) {
  for (int32_t bits : {2, 3, 4, 5, 6, 7}) {
    SCOPED_TRACE(bits);
    auto image = GrayImage(29, 5, TIEPixelFormat::ie24RGB);
    TIOParamsVals p;
    p.BitsPerSample = bits;
    p.SamplesPerPixel = 1;
    const TSave s = Save(image.get(), p);
    ASSERT_FALSE(s.Aborted);
    EXPECT_EQ(p.TIFFPhotometric, Ph::tpBlackIsZero);
    EXPECT_EQ(p.BitsPerSample, bits);
    const TIFD d = ParseChain(s.Bytes)[0];
    EXPECT_EQ(d.Value(258), uint32_t(bits));
    EXPECT_EQ(d.Value(279), uint32_t((29 * bits + 7) / 8 * 5));
    TIEBitmap back;
    TIOParamsVals q;
    ASSERT_FALSE(Load(s.Bytes, back, q).Aborted);
    // Each pixel is the level trunc(v x 2^bits / 256), read back scaled to 8 bits.
    const int32_t levels = 1 << bits;
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 29; ++x) {
        const int32_t v = image->PixelRGB(x, y)->r;
        TRGB c;
        back.GetPixelAsRGB(x, y, c);
        // Whatever the reader scales the levels to, their top bits are the level.
        EXPECT_EQ(c.r >> (8 - bits), v * levels / 256) << x << "," << y;
      }
  }
}

TEST(TiffWriteRoundTrip, AlphaIsAFourthSampleWithExtraSamples) {
  auto image = ColourImage(10, 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 10; ++x) image->SetAlpha(x, y, static_cast<uint8_t>(x * 25));
  image->AlphaChannel()->SetFull(false);
  for (Co c : {Co::tcNone, Co::tcLZW, Co::tcPackBits}) {
    SCOPED_TRACE(static_cast<int>(c));
    TIOParamsVals p;
    p.TIFFCompression = c;
    const TSave s = Save(image.get(), p);
    ASSERT_FALSE(s.Aborted);
    const TIFD d = ParseChain(s.Bytes)[0];
    EXPECT_EQ(d.Value(277), 4u);
    EXPECT_EQ(d.Value(338), 2u);
    EXPECT_FALSE(d.Has(317));  // no predictor with alpha
    TIEBitmap back;
    TIOParamsVals q;
    std::unique_ptr<TIEMask> mask;
    ASSERT_FALSE(Load(s.Bytes, back, q, 0, &mask).Aborted);
    EXPECT_EQ(Rgb(back), Rgb(*image));
    ASSERT_TRUE(mask);
    for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(mask->ScanLine(3)[x], x * 25);
  }
  // Alpha is not a sample of a JPEG page.
  TIOParamsVals p;
  p.TIFFCompression = Co::tcJPEG;
  const TIFD d = ParseChain(Save(image.get(), p).Bytes)[0];
  EXPECT_EQ(d.Value(277), 3u);
  EXPECT_FALSE(d.Has(338));
}

TEST(TiffWriteRoundTrip, CmykAndLabRowsComeFromTheColourHook) {
  auto image = ColourImage(6, 2);
  for (Ph ph : {Ph::tpCMYK, Ph::tpCIELab}) {
    SCOPED_TRACE(static_cast<int>(ph));
    TIOParamsVals p;
    p.TIFFPhotometric = ph;
    const TSave s = Save(image.get(), p);
    const TIFD d = ParseChain(s.Bytes)[0];
    const int32_t bytes = ph == Ph::tpCMYK ? 4 : 3;
    EXPECT_EQ(d.Value(262), ph == Ph::tpCMYK ? 5u : 8u);
    EXPECT_EQ(d.Value(277), uint32_t(bytes));
    ASSERT_EQ(d.Value(279), uint32_t(6 * 2 * bytes));
    const uint8_t* strip = s.Bytes.data() + d.Value(273);
    for (int32_t y = 0; y < 2; ++y) {
      TBytes want(6 * size_t(bytes));
      IEConvertColorRow(image->ScanLine(y), TIEColorRowFormat::crfBGR, want.data(),
                        ph == Ph::tpCMYK ? TIEColorRowFormat::crfCMYK : TIEColorRowFormat::crfCIELab, 6, nullptr);
      // CMYK ink is stored as 0 = none.
      if (ph == Ph::tpCMYK)
        for (auto& v : want) v = static_cast<uint8_t>(~v);
      EXPECT_TRUE(std::equal(want.begin(), want.end(), strip + y * 6 * bytes)) << y;
    }
  }
}

TEST(TiffWriteRoundTrip, CallersBitmapIsNotChanged) {
  auto bw = BilevelImage(20, 6);
  const TBytes before = Rgb(*bw);
  TIOParamsVals p;
  p.TIFFCompression = Co::tcG4Fax;
  Save(bw.get(), p);
  EXPECT_EQ(Rgb(*bw), before);
  EXPECT_EQ(bw->PixelFormat(), TIEPixelFormat::ie1g);
}

TEST(TiffWriteRoundTrip, TwoColourImageMapsItsDarkerColourToBlack) {
  auto image = TwoColourImage();
  TIOParamsVals p;
  p.BitsPerSample = 1;
  p.SamplesPerPixel = 1;
  const TSave s = Save(image.get(), p);
  TIEBitmap back;
  TIOParamsVals q;
  ASSERT_FALSE(Load(s.Bytes, back, q).Aborted);
  ASSERT_EQ(back.PixelFormat(), TIEPixelFormat::ie1g);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 9; ++x) {
      TRGB c;
      back.GetPixelAsRGB(x, y, c);
      EXPECT_EQ(c.r, image->PixelRGB(x, y)->b == 10 ? 0 : 255);
    }
}

// ---- Insert --------------------------------------------------------------------------

// Three pages of 1 x 1 gray, levels 10, 20, 30, with big directories and
// odd sizes between them.
TBytes ThreePages() {
  TBytes file;
  for (int32_t i = 0; i < 3; ++i) {
    TIEBitmap b;
    b.Allocate(1 + i, 1, TIEPixelFormat::ie8g);
    b.Fill(0);
    b.SetPixel8(0, 0, static_cast<uint8_t>(10 * (i + 1)));
    TIOParamsVals p;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 1;
    p.TIFFPageName = "p";
    p.TIFFImageIndex = i;  // appended
    const TSave s = i == 0 ? Save(&b, p) : Save(&b, p, file, true);
    EXPECT_EQ(s.Result, i + 1);
    file = s.Bytes;
  }
  return file;
}

std::vector<uint32_t> PageWidths(const TBytes& f) {
  std::vector<uint32_t> w;
  for (const TIFD& d : ParseChain(f)) w.push_back(d.Value(256));
  return w;
}

TEST(TiffWriteInsert, NewPageTakesTheIndexOrEndsTheFile) {
  const TBytes file = ThreePages();
  ASSERT_EQ(PageWidths(file), (std::vector<uint32_t>{1, 2, 3}));
  struct TCase {
    int32_t Index;
    std::vector<uint32_t> Order;
  };
  const std::vector<TCase> cases = {
      {0, {9, 1, 2, 3}}, {1, {1, 9, 2, 3}}, {3, {1, 2, 3, 9}}, {7, {1, 2, 3, 9}}, {-4, {9, 1, 2, 3}}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Index);
    TIEBitmap b;
    b.Allocate(9, 2, TIEPixelFormat::ie24RGB);
    b.Fill(0);
    TIOParamsVals p;
    p.TIFFImageIndex = c.Index;
    const TSave s = Save(&b, p, file, true);
    ASSERT_FALSE(s.Aborted);
    EXPECT_EQ(s.Result, 4);
    // The old bytes stay where they were: only a link changed.
    ASSERT_GT(s.Bytes.size(), file.size());
    size_t changed = 0;
    for (size_t i = 0; i < file.size(); ++i) changed += s.Bytes[i] != file[i];
    EXPECT_LE(changed, 4u);
    EXPECT_EQ(std::equal(file.begin(), file.begin() + 4, s.Bytes.begin()), true);
    EXPECT_EQ(PageWidths(s.Bytes), c.Order);
    // The reader sees the same order.
    TIEBitmap back;
    TIOParamsVals q;
    const TLoad l =
        Load(s.Bytes, back, q, static_cast<int32_t>(std::find(c.Order.begin(), c.Order.end(), 9u) - c.Order.begin()));
    EXPECT_EQ(l.Pages, 4);
    EXPECT_EQ(back.Width(), 9);
  }
}

TEST(TiffWriteInsert, RefusesWhatIsNotALittleEndianTiffAndWalksBoundedChains) {
  TIEBitmap b;
  b.Allocate(2, 2, TIEPixelFormat::ie24RGB);
  b.Fill(0);
  TBytes bigEndian = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
  // The short one would have its header link land on the new page's data.
  for (const TBytes& f : {bigEndian, TBytes{'I', 'I'}, TBytes{}, TBytes{'G', 'I', 'F', '8', '9', 'a'},
                          TBytes{'I', 'I', 42, 0, 0x13, 0}, TBytes{'I', 'I', 43, 0, 8, 0, 0, 0, 0, 0}}) {
    TIOParamsVals p;
    const TSave s = Save(&b, p, f, true);
    EXPECT_EQ(s.Result, 0);
    EXPECT_TRUE(s.Aborted);
    EXPECT_EQ(s.Bytes, f);
  }
  // A chain that comes back on itself, and one that leaves the file: the
  // walk ends there and the page is linked in at the end of what was met.
  TBytes loop = ThreePages();
  const auto chain = ParseChain(loop);
  const uint64_t lastLink = chain[2].Offset + 2 + 12 * chain[2].Tags.size();
  for (uint32_t target : {U32(loop, 4), uint32_t(loop.size() + 100), 2u}) {
    SCOPED_TRACE(target);
    TBytes f = loop;
    for (int i = 0; i < 4; ++i) f[lastLink + i] = static_cast<uint8_t>(target >> (8 * i));
    TIOParamsVals p;
    p.TIFFImageIndex = 50;
    const TSave s = Save(&b, p, f, true);
    ASSERT_FALSE(s.Aborted);
    EXPECT_EQ(s.Result, 4);
    EXPECT_EQ(PageWidths(s.Bytes), (std::vector<uint32_t>{1, 2, 3, 2}));
    EXPECT_TRUE(std::equal(f.begin(), f.begin() + 8, s.Bytes.begin()));
  }
}

TEST(TiffWriteInsert, LinkInsideAnotherDirectoryIsRefused) {
  // Directory A at 10 (one entry) links to B at 8, whose table is empty and
  // whose own link is A's count and first tag: B's link ends the chain, and
  // rewriting it would give A another entry count.
  TBytes f = {'I', 'I', 42, 0, 10, 0, 0, 0, 0, 0, 1, 0};
  for (uint8_t v : {0, 1, 4, 0, 1, 0, 0, 0, 1, 0, 0, 0, 8, 0, 0, 0}) f.push_back(v);
  const auto pages = [](const TBytes& bytes) {
    TCustomMemoryStream stream;
    stream.SetPointer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return IETIFFPageCount(&stream);
  };
  ASSERT_EQ(pages(f), 2);
  TIEBitmap b;
  b.Allocate(3, 2, TIEPixelFormat::ie24RGB);
  b.Fill(0);
  struct TCase {
    int32_t Index;
    bool Refused;
  };
  for (const TCase& c : {TCase{0, false}, TCase{1, false}, TCase{2, true}, TCase{9, true}}) {
    SCOPED_TRACE(c.Index);
    TIOParamsVals p;
    p.TIFFImageIndex = c.Index;
    const TSave s = Save(&b, p, f, true);
    EXPECT_EQ(s.Aborted, c.Refused);
    EXPECT_EQ(s.Result, 3);
    if (c.Refused) {
      EXPECT_EQ(s.Bytes, f);
    } else {
      EXPECT_EQ(pages(s.Bytes), 3);
    }
  }
}

TEST(TiffWriteInsert, OffsetsCountFromTheStreamStart) {
  // A TIFF after a 12-byte block: its offsets include the block.
  const TBytes prefix(12, 0xAB);
  auto image = ColourImage(5, 4);
  TIOParamsVals p;
  TSave s = Save(image.get(), p, {}, false, prefix);
  ASSERT_FALSE(s.Aborted);
  EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), s.Bytes.begin()));
  EXPECT_EQ(s.Bytes[12], 'I');
  const uint32_t ifd = U32(s.Bytes, 16);
  EXPECT_GT(ifd, 20u);
  const TIFD d = ParseIFD(s.Bytes, ifd);
  EXPECT_GE(d.Value(273), 20u);
  // The reader with base 0 from position 12.
  TCustomMemoryStream stream;
  stream.SetPointer(s.Bytes.data(), static_cast<int64_t>(s.Bytes.size()));
  stream.Seek(12, soBeginning);
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  TIEBitmap back;
  TIOParamsVals q;
  int32_t pages = 0;
  std::unique_ptr<TIEMask> mask;
  IEDecodeTIFF(&back, &stream, pages, &q, progress, false, mask, false, false, false);
  ASSERT_FALSE(abort.load());
  EXPECT_EQ(Rgb(back), Rgb(*image));

  // Inserting into that TIFF keeps the block and links after it.
  TIOParamsVals p2;
  const TBytes tiff(s.Bytes.begin() + 12, s.Bytes.end());
  s = Save(image.get(), p2, tiff, true, prefix);
  ASSERT_FALSE(s.Aborted);
  EXPECT_EQ(s.Result, 2);
  EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), s.Bytes.begin()));
  EXPECT_EQ(ParseChain(s.Bytes, 12).size(), 2u);
}

// ---- Rational encoder ------------------------------------------------------------------

TEST(TiffWriteRational, VectorsAndUnsafeValues) {
  struct TCase {
    double Value;
    int32_t Num, Den;
  };
  const std::vector<TCase> cases = {
      {0.5, 500000, 1000000},
      {1.0 / 3.0, 333333, 1000000},
      {2147.48, 2147480000, 1000000},  // just below the limit
      {2147.4837, 214748370, 100000},
      {-0.7, -700000, 1000000},
      {-5000, -500000000, 100000},
      {0, 0, 1000000},
      {0.0000025, 2, 1000000},  // 2.5 rounds half to even
      {0.0000035, 4, 1000000},
      {3e9, 2147483647, 1},
      {-3e9, std::numeric_limits<int32_t>::min(), 1},
      {std::nan(""), 0, 1},
      {std::numeric_limits<double>::infinity(), 0, 1},
      {-std::numeric_limits<double>::infinity(), 0, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Value);
    int32_t n = 7, d = 7;
    IEDoubleToRational(c.Value, n, d);
    EXPECT_EQ(n, c.Num);
    EXPECT_EQ(d, c.Den);
  }
}

// ---- EXIF ----------------------------------------------------------------------------------

void FillExif(TIOParamsVals& p) {
  p.HasEXIFData = true;
  p.EXIFImageDescription = "A description";
  p.SetEXIFXResolution(180.7);
  p.SetEXIFYResolution(180);
  p.SetTIFFOrientation(6);
  p.EXIFMake = "Maker";
  p.EXIFModel = "Model 1";
  p.EXIFDateTime = "2024:01:02 03:04:05";
  p.EXIFSoftware = "sw";
  p.EXIFExposureTime = 1.0 / 125;
  p.EXIFFNumber = 5.6;
  p.EXIFShutterSpeedValue = -1.5;
  p.EXIFBrightnessValue = -2.25;
  p.EXIFExposureBiasValue = -0.7;
  p.EXIFISOSpeedRatings = {200, 400};
  p.EXIFVersion = "0230";
  p.EXIFFlashPixVersion = "0100";
  p.EXIFImageWidth = 70000;
  p.EXIFImageHeight = 480;
  p.EXIFUserCommentCode = std::string("ASCII\0\0\0", 8);
  p.EXIFUserComment = "hello";
  p.EXIFXPTitle = u"Title";
  p.EXIFFlash = 0x10019;  // written as its low 16 bits
  p.EXIFFileSource = 3;
  p.EXIFSceneType = 1;
  // A maker note of two entries: one inline, one 6-byte ASCII value at block offset 26.
  TMemoryStream* m = p.EXIFMakerNote.Data();
  const uint8_t note[] = {2,   0,                                         // two entries
                          1,   0,   3,   0,   1,   0, 0, 0, 7,  0, 0, 0,  // SHORT 7
                          2,   0,   2,   0,   6,   0, 0, 0, 26, 0, 0, 0,  // ASCII at 26
                          'n', 'o', 't', 'e', '!', 0};
  m->Write(note, sizeof note);
  p.EXIFMakerNote.Update();
}

TEST(TiffWriteExif, ExifSetSubIfdAndMakerNoteReadBack) {
  auto image = ColourImage(4, 3);
  TIOParamsVals p;
  FillExif(p);
  const TBytes noteBefore(static_cast<const uint8_t*>(p.EXIFMakerNote.Data()->Memory()),
                          static_cast<const uint8_t*>(p.EXIFMakerNote.Data()->Memory()) + 32);
  const TSave s = Save(image.get(), p);
  ASSERT_FALSE(s.Aborted);
  const TIFD d = ParseChain(s.Bytes)[0];
  EXPECT_EQ(d.Find(282)->Value(0), 180u);
  EXPECT_EQ(d.Find(282)->Value(1), 1u);
  EXPECT_EQ(d.Value(274), 6u);
  EXPECT_EQ(d.Find(40091)->Data.size(), 12u);
  ASSERT_TRUE(d.Has(34665));
  const uint32_t at = d.Value(34665);
  EXPECT_EQ(at % 2, 0u);
  const TIFD sub = ParseIFD(s.Bytes, at);
  EXPECT_EQ(sub.Next, 0u);
  for (size_t i = 1; i < sub.Tags.size(); ++i) EXPECT_LT(sub.Tags[i - 1].Tag, sub.Tags[i].Tag);
  for (uint16_t tag : {37377, 37379, 37380}) EXPECT_EQ(sub.Find(tag)->Type, 10) << tag;
  EXPECT_EQ(sub.Find(37378)->Type, 5);
  EXPECT_DOUBLE_EQ(sub.Find(37380)->Rational(), -0.7);
  EXPECT_EQ(sub.Find(36864)->Text(), "0230");
  EXPECT_TRUE(sub.Find(36864)->Inline);
  EXPECT_EQ(sub.Find(40962)->Type, 4);  // 70000 does not fit a SHORT
  EXPECT_EQ(sub.Value(40962), 70000u);
  EXPECT_EQ(sub.Find(40963)->Type, 3);
  EXPECT_EQ(sub.Value(37385), 0x19u);
  EXPECT_EQ(sub.Find(41728)->Type, 7);
  EXPECT_EQ(sub.Find(41728)->Data, TBytes{3});
  // The maker note's out-of-line offset became a file position; Params keep theirs.
  const TTag* note = sub.Find(37500);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->Count, 32u);
  EXPECT_EQ(U32(note->Data, 2 + 8), 7u);
  EXPECT_EQ(U32(note->Data, 2 + 12 + 8), note->Where + 26);
  EXPECT_EQ(std::string(s.Bytes.begin() + note->Where + 26, s.Bytes.begin() + note->Where + 32),
            std::string("note!\0", 6));
  EXPECT_TRUE(
      std::equal(noteBefore.begin(), noteBefore.end(), static_cast<const uint8_t*>(p.EXIFMakerNote.Data()->Memory())));

  TIEBitmap back;
  TIOParamsVals q;
  ASSERT_FALSE(Load(s.Bytes, back, q).Aborted);
  EXPECT_EQ(q.EXIFMake, "Maker");
  EXPECT_EQ(q.EXIFModel, "Model 1");
  EXPECT_EQ(q.EXIFDateTime, "2024:01:02 03:04:05");
  EXPECT_NEAR(q.EXIFExposureTime, 0.008, 1e-9);
  EXPECT_NEAR(q.EXIFFNumber, 5.6, 1e-9);
  EXPECT_NEAR(q.EXIFExposureBiasValue, -0.7, 1e-9);
  EXPECT_NEAR(q.EXIFBrightnessValue, -2.25, 1e-9);
  EXPECT_NEAR(q.EXIFShutterSpeedValue, -1.5, 1e-9);
  EXPECT_EQ(q.GetEXIFISOSpeedRatings(1), 400);
  EXPECT_EQ(q.EXIFVersion, "0230");
  EXPECT_EQ(q.EXIFUserComment, "hello");
  EXPECT_EQ(q.EXIFXPTitle, u"Title");
  EXPECT_EQ(q.EXIFOrientation, 6);
  EXPECT_EQ(q.EXIFFileSource, 3);
  EXPECT_EQ(q.EXIFSceneType, 1);
  ASSERT_EQ(q.EXIFMakerNote.Data()->Size(), p.EXIFMakerNote.Data()->Size());
  EXPECT_EQ(std::memcmp(q.EXIFMakerNote.Data()->Memory(), p.EXIFMakerNote.Data()->Memory(), 32), 0);
  EXPECT_EQ(Rgb(back), Rgb(*image));
}

TEST(TiffWriteExif, MakerNoteEntriesThatCannotBeRebasedStayAsHeld) {
  TIOParamsVals p;
  p.HasEXIFData = true;
  TMemoryStream* m = p.EXIFMakerNote.Data();
  // Four entries: a type beyond the table, a value past the block, a count
  // whose size overflows 32 bits, and a good one; then more entries claimed
  // than the block holds.
  std::vector<uint8_t> note = {9, 0};
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t offset) {
    for (uint32_t v : {uint32_t(tag) | uint32_t(type) << 16, count, offset})
      for (int i = 0; i < 4; ++i) note.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  entry(1, 99, 100, 50);
  entry(2, 7, 10, 500);
  entry(3, 12, 0x40000000, 4);
  entry(4, 7, 5, 50);
  note.resize(60, 0);
  m->Write(note.data(), static_cast<int32_t>(note.size()));
  const TSave s = Save(nullptr, p);
  ASSERT_FALSE(s.Aborted);
  const TIFD sub = ParseIFD(s.Bytes, ParseChain(s.Bytes)[0].Value(34665));
  const TTag* t = sub.Find(37500);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->Data.size(), note.size());
  for (size_t i = 0; i < note.size(); ++i)
    if (i < 2 + 36 + 8 || i >= 2 + 36 + 12) {
      EXPECT_EQ(t->Data[i], note[i]) << i;
    }
  EXPECT_EQ(U32(t->Data, 2 + 36 + 8), t->Where + 50);
}

TEST(TiffWriteExif, ExifOnlyModeWritesTheFieldsAlone) {
  TIOParamsVals p;
  FillExif(p);
  p.EXIFVersion = "023000";  // longer than an entry holds: out of line
  const TSave s = Save(nullptr, p);
  ASSERT_FALSE(s.Aborted);
  EXPECT_EQ(s.Result, 1);
  const auto chain = ParseChain(s.Bytes);
  ASSERT_EQ(chain.size(), 1u);
  for (uint16_t tag : {256, 257, 258, 259, 262, 273, 277, 278, 279, 297}) EXPECT_FALSE(chain[0].Has(tag)) << tag;
  EXPECT_EQ(chain[0].Find(271)->Text(), std::string("Maker\0", 6));
  const TIFD sub = ParseIFD(s.Bytes, chain[0].Value(34665));
  const TTag* version = sub.Find(36864);
  EXPECT_FALSE(version->Inline);
  EXPECT_EQ(version->Text(), "023000");
  // An empty ExifVersion is still written, with count 0.
  TIOParamsVals e;
  e.HasEXIFData = true;
  const TSave s2 = Save(nullptr, e);
  const TIFD sub2 = ParseIFD(s2.Bytes, ParseChain(s2.Bytes)[0].Value(34665));
  ASSERT_TRUE(sub2.Has(36864));
  EXPECT_EQ(sub2.Find(36864)->Count, 0u);
  EXPECT_FALSE(sub2.Has(40960));
  EXPECT_FALSE(sub2.Has(37500));
  // Without the EXIF flag: the plain head only.
  TIOParamsVals plain;
  plain.TIFFImageDescription = "d";
  const TIFD head = ParseChain(Save(nullptr, plain).Bytes)[0];
  EXPECT_FALSE(head.Has(34665));
  EXPECT_TRUE(head.Has(270));
  EXPECT_TRUE(head.Has(282));
}

// ---- Failures ------------------------------------------------------------------------------

// Takes at most Limit bytes in all.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(int64_t Limit) : FLimit(Limit) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    const int64_t room = std::max<int64_t>(0, FLimit - Position());
    return TMemoryStream::Write(Buffer, static_cast<int32_t>(std::min<int64_t>(Count, room)));
  }

 private:
  int64_t FLimit;
};

TEST(TiffWriteFailure, ShortWriteSetsTheFlagAndWritesNoIfd) {
  IEInitImageModel();  // the writer converts through the colour-depth routines
  IEInstallTIFFLZWHooks();
  auto image = ColourImage(64, 40);
  for (Co c : {Co::tcNone, Co::tcLZW, Co::tcJPEG, Co::tcG4Fax}) {
    TIOParamsVals full;
    full.TIFFCompression = c;
    const int64_t size = static_cast<int64_t>(Save(image.get(), full).Bytes.size());
    for (int64_t limit : {int64_t(4), int64_t(100), size / 2, size - 1}) {
      SCOPED_TRACE(limit);
      TShortStream s(limit);
      TIOParamsVals p;
      p.TIFFCompression = c;
      std::atomic<bool> abort{false};
      TIECodecProgress progress;
      progress.AbortFlag = &abort;
      IEEncodeTIFF(&s, false, image.get(), p, progress);
      EXPECT_TRUE(abort.load());
      EXPECT_LE(s.Size(), limit);
      // The header's link was never written.
      if (s.Size() >= 8) {
        const auto* m = static_cast<const uint8_t*>(s.Memory());
        EXPECT_EQ(U32(TBytes(m, m + 8), 4), 0u);
      }
    }
  }
  // An empty bitmap is refused before anything is written.
  TIEBitmap empty;
  TIOParamsVals p;
  const TSave s = Save(&empty, p);
  EXPECT_TRUE(s.Aborted);
  EXPECT_TRUE(s.Bytes.empty());
}

}  // namespace
