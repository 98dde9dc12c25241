// The checked selection of the shell controls' check boxes: checked files by
// their paths and whole folders as "folder/*", kept minimal (nothing inside a
// checked folder has an entry of its own), with the total size and count of
// the files it covers. Folder sizes are summed by threads in the background
// and merged on the main thread, so the totals lag behind the entries until
// every size thread has ended. Entries compare byte for byte.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/stringlist.h"
#include "platform/rtl/threads.h"
#include "platform/shellapi/shlobj.h"

// Check states: the indexes of TZavSelectionStateImageList.
inline constexpr int32_t ZavCheckNone = 1;  // no check box: missing, or its volume cannot be asked
inline constexpr int32_t ZavCheckChecked = 2;
inline constexpr int32_t ZavCheckUnchecked = 3;
inline constexpr int32_t ZavCheckGrayed = 4;  // something inside is checked

class TZavSelectionList;

// What a size thread shares with its list.
struct TZavSizeWork {
  std::atomic<bool> Cancel{false};
  // Main thread only.
  TZavSelectionList* Owner = nullptr;
  bool Freed = false;
};

// Sums the regular files below a folder (or one file) without following
// symbolic links; adds Sign times the result to its list when it ends.
class TZavFolderSizeThread : public TThread {
 public:
  TZavFolderSizeThread(std::shared_ptr<TZavSizeWork> Work, const String& Path, int32_t Sign);
  ~TZavFolderSizeThread() override;
  int32_t Sign() const { return FSign; }
  const String& Path() const { return FPath; }
  int64_t Total() const { return FTotal; }
  int32_t FilesCounted() const { return FFilesCounted; }

 protected:
  void Execute() override;

 private:
  void SumFolder(const String& Folder);

  std::shared_ptr<TZavSizeWork> FWork;
  const int32_t FSign;
  String FPath;
  int64_t FTotal = 0;
  int32_t FFilesCounted = 0;
};

class TZavSelectionList : public TObject {
 public:
  TZavSelectionList();
  // Cancels the running size threads and waits until they are gone.
  ~TZavSelectionList() override;
  const char* ClassName() const override { return "TZavSelectionList"; }

  TStrings* Paths() const { return FPaths.get(); }
  int64_t TotalBytes() const { return FTotalBytes; }
  int32_t FileCount() const { return FFileCount; }
  // Size threads that have not ended yet.
  int32_t RunningSizeThreads() const { return int32_t(FWork.size()); }

  void AddPath(const String& Path);
  void RemovePath(const String& Path);
  int32_t GetState(const String& Path, bool& ViaAncestor);
  void AddIDList(LPCITEMIDLIST List);
  void RemoveIDList(LPCITEMIDLIST List);
  int32_t GetStateOfIDList(LPCITEMIDLIST List, bool& ViaAncestor);
  // The highest folder that is wholly checked once the object is, else the
  // object itself; a new list the caller frees.
  LPITEMIDLIST GetFullyCheckedAncestor(LPCITEMIDLIST List);
  // Merges a finished size thread (main thread).
  void AddSizes(TZavFolderSizeThread* Thread);

  // "" and "." and ".." and missing paths give false; a folder becomes
  // "folder/*".
  static bool NormalizeEntry(String& Path);

 private:
  bool Has(const String& Entry) const { return FPaths->IndexOf(Entry) >= 0; }
  void StartSizeThread(const String& Path, int32_t Sign);
  void RemoveBelow(const String& Folder);
  void ExpandExcept(const String& Folder, const String& Path, String& Covering);
  bool IsCheckedDeep(const String& Path);
  bool SiblingsCheckedDeep(const String& Folder, const String& Except);

  std::unique_ptr<TStringList> FPaths;
  int64_t FTotalBytes = 0;
  int32_t FFileCount = 0;
  std::vector<std::shared_ptr<TZavSizeWork>> FWork;
};
