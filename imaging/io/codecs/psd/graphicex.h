// Picture classes on the platform bitmap: the base TGraphicExGraphic with its
// colour manager and image properties, and TPSDGraphic, which loads the
// merged image of a PSD file ("8BPS"). TPicture finds the reader through the
// registry of fileformats.h.
//
// The reader follows the platform picture convention and raises:
// EInvalidGraphic for files it cannot load, EColorConversionError for a depth
// of 0 or above 16 bits or no channels, the stream's EReadError for data that
// ends early. Every size read from the file is checked against the data
// present before anything is allocated.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/io/codecs/psd/colormanager.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/sets.h"

enum class TImageOption : uint8_t {
  ioBigEndian = 1,   // set for every PSD file
  ioMinIsWhite = 2,  // 1-bit images: a set bit is black
};
using TImageOptions = Set<TImageOption>;

// What ReadProperties finds out about an image.
struct TImageProperties {
  TImageOptions Options;
  int32_t Width = 0;
  int32_t Height = 0;
  TColorLayout ColorScheme = TColorLayout::layNone;
  uint8_t BitsPerSample = 0;
  uint8_t SamplesPerPixel = 0;  // channels, at most 4
  uint8_t BitsPerPixel = 0;
  uint8_t Compression = 0;  // 3: PackBits, 1: none
  float FileGamma = 1.0f;
  uint8_t Channels = 0;  // low byte of the header's channel count
};

class TGraphicExGraphic : public TBitmap {
 public:
  TGraphicExGraphic();
  ~TGraphicExGraphic() override;
  const char* ClassName() const override { return "TGraphicExGraphic"; }
  TGraphic* CreateNew() const override { return new TGraphicExGraphic(); }

  // The image properties of another TGraphicExGraphic travel first; then the
  // bitmap is copied as TBitmap does.
  void Assign(TPersistent* Source) override;

  // Opens the file (writes by others denied) and asks IsLoadableStream.
  virtual bool IsLoadableFile(const String& FileName);
  virtual bool IsLoadableStream(TStream* Stream);
  // Resets the properties and answers false here.
  virtual bool ReadProperties(TStream* Stream, int32_t ImageIndex);

  TColorManager& ColorManager() { return *FColorManager; }
  const TImageProperties& ImageProperties() const { return FImageProperties; }

 protected:
  void ResetImageProperties();

  std::unique_ptr<TColorManager> FColorManager;
  TImageProperties FImageProperties;
  int64_t FBasePosition = 0;
  TRect FProgressRect{};
};

class TPSDGraphic : public TGraphicExGraphic {
 public:
  const char* ClassName() const override { return "TPSDGraphic"; }
  TGraphic* CreateNew() const override { return new TPSDGraphic(); }

  // More than 26 bytes left, "8BPS" in any letter case, version 1. The
  // stream position is kept.
  bool IsLoadableStream(TStream* Stream) override;
  // "8BPS" exactly (the version is not looked at); leaves the stream after
  // the compression field of the merged image.
  bool ReadProperties(TStream* Stream, int32_t ImageIndex) override;
  // The merged image: 1-bit Bitmap, 8-bit gray (Grayscale, Duotone) and
  // indexed images, 24-bit RGB, Multichannel, CMYK and Lab, 32-bit RGB with
  // an alpha channel; samples of 1, 8 or 16 bits, raw or PackBits.
  void LoadFromStream(TStream* Stream) override;

 private:
  // The raw compression field of the last ReadProperties.
  uint16_t FCompressionField = 0;
};
