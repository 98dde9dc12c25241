// The thumbnail thread of the shell file list: asks the shell for a picture
// of every listed object, one at a time, starting with the first item the
// user can see, and hands each picture to the main thread.
//
// The worker never touches the list. At its start the list hands it a
// snapshot of the items (a copy of each object's item-ID list, whether the
// item needs a picture, and the generation number of its record) and a copy
// of the folder's list for a browser of the worker's own. Pictures go back
// through TThread::Queue with the record's generation; the list stores one
// only when a record of that generation still exists. The stop request is
// the job's own, so a thread the list gave up waiting for stops at its next
// test and delivers nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/graphics.h"
#include "platform/rtl/threads.h"
#include "shell/idlists.h"

class TShellBrowser;

// The size the pictures are asked at and cut to.
inline constexpr int32_t ThumbnailPictureWidth = 100;
inline constexpr int32_t ThumbnailPictureHeight = 75;

struct TThumbnailSource {
  // Relative to the job's folder; nil asks for no picture (a blank one).
  std::shared_ptr<ITEMIDLIST> IDList;
  // Folders, items that already have a picture and items without a record.
  bool Done = false;
  uint64_t Generation = 0;
};

// What one thread shares with its list.
struct TThumbnailJob {
  ~TThumbnailJob();

  // Read by both threads.
  std::atomic<bool> Stop{false};
  // The list's first visible item (-1: none), published by the list.
  std::shared_ptr<std::atomic<int32_t>> FirstVisible;
  // Written before the thread starts, read-only afterwards.
  LPITEMIDLIST Folder = nullptr;
  std::vector<TThumbnailSource> Items;

  // Main thread only. Cleared when the list lets the job go.
  std::function<void(int32_t Index, uint64_t Generation, std::unique_ptr<TBitmap> Picture)> Deliver;
  std::function<void()> OnEnded;
  bool Ended = false;
};

class TScanThumbnailThread : public TThread {
 public:
  // Suspended; binds its browser to a copy of the job's folder and raises
  // EShellBrowserError when that fails. Frees itself once it has ended.
  explicit TScanThumbnailThread(std::shared_ptr<TThumbnailJob> Job);
  ~TScanThumbnailThread() override;

  // Threads made and not yet freed, in the whole process.
  static int32_t LiveCount() { return FLiveCount.load(); }

 protected:
  void Execute() override;

 private:
  void ExtractItem(int32_t Index);
  std::unique_ptr<TBitmap> Picture(const TThumbnailSource& Source);

  std::shared_ptr<TThumbnailJob> FJob;
  std::unique_ptr<TShellBrowser> FBrowser;
  std::vector<bool> FHandled;
  int32_t FDoneCount = 0;
  int32_t FTotal = 0;
  static std::atomic<int32_t> FLiveCount;
};

// A picture of at most 100 x 75 from a thumbnail (cut, never scaled), or a
// blank (white) 100 x 75 one for nil. Takes over the handle.
std::unique_ptr<TBitmap> ThumbnailPicture(HBITMAP Thumbnail);
