#include "imaging/io/metadata/exiftags.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "imaging/io/metadata/exif_testing.h"

using namespace exiftest;

namespace {

const TOrder BE{true};
const TOrder LE{false};

String Shorts(const TOrder& o, std::initializer_list<uint32_t> values) {
  String s;
  for (uint32_t v : values) s += o.U16(v);
  return s;
}

}  // namespace

TEST(IoExifTags, TablesHaveTheirRowsAndDefault) {
  EXPECT_EQ(ExifTagRowCount(), 250);
  EXPECT_EQ(GpsTagRowCount(), 30);
  EXPECT_EQ(DefaultTagRow().Tag, 0);
  EXPECT_EQ(DefaultTagRow().Name, "Unknown");
  for (int32_t i = 0; i < GpsTagRowCount(); ++i) EXPECT_EQ(GpsTagRow(i).Tag, i);
  EXPECT_EQ(FindTagRow(0xA405, dkMain).Name, "FocalLengthin35mmFilm");
  EXPECT_EQ(FindTagRow(0xA405, dkThumbnail).Name, "FocalLengthin35mmFilm");
  // GPS directories use the GPS table, whose tag 2 is no EXIF tag.
  EXPECT_EQ(FindTagRow(2, dkGPS).Name, "GPSLatitude");
  EXPECT_EQ(FindTagRow(2, dkMain).Name, "InteroperabilityVersion");
  EXPECT_EQ(FindTagRow(0xBEEF, dkMain).Name, "Unknown");
  EXPECT_EQ(FindTagRow(0x8769, dkGPS).Name, "Unknown");
  // Two rows share a name; each tag finds its own.
  EXPECT_EQ(FindTagRow(0x920B, dkMain).Name, "FlashEnergy");
  EXPECT_EQ(FindTagRow(0xA20B, dkMain).Name, "FlashEnergy");
}

TEST(IoExifTags, DescriptionsComeFromNames) {
  struct Case {
    const char* name;
    const char* description;
  } cases[] = {
      {"ExposureTime", "Exposure Time"},
      {"FNumber", "FNumber"},
      {"ISOSpeedRatings", "ISOSpeed Ratings"},
      {"T4Options", "T4 Options"},
      {"GPSVersionID", "GPSVersion ID"},
      {"Unknown", "Unknown"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeTagDescription(c.name), c.description) << c.name;

  // The filled table: made descriptions, and the rows that carry their own.
  EXPECT_EQ(FindTagRow(0x829A, dkMain).Description, "Exposure Time");
  EXPECT_EQ(FindTagRow(0x8827, dkMain).Description, "ISOSpeed Ratings");
  EXPECT_EQ(FindTagRow(0x83BB, dkMain).Description, "IPTC/NAA");
  EXPECT_EQ(FindTagRow(0xA216, dkMain).Description, "TIFF/EPStandardID");
  EXPECT_EQ(FindTagRow(0xA405, dkMain).Description, "Focal Length in 35mm Film");
  EXPECT_EQ(FindTagRow(29, dkGPS).Description, "GPSDate Stamp");
  for (int32_t i = 0; i < ExifTagRowCount(); ++i) EXPECT_FALSE(ExifTagRow(i).Description.empty());
}

TEST(IoExifTags, FirstUseFromManyThreadsSeesFilledTables) {
  std::vector<std::thread> threads;
  std::vector<String> seen(8);
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = FindTagRow(0x829A, dkMain).Description; });
  for (auto& t : threads) t.join();
  for (const String& s : seen) EXPECT_EQ(s, "Exposure Time");
}

TEST(IoExifTags, FormatTagValueTable) {
  const String orientation = FindTagRow(0x0112, dkMain).DecodeList;
  String twoHundred;
  for (int i = 0; i < 200; ++i) twoHundred += BE.U16(static_cast<uint32_t>(i));
  String first128;
  for (int i = 0; i < 128; ++i) first128 += (i ? ", " : "") + IntToStr(i);

  struct Case {
    const char* what;
    String value;
    int32_t type;
    String list;
    String format;
    bool big;
    String expected;
  } cases[] = {
      {"F-number", BE.Rational(28, 10), ttRational, "", "F%0.1f", true, "F2.8"},
      {"short with %5.2f", BE.U16(50), ttShort, "", "%5.2f", true, "50.00"},
      {"exposure %s", LE.Rational(1, 250), ttRational, "", "%s sec", false, "1/250 sec"},
      {"focal length", LE.Rational(567, 10), ttRational, "", "%5.2f mm", false, "56.70 mm"},
      {"resolution", BE.Rational(72, 1), ttRational, "", "%5.2f", true, "72.00"},
      {"short components", Shorts(LE, {1, 2, 3}), ttShort, "", "", false, "1, 2, 3"},
      {"byte", String("\xFF", 1), ttByte, "", "", true, "255"},
      {"sbyte -1 reads unsigned", String("\xFF", 1), ttSByte, "", "", true, "255"},
      {"sshort -1 reads 65535", BE.U16(0xFFFF), ttSShort, "", "", true, "65535"},
      {"slong -1", LE.U32(0xFFFFFFFF), ttSLong, "", "", false, "-1"},
      {"long big-endian", BE.U32(0x01020304), ttLong, "", "", true, "16909060"},
      {"long little-endian", LE.U32(0x01020304), ttLong, "", "", false, "16909060"},
      {"srational", BE.U32(0xFFFFFFFF) + BE.U32(3), ttSRational, "", "", true, "-1/3"},
      {"rational stays unsigned", BE.U32(0xFFFFFFFF) + BE.U32(1), ttRational, "", "", true, "4294967295/1"},
      {"float", String(4, '\0'), ttFloat, "", "", true, "-9999.99"},
      {"two doubles", String(16, '\0'), ttDouble, "", "", true, "-9999.99, -9999.99"},
      {"float under a format has value 0", String(4, '\x40'), ttFloat, "", "%5.2f", true, " 0.00"},
      {"type 0", "abc", 0, "", "", true, "0"},
      {"type above 12", "abcd", 13, "", "", true, "0"},
      {"ascii is not formatted here", "ab", ttAscii, "", "", true, "?, ?"},
      {"undefined is not formatted here", "a", ttUndefined, "", "", true, "?"},
      {"decode list hit", BE.U16(6), ttShort, orientation, "", true, "CounterClockwise 90°"},
      {"decode list miss", BE.U16(2), ttShort, orientation, "", true, ""},
      {"decode list per component", Shorts(BE, {1, 2, 8}), ttShort, orientation, "", true, "Normal, , Clockwise 90°"},
      {"photometric", LE.U16(6), ttShort, FindTagRow(0x0106, dkMain).DecodeList, "", false, "YCbCr"},
      {"at most 128 components", twoHundred, ttShort, "", "", true, first128},
      {"partial component dropped", String("\x00\x01\x02", 3), ttShort, "", "", true, "1"},
      {"empty value", "", ttShort, "", "", true, ""},
      {"format that does not fit", BE.U16(5), ttShort, "", "%d", true, "5"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatTagValue(c.value, c.type, c.list, c.format, c.big), c.expected) << c.what;
}

TEST(IoExifTags, NumericValueOfEntries) {
  EXPECT_EQ(TagNumericValue(BE.U16(50), ttShort, true), 50);
  // All bytes of an integer value count, not only the first component.
  EXPECT_EQ(TagNumericValue(Shorts(BE, {1, 2}), ttShort, true), 65538);
  EXPECT_EQ(TagNumericValue(LE.U32(0xFFFFFFFE), ttSLong, false), -2);
  EXPECT_DOUBLE_EQ(TagNumericValue(LE.Rational(28, 10) + LE.Rational(1, 1), ttRational, false), 2.8);
  EXPECT_DOUBLE_EQ(TagNumericValue(BE.U32(static_cast<uint32_t>(-3)) + BE.U32(2), ttSRational, true), -1.5);
  EXPECT_EQ(TagNumericValue(BE.Rational(1, 0), ttRational, true), 0);
  EXPECT_EQ(TagNumericValue(String("\x01\x02\x03", 3), ttRational, true), 0);
  EXPECT_EQ(TagNumericValue(String(8, '\x11'), ttDouble, true), 0);
}

TEST(IoExifTags, DecodersTable) {
  struct Case {
    const char* what;
    std::function<String()> run;
    String expected;
  } cases[] = {
      {"shutter 8", [] { return DecodeShutterSpeed("8/1"); }, "0.0039 sec (1/256)"},
      {"shutter 0", [] { return DecodeShutterSpeed("0/1"); }, "1.0000 sec"},
      {"shutter 1", [] { return DecodeShutterSpeed("1/1"); }, "0.5000 sec (1/2)"},
      {"shutter negative", [] { return DecodeShutterSpeed("-1/1"); }, "2.0000 sec"},
      {"shutter huge", [] { return DecodeShutterSpeed("4000/1"); }, "0.0000 sec"},
      {"shutter unreadable", [] { return DecodeShutterSpeed("x"); }, "1.0000 sec"},
      {"flash 0", [] { return DecodeFlash("0"); }, "Off"},
      {"flash 1", [] { return DecodeFlash("1"); }, "On"},
      {"flash 5", [] { return DecodeFlash("5"); }, "On, no strobe return"},
      {"flash 7", [] { return DecodeFlash("7"); }, "On, strobe return"},
      {"flash 2", [] { return DecodeFlash("2"); }, "Off, UNKNOWN"},
      {"flash 9", [] { return DecodeFlash("9"); }, "On, forced"},
      {"flash 16", [] { return DecodeFlash("16"); }, "Off, surpressed"},
      {"flash 25", [] { return DecodeFlash("25"); }, "On, auto mode"},
      {"flash 32", [] { return DecodeFlash("32"); }, "Off, no flash function"},
      {"flash 95", [] { return DecodeFlash("95"); }, "On, strobe return, auto mode, red-eye reduction"},
      {"components", [] { return DecodeComponents(String("\"\x01\x02\x03\x00\"", 6)); }, "YCbCr"},
      {"components RGB", [] { return DecodeComponents(String("\"\x04\x05\x06\x09\"", 6)); }, "RGB"},
      {"components short", [] { return DecodeComponents("\"\""); }, ""},
      {"coordinate", [] { return DecodeCoordinate("35/1, 30/1, 0/1"); }, "35 30' 0.00000000000\""},
      {"coordinate decimal minutes", [] { return DecodeCoordinate("35/1, 3075/100, 0/1"); }, "35 30' 45.00000000000\""},
      {"coordinate seconds", [] { return DecodeCoordinate("8/1, 5/1, 1234/100"); }, "8 05' 12.34000000000\""},
      {"coordinate whole plus fraction", [] { return DecodeCoordinate("35 1/2, 0/1, 1/1"); }, "36 00' 1.00000000000\""},
      {"coordinate unreadable", [] { return DecodeCoordinate("a, b/0"); }, "0 00' 0.00000000000\""},
      {"time", [] { return DecodeGpsTime("13/1, 45/1, 10/1"); }, "13:45:10"},
      {"time short", [] { return DecodeGpsTime("7/1"); }, "7:0:0"},
      {"16-bit text", [] { return Decode16BitText("72, 0, 105, 0"); }, "Hi"},
      {"16-bit text odd count drops last", [] { return Decode16BitText("72, 0, 105"); }, "H"},
      {"16-bit text latin", [] { return Decode16BitText("233, 0, 0, 0"); }, "é"},
      {"16-bit text empty", [] { return Decode16BitText(""); }, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.run(), c.expected) << c.what;
}

TEST(IoExifTags, SanitizeAndValueTexts) {
  const String sixty(60, 'M');
  EXPECT_EQ(SanitizeTagText(sixty), String(50, 'M'));
  EXPECT_EQ(SanitizeTagText(String("a\x01\tb\x1F", 5)), "a..b.");
  // Fifty characters, not fifty bytes; stray bytes read as Windows-1252.
  EXPECT_EQ(SanitizeTagText(String(60, '\xE9')), [] {
    String s;
    for (int i = 0; i < 50; ++i) s += "é";
    return s;
  }());

  const TTagEntry& make = FindTagRow(0x010F, dkMain);
  EXPECT_EQ(TagValueText(make, String("Canon\0", 6), ttAscii, false), "Canon");
  // Only one trailing zero is the terminator; another shows as ".".
  EXPECT_EQ(TagValueText(make, String("AB\0\0", 4), ttAscii, false), "AB.");
  EXPECT_EQ(TagValueText(make, sixty + String(1, '\0'), ttAscii, false), String(50, 'M'));
  EXPECT_EQ(TagValueText(FindTagRow(0x9000, dkMain), "0230", ttUndefined, false), "\"0230\"");
  EXPECT_EQ(TagValueText(FindTagRow(0x9101, dkMain), String("\x01\x02\x03\x00", 4), ttUndefined, false), "YCbCr");
  EXPECT_EQ(TagValueText(FindTagRow(0x9209, dkMain), LE.U16(0x19), ttShort, false), "On, auto mode");
  EXPECT_EQ(TagValueText(FindTagRow(0x9201, dkMain), BE.Rational(8, 1), ttSRational, true), "0.0039 sec (1/256)");
  EXPECT_EQ(TagValueText(FindTagRow(2, dkGPS), LE.Rational(35, 1) + LE.Rational(30, 1) + LE.Rational(0, 1), ttRational,
                         false),
            "35 30' 0.00000000000\"");
  EXPECT_EQ(TagValueText(FindTagRow(7, dkGPS), BE.Rational(13, 1) + BE.Rational(45, 1) + BE.Rational(10, 1), ttRational,
                         true),
            "13:45:10");
  const String title = "T" + String(1, '\0') + "o" + String(1, '\0') + String(2, '\0');
  EXPECT_EQ(TagValueText(FindTagRow(0x9C9B, dkMain), title, ttByte, false), "To");
  EXPECT_EQ(TagValueText(FindTagRow(0x829A, dkMain), LE.Rational(1, 250), ttRational, false), "1/250 sec");
  EXPECT_EQ(TagValueText(FindTagRow(0x0112, dkMain), BE.U16(3), ttShort, true), "Rotated 180°");
  // The unknown row has no decoder: its text is sanitised.
  EXPECT_EQ(TagValueText(DefaultTagRow(), String("x\ny", 3), ttAscii, true), "x.y");
}

TEST(IoExifTags, DecodeListLookup) {
  const String list = "0:Auto,1:Manual,10:Ten";
  EXPECT_EQ(DecodeListLabel(list, "0"), "Auto");
  EXPECT_EQ(DecodeListLabel(list, " 1 "), "Manual");
  EXPECT_EQ(DecodeListLabel(list, "10"), "Ten");
  EXPECT_EQ(DecodeListLabel(list, "2"), "");
  EXPECT_EQ(DecodeListLabel("", "0"), "");
}
