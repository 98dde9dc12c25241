#include "imaging/io/core/ieimgmio.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/io/contract/ieparams.h"
#include "imaging/model/pixels/iebitmap.h"
#include "imaging/model/processing/ieview_testing.h"

namespace {

// A view with N images of 2 x 2.
std::unique_ptr<TIEFakeMView> ViewOf(int32_t N) {
  auto view = std::make_unique<TIEFakeMView>();
  for (int32_t i = 0; i < N; ++i) view->InsertImage(i);
  return view;
}

// Marks record I by its JPEG quality, so moves and copies can be followed.
void Mark(TImgMIO& M, int32_t I, int32_t Q) { M.GetParams(I)->JPEGQuality = Q; }
std::vector<int32_t> Marks(TImgMIO& M) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < M.GetParamsCount(); ++i) out.push_back(M.GetParams(i)->JPEGQuality);
  return out;
}

TEST(ImgMIO, FollowsTheViewsList) {
  auto view = ViewOf(5);
  TImgMIO mio;
  mio.SetAttachedMView(view.get());
  ASSERT_EQ(mio.GetParamsCount(), 5);
  EXPECT_EQ(mio.GetParams(4)->Width, 0);  // standalone defaults: no size
  EXPECT_EQ(mio.GetParams(-1), nullptr);
  EXPECT_EQ(mio.GetParams(5), nullptr);
  for (int32_t i = 0; i < 5; ++i) Mark(mio, i, 10 + i);

  view->InsertImage(0);  // the record at 0 copies the old first one
  EXPECT_EQ(Marks(mio), (std::vector<int32_t>{10, 10, 11, 12, 13, 14}));
  mio.MoveParams(2, 99);  // past the end: to the end
  EXPECT_EQ(Marks(mio), (std::vector<int32_t>{10, 10, 12, 13, 14, 11}));
  mio.MoveParams(-1, 0);
  mio.MoveParams(1, -3);
  mio.SwapParams(0, 7);
  mio.DeleteParams(6);
  mio.DeleteParams(-1);
  EXPECT_EQ(Marks(mio), (std::vector<int32_t>{10, 10, 12, 13, 14, 11}));  // out of range: nothing
  mio.SwapParams(0, 5);
  mio.DeleteParams(1);
  EXPECT_EQ(Marks(mio), (std::vector<int32_t>{11, 12, 13, 14, 10}));
  mio.InsertParams(42);  // past the end: appended, a copy of the last
  EXPECT_EQ(Marks(mio), (std::vector<int32_t>{11, 12, 13, 14, 10, 10}));

  mio.GetParams(0)->JPEGQuality = 55;
  mio.SpreadFirstParams();
  EXPECT_EQ(Marks(mio), std::vector<int32_t>(6, 55));

  view.reset();  // the view goes: nothing left attached
  EXPECT_EQ(mio.AttachedMView(), nullptr);
}

TEST(ImgMIO, ASingleImageViewIsRefused) {
  TIEFakeView single;
  TImgMIO mio;
  EXPECT_THROW(mio.SetAttachedMView(&single), EInvalidCast);
}

class TFakeOptions : public TIEPreviewsDialog {
 public:
  explicit TFakeOptions(TComponent* Owner) : FForm(Owner) {}
  TComponent* Form() override { return &FForm; }
  void SetLockPreview(bool) override {}
  void SetParams(TIOParamsVals* Value) override { Params = Value; }
  void SetSimplified(bool) override {}
  void SetPageControlHeight(int32_t Value) override { PageHeight = Value; }
  void SetFormHeight(int32_t Value) override { FormHeight = Value; }
  void SetMonoConversion(uint8_t) override {}
  void SetPreviewFont(TFont*) override {}
  TIEImgViewServices* FirstView() override { return &First; }
  TIEView* FirstViewBase() override { return &First; }
  TIEImgViewServices* SecondView() override { return &First; }
  bool SelectPages(TIEPreviewPages) override { return true; }
  int32_t ShowModal() override {
    if (Params) Params->JPEGQuality = 33;  // the user's edit
    return Modal;
  }
  void Release() override { Released = true; }

  TComponent FForm;
  TIEFakeView First;
  TIOParamsVals* Params = nullptr;
  int32_t PageHeight = 0, FormHeight = 0, Modal = 1;
  bool Released = false;
};

TEST(ImgMIO, OptionsForAllFramesAreSpreadWhateverTheAnswer) {
  auto view = ViewOf(3);
  TImgMIO mio;
  mio.SetAttachedMView(view.get());
  for (int32_t modal : {1, 2}) {
    SCOPED_TRACE(modal);
    for (int32_t i = 0; i < 3; ++i) Mark(mio, i, 70 + i);
    std::unique_ptr<TFakeOptions> dialog;
    IEPreviewsDialogFactory = [&](TComponent* Owner) {
      dialog = std::make_unique<TFakeOptions>(Owner);
      dialog->Modal = modal;
      return dialog.get();
    };
    EXPECT_EQ(mio.DoPreviews(-1, {}), modal == 1);
    EXPECT_EQ(dialog->Params, mio.GetParams(0));
    EXPECT_EQ(Marks(mio), std::vector<int32_t>(3, 33));
    EXPECT_TRUE(dialog->Released);
    EXPECT_EQ(dialog->PageHeight, 122);
    EXPECT_EQ(dialog->FormHeight, 330);
    EXPECT_EQ(view->SelectedIndex(), 0);
  }
  IEPreviewsDialogFactory = nullptr;
}

TEST(ImgMIO, AcquiredBitmapsBecomeFrames) {
  auto view = ViewOf(2);
  TImgMIO mio;
  mio.SetAttachedMView(view.get());
  TIEBitmap scan;
  scan.Allocate(4, 2, TIEPixelFormat::ie24RGB);
  mio.AcquirePosition = 9;  // clamped to the image count
  TIOParamsVals* params = nullptr;
  mio.AcquiredBitmap(&scan, params);
  ASSERT_EQ(view->GetImageCount(), 3);
  EXPECT_EQ(mio.GetParamsCount(), 3);
  EXPECT_EQ(params, mio.GetParams(2));
  EXPECT_EQ(view->Images[2]->Width(), 4);
  EXPECT_EQ(view->Delays[2], 100);
  EXPECT_EQ(mio.AcquirePosition, 3);

  // Resolution 100 x 50: the adjustment doubles the height of a new bitmap.
  mio.AutoAdjustDPI = true;
  mio.AcquirePosition = 0;
  mio.OnAcquireBitmap = [](TObject*, TIEBitmap*, bool&) {};
  TIOParamsVals* p0 = nullptr;
  // The record the listener inserts copies record 0: give it the resolution.
  mio.GetParams(0)->DpiX = 100;
  mio.GetParams(0)->DpiY = 50;
  mio.GetParams(0)->Width = 4;
  mio.GetParams(0)->Height = 2;
  mio.AcquiredBitmap(&scan, p0);
  EXPECT_EQ(p0, mio.GetParams(0));
  EXPECT_EQ(view->Images[0]->Width(), 4);
  EXPECT_EQ(view->Images[0]->Height(), 4);
  EXPECT_EQ(scan.Height(), 2);  // the caller's bitmap is not changed

  mio.OnAcquireBitmap = [](TObject*, TIEBitmap*, bool& Handled) { Handled = true; };
  mio.AcquiredBitmap(&scan, p0);
  EXPECT_EQ(view->GetImageCount(), 4);  // handled: nothing inserted
}

}  // namespace
