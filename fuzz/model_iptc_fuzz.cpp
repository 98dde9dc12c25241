// Fuzz target for the IPTC list of the image model: arbitrary bytes through
// TIEIPTCInfoList::LoadFromBuffer, then both saved forms read back. What was
// read survives a save and a load unchanged (but for the items the writer
// leaves out: the record version 2:0 and empty items).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/model/containers/ieiptcinfo.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

struct TItem {
  int32_t Record, DataSet;
  std::vector<uint8_t> Data;
  friend bool operator==(const TItem&, const TItem&) = default;
};

std::vector<TItem> Items(const TIEIPTCInfoList& list, bool written) {
  std::vector<TItem> items;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const uint8_t* p = list.Data(i);
    if (written && ((list.RecordNumber(i) == 2 && list.DataSet(i) == 0) || !p)) continue;
    items.push_back({list.RecordNumber(i) & 0xFF, list.DataSet(i) & 0xFF,
                     p ? std::vector<uint8_t>(p, p + list.Length(i)) : std::vector<uint8_t>()});
  }
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the end is caught.
  const std::vector<uint8_t> block(data, data + size);
  TIEIPTCInfoList list;
  list.LoadFromBuffer(block.data(), static_cast<int64_t>(block.size()));
  Check(!list.Changed());
  Check(static_cast<size_t>(list.Count()) <= size / 5 + 1);
  const std::vector<TItem> kept = Items(list, true);
  for (bool header : {false, true}) {
    std::vector<uint8_t> saved;
    list.SaveToBuffer(saved, header);
    Check(saved.size() % 2 == 0 && saved.empty() == (list.Count() == 0));
    TIEIPTCInfoList back;
    back.LoadFromBuffer(saved.data(), static_cast<int64_t>(saved.size()));
    Check(Items(back, true) == kept);
  }
  return 0;
}
