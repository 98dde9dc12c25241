#include "shell/thumbthread.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/win_ole.h"
#include "shell/shellbrowser.h"

std::atomic<int32_t> TScanThumbnailThread::FLiveCount{0};

TThumbnailJob::~TThumbnailJob() { FreeIDList(Folder); }

std::unique_ptr<TBitmap> ThumbnailPicture(HBITMAP Thumbnail) {
  auto picture = std::make_unique<TBitmap>();
  if (Thumbnail != nullptr) {
    picture->SetHandle(Thumbnail);
    if (picture->Width() > ThumbnailPictureWidth || picture->Height() > ThumbnailPictureHeight)
      picture->SetSize(std::min(picture->Width(), ThumbnailPictureWidth),
                       std::min(picture->Height(), ThumbnailPictureHeight));
    return picture;
  }
  picture->SetPixelFormat(TPixelFormat::pf24bit);
  picture->SetSize(ThumbnailPictureWidth, ThumbnailPictureHeight);
  // Through the pixels: no canvas (and no font or DC) on a worker.
  for (int32_t y = 0; y < ThumbnailPictureHeight; ++y)
    std::memset(picture->ScanLine(y), 0xFF, size_t(ThumbnailPictureWidth) * 3);
  return picture;
}

TScanThumbnailThread::TScanThumbnailThread(std::shared_ptr<TThumbnailJob> Job)
    : TThread(true), FJob(std::move(Job)), FBrowser(std::make_unique<TShellBrowser>(nullptr)) {
  FBrowser->SetShowErrorMessages(false);
  FBrowser->SetFolderIDList(FJob->Folder);
  ++FLiveCount;
}

TScanThumbnailThread::~TScanThumbnailThread() { --FLiveCount; }

void TScanThumbnailThread::Execute() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (com != S_OK && com != S_FALSE) return;
  FTotal = int32_t(FJob->Items.size());
  FHandled.assign(size_t(FTotal), false);
  for (int32_t i = 0; i < FTotal && !FJob->Stop; ++i)
    if (FJob->Items[size_t(i)].Done) {
      FHandled[size_t(i)] = true;
      ++FDoneCount;
    }
  // p walks the items from the first visible one and wraps; a new first
  // visible item (the user scrolled) moves it there at once.
  int32_t p = 0, seen = 0;
  while (!FJob->Stop && FDoneCount < FTotal) {
    const int32_t first = FJob->FirstVisible ? FJob->FirstVisible->load() : 0;
    if (first >= 0 && first != seen) p = first;
    if (p >= 0 && p < FTotal && !FHandled[size_t(p)]) ExtractItem(p);
    ++p;
    if (first >= 0) seen = first;
    if (p >= FTotal) p = 0;
  }
  FBrowser.reset();
  CoUninitialize();
}

void TScanThumbnailThread::ExtractItem(int32_t Index) {
  FHandled[size_t(Index)] = true;
  ++FDoneCount;
  const TThumbnailSource& source = FJob->Items[size_t(Index)];
  std::unique_ptr<TBitmap> picture = Picture(source);
  if (FJob->Stop || !picture) return;
  // std::function needs a copyable closure.
  auto holder = std::make_shared<std::unique_ptr<TBitmap>>(std::move(picture));
  Queue([job = FJob, Index, generation = source.Generation, holder] {
    if (job->Deliver) job->Deliver(Index, generation, std::move(*holder));
  });
}

std::unique_ptr<TBitmap> TScanThumbnailThread::Picture(const TThumbnailSource& Source) {
  HBITMAP thumbnail = nullptr;
  if (Source.IDList) {
    FBrowser->SetCurrentIDList(Source.IDList.get());
    try {
      thumbnail = FBrowser->ExtractThumbnail(ThumbnailPictureWidth, ThumbnailPictureHeight);
    } catch (const std::exception&) {
      thumbnail = nullptr;
    }
  }
  try {
    return ThumbnailPicture(thumbnail);
  } catch (const std::exception&) {
    return nullptr;
  }
}
