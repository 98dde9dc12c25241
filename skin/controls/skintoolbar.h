// The skinned tool bar: a panel that holds tool buttons in a row, centres
// its children vertically, hands its skin to its buttons and bevels, shows
// or hides their captions together and, when its content is wider than the
// bar, scrolls it sideways with two small buttons in its non-client area.
#pragma once

#include <cstdint>

#include "skin/controls/skinpanel.h"

// The nine-part image of state rect R of a button description at W x H.
void BuildButtonStateImage(TBitmap* B, TBitmap* Picture, const TbsDataSkinCustomControl& D, const TRect& R, int32_t W,
                           int32_t H);

class TbsSkinToolBar : public TbsSkinPanel, public IbsToolBarHost {
 public:
  // Hit codes of the two scroll buttons.
  static constexpr int32_t HTSCROLLLEFT = 119;
  static constexpr int32_t HTSCROLLRIGHT = 120;
  static constexpr int32_t ScrollButtonWidth = 12;

  explicit TbsSkinToolBar(TComponent* AOwner);
  ~TbsSkinToolBar() override;
  const char* ClassName() const override { return "TbsSkinToolBar"; }

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void GetSkinData() override;
  // Hands the skin to every speed button and bevel on the bar as well.
  void SetSkinData(TbsSkinData* Value) override;
  void Dispatch(TMessage& Message) override;

  bool AdjustControls() const override { return FAdjustControls; }
  void SetAdjustControls(bool Value) { FAdjustControls = Value; }
  TRect AdjustedClientRect() override { return GetAdjustedClientRect(this); }
  TCustomImageList* Images() const override { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* HotImages() const override { return FHotImages; }
  void SetHotImages(TCustomImageList* Value);
  TCustomImageList* DisabledImages() const override { return FDisabledImages; }
  void SetDisabledImages(TCustomImageList* Value);

  bool CanScroll() const { return FCanScroll; }
  void SetCanScroll(bool Value) { FCanScroll = Value; }
  bool HotScroll() const { return FHotScroll; }
  void SetHotScroll(bool Value) { FHotScroll = Value; }
  int32_t ScrollOffset() const { return FScrollOffset; }
  void SetScrollOffset(int32_t Value);
  int32_t ScrollTimerInterval() const { return FScrollTimerInterval; }
  void SetScrollTimerInterval(int32_t Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool Value);
  bool AutoShowHideCaptions() const { return FAutoShowHideCaptions; }
  void SetAutoShowHideCaptions(bool Value) { FAutoShowHideCaptions = Value; }
  int32_t WidthWithCaptions() const { return FWidthWithCaptions; }
  void SetWidthWithCaptions(int32_t Value) { FWidthWithCaptions = Value; }
  int32_t WidthWithoutCaptions() const { return FWidthWithoutCaptions; }
  void SetWidthWithoutCaptions(int32_t Value) { FWidthWithoutCaptions = Value; }

  int32_t ScrollPos() const { return FScrollPos; }
  int32_t ContentWidth() const { return FContentWidth; }
  // Whether the left (0) or right (1) scroll button shows.
  bool ScrollButtonVisible(int32_t Index) const { return FScrollButtons[Index].Visible; }
  // Measures the content again (after children were added or moved).
  void UpdateScrollState() { Measure(); }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void AdjustClientRect(TRect& Rect) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void WndProc(TMessage& Message) override;

 private:
  struct TScrollButton {
    TRect R;
    bool MouseIn = false, Down = false, Visible = false;
  };
  bool Designing() const { return ComponentState().Contains(TComponentStateItem::csDesigning); }
  bool ScrollButtonsShown() const { return FScrollButtons[0].Visible || FScrollButtons[1].Visible; }
  void CentreChildren();
  void Measure();
  void MoveChildren(int32_t DX);
  void ShowScrollButtons(bool Value);
  void ScrollStep(int32_t Mode);
  void StartScrollTimer(int32_t Mode);
  void StopScrollTimer();
  void ClearHotButtons();
  void PaintScrollButtons();
  void DrawScrollButton(TCanvas* C, int32_t Index);
  static int32_t ButtonOfHit(WPARAM Hit);

  void WMSetCursor(TMessage& Message);
  void WMWindowPosChanging(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMNCCalcSize(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void WMNCMouseMove(TMessage& Message);
  void WMNCLButtonDown(TMessage& Message);
  void WMNCLButtonUp(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void WMTimer(TMessage& Message);

  bool FAdjustControls = true;
  bool FCanScroll = false;
  bool FHotScroll = false;
  int32_t FScrollMode = 0;
  int32_t FContentWidth = 0;
  int32_t FScrollPos = 0;
  int32_t FViewWidth = 0;
  int32_t FLastScrollPos = 0;
  int32_t FGrowth = 0;
  int32_t FScrollOffset = 0;
  int32_t FScrollTimerInterval = 50;
  TScrollButton FScrollButtons[2];
  TbsDataSkinButtonControl* FButtonDescription = nullptr;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FDisabledImages = nullptr;
  TCustomImageList* FHotImages = nullptr;
  bool FFlat = false;
  bool FAutoShowHideCaptions = false;
  bool FShowCaptions = false;
  int32_t FWidthWithCaptions = 0;
  int32_t FWidthWithoutCaptions = 0;
  bool FMeasuring = false;
};
