#include "imaging/io/core/ieimgio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/codecs/bmp/iebmp.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/io/core/ieimgio_testing.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/processing/ieview_testing.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/extctrls.h"

namespace {

constexpr int32_t kUnchanged = 77;  // FileType before each operation

String g_url;         // what the URL hook received
String g_avi;         // what the AVI hook received
int32_t g_saver = 0;  // code of the last test saver run

void TestURL(TImgIO&, const String& Name) { g_url = Name; }
void TestAVI(TImgIO&, const String& Name) { g_avi = Name; }

// A per-format saver as the codec layer writes them: the file frame around a
// writer (here the IOT writer), registered in the TGA slot.
void TestSaveTGAFile(TImgIO& IO, const String& FileName) {
  g_saver = fcTGA;
  IO.SaveFileFrame(FileName, nullptr, IOTWrite, [&IO, FileName] { TestSaveTGAFile(IO, FileName); });
}

void TestLoadPNGFile(TImgIO& IO, const String& FileName) {
  IO.LoadFileFrame(
      FileName, fcPNG,
      [](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, std::unique_ptr<TIEMask>& M) {
        IEDecodePNG(S, B, P, Pr, false, M, false);
      },
      [&IO, FileName] { TestLoadPNGFile(IO, FileName); });
}

void TestLoadBMPFile(TImgIO& IO, const String& FileName) {
  IO.LoadFileFrame(
      FileName, fcBMP,
      [](TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, std::unique_ptr<TIEMask>& M) {
        IEDecodeBMP(S, B, 0, P, Pr, false, false, M, false);
      },
      [&IO, FileName] { TestLoadBMPFile(IO, FileName); });
}

// The IOT reader with its alpha plane, as a frame reader.
void IOTFrameRead(TStream* S, TIEBitmap* B, TIOParamsVals& P, TIECodecProgress& Pr, std::unique_ptr<TIEMask>& M) {
  IOTReadWithMask(S, B, P, Pr, false, &M);
}

std::vector<uint8_t> Bytes(const std::string& Path) {
  std::vector<uint8_t> b;
  IEReadBytesFile(Path, b);
  return b;
}

class ImgIOTest : public ::testing::Test {
 public:
  void SetUp() override {
    IERegisterTestFormats();
    for (int32_t c = fcTIFF; c <= fcRAW; ++c) FSavedMethods[static_cast<size_t>(c)] = IEFormatMethods(c);
    FSavedExtensions = IEImgIOExtensions();
    IEFormatMethods(fcTGA).SaveFile = TestSaveTGAFile;
    IEFormatMethods(fcPNG).LoadFile = TestLoadPNGFile;
    IEFormatMethods(fcBMP).LoadFile = TestLoadBMPFile;
    IEImgIOExtensions().LoadFromURL = TestURL;
    IEImgIOExtensions().LoadAVIFirstFrame = TestAVI;
    g_url.clear();
    g_avi.clear();
    g_saver = 0;
    IO = std::make_unique<TImgIO>();
    Log.Attach(*IO);
    IO->Params().FileType = kUnchanged;
    IEWriteBytesFile(Dir.File("a.iot"), IOTBytes(3, 2, 72, 72));
    IEWriteBytesFile(Dir.File("a.xyz"), IOTBytes(3, 2, 72, 72));
    IEWriteBytesFile(Dir.File("a.ps"), {'%', '!', 'P', 'S'});
    IEWriteBytesFile(Dir.File("a.iox"), {'I', 'O', 'X', '1', 0, 0, 0, 0, 0, 0, 0, 0});
  }
  void TearDown() override {
    IO.reset();
    for (int32_t c = fcTIFF; c <= fcRAW; ++c) IEFormatMethods(c) = FSavedMethods[static_cast<size_t>(c)];
    IEImgIOExtensions() = FSavedExtensions;
  }
  // A small image in the working bitmap.
  void Fill(int32_t W = 3, int32_t H = 2) {
    IO->IEBitmap()->Allocate(W, H, TIEPixelFormat::ie24RGB);
    IO->IEBitmap()->Fill(0x102030);
  }

  TIETempDir Dir;
  std::unique_ptr<TImgIO> IO;
  TEventLog Log;

 private:
  std::array<TIEFormatMethods, fcRAW + 1> FSavedMethods{};
  TIEImgIOExtensions FSavedExtensions;
};

// ---- Dispatch ---------------------------------------------------------------------------

struct TDispatchCase {
  const char* Name;
  std::function<void(ImgIOTest&, TImgIO&)> Run;
  int Events;
  bool Abort;
  int32_t FileType;
  const char* MustExist = nullptr;  // file in the temporary folder
  const char* MustNotExist = nullptr;
};

class ImgIODispatch : public ImgIOTest {};

TEST_F(ImgIODispatch, EventsFlagAndFileTypeByPath) {
  TMemoryStream out;
  const std::vector<TDispatchCase> cases = {
      {"unknown extension: nothing at all", [](ImgIOTest& t, TImgIO& io) { io.LoadFromFile(t.Dir.File("a.xyz")); }, 0,
       false, kUnchanged},
      {"PostScript has no reader", [](ImgIOTest& t, TImgIO& io) { io.LoadFromFile(t.Dir.File("a.ps")); }, 1, true,
       fcNone},
      {"empty name", [](ImgIOTest&, TImgIO& io) { io.LoadFromFile(""); }, 1, true, kUnchanged},
      {"registered extension", [](ImgIOTest& t, TImgIO& io) { io.LoadFromFile(t.Dir.File("a.iot")); }, 1, false,
       fcTestIOT},
      {"registered extension, file missing",
       [](ImgIOTest& t, TImgIO& io) { io.LoadFromFile(t.Dir.File("missing.iot")); }, 1, true, fcNone},
      {"no working bitmap",
       [](ImgIOTest& t, TImgIO& io) {
         io.SetIEBitmap(nullptr);
         io.LoadFromFile(t.Dir.File("a.iot"));
       },
       0, false, kUnchanged},
      {".WIN saves as TGA",
       [](ImgIOTest& t, TImgIO& io) {
         t.Fill();
         io.SaveToFile(t.Dir.File("s.WIN"));
       },
       1, false, kUnchanged, "s.WIN"},
      {".cur is not written", [](ImgIOTest& t, TImgIO& io) { io.SaveToFile(t.Dir.File("s.cur")); }, 0, true, kUnchanged,
       nullptr, "s.cur"},
      {".wmf is not written", [](ImgIOTest& t, TImgIO& io) { io.SaveToFile(t.Dir.File("s.wmf")); }, 0, true, kUnchanged,
       nullptr, "s.wmf"},
      {"camera RAW is not written", [](ImgIOTest& t, TImgIO& io) { io.SaveToFile(t.Dir.File("s.NEF")); }, 0, true,
       kUnchanged, nullptr, "s.NEF"},
      {"placeholder writer (PIX) is not written",
       [](ImgIOTest& t, TImgIO& io) {
         t.Fill();
         io.SaveToFile(t.Dir.File("s.pix"));
       },
       0, true, kUnchanged, nullptr, "s.pix"},
      {"unknown extension is not written", [](ImgIOTest& t, TImgIO& io) { io.SaveToFile(t.Dir.File("s.zzz")); }, 0,
       true, kUnchanged, nullptr, "s.zzz"},
      {"registered writer",
       [](ImgIOTest& t, TImgIO& io) {
         t.Fill();
         io.SaveToFile(t.Dir.File("s.iot"));
       },
       1, false, fcTestIOT, "s.iot"},
      {"stream saver of a registered code",
       [&out](ImgIOTest& t, TImgIO&) {
         t.Fill();
         t.IO->SaveToStream(&out, fcTestIOT);
       },
       1, false, fcTestIOT},
      {"stream saver of an unknown code", [&out](ImgIOTest&, TImgIO& io) { io.SaveToStream(&out, 999); }, 0, true,
       kUnchanged},
      {"cursor has no stream saver", [&out](ImgIOTest&, TImgIO& io) { io.SaveToStream(&out, fcCUR); }, 0, true,
       kUnchanged},
      {"registered content from a stream",
       [](ImgIOTest&, TImgIO& io) {
         const auto b = IOTBytes(2, 2, 50, 50);
         TIEMemStream s(b.data(), static_cast<int64_t>(b.size()));
         io.LoadFromStream(&s);
       },
       1, false, fcTestIOT},
      {"undetected stream: nothing",
       [](ImgIOTest&, TImgIO& io) {
         const std::vector<uint8_t> b(40, 0x11);
         TIEMemStream s(b.data(), static_cast<int64_t>(b.size()));
         io.LoadFromStream(&s);
       },
       0, false, kUnchanged},
      {"metafile stream: nothing",
       [](ImgIOTest&, TImgIO& io) {
         const std::vector<uint8_t> b(40, 0);
         TIEMemStream s(b.data(), static_cast<int64_t>(b.size()));
         io.LoadFromStreamAs(&s, fcWMF);
       },
       0, false, kUnchanged},
      {"buffer",
       [](ImgIOTest&, TImgIO& io) {
         const auto b = IOTBytes(2, 3, 50, 50);
         io.LoadFromBuffer(b.data(), static_cast<int64_t>(b.size()), 0);
       },
       1, false, fcTestIOT},
  };
  for (const TDispatchCase& c : cases) {
    SCOPED_TRACE(c.Name);
    IO = std::make_unique<TImgIO>();
    Log.Progress100 = 0;
    Log.Finished = 0;
    Log.Attach(*IO);
    IO->Params().FileType = kUnchanged;
    c.Run(*this, *IO);
    EXPECT_EQ(Log.Finished.load(), c.Events);
    EXPECT_EQ(Log.Progress100.load(), c.Events);
    EXPECT_EQ(IO->AbortFlag.load(), c.Abort);
    EXPECT_EQ(IO->Params().FileType, c.FileType);
    if (c.MustExist) {
      EXPECT_TRUE(std::filesystem::exists(Dir.File(c.MustExist)));
    }
    if (c.MustNotExist) {
      EXPECT_FALSE(std::filesystem::exists(Dir.File(c.MustNotExist)));
    }
  }
  EXPECT_EQ(g_saver, fcTGA);
}

TEST_F(ImgIODispatch, URLAndAVIPaths) {
  IO->LoadFromFile("HTTP://example.org/a.png");
  EXPECT_EQ(g_url, "HTTP://example.org/a.png");
  IO->LoadFromFile(Dir.File("clip.AVI"));
  EXPECT_EQ(g_avi, Dir.File("clip.AVI"));
  EXPECT_EQ(IO->Params().FileType, fcAVI);
  EXPECT_EQ(IO->Params().FileName, Dir.File("clip.AVI"));
  // Without the later subsystems the load fails visibly.
  IEImgIOExtensions() = TIEImgIOExtensions();
  IO->AbortFlag = false;
  IO->LoadFromFile("http://example.org/a.png");
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(Log.Finished.load(), 1);
}

TEST_F(ImgIODispatch, ByContentDetectsThenFallsBackToTheExtension) {
  // A PNG named .jpg loads as PNG.
  TIEBitmap src;
  src.Allocate(4, 3, TIEPixelFormat::ie24RGB);
  src.Fill(0x00FF00);
  TIOParamsVals p;
  TIECodecProgress pr;
  std::atomic<bool> abort{false};
  pr.AbortFlag = &abort;
  TMemoryStream png;
  IEEncodePNG(&png, &src, p, pr, nullptr);
  png.SaveToFile(Dir.File("photo.jpg"));
  IO->LoadFromFileByContent(Dir.File("photo.jpg"));
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(IO->Params().FileType, fcPNG);
  EXPECT_EQ(IO->IEBitmap()->Width(), 4);
  EXPECT_EQ(Log.Finished.load(), 1);

  // Text named .bmp: nothing detected, the BMP loader fails.
  IEWriteBytesFile(Dir.File("notes.bmp"), std::vector<uint8_t>(60, 'x'));
  IO->LoadFromFileByContent(Dir.File("notes.bmp"));
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(IO->Params().FileType, fcBMP);
  EXPECT_EQ(Log.Finished.load(), 2);
}

// ---- Events exactly once ------------------------------------------------------------------

TEST_F(ImgIOTest, EventsFireOnceAlsoWhenTheCodecRaises) {
  const auto raisingRead = [](TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress&, std::unique_ptr<TIEMask>&) {
    throw std::runtime_error("codec");
  };
  struct TCase {
    const char* Name;
    std::function<void(ImgIOTest&, TImgIO&)> Run;
    bool Passes;  // the exception reaches the caller
  };
  TMemoryStream stream;
  const auto iot = IOTBytes(2, 2, 10, 10);
  stream.WriteBuffer(iot.data(), static_cast<int64_t>(iot.size()));
  const std::vector<TCase> cases = {
      {"load file frame",
       [&](ImgIOTest& t, TImgIO& io) { io.LoadFileFrame(t.Dir.File("a.iot"), fcTestIOT, raisingRead, nullptr); }, true},
      {"load stream frame",
       [&](ImgIOTest&, TImgIO& io) {
         stream.SetPosition(0);
         io.LoadStreamFrame(&stream, fcTestIOT, raisingRead, nullptr);
       },
       true},
      {"save file frame",
       [](ImgIOTest& t, TImgIO& io) {
         t.Fill();
         io.SaveFileFrame(t.Dir.File("r.iot"), nullptr, RaisingWrite, nullptr);
       },
       true},
      {"save stream frame",
       [](ImgIOTest& t, TImgIO& io) {
         t.Fill();
         TMemoryStream m;
         io.SaveStreamFrame(&m, nullptr, RaisingWrite, nullptr);
       },
       true},
      {"LoadFromFile swallows", [](ImgIOTest& t, TImgIO& io) { io.LoadFromFile(t.Dir.File("a.iox")); }, false},
      {"LoadFromFileAs swallows", [](ImgIOTest& t, TImgIO& io) { io.LoadFromFileAs(t.Dir.File("a.iox"), fcTestIOX); },
       false},
      {"LoadFromFileByContent swallows",
       [](ImgIOTest& t, TImgIO& io) { io.LoadFromFileByContent(t.Dir.File("a.iox")); }, false},
      {"LoadFromStreamAs passes",
       [&](ImgIOTest&, TImgIO& io) {
         stream.SetPosition(0);
         io.LoadFromStreamAs(&stream, fcTestIOX);
       },
       true},
      {"SaveToFile passes",
       [](ImgIOTest& t, TImgIO& io) {
         t.Fill();
         io.SaveToFile(t.Dir.File("r.iox"));
       },
       true},
      {"SaveToStream passes",
       [](ImgIOTest& t, TImgIO& io) {
         t.Fill();
         TMemoryStream m;
         io.SaveToStream(&m, fcTestIOX);
       },
       true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    IO = std::make_unique<TImgIO>();
    Log.Progress100 = 0;
    Log.Finished = 0;
    Log.Attach(*IO);
    IO->Params().FileType = kUnchanged;
    bool raised = false;
    try {
      c.Run(*this, *IO);
    } catch (const std::runtime_error&) {
      raised = true;
    }
    EXPECT_EQ(raised, c.Passes);
    EXPECT_EQ(Log.Finished.load(), 1);
    EXPECT_EQ(Log.Progress100.load(), 1);
    EXPECT_TRUE(Log.FinishAfterProgress);
    EXPECT_TRUE(IO->AbortFlag);  // a raising codec is a failed operation
  }
  // The frames leave FileType as it was; no file was written.
  EXPECT_FALSE(std::filesystem::exists(Dir.File("r.iot")));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("r.iox")));
}

TEST_F(ImgIOTest, FileErrorsPassOrAreSwallowedByMethod) {
  const String missing = Dir.File("missing.iot");
  const String noFolder = Dir.File("no/such/folder/x.iot");
  Fill();
  EXPECT_THROW(IO->SaveToFile(noFolder), EFCreateError);
  EXPECT_EQ(Log.Finished.load(), 1);
  EXPECT_NO_THROW(IO->LoadFromFile(missing));
  EXPECT_NO_THROW(IO->LoadFromFileAs(missing, fcTestIOT));
  EXPECT_NO_THROW(IO->LoadFromFileByContent(missing));
  EXPECT_THROW(IO->LoadFileFrame(missing, fcTestIOT, IOTFrameRead, nullptr), EFOpenError);
  EXPECT_TRUE(IO->AbortFlag);
}

// ---- Frames --------------------------------------------------------------------------------

TEST_F(ImgIOTest, LoadFramesFinishTheLoad) {
  struct TCase {
    const char* Name;
    bool FromFile;
    uint16_t Dpi;
    bool Alpha;
  };
  const TCase cases[] = {{"file", true, 0, true}, {"stream", false, 150, false}, {"file, resolution", true, 96, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto bytes = IOTBytes(3, 2, c.Dpi, c.Dpi, c.Alpha);
    IEWriteBytesFile(Dir.File("f.iot"), bytes);
    IO->IEBitmap()->AlphaChannel();  // an old alpha channel never survives a load
    IO->Params().EXIFMake = "old";
    TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (c.FromFile)
      IO->LoadFileFrame(Dir.File("f.iot"), 555, IOTFrameRead, nullptr);
    else
      IO->LoadStreamFrame(&s, 555, IOTFrameRead, nullptr);
    EXPECT_FALSE(IO->AbortFlag);
    EXPECT_EQ(IO->Params().FileType, 555);
    EXPECT_EQ(IO->Params().FileName, c.FromFile ? Dir.File("f.iot") : String());
    EXPECT_EQ(IO->Params().EXIFMake, "");  // metadata reset
    // A missing resolution (below 2) takes the defaults.
    EXPECT_EQ(IO->Params().DpiX, c.Dpi < 2 ? IEDefaultDpiX : c.Dpi);
    EXPECT_EQ(IO->IEBitmap()->Width(), 3);
    ASSERT_EQ(IO->IEBitmap()->HasAlphaChannel(), c.Alpha);
    if (c.Alpha) {
      EXPECT_EQ(IO->IEBitmap()->AlphaChannel()->GetPixel8(1, 1), uint8_t(4 * 7));
    }
  }
  // A reader that reports bad data: a failed load that still names the file.
  IO->LoadFileFrame(Dir.File("a.ps"), 556, IOTFrameRead, nullptr);
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(IO->Params().FileType, 556);
  EXPECT_EQ(IO->Params().FileName, Dir.File("a.ps"));
  EXPECT_EQ(Log.Finished.load(), 4);
}

TEST_F(ImgIOTest, AFailedReadersMaskOfAnotherSizeIsDropped) {
  // The reader fails after making a mask; the bitmap keeps its old picture
  // (3 x 2) or is empty, and neither takes a 5 x 5 alpha channel.
  const auto failWithMask = [](bool Empty) {
    return [Empty](TStream*, TIEBitmap* B, TIOParamsVals&, TIECodecProgress& Pr, std::unique_ptr<TIEMask>& M) {
      if (Empty) B->FreeImage(true);
      M = std::make_unique<TIEMask>();
      M->Allocate(5, 5, 8);
      IESetAborting(Pr);
    };
  };
  for (const bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "empty bitmap" : "old picture");
    IO->IEBitmap()->Allocate(3, 2, TIEPixelFormat::ie24RGB);
    const std::vector<uint8_t> bytes{'x'};
    TIEMemStream s(bytes.data(), 1);
    IO->LoadStreamFrame(&s, 555, failWithMask(empty), nullptr);
    EXPECT_TRUE(IO->AbortFlag);
    EXPECT_FALSE(IO->IEBitmap()->HasAlphaChannel());
  }
}

TEST_F(ImgIOTest, FailedSaveLeavesTheOldFileByteIdentical) {
  const std::vector<uint8_t> old{'O', 'L', 'D', 0, 1, 2};
  Fill();
  for (const char* name : {"t.ioa", "t.iox"}) {
    SCOPED_TRACE(name);
    IEWriteBytesFile(Dir.File(name), old);
    try {
      IO->SaveToFile(Dir.File(name));
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(IO->AbortFlag);
    EXPECT_EQ(Bytes(Dir.File(name)), old);
  }
  // A writer that ends well replaces the file; no temporary file is left.
  IEWriteBytesFile(Dir.File("t.iot"), old);
  const size_t before = FilesIn(Dir.Path());
  IO->SaveToFile(Dir.File("t.iot"));
  EXPECT_FALSE(IO->AbortFlag);
  const auto written = Bytes(Dir.File("t.iot"));
  ASSERT_GE(written.size(), 4u);
  EXPECT_EQ(std::string(written.begin(), written.begin() + 4), "IOT1");
  EXPECT_EQ(FilesIn(Dir.Path()), before);
  // Cancelled from the progress event: the same as a failure.
  IO->OnProgress = [this](TObject*, int32_t) { IO->AbortFlag = true; };
  IO->SaveToFile(Dir.File("t2.iot"));
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("t2.iot")));
  EXPECT_EQ(FilesIn(Dir.Path()), before);
}

// ---- Header-only reads ---------------------------------------------------------------------

TEST_F(ImgIOTest, HeaderOnlyReads) {
  IEWriteBytesFile(Dir.File("text.txt"), std::vector<uint8_t>(30, 't'));
  struct TCase {
    const char* Name;
    std::function<void(ImgIOTest&, TImgIO&)> Run;
    int32_t FileType;
  };
  const auto iot = IOTBytes(7, 5, 120, 60);
  std::vector<uint8_t> embedded(3 + iot.size());
  embedded[0] = 1;
  embedded[1] = 2;
  embedded[2] = 3;
  std::copy(iot.begin(), iot.end(), embedded.begin() + 3);
  const std::vector<TCase> cases = {
      {"file", [](ImgIOTest& t, TImgIO& io) { io.ReadParamsFromFile(t.Dir.File("a.iot")); }, fcTestIOT},
      {"missing file", [](ImgIOTest& t, TImgIO& io) { io.ReadParamsFromFile(t.Dir.File("none.iot")); }, fcNone},
      {"undetected content", [](ImgIOTest& t, TImgIO& io) { io.ReadParamsFromFile(t.Dir.File("text.txt")); }, fcNone},
      {"raising reader", [](ImgIOTest& t, TImgIO& io) { io.ReadParamsFromFileAs(t.Dir.File("a.iot"), fcTestIOX); },
       fcNone},
      {"code without a reader", [](ImgIOTest& t, TImgIO& io) { io.ReadParamsFromFileAs(t.Dir.File("a.iot"), 999); },
       fcNone},
      {"stream from its position",
       [&embedded](ImgIOTest&, TImgIO& io) {
         TIEMemStream s(embedded.data(), static_cast<int64_t>(embedded.size()));
         s.SetPosition(3);
         io.ReadParamsFromStream(&s);
         EXPECT_EQ(io.Params().Width, 7);
         EXPECT_EQ(io.Params().DpiY, 60);
       },
       fcTestIOT},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    IO = std::make_unique<TImgIO>();
    Log.Progress100 = 0;
    Log.Finished = 0;
    Log.Attach(*IO);
    IO->IEBitmap()->Allocate(5, 4, TIEPixelFormat::ie8g);
    c.Run(*this, *IO);
    EXPECT_EQ(IO->Params().FileType, c.FileType);
    EXPECT_EQ(IO->AbortFlag.load(), c.FileType == fcNone);
    EXPECT_EQ(Log.Finished.load(), 1);
    EXPECT_EQ(IO->IEBitmap()->Width(), 5);  // the working bitmap is untouched
    EXPECT_EQ(IO->IEBitmap()->PixelFormat(), TIEPixelFormat::ie8g);
  }
  IO->ReadParamsFromFile(Dir.File("a.iot"));
  EXPECT_EQ(IO->Params().Width, 3);
  EXPECT_EQ(IO->Params().FileName, Dir.File("a.iot"));
}

// ---- Resolution ------------------------------------------------------------------------------

TEST(ImgIOAdjustDPI, SquarePixelsByTheRecordsSize) {
  struct TCase {
    int32_t W, H, DpiX, DpiY;
    bool Filtered;
    TIEPixelFormat Format;
    int32_t NewW, NewH, NewDpi;
    TIEPixelFormat NewFormat;
  };
  const TCase cases[] = {
      {200, 100, 100, 50, false, TIEPixelFormat::ie24RGB, 200, 200, 100, TIEPixelFormat::ie24RGB},
      {100, 200, 100, 50, false, TIEPixelFormat::ie24RGB, 50, 200, 50, TIEPixelFormat::ie24RGB},
      {200, 100, 100, 50, false, TIEPixelFormat::ie8g, 200, 200, 100, TIEPixelFormat::ie8g},
      {200, 100, 100, 50, true, TIEPixelFormat::ie8g, 200, 200, 100, TIEPixelFormat::ie24RGB},
      {100, 200, 100, 50, true, TIEPixelFormat::ie24RGB, 50, 200, 50, TIEPixelFormat::ie24RGB},
      {20, 10, 72, 72, false, TIEPixelFormat::ie24RGB, 20, 10, 72, TIEPixelFormat::ie24RGB},  // square already
      {20, 10, 0, 50, false, TIEPixelFormat::ie24RGB, 20, 10, 0, TIEPixelFormat::ie24RGB},    // no resolution
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " at " << c.DpiX << "x" << c.DpiY
                                    << (c.Filtered ? " filtered" : ""));
    TImgIO io;
    io.FilteredAdjustDPI = c.Filtered;
    io.IEBitmap()->Allocate(c.W, c.H, c.Format);
    io.IEBitmap()->AlphaChannel()->Fill(9);
    io.Params().Width = c.W;
    io.Params().Height = c.H;
    io.Params().DpiX = c.DpiX;
    io.Params().DpiY = c.DpiY;
    io.Params().EXIFXResolution = io.Params().EXIFYResolution = 1;
    io.AdjustDPI();
    EXPECT_EQ(io.IEBitmap()->Width(), c.NewW);
    EXPECT_EQ(io.IEBitmap()->Height(), c.NewH);
    EXPECT_EQ(io.IEBitmap()->PixelFormat(), c.NewFormat);
    EXPECT_EQ(io.Params().Width, c.NewW);
    EXPECT_EQ(io.Params().Height, c.NewH);
    if (c.DpiX > 0) {
      EXPECT_EQ(io.Params().DpiX, c.NewDpi);
      EXPECT_EQ(io.Params().DpiY, c.NewDpi);
    }
    // Written directly: the EXIF mirror is not touched.
    EXPECT_EQ(io.Params().EXIFXResolution, 1);
    EXPECT_EQ(io.Params().EXIFYResolution, 1);
    // The alpha channel follows the new size, stretched.
    ASSERT_TRUE(io.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(io.IEBitmap()->AlphaChannel()->Width(), c.NewW);
    EXPECT_EQ(io.IEBitmap()->AlphaChannel()->GetPixel8(c.NewW - 1, c.NewH - 1), 9);
  }
}

TEST(ImgIOAdjustDPI, FreeFunctionReturnsANewBitmapThroughTheSetters) {
  TIEBitmap src;
  src.Allocate(200, 100, TIEPixelFormat::ie8g);
  TIOParamsVals p;
  p.Width = 200;
  p.Height = 100;
  p.SetDpiX(100);
  p.SetDpiY(100);
  EXPECT_EQ(IEAdjustDPIBitmap(&src, p, false), &src);
  TIEBitmap empty;
  p.SetDpiY(50);
  EXPECT_EQ(IEAdjustDPIBitmap(&empty, p, true), &empty);

  std::unique_ptr<TIEBitmap> out(IEAdjustDPIBitmap(&src, p, true));
  ASSERT_NE(out.get(), &src);
  EXPECT_EQ(out->Width(), 200);
  EXPECT_EQ(out->Height(), 200);
  EXPECT_EQ(out->PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(src.PixelFormat(), TIEPixelFormat::ie8g);  // the caller's bitmap stays
  EXPECT_EQ(p.DpiY, 100);
  EXPECT_EQ(p.EXIFYResolution, 100);  // through the setter
}

// ---- Attachment ------------------------------------------------------------------------------

TEST_F(ImgIOTest, AttachmentToAView) {
  auto view = std::make_unique<TIEFakeView>();
  ASSERT_TRUE(IO->IEBitmapOwned());
  IO->SetAttachedImg(view.get());
  EXPECT_EQ(view->ListenerCount(), 1);
  EXPECT_EQ(IO->IEBitmap(), view->GetIEBitmap());
  EXPECT_FALSE(IO->IEBitmapOwned());
  EXPECT_NE(IO->ListenerHandle(), -1);

  // Background belongs to the view.
  view->SetBackground(0x123456);
  IO->SetBackground(0x654321);
  EXPECT_EQ(IO->GetBackground(), 0x123456);
  EXPECT_EQ(view->Background(), 0x123456);

  // A load tells the view.
  IO->LoadFromFile(Dir.File("a.iot"));
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(view->Own.Width(), 3);
  EXPECT_EQ(view->DpiX, 72);
  EXPECT_EQ(view->ImageChanges, 1);
  EXPECT_GE(view->Updates, 1);

  // The view replaces its bitmap: the component follows.
  TIEBitmap external;
  view->SetExternalBitmap(&external);
  EXPECT_EQ(IO->IEBitmap(), &external);
  view->SetExternalBitmap(nullptr);  // silent in the view: it notifies on its own
  view->NotifyChanged();
  EXPECT_EQ(IO->IEBitmap(), &view->Own);

  // Detach: back to an own bitmap and an own background.
  IO->SetAttachedImg(nullptr);
  EXPECT_EQ(view->ListenerCount(), 0);
  EXPECT_TRUE(IO->IEBitmapOwned());
  IO->SetBackground(0x654321);
  EXPECT_EQ(IO->GetBackground(), 0x654321);
  IO->SetAttachedImg(nullptr);  // an own bitmap is replaced without a leak

  // The view dies while attached.
  IO->SetAttachedImg(view.get());
  view.reset();
  EXPECT_EQ(IO->AttachedImg(), nullptr);
  EXPECT_EQ(IO->ListenerHandle(), -1);
  EXPECT_TRUE(IO->IEBitmapOwned());
  IO->LoadFromFile(Dir.File("a.iot"));
  EXPECT_EQ(IO->IEBitmap()->Width(), 3);
}

TEST_F(ImgIOTest, AttachmentStates) {
  TIEFakeView view;
  // A view that shows only a platform bitmap: an own bitmap wraps it.
  TBitmap platform;
  platform.SetPixelFormat(TPixelFormat::pf24bit);
  platform.SetSize(4, 3);
  view.Platform = &platform;
  IO->SetAttachedImg(&view);
  EXPECT_TRUE(IO->IEBitmapOwned());
  EXPECT_EQ(IO->Bitmap(), &platform);
  EXPECT_EQ(IO->IEBitmap()->Width(), 4);
  EXPECT_EQ(IO->GetPlatformBitmap(), &platform);
  IO->SetAttachedImg(nullptr);
  EXPECT_EQ(IO->Bitmap(), nullptr);
  view.Platform = nullptr;

  // SetIEBitmap(nil) with a view attached only drops the listener.
  IO->SetAttachedImg(&view);
  IO->SetIEBitmap(nullptr);
  EXPECT_EQ(view.ListenerCount(), 0);
  EXPECT_EQ(IO->AttachedImg(), &view);
  EXPECT_EQ(IO->IEBitmap(), &view.Own);

  // An outside bitmap ends the attachment and is never freed here.
  TIEBitmap outside;
  IO->SetIEBitmap(&outside);
  EXPECT_EQ(IO->AttachedImg(), nullptr);
  EXPECT_EQ(IO->IEBitmap(), &outside);
  EXPECT_FALSE(IO->IEBitmapOwned());
  IO.reset();
  EXPECT_TRUE(outside.IsEmpty());  // still alive (ASan would report otherwise)
}

TEST_F(ImgIOTest, AttachmentToATImage) {
  auto image = std::make_unique<TImage>(nullptr);
  IO->SetAttachedTImage(image.get());
  EXPECT_EQ(IO->Bitmap(), image->Picture()->Bitmap());
  IO->LoadFromFile(Dir.File("a.iot"));
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(image->Picture()->Bitmap()->Width(), 3);
  EXPECT_TRUE(image->Picture()->Bitmap()->Modified());
  // The image dies: the component forgets its bitmap.
  image.reset();
  EXPECT_EQ(IO->AttachedTImage(), nullptr);
  EXPECT_EQ(IO->Bitmap(), nullptr);
  IO->LoadFromFile(Dir.File("a.iot"));
  EXPECT_EQ(IO->IEBitmap()->Width(), 3);
}

// ---- Small operations -------------------------------------------------------------------------

TEST_F(ImgIOTest, DefaultsAndSmallOperations) {
  TImgIO io;
  EXPECT_EQ(io.Params().DpiX, 300);
  EXPECT_EQ(io.MonoConversion(), 1);
  EXPECT_TRUE(io.SimplifiedParamsDialogs);
  EXPECT_EQ(io.ListenerHandle(), -1);
  EXPECT_EQ(io.GetBackground(), 0);
  EXPECT_EQ(io.Params().Owner, &io);

  int32_t last = -1;
  io.OnProgress = [&](TObject*, int32_t Per) { last = Per; };
  EXPECT_TRUE(io.DoProgress(150));
  EXPECT_EQ(last, 100);
  io.AbortFlag = true;
  EXPECT_FALSE(io.DoProgress(-5));
  EXPECT_EQ(last, 0);

  io.SetMonoConversion(0);
  EXPECT_EQ(io.IEBitmap()->BWConversion(), 0);
  EXPECT_EQ(io.MonoConversion(), 0);

  IO->Params().Width = 1234;
  io.AssignParams(IO.get());
  EXPECT_EQ(io.Params().Width, 1234);
  TIEBitmap other;
  io.AssignParams(&other);  // not a component with Params: ignored
  EXPECT_EQ(io.Params().Width, 1234);
  TIOParamsVals record;
  record.Width = 77;
  io.AssignParams(static_cast<TObject*>(&record));  // a record given as any object is copied
  EXPECT_EQ(io.Params().Width, 77);

  // Missing resolutions are those below 2.
  io.Params().SetDpiX(1);
  io.Params().SetDpiY(2);
  io.DefaultDpiIfMissing();
  EXPECT_EQ(io.Params().DpiX, IEDefaultDpiX);
  EXPECT_EQ(io.Params().DpiY, 2);

  // An acquired bitmap: a handler may take it, else it becomes the working bitmap.
  TIEBitmap scanned;
  scanned.Allocate(6, 5, TIEPixelFormat::ie24RGB);
  TIOParamsVals* out = nullptr;
  io.OnAcquireBitmap = [](TObject*, TIEBitmap*, bool& Handled) { Handled = true; };
  io.AcquiredBitmap(&scanned, out);
  EXPECT_EQ(out, nullptr);
  EXPECT_NE(io.IEBitmap()->Width(), 6);
  io.OnAcquireBitmap = nullptr;
  io.AcquiredBitmap(&scanned, out);
  EXPECT_EQ(out, &io.Params());
  EXPECT_EQ(io.IEBitmap()->Width(), 6);

  // PrepareBitmap refuses formats outside a non-empty set.
  io.IEBitmap()->Allocate(2, 2, TIEPixelFormat::ie8g);
  EXPECT_TRUE(io.PrepareBitmap({}));
  EXPECT_FALSE(io.PrepareBitmap({TIEPixelFormat::ie24RGB}));
  io.SetIEBitmap(nullptr);
  EXPECT_FALSE(io.PrepareBitmap({}));
}

TEST(ImgIOSlots, DestroyClosesTheOpenDocumentsAndFiles) {
  struct TSlot : TIEIOSlot {
    explicit TSlot(int& ACount) : Count(ACount) {}
    void Close() override { ++Count; }
    int& Count;
  };
  int closed = 0;
  {
    TImgIO io;
    io.AVIFile = std::make_unique<TSlot>(closed);
    io.MediaFile = std::make_unique<TSlot>(closed);
    io.PSDocument = std::make_unique<TSlot>(closed);
    io.PDFDocument = std::make_unique<TSlot>(closed);
    io.ClosePSFile();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(io.PSDocument, nullptr);
  }
  EXPECT_EQ(closed, 4);
}

// ---- Format-options dialog --------------------------------------------------------------------

class TFakePreviews : public TIEPreviewsDialog {
 public:
  explicit TFakePreviews(TComponent* Owner) : FForm(Owner) { ++Created; }
  TComponent* Form() override { return &FForm; }
  void SetLockPreview(bool Value) override { Lock = Value; }
  void SetParams(TIOParamsVals* Value) override { Params = Value; }
  void SetSimplified(bool Value) override { Simplified = Value; }
  void SetPageControlHeight(int32_t Value) override { PageHeight = Value; }
  void SetFormHeight(int32_t Value) override { FormHeight = Value; }
  void SetMonoConversion(uint8_t Value) override { Mono = Value; }
  void SetPreviewFont(TFont* Font) override { FontGiven = Font != nullptr; }
  TIEImgViewServices* FirstView() override { return &First; }
  TIEView* FirstViewBase() override { return &First; }
  TIEImgViewServices* SecondView() override { return &Second; }
  bool SelectPages(TIEPreviewPages) override { return Accept; }
  int32_t ShowModal() override {
    ShownWith = First.GetIEBitmap();
    return Modal;
  }
  void Release() override { Released = true; }

  static inline int Created = 0;
  static inline bool Accept = true;
  static inline int32_t Modal = 1;
  TComponent FForm;
  TIEFakeView First, Second;
  TIEBitmap* ShownWith = nullptr;
  TIOParamsVals* Params = nullptr;
  bool Lock = false, Simplified = false, FontGiven = false, Released = false;
  int32_t PageHeight = 0, FormHeight = 0;
  uint8_t Mono = 9;
};

TEST_F(ImgIOTest, DoPreviews) {
  std::unique_ptr<TFakePreviews> last;
  IEPreviewsDialogFactory = [&last](TComponent* Owner) {
    last = std::make_unique<TFakePreviews>(Owner);
    return last.get();
  };
  // A handler that takes it over: no dialog.
  IO->OnDoPreviews = [](TObject*, bool& Handled) { Handled = true; };
  TFakePreviews::Created = 0;
  EXPECT_TRUE(IO->DoPreviews({}));
  EXPECT_EQ(TFakePreviews::Created, 0);
  IO->OnDoPreviews = nullptr;

  IO->IEBitmap()->Allocate(3, 3, TIEPixelFormat::ie8g);
  IO->SetPreviewsParams({TIOPreviewsParamsItem::ioppDefaultLockPreview});
  TComponent* shownForm = nullptr;
  IO->OnIOPreview = [&](TObject*, TComponent* Form) { shownForm = Form; };
  TFakePreviews::Accept = true;
  TFakePreviews::Modal = 1;
  EXPECT_TRUE(IO->DoPreviews({}));
  ASSERT_TRUE(last);
  EXPECT_EQ(IO->IEBitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(last->PageHeight, 122);
  EXPECT_EQ(last->FormHeight, 360);
  EXPECT_TRUE(last->Lock);
  EXPECT_EQ(last->Params, &IO->Params());
  EXPECT_EQ(last->Mono, 1);
  EXPECT_TRUE(last->FontGiven);
  EXPECT_EQ(last->ShownWith, IO->IEBitmap());              // lent during the modal run
  EXPECT_EQ(last->First.GetIEBitmap(), &last->First.Own);  // and taken back
  EXPECT_TRUE(last->Released);
  EXPECT_EQ(shownForm, last->Form());

  TFakePreviews::Modal = 2;
  EXPECT_FALSE(IO->DoPreviews({}));
  TFakePreviews::Accept = false;
  EXPECT_FALSE(IO->DoPreviews({}));
  EXPECT_EQ(last->ShownWith, nullptr);
  EXPECT_TRUE(last->Released);
  IEPreviewsDialogFactory = nullptr;
  EXPECT_FALSE(IO->DoPreviews({}));
}

}  // namespace
