// The image I/O component: loads one image into a working pixel buffer and
// saves it, in any registered format, from and to files, streams and memory.
//
// The working buffer is the component's own TIEBitmap, the bitmap of an
// attached view, the picture of an attached TImage, or a bitmap handed in from
// outside. Params receives what a reader found and supplies what a writer
// needs. Every load and save runs in one of four frames (load or save, file or
// stream) that prepare the bitmap, run the codec under a progress record with
// the component's abort flag, update the attached view and fire the end
// events exactly once, also when the codec raises.
//
// Success is read from AbortFlag after the call (or in OnFinishWork): a load
// that ends with the flag set failed, even though FileType and FileName are
// set.
//
// Asynchronous mode (Asynchronous true, working bitmap not owned): a load or
// save runs on a worker thread and the call returns at once (functions answer
// -1). Until OnFinishWork has fired the caller must not read the bitmap or
// Params, change them, or start another operation on the component.
// OnProgress and OnFinishWork then fire on the worker: their handlers must not
// touch controls. View updates reach the main thread as IEM_UPDATE posted to
// the view's window and as queued calls (TThread::Queue) of the view's
// ImageChange and SetDpi, run when the main thread serves its queue.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieacquire.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/io/core/ieiothread.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedefs.h"
#include "imaging/model/pixels/ieprogress.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/components.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/scopeguard.h"

class TBitmap;
class TFont;
class TIEMask;
class TImage;
class TImgIO;
class TSafeFileWriter;
class TStream;

// ---- Owned plain-data settings ----------------------------------------------------

// Scanner-acquisition settings. Nothing in this system starts a scan; the
// record is kept so that settings code has its fields.
struct TIETWainCapability {
  uint16_t Capability = 0;
  std::vector<uint8_t> Data;
};

class TIETWainParams {
 public:
  // MultiImageOwner: the owner is the multi-image component, which sets
  // the three multi-image flags.
  explicit TIETWainParams(bool MultiImageOwner = false);
  // Releases what an acquisition left in State (nothing here ever does).
  ~TIETWainParams() { IETWainRelease(State); }
  TIETWainParams(const TIETWainParams&) = delete;
  TIETWainParams& operator=(const TIETWainParams&) = delete;
  // Frees the capability records, empties the lists, restores the defaults.
  void Reset();

  std::vector<std::unique_ptr<TIETWainCapability>> Capabilities;
  std::array<std::vector<double>, 6> RealLists;
  std::array<std::vector<int32_t>, 5> IntLists;
  double Gamma = 2.2;
  bool AcquireMultiple = false;  // these three: true for the multi-image owner
  bool AutoFeed = false;
  bool FeederEnabled = false;
  bool ShowSettings = true;
  bool ProgressIndicators = true;
  bool BufferedTransfer = true;
  std::array<String, 5> Texts;  // source name, product, family, manufacturer, version
  TIETWainState State;

 private:
  bool FMultiImageOwner;
};

// Print-preview settings. Nothing in this system reads them.
struct TIOPrintPreviewParams {
  double MarginLeft = 1.0, MarginTop = 1.0, MarginRight = 1.0, MarginBottom = 1.0;
  uint8_t Position = 4;
  uint8_t Size = 1;
  double Width = 6.0, Height = 4.0, Gamma = 1.0;
};

// ---- Hooks --------------------------------------------------------------------------

// State a later subsystem keeps in the component (an open AVI or media file,
// an open multi-page PostScript or PDF document); Close ends it.
class TIEIOSlot {
 public:
  virtual ~TIEIOSlot() = default;
  virtual void Close() = 0;
};

// The format-options dialog, created through IEPreviewsDialogFactory (the
// dialogs layer registers it). Owned by the component as a form; Release
// frees it once its modal run has returned.
class TIEPreviewsDialog {
 public:
  virtual ~TIEPreviewsDialog() = default;
  virtual TComponent* Form() = 0;
  virtual void SetLockPreview(bool Value) = 0;
  // Edited in place.
  virtual void SetParams(TIOParamsVals* Params) = 0;
  virtual void SetSimplified(bool Value) = 0;
  virtual void SetPageControlHeight(int32_t Value) = 0;
  virtual void SetFormHeight(int32_t Value) = 0;
  virtual void SetMonoConversion(uint8_t Value) = 0;
  // Copies Font.
  virtual void SetPreviewFont(TFont* Font) = 0;
  // The two preview views.
  virtual TIEImgViewServices* FirstView() = 0;
  virtual TIEView* FirstViewBase() = 0;
  virtual TIEImgViewServices* SecondView() = 0;
  virtual bool SelectPages(TIEPreviewPages Pages) = 0;
  virtual int32_t ShowModal() = 0;
  virtual void Release() = 0;
};
using TIEPreviewsDialogFactory = std::function<TIEPreviewsDialog*(TComponent* Owner)>;
// Empty until the dialogs layer registers its form; DoPreviews answers false
// while it is.
extern TIEPreviewsDialogFactory IEPreviewsDialogFactory;

// ---- Dispatch table of the built-in codes ---------------------------------------------
// Each built-in code's per-format methods, filled by the codec layer at
// start-up. An empty slot: the component has no such method for the code.
// The file loader of WMF and EMF is the metafile import.
using TIEFileMethod = void (*)(TImgIO& IO, const String& FileName);
using TIEStreamMethod = void (*)(TImgIO& IO, TStream* Stream);
// The header-only read of a built-in code: fills IO.Params from the stream's
// position with Preview true under Progress; the working bitmap stays.
using TIEHeaderMethod = void (*)(TImgIO& IO, TStream* Stream, TIECodecProgress& Progress);
struct TIEFormatMethods {
  TIEFileMethod LoadFile = nullptr;
  TIEStreamMethod LoadStream = nullptr;
  TIEFileMethod SaveFile = nullptr;
  TIEStreamMethod SaveStream = nullptr;
  TIEHeaderMethod ReadHeader = nullptr;
};
// The slots of code FileType (fcTIFF .. fcRAW); other codes share one slot
// that stays empty.
TIEFormatMethods& IEFormatMethods(int32_t FileType);

// Operations of later subsystems that the dispatch reaches: loading over
// HTTP, and the first frame of an AVI file (open, frame 0, close). Empty: the
// load fails (AbortFlag true, end events fire).
struct TIEImgIOExtensions {
  TIEFileMethod LoadFromURL = nullptr;
  TIEFileMethod LoadAVIFirstFrame = nullptr;
};
TIEImgIOExtensions& IEImgIOExtensions();
// Fills IEImgIOExtensions with the component's own URL and AVI loads
// (IEInitImageIO calls it).
void IEInstallImgIOExtensions();
// Fills IEFormatMethods with the per-format methods of the built-in codes
// (IEInitImageIO calls it).
void IEInstallFormatMethods();

// ---- The component ------------------------------------------------------------------

using TIEDoPreviewsEvent = std::function<void(TObject* Sender, bool& Handled)>;
using TIEIOPreviewEvent = std::function<void(TObject* Sender, TComponent* PreviewForm)>;
using TIEAcquireBitmapEvent = std::function<void(TObject* Sender, TIEBitmap* ABitmap, bool& Handled)>;

enum class TIOPreviewsParamsItem : uint8_t { ioppDefaultLockPreview, ioppApplyButton };
using TIOPreviewsParams = Set<TIOPreviewsParamsItem>;
enum class TIEDialogsMeasureUnit : uint8_t { ieduInches, ieduCm, ieduSelectableDefInches, ieduSelectableDefCm };
using TIEPixelFormatSet = Set<TIEPixelFormat>;

// Frame callbacks. A reader may create Mask (transparency); the frame moves
// it into the working bitmap's alpha channel.
using TIEFrameRead = std::function<void(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                                        TIECodecProgress& Progress, std::unique_ptr<TIEMask>& Mask)>;
using TIEFrameWrite =
    std::function<void(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress)>;
// Converts the working bitmap to what the writer accepts; may be empty.
using TIEFrameConvert = std::function<void(TIEBitmap* Bitmap)>;
// A call of the public operation itself, arguments captured by value, that
// the asynchronous gate runs on a worker; empty: no gate.
using TIEReissue = std::function<void()>;

// The load steps that not every format runs: the attached view's SetDpi
// and, when AutoAdjustDPI, the square-pixel resampling.
struct TIELoadSteps {
  bool ViewDpi = true;
  bool AdjustDPI = true;
};

class TImgIO : public TComponent, public TIEIOParamsOwner {
 public:
  explicit TImgIO(TComponent* AOwner = nullptr);
  // Waits for running workers (without cancelling them) first.
  ~TImgIO() override;
  const char* ClassName() const override { return "TImgIO"; }

  // ---- Overridable operations -----------------------------------------------------
  // An acquired bitmap becomes the working bitmap (unless OnAcquireBitmap
  // handles it); ParamsOut := Params.
  virtual void AcquiredBitmap(TIEBitmap* ABitmap, TIOParamsVals*& ParamsOut);
  virtual void ResetAcquire() { FAcquireState = 0; }
  // OnProgress(100), then OnFinishWork, each only when assigned.
  virtual void DoFinishWork();
  // The platform bitmap behind the working bitmap, or the attached one, or nil.
  TBitmap* GetPlatformBitmap() override;
  TIEView* GetAttachedView() override;
  // The format-options dialog for Pages; true when the user confirmed.
  virtual bool DoPreviews(TIEPreviewPages Pages);

  virtual void DoAcquireBitmap(TIEBitmap* ABitmap, bool& Handled);
  // Loads by extension. Unknown extension or no working bitmap: nothing at
  // all happens. Swallows every exception.
  virtual void LoadFromFile(const String& FileName);
  // Loads by detected content, else by extension. Swallows every exception.
  virtual void LoadFromFileByContent(const String& FileName);
  // Saves by extension. An extension nobody writes: AbortFlag true, no
  // event, no file. File errors pass.
  virtual void SaveToFile(const String& FileName);
  // Loads as FileType. Swallows every exception.
  virtual void LoadFromFileAs(const String& FileName, int32_t FileType);
  // Loads from a memory block of Size bytes (FileType 0: detected). Runs
  // synchronously: the block's wrapper lives only during the call.
  virtual void LoadFromBuffer(const void* Buffer, int64_t Size, int32_t FileType);
  // Header-only reads: Params is filled, the working bitmap stays. FileType
  // ends 0 when nothing could be read. The end events fire.
  virtual void ReadParamsFromFile(const String& FileName);
  virtual void ReadParamsFromFileAs(const String& FileName, int32_t FileType);
  virtual void ReadParamsFromStream(TStream* Stream);
  virtual void ReadParamsFromStreamAs(TStream* Stream, int32_t FileType);
  // Loads from the stream's position by detected content (a format without a
  // stream loader: nothing happens). File errors pass.
  virtual void LoadFromStream(TStream* Stream);
  virtual void LoadFromStreamAs(TStream* Stream, int32_t FileType);
  virtual void SaveToStream(TStream* Stream, int32_t FileType);

  // ---- Frames around every codec call ---------------------------------------------
  // Each answers false when the call went to a worker (Reissue) and nothing
  // ran here, true otherwise. End events fire exactly once when it ran, also
  // when the codec raises; the exception then passes after them.
  bool LoadFileFrame(const String& FileName, int32_t FileType, const TIEFrameRead& Read, const TIEReissue& Reissue,
                     const TIELoadSteps& Steps = TIELoadSteps());
  bool LoadStreamFrame(TStream* Stream, int32_t FileType, const TIEFrameRead& Read, const TIEReissue& Reissue,
                       const TIELoadSteps& Steps = TIELoadSteps());
  // Writes to a temporary file beside FileName, renamed into place only when
  // the writer ended without the abort flag; otherwise an existing file
  // stays as it was.
  bool SaveFileFrame(const String& FileName, const TIEFrameConvert& Convert, const TIEFrameWrite& Write,
                     const TIEReissue& Reissue);
  bool SaveStreamFrame(TStream* Stream, const TIEFrameConvert& Convert, const TIEFrameWrite& Write,
                       const TIEReissue& Reissue);
  // The asynchronous gate: true when Reissue was handed to a worker.
  bool AsyncGate(const TIEReissue& Reissue);

  // ---- Per-format methods ----------------------------------------------------------
  // One load and save method per built-in format and medium, each in its
  // frame. Loaders that answer int give the page (TIFF) or frame (GIF)
  // count, 0 when there was no working bitmap, -1 when the call went to a
  // worker. With StreamHeaders the TIFF, JPEG and PCX stream savers put a
  // 12-byte block (magic, 0, length of the data) in front of the image, so
  // several images can follow one another in one stream.
  int32_t LoadTIFFFile(const String& FileName);
  int32_t LoadTIFFStream(TStream* Stream);
  void SaveTIFFFile(const String& FileName);
  void SaveTIFFStream(TStream* Stream);
  // Adds the working image to an existing little-endian TIFF file as page
  // Params.TIFFImageIndex (the last page when past the end); the file's new
  // page count, 0 when it is no such TIFF (the file stays as it was).
  int32_t InsertTIFFFile(const String& FileName);
  // Frame GIFImageIndex composed over the frames before it on the logical
  // screen, as a viewer shows it.
  int32_t LoadGIFFile(const String& FileName);
  int32_t LoadGIFStream(TStream* Stream);
  void SaveGIFFile(const String& FileName);
  void SaveGIFStream(TStream* Stream);
  void LoadJPEGFile(const String& FileName);
  // Recognises a "JFIF" header block whatever StreamHeaders says.
  void LoadJPEGStream(TStream* Stream);
  void SaveJPEGFile(const String& FileName);
  void SaveJPEGStream(TStream* Stream);
  void LoadPCXFile(const String& FileName);
  void LoadPCXStream(TStream* Stream);
  void SavePCXFile(const String& FileName);
  // A failed save with StreamHeaders leaves the 12 reserved bytes without a
  // length.
  void SavePCXStream(TStream* Stream);
  void LoadBMPFile(const String& FileName);
  void LoadBMPStream(TStream* Stream);
  void SaveBMPFile(const String& FileName);
  void SaveBMPStream(TStream* Stream);
  void LoadICOFile(const String& FileName);
  void LoadICOStream(TStream* Stream);
  // One image per leading Params.ICOSizes entry with a width above 0.
  void SaveICOFile(const String& FileName);
  void SaveICOStream(TStream* Stream);
  void LoadCURFile(const String& FileName);
  void LoadCURStream(TStream* Stream);
  void LoadPNGFile(const String& FileName);
  void LoadPNGStream(TStream* Stream);
  void SavePNGFile(const String& FileName);
  void SavePNGStream(TStream* Stream);
  void LoadTGAFile(const String& FileName);
  void LoadTGAStream(TStream* Stream);
  void SaveTGAFile(const String& FileName);
  void SaveTGAStream(TStream* Stream);
  void LoadPXMFile(const String& FileName);
  void LoadPXMStream(TStream* Stream);
  void SavePXMFile(const String& FileName);
  void SavePXMStream(TStream* Stream);
  void LoadJP2File(const String& FileName);
  void LoadJP2Stream(TStream* Stream);
  void SaveJP2File(const String& FileName);
  void SaveJP2Stream(TStream* Stream);
  void LoadJ2KFile(const String& FileName);
  void LoadJ2KStream(TStream* Stream);
  void SaveJ2KFile(const String& FileName);
  void SaveJ2KStream(TStream* Stream);
  void LoadWBMPFile(const String& FileName);
  void LoadWBMPStream(TStream* Stream);
  void SaveWBMPFile(const String& FileName);
  void SaveWBMPStream(TStream* Stream);
  // One complete one-page document per call.
  void SavePSFile(const String& FileName);
  void SavePSStream(TStream* Stream);
  void SavePDFFile(const String& FileName);
  void SavePDFStream(TStream* Stream);
  void LoadDCXFile(const String& FileName);
  void LoadDCXStream(TStream* Stream);
  // A DCX of one page: the stream saver empties the caller's stream first.
  void SaveDCXFile(const String& FileName);
  void SaveDCXStream(TStream* Stream);
  void LoadRAWFile(const String& FileName);
  void LoadRAWStream(TStream* Stream);
  // Renders a WMF or EMF file into the working bitmap at Width x Height
  // (a negative side follows the metafile's aspect, both negative: its own
  // size at 96 dpi; at most 16000 pixels a side). WithAlpha: alpha 0 where
  // nothing was drawn.
  void ImportMetafile(const String& FileName, int32_t Width, int32_t Height, bool WithAlpha);

  // ---- Other operations ---------------------------------------------------------
  // From a TImgIO's Params or from a TIOParamsVals; other objects are ignored.
  void AssignParams(TObject* Source);
  void AssignParams(const TIOParamsVals* Source);
  // Work on an outside bitmap (not owned). nil with a view or TImage
  // attached only drops the view's listener.
  void SetIEBitmap(TIEBitmap* Bitmap);
  // Replaces the working bitmap without touching attachments.
  void SetBitmapDirect(TIEBitmap* Bitmap);
  void SetMonoConversion(uint8_t Value);
  uint8_t MonoConversion() const { return FMonoConversion; }
  // OnProgress(Percent clamped to 0..100); answers not AbortFlag.
  bool DoProgress(int32_t Percent);
  // Makes the attached view or TImage show the working bitmap.
  void UpdateAttached();
  // Readies the working bitmap for a codec: false without one, or when
  // Allowed is not empty and lacks its pixel format.
  bool PrepareBitmap(const TIEPixelFormatSet& Allowed);
  // A resolution below 2 is missing and becomes IEDefaultDpiX / Y.
  void DefaultDpiIfMissing();
  // Resamples the working bitmap to square pixels (by Params' size and
  // resolutions).
  void AdjustDPI();
  void ViewBitmapChanged(TObject* Sender, bool Destroying);

  // ---- Worker threads -----------------------------------------------------------
  // Waits until no worker runs; Abort keeps AbortFlag raised meanwhile so
  // that running codecs stop at their next progress check. Never from an
  // OnProgress or OnFinishWork handler of an asynchronous operation (nor
  // destroying the component there): the worker would wait for itself.
  void WaitThreads(bool Abort);
  bool InWorkerThread();
  bool ThreadAvailable() { return true; }
  int32_t RunningThreads() { return FThreads.Count(); }

  // ---- Video frames ---------------------------------------------------------------
  // The first video stream of an AVI file: its frame count, 0 with AbortFlag
  // set when it cannot be read. Closes a file opened before.
  int32_t OpenAVIFile(const String& FileName);
  // Frame Index of the open AVI file into the working bitmap; the end events
  // fire (an index outside the file changes nothing else).
  void LoadAVIFrame(int32_t Index);
  // Any media file the media libraries play: its frame count, 0 with
  // AbortFlag set when it has no duration (the file then stays open until
  // CloseMediaFile).
  int32_t OpenMediaFile(const String& FileName);
  // Frame Index of the open media file as ie24RGB; no events, no flag.
  void LoadMediaFrame(int32_t Index);
  bool IsMediaFileOpen() const { return MediaFile != nullptr; }
  // What LoadFromFile does for ".avi" names: open, frame 0, close, with the
  // frame loaded on this thread (a worker would find the file closed).
  void LoadAVIFirstFrame(const String& FileName);

  // ---- Other sources and outputs ---------------------------------------------------
  // One HTTP GET (through ProxyAddress when set), then LoadFromStream of the
  // body. A download stopped through AbortFlag loads nothing and fires no
  // end events.
  void LoadFromURL(const String& URL);
  // The working image as text: 0 a constant array, 1 a "0x" list and 2
  // Base64 of the bytes SaveToStream writes for FileType; 3 a character
  // picture of an ie24RGB image. Other formats give an empty file.
  void SaveAsText(const String& FileName, int32_t FileType, uint8_t TextFormat);

  // ---- Slots of later subsystems ---------------------------------------------------
  void CloseAVIFile();
  void CloseMediaFile();
  void ClosePSFile();
  void ClosePDFFile();
  std::unique_ptr<TIEIOSlot> AVIFile;
  std::unique_ptr<TIEIOSlot> MediaFile;
  double MediaFrameDuration = 0;
  int32_t MediaTimeUnitsPerFrame = 0;
  std::unique_ptr<TIEIOSlot> PSDocument;
  std::unique_ptr<TIEIOSlot> PDFDocument;
  std::unique_ptr<TIEIOSlot> WIAParams;
  std::unique_ptr<TIEIOSlot> DShowParams;
  String ProxyAddress, ProxyUser, ProxyPassword;

  // ---- Properties -----------------------------------------------------------------
  TIEBitmap* IEBitmap() const { return FIEBitmap; }
  bool IEBitmapOwned() const { return FIEBitmapOwned; }
  TBitmap* Bitmap() const { return FBitmap; }
  TIEView* AttachedImg() const { return FAttachedImg; }
  void SetAttachedImg(TIEView* View);
  TImage* AttachedTImage() const { return FAttachedTImage; }
  void SetAttachedTImage(TImage* Image);
  int32_t ListenerHandle() const { return FListenerHandle; }
  TColor GetBackground() const;
  void SetBackground(TColor Value);
  TIOPreviewsParams GetPreviewsParams() const { return FPreviewsParams; }
  void SetPreviewsParams(TIOPreviewsParams Value) { FPreviewsParams = Value; }
  TFont* PreviewFont() const { return FPreviewFont.get(); }
  void SetPreviewFont(TFont* Value);
  bool GetNativePixelFormat() const { return FParams ? FParams->NativePixelFormat : false; }
  void SetNativePixelFormat(bool Value) {
    if (FParams) FParams->NativePixelFormat = Value;
  }
  TIOParamsVals& Params() { return *FParams; }
  TIETWainParams& TWainParams() { return *FTWainParams; }
  TIOPrintPreviewParams& PrintPreviewParams() { return *FPrintPreviewParams; }
  int32_t AcquireState() const { return FAcquireState; }

  TMsgLanguage MsgLanguage = TMsgLanguage::msSystem;
  bool SimplifiedParamsDialogs = true;
  bool StreamHeaders = false;
  TIEDialogsMeasureUnit DialogsMeasureUnit = TIEDialogsMeasureUnit::ieduInches;
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  bool Asynchronous = false;
  // Set from any thread to cancel; set by codecs to report failure.
  std::atomic<bool> AbortFlag{false};

  TIEProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  TIEAcquireBitmapEvent OnAcquireBitmap;
  TIEDoPreviewsEvent OnDoPreviews;
  TIEIOPreviewEvent OnIOPreview;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  template <class F>
  void Framed(F&& Body);
  // What every load does after the codec: default resolution, the mask as
  // alpha channel, DPI adjustment, name and type, the view's DPI and the
  // attached views. Steps leaves out what a format skips.
  void LoadTail(std::unique_ptr<TIEMask>& Mask, const String& FileName, int32_t FileType,
                const TIELoadSteps& Steps = TIELoadSteps());
  // The stream column of the load frames around Read, with FileName stored
  // before the end events, so that a handler of OnFinishWork sees it. Read
  // answers false to end the load before LoadTail.
  using TIEColumnRead = std::function<bool(TIECodecProgress& Progress, std::unique_ptr<TIEMask>& Mask)>;
  void ReadColumn(const String& FileName, int32_t FileType, const TIELoadSteps& Steps, const TIEColumnRead& Read);
  // Workers shared by a file and a stream method: they run the stream
  // column; FileName is the name the file methods store (empty for streams).
  int32_t ReadTIFF(TStream* Stream, bool WithHeader, const String& FileName);
  int32_t ReadGIF(TStream* Stream, const String& FileName);
  void ReadPCX(TStream* Stream, bool WithHeader, const String& FileName);
  void ReadDCX(TStream* Stream, const String& FileName);
  void ReadBMP(TStream* Stream, const String& FileName);
  void ReadRAW(TStream* Stream, const String& FileName);
  // The JPEG 2000 reader on the working bitmap (inside a load frame).
  void ReadJ2000(TStream* Stream, TIECodecProgress& Progress);
  TIEFrameRead ReadJ2000Frame();
  // What the JPEG 2000 loaders do after their frame.
  void J2000Loaded(bool Here, int32_t FileType);
  // Stream-column writers. File: the temporary file Stream writes to,
  // renamed into place before the end events when the writer succeeded
  // (nil for the stream methods). WorkerWrite is their shared body.
  void WorkerWrite(TStream* Stream, TSafeFileWriter* File, const TIEFrameConvert& Convert, const TIEFrameWrite& Write);
  void WriteBMP(TStream* Stream, TSafeFileWriter* File);
  void WriteDCX(TStream* Stream, TSafeFileWriter* File);
  void WritePSPage(TStream* Stream, TSafeFileWriter* File);
  void WritePDFPage(TStream* Stream, TSafeFileWriter* File);
  // The conversion and the JPEG 2000 writer (inside a save frame). Format: 0
  // the JPEG 2000 file format, 1 the code stream.
  void WriteJ2000(TStream* Stream, TIECodecProgress& Progress, int32_t Format);
  TIECodecProgress MakeProgress();
  // The view's SetDpi(DpiX, DpiY) and ImageChange: direct on other threads,
  // queued to the main thread on a worker.
  void ViewCall(const std::function<void(TIEView*)>& Call);
  void ViewSetDpi();
  void RemoveViewListener();
  void FreeOwnBitmap();
  // Load and save paths of formats the component has no method for.
  void CustomLoadFile(const String& FileName, const TIEFormatRecord& Row, bool As);
  void CustomLoadStream(TStream* Stream, const TIEFormatRecord& Row, bool As);
  void CustomSaveFile(const String& FileName, const TIEFormatRecord& Row);
  void CustomSaveStream(TStream* Stream, const TIEFormatRecord& Row);
  void LoadStreamCode(TStream* Stream, int32_t FileType, bool As);
  void ReadHeader(TStream* Stream, int32_t FileType);

  TBitmap* FBitmap = nullptr;
  TIEBitmap* FIEBitmap = nullptr;
  bool FIEBitmapOwned = false;
  TIEView* FAttachedImg = nullptr;
  TComponent* FAttachedComponent = nullptr;  // the view as a component
  TComponentRef<TComponent> FAttachedRef;    // the same, read by queued calls
  int32_t FListenerHandle = -1;
  TImage* FAttachedTImage = nullptr;
  TColor FOwnBackground = 0;
  TIOPreviewsParams FPreviewsParams;
  std::unique_ptr<TIETWainParams> FTWainParams;
  std::unique_ptr<TFont> FPreviewFont;
  TIEIOThreadList FThreads;
  int32_t FAcquireState = 0;
  uint8_t FMonoConversion = 1;
  std::unique_ptr<TIOPrintPreviewParams> FPrintPreviewParams;
  std::unique_ptr<TIOParamsVals> FParams;
  // Read by workers: the view's window as known when the operation started.
  HWND FAsyncViewHandle = nullptr;
  // Above 0 while a call must not go to a worker.
  std::atomic<int32_t> FSyncDepth{0};
};

// Runs Body and then the end events exactly once: also when Body returns early
// or raises. A raising codec leaves the operation failed (AbortFlag set) and
// its exception passes on after the events. (Here so that the per-format
// methods, defined in files of their own, use the same frame.)
template <class F>
void TImgIO::Framed(F&& Body) {
  {
    // An error of the end events while the codec's passes is dropped by the
    // guard: the codec's exception is the one that counts.
    auto failed = ScopeFail([&] {
      AbortFlag = true;
      DoFinishWork();
    });
    Body();
  }
  DoFinishWork();
}

// The AdjustDPI resampling on any bitmap and record: a new bitmap (the
// caller frees it), or Bitmap itself when nothing changes. Resolution through
// the record's setters; alpha is ignored; Bitmap is not changed.
TIEBitmap* IEAdjustDPIBitmap(TIEBitmap* Bitmap, TIOParamsVals& Params, bool Filtered);
