#include "skin/engine/data/skinini.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"
#include "skin/engine/data/skinini_testing.h"

namespace {

struct RectCase {
  const char* Text;
  std::optional<TRect> Expected;  // nullopt: EConvertError
};

TEST(SkinIniParse, RectKeepsOnlyDigitsAndRejectsEmptyOrHugeFields) {
  const RectCase cases[] = {
      {"1,2,3,4", Rect(1, 2, 3, 4)},
      {"-5, 12,-1,0", Rect(5, 12, 1, 0)},
      {"1a0,2,3,4", Rect(10, 2, 3, 4)},
      {"0x10,0,0,0", Rect(10, 0, 0, 0)},
      {"1,2,3,4,5,6", Rect(1, 2, 3, 4)},
      {"1,2,3,4,,oops,99999999999", Rect(1, 2, 3, 4)},
      {"2147483647,0,0,0", Rect(2147483647, 0, 0, 0)},
      {"5,,7,9", std::nullopt},
      {"1,2,3", std::nullopt},
      {"", std::nullopt},
      {"2147483648,0,0,0", std::nullopt},
      {"1,2,3,99999999999999999999", std::nullopt},
  };
  for (const RectCase& c : cases) {
    SCOPED_TRACE(c.Text);
    if (c.Expected)
      EXPECT_EQ(ParseRectValue(c.Text), *c.Expected);
    else
      EXPECT_THROW(ParseRectValue(c.Text), EConvertError);
  }
}

TEST(SkinIniParse, PointHasTwoFields) {
  EXPECT_EQ(ParsePointValue("-5, 12"), Point(5, 12));
  EXPECT_EQ(ParsePointValue("1a0,2"), Point(10, 2));
  EXPECT_EQ(ParsePointValue("1,2,garbage,,"), Point(1, 2));
  EXPECT_THROW(ParsePointValue("7"), EConvertError);
  EXPECT_THROW(ParsePointValue(",3"), EConvertError);
  EXPECT_THROW(ParsePointValue("3,4294967296"), EConvertError);
}

TEST(SkinIniRead, MissingRectAndPointAreZeroButEmptyValueRaises) {
  auto ini = IniFromText("[s]\nr=\nhex=0x10\nrect=0x10,1,2,3\n");
  EXPECT_EQ(ReadIniRect(ini.get(), "s", "absent"), TRect());
  EXPECT_EQ(ReadIniPoint(ini.get(), "nosection", "p"), TPoint());
  EXPECT_THROW(ReadIniRect(ini.get(), "s", "r"), EConvertError);
  EXPECT_EQ(ini->ReadInteger("s", "hex", 0), 16);
  EXPECT_EQ(ReadIniRect(ini.get(), "s", "rect").Left, 10);
}

TEST(SkinIniRead, BooleanIsExactlyOne) {
  auto ini = IniFromText("[s]\none=1\ntwo=2\nhex=0x1\ntext=true\n");
  EXPECT_TRUE(ReadIniBoolean(ini.get(), "s", "one"));
  EXPECT_TRUE(ReadIniBoolean(ini.get(), "s", "hex"));
  EXPECT_FALSE(ReadIniBoolean(ini.get(), "s", "two"));
  EXPECT_FALSE(ReadIniBoolean(ini.get(), "s", "text"));
  EXPECT_FALSE(ReadIniBoolean(ini.get(), "s", "absent"));
}

TEST(SkinIniRead, FontStylesAreCaseSensitiveSubstrings) {
  using enum TFontStyle;
  const struct {
    const char* Text;
    TFontStyles Expected;
  } cases[] = {
      {"fsbold,fsitalic", {fsBold, fsItalic}},
      {"fsitalic fsbold", {fsBold, fsItalic}},
      {"xxfsboldyy", {fsBold}},
      {"FSBOLD", {}},
      {"fsunderline;fsstrikeout", {fsUnderline, fsStrikeOut}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    auto ini = IniFromText(String("[s]\nfs=") + c.Text + "\n");
    EXPECT_EQ(ReadIniFontStyle(ini.get(), "s", "fs"), c.Expected);
  }
}

TEST(SkinIniRead, StringsAppendAndFillMissingItems) {
  auto ini = IniFromText("[s]\nitemscount=2\n0=first\nzerocount=0\nnegcount=-3\nhugecount=10001\nmaxcount=10000\n");
  TStringList list;
  list.Add("kept");
  ReadIniStrings(ini.get(), "s", "items", &list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Strings(0), "kept");
  EXPECT_EQ(list.Strings(1), "first");
  EXPECT_EQ(list.Strings(2), "");

  ReadIniStrings(ini.get(), "s", "zero", &list);
  ReadIniStrings(ini.get(), "s", "neg", &list);
  ReadIniStrings(ini.get(), "s", "absent", &list);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_THROW(ReadIniStrings(ini.get(), "s", "huge", &list), EConvertError);
  EXPECT_EQ(list.Count(), 3);
  ReadIniStrings(ini.get(), "s", "max", &list);
  EXPECT_EQ(list.Count(), 10003);
}

// Each enumeration falls back differently for a missing key and for a word
// of no value; a present but empty key is an unknown word.
TEST(SkinIniRead, EnumerationFallbacks) {
  auto ini = IniFromText(
      "[unknown]\nalignment=center\nstretchtype=STVERT\nmorphkind=mkfancy\ninactiveeffect=blur\ncommand=cmhide\n"
      "[empty]\nalignment=\nstretchtype=\nmorphkind=\ninactiveeffect=\ncommand=\n"
      "[words]\nalignment=taleftjustify\nstretchtype=stvert\nmorphkind=mkpush\ninactiveeffect=ieinvert\n"
      "command=cmminimizetotray\n");
  const auto read = [&](const char* section) {
    TMemIniFile* i = ini.get();
    return std::array<int, 5>{static_cast<int>(ReadIniAlignment(i, section, "alignment")),
                              static_cast<int>(ReadIniStretchType(i, section, "stretchtype")),
                              static_cast<int>(ReadIniMorphKind(i, section, "morphkind")),
                              static_cast<int>(ReadIniEffect(i, section, "inactiveeffect")),
                              static_cast<int>(ReadIniStdCommand(i, section, "command"))};
  };
  // alignment, stretch type, morph kind, effect, command
  EXPECT_EQ(read("missing"), (std::array<int, 5>{2, 0, 0, 0, 4}));
  EXPECT_EQ(read("unknown"), (std::array<int, 5>{1, 1, 0, 2, 6}));
  EXPECT_EQ(read("empty"), (std::array<int, 5>{1, 1, 0, 2, 6}));
  EXPECT_EQ(read("words"), (std::array<int, 5>{0, 2, 6, 5, 6}));
}

TEST(SkinIniWrite, NumbersKeepTheirSignButReadBackPositive) {
  TMemIniFile ini("");
  WriteIniRect(&ini, "s", "r", Rect(-5, 12, -2147483647 - 1, 0));
  WriteIniPoint(&ini, "s", "p", Point(-3, 4));
  EXPECT_EQ(ini.ReadString("s", "r", ""), "-5,12,-2147483648,0");
  EXPECT_EQ(ini.ReadString("s", "p", ""), "-3,4");
  EXPECT_EQ(ReadIniPoint(&ini, "s", "p"), Point(3, 4));
  // The minus sign is dropped, leaving a value beyond int32.
  EXPECT_THROW(ReadIniRect(&ini, "s", "r"), EConvertError);
  WriteIniRect(&ini, "s", "r", Rect(-5, 12, -7, 0));
  EXPECT_EQ(ReadIniRect(&ini, "s", "r"), Rect(5, 12, 7, 0));
}

TEST(SkinIniWrite, WordsFlagsAndStyles) {
  TMemIniFile ini("");
  WriteIniBoolean(&ini, "s", "b", true);
  WriteIniFontStyle(&ini, "s", "fs", {TFontStyle::fsStrikeOut, TFontStyle::fsBold});
  WriteIniFontStyle(&ini, "s", "none", {});
  WriteIniAlignment(&ini, "s", "a", TAlignment::taCenter);
  WriteIniStretchType(&ini, "s", "st", TbsStretchType::stHorz);
  WriteIniMorphKind(&ini, "s", "mk", TbsMorphKind::mkRightSlide);
  WriteIniEffect(&ini, "s", "e", TbsSkinEffect::ieSplitBlur);
  WriteIniStdCommand(&ini, "s", "c", TbsStdCommand::cmMinimizeToTray);
  EXPECT_EQ(ini.GetText(),
            "[s]\r\nb=1\r\nfs=fsbold,fsstrikeout\r\nnone=\r\na=tacenter\r\nst=sthorz\r\nmk=mkrightslide\r\n"
            "e=iesplitblur\r\nc=cmminimizetotray\r\n\r\n");
}

TEST(SkinIni, CheckNeedsEverySection) {
  const String all = "[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\n[SKINCONTROLS]\n";
  EXPECT_TRUE(CheckSkinIni(IniFromText(all).get()));
  EXPECT_TRUE(CheckSkinIni(IniFromText("[version]\n[pictures]\n[forminfo]\n[skinobjects]\n[skincontrols]\n").get()));
  EXPECT_FALSE(CheckSkinIni(IniFromText("[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINOBJECTS]\n").get()));
}

TEST(SkinIni, SplitSectionKindAtFirstColon) {
  const struct {
    const char* Value;
    const char* Section;
    const char* Kind;
  } cases[] = {
      {"button:button", "button", "button"},
      {"a:b:c", "a", "b:c"},
      {"MENUITEM:menuitem", "MENUITEM", "menuitem"},
      {":kind", "", "kind"},
      {"section:", "section", ""},
      {"nocolon", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    String section = "old", kind = "old";
    SplitSectionKind(c.Value, section, kind);
    EXPECT_EQ(section, c.Section);
    EXPECT_EQ(kind, c.Kind);
  }
}

}  // namespace
