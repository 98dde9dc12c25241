// The per-format load and save methods of TImgIO over the real codecs: the
// dispatch round trip, stream header blocks, GIF composition, the EXIF and
// JPEG marker steps of the savers, the writers' conversions, the loader
// differences, the metafile import, safe file saves and the text export.
#include "imaging/io/core/ieimgio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/codecs/bmp/ieico.h"
#include "imaging/io/codecs/gif/gif_testing.h"
#include "imaging/io/codecs/pcx/iepcx.h"
#include "imaging/io/codecs/png/iepng.h"
#include "imaging/io/codecs/tiff/ietiffread.h"
#include "imaging/io/core/ieimgio_testing.h"
#include "imaging/io/core/testsupport/xcheck.h"
#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/processing/ieview_testing.h"
#include "platform/gui/graphics.h"
#include "platform/gui/metafile_testing.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t kUnchanged = 77;  // FileType before an operation

Bytes Contents(TCustomMemoryStream& S) {
  const auto* p = static_cast<const uint8_t*>(S.Memory());
  return Bytes(p, p + S.Size());
}

Bytes FileBytes(const std::string& Path) {
  Bytes b;
  IEReadBytesFile(Path, b);
  return b;
}

// W x H ie24RGB with a different colour in every pixel.
void Gradient(TIEBitmap* B, int32_t W, int32_t H) {
  B->Allocate(W, H, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *B->PixelRGB(x, y) = TRGB{uint8_t(100), uint8_t(40 * y), uint8_t(30 * x)};
}

TRGB Pixel(TIEBitmap* B, int32_t X, int32_t Y) {
  TRGB c;
  B->GetPixelAsRGB(X, Y, c);
  return c;
}

bool Same(const TRGB& A, const TRGB& B) { return A.r == B.r && A.g == B.g && A.b == B.b; }

// The codes of the marker segments of a JPEG stream up to its first scan.
std::vector<uint8_t> MarkerCodes(const Bytes& Jpeg) {
  std::vector<uint8_t> codes;
  for (size_t i = 2; i + 4 <= Jpeg.size() && Jpeg[i] == 0xFF && Jpeg[i + 1] != 0xDA;
       i += 2 + size_t(Jpeg[i + 2] << 8 | Jpeg[i + 3]))
    codes.push_back(Jpeg[i + 1]);
  return codes;
}

size_t Count(const std::vector<uint8_t>& Codes, uint8_t Code) {
  return size_t(std::count(Codes.begin(), Codes.end(), Code));
}

// A component with its events counted and an image to save.
class ImgIOMethodsTest : public ::testing::Test {
 public:
  void SetUp() override {
    IEInitImageIO();
    Fresh();
  }
  void Fresh() {
    IO = std::make_unique<TImgIO>();
    Log = std::make_unique<TEventLog>();
    Log->Attach(*IO);
  }
  TIEBitmap* Bitmap() { return IO->IEBitmap(); }

  TIETempDir Dir;
  std::unique_ptr<TImgIO> IO;
  std::unique_ptr<TEventLog> Log;
};

// ---- Dispatch -------------------------------------------------------------------------------

class ImgIOMethodsDispatch : public ImgIOMethodsTest {};

// Every stream saver and loader of the table, through SaveToStream,
// LoadFromStreamAs and the header-only read.
TEST_F(ImgIOMethodsDispatch, EveryFormatGoesThroughItsStreamMethods) {
  struct TCase {
    int32_t Code;
    TIEPixelFormat Loaded;
  };
  const TCase cases[] = {
      {fcTIFF, TIEPixelFormat::ie24RGB}, {fcGIF, TIEPixelFormat::ie24RGB}, {fcJPEG, TIEPixelFormat::ie24RGB},
      {fcPCX, TIEPixelFormat::ie24RGB},  {fcBMP, TIEPixelFormat::ie24RGB}, {fcICO, TIEPixelFormat::ie24RGB},
      {fcPNG, TIEPixelFormat::ie24RGB},  {fcTGA, TIEPixelFormat::ie24RGB}, {fcPXM, TIEPixelFormat::ie24RGB},
      {fcJP2, TIEPixelFormat::ie24RGB},  {fcJ2K, TIEPixelFormat::ie24RGB}, {fcWBMP, TIEPixelFormat::ie1g},
      {fcDCX, TIEPixelFormat::ie24RGB},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Code);
    Fresh();
    Gradient(Bitmap(), 8, 6);
    IO->Params().ICOSizes[0] = TIEICOSize{8, 6};
    IO->Params().ICOBitCounts[0] = 24;
    TMemoryStream s;
    IO->SaveToStream(&s, c.Code);
    EXPECT_FALSE(IO->AbortFlag);
    ASSERT_GT(s.Size(), 0);

    TImgIO in;
    TEventLog log;
    log.Attach(in);
    in.Params().FileType = kUnchanged;
    s.SetPosition(0);
    in.ReadParamsFromStreamAs(&s, c.Code);
    EXPECT_FALSE(in.AbortFlag);
    EXPECT_EQ(in.Params().Width, 8);
    EXPECT_EQ(in.Params().Height, 6);
    EXPECT_TRUE(in.IEBitmap()->IsEmpty());  // a header-only read draws nothing
    s.SetPosition(0);
    in.LoadFromStreamAs(&s, c.Code);
    EXPECT_FALSE(in.AbortFlag);
    EXPECT_EQ(in.Params().FileType, c.Code);
    EXPECT_EQ(in.IEBitmap()->Width(), 8);
    EXPECT_EQ(in.IEBitmap()->Height(), 6);
    EXPECT_EQ(in.IEBitmap()->PixelFormat(), c.Loaded);
    EXPECT_EQ(log.Finished.load(), 2);
  }
}

TEST_F(ImgIOMethodsDispatch, FilesLoadByExtensionAndContent) {
  Gradient(Bitmap(), 8, 6);
  const char* names[] = {"a.tif", "a.gif", "a.jpg", "a.pcx", "a.bmp", "a.png",
                         "a.tga", "a.ppm", "a.jp2", "a.j2k", "a.dcx", "a.wbmp"};
  const int32_t codes[] = {fcTIFF, fcGIF, fcJPEG, fcPCX, fcBMP, fcPNG, fcTGA, fcPXM, fcJP2, fcJ2K, fcDCX, fcWBMP};
  for (size_t i = 0; i < std::size(names); ++i) {
    SCOPED_TRACE(names[i]);
    IO->SaveToFile(Dir.File(names[i]));
    EXPECT_FALSE(IO->AbortFlag);
    TImgIO in;
    // Name and type are in place when the end event fires.
    String nameAtFinish;
    int32_t typeAtFinish = 0;
    in.OnFinishWork = [&](TObject*) {
      nameAtFinish = in.Params().FileName;
      typeAtFinish = in.Params().FileType;
    };
    in.LoadFromFile(Dir.File(names[i]));
    EXPECT_FALSE(in.AbortFlag);
    EXPECT_EQ(in.Params().FileType, codes[i]);
    EXPECT_EQ(in.Params().FileName, Dir.File(names[i]));
    EXPECT_EQ(nameAtFinish, Dir.File(names[i]));
    EXPECT_EQ(typeAtFinish, codes[i]);
    EXPECT_EQ(in.IEBitmap()->Width(), 8);
    if (codes[i] != fcWBMP) {  // not detected by content
      TImgIO byContent;
      byContent.LoadFromFileByContent(Dir.File(names[i]));
      EXPECT_EQ(byContent.Params().FileType, codes[i]);
      EXPECT_EQ(byContent.IEBitmap()->Height(), 6);
    }
  }
  // PostScript and PDF are written, one page each.
  IO->SaveToFile(Dir.File("a.ps"));
  IO->SaveToFile(Dir.File("a.pdf"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(FileBytes(Dir.File("a.ps")).data()), 4), "%!PS");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(FileBytes(Dir.File("a.pdf")).data()), 4), "%PDF");
}

// ---- Stream header blocks ---------------------------------------------------------------------

class ImgIOMethodsStreamHeaders : public ImgIOMethodsTest {};

int32_t BlockLength(const Bytes& B, size_t At) {
  return int32_t(uint32_t(B[At + 8]) | uint32_t(B[At + 9]) << 8 | uint32_t(B[At + 10]) << 16 |
                 uint32_t(B[At + 11]) << 24);
}

TEST_F(ImgIOMethodsStreamHeaders, ImagesFollowOneAnotherInOneStream) {
  IO->StreamHeaders = true;
  TMemoryStream s;
  std::vector<int64_t> ends;
  const struct {
    int32_t W;
    void (TImgIO::*Save)(TStream*);
    const char* Magic;
  } saves[] = {{8, &TImgIO::SaveTIFFStream, "TIFF"},
               {5, &TImgIO::SaveJPEGStream, "JFIF"},
               {7, &TImgIO::SaveTIFFStream, "TIFF"},  // offsets past the blocks before it
               {3, &TImgIO::SavePCXStream, "PCX2"}};
  for (const auto& save : saves) {
    Gradient(Bitmap(), save.W, 4);
    (IO.get()->*save.Save)(&s);
    EXPECT_FALSE(IO->AbortFlag);
    ends.push_back(s.Position());
  }
  const Bytes all = Contents(s);
  int64_t start = 0;
  for (size_t i = 0; i < std::size(saves); ++i) {
    SCOPED_TRACE(saves[i].Magic);
    EXPECT_EQ(std::memcmp(&all[size_t(start)], saves[i].Magic, 4), 0);
    EXPECT_EQ(all[size_t(start) + 4], 0);
    // The length is that of the data after the block, which ends where the
    // stream ends.
    EXPECT_EQ(BlockLength(all, size_t(start)), ends[i] - start - 12);
    start = ends[i];
  }
  EXPECT_EQ(s.Size(), ends.back());
  // The data after a block is the image written without one.
  {
    TImgIO plain;
    Gradient(plain.IEBitmap(), 5, 4);
    TMemoryStream j;
    plain.SaveJPEGStream(&j);
    const Bytes jpeg = Contents(j);
    ASSERT_EQ(ends[1] - ends[0] - 12, int64_t(jpeg.size()));
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), all.begin() + ends[0] + 12));
  }

  // Loaded back in turn; each load leaves the stream at the next block.
  TImgIO in;
  in.StreamHeaders = true;
  s.SetPosition(0);
  EXPECT_EQ(in.LoadTIFFStream(&s), 1);
  EXPECT_EQ(in.IEBitmap()->Width(), 8);
  EXPECT_TRUE(Same(Pixel(in.IEBitmap(), 7, 3), TRGB{100, 120, 210}));
  EXPECT_EQ(s.Position(), ends[0]);
  in.LoadJPEGStream(&s);
  EXPECT_FALSE(in.AbortFlag);
  EXPECT_EQ(in.IEBitmap()->Width(), 5);
  EXPECT_EQ(s.Position(), ends[1]);
  EXPECT_EQ(in.LoadTIFFStream(&s), 1);
  EXPECT_FALSE(in.AbortFlag);
  EXPECT_EQ(in.IEBitmap()->Width(), 7);
  EXPECT_TRUE(Same(Pixel(in.IEBitmap(), 6, 3), TRGB{100, 120, 180}));
  EXPECT_EQ(s.Position(), ends[2]);
  in.LoadPCXStream(&s);
  EXPECT_FALSE(in.AbortFlag);
  EXPECT_EQ(in.IEBitmap()->Width(), 3);
  EXPECT_EQ(s.Position(), ends[3]);
}

TEST_F(ImgIOMethodsStreamHeaders, BlocksAreReadOnlyWhenTheyAreWhole) {
  TImgIO maker;
  Gradient(maker.IEBitmap(), 6, 3);
  TMemoryStream ms;
  maker.SaveJPEGStream(&ms);
  const Bytes jpeg = Contents(ms);
  ms.SetSize(0);
  maker.SavePCXStream(&ms);
  const Bytes pcx = Contents(ms);
  ms.SetSize(0);
  maker.SaveTIFFStream(&ms);
  const Bytes tiff = Contents(ms);
  const auto block = [](const char* Magic, int32_t Length, const Bytes& Data) {
    Bytes b(12, 0xAA);  // bytes 5 to 7 are not read
    std::memcpy(b.data(), Magic, std::strlen(Magic));
    if (std::strlen(Magic) < 5) b[std::strlen(Magic)] = 0;
    for (int i = 0; i < 4; ++i) b[size_t(8 + i)] = uint8_t(uint32_t(Length) >> (8 * i));
    b.insert(b.end(), Data.begin(), Data.end());
    return b;
  };
  const auto plus = [](Bytes A, const char* Tail) {
    A.insert(A.end(), Tail, Tail + std::strlen(Tail));
    return A;
  };
  Bytes oldPCX{'P', 'C', 'X', '?'};
  oldPCX.insert(oldPCX.end(), pcx.begin(), pcx.end());
  struct TCase {
    const char* Name;
    Bytes Data;
    int32_t Code;
    bool StreamHeaders;
    bool Loads;
    int64_t PositionAfter;  // -1: not checked
  };
  const int64_t jpegBlockEnd = 12 + int64_t(jpeg.size());
  const TCase cases[] = {
      {"JPEG from its first byte with StreamHeaders", jpeg, fcJPEG, true, true, -1},
      {"JFIF block recognised without StreamHeaders", plus(block("JFIF", int32_t(jpeg.size()), jpeg), "next"), fcJPEG,
       false, true, jpegBlockEnd},
      {"old 4-byte PCX header", oldPCX, fcPCX, true, true, -1},
      {"PCX2 block", plus(block("PCX2", int32_t(pcx.size()), pcx), "next"), fcPCX, true, true,
       12 + int64_t(pcx.size())},
      {"wrong TIFF magic", block("TIFX", int32_t(tiff.size()), tiff), fcTIFF, true, false, 12},
      {"TIFF magic of five letters", block("TIFFF", int32_t(tiff.size()), tiff), fcTIFF, true, false, 12},
      {"wrong PCX magic", block("XPC2", int32_t(pcx.size()), pcx), fcPCX, true, false, 12},
      {"negative length", block("TIFF", -5, tiff), fcTIFF, true, false, 12},
      {"length past the stream", block("JFIF", int32_t(jpeg.size()) + 1, jpeg), fcJPEG, false, false, 12},
      {"block cut short", Bytes{'T', 'I', 'F', 'F', 0, 0}, fcTIFF, true, false, -1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Fresh();
    IO->StreamHeaders = c.StreamHeaders;
    IO->Params().FileType = kUnchanged;
    TIEMemStream s(c.Data.data(), int64_t(c.Data.size()));
    int32_t pages = -2;
    if (c.Code == fcTIFF)
      pages = IO->LoadTIFFStream(&s);
    else if (c.Code == fcPCX)
      IO->LoadPCXStream(&s);
    else
      IO->LoadJPEGStream(&s);
    EXPECT_EQ(Log->Finished.load(), 1);
    EXPECT_EQ(IO->AbortFlag.load(), !c.Loads);
    EXPECT_EQ(Bitmap()->Width(), c.Loads ? 6 : 0);
    if (c.Code == fcTIFF) {
      EXPECT_EQ(pages, c.Loads ? 1 : 0);
    }
    if (c.Code != fcJPEG && !c.Loads) {
      EXPECT_EQ(IO->Params().FileType, kUnchanged);  // ended before the tail
    }
    if (c.PositionAfter >= 0) {
      EXPECT_EQ(s.Position(), c.PositionAfter);
    }
  }
}

TEST_F(ImgIOMethodsStreamHeaders, AFailedPCXSaveLeavesTheReservedBytes) {
  IO->StreamHeaders = true;
  Gradient(Bitmap(), 6, 40);
  TMemoryStream s;
  s.WriteBuffer("ab", 2);
  IO->OnProgress = [this](TObject*, int32_t Per) {
    if (Per > 0 && Per < 100) IO->AbortFlag = true;
  };
  IO->SavePCXStream(&s);
  EXPECT_TRUE(IO->AbortFlag);
  const Bytes b = Contents(s);
  ASSERT_GE(b.size(), 14u);
  EXPECT_EQ(Bytes(b.begin() + 2, b.begin() + 14), Bytes(12, 0));  // no magic, no length
}

// ---- GIF composition --------------------------------------------------------------------------

class ImgIOMethodsGIF : public ImgIOMethodsTest {
 public:
  // black, white, red, green, blue, yellow, magenta, cyan
  static std::vector<giftest::TRgb3> Table() {
    return {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
            {0, 0, 255}, {255, 255, 0},   {255, 0, 255}, {0, 255, 255}};
  }
  // A 4 x 3 screen on white: frame 0 red at (0, 0) 3 x 2 with the given
  // disposal; frame 1 at (1, 1) 2 x 2, green with one transparent pixel at
  // (2, 1); frame 2 blue over the whole screen. Cut: the file ends after
  // frame 2's descriptor.
  static Bytes ThreeFrames(uint8_t Disposal0 = 0, bool Cut = false) {
    giftest::TGifBuilder b(4, 3, Table(), "GIF89a", 1);
    b.Control(uint8_t(Disposal0 << 2), 10, 0).Image(0, 0, 3, 2, Bytes(6, 2));
    b.Control(0x01, 10, 7).Image(1, 1, 2, 2, {3, 7, 3, 3});
    if (Cut) return b.Control(0, 10, 0).Raw({0x2C, 0, 0, 0, 0, 4, 0, 3, 0, 0}).Current();
    b.Control(0, 10, 0).Image(0, 0, 4, 3, Bytes(12, 4));
    return b.Done();
  }
  int32_t Load(const Bytes& Gif, int32_t Index) {
    IO->Params().GIFImageIndex = Index;
    TIEMemStream s(Gif.data(), int64_t(Gif.size()));
    return IO->LoadGIFStream(&s);
  }
  // The colour and alpha of a pixel of the working bitmap.
  std::pair<TRGB, int> At(int32_t X, int32_t Y) {
    return {Pixel(Bitmap(), X, Y), Bitmap()->HasAlphaChannel() ? Bitmap()->AlphaChannel()->GetPixel8(X, Y) : -1};
  }
};

constexpr TRGB kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

TEST_F(ImgIOMethodsGIF, FramesAreComposedOnTheLogicalScreen) {
  struct TPixel {
    int32_t X, Y;
    TRGB Colour;
    int Alpha;
  };
  struct TCase {
    const char* Name;
    uint8_t Disposal0;
    int32_t Index;
    std::vector<TPixel> Pixels;
  };
  const TCase cases[] = {
      {"frame 1 over frame 0",
       0,
       1,
       {{0, 0, kRed, 255},
        {1, 1, kGreen, 255},
        {2, 1, kRed, 255},
        {1, 2, kGreen, 255},
        {3, 0, kWhite, 0},
        {0, 2, kWhite, 0}}},
      {"frame 0 restored to the background",
       2,
       1,
       {{0, 0, kWhite, 0}, {1, 1, kGreen, 255}, {2, 1, kWhite, 0}, {2, 2, kGreen, 255}, {3, 2, kWhite, 0}}},
      {"first frame alone on the screen", 0, 0, {{0, 0, kRed, 255}, {2, 1, kRed, 255}, {3, 2, kWhite, 0}}},
      {"negative index: every frame", 0, -1, {{0, 0, kBlue, 255}, {3, 2, kBlue, 255}}},
      {"index past the last frame: every frame", 0, 99, {{1, 1, kBlue, 255}, {3, 0, kBlue, 255}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Fresh();
    EXPECT_EQ(Load(ThreeFrames(c.Disposal0), c.Index), 3);
    EXPECT_FALSE(IO->AbortFlag);
    EXPECT_EQ(Log->Finished.load(), 1);
    EXPECT_EQ(IO->Params().GIFImageIndex, c.Index);
    EXPECT_EQ(IO->Params().FileType, fcGIF);
    ASSERT_EQ(Bitmap()->Width(), 4);
    ASSERT_EQ(Bitmap()->Height(), 3);
    EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
    for (const TPixel& p : c.Pixels) {
      SCOPED_TRACE(testing::Message() << p.X << "," << p.Y);
      const auto [colour, alpha] = At(p.X, p.Y);
      EXPECT_TRUE(Same(colour, p.Colour));
      EXPECT_EQ(alpha, p.Alpha);
    }
    EXPECT_EQ(IO->GetBackground(), 0xFFFFFF);  // the screen's background colour
  }
}

TEST_F(ImgIOMethodsGIF, FromAFileTheCountAndTheNameAreKept) {
  const Bytes gif = ThreeFrames();
  IEWriteBytesFile(Dir.File("anim.gif"), gif);
  IO->Params().GIFImageIndex = 1;
  EXPECT_EQ(IO->LoadGIFFile(Dir.File("anim.gif")), 3);
  EXPECT_EQ(IO->Params().GIFImageIndex, 1);
  EXPECT_EQ(IO->Params().FileName, Dir.File("anim.gif"));
  EXPECT_TRUE(Same(At(2, 1).first, kRed));
  EXPECT_TRUE(Log->FinishAfterProgress);
}

TEST_F(ImgIOMethodsGIF, ASingleFrameIsTheFrameWithItsMask) {
  giftest::TGifBuilder b(4, 4, Table(), "GIF89a", 1);
  b.Control(0x01, 0, 7).Image(1, 1, 2, 2, {2, 7, 3, 3});
  EXPECT_EQ(Load(b.Done(), 0), 1);
  ASSERT_EQ(Bitmap()->Width(), 2);  // the frame, not the screen
  ASSERT_TRUE(Bitmap()->HasAlphaChannel());
  EXPECT_EQ(At(0, 0).second, 255);
  EXPECT_EQ(At(1, 0).second, 0);
  EXPECT_TRUE(Same(At(0, 1).first, kGreen));
}

TEST_F(ImgIOMethodsGIF, ABlackAndWhiteFrameOverColourStaysInColour) {
  giftest::TGifBuilder b(4, 3, Table(), "GIF89a", 1);
  b.Control(0, 0, 0).Image(0, 0, 4, 3, Bytes(12, 2));
  b.Control(0, 0, 0).Image(0, 0, 2, 1, {0, 1}, false, {{0, 0, 0}, {255, 255, 255}}, 2);
  EXPECT_EQ(Load(b.Done(), 1), 2);
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_TRUE(Same(At(0, 0).first, kBlack));
  EXPECT_TRUE(Same(At(1, 0).first, kWhite));
  EXPECT_TRUE(Same(At(3, 2).first, kRed));  // not thresholded to black or white
  // Alone, a black-and-white frame stays 1-bit.
  giftest::TGifBuilder one(2, 1, {{0, 0, 0}, {255, 255, 255}});
  one.Image(0, 0, 2, 1, {0, 1}, false, {}, 2);
  Load(one.Done(), 0);
  EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ie1g);
}

TEST_F(ImgIOMethodsGIF, TheCanvasGrowsWithoutLosingWhatItHolds) {
  // Frame 0 is taller than the screen, frame 1 wider: the canvas becomes
  // 4 x 4, frame 0's lower rows kept; the new area is background, opaque.
  giftest::TGifBuilder b(2, 2, Table(), "GIF89a", 1);
  b.Image(0, 0, 2, 4, Bytes(8, 2)).Image(0, 0, 4, 1, Bytes(4, 3));
  EXPECT_EQ(Load(b.Done(), 1), 2);
  ASSERT_EQ(Bitmap()->Width(), 4);
  ASSERT_EQ(Bitmap()->Height(), 4);
  EXPECT_TRUE(Same(At(0, 3).first, kRed));
  EXPECT_TRUE(Same(At(3, 0).first, kGreen));
  EXPECT_TRUE(Same(At(3, 3).first, kWhite));
  EXPECT_EQ(At(3, 3).second, 255);
}

TEST_F(ImgIOMethodsGIF, AFailedFrameKeepsTheLastComposedResult) {
  ASSERT_EQ(Load(ThreeFrames(), 1), 3);
  std::vector<std::pair<TRGB, int>> expected;
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) expected.push_back(At(x, y));
  Fresh();
  Load(ThreeFrames(0, true), -1);
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(IO->Params().FileType, fcGIF);
  EXPECT_EQ(IO->Params().GIFImageIndex, -1);
  ASSERT_EQ(Bitmap()->Width(), 4);
  size_t i = 0;
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x, ++i) {
      const auto got = At(x, y);
      EXPECT_TRUE(Same(got.first, expected[i].first)) << x << "," << y;
      EXPECT_EQ(got.second, expected[i].second) << x << "," << y;
    }
}

TEST_F(ImgIOMethodsGIF, AScreenNoDataCouldFillIsRefused) {
  // Two 1 x 1 frames on a 65000 x 30000 screen: 5.8 GB of canvas from a few
  // dozen bytes.
  giftest::TGifBuilder b(65000, 30000, Table());
  b.Image(0, 0, 1, 1, {2}).Image(0, 0, 1, 1, {3});
  Load(b.Done(), 1);
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(Log->Finished.load(), 1);
}

// ---- EXIF normalisation and JPEG segments --------------------------------------------------

class ImgIOMethodsEXIF : public ImgIOMethodsTest {};

TEST_F(ImgIOMethodsEXIF, JPEGAndTIFFFileSaversNormaliseTheFields) {
  struct TCase {
    const char* Name;
    bool HasEXIF;
    const char* Version;
    int32_t Orientation;
    double XRes;
    int32_t Unit;
    const char* NewVersion;
    int32_t NewOrientation;
    double NewXRes;
    int32_t NewDpiX;
    int32_t NewUnit;
  };
  const TCase cases[] = {
      {"valid fields stay", true, "0220", 6, 150, 3, "0220", 6, 150, 300, 3},
      {"empty version", true, "", 1, 150, 2, "0210", 1, 150, 300, 2},
      {"version 9 or less", true, "0001", 1, 150, 2, "0210", 1, 150, 300, 2},
      {"version not a number", true, "abcd", 1, 150, 2, "0210", 1, 150, 300, 2},
      {"version of five letters", true, "02200", 1, 150, 2, "0210", 1, 150, 300, 2},
      {"no EXIF: the version is left", false, "", 1, 150, 2, "", 1, 150, 300, 2},
      {"orientation 0", false, "", 0, 150, 2, "", 1, 150, 300, 2},
      {"orientation 9", false, "", 9, 150, 2, "", 1, 150, 300, 2},
      {"resolution 0 becomes 72, also DpiX", false, "", 1, 0, 2, "", 1, 72, 72, 2},
      {"negative resolution", true, "0230", 1, -3, 2, "0230", 1, 72, 72, 2},
      {"unit 0", false, "", 1, 150, 0, "", 1, 150, 300, 2},
  };
  for (const bool tiff : {false, true}) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(testing::Message() << c.Name << (tiff ? " (TIFF)" : " (JPEG)"));
      Fresh();
      Gradient(Bitmap(), 7, 5);
      TIOParamsVals& p = IO->Params();
      p.HasEXIFData = c.HasEXIF;
      p.EXIFVersion = c.Version;
      p.EXIFOrientation = p.TIFFOrientation = c.Orientation;
      p.EXIFXResolution = c.XRes;
      p.EXIFYResolution = 150;
      p.EXIFResolutionUnit = c.Unit;
      p.DpiX = p.DpiY = 300;
      if (tiff)
        IO->SaveTIFFFile(Dir.File("n.tif"));
      else
        IO->SaveJPEGFile(Dir.File("n.jpg"));
      EXPECT_FALSE(IO->AbortFlag);
      EXPECT_EQ(p.EXIFVersion, c.NewVersion);
      EXPECT_EQ(p.EXIFOrientation, c.NewOrientation);
      EXPECT_EQ(p.TIFFOrientation, c.NewOrientation);
      EXPECT_EQ(p.EXIFXResolution, c.NewXRes);
      EXPECT_EQ(p.DpiX, c.NewDpiX);
      EXPECT_EQ(p.EXIFResolutionUnit, c.NewUnit);
      EXPECT_EQ(p.EXIFImageWidth, 7);
      EXPECT_EQ(p.EXIFImageHeight, 5);
      if (!tiff && c.HasEXIF) {
        // What was normalised is what the file holds.
        TImgIO back;
        back.LoadJPEGFile(Dir.File("n.jpg"));
        EXPECT_TRUE(back.Params().HasEXIFData);
        EXPECT_EQ(back.Params().EXIFVersion, c.NewVersion);
        EXPECT_EQ(back.Params().EXIFOrientation, c.NewOrientation);
      }
    }
  }
  // The stream saver leaves the record alone.
  Fresh();
  Gradient(Bitmap(), 3, 3);
  IO->Params().HasEXIFData = true;
  IO->Params().EXIFVersion = "";
  IO->Params().EXIFOrientation = 0;
  TMemoryStream s;
  IO->SaveJPEGStream(&s);
  EXPECT_EQ(IO->Params().EXIFVersion, "");
  EXPECT_EQ(IO->Params().EXIFOrientation, 0);
}

TEST_F(ImgIOMethodsEXIF, JPEGSaversKeepOneIPTCAndOneEXIFSegment) {
  const std::string name = Dir.File("m.jpg");
  Gradient(Bitmap(), 6, 4);
  IO->Params().IPTCInfo.AddItem(2, 5, 5, "title");
  IO->Params().IPTCInfo.AddItem(2, 120, 7, "caption");
  IO->SaveJPEGFile(name);
  IO->SaveJPEGFile(name);
  EXPECT_EQ(Count(MarkerCodes(FileBytes(name)), 0xED), 1u);
  EXPECT_EQ(IO->Params().JPEGMarkers.Count(), 1);

  // Loaded, the segment comes back; emptied, it is removed.
  Fresh();
  IO->LoadJPEGFile(name);
  ASSERT_EQ(IO->Params().IPTCInfo.Count(), 2);
  EXPECT_GE(IO->Params().JPEGMarkers.IndexOf(0xED), 0);
  IO->Params().IPTCInfo.Clear();  // Changed, no items
  IO->SaveJPEGFile(name);
  EXPECT_EQ(IO->Params().JPEGMarkers.IndexOf(0xED), -1);
  EXPECT_EQ(Count(MarkerCodes(FileBytes(name)), 0xED), 0u);

  // With EXIF data the first APP1 is replaced, whatever it held.
  Fresh();
  Gradient(Bitmap(), 6, 4);
  const char xmp[] = "http://ns.adobe.com/xap/1.0/";
  IO->Params().JPEGMarkers.AddMarker(0xE1, xmp, int32_t(sizeof xmp));
  IO->Params().HasEXIFData = true;
  IO->Params().EXIFMake = "Maker";
  TMemoryStream s;
  IO->SaveJPEGStream(&s);
  ASSERT_EQ(IO->Params().JPEGMarkers.Count(), 1);
  EXPECT_EQ(std::memcmp(IO->Params().JPEGMarkers.MarkerData(0), "Exif\0\0", 6), 0);
  EXPECT_EQ(Count(MarkerCodes(Contents(s)), 0xE1), 1u);
  TImgIO back;
  s.SetPosition(0);
  back.LoadJPEGStream(&s);
  EXPECT_EQ(back.Params().EXIFMake, "Maker");
}

// ---- Writer conversions -------------------------------------------------------------------------

class ImgIOMethodsConversion : public ImgIOMethodsTest {};

TEST_F(ImgIOMethodsConversion, PXMFileKeeps48BitsWhileTheStreamConverts) {
  const auto rgb48 = [this] {
    Bitmap()->Allocate(3, 2, TIEPixelFormat::ieRGB48);
    Bitmap()->SetPixelRGB48(0, 0, TRGB48{65535, 1000, 7});
  };
  const auto has65535 = [](const Bytes& B) {
    const std::string head(B.begin(), B.begin() + std::min<size_t>(B.size(), 20));
    return head.find("65535") != std::string::npos;
  };
  rgb48();
  IO->SavePXMFile(Dir.File("p.ppm"));
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ieRGB48);
  EXPECT_TRUE(has65535(FileBytes(Dir.File("p.ppm"))));
  TMemoryStream s;
  IO->SavePXMStream(&s);
  EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);  // converted in place, and stays
  EXPECT_FALSE(has65535(Contents(s)));
}

TEST_F(ImgIOMethodsConversion, WritersGetWhatTheirTableSays) {
  // Icons: the sizes up to the first width of 0.
  Gradient(Bitmap(), 40, 40);
  auto& sizes = IO->Params().ICOSizes;
  sizes.fill(TIEICOSize{});
  sizes[0] = {32, 32};
  sizes[1] = {16, 16};
  sizes[3] = {48, 48};
  IO->Params().ICOBitCounts.fill(24);
  TMemoryStream ico;
  IO->SaveICOStream(&ico);
  ico.SetPosition(0);
  EXPECT_EQ(IEICOImageCount(&ico), 2);
  IO->SaveICOFile(Dir.File("i.ico"));
  TFileStream icoFile(Dir.File("i.ico"), fmOpenRead);
  EXPECT_EQ(IEICOImageCount(&icoFile), 2);

  // DCX: a stream holding two pages holds one afterwards.
  TMemoryStream dcx;
  {
    std::atomic<bool> abort{false};
    TIECodecProgress pr;
    pr.AbortFlag = &abort;
    IEEncodeDCX(&dcx, Bitmap(), IO->Params(), pr);
    IEEncodeDCX(&dcx, Bitmap(), IO->Params(), pr);
    dcx.SetPosition(0);
    ASSERT_EQ(IEDCXPageCount(&dcx), 2);
    IEWriteBytesFile(Dir.File("d.dcx"), Contents(dcx));
  }
  dcx.SetPosition(dcx.Size());
  IO->SaveDCXStream(&dcx);
  EXPECT_FALSE(IO->AbortFlag);
  dcx.SetPosition(0);
  EXPECT_EQ(IEDCXPageCount(&dcx), 1);
  IO->SaveDCXFile(Dir.File("d.dcx"));
  TFileStream dcxFile(Dir.File("d.dcx"), fmOpenRead);
  EXPECT_EQ(IEDCXPageCount(&dcxFile), 1);

  // PNG: alpha is written only for a bitmap with an alpha channel (colour
  // type at byte 25: 6 with alpha, 2 without).
  for (const bool alpha : {true, false}) {
    SCOPED_TRACE(alpha ? "with alpha" : "without alpha");
    Gradient(Bitmap(), 4, 4);
    if (alpha) Bitmap()->AlphaChannel()->SetPixel8(1, 1, 0);
    TMemoryStream png;
    IO->SavePNGStream(&png);
    const Bytes b = Contents(png);
    ASSERT_GT(b.size(), 26u);
    EXPECT_EQ(b[25], alpha ? 6 : 2);
    TImgIO back;
    png.SetPosition(0);
    back.LoadPNGStream(&png);
    ASSERT_TRUE(back.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(back.IEBitmap()->AlphaChannel()->GetPixel8(1, 1), alpha ? 0 : 255);
  }

  // JPEG converts a gray bitmap in place.
  Bitmap()->Allocate(4, 4, TIEPixelFormat::ie8g);
  TMemoryStream jpeg;
  IO->SaveJPEGStream(&jpeg);
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
}

// An alpha channel smaller than the image (CopyFromTIEBitmap keeps the old
// one) is never read by a writer: the image is written as opaque.
TEST_F(ImgIOMethodsConversion, WritersTakeASmallerAlphaChannelAsOpaque) {
  const int32_t codes[] = {fcJPEG, fcBMP, fcGIF, fcTIFF, fcPNG, fcPCX, fcTGA, fcICO, fcJ2K};
  for (const int32_t code : codes) {
    SCOPED_TRACE(code);
    Fresh();
    Bitmap()->Allocate(4, 4, TIEPixelFormat::ie24RGB);
    Bitmap()->AlphaChannel()->Fill(0);
    TIEBitmap big;
    Gradient(&big, 64, 64);
    Bitmap()->CopyFromTIEBitmap(&big);
    ASSERT_EQ(Bitmap()->AlphaChannel()->Width(), 4);
    IO->Params().BitsPerSample = 8;  // the BMP writer's 32-bit path
    IO->Params().SamplesPerPixel = code == fcBMP ? 4 : 3;
    IO->Params().ICOSizes[0] = TIEICOSize{64, 64};
    IO->Params().ICOBitCounts[0] = 32;
    TMemoryStream s;
    IO->SaveToStream(&s, code);
    ASSERT_FALSE(IO->AbortFlag);

    TImgIO back;
    s.SetPosition(0);
    back.LoadFromStreamAs(&s, code);
    ASSERT_FALSE(back.AbortFlag);
    TIEBitmap* b = back.IEBitmap();
    ASSERT_EQ(b->Width(), 64);
    // Flattened on white or written transparent, the corner would not keep
    // its colour (blue 100, green 40, red 30).
    const TRGB c = Pixel(b, 1, 1);
    EXPECT_NEAR(c.b, 100, 24);
    EXPECT_NEAR(c.r, 30, 24);
    if (b->HasAlphaChannel()) {
      EXPECT_EQ(b->AlphaChannel()->GetPixel8(1, 1), 255);
    }
  }
}

// ---- Loader differences --------------------------------------------------------------------------

class ImgIOMethodsLoaderSteps : public ImgIOMethodsTest {};

// Counts the view's SetDpi, which only the load frame calls (the record's
// resolution setters call SetDpiX and SetDpiY).
class TDpiCountingView : public TIEFakeView {
 public:
  void SetDpi(int32_t X, int32_t Y) override {
    ++SetDpiCalls;
    TIEFakeView::SetDpi(X, Y);
  }
  int SetDpiCalls = 0;
};

TEST_F(ImgIOMethodsLoaderSteps, ResamplingAndTheViewsResolutionByFormat) {
  // The PXM and WBMP readers give the default resolutions: made unequal here.
  struct TDefaults {
    int32_t X = IEDefaultDpiX, Y = IEDefaultDpiY;
    ~TDefaults() {
      IEDefaultDpiX = X;
      IEDefaultDpiY = Y;
    }
  } saved;
  IEDefaultDpiX = 100;
  IEDefaultDpiY = 50;
  TImgIO maker;
  Gradient(maker.IEBitmap(), 8, 4);
  maker.SaveToFile(Dir.File("s.wbmp"));
  maker.SaveToFile(Dir.File("s.ppm"));
  maker.Params().ICOSizes[0] = TIEICOSize{8, 4};
  maker.Params().DpiX = 100;  // stored in the icon's bitmap header
  maker.Params().DpiY = 50;
  maker.SaveToFile(Dir.File("s.ico"));
  struct TCase {
    const char* Name;
    std::function<void(TImgIO&, TIEMemStream&)> Load;
    const char* File;
    bool Resampled;
    bool ViewDpi;
  };
  const TCase cases[] = {
      {"WBMP file", [this](TImgIO& io, TIEMemStream&) { io.LoadWBMPFile(Dir.File("s.wbmp")); }, "s.wbmp", false, false},
      {"WBMP stream", [](TImgIO& io, TIEMemStream& s) { io.LoadWBMPStream(&s); }, "s.wbmp", false, false},
      {"PXM file", [this](TImgIO& io, TIEMemStream&) { io.LoadPXMFile(Dir.File("s.ppm")); }, "s.ppm", true, false},
      {"PXM stream", [](TImgIO& io, TIEMemStream& s) { io.LoadPXMStream(&s); }, "s.ppm", true, false},
      {"icon file", [this](TImgIO& io, TIEMemStream&) { io.LoadICOFile(Dir.File("s.ico")); }, "s.ico", true, true},
      {"icon stream", [](TImgIO& io, TIEMemStream& s) { io.LoadICOStream(&s); }, "s.ico", true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TDpiCountingView view;
    TImgIO io;
    io.SetAttachedImg(&view);
    io.AutoAdjustDPI = true;
    const Bytes data = FileBytes(Dir.File(c.File));
    TIEMemStream s(data.data(), int64_t(data.size()));
    c.Load(io, s);
    EXPECT_FALSE(io.AbortFlag);
    EXPECT_EQ(view.Own.Width(), 8);
    EXPECT_EQ(view.Own.Height(), c.Resampled ? 8 : 4);
    EXPECT_EQ(view.SetDpiCalls, c.ViewDpi ? 1 : 0);
    EXPECT_GE(view.ImageChanges, 1);
  }
}

TEST_F(ImgIOMethodsLoaderSteps, PNGBackgroundAndJPEG2000FileType) {
  // No background chunk: a file load keeps the component's background, a
  // stream load takes the record's.
  Gradient(Bitmap(), 3, 3);
  IO->Params().PNGBackground = TRGB{0, 0, 0};
  IO->SavePNGFile(Dir.File("b.png"));
  const Bytes png = FileBytes(Dir.File("b.png"));
  Fresh();
  IO->SetBackground(0x123456);
  IO->LoadPNGFile(Dir.File("b.png"));
  EXPECT_EQ(IO->GetBackground(), 0x123456);
  IO->Params().PNGBackground = TRGB{1, 2, 3};
  TIEMemStream s(png.data(), int64_t(png.size()));
  IO->LoadPNGStream(&s);
  EXPECT_EQ(IO->GetBackground(), 0x010203);

  // Without a working bitmap the JPEG 2000 loaders still name their type.
  IO->SaveJ2KFile(Dir.File("a.j2k"));
  IO->SetIEBitmap(nullptr);
  IO->Params().FileType = kUnchanged;
  IO->LoadJ2KFile(Dir.File("a.j2k"));
  EXPECT_EQ(IO->Params().FileType, fcJ2K);
}

// ---- Metafile import ---------------------------------------------------------------------------

class ImgIOMethodsMetafile : public ImgIOMethodsTest {};

TEST_F(ImgIOMethodsMetafile, SizeRules) {
  IEWriteBytesFile(Dir.File("wide.wmf"), TWmfWriter{}.Build(true, 0, 0, 400, 100, 96));
  IEWriteBytesFile(Dir.File("huge.wmf"), TWmfWriter{}.Build(true, 0, 0, 20000, 10000, 48));  // 40000 x 20000 pixels
  IEWriteBytesFile(Dir.File("tall.wmf"), TWmfWriter{}.Build(true, 0, 0, 1, 20000, 96));      // 1 x 20000
  IEWriteBytesFile(Dir.File("empty.wmf"), TWmfWriter{}.Build(false, 0, 0, 0, 0, 0));         // no size at all
  IEWriteBytesFile(Dir.File("e.emf"), TEmfWriter{}.Build(2540, 1270));                       // 96 x 48
  struct TCase {
    const char* Name;
    const char* File;
    int32_t Width, Height;
    int32_t W, H;  // 0: nothing rendered
    bool Abort;
    int32_t FileType;
  };
  const TCase cases[] = {
      {"width given", "wide.wmf", 200, -1, 200, 50, false, fcWMF},
      {"height given", "wide.wmf", -1, 50, 200, 50, false, fcWMF},
      {"both given", "wide.wmf", 30, 20, 30, 20, false, fcWMF},
      {"its own size", "wide.wmf", -1, -1, 400, 100, false, fcWMF},
      {"enhanced", "e.emf", -1, -1, 96, 48, false, fcEMF},
      {"at most 16000 a side", "huge.wmf", -1, -1, 16000, 8000, false, fcWMF},
      {"scaled down to nothing", "tall.wmf", -1, -1, 0, 0, true, kUnchanged},
      {"width 0: nothing at all", "wide.wmf", 0, 10, 0, 0, false, kUnchanged},
      {"height 0: nothing at all", "wide.wmf", 10, 0, 0, 0, false, kUnchanged},
      {"metafile without a size", "empty.wmf", -1, -1, 0, 0, true, kUnchanged},
      {"no size to follow", "empty.wmf", 20, -1, 0, 0, true, kUnchanged},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Fresh();
    Bitmap()->Allocate(5, 5, TIEPixelFormat::ie8g);
    IO->Params().FileType = kUnchanged;
    IO->ImportMetafile(Dir.File(c.File), c.Width, c.Height, false);
    EXPECT_EQ(Log->Finished.load(), 1);
    EXPECT_EQ(IO->AbortFlag.load(), c.Abort);
    EXPECT_EQ(IO->Params().FileType, c.FileType);
    if (c.W == 0) {
      EXPECT_EQ(Bitmap()->Width(), 5);  // unchanged
      EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ie8g);
      continue;
    }
    EXPECT_EQ(Bitmap()->Width(), c.W);
    EXPECT_EQ(Bitmap()->Height(), c.H);
    EXPECT_EQ(Bitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
    EXPECT_EQ(IO->Params().Width, c.W);
    EXPECT_EQ(IO->Params().DpiX, IEDefaultDpiX);
    EXPECT_EQ(IO->Params().FileName, Dir.File(c.File));
    EXPECT_FALSE(Bitmap()->HasAlphaChannel());
  }
}

TEST_F(ImgIOMethodsMetafile, AlphaIsZeroExactlyWhereNothingWasDrawn) {
  // A rectangle from (2, 2) to (6, 6) on a 10 x 10 picture: black frame,
  // white inside (the default pen and brush).
  TWmfWriter writer;
  writer.Rec(0x041B, {6, 6, 2, 2});
  const Bytes wmf = writer.Build(true, 0, 0, 10, 10, 96);
  IEWriteBytesFile(Dir.File("r.wmf"), wmf);
  IO->SetBackground(0x00FF00);
  IO->LoadFromFile(Dir.File("r.wmf"));  // its own size, with alpha
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(IO->Params().FileType, fcWMF);
  ASSERT_EQ(Bitmap()->Width(), 10);
  ASSERT_TRUE(Bitmap()->HasAlphaChannel());
  EXPECT_FALSE(Bitmap()->AlphaChannel()->Full());
  int drawn = 0;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
      EXPECT_EQ(Bitmap()->AlphaChannel()->GetPixel8(x, y), inside ? 255 : 0) << x << "," << y;
      drawn += inside;
      if (!inside) {
        EXPECT_TRUE(Same(Pixel(Bitmap(), x, y), TRGB{0, 255, 0})) << x << "," << y;  // the background
      }
    }
  EXPECT_EQ(drawn, 16);
  EXPECT_TRUE(Same(Pixel(Bitmap(), 2, 2), kBlack));
  EXPECT_TRUE(Same(Pixel(Bitmap(), 3, 3), kWhite));
}

TEST_F(ImgIOMethodsMetafile, AnUnloadableFileRaisesAfterTheEndEvents) {
  IEWriteBytesFile(Dir.File("bad.wmf"), Bytes(40, 'x'));
  Bitmap()->Allocate(5, 5, TIEPixelFormat::ie24RGB);
  EXPECT_THROW(IO->ImportMetafile(Dir.File("bad.wmf"), -1, -1, true), Exception);
  EXPECT_EQ(Log->Finished.load(), 1);
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(Bitmap()->Width(), 5);
  EXPECT_THROW(IO->ImportMetafile(Dir.File("missing.wmf"), -1, -1, true), EFOpenError);
  EXPECT_EQ(Log->Finished.load(), 2);
  // LoadFromFile swallows it as a failed load.
  IO->LoadFromFile(Dir.File("bad.wmf"));
  EXPECT_TRUE(IO->AbortFlag);
  EXPECT_EQ(Log->Finished.load(), 3);
}

// ---- Safe file saves --------------------------------------------------------------------------------

class ImgIOMethodsSafeSave : public ImgIOMethodsTest {};

TEST_F(ImgIOMethodsSafeSave, EveryFileSaverReplacesAFileOnlyWhenComplete) {
  const Bytes old{'O', 'L', 'D', 0, 1, 2};
  const char* names[] = {"s.jpg", "s.jp2", "s.j2k", "s.pcx", "s.dcx",  "s.gif", "s.tif", "s.png",
                         "s.bmp", "s.tga", "s.ppm", "s.ico", "s.wbmp", "s.ps",  "s.pdf"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    Fresh();
    Gradient(Bitmap(), 40, 30);
    IO->Params().ICOSizes[0] = TIEICOSize{40, 30};
    // The PDF writer reports progress only through its JPEG coder.
    IO->Params().PDFCompression = 4;
    IEWriteBytesFile(Dir.File(name), old);
    const size_t files = FilesIn(Dir.Path());
    // Cancelled while writing: the file stays byte for byte, no temporary
    // file is left.
    IO->OnProgress = [this](TObject*, int32_t Per) {
      if (Per < 100) IO->AbortFlag = true;
    };
    IO->SaveToFile(Dir.File(name));
    EXPECT_TRUE(IO->AbortFlag);
    EXPECT_EQ(FileBytes(Dir.File(name)), old);
    EXPECT_EQ(FilesIn(Dir.Path()), files);
    // Completed: replaced, still no temporary file.
    IO->OnProgress = nullptr;
    IO->SaveToFile(Dir.File(name));
    EXPECT_FALSE(IO->AbortFlag);
    EXPECT_NE(FileBytes(Dir.File(name)), old);
    EXPECT_EQ(FilesIn(Dir.Path()), files);
  }
}

TEST_F(ImgIOMethodsSafeSave, CreatedFilesFailBeforeTheFrame) {
  const std::string noFolder = Dir.File("no/such/folder/x");
  Gradient(Bitmap(), 4, 4);
  struct TCase {
    const char* Name;
    std::function<void(TImgIO&, const std::string&)> Save;
    bool Abort;
  };
  const TCase cases[] = {
      {"BMP", [](TImgIO& io, const std::string& n) { io.SaveBMPFile(n); }, true},
      {"DCX", [](TImgIO& io, const std::string& n) { io.SaveDCXFile(n); }, true},
      {"PostScript", [](TImgIO& io, const std::string& n) { io.SavePSFile(n); }, false},
      {"PDF", [](TImgIO& io, const std::string& n) { io.SavePDFFile(n); }, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    IO->AbortFlag = false;
    EXPECT_THROW(c.Save(*IO, noFolder), EFCreateError);
    EXPECT_EQ(Log->Finished.load(), 0);  // no event: the frame never started
    EXPECT_EQ(IO->AbortFlag.load(), c.Abort);
  }
}

TEST_F(ImgIOMethodsSafeSave, WithoutABitmapNothingIsWrittenAndTheSaveFails) {
  const Bytes old{'O', 'L', 'D'};
  IO->SetIEBitmap(nullptr);
  for (const char* name : {"n.bmp", "n.dcx", "n.ps", "n.pdf", "n.gif", "n.png"}) {
    SCOPED_TRACE(name);
    IEWriteBytesFile(Dir.File(name), old);
    IO->AbortFlag = false;
    IO->SaveToFile(Dir.File(name));
    EXPECT_TRUE(IO->AbortFlag);
    EXPECT_EQ(FileBytes(Dir.File(name)), old);
  }
  EXPECT_EQ(Log->Finished.load(), 6);
}

TEST_F(ImgIOMethodsSafeSave, InsertTIFFFileWorksOnACopy) {
  Gradient(Bitmap(), 6, 4);
  const std::string name = Dir.File("pages.tif");
  IO->SaveTIFFFile(name);
  Gradient(Bitmap(), 3, 2);
  IO->Params().TIFFImageIndex = 0;
  const size_t files = FilesIn(Dir.Path());
  EXPECT_EQ(IO->InsertTIFFFile(name), 2);
  EXPECT_FALSE(IO->AbortFlag);
  EXPECT_EQ(FilesIn(Dir.Path()), files);
  TImgIO back;
  back.Params().TIFFImageIndex = 0;
  EXPECT_EQ(back.LoadTIFFFile(name), 2);
  EXPECT_EQ(back.IEBitmap()->Width(), 3);  // the new first page
  back.Params().TIFFImageIndex = 1;
  back.LoadTIFFFile(name);
  EXPECT_EQ(back.IEBitmap()->Width(), 6);

  // Not a little-endian TIFF: nothing changes.
  Bytes bigEndian = FileBytes(name);
  bigEndian[0] = bigEndian[1] = 'M';
  for (const Bytes& content : {bigEndian, Bytes(30, 'x')}) {
    IEWriteBytesFile(Dir.File("other.tif"), content);
    const size_t before = FilesIn(Dir.Path());
    EXPECT_EQ(IO->InsertTIFFFile(Dir.File("other.tif")), 0);
    EXPECT_TRUE(IO->AbortFlag);
    EXPECT_EQ(FileBytes(Dir.File("other.tif")), content);
    EXPECT_EQ(FilesIn(Dir.Path()), before);
  }
  // A missing file raises after the end events.
  const int finished = Log->Finished.load();
  EXPECT_THROW(IO->InsertTIFFFile(Dir.File("missing.tif")), EFOpenError);
  EXPECT_EQ(Log->Finished.load(), finished + 1);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("missing.tif")));
}

// ---- Asynchronous gates ---------------------------------------------------------------------------

class ImgIOMethodsAsync : public ImgIOMethodsTest {};

TEST_F(ImgIOMethodsAsync, MethodsAnswerMinusOneAndRunOnAWorker) {
  Gradient(Bitmap(), 5, 3);
  IO->SaveTIFFFile(Dir.File("a.tif"));
  IEWriteBytesFile(Dir.File("anim.gif"), ImgIOMethodsGIF::ThreeFrames());
  TIEBitmap outside;
  IO->SetIEBitmap(&outside);
  IO->Asynchronous = true;
  EXPECT_EQ(IO->LoadTIFFFile(Dir.File("a.tif")), -1);
  IO->WaitThreads(false);
  EXPECT_EQ(outside.Width(), 5);
  IO->Params().GIFImageIndex = 1;
  EXPECT_EQ(IO->LoadGIFFile(Dir.File("anim.gif")), -1);
  IO->WaitThreads(false);
  EXPECT_EQ(outside.Width(), 4);
  EXPECT_EQ(IO->Params().FileName, Dir.File("anim.gif"));
  EXPECT_EQ(IO->InsertTIFFFile(Dir.File("a.tif")), -1);
  IO->WaitThreads(false);
  TFileStream tiff(Dir.File("a.tif"), fmOpenRead);
  EXPECT_EQ(IETIFFPageCount(&tiff), 2);
  EXPECT_EQ(Log->Finished.load(), 4);
}

// ---- Text export --------------------------------------------------------------------------------------

TEST_F(ImgIOMethodsTest, TextExportHoldsTheBytesOfThePNGStreamSaver) {
  Gradient(Bitmap(), 9, 7);
  TMemoryStream png;
  IO->SavePNGStream(&png);
  const Bytes expected = Contents(png);
  const std::string pas = Dir.File("logo.pas");
  IO->SaveAsText(pas, fcPNG, 0);
  const Bytes text = FileBytes(pas);
  const std::string t(text.begin(), text.end());
  EXPECT_NE(t.find("_Size = " + std::to_string(expected.size()) + ";"), std::string::npos) << t;
  Bytes back;
  for (size_t at = t.find('$'); at != std::string::npos; at = t.find('$', at + 3))
    back.push_back(uint8_t(std::stoi(t.substr(at + 1, 2), nullptr, 16)));
  EXPECT_EQ(back, expected);
}

}  // namespace
