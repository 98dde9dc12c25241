#include "shell/shellbrowser.h"

#include <vector>

#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/format.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shellapi.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "shell/shellbrowser_internal.h"

namespace {

// Upper-cased text as code points, so that "?" takes one character. A byte
// that is no part of a valid sequence stands for itself, apart from every
// code point.
std::vector<uint32_t> FoldedCodePoints(const String& Text) {
  const String s = AnsiUpperCase(Text);
  std::vector<uint32_t> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const uint8_t lead = uint8_t(s[i]);
    const size_t len = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    uint32_t cp = len == 1 ? lead : len == 2 ? lead & 0x1Fu : len == 3 ? lead & 0x0Fu : lead & 0x07u;
    bool valid = len > 0 && i + len <= s.size();
    for (size_t k = 1; valid && k < len; ++k) {
      const uint8_t next = uint8_t(s[i + k]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3Fu);
    }
    out.push_back(valid ? cp : 0x110000u + lead);
    i += valid ? len : 1;
  }
  return out;
}

// Both folded to code points. Greedy: a mismatch goes back to the last "*"
// and lets it take one more character, so the walk is linear in practice
// and never exponential.
bool MatchFolded(const std::vector<uint32_t>& name, const std::vector<uint32_t>& pattern) {
  constexpr size_t kNone = size_t(-1);
  size_t n = 0, p = 0, star = kNone, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      starName = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star != kNone) {
      p = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

int32_t SmallIconIndex(LPCITEMIDLIST List, uint32_t Flags) {
  SHFILEINFO info;
  SHGetFileInfo(List, 0, &info, uint32_t(sizeof info), SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | Flags);
  return info.iIcon;
}

}  // namespace

// ---- Life ------------------------------------------------------------------------------------

TShellBrowser::TShellBrowser(TComponent* AOwner)
    : TComponent(AOwner), FMultiObjects(std::make_unique<TStringList>()), FFilterList(std::make_unique<TStringList>()) {
  FFilterList->Add("*");
  SetFolder(String());
}

TShellBrowser::~TShellBrowser() {
  // The watch goes first: nothing of it may reach a browser half taken down.
  delete FDirMon;
  FreeIDList(FAbsoluteIDList);
  FreeIDList(FObjectIDList);
  FreeIDList(FFolderIDList);
}

void TShellBrowser::Loaded() {
  TComponent::Loaded();
  FWasLoaded = true;
}

HWND TShellBrowser::OwnerWindow() {
  if (FWasLoaded)
    if (auto* owner = dynamic_cast<TWinControl*>(Owner())) return owner->Handle();
  return Application ? Application->Handle() : nullptr;
}

// ---- Folder ------------------------------------------------------------------------------------

void TShellBrowser::SetFolder(const String& Path) {
  if (!Path.empty() && Path == FFolder) return;
  LPITEMIDLIST list = nullptr;
  // The locations need no window (the browser may live on a worker thread).
  if (Path.empty())
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &list);
  else
    list = IDListFromPath(nullptr, Path);
  if (!list) throw EShellBrowserError("Cannot Find Folder: " + Path);
  TOwnedIDList owned = Own(list);
  SetFolderIDList(list);
}

void TShellBrowser::SetFolderIDList(LPCITEMIDLIST List) {
  if (!List) {
    ClearDetails();
    FreeIDList(FFolderIDList);
    FFolderIDList = nullptr;
    return;
  }
  // Bind first: a failure leaves the browser exactly as it was.
  const TShellObjects& shell = ShellObjects();
  IShellFolder* desktop = shell.DesktopFolder.Get();
  ComPtr<IShellFolder> folder;
  const HRESULT order = desktop->CompareIDs(0, List, shell.EmptyIDList);
  const bool isDesktop = SUCCEEDED(order) && CompareIDsResult(order) == 0;
  if (isDesktop) {
    folder = ComPtr<IShellFolder>(desktop);
  } else {
    void* bound = nullptr;
    if (FAILED(desktop->BindToObject(List, nullptr, IID_IShellFolder, &bound)) || !bound)
      throw EShellBrowserError("ShellBrowser.SetFolderIDList: Desktop.BindToObject: Could not get Folder");
    folder = ComPtr<IShellFolder>::Adopt(static_cast<IShellFolder*>(bound));
  }
  LPITEMIDLIST copy = CopyIDList(isDesktop ? shell.EmptyIDList : List);
  String path;
  const bool hasPath = SHGetPathFromIDList(copy, path);

  ClearDetails();
  FEnumList.Reset();
  FShellFolder = folder;
  FreeIDList(FFolderIDList);
  FFolderIDList = copy;
  SetCurrentIDList(nullptr);
  FFolder = hasPath ? AddBackslash(path) : String();
  if (FDirMon) FDirMon->SetDirectory(FFolder);
}

LPITEMIDLIST TShellBrowser::GetFolderIDList() const { return CopyIDList(FFolderIDList); }

bool TShellBrowser::SetSpecialFolder(TZavShellFolder Value) {
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, ShellFolderCSIDL(Value), &list)) || !list) return false;
  TOwnedIDList owned = Own(list);
  try {
    SetFolderIDList(list);
  } catch (const EShellBrowserError&) {
    return false;
  }
  return true;
}

bool TShellBrowser::GoUp() {
  SelectAbsoluteIDList(FFolderIDList);
  return true;
}

void TShellBrowser::SelectAbsoluteIDList(LPCITEMIDLIST List) {
  if (!List) return;
  // Copies first: the list may be the folder's own, which binding replaces.
  const int32_t count = IDListCount(List);
  TOwnedIDList parent = Own(CopyIDList(List));
  TOwnedIDList last = Own(count > 0 ? IDListItem(List, count - 1) : nullptr);
  if (count > 0) ILRemoveLastID(parent.get());
  SetFolderIDList(parent.get());
  SetCurrentIDList(last.get());
}

bool TShellBrowser::EnterFolder() {
  if (!FObjectIDList || !IsFolder()) return false;
  TOwnedIDList target = Own(CopyIDList(GetAbsoluteIDList()));
  SetFolderIDList(target.get());
  return FShellFolder.Get() != nullptr;
}

void TShellBrowser::ClearDetails() {
  FShellDetails.Reset();
  FShellFolder2.Reset();
  FNoDetails = false;
}

// ---- Current object --------------------------------------------------------------------------------

void TShellBrowser::SetCurrentIDList(LPCITEMIDLIST List) {
  if (List != FObjectIDList) {
    LPITEMIDLIST copy = CopyIDList(List);
    FreeIDList(FObjectIDList);
    FObjectIDList = copy;
  }
  FreeIDList(FAbsoluteIDList);
  FAbsoluteIDList = nullptr;
  FFindDataValid = false;
  FHasSubFolders = -1;
}

LPITEMIDLIST TShellBrowser::GetCurrentIDList() const { return CopyIDList(FObjectIDList); }

LPCITEMIDLIST TShellBrowser::GetAbsoluteIDList() {
  if (!FAbsoluteIDList) FAbsoluteIDList = ConcatIDLists(FFolderIDList, FObjectIDList);
  return FAbsoluteIDList;
}

String TShellBrowser::GetObjectName() {
  if (!FFolderIDList || !FObjectIDList) return String();
  WIN32_FIND_DATA data;
  if (SUCCEEDED(
          SHGetDataFromIDList(FShellFolder.Get(), FObjectIDList, SHGDFIL_FINDDATA, &data, int32_t(sizeof data))) &&
      !data.cFileName.empty())
    return data.cFileName;
  LPCITEMIDLIST absolute = GetAbsoluteIDList();
  String path;
  if (IDListCount(absolute) > 1 && SHGetPathFromIDList(absolute, path)) {
    if (IsDriveRoot(path)) return path;
    const String name = ExtractFileName(path);
    if (!name.empty()) return name;
  }
  return GetNetworkName();
}

void TShellBrowser::SetObjectName(const String& Name) {
  if (Name.empty()) {
    SetCurrentIDList(nullptr);
    return;
  }
  // A volume: Computer becomes the folder and the volume the object.
  if (Name.find('/') != String::npos && (IsDriveRoot(Name) || IsDriveRoot(AddBackslash(Name)))) {
    SetFolder(Name);
    GoUp();
    return;
  }
  String name = Name;
  if (name.size() > 1 && name.back() == '/') name.pop_back();
  if (name.find('/') != String::npos) {
    SetFolder(ExtractFileDir(name));
    SetObjectName(ExtractFileName(name));
    return;
  }
  if (LPITEMIDLIST item = IDListFromPath(FShellFolder.Get(), name)) {
    TOwnedIDList owned = Own(item);
    SetCurrentIDList(item);
    return;
  }
  // Names the folder shows but does not parse; compared exactly, so that a
  // missing "a.jpg" never selects "A.jpg".
  FEnumList.Reset();
  bool found = false;
  while (!found && Next()) found = GetDisplayName() == name || GetObjectName() == name;
  FEnumList.Reset();
  if (!found) throw EShellBrowserError("Error! Cannot find Object \"" + name + "\" in Folder \"" + FFolder + "\"");
}

String TShellBrowser::GetDisplayName() {
  if (!FShellFolder || !FObjectIDList) return String();
  STRRET name;
  String text;
  if (SUCCEEDED(FShellFolder->GetDisplayNameOf(FObjectIDList, SHGDN_NORMAL, &name))) {
    text = StrRetToString(FObjectIDList, name);
    FreeStrRet(name);
  }
  return text.empty() ? GetObjectName() : text;
}

void TShellBrowser::Rename(String& Name) {
  if (!FShellFolder || !FObjectIDList) return;
  THourglass hourglass;
  PITEMID_CHILD renamed = nullptr;
  constexpr uint32_t kRenameFlags = 0x20;
  if (SUCCEEDED(FShellFolder->SetNameOf(OwnerWindow(), FObjectIDList, Name, kRenameFlags, &renamed)) && renamed) {
    TOwnedIDList owned = Own(renamed);
    SetCurrentIDList(renamed);
  }
  Name = GetDisplayName();
}

uint32_t TShellBrowser::GetAttributes(uint32_t Mask) {
  if (!FShellFolder || !FObjectIDList) return 0;
  SFGAOF attributes = Mask;
  const PCUITEMID_CHILD items[1] = {FObjectIDList};
  return SUCCEEDED(FShellFolder->GetAttributesOf(1, items, &attributes)) ? attributes & Mask : 0;
}

bool TShellBrowser::HasSubFolders() {
  // No archive is a folder here, so every object asks the shell.
  if (FHasSubFolders < 0) FHasSubFolders = GetAttributes(SFGAO_HASSUBFOLDER) != 0 ? 1 : 0;
  return FHasSubFolders == 1;
}

// The platform has no network neighbourhood: no domain or server names.
String TShellBrowser::GetNetworkName() { return String(); }

int32_t TShellBrowser::GetFolderSpecialFolder() { return IDListSpecialFolder(FFolderIDList); }

int32_t TShellBrowser::GetObjectSpecialFolder() { return FObjectIDList ? IDListSpecialFolder(GetAbsoluteIDList()) : 0; }

// ---- Icons -----------------------------------------------------------------------------------------

int32_t TShellBrowser::GetIconIndex() { return FObjectIDList ? SmallIconIndex(GetAbsoluteIDList(), 0) : 0; }

int32_t TShellBrowser::GetOpenIconIndex() {
  return FObjectIDList ? SmallIconIndex(GetAbsoluteIDList(), SHGFI_OPENICON) : 0;
}

int32_t TShellBrowser::GetDesktopIconIndex() { return SmallIconIndex(ShellObjects().EmptyIDList, 0); }

String TShellBrowser::GetDesktopName() {
  SHFILEINFO info;
  SHGetFileInfo(ShellObjects().EmptyIDList, 0, &info, uint32_t(sizeof info), SHGFI_PIDL | SHGFI_DISPLAYNAME);
  return info.szDisplayName;
}

int32_t TShellBrowser::GetFolderImageIndex() {
  static const int32_t index = [] {
    SHFILEINFO info;
    SHGetFileInfo(GetTempPath(), 0, &info, uint32_t(sizeof info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return info.iIcon;
  }();
  return index;
}

// ---- Enumeration and filter -------------------------------------------------------------------------

bool TShellBrowser::Next() {
  if (!FEnumList) {
    IEnumIDList* walk = nullptr;
    constexpr uint32_t kEverything = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
    if (!FShellFolder || FAILED(FShellFolder->EnumObjects(nullptr, kEverything, &walk)) || !walk) return false;
    FEnumList = ComPtr<IEnumIDList>::Adopt(walk);
  }
  for (;;) {
    PITEMID_CHILD item = nullptr;
    uint32_t fetched = 0;
    const HRESULT hr = FEnumList->Next(1, &item, &fetched);
    TOwnedIDList owned = Own(item);
    if (hr != S_OK || fetched == 0 || !item) {
      FEnumList.Reset();
      return false;
    }
    SetCurrentIDList(item);
    if (FFileSystemOnly && GetAttributes(SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR) == 0 && !KeepOutsideFileSystem())
      continue;
    if (MatchesFilter()) return true;
  }
}

// Trash and Computer stay in a file-system-only walk; the network folder
// has no place here.
bool TShellBrowser::KeepOutsideFileSystem() {
  LPCITEMIDLIST absolute = GetAbsoluteIDList();
  return IDListIsSpecialFolder(absolute, CSIDL_BITBUCKET) || IDListIsSpecialFolder(absolute, CSIDL_DRIVES);
}

String TShellBrowser::GetFilter() const {
  String text;
  for (int32_t i = 0; i < FFilterList->Count(); ++i) text += (i > 0 ? ";" : "") + FFilterList->Strings(i);
  return text;
}

void TShellBrowser::SetFilter(const String& Text) {
  FFilterList->Clear();
  String text = Text.empty() ? String("*;") : Text;
  if (text.back() != ';') text += ';';
  for (size_t start = 0, semi = text.find(';'); semi != String::npos; start = semi + 1, semi = text.find(';', start))
    FFilterList->Add(text.substr(start, semi - start));
}

bool TShellBrowser::MatchesFilter() {
  if (IsFolder()) return true;
  const String name = GetObjectName();
  for (int32_t i = 0; i < FFilterList->Count(); ++i)
    if (MatchWildcard(name, FFilterList->Strings(i))) return true;
  return false;
}

bool TShellBrowser::MatchWildcard(const String& Name, const String& Pattern) {
  if (Pattern == "*") return true;
  return MatchFolded(FoldedCodePoints(Name), FoldedCodePoints(Pattern));
}

// ---- Details columns ----------------------------------------------------------------------------------

bool TShellBrowser::HasDetails() {
  if (!FShellDetails && !FShellFolder2 && !FNoDetails && FShellFolder) {
    if (FAILED(FShellFolder.As(IID_IShellFolder2, FShellFolder2))) {
      void* details = nullptr;
      if (SUCCEEDED(FShellFolder->CreateViewObject(OwnerWindow(), IID_IShellDetails, &details)) && details)
        FShellDetails.Attach(static_cast<IUnknown*>(details));
      else
        FNoDetails = true;
    }
  }
  return FShellDetails || FShellFolder2;
}

String TShellBrowser::GetDetails(int32_t Column, bool Header) {
  if (Column == 0 && !Header) return GetDisplayName();
  // The platform's folders refuse both details interfaces; one that offered
  // an interface without a way to ask it would answer nothing.
  if (HasDetails()) return String();
  const bool known = Column >= 0 && Column < DefaultDetailsColumnCount;
  if (Header) return known ? String(DefaultDetailsColumns[Column].Caption) : String();
  if (!FObjectIDList || !FetchFindData()) return String();
  switch (Column) {
    case 1: return SizeText();
    case 2: {
      SHFILEINFO info;
      SHGetFileInfo(GetAbsoluteIDList(), 0, &info, uint32_t(sizeof info), SHGFI_PIDL | SHGFI_TYPENAME);
      return info.szTypeName;
    }
    case 3: return FileTimeToText(FFindData.ftLastWriteTime);
    default: return String();
  }
}

TAlignment TShellBrowser::GetColumnInfo(int32_t Column, int32_t& Width) {
  Width = 120;
  if (HasDetails() || Column < 0 || Column >= DefaultDetailsColumnCount) return TAlignment::taLeftJustify;
  Width = DefaultDetailsColumns[Column].Width;
  return DefaultDetailsColumns[Column].Alignment;
}

bool TShellBrowser::FetchFindData() {
  if (!FFindDataValid) {
    FFindData = WIN32_FIND_DATA();
    FFindDataValid = SUCCEEDED(SHGetDataFromIDList(FShellFolder.Get(), FObjectIDList, SHGDFIL_FINDDATA, &FFindData,
                                                   int32_t(sizeof FFindData)));
  }
  return FFindDataValid;
}

// Kilobytes of the whole 64-bit size; any size below 1 KB but 0 shows as 1 KB.
String TShellBrowser::SizeText() {
  if (FFindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return String();
  uint64_t size = (uint64_t(FFindData.nFileSizeHigh) << 32) | FFindData.nFileSizeLow;
  if (size >= 1 && size < 1024) size = 1024;
  return Format("%1.0n %s", {double(size) / 1024.0, String("KB")});
}

String FileTimeToText(const FILETIME& Time) {
  if (Time.dwHighDateTime == 0) return String();
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&Time, &local) || !FileTimeToSystemTime(&local, &st)) return String();
  // In the 2-second steps of a DOS time, which cannot itself hold dates
  // before 1980.
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(st.wYear, st.wMonth, st.wDay, date) ||
      !TryEncodeTime(st.wHour, st.wMinute, uint16_t(st.wSecond & ~1u), 0, time))
    return String();
  return FormatDateTime("ddddd t", date >= 0 ? date + time : date - time);
}

// ---- Watching ------------------------------------------------------------------------------------------

void TShellBrowser::SetOnFileChange(TNotifyEvent Handler) {
  delete FDirMon;
  FDirMon = nullptr;
  FOnFileChange = std::move(Handler);
  if (!FOnFileChange) return;
  FDirMon = new TDirMon(this);
  FDirMon->SetNotifyFilter(TDirMonType{TDirMonValue::dmcFileName, TDirMonValue::dmcDirName});
  FDirMon->OnDirChange = [this](TObject*) { DoFileChange(); };
  FDirMon->SetDirectory(FFolder);
}

void TShellBrowser::DoFileChange() {
  if (FOnFileChange) FOnFileChange(this);
}
