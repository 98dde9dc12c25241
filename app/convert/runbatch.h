// The traversal of a conversion run: the input tree in its displayed order,
// depth first, with output subfolders when the structure is kept, the naming
// counter by its rules, and every file handed to the converter.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/rtl/types.h"

class TFileConverter;
class TMyFileObject;
class TTreeNode;
class TTreeView;

// The tab's settings as one run reads them.
struct TBatchRunOptions {
  bool BesideSource = false;
  String OutputFolder;  // ignored beside the sources
  bool FolderStructure = true;
  bool ContinueSN = false;
  int32_t StartFromNO = 1;
  bool Rename = false;
  String Pattern;
  int32_t CaseIndex = 0;
  int32_t OutputFormat = 0;
};

class TBatchRunner {
 public:
  explicit TBatchRunner(TFileConverter& Converter) : FConverter(Converter) {}

  // The whole run over the tree's top level. Never raises.
  void RunBatch(TTreeView* Tree, const TBatchRunOptions& Options);
  // The children of Node; RelPath is the folder's path below the output
  // folder, without leading or trailing "/".
  void ConvertFolderNode(TTreeNode* Node, const String& RelPath);

  int32_t Counter() const { return FCounter; }
  // The output folder of the run, ending in "/" (empty beside the sources).
  const String& OutputFolder() const { return FOptions.OutputFolder; }
  // Decides the lossless road for the run; empty: never.
  std::function<bool()> CheckLosslessOnly;
  // The conversion of one file; empty: the converter's own.
  std::function<void(const String& Source, const String& Destination)> ConvertFile;

 private:
  void ConvertLevel(TTreeNode* First, const String& RelPath);
  void ConvertFolderEntry(TTreeNode* Node, const String& RelPath);
  void ConvertFileEntry(const TMyFileObject* Record, const String& RelPath);
  void ReportUnconverted(TTreeNode* Node);
  void ResetCounter();
  bool Cancelled() const;

  TFileConverter& FConverter;
  TBatchRunOptions FOptions;
  int32_t FCounter = 0;
};
