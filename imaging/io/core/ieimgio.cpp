#include "imaging/io/core/ieimgio.h"

#include <utility>

#include "imaging/io/core/iedetect.h"
#include "imaging/model/containers/ielists.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/containers/ieresample.h"
#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/windows.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/files.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/rtl/scopeguard.h"

TIEPreviewsDialogFactory IEPreviewsDialogFactory;

// ---- Owned settings ----------------------------------------------------------------------

TIETWainParams::TIETWainParams(bool MultiImageOwner) : FMultiImageOwner(MultiImageOwner) { Reset(); }

void TIETWainParams::Reset() {
  Capabilities.clear();
  for (auto& list : RealLists) list.clear();
  for (auto& list : IntLists) list.clear();
  Gamma = 2.2;
  AcquireMultiple = AutoFeed = FeederEnabled = FMultiImageOwner;
  ShowSettings = ProgressIndicators = BufferedTransfer = true;
  for (auto& text : Texts) text.clear();
}

// ---- Dispatch tables ----------------------------------------------------------------------

TIEFormatMethods& IEFormatMethods(int32_t FileType) {
  static TIEFormatMethods table[fcRAW + 2];
  if (FileType < fcTIFF || FileType > fcRAW) {
    table[fcRAW + 1] = TIEFormatMethods();  // the shared slot stays empty
    return table[fcRAW + 1];
  }
  return table[FileType];
}

TIEImgIOExtensions& IEImgIOExtensions() {
  static TIEImgIOExtensions hooks;
  return hooks;
}

namespace {

// SaveToFile's own extension list (independent of the registry's rows: TGA
// takes ".win" here, the registry lists "PIX").
struct TSaveExtension {
  const char* Ext;
  int32_t FileType;
};
constexpr TSaveExtension SaveExtensions[] = {
    {".jpg", fcJPEG},  {".jpeg", fcJPEG}, {".jpe", fcJPEG},  {".jp2", fcJP2}, {".j2k", fcJ2K},  {".jpc", fcJ2K},
    {".j2c", fcJ2K},   {".pcx", fcPCX},   {".dcx", fcDCX},   {".gif", fcGIF}, {".tif", fcTIFF}, {".tiff", fcTIFF},
    {".fax", fcTIFF},  {".g3f", fcTIFF},  {".g3n", fcTIFF},  {".png", fcPNG}, {".bmp", fcBMP},  {".dib", fcBMP},
    {".rle", fcBMP},   {".tga", fcTGA},   {".targa", fcTGA}, {".vda", fcTGA}, {".icb", fcTGA},  {".vst", fcTGA},
    {".win", fcTGA},   {".pxm", fcPXM},   {".pbm", fcPXM},   {".pgm", fcPXM}, {".ppm", fcPXM},  {".ico", fcICO},
    {".wbmp", fcWBMP}, {".ps", fcPS},     {".eps", fcPS},    {".pdf", fcPDF},
};

int32_t SaveCodeOfExtension(const String& LowerExt) {
  for (const TSaveExtension& e : SaveExtensions)
    if (LowerExt == e.Ext) return e.FileType;
  return fcNone;
}

bool HasStreamSaver(int32_t FileType) {
  switch (FileType) {
    case fcTIFF:
    case fcGIF:
    case fcJPEG:
    case fcPCX:
    case fcBMP:
    case fcICO:
    case fcPNG:
    case fcTGA:
    case fcPXM:
    case fcJP2:
    case fcJ2K:
    case fcWBMP:
    case fcPS:
    case fcPDF:
    case fcDCX: return true;
    default: return false;
  }
}

// Built-in codes that go the registry's way in LoadFromFile (no file
// loader of their own).
bool BuiltinWithoutFileLoader(int32_t FileType) { return FileType == fcAVI || FileType == fcPS || FileType == fcPDF; }

// The built-in rows' procedures only mark availability (they do nothing):
// only a row registered at run time has procedures worth calling.
TIEReadProc UsableReadProc(const TIEFormatRecord& Row) { return Row.Internal ? nullptr : Row.ReadProc; }
TIEWriteProc UsableWriteProc(const TIEFormatRecord& Row) { return Row.Internal ? nullptr : Row.WriteProc; }

void ConvertForCustomWriter(TIEBitmap* Bitmap) {
  const TIEPixelFormat f = Bitmap->PixelFormat();
  if (f != TIEPixelFormat::ie24RGB && f != TIEPixelFormat::ie1g) Bitmap->ConvertFormat(TIEPixelFormat::ie24RGB);
}

// The square-pixel decision shared by AdjustDPI and IEAdjustDPIBitmap: the
// new size by the record's size and resolutions; false when nothing changes.
bool SquarePixelSize(const TIOParamsVals& P, int32_t& NewW, int32_t& NewH, bool& KeepX) {
  const int32_t w = P.Width, h = P.Height;
  if (h < w) {
    NewW = w;
    NewH = static_cast<int32_t>(Trunc(static_cast<double>(h) / P.DpiY * P.DpiX));
    KeepX = true;  // DpiY := DpiX
  } else {
    NewW = static_cast<int32_t>(Trunc(static_cast<double>(w) / P.DpiX * P.DpiY));
    NewH = h;
    KeepX = false;  // DpiX := DpiY
  }
  // A record without a size gives nothing to resample to: keep the image.
  return NewW > 0 && NewH > 0;
}

std::unique_ptr<TIEBitmap> ResampleTo(TIEBitmap* Source, int32_t W, int32_t H, bool Filtered) {
  auto out = std::make_unique<TIEBitmap>();
  if (Filtered) {
    out->Allocate(W, H, TIEPixelFormat::ie24RGB);
    ResampleFastLinear(Source, out.get());
  } else {
    out->Allocate(W, H, Source->PixelFormat());
    StretchNearest(Source, out.get());
  }
  return out;
}

}  // namespace

// ---- Construction -----------------------------------------------------------------------

TImgIO::TImgIO(TComponent* AOwner) : TComponent(AOwner), FThreads([this] { AbortFlag = true; }) {
  IEInitImageIO();
  FIEBitmap = new TIEBitmap();
  FIEBitmapOwned = true;
  FListenerHandle = -1;
  FParams = std::make_unique<TIOParamsVals>(this);
  FTWainParams = std::make_unique<TIETWainParams>(false);
  FPreviewFont = std::make_unique<TFont>();
  FPrintPreviewParams = std::make_unique<TIOPrintPreviewParams>();
}

TImgIO::~TImgIO() {
  WaitThreads(false);
  DestroyComponents();  // forms of the options dialog still waiting for release
  CloseMediaFile();
  CloseAVIFile();
  ClosePSFile();
  ClosePDFFile();
  RemoveViewListener();
  FParams.reset();
  FTWainParams.reset();
  FPrintPreviewParams.reset();
  FPreviewFont.reset();
  FreeOwnBitmap();
  WIAParams.reset();
  DShowParams.reset();
}

void TImgIO::CloseAVIFile() {
  if (AVIFile) AVIFile->Close();
  AVIFile.reset();
}
void TImgIO::CloseMediaFile() {
  if (MediaFile) MediaFile->Close();
  MediaFile.reset();
}
void TImgIO::ClosePSFile() {
  if (PSDocument) PSDocument->Close();
  PSDocument.reset();
}
void TImgIO::ClosePDFFile() {
  if (PDFDocument) PDFDocument->Close();
  PDFDocument.reset();
}

// ---- Small operations ---------------------------------------------------------------------

void TImgIO::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

bool TImgIO::DoProgress(int32_t Percent) {
  IEDoProgress(OnProgress, this, Percent);
  return !AbortFlag;
}

TIECodecProgress TImgIO::MakeProgress() {
  TIECodecProgress p;
  p.Event = OnProgress;
  p.Sender = this;
  p.AbortFlag = &AbortFlag;
  return p;
}

void TImgIO::AssignParams(TObject* Source) {
  if (auto* io = dynamic_cast<TImgIO*>(Source))
    FParams->Assign(io->FParams.get());
  else if (auto* params = dynamic_cast<TIOParamsVals*>(Source))
    AssignParams(params);
}

void TImgIO::AssignParams(const TIOParamsVals* Source) {
  if (Source != nullptr) FParams->Assign(Source);
}

void TImgIO::SetMonoConversion(uint8_t Value) {
  if (FIEBitmap) FIEBitmap->SetBWConversion(Value);
  FMonoConversion = Value;
}

void TImgIO::SetPreviewFont(TFont* Value) {
  if (Value) FPreviewFont->Assign(Value);
}

TColor TImgIO::GetBackground() const { return FAttachedImg ? FAttachedImg->Background() : FOwnBackground; }

void TImgIO::SetBackground(TColor Value) {
  if (!FAttachedImg) FOwnBackground = Value;
}

TBitmap* TImgIO::GetPlatformBitmap() {
  if (FIEBitmap && FIEBitmap->Location() == TIELocation::ieTBitmap) return FIEBitmap->GetTBitmap();
  return FBitmap;
}

TIEView* TImgIO::GetAttachedView() {
  // A worker never calls the view: the frame hands the final resolution to
  // the main thread instead.
  if (FAttachedImg && InWorkerThread()) return nullptr;
  return FAttachedImg;
}

void TImgIO::DoAcquireBitmap(TIEBitmap* ABitmap, bool& Handled) {
  if (OnAcquireBitmap) OnAcquireBitmap(this, ABitmap, Handled);
}

void TImgIO::AcquiredBitmap(TIEBitmap* ABitmap, TIOParamsVals*& ParamsOut) {
  if (!PrepareBitmap({})) return;
  bool handled = false;
  DoAcquireBitmap(ABitmap, handled);
  if (handled) return;
  ParamsOut = FParams.get();
  FIEBitmap->Assign(ABitmap);
  if (AutoAdjustDPI) AdjustDPI();
  UpdateAttached();
}

// ---- Attachment ------------------------------------------------------------------------------

void TImgIO::FreeOwnBitmap() {
  if (FIEBitmapOwned) delete FIEBitmap;
  FIEBitmap = nullptr;
  FIEBitmapOwned = false;
}

void TImgIO::RemoveViewListener() {
  if (FAttachedImg && FListenerHandle >= 0) FAttachedImg->RemoveBitmapChangeListener(FListenerHandle);
  FListenerHandle = -1;
}

void TImgIO::SetAttachedImg(TIEView* View) {
  RemoveViewListener();
  const bool hadView = FAttachedImg != nullptr;
  FAttachedImg = View;
  FAttachedComponent = nullptr;
  FAttachedRef = nullptr;
  if (!View) {
    FreeOwnBitmap();  // an own bitmap is replaced, not leaked
    // The platform bitmap was the view's.
    if (hadView && !FAttachedTImage) FBitmap = nullptr;
    FIEBitmap = new TIEBitmap();
    FIEBitmapOwned = true;
    FIEBitmap->SetBWConversion(FMonoConversion);
    return;
  }
  FreeOwnBitmap();
  FBitmap = View->GetBitmap();
  FIEBitmap = View->GetIEBitmap();
  if (FIEBitmap) {
    FBitmap = nullptr;
  } else {
    FIEBitmap = new TIEBitmap();
    FIEBitmap->EncapsulateTBitmap(FBitmap, true);
    FIEBitmapOwned = true;
  }
  FAttachedComponent = View->ViewComponent();
  FAttachedRef = FAttachedComponent;
  if (FAttachedComponent) FAttachedComponent->FreeNotification(this);
  FAttachedTImage = nullptr;
  FListenerHandle = View->AddBitmapChangeListener(
      [this](TObject* Sender, bool Destroying) { ViewBitmapChanged(Sender, Destroying); });
}

void TImgIO::ViewBitmapChanged(TObject* Sender, bool Destroying) {
  (void)Sender;
  if (Destroying) {
    SetAttachedImg(nullptr);
    return;
  }
  if (!FAttachedImg) return;
  FBitmap = FAttachedImg->GetBitmap();
  if (TIEBitmap* viewBitmap = FAttachedImg->GetIEBitmap()) {
    if (viewBitmap != FIEBitmap) {
      FreeOwnBitmap();
      FIEBitmap = viewBitmap;
    }
    FBitmap = nullptr;
  } else {
    if (!FIEBitmapOwned) {
      FIEBitmap = new TIEBitmap();
      FIEBitmapOwned = true;
    }
    FIEBitmap->EncapsulateTBitmap(FBitmap, true);
  }
  FParams->SetDpiX(FAttachedImg->GetDpiX());
  FParams->SetDpiY(FAttachedImg->GetDpiY());
}

void TImgIO::SetAttachedTImage(TImage* Image) {
  RemoveViewListener();
  FAttachedTImage = Image;
  if (Image) {
    FBitmap = Image->Picture()->Bitmap();
    if (FIEBitmap) FIEBitmap->EncapsulateTBitmap(FBitmap, true);
    Image->FreeNotification(this);
    FAttachedImg = nullptr;
    FAttachedComponent = nullptr;
    FAttachedRef = nullptr;
  } else {
    // The platform bitmap was the image's: neither keep nor wrap it.
    FBitmap = nullptr;
    if (FIEBitmap) FIEBitmap->FreeImage(true);
  }
}

void TImgIO::SetIEBitmap(TIEBitmap* Bitmap) {
  RemoveViewListener();
  if (!Bitmap && (FAttachedImg || FAttachedTImage)) return;
  SetBitmapDirect(Bitmap);
  if (Bitmap) {
    FAttachedImg = nullptr;
    FAttachedComponent = nullptr;
    FAttachedRef = nullptr;
    FAttachedTImage = nullptr;
  }
}

void TImgIO::SetBitmapDirect(TIEBitmap* Bitmap) {
  FBitmap = nullptr;
  FreeOwnBitmap();
  FIEBitmapOwned = false;
  FIEBitmap = Bitmap;
}

void TImgIO::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove || AComponent == nullptr) return;
  if (FAttachedComponent && AComponent == FAttachedComponent) {
    // Only the component part of the view is left: drop the listener handle
    // without calling it.
    FListenerHandle = -1;
    SetAttachedImg(nullptr);
  } else if (FAttachedTImage && AComponent == static_cast<TComponent*>(FAttachedTImage)) {
    SetAttachedTImage(nullptr);
  }
}

// ---- Bitmap preparation and view updates ----------------------------------------------------

bool TImgIO::PrepareBitmap(const TIEPixelFormatSet& Allowed) {
  if (!FIEBitmap) return false;
  if (FBitmap) FIEBitmap->EncapsulateTBitmap(FBitmap, false);
  if (!Allowed.Empty() && !Allowed.Contains(FIEBitmap->PixelFormat())) return false;
  return true;
}

void TImgIO::ViewCall(const std::function<void(TIEView*)>& Call) {
  if (!FAttachedImg) return;
  if (InWorkerThread()) {
    // Run on the main thread, and only while the view lives.
    TThread::Queue(nullptr, [ref = FAttachedRef, view = FAttachedImg, Call] {
      if (ref.Get()) Call(view);
    });
    return;
  }
  Call(FAttachedImg);
}

void TImgIO::ViewSetDpi() {
  const int32_t x = FParams->DpiX, y = FParams->DpiY;
  ViewCall([x, y](TIEView* v) { v->SetDpi(x, y); });
}

void TImgIO::UpdateAttached() {
  if (FBitmap && FIEBitmap) FIEBitmap->RemoveAlphaChannel();
  if (FAttachedImg) {
    if (InWorkerThread())
      PostMessage(FAsyncViewHandle, IEM_UPDATE, 0, 0);
    else
      FAttachedImg->Update();
    ViewCall([](TIEView* v) { v->ImageChange(); });
  } else if (FBitmap) {
    FBitmap->SetModified(true);
  }
}

void TImgIO::DefaultDpiIfMissing() {
  if (FParams->DpiX < 2) FParams->SetDpiX(IEDefaultDpiX);
  if (FParams->DpiY < 2) FParams->SetDpiY(IEDefaultDpiY);
}

void TImgIO::AdjustDPI() {
  if (!PrepareBitmap({})) return;
  TIOParamsVals& p = *FParams;
  if (p.DpiX == p.DpiY || p.DpiX <= 0 || p.DpiY <= 0) return;
  if (FIEBitmap->Width() <= 0 || FIEBitmap->Height() <= 0) return;
  int32_t w, h;
  bool keepX;
  if (!SquarePixelSize(p, w, h, keepX)) return;
  if (keepX) {
    p.DpiY = p.DpiX;  // directly: no EXIF mirror, no view notification
    p.Height = h;
  } else {
    p.DpiX = p.DpiY;
    p.Width = w;
  }
  std::unique_ptr<TIEBitmap> alpha;
  if (FIEBitmap->HasAlphaChannel()) {
    alpha = std::make_unique<TIEBitmap>();
    alpha->Assign(FIEBitmap->AlphaChannel());
  }
  if (FilteredAdjustDPI && FIEBitmap->PixelFormat() != TIEPixelFormat::ie24RGB)
    FIEBitmap->ConvertFormat(TIEPixelFormat::ie24RGB);
  std::unique_ptr<TIEBitmap> resized = ResampleTo(FIEBitmap, w, h, FilteredAdjustDPI);
  FIEBitmap->Assign(resized.get());
  if (alpha) {
    FIEBitmap->RemoveAlphaChannel();
    StretchNearest(alpha.get(), FIEBitmap->AlphaChannel());
  }
}

TIEBitmap* IEAdjustDPIBitmap(TIEBitmap* Bitmap, TIOParamsVals& Params, bool Filtered) {
  if (!Bitmap || Bitmap->IsEmpty()) return Bitmap;
  if (Params.DpiX == Params.DpiY || Params.DpiX <= 0 || Params.DpiY <= 0) return Bitmap;
  int32_t w, h;
  bool keepX;
  if (!SquarePixelSize(Params, w, h, keepX)) return Bitmap;
  if (keepX) {
    Params.SetDpiY(Params.DpiX);
    Params.Height = h;
  } else {
    Params.SetDpiX(Params.DpiY);
    Params.Width = w;
  }
  TIEBitmap* source = Bitmap;
  std::unique_ptr<TIEBitmap> converted;
  if (Filtered && Bitmap->PixelFormat() != TIEPixelFormat::ie24RGB) {
    // The caller's bitmap stays as it is.
    converted = std::make_unique<TIEBitmap>();
    converted->Assign(Bitmap);
    converted->ConvertFormat(TIEPixelFormat::ie24RGB);
    source = converted.get();
  }
  return ResampleTo(source, w, h, Filtered).release();
}

// ---- Options dialog ------------------------------------------------------------------------

bool TImgIO::DoPreviews(TIEPreviewPages Pages) {
  if (OnDoPreviews) {
    bool handled = false;
    OnDoPreviews(this, handled);
    if (handled) return true;
  }
  if (!PrepareBitmap({})) return false;
  ConvertForCustomWriter(FIEBitmap);
  if (!IEPreviewsDialogFactory) return false;
  TIEPreviewsDialog* dialog = IEPreviewsDialogFactory(this);
  if (!dialog) return false;
  bool result = false;
  auto done = [&] {
    // Release is deferred until the modal run has returned.
    dialog->FirstView()->SetExternalBitmap(nullptr);
    dialog->Release();
    UpdateAttached();
  };
  {
    auto cleanup = ScopeExit([&] { done(); });
    dialog->SetLockPreview(FPreviewsParams.Contains(TIOPreviewsParamsItem::ioppDefaultLockPreview));
    dialog->SetParams(FParams.get());
    dialog->SetSimplified(SimplifiedParamsDialogs);
    if (SimplifiedParamsDialogs) {
      const int32_t ppi = Screen ? Screen->PixelsPerInch() : 96;
      dialog->SetPageControlHeight(static_cast<int32_t>(Trunc(ppi * 1.2708333333333333)));
      dialog->SetFormHeight(static_cast<int32_t>(Trunc(ppi * 3.75)));
    }
    dialog->SetMonoConversion(FMonoConversion);
    dialog->SetPreviewFont(FPreviewFont.get());
    dialog->FirstView()->SetExternalBitmap(FIEBitmap);
    dialog->FirstViewBase()->Update();
    dialog->SecondView()->ClearImage();
    if (dialog->SelectPages(Pages)) {
      if (OnIOPreview) OnIOPreview(this, dialog->Form());
      result = dialog->ShowModal() == 1;
    }
  }
  return result;
}

// ---- Worker threads -----------------------------------------------------------------------------

bool TImgIO::InWorkerThread() { return FThreads.InWorkerThread(); }

void TImgIO::WaitThreads(bool Abort) {
  if (Abort)
    FThreads.Wait([this] { AbortFlag = true; });
  else
    FThreads.Wait({});
}

bool TImgIO::AsyncGate(const TIEReissue& Reissue) {
  if (!Reissue || FIEBitmapOwned || !Asynchronous || FSyncDepth > 0 || InWorkerThread()) return false;
  if (!ThreadAvailable()) return true;
  // The worker posts to the window known now; it never asks the view.
  FAsyncViewHandle = FAttachedImg ? FAttachedImg->Handle() : nullptr;
  FThreads.Start(Reissue);
  return true;
}

// ---- Frames -------------------------------------------------------------------------------------

void TImgIO::LoadTail(std::unique_ptr<TIEMask>& Mask, const String& FileName, int32_t FileType,
                      const TIELoadSteps& Steps) {
  DefaultDpiIfMissing();
  // A failed reader may leave a mask of another size, or an empty bitmap:
  // its mask is then no alpha channel of this picture.
  if (Mask && !FIEBitmap->IsEmpty() && Mask->Width() == FIEBitmap->Width() && Mask->Height() == FIEBitmap->Height())
    FIEBitmap->AlphaChannel()->CopyFromMask(Mask.get());
  Mask.reset();
  if (AutoAdjustDPI && Steps.AdjustDPI) AdjustDPI();
  FParams->FileName = FileName;
  FParams->FileType = FileType;
  if (Steps.ViewDpi) ViewSetDpi();
  UpdateAttached();
}

bool TImgIO::LoadFileFrame(const String& FileName, int32_t FileType, const TIEFrameRead& Read,
                           const TIEReissue& Reissue, const TIELoadSteps& Steps) {
  if (AsyncGate(Reissue)) return false;
  AbortFlag = true;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    FParams->ResetMetadata();
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    AbortFlag = false;
    TIECodecProgress progress = MakeProgress();
    FIEBitmap->RemoveAlphaChannel();
    std::unique_ptr<TIEMask> mask;
    Read(&stream, FIEBitmap, *FParams, progress, mask);
    LoadTail(mask, FileName, FileType, Steps);
  });
  return true;
}

void TImgIO::ReadColumn(const String& FileName, int32_t FileType, const TIELoadSteps& Steps,
                        const TIEColumnRead& Read) {
  AbortFlag = false;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    FParams->ResetMetadata();
    TIECodecProgress progress = MakeProgress();
    FIEBitmap->RemoveAlphaChannel();
    std::unique_ptr<TIEMask> mask;
    if (!Read(progress, mask)) return;
    LoadTail(mask, FileName, FileType, Steps);
  });
}

bool TImgIO::LoadStreamFrame(TStream* Stream, int32_t FileType, const TIEFrameRead& Read, const TIEReissue& Reissue,
                             const TIELoadSteps& Steps) {
  if (AsyncGate(Reissue)) return false;
  ReadColumn(String(), FileType, Steps, [&](TIECodecProgress& Progress, std::unique_ptr<TIEMask>& Mask) {
    Read(Stream, FIEBitmap, *FParams, Progress, Mask);
    return true;
  });
  return true;
}

bool TImgIO::SaveFileFrame(const String& FileName, const TIEFrameConvert& Convert, const TIEFrameWrite& Write,
                           const TIEReissue& Reissue) {
  if (AsyncGate(Reissue)) return false;
  AbortFlag = true;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    if (Convert) Convert(FIEBitmap);
    // The old file stays untouched until the new one is complete.
    TSafeFileWriter writer(FileName);
    AbortFlag = false;
    TIECodecProgress progress = MakeProgress();
    Write(&writer.Stream(), FIEBitmap, *FParams, progress);
    if (!AbortFlag) writer.Commit(true);
  });
  return true;
}

bool TImgIO::SaveStreamFrame(TStream* Stream, const TIEFrameConvert& Convert, const TIEFrameWrite& Write,
                             const TIEReissue& Reissue) {
  if (AsyncGate(Reissue)) return false;
  AbortFlag = false;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    if (Convert) Convert(FIEBitmap);
    TIECodecProgress progress = MakeProgress();
    Write(Stream, FIEBitmap, *FParams, progress);
  });
  return true;
}

// ---- Load dispatch ------------------------------------------------------------------------------

void TImgIO::LoadFromFile(const String& FileName) {
  if (!FIEBitmap) return;
  try {
    if (FileName.empty()) {
      AbortFlag = true;
      DoFinishWork();
      return;
    }
    if (LowerCase(FileName.substr(0, 7)) == "http://") {
      if (TIEFileMethod load = IEImgIOExtensions().LoadFromURL) {
        load(*this, FileName);
      } else {
        AbortFlag = true;
        DoFinishWork();
      }
      return;
    }
    const String ext = LowerCase(ExtractFileExt(FileName));
    if (ext == ".avi") {
      if (TIEFileMethod load = IEImgIOExtensions().LoadAVIFirstFrame) {
        load(*this, FileName);
      } else {
        AbortFlag = true;
        DoFinishWork();
      }
      FParams->FileName = FileName;
      FParams->FileType = fcAVI;
      return;
    }
    const TIEFormatRecord* row = IEFindFormatByExtension(ext);
    if (!row) return;
    if (row->Internal && !BuiltinWithoutFileLoader(row->FileType)) {
      if (TIEFileMethod load = IEFormatMethods(row->FileType).LoadFile) {
        load(*this, FileName);
        return;
      }
    }
    CustomLoadFile(FileName, *row, false);
  } catch (...) {
    // A failed load is reported through AbortFlag.
  }
}

void TImgIO::LoadFromFileAs(const String& FileName, int32_t FileType) {
  try {
    const TIEFormatRecord* row = IEFindFormatByType(FileType);
    if (!row) return;
    if (row->Internal && !BuiltinWithoutFileLoader(row->FileType)) {
      if (TIEFileMethod load = IEFormatMethods(row->FileType).LoadFile) {
        load(*this, FileName);
        return;
      }
    }
    CustomLoadFile(FileName, *row, true);
  } catch (...) {
  }
}

void TImgIO::LoadFromFileByContent(const String& FileName) {
  try {
    const int32_t fileType = IEDetectFileFormat(FileName, false);
    if (fileType != fcNone)
      LoadFromFileAs(FileName, fileType);
    else
      LoadFromFile(FileName);
  } catch (...) {
  }
}

void TImgIO::CustomLoadFile(const String& FileName, const TIEFormatRecord& Row, bool As) {
  const int32_t code = Row.FileType;
  const TIEReadProc read = UsableReadProc(Row);
  FParams->FileName.clear();
  FParams->FileType = fcNone;
  FParams->ResetMetadata();
  if (!read) {
    AbortFlag = true;
    DoFinishWork();
    return;
  }
  const TIEReissue reissue = As ? TIEReissue([this, FileName, code] { LoadFromFileAs(FileName, code); })
                                : TIEReissue([this, FileName] { LoadFromFile(FileName); });
  if (AsyncGate(reissue)) return;
  AbortFlag = true;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    AbortFlag = false;
    TIECodecProgress progress = MakeProgress();
    FParams->FileName = FileName;
    FParams->FileType = code;
    if (!As) {
      try {
        read(&stream, FIEBitmap, *FParams, progress, false);
      } catch (...) {
        AbortFlag = true;
      }
      if (!AbortFlag) {
        if (AutoAdjustDPI) AdjustDPI();
        ViewSetDpi();
      }
    } else {
      read(&stream, FIEBitmap, *FParams, progress, false);
      if (AutoAdjustDPI) AdjustDPI();
      ViewSetDpi();
    }
    UpdateAttached();
  });
}

void TImgIO::LoadFromStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  const int32_t fileType = IEDetectStreamFormat(Stream);
  if (!IEFindFormatByType(fileType)) return;
  Stream->SetPosition(pos);
  LoadStreamCode(Stream, fileType, false);
}

void TImgIO::LoadFromStreamAs(TStream* Stream, int32_t FileType) { LoadStreamCode(Stream, FileType, true); }

void TImgIO::LoadStreamCode(TStream* Stream, int32_t FileType, bool As) {
  const TIEFormatRecord* row = IEFindFormatByType(FileType);
  if (!row) return;
  if (!row->Internal) {
    CustomLoadStream(Stream, *row, As);
    return;
  }
  switch (FileType) {
    case fcWMF:
    case fcEMF:
    case fcAVI:
    case fcPS:
    case fcPDF: return;  // no stream loader: nothing happens
    case fcWBMP:
      if (!As) return;  // not detected
      break;
    default: break;
  }
  if (TIEStreamMethod load = IEFormatMethods(FileType).LoadStream) load(*this, Stream);
}

void TImgIO::CustomLoadStream(TStream* Stream, const TIEFormatRecord& Row, bool As) {
  const int32_t code = Row.FileType;
  const TIEReadProc read = UsableReadProc(Row);
  const TIEReissue reissue = As ? TIEReissue([this, Stream, code] { LoadFromStreamAs(Stream, code); })
                                : TIEReissue([this, Stream] { LoadFromStream(Stream); });
  if (AsyncGate(reissue)) return;
  FParams->ResetMetadata();
  FParams->FileName.clear();
  FParams->FileType = fcNone;
  if (!read) {
    AbortFlag = true;
    DoFinishWork();
    return;
  }
  AbortFlag = false;
  Framed([&] {
    if (!PrepareBitmap({})) return;
    TIECodecProgress progress = MakeProgress();
    FParams->FileType = code;
    read(Stream, FIEBitmap, *FParams, progress, false);
    if (AutoAdjustDPI) AdjustDPI();
    ViewSetDpi();
    UpdateAttached();
  });
}

void TImgIO::LoadFromBuffer(const void* Buffer, int64_t Size, int32_t FileType) {
  TIEMemStream stream(Buffer, Size);
  // The wrapper dies with this call, so no worker may read it later.
  ++FSyncDepth;
  auto cleanup = ScopeExit([&] { --FSyncDepth; });
  if (FileType != fcNone)
    LoadFromStreamAs(&stream, FileType);
  else
    LoadFromStream(&stream);
}

// ---- Save dispatch ------------------------------------------------------------------------------

void TImgIO::SaveToFile(const String& FileName) {
  if (FileName.empty()) return;
  const String ext = LowerCase(ExtractFileExt(FileName));
  if (const int32_t code = SaveCodeOfExtension(ext)) {
    if (TIEFileMethod save = IEFormatMethods(code).SaveFile)
      save(*this, FileName);
    else
      AbortFlag = true;
    return;
  }
  const TIEFormatRecord* row = IEFindFormatByExtension(ext);
  if (!row || !UsableWriteProc(*row)) {
    // Nobody writes it: no file and no event.
    AbortFlag = true;
    return;
  }
  CustomSaveFile(FileName, *row);
}

void TImgIO::CustomSaveFile(const String& FileName, const TIEFormatRecord& Row) {
  const int32_t code = Row.FileType;
  const TIEWriteProc write = UsableWriteProc(Row);
  SaveFileFrame(
      FileName, ConvertForCustomWriter,
      [&](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIECodecProgress& Progress) {
        P.FileName = FileName;
        P.FileType = code;
        write(Stream, Bitmap, P, Progress);
      },
      [this, FileName] { SaveToFile(FileName); });
}

void TImgIO::SaveToStream(TStream* Stream, int32_t FileType) {
  if (HasStreamSaver(FileType)) {
    if (TIEStreamMethod save = IEFormatMethods(FileType).SaveStream)
      save(*this, Stream);
    else
      AbortFlag = true;
    return;
  }
  const TIEFormatRecord* row = IEFindFormatByType(FileType);
  // Checked before the gate: a worker could only report the same failure,
  // and no end event would tell the caller.
  if (!row || !UsableWriteProc(*row)) {
    AbortFlag = true;
    return;
  }
  CustomSaveStream(Stream, *row);
}

void TImgIO::CustomSaveStream(TStream* Stream, const TIEFormatRecord& Row) {
  const int32_t code = Row.FileType;
  const TIEWriteProc write = UsableWriteProc(Row);
  SaveStreamFrame(
      Stream, ConvertForCustomWriter,
      [&](TStream* S, TIEBitmap* Bitmap, TIOParamsVals& P, TIECodecProgress& Progress) {
        P.FileType = code;
        write(S, Bitmap, P, Progress);
      },
      [this, Stream, code] { SaveToStream(Stream, code); });
}

// ---- Header-only reads ------------------------------------------------------------------------

void TImgIO::ReadHeader(TStream* Stream, int32_t FileType) {
  TIECodecProgress progress;  // no event, no sender: only the flag
  progress.AbortFlag = &AbortFlag;
  if (TIEHeaderMethod read = IEFormatMethods(FileType).ReadHeader) {
    read(*this, Stream, progress);
    return;
  }
  const TIEFormatRecord* row = IEFindFormatByType(FileType);
  const TIEReadProc read = row ? UsableReadProc(*row) : nullptr;
  if (!read) {
    // Nothing can read this header: a failed read, not an empty success.
    AbortFlag = true;
    return;
  }
  TIEBitmap scratch;  // a preview read never touches the working bitmap
  read(Stream, &scratch, *FParams, progress, true);
}

void TImgIO::ReadParamsFromFileAs(const String& FileName, int32_t FileType) {
  FParams->FileType = FileType;
  try {
    FParams->ResetMetadata();
    AbortFlag = true;
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    AbortFlag = false;
    ReadHeader(&stream, FileType);
  } catch (...) {
    AbortFlag = true;
  }
  if (AbortFlag) FParams->FileType = fcNone;
  FParams->FileName = FileName;
  DoFinishWork();
}

void TImgIO::ReadParamsFromFile(const String& FileName) {
  int32_t fileType = fcNone;
  try {
    fileType = IEDetectFileFormat(FileName, false);
  } catch (...) {
    fileType = fcNone;
  }
  ReadParamsFromFileAs(FileName, fileType);
}

void TImgIO::ReadParamsFromStreamAs(TStream* Stream, int32_t FileType) {
  FParams->FileType = FileType;
  try {
    FParams->ResetMetadata();
    AbortFlag = false;
    ReadHeader(Stream, FileType);
  } catch (...) {
    AbortFlag = true;
  }
  if (AbortFlag) FParams->FileType = fcNone;
  DoFinishWork();
}

void TImgIO::ReadParamsFromStream(TStream* Stream) {
  int32_t fileType = fcNone;
  try {
    fileType = IEDetectStreamFormat(Stream);
  } catch (...) {
    fileType = fcNone;
  }
  ReadParamsFromStreamAs(Stream, fileType);
}
