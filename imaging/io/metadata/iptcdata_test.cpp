#include "imaging/io/metadata/iptcdata.h"

#include <gtest/gtest.h>

#include "imaging/io/metadata/exif_testing.h"
#include "imaging/io/metadata/exifreader.h"

using namespace exiftest;

namespace {

String Dataset(int record, int dataset, const String& value) {
  return Bytes({0x1C, record, dataset}) + BE16(static_cast<uint32_t>(value.size())) + value;
}

// An APP13 segment's data: length bytes, the Photoshop signature and one
// image resource holding the datasets.
String App13Data(const String& datasets) {
  String resource = String("8BIM") + Bytes({0x04, 0x04, 0, 0}) + String(4, '\0');
  resource.replace(resource.size() - 4, 4, Bytes({0, 0, int(datasets.size() >> 8), int(datasets.size() & 0xFF)}));
  const String payload = String("Photoshop 3.0", 13) + String(1, '\0') + resource + datasets;
  return BE16(static_cast<uint32_t>(payload.size() + 2)) + payload;
}

}  // namespace

TEST(IoIptc, DatasetTable) {
  EXPECT_EQ(IptcDatasetRowCount(), 49);
  int record8 = 0;
  for (int32_t i = 0; i < IptcDatasetRowCount(); ++i) {
    const TIptcDatasetRow& row = IptcDatasetRow(i);
    EXPECT_TRUE(row.Record == 2 || row.Record == 8);
    EXPECT_GT(row.MaxLength, 0) << row.Name;
    EXPECT_EQ(row.MultiValued, row.Record == 2 && (row.Dataset == 20 || row.Dataset == 25)) << row.Name;
    record8 += row.Record == 8;
  }
  EXPECT_EQ(record8, 1);
  struct Case {
    const char* name;
    int dataset;
    const char* description;
    int maxLength;
  } cases[] = {
      {"SKIP", 0, "Record Version", 64},
      {"ObjectName", 5, "Object name", 64},
      {"SuppCategory", 20, "Supplemental category", 32},
      {"keywords", 25, "Keywords", 64},
      {"DateCreated", 55, "Date created", 8},
      {"TimeCreated", 60, "Time created", 11},
      {"ByLine", 80, "ByLine", 32},
      {"Copyright", 116, "Copyright Notice", 128},
      {"ImageCaption", 120, "Image caption", 2000},
      {"Subfile", 10, "Subfile", 2},
      {"CITY", 90, "City", 32},
  };
  for (const Case& c : cases) {
    const TIptcDatasetRow* row = FindIptcDatasetByName(c.name);
    ASSERT_NE(row, nullptr) << c.name;
    EXPECT_EQ(row->Dataset, c.dataset);
    EXPECT_STREQ(row->Description, c.description);
    EXPECT_EQ(row->MaxLength, c.maxLength);
  }
  EXPECT_EQ(FindIptcDatasetByName("Bogus"), nullptr);
  EXPECT_EQ(FindIptcDataset(8, 10)->Name, String("Subfile"));
  EXPECT_EQ(FindIptcDataset(2, 221), nullptr);
}

TEST(IoIptc, ParseTable) {
  struct Case {
    const char* what;
    String block;
    std::vector<std::pair<String, String>> entries;  // name, text
  } cases[] = {
      {"keywords joined",
       App13Data(Dataset(2, 25, "a") + Dataset(2, 90, "Paris") + Dataset(2, 25, "b") + Dataset(2, 25, "c")),
       {{"Keywords", "a,b,c"}, {"City", "Paris"}}},
      {"supplemental categories joined",
       App13Data(Dataset(2, 20, "x") + Dataset(2, 20, "y")),
       {{"SuppCategory", "x,y"}}},
      {"custom dataset", App13Data(Dataset(2, 221, "v")), {{"Custom_221", "v"}}},
      {"record 1 gives nothing", App13Data(Dataset(1, 90, "env") + Dataset(2, 5, "name")), {{"ObjectName", "name"}}},
      {"record version dropped", App13Data(Dataset(2, 0, "\x02") + Dataset(2, 116, "(c)")), {{"Copyright", "(c)"}}},
      {"record 8", App13Data(Dataset(8, 10, "ab")), {{"Subfile", "ab"}}},
      {"last dataset cut at the end",
       App13Data(Dataset(2, 5, "ok") + Bytes({0x1C, 2, 120, 0x00, 0x50}) + "short"),
       {{"ObjectName", "ok"}, {"ImageCaption", "short"}}},
      {"no datasets", App13Data(""), {}},
      {"empty block", "", {}},
      {"without the signature from byte 13",
       String(12, '\0') + Dataset(2, 90, "seen") + Dataset(2, 5, "too"),
       {{"City", "seen"}, {"ObjectName", "too"}}},
      {"datasets before byte 13 are not seen",
       Dataset(2, 90, "hidden") + String(8, '\0') + Dataset(2, 5, "later"),
       {{"ObjectName", "later"}}},
      {"a 1C before a record other than 2 or 8 is passed over",
       String(12, '\0') + Bytes({0x1C, 0x07}) + Dataset(2, 90, "x"),
       {{"City", "x"}}},
  };
  for (const Case& c : cases) {
    TIPTCdata list(nullptr);
    list.ParseIPTC(c.block);
    SCOPED_TRACE(c.what);
    ASSERT_EQ(list.TagCount(), static_cast<int32_t>(c.entries.size()));
    for (size_t i = 0; i < c.entries.size(); ++i) {
      EXPECT_EQ(list.GetTag(static_cast<int32_t>(i)).Name, c.entries[i].first);
      EXPECT_EQ(list.GetTag(static_cast<int32_t>(i)).Text, c.entries[i].second);
    }
  }
  TIPTCdata list(nullptr);
  list.ParseIPTC(App13Data(Dataset(2, 221, "v") + Dataset(2, 90, "c")));
  const TTagEntry custom = list.GetTag(0);
  EXPECT_EQ(custom.Description, "Custom_221");
  EXPECT_EQ(custom.Tag, 221);
  EXPECT_EQ(custom.IptcRecord, 2);
  EXPECT_EQ(custom.Size, 64);
  EXPECT_EQ(list.GetTag(1).Size, 32);
  EXPECT_EQ(list.GetTag(1).Tag, 90);
  // Parsing again starts afresh.
  list.ParseIPTC(App13Data(Dataset(2, 5, "n")));
  EXPECT_EQ(list.TagCount(), 1);
}

TEST(IoIptc, TruncatedAndHostileBlocksNeverReadPast) {
  const String good = App13Data(Dataset(2, 25, "a") + Dataset(2, 90, "Paris") + Dataset(2, 120, "caption"));
  for (size_t n = 0; n <= good.size(); ++n) {
    TIPTCdata list(nullptr);
    list.ParseIPTC(good.substr(0, n));
    EXPECT_LE(list.TagCount(), 3);
  }
  String noise;
  for (int i = 0; i < 3000; ++i) noise += static_cast<char>(i % 3 == 0 ? 0x1C : (i * 7) & 0xFF);
  TIPTCdata list(nullptr);
  list.ParseIPTC(noise);
  EXPECT_LT(list.TagCount(), 3000);
}

TEST(IoIptc, SetAddRemoveByName) {
  TIPTCdata list(nullptr);
  EXPECT_FALSE(list.HasData());
  EXPECT_EQ(list.SetTag("City", "Oslo"), 0);
  EXPECT_EQ(list.GetTag(0).Tag, 90);
  EXPECT_EQ(list.GetTag(0).IptcRecord, 2);
  EXPECT_EQ(list.GetTag(0).Size, 32);
  EXPECT_EQ(list.SetTag("Bogus", "x"), -1);
  EXPECT_EQ(list.SetTag("city", ""), 0);  // an empty value changes nothing
  EXPECT_EQ(list.GetTagText("CITY", "-"), "Oslo");
  EXPECT_EQ(list.SetTag("City", "Rome"), 0);
  EXPECT_EQ(list.GetTagText("City", "-"), "Rome");
  EXPECT_EQ(list.GetTagText("State", "-"), "-");

  EXPECT_EQ(list.SetTagByName("Keywords", "k1"), 1);
  EXPECT_EQ(list.SetTagByName("keywords", "k2"), 1);
  EXPECT_EQ(list.AddTagValue("Keywords", ""), 1);
  EXPECT_EQ(list.GetTagText("Keywords", ""), "k1,k2");
  EXPECT_EQ(list.SetTagByName("City", "Bern"), 0);  // single-valued: replaced
  EXPECT_EQ(list.GetTagText("City", ""), "Bern");
  EXPECT_EQ(list.SetTagByName("Custom_221", "x"), -1);
  EXPECT_EQ(list.AddTagValue("Bogus", "x"), -1);

  EXPECT_EQ(list.SetTag("ObjectName", " "), 2);
  EXPECT_EQ(list.AddTagValue("ObjectName", "n"), 2);  // a blank text is replaced
  EXPECT_EQ(list.GetTagText("ObjectName", ""), "n");
  EXPECT_EQ(list.IndexOfName("objectname"), 2);

  list.RemoveTag("City");
  EXPECT_EQ(list.TagCount(), 2);
  EXPECT_EQ(list.IndexOfName("Keywords"), 0);
  EXPECT_EQ(list.IndexOfName("City"), -1);
  list.RemoveTag("City");
  EXPECT_EQ(list.TagCount(), 2);
  list.SetTagCount(1);
  EXPECT_EQ(list.TagCount(), 1);
  list.Clear();
  EXPECT_FALSE(list.HasData());
}

TEST(IoIptc, ReadFileThroughTheParent) {
  TTempDir dir;
  const String path = dir.File("i.jpg");
  const String app13 =
      String("\xFF\xED", 2) + App13Data(Dataset(2, 25, "a") + Dataset(2, 25, "b") + Dataset(2, 90, "x"));
  WriteFile(path, Jpeg({JfifApp0(), app13}));
  const String plain = dir.File("p.jpg");
  WriteFile(plain, Jpeg({JfifApp0(), Comment("c")}));

  TimgData parent;
  TIPTCdata list(&parent);
  ASSERT_TRUE(list.ReadFile(path));
  EXPECT_EQ(list.GetTagText("Keywords", ""), "a,b");
  EXPECT_EQ(list.GetTagText("City", ""), "x");
  EXPECT_FALSE(list.ReadFile(plain));
  EXPECT_EQ(list.TagCount(), 0);

  // The list the parent owns can read through it too.
  ASSERT_TRUE(parent.ReadFromFile(path));
  TIPTCdata* own = parent.IptcData.get();
  ASSERT_TRUE(own);
  ASSERT_TRUE(own->ReadFile(path));
  EXPECT_EQ(parent.IptcData.get(), own);
  EXPECT_EQ(own->GetTagText("City", ""), "x");
  EXPECT_FALSE(own->ReadFile(plain));
  EXPECT_EQ(parent.IptcData.get(), own);

  TIPTCdata orphan(nullptr);
  EXPECT_FALSE(orphan.ReadFile(path));
}
