#include "imaging/model/containers/ierenderfiltered.h"

#include <cassert>
#include <cstdint>
#include <memory>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/ieconvert24.h"
#include "platform/gui/graphics.h"

namespace {

bool IsProjection(TResampleFilter Filter) {
  return Filter == TResampleFilter::rfProjectBW || Filter == TResampleFilter::rfProjectWB;
}

void CopyDisplayAdjustments(const TIEBitmap* From, TIEBitmap* To) {
  To->SetDisplayRangeMin(From->DisplayRangeMin());
  To->SetDisplayRangeMax(From->DisplayRangeMax());
  To->SetRedOffset(From->RedOffset());
  To->SetGreenOffset(From->GreenOffset());
  To->SetBlueOffset(From->BlueOffset());
  To->SetAdjustColors(From->AdjustColors());
  To->SetContrast(From->Contrast());
}

// E: the rectangle of Source in Source's format (with its palette), and with
// WithAlpha its alpha rectangle and Full flag.
std::unique_ptr<TIEBitmap> CopyRect(TIEBitmap* Source, int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH,
                                    bool WithAlpha) {
  auto e = std::make_unique<TIEBitmap>();
  e->Allocate(SrcW, SrcH, Source->PixelFormat());
  Source->CopyRectTo(e.get(), SrcX, SrcY, 0, 0, SrcW, SrcH);
  for (int32_t i = 0; i < e->PaletteLength(); ++i) {
    TRGB c;
    Source->GetPaletteColor(i, c);
    e->SetPaletteColor(i, c);
  }
  if (WithAlpha) {
    TIEBitmap* alpha = Source->AlphaChannel();
    alpha->CopyRectTo(e->AlphaChannel(), SrcX, SrcY, 0, 0, SrcW, SrcH);
    e->AlphaChannel()->SetFull(alpha->Full());
  }
  return e;
}

// F: E resampled to Width x Height with Filter: ie1g sources through
// Resample1Bit (1-bit again for the projections, else gray), the others
// through ResampleFiltered into ie24RGB; E's alpha through ResampleAlpha.
std::unique_ptr<TIEBitmap> Resampled(TIEBitmap* E, int32_t Width, int32_t Height, TResampleFilter Filter) {
  auto f = std::make_unique<TIEBitmap>();
  if (E->PixelFormat() == TIEPixelFormat::ie1g) {
    f->Allocate(Width, Height, IsProjection(Filter) ? TIEPixelFormat::ie1g : TIEPixelFormat::ie24RGB);
    Resample1Bit(E, f.get(), Filter);
  } else {
    f->Allocate(Width, Height, TIEPixelFormat::ie24RGB);
    ResampleFiltered(E, f.get(), Filter);
  }
  if (E->HasAlphaChannel()) {
    ResampleAlpha(E->AlphaChannel(), f->AlphaChannel(), Filter);
    f->AlphaChannel()->SetFull(E->AlphaChannel()->Full());
  }
  return f;
}

// Pos + Len - 1 without wrapping.
int32_t LastOf(int32_t Pos, int32_t Len) {
  const int64_t v = int64_t{Pos} + Len - 1;
  return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// Debug builds stop on an error of the filtered path; release builds draw
// nothing for it.
void FilteringFailed() { assert(!"error while resampling for a render"); }

}  // namespace

void RenderToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                       TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW,
                       int32_t DstH, int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha,
                       bool RowCopy, uint8_t Opacity, TResampleFilter Filter, bool FreeTables,
                       TIEBlendOperation BlendOperation) {
  auto direct = [&] {
    RenderToTIEBitmap(Source, Dest, DestRows, ColumnTable, RowTable, Clip, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW,
                      SrcH, EnableAlpha, RowCopy, Opacity, FreeTables, BlendOperation);
  };
  if (Filter == TResampleFilter::rfNone || !Source || Source == Dest || !IEIsRenderTarget(Dest) || Source->IsEmpty())
    return direct();
  const TIEPixelFormat format = Source->PixelFormat();
  if (format != TIEPixelFormat::ie1g && format != TIEPixelFormat::ie24RGB) return direct();

  TIEAccessScope readOnly(Source, kIEReadOnly);
  TIERenderRect r{DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH};
  if (!IEClipRenderRect(r, Dest->Width(), Dest->Height(), Source->Width(), Source->Height())) return;
  if (r.DstW == r.SrcW && r.DstH == r.SrcH) return direct();

  // The intermediate is drawn 1:1 with tables of its own; the caller's row
  // addresses of Dest still serve.
  TIEDestRowTable ownRows;
  TIEIndexTable cols, rows;
  TIEDestRowTable& destRows = DestRows.empty() ? ownRows : DestRows;
  auto drawOneToOne = [&](TIEBitmap* Intermediate) {
    RenderToTIEBitmap(Intermediate, Dest, destRows, cols, rows, Clip, r.DstX, r.DstY, r.DstW, r.DstH, 0, 0, r.DstW,
                      r.DstH, EnableAlpha, RowCopy, Opacity, true, BlendOperation);
  };
  try {
    const bool alphaWork = EnableAlpha && Source->HasAlphaChannel();
    if (format == TIEPixelFormat::ie1g && r.SrcW >= r.DstW && !alphaWork && !IsProjection(Filter)) {
      TIEBitmap gray;
      gray.Allocate(r.DstW, r.DstH, TIEPixelFormat::ie24RGB);
      Stretch1BitToGray(Source, r.SrcX, r.SrcY, r.SrcX + r.SrcW - 1, r.SrcY + r.SrcH - 1, &gray);
      drawOneToOne(&gray);
      return;
    }
    const std::unique_ptr<TIEBitmap> e = CopyRect(Source, r.SrcX, r.SrcY, r.SrcW, r.SrcH, alphaWork);
    const std::unique_ptr<TIEBitmap> f = Resampled(e.get(), r.DstW, r.DstH, Filter);
    CopyDisplayAdjustments(Source, f.get());
    drawOneToOne(f.get());
  } catch (...) {
    FilteringFailed();
  }
}

void RenderToTBitmap(TIEBitmap* Source, TBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                     TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha, bool RowCopy,
                     uint8_t Opacity, TResampleFilter Filter, bool FreeTables, TIEBlendOperation BlendOperation) {
  if (Filter == TResampleFilter::rfNone)
    return RenderToTBitmap(Source, Dest, DestRows, ColumnTable, RowTable, Clip, DstX, DstY, DstW, DstH, SrcX, SrcY,
                           SrcW, SrcH, EnableAlpha, RowCopy, Opacity, FreeTables, BlendOperation);
  if (!Dest || Dest->PixelFormat() != TPixelFormat::pf24bit) return;
  TIEBitmap wrapper;
  wrapper.EncapsulateTBitmap(Dest, false);
  RenderToTIEBitmap(Source, &wrapper, DestRows, ColumnTable, RowTable, Clip, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW,
                    SrcH, EnableAlpha, RowCopy, Opacity, Filter, FreeTables, BlendOperation);
}

void DrawToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity, TResampleFilter Filter,
                     TIEBlendOperation BlendOperation) {
  TIEDestRowTable rows;
  TIEIndexTable cols, rowTable;
  RenderToTIEBitmap(Source, Dest, rows, cols, rowTable, nullptr, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH, true,
                    false, Opacity, Filter, true, BlendOperation);
}

void DrawToTBitmap(TIEBitmap* Source, TBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity, TResampleFilter Filter,
                   TIEBlendOperation BlendOperation) {
  TIEDestRowTable rows;
  TIEIndexTable cols, rowTable;
  RenderToTBitmap(Source, Dest, rows, cols, rowTable, nullptr, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH, true,
                  false, Opacity, Filter, true, BlendOperation);
}

void StretchRectTo(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, TResampleFilter Filter, uint8_t Opacity) {
  if (Filter == TResampleFilter::rfNone || (DstW == SrcW && DstH == SrcH))
    return StretchRectTo(Source, Dest, DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH, Opacity);
  if (!Source || !Dest || Source == Dest || Source->IsEmpty() || Dest->IsEmpty() ||
      Dest->PixelFormat() != TIEPixelFormat::ie24RGB || DstW <= 0 || DstH <= 0 || SrcW <= 0 || SrcH <= 0)
    return;
  TIEAccessScope readOnly(Source, kIEReadOnly);
  try {
    const TIEPixelFormat format = Source->PixelFormat();
    std::unique_ptr<TIEBitmap> intermediate;
    if (SrcW < DstW || format != TIEPixelFormat::ie1g || Source->HasAlphaChannel()) {
      std::unique_ptr<TIEBitmap> e = CopyRect(Source, SrcX, SrcY, SrcW, SrcH, Source->HasAlphaChannel());
      if (format != TIEPixelFormat::ie1g && format != TIEPixelFormat::ie24RGB) {
        // The resamplers filter only 1- and 24-bit images: the others are
        // filtered as their 24-bit copy.
        std::unique_ptr<TIEBitmap> colour = IEConvertTo24RGB(e.get());
        if (e->HasAlphaChannel()) {
          colour->AlphaChannel()->Assign(e->AlphaChannel());
          colour->AlphaChannel()->SetFull(e->AlphaChannel()->Full());
        }
        e = std::move(colour);
      }
      intermediate = Resampled(e.get(), DstW, DstH, Filter);
    } else {
      intermediate = std::make_unique<TIEBitmap>();
      intermediate->Allocate(DstW, DstH, TIEPixelFormat::ie24RGB);
      Stretch1BitToGray(Source, SrcX, SrcY, LastOf(SrcX, SrcW), LastOf(SrcY, SrcH), intermediate.get());
    }
    StretchRectTo(intermediate.get(), Dest, DstX, DstY, DstW, DstH, 0, 0, DstW, DstH, Opacity);
  } catch (...) {
    FilteringFailed();
  }
}
