#include "skin/controls/skinprogressdialog.h"

#include "platform/gui/text.h"
#include "platform/rtl/arith.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinlabels.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/form/skinform.h"

TbsProgressGeometry ProgressDialogGeometry(int32_t CW, int32_t CH) {
  return TbsProgressGeometry{MulDiv(180, CW, 4), MulDiv(8, CW, 4), MulDiv(8, CH, 8), MulDiv(164, CW, 4),
                             MulDiv(14, CH, 8)};
}

namespace {

// The average width of the 52 letters and their height in the form's font.
void DialogUnits(TForm* F, int32_t& CW, int32_t& CH) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  F->Canvas()->Font()->Assign(F->Font());
  TSize s{};
  GetTextExtentPoint32(F->Canvas()->Handle(), kLetters, 52, &s);
  CW = s.cx / 52;
  CH = s.cy;
}

std::unique_ptr<TFont> ArialFont() {
  auto f = std::make_unique<TFont>();
  f->SetName("Arial");
  f->SetHeight(14);
  f->SetStyle(TFontStyles{});
  return f;
}

}  // namespace

TbsSkinProgressDialog::TbsSkinProgressDialog(TComponent* AOwner)
    : TComponent(AOwner),
      FCancelText(BuiltInResStr("MSG_BTN_CANCEL")),
      FDefaultLabelFont(ArialFont()),
      FDefaultButtonFont(ArialFont()),
      FDefaultGaugeFont(ArialFont()) {}

TbsSkinProgressDialog::~TbsSkinProgressDialog() {
  if (TForm* f = FForm.Get()) {
    f->OnClose = nullptr;
    delete f;
  }
}

void TbsSkinProgressDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FSkinData) FSkinData = nullptr;
  if (AComponent == FCtrlSkinData) FCtrlSkinData = nullptr;
}

void TbsSkinProgressDialog::Forget() {
  FShown = false;
  FGauge = nullptr;
  FLabel = nullptr;
  FForm = nullptr;
}

// A value at or above the maximum is the end of the work, not a cancel.
void TbsSkinProgressDialog::WindowClose(TObject*, TCloseAction& Action) {
  Forget();
  if (!Completed() && OnCancel) OnCancel(this);
  Action = TCloseAction::caFree;
}

void TbsSkinProgressDialog::SetValue(int32_t Value) {
  FValue = Value;
  if (!FShown || FGauge == nullptr) return;
  FGauge->SetValue(Value);
  FGauge->Update();
  if (FGauge->Value() != FGauge->MaxValue()) return;
  if (ShowType == TbsPDShowType::stModal)
    FForm->SetModalResult(mrOk);
  else
    FForm->Close();
}

void TbsSkinProgressDialog::AddCancelButton(TForm* F, bool CancelEnabled, int32_t ButtonH) {
  auto* b = new TbsSkinButton(F);
  b->SetParent(F);
  b->SetDefaultFont(FDefaultButtonFont.get());
  b->SetUseSkinFont(UseSkinFont);
  const TbsResourceStrData* table = FCtrlSkinData != nullptr ? FCtrlSkinData->ResourceStrData() : nullptr;
  const String text = table != nullptr ? table->GetResStr("MSG_BTN_CANCEL") : String();
  b->SetCaption(text.empty() ? FCancelText : text);
  // The close handler reports the cancel; the window goes after this click.
  if (ShowType == TbsPDShowType::stStayOnTop) b->OnClick = [F](TObject*) { F->Close(); };
  b->SetModalResult(mrCancel);
  b->SetCancel(true);
  b->SetBounds(FGauge->Left() + FGauge->Width() - 85, FGauge->Top() + FGauge->Height() + 15, 85, ButtonH);
  b->SetDefaultHeight(ButtonH);
  b->SetSkinDataName(ButtonSkinDataName);
  b->SetSkinData(FCtrlSkinData);
  F->SetClientHeight(b->Top() + b->Height() + 13);
  b->SetEnabled(CancelEnabled);
}

TForm* TbsSkinProgressDialog::BuildWindow(bool CancelEnabled) {
  auto* f = new TForm(Application);
  f->SetBorderStyle(TBorderStyle::bsSingle);
  if (ShowType == TbsPDShowType::stStayOnTop) {
    f->SetFormStyle(TFormStyle::fsStayOnTop);
    f->OnClose = [this](TObject* Sender, TCloseAction& Action) { WindowClose(Sender, Action); };
  }
  f->SetCaption(Caption);
  f->SetPosition(TPosition::poScreenCenter);
  f->OnShow = [this](TObject*) {
    if (OnShow) OnShow(this);
  };
  auto* sf = new TbsSkinForm(f);
  sf->SetBorderIcons(TbsBorderIcons{});
  sf->HideCaptionButtons = !ShowCloseButton;
  sf->SetSkinData(FSkinData);
  sf->SetMenusSkinData(FCtrlSkinData);
  sf->SetAlphaBlend(AlphaBlend);
  sf->AlphaBlendAnimation = AlphaBlendAnimation;
  sf->SetAlphaBlendValue(AlphaBlendValue);

  int32_t cw = 0, ch = 0;
  DialogUnits(f, cw, ch);
  const TbsProgressGeometry g = ProgressDialogGeometry(cw, ch);
  f->SetClientWidth(g.ClientWidth);

  FLabel = new TbsSkinStdLabel(f);
  FLabel->SetParent(f);
  FLabel->SetLeft(g.LabelLeft);
  FLabel->SetTop(g.LabelTop);
  FLabel->Constraints()->SetMaxWidth(g.LabelMaxWidth);
  FLabel->SetWordWrap(false);
  FLabel->SetDefaultFont(FDefaultLabelFont.get());
  FLabel->SetUseSkinFont(UseSkinFont);
  FLabel->SetSkinDataName(LabelSkinDataName);
  FLabel->SetSkinData(FCtrlSkinData);
  FLabel->SetCaption(LabelCaption);

  FGauge = new TbsSkinGauge(f);
  FGauge->SetParent(f);
  FGauge->SetMinValue(MinValue);
  FGauge->SetMaxValue(MaxValue);
  FGauge->SetShowPercent(ShowPercent);
  FGauge->SetValue(FValue);
  FGauge->SetDefaultFont(FDefaultGaugeFont.get());
  FGauge->SetUseSkinFont(UseSkinFont);
  FGauge->SetLeft(FLabel->Left());
  FGauge->SetTop(FLabel->Top() + FLabel->Height() + 5);
  FGauge->SetDefaultWidth(f->ClientWidth() - FLabel->Left() - 13);
  FGauge->SetSkinDataName(GaugeSkinDataName);
  FGauge->SetSkinData(FCtrlSkinData);

  if (ShowCancelButton)
    AddCancelButton(f, CancelEnabled, g.ButtonHeight);
  else
    f->SetClientHeight(FGauge->Top() + FGauge->Height() + 15);
  return f;
}

bool TbsSkinProgressDialog::RunModal(TForm* F) {
  std::unique_ptr<TForm> owned(F);
  struct TForgetOnExit {
    TbsSkinProgressDialog* Self;
    ~TForgetOnExit() { Self->Forget(); }
  } forget{this};
  return F->ShowModal() == mrOk;
}

bool TbsSkinProgressDialog::Execute(bool CancelEnabled) {
  if (FShown) return false;
  TForm* f = BuildWindow(CancelEnabled);
  FForm = f;
  FShown = true;
  if (ShowType == TbsPDShowType::stModal) return RunModal(f);
  f->Show();
  if (FLabel != nullptr) FLabel->Repaint();
  return false;
}
