// Test helpers shared by the BMP, PNG and TGA codec tests: running a codec
// over memory, and images flattened to RGB bytes for comparisons with each
// other and with the netpbm tools.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/core/testsupport/pam.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace rastertest {

using Bytes = std::vector<uint8_t>;

// Runs Body over a read-only stream of exactly Data; answers the abort flag.
inline bool ReadWith(const Bytes& Data, const std::function<void(TStream*, TIECodecProgress&)>& Body) {
  const Bytes copy(Data);
  TCustomMemoryStream stream;
  stream.SetPointer(copy.empty() ? nullptr : copy.data(), static_cast<int64_t>(copy.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  Body(&stream, progress);
  return abort.load();
}

// Runs a writer into memory; Aborted receives the flag.
inline Bytes WriteWith(const std::function<void(TStream*, TIECodecProgress&)>& Body, bool* Aborted = nullptr) {
  TMemoryStream stream;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  Body(&stream, progress);
  if (Aborted) *Aborted = abort.load();
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  return p ? Bytes(p, p + stream.Size()) : Bytes();
}

// Row-major r, g, b of every pixel, through the bitmap's own colour reading.
inline Bytes RgbOf(TIEBitmap& Bitmap) {
  Bytes out;
  out.reserve(static_cast<size_t>(Bitmap.Width()) * static_cast<size_t>(Bitmap.Height()) * 3);
  for (int32_t y = 0; y < Bitmap.Height(); ++y)
    for (int32_t x = 0; x < Bitmap.Width(); ++x) {
      TRGB c;
      Bitmap.GetPixelAsRGB(x, y, c);
      out.insert(out.end(), {c.r, c.g, c.b});
    }
  return out;
}

inline uint8_t To8(uint16_t V, int32_t MaxVal) {
  if (MaxVal == 255) return static_cast<uint8_t>(V);
  if (MaxVal == 65535) return static_cast<uint8_t>(V >> 8);
  return static_cast<uint8_t>(V * 255 / MaxVal);
}

// The same for a netpbm image: gray and black-and-white spread over r, g, b,
// samples brought to 8 bits (16-bit ones by their high byte).
inline Bytes RgbOf(const TPamImage& Image) {
  Bytes out;
  const bool colour = Image.TupleType.rfind("RGB", 0) == 0;
  for (int32_t y = 0; y < Image.Height; ++y)
    for (int32_t x = 0; x < Image.Width; ++x)
      for (int32_t c = 0; c < 3; ++c) out.push_back(To8(Image.At(x, y, colour ? c : 0), Image.MaxVal));
  return out;
}

// The last channel of an image with alpha (or a one-channel image).
inline Bytes AlphaOf(const TPamImage& Image) {
  Bytes out;
  for (int32_t y = 0; y < Image.Height; ++y)
    for (int32_t x = 0; x < Image.Width; ++x) out.push_back(To8(Image.At(x, y, Image.Depth - 1), Image.MaxVal));
  return out;
}

// RGB bytes as a 1-bit image shows them: black stays, any other colour is
// white.
inline Bytes BlackAndWhite(Bytes Rgb) {
  for (size_t i = 0; i + 2 < Rgb.size(); i += 3) {
    const uint8_t v = (Rgb[i] | Rgb[i + 1] | Rgb[i + 2]) ? 255 : 0;
    Rgb[i] = Rgb[i + 1] = Rgb[i + 2] = v;
  }
  return Rgb;
}

// A picture of Colours distinct colours (at most 64) in a pattern that has
// runs and single pixels, so run-length coders meet both.
inline void MakePicture(TIEBitmap& Bitmap, int32_t Width, int32_t Height, int32_t Colours) {
  Bitmap.Allocate(Width, Height, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x) {
      const int32_t i = ((x / 3) * 7 + y * 5 + (x % 5 == 0 ? x : 0)) % Colours;
      *Bitmap.PixelRGB(x, y) = TRGB{static_cast<uint8_t>(i * 37 % 256), static_cast<uint8_t>(i * 11 % 256),
                                    static_cast<uint8_t>(i * 67 % 256)};
    }
}

}  // namespace rastertest
