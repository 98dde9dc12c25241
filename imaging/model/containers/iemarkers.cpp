#include "imaging/model/containers/iemarkers.h"

#include <utility>

#include "platform/rtl/exceptions.h"

const TIEMarkerList::TMarker& TIEMarkerList::At(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
  return FMarkers[size_t(Index)];
}

std::vector<uint8_t> TIEMarkerList::Copy(const void* Data, int32_t Length) {
  if (!Data || Length <= 0) return {};
  const auto* p = static_cast<const uint8_t*>(Data);
  return std::vector<uint8_t>(p, p + Length);
}

const uint8_t* TIEMarkerList::MarkerData(int32_t Index) const {
  const TMarker& m = At(Index);
  return m.Data.empty() ? nullptr : m.Data.data();
}

uint8_t TIEMarkerList::MarkerType(int32_t Index) const { return At(Index).Type; }

int32_t TIEMarkerList::MarkerLength(int32_t Index) const { return static_cast<int32_t>(At(Index).Data.size()); }

int32_t TIEMarkerList::IndexOf(uint8_t MarkerCode) const {
  for (size_t i = 0; i < FMarkers.size(); ++i)
    if (FMarkers[i].Type == MarkerCode) return static_cast<int32_t>(i);
  return -1;
}

void TIEMarkerList::AddMarker(uint8_t MarkerCode, const void* Data, int32_t Length) {
  FMarkers.push_back(TMarker{MarkerCode, Copy(Data, Length)});
}

void TIEMarkerList::SetMarker(int32_t Index, uint8_t MarkerCode, const void* Data, int32_t Length) {
  At(Index);
  // Copied first: Data may point into the payload being replaced.
  std::vector<uint8_t> bytes = Copy(Data, Length);
  FMarkers[size_t(Index)] = TMarker{MarkerCode, std::move(bytes)};
}

void TIEMarkerList::DeleteMarker(int32_t Index) {
  At(Index);
  FMarkers.erase(FMarkers.begin() + Index);
}

void TIEMarkerList::Assign(const TIEMarkerList* Source) {
  if (!Source || Source == this) return;
  FMarkers = Source->FMarkers;
}
