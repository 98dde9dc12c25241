#include "skin/controls/skinlistbox.h"

#include <gtest/gtest.h>

#include "platform/gui/win_scrollbars.h"
#include "skin/controls/bars_testing.h"
#include "skin/controls/testkit/skinkit_bars.h"
#include "skin/controls/testkit/skinkit_lists.h"
#include "skin/engine/data/skinmessages.h"

namespace {

using namespace SkinKit;

class SkinListBox : public TSkinBarTest {
 public:
  TbsSkinListBox* Add(bool Skinned, const TRect& R = TRect{10, 10, 130, 130}, const String& Name = "listbox") {
    ShowForm();
    auto* l = new TbsSkinListBox(Form.get());
    l->SetParent(Form.get());
    l->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    if (Skinned) {
      l->SetSkinDataName(Name);
      l->SetSkinData(Skin.get());
    }
    Pump();
    return l;
  }
  static void Fill(TbsSkinCustomListBox* L, int32_t Count, const String& Prefix = "Item ") {
    for (int32_t i = 0; i < Count; ++i) L->Items()->Add(Prefix + std::to_string(i));
  }
  // Leftmost column of a list row holding a pixel of colour C; -1 for none.
  static int32_t FirstColumnOf(TbsListBox* List, int32_t Row, TColor C) {
    std::unique_ptr<TBitmap> shot = WindowPixels(List->Handle(), false);
    const TRect r = List->ItemRect(Row);
    for (int32_t x = 0; x < shot->Width(); ++x)
      for (int32_t y = r.Top; y < r.Bottom; ++y)
        if (shot->Canvas()->Pixels(x, y) == C) return x;
    return -1;
  }
  // Dark text pixels, not the images' colours.
  static bool IsInk(TColor C) { return (C & 0xFF) < 0x60 && ((C >> 8) & 0xFF) < 0x60 && ((C >> 16) & 0xFF) < 0x60; }
  static int32_t FirstInk(TbsListBox* List, int32_t Row) {
    std::unique_ptr<TBitmap> shot = WindowPixels(List->Handle(), false);
    const TRect r = List->ItemRect(Row);
    for (int32_t x = 0; x < shot->Width(); ++x)
      for (int32_t y = r.Top; y < r.Bottom; ++y)
        if (IsInk(shot->Canvas()->Pixels(x, y))) return x;
    return -1;
  }
};

// 120 x 120 unskinned: the list is 116 high, five 20-pixel rows.
TEST_F(SkinListBox, MainBarComesAndGoesWithTheItems) {
  TbsSkinListBox* l = Add(false);
  EXPECT_EQ(l->ListBoxRect(), (TRect{2, 2, 118, 118}));
  struct {
    int32_t Count;
    bool Bar;
  } steps[] = {{5, false}, {6, true}, {9, true}, {5, false}, {0, false}, {7, true}};
  for (const auto& s : steps) {
    while (l->Items()->Count() < s.Count) l->Items()->Add("x");
    while (l->Items()->Count() > s.Count) l->Items()->Delete(0);
    Pump();
    ASSERT_EQ(l->ScrollBar() != nullptr, s.Bar) << s.Count;
    if (!s.Bar) {
      EXPECT_EQ(l->ListBox()->Width(), 116) << s.Count;
      continue;
    }
    TbsSkinScrollBar* bar = l->ScrollBar();
    EXPECT_EQ(bar->Kind(), TScrollBarKind::sbVertical);
    EXPECT_EQ((TRect{bar->Left(), bar->Top(), bar->Width(), bar->Height()}), (TRect{100, 1, 19, 118}));
    EXPECT_EQ(l->ListBoxRect(), (TRect{2, 2, 100, 118}));
    EXPECT_EQ(bar->Max(), s.Count - 1);
    EXPECT_EQ(bar->PageSize(), 5);
    EXPECT_EQ(bar->LargeChange(), 5);
  }
}

// The bar follows the list's own scrolling and drives it.
TEST_F(SkinListBox, MainBarFollowsAndScrollsTheList) {
  TbsSkinListBox* l = Add(false);
  Fill(l, 20);
  Pump();
  ASSERT_NE(l->ScrollBar(), nullptr);
  l->ScrollBar()->SetPosition(7);
  EXPECT_EQ(l->ListBox()->TopIndex(), 7);
  // The wheel towards the user scrolls one line down.
  l->ListBox()->SetFocus();
  const TPoint p = At(l->ListBox(), 20, 20);
  H().Wheel(p.X, p.Y, -WHEEL_DELTA);
  Pump();
  EXPECT_EQ(l->ListBox()->TopIndex(), 8);
  EXPECT_EQ(l->ScrollBar()->Position(), 8);
  H().Wheel(p.X, p.Y, WHEEL_DELTA);
  Pump();
  EXPECT_EQ(l->ListBox()->TopIndex(), 7);
  l->SetItemIndex(19);
  l->UpdateScrollBars();
  EXPECT_EQ(l->ScrollBar()->Position(), 15);
}

TEST_F(SkinListBox, RowCountEqualToTheItemsNeverShowsABar) {
  TbsSkinListBox* l = Add(false);
  for (int32_t n : {1, 4, 6, 12}) {
    l->Items()->Clear();
    Fill(l, n);
    l->SetRowCount(n);
    EXPECT_EQ(l->Height(), n * 20 + 4) << n;
    // Even when the rows do not fit.
    l->SetHeight(50);
    l->UpdateScrollBars();
    Pump();
    EXPECT_EQ(l->ScrollBar(), nullptr) << n;
  }
  l->Items()->Add("one more");
  Pump();
  EXPECT_NE(l->ScrollBar(), nullptr);
}

// Two columns of five rows: the main bar is horizontal at the bottom.
TEST_F(SkinListBox, ColumnsGetAHorizontalMainBar) {
  TbsSkinListBox* l = Add(false);
  l->SetColumns(2);
  struct {
    int32_t Count;
    bool Bar;
  } steps[] = {{10, false}, {11, true}, {25, true}, {8, false}};
  for (const auto& s : steps) {
    l->Items()->Clear();
    Fill(l, s.Count);
    l->UpdateScrollBars();
    Pump();
    ASSERT_EQ(l->ScrollBar() != nullptr, s.Bar) << s.Count;
    if (!s.Bar) continue;
    TbsSkinScrollBar* bar = l->ScrollBar();
    EXPECT_EQ(bar->Kind(), TScrollBarKind::sbHorizontal);
    EXPECT_EQ((TRect{bar->Left(), bar->Top(), bar->Width(), bar->Height()}), (TRect{1, 100, 118, 19}));
    EXPECT_EQ(l->ListBoxRect(), (TRect{2, 2, 118, 100}));
    EXPECT_EQ(bar->PageSize(), 2);
  }
  Fill(l, 20);
  l->UpdateScrollBars();
  ASSERT_NE(l->ScrollBar(), nullptr);
  l->ScrollBar()->SetPosition(2);
  EXPECT_EQ(l->ListBox()->TopIndex(), 8);
}

TEST_F(SkinListBox, HorizontalExtentBarShiftsTheItems) {
  TbsSkinListBox* l = Add(false);
  l->Items()->Add("W");
  l->Items()->Add("A much longer item than the list is wide");
  l->SetHorizontalExtent(true);
  Pump();
  TbsSkinScrollBar* bar = l->HScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ((TRect{bar->Left(), bar->Top(), bar->Width(), bar->Height()}), (TRect{1, 100, 118, 19}));
  EXPECT_EQ(l->ListBoxRect(), (TRect{2, 2, 118, 100}));
  TCanvas* c = l->ListBox()->Canvas();
  EXPECT_EQ(bar->Max(), c->TextWidth(l->Items()->Strings(1)));
  EXPECT_EQ(bar->PageSize(), 116 - 4);
  EXPECT_EQ(bar->SmallChange(), c->TextWidth("0"));
  const int32_t before = FirstInk(l->ListBox(), 0);
  bar->SetPosition(1);
  Pump();
  EXPECT_EQ(l->ListBox()->HorzExtent(), 1);
  EXPECT_EQ(FirstInk(l->ListBox(), 0), before - 1);
  // Right arrow moves the bar by its small change.
  l->ListBox()->SetFocus();
  Press(VK_RIGHT);
  EXPECT_EQ(bar->Position(), 1 + bar->SmallChange());
  // Narrow items again: the bar goes and the shift is reset.
  l->Items()->Delete(1);
  Pump();
  EXPECT_EQ(l->HScrollBar(), nullptr);
  EXPECT_EQ(l->ListBox()->HorzExtent(), 0);
  EXPECT_EQ(l->ListBoxRect(), (TRect{2, 2, 118, 118}));
}

// With the main bar too, the horizontal bar carries the 19-pixel corner.
TEST_F(SkinListBox, BothBarsShareTheCorner) {
  TbsSkinListBox* l = Add(false);
  l->SetHorizontalExtent(true);
  Fill(l, 12, "A much longer item than the list is wide ");
  Pump();
  ASSERT_NE(l->ScrollBar(), nullptr);
  ASSERT_NE(l->HScrollBar(), nullptr);
  EXPECT_TRUE(l->HScrollBar()->Both());
  EXPECT_EQ(l->HScrollBar()->BothMarkerWidth(), 19);
  EXPECT_EQ(l->ScrollBar()->Height(), 120 - 1 - 18 - 1);
  EXPECT_EQ(l->ListBoxRect(), (TRect{2, 2, 100, 100}));
}

TEST_F(SkinListBox, OffsetAfterWidening) {
  struct {
    int32_t Offset, Widen, Expected;
  } cases[] = {{30, 20, 10}, {30, 50, 0}, {30, -20, 50}, {0, -20, 0}};
  TbsSkinListBox* l = Add(false);
  TbsListBox* list = l->ListBox();
  for (const auto& c : cases) {
    list->SetBounds(2, 2, 80, 80);
    list->SetHorzExtent(c.Offset);
    list->SetBounds(2, 2, 80 + c.Widen, 80);
    EXPECT_EQ(list->HorzExtent(), c.Expected) << c.Offset << " widened by " << c.Widen;
  }
}

TEST_F(SkinListBox, CaptionButtonsSitAtTheTopRight) {
  TbsSkinListBox* l = Add(false, TRect{10, 10, 210, 130});
  l->SetCaptionMode(true);
  l->SetCaption("Files");
  Pump();
  const int32_t W = 200;
  EXPECT_EQ(l->ButtonRect(0), (TRect{W - 19, 2, W - 2, 18}));
  EXPECT_EQ(l->ButtonRect(1), (TRect{W - 36, 2, W - 19, 18}));
  EXPECT_EQ(l->ButtonRect(2), (TRect{W - 53, 2, W - 36, 18}));
  EXPECT_EQ(l->ListBoxRect(), (TRect{2, 21, 198, 118}));
}

class SkinListBoxButtons : public SkinListBox {
 public:
  void SetUp() override {
    SkinListBox::SetUp();
    L = Add(false, TRect{10, 10, 210, 130});
    L->SetCaptionMode(true);
    Fill(L, 20);
    L->SetItemIndex(0);
    Pump();
  }
  TPoint Centre(int32_t i) const {
    const TRect r = L->ButtonRect(i);
    return TPoint{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
  }
  void Wait(int32_t Ms) {
    H().AdvanceClock(uint64_t(Ms));
    Pump();
  }
  TbsSkinListBox* L = nullptr;
};

// 500 ms before the repeat starts, then 100 ms steps; off the button the
// repeat pauses, back on it resumes 50 ms later; the release steps once more.
TEST_F(SkinListBoxButtons, HeldDownButtonRepeatsOnTheClock) {
  const TPoint down = Centre(1);
  Down(L, down.X, down.Y);
  struct {
    int32_t Ms;
    int32_t Index;
  } timeline[] = {{499, 0}, {1, 0}, {99, 0}, {1, 1}, {100, 2}, {100, 3}};
  for (const auto& t : timeline) {
    Wait(t.Ms);
    EXPECT_EQ(L->ItemIndex(), t.Index) << "after " << t.Ms;
  }
  MoveTo(L, 5, 60);
  Wait(500);
  EXPECT_EQ(L->ItemIndex(), 3);
  // Entering the frame resets the hot button; the next move finds it again.
  MoveTo(L, down.X, down.Y);
  MoveTo(L, down.X + 1, down.Y);
  Wait(49);
  EXPECT_EQ(L->ItemIndex(), 3);
  Wait(1);
  EXPECT_EQ(L->ItemIndex(), 4);
  Up(L, down.X, down.Y);
  EXPECT_EQ(L->ItemIndex(), 5);
  Wait(1000);
  EXPECT_EQ(L->ItemIndex(), 5);
}

TEST_F(SkinListBoxButtons, ReleaseAwayActsButRaisesNoEvent) {
  int32_t events = 0, clicks = 0;
  L->OnDownButtonClick = [&](TObject* Sender) {
    EXPECT_EQ(Sender, L);
    ++events;
  };
  L->OnListBoxClick = [&](TObject* Sender) {
    EXPECT_EQ(Sender, L);
    ++clicks;
  };
  struct {
    int32_t Button;
    bool Away;
    int32_t Index, Events, Clicks;
  } cases[] = {
      {1, false, 0, 1, 0},  // over the button with an event: only the event
      {1, true, 1, 1, 0},   // released away: the default action, no event
      {0, false, 0, 1, 0},  // up without an event: previous item
      {0, true, 0, 1, 0},   // at the first item nothing happens
      {2, true, 0, 1, 1},   // check: the list's click
  };
  for (const auto& c : cases) {
    const TPoint p = Centre(c.Button);
    Down(L, p.X, p.Y);
    if (c.Away) MoveTo(L, 5, 60);
    Up(L, c.Away ? 5 : p.X, c.Away ? 60 : p.Y);
    EXPECT_EQ(L->ItemIndex(), c.Index) << c.Button << (c.Away ? " away" : "");
    EXPECT_EQ(events, c.Events) << c.Button;
    EXPECT_EQ(clicks, c.Clicks) << c.Button;
  }
}

TEST_F(SkinListBox, ImagesByIndexAndAlignedTexts) {
  TbsSkinListBox* l = Add(false, TRect{10, 10, 130, 130});
  TImageList images(nullptr, 8, 8);
  const TColor colours[3] = {SkinKit::Rgb(255, 0, 0), SkinKit::Rgb(0, 160, 0), SkinKit::Rgb(0, 0, 255)};
  for (TColor c : colours) {
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf24bit);
    b.SetSize(8, 8);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect{0, 0, 8, 8});
    images.AddMasked(&b, clWhite);
  }
  l->SetImages(&images);
  for (int32_t i = 0; i < 5; ++i) l->Items()->Add("I");
  Pump();
  for (int32_t i = 0; i < 5; ++i) {
    for (int32_t k = 0; k < 3; ++k)
      EXPECT_EQ(FirstColumnOf(l->ListBox(), i, colours[k]), i == k ? 2 : -1) << "item " << i << " image " << k;
    // Text after the image's width + 2 whether or not an image was drawn.
    EXPECT_EQ(FirstInk(l->ListBox(), i), FirstInk(l->ListBox(), 0)) << i;
  }
  EXPECT_GT(FirstInk(l->ListBox(), 4), 2 + 8 + 2);
  l->SetImages(nullptr);
}

TEST_F(SkinListBox, TabStopsOfTheFrameApply) {
  TbsSkinListBox* l = Add(false);
  TStringList widths;
  for (const char* w : {"40", "x1", ""}) widths.Add(w);
  l->SetTabWidths(&widths);
  l->Items()->Add("\tI");
  Pump();
  const int32_t x = FirstInk(l->ListBox(), 0);
  EXPECT_GE(x, 40);
  EXPECT_LT(x, 46);
}

// An empty list paints only the background and answers for it.
TEST_F(SkinListBox, EmptyListAnswersPaintBackground) {
  for (bool skinned : {false, true}) {
    TbsSkinListBox* l = Add(skinned);
    TbsListBox* list = l->ListBox();
    const TRect all{0, 0, list->Width(), list->Height()};
    const int32_t area = all.Width() * all.Height();
    if (skinned)
      EXPECT_EQ(CountColor(list->Handle(), all, ListClient) + CountColor(list->Handle(), all, ListClientMark), area);
    else
      EXPECT_EQ(CountColor(list->Handle(), all, clWindow), area);
    TBitmap target;
    target.SetSize(all.Width(), all.Height());
    EXPECT_EQ(
        list->Perform(WM_SKIN_PAINTBACKGROUND, reinterpret_cast<WPARAM>(target.Canvas()->Handle()), bsSkinPaintAnswer),
        bsSkinPaintAnswer);
    EXPECT_EQ(target.Canvas()->Pixels(0, 0), skinned ? ListClientMark : Rgb(clWindow));
    EXPECT_EQ(list->Perform(WM_SKIN_PAINTBACKGROUND, 0, bsSkinPaintAnswer), bsSkinPaintAnswer);
    EXPECT_EQ(list->Perform(WM_SKIN_PAINTBACKGROUND, 0, 1), 0);
    l->Items()->Add("x");
    EXPECT_EQ(list->Perform(WM_SKIN_PAINTBACKGROUND, 0, bsSkinPaintAnswer), 0);
    delete l;
  }
}

TEST_F(SkinListBox, SortedFreesTheBarAndTheNextUpdateBringsItBack) {
  TbsSkinListBox* l = Add(false);
  for (int32_t i = 9; i >= 0; --i) l->Items()->Add("Item " + std::to_string(i));
  Pump();
  ASSERT_NE(l->ScrollBar(), nullptr);
  TComponentRef<TbsSkinScrollBar> old = l->ScrollBar();
  // The new window gets the items back, each an update that makes a new bar.
  l->SetSorted(true);
  EXPECT_FALSE(old.Assigned());
  Pump();
  ASSERT_NE(l->ScrollBar(), nullptr);
  EXPECT_EQ(l->ListBoxRect(), (TRect{2, 2, 100, 118}));
  EXPECT_EQ(l->Items()->Strings(0), "Item 0");
  EXPECT_EQ(l->Items()->Count(), 10);
}

// No description rows from an empty "itemrect": the rows stay 1 pixel high
// at least, and nothing divides by zero.
TEST_F(SkinListBox, EmptyItemRectPaintsWithoutACrash) {
  TbsSkinListBox* l = Add(true, TRect{10, 10, 130, 130}, "listboxnoitem");
  EXPECT_GE(l->ListBox()->ItemHeight(), 1);
  Fill(l, 30);
  l->SetHorizontalExtent(true);
  l->SetRowCount(3);
  l->Repaint();
  Pump();
  EXPECT_GE(l->CalcHeight(3), 1);
  l->UpdateScrollBars();
}

TEST_F(SkinListBox, ItemsGoThroughTheListWindow) {
  TbsSkinListBox* l = Add(false);
  TbsListBox* list = l->ListBox();
  std::vector<uint32_t> seen;
  TWndMethod old = list->WindowProc;
  list->WindowProc = [&](TMessage& M) {
    if (M.Msg == LB_ADDSTRING || M.Msg == LB_INSERTSTRING || M.Msg == LB_DELETESTRING || M.Msg == LB_RESETCONTENT)
      seen.push_back(M.Msg);
    old(M);
  };
  l->Items()->Add("a");
  l->Items()->Insert(0, "b");
  l->Items()->Delete(1);
  l->Items()->Clear();
  EXPECT_EQ(seen, (std::vector<uint32_t>{LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT}));
  list->WindowProc = old;
}

// Every input event of the list reaches the frame's events with the frame
// as sender.
TEST_F(SkinListBox, ListInputRaisesTheFramesEvents) {
  TbsSkinListBox* l = Add(false);
  Fill(l, 3);
  std::vector<String> log;
  l->OnListBoxMouseDown = [&](TObject* S, TMouseButton, TShiftState, int32_t, int32_t Y) {
    log.push_back(String(S == l ? "frame" : "other") + " down " + std::to_string(Y));
  };
  l->OnListBoxClick = [&](TObject* S) { log.push_back(String(S == l ? "frame" : "other") + " click"); };
  l->OnListBoxKeyDown = [&](TObject* S, uint16_t& Key, TShiftState) {
    log.push_back(String(S == l ? "frame" : "other") + " key " + std::to_string(Key));
  };
  ClickAt(l->ListBox(), 10, 25);
  Press(VK_DOWN);
  // The list's own processing selects (and clicks) before the mouse event.
  EXPECT_EQ(log, (std::vector<String>{"frame click", "frame down 25", "frame key 40", "frame click"}));
  EXPECT_EQ(l->ItemIndex(), 2);
}

}  // namespace

namespace {

// Plain and skinned lists with the caption bar, both bars and a selected,
// focused item, saved as a contact sheet.
TEST_F(SkinListBox, ContactSheet) {
  Form->SetBounds(50, 50, 330, 170);
  Form->SetColor(clWhite);
  for (bool skinned : {false, true}) {
    TbsSkinListBox* l = Add(skinned, skinned ? TRect{170, 10, 320, 160} : TRect{10, 10, 160, 160});
    l->SetCaptionMode(true);
    l->SetCaption(skinned ? "Skinned" : "Plain");
    l->SetHorizontalExtent(true);
    for (int32_t i = 0; i < 12; ++i) l->Items()->Add("Item " + std::to_string(i) + (i == 2 ? " with a long text" : ""));
    l->SetItemIndex(1);
    l->ListBox()->SetFocus();
    Pump();
    ASSERT_NE(l->ScrollBar(), nullptr);
    ASSERT_NE(l->HScrollBar(), nullptr);
    if (skinned) {
      EXPECT_EQ(l->ListBox()->ItemHeight(), ListItemHeight);
      EXPECT_EQ(Probe(l->ListBox(), 30, ListItemHeight + 2), ListFocusItem);
      EXPECT_EQ(Probe(l->ListBox(), 30, 2), ListItem);
      EXPECT_EQ(Probe(l, 2, 2), ListCaption);
    }
  }
  SaveSheet(Form.get(), "skinlistbox-sheet");
}

}  // namespace

namespace {

// 150 x 150 on the 100 x 60 kit frame: the list area is the client part
// grown by 50 and 90, the caption buttons follow the right edge, the bars
// take the kit's names and their own thickness.
TEST_F(SkinListBox, SkinnedLayoutBarsAndButtons) {
  TbsSkinListBox* l = Add(true, TRect{10, 10, 160, 160});
  l->SetCaptionMode(true);
  Fill(l, 12);
  Pump();
  EXPECT_EQ(l->ListBox()->ItemHeight(), ListItemHeight);
  EXPECT_EQ(l->ButtonRect(0), (TRect{134, 3, 146, 17}));
  EXPECT_EQ(l->ButtonRect(1), (TRect{120, 3, 132, 17}));
  EXPECT_EQ(l->ButtonRect(2), (TRect{106, 3, 118, 17}));
  TbsSkinScrollBar* bar = l->ScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->SkinDataName(), "vscrollbar");
  EXPECT_EQ((TRect{bar->Left(), bar->Top(), bar->Width(), bar->Height()}), (TRect{125, 20, 15, 120}));
  EXPECT_EQ(l->ListBoxRect(), (TRect{10, 20, 125, 140}));
  EXPECT_EQ(bar->PageSize(), 120 / ListItemHeight);
  // A hot caption button shows its hot image.
  MoveTo(l, 140, 10);
  MoveTo(l, 141, 10);
  EXPECT_EQ(Probe(l, 140, 10), ListButtonHot);
  l->SetHorizontalExtent(true);
  l->Items()->Add("An item far wider than this list can show at once");
  Pump();
  ASSERT_NE(l->HScrollBar(), nullptr);
  EXPECT_TRUE(l->HScrollBar()->Both());
  EXPECT_EQ(l->HScrollBar()->SkinDataName(), "bothhscrollbar");
  EXPECT_EQ(l->HScrollBar()->Top() + l->HScrollBar()->Height(), 140);
}

// Without the skin item height the rows keep DefaultItemHeight and the item
// pictures are stretched to them.
TEST_F(SkinListBox, StretchedItemPictures) {
  TbsSkinListBox* l = Add(true);
  l->SetUseSkinItemHeight(false);
  l->SetDefaultItemHeight(30);
  Fill(l, 3);
  l->SetItemIndex(1);
  Pump();
  EXPECT_EQ(l->ListBox()->ItemHeight(), 30);
  TbsListBox* list = l->ListBox();
  EXPECT_EQ(Probe(list, 1, 28), ListItemCap);
  EXPECT_EQ(Probe(list, 60, 28), ListItem);
  EXPECT_EQ(Probe(list, 60, 32), ListActiveItem);
  EXPECT_EQ(Probe(list, 60, 88), ListItem);
}

}  // namespace
