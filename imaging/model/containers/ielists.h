// Small containers and parameter objects of the image library: a growable
// byte buffer, lists of fixed-size items, the scroll and wheel settings of the
// views, and a read-only stream over someone else's memory.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/streams.h"

// A growable byte buffer. It reallocates only when the size leaves the band
// [Capacity - BlockSize, Capacity]; a new block has BlockSize bytes to spare.
// Bytes gained by growing read as 0.
class TIEByteArray {
 public:
  static constexpr int32_t DefaultBlockSize = 8192;

  // Size 0, Capacity 8192.
  TIEByteArray();
  TIEByteArray(const TIEByteArray&) = delete;
  TIEByteArray& operator=(const TIEByteArray&) = delete;

  // Bytes in use. EListError for a negative size, EOutOfMemory when size plus
  // the spare block does not fit in 32 bits.
  int32_t Size() const { return FSize; }
  void SetSize(int32_t Value);
  int32_t Capacity() const { return FCapacity; }
  int32_t BlockSize() const { return FBlockSize; }
  // The bytes (Size of them in use); moves when the block is reallocated.
  uint8_t* Data() { return FData.get(); }
  const uint8_t* Data() const { return FData.get(); }

  void AddByte(uint8_t Value);
  // Appends up to Count bytes read from Stream and answers how many arrived;
  // Size grows by exactly that many.
  int32_t AppendFromStream(TStream* Stream, int32_t Count);

 private:
  void Reallocate(int32_t NewCapacity, int32_t Keep);

  std::unique_ptr<uint8_t[]> FData;
  int32_t FSize = 0;
  int32_t FCapacity = 0;
  int32_t FBlockSize = DefaultBlockSize;
};

// A list of Count items of ItemSize bytes each, in one block (nil when
// empty). Changed is set by every change of the items and cleared by Clear.
// Items added by growing the count are zero.
class TIEList {
 public:
  TIEList() = default;
  virtual ~TIEList() = default;
  TIEList(const TIEList&) = delete;
  TIEList& operator=(const TIEList&) = delete;

  int32_t Count() const { return FCount; }
  // Keeps the first min(Count, Value) items. EListError for a negative value.
  virtual void SetCount(int32_t Value);
  // Removes item Index; an index out of range is ignored.
  virtual void Delete(int32_t Index);
  // Count 0, the block freed, Changed false.
  virtual void Clear();
  // Count, ItemSize, Changed and a copy of the items of Source; nothing for nil.
  virtual void Assign(const TIEList* Source);

  // Appends a copy of the ItemSize bytes at Item; answers its index.
  int32_t AddItem(const void* Item);
  // Address of item Index (checked by an assertion only, in debug builds).
  void* GetItemPtr(int32_t Index) {
    assert(Index >= 0 && Index < FCount);
    return FData.data() + static_cast<size_t>(Index) * static_cast<size_t>(FItemSize);
  }
  const void* GetItemPtr(int32_t Index) const { return const_cast<TIEList*>(this)->GetItemPtr(Index); }
  void* Data() { return FCount == 0 ? nullptr : FData.data(); }

  int32_t ItemSize() const { return FItemSize; }
  bool Changed() const { return FChanged; }
  void SetChanged(bool Value) { FChanged = Value; }

 protected:
  int32_t FItemSize = 0;

 private:
  std::vector<uint8_t> FData;  // grows geometrically: adding items one by one stays linear
  int32_t FCount = 0;
  bool FChanged = false;
};

// Doubles (ItemSize 8) with a range and a current value.
class TIEDoubleList : public TIEList {
 public:
  TIEDoubleList() { TIEDoubleList::Clear(); }
  // Also ItemSize 8 and the four values 0.
  void Clear() override;
  // Also the four values when Source is a TIEDoubleList.
  void Assign(const TIEList* Source) override;

  double RangeMin = 0;
  double RangeMax = 0;
  double RangeStep = 0;
  double CurrentValue = 0;
};

// 32-bit integers (ItemSize 4) with a range and a current value.
class TIEIntegerList : public TIEList {
 public:
  TIEIntegerList() { TIEIntegerList::Clear(); }
  // Also ItemSize 4 and the four values 0.
  void Clear() override;
  // Also the four values when Source is a TIEIntegerList.
  void Assign(const TIEList* Source) override;

  int32_t RangeMin = 0;
  int32_t RangeMax = 0;
  int32_t RangeStep = 0;
  int32_t CurrentValue = 0;
};

// Records of a size fixed at construction (a negative size counts as 0).
class TIERecordList : public TIEList {
 public:
  explicit TIERecordList(int32_t RecordSize) { FItemSize = RecordSize < 0 ? 0 : RecordSize; }
  int32_t AddRecord(const void* Record) { return AddItem(Record); }
  void* GetRecord(int32_t Index) { return GetItemPtr(Index); }
};

// Scrolling settings of one scroll bar of a view.
class TIEScrollBarParams {
 public:
  // Image pixels per line step, each max(trunc(zoom / 100), 1) screen
  // pixels; -1 means 1.
  int32_t LineStep = -1;
  // Image pixels per page step, counted the same way; -1 means the visible
  // extent of the view.
  int32_t PageStep = -1;
  // The view follows the scroll box while it is dragged; when false, it moves
  // only once the box is released.
  bool Tracking = true;
};

enum class TIEMouseWheelAction : uint8_t { iemwNone = 0, iemwScroll = 1, iemwZoom = 2 };
enum class TIEMouseWheelVariation : uint8_t { iemwAbsolute = 0, iemwPercentage = 1 };

// What the mouse wheel does in a view.
class TIEMouseWheelParams {
 public:
  bool InvertDirection = false;
  TIEMouseWheelAction Action = TIEMouseWheelAction::iemwZoom;
  // Absolute: scroll by Value image pixels or zoom by Value percent points.
  // Percentage: scroll by max(round(Value x visible extent / 100), 1) or zoom
  // by max(round(Value x zoom / 100), 1).
  TIEMouseWheelVariation Variation = TIEMouseWheelVariation::iemwPercentage;
  int32_t Value = 8;
  // Zoom about the mouse position instead of the view's usual anchor.
  bool ZoomPosition = false;
};

// Reads and seeks a memory block owned by someone else, without copying it.
// It never writes or resizes the block: Write answers 0, SetSize does nothing.
// The block must outlive the stream.
class TIEMemStream : public TCustomMemoryStream {
 public:
  TIEMemStream(const void* Buffer, int64_t Size) { SetPointer(Buffer, Size); }
  int32_t Write(const void*, int32_t) override { return 0; }
  void SetSize(int64_t) override {}
};
