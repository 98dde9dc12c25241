#include "imaging/model/pixels/iepixelblock.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

// Under AddressSanitizer every block stays on the heap, where overruns are
// caught.
#if defined(__SANITIZE_ADDRESS__)
#define IE_PIXELBLOCK_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define IE_PIXELBLOCK_HEAP_ONLY 1
#endif
#endif

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
// In front of every block; keeps the payload 64-byte aligned in a mapping.
constexpr size_t kHeader = 64;

struct TBlockHeader {
  size_t MapLength;  // 0: a heap block
};

TBlockHeader* HeaderOf(void* Block) { return reinterpret_cast<TBlockHeader*>(static_cast<uint8_t*>(Block) - kHeader); }

#ifndef IE_PIXELBLOCK_HEAP_ONLY
constexpr size_t kPage = 4096;

void* MapBlock(size_t Total) {
  const size_t length = (Total + kPage - 1) & ~(kPage - 1);
  // One huge page more than needed, so that the block can start on a
  // huge-page boundary; the slack on both sides is given back.
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t rawStart = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t start = (rawStart + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  const size_t head = start - rawStart;
  if (head != 0) munmap(raw, head);
  if (kHugePage - head != 0) munmap(reinterpret_cast<void*>(start + length), kHugePage - head);
  auto* base = reinterpret_cast<uint8_t*>(start);
#ifdef MADV_HUGEPAGE
  // Before the first touch (the header below), or the first huge page would
  // already be split. Only advice: without huge pages nothing changes.
  madvise(base, length, MADV_HUGEPAGE);
#endif
  reinterpret_cast<TBlockHeader*>(base)->MapLength = length;
  return base + kHeader;
}

// Mappings given back, kept for the next rasters: a batch allocates rasters
// of much the same sizes image after image, and a kept mapping, already laid
// out on huge pages, is used again instead of being mapped anew. Its memory
// past the first huge page is given back when it is kept (the pool holds
// address space, not memory, so it never adds to the footprint of a larger
// image) and comes back zeroed. A request that no kept mapping can hold
// releases all of them first.
class TBlockPool {
 public:
  // The smallest kept mapping of at least Length bytes; nil when there is
  // none.
  uint8_t* Take(size_t Length) {
    std::lock_guard<std::mutex> lock(FMutex);
    int best = -1;
    for (int i = 0; i < FCount; ++i)
      if (FLength[i] >= Length && (best < 0 || FLength[i] < FLength[best])) best = i;
    if (best < 0) {
      ReleaseAll();
      return nullptr;
    }
    uint8_t* base = FBase[best];
    FBytes -= FLength[best];
    --FCount;
    FBase[best] = FBase[FCount];
    FLength[best] = FLength[FCount];
    return base;
  }
  // False when the pool is full: the caller unmaps the block.
  bool Keep(uint8_t* Base, size_t Length) {
    std::lock_guard<std::mutex> lock(FMutex);
    if (FCount == kSlots || FBytes + Length > kMaxBytes) return false;
    FBase[FCount] = Base;
    FLength[FCount] = Length;
    ++FCount;
    FBytes += Length;
    return true;
  }

 private:
  static constexpr int kSlots = 4;
  static constexpr size_t kMaxBytes = size_t(256) << 20;
  void ReleaseAll() {
    for (int i = 0; i < FCount; ++i) munmap(FBase[i], FLength[i]);
    FCount = 0;
    FBytes = 0;
  }
  std::mutex FMutex;
  uint8_t* FBase[kSlots] = {};
  size_t FLength[kSlots] = {};
  int FCount = 0;
  size_t FBytes = 0;
};

// Never destroyed: blocks may be freed while the process exits.
TBlockPool& Pool() {
  static auto* pool = new TBlockPool;
  return *pool;
}

// Gives back the whole huge pages from From (rounded up) to To; answers the
// end of what was given back, 0 when nothing was.
uintptr_t ReleaseHugePages(uintptr_t From, uintptr_t To) {
  From = (From + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  if (To <= From || madvise(reinterpret_cast<void*>(From), To - From, MADV_DONTNEED) != 0) return 0;
  return To;
}

// A kept mapping for Total bytes, zero-filled up to Total as a fresh one is:
// only its first huge page still holds earlier data.
void* ReuseBlock(size_t Total) {
  uint8_t* base = Pool().Take((Total + kPage - 1) & ~(kPage - 1));
  if (!base) return nullptr;
  std::memset(base + sizeof(TBlockHeader), 0, std::min(Total, kHugePage) - sizeof(TBlockHeader));
  return base + kHeader;
}
#endif

}  // namespace

void* IEAllocPixelBlock(size_t Size) {
  if (Size > SIZE_MAX - kHeader - 2 * kHugePage) return nullptr;
  const size_t total = Size + kHeader;
#ifndef IE_PIXELBLOCK_HEAP_ONLY
  if (total >= kHugePage) {
    if (void* block = ReuseBlock(total)) return block;
    if (void* block = MapBlock(total)) return block;
    // No mapping to be had: the heap may still have room.
  }
#endif
  auto* base = static_cast<uint8_t*>(std::calloc(total, 1));
  if (!base) return nullptr;
  reinterpret_cast<TBlockHeader*>(base)->MapLength = 0;
  return base + kHeader;
}

size_t IEReleasePixelBlockPages(void* Block, size_t Offset, size_t Length) {
  if (!Block) return Offset;
  // Whole huge pages only: a partial one would be split. A mapped block's
  // header lies in its first huge page, before any range.
  const uintptr_t block = reinterpret_cast<uintptr_t>(Block);
  const uintptr_t from = (block + Offset + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  const uintptr_t to = (block + Offset + Length) & ~uintptr_t(kHugePage - 1);
  if (to <= from) return Offset;
#ifdef IE_PIXELBLOCK_HEAP_ONLY
  // No mappings here: the range is cleared instead, so that a reader of
  // released data reads what it would after a real release.
  std::memset(reinterpret_cast<void*>(from), 0, to - from);
#else
  if (HeaderOf(Block)->MapLength == 0 || ReleaseHugePages(from, to) == 0) return Offset;
#endif
  return to - block;
}

void IEKeepLargeHeapBlocks() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

void IEFreePixelBlock(void* Block) {
  if (!Block) return;
  TBlockHeader* header = HeaderOf(Block);
  if (header->MapLength == 0) {
    std::free(header);
    return;
  }
#ifndef IE_PIXELBLOCK_HEAP_ONLY
  const auto start = reinterpret_cast<uintptr_t>(header);
  const uintptr_t end = start + header->MapLength;
  // Kept only when its memory past the first huge page went back (and reads
  // as zero again).
  if ((end <= start + kHugePage || ReleaseHugePages(start + 1, end) != 0) &&
      Pool().Keep(reinterpret_cast<uint8_t*>(header), header->MapLength))
    return;
#endif
  munmap(header, header->MapLength);
}
