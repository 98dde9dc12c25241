#include "app/settings/commonclass.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <vector>

#include "app/settings/settings_testing.h"
#include "app/settings/settingsstore.h"

namespace {

using settingstest::Describe;
using settingstest::StreamBytes;

String LoadFixture(const char* Name) {
  std::ifstream in(String(PROJECT_TESTDATA_DIR) + "/streaming/" + Name, std::ios::binary);
  return String(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every published property of the four stored classes in declaration order,
// with its kind (b Boolean, i int32, c colour, d double, s String,
// w WideString, f font styles, o object) and the constructor's value.
const std::vector<String> kPictovalSettings = {
    "OutputFormat i 0",
    "OutputFolder s ''",
    "SaveInSameFolder b false",
    "UsefolderStructure b true",
    "UseAdvancedOptions b false",
    "UseRename b false",
    "RenameFormatString w 'Image#####'",
    "CaseNo i 0",
    "AskBeforeOverwrite b true",
    "KeepOriginalDate b true",
    "MainPreviewEnabled b true",
    "IOPara o nil",
    "AdvancedOptions o nil",
    "RenameFormatString2 w 'Image#####'",
    "ContinueSN b false",
    "CaseNo2 i 0",
    "MainPreviewEnabled2 b true",
    "AdvancedPageNo i 0",
    "CompareMode b true",
    "previewZ0_100 b false",
    "previewZ1_100 b true",
    "previewZ0_Force100 b false",
    "previewZ1_Force100 b true",
};

const std::vector<String> kIOParas = {
    "JPEGQuality i 90",
    "JPEGDCT i 0",
    "JPEGUseOriginalQuality b false",
    "JPEGPhotometric i 0",
    "JPEGSubSampling i 2",
    "JPEGSmoothing i 0",
    "JPEGOptimalHuffman b true",
    "JPEGProgressive b false",
    "JPEGKeepEXIF b true",
    "BMPCompression i 0",
    "BMPColor i 0",
    "GIFColor i 0",
    "GIFTransparent b false",
    "GIFTransColor c 16777215",
    "GIFInterlaced b false",
    "PNGColor i 0",
    "PNGCompression i 6",
    "PNGFilter i 0",
    "PNGInterlaced b false",
    "PNGBackground c 16777215",
    "JPEG2000Rate i 800",
    "JPEG2000Photometric i 0",
    "TIFFCompression i 0",
    "TIFFPhotometric i 0",
};

const std::vector<String> kOptionsInfo = {
    "UseResize b false",
    "InPixel b true",
    "InPercentage b false",
    "resizeWidth i 0",
    "resizeHeight i 0",
    "ResizePercentage i 0",
    "PreserveAspectRatio b true",
    "SmartCropping b false",
    "ResizeOnlyLargerThan b false",
    "BasedOneSide b false",
    "BasedSideNo i 0",
    "BasedSize i 0",
    "FastResize b false",
    "ResizeFilter i 7",
    "SwitchWH b false",
    "UseRotate b false",
    "FlipHorizontal b false",
    "FlipVertical b false",
    "Rotate b false",
    "RotateIndex i 90",
    "UseCrop b false",
    "CropMethod i 0",
    "CropUseXY b false",
    "CropX i 0",
    "CropY i 0",
    "CropW i 640",
    "CropH i 480",
    "CropRW s '4'",
    "CropRH s '3'",
    "CropPW s '6'",
    "CropPH s '4'",
    "CropUnit i 0",
    "CropSwitchWH b true",
    "CropLossless b true",
    "UseCanvasResize b false",
    "canvasInPixel b true",
    "canvasW i 0",
    "canvasH i 0",
    "canvasW2 i 0",
    "canvasH2 i 0",
    "canvasBackgroundColor c 16777215",
    "canvasExpand b false",
    "canvasWAlign i 2",
    "canvasHAlign i 2",
    "canvasBasePortrait b false",
    "UseColorDepth b false",
    "colorDepthIndex i 167",
    "UseEffects b false",
    "brightness i 0",
    "contrast i 0",
    "gamma d 1",
    "hue i 0",
    "saturation i 0",
    "lightness i 0",
    "red i 0",
    "green i 0",
    "blue i 0",
    "Sharpen i 0",
    "grayScale b false",
    "Negative b false",
    "Sepia b false",
    "AdjustBeforeResize b false",
    "UseDPI b false",
    "DPIX i 0",
    "DPIY i 0",
    "UseText b false",
    "Text w '($H1)'",
    "TextAlign i 0",
    "TextPosition i 6",
    "TextShadow b true",
    "TextColor c 16777215",
    "TextX i 0",
    "TextY i 0",
    "TextBackground b false",
    "TextBackgroundColor c 255",
    "TextRound b true",
    "TextFont w 'Verdana'",
    "TextStyle f [fsBold]",
    "TextSize i 28",
    "TextTrans i 100",
    "UseWatermark b false",
    "ImageFilename w ''",
    "WaterPosition i 6",
    "WaterX i 0",
    "WaterY i 0",
    "WaterShadow b false",
    "WaterBackground b true",
    "WaterRound b false",
    "WaterTrans i 100",
    "UseBorder b false",
    "Frame1 b true",
    "F1W i 10",
    "F1C c 16777215",
    "Frame2 b false",
    "F2W i 1",
    "F2C c 0",
    "Frame3 b false",
    "F3W i 2",
    "F3C c 16777215",
    "InFrame b false",
    "InFD i 20",
    "InFW i 1",
    "InFC c 16777215",
    "InFFC c 0",
    "InFO i 30",
    "BorderShadow b true",
    "RadiusEdit i 3",
    "DepthEdit i 3",
    "ShadowBK c 16777215",
    "ShadowColor c 0",
};

const std::vector<String> kProgramSettings = {
    "LastAccessFolder s ''",
    "lastX i 0",
    "lastY i 0",
    "lastWidth i 0",
    "lastHeight i 0",
    "lastScreenWidth i 0",
    "lastScreenHeight i 0",
    "WinMaximized b false",
    "SortNo i 0",
    "Maximized b true",
    "SkinNo i 1",
    "SkinNewNo i 9",
    "SkinWinBorder b false",
    "NormalBKColor c 13158600",
    "FullBKColor c 8388608",
    "JPEGQuality i 90",
    "BestFitWhenOpen b true",
    "StartUpFolder s '0'",
    "LeftPanelW i 265",
    "ImageMainPanelH i 220",
    "ShowFileName b true",
    "SmoothView b false",
    "MagnifierZoom i 20",
    "MagnifierSize i 500",
    "ImageViewerPath s ''",
    "FirstTimeInFullScreen b false",
    "FirstTimeForSmooth b true",
    "SS_SlideSize i 1",
    "SS_BColor c 16777215",
    "SS_AutoPlay b true",
    "SS_DelayTime i 3",
    "SS_RandomPlay b false",
    "SS_UseEffects b true",
    "SS_UseRepeat b true",
    "DropShadowRadius i 3",
    "DropShadowDepth i 3",
    "DropShadowPOS b false",
    "DropShadowBC c 16777215",
    "DropShadowSC c 0",
    "OldPictureSN i 0",
    "PictovalSettings1 s ''",
    "PictovalSettings2 s ''",
    "PictovalSettings3 s ''",
    "Print_Top d 1",
    "Print_Bottem d 1",
    "Print_Left d 1",
    "Print_Right d 1",
    "Print_Position i 5",
    "Print_GammaCorrection d 1",
    "Print_CustomedWidth d 6",
    "Print_CustomedHeight d 4",
    "Print_Size i 1",
    "Print_Unit i 0",
    "ExProgramsStringText s ''",
};

TEST(AppSettingsClasses, PropertiesInDeclarationOrderWithKindsAndDefaults) {
  TPictovalSettings settings;
  TIOParas paras;
  TOptionsInfo options;
  TProgramSettings program;  // OS code 7 here: skin 9
  EXPECT_EQ(Describe(&settings, PictovalSettingsClass()), kPictovalSettings);
  EXPECT_EQ(Describe(&paras, IOParasClass()), kIOParas);
  EXPECT_EQ(Describe(&options, OptionsInfoClass()), kOptionsInfo);
  EXPECT_EQ(Describe(&program, ProgramSettingsClass()), kProgramSettings);
  // No declared defaults: every Boolean, integer, colour and set is streamed.
  for (const TClassInfo* info :
       {&PictovalSettingsClass(), &IOParasClass(), &OptionsInfoClass(), &ProgramSettingsClass()})
    for (const TPropInfo* p : settingstest::OwnProps(*info)) EXPECT_FALSE(p->HasDefault) << p->Name;

  auto full = NewPictovalSettings();
  ASSERT_TRUE(full->IOPara && full->AdvancedOptions);
  EXPECT_EQ(Describe(full->AdvancedOptions.get(), OptionsInfoClass()), kOptionsInfo);
}

TEST(AppSettingsClasses, DefaultSkinByOSCode) {
  const int32_t expected[][2] = {{-1, 1}, {0, 5}, {4, 5}, {5, 5}, {6, 6}, {7, 9}, {8, 1}};
  for (const auto& c : expected) EXPECT_EQ(DefaultSkinNo(c[0]), c[1]) << c[0];
}

// The edited object of the option-file fixture (options_info_edited.layout.txt).
void EditLikeTheFixture(TOptionsInfo& o) {
  o.UseResize = true;
  o.resizeWidth = 1024;
  o.resizeHeight = -129;
  o.ResizePercentage = 150000;
  o.ResizeFilter = 127;
  o.RotateIndex = 128;
  o.CropX = -128;
  o.CropY = 32767;
  o.CropW = 32768;
  o.CropH = -32769;
  o.CropRW = String(300, '7');
  o.CropRH = "";
  o.CropPW = "6.5";
  o.canvasBackgroundColor = 13158600;
  o.brightness = std::numeric_limits<int32_t>::min();
  o.contrast = std::numeric_limits<int32_t>::max();
  o.gamma = 0;
  o.Text = u"";
  o.TextColor = clBtnFace;
  o.TextFont = u"S\u00E9goe \u5B57 \U0001F600";
  o.TextStyle = TFontStyles{};
  o.ImageFilename = u"/tmp/w.png";
  o.F1C = clNone;
  o.InFC = 8388608;
  o.Frame1 = false;
  o.ShadowColor = RGB(200, 200, 200);
}

TEST(AppSettingsClasses, OptionFileBytesMatchTheFixtures) {
  RegisterConvertSettingsClasses();
  TOptionsInfo defaults;
  const String bytes = StreamBytes(&defaults);
  EXPECT_EQ(bytes, LoadFixture("options_info_defaults.ccf"));
  EXPECT_EQ(bytes.substr(0, 29), String("TPF0\x0CTOptionsInfo\x00\x09UseResize\x08", 29));
  EXPECT_NE(bytes.find(String("\x09TextStyle\x0B\x06"
                              "fsBold\x00",
                              18)),
            String::npos);
  EXPECT_NE(bytes.find(String("\x05gamma\x05\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x3F", 17)), String::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), String(2, '\0'));

  TOptionsInfo edited;
  EditLikeTheFixture(edited);
  EXPECT_EQ(StreamBytes(&edited), LoadFixture("options_info_edited.ccf"));
}

TEST(AppSettingsClasses, OptionFileReadsIntoDefaultsAndLiveObjects) {
  RegisterConvertSettingsClasses();
  // A new object: what the file leaves out (empty texts, gamma 0) keeps the
  // constructor's value.
  TStringStream file(LoadFixture("options_info_edited.ccf"));
  std::unique_ptr<TComponent> read(ReadComponent(&file));
  auto* options = dynamic_cast<TOptionsInfo*>(read.get());
  ASSERT_NE(options, nullptr);
  TOptionsInfo expected;
  EditLikeTheFixture(expected);
  expected.Text = u"($H1)";
  expected.CropRH = "3";
  expected.gamma = 1.0;
  EXPECT_EQ(Describe(options, OptionsInfoClass()), Describe(&expected, OptionsInfoClass()));

  // Read back into a live object (the preview snapshot): the defaults file
  // restores everything it holds and leaves the empty watermark path alone.
  TStringStream defaults(LoadFixture("options_info_defaults.ccf"));
  ReadComponent(&defaults, options);
  EXPECT_EQ(options->ImageFilename, u"/tmp/w.png");
  options->ImageFilename.clear();
  TOptionsInfo fresh;
  EXPECT_EQ(Describe(options, OptionsInfoClass()), Describe(&fresh, OptionsInfoClass()));
}

}  // namespace
