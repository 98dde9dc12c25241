// The window-less twins of the skinned control bases: opaque graphic
// controls without region, mask or frame strips, painted on the parent.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/controls/base/skinctrls.h"

class TbsGraphicSkinControl : public TGraphicControl, public IbsSkinAware {
 public:
  explicit TbsGraphicSkinControl(TComponent* AOwner);
  const char* ClassName() const override { return "TbsGraphicSkinControl"; }

  TbsSkinData* SkinData() const override { return FSkinData; }
  void SetSkinData(TbsSkinData* Value) override;
  const String& SkinDataName() const { return FSkinDataName; }
  void SetSkinDataName(const String& Value) { FSkinDataName = Value; }
  int32_t SkinIndex() const { return FSkinIndex; }

  virtual void GetSkinData();
  void ChangeSkinData() override;
  virtual void BeforeChangeSkinData() { FSkinIndex = -1; }
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  void Paint() override;
  virtual void CreateControlDefaultImage(TBitmap*) {}
  virtual void CreateControlSkinImage(TBitmap*) {}
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TbsSkinData* FSkinData = nullptr;
  String FSkinDataName;
  int32_t FSkinIndex = -1;
};

class TbsGraphicSkinCustomControl : public TbsGraphicSkinControl, public TbsSkinGeometry {
 public:
  explicit TbsGraphicSkinCustomControl(TComponent* AOwner);
  ~TbsGraphicSkinCustomControl() override;
  const char* ClassName() const override { return "TbsGraphicSkinCustomControl"; }

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  virtual void DefaultFontChanged() {}
  virtual void CalcSize(int32_t& AWidth, int32_t& AHeight);

  TFont* DefaultFont() const { return FDefaultFont.get(); }
  void SetDefaultFont(TFont* Value);
  int32_t DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int32_t Value);
  int32_t DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int32_t Value);
  bool UseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool Value) { FUseSkinFont = Value; }

 protected:
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void CreateSkinImageFrom(TBitmap* B, TBitmap* Picture, const TRect& R);

  int32_t FDefaultWidth = 0;
  int32_t FDefaultHeight = 0;
  std::unique_ptr<TFont> FDefaultFont;
  bool FUseSkinFont = true;

 private:
  void DefaultFontChange(TObject* Sender);
};
