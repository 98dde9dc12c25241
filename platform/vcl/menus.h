// Menus of the framework: short-cut values and their texts, the component
// classes TMenuItem, TMenu, TMainMenu and TPopupMenu built over the menu
// handles of the window system (platform/gui/win_menus.h), and the menu bar
// of a form.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/win_menus.h"
#include "platform/gui/windows.h"
#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/messages.h"

class TMenu;
class TMainMenu;
class TPopupMenu;
class TCustomForm;

RTL_DECLARE_EXCEPTION(EMenuError, Exception);

// ================================================================================
// Short-cuts
// ================================================================================

// A virtual key in the low byte plus modifier bits.
using TShortCut = uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

// 0 for a key above 255.
TShortCut ShortCut(uint16_t Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, uint16_t& Key, TShiftState& Shift);
// "Shift+", "Ctrl+", "Alt+" (in that order) and the key's name: "BkSp",
// "Tab", "Esc", "Enter", "Space", "PgUp", "PgDn", "End", "Home", "Left",
// "Up", "Right", "Down", "Ins", "Del", "F1".."F12", letters and digits.
// Empty for a key without a name.
String ShortCutToText(TShortCut ShortCut);
// The reverse, ignoring case; 0 when the text names no short-cut.
TShortCut TextToShortCut(const String& Text);

// ================================================================================
// The component classes
// ================================================================================

enum class TMenuBreak : uint8_t { mbNone, mbBreak, mbBarBreak };
enum class TMenuAutoFlag : uint8_t { maAutomatic, maManual, maParent };
using TMenuItemAutoFlag = TMenuAutoFlag;
enum class TFindItemKind : uint8_t { fkCommand, fkHandle, fkShortCut };
enum class TPopupAlignment : uint8_t { paLeft, paRight, paCenter };
enum class TTrackButton : uint8_t { tbRightButton, tbLeftButton };

using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int32_t& Width, int32_t& Height)>;
using TMenuChangeEvent = std::function<void(TObject* Sender, class TMenuItem* Source, bool Rebuild)>;

// One entry of a menu and the list of its children. The parent frees its
// children; an owner that frees an item first takes it out of its parent.
class TMenuItem : public TComponent {
  friend class TMenu;
  friend class TMainMenu;

 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  const char* ClassName() const override { return "TMenuItem"; }

  // ---- Properties ----
  // "-" makes a separator line; "&" marks the accelerator.
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool Checked() const { return FChecked; }
  // Checking a radio item unchecks the radio items of its group among its siblings.
  void SetChecked(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  uint8_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(uint8_t Value);
  // Click toggles Checked (a radio item: checks it) before OnClick; with an
  // action, the action's AutoCheck does it.
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  // Image of the menu's Images; -1: none.
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  // Made on first use; drawn left of the caption when not empty.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value);
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  TMenuBreak Break() const { return FBreak; }
  void SetBreak(TMenuBreak Value);
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }
  TMenuItemAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
  void SetAutoHotkeys(TMenuItemAutoFlag Value) { FAutoHotkeys = Value; }
  TMenuItemAutoFlag AutoLineReduction() const { return FAutoLineReduction; }
  void SetAutoLineReduction(TMenuItemAutoFlag Value);
  // An action supplies Caption, Checked, Enabled, Visible, Hint, ImageIndex,
  // ShortCut, AutoCheck and GroupIndex (taken when set and whenever the item
  // updates: before its menu shows it and before its short-cut is checked);
  // Click executes it when OnClick is not assigned.
  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* Value);
  // Takes the action's properties now.
  virtual void InitiateAction();
  // InitiateAction of every child.
  void InitiateActions();

  // ---- Children ----
  int32_t Count() const { return int32_t(FItems.size()); }
  TMenuItem* Items(int32_t Index) const;
  // Appends Item. EMenuError "Menu inserted twice" when it has a parent
  // already, "Menu index out of range" for a bad index, and EMenuError when
  // Item is this item or one of its ancestors.
  void Add(TMenuItem* Item);
  void Add(const std::vector<TMenuItem*>& AItems);
  void Insert(int32_t Index, TMenuItem* Item);
  // Takes the child out without freeing it.
  void Delete(int32_t Index);
  // EMenuError "Menu item not found" when Item is no child.
  void Remove(TMenuItem* Item);
  // Frees every child.
  void Clear();
  int32_t IndexOf(const TMenuItem* Item) const;
  // The child whose caption without "&" is ACaption (ignoring case).
  TMenuItem* Find(const String& ACaption) const;
  TMenuItem* Parent() const { return FParent; }
  int32_t MenuIndex() const;
  void SetMenuIndex(int32_t Value);
  // The menu at the root of this item's tree.
  TMenu* GetParentMenu() const;

  // ---- Behaviour ----
  bool IsLine() const { return FCaption == "-"; }
  // The id sent with WM_COMMAND (unique while the item lives), 0x8000 or
  // above: shell menus merged into a popup number their verbs below.
  uint16_t Command() const { return FCommand; }
  // The menu handle of the item's children (for the root of a main menu, the
  // bar), made on first use and kept in step with the children afterwards.
  HMENU Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Hides the leading, trailing and doubled separators among the children,
  // and further down where line reduction is on; answers whether anything
  // changed. Hidden lines keep Visible and report LineReduced. Menus do
  // this by themselves before they show when line reduction is on.
  bool RethinkLines();
  bool LineReduced() const { return FLineReduced; }
  // Whether line reduction is on for this item's children (AutoLineReduction
  // through the parents up to the menu's).
  bool LineReduction() const;
  // Shown in a menu: Visible and not removed by line reduction.
  bool IsShown() const { return FVisible && !FLineReduced; }
  // Enabled items: AutoCheck, then OnClick or the action.
  virtual void Click();
  // OnDrawItem when assigned, else the plain look.
  virtual void DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected);
  virtual void MeasureItem(TCanvas* ACanvas, int32_t& Width, int32_t& Height);

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Something of this item changed: its parent's handle follows and the
  // menu is told (Rebuild: the structure changed).
  void MenuChanged(bool Rebuild);

 private:
  void SetParentItem(TMenuItem* Value) { FParent = Value; }
  void RebuildHandle();
  void ItemsChanged();
  void TurnSiblingsOff();
  bool OwnerDrawn() const;
  bool InternalRethinkLines();
  void ActionToItem();

  String FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FDefault = false;
  bool FRadioItem = false;
  uint8_t FGroupIndex = 0;
  bool FAutoCheck = false;
  TShortCut FShortCut = 0;
  int32_t FImageIndex = -1;
  std::unique_ptr<TBitmap> FBitmap;
  String FHint;
  TMenuBreak FBreak = TMenuBreak::mbNone;
  int32_t FHelpContext = 0;
  TMenuItemAutoFlag FAutoHotkeys = TMenuAutoFlag::maParent;
  TMenuItemAutoFlag FAutoLineReduction = TMenuAutoFlag::maParent;
  TBasicAction* FAction = nullptr;
  bool FLineReduced = false;

  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on the root item of a menu
  uint16_t FCommand = 0;
  HMENU FHandle = nullptr;
  bool FDestroyingItems = false;
};

class TMenu : public TComponent {
  friend class TMenuItem;

 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  const char* ClassName() const override { return "TMenu"; }

  TMenuItem* Items() const { return FItems; }
  // The root's menu handle.
  virtual HMENU Handle();
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  // Stored: captions are shown as they are written.
  TMenuAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
  void SetAutoHotkeys(TMenuAutoFlag Value) { FAutoHotkeys = Value; }
  TMenuAutoFlag AutoLineReduction() const { return FAutoLineReduction; }
  void SetAutoLineReduction(TMenuAutoFlag Value);
  // Every item is drawn by its DrawItem (an item with OnDrawItem, or a menu
  // with Images, is owner-drawn anyway).
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  // The window told about changes (CM_MENUCHANGED); for a main menu its form.
  HWND WindowHandle() const { return FWindowHandle; }
  void SetWindowHandle(HWND Value) { FWindowHandle = Value; }

  // The key of a key message with the shift state as of that message; an
  // enabled item with that short-cut (hidden ones too) is clicked.
  virtual bool IsShortCut(TWMKey& Message);
  TMenuItem* FindItem(uintptr_t Value, TFindItemKind Kind);
  // Clicks the item of the command; false when no item has it.
  virtual bool DispatchCommand(uint16_t ACommand);
  // A popup of this menu is about to show: its item updates and is clicked.
  virtual bool DispatchPopup(HMENU AMenu);
  // WM_DRAWITEM / WM_MEASUREITEM of an item of this menu.
  bool DispatchDrawItem(const DRAWITEMSTRUCT& Info);
  bool DispatchMeasureItem(MEASUREITEMSTRUCT& Info);
  void RethinkLines() { FItems->RethinkLines(); }

  TMenuChangeEvent OnChange;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild);
  // Whether the root handle is a menu bar (CreateMenu).
  virtual bool IsBarMenu() const { return false; }
  // The top-level items shown, in order (a main menu merges another).
  virtual std::vector<TMenuItem*> TopItems() const;

 private:
  void ImageListChange(TObject* Sender);

  TMenuItem* FItems = nullptr;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  TMenuAutoFlag FAutoHotkeys = TMenuAutoFlag::maAutomatic;
  TMenuAutoFlag FAutoLineReduction = TMenuAutoFlag::maAutomatic;
  bool FOwnerDraw = false;
  HWND FWindowHandle = nullptr;
};

// A form's menu bar. Merge shows another main menu's top-level items in it:
// an item of the merged menu replaces this menu's items of the same
// GroupIndex, and the items are ordered by GroupIndex.
class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  const char* ClassName() const override { return "TMainMenu"; }

  // Short-cuts, commands and popups of the merged items work through this
  // menu as well. Merging another menu ends the previous merge.
  void Merge(TMainMenu* Menu);
  void Unmerge(TMainMenu* Menu);
  TMainMenu* Merged() const { return FMerged; }
  // The top-level items shown in the bar, merged ones included.
  std::vector<TMenuItem*> BarItems() const { return TopItems(); }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) override;
  bool IsBarMenu() const override { return true; }
  std::vector<TMenuItem*> TopItems() const override;

 private:
  TMainMenu* FMerged = nullptr;
  TMainMenu* FMergedInto = nullptr;
};

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  const char* ClassName() const override { return "TPopupMenu"; }

  // OnPopup, then the menu at the screen point (tracked until closed; the
  // chosen item's OnClick runs once the posted command is handled).
  virtual void Popup(int32_t X, int32_t Y);
  // The control (or other component) the menu was last popped up for.
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value);
  TPoint PopupPoint() const { return FPopupPoint; }
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
  TTrackButton TrackButton() const { return FTrackButton; }
  void SetTrackButton(TTrackButton Value) { FTrackButton = Value; }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }

  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void DoPopup(TObject* Sender);

 private:
  TComponent* FPopupComponent = nullptr;
  TPoint FPopupPoint{-1, -1};
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = TPopupAlignment::paLeft;
  TTrackButton FTrackButton = TTrackButton::tbRightButton;
  int32_t FHelpContext = 0;
};

// The window that receives the notifications of the menus the component
// classes track (popup menus and form menu bars): WM_COMMAND,
// WM_INITMENUPOPUP, WM_MENUSELECT (Application->Hint), WM_DRAWITEM and
// WM_MEASUREITEM. Made on first use.
HWND MenuNotifyWindow();
