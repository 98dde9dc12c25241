#include "imaging/model/containers/ietagshandler.h"
#include "platform/rtl/byteorder.h"

#include <algorithm>
#include <cstring>

TIETagsHandler::TIETagsHandler() {
  FReader.LittleEndian = 1;
  FReader.Stream = &FData;
  FReader.Base = 0;
}

void TIETagsHandler::Update() {
  FReader.Entries.clear();
  FReader.EntryCount = 0;
  const int64_t size = FData.Size();
  if (size <= 0) return;
  const auto* block = static_cast<const uint8_t*>(FData.Memory());
  const uint16_t count = static_cast<uint16_t>(block[0] | (size > 1 ? block[1] << 8 : 0));
  // The directory as the count describes it, with whatever the block lacks
  // left at zero.
  std::vector<uint8_t> raw(size_t(count) * 12, 0);
  const size_t present = size_t(std::clamp<int64_t>(size - 2, 0, int64_t(raw.size())));
  if (present > 0) std::memcpy(raw.data(), block + 2, present);
  FReader.Entries.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = raw.data() + i * 12;
    TIFDEntry& e = FReader.Entries[i];
    e.Tag = GetLE16(p);
    e.DataType = GetLE16(p + 2);
    e.DataNum = GetLE32(p + 4);
    e.DataPos = GetLE32(p + 8);
  }
  FReader.EntryCount = count;
}
