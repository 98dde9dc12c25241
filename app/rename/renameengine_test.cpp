#include "app/rename/renameengine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/rename/camerafixture_testing.h"
#include "app/rename/rename_testing.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/timezone_testing.h"

namespace {

using TRenameEngineTest = TRenameTest;

TEST_F(TRenameEngineTest, TemplateNames) {
  TimeZoneGuard tz("UTC");
  ForceDirectories(Dir / "ABC");
  const String dated = Dir / "ABC/shot.png";
  Write(dated);
  ASSERT_TRUE(SetFileDate(dated, EncodeDate(2004, 9, 30) + EncodeTime(12, 34, 56, 0)));
  const String longTail = "#" + String(150 * 2, 'x');
  String accents;
  for (int i = 0; i < 150; ++i) accents += "\xC3\xA9";  // é
  struct TCase {
    const char* Why;
    String Path, Template;
    int32_t Start, CaseIndex;
    String Expected;
  } cases[] = {
      {"counter of five", Dir / "a.jpg", "Image#####", 1, 0, "Image00001.jpg"},
      {"only the first run counts", Dir / "a.jpg", "A##B##", 1, 0, "A01B##.jpg"},
      {"never cut", Dir / "a.jpg", "X##", 100000, 0, "X100000.jpg"},
      {"parent folder", Dir / "ABC/a.jpg", "$P_#####", 32, 0, "ABC_00032.jpg"},
      {"lower-case tokens", dated, "$y-$m-$d_$h$n$s_$p", 1, 0, "2004-09-30_123456_ABC.png"},
      {"date tokens stay for a missing file", Dir / "gone.jpg", "$Y_#", 1, 0, "$Y_1.jpg"},
      {"the name", Dir / "x.jpg", "*_tn", 1, 0, "x_tn.jpg"},
      {"a # of the name counts", Dir / "a#b.jpg", "*", 7, 0, "a7b.jpg"},
      {"100 characters after the run", Dir / "a.jpg", longTail, 1, 0, "1" + String(100, 'x') + ".jpg"},
      {"code points, not bytes", Dir / "a.jpg", "#" + accents, 1, 0, "1" + accents.substr(0, 200) + ".jpg"},
      {"extension unchanged", Dir / "A.JpG", "I#", 1, 0, "I1.JpG"},
      {"extension lower", Dir / "A.JPG", "I#", 1, 1, "I1.jpg"},
      {"extension upper", Dir / "a.jpg", "I#", 1, 2, "I1.JPG"},
      {"other index unchanged", Dir / "a.Jpg", "I#", 1, 5, "I1.Jpg"},
      {"a dot-file has no extension", Dir / ".profile", "*_#", 1, 2, ".profile_1"},
  };
  for (const TCase& c : cases) {
    Engine.Settings.CaseIndex = c.CaseIndex;
    Engine.SetCounter(c.Start - 1);
    EXPECT_EQ(Engine.BuildTemplateName(c.Path, c.Template), c.Expected) << c.Why;
  }
}

TEST_F(TRenameEngineTest, CounterAdvancesForEveryFile) {
  Engine.SetCounter(0);
  EXPECT_EQ(Engine.BuildTemplateName(Dir / "a.jpg", "*_tn"), "a_tn.jpg");
  EXPECT_EQ(Engine.BuildTemplateName(Dir / "b.png", "Image#####"), "Image00002.png");
}

TEST_F(TRenameEngineTest, FindAndReplacePairs) {
  struct TCase {
    const char* Why;
    String Name;
    std::vector<std::pair<String, String>> Pairs;
    bool MatchCase;
    String Expected;
  } cases[] = {
      {"pairs in order", "ab.jpg", {{"a", "b"}, {"b", "c"}}, false, "cc.jpg"},
      {"empty replacement deletes", "img_001.jpg", {{"IMG", ""}}, false, "_001.jpg"},
      {"match case", "img_001.jpg", {{"IMG", ""}}, true, "img_001.jpg"},
      {"extension untouched", "jpg.jpg", {{"jpg", "x"}}, false, "x.jpg"},
      {"every occurrence", "aXaXa.png", {{"x", "-"}}, false, "a-a-a.png"},
      {"empty find skipped", "abc.gif", {{"", "z"}, {"", ""}, {"c", "C"}}, true, "abC.gif"},
      {"unicode case", "\xC3\xA9t\xC3\xA9.jpg", {{"\xC3\x89T\xC3\x89", "summer"}}, false, "summer.jpg"},
  };
  for (const TCase& c : cases) {
    Engine.Settings = TRenameSettings{};
    Engine.Settings.TemplateMode = false;
    Engine.Settings.MatchCase = c.MatchCase;
    for (size_t i = 0; i < c.Pairs.size(); ++i) {
      Engine.Settings.Find[i] = c.Pairs[i].first;
      Engine.Settings.Replace[i] = c.Pairs[i].second;
    }
    EXPECT_EQ(Engine.BuildReplacedName(Dir / c.Name), c.Expected) << c.Why;
  }
}

TEST_F(TRenameEngineTest, NameChecks) {
  for (const char* bad : {"", ".", "..", "a/b", "../x", "a\\b"}) EXPECT_FALSE(IsAcceptableNewName(bad)) << bad;
  EXPECT_FALSE(IsAcceptableNewName(String("a\0b", 3)));
  for (const char* good : {"a", ".jpg", "...", "a b.JPG", "\xC3\xA9.png"})
    EXPECT_TRUE(IsAcceptableNewName(good)) << good;
  EXPECT_EQ(NameExtension("/x/.profile"), "");
  EXPECT_EQ(NameExtension("/x/a.b.JPG"), ".JPG");
  EXPECT_EQ(NameExtension("/x.d/noext"), "");
}

// Top-level A, folder F with two files, top-level B, all renamed "Image#".
class CounterWalk : public TRenameTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CounterWalk, NumbersFolders) {
  const bool continueSN = GetParam();
  ForceDirectories(Dir / "F");
  AddFile(nullptr, Dir / "A.jpg");
  TTreeNode* f = Add(nullptr, Dir / "F", true);
  AddFile(f, Dir / "F/f1.jpg");
  AddFile(f, Dir / "F/f2.jpg");
  AddFile(nullptr, Dir / "B.jpg");
  Engine.Settings.Template = "Image#";
  Engine.Settings.ContinueSN = continueSN;
  const auto before = Listing(Dir.Path());
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  if (continueSN) {
    EXPECT_EQ(Rows(d), (std::vector<String>{"A.jpg -> Image1.jpg Renamed", "f1.jpg -> Image2.jpg Renamed",
                                            "f2.jpg -> Image3.jpg Renamed", "B.jpg -> Image4.jpg Renamed"}));
  } else {
    // B numbers from the start again and meets A's new name.
    EXPECT_EQ(Rows(d), (std::vector<String>{"A.jpg -> Image1.jpg Renamed", "f1.jpg -> Image1.jpg Renamed",
                                            "f2.jpg -> Image2.jpg Renamed", "B.jpg -> Image1.jpg Exists, skipped"}));
    EXPECT_EQ(Read(Dir / "B.jpg"), "B.jpg");
  }
  EXPECT_EQ(Read(Dir / "Image1.jpg"), "A.jpg");
  EXPECT_EQ(d->RenamedCount(), continueSN ? 4 : 3);
  EXPECT_EQ(d->SkippedCount(), continueSN ? 0 : 1);
  // No file lost: the same contents under new names.
  std::multiset<String> a, b;
  for (const auto& [name, content] : before) a.insert(content);
  for (const auto& [name, content] : Listing(Dir.Path())) b.insert(content);
  EXPECT_EQ(a, b);
}

INSTANTIATE_TEST_SUITE_P(ContinueSN, CounterWalk, ::testing::Bool());

TEST_F(TRenameEngineTest, MoveAsideFreesTheNameALaterInputHolds) {
  AddFile(nullptr, Dir / "p.jpg");
  AddFile(nullptr, Dir / "Image1.jpg");
  Engine.Settings.Template = "Image#";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  // The moved file shows its earlier name and starts from the one it got.
  EXPECT_EQ(Rows(d), (std::vector<String>{"p.jpg -> Image1.jpg Renamed", "Image1.jpg -> Image2.jpg Renamed"}));
  EXPECT_EQ(Listing(Dir.Path()), (std::map<String, String>{{"Image1.jpg", "p.jpg"}, {"Image2.jpg", "Image1.jpg"}}));
}

TEST_F(TRenameEngineTest, MoveAsideTakesTheFirstFreeNumber) {
  AddFile(nullptr, Dir / "p.jpg");
  TTreeNode* later = AddFile(nullptr, Dir / "Image1.jpg");
  Write(Dir / "Image1_2.jpg");
  ForceDirectories(Dir / "Image1_3.jpg");
  Engine.Settings.Template = "Image#";
  EXPECT_TRUE(Engine.MoveAsideBlockingFile(Tree->Items()->GetFirstNode(), Dir / "Image1.jpg"));
  EXPECT_EQ(static_cast<TMyFileObject*>(later->Data())->Path, Dir / "Image1_4.jpg");
  EXPECT_EQ(later->Text(), "Image1.jpg");
  EXPECT_EQ(Read(Dir / "Image1_4.jpg"), "Image1.jpg");
  EXPECT_EQ(Read(Dir / "Image1_2.jpg"), "Image1_2.jpg");
}

TEST_F(TRenameEngineTest, FindAndReplaceCollisionFails) {
  AddFile(nullptr, Dir / "p.jpg");
  AddFile(nullptr, Dir / "Image1.jpg");
  Engine.Settings.TemplateMode = false;
  Engine.Settings.Find[0] = "p";
  Engine.Settings.Replace[0] = "Image1";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  EXPECT_EQ(Rows(d), (std::vector<String>{"p.jpg -> Image1.jpg Failed", "Image1.jpg -> Image1.jpg Unchanged"}));
  EXPECT_EQ(Listing(Dir.Path()), (std::map<String, String>{{"Image1.jpg", "Image1.jpg"}, {"p.jpg", "p.jpg"}}));
  EXPECT_EQ(d->FailedCount(), 1);
  EXPECT_EQ(d->SkippedCount(), 1);
}

TEST_F(TRenameEngineTest, EmptyReplacementAndMatchCase) {
  for (bool matchCase : {false, true}) {
    TempDir dir("renamecase");
    Tree->Items()->Clear();
    Write(dir / "img_001.jpg");
    Add(nullptr, dir / "img_001.jpg");
    Engine.Settings.TemplateMode = false;
    Engine.Settings.MatchCase = matchCase;
    Engine.Settings.Find[0] = "IMG";
    TBatchRenameDialog* d = RealRunDialog();
    Engine.RunRename();
    EXPECT_EQ(Rows(d), std::vector<String>{matchCase ? "img_001.jpg -> img_001.jpg Unchanged"
                                                     : "img_001.jpg -> _001.jpg Renamed"});
  }
}

// "pic.JPG" to "Pic.JPG" beside another "Pic.JPG" of a case-sensitive disk.
TEST_F(TRenameEngineTest, CaseOnlyCollisionWithAnotherFileKeepsBoth) {
  Write(Dir / "Pic.JPG", "the other picture");
  AddFile(nullptr, Dir / "pic.JPG");
  Engine.Settings.TemplateMode = false;
  Engine.Settings.Find[0] = "pic";
  Engine.Settings.Replace[0] = "Pic";
  Engine.Settings.MatchCase = true;
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  EXPECT_EQ(Rows(d), std::vector<String>{"pic.JPG -> Pic.JPG Failed"});
  EXPECT_EQ(Listing(Dir.Path()), (std::map<String, String>{{"Pic.JPG", "the other picture"}, {"pic.JPG", "pic.JPG"}}));
}

TEST_F(TRenameEngineTest, CaseInsensitiveNameOfAnotherFileMovesNothing) {
  Write(Dir / "Image1.jpg", "not an input");
  AddFile(nullptr, Dir / "a.jpg");
  AddFile(nullptr, Dir / "image1.jpg");
  Engine.Settings.Template = "Image#";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  EXPECT_EQ(Rows(d), (std::vector<String>{"a.jpg -> Image1.jpg Exists, skipped", "image1.jpg -> Image2.jpg Renamed"}));
  EXPECT_EQ(
      Listing(Dir.Path()),
      (std::map<String, String>{{"Image1.jpg", "not an input"}, {"Image2.jpg", "image1.jpg"}, {"a.jpg", "a.jpg"}}));
}

// As on a case-insensitive mount: the target "exists" and is the file itself.
TEST_F(TRenameEngineTest, CaseOnlyRenameOfTheSameFileGoesThrough) {
  AddFile(nullptr, Dir / "pic.JPG");
  const String target = Dir / "Pic.JPG";
  Engine.FileExistsProbe = [&](const String& Path) { return Path == target || FastFileExists(Path); };
  Engine.SameFile = [&](const String& A, const String& B) { return AnsiSameText(A, B); };
  Engine.Settings.TemplateMode = false;
  Engine.Settings.Find[0] = "pic";
  Engine.Settings.Replace[0] = "Pic";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  EXPECT_EQ(Rows(d), std::vector<String>{"pic.JPG -> Pic.JPG Renamed"});
  EXPECT_EQ(Listing(Dir.Path()), (std::map<String, String>{{"Pic.JPG", "pic.JPG"}}));
}

// The same on a real case-insensitive file system, when the test may mount
// one.
TEST_F(TRenameEngineTest, CaseOnlyRenameOnVfat) {
  if (getuid() != 0 || !HaveTool("mkfs.vfat")) GTEST_SKIP() << "needs root and mkfs.vfat (dosfstools)";
  const String image = Dir / "fat.img", mountPoint = Dir / "fat";
  ForceDirectories(mountPoint);
  ASSERT_EQ(RunToolCaptured({"truncate", "-s", "4M", image}).ExitStatus, 0);
  ASSERT_EQ(RunToolCaptured({"mkfs.vfat", image}).ExitStatus, 0);
  if (RunToolCaptured({"mount", "-o", "loop", image, mountPoint}).ExitStatus != 0)
    GTEST_SKIP() << "cannot mount a vfat image here (no loop device or no vfat support)";
  auto unmount = ScopeExit([&] { RunToolCaptured({"umount", mountPoint}); });
  AddFile(nullptr, mountPoint + "/pic.JPG");
  Engine.Settings.TemplateMode = false;
  Engine.Settings.Find[0] = "pic";
  Engine.Settings.Replace[0] = "Pic";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  EXPECT_EQ(Rows(d), std::vector<String>{"pic.JPG -> Pic.JPG Renamed"});
  EXPECT_EQ(Listing(mountPoint + "/"), (std::map<String, String>{{"Pic.JPG", "pic.JPG"}}));
}

TEST_F(TRenameEngineTest, NamesThatLeaveTheFolderAreRefused) {
  ForceDirectories(Dir / "sub");
  struct TCase {
    String Name, Find, Replace;
  } cases[] = {{"a.jpg", "a", "../x"}, {"b.jpg", "b", "sub/b"}, {"c.jpg", "c", "x\\y"},
               {"abc", "abc", ""},     {"dd", "dd", ".."},      {"ee", "ee", "."}};
  for (const TCase& c : cases) Write(Dir / c.Name);
  const auto before = Listing(Dir.Path());
  for (const TCase& c : cases) {
    Tree->Items()->Clear();
    Add(nullptr, Dir / c.Name);
    Engine.Settings.TemplateMode = false;
    Engine.Settings.Find[0] = c.Find;
    Engine.Settings.Replace[0] = c.Replace;
    TBatchRenameDialog* d = RealRunDialog();
    Engine.RunRename();
    ASSERT_EQ(Rows(d).size(), 1u) << c.Replace;
    EXPECT_EQ(d->FailedCount(), 1) << c.Replace;
  }
  EXPECT_EQ(Listing(Dir.Path()), before);
  EXPECT_EQ(Listing((Dir / "sub/")).size(), 0u);
}

TEST_F(TRenameEngineTest, TemplateWithASlashIsRefused) {
  ForceDirectories(Dir / "sub");
  AddFile(nullptr, Dir / "a.jpg");
  Engine.Settings.Template = "sub/#";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  EXPECT_EQ(Rows(d), std::vector<String>{"a.jpg -> 1.jpg Failed"});
  EXPECT_TRUE(FileExists(Dir / "a.jpg"));
  EXPECT_FALSE(FileExists(Dir / "sub/1.jpg"));
}

TEST_F(TRenameEngineTest, VanishedFileHasNoRow) {
  AddFile(nullptr, Dir / "a.jpg");
  Add(nullptr, Dir / "gone.jpg");
  AddFile(nullptr, Dir / "c.jpg");
  Engine.Settings.Template = "N#";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  EXPECT_EQ(Rows(d), (std::vector<String>{"a.jpg -> N1.jpg Renamed", "c.jpg -> N3.jpg Renamed"}));
}

TEST_F(TRenameEngineTest, DateTemplateTakesExifForJpegsAndTheFileDateOtherwise) {
  REQUIRE_CAMERA_FIXTURE();
  TimeZoneGuard tz("America/New_York");
  ASSERT_TRUE(MakeCameraJpegs(Dir.Path()));
  ASSERT_TRUE(MakePng(Dir / "plain.png"));
  std::map<String, String> expected;
  for (const String& name : Dir.Names()) {
    // A file date unlike every picture date, so a wrong source shows.
    ASSERT_TRUE(SetFileDate(Dir / name, EncodeDate(2015, 3, 4) + EncodeTime(5, 6, 7, 0)));
    expected[name] = name == "plain.png" ? FileDatePrefix(Dir / name) : ExifDatePrefix(Dir / name);
    ASSERT_EQ(expected[name].size(), 15u) << name;
    Add(nullptr, Dir / name);
  }
  EXPECT_EQ(expected["plain.png"], "20150304_050607");
  EXPECT_EQ(expected[kCameraSamples[0]], "20040111_224515");
  const auto digests = Digests(Dir.Path());
  Engine.Settings.Template = "$Y$M$D_$H$N$S_#";
  TBatchRenameDialog* d = RealRunDialog();
  Engine.RunRename();
  ASSERT_EQ(d->RenamedCount(), int32_t(expected.size()));
  int32_t n = 0;
  for (const String& row : Rows(d)) {
    const String old = row.substr(0, row.find(" -> "));
    EXPECT_EQ(row, old + " -> " + expected[old] + "_" + std::to_string(++n) + NameExtension(old) + " Renamed");
  }
  EXPECT_EQ(Digests(Dir.Path()), digests);
}

}  // namespace
