// The standard controls of the framework. Each windowed one makes a native
// class (stdctrls_native.h) its default handler through CreateParams, does
// every property and method by a message to its own window, turns the
// reflected notifications into events and keeps its values while it has no
// window.
#pragma once

#include <cstdint>

#include <memory>

#include "platform/rtl/graphtypes.h"
#include "platform/rtl/stringlist.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/stdctrls_native.h"

class TCustomForm;

// ---- Buttons -------------------------------------------------------------------------

// The base of push buttons, check boxes and radio buttons.
class TButtonControl : public TWinControl {
 public:
  explicit TButtonControl(TComponent* AOwner);
  const char* ClassName() const override { return "TButtonControl"; }

 protected:
  // Set while the control changes its own check state: no OnClick then.
  bool ClicksDisabled() const { return FClicksDisabled; }
  void SetClicksDisabled(bool Value) { FClicksDisabled = Value; }

 private:
  bool FClicksDisabled = false;
};

class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* AOwner);
  const char* ClassName() const override { return "TButton"; }

  // Enter clicks it unless another button has the focus.
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  // Escape clicks it.
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  // Given to the parent form by Click (before OnClick).
  int32_t ModalResult() const { return FModalResult; }
  void SetModalResult(int32_t Value) { FModalResult = Value; }

  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // Shows the button as the default one (the frame) or not.
  void SetButtonStyle(bool ADefault);

 private:
  void CMFocusChanged(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);

  bool FDefault = false;
  bool FCancel = false;
  bool FActive = false;
  int32_t FModalResult = 0;
};

enum class TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };
using TLeftRight = TAlignment;  // taLeftJustify or taRightJustify

class TCustomCheckBox : public TButtonControl {
 public:
  explicit TCustomCheckBox(TComponent* AOwner);
  const char* ClassName() const override { return "TCustomCheckBox"; }

  TCheckBoxState State() const { return FState; }
  // Fires OnClick when the state changes.
  void SetState(TCheckBoxState Value);
  bool Checked() const { return FState == TCheckBoxState::cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked); }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  // taRightJustify (the default): the caption right of the box.
  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  // The user's click: unchecked -> checked -> grayed (AllowGrayed) -> unchecked.
  virtual void Toggle();

 private:
  TCheckBoxState FState = TCheckBoxState::cbUnchecked;
  bool FAllowGrayed = false;
  TLeftRight FAlignment = TAlignment::taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
 public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
  const char* ClassName() const override { return "TCheckBox"; }
};

class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  const char* ClassName() const override { return "TRadioButton"; }

  bool Checked() const { return FChecked; }
  // True unchecks the other radio buttons of the parent and fires OnClick.
  void SetChecked(bool Value);
  TLeftRight Alignment() const { return FAlignment; }
  void SetAlignment(TLeftRight Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  bool FChecked = false;
  TLeftRight FAlignment = TAlignment::taRightJustify;
};

// ---- Static text ------------------------------------------------------------------------

enum class TStaticBorderStyle : uint8_t { sbsNone, sbsSingle, sbsSunken };

// A caption in a window of its own ("Static").
class TCustomStaticText : public TWinControl {
 public:
  explicit TCustomStaticText(TComponent* AOwner);
  const char* ClassName() const override { return "TCustomStaticText"; }

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TStaticBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TStaticBorderStyle Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  // Its accelerator focuses this control.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void AdjustSize() override;

 private:
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TStaticBorderStyle FBorderStyle = TStaticBorderStyle::sbsNone;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TStaticText : public TCustomStaticText {
 public:
  explicit TStaticText(TComponent* AOwner) : TCustomStaticText(AOwner) {}
  const char* ClassName() const override { return "TStaticText"; }
};

// ---- Labels -------------------------------------------------------------------------------

enum class TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(TComponent* AOwner);
  const char* ClassName() const override { return "TCustomLabel"; }

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // Not transparent: filled with Color first.
  bool Transparent() const { return !ControlStyle().Contains(TControlStyleItem::csOpaque); }
  void SetTransparent(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);

  // An auto-sized label measures itself again.
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual String GetLabelText() { return Caption(); }
  // Draws (or with DT_CALCRECT measures into Rect) the label text on Canvas.
  virtual void DoDrawText(TRect& Rect, uint32_t Flags);
  void Paint() override;
  // Auto-size: measured through DoDrawText; a right-justified label keeps its right edge.
  void AdjustSize() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TTextLayout FLayout = TTextLayout::tlTop;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
  bool FAdjusting = false;
};

class TLabel : public TCustomLabel {
 public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
  const char* ClassName() const override { return "TLabel"; }
};

// ---- Edits and memos ------------------------------------------------------------------

enum class TEditCharCase : uint8_t { ecNormal, ecUpperCase, ecLowerCase };
enum class TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);
  const char* ClassName() const override { return "TCustomEdit"; }

  // Select all when entered by keyboard (single-line edits).
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  // bsSingle: a sunken client edge (Ctl3D) or a one-pixel border.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  // Bytes; 0: no limit.
  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t Value);
  bool Modified();
  void SetModified(bool Value);
  // 0: plain text.
  char32_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char32_t Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  // Byte offsets into the UTF-8 text.
  int32_t SelStart();
  void SetSelStart(int32_t Value);
  int32_t SelLength();
  void SetSelLength(int32_t Value);
  String SelText();
  void SetSelText(const String& Value);
  void SelectAll();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  bool CanUndo();
  void ClearUndo();

  void Dispatch(TMessage& Message) override;
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // EN_CHANGE: fires OnChange.
  virtual void Change();
  // Height = text height + 8 with a client edge, + 6 with a plain border.
  void AdjustSize() override;

 private:
  bool FAutoSelect = true;
  TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
  bool FCtl3D = true;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  bool FHideSelection = true;
  int32_t FMaxLength = 0;
  bool FModified = false;
  char32_t FPasswordChar = 0;
  bool FReadOnly = false;
  int32_t FSavedSelStart = 0;
  int32_t FSavedSelEnd = 0;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  const char* ClassName() const override { return "TEdit"; }
};

// An edit with an input mask; the mask is stored, an empty one is the plain edit.
class TCustomMaskEdit : public TCustomEdit {
 public:
  explicit TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  const char* ClassName() const override { return "TCustomMaskEdit"; }
  const String& EditMask() const { return FEditMask; }
  void SetEditMask(const String& Value) { FEditMask = Value; }

 private:
  String FEditMask;
};

class TMaskEdit : public TCustomMaskEdit {
 public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
  const char* ClassName() const override { return "TMaskEdit"; }
};

class TCustomMemo : public TCustomEdit {
 public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  const char* ClassName() const override { return "TCustomMemo"; }

  // The lines of the window (CR LF between them); every change is a message.
  TStrings* Lines() const { return FLines.get(); }
  void SetLines(TStrings* Value) { FLines->Assign(Value); }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value) { FWantReturns = Value; }
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyPress(char32_t& Key) override;

 private:
  std::unique_ptr<TStrings> FLines;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  bool FWordWrap = true;
  TScrollStyle FScrollBars = TScrollStyle::ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
};

class TMemo : public TCustomMemo {
 public:
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
  const char* ClassName() const override { return "TMemo"; }
};

// ---- List boxes ------------------------------------------------------------------------

enum class TOwnerDrawStateItem : uint8_t {
  odSelected,
  odGrayed,
  odDisabled,
  odChecked,
  odFocused,
  odDefault,
  odHotLight,
  odInactive,
  odNoAccel,
  odNoFocusRect,
  odComboBoxEdit
};
using TOwnerDrawState = Set<TOwnerDrawStateItem>;
// ODS_* bits of a DRAWITEMSTRUCT as a state.
TOwnerDrawState OwnerDrawStateFromBits(uint32_t Bits);

using TDrawItemEvent =
    std::function<void(TWinControl* Control, int32_t Index, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int32_t Index, int32_t& Height)>;

enum class TListBoxStyle : uint8_t { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

class TCustomListBox : public TWinControl {
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  const char* ClassName() const override { return "TCustomListBox"; }

  // Every operation is a message to the window (made on demand).
  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  // The selected item (the caret item with MultiSelect); -1 for none.
  int32_t ItemIndex();
  void SetItemIndex(int32_t Value);
  bool Selected(int32_t Index);
  void SetSelected(int32_t Index, bool Value);
  int32_t SelCount();
  int32_t TopIndex();
  void SetTopIndex(int32_t Value);
  int32_t ItemHeight();
  void SetItemHeight(int32_t Value);
  TRect ItemRect(int32_t Index);
  // The item at a client point: with Existing -1 outside the items, else
  // the count there.
  int32_t ItemAtPos(const TPoint& Pos, bool Existing);
  int32_t Count() { return FItems->Count(); }

  int32_t Columns() const { return FColumns; }
  void SetColumns(int32_t Value);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool Value);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  int32_t ScrollWidth() const { return FScrollWidth; }
  void SetScrollWidth(int32_t Value);
  int32_t TabWidth() const { return FTabWidth; }
  void SetTabWidth(int32_t Value);
  // Typed characters within 500 ms select the first item with that prefix.
  bool AutoComplete() const { return FAutoComplete; }
  void SetAutoComplete(bool Value) { FAutoComplete = Value; }
  TCanvas* Canvas() const { return FCanvas.get(); }
  void Clear() { FItems->Clear(); }
  void SelectAll();

  void Dispatch(TMessage& Message) override;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void KeyPress(char32_t& Key) override;
  virtual void DrawItem(int32_t Index, const TRect& Rect, TOwnerDrawState State);
  virtual void MeasureItem(int32_t Index, int32_t& Height);
  // Items.Delete and Items.Clear go through these; item data through the other two.
  virtual void DeleteString(int32_t Index);
  virtual void ResetContent();
  virtual uintptr_t GetItemData(int32_t Index);
  virtual void SetItemData(int32_t Index, uintptr_t AData);

 private:
  friend class TListBoxStrings;
  struct TSavedItem {
    String Text;
    uintptr_t Data = 0;
  };
  std::unique_ptr<TStrings> FItems;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::vector<TSavedItem> FSaved;
  bool FHasSaved = false;
  int32_t FSavedIndex = -1;
  int32_t FSavedTop = 0;
  int32_t FColumns = 0;
  bool FSorted = false;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  TListBoxStyle FStyle = TListBoxStyle::lbStandard;
  bool FIntegralHeight = false;
  int32_t FItemHeight = 16;
  int32_t FScrollWidth = 0;
  int32_t FTabWidth = 0;
  bool FAutoComplete = true;
  String FFilter;
  uint64_t FLastTime = 0;
};

class TListBox : public TCustomListBox {
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
  const char* ClassName() const override { return "TListBox"; }
};

// ---- Combo boxes -------------------------------------------------------------------------

enum class TComboBoxStyle : uint8_t { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl {
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  const char* ClassName() const override { return "TCustomComboBox"; }

  // CB_ messages to the window (made on demand).
  TStrings* Items() const { return FItems.get(); }
  void SetItems(TStrings* Value) { FItems->Assign(Value); }
  int32_t ItemIndex();
  // Fires nothing.
  void SetItemIndex(int32_t Value);
  TComboBoxStyle Style() const { return FStyle; }
  // Re-creates the window; the items are kept.
  void SetStyle(TComboBoxStyle Value);
  int32_t DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int32_t Value);
  bool DroppedDown();
  void SetDroppedDown(bool Value);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  int32_t MaxLength() const { return FMaxLength; }
  void SetMaxLength(int32_t Value);
  int32_t ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int32_t Value);
  int32_t SelStart();
  void SetSelStart(int32_t Value);
  int32_t SelLength();
  void SetSelLength(int32_t Value);
  String SelText();
  void SetSelText(const String& Value);
  TCanvas* Canvas() const { return FCanvas.get(); }
  void Clear() { FItems->Clear(); }

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  virtual void DrawItem(int32_t Index, const TRect& Rect, TOwnerDrawState State);
  virtual void MeasureItem(int32_t Index, int32_t& Height);

 private:
  friend class TComboBoxStrings;
  struct TSavedItem {
    String Text;
    uintptr_t Data = 0;
  };
  HWND EditHandle();
  std::unique_ptr<TStrings> FItems;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::vector<TSavedItem> FSaved;
  bool FHasSaved = false;
  int32_t FSavedIndex = -1;
  TComboBoxStyle FStyle = TComboBoxStyle::csDropDown;
  int32_t FDropDownCount = 8;
  bool FSorted = false;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  int32_t FMaxLength = 0;
  int32_t FItemHeight = 16;
};

class TComboBox : public TCustomComboBox {
 public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
  const char* ClassName() const override { return "TComboBox"; }
};
