// Component streaming: the binary component stream ("TPF0") of a component
// with its published properties, its DefineProperties data and its children.
//
// Stream layout (little-endian): "TPF0"; per component an optional prefix byte
// 0xF0 | flags (read, never written), class name and component name as short
// strings, property entries (name as a short string, then one typed value),
// vaNull, the child components, vaNull.
//
// Reading is bounded by the data: every length is checked against the bytes
// left before anything is allocated, nesting and object counts are capped, and
// a malformed stream raises EReadError (EClassNotFound for an unknown class).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/components.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/types.h"

class TCollection;
class TStrings;
class TReader;
class TWriter;

enum TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,  // 10-byte x87 extended
  vaString = 6,    // length byte + bytes
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,   // int32 length + bytes
  vaSet = 11,      // names as short strings, then an empty name
  vaLString = 12,  // int32 length + bytes
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,  // int64, value x 10000
  vaDate = 17,      // 8-byte double
  vaWString = 18,   // int32 count of UTF-16 units + UTF-16LE
  vaInt64 = 19,
  vaUTF8String = 20,  // int32 length + bytes
  vaDouble = 21
};
constexpr uint8_t kMaxValueType = vaDouble;

// Filer flags of the component prefix byte.
constexpr uint8_t ffInherited = 1;
constexpr uint8_t ffChildPos = 2;  // followed by an integer position
constexpr uint8_t ffInline = 4;

// Limits of a stream being read (and of the text form).
constexpr int kMaxStreamDepth = 64;          // nested components, lists, collections, objects
constexpr int64_t kMaxStreamObjects = 4096;  // components and collection items made by one read

// ---- The 80-bit extended format ---------------------------------------------
// Sign bit, 15-bit exponent (bias 16383), 64-bit mantissa with an explicit
// integer bit; mantissa first, little-endian. Encoded by hand so that the
// stream does not depend on what long double is on the build target.
void DoubleToExtended(double Value, uint8_t (&Bytes)[10]);
// The nearest double (ties to even; values below the double range round to a
// subnormal or zero). False for a finite value beyond the double range and for
// the invalid encodings (exponent 0x7FFF without the integer bit).
bool ExtendedToDouble(const uint8_t (&Bytes)[10], double& Value);

// ---- Filers -------------------------------------------------------------------

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

class TFiler {
 public:
  explicit TFiler(TStream* Stream) : FStream(Stream) {}
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;
  virtual ~TFiler() = default;

  // Called from DefineProperties: a property whose data is written and read by
  // the given procedures. The writer writes it only when HasData; the reader
  // calls ReadData when the stream holds a property of that name.
  virtual void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) = 0;
  // The same for raw bytes, streamed as vaBinary: WriteData fills a memory
  // stream; ReadData gets a memory stream holding exactly the stored bytes.
  virtual void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) = 0;

  TStream* Stream() const { return FStream; }
  // The component at the top of what is being streamed.
  TComponent* Root() const { return FRoot; }

 protected:
  TStream* FStream;
  TComponent* FRoot = nullptr;
};

// Writes values and components at the stream's position. Output is buffered;
// WriteRootComponent flushes at its end, other uses call FlushBuffer.
class TWriter : public TFiler {
 public:
  explicit TWriter(TStream* Stream);
  // Flushes what is left (errors are dropped here: flush first to see them).
  ~TWriter() override;

  void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

  // "TPF0" and Root as the top component, with everything it holds.
  void WriteRootComponent(TComponent* Root);
  // Header, properties, vaNull, children (Component->GetChildren), vaNull.
  void WriteComponent(TComponent* Component);
  // Published properties in declaration order, then DefineProperties.
  void WriteProperties(TPersistent* Instance);
  void WriteCollection(TCollection* Value);

  void WriteSignature();
  // The prefix byte (only when Flags is not 0) and the child position.
  void WritePrefix(uint8_t Flags, int32_t ChildPos);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // vaInt8, vaInt16 or vaInt32, whichever is the smallest to hold Value;
  // vaInt64 only outside the int32 range.
  void WriteInteger(int64_t Value);
  void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
  // vaString up to 255 bytes, else vaLString.
  void WriteString(const String& Value);
  void WriteWideString(const WideString& Value);
  void WriteUTF8String(const String& Value);
  void WriteFloat(double Value);  // vaExtended
  void WriteDouble(double Value);
  void WriteSingle(float Value);
  // vaCurrency: Value x 10000 rounded; EWriteError outside the int64 range.
  void WriteCurrency(double Value);
  void WriteCurrencyRaw(int64_t Scaled);
  void WriteDate(TDateTime Value);
  // vaIdent; "False", "True" and "nil" (any case) become vaFalse, vaTrue, vaNil.
  void WriteIdent(const String& Ident);
  // vaSet: the names of the elements present (bit i = ordinal i), then "".
  void WriteSet(const TEnumTypeInfo& ElementType, uint64_t Bits);
  // vaBinary: the bytes that WriteData puts into a memory stream.
  void WriteBinary(const TStreamProc& WriteData);
  void WriteBinary(const void* Data, int64_t Count);
  // A short string: length byte, then the bytes; EWriteError above 255 bytes.
  void WriteStr(const String& Value);
  void WriteValue(TValueType Value);
  void Write(const void* Buffer, int64_t Count);
  void FlushBuffer();

 private:
  void WriteProperty(TPersistent* Instance, const TPropInfo& Prop);
  void WritePropName(const String& Name);
  void WriteStringsData(TStrings* Strings);
  static void SetWriting(TComponent* Component, bool On);
  template <class I>
  void WriteLE(I Value);

  String FPropPath;  // prefix of nested objects' properties ("Font.")
  std::string FBuffer;
  int FDepth = 0;
};

// Reads values and components from the stream's position. Bytes are read
// ahead in blocks; the destructor moves the stream back to just after what
// was used.
class TReader : public TFiler {
 public:
  explicit TReader(TStream* Stream);
  ~TReader() override;

  void DefineProperty(const String& Name, TReaderProc ReadData, TWriterProc WriteData, bool HasData) override;
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;

  // Reads a whole top component: into Root when given (its class must be the
  // stream's), else into a new component of the registered class made with
  // Owner. Sets csLoading and csReading while reading, resolves references
  // by name at the end and calls Loaded once for every component read. On an
  // error a new root is freed; an existing root is left as far as it was read.
  TComponent* ReadRootComponent(TComponent* Root, TComponent* Owner = nullptr);

  void ReadSignature();
  void ReadPrefix(uint8_t& Flags, int32_t& ChildPos);
  TValueType ReadValue();
  TValueType NextValue();
  // The next byte is vaNull (a component's prefix byte is not a value type).
  bool EndOfList() { return PeekByte() == vaNull; }
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  void CheckValue(TValueType Value);

  // Conversions accepted: any integer width into integers (range-checked);
  // integers and every float type into floats; every string type into String
  // and WideString; vaFalse/vaTrue and the idents False/True into Boolean.
  int32_t ReadInteger();
  int64_t ReadInt64();
  bool ReadBoolean();
  String ReadString();  // UTF-8; 8-bit text that is not UTF-8 is read as Windows-1252
  WideString ReadWideString();
  double ReadFloat();
  float ReadSingle() { return static_cast<float>(ReadFloat()); }
  TDateTime ReadDate() { return ReadFloat(); }
  double ReadCurrency() { return ReadFloat(); }
  String ReadIdent();  // vaIdent, or vaFalse/vaTrue/vaNil as "False"/"True"/"nil"
  // vaSet: element bits (unknown names raise EReadError).
  uint64_t ReadSet(const TEnumTypeInfo& ElementType);
  void ReadCollection(TCollection* Value);
  // vaBinary into a memory stream given to ReadData.
  void ReadBinary(const TStreamProc& ReadData);
  void SkipValue();

  // Payloads of a value whose type was read with ReadValue.
  int64_t ReadIntPayload(TValueType Type);
  double ReadFloatPayload(TValueType Type);   // also vaCurrency as value / 10000
  int64_t ReadCurrencyPayload();              // the raw count of 1/10000
  String ReadStringPayload(TValueType Type);  // UTF-8 as ReadString
  WideString ReadWideStringPayload(TValueType Type);
  String ReadBytesPayload(TValueType Type);    // the stored bytes of an 8-bit string or binary
  int32_t ReadCountPayload(int64_t UnitSize);  // an int32 count whose data must be left

  // A short string.
  String ReadStr();
  // Exactly Count bytes, or EReadError when the stream has fewer left.
  void Read(void* Buffer, int64_t Count);
  int64_t BytesLeft() const { return FStreamLeft + (FBufEnd - FBufPos); }

  // The name of the property being read (the last part of its path).
  const String& PropName() const { return FPropName; }

  // Depth bookkeeping shared with the text converter.
  void EnterLevel();
  void LeaveLevel() { --FDepth; }

 private:
  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    String Name;
  };

  TComponent* ReadComponent(TComponent* Parent);
  void ReadComponentBody(TComponent* Component);
  void ReadProperty(TPersistent* Instance);
  void ReadPropValue(TPersistent* Instance, const TPropInfo& Prop);
  void ReadStringsData(TStrings* Strings);
  void FixupReferences();
  static void SetState(TComponent* Component, TComponentStateItem Item, bool On);
  void CountObject();
  void Fill();
  uint8_t PeekByte();
  template <class I>
  I ReadLE();
  [[noreturn]] void PropValueError();

  uint8_t FBuf[4096];
  int64_t FBufPos = 0;
  int64_t FBufEnd = 0;
  int64_t FStreamLeft = 0;
  String FPropName;
  bool FPropFound = false;
  int FDepth = 0;
  int64_t FObjects = 0;
  std::vector<TComponentRef<TComponent>> FLoaded;
  std::vector<TFixup> FFixups;
  std::vector<const TCollection*> FReadCollections;
};

// Writes Instance as a whole binary component stream at the stream's position.
void WriteComponent(TStream* Stream, TComponent* Instance);
// Reads one binary component stream from the stream's position: into Instance
// when given, else into a new component of the registered class made with
// Owner. Answers the component read.
TComponent* ReadComponent(TStream* Stream, TComponent* Instance = nullptr, TComponent* Owner = nullptr);
