#include "imaging/io/codecs/pspdf/iepdfobjects.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <limits>

#include "platform/rtl/format.h"
#include "platform/rtl/streams.h"

namespace {

String Written(TIEPDFObject& object) {
  TStringStream s;
  object.Write(&s);
  return s.DataString();
}

TIEPDFArrayObject* Numbers(std::initializer_list<double> values) {
  auto* a = new TIEPDFArrayObject;
  for (double v : values) a->Add(new TIEPDFNumericObject(v));
  return a;
}

// A tiny document: catalog, resources, one page with its content stream,
// the page tree and Info.
String SmallDocument(TIEPDFObjectList& list, TIEPDFPageList& pages, TIEPDFDictionaryObject*& info) {
  IEPDFCreateCatalog(list);
  auto* resources = new TIEPDFDictionaryObject;
  resources->Add("ProcSet", new TIEPDFArrayObject);
  IEPDFAddObject(list, resources);
  const String text = "0 0 m 100 100 l S";
  auto* content = new TIEPDFStreamObject(text.data(), static_cast<int64_t>(text.size()));
  IEPDFAddObject(list, content);
  IEPDFCreatePage(list, pages, resources, content->Number, Numbers({0, 0, 595, 842}));
  IEPDFCreatePages(list, pages);
  info = new TIEPDFDictionaryObject;
  info->Add("Title", new TIEPDFStringObject("Test (1)"));
  IEPDFAddObject(list, info);
  TStringStream s;
  s.WriteString("junk before the document");  // offsets are stream positions
  IEPDFWriteHeader(&s);
  IEPDFWriteObjects(&s, list);
  IEPDFWriteXRef(&s, list, info);
  return s.DataString();
}

}  // namespace

TEST(PdfObjects, ObjectsWriteTheirText) {
  struct TCase {
    const char* Name;
    std::function<TIEPDFObject*()> Make;
    String Expected;
  };
  const TCase cases[] = {
      {"catalog dictionary",
       [] {
         auto* d = new TIEPDFDictionaryObject;
         d->Add("Type", new TIEPDFNameObject("Catalog"));
         d->Add("Pages", new TIEPDFRefObject(2, 0));
         return d;
       },
       "<< /Type /Catalog\n/Pages 2 0 R\n>>"},
      {"string escapes", [] { return new TIEPDFStringObject("a(b)c\\"); }, "(a\\(b\\)c\\\\)"},
      {"control characters", [] { return new TIEPDFStringObject("\b\t\n\f\r\x01"); }, "(\\b\\t\\n\\f\\r\x01)"},
      {"name with a space", [] { return new TIEPDFNameObject("A B"); }, "/A#20B"},
      {"name bytes outside ! to ~", [] { return new TIEPDFNameObject("\xE9\x7F!~"); }, "/#E9#7F!~"},
      {"name escape and delimiters", [] { return new TIEPDFNameObject("a#b/c(d)"); }, "/a#23b#2Fc#28d#29"},
      {"integral number", [] { return new TIEPDFNumericObject(595); }, "595"},
      {"half", [] { return new TIEPDFNumericObject(0.5); }, "0.5"},
      {"negative", [] { return new TIEPDFNumericObject(-1.25); }, "-1.25"},
      {"negative zero", [] { return new TIEPDFNumericObject(-0.0); }, "0"},
      {"15 significant digits", [] { return new TIEPDFNumericObject(1.0 / 3); }, "0.333333333333333"},
      {"binary noise rounded away", [] { return new TIEPDFNumericObject(0.1 + 0.2); }, "0.3"},
      {"small, no exponent", [] { return new TIEPDFNumericObject(1e-7); }, "0.0000001"},
      {"large, no exponent", [] { return new TIEPDFNumericObject(1e20); }, "100000000000000000000"},
      {"large, rounded", [] { return new TIEPDFNumericObject(123456789012345678.0); }, "123456789012346000"},
      {"not a number", [] { return new TIEPDFNumericObject(std::nan("")); }, "0"},
      {"array",
       [] {
         return Numbers({0, 0, 595, 842});
       },
       "[0 0 595 842 ]"},
      {"empty array", [] { return new TIEPDFArrayObject; }, "[]"},
      {"booleans",
       [] {
         auto* a = new TIEPDFArrayObject;
         a->Add(new TIEPDFBooleanObject(true));
         a->Add(new TIEPDFBooleanObject(false));
         return a;
       },
       "[true false ]"},
      {"duplicate keys kept in order",
       [] {
         auto* d = new TIEPDFDictionaryObject;
         d->Add("K", new TIEPDFNumericObject(1));
         d->Add("A", new TIEPDFNumericObject(2));
         d->Add("K", new TIEPDFNumericObject(3));
         d->Insert(0, "First", new TIEPDFNameObject("X"));
         return d;
       },
       "<< /First /X\n/K 1\n/A 2\n/K 3\n>>"},
      {"stream",
       [] {
         auto* s = new TIEPDFStreamObject("ab\0c", 4);
         s->Dictionary->Add("Filter", new TIEPDFNameObject("None"));
         return s;
       },
       String("<< /Length 4\n/Filter /None\n>>\nstream\nab") + '\0' + "c\nendstream"},
      {"empty stream", [] { return new TIEPDFStreamObject; }, "<< /Length 0\n>>\nstream\n\nendstream"},
  };
  for (const TCase& c : cases) {
    std::unique_ptr<TIEPDFObject> object(c.Make());
    EXPECT_EQ(Written(*object), c.Expected) << c.Name;
    // Written twice: the stream's Length is replaced, not added again.
    EXPECT_EQ(Written(*object), c.Expected) << c.Name << " (again)";
  }
}

TEST(PdfObjects, NumbersIgnoreTheLocale) {
  const char decimal = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  const String oldLocale = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // when installed
  EXPECT_EQ(IEPDFFormatNumber(0.5), "0.5");
  EXPECT_EQ(IEPDFFormatNumber(-1234.5678), "-1234.5678");
  std::setlocale(LC_NUMERIC, oldLocale.c_str());
  FormatSettings().DecimalSeparator = decimal;
}

TEST(PdfObjects, ContainersFreeOnlyWhatTheyOwn) {
  // The list's objects are placed in a container too, marked NotOwned; ASan
  // reports a double free or a leak if the rule is broken.
  TIEPDFObjectList list;
  auto* shared = new TIEPDFNameObject("Shared");
  shared->NotOwned = true;
  IEPDFAddObject(list, shared);
  {
    TIEPDFArrayObject array;
    array.Add(shared);
    array.Add(new TIEPDFNumericObject(1));
    TIEPDFDictionaryObject dict;
    dict.Add("S", shared);
    dict.Add("N", new TIEPDFNumericObject(2));
    dict.SetValue(1, new TIEPDFNumericObject(3));
    EXPECT_EQ(Written(dict), "<< /S /Shared\n/N 3\n>>");
    EXPECT_EQ(dict.Find("S"), shared);
    EXPECT_EQ(dict.IndexOf("missing"), -1);
  }
  EXPECT_EQ(shared->Number, 1);
  for (TIEPDFObject* o : list) delete o;
}

TEST(PdfObjects, DocumentStructure) {
  TIEPDFObjectList list;
  TIEPDFPageList pages;
  TIEPDFDictionaryObject* info = nullptr;
  const String pdf = SmallDocument(list, pages, info);
  ASSERT_EQ(list.size(), 6u);  // catalog, resources, content, page, pages, info
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i]->Number, static_cast<int32_t>(i + 1));

  const size_t start = pdf.find("%PDF-1.4\n%\xC8\xD2\xF0\xFE\n");
  EXPECT_EQ(start, 24u);
  // Every object at its recorded offset; the catalog first, with Pages.
  for (TIEPDFObject* o : list)
    EXPECT_EQ(pdf.substr(static_cast<size_t>(o->Offset), 8), std::to_string(o->Number) + " 0 obj\n");
  EXPECT_NE(pdf.find("1 0 obj\n<< /Type /Catalog\n/Pages 5 0 R\n>>\nendobj\n"), String::npos);
  EXPECT_NE(pdf.find("4 0 obj\n<< /Type /Page\n/Resources 2 0 R\n/MediaBox [0 0 595 842 ]\n/Contents 3 0 R\n"
                     "/Parent 5 0 R\n>>\nendobj\n"),
            String::npos);
  EXPECT_NE(pdf.find("5 0 obj\n<< /Type /Pages\n/Kids [4 0 R ]\n/Count 1\n>>\nendobj\n"), String::npos);

  // Cross-reference section: n + 1 entries of 20 bytes, the trailer, startxref.
  const size_t xref = pdf.find("xref\n");
  ASSERT_NE(xref, String::npos);
  EXPECT_EQ(pdf.substr(xref, 9), "xref\n0 7\n");
  size_t at = xref + 9;
  EXPECT_EQ(pdf.substr(at, 20), "0000000000 65535 f \n");
  for (TIEPDFObject* o : list) {
    at += 20;
    EXPECT_EQ(pdf.substr(at, 20),
              String(10 - std::to_string(o->Offset).size(), '0') + std::to_string(o->Offset) + " 00000 n \n");
  }
  EXPECT_EQ(pdf.substr(at + 20),
            "trailer\n<< /Size 7\n/Root 1 0 R\n/Info 6 0 R\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
  for (TIEPDFObject* o : list) delete o;
}

TEST(PdfObjects, SmallLists) {
  // Three objects: "0 4" and /Size 4; no Info line without Info.
  TIEPDFObjectList list;
  IEPDFCreateCatalog(list);
  IEPDFAddObject(list, new TIEPDFNumericObject(1));
  IEPDFAddObject(list, new TIEPDFNumericObject(2));
  TStringStream s;
  IEPDFWriteXRef(&s, list, nullptr);
  const String x = s.DataString();
  EXPECT_EQ(x.substr(0, 9), "xref\n0 4\n");
  EXPECT_NE(x.find("<< /Size 4\n/Root 1 0 R\n>>\n"), String::npos);
  for (TIEPDFObject* o : list) delete o;

  EXPECT_EQ(IEPadLeft("17", 10, '0'), "0000000017");
  EXPECT_EQ(IEPadLeft("12345678901", 10, '0'), "12345678901");
  EXPECT_EQ(IEPadLeft("", 3, ' '), "   ");
}
