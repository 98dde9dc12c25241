// The Start button of the convert tab: its checks and a whole run inside
// the modal progress dialog.
#include <gtest/gtest.h>

#include "app/convert/batchconverttab.h"
#include "app/convert/convert_testing.h"
#include "app/convert/convertdialog.h"
#include "app/convert/converttab_testing.h"
#include "platform/vcl/comctrls_listview.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"

namespace {

using converttest::ConvertTabTest;

class StartButton : public ConvertTabTest {
 public:
  void SetUp() override {
    ConvertTabTest::SetUp();
    App->SetTitle("Pictoval");
    Script = std::make_unique<TDialogScript>();
  }
  void TearDown() override {
    Script.reset();
    ConvertTabTest::TearDown();
  }
  // A small picture made by ImageMagick; answers its path.
  String Picture(const String& Relative) {
    const String path = Dir + "/" + Relative;
    ForceDirectories(ExtractFilePath(path));
    EXPECT_EQ(IERunTool({"convert", "-size", "24x16", "xc:orange", path}).ExitStatus, 0);
    return path;
  }
  // The run's dialog: the clock moves until the run is over, the rows are
  // read, Done is pressed.
  void ExpectRun() {
    Script->ExpectModalForm("Converting pictures").Do([this](TScriptTarget t, const auto&) {
      auto* d = dynamic_cast<TBatchConvertDialog*>(t.Form);
      for (int32_t i = 0; i < 200 && d->BntCancel->Caption() != "Done"; ++i) H().AdvanceClock(50);
      Statuses.clear();
      for (int32_t r = 0; r < d->ListView->Items()->Count(); ++r)
        Statuses.push_back(d->ListView->Items()->Item(r)->SubItems()->Strings(2));
      TitleAtEnd = App->Title();
      d->BntCancel->ButtonClick();
    });
  }
  // An information box that says Text, closed with OK.
  void Info(const String& Text) {
    Script->ExpectModalForm("Information")
        .Do([Text](TScriptTarget t, const auto& fail) {
          auto* f = dynamic_cast<TbsMessageForm*>(t.Form);
          if (f == nullptr || f->MessageLabel()->Caption().find(Text) == String::npos)
            fail("the box does not say \"" + Text + "\"");
        })
        .PressCaption("OK");
  }

  std::unique_ptr<TDialogScript> Script;
  std::vector<String> Statuses;
  String TitleAtEnd;
};

TEST_F(StartButton, ARelativeOutputFolderIsTakenBelowTheListedFolder) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  Add({Picture("in/a.png"), Picture("in/b.png")});
  Tab->ShellList->SetPath(Dir);
  Pump();
  Tab->ChkSaveInSameFolder->SetChecked(true);
  Tab->OutputFolder->SetText("out");
  Tab->OutputFormat->SetItemIndex(3);
  Script->ExpectModalForm("Confirm").PressCaption("Yes");  // create the folder
  ExpectRun();
  Tab->BntStartClick(nullptr);
  Script->Verify();
  EXPECT_EQ(Tab->OutputFolder->Text(), Dir + "/out");
  EXPECT_TRUE(FileExists(Dir + "/out/a.png"));
  EXPECT_TRUE(FileExists(Dir + "/out/b.png"));
  EXPECT_EQ(Statuses, (std::vector<String>{"Done", "Done"}));
  EXPECT_EQ(TitleAtEnd.substr(0, 5), "100% ");
  EXPECT_EQ(App->Title(), "Pictoval");
  EXPECT_EQ(Tab->ConvertDialog(), nullptr);
}

TEST_F(StartButton, ChecksStopBeforeTheRun) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  // An empty list.
  Info("The input list is empty.");
  Tab->BntStartClick(nullptr);
  Script->Verify();
  Add({Picture("in/a.png")});
  Tab->ChkSaveInSameFolder->SetChecked(true);
  // No output folder.
  Tab->OutputFolder->SetText("  ");
  Info("No output folder");
  Tab->BntStartClick(nullptr);
  Script->Verify();
  // A pattern that would write elsewhere, and one without a counter.
  Tab->OutputFolder->SetText(Dir);
  Tab->ChkRename->SetChecked(true);
  for (const char* pattern : {"../up/#####", "a\\b#", "plain"}) {
    SCOPED_TRACE(pattern);
    Tab->NameEdit->SetText(pattern);
    Info(String(pattern) == "plain" ? "at least one" : "may not contain / or \\");
    Tab->BntStartClick(nullptr);
    Script->Verify();
  }
  // A missing folder the user does not want.
  Tab->NameEdit->SetText("Image#####");
  Tab->OutputFolder->SetText(Dir + "/new");
  Script->ExpectModalForm("Confirm").PressCaption("No");
  Tab->BntStartClick(nullptr);
  Script->Verify();
  EXPECT_FALSE(DirectoryExists(Dir + "/new"));
  EXPECT_EQ(App->Title(), "Pictoval");
}

}  // namespace
