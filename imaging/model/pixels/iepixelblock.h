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

// Gives the memory of bytes [Offset, Offset + Length) of Block back to the
// system where whole huge pages of a mapped block lie inside the range; a
// heap block keeps its memory (where every block is a heap block, under
// AddressSanitizer, those pages are cleared instead). Pages given back read
// as zero afterwards: for data that will not be read again, such as the rows
// a decoder has gone past.
// Answers the offset up to which the range was given back (Offset when
// nothing was): the next call over the data that follows starts there.
size_t IEReleasePixelBlockPages(void* Block, size_t Offset, size_t Length);

// Keeps the heap's large blocks for the next image: the codec libraries
// allocate buffers of tens of megabytes per image (a progressive JPEG's
// coefficients, row buffers), which glibc would map and unmap each time, so
// that every image faulted all their pages in again. Freed space at the top
// of the heap is kept up to 128 MiB. Called at start-up (IEInitImageModel).
void IEKeepLargeHeapBlocks();

struct TIEPixelBlockDeleter {
  void operator()(void* Block) const { IEFreePixelBlock(Block); }
};
