#include "app/rename/renamedialog.h"

#include <algorithm>

#include "app/rename/renameengine.h"
#include "app/settings/guarded.h"
#include "app/settings/marloutils.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/files.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_listview.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/timers.h"
#include "skin/controls/base/skinintf.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinlabels.h"
#include "skin/engine/form/skinform.h"

namespace {

constexpr int32_t kClientWidth = 910;
constexpr int32_t kNarrowClientWidth = 760;
constexpr int32_t kClientHeight = 525;
// Up to this many files the list is double-buffered and repainted per row.
constexpr int32_t kRepaintRowsLimit = 20000;

TbsSkinStdLabel* AddLabel(TForm* Owner, const char* Name, const String& Caption, int32_t Left, int32_t Top) {
  auto* l = new TbsSkinStdLabel(Owner);
  l->SetName(Name);
  l->SetParent(Owner);
  l->SetSkinDataName("stdlabel");
  l->SetUseSkinFont(false);
  l->SetCaption(Caption);
  l->SetLeft(Left);
  l->SetTop(Top);
  return l;
}

void AddColumn(TListView* List, const String& Caption, int32_t Width,
               TAlignment Alignment = TAlignment::taLeftJustify) {
  TListColumn* c = List->Columns()->Add();
  c->SetCaption(Caption);
  if (Width > 0) c->SetWidth(Width);
  c->SetAlignment(Alignment);
}

}  // namespace

TBatchRenameDialog::TBatchRenameDialog(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(TBorderStyle::bsDialog);
  SetBorderIcons(TBorderIcons{});
  SetKeyPreview(true);
  SetCaption("Batch rename");
  Font()->SetName("Arial");
  Font()->SetSize(8);
  SetClientWidth(kClientWidth);
  SetClientHeight(521);
  bsSkinForm1 = new TbsSkinForm(this);
  bsSkinForm1->SetBorderIcons(TbsBorderIcons{});
  BuildControls();
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnActivate = [this](TObject* Sender) { FormActivate(Sender); };
  OnKeyDown = [this](TObject* Sender, uint16_t& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
  AfterConstruction();
}

void TBatchRenameDialog::BuildControls() {
  LabelFiles = AddLabel(this, "LabelFiles", String(), 8, 8);
  ImageList1 = new TImageList(this);
  ImageList1->SetWidth(5);
  ImageList1->SetHeight(18);  // sets the row height
  ListView = new TListView(this);
  ListView->SetName("ListView");
  ListView->SetParent(this);
  ListView->SetBounds(8, 26, 894, 404);
  ListView->SetViewStyle(TViewStyle::vsReport);
  ListView->SetGridLines(true);
  ListView->SetRowSelect(true);
  ListView->SetReadOnly(true);
  ListView->SetColor(clWhite);
  ListView->SetSmallImages(ImageList1);
  AddColumn(ListView, "#", 0);
  AddColumn(ListView, "Folder", 315);
  AddColumn(ListView, "Old file name", 200);
  AddColumn(ListView, "New file name", 200);
  AddColumn(ListView, "Information", 100, TAlignment::taCenter);
  PBar = new TbsSkinGauge(this);
  PBar->SetName("PBar");
  PBar->SetParent(this);
  PBar->SetSkinDataName("statusgauge");
  PBar->SetBounds(6, 438, 897, 16);
  PBar->SetShowPercent(true);
  PBar->SetValue(0);
  Label2 = AddLabel(this, "Label2", "Renamed:", 8, 462);
  LabelTotalRenamed = AddLabel(this, "LabelTotalRenamed", "0", 62, 462);
  Label3 = AddLabel(this, "Label3", "Failed:", 140, 462);
  LabelTotalFailed = AddLabel(this, "LabelTotalFailed", "0", 182, 462);
  Label4 = AddLabel(this, "Label4", "Skipped:", 260, 462);
  LabelTotalSkipped = AddLabel(this, "LabelTotalSkipped", "0", 312, 462);
  BntCancel = new TbsSkinButton(this);
  BntCancel->SetName("BntCancel");
  BntCancel->SetParent(this);
  BntCancel->SetSkinDataName("button");
  BntCancel->SetBounds(405, 488, 100, 25);
  BntCancel->SetCaption(S02);
  BntCancel->OnClick = [this](TObject* Sender) { BntCancelClick(Sender); };
  Timer1 = new TTimer(this);
  Timer1->SetInterval(0);
  Timer1->SetOnTimer([this](TObject* Sender) { Timer1Timer(Sender); });
}

void TBatchRenameDialog::SetSkinData(TbsSkinData* Value) {
  bsSkinForm1->SetSkinData(Value);
  bsSkinForm1->SetMenusSkinData(Value);
  for (int32_t i = 0; i < ComponentCount(); ++i)
    if (auto* aware = dynamic_cast<IbsSkinAware*>(Components(i))) aware->SetSkinData(Value);
}

void TBatchRenameDialog::FormCreate(TObject*) {
  FPreview = FCancelled = FDone = false;
  FRenamedCount = FFailedCount = FSkippedCount = 0;
  ListView->Items()->BeginUpdate();
  ListView->Items()->Clear();
  ListView->Items()->EndUpdate();
}

int32_t TBatchRenameDialog::MonitorWidth() {
  if (FMainForm != nullptr && FMainForm->Monitor() != nullptr) return FMainForm->Monitor()->Width();
  return Screen != nullptr ? Screen->Width() : kClientWidth;
}

void TBatchRenameDialog::CentreOnMainMonitor() {
  TRect area = Screen != nullptr ? TRect{0, 0, Screen->Width(), Screen->Height()} : TRect{0, 0, Width(), Height()};
  if (FMainForm != nullptr && FMainForm->Monitor() != nullptr) area = FMainForm->Monitor()->WorkareaRect();
  SetLeft(area.Left + (area.Width() - Width()) / 2);
  SetTop(area.Top + (area.Height() - Height()) / 2);
}

void TBatchRenameDialog::ApplyNarrowLayout() {
  SetClientWidth(kNarrowClientWidth);
  ListView->SetWidth(746);
  PBar->SetWidth(748);
  const int32_t widths[] = {40, 210, 180, 180};
  for (int32_t i = 0; i < 4; ++i) ListView->Columns()->Items(i)->SetWidth(widths[i]);
  BntCancel->SetLeft(328);
}

void TBatchRenameDialog::ApplyPreviewLayout() {
  TListColumns* cols = ListView->Columns();
  if (cols->Count() > 4) cols->Delete(4);
  const int32_t others = cols->Items(0)->Width() + cols->Items(2)->Width() + cols->Items(3)->Width();
  cols->Items(1)->SetWidth(ListView->Width() - others - 30);
  for (TControl* c : std::initializer_list<TControl*>{PBar, Label2, LabelTotalRenamed, Label3, LabelTotalFailed, Label4,
                                                      LabelTotalSkipped})
    c->SetVisible(false);
  BntCancel->SetTop(ClientHeight() - 8 - BntCancel->Height());
  ListView->SetHeight(BntCancel->Top() - 8 - ListView->Top());
  LabelFiles->SetVisible(true);
}

void TBatchRenameDialog::FormShow(TObject*) {
  // One run per showing.
  Timer1->SetTag(0);
  Guarded([this] {
    if (MonitorWidth() <= 800)
      ApplyNarrowLayout();
    else
      SetClientWidth(kClientWidth);
    SetClientHeight(kClientHeight);
    CentreOnMainMonitor();
    if (FPreview) {
      ApplyPreviewLayout();
    } else {
      LabelFiles->SetCaption(String());
      for (TbsSkinStdLabel* l : {LabelTotalRenamed, LabelTotalFailed, LabelTotalSkipped}) l->SetCaption("0");
    }
  });
  FRepaintRows = false;
  if ((FEngine != nullptr ? FEngine->FileCount() : PBar->MaxValue()) <= kRepaintRowsLimit) {
    ListView->SetDoubleBuffered(true);
    FRepaintRows = true;
  }
  if (GetOSVersionCode() <= 6) FRepaintRows = true;
}

void TBatchRenameDialog::FormActivate(TObject*) {
  if (FPreview) return SafeFocus(ListView);
  // A later activation (after a message box, a switch of applications)
  // finds the run started and starts none.
  if (Timer1->Tag() == 0) Timer1->SetInterval(50);
  SafeFocus(BntCancel);
}

void TBatchRenameDialog::FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState) {
  if (Key == VK_ESCAPE) BntCancelClick(Sender);
}

void TBatchRenameDialog::Timer1Timer(TObject*) {
  Timer1->SetInterval(0);
  if (Timer1->Tag() == 1) return;
  Timer1->SetTag(1);
  FCancelled = FDone = false;
  FRenamedCount = FFailedCount = FSkippedCount = 0;
  if (FEngine != nullptr) Guarded([this] { FEngine->RunRename(); });
  if (Application != nullptr) Application->BringToFront();
  if (FCancelled) return Close();
  BntCancel->SetCaption(S03);
  FDone = true;
  BntCancel->Repaint();
}

void TBatchRenameDialog::BntCancelClick(TObject*) {
  FCancelled = true;
  Close();
  if (Application != nullptr) Application->ProcessMessages();
}

void TBatchRenameDialog::AddResultRow(int32_t Kind, const String& OldPath, const String& NewPath,
                                      const String& Status) {
  if (FCancelled) return;
  Guarded([&] {
    if (!FPreview) {
      PBar->SetValue(PBar->Value() + 1);
      const int32_t max = std::max(1, PBar->MaxValue());
      if (Application != nullptr)
        Application->SetTitle(IntToStr(int32_t(Round(PBar->Value() * 100.0 / max))) + "% " + Caption());
      LabelFiles->SetCaption(FormatMessageArgs(S01, IntToStr(PBar->Value()), IntToStr(PBar->MaxValue())));
      LabelFiles->Repaint();
    }
    TListItem* row = ListView->Items()->Add();
    row->SetCaption(IntToStr(ListView->Items()->Count()));
    row->SubItems()->Add(ExtractFilePath(OldPath));
    row->SubItems()->Add(ExtractFileName(OldPath));
    row->SubItems()->Add(ExtractFileName(NewPath));
    if (FPreview) return;
    row->SubItems()->Add(Status);
    row->MakeVisible(true);
    int32_t& count = Kind == 1 ? FRenamedCount : Kind == 2 ? FFailedCount : FSkippedCount;
    ++count;
    LabelTotalRenamed->SetCaption(IntToStr(FRenamedCount));
    LabelTotalFailed->SetCaption(IntToStr(FFailedCount));
    LabelTotalSkipped->SetCaption(IntToStr(FSkippedCount));
    if (FRepaintRows) ListView->Repaint();
  });
}
