#include "skin/engine/menus/effectbmp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <tuple>
#include <memory>
#include <vector>

#include "imaging/model/pixels/testsupport/pnm.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/arith.h"

namespace {

using TFill = std::function<int32_t(int32_t X, int32_t Y)>;

std::unique_ptr<TbsEffectBmp> Make(int32_t W, int32_t H, const TFill& Fill) {
  auto b = std::make_unique<TbsEffectBmp>(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) b->SetPixel(x, y, Fill(x, y));
  return b;
}

// Own pixels carry their column in blue and row in green; the other image's
// pixels have 0xC0 in red as well.
int32_t Own(int32_t X, int32_t Y) { return X | (Y << 8); }
int32_t Other(int32_t X, int32_t Y) { return X | (Y << 8) | (0xC0 << 16); }

std::vector<int32_t> Pixels(const TbsEffectBmp& B) {
  std::vector<int32_t> v;
  for (int32_t y = 0; y < B.PixHeight; ++y)
    for (int32_t x = 0; x < B.PixWidth; ++x) v.push_back(B.GetPixel(x, y));
  return v;
}

// Row Y as 'o' (own pixel of that place), 't' (the other's of that place) or '?'.
String RowKinds(const TbsEffectBmp& B, int32_t Y) {
  String s;
  for (int32_t x = 0; x < B.PixWidth; ++x) {
    const int32_t p = B.GetPixel(x, Y);
    s += p == Own(x, Y) ? 'o' : p == Other(x, Y) ? 't' : '?';
  }
  return s;
}

}  // namespace

TEST(EffectBmpLayout, RowsAreAlignedAndTopDown) {
  TbsEffectBmp b(5, 3);
  EXPECT_EQ(b.DataSize, 3 * 16);
  EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), 16);
  EXPECT_EQ(b.InfoHeader.biHeight, -3);
  EXPECT_EQ(b.InfoHeader.biBitCount, 24);
  b.SetPixel(4, 2, 0x7F112233);
  EXPECT_EQ(b.GetPixel(4, 2), 0x112233);
  EXPECT_EQ(b.ScanLine(2)[12], 0x33);  // blue first
  EXPECT_EQ(b.ScanLine(2)[14], 0x11);
  uint8_t line[15] = {};
  b.GetLine(2, line);
  EXPECT_EQ(line[12], 0x33);
  line[0] = 9;
  b.SetLine(0, line);
  EXPECT_EQ(b.GetPixel(0, 0) & 0xFF, 9);
  int32_t r = 300, g = -4, bl = 17;
  ClampRGB(r, g, bl);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(bl, 17);
}

TEST(EffectBmpLayout, FromHandleAndDrawRoundTrip) {
  TBitmap src;
  src.SetSize(7, 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 7; ++x) src.Canvas()->SetPixels(x, y, RGB(uint8_t(x * 30), uint8_t(y * 60), 7));
  auto e = TbsEffectBmp::CreateFromHandle(src.Handle());
  ASSERT_EQ(e->PixWidth, 7);
  ASSERT_EQ(e->PixHeight, 4);
  EXPECT_EQ(e->GetPixel(3, 2), (7 << 0) | (120 << 8) | (90 << 16));  // bytes blue, green, red
  TBitmap dst;
  dst.SetSize(12, 9);
  e->Draw(dst.Canvas()->Handle(), 2, 3);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 7; ++x) ASSERT_EQ(dst.Canvas()->Pixels(x + 2, y + 3), src.Canvas()->Pixels(x, y));
  EXPECT_EQ(dst.Canvas()->Pixels(1, 3), 0);
}

// ---- Transitions --------------------------------------------------------------------------

TEST(EffectBmpTransitions, OtherSizesLeaveTheImageAlone) {
  for (int32_t kind = 0; kind <= 6; ++kind)
    for (auto [w, h] : {std::pair{9, 4}, std::pair{8, 5}}) {
      auto own = Make(8, 4, Own);
      auto other = Make(w, h, Other);
      MorphByKind(own.get(), other.get(), 0.5, TbsMorphKind(kind));
      EXPECT_EQ(Pixels(*own), Pixels(*Make(8, 4, Own))) << kind;
    }
}

TEST(EffectBmpTransitions, MorphBlendsWithClampedK) {
  auto other = Make(3, 2, Other);
  struct TCase {
    double K;
    bool Same;  // as the own image; otherwise as the other
  } cases[] = {{0, true}, {-0.5, true}, {1, false}, {3, false}};
  for (const TCase& c : cases) {
    auto own = Make(3, 2, Own);
    own->Morph(other.get(), c.K);
    EXPECT_EQ(Pixels(*own), Pixels(c.Same ? *Make(3, 2, Own) : *other)) << c.K;
  }
  // Halves round to even: 0.5 * 100 + 0.5 * 201 = 150.5 -> 150; 0.5 * 101 + 0.5 * 202 = 151.5 -> 152.
  auto a = Make(1, 1, [](int32_t, int32_t) { return 100 | (101 << 8); });
  auto b = Make(1, 1, [](int32_t, int32_t) { return 201 | (202 << 8); });
  a->Morph(b.get(), 0.5);
  EXPECT_EQ(a->GetPixel(0, 0), 150 | (152 << 8));
}

TEST(EffectBmpTransitions, EdgeCasesOfTheGradientsSlidesAndPush) {
  struct TCase {
    const char* Name;
    void (TbsEffectBmp::*Fn)(const TbsEffectBmp*, double);
    int32_t W, H;
    double K;
    std::vector<String> Rows;
  } cases[] = {
      // a is at least 1: column 0 is the other's, column 1 still own.
      {"left gradient k 0", &TbsEffectBmp::MorphLeftGrad, 6, 1, 0, {"tooooo"}},
      {"left gradient one column", &TbsEffectBmp::MorphLeftGrad, 1, 2, 0, {"t", "t"}},
      {"right gradient k 0", &TbsEffectBmp::MorphRightGrad, 6, 1, 0, {"ooooot"}},
      {"left slide", &TbsEffectBmp::MorphLeftSlide, 10, 1, 0.3, {"???ooooooo"}},
      {"right slide", &TbsEffectBmp::MorphRightSlide, 10, 1, 0.3, {"ooooooo???"}},
      // half = 0, step 1: columns 1..9 the other's, column 0 own.
      {"horizontal gradient", &TbsEffectBmp::MorphHGrad, 10, 2, 0.9, {"ottttttttt", "ottttttttt"}},
      // half = 0, step 0: every row the other's.
      {"vertical gradient",
       &TbsEffectBmp::MorphVGrad,
       2,
       10,
       0.8,
       {"tt", "tt", "tt", "tt", "tt", "tt", "tt", "tt", "tt", "tt"}},
      {"gradient of a tall image",
       &TbsEffectBmp::MorphGrad,
       2,
       10,
       0.8,
       {"tt", "tt", "tt", "tt", "tt", "tt", "tt", "tt", "tt", "tt"}},
      {"gradient of a wide image", &TbsEffectBmp::MorphGrad, 10, 2, 0.9, {"ottttttttt", "ottttttttt"}},
  };
  for (const TCase& c : cases) {
    auto own = Make(c.W, c.H, Own);
    auto other = Make(c.W, c.H, Other);
    (own.get()->*c.Fn)(other.get(), c.K);
    std::vector<String> rows;
    for (int32_t y = 0; y < c.H; ++y) rows.push_back(RowKinds(*own, y));
    EXPECT_EQ(rows, c.Rows) << c.Name;
  }
  // The slides take the other's far columns: left slide 0..2 <- 7..9, right 7..9 <- 0..2.
  auto left = Make(10, 1, Own), right = Make(10, 1, Own), other = Make(10, 1, Other);
  left->MorphLeftSlide(other.get(), 0.3);
  right->MorphRightSlide(other.get(), 0.3);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(left->GetPixel(i, 0), Other(7 + i, 0));
    EXPECT_EQ(right->GetPixel(7 + i, 0), Other(i, 0));
  }
}

TEST(EffectBmpTransitions, PushShiftsByOneMoreColumn) {
  auto own = Make(6, 1, Own), other = Make(6, 1, Other);
  own->MorphPush(other.get(), 0);
  EXPECT_EQ(Pixels(*own), (std::vector<int32_t>{Other(5, 0), Own(0, 0), Own(1, 0), Own(2, 0), Own(3, 0), Own(4, 0)}));
  auto half = Make(6, 1, Own);
  half->MorphPush(other.get(), 0.5);  // a = 3: own moves right by 4
  EXPECT_EQ(Pixels(*half),
            (std::vector<int32_t>{Other(2, 0), Other(3, 0), Other(4, 0), Other(5, 0), Own(0, 0), Own(1, 0)}));
}

TEST(EffectBmpTransitions, RightGradientNeverReachesTheOwnImage) {
  auto own = Make(10, 1, [](int32_t, int32_t) { return 0; });
  auto other = Make(10, 1, [](int32_t, int32_t) { return 250; });
  own->MorphRightGrad(other.get(), 0.5);  // a = 5, step 1 / 5
  const std::vector<int32_t> expected{0, 0, 0, 0, 0, 50, 100, 150, 200, 250};
  EXPECT_EQ(Pixels(*own), expected);
  auto grad = Make(10, 1, [](int32_t, int32_t) { return 0; });
  grad->MorphLeftGrad(other.get(), 0.5);  // a = 5, step 1 / 5, columns 0..5
  EXPECT_EQ(Pixels(*grad), (std::vector<int32_t>{250, 200, 150, 100, 50, 0, 0, 0, 0, 0}));
}

// ---- Colour effects -------------------------------------------------------------------------

TEST(EffectBmpColours, ChannelFormulas) {
  struct TCase {
    const char* Name;
    std::function<void(TbsEffectBmp&)> Apply;
    int32_t In, Out;
  } cases[] = {
      {"grey of green", [](TbsEffectBmp& b) { b.GrayScale(); }, 0x00FF00, 150 * 0x010101},
      {"grey of white", [](TbsEffectBmp& b) { b.GrayScale(); }, 0xFFFFFF, 0xFFFFFF},
      {"grey of black", [](TbsEffectBmp& b) { b.GrayScale(); }, 0, 0},
      // Bytes blue 10, green 20, red 30 -> nint(9 + 11.8 + 1.1) = 22.
      {"grey by weights", [](TbsEffectBmp& b) { b.GrayScale(); }, 10 | (20 << 8) | (30 << 16), 22 * 0x010101},
      {"invert", [](TbsEffectBmp& b) { b.Invert(); }, 0x10FF00, 0xEF00FF},
      // nint(50 + 127.5) = 178 (ties to even), nint(0 + 127.5) = 128.
      {"brightness", [](TbsEffectBmp& b) { b.ChangeBrightness(0.5); }, 100 | (0 << 8), 178 | (128 << 8) | (128 << 16)},
      {"brightness clamps k", [](TbsEffectBmp& b) { b.ChangeBrightness(2); }, 7, 0xFFFFFF},
      {"darkness", [](TbsEffectBmp& b) { b.ChangeDarkness(0.3); }, 100 | (255 << 8), 70 | (178 << 8)},
      {"darkness clamps k", [](TbsEffectBmp& b) { b.ChangeDarkness(-1); }, 0x123456, 0x123456},
  };
  for (const TCase& c : cases) {
    auto b = Make(3, 2, [&](int32_t, int32_t) { return c.In; });
    c.Apply(*b);
    EXPECT_EQ(Pixels(*b), std::vector<int32_t>(6, c.Out)) << c.Name;
  }
  auto twice = Make(5, 3, Other);
  twice->Invert();
  twice->Invert();
  EXPECT_EQ(Pixels(*twice), Pixels(*Make(5, 3, Other)));
}

TEST(EffectBmpColours, MonoNoiseMovesAllChannelsAlike) {
  SetRandSeed(3);
  auto b = Make(20, 10, [](int32_t X, int32_t) { return X == 0 ? 0 : X == 1 ? 0xFFFFFF : 0x808080; });
  auto none = Make(4, 4, Own);
  none->AddMonoNoise(0);
  none->AddMonoNoise(-5);
  EXPECT_EQ(Pixels(*none), Pixels(*Make(4, 4, Own)));
  b->AddMonoNoise(50);
  bool changed = false;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 2; x < 20; ++x) {
      const int32_t p = b->GetPixel(x, y), v = p & 0xFF;
      ASSERT_EQ(p, v * 0x010101);
      ASSERT_GE(v, 0x80 - 25);
      ASSERT_LE(v, 0x80 + 24);
      changed = changed || v != 0x80;
    }
  EXPECT_TRUE(changed);
  for (int32_t y = 0; y < 10; ++y) {
    EXPECT_EQ(b->GetPixel(0, y) & 0xFF, b->GetPixel(0, y) >> 16);  // clamped at 0, still grey
    EXPECT_EQ(b->GetPixel(1, y) & 0xFF, b->GetPixel(1, y) >> 16);
  }
}

TEST(EffectBmpColours, SplitBlurInPlace) {
  // Blue values 0, 40 / 80, 120: each pixel averages four, reading the ones
  // already replaced; the last row and column fall back to row and column 1.
  auto b = Make(2, 2, [](int32_t X, int32_t Y) { return 40 * (X + 2 * Y); });
  b->SplitBlur(1);
  EXPECT_EQ(Pixels(*b), (std::vector<int32_t>{60, 75, 83, 84}));
  auto zero = Make(3, 3, Own);
  zero->SplitBlur(0);
  EXPECT_EQ(Pixels(*zero), Pixels(*Make(3, 3, Own)));
  // Amounts at or past the size and single rows or columns stay inside.
  for (auto [w, h, amount] : {std::tuple{1, 1, 1}, std::tuple{5, 1, 1}, std::tuple{1, 5, 1}, std::tuple{3, 3, 3},
                              std::tuple{4, 2, 9}, std::tuple{3, 3, -2}}) {
    auto s = Make(w, h, [](int32_t, int32_t) { return 0x505050; });
    s->SplitBlur(amount);
    EXPECT_EQ(Pixels(*s), std::vector<int32_t>(size_t(w * h), 0x505050)) << w << "x" << h << " by " << amount;
  }
}

TEST(EffectBmpColours, InactiveEffectTable) {
  const std::vector<std::function<void(TbsEffectBmp&)>> direct{
      [](TbsEffectBmp& b) { b.ChangeBrightness(0.5); }, [](TbsEffectBmp& b) { b.ChangeDarkness(0.3); },
      [](TbsEffectBmp& b) { b.GrayScale(); },           [](TbsEffectBmp& b) { b.AddMonoNoise(50); },
      [](TbsEffectBmp& b) { b.SplitBlur(1); },          [](TbsEffectBmp& b) { b.Invert(); }};
  for (size_t i = 0; i < direct.size(); ++i) {
    auto viaTable = Make(6, 4, Other), viaCall = Make(6, 4, Other);
    SetRandSeed(11);
    ApplyInactiveEffect(viaTable.get(), TbsSkinEffect(i));
    SetRandSeed(11);
    direct[i](*viaCall);
    EXPECT_EQ(Pixels(*viaTable), Pixels(*viaCall)) << i;
    EXPECT_NE(Pixels(*viaTable), Pixels(*Make(6, 4, Other))) << i;
  }
}

TEST(EffectBmpTransitions, MorphKindTable) {
  const std::vector<void (TbsEffectBmp::*)(const TbsEffectBmp*, double)> direct{
      &TbsEffectBmp::Morph,          &TbsEffectBmp::MorphGrad,      &TbsEffectBmp::MorphLeftGrad,
      &TbsEffectBmp::MorphRightGrad, &TbsEffectBmp::MorphLeftSlide, &TbsEffectBmp::MorphRightSlide,
      &TbsEffectBmp::MorphPush};
  auto other = Make(9, 5, Other);
  for (size_t i = 0; i < direct.size(); ++i) {
    auto viaTable = Make(9, 5, Own), viaCall = Make(9, 5, Own);
    MorphByKind(viaTable.get(), other.get(), 0.4, TbsMorphKind(i));
    (viaCall.get()->*direct[i])(other.get(), 0.4);
    EXPECT_EQ(Pixels(*viaTable), Pixels(*viaCall)) << i;
  }
}

// ---- Geometry ----------------------------------------------------------------------------------

TEST(EffectBmpGeometry, RotationsAndFlip) {
  auto src = Make(3, 2, Own);
  TbsEffectBmp cw(2, 3), back(3, 2), flip(3, 2), wrong(3, 3);
  src->Rotate90CW(&cw);
  // Source (x, y) -> (PixHeight - 1 - y, x): the left column becomes the top row.
  EXPECT_EQ(Pixels(cw), (std::vector<int32_t>{Own(0, 1), Own(0, 0), Own(1, 1), Own(1, 0), Own(2, 1), Own(2, 0)}));
  cw.Rotate90CCW(&back);
  EXPECT_EQ(Pixels(back), Pixels(*src));
  src->FlipVertical(&flip);
  EXPECT_EQ(Pixels(flip), (std::vector<int32_t>{Own(0, 1), Own(1, 1), Own(2, 1), Own(0, 0), Own(1, 0), Own(2, 0)}));
  std::vector<int32_t> before = Pixels(wrong);
  src->Rotate90CW(&wrong);  // a target of the wrong size is left alone
  EXPECT_EQ(Pixels(wrong), before);
}

// ---- Looking at them ------------------------------------------------------------------------------

TEST(EffectBmpLook, TransitionsAndEffectsSheet) {
  // Normal: a blue-to-white ramp; hot: an orange band pattern.
  auto normal = [](int32_t X, int32_t) { return 0xC00000 | ((X * 4) << 8) | (X * 4); };
  auto hot = [](int32_t, int32_t Y) { return (Y / 4) % 2 ? 0x0080FF : 0x40C0FF; };
  TBitmap sheet;
  sheet.SetSize(64 * 4 + 5 * 4, 24 * 4 + 5 * 4);
  sheet.Canvas()->Brush()->SetColor(clWhite);
  sheet.Canvas()->FillRect(TRect{0, 0, sheet.Width(), sheet.Height()});
  int32_t slot = 0;
  auto place = [&](TbsEffectBmp& b) {
    b.Draw(sheet.Canvas()->Handle(), 4 + (slot % 4) * 68, 4 + (slot / 4) * 28);
    ++slot;
  };
  for (int32_t kind = 0; kind <= 6; ++kind) {
    auto own = Make(64, 24, normal), other = Make(64, 24, hot);
    MorphByKind(own.get(), other.get(), 0.4, TbsMorphKind(kind));
    place(*own);
  }
  for (int32_t effect = 0; effect <= 5; ++effect) {
    auto b = Make(64, 24, normal);
    ApplyInactiveEffect(b.get(), TbsSkinEffect(effect));
    place(*b);
  }
  TbsEffectBmp target(64, 24);
  Make(64, 24, normal)->FlipVertical(&target);
  place(target);
  const std::filesystem::path dir = std::filesystem::path(PROJECT_SOURCE_DIR) / "build" / "looks" / "skin";
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(SavePng(sheet, (dir / "effects.png").string()));
}

// ---- Cross-checks with an independent tool ---------------------------------------------------------

namespace {

TPnmImage ToPnm(const TbsEffectBmp& B) {
  TPnmImage img = MakePnm('6', B.PixWidth, B.PixHeight);
  for (int32_t y = 0; y < B.PixHeight; ++y)
    for (int32_t x = 0; x < B.PixWidth; ++x) {
      const int32_t p = B.GetPixel(x, y);
      img.At(x, y, 0) = uint16_t((p >> 16) & 0xFF);
      img.At(x, y, 1) = uint16_t((p >> 8) & 0xFF);
      img.At(x, y, 2) = uint16_t(p & 0xFF);
    }
  return img;
}

class EffectBmpXcheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("convert")) GTEST_SKIP() << "convert is not installed";
    Dir = std::filesystem::temp_directory_path() / ("effectbmp-xcheck-" + std::to_string(getpid()));
    std::filesystem::create_directories(Dir);
    SetRandSeed(17);
    Source = Make(17, 9, [](int32_t, int32_t) { return Random(0x1000000); });
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }
  // The tool's answer for Source with one option.
  TPnmImage Tool(const char* Option, const char* Value = nullptr) {
    const String in = (Dir / "in.ppm").string(), out = (Dir / "out.ppm").string();
    EXPECT_TRUE(WritePnmFile(in, ToPnm(*Source)));
    std::vector<std::string> argv{"convert", in, Option};
    if (Value != nullptr) argv.push_back(Value);
    argv.push_back(out);
    EXPECT_EQ(RunTool(argv), 0);
    TPnmImage img;
    EXPECT_TRUE(ReadPnmFile(out, img));
    return img;
  }
  std::filesystem::path Dir;
  std::unique_ptr<TbsEffectBmp> Source;
};

}  // namespace

TEST_F(EffectBmpXcheck, Rotate90CWAsRotate90) {
  TbsEffectBmp target(9, 17);
  Source->Rotate90CW(&target);
  EXPECT_EQ(ToPnm(target), Tool("-rotate", "90"));
}

TEST_F(EffectBmpXcheck, FlipVerticalAsFlip) {
  TbsEffectBmp target(17, 9);
  Source->FlipVertical(&target);
  EXPECT_EQ(ToPnm(target), Tool("-flip"));
}

TEST_F(EffectBmpXcheck, InvertAsNegate) {
  TPnmImage expected = Tool("-negate");
  Source->Invert();
  EXPECT_EQ(ToPnm(*Source), expected);
}
