// Labels that take only a font and colours from the skin's standard-label
// description: the standard label (with ellipsis) and the link label that
// opens its URL through the shell. Each keeps its own skin reference.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/stringlist.h"
#include "platform/vcl/stdctrls.h"
#include "skin/controls/base/skinctrls.h"

enum class TbsEllipsType : uint8_t { bsetNone, bsetEndEllips, bsetPathEllips };

// The skin reference and font of one label, with the description look-up.
struct TbsLabelSkin {
  TbsLabelSkin();
  // The description's index for Name, its font and colours copied when it
  // is a standard-label description.
  void LookUp();
  bool Skinned() const { return Index != -1; }

  TbsSkinData* SkinData = nullptr;
  String SkinDataName = "stdlabel";
  int32_t Index = -1;
  std::unique_ptr<TFont> DefaultFont;
  bool UseSkinFont = true;
  String FontName;
  TFontStyles FontStyle;
  int32_t FontHeight = 0;
  TColor FontColor = 0, ActiveFontColor = 0;
};

// What the standard and link labels share: the skin reference, and the
// text path drawing in the skin's font, embossed while disabled.
class TbsSkinCustomLabel : public TCustomLabel, public IbsSkinAware {
 public:
  explicit TbsSkinCustomLabel(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinCustomLabel"; }

  TbsSkinData* SkinData() const override { return FSkin.SkinData; }
  // Any non-nil value runs ChangeSkinData.
  void SetSkinData(TbsSkinData* Value) override;
  void ChangeSkinData() override;
  const String& SkinDataName() const { return FSkin.SkinDataName; }
  void SetSkinDataName(const String& Value) { FSkin.SkinDataName = Value; }
  int32_t SkinIndex() const { return FSkin.Index; }
  TFont* DefaultFont() const { return FSkin.DefaultFont.get(); }
  void SetDefaultFont(TFont* Value) { FSkin.DefaultFont->Assign(Value); }
  bool UseSkinFont() const { return FSkin.UseSkinFont; }
  void SetUseSkinFont(bool Value) { FSkin.UseSkinFont = Value; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void DoDrawText(TRect& Rect, uint32_t Flags) override;
  // The canvas font and colour of the text.
  virtual void PrepareFont(TFont* F) = 0;
  virtual uint32_t EllipsisFlag() const { return 0; }

  TbsLabelSkin FSkin;
};

class TbsSkinStdLabel : public TbsSkinCustomLabel {
 public:
  explicit TbsSkinStdLabel(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinStdLabel"; }

  TbsEllipsType EllipsType() const { return FEllipsType; }
  void SetEllipsType(TbsEllipsType Value);
  bool UseSkinColor() const { return FUseSkinColor; }
  void SetUseSkinColor(bool Value) { FUseSkinColor = Value; }

 protected:
  void PrepareFont(TFont* F) override;
  uint32_t EllipsisFlag() const override;

 private:
  TbsEllipsType FEllipsType = TbsEllipsType::bsetNone;
  bool FUseSkinColor = true;
};

class TbsSkinLinkLabel : public TbsSkinCustomLabel {
 public:
  explicit TbsSkinLinkLabel(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinLinkLabel"; }

  const String& URL() const { return FURL; }
  void SetURL(const String& Value) { FURL = Value; }
  bool UseUnderLine() const { return FUseUnderLine; }
  void SetUseUnderLine(bool Value);
  TColor DefaultActiveFontColor() const { return FDefaultActiveFontColor; }
  void SetDefaultActiveFontColor(TColor Value) { FDefaultActiveFontColor = Value; }
  bool PointerInside() const { return FPointerInside; }

  // OnClick, then the shell opens a non-empty URL.
  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void PrepareFont(TFont* F) override;

 private:
  bool FUseUnderLine = true;
  TColor FDefaultActiveFontColor = TColor(0xFF0000);
  String FURL;
  bool FPointerInside = false;
};

// A multi-line label whose text is a string list, aligned, laid out and
// auto-sized as the platform's label is.
class TbsSkinTextLabel : public TGraphicControl, public IbsSkinAware {
 public:
  explicit TbsSkinTextLabel(TComponent* AOwner);
  ~TbsSkinTextLabel() override;
  const char* ClassName() const override { return "TbsSkinTextLabel"; }

  TbsSkinData* SkinData() const override { return FSkin.SkinData; }
  void SetSkinData(TbsSkinData* Value) override;
  void ChangeSkinData() override;
  const String& SkinDataName() const { return FSkin.SkinDataName; }
  void SetSkinDataName(const String& Value) { FSkin.SkinDataName = Value; }
  TFont* DefaultFont() const { return FSkin.DefaultFont.get(); }
  bool UseSkinFont() const { return FSkin.UseSkinFont; }
  void SetUseSkinFont(bool Value) { FSkin.UseSkinFont = Value; }
  bool UseSkinColor() const { return FUseSkinColor; }
  void SetUseSkinColor(bool Value) { FUseSkinColor = Value; }

  TStringList* Lines() const { return FLines.get(); }
  void SetLines(TStringList* Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void AdjustSize() override { AdjustBounds(); }
  // Measured bottom less one line: the joined lines end with a line break.
  void AdjustBounds();

 private:
  void PrepareFont(TFont* F);
  uint32_t Flags() const;

  TbsLabelSkin FSkin;
  std::unique_ptr<TStringList> FLines;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TTextLayout FLayout = TTextLayout::tlTop;
  bool FWordWrap = false;
  bool FUseSkinColor = true;
};
