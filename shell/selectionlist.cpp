#include "shell/selectionlist.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/rtl/files.h"
#include "platform/shellapi/shellvolumes.h"
#include "shell/idlists.h"

namespace {

bool IsFolderEntry(const String& Entry) { return Entry.size() >= 2 && Entry.compare(Entry.size() - 2, 2, "/*") == 0; }

// The path an entry stands for: a folder entry without its "/*".
String EntryPath(const String& Entry) {
  if (!IsFolderEntry(Entry)) return Entry;
  const String folder = Entry.substr(0, Entry.size() - 2);
  return folder.empty() ? String("/") : folder;
}

String FolderEntry(const String& Folder) { return AddBackslash(Folder) + "*"; }

// "/a/b" -> "/a", "/a" -> "/", "/" -> "/".
String ParentOf(const String& Path) { return ExtractFileDir(Path); }

bool StartsWith(const String& Text, const String& Prefix) { return Text.compare(0, Prefix.size(), Prefix) == 0; }

bool IsDirectory(const String& Path) {
  struct stat st;
  return ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names in a folder other than "." and ".."; false when it cannot be read.
bool FolderNames(const String& Folder, std::vector<String>& Names) {
  DIR* dir = ::opendir(Folder.c_str());
  if (dir == nullptr) return false;
  while (dirent* e = ::readdir(dir)) {
    const String name = e->d_name;
    if (name != "." && name != "..") Names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

bool VolumeReady(const String& Path) {
  uint64_t free = 0, total = 0, totalFree = 0;
  return GetDiskFreeSpaceEx(IsDirectory(Path) ? Path : ParentOf(Path), &free, &total, &totalFree);
}

}  // namespace

// ---- Size threads -----------------------------------------------------------------------------

TZavFolderSizeThread::TZavFolderSizeThread(std::shared_ptr<TZavSizeWork> Work, const String& Path, int32_t Sign)
    : TThread(true), FWork(std::move(Work)), FSign(Sign), FPath(Path) {}

TZavFolderSizeThread::~TZavFolderSizeThread() { FWork->Freed = true; }

void TZavFolderSizeThread::Execute() {
  struct stat st;
  if (::lstat(FPath.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    FPath = AddBackslash(FPath);
    SumFolder(FPath);
  } else if (S_ISREG(st.st_mode)) {
    FTotal = int64_t(st.st_size);
    FFilesCounted = 1;
  }
}

// Regular files only, links never followed: a link to a folder can neither
// loop nor count a file twice. A branch that cannot be read adds nothing.
void TZavFolderSizeThread::SumFolder(const String& Folder) {
  std::vector<String> names;
  if (!FolderNames(Folder, names)) return;
  for (const String& name : names) {
    if (FWork->Cancel) return;
    const String path = Folder + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      SumFolder(path + "/");
    } else if (S_ISREG(st.st_mode)) {
      FTotal += int64_t(st.st_size);
      ++FFilesCounted;
    }
  }
}

// ---- The selection ----------------------------------------------------------------------------

TZavSelectionList::TZavSelectionList() : FPaths(std::make_unique<TStringList>()) { FPaths->SetCaseSensitive(true); }

TZavSelectionList::~TZavSelectionList() {
  for (const auto& work : FWork) {
    work->Owner = nullptr;
    work->Cancel = true;
  }
  // The threads free themselves on this thread: serve their ends until the
  // last is gone, so none outlives the list unseen.
  for (const auto& work : FWork)
    while (!work->Freed) TThread::CheckSynchronize(10);
}

void TZavSelectionList::StartSizeThread(const String& Path, int32_t Sign) {
  auto work = std::make_shared<TZavSizeWork>();
  work->Owner = this;
  auto* thread = new TZavFolderSizeThread(work, Path, Sign);
  thread->SetFreeOnTerminate(true);
  thread->OnTerminate = [work](TThread* Sender) {
    TZavSelectionList* owner = work->Owner;
    if (owner == nullptr) return;
    owner->AddSizes(static_cast<TZavFolderSizeThread*>(Sender));
    auto& list = owner->FWork;
    list.erase(std::remove(list.begin(), list.end(), work), list.end());
  };
  FWork.push_back(work);
  thread->Start();
}

void TZavSelectionList::AddSizes(TZavFolderSizeThread* Thread) {
  FTotalBytes += Thread->Sign() * Thread->Total();
  FFileCount += Thread->Sign() * Thread->FilesCounted();
}

bool TZavSelectionList::NormalizeEntry(String& Path) {
  if (Path.empty() || Path == "." || Path == "..") return false;
  if (IsFolderEntry(Path)) Path = EntryPath(Path);
  if (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  struct stat st;
  if (::stat(Path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) Path = FolderEntry(Path);
  return true;
}

int32_t TZavSelectionList::GetState(const String& Path, bool& ViaAncestor) {
  ViaAncestor = false;
  String entry = Path;
  if (!NormalizeEntry(entry) || !VolumeReady(EntryPath(entry))) return ZavCheckNone;
  if (Has(entry)) return ZavCheckChecked;
  for (String p = EntryPath(entry), parent = ParentOf(p); parent != p; p = parent, parent = ParentOf(p))
    if (Has(FolderEntry(parent))) {
      ViaAncestor = true;
      return ZavCheckChecked;
    }
  // Grayed: an entry lies below the folder (a prefix test, so "/d/a" is not
  // grayed by "/x/d/a/b.jpg").
  if (IsFolderEntry(entry)) {
    const String prefix = AddBackslash(EntryPath(entry));
    for (int32_t i = 0; i < FPaths->Count(); ++i)
      if (StartsWith(FPaths->Strings(i), prefix)) return ZavCheckGrayed;
  }
  return ZavCheckUnchecked;
}

void TZavSelectionList::AddPath(const String& Path) {
  String entry = Path;
  if (!NormalizeEntry(entry)) return;
  bool via = false;
  const int32_t state = GetState(entry, via);
  if (state == ZavCheckChecked || state == ZavCheckNone) return;
  if (state == ZavCheckGrayed) RemoveBelow(entry);
  if (IsFolderEntry(entry)) {
    StartSizeThread(EntryPath(entry), +1);
  } else {
    FTotalBytes += std::max<int64_t>(0, FindFileSize(entry));
    FFileCount += 1;
  }
  FPaths->Add(entry);
}

void TZavSelectionList::RemoveBelow(const String& Folder) {
  const String prefix = AddBackslash(EntryPath(Folder));
  for (int32_t i = FPaths->Count() - 1; i >= 0; --i) {
    const String entry = FPaths->Strings(i);
    if (!StartsWith(entry, prefix)) continue;
    FPaths->Delete(i);
    StartSizeThread(EntryPath(entry), -1);
  }
}

void TZavSelectionList::RemovePath(const String& Path) {
  String entry = Path;
  if (!NormalizeEntry(entry)) return;
  bool via = false;
  const int32_t state = GetState(entry, via);
  if (state == ZavCheckGrayed) {
    RemoveBelow(entry);
    return;
  }
  if (state != ZavCheckChecked) return;
  const String path = EntryPath(entry);
  StartSizeThread(path, -1);
  if (!via) {
    FPaths->Delete(FPaths->IndexOf(entry));
    return;
  }
  // The covering folder gives way to entries for everything beside the path
  // on the way down to it.
  String covering;
  ExpandExcept(ParentOf(path), path, covering);
  const int32_t index = FPaths->IndexOf(covering);
  if (index >= 0) FPaths->Delete(index);
}

void TZavSelectionList::ExpandExcept(const String& Folder, const String& Path, String& Covering) {
  if (Folder == Path) return;
  std::vector<String> names;
  FolderNames(Folder, names);
  for (const String& name : names) {
    const String child = AddBackslash(Folder) + name;
    if (child != Path) FPaths->Add(IsDirectory(child) ? FolderEntry(child) : child);
  }
  if (Has(FolderEntry(Folder))) {
    Covering = FolderEntry(Folder);
    return;
  }
  ExpandExcept(ParentOf(Folder), Folder, Covering);
}

bool TZavSelectionList::IsCheckedDeep(const String& Path) {
  if (Has(Path) || Has(FolderEntry(Path))) return true;
  if (!IsDirectory(Path)) return false;
  std::vector<String> names;
  if (!FolderNames(Path, names) || names.empty()) return false;
  for (const String& name : names) {
    const String child = AddBackslash(Path) + name;
    if (IsDirectory(child) ? !IsCheckedDeep(child) : !Has(child)) return false;
  }
  return true;
}

bool TZavSelectionList::SiblingsCheckedDeep(const String& Folder, const String& Except) {
  std::vector<String> names;
  if (!FolderNames(Folder, names)) return false;
  for (const String& name : names) {
    const String child = AddBackslash(Folder) + name;
    if (child != Except && !IsCheckedDeep(child)) return false;
  }
  return true;
}

LPITEMIDLIST TZavSelectionList::GetFullyCheckedAncestor(LPCITEMIDLIST List) {
  String path = PathFromIDList(List);
  if (path.empty()) return CopyIDList(List);
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  for (String folder = ParentOf(path); folder != path && SiblingsCheckedDeep(folder, path); folder = ParentOf(path))
    path = folder;
  return IDListFromPath(nullptr, path);
}

void TZavSelectionList::AddIDList(LPCITEMIDLIST List) { AddPath(PathFromIDList(List)); }

void TZavSelectionList::RemoveIDList(LPCITEMIDLIST List) { RemovePath(PathFromIDList(List)); }

int32_t TZavSelectionList::GetStateOfIDList(LPCITEMIDLIST List, bool& ViaAncestor) {
  return GetState(PathFromIDList(List), ViaAncestor);
}
