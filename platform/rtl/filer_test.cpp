#include "platform/rtl/filer.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>

#include "platform/rtl/streaming_testing.h"
#include "platform/rtl/strings.h"

namespace {

class Streaming : public ::testing::Test {
 protected:
  void SetUp() override { RegisterStreamingTestClasses(); }
};

String Bytes(const uint8_t (&b)[10]) { return String(reinterpret_cast<const char*>(b), 10); }

String ToBytes(TComponent* c) {
  TStringStream s;
  WriteComponent(&s, c);
  return s.DataString();
}

template <class T = TComponent>
std::unique_ptr<T> FromBytes(const String& bytes) {
  TStringStream s(bytes);
  TComponent* c = ReadComponent(&s);
  auto* t = dynamic_cast<T*>(c);
  if (t == nullptr) delete c;
  return std::unique_ptr<T>(t);
}

void ReadInto(const String& bytes, TComponent* instance) {
  TStringStream s(bytes);
  ReadComponent(&s, instance);
}

String LoadFixture(const char* name) {
  std::ifstream in(String(PROJECT_TESTDATA_DIR) + "/streaming/" + name, std::ios::binary);
  return String(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names of the root's property entries, in stream order.
std::vector<String> PropertyNames(const String& bytes) {
  TStringStream s(bytes);
  TReader r(&s);
  r.ReadSignature();
  uint8_t flags;
  int32_t pos;
  r.ReadPrefix(flags, pos);
  r.ReadStr();
  r.ReadStr();
  std::vector<String> names;
  while (!r.EndOfList()) {
    names.push_back(r.ReadStr());
    r.SkipValue();
  }
  return names;
}

String Hex(const String& s) {
  static const char kHex[] = "0123456789ABCDEF";
  String r;
  for (unsigned char c : s) {
    if (!r.empty()) r += ' ';
    r += kHex[c >> 4];
    r += kHex[c & 15];
  }
  return r;
}

// ---------------------------------------------------------------------------
// The 80-bit extended codec

#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64
TEST(StreamingExtended, EncodesLikeTheX87ForEveryDoubleKind) {
  const double values[] = {0.0,
                           -0.0,
                           1.0,
                           -1.0,
                           0.1,
                           1e-310,
                           1e308,
                           DBL_MIN,
                           DBL_MAX,
                           std::numeric_limits<double>::denorm_min(),
                           -2.5,
                           1.0 / 3.0,
                           123456789.0,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  for (double v : values) {
    uint8_t mine[10];
    DoubleToExtended(v, mine);
    const long double wide = v;
    uint8_t reference[10];
    std::memcpy(reference, &wide, 10);
    EXPECT_EQ(Hex(Bytes(mine)), Hex(Bytes(reference))) << v;
    double back;
    ASSERT_TRUE(ExtendedToDouble(mine, back)) << v;
    EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << v;
  }
}

TEST(StreamingExtended, DecodesWiderValuesToTheNearestDouble) {
  // The x87's own conversion to double is the reference for values that carry
  // more precision than a double: ties, subnormal results, underflow.
  const long double tiny = std::numeric_limits<double>::denorm_min();
  const long double values[] = {0.1L,
                                1.0L / 3.0L,
                                1.0L + 0x1p-53L,             // tie: stays 1
                                1.0L + 0x1p-53L + 0x1p-60L,  // just above the tie
                                1.0L + 3 * 0x1p-53L,         // tie: to even
                                1e-310L,
                                3.3e-320L,
                                tiny * 0.5L,   // tie with 0: to 0
                                tiny * 0.75L,  // up to the smallest subnormal
                                tiny * 1.5L,   // tie: to 2 x the smallest
                                tiny * 0.25L,
                                DBL_MIN * (1.0L - 0x1p-60L),  // rounds up into the normal range
                                -1e-4000L,
                                (long double)DBL_MAX * (1.0L + 0x1p-60L)};
  for (long double v : values) {
    uint8_t bytes[10];
    std::memcpy(bytes, &v, 10);
    double mine;
    ASSERT_TRUE(ExtendedToDouble(bytes, mine)) << static_cast<double>(v);
    const double reference = static_cast<double>(v);
    EXPECT_EQ(std::memcmp(&mine, &reference, sizeof mine), 0) << reference << " vs " << mine;
  }
}
#endif

TEST(StreamingExtended, KnownBytesAndValuesOutsideTheDoubleRange) {
  uint8_t one[10];
  DoubleToExtended(1.0, one);
  EXPECT_EQ(Hex(Bytes(one)), "00 00 00 00 00 00 00 80 FF 3F");

  struct Case {
    uint8_t Bytes[10];
    bool Valid;
    double Value;
  };
  const Case cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}, true, std::numeric_limits<double>::infinity()},
      {{0, 0, 0, 0, 0, 0, 0, 0x00, 0xFF, 0x7F}, false, 0},                       // pseudo-infinity
      {{0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x44}, false, 0},                       // 2^1025
      {{0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC4}, false, 0},                       // -2^1025
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43}, false, 0},  // rounds up past DBL_MAX
      {{0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00}, true, 0},                        // 2^-16382
      {{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, 0},                                 // x87 denormal
      {{0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F}, true, 0.5},                      // unnormal: integer bit clear
      {{0, 0, 0, 0, 0, 0, 0, 0, 0x34, 0x12}, true, 0},                           // pseudo-zero
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(ExtendedToDouble(c.Bytes, v), c.Valid) << Hex(Bytes(c.Bytes));
    if (c.Valid) {
      EXPECT_EQ(v, c.Value) << Hex(Bytes(c.Bytes));
    }
  }
}

// ---------------------------------------------------------------------------
// Values

struct ValueRow {
  const char* Name;
  std::function<void(TWriter&)> Write;
  TValueType Type;
  std::function<void(TReader&)> Check;
};

TEST(StreamingValues, EveryValueTypeReadsBackWhatWasWritten) {
  const String longText(300, 'x');
  const WideString wide = u"\u00FC\u20AC\U0001F600";
  const ValueRow rows[] = {
      {"Int8", [](TWriter& w) { w.WriteInteger(-5); }, vaInt8, [](TReader& r) { EXPECT_EQ(r.ReadInteger(), -5); }},
      {"Int16", [](TWriter& w) { w.WriteInteger(1000); }, vaInt16,
       [](TReader& r) { EXPECT_EQ(r.ReadInteger(), 1000); }},
      {"Int32", [](TWriter& w) { w.WriteInteger(-100000); }, vaInt32,
       [](TReader& r) { EXPECT_EQ(r.ReadInteger(), -100000); }},
      {"Int64", [](TWriter& w) { w.WriteInteger(int64_t(1) << 40); }, vaInt64,
       [](TReader& r) { EXPECT_EQ(r.ReadInt64(), int64_t(1) << 40); }},
      {"Extended", [](TWriter& w) { w.WriteFloat(0.1); }, vaExtended,
       [](TReader& r) { EXPECT_EQ(r.ReadFloat(), 0.1); }},
      {"Double", [](TWriter& w) { w.WriteDouble(1e-310); }, vaDouble,
       [](TReader& r) { EXPECT_EQ(r.ReadFloat(), 1e-310); }},
      {"Single", [](TWriter& w) { w.WriteSingle(1.25f); }, vaSingle,
       [](TReader& r) { EXPECT_EQ(r.ReadSingle(), 1.25f); }},
      {"Currency", [](TWriter& w) { w.WriteCurrency(12.3456); }, vaCurrency,
       [](TReader& r) { EXPECT_EQ(r.ReadCurrency(), 12.3456); }},
      {"Date", [](TWriter& w) { w.WriteDate(45000.25); }, vaDate,
       [](TReader& r) { EXPECT_EQ(r.ReadDate(), 45000.25); }},
      {"String", [](TWriter& w) { w.WriteString("abc"); }, vaString,
       [](TReader& r) { EXPECT_EQ(r.ReadString(), "abc"); }},
      {"LString", [&](TWriter& w) { w.WriteString(longText); }, vaLString,
       [&](TReader& r) { EXPECT_EQ(r.ReadString(), longText); }},
      {"WString", [&](TWriter& w) { w.WriteWideString(wide); }, vaWString,
       [&](TReader& r) { EXPECT_EQ(r.ReadWideString(), wide); }},
      {"WStringAsString", [&](TWriter& w) { w.WriteWideString(wide); }, vaWString,
       [&](TReader& r) { EXPECT_EQ(r.ReadString(), UTF16ToUTF8(wide)); }},
      {"UTF8String", [](TWriter& w) { w.WriteUTF8String("\xC3\xA9"); }, vaUTF8String,
       [](TReader& r) { EXPECT_EQ(r.ReadWideString(), u"\u00E9"); }},
      {"Ident", [](TWriter& w) { w.WriteIdent("taCenter"); }, vaIdent,
       [](TReader& r) { EXPECT_EQ(r.ReadIdent(), "taCenter"); }},
      {"False", [](TWriter& w) { w.WriteBoolean(false); }, vaFalse, [](TReader& r) { EXPECT_FALSE(r.ReadBoolean()); }},
      {"True", [](TWriter& w) { w.WriteIdent("true"); }, vaTrue, [](TReader& r) { EXPECT_TRUE(r.ReadBoolean()); }},
      {"Nil", [](TWriter& w) { w.WriteIdent("nil"); }, vaNil, [](TReader& r) { EXPECT_EQ(r.ReadIdent(), "nil"); }},
      {"Set", [](TWriter& w) { w.WriteSet(TypeInfoTFontStyle(), 0b1010); }, vaSet,
       [](TReader& r) { EXPECT_EQ(r.ReadSet(TypeInfoTFontStyle()), 0b1010u); }},
      {"EmptySet", [](TWriter& w) { w.WriteSet(TypeInfoTFontStyle(), 0); }, vaSet,
       [](TReader& r) { EXPECT_EQ(r.ReadSet(TypeInfoTFontStyle()), 0u); }},
      {"Binary", [](TWriter& w) { w.WriteBinary("\x00\x01\xFF", 3); }, vaBinary,
       [](TReader& r) {
         r.ReadBinary([](TStream* s) {
           ASSERT_EQ(s->Size(), 3);
           uint8_t b[3];
           s->ReadBuffer(b, 3);
           EXPECT_EQ(b[2], 0xFF);
         });
       }},
      {"List",
       [](TWriter& w) {
         w.WriteListBegin();
         w.WriteInteger(1);
         w.WriteString("two");
         w.WriteListEnd();
       },
       vaList,
       [](TReader& r) {
         r.ReadListBegin();
         EXPECT_EQ(r.ReadInteger(), 1);
         EXPECT_EQ(r.ReadString(), "two");
         EXPECT_TRUE(r.EndOfList());
         r.ReadListEnd();
       }},
  };
  for (const ValueRow& row : rows) {
    TStringStream s;
    {
      TWriter w(&s);
      row.Write(w);
    }
    ASSERT_FALSE(s.DataString().empty()) << row.Name;
    EXPECT_EQ(static_cast<uint8_t>(s.DataString()[0]), row.Type) << row.Name;
    s.SetPosition(0);
    TReader r(&s);
    row.Check(r);
    EXPECT_EQ(r.BytesLeft(), 0) << row.Name;
    // Every value can be skipped whole.
    s.SetPosition(0);
    TReader skipper(&s);
    skipper.SkipValue();
    EXPECT_EQ(skipper.BytesLeft(), 0) << row.Name;
  }
}

TEST(StreamingValues, ReaderConvertsBetweenCompatibleTypes) {
  auto stream = [](const std::function<void(TWriter&)>& write) {
    TStringStream s;
    {
      TWriter w(&s);
      write(w);
    }
    return s.DataString();
  };
  auto reader = [](const String& bytes, const std::function<void(TReader&)>& check) {
    TStringStream s(bytes);
    TReader r(&s);
    check(r);
  };
  // Any integer width and every float type into a float.
  for (auto write : std::vector<std::function<void(TWriter&)>>{
           [](TWriter& w) { w.WriteInteger(3); }, [](TWriter& w) { w.WriteInteger(int64_t(3)); },
           [](TWriter& w) { w.WriteSingle(3); }, [](TWriter& w) { w.WriteDouble(3); },
           [](TWriter& w) { w.WriteCurrency(3); }, [](TWriter& w) { w.WriteDate(3); }})
    reader(stream(write), [](TReader& r) { EXPECT_EQ(r.ReadFloat(), 3.0); });
  // vaInt64 within range into a 32-bit integer; beyond it an error.
  {
    TStringStream s;
    TWriter w(&s);
    w.WriteValue(vaInt64);
    const int64_t v = -7;
    w.Write(&v, 8);
    w.FlushBuffer();
    reader(s.DataString(), [](TReader& r) { EXPECT_EQ(r.ReadInteger(), -7); });
  }
  reader(stream([](TWriter& w) { w.WriteInteger(int64_t(1) << 33); }),
         [](TReader& r) { EXPECT_THROW(r.ReadInteger(), EReadError); });
  // Every string type into String and WideString; 8-bit text that is not
  // UTF-8 reads as Windows-1252.
  reader(stream([](TWriter& w) { w.WriteString("caf\xE9"); }),
         [](TReader& r) { EXPECT_EQ(r.ReadString(), "caf\xC3\xA9"); });
  reader(stream([](TWriter& w) { w.WriteString("caf\xE9"); }),
         [](TReader& r) { EXPECT_EQ(r.ReadWideString(), u"caf\u00E9"); });
  reader(stream([](TWriter& w) { w.WriteUTF8String("\xE2\x82\xAC"); }),
         [](TReader& r) { EXPECT_EQ(r.ReadString(), "\xE2\x82\xAC"); });
  // Booleans from idents.
  reader(stream([](TWriter& w) {
           w.WriteValue(vaIdent);
           w.WriteStr("TRUE");
         }),
         [](TReader& r) { EXPECT_TRUE(r.ReadBoolean()); });
  // Wrong kinds are errors.
  reader(stream([](TWriter& w) { w.WriteString("1"); }), [](TReader& r) { EXPECT_THROW(r.ReadInteger(), EReadError); });
  reader(stream([](TWriter& w) { w.WriteInteger(1); }), [](TReader& r) { EXPECT_THROW(r.ReadString(), EReadError); });
  reader(stream([](TWriter& w) { w.WriteInteger(1); }), [](TReader& r) { EXPECT_THROW(r.ReadBoolean(), EReadError); });
}

TEST(StreamingValues, IntegersTakeTheSmallestType) {
  const struct {
    int64_t Value;
    const char* Bytes;
  } cases[] = {
      {-129, "03 7F FF"},
      {-128, "02 80"},
      {127, "02 7F"},
      {128, "03 80 00"},
      {-32768, "03 00 80"},
      {-32769, "04 FF 7F FF FF"},
      {32767, "03 FF 7F"},
      {32768, "04 00 80 00 00"},
      {2147483647, "04 FF FF FF 7F"},
      {2147483648LL, "13 00 00 00 80 00 00 00 00"},
      {-2147483649LL, "13 FF FF FF 7F FF FF FF FF"},
  };
  for (const auto& c : cases) {
    TStringStream s;
    {
      TWriter w(&s);
      w.WriteInteger(c.Value);
    }
    EXPECT_EQ(Hex(s.DataString()), c.Bytes) << c.Value;
    s.SetPosition(0);
    TReader r(&s);
    EXPECT_EQ(r.ReadInt64(), c.Value);
  }
}

// ---------------------------------------------------------------------------
// Components

void Fill(TStreamTestObject& o) {
  o.Count = -100000;
  o.Big = -(int64_t(1) << 50);
  o.Small = 255;
  o.Short = -300;
  o.Defaulted = 8;
  o.Flag = true;
  o.Enabled = false;
  o.Align = TAlignment::taCenter;
  o.Style = TFontStyles{TFontStyle::fsBold, TFontStyle::fsStrikeOut};
  o.Color = RGB(1, 2, 3);
  o.Ratio = 1.0 / 3.0;
  o.Scale = 0.1f;
  o.When = 45000.75;
  o.Price = -12.3456;
  o.Caption = "caf\xC3\xA9 \"quoted\"";
  o.Title = u"Wide \u5B57 \U0001F600";
  o.Font.Name = "Liberation Sans";
  o.Font.Size = 12;
  o.Font.Style = TFontStyles{TFontStyle::fsItalic};
  o.Font.Color = clHighlight;
  for (int i = 0; i < 2; ++i) {
    auto* item = static_cast<TStreamTestItem*>(o.Items.Add());
    item->Caption = "item" + IntToStr(i);
    item->Value = i * 1000;
    item->Note = i == 0 ? u"" : u"n\u00F6te";
  }
  o.Lines.Add("first");
  o.Lines.Add(String(300, 'L'));
  o.Lines.Add("");
  o.Data.SetSize(70000);
  for (int i = 0; i < 70000; ++i) static_cast<uint8_t*>(o.Data.Memory())[i] = static_cast<uint8_t>(i * 7);
}

void ExpectSameValues(TStreamTestObject& a, TStreamTestObject& b) {
  EXPECT_EQ(a.Count, b.Count);
  EXPECT_EQ(a.Big, b.Big);
  EXPECT_EQ(a.Small, b.Small);
  EXPECT_EQ(a.Short, b.Short);
  EXPECT_EQ(a.Defaulted, b.Defaulted);
  EXPECT_EQ(a.Hidden, b.Hidden);
  EXPECT_EQ(a.Flag, b.Flag);
  EXPECT_EQ(a.Enabled, b.Enabled);
  EXPECT_EQ(a.Align, b.Align);
  EXPECT_EQ(a.Style, b.Style);
  EXPECT_EQ(a.Color, b.Color);
  EXPECT_EQ(a.Ratio, b.Ratio);
  EXPECT_EQ(a.Scale, b.Scale);
  EXPECT_EQ(a.When, b.When);
  EXPECT_EQ(a.Price, b.Price);
  EXPECT_EQ(a.Caption, b.Caption);
  EXPECT_EQ(a.Title, b.Title);
  EXPECT_EQ(a.Font.Name, b.Font.Name);
  EXPECT_EQ(a.Font.Size, b.Font.Size);
  EXPECT_EQ(a.Font.Style, b.Font.Style);
  EXPECT_EQ(a.Font.Color, b.Font.Color);
  ASSERT_EQ(a.Items.Count(), b.Items.Count());
  for (int32_t i = 0; i < a.Items.Count(); ++i) {
    auto* x = static_cast<TStreamTestItem*>(a.Items.Items(i));
    auto* y = static_cast<TStreamTestItem*>(b.Items.Items(i));
    EXPECT_EQ(x->Caption, y->Caption);
    EXPECT_EQ(x->Value, y->Value);
    EXPECT_EQ(x->Note, y->Note);
  }
  EXPECT_EQ(a.Lines.Text(), b.Lines.Text());
  EXPECT_EQ(a.Lines.Count(), b.Lines.Count());
  ASSERT_EQ(a.Data.Size(), b.Data.Size());
  if (a.Data.Size() > 0) {
    EXPECT_EQ(std::memcmp(a.Data.Memory(), b.Data.Memory(), static_cast<size_t>(a.Data.Size())), 0);
  }
  EXPECT_EQ(a.Name(), b.Name());
  EXPECT_EQ(a.Tag(), b.Tag());
}

TEST_F(Streaming, EveryPropertyKindRoundTripsWithChildrenAndReferences) {
  TStreamTestObject root(nullptr);
  root.SetName("Root");
  root.SetTag(-42);
  Fill(root);
  auto* child1 = new TStreamTestObject(&root);
  child1->SetName("Child1");
  child1->Count = 1;
  auto* child2 = new TStreamTestObject(&root);
  child2->SetName("Child2");
  child2->Buddy = &root;  // a reference back to the root
  root.Buddy = child2;    // a reference to a child read after the property
  const String bytes = ToBytes(&root);

  auto copy = FromBytes<TStreamTestObject>(bytes);
  ASSERT_TRUE(copy);
  ExpectSameValues(root, *copy);
  ASSERT_EQ(copy->ComponentCount(), 2);
  auto* c1 = dynamic_cast<TStreamTestObject*>(copy->Components(0));
  auto* c2 = dynamic_cast<TStreamTestObject*>(copy->Components(1));
  ASSERT_TRUE(c1 && c2);
  EXPECT_EQ(c1->Name(), "Child1");
  EXPECT_EQ(c1->Count, 1);
  EXPECT_EQ(c2->Name(), "Child2");
  EXPECT_EQ(copy->Buddy.Get(), c2);
  EXPECT_EQ(c2->Buddy.Get(), copy.get());

  // Loaded runs once per component, after every reference is resolved, while
  // csLoading is still set and csReading is not.
  for (TStreamTestObject* c : {copy.get(), c1, c2}) {
    EXPECT_EQ(c->LoadedCount, 1) << c->Name();
    EXPECT_TRUE(c->LoadingInLoaded);
    EXPECT_FALSE(c->ReadingInLoaded);
    EXPECT_FALSE(c->ComponentState().Contains(TComponentStateItem::csLoading));
    EXPECT_FALSE(c->ComponentState().Contains(TComponentStateItem::csReading));
  }
  EXPECT_EQ(copy->BuddyInLoaded, c2);
  EXPECT_FALSE(root.ComponentState().Contains(TComponentStateItem::csWriting));

  // Writing the copy gives the same bytes.
  EXPECT_EQ(ToBytes(copy.get()), bytes);
}

TEST_F(Streaming, StoredRuleDefaultsAndDottedNames) {
  TStreamTestObject o(nullptr);
  EXPECT_EQ(PropertyNames(ToBytes(&o)),
            (std::vector<String>{"Count", "Big", "Small", "Short", "Flag", "Align", "Style", "Color", "Font.Name",
                                 "Font.Style", "Font.Color", "Items", "Data"}));

  o.SetTag(5);
  o.Defaulted = 8;
  o.Hidden = 3;
  o.StoreHidden = true;
  o.Enabled = false;
  o.Ratio = -0.5;
  o.Scale = 2;
  o.When = 1;
  o.Price = 0.0001;
  o.Caption = "c";
  o.Title = u"t";
  o.Font.Size = 11;
  o.Lines.Add("x");
  TStreamTestObject other(nullptr);
  other.SetName("Other");
  o.Buddy = &other;  // not owned by the root: written by name, unresolved on reading
  EXPECT_EQ(
      PropertyNames(ToBytes(&o)),
      (std::vector<String>{"Tag",        "Count",   "Big",     "Small",         "Short",     "Defaulted", "Hidden",
                           "Flag",       "Enabled", "Align",   "Style",         "Color",     "Ratio",     "Scale",
                           "When",       "Price",   "Caption", "Title",         "Font.Name", "Font.Size", "Font.Style",
                           "Font.Color", "Buddy",   "Items",   "Lines.Strings", "Data"}));

  // A name is never a property: it lives in the header only.
  o.SetName("Named");
  const String bytes = ToBytes(&o);
  EXPECT_EQ(bytes.substr(4, 24), String("\x11TStreamTestObject\x05Named", 24));
  auto copy = FromBytes<TStreamTestObject>(bytes);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Name(), "Named");
  EXPECT_EQ(copy->Buddy.Get(), nullptr);  // "Other" is not in the stream's tree
  EXPECT_EQ(copy->Hidden, 3);
  EXPECT_EQ(copy->Lines.Count(), 1);
}

TEST_F(Streaming, BinaryPropertyReplacesTheWholeBlock) {
  for (int64_t size : {int64_t(0), int64_t(70000)}) {
    TStreamTestObject source(nullptr);
    source.Data.SetSize(size);
    for (int64_t i = 0; i < size; ++i) static_cast<uint8_t*>(source.Data.Memory())[i] = static_cast<uint8_t>(i);
    const String bytes = ToBytes(&source);
    EXPECT_NE(bytes.find(String("\x04"
                                "Data\x0A",
                                6) +
                         String(1, char(size & 0xFF))),
              String::npos);

    TStreamTestObject target(nullptr);
    target.Data.SetSize(5);
    ReadInto(bytes, &target);
    ASSERT_EQ(target.Data.Size(), size);
    if (size > 0) {
      EXPECT_EQ(std::memcmp(target.Data.Memory(), source.Data.Memory(), static_cast<size_t>(size)), 0);
    }
  }
}

TEST_F(Streaming, NewObjectKeepsDefaultsExistingObjectKeepsItsValues) {
  TStreamTestObject source(nullptr);
  source.Count = 9;  // Caption empty, Ratio 0: not in the stream
  const String bytes = ToBytes(&source);

  TStreamTestObject existing(nullptr);
  existing.Caption = "kept";
  existing.Ratio = 2.5;
  existing.Count = 1;
  existing.Items.Add();
  existing.Lines.Add("kept line");
  ReadInto(bytes, &existing);
  EXPECT_EQ(existing.Count, 9);
  EXPECT_EQ(existing.Caption, "kept");
  EXPECT_EQ(existing.Ratio, 2.5);
  EXPECT_EQ(existing.Items.Count(), 0);  // the collection was in the stream
  EXPECT_EQ(existing.Lines.Count(), 1);  // the list was not
  EXPECT_EQ(existing.LoadedCount, 1);

  auto fresh = FromBytes<TStreamTestObject>(bytes);
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->Count, 9);
  EXPECT_EQ(fresh->Caption, "");
  EXPECT_EQ(fresh->Defaulted, 7);
  EXPECT_TRUE(fresh->Enabled);
}

TEST_F(Streaming, ErrorsNameTheProblemAndFreeWhatWasMade) {
  TStreamTestObject source(nullptr);
  source.Style = TFontStyles{TFontStyle::fsBold};
  new TStreamTestObject(&source);
  const String good = ToBytes(&source);
  const int live = TStreamTestObject::LiveCount();

  auto replace = [&](const String& from, const String& to) {
    String s = good;
    const size_t at = s.find(from);
    EXPECT_NE(at, String::npos) << from;
    return s.replace(at, from.size(), to);
  };
  // Unknown class of the root or of a child.
  EXPECT_THROW(FromBytes(replace("\x11TStreamTestObject", "\x11TStreamTestObjecX")), EClassNotFound);
  String unknownChild = good;
  unknownChild.replace(unknownChild.rfind("\x11TStreamTestObject"), 18, "\x11TStreamTestObjecX");
  EXPECT_THROW(FromBytes(unknownChild), EClassNotFound);
  // Unknown property, wrong value type, out-of-range value, bad enum name.
  EXPECT_THROW(FromBytes(replace("\x05"
                                 "Count",
                                 "\x05"
                                 "Cound")),
               EReadError);
  EXPECT_THROW(FromBytes(replace(String("\x05"
                                        "Small\x02",
                                        7),
                                 String("\x05"
                                        "Small\x06",
                                        7))),
               EReadError);
  EXPECT_THROW(FromBytes(replace(String("\x05"
                                        "Small\x02\x00",
                                        8),
                                 String("\x05"
                                        "Small\x02\xFF",
                                        8))),
               EReadError);
  EXPECT_THROW(FromBytes(replace("taLeftJustify", "taLeftJustifX")), EReadError);
  EXPECT_THROW(FromBytes(replace("fsBold", "fsBolX")), EReadError);
  EXPECT_EQ(TStreamTestObject::LiveCount(), live);

  // An existing object of another class is not read into.
  TTestOptionsInfo options(nullptr);
  EXPECT_THROW(ReadInto(good, &options), EReadError);
  // A child that fails is freed; the existing root stays, out of its reading state.
  TStreamTestObject existing(nullptr);
  EXPECT_THROW(ReadInto(unknownChild, &existing), EClassNotFound);
  EXPECT_EQ(existing.ComponentCount(), 0);
  EXPECT_TRUE(existing.ComponentState().Empty());
  EXPECT_EQ(TStreamTestObject::LiveCount(), live + 1);
}

TEST_F(Streaming, PrefixFlagsAreAcceptedOnReading) {
  // An inline root; an inherited child read into the component the root
  // already has; a new child with a position.
  TStringStream s;
  {
    TWriter w(&s);
    w.WriteSignature();
    w.WritePrefix(ffInline, 0);
    w.WriteStr("TStreamTestObject");
    w.WriteStr("Root");
    w.WriteListEnd();
    w.WritePrefix(ffInherited, 0);
    w.WriteStr("TStreamTestObject");
    w.WriteStr("Old");
    w.WriteStr("Count");
    w.WriteInteger(5);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WritePrefix(ffChildPos, 300);
    w.WriteStr("TStreamTestObject");
    w.WriteStr("New");
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
  }
  EXPECT_EQ(static_cast<uint8_t>(s.DataString()[4]), 0xF4);
  TStreamTestObject root(nullptr);
  auto* old = new TStreamTestObject(&root);
  old->SetName("Old");
  s.SetPosition(0);
  ReadComponent(&s, &root);
  ASSERT_EQ(root.ComponentCount(), 2);
  EXPECT_EQ(root.Components(0), old);
  EXPECT_EQ(old->Count, 5);
  EXPECT_EQ(old->LoadedCount, 1);
  EXPECT_EQ(root.Components(1)->Name(), "New");
  EXPECT_EQ(s.Position(), s.Size());

  // The writer never writes a prefix, and an inherited child must exist.
  EXPECT_EQ(ToBytes(&root).substr(4, 1), "\x11");
  TStreamTestObject bare(nullptr);
  s.SetPosition(0);
  EXPECT_THROW(ReadComponent(&s, &bare), EReadError);
}

// ---------------------------------------------------------------------------
// The option-file layout

void Edit(TTestOptionsInfo& o) {
  o.UseResize = true;
  o.resizeWidth = 1024;
  o.resizeHeight = -129;
  o.ResizePercentage = 150000;
  o.ResizeFilter = 127;
  o.RotateIndex = 128;
  o.CropX = -128;
  o.CropY = 32767;
  o.CropW = 32768;
  o.CropH = -32769;
  o.CropRW = String(300, '7');
  o.CropRH = "";
  o.CropPW = "6.5";
  o.canvasBackgroundColor = 13158600;
  o.brightness = std::numeric_limits<int32_t>::min();
  o.contrast = std::numeric_limits<int32_t>::max();
  o.gamma = 0;
  o.Text = u"";
  o.TextColor = clBtnFace;
  o.TextFont = u"S\u00E9goe \u5B57 \U0001F600";
  o.TextStyle = TFontStyles{};
  o.ImageFilename = u"/tmp/w.png";
  o.F1C = clNone;
  o.InFC = 8388608;
  o.Frame1 = false;
  o.ShadowColor = RGB(200, 200, 200);
}

TEST_F(Streaming, OptionFileLayoutMatchesTheHandWrittenFixtures) {
  TTestOptionsInfo defaults(nullptr);
  const String expectedDefaults = LoadFixture("options_info_defaults.ccf");
  ASSERT_EQ(expectedDefaults.size(), 1393u);
  const String written = ToBytes(&defaults);
  EXPECT_EQ(written, expectedDefaults);
  EXPECT_EQ(written.substr(0, 18), String("TPF0\x0CTOptionsInfo\x00", 18));
  EXPECT_EQ(written.substr(18, 11), String("\x09UseResize\x08", 11));

  TTestOptionsInfo edited(nullptr);
  Edit(edited);
  EXPECT_EQ(ToBytes(&edited), LoadFixture("options_info_edited.ccf"));
}

TEST_F(Streaming, OptionFilesReadIntoNewAndExistingObjects) {
  // A new object: what the file lacks keeps the constructor's value.
  auto read = FromBytes<TTestOptionsInfo>(LoadFixture("options_info_edited.ccf"));
  ASSERT_TRUE(read);
  TTestOptionsInfo expected(nullptr);
  Edit(expected);
  // Left out of the file (empty or 0): the constructor's values.
  expected.Text = u"($H1)";
  expected.CropRH = "3";
  expected.gamma = 1.0;
  EXPECT_EQ(ToBytes(read.get()), ToBytes(&expected));
  EXPECT_EQ(read->TextFont, u"S\u00E9goe \u5B57 \U0001F600");
  EXPECT_EQ(read->canvasBackgroundColor, 13158600);
  EXPECT_EQ(read->TextColor, clBtnFace);

  // The preview snapshot: read back into the live object itself.
  TTestOptionsInfo live(nullptr);
  Edit(live);
  ReadInto(LoadFixture("options_info_defaults.ccf"), &live);
  EXPECT_EQ(live.CropRW, "4");
  EXPECT_EQ(live.gamma, 1.0);
  EXPECT_EQ(live.ImageFilename, u"/tmp/w.png");  // not in the file: unchanged
  EXPECT_EQ(live.TextStyle, TFontStyles{TFontStyle::fsBold});
}

// ---------------------------------------------------------------------------
// Hostile input

String Header(const char* className = "TStreamTestObject") {
  String s = "TPF0";
  s += static_cast<char>(std::strlen(className));
  s += className;
  s += '\0';
  return s;
}

TEST_F(Streaming, TruncatedStreamsFailCleanlyAtEveryOffset) {
  TStreamTestObject root(nullptr);
  Fill(root);
  root.Data.SetSize(40);
  root.Buddy = new TStreamTestObject(&root);
  root.Buddy->SetName("Kid");
  for (const String& bytes : {LoadFixture("options_info_edited.ccf"), ToBytes(&root)}) {
    ASSERT_FALSE(bytes.empty());
    const int live = TStreamTestObject::LiveCount();
    for (size_t n = 0; n < bytes.size(); ++n) {
      EXPECT_THROW(FromBytes(bytes.substr(0, n)), EStreamError) << n;
      ASSERT_EQ(TStreamTestObject::LiveCount(), live);
    }
    EXPECT_TRUE(FromBytes(bytes));
  }
}

TEST_F(Streaming, AbsurdLengthsDepthsAndCountsAreRefused) {
  const String base = Header();
  auto withProperty = [&](const char* name, const String& value) {
    return base + static_cast<char>(std::strlen(name)) + name + value + String(2, '\0');
  };
  const String lengths[] = {
      String("\x7F\xFF\xFF\xFF", 4),  // 2^31 - 1
      String("\x00\x00\x00\x80", 4),  // -2^31
      String("\x10\x00\x00\x00", 4),  // just past the data
  };
  for (const String& length : lengths) {
    for (const char* type : {"\x0C", "\x14", "\x12"})
      EXPECT_THROW(FromBytes(withProperty("Caption", type + length + "abc")), EReadError);
    EXPECT_THROW(FromBytes(withProperty("Data", "\x0A" + length + "abc")), EReadError);
  }
  // Unknown value type and a property path with an empty part.
  EXPECT_THROW(FromBytes(withProperty("Count", "\x16")), EReadError);
  EXPECT_THROW(FromBytes(withProperty("Font..Name", "\x06\x01x")), EReadError);
  // Unknown prefix flags.
  EXPECT_THROW(FromBytes("TPF0\xF8" + base.substr(4) + String(2, '\0')), EReadError);

  // Children nested far too deep.
  String deep = base;
  for (int i = 0; i < 5000; ++i) deep += String("\x00\x11TStreamTestObject\x00", 20);
  EXPECT_THROW(FromBytes(deep), EReadError);
  // Lists nested far too deep (skipping and reading alike).
  {
    TStringStream s(String(5000, '\x01'));
    TReader r(&s);
    EXPECT_THROW(r.SkipValue(), EReadError);
  }
  // More objects than a stream may make.
  String many = Header("TComponent");
  many += '\0';
  for (int64_t i = 0; i <= kMaxStreamObjects; ++i) many += String("\x0ATComponent\x00\x00\x00", 14);
  many += String(2, '\0');
  EXPECT_THROW(FromBytes(many), EReadError);
  // A collection given twice.
  const String items = String("\x05Items\x0E\x01\x00\x00", 10);
  EXPECT_THROW(FromBytes(base + items + items + String(2, '\0')), EReadError);
  EXPECT_EQ(TStreamTestObject::LiveCount(), 0);
}

}  // namespace
