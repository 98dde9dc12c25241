#include "skin/controls/skinpagecontrol.h"

#include <gtest/gtest.h>

#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "skin/controls/testkit/skinkit_containers.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/controls/updown.h"
#include "skin/engine/data/skinmessages.h"

namespace {

using namespace SkinKit;

class SkinPageControl : public TSkinKitTest {
 public:
  TbsSkinPageControl* Add(const TRect& R, int32_t Pages, bool Skinned, TTabPosition Position = TTabPosition::tpTop) {
    auto* pc = new TbsSkinPageControl(Form.get());
    pc->SetParent(Form.get());
    pc->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    pc->SetTabPosition(Position);
    for (int32_t i = 0; i < Pages; ++i) {
      auto* sheet = new TbsSkinTabSheet(Form.get());
      sheet->SetPageControl(pc);
      sheet->SetCaption("Page " + std::to_string(i + 1));
    }
    if (Skinned)
      pc->SetSkinData(Skin.get());
    else
      pc->UpdateTabSize();
    return pc;
  }
  static TPoint Centre(const TRect& R) { return TPoint{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}; }
};

// ---- Geometry ----------------------------------------------------------------------------

TEST_F(SkinPageControl, DisplayRectanglesMoveTheSheets) {
  struct TCase {
    TTabPosition Position;
    bool Skinned;
    TRect Display;
  };
  // 300 x 200; plain tabs 20 high, skinned 24 (the kit's tab picture) in a
  // 4-pixel frame.
  const TCase cases[] = {
      {TTabPosition::tpTop, false, {1, 21, 299, 199}},   {TTabPosition::tpBottom, false, {1, 1, 299, 177}},
      {TTabPosition::tpLeft, false, {23, -1, 299, 199}}, {TTabPosition::tpRight, false, {1, -1, 277, 199}},
      {TTabPosition::tpTop, true, {4, 28, 296, 196}},    {TTabPosition::tpBottom, true, {4, 4, 296, 170}},
      {TTabPosition::tpLeft, true, {30, 4, 296, 196}},   {TTabPosition::tpRight, true, {4, 4, 270, 196}},
  };
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << int(c.Position) << (c.Skinned ? " skinned" : " plain"));
    TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 3, c.Skinned, c.Position);
    Pump();
    EXPECT_EQ(pc->DisplayRect(), c.Display);
    EXPECT_EQ(pc->ActivePage()->BoundsRect(), c.Display) << "the sheet sits in it";
    delete pc;
  }
}

TEST_F(SkinPageControl, TabRectanglesFollowTheSide) {
  struct TCase {
    TTabPosition Position;
    TRect Across;  // only the across edges are checked: Left/Right for side tabs, Top/Bottom else
  };
  const TCase cases[] = {{TTabPosition::tpTop, {0, 0, 0, 24}},
                         {TTabPosition::tpBottom, {0, 176, 0, 200}},
                         {TTabPosition::tpLeft, {0, 0, 24, 0}},
                         {TTabPosition::tpRight, {276, 0, 300, 0}}};
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << int(c.Position));
    TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 3, true, c.Position);
    const TRect r = pc->GetTabRect(1);
    if (c.Position == TTabPosition::tpLeft || c.Position == TTabPosition::tpRight) {
      EXPECT_EQ(r.Left, c.Across.Left);
      EXPECT_EQ(r.Right, c.Across.Right);
    } else {
      EXPECT_EQ(r.Top, c.Across.Top);
      EXPECT_EQ(r.Bottom, c.Across.Bottom);
    }
    delete pc;
  }
  TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 2, true);
  EXPECT_EQ(pc->GetTabRect(0).Left, pc->TabRect(0).Left + 1) << "the first tab one pixel in, on one line";
}

TEST_F(SkinPageControl, TabHeightZeroTakesTheDefaultOrTheSkinsHeight) {
  ShowForm();
  TbsSkinPageControl* plain = Add(TRect{10, 10, 310, 110}, 2, false);
  EXPECT_EQ(plain->GetTabRect(0).Height(), 20);
  TbsSkinPageControl* skinned = Add(TRect{10, 120, 310, 220}, 2, true);
  EXPECT_EQ(skinned->GetTabRect(0).Height(), TabPictureHeight);
  skinned->SetTabHeight(30);
  skinned->UpdateTabSize();
  EXPECT_EQ(skinned->GetTabRect(0).Height(), 30);
  EXPECT_EQ(skinned->DisplayRect().Top, (2 + 30 + 4) + 4 - 6) << "the sheets move with the tab height";
  skinned->SetTabHeight(0);
  skinned->UpdateTabSize();
  EXPECT_EQ(skinned->GetTabRect(0).Height(), TabPictureHeight);
  skinned->SetTabPosition(TTabPosition::tpBottom);
  EXPECT_EQ(skinned->GetTabRect(0).Height(), TabPictureHeight) << "a new window keeps the skin's tab height";
  plain->SetDefaultItemHeight(26);
  EXPECT_EQ(plain->GetTabRect(0).Height(), 26);
}

// ---- Scroller ----------------------------------------------------------------------------

TEST_F(SkinPageControl, NarrowingCreatesTheScrollerWhichScrollsTheTabs) {
  for (bool skinned : {false, true}) {
    SCOPED_TRACE(skinned ? "skinned" : "plain");
    ShowForm();
    TbsSkinPageControl* pc = Add(TRect{0, 0, 700, 150}, 8, skinned);
    Pump();
    EXPECT_EQ(pc->Scroller(), nullptr);
    EXPECT_EQ(pc->HiddenTabCount(), 0);
    pc->SetWidth(250);
    Pump();
    ASSERT_NE(pc->Scroller(), nullptr);
    TbsSkinUpDown* s = pc->Scroller();
    EXPECT_EQ(s->Left() + s->Width(), 250) << "at the right end of the tab row";
    EXPECT_EQ(s->Top(), 0);
    if (!skinned) {
      EXPECT_EQ(s->BoundsRect().Width(), 40) << "two tab heights wide";
    }
    EXPECT_EQ(FindWindowEx(pc->Handle(), nullptr, "msctls_updown32", nullptr), nullptr) << "no native scroller";
    EXPECT_GT(pc->HiddenTabCount(), 0);
    EXPECT_EQ(s->Max(), pc->HiddenTabCount());
    EXPECT_EQ(pc->ScrolledTabCount(), 0);
    ClickAt(s, s->Width() - 3, s->Height() / 2);
    Pump();
    EXPECT_EQ(s->Position(), 1);
    EXPECT_EQ(pc->ScrolledTabCount(), 1) << "the first tab scrolled out";
    EXPECT_LE(pc->GetTabRect(0).Right, 0);
    ClickAt(s, 3, s->Height() / 2);
    Pump();
    EXPECT_EQ(pc->ScrolledTabCount(), 0);
    pc->SetWidth(700);
    Pump();
    EXPECT_EQ(pc->Scroller(), nullptr) << "all tabs fit again";
    delete pc;
  }
}

// ---- Visible tabs, hot tracking and events --------------------------------------------------

TEST_F(SkinPageControl, HiddenPageShiftsTheVisibleTabIndexes) {
  ShowForm();
  TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 3, true);
  const TRect third = pc->GetTabRect(2);
  pc->Pages(1)->SetTabVisible(false);
  Pump();
  EXPECT_EQ(pc->Tabs()->Count(), 2);
  EXPECT_LT(pc->GetTabRect(1).Left, third.Left) << "page 3 moved into tab 1";
  const TPoint p = Centre(pc->GetTabRect(1));
  MoveTo(pc, p.X, p.Y);
  Pump();
  EXPECT_EQ(pc->HotTab(), 1);
  EXPECT_EQ(pc->HotPage(), 2);
  EXPECT_EQ(Probe(pc, pc->GetTabRect(1).Left + 7, pc->GetTabRect(1).Bottom - 2), TabHotFace) << "drawn hot";
  const TPoint q = Centre(pc->GetTabRect(0));
  MoveTo(pc, q.X, 100);
  Pump();
  EXPECT_EQ(pc->HotTab(), -1);
  EXPECT_EQ(Probe(pc, pc->GetTabRect(1).Left + 7, pc->GetTabRect(1).Bottom - 2), TabFace) << "plain again";
}

TEST_F(SkinPageControl, ActivePageFiresNothingAndAClickFiresBoth) {
  ShowForm();
  TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 3, true);
  std::vector<String> events;
  pc->OnChanging = [&](TObject*, bool&) { events.push_back("changing"); };
  pc->OnChange = [&](TObject*) { events.push_back("change " + std::to_string(pc->ActivePageIndex())); };
  pc->SetActivePage(pc->Pages(2));
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(pc->TabIndex(), 2);
  const TPoint p = Centre(pc->GetTabRect(1));
  ClickAt(pc, p.X, p.Y);
  Pump();
  EXPECT_EQ(events, (std::vector<String>{"changing", "change 1"}));
  EXPECT_TRUE(pc->Pages(1)->Visible());
  EXPECT_FALSE(pc->Pages(2)->Visible());
}

// ---- Pixels --------------------------------------------------------------------------------

TEST_F(SkinPageControl, TabPicturesFlippedAndRotatedBySide) {
  struct TProbe {
    int32_t DX, DY;  // from the left/top (>= 0) or right/bottom (< 0) of the tab rect
    TColor Color;
  };
  struct TCase {
    TTabPosition Position;
    std::vector<TProbe> Probes;
  };
  const TCase cases[] = {
      {TTabPosition::tpTop, {{1, 12, TabLeftCap}, {-2, 12, TabRightCap}, {7, 1, TabTopEdge}, {7, -2, TabFace}}},
      {TTabPosition::tpBottom, {{1, 12, TabLeftCap}, {-2, 12, TabRightCap}, {7, -2, TabTopEdge}, {7, 1, TabFace}}},
      {TTabPosition::tpLeft, {{12, -2, TabLeftCap}, {12, 1, TabRightCap}, {1, 7, TabTopEdge}, {-2, 7, TabFace}}},
      {TTabPosition::tpRight, {{12, 1, TabLeftCap}, {12, -2, TabRightCap}, {-2, 7, TabTopEdge}, {1, 7, TabFace}}},
  };
  ShowForm();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << int(c.Position));
    TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 3, true, c.Position);
    Pump();
    const TRect r = pc->GetTabRect(1);
    for (const TProbe& p : c.Probes) {
      const int32_t x = p.DX >= 0 ? r.Left + p.DX : r.Right + p.DX, y = p.DY >= 0 ? r.Top + p.DY : r.Bottom + p.DY;
      EXPECT_EQ(Probe(pc, x, y), p.Color) << "at " << p.DX << "," << p.DY;
    }
    delete pc;
  }
}

TEST_F(SkinPageControl, TabRowShowsTheParentWhenTransparent) {
  Form->SetColor(clRed);
  ShowForm();
  TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 2, true);
  Pump();
  EXPECT_EQ(Probe(pc, 290, 5), TabsBG);
  pc->SetTabsBGTransparent(true);
  Pump();
  EXPECT_EQ(Probe(pc, 290, 5), Rgb(clRed));
  EXPECT_EQ(Probe(pc, 290, 26), TabFrame) << "the page frame stays";
  Form->SetColor(clLime);
  SendMessage(pc->Handle(), WM_SKIN_PARENTCHANGED, 0, 0);
  Pump();
  EXPECT_EQ(Probe(pc, 290, 5), Rgb(clLime));
}

TEST_F(SkinPageControl, SheetBackgrounds) {
  ShowForm();
  TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 2, true);
  Pump();
  TTabSheet* sheet = pc->ActivePage();
  EXPECT_EQ(Probe(sheet, 5, 5), TabClient) << "the description's client part";
  pc->SetSkinDataName("kitbgtab");
  pc->ChangeSkinData();
  sheet->Invalidate();
  Pump();
  EXPECT_EQ(Probe(sheet, 0, 0), BGMark) << "the background picture, tiled";
  EXPECT_EQ(Probe(sheet, 8, 0), BGTile);
  EXPECT_EQ(Probe(sheet, 16, 16), BGMark);
  TBitmap wall;
  wall.SetSize(10, 10);
  wall.Canvas()->Brush()->SetColor(clYellow);
  wall.Canvas()->FillRect(TRect{0, 0, 10, 10});
  wall.Canvas()->SetPixels(0, 0, clBlue);
  static_cast<TbsSkinTabSheet*>(sheet)->SetWallPaper(&wall);
  sheet->Invalidate();
  Pump();
  EXPECT_EQ(Probe(sheet, 10, 20), Rgb(clBlue)) << "a wallpaper comes first";
  EXPECT_EQ(Probe(sheet, 11, 20), Rgb(clYellow));
  pc->SetSkinDataName("nosuchtab");
  pc->ChangeSkinData();
  TBitmap none;
  static_cast<TbsSkinTabSheet*>(sheet)->SetWallPaper(&none);
  sheet->Invalidate();
  Pump();
  EXPECT_EQ(Probe(sheet, 5, 5), Rgb(clBtnFace));
}

TEST_F(SkinPageControl, WithoutPagesTheSkinBackgroundAndNoTabs) {
  ShowForm();
  TbsSkinPageControl* pc = Add(TRect{10, 10, 110, 110}, 0, true);
  pc->Invalidate();
  Pump();
  EXPECT_EQ(Probe(pc, 50, 50), TabClient);
  EXPECT_EQ(CountColor(pc->Handle(), TRect{0, 0, 100, 30}, TabLeftCap), 0) << "no tabs";
}

TEST_F(SkinPageControl, FocusedActiveTabFallsBackToTheTabPicture) {
  ShowForm();
  TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 2, false);
  pc->SetSkinDataName("kittabsame");
  pc->SetSkinData(Skin.get());
  pc->SetFocus();
  Pump();
  ASSERT_TRUE(pc->Focused());
  const TRect r = pc->GetTabRect(0);
  EXPECT_EQ(Probe(pc, r.Left + 7, r.Bottom - 2), TabFace);
  pc->SetSkinDataName("tab");
  pc->ChangeSkinData();
  pc->Invalidate();
  Pump();
  EXPECT_EQ(Probe(pc, r.Left + 7, r.Bottom - 2), TabActiveFace) << "the focus picture falls back to the active one";
}

TEST_F(SkinPageControl, TabContentByEventOrImageAndText) {
  ShowForm();
  TbsSkinPageControl* pc = Add(TRect{10, 10, 310, 210}, 2, true, TTabPosition::tpLeft);
  std::vector<TRect> rects;
  pc->OnDrawSkinTab() = [&](int32_t Page, const TRect& R, bool, bool, TCanvas* C) {
    rects.push_back(R);
    C->Brush()->SetColor(clYellow);
    C->FillRect(TRect{R.Left + 6, R.Top + 4, R.Right - 6, R.Bottom - 4});
    EXPECT_LT(Page, 2);
  };
  pc->Invalidate();
  Pump();
  ASSERT_FALSE(rects.empty());
  const TRect tab = pc->GetTabRect(1);
  EXPECT_EQ(rects.back(), (TRect{0, 0, tab.Height(), tab.Width()})) << "side tabs are composed upright";
  EXPECT_EQ(Probe(pc, tab.Left + 12, tab.Top + 12), Rgb(clYellow));
  pc->OnDrawSkinTab() = nullptr;
  TImageList images(nullptr);
  images.SetWidth(8);
  images.SetHeight(8);
  TBitmap magenta;
  magenta.SetSize(8, 8);
  magenta.Canvas()->Brush()->SetColor(clFuchsia);
  magenta.Canvas()->FillRect(TRect{0, 0, 8, 8});
  images.Add(&magenta, nullptr);
  pc->SetImages(&images);
  pc->Pages(0)->SetImageIndex(0);
  pc->Pages(1)->SetImageIndex(0);
  pc->Invalidate();
  Pump();
  const TRect first = pc->GetTabRect(0);
  EXPECT_EQ(CountColor(pc->Handle(), first, clFuchsia), 64) << "the page's image beside its text";
  EXPECT_EQ(CountColor(pc->Handle(), pc->GetTabRect(1), clFuchsia), 0) << "only pages below the image count";
  pc->SetImages(nullptr);
}

// ---- Contact sheet ---------------------------------------------------------------------------

TEST_F(SkinPageControl, ContactSheet) {
  Form->SetBounds(0, 0, 640, 420);
  Form->SetColor(TColor(0x80C0FF));
  ShowForm();
  const TTabPosition sides[] = {TTabPosition::tpTop, TTabPosition::tpBottom, TTabPosition::tpLeft,
                                TTabPosition::tpRight};
  for (int32_t i = 0; i < 4; ++i) {
    TbsSkinPageControl* pc =
        Add(TRect{5 + (i % 2) * 315, 5 + (i / 2) * 140, 5 + (i % 2) * 315 + 305, 5 + (i / 2) * 140 + 130}, 3, true,
            sides[i]);
    auto* b = new TButton(Form.get());
    b->SetParent(pc->ActivePage());
    b->SetBounds(10, 10, 80, 24);
    b->SetCaption("on page 1");
  }
  TbsSkinPageControl* plain = Add(TRect{5, 285, 310, 415}, 3, false);
  plain->SetActivePageIndex(1);
  TbsSkinPageControl* scrolled = Add(TRect{320, 285, 635, 415}, 9, true);
  scrolled->SetTabsBGTransparent(true);
  Pump();
  EXPECT_NE(scrolled->Scroller(), nullptr);
  SaveSheet(Form.get(), "skinpagecontrol-sheet");
}

}  // namespace
