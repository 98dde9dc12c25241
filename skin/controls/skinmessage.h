// The skinned message box: a modal form built in code with the icon of the
// message kind, the text in a skinned label, a row of skinned buttons and,
// on request, a "do not show again" check box.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/vcl/dialogs_msgbox.h"
#include "platform/vcl/forms.h"
#include "skin/engine/data/skindata.h"

class TbsSkinForm;
class TbsSkinCheckRadioBox;
class TbsSkinStdLabel;

class TbsMessageForm : public TForm {
 public:
  explicit TbsMessageForm(TComponent* AOwner);
  const char* ClassName() const override { return "TbsMessageForm"; }

  TbsSkinForm* SkinForm() const { return FSkinForm; }
  TbsSkinCheckRadioBox* ShowAgainBox() const { return FShowAgainBox; }
  TbsSkinStdLabel* MessageLabel() const { return FMessageLabel; }
  int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }
  // The Help button: hands the context to the application; the box stays.
  void HelpButtonClick(TObject* Sender);

 private:
  friend class TbsSkinMessage;
  TbsSkinForm* FSkinForm = nullptr;
  TbsSkinCheckRadioBox* FShowAgainBox = nullptr;
  TbsSkinStdLabel* FMessageLabel = nullptr;
  int32_t FHelpContext = 0;
};

class TbsSkinMessage : public TComponent {
 public:
  explicit TbsSkinMessage(TComponent* AOwner);
  const char* ClassName() const override { return "TbsSkinMessage"; }

  // Builds the box, runs it modally and frees it (also when the loop ends by
  // an exception); answers the modal result of the button pressed.
  int32_t MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx);
  // The box MessageDlg runs, owned by the application; the caller frees it.
  TbsMessageForm* CreateMessageForm(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);

  bool ShowAgainFlag = false;
  bool ShowAgainFlagValue = false;
  bool AlphaBlend = false;
  bool AlphaBlendAnimation = false;
  uint8_t AlphaBlendValue = 200;
  String ButtonSkinDataName = "button";
  String MessageLabelSkinDataName = "stdlabel";
  bool UseSkinFont = true;

  TbsSkinData* SkinData() const { return FSkinData; }
  void SetSkinData(TbsSkinData* Value) { SetReference(FSkinData, Value); }
  TbsSkinData* CtrlSkinData() const { return FCtrlSkinData; }
  void SetCtrlSkinData(TbsSkinData* Value) { SetReference(FCtrlSkinData, Value); }
  TFont* DefaultFont() const { return FDefaultFont.get(); }
  void SetDefaultFont(TFont* Value) { FDefaultFont->Assign(Value); }
  TFont* DefaultButtonFont() const { return FDefaultButtonFont.get(); }
  void SetDefaultButtonFont(TFont* Value) { FDefaultButtonFont->Assign(Value); }

  // The text of Name from CtrlSkinData's text table, the built-in text when
  // there is no table or the table has no text of that name.
  String ResText(const String& Name) const;
  // Button height: the button description's picture height, else 25.
  int32_t ButtonHeight() const;

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
  void AddIcon(TbsMessageForm* F, TMsgDlgType DlgType) const;
  int32_t AddShowAgainBox(TbsMessageForm* F, int32_t ButtonH) const;
  void AddButtons(TbsMessageForm* F, TMsgDlgButtons Buttons, int32_t ButtonH, int32_t RowWidth) const;

  TbsSkinData* FSkinData = nullptr;
  TbsSkinData* FCtrlSkinData = nullptr;
  std::unique_ptr<TFont> FDefaultFont, FDefaultButtonFont;
};
