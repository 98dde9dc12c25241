#include "platform/rtl/globalmem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

struct TGlobalBlock {
  void* Data = nullptr;
  size_t Size = 0;
  size_t Capacity = 0;  // allocated bytes, at least 1
  uint32_t LockCount = 0;
};

struct TGlobalTable {
  std::mutex Lock;
  std::unordered_map<HGLOBAL, TGlobalBlock> Blocks;
  // Handles count up from an odd base so they never look like addresses.
  HGLOBAL NextHandle = 0x10001;
};

TGlobalTable& Table() {
  static TGlobalTable* table = new TGlobalTable;  // outlives every static destructor
  return *table;
}

}  // namespace

HGLOBAL GlobalAlloc(uint32_t, size_t dwBytes) {
  size_t capacity = dwBytes == 0 ? 1 : dwBytes;
  void* data = std::calloc(1, capacity);
  if (!data) return 0;
  TGlobalTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  HGLOBAL h = t.NextHandle;
  t.NextHandle += 2;
  t.Blocks.emplace(h, TGlobalBlock{data, dwBytes, capacity, 0});
  return h;
}

void* GlobalLock(HGLOBAL hMem) {
  TGlobalTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  auto it = t.Blocks.find(hMem);
  if (it == t.Blocks.end()) return nullptr;
  ++it->second.LockCount;
  return it->second.Data;
}

bool GlobalUnlock(HGLOBAL hMem) {
  TGlobalTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  auto it = t.Blocks.find(hMem);
  if (it == t.Blocks.end() || it->second.LockCount == 0) return false;
  return --it->second.LockCount > 0;
}

size_t GlobalSize(HGLOBAL hMem) {
  TGlobalTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  auto it = t.Blocks.find(hMem);
  return it == t.Blocks.end() ? 0 : it->second.Size;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, uint32_t) {
  TGlobalTable& t = Table();
  std::lock_guard<std::mutex> guard(t.Lock);
  auto it = t.Blocks.find(hMem);
  if (it == t.Blocks.end()) return 0;
  TGlobalBlock& b = it->second;
  if (dwBytes > b.Capacity) {
    // Moving a locked block would leave its holder with a dangling address.
    if (b.LockCount > 0) return 0;
    void* data = std::realloc(b.Data, dwBytes);
    if (!data) return 0;
    b.Data = data;
    b.Capacity = dwBytes;
  }
  if (dwBytes > b.Size) std::memset(static_cast<char*>(b.Data) + b.Size, 0, dwBytes - b.Size);
  b.Size = dwBytes;
  return hMem;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  if (hMem == 0) return 0;
  void* data = nullptr;
  {
    TGlobalTable& t = Table();
    std::lock_guard<std::mutex> guard(t.Lock);
    auto it = t.Blocks.find(hMem);
    if (it == t.Blocks.end()) return hMem;
    data = it->second.Data;
    t.Blocks.erase(it);
  }
  std::free(data);
  return 0;
}
