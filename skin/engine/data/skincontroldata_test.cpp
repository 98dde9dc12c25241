#include "skin/engine/data/skincontroldata.h"

#include <gtest/gtest.h>

#include <functional>

#include "skin/engine/data/skinini_testing.h"

namespace {

TbsSkinControlList LoadControls(const String& Text) {
  auto ini = IniFromText(Text);
  TbsSkinControlList list;
  LoadSkinControls(ini.get(), list);
  return list;
}

template <class T>
bool Is(const TbsDataSkinControl* D) {
  return dynamic_cast<const T*>(D) != nullptr;
}

// Kind word -> class, and what the class is also taken for.
struct KindCase {
  const char* Kind;
  std::function<bool(const TbsDataSkinControl*)> IsItsClass;
  bool IsCustomControl;
  std::function<bool(const TbsDataSkinControl*)> AlsoIs;  // empty: nothing to check
};

TEST(SkinControls, EveryKindCreatesItsClass) {
  using std::function;
  const KindCase cases[] = {
      {"panel", Is<TbsDataSkinPanelControl>, true, {}},
      {"expanel", Is<TbsDataSkinExPanelControl>, true, {}},
      {"menubutton", Is<TbsDataSkinMenuButtonControl>, true, Is<TbsDataSkinButtonControl>},
      {"button", Is<TbsDataSkinButtonControl>, true, {}},
      {"checkradio", Is<TbsDataSkinCheckRadioControl>, true, {}},
      {"gauge", Is<TbsDataSkinGaugeControl>, true, {}},
      {"splitter", Is<TbsDataSkinSplitterControl>, true, {}},
      {"trackbar", Is<TbsDataSkinTrackBarControl>, true, {}},
      {"label", Is<TbsDataSkinLabelControl>, true, {}},
      {"stdlabel", Is<TbsDataSkinStdLabelControl>, false, {}},
      {"updown", Is<TbsDataSkinUpDownControl>, true, {}},
      {"grid", Is<TbsDataSkinGridControl>, false, {}},
      {"tab", Is<TbsDataSkinTabControl>, false, {}},
      {"mainmenubar", Is<TbsDataSkinMainMenuBar>, false, {}},
      {"controlbar", Is<TbsDataSkinControlBar>, true, {}},
      {"memo", Is<TbsDataSkinMemoControl>, true, Is<TbsDataSkinEditControl>},
      {"edit", Is<TbsDataSkinEditControl>, true, {}},
      {"checklistbox", Is<TbsDataSkinCheckListBox>, true, Is<TbsDataSkinListBox>},
      {"listbox", Is<TbsDataSkinListBox>, true, {}},
      {"combobox", Is<TbsDataSkinComboBox>, true, {}},
      {"scrollbar", Is<TbsDataSkinScrollBarControl>, true, {}},
      {"spinedit", Is<TbsDataSkinSpinEditControl>, true, {}},
      {"scrollbox", Is<TbsDataSkinScrollBoxControl>, true, {}},
      {"treeview", Is<TbsDataSkinTreeView>, false, {}},
      {"bevel", Is<TbsDataSkinBevel>, false, {}},
      {"slider", Is<TbsDataSkinSlider>, false, {}},
      {"listview", Is<TbsDataSkinListView>, false, {}},
      {"richedit", Is<TbsDataSkinRichEdit>, false, {}},
  };
  ASSERT_EQ(std::size(cases), SkinControlKinds().size());
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.Kind);
    const TbsSkinControlList list = LoadControls(String("[SKINCONTROLS]\ncount=1\n0=sect:") + c.Kind + "\n");
    ASSERT_EQ(list.size(), 1u);
    const TbsDataSkinControl* d = list[0].get();
    EXPECT_EQ(d->SectionName, "sect");
    EXPECT_TRUE(c.IsItsClass(d));
    EXPECT_EQ(Is<TbsDataSkinCustomControl>(d), c.IsCustomControl);
    if (c.AlsoIs) {
      EXPECT_TRUE(c.AlsoIs(d));
    }
  }
  // No other class takes an edit, list box or button for one of its kind.
  const TbsSkinControlList plain = LoadControls("[SKINCONTROLS]\ncount=3\n0=e:edit\n1=l:listbox\n2=b:button\n");
  EXPECT_FALSE(Is<TbsDataSkinMemoControl>(plain[0].get()));
  EXPECT_FALSE(Is<TbsDataSkinCheckListBox>(plain[1].get()));
  EXPECT_FALSE(Is<TbsDataSkinMenuButtonControl>(plain[2].get()));
}

TEST(SkinControls, KindsMatchWholeWordsExactly) {
  const TbsSkinControlList list = LoadControls(
      "[SKINCONTROLS]\ncount=7\n0=a:Button\n1=b:buttons\n2=c:butt\n3=d:button:x\n4=e\n5=f:\n6=EDIT:edit\n"
      "[a]\npictureindex=1\n");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->SectionName, "EDIT");
  EXPECT_TRUE(LoadControls("[SKINCONTROLS]\ncount=0\n0=b:button\n").empty());
}

TEST(SkinControls, UpDownGeometryIsAlwaysZero) {
  const TbsSkinControlList list = LoadControls(
      "[SKINCONTROLS]\ncount=1\n0=vupdown:updown\n"
      "[vupdown]\nskinrect=0,0,16,30\nlefttoppoint=3,3\nrighttoppoint=13,3\nleftbottompoint=3,27\n"
      "rightbottompoint=13,27\nclientrect=2,2,14,28\nupbuttonrect=0,0,16,15\nleftstretch=1\n");
  const auto& d = dynamic_cast<const TbsDataSkinUpDownControl&>(*list.at(0));
  EXPECT_EQ(d.LeftTopPoint, TPoint());
  EXPECT_EQ(d.RightTopPoint, TPoint());
  EXPECT_EQ(d.LeftBottomPoint, TPoint());
  EXPECT_EQ(d.RightBottomPoint, TPoint());
  EXPECT_EQ(d.ClientRect, TRect());
  EXPECT_EQ(d.SkinRect, Rect(0, 0, 16, 30));
  EXPECT_EQ(d.UpButtonRect, Rect(0, 0, 16, 15));
  EXPECT_TRUE(d.LeftStretch);
}

TEST(SkinControls, KeyDefaults) {
  const TbsSkinControlList list = LoadControls(
      "[SKINCONTROLS]\ncount=5\n0=stdlabel:stdlabel\n1=listbox:listbox\n2=combobox:combobox\n3=mainmenubar:"
      "mainmenubar\n"
      "4=controlbar:controlbar\n[listbox]\nhscrollbarname=myh\n");
  const auto& label = dynamic_cast<const TbsDataSkinStdLabelControl&>(*list.at(0));
  EXPECT_EQ(label.ActiveFontColor, 16711680);
  EXPECT_EQ(label.FontName, "Arial");
  EXPECT_EQ(label.FontHeight, 14);
  EXPECT_EQ(label.PictureIndex, -1);
  const auto& listBox = dynamic_cast<const TbsDataSkinListBox&>(*list.at(1));
  EXPECT_EQ(listBox.VScrollBarName, "vscrollbar");
  EXPECT_EQ(listBox.HScrollBarName, "myh");
  EXPECT_EQ(listBox.BothScrollBarName, "bothhscrollbar");
  EXPECT_EQ(dynamic_cast<const TbsDataSkinComboBox&>(*list.at(2)).ListBoxName, "");
  EXPECT_EQ(dynamic_cast<const TbsDataSkinMainMenuBar&>(*list.at(3)).MenuBarItem, "");
  const auto& bar = dynamic_cast<const TbsDataSkinControlBar&>(*list.at(4));
  EXPECT_EQ(bar.ItemOffset1, 3);
  EXPECT_EQ(bar.BGPictureIndex, -1);
}

}  // namespace
