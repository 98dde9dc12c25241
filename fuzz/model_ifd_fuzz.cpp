// Fuzz target for TIFF directory access: arbitrary bytes as a TIFF stream
// ("MM" big-endian, anything else little-endian; the first IFD offset at 4)
// through IEIFDLoad, every accessor on every tag of the first pages, and
// IEIFDReadMakerNote into a TIETagsHandler whose block is then queried the
// same way. Reads stay inside the stream and results inside their bounds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/model/containers/ieifd.h"
#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/ietagshandler.h"

namespace {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void ReadEveryTag(const TIEIFDReader& reader, int64_t streamSize) {
  const size_t entries = reader.Entries.size();
  for (size_t i = 0; i < entries; ++i) {
    const int32_t tag = reader.Entries[i].Tag;
    Check(IEIFDFindTag(tag, reader) <= static_cast<int32_t>(i));
    IEIFDTagCount(reader, tag);
    IEIFDScalar(reader, tag, -1);
    IEIFDRational(reader, tag);
    for (int32_t n : {0, 1, 2, 1000, -1}) {
      IEIFDRationalItem(reader, tag, n);
      IEIFDArrayItem(reader, tag, n);
    }
    std::vector<int32_t> values;
    const int32_t count = IEIFDReadIntArray(reader, values, tag);
    Check(count == static_cast<int32_t>(values.size()) && count <= streamSize + 2);
    int32_t length = -1;
    const std::vector<uint8_t> bytes = IEIFDReadBytes(reader, tag, length);
    Check(length == static_cast<int32_t>(bytes.size()) && length <= streamSize + 4);
    String text;
    IEIFDReadString(reader, tag, text);
    Check(static_cast<int64_t>(text.size()) <= streamSize + 4);
    IEIFDReadInlineBytes(reader, tag, text);
    WideString wide;
    IEIFDReadWideString(reader, tag, wide);
    Check(static_cast<int64_t>(wide.size()) <= streamSize / 2 + 1);
  }
  int32_t bits = 0;
  IEIFDReadBitsPerSample(reader, bits);
  for (int32_t depth : {1, 4, 8, bits & 31}) {
    std::vector<TRGB> map;
    int32_t mapEntries = -1;
    IEIFDReadColorMap(reader, depth, map, mapEntries);
    Check(mapEntries == static_cast<int32_t>(map.size()) && mapEntries * 6 <= streamSize);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  // An exact-size copy, so that a read past the end is caught.
  const std::vector<uint8_t> bytes(data, data + size);
  TIEMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  TIEIFDReader reader;
  reader.LittleEndian = bytes[0] == 'M' && bytes[1] == 'M' ? 0 : 1;
  reader.Stream = &stream;
  const uint8_t* p = bytes.data() + 4;
  const uint32_t first = reader.LittleEndian
                             ? uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24)
                             : (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
  int32_t pages = -1;
  IEIFDLoad(-1, first, reader, pages);
  // Each IFD is counted once: no more of them than offsets in the stream.
  Check(pages >= 0 && pages <= static_cast<int32_t>(size));
  for (int32_t page = 0; page <= pages && page < 4; ++page) {
    int32_t again = -1;
    if (!IEIFDLoad(page, first, reader, again)) continue;
    Check(again == pages && reader.EntryCount == reader.Entries.size() && reader.EntryCount * 12 <= size);
    ReadEveryTag(reader, static_cast<int64_t>(size));
    for (size_t i = 0; i < reader.Entries.size() && i < 8; ++i) {
      TIETagsHandler handler;
      IEIFDReadMakerNote(reader, reader.Entries[i].Tag, handler);
      // The block holds at most 256 entries and values no larger than the
      // stream they came from.
      Check(handler.Data()->Size() <= 2 + 12 * 256 + static_cast<int64_t>(size));
      Check(handler.Reader().EntryCount <= 256);
      ReadEveryTag(handler.Reader(), handler.Data()->Size());
      for (const TIFDEntry& e : handler.Reader().Entries) {
        handler.TagExists(e.Tag);
        handler.GetTagCount(e.Tag);
        handler.GetIntegerIndexed(e.Tag, 0);
      }
    }
  }
  return 0;
}
