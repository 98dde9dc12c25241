#include "platform/gui/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "platform/gui/fonts.h"

// ================================================================================
// Layout with a made-up font: every character 10 pixels, blank 4, period 3.
// ================================================================================

namespace {

int32_t FakeAdvance(char32_t c) {
  switch (c) {
    case U' ': return 4;
    case U'.': return 3;
    default: return 10;
  }
}

std::vector<std::u32string> Lines(std::u32string_view text, uint32_t format, int32_t width, int32_t tab = 0) {
  TTextLayoutParams p;
  p.Format = format;
  p.Width = width;
  p.TabWidth = tab;
  p.Advance = FakeAdvance;
  std::vector<std::u32string> out;
  for (const TTextLayoutLine& l : LayoutDrawText(text, p)) out.push_back(l.Text);
  return out;
}

String Utf8(std::u32string_view s) {
  String r;
  for (char32_t c : s) r += c < 0x80 ? String(1, char(c)) : "?";
  return r;
}

String Join(const std::vector<std::u32string>& lines) {
  String r;
  for (size_t i = 0; i < lines.size(); ++i) r += (i ? "|" : "") + Utf8(lines[i]);
  return r;
}

}  // namespace

TEST(GfxText, LayoutBreaksLinesAndWords) {
  const uint32_t WB = DT_WORDBREAK;
  struct Case {
    std::u32string_view Text;
    uint32_t Format;
    int32_t Width;
    const char* Expected;  // lines joined with "|"
  } cases[] = {
      {U"", 0, 100, ""},
      {U"aaa bbb ccc", 0, 75, "aaa bbb ccc"},   // no word break: one line
      {U"aaa bbb ccc", WB, 75, "aaa bbb|ccc"},  // 64 fits, 98 does not
      {U"aaa bbb ccc", WB, 64, "aaa bbb|ccc"},  // exactly the room
      {U"aaa bbb ccc", WB, 63, "aaa|bbb|ccc"},
      {U"aaa    bbb", WB, 50, "aaa|bbb"},                 // blanks at the break dropped
      {U"  aaa bbb  ", WB, 200, "  aaa bbb"},             // leading kept, trailing dropped
      {U"a verylongword b", WB, 50, "a|verylongword|b"},  // a long word stays whole
      {U"verylongword", WB | DT_EDITCONTROL, 35, "ver|ylo|ngw|ord"},
      {U"ab verylongword", WB | DT_EDITCONTROL, 35, "ab|ver|ylo|ngw|ord"},
      {U"a verylongword b", WB | DT_WORD_ELLIPSIS, 50, "a|very...|b"},  // 40 + 9 fits
      {U"ab\r\ncd\ref\ngh", 0, 100, "ab|cd|ef|gh"},
      {U"ab\n\ncd", 0, 100, "ab||cd"},
      {U"ab\r\n", 0, 100, "ab|"},  // a final break starts a line
      {U"ab\r\ncd", DT_SINGLELINE, 100, "ab\r\ncd"},
      {U"ab\r\ncd", DT_SINGLELINE | WB, 10, "ab\r\ncd"},  // single line wins
      {U"aaa bbb\r\nccc ddd", WB, 70, "aaa bbb|ccc ddd"},
      {U"aaa bbb\r\nccc ddd", WB, 40, "aaa|bbb|ccc|ddd"},
      {U"   ", WB, 20, ""},
      {U"abcdefghij", DT_END_ELLIPSIS, 50, "abcd..."},  // 40 + 9 = 49
      {U"abcdefghij", DT_END_ELLIPSIS, 100, "abcdefghij"},
      {U"abcdefghij", DT_END_ELLIPSIS, 5, "..."},
      {U"abcdefghij", DT_WORD_ELLIPSIS, 50, "abcd..."},
      {U"/aa/bb/cc/file", DT_PATH_ELLIPSIS, 80, "/a.../file"},  // 20 + 9 + 50
      {U"/aa/bb/cc/file", DT_PATH_ELLIPSIS, 140, "/aa/bb/cc/file"},
      {U"c:\\aa\\bb\\file", DT_PATH_ELLIPSIS, 90, "c:\\...\\file"},
      {U"abcdefghij", DT_PATH_ELLIPSIS, 50, "abcd..."},                 // no separator
      {U"/aa/verylongname", DT_PATH_ELLIPSIS, 40, ".../verylongname"},  // the tail stays whole
      {U"/aa/verylongname", DT_PATH_ELLIPSIS | DT_END_ELLIPSIS, 40, ".../v..."},
      {U"abcdefghij\r\nab", DT_END_ELLIPSIS, 50, "abcd...|ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.Text) + " format " + std::to_string(c.Format) + " width " + std::to_string(c.Width));
    EXPECT_EQ(Join(Lines(c.Text, c.Format, c.Width)), c.Expected);
  }
}

TEST(GfxText, LayoutWidthsAndSourcesOfLines) {
  TTextLayoutParams p;
  p.Format = DT_WORDBREAK | DT_END_ELLIPSIS;
  p.Width = 64;
  p.Advance = FakeAdvance;
  std::vector<TTextLayoutLine> lines = LayoutDrawText(U"aaa bbb ccc verylongword", p);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Width, 64);
  EXPECT_FALSE(lines[0].Ellipsized);
  EXPECT_EQ(lines[0].SourceBegin, 0u);
  EXPECT_EQ(lines[0].SourceEnd, 7u);
  EXPECT_EQ(lines[1].Text, U"ccc");
  EXPECT_EQ(lines[1].SourceBegin, 8u);
  EXPECT_EQ(lines[2].Text, U"veryl...");  // 50 + 9 <= 64
  EXPECT_TRUE(lines[2].Ellipsized);
  EXPECT_EQ(lines[2].Width, 59);
  EXPECT_EQ(lines[2].SourceEnd, 24u);
}

TEST(GfxText, LayoutPrefixes) {
  struct Case {
    std::u32string_view Text;
    uint32_t Format;
    std::u32string_view Shown;
    const char* Underlined;  // '1' under each underlined character
  } cases[] = {
      {U"&File", 0, U"File", "1000"},
      {U"Save &as", 0, U"Save as", "0000010"},
      {U"a&&b", 0, U"a&b", "000"},
      {U"a&&&b", 0, U"a&b", "001"},
      {U"ab&", 0, U"ab", "00"},  // a mark with nothing after it
      {U"&File", DT_NOPREFIX, U"&File", "00000"},
      {U"&File", DT_HIDEPREFIX, U"File", "0000"},
      {U"&&", DT_HIDEPREFIX, U"&", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.Text));
    TTextLayoutParams p;
    p.Format = c.Format;
    p.Width = 1000;
    p.Advance = FakeAdvance;
    std::vector<TTextLayoutLine> lines = LayoutDrawText(c.Text, p);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, c.Shown);
    String marks;
    for (uint8_t u : lines[0].Underline) marks += u ? '1' : '0';
    EXPECT_EQ(marks, c.Underlined);
    int32_t width = 0;
    for (char32_t ch : c.Shown) width += FakeAdvance(ch);
    EXPECT_EQ(lines[0].Width, width);
  }
}

TEST(GfxText, LayoutTabsAndModifiedText) {
  int32_t width = 0;
  EXPECT_EQ(LinePens(U"a\tb\t\tc", 80, FakeAdvance, &width), (std::vector<int32_t>{0, 10, 80, 90, 160, 240}));
  EXPECT_EQ(width, 250);
  EXPECT_EQ(LinePens(U"a\tb", 0, FakeAdvance, &width), (std::vector<int32_t>{0, 10, 20}));
  EXPECT_EQ(width, 30);
  // Tabs are blanks for word breaking and jump to their stops.
  EXPECT_EQ(Join(Lines(U"aa\tbb cc", DT_WORDBREAK, 100, 50)), "aa\tbb cc");  // 94 fits
  EXPECT_EQ(Join(Lines(U"aa\tbb cc", DT_WORDBREAK, 80, 50)), "aa\tbb|cc");
  EXPECT_EQ(Join(Lines(U"aa\tbb cc", DT_WORDBREAK, 60, 50)), "aa|bb cc");

  // Tab stops: 8 average widths, or the count in the high byte of DT_TABSTOP.
  EXPECT_EQ(DrawTextTabWidth(0, 6, nullptr), 0);
  EXPECT_EQ(DrawTextTabWidth(DT_EXPANDTABS, 6, nullptr), 48);
  EXPECT_EQ(DrawTextTabWidth(DT_EXPANDTABS | DT_TABSTOP | (4 << 8), 6, nullptr), 24);
  DRAWTEXTPARAMS params;
  params.iTabLength = 3;
  EXPECT_EQ(DrawTextTabWidth(DT_EXPANDTABS | DT_TABSTOP, 6, &params), 18);

  // The modified text shows the same when drawn again.
  TTextLayoutParams p;
  p.Format = DT_END_ELLIPSIS;
  p.Width = 60;
  p.Advance = FakeAdvance;
  std::u32string text = U"&Hello && Co\r\nshort";
  std::vector<TTextLayoutLine> lines = LayoutDrawText(text, p);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Text, U"Hello...");
  EXPECT_EQ(ModifiedDrawText(text, lines, p.Format), U"&Hello...\r\nshort");
  std::vector<TTextLayoutLine> again = LayoutDrawText(ModifiedDrawText(text, lines, p.Format), p);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].Text, lines[0].Text);
  EXPECT_EQ(again[0].Underline, lines[0].Underline);
  p.Width = 1000;
  EXPECT_EQ(ModifiedDrawText(text, LayoutDrawText(text, p), p.Format), text);
}

// ================================================================================
// Text on device contexts
// ================================================================================

namespace {

constexpr COLORREF White = 0xFFFFFF;

// A top-down DIB section in a memory DC, filled white, with a font selected.
class TTextSurface {
 public:
  TTextSurface(int32_t width, int32_t height, int32_t bits = 24, const RGBQUAD* colors = nullptr,
               int32_t colorCount = 0)
      : FWidth(width), FHeight(height), FBitCount(bits) {
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    BITMAPINFO* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
    bmi->bmiHeader = BITMAPINFOHEADER{};
    bmi->bmiHeader.biWidth = width;
    bmi->bmiHeader.biHeight = -height;
    bmi->bmiHeader.biBitCount = static_cast<uint16_t>(bits);
    bmi->bmiHeader.biClrUsed = static_cast<uint32_t>(colorCount);
    if (colors) std::memcpy(bmi->bmiColors, colors, sizeof(RGBQUAD) * colorCount);
    FDC = CreateCompatibleDC(nullptr);
    FBitmap = CreateDIBSection(FDC, bmi, DIB_RGB_COLORS, &FBits, nullptr, 0);
    FOldBitmap = SelectObject(FDC, FBitmap);
    Clear(White);
    SetFont(-16);
  }
  ~TTextSurface() {
    SelectObject(FDC, FOldBitmap);
    SelectObject(FDC, FOldFont);
    DeleteObject(FBitmap);
    if (FFont) DeleteObject(FFont);
    DeleteDC(FDC);
  }

  HDC DC() const { return FDC; }
  int32_t Stride() const { return ((FWidth * FBitCount + 31) / 32) * 4; }

  void SetFont(int32_t height, const char* face = "Arial", int32_t escapement = 0, int32_t weight = 400,
               uint8_t underline = 0, uint8_t strikeOut = 0, uint8_t quality = DEFAULT_QUALITY) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfFaceName = face;
    lf.lfEscapement = escapement;
    lf.lfOrientation = escapement;
    lf.lfWeight = weight;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfQuality = quality;
    HFONT font = CreateFontIndirect(lf);
    HGDIOBJ old = SelectObject(FDC, font);
    if (!FOldFont) FOldFont = old;
    if (FFont) DeleteObject(FFont);
    FFont = font;
  }

  void Clear(COLORREF color) {
    HBRUSH b = CreateSolidBrush(color);
    FillRect(FDC, TRect{0, 0, FWidth, FHeight}, b);
    DeleteObject(b);
  }

  // The colour at (x, y), read straight from the DIB memory (24 bits).
  COLORREF At(int32_t x, int32_t y) const {
    const uint8_t* p = static_cast<const uint8_t*>(FBits) + size_t(y) * Stride() + size_t(x) * 3;
    return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16);
  }
  // Palette index at (x, y) of an 8-bit surface.
  uint8_t IndexAt(int32_t x, int32_t y) const {
    return static_cast<const uint8_t*>(FBits)[size_t(y) * Stride() + size_t(x)];
  }

  // Box of the pixels whose colour differs from `background` (24 bits).
  TRect Ink(COLORREF background = White) const {
    TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int32_t y = 0; y < FHeight; ++y)
      for (int32_t x = 0; x < FWidth; ++x)
        if (At(x, y) != background) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r.Right < r.Left ? TRect{} : r;
  }
  // Box of the pixels of exactly one colour.
  TRect BoxOf(COLORREF color) const {
    TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int32_t y = 0; y < FHeight; ++y)
      for (int32_t x = 0; x < FWidth; ++x)
        if (At(x, y) == color) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r.Right < r.Left ? TRect{} : r;
  }
  std::set<COLORREF> Colors() const {
    std::set<COLORREF> s;
    for (int32_t y = 0; y < FHeight; ++y)
      for (int32_t x = 0; x < FWidth; ++x) s.insert(At(x, y));
    return s;
  }

  TEXTMETRIC Metrics() const {
    TEXTMETRIC tm;
    EXPECT_TRUE(GetTextMetrics(FDC, &tm));
    return tm;
  }
  int32_t TextWidth(const char* s) const {
    TSize size;
    EXPECT_TRUE(GetTextExtentPoint32(FDC, s, static_cast<int32_t>(std::strlen(s)), &size));
    return size.cx;
  }

 private:
  int32_t FWidth, FHeight, FBitCount;
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  HFONT FFont = nullptr;
  HGDIOBJ FOldFont = nullptr;
  void* FBits = nullptr;
};

bool Contains(const TRect& outer, const TRect& inner) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

String Show(const TRect& r) {
  return "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom) + ")";
}

}  // namespace

TEST(GfxText, TextOutIsInTheDibMemoryAtOnce) {
  TTextSurface s(200, 60);
  SetBkMode(s.DC(), TRANSPARENT);
  SetTextColor(s.DC(), 0x000000);
  ASSERT_TRUE(TextOut(s.DC(), 10, 10, "Hello", 5));
  TEXTMETRIC tm = s.Metrics();
  int32_t w = s.TextWidth("Hello");
  TRect ink = s.Ink();
  EXPECT_TRUE(Contains(TRect{10, 10, 10 + w, 10 + tm.tmHeight}, ink)) << Show(ink);
  EXPECT_GE(ink.Right - ink.Left, w - 4);        // "H" starts and "o" ends near the cell edges
  EXPECT_NEAR(ink.Bottom, 10 + tm.tmAscent, 1);  // sits on the baseline
  std::set<COLORREF> colors = s.Colors();
  EXPECT_TRUE(colors.count(0x000000));
  EXPECT_GT(colors.size(), 2u);  // antialiased: greys between
}

// The extent that GetTextExtentPoint32 answers is exactly the cell that an
// opaque background fills, for several alignments.
TEST(GfxText, ExtentIsTheDrawnCell) {
  TTextSurface s(300, 100);
  const COLORREF bk = 0x00FF00;
  SetBkMode(s.DC(), OPAQUE);
  SetBkColor(s.DC(), bk);
  SetTextColor(s.DC(), 0x0000FF);
  const char* text = "Width of text";
  int32_t w = s.TextWidth(text);
  TEXTMETRIC tm = s.Metrics();
  struct Case {
    uint32_t Align;
    TRect Cell;
  } cases[] = {
      {TA_LEFT | TA_TOP, {100, 50, 100 + w, 50 + tm.tmHeight}},
      {TA_RIGHT | TA_TOP, {100 - w, 50, 100, 50 + tm.tmHeight}},
      {TA_CENTER | TA_TOP, {100 - w / 2, 50, 100 - w / 2 + w, 50 + tm.tmHeight}},
      {TA_LEFT | TA_BASELINE, {100, 50 - tm.tmAscent, 100 + w, 50 + tm.tmDescent}},
      {TA_LEFT | TA_BOTTOM, {100, 50 - tm.tmHeight, 100 + w, 50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Align);
    s.Clear(White);
    SetTextAlign(s.DC(), c.Align);
    ASSERT_TRUE(TextOut(s.DC(), 100, 50, text, static_cast<int32_t>(std::strlen(text))));
    EXPECT_EQ(s.BoxOf(bk), c.Cell);
    // Glyph edges may reach a pixel past their rounded advance.
    TRect ink = s.Ink();
    EXPECT_TRUE(Contains(TRect{c.Cell.Left - 1, c.Cell.Top, c.Cell.Right + 1, c.Cell.Bottom}, ink)) << Show(ink);
  }
}

TEST(GfxText, UpdateCpMovesThePosition) {
  TTextSurface s(300, 60);
  SetBkMode(s.DC(), OPAQUE);
  SetBkColor(s.DC(), 0x00FF00);
  SetTextAlign(s.DC(), TA_UPDATECP);
  MoveToEx(s.DC(), 5, 7, nullptr);
  ASSERT_TRUE(TextOut(s.DC(), 999, 999, "ab", 2));  // x and y are not used
  ASSERT_TRUE(TextOut(s.DC(), 999, 999, "cd", 2));
  TPoint pos;
  ASSERT_TRUE(GetCurrentPositionEx(s.DC(), &pos));
  EXPECT_EQ(pos.X, 5 + s.TextWidth("abcd"));
  EXPECT_EQ(pos.Y, 7);
  EXPECT_EQ(s.BoxOf(0x00FF00), (TRect{5, 7, 5 + s.TextWidth("abcd"), 7 + s.Metrics().tmHeight}));
  // The logical origin moves the text with it.
  s.Clear(White);
  SetTextAlign(s.DC(), TA_LEFT | TA_TOP);
  SetViewportOrgEx(s.DC(), 20, 10, nullptr);
  TextOut(s.DC(), 0, 0, "ab", 2);
  EXPECT_EQ(s.BoxOf(0x00FF00), (TRect{20, 10, 20 + s.TextWidth("ab"), 10 + s.Metrics().tmHeight}));
}

TEST(GfxText, ExtTextOutOpaqueClippedAndDx) {
  TTextSurface s(200, 60);
  SetBkMode(s.DC(), TRANSPARENT);
  SetBkColor(s.DC(), 0xFF0000);
  TRect r{10, 10, 60, 40};
  ASSERT_TRUE(ExtTextOut(s.DC(), 12, 12, ETO_OPAQUE | ETO_CLIPPED, &r, "Clipped text here", 17, nullptr));
  EXPECT_EQ(s.Ink(), r);  // filled, and nothing drawn outside
  EXPECT_TRUE(s.Colors().count(0x000000));

  // Spacing from dx: each character starts 20 pixels after the previous.
  s.Clear(White);
  int32_t dx[3] = {20, 20, 20};
  ASSERT_TRUE(ExtTextOut(s.DC(), 0, 0, 0, nullptr, "lll", 3, dx));
  int32_t starts = 0;
  for (int32_t x = 0; x < 80; ++x) {
    bool inkHere = false, inkLeft = false;
    for (int32_t y = 0; y < 30; ++y) {
      inkHere = inkHere || s.At(x, y) != White;
      inkLeft = inkLeft || (x > 0 && s.At(x - 1, y) != White);
    }
    starts += inkHere && !inkLeft;
  }
  EXPECT_EQ(starts, 3);
  EXPECT_LT(s.Ink().Right, 60);
  EXPECT_GE(s.Ink().Right, 41);
}

TEST(GfxText, EscapementDrawsARotatedRun) {
  TTextSurface s(200, 200);
  SetBkMode(s.DC(), TRANSPARENT);
  s.SetFont(-20, "Arial", 900);
  int32_t w = s.TextWidth("Vertical");
  TEXTMETRIC tm = s.Metrics();
  ASSERT_TRUE(TextOut(s.DC(), 100, 150, "Vertical", 8));
  TRect ink = s.Ink();
  // Going up from the reference point; the cell lies to its right (TA_TOP).
  EXPECT_GT(ink.Bottom - ink.Top, 2 * (ink.Right - ink.Left)) << Show(ink);
  EXPECT_TRUE(Contains(TRect{99, 150 - w - 1, 101 + tm.tmHeight, 151}, ink)) << Show(ink);
  EXPECT_GT(ink.Bottom - ink.Top, w - 6);

  // Opaque background: the rotated cell, w high and tmHeight wide.
  s.Clear(White);
  SetBkMode(s.DC(), OPAQUE);
  SetBkColor(s.DC(), 0x00FF00);
  TextOut(s.DC(), 100, 150, "Vertical", 8);
  EXPECT_EQ(s.BoxOf(0x00FF00), (TRect{100, 150 - w, 100 + tm.tmHeight, 150}));

  // 45 degrees: a diagonal run, going up and right.
  s.Clear(White);
  SetBkMode(s.DC(), TRANSPARENT);
  s.SetFont(-20, "Arial", 450);
  TextOut(s.DC(), 20, 180, "Diagonal text", 13);
  TRect diag = s.Ink();
  EXPECT_NEAR(diag.Right - diag.Left, diag.Bottom - diag.Top, 12) << Show(diag);
  EXPECT_LT(diag.Top, 110);
}

TEST(GfxText, UnderlineAndStrikeOutSpanTheRun) {
  TTextSurface s(200, 60);
  SetBkMode(s.DC(), TRANSPARENT);
  for (int kind = 0; kind < 2; ++kind) {
    s.Clear(White);
    s.SetFont(-20, "Arial", 0, 400, kind == 0, kind == 1);
    const char* text = "a . a";
    int32_t w = s.TextWidth(text);
    TextOut(s.DC(), 10, 10, text, 5);
    // Some row is ink across the whole run, blanks included.
    int32_t fullRows = 0, row = -1;
    for (int32_t y = 0; y < 60; ++y) {
      bool full = true;
      for (int32_t x = 10; x < 10 + w && full; ++x) full = s.At(x, y) == 0x000000;
      if (full) fullRows++, row = y;
    }
    TEXTMETRIC tm = s.Metrics();
    EXPECT_GE(fullRows, 1) << kind;
    if (kind == 0) {
      EXPECT_GE(row, 10 + tm.tmAscent) << "underline below the baseline";
    } else {
      EXPECT_LT(row, 10 + tm.tmAscent) << "strike-out above the baseline";
    }
    EXPECT_EQ(s.Ink().Left, 10);
    EXPECT_NEAR(s.Ink().Right, 10 + w, 1);
  }
}

TEST(GfxText, MetricsDoNotDependOnQuality) {
  TTextSurface s(300, 60);
  const char* text = "Quality must not move layouts";
  std::map<uint8_t, std::tuple<int32_t, int32_t, int32_t, int32_t>> seen;
  for (uint8_t q : {DEFAULT_QUALITY, NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY, CLEARTYPE_QUALITY}) {
    s.SetFont(-13, "Tahoma", 0, 400, 0, 0, q);
    TEXTMETRIC tm = s.Metrics();
    int32_t widths[26];
    ASSERT_TRUE(GetCharWidth32(s.DC(), 'a', 'z', widths));
    int32_t sum = 0;
    for (int32_t v : widths) sum += v;
    seen[q] = {tm.tmHeight, tm.tmAveCharWidth, s.TextWidth(text), sum};
  }
  for (auto& [q, v] : seen) EXPECT_EQ(v, seen[DEFAULT_QUALITY]) << int(q);

  // Non-antialiased text has only the text and background colours.
  s.SetFont(-13, "Tahoma", 0, 400, 0, 0, NONANTIALIASED_QUALITY);
  SetBkMode(s.DC(), TRANSPARENT);
  SetTextColor(s.DC(), 0x0000FF);
  s.Clear(White);
  TextOut(s.DC(), 5, 5, text, static_cast<int32_t>(std::strlen(text)));
  EXPECT_EQ(s.Colors(), (std::set<COLORREF>{White, 0x0000FF}));
}

TEST(GfxText, IndexedTargetsThresholdTheCoverage) {
  RGBQUAD grays[256];
  for (int i = 0; i < 256; ++i) grays[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  TTextSurface s(200, 40, 8, grays, 256);
  SetBkMode(s.DC(), TRANSPARENT);
  SetTextColor(s.DC(), RGB(100, 100, 100));
  TextOut(s.DC(), 5, 5, "Threshold", 9);
  std::set<uint8_t> indexes;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 200; ++x) indexes.insert(s.IndexAt(x, y));
  EXPECT_EQ(indexes, (std::set<uint8_t>{100, 255}));
}

TEST(GfxText, ExtentsCountCodeUnits) {
  TTextSurface s(100, 30);
  // "aé€" is 1 + 2 + 3 bytes in UTF-8.
  const char* utf8 = "a\xC3\xA9\xE2\x82\xAC";
  int32_t dx[6] = {};
  int32_t fit = -1;
  TSize size;
  ASSERT_TRUE(GetTextExtentExPoint(s.DC(), utf8, 6, 1000, &fit, dx, &size));
  int32_t a = s.TextWidth("a"), e = s.TextWidth("\xC3\xA9"), euro = s.TextWidth("\xE2\x82\xAC");
  EXPECT_EQ((std::vector<int32_t>(dx, dx + 6)),
            (std::vector<int32_t>{a, a + e, a + e, a + e + euro, a + e + euro, a + e + euro}));
  EXPECT_EQ(fit, 6);
  EXPECT_EQ(size.cx, a + e + euro);
  EXPECT_EQ(size.cy, s.Metrics().tmHeight);
  ASSERT_TRUE(GetTextExtentExPoint(s.DC(), utf8, 6, a + e, &fit, nullptr, nullptr));
  EXPECT_EQ(fit, 3);  // whole characters only
  ASSERT_TRUE(GetTextExtentExPoint(s.DC(), utf8, 6, a + e - 1, &fit, nullptr, nullptr));
  EXPECT_EQ(fit, 1);

  // The same text in UTF-16, with a character outside the BMP (two units).
  const char16_t wide[] = u"a\u00E9\u20AC\U0001F600";
  int32_t wdx[5] = {};
  ASSERT_TRUE(GetTextExtentExPointW(s.DC(), wide, 5, 1000, &fit, wdx, &size));
  EXPECT_EQ(wdx[2], a + e + euro);
  EXPECT_EQ(wdx[3], wdx[4]);
  EXPECT_EQ(fit, 5);

  // Text that is not UTF-8 reads as Windows-1252: "\xE9" is "é", "\x80" is "€".
  EXPECT_EQ(s.TextWidth("\xE9\x80"), e + euro);
  int32_t w1252[2], wUni[1];
  ASSERT_TRUE(GetCharWidth32(s.DC(), 0x80, 0x81, w1252));
  ASSERT_TRUE(GetCharWidth32W(s.DC(), 0x20AC, 0x20AC, wUni));
  EXPECT_EQ(w1252[0], wUni[0]);

  EXPECT_FALSE(GetTextExtentPoint32(s.DC(), "x", -1, &size));
  EXPECT_FALSE(GetTextExtentPoint32(nullptr, "x", 1, &size));
  TEXTMETRIC tm;
  EXPECT_FALSE(GetTextMetrics(reinterpret_cast<HDC>(uintptr_t(0x7777)), &tm));
  EXPECT_EQ(DrawText(nullptr, "x", 1, nullptr, 0), 0);
}

TEST(GfxText, TabbedTextOutStops) {
  TTextSurface s(300, 30);
  SetBkMode(s.DC(), OPAQUE);
  SetBkColor(s.DC(), 0x00FF00);
  TEXTMETRIC tm = s.Metrics();
  int32_t a = s.TextWidth("a"), b = s.TextWidth("b"), blank = s.TextWidth(" ");
  struct Case {
    const char* Text;
    int32_t X;
    std::vector<int32_t> Stops;
    int32_t Origin;
    int32_t Width;
  } cases[] = {
      {"a\tb", 0, {}, 0, 8 * tm.tmAveCharWidth + b},
      {"a\tb", 0, {30}, 0, 30 + b},
      {"a\tb", 10, {30}, 0, 20 + b},  // stops count from the origin
      {"a\tb\tb", 0, {40, 70}, 0, 70 + b},
      {"a\tb\tb\tb", 0, {40, 70}, 0, 70 + b + blank + b},  // past the last stop: a blank
      {"a\tb", 5, {40, 70}, 5, 40 + b},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    s.Clear(White);
    int32_t r =
        TabbedTextOut(s.DC(), c.X, 0, c.Text, static_cast<int32_t>(std::strlen(c.Text)),
                      static_cast<int32_t>(c.Stops.size()), c.Stops.empty() ? nullptr : c.Stops.data(), c.Origin);
    EXPECT_EQ(r & 0xFFFF, c.Width);
    EXPECT_EQ((r >> 16) & 0xFFFF, tm.tmHeight);
    EXPECT_EQ(s.Ink(), (TRect{c.X, 0, c.X + c.Width, tm.tmHeight}));
    (void)a;
  }
}

// DrawText on a DC: positions computed from our own measurements.
TEST(GfxText, DrawTextPlacesAndMeasures) {
  TTextSurface s(300, 200);
  const COLORREF bk = 0x00FF00;
  SetBkMode(s.DC(), OPAQUE);
  SetBkColor(s.DC(), bk);
  TEXTMETRIC tm = s.Metrics();
  const int32_t h = tm.tmHeight;
  const int32_t wHello = s.TextWidth("Hello");

  struct Case {
    const char* Text;
    uint32_t Format;
    TRect Rect;
    TRect Cell;  // what the opaque background covers
    int32_t Height;
  } cases[] = {
      {"Hello",
       DT_SINGLELINE | DT_VCENTER,
       {10, 10, 200, 110},
       {10, 10 + (100 - h) / 2, 10 + wHello, 10 + (100 - h) / 2 + h},
       h},
      {"Hello", DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, {10, 10, 200, 110}, {200 - wHello, 110 - h, 200, 110}, h},
      {"Hello",
       DT_SINGLELINE | DT_CENTER,
       {10, 10, 200, 110},
       {10 + (190 - wHello) / 2, 10, 10 + (190 - wHello) / 2 + wHello, 10 + h},
       h},
      {"Hello", DT_VCENTER, {10, 10, 200, 110}, {10, 10, 10 + wHello, 10 + h}, h},  // VCENTER needs single line
      {"Hello\r\nHello", 0, {10, 10, 200, 110}, {10, 10, 10 + wHello, 10 + 2 * h}, 2 * h},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Text) + " " + std::to_string(c.Format));
    s.Clear(White);
    TRect r = c.Rect;
    EXPECT_EQ(DrawText(s.DC(), c.Text, -1, &r, c.Format), c.Height);
    EXPECT_EQ(r, c.Rect);  // not changed without DT_CALCRECT
    EXPECT_EQ(s.BoxOf(bk), c.Cell) << Show(s.BoxOf(bk));
    EXPECT_TRUE(Contains(TRect{c.Cell.Left - 1, c.Cell.Top, c.Cell.Right + 1, c.Cell.Bottom}, s.Ink()));
  }

  // DT_CALCRECT draws nothing and answers the extent.
  s.Clear(White);
  TRect r{0, 0, 0, 0};
  EXPECT_EQ(DrawText(s.DC(), "Hello", -1, &r, DT_CALCRECT), h);
  EXPECT_EQ(r, (TRect{0, 0, wHello, h}));
  EXPECT_EQ(s.Ink(), TRect{});
  r = TRect{5, 5, 5, 5};
  EXPECT_EQ(DrawText(s.DC(), "ab\r\nHello\nc\r", -1, &r, DT_CALCRECT), 4 * h);
  EXPECT_EQ(r, (TRect{5, 5, 5 + wHello, 5 + 4 * h}));
  int32_t wWords = s.TextWidth("Hello Hello");
  r = TRect{0, 0, wWords, 0};
  EXPECT_EQ(DrawText(s.DC(), "Hello Hello Hello", -1, &r, DT_CALCRECT | DT_WORDBREAK), 2 * h);
  EXPECT_EQ(r, (TRect{0, 0, wWords, 2 * h}));
  r = TRect{0, 0, 0, 0};
  EXPECT_EQ(DrawText(s.DC(), "", -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(r, TRect{});
  r = TRect{0, 0, 0, 0};
  EXPECT_EQ(DrawText(s.DC(), "&Hello", -1, &r, DT_CALCRECT), h);
  EXPECT_EQ(r.Right, wHello);
  r = TRect{0, 0, 0, 0};
  DrawText(s.DC(), "a\tb", -1, &r, DT_CALCRECT | DT_EXPANDTABS);
  EXPECT_EQ(r.Right, 8 * tm.tmAveCharWidth + s.TextWidth("b"));
  // With DT_TABSTOP the second byte is the tab distance (DT_CALCRECT lives there).
  r = TRect{0, 0, 300, 100};
  DrawText(s.DC(), "a\tb", -1, &r, DT_EXPANDTABS | DT_TABSTOP | (3 << 8));
  EXPECT_EQ(s.BoxOf(bk), (TRect{0, 0, 3 * tm.tmAveCharWidth + s.TextWidth("b"), h}));
  DRAWTEXTPARAMS params;
  params.iLeftMargin = 7;
  params.iRightMargin = 3;
  r = TRect{0, 0, 0, 0};
  DrawTextEx(s.DC(), "Hello", -1, &r, DT_CALCRECT, &params);
  EXPECT_EQ(r.Right, 7 + wHello + 3);
  EXPECT_EQ(params.uiLengthDrawn, 5u);
}

TEST(GfxText, DrawTextClipsToTheRectangle) {
  TTextSurface s(300, 60);
  SetBkMode(s.DC(), TRANSPARENT);
  const char* text = "A line much wider than its box";
  TRect r{20, 10, 80, 30};
  DrawText(s.DC(), text, -1, &r, DT_SINGLELINE);
  TRect ink = s.Ink();
  EXPECT_TRUE(Contains(r, ink)) << Show(ink);
  EXPECT_GT(ink.Right, 70);
  s.Clear(White);
  DrawText(s.DC(), text, -1, &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(s.Ink().Right, 150);
}

TEST(GfxText, DrawTextEllipsesAndModifyString) {
  TTextSurface s(400, 60);
  const int32_t room = s.TextWidth("Hello wor");
  struct Case {
    String Text;
    uint32_t Format;
    const char* Prefix;  // the shown text starts with this ...
    const char* Suffix;  // ... and ends with this
  } cases[] = {
      {"Hello world, this is long", DT_END_ELLIPSIS, "Hello", "..."},
      {"Hello world, this is long", DT_WORD_ELLIPSIS, "Hello", "..."},
      {"/home/user/pictures/2006/file.jpg", DT_PATH_ELLIPSIS, "/", ".../file.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    int32_t width = c.Format == DT_PATH_ELLIPSIS ? s.TextWidth("/home/.../file.jpg") : room;
    String text = c.Text;
    TRect r{0, 0, width, 40};
    DrawText(s.DC(), text, &r, c.Format | DT_SINGLELINE | DT_MODIFYSTRING);
    EXPECT_NE(text, c.Text);
    EXPECT_EQ(text.rfind(c.Prefix, 0), 0u) << text;
    ASSERT_GE(text.size(), std::strlen(c.Suffix));
    EXPECT_EQ(text.substr(text.size() - std::strlen(c.Suffix)), c.Suffix) << text;
    EXPECT_LE(s.TextWidth(text.c_str()), width);
    // CALCRECT measures the shortened text.
    TRect calc{0, 0, width, 0};
    String again = c.Text;
    DrawText(s.DC(), again, &calc, c.Format | DT_SINGLELINE | DT_CALCRECT | DT_MODIFYSTRING);
    EXPECT_EQ(again, text);
    EXPECT_EQ(calc.Right, s.TextWidth(text.c_str()));
  }
  // Without DT_MODIFYSTRING, or when the text fits, the string stays.
  String text = "Hello world, this is long";
  TRect r{0, 0, room, 40};
  DrawText(s.DC(), text, &r, DT_END_ELLIPSIS | DT_SINGLELINE);
  EXPECT_EQ(text, "Hello world, this is long");
  WideString wide = u"Short";
  r = TRect{0, 0, 300, 40};
  DrawTextW(s.DC(), wide, &r, DT_END_ELLIPSIS | DT_MODIFYSTRING);
  EXPECT_EQ(wide, u"Short");
  wide = u"Hello world, this is long";
  r = TRect{0, 0, room, 40};
  DrawTextW(s.DC(), wide, &r, DT_END_ELLIPSIS | DT_MODIFYSTRING);
  EXPECT_EQ(wide.substr(wide.size() - 3), u"...");
}

TEST(GfxText, DrawTextUnderlinesThePrefixedCharacter) {
  TTextSurface s(200, 60);
  SetBkMode(s.DC(), TRANSPARENT);
  TEXTMETRIC tm = s.Metrics();
  const int32_t wA = s.TextWidth("x"), wAll = s.TextWidth("xx");
  // Rows below the baseline where ink runs across the whole first character.
  auto underlined = [&](int32_t x0, int32_t x1) {
    for (int32_t y = tm.tmAscent; y < tm.tmHeight; ++y) {
      bool full = true;
      for (int32_t x = x0; x < x1 && full; ++x) full = s.At(x, y) != White;
      if (full) return true;
    }
    return false;
  };
  TRect r{0, 0, 200, 60};
  DrawText(s.DC(), "x&x", -1, &r, 0);
  EXPECT_FALSE(underlined(0, wA));
  EXPECT_TRUE(underlined(wA, wAll));
  s.Clear(White);
  DrawText(s.DC(), "x&x", -1, &r, DT_HIDEPREFIX);
  EXPECT_FALSE(underlined(wA, wAll));
  EXPECT_EQ(s.Ink().Right <= wAll, true);
  s.Clear(White);
  DrawText(s.DC(), "x&x", -1, &r, DT_NOPREFIX);
  EXPECT_GT(s.Ink().Right, wAll);  // the "&" is drawn
}

// Coordinates, margins and tab lengths at the ends of the range draw what can
// show and never overflow.
TEST(GfxText, ExtremeArgumentsAreSafe) {
  TTextSurface s(100, 40);
  SetBkMode(s.DC(), OPAQUE);
  const char* text = "Far away\tand\r\nwide";
  EXPECT_TRUE(TextOut(s.DC(), INT32_MAX - 3, INT32_MIN + 3, text, 8));
  EXPECT_TRUE(TextOut(s.DC(), INT32_MIN, INT32_MAX, text, 8));
  TRect huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_TRUE(ExtTextOut(s.DC(), 0, 0, ETO_OPAQUE | ETO_CLIPPED, &huge, text, 8, nullptr));
  TRect r = huge;
  EXPECT_GT(DrawText(s.DC(), text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS), 0);
  r = huge;
  EXPECT_GT(DrawText(s.DC(), text, -1, &r, DT_RIGHT | DT_WORDBREAK | DT_END_ELLIPSIS), 0);
  r = TRect{INT32_MAX - 10, 0, INT32_MAX, 10};
  EXPECT_GT(DrawText(s.DC(), text, -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(r.Right, INT32_MAX);  // clamped, not wrapped
  DRAWTEXTPARAMS params;
  params.iLeftMargin = INT32_MAX;
  params.iRightMargin = INT32_MIN + 1;
  params.iTabLength = INT32_MAX;
  r = TRect{0, 0, 100, 40};
  EXPECT_GT(DrawTextEx(s.DC(), text, -1, &r, DT_EXPANDTABS | DT_TABSTOP | DT_WORDBREAK | DT_PATH_ELLIPSIS, &params), 0);
  SetViewportOrgEx(s.DC(), INT32_MAX, INT32_MIN, nullptr);
  SetWindowOrgEx(s.DC(), INT32_MIN, INT32_MAX, nullptr);
  r = TRect{0, 0, 100, 40};
  DrawText(s.DC(), text, -1, &r, 0);
  SetTextAlign(s.DC(), TA_UPDATECP | TA_RIGHT);
  MoveToEx(s.DC(), INT32_MIN + 1, 0, nullptr);
  EXPECT_TRUE(TextOut(s.DC(), 0, 0, text, 8));
  int32_t dx[8] = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX, 1, 2, 3, 4};
  SetViewportOrgEx(s.DC(), 0, 0, nullptr);
  SetWindowOrgEx(s.DC(), 0, 0, nullptr);
  SetTextAlign(s.DC(), TA_LEFT);
  EXPECT_TRUE(ExtTextOut(s.DC(), 0, 0, 0, nullptr, text, 8, dx));
  int32_t stops[2] = {INT32_MAX, INT32_MIN};
  EXPECT_NE(TabbedTextOut(s.DC(), INT32_MAX, 0, "a\tb\tc", 5, 2, stops, INT32_MIN), 0);
  // Nothing to draw is not a failure.
  EXPECT_TRUE(TextOut(s.DC(), 0, 0, "", 0));
  r = TRect{0, 0, 100, 40};
  EXPECT_EQ(DrawText(s.DC(), "", 0, &r, 0), 0);
}
