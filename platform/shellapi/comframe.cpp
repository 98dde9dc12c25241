#include "platform/shellapi/comframe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/shellapi/shell_internal.h"

namespace {

constexpr uint64_t kMagic = 0x50564D414C4C4F43ull;  // block header mark
constexpr uint64_t kFreed = 0x50564652454544ull;
constexpr size_t kHeader = 16;

struct THeader {
  uint64_t Magic;
  uint64_t Size;
};

// Live blocks by their user address, so lists can be walked within their
// block and foreign pointers are known without reading around them.
struct TBlocks {
  std::mutex Lock;
  std::map<uintptr_t, size_t> Live;
};

TBlocks& Blocks() {
  static TBlocks* b = new TBlocks;
  return *b;
}

#ifndef NDEBUG
[[noreturn]] void ForeignFree(const void* p) {
  std::fprintf(stderr, "task allocator: %p was not allocated here\n", p);
  std::abort();
}
#endif

class TTaskMalloc final : public IMalloc {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMalloc) {
      *object = static_cast<IMalloc*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The one allocator lives as long as the process.
  uint32_t AddRef() override { return 2; }
  uint32_t Release() override { return 1; }

  void* Alloc(size_t size) override {
    if (size > (size_t(1) << 40)) return nullptr;
    auto* h = static_cast<THeader*>(std::calloc(1, kHeader + size));
    if (!h) return nullptr;
    h->Magic = kMagic;
    h->Size = size;
    void* user = reinterpret_cast<uint8_t*>(h) + kHeader;
    std::lock_guard<std::mutex> g(Blocks().Lock);
    Blocks().Live[reinterpret_cast<uintptr_t>(user)] = size;
    return user;
  }

  void* Realloc(void* block, size_t size) override {
    if (!block) return Alloc(size);
    if (size == 0) {
      Free(block);
      return nullptr;
    }
    const size_t old = GetSize(block);
    if (old == size_t(-1)) {
#ifndef NDEBUG
      ForeignFree(block);
#else
      return nullptr;
#endif
    }
    void* fresh = Alloc(size);
    if (!fresh) return nullptr;
    std::memcpy(fresh, block, old < size ? old : size);
    Free(block);
    return fresh;
  }

  void Free(void* block) override {
    if (!block) return;
    {
      std::lock_guard<std::mutex> g(Blocks().Lock);
      auto it = Blocks().Live.find(reinterpret_cast<uintptr_t>(block));
      if (it == Blocks().Live.end()) {
#ifndef NDEBUG
        ForeignFree(block);
#else
        return;
#endif
      }
      Blocks().Live.erase(it);
    }
    auto* h = reinterpret_cast<THeader*>(static_cast<uint8_t*>(block) - kHeader);
    h->Magic = kFreed;
    std::free(h);
  }

  size_t GetSize(void* block) override {
    if (!block) return size_t(-1);
    std::lock_guard<std::mutex> g(Blocks().Lock);
    auto it = Blocks().Live.find(reinterpret_cast<uintptr_t>(block));
    return it == Blocks().Live.end() ? size_t(-1) : it->second;
  }

  int32_t DidAlloc(void* block) override { return GetSize(block) != size_t(-1) ? 1 : 0; }
  void HeapMinimize() override {}
};

TTaskMalloc& TheMalloc() {
  static TTaskMalloc* m = new TTaskMalloc;
  return *m;
}

}  // namespace

HRESULT SHGetMalloc(IMalloc** malloc) {
  if (!malloc) return E_POINTER;
  *malloc = &TheMalloc();
  return S_OK;
}

void* CoTaskMemAlloc(size_t size) { return TheMalloc().Alloc(size); }
void* CoTaskMemRealloc(void* block, size_t size) { return TheMalloc().Realloc(block, size); }
void CoTaskMemFree(void* block) { TheMalloc().Free(block); }

bool TaskMemBytesFrom(const void* p, size_t& bytes) {
  if (!p) return false;
  const uintptr_t a = reinterpret_cast<uintptr_t>(p);
  std::lock_guard<std::mutex> g(Blocks().Lock);
  auto& live = Blocks().Live;
  auto it = live.upper_bound(a);
  if (it == live.begin()) return false;
  --it;
  if (a >= it->first + it->second && !(a == it->first && it->second == 0)) return false;
  bytes = it->first + it->second - a;
  return true;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!(clsid == CLSID_ShellLink)) return REGDB_E_CLASSNOTREG;
  if (outer) return CLASS_E_NOAGGREGATION;
  IShellLinkA* link = CreateShellLinkObject();
  if (!link) return E_OUTOFMEMORY;
  const HRESULT hr = link->QueryInterface(riid, object);
  link->Release();
  return hr;
}
