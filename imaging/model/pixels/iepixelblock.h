// Storage blocks of rasters. A block of a huge page or more gets a mapping
// of its own with the kernel asked for huge pages: the first touch of a
// photo-sized raster then takes a few dozen page faults instead of thousands,
// which on some machines is a large share of a whole load or resample. Such
// mappings, once freed, are kept a while (a few, up to 256 MiB) and cleared
// for the next raster that fits, as a batch allocates much the same sizes
// image after image. Smaller blocks come from the heap.
#pragma once

#include <cstddef>

// Size bytes, zero-filled, the address aligned to 16 bytes; nil when memory
// is exhausted. Free with IEFreePixelBlock only.
void* IEAllocPixelBlock(size_t Size);
// Nil is ignored.
void IEFreePixelBlock(void* Block);

struct TIEPixelBlockDeleter {
  void operator()(void* Block) const { IEFreePixelBlock(Block); }
};
