#include "imaging/model/containers/ielists.h"

#include <cstring>
#include <limits>

#include "platform/rtl/exceptions.h"

// ---- TIEByteArray --------------------------------------------------------------------

TIEByteArray::TIEByteArray() { Reallocate(FBlockSize, 0); }

void TIEByteArray::Reallocate(int32_t NewCapacity, int32_t Keep) {
  auto block =
      TranslateOutOfMemory([NewCapacity] { return std::make_unique<uint8_t[]>(static_cast<size_t>(NewCapacity)); });
  if (Keep > 0) std::memcpy(block.get(), FData.get(), static_cast<size_t>(Keep));
  FData = std::move(block);
  FCapacity = NewCapacity;
}

void TIEByteArray::SetSize(int32_t Value) {
  if (Value < 0) throw EListError("Byte array size out of bounds");
  if (Value > std::numeric_limits<int32_t>::max() - FBlockSize) throw EOutOfMemory("Out of memory");
  if (Value > FCapacity || Value < FCapacity - FBlockSize) {
    Reallocate(Value + FBlockSize, Value < FSize ? Value : FSize);  // a new block starts zeroed
  } else if (Value > FSize) {
    std::memset(FData.get() + FSize, 0, static_cast<size_t>(Value - FSize));
  }
  FSize = Value;
}

void TIEByteArray::AddByte(uint8_t Value) {
  SetSize(FSize + 1);
  FData[static_cast<size_t>(FSize) - 1] = Value;
}

int32_t TIEByteArray::AppendFromStream(TStream* Stream, int32_t Count) {
  if (Count <= 0) return 0;
  const int32_t old = FSize;
  SetSize(old + Count);
  int32_t got = 0;
  while (got < Count) {
    const int32_t n = Stream->Read(FData.get() + old + got, Count - got);
    if (n <= 0) break;
    got += n;
  }
  if (got < Count) SetSize(old + got);
  return got;
}

// ---- TIEList ---------------------------------------------------------------------------

void TIEList::SetCount(int32_t Value) {
  if (Value < 0) throw EListError("List count out of bounds (%d)", {Value});
  const size_t bytes = static_cast<size_t>(Value) * static_cast<size_t>(FItemSize);
  TranslateOutOfMemory([&] { FData.resize(bytes); });  // new items are zero
  FCount = Value;
  FChanged = true;
}

int32_t TIEList::AddItem(const void* Item) {
  if (FCount == std::numeric_limits<int32_t>::max()) throw EListError("List count out of bounds (%d)", {FCount});
  // An item of this very list stays readable across the reallocation.
  const auto* p = static_cast<const uint8_t*>(Item);
  const auto at = reinterpret_cast<uintptr_t>(p), base = reinterpret_cast<uintptr_t>(FData.data());
  const bool own = !FData.empty() && at >= base && at - base < FData.size();
  const size_t ownOffset = own ? at - base : 0;
  SetCount(FCount + 1);
  const int32_t index = FCount - 1;
  if (own) p = FData.data() + ownOffset;
  if (FItemSize > 0) std::memcpy(GetItemPtr(index), p, static_cast<size_t>(FItemSize));
  FChanged = true;
  return index;
}

void TIEList::Delete(int32_t Index) {
  if (Index < 0 || Index >= FCount) return;
  const auto size = static_cast<size_t>(FItemSize);
  const auto at = FData.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(Index) * size);
  FData.erase(at, at + static_cast<ptrdiff_t>(size));
  --FCount;
  FChanged = true;
}

void TIEList::Clear() {
  std::vector<uint8_t>().swap(FData);
  FCount = 0;
  FChanged = false;
}

void TIEList::Assign(const TIEList* Source) {
  if (!Source || Source == this) return;
  FData.assign(Source->FData.begin(), Source->FData.end());
  FCount = Source->FCount;
  FItemSize = Source->FItemSize;
  FChanged = Source->FChanged;
}

// ---- TIEDoubleList / TIEIntegerList -----------------------------------------------------------

void TIEDoubleList::Clear() {
  TIEList::Clear();
  FItemSize = 8;
  RangeMin = RangeMax = RangeStep = CurrentValue = 0;
}

void TIEDoubleList::Assign(const TIEList* Source) {
  TIEList::Assign(Source);
  if (const auto* s = dynamic_cast<const TIEDoubleList*>(Source)) {
    RangeMin = s->RangeMin;
    RangeMax = s->RangeMax;
    RangeStep = s->RangeStep;
    CurrentValue = s->CurrentValue;
  }
}

void TIEIntegerList::Clear() {
  TIEList::Clear();
  FItemSize = 4;
  RangeMin = RangeMax = RangeStep = CurrentValue = 0;
}

void TIEIntegerList::Assign(const TIEList* Source) {
  TIEList::Assign(Source);
  if (const auto* s = dynamic_cast<const TIEIntegerList*>(Source)) {
    RangeMin = s->RangeMin;
    RangeMax = s->RangeMax;
    RangeStep = s->RangeStep;
    CurrentValue = s->CurrentValue;
  }
}
