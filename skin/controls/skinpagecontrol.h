// The skinned page control and its pages: the platform page control drawn
// from the skin's tab description (page frame, tab row, hot tracking, tabs
// on any side, a skinned scroller), and tab sheets that paint their
// background from the same description or from a wallpaper.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vcl/comctrls_tabs.h"
#include "skin/controls/base/skinintf.h"
#include "skin/controls/skintabs.h"

class TbsSkinPageControl : public TPageControl, public IbsSkinAware, private IbsSkinTabItems {
 public:
  explicit TbsSkinPageControl(TComponent* AOwner);
  ~TbsSkinPageControl() override;
  const char* ClassName() const override { return "TbsSkinPageControl"; }

  TbsSkinData* SkinData() const override { return FTabs.SkinData; }
  void SetSkinData(TbsSkinData* Value) override;
  void ChangeSkinData() override;
  const String& SkinDataName() const { return FTabs.SkinDataName; }
  void SetSkinDataName(const String& Value) { FTabs.SkinDataName = Value; }
  bool TabsBGTransparent() const { return FTabs.TabsBGTransparent; }
  void SetTabsBGTransparent(bool Value);
  TFont* DefaultFont() const { return FTabs.DefaultFont.get(); }
  void SetDefaultFont(TFont* Value) { FTabs.DefaultFont->Assign(Value); }
  bool UseSkinFont() const { return FTabs.UseSkinFont; }
  void SetUseSkinFont(bool Value) { FTabs.UseSkinFont = Value; }
  int32_t DefaultItemHeight() const { return FTabs.DefaultItemHeight; }
  void SetDefaultItemHeight(int32_t Value);
  TbsDrawSkinTabEvent& OnDrawSkinTab() { return FTabs.OnDrawSkinTab; }

  // Re-applies the tab height after TabHeight or the skin changed.
  void UpdateTabSize();
  void SetTabSize(int32_t W, int32_t H) { FTabs.SetTabSize(W, H); }
  // Visible tab I's rectangle.
  TRect GetTabRect(int32_t I) { return FTabs.GetTabRect(I); }
  int32_t HiddenTabCount() { return FTabs.HiddenTabCount(); }
  int32_t ScrolledTabCount() { return FTabs.ScrolledTabCount(); }
  void UpdateScroller() { FTabs.UpdateScroller(true); }
  TbsSkinUpDown* Scroller() const { return FTabs.Scroller(); }
  // The visible tab under the mouse and its page (-1 none).
  int32_t HotTab() const { return FTabs.HotTab(); }
  int32_t HotPage() const { return FTabs.HotItem(); }
  int32_t SkinIndex() const { return FTabs.SkinIndex(); }
  // The sheets' background, by the description (nullptr: the plain look).
  TbsSkinTabs& Painter() { return FTabs; }

  void Loaded() override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void PaintWindow(HDC DC) override;
  void Change() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  int32_t VisibleTabCount() override;
  int32_t ItemOfTab(int32_t Tab) override;
  int32_t ItemCount() override { return PageCount(); }
  String ItemText(int32_t Item) override;
  int32_t ItemImageIndex(int32_t Item) override;
  bool ItemEnabled(int32_t Item) override;
  void WMEraseBkgnd(TMessage& Message);
  void ApplyTabSize(int32_t H);

  TbsSkinTabs FTabs;
};

class TbsSkinCustomTabSheet : public TTabSheet {
 public:
  explicit TbsSkinCustomTabSheet(TComponent* AOwner);
  ~TbsSkinCustomTabSheet() override;
  const char* ClassName() const override { return "TbsSkinCustomTabSheet"; }

  TBitmap* WallPaper() const { return FWallPaper.get(); }
  void SetWallPaper(TBitmap* Value);
  void Dispatch(TMessage& Message) override;
  // The background into C: wallpaper, skin picture, client part or the plain colour.
  void PaintBackground(TCanvas* C);

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  void WMEraseBkgnd(TMessage& Message);
  void WMSize(TMessage& Message);

  std::unique_ptr<TBitmap> FWallPaper;
};

class TbsSkinTabSheet : public TbsSkinCustomTabSheet {
 public:
  explicit TbsSkinTabSheet(TComponent* AOwner) : TbsSkinCustomTabSheet(AOwner) {}
  const char* ClassName() const override { return "TbsSkinTabSheet"; }
};
