#include <gtest/gtest.h>

#include <vector>

#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/rtl/clock.h"

namespace {

using MI = TIEMouseInteractItems;

class ImgViewMouse : public TImgViewTest {
 public:
  TImgView* Shown(int32_t ClientW, int32_t ClientH, int32_t W, int32_t H, TIEMouseInteract Interact) {
    TImgView* view = MakeView(ClientW, ClientH);
    SetImage(view, W, H);
    view->SetMouseInteract(Interact);
    ShowForm();
    return view;
  }
  void Down(TImgView* V, int32_t X, int32_t Y) {
    const TPoint p = At(V, X, Y);
    H().MouseDown(p.X, p.Y);
    Pump();
  }
  void Up(TImgView* V, int32_t X, int32_t Y) {
    const TPoint p = At(V, X, Y);
    H().MouseUp(p.X, p.Y);
    Pump();
  }
  void Drag(TImgView* V, std::initializer_list<TPoint> Path) {
    const TPoint* p = Path.begin();
    Clock().Advance(GetDoubleClickTime() + 1);
    Down(V, p->X, p->Y);
    for (++p; p != Path.end(); ++p) MoveTo(V, p->X, p->Y);
    Up(V, (Path.end() - 1)->X, (Path.end() - 1)->Y);
  }
};

TEST_F(ImgViewMouse, InteractionRulesTrimInOrder) {
  struct TCase {
    const char* Name;
    TIEMouseInteract Current, Value, Expected;
  };
  const TCase cases[] = {
      {"select and select-zoom together keep select", {}, {MI::miSelect, MI::miSelectZoom}, {MI::miSelect}},
      {"scroll new keeps zoom", {}, {MI::miZoom, MI::miScroll, MI::miSelect}, {MI::miZoom, MI::miScroll}},
      {"polygon new",
       {MI::miSelect},
       {MI::miSelect, MI::miSelectPolygon, MI::miZoom},
       {MI::miZoom, MI::miSelectPolygon}},
      {"circle before lasso", {}, {MI::miSelectCircle, MI::miSelectLasso}, {MI::miSelectCircle}},
      {"lasso new", {MI::miSelectCircle}, {MI::miSelectCircle, MI::miSelectLasso}, {MI::miSelectLasso}},
      {"select-zoom new", {MI::miSelect}, {MI::miSelect, MI::miSelectZoom}, {MI::miSelectZoom}},
      {"zoom new drops wand and layers", {}, {MI::miZoom, MI::miSelectMagicWand, MI::miMoveLayers}, {MI::miZoom}},
      {"wand new stands alone", {MI::miZoom}, {MI::miZoom, MI::miSelectMagicWand}, {MI::miSelectMagicWand}},
      {"layers present keep only layers",
       {MI::miZoom, MI::miScroll},
       {MI::miZoom, MI::miScroll, MI::miMoveLayers},
       {MI::miMoveLayers}},
      {"select new wins over layers",
       {MI::miMoveLayers},
       {MI::miMoveLayers, MI::miResizeLayers, MI::miSelect},
       {MI::miSelect}},
      {"old items untouched", {MI::miZoom, MI::miScroll}, {MI::miScroll}, {MI::miScroll}},
  };
  TImgView* view = MakeView(50, 50);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    view->FMouseInteract = c.Current;
    view->SetMouseInteract(c.Value);
    EXPECT_EQ(view->MouseInteract(), c.Expected);
  }
}

TEST_F(ImgViewMouse, ClickZoomSteps) {
  TImgView* view = Shown(200, 200, 1000, 1000, {MI::miZoom});
  struct TCase {
    double From;
    TRawButton Button;
    double To;
  };
  const TCase cases[] = {{75, TRawButton::Left, 100},   {100, TRawButton::Left, 200},  {33, TRawButton::Left, 50},
                         {250, TRawButton::Right, 150}, {150, TRawButton::Right, 100}, {40, TRawButton::Right, 33},
                         {2, TRawButton::Right, 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.From);
    view->SetZoom(c.From);
    ClickAt(view, 100, 100, c.Button);
    EXPECT_EQ(view->Zoom(), c.To);
  }
  double asked = 0;
  view->OnZoomIn = [&](TObject*, double& Z) {
    asked = Z;
    Z = 300;
  };
  view->SetZoom(100);
  ClickAt(view, 100, 100);
  EXPECT_EQ(asked, 200);
  EXPECT_EQ(view->Zoom(), 300) << "OnZoomIn decides";

  TImgView* empty = Shown(100, 100, 1, 1, {MI::miZoom});
  ClickAt(empty, 50, 50);
  EXPECT_EQ(empty->Zoom(), 100) << "an empty image is not zoomed";
}

TEST_F(ImgViewMouse, WheelZoomsOrScrolls) {
  TImgView* view = Shown(100, 100, 400, 400, {MI::miScroll});
  view->SetFocus();
  const auto wheel = [&](int32_t Delta) {
    const TPoint p = At(view, 50, 50);
    H().Wheel(p.X, p.Y, Delta);
    Pump();
  };
  struct TCase {
    const char* Name;
    TIEMouseWheelAction Action;
    TIEMouseWheelVariation Variation;
    bool Invert;
    double From;
    int32_t Delta;
    double To;
  };
  using A = TIEMouseWheelAction;
  using V = TIEMouseWheelVariation;
  const TCase cases[] = {
      {"toward the user zooms in", A::iemwZoom, V::iemwPercentage, false, 100, -120, 108},
      {"away zooms out", A::iemwZoom, V::iemwPercentage, false, 100, 120, 92},
      {"percent of 50", A::iemwZoom, V::iemwPercentage, false, 50, -120, 54},
      {"at least 1", A::iemwZoom, V::iemwPercentage, false, 5, -120, 6},
      {"absolute", A::iemwZoom, V::iemwAbsolute, false, 50, -120, 58},
      {"inverted", A::iemwZoom, V::iemwPercentage, true, 100, -120, 92},
      {"action none", A::iemwNone, V::iemwPercentage, false, 100, -120, 100},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    view->WheelParams.Action = c.Action;
    view->WheelParams.Variation = c.Variation;
    view->WheelParams.InvertDirection = c.Invert;
    view->SetZoom(c.From);
    wheel(c.Delta);
    EXPECT_EQ(view->Zoom(), c.To);
  }
  view->WheelParams = TIEMouseWheelParams();
  view->WheelParams.Action = TIEMouseWheelAction::iemwScroll;
  view->SetZoom(100);
  view->SetViewOrigin(0, 0);
  wheel(-120);
  EXPECT_EQ(view->ViewOriginY(), 8) << "8 % of the view height down";
  EXPECT_EQ(view->ViewOriginX(), 0);
  view->WheelParams.Variation = TIEMouseWheelVariation::iemwAbsolute;
  view->SetZoom(300);
  view->SetViewOrigin(0, 0);
  wheel(-120);
  EXPECT_EQ(view->ViewOriginY(), 24) << "Value x Trunc(ZoomFactor)";
  view->SetAutoFit(true);
  const double fitted = view->Zoom();
  view->WheelParams.Action = TIEMouseWheelAction::iemwZoom;
  wheel(-120);
  EXPECT_EQ(view->Zoom(), fitted) << "nothing while AutoFit is on";
}

TEST_F(ImgViewMouse, ScrollDragReleasedOutsideSetsTheFinalOrigin) {
  TImgView* view = Shown(100, 100, 400, 400, {MI::miScroll});
  view->HasOwner = true;
  Down(view, 50, 50);
  EXPECT_EQ(view->ShownCursor, 1782);
  MoveTo(view, 30, 35);
  EXPECT_EQ(view->ViewOriginX(), 20);
  EXPECT_EQ(view->ViewOriginY(), 15);
  MoveTo(view, -20, -10);
  Up(view, -20, -10);
  EXPECT_EQ(view->ViewOriginX(), 70);
  EXPECT_EQ(view->ViewOriginY(), 60);
  EXPECT_EQ(view->ShownCursor, crDefault) << "the configured cursor returns";
}

TEST_F(ImgViewMouse, RectangleDragSelectsOnce) {
  TImgView* view = Shown(100, 100, 100, 100, {MI::miSelect});
  int32_t changes = 0, changing = 0;
  view->OnSelectionChange = [&](TObject*) { ++changes; };
  view->OnSelectionChanging = [&](TObject*) { ++changing; };
  Drag(view, {{10, 10}, {20, 15}, {40, 30}});
  EXPECT_EQ(changes, 1);
  EXPECT_GE(changing, 2);
  EXPECT_TRUE(view->HasSelection());
  EXPECT_FALSE(view->RectSelecting);
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(25, 20));
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(10, 10));
  EXPECT_FALSE(view->SelectionMask()->IsPointInside(50, 20));
  EXPECT_EQ(view->SelectionBase, TIESelectionBase::iesbClientArea) << "restored";

  // A click without a move clears it.
  ClickAt(view, 80, 80);
  EXPECT_FALSE(view->HasSelection());
  EXPECT_EQ(changes, 2);
}

TEST_F(ImgViewMouse, PolygonClosedByDoubleClick) {
  TImgView* view = Shown(100, 100, 100, 100, {MI::miSelectPolygon});
  int32_t changes = 0;
  view->OnSelectionChange = [&](TObject*) { ++changes; };
  ClickAt(view, 10, 10);
  ClickAt(view, 60, 10);
  EXPECT_TRUE(view->PolygonSelecting);
  MoveTo(view, 40, 50);
  EXPECT_EQ(view->LastMouseX, 40) << "the rubber band follows";
  Clock().Advance(GetDoubleClickTime() + 1);
  const TPoint p = At(view, 40, 50);
  H().DoubleClick(p.X, p.Y);
  Pump();
  EXPECT_FALSE(view->PolygonSelecting);
  EXPECT_EQ(view->GetSelectionPointCount(), 3);
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(40, 20));
  EXPECT_FALSE(view->SelectionMask()->IsPointInside(15, 40));
  EXPECT_EQ(changes, 1);
}

TEST_F(ImgViewMouse, LayerDragNotifiesMovesThenTheEnd) {
  TImgView* view = MakeView(100, 100);
  SetImage(view, 100, 100);
  view->SetCenter(false);
  view->SetSyncLayerExtent(false);
  view->AddLayer();
  view->GetIEBitmap()->Allocate(20, 20, TIEPixelFormat::ie24RGB);
  view->GetLayer(1)->PosX = view->GetLayer(1)->PosY = 10;
  view->SetMouseInteract({MI::miMoveLayers});
  view->SetCurrentLayer(0);
  ShowForm();
  std::vector<int32_t> events;
  view->OnLayerNotify = [&](TObject*, int32_t Layer, TIELayerEvent Event) { events.push_back(Layer * 10 + Event); };
  Drag(view, {{15, 15}, {20, 15}, {25, 18}});
  EXPECT_EQ(events, (std::vector<int32_t>{10, 13, 13, 11})) << "current, moving, moving, moved";
  EXPECT_EQ(view->GetLayer(1)->PosX, 20);
  EXPECT_EQ(view->GetLayer(1)->PosY, 13);
  EXPECT_EQ(view->MovingLayer, -1);

  // A locked layer becomes current but stays.
  view->GetLayer(1)->Locked = true;
  view->SetCurrentLayer(0);
  events.clear();
  Drag(view, {{25, 25}, {35, 35}});
  EXPECT_EQ(view->CurrentLayer, 1);
  EXPECT_EQ(view->GetLayer(1)->PosX, 20);
  EXPECT_EQ(events, (std::vector<int32_t>{10, 11}));
}

TEST_F(ImgViewMouse, AutoScrollPacesItsStepsToTheEdge) {
  struct TCase {
    const char* Name;
    TPoint Mouse;
    int32_t Step;
    bool Vertical;
  };
  const TCase cases[] = {
      {"just past the right edge", {105, 50}, 20, false},
      {"far past it", {300, 50}, 30, false},
      {"below: half the distance", {50, 160}, 30, true},
      {"just below", {50, 101}, 15, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TImgView* view = Shown(100, 100, 400, 400, {MI::miSelect});
    std::vector<std::pair<int32_t, uint32_t>> steps;
    view->OnViewChange = [&](TObject*, int32_t) {
      steps.emplace_back(c.Vertical ? view->ViewOriginY() : view->ViewOriginX(), GetTickCount());
    };
    Clock().Advance(1000);
    Down(view, 50, 50);
    MoveTo(view, 60, 60);
    MoveTo(view, c.Mouse.X, c.Mouse.Y);
    Up(view, c.Mouse.X, c.Mouse.Y);
    ASSERT_FALSE(steps.empty());
    int32_t last = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
      const int32_t d = steps[i].first - last;
      EXPECT_GT(d, 0);
      EXPECT_LE(d, c.Step);
      if (steps[i].first < 300) {
        EXPECT_EQ(d, c.Step) << i;
      }
      if (i > 0) {
        EXPECT_EQ(steps[i].second - steps[i - 1].second, 25u) << i;
      }
      last = steps[i].first;
    }
    EXPECT_EQ(last, 300) << "ends at the maximum origin";
    EXPECT_FALSE(view->InAutoScroll);
    delete view;
  }
}

TEST_F(ImgViewMouse, NavigationKeysAreClaimedWithTheirKeyUp) {
  TImgView* view = Shown(100, 100, 100, 100, {MI::miScroll});
  view->SetFocus();
  int32_t keyUps = 0, keyUpsAtDown = -1;
  view->OnKeyUp = [&](TObject*, uint16_t&, TShiftState) { ++keyUps; };
  view->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { keyUpsAtDown = keyUps; };
  for (uint16_t key = 33; key <= 40; ++key) {
    SCOPED_TRACE(key);
    EXPECT_EQ(view->Perform(CM_WANTSPECIALKEY, key, 0), 1);
  }
  EXPECT_EQ(keyUps, 8) << "each claim runs the key-up handling";
  EXPECT_EQ(view->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 0);
  keyUps = 0;
  Press(VK_LEFT);
  EXPECT_EQ(keyUpsAtDown, 1) << "OnKeyUp fired at the claim, before the key-down";
  bool asked = false;
  view->OnSpecialKey = [&](TObject*, uint16_t Key, bool& Handled) {
    asked = true;
    Handled = Key == VK_RETURN;
  };
  EXPECT_EQ(view->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  EXPECT_TRUE(asked);
}

TEST_F(ImgViewMouse, CursorsFollowGripsAndShift) {
  TImgView* view = Shown(100, 100, 100, 100, {MI::miSelect});
  view->HasOwner = true;
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectRect(20, 20, 61, 61, 0);
  struct TCase {
    TPoint At;
    TCursor Cursor;
  };
  const TCase cases[] = {{{20, 20}, crSizeNWSE}, {{61, 20}, crSizeNESW}, {{61, 61}, crSizeNWSE}, {{20, 40}, crSizeWE},
                         {{40, 20}, crSizeNS},   {{40, 40}, crSizeAll},  {{90, 90}, crDefault}};
  for (const TCase& c : cases) {
    MoveTo(view, c.At.X, c.At.Y);
    EXPECT_EQ(view->ShownCursor, c.Cursor) << c.At.X << "," << c.At.Y;
  }
  view->SetCursor(1785);
  view->SetFocus();
  H().KeyDown(VK_SHIFT);
  Pump();
  EXPECT_EQ(view->ShownCursor, 1791);
  H().KeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(view->ShownCursor, 1785);

  TImgView* orphan = Shown(50, 50, 100, 100, {MI::miSelect});
  orphan->HasOwner = false;
  orphan->SelectionBase = TIESelectionBase::iesbBitmap;
  orphan->SelectRect(0, 0, 40, 40, 0);
  MoveTo(orphan, 20, 20);
  EXPECT_EQ(orphan->ShownCursor, crDefault) << "a view without an owner keeps its cursor";
}

}  // namespace
