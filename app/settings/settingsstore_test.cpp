#include "app/settings/settingsstore.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <limits>
#include <vector>

#include "app/settings/guarded_testing.h"
#include "app/settings/marloutils.h"
#include "app/settings/settings_testing.h"
#include "platform/rtl/files.h"
#include "platform/shellapi/shell_testing.h"

namespace {

using settingstest::ChangeEvery;
using settingstest::Describe;
using settingstest::StreamBytes;
using shelltest::Exists;
using shelltest::ReadFile;
using shelltest::WriteFile;

std::vector<String> Described(TProgramSettings& S) { return Describe(&S, ProgramSettingsClass()); }

std::vector<String> DefaultProgramSettings() {
  TProgramSettings d;
  return Described(d);
}

// The names in a folder, sorted.
std::vector<String> Names(const String& Folder) {
  std::vector<String> names;
  TSearchRec f;
  for (int rc = FindFirst(Folder + "*", faAnyFile, f); rc == 0; rc = FindNext(f)) names.push_back(f.Name);
  FindClose(f);
  return names;
}

// A program folder of its own and the per-user folder of the test's HOME.
class AppSettingsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSettingsClasses();
    Program = AddTrailingBackslash(shelltest::NewDir("prog"));
    PerUser = AddTrailingBackslash(GetAppDataFolder()) + kSettingsSubFolder;
  }
  void TearDown() override { DeleteFile(PerUser + kSettingsFileName); }

  String Program;
  String PerUser;
};

TEST_F(AppSettingsStore, PerUserFolderUnlessPortable) {
  DeleteFile(PerUser + kSettingsFileName);
  RemoveDir(PerUser);
  TSettingsFolders f = ChooseSettingsFolder(Program);
  EXPECT_EQ(f.ProgramFolder, Program);
  EXPECT_EQ(f.SettingsFolder, PerUser);
  EXPECT_TRUE(DirectoryExists(PerUser));  // created when missing

  // "Portable.db" is only looked for, whatever it holds.
  WriteFile(Program + kPortableMarkerName, "");
  f = ChooseSettingsFolder(Program);
  EXPECT_EQ(f.SettingsFolder, Program);
  EXPECT_EQ(ChooseSettingsFolder(RemoveTrailingBackslash(Program)).SettingsFolder, Program);

  // The program folder is the running executable's.
  EXPECT_TRUE(FileExists(ExecutableFolder() + "app_settings_tests")) << ExecutableFolder();
}

TEST_F(AppSettingsStore, ProgramFolderWhenThePerUserFolderCannotBeMade) {
  // "Corvane" taken by a file: even root cannot make the folder below it.
  const String appData = AddTrailingBackslash(GetAppDataFolder());
  DeleteFile(PerUser + kSettingsFileName);
  RemoveDir(PerUser);
  RemoveDir(appData + "Corvane");
  ASSERT_FALSE(DirectoryExists(appData + "Corvane"));
  WriteFile(appData + "Corvane", "in the way");
  EXPECT_EQ(ChooseSettingsFolder(Program).SettingsFolder, Program);
  DeleteFile(appData + "Corvane");
}

TEST_F(AppSettingsStore, EveryKeySurvivesARoundTrip) {
  const TSettingsFolders f = ChooseSettingsFolder(Program);
  TProgramSettings written;
  ChangeEvery(&written, ProgramSettingsClass());
  SaveProgramSettings(written, f.SettingsFolder);
  const String bytes = ReadFile(f.SettingsFolder + kSettingsFileName);
  EXPECT_EQ(bytes.substr(0, 22), String("TPF0\x10TProgramSettings\x00", 22));
  EXPECT_NE(bytes.find("\x0CPrint_Bottem\x05"), String::npos);       // extended
  EXPECT_NE(bytes.find("\x11PictovalSettings1\x0C"), String::npos);  // long text

  auto read = LoadProgramSettings(f);
  EXPECT_EQ(Described(*read), Described(written));
  EXPECT_EQ(Names(Program), std::vector<String>{});

  // Colours with a name go as idents, others as integers.
  TProgramSettings defaults;
  const String plain = StreamBytes(&defaults);
  EXPECT_NE(plain.find("\x0B"
                       "FullBKColor\x07\x06"
                       "clNavy"),
            String::npos);
  EXPECT_NE(plain.find(String("\x0DNormalBKColor\x04\xC8\xC8\xC8\x00", 19)), String::npos);
}

TEST_F(AppSettingsStore, ConvertSettingsSurviveTheirTexts) {
  TGuardedRecorder guarded;
  auto settings = NewPictovalSettings();
  ChangeEvery(settings.get(), PictovalSettingsClass());
  ChangeEvery(settings->IOPara.get(), IOParasClass());
  ChangeEvery(settings->AdvancedOptions.get(), OptionsInfoClass());
  settings->SaveInSameFolder = false;  // kept as stored only when false
  settings->AskBeforeOverwrite = true;
  TProgramSettings program;
  StoreSettingsTexts(program, *settings);
  EXPECT_EQ(program.PictovalSettings1.rfind("object TPictovalSettings", 0), 0u) << program.PictovalSettings1;
  EXPECT_EQ(program.PictovalSettings1.find("IOPara"), String::npos);

  const TSettingsFolders f = ChooseSettingsFolder(Program);
  SaveProgramSettings(program, f.SettingsFolder);
  auto loaded = LoadConvertSettings(*LoadProgramSettings(f));
  TPictovalSettings& s = *loaded.Settings;
  ASSERT_TRUE(s.IOPara && s.AdvancedOptions);
  EXPECT_EQ(Describe(&s, PictovalSettingsClass()), Describe(settings.get(), PictovalSettingsClass()));
  EXPECT_EQ(Describe(s.IOPara.get(), IOParasClass()), Describe(settings->IOPara.get(), IOParasClass()));
  EXPECT_EQ(Describe(s.AdvancedOptions.get(), OptionsInfoClass()),
            Describe(settings->AdvancedOptions.get(), OptionsInfoClass()));
  EXPECT_EQ(s.AdvancedOptions->Text, settings->AdvancedOptions->Text);  // non-ASCII, beyond the BMP
}

TEST_F(AppSettingsStore, ResetRulesAndPreviewFlagsAfterLoading) {
  struct Case {
    bool SameFolder, Ask;
    const char* Folder;
    const char* ExpectedFolder;
  } cases[] = {{true, false, "/out", ""}, {false, false, "/out", "/out"}, {true, true, "", ""}};
  for (const Case& c : cases) {
    auto stored = NewPictovalSettings();
    stored->SaveInSameFolder = c.SameFolder;
    stored->AskBeforeOverwrite = c.Ask;
    stored->OutputFolder = c.Folder;
    StorePreviewFlags(*stored, TPreviewFlags{true, false, true, false});
    EXPECT_TRUE(stored->previewZ0_100 && stored->previewZ0_Force100);
    TProgramSettings program;
    StoreSettingsTexts(program, *stored);
    const TLoadedConvertSettings loaded = LoadConvertSettings(program);
    EXPECT_FALSE(loaded.Settings->SaveInSameFolder);
    EXPECT_TRUE(loaded.Settings->AskBeforeOverwrite);
    EXPECT_EQ(loaded.Settings->OutputFolder, c.ExpectedFolder);
    // Only the Z1 flags are taken; the Z0 ones start false.
    EXPECT_FALSE(loaded.Preview.Z0_100 || loaded.Preview.Z0_Force100 || loaded.Preview.Z1_100 ||
                 loaded.Preview.Z1_Force100);
  }
  auto stored = NewPictovalSettings();
  StorePreviewFlags(*stored, TPreviewFlags{false, true, false, true});
  TProgramSettings program;
  StoreSettingsTexts(program, *stored);
  const TLoadedConvertSettings loaded = LoadConvertSettings(program);
  EXPECT_TRUE(loaded.Preview.Z1_100 && loaded.Preview.Z1_Force100);
}

TEST_F(AppSettingsStore, EachBrokenTextGivesItsOwnObjectsDefaults) {
  auto stored = NewPictovalSettings();
  stored->OutputFormat = 3;
  stored->IOPara->JPEGQuality = 55;
  stored->AdvancedOptions->CropW = 99;
  TProgramSettings good;
  StoreSettingsTexts(good, *stored);

  TIOParas paras;
  TOptionsInfo options;
  const String broken[] = {"", "object X: TNoSuchClass\r\nend\r\n", "garbage", good.PictovalSettings1.substr(0, 30)};
  for (int which = 0; which < 3; ++which) {
    for (const String& text : broken) {
      TProgramSettings program;
      StoreSettingsTexts(program, *stored);
      (which == 0   ? program.PictovalSettings1
       : which == 1 ? program.PictovalSettings2
                    : program.PictovalSettings3) = text;
      const TLoadedConvertSettings loaded = LoadConvertSettings(program);
      EXPECT_EQ(loaded.Settings->OutputFormat, which == 0 ? 0 : 3);
      EXPECT_EQ(loaded.Settings->IOPara->JPEGQuality, which == 1 ? 90 : 55);
      EXPECT_EQ(loaded.Settings->AdvancedOptions->CropW, which == 2 ? 640 : 99);
    }
  }
  // References in the first text are ignored, whatever they name.
  TProgramSettings named;
  StoreSettingsTexts(named, *stored);
  named.PictovalSettings1 =
      "object Me: TPictovalSettings\r\n  OutputFormat = 2\r\n  IOPara = Me\r\n  AdvancedOptions = Nobody\r\nend\r\n";
  const TLoadedConvertSettings withRefs = LoadConvertSettings(named);
  EXPECT_EQ(withRefs.Settings->OutputFormat, 2);
  EXPECT_EQ(withRefs.Settings->IOPara->JPEGQuality, 55);
  EXPECT_EQ(withRefs.Settings->AdvancedOptions->CropW, 99);

  // Texts of the wrong class count as broken.
  TProgramSettings swapped;
  StoreSettingsTexts(swapped, *stored);
  std::swap(swapped.PictovalSettings2, swapped.PictovalSettings3);
  const TLoadedConvertSettings loaded = LoadConvertSettings(swapped);
  EXPECT_EQ(Describe(loaded.Settings->IOPara.get(), IOParasClass()), Describe(&paras, IOParasClass()));
  EXPECT_EQ(Describe(loaded.Settings->AdvancedOptions.get(), OptionsInfoClass()),
            Describe(&options, OptionsInfoClass()));
}

TEST_F(AppSettingsStore, StoringFillsWhatIsMissingAndKeepsTextsThatFail) {
  std::unique_ptr<TPictovalSettings> none;
  TPictovalSettings& made = EnsureConvertSettings(none);
  EXPECT_TRUE(none && made.IOPara && made.AdvancedOptions);
  auto partial = std::make_unique<TPictovalSettings>();
  EnsureConvertSettings(partial);
  EXPECT_TRUE(partial->IOPara && partial->AdvancedOptions);

  // A text that cannot be made (the text form has no infinite numbers) keeps
  // its old value; the other two are still made.
  TGuardedRecorder guarded;
  TProgramSettings program;
  program.PictovalSettings1 = program.PictovalSettings3 = "old";
  partial->AdvancedOptions->gamma = std::numeric_limits<double>::infinity();
  StoreSettingsTexts(program, *partial);
  EXPECT_NE(program.PictovalSettings1, "old");
  EXPECT_NE(program.PictovalSettings2, "");
  EXPECT_EQ(program.PictovalSettings3, "old");
  EXPECT_EQ(guarded.Take().size(), 1u);

  EXPECT_EQ(LastFolderToStore(Program), Program);
  EXPECT_EQ(LastFolderToStore(Program + "gone"), "");
  EXPECT_EQ(LastFolderToStore(""), "");
}

// ---- The settings file ---------------------------------------------------------

TEST_F(AppSettingsStore, BrokenOrForeignFilesGiveDefaults) {
  const TSettingsFolders f = ChooseSettingsFolder(Program);
  const String path = f.SettingsFolder + kSettingsFileName;
  TProgramSettings edited;
  edited.SkinNewNo = 4;
  edited.Print_Top = 2.5;
  edited.PictovalSettings1 = "object TPictovalSettings\r\nend\r\n";
  const String good = StreamBytes(&edited);
  TIOParas paras;
  const std::vector<String> foreign = {"", "TPF0", StreamBytes(&paras), String(good).replace(5, 1, "X"),
                                       "object X: TProgramSettings\r\nend\r\n"};
  const std::vector<String> defaults = DefaultProgramSettings();

  EXPECT_EQ(Described(*LoadProgramSettings(f)), defaults);  // missing
  for (const String& bytes : foreign) {
    WriteFile(path, bytes);
    EXPECT_EQ(Described(*LoadProgramSettings(f)), defaults) << bytes.size();
  }
  for (size_t n = 0; n < good.size(); ++n) {
    WriteFile(path, good.substr(0, n));
    ASSERT_EQ(Described(*LoadProgramSettings(f)), defaults) << n;
  }
  WriteFile(path, good);
  EXPECT_EQ(Described(*LoadProgramSettings(f)), Described(edited));
}

TEST_F(AppSettingsStore, ProgramFolderFileIsReadAndThenStoredPerUser) {
  const TSettingsFolders f = ChooseSettingsFolder(Program);
  ASSERT_EQ(f.SettingsFolder, PerUser);
  TProgramSettings old;
  old.SkinNewNo = 4;
  SaveProgramSettings(old, Program);
  auto read = LoadProgramSettings(f);
  EXPECT_EQ(read->SkinNewNo, 4);
  SaveProgramSettings(*read, f.SettingsFolder);
  EXPECT_EQ(ReadFile(PerUser + kSettingsFileName), ReadFile(Program + kSettingsFileName));

  // A settings-folder file that cannot be read wins over the program folder's.
  WriteFile(PerUser + kSettingsFileName, "broken");
  EXPECT_EQ(LoadProgramSettings(f)->SkinNewNo, 9);
}

TEST_F(AppSettingsStore, FailedWriteLeavesTheOldFile) {
  const TSettingsFolders f = ChooseSettingsFolder(Program);
  TProgramSettings old;
  SaveProgramSettings(old, f.SettingsFolder);
  const String before = ReadFile(f.SettingsFolder + kSettingsFileName);
  TProgramSettings big;
  big.PictovalSettings3 = String(200000, 'x');

  // Writes past 1000 bytes fail (EFBIG) while the limit holds.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit low = saved;
  low.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
  bool failed = false;
  try {
    SaveProgramSettings(big, f.SettingsFolder);
  } catch (const Exception&) {
    failed = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(failed);
  EXPECT_EQ(ReadFile(f.SettingsFolder + kSettingsFileName), before);
  EXPECT_EQ(Names(f.SettingsFolder), std::vector<String>{kSettingsFileName});

  if (geteuid() != 0) {  // root ignores permission bits
    ASSERT_EQ(chmod(f.SettingsFolder.c_str(), 0555), 0);
    EXPECT_THROW(SaveProgramSettings(big, f.SettingsFolder), Exception);
    chmod(f.SettingsFolder.c_str(), 0700);
    EXPECT_EQ(ReadFile(f.SettingsFolder + kSettingsFileName), before);
    EXPECT_EQ(Names(f.SettingsFolder), std::vector<String>{kSettingsFileName});
  }
}

}  // namespace
