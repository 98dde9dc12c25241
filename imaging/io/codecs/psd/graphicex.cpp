#include "imaging/io/codecs/psd/graphicex.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "imaging/io/codecs/psd/decoders.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scopeguard.h"
#include "platform/rtl/byteorder.h"

namespace {

// String-table texts; the first two are empty in this program.
const String gesInvalidImage;  // formatted with the format's name
const String gesLoadingImage;  // the progress message
const char* const gesUnsupportedMode = "PSD colour mode %d is not supported";
const char* const gesUnsupportedDepth = "PSD files of %d bits per sample in this colour mode are not supported";
const char* const gesZipCompression = "Zip-compressed PSD images are not supported";
const char* const gesTooFewChannels = "PSD image with too few channels for its colour mode";
const char* const gesBadSize = "PSD image has an invalid size";
const char* const gesTooLarge = "PSD image is too large";
const char* const gesDataTooShort = "PSD pixel data is too short for the image";

constexpr int64_t MaxImageBytes = 2147483647;
// PackBits unpacks at most 128 bytes from 2.
constexpr int64_t MaxPackBitsRatio = 64;

constexpr int32_t PSDHeaderSize = 26;

uint16_t ReadBE16(TStream* S) {
  uint8_t b[2];
  S->ReadBuffer(b, 2);
  return GetBE16(b);
}
uint32_t ReadBE32(TStream* S) {
  uint8_t b[4];
  S->ReadBuffer(b, 4);
  return GetBE32(b);
}

[[noreturn]] void RaiseReadError() { throw EReadError("Stream read error"); }

int64_t Remaining(TStream* S) { return S->Size() - S->Position(); }

// Moves forward by Count bytes, which must be there.
void Skip(TStream* S, int64_t Count) {
  if (Count > Remaining(S)) RaiseReadError();
  if (Count > 0) S->Seek(Count, soCurrent);
}

// A length-prefixed section: its 32-bit length, then that many bytes.
void SkipSection(TStream* S) { Skip(S, ReadBE32(S)); }

TColorLayout LayoutOfMode(uint16_t Mode, uint16_t Channels) {
  switch (Mode) {
    case 0:  // Bitmap
    case 1:  // Grayscale
    case 8:  // Duotone
      return TColorLayout::layGray;
    case 2: return TColorLayout::layIndexed;
    case 3:  // RGB
    case 7:  // Multichannel
      return Channels == 3 ? TColorLayout::layRGB : TColorLayout::layRGBA;
    case 4: return TColorLayout::layCMYK;
    case 9: return TColorLayout::layLab;
    default: return TColorLayout::layNone;
  }
}

void InstallPalette(TBitmap* Bitmap, TPaletteEntries Entries) {
  // Missing entries of the colour table are black, so that every index a
  // file holds has a defined colour.
  const size_t tableSize = Bitmap->PixelFormat() == TPixelFormat::pf1bit   ? 2
                           : Bitmap->PixelFormat() == TPixelFormat::pf4bit ? 16
                                                                           : 256;
  Entries.resize(tableSize, PALETTEENTRY{});
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + Entries.size() * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = uint16_t(Entries.size());
  std::memcpy(lp->palPalEntry, Entries.data(), Entries.size() * sizeof(PALETTEENTRY));
  Bitmap->SetPalette(CreatePalette(lp));
}

}  // namespace

// ================================================================================
// TGraphicExGraphic
// ================================================================================

TGraphicExGraphic::TGraphicExGraphic() : FColorManager(std::make_unique<TColorManager>()) {}

TGraphicExGraphic::~TGraphicExGraphic() = default;

void TGraphicExGraphic::Assign(TPersistent* Source) {
  if (auto* g = dynamic_cast<TGraphicExGraphic*>(Source)) FImageProperties = g->FImageProperties;
  TBitmap::Assign(Source);
}

bool TGraphicExGraphic::IsLoadableFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  return IsLoadableStream(&stream);
}

bool TGraphicExGraphic::IsLoadableStream(TStream*) { return false; }

bool TGraphicExGraphic::ReadProperties(TStream*, int32_t) {
  ResetImageProperties();
  return false;
}

void TGraphicExGraphic::ResetImageProperties() { FImageProperties = TImageProperties{}; }

// ================================================================================
// TPSDGraphic
// ================================================================================

bool TPSDGraphic::IsLoadableStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  bool result = false;
  if (Stream->Size() - pos > PSDHeaderSize) {
    uint8_t head[6];
    if (Stream->Read(head, 6) == 6) {
      char sig[4];
      for (int32_t i = 0; i < 4; ++i) sig[i] = char(std::toupper(head[i]));
      result = std::memcmp(sig, "8BPS", 4) == 0 && GetBE16(head + 4) == 1;
    }
  }
  Stream->SetPosition(pos);
  return result;
}

bool TPSDGraphic::ReadProperties(TStream* Stream, int32_t ImageIndex) {
  TGraphicExGraphic::ReadProperties(Stream, ImageIndex);
  FCompressionField = 0;
  uint8_t h[PSDHeaderSize];
  Stream->ReadBuffer(h, PSDHeaderSize);
  if (std::memcmp(h, "8BPS", 4) != 0) return false;
  const uint16_t channels = GetBE16(h + 12), depth = GetBE16(h + 22), mode = GetBE16(h + 24);
  TImageProperties& p = FImageProperties;
  p.Options.Include(TImageOption::ioBigEndian);
  if (mode == 0) p.Options.Include(TImageOption::ioMinIsWhite);
  p.Height = int32_t(GetBE32(h + 14));
  p.Width = int32_t(GetBE32(h + 18));
  p.ColorScheme = LayoutOfMode(mode, channels);
  p.BitsPerSample = uint8_t(depth);
  p.SamplesPerPixel = uint8_t(std::min<uint16_t>(channels, 4));
  p.BitsPerPixel = uint8_t(p.SamplesPerPixel * p.BitsPerSample);
  p.Channels = uint8_t(channels);
  SkipSection(Stream);  // colour-mode data
  SkipSection(Stream);  // image resources
  SkipSection(Stream);  // layers and masks
  FCompressionField = ReadBE16(Stream);
  p.Compression = FCompressionField == 1 ? 3 : 1;
  return true;
}

void TPSDGraphic::LoadFromStream(TStream* Stream) {
  SetHandle(nullptr);
  FBasePosition = Stream->Position();
  if (!ReadProperties(Stream, 0)) throw EInvalidGraphic(gesInvalidImage, {"PSD or PDD"});
  const TImageProperties& props = FImageProperties;
  const bool packBits = props.Compression == 3;
  const TColorLayout layout = props.ColorScheme;
  const bool paletted = layout == TColorLayout::layIndexed || layout == TColorLayout::layGray;
  const int64_t dataStart = Stream->Position();

  Stream->SetPosition(FBasePosition);
  FProgressRect = Rect(0, 0, props.Width, 1);
  Progress(this, TProgressStage::psStarting, 0, false, FProgressRect, gesLoadingImage);
  // Any failure from here on frees the decoder and ends the progress first.
  std::unique_ptr<TDecoder> decoder;
  {
    auto cleanup = ScopeExit([&] {
      decoder.reset();
      Progress(this, TProgressStage::psEnding, 0, false, FProgressRect, gesLoadingImage);
    });
    uint8_t h[PSDHeaderSize];
    Stream->ReadBuffer(h, PSDHeaderSize);
    const int32_t channels = GetBE16(h + 12), depth = GetBE16(h + 22), mode = GetBE16(h + 24);

    // Colour manager: big-endian samples, 16 bits come down to 8.
    TColorManager& cm = *FColorManager;
    cm.SourceOptions = TColorFlags{TColorFlag::cfSwapBytes};
    cm.SetSourceBits(uint8_t(std::min(depth, 255)));
    cm.SetTargetBits(depth == 16 ? 8 : uint8_t(depth));
    // Gray and palette images read channel 0 only, one sample per pixel.
    cm.SetSourceSamples(uint8_t(std::min(channels, 4)));
    cm.SetTargetSamples(uint8_t(std::min(channels, 4)));
    if (paletted) {
      cm.SetSourceSamples(1);
      cm.SetTargetSamples(1);
    }
    cm.SetSourceLayout(layout);
    switch (layout) {
      case TColorLayout::layIndexed:
      case TColorLayout::layGray: cm.SetTargetLayout(layout); break;
      case TColorLayout::layRGB: cm.SetTargetLayout(TColorLayout::layBGR); break;
      case TColorLayout::layRGBA: cm.SetTargetLayout(TColorLayout::layBGRA); break;
      case TColorLayout::layCMYK:
        cm.SetTargetLayout(TColorLayout::layBGR);
        cm.SetTargetSamples(3);
        break;
      case TColorLayout::layLab:
        // The conversion writes 3 samples whatever the channel count.
        cm.SetTargetLayout(TColorLayout::layBGR);
        if (channels > 3) cm.SetTargetSamples(3);
        cm.SourceOptions.Include(TColorFlag::cfLabScaledL).Include(TColorFlag::cfLabOffsetAB);
        break;
      default:
        // No pixels could be read: refused rather than a blank image.
        throw EInvalidGraphic(gesUnsupportedMode, {mode});
    }
    if (FCompressionField == 2 || FCompressionField == 3) throw EInvalidGraphic(gesZipCompression);
    // Depths a PSD file can have; others would not fit the bitmap's rows.
    const bool depthOK = paletted ? (depth == 1 || depth == 8 || (depth == 16 && layout == TColorLayout::layGray))
                                  : (depth == 8 || depth == 16);
    if (!depthOK) throw EInvalidGraphic(gesUnsupportedDepth, {depth});

    const TPixelFormat pixelFormat = cm.PlatformPixelFormat(true);
    SetPixelFormat(pixelFormat);

    int32_t planes = 1;  // planes converted
    switch (layout) {
      case TColorLayout::layRGB:
      case TColorLayout::layLab: planes = 3; break;
      case TColorLayout::layRGBA:
      case TColorLayout::layCMYK: planes = 4; break;
      default: break;
    }
    if (channels < planes) throw EInvalidGraphic(gesTooFewChannels);

    // Sizes in 64 bits, against the 2^31-byte limit and the data present.
    const int32_t width = props.Width, height = props.Height;
    if (width <= 0 || height <= 0) throw EInvalidGraphic(gesBadSize);
    const int64_t sampleBytes = (depth + 7) / 8;
    if (int64_t(width) * height > MaxImageBytes / (int64_t(channels) * sampleBytes)) throw EInvalidGraphic(gesTooLarge);
    // Bytes of one row of channel 0 (gray, palette) or of one plane (colour).
    const int64_t rowBytes =
        paletted ? (depth == 16 ? 2 * int64_t(width) : (int64_t(width) * depth + 7) / 8) : int64_t(width) * (depth / 8);
    const int64_t planeBytes = rowBytes * height;
    const int64_t unpacked = planeBytes * planes;                          // what is converted
    const int64_t stored = paletted ? planeBytes : planeBytes * channels;  // what the file holds
    const int32_t countChannels = paletted ? 1 : channels;
    std::vector<uint16_t> counts;
    int64_t packedTotal = 0;
    // The row counts (PackBits) or the data begin where ReadProperties left
    // the stream; they are checked before anything is allocated.
    {
      const int64_t mark = Stream->Position();
      Stream->SetPosition(dataStart);
      if (packBits) {
        const int64_t tableBytes = 2 * int64_t(height) * channels;
        if (tableBytes > Remaining(Stream)) RaiseReadError();
        std::vector<uint8_t> table(static_cast<size_t>(tableBytes));
        Stream->ReadBuffer(table.data(), tableBytes);
        counts.resize(size_t(height) * size_t(channels));
        for (size_t i = 0; i < counts.size(); ++i) counts[i] = GetBE16(&table[2 * i]);
        const size_t summed = size_t(height) * size_t(countChannels);
        for (size_t i = 0; i < summed; ++i) packedTotal += counts[i];
        if (packedTotal > Remaining(Stream)) RaiseReadError();
        if (unpacked > MaxPackBitsRatio * packedTotal) throw EInvalidGraphic(gesDataTooShort);
      } else if (stored > Remaining(Stream)) {
        RaiseReadError();
      }
      Stream->SetPosition(mark);
    }

    SetSize(width, height);

    // Colour-mode data: the palette of indexed images, skipped otherwise.
    const uint32_t modeDataLength = ReadBE32(Stream);
    if (layout == TColorLayout::layIndexed) {
      const int32_t n = int32_t(std::min<uint32_t>(modeDataLength, 768));
      uint8_t table[768];
      Stream->ReadBuffer(table, n);
      Skip(Stream, int64_t(modeDataLength) - n);
      const int32_t count = n / 3;
      const void* rgb[3] = {table, table + count, table + 2 * count};
      InstallPalette(this, cm.BuildPalette(rgb, 2, count, false));
    } else {
      if (layout == TColorLayout::layGray)
        InstallPalette(this, cm.BuildGrayPalette(props.Options.Contains(TImageOption::ioMinIsWhite)));
      Skip(Stream, modeDataLength);
    }
    SkipSection(Stream);                          // image resources
    Skip(Stream, int64_t(ReadBE32(Stream)) + 2);  // layers and masks, compression

    if (packBits) {
      decoder = std::make_unique<TPackbitsRLEDecoder>();
      Skip(Stream, 2 * int64_t(height) * channels);  // the counts, read above
    }
    Progress(this, TProgressStage::psEnding, 0, false, FProgressRect, gesLoadingImage);

    auto rowDone = [&](int32_t r) {
      Progress(this, TProgressStage::psRunning, uint8_t(MulDiv(r, 100, height)), true, FProgressRect, gesLoadingImage);
      OffsetRect(FProgressRect, 0, 1);
    };
    if (paletted) {
      Progress(this, TProgressStage::psStarting, 0, false, FProgressRect, gesLoadingImage);
      // 16-bit gray rows go through a row buffer and come down to 8 bits.
      const bool wide = depth == 16;
      std::vector<uint8_t> row(wide ? size_t(rowBytes) : 0);
      std::vector<uint8_t> packed;
      int64_t readPoint = 0;
      if (packBits) {
        packed.resize(size_t(packedTotal));
        Stream->ReadBuffer(packed.data(), packedTotal);
      }
      for (int32_t r = 0; r < height; ++r) {
        uint8_t* dest = wide ? row.data() : ScanLine(r);
        if (packBits) {
          if (wide) std::fill(row.begin(), row.end(), uint8_t(0));
          const int32_t count = counts[size_t(r)];
          decoder->Unpack(packed.data() + readPoint, dest, count, int32_t(rowBytes));
          readPoint += count;
        } else {
          Stream->ReadBuffer(dest, rowBytes);
        }
        if (wide) {
          const void* source[1] = {row.data()};
          cm.ConvertPixels(source, ScanLine(r), width, 0xFF);
        }
        rowDone(r);
      }
    } else {
      Progress(this, TProgressStage::psStarting, 0, false, FProgressRect, gesLoadingImage);
      std::vector<uint8_t> buffer(static_cast<size_t>(unpacked));
      if (packBits) {
        std::vector<uint8_t> packed(static_cast<size_t>(packedTotal));
        Stream->ReadBuffer(packed.data(), packedTotal);
        decoder->Unpack(packed.data(), buffer.data(), int32_t(packedTotal), int32_t(unpacked));
      } else {
        // Channels past the converted ones are not needed.
        Stream->ReadBuffer(buffer.data(), unpacked);
        Skip(Stream, stored - unpacked);
      }
      Progress(this, TProgressStage::psEnding, 0, false, FProgressRect, gesLoadingImage);
      Progress(this, TProgressStage::psStarting, 0, false, FProgressRect, gesLoadingImage);
      if (layout == TColorLayout::layCMYK)
        for (uint8_t& b : buffer) b = uint8_t(~b);
      for (int32_t r = 0; r < height; ++r) {
        const void* source[4] = {};
        for (int32_t k = 0; k < planes; ++k) source[k] = buffer.data() + k * planeBytes + r * rowBytes;
        cm.ConvertPixels(TColorManager::TSources(source, size_t(planes)), ScanLine(r), width, 0xFF);
        rowDone(r);
      }
    }
  }
  Changed(this);
}
