#include "app/main/aboutwindow.h"

#include "app/main/bconvert.h"
#include "app/settings/guarded.h"
#include "platform/shellapi/shellapi.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skinlabels.h"
#include "skin/engine/form/skinform.h"

namespace {

TbsSkinButton* NewButton(TAboutWindow* Owner, TbsSkinData* Skin, const String& Name, const String& Caption,
                         int32_t Left) {
  auto* b = new TbsSkinButton(Owner);
  b->SetName(Name);
  b->SetParent(Owner);
  b->SetCaption(Caption);
  b->SetBounds(Left, 96, 100, 25);
  b->SetSkinData(Skin);
  return b;
}

}  // namespace

TAboutWindow::TAboutWindow(TComponent* AOwner) : TForm(AOwner) {
  auto* main = dynamic_cast<TBatchConvert*>(AOwner);
  TbsSkinData* skin = main != nullptr ? main->bsSkinData1 : nullptr;
  SetCaption("About");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetPosition(TPosition::poScreenCenter);
  Font()->SetName("Arial");
  Font()->SetSize(8);
  SetKeyPreview(true);
  SetClientSize(TPoint{300, 135});
  auto* sf = new TbsSkinForm(this);
  sf->SetBorderIcons(TbsBorderIcons{TbsBorderIcon::biSystemMenu});
  sf->SetSkinData(skin);
  ProductLabel = new TbsSkinStdLabel(this);
  ProductLabel->SetName("ProductLabel");
  ProductLabel->SetParent(this);
  ProductLabel->SetCaption(String(kMainCaption) + "\n\nBatch conversion and renaming of pictures.");
  ProductLabel->SetBounds(20, 20, 260, 60);
  ProductLabel->SetSkinData(skin);
  BntHomePage = NewButton(this, skin, "BntHomePage", "Home page", 40);
  BntClose = NewButton(this, skin, "BntClose", "Close", 160);
  BntClose->SetModalResult(mrOk);
  BntClose->SetDefault(true);
  BntHomePage->OnClick = [](TObject*) {
    Guarded([] { ShellExecute(nullptr, "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL); });
  };
  OnKeyDown = [this](TObject* S, uint16_t& K, TShiftState Sh) { FormKeyDown(S, K, Sh); };
  OnShow = [this, main](TObject*) {
    if (main != nullptr) main->CenterOnMainMonitor(this);
  };
  AfterConstruction();
}

void TAboutWindow::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key == VK_RETURN || Key == VK_ESCAPE) SetModalResult(mrOk);
}
