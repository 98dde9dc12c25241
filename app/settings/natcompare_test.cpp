#include "app/settings/natcompare.h"

#include <gtest/gtest.h>

namespace {

int Sign(int32_t V) { return (V > 0) - (V < 0); }

TEST(AppNatural, CompareTable) {
  struct Case {
    const char *a, *b;
    int expected;
  };
  const Case cases[] = {
      {"IMG9.JPG", "IMG10.JPG", -1},
      {"IMG0010.JPG", "IMG9.JPG", +1},
      {"A01", "A1", 0},
      {"A.JPG", "A.JPG", 0},
      {"FILE.JPG", "FILE1.JPG", -1},     // "." before every other character
      {"FILE-A.JPG", "FILE_A.JPG", -1},  // "_" counts as code 46, above "-"
      {"FILE_A.JPG", "FILEA.JPG", -1},
      {"FILE_A", "FILE.A", +1},  // "." (1) still before "_" (46)
      {"FILE", "FILE.JPG", -1},
      {"FILE ", "FILE.", +1},  // "." sorts before a blank too
      {"X100", "X99", +1},
      {"X0", "X", +1},
      {"X007Y", "X7Z", -1},  // equal values, the rest decides
      {"X12A", "X13", -1},   // the first differing digit of equal-length runs
      {"X21", "X13", +1},
      {"A00", "A0", 0},
      {"2024-01-05", "2024-1-6", -1},
      {"\xC3\x89", "Z", +1},  // bytes compare unsigned
      {"", "", 0},
      {"", "A", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(NaturalCompare(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
    EXPECT_EQ(Sign(NaturalCompare(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
  }
}

TEST(AppNatural, DigitRuns) {
  EXPECT_EQ(CompareDigitRuns("123", "45"), +1);
  EXPECT_EQ(CompareDigitRuns("45", "123"), -1);
  EXPECT_EQ(CompareDigitRuns("123x", "124"), -1);
  EXPECT_EQ(CompareDigitRuns("29", "31.jpg"), -1);
  EXPECT_EQ(CompareDigitRuns("42a", "42b"), 0);
  EXPECT_EQ(CompareDigitRuns("", ""), 0);
}

}  // namespace
