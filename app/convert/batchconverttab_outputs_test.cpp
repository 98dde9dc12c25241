#include <gtest/gtest.h>

#include "app/convert/converttab_testing.h"
#include "app/convert/outputformatoptions.h"
#include "app/settings/commonclass.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinpagecontrol.h"
#include "skin/controls/skinspinedit.h"

namespace {

using converttest::ConvertTabTest;

TEST_F(ConvertTabTest, CounterStartShowsForAPatternWithACounter) {
  struct {
    const char* Pattern;
    bool Rename, Visible;
  } cases[] = {{"Image#####", true, true}, {"*_tn", true, false}, {"Image#####", false, false}, {"$P_#", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(String(c.Pattern) + (c.Rename ? " renaming" : " not renaming"));
    Tab->ChkRename->SetChecked(c.Rename);
    Tab->NameEdit->SetText(c.Pattern);
    Tab->NameEditChange(nullptr);
    EXPECT_EQ(Tab->StartFromNO->Visible(), c.Visible);
    const int32_t left = Tab->StartFromNO->Left() + (c.Visible ? Tab->StartFromNO->Width() + 2 : 0);
    EXPECT_EQ(Tab->BntRename->Left(), left) << "the help button beside the counter start or in its place";
  }
}

TEST_F(ConvertTabTest, PatternHelpInAnInformationBox) {
  TDialogScript script;
  script.ExpectModalForm("Information")
      .Do([&](TScriptTarget t, const auto&) {
        auto* box = dynamic_cast<TbsMessageForm*>(t.Form);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(box->MessageLabel()->Caption().find("$Y-$M-$D_#####"), String::npos);
      })
      .PressCaption("OK");
  Tab->BntRenameClick(nullptr);
}

// The options button shows the dialog with the page of the chosen format
// only; the dialog is made once and edits the live parameters.
TEST_F(ConvertTabTest, OutputFormatButtonShowsTheChosenFormatsPage) {
  auto settings = NewPictovalSettings();
  Tab->SetLiveSettings(settings.get());
  Form->Show();
  Pump();
  for (int32_t format : {3, 5}) {
    SCOPED_TRACE(format);
    Tab->OutputFormat->SetItemIndex(format);
    TDialogScript script;
    script.ExpectModalForm("Output format options")
        .Do([&](TScriptTarget t, const auto&) {
          auto* dialog = dynamic_cast<TOutputFormatOptions*>(t.Form);
          ASSERT_NE(dialog, nullptr);
          EXPECT_EQ(&dialog->IOParas(), settings->IOPara.get());
          EXPECT_EQ(dialog->Pages->ActivePageIndex(), format);
          for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(dialog->Pages->Pages(i)->TabVisible(), i == format) << i;
          dialog->PNGInterlaced->SetChecked(true);
        })
        .PressCaption("OK");
    Tab->bsSkinButton3Click(nullptr);
    // Another form active before the next showing.
    Form->SetFocus();
    Pump();
  }
  EXPECT_TRUE(settings->IOPara->PNGInterlaced);
  EXPECT_EQ(Tab->OutputFormatOptions(), Tab->OutputFormatOptions());
  Form.reset();  // the dialog goes with its owner, before the settings
}

}  // namespace
