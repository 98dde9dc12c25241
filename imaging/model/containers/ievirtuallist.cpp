#include "imaging/model/containers/ievirtuallist.h"

#include <algorithm>
#include <cstring>

#include "imaging/model/pixels/ieaccessscope.h"
#include "imaging/model/pixels/iedefs.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scopeguard.h"

namespace {

constexpr uint8_t kRead = 1;
constexpr uint8_t kWrite = 2;
constexpr uint8_t kReadWrite = 3;

int32_t StoredRowLen(int32_t Width, int32_t BitCount) {
  return static_cast<int32_t>(IEBitmapRowLen(Width, BitCount, 32));
}

TIEDataAccess ToDataAccess(uint8_t Access) {
  TIEDataAccess a;
  if (Access & kRead) a.Include(TIEDataAccessItem::iedRead);
  if (Access & kWrite) a.Include(TIEDataAccessItem::iedWrite);
  return a;
}

// Narrows a bitmap's access for the rows one copy walks and restores it,
// dropping the row buffers of a file-backed TIEBitmap so that the last row
// written reaches its file.
class TRowAccess {
 public:
  TRowAccess(TIEBaseBitmap* Bitmap, TIEDataAccess Access) : FBitmap(Bitmap), FScope(Bitmap, Access) {}
  // The access goes back after the rows are dropped (FScope ends after this body).
  ~TRowAccess() {
    try {
      Drop();
    } catch (...) {
      // An exception is already passing or the row buffer is lost either way.
    }
  }
  TRowAccess(const TRowAccess&) = delete;
  TRowAccess& operator=(const TRowAccess&) = delete;
  // Writes back what is pending (may raise).
  void Drop() {
    auto* ie = dynamic_cast<TIEBitmap*>(FBitmap);
    if (ie && ie->Location() == TIELocation::ieFile) ie->FreeRowBuffers();
  }

 private:
  TIEBaseBitmap* FBitmap;
  TIEAccessScope FScope;
};

}  // namespace

// ---- Construction --------------------------------------------------------------------

TIEVirtualImageList::TIEVirtualImageList(const String& Prefix)
    : FFile(std::make_unique<TIEFileBuffer>()), FPrefix(Prefix) {
  ResetFile();
}

TIEVirtualImageList::~TIEVirtualImageList() { Clear(); }

// ---- Sizes and formats -----------------------------------------------------------------

int64_t TIEVirtualImageList::StoredSize(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitCount,
                                        bool ImageHasAlpha) {
  int64_t v = static_cast<int64_t>(ImageHeight) * IEBitmapRowLen(ImageWidth, ImageBitCount, 32);
  if (ImageHasAlpha) v += 1 + static_cast<int64_t>(ImageHeight) * IEBitmapRowLen(ImageWidth, 8, 32);
  return v;
}

bool TIEVirtualImageList::Storable(TIEBaseBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) return false;
  const TIEPixelFormat f = Bitmap->PixelFormat();
  return (f == TIEPixelFormat::ie1g && Bitmap->BitCount() == 1) ||
         (f == TIEPixelFormat::ie24RGB && Bitmap->BitCount() == 24);
}

// ---- Mapping ---------------------------------------------------------------------------

void TIEVirtualImageList::Map(TIEVirtualImage* Image, uint8_t ImageAccess) {
  if (Image->Memory && Image->Access != ImageAccess) Unmap(Image);
  if (Image->Memory) {
    // Already mapped as asked: it becomes the most recently used.
    auto it = std::find(FMapped.begin(), FMapped.end(), Image);
    if (it != FMapped.end()) std::rotate(it, it + 1, FMapped.end());
    return;
  }
  // One image is mapped even with a limit below 1.
  while (!FMapped.empty() && static_cast<int32_t>(FMapped.size()) + 1 > FMaxMapped) UnmapOldest();
  TranslateOutOfMemory([&] { FMapped.reserve(FMapped.size() + 1); });
  Image->Memory = static_cast<uint8_t*>(FFile->Map(ToDataAccess(ImageAccess), Image->Position, Image->AllocatedSize));
  FMapped.push_back(Image);
  Image->Access = ImageAccess;
}

void TIEVirtualImageList::Unmap(TIEVirtualImage* Image) {
  if (!Image->Memory) return;
  uint8_t* memory = Image->Memory;
  Image->Memory = nullptr;
  auto it = std::find(FMapped.begin(), FMapped.end(), Image);
  if (it != FMapped.end()) FMapped.erase(it);
  FFile->Unmap(memory);  // written back when mapped for writing
}

void TIEVirtualImageList::UnmapOldest() {
  if (!FMapped.empty()) Unmap(FMapped.front());
}

void TIEVirtualImageList::UnmapAll() {
  while (!FMapped.empty()) Unmap(FMapped.front());
}

void TIEVirtualImageList::ResetFile() {
  // The free space inside the file is forgotten (lost until the file is
  // reset empty).
  FFreeBlocks.clear();
  if (FFile->IsAllocated()) {
    UnmapAll();
    FFile->SetFileSize(FFileSize);
  } else {
    Clear();
    FFile->AllocateFile(FPrefix, FFileSize);
  }
}

// ---- Space -------------------------------------------------------------------------------

bool TIEVirtualImageList::AllocSpace(TIEVirtualImage* Image, int32_t ImageWidth, int32_t ImageHeight,
                                     int32_t ImageBitCount, bool ImageHasAlpha, TIEPixelFormat ImagePixelFormat) {
  // No file (it could not be created, or Clear deleted it): try once more.
  // Without a file there is no image either, so nothing is lost.
  if (!FFile->IsAllocated()) ResetFile();
  if (!FFile->IsAllocated()) return false;
  const int64_t v = StoredSize(ImageWidth, ImageHeight, ImageBitCount, ImageHasAlpha);

  // First fit; a block is never split.
  bool reused = false;
  int64_t position = FEnd;
  for (auto it = FFreeBlocks.begin(); it != FFreeBlocks.end(); ++it) {
    if (it->Size >= v) {
      position = it->Position;
      FFreeBlocks.erase(it);
      reused = true;
      break;
    }
  }
  if (!reused) {
    if (v > FIncrement) FIncrement = v + FLastSize;
    FLastSize = v;
    position = FEnd;
    if (FEnd + v > FFileSize) {
      FFileSize += FIncrement;
      ResetFile();
    }
  }

  Image->Position = position;
  Image->Size = v;
  Image->AllocatedSize = v;
  Image->Width = ImageWidth;
  Image->Height = ImageHeight;
  Image->BitCount = ImageBitCount;
  Image->PixelFormat = ImagePixelFormat;
  Image->HasAlpha = ImageHasAlpha ? 1 : 0;
  Image->OriginalWidth = ImageWidth;
  Image->OriginalHeight = ImageHeight;
  Image->Access = kWrite;
  Map(Image, kWrite);
  if (!reused) FEnd += v;
  return true;
}

TIEVirtualImage* TIEVirtualImageList::AllocImage(int32_t ImageWidth, int32_t ImageHeight, bool ImageHasAlpha,
                                                 TIEPixelFormat ImagePixelFormat, int32_t ImageBitCount) {
  if (ImageWidth <= 0 || ImageHeight <= 0 || ImageBitCount <= 0) return nullptr;
  // One image is moved in one window, which holds at most 2 GB.
  if (StoredSize(ImageWidth, ImageHeight, ImageBitCount, ImageHasAlpha) > 2147483647) return nullptr;
  auto image = std::make_unique<TIEVirtualImage>();
  TranslateOutOfMemory([&] { FImages.reserve(FImages.size() + 1); });
  if (!AllocSpace(image.get(), ImageWidth, ImageHeight, ImageBitCount, ImageHasAlpha, ImagePixelFormat)) return nullptr;
  FImages.push_back(std::move(image));
  return FImages.back().get();
}

// ---- Copies ------------------------------------------------------------------------------

void TIEVirtualImageList::WriteImage(TIEVirtualImage* Image, TIEBaseBitmap* Bitmap) {
  const int32_t h = Image->Height;
  const int32_t rowLen = StoredRowLen(Image->Width, Image->BitCount);
  const size_t copy = static_cast<size_t>(std::min(rowLen, Bitmap->RowLen()));
  {
    TRowAccess access(Bitmap, TIEDataAccess{TIEDataAccessItem::iedRead});
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* dst = Image->Memory + static_cast<int64_t>(rowLen) * (h - 1 - y);
      std::memcpy(dst, Bitmap->ScanLine(y), copy);
      std::memset(dst + copy, 0, static_cast<size_t>(rowLen) - copy);
    }
  }
  if (!Image->HasAlpha) return;
  TIEBitmap* alpha = static_cast<TIEBitmap*>(Bitmap)->AlphaChannel();
  uint8_t* base = Image->Memory + static_cast<int64_t>(rowLen) * h;
  base[0] = alpha->Full() ? 1 : 0;
  const int32_t aRowLen = StoredRowLen(Image->Width, 8);
  const size_t aCopy = static_cast<size_t>(std::min(aRowLen, alpha->RowLen()));
  TRowAccess access(alpha, TIEDataAccess{TIEDataAccessItem::iedRead});
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* dst = base + 1 + static_cast<int64_t>(aRowLen) * (h - 1 - y);
    if (y < alpha->Height()) {
      std::memcpy(dst, alpha->ScanLine(y), aCopy);
      std::memset(dst + aCopy, 0, static_cast<size_t>(aRowLen) - aCopy);
    } else {
      std::memset(dst, 0, static_cast<size_t>(aRowLen));
    }
  }
}

TIEVirtualImage* TIEVirtualImageList::AddBitmap(TIEBaseBitmap* Bitmap) {
  if (!Storable(Bitmap)) return nullptr;
  auto* ie = dynamic_cast<TIEBitmap*>(Bitmap);
  const bool hasAlpha = ie && ie->HasAlphaChannel();
  TIEVirtualImage* image =
      AllocImage(Bitmap->Width(), Bitmap->Height(), hasAlpha, Bitmap->PixelFormat(), Bitmap->BitCount());
  if (!image) return nullptr;
  {
    auto cleanup = ScopeFail([&] { Delete(Count() - 1); });
    WriteImage(image, Bitmap);
  }
  return image;
}

void TIEVirtualImageList::CopyToBitmap(TIEVirtualImage* Image, TIEBitmap* Bitmap) {
  if (!Image || !Bitmap) return;
  Map(Image, kRead);
  const int32_t w = Image->Width, h = Image->Height;
  const TIEPixelFormat format = Image->BitCount == 1 ? TIEPixelFormat::ie1g : TIEPixelFormat::ie24RGB;
  if (Bitmap->PixelFormat() != format || Bitmap->Width() != w || Bitmap->Height() != h || Bitmap->IsEmpty())
    Bitmap->Allocate(w, h, format);
  const int32_t rowLen = StoredRowLen(w, Image->BitCount);
  {
    const size_t copy = static_cast<size_t>(std::min(rowLen, Bitmap->RowLen()));
    TRowAccess access(Bitmap, TIEDataAccess{TIEDataAccessItem::iedWrite});
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(Bitmap->ScanLine(y), Image->Memory + static_cast<int64_t>(rowLen) * (h - 1 - y), copy);
    access.Drop();
  }
  const uint8_t* base = Image->Memory + static_cast<int64_t>(rowLen) * h;
  if (!Image->HasAlpha || base[0] != 0) {
    Bitmap->RemoveAlphaChannel();
    return;
  }
  if (Bitmap->HasAlphaChannel() && (Bitmap->AlphaChannel()->Width() != w || Bitmap->AlphaChannel()->Height() != h))
    Bitmap->RemoveAlphaChannel();
  TIEBitmap* alpha = Bitmap->AlphaChannel();
  const int32_t aRowLen = StoredRowLen(w, 8);
  const size_t aCopy = static_cast<size_t>(std::min(aRowLen, alpha->RowLen()));
  {
    TRowAccess access(alpha, TIEDataAccess{TIEDataAccessItem::iedWrite});
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(alpha->ScanLine(y), base + 1 + static_cast<int64_t>(aRowLen) * (h - 1 - y), aCopy);
    access.Drop();
  }
  alpha->SetFull(false);
}

bool TIEVirtualImageList::CopyFromBitmap(TIEVirtualImage* Image, TIEBitmap* Bitmap) {
  if (!Image || !Storable(Bitmap) || !FFile->IsAllocated()) return false;
  Map(Image, kReadWrite);
  const bool hasAlpha = Bitmap->HasAlphaChannel();
  if (Bitmap->Width() != Image->Width || Bitmap->Height() != Image->Height || Bitmap->BitCount() != Image->BitCount ||
      hasAlpha != (Image->HasAlpha != 0)) {
    // New space; the old is not returned to the free blocks.
    Unmap(Image);
    AllocSpace(Image, Bitmap->Width(), Bitmap->Height(), Bitmap->BitCount(), hasAlpha, Bitmap->PixelFormat());
  }
  WriteImage(Image, Bitmap);
  return true;
}

// ---- Shared bitmaps ----------------------------------------------------------------------

int32_t TIEVirtualImageList::FindBitmapEntry(const TIEBitmap* Bitmap) const {
  for (size_t i = 0; i < FShared.size(); ++i)
    if (FShared[i].Bitmap.get() == Bitmap) return static_cast<int32_t>(i);
  return -1;
}

int32_t TIEVirtualImageList::FindImageEntry(const TIEVirtualImage* Image) const {
  for (size_t i = 0; i < FShared.size(); ++i)
    if (FShared[i].Image == Image) return static_cast<int32_t>(i);
  return -1;
}

TIEBitmap* TIEVirtualImageList::SharedBitmap(const TIEVirtualImage* Image) const {
  const int32_t i = FindImageEntry(Image);
  return i < 0 ? nullptr : FShared[static_cast<size_t>(i)].Bitmap.get();
}

TIEBitmap* TIEVirtualImageList::GetBitmap(TIEVirtualImage* Image) {
  if (!Image) return nullptr;
  try {
    Map(Image, kRead);
  } catch (const Exception&) {
    return nullptr;
  }
  const int32_t i = FindImageEntry(Image);
  if (i >= 0) {
    ++FShared[static_cast<size_t>(i)].RefCount;
    Image->Cached = true;
    return FShared[static_cast<size_t>(i)].Bitmap.get();
  }
  auto bitmap = std::make_unique<TIEBitmap>();
  CopyToBitmap(Image, bitmap.get());
  TranslateOutOfMemory([&] { FShared.push_back(TSharedBitmap{Image, std::move(bitmap), 1}); });
  Image->Cached = true;
  return FShared.back().Bitmap.get();
}

void TIEVirtualImageList::ReleaseBitmap(TIEBitmap* Bitmap, bool SaveChanges) {
  if (!Bitmap) return;
  int32_t i = FindBitmapEntry(Bitmap);
  if (i < 0) return;
  // A platform bitmap the owner drew on may have changed shape.
  if (Bitmap->Location() == TIELocation::ieTBitmap) Bitmap->SyncFromTBitmap();
  TIEVirtualImage* image = FShared[static_cast<size_t>(i)].Image;
  --FShared[static_cast<size_t>(i)].RefCount;
  if (SaveChanges) CopyFromBitmap(image, Bitmap);
  i = FindBitmapEntry(Bitmap);
  if (i >= 0 && FShared[static_cast<size_t>(i)].RefCount <= 0) {
    FShared.erase(FShared.begin() + i);
    image->Cached = false;
  }
}

void TIEVirtualImageList::ReleaseImageBitmap(TIEVirtualImage* Image, bool SaveChanges) {
  if (TIEBitmap* bitmap = SharedBitmap(Image)) ReleaseBitmap(bitmap, SaveChanges);
}

// ---- Reading in place ----------------------------------------------------------------------

int32_t TIEVirtualImageList::GetImageWidth(TIEVirtualImage* Image) {
  TIEBitmap* b = Image->Cached ? SharedBitmap(Image) : nullptr;
  return b ? b->Width() : Image->Width;
}

int32_t TIEVirtualImageList::GetImageHeight(TIEVirtualImage* Image) {
  TIEBitmap* b = Image->Cached ? SharedBitmap(Image) : nullptr;
  return b ? b->Height() : Image->Height;
}

int32_t TIEVirtualImageList::GetImageBitCount(TIEVirtualImage* Image) {
  TIEBitmap* b = Image->Cached ? SharedBitmap(Image) : nullptr;
  return b ? b->BitCount() : Image->BitCount;
}

TIEPixelFormat TIEVirtualImageList::GetImagePixelFormat(TIEVirtualImage* Image) {
  TIEBitmap* b = Image->Cached ? SharedBitmap(Image) : nullptr;
  return b ? b->PixelFormat() : Image->PixelFormat;
}

void* TIEVirtualImageList::GetImageBits(TIEVirtualImage* Image) {
  if (Image->Cached) {
    TIEBitmap* b = SharedBitmap(Image);
    if (b) return b->IsEmpty() ? nullptr : b->ScanLine(b->Height() - 1);
  }
  Map(Image, kRead);
  return Image->Memory;
}

void* TIEVirtualImageList::GetImageAlphaBits(TIEVirtualImage* Image) {
  if (!Image->HasAlpha) return nullptr;
  if (Image->Cached) {
    TIEBitmap* b = SharedBitmap(Image);
    if (b) {
      if (!b->HasAlphaChannel()) return nullptr;
      TIEBitmap* alpha = b->AlphaChannel();
      return alpha->IsEmpty() ? nullptr : alpha->ScanLine(alpha->Height() - 1);
    }
  }
  Map(Image, kRead);
  uint8_t* base = Image->Memory + static_cast<int64_t>(StoredRowLen(Image->Width, Image->BitCount)) * Image->Height;
  return base[0] == 0 ? base + 1 : nullptr;
}

// ---- Removing ----------------------------------------------------------------------------

TIEVirtualImage* TIEVirtualImageList::Images(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
  return FImages[static_cast<size_t>(Index)].get();
}

int32_t TIEVirtualImageList::IndexOf(const TIEVirtualImage* Image) const {
  for (size_t i = 0; i < FImages.size(); ++i)
    if (FImages[i].get() == Image) return static_cast<int32_t>(i);
  return -1;
}

void TIEVirtualImageList::DeleteImage(TIEVirtualImage* Image) {
  const int32_t index = IndexOf(Image);
  if (index < 0) return;
  FFreeBlocks.push_back(TFreeBlock{Image->Position, Image->AllocatedSize});
  Delete(index);
  if (FImages.empty()) {
    FFileSize = FIncrement;
    FEnd = 0;
    ResetFile();
  }
}

void TIEVirtualImageList::Delete(int32_t Index) {
  TIEVirtualImage* image = Images(Index);
  const int32_t shared = FindImageEntry(image);
  if (shared >= 0) FShared.erase(FShared.begin() + shared);
  image->Cached = false;
  auto cleanup = ScopeExit([&] { FImages.erase(FImages.begin() + Index); });
  Unmap(image);
}

void TIEVirtualImageList::Clear() {
  FShared.clear();
  // The windows die with the file: no write-back into a file being deleted.
  for (auto& image : FImages) image->Memory = nullptr;
  FMapped.clear();
  FImages.clear();
  FFreeBlocks.clear();
  FFile->Close();
  FEnd = 0;
}
