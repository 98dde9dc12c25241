#include "imaging/model/containers/ieifd.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/iemeta_testing.h"

using namespace metatest;

namespace {

// A reader over bytes held by the test (an exact-size copy, so that a read
// past the end is seen).
class TFile {
 public:
  TFile(const TBytes& bytes, bool big, int64_t base = 0) : FBytes(new uint8_t[bytes.size() + 1]) {
    std::copy(bytes.begin(), bytes.end(), FBytes.get());
    FStream = std::make_unique<TIEMemStream>(FBytes.get(), static_cast<int64_t>(bytes.size()));
    Reader.LittleEndian = big ? 0 : 1;
    Reader.Stream = FStream.get();
    Reader.Base = base;
  }
  int32_t Load(int32_t page, int64_t first, bool* found = nullptr) {
    int32_t count = -1;
    const bool ok = IEIFDLoad(page, first, Reader, count);
    if (found) *found = ok;
    return count;
  }
  TIEIFDReader Reader;

 private:
  std::unique_ptr<uint8_t[]> FBytes;
  std::unique_ptr<TIEMemStream> FStream;
};

// ---- The chain walk -------------------------------------------------------------------------

class ModelIfdOrder : public ::testing::TestWithParam<bool> {};

TEST_P(ModelIfdOrder, ChainEndsOnBadOrRepeatedNextOffsets) {
  const TOrder o{GetParam()};
  // Each IFD: one entry (18 bytes with count and next offset).
  auto ifd = [&](uint32_t next) { return o.Ifd({o.Entry(256, IEIFD_SHORT, 1, o.U16(7))}, next); };
  struct TCase {
    const char* Name;
    std::vector<uint32_t> Nexts;  // the IFDs at 8, 26, 44 ... and their next offsets
    int32_t Pages;
  } cases[] = {
      {"end of chain", {26, 44, 0}, 3},     {"points at itself", {8}, 1},
      {"loop through two", {26, 8}, 2},     {"loop back into the middle", {26, 44, 26}, 3},
      {"below Base + 8", {4}, 1},           {"negative", {0x80000010u}, 1},
      {"at the stream's end", {26, 80}, 2}, {"beyond the stream's end", {1000}, 1},
  };
  for (const TCase& c : cases) {
    TBytes file = o.Header(8);
    for (uint32_t next : c.Nexts) file = file + ifd(next);
    file.resize(80, 0xEE);
    TFile f(file, o.Big);
    bool found = false;
    EXPECT_EQ(f.Load(-1, 8, &found), c.Pages) << c.Name;
    EXPECT_FALSE(found) << c.Name;
    EXPECT_EQ(f.Load(c.Pages - 1, 8, &found), c.Pages) << c.Name;
    EXPECT_TRUE(found) << c.Name;
    EXPECT_EQ(IEIFDScalar(f.Reader, 256, 0), 7) << c.Name;
    f.Load(c.Pages, 8, &found);
    EXPECT_FALSE(found) << c.Name;
  }
}

TEST_P(ModelIfdOrder, IfdWithoutRoomForItsNextOffsetIsNotCounted) {
  const TOrder o{GetParam()};
  // The second IFD's entries end exactly at the end of the stream.
  const TBytes file = o.Header(8) + o.Ifd({o.Entry(256, IEIFD_SHORT, 1, o.U16(1))}, 26) + o.U16(1) +
                      o.Entry(256, IEIFD_SHORT, 1, o.U16(2));
  TFile f(file, o.Big);
  bool found = false;
  EXPECT_EQ(f.Load(-1, 8), 1);
  // Asked for, it is still read.
  EXPECT_EQ(f.Load(1, 8, &found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(IEIFDScalar(f.Reader, 256, 0), 2);
}

TEST_P(ModelIfdOrder, PagesAreLoadedByIndex) {
  const TOrder o{GetParam()};
  TBytes file = o.Header(8) + o.Ifd({o.Entry(256, IEIFD_SHORT, 1, o.U16(10))}, 26) + o.Ifd({}, 32) +
                o.Ifd({o.Entry(256, IEIFD_SHORT, 1, o.U16(30)), o.Entry(257, IEIFD_LONG, 1, o.U32(31))}, 0);
  TFile f(file, o.Big);
  bool found = false;
  EXPECT_EQ(f.Load(2, 8, &found), 3);
  ASSERT_TRUE(found);
  EXPECT_EQ(f.Reader.EntryCount, 2);
  EXPECT_EQ(IEIFDScalar(f.Reader, 257, 0), 31);
  // A page without entries counts as not found.
  EXPECT_EQ(f.Load(1, 8, &found), 3);
  EXPECT_FALSE(found);
  EXPECT_EQ(f.Reader.EntryCount, 0);
  // Entries that run past the stream are not loaded.
  file.resize(file.size() - 10);
  TFile cut(file, o.Big);
  EXPECT_EQ(cut.Load(2, 8, &found), 2);
  EXPECT_TRUE(found);
  EXPECT_EQ(cut.Reader.EntryCount, 1);
}

// ---- Values ---------------------------------------------------------------------------------

TEST_P(ModelIfdOrder, ValuesAreReadInTheFileByteOrder) {
  const TOrder o{GetParam()};
  const uint32_t data = 8 + 2 + 12 * 16 + 4;                                    // values behind the IFD
  const TBytes values = o.U16(100) + o.U16(200) + o.U16(300) +                  // data + 0: SHORT[3]
                        o.U32(70000) + o.U32(5) + o.U32(0xFFFFFFFF) +           // data + 6: LONG[3]
                        Text("abc") + Bytes({0, 0, 0, 0, 0}) +                  // data + 18: ASCII[8]
                        o.U32(3) + o.U32(2) + o.U32(uint32_t(-9)) + o.U32(0) +  // data + 26: RATIONAL[2]
                        Bytes({'H', 0, 'i', 0, '!', 0, 0, 0});                  // data + 42: UTF-16
  const TBytes file =
      o.Header(8) +
      o.Ifd({o.Entry(1, IEIFD_SHORT, 1, o.U16(1)), o.Entry(2, IEIFD_UNDEFINED, 1, Bytes({3})),
             o.Entry(3, IEIFD_BYTE, 2, Bytes({9, 8})), o.Entry(4, IEIFD_LONG, 1, o.U32(123456)),
             o.Entry(5, IEIFD_SHORT, 2, o.U16(5) + o.U16(7)), o.Entry(6, IEIFD_SHORT, 3, data),
             o.Entry(7, IEIFD_LONG, 3, data + 6), o.Entry(8, IEIFD_ASCII, 4, Text("abc") + Bytes({0})),
             o.Entry(9, IEIFD_ASCII, 8, data + 18), o.Entry(10, IEIFD_RATIONAL, 2, data + 26),
             o.Entry(11, IEIFD_SRATIONAL, 1, data + 34), o.Entry(12, IEIFD_BYTE, 8, data + 42),
             o.Entry(13, IEIFD_BYTE, 4, Bytes({'W', 0, 0, 0})), o.Entry(1, IEIFD_SHORT, 1, o.U16(99)),
             o.Entry(14, IEIFD_UNDEFINED, 3, Bytes({1, 2, 3})), o.Entry(15, IEIFD_UNDEFINED, 6, data + 18)},
            0) +
      values;
  TFile f(file, o.Big);
  ASSERT_EQ(f.Load(0, 8), 1);

  EXPECT_EQ(IEIFDFindTag(1, f.Reader), 0);  // the first of two
  EXPECT_EQ(IEIFDFindTag(99, f.Reader), -1);
  EXPECT_EQ(IEIFDScalar(f.Reader, 1, -1), 1);
  EXPECT_EQ(IEIFDScalar(f.Reader, 2, -1), 3);
  EXPECT_EQ(IEIFDScalar(f.Reader, 3, -1), 9);
  EXPECT_EQ(IEIFDScalar(f.Reader, 4, -1), 123456);
  EXPECT_EQ(IEIFDScalar(f.Reader, 99, -1), -1);
  EXPECT_EQ(IEIFDTagCount(f.Reader, 7), 3);
  EXPECT_EQ(IEIFDTagCount(f.Reader, 99), 0);

  struct TItem {
    int32_t Tag, N, Value;
  } items[] = {{1, 0, 1},     {4, 0, 123456}, {5, 0, 5}, {5, 1, 7},  {5, 2, 0}, {6, 2, 300},
               {7, 0, 70000}, {7, 2, -1},     {7, 3, 0}, {7, -1, 0}, {9, 0, 0}, {99, 0, 0}};
  for (const TItem& i : items) EXPECT_EQ(IEIFDArrayItem(f.Reader, i.Tag, i.N), i.Value) << i.Tag << "/" << i.N;

  std::vector<int32_t> array;
  EXPECT_EQ(IEIFDReadIntArray(f.Reader, array, 6), 3);
  EXPECT_EQ(array, (std::vector<int32_t>{100, 200, 300}));
  EXPECT_EQ(IEIFDReadIntArray(f.Reader, array, 5), 2);
  EXPECT_EQ(array, (std::vector<int32_t>{5, 7}));
  EXPECT_EQ(IEIFDReadIntArray(f.Reader, array, 4), 1);
  EXPECT_EQ(array, (std::vector<int32_t>{123456}));
  EXPECT_EQ(IEIFDReadIntArray(f.Reader, array, 99), 0);
  EXPECT_TRUE(array.empty());

  String text = "old";
  IEIFDReadString(f.Reader, 8, text);
  EXPECT_EQ(text, "abc");  // inline, its NUL cut
  IEIFDReadString(f.Reader, 9, text);
  EXPECT_EQ(text, "abc");
  IEIFDReadInlineBytes(f.Reader, 3, text);
  EXPECT_EQ(text, "\x09\x08");
  IEIFDReadString(f.Reader, 99, text);
  EXPECT_EQ(text, "");

  EXPECT_DOUBLE_EQ(IEIFDRational(f.Reader, 10), 1.5);
  EXPECT_DOUBLE_EQ(IEIFDRationalItem(f.Reader, 10, 1), -9.0);  // denominator 0 counts as 1
  EXPECT_DOUBLE_EQ(IEIFDRationalItem(f.Reader, 10, 2), 0.0);
  EXPECT_DOUBLE_EQ(IEIFDRational(f.Reader, 11), -9.0);
  EXPECT_DOUBLE_EQ(IEIFDRational(f.Reader, 99), 0.0);

  WideString wide;
  IEIFDReadWideString(f.Reader, 12, wide);
  EXPECT_EQ(wide, u"Hi!");
  IEIFDReadWideString(f.Reader, 13, wide);
  EXPECT_EQ(wide, u"W");

  int32_t length = -1;
  EXPECT_EQ(IEIFDReadBytes(f.Reader, 14, length), Bytes({1, 2, 3}));
  EXPECT_EQ(length, 3);
  EXPECT_EQ(IEIFDReadBytes(f.Reader, 15, length), Text("abc") + Bytes({0, 0, 0}));
  EXPECT_TRUE(IEIFDReadBytes(f.Reader, 99, length).empty());
  EXPECT_EQ(length, 0);
}

TEST_P(ModelIfdOrder, ColorMapAndBitsPerSample) {
  const TOrder o{GetParam()};
  auto file = [&](uint32_t top, const std::vector<TBytes>& extra) {
    // 1 bit per sample: two entries, red 0 and top, green 1 and 2, blue 3 and 4.
    std::vector<TBytes> entries = {o.Entry(IEIFDTag_ColorMap, IEIFD_SHORT, 6, 14 + 12 * uint32_t(extra.size() + 1))};
    entries.insert(entries.end(), extra.begin(), extra.end());
    return o.Header(8) + o.Ifd(entries, 0) + o.U16(0) + o.U16(top) + o.U16(1) + o.U16(2) + o.U16(3) + o.U16(4);
  };
  std::vector<TRGB> map;
  int32_t entries = -1;
  {
    TFile f(file(255, {}), o.Big);
    f.Load(0, 8);
    IEIFDReadColorMap(f.Reader, 1, map, entries);
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(map, (std::vector<TRGB>{MakeTRGB(0, 1, 3), MakeTRGB(255, 2, 4)}));
    int32_t bits = 0;
    EXPECT_TRUE(IEIFDReadBitsPerSample(f.Reader, bits));
    EXPECT_EQ(bits, 1);
    // Not all 3N values, or an impossible depth: no map.
    for (int32_t depth : {2, 17, -1}) {
      IEIFDReadColorMap(f.Reader, depth, map, entries);
      EXPECT_EQ(entries, 0) << depth;
      EXPECT_TRUE(map.empty()) << depth;
    }
  }
  {
    TFile f(file(256, {o.Entry(IEIFDTag_BitsPerSample, IEIFD_SHORT, 1, o.U16(8))}), o.Big);
    f.Load(0, 8);
    IEIFDReadColorMap(f.Reader, 1, map, entries);
    EXPECT_EQ(map, (std::vector<TRGB>{MakeTRGB(0, 0, 0), MakeTRGB(1, 0, 0)}));
    int32_t bits = 0;
    EXPECT_TRUE(IEIFDReadBitsPerSample(f.Reader, bits));
    EXPECT_EQ(bits, 8);
  }
  struct TCase {
    std::vector<uint16_t> Values;
    bool Same;
    int32_t Bits;
  } cases[] = {{{8, 8}, true, 8}, {{8, 8, 8}, true, 8}, {{8, 8, 16}, false, 16}, {{16, 8, 8}, false, 8}};
  for (const TCase& c : cases) {
    TBytes values;
    for (uint16_t v : c.Values) values = values + o.U16(v);
    const auto n = static_cast<uint32_t>(c.Values.size());
    TBytes field = n == 2 ? values : o.U32(26);
    TFile f(o.Header(8) + o.Ifd({o.Entry(IEIFDTag_BitsPerSample, IEIFD_SHORT, n, field)}, 0) + values, o.Big);
    f.Load(0, 8);
    int32_t bits = 0;
    EXPECT_EQ(IEIFDReadBitsPerSample(f.Reader, bits), c.Same) << n;
    EXPECT_EQ(bits, c.Bits) << n;
  }
}

// Counts and offsets from the file never make a read leave the stream or an
// allocation outgrow it.
TEST_P(ModelIfdOrder, CountsAreBoundedByTheStream) {
  const TOrder o{GetParam()};
  const TBytes file =
      o.Header(8) +
      o.Ifd({o.Entry(1, IEIFD_LONG, 0x40000000, 8), o.Entry(2, IEIFD_UNDEFINED, 0xFFFFFFFF, 8),
             o.Entry(3, IEIFD_ASCII, 1048575, 60), o.Entry(4, IEIFD_ASCII, 1048576, 8),
             o.Entry(5, IEIFD_BYTE, 0x7FFFFFFF, 8), o.Entry(6, IEIFD_RATIONAL, 4, 0xFFFFFFF0u),
             o.Entry(7, IEIFD_SHORT, 1000, 70), o.Entry(IEIFDTag_BitsPerSample, IEIFD_SHORT, 0x10000000, 8)},
            0) +
      Text("tail");
  ASSERT_EQ(file.size(), 8u + 2 + 8 * 12 + 4 + 4);
  TFile f(file, o.Big);
  ASSERT_EQ(f.Load(0, 8), 1);
  std::vector<int32_t> array;
  EXPECT_EQ(IEIFDReadIntArray(f.Reader, array, 1), (114 - 8) / 4);
  EXPECT_EQ(IEIFDReadIntArray(f.Reader, array, 7), (114 - 70) / 2);
  int32_t length = 0;
  EXPECT_EQ(IEIFDReadBytes(f.Reader, 2, length).size(), 114u - 8);
  EXPECT_EQ(length, 114 - 8);
  String text;
  IEIFDReadString(f.Reader, 3, text);
  EXPECT_EQ(text.size(), 114u - 60);
  text = "x";
  IEIFDReadString(f.Reader, 4, text);
  EXPECT_EQ(text, "");
  text = "x";
  IEIFDReadInlineBytes(f.Reader, 4, text);
  EXPECT_EQ(text, "x");
  WideString wide;
  IEIFDReadWideString(f.Reader, 5, wide);
  EXPECT_TRUE(wide.empty());
  IEIFDReadWideString(f.Reader, 3, wide);
  EXPECT_EQ(wide.size(), (114u - 60) / 2);
  EXPECT_DOUBLE_EQ(IEIFDRationalItem(f.Reader, 6, 3), 0.0);
  int32_t bits = 0;
  EXPECT_FALSE(IEIFDReadBitsPerSample(f.Reader, bits));
}

// A TIFF inside a larger stream: offsets count from Base.
TEST_P(ModelIfdOrder, OffsetsCountFromTheBase) {
  const TOrder o{GetParam()};
  const TBytes tiff = o.Header(8) + o.Ifd({o.Entry(7, IEIFD_LONG, 2, 26)}, 34) + o.U32(11) + o.U32(22) +
                      o.Ifd({o.Entry(8, IEIFD_SHORT, 1, o.U16(3))}, 0);
  TFile f(Text(std::string("Exif\0\0 prefi", 12)) + tiff, o.Big, 12);
  bool found = false;
  EXPECT_EQ(f.Load(0, 8, &found), 2);
  ASSERT_TRUE(found);
  EXPECT_EQ(IEIFDArrayItem(f.Reader, 7, 1), 22);
  EXPECT_EQ(f.Load(1, 8, &found), 2);
  EXPECT_EQ(IEIFDScalar(f.Reader, 8, 0), 3);
}

INSTANTIATE_TEST_SUITE_P(ModelIfd, ModelIfdOrder, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MM" : "II"; });

// ---- Cross-check with libtiff's tiffdump ----------------------------------------------------

struct TDumpEntry {
  int32_t Tag;
  std::string Type;
  int64_t Count;
  std::string Values;
};

struct TDumpPage {
  std::vector<TDumpEntry> Entries;
};

// "Name (tag) TYPE (type) count<values>"
bool ParseDumpEntry(const std::string& line, TDumpEntry& e) {
  std::istringstream in(line);
  std::string name, tag, type, typeNumber, rest;
  if (!(in >> name >> tag >> type >> typeNumber) || tag.size() < 3 || tag.front() != '(') return false;
  std::getline(in, rest);
  const size_t open = rest.find('<');
  if (rest.size() < 2 || open == std::string::npos || rest.back() != '>') return false;
  e.Tag = std::stoi(tag.substr(1));
  e.Type = type;
  e.Count = std::stoll(rest.substr(1, open - 1));
  e.Values = rest.substr(open + 1, rest.size() - open - 2);
  return true;
}

std::vector<TDumpPage> TiffDump(const std::string& path) {
  std::vector<TDumpPage> pages;
  std::istringstream in(ToolOutput({"tiffdump", "-m", "100000", path}));
  std::string line;
  while (std::getline(in, line)) {
    TDumpEntry e;
    if (line.rfind("Directory ", 0) == 0)
      pages.emplace_back();
    else if (!pages.empty() && ParseDumpEntry(line, e))
      pages.back().Entries.push_back(e);
  }
  return pages;
}

void CheckAgainstDump(const std::string& path, size_t expectedPages) {
  const TBytes bytes = ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 8u);
  const bool big = bytes[0] == 'M';
  const std::vector<TDumpPage> dump = TiffDump(path);
  ASSERT_EQ(dump.size(), expectedPages) << path;
  TFile f(bytes, big);
  const TBytes first(bytes.begin() + 4, bytes.begin() + 8);
  const uint32_t firstIfd = big ? (uint32_t(first[0]) << 24) | (first[1] << 16) | (first[2] << 8) | first[3]
                                : (uint32_t(first[3]) << 24) | (first[2] << 16) | (first[1] << 8) | first[0];
  for (size_t page = 0; page < dump.size(); ++page) {
    bool found = false;
    EXPECT_EQ(f.Load(static_cast<int32_t>(page), firstIfd, &found), static_cast<int32_t>(expectedPages));
    ASSERT_TRUE(found);
    ASSERT_EQ(f.Reader.EntryCount, dump[page].Entries.size());
    for (const TDumpEntry& e : dump[page].Entries) {
      SCOPED_TRACE(path + " page " + std::to_string(page) + " tag " + std::to_string(e.Tag));
      EXPECT_EQ(IEIFDTagCount(f.Reader, e.Tag), e.Count);
      if (e.Type == "SHORT" || e.Type == "LONG") {
        std::vector<int32_t> values;
        EXPECT_EQ(IEIFDReadIntArray(f.Reader, values, e.Tag), e.Count);
        std::ostringstream text;
        for (size_t i = 0; i < values.size(); ++i) text << (i ? " " : "") << static_cast<uint32_t>(values[i]);
        EXPECT_EQ(text.str(), e.Values);
      } else if (e.Type == "ASCII") {
        String s;
        IEIFDReadString(f.Reader, e.Tag, s);
        EXPECT_EQ(s + "\\0", e.Values);
      } else if (e.Type == "RATIONAL") {
        EXPECT_DOUBLE_EQ(IEIFDRational(f.Reader, e.Tag), std::stod(e.Values));
      }
    }
    if (IEIFDFindTag(IEIFDTag_ColorMap, f.Reader) >= 0) {
      std::vector<int32_t> values;
      IEIFDReadIntArray(f.Reader, values, IEIFDTag_ColorMap);
      std::vector<TRGB> map;
      int32_t entries = 0;
      IEIFDReadColorMap(f.Reader, IEIFDScalar(f.Reader, IEIFDTag_BitsPerSample, 1), map, entries);
      ASSERT_EQ(entries, 256);
      EXPECT_EQ(map[1], MakeTRGB(uint8_t(values[1] >> 8), uint8_t(values[257] >> 8), uint8_t(values[513] >> 8)));
    }
  }
}

TEST(ModelIfd, AgreesWithTiffdump) {
  for (const char* tool : {"pamtotiff", "tiffcp", "tiffdump"})
    IE_REQUIRE_TOOL(tool, std::string(tool) == "pamtotiff" ? "netpbm" : "libtiff-tools");
  const std::string ppm = HomeFile("ifd.ppm"), few = HomeFile("ifd-few.ppm");
  WriteTestPpm(ppm, 21, 13);
  TPnmImage small = MakePnm('6', 4, 2);
  for (size_t i = 0; i < small.Samples.size(); ++i) small.Samples[i] = static_cast<uint16_t>(i * 29 % 256);
  WritePnmFile(few, small);
  const std::string rgb = HomeFile("ifd-rgb.tif"), palette = HomeFile("ifd-pal.tif"), big = HomeFile("ifd-mm.tif"),
                    pages = HomeFile("ifd-pages.tif");
  ASSERT_EQ(RunTool({"pamtotiff", "-truecolor", "-lzw", ppm}, rgb), 0);
  ASSERT_EQ(RunTool({"pamtotiff", few}, palette), 0);
  ASSERT_EQ(RunTool({"tiffcp", "-B", rgb, big}), 0);
  ASSERT_EQ(RunTool({"tiffcp", rgb, palette, big, pages}), 0);
  CheckAgainstDump(rgb, 1);
  CheckAgainstDump(palette, 1);
  CheckAgainstDump(big, 1);
  CheckAgainstDump(pages, 3);
}

}  // namespace
