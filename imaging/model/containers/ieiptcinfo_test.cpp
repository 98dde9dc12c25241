#include "imaging/model/containers/ieiptcinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "imaging/model/containers/iemeta_testing.h"

using namespace metatest;

namespace {

struct TDataset {
  int32_t Record;
  int32_t DataSet;
  TBytes Data;
  friend bool operator==(const TDataset&, const TDataset&) = default;
};

std::vector<TDataset> Items(const TIEIPTCInfoList& list) {
  std::vector<TDataset> items;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const uint8_t* p = list.Data(i);
    items.push_back({list.RecordNumber(i), list.DataSet(i), p ? TBytes(p, p + list.Length(i)) : TBytes()});
  }
  return items;
}

TBytes Save(const TIEIPTCInfoList& list, bool withHeader) {
  TBytes b;
  list.SaveToBuffer(b, withHeader);
  return b;
}

// Parses from an exact-size heap copy, so that a read past the end is seen.
void Load(TIEIPTCInfoList& list, const TBytes& block, size_t length) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[std::max<size_t>(length, 1)]);
  std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length), copy.get());
  list.LoadFromBuffer(copy.get(), static_cast<int64_t>(length));
}

TEST(ModelIptcInfo, EmptyListSavesNothing) {
  TIEIPTCInfoList list;
  EXPECT_TRUE(Save(list, false).empty());
  EXPECT_TRUE(Save(list, true).empty());
}

TEST(ModelIptcInfo, OneItemBlocksAreByteExact) {
  TIEIPTCInfoList list;
  list.AddItem(2, 5, 3, "abc");
  EXPECT_EQ(Save(list, false), Bytes({0x1C, 2, 0, 0, 2, 0, 2, 0x1C, 2, 5, 0, 3, 'a', 'b', 'c', 0}));
  const TBytes headed = Save(list, true);
  EXPECT_EQ(headed, Text("Photoshop 3.0") + Bytes({0}) + Text("8BIM") +
                        Bytes({4, 4, 0, 0, 0, 0, 0, 8, 0x1C, 2, 5, 0, 3, 'a', 'b', 'c'}));
  EXPECT_EQ(headed.size(), 34u);
}

TEST(ModelIptcInfo, LongItemUsesTheExtendedLength) {
  TIEIPTCInfoList list;
  TBytes data(40000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13);
  list.AddItem(2, 120, 40000, data.data());
  const TBytes block = Save(list, true);
  ASSERT_EQ(block.size(), 26u + 9 + 40000 + 1);  // padded to an even size
  EXPECT_EQ(block.back(), 0);
  EXPECT_EQ(TBytes(block.begin() + 22, block.begin() + 35),
            Bytes({0, 0, 0x9C, 0x49, 0x1C, 2, 120, 0x80, 4, 0, 0, 0x9C, 0x40}));
  TIEIPTCInfoList back;
  back.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  EXPECT_EQ(Items(back), (std::vector<TDataset>{{2, 120, data}}));
}

TEST(ModelIptcInfo, RecordVersionAndEmptyItemsAreNotWritten) {
  TIEIPTCInfoList list;
  list.AddItem(2, 0, 2, "\x00\x04");
  list.AddItem(2, 25, 0, nullptr);
  list.AddItem(1, 90, 3, "\x1B%G");
  list.AddItem(2, 25, 4, "word");
  // 2:0 of another record is an ordinary item.
  list.AddItem(3, 0, 1, "x");
  TIEIPTCInfoList back;
  const TBytes block = Save(list, false);
  back.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  EXPECT_EQ(Items(back),
            (std::vector<TDataset>{
                {2, 0, Bytes({0, 2})}, {1, 90, Text("\x1B%G")}, {2, 25, Text("word")}, {3, 0, Text("x")}}));
}

TEST(ModelIptcInfo, ReaderStopsAtTheFirstItemThatDoesNotFit) {
  const TBytes good = Bytes({0x1C, 2, 5, 0, 2, 'h', 'i'});
  struct TCase {
    const char* Name;
    TBytes Block;
    size_t Kept;
  } cases[] = {
      {"last item claims too much", good + Bytes({0x1C, 2, 25, 0, 9, 'a', 'b'}), 1},
      {"short header", good + Bytes({0x1C, 2, 25, 0}), 1},
      {"extended header cut", good + Bytes({0x1C, 2, 25, 0x80, 4, 0, 0, 0}), 1},
      {"extended length beyond", good + Bytes({0x1C, 2, 25, 0x80, 4, 0, 1, 0, 0, 'z'}), 1},
      {"no tag after an item", good + Bytes({0x00, 0x1C, 2, 25, 0, 1, 'z'}), 1},
      {"lead-in skipped", Bytes({'8', 'B', 'I', 'M', 0}) + good, 1},
      {"negative extended length is its magnitude",
       good + Bytes({0x1C, 2, 25, 0x80, 4, 0xFF, 0xFF, 0xFF, 0xFE, 'o', 'k'}), 2},
  };
  for (const TCase& c : cases) {
    TIEIPTCInfoList list;
    list.AddItem(9, 9, 1, "q");
    Load(list, c.Block, c.Block.size());
    ASSERT_EQ(static_cast<size_t>(list.Count()), c.Kept) << c.Name;
    EXPECT_EQ(Items(list)[0], (TDataset{2, 5, Text("hi")})) << c.Name;
    EXPECT_FALSE(list.Changed()) << c.Name;
  }
}

// Bytes of the resource header and of resources before the IPTC one may be
// 0x1C: the datasets are read from the IPTC resource itself.
TEST(ModelIptcInfo, ResourceBlockBytesAreNotReadAsDatasets) {
  TIEIPTCInfoList list;
  list.AddItem(2, 5, 23, std::string(23, 'n').data());  // a resource size of 28 = 0x1C
  const TBytes saved = Save(list, true);
  ASSERT_EQ(saved[25], 0x1C);
  const TBytes payload = Bytes({0x1C, 2, 5, 0, 2, 'o', 'k'});
  const TBytes digest = Text("8BIM") + Bytes({4, 0x25, 3, 'a', 'b', 'c', 0, 0, 0, 4, 0x1C, 0x1C, 0x1C, 0x1C});
  const TBytes withDigest = Text("Photoshop 3.0") + Bytes({0}) + digest + Text("8BIM") +
                            Bytes({4, 4, 0, 0, 0, 0, 0, 7}) + payload + Bytes({0});
  for (const TBytes& block : {saved, withDigest}) {
    TIEIPTCInfoList back;
    Load(back, block, block.size());
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.RecordNumber(0), 2);
    EXPECT_EQ(back.DataSet(0), 5);
  }
  TIEIPTCInfoList back;
  Load(back, withDigest, withDigest.size());
  EXPECT_EQ(Items(back), (std::vector<TDataset>{{2, 5, Text("ok")}}));
}

TEST(ModelIptcInfo, EveryPrefixOfABlockParsesInsideIt) {
  TIEIPTCInfoList list;
  list.AddItem(2, 5, 5, "title");
  list.AddItem(2, 25, 2, "k1");
  list.AddItem(2, 120, 40000, std::string(40000, 'c').data());
  const TBytes block = Save(list, true);
  TIEIPTCInfoList full;
  full.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  const std::vector<TDataset> all = Items(full);
  ASSERT_EQ(all.size(), 3u);
  for (size_t length = 0; length <= block.size(); length += (length < 200 ? 1 : 997)) {
    TIEIPTCInfoList part;
    Load(part, block, length);
    const std::vector<TDataset> got = Items(part);
    ASSERT_LE(got.size(), all.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), all.begin())) << length;
  }
}

TEST(ModelIptcInfo, ChangedFollowsEdits) {
  TIEIPTCInfoList list, other;
  EXPECT_FALSE(list.Changed());
  list.AddItem(2, 5, 1, "a");
  EXPECT_TRUE(list.Changed());
  const TBytes block = Save(list, false);
  list.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  EXPECT_FALSE(list.Changed());
  other.Assign(&list);
  EXPECT_TRUE(other.Changed());
  EXPECT_EQ(Items(other), Items(list));
  list.Clear();
  EXPECT_TRUE(list.Changed());
  EXPECT_EQ(list.Count(), 0);
}

// ---- Cross-checks with exiftool ------------------------------------------------------------

// Stops the test when a tool is missing: a failure under CI, else a skip.
#define RequireJpegTools()                                 \
  do {                                                     \
    IE_REQUIRE_TOOL("exiftool", "libimage-exiftool-perl"); \
    IE_REQUIRE_TOOL("cjpeg", "libjpeg-turbo-progs");       \
  } while (0)

TBytes SmallJpeg() {
  const std::string ppm = HomeFile("iptc.ppm");
  WriteTestPpm(ppm, 8, 8);
  const std::string out = ToolOutput({"cjpeg", ppm});
  return TBytes(out.begin(), out.end());
}

// The payload of the first APP13 segment of a JPEG file.
TBytes App13Payload(const TBytes& jpeg) {
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const size_t length = (size_t(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
    if (jpeg[pos + 1] == 0xED && pos + 2 + length <= jpeg.size())
      return TBytes(jpeg.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                    jpeg.begin() + static_cast<std::ptrdiff_t>(pos + 2 + length));
    if (jpeg[pos + 1] == 0xDA) break;
    pos += 2 + length;
  }
  return {};
}

std::string WithoutSpace(std::string s) {
  s.erase(std::remove_if(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c); }), s.end());
  return s;
}

TEST(ModelIptcInfo, ExiftoolReadsTheSavedApp13Block) {
  RequireJpegTools();
  TIEIPTCInfoList list;
  list.AddItem(2, 5, 5, "Tower");
  list.AddItem(2, 25, 5, "alpha");
  list.AddItem(2, 25, 4, "beta");
  list.AddItem(2, 120, 40000, std::string(40000, 'w').data());
  const TBytes payload = Save(list, true);
  const TBytes jpeg = SmallJpeg();
  ASSERT_GT(jpeg.size(), 2u);
  const size_t segment = payload.size() + 2;
  const TBytes file = TBytes(jpeg.begin(), jpeg.begin() + 2) +
                      Bytes({0xFF, 0xED, int(segment >> 8), int(segment & 0xFF)}) + payload +
                      TBytes(jpeg.begin() + 2, jpeg.end());
  const std::string path = HomeFile("saved-iptc.jpg");
  WriteFileBytes(path, file);
  const std::string json = WithoutSpace(ToolOutput({"exiftool", "-j", "-D", "-IPTC:All", path}));
  EXPECT_NE(json.find(R"("ObjectName":{"id":5,"val":"Tower"})"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("Keywords":{"id":25,"val":["alpha","beta"]})"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("Caption-Abstract":{"id":120,"val":"www)"), std::string::npos) << json.substr(0, 300);
  const std::string caption = ToolOutput({"exiftool", "-b", "-IPTC:Caption-Abstract", path});
  EXPECT_EQ(caption, std::string(40000, 'w'));
}

TEST(ModelIptcInfo, LoadsTheApp13BlockExiftoolWrites) {
  RequireJpegTools();
  const std::string path = HomeFile("tagged.jpg");
  WriteFileBytes(path, SmallJpeg());
  int status = -1;
  ToolOutput({"exiftool", "-q", "-overwrite_original", "-IPTC:ObjectName=Bridge", "-IPTC:Keywords=river",
              "-IPTC:Keywords=stone", path},
             &status);
  ASSERT_EQ(status, 0);
  const TBytes payload = App13Payload(ReadFileBytes(path));
  ASSERT_FALSE(payload.empty());
  TIEIPTCInfoList list;
  list.LoadFromBuffer(payload.data(), static_cast<int64_t>(payload.size()));
  std::vector<TDataset> ours = Items(list);
  // exiftool adds the record version 2:0 itself.
  std::erase_if(ours, [](const TDataset& d) { return d.Record == 2 && d.DataSet == 0; });
  EXPECT_EQ(ours, (std::vector<TDataset>{{2, 5, Text("Bridge")}, {2, 25, Text("river")}, {2, 25, Text("stone")}}));
}

}  // namespace
