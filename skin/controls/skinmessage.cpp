#include "skin/controls/skinmessage.h"

#include <algorithm>

#include "platform/gui/gdi.h"
#include "platform/vcl/extctrls.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skinlabels.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/data/skincontroldata.h"
#include "skin/engine/form/skinform.h"

namespace {

constexpr int32_t kButtonWidth = 75, kButtonGap = 15, kIconSize = 32;

struct TButtonKind {
  const char* Name;
  const char* TextName;
};
// In layout order, indexed by TMsgDlgBtn.
constexpr TButtonKind kButtons[] = {
    {"Yes", "MSG_BTN_YES"},           {"No", "MSG_BTN_NO"},       {"OK", "MSG_BTN_OK"},
    {"Cancel", "MSG_BTN_CANCEL"},     {"Abort", "MSG_BTN_ABORT"}, {"Retry", "MSG_BTN_RETRY"},
    {"Ignore", "MSG_BTN_IGNORE"},     {"All", "MSG_BTN_ALL"},     {"NoToAll", "MSG_BTN_NOTOALL"},
    {"YesToAll", "MSG_BTN_YESTOALL"}, {"Help", "MSG_BTN_HELP"},
};

struct TKind {
  const char* CaptionName;  // nullptr: the application title
  uint32_t Icon;            // 0: none
};
constexpr TKind kKinds[] = {{"MSG_CAP_WARNING", IDI_EXCLAMATION},
                            {"MSG_CAP_ERROR", IDI_HAND},
                            {"MSG_CAP_INFORMATION", IDI_ASTERISK},
                            {"MSG_CAP_CONFIRM", IDI_QUESTION},
                            {nullptr, 0}};

TMsgDlgBtn DefaultButton(TMsgDlgButtons B) {
  if (B.Contains(TMsgDlgBtn::mbOK)) return TMsgDlgBtn::mbOK;
  return B.Contains(TMsgDlgBtn::mbYes) ? TMsgDlgBtn::mbYes : TMsgDlgBtn::mbRetry;
}

// May name a button the set lacks: then no button has the role.
TMsgDlgBtn CancelButton(TMsgDlgButtons B) {
  if (B.Contains(TMsgDlgBtn::mbCancel)) return TMsgDlgBtn::mbCancel;
  return B.Contains(TMsgDlgBtn::mbNo) ? TMsgDlgBtn::mbNo : TMsgDlgBtn::mbOK;
}

}  // namespace

TbsMessageForm::TbsMessageForm(TComponent* AOwner) : TForm(AOwner) {
  SetPosition(TPosition::poScreenCenter);
  SetBorderStyle(TBorderStyle::bsDialog);
  SetKeyPreview(true);
  FSkinForm = new TbsSkinForm(this);
  FSkinForm->SetBorderIcons(TbsBorderIcons{});
}

void TbsMessageForm::HelpButtonClick(TObject*) {
  if (Application != nullptr) Application->SetHelpContext(FHelpContext);
}

TbsSkinMessage::TbsSkinMessage(TComponent* AOwner)
    : TComponent(AOwner), FDefaultFont(std::make_unique<TFont>()), FDefaultButtonFont(std::make_unique<TFont>()) {
  for (TFont* f : {FDefaultFont.get(), FDefaultButtonFont.get()}) {
    f->SetName("Arial");
    f->SetHeight(14);
    f->SetStyle(TFontStyles{});
  }
}

void TbsSkinMessage::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FSkinData) FSkinData = nullptr;
  if (AComponent == FCtrlSkinData) FCtrlSkinData = nullptr;
}

String TbsSkinMessage::ResText(const String& Name) const {
  const TbsResourceStrData* table = FCtrlSkinData != nullptr ? FCtrlSkinData->ResourceStrData() : nullptr;
  const String text = table != nullptr ? table->GetResStr(Name) : String();
  return text.empty() ? BuiltInResStr(Name) : text;
}

int32_t TbsSkinMessage::ButtonHeight() const {
  if (FCtrlSkinData == nullptr || FCtrlSkinData->Empty) return 25;
  const int32_t i = FCtrlSkinData->GetControlIndex(ButtonSkinDataName);
  if (i < 0) return 25;
  auto* d = dynamic_cast<TbsDataSkinButtonControl*>(FCtrlSkinData->ControlDescriptions[size_t(i)].get());
  return d != nullptr ? d->SkinRect.Height() : 25;
}

void TbsSkinMessage::AddIcon(TbsMessageForm* F, TMsgDlgType DlgType) const {
  const uint32_t id = kKinds[size_t(DlgType)].Icon;
  if (id == 0) return;
  auto* image = new TImage(F);
  image->SetName("Image");
  image->SetParent(F);
  TBitmap* b = image->Picture()->Bitmap();
  b->SetSize(kIconSize, kIconSize);
  b->Canvas()->Brush()->SetColor(clFuchsia);
  b->Canvas()->FillRect(TRect{0, 0, kIconSize, kIconSize});
  DrawIconEx(b->Canvas()->Handle(), 0, 0, LoadIcon(nullptr, id), kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
  b->SetTransparentColor(clFuchsia);
  b->SetTransparent(true);
  image->SetTransparent(true);
  const TbsSkinStdLabel* l = F->FMessageLabel;
  image->SetBounds(10, std::max(10, l->Top() + l->Height() / 2 - kIconSize / 2), kIconSize, kIconSize);
}

// Answers the width the box's text needs.
int32_t TbsSkinMessage::AddShowAgainBox(TbsMessageForm* F, int32_t ButtonH) const {
  auto* box = new TbsSkinCheckRadioBox(F);
  box->SetName("checkbox");
  box->SetDefaultHeight(30);
  box->SetChecked(!ShowAgainFlagValue);
  box->SetParent(F);
  box->SetDefaultFont(FDefaultFont.get());
  box->SetUseSkinFont(UseSkinFont);
  box->SetSkinData(FCtrlSkinData);
  box->SetCaption(ResText("MSG_CAP_SHOWFLAG"));
  F->FShowAgainBox = box;
  TFont* font = F->Canvas()->Font();
  font->Assign(FDefaultFont.get());
  if (UseSkinFont && box->SkinIndex() != -1)
    if (auto* d = dynamic_cast<TbsDataSkinCheckRadioControl*>(
            FCtrlSkinData->ControlDescriptions[size_t(box->SkinIndex())].get())) {
      font->SetName(d->FontName);
      font->SetHeight(d->FontHeight);
    }
  const int32_t tw = F->Canvas()->TextWidth(box->Caption());
  if (F->ClientWidth() < tw + 60) F->SetClientWidth(tw + 60);
  box->SetBounds(5, F->ClientHeight() - ButtonH - 50, tw + 55, 30);
  return tw;
}

void TbsSkinMessage::AddButtons(TbsMessageForm* F, TMsgDlgButtons Buttons, int32_t ButtonH, int32_t RowWidth) const {
  const TMsgDlgBtn def = DefaultButton(Buttons), cancel = CancelButton(Buttons);
  int32_t x = (F->ClientWidth() - RowWidth) / 2;
  for (uint8_t i = 0; i <= uint8_t(TMsgDlgBtn::mbHelp); ++i) {
    const TMsgDlgBtn kind = TMsgDlgBtn(i);
    if (!Buttons.Contains(kind)) continue;
    auto* b = new TbsSkinButton(F);
    b->SetParent(F);
    b->SetName(kButtons[i].Name);
    b->SetCaption(ResText(kButtons[i].TextName));
    b->SetCanFocused(true);
    b->SetModalResult(MsgDlgModalResult(kind));
    b->SetDefault(kind == def);
    b->SetCancel(kind == cancel);
    b->SetDefaultHeight(ButtonH);
    b->SetBounds(x, F->ClientHeight() - ButtonH - 10, kButtonWidth, ButtonH);
    b->SetDefaultFont(FDefaultButtonFont.get());
    b->SetUseSkinFont(UseSkinFont);
    if (kind == TMsgDlgBtn::mbHelp) b->OnClick = [F](TObject* Sender) { F->HelpButtonClick(Sender); };
    b->SetSkinDataName(ButtonSkinDataName);
    b->SetSkinData(FCtrlSkinData);
    x += kButtonWidth + kButtonGap;
  }
}

TbsMessageForm* TbsSkinMessage::CreateMessageForm(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  auto f = std::make_unique<TbsMessageForm>(Application);
  TbsSkinForm* sf = f->FSkinForm;
  sf->SetSkinData(FSkinData);
  sf->SetMenusSkinData(FCtrlSkinData);
  sf->SetAlphaBlend(AlphaBlend);
  sf->AlphaBlendAnimation = AlphaBlendAnimation;
  sf->SetAlphaBlendValue(AlphaBlendValue);

  const int32_t buttonH = ButtonHeight();
  int32_t n = 0;
  for (uint8_t i = 0; i <= uint8_t(TMsgDlgBtn::mbHelp); ++i) n += Buttons.Contains(TMsgDlgBtn(i)) ? 1 : 0;
  const int32_t rowW = n > 0 ? kButtonWidth * n + kButtonGap * (n - 1) : 0;
  if (Screen != nullptr) {
    f->SetLeft(Screen->Width() / 2 - f->Width() / 2);
    f->SetTop(Screen->Height() / 2 - f->Height() / 2);
  }
  const char* capName = kKinds[size_t(DlgType)].CaptionName;
  f->SetCaption(capName != nullptr ? ResText(capName) : (Application != nullptr ? Application->Title() : String()));

  auto* label = new TbsSkinStdLabel(f.get());
  label->Font()->SetName("Tahoma");
  label->Font()->SetSize(8);
  label->SetDefaultFont(FDefaultFont.get());
  label->SetUseSkinFont(false);
  label->SetSkinDataName(MessageLabelSkinDataName);
  label->SetSkinData(FCtrlSkinData);
  label->SetName("Message");
  label->SetParent(f.get());
  label->SetAutoSize(true);
  label->SetCaption(Msg);
  label->SetLeft(55);
  label->SetTop(15);
  f->FMessageLabel = label;
  AddIcon(f.get(), DlgType);

  f->SetClientHeight(buttonH + label->Height() + 50);
  f->SetClientWidth(std::max(rowW, label->Left() + label->Width()) + 80);
  if (ShowAgainFlag) {
    f->SetClientHeight(f->ClientHeight() + 40);
    AddShowAgainBox(f.get(), buttonH);
  }
  const int32_t maxW = sf->GetMaxWidth(), minW = sf->GetMinWidth();
  if (maxW > 0 && maxW < f->Width())
    f->SetWidth(maxW);
  else if (minW > f->Width())
    f->SetWidth(minW);
  AddButtons(f.get(), Buttons, buttonH, rowW);
  return f.release();
}

int32_t TbsSkinMessage::MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t HelpCtx) {
  std::unique_ptr<TbsMessageForm> f(CreateMessageForm(Msg, DlgType, Buttons));
  f->SetHelpContext(HelpCtx);
  // Stores the box's answer however the loop ends.
  struct TStoreFlag {
    TbsSkinMessage* Self;
    TbsMessageForm* Form;
    ~TStoreFlag() {
      if (Self->ShowAgainFlag && Form->ShowAgainBox() != nullptr)
        Self->ShowAgainFlagValue = !Form->ShowAgainBox()->Checked();
    }
  } store{this, f.get()};
  return int32_t(f->ShowModal());
}
