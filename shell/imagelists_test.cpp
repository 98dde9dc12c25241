// The system image list component and the check-state pictures.
#include "shell/imagelists.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/shellapi/shell_testing.h"
#include "platform/shellapi/shellapi.h"

using namespace shelltest;

namespace {

std::vector<TColor> PixelsOf(TCustomImageList& list, int32_t index) {
  TBitmap b;
  std::vector<TColor> out;
  if (!list.GetBitmap(index, &b)) return out;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) out.push_back(b.Canvas()->Pixels(x, y));
  return out;
}

// Image index drawn over a red square of the list's size.
std::unique_ptr<TBitmap> DrawnOnRed(TCustomImageList& list, int32_t index) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(list.Width(), list.Height());
  b->Canvas()->Brush()->SetColor(clRed);
  b->Canvas()->FillRect(TRect{0, 0, list.Width(), list.Height()});
  list.Draw(b->Canvas(), 0, 0, index, TDrawingStyle::dsTransparent, TImageType::itImage);
  return b;
}

}  // namespace

TEST(ShellSysImages, SharesTheSystemListsOfBothSizes) {
  const String dir = NewDir("sysimages");
  WriteFile(dir + "/a.jpg", "x");
  WriteFile(dir + "/b.JPG", "y");
  ForceDirectories(dir + "/folder");
  TZavSystemImageList list(nullptr);
  EXPECT_TRUE(list.GetShareImages());
  EXPECT_EQ(list.Size(), TZavImageListSize::si_small);
  EXPECT_EQ(list.Handle(), ShellSystemImageList(true));
  EXPECT_EQ(list.Width(), 16);

  const int32_t jpg = list.GetFileIconIndex(dir + "/a.jpg");
  const int32_t folder = list.GetFileIconIndex(dir + "/folder");
  EXPECT_GE(jpg, 0);
  EXPECT_EQ(list.GetFileIconIndex(dir + "/b.JPG"), jpg);
  EXPECT_NE(folder, jpg);

  list.SetSize(TZavImageListSize::si_large);
  EXPECT_EQ(list.Handle(), ShellSystemImageList(false));
  EXPECT_EQ(list.Width(), 32);
  EXPECT_EQ(list.GetFileIconIndex(dir + "/a.jpg"), jpg);
  EXPECT_EQ(list.GetFileIconIndex(dir + "/folder"), folder);
}

TEST(ShellSysImages, WithoutSharingHoldsACopyAndLeavesTheSystemListsAlone) {
  HIMAGELIST small = ShellSystemImageList(true), large = ShellSystemImageList(false);
  const int32_t count = ImageList_GetImageCount(small);
  {
    TZavSystemImageList shared(nullptr);
    auto copy = std::make_unique<TZavSystemImageList>(nullptr);
    copy->SetShareImages(false);
    EXPECT_FALSE(copy->GetShareImages());
    EXPECT_NE(copy->Handle(), small);
    EXPECT_EQ(copy->Count(), count);
    EXPECT_EQ(copy->Width(), 16);
    const int32_t folder = ShellIconIndex("folder");
    EXPECT_EQ(PixelsOf(*copy, folder), PixelsOf(shared, folder));

    copy->SetSize(TZavImageListSize::si_large);
    EXPECT_NE(copy->Handle(), large);
    EXPECT_EQ(copy->Width(), 32);
    EXPECT_EQ(copy->Count(), count);
    copy->Clear();  // its own images only
    EXPECT_EQ(copy->Count(), 0);

    // Sharing again takes the system's handle back; a shared list cannot
    // empty the system's.
    copy->SetShareImages(true);
    EXPECT_EQ(copy->Handle(), large);
    copy->Clear();
    EXPECT_EQ(ImageList_GetImageCount(large), count);
  }
  EXPECT_EQ(ImageList_GetImageCount(small), count);
  EXPECT_EQ(ImageList_GetImageCount(large), count);
}

TEST(ShellSysImages, SelectionStatePictures) {
  TZavSelectionStateImageList states(nullptr);
  ASSERT_EQ(states.Count(), 5);
  EXPECT_EQ(states.Width(), 16);
  EXPECT_EQ(states.Height(), 16);
  std::vector<std::unique_ptr<TBitmap>> drawn;
  for (int32_t i = 0; i < 5; ++i) drawn.push_back(DrawnOnRed(states, i));
  // The placeholder and "no check box" are transparent throughout.
  for (int32_t i : {0, 1})
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(drawn[size_t(i)]->Canvas()->Pixels(x, y), clRed) << i;
  // The three boxes: a frame, an opaque face, and their marks.
  for (int32_t i : {2, 3, 4}) {
    TCanvas* c = drawn[size_t(i)]->Canvas();
    EXPECT_EQ(c->Pixels(0, 0), clRed) << i;
    EXPECT_NE(c->Pixels(1, 1), clRed) << i;
    EXPECT_NE(c->Pixels(13, 7), clRed) << i;
    EXPECT_NE(c->Pixels(3, 3), clRed) << i;
  }
  TCanvas* checked = drawn[2]->Canvas();
  TCanvas* unchecked = drawn[3]->Canvas();
  TCanvas* grayed = drawn[4]->Canvas();
  EXPECT_EQ(checked->Pixels(7, 8), clBlack);
  EXPECT_EQ(unchecked->Pixels(7, 8), unchecked->Pixels(3, 3));
  EXPECT_NE(grayed->Pixels(7, 8), clBlack);
  EXPECT_NE(grayed->Pixels(7, 8), grayed->Pixels(3, 3));
}
