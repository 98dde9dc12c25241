// The menu bar's share of the form's short-cuts and keyboard menu: each
// does nothing without a bar.
#include "skin/engine/form/skinform.h"
#include "skin/engine/menus/skinmainmenubar.h"

namespace {

TbsSkinMainMenuBar* BarOf(TComponent* C) { return dynamic_cast<TbsSkinMainMenuBar*>(C); }

}  // namespace

bool TbsSkinForm::BarProcessAccel(uint32_t Key) {
  TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar);
  return bar != nullptr && bar->ProcessAccel(Key);
}

bool TbsSkinForm::BarHasMenu() const {
  TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar);
  return bar != nullptr && bar->MainMenu() != nullptr;
}

bool TbsSkinForm::BarHasChildMenu() const {
  TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar);
  return bar != nullptr && bar->GetChildMainMenu() != nullptr;
}

bool TbsSkinForm::BarIsShortCut(TWMKey& Msg) {
  TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar);
  return bar != nullptr && bar->MainMenu() != nullptr && bar->MainMenu()->IsShortCut(Msg);
}

bool TbsSkinForm::BarIsChildMenuShortCut(TWMKey& Msg) {
  TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar);
  TMainMenu* child = bar != nullptr ? bar->GetChildMainMenu() : nullptr;
  return child != nullptr && child->IsShortCut(Msg);
}

void TbsSkinForm::BarSelectNextItem() {
  if (TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar)) bar->SelectNextItem();
}

void TbsSkinForm::BarSelectPrevItem() {
  if (TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar)) bar->SelectPrevItem();
}

bool TbsSkinForm::BarExecuteHotItem() {
  TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar);
  return bar != nullptr && bar->ExecuteHotItem();
}

void TbsSkinForm::BarEnterMenuMode() {
  if (TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar)) bar->EnterMenuMode();
}

void TbsSkinForm::BarReleaseDownItem() {
  if (TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar)) bar->ReleaseDownItem();
}

void TbsSkinForm::BarResetItems() {
  if (TbsSkinMainMenuBar* bar = BarOf(FMainMenuBar)) bar->ResetItems();
}
