// The file dialog's layout, listing and navigation.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "platform/rtl/files.h"
#include "platform/rtl/filetime.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/dialogs_file_internal.h"
#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/stdctrls_native.h"

namespace filedlg {

// ---- Small helpers -------------------------------------------------------------------

std::vector<TFilterType> ParseFilter(const String& f) {
  std::vector<TFilterType> r;
  size_t p = 0;
  while (p < f.size()) {
    const size_t e1 = f.find('\0', p);
    if (e1 == String::npos || e1 == p) break;
    const size_t e2 = f.find('\0', e1 + 1);
    const String desc = f.substr(p, e1 - p);
    const String pat = f.substr(e1 + 1, e2 == String::npos ? String::npos : e2 - e1 - 1);
    r.push_back(TFilterType{desc, pat});
    if (e2 == String::npos) break;
    p = e2 + 1;
  }
  return r;
}

std::vector<String> SplitPatterns(const String& patterns) {
  std::vector<String> r;
  size_t p = 0;
  while (p <= patterns.size()) {
    size_t e = patterns.find(';', p);
    if (e == String::npos) e = patterns.size();
    String one = Trim(patterns.substr(p, e - p));
    if (!one.empty()) r.push_back(one);
    p = e + 1;
  }
  return r;
}

static bool MatchesAny(const String& name, const String& patterns) {
  for (const String& m : SplitPatterns(patterns))
    if (MatchesMask(name, m)) return true;
  return false;
}

bool HasWildcard(const String& s) { return s.find_first_of("*?") != String::npos; }

String JoinPath(const String& dir, const String& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

String HomeDir() {
  const char* h = std::getenv("HOME");
  return h != nullptr && *h != 0 ? String(h) : String("/");
}

bool PathExists(const String& p, struct stat* st) {
  struct stat s;
  if (::stat(p.c_str(), &s) != 0) return false;
  if (st != nullptr) *st = s;
  return true;
}

bool IsDir(const String& p) {
  struct stat s;
  return PathExists(p, &s) && S_ISDIR(s.st_mode);
}

String ParentDir(const String& p) {
  const size_t slash = p.find_last_of('/');
  if (slash == String::npos) return String();
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

String NamePart(const String& p) {
  const size_t slash = p.find_last_of('/');
  return slash == String::npos ? p : p.substr(slash + 1);
}

bool EndsWithDesktop(const String& p) { return p.size() > 8 && LowerCase(p.substr(p.size() - 8)) == ".desktop"; }

// A name that no file can have: empty, a NUL, or a segment over NAME_MAX.
bool ValidFileName(const String& full) {
  if (full.empty() || full.find('\0') != String::npos) return false;
  size_t p = 0;
  while (p <= full.size()) {
    size_t e = full.find('/', p);
    if (e == String::npos) e = full.size();
    if (e - p > NAME_MAX) return false;
    p = e + 1;
  }
  return true;
}

PIDLIST_ABSOLUTE ParsePath(const String& path) {
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  PIDLIST_RELATIVE pidl = nullptr;
  if (FAILED(desk->ParseDisplayName(nullptr, nullptr, path, nullptr, &pidl, nullptr))) return nullptr;
  return pidl;
}

static String NameOf(IShellFolder* folder, PCUITEMID_CHILD item, uint32_t flags) {
  STRRET s;
  if (FAILED(folder->GetDisplayNameOf(item, flags, &s))) return String();
  String out;
  StrRetToStr(&s, item, out);
  return out;
}

// The target of a ".desktop" link: false when it has none.
bool ResolveLink(const String& path, String& target, bool& isDir) {
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(link.ReleaseAndGetAddressOf()))))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(IID_IPersistFile, file)) || FAILED(file->Load(path, 0))) return false;
  WIN32_FIND_DATA fd;
  if (link->GetPath(target, &fd, 0) != S_OK || target.empty()) return false;
  isDir = IsDir(target);
  return true;
}

static String Thousands(uint64_t v) {
  String digits = std::to_string(v);
  String r;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i != 0 && (n - i) % 3 == 0) r += ',';
    r += digits[i];
  }
  return r;
}

LRESULT Answer(HWND h, LRESULT value) {
  SetWindowLong(h, DWLP_MSGRESULT, value);
  return 1;
}

// ---- Notifications to the hook -------------------------------------------------------

static intptr_t SendNotify(TFileDlg* d, NMHDR* hdr) {
  if (d->Child == nullptr || !IsWindow(d->Child)) return 0;
  d->LastHookAnswer = 0;
  SetWindowLong(d->Child, DWLP_MSGRESULT, 0);
  const LRESULT r = SendMessage(d->Child, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(hdr));
  if (r != 0) return r;
  if (!IsWindow(d->Child)) return 0;
  const intptr_t slot = GetWindowLong(d->Child, DWLP_MSGRESULT);
  return slot != 0 ? slot : d->LastHookAnswer;
}

intptr_t Notify(TFileDlg* d, uint32_t code) {
  OFNOTIFY nm;
  nm.hdr.hwndFrom = d->Dlg;
  nm.hdr.idFrom = 0;
  nm.hdr.code = code;
  nm.lpOFN = d->Ofn;
  return SendNotify(d, &nm.hdr);
}

// ---- Controls ------------------------------------------------------------------------

HWND Item(TFileDlg* d, int32_t id) { return GetDlgItem(d->Dlg, id == cmb13 ? edt1 : id); }

String BoxText(TFileDlg* d) { return GetWindowTextString(Item(d, edt1)); }

void SetBoxText(TFileDlg* d, const String& text) {
  SetWindowText(Item(d, edt1), text.c_str());
  if (text != d->SelBoxText) {
    d->SelBoxText.clear();
    d->SelNames.clear();
  }
}

static int32_t Px(TFileDlg* d, int32_t v) {
  TRect r{0, 0, v, 0};
  MapDialogRect(d->Dlg, &r);
  return r.Right;
}
static int32_t Py(TFileDlg* d, int32_t v) {
  TRect r{0, 0, 0, v};
  MapDialogRect(d->Dlg, &r);
  return r.Bottom;
}

bool PlacesShown(TFileDlg* d) {
  return !(d->Ofn->lStructSize >= OPENFILENAME_SIZE && (d->Ofn->FlagsEx & OFN_EX_NOPLACESBAR) != 0);
}

static TSize MinStdSize(TFileDlg* d) {
  return TSize{Px(d, PlacesShown(d) ? kMinW : kMinW - kPlacesW - 4), Py(d, kMinH)};
}
static TSize DefaultStdSize(TFileDlg* d) {
  return TSize{Px(d, PlacesShown(d) ? kStdW : kStdW - kPlacesW - 4), Py(d, kStdH)};
}

static void Place(TFileDlg* d, int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (HWND c = Item(d, id))
    SetWindowPos(c, nullptr, x, y, std::max(0, w), std::max(0, h), SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Shown(TFileDlg* d, int32_t id) {
  HWND c = Item(d, id);
  return c != nullptr && (GetWindowLong(c, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The standard controls in the area a (client pixels of the dialog).
static void Layout(TFileDlg* d, const TRect& a) {
  const int32_t m = Px(d, 4), gap = Py(d, 4);
  const int32_t bw = Px(d, 50), bh = Py(d, 14), eh = Py(d, 12), sq = Px(d, 16);
  const int32_t right = a.Right - m;
  int32_t y = a.Top + gap;
  Place(d, stc4, a.Left + m, y + Py(d, 2), Px(d, 36), Py(d, 8));
  Place(d, pshNewFolder, right - sq, y, sq, Py(d, 13));
  Place(d, pshUpFolder, right - 2 * sq - Px(d, 2), y, sq, Py(d, 13));
  const int32_t lookX = a.Left + Px(d, 42);
  Place(d, cmb2, lookX, y, right - 2 * sq - Px(d, 6) - lookX, eh);
  const int32_t top = a.Top + Py(d, 20);
  int32_t bottom = a.Bottom - gap;
  const bool places = PlacesShown(d);
  const int32_t cx = places ? a.Left + m + Px(d, kPlacesW) + m : a.Left + m;
  if (places) Place(d, ctl1, a.Left + m, top, Px(d, kPlacesW), bottom - top);
  const bool row3 = Shown(d, chx1) || Shown(d, pshHelp);
  const int32_t y3 = bottom - bh;
  const int32_t y2 = (row3 ? y3 - gap : bottom) - bh;
  const int32_t y1 = y2 - gap - bh;
  Place(d, lst1, cx, top, right - cx, y1 - gap - top);
  const int32_t labelW = Px(d, 50), boxX = cx + labelW + Px(d, 2), boxW = right - bw - Px(d, 6) - boxX;
  Place(d, stc3, cx, y1 + Py(d, 3), labelW, Py(d, 8));
  Place(d, edt1, boxX, y1 + Py(d, 1), boxW, eh);
  Place(d, IDOK, right - bw, y1, bw, bh);
  Place(d, stc2, cx, y2 + Py(d, 3), labelW, Py(d, 8));
  Place(d, cmb1, boxX, y2 + Py(d, 1), boxW, eh);
  Place(d, IDCANCEL, right - bw, y2, bw, bh);
  Place(d, chx1, boxX, y3 + Py(d, 2), boxW, Py(d, 10));
  Place(d, pshHelp, right - bw, y3, bw, bh);
  d->StdArea = a;
}

static TRect ChildRect(HWND parent, HWND c) {
  TRect r;
  GetWindowRect(c, &r);
  MapWindowPoints(nullptr, parent, &r);
  return r;
}

static void SetClientSize(TFileDlg* d, int32_t w, int32_t h) {
  TRect wr, cr;
  GetWindowRect(d->Dlg, &wr);
  GetClientRect(d->Dlg, &cr);
  SetWindowPos(d->Dlg, nullptr, 0, 0, w + wr.Width() - cr.Width(), h + wr.Height() - cr.Height(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  d->Client = TSize{w, h};
}

// Moves the child's controls right of (below) the standard area by dx (dy).
static void ShiftChildControls(TFileDlg* d, const TRect& area, int32_t dx, int32_t dy) {
  for (HWND c = GetWindow(d->Child, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    TRect r = ChildRect(d->Child, c);
    if (GetDlgCtrlID(c) == stc32) {
      SetWindowPos(c, nullptr, r.Left, r.Top, r.Width() + dx, r.Height() + dy, SWP_NOZORDER | SWP_NOACTIVATE);
      continue;
    }
    const int32_t x = r.Left >= area.Right ? r.Left + dx : r.Left;
    const int32_t y = r.Top >= area.Bottom ? r.Top + dy : r.Top;
    if (x != r.Left || y != r.Top) SetWindowPos(c, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// The first layout: the standard area in stc32's rectangle (enlarged to its
// least size), or top-left with the template's controls below it.
void InitialLayout(TFileDlg* d) {
  TRect area;
  if (d->Child == nullptr) {
    const TSize s = DefaultStdSize(d);
    area = TRect{0, 0, s.cx, s.cy};
    SetClientSize(d, s.cx, s.cy);
  } else {
    TRect cr;
    GetClientRect(d->Child, &cr);
    HWND place = GetDlgItem(d->Child, stc32);
    int32_t w = cr.Width(), h = cr.Height();
    if (place != nullptr) {
      const TRect r = ChildRect(d->Child, place);
      const TSize least = MinStdSize(d);
      const int32_t dx = std::max(0, least.cx - r.Width()), dy = std::max(0, least.cy - r.Height());
      ShiftChildControls(d, r, dx, dy);
      area = TRect{r.Left, r.Top, r.Right + dx, r.Bottom + dy};
      w = std::max(w + dx, area.Right);
      h = std::max(h + dy, area.Bottom);
    } else {
      const TSize s = DefaultStdSize(d);
      for (HWND c = GetWindow(d->Child, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        const TRect r = ChildRect(d->Child, c);
        SetWindowPos(c, nullptr, r.Left, r.Top + s.cy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      area = TRect{0, 0, s.cx, s.cy};
      w = std::max(w, s.cx);
      h += s.cy;
    }
    SetWindowPos(d->Child, HWND_BOTTOM, 0, 0, w, h, SWP_NOACTIVATE);
    SetClientSize(d, w, h);
  }
  Layout(d, area);
}

// OFN_ENABLESIZING: the standard area and the child take the change; the
// template's controls right of and below the area keep their margins.
void Resized(TFileDlg* d, int32_t w, int32_t h) {
  if (d->Client.cx == 0 || (w == d->Client.cx && h == d->Client.cy)) return;
  const int32_t dx = w - d->Client.cx, dy = h - d->Client.cy;
  d->Client = TSize{w, h};
  TRect area = d->StdArea;
  if (d->Child != nullptr) {
    ShiftChildControls(d, area, dx, dy);
    SetWindowPos(d->Child, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  area.Right += dx;
  area.Bottom += dy;
  Layout(d, area);
}

void CenterDialog(TFileDlg* d) {
  TRect r;
  GetWindowRect(d->Dlg, &r);
  HWND ref = d->PlacementWindow;
  MONITORINFO mi;
  HMONITOR mon = ref != nullptr ? MonitorFromWindow(ref, MONITOR_DEFAULTTONEAREST)
                                : MonitorFromPoint(TPoint{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfo(mon, &mi)) return;
  const TRect& w = mi.rcWork;
  const int32_t x = std::max(w.Left, w.Left + (w.Width() - r.Width()) / 2);
  const int32_t y = std::max(w.Top, w.Top + (w.Height() - r.Height()) / 2);
  SetWindowPos(d->Dlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Listing -------------------------------------------------------------------------

static String CurrentPatterns(TFileDlg* d) {
  if (!d->TypedFilter.empty()) return d->TypedFilter;
  if (d->Type >= 0 && size_t(d->Type) < d->Types.size()) return d->Types[size_t(d->Type)].Patterns;
  return "*.*";
}

static bool IncludeItem(TFileDlg* d, PCUITEMID_CHILD pidl) {
  if ((d->Ofn->Flags & OFN_ENABLEINCLUDENOTIFY) == 0 || d->Child == nullptr) return true;
  OFNOTIFYEX nm;
  nm.hdr.hwndFrom = d->Dlg;
  nm.hdr.code = CDN_INCLUDEITEM;
  nm.lpOFN = d->Ofn;
  nm.psf = d->FolderObj.Get();
  nm.pidl = const_cast<ITEMIDLIST*>(pidl);
  return SendNotify(d, &nm.hdr) != 0;
}

static void SetSubItem(HWND list, int32_t index, int32_t sub, const String& text) {
  LVITEM it;
  it.iSubItem = sub;
  it.pszText = const_cast<char*>(text.c_str());
  SendMessage(list, LVM_SETITEMTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&it));
}

static void InsertRow(TFileDlg* d, HWND list, size_t k) {
  const TFileItem& item = d->Items[k];
  PIDLIST_ABSOLUTE full = ILCombine(d->Folder, item.Pidl);
  SHFILEINFO info;
  SHGetFileInfo(full, 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  LVITEM it;
  it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  it.iItem = int32_t(k);
  it.pszText = const_cast<char*>(item.Shown.c_str());
  it.iImage = info.iIcon;
  it.lParam = LPARAM(k);
  const int32_t row = int32_t(SendMessage(list, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it)));
  String size, modified;
  if ((item.Attrs & SFGAO_FILESYSTEM) != 0 && d->FolderObj) {
    WIN32_FIND_DATA fd;
    if (SUCCEEDED(SHGetDataFromIDList(d->FolderObj.Get(), item.Pidl, SHGDFIL_FINDDATA, &fd, sizeof(fd)))) {
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        const uint64_t bytes = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        size = Thousands((bytes + 1023) / 1024) + " KB";
      }
      const struct timespec ts = FileTimeToTimespec(fd.ftLastWriteTime);
      struct tm tm;
      const time_t t = ts.tv_sec;
      if (localtime_r(&t, &tm) != nullptr) {
        char buf[32];
        std::snprintf(buf, sizeof(buf), "%04d-%02d-%02d %02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour, tm.tm_min);
        modified = buf;
      }
    }
  }
  SetSubItem(list, row, 1, size);
  SetSubItem(list, row, 2, info.szTypeName);
  SetSubItem(list, row, 3, modified);
  ILFree(full);
}

std::vector<int32_t> SelectedRows(TFileDlg* d) {
  std::vector<int32_t> r;
  HWND list = Item(d, lst1);
  int32_t i = -1;
  while ((i = int32_t(SendMessage(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0) r.push_back(i);
  return r;
}

TFileItem* RowItem(TFileDlg* d, int32_t row) {
  LVITEM it;
  it.mask = LVIF_PARAM;
  it.iItem = row;
  if (!SendMessage(Item(d, lst1), LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
  const size_t k = size_t(it.lParam);
  return k < d->Items.size() ? &d->Items[k] : nullptr;
}

// Lists the folder again; the rows whose names are in keep stay selected.
void Refill(TFileDlg* d, const std::vector<String>& keep) {
  HWND list = Item(d, lst1);
  d->Listing = true;
  SendMessage(list, LVM_DELETEALLITEMS, 0, 0);
  d->ClearItems();
  if (d->FolderObj) {
    ComPtr<IEnumIDList> e;
    const uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (d->ShowHidden ? SHCONTF_INCLUDEHIDDEN : 0);
    if (SUCCEEDED(d->FolderObj->EnumObjects(d->Dlg, flags, e.ReleaseAndGetAddressOf())) && e) {
      const String patterns = CurrentPatterns(d);
      PITEMID_CHILD child = nullptr;
      uint32_t got = 0;
      while (e->Next(1, &child, &got) == S_OK && got == 1) {
        TFileItem item;
        item.Pidl = child;
        item.Attrs = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HIDDEN | SFGAO_LINK | SFGAO_READONLY;
        PCUITEMID_CHILD one = child;
        if (FAILED(d->FolderObj->GetAttributesOf(1, &one, &item.Attrs))) item.Attrs = 0;
        item.Name = NameOf(d->FolderObj.Get(), child, SHGDN_INFOLDER | SHGDN_FORPARSING);
        item.Shown = NameOf(d->FolderObj.Get(), child, SHGDN_INFOLDER);
        if (item.Shown.empty()) item.Shown = DisplayText(item.Name);
        bool keepIt = true;
        if ((item.Attrs & SFGAO_HIDDEN) != 0 && !d->ShowHidden) keepIt = false;
        item.FolderLike = (item.Attrs & SFGAO_FOLDER) != 0;
        if (keepIt && !item.FolderLike && (item.Attrs & SFGAO_LINK) != 0 && EndsWithDesktop(item.Name) &&
            (d->Ofn->Flags & OFN_NODEREFERENCELINKS) == 0 && !d->FolderPath.empty()) {
          String target;
          bool dir = false;
          if (ResolveLink(JoinPath(d->FolderPath, item.Name), target, dir) && dir) item.FolderLike = true;
        }
        if (keepIt && !item.FolderLike && !MatchesAny(item.Name, patterns)) keepIt = false;
        if (keepIt && !IncludeItem(d, child)) keepIt = false;
        if (keepIt)
          d->Items.push_back(std::move(item));
        else
          ILFree(child);
        child = nullptr;
      }
    }
    IShellFolder* f = d->FolderObj.Get();
    std::stable_sort(d->Items.begin(), d->Items.end(), [f](const TFileItem& a, const TFileItem& b) {
      return CompareIDsResult(f->CompareIDs(0, a.Pidl, b.Pidl)) < 0;
    });
  }
  for (size_t k = 0; k < d->Items.size(); ++k) InsertRow(d, list, k);
  bool focused = false;
  for (size_t k = 0; k < d->Items.size() && !keep.empty(); ++k) {
    if (std::find(keep.begin(), keep.end(), d->Items[k].Name) == keep.end()) continue;
    LVITEM st;
    st.stateMask = LVIS_SELECTED | (focused ? 0 : LVIS_FOCUSED);
    st.state = st.stateMask;
    focused = true;
    SendMessage(list, LVM_SETITEMSTATE, WPARAM(k), reinterpret_cast<LPARAM>(&st));
  }
  d->Listing = false;
}

static void FillLookIn(TFileDlg* d) {
  HWND combo = Item(d, cmb2);
  SendMessage(combo, CB_RESETCONTENT, 0, 0);
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  const int32_t n = std::max(0, ILCount(d->Folder));
  SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Desktop"));
  SendMessage(combo, CB_SETITEMDATA, 0, 0);
  for (int32_t k = 1; k <= n; ++k) {
    PIDLIST_ABSOLUTE prefix = ILClone(d->Folder);
    while (ILCount(prefix) > k) ILRemoveLastID(prefix);
    const String name = NameOf(desk.Get(), prefix, SHGDN_NORMAL);
    ILFree(prefix);
    const String text = String(size_t(k) * 2, ' ') + name;
    const LRESULT i = SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessage(combo, CB_SETITEMDATA, WPARAM(i), LPARAM(k));
  }
  SendMessage(combo, CB_SETCURSEL, WPARAM(n), 0);
}

static void Watch(TFileDlg* d) {
  if (d->Watch != INVALID_HANDLE_VALUE) FindCloseChangeNotification(d->Watch);
  d->Watch = INVALID_HANDLE_VALUE;
  if (d->FolderPath.empty()) return;
  d->Watch = FindFirstChangeNotification(d->FolderPath, false,
                                         FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                             FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                                             FILE_NOTIFY_CHANGE_LAST_WRITE);
}

// Shows the folder of the absolute list (taken over); false when it cannot
// be bound.
bool Navigate(TFileDlg* d, PIDLIST_ABSOLUTE pidl, bool notify) {
  if (pidl == nullptr) return false;
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  ComPtr<IShellFolder> folder;
  if (ILIsEmpty(pidl)) {
    folder = desk;
  } else if (FAILED(desk->BindToObject(pidl, nullptr, IID_IShellFolder,
                                       reinterpret_cast<void**>(folder.ReleaseAndGetAddressOf()))) ||
             !folder) {
    ILFree(pidl);
    return false;
  }
  ILFree(d->Folder);
  d->Folder = pidl;
  d->FolderObj = folder;
  String path;
  d->FolderPath = SHGetPathFromIDList(pidl, path) ? path : String();
  Refill(d);
  FillLookIn(d);
  EnableWindow(Item(d, pshUpFolder), !ILIsEmpty(d->Folder));
  EnableWindow(Item(d, pshNewFolder), !d->FolderPath.empty());
  Watch(d);
  if (notify) Notify(d, CDN_FOLDERCHANGE);
  return true;
}

bool NavigatePath(TFileDlg* d, const String& path) { return Navigate(d, ParsePath(path), true); }

void OpenItem(TFileDlg* d, const TFileItem& item) {
  if ((item.Attrs & SFGAO_FOLDER) == 0 && !d->FolderPath.empty()) {
    String target;
    bool dir = false;
    if (ResolveLink(JoinPath(d->FolderPath, item.Name), target, dir) && dir) {
      NavigatePath(d, target);
      return;
    }
  }
  Navigate(d, ILCombine(d->Folder, item.Pidl), true);
}

void Up(TFileDlg* d) {
  if (ILIsEmpty(d->Folder)) return;
  PIDLIST_ABSOLUTE p = ILClone(d->Folder);
  ILRemoveLastID(p);
  Navigate(d, p, true);
}

void NewFolder(TFileDlg* d) {
  if (d->FolderPath.empty()) return;
  String name;
  for (int32_t n = 1; n < 1000; ++n) {
    name = n == 1 ? String("New Folder") : "New Folder (" + std::to_string(n) + ")";
    if (::mkdir(JoinPath(d->FolderPath, name).c_str(), 0777) == 0) break;
    if (errno != EEXIST) {
      PlainMessageBox(d->Dlg, "The folder cannot be made here.", GetWindowTextString(d->Dlg),
                      MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    name.clear();
  }
  if (name.empty()) return;
  Refill(d, {name});
  HWND list = Item(d, lst1);
  const int32_t row = int32_t(SendMessage(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
  if (row >= 0) {
    SetFocus(list);
    SendMessage(list, LVM_EDITLABEL, WPARAM(row), 0);
  }
}

}  // namespace filedlg
