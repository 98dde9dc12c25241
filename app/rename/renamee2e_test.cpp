// The rename road through the real main window on the headless backend, with
// injected mouse and keys: page 1, the folder typed into the source-folder
// edit, "Add all", the template, Start, the confirmation, the run. Every run
// keeps the multiset of the folder's file digests.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/main/mainwindow_testing.h"
#include "app/rename/batchrenametab.h"
#include "app/rename/camerafixture_testing.h"
#include "app/rename/renamedialog.h"
#include "app/settings/commonclass.h"
#include "app/settings/marloutils.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/core/ieformats.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/tempdir_testing.h"
#include "platform/rtl/timezone_testing.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "shell/shelllist.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinpagecontrol.h"

namespace {

struct TRow {
  String Old, New, Status;
};

class RenameE2e : public TMainWindowTest {
 public:
  RenameE2e() : Zone("Europe/Paris") {
    RegisterBatchRenameTab();
    IEInitImageIO();
    GraphicExInitialize();
  }
  ~RenameE2e() override { GraphicExFinalize(); }

  // The fixture: camera JPEGs, a PNG and a subfolder with one more of each.
  void MakeFixture() {
    ForceDirectories(Dir / "sub");
    ASSERT_TRUE(MakeCameraJpegs(Dir.Path()));
    ASSERT_TRUE(MakePng(Dir / "plain.png"));
    ASSERT_TRUE(MakePng(Dir / "sub/inner.png"));
    std::filesystem::copy_file(Dir / kCameraSamples[1], Dir / "sub/camera.jpg");
    for (const auto& e : std::filesystem::recursive_directory_iterator(Dir.Path()))
      if (e.is_regular_file()) SetFileDate(e.path().string(), EncodeDate(2015, 3, 4) + EncodeTime(5, 6, 7, 0));
  }

  void ClickOn(TControl* C) {
    const TPoint p = C->ClientToScreen(TPoint{C->Width() / 2, C->Height() / 2});
    H().Click(p.X, p.Y);
    Pump();
  }
  // Replaces the text of an edit as the user would.
  void TypeInto(TControl* C, const String& Text) {
    ClickOn(C);
    H().PressKey(VK_END);
    H().PressKey(VK_HOME, hkShift);
    H().TypeText(Text);
    Pump();
  }

  TBatchRenameTab* OpenRenamePage() {
    Boot();
    const TRect r = Form->Pages->GetTabRect(1);
    const TPoint p = Form->Pages->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    H().Click(p.X, p.Y);
    Pump();
    return dynamic_cast<TBatchRenameTab*>(Form->RenameTab());
  }
  void AddFolder(TBatchRenameTab* Tab, const String& Folder) {
    TypeInto(Tab->SourceFolder, Folder);
    H().PressKey(VK_RETURN);
    Pump();
    ClickOn(Tab->BntAddAll);
    H().AdvanceClock(100);
    Pump();
  }

  // Start, Yes, then the run to its end (or its cancel); answers the rows.
  std::vector<TRow> RunWithStart(TBatchRenameTab* Tab, int* Renamed = nullptr, int* Failed = nullptr,
                                 int* Skipped = nullptr) {
    std::vector<TRow> rows;
    TDialogScript script;
    script.ExpectModalForm("Confirm").PressCaption("Yes");
    script.ExpectModalForm("Batch rename").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
      auto* d = dynamic_cast<TBatchRenameDialog*>(t.Form);
      for (int i = 0; i < 100 && !d->Done() && !d->Cancelled(); ++i) H().AdvanceClock(50), Pump();
      rows = RowsOf(d);
      if (Renamed) *Renamed = d->RenamedCount();
      if (Failed) *Failed = d->FailedCount();
      if (Skipped) *Skipped = d->SkippedCount();
      if (d->Done()) ClickOn(d->BntCancel);
    });
    ClickOn(Tab->BntStart);
    return rows;
  }
  static std::vector<TRow> RowsOf(TBatchRenameDialog* D) {
    std::vector<TRow> r;
    TListItems* items = D->ListView->Items();
    for (int32_t i = 0; i < items->Count(); ++i) {
      TStrings* s = items->Item(i)->SubItems();
      r.push_back(
          TRow{s->Strings(0) + s->Strings(1), s->Strings(0) + s->Strings(2), s->Count() > 3 ? s->Strings(3) : ""});
    }
    return r;
  }
  // Relative name -> content of every file below the fixture folder.
  std::map<String, String> Listing() {
    std::map<String, String> r;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Dir.Path()))
      if (e.is_regular_file()) r[e.path().string().substr(Dir.Path().size())] = ReadBytes(e.path().string());
    return r;
  }

  // The window as shown, as $TMPDIR/pictoval-artifacts/Name.png.
  static void SavePicture(TWinControl* Window, const String& Name) {
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
    std::filesystem::create_directories(dir);
    std::unique_ptr<TBitmap> shot = WindowPixels(Window->Handle(), true);
    ASSERT_NE(shot, nullptr);
    EXPECT_TRUE(SavePng(*shot, (dir / (Name + ".png")).string()));
  }

  TimeZoneGuard Zone;
  TempDir Dir{"renamee2e"};
};

TEST_F(RenameE2e, DateTemplateRunThroughTheMainWindow) {
  REQUIRE_CAMERA_FIXTURE();
  MakeFixture();
  std::map<String, String> expected;
  for (const auto& e : std::filesystem::recursive_directory_iterator(Dir.Path())) {
    if (!e.is_regular_file()) continue;
    const String path = e.path().string();
    expected[path] = NameExtension(path) == ".png" ? FileDatePrefix(path) : ExifDatePrefix(path);
    ASSERT_EQ(expected[path].size(), 15u) << path;
  }
  const auto digests = Digests(Dir.Path());

  // A template stored by an earlier session.
  Boot();
  ASSERT_NE(Form->Settings(), nullptr);
  Form->Settings()->RenameFormatString2 = u"Stored_##";
  // Stored as at the close, without ending the application.
  Form->StoreTabSettings();
  delete Form;
  Form = nullptr;
  TBatchRenameTab* tab = OpenRenamePage();
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->NameEdit->Text(), "Stored_##");
  AddFolder(tab, Dir.Path());
  EXPECT_EQ(tab->FileCount(), int32_t(expected.size()));
  TypeInto(tab->NameEdit, "$Y$M$D_$H$N$S_#");
  EXPECT_EQ(tab->NameEdit->Text(), "$Y$M$D_$H$N$S_#");
  SavePicture(Form, "renametab-mainwindow");
  int renamed = 0;
  const std::vector<TRow> rows = RunWithStart(tab, &renamed);

  ASSERT_EQ(rows.size(), expected.size());
  EXPECT_EQ(renamed, int(expected.size()));
  for (const TRow& r : rows) {
    ASSERT_TRUE(expected.count(r.Old)) << r.Old;
    const String name = ExtractFileName(r.New);
    EXPECT_TRUE(IsDatedName(name, expected[r.Old], NameExtension(r.Old))) << name;
    EXPECT_EQ(ExtractFilePath(r.New), ExtractFilePath(r.Old));
    EXPECT_TRUE(FileExists(r.New)) << r.New;
    EXPECT_FALSE(FileExists(r.Old)) << r.Old;
  }
  EXPECT_EQ(Digests(Dir.Path()), digests);
  // The input list is emptied; the title comes back.
  EXPECT_EQ(tab->FileCount(), 0);
  EXPECT_EQ(App->Title().find('%'), String::npos);
}

// A later input holds a target (moved aside), a file outside the input holds
// another (skipped): every file stays.
TEST_F(RenameE2e, CollisionsAndMoveAsideKeepEveryFile) {
  REQUIRE_CAMERA_FIXTURE();
  MakeFixture();
  std::filesystem::copy_file(Dir / kCameraSamples[2], Dir / "Pic2.jpg");
  const auto digests = Digests(Dir.Path());
  TBatchRenameTab* tab = OpenRenamePage();
  ASSERT_NE(tab, nullptr);
  AddFolder(tab, Dir.Path());
  // "Pic4.jpg" appears outside the input list before the run.
  std::filesystem::copy_file(Dir / kCameraSamples[3], Dir / "Pic4.jpg");
  const auto withOutsider = Digests(Dir.Path());
  TypeInto(tab->NameEdit, "Pic#");
  int renamed = 0, failed = 0, skipped = 0;
  const std::vector<TRow> rows = RunWithStart(tab, &renamed, &failed, &skipped);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(skipped, 1);
  EXPECT_EQ(renamed, int(rows.size()) - 1);
  EXPECT_EQ(Digests(Dir.Path()), withOutsider);
  EXPECT_GE(digests.size() + 1, withOutsider.size());
  EXPECT_TRUE(FileExists(Dir / "Pic2.jpg"));
  EXPECT_FALSE(FileExists(Dir / "Pic2_2.jpg")) << "the moved file was renamed in turn";
}

TEST_F(RenameE2e, RefusedNamesAndCancelAfterTheSecondFile) {
  REQUIRE_CAMERA_FIXTURE();
  MakeFixture();
  const auto listing = Listing();
  TBatchRenameTab* tab = OpenRenamePage();
  ASSERT_NE(tab, nullptr);

  // Names that would leave the folder: every file fails, nothing moves.
  AddFolder(tab, Dir.Path());
  ClickOn(tab->ChkReplace);
  TypeInto(tab->SF[0], "p");
  TypeInto(tab->RW[0], "../p");
  int failed = 0;
  std::vector<TRow> rows = RunWithStart(tab, nullptr, &failed);
  EXPECT_GT(failed, 0);
  EXPECT_EQ(Listing(), listing);

  // Esc while the second file is renamed: two renamed, the rest untouched.
  AddFolder(tab, Dir.Path());
  ClickOn(tab->ChkFileTemplate);
  TypeInto(tab->NameEdit, "C#");
  const std::function<bool(const String&)> real = FastFileExists;
  int asked = 0;
  tab->Engine().FileExistsProbe = [&](const String& Path) {
    if (ExtractFileName(Path) == "C2" + NameExtension(Path) && asked++ == 0) H().PressKey(VK_ESCAPE);
    return real(Path);
  };
  rows = RunWithStart(tab);
  tab->Engine().FileExistsProbe = nullptr;
  EXPECT_EQ(rows.size(), 2u);
  const auto after = Listing();
  int renamedNames = 0;
  for (const auto& [name, content] : after) renamedNames += ExtractFileName(name)[0] == 'C' ? 1 : 0;
  EXPECT_EQ(renamedNames, 2);
  std::multiset<String> a, b;
  for (const auto& [name, content] : listing) a.insert(content);
  for (const auto& [name, content] : after) b.insert(content);
  EXPECT_EQ(a, b);
  EXPECT_EQ(tab->FileCount(), 0);
}

TEST_F(RenameE2e, FindAndReplaceRunAndPreview) {
  REQUIRE_CAMERA_FIXTURE();
  MakeFixture();
  const auto digests = Digests(Dir.Path());
  TBatchRenameTab* tab = OpenRenamePage();
  ASSERT_NE(tab, nullptr);
  AddFolder(tab, Dir.Path());
  ClickOn(tab->ChkReplace);
  TypeInto(tab->SF[0], "-sep-");
  TypeInto(tab->RW[0], "_");

  // The preview lists the new names and touches nothing.
  const auto before = Listing();
  std::vector<TRow> preview;
  {
    TDialogScript script;
    script.ExpectModalForm("Rename preview").Do([&](TScriptTarget t, const std::function<void(const String&)>&) {
      auto* d = dynamic_cast<TBatchRenameDialog*>(t.Form);
      preview = RowsOf(d);
      ClickOn(d->BntCancel);
    });
    ClickOn(tab->BntPreview);
  }
  EXPECT_EQ(preview.size(), before.size());
  EXPECT_EQ(Listing(), before);
  EXPECT_EQ(tab->FileCount(), int32_t(before.size()));

  int renamed = 0, skipped = 0;
  const std::vector<TRow> rows = RunWithStart(tab, &renamed, nullptr, &skipped);
  EXPECT_EQ(renamed, int(kCameraSamples.size()));
  EXPECT_EQ(skipped, int(before.size() - kCameraSamples.size()));  // the PNGs and sub/camera.jpg
  for (const String& sample : kCameraSamples) {
    String renamedName = sample;
    renamedName.replace(renamedName.find("-sep-"), 5, "_");
    EXPECT_TRUE(FileExists(Dir / renamedName)) << renamedName;
  }
  EXPECT_TRUE(FileExists(Dir / "plain.png"));
  EXPECT_TRUE(FileExists(Dir / "sub/camera.jpg"));
  EXPECT_EQ(Digests(Dir.Path()), digests);
}

}  // namespace
