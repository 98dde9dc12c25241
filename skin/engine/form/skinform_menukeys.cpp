// Open menus and the menu bar's keyboard menu mode: the form's menu state,
// the application messages taken while a menu runs, and the keys of the
// keyboard menu.
#include "skin/engine/form/appmessagehook.h"
#include "skin/engine/form/skinform.h"

// ---- The menu state ------------------------------------------------------------------------------

// The first menu of a chain opens the form's menu state.
void TbsSkinForm::SkinMenuOpened() {
  if (!FMainMenuMode) HookApplicationMessages();
  if (FSkinMenuOpen) return;
  FSkinMenuOpen = true;
  if (OnSkinMenuOpen) OnSkinMenuOpen(this);
}

void TbsSkinForm::SkinMenuClosed() {
  FSkinMenuOpen = false;
  ObjectMenuClosed();
  UnhookApplicationMessages();
  if (OnSkinMenuClose) OnSkinMenuClose(this);
  if (!FMainMenuMode) return;
  FMainMenuMode = false;
  BarResetItems();
  if (OnMainMenuExit) OnMainMenuExit(this);
}

void TbsSkinForm::StartMainMenuMode() {
  HookApplicationMessages();
  FMainMenuMode = true;
}

void TbsSkinForm::EndMainMenuMode() {
  FMainMenuMode = false;
  if (FSkinMenu->IsOpen) FSkinMenu->CloseMenu();
  BarResetItems();
  UnhookApplicationMessages();
  if (OnMainMenuExit) OnMainMenuExit(this);
}

void TbsSkinForm::MenuBarMenuClosed() {
  FSkinMenuOpen = false;
  BarReleaseDownItem();
  if (OnSkinMenuClose) OnSkinMenuClose(this);
}

// Alt alone, F10 or Alt with a letter nothing took: the menu bar's keyboard
// mode starts, or ends when it runs. A menu open before closes first.
void TbsSkinForm::WMSysKeyMenu(TMessage&) {
  if (FMainMenuMode) return EndMainMenuMode();
  if (FSkinMenu->IsOpen) FSkinMenu->CloseMenu();
  BarEnterMenuMode();
}

// ---- The application's messages -------------------------------------------------------------------

void TbsSkinForm::HookApplicationMessages() {
  if (FAppHookId != 0) return;
  FAppHookId = PushAppMessageHook([this](TMSG& Msg, bool& Handled) { AppMessageHook(Msg, Handled); });
}

void TbsSkinForm::UnhookApplicationMessages() {
  RemoveAppMessageHook(FAppHookId);
  FAppHookId = 0;
}

void TbsSkinForm::AppMessageHook(TMSG& Msg, bool& Handled) {
  if (Msg.message == WM_KEYDOWN) {
    const auto key = uint32_t(Msg.wParam);
    Msg.message = 0;
    Handled = true;
    MenuKeyDown(key);
  } else if (Msg.message == WM_MOUSEWHEEL) {
    Msg.message = 0;
    Handled = true;
  }
}

// ---- Keys --------------------------------------------------------------------------------------------

TbsSkinForm* TbsSkinForm::MenuKeyRedirect() {
  if (!IsMDIChild() || Application == nullptr) return nullptr;
  TbsSkinForm* main = FindSkinForm(Application->MainForm());
  if (main == nullptr || main == this) return nullptr;
  return main->FSkinMenuOpen || main->FMainMenuMode || main->FSkinMenu->IsOpen ? main : nullptr;
}

// Accelerators, Escape, Left and Right of the keyboard menu mode; false when
// the key is the open popup's.
bool TbsSkinForm::MenuBarKeys(uint32_t Key) {
  if (!FMainMenuMode) return false;
  if (BarProcessAccel(Key)) return true;
  if (Key == VK_ESCAPE && !FSkinMenuOpen) {
    EndMainMenuMode();
    return true;
  }
  const int32_t levels = FSkinMenu->WindowCount();
  if (Key == VK_LEFT && levels <= 1) {
    BarSelectPrevItem();
    return true;
  }
  if (Key != VK_RIGHT) return false;
  TbsSkinPopupWindow* last = FSkinMenu->LastWindow();
  const bool submenu = last != nullptr && last->HotIndex >= 0 && last->HotIndex < last->ItemCount() &&
                       last->Items(last->HotIndex)->SourceItem->Count() > 0;
  if (submenu) return false;
  BarSelectNextItem();
  return true;
}

void TbsSkinForm::MenuKeyDown(uint32_t Key) {
  if (TbsSkinForm* main = MenuKeyRedirect()) return main->MenuKeyDown(Key);
  if (MenuBarKeys(Key)) return;
  if ((Key == VK_RETURN || Key == VK_DOWN) && BarExecuteHotItem()) return;
  if (TbsSkinPopupWindow* last = FSkinMenu->LastWindow()) last->ProcessKey(Key);
  if (Key != VK_ESCAPE || FSkinMenu->WindowCount() > 0) return;
  if (FMainMenuMode)
    MenuBarMenuClosed();
  else
    SkinMenuClosed();
}
