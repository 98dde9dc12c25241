// Skinned menus: every drop-down and context menu of a skinned form opens in
// windows of its own, never through the platform's menus. TbsSkinMenu (one
// per form) keeps the chain of open TbsSkinPopupWindows, level 0 first; each
// window lists the visible children of one TMenuItem as TbsSkinMenuItems,
// which paint themselves from the skin's first "menuitem" object or in a
// fixed default look. The TMenuItem trees stay the model: captions,
// short-cuts, checks, images, enabled state and commands come from them.
//
// The windows never take activation or focus: the form keeps both, feeds
// keys to the last window's ProcessKey and closes the menu when it receives
// a message of IsMenuCloseMessage. A closed window is hidden at once and
// freed once none of its handlers is running, so an item may close the menu
// from inside its own window's mouse handler.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/timers.h"
#include "skin/engine/data/skindata.h"

class TbsSkinMenu;
class TbsSkinPopupWindow;

// True for the messages that end an open menu when its form receives them.
bool IsMenuCloseMessage(uint32_t Msg);

// One entry of an open popup window: its rectangle, hover state and paint.
class TbsSkinMenuItem : public TObject {
 public:
  // Data: the skin's menu-item description or nullptr for the default look.
  TbsSkinMenuItem(TbsSkinPopupWindow* AParent, TbsDataSkinMenuItem* AData, TMenuItem* AMenuItem);
  ~TbsSkinMenuItem() override = default;
  const char* ClassName() const override { return "TbsSkinMenuItem"; }
  TbsSkinMenuItem(const TbsSkinMenuItem&) = delete;
  TbsSkinMenuItem& operator=(const TbsSkinMenuItem&) = delete;

  // Paints the item at ItemRect when Shown.
  void Draw(TCanvas* Cnvs);
  // The hover transition is short of its end. An item scrolled out of view
  // drops its highlight instead.
  virtual bool MorphPending();
  bool CanMorph() const;
  bool CanAnimate() const;
  void MorphStep();
  void SetMorphPos(double Value);
  // Starts the window's effect timer, or repaints at once.
  void StartEffect();
  // One tick of the effect timer; false when the item did not change.
  bool EffectTick();
  void MouseEnter(bool Kb);
  void MouseLeave();
  void Click();

  bool IsSeparator() const { return SourceItem->Caption() == "-"; }
  bool IsHighlighted() const { return IsHot || SubmenuOpen; }
  bool Selectable() const { return SourceItem->Enabled() && !IsSeparator(); }
  // The item's height: from the description, or the default look's.
  int32_t ItemHeight() const;

  TbsSkinPopupWindow* ListWindow;
  TbsDataSkinMenuItem* Description;
  TBitmap* SkinPicture = nullptr;
  double MorphPos = 0;
  TMenuItem* SourceItem;
  TRect ItemRect;
  bool IsHot = false;
  bool SubmenuOpen = false;
  bool Shown = true;
  bool AutoSelected = false;
  int32_t FrameIndex = 0;

 private:
  // The item's own copies of the state rects: an invalid picture index
  // empties them here, never in the shared description.
  TRect FSkinRect, FActiveSkinRect;

  void DrawDefault(TCanvas* Cnvs);
  void DrawSkinned(TCanvas* Cnvs);
  // The item image of a state (or animation frame) into B, at the item's size.
  void DrawSkinnedItem(TBitmap* B, bool Hot, int32_t Frame);
  void DrawDefaultContent(TCanvas* Cnvs, const TRect& I, int32_t S);
  // A system-menu glyph, else the check tick at (X, Y) or the radio mark at
  // (RX, RY): the default look's square dot or the skinned look's circle.
  void DrawMark(TCanvas* Cnvs, int32_t X, int32_t Y, int32_t RX, int32_t RY, TColor Color, bool SquareDot);
  TRect FrameRect(int32_t N) const;
  // Caption, short-cut and submenu arrow in the text area T; Offset moves
  // the caption right, Gap is the space kept at T's right edge.
  void DrawTexts(TCanvas* Cnvs, const TRect& T, int32_t Glyph, int32_t Offset, int32_t Gap);
  // The image of the item or its check frame; false when it has none.
  bool DrawGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor FrameColor);
  // The caption-button glyph of a system or tray menu item; false for others.
  bool DrawSystemGlyph(TCanvas* Cnvs, int32_t X, int32_t Y, TColor Color);
  void SetItemFont(TCanvas* Cnvs, bool Skinned);
  TSize GlyphSize();
};

// One open level of a menu: a borderless, never activated, topmost window.
class TbsSkinPopupWindow : public TCustomControl {
 public:
  TbsSkinPopupWindow(TbsSkinMenu* AOwner, TbsDataSkinPopupWindow* AData);
  ~TbsSkinPopupWindow() override;
  const char* ClassName() const override { return "TbsSkinPopupWindow"; }

  // Builds the items of Item's children from StartIndex, sizes, places
  // against R (screen) and shows the window.
  void Show(const TRect& R, TMenuItem* Item, int32_t StartIndex, bool PopupUp, bool Beside);
  // The same with the children of A, then those of B.
  void ShowMerged(const TRect& R, TMenuItem* A, TMenuItem* B, int32_t StartIndex, bool PopupUp, bool Beside);
  // Hides the window and stops its timers (the controller frees it later).
  void Hide();
  // One virtual key from the form's keyboard hook.
  void ProcessKey(uint32_t KeyCode);
  // Closes the levels below this window's open submenu; that submenu's
  // items lose SubmenuOpen.
  void CloseSubmenusOf();
  // Tracks a client point as the 50 ms tracking does.
  void TestMouse(const TPoint& P);
  // Repaints one item on the window (hover transitions).
  void RedrawItem(TbsSkinMenuItem* Item);

  TbsSkinMenu* OwnerMenu() const { return FOwnerMenu; }
  int32_t ItemCount() const { return int32_t(MenuItems.size()); }
  TbsSkinMenuItem* Items(int32_t Index) const { return MenuItems[size_t(Index)].get(); }
  TTimer* EffectTimer() const { return FEffectTimer; }
  TTimer* TrackTimer() const { return FTrackTimer; }
  bool Skinned() const { return WindowDescription != nullptr; }
  bool HandlerRunning() const { return FHandlerDepth > 0; }
  bool Closed() const { return FClosed; }
  void SetClosed() { FClosed = true; }

  TbsDataSkinMenuItem* ItemDescription = nullptr;
  int32_t ShownCount = 0;
  int32_t FirstShown = 0;
  bool Scrolling = false;
  bool ScrollByLimit = false;
  int32_t ScrollDirection = 0;
  TPoint FrameLT, FrameRT, FrameLB, FrameRB;
  TRect ItemsArea;
  HRGN WindowRegion = nullptr;
  TPoint ShowPos;
  TPoint LastMousePos{-1, -1};
  TCustomImageList* ItemImages = nullptr;
  int32_t GlyphColumn = 19;
  TBitmap* FramePicture = nullptr;
  TBitmap* FrameMask = nullptr;
  int32_t PrevHotIndex = -1;
  int32_t HotIndex = -1;
  TbsSkinData* WindowSkinData = nullptr;
  TbsDataSkinPopupWindow* WindowDescription = nullptr;
  std::vector<std::unique_ptr<TbsSkinMenuItem>> MenuItems;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  void DoShow(const TRect& R, TMenuItem* A, TMenuItem* B, int32_t StartIndex, bool PopupUp, bool Beside);
  void CreateItems(TMenuItem* A, TMenuItem* B, int32_t StartIndex);
  void AddItems(TMenuItem* Source, int32_t From);
  void SetWindowFont();
  void CalcSize(bool TwoSources);
  void PlaceFrame();
  void SetSkinRegion();
  void ArrangeItems();
  void FindShowPos(const TRect& R, bool PopupUp, bool Beside);
  int32_t ItemHeightOf(const TbsSkinMenuItem& Item) const;
  int32_t NormalItemHeight() const;
  void ShowWindowAt();
  void FadeIn();
  void AutoSelectFirst();

  void PaintMenu(HDC DC);
  void PaintBackground(TCanvas* Cnvs);
  void DrawScrollStrips(TCanvas* Cnvs);
  TRect UpStrip() const;
  TRect DownStrip() const;
  void RedrawStrips();

  bool CanScrollUp() const { return FirstShown > 0; }
  bool CanScrollDown() const { return FirstShown + ShownCount - 1 < ItemCount() - 1; }
  void StartScroll(int32_t Direction);
  void StopScroll();
  void ScrollTick();
  void ScrollUp(bool Cycle);
  void ScrollDown(bool Cycle);
  int32_t LastPageStart() const;
  void Relayout();

  void TrackTick(TObject* Sender);
  void EffectTick(TObject* Sender);
  void TrackScrollStrips(const TPoint& P);
  void ChangeHot(int32_t NewIndex, bool Kb);
  bool ProcessAccel(uint32_t KeyCode);
  void SelectNext();
  void SelectPrev();
  bool StepWalkDown(int32_t Index);
  bool StepWalkUp(int32_t Index);
  void CloseLastLevel();
  void ClickHot(bool OnlyWithChildren);

  void WMEraseBkgnd(TMessage& Message);
  void WMTimer(TMessage& Message);

  TbsSkinMenu* FOwnerMenu;
  TTimer* FTrackTimer;
  TTimer* FEffectTimer;
  int32_t FHandlerDepth = 0;
  bool FClosed = false;
};

// The menu controller of one form.
class TbsSkinMenu : public TComponent {
 public:
  TbsSkinMenu(TComponent* AOwner, TCustomForm* AForm);
  ~TbsSkinMenu() override;
  const char* ClassName() const override { return "TbsSkinMenu"; }

  // Opens a menu of Item's visible children from StartIndex against R
  // (screen); opens nothing when there are none.
  void Popup(TControl* APopupCtrl, TbsSkinData* ASkinData, bool PopupUp, TMenuItem* Item, const TRect& R,
             int32_t StartIndex);
  // The children of B followed by those of A (a merged menu bar).
  void PopupMerged(TControl* APopupCtrl, TbsSkinData* ASkinData, bool PopupUp, TMenuItem* A, TMenuItem* B,
                   const TRect& R, int32_t StartIndex);
  void ExecuteItem(TbsSkinPopupWindow* W, TbsSkinMenuItem* I, bool Kb, bool Click);
  // Closes the windows from Level on; level 0 ends the menu.
  void CloseLevels(int32_t Level);
  // Ends the menu and tells the form.
  void CloseMenu();
  // The window's level; the chain's length when it is not in the chain.
  int32_t IndexOfWindow(const TbsSkinPopupWindow* W) const;
  int32_t WindowCount() const { return int32_t(WindowChain.size()); }
  TbsSkinPopupWindow* Windows(int32_t Level) const { return WindowChain[size_t(Level)]; }
  TbsSkinPopupWindow* LastWindow() const { return WindowChain.empty() ? nullptr : WindowChain.back(); }
  // Frees the closed windows whose handlers have all returned.
  void ReleaseClosedWindows();
  // Asks for ReleaseClosedWindows once the current message is handled.
  void ScheduleRelease();

  TFont* DefMenuItemFont() const { return FDefMenuItemFont.get(); }
  void SetDefMenuItemFont(TFont* Value) { FDefMenuItemFont->Assign(Value); }
  TControl* OpenerControl() const { return FOpenerControl.Get(); }
  TControl* CommandControl() const { return FCommandControl.Get(); }
  TCustomForm* OwnerForm() const { return FOwnerForm.Get(); }
  TTimer* SubmenuTimer() const { return FSubmenuTimer; }

  bool UseSkinFont = true;
  bool FirstWindow = false;
  int32_t DefMenuItemHeight = 20;
  TbsSkinMenuItem* PendingItem = nullptr;
  TRect MenuArea;
  bool IsOpen = false;
  TbsSkinData* MenuSkinData = nullptr;
  TNotifyEvent OnMenuClose;
  std::vector<TbsSkinPopupWindow*> WindowChain;
  bool AlphaBlend = false;
  uint8_t AlphaBlendValue = 150;
  bool AlphaBlendAnimation = false;
  int32_t MaxMenuItemsInWindow = 0;

 private:
  void Open(TControl* APopupCtrl, TbsSkinData* ASkinData);
  void OpenWindow(const TRect& R, TMenuItem* A, TMenuItem* B, bool PopupUp, bool Beside, int32_t StartIndex);
  void StopSubmenuTimer();
  void SubmenuTimerTick(TObject* Sender);
  void DispatchCommand(TMenuItem* Item);
  void ReleaseWndProc(TMessage& Message);

  std::unique_ptr<TFont> FDefMenuItemFont;
  TComponentRef<TControl> FOpenerControl;
  TComponentRef<TControl> FCommandControl;
  TComponentRef<TCustomForm> FOwnerForm;
  TTimer* FSubmenuTimer;
  std::vector<TbsSkinPopupWindow*> FClosedWindows;
  HWND FReleaseWnd = nullptr;
};

// Sends Msg (0, 0) to a windowed control with a window, dispatches it
// directly to any other control.
void SendMenuMessage(TControl* Control, uint32_t Msg);
