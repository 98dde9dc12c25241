#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/win_scrollbars.h"
#include "platform/vcl/speedctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

class StdSpeedButton : public TStdTest {
 public:
  TSpeedButton* Make(int32_t X, int32_t Group = 0) {
    auto* b = new TSpeedButton(Form.get());
    b->SetParent(Form.get());
    b->SetBounds(X, 10, 40, 30);
    b->SetGroupIndex(Group);
    b->OnClick = [this, b](TObject*) { Clicks.push_back(b); };
    return b;
  }
  void Press(TControl* C, int32_t X, int32_t Y) {
    Clock().Advance(GetDoubleClickTime() + 1);
    TPoint p = At(C, X, Y);
    H().MouseDown(p.X, p.Y);
    Pump();
  }
  void Release(TControl* C, int32_t X, int32_t Y) {
    TPoint p = At(C, X, Y);
    H().MouseMove(p.X, p.Y);
    H().MouseUp(p.X, p.Y);
    Pump();
  }
  // A form pixel at a point of the button.
  TColor At_(TControl* C, int32_t X, int32_t Y) { return PixelOf(Form->Handle(), C->Left() + X, C->Top() + Y); }
  // A strip of Count 6 x 6 images in the given colours on a magenta ground
  // (the bottom-left pixel), each with a 4 x 4 square in the middle.
  static std::unique_ptr<TBitmap> Strip(std::vector<TColor> Colors) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(TPixelFormat::pf24bit);
    b->SetSize(6 * int32_t(Colors.size()), 6);
    b->Canvas()->Brush()->SetColor(TColor(RGB(255, 0, 255)));
    b->Canvas()->FillRect(TRect{0, 0, b->Width(), 6});
    for (size_t i = 0; i < Colors.size(); ++i) {
      b->Canvas()->Brush()->SetColor(Colors[i]);
      b->Canvas()->FillRect(TRect{int32_t(i) * 6 + 1, 1, int32_t(i) * 6 + 5, 5});
    }
    return b;
  }
  std::vector<TSpeedButton*> Clicks;
};

TEST_F(StdSpeedButton, ClickOnReleaseInsideAndThePushedLook) {
  TSpeedButton* b = Make(10);
  ShowForm();
  const TColor up = At_(b, 0, 0);
  Press(b, 5, 5);
  EXPECT_EQ(b->State(), TSpeedButtonState::bsDown);
  EXPECT_NE(At_(b, 0, 0), up) << "sunken frame";
  EXPECT_EQ(At_(b, 0, 0), Rgb(clBtnShadow));
  Release(b, 100, 100);  // outside: no click
  EXPECT_TRUE(Clicks.empty());
  EXPECT_EQ(b->State(), TSpeedButtonState::bsUp);
  EXPECT_EQ(At_(b, 0, 0), up);
  Press(b, 5, 5);
  Release(b, 6, 6);
  EXPECT_EQ(Clicks, (std::vector<TSpeedButton*>{b}));
  b->SetDown(true);
  EXPECT_FALSE(b->Down()) << "no group: never latched";
}

TEST_F(StdSpeedButton, GroupIsExclusivePerParentAndAllowAllUpIsShared) {
  TSpeedButton* a = Make(10, 1);
  TSpeedButton* b = Make(60, 1);
  TSpeedButton* other = Make(110, 2);
  other->SetDown(true);
  ShowForm();
  struct TStep {
    TSpeedButton* Clicked;
    bool ADown, BDown;
  };
  const TStep steps[] = {{a, true, false}, {b, false, true}, {b, false, true} /* the last one stays */};
  for (const TStep& s : steps) {
    Press(s.Clicked, 5, 5);
    Release(s.Clicked, 5, 5);
    EXPECT_EQ(a->Down(), s.ADown);
    EXPECT_EQ(b->Down(), s.BDown);
  }
  EXPECT_TRUE(other->Down()) << "another group";
  EXPECT_EQ(Clicks.size(), 3u);
  a->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp());
  Press(b, 5, 5);
  Release(b, 5, 5);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->State(), TSpeedButtonState::bsUp);
  a->SetDown(true);
  EXPECT_EQ(a->State(), TSpeedButtonState::bsExclusive);
  Pump();
  // The latched look: a checker of face and highlight inside the frame.
  EXPECT_NE(At_(a, 3, 3), At_(a, 4, 3));
}

TEST_F(StdSpeedButton, AcceleratorClicksLikeARelease) {
  TSpeedButton* save = Make(10);
  save->SetCaption("&Save");
  TSpeedButton* lock = Make(60, 3);
  lock->SetCaption("&Lock");
  TSpeedButton* gone = Make(110);
  gone->SetCaption("&Gone");
  gone->SetEnabled(false);
  TSpeedButton* plain = Make(160);
  plain->SetCaption("Plain");
  ShowForm();
  struct TCase {
    uint32_t Key;
    TSpeedButton* Clicked;
  } cases[] = {{'S', save}, {'L', lock}, {'G', nullptr}, {'P', nullptr}};
  for (const TCase& c : cases) {
    Clicks.clear();
    TStdTest::Press(c.Key, hkAlt);
    EXPECT_EQ(Clicks, c.Clicked ? std::vector<TSpeedButton*>{c.Clicked} : std::vector<TSpeedButton*>{}) << char(c.Key);
  }
  EXPECT_TRUE(lock->Down()) << "a grouped button latches as on a release";
  EXPECT_FALSE(save->Down());
}

TEST_F(StdSpeedButton, GlyphStripStatesAndCentredLayout) {
  TSpeedButton* b = Make(10);
  auto strip = Strip({TColor(RGB(255, 0, 0)), TColor(RGB(0, 0, 255))});
  b->SetGlyph(strip.get());
  EXPECT_EQ(b->NumGlyphs(), 2);
  ShowForm();
  // 6 x 6 glyph centred in 40 x 30: at (17, 12).
  EXPECT_EQ(At_(b, 19, 14), TColor(RGB(255, 0, 0)));
  EXPECT_EQ(At_(b, 17, 12), Rgb(clBtnFace)) << "magenta is transparent";
  b->SetEnabled(false);
  Pump();
  EXPECT_EQ(At_(b, 19, 14), TColor(RGB(0, 0, 255))) << "the disabled image";
  b->SetNumGlyphs(1);  // now one 12 x 6 image at (14, 12)
  Pump();
  EXPECT_EQ(At_(b, 16, 14), Rgb(clBtnShadow)) << "the first image greyed";
  EXPECT_EQ(At_(b, 19, 17), Rgb(clBtnHighlight)) << "its light copy one pixel down-right";
  EXPECT_EQ(At_(b, 22, 14), Rgb(clBtnShadow)) << "the blue square belongs to the one image";
  b->SetEnabled(true);
  b->SetNumGlyphs(2);

  // Margin -1 centres glyph, spacing and caption as one block.
  b->SetCaption("W");
  b->SetWidth(80);
  Pump();
  Form->Canvas()->Font()->Assign(b->Font());
  const int32_t tw = Form->Canvas()->TextWidth("W");
  const int32_t left = (80 - (6 + 4 + tw) + 1) / 2;
  int32_t firstRed = -1;
  for (int32_t x = 0; x < 80 && firstRed < 0; ++x)
    if (At_(b, x, 14) == TColor(RGB(255, 0, 0))) firstRed = x;
  EXPECT_NEAR(firstRed, left + 1, 1) << "the glyph's square starts one pixel in";
  b->SetLayout(TButtonLayout::blGlyphRight);
  b->SetMargin(5);
  Pump();
  EXPECT_EQ(At_(b, 80 - 5 - 3, 14), TColor(RGB(255, 0, 0)));
}

TEST_F(StdSpeedButton, FlatShowsAFrameOnlyUnderThePointer) {
  TSpeedButton* b = Make(10);
  b->SetFlat(true);
  ShowForm();
  EXPECT_EQ(At_(b, 0, 0), Rgb(clBtnFace));
  MoveTo(b, 10, 10);
  EXPECT_TRUE(b->MouseInControl());
  EXPECT_EQ(At_(b, 0, 0), Rgb(clBtnHighlight));
  EXPECT_EQ(At_(b, 39, 29), Rgb(clBtnShadow));
  MoveTo(Form.get(), 300, 200);
  EXPECT_FALSE(b->MouseInControl());
  EXPECT_EQ(At_(b, 0, 0), Rgb(clBtnFace));
}

// ================================================================================
// Splitter
// ================================================================================

class StdSplitter : public TStdTest {
 public:
  // A 100-pixel neighbour aligned Side, then the splitter beside it.
  void Build(TAlign Side) {
    Side_ = Side;
    Neighbour = new TCustomControl(Form.get());
    Neighbour->SetParent(Form.get());
    const bool horz = Side == TAlign::alLeft || Side == TAlign::alRight;
    Neighbour->SetBounds(Side == TAlign::alRight ? 220 : 0, Side == TAlign::alBottom ? 140 : 0, horz ? 100 : 320,
                         horz ? 240 : 100);
    Neighbour->SetAlign(Side);
    Split = new TSplitter(Form.get());
    Split->SetAlign(Side);
    Split->SetParent(Form.get());
    Split->SetBounds(Side == TAlign::alRight ? 210 : 150, Side == TAlign::alBottom ? 130 : 150, 3, 3);
    Split->SetAlign(Side);
    Split->OnMoved = [this](TObject*) { ++Moves; };
  }
  int32_t Size() const {
    return Side_ == TAlign::alLeft || Side_ == TAlign::alRight ? Neighbour->Width() : Neighbour->Height();
  }
  // Drags from the splitter's middle by (DX, DY) in Steps moves.
  void Drag(int32_t DX, int32_t DY, int32_t Steps = 2) {
    const TPoint from = At(Split, Split->Width() / 2, Split->Height() / 2);
    H().MouseDown(from.X, from.Y);
    Pump();
    for (int32_t i = 1; i <= Steps; ++i) {
      H().MouseMove(from.X + DX * i / Steps, from.Y + DY * i / Steps);
      Pump();
    }
    H().MouseUp(from.X + DX, from.Y + DY);
    Pump();
  }
  TAlign Side_ = TAlign::alLeft;
  TCustomControl* Neighbour = nullptr;
  TSplitter* Split = nullptr;
  int Moves = 0;
};

TEST_F(StdSplitter, DragKeepsMinSizeOnBothSidesAndSnaps) {
  Build(TAlign::alLeft);
  ShowForm();
  EXPECT_EQ(Split->Left(), 100);
  EXPECT_EQ(Split->Cursor(), crHSplit);
  struct TCase {
    bool AutoSnap;
    int32_t DX;
    int32_t Width;
  } cases[] = {
      {true, 20, 120},  {true, -90, 0},    // below MinSize: snaps shut
      {false, -90, 30}, {true, 500, 287},  // the rest keeps 30: 320 - 287 - 3
      {true, -65, 35},
  };
  for (const TCase& c : cases) {
    Neighbour->SetWidth(100);
    Pump();
    Moves = 0;
    Split->SetAutoSnap(c.AutoSnap);
    Drag(c.DX, 0);
    EXPECT_EQ(Neighbour->Width(), c.Width) << c.DX;
    EXPECT_EQ(Moves, 1) << c.DX;
    EXPECT_EQ(Split->Left(), c.Width) << "the splitter follows its neighbour";
  }
}

TEST_F(StdSplitter, PatternBarIsErasedAndOnMovedFiresOnce) {
  Build(TAlign::alLeft);
  ShowForm();
  std::unique_ptr<TBitmap> before = WindowPixels(Form->Handle(), false);
  const TPoint from = At(Split, 1, 100);
  H().MouseDown(from.X, from.Y);
  Pump();
  for (int32_t dx : {10, 25, 40}) {
    H().MouseMove(from.X + dx, from.Y);
    Pump();
  }
  // The bar shows at the split, the earlier ones are gone.
  std::unique_ptr<TBitmap> during = WindowPixels(Form->Handle(), false);
  int32_t changedAt140 = 0, changedElsewhere = 0;
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 103; x < 320; ++x) {
      const bool changed = during->Canvas()->Pixels(x, y) != before->Canvas()->Pixels(x, y);
      if (x >= 140 && x < 143)
        changedAt140 += changed;
      else
        changedElsewhere += changed;
    }
  EXPECT_GT(changedAt140, 3 * 240 / 3);
  EXPECT_EQ(changedElsewhere, 0);
  EXPECT_EQ(Moves, 0);
  EXPECT_EQ(Neighbour->Width(), 100) << "rsPattern resizes on release";
  H().MouseUp(from.X + 40, from.Y);
  Pump();
  EXPECT_EQ(Moves, 1);
  EXPECT_EQ(Neighbour->Width(), 140);
  // Right of the moved splitter the parent shows as before: nothing left behind.
  std::unique_ptr<TBitmap> after = WindowPixels(Form->Handle(), false);
  int32_t stale = 0;
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 143; x < 320; ++x) stale += after->Canvas()->Pixels(x, y) != before->Canvas()->Pixels(x, y);
  EXPECT_EQ(stale, 0);
}

TEST_F(StdSplitter, OtherSidesLiveUpdateAndCanResize) {
  Build(TAlign::alBottom);
  Split->SetResizeStyle(TResizeStyle::rsUpdate);
  std::vector<int32_t> asked;
  bool accept = true;
  Split->OnCanResize = [&](TObject*, int32_t& NewSize, bool& Accept) {
    asked.push_back(NewSize);
    Accept = accept;
  };
  ShowForm();
  EXPECT_EQ(Split->Cursor(), crVSplit);
  EXPECT_EQ(Split->Top(), 137);
  const TPoint from = At(Split, 50, 1);
  H().MouseDown(from.X, from.Y);
  Pump();
  H().MouseMove(from.X, from.Y - 20);
  Pump();
  EXPECT_EQ(Neighbour->Height(), 120) << "live";
  EXPECT_EQ(Moves, 0);
  accept = false;
  H().MouseMove(from.X, from.Y - 50);
  Pump();
  EXPECT_EQ(Neighbour->Height(), 120) << "refused";
  H().MouseUp(from.X, from.Y - 50);
  Pump();
  EXPECT_EQ(Neighbour->Height(), 120);
  EXPECT_EQ(Neighbour->Top(), 120);
  EXPECT_EQ(Moves, 1);
  EXPECT_EQ(asked, (std::vector<int32_t>{120, 150}));
}

TEST_F(StdSplitter, EscapeCancelsTheDrag) {
  Build(TAlign::alLeft);
  auto* edit = new TEdit(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(200, 10, 80, 21);
  ShowForm();
  std::unique_ptr<TBitmap> before = WindowPixels(Form->Handle(), false);
  for (TResizeStyle style : {TResizeStyle::rsPattern, TResizeStyle::rsUpdate, TResizeStyle::rsNone}) {
    Split->SetResizeStyle(style);
    edit->SetFocus();
    Pump();
    Moves = 0;
    const TPoint from = At(Split, 1, 100);
    H().MouseDown(from.X, from.Y);
    Pump();
    H().MouseMove(from.X + 40, from.Y);
    Pump();
    H().KeyDown(VK_ESCAPE);
    H().KeyUp(VK_ESCAPE);
    Pump();
    EXPECT_EQ(Neighbour->Width(), 100) << int(style);
    H().MouseMove(from.X + 60, from.Y);
    Pump();
    H().MouseUp(from.X + 60, from.Y);
    Pump();
    EXPECT_EQ(Neighbour->Width(), 100) << int(style) << ": the release after Escape does nothing";
    EXPECT_EQ(Moves, 0) << int(style);
    EXPECT_EQ(edit->Text(), "") << "the key went no further";
    std::unique_ptr<TBitmap> after = WindowPixels(Form->Handle(), false);
    int32_t changed = 0;
    for (int32_t y = 0; y < 240; ++y)
      for (int32_t x = 0; x < 190; ++x) changed += after->Canvas()->Pixels(x, y) != before->Canvas()->Pixels(x, y);
    EXPECT_EQ(changed, 0) << int(style) << ": no bar left behind";
  }
  // The hook is gone: a later drag completes as usual.
  Drag(20, 0);
  EXPECT_EQ(Neighbour->Width(), 120);
  EXPECT_EQ(Moves, 1);
}

// ================================================================================
// Scroll box
// ================================================================================

class StdScrollBox : public TStdTest {};

TEST_F(StdScrollBox, BorderStyleGivesASunkenEdgeAndChildrenScroll) {
  auto* box = new TScrollBox(Form.get());
  box->SetParent(Form.get());
  box->SetBounds(10, 10, 200, 100);
  auto* child = new TCustomControl(Form.get());
  child->SetParent(box);
  child->SetBounds(0, 250, 50, 50);
  ShowForm();
  EXPECT_NE(GetWindowLong(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  const int32_t bar = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(box->ClientRect(), (TRect{0, 0, 200 - 4 - bar, 100 - 4}));
  EXPECT_EQ(PixelOf(box->Handle(), -2, -2), TColor(-1)) << "client only";
  std::unique_ptr<TBitmap> frame = WindowPixels(box->Handle(), true);
  EXPECT_EQ(frame->Canvas()->Pixels(0, 50), Rgb(clBtnShadow)) << "sunken outer edge";
  EXPECT_EQ(frame->Canvas()->Pixels(199, 50), Rgb(clBtnHighlight));
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  ASSERT_TRUE(GetScrollInfo(box->Handle(), SB_VERT, &si));
  EXPECT_EQ(si.nMax + 1, 300) << "the content's extent";
  EXPECT_EQ(si.nPage, 96u);

  box->SetBorderStyle(TBorderStyle::bsNone);
  EXPECT_EQ(GetWindowLong(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(box->ClientRect(), (TRect{0, 0, 200 - bar, 100}));
  EXPECT_EQ(child->Parent(), box) << "children survive the re-creation";
}

}  // namespace
