// Fuzz target for the BMP reader: arbitrary bytes through
// TBitmap::LoadFromStream, repeatedly from one stream (files stored back to
// back). A load either fails with EInvalidGraphic or gives a bitmap within
// the limits that moved the stream forward, whose rows are all readable, and
// which saves and reloads to the same rows.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/gui/bmpfile.h"
#include "platform/gui/gdi_internal.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/streams.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TCustomMemoryStream stream;
  stream.SetPointer(data, int64_t(size));
  for (int i = 0; i < 4 && stream.Position() < stream.Size(); ++i) {
    const int64_t before = stream.Position();
    TBitmap b;
    try {
      b.LoadFromStream(&stream);
    } catch (const EInvalidGraphic&) {
      return 0;
    } catch (const EOutOfMemory&) {
      return 0;
    }
    Check(stream.Position() > before && stream.Position() <= stream.Size());
    Check(b.Width() > 0 && b.Width() <= BmpMaxSide && b.Height() > 0 && b.Height() <= BmpMaxSide);
    const TGdiRaster r = GdiBitmapRaster(b.Handle());
    Check(r.Valid() && !r.TopDown);
    const size_t stride = size_t(GdiDibStride(b.Width(), r.BitCount));
    uint32_t sum = 0;
    for (int32_t y = 0; y < b.Height(); ++y) sum += b.ScanLine(y)[stride - 1];
    Check(sum <= 255u * uint32_t(b.Height()));
    if (int64_t(b.Width()) * b.Height() > 65536) continue;
    TMemoryStream out;
    b.SaveToStream(&out);
    out.SetPosition(0);
    TBitmap again;
    again.LoadFromStream(&out);
    Check(out.Position() == out.Size());
    Check(again.Width() == b.Width() && again.Height() == b.Height());
    Check(again.PixelFormat() == b.PixelFormat());
    for (int32_t y = 0; y < b.Height(); ++y) Check(std::memcmp(again.ScanLine(y), b.ScanLine(y), stride) == 0);
  }
  return 0;
}
