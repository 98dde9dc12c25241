#include "platform/vcl/imglist.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/syscolors.h"

namespace {

// A w x h bitmap in one colour, with an optional block of another.
std::unique_ptr<TBitmap> Solid(int32_t w, int32_t h, TColor color) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(color);
  b->Canvas()->FillRect(TRect{0, 0, w, h});
  return b;
}

// 4 x 4: fuchsia (the mask colour) around a red 2 x 2 block at (1, 1).
std::unique_ptr<TBitmap> Framed() {
  auto b = Solid(4, 4, clFuchsia);
  b->Canvas()->Brush()->SetColor(clRed);
  b->Canvas()->FillRect(TRect{1, 1, 3, 3});
  return b;
}

TColor Rgb(TColor c) { return static_cast<TColor>(ColorToRGB(c)); }

// The centre pixel of every image, in order.
std::vector<TColor> Colours(TCustomImageList& list) {
  std::vector<TColor> out;
  TBitmap b;
  for (int32_t i = 0; i < list.Count(); ++i) {
    EXPECT_TRUE(list.GetBitmap(i, &b));
    out.push_back(b.Canvas()->Pixels(list.Width() / 2, list.Height() / 2));
  }
  return out;
}

TEST(VclImageList, DrawingIsProbedPixelByPixel) {
  struct Probe {
    int32_t X, Y;
    TColor Colour;
  };
  struct Case {
    const char* Name;
    std::function<void(TImageList&)> Setup;
    bool Enabled;
    std::vector<Probe> Probes;
  };
  const TColor white = clWhite, red = clRed;
  const TColor highlight = Rgb(clBtnHighlight), shadow = Rgb(clBtnShadow);
  // Image drawn at (2, 2): its red block covers (3..4, 3..4).
  const std::vector<Case> cases = {
      {"enabled, transparent corners",
       [](TImageList&) {},
       true,
       {{2, 2, white}, {3, 3, red}, {4, 4, red}, {5, 5, white}, {1, 1, white}}},
      {"enabled with a background colour",
       [](TImageList& l) { l.SetBkColor(clYellow); },
       true,
       {{2, 2, clYellow}, {5, 5, clYellow}, {3, 4, red}, {6, 6, white}}},
      {"transparent style ignores the background colour",
       [](TImageList& l) {
         l.SetBkColor(clYellow);
         l.SetDrawingStyle(TDrawingStyle::dsTransparent);
       },
       true,
       {{2, 2, white}, {3, 3, red}}},
      {"selected blends half of the blend colour",
       [](TImageList& l) {
         l.SetBlendColor(clBlue);
         l.SetDrawingStyle(TDrawingStyle::dsSelected);
       },
       true,
       {{3, 3, RGB(127, 0, 128)}, {2, 2, white}}},
      {"the mask in the canvas's text colour",
       [](TImageList& l) { l.SetImageType(TImageType::itMask); },
       true,
       {{3, 3, clBlack}, {2, 2, clWhite}}},
      {"disabled: shadow on the shape, highlight one pixel right and down",
       [](TImageList&) {},
       false,
       {{3, 3, shadow},
        {4, 4, shadow},
        {5, 5, highlight},
        {5, 4, highlight},
        {4, 5, highlight},
        {5, 3, white},
        {3, 5, white},
        {2, 2, white}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TImageList list(nullptr, 4, 4);
    ASSERT_EQ(list.AddMasked(Framed().get(), clFuchsia), 0);
    c.Setup(list);
    auto target = Solid(8, 8, clWhite);
    target->Canvas()->Font()->SetColor(clBlack);
    target->Canvas()->Brush()->SetColor(clWhite);
    list.Draw(target->Canvas(), 2, 2, 0, c.Enabled);
    for (const Probe& p : c.Probes)
      EXPECT_EQ(target->Canvas()->Pixels(p.X, p.Y), p.Colour) << "at " << p.X << "," << p.Y;
  }
}

TEST(VclImageList, BadIndexesDrawNothing) {
  TImageList list(nullptr, 4, 4);
  list.AddMasked(Framed().get(), clFuchsia);
  auto target = Solid(8, 8, clWhite);
  for (int32_t index : {-1, 1, 100}) list.Draw(target->Canvas(), 0, 0, index);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(target->Canvas()->Pixels(x, y), clWhite);
}

TEST(VclImageList, EditingKeepsTheImagesInOrder) {
  const TColor R = clRed, G = clLime, B = clBlue, Y = clYellow, K = clBlack;
  struct Case {
    const char* Name;
    std::function<void(TImageList&)> Edit;
    std::vector<TColor> Expected;
  };
  const std::vector<Case> cases = {
      {"three added", [](TImageList&) {}, {R, G, B}},
      {"a strip of two adds two",
       [&](TImageList& l) {
         auto strip = Solid(8, 4, Y);
         strip->Canvas()->Brush()->SetColor(K);
         strip->Canvas()->FillRect(TRect{4, 0, 8, 4});
         EXPECT_EQ(l.Add(strip.get(), nullptr), 3);
       },
       {R, G, B, Y, K}},
      {"insert at the front", [&](TImageList& l) { l.Insert(0, Solid(4, 4, Y).get(), nullptr); }, {Y, R, G, B}},
      {"insert in the middle",
       [&](TImageList& l) { l.InsertMasked(1, Solid(4, 4, Y).get(), clFuchsia); },
       {R, Y, G, B}},
      {"insert at the end", [&](TImageList& l) { l.Insert(3, Solid(4, 4, Y).get(), nullptr); }, {R, G, B, Y}},
      {"move forward", [](TImageList& l) { l.Move(0, 2); }, {G, B, R}},
      {"move back", [](TImageList& l) { l.Move(2, 0); }, {B, R, G}},
      {"delete", [](TImageList& l) { l.Delete(1); }, {R, B}},
      {"replace", [&](TImageList& l) { l.Replace(1, Solid(4, 4, Y).get(), nullptr); }, {R, Y, B}},
      {"replace masked", [&](TImageList& l) { l.ReplaceMasked(2, Solid(4, 4, K).get(), clFuchsia); }, {R, G, K}},
      {"clear", [](TImageList& l) { l.Clear(); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TImageList list(nullptr, 4, 4);
    for (TColor colour : {R, G, B}) list.Add(Solid(4, 4, colour).get(), nullptr);
    c.Edit(list);
    EXPECT_EQ(Colours(list), c.Expected);
  }
}

TEST(VclImageList, BadIndexesAndUnreadableImagesAreRefused) {
  TImageList list(nullptr, 4, 4);
  list.Add(Solid(4, 4, clRed).get(), nullptr);
  TBitmap empty;
  EXPECT_EQ(list.Add(&empty, nullptr), -1);
  EXPECT_EQ(list.Add(nullptr, nullptr), -1);
  EXPECT_EQ(list.Add(Solid(3, 4, clRed).get(), nullptr), -1) << "narrower than the list";
  EXPECT_THROW(list.Delete(1), EInvalidOperation);
  EXPECT_THROW(list.Delete(-1), EInvalidOperation);
  EXPECT_THROW(list.Insert(2, Solid(4, 4, clRed).get(), nullptr), EInvalidOperation);
  EXPECT_THROW(list.Move(0, 1), EInvalidOperation);
  EXPECT_THROW(list.Replace(0, &empty, nullptr), EInvalidOperation);
  EXPECT_EQ(list.Count(), 1);
  TBitmap out;
  EXPECT_FALSE(list.GetBitmap(1, &out));
  EXPECT_FALSE(list.GetBitmap(0, nullptr));
}

TEST(VclImageList, IconsGoInAndComeOutWithTheirShape) {
  TImageList list(nullptr, 4, 4);
  list.AddMasked(Framed().get(), clFuchsia);
  TIcon icon;
  ASSERT_TRUE(list.GetIcon(0, &icon));
  EXPECT_EQ(icon.Width(), 4);
  EXPECT_EQ(icon.Height(), 4);

  // Drawn, the icon shows the red block and leaves the rest.
  auto target = Solid(4, 4, clWhite);
  target->Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(target->Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(target->Canvas()->Pixels(0, 0), clWhite);

  // Into a list twice the size: scaled, the shape kept.
  TImageList big(nullptr, 8, 8);
  EXPECT_EQ(big.AddIcon(&icon), 0);
  EXPECT_EQ(big.AddIcon(nullptr), -1);
  auto canvas = Solid(8, 8, clWhite);
  big.Draw(canvas->Canvas(), 0, 0, 0);
  EXPECT_EQ(canvas->Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(canvas->Canvas()->Pixels(1, 1), clWhite);
  EXPECT_EQ(canvas->Canvas()->Pixels(2, 2), clRed);
  EXPECT_EQ(canvas->Canvas()->Pixels(5, 5), clRed);
  EXPECT_EQ(canvas->Canvas()->Pixels(6, 6), clWhite);

  big.InsertIcon(0, &icon);
  big.ReplaceIcon(1, &icon);
  EXPECT_EQ(big.Count(), 2);
}

TEST(VclImageList, DefaultsAndSettingsThatStartANewHandle) {
  TImageList list(nullptr);
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Height(), 16);
  EXPECT_EQ(list.BkColor(), clNone);
  EXPECT_EQ(list.BlendColor(), clNone);
  EXPECT_EQ(list.DrawingStyle(), TDrawingStyle::dsNormal);
  EXPECT_EQ(list.ImageType(), TImageType::itImage);
  EXPECT_TRUE(list.Masked());
  EXPECT_FALSE(list.ShareImages());
  EXPECT_FALSE(list.HandleAllocated());
  EXPECT_EQ(list.Count(), 0);

  list.Add(Solid(16, 16, clRed).get(), nullptr);
  // Masked changes keep the images; a new size drops them.
  list.SetMasked(false);
  EXPECT_EQ(Colours(list), std::vector<TColor>{clRed});
  list.SetWidth(8);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.SetHeight(0), EInvalidOperation);
  int32_t cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(list.Handle(), &cx, &cy));
  EXPECT_EQ(cx, 8);
  EXPECT_EQ(cy, 16);
}

TEST(VclImageList, ChangesReachLinksAndOnChange) {
  std::vector<String> log;
  TImageList list(nullptr, 4, 4);
  list.OnChange = [&](TObject* s) { log.push_back(s == &list ? "list" : "?"); };
  auto first = std::make_unique<TChangeLink>();
  first->OnChange = [&](TObject* s) { log.push_back(s == &list ? "first" : "?"); };
  TChangeLink second;
  second.OnChange = [&](TObject*) { log.push_back("second"); };
  list.RegisterChanges(first.get());
  list.RegisterChanges(&second);
  EXPECT_EQ(first->Sender(), &list);

  list.Add(Solid(4, 4, clRed).get(), nullptr);
  EXPECT_EQ(log, (std::vector<String>{"first", "second", "list"}));
  log.clear();
  list.SetBkColor(clNone);  // unchanged: no notice
  EXPECT_TRUE(log.empty());
  first.reset();  // leaves the list
  list.Clear();
  EXPECT_EQ(log, (std::vector<String>{"second", "list"}));

  {
    TImageList gone(nullptr);
    gone.RegisterChanges(&second);  // moves over from list
    EXPECT_EQ(second.Sender(), &gone);
  }
  EXPECT_EQ(second.Sender(), nullptr);
}

TEST(VclImageList, HandlesAreSharedWithoutBeingDestroyed) {
  TImageList owner(nullptr, 4, 4);
  owner.Add(Solid(4, 4, clRed).get(), nullptr);
  owner.SetBkColor(clLime);
  HIMAGELIST handle = owner.Handle();
  {
    TImageList view(nullptr);
    view.SetShareImages(true);
    view.SetHandle(handle);
    EXPECT_EQ(view.Width(), 4);
    EXPECT_EQ(view.Height(), 4);
    EXPECT_EQ(view.Count(), 1);
    EXPECT_EQ(view.BkColor(), clLime);
  }
  EXPECT_EQ(ImageList_GetImageCount(handle), 1) << "a sharing list leaves the handle alone";

  TImageList copy(nullptr);
  copy.Assign(&owner);
  EXPECT_NE(copy.Handle(), handle);
  EXPECT_EQ(copy.Width(), 4);
  EXPECT_EQ(copy.BkColor(), clLime);
  EXPECT_EQ(Colours(copy), std::vector<TColor>{clRed});

  HIMAGELIST taken = ImageList_Create(4, 4, ILC_MASK, 1, 1);
  {
    TImageList keeper(nullptr);
    keeper.SetHandle(taken);
  }
  EXPECT_EQ(ImageList_GetImageCount(taken), -1) << "an owning list destroys what it took";
}

}  // namespace
