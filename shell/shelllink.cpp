#include "shell/shelllink.h"

#include <algorithm>

#include "platform/rtl/scopeguard.h"
#include "platform/vcl/controls.h"

namespace {

HWND WindowOf(TWinControl* Control) {
  return Control != nullptr && Control->HandleAllocated() ? Control->Handle() : nullptr;
}

}  // namespace

TZavShellLink::TZavShellLink(TComponent* AOwner) : TComponent(AOwner) {}

void TZavShellLink::RegisterWindow(HWND Window) {
  if (Window != nullptr && std::find(FLinkedWindows.begin(), FLinkedWindows.end(), Window) == FLinkedWindows.end())
    FLinkedWindows.push_back(Window);
}

void TZavShellLink::UnregisterWindow(HWND Window) {
  FLinkedWindows.erase(std::remove(FLinkedWindows.begin(), FLinkedWindows.end(), Window), FLinkedWindows.end());
}

bool TZavShellLink::Broadcast(TWinControl* Sender, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  if (!FEnabled) return false;
  FEnabled = false;
  auto restore = ScopeExit([this] { FEnabled = true; });
  const HWND self = WindowOf(Sender);
  // A copy: a handler may register or unregister windows.
  const std::vector<HWND> windows = FLinkedWindows;
  for (HWND w : windows)
    if (w != self && IsWindow(w)) SendMessage(w, Msg, WParam, LParam);
  return true;
}

void TZavShellLink::NotifyFolderChange(TWinControl* Sender, LPCITEMIDLIST Folder) {
  if (Broadcast(Sender, ZSL_FOLDERCHANGE, reinterpret_cast<WPARAM>(Folder), 0) && OnChange) OnChange(this);
}

void TZavShellLink::NotifySelection(TWinControl* Sender, LPCITEMIDLIST Folder, LPCITEMIDLIST Object) {
  if (Broadcast(Sender, ZSL_SELECTION, reinterpret_cast<WPARAM>(Folder), reinterpret_cast<LPARAM>(Object)) && OnChange)
    OnChange(this);
}

void TZavShellLink::SelectAllOthers(TWinControl* Sender) { Broadcast(Sender, ZSL_SELECTALL, 0, 0); }

void TZavShellLink::RepopulateOthers(TWinControl* Sender) { Broadcast(Sender, ZSL_REPOPULATE, 0, 0); }

void TZavShellLink::RefreshOthers(TWinControl* Sender) { Broadcast(Sender, ZSL_REFRESH, 0, 0); }

void TZavShellLink::GoUp(TWinControl* Sender) {
  if (!FEnabled) return;
  const HWND self = WindowOf(Sender);
  {
    FEnabled = false;
    auto restore = ScopeExit([this] { FEnabled = true; });
    const std::vector<HWND> windows = FLinkedWindows;
    for (HWND w : windows)
      if (w != self && IsWindow(w) && SendMessage(w, ZSL_GOUP, 0, 0) == 1) return;
  }
  // Nobody else went up: the sender does, and tells the others its folder.
  if (self != nullptr) SendMessage(self, ZSL_GOUP, 0, 0);
}
