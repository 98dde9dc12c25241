// The stored skin: the builder's byte layout, the ".skn" file, the streamed
// "CompressedData" property and the layout reader's bounds.
#include "skin/engine/data/storedskin.h"

#include <gtest/gtest.h>

#include "platform/rtl/filer.h"
#include "platform/rtl/objtext.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/data/storedskin_testing.h"

namespace {

TEST(StoredSkinBuilder, WritesTheLayoutByteForByte) {
  TSkinFolder folder;
  TbsCompressedStoredSkin skin(nullptr);
  skin.LoadFromSkinIni(folder.IniPath());

  // No inactive picture and no mask: 3, 0, BMP, 1, 1, n, n x BMP, text.
  const String expected = TLayoutBytes()
                              .Int(3)
                              .Byte(0)
                              .Raw(BmpBytes(folder.Main.get()))
                              .Byte(1)
                              .Byte(1)
                              .Int(2)
                              .Raw(BmpBytes(folder.Active[0].get()))
                              .Raw(BmpBytes(folder.Active[1].get()))
                              .Raw(FixtureSkinIni())
                              .Bytes;
  EXPECT_EQ(Inflate(&skin), expected);
  // The zlib stream is made at the maximum level.
  EXPECT_EQ(skin.PackedData()->Size(), static_cast<int64_t>(Deflate(expected).size()));
}

TEST(StoredSkinBuilder, KeepsTheHeldDataWhenTheSkinCannotBeBuilt) {
  TSkinFolder folder;
  TbsCompressedStoredSkin skin(nullptr);
  skin.LoadFromSkinIni(folder.IniPath());
  const String before = Inflate(&skin);

  // A missing BMP raises the file error; an ini that is no skin is ignored.
  TSkinFolder broken(FixtureSkinIni("mask=missing.bmp\r\n"));
  EXPECT_THROW(skin.LoadFromSkinIni(broken.IniPath()), EFOpenError);
  EXPECT_EQ(Inflate(&skin), before);
  TSkinFolder notASkin("[VERSION]\r\nskinname=x\r\n");
  skin.LoadFromSkinIni(notASkin.IniPath());
  EXPECT_EQ(Inflate(&skin), before);
}

TEST(StoredSkinFile, RoundTripAndRejectedHeaders) {
  TSkinFolder folder;
  TbsCompressedStoredSkin skin(nullptr), read(nullptr);
  skin.LoadFromSkinIni(folder.IniPath());
  const String skn = folder.Dir.File("fixture.skn");
  skin.SaveToCompressedFile(skn);
  read.LoadFromCompressedFile(skn);
  EXPECT_EQ(Inflate(&read), Inflate(&skin));

  const String packed = Deflate("data");
  struct Case {
    const char* Name;
    String File;
    bool Throws;
    bool EmptyAfter;
  };
  const Case cases[] = {
      {"version 4 leaves it empty", TLayoutBytes().Int(4).Int(int32_t(packed.size())).Raw(packed).Bytes, false, true},
      {"size beyond the file", TLayoutBytes().Int(3).Int(int32_t(packed.size()) + 1).Raw(packed).Bytes, true, false},
      {"negative size", TLayoutBytes().Int(3).Int(-1).Raw(packed).Bytes, true, false},
      {"header cut short", TLayoutBytes().Int(3).Bytes, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TbsCompressedStoredSkin target(nullptr);
    target.LoadFromCompressedFile(skn);
    SaveBytesToFile(skn, c.File.data(), c.File.size());
    if (c.Throws) {
      EXPECT_THROW(target.LoadFromCompressedFile(skn), EReadError);
    } else {
      target.LoadFromCompressedFile(skn);
    }
    EXPECT_EQ(target.IsEmpty(), c.EmptyAfter);
    if (!c.EmptyAfter) {
      EXPECT_EQ(Inflate(&target), Inflate(&skin));
    }
    skin.SaveToCompressedFile(skn);
  }
}

TEST(StoredSkinStreaming, CompressedDataIsAlwaysStreamed) {
  RegisterSkinDataClasses();
  TSkinFolder folder;
  for (const bool filled : {false, true}) {
    SCOPED_TRACE(filled ? "filled" : "empty");
    TbsCompressedStoredSkin skin(nullptr);
    skin.SetName("Skin1");
    skin.SetFileName("skin.ini");
    if (filled) skin.LoadFromSkinIni(folder.IniPath());
    TMemoryStream stream;
    WriteComponent(&stream, &skin);

    stream.SetPosition(0);
    TMemoryStream text;
    ObjectBinaryToText(&stream, &text);
    const String dump(static_cast<const char*>(text.Memory()), size_t(text.Size()));
    EXPECT_NE(dump.find("CompressedData = {"), String::npos) << dump;

    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(ReadComponent(&stream));
    auto* target = dynamic_cast<TbsCompressedStoredSkin*>(read.get());
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->FileName(), "skin.ini");
    EXPECT_EQ(target->IsEmpty(), !filled);
    if (filled) {
      EXPECT_EQ(Inflate(target), Inflate(&skin));
    }
  }
}

// The reader's bounds: each bad layout raises before it reads past the data
// or makes more than the data can hold.
TEST(SkinLayout, BoundsAreCheckedBeforeAnythingIsMade) {
  auto main = PatternBitmap(4, 4, TPixelFormat::pf24bit, 9);
  String lying = BmpBytes(main.get());
  lying[2] = '\xFF';  // size field far beyond the data
  String notBmp = BmpBytes(main.get());
  notBmp[0] = 'X';
  struct Case {
    const char* Name;
    String Layout;
    bool Graphic;  // EInvalidGraphic, else EReadError
  };
  const Case cases[] = {
      {"BMP size field beyond the data", TLayoutBytes().Int(3).Byte(0).Raw(lying).Bytes, true},
      {"not a BMP", TLayoutBytes().Int(3).Byte(0).Raw(notBmp).Bytes, true},
      {"a million pictures", TLayoutBytes().Int(3).Byte(1).Byte(1).Byte(1).Int(1000000).Bytes, false},
      {"257 pictures", TLayoutBytes().Int(3).Byte(1).Byte(1).Byte(1).Int(257).Raw(String(257 * 64, 'B')).Bytes, false},
      {"pictures beyond the data", TLayoutBytes().Int(3).Byte(1).Byte(1).Byte(1).Int(3).Raw(String(50, 'B')).Bytes,
       false},
      {"cut before the count", TLayoutBytes().Int(3).Byte(1).Byte(1).Bytes, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TStringStream data(c.Layout);
    TbsSkinLayout layout;
    if (c.Graphic) {
      EXPECT_THROW(ReadSkinLayout(&data, layout), EInvalidGraphic);
    } else {
      EXPECT_THROW(ReadSkinLayout(&data, layout), EReadError);
    }
    EXPECT_TRUE(layout.ActivePictures.empty());
  }
}

TEST(SkinLayout, VersionsAndText) {
  TSkinFolder folder;
  // Version 2 drops its two extra pictures; a version above 3 is not read.
  TStringStream v2(FixtureLayout(2, folder, "[A]\r\nx=1"));
  TbsSkinLayout layout;
  ASSERT_TRUE(ReadSkinLayout(&v2, layout));
  EXPECT_TRUE(SamePixels(layout.MainPicture.get(), folder.Main.get()));
  ASSERT_EQ(layout.ActivePictures.size(), 2u);
  EXPECT_TRUE(SamePixels(layout.ActivePictures[1].get(), folder.Active[1].get()));
  EXPECT_EQ(layout.IniText, "[A]\r\nx=1");

  TStringStream v4(FixtureLayout(4, folder, ""));
  TbsSkinLayout unread;
  EXPECT_FALSE(ReadSkinLayout(&v4, unread));
  EXPECT_TRUE(unread.MainPicture->Empty());
}

}  // namespace
