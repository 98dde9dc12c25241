#include "skin/engine/data/skinobjects.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/exceptions.h"
#include "skin/engine/data/skinini_testing.h"

namespace {

using TbsColorList = std::vector<TColor>;

const char* const kMaskedFrame =
    "[FORMINFO]\n"
    "lefttoppoint=10,35\nrighttoppoint=140,35\nleftbottompoint=10,110\nrightbottompoint=140,110\n"
    "clientrect=3,29,149,122\n"
    "hittestlefttoppoint=0,7\nhittestrighttoppoint=5,0\nhittestleftbottompoint=1,2\n";

TbsSkinFormInfo ReadFormInfo(const String& Text, bool MaskNamed) {
  auto ini = IniFromText(Text);
  TbsSkinFormInfo info;
  info.LoadFromIni(ini.get(), MaskNamed);
  return info;
}

TEST(SkinFormInfo, MaskAreaGrowsToHoldTheClientRect) {
  const struct {
    const char* MaskArea;
    TRect Expected;
  } cases[] = {
      {"3,4,149,122", Rect(3, 4, 149, 122)},
      {"10,10,20,20", Rect(3, 10, 149, 122)},
      {"0,0,0,0", Rect(3, 29, 149, 122)},
      {"50,50,40,60", Rect(3, 29, 149, 122)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.MaskArea);
    const TbsSkinFormInfo info = ReadFormInfo(String(kMaskedFrame) + "maskrectarea=" + c.MaskArea + "\n", true);
    EXPECT_EQ(info.MaskRectArea, c.Expected);
  }
}

TEST(SkinFormInfo, HitTestPointsWithAZeroTakeTheCorner) {
  const TbsSkinFormInfo masked = ReadFormInfo(kMaskedFrame, true);
  EXPECT_EQ(masked.HitTestLeftTopPoint, Point(10, 35));
  EXPECT_EQ(masked.HitTestRightTopPoint, Point(140, 35));
  EXPECT_EQ(masked.HitTestLeftBottomPoint, Point(1, 2));
  EXPECT_EQ(masked.HitTestRightBottomPoint, Point(140, 110));

  const TbsSkinFormInfo plain = ReadFormInfo(kMaskedFrame, false);
  EXPECT_EQ(plain.MaskRectArea, TRect());
  EXPECT_EQ(plain.HitTestLeftTopPoint, Point(0, 7));
  EXPECT_EQ(plain.HitTestRightBottomPoint, TPoint());
}

TEST(SkinFormInfo, CornerPointsArePulledIntoTheClientRect) {
  const TbsSkinFormInfo info = ReadFormInfo(
      "[FORMINFO]\nlefttoppoint=1,1\nrighttoppoint=200,2\nleftbottompoint=2,300\nrightbottompoint=160,130\n"
      "clientrect=3,29,149,122\n",
      false);
  EXPECT_EQ(info.LeftTopPoint, Point(3, 29));
  EXPECT_EQ(info.RightTopPoint, Point(149, 29));
  EXPECT_EQ(info.LeftBottomPoint, Point(3, 122));
  EXPECT_EQ(info.RightBottomPoint, Point(149, 122));

  // The right-bottom point sharing X (or Y) with the left-top one leaves all
  // corners as read, zeros included.
  for (const char* rb : {"1,90", "90,1"}) {
    const TbsSkinFormInfo kept =
        ReadFormInfo(String("[FORMINFO]\nlefttoppoint=1,1\nrighttoppoint=200,2\nrightbottompoint=") + rb +
                         "\nclientrect=3,29,149,122\n",
                     false);
    EXPECT_EQ(kept.LeftTopPoint, Point(1, 1));
    EXPECT_EQ(kept.RightTopPoint, Point(200, 2));
    EXPECT_EQ(kept.LeftBottomPoint, TPoint());
  }
}

TEST(SkinFormInfo, DefaultsAndCreationValues) {
  const TbsSkinFormInfo fresh;
  EXPECT_EQ(fresh.BGPictureIndex, -1);
  EXPECT_EQ(fresh.MDIBGPictureIndex, -1);
  const TbsSkinFormInfo read = ReadFormInfo("[FORMINFO]\nbgpictureindex=3\ninactiveeffect=ienoise\n", true);
  EXPECT_EQ(read.BGPictureIndex, 3);
  EXPECT_EQ(read.MDIBGPictureIndex, -1);
  EXPECT_EQ(read.InActiveEffect, TbsSkinEffect::ieNoise);
  EXPECT_EQ(read.StretchType, TbsStretchType::stFull);
}

TbsSkinObjectList LoadObjects(const String& Text) {
  auto ini = IniFromText(Text);
  TbsSkinObjectList list;
  LoadSkinObjects(ini.get(), list);
  return list;
}

TEST(SkinObjects, KindsCreateTheirClassesInListOrder) {
  const TbsSkinObjectList list = LoadObjects(
      "[SKINOBJECTS]\ncount=12\n"
      "0=MENUITEM:menuitem\n1=mainmenubaritem:mainmenubaritem\n2=close:stdbutton\n3=mdiclose:mainmenubarbutton\n"
      "4=b:button\n5=caption:caption\n6=logo:animate\n7=u:userobject\n"
      "8=x:Button\n9=y:buttons\n10=a:b:c\n11=nocolon\n");
  ASSERT_EQ(list.size(), 8u);
  EXPECT_NE(dynamic_cast<TbsDataSkinMenuItem*>(list[0].get()), nullptr);
  EXPECT_EQ(list[0]->SectionName, "MENUITEM");
  EXPECT_NE(dynamic_cast<TbsDataSkinMainMenuBarItem*>(list[1].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinStdButton*>(list[2].get()), nullptr);
  EXPECT_EQ(dynamic_cast<TbsDataSkinMainMenuBarButton*>(list[2].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinMainMenuBarButton*>(list[3].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinButton*>(list[3].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinButton*>(list[4].get()), nullptr);
  EXPECT_EQ(dynamic_cast<TbsDataSkinStdButton*>(list[4].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinCaption*>(list[5].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataSkinAnimate*>(list[6].get()), nullptr);
  EXPECT_NE(dynamic_cast<TbsDataUserObject*>(list[7].get()), nullptr);
}

TEST(SkinObjects, CountsOutsideTheBoundsReadNothingOrRaise) {
  EXPECT_TRUE(LoadObjects("[SKINOBJECTS]\ncount=0\n0=m:menuitem\n").empty());
  EXPECT_TRUE(LoadObjects("[SKINOBJECTS]\ncount=-1\n0=m:menuitem\n").empty());
  EXPECT_TRUE(LoadObjects("").empty());
  EXPECT_THROW(LoadObjects("[SKINOBJECTS]\ncount=2147483647\n"), EConvertError);
}

TEST(SkinObjects, SpecialReaders) {
  const TbsSkinObjectList list = LoadObjects(
      "[SKINOBJECTS]\ncount=3\n0=closebutton:stdbutton\n1=logo:animate\n2=user:userobject\n"
      "[closebutton]\ndisableskinrsect=1,2,3,4\ndisabledskinrect=9,9,9,9\n"
      "[logo]\nmorphing=1\nmorphkind=mkpush\n"
      "[user]\nskinrect=1,2,3,4\nactivepictureindex=5\nactiveskinrect=1,1,1,1\nmorphing=1\nhint=h\n");
  ASSERT_EQ(list.size(), 3u);
  const auto& close = dynamic_cast<const TbsDataSkinStdButton&>(*list[0]);
  EXPECT_EQ(close.Command, TbsStdCommand::cmDefault);
  EXPECT_EQ(close.DisableSkinRect, Rect(1, 2, 3, 4));

  const auto& logo = dynamic_cast<const TbsDataSkinAnimate&>(*list[1]);
  EXPECT_FALSE(logo.Morphing);
  EXPECT_EQ(logo.MorphKind, TbsMorphKind::mkPush);
  EXPECT_EQ(logo.CountFrames, 1);
  EXPECT_EQ(logo.TimerInterval, 50);

  const TbsDataSkinObject& user = *list[2];
  EXPECT_EQ(user.SkinRect, Rect(1, 2, 3, 4));
  EXPECT_EQ(user.ActivePictureIndex, -1);
  EXPECT_EQ(user.ActiveSkinRect, TRect());
  EXPECT_FALSE(user.Morphing);
  EXPECT_EQ(user.Hint, "");
}

TEST(SkinObjects, UserObjectWritesOnlyItsRect) {
  TbsDataUserObject user("user");
  user.SkinRect = Rect(1, 2, 3, 4);
  user.Hint = "not written";
  TMemIniFile ini("");
  ini.WriteString("user", "stale", "1");
  user.SaveToIni(&ini);
  EXPECT_EQ(ini.GetText(), "[user]\r\nskinrect=1,2,3,4\r\n\r\n");
}

TEST(SkinWindows, PopupAndHintDefaults) {
  TbsDataSkinHintWindow hint;
  EXPECT_EQ(hint.FontName, "Arial");
  EXPECT_EQ(hint.FontHeight, 12);
  auto ini = IniFromText("[POPUPWINDOW]\nmaskpictureindex=2\nstretchtype=stvert\n[HINTWINDOW]\nfontname=Tahoma\n");
  hint.LoadFromIni(ini.get());
  EXPECT_EQ(hint.FontName, "Tahoma");
  EXPECT_EQ(hint.FontHeight, 14);
  EXPECT_EQ(hint.WindowPictureIndex, -1);

  TbsDataSkinPopupWindow popup;
  popup.LoadFromIni(ini.get());
  EXPECT_EQ(popup.WindowPictureIndex, -1);
  EXPECT_EQ(popup.MaskPictureIndex, 2);
  EXPECT_EQ(popup.StretchType, TbsStretchType::stVert);
}

TEST(SkinColors, CreatedBlackDefaultToSystemColours) {
  TbsSkinColors colors;
  EXPECT_EQ(colors.CBtnFace, 0);
  EXPECT_EQ(colors.CBtnShadow, 0);
  colors.SetDefault();
  EXPECT_EQ(colors.CBtnFace, -2147483633);
  EXPECT_EQ(colors.CBtnShadow, -2147483632);

  TbsSkinColors read;
  read.LoadFromIni(IniFromText("[FORMINFO]\n").get());
  const TbsColorList expected = {-2147483633, -2147483630, -2147483643, -2147483640,
                                 -2147483635, -2147483634, -2147483628, -2147483632};
  const TbsColorList got = {read.CBtnFace,   read.CBtnText,       read.CWindow,       read.CWindowText,
                            read.CHighLight, read.CHighLightText, read.CBtnHighLight, read.CBtnShadow};
  EXPECT_EQ(got, expected);

  read.LoadFromIni(IniFromText("[SKINCOLORS]\ncbtnface=8421504\n").get());
  EXPECT_EQ(read.CBtnFace, clGray);
  EXPECT_EQ(read.CWindow, clWindow);
}

}  // namespace
