// The JPEG marker segments a picture carries (APPn, COM ...), kept so that
// they can be written back unchanged, inspected or replaced: one payload per
// marker (without the 0xFF prefix and the 2-byte segment length) with its
// marker code. Payloads keep their full length; a JPEG segment holds at most
// IEMaxJPEGMarkerPayload bytes, so the writer must refuse or skip a longer
// one rather than cut it.
#pragma once

#include <cstdint>
#include <vector>

constexpr int32_t IEMaxJPEGMarkerPayload = 65533;

class TIEMarkerList {
 public:
  TIEMarkerList() = default;
  TIEMarkerList(const TIEMarkerList&) = delete;
  TIEMarkerList& operator=(const TIEMarkerList&) = delete;

  int32_t Count() const { return static_cast<int32_t>(FMarkers.size()); }
  // Index arguments out of range raise EListError.
  // The payload bytes (nil for an empty payload).
  const uint8_t* MarkerData(int32_t Index) const;
  uint8_t MarkerType(int32_t Index) const;
  int32_t MarkerLength(int32_t Index) const;
  // Index of the first marker with that code, -1 when none.
  int32_t IndexOf(uint8_t MarkerCode) const;

  // Append / replace with a copy of Length bytes at Data (a negative length
  // counts as 0).
  void AddMarker(uint8_t MarkerCode, const void* Data, int32_t Length);
  void SetMarker(int32_t Index, uint8_t MarkerCode, const void* Data, int32_t Length);
  void DeleteMarker(int32_t Index);
  void Clear() { FMarkers.clear(); }
  // Copies of all of Source's markers in order; nothing for nil.
  void Assign(const TIEMarkerList* Source);

 private:
  struct TMarker {
    uint8_t Type = 0;
    std::vector<uint8_t> Data;
  };
  const TMarker& At(int32_t Index) const;
  static std::vector<uint8_t> Copy(const void* Data, int32_t Length);

  std::vector<TMarker> FMarkers;
};
