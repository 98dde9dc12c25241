// The tab's handlers whose windows and runs come with later work: until then
// the buttons do nothing (the advanced-options box still shows its button).
#include "app/convert/batchconverttab.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"

void TBatchConvertTab::ChkAdvancedOptionsClick(TObject*) {
  BntAdvancedOptions->SetVisible(ChkAdvancedOptions->Checked());
}

void TBatchConvertTab::BntAdvancedOptionsClick(TObject*) {}

void TBatchConvertTab::Preview1Click(TObject*) {}

void TBatchConvertTab::BntPreviewClick(TObject*) {}

void TBatchConvertTab::Open1Click(TObject*) {}
