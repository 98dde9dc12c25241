// TIEBitmap fills: the whole image or a clipped rectangle with one value.
#include <cstring>
#include <vector>

#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/arith.h"

namespace {

// One pixel of a format as bytes, from a fill value.
struct TPixelBytes {
  uint8_t Bytes[6] = {};
  size_t Size = 0;
  bool Full = false;  // the value is the format's maximum
};

TPixelBytes PixelOf(TIEPixelFormat Format, double Value) {
  TPixelBytes p;
  if (Format == TIEPixelFormat::ie32f) {
    // The real value itself, not truncated.
    const float f = static_cast<float>(Value);
    std::memcpy(p.Bytes, &f, sizeof(f));
    p.Size = sizeof(f);
    p.Full = Value == 1.0;
    return p;
  }
  const int64_t v = Trunc(Value);
  switch (Format) {
    case TIEPixelFormat::ie1g:
      p.Bytes[0] = v != 0 ? 0xFF : 0x00;
      p.Size = 1;
      p.Full = v != 0;
      break;
    case TIEPixelFormat::ie8p:
    case TIEPixelFormat::ie8g:
      p.Bytes[0] = static_cast<uint8_t>(v);
      p.Size = 1;
      p.Full = v == 255;
      break;
    case TIEPixelFormat::ie16g: {
      const uint16_t w = static_cast<uint16_t>(v);
      p.Bytes[0] = static_cast<uint8_t>(w);
      p.Bytes[1] = static_cast<uint8_t>(w >> 8);
      p.Size = 2;
      p.Full = v == 65535;
      break;
    }
    case TIEPixelFormat::ie24RGB:
    case TIEPixelFormat::ieCMYK:
    case TIEPixelFormat::ieRGB48: {
      const TRGB rgb = ColorToTRGB(static_cast<TColor>(static_cast<uint32_t>(v)));
      p.Full = rgb == MakeTRGB(255, 255, 255);
      if (Format == TIEPixelFormat::ie24RGB) {
        std::memcpy(p.Bytes, &rgb, sizeof(rgb));
        p.Size = sizeof(rgb);
      } else if (Format == TIEPixelFormat::ieCMYK) {
        const TCMYK cmyk = IERGBToCMYK(rgb);
        std::memcpy(p.Bytes, &cmyk, sizeof(cmyk));
        p.Size = sizeof(cmyk);
      } else {
        const TRGB48 rgb48{IEWiden8To16(rgb.r), IEWiden8To16(rgb.g), IEWiden8To16(rgb.b)};
        std::memcpy(p.Bytes, &rgb48, sizeof(rgb48));
        p.Size = sizeof(rgb48);
      }
      break;
    }
    default: break;
  }
  return p;
}

// Count copies of the pixel, back to back.
std::vector<uint8_t> PixelRun(const TPixelBytes& Pixel, int32_t Count) {
  std::vector<uint8_t> run(Pixel.Size * static_cast<size_t>(Count));
  for (size_t at = 0; at < run.size(); at += Pixel.Size) std::memcpy(run.data() + at, Pixel.Bytes, Pixel.Size);
  return run;
}

}  // namespace

void TIEBitmap::Fill(double Value) {
  if (FPixelFormat == TIEPixelFormat::ienull) return;
  const TPixelBytes pixel = PixelOf(FPixelFormat, Value);
  if (!IsEmpty()) {
    const bool wholeRows = FPixelFormat == TIEPixelFormat::ie1g || FPixelFormat == TIEPixelFormat::ie8p ||
                           FPixelFormat == TIEPixelFormat::ie8g;
    if (wholeRows && FLocation == TIELocation::ieMemory) {
      // Memory rows are contiguous: one block, padding included.
      std::memset(FMemory, pixel.Bytes[0], static_cast<size_t>(FRowLen) * static_cast<size_t>(FHeight));
    } else if (wholeRows) {
      for (int32_t y = 0; y < FHeight; ++y) std::memset(ScanLine(y), pixel.Bytes[0], static_cast<size_t>(FRowLen));
    } else {
      // Pixels only: the padding of other formats keeps its bytes.
      const std::vector<uint8_t> run = PixelRun(pixel, FWidth);
      for (int32_t y = 0; y < FHeight; ++y) std::memcpy(ScanLine(y), run.data(), run.size());
    }
  }
  FFull = pixel.Full;
}

void TIEBitmap::FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, double Value) {
  if (FPixelFormat == TIEPixelFormat::ienull || IsEmpty()) return;
  X1 = Max(X1, 0);
  Y1 = Max(Y1, 0);
  X2 = Min(X2, FWidth - 1);
  Y2 = Min(Y2, FHeight - 1);
  if (X2 < X1 || Y2 < Y1) return;
  const TPixelBytes pixel = PixelOf(FPixelFormat, Value);
  if (FPixelFormat == TIEPixelFormat::ie1g) {
    const bool set = pixel.Bytes[0] != 0;
    for (int32_t y = Y1; y <= Y2; ++y) {
      uint8_t* row = static_cast<uint8_t*>(ScanLine(y));
      for (int32_t x = X1; x <= X2; ++x) {
        const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
        if (set)
          row[x >> 3] |= mask;
        else
          row[x >> 3] &= static_cast<uint8_t>(~mask);
      }
    }
    return;
  }
  const std::vector<uint8_t> run = PixelRun(pixel, X2 - X1 + 1);
  const size_t offset = pixel.Size * static_cast<size_t>(X1);
  for (int32_t y = Y1; y <= Y2; ++y) std::memcpy(static_cast<uint8_t*>(ScanLine(y)) + offset, run.data(), run.size());
}
