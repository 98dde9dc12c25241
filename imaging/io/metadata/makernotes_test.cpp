#include "imaging/io/metadata/makernotes.h"

#include <gtest/gtest.h>

#include "imaging/io/metadata/exif_testing.h"
#include "imaging/io/metadata/exifreader.h"

using namespace exiftest;

TEST(IoMakerNotes, RecognisedMakes) {
  struct Case {
    const char* make;
    bool recognised;
  } cases[] = {
      {"NIKON CORPORATION", true},
      {"Nikon", true},
      {"Canon", true},
      {"OLYMPUS IMAGING CORP.", true},
      {"CASIO COMPUTER", true},
      {"FUJIFILM", true},
      {"SEIKO EPSON", true},
      {"SANYO Electric", true},
      {"Minolta Co., Ltd.", true},
      {"KODAK", false},
      {"SONY", false},
      {"NIKO", false},
      {"", false},
      {" NIKON", false},
  };
  for (const Case& c : cases) {
    TImageInfo info(nullptr, 255);
    info.CameraMake = c.make;
    info.MakerNotePos = 42;
    TmsInfo ms(false, &info);
    EXPECT_EQ(ms.MakerOffset, 42);
    EXPECT_EQ(ms.RecognizeMaker(&info), c.recognised) << c.make;
    EXPECT_EQ(ms.MakerName, c.recognised ? String(c.make) : String()) << c.make;
  }
}

TEST(IoMakerNotes, WalkJudgesTheMakeMetSoFar) {
  const String note = String("Nikon\0\x02\x10\0\0MM*\0", 14);
  struct Case {
    const char* what;
    bool noteFirst;
    bool recognised;
  } cases[] = {{"make before the note", false, true}, {"note before the make", true, false}};
  for (const Case& c : cases) {
    TTiffBuilder t(true);
    const int ifd0 = t.AddIfd();
    if (c.noteFirst) t.Add(ifd0, 0x927C, ttUndefined, 14, note);
    t.Ascii(ifd0, 0x010F, "NIKON");
    if (!c.noteFirst) t.Add(ifd0, 0x927C, ttUndefined, 14, note);
    String jpeg = Jpeg({ExifApp1(t.Build())});
    TimgData d;
    TMemoryStream ms;
    ms.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    ms.SetPosition(0);
    ASSERT_TRUE(d.ScanJPEGSegments(&ms));
    const TImageInfo& e = *d.ExifInfo;
    SCOPED_TRACE(c.what);
    EXPECT_EQ(e.MakerRecognised, c.recognised);
    EXPECT_EQ(e.MakerNoteRaw, note);
    EXPECT_EQ(d.App1Segment->Data.substr(static_cast<size_t>(e.MakerNotePos - 1), 14), note);
    // Maker-note items are not decoded into the lists.
    for (const TTagEntry& tag : e.Tags) EXPECT_EQ(tag.TableId, 0);
  }
}
