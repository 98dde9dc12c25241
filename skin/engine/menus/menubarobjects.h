// The drawn objects of a skinned main menu bar: one item per top-level menu
// item and, while an MDI child is maximised, the child's four buttons. They
// are plain objects owned by the bar's object list, not windows; the bar
// hit-tests them and calls their mouse operations.
#pragma once

#include <cstdint>

#include "platform/gui/graphics.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/menus.h"
#include "skin/engine/data/skindata.h"

class TbsSkinMainMenuBar;

// State, hover transition and base mouse protocol shared by items and buttons.
class TbsMenuBarObject : public TObject {
 public:
  // AData may be nullptr (the plain look).
  TbsMenuBarObject(TbsSkinMainMenuBar* AOwner, TbsDataSkinObject* AData);
  ~TbsMenuBarObject() override = default;
  const char* ClassName() const override { return "TbsMenuBarObject"; }
  TbsMenuBarObject(const TbsMenuBarObject&) = delete;
  TbsMenuBarObject& operator=(const TbsMenuBarObject&) = delete;

  // Starts the bar's transition timer, or repaints the object at once.
  virtual void StartEffect();
  virtual void Draw(TCanvas*) {}
  virtual void MouseDown(int32_t, int32_t, TMouseButton) {}
  virtual void MouseUp(int32_t, int32_t, TMouseButton) {}
  virtual void DblClick() {}
  virtual void MouseEnter();
  virtual void MouseLeave();
  // The hover transition is short of its end.
  virtual bool MorphPending() const;

  bool CanMorph() const;
  // One transition step towards the hot or the normal look, drawn on the bar.
  void MorphStep();
  void SetMorphPos(double Value);

  TbsSkinMainMenuBar* OwnerBar;
  bool MouseIn = false;
  TBitmap* SkinPicture = nullptr;
  bool IsDown = false;
  double MorphPos = 0;
  String ObjectName;
  TRect NormalRect, HotRect;
  TRect PressedRect;
  TRect BarRect;
  bool IsHot = false;
  bool IsEnabled = true;
  bool IsVisible = true;
  bool MorphEnabled = false;
  TbsMorphKind TransitionKind = TbsMorphKind::mkDefault;
};

// One top-level menu item in the bar.
class TbsSkinMainMenuBarItem : public TbsMenuBarObject {
 public:
  TbsSkinMainMenuBarItem(TbsSkinMainMenuBar* AOwner, TbsDataSkinMainMenuItem* AData);
  const char* ClassName() const override { return "TbsSkinMainMenuBarItem"; }

  void StartEffect() override;
  // Places the item after its predecessor, hides it when it does not fit,
  // else draws it.
  void Draw(TCanvas* Cnvs) override;
  void MouseDown(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;

  bool CanAnimate() const;
  // Pressed with its drop-down open, or released.
  void SetDown(bool Value);
  // Opens the drop-down of SourceItem below (or above) the item.
  void OpenMenu();
  void LeaveOtherHotItem();
  void ReleaseOtherDownItem();
  // One step of the frame animation; false when the frame did not change.
  bool AnimStep();
  bool HasChildren() const { return SourceItem != nullptr && SourceItem->Count() > 0; }

  bool Skinned;
  bool SavedEnabled = true;
  bool ShownInBar = true;
  TMenuItem* SourceItem = nullptr;
  String ItemFontName;
  int32_t ItemFontHeight = 14;
  TFontStyles ItemFontStyle;
  TColor DisabledColor = 0, NormalColor = 0, HotColor = 0, PressedColor = 0;
  TRect TextArea;
  TRect ItemPressedRect;
  int32_t LeftCap = 0, RightCap = 0;
  bool CapStretch = false;
  TRect AnimRect;
  int32_t AnimFrames = 0, AnimInterval = 25;
  int32_t FrameIndex = 0;
  bool InactiveAnim = false;

 private:
  void SetItemFont(TCanvas* Cnvs) const;
  TSize CaptionSize(TCanvas* Cnvs) const;
  // False when the item is hidden for lack of room.
  bool Place(TCanvas* Cnvs);
  void DrawSkinned(TCanvas* Cnvs);
  void DrawDefault(TCanvas* Cnvs);
  void DrawItemImage(TCanvas* Target, TBitmap* B, const TRect& Source, bool HotStyle);
  TRect FrameRect(int32_t N) const;
};

// A button of a maximised MDI child: close, restore, minimise or system menu.
class TbsSkinMainMenuBarButton : public TbsMenuBarObject {
 public:
  // AData nullptr: the plain look with command ACommand.
  TbsSkinMainMenuBarButton(TbsSkinMainMenuBar* AOwner, TbsDataSkinButton* AData, uint8_t ACommand);
  const char* ClassName() const override { return "TbsSkinMainMenuBarButton"; }

  void Draw(TCanvas* Cnvs) override;
  void MouseDown(int32_t X, int32_t Y, TMouseButton Button) override;
  void MouseUp(int32_t X, int32_t Y, TMouseButton Button) override;
  void DblClick() override;
  void MouseEnter() override;
  void MouseLeave() override;
  // Acts on the main form's first maximised MDI child.
  void DoCommand();
  bool IsSysMenuButton() const { return ButtonCommand == 3; }

  bool Skinned;
  // 0 close, 1 restore, 2 minimise, 3 system menu.
  uint8_t ButtonCommand;

 private:
  void DrawDefault(TCanvas* Cnvs);
};
