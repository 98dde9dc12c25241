// The system menu (the component's own, rebuilt for the state at every
// display, or the standard items put into the user's), the tray icon's
// menu, the ways the system menu opens, and the form's short-cuts.
#include <algorithm>
#include <iterator>

#include "platform/gui/gdi.h"
#include "skin/engine/form/skinform.h"

namespace {

struct TSysItem {
  const char* Name;
  const char* CaptionKey;
};

// In the order of the component's own menu.
constexpr TSysItem kSysItems[] = {{"BSF_MINITEM", "MI_MINCAPTION"},         {"BSF_MAXITEM", "MI_MAXCAPTION"},
                                  {"BSF_RESTORE", "MI_RESTORECAPTION"},     {"BSF_ROLLUP", "MI_ROLLUPCAPTION"},
                                  {"BSF_MINTOTRAY", "MI_MINTOTRAYCAPTION"}, {"BSF_CLOSE", "MI_CLOSECAPTION"}};

const char* CaptionKeyOf(const String& Name) {
  for (const TSysItem& i : kSysItems)
    if (Name == i.Name) return i.CaptionKey;
  return "";
}

bool IsStandardItem(const String& Name) {
  return std::any_of(std::begin(kSysItems), std::end(kSysItems), [&](const TSysItem& i) { return Name == i.Name; });
}

TMenuItem* NewSeparator(TComponent* Owner) {
  auto* line = new TMenuItem(Owner);
  line->SetCaption("-");
  return line;
}

}  // namespace

bool TbsSkinForm::SysMenuItemAllowed(const String& Name) const {
  const TbsBorderIcons& b = FBorderIcons;
  if (Name == "BSF_MINITEM") return b.Contains(TbsBorderIcon::biMinimize) && FWindowState != 1;
  if (Name == "BSF_MAXITEM") return b.Contains(TbsBorderIcon::biMaximize) && FWindowState != 2;
  if (Name == "BSF_RESTORE") return FWindowState != 0 || FRolledUp;
  if (Name == "BSF_ROLLUP")
    return b.Contains(TbsBorderIcon::biRollUp) && !FRolledUp && FWindowState != 1 && !IsMaximizedMDIChild();
  if (Name == "BSF_MINTOTRAY") return b.Contains(TbsBorderIcon::biMinimizeToTray);
  return Name == "BSF_CLOSE";
}

// Owned by the component; the caption in the skin's texts when it has them.
TMenuItem* TbsSkinForm::NewSysMenuItem(const String& Name) {
  auto* item = new TMenuItem(this);
  item->SetName(Name);
  const bool tray = Name.rfind("TRAY_", 0) == 0;
  const String key = CaptionKeyOf(tray ? Name.substr(5) : Name);
  item->SetCaption(SkinResStr(FSkinData != nullptr ? FSkinData->ResourceStrData() : nullptr, key));
  if (Name == "BSF_CLOSE" || Name == "TRAY_BSF_CLOSE")
    item->SetShortCut(TextToShortCut(IsMDIChild() ? "Ctrl+F4" : "Alt+F4"));
  item->OnClick = [this, Name](TObject*) { SysMenuItemClick(Name); };
  return item;
}

void TbsSkinForm::SysMenuItemClick(const String& Name) {
  if (Name == "BSF_MINITEM") return AlwaysMinimizeToTray ? MinimizeToTray() : SetWindowState(1);
  if (Name == "BSF_MAXITEM") return SetWindowState(2);
  if (Name == "BSF_RESTORE") return FRolledUp && FWindowState != 1 ? SetRollUpState(false) : SetWindowState(0);
  if (Name == "BSF_ROLLUP") return SetRollUpState(true);
  if (Name == "BSF_MINTOTRAY") return MinimizeToTray();
  if (Name == "TRAY_BSF_RESTORE") return RestoreFromTray();
  if (Name == "BSF_CLOSE" || Name == "TRAY_BSF_CLOSE") CloseByObject();
}

void TbsSkinForm::CreateSysMenuItems() {
  TMenuItem* items = FDefSysMenu->Items();
  while (items->Count() > 0) delete items->Items(0);
  for (const TSysItem& i : kSysItems) {
    if (String(i.Name) == "BSF_CLOSE" && items->Count() > 0) items->Add(NewSeparator(this));
    if (SysMenuItemAllowed(i.Name)) items->Add(NewSysMenuItem(i.Name));
  }
}

void TbsSkinForm::UpdateUserSysMenu() {
  if (!UseDefaultSysMenu || FSystemMenu == nullptr) return;
  TMenuItem* items = FSystemMenu->Items();
  for (bool removed = true; removed;) {
    removed = false;
    for (int32_t i = 0; i < items->Count() && !removed; ++i)
      if (IsStandardItem(items->Items(i)->Name())) {
        delete items->Items(i);
        removed = true;
      }
  }
  for (const char* name : {"BSF_MINTOTRAY", "BSF_ROLLUP", "BSF_MAXITEM", "BSF_RESTORE", "BSF_MINITEM"})
    if (SysMenuItemAllowed(name)) items->Insert(0, NewSysMenuItem(name));
  items->Add(NewSysMenuItem("BSF_CLOSE"));
}

TMenuItem* TbsSkinForm::GetSysMenuItems() {
  if (FSystemMenu != nullptr) {
    UpdateUserSysMenu();
    return FSystemMenu->Items();
  }
  CreateSysMenuItems();
  return FDefSysMenu->Items();
}

// Made before any skin is assigned, so with the built-in captions.
void TbsSkinForm::FillTrayMenu() {
  TMenuItem* items = FTrayMenu->Items();
  items->Add(NewSysMenuItem("TRAY_BSF_RESTORE"));
  items->Add(NewSeparator(this));
  items->Add(NewSysMenuItem("TRAY_BSF_CLOSE"));
}

// ---- Showing the system menu ---------------------------------------------------------------------

TbsSkinForm* TbsSkinForm::MenuHost() {
  if (!IsMDIChild()) return this;
  return Application != nullptr ? FindSkinForm(Application->MainForm()) : nullptr;
}

void TbsSkinForm::PopupSysMenuAt(int32_t X, int32_t Y) { PopupSysMenu(TRect{X, Y, X, Y}); }

void TbsSkinForm::PopupSysMenuFromRect(const TRect& R) { PopupSysMenu(R); }

// A menu still open shows the items being rebuilt: it ends first. An MDI
// child's menu runs in the main form's controller, which tells only its own
// form when it ends; the child is named as the opener so that it hears too
// (its menu state and key hook would outlive the menu otherwise).
void TbsSkinForm::PopupSysMenu(const TRect& R) {
  TbsSkinForm* host = MenuHost();
  if (host == nullptr) return;
  if (host->FSkinMenu->IsOpen) host->FSkinMenu->CloseMenu();
  TMenuItem* items = GetSysMenuItems();
  SkinMenuOpened();
  TbsSkinData* skin = host->FMenusSkinData != nullptr ? host->FMenusSkinData : host->FSkinData;
  host->FSkinMenu->Popup(host != this ? FOwnerForm : nullptr, skin, false, items, R, 0);
}

// The last enabled system-menu object wins: each opening would close the
// menu the one before opened.
void TbsSkinForm::ShowSysMenuFromButton() {
  TbsActiveSkinObject* button = nullptr;
  for (auto& o : FObjects) {
    if (!o->FEnabled) continue;
    auto* a = dynamic_cast<TbsSkinAnimateObject*>(o.get());
    auto* s = dynamic_cast<TbsSkinStdButtonObject*>(o.get());
    if ((a != nullptr && a->FButtonCommand == TbsStdCommand::cmSysMenu) ||
        (s != nullptr && s->FButtonCommand == TbsStdCommand::cmSysMenu))
      button = o.get();
  }
  if (button != nullptr) PopupSysMenuFromRect(WindowToScreen(button->FBounds));
}

// ---- Short-cuts ----------------------------------------------------------------------------------

// The form's own handler, Alt+Space, the menu bar's accelerators (never
// Alt+F4, the window system's close) and its menus' short-cuts.
void TbsSkinForm::FormShortCut(TWMKey& Msg, bool& Handled) {
  if (OnShortCut) {
    OnShortCut(Msg, Handled);
    if (Handled) return;
  }
  const TShiftState shift = KeyDataToShiftState(Msg.KeyData);
  if (shift == TShiftState{TShiftStateItem::ssAlt} && Msg.CharCode == VK_SPACE) {
    ShowSysMenuFromButton();
    FLastKeyWasShortCut = false;
    Handled = true;
    return;
  }
  const bool alt = shift.Contains(TShiftStateItem::ssAlt);
  if (FLastKeyWasShortCut) {
    FLastKeyWasShortCut = false;
    Handled = false;
  }
  if (BarHasMenu()) {
    if (alt && Msg.CharCode != VK_F4 && BarProcessAccel(Msg.CharCode)) {
      // One accelerator selects one item: the child menu is not asked too.
      Handled = true;
      return;
    }
    Handled = BarIsShortCut(Msg);
    FLastKeyWasShortCut = Handled;
  }
  if (FLastKeyWasShortCut || !BarHasChildMenu()) return;
  if (alt && Msg.CharCode != VK_F4 && BarProcessAccel(Msg.CharCode)) {
    Handled = true;
    return;
  }
  Handled = BarIsChildMenuShortCut(Msg);
  FLastKeyWasShortCut = Handled;
}
