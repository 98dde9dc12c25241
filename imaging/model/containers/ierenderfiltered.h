// The render routines of ierender.h with a resampling filter. They live here,
// beside the resamplers, because the pixel buffer's library sits below this
// one. With Filter rfNone, or when nothing is scaled, they are exactly the
// nearest-neighbour forms of ierender.h.
//
// A filter resamples ie1g and ie24RGB sources (other formats draw nearest-
// neighbour): the clipped source rectangle is resampled to the clipped
// destination size (its alpha channel too, when it takes part), the result
// takes the source's display adjustments and is then drawn 1:1 with the same
// clip, alpha, opacity and blend. A 1-bit source that is not enlarged
// horizontally, without alpha work and without a projection filter, is
// averaged to gray by Stretch1BitToGray instead.
#pragma once

#include "imaging/model/containers/ieresample.h"
#include "imaging/model/pixels/ierender.h"

void RenderToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                       TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW,
                       int32_t DstH, int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha,
                       bool RowCopy, uint8_t Opacity, TResampleFilter Filter, bool FreeTables,
                       TIEBlendOperation BlendOperation);

void RenderToTBitmap(TIEBitmap* Source, TBitmap* Dest, TIEDestRowTable& DestRows, TIEIndexTable& ColumnTable,
                     TIEIndexTable& RowTable, const TRect* Clip, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, bool EnableAlpha, bool RowCopy,
                     uint8_t Opacity, TResampleFilter Filter, bool FreeTables, TIEBlendOperation BlendOperation);

void DrawToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                     int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity, TResampleFilter Filter,
                     TIEBlendOperation BlendOperation);
void DrawToTBitmap(TIEBitmap* Source, TBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, uint8_t Opacity, TResampleFilter Filter,
                   TIEBlendOperation BlendOperation);

// With a filter and a change of size: a 1-bit source without an alpha channel
// that is not enlarged horizontally goes through Stretch1BitToGray (whatever
// the filter); anything else is resampled (alpha through ResampleAlpha) and
// then copied 1:1.
void StretchRectTo(TIEBitmap* Source, TIEBitmap* Dest, int32_t DstX, int32_t DstY, int32_t DstW, int32_t DstH,
                   int32_t SrcX, int32_t SrcY, int32_t SrcW, int32_t SrcH, TResampleFilter Filter, uint8_t Opacity);
