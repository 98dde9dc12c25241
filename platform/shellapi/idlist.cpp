#include "platform/shellapi/idlist.h"

#include <cstring>

#include "platform/shellapi/shell_internal.h"
#include "platform/rtl/byteorder.h"

namespace {

// Walks the list: offsets of every item and the total size with the
// terminator. False when malformed or running past the list's block.
bool Walk(const void* pidl, std::vector<size_t>* offsets, size_t& total) {
  if (!pidl) return false;
  const uint8_t* p = static_cast<const uint8_t*>(pidl);
  size_t limit = 0;
  const bool bounded = TaskMemBytesFrom(pidl, limit);
  size_t off = 0;
  for (;;) {
    if (bounded && off + 2 > limit) return false;
    const uint16_t cb = GetLE16(p + off);
    if (cb == 0) {
      total = off + 2;
      return true;
    }
    if (cb < 4) return false;
    if (bounded && off + cb + 2 > limit) return false;
    if (offsets) offsets->push_back(off);
    off += cb;
    if (off > 0x7FFFFFFF) return false;
  }
}

}  // namespace

uint32_t ILGetSize(PCUIDLIST_RELATIVE pidl) {
  size_t total = 0;
  return Walk(pidl, nullptr, total) ? static_cast<uint32_t>(total) : 0;
}

int32_t ILCount(PCUIDLIST_RELATIVE pidl) {
  std::vector<size_t> offs;
  size_t total = 0;
  if (!Walk(pidl, &offs, total)) return -1;
  return static_cast<int32_t>(offs.size());
}

bool ILIsEmpty(PCUIDLIST_RELATIVE pidl) {
  if (!pidl) return true;
  size_t limit = 0;
  if (TaskMemBytesFrom(pidl, limit) && limit < 2) return true;
  return GetLE16(reinterpret_cast<const uint8_t*>(pidl)) == 0;
}

PCUIDLIST_RELATIVE ILGetNext(PCUIDLIST_RELATIVE pidl) {
  std::vector<size_t> offs;
  size_t total = 0;
  if (!Walk(pidl, &offs, total) || offs.empty()) return nullptr;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(pidl);
  return reinterpret_cast<PCUIDLIST_RELATIVE>(p + (offs.size() > 1 ? offs[1] : total - 2));
}

PCUIDLIST_RELATIVE ILFindLastID(PCUIDLIST_RELATIVE pidl) {
  std::vector<size_t> offs;
  size_t total = 0;
  if (!Walk(pidl, &offs, total)) return nullptr;
  if (offs.empty()) return pidl;
  return reinterpret_cast<PCUIDLIST_RELATIVE>(reinterpret_cast<const uint8_t*>(pidl) + offs.back());
}

bool ILRemoveLastID(PIDLIST_RELATIVE pidl) {
  std::vector<size_t> offs;
  size_t total = 0;
  if (!Walk(pidl, &offs, total) || offs.empty()) return false;
  uint8_t* p = reinterpret_cast<uint8_t*>(pidl);
  p[offs.back()] = 0;
  p[offs.back() + 1] = 0;
  return true;
}

PIDLIST_RELATIVE ILClone(PCUIDLIST_RELATIVE pidl) {
  size_t total = 0;
  if (!Walk(pidl, nullptr, total)) return nullptr;
  void* copy = CoTaskMemAlloc(total);
  if (!copy) return nullptr;
  std::memcpy(copy, pidl, total);
  return static_cast<PIDLIST_RELATIVE>(copy);
}

PITEMID_CHILD ILCloneFirst(PCUIDLIST_RELATIVE pidl) {
  std::vector<size_t> offs;
  size_t total = 0;
  if (!Walk(pidl, &offs, total)) return nullptr;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(pidl);
  const size_t first = offs.empty() ? 0 : GetLE16(p);
  auto* copy = static_cast<uint8_t*>(CoTaskMemAlloc(first + 2));
  if (!copy) return nullptr;
  std::memcpy(copy, p, first);
  return reinterpret_cast<PITEMID_CHILD>(copy);
}

PIDLIST_ABSOLUTE ILCombine(PCIDLIST_ABSOLUTE first, PCUIDLIST_RELATIVE second) {
  if (!first && !second) return nullptr;
  size_t a = 0, b = 0;
  if (first && !Walk(first, nullptr, a)) return nullptr;
  if (second && !Walk(second, nullptr, b)) return nullptr;
  const size_t headBytes = first ? a - 2 : 0;
  const size_t tailBytes = second ? b : 2;
  auto* out = static_cast<uint8_t*>(CoTaskMemAlloc(headBytes + tailBytes));
  if (!out) return nullptr;
  if (first) std::memcpy(out, first, headBytes);
  if (second) std::memcpy(out + headBytes, second, tailBytes);
  return reinterpret_cast<PIDLIST_ABSOLUTE>(out);
}

bool ILIsEqual(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b) {
  if (!a || !b) return false;
  ComPtr<IShellFolder> desktop;
  SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf());
  const HRESULT hr = desktop->CompareIDs(SHCIDS_CANONICALONLY, a, b);
  return SUCCEEDED(hr) && CompareIDsResult(hr) == 0;
}

bool ILIsParent(PCIDLIST_ABSOLUTE parent, PCIDLIST_ABSOLUTE child, bool immediate) {
  TItems p, c;
  if (!DecodeList(parent, p) || !DecodeList(child, c)) return false;
  if (c.size() <= p.size()) return false;
  if (immediate && c.size() != p.size() + 1) return false;
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i].Kind != c[i].Kind || p[i].Payload != c[i].Payload) return false;
  return true;
}

void ILFree(void* pidl) { CoTaskMemFree(pidl); }

HRESULT ILValidate(PCUIDLIST_RELATIVE pidl) {
  TItems items;
  return DecodeList(pidl, items) ? S_OK : E_INVALIDARG;
}

// ---- Item coding ----------------------------------------------------------------------

bool DecodeItem(const uint8_t* item, size_t cb, TItem& out) {
  if (cb < 4) return false;
  out.Kind = item[2];
  out.Flags = item[3];
  out.Payload.assign(reinterpret_cast<const char*>(item + 4), cb - 4);
  switch (out.Kind) {
    case SHITEM_FILE:
      if (out.Payload.empty() || out.Payload == "." || out.Payload == "..") return false;
      return out.Payload.find('/') == String::npos && out.Payload.find('\0') == String::npos;
    case SHITEM_VOLUME: return !out.Payload.empty() && out.Payload[0] == '/' && out.Payload.find('\0') == String::npos;
    case SHITEM_HOME:
    case SHITEM_COMPUTER:
    case SHITEM_TRASH: return out.Payload.empty();
    default: return false;
  }
}

bool DecodeList(PCUIDLIST_RELATIVE pidl, TItems& out) {
  out.clear();
  std::vector<size_t> offs;
  size_t total = 0;
  if (!Walk(pidl, &offs, total)) return false;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(pidl);
  for (size_t off : offs) {
    TItem it;
    if (!DecodeItem(p + off, GetLE16(p + off), it)) return false;
    out.push_back(std::move(it));
  }
  return true;
}

ITEMIDLIST* EncodeList(const TItems& items) {
  size_t total = 2;
  for (const TItem& it : items) {
    if (it.Payload.size() > 0xFFFF - 4) return nullptr;
    total += 4 + it.Payload.size();
  }
  auto* out = static_cast<uint8_t*>(CoTaskMemAlloc(total));
  if (!out) return nullptr;
  size_t off = 0;
  for (const TItem& it : items) {
    const size_t cb = 4 + it.Payload.size();
    out[off] = static_cast<uint8_t>(cb & 0xFF);
    out[off + 1] = static_cast<uint8_t>(cb >> 8);
    out[off + 2] = it.Kind;
    out[off + 3] = it.Flags;
    if (!it.Payload.empty()) std::memcpy(out + off + 4, it.Payload.data(), it.Payload.size());
    off += cb;
  }
  return reinterpret_cast<ITEMIDLIST*>(out);
}

TItem FileItem(const String& name, uint8_t flags) {
  TItem it;
  it.Kind = SHITEM_FILE;
  it.Flags = flags;
  it.Payload = name;
  return it;
}
