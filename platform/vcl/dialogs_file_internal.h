// The file dialog's state and the parts shared by its sources: layout,
// listing and navigation (dialogs_file_view_native.cpp), the name box, OK and the
// hook protocol (dialogs_file_native.cpp). Included by those sources only.
#pragma once

#include <sys/stat.h>

#include <vector>

#include "platform/rtl/kernelsync.h"
#include "platform/shellapi/comframe.h"
#include "platform/shellapi/shlobj.h"
#include "platform/vcl/dialogs_file.h"

namespace filedlg {

// Standard area sizes in dialog units.
constexpr int32_t kStdW = 320, kStdH = 190;  // the default
constexpr int32_t kMinW = 250, kMinH = 130;  // the least with the places bar
constexpr int32_t kPlacesW = 54;

struct TFilterType {
  String Description;
  String Patterns;
};

struct TFileItem {
  PITEMID_CHILD Pidl = nullptr;
  String Name;   // bytes: the name in its folder
  String Shown;  // the display text
  SFGAOF Attrs = 0;
  bool FolderLike = false;  // a folder, or a link followed to one
};

struct TFileDlg {
  OPENFILENAME* Ofn = nullptr;
  bool Save = false;
  HWND Dlg = nullptr;
  HWND Child = nullptr;
  const TDialogTemplate* ChildTemplate = nullptr;
  HWND PlacementWindow = nullptr;
  std::vector<TFilterType> Types;
  int32_t Type = 0;
  String TypedFilter;  // a wildcard typed into the name box, until the type changes
  PIDLIST_ABSOLUTE Folder = nullptr;
  String FolderPath;  // "" for a virtual folder
  ComPtr<IShellFolder> FolderObj;
  std::vector<TFileItem> Items;
  bool ShowHidden = false;
  bool Listing = false;
  bool SelPending = false;
  String DefExt;
  intptr_t LastHookAnswer = 0;
  // What the selection last wrote into the name box, and the names' bytes.
  String SelBoxText;
  std::vector<String> SelNames;
  HANDLE Watch = INVALID_HANDLE_VALUE;
  TRect StdArea;
  TSize Client{0, 0};
  bool Sizing = false;
  String Renamed;

  ~TFileDlg() {
    ClearItems();
    ILFree(Folder);
    if (Watch != INVALID_HANDLE_VALUE) FindCloseChangeNotification(Watch);
  }
  void ClearItems() {
    for (TFileItem& i : Items) ILFree(i.Pidl);
    Items.clear();
  }
};

inline TFileDlg* StateOf(HWND dlg) {
  return dlg != nullptr ? reinterpret_cast<TFileDlg*>(GetWindowLong(dlg, DWLP_USER)) : nullptr;
}

std::vector<TFilterType> ParseFilter(const String& f);
std::vector<String> SplitPatterns(const String& patterns);
bool HasWildcard(const String& s);
String JoinPath(const String& dir, const String& name);
String HomeDir();
bool PathExists(const String& p, struct stat* st = nullptr);
bool IsDir(const String& p);
String ParentDir(const String& p);
String NamePart(const String& p);
bool EndsWithDesktop(const String& p);
bool ValidFileName(const String& full);
PIDLIST_ABSOLUTE ParsePath(const String& path);
bool ResolveLink(const String& path, String& target, bool& isDir);
LRESULT Answer(HWND h, LRESULT value);
intptr_t Notify(TFileDlg* d, uint32_t code);
HWND Item(TFileDlg* d, int32_t id);
String BoxText(TFileDlg* d);
void SetBoxText(TFileDlg* d, const String& text);
bool PlacesShown(TFileDlg* d);
bool Shown(TFileDlg* d, int32_t id);
void InitialLayout(TFileDlg* d);
void Resized(TFileDlg* d, int32_t w, int32_t h);
void CenterDialog(TFileDlg* d);
std::vector<int32_t> SelectedRows(TFileDlg* d);
TFileItem* RowItem(TFileDlg* d, int32_t row);
void Refill(TFileDlg* d, const std::vector<String>& keep = {});
bool Navigate(TFileDlg* d, PIDLIST_ABSOLUTE pidl, bool notify);
bool NavigatePath(TFileDlg* d, const String& path);
void OpenItem(TFileDlg* d, const TFileItem& item);
void Up(TFileDlg* d);
void NewFolder(TFileDlg* d);

}  // namespace filedlg
