// The namespace: places of lists, attributes, names, order, the folder
// objects and their enumeration, parsing and special folders.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/threads.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellvolumes.h"
#include "platform/shellapi/xdgdirs.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr size_t kHiddenFileMax = 64 * 1024;
constexpr int kSubfolderScanLimit = 4096;

bool LStat(const String& path, struct stat& st) { return ::lstat(path.c_str(), &st) == 0; }
bool Stat(const String& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

bool InGroups(gid_t gid) {
  if (gid == getegid()) return true;
  gid_t groups[256];
  const int n = getgroups(256, groups);
  for (int i = 0; i < n; ++i)
    if (groups[i] == gid) return true;
  return false;
}

bool ModeAllows(const struct stat& st, mode_t userBit, mode_t groupBit, mode_t otherBit) {
  if (st.st_uid == geteuid()) return (st.st_mode & userBit) != 0;
  if (InGroups(st.st_gid)) return (st.st_mode & groupBit) != 0;
  return (st.st_mode & otherBit) != 0;
}

String LowerExt(const String& name) {
  const size_t dot = name.rfind('.');
  if (dot == String::npos || dot == 0) return String();
  return LowerCase(name.substr(dot));
}

HRESULT MakeStrRet(const String& text, bool keepBytes, STRRET* out) {
  if (!out) return E_POINTER;
  out->pOleStr = nullptr;
  out->cStr.clear();
  out->uOffset = 0;
  if (keepBytes && !IsValidUTF8(text)) {
    out->uType = STRRET_CSTR;
    out->cStr = text;
    return S_OK;
  }
  const WideString w = UTF8ToUTF16(text);
  auto* p = static_cast<char16_t*>(CoTaskMemAlloc((w.size() + 1) * sizeof(char16_t)));
  if (!p) return E_OUTOFMEMORY;
  if (!w.empty()) std::memcpy(p, w.data(), w.size() * sizeof(char16_t));
  p[w.size()] = 0;
  out->uType = STRRET_WSTR;
  out->pOleStr = p;
  return S_OK;
}

HRESULT ShortResult(int r) {
  return MAKE_HRESULT(0, 0, static_cast<uint16_t>(static_cast<int16_t>(r < 0 ? -1 : r > 0 ? 1 : 0)));
}

int KindRank(uint8_t kind) {
  switch (kind) {
    case SHITEM_HOME: return 0;
    case SHITEM_COMPUTER: return 1;
    case SHITEM_TRASH: return 2;
    case SHITEM_VOLUME: return 3;
    default: return 4;
  }
}

// Splits a name into segments; ".." refused unless allowDotDot (then popped).
bool SplitSegments(const String& text, bool allowDotDot, std::vector<String>& out) {
  out.clear();
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t slash = text.find('/', pos);
    if (slash == String::npos) slash = text.size();
    String seg = text.substr(pos, slash - pos);
    pos = slash + 1;
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!allowDotDot) return false;
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(seg);
  }
  return true;
}

class TEnumIDList final : public TComObject<IEnumIDList, IID_IEnumIDList> {
 public:
  explicit TEnumIDList(TItems items) : FItems(std::move(items)) {}
  HRESULT Next(uint32_t count, PITEMID_CHILD* items, uint32_t* fetched) override {
    if (!items) return E_POINTER;
    uint32_t n = 0;
    while (n < count && FNext < FItems.size()) {
      ITEMIDLIST* one = EncodeList({FItems[FNext]});
      if (!one) break;
      items[n++] = one;
      ++FNext;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(uint32_t count) override {
    const size_t left = FItems.size() - FNext;
    FNext += std::min<size_t>(left, count);
    return left >= count ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    FNext = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumIDList** clone) override {
    if (!clone) return E_POINTER;
    auto* c = new TEnumIDList(FItems);
    c->FNext = FNext;
    *clone = c;
    return S_OK;
  }

 private:
  ~TEnumIDList() = default;
  TItems FItems;
  size_t FNext = 0;
};

// A folder: its absolute items and the place they lead to. Immutable.
class TShellFolder final : public TComObject<IShellFolder, IID_IShellFolder> {
 public:
  TShellFolder(TItems abs, TLocation loc, bool immortal)
      : FAbs(std::move(abs)), FLoc(std::move(loc)), FImmortal(immortal) {}

  const TItems& Abs() const { return FAbs; }
  const TLocation& Loc() const { return FLoc; }

  // The desktop is one object for the program's whole run: counting never frees it.
  uint32_t AddRef() override { return FImmortal ? 2 : TComObject::AddRef(); }
  uint32_t Release() override { return FImmortal ? 1 : TComObject::Release(); }

  HRESULT ParseDisplayName(HWND, void*, const String& displayName, uint32_t* eaten, PIDLIST_RELATIVE* pidl,
                           SFGAOF* attributes) override;
  HRESULT EnumObjects(HWND, uint32_t flags, IEnumIDList** enumList) override;
  HRESULT BindToObject(PCUIDLIST_RELATIVE pidl, void*, REFIID riid, void** object) override;
  HRESULT BindToStorage(PCUIDLIST_RELATIVE, void*, REFIID, void** object) override {
    if (object) *object = nullptr;
    return E_NOTIMPL;
  }
  HRESULT CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override;
  HRESULT CreateViewObject(HWND owner, REFIID riid, void** object) override;
  HRESULT GetAttributesOf(uint32_t count, PCUITEMID_CHILD_ARRAY items, SFGAOF* inOut) override;
  HRESULT GetUIObjectOf(HWND owner, uint32_t count, PCUITEMID_CHILD_ARRAY items, REFIID riid, uint32_t*,
                        void** object) override;
  HRESULT GetDisplayNameOf(PCUITEMID_CHILD pidl, uint32_t flags, STRRET* name) override;
  HRESULT SetNameOf(HWND, PCUITEMID_CHILD pidl, const String& name, uint32_t flags, PITEMID_CHILD* newPidl) override;

 private:
  ~TShellFolder() = default;
  // Items below this folder for a relative name; an HRESULT on failure.
  HRESULT ParseRelative(const String& base, const std::vector<String>& segs, TItems& out) const;
  int CompareOne(const TLocation& parent, const TItem& a, const TItem& b, uint32_t column) const;

  const TItems FAbs;
  const TLocation FLoc;
  const bool FImmortal;
};

TShellFolder* Desktop() {
  static TShellFolder* d = new TShellFolder(TItems{}, TLocation{}, true);
  return d;
}

// ---- Parsing ------------------------------------------------------------------------------

HRESULT TShellFolder::ParseRelative(const String& base, const std::vector<String>& segs, TItems& out) const {
  String path = base;
  for (size_t i = 0; i < segs.size(); ++i) {
    path = JoinPath(path, segs[i]);
    struct stat st;
    if (!LStat(path, st)) {
      const bool last = i + 1 == segs.size();
      return HRESULT_FROM_WIN32(last && errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    }
    out.push_back(FileItem(segs[i], EntryFlags(path, segs[i], false)));
  }
  return S_OK;
}

HRESULT TShellFolder::ParseDisplayName(HWND, void*, const String& displayName, uint32_t* eaten, PIDLIST_RELATIVE* pidl,
                                       SFGAOF* attributes) {
  if (!pidl) return E_POINTER;
  *pidl = nullptr;
  if (displayName.empty() || displayName.find('\0') != String::npos) return E_INVALIDARG;
  TItems out;
  if (FLoc.Kind == TLocKind::Desktop && displayName.compare(0, 2, "::") == 0) {
    TItem it;
    if (displayName == "::Home")
      it.Kind = SHITEM_HOME;
    else if (displayName == "::Computer")
      it.Kind = SHITEM_COMPUTER;
    else if (displayName == "::Trash")
      it.Kind = SHITEM_TRASH;
    else
      return E_INVALIDARG;
    out.push_back(it);
  } else if (displayName[0] == '/') {
    if (FLoc.Kind != TLocKind::Desktop && FLoc.Kind != TLocKind::Computer) return E_INVALIDARG;
    std::vector<String> segs;
    SplitSegments(displayName, true, segs);
    String best = LongestVolume(displayName, ShellVolumes());
    std::vector<String> vs;
    SplitSegments(best, true, vs);
    const size_t bestSegs = vs.size();
    struct stat st;
    if (!Stat(best, st)) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    if (FLoc.Kind == TLocKind::Desktop) {
      TItem c;
      c.Kind = SHITEM_COMPUTER;
      out.push_back(c);
    }
    TItem vol;
    vol.Kind = SHITEM_VOLUME;
    vol.Flags = SHITEMFLAG_DIRECTORY;
    vol.Payload = best;
    out.push_back(vol);
    const std::vector<String> rest(segs.begin() + long(bestSegs), segs.end());
    if (HRESULT hr = ParseRelative(best, rest, out); FAILED(hr)) return hr;
  } else {
    String base;
    switch (FLoc.Kind) {
      case TLocKind::Desktop: base = DesktopDirectory(); break;
      case TLocKind::Computer: return E_INVALIDARG;
      default: base = FLoc.Path;
    }
    std::vector<String> segs;
    if (!SplitSegments(displayName, false, segs)) return E_INVALIDARG;
    if (segs.empty()) return E_INVALIDARG;
    if (HRESULT hr = ParseRelative(base, segs, out); FAILED(hr)) return hr;
  }
  *pidl = EncodeList(out);
  if (!*pidl) return E_OUTOFMEMORY;
  if (eaten) *eaten = static_cast<uint32_t>(displayName.size());
  if (attributes && *attributes) {
    // The attributes of the last item, seen from its own parent.
    TItems abs = FAbs;
    abs.insert(abs.end(), out.begin(), out.end() - 1);
    TLocation parent;
    *attributes = ResolveItems(abs, parent) ? ItemAttributes(parent, out.back(), *attributes) : 0;
  }
  return S_OK;
}

// ---- Enumeration --------------------------------------------------------------------------

HRESULT ListDirectory(const String& dir, uint32_t flags, bool trashTop, TItems& out) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) {
    const int err = errno;
    if (err == EACCES || err == EPERM) return E_ACCESSDENIED;
    return HRESULT_FROM_WIN32(err == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(err));
  }
  std::vector<String> names;
  while (struct dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  const std::vector<String> hidden = HiddenNames(dir);
  for (const String& name : names) {
    const bool listed = std::binary_search(hidden.begin(), hidden.end(), name);
    const String path = JoinPath(dir, name);
    const uint8_t f = EntryFlags(path, name, listed);
    if (f == 0xFF) continue;  // gone meanwhile
    const bool folder = (f & SHITEMFLAG_DIRECTORY) != 0;
    if (folder && !(flags & SHCONTF_FOLDERS)) continue;
    if (!folder && !(flags & SHCONTF_NONFOLDERS)) continue;
    if ((f & SHITEMFLAG_HIDDEN) && !(flags & SHCONTF_INCLUDEHIDDEN) && !trashTop) continue;
    out.push_back(FileItem(name, f));
  }
  return S_OK;
}

HRESULT TShellFolder::EnumObjects(HWND, uint32_t flags, IEnumIDList** enumList) {
  if (!enumList) return E_POINTER;
  *enumList = nullptr;
  TItems out;
  switch (FLoc.Kind) {
    case TLocKind::Desktop: {
      if (flags & SHCONTF_FOLDERS)
        for (uint8_t k : {SHITEM_HOME, SHITEM_COMPUTER, SHITEM_TRASH}) {
          TItem it;
          it.Kind = k;
          it.Flags = SHITEMFLAG_DIRECTORY;
          out.push_back(it);
        }
      const String desk = DesktopDirectory();
      struct stat st;
      if (Stat(desk, st) && S_ISDIR(st.st_mode)) ListDirectory(desk, flags, false, out);
      break;
    }
    case TLocKind::Computer:
      if (flags & SHCONTF_FOLDERS)
        for (const String& v : ShellVolumes()) {
          TItem it;
          it.Kind = SHITEM_VOLUME;
          it.Flags = SHITEMFLAG_DIRECTORY;
          it.Payload = v;
          out.push_back(it);
        }
      break;
    case TLocKind::Trash: {
      struct stat st;
      if (!Stat(FLoc.Path, st)) break;  // an empty trash has no folder yet
      if (HRESULT hr = ListDirectory(FLoc.Path, flags, true, out); FAILED(hr)) return hr;
      break;
    }
    default:
      if (HRESULT hr = ListDirectory(FLoc.Path, flags, false, out); FAILED(hr)) return hr;
  }
  *enumList = new TEnumIDList(std::move(out));
  return S_OK;
}

// ---- Binding ------------------------------------------------------------------------------

HRESULT TShellFolder::BindToObject(PCUIDLIST_RELATIVE pidl, void*, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  TItems rel;
  if (!DecodeList(pidl, rel)) return E_INVALIDARG;
  if (!(riid == IID_IShellFolder) && !(riid == IID_IUnknown)) return E_NOINTERFACE;
  TItems abs = FAbs;
  abs.insert(abs.end(), rel.begin(), rel.end());
  TLocation loc;
  if (!ResolveItems(abs, loc) || !IsFolderLocation(loc)) return E_INVALIDARG;
  *object = CreateShellFolder(abs);
  return *object ? S_OK : E_OUTOFMEMORY;
}

// ---- Order ------------------------------------------------------------------------------

int TShellFolder::CompareOne(const TLocation& parent, const TItem& a, const TItem& b, uint32_t column) const {
  if (a.Kind == b.Kind && a.Payload == b.Payload) return 0;
  const int ra = KindRank(a.Kind), rb = KindRank(b.Kind);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (a.Kind == SHITEM_VOLUME) {
    if (a.Payload == "/") return -1;
    if (b.Payload == "/") return 1;
    return a.Payload < b.Payload ? -1 : 1;
  }
  if (a.Kind != SHITEM_FILE) return 0;
  TLocation la, lb;
  ChildLocation(parent, a, la);
  ChildLocation(parent, b, lb);
  struct stat sa {
  }, sb{};
  const bool ha = column != 0 ? Stat(la.Path, sa) : false;
  const bool hb = column != 0 ? Stat(lb.Path, sb) : false;
  const bool fa = column != 0 && ha ? S_ISDIR(sa.st_mode) : (a.Flags & SHITEMFLAG_DIRECTORY) != 0;
  const bool fb = column != 0 && hb ? S_ISDIR(sb.st_mode) : (b.Flags & SHITEMFLAG_DIRECTORY) != 0;
  if (fa != fb) return fa ? -1 : 1;
  int r = 0;
  switch (column) {
    case 1:
      if (!fa && ha && hb && sa.st_size != sb.st_size) r = sa.st_size < sb.st_size ? -1 : 1;
      break;
    case 2: r = CompareText(ShellTypeName(la.Path, fa), ShellTypeName(lb.Path, fb)); break;
    case 3:
      if (ha && hb) {
        if (sa.st_mtim.tv_sec != sb.st_mtim.tv_sec)
          r = sa.st_mtim.tv_sec < sb.st_mtim.tv_sec ? -1 : 1;
        else if (sa.st_mtim.tv_nsec != sb.st_mtim.tv_nsec)
          r = sa.st_mtim.tv_nsec < sb.st_mtim.tv_nsec ? -1 : 1;
      }
      break;
    default: break;
  }
  if (r != 0) return r;
  r = NaturalCompare(ItemDisplayName(parent, a), ItemDisplayName(parent, b));
  if (r != 0) return r;
  return a.Payload < b.Payload ? -1 : 1;  // the exact bytes decide
}

HRESULT TShellFolder::CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE pa, PCUIDLIST_RELATIVE pb) {
  TItems a, b;
  if (!DecodeList(pa, a) || !DecodeList(pb, b)) return E_INVALIDARG;
  const uint32_t column = static_cast<uint32_t>(lParam) & SHCIDS_COLUMNMASK;
  if (column > 3) return E_INVALIDARG;
  // One object reached along two routes (Home or the desktop folder versus
  // the volume path) is the same object.
  {
    TItems fa = FAbs, fb = FAbs;
    fa.insert(fa.end(), a.begin(), a.end());
    fb.insert(fb.end(), b.begin(), b.end());
    TLocation la, lb;
    if (ResolveItems(fa, la) && ResolveItems(fb, lb) && !la.Path.empty() && la.Path == lb.Path &&
        la.Kind != TLocKind::Trash && lb.Kind != TLocKind::Trash && la.InTrash == lb.InTrash)
      return ShortResult(0);
  }
  TLocation parent = FLoc;
  TItems base = FAbs;
  size_t i = 0;
  for (;; ++i) {
    if (i == a.size() || i == b.size()) return ShortResult(a.size() == b.size() ? 0 : i == a.size() ? -1 : 1);
    const int r = CompareOne(parent, a[i], b[i], column);
    if (r != 0) return ShortResult(r);
    base.push_back(a[i]);
    TLocation next;
    if (!ChildLocation(parent, a[i], next)) return E_INVALIDARG;
    parent = next;
  }
}

// ---- Attributes and names ----------------------------------------------------------------

HRESULT TShellFolder::GetAttributesOf(uint32_t count, PCUITEMID_CHILD_ARRAY items, SFGAOF* inOut) {
  if (!inOut) return E_POINTER;
  const SFGAOF asked = *inOut;
  if (count == 0) {
    if (FAbs.empty()) {
      *inOut = asked & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER);
      return S_OK;
    }
    TItems parentAbs(FAbs.begin(), FAbs.end() - 1);
    TLocation parent;
    if (!ResolveItems(parentAbs, parent)) return E_INVALIDARG;
    *inOut = ItemAttributes(parent, FAbs.back(), asked);
    return S_OK;
  }
  if (!items) return E_POINTER;
  SFGAOF result = asked;
  for (uint32_t i = 0; i < count; ++i) {
    TItems rel;
    if (!DecodeList(items[i], rel) || rel.empty()) return E_INVALIDARG;
    TLocation parent = FLoc;
    for (size_t k = 0; k + 1 < rel.size(); ++k) {
      TLocation next;
      if (!ChildLocation(parent, rel[k], next)) return E_INVALIDARG;
      parent = next;
    }
    result &= ItemAttributes(parent, rel.back(), result);
    if (result == 0) break;
  }
  *inOut = result;
  return S_OK;
}

HRESULT TShellFolder::GetDisplayNameOf(PCUITEMID_CHILD pidl, uint32_t flags, STRRET* name) {
  if (!name) return E_POINTER;
  TItems rel;
  if (!DecodeList(pidl, rel)) return E_INVALIDARG;
  const bool parsing = (flags & SHGDN_FORPARSING) != 0;
  const bool inFolder = (flags & SHGDN_INFOLDER) != 0;
  if (rel.empty()) {
    // The folder itself.
    if (FAbs.empty()) return MakeStrRet(parsing ? DesktopDirectory() : String("Desktop"), true, name);
    TItems parentAbs(FAbs.begin(), FAbs.end() - 1);
    TLocation parent;
    if (!ResolveItems(parentAbs, parent)) return E_INVALIDARG;
    rel.push_back(FAbs.back());
    TLocation p2 = parent;
    const TItem& it = rel.back();
    if (!parsing) return MakeStrRet(ItemDisplayName(p2, it), false, name);
    TLocation self;
    ChildLocation(p2, it, self);
    if (it.Kind == SHITEM_HOME) return MakeStrRet("::Home", false, name);
    if (it.Kind == SHITEM_COMPUTER) return MakeStrRet("::Computer", false, name);
    if (it.Kind == SHITEM_TRASH) return MakeStrRet("::Trash", false, name);
    String p = self.Path;
    if (it.Kind == SHITEM_VOLUME && p != "/") p += "/";
    return MakeStrRet(inFolder && it.Kind == SHITEM_FILE ? it.Payload : p, true, name);
  }
  TLocation parent = FLoc;
  for (size_t k = 0; k + 1 < rel.size(); ++k) {
    TLocation next;
    if (!ChildLocation(parent, rel[k], next)) return E_INVALIDARG;
    parent = next;
  }
  const TItem& it = rel.back();
  if (!parsing) return MakeStrRet(ItemDisplayName(parent, it), false, name);
  switch (it.Kind) {
    case SHITEM_HOME: return MakeStrRet("::Home", false, name);
    case SHITEM_COMPUTER: return MakeStrRet("::Computer", false, name);
    case SHITEM_TRASH: return MakeStrRet("::Trash", false, name);
    case SHITEM_VOLUME: return MakeStrRet(it.Payload == "/" ? it.Payload : it.Payload + "/", true, name);
    default: break;
  }
  if (inFolder && rel.size() == 1) return MakeStrRet(it.Payload, true, name);
  TLocation self;
  if (!ChildLocation(parent, it, self)) return E_INVALIDARG;
  return MakeStrRet(self.Path, true, name);
}

HRESULT TShellFolder::SetNameOf(HWND, PCUITEMID_CHILD pidl, const String& newName, uint32_t, PITEMID_CHILD* newPidl) {
  if (newPidl) *newPidl = nullptr;
  TItems rel;
  if (!DecodeList(pidl, rel) || rel.size() != 1 || rel[0].Kind != SHITEM_FILE) return E_INVALIDARG;
  if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != String::npos ||
      newName.find('\0') != String::npos)
    return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
  if (FLoc.InTrash || !IsFolderLocation(FLoc) || FLoc.Kind == TLocKind::Computer) return E_ACCESSDENIED;
  TLocation self;
  if (!ChildLocation(FLoc, rel[0], self)) return E_INVALIDARG;
  struct stat st;
  if (!LStat(self.Path, st)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (!PathWritable(ExtractFileDir(self.Path))) return E_ACCESSDENIED;
  const String target = JoinPath(ExtractFileDir(self.Path), newName);
  if (newName != rel[0].Payload) {
    struct stat tst;
    // A name taken by another object is refused; the same object under
    // other letter case is a case-only rename.
    if (LStat(target, tst) && !(tst.st_ino == st.st_ino && tst.st_dev == st.st_dev))
      return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    errno = 0;
    if (!RenameFile(self.Path, target)) {
      if (LStat(target, tst) && !(tst.st_ino == st.st_ino && tst.st_dev == st.st_dev))
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
      return HRESULT_FROM_WIN32(errno ? Win32ErrorFromErrno(errno) : ERROR_ACCESS_DENIED);
    }
  }
  if (newPidl) {
    *newPidl = EncodeList({FileItem(newName, EntryFlags(target, newName, false))});
    if (!*newPidl) return E_OUTOFMEMORY;
  }
  return S_OK;
}

// ---- UI objects ----------------------------------------------------------------------------

HRESULT TShellFolder::GetUIObjectOf(HWND owner, uint32_t count, PCUITEMID_CHILD_ARRAY items, REFIID riid, uint32_t*,
                                    void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (count == 0 || !items) return E_INVALIDARG;
  TItems children;
  std::vector<TLocation> locs;
  for (uint32_t i = 0; i < count; ++i) {
    TItems rel;
    if (!DecodeList(items[i], rel) || rel.size() != 1) return E_INVALIDARG;
    TLocation loc;
    if (!ChildLocation(FLoc, rel[0], loc)) return E_INVALIDARG;
    children.push_back(rel[0]);
    locs.push_back(loc);
  }
  if (riid == IID_IContextMenu) {
    *object = CreateShellContextMenu(owner, FAbs, children);
    return *object ? S_OK : E_OUTOFMEMORY;
  }
  if (riid == IID_IDataObject) {
    std::vector<String> paths;
    for (const TLocation& l : locs) {
      if (l.Path.empty() || l.Kind == TLocKind::Trash) return E_INVALIDARG;
      paths.push_back(l.Path);
    }
    *object = CreateShellDataObject(paths, DROPEFFECT_NONE);
    return *object ? S_OK : E_OUTOFMEMORY;
  }
  if (riid == IID_IDropTarget) {
    if (count != 1 || locs[0].InTrash || locs[0].Path.empty() || !IsFolderLocation(locs[0])) return E_INVALIDARG;
    *object = CreateFolderDropTarget(owner, locs[0].Path);
    return S_OK;
  }
  if (riid == IID_IExtractImage) {
    struct stat st;
    if (count != 1 || children[0].Kind != SHITEM_FILE || !Stat(locs[0].Path, st) || !S_ISREG(st.st_mode))
      return E_INVALIDARG;
    *object = CreateThumbnailExtractor(locs[0].Path);
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT TShellFolder::CreateViewObject(HWND owner, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IDropTarget) {
    String path = FLoc.Kind == TLocKind::Desktop ? DesktopDirectory() : FLoc.Path;
    if (FLoc.InTrash || FLoc.Kind == TLocKind::Computer || path.empty()) return E_NOINTERFACE;
    *object = CreateFolderDropTarget(owner, path);
    return S_OK;
  }
  if (riid == IID_IContextMenu) {
    *object = CreateShellContextMenu(owner, FAbs, TItems{});
    return *object ? S_OK : E_OUTOFMEMORY;
  }
  return E_NOINTERFACE;
}

TShellFolder* OurFolder(IShellFolder* f) { return dynamic_cast<TShellFolder*>(f); }

}  // namespace

// ---- Places ------------------------------------------------------------------------------

String JoinPath(const String& dir, const String& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

String ShellNormalizePath(const String& path) {
  if (path.empty() || path[0] != '/') return path;
  std::vector<String> segs;
  SplitSegments(path, true, segs);
  String out;
  for (const String& s : segs) out += "/" + s;
  return out.empty() ? String("/") : out;
}

String DesktopDirectory() { return XdgUserDir("DESKTOP"); }

String HomeTrashDir() { return XdgDirs()->DataHome + "/Trash"; }

bool ChildLocation(const TLocation& parent, const TItem& child, TLocation& loc) {
  loc = TLocation{};
  switch (child.Kind) {
    case SHITEM_HOME:
      if (parent.Kind != TLocKind::Desktop) return false;
      loc.Kind = TLocKind::Home;
      loc.Path = XdgDirs()->Home;
      return true;
    case SHITEM_COMPUTER:
      if (parent.Kind != TLocKind::Desktop) return false;
      loc.Kind = TLocKind::Computer;
      return true;
    case SHITEM_TRASH:
      if (parent.Kind != TLocKind::Desktop) return false;
      loc.Kind = TLocKind::Trash;
      loc.Path = HomeTrashDir() + "/files";
      loc.InTrash = true;
      return true;
    case SHITEM_VOLUME:
      if (parent.Kind != TLocKind::Computer) return false;
      loc.Kind = TLocKind::Volume;
      loc.Path = child.Payload;
      return true;
    case SHITEM_FILE: {
      if (parent.Kind == TLocKind::Computer) return false;
      const String base = parent.Kind == TLocKind::Desktop ? DesktopDirectory() : parent.Path;
      loc.Kind = TLocKind::Entry;
      loc.Path = JoinPath(base, child.Payload);
      loc.InTrash = parent.InTrash;
      loc.TrashTop = parent.Kind == TLocKind::Trash;
      return true;
    }
    default: return false;
  }
}

bool ResolveItems(const TItems& abs, TLocation& loc) {
  loc = TLocation{};
  for (const TItem& it : abs) {
    TLocation next;
    if (!ChildLocation(loc, it, next)) return false;
    loc = next;
  }
  return true;
}

bool IsFolderLocation(const TLocation& loc) {
  if (loc.Kind != TLocKind::Entry) return true;
  struct stat st;
  return Stat(loc.Path, st) && S_ISDIR(st.st_mode);
}

std::vector<String> HiddenNames(const String& dir) {
  std::vector<String> out;
  const int fd = ::open(JoinPath(dir, ".hidden").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  String text;
  char buf[4096];
  while (text.size() < kHiddenFileMax) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, size_t(n));
  }
  ::close(fd);
  if (text.size() > kHiddenFileMax) text.resize(kHiddenFileMax);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == String::npos) end = text.size();
    String line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) out.push_back(line);
    pos = end + 1;
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool IsHiddenName(const String& dir, const String& name) {
  if (!name.empty() && name[0] == '.') return true;
  const std::vector<String> h = HiddenNames(dir);
  return std::binary_search(h.begin(), h.end(), name);
}

uint8_t EntryFlags(const String& path, const String& name, bool hiddenListed) {
  struct stat lst, st;
  if (!LStat(path, lst)) return 0xFF;
  uint8_t f = 0;
  if (S_ISLNK(lst.st_mode)) {
    f |= SHITEMFLAG_SYMLINK;
    if (Stat(path, st) && S_ISDIR(st.st_mode)) f |= SHITEMFLAG_DIRECTORY;
  } else if (S_ISDIR(lst.st_mode)) {
    f |= SHITEMFLAG_DIRECTORY;
  }
  if ((!name.empty() && name[0] == '.') || hiddenListed) f |= SHITEMFLAG_HIDDEN;
  return f;
}

bool PathWritable(const String& path) {
  struct stat st;
  if (!Stat(path, st)) return false;
  struct statvfs v;
  if (::statvfs(path.c_str(), &v) == 0 && (v.f_flag & ST_RDONLY)) return false;
  return ModeAllows(st, S_IWUSR, S_IWGRP, S_IWOTH);
}

bool PathReadable(const String& path) {
  struct stat st;
  if (!Stat(path, st)) return false;
  return ModeAllows(st, S_IRUSR, S_IRGRP, S_IROTH);
}

bool HasSubFolder(const String& dir) {
  if (IsRemotePath(dir)) return true;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return false;
  int seen = 0;
  bool found = false;
  while (struct dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    if (++seen > kSubfolderScanLimit) {
      found = true;
      break;
    }
    if (e->d_type == DT_DIR) {
      found = true;
      break;
    }
    if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st;
      if (::fstatat(dirfd(d), e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
        found = true;
        break;
      }
    }
  }
  ::closedir(d);
  return found;
}

int NaturalCompare(const String& a0, const String& b0) {
  const String a = AnsiLowerCase(a0), b = AnsiLowerCase(b0);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0') ++si;
      while (sj < b.size() && b[sj] == '0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      const int c = a.compare(si, ei - si, b, sj, ej - sj);
      if (c != 0) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool OnMainThread() { return IsMainThread(); }

String ItemDisplayName(const TLocation& parent, const TItem& item) {
  switch (item.Kind) {
    case SHITEM_HOME: return "Home";
    case SHITEM_COMPUTER: return "Computer";
    case SHITEM_TRASH: return "Trash";
    case SHITEM_VOLUME: return item.Payload == "/" ? String("File System") : DisplayText(ExtractFileName(item.Payload));
    default: break;
  }
  if (parent.Kind == TLocKind::Trash) {
    const String original = TrashOriginalPath(item.Payload);
    if (!original.empty()) {
      const String base = ExtractFileName(original);
      if (!base.empty()) return DisplayText(base);
    }
  }
  return DisplayText(item.Payload);
}

SFGAOF ItemAttributes(const TLocation& parent, const TItem& item, SFGAOF asked) {
  TLocation self;
  if (!ChildLocation(parent, item, self)) return 0;
  SFGAOF a = 0;
  switch (item.Kind) {
    case SHITEM_HOME:
      a = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASPROPSHEET | SFGAO_CANLINK;
      if (PathWritable(self.Path)) a |= SFGAO_DROPTARGET;
      if ((asked & SFGAO_HASSUBFOLDER) && HasSubFolder(self.Path)) a |= SFGAO_HASSUBFOLDER;
      return a & asked;
    case SHITEM_COMPUTER: return (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER) & asked;
    case SHITEM_TRASH: return SFGAO_FOLDER & asked;
    case SHITEM_VOLUME:
      a = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASPROPSHEET | SFGAO_CANLINK;
      if (PathWritable(self.Path))
        a |= SFGAO_DROPTARGET;
      else
        a |= SFGAO_READONLY;
      if ((asked & SFGAO_HASSUBFOLDER) && HasSubFolder(self.Path)) a |= SFGAO_HASSUBFOLDER;
      return a & asked;
    default: break;
  }
  struct stat lst, st;
  if (!LStat(self.Path, lst)) return 0;
  const bool isLink = S_ISLNK(lst.st_mode);
  const bool dangling = isLink && !Stat(self.Path, st);
  if (!isLink) st = lst;
  const bool isDir = !dangling && S_ISDIR(st.st_mode);
  const String parentDir = ExtractFileDir(self.Path);
  a = SFGAO_FILESYSTEM | SFGAO_HASPROPSHEET;
  if (isDir) a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
  if (dangling || (!isDir && LowerExt(item.Payload) == ".desktop")) a |= SFGAO_LINK;
  if ((asked & SFGAO_HIDDEN) && IsHiddenName(parentDir, item.Payload)) a |= SFGAO_HIDDEN;
  if (!self.InTrash) {
    a |= SFGAO_CANLINK;
    if (PathWritable(parentDir)) a |= SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE;
  }
  if (dangling || PathReadable(self.Path)) a |= SFGAO_CANCOPY;
  if (!dangling && !PathWritable(self.Path)) a |= SFGAO_READONLY;
  if (isDir && !self.InTrash && PathWritable(self.Path)) a |= SFGAO_DROPTARGET;
  if (isDir && (asked & SFGAO_HASSUBFOLDER) && HasSubFolder(self.Path)) a |= SFGAO_HASSUBFOLDER;
  return a & asked;
}

IShellFolder* CreateShellFolder(const TItems& abs) {
  if (abs.empty()) {
    Desktop()->AddRef();
    return Desktop();
  }
  TLocation loc;
  if (!ResolveItems(abs, loc)) return nullptr;
  return new TShellFolder(abs, loc, false);
}

// ---- Public routines ---------------------------------------------------------------------

HRESULT SHGetDesktopFolder(IShellFolder** folder) {
  if (!folder) return E_POINTER;
  *folder = Desktop();
  return S_OK;
}

HRESULT StrRetToStr(STRRET* strret, PCUITEMID_CHILD pidl, String& out) {
  out.clear();
  if (!strret) return E_INVALIDARG;
  switch (strret->uType) {
    case STRRET_WSTR: {
      if (!strret->pOleStr) return E_INVALIDARG;
      std::u16string_view w(strret->pOleStr);
      out = UTF16ToUTF8(w);
      CoTaskMemFree(strret->pOleStr);
      strret->pOleStr = nullptr;
      return S_OK;
    }
    case STRRET_CSTR: out = strret->cStr; return S_OK;
    case STRRET_OFFSET: {
      if (!pidl) return E_INVALIDARG;
      const uint8_t* p = reinterpret_cast<const uint8_t*>(pidl);
      const uint32_t cb = GetLE16(p);
      for (uint32_t i = strret->uOffset; i < cb && p[i]; ++i) out += static_cast<char>(p[i]);
      return S_OK;
    }
    default: return E_INVALIDARG;
  }
}

bool SHGetPathFromIDList(PCIDLIST_ABSOLUTE pidl, String& path) {
  path.clear();
  TItems items;
  TLocation loc;
  if (!DecodeList(pidl, items) || !ResolveItems(items, loc)) return false;
  switch (loc.Kind) {
    case TLocKind::Desktop:
    case TLocKind::Computer:
    case TLocKind::Trash: return false;
    case TLocKind::Volume: path = loc.Path == "/" ? loc.Path : loc.Path + "/"; return true;
    default: path = loc.Path; return !path.empty();
  }
}

HRESULT SHGetDataFromIDList(IShellFolder* folder, PCUITEMID_CHILD pidl, int32_t format, void* data, int32_t) {
  if (!folder || !data) return E_INVALIDARG;
  if (format != SHGDFIL_FINDDATA) return E_INVALIDARG;
  TShellFolder* f = OurFolder(folder);
  if (!f) return E_INVALIDARG;
  TItems rel;
  if (!DecodeList(pidl, rel) || rel.size() != 1 || rel[0].Kind != SHITEM_FILE) return E_INVALIDARG;
  TLocation self;
  if (!ChildLocation(f->Loc(), rel[0], self)) return E_INVALIDARG;
  struct stat lst, st;
  if (!LStat(self.Path, lst)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  const bool isLink = S_ISLNK(lst.st_mode);
  if (!isLink || !Stat(self.Path, st)) st = lst;
  auto* fd = static_cast<WIN32_FIND_DATA*>(data);
  *fd = WIN32_FIND_DATA{};
  uint32_t attr = 0;
  if (S_ISDIR(st.st_mode))
    attr |= FILE_ATTRIBUTE_DIRECTORY;
  else if (S_ISREG(st.st_mode))
    attr |= FILE_ATTRIBUTE_ARCHIVE;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= FILE_ATTRIBUTE_READONLY;
  if (IsHiddenName(ExtractFileDir(self.Path), rel[0].Payload)) attr |= FILE_ATTRIBUTE_HIDDEN;
  if (isLink) attr |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (attr == 0) attr = FILE_ATTRIBUTE_NORMAL;
  fd->dwFileAttributes = attr;
  fd->ftCreationTime = TimespecToFileTime(st.st_mtim);
  fd->ftLastAccessTime = TimespecToFileTime(st.st_atim);
  fd->ftLastWriteTime = TimespecToFileTime(st.st_mtim);
  const uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
  fd->nFileSizeHigh = static_cast<uint32_t>(size >> 32);
  fd->nFileSizeLow = static_cast<uint32_t>(size);
  fd->cFileName = rel[0].Payload;
  return S_OK;
}

// ---- Special folders ---------------------------------------------------------------------

namespace {

enum class TSpecialKind : uint8_t { None, Desktop, Computer, Trash, Home, Path, UserDir, MadePath };

TSpecialKind SpecialFolder(int32_t csidl, String& path) {
  auto x = XdgDirs();
  switch (csidl & ~CSIDL_FLAG_MASK) {
    case CSIDL_DESKTOP: path = DesktopDirectory(); return TSpecialKind::Desktop;
    case CSIDL_DRIVES: return TSpecialKind::Computer;
    case CSIDL_BITBUCKET: return TSpecialKind::Trash;
    case CSIDL_PERSONAL: path = x->Home; return TSpecialKind::Home;
    case CSIDL_DESKTOPDIRECTORY: path = XdgUserDir("DESKTOP"); return TSpecialKind::UserDir;
    case CSIDL_MYPICTURES: path = XdgUserDir("PICTURES"); return TSpecialKind::UserDir;
    case CSIDL_COMMON_DOCUMENTS: path = XdgUserDir("DOCUMENTS"); return TSpecialKind::UserDir;
    case CSIDL_TEMPLATES: path = XdgUserDir("TEMPLATES"); return TSpecialKind::UserDir;
    case CSIDL_APPDATA: path = x->ConfigHome; return TSpecialKind::MadePath;
    case CSIDL_LOCAL_APPDATA: path = x->DataHome; return TSpecialKind::MadePath;
    case CSIDL_INTERNET_CACHE: path = x->CacheHome; return TSpecialKind::MadePath;
    case CSIDL_COMMON_APPDATA: path = x->DataDirs.front(); return TSpecialKind::Path;
    case CSIDL_FONTS: path = x->DataHome + "/fonts"; return TSpecialKind::Path;
    case CSIDL_PROGRAMS:
    case CSIDL_STARTMENU: path = x->DataHome + "/applications"; return TSpecialKind::Path;
    case CSIDL_COMMON_PROGRAMS:
    case CSIDL_COMMON_STARTMENU: path = "/usr/share/applications"; return TSpecialKind::Path;
    case CSIDL_STARTUP:
    case CSIDL_ALTSTARTUP: path = x->ConfigHome + "/autostart"; return TSpecialKind::Path;
    case CSIDL_COMMON_STARTUP: path = "/etc/xdg/autostart"; return TSpecialKind::Path;
    case CSIDL_PROGRAM_FILES: path = "/usr"; return TSpecialKind::Path;
    case CSIDL_PROGRAM_FILES_COMMON: path = "/usr/share"; return TSpecialKind::Path;
    case CSIDL_SYSTEM: path = "/usr/lib"; return TSpecialKind::Path;
    default: return TSpecialKind::None;
  }
}

// Makes path and its missing parents with mode 0700.
bool MakePrivateDirs(const String& path) {
  struct stat st;
  if (Stat(path, st)) return S_ISDIR(st.st_mode);
  const String parent = ExtractFileDir(path);
  if (!parent.empty() && parent != path && !MakePrivateDirs(parent)) return false;
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

bool IsDirectory(const String& path) {
  struct stat st;
  return Stat(path, st) && S_ISDIR(st.st_mode);
}

}  // namespace

HRESULT SHGetFolderPath(HWND, int32_t csidl, HANDLE, uint32_t, String& path) {
  path.clear();
  String p;
  switch (SpecialFolder(csidl, p)) {
    case TSpecialKind::None:
    case TSpecialKind::Computer:
    case TSpecialKind::Trash: return E_FAIL;
    case TSpecialKind::MadePath:
      if (!MakePrivateDirs(p)) return E_FAIL;
      break;
    default:
      if (!IsDirectory(p)) return E_FAIL;
  }
  path = p;
  return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND, int32_t csidl, PIDLIST_ABSOLUTE* pidl) {
  if (!pidl) return E_POINTER;
  *pidl = nullptr;
  String p;
  TItem it;
  switch (SpecialFolder(csidl, p)) {
    case TSpecialKind::None: return E_FAIL;
    case TSpecialKind::Desktop: *pidl = EncodeList({}); return *pidl ? S_OK : E_OUTOFMEMORY;
    case TSpecialKind::Computer: it.Kind = SHITEM_COMPUTER; break;
    case TSpecialKind::Trash: it.Kind = SHITEM_TRASH; break;
    case TSpecialKind::Home: it.Kind = SHITEM_HOME; break;
    case TSpecialKind::MadePath:
      if (!MakePrivateDirs(p)) return E_FAIL;
      [[fallthrough]];
    default: {
      if (!IsDirectory(p)) return E_FAIL;
      PIDLIST_RELATIVE out = nullptr;
      const HRESULT hr = Desktop()->ParseDisplayName(nullptr, nullptr, p, nullptr, &out, nullptr);
      if (FAILED(hr)) return E_FAIL;
      *pidl = out;
      return S_OK;
    }
  }
  it.Flags = SHITEMFLAG_DIRECTORY;
  *pidl = EncodeList({it});
  return *pidl ? S_OK : E_OUTOFMEMORY;
}
