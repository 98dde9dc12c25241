#include "imaging/io/metadata/exifreader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <memory>

#include "imaging/io/metadata/exif_testing.h"
#include "imaging/io/metadata/iptcdata.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

using namespace exiftest;

namespace {

std::unique_ptr<TimgData> Scan(const String& jpeg, int32_t buildLevel = 255) {
  auto d = std::make_unique<TimgData>(buildLevel);
  TMemoryStream ms;
  ms.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  ms.SetPosition(0);
  d->ScanJPEGSegments(&ms);
  return d;
}

int32_t Slot(const TimgData& d, const TJpegSegment* s) { return s ? static_cast<int32_t>(s - &d.Segments[0]) + 1 : 0; }

String At(const String& data, int32_t pos, int32_t count) { return Copy(data, pos, count); }

// A small EXIF block: IFD0 with the resolution, make and orientation, and an
// EXIF directory with the original date and the picture size.
String SampleTiff(bool big, uint16_t sizeType = ttShort) {
  TTiffBuilder t(big);
  const int ifd0 = t.AddIfd();
  const int exif = t.AddIfd();
  t.Ascii(ifd0, 0x010F, "NIKON");
  t.Short(ifd0, 0x0112, 6);
  t.Rational(ifd0, 0x011A, 72, 1);
  t.Rational(ifd0, 0x011B, 72, 1);
  t.Short(ifd0, 0x0128, 1);
  t.Ascii(ifd0, 0x0132, "2001:01:01 00:00:00");
  t.Link(ifd0, 0x8769, exif);
  t.Ascii(exif, 0x9003, "2004:07:15 13:45:10");
  if (sizeType == ttShort) {
    t.Short(exif, 0xA002, 640);
    t.Short(exif, 0xA003, 480);
  } else {
    t.Long(exif, 0xA002, 640);
    t.Long(exif, 0xA003, 480);
  }
  t.Short(exif, 0xA405, 50);
  return t.Build();
}

class IoExifReaderFiles : public ::testing::Test {
 protected:
  TTempDir Dir;
  String Put(const String& name, const String& bytes) {
    const String path = Dir.File(name);
    WriteFile(path, bytes);
    return path;
  }
};

}  // namespace

// ---------------------------------------------------------------- segment scan

TEST(IoJpegHead, SegmentScanTable) {
  // 0 APP0, E EXIF APP1, X other APP1, P APP13, C COM (text "c" + slot),
  // D DQT, S SOS, Z EOI.
  struct Case {
    const char* segments;
    int32_t app0, app1, app13, com, count;
    bool result;
    const char* comText;
  } cases[] = {
      {"0EDS", 1, 2, 0, 0, 4, true, ""},
      {"DDDDDES", 0, 0, 0, 0, 5, false, ""},   // ends after the fifth without metadata
      {"DDDDES", 0, 0, 0, 0, 5, false, ""},    // an APP1 fifth is not examined then
      {"CDDDES", 0, 5, 0, 1, 6, true, "c1"},   // ... but taken after a COM
      {"CDDDDES", 0, 0, 0, 1, 6, true, "c1"},  // a sixth APP1 gives its slot back
      {"EXCS", 0, 1, 0, 2, 3, true, "c3"},     // a second APP1's slot goes to the COM
      {"PPS", 0, 0, 1, 0, 3, true, ""},        // the first APP13 counts
      {"CCS", 0, 0, 0, 2, 3, true, "c2"},      // the last COM wins
      {"00ES", 2, 3, 0, 0, 4, true, ""},       // the last APP0 wins
      {"XES", 0, 1, 0, 0, 2, true, ""},        // the first APP1 is kept whatever it holds
      {"ZE", 0, 0, 0, 0, 1, false, ""},
      {"0DDDS", 1, 0, 0, 0, 5, false, ""},
      {"CCCCCCCCCCCCCCCCCCCCCCCCC", 0, 0, 0, 20, 20, true, "c20"},
  };
  for (const Case& c : cases) {
    String jpeg = Bytes({0xFF, 0xD8});
    int slot = 0;
    for (const char* p = c.segments; *p; ++p) {
      ++slot;
      switch (*p) {
        case '0': jpeg += JfifApp0(); break;
        case 'E': jpeg += ExifApp1(SampleTiff(false)); break;
        case 'X': jpeg += Segment(0xE1, "http://ns.example/xmp"); break;
        case 'P': jpeg += Segment(0xED, "Photoshop 3.0" + String(1, '\0') + IntToStr(slot)); break;
        case 'C': jpeg += Comment("c" + IntToStr(slot)); break;
        case 'D': jpeg += Dqt(); break;
        case 'S': jpeg += ScanAndEnd(); break;
        case 'Z': jpeg += Bytes({0xFF, 0xD9}); break;
      }
    }
    auto d = std::make_unique<TimgData>(255);
    TMemoryStream ms;
    ms.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    ms.SetPosition(0);
    const bool result = d->ScanJPEGSegments(&ms);
    SCOPED_TRACE(c.segments);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(d->SegmentCount, c.count);
    EXPECT_EQ(Slot(*d, d->App0Segment), c.app0);
    EXPECT_EQ(Slot(*d, d->App1Segment), c.app1);
    EXPECT_EQ(Slot(*d, d->App13Segment), c.app13);
    EXPECT_EQ(Slot(*d, d->ComSegment), c.com);
    if (c.com) {
      EXPECT_EQ(Copy(d->ComSegment->Data, 3, 10), c.comText);
    }
    EXPECT_EQ(d->ExifInfo != nullptr, c.app1 != 0);
    EXPECT_EQ(d->IptcData != nullptr, c.app13 != 0);
    if (c.app13) {
      EXPECT_EQ(d->IptcData->TagCount(), 0);
    }
  }
}

TEST(IoJpegHead, ScanStopsAtBrokenSegmentsWithoutReadingPast) {
  const String com = Comment("hello");
  struct Case {
    const char* what;
    String bytes;
    int32_t count;
    bool comKept;
  } cases[] = {
      {"not a JPEG", Bytes({0xFF, 0xD9}) + com, 0, false},
      {"empty", "", 0, false},
      {"fill bytes before a marker", Bytes({0xFF, 0xD8, 0xFF, 0xFF, 0xFF}) + com + ScanAndEnd(), 2, true},
      {"ends inside a segment", Bytes({0xFF, 0xD8}) + com + Comment("a longer one").substr(0, 8), 1, true},
      {"ends inside a length", Bytes({0xFF, 0xD8}) + com + Bytes({0xFF, 0xFE, 0x00}), 1, true},
      {"ends after a marker", Bytes({0xFF, 0xD8}) + com + Bytes({0xFF}), 1, true},
      {"length below 2", Bytes({0xFF, 0xD8}) + com + Bytes({0xFF, 0xFE, 0x00, 0x01, 'x'}), 1, true},
      {"length 2", Bytes({0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x02}) + ScanAndEnd(), 2, true},
  };
  for (const Case& c : cases) {
    auto d = Scan(c.bytes);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(d->SegmentCount, c.count);
    EXPECT_EQ(d->ComSegment != nullptr, c.comKept);
    for (int32_t i = 1; i <= d->SegmentCount; ++i)
      if (d->Segment(i).Marker != 0xDA) {
        EXPECT_EQ(Length(d->Segment(i).Data), d->Segment(i).Length);
      }
  }
}

TEST(IoJpegHead, ExifHeaderFaultsAreReported) {
  auto bad = Scan(Jpeg({Segment(0xE1, "Exaf" + String(2, '\0') + SampleTiff(true))}));
  EXPECT_EQ(bad->ErrorText, "Incorrect Exif header");
  EXPECT_TRUE(bad->HasEXIFSegment());
  EXPECT_TRUE(bad->ExifInfo->Tags.empty());
  auto order = Scan(Jpeg({Segment(0xE1, String("Exif\0\0", 6) + "XX" + SampleTiff(true).substr(2))}));
  EXPECT_EQ(order->ErrorText, "Invalid Exif alignment marker");
  auto shortBlock = Scan(Jpeg({Segment(0xE1, String("Exif\0\0MM", 8))}));
  EXPECT_TRUE(shortBlock->HasEXIFSegment());
  EXPECT_TRUE(shortBlock->ExifInfo->Tags.empty());
}

// ---------------------------------------------------------------- directories

TEST(IoExifReader, ReadsValuesTextsAndPositions) {
  for (bool big : {false, true}) {
    auto d = Scan(Jpeg({JfifApp0(), ExifApp1(SampleTiff(big))}));
    ASSERT_TRUE(d->ExifInfo);
    const TImageInfo& e = *d->ExifInfo;
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    EXPECT_EQ(e.BigEndian, big);
    EXPECT_EQ(e.CameraMake, "NIKON");
    EXPECT_EQ(e.DateTimeText, "2004:07:15 13:45:10");
    EXPECT_EQ(e.ImageWidth, 640);
    EXPECT_EQ(e.ImageHeight, 480);
    EXPECT_EQ(e.WidthType, ttShort);
    EXPECT_GT(e.XResolutionPos, 0);
    EXPECT_GT(e.YResolutionPos, 0);
    EXPECT_GT(e.ResolutionUnitPos, 0);
    EXPECT_EQ(e.TagValueByName("Orientation"), "CounterClockwise 90°");
    EXPECT_EQ(e.TagValueByName("XResolution"), "72.00");
    EXPECT_EQ(e.TagValueByName("ResolutionUnit"), "None Specified");
    EXPECT_EQ(e.TagValueByName("FocalLengthin35mmFilm"), "50.00");
    EXPECT_EQ(e.TagValueByName("focallengthin35mmfilm"), "50.00");
    EXPECT_EQ(e.TagValueByName("NoSuchTag"), "");
    EXPECT_EQ(e.GetTagByName("NoSuchTag").Name, "Unknown");
    const TTagEntry make = e.GetTagByName("make");
    EXPECT_EQ(make.Text, "NIKON");
    EXPECT_EQ(make.Raw, String("NIKON\0", 6));
    EXPECT_EQ(make.Size, 6);
    EXPECT_EQ(make.TagType, ttAscii);
    EXPECT_EQ(At(d->App1Segment->Data, make.ValuePos, 5), "NIKON");
    EXPECT_NE(e.InfoText.find("\r\nExif Offset = "), String::npos);
    EXPECT_NE(e.InfoText.find("\r\nDate Time Original = 2004:07:15 13:45:10"), String::npos);
    EXPECT_EQ(d->ErrorText, "");
  }
}

TEST(IoExifReader, EntryTextsAndLists) {
  TTiffBuilder t(false);
  const int ifd0 = t.AddIfd();
  const String sixty(60, 'K');
  t.Ascii(ifd0, 0x010F, sixty);
  t.Ascii(ifd0, 0x0110, String(50, 'm'));
  t.Short(ifd0, 0x0112, 2);
  t.Ascii(ifd0, 0x0132, "2002:02:02 02:02:02 and more");
  t.Add(ifd0, 0x9000, ttUndefined, 8, "01234567");
  t.Add(ifd0, 0xA20B, ttRational, 1, t.O.Rational(1, 2));
  t.Add(ifd0, 0x920B, ttRational, 1, t.O.Rational(3, 4));
  t.Short(ifd0, 0xBEEF, 7);  // in no table
  String many;
  for (int i = 0; i < 200; ++i) many += t.O.U16(1);
  t.Add(ifd0, 0x0102, ttShort, 200, many);
  t.Add(ifd0, 0x9286, ttUndefined, 16, String("ASCII\0\0\0  hi  \0", 16));
  t.Add(ifd0, 0x9C9B, ttByte, 6, String("T\0o\0\0\0", 6));
  t.Short(ifd0, 0x9209, 0x19);
  auto d = Scan(Jpeg({ExifApp1(t.Build())}));
  const TImageInfo& e = *d->ExifInfo;

  EXPECT_EQ(e.TagValueByName("Make"), String(50, 'K'));
  EXPECT_EQ(e.CameraMake, String(32, 'K'));
  EXPECT_EQ(e.CameraModel, String(40, 'm'));
  EXPECT_EQ(e.DateTimeText, "2002:02:02 02:02:02 ");
  EXPECT_EQ(e.VersionText, "012345");
  EXPECT_EQ(e.TagValueByName("Orientation"), "");
  // FlashEnergy appears twice in the table; the entry met first is found.
  EXPECT_EQ(e.TagValueByName("FlashEnergy"), "1/2");
  EXPECT_EQ(e.Tags[static_cast<size_t>(e.TagIndexByName("FlashEnergy"))].Tag, 0xA20B);
  EXPECT_EQ(e.TagIndexByName("Unknown"), -1);
  EXPECT_NE(e.InfoText.find("\r\nUnknown = 7"), String::npos);
  String ones;
  for (int i = 0; i < 20; ++i) ones += "1, ";
  EXPECT_EQ(e.TagValueByName("BitsPerSample"), ones.substr(0, 50));  // sanitised to 50 characters
  EXPECT_EQ(e.UserComment, "hi");
  EXPECT_EQ(e.UserCommentLength, 7);
  EXPECT_EQ(e.TagValueByName("UserComment"), "hi");
  EXPECT_EQ(At(d->App1Segment->Data, e.UserCommentPos, 5), "ASCII");
  // A comment without a terminating zero keeps its last character.
  TTiffBuilder u(true);
  u.Add(u.AddIfd(), 0x9286, ttUndefined, 13, String("ASCII\0\0\0hello", 13));
  EXPECT_EQ(Scan(Jpeg({ExifApp1(u.Build())}))->ExifInfo->UserComment, "hello");
  EXPECT_EQ(e.TagValueByName("Title"), "To");
  EXPECT_EQ(e.FlashValue, 0x19);
  EXPECT_EQ(e.TagValueByName("Flash"), "On, auto mode");
}

TEST(IoExifReader, FormatTagValueShowsAtMost128Components) {
  TTiffBuilder t(true);
  const int ifd0 = t.AddIfd();
  String many;
  for (int i = 0; i < 200; ++i) many += t.O.U16(1);
  t.Add(ifd0, 0x0140, ttShort, 200, many);  // ColorMap: no row data, sanitised
  auto d = Scan(Jpeg({ExifApp1(t.Build())}));
  const TTagEntry e = d->ExifInfo->GetTagByName("ColorMap");
  EXPECT_EQ(e.Size, 400);
  EXPECT_EQ(FormatTagValue(e.Raw, ttShort, "", "", true).size(), 128 * 3 - 2);
}

TEST(IoExifReader, BuildLevels) {
  const String jpeg = Jpeg({ExifApp1(SampleTiff(true))});
  auto none = Scan(jpeg, 0);
  auto texts = Scan(jpeg, 2);
  auto all = Scan(jpeg, 255);
  EXPECT_TRUE(none->ExifInfo->InfoText.empty());
  EXPECT_TRUE(none->ExifInfo->Tags.empty());
  EXPECT_FALSE(texts->ExifInfo->InfoText.empty());
  EXPECT_TRUE(texts->ExifInfo->Tags.empty());
  EXPECT_EQ(all->ExifInfo->InfoText, texts->ExifInfo->InfoText);
  EXPECT_FALSE(all->ExifInfo->Tags.empty());
  // Positions, dates and sizes do not depend on the level.
  for (auto* d : {none.get(), texts.get(), all.get()}) {
    EXPECT_EQ(d->ExifInfo->XResolutionPos, all->ExifInfo->XResolutionPos);
    EXPECT_EQ(d->ExifInfo->ImageWidth, 640);
    EXPECT_EQ(d->ExifInfo->CameraMake, "NIKON");
    EXPECT_EQ(d->ExifInfo->GetDateTimeOriginal(), EncodeDateTime(2004, 7, 15, 13, 45, 10, 0));
  }
}

TEST(IoExifReader, GetDateTimeOriginalTable) {
  struct Case {
    const char* what;
    const char* original;  // nullptr: absent
    const char* digitized;
    const char* dateTime;
    TDateTime expected;
  } cases[] = {
      {"original", "2004:07:15 13:45:10", nullptr, nullptr, EncodeDateTime(2004, 7, 15, 13, 45, 10, 0)},
      {"original over digitized", "2004:07:15 13:45:10", "2001:02:03 04:05:06", nullptr,
       EncodeDateTime(2004, 7, 15, 13, 45, 10, 0)},
      {"digitized", nullptr, "2001:02:03 04:05:06", "2009:09:09 09:09:09", EncodeDateTime(2001, 2, 3, 4, 5, 6, 0)},
      {"date-time alone is not used", nullptr, nullptr, "2009:09:09 09:09:09", 0},
      {"zero date", "0000:00:00 00:00:00", nullptr, nullptr, 0},
      {"fixed columns ignore separators", "2004-07-15T13.45.10", nullptr, nullptr,
       EncodeDateTime(2004, 7, 15, 13, 45, 10, 0)},
      {"month 13", "2004:13:15 13:45:10", nullptr, nullptr, 0},
      {"hour 24", "2004:07:15 24:00:00", nullptr, nullptr, 0},
      {"blanks", "    :  :     :  :  ", nullptr, nullptr, 0},
      {"negative", "2004:-1:15 13:45:10", nullptr, nullptr, 0},
      {"short value", "2004:07:15", nullptr, nullptr, 0},
      {"leap day", "2004:02:29 00:00:00", nullptr, nullptr, EncodeDate(2004, 2, 29)},
      {"no leap day", "2003:02:29 00:00:00", nullptr, nullptr, 0},
  };
  for (const Case& c : cases) {
    TTiffBuilder t(false);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    if (c.dateTime) t.Ascii(ifd0, 0x0132, c.dateTime);
    t.Link(ifd0, 0x8769, exif);
    if (c.original) t.Ascii(exif, 0x9003, c.original);
    if (c.digitized) t.Ascii(exif, 0x9004, c.digitized);
    t.Short(exif, 0xA001, 1);
    auto d = Scan(Jpeg({ExifApp1(t.Build())}), 0);
    EXPECT_EQ(d->ExifInfo->GetDateTimeOriginal(), c.expected) << c.what;
  }
}

// ---------------------------------------------------------------- patches

TEST(IoExifReader, PatchResolutionByteVectors) {
  struct Case {
    bool big;
    String rational;
    String unit;
  } cases[] = {
      {true, Bytes({0, 0, 1, 0x2C, 0, 0, 0, 1}), Bytes({0, 2})},
      {false, Bytes({0x2C, 1, 0, 0, 1, 0, 0, 0}), Bytes({2, 0})},
  };
  for (const Case& c : cases) {
    auto d = Scan(Jpeg({ExifApp1(SampleTiff(c.big))}));
    TImageInfo& e = *d->ExifInfo;
    e.PatchResolution(300, 300);
    const String& data = d->App1Segment->Data;
    EXPECT_EQ(At(data, e.XResolutionPos, 8), c.rational);
    EXPECT_EQ(At(data, e.YResolutionPos, 8), c.rational);
    EXPECT_EQ(At(data, e.ResolutionUnitPos, 2), c.unit);
    EXPECT_EQ(e.BlockData, data);
    // The written head carries the patch.
    TMemoryStream out;
    EXPECT_EQ(d->WriteSegments(&out), Length(data) + 2);
    auto again =
        Scan(String(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size())) + Dqt() + ScanAndEnd());
    EXPECT_EQ(again->ExifInfo->TagValueByName("XResolution"), "300.00");
    EXPECT_EQ(again->ExifInfo->TagValueByName("YResolution"), "300.00");
    EXPECT_EQ(again->ExifInfo->TagValueByName("ResolutionUnit"), "Inch");
  }
}

TEST(IoExifReader, PatchResolutionLeavesWhatItMustNotTouch) {
  auto d = Scan(Jpeg({ExifApp1(SampleTiff(true))}));
  const String before = d->App1Segment->Data;
  TImageInfo& e = *d->ExifInfo;
  e.PatchResolution(0, -5);  // nothing for non-positive values but the unit
  EXPECT_EQ(At(d->App1Segment->Data, e.XResolutionPos, 8), At(before, e.XResolutionPos, 8));
  EXPECT_EQ(At(d->App1Segment->Data, e.ResolutionUnitPos, 2), Bytes({0, 2}));

  // Without the tags nothing is written at all.
  TTiffBuilder t(true);
  const int ifd0 = t.AddIfd();
  t.Ascii(ifd0, 0x010F, "X");
  auto bare = Scan(Jpeg({ExifApp1(t.Build())}));
  const String bareBefore = bare->App1Segment->Data;
  bare->ExifInfo->PatchResolution(300, 300);
  EXPECT_EQ(bare->ExifInfo->XResolutionPos, -1);
  EXPECT_EQ(bare->App1Segment->Data, bareBefore);

  // A resolution stored as a SHORT is not overwritten by a RATIONAL.
  TTiffBuilder s(true);
  const int i0 = s.AddIfd();
  s.Short(i0, 0x011A, 72);
  s.Short(i0, 0x0112, 1);
  auto odd = Scan(Jpeg({ExifApp1(s.Build())}));
  const String oddBefore = odd->App1Segment->Data;
  odd->ExifInfo->PatchResolution(300, 300);
  EXPECT_EQ(odd->App1Segment->Data, oddBefore);
}

TEST(IoExifReader, PatchImageSizeTable) {
  struct Case {
    const char* what;
    uint16_t widthType, heightType;
    int32_t w, h;
    bool written;
  } cases[] = {
      {"short", ttShort, ttShort, 320, 240, true},
      {"long", ttLong, ttLong, 320, 240, true},
      {"mixed", ttShort, ttLong, 320, 240, false},
      {"same size", ttShort, ttShort, 640, 480, false},
  };
  for (const Case& c : cases) {
    TTiffBuilder t(true);
    const int ifd0 = t.AddIfd();
    if (c.widthType == ttShort)
      t.Short(ifd0, 0xA002, 640);
    else
      t.Long(ifd0, 0xA002, 640);
    if (c.heightType == ttShort)
      t.Short(ifd0, 0xA003, 480);
    else
      t.Long(ifd0, 0xA003, 480);
    auto d = Scan(Jpeg({ExifApp1(t.Build())}));
    TImageInfo& e = *d->ExifInfo;
    const String before = d->App1Segment->Data;
    e.PatchImageSize(c.w, c.h);
    SCOPED_TRACE(c.what);
    if (!c.written) {
      EXPECT_EQ(d->App1Segment->Data, before);
      continue;
    }
    const String& data = d->App1Segment->Data;
    if (c.widthType == ttShort) {
      EXPECT_EQ(At(data, e.WidthValuePos, 4), Bytes({0x01, 0x40, 0, 0}));
      EXPECT_EQ(At(data, e.HeightValuePos, 4), Bytes({0x00, 0xF0, 0, 0}));
    } else {
      EXPECT_EQ(At(data, e.WidthValuePos, 4), Bytes({0, 0, 0x01, 0x40}));
      EXPECT_EQ(At(data, e.HeightValuePos, 4), Bytes({0, 0, 0x00, 0xF0}));
    }
    auto again = Scan(Jpeg({Segment(0xE1, data.substr(2))}));
    EXPECT_EQ(again->ExifInfo->ImageWidth, 320);
    EXPECT_EQ(again->ExifInfo->ImageHeight, 240);
  }
  // No size known: nothing to patch.
  TTiffBuilder t(true);
  t.Short(t.AddIfd(), 0xA002, 640);
  auto d = Scan(Jpeg({ExifApp1(t.Build())}));
  const String before = d->App1Segment->Data;
  d->ExifInfo->PatchImageSize(1, 1);
  EXPECT_EQ(d->App1Segment->Data, before);
}

TEST(IoExifReader, PatchTagByName) {
  TTiffBuilder t(false);
  const int ifd0 = t.AddIfd();
  t.Short(ifd0, 0x0112, 6);
  t.Long(ifd0, 0xA002, 640);
  t.Rational(ifd0, 0x011A, 72, 1);
  t.Ascii(ifd0, 0x010F, "Make");
  t.Add(ifd0, 0x0118, ttFloat, 1, t.O.U32(0x3F800000));  // MinSampleValue as a FLOAT
  auto d = Scan(Jpeg({ExifApp1(t.Build())}));
  TImageInfo& e = *d->ExifInfo;
  const String& data = d->App1Segment->Data;
  EXPECT_TRUE(e.PatchTagByName("orientation", 1));
  EXPECT_EQ(At(data, e.GetTagByName("Orientation").ValuePos, 2), Bytes({1, 0}));
  EXPECT_TRUE(e.PatchTagByName("ExifImageWidth", 0x01020304));
  EXPECT_EQ(At(data, e.GetTagByName("ExifImageWidth").ValuePos, 4), Bytes({4, 3, 2, 1}));
  const String before = data;
  EXPECT_FALSE(e.PatchTagByName("XResolution", 1));
  EXPECT_FALSE(e.PatchTagByName("Make", 1));
  EXPECT_FALSE(e.PatchTagByName("MinSampleValue", 1));
  EXPECT_FALSE(e.PatchTagByName("NoSuchTag", 1));
  EXPECT_EQ(data, before);
}

// ---------------------------------------------------------------- bad structures

TEST(IoExifReader, LoopsAreWalkedOnce) {
  // IFD0 -> EXIF -> interoperability -> IFD0 again, and EXIF -> itself.
  TTiffBuilder t(true);
  const int ifd0 = t.AddIfd();
  const int exif = t.AddIfd();
  const int interop = t.AddIfd();
  t.Ascii(ifd0, 0x010F, "Loop");
  t.Link(ifd0, 0x8769, exif);
  t.Short(exif, 0xA001, 1);
  t.Link(exif, 0xA005, interop);
  t.Link(exif, 0x8769, exif);
  t.Ascii(interop, 0x0001, "R98");
  t.Link(interop, 0x014A, ifd0);
  t.Link(interop, 0x8825, ifd0);  // visited is visited, whatever the kind
  t.Next(ifd0, ifd0);             // a next link back to itself
  auto d = Scan(Jpeg({ExifApp1(t.Build())}));
  const TImageInfo& e = *d->ExifInfo;
  int makes = 0, colorSpaces = 0;
  for (const TTagEntry& tag : e.Tags) {
    makes += tag.Name == "Make";
    colorSpaces += tag.Name == "ColorSpace";
  }
  EXPECT_EQ(makes, 1);
  EXPECT_EQ(colorSpaces, 1);
  EXPECT_EQ(e.TagValueByName("InteroperabilityIndex"), "R98");
  EXPECT_EQ(e.ThumbnailLink, t.IfdOffset(ifd0));
  d->ExifInfo->ParseThumbnailIFD();  // walks IFD0 once more as a thumbnail directory
}

TEST(IoExifReader, DeepChainsStop) {
  // 200 directories, each linking to the next through an EXIF offset.
  TTiffBuilder t(false);
  std::vector<int> ifds;
  for (int i = 0; i < 200; ++i) ifds.push_back(t.AddIfd());
  for (int i = 0; i < 200; ++i) {
    t.Short(ifds[i], 0x0112, 1);
    if (i + 1 < 200) t.Link(ifds[i], 0x8769, ifds[i + 1]);
  }
  auto d = Scan(Jpeg({ExifApp1(t.Build())}));
  EXPECT_GE(d->ExifInfo->Tags.size(), 16u);
  EXPECT_LT(d->ExifInfo->Tags.size(), 400u);
}

TEST(IoExifReader, IllegalSizesAndOffsetsSkipEntries) {
  struct Case {
    const char* what;
    std::function<void(TTiffBuilder&, int)> build;
    const char* expectedMake;  // still read from the good entry
    const char* error;
  } cases[] = {
      {"value offset past the block", [](TTiffBuilder& t, int i) { t.RawOffset(i, 0x010E, ttAscii, 20, 0x7FFFFFF0); },
       "Good", ""},
      {"value offset wrapping", [](TTiffBuilder& t, int i) { t.RawOffset(i, 0x010E, ttAscii, 20, 0xFFFFFFF8); }, "Good",
       ""},
      {"count times size overflowing", [](TTiffBuilder& t, int i) { t.RawOffset(i, 0x010E, ttDouble, 0xFFFFFFFF, 8); },
       "Good", ""},
      {"value reaching past the end", [](TTiffBuilder& t, int i) { t.RawOffset(i, 0x010E, ttAscii, 200, 8); }, "Good",
       ""},
      {"sub-directory past the block", [](TTiffBuilder& t, int i) { t.Long(i, 0x8769, 0x00FFFFFF); }, "Good", ""},
      {"GPS directory near 4 GiB", [](TTiffBuilder& t, int i) { t.Long(i, 0x8825, 0xFFFFFFF6); }, "Good", ""},
      {"unknown type", [](TTiffBuilder& t, int i) { t.Add(i, 0x010E, 99, 1, "abcd"); }, "Good", ""},
      {"zero count", [](TTiffBuilder& t, int i) { t.Add(i, 0x010E, ttAscii, 0, ""); }, "Good", ""},
  };
  for (const Case& c : cases) {
    TTiffBuilder t(true);
    const int ifd0 = t.AddIfd();
    c.build(t, ifd0);
    t.Ascii(ifd0, 0x010F, "Good");
    auto d = Scan(Jpeg({ExifApp1(t.Build())}));
    SCOPED_TRACE(c.what);
    EXPECT_EQ(d->ExifInfo->CameraMake, c.expectedMake);
    EXPECT_EQ(d->ExifInfo->TagIndexByName("ImageDescription"), -1);
    EXPECT_EQ(d->ErrorText, c.error);
  }
}

TEST(IoExifReader, DirectoriesThatDoNotFit) {
  // A count far beyond the block.
  String tiff = String("MM\0\x2A\0\0\0\x08", 8) + Bytes({0xFF, 0xFF}) + String(20, '\0');
  auto huge = Scan(Jpeg({ExifApp1(tiff)}));
  EXPECT_EQ(huge->ErrorText, "Illegally sized directory");
  EXPECT_TRUE(huge->ExifInfo->Tags.empty());

  // A count that passes the size test, its entries running off the end.
  TTiffBuilder t(true);
  const int ifd0 = t.AddIfd();
  t.Ascii(ifd0, 0x010F, "Cut");
  t.Short(ifd0, 0x0112, 3);
  String cut = t.Build();
  cut[9] = 3;  // three entries claimed, two present, no link
  cut.resize(8 + 2 + 24);
  auto d = Scan(Jpeg({ExifApp1(cut)}));
  EXPECT_EQ(d->ExifInfo->TagValueByName("Orientation"), "Rotated 180°");
  EXPECT_EQ(d->ExifInfo->ThumbnailLink, 0);

  // First directory offset 0 means the directory right after the header.
  TTiffBuilder z(false);
  z.Ascii(z.AddIfd(), 0x010F, "Zero");
  z.FirstOffsetOverride(0);
  EXPECT_EQ(Scan(Jpeg({ExifApp1(z.Build())}))->ExifInfo->CameraMake, "Zero");
  // A first directory offset past the block reads nothing.
  z.FirstOffsetOverride(0x10000000);
  EXPECT_TRUE(Scan(Jpeg({ExifApp1(z.Build())}))->ExifInfo->Tags.empty());
}

TEST(IoExifReader, SharedValuesCannotMultiplyMemory) {
  // 4000 entries all naming one 60,000-byte value.
  TTiffBuilder t(false);
  const int ifd0 = t.AddIfd();
  for (int i = 0; i < 4000; ++i) t.RawOffset(ifd0, 0x927C, ttUndefined, 60000, 8);
  String tiff = t.Build();
  tiff.resize(65000, 'x');
  auto d = Scan(Jpeg({ExifApp1(tiff)}));
  ASSERT_TRUE(d->ExifInfo);
  size_t raw = 0;
  for (const TTagEntry& e : d->ExifInfo->Tags) raw += e.Raw.size();
  EXPECT_GT(raw, 0u);
  EXPECT_LT(raw, 8u * 65536u);
}

TEST(IoExifReader, MutatedBlocksNeverCrash) {
  const String good = ExifApp1(SampleTiff(true));
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int round = 0; round < 400; ++round) {
    String seg = good;
    const int flips = 1 + static_cast<int>(next() % 6);
    for (int f = 0; f < flips; ++f) seg[4 + next() % (seg.size() - 4)] = static_cast<char>(next() & 0xFF);
    auto d = Scan(Jpeg({seg, Comment("c")}));
    if (d->ExifInfo) {
      d->ExifInfo->ParseThumbnailIFD();
      d->ExifInfo->PatchResolution(300, 300);
      d->ExifInfo->PatchImageSize(10, 10);
      d->ExifInfo->PatchTagByName("Orientation", 1);
      d->ExifInfo->GetDateTimeOriginal();
      EXPECT_EQ(Length(d->App1Segment->Data), Length(seg) - 2);
    }
  }
}

// ---------------------------------------------------------------- thumbnails

TEST(IoExifReader, ThumbnailDirectory) {
  TTiffBuilder t(false);
  const int ifd0 = t.AddIfd();
  const int exif = t.AddIfd();
  const int ifd1 = t.AddIfd();
  t.Ascii(ifd0, 0x010F, "Thumb");
  t.Link(ifd0, 0x8769, exif);
  t.Next(ifd0, ifd1);
  t.Short(exif, 0xA001, 1);
  t.Next(exif, ifd0);  // a later directory's link does not count
  t.Short(ifd1, 0x0103, 6);
  t.Long(ifd1, 0x0201, 0);
  t.Long(ifd1, 0x0202, 400);
  t.Trailer(String(400, '\x55'));
  auto d = Scan(Jpeg({ExifApp1(t.Build())}));
  TImageInfo& e = *d->ExifInfo;
  EXPECT_EQ(e.ThumbnailLink, t.IfdOffset(ifd1));
  EXPECT_EQ(e.ThumbnailLength, 9 + (Length(d->App1Segment->Data) - 6) - e.ThumbnailLink);
  EXPECT_TRUE(d->HasEXIFThumbnail());
  EXPECT_EQ(e.TagIndexByName("Compression"), -1);
  e.ParseThumbnailIFD();
  EXPECT_EQ(e.ThumbnailCompression, 6);
  ASSERT_EQ(e.ThumbnailTags.size(), 3u);
  EXPECT_EQ(e.ThumbnailTags[0].Text, "Jpeg");
  EXPECT_NE(e.ThumbnailText.find("\r\nCompression = Jpeg"), String::npos);
  EXPECT_EQ(e.TagIndexByName("Compression"), -1);

  // A short block has no thumbnail to speak of.
  t.Trailer("");
  EXPECT_FALSE(Scan(Jpeg({ExifApp1(t.Build())}))->HasEXIFThumbnail());
}

// ---------------------------------------------------------------- files

TEST_F(IoExifReaderFiles, ExtensionsAndMissingFiles) {
  const String jpeg = Jpeg({JfifApp0(), ExifApp1(SampleTiff(true)), Comment("c")});
  struct Case {
    const char* name;
    bool result;
    const char* error;
  } cases[] = {
      {"a.jpg", true, "<none>"},
      {"b.JPG", true, "<none>"},
      {"c.jpeg", true, "<none>"},
      {"d.Jpe", true, "<none>"},
      {"e.jfif", false, "Not an EXIF file"},
      {"f.png", false, "Not an EXIF file"},
      {"noext", false, "Not an EXIF file"},
  };
  for (const Case& c : cases) {
    const String path = Put(c.name, jpeg);
    TimgData d;
    EXPECT_EQ(d.ReadFromFile(path), c.result) << c.name;
    EXPECT_EQ(d.ErrorText, c.error) << c.name;
    EXPECT_EQ(d.FileName, path);
    EXPECT_EQ(d.FileSize, Length(jpeg));
    EXPECT_GT(d.FileDate, EncodeDate(2000, 1, 1));
  }
  TimgData d;
  EXPECT_FALSE(d.ReadFromFile(Dir.File("missing.jpg")));
  EXPECT_EQ(d.FileName, "");
  EXPECT_FALSE(d.ReadFromFile(Dir.Path()));
  // A JPEG without metadata is "nothing found".
  EXPECT_FALSE(d.ReadFromFile(Put("plain.jpg", Jpeg({Dqt()}))));
  EXPECT_EQ(d.ErrorText, "Not an EXIF file");
  // A new read forgets the previous one.
  EXPECT_TRUE(d.ReadFromFile(Put("again.jpg", jpeg)));
  EXPECT_FALSE(d.ReadFromFile(Put("none.jpg", Jpeg({Dqt()}))));
  EXPECT_FALSE(d.ExifInfo);
  EXPECT_FALSE(d.HasEXIFSegment());
}

TEST_F(IoExifReaderFiles, TiffAndNefBlocks) {
  for (bool big : {false, true}) {
    TTiffBuilder t(big);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "NIKON CORPORATION");
    t.Long(ifd0, 0x0100, 4000);
    t.Long(ifd0, 0x0101, 3000);
    t.Link(ifd0, 0x8769, exif);
    t.Next(ifd0, ifd1);
    t.Ascii(exif, 0x9003, "2010:05:06 07:08:09");
    t.Add(exif, 0x927C, ttUndefined, 12, String("Nikon\0\x02\x10\0\0MM", 12));
    t.Short(ifd1, 0x0103, 6);
    t.FirstOffsetOverride(4096);  // ignored: the first directory follows the header
    const String tiff = t.Build();
    for (const char* name : {"a.tif", "b.TIFF", "c.nef"}) {
      const String path = Put(name, tiff);
      TimgData d;
      SCOPED_TRACE(name);
      ASSERT_TRUE(d.ReadFromFile(path));
      EXPECT_EQ(d.ErrorText, "<none>");
      EXPECT_FALSE(d.TiffMode);
      ASSERT_TRUE(d.ExifInfo);
      const TImageInfo& e = *d.ExifInfo;
      EXPECT_TRUE(e.TiffMode);
      EXPECT_EQ(e.BigEndian, big);
      EXPECT_EQ(d.App1Segment->Data, tiff.substr(8));
      EXPECT_EQ(e.CameraMake, "NIKON CORPORATION");
      EXPECT_EQ(e.ImageWidth, 4000);
      EXPECT_EQ(e.WidthType, ttLong);
      EXPECT_EQ(e.GetDateTimeOriginal(), EncodeDateTime(2010, 5, 6, 7, 8, 9, 0));
      EXPECT_EQ(e.ThumbnailLink, 0);  // not in TIFF mode
      EXPECT_TRUE(e.MakerRecognised);
      EXPECT_EQ(At(d.App1Segment->Data, e.MakerNotePos, 5), "Nikon");
      // The TIFF block is no JPEG segment: a head written now has the JFIF.
      TMemoryStream out;
      d.WriteSegments(&out);
      EXPECT_EQ(Markers(String(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()))),
                std::vector<int>({0xE0}));
    }
  }
  TimgData d;
  EXPECT_FALSE(d.ReadFromFile(Put("bad.tif", "XX*\0")));
  EXPECT_FALSE(d.ReadFromFile(Put("tiny.tif", "I")));
  EXPECT_TRUE(d.ReadFromFile(Put("header-only.tif", String("II*\0\x08\0\0\0", 8))));
  EXPECT_TRUE(d.ExifInfo->Tags.empty());
}

TEST_F(IoExifReaderFiles, TiffBlockIsBounded) {
  // The first directory's EXIF link points beyond the 256,000 bytes read.
  TTiffBuilder t(false);
  const int ifd0 = t.AddIfd();
  t.Ascii(ifd0, 0x010F, "Far");
  t.Long(ifd0, 0x8769, 300000);
  String tiff = t.Build();
  tiff.resize(300000, '\0');
  tiff += String(14, 'q');
  TimgData d;
  ASSERT_TRUE(d.ReadFromFile(Put("far.tif", tiff)));
  EXPECT_EQ(Length(d.App1Segment->Data), 256000);
  EXPECT_EQ(d.ExifInfo->CameraMake, "Far");
}

// ---------------------------------------------------------------- rewriting

TEST_F(IoExifReaderFiles, RewriteCases) {
  const String exif = ExifApp1(SampleTiff(true));
  const String app0 = JfifApp0();
  const String com = Comment("note");
  const String app13 = Segment(0xED, "Photoshop 3.0");
  const String jfif300 =
      Bytes({0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0x02, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00});
  struct Case {
    const char* what;
    String source;
    std::vector<int> markers;
    String expectedHead;  // the bytes after SOI
  } cases[] = {
      {"APP0 + APP1: the APP0 is dropped", Jpeg({app0, exif, Dqt()}), {0xE1, 0xDB, 0xDA}, exif},
      {"APP0 + COM: both kept", Jpeg({app0, com, Dqt()}), {0xE0, 0xFE, 0xDB, 0xDA}, app0 + com},
      {"neither APP0 nor APP1: fixed JFIF", Jpeg({com, Dqt()}), {0xE0, 0xFE, 0xDB, 0xDA}, jfif300 + com},
      // The leading run is passed over in any order, each kind once, so no
      // segment of the new head is written twice.
      {"APP1 before APP0: the APP0 is dropped", Jpeg({exif, app0, Dqt()}), {0xE1, 0xDB, 0xDA}, exif},
      {"COM before APP1: one COM", Jpeg({app0, com, exif, Dqt()}), {0xE1, 0xFE, 0xDB, 0xDA}, exif + com},
      {"COM before APP13: one of each",
       Jpeg({exif, com, app13, Dqt()}),
       {0xE1, 0xED, 0xFE, 0xDB, 0xDA},
       exif + app13 + com},
      {"a second COM after the run is kept", Jpeg({com, com, Dqt()}), {0xE0, 0xFE, 0xFE, 0xDB, 0xDA}, jfif300 + com},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const String path = Put("r.jpg", c.source);
    TimgData d;
    ASSERT_TRUE(d.ReadFromFile(path));
    ASSERT_TRUE(d.RewriteJPEGFile(path));
    const String out = ReadFile(path);
    EXPECT_EQ(Markers(out), c.markers);
    EXPECT_EQ(out.substr(2, c.expectedHead.size()), c.expectedHead);
    EXPECT_EQ(out.substr(out.size() - 11), c.source.substr(c.source.size() - 11));  // scan data untouched
    EXPECT_EQ(Dir.Names(), std::vector<String>({"r.jpg"}));                         // no temporary left
    // Rewriting again changes nothing.
    TimgData again;
    again.ReadFromFile(path);
    ASSERT_TRUE(again.RewriteJPEGFile(path));
    EXPECT_EQ(ReadFile(path), out);
  }
}

TEST_F(IoExifReaderFiles, SaveAndMergeCopyTheHeadIntoAnotherJpeg) {
  TimgData d;
  ASSERT_TRUE(d.ReadFromFile(
      Put("src.jpg", Jpeg({JfifApp0(), ExifApp1(SampleTiff(false)), Segment(0xED, "Photoshop 3.0"), Comment("c")}))));
  d.ExifInfo->PatchResolution(300, 300);
  const String encoded = Jpeg({JfifApp0(), Dqt()});
  TMemoryStream src;
  src.WriteBuffer(encoded.data(), static_cast<int64_t>(encoded.size()));

  const String dest = Dir.File("dest.jpg");
  WriteFile(dest, "old content");
  ASSERT_TRUE(d.SaveJPEGWithSegments(&src, dest));
  const String saved = ReadFile(dest);
  EXPECT_EQ(Markers(saved), std::vector<int>({0xE1, 0xED, 0xFE, 0xDB, 0xDA}));
  TimgData check;
  ASSERT_TRUE(check.ReadFromFile(dest));
  EXPECT_EQ(check.ExifInfo->TagValueByName("XResolution"), "300.00");

  TMemoryStream merged;
  merged.WriteBuffer("ab", 2);
  merged.SetPosition(0);
  ASSERT_TRUE(d.MergeSegmentsIntoStream(&src, &merged));
  EXPECT_EQ(merged.Position(), 0);
  const String m(static_cast<const char*>(merged.Memory()), static_cast<size_t>(merged.Size()));
  EXPECT_EQ(m, saved);  // the head overwrote the old bytes, the rest went to the end

  // A source that is no JPEG is refused.
  TMemoryStream junk;
  junk.WriteBuffer("GIF89a", 6);
  EXPECT_FALSE(d.SaveJPEGWithSegments(&junk, Dir.File("junk.jpg")));
  EXPECT_FALSE(d.MergeSegmentsIntoStream(&junk, &merged));
  EXPECT_FALSE(FileExists(Dir.File("junk.jpg")));
}

TEST_F(IoExifReaderFiles, OriginalSurvivesAFailedWrite) {
  const String source = Jpeg({JfifApp0(), ExifApp1(SampleTiff(true)), Comment(String(3000, 'z')), Dqt()});
  const String path = Put("keep.jpg", source);
  TimgData d;
  ASSERT_TRUE(d.ReadFromFile(path));
  d.ExifInfo->PatchResolution(300, 300);

  // Writes past 1000 bytes fail (EFBIG) while the limit holds.
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit low = old;
  low.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
  const bool rewritten = d.RewriteJPEGFile(path);
  TMemoryStream src;
  src.WriteBuffer(source.data(), static_cast<int64_t>(source.size()));
  const bool saved = d.SaveJPEGWithSegments(&src, path);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(rewritten);
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFile(path), source);
  EXPECT_EQ(Dir.Names(), std::vector<String>({"keep.jpg"}));
  // With room again the same rewrite goes through.
  EXPECT_TRUE(d.RewriteJPEGFile(path));
  EXPECT_NE(ReadFile(path), source);
}

TEST_F(IoExifReaderFiles, CreationIsRetriedTenTimes) {
  VirtualClock clock;
  SetClock(&clock);
  TimgData d;
  TMemoryStream src;
  const String encoded = Jpeg({Dqt()});
  src.WriteBuffer(encoded.data(), static_cast<int64_t>(encoded.size()));
  const uint64_t before = GetTickCount64();
  EXPECT_FALSE(d.SaveJPEGWithSegments(&src, Dir.File("no-such-folder/out.jpg")));
  EXPECT_EQ(GetTickCount64() - before, 9u * 500u);
  EXPECT_FALSE(d.RewriteJPEGFile(Dir.File("missing.jpg")));
  EXPECT_EQ(GetTickCount64() - before, 9u * 500u);  // nothing to read: no retries
  SetClock(nullptr);
}

TEST_F(IoExifReaderFiles, IptcListIsAttachedEmpty) {
  TimgData d;
  ASSERT_TRUE(d.ReadFromFile(Put("p.jpg", Jpeg({Segment(0xED, "Photoshop 3.0")}))));
  ASSERT_TRUE(d.IptcData);
  EXPECT_EQ(d.IptcData->TagCount(), 0);
  EXPECT_EQ(d.IptcData->Parent, &d);
  EXPECT_FALSE(d.HasEXIFSegment());
  EXPECT_FALSE(d.HasEXIFThumbnail());
}
