#include "imaging/io/codecs/tga/ietga.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iequantizer.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/dates.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

namespace {

// A 5-5-5 colour (blue in the low bits), each channel spread over 0..255.
TRGB Rgb555(uint16_t V) {
  const auto spread = [](uint32_t C) { return static_cast<uint8_t>((C & 31) * 255 / 31); };
  return TRGB{spread(V), spread(V >> 5), spread(V >> 10)};
}

constexpr int32_t HeaderSize = 18;
constexpr int32_t FooterSize = 26;
constexpr int32_t ExtensionSize = 495;
constexpr char Signature[] = "TRUEVISION-XFILE";  // then "." and NUL

// One stream read; a stream that fails counts as ended.
int32_t ReadChunk(TStream* Stream, void* Buffer, int32_t Count) {
  try {
    return std::max(Stream->Read(Buffer, Count), 0);
  } catch (const std::exception&) {
    return 0;
  }
}

bool ValidType(uint8_t Type) { return (Type >= 1 && Type <= 3) || (Type >= 9 && Type <= 11); }
bool ValidDepth(uint8_t Depth) {
  return Depth == 1 || Depth == 4 || Depth == 8 || Depth == 16 || Depth == 24 || Depth == 32;
}

// Bytes up to the first NUL of a fixed field, kept as they are.
String FieldText(const uint8_t* Field, size_t Size) {
  const auto* end = static_cast<const uint8_t*>(std::memchr(Field, 0, Size));
  return String(reinterpret_cast<const char*>(Field), end ? static_cast<size_t>(end - Field) : Size);
}

// The read-ahead buffer the header, colour map and pixels are read through.
class TReadAhead {
 public:
  explicit TReadAhead(TStream* Stream) : FStream(Stream) {}
  bool Read(uint8_t* Dest, int64_t Count) {
    while (Count > 0) {
      if (FIndex >= FFill) {
        FFill = ReadChunk(FStream, FBuffer.data(), static_cast<int32_t>(FBuffer.size()));
        FIndex = 0;
        if (FFill <= 0) return false;
      }
      const auto n = static_cast<int32_t>(std::min<int64_t>(Count, FFill - FIndex));
      std::memcpy(Dest, FBuffer.data() + FIndex, static_cast<size_t>(n));
      FIndex += n;
      Dest += n;
      Count -= n;
    }
    return true;
  }
  bool Skip(int64_t Count) {
    uint8_t scratch[256];
    while (Count > 0) {
      const int64_t n = std::min<int64_t>(Count, sizeof scratch);
      if (!Read(scratch, n)) return false;
      Count -= n;
    }
    return true;
  }

 private:
  TStream* FStream;
  std::array<uint8_t, 8192> FBuffer{};
  int32_t FFill = 0;
  int32_t FIndex = 0;
};

void ReadFooter(TStream* Stream, int64_t Start, TIOParamsVals& Params) {
  Params.TGAAuthor.clear();
  Params.TGAJobName.clear();
  Params.TGADate = Date();
  Params.TGAKeyColor = TRGB{0, 0, 0};
  Params.TGAAspectRatio = 1.0;
  Params.TGAGamma = 2.2;
  const int64_t size = Stream->Size();
  if (size < FooterSize) return;
  uint8_t footer[FooterSize];
  Stream->Seek(size - FooterSize, soBeginning);
  if (ReadChunk(Stream, footer, FooterSize) < FooterSize || std::memcmp(footer + 8, Signature, 16) != 0) return;
  const int64_t at = Start + GetLE32(footer);
  uint8_t ext[ExtensionSize];
  if (at + ExtensionSize > size) return;
  Stream->Seek(at, soBeginning);
  if (ReadChunk(Stream, ext, ExtensionSize) < ExtensionSize) return;
  Params.TGAAuthor = FieldText(ext + 2, 41);
  const uint16_t month = GetLE16(ext + 367), day = GetLE16(ext + 369), year = GetLE16(ext + 371);
  const uint16_t hour = GetLE16(ext + 373), minute = GetLE16(ext + 375), second = GetLE16(ext + 377);
  if (month != 0 && day != 0 && year != 0 && year < 2500 && month <= 12 && day < 32 && hour < 24 && minute < 60 &&
      second < 60) {
    TDateTime d = 0, t = 0;
    if (TryEncodeDate(year, month, day, d) && TryEncodeTime(hour, minute, second, 0, t)) Params.TGADate = d + t;
  }
  Params.TGAJobName = FieldText(ext + 379, 41);
  Params.TGAKeyColor = TRGB{ext[473], ext[472], ext[471]};
  const uint16_t an = GetLE16(ext + 474), ad = GetLE16(ext + 476), gn = GetLE16(ext + 478), gd = GetLE16(ext + 480);
  if (an != 0 && ad != 0) Params.TGAAspectRatio = double(an) / ad;
  if (gn != 0 && gd != 0) Params.TGAGamma = double(gn) / gd;
}

// Reverses the pixel order of a 1-bit row of Width pixels.
void Mirror1Bit(uint8_t* Row, int32_t Width) {
  std::vector<uint8_t> copy(Row, Row + (Width + 7) / 8);
  std::memset(Row, 0, copy.size());
  for (int32_t x = 0; x < Width; ++x) {
    const int32_t from = Width - 1 - x;
    if ((copy[static_cast<size_t>(from >> 3)] >> (7 - (from & 7))) & 1)
      Row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
}

}  // namespace

bool IETestTGA(TStream* Stream) {
  uint8_t h[HeaderSize];
  int64_t pos = 0;
  try {
    pos = Stream->Position();
  } catch (const std::exception&) {
    return false;
  }
  const int32_t got = ReadChunk(Stream, h, HeaderSize);
  Stream->Seek(pos, soBeginning);
  return got == HeaderSize && ValidType(h[2]) && ValidDepth(h[16]) && h[1] <= 1 && GetLE16(h + 12) != 0 &&
         GetLE16(h + 14) != 0;
}

void IEDecodeTGA(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, bool ParamsOnly,
                 std::unique_ptr<TIEMask>& Mask, bool IgnoreAlpha) {
  int64_t start = 0;
  try {
    start = Stream->Position();
    ReadFooter(Stream, start, Params);
    Stream->Seek(start, soBeginning);
  } catch (const std::exception&) {
    IESetAborting(Progress);
    return;
  }
  TReadAhead in(Stream);
  uint8_t h[HeaderSize];
  if (!in.Read(h, HeaderSize)) {
    IESetAborting(Progress);
    return;
  }
  const uint8_t idLength = h[0], mapType = h[1], type = h[2], mapEntrySize = h[7], depth = h[16], descriptor = h[17];
  const uint16_t mapFirst = GetLE16(h + 3), mapLength = GetLE16(h + 5);
  const int32_t w = GetLE16(h + 12), ht = GetLE16(h + 14);
  Params.TGAXPos = GetLE16(h + 8);
  Params.TGAYPos = GetLE16(h + 10);
  if (!ValidType(type) || !ValidDepth(depth)) {
    IESetAborting(Progress);
    return;
  }
  std::vector<uint8_t> id(idLength);
  if (!in.Read(id.data(), idLength)) {
    IESetAborting(Progress);
    return;
  }
  Params.TGAIdentifier.assign(id.begin(), id.end());

  // The 3-3-2 colour cube, overwritten by the file's colour map.
  std::array<TRGB, 256> palette{};
  std::array<uint8_t, 256> paletteAlpha;
  paletteAlpha.fill(255);
  for (int32_t i = 0; i < 256; ++i)
    palette[static_cast<size_t>(i)] =
        TRGB{static_cast<uint8_t>((i & 3) * 64 + 60), static_cast<uint8_t>(((i >> 2) & 7) * 32 + 28),
             static_cast<uint8_t>((i >> 5) * 32 + 28)};
  bool paletteHasAlpha = false;
  Params.Palette.clear();
  if (mapType == 1) {
    const int32_t entryBytes = (mapEntrySize + 7) / 8;  // up to 32 for a size byte of 255
    uint8_t e[32] = {};
    for (int32_t i = 0; i < mapLength; ++i) {
      if (!in.Read(e, entryBytes)) {
        IESetAborting(Progress);
        return;
      }
      const int32_t index = mapFirst + i;
      if (index >= 256) continue;  // consumed, not stored
      TRGB& c = palette[static_cast<size_t>(index)];
      if (mapEntrySize == 15 || mapEntrySize == 16) {
        c = Rgb555(GetLE16(e));
      } else if (mapEntrySize == 24 || mapEntrySize == 32) {
        c = TRGB{e[0], e[1], e[2]};
        if (mapEntrySize == 32) {
          paletteAlpha[static_cast<size_t>(index)] = e[3];
          paletteHasAlpha = true;
        }
      }
    }
    Params.Palette.assign(palette.begin(), palette.begin() + std::min<int32_t>(mapLength, 256));
    Params.TGAGrayLevel = false;
  } else if (depth == 8) {
    for (int32_t i = 0; i < 256; ++i) palette[static_cast<size_t>(i)] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
    Params.TGAGrayLevel = true;
  } else if (depth == 1) {
    palette[0] = TRGB{0, 0, 0};
    palette[1] = TRGB{255, 255, 255};
  }
  const bool rle = type >= 9;
  Params.TGACompressed = rle;
  // 16-bit gray is a gray byte and an alpha byte.
  const bool grayAlpha = depth == 16 && (type == 3 || type == 11);
  if (grayAlpha) Params.TGAGrayLevel = true;

  Params.Width = w;
  Params.Height = ht;
  Params.SetDpiX(IEDefaultDpiX);
  Params.SetDpiY(IEDefaultDpiY);
  switch (depth) {
    case 1: Params.BitsPerSample = 1, Params.SamplesPerPixel = 1; break;
    case 4: Params.BitsPerSample = 4, Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8, Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5, Params.SamplesPerPixel = 3; break;
    case 24: Params.BitsPerSample = 8, Params.SamplesPerPixel = 3; break;
    default: Params.BitsPerSample = 8, Params.SamplesPerPixel = 4; break;
  }
  if (grayAlpha) Params.BitsPerSample = 8, Params.SamplesPerPixel = 1;
  // Run-length packets of 1- and 4-bit pixels have no defined meaning; a
  // zero side is no image.
  if (w == 0 || ht == 0 || (rle && depth < 8)) {
    IESetAborting(Progress);
    return;
  }
  if (ParamsOnly) return;

  // No valid file packs more than 64 pixels into a byte (a run packet of 128
  // pixels takes at least 2): a larger claim is refused before allocating.
  int64_t streamSize = 0;
  try {
    streamSize = Stream->Size();
  } catch (const std::exception&) {
  }
  if (int64_t(w) * ht > std::max<int64_t>(streamSize - start, 0) * 64) {
    IESetAborting(Progress);
    return;
  }
  try {
    Bitmap->Allocate(w, ht, depth == 1 ? TIEPixelFormat::ie1g : TIEPixelFormat::ie24RGB);
  } catch (const std::exception&) {
    IESetAborting(Progress);
    return;
  }
  const bool readAlpha =
      !IgnoreAlpha && ((depth == 32 && (descriptor & 0x08)) || (mapType == 1 && mapEntrySize == 32) || grayAlpha);
  TIEMask* mask = nullptr;
  if (readAlpha) {
    if (!Mask) Mask = std::make_unique<TIEMask>();
    Mask->Allocate(w, ht, 8);
    Mask->Fill(255);
    Mask->SetFull(false);
    mask = Mask.get();
  }
  const bool topDown = (descriptor & 0x20) != 0;
  const bool mirrored = (descriptor & 0x10) != 0;
  const int32_t pixelBytes = depth / 8;
  IEProgressStart(Progress, ht);

  // One pixel value of 8 bits and more into colour and alpha.
  const auto decodePixel = [&](const uint8_t* p, TRGB& c, uint8_t& a) {
    switch (depth) {
      case 8:
        c = palette[p[0]];
        a = paletteHasAlpha ? paletteAlpha[p[0]] : 255;
        break;
      case 16:
        c = grayAlpha ? TRGB{p[0], p[0], p[0]} : Rgb555(GetLE16(p));
        a = grayAlpha ? p[1] : 255;
        break;
      case 24:
        c = TRGB{p[0], p[1], p[2]};
        a = 255;
        break;
      default:
        c = TRGB{p[0], p[1], p[2]};
        a = p[3];
        break;
    }
  };

  // The packet in progress, carried from one row into the next.
  int32_t packetLeft = 0;
  bool packetRun = false;
  TRGB runColour{};
  uint8_t runAlpha = 255;
  std::vector<uint8_t> packed(static_cast<size_t>(depth == 1 ? (w + 7) / 8 : (w + 1) / 2));
  bool truncated = false;

  for (int32_t i = 0; i < ht && !truncated; ++i) {
    const int32_t y = topDown ? i : ht - 1 - i;
    auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(y));
    uint8_t* alpha = mask ? mask->ScanLine(y) : nullptr;
    if (depth == 1) {
      truncated = !in.Read(row, static_cast<int64_t>(packed.size()));
      if (mirrored && !truncated) Mirror1Bit(row, w);
    } else if (depth == 4) {
      truncated = !in.Read(packed.data(), static_cast<int64_t>(packed.size()));
      if (!truncated) {
        auto* rgb = reinterpret_cast<TRGB*>(row);
        for (int32_t x = 0; x < w; ++x) {
          const uint8_t b = packed[static_cast<size_t>(x >> 1)];
          rgb[x] = palette[(x & 1) ? b & 0x0F : b >> 4];
        }
        if (mirrored) std::reverse(rgb, rgb + w);
      }
    } else {
      auto* rgb = reinterpret_cast<TRGB*>(row);
      uint8_t value[4];
      uint8_t a = 255;
      int32_t x = 0;
      if (!rle) {
        for (; x < w; ++x) {
          if (!in.Read(value, pixelBytes)) {
            truncated = true;
            break;
          }
          decodePixel(value, rgb[x], a);
          if (alpha) alpha[x] = a;
        }
      } else {
        while (x < w) {
          if (packetLeft == 0) {
            uint8_t head;
            if (!in.Read(&head, 1)) {
              truncated = true;
              break;
            }
            packetLeft = (head & 127) + 1;
            packetRun = head >= 128;
            if (packetRun) {
              if (!in.Read(value, pixelBytes)) {
                truncated = true;
                break;
              }
              decodePixel(value, runColour, runAlpha);
            }
          }
          const int32_t n = std::min(packetLeft, w - x);
          if (packetRun) {
            std::fill(rgb + x, rgb + x + n, runColour);
            if (alpha) std::memset(alpha + x, runAlpha, static_cast<size_t>(n));
            x += n;
            packetLeft -= n;
          } else {
            for (int32_t j = 0; j < n; ++j, ++x, --packetLeft) {
              if (!in.Read(value, pixelBytes)) {
                truncated = true;
                break;
              }
              decodePixel(value, rgb[x], a);
              if (alpha) alpha[x] = a;
            }
            if (truncated) break;
          }
        }
      }
      if (mirrored && !truncated) {
        std::reverse(rgb, rgb + w);
        if (alpha) std::reverse(alpha, alpha + w);
      }
    }
    if (IEProgressStep(Progress, false)) break;
  }
  if (truncated) IESetAborting(Progress);
  if (mask) {
    mask->SyncBoundingBox();
    if (mask->IsEmpty()) {
      Mask.reset();
    } else {
      mask->CheckFull();
    }
  }
}

// ---- Writing ----------------------------------------------------------------------------

namespace {

// A row of Count pixels of PixelBytes each as packets that stay in the row:
// runs of 2 to 128 equal pixels, raw packets of up to 127 pixels (128 when
// the packet ends the row).
void EncodeRleRow(const uint8_t* Row, int32_t Count, int32_t PixelBytes, std::vector<uint8_t>& Out) {
  const auto same = [&](int32_t a, int32_t b) {
    return std::memcmp(Row + a * PixelBytes, Row + b * PixelBytes, static_cast<size_t>(PixelBytes)) == 0;
  };
  int32_t x = 0;
  while (x < Count) {
    int32_t run = 1;
    while (x + run < Count && run < 128 && same(x, x + run)) ++run;
    if (run >= 2) {
      Out.push_back(static_cast<uint8_t>(128 + run - 1));
      Out.insert(Out.end(), Row + x * PixelBytes, Row + (x + 1) * PixelBytes);
      x += run;
      continue;
    }
    int32_t n = 0;
    while (n < 128 && x + n < Count) {
      const int32_t i = x + n;
      if (i == Count - 1) {
        ++n;
        break;
      }
      if (same(i, i + 1) || n == 127) break;
      ++n;
    }
    Out.push_back(static_cast<uint8_t>(n - 1));
    Out.insert(Out.end(), Row + x * PixelBytes, Row + (x + n) * PixelBytes);
    x += n;
  }
}

std::unique_ptr<TIEBitmap> CopyOf(TIEBitmap* Source) {
  auto copy = std::make_unique<TIEBitmap>();
  copy->Assign(Source);
  return copy;
}

void PutField(uint8_t* Dest, const String& Text, size_t Max) {
  std::memcpy(Dest, Text.data(), std::min(Text.size(), Max));
}

}  // namespace

void IEEncodeTGA(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress, TIEMask* Mask) {
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if ((format != TIEPixelFormat::ie24RGB && format != TIEPixelFormat::ie1g) || Bitmap->IsEmpty() ||
      Bitmap->Width() > 65535 || Bitmap->Height() > 65535) {
    IESetAborting(Progress);
    return;
  }
  bool failed = false;
  const auto put = [&](const void* Buffer, int64_t Count) {
    if (!failed && Count > 0) IEStreamWriteChecked(Stream, failed, Buffer, static_cast<int32_t>(Count));
  };
  const int32_t w = Bitmap->Width();
  const int32_t h = Bitmap->Height();

  TIEBitmap* src = Bitmap;
  std::unique_ptr<TIEBitmap> work;
  // An image's own transparency is written as 32 bits, also where the loaded
  // file had a palette depth: a colour map would lose it.
  const bool transparent = format == TIEPixelFormat::ie24RGB && Bitmap->HasAlphaChannel() && IEHasTransparency(Bitmap);
  const bool paletteDepth = Params.SamplesPerPixel == 1 && !transparent && !(Mask != nullptr && !Mask->Full()) &&
                            (Params.BitsPerSample == 1 || Params.BitsPerSample == 4 || Params.BitsPerSample == 8);
  std::unique_ptr<TIEMask> ownAlpha;
  if (!Mask && !paletteDepth && format == TIEPixelFormat::ie24RGB && Bitmap->HasAlphaChannel() &&
      IEHasTransparency(Bitmap)) {
    ownAlpha = std::make_unique<TIEMask>();
    ownAlpha->Allocate(w, h, 8);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) ownAlpha->SetPixel(x, y, Bitmap->GetAlpha(x, y));
    ownAlpha->SetFull(false);
    Mask = ownAlpha.get();
  } else if (format == TIEPixelFormat::ie24RGB && Bitmap->HasAlphaChannel() && IEHasTransparency(Bitmap)) {
    work = CopyOf(Bitmap);
    IEMergeAlphaWithBackground(work.get(), clWhite);
    src = work.get();
  }

  const bool withAlpha = Mask != nullptr && !Mask->Full();
  int32_t depth = withAlpha ? 32 : 24;
  // 1- and 4-bit colour maps are written as 8-bit ones, which every reader
  // takes (a 1-bit image as black and white entries).
  if (paletteDepth) depth = 8;
  if (depth != 8 && depth != 24) Params.TGACompressed = false;

  const TRGB bw[2] = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
  std::unique_ptr<TIEBitmap> oneBit;
  std::vector<TRGB> map;
  std::unique_ptr<TIEQuantizer> quantizer;
  if (paletteDepth && Params.BitsPerSample == 1) {
    if (src->PixelFormat() != TIEPixelFormat::ie1g) {
      TRGB dark, light;
      oneBit = TwoColorsTo1Bit(src, dark, light);
      if (!oneBit) {
        oneBit = CopyOf(src);
        oneBit->ConvertFormat(TIEPixelFormat::ie1g);
      }
      src = oneBit.get();
    }
  }
  if (depth == 4 || depth == 8) {
    map.assign(static_cast<size_t>(1) << depth, TRGB{});
    if (src->PixelFormat() == TIEPixelFormat::ie1g) {
      map[0] = bw[0];
      map[1] = bw[1];
    } else {
      quantizer = std::make_unique<TIEQuantizer>(src, map.data(), static_cast<int32_t>(map.size()) - 1,
                                                 static_cast<int32_t>(map.size()), 0, 0);
    }
    Params.Palette = map;
  }
  const bool gray = depth == 8 && Params.TGAGrayLevel;
  const bool compressed = Params.TGACompressed;

  const int64_t start = Stream->Position();
  const String ident = Params.TGAIdentifier.substr(0, 254);
  uint8_t hd[HeaderSize] = {};
  hd[0] = static_cast<uint8_t>(ident.size() + 1);
  const bool colourMap = (depth == 4 || depth == 8) && !gray;
  if (depth == 1 || gray) {
    hd[2] = compressed ? 11 : 3;
  } else if (colourMap) {
    hd[1] = 1;
    hd[2] = compressed ? 9 : 1;
    PutLE16(hd + 5, static_cast<uint32_t>(map.size()));
    hd[7] = 24;
  } else {
    hd[2] = compressed ? 10 : 2;
  }
  PutLE16(hd + 8, static_cast<uint32_t>(Params.TGAXPos));
  PutLE16(hd + 10, static_cast<uint32_t>(Params.TGAYPos));
  PutLE16(hd + 12, static_cast<uint32_t>(w));
  PutLE16(hd + 14, static_cast<uint32_t>(h));
  hd[16] = static_cast<uint8_t>(depth);
  hd[17] = static_cast<uint8_t>(0x20 | (depth == 32 ? 0x08 : 0));
  put(hd, HeaderSize);
  put(ident.data(), static_cast<int64_t>(ident.size()));
  const uint8_t nul = 0;
  put(&nul, 1);
  if (colourMap) {
    std::vector<uint8_t> entries;
    for (const TRGB& c : map) entries.insert(entries.end(), {c.b, c.g, c.r});
    put(entries.data(), static_cast<int64_t>(entries.size()));
  }

  IEProgressStart(Progress, h);
  const bool fromOneBit = src->PixelFormat() == TIEPixelFormat::ie1g;
  const int32_t sourceBits = fromOneBit ? 1 : 24;
  const int64_t rowBytes = depth == 1 ? (w + 7) / 8 : depth == 4 ? (w + 1) / 2 : int64_t(w) * (depth / 8);
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes) + 4);
  std::vector<uint8_t> rgbRow(static_cast<size_t>(w) * 3);
  std::vector<uint8_t> packets;
  for (int32_t y = 0; y < h; ++y) {
    const auto* line = static_cast<const uint8_t*>(src->ScanLine(y));
    std::fill(row.begin(), row.end(), 0);
    if (depth == 32) {
      const uint8_t* rgb = line;
      if (fromOneBit) {
        ConvertRowPixelDepth(line, rgbRow.data(), 1, nullptr, bw, 2, w, 24);
        rgb = rgbRow.data();
      }
      const bool oneBitMask = Mask->BitsPerPixel() == 1;
      for (int32_t x = 0; x < w; ++x) {
        std::memcpy(&row[static_cast<size_t>(4 * x)], rgb + 3 * x, 3);
        const uint8_t a = Mask->GetPixel(x, y);
        row[static_cast<size_t>(4 * x + 3)] = oneBitMask ? (a ? 255 : 0) : a;
      }
    } else {
      ConvertRowPixelDepth(line, row.data(), sourceBits, quantizer.get(), bw, 2, w, depth);
      if (gray)
        for (int32_t x = 0; x < w; ++x) {
          const TRGB& c = map[row[static_cast<size_t>(x)]];
          row[static_cast<size_t>(x)] = static_cast<uint8_t>((c.r * 21 + c.g * 71 + c.b * 8) / 100);
        }
    }
    if (compressed) {
      packets.clear();
      EncodeRleRow(row.data(), w, depth / 8, packets);
      put(packets.data(), static_cast<int64_t>(packets.size()));
    } else {
      put(row.data(), rowBytes);
    }
    if (IEProgressStep(Progress, false) || failed) break;
  }

  if (!failed && !IEAborting(Progress)) {
    const int64_t extensionAt = Stream->Position() - start;
    uint8_t ext[ExtensionSize] = {};
    PutLE16(ext, ExtensionSize);
    PutField(ext + 2, Params.TGAAuthor, 40);
    uint16_t year, month, day, hour, minute, second, ms;
    DecodeDateTime(Params.TGADate, year, month, day, hour, minute, second, ms);
    PutLE16(ext + 367, month);
    PutLE16(ext + 369, day);
    PutLE16(ext + 371, year);
    PutLE16(ext + 373, hour);
    PutLE16(ext + 375, minute);
    PutLE16(ext + 377, second);
    PutField(ext + 379, Params.TGAJobName, 40);
    ext[471] = Params.TGAKeyColor.r;
    ext[472] = Params.TGAKeyColor.g;
    ext[473] = Params.TGAKeyColor.b;
    const auto ratio = [](double V) {
      return static_cast<uint32_t>(std::clamp<double>(Trunc(std::clamp(V, 0.0, 7.0) * 10000), 0, 65535));
    };
    PutLE16(ext + 474, ratio(Params.TGAAspectRatio));
    PutLE16(ext + 476, 10000);
    PutLE16(ext + 478, ratio(Params.TGAGamma));
    PutLE16(ext + 480, 10000);
    put(ext, ExtensionSize);
    uint8_t footer[FooterSize] = {};
    PutLE32(footer, static_cast<uint32_t>(extensionAt));
    std::memcpy(footer + 8, Signature, 16);
    footer[24] = '.';
    put(footer, FooterSize);
  }
  if (failed) IESetAborting(Progress);
}
