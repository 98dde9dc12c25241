#include "platform/vcl/menus.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/gui/gdi.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/headless.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/hints.h"
#include "platform/vcl/menus_internal.h"

// ================================================================================
// Short-cuts and accelerators
// ================================================================================

namespace {

struct TKeyName {
  uint16_t Key;
  const char* Name;
};

constexpr std::array<TKeyName, 15> kKeyNames = {{{VK_BACK, "BkSp"},
                                                 {VK_TAB, "Tab"},
                                                 {VK_ESCAPE, "Esc"},
                                                 {VK_RETURN, "Enter"},
                                                 {VK_SPACE, "Space"},
                                                 {VK_PRIOR, "PgUp"},
                                                 {VK_NEXT, "PgDn"},
                                                 {VK_END, "End"},
                                                 {VK_HOME, "Home"},
                                                 {VK_LEFT, "Left"},
                                                 {VK_UP, "Up"},
                                                 {VK_RIGHT, "Right"},
                                                 {VK_DOWN, "Down"},
                                                 {VK_INSERT, "Ins"},
                                                 {VK_DELETE, "Del"}}};

String KeyName(uint16_t key) {
  for (const TKeyName& k : kKeyNames)
    if (k.Key == key) return k.Name;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return String(1, char(key));
  if (key >= VK_F1 && key <= VK_F12) return "F" + IntToStr(int32_t(key - VK_F1 + 1));
  return String();
}

}  // namespace

TShortCut ShortCut(uint16_t Key, TShiftState Shift) {
  if ((Key & 0xFF00) != 0) return 0;
  TShortCut r = Key;
  if (Shift.Contains(ssShift)) r |= scShift;
  if (Shift.Contains(ssCtrl)) r |= scCtrl;
  if (Shift.Contains(ssAlt)) r |= scAlt;
  return r;
}

void ShortCutToKey(TShortCut ShortCut, uint16_t& Key, TShiftState& Shift) {
  Key = ShortCut & ~(scShift | scCtrl | scAlt);
  Shift = TShiftState();
  if (ShortCut & scShift) Shift.Include(ssShift);
  if (ShortCut & scCtrl) Shift.Include(ssCtrl);
  if (ShortCut & scAlt) Shift.Include(ssAlt);
}

String ShortCutToText(TShortCut ShortCut) {
  const String name = KeyName(ShortCut & 0xFF);
  if (name.empty()) return String();
  String r;
  if (ShortCut & scShift) r += "Shift+";
  if (ShortCut & scCtrl) r += "Ctrl+";
  if (ShortCut & scAlt) r += "Alt+";
  return r + name;
}

TShortCut TextToShortCut(const String& Text) {
  String rest = Text;
  TShortCut mods = 0;
  for (bool found = true; found;) {
    found = false;
    for (const auto& [prefix, bit] :
         {std::pair<const char*, TShortCut>{"Shift+", scShift}, std::pair<const char*, TShortCut>{"Ctrl+", scCtrl},
          std::pair<const char*, TShortCut>{"Alt+", scAlt}}) {
      const size_t n = std::char_traits<char>::length(prefix);
      if (rest.size() > n && SameText(rest.substr(0, n), prefix)) {
        mods |= bit;
        rest.erase(0, n);
        found = true;
      }
    }
  }
  for (uint16_t key = 1; key <= 0xFF; ++key) {
    const String name = KeyName(key);
    if (!name.empty() && SameText(name, rest)) return TShortCut(key | mods);
  }
  return 0;
}

// ================================================================================
// Registry of live items
// ================================================================================

namespace {

struct TItemRegistry {
  std::unordered_set<TMenuItem*> Live;
  std::unordered_map<uint16_t, TMenuItem*> Commands;
  // Commands lie in 0x8000 .. 0xFFFF: below is the range a shell menu merged
  // into a popup numbers its verbs in, which an item must never shadow.
  uint16_t NextCommand = 0x8000;
};

TItemRegistry& Registry() {
  static TItemRegistry r;
  return r;
}

uint16_t AllocateCommand(TMenuItem* item) {
  TItemRegistry& r = Registry();
  for (uint32_t tries = 0; tries < 0x8000; ++tries) {
    const uint16_t id = r.NextCommand;
    r.NextCommand = r.NextCommand == 0xFFFF ? 0x8000 : uint16_t(r.NextCommand + 1);
    if (r.Commands.emplace(id, item).second) return id;
  }
  throw EMenuError("Too many menu items");
}

// Empties a menu without destroying its submenus (they belong to the child
// items).
void ClearMenu(HMENU menu) {
  for (int32_t n = GetMenuItemCount(menu); n > 0; --n) RemoveMenu(menu, uint32_t(n - 1), MF_BYPOSITION);
}

TMenu* MenuOfData(uintptr_t data) {
  TMenuItem* item = MenuItemFromData(data);
  return item != nullptr ? item->GetParentMenu() : nullptr;
}

// The tracker of the window system asks the framework about the items it
// made: their look, and the owner drawing their owner left unanswered.
void InstallMenuTrackHooks() {
  static const bool installed = [] {
    TMenuTrackHooks hooks;
    hooks.ItemLook = [](uintptr_t data, TPlainMenuItem& look) {
      TMenuItem* item = MenuItemFromData(data);
      if (item != nullptr) look = PlainLookOf(item);
      return item != nullptr;
    };
    hooks.MeasureItem = [](MEASUREITEMSTRUCT& info) {
      TMenu* menu = MenuOfData(info.itemData);
      return menu != nullptr && menu->DispatchMeasureItem(info);
    };
    hooks.DrawItem = [](const DRAWITEMSTRUCT& info) {
      TMenu* menu = MenuOfData(info.itemData);
      return menu != nullptr && menu->DispatchDrawItem(info);
    };
    hooks.TrackStarting = [] {
      if (Application != nullptr) Application->CancelHint();
    };
    hooks.MenuBarItemRect = MenuBarItemRect;
    SetMenuTrackHooks(std::move(hooks));
    return true;
  }();
  (void)installed;
}

}  // namespace

TMenuItem* MenuItemFromData(uintptr_t Data) {
  auto* item = reinterpret_cast<TMenuItem*>(Data);
  return Registry().Live.count(item) != 0 ? item : nullptr;
}

TMenuItem* MenuItemFromCommand(uint16_t Command) {
  auto& commands = Registry().Commands;
  auto it = commands.find(Command);
  return it == commands.end() ? nullptr : it->second;
}

// ================================================================================
// TMenuItem
// ================================================================================

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {
  InstallMenuTrackHooks();
  FCommand = AllocateCommand(this);
  Registry().Live.insert(this);
}

TMenuItem::~TMenuItem() {
  Destroying();
  if (FParent != nullptr && !FParent->FDestroyingItems) FParent->Remove(this);
  FParent = nullptr;
  FDestroyingItems = true;
  while (!FItems.empty()) {
    TMenuItem* child = FItems.back();
    FItems.pop_back();
    child->FParent = nullptr;
    delete child;
  }
  if (FHandle != nullptr) {
    ClearMenu(FHandle);
    DestroyMenu(FHandle);
  }
  TItemRegistry& r = Registry();
  r.Commands.erase(FCommand);
  r.Live.erase(this);
}

void TMenuItem::SetCaption(const String& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  MenuChanged(true);
}

void TMenuItem::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (Value && FRadioItem) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  MenuChanged(false);
}

void TMenuItem::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  MenuChanged(true);
}

void TMenuItem::SetDefault(bool Value) {
  if (Value == FDefault) return;
  if (Value && FParent != nullptr)
    for (TMenuItem* sibling : FParent->FItems)
      if (sibling != this && sibling->FDefault) {
        sibling->FDefault = false;
      }
  FDefault = Value;
  MenuChanged(false);
}

void TMenuItem::SetRadioItem(bool Value) {
  if (Value == FRadioItem) return;
  FRadioItem = Value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetGroupIndex(uint8_t Value) {
  if (Value == FGroupIndex) return;
  FGroupIndex = Value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (Value == FShortCut) return;
  FShortCut = Value;
  MenuChanged(false);
}

void TMenuItem::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  MenuChanged(false);
}

TBitmap* TMenuItem::Bitmap() {
  if (!FBitmap) FBitmap = std::make_unique<TBitmap>();
  return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) {
  Bitmap()->Assign(Value);
  MenuChanged(false);
}

void TMenuItem::SetBreak(TMenuBreak Value) {
  if (Value == FBreak) return;
  FBreak = Value;
  MenuChanged(true);
}

void TMenuItem::SetAutoLineReduction(TMenuItemAutoFlag Value) {
  if (Value == FAutoLineReduction) return;
  FAutoLineReduction = Value;
  MenuChanged(true);
}

void TMenuItem::SetAction(TBasicAction* Value) {
  if (Value == FAction) return;
  if (FAction != nullptr) FAction->RemoveFreeNotification(this);
  FAction = Value;
  if (FAction != nullptr) {
    FAction->FreeNotification(this);
    ActionToItem();
  }
}

void TMenuItem::ActionToItem() {
  auto* a = dynamic_cast<TCustomAction*>(FAction);
  if (a == nullptr) return;
  SetCaption(a->Caption());
  SetEnabled(a->Enabled());
  SetVisible(a->Visible());
  SetHint(a->Hint());
  SetImageIndex(a->ImageIndex());
  SetShortCut(a->ShortCut());
  SetAutoCheck(a->AutoCheck());
  SetGroupIndex(uint8_t(a->GroupIndex()));
  SetChecked(a->Checked());
}

void TMenuItem::InitiateAction() {
  if (FAction == nullptr) return;
  TComponentRef<TMenuItem> self(this);
  FAction->Update();
  if (self && FAction != nullptr) ActionToItem();
}

void TMenuItem::InitiateActions() {
  const std::vector<TMenuItem*> items = FItems;
  for (TMenuItem* item : items)
    if (Registry().Live.count(item) != 0) item->InitiateAction();
}

TMenuItem* TMenuItem::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  return FItems[size_t(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Add(const std::vector<TMenuItem*>& AItems) {
  for (TMenuItem* item : AItems) Add(item);
}

void TMenuItem::Insert(int32_t Index, TMenuItem* Item) {
  if (Item == nullptr) return;
  if (Item->FParent != nullptr) throw EMenuError("Menu inserted twice");
  for (const TMenuItem* p = this; p != nullptr; p = p->FParent)
    if (p == Item) throw EMenuError("A menu item cannot contain itself");
  if (Index < 0 || Index > Count()) throw EMenuError("Menu index out of range");
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  if (Item->FChecked && Item->FRadioItem) Item->TurnSiblingsOff();
  ItemsChanged();
}

void TMenuItem::Delete(int32_t Index) {
  if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range");
  TMenuItem* item = FItems[size_t(Index)];
  FItems.erase(FItems.begin() + Index);
  item->FParent = nullptr;
  ItemsChanged();
}

void TMenuItem::Remove(TMenuItem* Item) {
  const int32_t i = IndexOf(Item);
  if (i < 0) throw EMenuError("Menu item not found");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) delete FItems.back();  // each leaves the list as it goes
}

int32_t TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : int32_t(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const String& ACaption) const {
  for (TMenuItem* item : FItems)
    if (AnsiSameText(ACaption, StripHotkey(item->FCaption))) return item;
  return nullptr;
}

int32_t TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int32_t Value) {
  if (FParent == nullptr) return;
  const int32_t cur = MenuIndex();
  Value = std::clamp(Value, 0, FParent->Count() - 1);
  if (Value == cur) return;
  auto& list = FParent->FItems;
  list.erase(list.begin() + cur);
  list.insert(list.begin() + Value, this);
  FParent->ItemsChanged();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->FParent != nullptr) item = item->FParent;
  return item->FMenu;
}

HMENU TMenuItem::Handle() {
  if (FHandle == nullptr) {
    FHandle = (FMenu != nullptr && FMenu->IsBarMenu()) ? CreateMenu() : CreatePopupMenu();
    RebuildHandle();
  }
  return FHandle;
}

bool TMenuItem::OwnerDrawn() const {
  if (OnDrawItem || OnMeasureItem) return true;
  TMenu* menu = GetParentMenu();
  return menu != nullptr && (menu->OwnerDraw() || menu->Images() != nullptr);
}

void TMenuItem::RebuildHandle() {
  if (FHandle == nullptr || FDestroyingItems || !IsMenu(FHandle)) return;
  ClearMenu(FHandle);
  const std::vector<TMenuItem*> items = FMenu != nullptr ? FMenu->TopItems() : FItems;
  uint32_t pos = 0;
  for (TMenuItem* item : items) {
    if (!item->IsShown()) continue;
    MENUITEMINFO e;
    e.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_STRING | MIIM_SUBMENU;
    if (item->IsLine()) {
      e.fType = MFT_SEPARATOR;
    } else {
      e.dwTypeData = item->FCaption;
      if (item->FShortCut != 0) {
        const String sc = ShortCutToText(item->FShortCut);
        if (!sc.empty()) e.dwTypeData += "\t" + sc;
      }
    }
    if (item->FRadioItem) e.fType |= MFT_RADIOCHECK;
    if (item->FBreak == TMenuBreak::mbBreak) e.fType |= MFT_MENUBREAK;
    if (item->FBreak == TMenuBreak::mbBarBreak) e.fType |= MFT_MENUBARBREAK;
    if (!item->IsLine() && item->OwnerDrawn()) e.fType |= MFT_OWNERDRAW;
    if (item->FChecked) e.fState |= MFS_CHECKED;
    if (!item->FEnabled) e.fState |= MFS_GRAYED;
    if (item->FDefault) e.fState |= MFS_DEFAULT;
    e.wID = item->FCommand;
    e.dwItemData = reinterpret_cast<uintptr_t>(item);
    if (!item->FItems.empty()) e.hSubMenu = item->Handle();
    InsertMenuItem(FHandle, pos++, true, e);
  }
}

void TMenuItem::ItemsChanged() {
  if (FDestroyingItems) return;
  RebuildHandle();
  MenuChanged(true);
}

void TMenuItem::MenuChanged(bool Rebuild) {
  if (FDestroyingItems || (ComponentState().Contains(TComponentStateItem::csDestroying))) return;
  if (FParent != nullptr) FParent->RebuildHandle();
  // A top-level item of a menu merged into a main menu shows there too.
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, this, Rebuild);
}

void TMenuItem::TurnSiblingsOff() {
  if (FParent == nullptr) return;
  for (TMenuItem* sibling : FParent->FItems)
    if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex && sibling->FChecked) {
      sibling->FChecked = false;
      sibling->MenuChanged(false);
    }
}

bool TMenuItem::LineReduction() const {
  for (const TMenuItem* item = this; item != nullptr; item = item->FParent) {
    if (item->FAutoLineReduction == TMenuAutoFlag::maAutomatic) return true;
    if (item->FAutoLineReduction == TMenuAutoFlag::maManual) return false;
    if (item->FParent == nullptr && item->FMenu != nullptr)
      return item->FMenu->AutoLineReduction() != TMenuAutoFlag::maManual;
  }
  return true;
}

bool TMenuItem::InternalRethinkLines() {
  bool changed = false;
  // A line shows only between two shown non-lines with no other shown line
  // in between.
  TMenuItem* pendingLine = nullptr;
  bool seenItem = false;
  for (TMenuItem* item : FItems) {
    if (!item->IsLine()) {
      if (!item->FVisible) continue;
      if (pendingLine != nullptr && pendingLine->FLineReduced) {
        pendingLine->FLineReduced = false;
        changed = true;
      }
      pendingLine = nullptr;
      seenItem = true;
      continue;
    }
    bool hide = true;
    if (item->FVisible && seenItem && pendingLine == nullptr) {
      pendingLine = item;  // shown if a non-line follows
      hide = false;
    }
    if (!hide) continue;
    if (!item->FLineReduced) {
      item->FLineReduced = true;
      changed = true;
    }
  }
  if (pendingLine != nullptr && !pendingLine->FLineReduced) {  // trailing
    pendingLine->FLineReduced = true;
    changed = true;
  }
  return changed;
}

bool TMenuItem::RethinkLines() {
  bool changed = InternalRethinkLines();
  for (TMenuItem* item : FItems)
    if (!item->FItems.empty() && item->LineReduction()) changed = item->RethinkLines() || changed;
  if (changed) RebuildHandle();
  return changed;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  TComponentRef<TMenuItem> self(this);
  // An item with an action checks through the action (its AutoCheck).
  if (FAutoCheck && dynamic_cast<TCustomAction*>(FAction) == nullptr) SetChecked(FRadioItem ? true : !FChecked);
  if (!self) return;
  if (OnClick) {
    TNotifyEvent handler = OnClick;
    handler(this);
  } else if (FAction != nullptr) {
    TComponentRef<TBasicAction> action(FAction);
    action->SetActionComponent(this);
    action->Execute();
    if (self && action && FAction == action.Get()) {
      action->SetActionComponent(nullptr);
      ActionToItem();
    }
  }
}

void TMenuItem::DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected) {
  if (OnDrawItem) {
    OnDrawItem(this, ACanvas, ARect, Selected);
    return;
  }
  DrawPlainMenuItem(ACanvas->Handle(), ARect, PlainLookOf(this), Selected);
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int32_t& Width, int32_t& Height) {
  const TSize size = MeasurePlainMenuItem(ACanvas->Handle(), PlainLookOf(this));
  Width = size.cx;
  Height = size.cy;
  if (OnMeasureItem) OnMeasureItem(this, ACanvas, Width, Height);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FAction) FAction = nullptr;
}

TPlainMenuItem PlainLookOf(TMenuItem* Item) {
  TPlainMenuItem look;
  look.Separator = Item->IsLine();
  look.Text = Item->Caption();
  if (Item->ShortCut() != 0) {
    const String sc = ShortCutToText(Item->ShortCut());
    if (!sc.empty()) look.Text += "\t" + sc;
  }
  look.Checked = Item->Checked();
  look.Radio = Item->RadioItem();
  look.Enabled = Item->Enabled();
  look.Default = Item->Default();
  look.SubMenu = Item->Count() > 0;
  TMenu* menu = Item->GetParentMenu();
  TCustomImageList* images = menu ? menu->Images() : nullptr;
  if (images != nullptr && Item->ImageIndex() >= 0 && Item->ImageIndex() < images->Count()) {
    const int32_t index = Item->ImageIndex();
    const bool enabled = Item->Enabled();
    look.ImageWidth = images->Width();
    look.ImageHeight = images->Height();
    look.Image = [images, index, enabled](HDC dc, int32_t x, int32_t y) {
      if (enabled)
        ImageList_DrawEx(images->Handle(), index, dc, x, y, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
      else
        ImageList_DrawDisabled(images->Handle(), index, dc, x, y);
    };
  } else {
    TBitmap* bitmap = Item->Bitmap();
    if (!bitmap->Empty()) {
      look.ImageWidth = bitmap->Width();
      look.ImageHeight = bitmap->Height();
      look.Image = [bitmap](HDC dc, int32_t x, int32_t y) {
        const COLORREF key = ColorToRGB(bitmap->TransparentColor());
        TransparentStretchBlt(dc, x, y, bitmap->Width(), bitmap->Height(), bitmap->Handle(), 0, 0, bitmap->Width(),
                              bitmap->Height(), key);
      };
    }
  }
  return look;
}

// ================================================================================
// TMenu
// ================================================================================

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
  FItems = new TMenuItem(this);
  FItems->FMenu = this;
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = [this](TObject* Sender) { ImageListChange(Sender); };
}

TMenu::~TMenu() {
  Destroying();
  FImageChangeLink.reset();
  delete FItems;
  FItems = nullptr;
}

HMENU TMenu::Handle() { return FItems->Handle(); }

void TMenu::SetImages(TCustomImageList* Value) {
  if (!ReplaceImageList(this, FImages, Value, FImageChangeLink.get())) return;
  MenuChanged(this, nullptr, true);
}

void TMenu::ImageListChange(TObject*) { MenuChanged(this, nullptr, false); }

void TMenu::SetAutoLineReduction(TMenuAutoFlag Value) {
  if (Value == FAutoLineReduction) return;
  FAutoLineReduction = Value;
  MenuChanged(this, nullptr, true);
}

void TMenu::SetOwnerDraw(bool Value) {
  if (Value == FOwnerDraw) return;
  FOwnerDraw = Value;
  MenuChanged(this, nullptr, true);
}

std::vector<TMenuItem*> TMenu::TopItems() const { return FItems->FItems; }

namespace {

TMenuItem* FindIn(const std::vector<TMenuItem*>& items, uintptr_t value, TFindItemKind kind) {
  for (TMenuItem* item : items) {
    switch (kind) {
      case TFindItemKind::fkCommand:
        if (item->Command() == value) return item;
        break;
      case TFindItemKind::fkHandle:
        if (item->HandleAllocated() && reinterpret_cast<uintptr_t>(item->Handle()) == value) return item;
        break;
      case TFindItemKind::fkShortCut:
        if (item->ShortCut() == value) return item;
        break;
    }
    std::vector<TMenuItem*> children;
    for (int32_t i = 0; i < item->Count(); ++i) children.push_back(item->Items(i));
    if (TMenuItem* found = FindIn(children, value, kind)) return found;
  }
  return nullptr;
}

void CollectShortCut(const std::vector<TMenuItem*>& items, TShortCut sc, std::vector<TMenuItem*>& out) {
  for (TMenuItem* item : items) {
    if (item->ShortCut() == sc) out.push_back(item);
    std::vector<TMenuItem*> children;
    for (int32_t i = 0; i < item->Count(); ++i) children.push_back(item->Items(i));
    CollectShortCut(children, sc, out);
  }
}

}  // namespace

TMenuItem* TMenu::FindItem(uintptr_t Value, TFindItemKind Kind) {
  if (Kind == TFindItemKind::fkHandle && FItems->HandleAllocated() &&
      reinterpret_cast<uintptr_t>(FItems->Handle()) == Value)
    return FItems;
  return FindIn(TopItems(), Value, Kind);
}

bool TMenu::IsShortCut(TWMKey& Message) {
  TShortCut sc = Message.CharCode & 0xFF;
  if (sc == 0) return false;
  if (GetKeyState(VK_SHIFT) < 0) sc |= scShift;
  if (GetKeyState(VK_CONTROL) < 0) sc |= scCtrl;
  if ((Message.KeyData & 0x20000000) != 0) sc |= scAlt;
  std::vector<TMenuItem*> candidates;
  CollectShortCut(TopItems(), sc, candidates);
  auto& live = Registry().Live;
  for (TMenuItem* item : candidates) {
    if (live.count(item) == 0) continue;
    item->InitiateAction();
    if (live.count(item) == 0 || !item->Enabled() || item->ShortCut() != sc) continue;
    item->Click();
    return true;
  }
  return false;
}

bool TMenu::DispatchCommand(uint16_t ACommand) {
  TMenuItem* item = FindItem(ACommand, TFindItemKind::fkCommand);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(HMENU AMenu) {
  TMenuItem* item = FindItem(reinterpret_cast<uintptr_t>(AMenu), TFindItemKind::fkHandle);
  if (item == nullptr) return false;
  TComponentRef<TMenuItem> ref(item);
  item->InitiateActions();
  if (ref) item->Click();
  return true;
}

namespace {

// A canvas over a DC for the scope of one call, leaving the DC as it was.
class TDCCanvas {
 public:
  explicit TDCCanvas(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) { FCanvas.SetHandle(dc); }
  ~TDCCanvas() {
    FCanvas.SetHandle(nullptr);
    RestoreDC(FDC, FSaved);
  }
  TDCCanvas(const TDCCanvas&) = delete;
  TDCCanvas& operator=(const TDCCanvas&) = delete;
  TCanvas* operator->() { return &FCanvas; }
  TCanvas* Get() { return &FCanvas; }

 private:
  HDC FDC;
  int32_t FSaved;
  TCanvas FCanvas;
};

TMenuItem* ItemOfDrawing(uint32_t itemID, uintptr_t itemData) {
  if (TMenuItem* item = MenuItemFromData(itemData)) return item;
  return itemID <= 0xFFFF ? MenuItemFromCommand(uint16_t(itemID)) : nullptr;
}

}  // namespace

bool TMenu::DispatchDrawItem(const DRAWITEMSTRUCT& Info) {
  if (Info.CtlType != ODT_MENU) return false;
  TMenuItem* item = ItemOfDrawing(Info.itemID, Info.itemData);
  if (item == nullptr || item->GetParentMenu() == nullptr) return false;
  TDCCanvas canvas(Info.hDC);
  item->DrawItem(canvas.Get(), Info.rcItem, (Info.itemState & ODS_SELECTED) != 0);
  return true;
}

bool TMenu::DispatchMeasureItem(MEASUREITEMSTRUCT& Info) {
  if (Info.CtlType != ODT_MENU) return false;
  TMenuItem* item = ItemOfDrawing(Info.itemID, Info.itemData);
  if (item == nullptr) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  int32_t w = int32_t(Info.itemWidth), h = int32_t(Info.itemHeight);
  {
    TDCCanvas canvas(dc);
    item->MeasureItem(canvas.Get(), w, h);
  }
  DeleteDC(dc);
  Info.itemWidth = uint32_t(std::max(w, 0));
  Info.itemHeight = uint32_t(std::max(h, 0));
  return true;
}

void TMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
  if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
  if (Source == nullptr && FItems != nullptr) {
    // Something that concerns every item (images, owner drawing).
    std::function<void(TMenuItem*)> all = [&all](TMenuItem* item) {
      for (int32_t i = 0; i < item->Count(); ++i) all(item->Items(i));
      item->RebuildHandle();
    };
    all(FItems);
  }
  if (OnChange) OnChange(Sender, Source, Rebuild);
  if (FWindowHandle != nullptr && IsWindow(FWindowHandle)) SendMessage(FWindowHandle, CM_MENUCHANGED, 0, 0);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FImages) {
    FImages = nullptr;  // its change links are already let go
    MenuChanged(this, nullptr, true);
  }
}

// ================================================================================
// TMainMenu
// ================================================================================

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu() {
  Destroying();
  if (FMerged != nullptr) Unmerge(FMerged);
  if (FMergedInto != nullptr) FMergedInto->Unmerge(this);
  MenuBarMenuDestroyed(this);
}

void TMainMenu::Merge(TMainMenu* Menu) {
  if (Menu == this || Menu == FMerged) return;
  if (FMerged != nullptr) Unmerge(FMerged);
  if (Menu == nullptr) return;
  if (Menu->FMergedInto != nullptr) Menu->FMergedInto->Unmerge(Menu);
  FMerged = Menu;
  Menu->FMergedInto = this;
  Menu->FreeNotification(this);
  Items()->RebuildHandle();
  MenuChanged(this, nullptr, true);
}

void TMainMenu::Unmerge(TMainMenu* Menu) {
  if (Menu == nullptr || Menu != FMerged) return;
  FMerged->FMergedInto = nullptr;
  FMerged->RemoveFreeNotification(this);
  FMerged = nullptr;
  Items()->RebuildHandle();
  MenuChanged(this, nullptr, true);
}

std::vector<TMenuItem*> TMainMenu::TopItems() const {
  std::vector<TMenuItem*> own = TMenu::TopItems();
  if (FMerged == nullptr) return own;
  const std::vector<TMenuItem*> theirs = FMerged->Items()->FItems;
  std::vector<TMenuItem*> out;
  for (TMenuItem* item : own) {
    const bool replaced = std::any_of(theirs.begin(), theirs.end(),
                                      [item](TMenuItem* t) { return t->GroupIndex() == item->GroupIndex(); });
    if (!replaced) out.push_back(item);
  }
  out.insert(out.end(), theirs.begin(), theirs.end());
  std::stable_sort(out.begin(), out.end(),
                   [](TMenuItem* a, TMenuItem* b) { return a->GroupIndex() < b->GroupIndex(); });
  return out;
}

void TMainMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
  if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
  TMenu::MenuChanged(Sender, Source, Rebuild);
  MenuBarMenuChanged(this);
  if (FMergedInto != nullptr) {
    FMergedInto->Items()->RebuildHandle();
    FMergedInto->MenuChanged(FMergedInto, Source, Rebuild);
  }
}

void TMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FMerged) {
    FMerged = nullptr;
    Items()->RebuildHandle();
    MenuChanged(this, nullptr, true);
  }
}

// ================================================================================
// TPopupMenu
// ================================================================================

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() { Destroying(); }

void TPopupMenu::SetPopupComponent(TComponent* Value) {
  if (Value == FPopupComponent) return;
  if (FPopupComponent != nullptr) FPopupComponent->RemoveFreeNotification(this);
  FPopupComponent = Value;
  if (FPopupComponent != nullptr) FPopupComponent->FreeNotification(this);
}

void TPopupMenu::DoPopup(TObject* Sender) {
  if (OnPopup) {
    TNotifyEvent handler = OnPopup;
    handler(Sender);
  }
}

void TPopupMenu::Popup(int32_t X, int32_t Y) {
  TComponentRef<TPopupMenu> self(this);
  FPopupPoint = TPoint{X, Y};
  DoPopup(this);
  if (!self) return;
  if (Items()->LineReduction()) Items()->RethinkLines();
  static constexpr uint32_t kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  const uint32_t flags =
      kAlign[size_t(FAlignment)] | (FTrackButton == TTrackButton::tbRightButton ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
  TrackPopupMenu(Items()->Handle(), flags, X, Y, 0, MenuNotifyWindow(), nullptr);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}

// ================================================================================
// The notification window and the services the controls call
// ================================================================================

namespace {

HWND& NotifyWindowSlot() {
  static HWND h = nullptr;
  return h;
}

TMenuItem* ItemOfSelect(HMENU menu, uint16_t idOrPos, uint16_t flags) {
  const int32_t count = GetMenuItemCount(menu);
  if (count < 0) return nullptr;
  MENUITEMINFO info;
  info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
  if (flags & MF_POPUP) {
    if (idOrPos >= count || !GetMenuItemInfo(menu, idOrPos, true, &info)) return nullptr;
    return MenuItemFromData(info.dwItemData);
  }
  for (int32_t i = 0; i < count; ++i)
    if (GetMenuItemInfo(menu, uint32_t(i), true, &info) && info.hSubMenu == nullptr && info.wID == idOrPos)
      return MenuItemFromData(info.dwItemData);
  return MenuItemFromCommand(idOrPos);
}

void NotifyWindowProc(TMessage& m) {
  HWND self = NotifyWindowSlot();
  switch (m.Msg) {
    case WM_COMMAND:
      if (HIWORD(m.WParam) == 0 && m.LParam == 0) {
        if (TMenuItem* item = MenuItemFromCommand(LOWORD(m.WParam))) {
          if (TMenu* menu = item->GetParentMenu())
            menu->DispatchCommand(LOWORD(m.WParam));
          else
            item->Click();
        }
        return;
      }
      break;
    case WM_INITMENUPOPUP: {
      auto* menuHandle = reinterpret_cast<HMENU>(m.WParam);
      for (TMenuItem* item : std::vector<TMenuItem*>(Registry().Live.begin(), Registry().Live.end())) {
        if (Registry().Live.count(item) == 0 || !item->HandleAllocated() || item->Handle() != menuHandle) continue;
        if (TMenu* menu = item->GetParentMenu()) menu->DispatchPopup(menuHandle);
        break;
      }
      return;
    }
    case WM_MENUSELECT: {
      if (Application == nullptr) return;
      const uint16_t flags = HIWORD(m.WParam);
      if (flags == 0xFFFF && m.LParam == 0) {
        Application->SetHint(String());
        return;
      }
      TMenuItem* item = ItemOfSelect(reinterpret_cast<HMENU>(m.LParam), LOWORD(m.WParam), flags);
      Application->SetHint(item != nullptr ? GetLongHint(item->Hint()) : String());
      return;
    }
    case WM_DRAWITEM: {
      const auto* info = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
      if (info != nullptr && info->CtlType == ODT_MENU) {
        TMenuItem* item = ItemOfDrawing(info->itemID, info->itemData);
        TMenu* menu = item ? item->GetParentMenu() : nullptr;
        m.Result = menu != nullptr && menu->DispatchDrawItem(*info) ? 1 : 0;
        return;
      }
      break;
    }
    case WM_MEASUREITEM: {
      auto* info = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      if (info != nullptr && info->CtlType == ODT_MENU) {
        TMenuItem* item = ItemOfDrawing(info->itemID, info->itemData);
        TMenu* menu = item ? item->GetParentMenu() : nullptr;
        m.Result = menu != nullptr && menu->DispatchMeasureItem(*info) ? 1 : 0;
        return;
      }
      break;
    }
    default: break;
  }
  m.Result = DefWindowProc(self, m.Msg, m.WParam, m.LParam);
}

}  // namespace

HWND MenuNotifyWindow() {
  HWND& h = NotifyWindowSlot();
  if (h == nullptr || !IsWindow(h))
    h = AllocateHWnd([](TMessage& m) {
      // Exceptions of the items' handlers go where those of controls go.
      try {
        NotifyWindowProc(m);
      } catch (const EHeadlessHang&) {
        throw;
      } catch (...) {
        if (Application == nullptr) throw;
        Application->HandleException(nullptr);
      }
    });
  return h;
}

bool MenuIsShortCut(TPopupMenu* Menu, TWMKey& Message) { return Menu != nullptr && Menu->IsShortCut(Message); }

bool MenuIsShortCut(TMainMenu* Menu, TWMKey& Message) { return Menu != nullptr && Menu->IsShortCut(Message); }

bool MenuDispatchCommand(TMainMenu* Menu, uint16_t Command) {
  return Menu != nullptr && Menu->DispatchCommand(Command);
}

bool PopupMenuAutoPopup(TPopupMenu* Menu, TComponent* PopupComponent, const TPoint& ScreenPos) {
  if (Menu == nullptr || !Menu->AutoPopup()) return false;
  Menu->SetPopupComponent(PopupComponent);
  Menu->Popup(ScreenPos.X, ScreenPos.Y);
  return true;
}

bool MenuBarMessage(TCustomForm* Form, TMainMenu* Menu, TMessage& Message) {
  return MenuBarHandleMessage(Form, Menu, Message);
}
