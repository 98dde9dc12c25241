// The row renderers of TIEBitmap: one pair per source format, each drawing the
// visible rows of a render into ie24RGB destination rows. Every pixel is two
// table reads and a conversion that was reduced to a lookup table before the
// rows start wherever the format allows it; the pair and the conversion are
// chosen once per render, never per pixel.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieblend.h"
#include "imaging/model/pixels/iebitrun.h"
#include "imaging/model/pixels/ierender_internal.h"

namespace {

// What every renderer of one render shares.
struct TSpan {
  uint8_t* const* DestRows;
  const int32_t* Cols;  // index X - DstX
  const int32_t* Rows;  // index Y - DstY
  int32_t DstX, DstY, FirstCol, FirstRow, LastCol, LastRow;
  size_t RowCopyLen;  // bytes of a destination row copied by RowCopy; 0 = never
};

TSpan MakeSpan(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable, const int32_t* RowTable,
               int32_t DstX, int32_t DstY, int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow,
               bool RowCopy) {
  return TSpan{DestRows, ColumnTable, RowTable, DstX,    DstY,
               FirstCol, FirstRow,    LastCol,  LastRow, RowCopy && Dest ? static_cast<size_t>(Dest->RowLen()) : 0};
}

bool Drawable(const TSpan& S) {
  return S.DestRows && S.Cols && S.Rows && S.FirstCol <= S.LastCol && S.FirstRow <= S.LastRow;
}

// d + round(w * (s - d) / 255): with 255 as divisor no quotient ends in an
// exact half, so floor((n + 127) / 255) rounds; the bias keeps the dividend
// positive for the unsigned division the compiler turns into a multiply.
inline uint8_t Mix(int32_t d, int32_t s, int32_t w) {
  const int32_t n = w * (s - d);
  return static_cast<uint8_t>(d + static_cast<int32_t>(static_cast<uint32_t>(n + 127 + 255 * 256) / 255u) - 256);
}

// Opaque rows: Fetch(row, x, d) stores the colour of source pixel x of row
// into d (which holds the destination pixel, for the blends).
template <class Fetch>
void PlainRows(TIEBitmap* Source, const TSpan& S, Fetch&& fetch) {
  if (!Drawable(S)) return;
  const int32_t n = S.LastCol - S.FirstCol + 1;
  const int32_t* cols = S.Cols + (S.FirstCol - S.DstX);
  const uint8_t* row = nullptr;
  int32_t previous = -1;
  for (int32_t Y = S.FirstRow; Y <= S.LastRow; ++Y) {
    const int32_t y = S.Rows[Y - S.DstY];
    if (y == previous && Y > S.FirstRow && S.RowCopyLen) {
      std::memcpy(S.DestRows[Y], S.DestRows[Y - 1], S.RowCopyLen);
      continue;
    }
    if (y != previous || !row) {
      row = static_cast<const uint8_t*>(Source->ScanLine(y));
      previous = y;
    }
    TRGB* d = reinterpret_cast<TRGB*>(S.DestRows[Y]) + S.FirstCol;
    for (int32_t i = 0; i < n; ++i) fetch(row, cols[i], d[i]);
  }
}

// Weighted rows: w = min(Opacity, a) with a from the source alpha row (Alpha
// given) or from OpacityRow; nil for both means a = 255.
template <class Fetch>
void AlphaRows(TIEBitmap* Source, TIEBitmap* Alpha, const uint8_t* OpacityRow, uint8_t Opacity, const TSpan& S,
               Fetch&& fetch) {
  if (!Drawable(S)) return;
  const int32_t n = S.LastCol - S.FirstCol + 1;
  const int32_t* cols = S.Cols + (S.FirstCol - S.DstX);
  const uint8_t* row = nullptr;
  const uint8_t* weights = OpacityRow;
  int32_t previous = -1;
  for (int32_t Y = S.FirstRow; Y <= S.LastRow; ++Y) {
    const int32_t y = S.Rows[Y - S.DstY];
    if (y == previous && Y > S.FirstRow && S.RowCopyLen) {
      std::memcpy(S.DestRows[Y], S.DestRows[Y - 1], S.RowCopyLen);
      continue;
    }
    if (y != previous || !row) {
      row = static_cast<const uint8_t*>(Source->ScanLine(y));
      if (Alpha) weights = static_cast<const uint8_t*>(Alpha->ScanLine(y));
      previous = y;
    }
    TRGB* d = reinterpret_cast<TRGB*>(S.DestRows[Y]) + S.FirstCol;
    for (int32_t i = 0; i < n; ++i) {
      const int32_t x = cols[i];
      const int32_t w = weights ? std::min<int32_t>(Opacity, weights[x]) : Opacity;
      if (w == 0) continue;
      TRGB s = d[i];
      fetch(row, x, s);
      if (w == 255) {
        d[i] = s;
      } else {
        d[i].r = Mix(d[i].r, s.r, w);
        d[i].g = Mix(d[i].g, s.g, w);
        d[i].b = Mix(d[i].b, s.b, w);
      }
    }
  }
}

// The alpha rows of a render: the source's alpha channel when UseAlpha.
TIEBitmap* AlphaSource(TIEBitmap* Source, bool UseAlpha) {
  return UseAlpha && Source->HasAlphaChannel() ? Source->AlphaChannel() : nullptr;
}

inline TRGB Gray(uint8_t v) { return TRGB{v, v, v}; }

inline uint8_t Byte(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// trunc of a real, saturated well inside int64 (NaN as 0).
inline int64_t SaturatedTrunc(double v) {
  if (!(v == v)) return 0;
  constexpr double kLimit = 9007199254740992.0;  // 2^53
  return static_cast<int64_t>(std::max(-kLimit, std::min(kLimit, v)));
}

// ---- Display range of gray sources ------------------------------------------------

// A usable range: Max - Min is a finite non-zero real.
bool RangeSet(const TIEBitmap* B, double& Min, double& Span) {
  Min = B->DisplayRangeMin();
  Span = B->DisplayRangeMax() - Min;
  return Span != 0 && std::isfinite(Span);
}

// Levels 0 .. Count - 1 through the display range: clamped to trunc(Min) ..
// trunc(Max), then trunc((v - lo) / (Max - Min) * 255), limited to a byte
// (a fractional Min can push the top level one past 255).
std::vector<uint8_t> RangeTable(const TIEBitmap* B, int32_t Count) {
  std::vector<uint8_t> t(static_cast<size_t>(Count));
  const int64_t lo = SaturatedTrunc(B->DisplayRangeMin()), hi = SaturatedTrunc(B->DisplayRangeMax());
  const double span = B->DisplayRangeMax() - B->DisplayRangeMin();
  for (int32_t v = 0; v < Count; ++v) {
    const int64_t c = std::min(std::max<int64_t>(v, lo), hi);
    t[static_cast<size_t>(v)] = Byte(SaturatedTrunc(static_cast<double>(c - lo) / span * 255));
  }
  return t;
}

// ---- Colour adjustments of 24- and 48-bit sources -----------------------------------

bool Adjusted(const TIEBitmap* B, uint8_t BlendOperation) {
  return B->AdjustColors() || B->Contrast() != 0 || BlendOperation != 0;
}

double ContrastFactor(int32_t Contrast) {
  return Contrast >= 0 ? 1 + Contrast / 10.0 : 1 - std::sqrt(-static_cast<double>(Contrast)) / 10;
}

// ((c + o - 128) * trunc(F * 65536)) div 65536 + 128 limited to a byte, for
// every level c of each channel.
struct TAdjust24 {
  uint8_t r[256], g[256], b[256];

  explicit TAdjust24(const TIEBitmap* B) {
    // Beyond 2^25 every non-zero difference saturates anyway; the limit keeps
    // the 64-bit products exact.
    const int64_t f = std::clamp<int64_t>(SaturatedTrunc(ContrastFactor(B->Contrast()) * 65536), -(int64_t{1} << 25),
                                          int64_t{1} << 25);
    auto fill = [f](uint8_t* t, int32_t Offset) {
      for (int32_t c = 0; c < 256; ++c) t[c] = Byte((int64_t{c} + Offset - 128) * f / 65536 + 128);
    };
    fill(r, B->RedOffset());
    fill(g, B->GreenOffset());
    fill(b, B->BlueOffset());
  }
  TRGB operator()(const TRGB& p) const { return TRGB{b[p.b], g[p.g], r[p.r]}; }
};

// trunc((W + o - 32768) * F + 32768) shr 8 limited to a byte. The shift is
// taken as flooring: a negative result is below black, not far above white.
struct TAdjust48 {
  double f;
  double ro, go, bo;

  explicit TAdjust48(const TIEBitmap* B)
      : f(ContrastFactor(B->Contrast())), ro(B->RedOffset()), go(B->GreenOffset()), bo(B->BlueOffset()) {}
  static uint8_t Channel(uint16_t W, double o, double f) {
    const double t = (W + o - 32768) * f + 32768;
    if (!(t >= 0)) return 0;
    if (t >= 65536) return 255;
    return static_cast<uint8_t>(static_cast<int32_t>(t) >> 8);
  }
  TRGB operator()(const uint8_t* p) const {
    uint16_t w[3];
    std::memcpy(w, p, sizeof w);
    return MakeTRGB(Channel(w[0], ro, f), Channel(w[1], go, f), Channel(w[2], bo, f));
  }
};

// The two ways a fetcher reaches a pixel: opaque rows or weighted rows.
struct TRowsDriver {
  TIEBitmap* Source;
  const TSpan& S;
  bool Weighted;
  TIEBitmap* Alpha;
  const uint8_t* OpacityRow;
  uint8_t Opacity;

  template <class Fetch>
  void operator()(Fetch&& fetch) const {
    if (Weighted)
      AlphaRows(Source, Alpha, OpacityRow, Opacity, S, fetch);
    else
      PlainRows(Source, S, fetch);
  }
};

// ---- Per-format drawing ---------------------------------------------------------------

void DrawRGB(TIEBitmap* B, const TRowsDriver& Draw, uint8_t BlendOperation) {
  if (!Adjusted(B, BlendOperation)) {
    Draw([](const uint8_t* row, int32_t x, TRGB& d) { d = reinterpret_cast<const TRGB*>(row)[x]; });
    return;
  }
  const TAdjust24 adjust(B);
  if (BlendOperation == 0) {
    Draw([&adjust](const uint8_t* row, int32_t x, TRGB& d) { d = adjust(reinterpret_cast<const TRGB*>(row)[x]); });
    return;
  }
  Draw([&adjust, BlendOperation](const uint8_t* row, int32_t x, TRGB& d) {
    IEBlendPixel(adjust(reinterpret_cast<const TRGB*>(row)[x]), d, BlendOperation);
  });
}

void Draw1Bit(TIEBitmap*, const TRowsDriver& Draw) {
  Draw([](const uint8_t* row, int32_t x, TRGB& d) { d = Gray(GetBit(row, x) ? 255 : 0); });
}

void DrawGray8(TIEBitmap* B, const TRowsDriver& Draw) {
  double lo, span;
  if (!RangeSet(B, lo, span)) {
    Draw([](const uint8_t* row, int32_t x, TRGB& d) { d = Gray(row[x]); });
    return;
  }
  const std::vector<uint8_t> table = RangeTable(B, 256);
  const uint8_t* t = table.data();
  Draw([t](const uint8_t* row, int32_t x, TRGB& d) { d = Gray(t[row[x]]); });
}

void DrawPalette(TIEBitmap* B, const TRowsDriver& Draw) {
  TRGB palette[256] = {};  // indices past the palette (or without one) are black
  const int32_t n = std::min(B->PaletteLength(), 256);
  for (int32_t i = 0; i < n; ++i) B->GetPaletteColor(i, palette[i]);
  Draw([&palette](const uint8_t* row, int32_t x, TRGB& d) { d = palette[row[x]]; });
}

void DrawGray16(TIEBitmap* B, const TRowsDriver& Draw) {
  double lo, span;
  if (!RangeSet(B, lo, span)) {
    // The high byte of the little-endian word.
    Draw([](const uint8_t* row, int32_t x, TRGB& d) { d = Gray(row[2 * static_cast<size_t>(x) + 1]); });
    return;
  }
  const std::vector<uint8_t> table = RangeTable(B, 65536);
  const uint8_t* t = table.data();
  Draw([t](const uint8_t* row, int32_t x, TRGB& d) {
    uint16_t v;
    std::memcpy(&v, row + 2 * static_cast<size_t>(x), 2);
    d = Gray(t[v]);
  });
}

void DrawFloat(TIEBitmap* B, const TRowsDriver& Draw) {
  auto level = [](const uint8_t* row, int32_t x) {
    float v;
    std::memcpy(&v, row + 4 * static_cast<size_t>(x), 4);
    return static_cast<double>(v);
  };
  double lo, span;
  if (!RangeSet(B, lo, span)) {
    // Limited to 0..1 first (NaN as 0), then trunc(v * 255).
    Draw([level](const uint8_t* row, int32_t x, TRGB& d) {
      double v = level(row, x);
      v = v >= 1.0 ? 1.0 : (v > 0.0 ? v : 0.0);
      d = Gray(static_cast<uint8_t>(v * 255));
    });
    return;
  }
  const double hi = B->DisplayRangeMax();
  const double bottom = std::min(lo, hi), top = std::max(lo, hi);
  Draw([level, lo, span, bottom, top](const uint8_t* row, int32_t x, TRGB& d) {
    double v = level(row, x);
    v = v >= top ? top : (v > bottom ? v : bottom);
    d = Gray(Byte(SaturatedTrunc((v - lo) / span * 255)));
  });
}

void DrawCMYK(TIEBitmap*, const TRowsDriver& Draw) {
  Draw([](const uint8_t* row, int32_t x, TRGB& d) {
    TCMYK c;
    std::memcpy(&c, row + 4 * static_cast<size_t>(x), 4);
    d = IECMYKToRGB(c);
  });
}

void DrawRGB48(TIEBitmap* B, const TRowsDriver& Draw, uint8_t BlendOperation) {
  if (!Adjusted(B, BlendOperation)) {
    // The high byte of each word; words are little-endian, red first.
    Draw([](const uint8_t* row, int32_t x, TRGB& d) {
      const uint8_t* p = row + 6 * static_cast<size_t>(x);
      d = MakeTRGB(p[1], p[3], p[5]);
    });
    return;
  }
  const TAdjust48 adjust(B);
  if (BlendOperation == 0) {
    Draw([&adjust](const uint8_t* row, int32_t x, TRGB& d) { d = adjust(row + 6 * static_cast<size_t>(x)); });
    return;
  }
  Draw([&adjust, BlendOperation](const uint8_t* row, int32_t x, TRGB& d) {
    IEBlendPixel(adjust(row + 6 * static_cast<size_t>(x)), d, BlendOperation);
  });
}

}  // namespace

// ---- The sixteen renderers ------------------------------------------------------------

void TIEBitmap::RenderRowsRGB(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                              const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                              int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                              int32_t YStep, bool RowCopy, uint8_t BlendOperation) {
  if (ie_render_detail::IsBlockCopy(XStep, YStep, Adjusted(this, BlendOperation), SrcX, SrcY, DstX, DstY, FirstCol,
                                    FirstRow, LastCol, LastRow, FWidth, FHeight)) {
    if (!DestRows || FirstCol > LastCol) return;
    const size_t offset = 3 * static_cast<size_t>(FirstCol + SrcX - DstX);
    const size_t bytes = 3 * static_cast<size_t>(LastCol - FirstCol + 1);
    for (int32_t Y = FirstRow; Y <= LastRow; ++Y)
      std::memcpy(DestRows[Y] + 3 * static_cast<size_t>(FirstCol),
                  static_cast<const uint8_t*>(ScanLine(Y + SrcY - DstY)) + offset, bytes);
    return;
  }
  const TSpan s =
      MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, RowCopy);
  DrawRGB(this, TRowsDriver{this, s, false, nullptr, nullptr, 255}, BlendOperation);
}

void TIEBitmap::RenderRowsRGBAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                   const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                   int32_t /*SrcX*/, int32_t /*SrcY*/, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                   int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t /*XStep*/,
                                   int32_t /*YStep*/, bool RowCopy, uint8_t BlendOperation) {
  const TSpan s =
      MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, RowCopy);
  DrawRGB(this, TRowsDriver{this, s, true, AlphaSource(this, UseAlpha), OpacityRow, Opacity}, BlendOperation);
}

void TIEBitmap::RenderRows1Bit(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                               const int32_t* RowTable, int32_t /*SrcX*/, int32_t /*SrcY*/, int32_t DstX, int32_t DstY,
                               int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t /*XStep*/,
                               int32_t /*YStep*/, bool RowCopy) {
  const TSpan s =
      MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, RowCopy);
  Draw1Bit(this, TRowsDriver{this, s, false, nullptr, nullptr, 255});
}

void TIEBitmap::RenderRows1BitAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                    const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                    int32_t /*SrcX*/, int32_t /*SrcY*/, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                    int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t /*XStep*/,
                                    int32_t /*YStep*/, bool RowCopy) {
  const TSpan s =
      MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, RowCopy);
  Draw1Bit(this, TRowsDriver{this, s, true, AlphaSource(this, UseAlpha), OpacityRow, Opacity});
}

// The formats below never copy rows and never blend.
#define IE_PLAIN_RENDERER(Name, Draw)                                                                                  \
  void TIEBitmap::Name(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable, const int32_t* RowTable, \
                       int32_t /*SrcX*/, int32_t /*SrcY*/, int32_t DstX, int32_t DstY, int32_t FirstCol,               \
                       int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t /*XStep*/, int32_t /*YStep*/,       \
                       bool /*RowCopy*/) {                                                                             \
    const TSpan s =                                                                                                    \
        MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, false);      \
    Draw(this, TRowsDriver{this, s, false, nullptr, nullptr, 255});                                                    \
  }

#define IE_ALPHA_RENDERER(Name, Draw)                                                                             \
  void TIEBitmap::Name(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,                 \
                       const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,            \
                       int32_t /*SrcX*/, int32_t /*SrcY*/, int32_t DstX, int32_t DstY, int32_t FirstCol,          \
                       int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t /*XStep*/, int32_t /*YStep*/,  \
                       bool /*RowCopy*/) {                                                                        \
    const TSpan s =                                                                                               \
        MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, false); \
    Draw(this, TRowsDriver{this, s, true, AlphaSource(this, UseAlpha), OpacityRow, Opacity});                     \
  }

IE_PLAIN_RENDERER(RenderRowsGray8, DrawGray8)
IE_ALPHA_RENDERER(RenderRowsGray8Alpha, DrawGray8)
IE_PLAIN_RENDERER(RenderRowsPalette, DrawPalette)
IE_ALPHA_RENDERER(RenderRowsPaletteAlpha, DrawPalette)
IE_PLAIN_RENDERER(RenderRowsGray16, DrawGray16)
IE_ALPHA_RENDERER(RenderRowsGray16Alpha, DrawGray16)
IE_PLAIN_RENDERER(RenderRowsFloat, DrawFloat)
IE_ALPHA_RENDERER(RenderRowsFloatAlpha, DrawFloat)
IE_PLAIN_RENDERER(RenderRowsCMYK, DrawCMYK)
IE_ALPHA_RENDERER(RenderRowsCMYKAlpha, DrawCMYK)

#undef IE_ALPHA_RENDERER
#undef IE_PLAIN_RENDERER

void TIEBitmap::RenderRowsRGB48(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                                const int32_t* RowTable, int32_t /*SrcX*/, int32_t /*SrcY*/, int32_t DstX, int32_t DstY,
                                int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t /*XStep*/,
                                int32_t /*YStep*/, bool /*RowCopy*/, uint8_t BlendOperation) {
  const TSpan s =
      MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, false);
  DrawRGB48(this, TRowsDriver{this, s, false, nullptr, nullptr, 255}, BlendOperation);
}

void TIEBitmap::RenderRowsRGB48Alpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                     const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                     int32_t /*SrcX*/, int32_t /*SrcY*/, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                     int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t /*XStep*/,
                                     int32_t /*YStep*/, bool /*RowCopy*/, uint8_t BlendOperation) {
  const TSpan s =
      MakeSpan(DestRows, Dest, ColumnTable, RowTable, DstX, DstY, FirstCol, FirstRow, LastCol, LastRow, false);
  DrawRGB48(this, TRowsDriver{this, s, true, AlphaSource(this, UseAlpha), OpacityRow, Opacity}, BlendOperation);
}
