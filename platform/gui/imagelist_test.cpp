// Image lists: storage (add, masked add, replace, remove, stale handles) and
// every draw style on tiny images with exact pixels.
#include "platform/gui/imagelist.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/gui/gdi_internal.h"
#include "platform/gui/graphics.h"
#include "platform/gui/syscolors.h"

namespace {

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0;

COLORREF PixelOf(const TBitmap& b, int32_t x, int32_t y) {
  const TGdiRaster r = GdiBitmapRaster(b.Handle());
  return GdiValueToColor(r, GdiReadPixel(r, x, y));
}

// A 24-bit bitmap from rows of colours.
std::unique_ptr<TBitmap> FromRows(const std::vector<std::vector<COLORREF>>& rows,
                                  TPixelFormat f = TPixelFormat::pf24bit) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(f);
  b->SetSize(int32_t(rows[0].size()), int32_t(rows.size()));
  const TGdiRaster r = GdiBitmapRaster(b->Handle());
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      GdiWritePixel(r, int32_t(x), int32_t(y), GdiColorToValue(r, rows[y][x]));
  return b;
}

std::unique_ptr<TBitmap> Filled(int32_t w, int32_t h, COLORREF c) {
  return FromRows(std::vector<std::vector<COLORREF>>(size_t(h), std::vector<COLORREF>(size_t(w), c)));
}

std::vector<COLORREF> Row(const TBitmap& b, int32_t y) {
  std::vector<COLORREF> v;
  for (int32_t x = 0; x < b.Width(); ++x) v.push_back(PixelOf(b, x, y));
  return v;
}

// A masked list of 2 x 1 images: image 0 is red|green with its second pixel
// masked, image 1 blue|white fully opaque.
struct TListFixture {
  TListFixture() {
    list = ImageList_Create(2, 1, ILC_MASK | ILC_COLOR24, 4, 4);
    auto image = FromRows({{kRed, kGreen, kBlue, kWhite}});
    auto mask = FromRows({{kBlack, kWhite, kBlack, kBlack}}, TPixelFormat::pf1bit);
    first = ImageList_Add(list, image->Handle(), mask->Handle());
  }
  ~TListFixture() { ImageList_Destroy(list); }
  HIMAGELIST list;
  int32_t first;
};

TEST(GfxImageList, StoresEqualImagesWithMasks) {
  TListFixture f;
  EXPECT_EQ(f.first, 0);
  EXPECT_EQ(ImageList_GetImageCount(f.list), 2);
  int32_t cx = 0, cy = 0;
  EXPECT_TRUE(ImageList_GetIconSize(f.list, &cx, &cy));
  EXPECT_EQ(cx, 2);
  EXPECT_EQ(cy, 1);

  // AddMasked: pixels of the colour are transparent (and stored black).
  auto more = FromRows({{kWhite, kRed, kRed, kWhite, kBlue}});  // 2 images; the fifth pixel is cut
  EXPECT_EQ(ImageList_AddMasked(f.list, more->Handle(), kWhite), 2);
  EXPECT_EQ(ImageList_GetImageCount(f.list), 4);
  auto dst = Filled(2, 1, kBlue);
  ImageList_Draw(f.list, 3, dst->Canvas()->Handle(), 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(Row(*dst, 0), (std::vector<COLORREF>{kRed, kBlue}));
  ImageList_SetBkColor(f.list, kGreen);
  ImageList_Draw(f.list, 3, dst->Canvas()->Handle(), 0, 0, ILD_NORMAL);
  EXPECT_EQ(Row(*dst, 0), (std::vector<COLORREF>{kRed, kGreen}));
  ImageList_SetBkColor(f.list, CLR_NONE);

  // Replace and remove move the images as expected.
  auto repl = FromRows({{kGreen, kGreen}});
  EXPECT_TRUE(ImageList_Replace(f.list, 1, repl->Handle(), nullptr));
  EXPECT_TRUE(ImageList_Remove(f.list, 0));
  EXPECT_EQ(ImageList_GetImageCount(f.list), 3);
  ImageList_Draw(f.list, 0, dst->Canvas()->Handle(), 0, 0, ILD_NORMAL);
  EXPECT_EQ(Row(*dst, 0), (std::vector<COLORREF>{kGreen, kGreen}));
  EXPECT_FALSE(ImageList_Remove(f.list, 3));
  EXPECT_FALSE(ImageList_Replace(f.list, 5, repl->Handle(), nullptr));
  EXPECT_FALSE(ImageList_Draw(f.list, 3, dst->Canvas()->Handle(), 0, 0, ILD_NORMAL));
  EXPECT_TRUE(ImageList_Remove(f.list, -1));
  EXPECT_EQ(ImageList_GetImageCount(f.list), 0);

  // Too narrow a bitmap adds nothing; bad handles fail quietly.
  auto narrow = FromRows({{kRed}});
  EXPECT_EQ(ImageList_Add(f.list, narrow->Handle(), nullptr), -1);
  EXPECT_EQ(ImageList_Add(f.list, nullptr, nullptr), -1);
  EXPECT_EQ(ImageList_Create(0, 16, 0, 1, 1), nullptr);
  HIMAGELIST gone = ImageList_Create(1, 1, 0, 1, 1);
  EXPECT_TRUE(ImageList_Destroy(gone));
  EXPECT_FALSE(ImageList_Destroy(gone));
  EXPECT_EQ(ImageList_GetImageCount(gone), -1);
  EXPECT_EQ(ImageList_Add(gone, repl->Handle(), nullptr), -1);
  EXPECT_FALSE(ImageList_Draw(gone, 0, dst->Canvas()->Handle(), 0, 0, ILD_NORMAL));
}

// A system-owned list is shared by the whole process: it can be read and
// drawn but neither changed nor destroyed.
TEST(GfxImageList, SystemOwnedListRefusesChangesAndDestruction) {
  TListFixture f;
  auto repl = FromRows({{kGreen, kGreen}});
  EXPECT_FALSE(ImageList_SetSystemOwned(nullptr));
  ASSERT_TRUE(ImageList_SetSystemOwned(f.list));
  EXPECT_FALSE(ImageList_Destroy(f.list));
  EXPECT_EQ(ImageList_Add(f.list, repl->Handle(), nullptr), -1);
  EXPECT_EQ(ImageList_AddMasked(f.list, repl->Handle(), kWhite), -1);
  EXPECT_FALSE(ImageList_Replace(f.list, 0, repl->Handle(), nullptr));
  EXPECT_FALSE(ImageList_Remove(f.list, 0));
  EXPECT_FALSE(ImageList_Remove(f.list, -1));
  EXPECT_EQ(ImageList_SetBkColor(f.list, kGreen), CLR_NONE);
  EXPECT_EQ(ImageList_GetBkColor(f.list), CLR_NONE);
  EXPECT_FALSE(ImageList_SetOverlayImage(f.list, 0, 1));
  EXPECT_EQ(ImageList_GetImageCount(f.list), 2);
  auto dst = Filled(2, 1, kBlue);
  EXPECT_TRUE(ImageList_Draw(f.list, 1, dst->Canvas()->Handle(), 0, 0, ILD_NORMAL));
  EXPECT_EQ(Row(*dst, 0), (std::vector<COLORREF>{kBlue, kWhite}));
}

TEST(GfxImageList, DrawStyles) {
  TListFixture f;
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  auto blend = [](COLORREF image, COLORREF fg, uint32_t a) {
    COLORREF r = 0;
    for (int s : {0, 8, 16}) r |= ((((fg >> s) & 0xFF) * a + ((image >> s) & 0xFF) * (255 - a) + 127) / 255) << s;
    return r;
  };
  const struct {
    const char* What;
    int32_t Index;
    COLORREF Bk, Fg;
    uint32_t Style;
    std::vector<COLORREF> Want;  // on a 3 x 1 yellow row, drawn at x 1
  } cases[] = {
      {"normal, no background", 0, CLR_DEFAULT, CLR_DEFAULT, ILD_NORMAL, {0x00FFFF, kRed, 0x00FFFF}},
      {"normal with a background", 0, kBlack, CLR_DEFAULT, ILD_NORMAL, {0x00FFFF, kRed, kBlack}},
      {"transparent beats the background", 0, kBlack, CLR_DEFAULT, ILD_TRANSPARENT, {0x00FFFF, kRed, 0x00FFFF}},
      {"mask: text colour and background colour",
       0,
       CLR_DEFAULT,
       CLR_DEFAULT,
       ILD_MASK,
       {0x00FFFF, 0x808080, 0x0000FF00}},
      {"blend 50 with a colour",
       1,
       CLR_DEFAULT,
       kRed,
       ILD_BLEND50 | ILD_TRANSPARENT,
       {0x00FFFF, 0x7F0080, blend(kWhite, kRed, 128)}},
      {"blend 25 with the highlight",
       1,
       CLR_DEFAULT,
       CLR_DEFAULT,
       ILD_FOCUS,
       {0x00FFFF, blend(kBlue, highlight, 64), blend(kWhite, highlight, 64)}},
      {"selected blends with the destination",
       1,
       CLR_DEFAULT,
       CLR_NONE,
       ILD_SELECTED,
       {0x00FFFF, blend(kBlue, 0x00FFFF, 128), blend(kWhite, 0x00FFFF, 128)}},
      {"blend leaves masked pixels out",
       0,
       CLR_DEFAULT,
       kBlue,
       ILD_BLEND50,
       {0x00FFFF, blend(kRed, kBlue, 128), 0x00FFFF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    auto dst = Filled(3, 1, 0x00FFFF);
    HDC dc = dst->Canvas()->Handle();
    SetTextColor(dc, 0x808080);
    SetBkColor(dc, 0x00FF00);
    EXPECT_TRUE(ImageList_DrawEx(f.list, c.Index, dc, 1, 0, 0, 0, c.Bk, c.Fg, c.Style));
    EXPECT_EQ(Row(*dst, 0), c.Want);
  }
  // Blending keeps the ends exact: 50 % red into blue.
  EXPECT_EQ(blend(kBlue, kRed, 128), 0x7F0080u);
}

TEST(GfxImageList, DrawExPartAndClip) {
  auto image = FromRows({{kRed, kGreen, kBlue}, {kWhite, kBlack, kRed}});
  HIMAGELIST list = ImageList_Create(3, 2, ILC_COLOR24, 1, 1);
  ASSERT_EQ(ImageList_Add(list, image->Handle(), nullptr), 0);
  auto dst = Filled(4, 3, kBlack);
  HDC dc = dst->Canvas()->Handle();
  ImageList_DrawEx(list, 0, dc, 1, 1, 2, 1, CLR_NONE, CLR_NONE, ILD_NORMAL);
  EXPECT_EQ(Row(*dst, 1), (std::vector<COLORREF>{kBlack, kRed, kGreen, kBlack}));
  EXPECT_EQ(Row(*dst, 2), (std::vector<COLORREF>(4, kBlack)));
  IntersectClipRect(dc, 0, 0, 2, 1);
  ImageList_Draw(list, 0, dc, 0, 0, ILD_NORMAL);
  EXPECT_EQ(Row(*dst, 0), (std::vector<COLORREF>{kRed, kGreen, kBlack, kBlack}));
  ImageList_Destroy(list);
}

TEST(GfxImageList, DisabledLookDrawsTheMaskInHighlightThenShadow) {
  // 3 x 3 image with one opaque pixel in the middle.
  auto image = Filled(3, 3, kRed);
  auto mask = Filled(3, 3, kWhite);
  const TGdiRaster m = GdiBitmapRaster(mask->Handle());
  GdiWritePixel(m, 1, 1, 0);
  HIMAGELIST list = ImageList_Create(3, 3, ILC_MASK, 1, 1);
  ASSERT_EQ(ImageList_Add(list, image->Handle(), mask->Handle()), 0);
  auto dst = Filled(4, 4, kBlack);
  EXPECT_TRUE(ImageList_DrawDisabled(list, 0, dst->Canvas()->Handle(), 0, 0));
  const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW);
  EXPECT_EQ(PixelOf(*dst, 1, 1), sh);
  EXPECT_EQ(PixelOf(*dst, 2, 2), hi);
  int changed = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) changed += PixelOf(*dst, x, y) != kBlack;
  EXPECT_EQ(changed, 2);
  ImageList_Destroy(list);
}

}  // namespace
