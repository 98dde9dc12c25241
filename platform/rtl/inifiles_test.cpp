#include "platform/rtl/inifiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/rtl/files.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/strings.h"

namespace {

const char* const kSkinText =
    "; a comment line\n"
    "orphan=before any section\r\n"
    "[Version]\r\n"
    "Ver=3\r\n"
    "  [ FormInfo ]  \n"
    "  ButtonsRect = 1, 2, 3, 4  \r\n"
    "Caption=a=b=c\n"
    "caption=second spelling loses\n"
    ";hidden=1\n"
    "Hex=0x10\n"
    "Dollar=$ff\n"
    "Blank= 12 \n"
    "Neg=-7\n"
    "Bad=12a\n"
    "Huge=99999999999\n"
    "Zero=0\n"
    "Two=2\n"
    "Empty=\n"
    "NoEquals line\n"
    "Float=1.25e2\n"
    "When=2024-02-29 13:45:30\n"
    "Day=1899-12-30\n"
    "[version]\n"
    "ver=4\n"
    "Added=yes\n"
    "[Empty]\n";

TEST(IniFile, PinnedReadingRules) {
  TMemIniFile ini("");
  ini.SetText(kSkinText);

  const struct {
    const char* Section;
    const char* Ident;
    const char* Expected;  // with default "<none>"
  } strings[] = {
      {"Version", "Ver", "3"},                    // first occurrence wins
      {"VERSION", "VER", "3"},                    // ASCII case ignored
      {"version", "Added", "yes"},                // a repeated section continues the first
      {"FormInfo", "ButtonsRect", "1, 2, 3, 4"},  // blanks around section, key and value trimmed
      {"FormInfo", "Caption", "a=b=c"},           // everything after the first '='
      {"FormInfo", "Empty", ""},                  // present but empty: not the default
      {"FormInfo", "Missing", "<none>"},
      {"FormInfo", "hidden", "<none>"},         // comments are dropped
      {"FormInfo", "NoEquals line", "<none>"},  // a line without '=' is no key
      {"Nowhere", "Ver", "<none>"},
      {"", "orphan", "<none>"},  // lines before the first section are dropped
  };
  for (const auto& c : strings)
    EXPECT_EQ(ini.ReadString(c.Section, c.Ident, "<none>"), c.Expected) << c.Section << "/" << c.Ident;

  const struct {
    const char* Ident;
    int32_t Expected;  // with default -1
  } integers[] = {
      {"Hex", 16},  {"Dollar", 255}, {"Blank", 12},   {"Neg", -7},     {"Bad", -1},
      {"Huge", -1}, {"Empty", -1},   {"Missing", -1}, {"Caption", -1},
  };
  for (const auto& c : integers) EXPECT_EQ(ini.ReadInteger("FormInfo", c.Ident, -1), c.Expected) << c.Ident;

  const struct {
    const char* Ident;
    bool Default;
    bool Expected;
  } bools[] = {
      {"Zero", true, false}, {"Two", false, true},  {"Neg", false, true},
      {"Bad", true, true},   {"Bad", false, false}, {"Missing", true, true},
  };
  for (const auto& c : bools) EXPECT_EQ(ini.ReadBool("FormInfo", c.Ident, c.Default), c.Expected) << c.Ident;

  EXPECT_EQ(ini.ReadFloat("FormInfo", "Float", 0), 125.0);
  EXPECT_EQ(ini.ReadFloat("FormInfo", "Bad", -2.5), -2.5);
  EXPECT_DOUBLE_EQ(ini.ReadDateTime("FormInfo", "When", 0), 45351.0 + (13 * 3600 + 45 * 60 + 30) / 86400.0);
  EXPECT_EQ(ini.ReadDateTime("FormInfo", "Day", -1), 0.0);
  EXPECT_EQ(ini.ReadDateTime("FormInfo", "Caption", -1), -1.0);

  EXPECT_TRUE(ini.SectionExists("formINFO"));
  EXPECT_TRUE(ini.SectionExists("Empty"));
  EXPECT_FALSE(ini.SectionExists("Nowhere"));
  EXPECT_TRUE(ini.ValueExists("FormInfo", "empty"));
  EXPECT_FALSE(ini.ValueExists("FormInfo", "hidden"));

  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(list.Text(), "Version\r\nFormInfo\r\nEmpty\r\n");
  ini.ReadSection("version", &list);
  EXPECT_EQ(list.Text(), "Ver\r\nAdded\r\n");
  ini.ReadSectionValues("Version", &list);
  EXPECT_EQ(list.Text(), "Ver=3\r\nAdded=yes\r\n");
  ini.ReadSection("Nowhere", &list);
  EXPECT_EQ(list.Count(), 0);
}

TEST(IniFile, ChangesAndTheTextTheyGive) {
  TMemIniFile ini("");
  ini.SetText("[A]\nx=1\ny=2\nfree text\n[B]\nz=3\n");
  ini.WriteString("a", "X", "one");    // existing key keeps its place and spelling
  ini.WriteString("A", "New", "v=w");  // new key appended
  ini.WriteInteger("C", "n", -5);      // new section appended
  ini.WriteBool("C", "b", true);
  ini.WriteFloat("C", "f", 0.1);
  ini.DeleteKey("A", "y");
  ini.DeleteKey("A", "nothing");
  EXPECT_EQ(ini.GetText(),
            "[A]\r\nx=one\r\nfree text\r\nNew=v=w\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\nn=-5\r\nb=1\r\nf=0.1\r\n\r\n");
  EXPECT_EQ(ini.ReadFloat("C", "f", 0), 0.1);
  ini.EraseSection("b");
  EXPECT_FALSE(ini.SectionExists("B"));
  EXPECT_EQ(ini.ReadString("C", "n", ""), "-5");  // sections after the erased one still found

  // GetStrings / SetStrings give and take the same lines.
  TStringList lines;
  ini.GetStrings(&lines);
  EXPECT_EQ(lines.Text(), ini.GetText());
  TMemIniFile copy("");
  copy.SetStrings(&lines);
  EXPECT_EQ(copy.GetText(), ini.GetText());

  ini.Clear();
  EXPECT_EQ(ini.GetText(), "");

  // Case-sensitive names, on request.
  TMemIniFile cased("");
  cased.SetText("[S]\nKey=1\nkey=2\n");
  EXPECT_EQ(cased.ReadString("S", "key", ""), "1");
  cased.SetCaseSensitive(true);
  EXPECT_EQ(cased.ReadString("S", "key", "absent"), "absent");  // the second spelling was dropped on loading
  EXPECT_EQ(cased.ReadString("s", "Key", "absent"), "absent");
  cased.WriteString("S", "key", "3");
  EXPECT_EQ(cased.ReadString("S", "Key", ""), "1");
  EXPECT_EQ(cased.ReadString("S", "key", ""), "3");
}

String ReadFileBytes(const String& path) {
  std::ifstream in(path, std::ios::binary);
  return String(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(IniFile, UpdateFileRoundTripThroughTheSafeWriter) {
  const String path = String(std::getenv("HOME")) + "/update.ini";
  {
    TMemIniFile ini(path);  // no file yet: empty
    EXPECT_EQ(ini.GetText(), "");
    ini.WriteString("Main", "Name", "Caf\xC3\xA9 = bar");
    ini.WriteInteger("Main", "Count", 3);
    EXPECT_FALSE(FileExists(path));  // nothing written before UpdateFile
    ini.UpdateFile();
  }
  EXPECT_EQ(ReadFileBytes(path), "[Main]\r\nName=Caf\xC3\xA9 = bar\r\nCount=3\r\n\r\n");
  TMemIniFile reread(path);
  EXPECT_EQ(reread.ReadString("main", "name", ""), "Caf\xC3\xA9 = bar");
  EXPECT_EQ(reread.ReadInteger("Main", "Count", 0), 3);

  // TIniFile writes after each change.
  {
    TIniFile ini(path);
    ini.WriteString("Main", "Count", "4");
    EXPECT_EQ(TMemIniFile(path).ReadString("Main", "Count", ""), "4");
    ini.DeleteKey("Main", "Name");
    EXPECT_FALSE(TMemIniFile(path).ValueExists("Main", "Name"));
    ini.EraseSection("Main");
    EXPECT_EQ(ReadFileBytes(path), "");
  }

  // Rename with reload reads the other file; a write that cannot be made
  // leaves the old file as it was.
  TMemIniFile ini("");
  ini.WriteString("S", "k", "v");
  ini.Rename(path, false);
  ini.UpdateFile();
  ini.Rename(String(std::getenv("HOME")) + "/absent.ini", true);
  EXPECT_EQ(ini.GetText(), "");
  ini.Rename(path, true);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "v");
  ini.Rename(String(std::getenv("HOME")) + "/no/such/folder/x.ini", false);
  EXPECT_THROW(ini.UpdateFile(), Exception);
  EXPECT_EQ(ReadFileBytes(path), "[S]\r\nk=v\r\n\r\n");
}

TEST(IniFile, LargeTextsStayLinear) {
  // 60,000 keys in one section and 20,000 one-key sections: quadratic look-ups
  // would take minutes here.
  String text = "[Big]\n";
  for (int i = 0; i < 60000; ++i) text += "Key" + IntToStr(i) + "=" + IntToStr(i) + "\n";
  for (int i = 0; i < 20000; ++i) text += "[S" + IntToStr(i) + "]\nk=" + IntToStr(i) + "\n";
  TMemIniFile ini("");
  ini.SetText(text);
  int64_t sum = 0;
  for (int i = 0; i < 60000; ++i) sum += ini.ReadInteger("big", "key" + IntToStr(i), 0);
  for (int i = 0; i < 20000; ++i) sum += ini.ReadInteger("s" + IntToStr(i), "K", 0);
  EXPECT_EQ(sum, int64_t(59999) * 60000 / 2 + int64_t(19999) * 20000 / 2);
  for (int i = 0; i < 20000; ++i) ini.WriteString("S" + IntToStr(i), "k2", "x");
  EXPECT_EQ(ini.ReadString("S19999", "K2", ""), "x");
}

}  // namespace
