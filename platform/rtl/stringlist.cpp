#include "platform/rtl/stringlist.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <numeric>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/safewriter.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

constexpr const char* kIndexError = "List index out of bounds (%d)";
constexpr const char* kSortedError = "Operation not allowed on sorted list";
constexpr const char* kDuplicateError = "String list does not allow duplicates";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

// ---------------------------------------------------------------------------
// TStrings

void TStrings::Error(const char* Msg, int32_t Data) const { throw EStringListError(Msg, {Data}); }

void TStrings::Error(const char* Msg) const { throw EStringListError(String(Msg)); }

void TStrings::Put(int32_t Index, const String& S) {
  void* object = GetObject(Index);
  Updating([&] {
    Delete(Index);
    InsertObject(Index, S, object);
  });
}

void TStrings::PutObject(int32_t, void*) {}

void* TStrings::GetObject(int32_t) const { return nullptr; }

int32_t TStrings::Add(const String& S) {
  int32_t index = GetCount();
  Insert(index, S);
  return index;
}

int32_t TStrings::AddObject(const String& S, void* AObject) {
  int32_t index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::InsertObject(int32_t Index, const String& S, void* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(TStrings* Strings) {
  if (!Strings) return;
  // Copied first, so that adding a list to itself doubles it once.
  std::vector<TStringItem> items;
  items.reserve(static_cast<size_t>(Strings->GetCount()));
  for (int32_t i = 0; i < Strings->GetCount(); ++i) items.push_back({Strings->Get(i), Strings->GetObject(i)});
  Updating([&] { AddItems(std::move(items)); });
}

void TStrings::AddItems(std::vector<TStringItem>&& Items) {
  for (TStringItem& item : Items) AddObject(item.FString, item.FObject);
}

void TStrings::Exchange(int32_t Index1, int32_t Index2) {
  Updating([&] {
    String s = Get(Index1);
    void* o = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, o);
  });
}

void TStrings::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= GetCount()) Error(kIndexError, NewIndex);
  String s = Get(CurIndex);
  void* o = GetObject(CurIndex);
  Updating([&] {
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  });
}

int32_t TStrings::CompareStrings(const String& S1, const String& S2) const { return AnsiCompareText(S1, S2); }

int32_t TStrings::IndexOf(const String& S) const {
  for (int32_t i = 0, n = GetCount(); i < n; ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int32_t TStrings::IndexOfName(const String& Name) const {
  for (int32_t i = 0, n = GetCount(); i < n; ++i) {
    String s = Get(i);
    size_t p = s.find(FNameValueSeparator);
    if (p != String::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int32_t TStrings::IndexOfObject(void* AObject) const {
  for (int32_t i = 0, n = GetCount(); i < n; ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

bool TStrings::Equals(TStrings* Strings) const {
  if (!Strings) return false;
  int32_t n = GetCount();
  if (n != Strings->GetCount()) return false;
  for (int32_t i = 0; i < n; ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

String TStrings::Names(int32_t Index) const {
  String s = Get(Index);
  size_t p = s.find(FNameValueSeparator);
  return p == String::npos ? String() : s.substr(0, p);
}

String TStrings::ValueFromIndex(int32_t Index) const {
  if (Index < 0) return String();
  String s = Get(Index);
  size_t p = s.find(FNameValueSeparator);
  return p == String::npos ? String() : s.substr(p + 1);
}

// The value is taken after the separator of the line found, not at the length
// of Name: a case-insensitive match may differ from Name in byte length.
String TStrings::Values(const String& Name) const { return ValueFromIndex(IndexOfName(Name)); }

void TStrings::SetValue(const String& Name, const String& Value) {
  int32_t index = IndexOfName(Name);
  if (Value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  String line = Name + FNameValueSeparator + Value;
  if (index < 0)
    Add(line);
  else
    Put(index, line);
}

String TStrings::GetTextStr() const {
  String result;
  for (int32_t i = 0, n = GetCount(); i < n; ++i) {
    result += Get(i);
    result += "\r\n";
  }
  return result;
}

void TStrings::SetTextStr(const String& Value) {
  std::vector<TStringItem> lines;
  const char* p = Value.data();
  const char* end = p + Value.size();
  while (p < end) {
    const char* start = p;
    while (p < end && *p != '\r' && *p != '\n') ++p;
    lines.push_back({String(start, p), nullptr});
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n') ++p;
  }
  Updating([&] {
    Clear();
    AddItems(std::move(lines));
  });
}

String TStrings::GetDelimited(char Delim, char Quote) const {
  int32_t n = GetCount();
  if (n == 1 && Get(0).empty()) return String(2, Quote);
  String result;
  for (int32_t i = 0; i < n; ++i) {
    String s = Get(i);
    if (i > 0) result += Delim;
    if (std::any_of(s.begin(), s.end(), [&](char c) { return IsBlank(c) || c == Quote || c == Delim; }))
      result += AnsiQuotedStr(s, Quote);
    else
      result += s;
  }
  return result;
}

void TStrings::SetDelimited(const String& Value, char Delim, char Quote) {
  std::vector<TStringItem> items;
  const size_t n = Value.size();
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < n && IsBlank(Value[i])) ++i;
  };
  skipBlanks();
  while (i < n) {
    String s;
    if (Value[i] == Quote) {
      // Doubled quotes stand for one; an unterminated item runs to the end.
      ++i;
      while (i < n) {
        if (Value[i] != Quote) {
          size_t next = Value.find(Quote, i);
          if (next == String::npos) next = n;
          s.append(Value, i, next - i);
          i = next;
        } else if (i + 1 < n && Value[i + 1] == Quote) {
          s += Quote;
          i += 2;
        } else {
          ++i;
          break;
        }
      }
    } else {
      size_t start = i;
      while (i < n && !IsBlank(Value[i]) && Value[i] != Delim) ++i;
      s.assign(Value, start, i - start);
    }
    items.push_back({std::move(s), nullptr});
    skipBlanks();
    if (i < n && Value[i] == Delim) {
      if (i + 1 == n) items.push_back({});
      ++i;
      skipBlanks();
    }
  }
  Updating([&] {
    Clear();
    AddItems(std::move(items));
  });
}

String TStrings::DelimitedText() const { return GetDelimited(FDelimiter, FQuoteChar); }

void TStrings::SetDelimitedText(const String& Value) { SetDelimited(Value, FDelimiter, FQuoteChar); }

String TStrings::CommaText() const { return GetDelimited(',', '"'); }

void TStrings::SetCommaText(const String& Value) { SetDelimited(Value, ',', '"'); }

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TStrings*>(Source)) {
    if (source == this) return;
    Updating([&] {
      Clear();
      FNameValueSeparator = source->FNameValueSeparator;
      FQuoteChar = source->FQuoteChar;
      FDelimiter = source->FDelimiter;
      AddStrings(source);
    });
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::LoadFromStream(TStream* Stream) {
  String data;
  int64_t remaining = Stream->Size() - Stream->Position();
  if (remaining > 0 && remaining <= INT32_MAX) data.reserve(static_cast<size_t>(remaining));
  char buffer[65536];
  for (;;) {
    int32_t got = Stream->Read(buffer, sizeof buffer);
    if (got <= 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  if (data.size() >= 3 && std::memcmp(data.data(), "\xEF\xBB\xBF", 3) == 0) data.erase(0, 3);
  SetTextStr(data);
}

void TStrings::SaveToStream(TStream* Stream) const {
  String text = GetTextStr();
  Stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const String& FileName) const {
  TSafeFileWriter writer(FileName);
  SaveToStream(&writer.Stream());
  writer.Commit(true);
}

// ---------------------------------------------------------------------------
// TStringList

TStringList::~TStringList() {
  // Destruction is not a change anybody listens to.
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

void TStringList::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) Error(kIndexError, Index);
}

String TStringList::Get(int32_t Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FString;
}

void* TStringList::GetObject(int32_t Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

int32_t TStringList::CompareStrings(const String& S1, const String& S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

bool TStringList::Find(const String& S, int32_t& Index) const {
  auto it = std::lower_bound(FList.begin(), FList.end(), S, [this](const TStringItem& item, const String& s) {
    return CompareStrings(item.FString, s) < 0;
  });
  Index = static_cast<int32_t>(it - FList.begin());
  return it != FList.end() && CompareStrings(it->FString, S) == 0;
}

int32_t TStringList::Add(const String& S) { return AddObject(S, nullptr); }

int32_t TStringList::AddObject(const String& S, void* AObject) {
  int32_t index = GetCount();
  if (FSorted && Find(S, index)) {
    switch (FDuplicates) {
      case dupIgnore: return index;
      case dupError: Error(kDuplicateError);
      case dupAccept: {
        // After the equal lines already there: equal lines keep their order.
        auto it = std::upper_bound(
            FList.begin() + index, FList.end(), S,
            [this](const String& s, const TStringItem& item) { return CompareStrings(s, item.FString) < 0; });
        index = static_cast<int32_t>(it - FList.begin());
        break;
      }
    }
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::InsertItem(int32_t Index, const String& S, void* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Insert(int32_t Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int32_t Index, const String& S, void* AObject) {
  if (FSorted) Error(kSortedError);
  if (Index < 0 || Index > GetCount()) Error(kIndexError, Index);
  InsertItem(Index, S, AObject);
}

void TStringList::Put(int32_t Index, const String& S) {
  if (FSorted) Error(kSortedError);
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

void TStringList::PutObject(int32_t Index, void* AObject) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FObject = AObject;
  Changed();
}

void TStringList::Delete(int32_t Index) {
  CheckIndex(Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  FList.shrink_to_fit();
  Changed();
}

void TStringList::Exchange(int32_t Index1, int32_t Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

void TStringList::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  // Checked before anything moves, so a refused Move loses no line.
  if (FSorted) Error(kSortedError);
  Changing();
  auto first = FList.begin();
  if (CurIndex < NewIndex)
    std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
  else
    std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
  Changed();
}

int32_t TStringList::IndexOf(const String& S) const {
  if (FSorted) {
    int32_t index;
    return Find(S, index) ? index : -1;
  }
  for (size_t i = 0; i < FList.size(); ++i)
    if (CompareStrings(FList[i].FString, S) == 0) return static_cast<int32_t>(i);
  return -1;
}

int32_t TStringList::IndexOfName(const String& Name) const {
  const char separator = NameValueSeparator();
  for (size_t i = 0; i < FList.size(); ++i) {
    const String& s = FList[i].FString;
    size_t p = s.find(separator);
    if (p != String::npos && CompareStrings(s.substr(0, p), Name) == 0) return static_cast<int32_t>(i);
  }
  return -1;
}

void TStringList::SetValue(const String& Name, const String& Value) {
  int32_t index = Value.empty() || !FSorted ? -1 : IndexOfName(Name);
  if (index < 0) {
    TStrings::SetValue(Name, Value);
    return;
  }
  // A sorted list cannot Put: the new line goes where it sorts.
  String line = Name + NameValueSeparator() + Value;
  TStringItem& item = FList[static_cast<size_t>(index)];
  if (CompareStrings(item.FString, line) == 0) {
    Changing();
    item.FString = line;
    Changed();
    return;
  }
  int32_t at;
  if (FDuplicates == dupError && Find(line, at)) Error(kDuplicateError);
  void* object = item.FObject;
  Updating([&] {
    Delete(index);
    AddObject(line, object);
  });
}

int TStringList::CompareItems(TStringList* List, int32_t Index1, int32_t Index2) {
  return List->CompareStrings(List->FList[static_cast<size_t>(Index1)].FString,
                              List->FList[static_cast<size_t>(Index2)].FString);
}

void TStringList::Sort() { CustomSort(&TStringList::CompareItems); }

void TStringList::CustomSort(TStringListSortCompare Compare) {
  if (FSorted || FList.size() < 2 || !Compare) return;
  Changing();
  // Sort positions while the lines stay put, so Compare always sees the list
  // as it was and an exception leaves it unchanged.
  std::vector<int32_t> order(FList.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return Compare(this, a, b) < 0; });
  std::vector<TStringItem> sorted;
  sorted.reserve(FList.size());
  for (int32_t i : order) sorted.push_back(std::move(FList[static_cast<size_t>(i)]));
  FList.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) {
    FSorted = false;
    Sort();
    FSorted = true;
  }
}

String TStringList::GetTextStr() const {
  size_t size = 0;
  for (const TStringItem& item : FList) size += item.FString.size() + 2;
  String result;
  result.reserve(size);
  for (const TStringItem& item : FList) {
    result += item.FString;
    result += "\r\n";
  }
  return result;
}

void TStringList::AddItems(std::vector<TStringItem>&& Items) {
  if (Items.empty()) return;
  if (FSorted) {
    AddSortedItems(std::move(Items));
    return;
  }
  Changing();
  FList.reserve(FList.size() + Items.size());
  std::move(Items.begin(), Items.end(), std::back_inserter(FList));
  Changed();
}

// Adds many lines to a sorted list with the outcome of adding them one by one
// (the same duplicates kept or dropped, the same order, the same partial
// content when dupError stops), in n log n instead of n squared.
void TStringList::AddSortedItems(std::vector<TStringItem>&& Items) {
  const size_t n = Items.size();
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t(0));
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return CompareStrings(Items[a].FString, Items[b].FString) < 0; });

  // A line is a duplicate when it equals a line of the list or an earlier one
  // of Items (the first of its group in the stable order).
  std::vector<bool> duplicate(n, false);
  size_t firstDuplicate = n;
  if (FDuplicates != dupAccept) {
    for (size_t k = 0; k < n; ++k) {
      const size_t i = order[k];
      int32_t at;
      if (k > 0 && CompareStrings(Items[order[k - 1]].FString, Items[i].FString) == 0)
        duplicate[i] = true;
      else
        duplicate[i] = Find(Items[i].FString, at);
      if (duplicate[i]) firstDuplicate = std::min(firstDuplicate, i);
    }
  }

  std::vector<TStringItem> added;
  added.reserve(n);
  for (size_t i : order) {
    bool keep = FDuplicates == dupError ? i < firstDuplicate : !duplicate[i];
    if (keep) added.push_back(std::move(Items[i]));
  }
  if (!added.empty()) {
    Changing();
    std::vector<TStringItem> merged;
    merged.reserve(FList.size() + added.size());
    // std::merge is stable: lines already in the list come before equal new ones.
    std::merge(std::make_move_iterator(FList.begin()), std::make_move_iterator(FList.end()),
               std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()), std::back_inserter(merged),
               [this](const TStringItem& a, const TStringItem& b) { return CompareStrings(a.FString, b.FString) < 0; });
    FList.swap(merged);
    Changed();
  }
  if (FDuplicates == dupError && firstDuplicate < n) Error(kDuplicateError);
}

// ---------------------------------------------------------------------------
// THashedStringList

// Equal keys exactly when CompareStrings finds the lines equal: case folding
// is the lower case of the upper case, as AnsiCompareText compares.
String THashedStringList::HashKey(const String& S) const {
  return CaseSensitive() ? S : AnsiLowerCase(AnsiUpperCase(S));
}

void THashedStringList::CheckHashSettings() const {
  if (FHashCaseSensitive == CaseSensitive() && FHashSeparator == NameValueSeparator()) return;
  FValueHashValid = false;
  FNameHashValid = false;
  FHashCaseSensitive = CaseSensitive();
  FHashSeparator = NameValueSeparator();
}

void THashedStringList::UpdateValueHash() const {
  CheckHashSettings();
  if (FValueHashValid) return;
  FValueHash.clear();
  FValueHash.reserve(static_cast<size_t>(GetCount()));
  // emplace keeps the first index of equal lines, as a linear search would.
  for (int32_t i = 0, n = GetCount(); i < n; ++i) FValueHash.emplace(HashKey(Get(i)), i);
  FValueHashValid = true;
}

void THashedStringList::AddNameKey(int32_t Index) const {
  String s = Get(Index);
  size_t p = s.find(NameValueSeparator());
  if (p != String::npos) FNameHash.emplace(HashKey(s.substr(0, p)), Index);
}

void THashedStringList::UpdateNameHash() const {
  CheckHashSettings();
  if (FNameHashValid) return;
  FNameHash.clear();
  FNameHash.reserve(static_cast<size_t>(GetCount()));
  for (int32_t i = 0, n = GetCount(); i < n; ++i) AddNameKey(i);
  FNameHashValid = true;
}

int32_t THashedStringList::IndexOf(const String& S) const {
  UpdateValueHash();
  auto it = FValueHash.find(HashKey(S));
  return it == FValueHash.end() ? -1 : it->second;
}

int32_t THashedStringList::IndexOfName(const String& Name) const {
  UpdateNameHash();
  auto it = FNameHash.find(HashKey(Name));
  return it == FNameHash.end() ? -1 : it->second;
}

void THashedStringList::Changed() {
  ++FChangeSerial;
  FValueHashValid = false;
  FNameHashValid = false;
  TStringList::Changed();
}

void THashedStringList::InsertItem(int32_t Index, const String& S, void* AObject) {
  const bool append = Index == GetCount();
  CheckHashSettings();
  const bool valueValid = FValueHashValid;
  const bool nameValid = FNameHashValid;
  const uint64_t serial = FChangeSerial;
  TStringList::InsertItem(Index, S, AObject);
  // A line appended (and nothing else changed meanwhile by an event handler)
  // leaves every index in the tables as it was: add the new one.
  if (!append || FChangeSerial != serial + 1) return;
  const int32_t index = GetCount() - 1;
  if (valueValid) {
    FValueHash.emplace(HashKey(S), index);
    FValueHashValid = true;
  }
  if (nameValid) {
    AddNameKey(index);
    FNameHashValid = true;
  }
}
