// A popup-style child: a control in a parent's control list whose window is
// WS_POPUP, i.e. a top-level window owned by the parent's, placed in screen
// coordinates and not clipped by the parent (drop-down lists are made so).
#include <gtest/gtest.h>

#include "platform/gui/win_readback.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_testing.h"

namespace {

class TPopupChild : public TCustomControl {
 public:
  explicit TPopupChild(TComponent* AOwner) : TCustomControl(AOwner) { SetVisible(false); }
  const char* ClassName() const override { return "TPopupChild"; }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_MOUSEACTIVATE) {
      Message.Result = MA_NOACTIVATE;
      return;
    }
    TCustomControl::Dispatch(Message);
  }
  int32_t Clicks = 0;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_TOOLWINDOW;
  }
  void Paint() override {
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(ClientRect());
  }
  void MouseDown(TMouseButton, TShiftState, int32_t, int32_t) override { ++Clicks; }
};

class PopupChild : public TStdTest {};

TEST_F(PopupChild, OwnedTopLevelInScreenCoordinatesInTheParentsList) {
  auto* panel = new TPanel(Form.get());
  panel->SetParent(Form.get());
  panel->SetBounds(10, 10, 60, 30);
  auto* edit = new TEdit(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(10, 60, 80, 20);
  auto* popup = new TPopupChild(panel);
  popup->SetParent(panel);
  popup->SetBounds(0, 0, 100, 80);
  ShowForm();
  edit->SetFocus();
  Pump();
  const HWND active = GetActiveWindow(), focus = GetFocus();
  ASSERT_EQ(active, Form->Handle());
  ASSERT_EQ(focus, edit->Handle());

  SetWindowPos(popup->Handle(), HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  popup->SetVisible(true);
  Pump();
  const HWND h = popup->Handle();
  EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & WS_CHILD, 0);
  // Owned by the parent's top-level window, as popups always are.
  EXPECT_EQ(GetWindow(h, GW_OWNER), Form->Handle());
  EXPECT_TRUE(panel->ContainsControl(popup));
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_EQ((TRect{popup->Left(), popup->Top(), popup->Width(), popup->Height()}), (TRect{300, 200, 100, 80}));
  TRect r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, (TRect{300, 200, 400, 280}));
  EXPECT_EQ(popup->ClientToScreen(TPoint{0, 0}), (TPoint{300, 200}));
  // Not clipped by the 60 x 30 parent.
  EXPECT_EQ(PixelOf(h, 90, 70), Rgb(clRed));
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_EQ(GetFocus(), focus);

  // A click into it activates nothing and moves no focus.
  ClickAt(popup, 50, 40);
  EXPECT_EQ(popup->Clicks, 1);
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_EQ(GetFocus(), focus);

  SetWindowPos(h, nullptr, 0, 0, 0, 0, 0x97);
  popup->SetVisible(false);
  Pump();
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_EQ(GetFocus(), focus);
  // Moving the parent leaves the popup where it is on the screen.
  panel->SetBounds(20, 20, 60, 30);
  EXPECT_EQ(popup->Left(), 300);
}

}  // namespace
