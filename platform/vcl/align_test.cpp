#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/vcl_testing.h"

namespace {

class VclAlign : public TVclTest {};

using A = TAnchorKind;

struct TAlignCase {
  const char* Name;
  TAlign Align;
  TAnchors Anchors;
  TRect Bounds;   // Left, Top, Width, Height as given
  TRect Placed;   // in a 200 x 100 client area
  TRect Resized;  // after the client area became 300 x 150
  bool Windowed;
};

TRect LTWH(int32_t l, int32_t t, int32_t w, int32_t h) { return TRect{l, t, w, h}; }

// Aligned controls of every kind together with anchored ones (alNone).
const std::vector<TAlignCase>& Cases() {
  static const std::vector<TAlignCase> cases = {
      // alTop ones stack in order of their Top: "top2" was created first but lies lower.
      {"top2", TAlign::alTop, {}, LTWH(0, 50, 10, 30), LTWH(0, 20, 200, 30), LTWH(0, 20, 300, 30), true},
      {"top1", TAlign::alTop, {}, LTWH(0, 0, 10, 20), LTWH(0, 0, 200, 20), LTWH(0, 0, 300, 20), false},
      {"bottom", TAlign::alBottom, {}, LTWH(0, 0, 10, 10), LTWH(0, 90, 200, 10), LTWH(0, 140, 300, 10), true},
      // Two alLeft ones at the same Left keep their creation order.
      {"left1", TAlign::alLeft, {}, LTWH(0, 0, 40, 5), LTWH(0, 50, 40, 40), LTWH(0, 50, 40, 90), false},
      {"left2", TAlign::alLeft, {}, LTWH(0, 0, 10, 5), LTWH(40, 50, 10, 40), LTWH(40, 50, 10, 90), true},
      {"right", TAlign::alRight, {}, LTWH(0, 0, 50, 5), LTWH(150, 50, 50, 40), LTWH(250, 50, 50, 90), false},
      {"client", TAlign::alClient, {}, LTWH(7, 7, 7, 7), LTWH(50, 50, 100, 40), LTWH(50, 50, 200, 90), true},
      {"leftTop",
       TAlign::alNone,
       {A::akLeft, A::akTop},
       LTWH(10, 10, 30, 20),
       LTWH(10, 10, 30, 20),
       LTWH(10, 10, 30, 20),
       false},
      {"rightTop",
       TAlign::alNone,
       {A::akRight, A::akTop},
       LTWH(160, 10, 30, 20),
       LTWH(160, 10, 30, 20),
       LTWH(260, 10, 30, 20),
       true},
      {"stretchH",
       TAlign::alNone,
       {A::akLeft, A::akRight, A::akTop},
       LTWH(10, 10, 180, 20),
       LTWH(10, 10, 180, 20),
       LTWH(10, 10, 280, 20),
       false},
      {"rightBottom",
       TAlign::alNone,
       {A::akRight, A::akBottom},
       LTWH(160, 70, 30, 20),
       LTWH(160, 70, 30, 20),
       LTWH(260, 120, 30, 20),
       true},
      {"stretchAll",
       TAlign::alNone,
       {A::akLeft, A::akTop, A::akRight, A::akBottom},
       LTWH(20, 20, 160, 60),
       LTWH(20, 20, 160, 60),
       LTWH(20, 20, 260, 110),
       false},
      // Without anchors a control keeps its centre proportional.
      {"floating", TAlign::alNone, {}, LTWH(85, 40, 30, 20), LTWH(85, 40, 30, 20), LTWH(135, 65, 30, 20), true},
  };
  return cases;
}

TRect BoundsOf(TControl* c) { return LTWH(c->Left(), c->Top(), c->Width(), c->Height()); }

// Built as a form builder does: alignment waits until all are placed.
std::vector<TControl*> Build(TWinControl* parent) {
  std::vector<TControl*> made;
  parent->DisableAlign();
  for (const TAlignCase& k : Cases()) {
    TControl* c = k.Windowed ? static_cast<TControl*>(new TCustomControl(parent))
                             : static_cast<TControl*>(new TGraphicControl(parent));
    c->SetName(k.Name);
    c->SetBounds(k.Bounds.Left, k.Bounds.Top, k.Bounds.Right, k.Bounds.Bottom);
    c->SetParent(parent);
    c->SetAlign(k.Align);
    if (k.Align == TAlign::alNone) c->SetAnchors(k.Anchors);
    made.push_back(c);
  }
  parent->EnableAlign();
  return made;
}

void Check(const std::vector<TControl*>& made, bool resized) {
  for (size_t i = 0; i < made.size(); ++i) {
    const TAlignCase& k = Cases()[i];
    EXPECT_EQ(BoundsOf(made[i]), resized ? k.Resized : k.Placed) << k.Name << (resized ? " after resize" : "");
  }
}

TEST_F(VclAlign, TableWithoutWindows) {
  TCustomControl parent(nullptr);
  parent.SetBounds(0, 0, 200, 100);
  std::vector<TControl*> made = Build(&parent);
  EXPECT_FALSE(parent.HandleAllocated());
  Check(made, false);
  parent.SetBounds(0, 0, 300, 150);
  Check(made, true);
  parent.SetBounds(0, 0, 200, 100);
  Check(made, false);
}

TEST_F(VclAlign, TableOnAShownFormFollowsItsClientArea) {
  TForm form(nullptr);
  form.SetBorderStyle(TBorderStyle::bsDialog);  // a caption and a frame, but no minimum track size
  form.SetClientWidth(200);
  form.SetClientHeight(100);
  std::vector<TControl*> made = Build(&form);
  form.Show();
  Pump();
  ASSERT_EQ(form.ClientWidth(), 200);
  ASSERT_EQ(form.ClientHeight(), 100);
  Check(made, false);
  // A resize of the window (through the window system) realigns.
  TRect wr;
  GetWindowRect(form.Handle(), &wr);
  SetWindowPos(form.Handle(), nullptr, 0, 0, wr.Width() + 100, wr.Height() + 50, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  ASSERT_EQ(form.ClientWidth(), 300);
  Check(made, true);
  EXPECT_EQ(static_cast<TWinControl*>(made[0])->Width(), 300);
  TRect r;
  GetWindowRect(static_cast<TWinControl*>(made[0])->Handle(), &r);
  EXPECT_EQ(r.Width(), 300) << "the child window itself moved";
}

TEST_F(VclAlign, BorderWidthConstraintsAndHiddenControls) {
  TCustomControl parent(nullptr);
  parent.SetBounds(0, 0, 200, 100);
  parent.SetBorderWidth(5);
  auto* top = new TGraphicControl(&parent);
  top->SetBounds(0, 0, 10, 10);
  top->Constraints()->SetMinHeight(25);  // the next one starts below what it really got
  top->SetParent(&parent);
  top->SetAlign(TAlign::alTop);
  auto* hidden = new TGraphicControl(&parent);
  hidden->SetVisible(false);
  hidden->SetBounds(0, 50, 10, 30);  // below "top": it comes after it
  hidden->SetParent(&parent);
  hidden->SetAlign(TAlign::alTop);
  auto* client = new TGraphicControl(&parent);
  client->SetParent(&parent);
  client->SetAlign(TAlign::alClient);
  EXPECT_EQ(BoundsOf(top), LTWH(5, 5, 190, 25));
  EXPECT_EQ(BoundsOf(client), LTWH(5, 30, 190, 65));
  hidden->SetVisible(true);
  EXPECT_EQ(BoundsOf(hidden), LTWH(5, 30, 190, 30));
  EXPECT_EQ(BoundsOf(client), LTWH(5, 60, 190, 35));
  // Turning a row into a column swaps its width and height.
  hidden->SetAlign(TAlign::alLeft);
  EXPECT_EQ(BoundsOf(hidden), LTWH(5, 30, 30, 65));
  EXPECT_EQ(BoundsOf(client), LTWH(35, 30, 160, 65));
}

TEST_F(VclAlign, DisableAlignDefersUntilEnabled) {
  TCustomControl parent(nullptr);
  parent.SetBounds(0, 0, 200, 100);
  auto* c = new TGraphicControl(&parent);
  c->SetParent(&parent);
  parent.DisableAlign();
  c->SetAlign(TAlign::alClient);
  EXPECT_EQ(c->Width(), 0);
  parent.EnableAlign();
  EXPECT_EQ(BoundsOf(c), LTWH(0, 0, 200, 100));
}

}  // namespace
