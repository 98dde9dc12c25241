// Fuzz target for the IPTC list: arbitrary bytes as an APP13 block through
// ParseIPTC, then the name operations over what was found.
#include <cstddef>
#include <cstdint>

#include "imaging/io/metadata/iptcdata.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String block(reinterpret_cast<const char*>(data), size);
  TIPTCdata list(nullptr);
  list.ParseIPTC(block);
  // Every dataset takes at least five bytes.
  Check(static_cast<size_t>(list.TagCount()) <= size / 5 + 1);
  size_t text = 0;
  for (const TTagEntry& e : list.Entries) {
    Check(e.Tag != 0 && !e.Name.empty());
    Check(e.IptcRecord == 2 || e.IptcRecord == 8);
    text += e.Text.size();
  }
  // Joined multi-valued texts add one comma per value at most.
  Check(text <= 2 * size);

  const int32_t count = list.TagCount();
  for (int32_t i = 0; i < count; ++i) {
    const String name = list.GetTag(i).Name;
    Check(list.IndexOfName(name) >= 0);
    list.GetTagText(name, "");
    list.SetTagByName(name, "v");
    list.AddTagValue(name, "w");
  }
  if (count > 0) {
    const String first = list.GetTag(0).Name;
    list.RemoveTag(first);
    Check(list.TagCount() == count - 1);
  }
  return 0;
}
