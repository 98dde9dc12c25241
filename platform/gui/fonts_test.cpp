#include "platform/gui/fonts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace {

TFontInstancePtr Font(const char* name, int32_t height, int32_t weight = 400, bool italic = false, int32_t width = 0) {
  TFontRequest r;
  r.FaceName = name;
  r.Height = height;
  r.Weight = weight;
  r.Italic = italic;
  r.Width = width;
  return AcquireFont(r);
}

int32_t Width(const TFontInstancePtr& f, std::u32string_view s) { return f->TextWidth(s.data(), s.size()); }

String FileName(const String& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

TEST(GfxFonts, SubstitutionTableResolvesToInstalledFaces) {
  for (const String& name : FontSubstitutionNames()) {
    SCOPED_TRACE(name);
    String family = FontSubstitute(name);
    ASSERT_FALSE(family.empty());
    TFontFileRef ref = ResolveFontFile(name, false, false);
    EXPECT_TRUE(std::filesystem::exists(ref.Path)) << ref.Path;
    EXPECT_EQ(ref.Family, family);
    EXPECT_FALSE(ref.SyntheticBold);
    EXPECT_FALSE(ref.SyntheticItalic);
  }
  EXPECT_EQ(FontSubstitute("arial"), "Liberation Sans");  // names compare without case
  EXPECT_EQ(FontSubstitute("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(FontSubstitute("Courier"), "Liberation Mono");
  EXPECT_EQ(FontSubstitute("Verdana"), "DejaVu Sans");
  EXPECT_EQ(FontSubstitute("Helvetica"), "");
}

TEST(GfxFonts, BoldAndItalicPickTheRealFaces) {
  struct Case {
    const char* Name;
    bool Bold, Italic;
    const char* File;
  } cases[] = {
      {"Arial", false, false, "LiberationSans-Regular.ttf"},
      {"Arial", true, false, "LiberationSans-Bold.ttf"},
      {"Tahoma", false, true, "LiberationSans-Italic.ttf"},
      {"MS Sans Serif", true, true, "LiberationSans-BoldItalic.ttf"},
      {"Times New Roman", true, false, "LiberationSerif-Bold.ttf"},
      {"Courier New", false, true, "LiberationMono-Italic.ttf"},
      {"Verdana", true, false, "DejaVuSans-Bold.ttf"},
      {"Verdana", false, true, "DejaVuSans-Oblique.ttf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Name) + (c.Bold ? " bold" : "") + (c.Italic ? " italic" : ""));
    TFontFileRef ref = ResolveFontFile(c.Name, c.Bold, c.Italic);
    EXPECT_EQ(FileName(ref.Path), c.File);
    EXPECT_FALSE(ref.SyntheticBold);
    EXPECT_FALSE(ref.SyntheticItalic);
  }
}

TEST(GfxFonts, UnknownNamesGoThroughFontconfigWithALastResort) {
  for (const char* name : {"No Such Face 4711", "", "DejaVu Serif"}) {
    SCOPED_TRACE(name);
    TFontFileRef ref = ResolveFontFile(name, false, false);
    EXPECT_TRUE(std::filesystem::exists(ref.Path)) << ref.Path;
  }
  EXPECT_EQ(ResolveFontFile("DejaVu Serif", false, false).Family, "DejaVu Serif");
  EXPECT_EQ(ResolveFontFile("", false, false).Family, "Liberation Sans");
}

// fontconfig itself carries the same metric aliases as our table.
TEST(GfxFonts, FcMatchAgreesOnTheMetricAliases) {
  if (!std::filesystem::exists("/usr/bin/fc-match")) GTEST_SKIP() << "fc-match not installed";
  struct Case {
    const char* Name;
    const char* Family;
  } cases[] = {
      {"Arial", "Liberation Sans"}, {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"}};
  for (const Case& c : cases) {
    String cmd = String("fc-match -f '%{family[0]}' '") + c.Name + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[256] = {};
    size_t n = fread(buf, 1, sizeof(buf) - 1, p);
    pclose(p);
    EXPECT_EQ(String(buf, n), c.Family) << c.Name;
    EXPECT_EQ(FontSubstitute(c.Name), c.Family);
  }
}

TEST(GfxFonts, HeightSelectsEmOrCell) {
  struct Case {
    int32_t Height;
    int32_t Em;    // expected em pixels, 0: not checked
    int32_t Cell;  // expected cell height, 0: not checked
  } cases[] = {{-11, 11, 0}, {-16, 16, 0}, {-40, 40, 0}, {13, 0, 13}, {20, 0, 20}, {0, 0, 16}, {1, 0, 1}};
  for (const char* name : {"Arial", "Times New Roman", "Courier New", "Verdana"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(String(name) + " " + std::to_string(c.Height));
      const TFontMetrics& m = Font(name, c.Height)->Metrics();
      if (c.Em) {
        EXPECT_EQ(m.EmHeight, c.Em);
      }
      if (c.Cell) {
        EXPECT_EQ(m.Height, c.Cell);
      }
      EXPECT_EQ(m.Height, m.Ascent + m.Descent);
      EXPECT_EQ(m.InternalLeading, std::max(0, m.Height - m.EmHeight));
      EXPECT_GE(m.Ascent, m.Descent);
      EXPECT_GE(m.MaxCharWidth, m.AveCharWidth);
      EXPECT_GE(m.ExternalLeading, 0);
    }
  }
  // Large cells stay in proportion: the cell of a 100 px em font.
  const TFontMetrics& big = Font("Arial", -100)->Metrics();
  EXPECT_EQ(big.Ascent, 91);   // 1854 / 2048 of the em, rounded
  EXPECT_EQ(big.Descent, 21);  // 434 / 2048
  // Hostile sizes are bounded.
  EXPECT_LE(Font("Arial", INT32_MIN)->Metrics().EmHeight, 2000);
  EXPECT_LE(Font("Arial", INT32_MAX)->Metrics().Height, 2000);
}

TEST(GfxFonts, AverageWidthIsTheLowerCaseWeightedAverage) {
  // Liberation Sans has Arial's advances: the weighted lower-case average is
  // 904 of 2048 units, which is what Arial reports.
  EXPECT_EQ(Font("Arial", -2048 / 4)->Metrics().AveCharWidth, 226);
  // An asked-for width stretches the glyphs to that average.
  TFontInstancePtr natural = Font("Arial", -20);
  TFontInstancePtr wide = Font("Arial", -20, 400, false, natural->Metrics().AveCharWidth * 2);
  EXPECT_EQ(wide->Metrics().AveCharWidth, natural->Metrics().AveCharWidth * 2);
  int32_t n = Width(natural, U"abcdefghijklmnop"), w = Width(wide, U"abcdefghijklmnop");
  EXPECT_GT(w, n * 17 / 10);
  EXPECT_LT(w, n * 23 / 10);
}

TEST(GfxFonts, PitchFamilyWeightAndStyle) {
  const TFontMetrics& sans = Font("Arial", -12)->Metrics();
  const TFontMetrics& serif = Font("Times New Roman", -12)->Metrics();
  const TFontMetrics& mono = Font("Courier New", -12)->Metrics();
  EXPECT_EQ(sans.PitchAndFamily & 0xF0, FF_SWISS);
  EXPECT_EQ(serif.PitchAndFamily & 0xF0, FF_ROMAN);
  EXPECT_EQ(mono.PitchAndFamily & 0xF0, FF_MODERN);
  // The "fixed pitch" bit is set for variable-pitch fonts.
  EXPECT_TRUE(sans.PitchAndFamily & TMPF_FIXED_PITCH);
  EXPECT_FALSE(mono.PitchAndFamily & TMPF_FIXED_PITCH);
  EXPECT_TRUE(sans.PitchAndFamily & TMPF_TRUETYPE);
  EXPECT_EQ(sans.FirstChar, 0x21u);

  TFontInstancePtr monoFont = Font("Courier New", -12);
  EXPECT_EQ(Width(monoFont, U"iiii"), Width(monoFont, U"WWWW"));

  TFontInstancePtr regular = Font("Arial", -16), bold = Font("Arial", -16, 700);
  EXPECT_EQ(regular->Metrics().Weight, 400);
  EXPECT_EQ(bold->Metrics().Weight, 700);
  EXPECT_EQ(Font("Arial", -16, 0)->Metrics().Weight, 400);
  EXPECT_GT(Width(bold, U"Hello world"), Width(regular, U"Hello world"));
  EXPECT_TRUE(Font("Arial", -16, 400, true)->Metrics().Italic);
}

TEST(GfxFonts, AdvancesAreWholePixelsAddedUp) {
  TFontInstancePtr f = Font("Arial", -13);
  std::u32string s = U"Straße, ÆØÅ — x";
  std::vector<int32_t> adv(s.size());
  f->Advances(s.data(), s.size(), adv.data());
  int32_t sum = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(adv[i], f->Advance(s[i]));
    EXPECT_GT(adv[i], 0);
    sum += adv[i];
  }
  EXPECT_EQ(f->TextWidth(s.data(), s.size()), sum);
  // No kerning: a pair measures as its two parts.
  EXPECT_EQ(Width(f, U"AV"), Width(f, U"A") + Width(f, U"V"));
}

namespace {

// Bounding box of nonzero coverage.
struct TInk {
  int32_t Left = INT32_MAX, Top = INT32_MAX, Right = INT32_MIN, Bottom = INT32_MIN;
  bool Any() const { return Right >= Left; }
};

TInk InkOf(const TCoverageMask& m) {
  TInk ink;
  for (int32_t y = 0; y < m.Height; ++y)
    for (int32_t x = 0; x < m.Width; ++x)
      if (m.Bits[size_t(y) * m.Width + x]) {
        ink.Left = std::min(ink.Left, m.Left + x);
        ink.Right = std::max(ink.Right, m.Left + x + 1);
        ink.Top = std::min(ink.Top, m.Top + y);
        ink.Bottom = std::max(ink.Bottom, m.Top + y + 1);
      }
  return ink;
}

TCoverageMask RenderRun(const TFontInstancePtr& f, std::u32string_view s, int32_t escapement, bool aa) {
  std::vector<int32_t> pens(s.size());
  int32_t x = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    pens[i] = x;
    x += f->Advance(s[i]);
  }
  TCoverageMask mask;
  mask.Reset(0, 0, 200, 200);
  TRunPlacement place{100, 100, escapement};
  f->Render(s.data(), s.size(), pens.data(), 0, place, aa, mask);
  return mask;
}

}  // namespace

TEST(GfxFonts, GlyphsRenderUprightAndRotated) {
  TFontInstancePtr f = Font("Arial", -20);
  const TFontMetrics& m = f->Metrics();
  int32_t w = Width(f, U"HHHH");

  TCoverageMask upright = RenderRun(f, U"HHHH", 0, true);
  TInk ink = InkOf(upright);
  ASSERT_TRUE(ink.Any());
  // On the baseline (y = 100), inside the advance, no taller than the ascent.
  EXPECT_EQ(ink.Bottom, 100);
  EXPECT_GE(ink.Left, 100);
  EXPECT_LE(ink.Right, 100 + w);
  EXPECT_GE(ink.Top, 100 - m.Ascent);
  EXPECT_GT(ink.Right - ink.Left, ink.Bottom - ink.Top);

  // 90 degrees counter-clockwise: the run goes up from the reference point.
  TInk up = InkOf(RenderRun(f, U"HHHH", 900, true));
  ASSERT_TRUE(up.Any());
  EXPECT_GT(up.Bottom - up.Top, up.Right - up.Left);
  EXPECT_LE(up.Bottom, 101);
  EXPECT_GE(up.Top, 100 - w - 1);
  EXPECT_LE(up.Right, 100 + 1);  // glyph tops point left, away from the baseline
  EXPECT_GE(up.Left, 100 - m.Ascent - 1);
  // Same glyphs, same extent along the run.
  EXPECT_NEAR(up.Bottom - up.Top, ink.Right - ink.Left, 2);

  TInk down = InkOf(RenderRun(f, U"HHHH", 2700, true));
  ASSERT_TRUE(down.Any());
  EXPECT_GE(down.Top, 99);
  EXPECT_GE(down.Left, 99);
}

TEST(GfxFonts, QualityChangesTheCoverageNotTheAdvances) {
  TFontInstancePtr f = Font("Arial", -24);
  TCoverageMask aa = RenderRun(f, U"Oslo", 0, true), mono = RenderRun(f, U"Oslo", 0, false);
  bool partial = false;
  for (uint8_t v : aa.Bits) partial = partial || (v != 0 && v != 255);
  EXPECT_TRUE(partial);
  for (uint8_t v : mono.Bits) ASSERT_TRUE(v == 0 || v == 255);
  TInk a = InkOf(aa), b = InkOf(mono);
  ASSERT_TRUE(b.Any());
  EXPECT_NEAR(a.Left, b.Left, 2);
  EXPECT_NEAR(a.Right, b.Right, 2);
}

TEST(GfxFonts, RunRectanglesFollowTheEscapement) {
  TCoverageMask mask;
  mask.Reset(0, 0, 40, 40);
  FillRunRect(TRunPlacement{10, 20, 0}, 0, 2, 10, 4, mask);
  TInk flat = InkOf(mask);
  EXPECT_EQ(flat.Left, 10);
  EXPECT_EQ(flat.Right, 20);
  EXPECT_EQ(flat.Top, 22);
  EXPECT_EQ(flat.Bottom, 24);

  mask.Reset(0, 0, 40, 40);
  FillRunRect(TRunPlacement{10, 20, 900}, 0, 2, 10, 4, mask);
  TInk up = InkOf(mask);  // u runs up, v runs right
  EXPECT_EQ(up.Left, 12);
  EXPECT_EQ(up.Right, 14);
  EXPECT_EQ(up.Top, 10);
  EXPECT_EQ(up.Bottom, 20);
}

// FreeType is shared by every thread: concurrent measuring and rendering
// must give what one thread gets.
TEST(GfxFonts, ThreadsShareTheCacheSafely) {
  const std::u32string text = U"The quick brown fox jumps over the lazy dog 0123456789";
  TFontInstancePtr ref = Font("Times New Roman", -15);
  const int32_t expected = Width(ref, text);
  const std::vector<uint8_t> expectedBits = RenderRun(ref, text, 0, true).Bits;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        TFontInstancePtr f = Font("Times New Roman", -15);
        if (Width(f, text) != expected) ++failures;
        if (RenderRun(f, text, 0, true).Bits != expectedBits) ++failures;
        // Other sizes and faces churn the caches meanwhile.
        TFontInstancePtr g = Font(t % 2 ? "Arial" : "Verdana", -(8 + i + t));
        if (Width(g, text) <= 0) ++failures;
        RenderRun(g, text, 450 * t, t % 2 == 0);
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}
