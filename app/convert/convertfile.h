// The conversion of one input file: destination and overwrite question, the
// load by content (PSD, multi-page TIFF and GIF, the alpha policy), the output
// parameters, the save by format, the source date and one result row of the
// progress dialog. The convert tab owns one converter and fills its inputs;
// the before/after preview runs the same steps into a stream.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/types.h"

class TBatchConvertDialog;
class TbsSkinMessage;
class TImgIO;
class TImgView;
class TIOParas;
class TMemoryStream;
class TStream;

// Result kinds of a converted file; only the first two count their sizes.
enum TConvertResultKind : int32_t {
  crNewFile = 1,
  crReplaced = 2,
  crSkippedOrFailed = 3,
  crUnknownFormat = 4,
  crCancelled = 5,
  crSourceMissing = 6,
};

// The file type stored after a PSD was loaded through the picture classes.
// The value was kept as it always was; it is only ever compared with the
// types that have their own handling (0, 1, 2, 3, 5, 9, 11), never handed to
// the load or save dispatch and never shown, so it means "PSD" here alone.
inline constexpr int32_t kPsdLoadedFileType = 19;

// Remembered answers of the overwrite question for one run.
inline constexpr int32_t kOverwriteNoToAll = 9;
inline constexpr int32_t kOverwriteYesToAll = 10;

// Slots of the tab's message table the conversion uses.
enum TConvertText : int32_t {
  ctOverwrite = 5,  // "%1%" exists: overwrite it?
  ctProcessing = 13,
  ctNotFound = 14,
  ctCancelled = 15,
  ctSkipped = 16,
  ctUnknownFormat = 17,
  ctReplaced = 18,
  ctDone = 19,
  ctFailed = 22,
  ctBesideSources = 24,  // warning: the outputs go into the source folders
};

// The tab's controls as one conversion reads them.
struct TConvertSwitches {
  int32_t OutputFormat = 0;  // 0 JPEG, 1 BMP, 2 GIF, 3 PNG, 4 JPEG 2000, 5 TIFF
  bool AdvancedOptions = false;
  bool KeepDate = false;
  bool AskOverwrite = true;
};

class TFileConverter {
 public:
  // Img: the hidden work view; Messager: the tab's message boxes; Text: the
  // tab's message table by slot.
  TFileConverter(TImgView* Img, TbsSkinMessage* Messager, std::function<String(int32_t Slot)> Text);
  ~TFileConverter();

  // In a batch Destination is a full path, or a bare name placed beside the
  // source when BesideSource is set. In preview mode Stream receives the
  // encoded result and View (may be nil) a copy of the loaded image. True
  // when the file went through load and save (a failed save too), false on
  // the early exits.
  bool ConvertFile(const String& Source, const String& Destination, bool Preview, TStream* Stream, TImgView* View);

  // The tab's text of a message slot.
  String Text(int32_t Slot) const { return FText(Slot); }

  // Live inputs, set by the tab.
  TIOParas* Paras = nullptr;
  TBatchConvertDialog* Dialog = nullptr;
  TConvertSwitches Switches;
  // State of the run.
  int32_t OverwriteAnswer = 0;
  bool Lossless = false;
  bool BesideSource = false;
  String CurrentSource, CurrentTarget;
  // The size of the image last loaded; 0 while a conversion starts.
  int32_t SourceWidth = 0, SourceHeight = 0;

  // Steps of other parts of the tab: the PSD load (false when it failed),
  // the advanced options, and the lossless crop of a JPEG into Target.
  std::function<bool(TImgView* View, const String& Path)> LoadPsd;
  std::function<void()> ApplyAdvancedOptions;
  std::function<void(const String& Source, const String& Target)> LosslessCrop;

 private:
  struct TJob;
  enum class TStep : uint8_t { Go, Stop, EndPages };

  bool RunPages(TJob& J);
  TStep ConvertPage(TJob& J);
  TStep ResetAndAsk(TJob& J);
  int32_t AskOverwrite(const String& Target, bool Beside);
  TStep AnswerPageTarget(TJob& J);
  TStep LoadPage(TJob& J);
  void ReadPage(TJob& J);
  void DiscoverPages(TJob& J);
  void ApplyAlphaPolicy(TJob& J);
  void PreparePageTarget(TJob& J);
  void SavePage(TJob& J);
  void SaveByFormat(TJob& J);
  void SaveJpeg(TJob& J);
  void AfterPage(TJob& J);
  void Complete(TJob& J);
  void Report(int32_t Kind, const TJob& J, const String& Destination, int32_t Slot, int64_t OldSize, int64_t NewSize);
  TImgIO* IO() const;

  TImgView* FImg;
  TbsSkinMessage* FMessager;
  std::function<String(int32_t)> FText;
};

// Floating-point exceptions stay masked through a conversion; with this
// compiler and platform they are masked always, so there is nothing to do.
inline void MaskFloatingPointExceptions() {}
