#include <gtest/gtest.h>

#include "app/convert/converttab_testing.h"
#include "app/main/browseforfolder.h"
#include "platform/vcl/stdctrls.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/dialogs_shell.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/skinspeedbutton.h"

namespace {

using converttest::ConvertTabTest;
using converttest::FindNode;
using Browsing = ConvertTabTest;

TListItem* ListItem(TZavShellList* List, const String& Caption) {
  for (int32_t i = 0; i < List->Items()->Count(); ++i)
    if (List->Items()->Item(i)->Caption() == Caption) return List->Items()->Item(i);
  return nullptr;
}

TEST_F(Browsing, AddTakesTheListsSelectionAnyTypeToTheTopLevel) {
  MakeDir("src/sub");
  Write("src/sub/in.jpg");
  Write("src/a.jpg");
  Write("src/b.png");
  ShowForm();
  Tab->ShellList->SetPath(Dir + "/src");
  Pump();
  EXPECT_EQ(Tab->SourceFileCount->Caption(), "1 folders, 2 files");

  // Nothing selected: the information box.
  TDialogScript script;
  script.ExpectModalForm("Information").PressCaption("OK");
  Tab->BntAdd->OnClick(Tab->BntAdd);
  script.Verify();
  EXPECT_EQ(Tab->FileCount(), 0);

  ListItem(Tab->ShellList, "b.png")->SetSelected(true);
  ListItem(Tab->ShellList, "sub")->SetSelected(true);
  Tab->BntAdd->OnClick(Tab->BntAdd);
  EXPECT_EQ(Tree(), "sub[in.jpg], b.png");
  EXPECT_EQ(Tab->LabelFileNumber->Caption(), "2 files");

  // Add all: the rest; those already listed are asked about.
  script.ExpectModalForm("Confirm").PressCaption("No");
  script.ExpectModalForm("Confirm").PressCaption("No");
  Tab->BntAddAll->OnClick(Tab->BntAddAll);
  script.Verify();
  EXPECT_EQ(Tree(), "sub[in.jpg], b.png, a.jpg");
}

TEST_F(Browsing, KeysOfTheTree) {
  Add({Write("a.jpg"), Write("b.jpg"), MakeDir("f")});
  ShowForm();
  Tab->TreeView->SetFocus();
  Press('A', hkCtrl);
  EXPECT_EQ(Tab->TreeView->SelectionCount(), 3);
  Press('D', hkCtrl);
  EXPECT_EQ(Tab->TreeView->SelectionCount(), 0);
  Press('A', hkCtrl);
  Press(VK_DELETE);
  EXPECT_EQ(Tab->TreeView->Items()->Count(), 0);
  EXPECT_EQ(Tab->LabelFileNumber->Caption(), "0 files");
}

TEST_F(Browsing, TheFolderEdit) {
  MakeDir("there");
  Write("there/x.jpg");
  ShowForm();
  struct TCase {
    String Typed;
    String Shown;  // the list's folder afterwards
  };
  const TCase cases[] = {
      {"  " + Dir + "/there  ", Dir + "/there/"},
      {Dir + "/nowhere", Dir + "/there/"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Typed);
    Tab->SourceFolder->SetText(c.Typed);
    Tab->SourceFolder->SetFocus();
    Press(VK_RETURN);
    EXPECT_EQ(Tab->ShellList->GetPath(), c.Shown);
    EXPECT_TRUE(Tab->ShellList->Focused());
  }
  EXPECT_FALSE(Tab->NoFilesMessage->Visible());
  Tab->ShellList->SetPath(MakeDir("empty"));
  Pump();
  EXPECT_TRUE(Tab->NoFilesMessage->Visible());
}

TEST_F(Browsing, LayoutFollowsTheLeftPanel) {
  Tab->SetBounds(0, 0, 950, 500);
  Tab->PP1->SetWidth(400);
  ASSERT_EQ(Tab->PP1->Height(), 500);
  EXPECT_EQ(Tab->TumbnailsButton->Left(), 373);
  EXPECT_EQ(Tab->ParentButton->Left(), 273);
  EXPECT_EQ(Tab->BntSourceFolder->Left(), 246);
  EXPECT_EQ(Tab->SourceFolder->Width(), 238);
  EXPECT_EQ(Tab->ShellList->Width(), 393);
  EXPECT_EQ(Tab->ShellList->Height(), 500 - Tab->FiletypeList->Height() - 58);
  EXPECT_EQ(Tab->FiletypeList->Top(), 500 - Tab->FiletypeList->Height() - 8);
  EXPECT_EQ(Tab->FiletypeList->Width(), 393);
}

// The preview box of the tab whose page is shown leads the other tab's.
TEST_F(Browsing, PreviewBoxesOfTheTwoTabsAgree) {
  auto* hidden = new TBatchConvertTab(Form.get(), Form.get());
  hidden->SetVisible(false);
  ShowForm();
  Tab->ChkPreview->SetChecked(false);
  EXPECT_FALSE(hidden->ChkPreview->Checked());
  hidden->ChkPreview->SetChecked(true);  // its page is not shown: no effect here
  EXPECT_FALSE(Tab->ChkPreview->Checked());
}

// Only a right press without keys opens the file list's menu; its items
// follow the list's selection.
TEST_F(Browsing, TheFileListsMenu) {
  Write("src/a.jpg");
  ShowForm();
  Tab->ShellList->SetPath(Dir + "/src");
  Pump();
  int32_t popups = 0;
  Tab->LVMenu->OnPopup = [&](TObject* s) {
    ++popups;
    Tab->LVMenuPopup(s);
  };
  Tab->ShellListMouseDown(Tab->ShellList, TMouseButton::mbRight, TShiftState{ssRight, ssShift}, 5, 5);
  EXPECT_EQ(popups, 0);
  for (bool selected : {false, true}) {
    SCOPED_TRACE(selected);
    ListItem(Tab->ShellList, "a.jpg")->SetSelected(selected);
    H().QueueIdleAction([&] { H().PressKey(VK_ESCAPE); });
    Tab->ShellListMouseDown(Tab->ShellList, TMouseButton::mbRight, TShiftState{ssRight}, 5, 5);
    EXPECT_EQ(Tab->AddtoInputList1->Enabled(), selected);
    EXPECT_EQ(Tab->Open1->Enabled(), selected);
    EXPECT_EQ(Tab->Properties1->Enabled(), selected);
  }
  EXPECT_EQ(popups, 2);
}

// Enter on a folder opens it in the list; "open folder" hands the list's
// folder (or the selected folder) to the shell.
TEST_F(Browsing, EnterOpensAFolderAndTheShellOpensFolders) {
  MakeDir("src/inner");
  ShowForm();
  Tab->ShellList->SetPath(Dir + "/src");
  Pump();
  std::vector<String> launched;
  SetShellLauncher([&](const String& Target, const String&) {
    launched.push_back(Target);
    return true;
  });
  Tab->OpenWindowsExplorer1Click(nullptr);
  TListItem* inner = ListItem(Tab->ShellList, "inner");
  Tab->ShellList->SetSelected(inner);
  Tab->ShellList->SetItemFocused(inner);
  Tab->OpenWindowsExplorer1Click(nullptr);
  SetShellLauncher(nullptr);
  EXPECT_EQ(launched, (std::vector<String>{Dir + "/src/", Dir + "/src/inner"}));

  Tab->ShellList->SetFocus();
  Press(VK_RETURN);
  EXPECT_EQ(Tab->ShellList->GetPath(), Dir + "/src/inner/");
}

// "Properties" shows the shell's properties window for the selection.
TEST_F(Browsing, PropertiesOfTheSelection) {
  InstallShellDialogs();
  Write("src/a.jpg");
  ShowForm();
  Tab->ShellList->SetPath(Dir + "/src");
  Pump();
  Tab->ShellList->SetSelected(ListItem(Tab->ShellList, "a.jpg"));
  TDialogScript script;
  script.Expect(TScriptKind::Properties).Caption("a.jpg Properties").Key(VK_ESCAPE);
  Tab->Properties1Click(nullptr);
  script.Verify();
}

// The folder chooser starts at the folder shown and hands the chosen one to
// the file list and to the output folder.
TEST_F(Browsing, FolderChoosers) {
  MakeDir("src");
  MakeDir("out");
  ShowForm();
  Tab->ShellList->SetPath(Dir + "/src");
  Pump();
  Tab->OutputFolder->SetText(Dir + "/out");
  TDialogScript script;
  std::vector<String> titles;
  auto title = [&](TScriptTarget t, const auto&) {
    titles.push_back(static_cast<TMyBrowseForFolder*>(t.Form)->TitleTxt->Caption());
  };
  script.ExpectModalForm("Browse for Folder").Do(title).PressCaption("OK");
  script.ExpectModalForm("Browse for Folder").Do(title).PressCaption("OK");
  script.ExpectModalForm("Browse for Folder").PressCaption("Cancel");
  Tab->BntSourceFolder->OnClick(Tab->BntSourceFolder);
  EXPECT_EQ(Tab->SourceFolder->Text(), Dir + "/src/");
  EXPECT_EQ(Tab->ShellList->GetPath(), Dir + "/src/");
  Tab->BntSelectFolder->OnClick(Tab->BntSelectFolder);
  EXPECT_EQ(Tab->OutputFolder->Text(), Dir + "/out");
  Tab->BntSelectFolder->OnClick(Tab->BntSelectFolder);  // cancelled: unchanged
  EXPECT_EQ(Tab->OutputFolder->Text(), Dir + "/out");
  script.Verify();
  EXPECT_EQ(titles, (std::vector<String>{Tab->BntSourceFolder->Hint(), Tab->BntSelectFolder->Hint()}));
}

}  // namespace
