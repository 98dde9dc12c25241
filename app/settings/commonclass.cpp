// Class descriptions of the convert settings, in declaration order: the order
// is the stream order of the stored texts and of the option files.
#include "app/settings/commonclass.h"

TPictovalSettings::TPictovalSettings(TComponent* AOwner) : TComponent(AOwner) {}

TPictovalSettings::~TPictovalSettings() = default;

std::unique_ptr<TPictovalSettings> NewPictovalSettings() {
  auto settings = std::make_unique<TPictovalSettings>();
  settings->IOPara = std::make_unique<TIOParas>();
  settings->AdvancedOptions = std::make_unique<TOptionsInfo>();
  return settings;
}

const TClassInfo& IOParasClass() {
  using T = TIOParas;
  static const TClassInfo info = TClassBuilder<T>("TIOParas")
                                     .Int("JPEGQuality", &T::JPEGQuality)
                                     .Int("JPEGDCT", &T::JPEGDCT)
                                     .Bool("JPEGUseOriginalQuality", &T::JPEGUseOriginalQuality)
                                     .Int("JPEGPhotometric", &T::JPEGPhotometric)
                                     .Int("JPEGSubSampling", &T::JPEGSubSampling)
                                     .Int("JPEGSmoothing", &T::JPEGSmoothing)
                                     .Bool("JPEGOptimalHuffman", &T::JPEGOptimalHuffman)
                                     .Bool("JPEGProgressive", &T::JPEGProgressive)
                                     .Bool("JPEGKeepEXIF", &T::JPEGKeepEXIF)
                                     .Int("BMPCompression", &T::BMPCompression)
                                     .Int("BMPColor", &T::BMPColor)
                                     .Int("GIFColor", &T::GIFColor)
                                     .Bool("GIFTransparent", &T::GIFTransparent)
                                     .Color("GIFTransColor", &T::GIFTransColor)
                                     .Bool("GIFInterlaced", &T::GIFInterlaced)
                                     .Int("PNGColor", &T::PNGColor)
                                     .Int("PNGCompression", &T::PNGCompression)
                                     .Int("PNGFilter", &T::PNGFilter)
                                     .Bool("PNGInterlaced", &T::PNGInterlaced)
                                     .Color("PNGBackground", &T::PNGBackground)
                                     .Int("JPEG2000Rate", &T::JPEG2000Rate)
                                     .Int("JPEG2000Photometric", &T::JPEG2000Photometric)
                                     .Int("TIFFCompression", &T::TIFFCompression)
                                     .Int("TIFFPhotometric", &T::TIFFPhotometric)
                                     .Build();
  return info;
}

const TClassInfo& OptionsInfoClass() {
  using T = TOptionsInfo;
  static const TClassInfo info = TClassBuilder<T>("TOptionsInfo")
                                     .Bool("UseResize", &T::UseResize)
                                     .Bool("InPixel", &T::InPixel)
                                     .Bool("InPercentage", &T::InPercentage)
                                     .Int("resizeWidth", &T::resizeWidth)
                                     .Int("resizeHeight", &T::resizeHeight)
                                     .Int("ResizePercentage", &T::ResizePercentage)
                                     .Bool("PreserveAspectRatio", &T::PreserveAspectRatio)
                                     .Bool("SmartCropping", &T::SmartCropping)
                                     .Bool("ResizeOnlyLargerThan", &T::ResizeOnlyLargerThan)
                                     .Bool("BasedOneSide", &T::BasedOneSide)
                                     .Int("BasedSideNo", &T::BasedSideNo)
                                     .Int("BasedSize", &T::BasedSize)
                                     .Bool("FastResize", &T::FastResize)
                                     .Int("ResizeFilter", &T::ResizeFilter)
                                     .Bool("SwitchWH", &T::SwitchWH)
                                     .Bool("UseRotate", &T::UseRotate)
                                     .Bool("FlipHorizontal", &T::FlipHorizontal)
                                     .Bool("FlipVertical", &T::FlipVertical)
                                     .Bool("Rotate", &T::Rotate)
                                     .Int("RotateIndex", &T::RotateIndex)
                                     .Bool("UseCrop", &T::UseCrop)
                                     .Int("CropMethod", &T::CropMethod)
                                     .Bool("CropUseXY", &T::CropUseXY)
                                     .Int("CropX", &T::CropX)
                                     .Int("CropY", &T::CropY)
                                     .Int("CropW", &T::CropW)
                                     .Int("CropH", &T::CropH)
                                     .String("CropRW", &T::CropRW)
                                     .String("CropRH", &T::CropRH)
                                     .String("CropPW", &T::CropPW)
                                     .String("CropPH", &T::CropPH)
                                     .Int("CropUnit", &T::CropUnit)
                                     .Bool("CropSwitchWH", &T::CropSwitchWH)
                                     .Bool("CropLossless", &T::CropLossless)
                                     .Bool("UseCanvasResize", &T::UseCanvasResize)
                                     .Bool("canvasInPixel", &T::canvasInPixel)
                                     .Int("canvasW", &T::canvasW)
                                     .Int("canvasH", &T::canvasH)
                                     .Int("canvasW2", &T::canvasW2)
                                     .Int("canvasH2", &T::canvasH2)
                                     .Color("canvasBackgroundColor", &T::canvasBackgroundColor)
                                     .Bool("canvasExpand", &T::canvasExpand)
                                     .Int("canvasWAlign", &T::canvasWAlign)
                                     .Int("canvasHAlign", &T::canvasHAlign)
                                     .Bool("canvasBasePortrait", &T::canvasBasePortrait)
                                     .Bool("UseColorDepth", &T::UseColorDepth)
                                     .Int("colorDepthIndex", &T::colorDepthIndex)
                                     .Bool("UseEffects", &T::UseEffects)
                                     .Int("brightness", &T::brightness)
                                     .Int("contrast", &T::contrast)
                                     .Float("gamma", &T::gamma)
                                     .Int("hue", &T::hue)
                                     .Int("saturation", &T::saturation)
                                     .Int("lightness", &T::lightness)
                                     .Int("red", &T::red)
                                     .Int("green", &T::green)
                                     .Int("blue", &T::blue)
                                     .Int("Sharpen", &T::Sharpen)
                                     .Bool("grayScale", &T::grayScale)
                                     .Bool("Negative", &T::Negative)
                                     .Bool("Sepia", &T::Sepia)
                                     .Bool("AdjustBeforeResize", &T::AdjustBeforeResize)
                                     .Bool("UseDPI", &T::UseDPI)
                                     .Int("DPIX", &T::DPIX)
                                     .Int("DPIY", &T::DPIY)
                                     .Bool("UseText", &T::UseText)
                                     .WideString("Text", &T::Text)
                                     .Int("TextAlign", &T::TextAlign)
                                     .Int("TextPosition", &T::TextPosition)
                                     .Bool("TextShadow", &T::TextShadow)
                                     .Color("TextColor", &T::TextColor)
                                     .Int("TextX", &T::TextX)
                                     .Int("TextY", &T::TextY)
                                     .Bool("TextBackground", &T::TextBackground)
                                     .Color("TextBackgroundColor", &T::TextBackgroundColor)
                                     .Bool("TextRound", &T::TextRound)
                                     .WideString("TextFont", &T::TextFont)
                                     .Set("TextStyle", &T::TextStyle, TypeInfoTFontStyle())
                                     .Int("TextSize", &T::TextSize)
                                     .Int("TextTrans", &T::TextTrans)
                                     .Bool("UseWatermark", &T::UseWatermark)
                                     .WideString("ImageFilename", &T::ImageFilename)
                                     .Int("WaterPosition", &T::WaterPosition)
                                     .Int("WaterX", &T::WaterX)
                                     .Int("WaterY", &T::WaterY)
                                     .Bool("WaterShadow", &T::WaterShadow)
                                     .Bool("WaterBackground", &T::WaterBackground)
                                     .Bool("WaterRound", &T::WaterRound)
                                     .Int("WaterTrans", &T::WaterTrans)
                                     .Bool("UseBorder", &T::UseBorder)
                                     .Bool("Frame1", &T::Frame1)
                                     .Int("F1W", &T::F1W)
                                     .Color("F1C", &T::F1C)
                                     .Bool("Frame2", &T::Frame2)
                                     .Int("F2W", &T::F2W)
                                     .Color("F2C", &T::F2C)
                                     .Bool("Frame3", &T::Frame3)
                                     .Int("F3W", &T::F3W)
                                     .Color("F3C", &T::F3C)
                                     .Bool("InFrame", &T::InFrame)
                                     .Int("InFD", &T::InFD)
                                     .Int("InFW", &T::InFW)
                                     .Color("InFC", &T::InFC)
                                     .Color("InFFC", &T::InFFC)
                                     .Int("InFO", &T::InFO)
                                     .Bool("BorderShadow", &T::BorderShadow)
                                     .Int("RadiusEdit", &T::RadiusEdit)
                                     .Int("DepthEdit", &T::DepthEdit)
                                     .Color("ShadowBK", &T::ShadowBK)
                                     .Color("ShadowColor", &T::ShadowColor)
                                     .Build();
  return info;
}

namespace {

// The two option objects are owned here and stored in texts of their own.
// As references they are written only when they carry a name (they never
// do); a reference read from a stream is ignored, whatever it names, so a
// hostile text can neither fail the object nor hand it a component that
// something else owns.
template <class C>
auto OwnedReference(std::unique_ptr<C> TPictovalSettings::*Field) {
  return [Field](TPictovalSettings& Settings) -> TComponent* { return (Settings.*Field).get(); };
}

void IgnoreReference(TPictovalSettings&, TComponent*) {}

}  // namespace

const TClassInfo& PictovalSettingsClass() {
  using T = TPictovalSettings;
  static const TClassInfo info = TClassBuilder<T>("TPictovalSettings")
                                     .Int("OutputFormat", &T::OutputFormat)
                                     .String("OutputFolder", &T::OutputFolder)
                                     .Bool("SaveInSameFolder", &T::SaveInSameFolder)
                                     .Bool("UsefolderStructure", &T::UsefolderStructure)
                                     .Bool("UseAdvancedOptions", &T::UseAdvancedOptions)
                                     .Bool("UseRename", &T::UseRename)
                                     .WideString("RenameFormatString", &T::RenameFormatString)
                                     .Int("CaseNo", &T::CaseNo)
                                     .Bool("AskBeforeOverwrite", &T::AskBeforeOverwrite)
                                     .Bool("KeepOriginalDate", &T::KeepOriginalDate)
                                     .Bool("MainPreviewEnabled", &T::MainPreviewEnabled)
                                     .Component("IOPara", OwnedReference(&T::IOPara), IgnoreReference)
                                     .Component("AdvancedOptions", OwnedReference(&T::AdvancedOptions), IgnoreReference)
                                     .WideString("RenameFormatString2", &T::RenameFormatString2)
                                     .Bool("ContinueSN", &T::ContinueSN)
                                     .Int("CaseNo2", &T::CaseNo2)
                                     .Bool("MainPreviewEnabled2", &T::MainPreviewEnabled2)
                                     .Int("AdvancedPageNo", &T::AdvancedPageNo)
                                     .Bool("CompareMode", &T::CompareMode)
                                     .Bool("previewZ0_100", &T::previewZ0_100)
                                     .Bool("previewZ1_100", &T::previewZ1_100)
                                     .Bool("previewZ0_Force100", &T::previewZ0_Force100)
                                     .Bool("previewZ1_Force100", &T::previewZ1_Force100)
                                     .Build();
  return info;
}

void RegisterConvertSettingsClasses() {
  RegisterClasses({&PictovalSettingsClass(), &IOParasClass(), &OptionsInfoClass()});
}
