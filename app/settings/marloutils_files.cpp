// Paths and files.
#include "app/settings/marloutils.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shlobj.h"
#include "platform/shellapi/shellvolumes.h"

namespace {

bool IsHiddenName(const char* Name) { return Name[0] == '.'; }

// A regular file (not a link) that its owner may write: what a clean-up may
// delete. Read-only files are the user's protection and stay.
bool IsDeletablePlainFile(const String& Path) {
  struct stat st;
  return lstat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) != 0;
}

std::vector<String> DeletableFilesIn(const String& Folder) {
  std::vector<String> files;
  DIR* dir = opendir(Folder.c_str());
  if (!dir) return files;
  while (const dirent* e = readdir(dir)) {
    if (IsHiddenName(e->d_name)) continue;
    const String path = Folder + e->d_name;
    if (IsDeletablePlainFile(path)) files.push_back(path);
  }
  closedir(dir);
  return files;
}

// Absolute, "." and ".." resolved, with a trailing "/".
String LexicalFolder(const String& Path) { return AddTrailingBackslash(ExpandFileName(Path)); }

}  // namespace

String AddTrailingBackslash(const String& Path) {
  if (Path.empty() || Path.back() == '/') return Path;
  return Path + "/";
}

String RemoveTrailingBackslash(const String& Path) {
  if (Path.size() > 1 && Path.back() == '/') return Path.substr(0, Path.size() - 1);
  return Path;
}

String ParentFolderName(const String& Path) {
  const String dir = ExtractFileDir(Path);
  if (dir == "/") return String();
  return ExtractFileName(dir);
}

int32_t LastCharPos(const String& Text, char C) {
  const size_t p = Text.rfind(C);
  return p == String::npos ? 0 : int32_t(p) + 1;
}

String NameWithoutExtension(const String& Path) {
  const String name = ExtractFileName(Path);
  const size_t dot = name.rfind('.');
  if (dot == String::npos || dot == 0) return name;
  return name.substr(0, dot);
}

bool FastFileExists(const String& Path) {
  struct stat st;
  return !Path.empty() && stat(Path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsFixedDrivePath(const String& Path) {
  const String path = Trim(Path);
  return !path.empty() && path[0] == '/' && GetDriveType(path) == DRIVE_FIXED;
}

String ExpandRelativeFolder(const String& Base, const String& Path) { return ExpandFileName(Path, Base); }

String ShellNormalizedPath(const String& Path) {
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf()))) return Path;
  PIDLIST_RELATIVE pidl = nullptr;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, Path, nullptr, &pidl, nullptr))) return Path;
  String spelt;
  const bool ok = SHGetPathFromIDList(pidl, spelt);
  ILFree(pidl);
  return ok ? spelt : Path;
}

bool SameFolder(const String& A, const String& B) {
  struct stat sa, sb;
  const bool aExists = !A.empty() && stat(A.c_str(), &sa) == 0;
  const bool bExists = !B.empty() && stat(B.c_str(), &sb) == 0;
  if (aExists && bExists) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return !A.empty() && !B.empty() && LexicalFolder(A) == LexicalFolder(B);
}

TDateTime GetFileDate(const String& Path) {
  TDateTime date = 0;
  if (!FileGetModified(Path, date)) return 0;
  return date;
}

bool SetFileDate(const String& Path, TDateTime Date) { return FileSetModified(Path, Date); }

int64_t GetFileSize64(const String& Path) {
  struct stat st;
  if (Path.empty() || stat(Path.c_str(), &st) != 0) return -1;
  return S_ISDIR(st.st_mode) ? 0 : int64_t(st.st_size);
}

void DeleteFileForced(const String& Path) {
  struct stat st;
  if (Path.empty() || lstat(Path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
  if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) chmod(Path.c_str(), (st.st_mode & 07777) | S_IWUSR);
  unlink(Path.c_str());
}

void DeleteFilesInFolder(const String& Folder) {
  if (!DirectoryExists(Folder)) return;
  // Collected first, so that deleting does not disturb the listing.
  for (const String& file : DeletableFilesIn(AddTrailingBackslash(Folder))) unlink(file.c_str());
}

void UninstallCleanup() {
  const int32_t os = GetOSVersionCode();
  if (os >= 0 && os <= 4) return;
  const String appData = GetAppDataFolder();
  if (appData.empty() || !DirectoryExists(appData)) return;
  const String folder = AddTrailingBackslash(appData) + kSettingsSubFolder;
  if (DirectoryExists(folder)) DeleteFilesInFolder(folder);
}
