#include "platform/rtl/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "platform/rtl/exceptions.h"

namespace {

// Restores the process-wide settings a test changes.
class SettingsGuard {
 public:
  SettingsGuard() : FSaved(FormatSettings()) {}
  ~SettingsGuard() { FormatSettings() = FSaved; }

 private:
  TFormatSettings FSaved;
};

void ExpectInvalidFormat(const String& fmt, TVarRecList args) {
  try {
    Format(fmt, args);
    ADD_FAILURE() << "no exception for " << fmt;
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '" + fmt + "' invalid or incompatible with argument");
  }
}

TEST(RtlFormat, IntegerSpecifiers) {
  EXPECT_EQ(Format("%d", {42}), "42");
  EXPECT_EQ(Format("[%5d]", {42}), "[   42]");
  EXPECT_EQ(Format("[%-5d]", {42}), "[42   ]");
  EXPECT_EQ(Format("[%2d]", {12345}), "[12345]");
  EXPECT_EQ(Format("%.3d", {-5}), "-005");
  EXPECT_EQ(Format("%6.3d", {7}), "   007");
  EXPECT_EQ(Format("%d", {std::numeric_limits<int64_t>::min()}), "-9223372036854775808");
  EXPECT_EQ(Format("%d", {std::numeric_limits<uint64_t>::max()}), "18446744073709551615");
  // %u and %x read a negative 32-bit integer as its 32-bit pattern.
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%u", {uint32_t(3000000000u)}), "3000000000");
  EXPECT_EQ(Format("%x", {255}), "FF");
  EXPECT_EQ(Format("%X", {255}), "FF");
  EXPECT_EQ(Format("%.4x", {255}), "00FF");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%x", {int64_t(-4294967297LL)}), "FFFFFFFEFFFFFFFF");
  EXPECT_EQ(Format("%d", {uint8_t(200)}), "200");
  enum class E : uint8_t { A, B, C };
  EXPECT_EQ(Format("%d", {E::C}), "2");
}

TEST(RtlFormat, StringsIndexesStarsAndPercent) {
  EXPECT_EQ(Format("%s and %s", {"a", String("b")}), "a and b");
  EXPECT_EQ(Format("%1:s %s %0:s", {"a", "b", "c"}), "b c a");
  EXPECT_EQ(Format("%0:s-%0:s", {"x"}), "x-x");
  EXPECT_EQ(Format("[%*d]", {5, 42}), "[   42]");
  EXPECT_EQ(Format("[%-*d]", {5, 42}), "[42   ]");
  EXPECT_EQ(Format("[%*d]", {-5, 42}), "[42   ]");  // a negative '*' width aligns left
  EXPECT_EQ(Format("%.*f", {1, 2.25}), "2.3");
  EXPECT_EQ(Format("100%% of %d%%", {3}), "100% of 3%");
  EXPECT_EQ(Format("no specifiers", {}), "no specifiers");
  EXPECT_EQ(Format("%s", {'x'}), "x");
  EXPECT_EQ(Format("%s", {WideString(u"wide")}), "wide");
  EXPECT_EQ(Format("[%.3s]", {"abcdef"}), "[abc]");
  // Width and precision count characters, not UTF-8 bytes.
  EXPECT_EQ(Format("[%-4s]", {"\xC3\xA9"}), "[\xC3\xA9   ]");
  EXPECT_EQ(Format("[%.2s]", {"\xC3\xA4\xC3\xB6\xC3\xBC"}), "[\xC3\xA4\xC3\xB6]");
  EXPECT_EQ(Format("%p", {static_cast<const void*>(reinterpret_cast<const char*>(0x12ab))}), "00000000000012AB");
  // The message of an exception goes through Format.
  EXPECT_EQ(EConvertError("Value %d of %s", {5, "x"}).Message(), "Value 5 of x");
}

TEST(RtlFormat, FloatSpecifiers) {
  EXPECT_EQ(Format("%f", {1.5}), "1.50");
  EXPECT_EQ(Format("%.2f", {0.125}), "0.13");
  EXPECT_EQ(Format("%.0f", {2.5}), "3");
  EXPECT_EQ(Format("%.0f", {-2.5}), "-3");
  EXPECT_EQ(Format("%.0f", {3.5}), "4");
  EXPECT_EQ(Format("%.2f", {1.005}), "1.01");
  EXPECT_EQ(Format("%.2f", {2.675}), "2.68");
  EXPECT_EQ(Format("%.1f", {0.05}), "0.1");
  EXPECT_EQ(Format("%.2f", {-0.001}), "0.00");  // no "-0.00"
  EXPECT_EQ(Format("%.3f", {1e-10}), "0.000");
  EXPECT_EQ(Format("%.2f", {999.996}), "1000.00");
  EXPECT_EQ(Format("%.2f", {1e20}), "100000000000000000000.00");
  EXPECT_EQ(Format("%5.2f", {3.14159}), " 3.14");
  EXPECT_EQ(Format("%4.4f sec", {0.0625}), "0.0625 sec");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", {999.5}), "1,000");
  EXPECT_EQ(Format("%.1n", {-12.25}), "-12.3");
  EXPECT_EQ(Format("%m", {1234.5}), "$1,234.50");
  EXPECT_EQ(Format("%m", {-1234.5}), "-$1,234.50");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {1234.5}), "1.23E+003");
  EXPECT_EQ(Format("%.4e", {-1234.5}), "-1.235E+003");
  EXPECT_EQ(Format("%.3e", {0.00012345}), "1.23E-004");
  EXPECT_EQ(Format("%.2e", {9.96}), "1.0E+001");
  EXPECT_EQ(Format("%e", {0.0}), "0.00000000000000E+000");
  EXPECT_EQ(Format("%g", {0.1 + 0.2}), "0.3");
  EXPECT_EQ(Format("%g", {1e20}), "1E20");
  EXPECT_EQ(Format("%.3g", {1234.5}), "1.23E3");
  EXPECT_EQ(Format("%g", {0.0001}), "0.0001");
  EXPECT_EQ(Format("%g", {0.00001}), "1E-5");
  EXPECT_EQ(Format("%.2f|%e|%g", {std::nan(""), INFINITY, -INFINITY}), "NAN|INF|-INF");
}

TEST(RtlFormat, BadSpecifiersAndArgumentKinds) {
  ExpectInvalidFormat("%d", {});
  ExpectInvalidFormat("%d %d", {1});
  ExpectInvalidFormat("%d", {"text"});
  ExpectInvalidFormat("%d", {1.5});
  ExpectInvalidFormat("%d", {true});
  ExpectInvalidFormat("%s", {7});
  ExpectInvalidFormat("%s", {false});
  ExpectInvalidFormat("%f", {7});  // integers are not floats
  ExpectInvalidFormat("%x", {'c'});
  ExpectInvalidFormat("%p", {7});
  ExpectInvalidFormat("%k", {7});
  ExpectInvalidFormat("50%", {});
  ExpectInvalidFormat("%5", {7});
  ExpectInvalidFormat("%*d", {"5", 7});
  ExpectInvalidFormat("%3:d", {1, 2});
  ExpectInvalidFormat("%99999999d", {1});
}

TEST(RtlFormat, SeparatorsComeFromSettings) {
  SettingsGuard guard;
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(Format("%.2f", {3.25}), "3,25");
  EXPECT_EQ(Format("%n", {1234567.5}), "1.234.567,50");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
  EXPECT_EQ(FloatToStr(0.5), "0,5");
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  double v;
  EXPECT_FALSE(TryStrToFloat("1.5", v));
}

TEST(RtlFormat, CurrencySettings) {
  SettingsGuard guard;
  TFormatSettings& fs = FormatSettings();
  fs.CurrencyString = "EUR";
  fs.CurrencyFormat = 3;
  fs.NegCurrFormat = 8;
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1,234.50 EUR");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-1,234.50 EUR");
  fs.CurrencyString = "$";
  fs.CurrencyFormat = 0;
  const struct {
    uint8_t Neg;
    const char* Expected;
  } rows[] = {{0, "($5.00)"}, {2, "$-5.00"}, {3, "$5.00-"}, {4, "(5.00$)"}, {12, "$ -5.00"}, {15, "(5.00 $)"}};
  for (const auto& row : rows) {
    fs.NegCurrFormat = row.Neg;
    EXPECT_EQ(Format("%m", {-5.0}), row.Expected) << int(row.Neg);
  }
}

TEST(RtlFormat, FormatFloatPatterns) {
  const struct {
    const char* Pattern;
    double Value;
    const char* Expected;
  } rows[] = {
      {"0.00", 1234.567, "1234.57"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", -1234.5, "-1,234.50"},
      {"#,##0", 999999.5, "1,000,000"},
      {"#,##0", 12, "12"},
      {"0,000", 5, "0,005"},
      {"0.##", 5, "5"},
      {"0.##", 5.1, "5.1"},
      {"0.0#", 5, "5.0"},
      {"#.##", 0.5, ".5"},
      {"#", 0, ""},
      {"00000", 42, "00042"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", -0.4, "0"},
      {"0.00", 0.125, "0.13"},
      {"0.00", 1.005, "1.01"},
      {"0.00", 1e20, "100000000000000000000.00"},
      {"0.000E+00", 1234.5, "1.235E+03"},
      {"0.00E-0", 0.000123, "1.23E-4"},
      {"0.00E-0", 12300, "1.23E4"},
      {"0.00e+000", 0, "0.00e+000"},
      {"0.0E+0", -0.00096, "-9.6E-4"},
      {"00.0E+0", 1234, "12.3E+2"},
      {"#,##0.00;(#,##0.00);Zero", -1234.5, "(1,234.50)"},
      {"#,##0.00;(#,##0.00);Zero", 0, "Zero"},
      {"#,##0.00;(#,##0.00);Zero", 0.001, "Zero"},
      {"#,##0.00;(#,##0.00);Zero", -0.001, "Zero"},
      {"#,##0.00;(#,##0.00);Zero", 5, "5.00"},
      {"0.00;;Nothing", -2, "-2.00"},
      {"0.00;neg", 0, "0.00"},
      {"'Total: '0.0", 3.14, "Total: 3.1"},
      {"\"a;b\" 0", 7, "a;b 7"},
      {"0' %'", 42, "42 %"},
      {"$#,##0.00", -5, "-$5.00"},
      {"000-000", 123456, "123-456"},
      {"000-000", 1234567, "1234-567"},
      {"0.0 kB", 2.25, "2.3 kB"},
      {"", 1.5, "1.5"},
      {"0.0", std::nan(""), "NAN"},
      {"0.0", -INFINITY, "-INF"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatFloat(row.Pattern, row.Value), row.Expected) << row.Pattern;
}

TEST(RtlFormat, FloatToStrAndFloatToStrF) {
  const struct {
    double Value;
    const char* Expected;
  } general[] = {
      {0, "0"},
      {-0.0, "0"},
      {1.5, "1.5"},
      {-1.5, "-1.5"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1234567890123456.0, "1.23456789012346E15"},
      {0.0001, "0.0001"},
      {1.5e-5, "1.5E-5"},
      {1e100, "1E100"},
      {-1e-300, "-1E-300"},
      {100, "100"},
  };
  for (const auto& row : general) EXPECT_EQ(FloatToStr(row.Value), row.Expected) << row.Expected;

  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 5, 2), "1234.60");  // 5 significant digits
  EXPECT_EQ(FloatToStrF(0.5, ffFixed, 15, 0), "1");
  EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");  // more integer digits than precision
  EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 2), "1,234.57");
  EXPECT_EQ(FloatToStrF(-1234567.0, ffNumber, 15, 0), "-1,234,567");
  EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(-0.000125, ffExponent, 2, 0), "-1.3E-4");
  EXPECT_EQ(FloatToStrF(1234.5, ffGeneral, 3, 0), "1.23E3");
  EXPECT_EQ(FloatToStrF(1234.5, ffGeneral, 4, 0), "1235");
  EXPECT_EQ(FloatToStrF(1e20, ffGeneral, 15, 3), "1E020");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-$1,234.50");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 0), "$1,235");
}

TEST(RtlFormat, StrToFloat) {
  const struct {
    const char* Text;
    double Value;
  } good[] = {
      {"1.5", 1.5},    {" -2.25 ", -2.25},
      {"+3", 3},       {"1e3", 1000},
      {"1E-3", 0.001}, {".5", 0.5},
      {"5.", 5},       {"0", 0},
      {"007", 7},      {"\t12.5e+1\n", 125},
      {"-0", -0.0},    {"1e-400", 0},
      {"0.1", 0.1},    {"1.7976931348623157e308", 1.7976931348623157e308},
  };
  for (const auto& row : good) {
    double v = -99;
    EXPECT_TRUE(TryStrToFloat(row.Text, v)) << row.Text;
    EXPECT_EQ(v, row.Value) << row.Text;
  }
  for (const char* bad : {"", "   ", "abc", "1,5", "1e", "1e+", "--1", "+-1", "1.2.3", "0x10", "inf", "nan", "1 2", ".",
                          "-", "e5", "1e400", "12a"}) {
    double v = 7;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(v, 7) << "value changed for " << bad;
  }
  EXPECT_EQ(StrToFloatDef("x", 7.5), 7.5);
  EXPECT_EQ(StrToFloatDef("2.5", 7.5), 2.5);
  try {
    StrToFloat("abc");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid floating point value");
  }
}

// Halves in the written decimal round away from zero at every position, in
// all three routines; the expected text comes from integer arithmetic.
TEST(RtlFormat, HalvesRoundAwayFromZeroOnTheWrittenDecimal) {
  std::mt19937_64 rng(12345);
  for (int iter = 0; iter < 3000; ++iter) {
    const int decimals = static_cast<int>(rng() % 5);
    const uint64_t intPart = rng() % 100000;
    uint64_t scale = 1;
    for (int k = 0; k < decimals; ++k) scale *= 10;
    const uint64_t fracPart = rng() % scale;
    const bool neg = rng() % 2;
    // "I.F5": exactly half a unit of the last kept decimal, at most 11 digits.
    String text = (neg ? "-" : "") + std::to_string(intPart) + ".";
    String fracText = std::to_string(fracPart);
    text += String(static_cast<size_t>(decimals) - (decimals ? fracText.size() : 0), '0') + (decimals ? fracText : "") +
            "5";
    const double value = StrToFloat(text);

    const uint64_t rounded = intPart * scale + fracPart + 1;  // away from zero
    String expected = std::to_string(rounded / scale);
    if (decimals) {
      String f = std::to_string(rounded % scale);
      expected += "." + String(static_cast<size_t>(decimals) - f.size(), '0') + f;
    }
    if (neg) expected = "-" + expected;

    EXPECT_EQ(Format("%.*f", {decimals, value}), expected) << text;
    EXPECT_EQ(FloatToStrF(value, ffFixed, 15, decimals), expected) << text;
    EXPECT_EQ(FormatFloat(decimals ? "0." + String(static_cast<size_t>(decimals), '0') : "0", value), expected) << text;
  }
}

// Seventeen significant digits always read back as the same double.
TEST(RtlFormat, SeventeenDigitsRoundTrip) {
  std::mt19937_64 rng(777);
  int checked = 0;
  while (checked < 20000) {
    uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    ++checked;
    EXPECT_EQ(StrToFloat(FloatToStrF(v, ffExponent, 17, 0)), v) << bits;
    const String general = FloatToStrF(v, ffGeneral, 17, 0);
    double back;
    ASSERT_TRUE(TryStrToFloat(general, back)) << general;
    EXPECT_EQ(back, v) << general;
  }
}

}  // namespace
