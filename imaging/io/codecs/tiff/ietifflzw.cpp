#include "imaging/io/codecs/tiff/ietifflzw.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/rtl/streams.h"

namespace {

constexpr int32_t kClear = 256;
constexpr int32_t kEnd = 257;
constexpr int32_t kFirstFree = 258;
constexpr int32_t kTableEntries = 4097;
// The longest string a table can hold: one byte plus one per added entry.
constexpr int32_t kLongestString = 4096;

}  // namespace

// Strings are kept as prefix chains (code of the string without its last
// byte, that byte, the first byte and the length), written out backwards:
// no allocation per code, and a row is decoded only as far as it needs.
struct TIELZWDecoderState {
  const uint8_t* Source = nullptr;
  int64_t SourceBits = 0;
  int32_t RowLength = 0;
  std::vector<uint8_t> Buffer;  // RowLength + the longest string
  int64_t BitPos = 0;
  int32_t Width = 9;
  int32_t Buffered = 0;
  int32_t Previous = -1;
  int32_t TableSize = kFirstFree;
  bool Error = false;
  bool Ended = false;
  uint16_t Prefix[kTableEntries];
  uint8_t Suffix[kTableEntries];
  uint8_t First[kTableEntries];
  uint16_t Length[kTableEntries];

  void Reset() {
    TableSize = kFirstFree;
    Width = 9;
    Previous = -1;
  }

  // False when the code would run past the strip.
  bool ReadCode(int32_t& code) {
    if (BitPos + Width > SourceBits) return false;
    const int64_t at = BitPos >> 3;
    const int64_t bytes = (SourceBits >> 3) - at;
    uint32_t v = uint32_t(Source[at]) << 16;
    if (bytes > 1) v |= uint32_t(Source[at + 1]) << 8;
    if (bytes > 2) v |= Source[at + 2];
    code = static_cast<int32_t>((v >> (24 - (BitPos & 7) - Width)) & ((1u << Width) - 1));
    BitPos += Width;
    return true;
  }

  void Output(int32_t code) {
    const int32_t len = Length[code];
    uint8_t* p = Buffer.data() + Buffered + len - 1;
    while (code >= kFirstFree) {
      *p-- = Suffix[code];
      code = Prefix[code];
    }
    *p = static_cast<uint8_t>(code);
    Buffered += len;
  }

  void Add(int32_t prefix, uint8_t last) {
    if (prefix >= TableSize || TableSize >= kTableEntries - 1) {
      Error = true;
      return;
    }
    Prefix[TableSize] = static_cast<uint16_t>(prefix);
    Suffix[TableSize] = last;
    First[TableSize] = First[prefix];
    Length[TableSize] = static_cast<uint16_t>(Length[prefix] + 1);
    ++TableSize;
    if (TableSize == 511 || TableSize == 1023 || TableSize == 2047) ++Width;
  }

  const uint8_t* NextRow() {
    if (Error) return nullptr;
    if (Buffered > RowLength) {
      Buffered -= RowLength;
      std::memmove(Buffer.data(), Buffer.data() + RowLength, static_cast<size_t>(Buffered));
    } else {
      Buffered = 0;
    }
    while (Buffered < RowLength && !Ended) {
      int32_t code;
      if (!ReadCode(code)) {
        Error = true;
        return nullptr;
      }
      if (code == kClear) {
        Reset();
        continue;
      }
      if (code == kEnd) {
        Ended = true;
        break;
      }
      if (Previous < 0) {
        // The first code after Clear (or of a stream without one) is a byte.
        if (code >= kClear) {
          Error = true;
          return nullptr;
        }
        Output(code);
      } else if (code < TableSize) {
        Output(code);
        Add(Previous, First[code]);
      } else if (code == TableSize) {  // KwKwK: the previous string and its own first byte
        Add(Previous, First[Previous]);
        if (!Error) Output(code);
      } else {
        Error = true;
      }
      if (Error) return nullptr;
      Previous = code;
    }
    if (Buffered < RowLength) {  // after the end code: zeros
      std::memset(Buffer.data() + Buffered, 0, static_cast<size_t>(RowLength - Buffered));
      Buffered = RowLength;
    }
    return Buffer.data();
  }
};

const uint8_t* IETIFFLZWDecode(const uint8_t* Source, int64_t SourceBytes, int32_t RowLength,
                               TIELZWDecoderState*& State) {
  if (Source == nullptr) {
    delete State;
    State = nullptr;
    return nullptr;
  }
  if (State == nullptr) {
    if (RowLength <= 0) return nullptr;
    auto* s = new (std::nothrow) TIELZWDecoderState;
    if (s == nullptr) return nullptr;
    try {
      s->Buffer.resize(static_cast<size_t>(RowLength) + kLongestString);
    } catch (const std::bad_alloc&) {
      delete s;
      return nullptr;
    }
    s->Source = Source;
    s->SourceBits = std::clamp<int64_t>(SourceBytes, 0, INT64_MAX / 8) * 8;
    s->RowLength = RowLength;
    for (int32_t i = 0; i < 256; ++i) {
      s->Length[i] = 1;
      s->First[i] = static_cast<uint8_t>(i);
    }
    State = s;
  }
  return State->NextRow();
}

// The compress-style coder: strings are found through an open-addressed hash
// of 5003 slots keyed by (byte shl 12) + prefix code.
struct TIELZWEncoderState {
  static constexpr int32_t kHashSize = 5003;
  static constexpr int32_t kHashShift = 4;
  static constexpr int32_t kBufferSize = 254;

  TStream* Stream = nullptr;
  uint8_t Out[kBufferSize];
  int32_t OutCount = 0;
  uint32_t Bits = 0;  // filled from the top
  int32_t BitCount = 0;
  int32_t Width = 9;
  int32_t MaxCode = 511;
  int32_t FreeCode = kFirstFree;
  bool ClearPending = false;
  int32_t Prefix = -1;  // -1 until the first byte
  int32_t HashKey[kHashSize];
  uint16_t HashCode[kHashSize];

  void ClearHash() { std::fill(std::begin(HashKey), std::end(HashKey), -1); }

  void FlushOut() {
    if (OutCount > 0) Stream->Write(Out, OutCount);
    OutCount = 0;
  }

  void WriteCode(int32_t code) {
    Bits |= uint32_t(code) << (32 - BitCount - Width);
    BitCount += Width;
    while (BitCount >= 8) {
      Out[OutCount++] = static_cast<uint8_t>(Bits >> 24);
      Bits <<= 8;
      BitCount -= 8;
      if (OutCount == kBufferSize) FlushOut();
    }
    if (ClearPending) {
      Width = 9;
      MaxCode = 511;
      ClearPending = false;
    } else if (FreeCode >= MaxCode && Width < 12) {
      ++Width;
      MaxCode = (1 << Width) - 1;
    }
  }

  void Code(const uint8_t* data, int32_t count) {
    int32_t i = 0;
    if (Prefix < 0 && count > 0) Prefix = data[i++];
    for (; i < count; ++i) {
      const int32_t c = data[i];
      const int32_t key = (c << 12) + Prefix;
      int32_t slot = (c << kHashShift) ^ Prefix;
      bool found = HashKey[slot] == key;
      if (!found && HashKey[slot] >= 0) {
        const int32_t step = slot == 0 ? 1 : kHashSize - slot;
        do {
          slot -= step;
          if (slot < 0) slot += kHashSize;
          found = HashKey[slot] == key;
        } while (!found && HashKey[slot] >= 0);
      }
      if (found) {
        Prefix = HashCode[slot];
        continue;
      }
      WriteCode(Prefix);
      Prefix = c;
      if (FreeCode > 4093) {  // 4094 and 4095 are never given out
        ClearHash();
        FreeCode = kFirstFree;
        ClearPending = true;
        WriteCode(kClear);
      } else {
        HashCode[slot] = static_cast<uint16_t>(FreeCode++);
        HashKey[slot] = key;
      }
    }
  }

  void Finish() {
    if (Prefix >= 0) WriteCode(Prefix);
    WriteCode(kEnd);
    if (BitCount > 0) {
      Out[OutCount++] = static_cast<uint8_t>(Bits >> 24);
      Bits = 0;
      BitCount = 0;
    }
    FlushOut();
  }
};

void IETIFFLZWEncode(const uint8_t* Data, int32_t Count, TStream* Stream, TIELZWEncoderState*& State) {
  if (Data == nullptr) {
    if (State != nullptr) State->Finish();
    delete State;
    State = nullptr;
    return;
  }
  if (State == nullptr) {
    auto s = std::make_unique<TIELZWEncoderState>();
    s->Stream = Stream;
    s->ClearHash();
    s->WriteCode(kClear);
    State = s.release();
  }
  State->Code(Data, std::max(Count, 0));
}

void IEInstallTIFFLZWHooks() {
  IETIFFLZWDecoderHook = IETIFFLZWDecode;
  IETIFFLZWEncoderHook = IETIFFLZWEncode;
}
