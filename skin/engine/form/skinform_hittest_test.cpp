#include <map>

#include "skin/engine/form/skinframe_testing.h"

namespace {

// The synthetic skin, masked and with a caption, on a 100 x 60 form at
// (40, 40): sized client (5, 20, 95, 58); the left-bottom hit-test point
// (3, 57) lies off the left-bottom corner point (5, 58).
class SkinHitTestTest : public SkinFrameTest {
 public:
  void Start(bool Masked, int32_t BorderWidth) {
    LoadSyntheticSkin(false, Masked);
    TbsSkinFormInfo& fi = Skin->FormInfo;
    fi.BorderWidth = BorderWidth;
    fi.HitTestLeftTopPoint = TPoint{5, 5};
    fi.HitTestRightTopPoint = TPoint{35, 5};
    fi.HitTestLeftBottomPoint = TPoint{3, 27};
    fi.HitTestRightBottomPoint = TPoint{35, 28};
    auto caption = std::make_unique<TbsDataSkinCaption>("caption");
    caption->SkinRect = TRect{5, 2, 35, 18};
    Skin->SkinObjects.push_back(std::move(caption));
    SF->ChangeSkinData();
    Form->SetBounds(40, 40, 100, 60);
    ShowActive();
    Frame();
  }
  LRESULT Hit(int32_t X, int32_t Y) {
    const TRect w = Form->BoundsRect();
    return SendMessage(Form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(w.Left + X, w.Top + Y));
  }
  struct TCase {
    int32_t X, Y;
    LRESULT Code;
  };
  void Expect(std::initializer_list<TCase> Cases) {
    for (const TCase& c : Cases) EXPECT_EQ(Hit(c.X, c.Y), c.Code) << c.X << "," << c.Y;
  }
};

TEST_F(SkinHitTestTest, MaskedFrameAnswersEachSizingCodeFromTheHitTestPoints) {
  Start(true, 3);
  Expect({{1, 1, HTTOPLEFT},
          {50, 1, HTTOP},
          {98, 1, HTTOPRIGHT},
          {1, 40, HTLEFT},
          {98, 40, HTRIGHT},
          {50, 58, HTBOTTOM},
          {98, 59, HTBOTTOMRIGHT},
          // The left-bottom corner follows the hit-test point (3, 57), not
          // the corner point (5, 58), in both directions.
          {2, 57, HTBOTTOMLEFT},
          {4, 59, HTBOTTOM},
          {50, 40, HTCLIENT},
          {50, 10, HTCAPTION},
          {50, 19, HTOBJECT},  // the frame between caption and client
          {94, 57, HTCLIENT},  // the client's right and bottom edges are outside it
          {95, 40, HTOBJECT}});
}

// With a 2-pixel border the cut corner's probes leave the mask at (4, 2);
// without a mask the same point lies inside the window's probes.
TEST_F(SkinHitTestTest, TheMaskDecidesTheBorderAroundACutCorner) {
  Start(true, 2);
  EXPECT_EQ(Hit(4, 2), HTTOPLEFT);
  EXPECT_EQ(Hit(8, 3), HTCAPTION);
  Start(false, 2);
  EXPECT_EQ(Hit(4, 2), HTOBJECT);
}

TEST_F(SkinHitTestTest, UnmaskedFrameSizesWithinBorderWidthOfTheWindowEdge) {
  Start(false, 3);
  Expect({{2, 40, HTLEFT},
          {3, 40, HTOBJECT},
          {97, 40, HTRIGHT},
          {96, 40, HTOBJECT},
          {50, 2, HTTOP},
          {1, 59, HTBOTTOMLEFT}});
}

TEST_F(SkinHitTestTest, MaximisedOrRolledUpFramesDoNotSize) {
  Start(true, 3);
  SF->SetWindowState(2);
  Pump();
  Frame();
  EXPECT_EQ(Hit(1, 40), HTOBJECT);
  SF->SetWindowState(0);
  Pump();
  SF->SetRollUpState(true);
  Pump();
  Expect({{1, 1, HTOBJECT}, {50, 10, HTCAPTION}, {50, 21, HTOBJECT}});
}

TEST_F(SkinHitTestTest, PlainFrameSizesAtTwoPixelEdgesAndCorners) {
  Form->SetBounds(40, 40, 200, 100);
  ShowActive();
  Frame();
  Expect({{0, 0, HTTOPLEFT},
          {2, 2, HTTOPLEFT},
          {198, 1, HTTOPRIGHT},
          {1, 98, HTBOTTOMLEFT},
          {199, 99, HTBOTTOMRIGHT},
          {2, 50, HTLEFT},
          {3, 50, HTCLIENT},
          {100, 2, HTTOP},
          {198, 50, HTRIGHT},
          {197, 50, HTOBJECT},
          {100, 98, HTBOTTOM},
          {60, 10, HTCAPTION},
          {100, 60, HTCLIENT}});
  Form->SetBorderStyle(TBorderStyle::bsSingle);
  Pump();
  Frame();
  EXPECT_EQ(Hit(0, 50), HTOBJECT);
}

TEST_F(SkinHitTestTest, SkinCaptionButtonsAnswerObject) {
  LoadSkin9();
  ShowActive();
  Frame();
  for (int32_t i = 0; i < SF->ObjectCount(); ++i) {
    TbsActiveSkinObject* o = SF->Objects(i);
    if (dynamic_cast<TbsSkinStdButtonObject*>(o) == nullptr || !o->FVisible) continue;
    const TPoint c{(o->FBounds.Left + o->FBounds.Right) / 2, (o->FBounds.Top + o->FBounds.Bottom) / 2};
    EXPECT_EQ(Hit(c.X, c.Y), HTOBJECT) << o->FSectionName;
  }
}

TEST_F(SkinHitTestTest, MaskReadsOutsideTheStripsAreNotInside) {
  Start(true, 3);
  for (TPoint p : {TPoint{-5, 10}, TPoint{500, 10}, TPoint{10, -3}, TPoint{10, 900}, TPoint{-1, 30}, TPoint{300, 30}})
    EXPECT_FALSE(SF->PointInMask(p)) << p.X << "," << p.Y;
  EXPECT_TRUE(SF->PointInMask(TPoint{50, 30}));
  EXPECT_TRUE(SF->PointInMask(TPoint{4, 4}));
  EXPECT_FALSE(SF->PointInMask(TPoint{1, 1}));
}

}  // namespace

namespace {

// A picture to look at: skin 9's frame with each hit-test zone tinted by
// its code.
TEST_F(SkinHitTestTest, Skin9HitZonesPicture) {
  LoadSkin9();
  Form->SetBounds(40, 40, 400, 260);
  ShowActive();
  auto f = Frame();
  const std::map<LRESULT, TColor> tint = {{HTCLIENT, 0x808080},     {HTCAPTION, 0xFF8000},    {HTOBJECT, 0x00C000},
                                          {HTLEFT, 0x0000FF},       {HTRIGHT, 0x0000FF},      {HTTOP, 0x00FFFF},
                                          {HTBOTTOM, 0x00FFFF},     {HTTOPLEFT, 0xFF00FF},    {HTTOPRIGHT, 0xFF00FF},
                                          {HTBOTTOMLEFT, 0xFF00FF}, {HTBOTTOMRIGHT, 0xFF00FF}};
  std::map<LRESULT, int> seen;
  for (int y = 0; y < f->Height(); ++y)
    for (int x = 0; x < f->Width(); ++x) {
      const LRESULT code = Hit(x, y);
      ++seen[code];
      auto t = tint.find(code);
      if (t == tint.end()) continue;
      const TColor p = PixelAt(f.get(), x, y);
      f->Canvas()->SetPixels(x, y,
                             RGB((GetRValue(p) + GetRValue(t->second)) / 2, (GetGValue(p) + GetGValue(t->second)) / 2,
                                 (GetBValue(p) + GetBValue(t->second)) / 2));
    }
  Save(f.get(), "skin9-hit-zones.png");
  for (LRESULT code : {HTCLIENT, HTCAPTION, HTOBJECT, HTLEFT, HTRIGHT, HTTOP, HTBOTTOM, HTTOPLEFT, HTTOPRIGHT,
                       HTBOTTOMLEFT, HTBOTTOMRIGHT})
    EXPECT_GT(seen[code], 0) << code;
}

}  // namespace
