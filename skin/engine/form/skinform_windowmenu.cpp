// One item per shown MDI child in the main form's window menu, named after
// the child (Name + "_BSFCHILDITEM", compared case-sensitively) and owned
// by the child's component.
#include "skin/engine/form/skinform.h"

namespace {

const String kChildItemSuffix = "_BSFCHILDITEM";

// The window menu of the application's main form when it has a skin
// component, else nullptr.
TMenuItem* MainWindowMenu() {
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main == nullptr || FindSkinForm(main) == nullptr) return nullptr;
  return main->WindowMenu();
}

bool IsChildItem(const TMenuItem* Item) { return Item->Name().find(kChildItemSuffix) != String::npos; }

// The item's name without the suffix.
String ChildNameOf(const TMenuItem* Item) {
  String name = Item->Name();
  const size_t at = name.find(kChildItemSuffix);
  if (at != String::npos) name.erase(at, kChildItemSuffix.size());
  return name;
}

TMenuItem* FindChildItem(TMenuItem* Menu, const String& ChildName) {
  for (int32_t i = 0; i < Menu->Count(); ++i)
    if (IsChildItem(Menu->Items(i)) && ChildNameOf(Menu->Items(i)) == ChildName) return Menu->Items(i);
  return nullptr;
}

}  // namespace

void TbsSkinForm::AddChildMenuItem() {
  TMenuItem* menu = MainWindowMenu();
  const String name = FOwnerForm->Name() + kChildItemSuffix;
  // Shown twice without a hide between: the one item stays.
  if (menu == nullptr || FindComponent(name) != nullptr) return;
  auto* item = new TMenuItem(this);
  item->SetName(name);
  item->SetCaption(FOwnerForm->Caption());
  item->OnClick = [this](TObject* Sender) { ChildMenuItemClick(Sender); };
  menu->Add(item);
}

// The last child gone, no child item may stay behind.
void TbsSkinForm::RemoveChildMenuItem() {
  TMenuItem* menu = MainWindowMenu();
  if (menu == nullptr) return;
  delete FindChildItem(menu, FOwnerForm->Name());
  if (Application->MainForm()->MDIChildCount() > 0) return;
  for (int32_t i = 0; i < menu->Count(); ++i)
    if (IsChildItem(menu->Items(i))) {
      delete menu->Items(i);
      return;
    }
}

void TbsSkinForm::UpdateChildMenuItemCaption() {
  TMenuItem* menu = MainWindowMenu();
  if (menu == nullptr) return;
  if (TMenuItem* item = FindChildItem(menu, FOwnerForm->Name())) item->SetCaption(FOwnerForm->Caption());
}

void TbsSkinForm::CheckActiveChildMenuItem() {
  TMenuItem* menu = MainWindowMenu();
  if (menu == nullptr) return;
  TCustomForm* active = Application->MainForm()->ActiveMDIChild();
  for (int32_t i = 0; i < menu->Count(); ++i) {
    TMenuItem* item = menu->Items(i);
    if (IsChildItem(item)) item->SetChecked(active != nullptr && ChildNameOf(item) == active->Name());
  }
}

void TbsSkinForm::ChildMenuItemClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (item == nullptr || main == nullptr) return;
  const String name = ChildNameOf(item);
  for (int32_t i = 0; i < main->MDIChildCount(); ++i) {
    TCustomForm* child = main->MDIChildren(i);
    if (child == nullptr || child->Name() != name) continue;
    if (TbsSkinForm* f = FindSkinForm(child); f != nullptr && f->FWindowState == 1) f->SetWindowState(0);
    child->Show();
  }
}
