// Rendering a TIEBitmap of any pixel format into a 24-bit destination: another
// TIEBitmap of format ie24RGB or a pf24bit platform bitmap. This is the paint
// engine of the views, the frame composer and the transitions, so one call
// scales through precomputed lookup tables, honours the source's alpha
// channel and an overall opacity, combines source and destination by a blend
// operation, applies the source's display adjustments and clips to the
// destination and an optional clip rectangle. The per-format work is done by
// the sixteen row renderers of TIEBitmap (one virtual call per render).
//
// These are the nearest-neighbour forms. The forms that take a resampling
// filter (ierenderfiltered.h in model_containers) run the filtered path first
// and come here for everything else.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/ieblend.h"
#include "platform/rtl/graphtypes.h"

class TBitmap;

// Lookup tables a caller may keep between renders at the same zoom. An empty
// vector is "no table": the render builds one. The destination row table
// holds the address of every destination row; the column and row tables hold
// the source column or row of each destination column or row X (Y), at index
// X - DstX (Y - DstY) of the clipped rectangle.
using TIEDestRowTable = std::vector<uint8_t*>;
using TIEIndexTable = std::vector<int32_t>;

// Draws the rectangle SrcX, SrcY, SrcW x SrcH of Source into the rectangle
// DstX, DstY, DstW x DstH of Dest.
// - Dest must be ie24RGB and not in Location ieFile (every row address is
//   taken at once); any other Dest, an empty Source or Source = Dest draws
//   nothing.
// - Clipping, in this order: a negative DstX (DstY) shortens the rectangle
//   and moves the source by trunc(n * SrcW / DstW); a rectangle reaching past
//   Dest is shortened and the source side by the same proportion; then every
//   value is clamped into its bitmap. Clip, when given, limits the drawn
//   pixels to its rectangle (inclusive edges).
// - DestRows, ColumnTable, RowTable: a table passed in is used as it is and
//   trusted (its sizes are asserted in debug builds). Tables built by the call
//   are stored into the empty variables when FreeTables is false, else
//   dropped. The 1:1 opaque unadjusted 24-bit case builds no column or row
//   table.
// - EnableAlpha: use the source's alpha channel unless it is Full.
// - RowCopy: a destination row that reads the same source row as the row
//   above is copied from it (ie24RGB and ie1g sources); allow it only when
//   the destination rows were alike before drawing.
// - Opacity: 255 opaque; lower values weigh the whole source. Each channel
//   becomes d + round(w * (s - d) / 255) with w = min(Opacity, alpha).
// - BlendOperation (ieblend.h) combines 24- and 48-bit sources with the
//   destination; other formats copy.
// The source's Access is read-only during the call. Errors while rows are
// drawn are swallowed (and asserted in debug builds).
void RenderToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                       TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW,
                       int32_t DstH, int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha,
                       bool RowCopy, uint8_t Opacity, bool FreeTables, TIEBlendOperation BlendOperation);

// The same into a pf24bit platform bitmap (wrapped for the call, never
// converted: any other pixel format draws nothing).
void RenderToTBitmap(TIEBitmap* Source, TBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                     TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha, bool RowCopy,
                     uint8_t Opacity, bool FreeTables, TIEBlendOperation BlendOperation);

// RenderToTIEBitmap / RenderToTBitmap with the alpha channel enabled, no row
// copies, no clip and tables of their own.
void DrawToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity,
                     TIEBlendOperation BlendOperation);
void DrawToTBitmap(TIEBitmap* Source, TBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity,
                   TIEBlendOperation BlendOperation);

// Copies the rectangle SrcX, SrcY, SrcW x SrcH of Source, scaled to DstX,
// DstY, DstW x DstH (clipped to Dest), into an ie24RGB Dest together with its
// alpha. Source column of destination column X: SrcX + ((X - DstX) * XStep
// shr 14) with XStep = trunc(SrcW / DstW * 16384); rows alike. Dest's alpha
// channel (created when missing) gets min(Opacity, source alpha) where the
// source has a non-Full alpha channel, else Opacity over the drawn rectangle.
// ie1g draws black and white, ie24RGB its pixels, other formats through a
// 24-bit copy of the rectangle. Destination pixels whose source position
// lies outside the source are not drawn. Errors are swallowed.
void StretchRectTo(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity);

// The clipping of RenderToTIEBitmap, for the filtered forms.
struct TIERenderRect {
  int32_t DstX, DstY, DstW, DstH, SrcX, SrcY, SrcW, SrcH;
};
// Clips R for a destination of DestWidth x DestHeight and a source of
// SourceWidth x SourceHeight. False when nothing is to be drawn (a side of 0,
// or a rectangle starting past the destination's last column or row).
bool IEClipRenderRect(TIERenderRect& R, int32_t DestWidth, int32_t DestHeight, int32_t SourceWidth,
                      int32_t SourceHeight);
// Dest is a bitmap RenderToTIEBitmap draws into.
bool IEIsRenderTarget(TIEBitmap* Dest);
