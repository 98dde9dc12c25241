#include "imaging/io/codecs/pspdf/iepsfilters.h"

#include <algorithm>

#include "platform/rtl/streams.h"

int32_t IEASCII85EncodeGroup(const uint8_t*& Source, int32_t Count, char*& Dest) {
  Count = std::clamp(Count, 1, 4);
  uint32_t v = 0;
  for (int32_t i = 0; i < 4; ++i) v = (v << 8) | (i < Count ? Source[i] : 0u);
  Source += Count;
  if (Count == 4 && v == 0) {
    *Dest++ = 'z';
    return 1;
  }
  char digits[5];
  for (int32_t i = 4; i >= 0; --i) {
    digits[i] = static_cast<char>('!' + v % 85);
    v /= 85;
  }
  for (int32_t i = 0; i <= Count; ++i) *Dest++ = digits[i];
  return Count + 1;
}

int32_t IEASCII85Encode(const uint8_t*& Source, int32_t Count, char*& Dest, int32_t& DigitCount) {
  int32_t written = 0;
  int32_t line = 0;
  while (Count > 0) {
    const int32_t n = IEASCII85EncodeGroup(Source, std::min(Count, 4), Dest);
    Count -= std::min(Count, 4);
    written += n;
    DigitCount += n;
    line += n;
    if (line >= 75) {
      *Dest++ = '\r';
      *Dest++ = '\n';
      written += 2;
      line = 0;
    }
  }
  for (char c : {'~', '>', '\r', '\n'}) *Dest++ = c;
  return written + 4;
}

int64_t IEASCII85MaxSize(int64_t Count) {
  const int64_t digits = (std::max<int64_t>(Count, 0) + 3) / 4 * 5;
  return digits + digits / 75 * 2 + 8;
}

int32_t IERunLengthEncode(const uint8_t* Source, int32_t Length, uint8_t* Dest) {
  int32_t in = 0, out = 0;
  while (in < Length) {
    const uint8_t b = Source[in];
    int32_t run = 1;
    while (run < 128 && in + run < Length && Source[in + run] == b) ++run;
    if (run >= 2) {
      Dest[out++] = static_cast<uint8_t>(257 - run);
      Dest[out++] = b;
      in += run;
      continue;
    }
    // A literal: grows while each byte differs from the one before it, so
    // it ends with the first byte of a pair.
    int32_t len = 1;
    while (len < 128 && in + len < Length && Source[in + len] != Source[in + len - 1]) ++len;
    Dest[out++] = static_cast<uint8_t>(len - 1);
    std::copy(Source + in, Source + in + len, Dest + out);
    out += len;
    in += len;
  }
  Dest[out++] = 128;
  return out;
}

void IEStreamWriteString(TStream* Stream, const String& Text) {
  if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

void IEStreamWriteLineCRLF(TStream* Stream, const String& Text) { IEStreamWriteString(Stream, Text + "\r\n"); }

void IEStreamWriteLineLF(TStream* Stream, const String& Text) { IEStreamWriteString(Stream, Text + "\n"); }
