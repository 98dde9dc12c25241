// The component's video frames (AVI files through our own reader, other
// media through the media libraries), loading over HTTP and the text export.
#include <cmath>
#include <memory>
#include <vector>

#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/iehttp.h"
#include "imaging/io/core/ieimgio.h"
#include "imaging/io/media/ieavi.h"
#include "imaging/io/media/iedirectshow.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"
#include "imaging/model/pixels/iedibbitmap.h"
#include "imaging/model/pixels/ieroutines.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/scopeguard.h"

namespace {

class TAVISlot : public TIEIOSlot {
 public:
  void Close() override { Reader.Close(); }
  TIEAVIReader Reader;
};

class TMediaSlot : public TIEIOSlot {
 public:
  void Close() override { Media.Disconnect(); }
  TIEDirectShow Media;
};

// Fires the end events when it goes out of scope.
struct TFinishGuard {
  TImgIO& IO;
  ~TFinishGuard() { IO.DoFinishWork(); }
};

void WriteLine(TStream& S, const String& Text) {
  S.WriteBuffer(Text.data(), int64_t(Text.size()));
  S.WriteBuffer("\r\n", 2);
}

String Hex2(uint8_t B) {
  static const char* const kDigits = "0123456789ABCDEF";
  return String{kDigits[B >> 4], kDigits[B & 15]};
}

}  // namespace

// ---- AVI --------------------------------------------------------------------------------

int32_t TImgIO::OpenAVIFile(const String& FileName) {
  AbortFlag = false;
  if (AVIFile) CloseAVIFile();
  Params().AVIFrameCount = 0;
  Params().FileName = FileName;
  Params().FileType = 0;
  auto slot = std::make_unique<TAVISlot>();
  if (!slot->Reader.Open(FileName)) {
    AbortFlag = true;
    return 0;
  }
  const uint32_t length = slot->Reader.Length();
  Params().AVIFrameCount = int32_t(length);
  Params().AVIFrameDelay = 0;
  AVIFile = std::move(slot);
  return int32_t(length);
}

void TImgIO::LoadAVIFrame(int32_t Index) {
  if (AsyncGate([this, Index] { LoadAVIFrame(Index); })) return;
  AbortFlag = false;
  TFinishGuard finish{*this};
  auto* slot = dynamic_cast<TAVISlot*>(AVIFile.get());
  if (!PrepareBitmap({}) || slot == nullptr) return;
  TIEAVIReader& reader = slot->Reader;
  // Compared unsigned, so a negative index is past the end too.
  if (uint32_t(Index) >= reader.Length()) return;
  std::vector<uint8_t> dib;
  const bool got = reader.GetFrame(uint32_t(Index), dib);
  Params().AVIFrameCount = int32_t(reader.Length());
  // A rate or scale of 0 gives no delay rather than a division by zero.
  Params().AVIFrameDelay = reader.Rate() != 0 && reader.Scale() != 0
                               ? int32_t(std::trunc(1.0 / (double(reader.Rate()) / double(reader.Scale())) * 1000.0))
                               : 0;
  if (!got) return;
  TIEDibbitmap frame;
  const int32_t bits = DIBToDibbitmap(dib.data(), dib.size(), &frame);
  IEBitmap()->CopyFromDibbitmap(&frame);
  switch (bits) {
    case 1:
      Params().BitsPerSample = 1;
      Params().SamplesPerPixel = 1;
      break;
    case 4:
      Params().BitsPerSample = 4;
      Params().SamplesPerPixel = 1;
      break;
    case 8:
      Params().BitsPerSample = 8;
      Params().SamplesPerPixel = 1;
      break;
    case 15:
      Params().BitsPerSample = 5;
      Params().SamplesPerPixel = 3;
      break;
    case 16:
    case 24:
    case 32:
      Params().BitsPerSample = 8;
      Params().SamplesPerPixel = 3;
      break;
    default: break;
  }
  Params().SetDpiX(IEDefaultDpiX);
  Params().SetDpiY(IEDefaultDpiY);
  Params().Width = IEBitmap()->Width();
  Params().Height = IEBitmap()->Height();
  Params().Palette.clear();
  UpdateAttached();
}

void TImgIO::LoadAVIFirstFrame(const String& FileName) {
  ++FSyncDepth;
  auto cleanup = ScopeExit([&] {
    --FSyncDepth;
    CloseAVIFile();
  });
  // A file that does not open is a failed load: the frame load would clear
  // the flag again.
  if (OpenAVIFile(FileName) > 0) {
    LoadAVIFrame(0);
  } else {
    AbortFlag = true;
    DoFinishWork();
  }
}

// ---- Media files --------------------------------------------------------------------------

int32_t TImgIO::OpenMediaFile(const String& FileName) {
  if (MediaFile) CloseMediaFile();
  AbortFlag = true;
  auto slot = std::make_unique<TMediaSlot>();
  TIEDirectShow& media = slot->Media;
  media.FileName = FileName;
  media.GrabSamples = true;
  media.Connect();
  media.Pause();
  media.SetTimeFormat(IETimeFormatMediaTime);
  const int64_t d = media.GetDuration();
  MediaFile = std::move(slot);
  MediaFrameDuration = 0;
  MediaTimeUnitsPerFrame = 0;
  if (d == 0) return 0;  // the file stays open until CloseMediaFile
  media.SetTimeFormat(IETimeFormatFrame);
  int64_t n = media.GetDuration();
  const int64_t t = media.AvgTimePerFrame();
  int64_t step = 1;
  if (n == d) {
    // No frame seeking: count frames by the frame time, and seek in media time.
    if (t <= 0) return 0;  // no frame time: nothing to count by
    n /= t;
    step = t;
  }
  MediaTimeUnitsPerFrame = int32_t(step);
  MediaFrameDuration = n > 0 ? double(d) / 10000000.0 / double(n) * 100.0 : 0;
  AbortFlag = false;
  Params().MediaFrameCount = int32_t(uint32_t(uint64_t(n)));
  Params().FileType = 0;
  Params().FileName = FileName;
  int32_t w = 0, h = 0;
  media.GetVideoSize(w, h);
  Params().Width = w;
  Params().Height = h;
  return int32_t(uint32_t(uint64_t(n)));
}

void TImgIO::LoadMediaFrame(int32_t Index) {
  auto* slot = dynamic_cast<TMediaSlot*>(MediaFile.get());
  if (slot == nullptr) return;
  Params().SetImageIndex(Index);
  slot->Media.SetPosition(int64_t(Index) * int64_t(MediaTimeUnitsPerFrame));
  if (IEBitmap() != nullptr) slot->Media.GetSample(IEBitmap());
  Params().MediaFrameDelay = int32_t(std::nearbyint(MediaFrameDuration));  // halves to even
  UpdateAttached();
}

// ---- HTTP -----------------------------------------------------------------------------------

void TImgIO::LoadFromURL(const String& URL) {
  if (AsyncGate([this, URL] { LoadFromURL(URL); })) return;
  AbortFlag = false;
  TIEHttpSettings settings{ProxyAddress, ProxyUser, ProxyPassword};
  TMemoryStream body;
  const TIEHttpOutcome outcome = IEHttpGet(URL, settings, body, AbortFlag, [this](int32_t Percent) {
    if (OnProgress) OnProgress(this, Percent);
  });
  switch (outcome) {
    case TIEHttpOutcome::NoPath: DoFinishWork(); return;
    case TIEHttpOutcome::NotHttp:
    case TIEHttpOutcome::Failed:
    case TIEHttpOutcome::TooLarge:
      // A transfer that never delivered a body is a failed connection:
      // callers waiting for the end events get them.
      AbortFlag = true;
      DoFinishWork();
      return;
    case TIEHttpOutcome::Aborted: AbortFlag = true; return;
    case TIEHttpOutcome::Done: break;
  }
  if (!AbortFlag) LoadFromStream(&body);
}

// ---- Text export ----------------------------------------------------------------------------

void TImgIO::SaveAsText(const String& FileName, int32_t FileType, uint8_t TextFormat) {
  TSafeFileWriter writer(FileName);
  TStream& out = writer.Stream();
  if (TextFormat <= 2) {
    // The identifier keeps the whole name, path included, with its first "."
    // made "_" (so a path with "/" gives no valid identifier: as specified).
    String id = FileName;
    const size_t dot = id.find('.');
    if (dot != String::npos) id[dot] = '_';
    const String sizeName = id + "_Size";
    TMemoryStream data;
    SaveToStream(&data, FileType);
    data.SetPosition(0);
    const auto* bytes = static_cast<const uint8_t*>(data.Memory());
    const int64_t n = data.Size();
    if (TextFormat == 0) {
      WriteLine(out, "const");
      WriteLine(out, "  " + sizeName + " = " + IntToStr(n) + ";");
      WriteLine(out, "  " + id + " : array [0.." + sizeName + "-1] of byte = (");
      String line;
      for (int64_t i = 0; i + 1 < n; ++i) {
        line += "$" + Hex2(bytes[i]) + ",";
        if (line.size() > 70) {
          WriteLine(out, "    " + line);
          line.clear();
        }
      }
      WriteLine(out, "    " + line + (n > 0 ? "$" + Hex2(bytes[n - 1]) : String()) + ");");
    } else if (TextFormat == 1) {
      WriteLine(out, "\\\\ Size=" + IntToStr(n));
      String line;
      for (int64_t i = 0; i + 1 < n; ++i) {
        line += "0x" + Hex2(bytes[i]) + ",";
        if (line.size() > 70) {
          WriteLine(out, line);
          line.clear();
        }
      }
      WriteLine(out, line + (n > 0 ? "0x" + Hex2(bytes[n - 1]) : String()));
    } else {
      IEBase64EncodeStream(&data, &out, 76);
    }
  } else if (TextFormat == 3) {
    if (PrepareBitmap(TIEPixelFormatSet{TIEPixelFormat::ie24RGB}) &&
        IEBitmap()->PixelFormat() == TIEPixelFormat::ie24RGB) {
      static const char kRamp[] = "W@#*+:., ";  // darkest first
      TIEBitmap* b = IEBitmap();
      String line;
      for (int32_t y = 0; y < b->Height(); ++y) {
        const auto* row = static_cast<const uint8_t*>(b->ScanLine(y));
        line.clear();
        for (int32_t x = 0; x < b->Width(); ++x) {
          const int32_t gray = (row[3 * x + 2] * 21 + row[3 * x + 1] * 71 + row[3 * x] * 8) / 100;
          // Gray 255 would index one past the ramp: white is its last entry.
          const int32_t index = std::min(int32_t(std::trunc(gray / 255.0 * 9)), 8);
          line += kRamp[index];
        }
        WriteLine(out, line);
      }
    }
  }
  writer.Commit(true);
}

// ---- Start-up -------------------------------------------------------------------------------

void IEInstallImgIOExtensions() {
  IEImgIOExtensions().LoadFromURL = [](TImgIO& IO, const String& URL) { IO.LoadFromURL(URL); };
  IEImgIOExtensions().LoadAVIFirstFrame = [](TImgIO& IO, const String& FileName) { IO.LoadAVIFirstFrame(FileName); };
}
