// Ini files: sections of Name=Value lines.
//
// Reading rules: names of sections and keys compare ignoring ASCII case;
// blanks around names and values are trimmed; lines starting with ";" and
// lines before the first section are dropped; CR LF and LF end lines. The
// first occurrence of a key wins, and a repeated section continues the first
// one. A value is everything after the first "=". Look-ups are hashed, so
// loading and reading stay linear in the size of the text.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/rtl/types.h"

class TStrings;

class TCustomIniFile {
 public:
  explicit TCustomIniFile(const String& FileName) : FFileName(FileName) {}
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;
  virtual ~TCustomIniFile() = default;

  const String& FileName() const { return FFileName; }

  // Default only when the key is absent.
  virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
  virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
  // Decimal, or hexadecimal after "0x" or "$", with optional blanks and sign;
  // anything else gives Default.
  virtual int32_t ReadInteger(const String& Section, const String& Ident, int32_t Default);
  virtual void WriteInteger(const String& Section, const String& Ident, int32_t Value);
  // The integer value is not 0.
  virtual bool ReadBool(const String& Section, const String& Ident, bool Default);
  virtual void WriteBool(const String& Section, const String& Ident, bool Value);  // "1" / "0"
  // Decimal with "." (no locale); anything else gives Default.
  virtual double ReadFloat(const String& Section, const String& Ident, double Default);
  // The shortest text that reads back to the same value.
  virtual void WriteFloat(const String& Section, const String& Ident, double Value);
  // "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.zzz]]" or "hh:nn[:ss[.zzz]]"; anything
  // else gives Default.
  virtual TDateTime ReadDateTime(const String& Section, const String& Ident, TDateTime Default);

  // Replace the contents of Strings with: the keys of Section / the section
  // names / the lines of Section as Name=Value.
  virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
  virtual bool SectionExists(const String& Section) = 0;
  virtual bool ValueExists(const String& Section, const String& Ident) = 0;
  virtual void EraseSection(const String& Section) = 0;
  virtual void DeleteKey(const String& Section, const String& Ident) = 0;
  // Writes the contents to FileName (through a temporary file renamed into
  // place); nothing to do without a file name.
  virtual void UpdateFile() = 0;

 protected:
  String FFileName;
};

// The whole ini text in memory, loaded from FileName when that file exists.
// Changes stay in memory until UpdateFile.
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(const String& FileName);
  ~TMemIniFile() override;

  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  bool SectionExists(const String& Section) override;
  bool ValueExists(const String& Section, const String& Ident) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  void UpdateFile() override;

  void Clear();
  // Replaces the contents with the ini text of List / gives the contents as
  // lines: "[name]", the section's lines, a blank line, for every section.
  void SetStrings(TStrings* List);
  void GetStrings(TStrings* List);
  // Replaces the contents with the ini text Text (any line ends).
  void SetText(const String& Text);
  // The contents as UpdateFile writes them (lines end with CR LF).
  String GetText() const;
  // Takes a new file name; with Reload the contents are read from that file
  // (empty when it does not exist).
  void Rename(const String& FileName, bool Reload);

  bool CaseSensitive() const { return FCaseSensitive; }
  // Off by default. Changing it re-indexes the names (the first of names that
  // now compare equal wins).
  void SetCaseSensitive(bool Value);

 private:
  struct TLine {
    String Name;  // the key, or the whole line when it has no "="
    String Value;
    bool HasValue;
  };
  struct TSection {
    String Name;
    std::vector<TLine> Lines;                 // erased lines are taken out at once
    std::unordered_map<String, size_t> Keys;  // folded key -> first line with it
  };

  String Fold(const String& Name) const;
  TSection* FindSection(const String& Name);
  TSection& AddSection(const String& Name);
  void IndexSection(TSection& Section) const;
  void Reindex();
  void LoadValues();

  std::vector<std::unique_ptr<TSection>> FSections;
  std::unordered_map<String, size_t> FSectionIndex;  // folded name -> FSections index
  bool FCaseSensitive = false;
};

// A TMemIniFile that writes its file after every change.
class TIniFile : public TMemIniFile {
 public:
  explicit TIniFile(const String& FileName) : TMemIniFile(FileName) {}

  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
};
