// A TIFF-style tag directory kept as one self-contained little-endian block
// of bytes, as the maker-note tags of a picture are stored: a 16-bit entry
// count, the 12-byte entries, then the values that do not fit in an entry,
// their offsets counted from the block's start. The block is built by
// IEIFDReadMakerNote; callers that change Data directly call Update.
#pragma once

#include <cstdint>

#include "imaging/model/containers/ieifd.h"
#include "platform/rtl/streams.h"

class TIETagsHandler {
 public:
  // An empty block; the reader is little-endian, base 0, with no entries.
  TIETagsHandler();
  TIETagsHandler(const TIETagsHandler&) = delete;
  TIETagsHandler& operator=(const TIETagsHandler&) = delete;

  // The block. Answers refer to the entries of the last Update.
  TMemoryStream* Data() { return &FData; }
  const TIEIFDReader& Reader() const { return FReader; }

  // Re-reads the entries from the block: its first two bytes give their
  // number, and bytes of the directory that the block does not hold read as
  // zeros. An empty block leaves no entries.
  void Update();

  bool TagExists(int32_t Tag) const { return IEIFDFindTag(Tag, FReader) >= 0; }
  // The entry's value count; 0 when absent.
  int32_t GetTagCount(int32_t Tag) const { return IEIFDTagCount(FReader, Tag); }
  // The Index-th value of a SHORT or LONG tag; 0 when absent or of another
  // type. Values beyond the block read as 0.
  int32_t GetIntegerIndexed(int32_t Tag, int32_t Index) const { return IEIFDArrayItem(FReader, Tag, Index); }

 private:
  TMemoryStream FData;
  TIEIFDReader FReader;
};
