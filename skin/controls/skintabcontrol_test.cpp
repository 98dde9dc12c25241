#include "skin/controls/skintabcontrol.h"

#include <gtest/gtest.h>

#include "platform/vcl/stdctrls.h"
#include "skin/controls/skinpanel.h"
#include "skin/controls/testkit/skinkit_containers.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/controls/updown.h"

namespace {

using namespace SkinKit;

class SkinTabControl : public TSkinKitTest {
 public:
  TbsSkinTabControl* Add(const TRect& R, int32_t Count, const char* Section) {
    auto* tc = new TbsSkinTabControl(Form.get());
    tc->SetParent(Form.get());
    tc->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    for (int32_t i = 0; i < Count; ++i) tc->Tabs()->Add("Tab " + std::to_string(i + 1));
    if (Count > 0) tc->SetTabIndex(0);
    if (Section != nullptr) {
      tc->SetSkinDataName(Section);
      tc->SetSkinData(Skin.get());
    } else {
      tc->SetSkinDataName("nosuchtab");
      tc->SetSkinData(Skin.get());
    }
    return tc;
  }
  // Colour of the kit's 16 x 16 background picture at a control point.
  static TColor BackgroundAt(int32_t X, int32_t Y) { return X % 16 < 8 && Y % 16 < 8 ? BGMark : BGTile; }
};

TEST_F(SkinTabControl, DisplayRectangleUsesTheFrameOnlyWithoutABackgroundPicture) {
  struct TCase {
    const char* Section;
    TRect Display;
  };
  const TCase cases[] = {{nullptr, {1, 21, 299, 199}}, {"tab", {4, 28, 296, 196}}, {"kitbgtab", {0, 24, 300, 200}}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Section ? c.Section : "plain");
    TbsSkinTabControl* tc = Add(TRect{10, 10, 310, 210}, 3, c.Section);
    EXPECT_EQ(tc->DisplayRect(), c.Display);
    auto* child = new TButton(Form.get());
    child->SetParent(tc);
    child->SetAlign(TAlign::alClient);
    EXPECT_EQ(child->BoundsRect(), c.Display);
    delete tc;
  }
}

TEST_F(SkinTabControl, BackgroundPictureUnderTheTabsAndNoBorderStrips) {
  ShowForm();
  TbsSkinTabControl* tc = Add(TRect{10, 10, 210, 130}, 2, "kitbgtab");
  Pump();
  for (const TPoint p : {TPoint{0, 119}, TPoint{199, 119}, TPoint{199, 60}, TPoint{100, 60}, TPoint{3, 40}})
    EXPECT_EQ(Probe(tc, p.X, p.Y), BackgroundAt(p.X, p.Y)) << p.X << "," << p.Y;
  const TRect r = tc->GetTabRect(1);
  EXPECT_EQ(Probe(tc, r.Left + 1, r.Top + 12), TabLeftCap) << "tabs drawn over it";
  EXPECT_EQ(CountColor(tc->Handle(), TRect{0, 24, 200, 120}, TabFrame), 0);
}

TEST_F(SkinTabControl, EmptyTabsPaintTheFrameAndNoTabs) {
  ShowForm();
  TbsSkinTabControl* tc = Add(TRect{10, 10, 210, 130}, 0, "tab");
  tc->Invalidate();
  Pump();
  EXPECT_EQ(CountColor(tc->Handle(), TRect{0, 0, 200, 120}, TabLeftCap), 0);
  const TRect F = tc->DisplayRect();
  EXPECT_EQ(Probe(tc, F.Left - 2, F.Top + 10), TabFrame);
  EXPECT_EQ(Probe(tc, F.Left + 10, F.Top + 10), TabClient);
}

TEST_F(SkinTabControl, TransparentChildShowsTheTabControlsBackground) {
  for (const char* section : {"tab", "kitbgtab"}) {
    SCOPED_TRACE(section);
    ShowForm();
    TbsSkinTabControl* tc = Add(TRect{10, 10, 250, 170}, 2, section);
    auto* panel = new TbsSkinPanel(Form.get());
    panel->SetParent(tc);
    panel->SetBounds(21, 43, 100, 80);
    panel->SetSkinData(Skin.get());
    panel->SetTransparentMode(true);
    Pump();
    for (const TPoint p : {TPoint{10, 10}, TPoint{50, 40}, TPoint{90, 70}}) {
      const TColor want = std::string(section) == "tab" ? TabClient : BackgroundAt(21 + p.X, 43 + p.Y);
      EXPECT_EQ(Probe(panel, p.X, p.Y), want) << p.X << "," << p.Y;
    }
    delete tc;
  }
}

TEST_F(SkinTabControl, ScrollerAndHotTracking) {
  ShowForm();
  TbsSkinTabControl* tc = Add(TRect{0, 0, 700, 120}, 10, nullptr);
  Pump();
  EXPECT_EQ(tc->Scroller(), nullptr);
  tc->SetWidth(260);
  Pump();
  ASSERT_NE(tc->Scroller(), nullptr);
  TbsSkinUpDown* s = tc->Scroller();
  EXPECT_EQ(s->BoundsRect(), (TRect{260 - 36, 0, 260, 18})) << "always 36 x 18, at the right end";
  ClickAt(s, s->Width() - 3, s->Height() / 2);
  Pump();
  EXPECT_EQ(tc->ScrolledTabCount(), 1);
  const TRect second = tc->GetTabRect(2);
  MoveTo(tc, second.Left + 3, second.Top + 5);
  Pump();
  EXPECT_EQ(tc->HotTab(), 2);
  EXPECT_EQ(Probe(tc, second.Left + 3, second.Top + 3), TColor(0xD2BDB6)) << "the plain hot fill";
  MoveTo(Form.get(), 5, 200);
  Pump();
  EXPECT_EQ(tc->HotTab(), -1) << "leaving the control";
  EXPECT_EQ(Probe(tc, second.Left + 3, second.Top + 3), Rgb(clBtnFace));
  tc->SetWidth(700);
  Pump();
  EXPECT_EQ(tc->Scroller(), nullptr);
}

TEST_F(SkinTabControl, TabIndexFiresNothingAndAClickFiresBoth) {
  ShowForm();
  TbsSkinTabControl* tc = Add(TRect{10, 10, 310, 210}, 3, "tab");
  std::vector<String> events;
  tc->OnChanging = [&](TObject*, bool&) { events.push_back("changing"); };
  tc->OnChange = [&](TObject*) { events.push_back("change " + std::to_string(tc->TabIndex())); };
  tc->SetTabIndex(2);
  EXPECT_TRUE(events.empty());
  const TRect r = tc->GetTabRect(1);
  ClickAt(tc, r.Left + 10, r.Top + 10);
  Pump();
  EXPECT_EQ(events, (std::vector<String>{"changing", "change 1"}));
  EXPECT_EQ(Probe(tc, r.Left + 7, r.Bottom - 2), TabActiveFace);
}

TEST_F(SkinTabControl, ContactSheet) {
  Form->SetBounds(0, 0, 520, 300);
  Form->SetColor(TColor(0x80C0FF));
  ShowForm();
  TbsSkinTabControl* tc = Add(TRect{5, 5, 255, 145}, 3, "tab");
  auto* panel = new TbsSkinGroupBox(Form.get());
  panel->SetParent(tc);
  panel->SetBounds(15, 40, 150, 80);
  panel->SetCaption("Transparent child");
  panel->SetSkinData(Skin.get());
  panel->SetTransparentMode(true);
  TbsSkinTabControl* bg = Add(TRect{260, 5, 515, 145}, 3, "kitbgtab");
  bg->SetTabIndex(1);
  TbsSkinTabControl* plain = Add(TRect{5, 150, 255, 295}, 3, nullptr);
  plain->SetTabPosition(TTabPosition::tpBottom);
  plain->ChangeSkinData();
  TbsSkinTabControl* many = Add(TRect{260, 150, 515, 295}, 8, "tab");
  many->SetTabsBGTransparent(true);
  Pump();
  SaveSheet(Form.get(), "skintabcontrol-sheet");
}

}  // namespace
