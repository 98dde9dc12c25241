#include "imaging/model/containers/ieiptcinfo.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr uint8_t kTag = 0x1C;
// The signature of the resource block an APP13 segment holds, with its
// closing zero byte.
constexpr char kSignature[] = "Photoshop 3.0";
constexpr size_t kHeaderSize = 26;
// The resource size field in the header.
constexpr size_t kResourceSizeAt = 22;

void PutBE(std::vector<uint8_t>& Out, uint32_t Value, int Bytes) {
  for (int i = Bytes - 1; i >= 0; --i) Out.push_back(static_cast<uint8_t>(Value >> (8 * i)));
}

}  // namespace

const TIEIPTCInfoList::TItem& TIEIPTCInfoList::At(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
  return FItems[size_t(Index)];
}

int32_t TIEIPTCInfoList::RecordNumber(int32_t Index) const { return At(Index).RecordNumber; }
int32_t TIEIPTCInfoList::DataSet(int32_t Index) const { return At(Index).DataSet; }
int32_t TIEIPTCInfoList::Length(int32_t Index) const { return static_cast<int32_t>(At(Index).Data.size()); }

const uint8_t* TIEIPTCInfoList::Data(int32_t Index) const {
  const TItem& item = At(Index);
  return item.Data.empty() ? nullptr : item.Data.data();
}

int32_t TIEIPTCInfoList::AddItem(int32_t RecordNumber, int32_t DataSet, int32_t Length, const void* Data) {
  TItem item{RecordNumber, DataSet, {}};
  if (Data && Length > 0) {
    const auto* p = static_cast<const uint8_t*>(Data);
    item.Data.assign(p, p + Length);
  }
  FItems.push_back(std::move(item));
  FChanged = true;
  return Count() - 1;
}

void TIEIPTCInfoList::Clear() {
  FItems.clear();
  FChanged = true;
}

void TIEIPTCInfoList::Assign(const TIEIPTCInfoList* Source) {
  if (!Source) return;
  if (Source != this) FItems = Source->FItems;
  FChanged = true;
}

void TIEIPTCInfoList::SaveToBuffer(std::vector<uint8_t>& Buffer, bool WithResourceHeader) const {
  Buffer.clear();
  if (FItems.empty()) return;
  std::vector<uint8_t> out;
  if (WithResourceHeader) {
    out.assign(kSignature, kSignature + sizeof(kSignature));
    for (char c : {'8', 'B', 'I', 'M'}) out.push_back(static_cast<uint8_t>(c));
    for (uint8_t b : {0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}) out.push_back(b);
  } else {
    out = {kTag, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02};
  }
  uint64_t resourceSize = 0;
  for (const TItem& item : FItems) {
    if ((item.RecordNumber == 2 && item.DataSet == 0) || item.Data.empty()) continue;
    const size_t start = out.size();
    out.push_back(kTag);
    out.push_back(static_cast<uint8_t>(item.RecordNumber));
    out.push_back(static_cast<uint8_t>(item.DataSet));
    const auto length = static_cast<uint32_t>(item.Data.size());
    if (length < 32768) {
      PutBE(out, length, 2);
    } else {
      // The extended form: a length of four bytes follows.
      out.push_back(0x80);
      out.push_back(0x04);
      PutBE(out, length, 4);
    }
    out.insert(out.end(), item.Data.begin(), item.Data.end());
    resourceSize += out.size() - start;
  }
  if (out.size() % 2 != 0) out.push_back(0);
  if (WithResourceHeader) {
    const auto size = static_cast<uint32_t>(resourceSize);
    for (int i = 0; i < 4; ++i) out[kResourceSizeAt + size_t(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
  }
  static_assert(sizeof(kSignature) + 12 == kHeaderSize);
  Buffer = std::move(out);
}

namespace {

// The data of the IPTC resource (id 0x0404) when the block is a resource
// block (the APP13 form). Its header and the resources before it can hold
// 0x1C bytes of their own (a resource size of 28, a digest), so the datasets
// are looked for inside the resource rather than from the block's first 0x1C.
bool FindIptcResource(const uint8_t* P, int64_t Length, int64_t& Start, int64_t& End) {
  if (Length < int64_t(sizeof(kSignature)) || std::memcmp(P, kSignature, sizeof(kSignature)) != 0) return false;
  int64_t pos = sizeof(kSignature);
  while (Length - pos >= 7 && std::memcmp(P + pos, "8BIM", 4) == 0) {
    const int id = (P[pos + 4] << 8) | P[pos + 5];
    // A name of a length byte and its characters, padded to an even size.
    const int64_t nameField = (1 + P[pos + 6] + 1) & ~int64_t(1);
    pos += 6;
    if (Length - pos < nameField + 4) break;
    pos += nameField;
    const int64_t size = std::min<int64_t>(GetBE32(P + pos), Length - pos - 4);
    pos += 4;
    if (id == 0x0404) {
      Start = pos;
      End = pos + size;
      return true;
    }
    pos += size + (size & 1);
  }
  return false;
}

}  // namespace

void TIEIPTCInfoList::LoadFromBuffer(const void* Data, int64_t Length) {
  Clear();
  const auto* p = static_cast<const uint8_t*>(Data);
  if (!p || Length <= 0) {
    FChanged = false;
    return;
  }
  int64_t pos = 0, end = Length;
  FindIptcResource(p, Length, pos, end);
  while (pos < end && p[pos] != kTag) ++pos;
  while (pos < end && p[pos] == kTag) {
    if (pos + 5 > end) break;
    const int32_t record = p[pos + 1], dataSet = p[pos + 2];
    int64_t length, start;
    if (p[pos + 3] & 0x80) {
      // Extended: the four bytes at position + 5 hold the length.
      if (pos + 9 > end) break;
      length = static_cast<int32_t>(GetBE32(p + pos + 5));
      start = pos + 9;
    } else {
      length = (p[pos + 3] << 8) | p[pos + 4];
      start = pos + 5;
    }
    if (length < 0) length = -length;
    if (length > end - start) break;
    FItems.push_back(TItem{record, dataSet, std::vector<uint8_t>(p + start, p + start + length)});
    pos = start + length;
  }
  FChanged = false;
}
