#include "imaging/model/containers/ielists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/rtl/exceptions.h"

TEST(ModelLists, ByteArrayCapacity) {
  TIEByteArray a;
  EXPECT_EQ(a.Size(), 0);
  EXPECT_EQ(a.Capacity(), 8192);
  EXPECT_EQ(a.BlockSize(), 8192);

  // Byte by byte to 8193: one reallocation, to 8193 + 8192.
  int reallocations = 0;
  for (int i = 0; i < 8193; ++i) {
    const uint8_t* before = a.Data();
    a.AddByte(static_cast<uint8_t>(i));
    if (a.Data() != before) ++reallocations;
  }
  EXPECT_EQ(reallocations, 1);
  EXPECT_EQ(a.Capacity(), 16385);
  EXPECT_EQ(a.Data()[8192], static_cast<uint8_t>(8192));
  EXPECT_EQ(a.Data()[100], 100);

  // The band [Capacity - 8192, Capacity] keeps the block.
  TIEByteArray b;
  b.SetSize(9000);
  EXPECT_EQ(b.Capacity(), 17192);
  const uint8_t* block = b.Data();
  b.SetSize(9500);
  b.SetSize(9000);
  EXPECT_EQ(b.Data(), block);
  EXPECT_EQ(b.Capacity(), 17192);
  b.SetSize(100);
  EXPECT_EQ(b.Capacity(), 8292);

  // Bytes gained by growing read as 0, also inside the band.
  std::memset(b.Data(), 0xAB, 100);
  b.SetSize(50);
  b.SetSize(100);
  EXPECT_EQ(std::count(b.Data() + 50, b.Data() + 100, 0), 50);
  EXPECT_EQ(b.Data()[49], 0xAB);

  EXPECT_THROW(b.SetSize(-1), EListError);
}

TEST(ModelLists, ByteArrayAppendFromStream) {
  TMemoryStream s;
  s.WriteBuffer("0123456789", 10);
  s.SetPosition(0);
  TIEByteArray a;
  EXPECT_EQ(a.AppendFromStream(&s, 100000), 10);
  EXPECT_EQ(a.Size(), 10);
  EXPECT_EQ(a.Capacity(), 8202);
  EXPECT_EQ(std::memcmp(a.Data(), "0123456789", 10), 0);

  s.SetPosition(4);
  EXPECT_EQ(a.AppendFromStream(&s, 3), 3);
  EXPECT_EQ(a.Size(), 13);
  EXPECT_EQ(std::memcmp(a.Data(), "0123456789456", 13), 0);
  EXPECT_EQ(a.AppendFromStream(&s, 0), 0);
}

TEST(ModelLists, ListItems) {
  TIEIntegerList list;
  EXPECT_EQ(list.ItemSize(), 4);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Data(), nullptr);
  EXPECT_FALSE(list.Changed());
  for (int32_t v : {10, 11, 12, 13, 14}) {
    const int32_t index = list.AddItem(&v);
    EXPECT_EQ(index, v - 10);
  }
  EXPECT_TRUE(list.Changed());
  auto at = [&](int32_t i) { return *static_cast<int32_t*>(list.GetItemPtr(i)); };

  list.SetChanged(false);
  list.Delete(5);  // out of range: ignored
  list.Delete(-1);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_FALSE(list.Changed());
  list.Delete(1);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(at(0), 10);
  EXPECT_EQ(at(1), 12);
  EXPECT_EQ(at(3), 14);
  EXPECT_TRUE(list.Changed());

  // New items are zero.
  list.SetCount(7);
  EXPECT_EQ(at(4), 0);
  EXPECT_EQ(at(6), 0);
  list.SetCount(2);
  list.SetCount(3);
  EXPECT_EQ(at(2), 0);
  EXPECT_THROW(list.SetCount(-1), EListError);

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Changed());
  EXPECT_EQ(list.Data(), nullptr);
  EXPECT_EQ(list.ItemSize(), 4);

  // Adding one of the list's own items while the block moves.
  TIERecordList records(12);
  EXPECT_EQ(records.ItemSize(), 12);
  const char rec[12] = "record-one!";
  records.AddRecord(rec);
  for (int i = 0; i < 40; ++i) records.AddRecord(records.GetRecord(0));
  EXPECT_EQ(records.Count(), 41);
  EXPECT_EQ(std::memcmp(records.GetRecord(40), rec, 12), 0);
}

TEST(ModelLists, AssignCopiesValues) {
  TIEDoubleList source;
  EXPECT_EQ(source.ItemSize(), 8);
  const double values[] = {1.5, 2.5};
  for (const double& v : values) source.AddItem(&v);
  source.RangeMin = 1;
  source.RangeMax = 255.0;
  source.RangeStep = 0.5;
  source.CurrentValue = 7;

  TIEDoubleList copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_TRUE(copy.Changed());
  EXPECT_EQ(*static_cast<double*>(copy.GetItemPtr(1)), 2.5);
  EXPECT_EQ(copy.RangeMin, 1);
  EXPECT_EQ(copy.RangeMax, 255.0);
  EXPECT_EQ(copy.RangeStep, 0.5);
  EXPECT_EQ(copy.CurrentValue, 7);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Count(), 2);
  copy.Clear();
  EXPECT_EQ(copy.RangeMax, 0);

  TIEIntegerList ints;
  ints.RangeMax = 9;
  TIEIntegerList intCopy;
  intCopy.Assign(&ints);
  EXPECT_EQ(intCopy.RangeMax, 9);
}

TEST(ModelLists, ParameterDefaults) {
  const TIEScrollBarParams scroll;
  EXPECT_EQ(scroll.LineStep, -1);
  EXPECT_EQ(scroll.PageStep, -1);
  EXPECT_TRUE(scroll.Tracking);
  const TIEMouseWheelParams wheel;
  EXPECT_FALSE(wheel.InvertDirection);
  EXPECT_EQ(static_cast<int>(wheel.Action), 2);
  EXPECT_EQ(static_cast<int>(wheel.Variation), 1);
  EXPECT_EQ(wheel.Value, 8);
  EXPECT_FALSE(wheel.ZoomPosition);
}

TEST(ModelLists, MemStreamIsReadOnly) {
  char block[10] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'};
  TIEMemStream s(block, 10);
  EXPECT_EQ(s.Write("0123456789", 10), 0);
  EXPECT_EQ(block[0], 'a');
  s.SetSize(3);
  EXPECT_EQ(s.Size(), 10);
  s.SetSize(100);
  EXPECT_EQ(s.Size(), 10);

  char out[4] = {};
  EXPECT_EQ(s.Seek(7, soBeginning), 7);
  EXPECT_EQ(s.Read(out, 4), 3);
  EXPECT_EQ(std::string(out, 3), "hij");
  EXPECT_EQ(s.Memory(), block);
}
