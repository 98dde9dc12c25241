// The skinned speed button with a drop-down: a press on it, or in track
// button mode only on its 15-pixel drop-down strip, opens a skinned popup
// menu or an images menu under it; the button stays down until the menu
// closes.
#pragma once

#include <cstdint>

#include "skin/controls/skinspeedbutton.h"

class TbsSkinPopupMenu;

enum class TbsTrackPosition : uint8_t { bstpRight, bstpBottom };

class TbsSkinMenuSpeedButton : public TbsSkinSpeedButton {
 public:
  // Width (or height, for a bottom strip) of the drop-down strip.
  static constexpr int32_t TrackSize = 15;

  explicit TbsSkinMenuSpeedButton(TComponent* AOwner);
  ~TbsSkinMenuSpeedButton() override;
  const char* ClassName() const override { return "TbsSkinMenuSpeedButton"; }

  bool NewStyle() const { return FNewStyle; }
  // True switches to the "resizetoolbutton" section; False keeps the section.
  void SetNewStyle(bool Value);
  TbsTrackPosition TrackPosition() const { return FTrackPosition; }
  void SetTrackPosition(TbsTrackPosition Value);
  bool TrackButtonMode() const { return FTrackButtonMode; }
  void SetTrackButtonMode(bool Value);
  TbsSkinPopupMenu* SkinPopupMenu() const { return FSkinPopupMenu; }
  void SetSkinPopupMenu(TbsSkinPopupMenu* Value);
  // Also repaints the button when the menu's selection changes.
  void SetSkinImagesMenu(IbsImagesMenu* Value);
  bool MenuOpen() const { return FMenuOpen; }
  // Whether a press at (X, Y) opens the menu.
  bool InDropDownArea(int32_t X, int32_t Y) const;
  // Opens the popup menu and the images menu under the button.
  void ShowTrackMenu();

  void GetSkinData() override;
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnShowTrackMenu;
  TNotifyEvent OnHideTrackMenu;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  bool Designing() const { return ComponentState().Contains(TComponentStateItem::csDesigning); }
  bool ResizeSection() const;
  bool BottomStrip() const { return FNewStyle && FTrackPosition == TbsTrackPosition::bstpBottom; }
  TRect StripRect() const;
  TRect TextRect(const TRect& Strip) const;
  // "trackbuttonrect" at the current size.
  TRect TrackArea() const;
  TbsDataSkinButtonControl* Description(const String& Name) const;
  void TrackMenuClosed();
  void DrawMenuMarker(TCanvas* C, const TRect& R, bool ADown, bool AActive, bool AFlat);
  void DrawDropArrow(TCanvas* C, TRect R, int32_t Shift, bool MarkerDown, bool Active, TColor Color);
  void PaintTransparentAtRest();
  void CreateDefaultStyleImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn);
  void CreatePartsImage(TBitmap* B, bool ADown, bool AMouseIn, bool Stretched);
  void CreateNewStyleImage(TBitmap* B, bool ADown, bool AMouseIn);
  // Picture and caption in the state's colour; answers that colour.
  TColor DrawStateFace(TBitmap* B, const TbsDataSkinButtonControl& D, const TRect& Area, bool DownDrawn, bool AMouseIn);
  void DrawPart(TBitmap* B, const TbsDataSkinButtonControl* D, const TRect& R, bool ADown, bool AActive);
  void DrawPlainPart(TCanvas* C, const TRect& R, TColor Fill, TColor Frame);
  void WMSkinMenuClosed(TMessage& Message);
  void CMMouseEnterLeave(TMessage& Message, bool Inside);

  TbsSkinPopupMenu* FSkinPopupMenu = nullptr;
  bool FTrackButtonMode = false;
  bool FMenuOpen = false;
  bool FNewStyle = false;
  TbsTrackPosition FTrackPosition = TbsTrackPosition::bstpRight;
  TRect FTrackButtonRect;
};
