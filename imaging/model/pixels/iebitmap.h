// TIEBitmap: the raster of the image library. It holds an image of one of the
// pixel formats of iedefs.h in memory (one block, rows bottom-up), in a
// temporary file (rows top-down, reached one row at a time through heap
// buffers) or in a platform bitmap, and may carry an ie8g alpha channel and,
// for ie8p, a palette of 256 TRGB. Row 0 is always the top row.
//
// The class is implemented over several source files, one per area: storage,
// rows and copies (iebitmap.cpp), fills (iebitmap_fill.cpp) and the
// platform-bitmap location (iebitmap_tbitmap.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/iefilebuffer.h"
#include "platform/rtl/lists.h"

class TBitmap;

enum class TIELocation : uint8_t { ieMemory = 0, ieFile = 1, ieTBitmap = 2 };

// Replaces the memory threshold of new bitmaps when it is not -1 (the start
// value).
extern int32_t IEMemoryThresholdOverride;

// The kernel's available-memory figure in bytes, capped at 2000000000; 0 when
// it cannot be read.
int64_t IEAvailablePhysicalMemory();

// Images are limited to this many bytes (row length times height).
inline constexpr int64_t IEMaxImageBytes = 2147483647;

class TIEBaseBitmap : public TObject {
 public:
  TIEBaseBitmap() = default;
  TIEBaseBitmap(const TIEBaseBitmap&) = delete;
  TIEBaseBitmap& operator=(const TIEBaseBitmap&) = delete;

  virtual void* ScanLine(int32_t Row) = 0;
  virtual int32_t BitCount() const = 0;
  virtual int32_t Height() const = 0;
  virtual int32_t Width() const = 0;
  virtual TIEPixelFormat PixelFormat() const = 0;
  virtual int32_t RowLen() const = 0;
  virtual void GetPaletteColor(int32_t Index, TRGB& Colour) const = 0;
  virtual void SetPaletteColor(int32_t Index, const TRGB& Colour) = 0;
  virtual int32_t PaletteLength() const = 0;
  virtual void Allocate(int32_t ImageWidth, int32_t ImageHeight, TIEPixelFormat ImagePixelFormat) = 0;
  virtual void Assign(TObject* Source) = 0;

  // Access given to the row buffers made from now on.
  const TIEDataAccess& Access() const { return FAccess; }
  void SetAccess(const TIEDataAccess& Value) { FAccess = Value; }

 protected:
  TIEDataAccess FAccess{TIEDataAccessItem::iedRead, TIEDataAccessItem::iedWrite};
};

class TIEBitmap : public TIEBaseBitmap {
 public:
  TIEBitmap();
  ~TIEBitmap() override;
  const char* ClassName() const override { return "TIEBitmap"; }

  // An alpha channel: an ie8g bitmap of the size given, every pixel 255 and
  // Full set. Location ieTBitmap becomes ieMemory.
  static std::unique_ptr<TIEBitmap> CreateAsAlphaChannel(int32_t ImageWidth, int32_t ImageHeight,
                                                         TIELocation ImageLocation);

  // ---- Shape ----
  int32_t BitCount() const final { return FBitCount; }
  int32_t Height() const final { return FHeight; }
  int32_t Width() const final { return FWidth; }
  TIEPixelFormat PixelFormat() const final { return FPixelFormat; }
  int32_t RowLen() const final { return FRowLen; }
  // Width, Height, RowLen or BitCount is 0.
  bool IsEmpty() const { return FWidth == 0 || FHeight == 0 || FRowLen == 0 || FBitCount == 0; }

  // ---- Storage ----
  // Frees the image and its alpha channel, then allocates storage for the new
  // shape (see AllocateImage). A memory image starts zero-filled, and so does
  // a file image.
  void Allocate(int32_t ImageWidth, int32_t ImageHeight, TIEPixelFormat ImagePixelFormat) override;
  // Storage for the current Width, Height and PixelFormat; nothing when a side
  // is <= 0 or the format is ienull. The Location is only a preference: a file
  // image smaller than MemoryThreshold goes to memory, a memory image larger
  // than it to a file, and a file that cannot be created gives a memory image.
  // An image over IEMaxImageBytes raises Exception before anything is
  // allocated and is left empty; exhausted memory raises EOutOfMemory.
  void AllocateImage();
  // Releases the pixels, palette, temporary file and row buffers (and the
  // alpha channel when asked). PixelFormat and Location stay.
  void FreeImage(bool FreeAlpha);
  TIELocation Location() const { return FLocation; }
  // Moves the image (pixels, palette, alpha channel) to another location; for
  // ieMemory and ieFile the threshold still decides. Full ends false.
  void SetLocation(TIELocation Value);
  // Uses a caller's block of bottom-up rows as memory storage without copying.
  // The block must hold RowLen * Height bytes and outlive its use; it is never
  // freed here. FreeFirst also frees the alpha channel; a nil Buffer leaves
  // the bitmap empty.
  void EncapsulateMemory(void* Buffer, int32_t ImageWidth, int32_t ImageHeight,
                         TIEPixelFormat ImagePixelFormat, bool FreeFirst);

  // ---- Rows (0 = top; not bounds-checked) ----
  // For a file image the address is a buffer valid only until the next
  // ScanLine; what is written into it reaches the file when that ScanLine (or
  // FreeRowBuffers) releases it.
  void* ScanLine(int32_t Row) final {
    if (FLocation == TIELocation::ieMemory) [[likely]]
      return FMemory + static_cast<ptrdiff_t>(FRowLen) * (FHeight - 1 - Row);
    return StoredScanLine(Row);
  }
  // An address that stays valid while other rows are fetched, until FreeRow,
  // FreeRowBuffers or FreeImage.
  void* GetRow(int32_t Row);
  // Releases the oldest GetRow buffer of Row (file images only).
  void FreeRow(int32_t Row);
  // Releases the current ScanLine buffer, then every GetRow buffer from the
  // newest to the oldest (so the oldest of two for one row is written last).
  void FreeRowBuffers();

  // ---- Palette (ie8p: 256 entries) ----
  void GetPaletteColor(int32_t Index, TRGB& Colour) const override;
  void SetPaletteColor(int32_t Index, const TRGB& Colour) override;
  int32_t PaletteLength() const override { return FPaletteLength; }

  // ---- Alpha channel ----
  // Created on first request (all 255, Full); nil on an alpha channel.
  TIEBitmap* AlphaChannel();
  bool HasAlphaChannel() const { return FAlphaChannel != nullptr; }
  void RemoveAlphaChannel();
  bool IsAlphaChannel() const { return FIsAlphaChannel; }
  // Every pixel is known to be at its maximum (for an alpha channel: opaque).
  bool Full() const { return FFull; }
  void SetFull(bool Value) { FFull = Value; }

  // ---- Copies ----
  // From a TIEBitmap: its pixels, palette, alpha channel, Full, RowAlignment
  // and BWConversion. Location, MemoryThreshold, QuantizeColors, Access and
  // the display adjustments are never copied. Other objects: nothing.
  void Assign(TObject* Source) override;
  // Like Assign, but keeps this bitmap's own alpha channel (not resized),
  // RowAlignment and BWConversion, and clears Full. Nothing when S is empty.
  void CopyFromTIEBitmap(TIEBitmap* S);
  // Hands every resource to Dest without copying pixels and leaves this
  // bitmap empty (its Location, Access, threshold, QuantizeColors and display
  // adjustments stay).
  void MoveTo(TIEBitmap* Dest);

  // ---- Fills ----
  // Every pixel := Value (a TColor for colour formats, the level or index for
  // gray and palette formats, 0/non-zero for ie1g, the real level for ie32f;
  // other formats take trunc(Value)). ie1g, ie8p and ie8g fill whole rows,
  // padding included. Sets Full when the value is the format's maximum.
  void Fill(double Value);
  // The inclusive rectangle, clipped to the image; Full is not changed.
  void FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Value);

  // ---- Settings ----
  bool MemoryExternal() const { return FMemoryExternal; }
  bool TBitmapExternal() const { return FTBitmapExternal; }
  int32_t MemoryThreshold() const { return FMemoryThreshold; }
  void SetMemoryThreshold(int32_t Value) { FMemoryThreshold = Value; }
  // Conversion to ie1g: 0 ordered dither, 1 automatic threshold.
  uint8_t BWConversion() const { return FBWConversion; }
  void SetBWConversion(uint8_t Value) { FBWConversion = Value; }
  int32_t QuantizeColors() const { return FQuantizeColors; }
  void SetQuantizeColors(int32_t Value) { FQuantizeColors = Value; }
  double DisplayRangeMin() const { return FDisplayRangeMin; }
  void SetDisplayRangeMin(double Value) { FDisplayRangeMin = Value; }
  double DisplayRangeMax() const { return FDisplayRangeMax; }
  void SetDisplayRangeMax(double Value) { FDisplayRangeMax = Value; }
  int32_t RedOffset() const { return FRedOffset; }
  void SetRedOffset(int32_t Value) { FRedOffset = Value; }
  int32_t GreenOffset() const { return FGreenOffset; }
  void SetGreenOffset(int32_t Value) { FGreenOffset = Value; }
  int32_t BlueOffset() const { return FBlueOffset; }
  void SetBlueOffset(int32_t Value) { FBlueOffset = Value; }
  bool AdjustColors() const { return FAdjustColors; }
  void SetAdjustColors(bool Value) { FAdjustColors = Value; }
  int32_t Contrast() const { return FContrast; }
  void SetContrast(int32_t Value) { FContrast = Value; }
  // Rows are padded to a multiple of this many bits (32).
  int32_t RowAlignment() const { return FRowAlignment; }
  void SetRowAlignment(int32_t Value) { FRowAlignment = Value; }

 private:
  struct TRowBuffer {
    int32_t Row;
    void* Buffer;
  };

  void* StoredScanLine(int32_t Row);
  // Releases the palette, row buffers, temporary file and memory block;
  // sizes, the alpha channel and a platform bitmap are untouched.
  void ReleasePixelStorage();
  // The same, and the platform bitmap.
  void FreeStorage();
  // Copies S's pixels and palette into this bitmap, already shaped like S.
  void CopyPixelsFrom(TIEBitmap* S);
  void AssignBitmap(TIEBitmap* S, bool KeepOwnAlpha);

  // Platform-bitmap location (iebitmap_tbitmap.cpp).
  void AllocateTBitmapImage();
  void FreeTBitmapImage();
  void UpdateTBitmapPalette();
  bool AssignFromPlatformBitmap(TObject* Source);

  std::unique_ptr<TIEFileBuffer> FFileBuffer;
  void* FCurrentRow = nullptr;             // last ScanLine buffer of a file image
  std::unique_ptr<TRGB[]> FPalette;        // 256 entries, ie8p only
  int32_t FPaletteLength = 0;
  std::unique_ptr<TIEBitmap> FAlphaChannel;
  uint8_t* FMemory = nullptr;              // first pixel byte, aligned to 32
  void* FReserved = nullptr;               // the block FMemory lies in
  TBitmap* FBitmap = nullptr;              // storage of ieTBitmap
  std::vector<uint8_t*> FBitmapScanline;   // row addresses of FBitmap
  std::vector<TRowBuffer> FRowBuffers;     // GetRow buffers of a file image, oldest first
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  int32_t FBitCount = 0;
  int32_t FRowLen = 0;
  TIEPixelFormat FPixelFormat = TIEPixelFormat::ienull;
  bool FIsAlphaChannel = false;
  TIELocation FLocation = TIELocation::ieFile;
  bool FFull = false;
  bool FTBitmapExternal = false;
  bool FMemoryExternal = false;
  int32_t FMemoryThreshold = 0;
  uint8_t FBWConversion = 1;
  int32_t FQuantizeColors = 256;
  double FDisplayRangeMin = 0;
  double FDisplayRangeMax = 0;
  int32_t FRedOffset = 0;
  int32_t FGreenOffset = 0;
  int32_t FBlueOffset = 0;
  bool FAdjustColors = false;
  int32_t FContrast = 0;
  int32_t FRowAlignment = 32;
};
