// File lists from outside (drag and drop, the clipboard): a DROPFILES block
// of any content is read through DragQueryFile without reading past the
// block, and every answer agrees with itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gui/win_ole.h"
#include "platform/rtl/globalmem.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The block is exactly the input, so any read beyond it is caught.
  HDROP drop = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!drop) return 0;
  if (size) std::memcpy(GlobalLock(drop), data, size);
  GlobalUnlock(drop);
  const uint32_t count = DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
  Check(count == DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0));
  Check(count <= size);
  std::vector<String> names;
  for (uint32_t i = 0; i < count && i < 64; ++i) {
    const uint32_t len = DragQueryFile(drop, i, nullptr, 0);
    Check(len > 0);
    std::string name(len + 1, '\x7F');
    Check(DragQueryFile(drop, i, name.data(), len + 1) == len);
    Check(name[len] == '\0');
    // A short buffer gets a cut, terminated copy.
    char small[4];
    const uint32_t cut = DragQueryFile(drop, i, small, sizeof small);
    Check(cut < sizeof small && small[cut] == '\0');
    const uint32_t wlen = DragQueryFileW(drop, i, nullptr, 0);
    std::u16string wide(wlen + 1, u'\x7F');
    Check(DragQueryFileW(drop, i, wide.data(), wlen + 1) == wlen);
    name.resize(len);
    names.push_back(name);
  }
  Check(DragQueryFile(drop, count, nullptr, 0) == 0);
  TPoint pt;
  DragQueryPoint(drop, &pt);
  DragFinish(drop);
  // What was read survives being written as a list again (names that came
  // from ill-formed text are written as read).
  HDROP again = CreateDropFilesBlock(names, pt, false);
  Check(again != 0);
  Check(DragQueryFile(again, 0xFFFFFFFFu, nullptr, 0) == names.size());
  DragFinish(again);
  return 0;
}
