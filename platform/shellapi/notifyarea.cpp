// Shell_NotifyIcon over the installed notification area, and the area in
// memory that tests and headless sessions read.
#include <algorithm>
#include <cstring>

#include "platform/shellapi/shellapi.h"

namespace {

TNotifyAreaBackend* gArea = nullptr;

String TipOf(const NOTIFYICONDATA& d) { return String(d.szTip, strnlen(d.szTip, sizeof d.szTip)); }

}  // namespace

void SetNotifyAreaBackend(TNotifyAreaBackend* backend) { gArea = backend; }

bool Shell_NotifyIcon(uint32_t message, const NOTIFYICONDATA* data) {
  if (gArea == nullptr || data == nullptr) return false;
  return gArea->NotifyIcon(message, *data);
}

const TMemoryNotifyArea::TIcon* TMemoryNotifyArea::Find(HWND wnd, uint32_t id) const {
  for (const TIcon& i : FIcons)
    if (i.Wnd == wnd && i.Id == id) return &i;
  return nullptr;
}

bool TMemoryNotifyArea::NotifyIcon(uint32_t message, const NOTIFYICONDATA& d) {
  auto it =
      std::find_if(FIcons.begin(), FIcons.end(), [&](const TIcon& i) { return i.Wnd == d.hWnd && i.Id == d.uID; });
  if (message == NIM_DELETE) {
    if (it == FIcons.end()) return false;
    FIcons.erase(it);
    return true;
  }
  if (message == NIM_ADD) {
    if (it != FIcons.end() || d.hWnd == nullptr) return false;
    FIcons.push_back(TIcon{d.hWnd, d.uID, 0, nullptr, String()});
    it = FIcons.end() - 1;
  } else if (message != NIM_MODIFY || it == FIcons.end()) {
    return false;
  }
  if (d.uFlags & NIF_MESSAGE) it->CallbackMessage = d.uCallbackMessage;
  if (d.uFlags & NIF_ICON) it->Icon = d.hIcon;
  if (d.uFlags & NIF_TIP) it->Tip = TipOf(d);
  return true;
}

bool TMemoryNotifyArea::Post(HWND wnd, uint32_t id, std::initializer_list<uint32_t> mouse) {
  const TIcon* icon = Find(wnd, id);
  if (icon == nullptr || icon->CallbackMessage == 0) return false;
  for (uint32_t m : mouse) PostMessage(wnd, icon->CallbackMessage, WPARAM(id), LPARAM(m));
  return true;
}

bool TMemoryNotifyArea::Click(HWND wnd, uint32_t id, bool right) {
  return right ? Post(wnd, id, {WM_RBUTTONDOWN, WM_RBUTTONUP}) : Post(wnd, id, {WM_LBUTTONDOWN, WM_LBUTTONUP});
}

bool TMemoryNotifyArea::DoubleClick(HWND wnd, uint32_t id) {
  return Post(wnd, id, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
}

void TMemoryNotifyArea::Restart() {
  FIcons.clear();
  PostMessage(HWND_BROADCAST, RegisterWindowMessage("TaskbarCreated"), 0, 0);
}
