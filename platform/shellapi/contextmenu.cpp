// The verbs of items and folder backgrounds: the context menu over the menu
// handles, and the clipboard transfer of file lists.
#include <sys/stat.h>

#include <cstring>

#include "platform/gui/win_clipboard.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellapi.h"
#include "platform/shellapi/shellui.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

namespace {

enum TVerb : uint32_t { vOpen = 0, vCut, vCopy, vPaste, vDelete, vRename, vProperties, vCount };

const char* const kVerbs[vCount] = {"open", "cut", "copy", "paste", "delete", "rename", "properties"};
const char* const kCaptions[vCount] = {"&Open", "Cu&t", "&Copy", "&Paste", "&Delete", "Rena&me", "P&roperties"};
const char* const kHelp[vCount] = {"Opens the selected items.",
                                   "Removes the selected items and puts them on the clipboard.",
                                   "Copies the selected items to the clipboard.",
                                   "Puts the files of the clipboard into this folder.",
                                   "Moves the selected items to the Trash.",
                                   "Renames the selected item.",
                                   "Shows the properties of the selected items."};

class TShellContextMenu final : public TComObject<IContextMenu, IID_IContextMenu> {
 public:
  TShellContextMenu(HWND owner, TItems folder, TItems items)
      : FOwner(owner), FFolderItems(std::move(folder)), FItems(std::move(items)) {
    ResolveItems(FFolderItems, FFolder);
  }

  HRESULT QueryContextMenu(HMENU menu, uint32_t index, uint32_t idCmdFirst, uint32_t idCmdLast,
                           uint32_t flags) override;
  HRESULT InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  HRESULT GetCommandString(uintptr_t idCmd, uint32_t type, uint32_t*, String& name) override {
    if (idCmd >= vCount) return E_INVALIDARG;
    switch (type) {
      case GCS_VERBA: name = kVerbs[idCmd]; return S_OK;
      case GCS_HELPTEXTA: name = kHelp[idCmd]; return S_OK;
      case GCS_VALIDATEA: return S_OK;
      default: return E_INVALIDARG;
    }
  }

 private:
  ~TShellContextMenu() = default;
  bool Background() const { return FItems.empty(); }
  SFGAOF Attributes(SFGAOF asked) const {
    SFGAOF a = asked;
    for (const TItem& it : FItems) a &= ItemAttributes(FFolder, it, a);
    return a;
  }
  std::vector<String> ItemPaths() const {
    std::vector<String> out;
    for (const TItem& it : FItems) {
      TLocation l;
      if (ChildLocation(FFolder, it, l) && !l.Path.empty() && l.Kind != TLocKind::Trash) out.push_back(l.Path);
    }
    return out;
  }
  // The folder a paste goes into: the background's folder or the one item.
  String PasteFolder() const {
    if (Background()) return FFolder.Kind == TLocKind::Desktop ? DesktopDirectory() : FFolder.Path;
    if (FItems.size() != 1) return String();
    TLocation l;
    if (!ChildLocation(FFolder, FItems[0], l) || !IsFolderLocation(l)) return String();
    return l.Path;
  }
  bool Enabled(uint32_t verb) const;
  bool PasteAvailable() const;

  HWND FOwner;
  TItems FFolderItems;
  TLocation FFolder;
  TItems FItems;
};

bool TShellContextMenu::PasteAvailable() const {
  const String dir = PasteFolder();
  if (dir.empty() || FFolder.InTrash || FFolder.Kind == TLocKind::Computer || !PathWritable(dir)) return false;
  return IsClipboardFormatAvailable(CF_HDROP);
}

bool TShellContextMenu::Enabled(uint32_t verb) const {
  switch (verb) {
    case vOpen: return !FItems.empty();
    case vCut: return !FItems.empty() && Attributes(SFGAO_CANMOVE) != 0;
    case vCopy:
      return !FItems.empty() && !ItemPaths().empty() && ItemPaths().size() == FItems.size() &&
             Attributes(SFGAO_CANCOPY) != 0;
    case vPaste: return PasteAvailable();
    case vDelete: return !FItems.empty() && Attributes(SFGAO_CANDELETE) != 0;
    case vRename: return FItems.size() == 1 && Attributes(SFGAO_CANRENAME) != 0;
    case vProperties:
      if (Background()) return !FFolder.Path.empty() || FFolder.Kind == TLocKind::Desktop;
      return Attributes(SFGAO_HASPROPSHEET) != 0;
    default: return false;
  }
}

HRESULT TShellContextMenu::QueryContextMenu(HMENU menu, uint32_t index, uint32_t idCmdFirst, uint32_t idCmdLast,
                                            uint32_t flags) {
  if (!OnMainThread()) return RPC_E_WRONG_THREAD;
  if (!IsMenu(menu)) return E_INVALIDARG;
  // The layout: verb numbers, with vCount standing for a separator.
  std::vector<uint32_t> layout;
  if (flags & CMF_DEFAULTONLY) {
    if (!Background()) layout = {vOpen};
  } else if (Background()) {
    layout = {vPaste, vCount, vProperties};
  } else {
    layout = {vOpen, vCount, vCut, vCopy};
    if (FItems.size() == 1 && !PasteFolder().empty()) layout.push_back(vPaste);
    layout.push_back(vCount);
    layout.push_back(vDelete);
    if (flags & CMF_CANRENAME) layout.push_back(vRename);
    layout.push_back(vCount);
    layout.push_back(vProperties);
  }
  uint32_t pos = index;
  uint32_t used = 0;
  for (uint32_t v : layout) {
    MENUITEMINFO mi;
    if (v == vCount) {
      mi.fMask = MIIM_FTYPE;
      mi.fType = MFT_SEPARATOR;
    } else {
      if (idCmdFirst + v > idCmdLast) continue;
      mi.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
      mi.fType = MFT_STRING;
      mi.wID = idCmdFirst + v;
      mi.dwTypeData = kCaptions[v];
      mi.fState = (Enabled(v) ? MFS_ENABLED : MFS_DISABLED) | (v == vOpen ? MFS_DEFAULT : 0);
      used = std::max(used, v + 1);
    }
    if (!InsertMenuItem(menu, pos, true, mi)) return E_FAIL;
    ++pos;
  }
  return MAKE_HRESULT(0, 0, used);
}

HRESULT TShellContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  if (!info) return E_INVALIDARG;
  if (!OnMainThread()) return RPC_E_WRONG_THREAD;
  uint32_t verb = vCount;
  if (IS_INTRESOURCE(info->lpVerb)) {
    verb = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info->lpVerb));
  } else {
    const String text = info->lpVerb;
    if (SameText(text, "explore")) verb = vOpen;
    for (uint32_t v = 0; v < vCount; ++v)
      if (SameText(text, kVerbs[v])) verb = v;
  }
  if (verb >= vCount) return E_INVALIDARG;
  if (verb != vRename && !Enabled(verb)) return E_ACCESSDENIED;
  const HWND owner = info->hwnd ? info->hwnd : FOwner;
  switch (verb) {
    case vOpen: {
      const std::vector<String> paths = ItemPaths();
      if (paths.size() != FItems.size()) return E_FAIL;
      for (const String& p : paths) {
        const uintptr_t r = ShellExecuteResult(
            ShellExecute(owner, "open", p.c_str(), info->lpParameters, info->lpDirectory, info->nShow));
        if (r <= 32) return HRESULT_FROM_WIN32(r == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : uint32_t(r));
      }
      return S_OK;
    }
    case vCut:
    case vCopy: {
      if (!OpenClipboard(owner)) return E_FAIL;
      EmptyClipboard();
      const std::vector<String> paths = ItemPaths();
      SetClipboardData(CF_HDROP, CreateShellDropBlock(paths));
      if (HGLOBAL e = GlobalAlloc(GHND, sizeof(uint32_t))) {
        const uint32_t effect = verb == vCut ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_LINK;
        std::memcpy(GlobalLock(e), &effect, sizeof effect);
        GlobalUnlock(e);
        SetClipboardData(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT), e);
      }
      String text;
      for (const String& p : paths) text += p + "\n";
      if (HGLOBAL t = GlobalAlloc(GHND, text.size() + 1)) {
        std::memcpy(GlobalLock(t), text.c_str(), text.size() + 1);
        GlobalUnlock(t);
        SetClipboardData(CF_TEXT, t);
      }
      CloseClipboard();
      return S_OK;
    }
    case vPaste: {
      std::vector<String> files;
      uint32_t effect = DROPEFFECT_COPY;
      if (!ClipboardFiles(files, effect) || files.empty()) return E_FAIL;
      SHFILEOPSTRUCT op;
      op.hwnd = owner;
      op.wFunc = (effect & DROPEFFECT_MOVE) ? FO_MOVE : FO_COPY;
      op.pFrom = files;
      op.pTo = {PasteFolder()};
      op.fFlags = FOF_NOCONFIRMATION;
      if (const int32_t e = SHFileOperation(&op)) return HRESULT_FROM_WIN32(uint32_t(e));
      if (op.wFunc == FO_MOVE && OpenClipboard(owner)) {
        EmptyClipboard();
        CloseClipboard();
      }
      return S_OK;
    }
    case vDelete: {
      const std::vector<String> paths = ItemPaths();
      if (paths.size() != FItems.size()) return E_FAIL;
      if (!(info->fMask & CMIC_MASK_FLAG_NO_UI) && !ConfirmTrash(owner, paths.size()))
        return HRESULT_FROM_WIN32(ERROR_CANCELLED);
      SHFILEOPSTRUCT op;
      op.hwnd = owner;
      op.wFunc = FO_DELETE;
      op.pFrom = paths;
      op.fFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
      const int32_t e = SHFileOperation(&op);
      return e ? HRESULT_FROM_WIN32(uint32_t(e)) : S_OK;
    }
    case vRename: return S_OK;  // the caller renames in place
    case vProperties: {
      TShellUI& ui = ShellUI();
      if (!ui.ShowProperties) return E_NOTIMPL;
      std::vector<String> paths = Background() ? std::vector<String>{PasteFolder()} : ItemPaths();
      return ui.ShowProperties(owner, paths);
    }
    default: return E_INVALIDARG;
  }
}

}  // namespace

IContextMenu* CreateShellContextMenu(HWND owner, const TItems& folder, const TItems& items) {
  return new TShellContextMenu(owner, folder, items);
}

HGLOBAL CreateShellDropBlock(const std::vector<String>& paths) {
  bool allText = true;
  for (const String& p : paths) allText = allText && IsValidUTF8(p);
  if (allText) return CreateDropFilesBlock(paths);
  // Some name is not UTF-8: the whole list goes 8-bit, bytes as they are.
  size_t size = sizeof(DROPFILES) + 1;
  for (const String& p : paths) size += p.size() + 1;
  HGLOBAL block = GlobalAlloc(GHND, size);
  if (!block) return 0;
  auto* base = static_cast<uint8_t*>(GlobalLock(block));
  DROPFILES head;
  head.fWide = 0;
  std::memcpy(base, &head, sizeof head);
  size_t off = sizeof head;
  for (const String& p : paths) {
    std::memcpy(base + off, p.data(), p.size());
    off += p.size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

IDataObject* CreateShellDataObject(const std::vector<String>& paths, uint32_t effect) {
  IDataObject* data = CreateDataObject();
  if (!data) return nullptr;
  FORMATETC f;
  f.cfFormat = CF_HDROP;
  STGMEDIUM m;
  m.tymed = TYMED_HGLOBAL;
  m.hGlobal = CreateShellDropBlock(paths);
  if (!m.hGlobal || FAILED(data->SetData(&f, &m, true))) {
    if (m.hGlobal) GlobalFree(m.hGlobal);
    data->Release();
    return nullptr;
  }
  if (effect != DROPEFFECT_NONE) {
    FORMATETC fe;
    fe.cfFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT));
    STGMEDIUM me;
    me.tymed = TYMED_HGLOBAL;
    me.hGlobal = GlobalAlloc(GHND, sizeof(uint32_t));
    if (me.hGlobal) {
      std::memcpy(GlobalLock(me.hGlobal), &effect, sizeof effect);
      GlobalUnlock(me.hGlobal);
      if (FAILED(data->SetData(&fe, &me, true))) GlobalFree(me.hGlobal);
    }
  }
  return data;
}

std::vector<String> DropBlockFiles(HGLOBAL block) {
  std::vector<String> out;
  const uint32_t n = DragQueryFile(block, 0xFFFFFFFFu, nullptr, 0);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t len = DragQueryFile(block, i, nullptr, 0);
    String name(len + 1, '\0');
    DragQueryFile(block, i, name.data(), len + 1);
    name.resize(len);
    if (!name.empty()) out.push_back(name);
  }
  return out;
}

bool ClipboardFiles(std::vector<String>& paths, uint32_t& effect) {
  paths.clear();
  effect = DROPEFFECT_COPY;
  if (!OpenClipboard(nullptr)) return false;
  if (HGLOBAL h = GetClipboardData(CF_HDROP)) paths = DropBlockFiles(h);
  if (HGLOBAL e = GetClipboardData(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT))) {
    if (GlobalSize(e) >= sizeof(uint32_t)) {
      std::memcpy(&effect, GlobalLock(e), sizeof effect);
      GlobalUnlock(e);
    }
  }
  CloseClipboard();
  return !paths.empty();
}

bool ConfirmTrash(HWND owner, size_t count) {
  if (!OnMainThread()) return false;
  const String text = "Move " + std::to_string(count) + " item(s) to the Trash?";
  const uint32_t flags = MB_YESNO | MB_ICONQUESTION;
  const int32_t answer =
      Application ? Application->MessageBox(text, "Delete", flags) : MessageBoxHook()(owner, text, "Delete", flags);
  return answer == IDYES;
}
