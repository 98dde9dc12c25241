#include "app/convert/convertdialog.h"

#include "app/main/bconvert.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/scopeguard.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/timers.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skingauge.h"
#include "skin/engine/form/skinform.h"

namespace {

constexpr int32_t kWideWidth = 910;
constexpr int32_t kNarrowWidth = 760;
constexpr int32_t kClientHeight = 525;
// Above this many files the list is neither double-buffered nor repainted
// after every row, so huge runs do not spend their time repainting.
constexpr int32_t kRepaintRowLimit = 20000;
constexpr const char* kZeroTime = "00:00:00";

TMonitor* MainWindowMonitor() {
  if (Screen == nullptr) return nullptr;
  TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
  if (main != nullptr && main->HandleAllocated()) return Screen->MonitorFromWindow(main->Handle());
  return Screen->PrimaryMonitor();
}

// Without the main window (a dialog on its own): the size set directly and
// the dialog centred on the monitor's work area.
void PlaceWithoutMainWindow(TForm* F, TMonitor* M, int32_t W) {
  F->SetClientWidth(W);
  F->SetClientHeight(kClientHeight);
  if (M == nullptr) return;
  const TRect r = M->WorkareaRect();
  F->SetLeft(r.Left + (r.Width() - F->Width()) / 2);
  F->SetTop(r.Top + (r.Height() - F->Height()) / 2);
}

}  // namespace

int64_t SizeRatioPercent(int64_t NewSize, int64_t OldSize) {
  return OldSize == 0 ? 0 : Round(double(NewSize) * 100.0 / double(OldSize));
}

String FormatSavedKB(int64_t Bytes) {
  const String s = FormatSizeKB(String(), Bytes);
  return s.size() >= 2 ? s.substr(0, s.size() - 2) : s;
}

TBatchConvertDialog::TBatchConvertDialog(TComponent* AOwner) : TForm(AOwner) {
  MyStringCollection[0] = "Processing file %1% of %2%";
  MyStringCollection[1] = "Cancel";
  MyStringCollection[2] = "Done";
  SetCaption("Converting pictures");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(TBorderIcons{});
  SetKeyPreview(true);
  SetClientWidth(kWideWidth);
  SetClientHeight(521);
  BuildControls();
  OnShow = [this](TObject* s) { FormShow(s); };
  OnActivate = [this](TObject* s) { FormActivate(s); };
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  OnKeyDown = [this](TObject* s, uint16_t& k, TShiftState sh) { FormKeyDown(s, k, sh); };
}

TLabel* TBatchConvertDialog::AddLabel(const String& Caption, int32_t Left, int32_t Top) {
  auto* l = new TLabel(this);
  l->SetParent(this);
  l->SetTransparent(true);
  l->SetLeft(Left);
  l->SetTop(Top);
  l->SetCaption(Caption);
  return l;
}

void TBatchConvertDialog::BuildList() {
  ImageList1 = new TImageList(this);
  ImageList1->SetWidth(5);
  ImageList1->SetHeight(18);
  ListView = new TListView(this);
  ListView->SetParent(this);
  ListView->SetBounds(8, 26, 894, 388);
  ListView->SetViewStyle(TViewStyle::vsReport);
  ListView->SetGridLines(true);
  ListView->SetRowSelect(true);
  ListView->SetReadOnly(true);
  ListView->SetSmallImages(ImageList1);
  struct TCol {
    const char* Caption;
    int32_t Width;
    TAlignment Align;
  };
  static const TCol kCols[] = {
      {"No.", 50, TAlignment::taLeftJustify},          {"Input file", 200, TAlignment::taLeftJustify},
      {"Output file", 200, TAlignment::taLeftJustify}, {"Information", 85, TAlignment::taCenter},
      {"Old size", 90, TAlignment::taRightJustify},    {"New size", 90, TAlignment::taRightJustify},
      {"Ratio %", 70, TAlignment::taRightJustify},     {"Saved KB", 80, TAlignment::taRightJustify}};
  for (const TCol& c : kCols) {
    TListColumn* col = ListView->Columns()->Add();
    col->SetCaption(c.Caption);
    col->SetWidth(c.Width);
    col->SetAlignment(c.Align);
  }
}

void TBatchConvertDialog::BuildControls() {
  LabelFiles = AddLabel(String(), 8, 8);
  BuildList();
  PBar = new TbsSkinGauge(this);
  PBar->SetParent(this);
  PBar->SetSkinDataName("statusgauge");
  PBar->SetShowPercent(true);
  PBar->SetMinValue(0);
  PBar->SetValue(0);
  PBar->SetBounds(8, 420, 894, 20);
  PBar->SetDefaultHeight(20);
  Label2 = AddLabel("Original size:", 8, 452);
  LabelTotalOSize = AddLabel("0 KB", 100, 452);
  Label3 = AddLabel("New size:", 8, 474);
  LabelTotalNSize = AddLabel("0 KB", 100, 474);
  Label6 = AddLabel("New / original:", 230, 452);
  LabelSavePer = AddLabel("0", 340, 452);
  Label8 = AddLabel("%", 390, 452);
  Label4 = AddLabel("Saved:", 230, 474);
  LabelSaveKB = AddLabel("0", 340, 474);
  Label7 = AddLabel("KB", 390, 474);
  Label5 = AddLabel("Elapsed time:", 620, 452);
  LabelTime = AddLabel(kZeroTime, 730, 452);
  LabelLeft = AddLabel("Time left:", 620, 474);
  TimeLeft = AddLabel(kZeroTime, 730, 474);
  BntCancel = new TbsSkinButton(this);
  BntCancel->SetParent(this);
  BntCancel->SetBounds(812, 488, 90, 25);
  BntCancel->SetDefaultHeight(25);
  BntCancel->SetAnchors(TAnchors{TAnchorKind::akRight, TAnchorKind::akBottom});
  BntCancel->SetCaption(MyStringCollection[1]);
  BntCancel->OnClick = [this](TObject* s) { BntCancelClick(s); };
  Timer1 = new TTimer(this);
  Timer1->SetInterval(0);
  Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });
  ClockTimer = new TTimer(this);
  ClockTimer->SetInterval(0);
  ClockTimer->SetOnTimer([this](TObject* s) { ClockTimerTimer(s); });
  bsSkinForm1 = new TbsSkinForm(this);
  bsSkinForm1->SetBorderIcons(TbsBorderIcons{});
}

void TBatchConvertDialog::SetSkinData(TbsSkinData* Value) {
  bsSkinForm1->SetSkinData(Value);
  bsSkinForm1->SetMenusSkinData(Value);
  PBar->SetSkinData(Value);
  BntCancel->SetSkinData(Value);
}

void TBatchConvertDialog::ResetTexts() {
  BntCancel->SetCaption(MyStringCollection[1]);
  LabelLeft->SetVisible(false);
  TimeLeft->SetVisible(false);
  TimeLeft->SetCaption(kZeroTime);
  LabelFiles->SetCaption(String());
  LabelTotalOSize->SetCaption("0 KB");
  LabelTotalNSize->SetCaption("0 KB");
  LabelSavePer->SetCaption("0");
  LabelSaveKB->SetCaption("0");
  LabelTime->SetCaption(kZeroTime);
}

void TBatchConvertDialog::FormShow(TObject*) {
  int32_t w = kWideWidth;
  TMonitor* m = MainWindowMonitor();
  if (m != nullptr && m->Width() <= 800) {
    ListView->SetWidth(746);
    PBar->SetWidth(748);
    for (TLabel* l : {Label5, LabelTime, LabelLeft, TimeLeft}) l->SetLeft(l->Left() - 140);
    const int32_t widths[] = {40, 130, 130};
    for (int32_t i = 0; i < 3; ++i) ListView->Columns()->Items(i)->SetWidth(widths[i]);
    w = kNarrowWidth;
  }
  if (auto* main = dynamic_cast<TBatchConvert*>(Application != nullptr ? Application->MainForm() : nullptr)) {
    TBatchConvert::SetClientSize(this, w, kClientHeight);
    main->CenterOnMainMonitor(this);
  } else {
    PlaceWithoutMainWindow(this, m, w);
  }
  ListView->Items()->BeginUpdate();
  ListView->Items()->Clear();
  ListView->Items()->EndUpdate();
  ResetTexts();
  // One run per showing: an activation while the run goes on (after one of
  // its message boxes) must not start a second one.
  Timer1->SetTag(0);
  FRepaintRows = FileCount <= kRepaintRowLimit;
  ListView->SetDoubleBuffered(FRepaintRows);
  if (GetOSVersionCode() <= 6) FRepaintRows = true;
}

void TBatchConvertDialog::FormActivate(TObject*) {
  if (Timer1->Tag() == 0) Timer1->SetInterval(50);
  SafeFocus(BntCancel);
}

void TBatchConvertDialog::Timer1Timer(TObject*) {
  Timer1->SetInterval(0);
  if (Timer1->Tag() == 1) return;
  Timer1->SetTag(1);
  FCancelled = false;
  FTotalOldSize = 0;
  FTotalNewSize = 0;
  FStartTime = Now();
  ClockTimer->SetInterval(1000);
  try {
    if (RunBatch) RunBatch();
  } catch (...) {
  }
  TimeLeft->SetCaption(kZeroTime);
  ClockTimer->SetInterval(0);
  ClockTimerTimer(ClockTimer);
  if (Application != nullptr) Application->BringToFront();
  if (FCancelled) {
    Close();
    return;
  }
  BntCancel->SetCaption(MyStringCollection[2]);
  BntCancel->Repaint();
}

void TBatchConvertDialog::ClockTimerTimer(TObject*) {
  const TDateTime now = Now();
  LabelTime->SetCaption(FormatDateTime("hh:nn:ss", now - FStartTime));
  const int32_t value = PBar->Value();
  const int32_t max = PBar->MaxValue();
  if (max <= 4 || value <= 0 || now <= FStartTime) return;
  const TDateTime left = (now - FStartTime) / value * (max - value);
  TimeLeft->SetCaption(FormatDateTime("hh:nn:ss", left));
  if (!TimeLeft->Visible()) {
    LabelLeft->SetVisible(true);
    TimeLeft->SetVisible(true);
  }
}

void TBatchConvertDialog::AddFileRow(int32_t, const String& Source, const String& Destination, const String& Status) {
  if (FCancelled) return;
  try {
    BringToFront();
  } catch (...) {
  }
  const int32_t n = PBar->Value() + 1;
  TListItem* row = ListView->Items()->Add();
  row->SetCaption(std::to_string(n));
  LabelFiles->SetCaption(FormatMessageArgs(MyStringCollection[0], std::to_string(n), std::to_string(PBar->MaxValue())));
  LabelFiles->Update();
  LabelFiles->Repaint();
  for (const String& s : {Source, Destination, Status, String(), String(), String(), String()}) row->SubItems()->Add(s);
  row->MakeVisible(true);
  if (FRepaintRows) ListView->Repaint();
}

void TBatchConvertDialog::UpdateTotals() {
  LabelTotalOSize->SetCaption(FormatSizeKB(" ", FTotalOldSize));
  LabelTotalNSize->SetCaption(FormatSizeKB(" ", FTotalNewSize));
  LabelSaveKB->SetCaption(FormatSavedKB(FTotalOldSize - FTotalNewSize));
  if (FTotalOldSize > 0) LabelSavePer->SetCaption(std::to_string(SizeRatioPercent(FTotalNewSize, FTotalOldSize)));
}

void TBatchConvertDialog::ReportFileResult(int32_t Kind, const String& Source, const String& Destination,
                                           const String& Status, int64_t OldSize, int64_t NewSize) {
  if (FCancelled) return;
  try {
    const bool counted = Kind == 1 || Kind == 2;
    const int64_t oldSize = counted ? OldSize : 0;
    const int64_t newSize = counted ? NewSize : 0;
    FTotalOldSize += oldSize;
    FTotalNewSize += newSize;
    const int32_t count = ListView->Items()->Count();
    TListItem* row = count > 0 ? ListView->Items()->Item(count - 1) : nullptr;
    PBar->SetValue(PBar->Value() + 1);
    const int32_t max = PBar->MaxValue();
    if (max > 0 && Application != nullptr)
      Application->SetTitle(std::to_string(Round(double(PBar->Value()) * 100.0 / max)) + "% " + Caption());
    if (row == nullptr) return;
    TStrings* sub = row->SubItems();
    sub->SetStrings(0, Source);
    sub->SetStrings(1, Destination);
    sub->SetStrings(2, Status);
    sub->SetStrings(3, oldSize != 0 ? FormatSizeKB(" ", oldSize) : String());
    sub->SetStrings(4, newSize != 0 ? FormatSizeKB(" ", newSize) : String());
    const bool both = oldSize != 0 && newSize != 0;
    sub->SetStrings(5, both ? std::to_string(SizeRatioPercent(newSize, oldSize)) + " %" : String());
    sub->SetStrings(6, both ? FormatSizeKB(" ", oldSize - newSize) : String());
    UpdateTotals();
    row->MakeVisible(true);
  } catch (...) {
  }
}

void TBatchConvertDialog::BntCancelClick(TObject*) {
  ClockTimer->SetInterval(0);
  FCancelled = true;
  Close();
  if (Application != nullptr) Application->ProcessMessages();
}

void TBatchConvertDialog::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key == 27) BntCancelClick(this);
}

void TBatchConvertDialog::FormClose(TObject*, TCloseAction&) {
  ClockTimer->SetInterval(0);
  ListView->Items()->BeginUpdate();
  ListView->Items()->Clear();
  ListView->Items()->EndUpdate();
}
