// String lists: the abstract TStrings, TStringList (sorting, duplicates,
// change events) and THashedStringList (hashed look-ups).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/rtl/components.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/types.h"
#include "platform/rtl/scopeguard.h"

class TStream;

// A list of strings, each with an associated pointer ("object", never owned).
// Names and values are lines of the form Name=Value (NameValueSeparator).
// Text joins lines with CR LF; reading it accepts CR LF, LF and CR.
//
class TStrings : public TPersistent {
 public:
  TStrings() = default;
  ~TStrings() override = default;
  const char* ClassName() const override { return "TStrings"; }

  int32_t Count() const { return GetCount(); }
  String Strings(int32_t Index) const { return Get(Index); }
  virtual void Put(int32_t Index, const String& S);
  void SetStrings(int32_t Index, const String& S) { Put(Index, S); }
  void* Objects(int32_t Index) const { return GetObject(Index); }
  virtual void PutObject(int32_t Index, void* AObject);
  void SetObjects(int32_t Index, void* AObject) { PutObject(Index, AObject); }

  // Answers the index of the new line (for sorted lists, where it went).
  virtual int32_t Add(const String& S);
  virtual int32_t AddObject(const String& S, void* AObject);
  void Append(const String& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  virtual void Insert(int32_t Index, const String& S) = 0;
  virtual void InsertObject(int32_t Index, const String& S, void* AObject);
  virtual void Delete(int32_t Index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int32_t Index1, int32_t Index2);
  virtual void Move(int32_t CurIndex, int32_t NewIndex);
  virtual int32_t IndexOf(const String& S) const;
  // Index of the first line "Name=..." whose name matches; -1 when none.
  virtual int32_t IndexOfName(const String& Name) const;
  virtual int32_t IndexOfObject(void* AObject) const;
  // Same lines (compared exactly) in the same order.
  bool Equals(TStrings* Strings) const;

  // The part before the first separator; "" for a line without one.
  String Names(int32_t Index) const;
  String Values(const String& Name) const;
  // Sets or adds Name=Value; an empty Value deletes the line.
  virtual void SetValue(const String& Name, const String& Value);
  // The part after the first separator; "" for a line without one.
  String ValueFromIndex(int32_t Index) const;
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }

  // Every line followed by CR LF.
  String Text() const { return GetTextStr(); }
  // Replaces the lines; a break at the very end does not add an empty line.
  void SetText(const String& Value) { SetTextStr(Value); }

  // Lines separated by Delimiter; a line that is empty on its own, or holds a
  // character up to ' ', the quote or the delimiter, is quoted with QuoteChar
  // (quotes inside doubled).
  String DelimitedText() const;
  // Replaces the lines. Unquoted items end at a blank or the delimiter; a
  // delimiter at the very end adds an empty item.
  void SetDelimitedText(const String& Value);
  // DelimitedText with ',' and '"'.
  String CommaText() const;
  void SetCommaText(const String& Value);
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char Value) { FDelimiter = Value; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char Value) { FQuoteChar = Value; }

  void BeginUpdate();
  void EndUpdate();
  int32_t UpdateCount() const { return FUpdateCount; }

  // From another TStrings: its lines, objects and separators.
  void Assign(TPersistent* Source) override;

  // UTF-8 bytes; a leading UTF-8 byte order mark is skipped on load.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;
  virtual void LoadFromFile(const String& FileName);
  // Through TSafeFileWriter: an existing file is replaced only once the new
  // content is complete.
  virtual void SaveToFile(const String& FileName) const;

 protected:
  struct TStringItem {
    String FString;
    void* FObject = nullptr;
  };

  virtual String Get(int32_t Index) const = 0;
  virtual int32_t GetCount() const = 0;
  virtual void* GetObject(int32_t Index) const;
  virtual String GetTextStr() const;
  virtual void SetTextStr(const String& Value);
  // Called with true when the first BeginUpdate starts and false when the
  // last EndUpdate ends.
  virtual void SetUpdateState(bool Updating);
  // Order of two lines for look-ups: AnsiCompareText here.
  virtual int32_t CompareStrings(const String& S1, const String& S2) const;
  // Adds many lines at once (text, delimited text, AddStrings).
  virtual void AddItems(std::vector<TStringItem>&& Items);
  [[noreturn]] void Error(const char* Msg, int32_t Data) const;
  [[noreturn]] void Error(const char* Msg) const;

  // Runs Body between BeginUpdate and EndUpdate, ending the update on errors too.
  template <class F>
  void Updating(F&& Body) {
    auto update = UpdateScope(this);
    Body();
  }

 private:
  String GetDelimited(char Delim, char Quote) const;
  void SetDelimited(const String& Value, char Delim, char Quote);

  int32_t FUpdateCount = 0;
  char FNameValueSeparator = '=';
  char FDelimiter = ',';
  char FQuoteChar = '"';
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = int (*)(TStringList* List, int32_t Index1, int32_t Index2);

// The string list. Unsorted by default; a sorted list keeps its lines in
// CompareStrings order (AnsiCompareText, or AnsiCompareStr when CaseSensitive),
// finds them by binary search and refuses Insert/Put/Move. Lines that compare
// equal keep the order in which they were added.
class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override;
  const char* ClassName() const override { return "TStringList"; }

  int32_t Add(const String& S) override;
  int32_t AddObject(const String& S, void* AObject) override;
  void Insert(int32_t Index, const String& S) override;
  void InsertObject(int32_t Index, const String& S, void* AObject) override;
  void Put(int32_t Index, const String& S) override;
  void PutObject(int32_t Index, void* AObject) override;
  void Delete(int32_t Index) override;
  void Clear() override;
  void Exchange(int32_t Index1, int32_t Index2) override;
  void Move(int32_t CurIndex, int32_t NewIndex) override;
  int32_t IndexOf(const String& S) const override;
  int32_t IndexOfName(const String& Name) const override;
  void SetValue(const String& Name, const String& Value) override;

  // Binary search of a sorted list: true when found, with Index at the first
  // equal line; otherwise Index is where S would be inserted.
  virtual bool Find(const String& S, int32_t& Index) const;
  // Sorts an unsorted list (stable); a sorted list is already in order.
  virtual void Sort();
  virtual void CustomSort(TStringListSortCompare Compare);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  // Re-sorts a sorted list under the new order.
  void SetCaseSensitive(bool Value);

  // Fired when not updating: before and after each change, and once around
  // a BeginUpdate/EndUpdate block.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  String Get(int32_t Index) const override;
  int32_t GetCount() const override { return static_cast<int32_t>(FList.size()); }
  void* GetObject(int32_t Index) const override;
  String GetTextStr() const override;
  void SetUpdateState(bool Updating) override;
  int32_t CompareStrings(const String& S1, const String& S2) const override;
  void AddItems(std::vector<TStringItem>&& Items) override;
  virtual void Changed();
  virtual void Changing();
  virtual void InsertItem(int32_t Index, const String& S, void* AObject);

 private:
  static int CompareItems(TStringList* List, int32_t Index1, int32_t Index2);
  void CheckIndex(int32_t Index) const;
  void AddSortedItems(std::vector<TStringItem>&& Items);

  std::vector<TStringItem> FList;
  TDuplicates FDuplicates = dupIgnore;
  bool FSorted = false;
  bool FCaseSensitive = false;
};

// A TStringList whose IndexOf and IndexOfName use hash tables, built on the
// first look-up after a change. Appending a line keeps the tables, so a list
// filled and searched in turn stays linear.
class THashedStringList : public TStringList {
 public:
  const char* ClassName() const override { return "THashedStringList"; }
  int32_t IndexOf(const String& S) const override;
  int32_t IndexOfName(const String& Name) const override;

 protected:
  void Changed() override;
  void InsertItem(int32_t Index, const String& S, void* AObject) override;

 private:
  String HashKey(const String& S) const;
  // Drops the tables when CaseSensitive or the separator changed since.
  void CheckHashSettings() const;
  void UpdateValueHash() const;
  void UpdateNameHash() const;
  void AddNameKey(int32_t Index) const;

  mutable std::unordered_map<String, int32_t> FValueHash;
  mutable std::unordered_map<String, int32_t> FNameHash;
  mutable bool FValueHashValid = false;
  mutable bool FNameHashValid = false;
  // The settings the tables were built under.
  mutable bool FHashCaseSensitive = false;
  mutable char FHashSeparator = '=';
  uint64_t FChangeSerial = 0;
};
