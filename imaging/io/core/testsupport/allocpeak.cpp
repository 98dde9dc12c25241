#include "imaging/io/core/testsupport/allocpeak.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> GArmed{false};
std::atomic<size_t> GLargest{0};

void* Take(size_t Size) {
  if (GArmed.load(std::memory_order_relaxed)) {
    size_t seen = GLargest.load(std::memory_order_relaxed);
    while (Size > seen && !GLargest.compare_exchange_weak(seen, Size, std::memory_order_relaxed)) {
    }
  }
  return std::malloc(Size == 0 ? 1 : Size);
}

void* TakeOrThrow(size_t Size) {
  void* p = Take(Size);
  if (!p) throw std::bad_alloc();
  return p;
}

}  // namespace

TIEAllocPeak::TIEAllocPeak() {
  GLargest.store(0);
  GArmed.store(true);
}

TIEAllocPeak::~TIEAllocPeak() { GArmed.store(false); }

size_t TIEAllocPeak::Largest() const { return GLargest.load(); }

void* operator new(size_t Size) { return TakeOrThrow(Size); }
void* operator new[](size_t Size) { return TakeOrThrow(Size); }
void* operator new(size_t Size, const std::nothrow_t&) noexcept { return Take(Size); }
void* operator new[](size_t Size, const std::nothrow_t&) noexcept { return Take(Size); }
void operator delete(void* P) noexcept { std::free(P); }
void operator delete[](void* P) noexcept { std::free(P); }
void operator delete(void* P, size_t) noexcept { std::free(P); }
void operator delete[](void* P, size_t) noexcept { std::free(P); }
void operator delete(void* P, const std::nothrow_t&) noexcept { std::free(P); }
void operator delete[](void* P, const std::nothrow_t&) noexcept { std::free(P); }
