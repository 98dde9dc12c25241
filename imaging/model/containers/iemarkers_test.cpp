#include "imaging/model/containers/iemarkers.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/exceptions.h"

namespace {

std::vector<uint8_t> Payload(size_t size, uint8_t seed) {
  std::vector<uint8_t> b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

std::vector<uint8_t> MarkerBytes(const TIEMarkerList& list, int32_t index) {
  const uint8_t* p = list.MarkerData(index);
  return p ? std::vector<uint8_t>(p, p + list.MarkerLength(index)) : std::vector<uint8_t>();
}

TEST(ModelMarkers, IndexOfFindsTheFirstMarkerOfACode) {
  TIEMarkerList list;
  const auto app1 = Payload(10, 1), app13 = Payload(20, 2), second = Payload(5, 3);
  list.AddMarker(0xE1, app1.data(), 10);
  list.AddMarker(0xED, app13.data(), 20);
  list.AddMarker(0xED, second.data(), 5);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf(0xED), 1);
  EXPECT_EQ(list.IndexOf(0xE1), 0);
  EXPECT_EQ(list.IndexOf(0xFE), -1);
  EXPECT_EQ(list.MarkerType(2), 0xED);
  EXPECT_EQ(MarkerBytes(list, 1), app13);
}

// A payload longer than 16 bits can count (an EXIF block of 70,000 bytes)
// keeps every byte.
TEST(ModelMarkers, LongPayloadKeepsItsFullLength) {
  TIEMarkerList list;
  const auto exif = Payload(70000, 9);
  list.AddMarker(0xE1, exif.data(), 70000);
  EXPECT_EQ(list.MarkerLength(0), 70000);
  EXPECT_EQ(MarkerBytes(list, 0), exif);
  list.SetMarker(0, 0xE2, exif.data(), 70000);
  EXPECT_EQ(list.MarkerLength(0), 70000);
  EXPECT_EQ(list.MarkerType(0), 0xE2);
}

TEST(ModelMarkers, SetDeleteAssignAndClear) {
  TIEMarkerList list;
  const auto a = Payload(8, 1), b = Payload(3, 50);
  list.AddMarker(0xE0, a.data(), 8);
  list.AddMarker(0xFE, nullptr, 0);
  EXPECT_EQ(list.MarkerLength(1), 0);
  EXPECT_EQ(list.MarkerData(1), nullptr);
  // A replacement taken from the payload it replaces.
  list.SetMarker(0, 0xE1, list.MarkerData(0) + 2, 4);
  EXPECT_EQ(MarkerBytes(list, 0), std::vector<uint8_t>(a.begin() + 2, a.begin() + 6));

  TIEMarkerList copy;
  copy.AddMarker(0xEE, b.data(), 3);
  copy.Assign(&list);
  copy.Assign(nullptr);
  ASSERT_EQ(copy.Count(), 2);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(copy.MarkerType(0), 0xE1);
  EXPECT_EQ(MarkerBytes(copy, 0), std::vector<uint8_t>(a.begin() + 2, a.begin() + 6));
  copy.DeleteMarker(0);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy.MarkerType(0), 0xFE);
}

TEST(ModelMarkers, IndexOutOfRangeRaisesListError) {
  TIEMarkerList list;
  list.AddMarker(0xE1, nullptr, 0);
  EXPECT_THROW(list.MarkerType(1), EListError);
  EXPECT_THROW(list.MarkerLength(-1), EListError);
  EXPECT_THROW(list.DeleteMarker(1), EListError);
  EXPECT_THROW(list.SetMarker(2, 0xE1, nullptr, 0), EListError);
}

}  // namespace
