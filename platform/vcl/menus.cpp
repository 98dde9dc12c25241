#include "platform/vcl/menus.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/gui/gdi.h"
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

// Decodes the code point at s[i] (UTF-8; a stray byte reads as itself).
char32_t DecodeAt(const String& s, size_t i, size_t& len) {
  const auto c = static_cast<unsigned char>(s[i]);
  len = 1;
  if (c < 0x80) return c;
  const size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (n == 1 || i + n > s.size()) return c;
  char32_t cp = c & (0x3F >> (n - 1));
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return c;
    cp = (cp << 6) | (b & 0x3F);
  }
  len = n;
  return cp;
}

char32_t UpperChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c > 0xFFFF) return c;
  const WideString up = WideUpperCase(WideString(1, char16_t(c)));
  return up.size() == 1 ? up[0] : c;
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

char32_t GetHotkey(const String& Text) {
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '&' || i + 1 >= Text.size()) continue;
    if (Text[i + 1] == '&') {
      ++i;
      continue;
    }
    size_t len = 0;
    return UpperChar(DecodeAt(Text, i + 1, len));
  }
  return 0;
}

String StripHotkey(const String& Text) {
  String r;
  r.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '&') {
      if (i + 1 < Text.size() && Text[i + 1] == '&') r += '&';
      if (i + 1 < Text.size() && Text[i + 1] == '&') ++i;
      continue;
    }
    r += Text[i];
  }
  return r;
}

bool IsAccel(uint32_t VK, const String& Str) {
  const char32_t hot = GetHotkey(Str);
  return hot != 0 && hot == UpperChar(char32_t(VK));
}

// ================================================================================
// Menu handles
// ================================================================================

namespace {

struct TMenuTable {
  std::map<uintptr_t, std::unique_ptr<TNativeMenu>> Menus;
  uintptr_t Next = 0x4000;
};

TMenuTable& Table() {
  static TMenuTable t;
  return t;
}

HMENU NewMenu(bool bar) {
  TMenuTable& t = Table();
  const uintptr_t id = t.Next++;
  auto m = std::make_unique<TNativeMenu>();
  m->Bar = bar;
  t.Menus.emplace(id, std::move(m));
  return reinterpret_cast<HMENU>(id);
}

struct TItemRef {
  TNativeMenu* Menu = nullptr;
  size_t Index = 0;
  TNativeMenuItem* Item() const { return &Menu->Items[Index]; }
};

// An item by position, or by command searched depth first through submenus.
bool Locate(HMENU menu, uint32_t item, bool byPosition, TItemRef& out, int depth = 0) {
  TNativeMenu* m = NativeMenu(menu);
  if (m == nullptr || depth > 32) return false;
  if (byPosition) {
    if (item >= m->Items.size()) return false;
    out = TItemRef{m, item};
    return true;
  }
  for (size_t i = 0; i < m->Items.size(); ++i) {
    const TNativeMenuItem& it = m->Items[i];
    if (it.SubMenu == nullptr && it.Id == item) {
      out = TItemRef{m, i};
      return true;
    }
  }
  for (const TNativeMenuItem& it : m->Items)
    if (it.SubMenu != nullptr && Locate(it.SubMenu, item, false, out, depth + 1)) return true;
  return false;
}

void ApplyInfo(TNativeMenuItem& it, const MENUITEMINFO& info) {
  if (info.fMask & (MIIM_FTYPE | MIIM_TYPE)) it.Type = info.fType;
  if ((info.fMask & MIIM_STRING) || ((info.fMask & MIIM_TYPE) && (info.fType & (MFT_SEPARATOR | MFT_BITMAP)) == 0))
    it.Text = info.dwTypeData;
  if (info.fMask & MIIM_STATE) it.State = info.fState;
  if (info.fMask & MIIM_ID) it.Id = info.wID;
  if (info.fMask & MIIM_SUBMENU) it.SubMenu = info.hSubMenu;
  if (info.fMask & MIIM_DATA) it.Data = info.dwItemData;
  if (info.fMask & MIIM_BITMAP) it.Bitmap = info.hbmpItem;
}

TNativeMenuItem ItemFromFlags(uint32_t flags, uintptr_t idNewItem, const char* text) {
  TNativeMenuItem it;
  if (flags & MF_SEPARATOR) it.Type |= MFT_SEPARATOR;
  if (flags & MF_OWNERDRAW) it.Type |= MFT_OWNERDRAW;
  if (flags & MF_MENUBREAK) it.Type |= MFT_MENUBREAK;
  if (flags & MF_MENUBARBREAK) it.Type |= MFT_MENUBARBREAK;
  if (flags & (MF_GRAYED | MF_DISABLED)) it.State |= MFS_GRAYED;
  if (flags & MF_CHECKED) it.State |= MFS_CHECKED;
  if (flags & MF_DEFAULT) it.State |= MFS_DEFAULT;
  if (flags & MF_HILITE) it.State |= MFS_HILITE;
  if (flags & MF_POPUP)
    it.SubMenu = reinterpret_cast<HMENU>(idNewItem);
  else
    it.Id = uint32_t(idNewItem);
  if (text != nullptr && (flags & (MF_SEPARATOR | MF_OWNERDRAW)) == 0) it.Text = text;
  return it;
}

bool DropItem(HMENU menu, uint32_t position, uint32_t flags, bool destroySub) {
  TItemRef ref;
  if (!Locate(menu, position, (flags & MF_BYPOSITION) != 0, ref)) return false;
  HMENU sub = ref.Item()->SubMenu;
  ref.Menu->Items.erase(ref.Menu->Items.begin() + std::ptrdiff_t(ref.Index));
  if (destroySub && sub != nullptr) DestroyMenu(sub);
  return true;
}

}  // namespace

TNativeMenu* NativeMenu(HMENU Menu) {
  auto& menus = Table().Menus;
  auto it = menus.find(reinterpret_cast<uintptr_t>(Menu));
  return it == menus.end() ? nullptr : it->second.get();
}

HMENU CreateMenu() { return NewMenu(true); }
HMENU CreatePopupMenu() { return NewMenu(false); }

bool DestroyMenu(HMENU Menu) {
  auto& menus = Table().Menus;
  auto it = menus.find(reinterpret_cast<uintptr_t>(Menu));
  if (it == menus.end()) return false;
  std::unique_ptr<TNativeMenu> m = std::move(it->second);
  menus.erase(it);
  for (const TNativeMenuItem& item : m->Items)
    if (item.SubMenu != nullptr) DestroyMenu(item.SubMenu);
  return true;
}

bool IsMenu(HMENU Menu) { return NativeMenu(Menu) != nullptr; }

int32_t GetMenuItemCount(HMENU Menu) {
  TNativeMenu* m = NativeMenu(Menu);
  return m ? int32_t(m->Items.size()) : -1;
}

uint32_t GetMenuItemID(HMENU Menu, int32_t Pos) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr || Pos < 0 || size_t(Pos) >= m->Items.size()) return 0xFFFFFFFFu;
  const TNativeMenuItem& it = m->Items[size_t(Pos)];
  return it.SubMenu != nullptr ? 0xFFFFFFFFu : it.Id;
}

HMENU GetSubMenu(HMENU Menu, int32_t Pos) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr || Pos < 0 || size_t(Pos) >= m->Items.size()) return nullptr;
  return m->Items[size_t(Pos)].SubMenu;
}

bool InsertMenuItem(HMENU Menu, uint32_t Item, bool ByPosition, const MENUITEMINFO& Info) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr) return false;
  TNativeMenuItem it;
  ApplyInfo(it, Info);
  size_t at = m->Items.size();
  if (ByPosition) {
    at = std::min<size_t>(Item, m->Items.size());
  } else {
    TItemRef ref;
    if (Locate(Menu, Item, false, ref)) {
      ref.Menu->Items.insert(ref.Menu->Items.begin() + std::ptrdiff_t(ref.Index), std::move(it));
      return true;
    }
  }
  m->Items.insert(m->Items.begin() + std::ptrdiff_t(at), std::move(it));
  return true;
}

bool GetMenuItemInfo(HMENU Menu, uint32_t Item, bool ByPosition, MENUITEMINFO* Info) {
  TItemRef ref;
  if (Info == nullptr || !Locate(Menu, Item, ByPosition, ref)) return false;
  const TNativeMenuItem& it = *ref.Item();
  if (Info->fMask & (MIIM_FTYPE | MIIM_TYPE)) Info->fType = it.Type;
  if (Info->fMask & (MIIM_STRING | MIIM_TYPE)) {
    Info->dwTypeData = it.Text;
    Info->cch = uint32_t(it.Text.size());
  }
  if (Info->fMask & MIIM_STATE) Info->fState = it.State;
  if (Info->fMask & MIIM_ID) Info->wID = it.Id;
  if (Info->fMask & MIIM_SUBMENU) Info->hSubMenu = it.SubMenu;
  if (Info->fMask & MIIM_DATA) Info->dwItemData = it.Data;
  if (Info->fMask & MIIM_BITMAP) Info->hbmpItem = it.Bitmap;
  return true;
}

bool SetMenuItemInfo(HMENU Menu, uint32_t Item, bool ByPosition, const MENUITEMINFO& Info) {
  TItemRef ref;
  if (!Locate(Menu, Item, ByPosition, ref)) return false;
  ApplyInfo(*ref.Item(), Info);
  return true;
}

bool AppendMenu(HMENU Menu, uint32_t Flags, uintptr_t IdNewItem, const char* NewItem) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr) return false;
  m->Items.push_back(ItemFromFlags(Flags, IdNewItem, NewItem));
  return true;
}

bool InsertMenu(HMENU Menu, uint32_t Position, uint32_t Flags, uintptr_t IdNewItem, const char* NewItem) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr) return false;
  TNativeMenuItem it = ItemFromFlags(Flags, IdNewItem, NewItem);
  if (Flags & MF_BYPOSITION) {
    const size_t at = std::min<size_t>(Position, m->Items.size());
    m->Items.insert(m->Items.begin() + std::ptrdiff_t(at), std::move(it));
    return true;
  }
  TItemRef ref;
  if (!Locate(Menu, Position, false, ref)) {
    m->Items.push_back(std::move(it));
    return true;
  }
  ref.Menu->Items.insert(ref.Menu->Items.begin() + std::ptrdiff_t(ref.Index), std::move(it));
  return true;
}

bool DeleteMenu(HMENU Menu, uint32_t Position, uint32_t Flags) { return DropItem(Menu, Position, Flags, true); }

bool RemoveMenu(HMENU Menu, uint32_t Position, uint32_t Flags) { return DropItem(Menu, Position, Flags, false); }

uint32_t GetMenuState(HMENU Menu, uint32_t Id, uint32_t Flags) {
  TItemRef ref;
  if (!Locate(Menu, Id, (Flags & MF_BYPOSITION) != 0, ref)) return 0xFFFFFFFFu;
  const TNativeMenuItem& it = *ref.Item();
  uint32_t r = 0;
  if ((it.State & MFS_GRAYED) != 0) r |= MF_GRAYED | MF_DISABLED;
  if (it.State & MFS_CHECKED) r |= MF_CHECKED;
  if (it.State & MFS_HILITE) r |= MF_HILITE;
  if (it.State & MFS_DEFAULT) r |= MF_DEFAULT;
  if (it.Type & MFT_SEPARATOR) r |= MF_SEPARATOR;
  if (it.Type & MFT_OWNERDRAW) r |= MF_OWNERDRAW;
  if (it.Type & MFT_MENUBREAK) r |= MF_MENUBREAK;
  if (it.Type & MFT_MENUBARBREAK) r |= MF_MENUBARBREAK;
  if (it.SubMenu != nullptr) r |= MF_POPUP | (uint32_t(std::max(GetMenuItemCount(it.SubMenu), 0)) << 8);
  return r;
}

int32_t GetMenuString(HMENU Menu, uint32_t Id, char* Buffer, int32_t MaxCount, uint32_t Flags) {
  TItemRef ref;
  if (!Locate(Menu, Id, (Flags & MF_BYPOSITION) != 0, ref)) return 0;
  const String& text = ref.Item()->Text;
  if (Buffer == nullptr || MaxCount <= 0) return int32_t(text.size());
  const size_t n = std::min(text.size(), size_t(MaxCount - 1));
  text.copy(Buffer, n);
  Buffer[n] = '\0';
  return int32_t(n);
}

uint32_t CheckMenuItem(HMENU Menu, uint32_t Id, uint32_t Check) {
  TItemRef ref;
  if (!Locate(Menu, Id, (Check & MF_BYPOSITION) != 0, ref)) return 0xFFFFFFFFu;
  TNativeMenuItem& it = *ref.Item();
  const uint32_t old = (it.State & MFS_CHECKED) ? MF_CHECKED : MF_UNCHECKED;
  it.State = (Check & MF_CHECKED) ? (it.State | MFS_CHECKED) : (it.State & ~MFS_CHECKED);
  return old;
}

uint32_t EnableMenuItem(HMENU Menu, uint32_t Id, uint32_t Enable) {
  TItemRef ref;
  if (!Locate(Menu, Id, (Enable & MF_BYPOSITION) != 0, ref)) return 0xFFFFFFFFu;
  TNativeMenuItem& it = *ref.Item();
  const uint32_t old = (it.State & MFS_GRAYED) ? MF_GRAYED : MF_ENABLED;
  it.State = (Enable & (MF_GRAYED | MF_DISABLED)) ? (it.State | MFS_GRAYED) : (it.State & ~MFS_GRAYED);
  return old;
}

uint32_t GetMenuDefaultItem(HMENU Menu, bool ByPosition, uint32_t Flags) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr) return 0xFFFFFFFFu;
  for (size_t i = 0; i < m->Items.size(); ++i) {
    const TNativeMenuItem& it = m->Items[i];
    if ((it.State & MFS_DEFAULT) == 0) continue;
    if ((it.State & MFS_GRAYED) != 0 && (Flags & GMDI_USEDISABLED) == 0) return 0xFFFFFFFFu;
    if (it.SubMenu != nullptr && (Flags & GMDI_GOINTOPOPUPS) != 0) {
      const uint32_t inner = GetMenuDefaultItem(it.SubMenu, ByPosition, Flags);
      if (inner != 0xFFFFFFFFu) return inner;
    }
    return ByPosition ? uint32_t(i) : it.Id;
  }
  return 0xFFFFFFFFu;
}

bool SetMenuDefaultItem(HMENU Menu, uint32_t Item, bool ByPosition) {
  TNativeMenu* m = NativeMenu(Menu);
  if (m == nullptr) return false;
  TItemRef ref;
  if (Item != 0xFFFFFFFFu && !Locate(Menu, Item, ByPosition, ref)) return false;
  for (TNativeMenuItem& it : m->Items) it.State &= ~MFS_DEFAULT;
  if (Item != 0xFFFFFFFFu) ref.Item()->State |= MFS_DEFAULT;
  return true;
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
    if (TNativeMenu* m = NativeMenu(FHandle)) m->Items.clear();
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
  if (FHandle == nullptr || FDestroyingItems) return;
  TNativeMenu* m = NativeMenu(FHandle);
  if (m == nullptr) return;
  m->Items.clear();
  const std::vector<TMenuItem*> items = FMenu != nullptr ? FMenu->TopItems() : FItems;
  for (TMenuItem* item : items) {
    if (!item->IsShown()) continue;
    TNativeMenuItem e;
    if (item->IsLine()) {
      e.Type = MFT_SEPARATOR;
    } else {
      e.Text = item->FCaption;
      if (item->FShortCut != 0) {
        const String sc = ShortCutToText(item->FShortCut);
        if (!sc.empty()) e.Text += "\t" + sc;
      }
    }
    if (item->FRadioItem) e.Type |= MFT_RADIOCHECK;
    if (item->FBreak == TMenuBreak::mbBreak) e.Type |= MFT_MENUBREAK;
    if (item->FBreak == TMenuBreak::mbBarBreak) e.Type |= MFT_MENUBARBREAK;
    if (!item->IsLine() && item->OwnerDrawn()) e.Type |= MFT_OWNERDRAW;
    if (item->FChecked) e.State |= MFS_CHECKED;
    if (!item->FEnabled) e.State |= MFS_GRAYED;
    if (item->FDefault) e.State |= MFS_DEFAULT;
    e.Id = item->FCommand;
    e.Data = reinterpret_cast<uintptr_t>(item);
    if (!item->FItems.empty()) e.SubMenu = item->Handle();
    m->Items.push_back(std::move(e));
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
  TNativeMenu* m = NativeMenu(menu);
  if (m == nullptr) return nullptr;
  if (flags & MF_POPUP) {
    if (idOrPos >= m->Items.size()) return nullptr;
    return MenuItemFromData(m->Items[idOrPos].Data);
  }
  for (const TNativeMenuItem& it : m->Items)
    if (it.SubMenu == nullptr && it.Id == idOrPos) return MenuItemFromData(it.Data);
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
