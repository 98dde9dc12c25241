// The folders of the freedesktop base-directory and user-directory
// conventions, read once (under a lock) from the environment and
// $XDG_CONFIG_HOME/user-dirs.dirs.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "platform/rtl/types.h"

struct TXdgDirs {
  String Home;                   // $HOME, else the account's home folder
  String ConfigHome;             // $XDG_CONFIG_HOME (absolute) or $HOME/.config
  String DataHome;               // $XDG_DATA_HOME or $HOME/.local/share
  String CacheHome;              // $XDG_CACHE_HOME or $HOME/.cache
  std::vector<String> DataDirs;  // $XDG_DATA_DIRS or /usr/local/share, /usr/share
  // The user folders set in user-dirs.dirs, by name ("DESKTOP", "PICTURES" ...).
  std::map<String, String> UserDirs;
};

// The table as read first (or after ResetShellCaches).
std::shared_ptr<const TXdgDirs> XdgDirs();
// A user folder with the fallbacks of the user-dirs tools: the value set in
// user-dirs.dirs, else $HOME/Desktop for "DESKTOP" and $HOME for the others.
String XdgUserDir(const String& name);

// Reads user-dirs.dirs text: XDG_<NAME>_DIR="$HOME/..." or an absolute path
// (quoted or not, backslash escapes); other values and lines are ignored.
// Only the first 64 KiB are looked at. Paths come without a trailing "/".
std::map<String, String> ParseUserDirs(const char* data, size_t size, const String& home);

// Forgets the XDG table, the mount table and the icon indexes, so tests can
// change the environment between cases.
void ResetShellCaches();
