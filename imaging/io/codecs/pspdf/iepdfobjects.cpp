#include "imaging/io/codecs/pspdf/iepdfobjects.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"

namespace {

void Put(TStream* Stream, const String& Text) {
  if (!Text.empty()) Stream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
}

void Free(TIEPDFObject* Object) {
  if (Object != nullptr && !Object->NotOwned) delete Object;
}

// Bytes that cannot stand in a name as they are: everything outside
// "!".."~", the name escape itself and the delimiters of the syntax.
bool NeedsEscape(uint8_t c) {
  if (c < '!' || c > '~') return true;
  return std::strchr("#/%()<>[]{}", c) != nullptr;
}

}  // namespace

String IEPDFFormatNumber(double Value) {
  if (!std::isfinite(Value) || Value == 0) return "0";
  // 15 significant digits, then written out in plain decimal notation.
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::scientific, 14);
  const String sci(buf, res.ptr);
  const size_t e = sci.find('e');
  const bool negative = sci[0] == '-';
  String digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i)
    if (sci[i] != '.') digits += sci[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int32_t exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  const int32_t point = exponent + 1;  // digits before the decimal point
  const auto n = static_cast<int32_t>(digits.size());
  String out = negative ? "-" : "";
  if (point <= 0)
    out += "0." + String(static_cast<size_t>(-point), '0') + digits;
  else if (point >= n)
    out += digits + String(static_cast<size_t>(point - n), '0');
  else
    out += digits.substr(0, static_cast<size_t>(point)) + "." + digits.substr(static_cast<size_t>(point));
  return out;
}

void TIEPDFRefObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  Put(Stream, IntToStr(ObjNumber) + " " + IntToStr(Generation) + " R");
}

void TIEPDFBooleanObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  Put(Stream, Value ? "true" : "false");
}

void TIEPDFNumericObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  Put(Stream, IEPDFFormatNumber(Value));
}

void TIEPDFStringObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  String out = "(";
  for (char c : Text) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  Put(Stream, out + ")");
}

void TIEPDFNameObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  static const char kHex[] = "0123456789ABCDEF";
  String out = "/";
  for (char ch : Name) {
    const auto c = static_cast<uint8_t>(ch);
    if (NeedsEscape(c)) {
      out += '#';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  Put(Stream, out);
}

TIEPDFArrayObject::~TIEPDFArrayObject() {
  for (TIEPDFObject* item : Items) Free(item);
}

int32_t TIEPDFArrayObject::Add(TIEPDFObject* Item) {
  Items.push_back(Item);
  return Count() - 1;
}

void TIEPDFArrayObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  Put(Stream, "[");
  for (TIEPDFObject* item : Items) {
    item->Write(Stream);
    Put(Stream, " ");
  }
  Put(Stream, "]");
}

TIEPDFDictionaryObject::~TIEPDFDictionaryObject() {
  for (auto& entry : Entries) Free(entry.second);
}

void TIEPDFDictionaryObject::Add(const String& Key, TIEPDFObject* Value) { Entries.emplace_back(Key, Value); }

void TIEPDFDictionaryObject::Insert(int32_t Index, const String& Key, TIEPDFObject* Value) {
  Index = std::clamp(Index, 0, Count());
  Entries.emplace(Entries.begin() + Index, Key, Value);
}

int32_t TIEPDFDictionaryObject::IndexOf(const String& Key) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (Entries[static_cast<size_t>(i)].first == Key) return i;
  return -1;
}

TIEPDFObject* TIEPDFDictionaryObject::Find(const String& Key) const {
  const int32_t i = IndexOf(Key);
  return i < 0 ? nullptr : Entries[static_cast<size_t>(i)].second;
}

void TIEPDFDictionaryObject::SetValue(int32_t Index, TIEPDFObject* Value) {
  TIEPDFObject*& slot = Entries.at(static_cast<size_t>(Index)).second;
  if (slot != Value) Free(slot);
  slot = Value;
}

void TIEPDFDictionaryObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  Put(Stream, "<< ");
  for (auto& entry : Entries) {
    Put(Stream, "/" + entry.first + " ");
    entry.second->Write(Stream);
    Put(Stream, "\n");
  }
  Put(Stream, ">>");
}

TIEPDFStreamObject::TIEPDFStreamObject() : Dictionary(std::make_unique<TIEPDFDictionaryObject>()) {
  Dictionary->Add("Length", new TIEPDFNumericObject(0));
}

TIEPDFStreamObject::TIEPDFStreamObject(const void* AData, int64_t Size) : TIEPDFStreamObject() {
  if (AData != nullptr && Size > 0) {
    const auto* p = static_cast<const uint8_t*>(AData);
    Data.assign(p, p + Size);
  }
}

void TIEPDFStreamObject::Write(TStream* Stream) {
  Offset = Stream->Position();
  auto* length = new TIEPDFNumericObject(static_cast<double>(Data.size()));
  const int32_t i = Dictionary->IndexOf("Length");
  if (i >= 0)
    Dictionary->SetValue(i, length);
  else
    Dictionary->Add("Length", length);
  Dictionary->Write(Stream);
  Put(Stream, "\nstream\n");
  if (!Data.empty()) Stream->WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
  Put(Stream, "\nendstream");
}

void IEPDFAddObject(TIEPDFObjectList& List, TIEPDFObject* Object) {
  List.push_back(Object);
  Object->Number = static_cast<int32_t>(List.size());
}

void IEPDFWriteHeader(TStream* Stream) { Put(Stream, String("%PDF-1.4\n%\xC8\xD2\xF0\xFE\n")); }

void IEPDFWriteObjects(TStream* Stream, const TIEPDFObjectList& List) {
  for (TIEPDFObject* object : List) {
    const int64_t at = Stream->Position();
    Put(Stream, IntToStr(object->Number) + " 0 obj\n");
    object->Write(Stream);
    Put(Stream, "\nendobj\n");
    object->Offset = at;
  }
}

void IEPDFWriteXRef(TStream* Stream, const TIEPDFObjectList& List, const TIEPDFDictionaryObject* Info) {
  const int64_t at = Stream->Position();
  const String size = IntToStr(static_cast<int64_t>(List.size()) + 1);
  String out = "xref\n0 " + size + "\n0000000000 65535 f \n";
  for (const TIEPDFObject* object : List) out += IEPadLeft(IntToStr(object->Offset), 10, '0') + " 00000 n \n";
  out += "trailer\n<< /Size " + size + "\n/Root 1 0 R\n";
  if (Info != nullptr) out += "/Info " + IntToStr(Info->Number) + " 0 R\n";
  out += ">>\nstartxref\n" + IntToStr(at) + "\n%%EOF\n";
  Put(Stream, out);
}

TIEPDFDictionaryObject* IEPDFCreateCatalog(TIEPDFObjectList& List) {
  auto* catalog = new TIEPDFDictionaryObject;
  catalog->Add("Type", new TIEPDFNameObject("Catalog"));
  IEPDFAddObject(List, catalog);
  return catalog;
}

TIEPDFDictionaryObject* IEPDFCreatePages(TIEPDFObjectList& List, const TIEPDFPageList& Pages) {
  auto* tree = new TIEPDFDictionaryObject;
  IEPDFAddObject(List, tree);
  tree->Add("Type", new TIEPDFNameObject("Pages"));
  auto* kids = new TIEPDFArrayObject;
  for (TIEPDFDictionaryObject* page : Pages) {
    kids->Add(new TIEPDFRefObject(page->Number, 0));
    page->Add("Parent", new TIEPDFRefObject(tree->Number, 0));
  }
  tree->Add("Kids", kids);
  tree->Add("Count", new TIEPDFNumericObject(static_cast<double>(Pages.size())));
  if (auto* catalog = dynamic_cast<TIEPDFDictionaryObject*>(List.front()); catalog != nullptr && catalog != tree)
    catalog->Add("Pages", new TIEPDFRefObject(tree->Number, 0));
  return tree;
}

TIEPDFDictionaryObject* IEPDFCreatePage(TIEPDFObjectList& List, TIEPDFPageList& Pages,
                                        const TIEPDFDictionaryObject* Resources, int32_t ContentsNumber,
                                        TIEPDFArrayObject* MediaBox) {
  auto* page = new TIEPDFDictionaryObject;
  page->Add("Type", new TIEPDFNameObject("Page"));
  if (Resources != nullptr) page->Add("Resources", new TIEPDFRefObject(Resources->Number, 0));
  if (MediaBox != nullptr) page->Add("MediaBox", MediaBox);
  page->Add("Contents", new TIEPDFRefObject(ContentsNumber, 0));
  IEPDFAddObject(List, page);
  Pages.push_back(page);
  return page;
}

String IEPadLeft(const String& Text, int32_t Length, char Ch) {
  const auto have = static_cast<int64_t>(Text.size());
  return have >= Length ? Text : String(static_cast<size_t>(Length - have), Ch) + Text;
}
