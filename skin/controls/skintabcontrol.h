// The skinned tab control: the platform tab control (a row of tabs over one
// client area) drawn from the skin's tab description like the skinned page
// control's tabs. It paints its client background on behalf of transparent
// children, which find it through the parent-image painting.
#pragma once

#include <cstdint>

#include "platform/vcl/comctrls_tabs.h"
#include "skin/controls/base/skinintf.h"
#include "skin/controls/skintabs.h"
#include "skin/engine/data/skindraw.h"

class TbsSkinTabControl : public TTabControl,
                          public IbsSkinAware,
                          public IbsClientBackgroundPainter,
                          private IbsSkinTabItems {
 public:
  explicit TbsSkinTabControl(TComponent* AOwner);
  ~TbsSkinTabControl() override;
  const char* ClassName() const override { return "TbsSkinTabControl"; }

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

  void SetTabSize(int32_t W, int32_t H) { FTabs.SetTabSize(W, H); }
  TRect GetTabRect(int32_t I) { return FTabs.GetTabRect(I); }
  int32_t HiddenTabCount() { return FTabs.HiddenTabCount(); }
  int32_t ScrolledTabCount() { return FTabs.ScrolledTabCount(); }
  void UpdateScroller() { FTabs.UpdateScroller(false); }
  TbsSkinUpDown* Scroller() const { return FTabs.Scroller(); }
  int32_t HotTab() const { return FTabs.HotTab(); }
  int32_t SkinIndex() const { return FTabs.SkinIndex(); }

  // The client background into DC: the skin's background picture or client
  // part, or the plain colour.
  void DrawClientBackground(HDC DC);
  void PaintClientBackground(HDC DC) override { DrawClientBackground(DC); }

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
  int32_t VisibleTabCount() override { return Tabs()->Count(); }
  int32_t ItemOfTab(int32_t Tab) override { return Tab; }
  int32_t ItemCount() override { return Tabs()->Count(); }
  String ItemText(int32_t Item) override { return Tabs()->Strings(Item); }
  int32_t ItemImageIndex(int32_t Item) override { return Item; }
  bool ItemEnabled(int32_t) override { return true; }
  void ApplyTabSize(int32_t H);
  void PaintSkinFrame(TCanvas* C);
  void WMSize(TMessage& Message);
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);

  TbsSkinTabs FTabs;
  bool FInPaint = false;
};
