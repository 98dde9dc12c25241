// Movable memory blocks addressed by handle, as clipboard, drag and drop and
// packed bitmaps exchange them. Handles live in one thread-safe table and are
// never reused, so a stale or made-up handle is recognised and answered with
// 0/nullptr instead of touching memory.
#pragma once

#include <cstddef>
#include <cstdint>

using HGLOBAL = uintptr_t;  // 0 = no block

constexpr uint32_t GMEM_FIXED = 0x0000;
constexpr uint32_t GMEM_MOVEABLE = 0x0002;
constexpr uint32_t GMEM_ZEROINIT = 0x0040;
constexpr uint32_t GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr uint32_t GMEM_DDESHARE = 0x2000;  // accepted, no meaning here

// A new block of dwBytes (zero-filled whatever the flags); 0 when the memory
// cannot be had.
HGLOBAL GlobalAlloc(uint32_t uFlags, size_t dwBytes);
// The block's address, valid until the block is resized or freed; each lock
// must be matched by an unlock. nullptr for a bad handle.
void* GlobalLock(HGLOBAL hMem);
// True while the block is still locked after this unlock.
bool GlobalUnlock(HGLOBAL hMem);
size_t GlobalSize(HGLOBAL hMem);  // 0 for a bad handle
// Resizes the block, keeping its content and zero-filling what is added; the
// handle stays the same. A locked block is resized only where it can stay in
// place. Answers hMem, or 0 on failure (the block then is unchanged).
HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, uint32_t uFlags);
// Answers 0 when freed, hMem when the handle is not a block.
HGLOBAL GlobalFree(HGLOBAL hMem);
