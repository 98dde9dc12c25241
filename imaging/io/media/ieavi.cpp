#include "imaging/io/media/ieavi.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/pixels/iedib.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr uint32_t FourCC(const char (&C)[5]) { return IEFourCC(C); }

constexpr int64_t kMaxFrameBytes = int64_t(1) << 31;
// Chunks are padded to even sizes.
int64_t Padded(uint32_t Size) { return int64_t(Size) + (Size & 1); }

bool IsMJPEG(uint32_t Compression) { return Compression == FourCC("MJPG") || Compression == FourCC("mjpg"); }

}  // namespace

TIEAVIReader::TIEAVIReader() = default;
TIEAVIReader::~TIEAVIReader() = default;

void TIEAVIReader::Close() {
  FStream.reset();
  FFileSize = 0;
  FRate = FScale = FLength = 0;
  FStreamNumber = -1;
  FCompression = 0;
  FFormat.clear();
  FMoviStart = FMoviEnd = -1;
  FFrames.clear();
}

bool TIEAVIReader::ReadAt(int64_t Offset, void* Buffer, int64_t Count) {
  if (Offset < 0 || Count < 0 || Offset > FFileSize || Count > FFileSize - Offset) return false;
  FStream->SetPosition(Offset);
  auto* p = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    const int32_t n = FStream->Read(p, int32_t(std::min<int64_t>(Count, 1 << 30)));
    if (n <= 0) return false;
    p += n;
    Count -= n;
  }
  return true;
}

bool TIEAVIReader::Open(const String& FileName) {
  Close();
  try {
    FStream = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
    FFileSize = FStream->Size();
    uint8_t h[12];
    if (!ReadAt(0, h, 12) || GetLE32(h) != FourCC("RIFF") || GetLE32(h + 8) != FourCC("AVI ")) {
      Close();
      return false;
    }
    const int64_t riffEnd = std::min<int64_t>(FFileSize, 8 + int64_t(GetLE32(h + 4)));
    int64_t at = 12;
    int64_t idx1 = -1, idx1End = -1;
    bool haveHeader = false;
    while (at + 8 <= riffEnd) {
      uint8_t c[12];
      if (!ReadAt(at, c, 8)) break;
      const uint32_t id = GetLE32(c);
      const uint32_t size = GetLE32(c + 4);
      const int64_t end = std::min<int64_t>(riffEnd, at + 8 + int64_t(size));
      if (id == FourCC("LIST") && end - at >= 12 && ReadAt(at + 8, c + 8, 4)) {
        const uint32_t type = GetLE32(c + 8);
        if (type == FourCC("hdrl") && !haveHeader) {
          haveHeader = ParseHeaderList(at + 12, end);
          if (!haveHeader) break;
        } else if (type == FourCC("movi") && FMoviStart < 0) {
          FMoviStart = at + 8;
          FMoviEnd = end;
        }
      } else if (id == FourCC("idx1") && idx1 < 0) {
        idx1 = at + 8;
        idx1End = end;
      }
      at += 8 + Padded(size);
    }
    if (!haveHeader || FMoviStart < 0) {
      Close();
      return false;
    }
    if (idx1 < 0 || !IndexFromIdx1(idx1, idx1End)) {
      FFrames.clear();
      IndexFromMovi(FMoviStart + 4, FMoviEnd, 0);
    }
    return true;
  } catch (...) {
    Close();
    return false;
  }
}

bool TIEAVIReader::ParseHeaderList(int64_t Start, int64_t End) {
  int32_t streamNumber = 0;
  for (int64_t at = Start; at + 12 <= End;) {
    uint8_t c[12];
    if (!ReadAt(at, c, 12)) return false;
    const uint32_t size = GetLE32(c + 4);
    const int64_t end = std::min<int64_t>(End, at + 8 + int64_t(size));
    if (GetLE32(c) == FourCC("LIST") && GetLE32(c + 8) == FourCC("strl")) {
      // strh then strf inside the stream list.
      uint8_t strh[36] = {};
      bool video = false;
      std::vector<uint8_t> format;
      for (int64_t s = at + 12; s + 8 <= end;) {
        uint8_t d[8];
        if (!ReadAt(s, d, 8)) return false;
        const uint32_t sz = GetLE32(d + 4);
        if (int64_t(sz) > end - s - 8) break;
        if (GetLE32(d) == FourCC("strh") && sz >= 36) {
          if (!ReadAt(s + 8, strh, 36)) return false;
          video = GetLE32(strh) == FourCC("vids");
        } else if (GetLE32(d) == FourCC("strf") && video && sz >= 40) {
          format.resize(sz);
          if (!ReadAt(s + 8, format.data(), sz)) return false;
        }
        s += 8 + Padded(sz);
      }
      if (video && !format.empty()) {
        FScale = GetLE32(strh + 20);
        FRate = GetLE32(strh + 24);
        FLength = GetLE32(strh + 32);
        FStreamNumber = streamNumber;
        FFormat = std::move(format);
        FCompression = GetLE32(FFormat.data() + 16);
        BITMAPINFOHEADER bih{};
        std::memcpy(&bih, FFormat.data(), std::min<size_t>(sizeof bih, FFormat.size()));
        // Keep the header, bit-field masks and colour table only: some
        // writers append codec data that is not part of a DIB.
        const uint32_t headerSize = std::clamp<uint32_t>(GetLE32(FFormat.data()), 40, uint32_t(FFormat.size()));
        const int32_t bitCount = GetLE16(FFormat.data() + 14);
        const uint32_t used = GetLE32(FFormat.data() + 32);
        size_t keep = headerSize;
        if (FCompression == 3 && headerSize == 40) keep += 12;
        if (used > 0)
          keep += size_t(std::min<uint32_t>(used, 256)) * 4;
        else if (FCompression == 0 && bitCount >= 1 && bitCount <= 8)
          keep += (size_t(1) << bitCount) * 4;
        if (keep > FFormat.size()) {
          // A colour table shorter than it says: pad it with black.
          FFormat.resize(keep, 0);
        }
        FFormat.resize(keep);
        const int64_t w = int32_t(GetLE32(FFormat.data() + 4));
        const int64_t hgt = std::abs(int64_t(int32_t(GetLE32(FFormat.data() + 8))));
        const int64_t bits = std::max<int64_t>(GetLE16(FFormat.data() + 14), 1);
        // Each factor is below 2^31, so w * hgt fits; the depth divides the bound.
        if (w <= 0 || hgt <= 0 || w * hgt > kMaxFrameBytes * 8 / std::max<int64_t>(bits, 24)) return false;
        return IsMJPEG(FCompression) || IEDIBIsDecodable(bih);
      }
      ++streamNumber;
    }
    at += 8 + Padded(size);
  }
  return false;
}

bool TIEAVIReader::IsFrameId(uint32_t Id) const {
  // "NNdb" (uncompressed) or "NNdc" (compressed), NN the stream number.
  const uint8_t c[4] = {uint8_t(Id), uint8_t(Id >> 8), uint8_t(Id >> 16), uint8_t(Id >> 24)};
  return c[0] == '0' + FStreamNumber / 10 % 10 && c[1] == '0' + FStreamNumber % 10 && c[2] == 'd' &&
         (c[3] == 'b' || c[3] == 'c');
}

bool TIEAVIReader::IndexFromIdx1(int64_t Start, int64_t End) {
  const int64_t entries = (End - Start) / 16;
  if (entries <= 0) return false;
  // Offsets count from the 'movi' list type or from the file's start; the
  // first frame entry decides which.
  int64_t base = -1;
  std::vector<uint8_t> block;
  constexpr int64_t kBatch = 4096;
  for (int64_t first = 0; first < entries; first += kBatch) {
    const int64_t n = std::min(kBatch, entries - first);
    block.resize(size_t(n * 16));
    if (!ReadAt(Start + first * 16, block.data(), n * 16)) return false;
    for (int64_t i = 0; i < n; ++i) {
      const uint8_t* e = block.data() + i * 16;
      const uint32_t id = GetLE32(e);
      if (!IsFrameId(id)) continue;
      const int64_t offset = GetLE32(e + 8);
      const uint32_t size = GetLE32(e + 12);
      if (base < 0) {
        uint8_t probe[4];
        if (ReadAt(FMoviStart + offset, probe, 4) && GetLE32(probe) == id)
          base = FMoviStart;
        else if (ReadAt(offset, probe, 4) && GetLE32(probe) == id)
          base = 0;
        else
          return false;
      }
      const int64_t data = base + offset + 8;
      if (data > FFileSize || int64_t(size) > FFileSize - data) continue;
      FFrames.push_back({data, size});
    }
  }
  return !FFrames.empty();
}

void TIEAVIReader::IndexFromMovi(int64_t Start, int64_t End, int Depth) {
  for (int64_t at = Start; at + 8 <= End;) {
    uint8_t c[12];
    if (!ReadAt(at, c, 8)) return;
    const uint32_t id = GetLE32(c);
    const uint32_t size = GetLE32(c + 4);
    if (int64_t(size) > End - at - 8) return;
    if (id == FourCC("LIST")) {
      if (Depth < 4 && size >= 4) IndexFromMovi(at + 12, at + 8 + size, Depth + 1);
    } else if (IsFrameId(id)) {
      FFrames.push_back({at + 8, size});
    }
    at += 8 + Padded(size);
  }
}

bool TIEAVIReader::GetFrame(uint32_t Index, std::vector<uint8_t>& Dib) {
  Dib.clear();
  if (!IsOpen() || Index >= FFrames.size()) return false;
  // A dropped frame shows the one before it.
  int64_t i = Index;
  while (i >= 0 && FFrames[size_t(i)].Size == 0) --i;
  if (i < 0) return false;
  const TChunk& chunk = FFrames[size_t(i)];
  try {
    std::vector<uint8_t> data(chunk.Size);
    if (!ReadAt(chunk.Offset, data.data(), chunk.Size)) return false;
    if (IsMJPEG(FCompression)) {
      TMemoryStream jpeg;
      jpeg.WriteBuffer(data.data(), int64_t(data.size()));
      jpeg.SetPosition(0);
      TIEBitmap bitmap;
      TIOParamsVals params;
      std::atomic<bool> abort{false};
      TIECodecProgress progress;
      progress.AbortFlag = &abort;
      IEDecodeJPEG(&jpeg, nullptr, &bitmap, params, progress, false, false, false, false, false);
      if (abort || bitmap.IsEmpty()) return false;
      if (bitmap.PixelFormat() != TIEPixelFormat::ie24RGB) bitmap.SetPixelFormat(TIEPixelFormat::ie24RGB);
      Dib = IEBitmapToDIB(&bitmap);
      return true;
    }
    // Stored layouts: the stream's header and colour table, then the frame.
    Dib.reserve(FFormat.size() + data.size());
    Dib = FFormat;
    Dib.insert(Dib.end(), data.begin(), data.end());
    return true;
  } catch (...) {
    Dib.clear();
    return false;
  }
}
