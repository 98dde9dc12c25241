// The loaded skin: a load round trip, the skin-change bracket seen by forms,
// staged loading that keeps the skin in force on every failure, look-ups,
// the setters' messages and the container's removal.
#include "skin/engine/data/skindata.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/vcl/vcl_probes_testing.h"
#include "platform/vcl/vcl_testing.h"
#include "skin/engine/data/skinini_testing.h"
#include "skin/engine/data/skinmessages.h"
#include "skin/engine/data/storedskin_testing.h"

namespace {

// Logs every skin message with the sender's state as the handler sees it.
class TRecordingForm : public TForm {
 public:
  TRecordingForm(TComponent* AOwner, TEventLog& Log, const String& Tag) : TForm(AOwner), FLog(Log), FTag(Tag) {}

 protected:
  void WndProc(TMessage& Message) override {
    static const std::map<uint32_t, const char*> names = {{WM_SKIN_BEFORECHANGE, "BEFORECHANGE"},
                                                          {WM_SKIN_CHANGE, "CHANGE"},
                                                          {WM_SKIN_AFTERCHANGE, "AFTERCHANGE"},
                                                          {WM_SKIN_RESSTRCHANGED, "RESSTRCHANGED"},
                                                          {WM_SKIN_SKINNABLECHANGED, "SKINNABLECHANGED"}};
    const auto it = names.find(Message.Msg);
    if (it != names.end()) {
      auto* data = reinterpret_cast<TbsSkinData*>(Message.WParam);
      FLog.Add(FTag + " " + it->second + " empty=" + (data->Empty ? "1" : "0") +
               " changing=" + (data->SkinChanging ? "1" : "0") + " l=" + IntToStr(int32_t(Message.LParam)));
    }
    TForm::WndProc(Message);
  }

 private:
  TEventLog& FLog;
  String FTag;
};

class SkinDataTest : public TVclTest {
 protected:
  SkinDataTest() {
    // Created before the owner: the owner still hears first.
    Before = std::make_unique<TRecordingForm>(nullptr, Log, "before");
    Owner = std::make_unique<TRecordingForm>(nullptr, Log, "owner");
    After = std::make_unique<TRecordingForm>(nullptr, Log, "after");
    Data = new TbsSkinData(Owner.get());
    Skin = new TbsCompressedStoredSkin(Owner.get());
    Skin->LoadFromSkinIni(Folder.IniPath());
  }

  // A container whose inflated data is Layout.
  TbsCompressedStoredSkin* Packed(const String& Layout) {
    auto* c = new TbsCompressedStoredSkin(Owner.get());
    SetPacked(c, Deflate(Layout));
    return c;
  }

  void ExpectFixtureInForce() {
    EXPECT_FALSE(Data->Empty);
    EXPECT_FALSE(Data->SkinChanging);
    EXPECT_EQ(Data->SkinName, "Fixture");
    EXPECT_EQ(Data->GetControlIndex("button"), 0);
    EXPECT_EQ(Data->GetIndex("title"), 0);
    EXPECT_EQ(Data->FormInfo.BorderWidth, 3);
    EXPECT_TRUE(SamePixels(Data->MainPicture.get(), Folder.Main.get()));
    ASSERT_EQ(Data->ActivePictures.size(), 2u);
    EXPECT_TRUE(SamePixels(Data->ActivePictures[0].get(), Folder.Active[0].get()));
    EXPECT_TRUE(SamePixels(Data->ActivePictures[1].get(), Folder.Active[1].get()));
  }

  TSkinFolder Folder;
  TEventLog Log;
  std::unique_ptr<TRecordingForm> Before, Owner, After;
  TbsSkinData* Data = nullptr;
  TbsCompressedStoredSkin* Skin = nullptr;
};

TEST_F(SkinDataTest, CreatedEmpty) {
  EXPECT_TRUE(Data->Empty);
  EXPECT_FALSE(Data->SkinChanging);
  EXPECT_TRUE(Data->SkinnableForm());
  EXPECT_TRUE(Data->EnableSkinEffects());
  EXPECT_EQ(Data->CompressedStoredSkin(), nullptr);
  EXPECT_EQ(Data->ResourceStrData(), nullptr);
  EXPECT_EQ(Data->SkinColors.CBtnFace, 0);
  EXPECT_EQ(Data->FormInfo.BGPictureIndex, -1);
  EXPECT_EQ(Data->FormInfo.MDIBGPictureIndex, -1);
  EXPECT_EQ(Data->GetIndex("title"), -1);
  EXPECT_EQ(Data->GetControlIndex("button"), -1);
}

TEST_F(SkinDataTest, LoadRoundTrip) {
  Data->SetCompressedStoredSkin(Skin);
  ExpectFixtureInForce();
  EXPECT_EQ(Data->CompressedStoredSkin(), Skin);
  EXPECT_TRUE(Data->InactivePicture->Empty());
  EXPECT_TRUE(Data->MaskPicture->Empty());
  EXPECT_EQ(Data->MainPictureName, "main.bmp");
  ASSERT_EQ(Data->ActivePictureNames->Count(), 2);
  EXPECT_EQ(Data->ActivePictureNames->Strings(1), "a1.bmp");
  EXPECT_NE(dynamic_cast<TbsDataSkinCaption*>(Data->SkinObjects[0].get()), nullptr);
  EXPECT_EQ(static_cast<TbsDataSkinCaption*>(Data->SkinObjects[0].get())->FontColor, 255);
  // Colours without SKINCOLORS are the system's.
  EXPECT_EQ(Data->SkinColors.CBtnFace, clBtnFace);
}

// Exact, case-sensitive, first match.
TEST_F(SkinDataTest, ControlLookUp) {
  Data->SetCompressedStoredSkin(Skin);
  EXPECT_EQ(Data->GetControlIndex("button"), 0);
  EXPECT_NE(dynamic_cast<TbsDataSkinButtonControl*>(Data->ControlDescriptions[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinPanelControl*>(Data->ControlDescriptions[1].get()), nullptr);
  EXPECT_EQ(Data->GetControlIndex("Button2"), 2);
  for (const char* name : {"Button", "BUTTON", "button ", "", "title"}) EXPECT_EQ(Data->GetControlIndex(name), -1);
  EXPECT_EQ(Data->GetIndex("Title"), -1);
}

TEST_F(SkinDataTest, ChangeBracketReachesOwnerFirstAndEveryFormOnce) {
  Data->SetCompressedStoredSkin(Skin);
  const std::vector<String> expected = {
      "owner BEFORECHANGE empty=1 changing=1 l=1000", "before BEFORECHANGE empty=1 changing=1 l=1000",
      "after BEFORECHANGE empty=1 changing=1 l=1000", "owner CHANGE empty=0 changing=1 l=1000",
      "before CHANGE empty=0 changing=1 l=1000",      "after CHANGE empty=0 changing=1 l=1000",
      "owner AFTERCHANGE empty=0 changing=0 l=1000",  "before AFTERCHANGE empty=0 changing=0 l=1000",
      "after AFTERCHANGE empty=0 changing=0 l=1000"};
  EXPECT_EQ(Log.Lines, expected);
  EXPECT_TRUE(Before->HandleAllocated());

  // The container in use is loaded again, with the whole bracket.
  Log.Clear();
  Data->SetCompressedStoredSkin(Skin);
  EXPECT_EQ(Log.Lines, expected);
  ExpectFixtureInForce();
}

TEST_F(SkinDataTest, WithoutAFormOwnerEveryFormHears) {
  TbsSkinData loose(nullptr);
  loose.SetCompressedStoredSkin(Skin);
  EXPECT_EQ(Log.Starting("before BEFORECHANGE").size(), 1u);
  EXPECT_EQ(Log.Containing("BEFORECHANGE").size(), 3u);
  EXPECT_EQ(Log.Lines.front().substr(0, 6), "before");
}

TEST_F(SkinDataTest, EmptyContainerAndNewerVersionChangeNothing) {
  auto* empty = new TbsCompressedStoredSkin(Owner.get());
  EXPECT_FALSE(Data->LoadCompressedStoredSkin(empty));
  EXPECT_TRUE(Data->Empty);
  EXPECT_TRUE(Log.Lines.empty());

  Data->SetCompressedStoredSkin(Skin);
  Log.Clear();
  EXPECT_FALSE(Data->LoadCompressedStoredSkin(Packed(FixtureLayout(4, Folder, FixtureSkinIni()))));
  EXPECT_TRUE(Log.Lines.empty());
  ExpectFixtureInForce();
}

TEST_F(SkinDataTest, VersionTwoLoadsLikeVersionThree) {
  EXPECT_TRUE(Data->LoadCompressedStoredSkin(Packed(FixtureLayout(2, Folder, FixtureSkinIni()))));
  ExpectFixtureInForce();
}

// A stored text naming a mask whose flag says absent: an empty mask, and
// FORMINFO still normalised as for a masked skin (the mask area grows to
// hold the client rect).
TEST_F(SkinDataTest, MaskNamedButAbsent) {
  const String ini = FixtureSkinIni("mask=mask.bmp\r\n");
  ASSERT_TRUE(Data->LoadCompressedStoredSkin(Packed(FixtureLayout(3, Folder, ini))));
  EXPECT_TRUE(Data->MaskPicture->Empty());
  EXPECT_EQ(Data->MaskPictureName, "mask.bmp");
  TbsSkinFormInfo masked, plain;
  masked.LoadFromIni(IniFromText(ini).get(), true);
  plain.LoadFromIni(IniFromText(ini).get(), false);
  ASSERT_NE(masked.MaskRectArea, plain.MaskRectArea);
  EXPECT_EQ(Data->FormInfo.MaskRectArea, masked.MaskRectArea);
}

// Every failure leaves the skin in force untouched and sends nothing.
TEST_F(SkinDataTest, FailedLoadsKeepTheSkinInForce) {
  Data->SetCompressedStoredSkin(Skin);
  Log.Clear();
  String lying = BmpBytes(Folder.Active[0].get());
  lying[3] = '\x7F';
  const String good = FixtureLayout(3, Folder, FixtureSkinIni());
  const String packed = Deflate(good);
  struct Case {
    const char* Name;
    TbsCompressedStoredSkin* Container;
    const char* Error;
  };
  auto* cut = new TbsCompressedStoredSkin(Owner.get());
  SetPacked(cut, packed.substr(0, packed.size() - 40));
  const Case cases[] = {
      {"bad rect", Packed(FixtureLayout(3, Folder, FixtureSkinIni("", "[Button2]\r\nskinrect=1,,3,4\r\n"))),
       "EConvertError"},
      {"cut zlib stream", cut, "EDecompressionError"},
      {"BMP with a lying size field",
       Packed(TLayoutBytes().Int(3).Byte(1).Byte(1).Byte(1).Int(1).Raw(lying).Raw(FixtureSkinIni()).Bytes),
       "EInvalidGraphic"},
      {"a million pictures", Packed(TLayoutBytes().Int(3).Byte(1).Byte(1).Byte(1).Int(1000000).Bytes), "EReadError"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      Data->SetCompressedStoredSkin(c.Container);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(String(e.ClassName()), c.Error);
    }
    EXPECT_TRUE(Log.Lines.empty());
    ExpectFixtureInForce();
  }
}

TEST_F(SkinDataTest, SettersMessages) {
  Data->SetSkinnableForm(true);
  EXPECT_TRUE(Log.Lines.empty());
  Data->SetSkinnableForm(false);
  EXPECT_EQ(Log.Containing("SKINNABLECHANGED").size(), 3u);
  EXPECT_EQ(Log.Lines.front(), "owner SKINNABLECHANGED empty=1 changing=0 l=1000");

  Log.Clear();
  auto* texts = new TbsResourceStrData(Owner.get());
  Data->SetResourceStrData(texts);
  Data->SetResourceStrData(nullptr);
  EXPECT_EQ(Log.Containing("RESSTRCHANGED").size(), 6u);
  EXPECT_EQ(Data->ResourceStrData(), nullptr);
}

// The skin loaded from a freed container stays in force.
TEST_F(SkinDataTest, FreeingTheContainerOrTextsForgetsThem) {
  Data->SetCompressedStoredSkin(Skin);
  delete Skin;  // owned by the form
  Skin = nullptr;
  EXPECT_EQ(Data->CompressedStoredSkin(), nullptr);

  auto* elsewhere = new TbsCompressedStoredSkin(nullptr);  // heard through free notification
  elsewhere->LoadFromSkinIni(Folder.IniPath());
  Data->SetCompressedStoredSkin(elsewhere);
  auto* texts = new TbsResourceStrData(nullptr);
  Data->SetResourceStrData(texts);
  Log.Clear();
  delete elsewhere;
  delete texts;
  EXPECT_EQ(Data->CompressedStoredSkin(), nullptr);
  EXPECT_EQ(Data->ResourceStrData(), nullptr);
  EXPECT_TRUE(Log.Lines.empty());
  ExpectFixtureInForce();
}

TEST_F(SkinDataTest, ClearingKeepsTheInactiveName) {
  Data->SetCompressedStoredSkin(Packed(FixtureLayout(
      3, Folder, FixtureSkinIni("inactivepicture=i.bmp\r\n", "[POPUPWINDOW]\r\nwindowpictureindex=1\r\n"))));
  EXPECT_EQ(Data->PopupWindowData.WindowPictureIndex, 1);
  Data->ClearAll();
  EXPECT_TRUE(Data->Empty);
  EXPECT_TRUE(Data->MainPicture->Empty());
  EXPECT_TRUE(Data->ActivePictures.empty());
  EXPECT_EQ(Data->MainPictureName, "");
  EXPECT_EQ(Data->InactivePictureName, "i.bmp");
  EXPECT_EQ(Data->PopupWindowData.WindowPictureIndex, -1);
  EXPECT_EQ(Data->GetControlIndex("button"), -1);
  EXPECT_EQ(Data->SkinColors.CBtnFace, clBtnFace);
}

}  // namespace
