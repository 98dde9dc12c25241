#include "imaging/model/containers/ieifd.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "imaging/model/containers/ietagshandler.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/byteorder.h"

namespace {

constexpr int64_t kMaxStringCount = 1048575;

int64_t StreamSize(TStream* s) { return s ? s->Size() : 0; }

// Bytes of the stream from Pos to its end (0 outside the stream).
int64_t BytesLeft(TStream* s, int64_t Pos) {
  const int64_t size = StreamSize(s);
  return Pos < 0 || Pos >= size ? 0 : size - Pos;
}

// Reads Count bytes at Pos; what lies outside the stream is zero. Answers
// the number of bytes read.
int64_t ReadAt(TStream* s, int64_t Pos, void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  std::memset(Buffer, 0, size_t(Count));
  const int64_t n = std::min(Count, BytesLeft(s, Pos));
  if (n <= 0) return 0;
  s->Seek(Pos, soBeginning);
  int64_t done = 0;
  auto* out = static_cast<uint8_t*>(Buffer);
  while (done < n) {
    const int32_t got = s->Read(out + done, static_cast<int32_t>(std::min<int64_t>(n - done, 1 << 30)));
    if (got <= 0) break;
    done += got;
  }
  return done;
}

const TIFDEntry* Find(const TIEIFDReader& R, int32_t Tag) {
  const int32_t i = IEIFDFindTag(Tag, R);
  return i < 0 ? nullptr : &R.Entries[size_t(i)];
}

bool LE(const TIEIFDReader& R) { return R.LittleEndian != 0; }

// The four bytes of the value field in file order.
void FieldBytes(const TIEIFDReader& R, const TIFDEntry& E, uint8_t Out[4]) {
  for (int i = 0; i < 4; ++i) Out[i] = static_cast<uint8_t>(LE(R) ? E.DataPos >> (8 * i) : E.DataPos >> (24 - 8 * i));
}

// Position in the stream of an entry's out-of-line value.
int64_t ValuePos(const TIEIFDReader& R, const TIFDEntry& E) { return R.Base + int64_t(E.DataPos); }

uint32_t ReadU32At(const TIEIFDReader& R, int64_t Pos) {
  uint8_t b[4];
  ReadAt(R.Stream, Pos, b, 4);
  return GetOrdered32(b, LE(R));
}

uint16_t ReadU16At(const TIEIFDReader& R, int64_t Pos) {
  uint8_t b[2];
  ReadAt(R.Stream, Pos, b, 2);
  return GetOrdered16(b, LE(R));
}

// The first value of a SHORT or LONG entry held in its value field.
int32_t InlineScalar(const TIEIFDReader& R, const TIFDEntry& E) {
  switch (E.DataType) {
    case IEIFD_SHORT: return static_cast<int32_t>(LE(R) ? E.DataPos & 0xFFFF : E.DataPos >> 16);
    case IEIFD_BYTE:
    case IEIFD_UNDEFINED: return static_cast<int32_t>(LE(R) ? E.DataPos & 0xFF : E.DataPos >> 24);
    default: return static_cast<int32_t>(E.DataPos);
  }
}

int32_t ArrayItem(const TIEIFDReader& R, const TIFDEntry& E, int64_t N) {
  if (N < 0 || N >= int64_t(E.DataNum)) return 0;
  if (E.DataType == IEIFD_LONG) {
    if (E.DataNum == 1) return static_cast<int32_t>(E.DataPos);
    return static_cast<int32_t>(ReadU32At(R, ValuePos(R, E) + 4 * N));
  }
  if (E.DataType == IEIFD_SHORT) {
    if (E.DataNum == 1) return InlineScalar(R, E);
    if (E.DataNum == 2) {
      const uint32_t first = LE(R) ? E.DataPos & 0xFFFF : E.DataPos >> 16;
      const uint32_t second = LE(R) ? E.DataPos >> 16 : E.DataPos & 0xFFFF;
      return static_cast<int32_t>(N == 0 ? first : second);
    }
    return ReadU16At(R, ValuePos(R, E) + 2 * N);
  }
  return 0;
}

// Reads up to Count values of a SHORT or LONG entry stored at its offset,
// as many as the stream holds.
std::vector<int32_t> ReadOutOfLine(const TIEIFDReader& R, const TIFDEntry& E, int64_t Count) {
  const int64_t size = IEIFDTypeSize(E.DataType);
  const int64_t pos = ValuePos(R, E);
  const int64_t n = std::min(Count, BytesLeft(R.Stream, pos) / size);
  std::vector<uint8_t> raw(size_t(n * size));
  ReadAt(R.Stream, pos, raw.data(), int64_t(raw.size()));
  std::vector<int32_t> values(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i)
    values[size_t(i)] = size == 2 ? GetOrdered16(raw.data() + i * 2, LE(R))
                                  : static_cast<int32_t>(GetOrdered32(raw.data() + i * 4, LE(R)));
  return values;
}

// Bytes at the offset of an entry, Count at most, cut at the stream's end.
std::vector<uint8_t> ReadOffsetBytes(const TIEIFDReader& R, const TIFDEntry& E, int64_t Count) {
  const int64_t pos = ValuePos(R, E);
  std::vector<uint8_t> bytes(size_t(std::min(Count, BytesLeft(R.Stream, pos))));
  ReadAt(R.Stream, pos, bytes.data(), int64_t(bytes.size()));
  return bytes;
}

// ---- The chain walk ---------------------------------------------------------------

struct TIFDStep {
  bool Counted = false;  // the IFD leaves room for its next offset
  int64_t Next = 0;      // 0 ends the chain
};

TIFDStep StepAt(const TIEIFDReader& R, int64_t Offset, int64_t Size) {
  TIFDStep step;
  const int64_t pos = Offset + R.Base;
  const int64_t after = pos + 2 + 12 * int64_t(ReadU16At(R, pos));
  if (after >= Size) return step;
  step.Counted = true;
  const auto next = static_cast<int32_t>(ReadU32At(R, after));
  if (next >= 0 && next >= R.Base + 8 && next < Size) step.Next = next;
  return step;
}

// The IFDs of the chain from First, each counted once: Brent's cycle search
// finds where a looping chain comes back to an IFD already met, in constant
// memory. EndsUncounted tells that the IFD after the last counted one exists
// but has no room for its next offset.
int64_t ChainLength(const TIEIFDReader& R, int64_t First, int64_t Size, bool& EndsUncounted) {
  EndsUncounted = false;
  TIFDStep s = StepAt(R, First, Size);
  if (!s.Counted) {
    EndsUncounted = true;
    return 0;
  }
  if (s.Next == 0) return 1;
  int64_t tortoise = First, hare = s.Next, hareIndex = 1, power = 1, lambda = 1;
  while (tortoise != hare) {
    if (power == lambda) {
      tortoise = hare;
      power *= 2;
      lambda = 0;
    }
    s = StepAt(R, hare, Size);
    if (!s.Counted) {
      EndsUncounted = true;
      return hareIndex;
    }
    if (s.Next == 0) return hareIndex + 1;
    hare = s.Next;
    ++hareIndex;
    ++lambda;
  }
  // A loop of lambda IFDs: find where it starts.
  tortoise = hare = First;
  for (int64_t i = 0; i < lambda; ++i) hare = StepAt(R, hare, Size).Next;
  int64_t mu = 0;
  while (tortoise != hare) {
    tortoise = StepAt(R, tortoise, Size).Next;
    hare = StepAt(R, hare, Size).Next;
    ++mu;
  }
  return mu + lambda;
}

}  // namespace

int32_t IEIFDTypeSize(uint32_t DataType) {
  static constexpr int32_t sizes[13] = {1, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return DataType <= 12 ? sizes[DataType] : 0;
}

bool IEIFDLoad(int32_t PageIndex, int64_t FirstIFDOffset, TIEIFDReader& Reader, int32_t& PageCount) {
  Reader.Entries.clear();
  Reader.EntryCount = 0;
  PageCount = 0;
  if (!Reader.Stream) return false;
  const int64_t size = Reader.Stream->Size();
  bool endsUncounted = false;
  const int64_t length = ChainLength(Reader, FirstIFDOffset, size, endsUncounted);
  PageCount = static_cast<int32_t>(std::min<int64_t>(length, std::numeric_limits<int32_t>::max()));
  // The IFD that ends the chain without room for its next offset is still
  // read when it is the page asked for.
  if (PageIndex < 0 || PageIndex > length || (PageIndex == length && !endsUncounted)) return false;
  int64_t offset = FirstIFDOffset;
  for (int32_t i = 0; i < PageIndex; ++i) offset = StepAt(Reader, offset, size).Next;

  const int64_t pos = offset + Reader.Base;
  const int64_t count = ReadU16At(Reader, pos);
  const int64_t whole = std::min(count, BytesLeft(Reader.Stream, pos + 2) / 12);
  if (whole <= 0) return false;
  std::vector<uint8_t> raw(size_t(whole) * 12);
  ReadAt(Reader.Stream, pos + 2, raw.data(), int64_t(raw.size()));
  const bool le = LE(Reader);
  Reader.Entries.resize(size_t(whole));
  for (size_t i = 0; i < size_t(whole); ++i) {
    const uint8_t* p = raw.data() + i * 12;
    TIFDEntry& e = Reader.Entries[i];
    e.Tag = GetOrdered16(p, le);
    e.DataType = GetOrdered16(p + 2, le);
    e.DataNum = GetOrdered32(p + 4, le);
    e.DataPos = GetOrdered32(p + 8, le);
  }
  Reader.EntryCount = static_cast<uint16_t>(whole);
  return true;
}

int32_t IEIFDFindTag(int32_t Tag, const TIEIFDReader& Reader) {
  const size_t n = std::min<size_t>(Reader.EntryCount, Reader.Entries.size());
  for (size_t i = 0; i < n; ++i)
    if (Reader.Entries[i].Tag == Tag) return static_cast<int32_t>(i);
  return -1;
}

int32_t IEIFDTagCount(const TIEIFDReader& Reader, int32_t Tag) {
  const TIFDEntry* e = Find(Reader, Tag);
  return e ? static_cast<int32_t>(e->DataNum) : 0;
}

int32_t IEIFDScalar(const TIEIFDReader& Reader, int32_t Tag, int32_t Default) {
  const TIFDEntry* e = Find(Reader, Tag);
  return e ? InlineScalar(Reader, *e) : Default;
}

namespace {
double RationalAt(const TIEIFDReader& R, int64_t Pos) {
  const auto num = static_cast<int32_t>(ReadU32At(R, Pos));
  auto den = static_cast<int32_t>(ReadU32At(R, Pos + 4));
  if (den == 0) den = 1;
  return double(num) / double(den);
}
}  // namespace

double IEIFDRational(const TIEIFDReader& Reader, int32_t Tag) {
  const TIFDEntry* e = Find(Reader, Tag);
  return e ? RationalAt(Reader, ValuePos(Reader, *e)) : 0;
}

double IEIFDRationalItem(const TIEIFDReader& Reader, int32_t Tag, int32_t N) {
  const TIFDEntry* e = Find(Reader, Tag);
  if (!e || N < 0 || uint32_t(N) >= e->DataNum) return 0;
  return RationalAt(Reader, ValuePos(Reader, *e) + 8 * int64_t(N));
}

int32_t IEIFDArrayItem(const TIEIFDReader& Reader, int32_t Tag, int32_t N) {
  const TIFDEntry* e = Find(Reader, Tag);
  return e ? ArrayItem(Reader, *e, N) : 0;
}

int32_t IEIFDReadIntArray(const TIEIFDReader& Reader, std::vector<int32_t>& Array, int32_t Tag) {
  Array.clear();
  const TIFDEntry* e = Find(Reader, Tag);
  if (!e || e->DataNum == 0) return 0;
  if (e->DataNum == 1) {
    Array.push_back(InlineScalar(Reader, *e));
    return 1;
  }
  const int64_t count = e->DataNum;
  if (e->DataType == IEIFD_SHORT && count == 2) {
    Array = {ArrayItem(Reader, *e, 0), ArrayItem(Reader, *e, 1)};
  } else if (e->DataType == IEIFD_SHORT || e->DataType == IEIFD_LONG) {
    Array = ReadOutOfLine(Reader, *e, count);
  } else {
    // Other types read as zeros, as many as the stream could hold.
    const int64_t size = std::max(IEIFDTypeSize(e->DataType), 1);
    const int64_t inStream =
        e->DataType <= 12 && count * size <= 4 ? count : BytesLeft(Reader.Stream, ValuePos(Reader, *e)) / size;
    Array.assign(size_t(std::min(count, inStream)), 0);
  }
  if (Array.size() > size_t(std::numeric_limits<int32_t>::max())) Array.resize(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(Array.size());
}

std::vector<uint8_t> IEIFDReadBytes(const TIEIFDReader& Reader, int32_t Tag, int32_t& Length) {
  Length = 0;
  const TIFDEntry* e = Find(Reader, Tag);
  if (!e) return {};
  const int64_t count = e->DataNum;
  const int64_t typeSize = IEIFDTypeSize(e->DataType);
  std::vector<uint8_t> bytes;
  if (typeSize > 0 && count * typeSize <= 4) {
    uint8_t field[4];
    FieldBytes(Reader, *e, field);
    bytes.assign(field, field + count);
  } else {
    bytes = ReadOffsetBytes(Reader, *e, std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
  }
  Length = static_cast<int32_t>(bytes.size());
  return bytes;
}

void IEIFDReadString(const TIEIFDReader& Reader, int32_t Tag, String& Text) {
  const TIFDEntry* e = Find(Reader, Tag);
  if (!e) {
    Text.clear();
    return;
  }
  const int64_t count = e->DataNum;
  if (count < 5) {
    // Text, not bytes: the closing NUL of a short value would otherwise end
    // up in names made from it.
    IEIFDReadInlineBytes(Reader, Tag, Text);
    while (!Text.empty() && Text.back() == 0) Text.pop_back();
  } else if (count <= kMaxStringCount) {
    const std::vector<uint8_t> bytes = ReadOffsetBytes(Reader, *e, count);
    size_t n = bytes.size();
    while (n > 0 && bytes[n - 1] == 0) --n;
    Text.assign(reinterpret_cast<const char*>(bytes.data()), n);
  } else {
    Text.clear();
  }
}

void IEIFDReadInlineBytes(const TIEIFDReader& Reader, int32_t Tag, String& Text) {
  const TIFDEntry* e = Find(Reader, Tag);
  if (!e) {
    Text.clear();
    return;
  }
  const int64_t count = e->DataNum;
  if (count == 0 || count > kMaxStringCount) return;
  if (count <= 4) {
    uint8_t field[4];
    FieldBytes(Reader, *e, field);
    Text.assign(reinterpret_cast<const char*>(field), size_t(count));
  } else {
    IEIFDReadString(Reader, Tag, Text);
  }
}

void IEIFDReadWideString(const TIEIFDReader& Reader, int32_t Tag, WideString& Text) {
  Text.clear();
  const TIFDEntry* e = Find(Reader, Tag);
  if (!e) return;
  const int64_t count = e->DataNum;
  if (count == 0 || count > kMaxStringCount) return;
  if (count <= 4) {
    uint8_t field[4];
    FieldBytes(Reader, *e, field);
    Text.assign(1, static_cast<char16_t>(field[0] | (field[1] << 8)));
    return;
  }
  const std::vector<uint8_t> bytes = ReadOffsetBytes(Reader, *e, (count - 2) / 2 * 2);
  Text.resize(bytes.size() / 2);
  for (size_t i = 0; i < Text.size(); ++i) Text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

void IEIFDReadColorMap(const TIEIFDReader& Reader, int32_t BitsPerSample, std::vector<TRGB>& Map, int32_t& EntryCount) {
  Map.clear();
  EntryCount = 0;
  const TIFDEntry* e = Find(Reader, IEIFDTag_ColorMap);
  if (!e || BitsPerSample < 0 || BitsPerSample > 16) return;
  if (e->DataType != IEIFD_SHORT && e->DataType != IEIFD_LONG) return;
  const int64_t n = int64_t(1) << BitsPerSample;
  if (int64_t(e->DataNum) < 3 * n) return;
  const std::vector<int32_t> values = ReadOutOfLine(Reader, *e, 3 * n);
  if (int64_t(values.size()) < 3 * n) return;
  uint32_t largest = 0;
  for (int32_t v : values) largest = std::max(largest, static_cast<uint32_t>(v));
  const int shift = largest < 256 ? 0 : 8;
  auto level = [&](int64_t i) { return static_cast<uint8_t>(static_cast<uint32_t>(values[size_t(i)]) >> shift); };
  Map.resize(size_t(n));
  for (int64_t i = 0; i < n; ++i) Map[size_t(i)] = MakeTRGB(level(i), level(n + i), level(2 * n + i));
  EntryCount = static_cast<int32_t>(n);
}

bool IEIFDReadBitsPerSample(const TIEIFDReader& Reader, int32_t& Bits) {
  const TIFDEntry* e = Find(Reader, IEIFDTag_BitsPerSample);
  if (!e) {
    Bits = 1;
    return true;
  }
  if (e->DataNum == 1) {
    Bits = InlineScalar(Reader, *e);
    return true;
  }
  std::vector<int32_t> values;
  IEIFDReadIntArray(Reader, values, IEIFDTag_BitsPerSample);
  bool same = values.size() == e->DataNum;
  for (size_t i = 0; i < values.size(); ++i) {
    const int32_t v = values[i] & 0xFFFF;
    if (i > 0 && v != Bits) same = false;
    Bits = v;
  }
  return same;
}

namespace {

// Reorders Count bytes of values of DataType from big-endian to
// little-endian, element by element (a rational is two 32-bit numbers).
void ToLittleEndian(uint8_t* P, int64_t Count, uint32_t DataType) {
  int64_t element = IEIFDTypeSize(DataType);
  if (DataType == IEIFD_RATIONAL || DataType == IEIFD_SRATIONAL) element = 4;
  if (element < 2) return;
  for (int64_t i = 0; i + element <= Count; i += element) std::reverse(P + i, P + i + element);
}

}  // namespace

void IEIFDReadMakerNote(const TIEIFDReader& Reader, int32_t Tag, TIETagsHandler& Handler) {
  TMemoryStream* block = Handler.Data();
  block->Clear();
  int32_t length = 0;
  std::vector<uint8_t> note = IEIFDReadBytes(Reader, Tag, length);
  if (note.size() < 2) {
    Handler.Update();
    return;
  }
  const bool le = LE(Reader);
  const int64_t n = GetOrdered16(note.data(), le);
  if (n > 256 || int64_t(note.size()) < 12 * n) {
    Handler.Update();
    return;
  }
  // The last entry may lack the two last bytes of its value field.
  note.resize(std::max<size_t>(note.size(), size_t(2 + 12 * n)), 0);

  const int64_t streamSize = StreamSize(Reader.Stream);
  // The copied values together never exceed the stream they come from.
  const int64_t dataLimit = std::min<int64_t>(streamSize, std::numeric_limits<int32_t>::max() - 4096);
  std::vector<uint8_t> out(size_t(2 + 12 * n), 0);
  int64_t slot = 2, copied = 0, dataTotal = 0;
  for (int64_t i = 0; i < n; ++i) {
    const uint8_t* p = note.data() + 2 + 12 * i;
    const uint16_t tag = GetOrdered16(p, le), type = GetOrdered16(p + 2, le);
    const uint32_t count = GetOrdered32(p + 4, le), offset = GetOrdered32(p + 8, le);
    if (type > 12) {
      block->Clear();
      Handler.Update();
      return;
    }
    const int64_t size = int64_t(count) * IEIFDTypeSize(type);
    const int64_t pos = Reader.Base + int64_t(offset);
    const bool inline_ = size <= 4;
    const bool valueInStream = inline_ || (pos >= 0 && pos + size <= streamSize && dataTotal + size <= dataLimit);
    if (!valueInStream || int64_t(count) >= streamSize) continue;
    uint8_t field[4];
    std::memcpy(field, p + 8, 4);
    if (inline_) {
      if (!le) ToLittleEndian(field, size, type);
    } else {
      const size_t at = out.size();
      out.resize(at + size_t(size));
      ReadAt(Reader.Stream, pos, out.data() + at, size);
      if (!le) ToLittleEndian(out.data() + at, size, type);
      PutLE32(field, static_cast<uint32_t>(at));
      dataTotal += size;
    }
    uint8_t* entry = out.data() + slot;
    PutLE16(entry, tag);
    PutLE16(entry + 2, type);
    PutLE32(entry + 4, count);
    std::memcpy(entry + 8, field, 4);
    slot += 12;
    ++copied;
  }
  PutLE16(out.data(), static_cast<uint16_t>(copied));
  block->WriteBuffer(out.data(), int64_t(out.size()));
  Handler.Update();
}
