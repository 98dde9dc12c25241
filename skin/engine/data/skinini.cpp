#include "skin/engine/data/skinini.h"

#include <array>
#include <type_traits>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/strings.h"

const char* const bsAlignmentWords[3] = {"taleftjustify", "tarightjustify", "tacenter"};
const char* const bsStretchTypeWords[3] = {"stfull", "sthorz", "stvert"};
const char* const bsMorphKindWords[7] = {"mkdefault",   "mkgradient",   "mkleftgradient", "mkrightgradient",
                                         "mkleftslide", "mkrightslide", "mkpush"};
const char* const bsSkinEffectWords[6] = {"iebrightness", "iedarkness",  "iegrayscale",
                                          "ienoise",      "iesplitblur", "ieinvert"};
const char* const bsStdCommandWords[7] = {"cmclose",   "cmmaximize", "cmminimize",      "cmsysmenu",
                                          "cmdefault", "cmrollup",   "cmminimizetotray"};

namespace {

const char* const kFontStyleWords[4] = {"fsbold", "fsitalic", "fsunderline", "fsstrikeout"};

// Splits at commas into at most N fields of digits; the text after the N-th
// comma is never looked at.
template <size_t N>
std::array<int32_t, N> ParseFields(const String& S) {
  std::array<String, N> fields;
  size_t field = 0;
  for (char c : S) {
    if (c == ',') {
      if (++field == N) break;
    } else if (c >= '0' && c <= '9') {
      fields[field] += c;
    }
  }
  std::array<int32_t, N> values{};
  for (size_t i = 0; i < N; ++i) values[i] = StrToInt(fields[i]);
  return values;
}

// The word read with MissingWord as the default; a word of no ordinal gives
// Unknown. Words compare exactly.
template <class E, size_t N>
E ReadIniWord(TMemIniFile* IniFile, const String& Section, const String& Ident, const char* const (&Words)[N],
              E Missing, E Unknown) {
  const String word = IniFile->ReadString(Section, Ident, Words[static_cast<size_t>(Missing)]);
  for (size_t i = 0; i < N; ++i)
    if (word == Words[i]) return static_cast<E>(i);
  return Unknown;
}

template <class E, size_t N>
void WriteIniWord(TCustomIniFile* IniFile, const String& Section, const String& Ident, const char* const (&Words)[N],
                  E Value) {
  const size_t i = static_cast<size_t>(Value);
  IniFile->WriteString(Section, Ident, i < N ? Words[i] : "");
}

}  // namespace

int32_t CheckSkinIniCount(int32_t Count, const String& Section, const String& Ident) {
  if (Count > bsMaxSkinIniCount)
    throw EConvertError("'" + IntToStr(Count) + "' is not a valid count of [" + Section + "] " + Ident);
  return Count < 0 ? 0 : Count;
}

TRect ParseRectValue(const String& S) {
  const auto f = ParseFields<4>(S);
  return Rect(f[0], f[1], f[2], f[3]);
}

TPoint ParsePointValue(const String& S) {
  const auto f = ParseFields<2>(S);
  return Point(f[0], f[1]);
}

TRect ReadIniRect(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return ParseRectValue(IniFile->ReadString(Section, Ident, "0,0,0,0"));
}

TPoint ReadIniPoint(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return ParsePointValue(IniFile->ReadString(Section, Ident, "0,0"));
}

bool ReadIniBoolean(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return IniFile->ReadInteger(Section, Ident, 0) == 1;
}

TFontStyles ReadIniFontStyle(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  const String s = IniFile->ReadString(Section, Ident, "");
  TFontStyles styles;
  for (size_t i = 0; i < 4; ++i)
    if (s.find(kFontStyleWords[i]) != String::npos) styles.Include(static_cast<TFontStyle>(i));
  return styles;
}

void ReadIniStrings(TMemIniFile* IniFile, const String& Section, const String& Ident, TStrings* S) {
  const String countKey = Ident + "count";
  const int32_t count = CheckSkinIniCount(IniFile->ReadInteger(Section, countKey, 0), Section, countKey);
  for (int32_t i = 0; i < count; ++i) S->Add(IniFile->ReadString(Section, IntToStr(i), ""));
}

TAlignment ReadIniAlignment(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return ReadIniWord(IniFile, Section, Ident, bsAlignmentWords, TAlignment::taCenter, TAlignment::taRightJustify);
}

TbsStretchType ReadIniStretchType(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return ReadIniWord(IniFile, Section, Ident, bsStretchTypeWords, TbsStretchType::stFull, TbsStretchType::stHorz);
}

TbsMorphKind ReadIniMorphKind(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return ReadIniWord(IniFile, Section, Ident, bsMorphKindWords, TbsMorphKind::mkDefault, TbsMorphKind::mkDefault);
}

TbsSkinEffect ReadIniEffect(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return ReadIniWord(IniFile, Section, Ident, bsSkinEffectWords, TbsSkinEffect::ieBrightness,
                     TbsSkinEffect::ieGrayScale);
}

TbsStdCommand ReadIniStdCommand(TMemIniFile* IniFile, const String& Section, const String& Ident) {
  return ReadIniWord(IniFile, Section, Ident, bsStdCommandWords, TbsStdCommand::cmDefault,
                     TbsStdCommand::cmMinimizeToTray);
}

bool CheckSkinIni(TMemIniFile* IniFile) {
  for (const char* section : {"VERSION", "PICTURES", "FORMINFO", "SKINOBJECTS", "SKINCONTROLS"})
    if (!IniFile->SectionExists(section)) return false;
  return true;
}

void WriteIniRect(TCustomIniFile* IniFile, const String& Section, const String& Ident, const TRect& R) {
  IniFile->WriteString(Section, Ident,
                       IntToStr(R.Left) + "," + IntToStr(R.Top) + "," + IntToStr(R.Right) + "," + IntToStr(R.Bottom));
}

void WriteIniPoint(TCustomIniFile* IniFile, const String& Section, const String& Ident, const TPoint& P) {
  IniFile->WriteString(Section, Ident, IntToStr(P.X) + "," + IntToStr(P.Y));
}

void WriteIniBoolean(TCustomIniFile* IniFile, const String& Section, const String& Ident, bool B) {
  IniFile->WriteInteger(Section, Ident, B ? 1 : 0);
}

void WriteIniFontStyle(TCustomIniFile* IniFile, const String& Section, const String& Ident, TFontStyles FS) {
  String s;
  for (size_t i = 0; i < 4; ++i) {
    if (!FS.Contains(static_cast<TFontStyle>(i))) continue;
    if (!s.empty()) s += ",";
    s += kFontStyleWords[i];
  }
  IniFile->WriteString(Section, Ident, s);
}

void WriteIniAlignment(TCustomIniFile* IniFile, const String& Section, const String& Ident, TAlignment A) {
  WriteIniWord(IniFile, Section, Ident, bsAlignmentWords, A);
}

void WriteIniStretchType(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsStretchType ST) {
  WriteIniWord(IniFile, Section, Ident, bsStretchTypeWords, ST);
}

void WriteIniMorphKind(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsMorphKind MK) {
  WriteIniWord(IniFile, Section, Ident, bsMorphKindWords, MK);
}

void WriteIniEffect(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsSkinEffect E) {
  WriteIniWord(IniFile, Section, Ident, bsSkinEffectWords, E);
}

void WriteIniStdCommand(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsStdCommand C) {
  WriteIniWord(IniFile, Section, Ident, bsStdCommandWords, C);
}

void ReadKeyValue(TMemIniFile* IniFile, const String& Section, const TbsKeyInfo& Info, const TbsKeyValue& Value) {
  const String key = Info.Key;
  std::visit(
      [&](auto* v) {
        using V = std::remove_pointer_t<decltype(v)>;
        if constexpr (std::is_same_v<V, TRect>)
          *v = ReadIniRect(IniFile, Section, key);
        else if constexpr (std::is_same_v<V, TPoint>)
          *v = ReadIniPoint(IniFile, Section, key);
        else if constexpr (std::is_same_v<V, int32_t>)
          *v = IniFile->ReadInteger(Section, key, Info.IntDefault);
        else if constexpr (std::is_same_v<V, bool>)
          *v = ReadIniBoolean(IniFile, Section, key);
        else if constexpr (std::is_same_v<V, TFontStyles>)
          *v = ReadIniFontStyle(IniFile, Section, key);
        else if constexpr (std::is_same_v<V, String>)
          *v = IniFile->ReadString(Section, key, Info.StrDefault);
        else if constexpr (std::is_same_v<V, TAlignment>)
          *v = ReadIniAlignment(IniFile, Section, key);
        else if constexpr (std::is_same_v<V, TbsStretchType>)
          *v = ReadIniStretchType(IniFile, Section, key);
        else if constexpr (std::is_same_v<V, TbsMorphKind>)
          *v = ReadIniMorphKind(IniFile, Section, key);
        else if constexpr (std::is_same_v<V, TbsSkinEffect>)
          *v = ReadIniEffect(IniFile, Section, key);
        else
          *v = ReadIniStdCommand(IniFile, Section, key);
      },
      Value);
}

void WriteKeyValue(TCustomIniFile* IniFile, const String& Section, const TbsKeyInfo& Info, const TbsKeyValue& Value) {
  const String key = Info.Key;
  std::visit(
      [&](auto* v) {
        using V = std::remove_pointer_t<decltype(v)>;
        if constexpr (std::is_same_v<V, TRect>)
          WriteIniRect(IniFile, Section, key, *v);
        else if constexpr (std::is_same_v<V, TPoint>)
          WriteIniPoint(IniFile, Section, key, *v);
        else if constexpr (std::is_same_v<V, int32_t>)
          IniFile->WriteInteger(Section, key, *v);
        else if constexpr (std::is_same_v<V, bool>)
          WriteIniBoolean(IniFile, Section, key, *v);
        else if constexpr (std::is_same_v<V, TFontStyles>)
          WriteIniFontStyle(IniFile, Section, key, *v);
        else if constexpr (std::is_same_v<V, String>)
          IniFile->WriteString(Section, key, *v);
        else if constexpr (std::is_same_v<V, TAlignment>)
          WriteIniAlignment(IniFile, Section, key, *v);
        else if constexpr (std::is_same_v<V, TbsStretchType>)
          WriteIniStretchType(IniFile, Section, key, *v);
        else if constexpr (std::is_same_v<V, TbsMorphKind>)
          WriteIniMorphKind(IniFile, Section, key, *v);
        else if constexpr (std::is_same_v<V, TbsSkinEffect>)
          WriteIniEffect(IniFile, Section, key, *v);
        else
          WriteIniStdCommand(IniFile, Section, key, *v);
      },
      Value);
}

void SplitSectionKind(const String& Value, String& Section, String& Kind) {
  const size_t colon = Value.find(':');
  if (colon == String::npos) {
    Section.clear();
    Kind.clear();
    return;
  }
  Section = Value.substr(0, colon);
  Kind = Value.substr(colon + 1);
}
