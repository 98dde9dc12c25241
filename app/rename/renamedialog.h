// The modal window of a rename run. A real run starts the walk from its
// one-shot timer once the window is active and lists every file with its old
// name, new name and outcome, with a gauge, three counts and the percentage in
// the application title; a preview shows the list the engine filled before.
#pragma once

#include <cstdint>

#include "platform/vcl/forms.h"

class TbsSkinButton;
class TbsSkinData;
class TbsSkinForm;
class TbsSkinGauge;
class TbsSkinStdLabel;
class TImageList;
class TListView;
class TRenameEngine;
class TTimer;

class TBatchRenameDialog : public TForm {
 public:
  explicit TBatchRenameDialog(TComponent* AOwner);
  const char* ClassName() const override { return "TBatchRenameDialog"; }

  // One row per file: kind 1 renamed, 2 failed, anything else skipped.
  void AddResultRow(int32_t Kind, const String& OldPath, const String& NewPath, const String& Status);

  // Handlers.
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void Timer1Timer(TObject* Sender);
  void BntCancelClick(TObject* Sender);

  // Set by the engine before the window is shown.
  void SetMainForm(TForm* Value) { FMainForm = Value; }
  void SetEngine(TRenameEngine* Value) { FEngine = Value; }
  void SetPreview(bool Value) { FPreview = Value; }
  void SetDone(bool Value) { FDone = Value; }
  // Skins the window and its controls.
  void SetSkinData(TbsSkinData* Value);

  bool Preview() const { return FPreview; }
  bool Cancelled() const { return FCancelled; }
  bool Done() const { return FDone; }
  int32_t RenamedCount() const { return FRenamedCount; }
  int32_t FailedCount() const { return FFailedCount; }
  int32_t SkippedCount() const { return FSkippedCount; }
  bool RepaintRows() const { return FRepaintRows; }

  // The window's texts: S01 "file %1% of %2%", S02 cancel, S03 done.
  String S01 = "Renaming file %1% of %2%";
  String S02 = "Cancel";
  String S03 = "Done";

  TbsSkinForm* bsSkinForm1 = nullptr;
  TbsSkinStdLabel* LabelFiles = nullptr;
  TListView* ListView = nullptr;
  TImageList* ImageList1 = nullptr;
  TbsSkinGauge* PBar = nullptr;
  TbsSkinStdLabel* Label2 = nullptr;
  TbsSkinStdLabel* LabelTotalRenamed = nullptr;
  TbsSkinStdLabel* Label3 = nullptr;
  TbsSkinStdLabel* LabelTotalFailed = nullptr;
  TbsSkinStdLabel* Label4 = nullptr;
  TbsSkinStdLabel* LabelTotalSkipped = nullptr;
  TbsSkinButton* BntCancel = nullptr;
  TTimer* Timer1 = nullptr;

 private:
  void BuildControls();
  void ApplyNarrowLayout();
  void ApplyPreviewLayout();
  int32_t MonitorWidth();
  void CentreOnMainMonitor();

  bool FPreview = false;
  TForm* FMainForm = nullptr;
  TRenameEngine* FEngine = nullptr;
  bool FCancelled = false;
  bool FDone = false;
  int32_t FRenamedCount = 0;
  int32_t FFailedCount = 0;
  int32_t FSkippedCount = 0;
  bool FRepaintRows = false;
};
