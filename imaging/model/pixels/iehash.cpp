#include "imaging/model/pixels/iehash.h"

#include <cstddef>

THash1::THash1(int32_t Bits) : FBits(Bits) {
  const uint32_t shift = static_cast<uint32_t>(Bits) & 31u;
  const uint64_t n = uint64_t{1} << shift;
  FMask = static_cast<uint32_t>(n - 1);
  FBuckets.assign(static_cast<size_t>(n), TBucket{0, Empty, nullptr});
}

THash1::~THash1() {
  for (TBucket& b : FBuckets) {
    THash1Item* p = b.Chain;
    while (p) {
      THash1Item* next = p->Next;
      delete p;
      p = next;
    }
  }
}

bool THash1::Insert(uint32_t Key, int32_t& Bucket, THash1Item*& NewItem) {
  NewItem = nullptr;
  const uint32_t index = Key & FMask;
  Bucket = static_cast<int32_t>(index);
  TBucket& b = FBuckets[index];
  switch (b.State) {
    case Empty:
      b.State = OneKey;
      b.Key = Key;
      break;
    case OneKey: {
      if (b.Key == Key) return false;
      auto* added = new THash1Item{Key, nullptr, nullptr};
      b.Chain = new THash1Item{b.Key, added, nullptr};
      b.State = Chained;
      NewItem = added;
      break;
    }
    default: {
      THash1Item* p = b.Chain;
      for (;;) {
        if (p->Key == Key) return false;
        if (!p->Next) break;
        p = p->Next;
      }
      p->Next = new THash1Item{Key, nullptr, nullptr};
      NewItem = p->Next;
      break;
    }
  }
  ++FCount;
  return true;
}

bool THash1::AddKey(uint32_t Key) {
  int32_t bucket;
  THash1Item* item;
  return Insert(Key, bucket, item);
}
