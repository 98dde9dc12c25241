#include "platform/rtl/objtext.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/rtl/streaming_testing.h"
#include "platform/rtl/strings.h"

namespace {

class StreamingObjectText : public ::testing::Test {
 protected:
  void SetUp() override { RegisterStreamingTestClasses(); }
};

String ToBinary(TComponent* c) {
  TStringStream s;
  WriteComponent(&s, c);
  return s.DataString();
}

String BinaryToText(const String& binary) {
  TStringStream in(binary);
  TStringStream out;
  ObjectBinaryToText(&in, &out);
  return out.DataString();
}

String TextToBinary(const String& text) {
  TStringStream in(text);
  TStringStream out;
  ObjectTextToBinary(&in, &out);
  return out.DataString();
}

template <class T>
std::unique_ptr<T> Read(const String& binary) {
  TStringStream s(binary);
  TComponent* c = ReadComponent(&s);
  auto* t = dynamic_cast<T*>(c);
  if (t == nullptr) delete c;
  return std::unique_ptr<T>(t);
}

// Lines joined with CR LF, as the converter writes them.
String Lines(std::initializer_list<const char*> lines) {
  String s;
  for (const char* line : lines) s += String(line) + "\r\n";
  return s;
}

TEST_F(StreamingObjectText, WritesTheFixedSyntax) {
  TStreamTestObject o(nullptr);
  o.SetName("Root");
  o.Count = -5;
  o.Ratio = 0.1;
  o.Scale = 0.1f;
  o.When = 45000.5;
  o.Price = -12.34;
  o.Caption = "It's caf\xC3\xA9\r\n";
  o.Title = WideString(70, u'w') + u"\U0001F600";
  o.Style = TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic};
  o.Align = TAlignment::taCenter;
  o.Lines.Add("one");
  o.Lines.Add("two");
  static_cast<TStreamTestItem*>(o.Items.Add())->Caption = "a";
  o.Data.SetSize(33);
  static_cast<uint8_t*>(o.Data.Memory())[32] = 0xAB;
  auto* kid = new TStreamTestObject(&o);
  kid->SetName("Kid");
  o.Buddy = kid;
  auto* anonymous = new TStreamTestObject(&o);
  anonymous->Items.Clear();

  const String text = BinaryToText(ToBinary(&o));
  const String kidText =
      Lines({"    Count = 0", "    Big = 0", "    Small = 0", "    Short = 0", "    Flag = False",
             "    Align = taLeftJustify", "    Style = []", "    Color = clBtnFace", "    Font.Name = 'Arial'",
             "    Font.Style = []", "    Font.Color = clBlack", "    Items = <>", "    Data = {}"});
  EXPECT_EQ(text, Lines({"object Root: TStreamTestObject",
                         "  Count = -5",
                         "  Big = 0",
                         "  Small = 0",
                         "  Short = 0",
                         "  Flag = False",
                         "  Align = taCenter",
                         "  Style = [fsBold, fsItalic]",
                         "  Color = clBtnFace",
                         "  Ratio = 0.1",
                         "  Scale = 0.1s",
                         "  When = 45000.5d",
                         "  Price = -12.34c",
                         "  Caption = 'It''s caf'#233#13#10",
                         "  Title = 'wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww' +",
                         "    'wwwwww'#128512",
                         "  Font.Name = 'Arial'",
                         "  Font.Style = []",
                         "  Font.Color = clBlack",
                         "  Buddy = Kid",
                         "  Items = <",
                         "    item",
                         "      Caption = 'a'",
                         "      Value = 0",
                         "    end>",
                         "  Lines.Strings = (",
                         "    'one'",
                         "    'two')",
                         "  Data = {",
                         "    0000000000000000000000000000000000000000000000000000000000000000",
                         "    AB}",
                         "  object Kid: TStreamTestObject"}) +
                      kidText + Lines({"  end", "  object TStreamTestObject"}) + kidText + Lines({"  end", "end"}));
}

void Fill(TStreamTestObject& o) {
  o.Count = std::numeric_limits<int32_t>::min();
  o.Big = std::numeric_limits<int64_t>::min();
  o.Small = 200;
  o.Short = -32768;
  o.Defaulted = 0;
  o.Flag = true;
  o.Enabled = false;
  o.Align = TAlignment::taRightJustify;
  o.Style = TFontStyles{TFontStyle::fsUnderline};
  o.Color = clHighlight;
  o.Caption = String(200, 'a') + "\xC3\xA9'\x01";
  o.Title = u"\u00FC\u20AC\U0001F600 tab\there \xD800 lone";
  o.Font.Name = "";
  o.Font.Style = TFontStyles{TFontStyle::fsBold, TFontStyle::fsStrikeOut};
  o.Font.Color = 13158600;
  for (int i = 0; i < 3; ++i) {
    auto* item = static_cast<TStreamTestItem*>(o.Items.Add());
    item->Value = i;
    item->Note = i == 1 ? u"\u5B57" : u"";
  }
  o.Lines.Add("");
  o.Lines.Add("x'y");
  o.Data.SetSize(100);
  for (int i = 0; i < 100; ++i) static_cast<uint8_t*>(o.Data.Memory())[i] = static_cast<uint8_t>(255 - i);
}

TEST_F(StreamingObjectText, TextGivesTheSameObjectAsBinary) {
  const double doubles[] = {0.1,       1.0 / 3.0,     1e-310, DBL_MAX, std::numeric_limits<double>::denorm_min(),
                            -2.5e-300, 123456789.123, -0.0,   1e16,    5e-324};
  const float singles[] = {0.1f, 3.4e38f, 1e-45f, -7.0f, 16777216.0f};
  const double prices[] = {0.0001, -922337203685477.0, 12.5, 1.0 / 3.0};
  for (size_t i = 0; i < std::size(doubles); ++i) {
    TStreamTestObject o(nullptr);
    Fill(o);
    o.Ratio = doubles[i];
    o.When = -doubles[i];
    o.Scale = singles[i % std::size(singles)];
    o.Price = prices[i % std::size(prices)];
    new TStreamTestObject(&o);
    const String binary = ToBinary(&o);
    const String text = BinaryToText(binary);
    const String binary2 = TextToBinary(text);
    EXPECT_EQ(BinaryToText(binary2), text);

    auto direct = Read<TStreamTestObject>(binary);
    auto viaText = Read<TStreamTestObject>(binary2);
    ASSERT_TRUE(direct && viaText);
    // The value types may change on the way (an ASCII wide string comes back as
    // vaString, the Unicode text of a String as vaWString); the objects may not.
    EXPECT_EQ(ToBinary(viaText.get()), ToBinary(direct.get())) << text;
    EXPECT_EQ(std::memcmp(&viaText->Ratio, &direct->Ratio, sizeof(double)), 0) << doubles[i];
    EXPECT_TRUE(doubles[i] == 0 || viaText->Ratio == doubles[i]) << doubles[i];
    EXPECT_EQ(viaText->Title, o.Title);
    EXPECT_EQ(viaText->Caption, o.Caption);
    EXPECT_EQ(viaText->ComponentCount(), 1);
  }
}

TEST_F(StreamingObjectText, ReadsEveryLiteralForm) {
  // LF line ends, a byte order mark, odd spacing and case in keywords.
  const String text =
      "\xEF\xBB\xBFOBJECT Hand: TStreamTestObject\n"
      "  Count = $7FFFFFFF\n"
      "  Big = -9223372036854775808\n"
      "  Small = +12\n"
      "  Short=-0\n"
      "  Flag = true\n"
      "  Enabled = FALSE\n"
      "  Align = taRightJustify\n"
      "  Style = [ fsBold ,fsItalic ]\n"
      "  Color = 255\n"
      "  Ratio = 1.5E-3\n"
      "  Scale = 2s\n"
      "  When = 1e1d\n"
      "  Price = 0.12346c\n"
      "  Caption = 'a''b'#9'c' + #13#10 +\n"
      "     'd\xC3\xA9'\n"
      "  Title = #128512'x'#55296\n"
      "  Font.Name = ''\n"
      "  Font.Size = 14\n"
      "  Buddy = Child\n"
      "  Items = <\n"
      "    item Caption = 'one' Value = 1 end\n"
      "    item\n"
      "    end>\n"
      "  Lines.Strings = ('l1' 'l2'\n"
      "  )\n"
      "  Data = { 01 02\n"
      "    ff }\n"
      "  object Child: TStreamTestObject Buddy = nil end\n"
      "end\n";
  auto o = Read<TStreamTestObject>(TextToBinary(text));
  ASSERT_TRUE(o);
  EXPECT_EQ(o->Name(), "Hand");
  EXPECT_EQ(o->Count, 2147483647);
  EXPECT_EQ(o->Big, std::numeric_limits<int64_t>::min());
  EXPECT_EQ(o->Small, 12);
  EXPECT_EQ(o->Short, 0);
  EXPECT_TRUE(o->Flag);
  EXPECT_FALSE(o->Enabled);
  EXPECT_EQ(o->Align, TAlignment::taRightJustify);
  EXPECT_EQ(o->Style, (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
  EXPECT_EQ(o->Color, clRed);
  EXPECT_EQ(o->Ratio, 1.5e-3);
  EXPECT_EQ(o->Scale, 2.0f);
  EXPECT_EQ(o->When, 10.0);
  EXPECT_EQ(o->Price, 0.1235);  // a fifth decimal rounds
  EXPECT_EQ(o->Caption, "a'b\tc\r\nd\xC3\xA9");
  EXPECT_EQ(o->Title, WideString(u"\U0001F600x") + char16_t(0xD800));
  EXPECT_EQ(o->Font.Name, "");
  EXPECT_EQ(o->Font.Size, 14);
  ASSERT_EQ(o->Items.Count(), 2);
  EXPECT_EQ(static_cast<TStreamTestItem*>(o->Items.Items(0))->Caption, "one");
  EXPECT_EQ(o->Lines.Text(), "l1\r\nl2\r\n");
  ASSERT_EQ(o->Data.Size(), 3);
  EXPECT_EQ(static_cast<uint8_t*>(o->Data.Memory())[2], 0xFF);
  ASSERT_EQ(o->ComponentCount(), 1);
  EXPECT_EQ(o->Buddy.Get(), o->Components(0));

  // Value types chosen from the tokens.
  const String binary = TextToBinary(
      "object T\r\n  A = 127\r\n  B = 128\r\n  C = 1.0\r\n  D = 'x'\r\n  E = '\xC3\xA9'\r\n  F = X\r\nend\r\n");
  const String props = binary.substr(4 + 2 + 1);
  EXPECT_EQ(props, String("\x01"
                          "A\x02\x7F"
                          "\x01"
                          "B\x03\x80\x00"
                          "\x01"
                          "C\x05\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x3F"
                          "\x01"
                          "D\x06\x01x"
                          "\x01"
                          "E\x12\x01\x00\x00\x00\xE9\x00"
                          "\x01"
                          "F\x07\x01X"
                          "\x00\x00",
                          2 + 2 + 2 + 3 + 2 + 11 + 2 + 3 + 2 + 7 + 2 + 3 + 2));
}

TEST_F(StreamingObjectText, MalformedTextRaisesParserErrors) {
  const char* const texts[] = {
      "",
      "object T\r\n  S = 'open\r\nend\r\n",  // unterminated string
      "object T\r\n  S = 'open",             // ... at the end of the text
      "object T\r\n  S = #\r\nend\r\n",      // bad # code
      "object T\r\n  S = #x\r\nend\r\n",
      "object T\r\n  S = #1114112\r\nend\r\n",
      "object T\r\n  S = 'a' +\r\nend\r\n",  // '+' without a string
      "object T\r\nend\r\nend\r\n",          // unbalanced end
      "object T\r\n  object U\r\nend\r\n",   // missing end
      "object T\r\n  X 1\r\nend\r\n",        // no '='
      "object T\r\n  X = \r\nend\r\n",       // no value
      "object T\r\n  X = {0}\r\nend\r\n",    // odd hex digits
      "object T\r\n  X = {0G}\r\nend\r\n",
      "object T\r\n  X = {00\r\nend\r\n",
      "object T\r\n  X = [a b]\r\nend\r\n",
      "object T\r\n  X = (1\r\nend\r\n",
      "object T\r\n  X = <1>\r\nend\r\n",
      "object T\r\n  X = 9223372036854775808\r\nend\r\n",
      "object T\r\n  X = 1e999\r\nend\r\n",
      "object T\r\n  X = 1e39s\r\nend\r\n",
      "object T\r\n  X = 1e20c\r\nend\r\n",
      "object T\r\n  X = 12abc\r\nend\r\n",
      "object T\r\n  X = @\r\nend\r\n",
      "object T [x]\r\nend\r\n",
      "object : T\r\nend\r\n",
      "thing T\r\nend\r\n",
  };
  for (const char* text : texts) EXPECT_THROW(TextToBinary(text), EParserError) << text;

  String deep = "object T\r\n  X = ";
  deep += String(5000, '(');
  EXPECT_THROW(TextToBinary(deep), EParserError);
  String objects;
  for (int i = 0; i < 5000; ++i) objects += "object T\r\n";
  EXPECT_THROW(TextToBinary(objects), EParserError);
  try {
    TextToBinary("object T\r\n  A = 1\r\n  B = 'x\r\nend\r\n");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), "Unterminated string on line 3");
  }
}

TEST_F(StreamingObjectText, BinaryWithoutATextFormIsRefused) {
  auto stream = [](const std::function<void(TWriter&)>& properties) {
    TStringStream s;
    {
      TWriter w(&s);
      w.WriteSignature();
      w.WriteStr("TStreamTestObject");
      w.WriteStr("");
      properties(w);
      w.WriteListEnd();
      w.WriteListEnd();
    }
    return s.DataString();
  };
  const String cases[] = {
      stream([](TWriter& w) {
        w.WriteStr("Ratio");
        w.WriteFloat(std::numeric_limits<double>::quiet_NaN());
      }),
      stream([](TWriter& w) {
        w.WriteStr("Ratio");
        w.WriteDouble(std::numeric_limits<double>::infinity());
      }),
      stream([](TWriter& w) {
        w.WriteStr("A B");  // a name that would not read back
        w.WriteInteger(1);
      }),
      stream([](TWriter& w) {
        w.WriteStr("end");  // a keyword where a property name goes
        w.WriteInteger(1);
      }),
      stream([](TWriter& w) {
        w.WriteStr("X");
        w.WriteValue(vaIdent);
        w.WriteStr("1x");
      }),
      stream([](TWriter& w) {
        w.WriteStr("X");
        w.WriteValue(vaNull);
      }),
  };
  for (const String& binary : cases) EXPECT_THROW(BinaryToText(binary), EReadError) << binary;
  for (size_t n = 0; n < cases[0].size(); ++n) EXPECT_THROW(BinaryToText(cases[0].substr(0, n)), EReadError);
}

}  // namespace
