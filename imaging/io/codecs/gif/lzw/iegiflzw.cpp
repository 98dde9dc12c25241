#include "imaging/io/codecs/gif/lzw/iegiflzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/streams.h"

namespace {

constexpr int32_t kMaxCodes = 4096;
constexpr int32_t kMaxWidth = 12;

// Gathers the sub-blocks that follow the stream's position into Data (with
// four zero bytes of slack for the bit reader) and leaves the stream just
// after the terminator, or at the end when the data is cut. Reads in large
// pieces: sub-blocks are at most 255 bytes, and a read per block is a
// system call on a file stream.
void GatherSubBlocks(TStream* Stream, std::vector<uint8_t>& Data) {
  const int64_t start = Stream->Position();
  std::vector<uint8_t> chunk(65536);
  int32_t have = 0;
  int32_t at = 0;
  int64_t consumed = 0;
  auto refill = [&] {
    have = Stream->Read(chunk.data(), static_cast<int32_t>(chunk.size()));
    at = 0;
    return have > 0;
  };
  for (;;) {
    if (at == have && !refill()) break;
    int32_t len = chunk[static_cast<size_t>(at++)];
    ++consumed;
    if (len == 0) break;
    bool cut = false;
    while (len > 0) {
      if (at == have && !refill()) {
        cut = true;
        break;
      }
      const int32_t n = std::min(len, have - at);
      Data.insert(Data.end(), chunk.begin() + at, chunk.begin() + at + n);
      at += n;
      len -= n;
      consumed += n;
    }
    if (cut) break;
  }
  Stream->Seek(start + consumed, soBeginning);
  Data.insert(Data.end(), 4, 0);
}

// Where decoded bytes go: rows top to bottom, or the four interlace passes
// (rows 0, 8, ..; 4, 12, ..; 2, 6, ..; 1, 3, ..), after which rows start
// again at 0 one by one. Bytes for rows past the image are dropped; once no
// further row can be reached the writer is Done.
class TRowWriter {
 public:
  TRowWriter(uint8_t* Data, int32_t Width, int32_t Height, bool Interlaced)
      : FData(Data), FWidth(Width), FHeight(Height), FInterlaced(Interlaced) {
    FDone = Data == nullptr || Width <= 0 || Height <= 0;
    FRow = FData;
  }
  bool Done() const { return FDone; }

  // Writes Stack[Depth - 1] down to Stack[0] (a string pushed last byte first).
  void Put(const uint8_t* Stack, int32_t Depth) {
    while (Depth > 0 && !FDone) {
      const int32_t n = std::min(Depth, FWidth - FCol);
      uint8_t* p = FRow + FCol;
      const uint8_t* s = Stack + Depth - 1;
      for (int32_t i = 0; i < n; ++i) p[i] = *(s - i);
      Depth -= n;
      FCol += n;
      if (FCol == FWidth) NextRow();
    }
  }

 private:
  void NextRow() {
    FCol = 0;
    if (!FInterlaced) {
      ++FRowIndex;
    } else {
      FRowIndex += FStep;
      while (FRowIndex >= FHeight) {
        if (FPass > 0) FStep /= 2;
        ++FPass;
        FRowIndex = FStep / 2;
      }
      // A fifth pass would only rewrite row 0 again and again.
      if (FStep == 0) FDone = true;
    }
    if (FRowIndex >= FHeight) FDone = true;
    if (!FDone) FRow = FData + static_cast<int64_t>(FRowIndex) * FWidth;
  }

  uint8_t* FData;
  uint8_t* FRow;
  int32_t FWidth;
  int32_t FHeight;
  bool FInterlaced;
  bool FDone = false;
  int32_t FRowIndex = 0;
  int32_t FCol = 0;
  int32_t FPass = 0;
  int32_t FStep = 8;
};

}  // namespace

void IEGIFLZWDecode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, uint8_t* Data) {
  const int64_t p0 = Stream->Position();
  uint8_t sizeByte = 0;
  if (Stream->Read(&sizeByte, 1) != 1) return;  // nothing there: the position did not move
  const int32_t s = sizeByte;
  if (s < 2 || s > 9) {
    Stream->Seek(p0, soBeginning);
    return;
  }

  std::vector<uint8_t> data;
  GatherSubBlocks(Stream, data);
  const int64_t total = static_cast<int64_t>(data.size()) - 4;
  if (total <= 0) {
    // No image data at all is a failure, not a blank frame.
    Stream->Seek(p0, soBeginning);
    return;
  }
  const int64_t totalBits = total * 8;
  const uint8_t* bytes = data.data();

  const int32_t clearCode = 1 << s;
  const int32_t endCode = clearCode + 1;
  const int32_t highestLiteral = clearCode - 1;
  int32_t width = s + 1;
  int32_t next = endCode + 1;
  int32_t limit = 1 << width;
  uint32_t mask = static_cast<uint32_t>(limit - 1);
  int64_t bitPos = 0;

  auto readCode = [&](int32_t& Code) {
    if (bitPos + width > totalBits) return false;
    const uint8_t* b = bytes + (bitPos >> 3);
    const uint32_t v = uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16);
    Code = static_cast<int32_t>((v >> (bitPos & 7)) & mask);
    bitPos += width;
    return true;
  };
  auto fail = [&] { Stream->Seek(p0, soBeginning); };

  std::vector<uint16_t> prefix(kMaxCodes);
  std::vector<uint8_t> suffix(kMaxCodes);
  std::vector<uint8_t> stack(kMaxCodes + 2);
  TRowWriter out(Data, Width, Height, Interlaced);

  bool haveOld = false;
  int32_t old = 0;
  uint8_t oldFirst = 0;  // first byte of old's string

  // Pushes the string of Code (last byte first); answers its first byte.
  auto pushString = [&](int32_t Code, int32_t& Depth) {
    while (Code > highestLiteral) {
      stack[static_cast<size_t>(Depth++)] = suffix[static_cast<size_t>(Code)];
      Code = prefix[static_cast<size_t>(Code)];
    }
    const auto first = static_cast<uint8_t>(Code);
    stack[static_cast<size_t>(Depth++)] = first;
    return first;
  };
  auto addEntry = [&](uint8_t Suffix) {
    if (next >= kMaxCodes) return;
    prefix[static_cast<size_t>(next)] = static_cast<uint16_t>(old);
    suffix[static_cast<size_t>(next)] = Suffix;
    ++next;
    // A full table stays as it is until a clear code: 12-bit codes may go on
    // without one (a deferred clear).
    if (next >= limit && width < kMaxWidth) {
      ++width;
      limit <<= 1;
      mask = static_cast<uint32_t>(limit - 1);
    }
  };

  int32_t code = 0;
  if (!readCode(code)) return;
  while (code != endCode) {
    int32_t depth = 0;
    if (code == clearCode) {
      width = s + 1;
      next = endCode + 1;
      limit = 1 << width;
      mask = static_cast<uint32_t>(limit - 1);
      do {
        if (!readCode(code)) return;
      } while (code == clearCode);
      if (code == endCode) {
        if ((bitPos + 7) / 8 < total) fail();
        return;
      }
      if (code >= next) code = 0;
      oldFirst = pushString(code, depth);
    } else if (code < next) {
      const uint8_t first = pushString(code, depth);
      if (haveOld) addEntry(first);
      oldFirst = first;
    } else if (code == next && haveOld) {
      addEntry(oldFirst);
      pushString(code, depth);
    } else {
      fail();
      return;
    }
    old = code;
    haveOld = true;
    out.Put(stack.data(), depth);
    if (out.Done()) return;
    if (!readCode(code)) return;
  }
}

namespace {

constexpr int32_t kHashSize = 5003;
constexpr int32_t kPacketSize = 254;

class TGIFLZWEncoder {
 public:
  TGIFLZWEncoder(TStream* Stream, int32_t CodeSize) : FStream(Stream) {
    FInitWidth = CodeSize + 1;
    FClear = 1 << CodeSize;
    FEnd = FClear + 1;
    FFree = FClear + 2;
    FWidth = FInitWidth;
    FMaxCode = (1 << FWidth) - 1;
    FKeys.assign(kHashSize, -1);
    FCodes.assign(kHashSize, 0);
    FOut.reserve(1 << 16);
  }

  void Run(const uint8_t* Data, int32_t Width, int32_t Height, bool Interlaced) {
    Output(FClear);
    if (Width <= 0 || Height <= 0) {
      Finish(-1);
      return;
    }
    const int32_t pixelMask = FClear - 1;
    // The rows in the order they are coded.
    std::vector<int32_t> rows;
    rows.reserve(static_cast<size_t>(Height));
    if (Interlaced) {
      static constexpr int32_t kStart[4] = {0, 4, 2, 1};
      static constexpr int32_t kStep[4] = {8, 8, 4, 2};
      for (int32_t pass = 0; pass < 4; ++pass)
        for (int32_t y = kStart[pass]; y < Height; y += kStep[pass]) rows.push_back(y);
    } else {
      for (int32_t y = 0; y < Height; ++y) rows.push_back(y);
    }
    int32_t prefix = -1;
    int32_t* keys = FKeys.data();
    uint16_t* codes = FCodes.data();
    for (const int32_t y : rows) {
      const uint8_t* row = Data + static_cast<int64_t>(y) * Width;
      int32_t x = 0;
      if (prefix < 0) {
        prefix = row[0] & pixelMask;
        x = 1;
      }
      for (; x < Width; ++x) {
        const int32_t c = row[x] & pixelMask;
        const int32_t key = (c << 12) + prefix;
        int32_t i = (c << 4) ^ prefix;
        if (keys[i] == key) {
          prefix = codes[i];
          continue;
        }
        if (keys[i] >= 0) {
          const int32_t disp = i == 0 ? 1 : kHashSize - i;
          bool found = false;
          do {
            i -= disp;
            if (i < 0) i += kHashSize;
            if (keys[i] == key) {
              found = true;
              break;
            }
          } while (keys[i] > 0);
          if (found) {
            prefix = codes[i];
            continue;
          }
        }
        Output(prefix);
        if (FFree < kMaxCodes) {
          codes[i] = static_cast<uint16_t>(FFree++);
          keys[i] = key;
        } else {
          ClearBlock();
        }
        prefix = c;
      }
    }
    Finish(prefix);
  }

 private:
  void ClearBlock() {
    std::fill(FKeys.begin(), FKeys.end(), -1);
    FFree = FClear + 2;
    FClearFlag = true;
    Output(FClear);
  }

  void Output(int32_t Code) {
    FAcc |= static_cast<uint32_t>(Code) << FBits;
    FBits += FWidth;
    while (FBits >= 8) {
      PutByte(static_cast<uint8_t>(FAcc & 0xFF));
      FAcc >>= 8;
      FBits -= 8;
    }
    if (FFree > FMaxCode || FClearFlag) {
      if (FClearFlag) {
        FWidth = FInitWidth;
        FMaxCode = (1 << FWidth) - 1;
        FClearFlag = false;
      } else {
        ++FWidth;
        FMaxCode = FWidth == kMaxWidth ? kMaxCodes : (1 << FWidth) - 1;
      }
    }
  }

  void PutByte(uint8_t B) {
    FPacket[1 + FCount++] = B;
    if (FCount == kPacketSize) FlushPacket();
  }

  void FlushPacket() {
    if (FCount == 0) return;
    FPacket[0] = static_cast<uint8_t>(FCount);
    FOut.insert(FOut.end(), FPacket, FPacket + 1 + FCount);
    FCount = 0;
    if (FOut.size() >= (1u << 16)) FlushOut();
  }

  void FlushOut() {
    if (!FOut.empty()) FStream->Write(FOut.data(), static_cast<int32_t>(FOut.size()));
    FOut.clear();
  }

  // The last prefix (none for an empty frame), the end code, the pending
  // bits as whole bytes, the last packet and the terminator.
  void Finish(int32_t Prefix) {
    if (Prefix >= 0) Output(Prefix);
    Output(FEnd);
    while (FBits > 0) {
      PutByte(static_cast<uint8_t>(FAcc & 0xFF));
      FAcc >>= 8;
      FBits -= 8;
    }
    FlushPacket();
    FOut.push_back(0);
    FlushOut();
  }

  TStream* FStream;
  std::vector<int32_t> FKeys;
  std::vector<uint16_t> FCodes;
  uint32_t FAcc = 0;
  int32_t FBits = 0;
  int32_t FWidth = 0;
  int32_t FInitWidth = 0;
  int32_t FMaxCode = 0;
  int32_t FFree = 0;
  bool FClearFlag = false;
  int32_t FClear = 0;
  int32_t FEnd = 0;
  uint8_t FPacket[1 + kPacketSize] = {};
  int32_t FCount = 0;
  std::vector<uint8_t> FOut;
};

}  // namespace

void IEGIFLZWEncode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, const uint8_t* Data,
                    int32_t BitsPerPixel) {
  const int32_t codeSize = std::clamp(BitsPerPixel, 2, 8);
  const auto sizeByte = static_cast<uint8_t>(codeSize);
  Stream->Write(&sizeByte, 1);
  TGIFLZWEncoder encoder(Stream, codeSize);
  encoder.Run(Data, Width, Height, Interlaced);
}
