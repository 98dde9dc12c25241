#include "platform/rtl/objtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

#include "platform/rtl/filer.h"
#include "platform/rtl/strings.h"

namespace {

constexpr const char* kEol = "\r\n";
constexpr int32_t kStringLineLength = 64;  // code points of a string per line
constexpr int kBinaryLineBytes = 32;

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool AsciiSameText(const String& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiUpper(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Shortest text that reads back to the same value, always with a "." or an
// exponent so that it reads as a float.
template <class F>
String FloatText(F Value) {
  if (!std::isfinite(Value)) throw EReadError("Invalid floating point value");
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  String s(buf, r.ptr);
  if (s.find_first_of(".e") == String::npos) s += ".0";
  return s;
}

String CurrencyText(int64_t Scaled) {
  const bool negative = Scaled < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(Scaled) : static_cast<uint64_t>(Scaled);
  String s = negative ? "-" : "";
  s += IntToStr(magnitude / 10000);
  uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    String digits = IntToStr(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    s += "." + digits;
  }
  return s + "c";
}

// Identifiers of the stream (classes, names, properties, set elements) must
// read back as the same tokens.
void CheckIdent(const String& s, bool Dotted) {
  bool segmentStart = true;
  for (char c : s) {
    if (segmentStart) {
      if (!IsIdentStart(c)) throw EReadError("Invalid stream format");
      segmentStart = false;
    } else if (c == '.' && Dotted) {
      segmentStart = true;
    } else if (!IsIdentChar(c)) {
      throw EReadError("Invalid stream format");
    }
  }
  if (segmentStart) throw EReadError("Invalid stream format");
}

// ---------------------------------------------------------------------------
// Binary to text

class TBinaryToText {
 public:
  explicit TBinaryToText(TReader& Reader) : R(Reader) {}

  String Convert() {
    R.ReadSignature();
    ConvertObject(0);
    return std::move(FOut);
  }

 private:
  void Indent(int Level) { FOut.append(static_cast<size_t>(Level) * 2, ' '); }
  void NewLine(int Level) {
    FOut += kEol;
    Indent(Level);
  }

  void ConvertObject(int Level) {
    R.EnterLevel();
    uint8_t flags;
    int32_t position;
    R.ReadPrefix(flags, position);
    const String className = R.ReadStr();
    const String name = R.ReadStr();
    CheckIdent(className, false);
    if (!name.empty()) CheckIdent(name, false);
    Indent(Level);
    FOut += (flags & ffInherited) != 0 ? "inherited " : (flags & ffInline) != 0 ? "inline " : "object ";
    if (!name.empty()) FOut += name + ": ";
    FOut += className;
    if ((flags & ffChildPos) != 0) FOut += " [" + IntToStr(position) + "]";
    FOut += kEol;
    while (!R.EndOfList()) ConvertProperty(Level + 1);
    R.ReadListEnd();
    while (!R.EndOfList()) ConvertObject(Level + 1);
    R.ReadListEnd();
    Indent(Level);
    FOut += "end";
    FOut += kEol;
    R.LeaveLevel();
  }

  void ConvertProperty(int Level) {
    const String name = R.ReadStr();
    CheckIdent(name, true);
    // The text reader takes these words for the structure, never for a name.
    const String first = name.substr(0, name.find('.'));
    for (const char* keyword : {"object", "inherited", "inline", "end"})
      if (AsciiSameText(first, keyword)) throw EReadError("Invalid stream format");
    Indent(Level);
    FOut += name + " = ";
    ConvertValue(Level);
    FOut += kEol;
  }

  void ConvertValue(int Level) {
    const TValueType t = R.ReadValue();
    switch (t) {
      case vaList:
        FOut += "(";
        R.EnterLevel();
        while (!R.EndOfList()) {
          NewLine(Level + 1);
          ConvertValue(Level + 1);
        }
        R.ReadListEnd();
        R.LeaveLevel();
        FOut += ")";
        return;
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64: FOut += IntToStr(R.ReadIntPayload(t)); return;
      case vaExtended:
      case vaDouble: FOut += FloatText(R.ReadFloatPayload(t)); return;
      case vaSingle: FOut += FloatText(static_cast<float>(R.ReadFloatPayload(t))) + "s"; return;
      case vaDate: FOut += FloatText(R.ReadFloatPayload(t)) + "d"; return;
      case vaCurrency: FOut += CurrencyText(R.ReadCurrencyPayload()); return;
      case vaString:
      case vaLString:
      case vaUTF8String:
      case vaWString: ConvertString(R.ReadWideStringPayload(t), Level); return;
      case vaIdent: {
        const String ident = R.ReadStr();
        CheckIdent(ident, false);
        FOut += ident;
        return;
      }
      case vaFalse: FOut += "False"; return;
      case vaTrue: FOut += "True"; return;
      case vaNil: FOut += "nil"; return;
      case vaSet: {
        FOut += "[";
        bool first = true;
        for (String name = R.ReadStr(); !name.empty(); name = R.ReadStr()) {
          CheckIdent(name, false);
          if (!first) FOut += ", ";
          FOut += name;
          first = false;
        }
        FOut += "]";
        return;
      }
      case vaBinary: {
        const String bytes = R.ReadBytesPayload(t);
        static const char kHex[] = "0123456789ABCDEF";
        FOut += "{";
        for (size_t i = 0; i < bytes.size(); ++i) {
          if (i % kBinaryLineBytes == 0) NewLine(Level + 1);
          const auto b = static_cast<uint8_t>(bytes[i]);
          FOut += kHex[b >> 4];
          FOut += kHex[b & 15];
        }
        FOut += "}";
        return;
      }
      case vaCollection:
        FOut += "<";
        R.EnterLevel();
        while (!R.EndOfList()) {
          NewLine(Level + 1);
          FOut += "item";
          FOut += kEol;
          R.ReadListBegin();
          while (!R.EndOfList()) ConvertProperty(Level + 2);
          R.ReadListEnd();
          Indent(Level + 1);
          FOut += "end";
        }
        R.ReadListEnd();
        R.LeaveLevel();
        FOut += ">";
        return;
      case vaNull: throw EReadError("Invalid stream format");
    }
  }

  // Printable ASCII in quotes, every other code point as #n (a lone
  // surrogate as its unit).
  void ConvertString(const WideString& W, int Level) {
    if (W.empty()) {
      FOut += "''";
      return;
    }
    std::vector<uint32_t> points;
    points.reserve(W.size());
    for (size_t i = 0; i < W.size(); ++i) {
      const uint32_t u = W[i];
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < W.size() && W[i + 1] >= 0xDC00 && W[i + 1] <= 0xDFFF) {
        points.push_back(0x10000 + ((u - 0xD800) << 10) + (W[i + 1] - 0xDC00u));
        ++i;
      } else {
        points.push_back(u);
      }
    }
    auto printable = [](uint32_t c) { return c >= 32 && c <= 126; };
    const auto count = static_cast<int32_t>(points.size());
    int32_t i = 0;
    int32_t lineStart = 0;
    while (i < count) {
      if (printable(points[static_cast<size_t>(i)])) {
        FOut += "'";
        while (i < count && printable(points[static_cast<size_t>(i)]) && i - lineStart < kStringLineLength) {
          const char c = static_cast<char>(points[static_cast<size_t>(i)]);
          if (c == '\'') FOut += '\'';
          FOut += c;
          ++i;
        }
        FOut += "'";
      } else {
        FOut += "#" + IntToStr(points[static_cast<size_t>(i)]);
        ++i;
      }
      if (i - lineStart >= kStringLineLength && i < count) {
        FOut += " +";
        NewLine(Level + 1);
        lineStart = i;
      }
    }
  }

  TReader& R;
  String FOut;
};

// ---------------------------------------------------------------------------
// Text to binary

enum class TToken : uint8_t { tkEOF, tkSymbol, tkIdent, tkString, tkInteger, tkFloat };

class TTextToBinary {
 public:
  TTextToBinary(String Text, TWriter& Writer) : FText(std::move(Text)), W(Writer) { NextToken(); }

  void Convert() {
    W.WriteSignature();
    ConvertObject();
    if (FToken != TToken::tkEOF) Error("Text after the final end");
    W.FlushBuffer();
  }

 private:
  [[noreturn]] void Error(const String& What) { throw EParserError("%s on line %d", {What, FTokenLine}); }

  // ---- Tokens ----
  void SkipBlanks() {
    while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= ' ') {
      if (FText[FPos] == '\n' || (FText[FPos] == '\r' && (FPos + 1 >= FText.size() || FText[FPos + 1] != '\n')))
        ++FLine;
      ++FPos;
    }
  }

  void NextToken() {
    SkipBlanks();
    FTokenLine = FLine;
    if (FPos >= FText.size()) {
      FToken = TToken::tkEOF;
      return;
    }
    const char c = FText[FPos];
    if (IsIdentStart(c)) {
      const size_t start = FPos;
      while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
      FToken = TToken::tkIdent;
      FIdent = FText.substr(start, FPos - start);
      return;
    }
    if (c == '\'' || c == '#') {
      ScanString();
      return;
    }
    if (IsDigit(c) || c == '$' ||
        ((c == '-' || c == '+') && FPos + 1 < FText.size() && (IsDigit(FText[FPos + 1]) || FText[FPos + 1] == '$'))) {
      ScanNumber();
      return;
    }
    if (std::strchr("=:[](){}<>,+.", c) != nullptr) {
      FToken = TToken::tkSymbol;
      FSymbol = c;
      ++FPos;
      return;
    }
    Error("Invalid character");
  }

  // Quoted parts and #n codes, adjacent, make one string.
  void ScanString() {
    FToken = TToken::tkString;
    FString.clear();
    while (FPos < FText.size()) {
      const char c = FText[FPos];
      if (c == '\'') {
        ++FPos;
        for (;;) {
          if (FPos >= FText.size() || FText[FPos] == '\r' || FText[FPos] == '\n') Error("Unterminated string");
          if (FText[FPos] == '\'') {
            if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
              FString += u'\'';
              FPos += 2;
              continue;
            }
            ++FPos;
            break;
          }
          AppendCodePoint(DecodeUTF8());
        }
      } else if (c == '#') {
        ++FPos;
        if (FPos >= FText.size() || !IsDigit(FText[FPos])) Error("Invalid character code");
        uint32_t code = 0;
        while (FPos < FText.size() && IsDigit(FText[FPos])) {
          code = code * 10 + static_cast<uint32_t>(FText[FPos] - '0');
          if (code > 0x10FFFF) Error("Invalid character code");
          ++FPos;
        }
        AppendCodePoint(code);
      } else {
        break;
      }
    }
  }

  void AppendCodePoint(uint32_t Code) {
    if (Code >= 0x10000) {
      Code -= 0x10000;
      FString += static_cast<char16_t>(0xD800 + (Code >> 10));
      FString += static_cast<char16_t>(0xDC00 + (Code & 0x3FF));
    } else {
      FString += static_cast<char16_t>(Code);  // lone surrogates pass as units
    }
  }

  // The text is valid UTF-8 (made so on input).
  uint32_t DecodeUTF8() {
    const auto b = static_cast<unsigned char>(FText[FPos++]);
    if (b < 0x80) return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    uint32_t code = b & (0x3F >> extra);
    while (extra-- > 0 && FPos < FText.size()) code = (code << 6) | (static_cast<unsigned char>(FText[FPos++]) & 0x3F);
    return code;
  }

  void ScanNumber() {
    const size_t start = FPos;
    bool negative = false;
    if (FText[FPos] == '-' || FText[FPos] == '+') negative = FText[FPos++] == '-';
    if (FText[FPos] == '$') {
      ++FPos;
      uint64_t v = 0;
      int digits = 0;
      while (FPos < FText.size() && HexValue(FText[FPos]) >= 0) {
        if (++digits > 16) Error("Integer out of range");
        v = (v << 4) | static_cast<uint64_t>(HexValue(FText[FPos++]));
      }
      if (digits == 0) Error("Invalid number");
      if (FPos < FText.size() && IsIdentChar(FText[FPos])) Error("Invalid number");
      FToken = TToken::tkInteger;
      FInteger = static_cast<int64_t>(negative ? 0 - v : v);
      return;
    }
    const size_t digitsStart = FPos;
    while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    const size_t intEnd = FPos;
    bool isFloat = false;
    size_t fractionDigits = 0;
    bool hasExponent = false;
    if (FPos + 1 < FText.size() && FText[FPos] == '.' && IsDigit(FText[FPos + 1])) {
      isFloat = true;
      ++FPos;
      while (FPos < FText.size() && IsDigit(FText[FPos])) {
        ++FPos;
        ++fractionDigits;
      }
    }
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      size_t p = FPos + 1;
      if (p < FText.size() && (FText[p] == '+' || FText[p] == '-')) ++p;
      if (p < FText.size() && IsDigit(FText[p])) {
        isFloat = true;
        hasExponent = true;
        FPos = p;
        while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
      }
    }
    const size_t numberEnd = FPos;
    char suffix = 0;
    if (FPos < FText.size() && std::strchr("sScCdD", FText[FPos]) != nullptr) {
      suffix = static_cast<char>(FText[FPos] | 0x20);
      ++FPos;
      isFloat = true;
    }
    if (FPos < FText.size() && (IsIdentChar(FText[FPos]) || FText[FPos] == '.')) Error("Invalid number");
    FSuffix = suffix;
    if (!isFloat) {
      uint64_t v = 0;
      for (size_t i = digitsStart; i < intEnd; ++i) {
        const auto d = static_cast<uint64_t>(FText[i] - '0');
        if (v > (uint64_t(1) << 63) / 10 || v * 10 + d > (uint64_t(1) << 63) - (negative ? 0 : 1))
          Error("Integer out of range");
        v = v * 10 + d;
      }
      FToken = TToken::tkInteger;
      FInteger = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
      return;
    }
    FToken = TToken::tkFloat;
    const char* first = FText.data() + start + (FText[start] == '+' ? 1 : 0);
    const char* last = FText.data() + numberEnd;
    double d = 0;
    if (suffix == 's') {
      float f = 0;
      const auto r = std::from_chars(first, last, f);
      if (r.ptr != last) Error("Invalid floating point number");
      if (r.ec != std::errc()) f = OutOfRange<float>(first, last);
      d = f;
    } else {
      const auto r = std::from_chars(first, last, d);
      if (r.ptr != last) Error("Invalid floating point number");
      if (r.ec != std::errc()) d = OutOfRange<double>(first, last);
    }
    FFloat = d;
    if (suffix == 'c') {
      if (!hasExponent && fractionDigits <= 4) {
        // Exact: the digits themselves, scaled by 10000.
        uint64_t v = 0;
        auto push = [&](char ch) {
          if (v > (std::numeric_limits<uint64_t>::max() - 9) / 10) Error("Currency value out of range");
          v = v * 10 + static_cast<uint64_t>(ch - '0');
        };
        for (size_t i = digitsStart; i < intEnd; ++i) push(FText[i]);
        for (size_t i = 0; i < 4; ++i) push(i < fractionDigits ? FText[intEnd + 1 + i] : '0');
        if (v > (uint64_t(1) << 63) - (negative ? 0 : 1)) Error("Currency value out of range");
        FCurrency = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
      } else {
        const double scaled = std::nearbyint(d * 10000.0);
        if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) Error("Currency value out of range");
        FCurrency = static_cast<int64_t>(scaled);
      }
    }
  }

  // A literal beyond the range of F: zero when it is too small, an error when
  // it is too large.
  template <class F>
  F OutOfRange(const char* First, const char* Last) {
    const bool negative = *First == '-';
    if (negative) ++First;
    int64_t magnitude = 0;  // power of ten of the first significant digit
    int64_t integerDigits = 0;
    const char* p = First;
    for (; p < Last && IsDigit(*p); ++p)
      if (integerDigits > 0 || *p != '0') ++integerDigits;
    if (integerDigits > 0) {
      magnitude = integerDigits - 1;
    } else if (p < Last && *p == '.') {
      ++p;
      int64_t zeros = 0;
      for (; p < Last && *p == '0'; ++p) ++zeros;
      magnitude = -(zeros + 1);
    }
    while (p < Last && (IsDigit(*p) || *p == '.')) ++p;
    if (p < Last && (*p == 'e' || *p == 'E')) {
      ++p;
      const bool negativeExponent = p < Last && *p == '-';
      if (p < Last && (*p == '-' || *p == '+')) ++p;
      int64_t exponent = 0;
      for (; p < Last && IsDigit(*p); ++p) exponent = std::min<int64_t>(exponent * 10 + (*p - '0'), 1000000000);
      magnitude += negativeExponent ? -exponent : exponent;
    }
    if (magnitude >= 0) Error("Floating point number out of range");
    return negative ? -F(0) : F(0);
  }

  bool IsSymbol(char c) const { return FToken == TToken::tkSymbol && FSymbol == c; }
  bool IsKeyword(const char* Word) const { return FToken == TToken::tkIdent && AsciiSameText(FIdent, Word); }
  bool IsObjectKeyword() const { return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline"); }

  void ExpectSymbol(char c) {
    if (!IsSymbol(c)) Error(String("'") + c + "' expected");
    NextToken();
  }
  String ExpectIdent() {
    if (FToken != TToken::tkIdent) Error("Identifier expected");
    String ident = FIdent;
    NextToken();
    return ident;
  }

  void Enter() {
    if (++FDepth > kMaxStreamDepth) Error("Nested too deeply");
  }
  void WriteName(const String& Name) {
    if (Name.size() > 255) Error("Name too long");
    W.WriteStr(Name);
  }

  // ---- Grammar ----
  void ConvertObject() {
    Enter();
    uint8_t flags = 0;
    if (IsKeyword("inherited"))
      flags = ffInherited;
    else if (IsKeyword("inline"))
      flags = ffInline;
    else if (!IsKeyword("object"))
      Error("'object' expected");
    NextToken();
    String name;
    String className = ExpectIdent();
    if (IsSymbol(':')) {
      NextToken();
      name = className;
      className = ExpectIdent();
    }
    int32_t position = 0;
    if (IsSymbol('[')) {
      NextToken();
      if (FToken != TToken::tkInteger || FInteger < std::numeric_limits<int32_t>::min() ||
          FInteger > std::numeric_limits<int32_t>::max())
        Error("Child position expected");
      position = static_cast<int32_t>(FInteger);
      flags |= ffChildPos;
      NextToken();
      ExpectSymbol(']');
    }
    W.WritePrefix(flags, position);
    WriteName(className);
    WriteName(name);
    while (FToken == TToken::tkIdent && !IsObjectKeyword() && !IsKeyword("end")) ConvertProperty();
    W.WriteListEnd();
    while (IsObjectKeyword()) ConvertObject();
    W.WriteListEnd();
    if (!IsKeyword("end")) Error("'end' expected");
    NextToken();
    --FDepth;
  }

  void ConvertProperty() {
    String name = ExpectIdent();
    while (IsSymbol('.')) {
      NextToken();
      name += "." + ExpectIdent();
    }
    if (!IsSymbol('=')) Error("'=' expected");
    NextToken();
    WriteName(name);
    ConvertValue();
  }

  void ConvertValue() {
    switch (FToken) {
      case TToken::tkInteger:
        W.WriteInteger(FInteger);
        NextToken();
        return;
      case TToken::tkFloat:
        switch (FSuffix) {
          case 's': W.WriteSingle(static_cast<float>(FFloat)); break;
          case 'c': W.WriteCurrencyRaw(FCurrency); break;
          case 'd': W.WriteDate(FFloat); break;
          default: W.WriteFloat(FFloat); break;
        }
        NextToken();
        return;
      case TToken::tkString: {
        WideString s = FString;
        NextToken();
        while (IsSymbol('+')) {
          NextToken();
          if (FToken != TToken::tkString) Error("String expected");
          s += FString;
          NextToken();
        }
        bool ascii = true;
        for (char16_t u : s) ascii = ascii && u < 0x80;
        if (ascii)
          W.WriteString(String(s.begin(), s.end()));
        else
          W.WriteWideString(s);
        return;
      }
      case TToken::tkIdent:
        if (FIdent.size() > 255) Error("Identifier too long");
        W.WriteIdent(FIdent);
        NextToken();
        return;
      case TToken::tkSymbol: break;
      case TToken::tkEOF: Error("Value expected");
    }
    switch (FSymbol) {
      case '[': {
        NextToken();
        W.WriteValue(vaSet);
        if (!IsSymbol(']')) {
          for (;;) {
            WriteName(ExpectIdent());
            if (IsSymbol(']')) break;
            ExpectSymbol(',');
          }
        }
        NextToken();
        W.WriteStr(String());
        return;
      }
      case '(':
        Enter();
        NextToken();
        W.WriteListBegin();
        while (!IsSymbol(')')) ConvertValue();
        NextToken();
        W.WriteListEnd();
        --FDepth;
        return;
      case '{': {
        // Hex digits and blanks up to '}', scanned straight from the text.
        String bytes;
        int high = -1;
        for (;;) {
          if (FPos >= FText.size()) Error("'}' expected");
          const char c = FText[FPos++];
          if (c == '}') break;
          if (c == '\n') ++FLine;
          if (static_cast<unsigned char>(c) <= ' ') continue;
          const int v = HexValue(c);
          if (v < 0) Error("Invalid binary value");
          if (high < 0) {
            high = v;
          } else {
            bytes += static_cast<char>((high << 4) | v);
            high = -1;
          }
        }
        if (high >= 0) Error("Invalid binary value");
        W.WriteBinary(bytes.data(), static_cast<int64_t>(bytes.size()));
        NextToken();
        return;
      }
      case '<':
        Enter();
        NextToken();
        W.WriteValue(vaCollection);
        while (!IsSymbol('>')) {
          if (!IsKeyword("item")) Error("'item' expected");
          NextToken();
          W.WriteListBegin();
          while (!IsKeyword("end")) ConvertProperty();
          NextToken();
          W.WriteListEnd();
        }
        NextToken();
        W.WriteListEnd();
        --FDepth;
        return;
      default: Error("Invalid property value");
    }
  }

  String FText;
  TWriter& W;
  size_t FPos = 0;
  int32_t FLine = 1;
  int32_t FTokenLine = 1;
  int FDepth = 0;
  TToken FToken = TToken::tkEOF;
  char FSymbol = 0;
  String FIdent;
  WideString FString;
  int64_t FInteger = 0;
  double FFloat = 0;
  int64_t FCurrency = 0;
  char FSuffix = 0;
};

}  // namespace

void ObjectBinaryToText(TStream* Input, TStream* Output) {
  String text;
  {
    TReader reader(Input);
    TBinaryToText converter(reader);
    text = converter.Convert();
  }
  Output->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void ObjectTextToBinary(TStream* Input, TStream* Output) {
  const int64_t position = Input->Position();
  const int64_t size = Input->Size();
  String text(static_cast<size_t>(size > position ? size - position : 0), '\0');
  Input->ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  if (!IsValidUTF8(text)) text = CP1252ToUTF8(text);
  TWriter writer(Output);
  TTextToBinary converter(std::move(text), writer);
  converter.Convert();
}
