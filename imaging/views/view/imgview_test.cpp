#include "imaging/views/view/imgview.h"

#include <gtest/gtest.h>

#include <thread>

#include "imaging/io/core/ieimgio.h"
#include "imaging/model/processing/imgproc.h"
#include "imaging/views/view/imgview_testing.h"
#include "platform/gui/win_readback.h"
#include "platform/vcl/forms.h"

namespace {

class ImgView : public TImgViewTest {};

// Counts the view's recomputations.
class TCountingView : public TImgView {
 public:
  using TImgView::TImgView;
  void Update() override {
    if (UpdateLock == 0) ++Updates;
    TImgView::Update();
  }
  int32_t Updates = 0;
};

TEST_F(ImgView, ConstructionState) {
  auto view = std::make_unique<TCountingView>(nullptr);
  EXPECT_EQ(view->Width(), 105);
  EXPECT_EQ(view->Height(), 105);
  EXPECT_EQ(view->UpdateLock, 0);
  EXPECT_EQ(view->OffsetX, 25) << "the update that ends construction centred the empty image in 50 pixels";
  EXPECT_EQ(view->Zoom(), 100);
  EXPECT_EQ(view->GetLayerCount(), 1);
  EXPECT_TRUE(view->GetLayer(0)->Locked);
  EXPECT_FALSE(view->GetLayer(0)->Framed);
  EXPECT_EQ(view->GetLayer(0)->Bitmap, view->GetIEBitmap());
  EXPECT_NE(view->GetBitmap(), nullptr) << "legacy mode by default";
  EXPECT_EQ(view->GetIEBitmap()->Location(), TIELocation::ieTBitmap);
  EXPECT_EQ(view->ShownCursor, crDefault);
  EXPECT_EQ(view->ImgVersion(), "2.2.0");
  EXPECT_EQ(view->GetViewWidth(), 50) << "no parent window";
  EXPECT_FALSE(view->HasOwner);
  EXPECT_EQ(view->SelectionMask()->BitsPerPixel(), 1);
  view->Updates = 0;
  view->LockUpdate();
  view->Update();
  view->SetCenter(false);
  EXPECT_EQ(view->Updates, 0) << "inert under the update lock";
  view->UnlockUpdate();
  EXPECT_EQ(view->Updates, 1) << "the unlock runs it once";
}

TEST_F(ImgView, OwnershipModes) {
  auto view = std::make_unique<TImgView>(nullptr);
  int32_t calls = 0;
  TBitmap* seenPlatform = nullptr;
  TIEBitmap* seenBitmap = nullptr;
  view->AddBitmapChangeListener([&](TObject*, bool d) {
    if (d) return;
    ++calls;
    seenPlatform = view->GetBitmap();
    seenBitmap = view->GetIEBitmap();
  });
  // Modern mode: no platform bitmap, pixels kept.
  SetImage(view.get(), 3, 2);
  view->SetLegacyBitmap(false);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seenPlatform, nullptr);
  EXPECT_EQ(seenBitmap, view->GetIEBitmap());
  EXPECT_EQ(view->GetIEBitmap()->Location(), TIELocation::ieMemory);
  EXPECT_EQ(view->GetIEBitmap()->PixelRGB(2, 1)->r, 2);
  view->SetLegacyBitmap(true);
  EXPECT_NE(seenPlatform, nullptr);
  EXPECT_EQ(seenPlatform->Width(), 3);

  // External: the caller's bitmap is shown and never freed.
  auto external = std::make_unique<TIEBitmap>();
  external->Allocate(7, 5, TIEPixelFormat::ie24RGB);
  view->SetExternalBitmap(external.get());
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(seenBitmap, external.get());
  EXPECT_EQ(seenPlatform, nullptr);
  EXPECT_EQ(view->ExtentWidth, 7);
  view->SetExternalBitmap(nullptr);
  EXPECT_EQ(calls, 3) << "giving the external bitmap back notifies nobody";
  EXPECT_NE(view->GetIEBitmap(), external.get());
  EXPECT_EQ(view->GetBitmap(), nullptr);
  view->Update();
  EXPECT_EQ(view->ExtentWidth, 0) << "a later Update shows the empty bitmap";
  view.reset();
  EXPECT_EQ(external->Width(), 7) << "still alive";
}

TEST_F(ImgView, ClearAssignAndEmptiness) {
  auto view = std::make_unique<TImgView>(nullptr);
  view->SetBackground(RGB(10, 20, 30));
  SetImage(view.get(), 2, 1);
  EXPECT_FALSE(view->IsEmpty()) << "2 x 1";
  view->GetIEBitmap()->AlphaChannel();
  view->ClearImage();
  EXPECT_TRUE(view->IsEmpty());
  EXPECT_FALSE(view->HasAlphaChannel());
  EXPECT_EQ(*view->GetIEBitmap()->PixelRGB(0, 0), (TRGB{30, 20, 10}));

  auto other = std::make_unique<TImgView>(nullptr);
  SetImage(other.get(), 4, 3);
  other->SetDpi(72, 96);
  other->SetBackground(clRed);
  int32_t changes = 0;
  view->OnImageChange = [&](TObject*) { ++changes; };
  view->Assign(other.get());
  EXPECT_EQ(view->ExtentWidth, 4);
  EXPECT_EQ(view->GetDpiY(), 96);
  EXPECT_EQ(view->Background(), clRed);
  TBitmap gray;
  gray.SetPixelFormat(TPixelFormat::pf8bit);
  gray.SetSize(5, 2);
  view->Assign(&gray);
  EXPECT_EQ(view->GetIEBitmap()->PixelFormat(), TIEPixelFormat::ie24RGB) << "8 bits become 24";
  EXPECT_EQ(view->ExtentWidth, 5);
  TPicture unsupported;
  view->Assign(&unsupported);
  EXPECT_EQ(view->ExtentWidth, 5) << "other sources change nothing";
  EXPECT_EQ(changes, 2);
}

TEST_F(ImgView, UpdateFollowsABitmapSizeChange) {
  auto view = std::make_unique<TImgView>(nullptr);
  SetImage(view.get(), 8, 6);
  view->Selected = true;
  view->PolygonRecords[0]->Points = {{1, 1}, {4, 1}, {4, 4}};
  TIEBitmap* alpha = view->GetAlphaChannel();
  EXPECT_EQ(alpha->Width(), 8);
  // The platform bitmap itself is resized, as code drawing into it does.
  view->GetBitmap()->SetSize(12, 9);
  view->Update();
  EXPECT_EQ(view->ExtentWidth, 12);
  EXPECT_FALSE(view->HasSelection());
  EXPECT_EQ(view->GetSelectionPointCount(), 0);
  EXPECT_EQ(view->SelectionMask()->Width(), 12);
  EXPECT_EQ(view->SelectionMask()->Height(), 9);
  ASSERT_TRUE(view->HasAlphaChannel());
  alpha = view->GetAlphaChannel();
  EXPECT_EQ(alpha->Width(), 12);
  EXPECT_EQ(alpha->GetPixel8(11, 8), 255);
  EXPECT_EQ(alpha->GetPixel8(0, 0), 255);
}

TEST_F(ImgView, RemoveAlphaChannelBlendsOverTheBackground) {
  // Background channel value 100; pixel values on both sides of it.
  struct TCase {
    uint8_t Alpha, Value, Expected;
  };
  const TCase cases[] = {
      {0, 200, 100}, {0, 20, 100}, {255, 200, 200}, {255, 20, 20}, {128, 200, 150}, {128, 20, 60},
  };
  auto view = std::make_unique<TImgView>(nullptr);
  view->SetBackground(RGB(100, 100, 100));
  for (const TCase& c : cases) {
    SetImage(view.get(), 1, 1);
    *view->GetIEBitmap()->PixelRGB(0, 0) = TRGB{c.Value, c.Value, c.Value};
    view->GetAlphaChannel()->SetPixel8(0, 0, c.Alpha);
    view->RemoveAlphaChannel(true);
    EXPECT_FALSE(view->HasAlphaChannel());
    EXPECT_EQ(view->GetIEBitmap()->PixelRGB(0, 0)->g, c.Expected) << int(c.Alpha) << " " << int(c.Value);
  }
  SetImage(view.get(), 1, 1);
  view->GetAlphaChannel()->SetPixel8(0, 0, 0);
  view->RemoveAlphaChannel(false);
  EXPECT_EQ(view->GetIEBitmap()->PixelRGB(0, 0)->r, 0) << "no blend without Merge";
}

TEST_F(ImgView, ComponentsAreCreatedOnceAndFollowTheView) {
  auto view = std::make_unique<TImgView>(nullptr);
  int32_t progress = 0;
  TImgIO* io = view->GetImageIO();
  EXPECT_EQ(view->GetImageIO(), io);
  view->SetOnProgress([&](TObject*, int32_t) { ++progress; });
  TImgProc* proc = view->GetImageProc();
  ASSERT_TRUE(io->OnProgress && proc->OnProgress);
  EXPECT_EQ(io->IEBitmap(), view->GetIEBitmap());
  EXPECT_EQ(view->ListenerCount(), 2);

  // An image change carries the view's resolution into the I/O parameters.
  view->SetDpi(150, 75);
  auto external = std::make_unique<TIEBitmap>();
  external->Allocate(3, 3, TIEPixelFormat::ie24RGB);
  view->SetExternalBitmap(external.get());
  EXPECT_EQ(io->IEBitmap(), external.get());
  EXPECT_EQ(io->Params().DpiX, 150);
  EXPECT_EQ(io->Params().DpiY, 75);
  view.reset();  // frees both components with the view, under ASan
}

TEST_F(ImgView, CursorsOnlyForAViewWithAnOwner) {
  TImgView* owned = MakeView(60, 60);
  auto* orphan = new TImgView(nullptr);
  orphan->SetBounds(80, 0, 60, 60);
  orphan->SetParent(Form.get());
  ShowForm();
  ASSERT_NE(Screen->Cursors(1785), Screen->Cursors(crDefault)) << "the view cursors are installed";
  std::vector<HCURSOR> viewCursors;
  for (TCursor c = IECursorFirst; c <= IECursorLast; ++c)
    if (c != 1780 && c != 1782) viewCursors.push_back(Screen->Cursors(c));
  for (TCursor c : {TCursor(1785), TCursor(1791), TCursor(1787)}) {
    orphan->SetCursor(c);
    orphan->SetMouseInteract(TIEMouseInteract{TIEMouseInteractItems::miSelect});
    for (int32_t x = 85; x < 140; x += 11) {
      MoveTo(Form.get(), x, 30);
      EXPECT_EQ(std::count(viewCursors.begin(), viewCursors.end(), H().Cursor()), 0);
    }
  }
  EXPECT_EQ(orphan->Cursor(), crDefault);
  owned->SetCursor(1785);
  MoveTo(Form.get(), 30, 30);
  EXPECT_EQ(H().Cursor(), Screen->Cursors(1785));
  EXPECT_EQ(owned->Cursor(), 1785);
  delete orphan;
}

TEST_F(ImgView, MessagesOfTheView) {
  TImgView* view = MakeView(60, 60);
  ShowForm();
  EXPECT_EQ(view->Perform(WM_ERASEBKGND, 0, 0), 0);
  EXPECT_EQ(view->Perform(WM_PALETTECHANGED, 0, 0), 1);
  int32_t frames = 0;
  view->OnDShowNewFrame = [&](TObject*) { ++frames; };
  view->OnDShowEvent = [&](TObject*) { ++frames; };
  view->GetImageIO();
  view->Perform(IEM_NEWFRAME, 0, 0);
  view->Perform(IEM_EVENT, 0, 1234);
  EXPECT_EQ(frames, 0) << "the I/O component holds no connected media object";
}

TEST_F(ImgView, ResizingTheWindowUpdates) {
  TImgView* view = MakeView(60, 60);
  SetImage(view, 20, 10);
  ShowForm();
  EXPECT_EQ(view->OffsetX, 20);
  view->SetBounds(0, 0, 100, 60);
  EXPECT_EQ(view->OffsetX, 40);
}

TEST_F(ImgView, ShownWithScrollBarsAndImage) {
  Form->SetColor(clTeal);
  TImgView* view = MakeView(160, 120, TScrollStyle::ssBoth);
  view->SetBackground(RGB(40, 40, 40));
  SetImage(view, 100, 60);
  view->SetZoom(200);
  ShowForm();
  EXPECT_TRUE(view->HScrollShown);
  EXPECT_TRUE(view->VScrollShown);
  const int32_t cw = view->ClientWidth(), ch = view->ClientHeight();
  EXPECT_EQ(cw, 160 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(ch, 120 - GetSystemMetrics(SM_CYHSCROLL));
  view->SetViewOrigin(11, 7);
  Pump();
  std::unique_ptr<TBitmap> shot = WindowPixels(view->Handle(), true);
  ASSERT_TRUE(shot);
  SavePng(*shot, "imgview_scrolled.png");
  std::unique_ptr<TBitmap> client = WindowPixels(view->Handle(), false);
  // Client (0, 0) shows zoomed (11, 7): bitmap pixel (5, 3).
  EXPECT_EQ(client->Canvas()->Pixels(0, 0), TColor(RGB(5, 3, 0)));
  EXPECT_EQ(client->Canvas()->Pixels(cw - 1, ch - 1),
            TColor(RGB(uint8_t(view->ScreenToBitmapX(cw - 1)), uint8_t(view->ScreenToBitmapY(ch - 1)), 0)));

  TImgView* small = MakeView(120, 90);
  small->SetBounds(170, 0, 120, 90);
  small->SetBackground(RGB(40, 40, 40));
  SetImage(small, 40, 30);
  Pump();
  client = WindowPixels(small->Handle(), false);
  SavePng(*client, "imgview_centred.png");
  EXPECT_EQ(client->Canvas()->Pixels(39, 29), TColor(RGB(40, 40, 40))) << "background around";
  EXPECT_EQ(client->Canvas()->Pixels(40, 30), TColor(RGB(0, 0, 0))) << "the centred image";
  EXPECT_EQ(client->Canvas()->Pixels(79, 59), TColor(RGB(39, 29, 0)));

  small->SetDrawVersion(true);
  Pump();
  client = WindowPixels(small->Handle(), false);
  SavePng(*client, "imgview_version.png");
  EXPECT_EQ(client->Canvas()->Pixels(119, 89), TColor(RGB(255, 255, 255))) << "the version text's cell";
  EXPECT_GT(CountColor(small->Handle(), TRect{0, 70, 120, 90}, clBlack), 20) << "its letters";
}

// Posted from a worker, as the I/O component's threads do.
class ImgViewAsync : public ImgView {};

TEST_F(ImgViewAsync, DeferredUpdateFromAWorker) {
  auto* view = new TCountingView(Form.get());
  view->SetParent(Form.get());
  ShowForm();
  view->Updates = 0;
  HWND h = view->Handle();
  std::thread worker([h] { PostMessage(h, IEM_UPDATE, 0, 0); });
  worker.join();
  EXPECT_EQ(view->Updates, 0) << "nothing runs on the worker";
  Pump();
  EXPECT_EQ(view->Updates, 1);
}

}  // namespace
