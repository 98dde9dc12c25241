// The value forms of a skin's ini text, the skin enumerations, and the key
// tables every description reads and writes itself through.
//
// The readers keep the format's quirks on purpose: rect and point fields keep
// only their digits (so "-5" reads as 5), flags are "exactly 1", font styles
// are case-sensitive substring tests, and each enumeration has its own
// fallback for a missing key and for an unknown word. A malformed rect, point
// or count raises EConvertError, which ends the skin load.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <variant>
#include <vector>

#include "platform/rtl/graphtypes.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/types.h"

class TStrings;

// ---- Enumerations ------------------------------------------------------------

enum class TbsStretchType : uint8_t { stFull, stHorz, stVert };

enum class TbsMorphKind : uint8_t {
  mkDefault,
  mkGradient,
  mkLeftGradient,
  mkRightGradient,
  mkLeftSlide,
  mkRightSlide,
  mkPush
};

enum class TbsSkinEffect : uint8_t { ieBrightness, ieDarkness, ieGrayScale, ieNoise, ieSplitBlur, ieInvert };

enum class TbsStdCommand : uint8_t {
  cmClose,
  cmMaximize,
  cmMinimize,
  cmSysMenu,
  cmDefault,
  cmRollUp,
  cmMinimizeToTray
};

// The words of each enumeration in the ini text, indexed by ordinal.
extern const char* const bsAlignmentWords[3];
extern const char* const bsStretchTypeWords[3];
extern const char* const bsMorphKindWords[7];
extern const char* const bsSkinEffectWords[6];
extern const char* const bsStdCommandWords[7];

// A count read from the data (string lists, description lists, animation
// frames) above this is malformed: looping over it would never end.
constexpr int32_t bsMaxSkinIniCount = 10000;
// EConvertError unless 0 <= Count <= bsMaxSkinIniCount; a negative count is
// answered 0 (nothing to read).
int32_t CheckSkinIniCount(int32_t Count, const String& Section, const String& Ident);

// ---- Parsers -----------------------------------------------------------------

// Fields split at commas, each keeping only its digits; fields after the
// fourth (second) are dropped unread. A field without a digit, a missing
// field or one beyond int32 raises EConvertError.
TRect ParseRectValue(const String& S);
TPoint ParsePointValue(const String& S);

// ---- Readers -----------------------------------------------------------------

TRect ReadIniRect(TMemIniFile* IniFile, const String& Section, const String& Ident);
TPoint ReadIniPoint(TMemIniFile* IniFile, const String& Section, const String& Ident);
bool ReadIniBoolean(TMemIniFile* IniFile, const String& Section, const String& Ident);
TFontStyles ReadIniFontStyle(TMemIniFile* IniFile, const String& Section, const String& Ident);
// Appends the items Ident + "count" announces (keys "0", "1", ...) to S.
void ReadIniStrings(TMemIniFile* IniFile, const String& Section, const String& Ident, TStrings* S);
TAlignment ReadIniAlignment(TMemIniFile* IniFile, const String& Section, const String& Ident);
TbsStretchType ReadIniStretchType(TMemIniFile* IniFile, const String& Section, const String& Ident);
TbsMorphKind ReadIniMorphKind(TMemIniFile* IniFile, const String& Section, const String& Ident);
TbsSkinEffect ReadIniEffect(TMemIniFile* IniFile, const String& Section, const String& Ident);
TbsStdCommand ReadIniStdCommand(TMemIniFile* IniFile, const String& Section, const String& Ident);
// The ini has every section a skin needs.
bool CheckSkinIni(TMemIniFile* IniFile);

// ---- Writers -----------------------------------------------------------------

void WriteIniRect(TCustomIniFile* IniFile, const String& Section, const String& Ident, const TRect& R);
void WriteIniPoint(TCustomIniFile* IniFile, const String& Section, const String& Ident, const TPoint& P);
void WriteIniBoolean(TCustomIniFile* IniFile, const String& Section, const String& Ident, bool B);
void WriteIniFontStyle(TCustomIniFile* IniFile, const String& Section, const String& Ident, TFontStyles FS);
void WriteIniAlignment(TCustomIniFile* IniFile, const String& Section, const String& Ident, TAlignment A);
void WriteIniStretchType(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsStretchType ST);
void WriteIniMorphKind(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsMorphKind MK);
void WriteIniEffect(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsSkinEffect E);
void WriteIniStdCommand(TCustomIniFile* IniFile, const String& Section, const String& Ident, TbsStdCommand C);

// ---- Key tables --------------------------------------------------------------

enum class TbsKeyForm : uint8_t {
  kfRect,
  kfPoint,
  kfInteger,
  kfColor,
  kfFlag,
  kfFontStyle,
  kfString,
  kfAlignment,
  kfStretchType,
  kfMorphKind,
  kfEffect,
  kfCommand
};

// One key of a section: its spelling, form and default (integers and colours
// use IntDefault, strings StrDefault; the other forms have fixed defaults).
struct TbsKeyInfo {
  const char* Key;
  TbsKeyForm Form;
  int32_t IntDefault;
  const char* StrDefault;
};

// The member a key is read into, whatever its form.
using TbsKeyValue = std::variant<TRect*, TPoint*, int32_t*, bool*, TFontStyles*, String*, TAlignment*, TbsStretchType*,
                                 TbsMorphKind*, TbsSkinEffect*, TbsStdCommand*>;
using TbsKeyVisitor = std::function<void(const TbsKeyInfo& Info, const TbsKeyValue& Value)>;

void ReadKeyValue(TMemIniFile* IniFile, const String& Section, const TbsKeyInfo& Info, const TbsKeyValue& Value);
void WriteKeyValue(TCustomIniFile* IniFile, const String& Section, const TbsKeyInfo& Info, const TbsKeyValue& Value);

// A key of class T bound to the member it fills.
template <class T>
class TbsKeyEntry {
 public:
  TbsKeyEntry(const char* Key, TRect T::*M) : FInfo{Key, TbsKeyForm::kfRect, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, TPoint T::*M) : FInfo{Key, TbsKeyForm::kfPoint, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, int32_t T::*M, int32_t Default = 0)
      : FInfo{Key, TbsKeyForm::kfInteger, Default, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, bool T::*M) : FInfo{Key, TbsKeyForm::kfFlag, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, TFontStyles T::*M) : FInfo{Key, TbsKeyForm::kfFontStyle, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, String T::*M, const char* Default = "")
      : FInfo{Key, TbsKeyForm::kfString, 0, Default}, FMember(M) {}
  TbsKeyEntry(const char* Key, TAlignment T::*M) : FInfo{Key, TbsKeyForm::kfAlignment, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, TbsStretchType T::*M) : FInfo{Key, TbsKeyForm::kfStretchType, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, TbsMorphKind T::*M) : FInfo{Key, TbsKeyForm::kfMorphKind, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, TbsSkinEffect T::*M) : FInfo{Key, TbsKeyForm::kfEffect, 0, ""}, FMember(M) {}
  TbsKeyEntry(const char* Key, TbsStdCommand T::*M) : FInfo{Key, TbsKeyForm::kfCommand, 0, ""}, FMember(M) {}

  // TColor is an int32_t: colour keys are spelled out.
  static TbsKeyEntry Color(const char* Key, TColor T::*M, TColor Default = 0) {
    TbsKeyEntry e(Key, M, Default);
    e.FInfo.Form = TbsKeyForm::kfColor;
    return e;
  }

  const TbsKeyInfo& Info() const { return FInfo; }
  TbsKeyValue Value(T& Object) const {
    return std::visit([&Object](auto M) -> TbsKeyValue { return &(Object.*M); }, FMember);
  }

 private:
  TbsKeyInfo FInfo;
  std::variant<TRect T::*, TPoint T::*, int32_t T::*, bool T::*, TFontStyles T::*, String T::*, TAlignment T::*,
               TbsStretchType T::*, TbsMorphKind T::*, TbsSkinEffect T::*, TbsStdCommand T::*>
      FMember;
};

template <class T>
void ReadKeys(TMemIniFile* IniFile, const String& Section, T& Object, std::span<const TbsKeyEntry<T>> Keys) {
  for (const TbsKeyEntry<T>& k : Keys) ReadKeyValue(IniFile, Section, k.Info(), k.Value(Object));
}

template <class T>
void WriteKeys(TCustomIniFile* IniFile, const String& Section, T& Object, std::span<const TbsKeyEntry<T>> Keys) {
  for (const TbsKeyEntry<T>& k : Keys) WriteKeyValue(IniFile, Section, k.Info(), k.Value(Object));
}

template <class T>
void VisitKeys(T& Object, std::span<const TbsKeyEntry<T>> Keys, const TbsKeyVisitor& Visit) {
  for (const TbsKeyEntry<T>& k : Keys) Visit(k.Info(), k.Value(Object));
}

// ---- Description classes -----------------------------------------------------

// The keys a description class adds to its base, and the three operations
// that walk them after the base's.
#define BS_SKIN_KEY_TABLE(Class)                      \
  void LoadFromIni(TMemIniFile* IniFile) override;    \
  void SaveToIni(TCustomIniFile* IniFile) override;   \
  void EnumKeys(const TbsKeyVisitor& Visit) override; \
  static std::span<const TbsKeyEntry<Class>> Keys()

// Defines the three operations of BS_SKIN_KEY_TABLE: the base's keys first,
// then the class's own table, all in the description's section.
#define BS_SKIN_KEYS_AFTER(Class, Base)              \
  void Class::LoadFromIni(TMemIniFile* IniFile) {    \
    Base::LoadFromIni(IniFile);                      \
    ReadKeys(IniFile, SectionName, *this, Keys());   \
  }                                                  \
  void Class::SaveToIni(TCustomIniFile* IniFile) {   \
    Base::SaveToIni(IniFile);                        \
    WriteKeys(IniFile, SectionName, *this, Keys());  \
  }                                                  \
  void Class::EnumKeys(const TbsKeyVisitor& Visit) { \
    Base::EnumKeys(Visit);                           \
    VisitKeys(*this, Keys(), Visit);                 \
  }

// A section of its own (FORMINFO and the like) written afresh.
template <class T>
void SaveKeysToSection(TCustomIniFile* IniFile, const String& Section, T& Object,
                       std::span<const TbsKeyEntry<T>> Keys) {
  IniFile->EraseSection(Section);
  WriteKeys(IniFile, Section, Object, Keys);
}

// ---- Description lists -------------------------------------------------------

// Splits "section:kind" at its first ":". Without a ":" both are empty.
void SplitSectionKind(const String& Value, String& Section, String& Kind);

template <class Base>
struct TbsDescriptionKind {
  const char* Kind;
  std::unique_ptr<Base> (*Create)(const String& SectionName);
};

template <class Base, class T>
std::unique_ptr<Base> CreateDescription(const String& SectionName) {
  return std::make_unique<T>(SectionName);
}

// Reads the list section ("count", then "0", "1", ... as "section:kind"):
// each entry whose kind matches a word exactly creates its class, is appended
// and reads its own section; other entries are skipped.
template <class Base>
void LoadDescriptionList(TMemIniFile* IniFile, const String& ListSection,
                         std::span<const TbsDescriptionKind<Base>> Kinds, std::vector<std::unique_ptr<Base>>& List) {
  const int32_t count = CheckSkinIniCount(IniFile->ReadInteger(ListSection, "count", 0), ListSection, "count");
  for (int32_t i = 0; i < count; ++i) {
    String section, kind;
    SplitSectionKind(IniFile->ReadString(ListSection, IntToStr(i), ""), section, kind);
    for (const TbsDescriptionKind<Base>& k : Kinds) {
      if (kind != k.Kind) continue;
      List.push_back(k.Create(section));
      List.back()->LoadFromIni(IniFile);
      break;
    }
  }
}
