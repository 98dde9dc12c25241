#include "platform/rtl/graphtypes.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace {
struct Named {
  const char* Name;
  uint32_t Value;
};
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r + 256 * g + 65536 * b; }
constexpr uint32_t Sys(uint32_t index) { return 2147483648u + index; }
}  // namespace

TEST(RtlGraphTypes, ColorNameTableMatchesTheDocumentedValuesAndOrder) {
  // The option-file format writes these identifiers, so names, values and
  // order are fixed.
  const std::vector<Named> expected = {
      {"clBlack", Rgb(0, 0, 0)},
      {"clMaroon", Rgb(128, 0, 0)},
      {"clGreen", Rgb(0, 128, 0)},
      {"clOlive", Rgb(128, 128, 0)},
      {"clNavy", Rgb(0, 0, 128)},
      {"clPurple", Rgb(128, 0, 128)},
      {"clTeal", Rgb(0, 128, 128)},
      {"clGray", Rgb(128, 128, 128)},
      {"clSilver", Rgb(192, 192, 192)},
      {"clRed", Rgb(255, 0, 0)},
      {"clLime", Rgb(0, 255, 0)},
      {"clYellow", Rgb(255, 255, 0)},
      {"clBlue", Rgb(0, 0, 255)},
      {"clFuchsia", Rgb(255, 0, 255)},
      {"clAqua", Rgb(0, 255, 255)},
      {"clWhite", Rgb(255, 255, 255)},
      {"clMoneyGreen", Rgb(192, 220, 192)},
      {"clSkyBlue", Rgb(166, 202, 240)},
      {"clCream", Rgb(255, 251, 240)},
      {"clMedGray", Rgb(160, 160, 164)},
      {"clScrollBar", Sys(0)},
      {"clBackground", Sys(1)},
      {"clActiveCaption", Sys(2)},
      {"clInactiveCaption", Sys(3)},
      {"clMenu", Sys(4)},
      {"clWindow", Sys(5)},
      {"clWindowFrame", Sys(6)},
      {"clMenuText", Sys(7)},
      {"clWindowText", Sys(8)},
      {"clCaptionText", Sys(9)},
      {"clActiveBorder", Sys(10)},
      {"clInactiveBorder", Sys(11)},
      {"clAppWorkSpace", Sys(12)},
      {"clHighlight", Sys(13)},
      {"clHighlightText", Sys(14)},
      {"clBtnFace", Sys(15)},
      {"clBtnShadow", Sys(16)},
      {"clGrayText", Sys(17)},
      {"clBtnText", Sys(18)},
      {"clInactiveCaptionText", Sys(19)},
      {"clBtnHighlight", Sys(20)},
      {"cl3DDkShadow", Sys(21)},
      {"cl3DLight", Sys(22)},
      {"clInfoText", Sys(23)},
      {"clInfoBk", Sys(24)},
      {"clHotLight", Sys(26)},
      {"clGradientActiveCaption", Sys(27)},
      {"clGradientInactiveCaption", Sys(28)},
      {"clMenuHighlight", Sys(29)},
      {"clMenuBar", Sys(30)},
      {"clNone", 536870911u},
      {"clDefault", 536870912u},
  };
  ASSERT_EQ(ColorIdentCount, expected.size());
  std::set<int32_t> values;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_STREQ(ColorIdents[i].Name, expected[i].Name);
    EXPECT_EQ(static_cast<uint32_t>(ColorIdents[i].Value), expected[i].Value) << expected[i].Name;
    values.insert(ColorIdents[i].Value);
    // Each name leads to its value and back.
    TColor c = 0;
    String name;
    ASSERT_TRUE(IdentToColor(expected[i].Name, c));
    EXPECT_EQ(static_cast<uint32_t>(c), expected[i].Value);
    ASSERT_TRUE(ColorToIdent(c, name));
    EXPECT_EQ(name, expected[i].Name);
  }
  EXPECT_EQ(values.size(), expected.size());
  EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0x8000000Fu);
  EXPECT_EQ(clRed, RGB(255, 0, 0));
}

TEST(RtlGraphTypes, IdentsIgnoreCaseAndUnknownOnesFail) {
  TColor c = 12345;
  EXPECT_TRUE(IdentToColor("CLBTNFACE", c));
  EXPECT_EQ(c, clBtnFace);
  EXPECT_TRUE(IdentToColor("clskyblue", c));
  EXPECT_EQ(c, clSkyBlue);
  c = 12345;
  for (const char* bad : {"", "cl", "Red", "clRed ", "clLtGray", "clBtnFace2"}) {
    EXPECT_FALSE(IdentToColor(bad, c)) << bad;
    EXPECT_EQ(c, 12345);
  }
  String name = "unchanged";
  EXPECT_FALSE(ColorToIdent(RGB(1, 2, 3), name));
  EXPECT_FALSE(ColorToIdent(SystemColor(25), name));  // no system colour has index 25
  EXPECT_EQ(name, "unchanged");
}

TEST(RtlGraphTypes, ColorToStringAndBack) {
  struct {
    TColor Color;
    const char* Text;
  } const rows[] = {
      {clWhite, "clWhite"},
      {clBtnFace, "clBtnFace"},
      {clNone, "clNone"},
      {RGB(1, 2, 3), "$00030201"},
      {RGB(0xAB, 0xCD, 0xEF), "$00EFCDAB"},
      {SystemColor(25), "$80000019"},
      {-1, "$FFFFFFFF"},
      {0x12345678, "$12345678"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ColorToString(row.Color), row.Text);
    EXPECT_EQ(StringToColor(row.Text), row.Color) << row.Text;
  }
}

TEST(RtlGraphTypes, StringToColorAcceptsIdentsHexAndDecimal) {
  struct {
    const char* Text;
    TColor Color;
  } const good[] = {
      {"clRed", clRed},
      {"CLRED", clRed},
      {"$FF", clRed},
      {"$00ff0000", clBlue},
      {"0x0000FF00", clLime},
      {"255", clRed},
      {"  16", 16},
      {"-1", -1},
      {"$80000005", clWindow},
      {"-$1", -1},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
  };
  for (const auto& row : good) EXPECT_EQ(StringToColor(row.Text), row.Color) << row.Text;

  for (const char* bad : {"", "red", "$", "0x", "12a", "$1FFFFFFFF", "2147483648", "clRed ", "1 2", "--1"}) {
    try {
      StringToColor(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), String("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(RtlGraphTypes, ColorComponents) {
  TColor c = RGB(10, 20, 30);
  EXPECT_EQ(c, 10 + 20 * 256 + 30 * 65536);
  EXPECT_EQ(GetRValue(c), 10);
  EXPECT_EQ(GetGValue(c), 20);
  EXPECT_EQ(GetBValue(c), 30);
  EXPECT_EQ(GetRValue(clBtnFace), 15);  // the system colour index sits in the red byte
}

TEST(RtlGraphTypes, RectanglesAreRightBottomExclusive) {
  TRect r = Rect(10, 20, 30, 60);
  EXPECT_EQ(r.Width(), 20);
  EXPECT_EQ(r.Height(), 40);
  EXPECT_EQ(Bounds(10, 20, 20, 40), r);
  EXPECT_EQ(Point(3, 4), (TPoint{3, 4}));

  EXPECT_TRUE(PtInRect(r, Point(10, 20)));
  EXPECT_TRUE(PtInRect(r, Point(29, 59)));
  EXPECT_FALSE(PtInRect(r, Point(30, 20)));
  EXPECT_FALSE(PtInRect(r, Point(10, 60)));
  EXPECT_FALSE(PtInRect(r, Point(9, 25)));

  EXPECT_FALSE(IsRectEmpty(r));
  EXPECT_TRUE(IsRectEmpty(Rect(5, 5, 5, 9)));
  EXPECT_TRUE(IsRectEmpty(Rect(5, 5, 9, 4)));
  EXPECT_TRUE(EqualRect(r, Rect(10, 20, 30, 60)));
  EXPECT_FALSE(EqualRect(r, Rect(10, 20, 30, 61)));
}

TEST(RtlGraphTypes, IntersectAndUnion) {
  struct {
    TRect A, B;
    bool Meets;
    TRect Common;
    TRect Union;
  } const rows[] = {
      {Rect(0, 0, 10, 10), Rect(5, 5, 20, 20), true, Rect(5, 5, 10, 10), Rect(0, 0, 20, 20)},
      {Rect(0, 0, 10, 10), Rect(2, 3, 4, 5), true, Rect(2, 3, 4, 5), Rect(0, 0, 10, 10)},
      // Touching edges share nothing (right edge is outside).
      {Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), false, TRect{}, Rect(0, 0, 20, 10)},
      {Rect(0, 0, 10, 10), Rect(50, 50, 60, 60), false, TRect{}, Rect(0, 0, 60, 60)},
      // An empty rectangle neither intersects nor widens the union.
      {Rect(0, 0, 10, 10), Rect(100, 100, 100, 200), false, TRect{}, Rect(0, 0, 10, 10)},
      {Rect(7, 7, 7, 7), Rect(2, 2, 4, 4), false, TRect{}, Rect(2, 2, 4, 4)},
  };
  for (const auto& row : rows) {
    TRect dst = Rect(-1, -1, -1, -1);
    EXPECT_EQ(IntersectRect(dst, row.A, row.B), row.Meets);
    EXPECT_EQ(dst, row.Common);
    dst = Rect(-1, -1, -1, -1);
    EXPECT_TRUE(UnionRect(dst, row.A, row.B));
    EXPECT_EQ(dst, row.Union);
  }
  TRect dst = Rect(1, 1, 2, 2);
  EXPECT_FALSE(UnionRect(dst, Rect(0, 0, 0, 0), Rect(3, 3, 1, 1)));
  EXPECT_EQ(dst, TRect{});
  // The destination may be one of the sources.
  TRect a = Rect(0, 0, 10, 10);
  EXPECT_TRUE(IntersectRect(a, a, Rect(5, 5, 20, 20)));
  EXPECT_EQ(a, Rect(5, 5, 10, 10));
}

TEST(RtlGraphTypes, OffsetAndInflate) {
  TRect r = Rect(10, 20, 30, 40);
  OffsetRect(r, -5, 7);
  EXPECT_EQ(r, Rect(5, 27, 25, 47));
  InflateRect(r, 2, -3);
  EXPECT_EQ(r, Rect(3, 30, 27, 44));
  // Coordinates wrap at 32 bits instead of overflowing.
  TRect edge = Rect(INT32_MAX - 1, 0, INT32_MAX, 1);
  OffsetRect(edge, 2, 0);
  EXPECT_EQ(edge, Rect(INT32_MIN, 0, INT32_MIN + 1, 1));
  EXPECT_EQ(Rect(INT32_MIN, 0, INT32_MAX, 0).Width(), -1);
}
