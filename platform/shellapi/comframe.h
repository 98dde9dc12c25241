// The object frame of the shell stand-in: the shell's interface ids (our
// own values), the one task allocator, a small reference-holding pointer and
// the class factory that knows the shell link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/gui/win_ole.h"
#include "platform/rtl/winerror.h"

using CLSID = GUID;
using REFCLSID = const CLSID&;

// The shell link class keeps its well-known value.
inline constexpr CLSID CLSID_ShellLink{0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

inline constexpr IID IID_IMalloc{0x7A5C0001, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x01}};
inline constexpr IID IID_IShellFolder{0x7A5C0002, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x02}};
inline constexpr IID IID_IShellFolder2{0x7A5C0003, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x03}};
inline constexpr IID IID_IEnumIDList{0x7A5C0004, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x04}};
inline constexpr IID IID_IContextMenu{0x7A5C0005, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x05}};
inline constexpr IID IID_IContextMenu2{0x7A5C0006, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x06}};
inline constexpr IID IID_IExtractImage{0x7A5C0007, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x07}};
inline constexpr IID IID_IShellLinkA{0x7A5C0008, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x08}};
inline constexpr IID IID_IPersistFile{0x7A5C0009, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x09}};
inline constexpr IID IID_IShellDetails{0x7A5C000A, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x0A}};
inline constexpr IID IID_IPersist{0x7A5C000B, 0x5043, 0x4C56, {0x8A, 0x51, 0x50, 0x49, 0x43, 0x54, 0x00, 0x0B}};

inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000Au);
inline constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010Eu);

inline constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1;

// ---- The task allocator -----------------------------------------------------------
// Blocks carry a header, so the size of a block is known and a pointer that
// is not one of ours is recognised (a debug build stops on freeing one).
struct IMalloc : IUnknown {
  virtual void* Alloc(size_t size) = 0;
  virtual void* Realloc(void* block, size_t size) = 0;
  virtual void Free(void* block) = 0;
  virtual size_t GetSize(void* block) = 0;    // (size_t)-1 for a foreign pointer
  virtual int32_t DidAlloc(void* block) = 0;  // 1 ours, 0 not
  virtual void HeapMinimize() = 0;
};

// The one process allocator (with a reference for the caller). Always S_OK.
HRESULT SHGetMalloc(IMalloc** malloc);
void* CoTaskMemAlloc(size_t size);
void* CoTaskMemRealloc(void* block, size_t size);
void CoTaskMemFree(void* block);

// For the item-ID list routines: when p points into a live allocator block,
// the number of bytes from p to the block's end; otherwise false.
bool TaskMemBytesFrom(const void* p, size_t& bytes);

// Only CLSID_ShellLink (no aggregation); REGDB_E_CLASSNOTREG otherwise.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, uint32_t clsContext, REFIID riid, void** object);

// ---- A reference-holding pointer ---------------------------------------------------
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference.
  ComPtr(T* p) : FPtr(p) {
    if (FPtr) FPtr->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.FPtr) {}
  ComPtr(ComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(FPtr, other.FPtr);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller holds.
  static ComPtr Adopt(T* p) {
    ComPtr r;
    r.FPtr = p;
    return r;
  }
  void Attach(T* p) {
    Reset();
    FPtr = p;
  }
  T* Detach() { return std::exchange(FPtr, nullptr); }
  void Reset() {
    if (T* p = std::exchange(FPtr, nullptr)) p->Release();
  }
  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  // Releases what it holds and answers the slot for an out-parameter.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &FPtr;
  }
  // Asks the object for another interface.
  template <class U>
  HRESULT As(REFIID riid, ComPtr<U>& out) const {
    if (!FPtr) return E_POINTER;
    void* p = nullptr;
    HRESULT hr = FPtr->QueryInterface(riid, &p);
    if (SUCCEEDED(hr)) out.Attach(static_cast<U*>(p));
    return hr;
  }

 private:
  T* FPtr = nullptr;
};
