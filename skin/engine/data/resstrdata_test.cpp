#include "skin/engine/data/resstrdata.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"

namespace {

TEST(ResourceStrData, StartsWithTheDefaultLines) {
  TbsResourceStrData data(nullptr);
  ASSERT_EQ(data.ResStrings()->Count(), 120);
  EXPECT_EQ(data.ResStrings()->Strings(0), "MI_MINCAPTION=Mi&nimize");
  EXPECT_EQ(data.ResStrings()->Strings(119), "CUSTOMCOLOR=Custom...");
  EXPECT_EQ(data.CharSet(), 1);
  EXPECT_EQ(data.GetResStr("MSG_OVERWRITE"), "Are you want to overwrite old file?");
  EXPECT_EQ(data.GetResStr("FLV_LOOKIN"), "Look in: ");
  data.LoadDefaults();
  EXPECT_EQ(data.ResStrings()->Count(), 240);
}

TEST(ResourceStrData, GetResStrTakesTheFirstMatchingName) {
  TbsResourceStrData data(nullptr);
  TStringList lines;
  lines.Add("EQ=a=b=c");
  lines.Add("dup=first");
  lines.Add("DUP=second");
  lines.Add("noequals");
  lines.Add("EMPTY=");
  data.SetResStrings(&lines);
  EXPECT_EQ(data.ResStrings()->Count(), 5);
  EXPECT_EQ(data.GetResStr("EQ"), "a=b=c");
  EXPECT_EQ(data.GetResStr("Dup"), "first");
  EXPECT_EQ(data.GetResStr("EMPTY"), "");
  EXPECT_EQ(data.GetResStr("noequals"), "");
  EXPECT_EQ(data.GetResStr("MI_MINCAPTION"), "");
}

TEST(ResourceStrData, LookupRuleFallsBackToBuiltInTextsOnlyWithoutData) {
  EXPECT_EQ(SkinResStr(nullptr, "MI_MINCAPTION"), "Mi&nimize");
  EXPECT_EQ(SkinResStr(nullptr, "MSG_BTN_HELP"), "&Help");
  EXPECT_EQ(SkinResStr(nullptr, "MSG_CAP_SHOWFLAG"), "Do not display this message again");
  // Default lines past the first 34 have no built-in text.
  EXPECT_EQ(SkinResStr(nullptr, "MSG_BTN_OPEN"), "");
  EXPECT_EQ(SkinResStr(nullptr, "MSG_OVERWRITE"), "");
  EXPECT_EQ(SkinResStr(nullptr, "mi_mincaption"), "");

  TbsResourceStrData data(nullptr);
  data.ResStrings()->Clear();
  data.ResStrings()->Add("MI_MINCAPTION=Verkleinern");
  EXPECT_EQ(SkinResStr(&data, "MI_MINCAPTION"), "Verkleinern");
  EXPECT_EQ(SkinResStr(&data, "MI_MAXCAPTION"), "");
}

TEST(ResourceStrData, StreamsItsLinesAndCharSet) {
  RegisterSkinDataClasses();
  RegisterSkinDataClasses();
  ASSERT_NE(GetClass("TbsResourceStrData"), nullptr);

  TbsResourceStrData source(nullptr);
  source.SetName("Texts");
  source.ResStrings()->Clear();
  source.ResStrings()->Add("EDIT_COPY=Kopieren");
  source.SetCharSet(204);
  TMemoryStream stream;
  WriteComponent(&stream, &source);
  stream.SetPosition(0);

  // Made by its registered class: the 120 default lines give way to the
  // streamed ones.
  std::unique_ptr<TComponent> read(ReadComponent(&stream));
  auto* target = dynamic_cast<TbsResourceStrData*>(read.get());
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->ResStrings()->Count(), 1);
  EXPECT_EQ(target->GetResStr("EDIT_COPY"), "Kopieren");
  EXPECT_EQ(target->CharSet(), 204);
}

}  // namespace
