#include "imaging/io/core/ieformats.h"

#include <gtest/gtest.h>

#include "imaging/io/codecs/tiff/ietifflzw.h"
#include "imaging/io/contract/iecolorrow.h"
#include "imaging/io/contract/ieparams.h"

namespace {

// Every test starts from the built-in rows and leaves them so.
class FormatRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    IEInitImageIO();
    IERegisterBuiltinFormats();
    FDecoder = IEGIFLZWDecoderHook;
    FEncoder = IEGIFLZWEncoderHook;
  }
  void TearDown() override {
    IEGIFLZWDecoderHook = FDecoder;
    IEGIFLZWEncoderHook = FEncoder;
    IERegisterBuiltinFormats();
  }

 private:
  TIEGIFLZWDecoderFunc FDecoder = nullptr;
  TIEGIFLZWEncoderFunc FEncoder = nullptr;
};

void FakeGIFDecode(TStream*, int32_t, int32_t, bool, uint8_t*) {}
void FakeRead(TStream*, TIEBitmap*, TIOParamsVals&, TIECodecProgress&, bool) {}

TEST_F(FormatRegistry, BuiltinRowsInTheirOrder) {
  const int32_t codes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 13, 14, 17, 18, 19, 20};
  const auto& rows = IEFormatRegistry();
  ASSERT_EQ(rows.size(), std::size(codes));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i]->FileType, codes[i]) << i;
    EXPECT_TRUE(rows[i]->Internal);
    EXPECT_NE(rows[i]->TestProc, nullptr);
  }
  EXPECT_EQ(IEFindFormatByType(fcTIFF)->OptionsPages, TIEPreviewPages{TIEPreviewPage::ppTIFF});
  EXPECT_EQ(IEFindFormatByType(fcJP2)->OptionsPages.ToBits(), 512u);
  // Readable and writable as the table says.
  EXPECT_EQ(IEFindFormatByType(fcCUR)->WriteProc, nullptr);
  EXPECT_EQ(IEFindFormatByType(fcPS)->ReadProc, nullptr);
  EXPECT_NE(IEFindFormatByType(fcPS)->WriteProc, nullptr);
  EXPECT_EQ(IEFindFormatByType(fcRAW)->WriteProc, nullptr);
  EXPECT_FALSE(IEFindFormatByType(fcTIFF)->TestProc(nullptr, fcTIFF));
}

TEST_F(FormatRegistry, LookupsByExtensionAndCode) {
  const struct {
    const char* Extension;
    int32_t Code;  // 0: no row
  } cases[] = {
      {".JPG", fcJPEG}, {"jpg", fcJPEG}, {"JPE", fcJPEG}, {"jfif", 0},       {"ARW", fcRAW},
      {"x3f", fcRAW},   {"rw2", fcRAW},  {"pix", fcTGA},  {".tiff", fcTIFF}, {"G3F", fcTIFF},
      {"", 0},          {".", 0},        {"..jpg", 0},    {"wbmp", fcWBMP},  {"avi", 0},
  };
  for (const auto& c : cases) {
    const TIEFormatRecord* row = IEFindFormatByExtension(c.Extension);
    EXPECT_EQ(row ? row->FileType : 0, c.Code) << c.Extension;
  }
  EXPECT_EQ(IEFindFormatByType(fcAVI), nullptr);
  EXPECT_EQ(IEFindFormatByType(0), nullptr);
  EXPECT_EQ(IEFormatExtensionCount(fcRAW), 12);
  EXPECT_EQ(IEFormatExtensionCount(fcAVI), 0);
  EXPECT_EQ(IEFormatExtension(fcTIFF, 4), "G3F");
  EXPECT_EQ(IEFormatExtension(fcTIFF, 5), "");
  EXPECT_EQ(IEFormatExtension(fcTIFF, -1), "");
}

TEST_F(FormatRegistry, RowsRegisteredAtRunTime) {
  TIEFormatRecord row;
  row.FileType = fcJPEG;  // an existing code
  row.FullName = std::string(100, 'N');
  row.Extensions = "XJP;;AFTER";
  row.ReadProc = FakeRead;
  const int32_t index = IERegisterFormat(row);
  EXPECT_EQ(index, 19);
  TIEFormatRecord* added = IEFormatRegistry()[19].get();
  EXPECT_EQ(added->FullName.size(), 80u);
  // Found by its own extension only; by code the built-in row comes first.
  EXPECT_EQ(IEFindFormatByExtension("xjp"), added);
  EXPECT_EQ(IEFindFormatByExtension("jpg")->Internal, true);
  EXPECT_NE(IEFindFormatByType(fcJPEG), added);
  // An empty item ends the list.
  EXPECT_EQ(IEFindFormatByExtension("after"), nullptr);

  row.FileType = 77;
  row.Extensions = "A;;B";
  IERegisterFormat(row);
  EXPECT_EQ(IEFormatExtensionCount(77), 1);
  EXPECT_EQ(IEFormatExtension(77, 1), "");
  EXPECT_EQ(IEFormatExtension(77, 2), "B");

  IEUnregisterFormat(77);
  EXPECT_EQ(IEFindFormatByType(77), nullptr);
  IEUnregisterFormat(fcJPEG);  // the first row with the code: the built-in one
  EXPECT_EQ(IEFindFormatByType(fcJPEG), added);
  IEUnregisterFormat(12345);  // none: nothing
  EXPECT_EQ(IEFormatRegistry().size(), 19u);
}

TEST_F(FormatRegistry, GIFAvailabilityFollowsTheLZWHooks) {
  IEGIFLZWDecoderHook = nullptr;
  IEGIFLZWEncoderHook = nullptr;
  IEUpdateGIFAvailability();
  EXPECT_EQ(IEFindFormatByType(fcGIF)->ReadProc, nullptr);
  EXPECT_EQ(IEFindFormatByType(fcGIF)->WriteProc, nullptr);
  IEGIFLZWDecoderHook = FakeGIFDecode;
  IEUpdateGIFAvailability();
  EXPECT_NE(IEFindFormatByType(fcGIF)->ReadProc, nullptr);
  EXPECT_EQ(IEFindFormatByType(fcGIF)->WriteProc, nullptr);
}

TEST_F(FormatRegistry, FormatDescription) {
  const struct {
    int32_t FileType;
    std::function<void(TIOParamsVals&)> Set;
    const char* Expected;
  } cases[] = {
      {fcTIFF, [](auto& p) { p.TIFFCompression = TIETIFFCompression::tcLZW; }, "TIFF Bitmap (TIF) LZW"},
      {fcTIFF, [](auto& p) { p.TIFFCompression = TIETIFFCompression::tcPackBits; }, "TIFF Bitmap (TIF) PackBits RLE"},
      // The TIFF reader's "unknown compression" and bytes past every table add nothing.
      {fcTIFF, [](auto& p) { p.TIFFCompression = TIETIFFCompression(9); }, "TIFF Bitmap (TIF)"},
      {fcTIFF, [](auto& p) { p.TIFFCompression = TIETIFFCompression(255); }, "TIFF Bitmap (TIF)"},
      {fcJPEG, [](auto& p) { p.JPEGColorSpace = TIEJPEGColorSpace::jcYCbCr; }, "JPEG Bitmap (JPG) YCbCr"},
      {fcJPEG, [](auto& p) { p.JPEGColorSpace = TIEJPEGColorSpace::jcRGB; }, "JPEG Bitmap (JPG)"},
      {fcJPEG, [](auto& p) { p.JPEGColorSpace = TIEJPEGColorSpace(5); }, "JPEG Bitmap (JPG)"},
      {fcBMP, [](auto& p) { p.BMPVersion = 1; }, "Windows Bitmap (BMP) ver.3"},
      {fcBMP, [](auto& p) { p.BMPVersion = 3; }, "Windows Bitmap (BMP) OS/2 v.2"},
      {fcBMP, [](auto& p) { p.BMPVersion = 4; }, "Windows Bitmap (BMP)"},
      {fcGIF, [](auto& p) { p.GIFInterlaced = true; }, "CompuServe Bitmap (GIF) Interlaced"},
      {fcPCX, [](auto& p) { p.PCXCompression = false; }, "PaintBrush (PCX) Uncompressed"},
      {fcPCX, [](auto&) {}, "PaintBrush (PCX)"},
      {fcPNG, [](auto& p) { p.PNGInterlaced = true; }, "Portable Network Graphics (PNG) Interlaced"},
      {fcTGA, [](auto& p) { p.TGACompressed = false; }, "Targa Bitmap (TGA) Uncompressed"},
      {fcJP2, [](auto& p) { p.J2000ColorSpace = 0; }, "JPEG2000 (JP2) Gray level"},
      {fcJ2K, [](auto& p) { p.J2000ColorSpace = 2; }, "JPEG2000 Code Stream (J2K) YCbCr"},
      {fcJ2K, [](auto& p) { p.J2000ColorSpace = 3; }, "JPEG2000 Code Stream (J2K)"},
      {fcRAW, [](auto& p) { p.RAWOptions.RAWCamera = "Cam 1"; }, "Camera RAW (CRW) (Cam 1)"},
      {fcWBMP, [](auto&) {}, "Wireless Bitmap (WBMP)"},
      {fcAVI, [](auto&) {}, ""},
      {0, [](auto&) {}, ""},
  };
  for (const auto& c : cases) {
    TIOParamsVals p;
    p.FileType = c.FileType;
    c.Set(p);
    String text = "stale";
    IEFormatDescription(p, text);
    EXPECT_EQ(text, c.Expected) << c.FileType;
  }
}

TEST(ImageIOStartup, InitialisesOnceAndShutsDownOnce) {
  IEInitImageIO();
  IEInitImageIO();
  // The built-in rows (other tests of the binary may have added their own).
  ASSERT_GE(IEFormatRegistry().size(), 19u);
  EXPECT_EQ(IEFormatRegistry()[18]->FileType, fcRAW);
  EXPECT_EQ(IEColorConvertHook, IEConvertColorRow);
  EXPECT_FALSE(IEColorManagement);
  EXPECT_EQ(IETIFFLZWDecoderHook, &IETIFFLZWDecode);
  EXPECT_TRUE(IEPluginList().empty());
  TIOParamsVals p;  // records made after start-up carry the hooks
  EXPECT_EQ(p.TIFFLZWEncoder, &IETIFFLZWEncode);
  // A plugin entry is released at shutdown, its lock with it.
  TIEPluginEntry plugin;
  plugin.FileType = fcPNG;
  plugin.Lock = std::make_unique<TCriticalSection>();
  IEPluginList().push_back(std::move(plugin));
  IEShutdownImageIO();
  EXPECT_TRUE(IEFormatRegistry().empty());
  EXPECT_TRUE(IEPluginList().empty());
  IEShutdownImageIO();
  IEInitImageIO();  // not started again
  EXPECT_TRUE(IEFormatRegistry().empty());
  IERegisterBuiltinFormats();  // other tests of this process rely on the rows
}

}  // namespace
