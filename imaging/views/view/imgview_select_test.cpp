#include <gtest/gtest.h>

#include <vector>

#include "imaging/model/containers/iemask.h"
#include "imaging/model/processing/ieview.h"
#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/streams.h"

namespace {

using TPoints = std::vector<TPoint>;
constexpr TPoint kSep{IEPolygonSeparator, IEPolygonSeparator};

class ImgViewSelect : public TImgViewTest {
 public:
  // A view whose client pixels are the image's pixels (zoom 100, no offset).
  TImgView* Exact(int32_t W, int32_t H) {
    TImgView* view = MakeView(W, H);
    SetImage(view, W, H);
    ShowForm();
    return view;
  }
  static TPoints Points(TImgView* View) { return View->PolygonRecords[0]->Points; }
  static TRect Box(TImgView* View) {
    const TIEPolygonRecord& r = *View->PolygonRecords[0];
    return TRect{r.BoxLeft, r.BoxTop, r.BoxRight, r.BoxBottom};
  }
  static std::vector<uint8_t> Bytes(TMemoryStream& S) {
    std::vector<uint8_t> b(static_cast<size_t>(S.Size()));
    S.SetPosition(0);
    if (!b.empty()) S.ReadBuffer(b.data(), S.Size());
    return b;
  }
  static TPoints Rect(int32_t L, int32_t T, int32_t R, int32_t B) { return {{L, T}, {R, T}, {R, B}, {L, B}}; }
};

TEST_F(ImgViewSelect, RectanglesInEitherBaseAndAddedShapes) {
  TImgView* view = Exact(30, 20);
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectRect(0, 0, 10, 10, 0);
  EXPECT_EQ(Points(view), Rect(0, 0, 10, 10));
  EXPECT_EQ(Box(view), (TRect{0, 0, 10, 10}));
  EXPECT_TRUE(view->HasSelection());
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(9, 9));
  EXPECT_FALSE(view->SelectionMask()->IsPointInside(10, 10));

  view->SelectRect(12, 12, 15, 16, 1);
  TPoints expected = Rect(0, 0, 10, 10);
  expected.push_back(kSep);
  for (TPoint p : Rect(12, 12, 15, 16)) expected.push_back(p);
  EXPECT_EQ(Points(view), expected);
  EXPECT_EQ(view->GetSelectionPointCount(), 9) << "the separator counts";
  EXPECT_EQ(Box(view), (TRect{0, 0, 15, 16})) << "the separator never touches the box";
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(5, 5)) << "adding keeps the first shape";
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(14, 15));

  view->SelectionBase = TIESelectionBase::iesbClientArea;
  view->SelectRect(5, 7, 2, 3, 0);
  EXPECT_EQ(Points(view), Rect(2, 3, 6, 8)) << "the far edge becomes exclusive";
  EXPECT_FALSE(view->SelectionMask()->IsPointInside(14, 15)) << "Op 0 empties the mask";
  view->SelectRect(5, 5, 5, 9, 0);
  EXPECT_EQ(Points(view), Rect(2, 3, 6, 8)) << "an empty rectangle changes nothing";

  view->ClearSelection();
  EXPECT_FALSE(view->HasSelection());
  EXPECT_EQ(view->GetSelectionPointCount(), 0);
  EXPECT_TRUE(view->SelectionMask()->IsEmpty());
}

TEST_F(ImgViewSelect, ShapeRulesOfTheRectangle) {
  TImgView* view = Exact(20, 20);
  // Not resizable: shifted inside, not cut, and pinned at the last column.
  view->SetSelectionOptions(TIESelectionOptions{TIESelectionOptionsItem::iesoMoveable});
  view->DragSelectionRect(15, 5, 25, 10, false, false);
  EXPECT_EQ(Points(view), Rect(14, 5, 19, 11));

  view->SetSelectionAspectRatio(2);
  EXPECT_TRUE(view->SelectionOptions.Contains(TIESelectionOptionsItem::iesoSizeable));
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectRect(2, 2, 6, 3, 0);
  EXPECT_EQ(Points(view), Rect(2, 2, 6, 10)) << "height from the width";
  view->SelectRect(2, 2, 14, 3, 0);
  EXPECT_EQ(Points(view), Rect(2, 2, 11, 20)) << "too high: the width from the height";

  view->SetSelectionAspectRatio(-1);
  view->SelectionBase = TIESelectionBase::iesbClientArea;
  view->DragSelectionRect(2, 2, 8, 15, false, true);
  EXPECT_EQ(Points(view), Rect(2, 2, 9, 9)) << "square";
}

TEST_F(ImgViewSelect, AFixedSizeSelectionIsCentredAndCannotBeResized) {
  TImgView* view = Exact(40, 40);
  view->FixedSelectionWidth = 10;
  view->FixedSelectionHeight = 8;
  view->SetSelectionAspectRatio(0);
  EXPECT_FALSE(view->SelectionOptions.Contains(TIESelectionOptionsItem::iesoSizeable));
  view->DragSelectionRect(3, 3, 20, 20, false, false);
  EXPECT_EQ(Points(view), Rect(15, 16, 25, 24));
  view->UpdateSelectionMask();
  EXPECT_EQ(view->GripAt(15, 16, false), 0) << "no grips";
  EXPECT_EQ(view->SelectionIndexAt(20, 20, false), 0) << "it still moves";
}

TEST_F(ImgViewSelect, EllipsesPolygonsAndTheirEvents) {
  TImgView* view = Exact(40, 40);
  int32_t changing = 0, changed = 0;
  view->OnSelectionChanging = [&](TObject*) { ++changing; };
  view->OnSelectionChange = [&](TObject*) { ++changed; };
  view->DragSelectionEllipse(10, 10, 12, 12, false, false);
  EXPECT_EQ(view->GetSelectionPointCount(), 50) << "radius 2 still gets 50 points";
  EXPECT_EQ(Points(view)[0], (TPoint{12, 10}));
  view->DragSelectionEllipse(20, 20, 30, 25, false, false);
  EXPECT_EQ(view->GetSelectionPointCount(), 50) << "Trunc(5 x 2 pi) is below 50";
  view->DragSelectionEllipse(20, 20, 30, 30, false, false);
  EXPECT_EQ(view->GetSelectionPointCount(), 62) << "Trunc(10 x 2 pi)";
  EXPECT_EQ(changing, 3);

  view->PointCountAtMouseDown = view->GetSelectionPointCount();
  view->DragSelectionEllipse(5, 5, 8, 8, true, false);
  view->DragSelectionEllipse(5, 5, 9, 9, true, false);
  EXPECT_EQ(view->GetSelectionPointCount(), 62 + 1 + 50) << "the gesture's own shape is replaced";

  view->BeginPolygon(2, 2, false, false);
  EXPECT_TRUE(view->PolygonSelecting);
  view->AddSelectionPoint(12, 2);
  view->AddSelectionPoint(12, 12);
  view->AddSelectionPoint(12, 12);  // the double-click's point
  view->ClosePolygon(false, true);
  EXPECT_FALSE(view->PolygonSelecting);
  EXPECT_EQ(view->GetSelectionPointCount(), 3);
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(10, 4));
  EXPECT_FALSE(view->SelectionMask()->IsPointInside(4, 10));
  EXPECT_EQ(changed, 1);

  // Events see the property's own base while a gesture runs in client mode.
  TIESelectionBase seen = TIESelectionBase::iesbClientArea;
  view->OnSelectionChanging = [&](TObject*) { seen = view->SelectionBase; };
  view->SavedSelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectionBase = TIESelectionBase::iesbClientArea;
  view->SelectionBaseSwapped = true;
  view->DragSelectionRect(1, 1, 5, 5, false, false);
  EXPECT_EQ(seen, TIESelectionBase::iesbBitmap);
  EXPECT_EQ(view->SelectionBase, TIESelectionBase::iesbClientArea);
}

TEST_F(ImgViewSelect, MagicWandModes) {
  TImgView* view = MakeView(20, 20);
  TIEBitmap* b = view->GetIEBitmap();
  b->Allocate(20, 20, TIEPixelFormat::ie24RGB);
  b->Fill(0);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      *b->PixelRGB(2 + x, 2 + y) = TRGB{255, 255, 255};
      *b->PixelRGB(10 + x, 10 + y) = TRGB{255, 255, 255};
    }
  view->Update();
  ShowForm();
  struct Case {
    uint8_t Mode;
    bool Second;  // the unconnected square is selected too
  };
  for (const Case c : {Case{0, false}, Case{1, false}, Case{2, true}}) {
    view->ClearSelection();
    view->WandMode = c.Mode;
    view->MagicWandSelect(3, 3, false);
    EXPECT_TRUE(view->HasSelection()) << int(c.Mode);
    EXPECT_TRUE(view->SelectionMask()->IsPointInside(5, 5)) << int(c.Mode);
    EXPECT_FALSE(view->SelectionMask()->IsPointInside(6, 6)) << int(c.Mode);
    EXPECT_EQ(view->SelectionMask()->IsPointInside(11, 11), c.Second) << int(c.Mode);
    EXPECT_EQ(view->GetSelectionPointCount() > 0, c.Mode == 0) << "only mode 0 traces the outline";
  }
  view->WandMode = 0;
  view->MagicWandSelect(3, 3, false);
  view->MagicWandSelect(11, 11, true);
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(3, 3)) << "added";
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(11, 11));
  const int32_t count = view->GetSelectionPointCount();
  view->MagicWandSelect(20, 3, false);
  EXPECT_EQ(view->GetSelectionPointCount(), count) << "a click outside does nothing";
}

TEST_F(ImgViewSelect, MovingWithAndWithoutCutBorders) {
  TImgView* view = Exact(30, 30);
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectRect(10, 10, 20, 20, 0);
  view->MoveSelection(15, -2);
  EXPECT_TRUE(view->RectangleMoving);
  EXPECT_EQ(Points(view), Rect(20, 8, 30, 18)) << "held inside";

  TIESelectionOptions options = view->SelectionOptions;
  options.Include(TIESelectionOptionsItem::iesoCutBorders);
  view->SetSelectionOptions(options);
  view->SelectRect(10, 10, 20, 20, 0);
  view->MoveSelection(15, 0);
  EXPECT_EQ(Points(view), Rect(25, 10, 30, 20)) << "hangs out and is cut";
  view->MoveSelection(40, 0);
  EXPECT_EQ(Points(view), Rect(25, 10, 30, 20)) << "never leaves completely";

  view->SelectRect(2, 2, 6, 6, 0);
  view->SelectRect(10, 2, 14, 6, 1);
  view->MoveSelection(3, 1);
  EXPECT_FALSE(view->RectangleMoving);
  EXPECT_TRUE(view->SelectionMask()->IsPointInside(16, 6)) << "the mask moves with the shapes";
  EXPECT_FALSE(view->SelectionMask()->IsPointInside(16, 7));
  EXPECT_FALSE(view->SelectionMask()->IsPointInside(2, 2));
  EXPECT_EQ(Points(view)[0], (TPoint{5, 3}));
}

TEST_F(ImgViewSelect, GripsAndResizing) {
  TImgView* view = Exact(40, 40);
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  struct Case {
    TIEGrip G;
    TPoint To;
    bool Constrain;
    TIEGrip Result;
    TPoints Points;
  };
  const Case cases[] = {
      {1, {25, 25}, false, 3, Rect(20, 20, 25, 25)},  // past the opposite corner: flipped
      {1, {12, 14}, false, 1, Rect(12, 14, 20, 20)}, {6, {30, 15}, false, 6, Rect(10, 10, 31, 20)},
      {5, {25, 15}, false, 6, Rect(20, 10, 25, 20)}, {8, {15, 30}, false, 8, Rect(10, 10, 20, 31)},
      {3, {30, 12}, true, 3, Rect(10, 10, 31, 31)},  {7, {15, 5}, true, 1, Rect(5, 5, 20, 20)},
  };
  for (const Case& c : cases) {
    view->SelectRect(10, 10, 20, 20, 0);
    view->GripStartRect = TRect{10, 10, 20, 20};
    EXPECT_EQ(view->ResizeSelectionByGrip(c.G, c.To.X, c.To.Y, c.Constrain), c.Result) << c.G << " " << c.To.X;
    EXPECT_EQ(Points(view), c.Points) << c.G << " " << c.To.X;
  }
  view->SelectRect(10, 10, 30, 30, 0);
  struct Hit {
    TPoint At;
    bool Shift;
    TIEGrip Grip;
  };
  for (const Hit h : {Hit{{12, 8}, false, 1}, Hit{{35, 5}, false, 2}, Hit{{31, 30}, false, 3}, Hit{{10, 20}, false, 5},
                      Hit{{31, 20}, false, 6}, Hit{{20, 11}, false, 7}, Hit{{20, 29}, false, 8},
                      Hit{{20, 20}, false, 0}, Hit{{12, 8}, true, 0}})
    EXPECT_EQ(view->GripAt(h.At.X, h.At.Y, h.Shift), h.Grip) << h.At.X << "," << h.At.Y;
  EXPECT_EQ(view->SelectionIndexAt(15, 15, false), 0);
  EXPECT_EQ(view->SelectionIndexAt(35, 15, false), -1);
  EXPECT_EQ(view->SelectionIndexAt(15, 15, true), -1) << "Shift adds instead";
}

TEST_F(ImgViewSelect, BoundsCopyAndZoom) {
  TImgView* view = Exact(40, 30);
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectRect(4, 3, 12, 8, 0);
  EXPECT_EQ((TRect{view->SelectionLeft(), view->SelectionTop(), view->SelectionRight(), view->SelectionBottom()}),
            (TRect{4, 3, 11, 7}));
  TIEBitmap copy;
  view->CopySelectionToBitmap(&copy);
  EXPECT_EQ(copy.Width(), 8);
  EXPECT_EQ(copy.Height(), 5);
  EXPECT_EQ(*copy.PixelRGB(0, 0), (TRGB{0, 3, 4}));
  EXPECT_EQ(*copy.PixelRGB(7, 4), (TRGB{0, 7, 11}));

  view->ZoomToSelection();
  EXPECT_FALSE(view->HasSelection());
  EXPECT_DOUBLE_EQ(view->Zoom(), 500);
  EXPECT_EQ(view->ViewOriginX(), 20);
  EXPECT_EQ(view->ViewOriginY(), 15 - (30 - 25) / 2) << "centred in the view";
}

TEST_F(ImgViewSelect, StreamsRoundTripByteForByteAndSnapshots) {
  TImgView* view = Exact(30, 20);
  view->DragSelectionEllipse(10, 10, 15, 14, false, false);
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectRect(20, 2, 28, 9, 1);
  TMemoryStream a;
  view->SaveSelectionToStream(&a);
  EXPECT_EQ(a.Size(), 50 + 8 * view->GetSelectionPointCount() + 20 * 4);

  TImgView* other = MakeView(30, 20);
  other->SetBounds(40, 0, 30, 20);
  SetImage(other, 30, 20);
  a.SetPosition(0);
  EXPECT_TRUE(other->LoadSelectionFromStream(&a));
  EXPECT_TRUE(other->HasSelection());
  EXPECT_TRUE(other->PolygonRecords[0]->Visible);
  TMemoryStream b;
  other->SaveSelectionToStream(&b);
  EXPECT_EQ(Bytes(a), Bytes(b));

  view->PushSelection();
  view->ClearSelection();
  EXPECT_TRUE(view->PopSelection());
  TMemoryStream c;
  view->SaveSelectionToStream(&c);
  EXPECT_EQ(Bytes(a), Bytes(c));
  EXPECT_FALSE(view->PopSelection()) << "nothing left";
}

TEST_F(ImgViewSelect, ALoadIntoANarrowerImageMovesToTheRightEdge) {
  TImgView* wide = MakeView(100, 60);
  SetImage(wide, 200, 50);
  wide->SelectionBase = TIESelectionBase::iesbBitmap;
  wide->SelectRect(150, 10, 200, 20, 0);
  TMemoryStream s;
  wide->SaveSelectionToStream(&s);

  TImgView* narrow = MakeView(100, 60);
  SetImage(narrow, 100, 50);
  s.SetPosition(0);
  ASSERT_TRUE(narrow->LoadSelectionFromStream(&s));
  EXPECT_EQ(Points(narrow), Rect(50, 10, 100, 20));
  const TIEMask* mask = narrow->SelectionMask();
  EXPECT_EQ(mask->Width(), 100);
  EXPECT_EQ(mask->X1(), 50);
  EXPECT_EQ(mask->X2(), 99);
  EXPECT_TRUE(mask->IsPointInside(99, 19));
  EXPECT_FALSE(mask->IsPointInside(49, 10));

  // A stored mask without rows still leaves a mask of the image size.
  TMemoryStream flat;
  TIEMask none;
  const int32_t box[4] = {0, 0, 5, 5};
  IEWriteSelectionState(&flat, none, {}, box, false);
  flat.SetPosition(0);
  ASSERT_TRUE(narrow->LoadSelectionFromStream(&flat));
  EXPECT_EQ(narrow->SelectionMask()->Width(), 100);
  EXPECT_EQ(narrow->SelectionMask()->Height(), 50);
  EXPECT_TRUE(narrow->SelectionMask()->IsEmpty());
}

TEST_F(ImgViewSelect, AHostileStreamIsRefusedAndTheSelectionKept) {
  TImgView* view = Exact(20, 20);
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SelectRect(1, 1, 5, 5, 0);
  TMemoryStream golden;
  view->SaveSelectionToStream(&golden);
  const std::vector<uint8_t> good = Bytes(golden);
  const auto put = [](std::vector<uint8_t>& b, size_t At, uint32_t V) {
    for (int k = 0; k < 4; ++k) b[At + k] = static_cast<uint8_t>(V >> (8 * k));
  };
  std::vector<std::vector<uint8_t>> hostile;
  for (uint32_t n : {0x7FFFFFFFu, 0x80000000u}) {
    hostile.push_back(good);
    put(hostile.back(), 8, n);
  }
  hostile.push_back(good);
  put(hostile.back(), 29 + 32, 3);  // bits per pixel
  hostile.push_back(good);
  put(hostile.back(), 4, 0x40000000u);  // height x row length past the end
  hostile.push_back(good);
  put(hostile.back(), 0, 0xFFFFFFF0u);  // negative width
  for (size_t cut = 0; cut < good.size(); ++cut) hostile.emplace_back(good.begin(), good.begin() + cut);

  view->SelectRect(2, 2, 9, 9, 0);
  for (const auto& bytes : hostile) {
    TMemoryStream t;
    if (!bytes.empty()) t.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    t.SetPosition(0);
    EXPECT_THROW(view->LoadSelectionFromStream(&t), EReadError) << bytes.size();
    EXPECT_EQ(Points(view), Rect(2, 2, 9, 9));
    EXPECT_TRUE(view->SelectionMask()->IsPointInside(8, 8));
  }
}

TEST_F(ImgViewSelect, FilledAndMarkedSelectionsOnTheBackBuffer) {
  TImgView* view = Exact(80, 60);
  view->SelectionBase = TIESelectionBase::iesbBitmap;
  view->SetSelectionOptions(view->SelectionOptions + TIESelectionOptions{TIESelectionOptionsItem::iesoFilled});
  view->SelectRect(10, 10, 40, 30, 0);
  view->Update();
  Pump();
  std::unique_ptr<TBitmap> shot = WindowPixels(view->Handle(), false);
  SavePng(*shot, "imgview_selection_filled.png");
  EXPECT_EQ(shot->Canvas()->Pixels(20, 20), TColor(~ColorToRGB(RGB(20, 20, 0)) & 0xFFFFFF)) << "inverted inside";
  EXPECT_EQ(shot->Canvas()->Pixels(50, 20), TColor(RGB(50, 20, 0)));

  view->SetSelectionOptions(TIESelectionOptions{TIESelectionOptionsItem::iesoMarkOuter});
  Pump();
  shot = WindowPixels(view->Handle(), false);
  SavePng(*shot, "imgview_selection_markouter.png");
  EXPECT_EQ(shot->Canvas()->Pixels(20, 20), TColor(RGB(20, 20, 0)));
  EXPECT_EQ(shot->Canvas()->Pixels(50, 20), TColor(RGB(97, 97, 97))) << "the outer area is marked";
  EXPECT_EQ(shot->Canvas()->Pixels(51, 20), TColor(RGB(51, 20, 0)));
}

}  // namespace

namespace {

TEST_F(ImgViewSelect, TheLinkedOverviewFollowsAndScrollsTheView) {
  TImgView* view = MakeView(100, 80);
  SetImage(view, 200, 160);
  TImgView* overview = MakeView(60, 48);
  overview->SetBounds(120, 0, 60, 48);
  ShowForm();
  view->SetLinkedOverview(overview);
  EXPECT_EQ(overview->GetIEBitmap(), view->GetIEBitmap()) << "the overview shows this view's bitmap";
  EXPECT_TRUE(overview->AutoFit());
  EXPECT_EQ(overview->SelectionBase, TIESelectionBase::iesbBitmap);
  EXPECT_FALSE(overview->SelectionOptions.Contains(TIESelectionOptionsItem::iesoSizeable)) << "fixed size";
  EXPECT_EQ(Points(overview), Rect(0, 0, 100, 80));

  view->SetViewOrigin(50, 40);
  EXPECT_EQ(Points(overview), Rect(50, 40, 150, 120)) << "the visible area follows";

  overview->MoveSelection(10, 0);
  overview->FireSelectionEvent(overview->OnSelectionChanging);
  EXPECT_EQ(view->ViewOriginX(), 60) << "moving the overview's selection scrolls the view";
  EXPECT_EQ(view->ViewOriginY(), 40);

  view->SetLinkedOverview(nullptr);
  EXPECT_NE(overview->GetIEBitmap(), view->GetIEBitmap()) << "given back a bitmap of its own";
  EXPECT_FALSE(overview->OnSelectionChanging);
  view->SetLinkedOverview(overview);
  delete view;
  EXPECT_EQ(overview->GetIEBitmap()->Width(), 0) << "the freed view's bitmap is not kept";
  Pump();
}

}  // namespace
