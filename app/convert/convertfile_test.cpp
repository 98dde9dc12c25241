#include "app/convert/convertfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "app/convert/convert_testing.h"
#include "app/convert/convertdialog.h"
#include "app/convert/outputnaming.h"
#include "app/convert/runbatch.h"
#include "app/settings/commonclass.h"
#include "app/settings/fileobject.h"
#include "app/settings/marloutils.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/views/view/imgview.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/dialog_script_testing.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

namespace fs = std::filesystem;

String TestText(int32_t Slot) {
  switch (Slot) {
    case ctOverwrite: return "The file \"%1%\" exists already. Overwrite it?";
    case ctProcessing: return "processing";
    case ctNotFound: return "not found";
    case ctCancelled: return "cancelled";
    case ctSkipped: return "skipped";
    case ctUnknownFormat: return "unknown format";
    case ctReplaced: return "replaced";
    case ctDone: return "done";
    case ctFailed: return "failed";
    case ctBesideSources: return "The pictures are saved beside their sources.";
    default: return String();
  }
}

std::string ReadAll(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& Path, const std::string& Bytes) {
  std::ofstream f(Path, std::ios::binary);
  f << Bytes;
}

struct TRow {
  String Destination, Status, OldSize, NewSize;
};

class ConvertFileTest : public TSkinKitTest {
 public:
  void SetUp() override {
    TSkinKitTest::SetUp();
    IEInitImageIO();
    Settings = NewPictovalSettings();
    Img = new TImgView(Form.get());
    Img->SetParent(Form.get());
    Img->SetVisible(false);
    Messager = new TbsSkinMessage(Form.get());
    Dialog = std::make_unique<TBatchConvertDialog>(nullptr);
    Dialog->PBar->SetMaxValue(1000);
    Dialog->PBar->SetValue(0);
    Dialog->Show();
    C = std::make_unique<TFileConverter>(Img, Messager, TestText);
    C->Paras = Settings->IOPara.get();
    C->Dialog = Dialog.get();
    C->Switches.AskOverwrite = true;
    Script = std::make_unique<TDialogScript>();
  }
  void TearDown() override {
    Script.reset();
    C.reset();
    Dialog.reset();
    Settings.reset();
    TSkinKitTest::TearDown();
  }
  // Makes Name in the test folder with ImageMagick.
  // Prefix: ImageMagick's output format ("PNG32:").
  std::string Make(const std::string& Name, std::vector<std::string> Args, const std::string& Prefix = "") {
    const std::string path = Dir.File(Name);
    Args.insert(Args.begin(), "convert");
    Args.push_back(Prefix + path);
    EXPECT_EQ(IERunTool(Args).ExitStatus, 0) << Name;
    return path;
  }
  bool Convert(const std::string& Source, const std::string& Destination, int32_t Format) {
    C->Switches.OutputFormat = Format;
    return C->ConvertFile(Source, Destination, false, nullptr, nullptr);
  }
  TRow LastRow() {
    const int32_t n = Dialog->ListView->Items()->Count();
    if (n == 0) return TRow{};
    TStrings* s = Dialog->ListView->Items()->Item(n - 1)->SubItems();
    return TRow{s->Strings(1), s->Strings(2), s->Strings(3), s->Strings(4)};
  }
  // The next overwrite question is answered by the button of this caption.
  void Answer(const String& Button) { Script->ExpectModalForm("Confirm").PressCaption(Button); }
  void ExpectErrorBox() { Script->ExpectModalForm("Error").PressCaption("OK"); }
  std::vector<std::string> Names() {
    std::vector<std::string> r;
    for (const auto& e : fs::directory_iterator(Dir.Path())) r.push_back(e.path().filename().string());
    std::sort(r.begin(), r.end());
    return r;
  }

  TIETempDir Dir;
  std::unique_ptr<TPictovalSettings> Settings;
  TImgView* Img = nullptr;
  TbsSkinMessage* Messager = nullptr;
  std::unique_ptr<TBatchConvertDialog> Dialog;
  std::unique_ptr<TFileConverter> C;
  std::unique_ptr<TDialogScript> Script;
};

TEST_F(ConvertFileTest, ResultKindsOfOneFile) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const std::string png = Make("a.png", {"-size", "64x48", "gradient:red-blue"});
  WriteAll(Dir.File("empty.jpg"), "");
  WriteAll(Dir.File("notes.txt"), "shopping list: milk, bread\n");
  WriteAll(Dir.File("notes.png"), "shopping list: milk, bread\n");
  WriteAll(Dir.File("cut.png"), ReadAll(png).substr(0, ReadAll(png).size() / 2));
  WriteAll(Dir.File("old.jpg"), "old bytes");
  struct TCase {
    std::string Source, Destination;
    bool Ask;
    const char* Status;
    bool Result;
    bool Written;
  };
  const TCase cases[] = {
      {png, "new.jpg", true, "done", true, true},
      {png, "old.jpg", false, "replaced", true, true},  // no question without the box
      {Dir.File("missing.png"), "m.jpg", true, "not found", false, false},
      // Not a picture by its content, and no reader claims it.
      {Dir.File("notes.txt"), "t.png", true, "unknown format", false, false},
      // Handed to the JPEG reader by its name, which ends with the abort flag.
      {Dir.File("empty.jpg"), "e.png", true, "failed", true, false},
      {Dir.File("notes.png"), "n.jpg", true, "failed", true, false},  // the PNG reader's abort flag
      {Dir.File("cut.png"), "c.jpg", true, "failed", true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Source);
    if (std::string(c.Status) == "failed") ExpectErrorBox();
    C->Switches.AskOverwrite = c.Ask;
    const int64_t before = Dialog->TotalNewSize();
    EXPECT_EQ(Convert(c.Source, Dir.File(c.Destination), 0), c.Result);
    const TRow row = LastRow();
    EXPECT_EQ(row.Status, c.Status);
    EXPECT_EQ(fs::exists(Dir.File(c.Destination)), c.Written || c.Destination == "old.jpg");
    const bool counted = c.Written;
    EXPECT_EQ(row.NewSize.empty(), !counted);
    if (counted) {
      EXPECT_EQ(row.OldSize, FormatSizeKB(" ", int64_t(fs::file_size(c.Source))));
      EXPECT_EQ(row.NewSize, FormatSizeKB(" ", int64_t(fs::file_size(Dir.File(c.Destination)))));
      EXPECT_EQ(Identify(Dir.File(c.Destination)), "JPEG 64 48");
    } else {
      EXPECT_EQ(Dialog->TotalNewSize(), before);
    }
  }
  Script->Verify();
  // No temporary file was left behind by the failed loads.
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.png", "cut.png", "empty.jpg", "new.jpg", "notes.png", "notes.txt",
                                               "old.jpg"}));
}

TEST_F(ConvertFileTest, OverwriteAnswersAndTheirMemory) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const std::string src = Make("s.png", {"-size", "16x16", "xc:red"});
  struct TCase {
    std::vector<String> Answers;  // one per question asked
    std::vector<const char*> Statuses;
    bool CancelledAfter;
  };
  const TCase cases[] = {
      {{"Yes", "No", "Cancel"}, {"replaced", "skipped", "cancelled"}, true},
      {{"NoToAll"}, {"skipped", "skipped", "skipped"}, false},
      {{"YesToAll"}, {"replaced", "replaced", "replaced"}, false},
      {{"No", "YesToAll"}, {"skipped", "replaced", "replaced"}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Answers.front());
    for (int32_t i = 0; i < 3; ++i) WriteAll(Dir.File("d" + std::to_string(i) + ".png"), "old");
    Dialog->SetCancelled(false);
    C->OverwriteAnswer = 0;
    for (const String& a : c.Answers) Answer(a);
    for (int32_t i = 0; i < 3; ++i) {
      const std::string d = Dir.File("d" + std::to_string(i) + ".png");
      Convert(src, d, 3);
      EXPECT_EQ(LastRow().Status, c.Statuses[size_t(i)]) << i;
      EXPECT_EQ(ReadAll(d) == "old", std::string(c.Statuses[size_t(i)]) != "replaced") << i;
    }
    Script->Verify();
    EXPECT_EQ(Dialog->Cancelled(), c.CancelledAfter);
  }
  // A cancelled run converts nothing more and adds no row.
  Dialog->SetCancelled(true);
  const int32_t rows = Dialog->ListView->Items()->Count();
  EXPECT_FALSE(Convert(src, Dir.File("later.png"), 3));
  EXPECT_EQ(Dialog->ListView->Items()->Count(), rows);
  EXPECT_FALSE(fs::exists(Dir.File("later.png")));
}

TEST_F(ConvertFileTest, PagesAndFramesGetTheirOwnFiles) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  IE_REQUIRE_TOOL("identify", "imagemagick");
  const std::string tif = Make("x.tif", {"-size", "40x30", "xc:red", "xc:lime", "xc:blue"});
  const std::string gif = Make("a.gif", {"-size", "64x48", "xc:red", "xc:lime", "xc:blue", "-set", "delay", "20"});
  const std::string one = Make("one.gif", {"-size", "40x30", "xc:red"});
  fs::create_directory(Dir.File("out"));
  const std::string out = Dir.File("out/");
  struct TCase {
    std::string Source, Destination;
    int32_t Format;
    std::vector<std::string> Files;
    const char* Suffix;
  };
  const TCase cases[] = {
      {tif, "x.jpg", 0, {"x.jpg", "x_(2).jpg", "x_(3).jpg"}, " [3P]"},
      {gif, "a.png", 3, {"a.png", "a_(2).png", "a_(3).png"}, " [3P]"},
      {tif, "t.tif", 5, {"t.tif"}, " [3P]"},
      {one, "one.png", 3, {"one.png"}, ""},
      // A two-colour frame loads as 1 bit, which is no JPEG 2000 colour
      // layout: the writer gets 8 bits per channel.
      {gif, "g.jp2", 4, {"g.jp2", "g_(2).jp2", "g_(3).jp2"}, " [3P]"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Destination);
    ASSERT_TRUE(Convert(c.Source, out + c.Destination, c.Format));
    int64_t sum = 0;
    for (const std::string& f : c.Files) {
      ASSERT_TRUE(fs::exists(out + f)) << f;
      sum += int64_t(fs::file_size(out + f));
    }
    const TRow row = LastRow();
    EXPECT_EQ(row.Status, "done");
    EXPECT_EQ(row.Destination, out + c.Destination + c.Suffix);
    EXPECT_EQ(row.NewSize, FormatSizeKB(" ", sum));
  }
  // The frames are the pictures of the pages, in order.
  EXPECT_NE(ToolText({"convert", out + "a_(2).png", "-format", "%[pixel:p{5,5}]", "info:"}).find("(0,255,0"),
            std::string::npos);
  EXPECT_EQ(ToolText({"identify", "-format", "%n\n", out + "t.tif"}).substr(0, 1), "3");
  EXPECT_FALSE(fs::exists(out + "one_(2).png"));
  // Lossy, but still the green frame.
  EXPECT_EQ(ToolText({"convert", out + "g_(2).jp2", "-format",
                      "%[fx:p{5,5}.g > 0.97 && p{5,5}.r < 0.03 && p{5,5}.b < 0.03]", "info:"}),
            "1");
}

TEST_F(ConvertFileTest, AnExistingPageTargetIsAskedAbout) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const std::string tif = Make("x.tif", {"-size", "40x30", "xc:red", "xc:lime", "xc:blue"});
  struct TCase {
    String Answer;
    std::vector<std::string> Written;  // new files
    const char* Row;
    bool Cancelled;
  };
  const TCase cases[] = {
      {"No", {"p.jpg"}, "p.jpg", false},
      {"Yes", {"p.jpg", "p_(3).jpg"}, "p.jpg [3P]", false},
      {"Cancel", {"p.jpg"}, "p.jpg", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Answer);
    for (const char* f : {"p.jpg", "p_(3).jpg"}) fs::remove(Dir.File(f));
    WriteAll(Dir.File("p_(2).jpg"), "older page");
    Dialog->SetCancelled(false);
    C->OverwriteAnswer = 0;
    Answer(c.Answer);
    Convert(tif, Dir.File("p.jpg"), 0);
    Script->Verify();
    for (const std::string& f : c.Written) EXPECT_TRUE(fs::exists(Dir.File(f))) << f;
    EXPECT_EQ(fs::exists(Dir.File("p_(3).jpg")), c.Written.size() == 2);
    EXPECT_EQ(ReadAll(Dir.File("p_(2).jpg")) == "older page", c.Answer != "Yes");
    EXPECT_EQ(Dialog->Cancelled(), c.Cancelled);
    if (!c.Cancelled) {
      EXPECT_EQ(LastRow().Destination, Dir.File(c.Row));
      EXPECT_EQ(LastRow().Status, "done");
    } else {
      EXPECT_EQ(LastRow().Status, "cancelled");
    }
  }
}

TEST_F(ConvertFileTest, AlphaKeptOrDroppedByType) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const std::string png =
      Make("alpha.png", {"-size", "40x30", "xc:none", "-fill", "red", "-draw", "rectangle 0,0 19,29"}, "PNG32:");
  Make("alpha.tga", {png});
  Make("alpha.bmp", {png, "-define", "bmp:format=bmp4"}, "BMP:");
  struct TCase {
    const char* Source;
    bool KeepsAlpha;
  };
  for (const TCase c : {TCase{"alpha.png", true}, TCase{"alpha.tga", false}, TCase{"alpha.bmp", false}}) {
    SCOPED_TRACE(c.Source);
    const std::string out = Dir.File(std::string(c.Source) + ".out.png");
    ASSERT_TRUE(Convert(Dir.File(c.Source), out, 3));
    EXPECT_EQ(LastRow().Status, "done");
    const std::string alpha = ToolText({"identify", "-format", "%A", out});
    EXPECT_EQ(alpha == "Blend" || alpha == "True", c.KeepsAlpha) << alpha;
    // Dropped without blending: the transparent half keeps its colour.
    if (!c.KeepsAlpha) {
      EXPECT_NE(ToolText({"convert", out, "-format", "%[pixel:p{30,10}]", "info:"}), "srgb(255,255,255)");
    }
  }
}

TEST_F(ConvertFileTest, AFailingWriterLeavesTheOldFileWhole) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const std::string src = Make("big.png", {"-seed", "1", "-size", "300x200", "plasma:"});
  const std::string dst = Dir.File("keep.bmp");
  WriteAll(dst, "the earlier output, not to be lost");
  // By the file-size limit: the writer's temporary file cannot grow.
  {
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit low = old;
    low.rlim_cur = 4000;
    C->Switches.AskOverwrite = false;
    ExpectErrorBox();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    Convert(src, dst, 1);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
  }
  Script->Verify();
  EXPECT_EQ(LastRow().Status, "failed");
  EXPECT_EQ(ReadAll(dst), "the earlier output, not to be lost");
  // By the abort flag, set while the writer reports progress.
  for (int32_t format : {1, 2, 3, 4, 5, 0}) {
    SCOPED_TRACE(format);
    C->ApplyAdvancedOptions = [this] {
      Img->GetImageIO()->OnProgress = [this](TObject*, int32_t) { Img->GetImageIO()->AbortFlag = true; };
    };
    C->Switches.AdvancedOptions = true;
    const std::string target = Dir.File("keep" + OutputExtension(format));
    WriteAll(target, "earlier");
    ExpectErrorBox();
    Convert(src, target, format);
    Img->GetImageIO()->OnProgress = nullptr;
    Script->Verify();
    EXPECT_EQ(LastRow().Status, "failed");
    EXPECT_EQ(ReadAll(target), "earlier");
  }
  EXPECT_EQ(Names().size(), 7u) << "temporary files left";
}

TEST_F(ConvertFileTest, OriginalQualityStaysOutOfTheOptions) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const std::string src = Make("q75.jpg", {"-seed", "3", "-size", "96x64", "plasma:", "-quality", "75"});
  TIOParas* paras = Settings->IOPara.get();
  paras->JPEGQuality = 95;
  paras->JPEGUseOriginalQuality = true;
  ASSERT_TRUE(Convert(src, Dir.File("o.jpg"), 0));
  EXPECT_EQ(paras->JPEGQuality, 95);
  const int q = std::stoi(ToolText({"identify", "-format", "%Q", Dir.File("o.jpg")}));
  EXPECT_NEAR(q, 75, 2);
  paras->JPEGUseOriginalQuality = false;
  ASSERT_TRUE(Convert(src, Dir.File("p.jpg"), 0));
  EXPECT_NEAR(std::stoi(ToolText({"identify", "-format", "%Q", Dir.File("p.jpg")})), 95, 2);
}

TEST_F(ConvertFileTest, PreviewWritesIntoTheStreamOnly) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  const std::string src = Make("s.png", {"-size", "32x24", "xc:red"});
  TImgView* view = new TImgView(Form.get());
  view->SetParent(Form.get());
  const int32_t rows = Dialog->ListView->Items()->Count();
  for (int32_t format : {0, 1, 3}) {
    TMemoryStream s;
    C->Switches.OutputFormat = format;
    EXPECT_TRUE(C->ConvertFile(src, String(), true, &s, view));
    ASSERT_GT(s.Size(), 10);
    TImgIO io(nullptr);
    s.SetPosition(0);
    io.LoadFromStream(&s);
    EXPECT_EQ(io.IEBitmap()->Width(), 32);
    EXPECT_EQ(view->GetIEBitmap()->Width(), 32);
  }
  EXPECT_EQ(Dialog->ListView->Items()->Count(), rows);
  EXPECT_EQ(Names(), (std::vector<std::string>{"s.png"}));
}

// ---- The traversal ----------------------------------------------------------

class BatchRunTest : public ConvertFileTest {
 public:
  void SetUp() override {
    ConvertFileTest::SetUp();
    Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
  }
  TTreeNode* Add(TTreeNode* Parent, const std::string& Path, bool Folder) {
    auto r = std::make_unique<TMyFileObject>();
    r->Path = Path;
    r->Name = fs::path(Path).filename().string();
    r->IsFolder = Folder;
    TTreeNode* n = Tree->Items()->AddChildObject(Parent, r->Name, r.get());
    Records.push_back(std::move(r));
    return n;
  }
  // Folders A and B with three pictures each.
  void MakeTree() {
    for (const char* folder : {"A", "B"}) {
      fs::create_directories(Dir.File(std::string("in/") + folder));
      TTreeNode* node = Add(nullptr, Dir.File(std::string("in/") + folder), true);
      for (int32_t i = 1; i <= 3; ++i) {
        const std::string file = std::string("in/") + folder + "/p" + std::to_string(i) + ".bmp";
        Make(file, {"-size", "8x8", "xc:red"});
        Add(node, Dir.File(file), false);
      }
    }
  }
  std::vector<std::string> Outputs() {
    std::vector<std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(Dir.File("out")))
      if (e.is_regular_file()) r.push_back(fs::relative(e.path(), Dir.File("out")).string());
    std::sort(r.begin(), r.end());
    return r;
  }
  TTreeView* Tree = nullptr;
  std::vector<std::unique_ptr<TMyFileObject>> Records;
};

TEST_F(BatchRunTest, CounterRules) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  MakeTree();
  struct TCase {
    bool Structure, Continue;
    std::vector<std::string> Files;
  };
  const TCase cases[] = {
      {true,
       false,
       {"A/Image00001.png", "A/Image00002.png", "A/Image00003.png", "B/Image00001.png", "B/Image00002.png",
        "B/Image00003.png"}},
      {false,
       false,
       {"Image00001.png", "Image00002.png", "Image00003.png", "Image00004.png", "Image00005.png", "Image00006.png"}},
      {true,
       true,
       {"A/Image00001.png", "A/Image00002.png", "A/Image00003.png", "B/Image00004.png", "B/Image00005.png",
        "B/Image00006.png"}},
      {false,
       true,
       {"Image00001.png", "Image00002.png", "Image00003.png", "Image00004.png", "Image00005.png", "Image00006.png"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Structure) + std::to_string(c.Continue));
    fs::remove_all(Dir.File("out"));
    fs::create_directory(Dir.File("out"));
    TBatchRunner run(*C);
    TBatchRunOptions o;
    o.OutputFolder = Dir.File("out");
    o.FolderStructure = c.Structure;
    o.ContinueSN = c.Continue;
    o.Rename = true;
    o.Pattern = "Image#####";
    o.OutputFormat = 3;
    run.RunBatch(Tree, o);
    EXPECT_EQ(Outputs(), c.Files);
  }
}

TEST_F(BatchRunTest, AFolderThatCannotBeMadeIsReportedFileByFile) {
  IE_REQUIRE_TOOL("convert", "imagemagick");
  MakeTree();
  fs::create_directory(Dir.File("out"));
  WriteAll(Dir.File("out/A"), "a file where the folder should go");
  const int32_t rows = Dialog->ListView->Items()->Count();
  TBatchRunner run(*C);
  TBatchRunOptions o;
  o.OutputFolder = Dir.File("out") + "/";
  o.OutputFormat = 3;
  run.RunBatch(Tree, o);
  ASSERT_EQ(Dialog->ListView->Items()->Count(), rows + 6);
  for (int32_t i = 0; i < 6; ++i) {
    const String status = Dialog->ListView->Items()->Item(rows + i)->SubItems()->Strings(2);
    EXPECT_EQ(status, i < 3 ? "failed" : "done") << i;
  }
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"A", "B/p1.png", "B/p2.png", "B/p3.png"}));
  EXPECT_EQ(Dialog->PBar->Value(), 6);
}

}  // namespace
