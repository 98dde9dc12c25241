// The dialogs the shell layer shows through its UI hooks: the properties
// window of the "properties" verb and the auto-complete popup of path edits.
// Main thread only.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gui/windows.h"
#include "platform/rtl/types.h"
#include "platform/shellapi/shellui.h"

// "1,234,567"
String FormatThousands(int64_t Value);
// "1,206 KB (1,234,567 bytes)": kilobytes rounded up, so a non-empty file
// never shows as 0 KB.
String FormatSizeBytesKB(int64_t Bytes);

// The rows (label, value) the properties window shows: for one item its
// name, type, location, size (a folder: the entries in it), modified time,
// permissions, owner and, for a link, its target; for several their count,
// total size and, when they share one, their folder.
std::vector<std::pair<String, String>> ShellPropertiesRows(const std::vector<TShellPropertiesInfo>& Items);

// The modal properties window of the paths, owned by Owner's top-level
// window. S_OK once closed; E_INVALIDARG for no path, and
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) without a window when a path
// cannot be read.
HRESULT ShowShellProperties(HWND Owner, const std::vector<String>& Paths);

// Attaches the auto-complete popup to an edit: a framework edit through its
// WindowProc, any other edit window by subclassing (GWL_WNDPROC). After each
// change the user makes to the text, the shell's candidates for it ("~" is
// the home folder) show in a topmost list under the edit that never takes
// activation; Up and Down choose, Enter or Tab put the chosen name (a folder
// with a trailing "/") in place of the last segment, Escape or a focus
// change close it. Nothing is ever appended on its own. SHACF_FILESYS_DIRS
// offers folders only; SHACF_AUTOSUGGEST_FORCE_OFF attaches nothing.
// Attaching again changes the flags. E_INVALIDARG for a window that is none.
HRESULT AttachAutoComplete(HWND Edit, uint32_t Flags);
// The popup list of an edit while it shows, else nullptr.
HWND AutoCompletePopup(HWND Edit);

// Installs both as the shell layer's UI (ShellUI()).
void InstallShellDialogs();
