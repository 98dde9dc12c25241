// IPTC datasets (record number, dataset number, bytes) as a picture carries
// them, in their order, and the block they are stored in: the APP13
// resource of a JPEG file or the IPTC tag of a TIFF file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TIEIPTCInfoList {
 public:
  TIEIPTCInfoList() = default;
  TIEIPTCInfoList(const TIEIPTCInfoList&) = delete;
  TIEIPTCInfoList& operator=(const TIEIPTCInfoList&) = delete;

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // Index arguments out of range raise EListError.
  int32_t RecordNumber(int32_t Index) const;
  int32_t DataSet(int32_t Index) const;
  int32_t Length(int32_t Index) const;
  // The dataset's bytes (nil when it has none).
  const uint8_t* Data(int32_t Index) const;

  // Set by AddItem, Clear and Assign; cleared by LoadFromBuffer. Tells the
  // JPEG saver that the APP13 block must be rebuilt.
  bool Changed() const { return FChanged; }
  void SetChanged(bool Value) { FChanged = Value; }

  // Appends a copy of Length bytes (a negative length counts as 0) and
  // answers the new item's index.
  int32_t AddItem(int32_t RecordNumber, int32_t DataSet, int32_t Length, const void* Data);
  void Clear();
  // Clear and a copy of every item of Source; nothing for nil.
  void Assign(const TIEIPTCInfoList* Source);

  // The block of all items, empty when there are none. With the resource
  // header (the JPEG APP13 payload): the 14-byte signature, "8BIM", resource
  // id 0x0404, an empty name and the resource size. Without it (the TIFF tag)
  // the block starts with the record-version dataset 2:0 = 2. Items 2:0 and
  // items without bytes are not written; the block is padded to an even size.
  void SaveToBuffer(std::vector<uint8_t>& Buffer, bool WithResourceHeader) const;
  // Clear, then the datasets of the Length bytes at Data: whatever comes
  // before the first 0x1C is skipped, and the parse stops at the first item
  // that does not fit, keeping those before it. Changed is false after.
  void LoadFromBuffer(const void* Data, int64_t Length);

 private:
  struct TItem {
    int32_t RecordNumber = 0;
    int32_t DataSet = 0;
    std::vector<uint8_t> Data;
  };
  const TItem& At(int32_t Index) const;

  std::vector<TItem> FItems;
  bool FChanged = false;
};
