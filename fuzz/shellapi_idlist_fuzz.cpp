// Fuzz target for item-ID lists: any bytes in an allocator block are walked
// within the block; the desktop's names, attributes and order of a list
// never read past it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/shellapi/shlobj.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  auto* block = static_cast<ITEMIDLIST*>(CoTaskMemAlloc(size));
  if (!block) return 0;
  if (size) std::memcpy(block, data, size);
  ILGetSize(block);
  ILCount(block);
  ILFindLastID(block);
  ILGetNext(block);
  if (ITEMIDLIST* copy = ILClone(block)) {
    ILRemoveLastID(copy);
    ILFree(copy);
  }
  if (ILValidate(block) == S_OK) {
    // Only our item kinds get here. Names and order need no file system
    // for the virtual items; entries answer from what exists.
    ComPtr<IShellFolder> desk;
    SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
    STRRET s;
    if (SUCCEEDED(desk->GetDisplayNameOf(block, SHGDN_NORMAL, &s))) {
      String out;
      StrRetToStr(&s, block, out);
    }
    desk->CompareIDs(0, block, block);
    String path;
    SHGetPathFromIDList(block, path);
  }
  ILFree(block);
  return 0;
}
