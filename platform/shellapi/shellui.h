// What the dialog layer installs over the shell: the properties window and
// the auto-complete popup. Until then the verbs that need them answer
// E_NOTIMPL. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/windows.h"
#include "platform/rtl/winerror.h"
#include "platform/shellapi/comframe.h"

struct TShellUI {
  // Shows the properties of the paths (read with SHGetPropertiesInfo).
  std::function<HRESULT(HWND owner, const std::vector<String>& paths)> ShowProperties;
  // Attaches the auto-complete popup to an edit window.
  std::function<HRESULT(HWND edit, uint32_t flags)> AutoComplete;
};
TShellUI& ShellUI();

struct TShellPropertiesInfo {
  String Name;  // shown name (invalid UTF-8 read as Windows-1252)
  String TypeName;
  String Location;  // the containing folder
  bool IsFolder = false;
  int64_t Size = 0;        // files: bytes
  int64_t EntryCount = 0;  // folders: entries directly inside
  TDateTime Modified = 0;  // local time
  String ModeString;       // "drwxr-xr-x"
  String Owner;            // user name, or the number
  String LinkTarget;       // symbolic links: the target as stored
};
// Reads the object without following a final link (a link describes
// itself, with its target). false when it does not exist.
bool SHGetPropertiesInfo(const String& path, TShellPropertiesInfo& info);

inline constexpr uint32_t SHACF_DEFAULT = 0x00000000;
inline constexpr uint32_t SHACF_FILESYSTEM = 0x00000001;
inline constexpr uint32_t SHACF_FILESYS_ONLY = 0x00000010;
inline constexpr uint32_t SHACF_FILESYS_DIRS = 0x00000020;
inline constexpr uint32_t SHACF_AUTOSUGGEST_FORCE_ON = 0x10000000;
inline constexpr uint32_t SHACF_AUTOSUGGEST_FORCE_OFF = 0x20000000;
inline constexpr uint32_t SHACF_AUTOAPPEND_FORCE_ON = 0x40000000;
inline constexpr uint32_t SHACF_AUTOAPPEND_FORCE_OFF = 0x80000000;

// Forwards to ShellUI().AutoComplete; E_NOTIMPL while none is installed.
HRESULT SHAutoComplete(HWND edit, uint32_t flags);

// The completions of typed text: the entries of its folder (folders only,
// or files too) whose names start with its last segment, ignoring case,
// sorted; hidden entries only when the segment starts with ".". At most the
// first 10,000 entries of the folder are read; none on remote mounts.
std::vector<String> AutoCompleteCandidates(const String& typed, bool foldersOnly);
