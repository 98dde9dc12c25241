// Test helpers of the shell tests: fixture folders under the test's own
// HOME, small files, and running the cross-check tools.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/shellapi/shlobj.h"
#include "platform/shellapi/xdgdirs.h"

namespace shelltest {

// A fresh folder below $HOME (never the user's real files: the test main
// gives every process its own HOME).
inline String NewDir(const String& tag) {
  static int n = 0;
  String base = String(std::getenv("HOME")) + "/t-" + tag + "-" + std::to_string(getpid()) + "-" + std::to_string(++n);
  ForceDirectories(base);
  return base;
}

inline void WriteFile(const String& path, const String& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
}

inline String ReadFile(const String& path) {
  std::ifstream f(path, std::ios::binary);
  return String(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline bool Exists(const String& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

inline bool HaveTool(const char* name) {
  String cmd = String("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs a command line of the test's own making through the shell and
// answers its standard output (exit status in *status).
inline String RunCommand(const String& command, int* status = nullptr) {
  String out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int rc = ::pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

inline String Quote(const String& s) {
  String q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

inline String TrimEnd(String s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

// An absolute list for a path (parsed by the desktop), freed by the holder.
struct TPidl {
  ITEMIDLIST* P = nullptr;
  TPidl() = default;
  explicit TPidl(ITEMIDLIST* p) : P(p) {}
  TPidl(const TPidl&) = delete;
  TPidl& operator=(const TPidl&) = delete;
  TPidl(TPidl&& o) noexcept : P(o.P) { o.P = nullptr; }
  TPidl& operator=(TPidl&& o) noexcept {
    std::swap(P, o.P);
    return *this;
  }
  ~TPidl() { ILFree(P); }
  ITEMIDLIST** Out() {
    ILFree(P);
    P = nullptr;
    return &P;
  }
};

inline TPidl Parse(const String& path, HRESULT* result = nullptr) {
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  TPidl p;
  HRESULT hr = desk->ParseDisplayName(nullptr, nullptr, path, nullptr, p.Out(), nullptr);
  if (result) *result = hr;
  return p;
}

inline String NameOf(IShellFolder* f, PCUITEMID_CHILD item, uint32_t flags) {
  STRRET s;
  if (FAILED(f->GetDisplayNameOf(item, flags, &s))) return "<fail>";
  String out;
  StrRetToStr(&s, item, out);
  return out;
}

inline ComPtr<IShellFolder> Bind(PCIDLIST_ABSOLUTE pidl) {
  ComPtr<IShellFolder> desk;
  SHGetDesktopFolder(desk.ReleaseAndGetAddressOf());
  ComPtr<IShellFolder> f;
  if (ILIsEmpty(pidl)) return desk;
  desk->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(f.ReleaseAndGetAddressOf()));
  return f;
}

// The folder of a path and the child item of its last segment.
struct TFolderItem {
  ComPtr<IShellFolder> Folder;
  TPidl Child;
};

inline TFolderItem FolderItem(const String& path) {
  TFolderItem r;
  TPidl full = Parse(path);
  if (!full.P) return r;
  TPidl parent(ILClone(full.P));
  ILRemoveLastID(parent.P);
  r.Folder = Bind(parent.P);
  r.Child = TPidl(ILClone(ILFindLastID(full.P)));
  return r;
}

}  // namespace shelltest
