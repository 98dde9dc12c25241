#include "platform/gui/text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/gui/fonts.h"
#include "platform/gui/gdi_internal.h"
#include "platform/rtl/strings.h"

namespace {

// ---- Code units <-> characters -------------------------------------------------

// Characters of a string with the code unit where each starts (one entry more:
// the total).
struct TDecoded {
  std::u32string Chars;
  std::vector<uint32_t> Units;
};

constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromCp1252(uint32_t b) { return b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : b; }

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
size_t Utf8Sequence(const unsigned char* s, size_t n, size_t i, char32_t& cp) {
  unsigned char b = s[i];
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  size_t len;
  char32_t min;
  if ((b & 0xE0) == 0xC0) {
    len = 2, cp = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3, cp = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4, cp = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > n) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[i + k] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// UTF-8 when the whole text is well-formed, Windows-1252 otherwise.
TDecoded Decode(const char* text, size_t n) {
  TDecoded d;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  bool valid = true;
  for (size_t i = 0; i < n && valid;) {
    char32_t cp;
    size_t len = Utf8Sequence(s, n, i, cp);
    if (len == 0) valid = false;
    i += len;
  }
  d.Chars.reserve(n);
  d.Units.reserve(n + 1);
  for (size_t i = 0; i < n;) {
    char32_t cp = FromCp1252(s[i]);
    size_t len = valid ? Utf8Sequence(s, n, i, cp) : 1;
    d.Chars.push_back(cp);
    d.Units.push_back(static_cast<uint32_t>(i));
    i += len;
  }
  d.Units.push_back(static_cast<uint32_t>(n));
  return d;
}

// Lone surrogates read as U+FFFD.
TDecoded Decode(const char16_t* s, size_t n) {
  TDecoded d;
  d.Chars.reserve(n);
  d.Units.reserve(n + 1);
  for (size_t i = 0; i < n;) {
    char32_t cp = s[i];
    size_t len = 1;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      len = 2;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    d.Chars.push_back(cp);
    d.Units.push_back(static_cast<uint32_t>(i));
    i += len;
  }
  d.Units.push_back(static_cast<uint32_t>(n));
  return d;
}

String EncodeUtf8(std::u32string_view s) {
  String out;
  out.reserve(s.size());
  for (char32_t c : s) AppendUTF8(out, c);
  return out;
}

WideString EncodeUtf16(std::u32string_view s) {
  WideString out;
  out.reserve(s.size());
  for (char32_t c : s) {
    if (c < 0x10000) {
      out.push_back(static_cast<char16_t>(c));
    } else {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

template <class C>
size_t TerminatedLength(const C* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

// ---- Fonts of DCs -------------------------------------------------------------------

TFontInstancePtr FontOf(const LOGFONT& lf) {
  // Text is measured in bursts with one font; skip the cache lookup then.
  thread_local LOGFONT lastFont;
  thread_local TFontInstancePtr last;
  if (last && lf.lfHeight == lastFont.lfHeight && lf.lfWidth == lastFont.lfWidth && lf.lfWeight == lastFont.lfWeight &&
      (lf.lfItalic != 0) == (lastFont.lfItalic != 0) && lf.lfFaceName == lastFont.lfFaceName)
    return last;
  TFontRequest r;
  r.FaceName = lf.lfFaceName;
  r.Height = lf.lfHeight;
  r.Width = lf.lfWidth < 0 ? -lf.lfWidth : lf.lfWidth;
  r.Weight = lf.lfWeight;
  r.Italic = lf.lfItalic != 0;
  last = AcquireFont(r);
  lastFont = lf;
  return last;
}

// Advances with a small memo, for layouts that ask for the same characters
// over and over.
class TAdvanceMemo {
 public:
  explicit TAdvanceMemo(const TFontInstance& font) : FFont(font) { FAscii.fill(-1); }
  int32_t operator()(char32_t c) {
    if (c < 128) {
      if (FAscii[c] < 0) FAscii[c] = FFont.Advance(c);
      return FAscii[c];
    }
    return FFont.Advance(c);
  }

 private:
  const TFontInstance& FFont;
  std::array<int32_t, 128> FAscii;
};

}  // namespace

// ---- DrawText layout -----------------------------------------------------------

namespace {

constexpr char32_t Ellipsis[] = U"...";
constexpr size_t EllipsisLength = 3;

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t'; }
bool IsSeparator(char32_t c) { return c == U'/' || c == U'\\'; }

// The characters shown, after prefix marks are taken out, with what produced
// each of them in the original text.
struct TShown {
  std::u32string Chars;
  std::vector<uint8_t> Underline;
  std::vector<uint32_t> SrcBegin;
  std::vector<uint8_t> SrcLen;

  void Add(char32_t c, bool underline, size_t begin, size_t len) {
    Chars.push_back(c);
    Underline.push_back(underline ? 1 : 0);
    SrcBegin.push_back(static_cast<uint32_t>(begin));
    SrcLen.push_back(static_cast<uint8_t>(len));
  }
};

TShown TakeOutPrefixes(std::u32string_view text, uint32_t format) {
  TShown s;
  bool prefixes = !(format & DT_NOPREFIX);
  bool show = !(format & DT_HIDEPREFIX);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (prefixes && c == U'&') {
      if (i + 1 >= text.size()) break;  // a mark with nothing after it
      char32_t next = text[i + 1];
      if (next == U'&') {
        s.Add(U'&', false, i, 2);
        ++i;
        continue;
      }
      if (next == U'\r' || next == U'\n') continue;  // nothing to underline
      s.Add(next, show, i, 2);
      ++i;
      continue;
    }
    s.Add(c, false, i, 1);
  }
  return s;
}

// Pen positions with tab stops: x after character c placed at x.
int32_t Step(int32_t x, char32_t c, int32_t tabWidth, const TAdvanceFunc& advance) {
  int64_t next = c == U'\t' && tabWidth > 0 ? (static_cast<int64_t>(x) / tabWidth + 1) * tabWidth
                                            : static_cast<int64_t>(x) + advance(c);
  return static_cast<int32_t>(std::min<int64_t>(next, INT32_MAX / 2));
}

int32_t Measure(const char32_t* s, size_t n, int32_t x, int32_t tabWidth, const TAdvanceFunc& advance) {
  for (size_t i = 0; i < n; ++i) x = Step(x, s[i], tabWidth, advance);
  return x;
}

struct TRange {
  size_t Begin;
  size_t End;
};

// Word breaking of one paragraph [begin, end) of shown characters: a line
// takes words while they fit; the blanks where it breaks are dropped; a word
// wider than the room stays whole on its own line unless DT_EDITCONTROL asks
// to break it between characters.
void BreakParagraph(const TShown& s, size_t begin, size_t end, const TTextLayoutParams& p, std::vector<TRange>& out) {
  const char32_t* c = s.Chars.data();
  const int32_t width = p.Width;
  const bool split = (p.Format & DT_EDITCONTROL) != 0;
  size_t lineStart = begin;
  while (true) {
    int32_t x = 0;               // pen after the last word placed
    size_t lineEnd = lineStart;  // end of the last word placed
    bool hasWord = false;
    while (true) {
      size_t k = lineEnd;
      int32_t xb = x;
      while (k < end && IsBlank(c[k])) xb = Step(xb, c[k++], p.TabWidth, p.Advance);
      if (k >= end) {
        out.push_back({lineStart, lineEnd});  // trailing blanks dropped
        return;
      }
      size_t w = k;
      int32_t xw = xb;
      while (w < end && !IsBlank(c[w])) xw = Step(xw, c[w++], p.TabWidth, p.Advance);
      if (xw <= width) {
        x = xw;
        lineEnd = w;
        hasWord = true;
        continue;
      }
      if (hasWord) {
        out.push_back({lineStart, lineEnd});
        lineStart = k;
        break;
      }
      if (split) {
        size_t m = k;
        int32_t xm = xb;
        while (m < w) {
          int32_t next = Step(xm, c[m], p.TabWidth, p.Advance);
          if (next > width && m > k) break;
          xm = next;
          ++m;
        }
        out.push_back({lineStart, m});
        if (m >= end) return;
        lineStart = m;
        break;
      }
      out.push_back({lineStart, w});
      while (w < end && IsBlank(c[w])) ++w;
      if (w >= end) return;
      lineStart = w;
      break;
    }
  }
}

TTextLayoutLine MakeLine(const TShown& s, TRange r, const TTextLayoutParams& p) {
  TTextLayoutLine line;
  line.Text.assign(s.Chars.begin() + r.Begin, s.Chars.begin() + r.End);
  line.Underline.assign(s.Underline.begin() + r.Begin, s.Underline.begin() + r.End);
  line.Width = Measure(line.Text.data(), line.Text.size(), 0, p.TabWidth, p.Advance);
  return line;
}

// Cuts the end of a line so that it and "..." fit.
void EndEllipsis(TTextLayoutLine& line, const TTextLayoutParams& p) {
  int32_t dots = Measure(Ellipsis, EllipsisLength, 0, 0, p.Advance);
  size_t keep = 0;
  int32_t x = 0;
  for (size_t i = 0; i < line.Text.size(); ++i) {
    int32_t next = Step(x, line.Text[i], p.TabWidth, p.Advance);
    if (next + dots > p.Width) break;
    x = next;
    keep = i + 1;
  }
  line.Text.resize(keep);
  line.Underline.resize(keep);
  line.Text.append(Ellipsis);
  line.Underline.insert(line.Underline.end(), EllipsisLength, 0);
  line.Width = x + dots;
  line.Ellipsized = true;
}

// Replaces the middle of a path so that the last component stays whole.
void PathEllipsis(TTextLayoutLine& line, const TTextLayoutParams& p) {
  size_t sep = line.Text.size();
  while (sep > 0 && !IsSeparator(line.Text[sep - 1])) --sep;
  if (sep == 0) {
    EndEllipsis(line, p);
    return;
  }
  --sep;  // the tail starts at the separator
  auto build = [&](size_t keep, TTextLayoutLine& out) {
    out.Text = line.Text.substr(0, keep) + Ellipsis + line.Text.substr(sep);
    out.Underline.assign(line.Underline.begin(), line.Underline.begin() + keep);
    out.Underline.insert(out.Underline.end(), EllipsisLength, 0);
    out.Underline.insert(out.Underline.end(), line.Underline.begin() + sep, line.Underline.end());
    out.Width = Measure(out.Text.data(), out.Text.size(), 0, p.TabWidth, p.Advance);
  };
  // Widths grow with the head kept: search for the longest head that fits.
  size_t lo = 0, hi = sep;
  TTextLayoutLine best = line, probe = line;
  build(0, best);
  if (best.Width <= p.Width) {
    while (lo < hi) {
      size_t mid = lo + (hi - lo + 1) / 2;
      build(mid, probe);
      if (probe.Width <= p.Width)
        lo = mid;
      else
        hi = mid - 1;
    }
    build(lo, best);
  }
  uint32_t srcBegin = line.SourceBegin, srcEnd = line.SourceEnd;
  line = std::move(best);
  line.SourceBegin = srcBegin;
  line.SourceEnd = srcEnd;
  line.Ellipsized = true;
  if (line.Width > p.Width && (p.Format & DT_END_ELLIPSIS)) EndEllipsis(line, p);
}

}  // namespace

std::vector<int32_t> LinePens(std::u32string_view line, int32_t tabWidth, const TAdvanceFunc& advance, int32_t* width) {
  std::vector<int32_t> pens(line.size());
  int32_t x = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    pens[i] = x;
    x = Step(x, line[i], tabWidth, advance);
  }
  if (width) *width = x;
  return pens;
}

std::vector<TTextLayoutLine> LayoutDrawText(std::u32string_view text, const TTextLayoutParams& params) {
  std::vector<TTextLayoutLine> lines;
  if (text.empty()) return lines;
  TShown shown = TakeOutPrefixes(text, params.Format);
  const bool single = (params.Format & DT_SINGLELINE) != 0;
  const bool wrap = !single && (params.Format & DT_WORDBREAK);

  // Paragraphs: split at CR, LF and CR LF unless the text is one line.
  std::vector<TRange> paragraphs;
  size_t start = 0;
  const size_t n = shown.Chars.size();
  for (size_t i = 0; i < n && !single; ++i) {
    char32_t c = shown.Chars[i];
    if (c != U'\r' && c != U'\n') continue;
    paragraphs.push_back({start, i});
    if (c == U'\r' && i + 1 < n && shown.Chars[i + 1] == U'\n') ++i;
    start = i + 1;
  }
  paragraphs.push_back({start, n});

  std::vector<TRange> ranges;
  for (const TRange& para : paragraphs) {
    if (wrap && para.End > para.Begin)
      BreakParagraph(shown, para.Begin, para.End, params, ranges);
    else
      ranges.push_back(para);
  }

  const bool ellipsis = params.Format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
  for (const TRange& r : ranges) {
    TTextLayoutLine line = MakeLine(shown, r, params);
    if (r.End > r.Begin) {
      line.SourceBegin = shown.SrcBegin[r.Begin];
      line.SourceEnd = shown.SrcBegin[r.End - 1] + shown.SrcLen[r.End - 1];
    } else {
      uint32_t at = r.Begin < n ? shown.SrcBegin[r.Begin] : static_cast<uint32_t>(text.size());
      line.SourceBegin = line.SourceEnd = at;
    }
    if (ellipsis && !line.Text.empty() && line.Width > params.Width) {
      if (params.Format & DT_PATH_ELLIPSIS)
        PathEllipsis(line, params);
      else
        EndEllipsis(line, params);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::u32string ModifiedDrawText(std::u32string_view text, const std::vector<TTextLayoutLine>& lines, uint32_t format) {
  std::u32string out;
  size_t at = 0;
  const bool prefixes = !(format & DT_NOPREFIX);
  for (const TTextLayoutLine& line : lines) {
    if (!line.Ellipsized) continue;
    out.append(text.substr(at, line.SourceBegin - at));
    for (size_t i = 0; i < line.Text.size(); ++i) {
      char32_t c = line.Text[i];
      if (prefixes && (c == U'&' || line.Underline[i])) out.push_back(U'&');
      out.push_back(c);
    }
    at = line.SourceEnd;
  }
  out.append(text.substr(std::min(at, text.size())));
  return out;
}

int32_t DrawTextTabWidth(uint32_t format, int32_t aveCharWidth, const DRAWTEXTPARAMS* params) {
  if (!(format & DT_EXPANDTABS)) return 0;
  int32_t stops = 8;
  if (format & DT_TABSTOP) {
    int32_t asked = params && params->iTabLength > 0 ? params->iTabLength : static_cast<int32_t>((format >> 8) & 0xFF);
    if (asked > 0) stops = asked;
  } else if (params && params->iTabLength > 0) {
    stops = params->iTabLength;
  }
  int64_t width = static_cast<int64_t>(stops) * std::max(1, aveCharWidth);
  return static_cast<int32_t>(std::clamp<int64_t>(width, 1, INT32_MAX / 4));
}

namespace {

// ---- Drawing runs --------------------------------------------------------------

TRect Intersect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return TRect{};
  return r;
}

bool EmptyRect(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Logical to raster in 64 bits (TDC::RasterX/RasterY): coordinates near the
// ends of the range must not overflow.
TRect RasterRect(const TDC& dc, const TRect& r) {
  return TRect{Clamp32(dc.RasterX(r.Left)), Clamp32(dc.RasterY(r.Top)), Clamp32(dc.RasterX(r.Right)),
               Clamp32(dc.RasterY(r.Bottom))};
}

// Runs are at most about 2^30 pixels long (pens are clamped there); one whose
// reference point is further out than 2^29 cannot reach a raster, and
// skipping it keeps every raster coordinate inside 32 bits.
constexpr int64_t FarAway = int64_t(1) << 29;
bool Reachable(int64_t x, int64_t y) { return x > -FarAway && x < FarAway && y > -FarAway && y < FarAway; }

// A run of characters ready to draw: pens and the baseline in run space, the
// run starting at u = Start and Width long.
struct TRun {
  const char32_t* Chars = nullptr;
  size_t Count = 0;
  const int32_t* Pens = nullptr;
  int32_t Start = 0;
  int32_t Width = 0;
  int32_t Baseline = 0;                // v of the baseline
  const uint8_t* Skip = nullptr;       // characters not drawn (expanded tabs)
  const uint8_t* Underline = nullptr;  // prefix underlines
  const int32_t* Advances = nullptr;   // for the prefix underlines
  bool Opaque = false;                 // fill the text cell with the background colour
};

// Draws a run in the DC's text colour through the visible region and, when
// given, a clip rectangle (raster coordinates).
void DrawRun(TDC& dc, const TFontInstance& font, const LOGFONT& lf, const TRunPlacement& place, const TRun& run,
             const TRect* clip) {
  TRect box = dc.Visible().Box();
  if (clip) box = Intersect(box, *clip);
  if (EmptyRect(box)) return;
  const TFontMetrics& m = font.Metrics();
  const int32_t cellTop = run.Baseline - m.Ascent;
  const bool upright = place.Escapement % 3600 == 0;

  if (run.Opaque && run.Width > 0) {
    COLORREF bk = dc.ResolveColor(dc.State.BkColor);
    if (upright) {
      TRect cell{place.RefX + run.Start, place.RefY + cellTop, place.RefX + run.Start + run.Width,
                 place.RefY + cellTop + m.Height};
      TRect r = Intersect(cell, box);
      if (!EmptyRect(r)) GdiFillRasterRect(dc, r, bk, false);
    } else {
      TDeviceBox b = RunRectBounds(place, run.Start, cellTop, run.Start + run.Width, cellTop + m.Height);
      TRect r = Intersect(TRect{b.Left, b.Top, b.Right, b.Bottom}, box);
      TCoverageMask cell;
      cell.Reset(r.Left, r.Top, r.Right, r.Bottom);
      FillRunRect(place, run.Start, cellTop, run.Start + run.Width, cellTop + m.Height, cell);
      if (!cell.Empty())
        GdiBlendCoverage(dc, cell.Left, cell.Top, cell.Width, cell.Height, cell.Bits.data(), cell.Width, bk);
    }
  }

  // Room for glyphs reaching out of their cell (italic overhangs, accents).
  int32_t margin = m.EmHeight / 2 + 2;
  int32_t u0 = std::min(run.Start, 0), u1 = run.Start + run.Width;
  for (size_t i = 0; i < run.Count; ++i) {
    u0 = std::min(u0, run.Pens[i]);
    u1 = std::max(u1, run.Pens[i]);
  }
  TDeviceBox b =
      RunRectBounds(place, u0 - margin, cellTop - margin, u1 + m.MaxCharWidth + margin, cellTop + m.Height + margin);
  TRect r = Intersect(TRect{b.Left, b.Top, b.Right, b.Bottom}, box);
  if (EmptyRect(r)) return;
  TCoverageMask mask;
  mask.Reset(r.Left, r.Top, r.Right, r.Bottom);

  const bool antialiased = lf.lfQuality != NONANTIALIASED_QUALITY;
  if (run.Skip) {
    // Draw the pieces between skipped characters.
    size_t i = 0;
    while (i < run.Count) {
      if (run.Skip[i]) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < run.Count && !run.Skip[j]) ++j;
      font.Render(run.Chars + i, j - i, run.Pens + i, run.Baseline, place, antialiased, mask);
      i = j;
    }
  } else {
    font.Render(run.Chars, run.Count, run.Pens, run.Baseline, place, antialiased, mask);
  }

  if (lf.lfUnderline && run.Width > 0) {
    int32_t v = run.Baseline + m.UnderlineOffset;
    FillRunRect(place, run.Start, v, run.Start + run.Width, v + m.UnderlineThickness, mask);
  }
  if (lf.lfStrikeOut && run.Width > 0) {
    int32_t v = run.Baseline - m.StrikeOutOffset;
    FillRunRect(place, run.Start, v, run.Start + run.Width, v + m.StrikeOutThickness, mask);
  }
  if (run.Underline && run.Advances) {
    int32_t v = run.Baseline + m.UnderlineOffset;
    for (size_t i = 0; i < run.Count; ++i)
      if (run.Underline[i])
        FillRunRect(place, run.Pens[i], v, run.Pens[i] + run.Advances[i], v + m.UnderlineThickness, mask);
  }
  GdiBlendCoverage(dc, mask.Left, mask.Top, mask.Width, mask.Height, mask.Bits.data(), mask.Width,
                   dc.ResolveColor(dc.State.TextColor));
}

// Where a run of the given width goes for the DC's text alignment: the
// placement, the run's start and its baseline in run space.
struct TAligned {
  TRunPlacement Place;
  bool Reachable = true;
  int32_t Start = 0;
  int32_t Baseline = 0;
};

TAligned Align(TDC& dc, int32_t x, int32_t y, int32_t width, const TFontMetrics& m, const LOGFONT& lf) {
  TAligned a;
  uint32_t align = dc.State.TextAlign;
  TPoint ref = (align & TA_UPDATECP) ? dc.State.CurrentPos : TPoint{x, y};
  int64_t dx = dc.RasterX(ref.X), dy = dc.RasterY(ref.Y);
  a.Reachable = Reachable(dx, dy);
  a.Place.RefX = a.Reachable ? static_cast<int32_t>(dx) : 0;
  a.Place.RefY = a.Reachable ? static_cast<int32_t>(dy) : 0;
  a.Place.Escapement = lf.lfEscapement;
  switch (align & TA_CENTER) {
    case TA_CENTER: a.Start = -(width / 2); break;
    case TA_RIGHT: a.Start = -width; break;
    default: a.Start = 0;
  }
  switch (align & TA_BASELINE) {
    case TA_BASELINE: a.Baseline = 0; break;
    case TA_BOTTOM: a.Baseline = -m.Descent; break;
    default: a.Baseline = m.Ascent;
  }
  return a;
}

// With TA_UPDATECP the current position moves past the run (left aligned),
// back before it (right aligned) or stays (centred), along the escapement.
void UpdateCurrentPosition(TDC& dc, int32_t width, const LOGFONT& lf) {
  uint32_t align = dc.State.TextAlign;
  if (!(align & TA_UPDATECP)) return;
  int32_t along;
  switch (align & TA_CENTER) {
    case TA_CENTER: return;
    case TA_RIGHT: along = -width; break;
    default: along = width;
  }
  // Positions wrap around at 32 bits as the platform's do.
  TPoint& cp = dc.State.CurrentPos;
  if (lf.lfEscapement % 3600 == 0) {
    cp.X = static_cast<int32_t>(static_cast<int64_t>(cp.X) + along);
    return;
  }
  double a = lf.lfEscapement * (3.14159265358979323846 / 1800.0);
  cp.X = static_cast<int32_t>(static_cast<int64_t>(cp.X) + std::llround(along * std::cos(a)));
  cp.Y = static_cast<int32_t>(static_cast<int64_t>(cp.Y) - std::llround(along * std::sin(a)));
}

// Pens of a run from per-unit advances (dx) or the font's.
std::vector<int32_t> RunPens(const TDecoded& d, const TFontInstance& font, const int32_t* dx, int32_t& width) {
  std::vector<int32_t> pens(d.Chars.size());
  int64_t x = 0;
  if (dx) {
    for (size_t i = 0; i < d.Chars.size(); ++i) {
      pens[i] = static_cast<int32_t>(x);
      for (uint32_t u = d.Units[i]; u < d.Units[i + 1]; ++u) x += dx[u];
      x = std::clamp<int64_t>(x, -(INT32_MAX / 2), INT32_MAX / 2);
    }
  } else {
    std::vector<int32_t> adv(d.Chars.size());
    font.Advances(d.Chars.data(), d.Chars.size(), adv.data());
    for (size_t i = 0; i < d.Chars.size(); ++i) {
      pens[i] = static_cast<int32_t>(x);
      x = std::min<int64_t>(x + adv[i], INT32_MAX / 2);
    }
  }
  width = static_cast<int32_t>(x);
  return pens;
}

bool TextOutDecoded(HDC handle, int32_t x, int32_t y, uint32_t options, const TRect* rect, const TDecoded& d,
                    const int32_t* dx) {
  TDC* dc = GdiDC(handle);
  if (!dc) return false;
  const LOGFONT& lf = dc->LogFont();
  TRect clipRaster{};
  bool haveRect = false;
  if (rect) {
    TRect d = RasterRect(*dc, *rect);
    clipRaster = TRect{std::min(d.Left, d.Right), std::min(d.Top, d.Bottom), std::max(d.Left, d.Right),
                       std::max(d.Top, d.Bottom)};
    haveRect = true;
  }
  if (haveRect && (options & ETO_OPAQUE)) {
    TRect r = Intersect(clipRaster, dc->Visible().Box());
    if (!EmptyRect(r)) GdiFillRasterRect(*dc, r, dc->ResolveColor(dc->State.BkColor), false);
  }
  if (d.Chars.empty()) return true;
  TFontInstancePtr font = FontOf(lf);
  int32_t width = 0;
  std::vector<int32_t> pens = RunPens(d, *font, dx, width);
  TAligned a = Align(*dc, x, y, width, font->Metrics(), lf);
  for (int32_t& p : pens) p += a.Start;
  TRun run;
  run.Chars = d.Chars.data();
  run.Count = d.Chars.size();
  run.Pens = pens.data();
  run.Start = a.Start;
  run.Width = width;
  run.Baseline = a.Baseline;
  run.Opaque = dc->State.BkMode == OPAQUE;
  if (a.Reachable) DrawRun(*dc, *font, lf, a.Place, run, haveRect && (options & ETO_CLIPPED) ? &clipRaster : nullptr);
  UpdateCurrentPosition(*dc, width, lf);
  return true;
}

// Extent of characters [0, i] for every character.
bool ExtentEx(HDC handle, const TDecoded& d, int32_t maxExtent, int32_t* fit, int32_t* dx, TSize* size) {
  TDC* dc = GdiDC(handle);
  if (!dc) return false;
  TFontInstancePtr font = FontOf(dc->LogFont());
  std::vector<int32_t> adv(d.Chars.size());
  font->Advances(d.Chars.data(), d.Chars.size(), adv.data());
  int64_t x = 0;
  int32_t fitted = 0;
  bool fits = true;
  for (size_t i = 0; i < d.Chars.size(); ++i) {
    x = std::min<int64_t>(x + adv[i], INT32_MAX);
    if (dx)
      for (uint32_t u = d.Units[i]; u < d.Units[i + 1]; ++u) dx[u] = static_cast<int32_t>(x);
    if (fits && x <= maxExtent)
      fitted = static_cast<int32_t>(d.Units[i + 1]);
    else
      fits = false;
  }
  if (fit) *fit = fitted;
  if (size) *size = TSize{static_cast<int32_t>(x), font->Metrics().Height};
  return true;
}

// Pens for TabbedTextOut: stops relative to tabOrigin (logical x), the run
// starting at logical x.
std::vector<int32_t> TabbedPens(const TDecoded& d, const TFontInstance& font, int32_t x, int32_t tabCount,
                                const int32_t* stops, int32_t tabOrigin, int32_t& width) {
  std::vector<int32_t> pens(d.Chars.size());
  const int32_t ave = std::max(1, font.Metrics().AveCharWidth);
  int32_t interval = 0;
  if (tabCount <= 0 || !stops)
    interval = 8 * ave;
  else if (tabCount == 1)
    interval = stops[0] != 0 ? std::abs(stops[0]) : 8 * ave;
  TAdvanceMemo advance(font);
  int64_t pen = 0;
  for (size_t i = 0; i < d.Chars.size(); ++i) {
    pens[i] = static_cast<int32_t>(pen);
    if (d.Chars[i] != U'\t') {
      pen += advance(d.Chars[i]);
    } else {
      int64_t abs = x + pen - static_cast<int64_t>(tabOrigin);  // position from the origin
      if (interval > 0) {
        int64_t next = abs < 0 ? 0 : (abs / interval + 1) * interval;
        pen += next - abs;
      } else {
        int64_t next = -1;
        for (int32_t k = 0; k < tabCount; ++k) {
          int64_t stop = std::abs(static_cast<int64_t>(stops[k]));
          if (stop > abs && (next < 0 || stop < next)) next = stop;
        }
        pen += next >= 0 ? next - abs : advance(U' ');
      }
    }
    pen = std::clamp<int64_t>(pen, 0, INT32_MAX / 2);
  }
  width = static_cast<int32_t>(pen);
  return pens;
}

int32_t TabbedTextOutDecoded(HDC handle, int32_t x, int32_t y, const TDecoded& d, int32_t tabCount,
                             const int32_t* stops, int32_t tabOrigin) {
  TDC* dc = GdiDC(handle);
  if (!dc) return 0;
  const LOGFONT& lf = dc->LogFont();
  TFontInstancePtr font = FontOf(lf);
  int32_t width = 0;
  // The tab stops are measured from where the text starts.
  TPoint start = (dc->State.TextAlign & TA_UPDATECP) ? dc->State.CurrentPos : TPoint{x, y};
  std::vector<int32_t> pens = TabbedPens(d, *font, start.X, tabCount, stops, tabOrigin, width);
  const TFontMetrics& m = font->Metrics();
  if (!d.Chars.empty()) {
    TAligned a = Align(*dc, x, y, width, m, lf);
    for (int32_t& p : pens) p += a.Start;
    std::vector<uint8_t> skip(d.Chars.size());
    for (size_t i = 0; i < d.Chars.size(); ++i) skip[i] = d.Chars[i] == U'\t';
    TRun run;
    run.Chars = d.Chars.data();
    run.Count = d.Chars.size();
    run.Pens = pens.data();
    run.Start = a.Start;
    run.Width = width;
    run.Baseline = a.Baseline;
    run.Skip = skip.data();
    run.Opaque = dc->State.BkMode == OPAQUE;
    if (a.Reachable) DrawRun(*dc, *font, lf, a.Place, run, nullptr);
    UpdateCurrentPosition(*dc, width, lf);
  }
  return static_cast<int32_t>((static_cast<uint32_t>(m.Height & 0xFFFF) << 16) |
                              (static_cast<uint32_t>(width) & 0xFFFF));
}

// DrawText over characters; modified (when given) receives the text with the
// ellipses written in, when one changed it.
int32_t DrawTextDecoded(HDC handle, std::u32string_view text, size_t units, TRect* rect, uint32_t format,
                        DRAWTEXTPARAMS* params, std::u32string* modified) {
  TDC* dc = GdiDC(handle);
  if (!dc || !rect) return 0;
  if (params && params->cbSize != sizeof(DRAWTEXTPARAMS)) return 0;
  const uint32_t asked = format;
  if (format & DT_TABSTOP) format &= ~0xFF00u;  // that byte is the tab stop count
  const LOGFONT& lf = dc->LogFont();
  TFontInstancePtr font = FontOf(lf);
  const TFontMetrics& m = font->Metrics();
  const int32_t lineHeight = m.Height + ((format & DT_EXTERNALLEADING) ? m.ExternalLeading : 0);
  // 64 bits: rectangles and margins may come from anywhere.
  const int64_t leftMargin = params ? params->iLeftMargin : 0;
  const int64_t rightMargin = params ? params->iRightMargin : 0;
  const int64_t left = rect->Left + leftMargin;
  const int64_t right = rect->Right - rightMargin;

  TAdvanceMemo memo(*font);
  TTextLayoutParams p;
  p.Format = format;
  p.Width = static_cast<int32_t>(std::clamp<int64_t>(right - left, -(INT32_MAX / 2), INT32_MAX / 2));
  p.TabWidth = DrawTextTabWidth(asked, m.AveCharWidth, params);
  p.Advance = [&memo](char32_t c) { return memo(c); };
  std::vector<TTextLayoutLine> lines = LayoutDrawText(text, p);
  if (params) params->uiLengthDrawn = static_cast<uint32_t>(units);
  if (modified && (format & DT_MODIFYSTRING) &&
      std::any_of(lines.begin(), lines.end(), [](const TTextLayoutLine& l) { return l.Ellipsized; }))
    *modified = ModifiedDrawText(text, lines, format);

  const int64_t total = static_cast<int64_t>(lines.size()) * lineHeight;
  const int32_t height = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
  if (format & DT_CALCRECT) {
    int32_t widest = 0;
    for (const TTextLayoutLine& l : lines) widest = std::max(widest, l.Width);
    rect->Right = lines.empty() ? rect->Left : Clamp32(left + widest + rightMargin);
    rect->Bottom = Clamp32(static_cast<int64_t>(rect->Top) + height);
    return height;
  }
  if (lines.empty()) return 0;

  const bool single = (format & DT_SINGLELINE) != 0;
  int64_t y = rect->Top;
  if (single && (format & DT_VCENTER))
    y = rect->Top + (static_cast<int64_t>(rect->Bottom) - rect->Top - lineHeight) / 2;
  else if (single && (format & DT_BOTTOM))
    y = static_cast<int64_t>(rect->Bottom) - lineHeight;

  TRect clipRaster{};
  const bool clip = !(format & DT_NOCLIP);
  if (clip) {
    clipRaster = RasterRect(*dc, *rect);
    if (EmptyRect(clipRaster)) return height;
  }
  const TRect visible = dc->Visible().Box();
  const bool opaque = dc->State.BkMode == OPAQUE;
  const bool upright = lf.lfEscapement % 3600 == 0;
  for (const TTextLayoutLine& line : lines) {
    const int64_t lineY = y;
    y += lineHeight;
    if (line.Text.empty()) continue;
    int64_t x = left;
    if (format & DT_CENTER)
      x = left + (right - left - line.Width) / 2;
    else if (format & DT_RIGHT)
      x = right - line.Width;
    const int64_t rasterX = dc->RasterX(x), rasterY = dc->RasterY(lineY);
    if (!Reachable(rasterX, rasterY)) continue;
    // Lines that cannot show are skipped before any glyph work.
    if (upright && (rasterY - m.EmHeight > visible.Bottom || rasterY + lineHeight + m.EmHeight < visible.Top)) continue;
    std::vector<int32_t> pens = LinePens(line.Text, p.TabWidth, p.Advance);
    std::vector<uint8_t> skip(line.Text.size());
    std::vector<int32_t> adv(line.Text.size());
    bool anyUnderline = false;
    for (size_t i = 0; i < line.Text.size(); ++i) {
      skip[i] = p.TabWidth > 0 && line.Text[i] == U'\t';
      adv[i] = memo(line.Text[i]);
      anyUnderline = anyUnderline || line.Underline[i];
    }
    TRunPlacement place{static_cast<int32_t>(rasterX), static_cast<int32_t>(rasterY), lf.lfEscapement};
    TRun run;
    run.Chars = line.Text.data();
    run.Count = line.Text.size();
    run.Pens = pens.data();
    run.Start = 0;
    run.Width = line.Width;
    run.Baseline = m.Ascent;
    run.Skip = skip.data();
    run.Underline = anyUnderline ? line.Underline.data() : nullptr;
    run.Advances = adv.data();
    run.Opaque = opaque;
    DrawRun(*dc, *font, lf, place, run, clip ? &clipRaster : nullptr);
  }
  return height;
}

}  // namespace

// ================================================================================
// Measuring
// ================================================================================

bool GetTextMetrics(HDC handle, TEXTMETRIC* tm) {
  TDC* dc = GdiDC(handle);
  if (!dc || !tm) return false;
  const LOGFONT& lf = dc->LogFont();
  TFontInstancePtr font = FontOf(lf);
  const TFontMetrics& m = font->Metrics();
  TEXTMETRIC t;
  t.tmHeight = m.Height;
  t.tmAscent = m.Ascent;
  t.tmDescent = m.Descent;
  t.tmInternalLeading = m.InternalLeading;
  t.tmExternalLeading = m.ExternalLeading;
  t.tmAveCharWidth = m.AveCharWidth;
  t.tmMaxCharWidth = m.MaxCharWidth;
  t.tmWeight = m.Weight;
  t.tmOverhang = 0;
  t.tmDigitizedAspectX = 96;
  t.tmDigitizedAspectY = 96;
  t.tmFirstChar = static_cast<char16_t>(std::min<uint32_t>(m.FirstChar, 0xFFFF));
  t.tmLastChar = static_cast<char16_t>(std::min<uint32_t>(m.LastChar, 0xFFFF));
  t.tmDefaultChar = static_cast<char16_t>(std::min<uint32_t>(m.DefaultChar, 0xFFFF));
  t.tmBreakChar = static_cast<char16_t>(m.BreakChar);
  t.tmItalic = lf.lfItalic ? 1 : 0;
  t.tmUnderlined = lf.lfUnderline ? 1 : 0;
  t.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  t.tmPitchAndFamily = m.PitchAndFamily;
  t.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
  *tm = t;
  return true;
}

bool GetTextExtentPoint32(HDC dc, const char* text, int32_t count, TSize* size) {
  return GetTextExtentExPoint(dc, text, count, 0, nullptr, nullptr, size);
}

bool GetTextExtentPoint32W(HDC dc, const char16_t* text, int32_t count, TSize* size) {
  return GetTextExtentExPointW(dc, text, count, 0, nullptr, nullptr, size);
}

bool GetTextExtentExPoint(HDC dc, const char* text, int32_t count, int32_t maxExtent, int32_t* fit, int32_t* dx,
                          TSize* size) {
  if (count < 0 || (count > 0 && !text)) return false;
  return ExtentEx(dc, Decode(text, static_cast<size_t>(count)), maxExtent, fit, dx, size);
}

bool GetTextExtentExPointW(HDC dc, const char16_t* text, int32_t count, int32_t maxExtent, int32_t* fit, int32_t* dx,
                           TSize* size) {
  if (count < 0 || (count > 0 && !text)) return false;
  return ExtentEx(dc, Decode(text, static_cast<size_t>(count)), maxExtent, fit, dx, size);
}

namespace {

bool CharWidths(HDC handle, uint32_t first, uint32_t last, int32_t* widths, bool cp1252) {
  TDC* dc = GdiDC(handle);
  if (!dc || !widths || last < first || last > 0x10FFFF) return false;
  TFontInstancePtr font = FontOf(dc->LogFont());
  for (uint32_t c = first; c <= last; ++c) widths[c - first] = font->Advance(cp1252 && c < 0x100 ? FromCp1252(c) : c);
  return true;
}

}  // namespace

bool GetCharWidth32(HDC dc, uint32_t first, uint32_t last, int32_t* widths) {
  return CharWidths(dc, first, last, widths, true);
}

bool GetCharWidth32W(HDC dc, uint32_t first, uint32_t last, int32_t* widths) {
  return CharWidths(dc, first, last, widths, false);
}

// ================================================================================
// Output
// ================================================================================

bool TextOut(HDC dc, int32_t x, int32_t y, const char* text, int32_t count) {
  if (count < 0 || (count > 0 && !text)) return false;
  return TextOutDecoded(dc, x, y, 0, nullptr, Decode(text, static_cast<size_t>(count)), nullptr);
}

bool TextOutW(HDC dc, int32_t x, int32_t y, const char16_t* text, int32_t count) {
  if (count < 0 || (count > 0 && !text)) return false;
  return TextOutDecoded(dc, x, y, 0, nullptr, Decode(text, static_cast<size_t>(count)), nullptr);
}

bool ExtTextOut(HDC dc, int32_t x, int32_t y, uint32_t options, const TRect* rect, const char* text, int32_t count,
                const int32_t* dx) {
  if (count < 0 || (count > 0 && !text)) return false;
  return TextOutDecoded(dc, x, y, options, rect, Decode(text, static_cast<size_t>(count)), dx);
}

bool ExtTextOutW(HDC dc, int32_t x, int32_t y, uint32_t options, const TRect* rect, const char16_t* text, int32_t count,
                 const int32_t* dx) {
  if (count < 0 || (count > 0 && !text)) return false;
  return TextOutDecoded(dc, x, y, options, rect, Decode(text, static_cast<size_t>(count)), dx);
}

int32_t TabbedTextOut(HDC dc, int32_t x, int32_t y, const char* text, int32_t count, int32_t tabCount,
                      const int32_t* tabStops, int32_t tabOrigin) {
  if (count < 0 || (count > 0 && !text)) return 0;
  return TabbedTextOutDecoded(dc, x, y, Decode(text, static_cast<size_t>(count)), tabCount, tabStops, tabOrigin);
}

int32_t TabbedTextOutW(HDC dc, int32_t x, int32_t y, const char16_t* text, int32_t count, int32_t tabCount,
                       const int32_t* tabStops, int32_t tabOrigin) {
  if (count < 0 || (count > 0 && !text)) return 0;
  return TabbedTextOutDecoded(dc, x, y, Decode(text, static_cast<size_t>(count)), tabCount, tabStops, tabOrigin);
}

int32_t DrawText(HDC dc, const char* text, int32_t count, TRect* rect, uint32_t format) {
  return DrawTextEx(dc, text, count, rect, format, nullptr);
}

int32_t DrawTextW(HDC dc, const char16_t* text, int32_t count, TRect* rect, uint32_t format) {
  return DrawTextExW(dc, text, count, rect, format, nullptr);
}

int32_t DrawText(HDC dc, String& text, TRect* rect, uint32_t format) {
  return DrawTextEx(dc, text, rect, format, nullptr);
}

int32_t DrawTextW(HDC dc, WideString& text, TRect* rect, uint32_t format) {
  return DrawTextExW(dc, text, rect, format, nullptr);
}

int32_t DrawTextEx(HDC dc, const char* text, int32_t count, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params) {
  if (!text) return 0;
  size_t n = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
  TDecoded d = Decode(text, n);
  return DrawTextDecoded(dc, d.Chars, n, rect, format, params, nullptr);
}

int32_t DrawTextExW(HDC dc, const char16_t* text, int32_t count, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params) {
  if (!text) return 0;
  size_t n = count < 0 ? TerminatedLength(text) : static_cast<size_t>(count);
  TDecoded d = Decode(text, n);
  return DrawTextDecoded(dc, d.Chars, n, rect, format, params, nullptr);
}

int32_t DrawTextEx(HDC dc, String& text, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params) {
  TDecoded d = Decode(text.data(), text.size());
  std::u32string modified;
  int32_t h = DrawTextDecoded(dc, d.Chars, text.size(), rect, format, params, &modified);
  if (!modified.empty()) text = EncodeUtf8(modified);
  return h;
}

int32_t DrawTextExW(HDC dc, WideString& text, TRect* rect, uint32_t format, DRAWTEXTPARAMS* params) {
  TDecoded d = Decode(text.data(), text.size());
  std::u32string modified;
  int32_t h = DrawTextDecoded(dc, d.Chars, text.size(), rect, format, params, &modified);
  if (!modified.empty()) text = EncodeUtf16(modified);
  return h;
}
