#include "imaging/model/pixels/iepixelblock.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

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
#endif

}  // namespace

void* IEAllocPixelBlock(size_t Size) {
  if (Size > SIZE_MAX - kHeader - 2 * kHugePage) return nullptr;
  const size_t total = Size + kHeader;
#ifndef IE_PIXELBLOCK_HEAP_ONLY
  if (total >= kHugePage) {
    if (void* block = MapBlock(total)) return block;
    // No mapping to be had: the heap may still have room.
  }
#endif
  auto* base = static_cast<uint8_t*>(std::calloc(total, 1));
  if (!base) return nullptr;
  reinterpret_cast<TBlockHeader*>(base)->MapLength = 0;
  return base + kHeader;
}

void IEFreePixelBlock(void* Block) {
  if (!Block) return;
  TBlockHeader* header = HeaderOf(Block);
  if (header->MapLength == 0)
    std::free(header);
  else
    munmap(header, header->MapLength);
}
