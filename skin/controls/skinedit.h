// The skin library's edits: TbsCustomEdit, the borderless one-line editor
// that can draw its text over a skin image, hands Enter and Escape to its
// form and shows a skinned context menu (the inner editor of the spin edit
// and the combo box); TbsSkinCustomEdit, a complete edit whose frame and
// optional button are drawn in the non-client area from the skin's "edit"
// description, or in a plain look.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gui/graphics.h"
#include "platform/vcl/stdctrls.h"
#include "skin/engine/data/skindata.h"

class TbsSkinPopupMenu;

class TbsCustomEdit : public TCustomMaskEdit {
 public:
  explicit TbsCustomEdit(TComponent* AOwner);
  const char* ClassName() const override { return "TbsCustomEdit"; }

  // In transparent mode the parent's area under the edit is repainted too.
  void Invalidate() override;
  void Dispatch(TMessage& Message) override;

  bool TransparentText() const { return FTransparentText; }
  // Re-creates the window.
  void SetTransparentText(bool Value);
  // The skinned context menu of the last request, or nullptr.
  TbsSkinPopupMenu* EditMenu() const { return FEditMenu; }

  // Runs after CM_CANCELMODE with the control that caused it.
  std::function<void(TObject* Sender)> FCancelModeHandler;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Change() override;
  bool FLButtonDown = false;
  bool FTransparentText = false;

 private:
  void WMChar(TMessage& Message);
  void WMSetText(TMessage& Message);
  void WMPaste(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void CNCtlColor(TMessage& Message);
  void WMSkinMenuCommand(TMessage& Message);
  void ReleaseEditMenu(TMessage& Message);
  // Inherited handling, then the transparent repaint.
  void InheritedAndInvalidate(TMessage& Message);
  void BuildEditMenu();

  TbsSkinPopupMenu* FEditMenu = nullptr;
  // A menu that ran a command: freed once its controller has let go of it.
  TbsSkinPopupMenu* FRetiredMenu = nullptr;
};

class TbsSkinCustomEdit : public TbsCustomEdit {
 public:
  explicit TbsSkinCustomEdit(TComponent* AOwner);
  ~TbsSkinCustomEdit() override;
  const char* ClassName() const override { return "TbsSkinCustomEdit"; }

  void Loaded() override;
  void Invalidate() override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void Dispatch(TMessage& Message) override;

  TbsSkinData* SkinData() const { return FSkinData; }
  virtual void SetSkinData(TbsSkinData* Value);
  virtual void ChangeSkinData();
  const String& SkinDataName() const { return FSkinDataName; }
  void SetSkinDataName(const String& Value) { FSkinDataName = Value; }
  int32_t SkinIndex() const { return FIndex; }

  TColor DefaultColor() const { return FDefaultColor; }
  void SetDefaultColor(TColor Value);
  TFont* DefaultFont() const { return FDefaultFont.get(); }
  bool UseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool Value);
  int32_t DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int32_t Value) { FDefaultWidth = Value; }
  int32_t DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int32_t Value) { FDefaultHeight = Value; }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool ShowEditButton() const { return FShowEditButton; }
  void SetShowEditButton(bool Value);

  // Window coordinates.
  const TRect& EditButtonRect() const { return FEditButtonRect; }
  const TRect& TextRect() const { return FTextRect; }
  bool EditButtonDown() const { return FEditButtonDown; }
  bool EditButtonHot() const { return FEditButtonHot; }
  bool MouseInside() const { return FMouseInside; }

  TNotifyEvent OnEditButtonClick;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& Params) override;
  virtual void DefaultFontChanged();

 private:
  void GetSkinData();
  void CalcRects();
  int32_t CalcHeight();
  void RepaintFrame();
  void ApplyFontColor(bool Active);
  // The frame (everything but the text area) into DC at the window origin.
  void PaintFrame(HDC DC);
  void PaintFrameImage(TBitmap* B);
  void PaintPlainFrame(TBitmap* B);
  void PaintSkinButton(TCanvas* C);
  void PaintStretchedButton(TCanvas* C);
  void PaintTextBackground(HDC DC);
  void PaintDisabledText(HDC DC);

  void WMNCCalcSize(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void WMSkinPaintFrame(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void WMNCMouseMove(TMessage& Message);
  void WMNCLButtonDown(TMessage& Message);
  void WMNCLButtonUp(TMessage& Message);
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMFocus(TMessage& Message, bool Gained);
  void CMMouse(TMessage& Message, bool Entered);
  void CMFontChanged(TMessage& Message);
  bool ButtonActive() const;

  TColor FDefaultColor = clWindow;
  TRect FEditButtonRect, FTextRect;
  bool FShowEditButton = false;
  bool FEditButtonDown = false, FEditButtonHot = false;
  bool FMouseInside = false;
  int32_t FIndex = -1;
  TbsSkinData* FSkinData = nullptr;
  String FSkinDataName = "edit";
  TBitmap* FEditPicture = nullptr;
  std::unique_ptr<TFont> FDefaultFont;
  bool FUseSkinFont = true;
  int32_t FDefaultWidth = 0, FDefaultHeight = 0;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  int32_t FLeftCapWidth = 0, FRightCapWidth = 0;
  TRect FSkinClientRect, FSkinRect, FActiveSkinRect;
  String FSkinFontName;
  TFontStyles FSkinFontStyle;
  int32_t FSkinFontHeight = 14;
  TColor FSkinFontColor = clBlack, FSkinDisabledFontColor = clGrayText, FSkinActiveFontColor = clBlack;
  TRect FButtonRect, FActiveButtonRect, FDownButtonRect, FUnEnabledButtonRect;
  bool FStretchEffect = false;
};
