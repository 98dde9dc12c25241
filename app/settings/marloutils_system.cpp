// The OS version code, special folders, the message queue and the cursor.
#include "app/settings/marloutils.h"

#include "platform/rtl/version.h"
#include "platform/shellapi/shlobj.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

namespace {

int32_t Windows9xCode(const OSVERSIONINFO& Info) {
  if (Info.dwMajorVersion != 4) return -1;
  switch (Info.dwMinorVersion) {
    case 0: return 0;
    case 10: return Info.szCSDVersion[0] != 0 && Info.szCSDVersion[1] == 'A' ? 2 : 1;
    case 90: return 3;
    default: return -1;
  }
}

int32_t WindowsNTCode(const OSVERSIONINFO& Info) {
  if (Info.dwMajorVersion <= 4) return 4;
  if (Info.dwMajorVersion == 5) {
    if (Info.dwMinorVersion == 0) return 5;
    if (Info.dwMinorVersion <= 2) return 6;
    return -1;
  }
  return Info.dwMajorVersion == 6 ? 7 : -1;
}

bool ReadVersion(OSVERSIONINFO& Info) {
  Info = OSVERSIONINFO{};
  Info.dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
  return GetVersionEx(Info);
}

}  // namespace

int32_t GetOSVersionCode() {
  OSVERSIONINFO info;
  if (!ReadVersion(info)) return -1;
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS: return Windows9xCode(info);
    case VER_PLATFORM_WIN32_NT: return WindowsNTCode(info);
    default: return -1;
  }
}

bool IsWinXPOrLater() {
  OSVERSIONINFO info;
  if (!ReadVersion(info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
  return (info.dwMajorVersion > 4 && info.dwMinorVersion > 0) || info.dwMajorVersion > 5;
}

String GetSpecialFolderPath(int32_t Csidl) {
  PIDLIST_ABSOLUTE pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, Csidl, &pidl)) || !pidl) return String();
  String path;
  const bool ok = SHGetPathFromIDList(pidl, path);
  ILFree(pidl);
  return ok ? path : String();
}

String GetAppDataFolder() { return GetSpecialFolderPath(CSIDL_APPDATA); }

void DiscardKeyboardMessages() {
  TMSG msg;
  while (PeekMessage(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

void ShowHourglass() {
  if (!Screen) return;
  // Through crNone, so that the change shows even when the hourglass is set.
  Screen->SetCursor(crNone);
  Screen->SetCursor(crHourGlass);
}
