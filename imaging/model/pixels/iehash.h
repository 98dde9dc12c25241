// A set of 32-bit keys in 2^Bits buckets (the low bits of the key), used to
// count the distinct colours of an image.
#pragma once

#include <cstdint>
#include <vector>

// One element of a bucket's chain.
struct THash1Item {
  uint32_t Key = 0;
  THash1Item* Next = nullptr;
  void* Payload = nullptr;
};

class THash1 {
 public:
  // 2^(Bits mod 32) empty buckets.
  explicit THash1(int32_t Bits);
  ~THash1();
  THash1(const THash1&) = delete;
  THash1& operator=(const THash1&) = delete;

  // Adds Key. Bucket := the key's bucket. NewItem := the chain item made for
  // it, nil when it went into an empty bucket or was already there. False
  // when the key was already in the set.
  bool Insert(uint32_t Key, int32_t& Bucket, THash1Item*& NewItem);
  // True when Key was new.
  bool AddKey(uint32_t Key);

  int32_t Bits() const { return FBits; }
  // Keys held (a key added twice counts once).
  int32_t Count() const { return FCount; }
  int64_t BucketCount() const { return static_cast<int64_t>(FBuckets.size()); }

 private:
  // A bucket holds nothing, one key directly, or a chain of items (the first
  // of which carries the key that was held directly).
  enum : uint8_t { Empty = 0, OneKey = 1, Chained = 2 };
  struct TBucket {
    uint32_t Key;
    uint8_t State;
    THash1Item* Chain;
  };

  std::vector<TBucket> FBuckets;
  uint32_t FMask;
  int32_t FBits;
  int32_t FCount = 0;
};
