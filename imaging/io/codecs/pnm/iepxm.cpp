#include "imaging/io/codecs/pnm/iepxm.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/byteorder.h"

using enum TIEPixelFormat;

namespace {

constexpr int64_t kMaxImageBytes = 2147483647;

bool IsAlnum(int C) { return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z'); }

// Buffered reading of a stream; hands back what it read ahead on Release.
class TByteSource {
 public:
  explicit TByteSource(TStream* Stream) : FStream(Stream), FBuffer(65536) {}
  int Get() {
    if (FAt >= FLen && !Fill()) return -1;
    return FBuffer[static_cast<size_t>(FAt++)];
  }
  // Copies up to Count bytes; answers how many there were.
  int64_t ReadBlock(uint8_t* Dest, int64_t Count) {
    int64_t done = 0;
    while (done < Count) {
      if (FAt >= FLen && !Fill()) break;
      const int64_t n = std::min<int64_t>(Count - done, FLen - FAt);
      std::memcpy(Dest + done, FBuffer.data() + FAt, static_cast<size_t>(n));
      FAt += static_cast<int32_t>(n);
      done += n;
    }
    return done;
  }
  bool AtEnd() { return FAt >= FLen && !Fill(); }
  // The bytes still to come: those buffered and those the stream holds.
  int64_t Available() const {
    const int64_t rest = FEnd ? 0 : std::max<int64_t>(FStream->Size() - FStream->Position(), 0);
    return FLen - FAt + rest;
  }
  void Release() {
    if (FLen > FAt) FStream->Seek(-(FLen - FAt), soCurrent);
    FLen = FAt = 0;
  }

 private:
  // The end, once met, stays: a raster that claims far more samples than the
  // file holds then costs no stream read per missing sample.
  bool Fill() {
    FAt = 0;
    FLen = 0;
    if (FEnd) return false;
    FLen = std::max(FStream->Read(FBuffer.data(), static_cast<int32_t>(FBuffer.size())), 0);
    FEnd = FLen == 0;
    return FLen > 0;
  }
  TStream* FStream;
  std::vector<uint8_t> FBuffer;
  int32_t FLen = 0;
  int32_t FAt = 0;
  bool FEnd = false;
};

// The single-byte source of the public tokenizer.
struct TStreamChars {
  TStream* Stream;
  int Get() {
    uint8_t c;
    return Stream->Read(&c, 1) == 1 ? c : -1;
  }
};

template <typename TSource>
String ReadToken(TSource& Source) {
  String token;
  for (;;) {
    int c = Source.Get();
    if (c < 0) return token;
    if (c == '#') {
      String text;
      while ((c = Source.Get()) >= 0 && c != '\r' && c != '\n') text += static_cast<char>(c);
      return "#" + Trim(text);
    }
    if (IsAlnum(c)) {
      token += static_cast<char>(c);
      while ((c = Source.Get()) >= 0 && IsAlnum(c)) token += static_cast<char>(c);
      return token;
    }
  }
}

inline int32_t Scale(int64_t Value, int64_t Max, int64_t Range) {
  return static_cast<int32_t>(std::min(Value, Max) * Range / Max);
}

}  // namespace

void IEReadPXMToken(TStream* Stream, String& Token) {
  TStreamChars chars{Stream};
  Token = ReadToken(chars);
}

bool IETestPXM(TStream* Stream) {
  int64_t start = 0;
  try {
    start = Stream->Position();
  } catch (...) {
    return false;
  }
  bool result = false;
  try {
    TByteSource source(Stream);
    int32_t state = 0, width = -1;
    for (int32_t i = 0; i < 501; ++i) {
      const String t = ReadToken(source);
      if (!t.empty() && t[0] == '#') continue;
      if (state == 0) {
        if (t.size() != 2 || t[0] != 'P' || t[1] < '1' || t[1] > '6') break;
        state = 1;
      } else if (state == 1) {
        width = StrToIntDef(t, -1);
        state = 2;
      } else {
        result = width > 0 && StrToIntDef(t, -1) > 0;
        break;
      }
    }
  } catch (...) {
    result = false;
  }
  try {
    Stream->SetPosition(start);
  } catch (...) {
  }
  return result;
}

namespace {

void DecodePXM(TStream* Stream, TByteSource& Source, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
               TIECodecProgress& Progress, bool Preview) {
  IOParams.PXMComments.Clear();
  String magic;
  int32_t width = -1, height = -1, maxval = -1;
  int32_t state = 0;
  while (state < 4 && !Source.AtEnd()) {
    const String t = ReadToken(Source);
    if (!t.empty() && t[0] == '#') {
      IOParams.PXMComments.Add(t.substr(1));
      continue;
    }
    switch (state) {
      case 0:
        magic = t;
        if (magic == "P1" || magic == "P4") maxval = 1;
        state = 1;
        break;
      case 1:
        width = StrToIntDef(t, -1);
        state = 2;
        break;
      case 2:
        height = StrToIntDef(t, -1);
        state = maxval == 1 ? 4 : 3;
        break;
      default:
        maxval = StrToIntDef(t, -1);
        state = 4;
        break;
    }
  }
  const bool known = magic.size() == 2 && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '6';
  const char kind = known ? magic[1] : '0';
  const bool raw = kind >= '4';
  if (!known || width < 1 || height < 1 || maxval < 1 || (raw && maxval > 65535)) {
    IESetAborting(Progress);
    return;
  }
  const bool deep = maxval > 255 && (kind == '5' || kind == '6');
  const bool native = deep && IOParams.NativePixelFormat;
  TIEPixelFormat format = ie24RGB;
  int32_t pixelBytes = 3;
  if (kind == '1' || kind == '4') {
    format = ie1g;
    pixelBytes = 1;
  } else if (native) {
    format = kind == '5' ? ie16g : ieRGB48;
    pixelBytes = kind == '5' ? 2 : 6;
  }
  if (int64_t(width) * height * pixelBytes > kMaxImageBytes) {
    IESetAborting(Progress);
    return;
  }
  const bool colour = kind == '3' || kind == '6';
  IOParams.BitsPerSample = format == ie1g ? 1 : deep ? 16 : 8;
  IOParams.SamplesPerPixel = colour ? 3 : 1;
  IOParams.Width = width;
  IOParams.Height = height;
  IOParams.Palette.clear();
  IOParams.SetDpiX(IEDefaultDpiX);
  IOParams.SetDpiY(IEDefaultDpiY);
  if (Preview) return;

  Bitmap->Allocate(width, height, format);
  IEProgressStart(Progress, height);
  const int32_t samples = colour ? 3 : 1;
  const size_t rowSamples = static_cast<size_t>(width) * samples;

  if (kind == '1') {
    for (int32_t y = 0; y < height; ++y) {
      if (IEProgressRow(Progress, y)) return;
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < width;) {
        const int c = Source.Get();
        if (c < 0) return;
        if (c == '0') row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        if (c == '0' || c == '1') ++x;
      }
    }
    return;
  }
  if (kind == '2' || kind == '3') {
    const auto next = [&] {
      return static_cast<uint8_t>(Scale(std::max(StrToIntDef(ReadToken(Source), 0), 0), maxval, 255));
    };
    for (int32_t y = 0; y < height; ++y) {
      if (IEProgressRow(Progress, y)) return;
      auto* row = static_cast<TRGB*>(Bitmap->ScanLine(y));
      for (int32_t x = 0; x < width; ++x) {
        if (Source.AtEnd()) return;  // the missing samples are 0
        if (colour) {
          const uint8_t r = next(), g = next(), b = next();
          row[x] = TRGB{b, g, r};
        } else {
          const uint8_t g = next();
          row[x] = TRGB{g, g, g};
        }
      }
    }
    return;
  }

  // Raw rasters.
  const int64_t stored = kind == '4' ? (int64_t(width) + 7) / 8 : int64_t(rowSamples) * (deep ? 2 : 1);
  // No more room than the data can fill: a huge declared width in a short
  // file costs no memory. Pixels past the room stay zero.
  const int64_t unit = kind == '4' ? 1 : int64_t(samples) * (deep ? 2 : 1);
  const int64_t room = std::min(stored, (Source.Available() + unit - 1) / unit * unit);
  const int32_t pixels = kind == '4' ? width : static_cast<int32_t>(room / unit);
  std::vector<uint8_t> buffer(static_cast<size_t>(room));
  for (int32_t y = 0; y < height; ++y) {
    if (IEProgressRow(Progress, y)) return;
    const int64_t got = Source.ReadBlock(buffer.data(), room);
    if (got < stored) {  // truncated: keep what came, the rest stays zero
      std::fill(buffer.begin() + got, buffer.end(), 0);
      if (got == 0) {
        IESetAborting(Progress);
        return;
      }
    }
    void* line = Bitmap->ScanLine(y);
    if (kind == '4') {
      auto* row = static_cast<uint8_t*>(line);
      for (int64_t i = 0; i < got; ++i) row[i] = static_cast<uint8_t>(~buffer[size_t(i)]);
      if (got == stored && (width & 7) != 0) row[stored - 1] &= static_cast<uint8_t>(0xFF00 >> (width & 7));
    } else if (!deep) {
      auto* row = static_cast<TRGB*>(line);
      if (maxval == 255) {
        for (int32_t x = 0; x < pixels; ++x) {
          const uint8_t* p = &buffer[size_t(x) * samples];
          row[x] = colour ? TRGB{p[2], p[1], p[0]} : TRGB{p[0], p[0], p[0]};
        }
      } else {
        uint8_t table[256];
        for (int32_t v = 0; v < 256; ++v) table[v] = static_cast<uint8_t>(Scale(v, maxval, 255));
        for (int32_t x = 0; x < pixels; ++x) {
          const uint8_t* p = &buffer[size_t(x) * samples];
          row[x] = colour ? TRGB{table[p[2]], table[p[1]], table[p[0]]} : TRGB{table[p[0]], table[p[0]], table[p[0]]};
        }
      }
    } else {
      // 16-bit samples, scaled to 0..65535; the 8-bit forms keep the high byte.
      const auto sample = [&](size_t I) {
        return static_cast<uint16_t>(Scale((int32_t(buffer[I * 2]) << 8) | buffer[I * 2 + 1], maxval, 65535));
      };
      if (format == ie16g) {
        auto* row = static_cast<uint16_t*>(line);
        for (int32_t x = 0; x < pixels; ++x) row[x] = sample(size_t(x));
      } else if (format == ieRGB48) {
        auto* row = static_cast<TRGB48*>(line);
        for (int32_t x = 0; x < pixels; ++x)
          row[x] = TRGB48{sample(size_t(x) * 3), sample(size_t(x) * 3 + 1), sample(size_t(x) * 3 + 2)};
      } else {
        auto* row = static_cast<TRGB*>(line);
        for (int32_t x = 0; x < pixels; ++x) {
          if (colour) {
            row[x] = TRGB{static_cast<uint8_t>(sample(size_t(x) * 3 + 2) >> 8),
                          static_cast<uint8_t>(sample(size_t(x) * 3 + 1) >> 8),
                          static_cast<uint8_t>(sample(size_t(x) * 3) >> 8)};
          } else {
            const auto g = static_cast<uint8_t>(sample(size_t(x)) >> 8);
            row[x] = TRGB{g, g, g};
          }
        }
      }
    }
    if (got < stored) {
      IESetAborting(Progress);
      return;
    }
  }
  (void)Stream;
}

}  // namespace

void IEDecodePXM(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress,
                 bool Preview) {
  try {
    TByteSource source(Stream);
    DecodePXM(Stream, source, Bitmap, IOParams, Progress, Preview);
    source.Release();
  } catch (...) {
    IESetAborting(Progress);
  }
}

namespace {

// The bitmap itself when it has the format, else a converted copy in Holder.
TIEBitmap* InFormat(TIEBitmap* Bitmap, TIEPixelFormat Format, std::unique_ptr<TIEBitmap>& Holder) {
  if (Bitmap->PixelFormat() == Format) return Bitmap;
  Holder = std::make_unique<TIEBitmap>();
  Holder->Assign(Bitmap);
  Holder->ConvertFormat(Format);
  return Holder.get();
}

// 8 bits of one sample also describe palette images (GIF, palette PNG, BMP,
// PCX, ICO): only an image without colours is written gray.
bool AllGray(TIEBitmap* Rgb) {
  for (int32_t y = 0; y < Rgb->Height(); ++y) {
    const auto* row = static_cast<const TRGB*>(Rgb->ScanLine(y));
    for (int32_t x = 0; x < Rgb->Width(); ++x)
      if (row[x].r != row[x].g || row[x].g != row[x].b) return false;
  }
  return true;
}

}  // namespace

void IEEncodePXM(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress) {
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();
  if (w < 1 || h < 1) {
    IESetAborting(Progress);
    return;
  }
  String comments;
  for (int32_t i = 0; i < IOParams.PXMComments.Count(); ++i)
    comments += "\n# " + IOParams.PXMComments.Strings(i) + "\n";
  const String size = std::to_string(w) + " " + std::to_string(h);
  const int32_t bits = IOParams.BitsPerSample;
  const int32_t spp = IOParams.SamplesPerPixel;
  const TIEPixelFormat pf = Bitmap->PixelFormat();

  std::unique_ptr<TIEBitmap> holder;
  TIEBitmap* source = nullptr;
  String header;
  enum class TOut { P4, P5, P6Wide, P6Deep, P6 } out;
  if ((bits == 1 && spp == 1) || pf == ie1g) {
    out = TOut::P4;
    source = InFormat(Bitmap, ie1g, holder);
    header = "P4 " + comments + size + "\n";
  } else if (bits == 8 && spp == 1 && AllGray(source = InFormat(Bitmap, ie24RGB, holder))) {
    out = TOut::P5;
    header = "P5 " + comments + size + " 255\n";
  } else if (bits == 16 && spp == 3 && pf == ie24RGB) {
    out = TOut::P6Wide;
    source = Bitmap;
    header = "P6 " + comments + size + " 65535\n";
  } else if (pf == ieRGB48) {
    out = TOut::P6Deep;
    source = Bitmap;
    header = "P6 " + comments + size + " 65535\n";
  } else {
    out = TOut::P6;
    source = InFormat(Bitmap, ie24RGB, holder);
    header = "P6 " + comments + size + " 255\n";
  }

  bool failed = false;
  try {
    IEStreamWriteChecked(Stream, failed, header.data(), static_cast<int32_t>(header.size()));
    const size_t rowBytes = out == TOut::P4   ? (size_t(w) + 7) / 8
                            : out == TOut::P5 ? size_t(w)
                            : out == TOut::P6 ? size_t(w) * 3
                                              : size_t(w) * 6;
    std::vector<uint8_t> buffer(rowBytes);
    IEProgressStart(Progress, h);
    for (int32_t y = 0; y < h && !failed; ++y) {
      if (IEProgressRow(Progress, y)) return;
      const void* line = source->ScanLine(y);
      uint8_t* o = buffer.data();
      switch (out) {
        case TOut::P4: {
          const auto* row = static_cast<const uint8_t*>(line);
          for (size_t i = 0; i < rowBytes; ++i) o[i] = static_cast<uint8_t>(~row[i]);
          break;
        }
        case TOut::P5: {
          const auto* row = static_cast<const TRGB*>(line);
          for (int32_t x = 0; x < w; ++x)
            o[x] = static_cast<uint8_t>((21 * row[x].r + 71 * row[x].g + 8 * row[x].b) / 100);
          break;
        }
        case TOut::P6: {
          const auto* row = static_cast<const TRGB*>(line);
          for (int32_t x = 0; x < w; ++x, o += 3) {
            o[0] = row[x].r;
            o[1] = row[x].g;
            o[2] = row[x].b;
          }
          break;
        }
        case TOut::P6Wide: {
          const auto* row = static_cast<const TRGB*>(line);
          for (int32_t x = 0; x < w; ++x, o += 6) {  // v × 257: both bytes are v
            o[0] = o[1] = row[x].r;
            o[2] = o[3] = row[x].g;
            o[4] = o[5] = row[x].b;
          }
          break;
        }
        case TOut::P6Deep: {
          const auto* row = static_cast<const TRGB48*>(line);
          for (int32_t x = 0; x < w; ++x, o += 6) {
            const uint16_t v[3] = {row[x].r, row[x].g, row[x].b};
            for (int32_t k = 0; k < 3; ++k) {
              o[k * 2] = static_cast<uint8_t>(v[k] >> 8);
              o[k * 2 + 1] = static_cast<uint8_t>(v[k]);
            }
          }
          break;
        }
      }
      IEStreamWriteChecked(Stream, failed, buffer.data(), static_cast<int32_t>(rowBytes));
    }
  } catch (...) {
    failed = true;
  }
  if (failed) IESetAborting(Progress);
}

// ---- WBMP ----------------------------------------------------------------------------

namespace {

// A multi-byte integer of at most 31 bits; -1 when it is cut or longer.
int32_t ReadMultiByte(TStream* Stream) {
  int64_t value = 0;
  for (int32_t i = 0; i < 5; ++i) {
    uint8_t b;
    if (Stream->Read(&b, 1) != 1) return -1;
    value = (value << 7) | (b & 0x7F);
    if (value > 0x7FFFFFFF) return -1;
    if ((b & 0x80) == 0) return static_cast<int32_t>(value);
  }
  return -1;
}

void WriteMultiByte(std::vector<uint8_t>& Out, uint32_t Value) {
  uint8_t groups[5];
  int32_t n = 0;
  do {
    groups[n++] = static_cast<uint8_t>(Value & 0x7F);
    Value >>= 7;
  } while (Value != 0);
  while (n > 0) {
    --n;
    Out.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
  }
}

}  // namespace

void IEDecodeWBMP(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress,
                  bool Preview) {
  try {
    uint8_t head[2];
    if (Stream->Read(head, 2) != 2 || head[0] != 0 || head[1] != 0) {
      IESetAborting(Progress);
      return;
    }
    const int32_t width = ReadMultiByte(Stream);
    const int32_t height = ReadMultiByte(Stream);
    if (width < 1 || height < 1 || int64_t(width) * height > kMaxImageBytes * 8) {
      IESetAborting(Progress);
      return;
    }
    IOParams.BitsPerSample = 1;
    IOParams.SamplesPerPixel = 1;
    IOParams.Width = width;
    IOParams.Height = height;
    IOParams.SetDpiX(IEDefaultDpiX);
    IOParams.SetDpiY(IEDefaultDpiY);
    IOParams.Palette.clear();
    if (Preview) return;
    // A width near 2^31 must not overflow the row length; data below 1/64
    // of the rows is no picture of this size (a cut file keeps its rows).
    const auto rowBytes = static_cast<int32_t>((int64_t(width) + 7) / 8);
    if (IEDataCannotFill(Stream->Size() - Stream->Position(), int64_t(rowBytes) * height, 64)) {
      IESetAborting(Progress);
      return;
    }
    Bitmap->Allocate(width, height, ie1g);
    IEProgressStart(Progress, height);
    for (int32_t y = 0; y < height; ++y) {
      if (IEProgressRow(Progress, y)) return;
      auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
      const int32_t got = Stream->Read(row, rowBytes);
      if (got < rowBytes) {
        std::fill(row + std::max(got, 0), row + rowBytes, 0);
        IESetAborting(Progress);
        return;
      }
    }
  } catch (...) {
    IESetAborting(Progress);
  }
}

void IEEncodeWBMP(TStream* Stream, TIEBitmap* Bitmap, TIECodecProgress& Progress) {
  if (Bitmap->Width() < 1 || Bitmap->Height() < 1) {
    IESetAborting(Progress);
    return;
  }
  bool failed = false;
  try {
    std::unique_ptr<TIEBitmap> holder;
    TIEBitmap* source = InFormat(Bitmap, ie1g, holder);
    std::vector<uint8_t> header{0, 0};
    WriteMultiByte(header, static_cast<uint32_t>(source->Width()));
    WriteMultiByte(header, static_cast<uint32_t>(source->Height()));
    IEStreamWriteChecked(Stream, failed, header.data(), static_cast<int32_t>(header.size()));
    const int32_t rowBytes = (source->Width() + 7) / 8;
    IEProgressStart(Progress, source->Height());
    for (int32_t y = 0; y < source->Height() && !failed; ++y) {
      if (IEProgressRow(Progress, y)) return;
      IEStreamWriteChecked(Stream, failed, source->ScanLine(y), rowBytes);
    }
  } catch (...) {
    failed = true;
  }
  if (failed) IESetAborting(Progress);
}

// ---- Metafile tests ---------------------------------------------------------------------

namespace {

// Reads Count bytes at Offset from the position, which is restored.
bool PeekAt(TStream* Stream, int64_t Offset, uint8_t* Buffer, int32_t Count) {
  try {
    const int64_t start = Stream->Position();
    Stream->SetPosition(start + Offset);
    const bool ok = Stream->Read(Buffer, Count) == Count;
    Stream->SetPosition(start);
    return ok;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool IETestWMF(TStream* Stream) {
  uint8_t head[22];
  if (!PeekAt(Stream, 0, head, 20)) return false;
  const int64_t at = GetLE32(head) == 0x9AC6CDD7u ? 22 : 0;
  uint8_t m[18];
  if (!PeekAt(Stream, at, m, 18)) return false;
  return GetLE16(m) == 1 && GetLE16(m + 2) == 9 && GetLE16(m + 16) == 0;
}

bool IETestEMF(TStream* Stream) {
  uint8_t head[100];
  if (!PeekAt(Stream, 0, head, 100)) return false;
  return GetLE32(head) == 1 && GetLE32(head + 40) == 0x464D4520u;
}
