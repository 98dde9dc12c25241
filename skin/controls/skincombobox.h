// The skinned combo box: a frame with a drop-down button and the selected
// item drawn from the skin's "combobox" description (or a plain look), that
// drops down a TbsPopupListBox without taking the activation. The fixed
// style shows the selected item and searches by typed letters; the edit
// style embeds a TbsCustomEdit that completes typed text from the items.
#pragma once

#include <cstdint>

#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/popuplistbox.h"
#include "skin/controls/skinedit.h"
#include "skin/controls/skinlistbox.h"

enum class TbsSkinCustomComboBoxStyle : uint8_t { bscbEditStyle, bscbFixedStyle };

class TbsSkinCustomComboBox : public TbsSkinCustomControl, public IbsPopupListOwner {
 public:
  explicit TbsSkinCustomComboBox(TComponent* AOwner);
  ~TbsSkinCustomComboBox() override;
  const char* ClassName() const override { return "TbsSkinCustomComboBox"; }

  // ---- The drop-down's alpha settings ----
  bool AlphaBlend() const override { return FAlphaBlend; }
  void SetAlphaBlend(bool Value) { FAlphaBlend = Value; }
  uint8_t AlphaBlendValue() const override { return FAlphaBlendValue; }
  void SetAlphaBlendValue(uint8_t Value) { FAlphaBlendValue = Value; }
  bool AlphaBlendAnimation() const override { return FAlphaBlendAnimation; }
  void SetAlphaBlendAnimation(bool Value) { FAlphaBlendAnimation = Value; }

  // ---- Selection and list ----
  int32_t ItemIndex() const { return FListBox->ItemIndex(); }
  int32_t GetItemIndex() const { return ItemIndex(); }
  void SetItemIndex(int32_t Value);
  TStrings* Items() const { return FListBox->Items(); }
  TStrings* GetItems() const { return Items(); }
  void SetItems(TStrings* Value) { FListBox->Items()->Assign(Value); }
  bool GetDroppedDown() const { return FListBox != nullptr && FListBox->Visible(); }
  virtual void DropDown();
  void CloseUp(bool Accept);
  virtual void Change() {}

  TbsSkinCustomComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TbsSkinCustomComboBoxStyle Value);
  int32_t DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int32_t Value);
  int32_t ListBoxWidth() const { return FListBoxWidth; }
  void SetListBoxWidth(int32_t Value) { FListBoxWidth = Value; }
  bool AutoComplete() const { return FAutoComplete; }
  void SetAutoComplete(bool Value) { FAutoComplete = Value; }
  TColor DefaultColor() const { return FDefaultColor; }
  void SetDefaultColor(TColor Value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }

  // ---- Forwarded to the drop-down list ----
  String ListBoxCaption() { return FListBox->Caption(); }
  void SetListBoxCaption(const String& Value) { FListBox->SetCaption(Value); }
  bool ListBoxCaptionMode() const { return FListBox->CaptionMode(); }
  void SetListBoxCaptionMode(bool Value) { FListBox->SetCaptionMode(Value); }
  TFont* ListBoxDefaultFont() const { return FListBox->DefaultFont(); }
  void SetListBoxDefaultFont(TFont* Value) { FListBox->DefaultFont()->Assign(Value); }
  TFont* ListBoxDefaultCaptionFont() const { return FListBox->DefaultCaptionFont(); }
  void SetListBoxDefaultCaptionFont(TFont* Value) { FListBox->SetDefaultCaptionFont(Value); }
  int32_t ListBoxDefaultItemHeight() const { return FListBox->DefaultItemHeight(); }
  void SetListBoxDefaultItemHeight(int32_t Value) { FListBox->SetDefaultItemHeight(Value); }
  TAlignment ListBoxCaptionAlignment() const { return FListBox->Alignment(); }
  void SetListBoxCaptionAlignment(TAlignment Value) { FListBox->SetAlignment(Value); }
  bool ListBoxUseSkinFont() const { return FListBox->UseSkinFont(); }
  void SetListBoxUseSkinFont(bool Value) { FListBox->SetUseSkinFont(Value); }
  bool ListBoxUseSkinItemHeight() const { return FListBox->UseSkinItemHeight(); }
  void SetListBoxUseSkinItemHeight(bool Value) { FListBox->SetUseSkinItemHeight(Value); }
  bool HorizontalExtent() const { return FListBox->HorizontalExtent(); }
  void SetHorizontalExtent(bool Value) { FListBox->SetHorizontalExtent(Value); }
  bool Sorted() const { return FListBox->Sorted(); }
  void SetSorted(bool Value) { FListBox->SetSorted(Value); }
  TStrings* TabWidths() const { return FListBox->TabWidths(); }
  void SetTabWidths(TStrings* Value) { FListBox->SetTabWidths(Value); }
  TCustomImageList* Images() const { return FListBox->Images(); }
  void SetImages(TCustomImageList* Value);
  int32_t ImageIndex() const { return FListBox->ImageIndex(); }
  void SetImageIndex(int32_t Value);
  const TbsDrawSkinItemEvent& OnListBoxDrawItem() const { return FOnListBoxDrawItem; }
  void SetOnListBoxDrawItem(TbsDrawSkinItemEvent Value);

  TbsPopupListBox* ListBox() const { return FListBox; }
  TbsCustomEdit* Edit() const { return FEdit; }
  const TRect& ButtonRect() const { return FButtonRect; }
  const TRect& ItemAreaRect() const { return FItemAreaRect; }

  void Invalidate() override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void DefaultFontChanged() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  void SetControlRegion() override;
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnClick;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnDropDown;
  TbsDrawSkinItemEvent OnComboBoxDrawItem;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void EditWindowProcHook(TMessage& Message);

 private:
  // ---- Behaviour (skincombobox.cpp) ----
  void CalcRects();
  void ListBoxWindowProcHook(TMessage& Message);
  void ListBoxMouseMove(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y);
  void TrackListBox(int32_t X, int32_t Y);
  void StartAutoScroll(int32_t Mode);
  void StopAutoScroll();
  void WMTimer(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void CMCancelMode(TMessage& Message);
  void EraseBackground(TMessage& Message);
  bool IsOwnPart(TControl* Sender) const;
  void SetListIndex(int32_t Value) { FListBox->SetItemIndex(Value); }
  int32_t FindItem(int32_t After, const String& S) const;
  void PageList(bool Up, bool ThroughItemIndex);
  void CreateEditControl();
  void FreeEditControl();
  void EditChange();
  void EditCancelMode(TObject* Sender);
  bool EditKeyDown(uint16_t Key);
  void EditSelect(bool Next, bool UpdateText);
  void AutoCompleteText();
  void SetEditFontColor(TColor Color);
  void ApplyEditFont();
  TColor DisabledFontColor() const;
  bool Hot() const;
  // The skin has a hot look.
  bool ActiveLook() const;

  // ---- Painting (skincombobox_paint.cpp) ----
  int32_t ShownIndex() const;
  void DrawButton(TCanvas* C);
  void DrawSkinButton(TCanvas* C);
  void DrawDefaultItem(TCanvas* C);
  void DrawSkinItem(TCanvas* C);
  void DrawStretchItem(TCanvas* C);
  void FinishSkinItem(TCanvas* c, TBitmap& b, const TRect& T);
  void DrawItemContent(TCanvas* C, int32_t Index, TRect T);
  void SetItemFont(TCanvas* C, bool Skinned);

  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  TColor FDefaultColor = clWindow;
  bool FUseSkinSize = true;
  bool FListTracking = false;
  int32_t FRepeatAction = 0;
  int32_t FListBoxWidth = 0;
  bool FHideSelection = true;
  uint32_t FLastKeyTick = 0;
  String FSearchText;
  bool FAutoComplete = true;
  bool FAlphaBlend = false, FAlphaBlendAnimation = false;
  uint8_t FAlphaBlendValue = 0;
  TbsSkinCustomComboBoxStyle FStyle = TbsSkinCustomComboBoxStyle::bscbFixedStyle;
  TbsDrawSkinItemEvent FOnListBoxDrawItem;
  bool FPointerInside = false;
  int32_t FPrevItemIndex = -1;
  int32_t FDropDownCount = 8;
  bool FDropPressed = false;
  TWndMethod FOldListBoxWProc;
  TWndMethod FOldEditWProc;
  TbsPopupListBox* FListBox = nullptr;
  TRect FItemAreaRect;
  TOwnerDrawState FItemState;
  TRect FButtonRect;
  bool FMouseInButton = false, FButtonDown = false;
  TbsCustomEdit* FEdit = nullptr;
  bool FEditChanging = false;
  // True while the box itself writes the edit part's text.
  bool FEditFromBox = false;

  // The copy of the "combobox" description.
  TRect FActiveSkinRect;
  TColor FActiveFontColor = 0;
  String FSkinFontName = "Arial";
  TFontStyles FSkinFontStyle;
  int32_t FSkinFontHeight = 14;
  TRect FSItemRect, FFocusItemRect, FActiveItemRect;
  int32_t FItemLeftOffset = 0, FItemRightOffset = 0;
  TRect FItemTextRect;
  TColor FFontColor = 0, FFocusFontColor = 0;
  TRect FSButtonRect, FSActiveButtonRect, FSDownButtonRect, FSUnEnabledButtonRect;
  String FListBoxName;
  bool FItemStretchEffect = false, FFocusItemStretchEffect = false;
  bool FShowFocus = false;
};

class TbsSkinComboBox : public TbsSkinCustomComboBox {
 public:
  explicit TbsSkinComboBox(TComponent* AOwner) : TbsSkinCustomComboBox(AOwner) {}
  const char* ClassName() const override { return "TbsSkinComboBox"; }
};
