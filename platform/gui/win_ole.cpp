#include "platform/gui/win_ole.h"

#include <cstring>
#include <unordered_map>

#include "platform/gui/win_paint_internal.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/byteorder.h"

// ---- Object model start-up ----------------------------------------------------------

namespace {
thread_local int32_t OleInitCount = 0;

HRESULT InitOnce() { return OleInitCount++ == 0 ? S_OK : S_FALSE; }
void UninitOnce() {
  if (OleInitCount > 0) --OleInitCount;
}
}  // namespace

HRESULT OleInitialize(void*) { return InitOnce(); }
void OleUninitialize() { UninitOnce(); }
HRESULT CoInitializeEx(void*, uint32_t) { return InitOnce(); }
HRESULT CoInitialize(void*) { return InitOnce(); }
void CoUninitialize() { UninitOnce(); }

// ---- Memory blocks ------------------------------------------------------------------

namespace {

// A copy of a block; 0 for a bad handle or when memory runs out.
HGLOBAL CopyBlock(HGLOBAL src) {
  const size_t size = GlobalSize(src);
  const void* from = GlobalLock(src);
  if (!from) return 0;
  HGLOBAL dst = GlobalAlloc(GMEM_MOVEABLE, size);
  if (dst) {
    void* to = GlobalLock(dst);
    if (size) std::memcpy(to, from, size);
    GlobalUnlock(dst);
  }
  GlobalUnlock(src);
  return dst;
}

HGLOBAL BlockOf(const void* data, size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!h) return 0;
  void* to = GlobalLock(h);
  if (size) std::memcpy(to, data, size);
  GlobalUnlock(h);
  return h;
}

}  // namespace

void ReleaseStgMedium(STGMEDIUM* medium) {
  if (!medium) return;
  if (medium->pUnkForRelease) {
    medium->pUnkForRelease->Release();
  } else if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal) {
    GlobalFree(medium->hGlobal);
  }
  *medium = STGMEDIUM{};
}

// ---- Data objects ----------------------------------------------------------------

namespace {

class TFormatEnumerator final : public TComObject<IEnumFORMATETC, IID_IEnumFORMATETC> {
 public:
  explicit TFormatEnumerator(std::vector<FORMATETC> formats, size_t index = 0)
      : FFormats(std::move(formats)), FIndex(index) {}

  HRESULT Next(uint32_t count, FORMATETC* formats, uint32_t* fetched) override {
    if (!formats && count) return E_POINTER;
    uint32_t n = 0;
    while (n < count && FIndex < FFormats.size()) formats[n++] = FFormats[FIndex++];
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(uint32_t count) override {
    const size_t left = FFormats.size() - FIndex;
    FIndex += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    FIndex = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumFORMATETC** clone) override {
    if (!clone) return E_POINTER;
    *clone = new TFormatEnumerator(FFormats, FIndex);
    return S_OK;
  }

 private:
  std::vector<FORMATETC> FFormats;
  size_t FIndex;
};

class TDataObject final : public TComObject<IDataObject, IID_IDataObject> {
 public:
  ~TDataObject() override {
    for (const TEntry& e : FEntries) GlobalFree(e.Data);
  }

  HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_POINTER;
    *medium = STGMEDIUM{};
    const HRESULT hr = QueryGetData(format);
    if (hr != S_OK) return hr;
    HGLOBAL copy = CopyBlock(Find(format->cfFormat)->Data);
    if (!copy) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    return S_OK;
  }
  HRESULT QueryGetData(const FORMATETC* format) override {
    if (!format) return E_POINTER;
    if (!Find(format->cfFormat) || format->dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    if ((format->tymed & TYMED_HGLOBAL) == 0) return DV_E_TYMED;
    return S_OK;
  }
  HRESULT SetData(const FORMATETC* format, STGMEDIUM* medium, bool release) override {
    if (!format || !medium) return E_POINTER;
    if (medium->tymed != TYMED_HGLOBAL || (format->tymed & TYMED_HGLOBAL) == 0) return DV_E_TYMED;
    HGLOBAL data = release ? medium->hGlobal : CopyBlock(medium->hGlobal);
    if (!data) return release ? E_INVALIDARG : E_OUTOFMEMORY;
    if (release && medium->pUnkForRelease) {
      // The block stays owned by its releaser; keep a copy of our own.
      data = CopyBlock(medium->hGlobal);
      if (!data) return E_OUTOFMEMORY;
      ReleaseStgMedium(medium);
    } else if (release) {
      *medium = STGMEDIUM{};
    }
    if (TEntry* e = Find(format->cfFormat)) {
      GlobalFree(e->Data);
      e->Data = data;
    } else {
      FORMATETC f = *format;
      f.ptd = nullptr;
      f.tymed = TYMED_HGLOBAL;
      FEntries.push_back(TEntry{f, data});
    }
    return S_OK;
  }
  HRESULT EnumFormatEtc(uint32_t direction, IEnumFORMATETC** formats) override {
    if (!formats) return E_POINTER;
    *formats = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> list;
    for (const TEntry& e : FEntries) list.push_back(e.Format);
    *formats = new TFormatEnumerator(std::move(list));
    return S_OK;
  }

 private:
  struct TEntry {
    FORMATETC Format;
    HGLOBAL Data;
  };
  std::vector<TEntry> FEntries;

  TEntry* Find(CLIPFORMAT format) {
    for (TEntry& e : FEntries)
      if (e.Format.cfFormat == format) return &e;
    return nullptr;
  }
};

}  // namespace

IDataObject* CreateDataObject() { return new TDataObject; }

// ---- File lists ----------------------------------------------------------------------

HGLOBAL CreateDropFilesBlock(const std::vector<String>& paths, TPoint pt, bool nonClient) {
  std::u16string names;
  for (const String& p : paths) {
    names += UTF8ToUTF16(p);
    names += u'\0';
  }
  names += u'\0';
  DROPFILES head;
  head.pFiles = sizeof(DROPFILES);  // even, so every UTF-16 unit is aligned
  head.pt = pt;
  head.fNC = nonClient ? 1 : 0;
  head.fWide = 1;
  const size_t size = sizeof(DROPFILES) + names.size() * sizeof(char16_t);
  HGLOBAL h = GlobalAlloc(GHND, size);
  if (!h) return 0;
  uint8_t* p = static_cast<uint8_t*>(GlobalLock(h));
  std::memcpy(p, &head, sizeof head);
  // Little-endian units, written byte by byte so the layout does not depend
  // on the host.
  uint8_t* q = p + sizeof head;
  for (char16_t c : names) {
    *q++ = static_cast<uint8_t>(c & 0xFF);
    *q++ = static_cast<uint8_t>(c >> 8);
  }
  GlobalUnlock(h);
  return h;
}

IDataObject* CreateFileListDataObject(const std::vector<String>& paths, uint32_t effect) {
  IDataObject* data = CreateDataObject();
  FORMATETC f;
  f.cfFormat = CF_HDROP;
  STGMEDIUM m;
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = CreateDropFilesBlock(paths);
  if (!m.hGlobal || data->SetData(&f, &m, true) != S_OK) {
    ReleaseStgMedium(&m);
    data->Release();
    return nullptr;
  }
  if (effect != DROPEFFECT_NONE) {
    f.cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT));
    uint8_t bytes[4] = {uint8_t(effect), uint8_t(effect >> 8), uint8_t(effect >> 16), uint8_t(effect >> 24)};
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = BlockOf(bytes, sizeof bytes);
    if (!m.hGlobal || data->SetData(&f, &m, true) != S_OK) {
      ReleaseStgMedium(&m);
      data->Release();
      return nullptr;
    }
  }
  return data;
}

namespace {

// The names of a DROPFILES block, read within its size. A name runs to its
// terminator or to the end of the block; an empty name ends the list.
struct TDropList {
  bool Valid = false;
  bool Wide = false;
  TPoint Pt;
  bool NonClient = false;
  std::vector<String> Narrow;         // UTF-8 names (8-bit lists)
  std::vector<WideString> WideNames;  // UTF-16 names (wide lists)
  size_t Count() const { return Wide ? WideNames.size() : Narrow.size(); }
};

// Lists longer than this are cut; every name costs at least one unit, so a
// block cannot hold more than its size anyway, but the parse must stay cheap.
constexpr size_t kMaxDropNames = 1 << 16;

TDropList ReadDropList(HDROP drop, bool headerOnly) {
  TDropList out;
  const size_t size = GlobalSize(drop);
  const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(drop));
  if (!p) return out;
  if (size >= sizeof(DROPFILES)) {
    const uint32_t offset = GetLE32(p);
    out.Pt = TPoint{static_cast<int32_t>(GetLE32(p + 4)), static_cast<int32_t>(GetLE32(p + 8))};
    out.NonClient = GetLE32(p + 12) != 0;
    out.Wide = GetLE32(p + 16) != 0;
    out.Valid = true;
    if (!headerOnly && offset <= size) {
      size_t pos = offset;
      if (out.Wide) {
        while (pos + 2 <= size && out.WideNames.size() < kMaxDropNames) {
          WideString name;
          bool ended = false;
          while (pos + 2 <= size) {
            const char16_t c = static_cast<char16_t>(p[pos] | (p[pos + 1] << 8));
            pos += 2;
            if (c == 0) {
              ended = true;
              break;
            }
            name += c;
          }
          if (name.empty()) break;
          out.WideNames.push_back(std::move(name));
          if (!ended) break;
        }
      } else {
        while (pos < size && out.Narrow.size() < kMaxDropNames) {
          const uint8_t* start = p + pos;
          const void* nul = std::memchr(start, 0, size - pos);
          const size_t len = nul ? static_cast<const uint8_t*>(nul) - start : size - pos;
          if (len == 0) break;
          out.Narrow.emplace_back(reinterpret_cast<const char*>(start), len);
          pos += len + 1;
        }
      }
    }
  }
  GlobalUnlock(drop);
  return out;
}

// Copies a name cut to size - 1 units (never inside a UTF-8 sequence or a
// surrogate pair) with a terminator; answers the units copied, or the full
// length without a buffer.
template <class Ch>
uint32_t CopyName(const std::basic_string<Ch>& name, Ch* buffer, uint32_t size) {
  const uint32_t len = static_cast<uint32_t>(name.size());
  if (!buffer) return len;
  if (size == 0) return 0;
  uint32_t n = len < size - 1 ? len : size - 1;
  if (n < len) {
    if constexpr (sizeof(Ch) == 1) {
      while (n > 0 && (uint8_t(name[n]) & 0xC0) == 0x80) --n;
    } else {
      if (n > 0 && (uint16_t(name[n]) & 0xFC00) == 0xDC00) --n;
    }
  }
  std::memcpy(buffer, name.data(), n * sizeof(Ch));
  buffer[n] = 0;
  return n;
}

}  // namespace

uint32_t DragQueryFile(HDROP drop, uint32_t file, char* buffer, uint32_t size) {
  const TDropList list = ReadDropList(drop, false);
  if (!list.Valid) return 0;
  if (file == 0xFFFFFFFFu) return static_cast<uint32_t>(list.Count());
  if (file >= list.Count()) return 0;
  const String name = list.Wide ? UTF16ToUTF8(list.WideNames[file]) : list.Narrow[file];
  return CopyName(name, buffer, size);
}

uint32_t DragQueryFileW(HDROP drop, uint32_t file, char16_t* buffer, uint32_t size) {
  const TDropList list = ReadDropList(drop, false);
  if (!list.Valid) return 0;
  if (file == 0xFFFFFFFFu) return static_cast<uint32_t>(list.Count());
  if (file >= list.Count()) return 0;
  const WideString name = list.Wide ? list.WideNames[file] : UTF8ToUTF16(list.Narrow[file]);
  return CopyName(name, buffer, size);
}

bool DragQueryPoint(HDROP drop, TPoint* pt) {
  const TDropList list = ReadDropList(drop, true);
  if (!list.Valid) return false;
  if (pt) *pt = list.Pt;
  return !list.NonClient;
}

void DragFinish(HDROP drop) { GlobalFree(drop); }

// ---- Registration --------------------------------------------------------------------

namespace {

std::unordered_map<HWND, IDropTarget*>& Targets() {
  static auto* targets = new std::unordered_map<HWND, IDropTarget*>;
  return *targets;
}

// The registered target of the window under the point or its nearest
// ancestor; the window it belongs to in *owner.
IDropTarget* TargetAt(TPoint screen, HWND* owner) {
  *owner = nullptr;
  const HWND desktop = GetDesktopWindow();
  for (HWND h = WindowFromPoint(screen); h && h != desktop; h = GetAncestor(h, GA_PARENT)) {
    auto it = Targets().find(h);
    if (it != Targets().end()) {
      *owner = h;
      return it->second;
    }
  }
  return nullptr;
}

uint32_t KeyState() {
  uint32_t k = 0;
  if (GetKeyState(VK_LBUTTON) < 0) k |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) k |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) < 0) k |= MK_MBUTTON;
  if (GetKeyState(VK_SHIFT) < 0) k |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) k |= MK_CONTROL;
  if (GetKeyState(VK_MENU) < 0) k |= MK_ALT;
  return k;
}

constexpr uint32_t kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

const char* const kTrackerClass = "OleDragTracker";

LRESULT TrackerProc(HWND hwnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

HWND CreateTracker() {
  WNDCLASS wc;
  wc.lpfnWndProc = TrackerProc;
  wc.lpszClassName = kTrackerClass;
  RegisterClass(wc);  // fails harmlessly once registered
  return CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kTrackerClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                        nullptr, nullptr);
}

// The target currently under the drag, entered or not.
struct TDragOver {
  IDataObject* Data = nullptr;
  uint32_t Ok = 0;
  HWND Wnd = nullptr;             // window whose registration is under the pointer
  IDropTarget* Target = nullptr;  // entered target (a reference held), nullptr when none
  uint32_t Effect = DROPEFFECT_NONE;

  void Leave() {
    if (Target) {
      Target->DragLeave();
      Target->Release();
    }
    Target = nullptr;
    Wnd = nullptr;
    Effect = DROPEFFECT_NONE;
  }

  void Move(TPoint pt, uint32_t keys) {
    HWND wnd;
    IDropTarget* t = TargetAt(pt, &wnd);
    const POINTL p{pt.X, pt.Y};
    if (wnd != Wnd || (t && t != Target && Target)) {
      Leave();
      Wnd = wnd;
      if (t) {
        uint32_t e = Ok;
        t->AddRef();
        if (t->DragEnter(Data, keys, p, &e) == S_OK) {
          Target = t;
          Effect = e & (Ok | DROPEFFECT_SCROLL);
        } else {
          t->Release();  // refused: not entered, no DragLeave
        }
      }
    } else if (Target) {
      uint32_t e = Ok;
      Target->DragOver(keys, p, &e);
      Effect = e & (Ok | DROPEFFECT_SCROLL);
    }
  }
};

}  // namespace

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target) {
  if (!target) return E_INVALIDARG;
  if (!WinFind(hwnd)) return DRAGDROP_E_INVALIDHWND;
  if (Targets().count(hwnd)) return DRAGDROP_E_ALREADYREGISTERED;
  target->AddRef();
  Targets()[hwnd] = target;
  return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
  auto it = Targets().find(hwnd);
  if (it == Targets().end()) return WinFind(hwnd) ? DRAGDROP_E_NOTREGISTERED : DRAGDROP_E_INVALIDHWND;
  IDropTarget* t = it->second;
  Targets().erase(it);
  t->Release();
  return S_OK;
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, uint32_t okEffects, uint32_t* effect) {
  WinAssertMainThread("DoDragDrop");
  if (!data || !source || !effect) return E_INVALIDARG;
  *effect = DROPEFFECT_NONE;
  const HWND tracker = CreateTracker();
  if (!tracker) return E_OUTOFMEMORY;
  data->AddRef();
  SetCapture(tracker);
  TDragOver over;
  over.Data = data;
  over.Ok = okEffects;
  TPoint pt;
  GetCursorPos(&pt);
  uint32_t keys = KeyState();
  over.Move(pt, keys);
  source->GiveFeedback(over.Effect);
  HRESULT result = DRAGDROP_S_CANCEL;
  {
    TWinLoopScope scope("DoDragDrop");
    TMSG m;
    while (true) {
      if (GetCapture() != tracker) break;  // capture taken away: cancel
      const int32_t r = GetMessage(&m, nullptr, 0, 0);
      if (r == 0) {
        PostQuitMessage(static_cast<int32_t>(m.wParam));
        break;
      }
      if (r < 0) break;
      const bool mouse = (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) ||
                         (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDBLCLK);
      const bool key = m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST;
      if (!mouse && !key) {
        TranslateMessage(&m);
        DispatchMessage(&m);
        continue;
      }
      if (mouse) pt = m.pt;
      const bool escape = key && (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) && m.wParam == VK_ESCAPE;
      keys = KeyState();
      const HRESULT hr = source->QueryContinueDrag(escape, keys);
      if (hr == DRAGDROP_S_DROP) {
        if (over.Target && (over.Effect & ~DROPEFFECT_SCROLL) != DROPEFFECT_NONE) {
          uint32_t e = okEffects;
          IDropTarget* t = over.Target;
          over.Target = nullptr;
          const HRESULT d = t->Drop(data, keys, POINTL{pt.X, pt.Y}, &e);
          t->Release();
          *effect = SUCCEEDED(d) ? (e & okEffects) : DROPEFFECT_NONE;
        } else {
          over.Leave();
        }
        result = DRAGDROP_S_DROP;
        break;
      }
      if (hr != S_OK) {
        result = DRAGDROP_S_CANCEL;
        break;
      }
      over.Move(pt, keys);
      source->GiveFeedback(over.Effect);
    }
  }
  over.Leave();
  if (GetCapture() == tracker) ReleaseCapture();
  DestroyWindow(tracker);
  data->Release();
  return result;
}

// ---- Drops from outside ---------------------------------------------------------------

bool WinOleDropFiles(const std::vector<String>& files, TPoint screen, uint32_t keys) {
  HWND wnd;
  IDropTarget* t = TargetAt(screen, &wnd);
  if (!t || files.empty()) return false;
  TPoint client = screen;
  ScreenToClient(wnd, &client);
  IDataObject* data = CreateDataObject();
  FORMATETC f;
  f.cfFormat = CF_HDROP;
  STGMEDIUM m;
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = CreateDropFilesBlock(files, client);
  if (!m.hGlobal || data->SetData(&f, &m, true) != S_OK) {
    ReleaseStgMedium(&m);
    data->Release();
    return false;
  }
  const POINTL p{screen.X, screen.Y};
  bool dropped = false;
  t->AddRef();
  uint32_t e = kAllEffects;
  if (t->DragEnter(data, keys, p, &e) == S_OK) {
    e = kAllEffects;
    t->DragOver(keys, p, &e);
    if ((e & kAllEffects) != DROPEFFECT_NONE) {
      e = kAllEffects;
      dropped = SUCCEEDED(t->Drop(data, keys, p, &e)) && (e & kAllEffects) != DROPEFFECT_NONE;
    } else {
      t->DragLeave();
    }
  }
  t->Release();
  data->Release();
  return dropped;
}

void WinOleWindowGone(HWND hwnd) {
  auto it = Targets().find(hwnd);
  if (it == Targets().end()) return;
  IDropTarget* t = it->second;
  Targets().erase(it);
  t->Release();
}

void WinOleReset() {
  std::vector<IDropTarget*> all;
  for (auto& [h, t] : Targets()) all.push_back(t);
  Targets().clear();
  for (IDropTarget* t : all) t->Release();
}
