// Shared by the render driver (ierender.cpp) and the row renderers
// (iebitmap_renderers.cpp): the decision for the 1:1 block copy, which both
// must take alike because the driver builds no tables for it.
#pragma once

#include <cstdint>

namespace ie_render_detail {

inline constexpr int32_t IEStepOne = 16384;  // XStep / YStep of a 1:1 render

// A 24-bit render with steps of 1:1 and no adjustment or blend is a block copy
// per row, provided the rows and columns it reads lie inside the source.
inline bool IsBlockCopy(int32_t XStep, int32_t YStep, bool Adjusted, int32_t SrcX, int32_t SrcY, int32_t DstX,
                        int32_t DstY, int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow,
                        int32_t SourceWidth, int32_t SourceHeight) {
  if (XStep != IEStepOne || YStep != IEStepOne || Adjusted) return false;
  const int64_t x0 = int64_t{FirstCol} + SrcX - DstX, x1 = int64_t{LastCol} + SrcX - DstX;
  const int64_t y0 = int64_t{FirstRow} + SrcY - DstY, y1 = int64_t{LastRow} + SrcY - DstY;
  return x0 >= 0 && y0 >= 0 && x1 < SourceWidth && y1 < SourceHeight;
}

}  // namespace ie_render_detail
