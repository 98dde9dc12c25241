// The object model used for drag and drop, in process: reference-counted
// interfaces, data objects over memory blocks, drop targets and sources, the
// modal DoDragDrop loop, and file lists in the DROPFILES layout that the
// shell, the clipboard and file drops from the desktop share.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gui/win_clipboard.h"
#include "platform/gui/windows.h"
#include "platform/rtl/globalmem.h"
#include "platform/rtl/types.h"

// ---- Results --------------------------------------------------------------------
using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
inline constexpr HRESULT DV_E_TYMED = static_cast<HRESULT>(0x80040069u);
inline constexpr HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100u);
inline constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101u);
inline constexpr HRESULT DRAGDROP_E_INVALIDHWND = static_cast<HRESULT>(0x80040102u);
inline constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
inline constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
inline constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// ---- Interface ids ----------------------------------------------------------------
struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};
  friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using REFIID = const IID&;

inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IEnumFORMATETC{0x00000103, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDataObject{0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDropSource{0x00000121, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDropTarget{0x00000122, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// ---- Reference-counted interfaces -----------------------------------------------
// Objects are created with one reference held by the creator; the last
// Release frees them.
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

// Starts the object model for the calling thread: S_OK the first time,
// S_FALSE for each further call; every call is matched by an uninitialise.
HRESULT OleInitialize(void* reserved);
void OleUninitialize();
inline constexpr uint32_t COINIT_MULTITHREADED = 0;
inline constexpr uint32_t COINIT_APARTMENTTHREADED = 2;
HRESULT CoInitializeEx(void* reserved, uint32_t coInit);
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// For implementations: an atomic reference count starting at 1 (the
// creator's reference).
class TComRefCount {
 public:
  uint32_t AddRefCount() { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The count left; the caller frees the object at 0.
  uint32_t ReleaseCount() { return FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  uint32_t RefCount() const { return FRefCount.load(); }

 private:
  std::atomic<uint32_t> FRefCount{1};
};

// For implementations of one interface: QueryInterface answering IUnknown
// and Iid, and reference counting whose last Release deletes the object.
template <class Interface, const IID& Iid>
class TComObject : public Interface {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == Iid) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return FRef.AddRefCount(); }
  uint32_t Release() override {
    const uint32_t left = FRef.ReleaseCount();
    if (left == 0) delete this;
    return left;
  }

 private:
  TComRefCount FRef;
};

// ---- Data transfer ----------------------------------------------------------------
using CLIPFORMAT = uint16_t;

inline constexpr uint32_t DVASPECT_CONTENT = 1;
inline constexpr uint32_t TYMED_NULL = 0;
inline constexpr uint32_t TYMED_HGLOBAL = 1;
inline constexpr uint32_t DATADIR_GET = 1;
inline constexpr uint32_t DATADIR_SET = 2;

struct FORMATETC {
  CLIPFORMAT cfFormat = 0;
  void* ptd = nullptr;  // target device: always none here
  uint32_t dwAspect = DVASPECT_CONTENT;
  int32_t lindex = -1;
  uint32_t tymed = TYMED_HGLOBAL;
};

// A medium: memory blocks only. pUnkForRelease, when set, is released
// instead of freeing the block.
struct STGMEDIUM {
  uint32_t tymed = TYMED_NULL;
  HGLOBAL hGlobal = 0;
  IUnknown* pUnkForRelease = nullptr;
};
// Frees the block (or releases pUnkForRelease) and empties the medium.
void ReleaseStgMedium(STGMEDIUM* medium);

struct IEnumFORMATETC : IUnknown {
  // Copies up to count formats; S_OK when all were given, S_FALSE otherwise.
  virtual HRESULT Next(uint32_t count, FORMATETC* formats, uint32_t* fetched) = 0;
  virtual HRESULT Skip(uint32_t count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFORMATETC** clone) = 0;
};

struct IDataObject : IUnknown {
  // The data as a new block the caller owns (release with ReleaseStgMedium).
  virtual HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) = 0;
  // S_OK when GetData would succeed for the format, DV_E_FORMATETC (or
  // DV_E_TYMED) otherwise.
  virtual HRESULT QueryGetData(const FORMATETC* format) = 0;
  // With release the object takes the block; otherwise it keeps a copy.
  virtual HRESULT SetData(const FORMATETC* format, STGMEDIUM* medium, bool release) = 0;
  // The formats offered (DATADIR_GET) in the order they were set.
  virtual HRESULT EnumFormatEtc(uint32_t direction, IEnumFORMATETC** formats) = 0;
};

// An empty data object holding whatever SetData gives it (memory blocks of
// any format, a later set of a format replacing the earlier one).
IDataObject* CreateDataObject();

// ---- File lists (CF_HDROP) ----------------------------------------------------------
// A memory block: a 20-byte header, then the names, each ended by a zero,
// the list ended by an empty name. Names are UTF-16 when fWide is nonzero,
// UTF-8 otherwise. pFiles is the offset of the list from the block's start.
struct DROPFILES {
  uint32_t pFiles = 20;
  TPoint pt;        // the drop point, client coordinates of the target
  int32_t fNC = 0;  // nonzero: the point is in the non-client area
  int32_t fWide = 1;
};
static_assert(sizeof(DROPFILES) == 20);
using HDROP = HGLOBAL;

// A new block listing the paths (UTF-8 in, UTF-16 names at even offsets);
// 0 when memory runs out.
HGLOBAL CreateDropFilesBlock(const std::vector<String>& paths, TPoint pt = TPoint{}, bool nonClient = false);
// A data object offering CF_HDROP with the paths and, when effect is not
// DROPEFFECT_NONE, "Preferred DropEffect" (a 32-bit value).
IDataObject* CreateFileListDataObject(const std::vector<String>& paths, uint32_t effect = 0);

// file 0xFFFFFFFF: the number of names. Otherwise the name's length in code
// units without the terminator, and with a buffer the name copied (cut to
// size - 1 units and zero-terminated); 0 for a bad block or index. The block
// is only read within its size: a malformed list ends where the block does.
uint32_t DragQueryFile(HDROP drop, uint32_t file, char* buffer, uint32_t size);
uint32_t DragQueryFileW(HDROP drop, uint32_t file, char16_t* buffer, uint32_t size);
// The point of the drop; true when it lies in the client area.
bool DragQueryPoint(HDROP drop, TPoint* pt);
// Frees the block.
void DragFinish(HDROP drop);

// ---- Drag and drop -------------------------------------------------------------------
inline constexpr uint32_t DROPEFFECT_NONE = 0;
inline constexpr uint32_t DROPEFFECT_COPY = 1;
inline constexpr uint32_t DROPEFFECT_MOVE = 2;
inline constexpr uint32_t DROPEFFECT_LINK = 4;
inline constexpr uint32_t DROPEFFECT_SCROLL = 0x80000000u;

struct POINTL {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const POINTL&, const POINTL&) = default;
};

struct IDropTarget : IUnknown {
  virtual HRESULT DragEnter(IDataObject* data, uint32_t keyState, POINTL pt, uint32_t* effect) = 0;
  virtual HRESULT DragOver(uint32_t keyState, POINTL pt, uint32_t* effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(IDataObject* data, uint32_t keyState, POINTL pt, uint32_t* effect) = 0;
};

struct IDropSource : IUnknown {
  // S_OK to go on, DRAGDROP_S_DROP to drop, DRAGDROP_S_CANCEL to cancel.
  virtual HRESULT QueryContinueDrag(bool escapePressed, uint32_t keyState) = 0;
  virtual HRESULT GiveFeedback(uint32_t effect) = 0;
};

// The window takes drops through target (which gets a reference until the
// registration is revoked or the window is destroyed).
HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target);
HRESULT RevokeDragDrop(HWND hwnd);

// The modal drag loop: captures the mouse and routes the drag to the
// registered target under the pointer (the window there or its nearest
// ancestor with a target). Key states are MK_ values plus MK_ALT. The source
// decides when to drop or cancel from the escape key and the key state; a
// drag started with the right button is a right drag. Answers
// DRAGDROP_S_DROP (effect: what the target did, within okEffects) or
// DRAGDROP_S_CANCEL (effect DROPEFFECT_NONE).
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, uint32_t okEffects, uint32_t* effect);
