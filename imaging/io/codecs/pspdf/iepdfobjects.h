// The PDF object model of the PostScript and PDF writers: objects that write
// themselves as PDF 1.4 text, and the routines that number them and write the
// document around them (header, bodies, cross-reference table, trailer),
// with the catalog, page-tree and page dictionaries.
//
// Ownership: an array or dictionary frees the members it holds unless their
// NotOwned flag is set (such an object belongs to the document's object list
// instead); a stream object owns its dictionary and data. The object list
// itself owns nothing: its writer frees the objects.
//
// Numbers are written without the locale: "." as separator, at most 15
// significant digits, never an exponent.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/types.h"

class TStream;

class TIEPDFObject {
 public:
  TIEPDFObject() = default;
  TIEPDFObject(const TIEPDFObject&) = delete;
  TIEPDFObject& operator=(const TIEPDFObject&) = delete;
  virtual ~TIEPDFObject() = default;

  // Writes the object's text at the stream's position; records it in Offset.
  virtual void Write(TStream* Stream) = 0;

  int32_t Number = 0;  // set when the object joins the object list; 0 for direct objects
  int64_t Offset = 0;  // position of the last write; of the "n 0 obj" line once numbered
  bool NotOwned = false;
};

// "ObjNumber Generation R".
class TIEPDFRefObject : public TIEPDFObject {
 public:
  explicit TIEPDFRefObject(int32_t AObjNumber = 0, int32_t AGeneration = 0)
      : ObjNumber(AObjNumber), Generation(AGeneration) {}
  void Write(TStream* Stream) override;
  int32_t ObjNumber;
  int32_t Generation;
};

class TIEPDFBooleanObject : public TIEPDFObject {
 public:
  explicit TIEPDFBooleanObject(bool AValue = false) : Value(AValue) {}
  void Write(TStream* Stream) override;
  bool Value;
};

class TIEPDFNumericObject : public TIEPDFObject {
 public:
  explicit TIEPDFNumericObject(double AValue = 0) : Value(AValue) {}
  void Write(TStream* Stream) override;
  double Value;
};

// A literal string "(...)" with \b \t \n \f \r ( ) and \ escaped.
class TIEPDFStringObject : public TIEPDFObject {
 public:
  explicit TIEPDFStringObject(String AText = String()) : Text(std::move(AText)) {}
  void Write(TStream* Stream) override;
  String Text;  // bytes
};

// "/Name", every byte outside "!".."~" as #XX.
class TIEPDFNameObject : public TIEPDFObject {
 public:
  explicit TIEPDFNameObject(String AName = String()) : Name(std::move(AName)) {}
  void Write(TStream* Stream) override;
  String Name;  // bytes
};

// "[" and each item followed by one space, then "]".
class TIEPDFArrayObject : public TIEPDFObject {
 public:
  TIEPDFArrayObject() = default;
  ~TIEPDFArrayObject() override;
  void Write(TStream* Stream) override;

  // Takes Item (freed with the array unless NotOwned); answers its index.
  int32_t Add(TIEPDFObject* Item);
  int32_t Count() const { return static_cast<int32_t>(Items.size()); }

  std::vector<TIEPDFObject*> Items;
};

// "<< ", then "/key value\n" per entry, then ">>". Entries keep insertion
// order; keys are not checked for duplicates.
class TIEPDFDictionaryObject : public TIEPDFObject {
 public:
  TIEPDFDictionaryObject() = default;
  ~TIEPDFDictionaryObject() override;
  void Write(TStream* Stream) override;

  // Values are freed with the dictionary unless NotOwned.
  void Add(const String& Key, TIEPDFObject* Value);
  void Insert(int32_t Index, const String& Key, TIEPDFObject* Value);
  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
  // The first entry of that key: its index (-1 when none) / its value (nil).
  int32_t IndexOf(const String& Key) const;
  TIEPDFObject* Find(const String& Key) const;
  // Replaces the value at Index, freeing the old one unless NotOwned.
  void SetValue(int32_t Index, TIEPDFObject* Value);

  std::vector<std::pair<String, TIEPDFObject*>> Entries;
};

// The dictionary (created with Length = 0), "\n", "stream\n", the data, "\n",
// "endstream". Length is set to the data's size when written.
class TIEPDFStreamObject : public TIEPDFObject {
 public:
  TIEPDFStreamObject();
  // A stream holding a copy of the Size bytes at Data.
  TIEPDFStreamObject(const void* Data, int64_t Size);
  void Write(TStream* Stream) override;

  std::unique_ptr<TIEPDFDictionaryObject> Dictionary;
  std::vector<uint8_t> Data;
};

// The numbered objects of one document, in number order (number = index + 1).
using TIEPDFObjectList = std::vector<TIEPDFObject*>;
using TIEPDFPageList = std::vector<TIEPDFDictionaryObject*>;

// The text of a number: 595 -> "595", 0.5 -> "0.5", -1.25 -> "-1.25".
// NaN and infinities give "0".
String IEPDFFormatNumber(double Value);

// Appends Object; Object.Number := the list's new count.
void IEPDFAddObject(TIEPDFObjectList& List, TIEPDFObject* Object);
// "%PDF-1.4\n%" C8 D2 F0 FE "\n".
void IEPDFWriteHeader(TStream* Stream);
// Per object: "n 0 obj\n", the object, "\n", "endobj\n"; Offset := the
// position of its first line.
void IEPDFWriteObjects(TStream* Stream, const TIEPDFObjectList& List);
// The cross-reference section (20-byte entries), the trailer (Size n + 1,
// Root 1 0 R, Info when given) and startxref. The catalog must be object 1.
void IEPDFWriteXRef(TStream* Stream, const TIEPDFObjectList& List, const TIEPDFDictionaryObject* Info);
// A dictionary with Type /Catalog, added to List.
TIEPDFDictionaryObject* IEPDFCreateCatalog(TIEPDFObjectList& List);
// The page tree: added to List, Type /Pages, Kids (references to Pages in
// order, each page also getting Parent), Count; the list's first object (the
// catalog) gets Pages.
TIEPDFDictionaryObject* IEPDFCreatePages(TIEPDFObjectList& List, const TIEPDFPageList& Pages);
// A page: Type /Page, Resources (a reference, when given), MediaBox (the
// array, now the page's), Contents (a reference to ContentsNumber); added to
// List and to Pages.
TIEPDFDictionaryObject* IEPDFCreatePage(TIEPDFObjectList& List, TIEPDFPageList& Pages,
                                        const TIEPDFDictionaryObject* Resources, int32_t ContentsNumber,
                                        TIEPDFArrayObject* MediaBox);
// Text prefixed with Ch until it is at least Length characters long.
String IEPadLeft(const String& Text, int32_t Length, char Ch);
