// Fuzz target for the image view's selection stream: arbitrary bytes loaded
// into a 64 x 64 view. A stream the reader refuses raises EReadError and
// leaves the selection as it was; an accepted one leaves a mask of the image
// size that saves and loads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/views/view/imgview.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/forms.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::vector<uint8_t> Saved(TImgView& View) {
  TMemoryStream s;
  View.SaveSelectionToStream(&s);
  std::vector<uint8_t> b(static_cast<size_t>(s.Size()));
  s.SetPosition(0);
  if (!b.empty()) s.ReadBuffer(b.data(), s.Size());
  return b;
}

TImgView& View() {
  static TApplication app(nullptr);
  static TScreen screen(nullptr);
  static TImgView view(nullptr);
  static bool made = false;
  if (!made) {
    view.GetIEBitmap()->Allocate(64, 64, TIEPixelFormat::ie24RGB);
    view.Update();
    made = true;
  }
  return view;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TImgView& view = View();
  view.SelectionBase = TIESelectionBase::iesbBitmap;
  view.SelectRect(3, 4, 20, 30, 0);
  const std::vector<uint8_t> before = Saved(view);
  TMemoryStream in;
  if (size > 0) in.WriteBuffer(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  try {
    view.LoadSelectionFromStream(&in);
  } catch (const EReadError&) {
    Check(Saved(view) == before);
    return 0;
  }
  const TIEMask* mask = view.SelectionMask();
  Check(mask->Width() == 64 && mask->Height() == 64);
  const std::vector<uint8_t> after = Saved(view);
  TMemoryStream again;
  again.WriteBuffer(after.data(), static_cast<int64_t>(after.size()));
  again.SetPosition(0);
  view.LoadSelectionFromStream(&again);
  Check(Saved(view) == after);
  return 0;
}
