// Whole conversions through the real main window with its convert tab, on
// the headless backend, driven by injected input only: the folder typed in,
// "Add all", the output folder typed, the format picked with the keyboard,
// Start, the folder question, the clock until Done, the rows read back. The
// outputs are checked with independent tools.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/convert/batchconverttab.h"
#include "app/convert/convert_fixture_testing.h"
#include "app/convert/convertdialog.h"
#include "app/main/mainwindow_testing.h"
#include "app/settings/marloutils.h"
#include "imaging/io/codecs/psd/fileformats.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skingauge.h"

namespace {

namespace fs = std::filesystem;

struct TE2ERow {
  String Destination, Status, OldSize, NewSize;
};

struct TFormatCase {
  int32_t Index;
  const char* Ext;
  const char* Magick;  // identify's name of the format
};

const TFormatCase kJpeg{0, ".jpg", "JPEG"}, kBmp{1, ".bmp", "BMP"}, kGif{2, ".gif", "GIF"}, kPng{3, ".png", "PNG"},
    kJp2{4, ".jp2", "JP2"}, kTiff{5, ".tif", "TIFF"};

std::string ReadAll(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

int64_t MTime(const std::string& Path) {
  struct stat st {};
  return ::stat(Path.c_str(), &st) == 0 ? int64_t(st.st_mtime) : -1;
}

// IM's measure of two pictures: "AE" (differing pixels) or "PSNR" (dB).
double Distortion(const std::string& A, const std::string& B, const char* Metric, const char* Fuzz = "0") {
  const std::string s =
      ToolText({"convert", A, B, "-fuzz", Fuzz, "-metric", Metric, "-compare", "-format", "%[distortion]", "info:"});
  if (s == "inf") return 1e9;
  return s.empty() ? -1 : std::stod(s);
}

// The unreadable inputs that reach a reader end with its abort flag: each
// shows an error box, answered here in the order of the list.
void ExpectFailureBoxes(TDialogScript& Script, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i) Script.ExpectModalForm("Error").PressCaption("OK");
}

class E2EConvert : public TMainWindowTest {
 public:
  E2EConvert() {
    IEInitImageIO();
    GraphicExInitialize();
    RegisterBatchConvertTab();
  }
  ~E2EConvert() override { GraphicExFinalize(); }
  void SetUp() override {
    TMainWindowTest::SetUp();
    std::string missing;
    if (!ConvertFixtureAvailable(missing)) {
      if (RunningInCI()) FAIL() << "missing " << missing;
      GTEST_SKIP() << "missing " << missing;
    }
    In = TempRoot.File("in");
    fs::create_directories(In);
    Fixture = MakeConvertFixture(In);
    Boot();
    TitleBefore = App->Title();
    Tab = dynamic_cast<TBatchConvertTab*>(Form->ConvertTab());
    ASSERT_NE(Tab, nullptr);
    Script = std::make_unique<TDialogScript>();
  }
  void TearDown() override {
    Script.reset();
    if (Form != nullptr) CloseAndFree();
    TMainWindowTest::TearDown();
  }

  // ---- The user's steps ----
  void ClickOn(TControl* C) {
    ASSERT_TRUE(C->Visible()) << C->Name();
    ClickAt(C, C->Width() / 2, C->Height() / 2);
  }
  void TypeInto(TControl* Edit, const String& Text) {
    ClickOn(Edit);
    Press(VK_END);
    Press(VK_HOME, hkShift);
    H().TypeText(Text);
    Pump();
  }
  void OpenSource() {
    TypeInto(Tab->SourceFolder, In);
    Press(VK_RETURN);
  }
  void AddAll() { ClickOn(Tab->BntAddAll); }
  void PickFormat(int32_t Index) {
    ClickOn(Tab->OutputFormat);
    Press(VK_ESCAPE);  // the list the click opened
    Press(VK_HOME);
    for (int32_t i = 0; i < Index; ++i) Press(VK_DOWN);
    ASSERT_EQ(Tab->OutputFormat->ItemIndex(), Index);
  }
  // The run's dialog: the clock until Done, the rows read, then Done.
  void ExpectRun(bool PressDone = true) {
    Script->ExpectModalForm("Converting pictures").Do([this, PressDone](TScriptTarget t, const auto& fail) {
      auto* d = dynamic_cast<TBatchConvertDialog*>(t.Form);
      if (d == nullptr) return fail("not the progress dialog");
      for (int32_t i = 0; i < 4000 && d->BntCancel->Caption() != "Done" && !d->Cancelled(); ++i) H().AdvanceClock(50);
      ReadRows(d);
      if (!Picture.empty()) SavePicture(d, Picture);
      if (PressDone && !d->Cancelled()) {
        const TPoint p = d->BntCancel->ClientToScreen(TPoint{d->BntCancel->Width() / 2, d->BntCancel->Height() / 2});
        H().Click(p.X, p.Y);
      }
    });
  }
  // The dialog as it shows, as $TMPDIR/pictoval-artifacts/Name.png.
  static void SavePicture(TWinControl* W, const std::string& Name) {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "pictoval-artifacts";
    fs::create_directories(dir);
    std::unique_ptr<TBitmap> shot = WindowPixels(W->Handle(), true);
    ASSERT_TRUE(shot != nullptr);
    EXPECT_TRUE(SavePng(*shot, (dir / (Name + ".png")).string()));
  }
  void ReadRows(TBatchConvertDialog* D) {
    Rows.clear();
    RowOrder.clear();
    for (int32_t r = 0; r < D->ListView->Items()->Count(); ++r) {
      TStrings* s = D->ListView->Items()->Item(r)->SubItems();
      Rows[s->Strings(0)] = TE2ERow{s->Strings(1), s->Strings(2), s->Strings(3), s->Strings(4)};
      RowOrder.push_back(s->Strings(0));
    }
    TitleAtEnd = App->Title();
  }
  void Start() {
    ClickOn(Tab->BntStart);
    Script->Verify();
  }
  // A whole first run into Out with the format.
  // FailureBoxes: the error boxes of unreadable inputs (-1: the fixture's).
  void RunInto(const std::string& OutName, int32_t Format, int32_t FailureBoxes = -1) {
    Out = TempRoot.File(OutName);
    OpenSource();
    AddAll();
    TypeInto(Tab->OutputFolder, Out);
    PickFormat(Format);
    Script->ExpectModalForm("Confirm").PressCaption("Yes");  // create the folder
    ExpectRun();
    ExpectFailureBoxes(*Script, FailureBoxes < 0 ? int32_t(Fixture.Unreadable.size()) : FailureBoxes);
    Start();
  }

  // ---- Checks ----
  std::string Output(const std::string& Source, const TFormatCase& F, int32_t Page = 0) {
    const fs::path rel = fs::relative(Source, In);
    std::string name = rel.stem().string();
    if (Page > 0) name += "_(" + std::to_string(Page + 1) + ")";
    return (fs::path(Out) / rel.parent_path() / (name + F.Ext)).string();
  }
  // The source's pages and their upright reference pictures.
  std::vector<std::string> References(const std::string& Source, int32_t Pages) {
    std::vector<std::string> r;
    for (int32_t p = 0; p < Pages; ++p) {
      const std::string ref = TempRoot.File("ref_" + fs::path(Source).filename().string() + std::to_string(p) + ".png");
      EXPECT_EQ(
          IERunTool({"convert", Source + "[" + std::to_string(p) + "]", "-auto-orient", "PNG24:" + ref}).ExitStatus, 0);
      r.push_back(ref);
    }
    return r;
  }
  void CheckRun(const TFormatCase& F);
  void CheckOutput(const std::string& Source, const TFormatCase& F);

  TIETempDir TempRoot;
  std::string In, Out;
  TConvertFixture Fixture;
  TBatchConvertTab* Tab = nullptr;
  std::unique_ptr<TDialogScript> Script;
  std::map<String, TE2ERow> Rows;
  std::vector<String> RowOrder;
  String TitleAtEnd, TitleBefore;
  std::string Picture;  // a name: the dialog at its end is saved under it
};

// 35 dB, or for a picture so fine-grained that an independent encoder at the
// same quality (90) and subsampling (2 x 2) stays below that, what it reaches
// less half a decibel.
double JpegPsnrFloor(const std::string& Reference) {
  TIETempDir d;
  const std::string im = d.File("im.jpg");
  IERunTool({"convert", Reference, "-quality", "90", "-sampling-factor", "2x2", im});
  return std::min(35.0, Distortion(im, Reference, "PSNR") - 0.5);
}

int32_t PagesOf(const std::string& Name) { return Name == "pages.tif" || Name == "frames.gif" ? 3 : 1; }
bool IsJpegSource(const std::string& Name) { return fs::path(Name).extension() == ".jpg"; }
bool HasAlpha(const std::string& Name) { return Name == "alpha.png" || Name == "alpha32.bmp"; }

void E2EConvert::CheckOutput(const std::string& Source, const TFormatCase& F) {
  const std::string name = fs::path(Source).filename().string();
  SCOPED_TRACE(name);
  const int32_t pages = PagesOf(name);
  const bool oneFile = F.Index == kTiff.Index;
  std::vector<std::string> outs;
  for (int32_t p = 0; p < (oneFile ? 1 : pages); ++p) outs.push_back(Output(Source, F, p));
  int64_t sum = 0;
  for (const std::string& o : outs) {
    ASSERT_TRUE(fs::exists(o)) << o;
    sum += int64_t(fs::file_size(o));
    EXPECT_EQ(MTime(o), MTime(Source)) << o;
  }
  const auto row = Rows.find(Source);
  ASSERT_NE(row, Rows.end());
  EXPECT_EQ(row->second.Status, "Done");
  EXPECT_EQ(row->second.OldSize, FormatSizeKB(" ", int64_t(fs::file_size(Source))));
  EXPECT_EQ(row->second.NewSize, FormatSizeKB(" ", sum));
  EXPECT_EQ(row->second.Destination, outs[0] + (pages > 1 ? " [" + std::to_string(pages) + "P]" : ""));
  const std::vector<std::string> refs = References(Source, pages);
  for (int32_t p = 0; p < pages; ++p) {
    const std::string out = oneFile ? outs[0] + "[" + std::to_string(p) + "]" : outs[size_t(p)];
    const std::string size = ToolText({"identify", "-format", "%w %h", refs[size_t(p)]});
    const std::string got = ToolText({"identify", "-format", "%m %w %h", out});
    EXPECT_EQ(got.substr(0, std::string(F.Magick).size()), F.Magick) << got;
    EXPECT_EQ(got.substr(got.find(' ') + 1), size) << out;
    const bool lossless = F.Index == kPng.Index || F.Index == kBmp.Index || F.Index == kTiff.Index;
    if (lossless && !HasAlpha(name)) {
      // Two JPEG decoders may differ by one step of a channel.
      const char* fuzz = IsJpegSource(name) ? "1%" : "0";
      EXPECT_EQ(Distortion(out, refs[size_t(p)], "AE", fuzz), 0) << out;
    }
    if (F.Index == kJpeg.Index && !HasAlpha(name)) {
      EXPECT_GE(Distortion(out, refs[size_t(p)], "PSNR"), JpegPsnrFloor(refs[size_t(p)])) << out;
    }
    if (F.Index == kJp2.Index && !HasAlpha(name)) {
      EXPECT_GE(Distortion(out, refs[size_t(p)], "PSNR"), 30) << out;
    }
    if (F.Index == kGif.Index) {
      EXPECT_LE(std::stoi(ToolText({"identify", "-format", "%k", out})), 256) << out;
    }
  }
  if (F.Index == kPng.Index && name == "alpha.png") {
    const std::string a = ToolText({"identify", "-format", "%A", outs[0]});
    EXPECT_TRUE(a == "Blend" || a == "True") << a;
  }
  if (F.Index == kJpeg.Index && (name == "camera.jpg" || name == "camera_turned.jpg")) {
    EXPECT_EQ(ExifTag(outs[0], "Make"), "NIKON CORPORATION");
    EXPECT_EQ(ExifTag(outs[0], "Model"), "NIKON D2H");
    EXPECT_EQ(ExifTag(outs[0], "Orientation"), "1");
    EXPECT_EQ(ExifTag(outs[0], "ExifImageWidth"), ToolText({"identify", "-format", "%w", outs[0]}));
  }
  for (const std::string& o : outs) {
    const std::vector<std::string> check = F.Index == kPng.Index   ? std::vector<std::string>{"pngcheck", "-q", o}
                                           : F.Index == kGif.Index ? std::vector<std::string>{"gifsicle", "--info", o}
                                           : F.Index == kJp2.Index ? std::vector<std::string>{"opj_dump", "-i", o}
                                                                   : std::vector<std::string>{};
    if (!check.empty()) {
      EXPECT_EQ(IERunTool(check).ExitStatus, 0) << check[0] << " " << o;
    }
    if (F.Index == kTiff.Index) {
      EXPECT_EQ(IERunTool({"tiffinfo", o}).ExitStatus, 0) << o;
      // One page per source page (tiffinfo also lists the EXIF directories).
      EXPECT_EQ(ToolText({"identify", "-format", "x", o}).size(), size_t(pages)) << o;
    }
  }
}

void E2EConvert::CheckRun(const TFormatCase& F) {
  for (const std::string& name : Fixture.Readable) CheckOutput(In + "/" + name, F);
  for (const std::string& name : Fixture.InSub) CheckOutput(In + "/sub/" + name, F);
  for (const std::string& name : Fixture.Unreadable) {
    SCOPED_TRACE(name);
    const auto row = Rows.find(In + "/" + name);
    ASSERT_NE(row, Rows.end());
    EXPECT_TRUE(row->second.Status == "Format not recognised" || row->second.Status == "Failed") << row->second.Status;
    EXPECT_EQ(row->second.NewSize, "");
    EXPECT_FALSE(fs::exists(Output(In + "/" + name, F)));
  }
  EXPECT_EQ(Rows.size(), Fixture.Readable.size() + Fixture.InSub.size() + Fixture.Unreadable.size());
  EXPECT_EQ(TitleAtEnd.substr(0, 5), "100% ");
  EXPECT_EQ(App->Title(), TitleBefore);
}

TEST_F(E2EConvert, ToJpeg) {
  Picture = "convertdialog-e2e-jpeg";
  RunInto("out", kJpeg.Index);
  CheckRun(kJpeg);
}

TEST_F(E2EConvert, ToBmp) {
  RunInto("out", kBmp.Index);
  CheckRun(kBmp);
}

TEST_F(E2EConvert, ToGif) {
  RunInto("out", kGif.Index);
  CheckRun(kGif);
}

TEST_F(E2EConvert, ToPng) {
  RunInto("out", kPng.Index);
  CheckRun(kPng);
}

TEST_F(E2EConvert, ToJpeg2000) {
  RunInto("out", kJp2.Index);
  CheckRun(kJp2);
}

TEST_F(E2EConvert, ToTiff) {
  RunInto("out", kTiff.Index);
  CheckRun(kTiff);
}

// A second run into the same folder: No to All keeps every output, Yes to
// All replaces them.
TEST_F(E2EConvert, SecondRunAnswersForAll) {
  RunInto("out", kPng.Index);
  std::map<std::string, std::string> before;
  for (const auto& e : fs::recursive_directory_iterator(Out))
    if (e.is_regular_file()) before[e.path().string()] = ReadAll(e.path().string());
  for (const char* answer : {"NoToAll", "YesToAll"}) {
    SCOPED_TRACE(answer);
    ExpectRun();
    Script->ExpectModalForm("Confirm").PressCaption(answer);
    // Unreadable inputs are reported before their destination is looked at
    // only when it does not exist; theirs never does.
    ExpectFailureBoxes(*Script, int32_t(Fixture.Unreadable.size()));
    Start();
    const char* expected = std::string(answer) == "NoToAll" ? "Skipped" : "Replaced";
    for (const auto& [source, row] : Rows) {
      if (std::find(Fixture.Unreadable.begin(), Fixture.Unreadable.end(), fs::path(source).filename().string()) !=
          Fixture.Unreadable.end())
        continue;
      EXPECT_EQ(row.Status, expected) << source;
    }
    if (std::string(answer) == "NoToAll") {
      for (const auto& [path, bytes] : before) EXPECT_EQ(ReadAll(path), bytes) << path;
    }
  }
}

// Cancel after the second file: the third is not converted and the dialog
// closes itself. The second file is unreadable, so its error box is the
// moment to press Escape (the key reaches the dialog once the box is gone).
TEST_F(E2EConvert, CancelAfterTheSecondFile) {
  const std::string in2 = TempRoot.File("in2");
  fs::create_directories(in2);
  fs::copy_file(In + "/branches.jpg", in2 + "/a.jpg");
  fs::copy_file(In + "/notes.png", in2 + "/b.png");
  fs::copy_file(In + "/flowers.jpg", in2 + "/c.jpg");
  In = in2;
  Out = TempRoot.File("out");
  OpenSource();
  AddAll();
  TypeInto(Tab->OutputFolder, Out);
  PickFormat(kPng.Index);
  Script->ExpectModalForm("Confirm").PressCaption("Yes");
  TComponentRef<TBatchConvertDialog> dialog;
  Script->ExpectModalForm("Converting pictures").Do([&](TScriptTarget t, const auto&) {
    dialog = dynamic_cast<TBatchConvertDialog*>(t.Form);
    for (int32_t i = 0; i < 100 && dialog.Get() != nullptr && !dialog.Get()->Cancelled(); ++i) H().AdvanceClock(50);
  });
  Script->ExpectModalForm("Error").Do([&](TScriptTarget t, const auto& fail) {
    TBatchConvertDialog* d = dialog.Get();
    if (d == nullptr) return fail("no progress dialog");
    ReadRows(d);
    auto* ok = dynamic_cast<TForm*>(t.Form);
    for (int32_t i = 0; i < ok->ComponentCount(); ++i)
      if (auto* b = dynamic_cast<TbsSkinButton*>(ok->Components(i)); b != nullptr && b->Caption() == "OK") {
        const TPoint p = b->ClientToScreen(TPoint{b->Width() / 2, b->Height() / 2});
        H().Click(p.X, p.Y);
      }
    H().PressKey(VK_ESCAPE);
  });
  Start();
  EXPECT_EQ(Tab->ConvertDialog(), nullptr);
  EXPECT_TRUE(fs::exists(Out + "/a.png"));
  EXPECT_FALSE(fs::exists(Out + "/b.png"));
  EXPECT_FALSE(fs::exists(Out + "/c.png"));
  EXPECT_EQ(RowOrder.size(), 2u);
}

// A save that fails over an earlier output: "failed" with the error box, and
// the earlier file stays byte for byte.
TEST_F(E2EConvert, AFailedSaveKeepsTheEarlierOutput) {
  const std::string in3 = TempRoot.File("in3");
  fs::create_directories(in3);
  fs::copy_file(In + "/plasma.jpg", in3 + "/plasma.jpg");
  In = in3;
  RunInto("out", kBmp.Index, 0);
  const std::string out = Out + "/plasma.bmp";
  const std::string before = ReadAll(out);
  ASSERT_FALSE(before.empty());
  ExpectRun();
  Script->ExpectModalForm("Confirm").PressCaption("Yes");
  Script->ExpectModalForm("Error").PressCaption("OK");
  // Not as root, a folder without write permission refuses the new file;
  // root ignores that, and the file-size limit stops the writer instead.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  if (::geteuid() != 0) {
    ::chmod(Out.c_str(), 0555);
  } else {
    struct rlimit low = old;
    low.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
  }
  Start();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  ::chmod(Out.c_str(), 0755);
  EXPECT_EQ(Rows[in3 + "/plasma.jpg"].Status, "Failed");
  EXPECT_EQ(ReadAll(out), before);
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(Out)) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1u) << "a temporary file was left";
}

}  // namespace
