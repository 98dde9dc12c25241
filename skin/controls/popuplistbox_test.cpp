#include "skin/controls/popuplistbox.h"

#include <gtest/gtest.h>

#include "platform/gui/win_paint.h"
#include "platform/gui/windows.h"
#include "platform/vcl/stdctrls.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

// Stands in for the combo box: the owner and parent of the drop-down, with
// its alpha settings, hooking the inner list as the box does (presses are
// the box's; the list never activates).
class TComboStandIn : public TCustomControl, public IbsPopupListOwner {
 public:
  explicit TComboStandIn(TComponent* AOwner) : TCustomControl(AOwner) {}
  const char* ClassName() const override { return "TComboStandIn"; }
  bool AlphaBlend() const override { return Blend; }
  uint8_t AlphaBlendValue() const override { return Value; }
  bool AlphaBlendAnimation() const override { return Animation; }
  bool Blend = false;
  uint8_t Value = 255;
  bool Animation = false;
};

constexpr uint32_t kCloseNow = WM_USER + 77;

// The fade-in waits with Sleep between polls: a clock that runs a probe
// there sees every step.
class TProbingClock : public VirtualClock {
 public:
  using VirtualClock::VirtualClock;
  void Sleep(uint32_t ms) override {
    if (OnSleep) OnSleep();
    VirtualClock::Sleep(ms);
  }
  std::function<void()> OnSleep;
};

class PopupListBox : public TSkinKitTest {
 public:
  void SetUp() override {
    TSkinKitTest::SetUp();
    Combo = new TComboStandIn(Form.get());
    Combo->SetParent(Form.get());
    Combo->SetBounds(10, 10, 120, 20);
    Edit = new TEdit(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 40, 120, 20);
    List = new TbsPopupListBox(Combo);
    List->SetParent(Combo);
    List->SetBounds(0, 0, 120, 80);
    ShowForm();
    for (int32_t i = 0; i < 3; ++i) List->Items()->Add("Item " + std::to_string(i));
    TWndMethod old = List->ListBox()->WindowProc;
    List->ListBox()->WindowProc = [this, old](TMessage& M) {
      if (M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONUP) {
        ++Presses;
        return;
      }
      if (M.Msg == WM_MOUSEACTIVATE) M.Result = MA_NOACTIVATE;
      old(M);
    };
    Edit->SetFocus();
    Pump();
  }
  // A message to the edit that runs OnClose, as a click elsewhere would.
  void HookEdit() {
    TWndMethod old = Edit->WindowProc;
    Edit->WindowProc = [this, old](TMessage& M) {
      if (M.Msg == kCloseNow && OnClose) {
        OnClose();
        return;
      }
      old(M);
    };
  }
  void RecordOpacity() {
    if (ListWnd == nullptr) return;
    uint8_t alpha = 0;
    if (!GetLayeredWindowAttributes(ListWnd, nullptr, &alpha, nullptr)) return;
    if (Opacities.empty() || Opacities.back() != alpha) Opacities.push_back(alpha);
  }
  bool Layered() const { return (GetWindowLong(ListWnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }
  // Shows the list on a probing clock that records its opacity at every
  // wait; the session's clock then moves on by as much.
  void Drop() {
    ListWnd = List->Handle();
    TProbingClock probe(Clock().Now(), Clock().GetTickCount64());
    int32_t waits = 0;
    probe.OnSleep = [&] {
      RecordOpacity();
      if (++waits == CloseAfter) PostMessage(Edit->Handle(), kCloseNow, 0, 0);
    };
    const uint64_t start = Clock().GetTickCount64();
    SetClock(&probe);
    List->Show(TPoint{200, 150});
    SetClock(&Clock());
    Elapsed = probe.GetTickCount64() - start;
    Clock().Advance(Elapsed);
    RecordOpacity();
  }

  TComboStandIn* Combo = nullptr;
  TEdit* Edit = nullptr;
  TbsPopupListBox* List = nullptr;
  HWND ListWnd = nullptr;
  int32_t Presses = 0;
  std::vector<uint8_t> Opacities;
  std::function<void()> OnClose;
  int32_t CloseAfter = -1;
  uint64_t Elapsed = 0;
};

std::vector<uint8_t> Steps(int32_t To) {
  std::vector<uint8_t> r;
  for (int32_t v = 10; v < To; v += 10) r.push_back(uint8_t(v));
  r.push_back(uint8_t(To));
  return r;
}

TEST_F(PopupListBox, WindowIsAnOwnedToolPopupAtTheScreenPoint) {
  ListWnd = List->Handle();
  EXPECT_EQ(uint32_t(GetWindowLong(ListWnd, GWL_STYLE)) & (WS_POPUP | WS_CHILD | WS_CLIPCHILDREN),
            WS_POPUP | WS_CLIPCHILDREN);
  EXPECT_EQ(uint32_t(GetWindowLong(ListWnd, GWL_EXSTYLE)), WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(ListWnd));
  Drop();
  EXPECT_TRUE(IsWindowVisible(ListWnd));
  EXPECT_TRUE(List->Visible());
  EXPECT_EQ((TPoint{List->Left(), List->Top()}), (TPoint{200, 150}));
  EXPECT_EQ(List->ListBox()->ClientToScreen(TPoint{0, 0}), (TPoint{202, 152}));
  for (bool skinned : {false, true}) {
    List->SetSkinData(skinned ? Skin.get() : nullptr);
    if (!skinned) List->ChangeSkinData();
    List->SetItemIndex(1);
    List->SetRowCount(4);
    Pump();
    SaveSheet(List, skinned ? "popuplistbox-skinned" : "popuplistbox-plain");
  }
  List->Hide();
  EXPECT_FALSE(IsWindowVisible(ListWnd));
  EXPECT_FALSE(List->Visible());
}

TEST_F(PopupListBox, FadeInRunsInStepsOfTenOnTheClock) {
  Combo->Blend = Combo->Animation = true;
  Combo->Value = 200;
  Drop();
  EXPECT_EQ(Opacities, Steps(200));
  // 19 further steps, each more than 5 ms after the one before.
  EXPECT_EQ(Elapsed, 19u * 6u);
  // Every drop-down starts transparent again.
  List->Hide();
  Opacities.clear();
  Drop();
  EXPECT_EQ(Opacities, Steps(200));
  Combo->Value = 255;
  List->Hide();
  Opacities.clear();
  Drop();
  EXPECT_EQ(Opacities, Steps(255));
}

TEST_F(PopupListBox, AlphaWithoutAnimationIsSetOnce) {
  Combo->Blend = true;
  Combo->Value = 200;
  Drop();
  uint8_t alpha = 0;
  ASSERT_TRUE(Layered());
  ASSERT_TRUE(GetLayeredWindowAttributes(ListWnd, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 200);
  EXPECT_EQ(List->AlphaValue(), 200);
  // A second drop-down leaves the opacity as it is.
  SetLayeredWindowAttributes(ListWnd, 0, 50, LWA_ALPHA);
  List->Hide();
  Drop();
  ASSERT_TRUE(GetLayeredWindowAttributes(ListWnd, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 50);
  // Alpha off removes the layered style left from before.
  List->Hide();
  Combo->Blend = false;
  Drop();
  EXPECT_FALSE(Layered());
  EXPECT_FALSE(List->AlphaApplied());
}

TEST_F(PopupListBox, ClickIntoTheListKeepsActivationAndFocus) {
  const HWND active = GetActiveWindow(), focus = GetFocus();
  ASSERT_EQ(active, Form->Handle());
  ASSERT_EQ(focus, Edit->Handle());
  std::vector<String> log;
  std::vector<std::pair<TControl*, TWndMethod>> saved;
  auto watch = [&log, &saved](TControl* C, const String& Tag) {
    TWndMethod old = C->WindowProc;
    saved.emplace_back(C, old);
    C->WindowProc = [&log, old, Tag](TMessage& M) {
      if (M.Msg == WM_ACTIVATE || M.Msg == WM_NCACTIVATE || M.Msg == WM_KILLFOCUS)
        log.push_back(Tag + " " + std::to_string(M.Msg));
      old(M);
    };
  };
  watch(Form.get(), "form");
  watch(Edit, "edit");
  Drop();
  ClickAt(List->ListBox(), 10, 30);
  ClickAt(List, 1, 1);
  EXPECT_EQ(Presses, 2);
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_EQ(GetFocus(), focus);
  EXPECT_TRUE(log.empty()) << log.front();
  List->Hide();
  EXPECT_EQ(GetActiveWindow(), active);
  EXPECT_EQ(GetFocus(), focus);
  EXPECT_TRUE(log.empty());
  for (auto& [control, proc] : saved) control->WindowProc = proc;
}

// A handler run while the list fades in may close or free it, or free its
// owner: the fade-in stops at once.
enum class TClose { Hide, FreeList, FreeOwner };

class PopupListBoxClosing : public PopupListBox, public ::testing::WithParamInterface<TClose> {};

TEST_P(PopupListBoxClosing, EndsTheFadeIn) {
  const TClose how = GetParam();
  Combo->Blend = Combo->Animation = true;
  Combo->Value = 200;
  HookEdit();
  CloseAfter = 30;
  OnClose = [&] {
    if (how == TClose::Hide) List->Hide();
    if (how == TClose::FreeList) delete List;
    if (how == TClose::FreeOwner) delete Combo;
    ListWnd = nullptr;
  };
  Drop();
  // Closed by the pump after the sixth step: no wait after the 30th.
  EXPECT_EQ(Elapsed, 30u);
  EXPECT_EQ(Opacities, Steps(50));
}

INSTANTIATE_TEST_SUITE_P(Each, PopupListBoxClosing,
                         ::testing::Values(TClose::Hide, TClose::FreeList, TClose::FreeOwner));

}  // namespace
