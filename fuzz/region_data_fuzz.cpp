// Region data from outside (mask scans, stored shapes): reading must never
// crash or run away, and whatever is accepted survives a write and re-read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gui/region.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TRegion r;
  if (!TRegion::FromRegionData(data, size, r)) return 0;
  const std::vector<uint8_t> bytes = r.ToRegionData();
  TRegion back;
  if (!TRegion::FromRegionData(bytes.data(), bytes.size(), back) || !(back == r)) std::abort();
  // Exercise the banded operations on the shape read.
  TRegion d;
  const TRect box = r.Box();
  const int32_t mid = static_cast<int32_t>(box.Left + (int64_t(box.Right) - box.Left) / 2);
  const TRegion probe(TRect{mid, box.Top, box.Right, box.Top + (box.Bottom > box.Top ? 1 : 0)});
  for (int mode = RGN_AND; mode <= RGN_COPY; ++mode) TRegion::Combine(d, r, probe, mode);
  if (!r.Empty() && !r.Contains(r.Rects().front().Left, r.Rects().front().Top)) std::abort();
  return 0;
}
