// The menu bar's share of the form's short-cuts and keyboard menu: each
// does nothing without a bar.
#include "skin/engine/form/skinform.h"

bool TbsSkinForm::BarProcessAccel(uint32_t) { return false; }
bool TbsSkinForm::BarHasMenu() const { return false; }
bool TbsSkinForm::BarHasChildMenu() const { return false; }
bool TbsSkinForm::BarIsShortCut(TWMKey&) { return false; }
bool TbsSkinForm::BarIsChildMenuShortCut(TWMKey&) { return false; }
void TbsSkinForm::BarSelectNextItem() {}
void TbsSkinForm::BarSelectPrevItem() {}
bool TbsSkinForm::BarExecuteHotItem() { return false; }
void TbsSkinForm::BarEnterMenuMode() {}
void TbsSkinForm::BarReleaseDownItem() {}
void TbsSkinForm::BarResetItems() {}
