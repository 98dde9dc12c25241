#include "platform/gui/win_menus.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "platform/gui/win_menus_internal.h"
#include "platform/rtl/strings.h"

// ================================================================================
// Accelerators
// ================================================================================

namespace {

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
// Hooks
// ================================================================================

namespace {

TMenuTrackHooks& HookSlot() {
  static TMenuTrackHooks hooks;
  return hooks;
}

}  // namespace

void SetMenuTrackHooks(TMenuTrackHooks Hooks) { HookSlot() = std::move(Hooks); }

const TMenuTrackHooks& MenuTrackHooks() { return HookSlot(); }
