#include "platform/rtl/filer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/collection.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/scopeguard.h"

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool AsciiSameText(const String& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

bool AsciiSameText(const String& a, const String& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

int CountLeadingZeros64(uint64_t v) {
  int n = 0;
  for (uint64_t bit = uint64_t(1) << 63; bit != 0 && (v & bit) == 0; bit >>= 1) ++n;
  return n;
}

// 8-bit text as UTF-8: bytes that are not UTF-8 are read as Windows-1252.
String NarrowToUTF8(String bytes) {
  if (IsValidUTF8(bytes)) return bytes;
  return CP1252ToUTF8(bytes);
}

[[noreturn]] void InvalidStream() { throw EReadError("Invalid stream format"); }
[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }

// Runs F when the scope ends.
template <class F>
class TFinally {
 public:
  explicit TFinally(F Fn) : FFn(std::move(Fn)) {}
  ~TFinally() { FFn(); }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

 private:
  F FFn;
};

}  // namespace

// ---------------------------------------------------------------------------
// The 80-bit extended format

void DoubleToExtended(double Value, uint8_t (&Bytes)[10]) {
  uint64_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  const uint16_t sign = (bits >> 63) != 0 ? 0x8000 : 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
  uint16_t e;
  uint64_t m;
  if (exponent == 0x7FF) {  // infinity or NaN, payload kept
    e = 0x7FFF;
    m = (uint64_t(1) << 63) | (fraction << 11);
  } else if (exponent == 0) {
    if (fraction == 0) {
      e = 0;
      m = 0;
    } else {  // subnormal double: normal in the wider exponent range
      const int top = 63 - CountLeadingZeros64(fraction);
      m = fraction << (63 - top);
      e = static_cast<uint16_t>(16383 - 1074 + top);
    }
  } else {
    e = static_cast<uint16_t>(exponent - 1023 + 16383);
    m = (uint64_t(1) << 63) | (fraction << 11);
  }
  for (int i = 0; i < 8; ++i) Bytes[i] = static_cast<uint8_t>(m >> (8 * i));
  const uint16_t se = sign | e;
  Bytes[8] = static_cast<uint8_t>(se & 0xFF);
  Bytes[9] = static_cast<uint8_t>(se >> 8);
}

bool ExtendedToDouble(const uint8_t (&Bytes)[10], double& Value) {
  uint64_t m = 0;
  for (int i = 0; i < 8; ++i) m |= uint64_t(Bytes[i]) << (8 * i);
  const unsigned se = unsigned(Bytes[8]) | (unsigned(Bytes[9]) << 8);
  const uint64_t sign = (se & 0x8000) != 0 ? uint64_t(1) << 63 : 0;
  const int e = static_cast<int>(se & 0x7FFF);
  const uint64_t lowMask = (uint64_t(1) << 63) - 1;
  uint64_t bits;
  if (e == 0x7FFF) {
    if ((m >> 63) == 0) return false;  // pseudo-infinity / pseudo-NaN
    if ((m & lowMask) == 0) {
      bits = sign | (uint64_t(0x7FF) << 52);
    } else {
      uint64_t payload = (m & lowMask) >> 11;
      if (payload == 0) payload = uint64_t(1) << 51;  // a NaN stays a NaN
      bits = sign | (uint64_t(0x7FF) << 52) | payload;
    }
  } else if (m == 0) {
    bits = sign;
  } else {
    // value = m * 2^(exp - 16383 - 63); exponent field 0 counts as 1.
    const int lz = CountLeadingZeros64(m);
    m <<= lz;
    int unbiased = (e == 0 ? 1 : e) - 16383 - lz;  // value = (m / 2^63) * 2^unbiased
    if (unbiased > 1023) return false;
    if (unbiased >= -1022) {
      uint64_t mant = m >> 11;
      const uint64_t rest = m & 0x7FF;
      if (rest > 0x400 || (rest == 0x400 && (mant & 1) != 0)) {
        ++mant;
        if (mant == (uint64_t(1) << 53)) {
          mant >>= 1;
          ++unbiased;
          if (unbiased > 1023) return false;
        }
      }
      bits = sign | (uint64_t(unbiased + 1023) << 52) | (mant & ((uint64_t(1) << 52) - 1));
    } else {
      // Subnormal result: count of 2^-1074 = m * 2^(unbiased + 1011).
      const int shift = -(unbiased + 1011);  // at least 12
      uint64_t f;
      if (shift > 64) {
        f = 0;
      } else if (shift == 64) {
        f = m > (uint64_t(1) << 63) ? 1 : 0;  // a tie goes to the even 0
      } else {
        f = m >> shift;
        const uint64_t rest = m & ((uint64_t(1) << shift) - 1);
        const uint64_t half = uint64_t(1) << (shift - 1);
        if (rest > half || (rest == half && (f & 1) != 0)) ++f;  // may carry into the smallest normal
      }
      bits = sign | f;
    }
  }
  std::memcpy(&Value, &bits, sizeof Value);
  return true;
}

// ---------------------------------------------------------------------------
// TWriter

TWriter::TWriter(TStream* Stream) : TFiler(Stream) {}

TWriter::~TWriter() {
  try {
    FlushBuffer();
  } catch (...) {
  }
}

void TWriter::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return;
  FBuffer.append(static_cast<const char*>(Buffer), static_cast<size_t>(Count));
  if (FBuffer.size() >= 65536) FlushBuffer();
}

void TWriter::FlushBuffer() {
  if (FBuffer.empty()) return;
  std::string data;
  data.swap(FBuffer);
  FStream->WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

template <class I>
void TWriter::WriteLE(I Value) {
  using U = std::make_unsigned_t<I>;
  const U u = static_cast<U>(Value);
  uint8_t bytes[sizeof(I)];
  for (size_t i = 0; i < sizeof(I); ++i) bytes[i] = static_cast<uint8_t>(u >> (8 * i));
  Write(bytes, sizeof bytes);
}

void TWriter::WriteValue(TValueType Value) {
  const uint8_t b = Value;
  Write(&b, 1);
}

void TWriter::WriteSignature() { Write("TPF0", 4); }

void TWriter::WritePrefix(uint8_t Flags, int32_t ChildPos) {
  if (Flags == 0) return;
  const uint8_t b = static_cast<uint8_t>(0xF0 | (Flags & 0x0F));
  Write(&b, 1);
  if ((Flags & ffChildPos) != 0) WriteInteger(ChildPos);
}

void TWriter::WriteStr(const String& Value) {
  if (Value.size() > 255) throw EWriteError("Name too long for the stream: %s", {Value.substr(0, 64)});
  const uint8_t n = static_cast<uint8_t>(Value.size());
  Write(&n, 1);
  Write(Value.data(), static_cast<int64_t>(Value.size()));
}

void TWriter::WriteInteger(int64_t Value) {
  if (Value >= -128 && Value <= 127) {
    WriteValue(vaInt8);
    WriteLE(static_cast<int8_t>(Value));
  } else if (Value >= -32768 && Value <= 32767) {
    WriteValue(vaInt16);
    WriteLE(static_cast<int16_t>(Value));
  } else if (Value >= std::numeric_limits<int32_t>::min() && Value <= std::numeric_limits<int32_t>::max()) {
    WriteValue(vaInt32);
    WriteLE(static_cast<int32_t>(Value));
  } else {
    WriteValue(vaInt64);
    WriteLE(Value);
  }
}

namespace {
int32_t CheckedCount(size_t Count) {
  if (Count > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw EWriteError("Value too large for the stream");
  return static_cast<int32_t>(Count);
}
}  // namespace

void TWriter::WriteString(const String& Value) {
  if (Value.size() <= 255) {
    WriteValue(vaString);
    const uint8_t n = static_cast<uint8_t>(Value.size());
    Write(&n, 1);
  } else {
    const int32_t n = CheckedCount(Value.size());
    WriteValue(vaLString);
    WriteLE(n);
  }
  Write(Value.data(), static_cast<int64_t>(Value.size()));
}

void TWriter::WriteWideString(const WideString& Value) {
  const int32_t n = CheckedCount(Value.size());
  WriteValue(vaWString);
  WriteLE(n);
  std::string bytes(Value.size() * 2, '\0');
  for (size_t i = 0; i < Value.size(); ++i) {
    bytes[2 * i] = static_cast<char>(Value[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(Value[i] >> 8);
  }
  Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TWriter::WriteUTF8String(const String& Value) {
  const int32_t n = CheckedCount(Value.size());
  WriteValue(vaUTF8String);
  WriteLE(n);
  Write(Value.data(), static_cast<int64_t>(Value.size()));
}

void TWriter::WriteFloat(double Value) {
  uint8_t bytes[10];
  DoubleToExtended(Value, bytes);
  WriteValue(vaExtended);
  Write(bytes, sizeof bytes);
}

void TWriter::WriteDouble(double Value) {
  uint64_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  WriteValue(vaDouble);
  WriteLE(bits);
}

void TWriter::WriteSingle(float Value) {
  uint32_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  WriteValue(vaSingle);
  WriteLE(bits);
}

void TWriter::WriteCurrency(double Value) {
  const double scaled = std::nearbyint(Value * 10000.0);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    throw EWriteError("Invalid currency value");
  WriteCurrencyRaw(static_cast<int64_t>(scaled));
}

void TWriter::WriteCurrencyRaw(int64_t Scaled) {
  WriteValue(vaCurrency);
  WriteLE(Scaled);
}

void TWriter::WriteDate(TDateTime Value) {
  uint64_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  WriteValue(vaDate);
  WriteLE(bits);
}

void TWriter::WriteIdent(const String& Ident) {
  if (AsciiSameText(Ident, "False")) {
    WriteValue(vaFalse);
  } else if (AsciiSameText(Ident, "True")) {
    WriteValue(vaTrue);
  } else if (AsciiSameText(Ident, "nil")) {
    WriteValue(vaNil);
  } else {
    WriteValue(vaIdent);
    WriteStr(Ident);
  }
}

void TWriter::WriteSet(const TEnumTypeInfo& ElementType, uint64_t Bits) {
  WriteValue(vaSet);
  for (unsigned i = 0; i < 64; ++i) {
    if ((Bits & (uint64_t(1) << i)) == 0) continue;
    const String name = GetEnumName(ElementType, i);
    if (name.empty()) throw EWriteError("Invalid set element %d of %s", {int32_t(i), ElementType.Name});
    WriteStr(name);
  }
  WriteStr(String());
}

void TWriter::WriteBinary(const TStreamProc& WriteData) {
  TMemoryStream data;
  if (WriteData) WriteData(&data);
  WriteBinary(data.Memory(), data.Size());
}

void TWriter::WriteBinary(const void* Data, int64_t Count) {
  const int32_t n = CheckedCount(static_cast<size_t>(Count < 0 ? 0 : Count));
  WriteValue(vaBinary);
  WriteLE(n);
  Write(Data, n);
}

void TWriter::DefineProperty(const String& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(this);
}

void TWriter::DefineBinaryProperty(const String& Name, TStreamProc, TStreamProc WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteBinary(WriteData);
}

void TWriter::SetWriting(TComponent* Component, bool On) {
  TComponentState s = Component->ComponentState();
  if (On)
    s.Include(TComponentStateItem::csWriting);
  else
    s.Exclude(TComponentStateItem::csWriting);
  Component->SetComponentState(s);
}

void TWriter::WriteRootComponent(TComponent* Root) {
  FRoot = Root;
  WriteSignature();
  WriteComponent(Root);
  FlushBuffer();
}

void TWriter::WriteComponent(TComponent* Component) {
  if (Component == nullptr) throw EWriteError("Cannot write a nil component");
  if (++FDepth > kMaxStreamDepth) throw EWriteError("Components nested too deeply");
  const bool wasWriting = Component->ComponentState().Contains(TComponentStateItem::csWriting);
  SetWriting(Component, true);
  TFinally restore([&] {
    if (!wasWriting) SetWriting(Component, false);
  });
  WritePrefix(0, 0);
  WriteStr(Component->ClassName());
  WriteStr(Component->Name());
  WriteProperties(Component);
  WriteListEnd();
  Component->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, FRoot);
  WriteListEnd();
  --FDepth;
}

void TWriter::WriteProperties(TPersistent* Instance) {
  const TClassInfo* info = GetClassInfo(Instance);
  if (info == nullptr) throw EClassNotFound("Class %s not found", {String(Instance->ClassName())});
  for (const TPropInfo& prop : info->Props())
    if (prop.Stored(Instance)) WriteProperty(Instance, prop);
  Instance->DefineProperties(this);
}

void TWriter::WritePropName(const String& Name) { WriteStr(FPropPath + Name); }

void TWriter::WriteProperty(TPersistent* Instance, const TPropInfo& Prop) {
  switch (Prop.Kind) {
    case TPropKind::pkInteger:
    case TPropKind::pkInt64: {
      const int64_t v = Prop.GetOrd(Instance);
      if (Prop.HasDefault && v == Prop.Default) return;
      WritePropName(Prop.Name);
      WriteInteger(v);
      return;
    }
    case TPropKind::pkEnumeration: {
      const int64_t v = Prop.GetOrd(Instance);
      if (Prop.HasDefault && v == Prop.Default) return;
      WritePropName(Prop.Name);
      if (Prop.EnumType == &TypeInfoBoolean()) {
        WriteBoolean(v != 0);
      } else {
        const String name = GetEnumName(*Prop.EnumType, v);
        if (name.empty()) throw EWriteError("Invalid value of property %s", {Prop.Name});
        WriteValue(vaIdent);
        WriteStr(name);
      }
      return;
    }
    case TPropKind::pkSet: {
      const int64_t v = Prop.GetOrd(Instance);
      if (Prop.HasDefault && v == Prop.Default) return;
      WritePropName(Prop.Name);
      WriteSet(*Prop.EnumType, static_cast<uint64_t>(v));
      return;
    }
    case TPropKind::pkColor: {
      const int64_t v = Prop.GetOrd(Instance);
      if (Prop.HasDefault && v == Prop.Default) return;
      WritePropName(Prop.Name);
      String ident;
      if (Prop.IdentMap != nullptr && Prop.IdentMap->ToIdent(static_cast<int32_t>(v), ident)) {
        WriteValue(vaIdent);
        WriteStr(ident);
      } else {
        WriteInteger(v);
      }
      return;
    }
    case TPropKind::pkFloat: {
      const double v = Prop.GetFloat(Instance);
      if (v == 0) return;
      WritePropName(Prop.Name);
      switch (Prop.FloatType) {
        case TFloatType::ftSingle: WriteSingle(static_cast<float>(v)); break;
        case TFloatType::ftDateTime: WriteDate(v); break;
        case TFloatType::ftCurrency: WriteCurrency(v); break;
        case TFloatType::ftDouble:
        case TFloatType::ftExtended: WriteFloat(v); break;
      }
      return;
    }
    case TPropKind::pkString: {
      const String v = Prop.GetStr(Instance);
      if (v.empty()) return;
      WritePropName(Prop.Name);
      WriteString(v);
      return;
    }
    case TPropKind::pkWideString: {
      const WideString v = Prop.GetWStr(Instance);
      if (v.empty()) return;
      WritePropName(Prop.Name);
      WriteWideString(v);
      return;
    }
    case TPropKind::pkClass: {
      TPersistent* object = Prop.GetObject(Instance);
      if (object == nullptr) return;
      if (++FDepth > kMaxStreamDepth) throw EWriteError("Objects nested too deeply");
      const String saved = FPropPath;
      FPropPath += Prop.Name + ".";
      WriteProperties(object);
      FPropPath = saved;
      --FDepth;
      return;
    }
    case TPropKind::pkComponent: {
      TComponent* c = Prop.GetComponent(Instance);
      if (c == nullptr || c->Name().empty()) return;
      WritePropName(Prop.Name);
      WriteValue(vaIdent);
      WriteStr(c->Name());
      return;
    }
    case TPropKind::pkCollection: {
      auto* collection = dynamic_cast<TCollection*>(Prop.GetObject(Instance));
      if (collection == nullptr) return;
      WritePropName(Prop.Name);
      WriteCollection(collection);
      return;
    }
    case TPropKind::pkStrings: {
      auto* strings = dynamic_cast<TStrings*>(Prop.GetObject(Instance));
      if (strings == nullptr) return;
      const String saved = FPropPath;
      FPropPath += Prop.Name + ".";
      WriteStringsData(strings);
      FPropPath = saved;
      return;
    }
  }
}

// A string list's own data: the defined property "Strings", written when
// the list has lines.
void TWriter::WriteStringsData(TStrings* Strings) {
  if (Strings->Count() == 0) return;
  WritePropName("Strings");
  WriteListBegin();
  for (int32_t i = 0; i < Strings->Count(); ++i) WriteString(Strings->Strings(i));
  WriteListEnd();
}

void TWriter::WriteCollection(TCollection* Value) {
  if (++FDepth > kMaxStreamDepth) throw EWriteError("Collections nested too deeply");
  WriteValue(vaCollection);
  const String saved = FPropPath;
  FPropPath.clear();
  for (int32_t i = 0; i < Value->Count(); ++i) {
    WriteListBegin();
    WriteProperties(Value->Items(i));
    WriteListEnd();
  }
  FPropPath = saved;
  WriteListEnd();
  --FDepth;
}

// ---------------------------------------------------------------------------
// TReader

TReader::TReader(TStream* Stream) : TFiler(Stream) {
  const int64_t position = Stream->Position();
  const int64_t size = Stream->Size();
  FStreamLeft = size > position ? size - position : 0;
}

TReader::~TReader() {
  const int64_t unread = FBufEnd - FBufPos;
  if (unread > 0) {
    try {
      FStream->Seek(-unread, soCurrent);
    } catch (...) {
    }
  }
}

void TReader::Fill() {
  if (FBufPos < FBufEnd || FStreamLeft == 0) return;
  const int64_t n = std::min<int64_t>(sizeof FBuf, FStreamLeft);
  FStream->ReadBuffer(FBuf, n);
  FStreamLeft -= n;
  FBufPos = 0;
  FBufEnd = n;
}

void TReader::Read(void* Buffer, int64_t Count) {
  if (Count < 0 || Count > BytesLeft()) ReadError();
  auto* out = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    if (FBufPos < FBufEnd) {
      const int64_t n = std::min(Count, FBufEnd - FBufPos);
      std::memcpy(out, FBuf + FBufPos, static_cast<size_t>(n));
      FBufPos += n;
      out += n;
      Count -= n;
    } else if (Count >= static_cast<int64_t>(sizeof FBuf)) {
      FStream->ReadBuffer(out, Count);
      FStreamLeft -= Count;
      Count = 0;
    } else {
      Fill();
    }
  }
}

template <class I>
I TReader::ReadLE() {
  using U = std::make_unsigned_t<I>;
  uint8_t bytes[sizeof(I)];
  Read(bytes, sizeof bytes);
  U u = 0;
  for (size_t i = 0; i < sizeof(I); ++i) u = static_cast<U>(u | (U(bytes[i]) << (8 * i)));
  return static_cast<I>(u);
}

void TReader::PropValueError() { throw EReadError("Invalid property value"); }

void TReader::EnterLevel() {
  if (++FDepth > kMaxStreamDepth) throw EReadError("Stream nested too deeply");
}

void TReader::CountObject() {
  if (++FObjects > kMaxStreamObjects) throw EReadError("Too many objects in the stream");
}

TValueType TReader::ReadValue() {
  uint8_t b;
  Read(&b, 1);
  if (b > kMaxValueType) InvalidStream();
  return static_cast<TValueType>(b);
}

uint8_t TReader::PeekByte() {
  Fill();
  if (FBufPos >= FBufEnd) ReadError();
  return FBuf[FBufPos];
}

TValueType TReader::NextValue() {
  const uint8_t b = PeekByte();
  if (b > kMaxValueType) InvalidStream();
  return static_cast<TValueType>(b);
}

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) InvalidStream();
}

void TReader::ReadSignature() {
  char signature[4];
  Read(signature, 4);
  if (std::memcmp(signature, "TPF0", 4) != 0) InvalidStream();
}

void TReader::ReadPrefix(uint8_t& Flags, int32_t& ChildPos) {
  Flags = 0;
  ChildPos = 0;
  const uint8_t b = PeekByte();
  if ((b & 0xF0) != 0xF0) return;
  ++FBufPos;
  Flags = b & 0x0F;
  if ((Flags & ~(ffInherited | ffChildPos | ffInline)) != 0) InvalidStream();
  if ((Flags & ffChildPos) != 0) ChildPos = ReadInteger();
}

String TReader::ReadStr() {
  uint8_t n;
  Read(&n, 1);
  String s(n, '\0');
  Read(s.data(), n);
  return s;
}

int64_t TReader::ReadIntPayload(TValueType Type) {
  switch (Type) {
    case vaInt8: return ReadLE<int8_t>();
    case vaInt16: return ReadLE<int16_t>();
    case vaInt32: return ReadLE<int32_t>();
    case vaInt64: return ReadLE<int64_t>();
    default: PropValueError();
  }
}

int32_t TReader::ReadInteger() {
  const int64_t v = ReadIntPayload(ReadValue());
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) PropValueError();
  return static_cast<int32_t>(v);
}

int64_t TReader::ReadInt64() { return ReadIntPayload(ReadValue()); }

bool TReader::ReadBoolean() {
  const TValueType t = ReadValue();
  if (t == vaFalse) return false;
  if (t == vaTrue) return true;
  if (t == vaIdent) {
    const String ident = ReadStr();
    if (AsciiSameText(ident, "False")) return false;
    if (AsciiSameText(ident, "True")) return true;
  }
  PropValueError();
}

int64_t TReader::ReadCurrencyPayload() { return ReadLE<int64_t>(); }

double TReader::ReadFloatPayload(TValueType Type) {
  switch (Type) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: return static_cast<double>(ReadIntPayload(Type));
    case vaExtended: {
      uint8_t bytes[10];
      Read(bytes, sizeof bytes);
      double v;
      if (!ExtendedToDouble(bytes, v)) throw EReadError("Invalid floating point value");
      return v;
    }
    case vaDouble:
    case vaDate: {
      const uint64_t bits = ReadLE<uint64_t>();
      double v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
    case vaSingle: {
      const uint32_t bits = ReadLE<uint32_t>();
      float v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
    case vaCurrency: return static_cast<double>(ReadCurrencyPayload()) / 10000.0;
    default: PropValueError();
  }
}

double TReader::ReadFloat() { return ReadFloatPayload(ReadValue()); }

int32_t TReader::ReadCountPayload(int64_t UnitSize) {
  const int32_t n = ReadLE<int32_t>();
  if (n < 0 || n * UnitSize > BytesLeft()) InvalidStream();
  return n;
}

String TReader::ReadBytesPayload(TValueType Type) {
  int64_t n;
  switch (Type) {
    case vaString: {
      uint8_t len;
      Read(&len, 1);
      n = len;
      break;
    }
    case vaLString:
    case vaUTF8String:
    case vaBinary: n = ReadCountPayload(1); break;
    default: PropValueError();
  }
  String s(static_cast<size_t>(n), '\0');
  Read(s.data(), n);
  return s;
}

WideString TReader::ReadWideStringPayload(TValueType Type) {
  if (Type != vaWString) return UTF8ToUTF16(ReadStringPayload(Type));
  const int32_t n = ReadCountPayload(2);
  WideString w(static_cast<size_t>(n), u'\0');
  constexpr int32_t kChunk = 2048;
  uint8_t bytes[2 * kChunk];
  for (int32_t done = 0; done < n;) {
    const int32_t k = std::min(kChunk, n - done);
    Read(bytes, 2 * k);
    for (int32_t i = 0; i < k; ++i)
      w[static_cast<size_t>(done + i)] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    done += k;
  }
  return w;
}

String TReader::ReadStringPayload(TValueType Type) {
  switch (Type) {
    case vaString:
    case vaLString:
    case vaUTF8String: return NarrowToUTF8(ReadBytesPayload(Type));
    case vaWString: return UTF16ToUTF8(ReadWideStringPayload(Type));
    default: PropValueError();
  }
}

String TReader::ReadString() { return ReadStringPayload(ReadValue()); }

WideString TReader::ReadWideString() { return ReadWideStringPayload(ReadValue()); }

String TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    default: PropValueError();
  }
}

uint64_t TReader::ReadSet(const TEnumTypeInfo& ElementType) {
  if (ReadValue() != vaSet) PropValueError();
  uint64_t bits = 0;
  for (;;) {
    const String name = ReadStr();
    if (name.empty()) break;
    const int64_t ordinal = GetEnumValue(ElementType, name);
    if (ordinal < 0 || ordinal >= 64) PropValueError();
    bits |= uint64_t(1) << ordinal;
  }
  return bits;
}

void TReader::ReadBinary(const TStreamProc& ReadData) {
  if (ReadValue() != vaBinary) PropValueError();
  const int32_t n = ReadCountPayload(1);
  TMemoryStream data;
  data.SetSize(n);
  Read(data.Memory(), n);
  data.SetPosition(0);
  if (ReadData) ReadData(&data);
}

void TReader::SkipValue() {
  const TValueType t = ReadValue();
  switch (t) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil: return;
    case vaList:
      EnterLevel();
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      LeaveLevel();
      return;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: ReadIntPayload(t); return;
    case vaExtended:
    case vaDouble:
    case vaDate:
    case vaSingle:
    case vaCurrency: {
      const int64_t size = t == vaExtended ? 10 : t == vaSingle ? 4 : 8;
      uint8_t bytes[10];
      Read(bytes, size);
      return;
    }
    case vaIdent: ReadStr(); return;
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaBinary: ReadBytesPayload(t); return;
    case vaWString: ReadWideStringPayload(t); return;
    case vaSet:
      while (!ReadStr().empty()) {
      }
      return;
    case vaCollection:
      EnterLevel();
      while (!EndOfList()) {
        ReadListBegin();
        while (!EndOfList()) {
          ReadStr();
          SkipValue();
        }
        ReadListEnd();
      }
      ReadListEnd();
      LeaveLevel();
      return;
  }
}

void TReader::DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc, bool) {
  if (FPropFound || !ReadData || !AsciiSameText(Name, FPropName)) return;
  FPropFound = true;
  ReadData(this);
}

void TReader::DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc, bool) {
  if (FPropFound || !ReadData || !AsciiSameText(Name, FPropName)) return;
  FPropFound = true;
  ReadBinary(ReadData);
}

namespace {

// Turns an error of a setter or of user code into a read error of the stream.
template <class F>
void Guarded(const String& What, F&& Body) {
  try {
    Body();
  } catch (const EStreamError&) {
    throw;
  } catch (const EOutOfMemory&) {
    throw;
  } catch (const Exception& e) {
    throw EReadError("Error reading %s: %s", {What, e.Message()});
  }
}

}  // namespace

void TReader::SetState(TComponent* Component, TComponentStateItem Item, bool On) {
  TComponentState s = Component->ComponentState();
  if (On)
    s.Include(Item);
  else
    s.Exclude(Item);
  Component->SetComponentState(s);
}

TComponent* TReader::ReadRootComponent(TComponent* Root, TComponent* Owner) {
  ReadSignature();
  uint8_t flags;
  int32_t position;
  ReadPrefix(flags, position);
  const String className = ReadStr();
  const String name = ReadStr();
  bool created = false;
  if (Root == nullptr) {
    const TClassInfo& info = FindClass(className);
    if (!info.Factory()) throw EReadError("Class %s cannot be created", {className});
    CountObject();
    Root = info.Factory()(Owner);
    created = true;
  } else if (!AsciiSameText(className, String(Root->ClassName()))) {
    throw EReadError("Invalid stream format: a %s cannot be read into a %s", {className, String(Root->ClassName())});
  }
  FRoot = Root;
  // A failed read leaves no component half loaded and no root it made.
  auto rollback = ScopeFail([&] {
    for (const auto& ref : FLoaded) {
      if (TComponent* c = ref.Get()) {
        SetState(c, TComponentStateItem::csReading, false);
        SetState(c, TComponentStateItem::csLoading, false);
      }
    }
    FLoaded.clear();
    FFixups.clear();
    if (created) delete Root;
    FRoot = nullptr;
  });
  Guarded(className, [&] { Root->SetName(name); });
  SetState(Root, TComponentStateItem::csLoading, true);
  SetState(Root, TComponentStateItem::csReading, true);
  FLoaded.emplace_back(Root);
  ReadComponentBody(Root);
  FixupReferences();
  // Every component is complete now: leave the reading state and tell them.
  for (const auto& ref : FLoaded)
    if (TComponent* c = ref.Get()) SetState(c, TComponentStateItem::csReading, false);
  std::vector<TComponentRef<TComponent>> loaded;
  loaded.swap(FLoaded);
  for (const auto& ref : loaded) {
    if (TComponent* c = ref.Get()) {
      c->Loaded();
      SetState(c, TComponentStateItem::csLoading, false);
    }
  }
  return Root;
}

void TReader::ReadComponentBody(TComponent* Component) {
  while (!EndOfList()) ReadProperty(Component);
  ReadListEnd();
  while (!EndOfList()) ReadComponent(Component);
  ReadListEnd();
}

TComponent* TReader::ReadComponent(TComponent*) {
  EnterLevel();
  uint8_t flags;
  int32_t position;
  ReadPrefix(flags, position);
  const String className = ReadStr();
  const String name = ReadStr();
  TComponent* component;
  bool created = false;
  if ((flags & ffInherited) != 0) {
    // Already made by the root's constructor: read into it.
    component = FRoot->FindComponent(name);
    if (component == nullptr || !AsciiSameText(className, String(component->ClassName())))
      throw EReadError("Ancestor for '%s' not found", {name});
  } else {
    CountObject();
    const TClassInfo& info = FindClass(className);
    if (!info.Factory()) throw EReadError("Class %s cannot be created", {className});
    component = info.Factory()(FRoot);
    created = true;
  }
  {
    auto rollback = ScopeFail([&] {
      if (created) delete component;
    });
    if (created) Guarded(className, [&] { component->SetName(name); });
    SetState(component, TComponentStateItem::csLoading, true);
    SetState(component, TComponentStateItem::csReading, true);
    FLoaded.emplace_back(component);
    ReadComponentBody(component);
  }
  LeaveLevel();
  return component;
}

void TReader::ReadProperty(TPersistent* Instance) {
  const String path = ReadStr();
  // Split "A.B.C": every part but the last names a nested object.
  std::vector<String> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == String::npos ? String::npos : dot - start));
    if (parts.back().empty()) InvalidStream();
    if (dot == String::npos) break;
    start = dot + 1;
  }
  TPersistent* target = Instance;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const TClassInfo* info = GetClassInfo(target);
    const TPropInfo* prop = info != nullptr ? info->FindProp(parts[i]) : nullptr;
    if (prop != nullptr && prop->Kind == TPropKind::pkClass) {
      TPersistent* object = prop->GetObject(target);
      if (object == nullptr) throw EReadError("Property %s does not exist", {path});
      target = object;
      continue;
    }
    if (prop != nullptr && prop->Kind == TPropKind::pkStrings && i + 2 == parts.size() &&
        AsciiSameText(parts.back(), "Strings")) {
      auto* strings = dynamic_cast<TStrings*>(prop->GetObject(target));
      if (strings == nullptr) throw EReadError("Property %s does not exist", {path});
      Guarded(path, [&] { ReadStringsData(strings); });
      return;
    }
    throw EReadError("Property %s does not exist", {path});
  }
  const TClassInfo* info = GetClassInfo(target);
  const TPropInfo* prop = info != nullptr ? info->FindProp(parts.back()) : nullptr;
  if (prop != nullptr) {
    Guarded(path, [&] { ReadPropValue(target, *prop); });
    return;
  }
  // Not published: maybe one of the object's DefineProperties.
  const String savedName = FPropName;
  const bool savedFound = FPropFound;
  FPropName = parts.back();
  FPropFound = false;
  Guarded(path, [&] { target->DefineProperties(this); });
  const bool found = FPropFound;
  FPropName = savedName;
  FPropFound = savedFound;
  if (!found) throw EReadError("Property %s does not exist", {path});
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo& Prop) {
  switch (Prop.Kind) {
    case TPropKind::pkInteger:
    case TPropKind::pkInt64: {
      const int64_t v = ReadInt64();
      if (v < Prop.MinValue || v > Prop.MaxValue) PropValueError();
      Prop.SetOrd(Instance, v);
      return;
    }
    case TPropKind::pkEnumeration: {
      if (Prop.EnumType == &TypeInfoBoolean()) {
        Prop.SetOrd(Instance, ReadBoolean() ? 1 : 0);
        return;
      }
      if (ReadValue() != vaIdent) PropValueError();
      const int64_t v = GetEnumValue(*Prop.EnumType, ReadStr());
      if (v < 0) PropValueError();
      Prop.SetOrd(Instance, v);
      return;
    }
    case TPropKind::pkSet: Prop.SetOrd(Instance, static_cast<int64_t>(ReadSet(*Prop.EnumType))); return;
    case TPropKind::pkColor: {
      const TValueType t = ReadValue();
      int64_t v;
      if (t == vaIdent) {
        int32_t color;
        if (Prop.IdentMap == nullptr || !Prop.IdentMap->FromIdent(ReadStr(), color)) PropValueError();
        v = color;
      } else {
        v = ReadIntPayload(t);
      }
      if (v < Prop.MinValue || v > Prop.MaxValue) PropValueError();
      Prop.SetOrd(Instance, v);
      return;
    }
    case TPropKind::pkFloat: {
      const double v = ReadFloat();
      if (Prop.FloatType == TFloatType::ftSingle && std::isfinite(v) &&
          std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max()))
        PropValueError();
      Prop.SetFloat(Instance, v);
      return;
    }
    case TPropKind::pkString: Prop.SetStr(Instance, ReadString()); return;
    case TPropKind::pkWideString: Prop.SetWStr(Instance, ReadWideString()); return;
    case TPropKind::pkComponent: {
      const TValueType t = ReadValue();
      if (t == vaNil) {
        Prop.SetComponent(Instance, nullptr);
      } else if (t == vaIdent) {
        FFixups.push_back(TFixup{Instance, &Prop, ReadStr()});
      } else {
        PropValueError();
      }
      return;
    }
    case TPropKind::pkCollection: {
      auto* collection = dynamic_cast<TCollection*>(Prop.GetObject(Instance));
      if (collection == nullptr) PropValueError();
      ReadCollection(collection);
      return;
    }
    case TPropKind::pkClass:
    case TPropKind::pkStrings: PropValueError();
  }
}

void TReader::ReadStringsData(TStrings* Strings) {
  ReadListBegin();
  auto update = UpdateScope(Strings);
  Strings->Clear();
  while (!EndOfList()) Strings->Add(ReadString());
  ReadListEnd();
}

void TReader::ReadCollection(TCollection* Value) {
  if (ReadValue() != vaCollection) PropValueError();
  // Reading a collection frees its old items; a second entry for the same
  // collection could free items that pending references point into.
  if (std::find(FReadCollections.begin(), FReadCollections.end(), Value) != FReadCollections.end()) InvalidStream();
  FReadCollections.push_back(Value);
  EnterLevel();
  {
    auto update = UpdateScope(Value);
    Value->Clear();
    while (!EndOfList()) {
      ReadListBegin();  // item order values are not part of this format
      CountObject();
      TCollectionItem* item = Value->Add();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  }
  LeaveLevel();
}

void TReader::FixupReferences() {
  std::vector<TFixup> fixups;
  fixups.swap(FFixups);
  for (const TFixup& f : fixups) {
    TComponent* target = nullptr;
    if (!FRoot->Name().empty() && AsciiSameText(FRoot->Name(), f.Name))
      target = FRoot;
    else
      target = FRoot->FindComponent(f.Name);
    // An unresolved name leaves the property as it was.
    if (target != nullptr) Guarded(f.Prop->Name, [&] { f.Prop->SetComponent(f.Instance, target); });
  }
}

// ---------------------------------------------------------------------------

void WriteComponent(TStream* Stream, TComponent* Instance) {
  TWriter writer(Stream);
  writer.WriteRootComponent(Instance);
}

TComponent* ReadComponent(TStream* Stream, TComponent* Instance, TComponent* Owner) {
  TReader reader(Stream);
  return reader.ReadRootComponent(Instance, Owner);
}
