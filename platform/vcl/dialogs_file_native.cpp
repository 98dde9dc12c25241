// The file dialog of GetOpenFileName / GetSaveFileName: its window and
// standard controls, the name box, the OK sequence with its prompts, the
// CDM_* messages and the hook and template protocol.
#include "platform/vcl/dialogs_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/kernelsync.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shellapi.h"
#include "platform/shellapi/shellui.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/controls_internal.h"
#include "platform/vcl/dialogs_file_internal.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls_native.h"

namespace {

using namespace filedlg;

uint32_t& LastError() {
  thread_local uint32_t error = 0;
  return error;
}

// Private messages of the dialog window.
constexpr uint32_t kMsgSelChange = WM_APP + 0x301;  // posted: the list's selection changed
constexpr uint32_t kMsgRelist = WM_APP + 0x302;     // posted: list again after a rename
constexpr uintptr_t kWatchTimer = 0x4654;
constexpr uint32_t kWatchMs = 500;

// The child dialog's procedure: the caller's hook, whose answers to
// notifications are kept (a refusal may come by return value alone).
intptr_t ChildProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  TFileDlg* d = StateOf(GetParent(h));
  if (d == nullptr || d->Ofn->lpfnHook == nullptr || (d->Ofn->Flags & OFN_ENABLEHOOK) == 0) return 0;
  const intptr_t r = d->Ofn->lpfnHook(h, msg, wParam, lParam);
  if (msg == WM_NOTIFY) d->LastHookAnswer = r;
  return r;
}

// ---- The name box and OK -------------------------------------------------------------

// The names of the box: a quoted list, or the text as one name.
std::vector<String> BoxNames(TFileDlg* d, const String& text) {
  if (!d->SelBoxText.empty() && text == d->SelBoxText) return d->SelNames;
  std::vector<String> r;
  const String t = Trim(text);
  if (t.empty()) return r;
  if (t.front() != '"') {
    r.push_back(t);
    return r;
  }
  size_t p = 0;
  while (p < t.size()) {
    const size_t a = t.find('"', p);
    if (a == String::npos) break;
    const size_t b = t.find('"', a + 1);
    if (b == String::npos) {
      r.push_back(t.substr(a + 1));
      break;
    }
    if (b > a + 1) r.push_back(t.substr(a + 1, b - a - 1));
    p = b + 1;
  }
  return r;
}

// A typed name as a full path ("" in a virtual folder for a relative name).
String FullName(TFileDlg* d, const String& name) {
  if (name == "~") return HomeDir();
  if (name.compare(0, 2, "~/") == 0) return ExpandFileName(JoinPath(HomeDir(), name.substr(2)), "/");
  if (!name.empty() && name.front() == '/') return ExpandFileName(name, "/");
  if (d->FolderPath.empty()) return String();
  return ExpandFileName(name, d->FolderPath);
}

String WithDefaultExt(TFileDlg* d, const String& full) {
  if (d->DefExt.empty() || !ExtractFileExt(NamePart(full)).empty()) return full;
  if (!d->Save && PathExists(full)) return full;
  String ext = d->DefExt;
  if (d->Type >= 0 && size_t(d->Type) < d->Types.size()) {
    const std::vector<String> pats = SplitPatterns(d->Types[size_t(d->Type)].Patterns);
    if (!pats.empty() && pats[0].size() > 2 && pats[0].compare(0, 2, "*.") == 0 && !HasWildcard(pats[0].substr(2)))
      ext = pats[0].substr(2);
  }
  return full + "." + ext;
}

bool Ask(TFileDlg* d, const String& text, uint32_t type) {
  return PlainMessageBox(d->Dlg, text, GetWindowTextString(d->Dlg), type) == IDYES;
}
void Tell(TFileDlg* d, const String& text) {
  PlainMessageBox(d->Dlg, text, GetWindowTextString(d->Dlg), MB_OK | MB_ICONEXCLAMATION);
}

// The checks of one name, in the dialog's order; false when refused.
bool CheckName(TFileDlg* d, const String& full) {
  const uint32_t flags = d->Ofn->Flags;
  const String shown = DisplayText(full);
  const String name = DisplayText(NamePart(full));
  if ((flags & OFN_NOVALIDATE) == 0 && !ValidFileName(full)) {
    Tell(d, shown + "\nThe file name is not valid.");
    return false;
  }
  const String dir = ParentDir(full);
  struct stat st;
  const bool exists = PathExists(full, &st);
  if ((flags & OFN_PATHMUSTEXIST) != 0 && !IsDir(dir)) {
    Tell(d, shown + "\nThe folder does not exist.\nCheck the path and try again.");
    return false;
  }
  if (!d->Save && (flags & OFN_FILEMUSTEXIST) != 0 && !exists) {
    Tell(d, name + "\nThe file was not found.\nCheck the file name and try again.");
    return false;
  }
  if ((flags & OFN_NOREADONLYRETURN) != 0 &&
      ((exists && ::access(full.c_str(), W_OK) != 0) || (!exists && ::access(dir.c_str(), W_OK) != 0))) {
    Tell(d, name + "\nThe file or its folder is read-only.\nUse a different name.");
    return false;
  }
  if ((flags & OFN_CREATEPROMPT) != 0 && !exists &&
      !Ask(d, name + " does not exist.\nDo you want to create it?", MB_YESNO | MB_ICONQUESTION))
    return false;
  if (d->Save && ::access(dir.c_str(), W_OK) != 0) {
    Tell(d, DisplayText(dir) + "\nYou cannot save in this folder.\nChoose another folder.");
    return false;
  }
  if (d->Save && (flags & OFN_OVERWRITEPROMPT) != 0 && exists &&
      !Ask(d, name + " already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2))
    return false;
  return true;
}

void WriteResult(TFileDlg* d, const std::vector<String>& fulls, const std::vector<String>& names) {
  OPENFILENAME* o = d->Ofn;
  const String& first = fulls.front();
  if (fulls.size() == 1) {
    o->lpstrFile = first;
    const size_t slash = first.find_last_of('/');
    const size_t off = slash == String::npos ? 0 : slash + 1;
    o->nFileOffset = uint16_t(std::min<size_t>(off, 0xFFFF));
    const size_t dot = first.find_last_of('.');
    size_t ext = first.size();
    if (dot != String::npos && dot >= off) ext = dot + 1 == first.size() ? 0 : dot + 1;
    o->nFileExtension = uint16_t(std::min<size_t>(ext, 0xFFFF));
    o->lpstrFileTitle = first.substr(off);
  } else {
    String r = d->FolderPath;
    r += '\0';
    for (const String& n : names) {
      r += n;
      r += '\0';
    }
    r += '\0';
    o->lpstrFile = r;
    o->nFileOffset = uint16_t(std::min<size_t>(d->FolderPath.size() + 1, 0xFFFF));
    o->nFileExtension = 0;
    o->lpstrFileTitle = names.front();
  }
  const String ext = ExtractFileExt(NamePart(first));
  if (!d->DefExt.empty() && !SameText(ext.empty() ? ext : ext.substr(1), d->DefExt))
    o->Flags |= OFN_EXTENSIONDIFFERENT;
  else
    o->Flags &= ~OFN_EXTENSIONDIFFERENT;
  if (Shown(d, chx1)) {
    if (IsDlgButtonChecked(d->Dlg, chx1) == BST_CHECKED)
      o->Flags |= OFN_READONLY;
    else
      o->Flags &= ~OFN_READONLY;
  }
  o->nFilterIndex = uint32_t(d->Type + 1);
}

void OnOk(TFileDlg* d) {
  HWND list = Item(d, lst1);
  const std::vector<int32_t> rows = SelectedRows(d);
  const String text = BoxText(d);
  const bool listFocused = GetFocus() == list;
  if ((listFocused || Trim(text).empty()) && rows.size() == 1) {
    if (TFileItem* item = RowItem(d, rows[0]); item != nullptr && item->FolderLike) {
      OpenItem(d, *item);
      return;
    }
  }
  std::vector<String> names = BoxNames(d, text);
  if (names.empty()) {
    MessageBeep(0);
    return;
  }
  if (names.size() > 1 && (d->Ofn->Flags & OFN_ALLOWMULTISELECT) == 0) {
    Tell(d, DisplayText(Trim(text)) + "\nThe file name is not valid.");
    return;
  }
  if (names.size() == 1) {
    const String& n = names[0];
    if (HasWildcard(n)) {
      const size_t slash = n.find_last_of('/');
      if (slash != String::npos) {
        const String dir = FullName(d, n.substr(0, slash + 1));
        if (dir.empty() || !IsDir(dir)) {
          Tell(d, DisplayText(n) + "\nThe folder does not exist.\nCheck the path and try again.");
          return;
        }
        d->TypedFilter = n.substr(slash + 1);
        NavigatePath(d, dir);
      } else {
        d->TypedFilter = n;
        Refill(d);
      }
      SetBoxText(d, String());
      return;
    }
    String full = FullName(d, n);
    if (full.empty()) {
      // A virtual folder: its items by name.
      for (const TFileItem& item : d->Items)
        if (item.Name == n || item.Shown == n) {
          OpenItem(d, item);
          SetBoxText(d, String());
          return;
        }
      Tell(d, DisplayText(n) + "\nThe file was not found.\nCheck the file name and try again.");
      return;
    }
    if (IsDir(full)) {
      if (NavigatePath(d, full)) SetBoxText(d, String());
      return;
    }
    if ((d->Ofn->Flags & OFN_NODEREFERENCELINKS) == 0 && EndsWithDesktop(full) && PathExists(full)) {
      String target;
      bool dir = false;
      if (ResolveLink(full, target, dir)) {
        if (dir) {
          if (NavigatePath(d, target)) SetBoxText(d, String());
          return;
        }
        full = target;
      }
    }
    full = WithDefaultExt(d, full);
    if (!CheckName(d, full)) return;
    WriteResult(d, {full}, {NamePart(full)});
  } else {
    if (d->FolderPath.empty()) {
      MessageBeep(0);
      return;
    }
    std::vector<String> fulls, out;
    for (const String& n : names) {
      String full = WithDefaultExt(d, FullName(d, n));
      if (!CheckName(d, full)) return;
      fulls.push_back(full);
      out.push_back(ParentDir(full) == ExcludeTrailingPathDelimiter(d->FolderPath) && n.front() != '/' ? NamePart(full)
                                                                                                       : full);
    }
    WriteResult(d, fulls, out);
  }
  if (Notify(d, CDN_FILEOK) != 0) return;
  EndDialog(d->Dlg, IDOK);
}

// ---- Selection -----------------------------------------------------------------------

void SelectionChanged(TFileDlg* d) {
  d->SelPending = false;
  std::vector<const TFileItem*> files;
  for (int32_t row : SelectedRows(d))
    if (TFileItem* item = RowItem(d, row); item != nullptr && !item->FolderLike) files.push_back(item);
  if (!files.empty()) {
    String text;
    std::vector<String> names;
    if (files.size() == 1) {
      text = files[0]->Shown;
    } else {
      for (const TFileItem* f : files) {
        if (!text.empty()) text += ' ';
        text += "\"" + f->Shown + "\"";
      }
    }
    for (const TFileItem* f : files) names.push_back(f->Name);
    SetWindowText(Item(d, edt1), text.c_str());
    d->SelBoxText = text;
    d->SelNames = names;
  }
  Notify(d, CDN_SELCHANGE);
}

// ---- CDM_* ---------------------------------------------------------------------------

LRESULT PutString(HWND h, LPARAM lParam, const String& s) {
  if (auto* out = reinterpret_cast<String*>(lParam)) *out = s;
  return Answer(h, LRESULT(s.size() + 1));
}

intptr_t ControlMessage(TFileDlg* d, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  HWND h = d->Dlg;
  switch (msg) {
    case CDM_GETSPEC: return PutString(h, lParam, BoxText(d));
    case CDM_GETFILEPATH: {
      const std::vector<String> names = BoxNames(d, BoxText(d));
      const String first = names.empty() ? String() : names.front();
      if (!first.empty() && first.front() == '/') return PutString(h, lParam, first);
      if (d->FolderPath.empty()) return first.empty() ? Answer(h, -1) : PutString(h, lParam, first);
      return PutString(h, lParam,
                       first.empty() ? IncludeTrailingPathDelimiter(d->FolderPath) : JoinPath(d->FolderPath, first));
    }
    case CDM_GETFOLDERPATH:
      if (d->FolderPath.empty()) return Answer(h, -1);
      return PutString(h, lParam, d->FolderPath);
    case CDM_GETFOLDERIDLIST: {
      PIDLIST_ABSOLUTE copy = ILClone(d->Folder);
      if (auto* out = reinterpret_cast<PIDLIST_ABSOLUTE*>(lParam))
        *out = copy;
      else
        ILFree(copy);
      return Answer(h, copy != nullptr ? LRESULT(ILGetSize(d->Folder)) : -1);
    }
    case CDM_SETCONTROLTEXT: {
      const auto* text = reinterpret_cast<const String*>(lParam);
      const String t = text != nullptr ? *text : String();
      const int32_t id = int32_t(wParam);
      if (id == edt1 || id == cmb13)
        SetBoxText(d, t);
      else if (HWND c = Item(d, id))
        SetWindowText(c, t.c_str());
      return Answer(h, 0);
    }
    case CDM_HIDECONTROL:
      if (HWND c = Item(d, int32_t(wParam))) {
        ShowWindow(c, SW_HIDE);
        EnableWindow(c, false);
      }
      return Answer(h, 0);
    case CDM_SETDEFEXT: {
      const auto* text = reinterpret_cast<const String*>(lParam);
      String e = text != nullptr ? *text : String();
      while (!e.empty() && e.front() == '.') e.erase(0, 1);
      d->DefExt = e;
      return Answer(h, 0);
    }
    default: return 0;
  }
}

// ---- Keys of the list and the name box -----------------------------------------------

std::map<HWND, WNDPROC>& SubclassedControls() {
  static std::map<HWND, WNDPROC> m;
  return m;
}

LRESULT ControlProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  auto it = SubclassedControls().find(h);
  if (it == SubclassedControls().end()) return DefWindowProc(h, msg, wParam, lParam);
  const WNDPROC old = it->second;
  if (msg == WM_KEYDOWN && wParam == 'H' && (GetKeyState(VK_CONTROL) & 0x8000) != 0) {
    if (TFileDlg* d = StateOf(GetParent(h))) {
      d->ShowHidden = !d->ShowHidden;
      std::vector<String> keep;
      for (int32_t row : SelectedRows(d))
        if (TFileItem* item = RowItem(d, row)) keep.push_back(item->Name);
      Refill(d, keep);
      return 0;
    }
  }
  if (msg == WM_NCDESTROY) {
    SubclassedControls().erase(it);
    SetWindowLong(h, GWL_WNDPROC, reinterpret_cast<intptr_t>(old));
  }
  return CallWindowProc(old, h, msg, wParam, lParam);
}

void SubclassControl(HWND c) {
  if (c == nullptr) return;
  SubclassedControls()[c] =
      reinterpret_cast<WNDPROC>(SetWindowLong(c, GWL_WNDPROC, reinterpret_cast<intptr_t>(&ControlProc)));
}

// ---- The dialog ----------------------------------------------------------------------

const char* const kPlaces[] = {"Home", "Desktop", "Pictures", "Documents", "Computer"};

void GoToPlace(TFileDlg* d, int32_t index) {
  PIDLIST_ABSOLUTE p = nullptr;
  switch (index) {
    case 0: p = ParsePath("::Home"); break;
    case 1: SHGetSpecialFolderLocation(d->Dlg, CSIDL_DESKTOP, &p); break;
    case 2: SHGetSpecialFolderLocation(d->Dlg, CSIDL_MYPICTURES, &p); break;
    case 3: SHGetSpecialFolderLocation(d->Dlg, CSIDL_PERSONAL, &p); break;
    case 4: SHGetSpecialFolderLocation(d->Dlg, CSIDL_DRIVES, &p); break;
    default: break;
  }
  if (p == nullptr || !Navigate(d, p, true)) MessageBeep(0);
}

void InitControls(TFileDlg* d) {
  const OPENFILENAME* o = d->Ofn;
  HWND h = d->Dlg;
  SetDlgItemText(h, IDOK, d->Save ? "Save" : "Open");
  if ((o->Flags & OFN_HIDEREADONLY) != 0) ShowWindow(Item(d, chx1), SW_HIDE);
  CheckDlgButton(h, chx1, (o->Flags & OFN_READONLY) != 0 ? BST_CHECKED : BST_UNCHECKED);
  if ((o->Flags & OFN_SHOWHELP) == 0) ShowWindow(Item(d, pshHelp), SW_HIDE);
  HWND places = Item(d, ctl1);
  if (!PlacesShown(d)) {
    ShowWindow(places, SW_HIDE);
  } else {
    for (const char* p : kPlaces) SendMessage(places, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));
  }
  HWND list = Item(d, lst1);
  SendMessage(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(ShellSystemImageList(true)));
  SendMessage(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  struct {
    const char* Text;
    int32_t Width;
    int32_t Fmt;
  } const cols[] = {{"Name", 150, LVCFMT_LEFT},
                    {"Size", 60, LVCFMT_RIGHT},
                    {"Type", 90, LVCFMT_LEFT},
                    {"Modified", 100, LVCFMT_LEFT}};
  for (int32_t i = 0; i < 4; ++i) {
    LVCOLUMN c;
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    c.pszText = const_cast<char*>(cols[i].Text);
    c.cx = cols[i].Width;
    c.fmt = cols[i].Fmt;
    c.iSubItem = i;
    SendMessage(list, LVM_INSERTCOLUMN, WPARAM(i), reinterpret_cast<LPARAM>(&c));
  }
  HWND types = Item(d, cmb1);
  for (const TFilterType& t : d->Types)
    SendMessage(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.Description.c_str()));
  SendMessage(types, CB_SETCURSEL, WPARAM(d->Type), 0);
  SubclassControl(list);
  SubclassControl(Item(d, edt1));
  if (ShellUI().AutoComplete) SHAutoComplete(Item(d, edt1), SHACF_FILESYSTEM);
}

// The first folder and name from lpstrFile, lpstrInitialDir and the current folder.
void InitialFolder(TFileDlg* d, String& name) {
  String file = d->Ofn->lpstrFile.substr(0, d->Ofn->lpstrFile.find('\0'));
  name = file;
  String folder;
  if (!file.empty()) {
    const String full = FullName(d, file);
    if (file.front() == '/' || file.compare(0, 1, "~") == 0) {
      if (IsDir(full)) {
        folder = full;
        name.clear();
      } else if (IsDir(ParentDir(full))) {
        folder = ParentDir(full);
        name = NamePart(full);
      }
    }
  }
  if (folder.empty() && !d->Ofn->lpstrInitialDir.empty()) {
    const String dir = ExpandFileName(d->Ofn->lpstrInitialDir);
    if (IsDir(dir)) folder = dir;
  }
  if (folder.empty()) folder = GetCurrentDir();
  if (!Navigate(d, ParsePath(folder), false)) {
    PIDLIST_ABSOLUTE p = nullptr;
    SHGetSpecialFolderLocation(d->Dlg, CSIDL_DESKTOP, &p);
    Navigate(d, p, false);
  }
}

bool InitDialog(TFileDlg* d) {
  InitControls(d);
  // The child dialog: the caller's template (or an empty one) run by the hook.
  const uint32_t flags = d->Ofn->Flags;
  if ((flags & (OFN_ENABLEHOOK | OFN_ENABLETEMPLATE)) != 0) {
    TDialogTemplate t;
    if ((flags & OFN_ENABLETEMPLATE) != 0 && d->ChildTemplate != nullptr) t = *d->ChildTemplate;
    t.Style &= ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_THICKFRAME | DS_CENTER);
    t.Style |= WS_CHILD | WS_VISIBLE | DS_CONTROL | WS_CLIPSIBLINGS;
    if ((flags & OFN_ENABLETEMPLATE) == 0) {
      t.CX = 0;
      t.CY = 0;
      t.Items.clear();
    }
    t.X = 0;
    t.Y = 0;
    d->Child = CreateDialogIndirectParam(nullptr, t, d->Dlg, ChildProc, reinterpret_cast<LPARAM>(d->Ofn));
    if (d->Child == nullptr) return false;
  }
  InitialLayout(d);
  String name;
  InitialFolder(d, name);
  SetBoxText(d, name);
  CenterDialog(d);
  TDialogInfo info;
  info.Kind = d->Save ? TDialogKind::dkSave : TDialogKind::dkOpen;
  info.Caption = GetWindowTextString(d->Dlg);
  info.Buttons = {d->Save ? "Save" : "Open", "Cancel"};
  SetDialogInfo(d->Dlg, info);
  Notify(d, CDN_INITDONE);
  if (!IsWindow(d->Dlg)) return false;
  Notify(d, CDN_FOLDERCHANGE);
  SetFocus(Item(d, edt1));
  return true;
}

intptr_t FileDlgProc(HWND h, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* d = reinterpret_cast<TFileDlg*>(lParam);
    SetWindowLong(h, DWLP_USER, reinterpret_cast<intptr_t>(d));
    d->Dlg = h;
    if (!InitDialog(d)) {
      LastError() = CDERR_INITIALIZATION;
      EndDialog(h, -1);
    }
    return 0;
  }
  TFileDlg* d = StateOf(h);
  if (d == nullptr) return 0;
  if (msg >= CDM_FIRST && msg <= CDM_SETDEFEXT) return ControlMessage(d, msg, wParam, lParam);
  switch (msg) {
    case WM_COMMAND: {
      const int32_t id = LOWORD(wParam);
      const uint32_t code = HIWORD(wParam);
      if (id == IDOK && code == BN_CLICKED) {
        OnOk(d);
      } else if (id == IDCANCEL && code == BN_CLICKED) {
        EndDialog(h, IDCANCEL);
      } else if (id == pshHelp && code == BN_CLICKED) {
        Notify(d, CDN_HELP);
        if (d->Ofn->hwndOwner != nullptr)
          SendMessage(d->Ofn->hwndOwner, RegisterWindowMessage(HELPMSGSTRING), reinterpret_cast<WPARAM>(d->Child),
                      reinterpret_cast<LPARAM>(d->Ofn));
      } else if (id == pshUpFolder && code == BN_CLICKED) {
        Up(d);
      } else if (id == pshNewFolder && code == BN_CLICKED) {
        NewFolder(d);
      } else if (id == cmb1 && code == CBN_SELCHANGE) {
        const LRESULT sel = SendMessage(Item(d, cmb1), CB_GETCURSEL, 0, 0);
        if (sel >= 0 && int32_t(sel) != d->Type) {
          d->Type = int32_t(sel);
          d->Ofn->nFilterIndex = uint32_t(sel + 1);
          d->TypedFilter.clear();
          Refill(d);
          Notify(d, CDN_TYPECHANGE);
        }
      } else if (id == cmb2 && code == CBN_SELCHANGE) {
        const LRESULT sel = SendMessage(Item(d, cmb2), CB_GETCURSEL, 0, 0);
        if (sel >= 0) {
          const int32_t keep = int32_t(SendMessage(Item(d, cmb2), CB_GETITEMDATA, WPARAM(sel), 0));
          PIDLIST_ABSOLUTE p = ILClone(d->Folder);
          while (ILCount(p) > keep) ILRemoveLastID(p);
          if (ILIsEqual(p, d->Folder))
            ILFree(p);
          else
            Navigate(d, p, true);
        }
      } else if (id == ctl1 && code == LBN_SELCHANGE) {
        const LRESULT sel = SendMessage(Item(d, ctl1), LB_GETCURSEL, 0, 0);
        if (sel >= 0) GoToPlace(d, int32_t(sel));
      }
      return 1;
    }
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr == nullptr || hdr->hwndFrom != Item(d, lst1)) return 0;
      if (hdr->code == LVN_ITEMCHANGED) {
        const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (!d->Listing && (nm->uChanged & LVIF_STATE) != 0 && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) != 0 &&
            !d->SelPending) {
          d->SelPending = true;
          PostMessage(h, kMsgSelChange, 0, 0);
        }
      } else if (hdr->code == LVN_ITEMACTIVATE) {
        const auto* nm = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        if (TFileItem* item = RowItem(d, nm->iItem)) {
          if (item->FolderLike)
            OpenItem(d, *item);
          else
            OnOk(d);
        }
      } else if (hdr->code == LVN_ENDLABELEDIT) {
        const auto* nm = reinterpret_cast<const NMLVDISPINFO*>(lParam);
        TFileItem* item = RowItem(d, nm->item.iItem);
        if (item != nullptr && nm->item.pszText != nullptr && *nm->item.pszText != 0) {
          const String name = nm->item.pszText;
          PITEMID_CHILD renamed = nullptr;
          if (SUCCEEDED(d->FolderObj->SetNameOf(d->Dlg, item->Pidl, name, SHGDN_INFOLDER, &renamed))) {
            ILFree(renamed);
            // Listed again once the list is done with its edit.
            d->Renamed = name;
            PostMessage(h, kMsgRelist, 0, 0);
          } else {
            Tell(d, DisplayText(name) + "\nThe name cannot be given: it is taken or not valid.");
          }
        }
        return Answer(h, 0);
      }
      return 0;
    }
    case WM_TIMER:
      // A name being edited in the list waits: listing again would end the edit.
      if (wParam == kWatchTimer && d->Watch != INVALID_HANDLE_VALUE &&
          SendMessage(Item(d, lst1), LVM_GETEDITCONTROL, 0, 0) == 0 &&
          WaitForSingleObject(d->Watch, 0) == WAIT_OBJECT_0) {
        FindNextChangeNotification(d->Watch);
        std::vector<String> keep;
        for (int32_t row : SelectedRows(d))
          if (TFileItem* item = RowItem(d, row)) keep.push_back(item->Name);
        Refill(d, keep);
      }
      return 1;
    case WM_SIZE:
      if (d->Sizing && wParam != SIZE_MINIMIZED) Resized(d, LOWORD(uintptr_t(lParam)), HIWORD(uintptr_t(lParam)));
      return 0;
    case WM_SHOWWINDOW:
      if (wParam != 0) {
        SetTimer(h, kWatchTimer, kWatchMs, nullptr);
        d->Sizing = (d->Ofn->Flags & OFN_ENABLESIZING) != 0;
      }
      return 0;
    case WM_DESTROY: KillTimer(h, kWatchTimer); return 0;
    default: break;
  }
  if (msg == kMsgRelist) {
    Refill(d, {d->Renamed});
    return 1;
  }
  if (msg == kMsgSelChange) {
    if (d->SelPending) SelectionChanged(d);
    return 1;
  }
  return 0;
}

TDialogTemplate FileDialogTemplate(const OPENFILENAME& o, bool save) {
  TDialogTemplate t;
  t.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | WS_CLIPCHILDREN;
  if ((o.Flags & OFN_ENABLESIZING) != 0) t.Style |= WS_THICKFRAME;
  t.Title = !o.lpstrTitle.empty() ? o.lpstrTitle : String(save ? "Save As" : "Open");
  t.FontName = "MS Shell Dlg";
  t.PointSize = 8;
  t.CX = kStdW;
  t.CY = kStdH;
  const uint32_t vis = WS_CHILD | WS_VISIBLE;
  const uint32_t tab = vis | WS_TABSTOP;
  const bool multi = (o.Flags & OFN_ALLOWMULTISELECT) != 0;
  t.Items = {
      {"ListBox", ctl1, "", tab | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 10, 10},
      {"Static", stc4, "Look &in:", vis | SS_LEFT, 0, 0, 0, 10, 10},
      {"ComboBox", cmb2, "", tab | CBS_DROPDOWNLIST, 0, 0, 0, 10, 10},
      {"Button", pshUpFolder, "^", tab | BS_PUSHBUTTON, 0, 0, 0, 10, 10},
      {"Button", pshNewFolder, "+", tab | BS_PUSHBUTTON, 0, 0, 0, 10, 10},
      {"SysListView32", lst1, "",
       tab | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_EDITLABELS |
           (multi ? 0 : LVS_SINGLESEL),
       0, 0, 0, 10, 10},
      {"Static", stc3, "File &name:", vis | SS_LEFT, 0, 0, 0, 10, 10},
      {"Edit", edt1, "", tab | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0, 10, 10},
      {"Static", stc2, save ? "Save as &type:" : "Files of &type:", vis | SS_LEFT, 0, 0, 0, 10, 10},
      {"ComboBox", cmb1, "", tab | CBS_DROPDOWNLIST, 0, 0, 0, 10, 10},
      {"Button", chx1, "Open as &read-only", tab | BS_AUTOCHECKBOX, 0, 0, 0, 10, 10},
      {"Button", IDOK, save ? "Save" : "Open", tab | BS_DEFPUSHBUTTON, 0, 0, 0, 10, 10},
      {"Button", IDCANCEL, "Cancel", tab | BS_PUSHBUTTON, 0, 0, 0, 10, 10},
      {"Button", pshHelp, "&Help", tab | BS_PUSHBUTTON, 0, 0, 0, 10, 10},
  };
  return t;
}

bool RunFileDialog(OPENFILENAME* ofn, bool save) {
  VclCheckThread(save ? "GetSaveFileName" : "GetOpenFileName");
  LastError() = 0;
  if (ofn == nullptr) {
    LastError() = CDERR_INITIALIZATION;
    return false;
  }
  if (ofn->lStructSize != OPENFILENAME_SIZE && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400) {
    LastError() = CDERR_STRUCTSIZE;
    return false;
  }
  if ((ofn->Flags & OFN_ENABLEHOOK) != 0 && ofn->lpfnHook == nullptr) {
    LastError() = CDERR_NOHOOK;
    return false;
  }
  TFileDlg d;
  d.Ofn = ofn;
  d.Save = save;
  if ((ofn->Flags & OFN_ENABLETEMPLATE) != 0) {
    d.ChildTemplate = FindDialogTemplate(ofn->lpTemplateName);
    if (d.ChildTemplate == nullptr) {
      LastError() = CDERR_FINDRESFAILURE;
      return false;
    }
  }
  const String initial = ofn->lpstrFile.substr(0, ofn->lpstrFile.find('\0'));
  if (!initial.empty() && !ValidFileName(initial)) {
    LastError() = FNERR_INVALIDFILENAME;
    return false;
  }
  RegisterStdControlClasses();
  RegisterListViewClass();
  d.Types = ParseFilter(ofn->lpstrFilter);
  d.Type = ofn->nFilterIndex == 0 || ofn->nFilterIndex > d.Types.size() ? 0 : int32_t(ofn->nFilterIndex - 1);
  ofn->nFilterIndex = uint32_t(d.Type + 1);
  d.DefExt = ofn->lpstrDefExt;
  while (!d.DefExt.empty() && d.DefExt.front() == '.') d.DefExt.erase(0, 1);
  d.ShowHidden = (ofn->Flags & OFN_FORCESHOWHIDDEN) != 0;
  // A hidden or message-only owner counts as none.
  HWND owner = ofn->hwndOwner != nullptr ? GetAncestor(ofn->hwndOwner, GA_ROOT) : nullptr;
  if (owner != nullptr && !IsWindowVisible(owner)) owner = nullptr;
  d.PlacementWindow = owner;
  if (d.PlacementWindow == nullptr && Screen != nullptr && Screen->ActiveForm() != nullptr &&
      Screen->ActiveForm()->HandleAllocated())
    d.PlacementWindow = Screen->ActiveForm()->Handle();
  const TDialogTemplate t = FileDialogTemplate(*ofn, save);
  const intptr_t r = DialogBoxIndirectParam(nullptr, t, owner, FileDlgProc, reinterpret_cast<LPARAM>(&d));
  if (r == -1 && LastError() == 0) LastError() = CDERR_INITIALIZATION;
  return r == IDOK;
}

}  // namespace

uint32_t CommDlgExtendedError() { return LastError(); }

bool GetOpenFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, false); }
bool GetSaveFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, true); }
