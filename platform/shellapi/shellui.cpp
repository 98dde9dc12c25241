#include "platform/shellapi/shellui.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/shellapi/shell_internal.h"
#include "platform/shellapi/shellvolumes.h"

namespace {

constexpr int kAutoCompleteScanLimit = 10000;

String ModeString(mode_t m) {
  String s(10, '-');
  if (S_ISDIR(m))
    s[0] = 'd';
  else if (S_ISLNK(m))
    s[0] = 'l';
  else if (S_ISCHR(m))
    s[0] = 'c';
  else if (S_ISBLK(m))
    s[0] = 'b';
  else if (S_ISFIFO(m))
    s[0] = 'p';
  else if (S_ISSOCK(m))
    s[0] = 's';
  const char* rwx = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i)
    if (m & (0400 >> i)) s[size_t(i) + 1] = rwx[i];
  if (m & S_ISUID) s[3] = (m & S_IXUSR) ? 's' : 'S';
  if (m & S_ISGID) s[6] = (m & S_IXGRP) ? 's' : 'S';
  if (m & S_ISVTX) s[9] = (m & S_IXOTH) ? 't' : 'T';
  return s;
}

String OwnerName(uid_t uid) {
  struct passwd pw;
  struct passwd* res = nullptr;
  char buf[4096];
  if (getpwuid_r(uid, &pw, buf, sizeof buf, &res) == 0 && res && res->pw_name) return res->pw_name;
  return std::to_string(uid);
}

}  // namespace

TShellUI& ShellUI() {
  static TShellUI ui;
  return ui;
}

bool SHGetPropertiesInfo(const String& path0, TShellPropertiesInfo& info) {
  info = TShellPropertiesInfo{};
  if (path0.empty()) return false;
  const String path = ShellNormalizePath(path0[0] == '/' ? path0 : JoinPath(GetCurrentDir(), path0));
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  const String name = ExtractFileName(path);
  info.Name = DisplayText(name.empty() ? path : name);
  info.Location = ExtractFileDir(path);
  info.IsFolder = S_ISDIR(st.st_mode);
  info.ModeString = ModeString(st.st_mode);
  info.Owner = OwnerName(st.st_uid);
  info.Modified = UnixToLocalDateTime(int64_t(st.st_mtim.tv_sec));
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> buf(size_t(st.st_size > 0 ? st.st_size : 255) + 2);
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n >= 0 && size_t(n) < buf.size()) info.LinkTarget.assign(buf.data(), size_t(n));
  }
  info.TypeName = ShellTypeName(path, info.IsFolder);
  if (info.IsFolder) {
    if (DIR* d = ::opendir(path.c_str())) {
      while (struct dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ++info.EntryCount;
      ::closedir(d);
    }
  } else {
    info.Size = int64_t(st.st_size);
  }
  return true;
}

HRESULT SHAutoComplete(HWND edit, uint32_t flags) {
  if (!OnMainThread()) return RPC_E_WRONG_THREAD;
  TShellUI& ui = ShellUI();
  if (!ui.AutoComplete) return E_NOTIMPL;
  return ui.AutoComplete(edit, flags);
}

std::vector<String> AutoCompleteCandidates(const String& typed, bool foldersOnly) {
  std::vector<String> out;
  if (typed.empty() || typed[0] != '/') return out;
  const size_t slash = typed.rfind('/');
  const String dir = slash == 0 ? String("/") : typed.substr(0, slash);
  const String prefix = typed.substr(slash + 1);
  if (IsRemotePath(dir)) return out;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return out;
  const String lowerPrefix = AnsiLowerCase(prefix);
  int seen = 0;
  while (struct dirent* e = ::readdir(d)) {
    if (++seen > kAutoCompleteScanLimit) break;
    const String name = e->d_name;
    if (name == "." || name == "..") continue;
    if (name[0] == '.' && (prefix.empty() || prefix[0] != '.')) continue;
    if (AnsiLowerCase(name).compare(0, lowerPrefix.size(), lowerPrefix) != 0) continue;
    const String full = JoinPath(dir, name);
    if (foldersOnly) {
      bool isDir = e->d_type == DT_DIR;
      if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
        struct stat st;
        isDir = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      }
      if (!isDir) continue;
    }
    out.push_back(full);
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(), [](const String& a, const String& b) {
    const int r = NaturalCompare(a, b);
    return r != 0 ? r < 0 : a < b;
  });
  return out;
}
