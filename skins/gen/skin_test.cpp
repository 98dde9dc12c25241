// The generated skins: determinism, the recorded digests, the lint on the
// build tree's containers, and each lint rule caught by a one-rule mutation.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "platform/gui/graphics.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/tools_testing.h"
#include "skin/engine/data/skindata.h"
#include "skins/gen/atlas.h"
#include "skins/gen/generator.h"
#include "skins/gen/lint.h"

namespace {

const String kThemes = SKINS_THEMES_DIR;
const String kBuilt = SKINS_BUILD_DIR;
const int kSkins[] = {9};

String ThemeFile(int N) { return kThemes + "/" + (N < 10 ? "0" : "") + IntToStr(N) + ".ini"; }
String BuiltSkin(int N) { return kBuilt + "/skn/" + IntToStr(N) + ".skn"; }

// crc32 and size of the inflated container.
std::pair<uint32_t, int64_t> Digest(const String& Skn) {
  TbsCompressedStoredSkin skin(nullptr);
  skin.LoadFromCompressedFile(Skn);
  TMemoryStream data;
  skin.DecompressToStream(&data);
  const uint32_t crc = uint32_t(crc32(0, static_cast<const Bytef*>(data.Memory()), uInt(data.Size())));
  return {crc, data.Size()};
}

// "N crc32-hex size" per line.
std::map<int, std::pair<uint32_t, int64_t>> RecordedDigests() {
  std::ifstream in(PROJECT_SOURCE_DIR "/skins/review/digests.txt");
  std::map<int, std::pair<uint32_t, int64_t>> digests;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int n = 0;
    std::string crc;
    int64_t size = 0;
    fields >> n >> crc >> size;
    digests[n] = {uint32_t(std::stoul(crc, nullptr, 16)), size};
  }
  return digests;
}

std::string Describe(const std::vector<TLintFailure>& Failures) {
  std::string s;
  for (const TLintFailure& f : Failures) s += "[" + f.Section + "] " + f.Key + ": " + f.Reason + "\n";
  return s;
}

TEST(GeneratedSkins, GenerationIsDeterministic) {
  for (int n : kSkins) {
    const TSkinTheme theme = LoadThemeFile(ThemeFile(n));
    const TGeneratedSkin a = GenerateSkin(theme), b = GenerateSkin(theme);
    EXPECT_EQ(a.IniText, b.IniText) << n;
    EXPECT_TRUE(a.Picture == b.Picture && a.InactivePicture == b.InactivePicture && a.Mask == b.Mask) << n;
    EXPECT_TRUE(a.Active == b.Active) << n;
  }
}

TEST(GeneratedSkins, ContainersMatchTheRecordedDigests) {
  const auto recorded = RecordedDigests();
  for (int n : kSkins) {
    TTestTempDir dir;
    WriteSkinFiles(GenerateSkin(LoadThemeFile(ThemeFile(n))), dir.Path());
    TbsCompressedStoredSkin skin(nullptr);
    skin.LoadFromSkinIni(dir.File("skin.ini"));
    skin.SaveToCompressedFile(dir.File("fresh.skn"));
    const auto fresh = Digest(dir.File("fresh.skn"));
    EXPECT_EQ(fresh, Digest(BuiltSkin(n))) << "skin " << n << ": the build tree's container is stale";
    ASSERT_TRUE(recorded.count(n)) << "skin " << n << " has no line in skins/review/digests.txt";
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", fresh.first);
    EXPECT_EQ(fresh, recorded.at(n)) << "skin " << n << " changed its look (now " << hex << " " << fresh.second
                                     << "): run skintool shot --skin " << n
                                     << ", look at the pages, then update skins/review/digests.txt and "
                                        "skins/review/"
                                     << (n < 10 ? "0" : "") << n << ".md";
  }
}

TEST(GeneratedSkins, LintPassesOnEveryBuiltSkin) {
  for (int n : kSkins) {
    const auto failures = LintSkinFile(BuiltSkin(n));
    EXPECT_TRUE(failures.empty()) << "skin " << n << ":\n" << Describe(failures);
  }
}

// Every material and caption-button shape, on either side, with a designed
// inactive picture or an effect: each variant of skin 9 passes the lint.
TEST(GeneratedSkins, EveryMaterialAndButtonShapePassesTheLint) {
  struct TVariant {
    TSkinMaterial Material;
    TButtonShape Shape;
    bool Left, InactivePicture;
  };
  const TVariant variants[] = {{TSkinMaterial::smFlat, TButtonShape::bsSquare, false, false},
                               {TSkinMaterial::smGradient, TButtonShape::bsDisc, false, true},
                               {TSkinMaterial::smGlossy, TButtonShape::bsStrip, true, true},
                               {TSkinMaterial::smBevel, TButtonShape::bsRounded, true, false},
                               {TSkinMaterial::smPinstripe, TButtonShape::bsDisc, true, true},
                               {TSkinMaterial::smGlass, TButtonShape::bsStrip, false, true}};
  for (const TVariant& v : variants) {
    TSkinTheme theme = LoadThemeFile(ThemeFile(9));
    theme.Material = v.Material;
    theme.Metrics.ButtonShape = v.Shape;
    theme.Metrics.ButtonsLeft = v.Left;
    theme.InactivePicture = v.InactivePicture;
    theme.InactiveEffect = TbsSkinEffect::ieBrightness;
    TTestTempDir dir;
    WriteSkinFiles(GenerateSkin(theme), dir.Path());
    TbsCompressedStoredSkin skin(nullptr);
    skin.LoadFromSkinIni(dir.File("skin.ini"));
    skin.SaveToCompressedFile(dir.File("variant.skn"));
    const auto failures = LintSkinFile(dir.File("variant.skn"));
    EXPECT_TRUE(failures.empty()) << "material " << int(v.Material) << ", shape " << int(v.Shape) << ":\n"
                                  << Describe(failures);
  }
}

// ---- one rule broken at a time ----------------------------------------------------

struct TMutation {
  const char* Name;
  std::function<void(TbsSkinLayout&, TMemIniFile&)> Apply;
  const char* Section;
  const char* Key;
};

TRect IniRect(TMemIniFile& Ini, const char* Section, const char* Key) { return ReadIniRect(&Ini, Section, Key); }

void SwapKeys(TMemIniFile& Ini, const char* Section, const char* A, const char* B) {
  const String a = Ini.ReadString(Section, A, ""), b = Ini.ReadString(Section, B, "");
  Ini.WriteString(Section, A, b);
  Ini.WriteString(Section, B, a);
}

void SetPixel(TBitmap& B, int32_t X, int32_t Y, TRgb C) {
  B.SetPixelFormat(TPixelFormat::pf24bit);
  uint8_t* p = B.ScanLine(Y) + 3 * X;
  p[0] = C.B;
  p[1] = C.G;
  p[2] = C.R;
}

const TMutation kMutations[] = {
    {"negative coordinate",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       const TRect r = IniRect(Ini, "button", "skinrect");
       Ini.WriteString(
           "button", "skinrect",
           "-" + IntToStr(r.Left) + "," + IntToStr(r.Top) + "," + IntToStr(r.Right) + "," + IntToStr(r.Bottom));
     },
     "button", "skinrect"},
    {"missing section", [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.EraseSection("HINTWINDOW"); }, "HINTWINDOW", ""},
    {"state rect one pixel narrower",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       TRect r = IniRect(Ini, "button", "activeskinrect");
       r.Right -= 1;
       WriteIniRect(&Ini, "button", "activeskinrect", r);
     },
     "button", "activeskinrect"},
    {"key colour inside a sprite",
     [](TbsSkinLayout& L, TMemIniFile& Ini) {
       const TRect r = IniRect(Ini, "checkbox", "checkimagerect");
       SetPixel(*L.ActivePictures[Ini.ReadInteger("checkbox", "pictureindex", 0)], r.Left + 5, r.Top + 5, kKeyColour);
     },
     "checkbox", "checkimagerect"},
    {"three-part edit", [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.WriteString("edit", "rightbottompoint", "0,0"); },
     "edit", "rightbottompoint"},
    {"tiled gradient", [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.WriteString("button", "stretcheffect", "0"); },
     "button", "stretcheffect"},
    {"rect outside its frame",
     [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.WriteString("gauge", "progressrect", "2000,0,2024,13"); }, "gauge",
     "progressrect"},
    {"unresolved listboxname",
     [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.WriteString("combobox", "listboxname", "nolistbox"); }, "combobox",
     "listboxname"},
    {"low-contrast font colour",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       Ini.WriteString("button", "fontcolor", Ini.ReadString("SKINCOLORS", "cbtnface", "0"));
     },
     "button", "fontcolor"},
    {"hot image equal to the normal one",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       Ini.WriteString("button", "activeskinrect", Ini.ReadString("button", "skinrect", ""));
     },
     "button", "activeskinrect"},
    {"font height outside 13..14", [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.WriteInteger("edit", "fontheight", 11); },
     "edit", "fontheight"},
    {"relative rect outside its skinrect",
     [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.WriteString("checkbox", "textarea", "19,0,200,17"); }, "checkbox",
     "textarea"},
    {"low-contrast menu item colour",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       Ini.WriteString("menuitem", "activefontcolor", Ini.ReadString("SKINCOLORS", "chighlight", "0"));
     },
     "menuitem", "activefontcolor"},
    {"low-contrast colour on a plain background",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       Ini.WriteString("treeview", "fontcolor", Ini.ReadString("treeview", "bgcolor", "0"));
     },
     "treeview", "fontcolor"},
    {"up-down increasing button on the left",
     [](TbsSkinLayout&, TMemIniFile& Ini) { SwapKeys(Ini, "hupdown", "upbuttonrect", "downbuttonrect"); }, "hupdown",
     "upbuttonrect"},
    {"scroll bar arrows swapped",
     [](TbsSkinLayout&, TMemIniFile& Ini) { SwapKeys(Ini, "hscrollbar", "upbuttonrect", "downbuttonrect"); },
     "hscrollbar", "upbuttonrect"},
    {"slider thumb with one state",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       TRect r = IniRect(Ini, "slider", "hthumbrect");
       r.Right = r.Left + r.Width() / 2;
       WriteIniRect(&Ini, "slider", "hthumbrect", r);
     },
     "slider", "hthumbrect"},
    {"vertical thumb taken from the horizontal one",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       Ini.WriteString("slider", "vthumbrect", Ini.ReadString("slider", "hthumbrect", ""));
     },
     "slider", "vthumbrect"},
    {"ruler without its key margin",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       TRect r = IniRect(Ini, "slider", "hrulerrect");
       WriteIniRect(&Ini, "slider", "hrulerrect", Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1));
     },
     "slider", "hrulerrect"},
    {"scroll-bar thumb tiled over its rounded end",
     [](TbsSkinLayout&, TMemIniFile& Ini) { Ini.WriteInteger("vscrollbar", "thumboffset1", 0); }, "vscrollbar",
     "thumbrect"},
    {"mismatched picture counts",
     [](TbsSkinLayout&, TMemIniFile& Ini) {
       Ini.WriteInteger("PICTURES", "activepicturescount", Ini.ReadInteger("PICTURES", "activepicturescount", 0) - 1);
     },
     "PICTURES", "activepicturescount"},
};

TEST(GeneratedSkins, LintCatchesEachRuleWithSectionAndKey) {
  for (const TMutation& m : kMutations) {
    TbsCompressedStoredSkin skin(nullptr);
    skin.LoadFromCompressedFile(BuiltSkin(9));
    TbsStagedSkin staged;
    ASSERT_TRUE(StageSkin(&skin, staged));
    TMemIniFile ini("");
    ini.SetText(staged.Layout.IniText);
    m.Apply(staged.Layout, ini);
    staged.Layout.IniText = ini.GetText();
    const auto failures = LintSkinLayout(staged.Layout);
    const bool caught = std::any_of(failures.begin(), failures.end(),
                                    [&](const TLintFailure& f) { return f.Section == m.Section && f.Key == m.Key; });
    EXPECT_TRUE(caught) << m.Name << " not reported as [" << m.Section << "] " << m.Key << "; got:\n"
                        << Describe(failures);
  }
}

}  // namespace
