#include "imaging/io/codecs/pcx/iepcx.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/iegeom.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/iecolordepth.h"
#include "imaging/model/processing/iequantizer.h"
#include "imaging/model/processing/ieview.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr int32_t kHeaderSize = 128;
constexpr int32_t kMapSize = 768;

uint16_t LEWord(const uint8_t* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }
void SetWord(uint8_t* P, int32_t V) {
  P[0] = static_cast<uint8_t>(V & 0xFF);
  P[1] = static_cast<uint8_t>((V >> 8) & 0xFF);
}

// Run-length decoding of one scan line after another; a run may continue
// into the next line. Past the end of the data lines are filled with zeros.
class TLineDecoder {
 public:
  TLineDecoder(const uint8_t* Data, size_t Size, bool Encoded) : FData(Data), FSize(Size), FEncoded(Encoded) {}

  void Decode(uint8_t* Line, int32_t Length) {
    int32_t at = 0;
    if (!FEncoded) {
      const auto n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(Length), FSize - FPos));
      std::memcpy(Line, FData + FPos, static_cast<size_t>(n));
      FPos += static_cast<size_t>(n);
      at = n;
    } else {
      while (at < Length) {
        if (FRun > 0) {
          const int32_t n = std::min(FRun, Length - at);
          std::memset(Line + at, FRunValue, static_cast<size_t>(n));
          at += n;
          FRun -= n;
          continue;
        }
        if (FPos >= FSize) break;
        const uint8_t b = FData[FPos++];
        if (b < 192) {
          Line[at++] = b;
        } else {
          if (FPos >= FSize) break;
          FRun = b & 63;
          FRunValue = FData[FPos++];
        }
      }
    }
    if (at < Length) std::memset(Line + at, 0, static_cast<size_t>(Length - at));
  }

 private:
  const uint8_t* FData;
  size_t FSize;
  bool FEncoded;
  size_t FPos = 0;
  int32_t FRun = 0;
  uint8_t FRunValue = 0;
};

void ReadColorMap(const uint8_t* Raw, int32_t Count, std::vector<TRGB>& Palette) {
  Palette.resize(static_cast<size_t>(Count));
  for (int32_t i = 0; i < Count; ++i)
    Palette[static_cast<size_t>(i)] = TRGB{Raw[i * 3 + 2], Raw[i * 3 + 1], Raw[i * 3]};
}

}  // namespace

void IEDecodePCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, int64_t DataSize,
                 TIECodecProgress& Progress, bool Preview) {
  try {
    const int64_t start = Stream->Position();
    const int64_t streamSize = Stream->Size();
    uint8_t h[kHeaderSize];
    if (Stream->Read(h, kHeaderSize) != kHeaderSize || h[0] != 10 || h[3] > 8 || h[2] > 1) {
      IESetAborting(Progress);
      return;
    }
    const int32_t bits = h[3];
    const int32_t planes = h[65];
    const int32_t width = int32_t{LEWord(h + 8)} - LEWord(h + 4) + 1;
    const int32_t height = int32_t{LEWord(h + 10)} - LEWord(h + 6) + 1;
    const int32_t lineLength = LEWord(h + 66);
    int32_t dpiX = LEWord(h + 12);
    int32_t dpiY = LEWord(h + 14);
    if (dpiX == 0 || dpiY == 0) {
      dpiX = IEDefaultDpiX;
      dpiY = IEDefaultDpiY;
    }
    IOParams.SetDpiX(dpiX);
    IOParams.SetDpiY(dpiY);

    // The closing colour map, only where it lies inside the stream after
    // the header.
    std::vector<uint8_t> endMap(kMapSize, 0);
    if (planes == 1 && bits > 4) {
      const int64_t mapAt = start + DataSize - kMapSize;
      if (DataSize >= kHeaderSize + kMapSize && mapAt + kMapSize <= streamSize) {
        Stream->Seek(mapAt, soBeginning);
        Stream->Read(endMap.data(), kMapSize);
      }
      Stream->Seek(start + kHeaderSize, soBeginning);
    }

    IOParams.BitsPerSample = bits;
    IOParams.SamplesPerPixel = planes;
    IOParams.Width = width;
    IOParams.Height = height;
    IOParams.PCXVersion = h[1];
    IOParams.Palette.clear();
    enum class TLayout : uint8_t { Bits8, Bits4, Bits1, Planes3, Planes4, None } layout = TLayout::None;
    if (planes == 1 && bits == 8) {
      layout = TLayout::Bits8;
      ReadColorMap(endMap.data(), 256, IOParams.Palette);
    } else if (planes == 4 && bits == 1) {
      layout = TLayout::Planes4;
      ReadColorMap(h + 16, 16, IOParams.Palette);
      IOParams.BitsPerSample = 4;
      IOParams.SamplesPerPixel = 1;
    } else if (planes == 3 && bits == 8) {
      layout = TLayout::Planes3;
    } else if (bits < 8 && bits > 0) {
      ReadColorMap(h + 16, std::min(1 << bits, 16), IOParams.Palette);
      if (planes == 1 && bits == 4) layout = TLayout::Bits4;
      if (planes == 1 && bits == 1) layout = TLayout::Bits1;
    }
    if (width <= 0 || height <= 0 || layout == TLayout::None) {
      IESetAborting(Progress);
      return;
    }
    if (Preview) return;

    // The data after the header, bounded by the bytes the stream holds.
    const int64_t want = std::min(DataSize, streamSize - start) - kHeaderSize;
    std::vector<uint8_t> data(static_cast<size_t>(std::max<int64_t>(want, 0)));
    if (!data.empty())
      data.resize(static_cast<size_t>(std::max(Stream->Read(data.data(), static_cast<int32_t>(data.size())), 0)));
    TLineDecoder decoder(data.data(), data.size(), h[2] == 1);

    // Room for every pixel the width needs, whatever the line length says:
    // bytes past the line length stay 0.
    int32_t need = width;
    if (layout == TLayout::Bits1 || layout == TLayout::Planes4) need = (width + 7) / 8;
    if (layout == TLayout::Bits4) need = (width + 1) / 2;
    const int32_t room = std::max(lineLength, need);
    // A picture the data could never fill, even at the longest runs (two
    // bytes for 63), is refused before a few bytes allocate gigabytes.
    const int64_t linesPerRow = layout == TLayout::Planes3 ? 3 : layout == TLayout::Planes4 ? 4 : 1;
    const int64_t capacity =
        h[2] == 1 ? static_cast<int64_t>(data.size()) / 2 * 63 + 63 : static_cast<int64_t>(data.size());
    if (static_cast<int64_t>(height - 1) * linesPerRow * room >= capacity) {
      IESetAborting(Progress);
      return;
    }

    Bitmap->Allocate(width, height, layout == TLayout::Bits1 ? TIEPixelFormat::ie1g : TIEPixelFormat::ie24RGB);
    std::vector<uint8_t> lines(static_cast<size_t>(room) * 4, 0);
    uint8_t* line[4];
    for (int32_t p = 0; p < 4; ++p) line[p] = lines.data() + static_cast<size_t>(room) * p;

    TRGB headerMap[16];
    for (int32_t i = 0; i < 16; ++i) headerMap[i] = TRGB{h[16 + i * 3 + 2], h[16 + i * 3 + 1], h[16 + i * 3]};
    const TRGB* endColors = IOParams.Palette.data();

    IEProgressStart(Progress, height);
    for (int32_t y = 0; y < height; ++y) {
      if (IEProgressRow(Progress, y)) return;
      void* row = Bitmap->ScanLine(y);
      switch (layout) {
        case TLayout::Bits8: {
          decoder.Decode(line[0], lineLength);
          auto* d = static_cast<TRGB*>(row);
          for (int32_t x = 0; x < width; ++x) d[x] = endColors[line[0][x]];
          break;
        }
        case TLayout::Bits4: {
          decoder.Decode(line[0], lineLength);
          auto* d = static_cast<TRGB*>(row);
          for (int32_t x = 0; x < width; ++x) {
            const uint8_t b = line[0][x >> 1];
            d[x] = headerMap[(x & 1) ? (b & 15) : (b >> 4)];
          }
          break;
        }
        case TLayout::Bits1:
          decoder.Decode(line[0], lineLength);
          std::memcpy(row, line[0], static_cast<size_t>(need));
          break;
        case TLayout::Planes3: {
          for (int32_t p = 0; p < 3; ++p) decoder.Decode(line[p], lineLength);
          auto* d = static_cast<TRGB*>(row);
          for (int32_t x = 0; x < width; ++x) d[x] = TRGB{line[2][x], line[1][x], line[0][x]};
          break;
        }
        case TLayout::Planes4: {
          for (int32_t p = 0; p < 4; ++p) decoder.Decode(line[p], lineLength);
          auto* d = static_cast<TRGB*>(row);
          for (int32_t x = 0; x < width; ++x) {
            const int32_t byte = x >> 3;
            const int32_t shift = 7 - (x & 7);
            const int32_t index = ((line[0][byte] >> shift) & 1) | (((line[1][byte] >> shift) & 1) << 1) |
                                  (((line[2][byte] >> shift) & 1) << 2) | (((line[3][byte] >> shift) & 1) << 3);
            d[x] = headerMap[index];
          }
          break;
        }
        case TLayout::None: break;
      }
    }
  } catch (const std::exception&) {
    IESetAborting(Progress);
  }
}

namespace {

// Output gathered in memory and handed to the stream in large checked writes.
class TPCXOutput {
 public:
  TPCXOutput(TStream* Stream) : FStream(Stream) { FBuffer.reserve(1 << 16); }
  void Put(const uint8_t* Data, size_t Count) { FBuffer.insert(FBuffer.end(), Data, Data + Count); }
  void PutByte(uint8_t B) { FBuffer.push_back(B); }
  // Run-length codes Count bytes as one line; an odd count gets a literal 0.
  void PutEncodedLine(const uint8_t* Data, int32_t Count) {
    int32_t i = 0;
    while (i < Count) {
      const uint8_t b = Data[i];
      int32_t run = 1;
      while (run < 63 && i + run < Count && Data[i + run] == b) ++run;
      if (run > 1 || b >= 192) PutByte(static_cast<uint8_t>(192 + run));
      PutByte(b);
      i += run;
    }
    if (Count & 1) PutByte(0);
  }
  void PutLine(const uint8_t* Data, int32_t Count, int32_t LineLength, bool Encode) {
    if (Encode) {
      PutEncodedLine(Data, Count);
    } else {
      Put(Data, static_cast<size_t>(Count));
      FBuffer.insert(FBuffer.end(), static_cast<size_t>(LineLength - Count), 0);
    }
    if (FBuffer.size() >= (1u << 16)) Flush();
  }
  // False after a short write.
  bool Flush() {
    if (!FBuffer.empty() && !FAborting)
      IEStreamWriteChecked(FStream, FAborting, FBuffer.data(), static_cast<int32_t>(FBuffer.size()));
    FBuffer.clear();
    return !FAborting;
  }
  bool Aborting() const { return FAborting; }

 private:
  TStream* FStream;
  std::vector<uint8_t> FBuffer;
  bool FAborting = false;
};

}  // namespace

void IEEncodePCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress) {
  try {
    const int32_t width = Bitmap->Width();
    const int32_t height = Bitmap->Height();
    if (width <= 0 || height <= 0 || width > 65536 || height > 65536) {
      IESetAborting(Progress);
      return;
    }
    // Transparency is flattened onto white on a copy; the caller's image
    // stays as it is.
    std::unique_ptr<TIEBitmap> flattened;
    TIEBitmap* source = Bitmap;
    if (Bitmap->PixelFormat() == TIEPixelFormat::ie24RGB && Bitmap->HasAlphaChannel() && IEHasTransparency(Bitmap)) {
      flattened = std::make_unique<TIEBitmap>();
      flattened->Assign(Bitmap);
      IEMergeAlphaWithBackground(flattened.get(), 0xFFFFFF);
      source = flattened.get();
    }

    int32_t depth = IOParams.BitsPerSample == 1 ? 1 : IOParams.BitsPerSample * IOParams.SamplesPerPixel;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24) depth = 24;

    std::unique_ptr<TIEBitmap> owned;
    TIEBitmap* work = source;
    TRGB map[256] = {};
    if (depth == 1) {
      map[1] = TRGB{255, 255, 255};
      if (source->PixelFormat() != TIEPixelFormat::ie1g) {
        TRGB c1, c2;
        owned = TwoColorsTo1Bit(source, c1, c2);
        if (owned) {
          map[0] = c1;
          map[1] = c2;
        } else {
          owned = std::make_unique<TIEBitmap>();
          owned->Assign(source);
          owned->ConvertFormat(TIEPixelFormat::ie1g);
        }
        work = owned.get();
      }
    } else if (source->PixelFormat() != TIEPixelFormat::ie24RGB) {
      owned = std::make_unique<TIEBitmap>();
      owned->Assign(source);
      owned->ConvertFormat(TIEPixelFormat::ie24RGB);
      work = owned.get();
    }
    std::unique_ptr<TIEQuantizer> quantizer;
    if (depth == 4) quantizer = std::make_unique<TIEQuantizer>(work, map, 15, 16, -1, 0);
    if (depth == 8) quantizer = std::make_unique<TIEQuantizer>(work, map, 255, 256, -1, 0);

    int32_t count = width;  // data bytes per line
    if (depth == 1) count = (width + 7) / 8;
    if (depth == 4) count = (width + 1) / 2;
    const int32_t lineLength = count + (count & 1);
    const bool encode = IOParams.PCXCompression;

    uint8_t h[kHeaderSize] = {};
    h[0] = 10;
    h[1] = static_cast<uint8_t>(IOParams.PCXVersion);
    h[2] = encode ? 1 : 0;
    h[3] = static_cast<uint8_t>(depth == 24 ? 8 : depth);
    SetWord(h + 8, width - 1);
    SetWord(h + 10, height - 1);
    SetWord(h + 12, IOParams.DpiX);
    SetWord(h + 14, IOParams.DpiY);
    if (depth == 1 || depth == 4) {
      for (int32_t i = 0; i < 16; ++i) {
        h[16 + i * 3] = map[i].r;
        h[16 + i * 3 + 1] = map[i].g;
        h[16 + i * 3 + 2] = map[i].b;
      }
    }
    h[65] = depth == 24 ? 3 : 1;
    SetWord(h + 66, lineLength);
    SetWord(h + 68, depth == 24 ? 0 : 1);

    TPCXOutput out(Stream);
    out.Put(h, kHeaderSize);
    std::vector<uint8_t> line(static_cast<size_t>(width) * 3 + 2, 0);
    IEProgressStart(Progress, height);
    for (int32_t y = 0; y < height; ++y) {
      if (IEProgressRow(Progress, y)) return;
      const void* row = work->ScanLine(y);
      switch (depth) {
        case 1: out.PutLine(static_cast<const uint8_t*>(row), count, lineLength, encode); break;
        case 4: {
          const auto* s = static_cast<const TRGB*>(row);
          std::fill_n(line.begin(), count, 0);
          for (int32_t x = 0; x < width; ++x) {
            const auto index = static_cast<uint8_t>(quantizer->RGBIndex(s[x]) & 15);
            line[static_cast<size_t>(x >> 1)] |= (x & 1) ? index : static_cast<uint8_t>(index << 4);
          }
          out.PutLine(line.data(), count, lineLength, encode);
          break;
        }
        case 8: {
          const auto* s = static_cast<const TRGB*>(row);
          for (int32_t x = 0; x < width; ++x)
            line[static_cast<size_t>(x)] = static_cast<uint8_t>(quantizer->RGBIndex(s[x]));
          out.PutLine(line.data(), count, lineLength, encode);
          break;
        }
        default: {
          const auto* s = static_cast<const TRGB*>(row);
          uint8_t* r = line.data();
          uint8_t* g = r + width;
          uint8_t* b = g + width;
          for (int32_t x = 0; x < width; ++x) {
            r[x] = s[x].r;
            g[x] = s[x].g;
            b[x] = s[x].b;
          }
          // Each plane line is coded on its own.
          out.PutLine(r, count, lineLength, encode);
          out.PutLine(g, count, lineLength, encode);
          out.PutLine(b, count, lineLength, encode);
          break;
        }
      }
      if (out.Aborting()) break;
    }
    if (depth == 8 && !out.Aborting()) {
      out.PutByte(12);
      for (int32_t i = 0; i < 256; ++i) {
        out.PutByte(map[i].r);
        out.PutByte(map[i].g);
        out.PutByte(map[i].b);
      }
    }
    if (!out.Flush()) IESetAborting(Progress);
  } catch (const std::exception&) {
    IESetAborting(Progress);
  }
}

namespace {

// The page offsets of the table after the signature (the stream is at the
// table): up to the 0 entry, the stream's end or IEDCXMaxPages entries.
std::vector<int64_t> ReadDCXTable(TStream* Stream) {
  std::vector<int64_t> offsets;
  uint8_t raw[4];
  while (static_cast<int32_t>(offsets.size()) < IEDCXMaxPages && Stream->Read(raw, 4) == 4) {
    const uint32_t v = GetLE32(raw);
    if (v == 0) break;
    offsets.push_back(v);
  }
  return offsets;
}

bool ReadSignature(TStream* Stream) {
  uint8_t raw[4];
  if (Stream->Read(raw, 4) != 4) return false;
  const uint32_t v = GetLE32(raw);
  return v == IEDCXSignature;
}

// The size of page Index: up to the next larger offset of any page, or the end.
int64_t PageSize(const std::vector<int64_t>& Offsets, size_t Index, int64_t StreamSize) {
  int64_t end = StreamSize;
  for (const int64_t o : Offsets)
    if (o > Offsets[Index] && o < end) end = o;
  return end - Offsets[Index];
}

}  // namespace

bool IETestDCX(TStream* Stream) {
  const int64_t pos = Stream->Position();
  bool ok = false;
  try {
    if (ReadSignature(Stream)) {
      const int64_t size = Stream->Size();
      const std::vector<int64_t> offsets = ReadDCXTable(Stream);
      ok = std::all_of(offsets.begin(), offsets.end(), [&](int64_t o) { return o < size; });
    }
  } catch (const std::exception&) {
    ok = false;
  }
  Stream->Seek(pos, soBeginning);
  return ok;
}

int32_t IEDCXPageCount(TStream* Stream) {
  const int64_t pos = Stream->Position();
  Stream->Seek(4, soCurrent);
  const auto count = static_cast<int32_t>(ReadDCXTable(Stream).size());
  Stream->Seek(pos, soBeginning);
  return count;
}

void IEDecodeDCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress,
                 bool Preview) {
  try {
    if (!IETestDCX(Stream)) {
      IESetAborting(Progress);
      return;
    }
    Stream->Seek(4, soCurrent);
    const std::vector<int64_t> offsets = ReadDCXTable(Stream);
    if (offsets.empty()) {
      IESetAborting(Progress);
      return;
    }
    const int32_t index = std::clamp(IOParams.DCXImageIndex, 0, static_cast<int32_t>(offsets.size()) - 1);
    IOParams.SetImageIndex(index);
    const size_t i = static_cast<size_t>(index);
    Stream->Seek(offsets[i], soBeginning);
    IEDecodePCX(Stream, Bitmap, IOParams, PageSize(offsets, i, Stream->Size()), Progress, Preview);
  } catch (const std::exception&) {
    IESetAborting(Progress);
  }
}

void IEEncodeDCX(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIECodecProgress& Progress) {
  try {
    const int64_t size = Stream->Size();
    std::vector<int64_t> offsets;
    if (size > 0) {
      Stream->Seek(0, soBeginning);
      if (!IETestDCX(Stream)) {
        IESetAborting(Progress);
        return;
      }
      Stream->Seek(4, soBeginning);
      offsets = ReadDCXTable(Stream);
    }
    const int32_t pages = static_cast<int32_t>(offsets.size());
    if (pages >= IEDCXMaxPages) {  // no room for another entry
      IESetAborting(Progress);
      return;
    }
    const int32_t index = std::clamp(IOParams.DCXImageIndex, 0, pages);

    TMemoryStream built;
    std::vector<uint8_t> table(static_cast<size_t>(pages + 2) * 4 + 4, 0);
    const uint32_t sig = IEDCXSignature;
    for (int32_t b = 0; b < 4; ++b) table[static_cast<size_t>(b)] = static_cast<uint8_t>(sig >> (8 * b));
    built.WriteBuffer(table.data(), static_cast<int64_t>(table.size()));
    int32_t entry = 0;
    auto note = [&] {
      const auto at = static_cast<uint32_t>(built.Position());
      for (int32_t b = 0; b < 4; ++b)
        table[static_cast<size_t>(4 + entry * 4 + b)] = static_cast<uint8_t>(at >> (8 * b));
      ++entry;
    };
    std::vector<uint8_t> page;
    for (int32_t p = 0;; ++p) {
      if (p == index) {
        note();
        IEEncodePCX(&built, Bitmap, IOParams, Progress);
        if (IEAborting(Progress)) return;
      }
      if (p == pages) break;
      note();
      const size_t i = static_cast<size_t>(p);
      const int64_t n = std::max<int64_t>(PageSize(offsets, i, size), 0);
      page.resize(static_cast<size_t>(n));
      Stream->Seek(offsets[i], soBeginning);
      const int32_t got = n > 0 ? Stream->Read(page.data(), static_cast<int32_t>(n)) : 0;
      built.WriteBuffer(page.data(), std::max(got, 0));
    }
    built.Seek(0, soBeginning);
    built.WriteBuffer(table.data(), static_cast<int64_t>(table.size()));

    bool aborting = false;
    Stream->Seek(0, soBeginning);
    IEStreamWriteChecked(Stream, aborting, built.Memory(), static_cast<int32_t>(built.Size()));
    if (!aborting && Stream->Size() > built.Size()) Stream->SetSize(built.Size());
    if (aborting) IESetAborting(Progress);
  } catch (const std::exception&) {
    IESetAborting(Progress);
  }
}
