// The rename engine behind the rename tab's Start and Preview buttons: checks
// the naming settings, asks for confirmation, walks the input tree in display
// order and renames every file in place (or only lists its new name), with the
// collision rules. Every rename goes through RenameFile, which never replaces
// an existing file, so a refused rename keeps both files.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/rtl/types.h"

class TBatchRenameDialog;
class TbsSkinData;
class TbsSkinMessage;
class TbsSkinProgressDialog;
class TComponent;
class TCustomTreeView;
class TForm;
class TTreeNode;

// Outcome of one file, as the dialog counts it.
enum class TRenameKind : int32_t { Renamed = 1, Failed = 2, Skipped = 3 };

// The naming settings of a run, taken from the tab's controls.
struct TRenameSettings {
  bool TemplateMode = true;  // else find and replace
  String Template = "Image#####";
  int32_t StartFrom = 1;
  bool ContinueSN = false;
  int32_t CaseIndex = 0;  // extension case: 0 unchanged, 1 lower, 2 upper
  String Find[3];
  String Replace[3];
  bool MatchCase = false;
};

// The texts of the tab's message table that the engine shows.
struct TRenameTexts {
  String S05 = "The input list is empty. Add the files to rename first.";
  String S06 = "The name template must contain at least one \"#\" or \"*\".";
  String S07 = "Rename the files of the input list?";
  String S08 = "%1% files";
  String S11 = "Enter the text to find first.";
  String S12 = "Find %1% and replace it with %2%";
  String S13 = "Building the preview list...";
  String S14 = "Renamed";
  String S15 = "Failed";
  String S16 = "Unchanged";
  String S17 = "Exists, skipped";
};

// Both paths name one file on disk (same device and inode). False when
// either cannot be read.
bool SameFileOnDisk(const String& A, const String& B);
// Whether Name may be a new file name in its folder: not empty, not "." or
// "..", and without "/", "\" or NUL, so no rename can leave the folder.
bool IsAcceptableNewName(const String& Name);
// The extension with its dot; empty when the name has no dot or its only
// dot is its first character (".profile").
String NameExtension(const String& Path);

// What the run needs from its surroundings; the tab fills it in. Every hook
// may stay empty.
struct TRenameHost {
  TCustomTreeView* Tree = nullptr;            // the input tree; node data are TMyFileObject
  TForm* MainForm = nullptr;                  // owner of the dialog
  TbsSkinData* SkinData = nullptr;            // the main window's skin for the dialog
  TbsSkinMessage* Messager = nullptr;         // information and confirmation boxes
  TbsSkinProgressDialog* Progress = nullptr;  // the preview's progress window
  String PreviewCaption;                      // the Preview button's hint
  std::function<TRenameSettings()> ReadSettings;
  std::function<void()> FocusTemplate;  // after S06
  std::function<void()> FocusFind;      // after S11
  std::function<void()> Repaint;        // the tab repaints
  std::function<void()> ClearInput;     // after every real run
  std::function<void()> RefreshList;    // after a real run that renamed something
};

class TRenameEngine {
 public:
  TRenameEngine() = default;
  ~TRenameEngine();
  TRenameEngine(const TRenameEngine&) = delete;
  TRenameEngine& operator=(const TRenameEngine&) = delete;

  TRenameHost Host;
  TRenameTexts Texts;
  TRenameSettings Settings;  // read from Host.ReadSettings at each start
  // Whether two paths name one file; tests replace it to play a
  // case-insensitive mount.
  std::function<bool(const String& A, const String& B)> SameFile = SameFileOnDisk;
  // Whether a file (not a folder) is at the path; replaceable for the same
  // reason.
  std::function<bool(const String& Path)> FileExistsProbe;

  // The Start (Preview false) and Preview buttons.
  void StartClick(bool Preview);

  // The walk: over the top-level nodes, and over one folder node's children.
  void RunRename();
  void RenameFolderNode(TTreeNode* Folder);
  // The new file name with extension from the template; advances the counter.
  String BuildTemplateName(const String& Path, const String& Template);
  // The new file name with extension from the find-and-replace pairs.
  String BuildReplacedName(const String& Path);
  // A preview row, or the real rename with the collision rules and its row.
  void RenameOneFile(TTreeNode* Node, const String& OldPath, const String& ShownOldPath, const String& NewPath);
  // Frees the target name when a later input file of the same level is the
  // file that holds it, by moving that file to "name_n.ext".
  bool MoveAsideBlockingFile(TTreeNode* Node, const String& TargetPath);

  // File records in the tree (folders not counted).
  int32_t FileCount() const;

  int32_t Counter() const { return FCounter; }
  void SetCounter(int32_t Value) { FCounter = Value; }
  bool PreviewRun() const { return FPreviewRun; }
  void SetPreviewRun(bool Value) { FPreviewRun = Value; }
  // The dialog the rows go to (nil between runs).
  TBatchRenameDialog* RenameDialog() const { return FRenameDialog; }
  void SetRenameDialog(TBatchRenameDialog* Value) { FRenameDialog = Value; }

 private:
  bool Cancelled() const;
  bool Exists(const String& Path) const;
  void RenameFileNode(TTreeNode* Node);
  void WalkLevel(TTreeNode* First);
  bool CheckSettings();
  bool Confirmed();
  void CreateRunDialog();
  void ShowRunDialog();
  void AfterRealRun();
  String ConfirmationText() const;
  void FillPreview();
  void AddRow(TRenameKind Kind, const String& Old, const String& New, const String& Status);
  void RealRename(TTreeNode* Node, const String& OldPath, const String& ShownOldPath, const String& NewPath);
  void PreviewRow(TTreeNode* Node, const String& ShownOldPath, const String& NewPath);

  int32_t FCounter = 0;
  bool FPreviewRun = false;
  TBatchRenameDialog* FRenameDialog = nullptr;
};
