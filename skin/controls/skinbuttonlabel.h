// A transparent caption with a picture that reacts to the mouse like a flat
// button: hover colour, a one-pixel press shift, or in web style an
// underline while hovered. It takes only a font and colours from the skin.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/controls/base/glyphlayout.h"
#include "skin/controls/skinlabels.h"

class TCustomImageList;

class TbsSkinButtonLabel : public TGraphicControl, public IbsSkinAware {
 public:
  explicit TbsSkinButtonLabel(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinButtonLabel"; }

  TbsSkinData* SkinData() const override { return FSkin.SkinData; }
  // Any non-nil value runs ChangeSkinData.
  void SetSkinData(TbsSkinData* Value) override;
  void ChangeSkinData() override;
  const String& SkinDataName() const { return FSkin.SkinDataName; }
  void SetSkinDataName(const String& Value) { FSkin.SkinDataName = Value; }
  int32_t SkinIndex() const { return FSkin.Index; }
  TFont* DefaultFont() const { return FSkin.DefaultFont.get(); }
  void SetDefaultFont(TFont* Value);
  bool UseSkinFont() const { return FSkin.UseSkinFont; }
  void SetUseSkinFont(bool Value) { FSkin.UseSkinFont = Value; }
  TColor DefaultActiveFontColor() const { return FDefaultActiveFontColor; }
  void SetDefaultActiveFontColor(TColor Value) { FDefaultActiveFontColor = Value; }

  bool WebStyle() const { return FWebStyle; }
  void SetWebStyle(bool Value);
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
  void SetImageIndex(int32_t Value);

  bool PointerInside() const { return FPointerInside; }
  bool Pressed() const { return FPressed; }
  void Dispatch(TMessage& Message) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;

 private:
  void PrepareFont(TFont* F);
  // Pressed state set or cleared, shown before the platform's handling.
  void Press(TMessage& Message, bool Down);

  TbsLabelSkin FSkin;
  bool FWebStyle = false;
  bool FPointerInside = false;
  bool FPressed = false;
  TColor FDefaultActiveFontColor = TColor(0xFF0000);
  std::unique_ptr<TBitmap> FGlyph;
  TbsNumGlyphs FNumGlyphs = 1;
  int32_t FMargin = -1;
  int32_t FSpacing = 1;
  TbsButtonLayout FLayout = TbsButtonLayout::blGlyphLeft;
  TCustomImageList* FImageList = nullptr;
  int32_t FImageIndex = -1;
};
