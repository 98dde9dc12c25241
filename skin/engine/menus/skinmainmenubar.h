// TbsSkinMainMenuBar: the menu bar a skinned form shows in place of the
// platform's. It lays out one drawn item per visible top-level item of its
// main menu, opens their drop-downs through the form skin component's menu
// controller, moves the highlight for the form's keyboard menu mode, keeps
// the items that do not fit behind a chevron, and in an MDI frame with a
// maximised child merges the child's menu and shows the child's buttons.
//
// The form skin component drives keyboard menu mode; the bar answers
// ProcessAccel, SelectNextItem, SelectPrevItem, ExecuteHotItem,
// EnterMenuMode, ReleaseDownItem, ResetItems and UpdateItems.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/vcl/menus.h"
#include "platform/vcl/timers.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/engine/data/skindata.h"
#include "skin/engine/menus/menubarobjects.h"

class TbsSkinForm;

using TbsItemEnterEvent = std::function<void(TMenuItem* Item)>;
using TbsItemLeaveEvent = std::function<void(TMenuItem* Item)>;

// A main menu that names the skin its bar draws with.
class TbsSkinMainMenu : public TMainMenu {
 public:
  explicit TbsSkinMainMenu(TComponent* AOwner) : TMainMenu(AOwner) {}
  const char* ClassName() const override { return "TbsSkinMainMenu"; }
  TbsSkinData* SkinData() const { return FSkinData; }
  void SetSkinData(TbsSkinData* Value);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TbsSkinData* FSkinData = nullptr;
};

class TbsSkinMainMenuBar : public TbsSkinControl {
  friend class TbsMenuBarObject;
  friend class TbsSkinMainMenuBarItem;
  friend class TbsSkinMainMenuBarButton;

 public:
  explicit TbsSkinMainMenuBar(TComponent* AOwner);
  ~TbsSkinMainMenuBar() override;
  const char* ClassName() const override { return "TbsSkinMainMenuBar"; }

  // ---- Properties ----
  // Setting it rebuilds the items and repaints.
  TMainMenu* MainMenu() const { return FMainMenu; }
  void SetMainMenu(TMainMenu* Value);
  TbsSkinForm* SkinForm() const { return FSkinForm; }
  void SetSkinForm(TbsSkinForm* Value);
  bool ScrollMenu() const { return FScrollMenu; }
  void SetScrollMenu(bool Value);
  bool UseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool Value);
  TFont* DefItemFont() const { return FDefItemFont.get(); }
  // Copies the font; an unskinned bar repaints.
  void SetDefItemFont(TFont* Value);
  int32_t DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int32_t Value);
  int32_t DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int32_t Value);
  bool PopupToUp() const { return FPopupToUp; }
  void SetPopupToUp(bool Value) { FPopupToUp = Value; }

  TbsItemEnterEvent OnItemMouseEnter;
  TbsItemLeaveEvent OnItemMouseLeave;

  // ---- Skin ----
  // While skinned the height is always the height of "skinrect".
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void BeforeChangeSkinData() override;

  // ---- Items ----
  // Rebuilds the items, repaints and forgets the hot object.
  void UpdateItems();
  void CreateMenuItems();
  // The maximised MDI child's buttons (WM_SKIN_MDICHILDMAXIMIZED /
  // WM_SKIN_MDICHILDRESTORED of the frame).
  void ShowMDIButtons();
  void HideMDIButtons();
  // Repaints one object (the whole bar when the skin's items are transparent).
  void RedrawObject(TbsMenuBarObject* Object);

  // ---- Keyboard menu mode (the form skin component decides when) ----
  // Key is a virtual key; true when an item took it as its accelerator.
  bool ProcessAccel(uint32_t Key);
  void SelectNextItem();
  void SelectPrevItem();
  // Presses the highlighted item (opening its drop-down, or running its
  // command); true when there was one.
  bool ExecuteHotItem();
  // Highlights an item and tells the form component that menu mode starts.
  void EnterMenuMode();
  // The pressed item's drop-down closed: it stays highlighted only.
  void ReleaseDownItem();
  // Clears the highlighted or pressed item.
  void ResetItems();

  // ---- State ----
  bool IsSkinned() const { return FIsSkinned; }
  int32_t ButtonCount() const { return FButtonCount; }
  bool MDIButtonsShown() const { return FMDIButtonsShown; }
  bool HasHiddenItems() const { return FHasHiddenItems; }
  bool ChevronHot() const { return FChevronHot; }
  bool HasMergedMenu() const { return FHasMergedMenu; }
  int32_t HotIndex() const { return FHotIndex; }
  int32_t PrevHotIndex() const { return FPrevHotIndex; }
  int32_t PressedIndex() const { return FPressedIndex; }
  const TRect& ItemsArea() const { return FItemsArea; }
  int32_t IndexOfObject(const TbsMenuBarObject* Object) const;
  // Where the chevron is drawn and clicked (client coordinates).
  TRect ChevronRect() const;
  int32_t ObjectCount() const { return int32_t(FBarObjects.size()); }
  TbsMenuBarObject* Objects(int32_t Index) const { return FBarObjects[size_t(Index)].get(); }
  // The items only (the MDI buttons excluded), in bar order.
  int32_t ItemCount() const { return ObjectCount() - FButtonCount; }
  TbsSkinMainMenuBarItem* Items(int32_t Index) const;
  // The item of a top-level menu item, or nullptr.
  TbsSkinMainMenuBarItem* FindItem(TMenuItem* MenuItem) const;
  // The first item that is highlighted or pressed, or nullptr.
  TbsSkinMainMenuBarItem* HotItem() const;
  // The first pressed item (its drop-down open), or nullptr.
  TbsSkinMainMenuBarItem* DownItem() const;
  // Number of items shown in the bar (the first index of the overflow popup).
  int32_t ShownItemCount() const;
  // The active MDI child's main menu of an MDI frame, or nullptr.
  TMainMenu* GetChildMainMenu() const;
  TTimer* LeaveTimer() const { return FLeaveTimer; }
  TTimer* MorphTimer() const { return FMorphTimer; }
  TTimer* AnimTimer() const { return FAnimTimer; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override {}
  void Dispatch(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  struct TObjectCall;

  TbsSkinForm* MaximizedChildSkinForm() const;
  TbsDataSkinObject* FindSkinObject(const String& Name) const;
  void FreeObjects();
  void RemoveItemOf(TComponent* AComponent);
  void CreateMDIButtons();
  void ApplyBorderIcons(TbsSkinForm* Child);
  void CalcItemsArea();
  void ArrangeButtons();
  void PaintBar(HDC DC);
  void PaintBackground(TBitmap* B);
  void DrawChevron(TCanvas* C);
  void RepaintNow();
  void RepaintIfParentShows();
  void TestMouse(int32_t X, int32_t Y);
  void TestChevron(int32_t X, int32_t Y);
  void OpenOverflowMenu();
  bool Selectable(int32_t Index) const;
  void SelectItem(int32_t Step);
  void LeaveTimerTick(TObject* Sender);
  void MorphTimerTick(TObject* Sender);
  void AnimTimerTick(TObject* Sender);
  void WMEraseBkgnd(TMessage& Message);
  void WMSkinMenuClosed(TMessage& Message);
  void CMMouseEnterBar(TMessage& Message);
  void CMMouseLeaveBar(TMessage& Message);

  TMainMenu* FMainMenu = nullptr;
  TbsSkinForm* FSkinForm = nullptr;
  bool FScrollMenu = true;
  bool FUseSkinFont = true;
  std::unique_ptr<TFont> FDefItemFont;
  int32_t FDefaultWidth = 0;
  int32_t FDefaultHeight = 22;
  bool FPopupToUp = false;

  bool FIsSkinned = false;
  int32_t FButtonCount = 0;
  bool FMDIButtonsShown = false;
  bool FHasHiddenItems = false;
  bool FChevronHot = false;
  bool FHasMergedMenu = false;
  TTimer* FLeaveTimer = nullptr;
  TTimer* FMorphTimer = nullptr;
  TTimer* FAnimTimer = nullptr;
  int32_t FHotIndex = -1, FPrevHotIndex = -1, FPressedIndex = -1;
  TRect FItemsArea;
  TRect FBarSkinRect, FBarItemsRect;
  String FItemObjectName, FCloseButtonName, FMinButtonName, FMaxButtonName, FSysMenuButtonName;
  TColor FChevronColor = 0, FChevronHotColor = 0;
  TBitmap* FBarPicture = nullptr;
  bool FBarStretch = false, FItemTransparent = false;
  std::vector<std::unique_ptr<TbsMenuBarObject>> FBarObjects;
  // Objects replaced while one of them was running: freed once it returns.
  std::vector<std::unique_ptr<TbsMenuBarObject>> FRetired;
  int32_t FObjectCallDepth = 0;
  // The merged MDI child's menu: its items are in the bar.
  TMainMenu* FChildMenu = nullptr;
};
