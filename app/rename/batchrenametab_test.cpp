#include "app/rename/batchrenametab.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/rename/renamedialog.h"
#include "app/settings/commonclass.h"
#include "app/settings/fileobject.h"
#include "app/settings/guarded_testing.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/core/ieformats.h"
#include "platform/rtl/files.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/stdctrls_testing.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/skinspinedit.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/storedskin.h"

namespace {

// The texts of the node's children (the top level for nil), a folder with
// its children in brackets.
String TreeText(TTreeView* Tree, TTreeNode* Node = nullptr) {
  String out;
  TTreeNode* n = Node != nullptr ? Node->GetFirstChild() : Tree->Items()->GetFirstNode();
  for (; n != nullptr; n = n->GetNextSibling()) {
    if (!out.empty()) out += ", ";
    out += n->Text();
    auto* rec = static_cast<TMyFileObject*>(n->Data());
    if (rec != nullptr && rec->IsFolder) out += "[" + TreeText(Tree, n) + "]";
  }
  return out;
}

class RenameTab : public TSkinKitTest {
 public:
  void SetUp() override {
    TSkinKitTest::SetUp();
    IEInitImageIO();
    GraphicExInitialize();
    Dir = String(std::getenv("HOME")) + "/rename-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter);
    ForceDirectories(Dir);
    Form->SetBounds(0, 0, 853, 491);
    Tab = new TBatchRenameTab(Form.get(), Form.get());
    Tab->TInputTabBase::SetMainForm(Form.get(), nullptr);
  }
  void TearDown() override {
    Form.reset();
    GraphicExFinalize();
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
    TSkinKitTest::TearDown();
  }
  String Write(const String& Relative, const String& Content = String()) {
    const String path = Dir + "/" + Relative;
    ForceDirectories(ExtractFilePath(path));
    std::ofstream(path, std::ios::binary) << (Content.empty() ? Relative : Content);
    return path;
  }
  void Add(std::vector<String> Paths) {
    Tab->TreeView->ClearSelection();
    Tab->AddPathsToInputList(std::move(Paths), 0);
    Tab->DisplayFileNumberTimerTimer(Tab);
  }
  String Tree() { return TreeText(Tab->TreeView); }
  // Yes to the confirmation, then the run's window: waits for the end of the
  // walk and closes it.
  void ScriptRealRun(TDialogScript& Script) {
    Script.ExpectModalForm("Confirm").Do([](TScriptTarget t, const std::function<void(const String&)>&) {
      dynamic_cast<TbsSkinButton*>(t.Form->FindComponent("Yes"))->ButtonClick();
    });
    Script.ExpectModalForm("Batch rename").Do([this](TScriptTarget t, const std::function<void(const String&)>&) {
      auto* d = dynamic_cast<TBatchRenameDialog*>(t.Form);
      for (int i = 0; i < 50 && !d->Done(); ++i) {
        H().AdvanceClock(50);
        Pump();
      }
      d->BntCancelClick(d);
    });
  }

  TGuardedRecorder Guards;
  TBatchRenameTab* Tab = nullptr;
  String Dir;
  static inline int Counter = 0;
};

TEST_F(RenameTab, BuiltWithTheRenameSwitches) {
  EXPECT_EQ(Tab->Width(), 853);
  EXPECT_EQ(Tab->Height(), 491);
  EXPECT_EQ(Tab->PP2->Height(), 183);
  EXPECT_EQ(Tab->KnownExtensions().size(), 26u);
  EXPECT_TRUE(Tab->IsKnownExtension("/x/a.NEF"));
  EXPECT_TRUE(Tab->IsKnownExtension("/x/a.x3f"));
  EXPECT_FALSE(Tab->IsKnownExtension("/x/a.txt"));
  EXPECT_FALSE(Tab->Switches().FolderEditing);
  EXPECT_FALSE(Tab->Switches().DropIntoFolder);
  EXPECT_TRUE(Tab->ChkFileTemplate->Checked());
  EXPECT_EQ(Tab->NameEdit->Text(), "Image#####");
  EXPECT_EQ(Tab->StartFromNO->Value(), 1);
  EXPECT_TRUE(Tab->StartFromNO->Visible());
  EXPECT_FALSE(Tab->ContinueSN->Visible());
  EXPECT_FALSE(Tab->SF[0]->Visible());
  EXPECT_EQ(Tab->CaseList->ItemIndex(), 0);
  EXPECT_EQ(Tab->TreeView->Height(), Tab->PP3->Height() - 77);
  EXPECT_EQ(Tab->ChkFileTemplate->Top(), Tab->PP3->Height() - 25);
}

TEST_F(RenameTab, SkinColours) {
  for (int32_t skin : {1, 10}) {
    Tab->ApplySkinColours(skin);
    const TColor text = skin == 10 ? clBlack : TColor(RGB(89, 89, 89));
    const TColor edit = skin == 10 ? TColor(RGB(240, 240, 240)) : clWhite;
    EXPECT_EQ(Tab->Label4->Font()->Color(), text) << skin;
    EXPECT_EQ(Tab->Label5->Font()->Color(), text) << skin;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(Tab->SF[i]->Color(), edit) << skin;
      EXPECT_EQ(Tab->RW[i]->Color(), edit) << skin;
    }
  }
}

TEST_F(RenameTab, FolderScanTakesCameraRawFiles) {
  Write("shots/b.NEF");
  Write("shots/a.jpg");
  Write("shots/notes.txt");
  Write("shots/sub/c.cr2");
  Add({Dir + "/shots"});
  EXPECT_EQ(Tree(), "shots[sub[c.cr2], a.jpg, b.NEF]");
  EXPECT_EQ(Tab->FileCount(), 3);
  EXPECT_EQ(Tab->FolderCount(), 2);
}

TEST_F(RenameTab, ModeSwitchShowsTheFindAndReplaceControls) {
  ShowForm();
  Tab->ChkReplace->SetChecked(true);
  EXPECT_FALSE(Tab->ChkFileTemplate->Checked());
  EXPECT_FALSE(Tab->NameEdit->Visible());
  EXPECT_FALSE(Tab->StartFromNO->Visible());
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(Tab->SF[i]->Visible());
    EXPECT_TRUE(Tab->RW[i]->Visible());
    EXPECT_FALSE(Tab->RS[i]->Visible()) << "no find text yet";
  }
  Tab->SF[1]->SetText("IMG");
  EXPECT_TRUE(Tab->RS[1]->Visible());
  EXPECT_TRUE(Tab->TX[1]->Font()->Style().Contains(TFontStyle::fsBold));
  Tab->RW[1]->SetText("Pic");
  Tab->RSClick(1);
  EXPECT_EQ(Tab->SF[1]->Text(), "");
  EXPECT_EQ(Tab->RW[1]->Text(), "");
  EXPECT_FALSE(Tab->RS[1]->Visible());
  EXPECT_FALSE(Tab->TX[1]->Font()->Style().Contains(TFontStyle::fsBold));
  Tab->ChkFileTemplate->SetChecked(true);
  EXPECT_TRUE(Tab->NameEdit->Visible());
  EXPECT_FALSE(Tab->SF[0]->Visible());
}

TEST_F(RenameTab, CounterControlsFollowTheTemplate) {
  Write("f/a.jpg");
  Add({Dir + "/f"});
  EXPECT_TRUE(Tab->ContinueSN->Visible());
  Tab->NameEdit->SetText("*_tn");
  EXPECT_FALSE(Tab->StartFromNO->Visible());
  EXPECT_FALSE(Tab->ContinueSN->Visible());
  EXPECT_EQ(Tab->BntRename->Left(), Tab->StartFromNO->Left());
  Tab->NameEdit->SetText("$P_##");
  EXPECT_TRUE(Tab->StartFromNO->Visible());
  EXPECT_TRUE(Tab->ContinueSN->Visible());
  EXPECT_EQ(Tab->BntRename->Left(), Tab->StartFromNO->Left() + Tab->StartFromNO->Width() + 2);
}

TEST_F(RenameTab, SettingsBothWays) {
  TPictovalSettings s(nullptr);
  s.RenameFormatString2 = u"$Y-$M-$D_#####";
  s.ContinueSN = true;
  s.CaseNo2 = 2;
  s.MainPreviewEnabled = false;
  Tab->LoadControls(s);
  EXPECT_EQ(Tab->NameEdit->Text(), "$Y-$M-$D_#####");
  // The preview box writes the shared key of the live settings.
  Tab->ChkPreview->SetChecked(true);
  EXPECT_TRUE(s.MainPreviewEnabled);
  Tab->ChkPreview->SetChecked(false);
  EXPECT_TRUE(Tab->ContinueSN->Checked());
  EXPECT_EQ(Tab->CaseList->ItemIndex(), 2);
  EXPECT_FALSE(Tab->ChkPreview->Checked());
  s.CaseNo2 = 7;  // outside the list: the index stays
  Tab->LoadControls(s);
  EXPECT_EQ(Tab->CaseList->ItemIndex(), 2);
  Tab->NameEdit->SetText("P#");
  Tab->ContinueSN->SetChecked(false);
  Tab->CaseList->SetItemIndex(1);
  Tab->StoreControls(s);
  EXPECT_EQ(s.RenameFormatString2, u"P#");
  EXPECT_FALSE(s.ContinueSN);
  EXPECT_EQ(s.CaseNo2, 1);
}

TEST_F(RenameTab, StartRenamesAndEmptiesTheList) {
  const String a = Write("a.jpg"), b = Write("b.png");
  Add({a, b});
  Tab->NameEdit->SetText("N#");
  Tab->StartFromNO->SetValue(5);
  Tab->CaseList->SetItemIndex(2);
  TDialogScript script;
  ScriptRealRun(script);
  Tab->BntStartClick(Tab->BntStart);
  EXPECT_TRUE(FileExists(Dir + "/N5.JPG"));
  EXPECT_TRUE(FileExists(Dir + "/N6.PNG"));
  EXPECT_EQ(Tree(), "");
  EXPECT_EQ(Tab->FileCount(), 0);
}

TEST_F(RenameTab, PreviewKeepsTheListAndTheFiles) {
  const String a = Write("img_001.jpg");
  Add({a});
  Tab->ChkReplace->SetChecked(true);
  Tab->SF[0]->SetText("IMG");
  std::vector<String> rows;
  TDialogScript script;
  script.ExpectModalForm(Tab->BntPreview->Hint()).Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
    auto* d = dynamic_cast<TBatchRenameDialog*>(t.Form);
    rows.push_back(d->ListView->Items()->Item(0)->SubItems()->Strings(2));
    d->BntCancelClick(d);
  });
  Tab->BntStartClick(Tab->BntPreview);
  EXPECT_EQ(rows, std::vector<String>{"_001.jpg"});
  EXPECT_TRUE(FileExists(a));
  EXPECT_EQ(Tree(), "img_001.jpg");
}

TEST_F(RenameTab, EmptyFindTextIsRefused) {
  Add({Write("a.jpg")});
  Tab->ChkReplace->SetChecked(true);
  String text;
  TDialogScript script;
  script.ExpectModalForm("Information").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
    text = dynamic_cast<TbsMessageForm*>(t.Form)->MessageLabel()->Caption();
    dynamic_cast<TbsSkinButton*>(t.Form->FindComponent("OK"))->ButtonClick();
  });
  Tab->BntStartClick(Tab->BntStart);
  EXPECT_EQ(text, Tab->MyStringCollection->S(11));
  EXPECT_EQ(Tree(), "a.jpg");
}

TEST_F(RenameTab, PictureOfBothModes) {
  auto skin = std::make_unique<TbsSkinData>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(skin->LoadCompressedStoredSkin(&container));
  Tab->SetSkinData(skin.get());
  Write("pics/IMG_0032.JPG");
  Write("pics/IMG_0033.JPG");
  Write("pics/dsc_0201.nef");
  Add({Dir + "/pics"});
  Form->Show();
  Pump();
  SaveSheet(Form.get(), "renametab-template-skin9");
  Tab->ChkReplace->SetChecked(true);
  Tab->SF[0]->SetText("IMG_");
  Tab->RW[0]->SetText("Holiday ");
  Pump();
  SaveSheet(Form.get(), "renametab-replace-skin9");
  Tab->SetSkinData(nullptr);
}

}  // namespace
