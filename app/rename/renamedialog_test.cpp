#include "app/rename/renamedialog.h"

#include <gtest/gtest.h>

#include "app/rename/rename_testing.h"
#include "platform/vcl/dialog_script_testing.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinprogressdialog.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/storedskin.h"

namespace {

std::unique_ptr<TbsSkinData> LoadSkin9() {
  auto skin = std::make_unique<TbsSkinData>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  EXPECT_TRUE(skin->LoadCompressedStoredSkin(&container));
  return skin;
}

// Clicks the skinned button of a modal form by its component name.
TDialogExpectation& PressSkinned(TDialogExpectation& E, const String& Name) {
  return E.Do([Name](TScriptTarget t, const std::function<void(const String&)>& fail) {
    auto* b = t.Form != nullptr ? dynamic_cast<TbsSkinButton*>(t.Form->FindComponent(Name)) : nullptr;
    if (b == nullptr) return fail("no skinned button " + Name);
    b->ButtonClick();
  });
}

class RenameRun : public TRenameTest {
 public:
  void SetUp() override {
    TRenameTest::SetUp();
    Messager = std::make_unique<TbsSkinMessage>(nullptr);
    Progress = std::make_unique<TbsSkinProgressDialog>(nullptr);
    Progress->OnShow = [this](TObject*) { Progress->SetTag(0); };
    Progress->OnCancel = [this](TObject*) { Progress->SetTag(1); };
    Engine.Host.Messager = Messager.get();
    Engine.Host.Progress = Progress.get();
    Engine.Host.PreviewCaption = "Rename preview";
    Engine.Host.ClearInput = [this] {
      ++Cleared;
      Tree->Items()->Clear();
    };
    Engine.Host.RefreshList = [this] { ++Refreshed; };
    App->SetTitle("Pictoval");
  }
  void TearDown() override {
    Engine.Host = TRenameHost{};
    Progress.reset();
    Messager.reset();
    TRenameTest::TearDown();
  }
  // Lets the dialog's timer run the walk until it ends or the window closes.
  void RunUntilDone(TCustomForm* F) {
    auto* d = dynamic_cast<TBatchRenameDialog*>(F);
    ASSERT_NE(d, nullptr);
    for (int i = 0; i < 50 && !d->Done() && !d->Cancelled(); ++i) {
      H().AdvanceClock(50);
      Pump();
    }
  }

  std::unique_ptr<TbsSkinMessage> Messager;
  std::unique_ptr<TbsSkinProgressDialog> Progress;
  int Cleared = 0, Refreshed = 0;
};

TEST_F(RenameRun, PreviewListsAndChangesNothing) {
  for (const char* n : {"a.jpg", "b.png", "c.gif"}) AddFile(nullptr, Dir / n);
  // The one node selected in the tree has its row selected.
  Tree->Select(Tree->Items()->Item(1));
  const auto listing = Listing(Dir.Path());
  const auto mtimes = MTimes(Dir.Path());
  std::vector<String> rows, hidden;
  String label, button;
  TDialogScript script;
  script.ExpectModalForm("Rename preview").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
    auto* d = dynamic_cast<TBatchRenameDialog*>(t.Form);
    rows = Rows(d);
    label = d->LabelFiles->Caption();
    button = d->BntCancel->Caption();
    EXPECT_EQ(d->ListView->Selected(), d->ListView->Items()->Item(1));
    EXPECT_EQ(d->ListView->Columns()->Count(), 4);
    EXPECT_FALSE(d->PBar->Visible());
    EXPECT_FALSE(d->LabelTotalRenamed->Visible());
    d->BntCancelClick(d);
  });
  Engine.StartClick(true);
  // Rows without status, no question asked, nothing touched.
  EXPECT_EQ(rows,
            (std::vector<String>{"a.jpg -> Image00001.jpg", "b.png -> Image00002.png", "c.gif -> Image00003.gif"}));
  EXPECT_EQ(label, "3 files");
  EXPECT_EQ(button, "Close");
  EXPECT_EQ(Listing(Dir.Path()), listing);
  EXPECT_EQ(MTimes(Dir.Path()), mtimes);
  EXPECT_EQ(Tree->Items()->Count(), 3);
  EXPECT_EQ(Cleared, 0);
  EXPECT_EQ(Engine.RenameDialog(), nullptr);
}

TEST_F(RenameRun, RealRunCountsAndTitle) {
  AddFile(nullptr, Dir / "a.jpg");
  AddFile(nullptr, Dir / "N2.jpg");  // already its new name
  AddFile(nullptr, Dir / "c.jpg");
  Engine.Settings.Template = "N#";
  Engine.Host.ReadSettings = [] {
    TRenameSettings s;
    s.Template = "N#";
    return s;
  };
  String title;
  int renamed = -1, failed = -1, skipped = -1;
  std::vector<String> rows;
  TDialogScript script;
  PressSkinned(script.ExpectModalForm("Confirm"), "Yes");
  script.ExpectModalForm("Batch rename").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
    RunUntilDone(t.Form);
    auto* d = dynamic_cast<TBatchRenameDialog*>(t.Form);
    title = App->Title();
    renamed = d->RenamedCount();
    failed = d->FailedCount();
    skipped = d->SkippedCount();
    rows = Rows(d);
    EXPECT_EQ(d->LabelTotalRenamed->Caption(), "2");
    EXPECT_EQ(d->LabelTotalSkipped->Caption(), "1");
    EXPECT_EQ(d->BntCancel->Caption(), d->S03);
    // Activating again starts no second run.
    d->FormActivate(d);
    H().AdvanceClock(100);
    Pump();
    EXPECT_EQ(Rows(d).size(), 3u);
    d->BntCancelClick(d);
  });
  Engine.StartClick(false);
  EXPECT_EQ(rows,
            (std::vector<String>{"a.jpg -> N1.jpg Renamed", "N2.jpg -> N2.jpg Unchanged", "c.jpg -> N3.jpg Renamed"}));
  EXPECT_EQ(renamed, 2);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(skipped, 1);
  EXPECT_EQ(title, "100% Batch rename");
  EXPECT_EQ(App->Title(), "Pictoval");
  EXPECT_EQ(Cleared, 1);
  EXPECT_EQ(Refreshed, 1);
  EXPECT_EQ(Engine.RenameDialog(), nullptr);
}

TEST_F(RenameRun, AnswerNoRenamesNothing) {
  AddFile(nullptr, Dir / "a.jpg");
  TDialogScript script;
  PressSkinned(script.ExpectModalForm("Confirm"), "No");
  Engine.StartClick(false);
  EXPECT_TRUE(FileExists(Dir / "a.jpg"));
  EXPECT_EQ(Cleared, 0);
}

TEST_F(RenameRun, EscapeStopsBeforeTheNextFile) {
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) AddFile(nullptr, Dir / n);
  // Esc arrives while the second file is renamed.
  Engine.FileExistsProbe = [this](const String& Path) {
    if (Path == Dir / "R2.jpg") H().PressKey(VK_ESCAPE);
    return FastFileExists(Path);
  };
  Engine.Host.ReadSettings = [] {
    TRenameSettings s;
    s.Template = "R#";
    return s;
  };
  TDialogScript script;
  PressSkinned(script.ExpectModalForm("Confirm"), "Yes");
  script.ExpectModalForm("Batch rename").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
    RunUntilDone(t.Form);
  });
  Engine.StartClick(false);
  EXPECT_EQ(
      Listing(Dir.Path()),
      (std::map<String, String>{{"R1.jpg", "a.jpg"}, {"R2.jpg", "b.jpg"}, {"c.jpg", "c.jpg"}, {"d.jpg", "d.jpg"}}));
  // The input list is emptied after a real run, cancelled or not.
  EXPECT_EQ(Cleared, 1);
  EXPECT_EQ(Refreshed, 1);
}

TEST_F(RenameRun, SettingsRefusedBeforeAnyDialog) {
  TRenameSettings noHash;
  noHash.Template = "Image";
  TRenameSettings noFind;
  noFind.TemplateMode = false;
  const struct {
    const char* Why;
    bool AddInput;
    TRenameSettings Settings;
    String Text;
  } cases[] = {
      {"empty input", false, TRenameSettings{}, Engine.Texts.S05},
      {"template without # or *", true, noHash, Engine.Texts.S06},
      {"no find text", true, noFind, Engine.Texts.S11},
  };
  for (const auto& c : cases) {
    Tree->Items()->Clear();
    if (c.AddInput) AddFile(nullptr, Dir / "a.jpg");
    Engine.Host.ReadSettings = [&c] { return c.Settings; };
    String shown;
    TDialogScript script;
    script.ExpectModalForm("Information").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
      shown = dynamic_cast<TbsMessageForm*>(t.Form)->MessageLabel()->Caption();
      dynamic_cast<TbsSkinButton*>(t.Form->FindComponent("OK"))->ButtonClick();
    });
    Engine.StartClick(false);
    EXPECT_EQ(shown, c.Text) << c.Why;
    EXPECT_EQ(Cleared, 0) << c.Why;
  }
}

TEST_F(RenameRun, ConfirmationListsThePairs) {
  AddFile(nullptr, Dir / "a.jpg");
  Engine.Host.ReadSettings = [] {
    TRenameSettings s;
    s.TemplateMode = false;
    s.Find[0] = "a";
    s.Replace[0] = "b";
    s.Find[2] = "c";
    return s;
  };
  String text;
  TDialogScript script;
  script.ExpectModalForm("Confirm").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
    text = dynamic_cast<TbsMessageForm*>(t.Form)->MessageLabel()->Caption();
    dynamic_cast<TbsSkinButton*>(t.Form->FindComponent("No"))->ButtonClick();
  });
  Engine.StartClick(false);
  EXPECT_EQ(text, Engine.Texts.S07 +
                      "\r\r     Find \"a\" and replace it with \"b\"\r     Find \"c\" and replace it with \"\"");
}

TEST_F(RenameRun, MonitorWidthsAndCentring) {
  struct TCase {
    int32_t MonitorWidth, ClientWidth, ListWidth, FolderWidth, ButtonLeft;
  } cases[] = {{1280, 910, 894, 315, 405}, {800, 760, 746, 210, 328}};
  for (const TCase& c : cases) {
    H().SetMonitors(
        {TMonitorDesc{TRect{0, 0, c.MonitorWidth, 600}, TRect{0, 0, c.MonitorWidth, 560}, "\\\\.\\DISPLAY1"}});
    TBatchRenameDialog d(nullptr);
    d.SetMainForm(Form.get());
    d.SetEngine(&Engine);
    d.FormShow(&d);
    EXPECT_EQ(d.ClientWidth(), c.ClientWidth);
    EXPECT_EQ(d.ClientHeight(), 525);
    EXPECT_EQ(d.ListView->Width(), c.ListWidth);
    EXPECT_EQ(d.ListView->Columns()->Items(1)->Width(), c.FolderWidth);
    EXPECT_EQ(d.BntCancel->Left(), c.ButtonLeft);
    EXPECT_EQ(d.Left(), (c.MonitorWidth - d.Width()) / 2);
    EXPECT_EQ(d.ListView->Columns()->Count(), 5);
    EXPECT_TRUE(d.RepaintRows());
  }
}

class RenameDialogPicture : public TSkinKitTest {};

TEST_F(RenameDialogPicture, PreviewAndRunInSkin9) {
  std::unique_ptr<TbsSkinData> skin9 = LoadSkin9();
  for (bool preview : {true, false}) {
    TBatchRenameDialog d(nullptr);
    d.SetSkinData(skin9.get());
    d.SetPreview(preview);
    d.PBar->SetMaxValue(4);
    if (preview) {
      d.SetCaption("Rename preview");
      d.BntCancel->SetCaption("Close");
    }
    d.Show();
    Pump();
    const char* rows[][3] = {{"/home/ann/Pictures/2004/", "IMG_0032.JPG", "Image00001.JPG"},
                             {"/home/ann/Pictures/2004/", "IMG_0033.JPG", "Image00002.JPG"},
                             {"/home/ann/Pictures/2004/", "dsc_0201.png", "Image00003.png"},
                             {"/home/ann/Pictures/2004/", "Image00004.gif", "Image00004.gif"}};
    const char* status[] = {"Renamed", "Renamed", "Failed", "Unchanged"};
    for (int i = 0; i < 4; ++i)
      d.AddResultRow(i == 2   ? 2
                     : i == 3 ? 3
                              : 1,
                     String(rows[i][0]) + rows[i][1], String(rows[i][0]) + rows[i][2], preview ? "" : status[i]);
    if (preview) d.LabelFiles->SetCaption("4 files");
    Pump();
    SaveSheet(&d, preview ? "renamedialog-preview-skin9" : "renamedialog-run-skin9");
    d.Hide();
  }
  App->SetTitle(String());
}

}  // namespace
