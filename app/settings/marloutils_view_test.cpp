#include <gtest/gtest.h>

#include "app/settings/marloutils.h"
#include "imaging/views/view/imgview.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/vcl_testing.h"

namespace {

using AppViewZoom = TVclTest;

TEST_F(AppViewZoom, FitZoomOfAViewsBitmapInItsClientArea) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 700, 700);
  auto* view = new TImgView(&form);
  view->SetParent(&form);
  view->SetBorderStyle(TBorderStyle::bsNone);
  view->SetScrollBars(TScrollStyle::ssNone);
  view->SetBounds(0, 0, 504, 504);
  EXPECT_DOUBLE_EQ(FitZoom(view), 100);  // empty
  view->GetIEBitmap()->Allocate(1000, 500, TIEPixelFormat::ie24RGB);
  view->Update();
  ASSERT_EQ(view->ClientWidth(), 504);
  EXPECT_DOUBLE_EQ(FitZoom(view), 50);
  view->GetIEBitmap()->Allocate(500, 500, TIEPixelFormat::ie24RGB);
  EXPECT_DOUBLE_EQ(FitZoom(view), 100);
}

}  // namespace
