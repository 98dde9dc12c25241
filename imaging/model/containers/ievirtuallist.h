// TIEVirtualImageList: many images (thumbnails, cached pictures) kept in one
// temporary file, with at most MaxMapped of them copied into memory at a time.
// Images go in as copies of bitmaps and come out as shared, reference-counted
// TIEBitmaps, or are read in place through their stored rows.
//
// Stored layout of one image at its Position in the file (rows padded to 32
// bits): the pixel rows bottom-up (row Height - 1 first), then, with an alpha
// channel, one byte holding its Full flag and the alpha rows bottom-up.
//
// Only ie1g and ie24RGB images are stored (the owner keeps no other format);
// other bitmaps are refused. Space of deleted images is reused first-fit and
// never split; an image that grows or shrinks through CopyFromBitmap moves to
// new space and its old space is not reused; a growth of the file forgets the
// free space. Those losses last until the last image is deleted, which resets
// the file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iefilebuffer.h"
#include "platform/rtl/object.h"
#include "platform/rtl/types.h"

// One stored image. Owned by its list; valid until deleted.
struct TIEVirtualImage {
  int64_t Position = 0;       // byte offset in the backing file
  int64_t Size = 0;           // bytes of the stored image
  int64_t AllocatedSize = 0;  // bytes reserved for it (equal to Size)
  uint8_t* Memory = nullptr;  // the in-memory copy while mapped
  bool Cached = false;        // a shared bitmap of it is handed out
  // Set to the image size when space is reserved; the owner may overwrite
  // them (a view stores the size of the picture a thumbnail was made from).
  int32_t OriginalWidth = 0;
  int32_t OriginalHeight = 0;
  uint8_t HasAlpha = 0;
  uint8_t Access = 0;  // of the current mapping: 1 read, 2 write, 3 both
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
  TIEPixelFormat PixelFormat = TIEPixelFormat::ienull;
};

class TIEVirtualImageList : public TObject {
 public:
  static constexpr int64_t InitialFileSize = 262144;

  // Creates the backing file (Prefix-XXXXXXXX.tmp in the library's temporary
  // folder, 262144 bytes). When it cannot be created the list stores nothing
  // (AddBitmap answers nil) until a later AddBitmap manages to create it.
  explicit TIEVirtualImageList(const String& Prefix);
  // Clear, which deletes the backing file.
  ~TIEVirtualImageList() override;
  TIEVirtualImageList(const TIEVirtualImageList&) = delete;
  TIEVirtualImageList& operator=(const TIEVirtualImageList&) = delete;
  const char* ClassName() const override { return "TIEVirtualImageList"; }

  // ---- Storing ----
  // Stores a copy of an ie1g or ie24RGB bitmap (with its alpha channel when
  // it is a TIEBitmap that has one) and returns its record, left mapped.
  // Nil, with nothing changed, for other formats, an empty bitmap, or when
  // there is no backing file.
  TIEVirtualImage* AddBitmap(TIEBaseBitmap* Bitmap);
  // A new record with space for the image, mapped for writing (contents
  // zero), appended to the list. Nil without a backing file.
  TIEVirtualImage* AllocImage(int32_t ImageWidth, int32_t ImageHeight, bool ImageHasAlpha,
                              TIEPixelFormat ImagePixelFormat, int32_t ImageBitCount);
  // The stored image into Bitmap: reallocated as ie1g (BitCount 1) or
  // ie24RGB when its format or size differ; the alpha channel restored when
  // one is stored and its Full flag is clear, removed otherwise.
  void CopyToBitmap(TIEVirtualImage* Image, TIEBitmap* Bitmap);
  // Bitmap's contents into the record, moving it to new space when the size,
  // depth or alpha presence changed. False, with nothing changed, for a
  // bitmap the list does not store (see AddBitmap).
  bool CopyFromBitmap(TIEVirtualImage* Image, TIEBitmap* Bitmap);

  // ---- Shared bitmaps ----
  // The image as a TIEBitmap shared by every caller until each has released
  // it; nil when the image cannot be mapped.
  TIEBitmap* GetBitmap(TIEVirtualImage* Image);
  // One release of a bitmap GetBitmap returned (nil or unknown: nothing).
  // SaveChanges stores its contents back first; the last release frees it.
  void ReleaseBitmap(TIEBitmap* Bitmap, bool SaveChanges);
  void ReleaseImageBitmap(TIEVirtualImage* Image, bool SaveChanges);

  // ---- Reading in place ----
  // From the shared bitmap while one is handed out, else from the record.
  int32_t GetImageWidth(TIEVirtualImage* Image);
  int32_t GetImageHeight(TIEVirtualImage* Image);
  int32_t GetImageBitCount(TIEVirtualImage* Image);
  TIEPixelFormat GetImagePixelFormat(TIEVirtualImage* Image);
  int32_t GetImageOriginalWidth(TIEVirtualImage* Image) const { return Image->OriginalWidth; }
  int32_t GetImageOriginalHeight(TIEVirtualImage* Image) const { return Image->OriginalHeight; }
  void SetImageOriginalWidth(TIEVirtualImage* Image, int32_t Value) { Image->OriginalWidth = Value; }
  void SetImageOriginalHeight(TIEVirtualImage* Image, int32_t Value) { Image->OriginalHeight = Value; }
  // The start of the bottom-up rows: the shared bitmap's while one is handed
  // out, else the mapped copy (mapped for reading). Valid until the image is
  // unmapped, i.e. until MaxMapped other images have been touched.
  void* GetImageBits(TIEVirtualImage* Image);
  // The bottom alpha row likewise; nil without a stored alpha channel or when
  // the stored one is Full.
  void* GetImageAlphaBits(TIEVirtualImage* Image);

  // ---- Removing ----
  // Returns the image's space to the free blocks and deletes it; deleting the
  // last image resets the file to Increment bytes and End to 0.
  void DeleteImage(TIEVirtualImage* Image);
  // Deletes the image at Index (EListError out of range) without returning
  // its space. Its shared bitmap is freed whatever its reference count, so
  // every bitmap GetBitmap returned for it is dead afterwards.
  void Delete(int32_t Index);
  // Deletes every image, frees the shared bitmaps and deletes the backing
  // file (a later AddBitmap creates a new one); End := 0.
  void Clear();

  // ---- State ----
  int32_t Count() const { return static_cast<int32_t>(FImages.size()); }
  TIEVirtualImage* Images(int32_t Index) const;
  int32_t IndexOf(const TIEVirtualImage* Image) const;
  // At most this many images are mapped at once (10 at creation; at least
  // one is always mapped when asked).
  int32_t MaxMapped() const { return FMaxMapped; }
  void SetMaxMapped(int32_t Value) { FMaxMapped = Value; }
  int32_t MappedCount() const { return static_cast<int32_t>(FMapped.size()); }
  int64_t FileSize() const { return FFileSize; }
  int64_t Increment() const { return FIncrement; }
  int64_t End() const { return FEnd; }
  int64_t LastSize() const { return FLastSize; }
  int32_t FreeBlockCount() const { return static_cast<int32_t>(FFreeBlocks.size()); }
  int64_t FreeBlockPosition(int32_t Index) const { return FFreeBlocks.at(static_cast<size_t>(Index)).Position; }
  int64_t FreeBlockSize(int32_t Index) const { return FFreeBlocks.at(static_cast<size_t>(Index)).Size; }
  bool HasFile() const { return FFile->IsAllocated(); }
  const String& FileName() const { return FFile->FileName(); }
  const String& Prefix() const { return FPrefix; }

 private:
  struct TFreeBlock {
    int64_t Position;
    int64_t Size;
  };
  struct TSharedBitmap {
    TIEVirtualImage* Image;
    std::unique_ptr<TIEBitmap> Bitmap;
    int32_t RefCount;
  };

  // Bytes of one stored image.
  static int64_t StoredSize(int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitCount, bool ImageHasAlpha);
  static bool Storable(TIEBaseBitmap* Bitmap);

  void Map(TIEVirtualImage* Image, uint8_t ImageAccess);
  void Unmap(TIEVirtualImage* Image);
  void UnmapOldest();
  void UnmapAll();
  void ResetFile();
  // Reserves space for the image described and fills Image; false without a
  // backing file.
  bool AllocSpace(TIEVirtualImage* Image, int32_t ImageWidth, int32_t ImageHeight, int32_t ImageBitCount,
                  bool ImageHasAlpha, TIEPixelFormat ImagePixelFormat);
  int32_t FindBitmapEntry(const TIEBitmap* Bitmap) const;
  int32_t FindImageEntry(const TIEVirtualImage* Image) const;
  TIEBitmap* SharedBitmap(const TIEVirtualImage* Image) const;
  // Writes Bitmap's rows (and alpha) into the mapped copy of Image.
  void WriteImage(TIEVirtualImage* Image, TIEBaseBitmap* Bitmap);

  std::unique_ptr<TIEFileBuffer> FFile;
  String FPrefix;
  int64_t FFileSize = InitialFileSize;
  int64_t FIncrement = InitialFileSize;
  int64_t FEnd = 0;
  int64_t FLastSize = 0;
  std::vector<std::unique_ptr<TIEVirtualImage>> FImages;
  std::vector<TFreeBlock> FFreeBlocks;
  std::vector<TIEVirtualImage*> FMapped;  // least recently used first
  int32_t FMaxMapped = 10;
  std::vector<TSharedBitmap> FShared;
};
