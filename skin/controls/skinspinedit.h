// The skinned spin edit: a number field whose inner editor (TbsSkinNumEdit)
// shows a Double as an integer or with Decimal fixed digits, stepped by two
// buttons, the arrow keys and the wheel, and parsed and clamped while typed.
// Drawn from the skin's "spinedit" description or in a plain look.
#pragma once

#include <cstdint>
#include <functional>

#include "skin/controls/arrowbuttons.h"
#include "skin/controls/base/skinctrls.h"
#include "skin/controls/skinedit.h"

enum class TbsValueType : uint8_t { vtInteger, vtFloat };

class TbsSkinNumEdit : public TbsCustomEdit {
 public:
  explicit TbsSkinNumEdit(TComponent* AOwner) : TbsCustomEdit(AOwner) {}
  const char* ClassName() const override { return "TbsSkinNumEdit"; }
  void Dispatch(TMessage& Message) override;

  bool EditorEnabled() const { return FEditorEnabled; }
  void SetEditorEnabled(bool Value) { FEditorEnabled = Value; }

  TNotifyEvent FIncreaseHandler, FDecreaseHandler, FEnterHandler, FLeaveHandler;
  bool FFloat = false;

 protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;

 private:
  bool Accepts(char32_t Key);
  bool FEditorEnabled = true;
};

class TbsSkinSpinEdit : public TbsSkinCustomControl {
 public:
  explicit TbsSkinSpinEdit(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinSpinEdit"; }

  void Invalidate() override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void DefaultFontChanged() override;
  void CalcSize(int32_t& AWidth, int32_t& AHeight) override;
  void SetControlRegion() override;
  void Dispatch(TMessage& Message) override;

  double Value() const { return FValue; }
  // Clamps (unless the bounds are equal), shows the value and fires
  // OnChange on every outer call; a call from inside OnChange only
  // rewrites the editor.
  void SetValue(double AValue);
  double MinValue() const { return FMinValue; }
  void SetMinValue(double AValue);
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double AValue);
  double Increment() const { return FIncrement; }
  void SetIncrement(double AValue) { FIncrement = AValue; }
  TbsValueType ValueType() const { return FValueType; }
  void SetValueType(TbsValueType AValue);
  uint8_t Decimal() const { return FDecimal; }
  void SetDecimal(uint8_t AValue) { FDecimal = AValue; }
  TColor DefaultColor() const { return FDefaultColor; }
  void SetDefaultColor(TColor AValue);
  bool UseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool AValue) { FUseSkinSize = AValue; }
  bool EditorEnabled() const { return FEditor->EditorEnabled(); }
  void SetEditorEnabled(bool AValue) { FEditor->SetEditorEnabled(AValue); }
  int32_t MaxLength() const { return FEditor->MaxLength(); }
  void SetMaxLength(int32_t AValue) { FEditor->SetMaxLength(AValue); }

  TbsSkinNumEdit* Editor() const { return FEditor; }
  const TbsArrowButtonPair::TButton& Button(int32_t Index) const { return FPair.Buttons[Index]; }
  // The value as shown.
  String FormatValue(double AValue) const;

  TNotifyEvent OnChange;
  TKeyEvent OnEditKeyDown, OnEditKeyUp;
  TKeyPressEvent OnEditKeyPress;
  TNotifyEvent OnEditEnter, OnEditExit;

 protected:
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  virtual void EditKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  virtual void EditKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
  virtual void EditKeyPress(TObject* Sender, char32_t& Key);
  virtual void EditEnter(TObject* Sender);
  virtual void EditExit(TObject* Sender);
  virtual void Change();

 private:
  double Clamp(double AValue) const;
  bool IsValidText(const String& S) const;
  void EditorChanged();
  void TextChanged(TMessage& Message);
  void WriteEditor(double AValue);
  void StepBy(double Delta) { SetValue(FValue + Delta); }
  void SetHot(bool Active);
  TColor NormalColor() const;
  TColor ActiveColor() const;
  void Layout();
  void PlaceEditor(const TRect& Area);
  void EraseBackground(TMessage& Message);
  void MouseEntered(TMessage& Message);
  void MouseLeft(TMessage& Message);
  void EnabledChanged(TMessage& Message);
  void DrawPlainButton(TCanvas* C, int32_t Index);
  void DrawPictureButton(TCanvas* C, int32_t Index);
  bool Active() const { return FMouseOver || FEditFocused; }

  TbsSkinNumEdit* FEditor = nullptr;
  TbsArrowButtonPair FPair;
  double FValue = 0, FMinValue = 0, FMaxValue = 0, FIncrement = 1;
  TbsValueType FValueType = TbsValueType::vtInteger;
  uint8_t FDecimal = 2;
  TColor FDefaultColor = clWindow;
  bool FUseSkinSize = true;
  bool FMouseOver = false, FEditFocused = false;
  bool FInValueUpdate = false, FFromEditor = false;
  TRect FActiveSkinRect;
  String FSkinFontName;
  TFontStyles FSkinFontStyle;
  int32_t FSkinFontHeight = 14;
  TColor FSkinFontColor = clBlack, FSkinDisabledFontColor = clGrayText, FSkinActiveFontColor = clBlack;
  TRect FUpButtonRect, FActiveUpButtonRect, FDownUpButtonRect;
  TRect FDownButtonRect, FActiveDownButtonRect, FDownDownButtonRect;
  int32_t FLeftCapWidth = 0, FRightCapWidth = 0;
};
