// The batch-convert tab (850 x 467): the shared file list and input tree of
// TInputTabBase, the output settings (format, folder, structure, advanced
// options, renaming, dates, overwrite question), the small preview and the
// start button. Its conversion run, output naming and option dialogs are
// built on the members kept here.
#pragma once

#include <cstdint>
#include <memory>

#include "app/convert/convertfile.h"
#include "app/convert/inputtabbase.h"
#include "app/convert/runbatch.h"

class TBatchConvertDialog;
class TImgView;
class TIOParas;
class TOutputFormatOptions;
class TStream;
class TStringList;
class TbsSkinSpinEdit;
class TimgData;

class TBatchConvertTab : public TInputTabBase {
 public:
  TBatchConvertTab(TComponent* AOwner, TWinControl* AParent);
  ~TBatchConvertTab() override;
  const char* ClassName() const override { return "TBatchConvertTab"; }

  // ---- Settings ----
  // The controls from the live settings; setting the boxes runs their click
  // handlers, which show and hide what depends on them.
  void LoadControls(TPictovalSettings& Settings) override;
  // The controls back into the settings (the preview box writes its own key
  // when clicked).
  void StoreControls(TPictovalSettings& Settings) override;
  // The rename-help button, which one skin leaves plain.
  void SetPlainButtonsSkin(TbsSkinData* SkinData) override;
  // The output folder edit completes folder names too.
  void FinishLoading() override;

  // ---- Handlers of the output side ----
  void DisplayFileNumberTimerTimer(TObject* Sender) override;
  void ChkSaveInSameFolderClick(TObject* Sender);
  void ChkRenameClick(TObject* Sender);
  void ContinueSNClick(TObject* Sender);
  void CreateFolder1Click(TObject* Sender);
  void TreeViewDblClick(TObject* Sender);
  void BntSelectFolderClick(TObject* Sender);
  void PP3Resize(TObject* Sender);

  // ---- The conversion run ----
  // Checks the input list, the output folder and the pattern, then runs
  // the conversion inside the modal progress dialog.
  void BntStartClick(TObject* Sender);
  // The run, from the progress dialog's timer.
  void RunBatch();
  void ConvertFolderNode(TTreeNode* Node, const String& RelPath);
  // One file, with the tab's controls and the live output options.
  bool ConvertFile(const String& Source, const String& Destination, bool Preview, TStream* Stream, TImgView* View);
  TBatchConvertDialog* ConvertDialog() const { return FConvertDialog; }
  TFileConverter& Converter();

  // ---- Handlers of the later items: they do nothing until those land ----
  void bsSkinButton3Click(TObject* Sender);
  // The naming controls: the counter start shows only for a pattern with a
  // "#"; the "?" button explains the pattern.
  void NameEditChange(TObject* Sender);
  void BntRenameClick(TObject* Sender);
  // The output-format options dialog, created on first use (owned by the
  // main window, editing the live output parameters); nullptr without
  // live settings.
  TOutputFormatOptions* OutputFormatOptions();
  void ChkAdvancedOptionsClick(TObject* Sender);
  void BntAdvancedOptionsClick(TObject* Sender);
  void Preview1Click(TObject* Sender);
  void BntPreviewClick(TObject* Sender);
  void Open1Click(TObject* Sender) override;

  // ---- Controls of this tab ----
  TbsSkinComboBox* OutputFormat = nullptr;
  TbsSkinButton* bsSkinButton3 = nullptr;  // output-format options
  TbsSkinCheckRadioBox* ChkSaveInSameFolder = nullptr;
  TbsSkinCustomEdit* OutputFolder = nullptr;
  TbsSkinButton* BntSelectFolder = nullptr;
  TbsSkinStdLabel* OriFolderTips = nullptr;
  TbsSkinCheckRadioBox* ChkFolderStructure = nullptr;
  TbsSkinCheckRadioBox* ChkAdvancedOptions = nullptr;
  TbsSkinButton* BntAdvancedOptions = nullptr;
  TbsSkinCheckRadioBox* ChkRename = nullptr;
  TbsSkinComboBox* NameEdit = nullptr;
  TbsSkinSpinEdit* StartFromNO = nullptr;
  TbsSkinButton* BntRename = nullptr;
  TbsSkinStdLabel* CaseLabel = nullptr;
  TbsSkinComboBox* CaseList = nullptr;
  TbsSkinCheckRadioBox* ContinueSN = nullptr;
  TbsSkinCheckRadioBox* ChkKeepDataTime = nullptr;
  TbsSkinCheckRadioBox* BntAsk = nullptr;  // ask before overwriting
  TMenuItem* Preview1 = nullptr;
  TMenuItem* CreateFolder1 = nullptr;
  // The hidden work views of the conversion.
  TImgView* Img = nullptr;
  TImgView* ImgViewTemp = nullptr;

 protected:
  void BuildOutputControls();
  void BindOutputEvents();
  void SetTexts();
  bool CheckStart();
  bool CreateOutputFolder();
  void ShowConvertDialog();

  // State of the conversion run and of its dialogs.
  std::unique_ptr<TimgData> FExifReader;
  std::unique_ptr<TStringList> FTextLines;
  TForm* FAdvancedOptionsWindow = nullptr;
  TOutputFormatOptions* FOutputFormatOptions = nullptr;
  int32_t FOverwriteAnswer = 0;
  bool FLossless = false;
  bool FBesideSource = false;
  int32_t FCounter = 0;
  String FOutputFolder;
  String FCurrentSource;
  String FCurrentTarget;
  TBatchConvertDialog* FConvertDialog = nullptr;
  std::unique_ptr<TFileConverter> FConverter;
  std::unique_ptr<TBatchRunner> FRunner;
  // Output options when no settings are attached (a tab on its own).
  std::unique_ptr<TIOParas> FOwnParas;
  // The system's keep-awake call; there is none here, so it stays nil.
  void (*FSetThreadExecutionState)(uint32_t) = nullptr;
};

// Makes the convert tab the main window's page 0.
void RegisterBatchConvertTab();
