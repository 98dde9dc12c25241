#include "skin/engine/form/skinframe_testing.h"

namespace {

using SkinWindowStateTest = SkinFrameTest;

TEST_F(SkinWindowStateTest, MaximiseCoversTheWorkAreaOrTheMonitorLessAPixelOnAWholeScreen) {
  ShowActive();
  SF->SetWindowState(2);
  EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1280, 984}));  // the default work area
  SF->SetWindowState(0);
  SF->MaximizeOnFullScreen = true;
  SF->SetWindowState(2);
  EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1280, 1024}));
  SF->SetWindowState(0);
  SF->MaximizeOnFullScreen = false;
  H().SetMonitors({TMonitorDesc{TRect{0, 0, 1280, 1024}, TRect{0, 0, 1280, 1024}, "\\\\.\\DISPLAY1"}});
  SF->SetWindowState(2);
  EXPECT_EQ(Form->BoundsRect(), (TRect{1, 1, 1279, 1023}));
  SF->SetWindowState(0);
  SF->MaximizeOnFullScreen = true;
  SF->SetWindowState(2);
  EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1280, 1024}));
}

TEST_F(SkinWindowStateTest, SystemCommandsTakeTheComponentsStates) {
  LoadSkin9();
  ShowActive();
  const TRect before = Form->BoundsRect();
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(SF->WindowState(), 2);
  EXPECT_FALSE(IsZoomed(Form->Handle()));
  EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1280, 984}));
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(SF->WindowState(), 0);
  EXPECT_EQ(Form->BoundsRect(), before);
  SendMessage(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(SF->WindowState(), 1);
  EXPECT_FALSE(IsIconic(Form->Handle()));
  EXPECT_EQ(Form->Height(), SF->GetMinHeight());
}

TEST_F(SkinWindowStateTest, MaximiseThenRestoreGivesTheExactBounds) {
  LoadSkin9();
  ShowActive();
  int maximised = 0, restored = 0;
  SF->OnMaximize = [&](TObject*) { ++maximised; };
  SF->OnRestore = [&](TObject*) { ++restored; };
  const TRect before = Form->BoundsRect();
  SF->SetWindowState(2);
  TRect held;
  SF->GetRestoreRect(held);
  EXPECT_EQ(held, before);
  SF->SetWindowState(2);
  EXPECT_EQ(maximised, 1);
  // Minimised and maximised again: the first bounds are kept.
  SF->SetWindowState(1);
  SF->SetWindowState(2);
  SF->GetRestoreRect(held);
  EXPECT_EQ(held, before);
  SF->SetWindowState(0);
  EXPECT_EQ(Form->BoundsRect(), before);
  EXPECT_EQ(restored, 1);
  SF->GetRestoreRect(held);
  EXPECT_TRUE(IsRectEmpty(held));
}

TEST_F(SkinWindowStateTest, FirstShownMaximisedIsCentredAtItsFirstRestore) {
  SF->PositionInMonitor = TbsPositionInMonitor::bspScreenCenter;
  SF->SetWindowState(2);
  ShowActive();
  EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1280, 984}));
  SF->SetWindowState(0);
  EXPECT_EQ(Form->BoundsRect(), (TRect{440, 382, 840, 642}));
  // Later restores go back to the bounds held.
  SF->SetWindowState(2);
  SF->SetWindowState(0);
  EXPECT_EQ(Form->BoundsRect(), (TRect{440, 382, 840, 642}));
}

TEST_F(SkinWindowStateTest, FirstShownNormalIsCentredAtOnce) {
  SF->PositionInMonitor = TbsPositionInMonitor::bspDesktopCenter;
  ShowActive();
  EXPECT_EQ(Form->BoundsRect(), (TRect{440, 362, 840, 622}));  // in the 984-high work area
}

TEST_F(SkinWindowStateTest, MinimisedFormsSitSideBySideAlongTheBottom) {
  TForm* main = nullptr;
  App->CreateForm(main);
  main->Show();
  std::vector<std::unique_ptr<TForm>> forms;
  std::vector<TbsSkinForm*> skins;
  for (int i = 0; i < 3; ++i) {
    forms.push_back(std::make_unique<TForm>(nullptr));
    forms.back()->SetBounds(100 + i * 10, 100, 300, 200);
    skins.push_back(new TbsSkinForm(forms.back().get()));
    forms.back()->Show();
  }
  Pump();
  for (TbsSkinForm* s : skins) s->SetWindowState(1);
  // The plain look: 120 x 25 each.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(forms[size_t(i)]->BoundsRect(), (TRect{i * 120, 959, i * 120 + 120, 984})) << i;
  skins[1]->SetWindowState(0);
  EXPECT_EQ(forms[1]->BoundsRect(), (TRect{110, 100, 410, 300}));
}

TEST_F(SkinWindowStateTest, MinimisingTheMainFormMinimisesTheApplication) {
  TForm* main = nullptr;
  App->CreateForm(main);
  auto* skin = new TbsSkinForm(main);
  int minimised = 0, appMinimised = 0;
  skin->OnMinimize = [&](TObject*) { ++minimised; };
  App->OnMinimize = [&](TObject*) { ++appMinimised; };
  main->Show();
  Pump();
  skin->SetWindowState(1);
  Pump();
  EXPECT_EQ(minimised, 1);
  EXPECT_EQ(appMinimised, 1);
  EXPECT_TRUE(IsIconic(main->Handle()));
  EXPECT_EQ(skin->WindowState(), 0);
  App->OnMinimize = nullptr;
}

TEST_F(SkinWindowStateTest, RestoringFromMaximisedUndoesARollUpMadeWhileMaximised) {
  LoadSkin9();
  ShowActive();
  const TRect before = Form->BoundsRect();
  SF->SetWindowState(2);
  SF->SetRollUpState(true);
  EXPECT_TRUE(SF->RolledUp());
  SF->SetWindowState(0);
  EXPECT_FALSE(SF->RolledUp());
  EXPECT_EQ(Form->BoundsRect(), before);
  // Rolled up before maximising: it stays rolled up and refuses changes
  // while maximised.
  SF->SetRollUpState(true);
  SF->SetWindowState(2);
  SF->SetRollUpState(false);
  EXPECT_TRUE(SF->RolledUp());
}

}  // namespace

namespace {

// Pictures to look at: skin 9 active, inactive, maximised and rolled up.
TEST_F(SkinWindowStateTest, Skin9InEachState) {
  LoadSkin9();
  Form->SetCaption("Pictoval - batch conversion of a long list of pictures");
  ShowActive();
  auto active = Frame();
  Save(active.get(), "skin9-frame-active.png");
  ActivateOther();
  auto inactive = Frame();
  Save(inactive.get(), "skin9-frame-inactive.png");
  int differing = 0;
  for (int x = 40; x < 300; ++x)
    for (int y = 5; y < 25; ++y) differing += PixelAt(active.get(), x, y) != PixelAt(inactive.get(), x, y);
  EXPECT_GT(differing, 100);
  SetActiveWindow(Form->Handle());
  Pump();
  SF->SetWindowState(2);
  Pump();
  auto maximised = Frame();
  EXPECT_EQ(maximised->Width(), 1280);
  Save(maximised.get(), "skin9-frame-maximised.png");
  SF->SetWindowState(0);
  SF->SetRollUpState(true);
  Pump();
  auto rolled = Frame();
  EXPECT_EQ(rolled->Height(), SF->GetMinHeight());
  Save(rolled.get(), "skin9-frame-rolledup.png");
}

}  // namespace
