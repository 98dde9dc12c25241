#include "platform/rtl/strings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/varrec.h"

namespace {

constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
const String kFFFD = "\xEF\xBF\xBD";

// ---- 1-based routines -------------------------------------------------------------

TEST(RtlStrings, CopyClampsIndexAndCount) {
  struct Row {
    int32_t index, count;
    const char* expected;
  };
  const Row rows[] = {
      {1, 3, "abc"},  {2, 2, "bc"},          {0, 2, "ab"},         {-5, 2, "ab"},
      {4, 10, "def"}, {6, 1, "f"},           {7, 1, ""},           {3, 0, ""},
      {3, -1, ""},    {1, kMax32, "abcdef"}, {kMax32, kMax32, ""}, {kMin32, kMax32, "abcdef"},
  };
  for (const Row& r : rows) EXPECT_EQ(Copy("abcdef", r.index, r.count), r.expected) << r.index << ", " << r.count;
  EXPECT_EQ(Copy(u"abcdef", 0, 2), u"ab");
  EXPECT_EQ(Copy(u"abcdef", 5, 100), u"ef");
  EXPECT_EQ(Length(String("h\xC3\xA9llo")), 6);  // bytes, not characters
  EXPECT_EQ(Length(u"h\u00E9llo"), 5);
}

TEST(RtlStrings, PosAndPosEx) {
  EXPECT_EQ(Pos("cd", "abcdcd"), 3);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("abcd", "abc"), 0);
  EXPECT_EQ(Pos('/', "a/b/c"), 2);
  EXPECT_EQ(Pos('\0', String("a\0b", 3)), 2);
  EXPECT_EQ(Pos(u"\u00E9", u"caf\u00E9"), 4);
  EXPECT_EQ(Pos(u'f', u"caf\u00E9"), 3);

  EXPECT_EQ(PosEx("cd", "abcdcd", 3), 3);
  EXPECT_EQ(PosEx("cd", "abcdcd", 4), 5);
  EXPECT_EQ(PosEx("cd", "abcdcd", 6), 0);
  EXPECT_EQ(PosEx("d", "abcdcd", 6), 6);
  EXPECT_EQ(PosEx("a", "abc", 0), 0);
  EXPECT_EQ(PosEx("a", "abc", 4), 0);
  EXPECT_EQ(PosEx(u"b", u"abab", 3), 4);
}

TEST(RtlStrings, DeleteAndInsert) {
  struct DelRow {
    int32_t index, count;
    const char* expected;
  };
  const DelRow dels[] = {
      {2, 2, "adef"},   {1, 1, "bcdef"},   {5, 10, "abcd"},  {6, 1, "abcde"},   {7, 1, "abcdef"},
      {0, 2, "abcdef"}, {-1, 3, "abcdef"}, {3, 0, "abcdef"}, {3, -2, "abcdef"}, {1, kMax32, ""},
  };
  for (const DelRow& r : dels) {
    String s = "abcdef";
    Delete(s, r.index, r.count);
    EXPECT_EQ(s, r.expected) << r.index << ", " << r.count;
  }
  struct InsRow {
    int32_t index;
    const char* expected;
  };
  const InsRow ins[] = {{1, "XYabc"}, {2, "aXYbc"}, {4, "abcXY"}, {99, "abcXY"}, {0, "XYabc"}, {kMin32, "XYabc"}};
  for (const InsRow& r : ins) {
    String s = "abc";
    Insert("XY", s, r.index);
    EXPECT_EQ(s, r.expected) << r.index;
  }
  String self = "abc";
  Insert(self, self, 2);  // source is the target itself
  EXPECT_EQ(self, "aabcbc");
  WideString w = u"abc";
  Delete(w, 2, 1);
  Insert(u"\u00E9", w, 2);
  EXPECT_EQ(w, u"a\u00E9c");
}

TEST(RtlStrings, StringOfCharAndTrim) {
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', 0), "");
  EXPECT_EQ(StringOfChar('-', -4), "");

  const String padded = String(" \t\r\n\0x y\x01 ", 10);
  EXPECT_EQ(Trim(padded), "x y");
  EXPECT_EQ(TrimLeft(padded), "x y\x01 ");
  EXPECT_EQ(TrimRight(padded), String(" \t\r\n\0x y", 8));
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  // Bytes of UTF-8 characters are above ' ' and stay, even a no-break space.
  EXPECT_EQ(Trim("\xC2\xA0"
                 "a\xC2\xA0"),
            "\xC2\xA0"
            "a\xC2\xA0");
}

// ---- Case --------------------------------------------------------------------------

TEST(RtlStrings, AsciiCaseLeavesOtherBytesAlone) {
  EXPECT_EQ(UpperCase("abc xyz \xC3\xA9 \xFF 09_"), "ABC XYZ \xC3\xA9 \xFF 09_");
  EXPECT_EQ(LowerCase("ABC XYZ \xC3\x89"), "abc xyz \xC3\x89");
  EXPECT_TRUE(SameText("Image.JPG", "image.jpg"));
  EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89"));  // é vs É: not ASCII
  EXPECT_FALSE(SameText("abc", "abcd"));

  struct Row {
    const char* a;
    const char* b;
    int expected;  // sign
  };
  const Row rows[] = {
      {"abc", "ABC", 0},
      {"abc", "abd", -1},
      {"ABD", "abc", 1},
      {"ab", "abc", -1},
      {"", "", 0},
      {"b", "", 1},
      // Letters compare as upper case, so '_' (95) sorts after them.
      {"_", "a", 1},
      {"[", "z", 1},
      {"\xC3\xA9", "z", 1},
  };
  for (const Row& r : rows) {
    const int32_t c = CompareText(r.a, r.b);
    EXPECT_EQ((c > 0) - (c < 0), r.expected) << r.a << " vs " << r.b;
  }
}

TEST(RtlStrings, UnicodeCaseMapping) {
  // Simple mapping: ß has no single upper-case letter and stays; lengths in
  // bytes may change (ı -> I, ⱥ -> Ⱥ).
  EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F"
                          "e \xC3\xA9\xCF\x83\xCF\x82 \xC4\xB1 \xE2\xB1\xA5"),
            "STRA\xC3\x9F"
            "E \xC3\x89\xCE\xA3\xCE\xA3 I \xC8\xBA");
  EXPECT_EQ(AnsiLowerCase("\xC3\x89\xCE\xA3 \xC8\xBA ABC"), "\xC3\xA9\xCF\x83 \xE2\xB1\xA5 abc");
  // Bytes that are not UTF-8 pass through untouched.
  EXPECT_EQ(AnsiUpperCase("a\xFF"
                          "b\xC3"),
            "A\xFF"
            "B\xC3");
  EXPECT_EQ(AnsiLowerCase("\xE9"
                          "A"),
            "\xE9"
            "a");

  // Wide: a supplementary letter (Deseret) through its surrogate pair; a lone
  // surrogate is kept.
  const WideString deseretSmall = {0xD801, 0xDC28};
  const WideString deseretCapital = {0xD801, 0xDC00};
  EXPECT_EQ(WideUpperCase(u"stra\u00DFe \u00E9" + deseretSmall + WideString(1, 0xD800) + u"x"),
            u"STRA\u00DFE \u00C9" + deseretCapital + WideString(1, 0xD800) + u"X");
  EXPECT_EQ(WideLowerCase(u"\u00C9\u03A3" + deseretCapital), u"\u00E9\u03C3" + deseretSmall);
}

TEST(RtlStrings, UnicodeCaseIgnoresTheProcessLocale) {
  const String saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(AnsiUpperCase("\xC3\xA9"), "\xC3\x89");
  EXPECT_TRUE(AnsiSameText("\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"));
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(RtlStrings, AnsiCompareTextAndStr) {
  struct Row {
    const char* a;
    const char* b;
    int text;  // sign of AnsiCompareText
    int str;   // sign of AnsiCompareStr
  };
  const Row rows[] = {
      {"abc", "ABC", 0, 1},
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", 0, 1},  // été / ÉTÉ
      {"\xCF\x83", "\xCF\x82", 0, 1},                    // σ / ς fold together
      {"\xCE\xA3", "\xCF\x82", 0, -1},                   // Σ / ς
      {"apple", "Banana", -1, 1},
      {"_x", "ax", -1, -1},  // punctuation before letters
      {"a", "ab", -1, -1},
      {"z", "\xC3\xA9", -1, -1},  // by code point: z < é
      {"\xC3\x89", "f", 1, 1},
      {"a\xFF", "a\xC3\xBF", 1, 1},  // a stray byte sorts after text
      {"", "", 0, 0},
  };
  for (const Row& r : rows) {
    const int32_t t = AnsiCompareText(r.a, r.b);
    const int32_t u = AnsiCompareText(r.b, r.a);
    const int32_t s = AnsiCompareStr(r.a, r.b);
    EXPECT_EQ((t > 0) - (t < 0), r.text) << r.a << " vs " << r.b;
    EXPECT_EQ((u > 0) - (u < 0), -r.text) << r.b << " vs " << r.a;
    EXPECT_EQ((s > 0) - (s < 0), r.str) << r.a << " vs " << r.b;
    EXPECT_EQ(AnsiSameText(r.a, r.b), r.text == 0);
  }
}

// ---- Replace and quote -----------------------------------------------------------

TEST(RtlStrings, StringReplace) {
  using F = TReplaceFlag;
  struct Row {
    const char* s;
    const char* from;
    const char* to;
    TReplaceFlags flags;
    const char* expected;
  };
  const Row rows[] = {
      {"Hello hello HELLO", "hello", "bye", {}, "Hello bye HELLO"},
      {"Hello hello HELLO", "hello", "bye", {F::rfReplaceAll}, "Hello bye HELLO"},
      {"Hello hello HELLO", "hello", "bye", {F::rfIgnoreCase}, "bye hello HELLO"},
      {"Hello hello HELLO", "hello", "bye", {F::rfReplaceAll, F::rfIgnoreCase}, "bye bye bye"},
      {"aaa", "aa", "b", {F::rfReplaceAll}, "ba"},
      {"aaa", "AA", "b", {F::rfReplaceAll, F::rfIgnoreCase}, "ba"},
      {"a", "a", "aa", {F::rfReplaceAll}, "aa"},  // the replacement is not searched again
      {"abc", "", "x", {F::rfReplaceAll}, "abc"},
      {"", "a", "x", {F::rfReplaceAll, F::rfIgnoreCase}, ""},
      {"a/b/c", "/", "\\", {F::rfReplaceAll}, "a\\b\\c"},
      // Unicode case folding, with matches of another byte length than the pattern.
      {"\xC3\x84RGER \xC3\xA4rger", "\xC3\xA4rger", "x", {F::rfReplaceAll, F::rfIgnoreCase}, "x x"},
      {"x\xC4\xB1x", "I", "-", {F::rfReplaceAll, F::rfIgnoreCase}, "x-x"},
      {"xIx", "\xC4\xB1", "-", {F::rfReplaceAll, F::rfIgnoreCase}, "x-x"},
      {"stra\xC3\x9F"
       "e",
       "SS",
       "x",
       {F::rfReplaceAll, F::rfIgnoreCase},
       "stra\xC3\x9F"
       "e"},
      // Stray bytes are matched as themselves.
      {"a\xFF"
       "b\xFF",
       "\xFF",
       "-",
       {F::rfReplaceAll},
       "a-b-"},
      {"A\xFF"
       "B",
       "\xFF"
       "b",
       "-",
       {F::rfReplaceAll, F::rfIgnoreCase},
       "A-"},
      // A pattern never matches inside a multi-byte character.
      {"\xC3\xA9", "\xA9", "-", {F::rfReplaceAll, F::rfIgnoreCase}, "\xC3\xA9"},
  };
  for (const Row& r : rows) EXPECT_EQ(StringReplace(r.s, r.from, r.to, r.flags), r.expected) << r.s << " / " << r.from;
}

TEST(RtlStrings, Quoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");

  const char* texts[] = {"", "plain", "it's", "''", "'", "a\"b", "\xC3\xA9'"};
  for (const char* t : texts) {
    EXPECT_EQ(AnsiDequotedStr(QuotedStr(t), '\''), t);
    EXPECT_EQ(AnsiDequotedStr(AnsiQuotedStr(t, '"'), '"'), t);
  }
  EXPECT_EQ(AnsiDequotedStr("not quoted", '\''), "not quoted");
  EXPECT_EQ(AnsiDequotedStr("x'y'", '\''), "x'y'");
  EXPECT_EQ(AnsiDequotedStr("'unterminated", '\''), "unterminated");
  EXPECT_EQ(AnsiDequotedStr("'a''b' tail", '\''), "a'b");
  EXPECT_EQ(AnsiDequotedStr("", '\''), "");
}

// ---- Encodings ---------------------------------------------------------------------

TEST(RtlStrings, MalformedUTF8BecomesOneReplacementPerMaximalSubpart) {
  const char16_t R = 0xFFFD;
  struct Row {
    String in;
    WideString expected;
  };
  const Row rows[] = {
      {"\xC0\x80", {R, R}},         // overlong NUL
      {"\xE0\x80\x80", {R, R, R}},  // overlong three-byte
      {"\xE0\xA0\x80", {0x0800}},   // smallest three-byte
      {"\xED\xA0\x80", {R, R, R}},  // encoded surrogate
      {"\xED\x9F\xBF", {0xD7FF}},
      {"\xF4\x90\x80\x80", {R, R, R, R}},      // above U+10FFFF
      {"\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},  // U+10FFFF
      {"\xF5\x80", {R, R}},
      {"\xFF", {R}},
      {"\xE2\x82", {R}},  // truncated at the end
      {"\xE2\x82"
       "A",
       {R, u'A'}},
      {"\xF0\x9F\x98"
       "x",
       {R, u'x'}},
      {"\xF0\x9F\x98\x80", {0xD83D, 0xDE00}},
      {"\xEF\xBF\xBD", {R}},  // a real U+FFFD
      {String("a\0b", 3), {u'a', 0, u'b'}},
      // The example of the Unicode standard's chapter on conversion.
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {u'a', R, R, R, u'b', R, u'c', R, R, u'd'}},
  };
  for (const Row& r : rows) {
    const WideString w = UTF8ToUTF16(r.in);
    EXPECT_EQ(w, r.expected) << testing::PrintToString(r.in);
    const String back = UTF16ToUTF8(w);
    EXPECT_TRUE(IsValidUTF8(back));
    EXPECT_EQ(IsValidUTF8(r.in), back == r.in) << testing::PrintToString(r.in);
  }
}

TEST(RtlStrings, LoneSurrogatesInUTF16BecomeReplacements) {
  struct Row {
    WideString in;
    String expected;
  };
  const Row rows[] = {
      {{0xD800}, kFFFD},
      {{0xDC00}, kFFFD},
      {{0xDC00, 0xD800}, kFFFD + kFFFD},  // pair in the wrong order
      {{0xD83D, u'a'}, kFFFD + "a"},
      {{u'a', 0xDE00}, "a" + kFFFD},
      {{0xD83D, 0xD83D, 0xDE00}, kFFFD + "\xF0\x9F\x98\x80"},
      {{0x00E9, 0x20AC, 0xFFFF}, "\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF"},
  };
  for (const Row& r : rows) EXPECT_EQ(UTF16ToUTF8(r.in), r.expected) << testing::PrintToString(r.in);
}

TEST(RtlStrings, CP1252AndDisplayText) {
  EXPECT_EQ(CP1252ToUTF8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(CP1252ToUTF8("\x80\x93q\x94\x9F"), "\xE2\x82\xAC\xE2\x80\x9Cq\xE2\x80\x9D\xC5\xB8");
  // Unassigned bytes keep their value as C1 controls, so nothing is lost.
  EXPECT_EQ(CP1252ToUTF8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");

  EXPECT_EQ(DisplayText("caf\xC3\xA9"), "caf\xC3\xA9");  // valid UTF-8 kept
  EXPECT_EQ(DisplayText("caf\xE9"), "caf\xC3\xA9");      // else Windows-1252
  EXPECT_EQ(DisplayText("\xC3\xA9 and \xE9"), "\xC3\x83\xC2\xA9 and \xC3\xA9");
  EXPECT_EQ(DisplayText(""), "");

  EXPECT_TRUE(IsValidUTF8("plain"));
  EXPECT_TRUE(IsValidUTF8("\xF0\x9F\x98\x80 \xE2\x82\xAC"));
  EXPECT_FALSE(IsValidUTF8("\xC3"));
  EXPECT_FALSE(IsValidUTF8("\xED\xB0\x80"));
  EXPECT_FALSE(IsValidUTF8("\xC1\xBF"));
}

// Runs iconv over a file; false when it fails.
bool Iconv(const String& from, const String& to, const String& input, String& output) {
  const String path = String(std::getenv("HOME")) + "/iconv-input.bin";
  {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(input.data(), static_cast<std::streamsize>(input.size()));
    if (!f) return false;
  }
  const String cmd = "iconv -f " + from + " -t " + to + " '" + path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return false;
  output.clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
  return pclose(p) == 0;
}

bool HaveIconv() { return std::system("command -v iconv >/dev/null 2>&1") == 0; }

WideString FromUTF16LE(const String& bytes) {
  WideString w(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < w.size(); ++i)
    w[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return w;
}

TEST(RtlStrings, UnicodeConversionsAgreeWithIconv) {
  if (!HaveIconv()) GTEST_SKIP() << "iconv not installed";
  // Every scalar value, written as UTF-32LE so that the table does not depend
  // on our own encoders; iconv makes the UTF-8 and UTF-16 forms.
  String utf32;
  utf32.reserve(0x110000 * 4);
  for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    for (int k = 0; k < 4; ++k) utf32.push_back(static_cast<char>((c >> (8 * k)) & 0xFF));
  }
  String utf8, utf16le;
  ASSERT_TRUE(Iconv("UTF-32LE", "UTF-8", utf32, utf8));
  ASSERT_TRUE(Iconv("UTF-32LE", "UTF-16LE", utf32, utf16le));
  const WideString utf16 = FromUTF16LE(utf16le);
  ASSERT_EQ(utf16.size(), (0x110000u - 0x800u) + 0x100000u);

  EXPECT_TRUE(IsValidUTF8(utf8));
  EXPECT_TRUE(UTF8ToUTF16(utf8) == utf16);
  EXPECT_TRUE(UTF16ToUTF8(utf16) == utf8);

  // And from our side into iconv: what we produce, iconv reads back the same.
  String ours16le;
  for (char16_t u : UTF8ToUTF16(utf8)) {
    ours16le.push_back(static_cast<char>(u & 0xFF));
    ours16le.push_back(static_cast<char>(u >> 8));
  }
  String again;
  ASSERT_TRUE(Iconv("UTF-16LE", "UTF-8", ours16le, again));
  EXPECT_TRUE(again == utf8);
}

TEST(RtlStrings, CP1252AgreesWithIconv) {
  if (!HaveIconv()) GTEST_SKIP() << "iconv not installed";
  String table;
  for (int b = 0; b < 256; ++b)
    if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D)  // unassigned in iconv
      table.push_back(static_cast<char>(b));
  String expected;
  ASSERT_TRUE(Iconv("CP1252", "UTF-8", table, expected));
  EXPECT_EQ(CP1252ToUTF8(table), expected);
  EXPECT_EQ(DisplayText(table), expected);  // bytes above 0x7F alone are never valid UTF-8
}

// ---- Integers ------------------------------------------------------------------------

TEST(RtlStrings, IntToStrAndIntToHex) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(kMin32), "-2147483648");
  EXPECT_EQ(IntToStr(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(IntToStr(uint32_t(4000000000u)), "4000000000");
  EXPECT_EQ(IntToStr(std::numeric_limits<uint64_t>::max()), "18446744073709551615");
  EXPECT_EQ(IntToStr(static_cast<long long>(-12)), "-12");
  EXPECT_EQ(IntToStr(size_t(42)), "42");
  EXPECT_EQ(IntToStr(int16_t(-7)), "-7");

  EXPECT_EQ(IntToHex(255, 2), "FF");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234, 1), "1234");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t(-1), 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(uint8_t(200), 4), "00C8");
  EXPECT_EQ(IntToHex(uint32_t(0xDEADBEEF), 8), "DEADBEEF");
  EXPECT_EQ(IntToHex(int64_t(0x123456789A), 12), "00123456789A");
}

TEST(RtlStrings, StrToIntSyntax) {
  struct Row {
    const char* s;
    bool ok;
    int32_t value;
  };
  const Row rows[] = {
      {"0", true, 0},
      {"123", true, 123},
      {"-123", true, -123},
      {"+7", true, 7},
      {"   42", true, 42},
      {"00012", true, 12},
      {"2147483647", true, kMax32},
      {"-2147483648", true, kMin32},
      {"$FF", true, 255},
      {"$ff", true, 255},
      {"0x1F", true, 31},
      {"0X1f", true, 31},
      {"-$10", true, -16},
      {" +0x10", true, 16},
      {"$FFFFFFFF", true, -1},
      {"$80000000", true, kMin32},
      {"$000000000001", true, 1},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"$100000000", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"12 ", false, 0},
      {"1 2", false, 0},
      {"1e3", false, 0},
      {"\t5", false, 0},
      {"0x-1", false, 0},
      {"+-1", false, 0},
      {"- 5", false, 0},
      {"$G", false, 0},
      {"12abc", false, 0},
      {"\xD9\xA3", false, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.s);
    int32_t v = 0;
    EXPECT_EQ(TryStrToInt(r.s, v), r.ok);
    EXPECT_EQ(StrToIntDef(r.s, -99), r.ok ? r.value : -99);
    if (r.ok) {
      EXPECT_EQ(v, r.value);
      EXPECT_EQ(StrToInt(r.s), r.value);
    } else {
      EXPECT_THROW(StrToInt(r.s), EConvertError);
    }
  }
  try {
    StrToInt("abc");
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
}

TEST(RtlStrings, StrToInt64Limits) {
  struct Row {
    const char* s;
    bool ok;
    int64_t value;
  };
  const Row rows[] = {
      {"9223372036854775807", true, std::numeric_limits<int64_t>::max()},
      {"-9223372036854775808", true, std::numeric_limits<int64_t>::min()},
      {"9223372036854775808", false, 0},
      {"99999999999999999999", false, 0},
      {"$FFFFFFFFFFFFFFFF", true, -1},
      {"$10000000000000000", false, 0},
      {"$100000000", true, 4294967296},
      {"2147483648", true, 2147483648},
      {"0x7FFFFFFFFFFFFFFF", true, std::numeric_limits<int64_t>::max()},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.s);
    int64_t v = 0;
    EXPECT_EQ(TryStrToInt64(r.s, v), r.ok);
    EXPECT_EQ(StrToInt64Def(r.s, -99), r.ok ? r.value : -99);
    if (r.ok)
      EXPECT_EQ(StrToInt64(r.s), r.value);
    else
      EXPECT_THROW(StrToInt64(r.s), EConvertError);
  }
}

TEST(RtlStrings, WideStringArgumentIsCarriedAsUTF8) {
  const WideString w = u"\u00C9t\u00E9";
  const TVarRec v(w);
  EXPECT_EQ(v.kind, TVarRec::Kind::WideString);
  EXPECT_EQ(v.s, "\xC3\x89t\xC3\xA9");
  EXPECT_EQ(v.ws, w);
}

}  // namespace
