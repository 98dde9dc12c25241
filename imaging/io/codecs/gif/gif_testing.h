// Helpers of the GIF codec's tests: a builder of GIF files block by block
// and read/write runs through memory streams.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/codecs/gif/iegif.h"
#include "imaging/io/codecs/gif/lzw/iegiflzw.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/io/core/ieformats.h"
#include "imaging/model/containers/iemask.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace giftest {

using Bytes = std::vector<uint8_t>;

struct TRgb3 {
  uint8_t r, g, b;
};

// Appends GIF blocks in the order they are called.
class TGifBuilder {
 public:
  TGifBuilder(int32_t Width, int32_t Height, const std::vector<TRgb3>& GlobalTable, const char* Version = "GIF89a",
              uint8_t Background = 0) {
    Put(Version, 6);
    Word(Width);
    Word(Height);
    uint8_t packed = 0;
    if (!GlobalTable.empty()) packed = static_cast<uint8_t>(0x80 | (TableBits(GlobalTable) - 1));
    FData.push_back(packed);
    FData.push_back(Background);
    FData.push_back(0);
    Table(GlobalTable);
  }
  TGifBuilder& Control(uint8_t Flags, int32_t Delay, uint8_t TransIndex) {
    const uint8_t b[] = {0x21,       0xF9, 4, Flags, static_cast<uint8_t>(Delay), static_cast<uint8_t>(Delay >> 8),
                         TransIndex, 0};
    Put(b, sizeof b);
    return *this;
  }
  TGifBuilder& Comment(const std::vector<std::string>& SubBlocks) {
    FData.push_back(0x21);
    FData.push_back(0xFE);
    for (const auto& s : SubBlocks) {
      FData.push_back(static_cast<uint8_t>(s.size()));
      Put(s.data(), s.size());
    }
    FData.push_back(0);
    return *this;
  }
  // An image with its indexes (rows from the top) coded by our LZW coder.
  TGifBuilder& Image(int32_t Left, int32_t Top, int32_t Width, int32_t Height, const Bytes& Indexes,
                     bool Interlaced = false, const std::vector<TRgb3>& LocalTable = {}, int32_t CodeBits = 8) {
    FData.push_back(0x2C);
    Word(Left);
    Word(Top);
    Word(Width);
    Word(Height);
    uint8_t packed = Interlaced ? 0x40 : 0;
    if (!LocalTable.empty()) packed = static_cast<uint8_t>(packed | 0x80 | (TableBits(LocalTable) - 1));
    FData.push_back(packed);
    Table(LocalTable);
    TMemoryStream s;
    IEGIFLZWEncode(&s, Height, Width, Interlaced, Indexes.data(), CodeBits);
    Put(s.Memory(), static_cast<size_t>(s.Size()));
    return *this;
  }
  TGifBuilder& Raw(const Bytes& B) {
    FData.insert(FData.end(), B.begin(), B.end());
    return *this;
  }
  Bytes Done() {
    FData.push_back(0x3B);
    return FData;
  }
  Bytes Current() const { return FData; }

 private:
  static int32_t TableBits(const std::vector<TRgb3>& T) {
    int32_t bits = 1;
    while ((size_t{1} << bits) < T.size()) ++bits;
    return bits;
  }
  void Table(const std::vector<TRgb3>& T) {
    if (T.empty()) return;
    const size_t n = size_t{1} << TableBits(T);
    for (size_t i = 0; i < n; ++i) {
      const TRgb3 c = i < T.size() ? T[i] : TRgb3{0, 0, 0};
      FData.push_back(c.r);
      FData.push_back(c.g);
      FData.push_back(c.b);
    }
  }
  void Put(const void* P, size_t N) {
    const auto* b = static_cast<const uint8_t*>(P);
    FData.insert(FData.end(), b, b + N);
  }
  void Word(int32_t V) {
    FData.push_back(static_cast<uint8_t>(V));
    FData.push_back(static_cast<uint8_t>(V >> 8));
  }
  Bytes FData;
};

struct TReadResult {
  bool Aborted = false;
  int32_t FrameCount = -1;
  std::unique_ptr<TIEMask> Mask;
};

inline TReadResult ReadGif(const Bytes& Data, TIEBitmap& Bitmap, TIOParamsVals& Params, bool Preview = false,
                           bool NoMask = false) {
  IEInitImageIO();
  TCustomMemoryStream s;
  s.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  TReadResult r;
  IEDecodeGIF(&s, &Bitmap, r.FrameCount, Params, progress, Preview, r.Mask, NoMask);
  r.Aborted = abort.load();
  return r;
}

inline Bytes WriteGif(TIEBitmap& Bitmap, TIOParamsVals& Params, bool* Aborted = nullptr) {
  IEInitImageIO();
  TMemoryStream s;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeGIF(&s, &Bitmap, Params, progress);
  if (Aborted) *Aborted = abort.load();
  const auto* p = static_cast<const uint8_t*>(s.Memory());
  return Bytes(p, p + s.Size());
}

// The reader in the registry's shape (the mask is dropped).
inline void ReadGifForSuite(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIECodecProgress& Progress,
                            bool Preview) {
  IEInitImageIO();
  int32_t frames = 0;
  std::unique_ptr<TIEMask> mask;
  IEDecodeGIF(Stream, Bitmap, frames, Params, Progress, Preview, mask, false);
}

}  // namespace giftest
