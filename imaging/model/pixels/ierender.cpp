// The render driver: clipping, lookup tables and the choice of the row
// renderer; and the scaled rectangle copy with alpha (StretchRectTo).
#include "imaging/model/pixels/ierender.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>
#include <memory>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iebitrun.h"
#include "imaging/model/pixels/ieconvert24.h"
#include "imaging/model/pixels/ierender_internal.h"
#include "platform/gui/graphics.h"

namespace {

using ie_render_detail::IEStepOne;

// trunc of a real, saturated to int32 (NaN as 0).
int32_t TruncInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(v);
}

int32_t Clamp32(int64_t v, int64_t Lo, int64_t Hi) { return static_cast<int32_t>(std::max(Lo, std::min(v, Hi))); }

// trunc(Source / Dest * 16384), 16384 meaning 1:1.
int32_t Step(int32_t Source, int32_t Dest) { return TruncInt32(static_cast<double>(Source) / Dest * IEStepOne); }

// An alpha channel left at another size (CopyFromTIEBitmap keeps it as it
// is) is read only when it covers the whole image.
bool CoversSource(TIEBitmap* Alpha, int32_t Width, int32_t Height) {
  return Alpha->Width() >= Width && Alpha->Height() >= Height;
}

// Debug builds stop here: an error while drawing rows is a fault to find,
// while release builds keep painting.
void DrawingFailed() { assert(!"error while drawing rows"); }

}  // namespace

bool IEIsRenderTarget(TIEBitmap* Dest) {
  return Dest && Dest->Location() != TIELocation::ieFile && Dest->PixelFormat() == TIEPixelFormat::ie24RGB &&
         !Dest->IsEmpty();
}

bool IEClipRenderRect(TIERenderRect& R, int32_t DestWidth, int32_t DestHeight, int32_t SourceWidth,
                      int32_t SourceHeight) {
  if (R.DstW == 0 || R.DstH == 0 || R.SrcW == 0 || R.SrcH == 0) return false;
  if (R.DstY > DestHeight - 1 || R.DstX > DestWidth - 1) return false;
  const double ys = static_cast<double>(R.SrcH) / R.DstH, xs = static_cast<double>(R.SrcW) / R.DstW;
  // 64 bits from here on: no argument can wrap a sum.
  int64_t dx = R.DstX, dy = R.DstY, dw = R.DstW, dh = R.DstH, sx = R.SrcX, sy = R.SrcY, sw = R.SrcW, sh = R.SrcH;
  if (dy < 0) {
    const int64_t n = -dy, m = TruncInt32(static_cast<double>(n) * ys);
    dh -= n;
    sy += m;
    sh -= m;
    dy = 0;
  }
  if (dx < 0) {
    const int64_t n = -dx, m = TruncInt32(static_cast<double>(n) * xs);
    dw -= n;
    sx += m;
    sw -= m;
    dx = 0;
  }
  if (dy + dh > DestHeight) {
    sh -= TruncInt32(static_cast<double>(dy + dh - DestHeight) * ys);
    dh = DestHeight - dy;
  }
  if (dx + dw > DestWidth) {
    sw -= TruncInt32(static_cast<double>(dx + dw - DestWidth) * xs);
    dw = DestWidth - dx;
  }
  R.DstX = Clamp32(dx, 0, DestWidth - 1);
  R.DstY = Clamp32(dy, 0, DestHeight - 1);
  R.DstW = Clamp32(dw, 0, DestWidth);
  R.DstH = Clamp32(dh, 0, DestHeight);
  R.SrcX = Clamp32(sx, 0, SourceWidth - 1);
  R.SrcY = Clamp32(sy, 0, SourceHeight - 1);
  R.SrcW = Clamp32(sw, 0, SourceWidth);
  R.SrcH = Clamp32(sh, 0, SourceHeight);
  return R.DstW > 0 && R.DstH > 0 && R.SrcW > 0 && R.SrcH > 0;
}

namespace {

// Source index of each of Count destination positions: trunc(i * SrcLen /
// DstLen + SrcPos). An index past the source (a source rectangle reaching
// beyond the image) repeats the last column or row.
void BuildIndexTable(TIEIndexTable& Table, int32_t Count, int32_t SrcPos, int32_t SrcLen, int32_t DstLen,
                     int32_t SourceSize) {
  Table.resize(static_cast<size_t>(Count));
  for (int32_t i = 0; i < Count; ++i) {
    const int32_t v = TruncInt32(static_cast<double>(int64_t{i} * SrcLen) / DstLen + SrcPos);
    Table[static_cast<size_t>(i)] = std::min(v, SourceSize - 1);
  }
}

#ifndef NDEBUG
// Tables a caller keeps are trusted; debug builds check that they cover the
// visible range and point into the source.
void CheckCallerTable(const TIEIndexTable& Table, int32_t From, int32_t To, int32_t SourceSize) {
  assert(To < static_cast<int64_t>(Table.size()) && "kept table too short for this render");
  for (int32_t i = From; i <= To && i < static_cast<int32_t>(Table.size()); ++i)
    assert(Table[static_cast<size_t>(i)] >= 0 && Table[static_cast<size_t>(i)] < SourceSize &&
           "kept table points outside the source");
}
#endif

// Visible span First..Last of the clipped rectangle Pos, Len on one axis;
// false when it is empty.
bool VisibleSpan(int32_t Pos, int32_t Len, int32_t DestSize, int64_t ClipLo, int64_t ClipHi, int32_t& First,
                 int32_t& Last) {
  const int64_t first = std::max<int64_t>(Pos, ClipLo);
  const int64_t last = std::min({int64_t{Pos} + Len - 1, int64_t{DestSize} - 1, ClipHi});
  // An empty span stays empty: clamping its ends into the destination would
  // draw an edge column of a clip lying wholly outside.
  if (first > last) return false;
  First = Clamp32(first, 0, DestSize - 1);
  Last = Clamp32(last, 0, DestSize - 1);
  return true;
}

void RenderDirect(TIEBitmap* Source, TIEBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                  TIEIndexTable& RowTable, const TRect* Clip, const TIERenderRect& R, bool EnableAlpha, bool RowCopy,
                  uint8_t Opacity, bool FreeTables, TIEBlendOperation BlendOperation) {
  const int32_t destWidth = Dest->Width(), destHeight = Dest->Height();
  const int32_t width = Source->Width(), height = Source->Height();

  constexpr int64_t kNoClip = 2147483646;
  int32_t firstCol, lastCol, firstRow, lastRow;
  if (!VisibleSpan(R.DstX, R.DstW, destWidth, Clip ? Clip->Left : -kNoClip, Clip ? Clip->Right : kNoClip, firstCol,
                   lastCol) ||
      !VisibleSpan(R.DstY, R.DstH, destHeight, Clip ? Clip->Top : -kNoClip, Clip ? Clip->Bottom : kNoClip, firstRow,
                   lastRow))
    return;

  TIEDestRowTable ownRows;
  TIEIndexTable ownCols, ownRowTable;
  bool tablesComplete = false;
  try {
    const bool rowsGiven = !DestRows.empty();
    if (!rowsGiven) {
      ownRows.resize(static_cast<size_t>(destHeight));
      for (int32_t y = 0; y < destHeight; ++y)
        ownRows[static_cast<size_t>(y)] = static_cast<uint8_t*>(Dest->ScanLine(y));
    }
    assert((!rowsGiven || static_cast<int64_t>(DestRows.size()) > lastRow) && "kept row table too short");
    uint8_t* const* rows = rowsGiven ? DestRows.data() : ownRows.data();

    std::vector<uint8_t> opacityRow;
    if (Opacity < 255) opacityRow.assign(static_cast<size_t>(width), Opacity);

    const int32_t yStep = Step(R.SrcH, R.DstH), xStep = Step(R.SrcW, R.DstW);
    TIEBitmap* alpha = EnableAlpha && Source->HasAlphaChannel() ? Source->AlphaChannel() : nullptr;
    const bool useAlpha = alpha && !alpha->Full() && CoversSource(alpha, width, height);
    std::unique_ptr<TIEAccessScope> alphaReadOnly;
    if (useAlpha) alphaReadOnly = std::make_unique<TIEAccessScope>(alpha, kIEReadOnly);
    const TIEPixelFormat format = Source->PixelFormat();
    const bool weighted = Opacity < 255 || useAlpha;

    const bool blockCopy = format == TIEPixelFormat::ie24RGB && !weighted &&
                           ie_render_detail::IsBlockCopy(
                               xStep, yStep, Source->AdjustColors() || Source->Contrast() != 0 || BlendOperation != 0,
                               R.SrcX, R.SrcY, R.DstX, R.DstY, firstCol, firstRow, lastCol, lastRow, width, height);
    const int32_t* cols = nullptr;
    const int32_t* rowTable = nullptr;
    if (!blockCopy) {
      if (ColumnTable.empty()) {
        BuildIndexTable(ownCols, R.DstW, R.SrcX, R.SrcW, R.DstW, width);
        cols = ownCols.data();
      } else {
#ifndef NDEBUG
        CheckCallerTable(ColumnTable, firstCol - R.DstX, lastCol - R.DstX, width);
#endif
        cols = ColumnTable.data();
      }
      if (RowTable.empty()) {
        BuildIndexTable(ownRowTable, R.DstH, R.SrcY, R.SrcH, R.DstH, height);
        rowTable = ownRowTable.data();
      } else {
#ifndef NDEBUG
        CheckCallerTable(RowTable, firstRow - R.DstY, lastRow - R.DstY, height);
#endif
        rowTable = RowTable.data();
      }
    }

    tablesComplete = true;

    const uint8_t* opacity = opacityRow.empty() ? nullptr : opacityRow.data();
#define IE_PLAIN_ARGS                                                                                             \
  rows, Dest, cols, rowTable, R.SrcX, R.SrcY, R.DstX, R.DstY, firstCol, firstRow, lastCol, lastRow, xStep, yStep, \
      RowCopy
#define IE_ALPHA_ARGS                                                                                                  \
  rows, Dest, Opacity, useAlpha, opacity, cols, rowTable, R.SrcX, R.SrcY, R.DstX, R.DstY, firstCol, firstRow, lastCol, \
      lastRow, xStep, yStep, RowCopy
    switch (format) {
      case TIEPixelFormat::ie24RGB:
        if (weighted)
          Source->RenderRowsRGBAlpha(IE_ALPHA_ARGS, BlendOperation);
        else
          Source->RenderRowsRGB(IE_PLAIN_ARGS, BlendOperation);
        break;
      case TIEPixelFormat::ie1g:
        if (weighted)
          Source->RenderRows1BitAlpha(IE_ALPHA_ARGS);
        else
          Source->RenderRows1Bit(IE_PLAIN_ARGS);
        break;
      case TIEPixelFormat::ie8g:
        if (weighted)
          Source->RenderRowsGray8Alpha(IE_ALPHA_ARGS);
        else
          Source->RenderRowsGray8(IE_PLAIN_ARGS);
        break;
      case TIEPixelFormat::ie8p:
        if (weighted)
          Source->RenderRowsPaletteAlpha(IE_ALPHA_ARGS);
        else
          Source->RenderRowsPalette(IE_PLAIN_ARGS);
        break;
      case TIEPixelFormat::ie16g:
        if (weighted)
          Source->RenderRowsGray16Alpha(IE_ALPHA_ARGS);
        else
          Source->RenderRowsGray16(IE_PLAIN_ARGS);
        break;
      case TIEPixelFormat::ie32f:
        if (weighted)
          Source->RenderRowsFloatAlpha(IE_ALPHA_ARGS);
        else
          Source->RenderRowsFloat(IE_PLAIN_ARGS);
        break;
      case TIEPixelFormat::ieCMYK:
        if (weighted)
          Source->RenderRowsCMYKAlpha(IE_ALPHA_ARGS);
        else
          Source->RenderRowsCMYK(IE_PLAIN_ARGS);
        break;
      case TIEPixelFormat::ieRGB48:
        if (weighted)
          Source->RenderRowsRGB48Alpha(IE_ALPHA_ARGS, BlendOperation);
        else
          Source->RenderRowsRGB48(IE_PLAIN_ARGS, BlendOperation);
        break;
      default: break;
    }
#undef IE_ALPHA_ARGS
#undef IE_PLAIN_ARGS
  } catch (...) {
    DrawingFailed();
  }
  // Tables built here go to the caller's empty variables when it keeps them.
  if (!FreeTables && tablesComplete) {
    if (DestRows.empty()) DestRows = std::move(ownRows);
    if (ColumnTable.empty()) ColumnTable = std::move(ownCols);
    if (RowTable.empty()) RowTable = std::move(ownRowTable);
  }
}

}  // namespace

void RenderToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                       TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW,
                       int32_t DstH, int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha,
                       bool RowCopy, uint8_t Opacity, bool FreeTables, TIEBlendOperation BlendOperation) {
  if (!Source || Source == Dest || !IEIsRenderTarget(Dest) || Source->IsEmpty()) return;
  TIEAccessScope readOnly(Source, kIEReadOnly);
  TIERenderRect r{DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH};
  if (!IEClipRenderRect(r, Dest->Width(), Dest->Height(), Source->Width(), Source->Height())) return;
  RenderDirect(Source, Dest, DestRows, ColumnTable, RowTable, Clip, r, EnableAlpha, RowCopy, Opacity, FreeTables,
               BlendOperation);
}

void RenderToTBitmap(TIEBitmap* Source, TBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                     TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha, bool RowCopy,
                     uint8_t Opacity, bool FreeTables, TIEBlendOperation BlendOperation) {
  // Wrapping another format would convert the caller's bitmap to 24 bits.
  if (!Dest || Dest->PixelFormat() != TPixelFormat::pf24bit) return;
  TIEBitmap wrapper;
  wrapper.EncapsulateTBitmap(Dest, false);
  RenderToTIEBitmap(Source, &wrapper, DestRows, ColumnTable, RowTable, Clip, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW,
                    SrcH, EnableAlpha, RowCopy, Opacity, FreeTables, BlendOperation);
}

void DrawToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity,
                     TIEBlendOperation BlendOperation) {
  TIEDestRowTable rows;
  TIEIndexTable cols, rowTable;
  RenderToTIEBitmap(Source, Dest, rows, cols, rowTable, nullptr, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH, true,
                    false, Opacity, true, BlendOperation);
}

void DrawToTBitmap(TIEBitmap* Source, TBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity,
                   TIEBlendOperation BlendOperation) {
  TIEDestRowTable rows;
  TIEIndexTable cols, rowTable;
  RenderToTBitmap(Source, Dest, rows, cols, rowTable, nullptr, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH, true,
                  false, Opacity, true, BlendOperation);
}

// ---- StretchRectTo -----------------------------------------------------------------------

namespace {

// Source index of destination positions First..Last: SrcPos + ((i - DstPos) *
// Step shr 14). Narrows First..Last to the positions whose index lies inside
// the source (the indices grow with i, so they form one run); false when none
// does.
bool StretchTable(std::vector<int32_t>& Table, int32_t& First, int32_t& Last, int32_t DstPos, int32_t SrcPos,
                  int32_t StepValue, int32_t SourceSize) {
  int32_t first = Last + 1, last = First - 1;
  Table.assign(static_cast<size_t>(Last - First + 1), 0);
  for (int32_t i = First; i <= Last; ++i) {
    const int64_t v = SrcPos + ((int64_t{i} - DstPos) * StepValue >> 14);
    if (v < 0 || v >= SourceSize) continue;
    Table[static_cast<size_t>(i - First)] = static_cast<int32_t>(v);
    first = std::min(first, i);
    last = std::max(last, i);
  }
  if (first > last) return false;
  Table.erase(Table.begin() + (last - First + 1), Table.end());
  Table.erase(Table.begin(), Table.begin() + (first - First));
  First = first;
  Last = last;
  return true;
}

}  // namespace

void StretchRectTo(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity) {
  if (!Source || !Dest || Source == Dest || Source->IsEmpty() || Dest->IsEmpty() ||
      Dest->PixelFormat() != TIEPixelFormat::ie24RGB)
    return;
  if (DstW <= 0 || DstH <= 0 || SrcW <= 0 || SrcH <= 0) return;
  TIEAccessScope readOnly(Source, kIEReadOnly);
  try {
    const int32_t yStep = Step(SrcH, DstH), xStep = Step(SrcW, DstW);
    TIEBitmap* destAlpha = Dest->AlphaChannel();
    int32_t u = std::max(DstX, 0), v = Clamp32(int64_t{DstX} + DstW - 1, INT32_MIN, Dest->Width() - 1);
    int32_t top = std::max(DstY, 0), bottom = Clamp32(int64_t{DstY} + DstH - 1, INT32_MIN, Dest->Height() - 1);
    v = std::min(v, destAlpha->Width() - 1);
    bottom = std::min(bottom, destAlpha->Height() - 1);
    if (u > v || top > bottom) return;

    std::vector<int32_t> cols, rows;
    if (!StretchTable(cols, u, v, DstX, SrcX, xStep, Source->Width()) ||
        !StretchTable(rows, top, bottom, DstY, SrcY, yStep, Source->Height()))
      return;
    const size_t count = static_cast<size_t>(v - u + 1);

    // Alpha: the source's where it has a non-Full channel, else Opacity.
    TIEBitmap* sourceAlpha = Source->HasAlphaChannel() ? Source->AlphaChannel() : nullptr;
    if (sourceAlpha && !sourceAlpha->Full() && CoversSource(sourceAlpha, Source->Width(), Source->Height())) {
      TIEAccessScope alphaReadOnly(sourceAlpha, kIEReadOnly);
      bool full = true;
      for (int32_t Y = top; Y <= bottom; ++Y) {
        const auto* s = static_cast<const uint8_t*>(sourceAlpha->ScanLine(rows[static_cast<size_t>(Y - top)]));
        auto* d = static_cast<uint8_t*>(destAlpha->ScanLine(Y)) + u;
        for (size_t i = 0; i < count; ++i) {
          d[i] = std::min<uint8_t>(Opacity, s[cols[i]]);
          full = full && d[i] == 255;
        }
      }
      if (!full) destAlpha->SetFull(false);
    } else {
      destAlpha->FillRect(u, top, v, bottom, Opacity);
      if (Opacity < 255) destAlpha->SetFull(false);
    }

    // Colour. Formats other than ie1g and ie24RGB go through a 24-bit copy of
    // the rectangle they are read from.
    TIEBitmap* colour = Source;
    std::unique_ptr<TIEBitmap> converted;
    std::unique_ptr<TIEAccessScope> convertedReadOnly;
    const TIEPixelFormat format = Source->PixelFormat();
    if (format != TIEPixelFormat::ie1g && format != TIEPixelFormat::ie24RGB) {
      const int32_t x0 = cols.front(), y0 = rows.front();
      const int32_t w = cols.back() - x0 + 1, h = rows.back() - y0 + 1;
      TIEBitmap part;
      part.Allocate(w, h, format);
      Source->CopyRectTo(&part, x0, y0, 0, 0, w, h);
      for (int32_t i = 0; i < Source->PaletteLength(); ++i) {
        TRGB c;
        Source->GetPaletteColor(i, c);
        part.SetPaletteColor(i, c);
      }
      converted = IEConvertTo24RGB(&part);
      convertedReadOnly = std::make_unique<TIEAccessScope>(converted.get(), kIEReadOnly);
      for (auto& c : cols) c -= x0;
      for (auto& r : rows) r -= y0;
      colour = converted.get();
    }
    const bool oneToOne = xStep == IEStepOne && yStep == IEStepOne;
    const bool oneBit = colour->PixelFormat() == TIEPixelFormat::ie1g;
    for (int32_t Y = top; Y <= bottom; ++Y) {
      const auto* s = static_cast<const uint8_t*>(colour->ScanLine(rows[static_cast<size_t>(Y - top)]));
      TRGB* d = static_cast<TRGB*>(Dest->ScanLine(Y)) + u;
      if (oneBit) {
        for (size_t i = 0; i < count; ++i) {
          const uint8_t g = GetBit(s, cols[i]) ? 255 : 0;
          d[i] = TRGB{g, g, g};
        }
      } else if (oneToOne) {
        std::memcpy(d, reinterpret_cast<const TRGB*>(s) + cols.front(), count * sizeof(TRGB));
      } else {
        const auto* p = reinterpret_cast<const TRGB*>(s);
        for (size_t i = 0; i < count; ++i) d[i] = p[cols[i]];
      }
    }
  } catch (...) {
    DrawingFailed();
  }
}
