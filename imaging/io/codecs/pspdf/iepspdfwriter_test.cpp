#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/io/codecs/pspdf/iepdfwriter.h"
#include "imaging/io/codecs/pspdf/iepswriter.h"
#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/streams.h"

namespace {

using enum TIEPixelFormat;

// Every document of these tests is dated Thursday 10 December 2026, 19:05:09.
class FixedClock {
 public:
  FixedClock() : FOld(&CurrentClock()), FClock(EncodeDateTime(2026, 12, 10, 19, 5, 9, 0)) { SetClock(&FClock); }
  ~FixedClock() { SetClock(FOld); }

 private:
  Clock* FOld;
  VirtualClock FClock;
};

void MakeRGB(TIEBitmap& B, int32_t W, int32_t H) {
  B.Allocate(W, H, ie24RGB);
  for (int32_t y = 0; y < H; ++y) {
    auto* row = static_cast<uint8_t*>(B.ScanLine(y));
    for (int32_t x = 0; x < W; ++x) {
      row[3 * x] = uint8_t(x * 7);
      row[3 * x + 1] = uint8_t(y * 11);
      row[3 * x + 2] = uint8_t((x / 4 + y / 4) % 2 ? 200 : 30);
    }
  }
}

void MakeBilevel(TIEBitmap& B, int32_t W, int32_t H) {
  B.Allocate(W, H, ie1g);
  for (int32_t y = 0; y < H; ++y) {
    auto* row = static_cast<uint8_t*>(B.ScanLine(y));
    for (int32_t x = 0; x < W; ++x)
      if (((x / 5) + (y / 3)) % 2 || x == y) row[x / 8] |= uint8_t(0x80 >> (x % 8));
  }
}

std::string Text(TMemoryStream& S) { return std::string(static_cast<const char*>(S.Memory()), size_t(S.Size())); }

std::vector<std::string> Lines(const std::string& T) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < T.size()) {
    size_t end = T.find("\r\n", at);
    if (end == std::string::npos) end = T.size();
    out.push_back(T.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

size_t CountOf(const std::string& T, const std::string& What) {
  size_t n = 0;
  for (size_t at = T.find(What); at != std::string::npos; at = T.find(What, at + What.size())) ++n;
  return n;
}

// The ASCII85 digits between the "%%BeginData:" block's data lines and
// "%%EndData", without line ends and end markers.
size_t DataDigits(const std::string& T) {
  size_t start = T.find("colorimage\r\n");
  if (start == std::string::npos)
    start = T.find("image\r\n") + 7;
  else
    start += 12;
  const size_t end = T.find("%%EndData");
  std::string data = T.substr(start, end - start);
  size_t digits = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\r' || data[i] == '\n') continue;
    if (data[i] == '~' && i + 1 < data.size() && data[i + 1] == '>') {
      ++i;
      continue;
    }
    ++digits;
  }
  return digits;
}

TEST(PsWriter, OnePageColourDocumentLines) {
  FixedClock clock;
  TIEBitmap b;
  MakeRGB(b, 100, 50);
  TIOParamsVals p;
  p.PSCompression = 0;
  p.PSTitle = "Two\r\nlines (kept)";
  TMemoryStream s;
  TIECodecProgress progress;
  std::vector<int64_t> reports;
  progress.Event = [&](TObject*, int32_t Percent) { reports.push_back(Percent); };
  IEEncodePSPage(&s, &b, p, progress);
  const std::string t = Text(s);
  const std::vector<std::string> lines = Lines(t);
  const std::vector<std::string> head = {
      "%!PS-Adobe-3.0",
      "%%Creator: Img by Tessaly",
      "%%Title: Two  lines (kept)",
      "%%CreationDate: Thu Dec 10 19:05:09 2026",
      "%%DocumentData: Clean7Bit",
      "%%LanguageLevel: 2",
      "%%Pages: 1     ",
      "%%BoundingBox: 0 0 594 841",
      "%%EndComments",
      "%%BeginProlog",
      "10 dict begin",
      "%%EndProlog",
      "%%Page: 1 1",
      "0 842 translate",
      "595 -297 scale",
      "100 50 8",
      "[ 100 0 0 50 0 0 ]",
      "/rstr 100 string def",
      "/gstr 100 string def",
      "/bstr 100 string def",
      "{currentfile /ASCII85Decode filter /RunLengthDecode filter rstr readstring pop}",
      "{currentfile /ASCII85Decode filter /RunLengthDecode filter gstr readstring pop}",
      "{currentfile /ASCII85Decode filter /RunLengthDecode filter bstr readstring pop}",
      "true 3"};
  ASSERT_GT(lines.size(), head.size() + 2);
  for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << "line " << i;
  EXPECT_EQ(lines[head.size()], "%%BeginData:      " + std::to_string(DataDigits(t)) + " ASCII Bytes");
  EXPECT_EQ(lines[head.size() + 1], "colorimage");
  EXPECT_EQ(CountOf(t, "~>"), 150u);  // three chunks per row
  const std::vector<std::string> tail(lines.end() - 5, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"%%EndData", "showpage", "%%Trailer", "end", "%%EOF"}));
  EXPECT_EQ(t.substr(t.size() - 2), "\r\n");
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), 0);
  EXPECT_EQ(reports.back(), 98);  // after row 49 of 50
}

TEST(PsWriter, SecondPageRewritesTheCountInPlace) {
  FixedClock clock;
  TIEBitmap b;
  MakeRGB(b, 10, 8);
  TIOParamsVals p;
  TMemoryStream s;
  TIECodecProgress progress;
  std::unique_ptr<TIEPSState> state = IEWritePSHeader(&s, p);
  IEPSAddPage(*state, &s, &b, progress, p);
  const std::string one = Text(s);
  IEPSAddPage(*state, &s, &b, progress, p);
  IEClosePS(state, &s);
  EXPECT_EQ(state, nullptr);
  IEClosePS(state, &s);  // a nil state: nothing
  const std::string two = Text(s);
  EXPECT_NE(two.find("%%Pages: 2     \r\n"), std::string::npos);
  EXPECT_EQ(two.find("%%Page: 1 1"), one.find("%%Page: 1 1"));
  // Apart from the count, the first page's bytes are where they were.
  std::string oneAsTwo = one;
  oneAsTwo.replace(oneAsTwo.find("%%Pages: 1"), 10, "%%Pages: 2");
  EXPECT_EQ(two.compare(0, oneAsTwo.size(), oneAsTwo), 0);
  EXPECT_NE(two.find("%%Page: 2 2\r\n"), std::string::npos);
  EXPECT_EQ(two.substr(two.size() - 23), "%%Trailer\r\nend\r\n%%EOF\r\n");
}

TEST(PsWriter, DataSourceLineByCompression) {
  const std::string fax =
      " /BlackIs1 true /Columns 24 /Rows 9 /EndOfLine false /Uncompressed true "
      "/EncodedByteAlign false /EndOfBlock false >> /CCITTFaxDecode filter";
  const std::string rl = "currentfile /ASCII85Decode filter /RunLengthDecode filter";
  const struct {
    bool Bilevel;
    uint8_t Compression;
    std::string Source;  // the line after the matrix
    std::string Operator;
    size_t Chunks;
  } cases[] = {
      {true, 0, rl, "image", 1},
      {true, 1, "currentfile /ASCII85Decode filter << /K -1" + fax, "image", 1},
      {true, 2, "currentfile /ASCII85Decode filter << /K 1" + fax, "image", 1},
      {true, 3, rl, "image", 1},  // no bilevel coding of its own: RunLength
      {true, 9, rl, "image", 1},
      {false, 0, "/rstr 24 string def", "colorimage", 27},
      {false, 2, "/rstr 24 string def", "colorimage", 27},
      {false, 3, "currentfile /ASCII85Decode filter << >> /DCTDecode filter", "colorimage", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bilevel) + "/" + std::to_string(c.Compression));
    TIEBitmap b;
    if (c.Bilevel)
      MakeBilevel(b, 24, 9);
    else
      MakeRGB(b, 24, 9);
    TIOParamsVals p;
    p.PSCompression = c.Compression;
    TMemoryStream s;
    TIECodecProgress progress;
    IEEncodePSPage(&s, &b, p, progress);
    const std::string t = Text(s);
    const std::vector<std::string> lines = Lines(t);
    const auto matrix = std::find(lines.begin(), lines.end(), "[ 24 0 0 9 0 0 ]");
    ASSERT_NE(matrix, lines.end());
    EXPECT_EQ(*(matrix + 1), c.Source);
    const auto begin =
        std::find_if(lines.begin(), lines.end(), [](const std::string& L) { return L.rfind("%%BeginData:", 0) == 0; });
    ASSERT_NE(begin, lines.end());
    EXPECT_EQ(*(begin + 1), c.Operator);
    EXPECT_EQ(*begin, "%%BeginData:      " + std::to_string(DataDigits(t)) + " ASCII Bytes");
    EXPECT_EQ(CountOf(t, "~>"), c.Chunks);
    if (c.Bilevel) {
      EXPECT_EQ(p.BitsPerSample, 1);
      EXPECT_EQ(p.SamplesPerPixel, 1);
    }
  }
}

TEST(PsWriter, UnreadableCountLineCountsAsOne) {
  TIOParamsVals p;
  TMemoryStream s;
  std::unique_ptr<TIEPSState> state = IEWritePSHeader(&s, p);
  s.SetPosition(state->PagesLinePos + 9);
  s.WriteBuffer("xx   ", 5);
  TIEBitmap b;
  MakeRGB(b, 4, 4);
  TIECodecProgress progress;
  IEPSAddPage(*state, &s, &b, progress, p);
  EXPECT_NE(Text(s).find("%%Pages: 2     \r\n%%BoundingBox"), std::string::npos);
  EXPECT_NE(Text(s).find("%%Page: 2 2"), std::string::npos);
}

// ---- PDF ---------------------------------------------------------------------------

std::string Pdf(const std::vector<TIEBitmap*>& Pages, TIOParamsVals& P) {
  FixedClock clock;
  std::unique_ptr<TIEPDFDocument> doc = IEPDFCreateDocument();
  TIECodecProgress progress;
  for (TIEBitmap* b : Pages) IEPDFAddPage(*doc, b, P, progress);
  TMemoryStream s;
  IEClosePDF(doc, &s, P);
  EXPECT_EQ(doc, nullptr);
  return Text(s);
}

// The dictionary text of object N.
std::string Object(const std::string& T, int N) {
  const std::string head = "\n" + std::to_string(N) + " 0 obj\n";
  const size_t at = T.find(head);
  if (at == std::string::npos) return std::string();
  const size_t end = T.find("endobj", at);
  return T.substr(at + head.size(), end - at - head.size());
}

TEST(PdfWriter, OneAndTwoPageStructure) {
  TIEBitmap b;
  MakeRGB(b, 100, 50);
  TIOParamsVals p;
  const std::string one = Pdf({&b}, p);
  EXPECT_EQ(one.rfind("%PDF-1.4\n", 0), 0u);
  EXPECT_NE(Object(one, 1).find("/Type /Catalog"), std::string::npos);
  EXPECT_NE(Object(one, 1).find("/Pages 6 0 R"), std::string::npos);
  EXPECT_NE(Object(one, 2).find("/ProcSet [/PDF /ImageB ]"), std::string::npos);
  EXPECT_NE(Object(one, 2).find("/XObject << /lm1 3 0 R"), std::string::npos) << Object(one, 2);
  EXPECT_NE(Object(one, 3).find("/Subtype /Image"), std::string::npos);
  EXPECT_NE(Object(one, 4).find("stream\nq\n595 0 0 297 0 545 cm\n/lm1 Do\nQ\nendstream"), std::string::npos)
      << Object(one, 4);
  EXPECT_NE(Object(one, 5).find("/MediaBox [0 0 595 842 ]"), std::string::npos) << Object(one, 5);
  EXPECT_NE(Object(one, 6).find("/Kids [5 0 R ]"), std::string::npos);
  EXPECT_NE(Object(one, 7).find("/CreationDate (D:20261210190509)"), std::string::npos) << Object(one, 7);
  EXPECT_EQ(Object(one, 7).find("/Title"), std::string::npos);  // empty texts are left out
  EXPECT_NE(one.find("/Size 8"), std::string::npos);
  EXPECT_NE(one.find("/Root 1 0 R"), std::string::npos);
  EXPECT_NE(one.find("/Info 7 0 R"), std::string::npos);

  p.PDFTitle = "T";
  p.PDFProducer = "P";
  const std::string two = Pdf({&b, &b}, p);
  EXPECT_NE(Object(two, 9).find("/Kids [5 0 R 8 0 R ]"), std::string::npos) << Object(two, 9);
  EXPECT_NE(Object(two, 9).find("/Count 2"), std::string::npos);
  EXPECT_NE(Object(two, 7).find("/lm2 Do"), std::string::npos);
  EXPECT_NE(Object(two, 2).find("/lm2 6 0 R"), std::string::npos);
  const std::string info = Object(two, 10);
  EXPECT_LT(info.find("/Title (T)"), info.find("/Producer (P)"));
  EXPECT_LT(info.find("/Producer (P)"), info.find("/CreationDate"));
  EXPECT_NE(two.find("/Size 11"), std::string::npos);

  const std::string none = Pdf({}, p);
  EXPECT_NE(Object(none, 3).find("/Kids []"), std::string::npos) << Object(none, 3);
  EXPECT_NE(Object(none, 3).find("/Count 0"), std::string::npos);
  EXPECT_NE(none.find("/Size 5"), std::string::npos);
}

TEST(PdfWriter, FilterTableByCompressionAndKind) {
  const std::string fax =
      "/DecodeParms << /K %K\n/BlackIs1 true\n/Columns 24\n/Rows 9\n/EndOfLine false\n"
      "/Uncompressed true\n/EncodedByteAlign false\n/EndOfBlock false\n>>";
  auto faxWith = [&](const char* K) {
    std::string f = fax;
    f.replace(f.find("%K"), 2, K);
    return f;
  };
  const struct {
    bool Bilevel;
    uint8_t Compression;
    bool Hook;           // the LZW encoder is installed
    std::string Filter;  // "" when none
    uint8_t After;       // PDFCompression after the page
    int64_t RawBytes;    // data size when unfiltered, else -1
  } cases[] = {
      {true, 0, true, "", 0, 27},
      {true, 1, true, "/Filter [/RunLengthDecode ]", 1, -1},
      {true, 2, true, "/Filter /CCITTFaxDecode\n" + faxWith("-1"), 2, -1},
      {true, 3, true, "/Filter /CCITTFaxDecode\n" + faxWith("1"), 3, -1},
      {true, 4, true, "/Filter /CCITTFaxDecode\n" + faxWith("1"), 3, -1},
      {true, 5, true, "/Filter /LZWDecode", 5, -1},
      {true, 5, false, "", 5, 27},
      {true, 6, true, "", 6, 27},  // no bilevel coding of its own: stored
      {false, 0, true, "", 0, 648},
      {false, 1, true, "", 1, 648},
      {false, 2, true, "", 2, 648},
      {false, 3, true, "", 3, 648},
      {false, 4, true, "/Filter /DCTDecode", 4, -1},
      {false, 5, true, "/Filter /LZWDecode", 5, -1},
      {false, 5, false, "", 5, 648},
      {false, 7, true, "", 7, 648},
  };
  IEInstallTIFFLZWHooks();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Bilevel) + "/" + std::to_string(c.Compression) + (c.Hook ? "" : " no hook"));
    TIEBitmap b;
    if (c.Bilevel)
      MakeBilevel(b, 24, 9);
    else
      MakeRGB(b, 24, 9);
    TIOParamsVals p;
    p.PDFCompression = c.Compression;
    const TIETIFFLZWEncoderFunc global = IETIFFLZWEncoderHook;
    p.TIFFLZWEncoder = c.Hook ? global : nullptr;
    if (!c.Hook) IETIFFLZWEncoderHook = nullptr;
    const std::string t = Pdf({&b}, p);
    IETIFFLZWEncoderHook = global;
    const std::string image = Object(t, 3);
    const std::string length = "/Length ";
    const size_t l = image.find(length);
    ASSERT_NE(l, std::string::npos);
    const size_t afterLength = image.find('\n', l) + 1;
    const std::string cs =
        c.Bilevel ? "/ColorSpace /DeviceGray\n/BitsPerComponent 1\n" : "/ColorSpace /DeviceRGB\n/BitsPerComponent 8\n";
    const std::string expected = "<< /Type /XObject\n/Subtype /Image\n" + image.substr(l, afterLength - l) +
                                 (c.Filter.empty() ? "" : c.Filter + "\n") + cs + "/Width 24\n/Height 9\n>>";
    EXPECT_EQ(image.substr(0, image.find("\nstream\n")), expected);
    if (c.RawBytes >= 0) {
      EXPECT_EQ(image.substr(l, afterLength - l), length + std::to_string(c.RawBytes) + "\n");
    }
    EXPECT_EQ(p.PDFCompression, c.After);
  }
}

TEST(PdfWriter, UncompressedRowsAreRGBFromTheTop) {
  TIEBitmap b;
  MakeRGB(b, 3, 2);
  TIOParamsVals p;
  p.PDFCompression = 0;
  const std::string image = Object(Pdf({&b}, p), 3);
  const size_t at = image.find("stream\n") + 7;
  const auto* row1 = static_cast<const uint8_t*>(b.ScanLine(1));
  // Second row, second pixel, in R, G, B order.
  EXPECT_EQ(uint8_t(image[at + 9 + 3]), row1[5]);
  EXPECT_EQ(uint8_t(image[at + 9 + 4]), row1[4]);
  EXPECT_EQ(uint8_t(image[at + 9 + 5]), row1[3]);
}

}  // namespace
