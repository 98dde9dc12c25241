// A folder as a drop target for file lists: the effect by the keys held,
// the right-drag menu, and the engine doing what was chosen.
#include <sys/stat.h>

#include "platform/rtl/files.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/menus.h"

namespace {

enum : uint32_t { cmdMove = 1, cmdCopy = 2, cmdLink = 3, cmdCancel = 4 };

String RealOrNormal(const String& p) {
  char* r = ::realpath(p.c_str(), nullptr);
  if (!r) return ShellNormalizePath(p);
  String s = r;
  std::free(r);
  return s;
}

class TFolderDropTarget final : public TComObject<IDropTarget, IID_IDropTarget> {
 public:
  TFolderDropTarget(HWND owner, String folder) : FOwner(owner), FFolder(std::move(folder)) {}

  HRESULT DragEnter(IDataObject* data, uint32_t keys, POINTL, uint32_t* effect) override {
    if (!effect) return E_INVALIDARG;
    FFiles = ReadFiles(data);
    FRight = (keys & MK_RBUTTON) != 0;
    *effect = Choose(keys, *effect);
    return S_OK;
  }
  HRESULT DragOver(uint32_t keys, POINTL, uint32_t* effect) override {
    if (!effect) return E_INVALIDARG;
    if (keys & MK_RBUTTON) FRight = true;
    *effect = Choose(keys, *effect);
    return S_OK;
  }
  HRESULT DragLeave() override {
    FFiles.clear();
    FRight = false;
    return S_OK;
  }
  HRESULT Drop(IDataObject* data, uint32_t keys, POINTL pt, uint32_t* effect) override;

 private:
  ~TFolderDropTarget() = default;

  static std::vector<String> ReadFiles(IDataObject* data) {
    if (!data) return {};
    FORMATETC f;
    f.cfFormat = CF_HDROP;
    STGMEDIUM m;
    if (data->GetData(&f, &m) != S_OK) return {};
    std::vector<String> files = DropBlockFiles(m.hGlobal);
    ReleaseStgMedium(&m);
    return files;
  }

  // Whether the drop can happen at all, and whether all files already sit in
  // the folder.
  bool Possible(bool& allHere) const {
    allHere = !FFiles.empty();
    if (FFiles.empty() || !PathWritable(FFolder)) return false;
    const String target = RealOrNormal(FFolder);
    for (const String& f : FFiles) {
      struct stat st;
      if (::lstat(f.c_str(), &st) != 0) return false;
      if (S_ISDIR(st.st_mode)) {
        const String src = RealOrNormal(f);
        if (target == src || target.compare(0, src.size() + 1, src + "/") == 0) return false;
      }
      if (RealOrNormal(ExtractFileDir(f)) != target) allHere = false;
    }
    return true;
  }

  bool SameFileSystem() const {
    struct stat a, b;
    return !FFiles.empty() && ::lstat(FFiles[0].c_str(), &a) == 0 && ::stat(FFolder.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev;
  }

  uint32_t Choose(uint32_t keys, uint32_t allowed) const {
    bool allHere = false;
    if (!Possible(allHere)) return DROPEFFECT_NONE;
    uint32_t want;
    if (((keys & MK_CONTROL) && (keys & MK_SHIFT)) || (keys & MK_ALT))
      want = DROPEFFECT_LINK;
    else if (keys & MK_CONTROL)
      want = DROPEFFECT_COPY;
    else if (keys & MK_SHIFT)
      want = DROPEFFECT_MOVE;
    else
      want = SameFileSystem() ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
    if (!(allowed & want)) {
      want = DROPEFFECT_NONE;
      for (uint32_t e : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
        if (allowed & e) {
          want = e;
          break;
        }
    }
    if (want == DROPEFFECT_MOVE && allHere) return DROPEFFECT_NONE;
    return want;
  }

  uint32_t AskWithMenu(uint32_t allowed, uint32_t proposed, POINTL pt) const;
  uint32_t Perform(uint32_t effect) const;

  HWND FOwner;
  String FFolder;
  std::vector<String> FFiles;
  bool FRight = false;
};

uint32_t TFolderDropTarget::AskWithMenu(uint32_t allowed, uint32_t proposed, POINTL pt) const {
  if (!OnMainThread()) return DROPEFFECT_NONE;
  bool allHere = false;
  Possible(allHere);
  HMENU menu = CreatePopupMenu();
  if (!menu) return DROPEFFECT_NONE;
  struct TEntry {
    uint32_t Id;
    const char* Text;
    uint32_t Effect;
  };
  const TEntry entries[] = {{cmdMove, "&Move Here", DROPEFFECT_MOVE},
                            {cmdCopy, "&Copy Here", DROPEFFECT_COPY},
                            {cmdLink, "Create &Links Here", DROPEFFECT_LINK}};
  uint32_t pos = 0;
  for (const TEntry& e : entries) {
    MENUITEMINFO mi;
    mi.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
    mi.wID = e.Id;
    mi.dwTypeData = e.Text;
    const bool on = (allowed & e.Effect) && !(e.Effect == DROPEFFECT_MOVE && allHere);
    mi.fState = (on ? MFS_ENABLED : MFS_DISABLED) | (e.Effect == proposed ? MFS_DEFAULT : 0);
    InsertMenuItem(menu, pos++, true, mi);
  }
  MENUITEMINFO sep;
  sep.fMask = MIIM_FTYPE;
  sep.fType = MFT_SEPARATOR;
  InsertMenuItem(menu, pos++, true, sep);
  MENUITEMINFO cancel;
  cancel.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
  cancel.wID = cmdCancel;
  cancel.dwTypeData = "Cancel";
  InsertMenuItem(menu, pos++, true, cancel);
  const int32_t cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, FOwner, nullptr);
  DestroyMenu(menu);
  for (const TEntry& e : entries)
    if (uint32_t(cmd) == e.Id) return e.Effect;
  return DROPEFFECT_NONE;
}

uint32_t TFolderDropTarget::Perform(uint32_t effect) const {
  if (effect == DROPEFFECT_LINK) {
    for (const String& f : FFiles)
      if (MakeLinkIn(FFolder, ShellNormalizePath(f), nullptr) != 0) return DROPEFFECT_NONE;
    return DROPEFFECT_LINK;
  }
  SHFILEOPSTRUCT op;
  op.hwnd = FOwner;
  op.wFunc = effect == DROPEFFECT_MOVE ? FO_MOVE : FO_COPY;
  op.pFrom = FFiles;
  op.pTo = {FFolder};
  op.fFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
  return SHFileOperation(&op) == 0 ? effect : DROPEFFECT_NONE;
}

HRESULT TFolderDropTarget::Drop(IDataObject* data, uint32_t keys, POINTL pt, uint32_t* effect) {
  if (!effect) return E_INVALIDARG;
  const uint32_t allowed = *effect;
  const std::vector<String> files = ReadFiles(data);
  if (!files.empty()) FFiles = files;
  uint32_t chosen = Choose(keys, allowed);
  if (chosen != DROPEFFECT_NONE && FRight) chosen = AskWithMenu(allowed, chosen, pt);
  *effect = chosen == DROPEFFECT_NONE ? DROPEFFECT_NONE : Perform(chosen);
  FFiles.clear();
  FRight = false;
  return S_OK;
}

}  // namespace

IDropTarget* CreateFolderDropTarget(HWND owner, const String& folderPath) {
  return new TFolderDropTarget(owner, folderPath);
}
