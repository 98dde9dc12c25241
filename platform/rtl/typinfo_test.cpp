#include "platform/rtl/typinfo.h"

#include <gtest/gtest.h>

#include "platform/rtl/streaming_testing.h"

namespace {

TEST(StreamingTypInfo, EnumerationSetAndColourNames) {
  EXPECT_EQ(GetEnumName(TypeInfoBoolean(), 1), "True");
  EXPECT_EQ(GetEnumName(TypeInfoTAlignment(), 2), "taCenter");
  EXPECT_EQ(GetEnumName(TypeInfoTAlignment(), 3), "");
  EXPECT_EQ(GetEnumName(TypeInfoTAlignment(), -1), "");
  EXPECT_EQ(GetEnumValue(TypeInfoTFontStyle(), "FSSTRIKEOUT"), 3);
  EXPECT_EQ(GetEnumValue(TypeInfoTFontStyle(), "fsBolder"), -1);
  EXPECT_EQ(TypeInfoTFontStyles().CompType, &TypeInfoTFontStyle());

  String ident;
  ASSERT_TRUE(TypeInfoTColor().ToIdent(clBtnFace, ident));
  EXPECT_EQ(ident, "clBtnFace");
  EXPECT_FALSE(TypeInfoTColor().ToIdent(RGB(200, 200, 200), ident));
  int32_t color = 0;
  ASSERT_TRUE(TypeInfoTColor().FromIdent("clnavy", color));
  EXPECT_EQ(color, 8388608);
}

TEST(StreamingTypInfo, RegistryAndPropertyTables) {
  // TComponent is always known, with Name (never streamed as a property) and Tag.
  const TClassInfo& component = FindClass("tcomponent");
  ASSERT_EQ(component.Props().size(), 2u);
  EXPECT_EQ(component.Props()[0].Name, "Name");
  EXPECT_FALSE(component.Props()[0].Stored(nullptr));
  EXPECT_TRUE(component.Props()[1].HasDefault);
  try {
    FindClass("TNoSuchClass");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TNoSuchClass not found");
  }
  EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);

  RegisterStreamingTestClasses();
  const TClassInfo* info = GetClass("TStreamTestObject");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->ParentName(), "TComponent");
  EXPECT_EQ(info->Props()[1].Name, "Tag");  // ancestors first
  EXPECT_EQ(info->Props()[2].Name, "Count");
  const TPropInfo* small = info->FindProp("small");
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->Kind, TPropKind::pkInteger);
  EXPECT_EQ(small->MinValue, 0);
  EXPECT_EQ(small->MaxValue, 255);
  EXPECT_EQ(info->FindProp("Big")->Kind, TPropKind::pkInt64);
  EXPECT_EQ(info->FindProp("Price")->FloatType, TFloatType::ftCurrency);
  EXPECT_FALSE(info->FindProp("Count")->HasDefault);
  EXPECT_TRUE(info->FindProp("Enabled")->HasDefault);

  // Accessors work through the table; a later registration of a known name
  // keeps the first.
  TStreamTestObject o(nullptr);
  info->FindProp("Style")->SetOrd(&o, 0b11);
  EXPECT_EQ(o.Style, (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
  info->FindProp("Buddy")->SetComponent(&o, &o);
  EXPECT_EQ(GetPropInfo(&o, "Buddy")->GetComponent(&o), &o);
  RegisterClass(TClassBuilder<TStreamTestObject>("TStreamTestObject").Build());
  EXPECT_EQ(GetClass("TStreamTestObject"), info);
  std::unique_ptr<TComponent> made(info->Factory()(nullptr));
  EXPECT_STREQ(made->ClassName(), "TStreamTestObject");
  EXPECT_FALSE(StreamTestItemClass().Factory());

  // A modifier needs a property of the class itself; an accessor checks the
  // object's class.
  EXPECT_THROW(TClassBuilder<TStreamTestObject>("TX").Default(1), EInvalidOperation);
  TTestOptionsInfo other(nullptr);
  EXPECT_THROW(info->FindProp("Count")->GetOrd(&other), EInvalidCast);
}

}  // namespace
