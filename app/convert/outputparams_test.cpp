#include "app/convert/outputparams.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/settings/commonclass.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/rtl/tempdir_testing.h"
#include "platform/rtl/tools_testing.h"

namespace {

int RunCmd(const std::vector<std::string>& Argv) { return RunToolCaptured(Argv).ExitStatus; }

struct TParamsCase {
  const char* Name;
  std::function<void(TIOParas&)> Set;
  std::function<void(const TIOParamsVals&)> Check;
};

// Every case starts from default settings and a record with a marked layout
// (3 x 7) so that "bits unchanged" is visible.
void RunCases(int32_t Format, const std::vector<TParamsCase>& Cases) {
  for (const TParamsCase& c : Cases) {
    TIOParas paras;
    c.Set(paras);
    TIOParamsVals params;
    params.BitsPerSample = 3;
    params.SamplesPerPixel = 7;
    ApplyOutputParams(paras, Format, params);
    SCOPED_TRACE(c.Name);
    c.Check(params);
  }
}

void ExpectLayout(const TIOParamsVals& P, int32_t Bits, int32_t Samples) {
  EXPECT_EQ(P.BitsPerSample, Bits);
  EXPECT_EQ(P.SamplesPerPixel, Samples);
}

TEST(ApplyOutputParams, JPEG) {
  using CS = TIEJPEGColorSpace;
  RunCases(ofJPEG, {
                       {"quality as set", [](TIOParas& s) { s.JPEGQuality = 75; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGQuality, 75); }},
                       {"quality 0 written as 1", [](TIOParas& s) { s.JPEGQuality = 0; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGQuality, 1); }},
                       {"smoothing 150 gives 0", [](TIOParas& s) { s.JPEGSmoothing = 150; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGSmoothing, 0); }},
                       {"smoothing 40", [](TIOParas& s) { s.JPEGSmoothing = 40; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGSmoothing, 40); }},
                       {"DCT setting 2 still the slow integer method", [](TIOParas& s) { s.JPEGDCT = 2; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGDCTMethod, TIEJPEGDCTMethod::jdIntSlow); }},
                       {"subsampling 0", [](TIOParas& s) { s.JPEGSubSampling = 0; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGSubSampling, 0); }},
                       {"subsampling 1", [](TIOParas& s) { s.JPEGSubSampling = 1; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGSubSampling, 1); }},
                       {"subsampling 7 gives 2", [](TIOParas& s) { s.JPEGSubSampling = 7; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGSubSampling, 2); }},
                       {"photometric 1 RGB", [](TIOParas& s) { s.JPEGPhotometric = 1; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGColorSpace, CS::jcRGB); }},
                       {"photometric 4 CMYK", [](TIOParas& s) { s.JPEGPhotometric = 4; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGColorSpace, CS::jcCMYK); }},
                       {"photometric 5 YCbCrK", [](TIOParas& s) { s.JPEGPhotometric = 5; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGColorSpace, CS::jcYCbCrK); }},
                       {"photometric 6 leaves the space", [](TIOParas& s) { s.JPEGPhotometric = 6; },
                        [](const TIOParamsVals& p) { EXPECT_EQ(p.JPEGColorSpace, CS::jcYCbCr); }},
                       {"Huffman and progressive copied",
                        [](TIOParas& s) {
                          s.JPEGOptimalHuffman = false;
                          s.JPEGProgressive = true;
                        },
                        [](const TIOParamsVals& p) {
                          EXPECT_FALSE(p.JPEGOptimalHuffman);
                          EXPECT_TRUE(p.JPEGProgressive);
                          ExpectLayout(p, 3, 7);
                          EXPECT_EQ(p.BMPCompression, 0) << "other formats untouched";
                        }},
                   });
}

TEST(ApplyOutputParams, BMP) {
  const int32_t layouts[][2] = {{8, 3}, {5, 3}, {8, 1}, {4, 1}, {1, 1}, {3, 7}, {3, 7}};
  const int32_t colors[] = {0, 1, 2, 3, 4, 5, -1};
  for (int32_t i = 0; i < 7; ++i) {
    TIOParas paras;
    paras.BMPColor = colors[i];
    paras.BMPCompression = i % 2 ? 5 : 0;
    TIOParamsVals params;
    params.BitsPerSample = 3;
    params.SamplesPerPixel = 7;
    params.JPEGQuality = 11;
    ApplyOutputParams(paras, ofBMP, params);
    SCOPED_TRACE(colors[i]);
    ExpectLayout(params, layouts[i][0], layouts[i][1]);
    EXPECT_EQ(params.BMPCompression, i % 2 ? 1 : 0);
    EXPECT_EQ(params.JPEGQuality, 11) << "other formats untouched";
  }
}

TEST(ApplyOutputParams, GIF) {
  RunCases(
      ofGIF,
      {
          {"256 colours", [](TIOParas& s) { s.GIFColor = 0; }, [](const TIOParamsVals& p) { ExpectLayout(p, 8, 1); }},
          {"16 colours", [](TIOParas& s) { s.GIFColor = 4; }, [](const TIOParamsVals& p) { ExpectLayout(p, 4, 1); }},
          {"7 black and white", [](TIOParas& s) { s.GIFColor = 7; },
           [](const TIOParamsVals& p) { ExpectLayout(p, 1, 1); }},
          {"9 leaves the bits", [](TIOParas& s) { s.GIFColor = 9; },
           [](const TIOParamsVals& p) { ExpectLayout(p, 3, 7); }},
          {"transparent colour through the system colour",
           [](TIOParas& s) {
             s.GIFTransparent = true;
             s.GIFTransColor = clWindow;
             s.GIFInterlaced = true;
           },
           [](const TIOParamsVals& p) {
             EXPECT_TRUE(p.GIFTransparent);
             EXPECT_TRUE(p.GIFInterlaced);
             const TRGB c = ColorToTRGB(clWindow);
             EXPECT_EQ(p.GIFTransparentColor.r, c.r);
             EXPECT_EQ(p.GIFTransparentColor.g, c.g);
             EXPECT_EQ(p.GIFTransparentColor.b, c.b);
           }},
          {"no transparency keeps the record's colour", [](TIOParas& s) { s.GIFTransColor = TColor(0x0000FF); },
           [](const TIOParamsVals& p) {
             EXPECT_FALSE(p.GIFTransparent);
             EXPECT_EQ(p.GIFTransparentColor.r, 0);
           }},
      });
}

TEST(ApplyOutputParams, PNG) {
  using F = TIEPNGFilter;
  RunCases(ofPNG, {
                      {"24-bit, filter none",
                       [](TIOParas& s) {
                         s.PNGColor = 0;
                         s.PNGFilter = 0;
                       },
                       [](const TIOParamsVals& p) {
                         ExpectLayout(p, 8, 3);
                         EXPECT_EQ(p.PNGFilter, F::pfNone);
                       }},
                      {"256 colours, Sub",
                       [](TIOParas& s) {
                         s.PNGColor = 1;
                         s.PNGFilter = 1;
                       },
                       [](const TIOParamsVals& p) {
                         ExpectLayout(p, 8, 1);
                         EXPECT_EQ(p.PNGFilter, F::pfSub);
                       }},
                      {"black and white, filter 8 is Paeth",
                       [](TIOParas& s) {
                         s.PNGColor = 2;
                         s.PNGFilter = 8;
                       },
                       [](const TIOParamsVals& p) {
                         ExpectLayout(p, 1, 1);
                         EXPECT_EQ(p.PNGFilter, F::pfPaeth);
                       }},
                      {"colour 3 leaves the bits; the rest copied",
                       [](TIOParas& s) {
                         s.PNGColor = 3;
                         s.PNGCompression = 2;
                         s.PNGInterlaced = true;
                         s.PNGBackground = TColor(0x102030);  // blue 0x10, green 0x20, red 0x30
                       },
                       [](const TIOParamsVals& p) {
                         ExpectLayout(p, 3, 7);
                         EXPECT_EQ(p.PNGCompression, 2);
                         EXPECT_TRUE(p.PNGInterlaced);
                         EXPECT_EQ(p.PNGBackground.r, 0x30);
                         EXPECT_EQ(p.PNGBackground.g, 0x20);
                         EXPECT_EQ(p.PNGBackground.b, 0x10);
                       }},
                  });
}

TEST(ApplyOutputParams, JPEG2000) {
  struct {
    int32_t Rate, Photometric;
    double Expected;
    uint8_t Space;
  } cases[] = {{250, 0, 0.25, 1}, {1000, 1, 1.0, 0}, {0, 0, 0.001, 1}, {800, 2, 0.8, 0}};
  for (const auto& c : cases) {
    TIOParas paras;
    paras.JPEG2000Rate = c.Rate;
    paras.JPEG2000Photometric = c.Photometric;
    TIOParamsVals params;
    ApplyOutputParams(paras, ofJPEG2000, params);
    SCOPED_TRACE(c.Rate);
    EXPECT_DOUBLE_EQ(params.J2000Rate, c.Expected);
    EXPECT_EQ(params.J2000ColorSpace, c.Space);
  }
}

TEST(ApplyOutputParams, TIFF) {
  using C = TIETIFFCompression;
  const C compressions[] = {C::tcNone,    C::tcLZW,     C::tcJPEG,  C::tcPackBits,
                            C::tcG3Fax1D, C::tcG3Fax2D, C::tcG4Fax, C::tcNone};
  const int32_t values[] = {0, 1, 2, 3, 4, 5, 6, 9};
  for (int32_t i = 0; i < 8; ++i) {
    TIOParas paras;
    paras.TIFFCompression = values[i];
    TIOParamsVals params;
    params.TIFFCompression = C::tcLZW;
    ApplyOutputParams(paras, ofTIFF, params);
    EXPECT_EQ(params.TIFFCompression, compressions[i]) << values[i];
  }
  using Ph = TIETIFFPhotometric;
  struct {
    int32_t Index;
    Ph Photometric;
    int32_t Bits, Samples;
  } photometrics[] = {{0, Ph::tpBlackIsZero, 3, 7}, {-2, Ph::tpBlackIsZero, 3, 7}, {1, Ph::tpRGB, 8, 3},
                      {2, Ph::tpPalette, 8, 1},     {3, Ph::tpCMYK, 8, 4},         {4, Ph::tpYCbCr, 8, 3},
                      {5, Ph::tpCIELab, 8, 3},      {6, Ph::tpBlackIsZero, 3, 7}};
  for (const auto& c : photometrics) {
    TIOParas paras;
    paras.TIFFPhotometric = c.Index;
    TIOParamsVals params;
    params.TIFFPhotometric = Ph::tpBlackIsZero;
    params.BitsPerSample = 3;
    params.SamplesPerPixel = 7;
    ApplyOutputParams(paras, ofTIFF, params);
    SCOPED_TRACE(c.Index);
    EXPECT_EQ(params.TIFFPhotometric, c.Photometric);
    ExpectLayout(params, c.Bits, c.Samples);
  }
}

// A grayscale JPEG loads with the gray colour space; "no change" keeps it.
TEST(ApplyOutputParams, PhotometricZeroKeepsAGrayJpegsSpace) {
  REQUIRE_TOOL("convert", "imagemagick");
  IEInitImageIO();
  TempDir dir("appconvert");
  const String path = dir / "gray.jpg";
  ASSERT_EQ(RunCmd({"convert", "-size", "16x16", "gradient:", "-colorspace", "Gray", path}), 0);
  TImgIO io(nullptr);
  io.LoadFromFile(path);
  ASSERT_EQ(io.Params().JPEGColorSpace, TIEJPEGColorSpace::jcGray);
  TIOParas paras;
  paras.JPEGPhotometric = 0;
  ApplyOutputParams(paras, ofJPEG, io.Params());
  EXPECT_EQ(io.Params().JPEGColorSpace, TIEJPEGColorSpace::jcGray);
  paras.JPEGPhotometric = 1;
  ApplyOutputParams(paras, ofJPEG, io.Params());
  EXPECT_EQ(io.Params().JPEGColorSpace, TIEJPEGColorSpace::jcRGB);
}

TEST(EstimateSourceJpegQuality, ByContent) {
  REQUIRE_TOOL("convert", "imagemagick");
  IEInitImageIO();
  TempDir dir("appconvert");
  ASSERT_EQ(RunCmd({"convert", "rose:", "-quality", "75", dir / "q75.jpg"}), 0);
  ASSERT_EQ(RunCmd({"convert", "rose:", "png:" + (dir / "png.jpg")}), 0);
  EXPECT_NEAR(EstimateSourceJpegQuality(dir / "q75.jpg"), 75, 2);
  EXPECT_EQ(EstimateSourceJpegQuality(dir / "png.jpg"), -1);
  EXPECT_EQ(EstimateSourceJpegQuality(dir / "missing.jpg"), -1);
}

// The record passes through a fresh component: plain fields survive, and the
// image indexes end as the record's own assignment leaves them.
TEST(ReassignIOParams, RoundTripThroughAFreshComponent) {
  TImgIO io(nullptr);
  io.Params().JPEGQuality = 33;
  io.Params().FileName = "/x/y.jpg";
  io.Params().GIFImageIndex = 4;
  io.Params().CURImageIndex = 2;
  ReassignIOParams(io);
  EXPECT_EQ(io.Params().JPEGQuality, 33);
  EXPECT_EQ(io.Params().FileName, "/x/y.jpg");
  EXPECT_EQ(io.Params().GIFImageIndex, 2);
}

class ReduceColorDepthTest : public TImgViewTest {
 public:
  TImgView* View() {
    TImgView* view = MakeView(40, 30);
    SetImage(view, 40, 30);
    view->GetImageIO()->Params().BitsPerSample = 3;
    view->GetImageIO()->Params().SamplesPerPixel = 7;
    return view;
  }
  static int32_t CountColours(TIEBitmap* B) {
    std::set<uint32_t> seen;
    for (int32_t y = 0; y < B->Height(); ++y)
      for (int32_t x = 0; x < B->Width(); ++x) {
        const TRGB c = *B->PixelRGB(x, y);
        seen.insert(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
      }
    return static_cast<int32_t>(seen.size());
  }
};

TEST_F(ReduceColorDepthTest, BitsPerFormat) {
  struct {
    int32_t Format, Count, Bits, Samples;
  } cases[] = {{ofPNG, 16, 8, 1},  {ofPNG, 2, 8, 1},   {ofBMP, 16, 4, 1},  {ofGIF, 8, 3, 1},       {ofTIFF, 256, 8, 1},
               {ofBMP, 167, 8, 3}, {ofGIF, 167, 8, 3}, {ofJPEG, 16, 3, 7}, {ofJPEG2000, 16, 3, 7}, {ofBMP, 100, 3, 7}};
  for (const auto& c : cases) {
    TImgView* view = View();
    ReduceColorDepth(*view, c.Format, c.Count);
    SCOPED_TRACE(std::to_string(c.Format) + " " + std::to_string(c.Count));
    ExpectLayout(view->GetImageIO()->Params(), c.Bits, c.Samples);
    delete view;
  }
}

TEST_F(ReduceColorDepthTest, JpegIsQuantisedInItsOwnLayout) {
  TImgView* view = View();
  ASSERT_GT(CountColours(view->GetIEBitmap()), 16);
  ReduceColorDepth(*view, ofJPEG, 16);
  EXPECT_EQ(view->GetIEBitmap()->PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_LE(CountColours(view->GetIEBitmap()), 16);
  ExpectLayout(view->GetImageIO()->Params(), 3, 7);
}

TEST_F(ReduceColorDepthTest, AlphaDroppedWithoutBlending) {
  TImgView* view = View();
  TIEBitmap* b = view->GetIEBitmap();
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) b->AlphaChannel()->SetPixel8(x, y, uint8_t(x * 6));
  ASSERT_TRUE(view->HasAlphaChannel());
  view->SetBackground(TColor(0xFFFFFF));
  ReduceColorDepth(*view, ofPNG, 167);
  EXPECT_FALSE(view->HasAlphaChannel());
  for (int32_t y = 0; y < 30; y += 7)
    for (int32_t x = 0; x < 40; x += 5) {
      const TRGB c = *b->PixelRGB(x, y);
      EXPECT_EQ(c.r, x);
      EXPECT_EQ(c.g, y);
      EXPECT_EQ(c.b, 0);
    }
  ExpectLayout(view->GetImageIO()->Params(), 8, 3);
}

}  // namespace
