// The skinned list box: a frame drawn from the skin's "listbox" description
// that owns an inner owner-drawn list (the items, selection and native
// scrolling), a main skinned scroll bar standing in for the list's own
// (horizontal with columns), an optional horizontal bar for items wider than
// the list, and in caption mode a caption bar with up, down and check buttons.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/stringlist.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/scrollbar.h"

class TbsSkinCustomListBox;

// Replaces the drawing of an item's text and image.
using TbsDrawSkinItemEvent = std::function<void(TCanvas* Cnvs, int32_t Index, int32_t ItemWidth, int32_t ItemHeight,
                                                TRect TxtRect, TOwnerDrawState State)>;

// The inner list: the platform's list box with every item, the empty area
// and the background painted from its frame, no border and no native bars,
// every input passed up to the frame.
class TbsListBox : public TListBox {
 public:
  explicit TbsListBox(TComponent* AOwner);
  const char* ClassName() const override { return "TbsListBox"; }

  TbsSkinCustomListBox* SkinListBox() const { return FSkinListBox; }
  void SetSkinListBox(TbsSkinCustomListBox* Value) { FSkinListBox = Value; }
  // Pixels the item text and images are shifted left by.
  int32_t HorzExtent() const { return FHorzExtent; }
  void SetHorzExtent(int32_t Value) { FHorzExtent = Value; }

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void Click() override;
  // The paint state of item Index: 17 for the current item while focused.
  uint32_t GetItemState(int32_t Index);
  // Draws item Index into R of C with the state bits of an owner-draw request.
  void DrawItemTo(TCanvas* C, int32_t Index, const TRect& R, uint32_t State);
  void PaintBackground(HDC DC);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintWindow(HDC DC) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;

 private:
  void AfterMessage(TMessage& Message);
  void WheelScroll(TMessage& Message);
  void AnswerPaintBackground(TMessage& Message);
  void CNDrawItem(TMessage& Message);
  void EraseBackground(TMessage& Message);
  int32_t SafeItemHeight();
  void PaintRows(TCanvas* C);
  void PaintColumns(TCanvas* C);
  void FillRest(TCanvas* C, int32_t Bottom);
  void DrawDefaultItem(TCanvas* C, int32_t Index, const TRect& R, uint32_t State);
  void DrawStretchItem(TCanvas* C, int32_t Index, const TRect& R, uint32_t State);
  void DrawSkinItem(TCanvas* C, int32_t Index, const TRect& R, uint32_t State);
  void SetItemFont(TCanvas* C);
  void DrawContent(TCanvas* C, int32_t Index, int32_t W, int32_t H, const TRect& T, uint32_t State, bool Skinned);

  int32_t FHorzExtent = 0;
  TbsSkinCustomListBox* FSkinListBox = nullptr;
};

class TbsSkinCustomListBox : public TbsSkinCustomControl {
  friend class TbsListBox;

 public:
  explicit TbsSkinCustomListBox(TComponent* AOwner);
  ~TbsSkinCustomListBox() override;
  const char* ClassName() const override { return "TbsSkinCustomListBox"; }

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void DefaultFontChanged() override;
  void Dispatch(TMessage& Message) override;

  virtual int32_t GetItemWidth(int32_t Index, TCanvas* Canvas);
  // Called by the inner list; they raise the OnListBox* events with the
  // frame as sender.
  virtual void ListBoxMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void ListBoxMouseMove(TShiftState Shift, int32_t X, int32_t Y);
  virtual void ListBoxMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void ListBoxClick();
  virtual void ListBoxDblClick();
  virtual void ListBoxKeyDown(uint16_t& Key, TShiftState Shift);
  virtual void ListBoxKeyUp(uint16_t& Key, TShiftState Shift);
  virtual void ListBoxKeyPress(char32_t& Key);
  virtual void ListBoxEnter() {}
  virtual void ListBoxExit() {}
  // Runs before the inner list processes any message; Handled lets it through.
  virtual void ListBoxWProc(TMessage&, bool& Handled) { Handled = true; }
  virtual void ListBoxCreateWnd() {}

  // Keeps the skinned scroll bars in step with the inner list.
  void UpdateScrollBars();
  // Lays the children out for the current size.
  void CalcListRects();
  int32_t CalcHeight(int32_t Rows);

  TbsListBox* ListBox() const { return FListBox; }
  TbsSkinScrollBar* ScrollBar() const { return FScrollBar; }
  TbsSkinScrollBar* HScrollBar() const { return FHScrollBar; }
  const TRect& ListBoxRect() const { return FListBoxRect; }
  // Caption button i (0 up, 1 down, 2 check) in control coordinates.
  TRect ButtonRect(int32_t i) const { return FButtons[i].R; }

  // ---- Forwarded to the inner list ----
  TStrings* Items() const { return FListBox->Items(); }
  void SetItems(TStrings* Value);
  int32_t ItemIndex() { return FListBox->ItemIndex(); }
  void SetItemIndex(int32_t Value) { FListBox->SetItemIndex(Value); }
  bool MultiSelect() const { return FListBox->MultiSelect(); }
  void SetMultiSelect(bool Value) { FListBox->SetMultiSelect(Value); }
  bool ExtandedSelect() const { return FListBox->ExtendedSelect(); }
  void SetExtandedSelect(bool Value) { FListBox->SetExtendedSelect(Value); }
  bool AutoComplete() const { return FListBox->AutoComplete(); }
  void SetAutoComplete(bool Value) { FListBox->SetAutoComplete(Value); }
  int32_t Columns() const { return FListBox->Columns(); }
  void SetColumns(int32_t Value);
  bool Sorted() const { return FListBox->Sorted(); }
  void SetSorted(bool Value);
  TFont* ListBoxFont() const { return FListBox->Font(); }
  void SetListBoxFont(TFont* Value) { FListBox->Font()->Assign(Value); }
  TTabOrder ListBoxTabOrder() const { return FListBox->TabOrder(); }
  void SetListBoxTabOrder(TTabOrder Value) { FListBox->SetTabOrder(Value); }
  bool ListBoxTabStop() const { return FListBox->TabStop(); }
  void SetListBoxTabStop(bool Value) { FListBox->SetTabStop(Value); }
  TDragMode ListBoxDragMode() const { return FListBox->DragMode(); }
  void SetListBoxDragMode(TDragMode Value) { FListBox->SetDragMode(Value); }
  TCursor ListBoxDragCursor() const { return FListBox->DragCursor(); }
  void SetListBoxDragCursor(TCursor Value) { FListBox->SetDragCursor(Value); }
  TPopupMenu* ListBoxPopupMenu() const { return FListBox->PopupMenu(); }
  template <class TMenuClass>
  void SetListBoxPopupMenu(TMenuClass* Value) {
    FListBox->SetPopupMenu(Value);
  }
  // The list's own drag events (sender: the list).
  TDragDropEvent& OnListBoxDragDrop() { return FListBox->OnDragDrop; }
  TDragOverEvent& OnListBoxDragOver() { return FListBox->OnDragOver; }
  TStartDragEvent& OnListBoxStartDrag() { return FListBox->OnStartDrag; }
  TEndDragEvent& OnListBoxEndDrag() { return FListBox->OnEndDrag; }
  void SetTopIndex(int32_t Index) { FListBox->SetTopIndex(Index); }
  int32_t ItemAtPos(const TPoint& Pos, bool Existing) { return FListBox->ItemAtPos(Pos, Existing); }

  // ---- Own properties ----
  TStrings* TabWidths() const { return FTabWidths.get(); }
  void SetTabWidths(TStrings* Value);
  bool UseSkinItemHeight() const { return FUseSkinItemHeight; }
  void SetUseSkinItemHeight(bool Value) { FUseSkinItemHeight = Value; }
  bool HorizontalExtent() const { return FHorizontalExtent; }
  void SetHorizontalExtent(bool Value);
  int32_t RowCount() const { return FRowCount; }
  void SetRowCount(int32_t Value);
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  int32_t NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int32_t Value);
  int32_t Spacing() const { return FSpacing; }
  void SetSpacing(int32_t Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  int32_t ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  bool CaptionMode() const { return FCaptionMode; }
  void SetCaptionMode(bool Value);
  int32_t DefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  void SetDefaultCaptionHeight(int32_t Value);
  TFont* DefaultCaptionFont() const { return FDefaultCaptionFont.get(); }
  void SetDefaultCaptionFont(TFont* Value) { FDefaultCaptionFont->Assign(Value); }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int32_t DefaultItemHeight() const { return FDefaultItemHeight; }
  void SetDefaultItemHeight(int32_t Value);

  TNotifyEvent OnUpButtonClick;
  TNotifyEvent OnDownButtonClick;
  TNotifyEvent OnCheckButtonClick;
  TNotifyEvent OnListBoxClick;
  TNotifyEvent OnListBoxDblClick;
  TMouseEvent OnListBoxMouseDown;
  TMouseMoveEvent OnListBoxMouseMove;
  TMouseEvent OnListBoxMouseUp;
  TKeyEvent OnListBoxKeyDown;
  TKeyPressEvent OnListBoxKeyPress;
  TKeyEvent OnListBoxKeyUp;
  TbsDrawSkinItemEvent OnDrawItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

  // The copy of the "listbox" description.
  String FSkinFontName = "Arial";
  TFontStyles FSkinFontStyle;
  int32_t FSkinFontHeight = 14;
  TRect FSItemRect, FActiveItemRect, FFocusItemRect;
  int32_t FItemLeftOffset = 0, FItemRightOffset = 0;
  TRect FItemTextRect;
  TColor FFontColor = 0, FActiveFontColor = 0, FFocusFontColor = 0;
  TRect FSkinCaptionRect;
  String FCaptionFontName = "Arial";
  TFontStyles FCaptionFontStyle;
  int32_t FCaptionTextHeight = 14;
  TColor FCaptionFontColor = 0;
  TRect FUpButtonRect, FActiveUpButtonRect, FDownUpButtonRect;
  TRect FDownButtonRect, FActiveDownButtonRect, FDownDownButtonRect;
  TRect FCheckButtonRect, FActiveCheckButtonRect, FDownCheckButtonRect;
  String FVScrollBarName = "vscrollbar", FHScrollBarName = "hscrollbar", FBothScrollBarName = "bothhscrollbar";
  bool FShowFocus = false;

 private:
  struct TCaptionButton {
    TRect R;
    bool MouseIn = false;
    bool Down = false;
  };

  TRect BarRect(TbsSkinScrollBar* Bar) const;
  int32_t PlaceHScrollBar();
  void PlaceMainBar(int32_t C, int32_t B, TRect& L);
  void UpdateHorizontalExtent();
  bool UpdateVerticalBar();
  bool UpdateColumnsBar();
  void ShowMainBar(int32_t Min, int32_t Max, int32_t Page, int32_t Position);
  void CreateMainBar();
  void CreateHScrollBar();
  void RemoveMainBar();
  void RemoveHScrollBar();
  void ScrollBarChange(TObject* Sender);
  void HScrollBarChange(TObject* Sender);
  void SetBarNames(TbsSkinScrollBar* Bar, bool Horizontal);
  void SetBothNames(TbsSkinScrollBar* Bar);

  void PlacePlainButtons(int32_t W);
  void PlaceSkinButtons(int32_t W, int32_t H);
  void DrawCaptionText(TCanvas* C, const TRect& R, int32_t Y, bool Skinned);
  void DrawButton(TCanvas* C, int32_t i);
  void DrawPlainButton(TCanvas* C, int32_t i);
  void RedrawButton(int32_t i);
  void TestActive(int32_t X, int32_t Y);
  void ButtonDown(int32_t i);
  void ButtonUp(int32_t i);
  void ButtonEnter(int32_t i);
  void ButtonLeave(int32_t i);
  TNotifyEvent& ButtonEvent(int32_t i);
  void StepItem(int32_t Delta);
  void StopRepeat();
  void WMTimer(TMessage& Message);
  void WMSize(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void FrameMouseEnter(TMessage& Message);
  void FrameMouseLeave(TMessage& Message);
  void ListChanged();

  std::unique_ptr<TStringList> FTabWidths;
  bool FUseSkinItemHeight = true;
  bool FHorizontalExtent = false;
  bool FInChangeSkinData = false;
  int32_t FRowCount = 0;
  std::unique_ptr<TBitmap> FGlyph;
  int32_t FNumGlyphs = 1;
  int32_t FSpacing = 2;
  TCustomImageList* FImages = nullptr;
  int32_t FImageIndex = -1;
  int32_t FDefaultItemHeight = 20;
  int32_t FDefaultCaptionHeight = 20;
  std::unique_ptr<TFont> FDefaultCaptionFont;
  TRect FListRect;
  TRect FListBoxRect;
  bool FCaptionMode = false;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TCaptionButton FButtons[3];
  int32_t FOldActiveButton = -1, FActiveButton = -1, FCaptureButton = -1;
  TRect FCaptionRect;
  int32_t FRepeatAction = 0;
  bool FWaitMode = false;
  TbsSkinScrollBar* FScrollBar = nullptr;
  TbsSkinScrollBar* FHScrollBar = nullptr;
  TbsListBox* FListBox = nullptr;
};

class TbsSkinListBox : public TbsSkinCustomListBox {
 public:
  explicit TbsSkinListBox(TComponent* AOwner) : TbsSkinCustomListBox(AOwner) {}
  const char* ClassName() const override { return "TbsSkinListBox"; }
};
