// TIEBitmap: the raster of the image library. It holds an image of one of the
// pixel formats of iedefs.h in memory (one block, rows bottom-up), in a
// temporary file (rows top-down, reached one row at a time through heap
// buffers) or in a platform bitmap, and may carry an ie8g alpha channel and,
// for ie8p, a palette of 256 TRGB. Row 0 is always the top row.
//
// The class is implemented over several source files, one per area: storage,
// rows and copies (iebitmap.cpp), fills (iebitmap_fill.cpp), the
// platform-bitmap location (iebitmap_tbitmap.cpp), pixel access
// (iebitmap_access.cpp), rectangles and canvas size (iebitmap_rect.cpp); the
// exchange with masks lives beside TIEMask (containers/iemask.cpp).
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/iefilebuffer.h"
#include "platform/rtl/lists.h"

class TBitmap;
class TCanvas;
class TIEDibbitmap;
class TIEMask;

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
  // In Location ieTBitmap each first re-reads the platform bitmap
  // (SyncFromTBitmap), which a caller may have changed.
  int32_t BitCount() const final {
    SyncTBitmapShape();
    return FBitCount;
  }
  int32_t Height() const final {
    SyncTBitmapShape();
    return FHeight;
  }
  int32_t Width() const final {
    SyncTBitmapShape();
    return FWidth;
  }
  TIEPixelFormat PixelFormat() const final {
    SyncTBitmapShape();
    return FPixelFormat;
  }
  int32_t RowLen() const final {
    SyncTBitmapShape();
    return FRowLen;
  }
  // Width, Height, RowLen or BitCount is 0.
  bool IsEmpty() const {
    SyncTBitmapShape();
    return FWidth == 0 || FHeight == 0 || FRowLen == 0 || FBitCount == 0;
  }

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
  void EncapsulateMemory(void* Buffer, int32_t ImageWidth, int32_t ImageHeight, TIEPixelFormat ImagePixelFormat,
                         bool FreeFirst);

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

  // ---- Per-pixel access (iebitmap_access.cpp) ----
  // X in 0 .. Width - 1, Y in 0 .. Height - 1, the format the one named; none
  // of this is checked except by assertions of debug builds. A file image
  // maps the row at every call.
  uint8_t GetPixel8(int32_t X, int32_t Y) {  // ie8p, ie8g
    AssertPixel(X, Y);
    return static_cast<const uint8_t*>(ScanLine(Y))[X];
  }
  // Any value but 255 clears Full; 255 never sets it.
  void SetPixel8(int32_t X, int32_t Y, uint8_t Value) {
    AssertPixel(X, Y);
    static_cast<uint8_t*>(ScanLine(Y))[X] = Value;
    if (Value != 255) FFull = false;
  }
  uint16_t GetPixel16(int32_t X, int32_t Y) {  // ie16g
    return LoadPixel<uint16_t>(X, Y);
  }
  void SetPixel16(int32_t X, int32_t Y, uint16_t Value) {
    StorePixel(X, Y, Value);
    if (Value != 65535) FFull = false;
  }
  double GetPixelFloat(int32_t X, int32_t Y) {  // ie32f
    return LoadPixel<float>(X, Y);
  }
  // Full is cleared unless Value >= 1.0 (so also for NaN).
  void SetPixelFloat(int32_t X, int32_t Y, double Value) {
    StorePixel(X, Y, static_cast<float>(Value));
    if (!(Value >= 1.0)) FFull = false;
  }
  TCMYK GetPixelCMYK(int32_t X, int32_t Y) {  // ieCMYK
    return LoadPixel<TCMYK>(X, Y);
  }
  // Full is left as it is.
  void SetPixelCMYK(int32_t X, int32_t Y, const TCMYK& Value) { StorePixel(X, Y, Value); }
  // The pixel itself inside its row (ie24RGB): reads and writes go straight
  // to the row (for a file image, until the next ScanLine).
  TRGB* PixelRGB(int32_t X, int32_t Y) {
    AssertPixel(X, Y);
    return static_cast<TRGB*>(ScanLine(Y)) + X;
  }
  TRGB48 GetPixelRGB48(int32_t X, int32_t Y) {  // ieRGB48
    return LoadPixel<TRGB48>(X, Y);
  }
  // Full is cleared unless all three words are 65535.
  void SetPixelRGB48(int32_t X, int32_t Y, const TRGB48& Value) {
    StorePixel(X, Y, Value);
    if (Value.r != 65535 || Value.g != 65535 || Value.b != 65535) FFull = false;
  }
  // Any format as colour: ie1g black or white, ie8p the palette entry, gray
  // formats as gray (ie16g and ieRGB48 by their high bytes, ie32f as
  // trunc(v * 255) of the level limited to 0..1), ieCMYK converted, ienull
  // black.
  void GetPixelAsRGB(int32_t X, int32_t Y, TRGB& Colour);
  // The alpha value: this bitmap's own pixel when it is an alpha channel,
  // else the pixel of AlphaChannel (created, all 255, on first use).
  uint8_t GetAlpha(int32_t X, int32_t Y) {
    if (FIsAlphaChannel) return GetPixel8(X, Y);
    return AlphaChannel()->GetPixel8(X, Y);
  }
  // Stores into the alpha channel (created on first use; an alpha channel
  // stores into itself). Any value but 255 also clears this bitmap's Full.
  void SetAlpha(int32_t X, int32_t Y, uint8_t Value);

  // ---- Rectangles and canvas size (iebitmap_rect.cpp) ----
  // Copies the rectangle at SrcX, SrcY to DstX, DstY of Dest, clipped in this
  // order: a negative destination coordinate moves the source and shortens
  // the rectangle; the destination is limited to Dest's last column and row;
  // the source is limited to 0 .. this bitmap's last column and row (without
  // moving the destination); the size is limited to both bitmaps. Nothing
  // when either bitmap is empty or nothing is left. Equal formats copy their
  // bytes, ie1g into ie24RGB becomes black and white, other pairs copy
  // nothing; palette and alpha channel are not copied.
  void CopyRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t RectWidth,
                  int32_t RectHeight);
  // The same rectangle on the two alpha channels (each created, all 255, when
  // missing), keeping the larger value.
  void MergeAlphaRectTo(TIEBitmap* Dest, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t RectWidth,
                        int32_t RectHeight);
  // Moves the inclusive rectangle so that its top-left corner lands at DstX,
  // DstY, filling where it was with FillValue (as FillRect). Goes through a
  // temporary bitmap, which may live in a file. The alpha channel stays.
  void MoveRegion(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t DstX, int32_t DstY, double FillValue);
  // Change one side keeping the pixels at the top-left; the alpha channel is
  // resized first, the palette kept, added pixels are 0 and Full is cleared.
  // An image without format or rows only records the new side.
  void SetWidth(int32_t NewWidth);
  void SetHeight(int32_t NewHeight);
  // Canvas resize: HAlign and VAlign 0 keep the image at the left/top, 1
  // centre it, 2 push it to the right/bottom. The uncovered area takes
  // FillValue, and AlphaFillValue in the alpha channel.
  void Resize(int32_t NewWidth, int32_t NewHeight, double FillValue, double AlphaFillValue, int32_t HAlign,
              int32_t VAlign);
  // Full := every byte of every row, padding included, is 255 (meant for
  // alpha channels).
  void SyncFull();

  // ---- Exchange with masks (defined with TIEMask in model_containers) ----
  // Mask nil: every pixel 255 (Full). A 1-bit mask gives an ie1g image, an
  // 8-bit mask an ie8g image of its size and rows; Full comes from the mask.
  void CopyFromMask(TIEMask* Mask);
  // ie1g and ie8g images fill Mask (1 and 8 bits deep) with their rows and
  // Full; other formats leave it alone.
  void CopyToMask(TIEMask* Mask);

  // ---- Platform-bitmap location (iebitmap_tbitmap.cpp) ----
  // In Location ieTBitmap the pixels are the rows of a platform bitmap (pf1bit
  // for ie1g, pf8bit for ie8p and ie8g, pf24bit for ie24RGB; ie16g is held as
  // ie8g by its high bytes, and ie32f, ieCMYK and ieRGB48 are refused with
  // "<format> pixel format not allowed when Location=ieTBitmap"). Its rows
  // are padded to 32 bits, so RowLen is the platform's whatever
  // RowAlignment says. Read back, pf1bit is ie1g, pf8bit ie8p (ie8g for an
  // alpha channel; the palette is the platform bitmap's colours, a gray ramp
  // for gray images) and anything else ie24RGB, converting the platform
  // bitmap to pf24bit when it has another format.
  //
  // Uses Bitmap as the storage without copying: Location ieTBitmap, the
  // platform bitmap external (never freed here). The storage held so far is
  // released; FreeFirst also frees the alpha channel. nil only frees.
  void EncapsulateTBitmap(TBitmap* Bitmap, bool FreeFirst);
  // The platform bitmap, after moving the image into it (an empty image
  // gets an empty platform bitmap).
  TBitmap* GetTBitmap();
  // The platform bitmap's canvas, after moving the image into it. Drawing on
  // it changes the pixels at once.
  TCanvas* Canvas();
  // Copies the palette into the platform bitmap's colours (ieTBitmap, ie8p).
  void UpdateTBitmapPalette();
  // Re-reads width, height and format from the platform bitmap when they
  // changed: an alpha channel of another size is replaced by a new, zero
  // one, and the row table is rebuilt (also when the rows moved).
  void SyncFromTBitmap();
  // (Re)builds / frees the table of the platform bitmap's row addresses.
  void BuildScanlineCache();
  void FreeScanlineCache();
  // The contents of any platform bitmap. In memory and file locations:
  // pf1bit black and white gives ie1g, pf1bit with other colours, pf4bit and
  // pf8bit give ie8p with their colours, pf15bit, pf16bit, pf24bit and
  // pf32bit give ie24RGB; pfDevice and pfCustom change nothing. In Location
  // ieTBitmap the platform bitmap becomes a copy of Bitmap. Full ends false.
  void CopyFromTBitmap(TBitmap* Bitmap);
  // The rows of a TIEDibbitmap: 1 bit as ie1g, 24 bits as ie24RGB (and in
  // memory and file locations 8 bits as ie8g); other depths copy nothing.
  void CopyFromDibbitmap(TIEDibbitmap* Source);

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

  // ---- Pixel-format conversion (iebitmap_convert.cpp) ----
  // ConvertFormat(Value) unless Value is the current format (then nothing,
  // also on an empty bitmap).
  void SetPixelFormat(TIEPixelFormat Value);
  // Rebuilds the image in Target by the table of CopyAndConvertFormat; the
  // alpha channel stays. In Location ieTBitmap the formats a platform bitmap
  // holds (ie1g, ie8p, ie8g, ie24RGB; ie16g as ie8g) go through a memory copy
  // and back, except ie24RGB to ie1g with BWConversion 0, which takes
  // DitherTo1Bit (pure white stays white); ie32f, ieCMYK and ieRGB48 raise
  // that location's refusal first. A failed allocation leaves the image.
  void ConvertFormat(TIEPixelFormat Target);
  // Fills this bitmap (allocated in its own format at Source's size) from
  // Source, then takes Source's alpha channel. Nothing when the sizes differ
  // or this bitmap is in Location ieTBitmap. To ie1g by BWConversion: 0
  // ordered dither (levels 0..63, white above the matrix entry), 1 the
  // threshold at the gray of the mean colour, other values write nothing. To
  // ie8p from ie24RGB: a TIEQuantizer of min(QuantizeColors, 256) colours.
  // ie32f levels are limited to 0..1 before they become integers. Pixels
  // only: padding is not written (ie8g to ie8p copies whole rows).
  void CopyAndConvertFormat(TIEBitmap* Source);
  // Count pixels of a row of Format as the colours GetPixelAsRGB reads
  // (Palette: the 256 entries of an ie8p row).
  static void ConvertRowToRGB(TIEPixelFormat Format, const void* Row, int32_t Count, const TRGB* Palette, TRGB* Dest);
  // The colour-depth routines the conversion needs live in the processing
  // library above this one, which fills the table at start-up
  // (IEInstallColorDepthHooks). A conversion that needs a missing one raises
  // before it changes anything.
  struct TColorDepthHooks {
    // Dest (ie8p, Source's size) := ie24RGB Source through a TIEQuantizer.
    void (*Quantize)(TIEBitmap* Source, TIEBitmap* Dest, int32_t NColors) = nullptr;
    // ThresholdConvertTo1Bit without progress.
    void (*Threshold)(TIEBitmap* Source, TIEBitmap* Dest, int32_t Level) = nullptr;
    // DitherTo1Bit without progress: ie24RGB to ie1g in place.
    void (*Dither)(TIEBitmap* Bitmap) = nullptr;
  };
  static TColorDepthHooks ColorDepthHooks;

 private:
  void ConvertTBitmapFormat(TIEPixelFormat Target);

 public:
  // ---- Row renderers (iebitmap_renderers.cpp; driven by ierender.h) ----
  // One pair per source format, without and with alpha work; a render picks
  // one per call. Destination row Y (FirstRow .. LastRow) is DestRows[Y]
  // (ie24RGB); its pixels X (FirstCol .. LastCol) come from source row
  // RowTable[Y - DstY] and column ColumnTable[X - DstX]. The alpha variants
  // weigh each pixel by w = min(Opacity, a), a being the source alpha there
  // when UseAlpha, else OpacityRow[x] (Width bytes of Opacity; nil counts as
  // 255): d := d + round(w * (s - d) / 255). XStep and YStep are the scales
  // in 14-bit fixed point (16384 = 1:1): RenderRowsRGB copies row spans for a
  // 1:1 unadjusted, unblended render and then reads no tables. RowCopy (the
  // ie24RGB and ie1g pairs) copies a destination row from the one above when
  // both read one source row. Only the 24- and 48-bit pairs blend
  // (BlendOperation, ieblend.h) and apply the colour offsets and contrast;
  // ie8g, ie16g and ie32f apply the display range.
  virtual void RenderRowsRGB(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                             const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                             int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                             int32_t YStep, bool RowCopy, uint8_t BlendOperation);
  virtual void RenderRowsRGBAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                  const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                  int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                  int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                  bool RowCopy, uint8_t BlendOperation);
  virtual void RenderRows1Bit(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                              const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                              int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                              int32_t YStep, bool RowCopy);
  virtual void RenderRows1BitAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                   const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                   int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                   int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                   bool RowCopy);
  virtual void RenderRowsGray8(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                               const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                               int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                               int32_t YStep, bool RowCopy);
  virtual void RenderRowsGray8Alpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                    const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                    int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                    int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                    bool RowCopy);
  virtual void RenderRowsPalette(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                                 const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                                 int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                                 int32_t YStep, bool RowCopy);
  virtual void RenderRowsPaletteAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                      const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                      int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                      int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                      bool RowCopy);
  virtual void RenderRowsGray16(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                                const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                                int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                                int32_t YStep, bool RowCopy);
  virtual void RenderRowsGray16Alpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                     const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                     int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                     int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                     bool RowCopy);
  virtual void RenderRowsFloat(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                               const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                               int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                               int32_t YStep, bool RowCopy);
  virtual void RenderRowsFloatAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                    const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                    int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                    int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                    bool RowCopy);
  virtual void RenderRowsCMYK(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                              const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                              int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                              int32_t YStep, bool RowCopy);
  virtual void RenderRowsCMYKAlpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                   const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                   int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                   int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                   bool RowCopy);
  virtual void RenderRowsRGB48(uint8_t* const* DestRows, TIEBitmap* Dest, const int32_t* ColumnTable,
                               const int32_t* RowTable, int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY,
                               int32_t FirstCol, int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep,
                               int32_t YStep, bool RowCopy, uint8_t BlendOperation);
  virtual void RenderRowsRGB48Alpha(uint8_t* const* DestRows, TIEBitmap* Dest, uint8_t Opacity, bool UseAlpha,
                                    const uint8_t* OpacityRow, const int32_t* ColumnTable, const int32_t* RowTable,
                                    int32_t SrcX, int32_t SrcY, int32_t DstX, int32_t DstY, int32_t FirstCol,
                                    int32_t FirstRow, int32_t LastCol, int32_t LastRow, int32_t XStep, int32_t YStep,
                                    bool RowCopy, uint8_t BlendOperation);

 private:
  // ---- Pixel access helpers ----
  void AssertPixel([[maybe_unused]] int32_t X, [[maybe_unused]] int32_t Y) const {
    assert(X >= 0 && X < FWidth && Y >= 0 && Y < FHeight && "pixel outside the image");
  }
  // Rows of 16-bit and wider formats need not be aligned for their type
  // (RowAlignment may be 8), so pixels are moved bytewise.
  template <class T>
  T LoadPixel(int32_t X, int32_t Y) {
    AssertPixel(X, Y);
    T v;
    std::memcpy(&v, static_cast<const uint8_t*>(ScanLine(Y)) + sizeof(T) * static_cast<size_t>(X), sizeof(T));
    return v;
  }
  template <class T>
  void StorePixel(int32_t X, int32_t Y, const T& Value) {
    AssertPixel(X, Y);
    std::memcpy(static_cast<uint8_t*>(ScanLine(Y)) + sizeof(T) * static_cast<size_t>(X), &Value, sizeof(T));
  }
  // Writes a file image's current ScanLine buffer back and drops it, so that
  // what a bulk operation wrote is in the file when it returns.
  void ReleaseCurrentRow();
  // SetWidth and SetHeight of memory and file images.
  void ChangeSize(int32_t NewWidth, int32_t NewHeight);

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
  bool AssignFromPlatformBitmap(TObject* Source);
  void SyncTBitmapShape() const {
    if (FLocation == TIELocation::ieTBitmap) const_cast<TIEBitmap*>(this)->SyncFromTBitmap();
  }
  void NewTBitmap();
  // Converts a platform bitmap of another format than pf1bit, pf8bit and
  // pf24bit to pf24bit.
  void NormalizeTBitmapFormat();
  TIEPixelFormat TBitmapReadBackFormat() const;
  // Width, height, format, palette and row table from the platform bitmap;
  // an alpha channel of another size is replaced.
  void TakeTBitmapShape(TIEPixelFormat Format);
  // Gives the platform bitmap the size (and, with SetFormat, the pixel
  // format of Format, dropping its pixels) and takes the fields from it.
  void ShapeTBitmap(int32_t NewWidth, int32_t NewHeight, TIEPixelFormat Format, bool SetFormat);
  // SetWidth and SetHeight in Location ieTBitmap: the top-left pixels stay.
  void SetTBitmapSize(int32_t NewWidth, int32_t NewHeight);
  // Copies an ie16g S into this ie8g platform bitmap by high bytes; false
  // when the pair is not that one.
  bool CopyPixelsIntoTBitmap(TIEBitmap* S);

  std::unique_ptr<TIEFileBuffer> FFileBuffer;
  void* FCurrentRow = nullptr;       // last ScanLine buffer of a file image
  std::unique_ptr<TRGB[]> FPalette;  // 256 entries, ie8p only
  int32_t FPaletteLength = 0;
  std::unique_ptr<TIEBitmap> FAlphaChannel;
  uint8_t* FMemory = nullptr;             // first pixel byte, aligned to 32
  void* FReserved = nullptr;              // the block FMemory lies in
  TBitmap* FBitmap = nullptr;             // storage of ieTBitmap
  std::vector<uint8_t*> FBitmapScanline;  // row addresses of FBitmap
  std::vector<TRowBuffer> FRowBuffers;    // GetRow buffers of a file image, oldest first
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

// ---- Whole-image routines (iebitmap_access.cpp) ----
// ie8p: every palette entry has r = g = b; ie24RGB: every pixel has; any
// other format (and nil): true.
bool IEIsGrayscale(TIEBitmap* Bitmap);
// True when the bitmap has an alpha channel that covers the whole image. An
// alpha channel left at another size (CopyFromTIEBitmap keeps it as it is)
// is not read: the image counts as opaque.
bool IEAlphaCovers(TIEBitmap* Bitmap);
// An ie24RGB bitmap with an alpha channel holding a value below 255 on one of
// the rows 0, 3, 6, ... (the other rows are not looked at, to stay fast).
// False for anything else and when reading the rows fails.
bool IEHasTransparency(TIEBitmap* Bitmap);
// Flattens a bitmap with an alpha channel onto Colour: for ie24RGB every
// channel becomes bg + round((c - bg) * a / 255), so alpha 255 keeps the
// pixel and 0 gives the background; then the alpha channel is removed,
// whatever the format. Failures are swallowed.
void IEMergeAlphaWithBackground(TIEBitmap* Bitmap, TColor Colour);
