// The modal window a conversion run happens in: one list row per file, the
// gauge, the clock with the remaining time, the size totals and savings, and
// the percentage in the application title. The run itself belongs to the
// convert tab; the dialog starts it 50 ms after it becomes active and the run
// reports into it through AddFileRow and ReportFileResult.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "platform/rtl/types.h"
#include "platform/vcl/forms.h"

class TbsSkinButton;
class TbsSkinData;
class TbsSkinForm;
class TbsSkinGauge;
class TImageList;
class TLabel;
class TListView;
class TTimer;

class TBatchConvertDialog : public TForm {
 public:
  explicit TBatchConvertDialog(TComponent* AOwner);
  const char* ClassName() const override { return "TBatchConvertDialog"; }

  // Appends the row of the file now being converted (Kind is not used).
  void AddFileRow(int32_t Kind, const String& Source, const String& Destination, const String& Status);
  // Completes the last row; only kinds 1 (new file) and 2 (replaced) count
  // their sizes.
  void ReportFileResult(int32_t Kind, const String& Source, const String& Destination, const String& Status,
                        int64_t OldSize, int64_t NewSize);

  // The cancel flag the run tests before every file; the overwrite question's
  // Cancel sets it too. Rows and results are ignored once it is set.
  bool Cancelled() const { return FCancelled; }
  void SetCancelled(bool Value) { FCancelled = Value; }
  int64_t TotalOldSize() const { return FTotalOldSize; }
  int64_t TotalNewSize() const { return FTotalNewSize; }
  bool RepaintRows() const { return FRepaintRows; }

  // Skins the frame, the gauge and the button.
  void SetSkinData(TbsSkinData* Value);

  // Handlers.
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void ClockTimerTimer(TObject* Sender);
  void BntCancelClick(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);

  // The run of the tab this dialog hosts, and the files in its input list.
  std::function<void()> RunBatch;
  int32_t FileCount = 0;

  // Controls.
  TLabel* LabelFiles = nullptr;
  TListView* ListView = nullptr;
  TImageList* ImageList1 = nullptr;
  TbsSkinGauge* PBar = nullptr;
  TbsSkinButton* BntCancel = nullptr;
  TLabel *Label5 = nullptr, *LabelTime = nullptr, *LabelLeft = nullptr, *TimeLeft = nullptr;
  TLabel *Label2 = nullptr, *LabelTotalOSize = nullptr, *Label3 = nullptr, *LabelTotalNSize = nullptr;
  TLabel *Label6 = nullptr, *LabelSavePer = nullptr, *Label8 = nullptr;
  TLabel *Label4 = nullptr, *LabelSaveKB = nullptr, *Label7 = nullptr;
  TTimer* Timer1 = nullptr;
  TTimer* ClockTimer = nullptr;
  TbsSkinForm* bsSkinForm1 = nullptr;
  // S01 the progress line ("%1%" of "%2%"), S02 Cancel, S03 Done.
  std::array<String, 10> MyStringCollection;

 private:
  void BuildControls();
  void BuildList();
  TLabel* AddLabel(const String& Caption, int32_t Left, int32_t Top);
  void ResetTexts();
  void UpdateTotals();

  TDateTime FStartTime = 0;
  bool FCancelled = false;
  int64_t FTotalOldSize = 0;
  int64_t FTotalNewSize = 0;
  bool FRepaintRows = false;
};

// The ratio of two sizes in percent, rounded with halves to even.
int64_t SizeRatioPercent(int64_t NewSize, int64_t OldSize);
// A saving in KB without unit: bytes / 1024 rounded up, thousands separated.
String FormatSavedKB(int64_t Bytes);
