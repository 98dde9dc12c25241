#include "imaging/views/view/ieviewcontrol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/views/view/imgview_testing.h"
#include "platform/vcl/messages.h"

namespace {

class IEViewControl : public TImgViewTest {};

TEST_F(IEViewControl, ListenerProtocol) {
  // Each case registers listeners "a", "b", "c" (b twice when asked), runs
  // its steps and expects the calls of one notification, then the calls the
  // destruction makes.
  struct TCase {
    const char* Name;
    std::function<void(TImgView*, std::vector<int32_t>&)> Steps;
    std::string Notified, Destroyed;
  };
  std::string log;
  std::vector<int32_t> handles;
  const TCase cases[] = {
      {"order", [](TImgView*, std::vector<int32_t>&) {}, "abc", "ABC"},
      {"removing -1 and twice",
       [](TImgView* v, std::vector<int32_t>& h) {
         v->RemoveBitmapChangeListener(-1);
         v->RemoveBitmapChangeListener(h[1]);
         v->RemoveBitmapChangeListener(h[1]);
       },
       "ac", "AC"},
      {"same listener twice",
       [&log](TImgView* v, std::vector<int32_t>& h) {
         auto twice = [&log](TObject*, bool d) { log += d ? "B" : "b"; };
         h.push_back(v->AddBitmapChangeListener(twice));
         h.push_back(v->AddBitmapChangeListener(twice));
       },
       "abcbb", "ABCBB"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    log.clear();
    handles.clear();
    auto* view = new TImgView(nullptr);
    for (char n : std::string("abc")) {
      handles.push_back(view->AddBitmapChangeListener([&log, n, view](TObject* Sender, bool Destroying) {
        EXPECT_EQ(Sender, static_cast<TObject*>(view));
        log += Destroying ? char(n - 'a' + 'A') : n;
      }));
    }
    c.Steps(view, handles);
    for (size_t i = 1; i < handles.size(); ++i) EXPECT_NE(handles[i], handles[i - 1]) << "each has its own handle";
    view->CallBitmapChangeListeners();
    EXPECT_EQ(log, c.Notified);
    log.clear();
    delete view;
    EXPECT_EQ(log, c.Destroyed) << "each remaining one once, in order";
  }
}

TEST_F(IEViewControl, ListenerRemovingItselfAndAnotherDuringACall) {
  std::string log;
  auto view = std::make_unique<TImgView>(nullptr);
  int32_t a = -1, b = -1, c = -1;
  a = view->AddBitmapChangeListener([&](TObject*, bool d) {
    log += d ? "A" : "a";
    if (!d) {
      view->RemoveBitmapChangeListener(a);
      view->RemoveBitmapChangeListener(b);
    }
  });
  b = view->AddBitmapChangeListener([&](TObject*, bool d) { log += d ? "B" : "b"; });
  c = view->AddBitmapChangeListener([&](TObject*, bool d) { log += d ? "C" : "c"; });
  view->CallBitmapChangeListeners();
  EXPECT_EQ(log, "ac") << "b was removed before its turn";
  view->CallBitmapChangeListeners();
  EXPECT_EQ(log, "acc");
  view.reset();
  EXPECT_EQ(log, "accC");
  EXPECT_GT(c, b);
}

TEST_F(IEViewControl, ResolutionIgnoresZeroAndGoesThroughTheSetters) {
  auto view = std::make_unique<TImgView>(nullptr);
  EXPECT_EQ(view->GetDpiX(), 300) << "the library default";
  view->SetDpiX(0);
  view->SetDpi(0, 96);
  EXPECT_EQ(view->GetDpiX(), 300);
  EXPECT_EQ(view->GetDpiY(), 96);
}

TEST_F(IEViewControl, BorderStylesAndWindowRecreation) {
  auto* view = new TImgView(Form.get());
  view->SetBounds(0, 0, 60, 40);
  view->SetParent(Form.get());
  ShowForm();
  EXPECT_EQ(view->Background(), clBtnFace);
  EXPECT_TRUE(view->Ctl3D());
  HWND h = view->Handle();
  EXPECT_NE(GetWindowLong(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & WS_BORDER, 0);
  EXPECT_EQ(GetClassLong(h, GCL_STYLE) & (CS_HREDRAW | CS_VREDRAW), 0u);
  view->SetBorderStyle(TBorderStyle::bsSingle);
  EXPECT_EQ(view->Handle(), h) << "an unchanged value keeps the window";
  view->SetCtl3D(false);
  h = view->Handle();
  EXPECT_EQ(GetWindowLong(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_NE(GetWindowLong(h, GWL_STYLE) & WS_BORDER, 0);
  view->SetBorderStyle(TBorderStyle::bsNone);
  h = view->Handle();
  EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & WS_BORDER, 0);
  EXPECT_EQ(view->ClientWidth(), 60);
}

TEST_F(IEViewControl, MouseEnterAndLeave) {
  TImgView* view = MakeView(60, 40);
  ShowForm();
  std::string log;
  view->OnMouseEnter = [&](TObject* s) { log += s == view ? "enter " : "? "; };
  view->OnMouseLeave = [&](TObject* s) { log += s == view ? "leave" : "?"; };
  MoveTo(view, 10, 10);
  MoveTo(view, 100, 100);
  EXPECT_EQ(log, "enter leave");
}

}  // namespace
