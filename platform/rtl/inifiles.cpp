#include "platform/rtl/inifiles.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "platform/rtl/dates.h"
#include "platform/rtl/files.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/scopeguard.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A run of 1..maxDigits decimal digits at s[pos]; false when there is none.
bool TakeNumber(const String& s, size_t& pos, size_t maxDigits, int32_t& value) {
  size_t start = pos;
  value = 0;
  while (pos < s.size() && IsDigit(s[pos]) && pos - start < maxDigits) value = value * 10 + (s[pos++] - '0');
  return pos > start;
}

// "hh:nn[:ss[.zzz]]" from pos to the end of s.
bool ParseTime(const String& s, size_t pos, TDateTime& time) {
  int32_t h, n, sec = 0, ms = 0;
  if (!TakeNumber(s, pos, 2, h) || pos >= s.size() || s[pos++] != ':' || !TakeNumber(s, pos, 2, n)) return false;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!TakeNumber(s, pos, 2, sec)) return false;
    if (pos < s.size() && s[pos] == '.') {
      ++pos;
      if (!TakeNumber(s, pos, 3, ms)) return false;
    }
  }
  if (pos != s.size()) return false;
  return TryEncodeTime(static_cast<Word>(h), static_cast<Word>(n), static_cast<Word>(sec), static_cast<Word>(ms), time);
}

bool ParseDateTime(const String& s, TDateTime& value) {
  size_t pos = 0;
  int32_t y, m, d;
  if (TakeNumber(s, pos, 4, y) && pos < s.size() && s[pos] == '-') {
    ++pos;
    if (!TakeNumber(s, pos, 2, m) || pos >= s.size() || s[pos++] != '-' || !TakeNumber(s, pos, 2, d)) return false;
    TDateTime date;
    if (!TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date)) return false;
    if (pos == s.size()) {
      value = date;
      return true;
    }
    if (s[pos] != ' ' && s[pos] != 'T') return false;
    TDateTime time;
    if (!ParseTime(s, pos + 1, time)) return false;
    // Before 1899-12-30 the day is negative and the time counts away from it.
    value = date < 0 ? date - time : date + time;
    return true;
  }
  return ParseTime(s, 0, value);
}

}  // namespace

// ---------------------------------------------------------------------------
// TCustomIniFile

int32_t TCustomIniFile::ReadInteger(const String& Section, const String& Ident, int32_t Default) {
  const String s = Trim(ReadString(Section, Ident, String()));
  return StrToIntDef(s, Default);
}

void TCustomIniFile::WriteInteger(const String& Section, const String& Ident, int32_t Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const String& Section, const String& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& Section, const String& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const String& Section, const String& Ident, double Default) {
  String s = Trim(ReadString(Section, Ident, String()));
  if (s.size() > 1 && s[0] == '+' && s[1] != '-') s.erase(0, 1);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return Default;
  return v;
}

void TCustomIniFile::WriteFloat(const String& Section, const String& Ident, double Value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, Value);
  WriteString(Section, Ident, String(buf, r.ptr));
}

TDateTime TCustomIniFile::ReadDateTime(const String& Section, const String& Ident, TDateTime Default) {
  TDateTime value;
  return ParseDateTime(Trim(ReadString(Section, Ident, String())), value) ? value : Default;
}

// ---------------------------------------------------------------------------
// TMemIniFile

TMemIniFile::TMemIniFile(const String& FileName) : TCustomIniFile(FileName) { LoadValues(); }

TMemIniFile::~TMemIniFile() = default;

String TMemIniFile::Fold(const String& Name) const {
  if (FCaseSensitive) return Name;
  String folded = Name;
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

TMemIniFile::TSection* TMemIniFile::FindSection(const String& Name) {
  auto it = FSectionIndex.find(Fold(Name));
  return it == FSectionIndex.end() ? nullptr : FSections[it->second].get();
}

TMemIniFile::TSection& TMemIniFile::AddSection(const String& Name) {
  if (TSection* existing = FindSection(Name)) return *existing;
  auto section = std::make_unique<TSection>();
  section->Name = Name;
  FSectionIndex.emplace(Fold(Name), FSections.size());
  FSections.push_back(std::move(section));
  return *FSections.back();
}

void TMemIniFile::IndexSection(TSection& Section) const {
  Section.Keys.clear();
  for (size_t i = 0; i < Section.Lines.size(); ++i)
    if (Section.Lines[i].HasValue) Section.Keys.emplace(Fold(Section.Lines[i].Name), i);
}

void TMemIniFile::Reindex() {
  FSectionIndex.clear();
  for (size_t i = 0; i < FSections.size(); ++i) {
    FSectionIndex.emplace(Fold(FSections[i]->Name), i);
    IndexSection(*FSections[i]);
  }
}

void TMemIniFile::Clear() {
  FSections.clear();
  FSectionIndex.clear();
}

void TMemIniFile::SetText(const String& Text) {
  Clear();
  TSection* section = nullptr;
  size_t pos = Text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (pos < Text.size()) {
    size_t end = Text.find_first_of("\r\n", pos);
    if (end == String::npos) end = Text.size();
    const String line = Trim(std::string_view(Text).substr(pos, end - pos));
    pos = end;
    if (pos < Text.size()) pos += Text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[' && line.back() == ']' && line.size() >= 2) {
      section = &AddSection(Trim(std::string_view(line).substr(1, line.size() - 2)));
      continue;
    }
    if (section == nullptr) continue;  // before the first section
    const size_t eq = line.find('=');
    if (eq == String::npos) {
      section->Lines.push_back(TLine{line, String(), false});
      continue;
    }
    TLine entry{Trim(std::string_view(line).substr(0, eq)), Trim(std::string_view(line).substr(eq + 1)), true};
    // The first occurrence of a key wins; later ones are dropped.
    if (section->Keys.emplace(Fold(entry.Name), section->Lines.size()).second)
      section->Lines.push_back(std::move(entry));
  }
}

void TMemIniFile::LoadValues() {
  Clear();
  if (FFileName.empty() || !FileExists(FFileName)) return;
  TMemoryStream data;
  data.LoadFromFile(FFileName);
  SetText(String(static_cast<const char*>(data.Memory()), static_cast<size_t>(data.Size())));
}

void TMemIniFile::SetStrings(TStrings* List) {
  String text;
  for (int32_t i = 0; i < List->Count(); ++i) {
    text += List->Strings(i);
    text += '\n';
  }
  SetText(text);
}

void TMemIniFile::GetStrings(TStrings* List) {
  auto update = UpdateScope(List);
  for (const auto& section : FSections) {
    List->Add("[" + section->Name + "]");
    for (const TLine& line : section->Lines) List->Add(line.HasValue ? line.Name + "=" + line.Value : line.Name);
    List->Add(String());
  }
}

String TMemIniFile::GetText() const {
  String text;
  for (const auto& section : FSections) {
    text += "[" + section->Name + "]\r\n";
    for (const TLine& line : section->Lines) {
      text += line.Name;
      if (line.HasValue) text += "=" + line.Value;
      text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

void TMemIniFile::Rename(const String& FileName, bool Reload) {
  FFileName = FileName;
  if (Reload) LoadValues();
}

void TMemIniFile::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  Reindex();
}

String TMemIniFile::ReadString(const String& Section, const String& Ident, const String& Default) {
  TSection* section = FindSection(Section);
  if (section == nullptr) return Default;
  auto it = section->Keys.find(Fold(Ident));
  return it == section->Keys.end() ? Default : section->Lines[it->second].Value;
}

void TMemIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  TSection& section = AddSection(Section);
  auto it = section.Keys.find(Fold(Ident));
  if (it != section.Keys.end()) {
    section.Lines[it->second].Value = Value;
    return;
  }
  section.Keys.emplace(Fold(Ident), section.Lines.size());
  section.Lines.push_back(TLine{Ident, Value, true});
}

void TMemIniFile::ReadSection(const String& Section, TStrings* Strings) {
  auto update = UpdateScope(Strings);
  Strings->Clear();
  if (TSection* section = FindSection(Section))
    for (const TLine& line : section->Lines)
      if (line.HasValue) Strings->Add(line.Name);
}

void TMemIniFile::ReadSections(TStrings* Strings) {
  auto update = UpdateScope(Strings);
  Strings->Clear();
  for (const auto& section : FSections) Strings->Add(section->Name);
}

void TMemIniFile::ReadSectionValues(const String& Section, TStrings* Strings) {
  auto update = UpdateScope(Strings);
  Strings->Clear();
  if (TSection* section = FindSection(Section))
    for (const TLine& line : section->Lines) Strings->Add(line.HasValue ? line.Name + "=" + line.Value : line.Name);
}

bool TMemIniFile::SectionExists(const String& Section) { return FindSection(Section) != nullptr; }

bool TMemIniFile::ValueExists(const String& Section, const String& Ident) {
  TSection* section = FindSection(Section);
  return section != nullptr && section->Keys.count(Fold(Ident)) != 0;
}

void TMemIniFile::EraseSection(const String& Section) {
  auto it = FSectionIndex.find(Fold(Section));
  if (it == FSectionIndex.end()) return;
  FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(it->second));
  Reindex();
}

void TMemIniFile::DeleteKey(const String& Section, const String& Ident) {
  TSection* section = FindSection(Section);
  if (section == nullptr) return;
  auto it = section->Keys.find(Fold(Ident));
  if (it == section->Keys.end()) return;
  section->Lines.erase(section->Lines.begin() + static_cast<std::ptrdiff_t>(it->second));
  IndexSection(*section);
}

void TMemIniFile::UpdateFile() {
  if (FFileName.empty()) return;
  const String text = GetText();
  SaveBytesToFile(FFileName, text.data(), text.size(), true);
}

// ---------------------------------------------------------------------------
// TIniFile

void TIniFile::WriteString(const String& Section, const String& Ident, const String& Value) {
  TMemIniFile::WriteString(Section, Ident, Value);
  UpdateFile();
}

void TIniFile::EraseSection(const String& Section) {
  TMemIniFile::EraseSection(Section);
  UpdateFile();
}

void TIniFile::DeleteKey(const String& Section, const String& Ident) {
  TMemIniFile::DeleteKey(Section, Ident);
  UpdateFile();
}
