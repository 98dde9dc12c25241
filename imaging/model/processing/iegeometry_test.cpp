#include "imaging/model/processing/iegeometry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/testsupport/pnm.h"
#include "imaging/model/processing/iesmallroutines.h"
#include "imaging/model/processing/ieview_testing.h"
#include "imaging/model/processing/imgproc.h"

namespace {

using PF = TIEPixelFormat;

// An ie24RGB image whose pixel (x, y) is (x, y, x + y) modulo 256.
void MakePattern(TIEBitmap& B, int32_t W, int32_t H) {
  B.Allocate(W, H, PF::ie24RGB);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) *B.PixelRGB(x, y) = MakeTRGB(uint8_t(x), uint8_t(y), uint8_t(x + y));
}

// Random pixel bytes in every format (ie1g and ie8p included); the padding
// stays zero, so that whole rows can be compared.
void FillRandom(TIEBitmap& B, std::mt19937& Rng) {
  const int32_t bits = IEBitsPerPixel(B.PixelFormat()) * B.Width();
  for (int32_t y = 0; y < B.Height(); ++y) {
    auto* row = static_cast<uint8_t*>(B.ScanLine(y));
    for (int32_t i = 0; i < bits / 8; ++i) row[i] = uint8_t(Rng());
    if (bits % 8) row[bits / 8] = uint8_t(Rng() & (0xFF00u >> (bits % 8)));
  }
}

bool ToolMissing(const char* Tool) {
  if (HaveTool(Tool)) return false;
  if (std::getenv("CI")) ADD_FAILURE() << Tool << " (netpbm) is required in CI";
  return true;
}

class GeometryTempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (std::filesystem::temp_directory_path() / "geometry-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    Dir = templ;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }
  std::string Dir;
};

// ---- Rotation ---------------------------------------------------------------------------

TEST(GeometryRotate, SizesOfEachRoad) {
  struct Case {
    PF format;
    double angle;
    bool antiAlias;
    uint8_t mode;
    int32_t width, height;
  };
  const Case cases[] = {
      {PF::ie24RGB, 30, true, 0, 112, 94},  {PF::ie24RGB, -30, true, 0, 112, 94}, {PF::ie24RGB, 30, false, 0, 112, 94},
      {PF::ie24RGB, 45, true, 0, 108, 105}, {PF::ie24RGB, 90, true, 0, 50, 100},  {PF::ie24RGB, 360, true, 0, 100, 50},
      {PF::ie24RGB, 720, true, 0, 100, 50}, {PF::ie24RGB, 30, true, 1, 112, 94},  {PF::ie24RGB, 30, true, 2, 112, 94},
      {PF::ie24RGB, 30, true, 7, 112, 94},  {PF::ie1g, 30, true, 0, 111, 93},     {PF::ie1g, 90, true, 0, 50, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << int(c.format) << " angle " << c.angle << " mode " << int(c.mode));
    TIEBitmap b;
    b.Allocate(100, 50, c.format);
    TImgProc proc(nullptr);
    proc.SetAttachedBitmap(&b);
    proc.Rotate(c.angle, c.antiAlias, c.mode, clWhite);
    EXPECT_EQ(b.Width(), c.width);
    EXPECT_EQ(b.Height(), c.height);
    EXPECT_EQ(b.PixelFormat(), c.format);
  }
}

TEST(GeometryRotate, WholeTurnsAndQuarterTurnsAreExact) {
  TIEBitmap original, b, turned;
  MakePattern(original, 13, 7);
  for (double angle : {360.0, 720.0, -360.0}) {
    b.Assign(&original);
    RotateBitmap24(&b, true, nullptr, {}, MakeTRGB(255, 255, 255), angle);
    EXPECT_TRUE(BitmapsEqual(&b, &original)) << angle;
  }
  // 90 is one counter-clockwise turn on every road, anti-aliased or not; 450
  // the same; -90 and 270 clockwise.
  Rotate90CounterClockwise24(&original, &turned);
  ASSERT_EQ(turned.Width(), 7);
  EXPECT_EQ(*turned.PixelRGB(0, 12), *original.PixelRGB(0, 0));  // the top-left corner goes down
  for (double angle : {90.0, 450.0}) {
    for (uint8_t mode : {0, 1, 2}) {
      b.Assign(&original);
      TImgProc proc(nullptr);
      proc.SetAttachedBitmap(&b);
      proc.Rotate(angle, true, mode, clWhite);
      EXPECT_TRUE(BitmapsEqual(&b, &turned)) << angle << " mode " << int(mode);
    }
  }
  Rotate90Clockwise24(&original, &turned);
  for (double angle : {-90.0, 270.0}) {
    b.Assign(&original);
    RotateBitmap24(&b, true, nullptr, {}, TRGB{}, angle);
    EXPECT_TRUE(BitmapsEqual(&b, &turned)) << angle;
  }
}

TEST(GeometryRotate, TurnsCounterClockwiseOnEveryRoad) {
  // A red dot right of the centre must end above it (the picture turns
  // counter-clockwise as displayed) on the shear, interpolated and 1-bit roads.
  for (uint8_t mode : {0, 1, 2}) {
    TIEBitmap b;
    b.Allocate(41, 41, PF::ie24RGB);
    b.Fill(0);
    for (int32_t y = 19; y <= 21; ++y)
      for (int32_t x = 33; x <= 35; ++x) *b.PixelRGB(x, y) = MakeTRGB(255, 0, 0);
    TImgProc proc(nullptr);
    proc.SetAttachedBitmap(&b);
    proc.Rotate(60, true, mode, clBlack);
    int64_t sx = 0, sy = 0, n = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
      for (int32_t x = 0; x < b.Width(); ++x)
        if (b.PixelRGB(x, y)->r > 128) sx += x, sy += y, ++n;
    ASSERT_GT(n, 0);
    // 14 pixels from the centre at 60 degrees: (+7, -12).
    EXPECT_NEAR(double(sx) / n - (b.Width() - 1) / 2.0, 7, 1.5) << int(mode);
    EXPECT_NEAR(double(sy) / n - (b.Height() - 1) / 2.0, -12.1, 1.5) << int(mode);
  }
  TIEBitmap bw;
  bw.Allocate(41, 41, PF::ie1g);
  SetBit(static_cast<uint8_t*>(bw.ScanLine(20)), 34, true);
  RotateBitmap1Bit(&bw, 0, TIECodecProgress(), 60);
  int32_t fx = -1, fy = -1;
  for (int32_t y = 0; y < bw.Height(); ++y)
    for (int32_t x = 0; x < bw.Width(); ++x)
      if (GetBit(static_cast<uint8_t*>(bw.ScanLine(y)), x)) fx = x, fy = y;
  EXPECT_NEAR(fx - (bw.Width() - 1) / 2.0, 7, 1.5);
  EXPECT_NEAR(fy - (bw.Height() - 1) / 2.0, -12.1, 1.5);
}

TEST(GeometryRotate, UncoveredCornersAreTransparent) {
  for (uint8_t mode : {0, 2}) {
    TIEBitmap b;
    MakePattern(b, 100, 50);
    b.AlphaChannel()->Fill(255);
    TImgProc proc(nullptr);
    proc.SetAttachedBitmap(&b);
    int32_t completions = 0;
    proc.OnProgress = [&](TObject*, int32_t per) {
      EXPECT_TRUE(per >= 0 && per <= 100);
      completions += per == 100;
    };
    proc.Rotate(30, true, mode, clWhite);
    if (mode == 0) {
      EXPECT_EQ(completions, 2);  // the alpha channel, then the image
    }
    ASSERT_TRUE(b.HasAlphaChannel());
    TIEBitmap* a = b.AlphaChannel();
    ASSERT_EQ(a->Width(), b.Width());
    ASSERT_EQ(a->Height(), b.Height());
    const int32_t w = b.Width(), h = b.Height();
    for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
      EXPECT_EQ(a->GetPixel8(x, y), 0) << x << "," << y << " mode " << int(mode);
      EXPECT_EQ(*b.PixelRGB(x, y), MakeTRGB(255, 255, 255));
    }
    EXPECT_EQ(a->GetPixel8(w / 2 + 8, h / 2), 255);
    EXPECT_FALSE(a->Full());
  }
}

TEST(GeometryRotate, OtherFormatsGiveTheirOwnKindWithoutNoise) {
  // A uniform picture of value V on a white background: every pixel is V or
  // the background (ie8g is anti-aliased at the edges).
  struct Case {
    PF format;
    int32_t width, height;
  };
  for (const Case c :
       {Case{PF::ie8g, 112, 94}, Case{PF::ie8p, 112, 94}, Case{PF::ie16g, 111, 93}, Case{PF::ieCMYK, 111, 93}}) {
    SCOPED_TRACE(int(c.format));
    TIEBitmap b;
    b.Allocate(100, 50, c.format);
    uint32_t value = 0, background = 0;
    switch (c.format) {
      case PF::ie8g:
        b.Fill(60);
        value = 60, background = 255;
        break;
      case PF::ie8p:
        b.SetPaletteColor(5, MakeTRGB(10, 20, 30));
        b.SetPaletteColor(9, MakeTRGB(250, 250, 240));  // nearest to white
        b.SetPaletteColor(200, MakeTRGB(255, 0, 255));
        b.Fill(5);
        value = 5, background = 9;
        break;
      case PF::ie16g:
        b.Fill(40000);
        value = 40000, background = 65535;
        break;
      default: {
        const TCMYK v = IERGBToCMYK(MakeTRGB(10, 20, 30)), w = IERGBToCMYK(MakeTRGB(255, 255, 255));
        std::memcpy(&value, &v, 4);
        std::memcpy(&background, &w, 4);
        b.Fill(0x1E140A);  // TColor of (10, 20, 30)
        break;
      }
    }
    TImgProc proc(nullptr);
    proc.SetAttachedBitmap(&b);
    proc.Rotate(30, true, 0, clWhite);
    ASSERT_EQ(b.PixelFormat(), c.format);
    EXPECT_EQ(b.Width(), c.width);
    EXPECT_EQ(b.Height(), c.height);
    int32_t others = 0, values = 0;
    for (int32_t y = 0; y < b.Height(); ++y) {
      const auto* row = static_cast<const uint8_t*>(b.ScanLine(y));
      for (int32_t x = 0; x < b.Width(); ++x) {
        uint32_t p = 0;
        std::memcpy(&p, row + x * (IEBitsPerPixel(c.format) / 8), size_t(IEBitsPerPixel(c.format) / 8));
        if (p == value)
          ++values;
        else if (p != background && c.format != PF::ie8g)
          ++others;  // ie8g mixes at the edges
      }
    }
    EXPECT_EQ(others, 0);
    EXPECT_GT(values, 4000);  // most of the 5000 pixels survive
    if (c.format == PF::ie8p) {
      TRGB pal;
      b.GetPaletteColor(200, pal);
      EXPECT_EQ(pal, MakeTRGB(255, 0, 255));
    }
  }
}

TEST(GeometryRotate, BicubicLeavesNoBrightFringeOnTheDarkSide) {
  // A vertical black/white edge turned by a hundredth of a degree: every
  // result pixel samples half-way between two source pixels, where the
  // bicubic weight of the pixel two steps away is negative. On the dark side
  // that undershoot must stay black.
  for (PF format : {PF::ie24RGB, PF::ie8g}) {
    TIEBitmap b;
    b.Allocate(20, 20, format);
    b.Fill(0);
    b.FillRect(10, 0, 19, 19, format == PF::ie8g ? 255 : 0xFFFFFF);
    if (format == PF::ie24RGB)
      RotateInterpolated24(&b, clBlack, 2, nullptr, {}, 0.01);
    else
      RotateInterpolated8(&b, 0, 2, 0.01);
    ASSERT_EQ(b.Width(), 19);
    for (int32_t y = 1; y < b.Height() - 1; ++y) {
      const auto* row = static_cast<const uint8_t*>(b.ScanLine(y));
      const int32_t bpp = format == PF::ie8g ? 1 : 3;
      for (int32_t x = 0; x <= 8; ++x) EXPECT_EQ(row[x * bpp], 0) << x << "," << y;
      EXPECT_EQ(row[14 * bpp], 255);
    }
  }
}

TEST(GeometryRotate, FileImagesRotateLikeMemoryImages) {
  TIEBitmap mem, file;
  MakePattern(mem, 37, 23);
  file.SetMemoryThreshold(0);
  file.Assign(&mem);
  ASSERT_EQ(file.Location(), TIELocation::ieFile);
  for (double angle : {33.3, -120.5, 90.0}) {
    RotateBitmap24(&mem, true, nullptr, {}, MakeTRGB(1, 2, 3), angle);
    RotateBitmap24(&file, true, nullptr, {}, MakeTRGB(1, 2, 3), angle);
    ASSERT_EQ(file.Width(), mem.Width());
    ASSERT_EQ(file.Height(), mem.Height());
    int32_t diff = 0;
    for (int32_t y = 0; y < mem.Height(); ++y) {
      std::vector<uint8_t> a(static_cast<const uint8_t*>(mem.ScanLine(y)),
                             static_cast<const uint8_t*>(mem.ScanLine(y)) + mem.Width() * 3);
      if (std::memcmp(a.data(), file.ScanLine(y), a.size()) != 0) ++diff;
    }
    EXPECT_EQ(diff, 0) << angle;
  }
}

TEST(GeometryRotate, ZeroAngleStoresNoUndo) {
  TIEBitmap b;
  MakePattern(b, 8, 8);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.Rotate(0, true, 0, clWhite);
  EXPECT_EQ(proc.UndoCount(), 0);
  proc.Rotate(12.5, true, 0, -1);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaptions(0), "Rotate 12.5");
}

// ---- Orientation, flips and quarter turns ------------------------------------------------

TEST_F(GeometryTempDir, OrientationsMatchPamflip) {
  if (ToolMissing("pamflip")) GTEST_SKIP() << "pamflip (netpbm) is not installed";
  std::mt19937 rng(7);
  std::vector<TPnmImage> fixtures;
  auto add = [&](char kind, int32_t w, int32_t h, int32_t maxval) {
    TPnmImage p = MakePnm(kind, w, h, maxval);
    for (auto& s : p.Samples) s = uint16_t(rng() % (maxval + 1));
    fixtures.push_back(p);
  };
  add('6', 5, 3, 255);    // odd width
  add('5', 7, 4, 255);    // 8-bit gray
  add('5', 3, 5, 65535);  // 16-bit gray
  add('4', 13, 3, 1);     // a 13-pixel 1-bit row
  add('4', 16, 9, 1);
  const char* options[] = {
      nullptr, nullptr, "-lr", "-r180", "-tb", "-transpose", "-cw", "-xform=transpose,leftright,topbottom", "-ccw"};
  for (size_t f = 0; f < fixtures.size(); ++f) {
    const std::string input = Dir + "/in" + std::to_string(f) + ".pnm";
    ASSERT_TRUE(WritePnmFile(input, fixtures[f]));
    for (int32_t o = 2; o <= 8; ++o) {
      for (bool inFile : {false, true}) {
        SCOPED_TRACE(testing::Message() << "fixture " << f << " orientation " << o << (inFile ? " file" : ""));
        const std::string output = Dir + "/out.pnm";
        ASSERT_EQ(RunTool({"pamflip", options[o], input}, output), 0);
        TPnmImage expected;
        ASSERT_TRUE(ReadPnmFile(output, expected));
        TIEBitmap b;
        if (inFile) b.SetMemoryThreshold(0);
        PnmToBitmap(fixtures[f], b);
        // The alpha channel follows: a copy of the gray picture.
        const bool gray8 = b.PixelFormat() == PF::ie8g;
        if (gray8) b.AlphaChannel()->Assign(&b);
        IEApplyOrientation(&b, o);
        EXPECT_TRUE(BitmapToPnm(b) == expected);
        if (gray8) {
          ASSERT_TRUE(b.HasAlphaChannel());
          TIEBitmap alpha;
          alpha.Assign(b.AlphaChannel());
          EXPECT_TRUE(BitmapToPnm(alpha) == expected);
        }
      }
    }
  }
}

TEST(GeometryFlip, TwiceIsTheIdentityForEveryFormat) {
  std::mt19937 rng(3);
  for (PF format : {PF::ie1g, PF::ie8p, PF::ie8g, PF::ie16g, PF::ie24RGB, PF::ie32f, PF::ieCMYK, PF::ieRGB48}) {
    TIEBitmap b, original;
    b.Allocate(13, 5, format);
    FillRandom(b, rng);
    FillRandom(*b.AlphaChannel(), rng);
    if (format == PF::ie8p) b.SetPaletteColor(3, MakeTRGB(1, 2, 3));
    original.Assign(&b);
    TImgProc proc(nullptr);
    proc.SetAttachedBitmap(&b);
    for (int32_t direction : {0, 1}) {
      proc.Flip(direction);
      EXPECT_FALSE(BitmapsEqual(&b, &original)) << int(format) << " direction " << direction;
      proc.Flip(direction);
      EXPECT_TRUE(BitmapsEqual(&b, &original)) << int(format) << " direction " << direction;
    }
    // Left-right moves whole pixels.
    FlipBitmap(&b, 0);
    std::vector<uint8_t> first(8), last(8);
    const int32_t bits = IEBitsPerPixel(format);
    if (bits >= 8) {
      std::memcpy(first.data(), original.ScanLine(2), size_t(bits / 8));
      std::memcpy(last.data(), static_cast<uint8_t*>(b.ScanLine(2)) + 12 * (bits / 8), size_t(bits / 8));
    } else {
      first[0] = GetBit(static_cast<uint8_t*>(original.ScanLine(2)), 0);
      last[0] = GetBit(static_cast<uint8_t*>(b.ScanLine(2)), 12);
    }
    EXPECT_EQ(first, last) << int(format);
  }
}

// ---- Sizes and crops ----------------------------------------------------------------------

TEST(GeometryResample, ResampleToSizes) {
  struct Case {
    int32_t w, h, width, height;
  };
  for (const Case c : {Case{-1, 25, 50, 25}, Case{40, -1, 40, 20}, Case{0, -1, 100, 50}, Case{-1, 0, 1, 50},
                       Case{-30, 20, 30, 20}, Case{0, 0, 100, 50}}) {
    SCOPED_TRACE(testing::Message() << c.w << "," << c.h);
    TIEBitmap b, dest;
    MakePattern(b, 100, 50);
    TImgProc proc(nullptr);
    proc.SetAttachedBitmap(&b);
    proc.ResampleTo(&dest, c.w, c.h, TResampleFilter::rfNone);
    EXPECT_EQ(dest.Width(), c.width);
    EXPECT_EQ(dest.Height(), c.height);
    EXPECT_EQ(b.Width(), 100);
  }
  // Both negative: nothing; into the working image itself: a real resample.
  TIEBitmap b, dest;
  MakePattern(b, 100, 50);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.ResampleTo(&dest, -1, -1, TResampleFilter::rfNone);
  EXPECT_TRUE(dest.IsEmpty());
  proc.ResampleTo(&b, 10, -1, TResampleFilter::rfNone);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(*b.PixelRGB(1, 1), MakeTRGB(10, 10, 20));
  proc.Resample(20, 0, TResampleFilter::rfTriangle);
  EXPECT_EQ(b.Width(), 20);
  EXPECT_EQ(b.Height(), 5);
}

TEST(GeometryResize, OneByOneBecomesAPlainOpaqueCanvas) {
  TIEBitmap b;
  b.Allocate(1, 1, PF::ie24RGB);
  *b.PixelRGB(0, 0) = MakeTRGB(9, 9, 9);
  b.SetAlpha(0, 0, 0);
  TImgProc proc(nullptr);
  proc.SetAttachedBitmap(&b);
  proc.SetBackground(0xFF8000);  // TColor: blue 255, green 128
  proc.ImageResize(4, 3, 1, 1);
  ASSERT_EQ(b.Width(), 4);
  int32_t opaque = 0;
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      EXPECT_EQ(*b.PixelRGB(x, y), MakeTRGB(0, 128, 255));
      opaque += b.GetAlpha(x, y) == 255;
    }
  EXPECT_EQ(opaque, 11);  // all but the old pixel
  // A gray image takes the gray of the background, not its red byte.
  b.Allocate(3, 3, PF::ie8g);
  proc.SetBackground(0x00FF00);
  proc.ImageResize(5, 3, 0, 0);
  EXPECT_EQ(b.GetPixel8(4, 0), IEGray8(0, 255, 0));
}

TEST(GeometryCrop, CropsToTheSelectionWithTransparentOutside) {
  TIEFakeView view;
  MakePattern(view.Own, 20, 10);
  TImgProc proc(nullptr);
  proc.SetAttachedImg(&view);
  proc.SetBackground(clWhite);
  // No selection: the undo entry is stored, the image is unchanged.
  proc.CropSel();
  EXPECT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(view.Own.Width(), 20);
  view.SelectPolygon({{4, 2}, {14, 2}, {4, 8}});
  const TIEMask& m = view.Mask;
  const int32_t x1 = m.X1(), y1 = m.Y1(), w = m.X2() - x1 + 1, h = m.Y2() - y1 + 1;
  proc.CropSel();
  ASSERT_EQ(view.Own.Width(), w);
  ASSERT_EQ(view.Own.Height(), h);
  ASSERT_TRUE(view.Own.HasAlphaChannel());
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      if (m.IsPointInside(x + x1, y + y1)) {
        EXPECT_EQ(*view.Own.PixelRGB(x, y), MakeTRGB(uint8_t(x + x1), uint8_t(y + y1), uint8_t(x + x1 + y + y1)));
        EXPECT_EQ(view.Own.GetAlpha(x, y), 255);
      } else {
        EXPECT_EQ(view.Own.GetAlpha(x, y), 0) << x << "," << y;
      }
    }
  // A rectangular selection leaves no alpha channel.
  MakePattern(view.Own, 20, 10);
  view.SelectPolygon({{2, 2}, {12, 2}, {12, 7}, {2, 7}});
  proc.CropSel();
  EXPECT_FALSE(view.Own.HasAlphaChannel());
}

}  // namespace
