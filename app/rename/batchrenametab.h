// The batch-rename tab (853 x 491), the main window's second page: the shared
// file list and input tree of TInputTabBase with the rename switches (camera
// RAW files accepted, no folder editing, drops to the top level, the tree
// cleared after every real run), the naming settings in template or
// find-and-replace mode, and the Start and Preview buttons of the rename
// engine.
#pragma once

#include <cstdint>

#include "app/convert/inputtabbase.h"
#include "app/rename/renameengine.h"

class TbsSkinSpinEdit;

class TBatchRenameTab : public TInputTabBase {
 public:
  TBatchRenameTab(TComponent* AOwner, TWinControl* AParent);
  ~TBatchRenameTab() override;
  const char* ClassName() const override { return "TBatchRenameTab"; }

  // ---- The main window ----
  using TInputTabBase::SetMainForm;
  void SetMainForm(TBatchConvert* Form) override;
  void LoadControls(TPictovalSettings& Settings) override;
  void StoreControls(TPictovalSettings& Settings) override;
  void SetPlainButtonsSkin(TbsSkinData* SkinData) override;
  void SetSkinData(TbsSkinData* Skin) override;

  // ---- The rename run ----
  // Start and Preview: the sender tells them apart.
  void BntStartClick(TObject* Sender);
  void RunRename() { FEngine.RunRename(); }
  void RenameFolderNode(TTreeNode* Node) { FEngine.RenameFolderNode(Node); }
  String BuildTemplateName(const String& Path, const String& Template) {
    return FEngine.BuildTemplateName(Path, Template);
  }
  String BuildReplacedName(const String& Path) { return FEngine.BuildReplacedName(Path); }
  // The naming settings as the controls show them.
  TRenameSettings NamingSettings();
  TRenameEngine& Engine() { return FEngine; }

  // The help texts and the find-and-replace edits in the colours of the
  // skin of that number.
  void ApplySkinColours(int32_t SkinNo);

  // ---- Handlers of the naming controls ----
  void DisplayFileNumberTimerTimer(TObject* Sender) override;
  void ChkFileTemplateClick(TObject* Sender);
  void NameEditChange(TObject* Sender);
  void SFChange(int32_t Pair);
  void RSClick(int32_t Pair);
  void BntRenameClick(TObject* Sender);
  void PP3Resize(TObject* Sender);

  // ---- Controls of this tab ----
  TbsSkinCheckRadioBox* ChkFileTemplate = nullptr;
  TbsSkinCheckRadioBox* ChkReplace = nullptr;
  TbsSkinComboBox* NameEdit = nullptr;
  TbsSkinSpinEdit* StartFromNO = nullptr;
  TbsSkinButton* BntRename = nullptr;
  TbsSkinStdLabel* CaseLabel = nullptr;
  TbsSkinComboBox* CaseList = nullptr;
  TbsSkinCheckRadioBox* ContinueSN = nullptr;
  TbsSkinStdLabel* Label3 = nullptr;  // template
  TbsSkinStdLabel* Label4 = nullptr;  // the template characters
  TbsSkinStdLabel* Label5 = nullptr;  // hint
  TbsSkinStdLabel* Label2 = nullptr;  // find
  TbsSkinStdLabel* Label7 = nullptr;  // replace with
  TbsSkinStdLabel* TX[3] = {};        // TX1..TX3
  TbsSkinCustomEdit* SF[3] = {};      // SF1..SF3: find
  TbsSkinCustomEdit* RW[3] = {};      // RW1..RW3: replace
  TbsSkinButton* RS[3] = {};          // RS1..RS3: clear the pair
  TbsSkinCheckRadioBox* ChkSearchCase = nullptr;

 private:
  void SetTexts();
  void BuildRenameControls();
  void BuildTemplateControls();
  void BuildReplaceControls();
  void PlaceForRename();
  void BindRenameEvents();
  void BindEngine();
  bool TemplateHasCounter();

  TBatchConvert* FHost = nullptr;
  TRenameEngine FEngine;
};

// Makes the rename tab the main window's page 1.
void RegisterBatchRenameTab();
