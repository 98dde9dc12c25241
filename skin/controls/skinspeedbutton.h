// The window-less skinned button of tool bars and button rows: never
// focused, flat and transparent at rest if asked, grouped, repeating, with
// a caption that can be hidden and a picture from an images menu, the tool
// bar's lists, its own image list or its glyph strip.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/controls/base/glyphlayout.h"
#include "skin/controls/base/graphicskinctrls.h"
#include "skin/controls/buttonparts.h"

class TbsSkinSpeedButton : public TbsGraphicSkinCustomControl {
 public:
  explicit TbsSkinSpeedButton(TComponent* AOwner);
  ~TbsSkinSpeedButton() override;
  const char* ClassName() const override { return "TbsSkinSpeedButton"; }

  bool Down() const { return FDown; }
  void SetDown(bool Value);
  int32_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int32_t Value) { FGroupIndex = Value; }
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  bool RepeatMode() const { return FRepeatMode; }
  void SetRepeatMode(bool Value) { FRepeatMode = Value; }
  int32_t RepeatInterval() const { return FRepeatInterval; }
  void SetRepeatInterval(int32_t Value) { FRepeatInterval = Value; }
  // Not opaque: only picture and caption are drawn at rest.
  bool Transparent() const { return !ControlStyle().Contains(TControlStyleItem::csOpaque); }
  void SetTransparent(bool Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool ShowCaption() const { return FShowCaption; }
  // With both preset widths set, the width follows; else only the caption.
  void SetShowCaption(bool Value);
  int32_t WidthWithCaption() const { return FWidthWithCaption; }
  void SetWidthWithCaption(int32_t Value) { FWidthWithCaption = Value; }
  int32_t WidthWithoutCaption() const { return FWidthWithoutCaption; }
  void SetWidthWithoutCaption(int32_t Value) { FWidthWithoutCaption = Value; }
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }
  bool UseSkinFontColor() const { return FUseSkinFontColor; }
  void SetUseSkinFontColor(bool Value) { FUseSkinFontColor = Value; }
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TbsNumGlyphs NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TbsNumGlyphs Value);
  int32_t Margin() const { return FMargin; }
  void SetMargin(int32_t Value);
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t Value);
  TbsButtonLayout Layout() const { return FLayout; }
  void SetLayout(TbsButtonLayout Value);
  TCustomImageList* ImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* Value);
  int32_t ImageIndex() const { return FImageIndex; }
  // Repaints only on a tool bar; elsewhere the next paint shows it.
  void SetImageIndex(int32_t Value);
  // Picture (and caption) from the selected item of an images menu; a menu
  // that is a component is forgotten when it is freed.
  void SetSkinImagesMenu(IbsImagesMenu* Value);
  IbsImagesMenu* SkinImagesMenu() const { return FSkinImagesMenu; }
  void SetUseImagesMenuImage(bool Value) { FUseImagesMenuImage = Value; }
  void SetUseImagesMenuCaption(bool Value) { FUseImagesMenuCaption = Value; }

  // Clears the hover look of a button the mouse has not left by itself.
  void ResetHotState();
  double MorphPos() const { return FMorphPos; }
  bool PointerInside() const { return FPointerInside; }

  void GetSkinData() override;
  void ChangeSkinData() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  // Fires OnClick; the platform fires no click of its own.
  virtual void ButtonClick();
  void Dispatch(TMessage& Message) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap*) override {}
  virtual void CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn);
  void ActionChange(TObject* Sender, bool CheckDefaults) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  bool ShowsDown() const { return FDown && ((FPointerInside && FGroupIndex == 0) || FGroupIndex != 0); }
  // Picture and caption by the source order; Hot picks the tool bar's hot list.
  void DrawFace(TCanvas* C, const TRect& Area, bool ADown, bool AMouseIn, bool Hot, bool Shifted);
  bool FPointerInside = false;
  TbsButtonLook FLook;
  TRect FMenuMarkerRect, FMenuMarkerActiveRect, FMenuMarkerDownRect, FMenuMarkerFlatRect;
  TColor FMenuMarkerTransparentColor = 0;

 private:
  bool Designing() const { return ComponentState().Contains(TComponentStateItem::csDesigning); }
  bool MorphingActive() const { return FSkinIndex != -1 && FLook.Morphing && SkinEffectsOn(FSkinData); }
  IbsToolBarHost* ToolBar() const { return dynamic_cast<IbsToolBarHost*>(Parent()); }
  void UpdateLook();
  void MorphTick();
  void StartAnimation(bool Forward);
  void StopAnimation();
  void AnimateTick();
  void PaintSkinned();
  void PaintPlain();
  void DrawTransparentFace(const TRect& Area, bool Skinned);
  String ShownCaption() { return FShowCaption ? Caption() : String(); }

  void CMDialogChar(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);

  TbsOnDemandTimer FAnimateTimer{[this] { AnimateTick(); }};
  int32_t FAnimateFrame = 0;
  bool FAnimateForward = false;
  IbsImagesMenu* FSkinImagesMenu = nullptr;
  // The menu as a component, taken while it is whole: its removal notice
  // comes when only its component part is left.
  TComponent* FSkinImagesMenuComponent = nullptr;
  bool FUseImagesMenuImage = false;
  bool FUseImagesMenuCaption = false;
  bool FUseSkinSize = true;
  bool FUseSkinFontColor = true;
  TCustomImageList* FImageList = nullptr;
  int32_t FImageIndex = 0;
  TbsOnDemandTimer FRepeatTimer{[this] { ButtonClick(); }};
  bool FRepeatMode = false;
  int32_t FRepeatInterval = 100;
  bool FFlat = false;
  bool FAllowAllUp = false;
  bool FWasDown = false;
  bool FDown = false;
  int32_t FGroupIndex = 0;
  std::unique_ptr<TBitmap> FGlyph;
  TbsNumGlyphs FNumGlyphs = 1;
  int32_t FMargin = -1;
  int32_t FSpacing = 1;
  TbsButtonLayout FLayout = TbsButtonLayout::blGlyphLeft;
  TbsOnDemandTimer FMorphTimer{[this] { MorphTick(); }};
  double FMorphPos = 0;
  bool FShowCaption = true;
  int32_t FWidthWithCaption = 0;
  int32_t FWidthWithoutCaption = 0;
};
