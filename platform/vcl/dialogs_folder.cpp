#include "platform/vcl/dialogs_folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shellapi.h"
#include "platform/shellapi/xdgdirs.h"
#include "platform/vcl/comctrls_treeview.h"
#include "platform/vcl/dialogs_manager.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/stdctrls_native.h"

namespace {

// One item of the tree: its absolute list and what it is.
struct TNode {
  PIDLIST_ABSOLUTE Pidl = nullptr;
  String Path;  // empty for virtual items
  String Name;  // as shown
  int32_t Image = -1;
  bool Folder = false;
  bool FileSystem = false;
  bool Filled = false;  // children enumerated
};

struct TBrowse {
  BROWSEINFO* Info = nullptr;
  HWND Dlg = nullptr;
  HWND Tree = nullptr;
  ComPtr<IShellFolder> Desktop;
  std::vector<TNode> Nodes;     // tree item lParam: index + 1
  HTREEITEM Editing = nullptr;  // the made folder while its name is edited
  bool SelChangedSent = false;
  bool Initializing = true;
  PIDLIST_ABSOLUTE Result = nullptr;

  ~TBrowse() {
    for (TNode& n : Nodes) ILFree(n.Pidl);
  }
};

int32_t Callback(TBrowse& b, uint32_t msg, LPARAM lParam) {
  if (b.Info->lpfn == nullptr) return 0;
  return b.Info->lpfn(b.Dlg, msg, lParam, b.Info->lParam);
}

TNode* NodeOf(TBrowse& b, HTREEITEM item) {
  if (item == nullptr) return nullptr;
  TVITEM tv;
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!SendMessage(b.Tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&tv)) || tv.lParam <= 0 ||
      size_t(tv.lParam) > b.Nodes.size())
    return nullptr;
  return &b.Nodes[size_t(tv.lParam) - 1];
}

HTREEITEM Selected(TBrowse& b) {
  return reinterpret_cast<HTREEITEM>(SendMessage(b.Tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

// A node for an absolute list (taken over).
size_t MakeNode(TBrowse& b, PIDLIST_ABSOLUTE pidl, SFGAOF attributes) {
  TNode n;
  n.Pidl = pidl;
  SHFILEINFO fi;
  if (SHGetFileInfo(pidl, 0, &fi, sizeof fi, SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    n.Image = fi.iIcon;
  n.Name = fi.szDisplayName;
  n.Folder = (attributes & SFGAO_FOLDER) != 0;
  n.FileSystem = (attributes & SFGAO_FILESYSTEM) != 0;
  String path;
  if (SHGetPathFromIDList(pidl, path)) n.Path = path;
  b.Nodes.push_back(std::move(n));
  return b.Nodes.size() - 1;
}

SFGAOF AttributesOf(TBrowse& b, PCIDLIST_ABSOLUTE pidl) {
  SFGAOF a = SFGAO_FOLDER | SFGAO_FILESYSTEM;
  if (ILIsEmpty(pidl)) return SFGAO_FOLDER;
  PIDLIST_ABSOLUTE parent = ILClone(pidl);
  if (parent == nullptr) return 0;
  ILRemoveLastID(parent);
  ComPtr<IShellFolder> folder;
  HRESULT hr = ILIsEmpty(parent) ? S_OK
                                 : b.Desktop->BindToObject(parent, nullptr, IID_IShellFolder,
                                                           reinterpret_cast<void**>(folder.ReleaseAndGetAddressOf()));
  IShellFolder* f = ILIsEmpty(parent) ? b.Desktop.Get() : folder.Get();
  PCUITEMID_CHILD last = ILFindLastID(pidl);
  if (FAILED(hr) || f == nullptr || FAILED(f->GetAttributesOf(1, &last, &a))) a = 0;
  ILFree(parent);
  return a;
}

HTREEITEM InsertNode(TBrowse& b, HTREEITEM parent, size_t index) {
  const TNode& n = b.Nodes[index];
  TVINSERTSTRUCT ins;
  ins.hParent = parent != nullptr ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
  String text = n.Name;
  ins.item.pszText = text.data();
  ins.item.lParam = LPARAM(index + 1);
  ins.item.iImage = ins.item.iSelectedImage = n.Image;
  ins.item.cChildren = n.Folder ? 1 : 0;
  return reinterpret_cast<HTREEITEM>(SendMessage(b.Tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&ins)));
}

// The children of a folder item, in the folder's order.
void Fill(TBrowse& b, HTREEITEM item) {
  TNode* node = NodeOf(b, item);
  if (node == nullptr || node->Filled) return;
  node->Filled = true;
  const PIDLIST_ABSOLUTE parentPidl = node->Pidl;
  ComPtr<IShellFolder> folder;
  if (ILIsEmpty(parentPidl))
    folder = b.Desktop;
  else if (FAILED(b.Desktop->BindToObject(parentPidl, nullptr, IID_IShellFolder,
                                          reinterpret_cast<void**>(folder.ReleaseAndGetAddressOf()))))
    return;
  uint32_t flags = SHCONTF_FOLDERS;
  if (b.Info->ulFlags & BIF_BROWSEINCLUDEFILES) flags |= SHCONTF_NONFOLDERS;
  ComPtr<IEnumIDList> list;
  if (folder->EnumObjects(b.Dlg, flags, list.ReleaseAndGetAddressOf()) != S_OK || !list) return;
  std::vector<PITEMID_CHILD> children;
  PITEMID_CHILD child = nullptr;
  uint32_t fetched = 0;
  while (list->Next(1, &child, &fetched) == S_OK && fetched == 1) children.push_back(child);
  IShellFolder* f = folder.Get();
  std::stable_sort(children.begin(), children.end(),
                   [f](PITEMID_CHILD x, PITEMID_CHILD y) { return CompareIDsResult(f->CompareIDs(0, x, y)) < 0; });
  for (PITEMID_CHILD c : children) {
    SFGAOF a = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    PCUITEMID_CHILD cc = c;
    if (FAILED(f->GetAttributesOf(1, &cc, &a))) a = 0;
    PIDLIST_ABSOLUTE abs = ILCombine(parentPidl, c);  // the list outlives moves of the nodes
    ILFree(c);
    if (abs == nullptr) continue;
    InsertNode(b, item, MakeNode(b, abs, a));  // may move the nodes: node is not used after this
  }
  if (children.empty()) {
    TVITEM tv;
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    tv.cChildren = 0;
    SendMessage(b.Tree, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&tv));
  }
}

bool IsWithin(const String& path, const String& folder) {
  if (folder.empty() || path.empty()) return false;
  if (folder == "/") return path[0] == '/';
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/');
}

// The item of an absolute list, reached from the root through the items
// that lead to it (expanding them); nullptr when the tree holds none.
HTREEITEM FindItem(TBrowse& b, PCIDLIST_ABSOLUTE target) {
  String targetPath;
  const bool hasPath = SHGetPathFromIDList(target, targetPath);
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(b.Tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  auto matches = [&](TNode* n, bool& exact) {
    exact = ILIsEqual(n->Pidl, target) || (hasPath && !n->Path.empty() && n->Path == targetPath);
    return exact || ILIsParent(n->Pidl, target, false) || (hasPath && IsWithin(targetPath, n->Path));
  };
  bool exact = false;
  TNode* n = NodeOf(b, item);
  if (n == nullptr || !matches(n, exact)) return nullptr;
  for (int depth = 0; !exact && depth < 4096; ++depth) {
    Fill(b, item);
    HTREEITEM next = nullptr;
    for (HTREEITEM c = reinterpret_cast<HTREEITEM>(
             SendMessage(b.Tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         c != nullptr; c = reinterpret_cast<HTREEITEM>(
                           SendMessage(b.Tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c)))) {
      if (TNode* cn = NodeOf(b, c); cn != nullptr && matches(cn, exact)) {
        next = c;
        break;
      }
    }
    if (next == nullptr) return nullptr;
    item = next;
  }
  return exact ? item : nullptr;
}

// The absolute list of a path ("~" the home folder); nullptr when there is none.
PIDLIST_ABSOLUTE ParsePath(TBrowse& b, String path) {
  if (!path.empty() && path[0] == '~' && (path.size() == 1 || path[1] == '/')) path = XdgDirs()->Home + path.substr(1);
  PIDLIST_RELATIVE pidl = nullptr;
  if (FAILED(b.Desktop->ParseDisplayName(b.Dlg, nullptr, path, nullptr, &pidl, nullptr))) return nullptr;
  return pidl;
}

HTREEITEM FindByMessage(TBrowse& b, WPARAM wParam, LPARAM lParam) {
  if (lParam == 0) return nullptr;
  if (wParam == 0) return FindItem(b, reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam));
  PIDLIST_ABSOLUTE pidl = ParsePath(b, reinterpret_cast<const char*>(lParam));
  if (pidl == nullptr) return nullptr;
  HTREEITEM item = FindItem(b, pidl);
  ILFree(pidl);
  return item;
}

void SelectionChanged(TBrowse& b) {
  TNode* n = NodeOf(b, Selected(b));
  if (n == nullptr) return;
  const uint32_t flags = b.Info->ulFlags;
  const bool ok =
      (n->Folder || (flags & BIF_BROWSEINCLUDEFILES)) && (!(flags & BIF_RETURNONLYFSDIRS) || !n->Path.empty());
  EnableWindow(GetDlgItem(b.Dlg, IDOK), ok);
  if (HWND nf = GetDlgItem(b.Dlg, IDC_BFF_NEWFOLDER)) EnableWindow(nf, n->Folder && !n->Path.empty());
  if (flags & BIF_EDITBOX) SetDlgItemText(b.Dlg, IDC_BFF_EDIT, n->Name.c_str());
  if (b.Initializing) return;  // told once BFFM_INITIALIZED has gone out
  b.SelChangedSent = true;
  const PIDLIST_ABSOLUTE pidl = n->Pidl;
  Callback(b, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pidl));
}

void Finish(TBrowse& b, TNode& n) {
  b.Result = ILClone(n.Pidl);
  b.Info->pszDisplayName = n.Name;
  b.Info->iImage = n.Image;
  EndDialog(b.Dlg, IDOK);
}

void Ok(TBrowse& b) {
  TNode* n = NodeOf(b, Selected(b));
  if (n == nullptr) return;
  const uint32_t flags = b.Info->ulFlags;
  if (flags & BIF_EDITBOX) {
    const String text = GetDlgItemTextString(b.Dlg, IDC_BFF_EDIT);
    if (!text.empty() && text != n->Name) {
      String path;
      if (text[0] == '/' || text[0] == '~')
        path = text;
      else if (!n->Path.empty())
        path = (n->Path == "/" ? String() : n->Path) + "/" + text;
      String full = path;
      if (!full.empty() && full[0] == '~' && (full.size() == 1 || full[1] == '/'))
        full = XdgDirs()->Home + full.substr(1);
      struct stat st;
      const bool exists =
          !full.empty() && ::stat(full.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || (flags & BIF_BROWSEINCLUDEFILES));
      const TNode& root = b.Nodes[0];
      const bool underRoot = ILIsEmpty(root.Pidl) || (!root.Path.empty() && IsWithin(full, root.Path));
      PIDLIST_ABSOLUTE pidl = exists && underRoot ? ParsePath(b, full) : nullptr;
      if (pidl == nullptr) {
        if (flags & BIF_VALIDATE) {
          if (Callback(b, BFFM_VALIDATEFAILED, reinterpret_cast<LPARAM>(text.c_str())) == 0) EndDialog(b.Dlg, IDCANCEL);
          return;
        }
        Finish(b, *n);  // nothing to validate against: the selection stands
        return;
      }
      TNode typed;
      typed.Pidl = pidl;
      SHFILEINFO fi;
      if (SHGetFileInfo(pidl, 0, &fi, sizeof fi, SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        typed.Image = fi.iIcon;
      typed.Name = fi.szDisplayName;
      Finish(b, typed);
      ILFree(pidl);
      return;
    }
  }
  Finish(b, *n);
}

void MakeNewFolder(TBrowse& b) {
  HTREEITEM parent = Selected(b);
  TNode* n = NodeOf(b, parent);
  if (n == nullptr || n->Path.empty()) return;
  const String base = n->Path == "/" ? String() : n->Path;
  String name;
  int err = 0;
  for (int i = 1; i <= 9999; ++i) {
    const String candidate = i == 1 ? String("New Folder") : "New Folder (" + std::to_string(i) + ")";
    if (::mkdir((base + "/" + candidate).c_str(), 0777) == 0) {
      name = candidate;
      break;
    }
    err = errno;
    if (err != EEXIST) break;
  }
  if (name.empty()) {
    PlainMessageBox(b.Dlg, "The folder could not be made in \"" + DisplayText(n->Path) + "\": " + std::strerror(err),
                    "Make New Folder", MB_OK | MB_ICONHAND);
    return;
  }
  // Filled already: the new folder is added; otherwise expanding lists it.
  if (n->Filled) {
    PIDLIST_ABSOLUTE pidl = ParsePath(b, base + "/" + name);
    if (pidl != nullptr) {
      const SFGAOF a = AttributesOf(b, pidl);
      InsertNode(b, parent, MakeNode(b, pidl, a | SFGAO_FOLDER));
    }
  }
  SendMessage(b.Tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
  for (HTREEITEM c = reinterpret_cast<HTREEITEM>(
           SendMessage(b.Tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
       c != nullptr;
       c = reinterpret_cast<HTREEITEM>(SendMessage(b.Tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c)))) {
    TNode* cn = NodeOf(b, c);
    if (cn != nullptr && cn->Path == base + "/" + name) {
      SendMessage(b.Tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(c));
      SetFocus(b.Tree);
      b.Editing = c;
      SendMessage(b.Tree, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(c));
      return;
    }
  }
}

// The name typed for the made folder: renamed through its folder, never
// over another entry. Answers whether the tree keeps the text.
bool Rename(TBrowse& b, HTREEITEM item, const char* text) {
  b.Editing = nullptr;
  TNode* n = NodeOf(b, item);
  if (n == nullptr || text == nullptr || n->Name == text) return false;
  PIDLIST_ABSOLUTE parentPidl = ILClone(n->Pidl);
  if (parentPidl == nullptr) return false;
  ILRemoveLastID(parentPidl);
  ComPtr<IShellFolder> folder;
  HRESULT hr = ILIsEmpty(parentPidl)
                   ? S_OK
                   : b.Desktop->BindToObject(parentPidl, nullptr, IID_IShellFolder,
                                             reinterpret_cast<void**>(folder.ReleaseAndGetAddressOf()));
  IShellFolder* f = ILIsEmpty(parentPidl) ? b.Desktop.Get() : folder.Get();
  PITEMID_CHILD renamed = nullptr;
  if (SUCCEEDED(hr) && f != nullptr) hr = f->SetNameOf(b.Dlg, ILFindLastID(n->Pidl), text, 0, &renamed);
  if (FAILED(hr) || renamed == nullptr) {
    ILFree(parentPidl);
    const String why = hr == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS) ? "an entry of that name exists already"
                       : hr == HRESULT_FROM_WIN32(ERROR_INVALID_NAME) ? "the name is not valid"
                                                                      : "the folder cannot be renamed";
    PlainMessageBox(b.Dlg, "\"" + String(text) + "\" cannot be used: " + why + ".", "Rename", MB_OK | MB_ICONHAND);
    return false;
  }
  PIDLIST_ABSOLUTE abs = ILCombine(parentPidl, renamed);
  ILFree(parentPidl);
  ILFree(renamed);
  if (abs == nullptr) return false;
  ILFree(n->Pidl);
  n->Pidl = abs;
  n->Name = text;
  String path;
  n->Path = SHGetPathFromIDList(abs, path) ? path : String();
  if (b.Info->ulFlags & BIF_EDITBOX) SetDlgItemText(b.Dlg, IDC_BFF_EDIT, n->Name.c_str());
  return true;
}

void SetResult(HWND h, LRESULT r) { SetWindowLong(h, DWLP_MSGRESULT, r); }

intptr_t BrowseProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto* b = reinterpret_cast<TBrowse*>(GetWindowLong(h, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      b = reinterpret_cast<TBrowse*>(lParam);
      SetWindowLong(h, DWLP_USER, lParam);
      b->Dlg = h;
      b->Tree = GetDlgItem(h, IDC_BFF_TREE);
      SendMessage(b->Tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(ShellSystemImageList(true)));
      PIDLIST_ABSOLUTE root = nullptr;
      if (b->Info->pidlRoot != nullptr)
        root = ILClone(b->Info->pidlRoot);
      else
        SHGetSpecialFolderLocation(h, CSIDL_DESKTOP, &root);
      HTREEITEM rootItem = root != nullptr
                               ? InsertNode(*b, nullptr, MakeNode(*b, root, AttributesOf(*b, root) | SFGAO_FOLDER))
                               : nullptr;
      if (rootItem != nullptr) {
        SendMessage(b->Tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(rootItem));
        SendMessage(b->Tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(rootItem));
      }
      SelectionChanged(*b);
      TDialogInfo info;
      info.Kind = TDialogKind::dkFolder;
      info.Caption = "Browse For Folder";
      info.Text = b->Info->lpszTitle;
      for (int32_t id : {IDC_BFF_NEWFOLDER, IDOK, IDCANCEL})
        if (HWND c = GetDlgItem(h, id)) info.Buttons.push_back(GetWindowTextString(c));
      SetDialogInfo(h, info);
      b->Initializing = false;
      Callback(*b, BFFM_INITIALIZED, 0);
      if (!b->SelChangedSent && IsWindow(h)) SelectionChanged(*b);
      SetFocus(b->Tree);
      return 0;
    }
    case WM_NOTIFY: {
      if (b == nullptr) return 0;
      const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr->hwndFrom != b->Tree) return 0;
      switch (hdr->code) {
        case TVN_ITEMEXPANDING: {
          const auto* nm = reinterpret_cast<const NMTREEVIEW*>(lParam);
          if ((nm->action & TVE_ACTIONMASK) == TVE_EXPAND) Fill(*b, nm->itemNew.hItem);
          SetResult(h, 0);
          return 1;
        }
        case TVN_SELCHANGED: SelectionChanged(*b); return 1;
        case TVN_BEGINLABELEDIT: {
          // Only the folder just made is named here.
          const auto* di = reinterpret_cast<const NMTVDISPINFO*>(lParam);
          SetResult(h, di->item.hItem == b->Editing ? 0 : 1);
          return 1;
        }
        case TVN_ENDLABELEDIT: {
          const auto* di = reinterpret_cast<const NMTVDISPINFO*>(lParam);
          SetResult(h, Rename(*b, di->item.hItem, di->item.pszText) ? 1 : 0);
          return 1;
        }
        default: return 0;
      }
    }
    case WM_COMMAND:
      if (b == nullptr || HIWORD(wParam) != BN_CLICKED) return 0;
      switch (LOWORD(wParam)) {
        case IDOK: Ok(*b); return 1;
        case IDCANCEL: EndDialog(h, IDCANCEL); return 1;
        case IDC_BFF_NEWFOLDER: MakeNewFolder(*b); return 1;
        default: return 0;
      }
    case BFFM_SETSTATUSTEXT:
      SetDlgItemText(h, IDC_BFF_STATUS, lParam != 0 ? reinterpret_cast<const char*>(lParam) : "");
      return 1;
    case BFFM_ENABLEOK: EnableWindow(GetDlgItem(h, IDOK), lParam != 0); return 1;
    case BFFM_SETOKTEXT: SetDlgItemText(h, IDOK, lParam != 0 ? reinterpret_cast<const char*>(lParam) : "OK"); return 1;
    case BFFM_SETSELECTIONA:
    case BFFM_SETSELECTIONW:
    case BFFM_SETEXPANDED: {
      if (b == nullptr) return 0;
      HTREEITEM item = FindByMessage(*b, wParam, lParam);
      if (item != nullptr) {
        if (msg == BFFM_SETEXPANDED) {
          SendMessage(b->Tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        } else {
          SendMessage(b->Tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
          SendMessage(b->Tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        }
      }
      SetResult(h, item != nullptr ? 1 : 0);
      return 1;
    }
    default: return 0;
  }
}

}  // namespace

PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* lpbi) {
  if (lpbi == nullptr) return nullptr;
  RegisterTreeViewClass();
  TBrowse b;
  b.Info = lpbi;
  SHGetDesktopFolder(b.Desktop.ReleaseAndGetAddressOf());
  if (!b.Desktop) return nullptr;
  const uint32_t flags = lpbi->ulFlags;

  // Dialog units.
  constexpr int32_t kW = 227, kMargin = 7, kButtonW = 50, kButtonH = 14;
  TDialogTemplate t;
  t.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
  t.Title = "Browse For Folder";
  t.CX = kW;
  int32_t y = kMargin;
  if (!lpbi->lpszTitle.empty()) {
    t.Items.push_back(TDialogItemTemplate{"Static", IDC_BFF_TITLE, lpbi->lpszTitle,
                                          WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, kMargin, y,
                                          kW - 2 * kMargin, 20});
    y += 22;
  }
  if (flags & BIF_STATUSTEXT) {
    t.Items.push_back(TDialogItemTemplate{"Static", IDC_BFF_STATUS, "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                          0, kMargin, y, kW - 2 * kMargin, 10});
    y += 12;
  }
  t.Items.push_back(TDialogItemTemplate{"SysTreeView32", IDC_BFF_TREE, "",
                                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES |
                                            TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                                        0, kMargin, y, kW - 2 * kMargin, 160});
  y += 164;
  if (flags & BIF_EDITBOX) {
    t.Items.push_back(
        TDialogItemTemplate{"Static", -1, "Folder:", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, kMargin, y + 2, 30, 9});
    t.Items.push_back(TDialogItemTemplate{"Edit", IDC_BFF_EDIT, "",
                                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0,
                                          kMargin + 32, y, kW - 2 * kMargin - 32, 12});
    y += 18;
  }
  y += 4;
  if (!(flags & BIF_NONEWFOLDERBUTTON))
    t.Items.push_back(TDialogItemTemplate{"Button", IDC_BFF_NEWFOLDER, "&Make New Folder",
                                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, kMargin, y, 70,
                                          kButtonH});
  t.Items.push_back(TDialogItemTemplate{"Button", IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                                        kW - kMargin - 2 * kButtonW - 4, y, kButtonW, kButtonH});
  t.Items.push_back(TDialogItemTemplate{"Button", IDCANCEL, "Cancel",
                                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, kW - kMargin - kButtonW,
                                        y, kButtonW, kButtonH});
  t.CY = y + kButtonH + kMargin;

  const intptr_t r = DialogBoxIndirectParam(nullptr, t, lpbi->hwndOwner, BrowseProc, reinterpret_cast<LPARAM>(&b));
  if (r != IDOK) {
    ILFree(b.Result);
    return nullptr;
  }
  return b.Result;
}
