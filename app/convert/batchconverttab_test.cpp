#include "app/convert/batchconverttab.h"

#include <gtest/gtest.h>

#include "app/convert/converttab_testing.h"
#include "app/settings/commonclass.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/storedskin.h"

namespace {

using converttest::ConvertTabTest;
using ConvertTab = ConvertTabTest;

TEST_F(ConvertTab, FolderStructureAndCounterFollowTheList) {
  struct TCase {
    const char* Name;
    bool Folder;    // the list holds a folder
    bool ToFolder;  // outputs go to the output folder
    bool Rename;    // renaming is on
    const char* Pattern;
    bool Structure, Counter;
  };
  const TCase cases[] = {
      {"files only", false, true, true, "Image#####", false, false},
      {"a folder", true, true, false, "Image#####", true, false},
      {"beside the sources", true, false, false, "Image#####", false, false},
      {"renaming with a counter", true, true, true, "$P_#####", true, true},
      {"renaming without a counter", true, true, true, "*_tn", true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Tab->BntClearClick(nullptr);
    Add({c.Folder ? MakeDir("f") : Write("a.jpg")});
    Tab->ChkSaveInSameFolder->SetChecked(c.ToFolder);
    Tab->ChkRename->SetChecked(c.Rename);
    Tab->NameEdit->SetText(c.Pattern);
    Tab->DisplayFileNumberTimerTimer(nullptr);
    EXPECT_EQ(Tab->ChkFolderStructure->Visible(), c.Structure);
    EXPECT_EQ(Tab->ContinueSN->Visible(), c.Counter);
    EXPECT_EQ(Tab->ChkKeepDataTime->Top(), Tab->ContinueSN->Top() + (c.Counter ? 24 : 0));
    EXPECT_EQ(Tab->BntAsk->Top(), Tab->ChkKeepDataTime->Top() + 24);
    EXPECT_EQ(Tab->NameEdit->Visible(), c.Rename);
    EXPECT_EQ(Tab->CaseList->Visible(), c.Rename);
    EXPECT_EQ(Tab->LabelFileNumber->Caption(), c.Folder ? "0 files" : "1 files");
  }
}

TEST_F(ConvertTab, OutputFolderOrTheNoteAboutTheSources) {
  for (bool toFolder : {false, true}) {
    SCOPED_TRACE(toFolder);
    Tab->ChkSaveInSameFolder->SetChecked(toFolder);
    EXPECT_EQ(Tab->OutputFolder->Visible(), toFolder);
    EXPECT_EQ(Tab->BntSelectFolder->Visible(), toFolder);
    EXPECT_EQ(Tab->OriFolderTips->Visible(), !toFolder);
  }
}

// Settings to controls and back give the same values; a folder that is gone
// is not shown and stored empty.
TEST_F(ConvertTab, SettingsRoundTripThroughTheControls) {
  std::unique_ptr<TPictovalSettings> in = NewPictovalSettings();
  in->OutputFormat = 3;
  in->OutputFolder = MakeDir("out");
  in->SaveInSameFolder = true;
  in->UsefolderStructure = false;
  in->UseAdvancedOptions = true;
  in->UseRename = true;
  in->RenameFormatString = u"$Y-$M-$D_#####";
  in->CaseNo = 1;
  in->AskBeforeOverwrite = false;
  in->KeepOriginalDate = false;
  in->MainPreviewEnabled = false;
  Tab->LoadControls(*in);
  // The boxes ran their handlers.
  EXPECT_TRUE(Tab->BntAdvancedOptions->Visible());
  EXPECT_TRUE(Tab->NameEdit->Visible());
  EXPECT_TRUE(Tab->OriFolderTips->Visible());
  EXPECT_FALSE(Tab->FileInfo1->Visible());

  std::unique_ptr<TPictovalSettings> out = NewPictovalSettings();
  Tab->StoreControls(*out);
  EXPECT_EQ(out->OutputFormat, 3);
  EXPECT_EQ(out->OutputFolder, in->OutputFolder);
  EXPECT_TRUE(out->SaveInSameFolder);
  EXPECT_FALSE(out->UsefolderStructure);
  EXPECT_TRUE(out->UseAdvancedOptions);
  EXPECT_TRUE(out->UseRename);
  EXPECT_EQ(out->RenameFormatString, u"$Y-$M-$D_#####");
  EXPECT_EQ(out->CaseNo, 1);
  EXPECT_FALSE(out->AskBeforeOverwrite);
  EXPECT_FALSE(out->KeepOriginalDate);

  std::unique_ptr<TPictovalSettings> gone = NewPictovalSettings();
  gone->OutputFolder = Dir + "/gone";
  gone->OutputFormat = 9;  // not an item: the list keeps its index
  Tab->OutputFolder->SetText(String());
  Tab->LoadControls(*gone);
  EXPECT_EQ(Tab->OutputFolder->Text(), "");
  EXPECT_EQ(Tab->OutputFormat->ItemIndex(), 3);
  Tab->OutputFolder->SetText(Dir + "/gone");
  Tab->StoreControls(*out);
  EXPECT_EQ(out->OutputFolder, "");
}

TEST_F(ConvertTab, PreviewBoxWritesTheLiveSetting) {
  std::unique_ptr<TPictovalSettings> live = NewPictovalSettings();
  Tab->SetLiveSettings(live.get());
  Tab->ChkPreview->SetChecked(false);
  EXPECT_FALSE(live->MainPreviewEnabled);
  Tab->ContinueSN->SetChecked(true);
  EXPECT_TRUE(live->ContinueSN);
  Tab->SetLiveSettings(nullptr);
}

TEST_F(ConvertTab, TheHooksOfLaterWorkDoNothingYet) {
  Add({Write("a.jpg")});
  for (TbsSkinButton* b : {Tab->BntStart, Tab->BntPreview, Tab->bsSkinButton3, Tab->BntAdvancedOptions}) b->OnClick(b);
  EXPECT_EQ(Tab->FileCount(), 1);
}

// The tab as it shows, plain and in skin 9, with a folder and files in the
// list and a picture in the preview; saved for looking at.
TEST_F(ConvertTab, Pictures) {
  MakeDir("Holiday/Beach");
  Write("Holiday/Beach/IMG_0012.jpg");
  Write("Holiday/IMG_0001.jpg");
  Write("Holiday/IMG_0002.png");
  Add({Dir + "/Holiday", Write("scan.tif")});
  Tab->ShellList->SetPath(Dir + "/Holiday");
  Tab->ChkRename->SetChecked(true);
  Tab->DisplayFileNumberTimerTimer(nullptr);
  const String picture = Dir + "/sunset.png";
  if (HaveTool("convert") &&
      IERunTool({"convert", "-size", "160x100", "gradient:orange-navy", picture}).ExitStatus == 0)
    Tab->LoadSelectedPreview(picture, 1);
  ShowForm();
  Pump();
  TSkinKitTest::SaveSheet(Form.get(), "converttab-plain");

  auto skin9 = std::make_unique<TbsSkinData>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(skin9->LoadCompressedStoredSkin(&container));
  Tab->SetSkinData(skin9.get());
  Pump();
  TSkinKitTest::SaveSheet(Form.get(), "converttab-skin9");
  Tab->SetSkinData(nullptr);
}

}  // namespace
