#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "imaging/views/view/imgview.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/gui/win_readback.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/tools_testing.h"

namespace {

class ImgViewLayers : public TImgViewTest {
 public:
  // A 100 x 100 image (red x, green y) and one more layer of W x H in a
  // single colour, placed at (X, Y) by its own position.
  TImgView* TwoLayers(int32_t W, int32_t H, int32_t X, int32_t Y, TRGB Colour) {
    TImgView* view = MakeView(200, 150);
    SetImage(view, 100, 100);
    view->SetSyncLayerExtent(false);
    view->AddLayer();
    TIELayer* layer = view->GetLayer(1);
    layer->Bitmap->Allocate(W, H, TIEPixelFormat::ie24RGB);
    layer->Bitmap->Fill(Colour.r | Colour.g << 8 | Colour.b << 16);
    layer->PosX = X, layer->PosY = Y;
    view->Update();
    return view;
  }
  static uint8_t AlphaAt(TIEBitmap* B, int32_t X, int32_t Y) {
    return B->HasAlphaChannel() ? B->AlphaChannel()->GetPixel8(X, Y) : 255;
  }
};

TEST_F(ImgViewLayers, MergeShiftsNegativePositionsAndFillsTheFourCases) {
  const TRGB blue{200, 10, 20};
  TImgView* view = TwoLayers(50, 20, -10, 5, blue);
  view->SetBackground(TColor(0x00302010));
  std::vector<int32_t> events;
  view->OnLayerNotify = [&](TObject*, int32_t Layer, TIELayerEvent Event) { events.push_back(Layer * 10 + Event); };
  view->MergeLayers(0, 1, true);
  ASSERT_EQ(view->GetLayerCount(), 1);
  EXPECT_EQ(view->CurrentLayer, 0);
  EXPECT_EQ(events, std::vector<int32_t>{0}) << "the merged layer became current";
  TIELayer* merged = view->GetLayer(0);
  TIEBitmap* b = merged->Bitmap;
  EXPECT_EQ(view->GetIEBitmap(), b);
  EXPECT_EQ(b->Width(), 110);
  EXPECT_EQ(b->Height(), 100);
  EXPECT_EQ(b->PixelFormat(), TIEPixelFormat::ie24RGB);
  EXPECT_EQ(merged->PosX, 0);
  EXPECT_EQ(merged->Width, 0);
  EXPECT_TRUE(merged->Locked) << "from the lower layer";
  EXPECT_FALSE(merged->Framed);
  struct TCase {
    const char* Name;
    int32_t X, Y;
    TRGB Colour;
    uint8_t Alpha;
  };
  const TCase cases[] = {
      {"outside both", 0, 0, TRGB{0x30, 0x20, 0x10}, 0},
      {"lower only", 60, 30, TRGB{0, 30, 50}, 255},
      {"upper only", 5, 10, blue, 255},
      {"both", 20, 10, blue, 255},
      {"image moved right", 10, 0, TRGB{0, 0, 0}, 255},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TRGB p = *b->PixelRGB(c.X, c.Y);
    EXPECT_EQ((std::vector<int>{p.r, p.g, p.b}), (std::vector<int>{c.Colour.r, c.Colour.g, c.Colour.b}));
    EXPECT_EQ(AlphaAt(b, c.X, c.Y), c.Alpha);
  }
}

TEST_F(ImgViewLayers, MergeWeighsTransparencyAndConvertsOtherFormats) {
  // Transparency 128 over the opaque image: half way, and opaque.
  TImgView* view = TwoLayers(100, 100, 0, 0, TRGB{200, 100, 0});
  view->GetLayer(1)->Transparency = 128;
  view->MergeLayers(1, 0, true);
  TIEBitmap* b = view->GetIEBitmap();
  const TRGB p = *b->PixelRGB(40, 60);  // image pixel (0, 60, 40)
  const double j = 128.0 / 255;
  EXPECT_EQ(p.b, Round(200 * j));
  EXPECT_EQ(p.g, Round(100 * j + 60 * (1 - j)));
  EXPECT_EQ(p.r, Round(40 * (1 - j)));
  EXPECT_FALSE(b->HasAlphaChannel()) << "a fully opaque result drops its alpha channel";

  // An 8-bit gray layer is read as its gray level.
  TImgView* gray = TwoLayers(10, 10, 5, 5, TRGB{});
  gray->GetLayer(1)->Bitmap->Allocate(10, 10, TIEPixelFormat::ie8g);
  gray->GetLayer(1)->Bitmap->Fill(77);
  const TIEPixelFormat grayFormat = gray->GetLayer(1)->Bitmap->PixelFormat();
  gray->MergeLayers(0, 1, false);
  ASSERT_EQ(gray->GetLayerCount(), 2) << "the upper layer stays";
  const TRGB g = *gray->GetLayer(0)->Bitmap->PixelRGB(7, 7);
  EXPECT_EQ((std::vector<int>{g.r, g.g, g.b}), (std::vector<int>{77, 77, 77}));
  EXPECT_EQ(gray->GetLayer(1)->Bitmap->PixelFormat(), grayFormat) << "the layer itself is not converted";

  // A display size is resampled for the merge only.
  TImgView* sized = TwoLayers(10, 10, 0, 0, TRGB{1, 2, 3});
  sized->GetLayer(1)->Width = 30;
  sized->MergeLayers(0, 1, false);
  EXPECT_EQ(sized->GetLayer(1)->Bitmap->Width(), 10);
  EXPECT_EQ(sized->GetLayer(0)->Bitmap->PixelRGB(25, 5)->b, 1);

  // The same layer twice, or a layer that is not there: nothing.
  TIEBitmap* before = view->GetIEBitmap();
  view->AddLayer();
  TIEBitmap* top = view->GetIEBitmap();
  for (auto [a, c] : {std::pair{1, 1}, std::pair{0, 2}, std::pair{-1, 0}}) {
    view->MergeLayers(a, c, true);
    EXPECT_EQ(view->GetLayerCount(), 2);
    EXPECT_EQ(view->GetLayer(0)->Bitmap, before);
    EXPECT_EQ(view->GetIEBitmap(), top);
  }
}

TEST_F(ImgViewLayers, SyncExtentPadsWithTransparentBackground) {
  TImgView* view = MakeView(200, 150);
  SetImage(view, 100, 100);
  view->SetBackground(TColor(0x00405060));
  view->AddLayer();
  view->GetIEBitmap()->Allocate(200, 50, TIEPixelFormat::ie24RGB);
  view->Update();
  TIEBitmap* image = view->GetLayer(0)->Bitmap;
  EXPECT_EQ(image->Width(), 200);
  EXPECT_EQ(image->Height(), 100);
  EXPECT_EQ(view->GetIEBitmap()->Height(), 100);
  EXPECT_EQ(view->ExtentWidth, 200);
  const TRGB pad = *image->PixelRGB(150, 20);
  EXPECT_EQ((std::vector<int>{pad.r, pad.g, pad.b}), (std::vector<int>{0x60, 0x50, 0x40}));
  EXPECT_EQ(AlphaAt(image, 150, 20), 0);
  EXPECT_EQ(AlphaAt(image, 50, 50), 255) << "the image itself stays opaque";
  EXPECT_EQ(AlphaAt(view->GetIEBitmap(), 100, 70), 0);
}

TEST_F(ImgViewLayers, RemoveLayerKeepsACurrentLayer) {
  struct TCase {
    const char* Name;
    int32_t Layers, Current, Remove;
    int32_t Count, NewCurrent;
    int32_t Survivor;  // original index of the new current layer
    bool Notified;
  };
  const TCase cases[] = {
      {"the only layer", 1, 0, 0, 1, 0, 0, false},        {"layer 0 of two", 2, 0, 0, 1, 0, 1, true},
      {"below the current one", 3, 2, 0, 2, 1, 2, true},  {"the current, last one", 3, 2, 2, 2, 1, 1, true},
      {"above the current one", 3, 0, 2, 2, 0, 0, false}, {"outside the list", 2, 1, 5, 2, 1, 1, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TImgView* view = MakeView(50, 50);
    SetImage(view, 20, 20);
    std::vector<TIEBitmap*> bitmaps{view->GetLayer(0)->Bitmap};
    for (int32_t i = 1; i < c.Layers; ++i) {
      view->AddLayer();
      bitmaps.push_back(view->GetIEBitmap());
    }
    view->SetCurrentLayer(c.Current);
    std::vector<int32_t> events;
    view->OnLayerNotify = [&](TObject*, int32_t Layer, TIELayerEvent Event) { events.push_back(Layer * 10 + Event); };
    view->RemoveLayer(c.Remove);
    EXPECT_EQ(view->GetLayerCount(), c.Count);
    EXPECT_EQ(view->CurrentLayer, c.NewCurrent);
    EXPECT_EQ(view->GetIEBitmap(), bitmaps[static_cast<size_t>(c.Survivor)]);
    EXPECT_EQ(events.size(), c.Notified ? 1u : 0u);
    if (c.Notified && !events.empty()) {
      EXPECT_EQ(events[0], c.NewCurrent * 10);
    }
  }
}

TEST_F(ImgViewLayers, HitTestsFollowAlphaAndGrips) {
  TImgView* view = TwoLayers(20, 20, 10, 10, TRGB{0, 0, 255});
  TIEBitmap* layer = view->GetIEBitmap();
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 20; ++x) layer->SetAlpha(x, y, x < 10 ? 0 : 255);
  ShowForm();
  const TIELayer* l1 = view->GetLayer(1);
  const int32_t ox = view->OffsetX, oy = view->OffsetY;
  ASSERT_EQ(l1->BoxLeft, ox + 10);
  ASSERT_EQ(l1->BoxRight, ox + 30);
  EXPECT_EQ(view->LayerAt(ox + 25, oy + 15), 1) << "opaque part";
  EXPECT_EQ(view->LayerAt(ox + 12, oy + 15), 0) << "through the transparent part";
  EXPECT_EQ(view->LayerAt(ox + 150, oy + 15), -1);
  view->SetSelectionOptions(view->SelectionOptions +
                            TIESelectionOptions{TIESelectionOptionsItem::iesoSelectTranspLayers});
  EXPECT_EQ(view->LayerAt(ox + 12, oy + 15), 1);

  const int32_t l = ox + 10, t = oy + 10, r = ox + 30, b = oy + 30;
  const std::pair<TPoint, int32_t> grips[] = {
      {{l, t}, 1},      {{r + 4, t - 4}, 2}, {{r, b}, 3},          {{l, b}, 4},     {{l - 4, t + 10}, 5},
      {{r, t + 10}, 6}, {{l + 10, t}, 7},    {{l + 10, b + 4}, 8}, {{r + 5, b}, 0}, {{l + 5, t + 5}, 0},
  };
  for (const auto& [p, g] : grips) EXPECT_EQ(view->LayerGripAt(p.X, p.Y), g) << p.X - ox << "," << p.Y - oy;
}

TEST_F(ImgViewLayers, GripResizeKeepsSidesAtLeastOne) {
  struct TCase {
    uint8_t Grip;
    TPoint To, PrevRaw;
    int32_t W, H, X, Y;
  };
  // The layer: 20 x 20 at (10, 10); client points at zoom 100.
  const TCase cases[] = {
      {3, {40, 35}, {30, 30}, 30, 25, 10, 10}, {3, {0, 0}, {30, 30}, 1, 1, 10, 10},
      {1, {5, 8}, {10, 10}, 25, 22, 5, 8},     {1, {50, 50}, {10, 10}, 1, 1, 10, 10},
      {2, {45, 4}, {30, 10}, 35, 26, 10, 4},   {4, {2, 33}, {10, 30}, 28, 23, 2, 10},
      {5, {4, 20}, {10, 20}, 26, 20, 4, 10},   {6, {15, 20}, {30, 20}, 5, 20, 10, 10},
      {6, {3, 20}, {30, 20}, 1, 20, 10, 10},   {7, {20, 2}, {20, 10}, 20, 28, 10, 2},
      {8, {20, 40}, {20, 30}, 20, 30, 10, 10},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "grip " << int(c.Grip) << " to " << c.To.X << "," << c.To.Y);
    TImgView* view = TwoLayers(20, 20, 10, 10, TRGB{});
    view->SetCenter(false);
    ShowForm();
    TIELayer* layer = view->CurrentLayerObject();
    view->LayerGrip = c.Grip;
    view->LayerRectAtGrip = TRect{layer->BoxLeft, layer->BoxTop, layer->BoxRight, layer->BoxBottom};
    view->PrevRawX = c.PrevRaw.X, view->PrevRawY = c.PrevRaw.Y;
    view->ResizeLayerByGrip(c.To.X, c.To.Y, false);
    EXPECT_EQ(layer->DisplayWidth(), c.W);
    EXPECT_EQ(layer->DisplayHeight(), c.H);
    EXPECT_EQ(layer->PosX, c.X);
    EXPECT_EQ(layer->PosY, c.Y);
    view->LayerGrip = 0;
  }
}

TEST_F(ImgViewLayers, PositionedLayersPaintCroppedAndRoundLensesAreTransparentAtTheCorners) {
  TImgView* view = TwoLayers(40, 40, 30, 30, TRGB{});
  view->SetCenter(false);
  TIELayer* lens = view->GetLayer(1);
  lens->Magnifier = true;
  lens->MagnifierShape = 1;
  lens->MagnifierSource = 0;
  lens->MagnifyFactor = 2;
  view->AddLayer();
  TIELayer* edge = view->GetLayer(2);
  edge->Bitmap->Allocate(30, 10, TIEPixelFormat::ie24RGB);
  edge->Bitmap->Fill(0xFF);  // red
  edge->PosX = 85, edge->PosY = 0;
  edge->Cropped = true;
  view->SetEnableAlphaChannel(true);
  ShowForm();
  TIEBitmap* b = lens->Bitmap;
  ASSERT_TRUE(b->HasAlphaChannel());
  EXPECT_EQ(b->AlphaChannel()->GetPixel8(0, 0), 0);
  EXPECT_EQ(b->AlphaChannel()->GetPixel8(39, 39), 0);
  EXPECT_EQ(b->AlphaChannel()->GetPixel8(20, 20), 255);
  EXPECT_EQ(b->AlphaChannel()->GetPixel8(20, 1), 255) << "the lens reaches the edges' middles";
  // The lens shows the 20 x 20 image area round its centre (50, 50) twice as large.
  const TRGB centre = *b->PixelRGB(20, 20);
  EXPECT_EQ(centre.r, 50);
  EXPECT_EQ(centre.g, 50);
  EXPECT_EQ(b->PixelRGB(2, 20)->r, 41);

  HWND wnd = view->Handle();
  EXPECT_EQ(PixelOf(wnd, 50, 50), TColor(RGB(50, 50, 0))) << "the lens centre on the window";
  EXPECT_EQ(PixelOf(wnd, 31, 31), TColor(RGB(31, 31, 0))) << "outside the round lens the image shows";
  EXPECT_EQ(PixelOf(wnd, 95, 5), TColor(RGB(255, 0, 0)));
  EXPECT_NE(PixelOf(wnd, 105, 5), TColor(RGB(255, 0, 0))) << "cut at the image's right edge";
  EXPECT_EQ(edge->BoxRight, 115) << "the box keeps the whole layer";

  // From what is painted below, the same area gives the same lens.
  lens->MagnifierSource = 1;
  b->Fill(0);
  view->Update();
  view->TIEViewControl::Update();
  EXPECT_EQ(b->PixelRGB(20, 20)->r, 50);
  EXPECT_EQ(b->PixelRGB(2, 20)->r, 41);
  EXPECT_EQ(PixelOf(wnd, 50, 50), TColor(RGB(50, 50, 0)));
}

// Opaque 24-bit layers merged with Transparency as the image tool dissolves.
TEST_F(ImgViewLayers, MergeMatchesTheImageToolsDissolve) {
  REQUIRE_TOOL("composite", "imagemagick");
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "imgview_layers_xcheck";
  std::filesystem::create_directories(dir);
  const int32_t w = 32, h = 24;
  const auto pattern = [](int32_t x, int32_t y, int32_t k) {
    return TRGB{uint8_t((x * 7 + k) % 256), uint8_t((y * 11 + k * 3) % 256), uint8_t((x * y + k) % 256)};
  };
  const auto savePng = [&](TIEBitmap* B, const std::filesystem::path& File) {
    TBitmap out;
    out.SetPixelFormat(TPixelFormat::pf24bit);
    out.SetSize(B->Width(), B->Height());
    for (int32_t y = 0; y < B->Height(); ++y) std::memcpy(out.ScanLine(y), B->ScanLine(y), size_t(B->Width()) * 3);
    ASSERT_TRUE(SavePng(out, File.string()));
  };
  for (int32_t transparency : {128, 255}) {
    SCOPED_TRACE(transparency);
    TImgView* view = MakeView(60, 60);
    view->GetIEBitmap()->Allocate(w, h, TIEPixelFormat::ie24RGB);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) *view->GetIEBitmap()->PixelRGB(x, y) = pattern(x, y, 0);
    view->Update();
    view->AddLayer();
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) *view->GetIEBitmap()->PixelRGB(x, y) = pattern(x, y, 90);
    view->GetLayer(1)->Transparency = transparency;
    savePng(view->GetLayer(0)->Bitmap, dir / "lower.png");
    savePng(view->GetLayer(1)->Bitmap, dir / "upper.png");
    const std::string out = (dir / "out.ppm").string();
    std::filesystem::remove(out);
    const std::string amount = transparency == 128 ? "50.196" : "100";
    ASSERT_EQ(RunToolCaptured({"composite", "-dissolve", amount, (dir / "upper.png").string(),
                               (dir / "lower.png").string(), "-depth", "8", out})
                  .ExitStatus,
              0);
    view->MergeLayers(0, 1, true);
    std::ifstream in(out, std::ios::binary);
    std::string magic;
    int32_t pw = 0, ph = 0, maxval = 0;
    in >> magic >> pw >> ph >> maxval;
    in.get();
    ASSERT_EQ(magic, "P6");
    ASSERT_EQ(pw, w);
    ASSERT_EQ(ph, h);
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
    ASSERT_TRUE(in);
    int32_t worst = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const TRGB m = *view->GetIEBitmap()->PixelRGB(x, y);
        const uint8_t* t = &rgb[(size_t(y) * w + x) * 3];
        worst = std::max({worst, std::abs(m.r - t[0]), std::abs(m.g - t[1]), std::abs(m.b - t[2])});
      }
    EXPECT_LE(worst, transparency == 255 ? 0 : 1);
  }
}

}  // namespace
