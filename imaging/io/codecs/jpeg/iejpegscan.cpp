// The byte scanners of the JPEG codec: start-of-image search, stream length,
// quantization-table quality estimate and ICC profile chunks. Each reads
// through a small read-ahead buffer, bounds every length by the data present
// and leaves the stream where it found it.
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "imaging/io/codecs/jpeg/iejpeg.h"
#include "imaging/io/contract/ieparams.h"
#include "imaging/model/containers/ieicc.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/streams.h"

namespace {

// Reads a stream forward through an 8,192-byte buffer; remembers where it
// started so that the caller can put the stream back.
class TByteScanner {
 public:
  explicit TByteScanner(TStream* Stream) : FStream(Stream), FStart(Stream->Position()) {}
  ~TByteScanner() { FStream->SetPosition(FStart); }
  TByteScanner(const TByteScanner&) = delete;
  TByteScanner& operator=(const TByteScanner&) = delete;

  // The next byte, or -1 at the end of the data.
  int32_t Next() {
    if (FIndex >= FValid && !Refill()) return -1;
    ++FConsumed;
    return FBuffer[FIndex++];
  }
  // A big-endian 16-bit value, or -1 when the data ends first.
  int32_t Next16() {
    const int32_t hi = Next();
    if (hi < 0) return -1;
    const int32_t lo = Next();
    if (lo < 0) return -1;
    return (hi << 8) | lo;
  }
  // Passes over Count bytes; false when the data ends first.
  bool Skip(int64_t Count) {
    while (Count > 0) {
      if (FIndex >= FValid && !Refill()) return false;
      const int64_t n = std::min<int64_t>(Count, FValid - FIndex);
      FIndex += static_cast<int32_t>(n);
      FConsumed += n;
      Count -= n;
    }
    return true;
  }
  // Copies Count bytes; false when the data ends first.
  bool ReadInto(uint8_t* Dest, int32_t Count) {
    while (Count > 0) {
      if (FIndex >= FValid && !Refill()) return false;
      const int32_t n = std::min(Count, FValid - FIndex);
      std::memcpy(Dest, FBuffer.data() + FIndex, static_cast<size_t>(n));
      Dest += n;
      FIndex += n;
      FConsumed += n;
      Count -= n;
    }
    return true;
  }
  // Bytes taken since the start.
  int64_t Consumed() const { return FConsumed; }

 private:
  bool Refill() {
    if (FEnd) return false;
    FIndex = 0;
    FValid = std::max(FStream->Read(FBuffer.data(), static_cast<int32_t>(FBuffer.size())), 0);
    if (FValid == 0) FEnd = true;
    return FValid > 0;
  }

  TStream* FStream;
  int64_t FStart;
  std::array<uint8_t, 8192> FBuffer{};
  int32_t FIndex = 0;
  int32_t FValid = 0;
  int64_t FConsumed = 0;
  bool FEnd = false;
};

// Markers that carry a length and are passed over by it: SOFn, DHT, JPG,
// DAC (C0..CF) and DA..FE. DB (DQT) is among them for the length scan.
bool IsSegmentWithLength(int32_t m) { return (m >= 0xC0 && m <= 0xCF) || (m >= 0xDA && m <= 0xFE); }

// Passes over a segment by its length field; a length below 2 counts as 2.
bool SkipSegment(TByteScanner& Scan) {
  const int32_t length = Scan.Next16();
  if (length < 0) return false;
  return Scan.Skip(std::max(length - 2, 0));
}

// The quantization tables of the JPEG standard (Annex K.1 luminance, K.2
// chrominance) in natural order, and the zigzag order the file uses.
constexpr std::array<int32_t, 64> kStdLuminance = {
    16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
    69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
    81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};
constexpr std::array<int32_t, 64> kStdChrominance = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                                     24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                                     99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
// Natural-order index of the k-th coefficient in zigzag order.
constexpr std::array<int32_t, 64> kZigzag = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

int32_t TableQuality(const std::array<int32_t, 64>& Entries, const std::array<int32_t, 64>& Standard) {
  double sum = 0;
  bool allOnes = true;
  for (int32_t k = 0; k < 64; ++k) {
    if (Entries[k] != 1) allOnes = false;
    sum += Entries[k] * 100.0 / Standard[kZigzag[k]];
  }
  if (allOnes) return 100;
  const double m = sum / 64.0;
  const double q = m > 100 ? 5000.0 / m : (200.0 - m) / 2.0;
  return static_cast<int32_t>(Round(q));
}

constexpr int32_t kMaxQualities = 15;
constexpr uint8_t kICCSignature[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};

}  // namespace

int64_t IEFindJPEGStart(TStream* Stream) {
  const int64_t start = Stream->Position();
  uint8_t buf[102];
  int32_t n = 0;
  for (;;) {  // a stream may deliver less than asked at a time
    const int32_t got = Stream->Read(buf + n, static_cast<int32_t>(sizeof(buf)) - n);
    if (got <= 0) break;
    n += got;
    if (n == static_cast<int32_t>(sizeof(buf))) break;
  }
  Stream->SetPosition(start);
  for (int32_t i = 0; i + 2 < n && i < 100; ++i)
    if (buf[i] == 0xFF && buf[i + 1] == 0xD8 && buf[i + 2] == 0xFF) return start + i;
  return -1;
}

int64_t IEJPEGStreamLength(TStream* Stream) {
  TByteScanner scan(Stream);
  for (;;) {
    int32_t b = scan.Next();
    if (b < 0) break;
    if (b != 0xFF) continue;
    const int32_t m = scan.Next();
    if (m < 0 || m == 0xD9) break;
    if (IsSegmentWithLength(m) && !SkipSegment(scan)) break;
  }
  return scan.Consumed();
}

int32_t IEJPEGTableQualities(TStream* Stream, std::vector<int32_t>& Qualities) {
  Qualities.clear();
  TByteScanner scan(Stream);
  for (;;) {
    const int32_t b = scan.Next();
    if (b < 0) break;
    if (b != 0xFF) continue;
    const int32_t m = scan.Next();
    if (m < 0 || m == 0xD9) break;
    if (m == 0xDB) {
      int32_t left = scan.Next16();
      if (left < 2) break;
      left -= 2;
      while (left > 0 && static_cast<int32_t>(Qualities.size()) < kMaxQualities) {
        const int32_t pq = scan.Next();
        if (pq < 0) break;
        --left;
        const bool wide = (pq >> 4) != 0;
        const int32_t bytes = wide ? 128 : 64;
        if (left < bytes) break;  // the table does not fit the segment
        std::array<int32_t, 64> entries{};
        bool complete = true;
        for (int32_t k = 0; k < 64 && complete; ++k) {
          const int32_t v = wide ? scan.Next16() : scan.Next();
          if (v < 0) complete = false;
          entries[k] = v;
        }
        if (!complete) break;
        left -= bytes;
        const int32_t table = pq & 0x0F;
        if (table == 0) Qualities.push_back(TableQuality(entries, kStdLuminance));
        if (table == 1) Qualities.push_back(TableQuality(entries, kStdChrominance));
      }
      break;  // only the first DQT segment counts
    }
    if (IsSegmentWithLength(m) && !SkipSegment(scan)) break;
  }
  return static_cast<int32_t>(Qualities.size());
}

void IEReadJPEGICCProfile(TStream* Stream, TIOParamsVals& Params) {
  // Chunks by sequence number; the count of the first valid chunk rules.
  std::map<int32_t, std::vector<uint8_t>> chunks;
  int32_t count = 0;
  {
    TByteScanner scan(Stream);
    std::vector<uint8_t> data;
    for (;;) {
      const int32_t b = scan.Next();
      if (b < 0) break;
      if (b != 0xFF) continue;
      const int32_t m = scan.Next();
      if (m < 0 || m == 0xD9) break;
      if (m != 0xE2) {
        if (IsSegmentWithLength(m) && !SkipSegment(scan)) break;
        continue;
      }
      const int32_t length = scan.Next16();
      if (length < 2) break;
      data.resize(static_cast<size_t>(length - 2));
      if (!scan.ReadInto(data.data(), length - 2)) break;
      if (data.size() < 14 || std::memcmp(data.data(), kICCSignature, 12) != 0) continue;
      const int32_t seq = data[12], total = data[13];
      if (total == 0 || seq < 1 || seq > total) continue;
      if (count == 0) count = total;
      if (total != count || chunks.count(seq) != 0) continue;
      chunks.emplace(seq, std::vector<uint8_t>(data.begin() + 14, data.end()));
      if (static_cast<int32_t>(chunks.size()) == count) break;
    }
  }
  // A profile with chunks missing would be corrupt: nothing is loaded then.
  if (count == 0 || static_cast<int32_t>(chunks.size()) != count) return;
  // At most 255 chunks of at most 65,519 bytes: the total fits 32 bits.
  std::vector<uint8_t> joined;
  for (const auto& [seq, payload] : chunks) joined.insert(joined.end(), payload.begin(), payload.end());
  if (joined.empty()) return;
  Params.GetInputICC()->LoadFromBuffer(joined.data(), static_cast<int32_t>(joined.size()));
}
