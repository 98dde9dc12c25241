#include "app/convert/convertfile.h"

#include "app/convert/batchconverttab.h"
#include "app/convert/convertdialog.h"
#include "app/convert/jpegexifsave.h"
#include "app/convert/outputparams.h"
#include "app/main/bconvert.h"
#include "app/settings/commonclass.h"
#include "app/settings/marloutils.h"
#include "imaging/io/contract/ieformatcode.h"
#include "imaging/io/core/iedetect.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/views/view/imgview.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "skin/controls/skincheckradio.h"
#include "skin/controls/skincombobox.h"
#include "skin/controls/skinmessage.h"
#include "app/convert/stringcollection.h"

struct TFileConverter::TJob {
  String Source, Destination;
  bool Preview = false;
  TStream* Stream = nullptr;
  TImgView* View = nullptr;
  int32_t PageCount = 1;
  int32_t PageIndex = 0;
  int32_t MultiKind = 1;  // 1 TIFF pages, 2 GIF frames
  std::unique_ptr<TMemoryStream> PageStream;
  bool DstExisted = false;
  bool Failed = false;
  int32_t LoadedType = 0;
  int32_t PagesWritten = 0;
  int64_t SourceSize = 0;
  int64_t NewSize = 0;
  TDateTime SourceDate = 0;
  String Target;
};

namespace {

constexpr int32_t kJpeg2000Output = 4;
constexpr int32_t kTiffOutput = 5;

// The JPEG 2000 options choose a colour space but no bits, so a source's own
// layout (1 bit for a two-colour GIF) would reach the writer and turn a
// coloured picture black and white: the layout follows the colour space.
void SetJpeg2000Layout(TIOParamsVals& P) {
  P.BitsPerSample = 8;
  P.SamplesPerPixel = P.J2000ColorSpace == 0 ? 1 : 3;
}

bool IsPsd(const String& Path) { return UpperCase(ExtractFileExt(Path)) == ".PSD"; }

// The name of page Index (0-based) of a multi-page source: x.jpg, x_(2).jpg ...
String PageTargetName(const String& Destination, int32_t Index) {
  return ExtractFilePath(Destination) + NameWithoutExtension(Destination) + "_(" + std::to_string(Index + 1) + ")" +
         ExtractFileExt(Destination);
}

}  // namespace

TFileConverter::TFileConverter(TImgView* Img, TbsSkinMessage* Messager, std::function<String(int32_t)> Text)
    : FImg(Img), FMessager(Messager), FText(std::move(Text)) {}

TFileConverter::~TFileConverter() = default;

TImgIO* TFileConverter::IO() const { return FImg->GetImageIO(); }

void TFileConverter::Report(int32_t Kind, const TJob& J, const String& Destination, int32_t Slot, int64_t OldSize,
                            int64_t NewSize) {
  if (J.Preview || Dialog == nullptr) return;
  Dialog->ReportFileResult(Kind, J.Source, Destination, FText(Slot), OldSize, NewSize);
}

bool TFileConverter::ConvertFile(const String& Source, const String& Destination, bool Preview, TStream* Stream,
                                 TImgView* View) {
  MaskFloatingPointExceptions();
  SourceWidth = 0;
  SourceHeight = 0;
  if (!Preview && Dialog != nullptr && Dialog->Cancelled()) return false;
  TJob j;
  j.Source = Source;
  j.Destination = !Preview && BesideSource ? AddTrailingBackslash(ExtractFilePath(Source)) + Destination : Destination;
  j.Preview = Preview;
  j.Stream = Stream;
  j.View = View;
  if (!Preview) {
    j.DstExisted = FastFileExists(j.Destination);
    if (Dialog != nullptr) Dialog->AddFileRow(0, Source, j.Destination, FText(ctProcessing));
  }
  if (!FastFileExists(Source)) {
    Report(crSourceMissing, j, j.Destination, ctNotFound, 0, 0);
    return false;
  }
  bool result = false;
  try {
    result = RunPages(j);
  } catch (...) {
    // Whatever failed, the row and the gauge must not stay at "processing".
    Report(crSkippedOrFailed, j, j.Destination, ctFailed, j.SourceSize, 0);
  }
  if (!Preview && Dialog != nullptr) Dialog->BringToFront();
  return result;
}

bool TFileConverter::RunPages(TJob& J) {
  do {
    const TStep step = ConvertPage(J);
    if (step == TStep::Stop) return false;
    if (step == TStep::EndPages) break;
  } while (J.PageCount != 1 && J.PageIndex != J.PageCount && !J.Failed);
  Complete(J);
  return true;
}

TFileConverter::TStep TFileConverter::ConvertPage(TJob& J) {
  if (const TStep s = ResetAndAsk(J); s != TStep::Go) return s;
  if (const TStep s = LoadPage(J); s != TStep::Go) return s;
  if (J.Failed) return TStep::EndPages;
  if (J.View != nullptr && J.Preview) {
    J.View->GetIEBitmap()->Assign(FImg->GetIEBitmap());
    J.View->Update();
  }
  SourceWidth = FImg->GetIEBitmap()->Width();
  SourceHeight = FImg->GetIEBitmap()->Height();
  ApplyOutputParams(*Paras, Switches.OutputFormat, IO()->Params());
  if (Switches.OutputFormat == kJpeg2000Output) SetJpeg2000Layout(IO()->Params());
  if (Switches.KeepDate) J.SourceDate = GetFileDate(J.Source);
  J.Target = J.Destination;
  if (Lossless && LosslessCrop && J.LoadedType == fcJPEG && FastFileExists(J.Source) &&
      IEDetectFileFormat(J.Source, false) == fcJPEG) {
    LosslessCrop(J.Source, J.Target);
  } else {
    PreparePageTarget(J);
    if (const TStep s = AnswerPageTarget(J); s != TStep::Go) return s;
    SavePage(J);
  }
  AfterPage(J);
  return TStep::Go;
}

// The work view cleared, the record reset, the size read and the overwrite
// question of page 0 asked.
TFileConverter::TStep TFileConverter::ResetAndAsk(TJob& J) {
  FImg->ClearImage();
  FImg->ClearSelection();
  FImg->SetEnableAlphaChannel(true);
  IO()->Params().SetDefaults();
  if (J.PageIndex == 0) J.SourceSize = GetFileSize64(J.Source);
  if (J.Preview || J.PageIndex != 0 || !J.DstExisted || !Switches.AskOverwrite) return TStep::Go;
  if (OverwriteAnswer == kOverwriteNoToAll) {
    Report(crSkippedOrFailed, J, J.Destination, ctSkipped, J.SourceSize, 0);
    return TStep::Stop;
  }
  if (OverwriteAnswer == kOverwriteYesToAll) return TStep::Go;
  const int32_t answer = AskOverwrite(J.Destination, BesideSource);
  if (answer == mrYes || answer == mrYesToAll) return TStep::Go;
  if (answer == mrCancel) {
    // The dialog ignores rows once cancelled: report first.
    Report(crCancelled, J, J.Destination, ctCancelled, J.SourceSize, 0);
    if (Dialog != nullptr) Dialog->SetCancelled(true);
    return TStep::Stop;
  }
  Report(crSkippedOrFailed, J, J.Destination, ctSkipped, J.SourceSize, 0);
  return TStep::Stop;
}

// The question itself; remembers No to All and Yes to All for the run.
int32_t TFileConverter::AskOverwrite(const String& Target, bool Beside) {
  String text = FormatMessageArgs(FText(ctOverwrite), Target);
  if (Beside) text = FText(ctBesideSources) + "\r\r" + text;
  const int32_t answer = FMessager->MessageDlg(text, TMsgDlgType::mtConfirmation,
                                               TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel,
                                                              TMsgDlgBtn::mbNoToAll, TMsgDlgBtn::mbYesToAll},
                                               0);
  if (Application != nullptr) Application->ProcessMessages();
  if (answer == mrNoToAll) OverwriteAnswer = kOverwriteNoToAll;
  if (answer == mrYesToAll) OverwriteAnswer = kOverwriteYesToAll;
  return answer;
}

// A later page's own file is asked about as the destination was: No ends the
// pages (those written so far are the result), Cancel ends the run.
TFileConverter::TStep TFileConverter::AnswerPageTarget(TJob& J) {
  if (J.Preview || J.PageIndex == 0 || Switches.OutputFormat == kTiffOutput || !Switches.AskOverwrite ||
      !FastFileExists(J.Target) || OverwriteAnswer == kOverwriteYesToAll)
    return TStep::Go;
  const int32_t answer = OverwriteAnswer == kOverwriteNoToAll ? mrNoToAll : AskOverwrite(J.Target, BesideSource);
  if (answer == mrYes || answer == mrYesToAll) return TStep::Go;
  if (answer == mrCancel) {
    Report(crCancelled, J, J.Destination, ctCancelled, J.SourceSize, 0);
    if (Dialog != nullptr) Dialog->SetCancelled(true);
    return TStep::Stop;
  }
  J.PageCount = J.PagesWritten;
  return TStep::EndPages;
}

TFileConverter::TStep TFileConverter::LoadPage(TJob& J) {
  if (IsPsd(J.Source)) {
    if (LoadPsd) LoadPsd(FImg, J.Source);
  } else {
    ReadPage(J);
  }
  J.LoadedType = IO()->Params().FileType;
  CurrentSource = J.Source;
  CurrentTarget = J.Destination;
  // A load that ends with the abort flag failed, whatever type it found.
  const bool aborted = IO()->AbortFlag;
  if (J.LoadedType == fcNone && J.PageIndex == 0) {
    Report(crUnknownFormat, J, J.Destination, ctUnknownFormat, J.SourceSize, 0);
    return TStep::Stop;
  }
  if (J.LoadedType == fcNone || aborted) J.Failed = true;
  return TStep::Go;
}

void TFileConverter::ReadPage(TJob& J) {
  TIOParamsVals& p = IO()->Params();
  p.JPEGAdjustOrientation = true;
  p.TIFFAdjustOrientation = true;
  if (!J.Preview) p.SetImageIndex(J.PageIndex);
  try {
    if (J.PageCount <= 1 || !J.PageStream) {
      IO()->LoadFromFileByContent(J.Source);
    } else {
      J.PageStream->SetPosition(0);
      if (J.MultiKind == 1)
        IO()->LoadTIFFStream(J.PageStream.get());
      else
        IO()->LoadGIFStream(J.PageStream.get());
    }
  } catch (...) {
    if (J.PageStream) J.Failed = true;
  }
  if (IO()->AbortFlag) return;
  if (!J.Preview && J.PageCount == 1) DiscoverPages(J);
  ApplyAlphaPolicy(J);
}

void TFileConverter::DiscoverPages(TJob& J) {
  const TIOParamsVals& p = IO()->Params();
  if (p.FileType == fcTIFF && p.TIFFImageCount > 1) {
    J.MultiKind = 1;
    J.PageCount = p.TIFFImageCount;
  } else if (p.FileType == fcGIF && p.GIFImageCount > 1) {
    J.MultiKind = 2;
    J.PageCount = p.GIFImageCount;
  }
  if (J.PageCount <= 1) return;
  try {
    J.PageStream = std::make_unique<TMemoryStream>();
    J.PageStream->LoadFromFile(J.Source);
  } catch (...) {
    J.PageStream.reset();
    J.PageCount = 1;
  }
}

// BMP and TGA lose their alpha unblended, a metafile is put onto white,
// everything else keeps it.
void TFileConverter::ApplyAlphaPolicy(TJob&) {
  TIEBitmap* b = FImg->GetIEBitmap();
  if (!b->HasAlphaChannel()) return;
  const int32_t type = IO()->Params().FileType;
  if (type == fcTGA || type == fcBMP) {
    FImg->RemoveAlphaChannel(false);
    FImg->Update();
  } else if (type == fcWMF) {
    FlattenAlpha(b, TColor(0xFFFFFF));
    FImg->Update();
  }
}

void TFileConverter::PreparePageTarget(TJob& J) {
  if (J.Preview || J.PageCount <= 1 || J.PageIndex == 0) return;
  J.Target = PageTargetName(J.Destination, J.PageIndex);
  CurrentTarget = J.Target;
}

void TFileConverter::SavePage(TJob& J) {
  if (Switches.AdvancedOptions && ApplyAdvancedOptions) ApplyAdvancedOptions();
  // An existing destination is not deleted first: every writer replaces it
  // only once the new file is complete.
  FImg->SetBackground(TColor(0xFFFFFF));
  int64_t start = 0;
  if (J.Preview && J.Stream != nullptr) {
    const TIEBitmap* b = FImg->GetIEBitmap();
    start = J.Stream->Position();
    J.Stream->SetSize(start + int64_t((b->Width() * 24 + 31) / 32) * 4 * b->Height());
  }
  try {
    SaveByFormat(J);
  } catch (...) {
    J.Failed = true;
  }
  if (J.Preview && J.Stream != nullptr) J.Stream->SetSize(J.Stream->Position());
}

void TFileConverter::SaveByFormat(TJob& J) {
  TImgIO* io = IO();
  switch (Switches.OutputFormat) {
    case 1: J.Preview ? io->SaveBMPStream(J.Stream) : io->SaveBMPFile(J.Target); break;
    case 2: J.Preview ? io->SaveGIFStream(J.Stream) : io->SaveGIFFile(J.Target); break;
    case 3: J.Preview ? io->SavePNGStream(J.Stream) : io->SavePNGFile(J.Target); break;
    case 4: J.Preview ? io->SaveJP2Stream(J.Stream) : io->SaveJP2File(J.Target); break;
    case kTiffOutput:
      io->Params().SetEXIFOrientation(1);
      if (J.Preview) {
        io->SaveTIFFStream(J.Stream);
      } else {
        io->Params().TIFFImageIndex = J.PageIndex;
        if (J.PageIndex == 0)
          io->SaveTIFFFile(J.Destination);
        else if (io->InsertTIFFFile(J.Destination) == 0)
          J.Failed = true;  // no TIFF it could extend; the file stays
      }
      break;
    default: SaveJpeg(J); return;
  }
  // A writer that ends with the abort flag raised nothing and wrote nothing.
  if (io->AbortFlag) J.Failed = true;
  if (!J.Preview && !FastFileExists(Switches.OutputFormat == kTiffOutput ? J.Destination : J.Target)) J.Failed = true;
}

void TFileConverter::SaveJpeg(TJob& J) {
  TImgIO* io = IO();
  TIOParamsVals& p = io->Params();
  // The estimate goes into the view's record only, never into the options.
  if (Paras->JPEGUseOriginalQuality) {
    const int32_t q = EstimateSourceJpegQuality(J.Source);
    if (q >= 1 && q <= 100) p.JPEGQuality = q;
  }
  const bool jpegSource =
      J.LoadedType == fcJPEG && FastFileExists(J.Source) && IEDetectFileFormat(J.Source, false) == fcJPEG;
  if (!J.Preview && jpegSource) {
    J.Failed = !SaveJpegWithSourceExif(FImg, J.Source, J.Target, Paras->JPEGKeepEXIF, false);
    return;
  }
  if (!Paras->JPEGKeepEXIF) {
    p.ResetMetadata();
    p.HasEXIFData = false;
  }
  if (J.Preview && jpegSource) {
    ReassignIOParams(*io);
    J.Failed = !SaveJpegWithoutExif(FImg, String(), J.Stream);
    return;
  }
  J.Preview ? io->SaveJPEGStream(J.Stream) : io->SaveJPEGFile(J.Target);
  if (io->AbortFlag || (!J.Preview && !FastFileExists(J.Target))) J.Failed = true;
}

void TFileConverter::AfterPage(TJob& J) {
  if (J.Preview) return;
  if (J.PageCount > 1) ++J.PageIndex;
  if (J.Failed) {
    J.PageCount = 1;
    return;
  }
  ++J.PagesWritten;
  const String written = Switches.OutputFormat == kTiffOutput ? J.Destination : J.Target;
  if (Switches.KeepDate) SetFileDate(written, J.SourceDate);
  const int64_t size = GetFileSize64(written);
  J.NewSize = Switches.OutputFormat == kTiffOutput ? size : J.NewSize + size;
}

void TFileConverter::Complete(TJob& J) {
  if (J.Preview) {
    FImg->ClearImage();
    FImg->GetImageProc()->ClearAllUndo();
    FImg->GetImageProc()->ClearAllRedo();
    return;
  }
  const String suffix = J.PageCount > 1 ? " [" + std::to_string(J.PageCount) + "P]" : String();
  if (J.Failed) {
    Report(crSkippedOrFailed, J, J.Destination, ctFailed, J.SourceSize, 0);
    FMessager->MessageDlg(FText(ctFailed) + "\r\r" + J.Source + " -> " + J.Target + "\r", TMsgDlgType::mtError,
                          TMsgDlgButtons{TMsgDlgBtn::mbOK}, 0);
  } else if (J.PagesWritten == 0) {
    Report(crSkippedOrFailed, J, J.Destination, ctSkipped, J.SourceSize, 0);
  } else if (J.DstExisted) {
    Report(crReplaced, J, J.Destination + suffix, ctReplaced, J.SourceSize, J.NewSize);
  } else {
    Report(crNewFile, J, J.Destination + suffix, ctDone, J.SourceSize, J.NewSize);
  }
}

// ---- The tab's side ----------------------------------------------------------

TFileConverter& TBatchConvertTab::Converter() {
  if (!FConverter) {
    FConverter =
        std::make_unique<TFileConverter>(Img, Messager, [this](int32_t Slot) { return MyStringCollection->S(Slot); });
    FConverter->LoadPsd = &TInputTabBase::LoadPsdIntoView;
  }
  return *FConverter;
}

bool TBatchConvertTab::ConvertFile(const String& Source, const String& Destination, bool Preview, TStream* Stream,
                                   TImgView* View) {
  TFileConverter& c = Converter();
  auto* main = dynamic_cast<TBatchConvert*>(FMainForm);
  TPictovalSettings* settings = FSettings != nullptr ? FSettings : (main != nullptr ? main->Settings() : nullptr);
  if (settings != nullptr && settings->IOPara) {
    c.Paras = settings->IOPara.get();
  } else {
    if (!FOwnParas) FOwnParas = std::make_unique<TIOParas>();
    c.Paras = FOwnParas.get();
  }
  c.Dialog = FConvertDialog;
  c.Switches = TConvertSwitches{OutputFormat->ItemIndex(), ChkAdvancedOptions->Checked(), ChkKeepDataTime->Checked(),
                                BntAsk->Checked()};
  c.OverwriteAnswer = FOverwriteAnswer;
  c.Lossless = FLossless;
  c.BesideSource = FBesideSource;
  const bool result = c.ConvertFile(Source, Destination, Preview, Stream, View);
  FOverwriteAnswer = c.OverwriteAnswer;
  FCurrentSource = c.CurrentSource;
  FCurrentTarget = c.CurrentTarget;
  if (main != nullptr) {
    main->FSourceWidth = c.SourceWidth;
    main->FSourceHeight = c.SourceHeight;
  }
  return result;
}
