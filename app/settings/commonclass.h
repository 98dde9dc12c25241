// The live options of the batch-convert tab: the tab's own settings with one
// set of output-format parameters and one set of advanced options. The
// dialogs edit these objects in place and the conversion reads them; their
// published properties are also the keys of their stored form, so the
// registration order below is the stream order and must not change.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/rtl/components.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/types.h"

// Output-format parameters; indexes refer to the output-format dialog's lists.
class TIOParas : public TComponent {
 public:
  explicit TIOParas(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TIOParas"; }

  int32_t JPEGQuality = 90;
  int32_t JPEGDCT = 0;
  bool JPEGUseOriginalQuality = false;
  int32_t JPEGPhotometric = 0;
  int32_t JPEGSubSampling = 2;
  int32_t JPEGSmoothing = 0;
  bool JPEGOptimalHuffman = true;
  bool JPEGProgressive = false;
  bool JPEGKeepEXIF = true;
  int32_t BMPCompression = 0;
  int32_t BMPColor = 0;
  int32_t GIFColor = 0;
  bool GIFTransparent = false;
  TColor GIFTransColor = clWhite;
  bool GIFInterlaced = false;
  int32_t PNGColor = 0;
  int32_t PNGCompression = 6;
  int32_t PNGFilter = 0;
  bool PNGInterlaced = false;
  TColor PNGBackground = clWhite;
  int32_t JPEG2000Rate = 800;  // thousandths
  int32_t JPEG2000Photometric = 0;
  int32_t TIFFCompression = 0;
  int32_t TIFFPhotometric = 0;
};

// The advanced options, applied in the pipeline's fixed order. Percentages
// are in thousandths of a percent.
class TOptionsInfo : public TComponent {
 public:
  explicit TOptionsInfo(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TOptionsInfo"; }

  // Resize
  bool UseResize = false;
  bool InPixel = true;
  bool InPercentage = false;
  int32_t resizeWidth = 0;
  int32_t resizeHeight = 0;
  int32_t ResizePercentage = 0;
  bool PreserveAspectRatio = true;
  bool SmartCropping = false;
  bool ResizeOnlyLargerThan = false;
  bool BasedOneSide = false;
  int32_t BasedSideNo = 0;  // 0 width, 1 height, 2 longer, 3 shorter side
  int32_t BasedSize = 0;
  bool FastResize = false;
  int32_t ResizeFilter = 7;  // Lanczos3 in the dialog's list
  bool SwitchWH = false;
  // Flip and rotate
  bool UseRotate = false;
  bool FlipHorizontal = false;
  bool FlipVertical = false;
  bool Rotate = false;
  int32_t RotateIndex = 90;
  // Crop
  bool UseCrop = false;
  int32_t CropMethod = 0;  // 0 pixels, 1 paper size, 2 aspect ratio
  bool CropUseXY = false;
  int32_t CropX = 0;
  int32_t CropY = 0;
  int32_t CropW = 640;
  int32_t CropH = 480;
  String CropRW = "4";
  String CropRH = "3";
  String CropPW = "6";
  String CropPH = "4";
  int32_t CropUnit = 0;  // 0 inch, 1 centimetre
  bool CropSwitchWH = true;
  bool CropLossless = true;
  // Canvas
  bool UseCanvasResize = false;
  bool canvasInPixel = true;
  int32_t canvasW = 0;
  int32_t canvasH = 0;
  int32_t canvasW2 = 0;
  int32_t canvasH2 = 0;
  TColor canvasBackgroundColor = clWhite;
  bool canvasExpand = false;
  int32_t canvasWAlign = 2;
  int32_t canvasHAlign = 2;
  bool canvasBasePortrait = false;
  // Colour depth and adjustments
  bool UseColorDepth = false;
  int32_t colorDepthIndex = 167;  // 16.7 million colours
  bool UseEffects = false;
  int32_t brightness = 0;
  int32_t contrast = 0;
  double gamma = 1.0;
  int32_t hue = 0;
  int32_t saturation = 0;
  int32_t lightness = 0;
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
  int32_t Sharpen = 0;
  bool grayScale = false;
  bool Negative = false;
  bool Sepia = false;
  bool AdjustBeforeResize = false;
  bool UseDPI = false;
  int32_t DPIX = 0;
  int32_t DPIY = 0;
  // Text overlay
  bool UseText = false;
  WideString Text = u"($H1)";
  int32_t TextAlign = 0;
  int32_t TextPosition = 6;
  bool TextShadow = true;
  TColor TextColor = clWhite;
  int32_t TextX = 0;
  int32_t TextY = 0;
  bool TextBackground = false;
  TColor TextBackgroundColor = clRed;
  bool TextRound = true;
  WideString TextFont = u"Verdana";
  TFontStyles TextStyle{TFontStyle::fsBold};
  int32_t TextSize = 28;
  int32_t TextTrans = 100;
  // Watermark
  bool UseWatermark = false;
  WideString ImageFilename;
  int32_t WaterPosition = 6;
  int32_t WaterX = 0;
  int32_t WaterY = 0;
  bool WaterShadow = false;
  bool WaterBackground = true;
  bool WaterRound = false;
  int32_t WaterTrans = 100;
  // Border
  bool UseBorder = false;
  bool Frame1 = true;
  int32_t F1W = 10;
  TColor F1C = clWhite;
  bool Frame2 = false;
  int32_t F2W = 1;
  TColor F2C = clBlack;
  bool Frame3 = false;
  int32_t F3W = 2;
  TColor F3C = clWhite;
  bool InFrame = false;
  int32_t InFD = 20;
  int32_t InFW = 1;
  TColor InFC = clWhite;
  TColor InFFC = clBlack;
  int32_t InFO = 30;
  bool BorderShadow = true;
  int32_t RadiusEdit = 3;
  int32_t DepthEdit = 3;
  TColor ShadowBK = clWhite;
  TColor ShadowColor = clBlack;
};

// The convert tab's settings (and the rename tab's few keys). It owns its two
// option objects; the dialogs that edit them hold plain references, so whoever
// holds the settings frees them after those dialogs. The two objects are not
// part of this object's stored form: they travel in texts of their own.
class TPictovalSettings : public TComponent {
 public:
  // IOPara and AdvancedOptions stay empty; NewPictovalSettings gives both.
  explicit TPictovalSettings(TComponent* AOwner = nullptr);
  ~TPictovalSettings() override;
  const char* ClassName() const override { return "TPictovalSettings"; }

  int32_t OutputFormat = 0;  // 0 JPEG, 1 BMP, 2 GIF, 3 PNG, 4 JPEG 2000, 5 TIFF
  String OutputFolder;
  bool SaveInSameFolder = false;
  bool UsefolderStructure = true;
  bool UseAdvancedOptions = false;
  bool UseRename = false;
  WideString RenameFormatString = u"Image#####";
  int32_t CaseNo = 0;  // 0 lower-case, 1 upper-case extension
  bool AskBeforeOverwrite = true;
  bool KeepOriginalDate = true;
  bool MainPreviewEnabled = true;
  std::unique_ptr<TIOParas> IOPara;
  std::unique_ptr<TOptionsInfo> AdvancedOptions;
  WideString RenameFormatString2 = u"Image#####";
  bool ContinueSN = false;
  int32_t CaseNo2 = 0;
  bool MainPreviewEnabled2 = true;
  int32_t AdvancedPageNo = 0;
  bool CompareMode = true;
  bool previewZ0_100 = false;
  bool previewZ1_100 = true;
  bool previewZ0_Force100 = false;
  bool previewZ1_Force100 = true;
};

// Settings with default parameters and default advanced options.
std::unique_ptr<TPictovalSettings> NewPictovalSettings();

const TClassInfo& IOParasClass();
const TClassInfo& OptionsInfoClass();
const TClassInfo& PictovalSettingsClass();
// Registers the three classes with the class registry (again is harmless).
void RegisterConvertSettingsClasses();
