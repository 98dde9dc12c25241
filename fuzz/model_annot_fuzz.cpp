// Fuzz target for the imaging annotations: arbitrary bytes through
// TIEImagingAnnot::LoadFromBuffer, then a save and a second load, which
// must give the same marks: attributes, points, text and picture size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/model/containers/ieannot.h"
#include "imaging/model/pixels/iebitmap.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the end is caught.
  const std::vector<uint8_t> block(data, data + size);
  TIEImagingAnnot annot;
  annot.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  // Every mark takes a record header and 164 bytes of attributes.
  Check(static_cast<size_t>(annot.Count()) <= size / 172);
  std::vector<uint8_t> saved;
  annot.SaveToBuffer(saved);
  Check(saved.empty() == (annot.Count() == 0));
  TIEImagingAnnot back;
  back.LoadFromBuffer(saved.data(), static_cast<int64_t>(saved.size()));
  Check(back.Count() == annot.Count());
  for (int32_t i = 0; i < annot.Count(); ++i) {
    const TIEImagingObject& a = *annot.Objects()[size_t(i)];
    const TIEImagingObject& b = *back.Objects()[size_t(i)];
    Check(a.Attributes == b.Attributes && a.Points == b.Points && a.Text == b.Text);
    Check((a.Image != nullptr) == (b.Image != nullptr));
    if (a.Image) Check(a.Image->Width() == b.Image->Width() && a.Image->Height() == b.Image->Height());
  }
  return 0;
}
