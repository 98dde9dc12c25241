// Classes used by the streaming tests and fuzz targets: one of every property
// kind, and a stand-in for the advanced-options class of the option files
// with the same property kinds, order and defaults.
#pragma once

#include <cstdint>

#include "platform/rtl/collection.h"
#include "platform/rtl/components.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/graphtypes.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/typinfo.h"

// A nested persistent object (streamed as "Font.Name" ...).
class TStreamTestFont : public TPersistent {
 public:
  const char* ClassName() const override { return "TStreamTestFont"; }
  String Name = "Arial";
  int32_t Size = 10;  // declared default 10
  TFontStyles Style;
  TColor Color = clBlack;
};

class TStreamTestItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  const char* ClassName() const override { return "TStreamTestItem"; }
  String Caption;
  int32_t Value = 0;
  WideString Note;
};

// Every property kind, children through GetChildren, a binary defined
// property, and a record of Loaded.
class TStreamTestObject : public TComponent {
 public:
  explicit TStreamTestObject(TComponent* AOwner) : TComponent(AOwner), Items(CollectionItemFactory<TStreamTestItem>()) {
    ++LiveCount();
  }
  ~TStreamTestObject() override {
    DestroyComponents();
    --LiveCount();
  }
  const char* ClassName() const override { return "TStreamTestObject"; }

  static int& LiveCount() {
    static int count = 0;
    return count;
  }

  int32_t Count = 0;
  int64_t Big = 0;
  uint8_t Small = 0;
  int16_t Short = 0;
  int32_t Defaulted = 7;  // declared default 7
  int32_t Hidden = 0;     // stored only when StoreHidden
  bool StoreHidden = false;
  bool Flag = false;
  bool Enabled = true;  // declared default true
  TAlignment Align = TAlignment::taLeftJustify;
  TFontStyles Style;
  TColor Color = clBtnFace;
  double Ratio = 0;
  float Scale = 0;
  TDateTime When = 0;
  double Price = 0;  // currency
  String Caption;
  WideString Title;
  TStreamTestFont Font;
  TComponentRef<TComponent> Buddy;
  TCollection Items;
  TStringList Lines;
  TMemoryStream Data;

  int LoadedCount = 0;
  bool LoadingInLoaded = false;
  bool ReadingInLoaded = false;
  TComponent* BuddyInLoaded = nullptr;

  void Loaded() override {
    ++LoadedCount;
    LoadingInLoaded = ComponentState().Contains(TComponentStateItem::csLoading);
    ReadingInLoaded = ComponentState().Contains(TComponentStateItem::csReading);
    BuddyInLoaded = Buddy.Get();
    TComponent::Loaded();
  }

  void GetChildren(std::function<void(TComponent*)> Proc, TComponent*) override {
    for (int32_t i = 0; i < ComponentCount(); ++i) Proc(Components(i));
  }

 protected:
  void DefineProperties(TFiler* Filer) override {
    TComponent::DefineProperties(Filer);
    // Always present, so an empty block streams an empty value.
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* s) { Data.LoadFromStream(s); }, [this](TStream* s) { Data.SaveToStream(s); }, true);
  }
};

inline const TClassInfo& StreamTestFontClass() {
  using T = TStreamTestFont;
  static const TClassInfo info = TClassBuilder<T>("TStreamTestFont")
                                     .String("Name", &T::Name)
                                     .Int("Size", &T::Size)
                                     .Default(10)
                                     .Set("Style", &T::Style, TypeInfoTFontStyle())
                                     .Color("Color", &T::Color)
                                     .Build();
  return info;
}

inline const TClassInfo& StreamTestItemClass() {
  using T = TStreamTestItem;
  static const TClassInfo info = TClassBuilder<T>("TStreamTestItem")
                                     .String("Caption", &T::Caption)
                                     .Int("Value", &T::Value)
                                     .WideString("Note", &T::Note)
                                     .Build();
  return info;
}

inline const TClassInfo& StreamTestObjectClass() {
  using T = TStreamTestObject;
  static const TClassInfo info = TClassBuilder<T>("TStreamTestObject")
                                     .Int("Count", &T::Count)
                                     .Int64("Big", &T::Big)
                                     .Int("Small", &T::Small)
                                     .Int("Short", &T::Short)
                                     .Int("Defaulted", &T::Defaulted)
                                     .Default(7)
                                     .Int("Hidden", &T::Hidden)
                                     .Stored([](T& o) { return o.StoreHidden; })
                                     .Bool("Flag", &T::Flag)
                                     .Bool("Enabled", &T::Enabled)
                                     .Default(true)
                                     .Enum("Align", &T::Align, TypeInfoTAlignment())
                                     .Set("Style", &T::Style, TypeInfoTFontStyle())
                                     .Color("Color", &T::Color)
                                     .Float("Ratio", &T::Ratio)
                                     .Single("Scale", &T::Scale)
                                     .DateTime("When", &T::When)
                                     .Currency("Price", &T::Price)
                                     .String("Caption", &T::Caption)
                                     .WideString("Title", &T::Title)
                                     .Object("Font", &T::Font)
                                     .Component("Buddy", &T::Buddy)
                                     .Collection("Items", &T::Items)
                                     .Strings("Lines", &T::Lines)
                                     .Build();
  return info;
}

// The advanced-options class of the option files, property for property.
class TTestOptionsInfo : public TComponent {
 public:
  explicit TTestOptionsInfo(TComponent* AOwner) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TOptionsInfo"; }

  bool UseResize = false, InPixel = true, InPercentage = false;
  int32_t resizeWidth = 0, resizeHeight = 0, ResizePercentage = 0;
  bool PreserveAspectRatio = true, SmartCropping = false, ResizeOnlyLargerThan = false, BasedOneSide = false;
  int32_t BasedSideNo = 0, BasedSize = 0;
  bool FastResize = false;
  int32_t ResizeFilter = 7;
  bool SwitchWH = false, UseRotate = false, FlipHorizontal = false, FlipVertical = false, Rotate = false;
  int32_t RotateIndex = 90;
  bool UseCrop = false;
  int32_t CropMethod = 0;
  bool CropUseXY = false;
  int32_t CropX = 0, CropY = 0, CropW = 640, CropH = 480;
  String CropRW = "4", CropRH = "3", CropPW = "6", CropPH = "4";
  int32_t CropUnit = 0;
  bool CropSwitchWH = true, CropLossless = true, UseCanvasResize = false, canvasInPixel = true;
  int32_t canvasW = 0, canvasH = 0, canvasW2 = 0, canvasH2 = 0;
  TColor canvasBackgroundColor = clWhite;
  bool canvasExpand = false;
  int32_t canvasWAlign = 2, canvasHAlign = 2;
  bool canvasBasePortrait = false, UseColorDepth = false;
  int32_t colorDepthIndex = 167;
  bool UseEffects = false;
  int32_t brightness = 0, contrast = 0;
  double gamma = 1.0;
  int32_t hue = 0, saturation = 0, lightness = 0, red = 0, green = 0, blue = 0, Sharpen = 0;
  bool grayScale = false, Negative = false, Sepia = false, AdjustBeforeResize = false, UseDPI = false;
  int32_t DPIX = 0, DPIY = 0;
  bool UseText = false;
  WideString Text = u"($H1)";
  int32_t TextAlign = 0, TextPosition = 6;
  bool TextShadow = true;
  TColor TextColor = clWhite;
  int32_t TextX = 0, TextY = 0;
  bool TextBackground = false;
  TColor TextBackgroundColor = 255;
  bool TextRound = true;
  WideString TextFont = u"Verdana";
  TFontStyles TextStyle{TFontStyle::fsBold};
  int32_t TextSize = 28, TextTrans = 100;
  bool UseWatermark = false;
  WideString ImageFilename;
  int32_t WaterPosition = 6, WaterX = 0, WaterY = 0;
  bool WaterShadow = false, WaterBackground = true, WaterRound = false;
  int32_t WaterTrans = 100;
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
  int32_t InFD = 20, InFW = 1;
  TColor InFC = clWhite, InFFC = clBlack;
  int32_t InFO = 30;
  bool BorderShadow = true;
  int32_t RadiusEdit = 3, DepthEdit = 3;
  TColor ShadowBK = clWhite, ShadowColor = clBlack;
};

inline const TClassInfo& TestOptionsInfoClass() {
  using T = TTestOptionsInfo;
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

inline void RegisterStreamingTestClasses() {
  RegisterClasses({&StreamTestFontClass(), &StreamTestItemClass(), &StreamTestObjectClass(), &TestOptionsInfoClass()});
}
