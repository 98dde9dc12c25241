// The skinned progress window: a label, a skinned gauge and an optional
// Cancel button, shown on top while the caller keeps working (the caller
// pumps messages) or modally; reaching MaxValue closes it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vcl/forms.h"
#include "skin/engine/data/skindata.h"

class TbsSkinGauge;
class TbsSkinStdLabel;

enum class TbsPDShowType : uint8_t { stStayOnTop, stModal };

// The window's layout in dialog units of the average character width CW
// and height CH.
struct TbsProgressGeometry {
  int32_t ClientWidth, LabelLeft, LabelTop, LabelMaxWidth, ButtonHeight;
};
TbsProgressGeometry ProgressDialogGeometry(int32_t CW, int32_t CH);

class TbsSkinProgressDialog : public TComponent {
 public:
  explicit TbsSkinProgressDialog(TComponent* AOwner);
  // A window still shown is freed with its component.
  ~TbsSkinProgressDialog() override;
  const char* ClassName() const override { return "TbsSkinProgressDialog"; }

  // Builds and shows the window unless it is shown. Modal: answers whether
  // the gauge reached its maximum (the Cancel button answers false);
  // stay on top: returns at once with false.
  bool Execute(bool CancelEnabled);
  int32_t Value() const { return FValue; }
  // Moves the gauge of a shown window; at the maximum the window ends.
  void SetValue(int32_t Value);

  bool ShowCancelButton = true;
  bool ShowCloseButton = true;
  TbsPDShowType ShowType = TbsPDShowType::stStayOnTop;
  String Caption = "Process";
  String LabelCaption;
  bool ShowPercent = true;
  int32_t MinValue = 0;
  int32_t MaxValue = 100;
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  uint8_t AlphaBlendValue = 200;
  String ButtonSkinDataName = "button";
  String LabelSkinDataName = "stdlabel";
  String GaugeSkinDataName = "gauge";
  bool UseSkinFont = true;
  TNotifyEvent OnShow;
  TNotifyEvent OnCancel;

  TbsSkinData* SkinData() const { return FSkinData; }
  void SetSkinData(TbsSkinData* Value) { SetReference(FSkinData, Value); }
  TbsSkinData* CtrlSkinData() const { return FCtrlSkinData; }
  void SetCtrlSkinData(TbsSkinData* Value) { SetReference(FCtrlSkinData, Value); }
  TFont* DefaultLabelFont() const { return FDefaultLabelFont.get(); }
  void SetDefaultLabelFont(TFont* Value) { FDefaultLabelFont->Assign(Value); }
  TFont* DefaultButtonFont() const { return FDefaultButtonFont.get(); }
  void SetDefaultButtonFont(TFont* Value) { FDefaultButtonFont->Assign(Value); }
  TFont* DefaultGaugeFont() const { return FDefaultGaugeFont.get(); }
  void SetDefaultGaugeFont(TFont* Value) { FDefaultGaugeFont->Assign(Value); }

  // The window while shown (nullptr otherwise) and its gauge.
  TForm* Window() const { return FForm.Get(); }
  TbsSkinGauge* Gauge() const { return FGauge; }
  bool Shown() const { return FShown; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  template <class T>
  void SetReference(T*& Field, T* Value) {
    if (Field == Value) return;
    if (Field != nullptr) Field->RemoveFreeNotification(this);
    Field = Value;
    if (Field != nullptr) Field->FreeNotification(this);
  }
  TForm* BuildWindow(bool CancelEnabled);
  void AddCancelButton(TForm* F, bool CancelEnabled, int32_t ButtonH);
  bool RunModal(TForm* F);
  void WindowClose(TObject* Sender, TCloseAction& Action);
  void Forget();
  bool Completed() const { return FValue >= MaxValue; }

  int32_t FValue = 0;
  bool FShown = false;
  TComponentRef<TForm> FForm;
  TbsSkinGauge* FGauge = nullptr;
  TbsSkinStdLabel* FLabel = nullptr;
  String FCancelText;
  TbsSkinData* FSkinData = nullptr;
  TbsSkinData* FCtrlSkinData = nullptr;
  std::unique_ptr<TFont> FDefaultLabelFont, FDefaultButtonFont, FDefaultGaugeFont;
};
