// Fuzz target for the metafile player: arbitrary bytes loaded as a Windows or
// enhanced metafile and played onto a small canvas, once upright and once
// into a mirrored rectangle. A load either fails with EInvalidGraphic or
// gives a metafile that plays without reading outside the bytes (an
// exact-size copy) and leaves the canvas's DC state as it was.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gui/gdi.h"
#include "platform/gui/graphics.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/streams.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  TCustomMemoryStream stream;
  stream.SetPointer(bytes.empty() ? nullptr : bytes.data(), int64_t(bytes.size()));
  TMetafile m;
  try {
    m.LoadFromStream(&stream);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  Check(!m.Empty() && m.Width() >= 0 && m.Height() >= 0);
  TBitmap b;
  b.SetPixelFormat(TPixelFormat::pf24bit);
  b.SetSize(48, 40);
  HDC dc = b.Canvas()->Handle();
  const int32_t mode = GetBkMode(dc);
  const COLORREF text = GetTextColor(dc);
  b.Canvas()->StretchDraw(TRect{2, 3, 46, 38}, &m);
  b.Canvas()->StretchDraw(TRect{40, 30, 4, 6}, &m);
  Check(GetBkMode(dc) == mode && GetTextColor(dc) == text);
  return 0;
}
