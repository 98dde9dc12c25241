// The tab's naming controls and its output-format button.
#include <algorithm>

#include "app/convert/batchconverttab.h"
#include "app/convert/outputformatoptions.h"
#include "app/settings/commonclass.h"
#include "app/settings/guarded.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinmessage.h"
#include "skin/controls/skinspinedit.h"

void TBatchConvertTab::NameEditChange(TObject*) {
  Guarded([&] {
    const bool counter = NameEdit->Text().find('#') != String::npos;
    StartFromNO->SetVisible(counter && ChkRename->Checked());
    BntRename->SetLeft(StartFromNO->Visible() ? StartFromNO->Left() + StartFromNO->Width() + 2 : StartFromNO->Left());
    DisplayFileNumberTimerTimer(this);
  });
}

void TBatchConvertTab::BntRenameClick(TObject*) {
  Guarded([&] {
    Messager->MessageDlg(MyStringCollection->S(4), TMsgDlgType::mtInformation, TMsgDlgButtons{TMsgDlgBtn::mbOK}, 0);
  });
}

TOutputFormatOptions* TBatchConvertTab::OutputFormatOptions() {
  if (FOutputFormatOptions == nullptr && FSettings != nullptr && FSettings->IOPara != nullptr)
    FOutputFormatOptions = new TOutputFormatOptions(FMainForm != nullptr ? static_cast<TComponent*>(FMainForm) : this,
                                                    *FSettings->IOPara, Messager->SkinData());
  return FOutputFormatOptions;
}

void TBatchConvertTab::bsSkinButton3Click(TObject*) {
  Guarded([&] {
    TOutputFormatOptions* dialog = OutputFormatOptions();
    if (dialog == nullptr) return;
    dialog->ShowFormatPage(OutputFormat->ItemIndex());
    dialog->ShowModal();
  });
}
