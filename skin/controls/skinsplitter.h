// The platform splitter and bevel with a skinned look: the splitter drawn
// from the skin's three-part splitter picture with a centred gripper and
// sized across its direction to it, the bevel's two colours from the skin's
// bevel description plus a divider mode.
#pragma once

#include <cstdint>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/speedctrls.h"
#include "skin/controls/base/skinintf.h"
#include "skin/engine/data/skindata.h"

class TbsSkinSplitter : public TSplitter, public IbsSkinAware {
 public:
  explicit TbsSkinSplitter(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinSplitter"; }

  TbsSkinData* SkinData() const override { return FSkinData; }
  // Stores the reference, then applies it.
  void SetSkinData(TbsSkinData* Value) override;
  // Looks the description up again and sizes the splitter across its
  // direction: DefaultSize unskinned or transparent, else the skin rect's.
  void ChangeSkinData() override;
  const String& SkinDataName() const { return FSkinDataName; }
  void SetSkinDataName(const String& Value) { FSkinDataName = Value; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  int32_t DefaultSize() const { return FDefaultSize; }
  void SetDefaultSize(int32_t Value) { FDefaultSize = Value; }
  int32_t SkinIndex() const { return FSkinIndex; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;

 private:
  void GetSkinData();
  bool AlongTop() const { return Align() == TAlign::alTop || Align() == TAlign::alBottom; }
  void DrawGripper(TBitmap* B);

  bool FTransparent = false;
  int32_t FDefaultSize = 10;
  int32_t FSkinIndex = -1;
  TbsSkinData* FSkinData = nullptr;
  String FSkinDataName = "vsplitter";
  TPoint FLTPoint, FRTPoint, FLBPoint;
  TRect FSkinRect;
  TBitmap* FSourcePicture = nullptr;
  bool FStretchEffect = false;
  TRect FGripperRect;
  bool FGripperTransparent = false;
  TColor FGripperTransparentColor = 0;
};

class TbsSkinBevel : public TBevel, public IbsSkinAware {
 public:
  explicit TbsSkinBevel(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinBevel"; }

  TbsSkinData* SkinData() const override { return FSkinData; }
  void SetSkinData(TbsSkinData* Value) override;
  // Takes the colours of the description again.
  void ChangeSkinData() override;
  const String& SkinDataName() const { return FSkinDataName; }
  void SetSkinDataName(const String& Value) { FSkinDataName = Value; }
  bool DividerMode() const { return FDividerMode; }
  void SetDividerMode(bool Value);
  // Centred vertically on a tool bar that adjusts its controls.
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  TColor LightColor() const override { return FLightColor; }
  TColor DarkColor() const override { return FDarkColor; }

 private:
  TbsSkinData* FSkinData = nullptr;
  String FSkinDataName = "bevel";
  int32_t FSkinIndex = -1;
  bool FDividerMode = false;
  TColor FLightColor = clBtnHighlight;
  TColor FDarkColor = clBtnShadow;
};
