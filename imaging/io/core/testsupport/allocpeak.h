// The largest single allocation made through operator new while a
// TIEAllocPeak lives. A test asserts with it that a reader refuses a huge
// declared size before it allocates, without measuring the process's memory.
// Linking this object replaces the global operator new and delete of the
// test program (plain malloc and free underneath, so the sanitizers still
// see every block).
#pragma once

#include <cstddef>

class TIEAllocPeak {
 public:
  TIEAllocPeak();
  ~TIEAllocPeak();
  TIEAllocPeak(const TIEAllocPeak&) = delete;
  TIEAllocPeak& operator=(const TIEAllocPeak&) = delete;
  // Bytes of the largest block requested since construction.
  size_t Largest() const;
};
