// Helpers of the JPEG codec's tests: encode and decode through memory
// streams, walk and splice segments, and make small pictures.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/contract/iecodec.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "platform/rtl/streams.h"

namespace jpegtest {

using Bytes = std::vector<uint8_t>;

// A picture whose colours vary along both axes (and a red, green, blue
// stripe pattern in the top rows), ie24RGB.
inline void MakePicture(TIEBitmap& Bitmap, int32_t Width, int32_t Height) {
  Bitmap.Allocate(Width, Height, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < Height; ++y) {
    auto* row = static_cast<uint8_t*>(Bitmap.ScanLine(y));
    for (int32_t x = 0; x < Width; ++x) {
      row[x * 3 + 0] = static_cast<uint8_t>(x * 255 / (Width > 1 ? Width - 1 : 1));    // blue
      row[x * 3 + 1] = static_cast<uint8_t>(y * 255 / (Height > 1 ? Height - 1 : 1));  // green
      row[x * 3 + 2] = static_cast<uint8_t>(255 - x * 128 / (Width > 1 ? Width : 1));  // red
    }
  }
}

// One colour everywhere (TRGB order: blue, green, red).
inline void MakeFlat(TIEBitmap& Bitmap, int32_t Width, int32_t Height, uint8_t R, uint8_t G, uint8_t B) {
  Bitmap.Allocate(Width, Height, TIEPixelFormat::ie24RGB);
  for (int32_t y = 0; y < Height; ++y) {
    auto* row = static_cast<uint8_t*>(Bitmap.ScanLine(y));
    for (int32_t x = 0; x < Width; ++x) {
      row[x * 3 + 0] = B;
      row[x * 3 + 1] = G;
      row[x * 3 + 2] = R;
    }
  }
}

inline Bytes StreamBytes(TMemoryStream& Stream) {
  const auto* p = static_cast<const uint8_t*>(Stream.Memory());
  return Bytes(p, p + Stream.Size());
}

struct TEncodeResult {
  Bytes Data;
  bool Aborted = false;
};

// Writes Bitmap with the record's choices; Setup adjusts a fresh record.
inline TEncodeResult Encode(TIEBitmap& Bitmap, const std::function<void(TIOParamsVals&)>& Setup = nullptr) {
  TIOParamsVals params;
  params.JPEGQuality = 90;
  if (Setup) Setup(params);
  TMemoryStream stream;
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEEncodeJPEG(&stream, &Bitmap, params, progress);
  return TEncodeResult{StreamBytes(stream), abort.load()};
}

struct TDecodeOptions {
  bool ParamsOnly = false;
  bool KeepYCbCr = false;
  bool ReadMetadata = true;
  bool InvertCMYK = false;
  const Bytes* Tables = nullptr;
  int64_t Position = 0;  // where the read starts in Data
};

// Reads Data into Bitmap and Params; answers the abort flag.
inline bool Decode(const Bytes& Data, TIEBitmap& Bitmap, TIOParamsVals& Params,
                   const TDecodeOptions& Options = TDecodeOptions()) {
  TCustomMemoryStream stream;
  stream.SetPointer(Data.data(), static_cast<int64_t>(Data.size()));
  stream.SetPosition(Options.Position);
  TCustomMemoryStream tables;
  if (Options.Tables != nullptr)
    tables.SetPointer(Options.Tables->data(), static_cast<int64_t>(Options.Tables->size()));
  std::atomic<bool> abort{false};
  TIECodecProgress progress;
  progress.AbortFlag = &abort;
  IEDecodeJPEG(&stream, Options.Tables != nullptr ? &tables : nullptr, &Bitmap, Params, progress, Options.ParamsOnly,
               Options.KeepYCbCr, Options.ReadMetadata, Options.InvertCMYK, true);
  return abort.load();
}

// One marker segment of a file, up to the first SOS.
struct TSegment {
  uint8_t Marker = 0;
  size_t Offset = 0;  // of the FF byte
  size_t Length = 0;  // the whole segment: FF, marker, length field and payload
};

inline std::vector<TSegment> Segments(const Bytes& Data) {
  std::vector<TSegment> out;
  size_t p = 2;  // after SOI
  while (p + 4 <= Data.size() && Data[p] == 0xFF) {
    TSegment s;
    s.Marker = Data[p + 1];
    s.Offset = p;
    s.Length = 2 + (static_cast<size_t>(Data[p + 2]) << 8 | Data[p + 3]);
    out.push_back(s);
    if (s.Marker == 0xDA) break;
    p += s.Length;
  }
  return out;
}

inline Bytes PayloadOf(const Bytes& Data, const TSegment& S) {
  return Bytes(Data.begin() + static_cast<ptrdiff_t>(S.Offset + 4),
               Data.begin() + static_cast<ptrdiff_t>(S.Offset + S.Length));
}

// A segment of Marker with Payload.
inline Bytes Segment(uint8_t Marker, const Bytes& Payload) {
  Bytes s{0xFF, Marker, static_cast<uint8_t>((Payload.size() + 2) >> 8), static_cast<uint8_t>(Payload.size() + 2)};
  s.insert(s.end(), Payload.begin(), Payload.end());
  return s;
}

inline Bytes Join(std::initializer_list<Bytes> Parts) {
  Bytes out;
  for (const auto& p : Parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline Bytes Text(const std::string& S) { return Bytes(S.begin(), S.end()); }

// Data with Insert placed right after SOI (or at Offset).
inline Bytes InsertAt(const Bytes& Data, size_t Offset, const Bytes& Insert) {
  Bytes out(Data.begin(), Data.begin() + static_cast<ptrdiff_t>(Offset));
  out.insert(out.end(), Insert.begin(), Insert.end());
  out.insert(out.end(), Data.begin() + static_cast<ptrdiff_t>(Offset), Data.end());
  return out;
}

// Data without the segments of Marker before SOS.
inline Bytes RemoveSegments(const Bytes& Data, uint8_t Marker) {
  Bytes out = Data;
  auto segs = Segments(Data);
  for (auto it = segs.rbegin(); it != segs.rend(); ++it)
    if (it->Marker == Marker)
      out.erase(out.begin() + static_cast<ptrdiff_t>(it->Offset),
                out.begin() + static_cast<ptrdiff_t>(it->Offset + it->Length));
  return out;
}

// The largest difference of one channel between two ie24RGB bitmaps of the
// same size; -1 when their shapes differ.
inline int32_t MaxDifference(TIEBitmap& A, TIEBitmap& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height() || A.PixelFormat() != B.PixelFormat()) return -1;
  const int32_t n = A.Width() * IEBitsPerPixel(A.PixelFormat()) / 8;
  int32_t worst = 0;
  for (int32_t y = 0; y < A.Height(); ++y) {
    const auto* a = static_cast<const uint8_t*>(A.ScanLine(y));
    const auto* b = static_cast<const uint8_t*>(B.ScanLine(y));
    for (int32_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(int32_t{a[i]} - int32_t{b[i]}));
  }
  return worst;
}

}  // namespace jpegtest
