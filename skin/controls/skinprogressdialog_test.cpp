#include "skin/controls/skinprogressdialog.h"

#include <gtest/gtest.h>

#include "platform/gui/headless.h"
#include "platform/gui/text.h"
#include "platform/vcl/dialog_script_testing.h"
#include "skin/controls/skinbutton.h"
#include "skin/controls/skingauge.h"
#include "skin/controls/skinlabels.h"
#include "skin/controls/testkit/skinkit_testing.h"
#include "skin/engine/data/resstrdata.h"
#include "skin/engine/data/storedskin.h"

namespace {

TbsSkinButton* CancelButtonOf(TForm* F) {
  for (int32_t i = 0; F != nullptr && i < F->ComponentCount(); ++i)
    if (auto* b = dynamic_cast<TbsSkinButton*>(F->Components(i))) return b;
  return nullptr;
}

TbsSkinStdLabel* LabelOf(TForm* F) {
  for (int32_t i = 0; i < F->ComponentCount(); ++i)
    if (auto* l = dynamic_cast<TbsSkinStdLabel*>(F->Components(i))) return l;
  return nullptr;
}

void ClickOn(TControl* C) {
  const TPoint p = C->ClientToScreen(TPoint{C->Width() / 2, C->Height() / 2});
  Headless().Click(p.X, p.Y);
}

class SkinProgressDialog : public TSkinKitTest {
 public:
  void SetUp() override {
    TSkinKitTest::SetUp();
    D.LabelCaption = "Converting files";
    D.OnCancel = [this](TObject*) {
      ++Cancels;
      WindowAliveAtCancel = Window.Assigned();
    };
  }
  void Start(bool CancelEnabled = true) {
    D.Execute(CancelEnabled);
    Window = D.Window();
    Pump();
  }
  TbsSkinProgressDialog D{nullptr};
  TComponentRef<TForm> Window;
  int32_t Cancels = 0;
  bool WindowAliveAtCancel = false;
};

TEST_F(SkinProgressDialog, GeometryInDialogUnits) {
  const TbsProgressGeometry g = ProgressDialogGeometry(6, 13);
  EXPECT_EQ(g.ClientWidth, 270);
  EXPECT_EQ(g.LabelLeft, 12);
  EXPECT_EQ(g.LabelTop, 13);
  EXPECT_EQ(g.LabelMaxWidth, 246);
  EXPECT_EQ(g.ButtonHeight, 23);
  // Rounded to nearest: 7 and 15 give 17.5 -> 18 and 26.25 -> 26.
  EXPECT_EQ(ProgressDialogGeometry(7, 15).LabelTop, 15);
  EXPECT_EQ(ProgressDialogGeometry(7, 15).ButtonHeight, 26);
  EXPECT_EQ(ProgressDialogGeometry(7, 15).LabelLeft, 14);
}

TEST_F(SkinProgressDialog, LiveWindowFollowsTheMeasuredUnits) {
  for (bool withButton : {true, false}) {
    SCOPED_TRACE(withButton ? "with Cancel" : "without Cancel");
    D.ShowCancelButton = withButton;
    Start();
    TForm* f = Window.Get();
    ASSERT_NE(f, nullptr);
    f->Canvas()->Font()->Assign(f->Font());
    TSize s{};
    GetTextExtentPoint32(f->Canvas()->Handle(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &s);
    const TbsProgressGeometry g = ProgressDialogGeometry(s.cx / 52, s.cy);
    EXPECT_EQ(f->ClientWidth(), g.ClientWidth);
    TbsSkinStdLabel* l = LabelOf(f);
    EXPECT_EQ(l->Left(), g.LabelLeft);
    EXPECT_EQ(l->Top(), g.LabelTop);
    EXPECT_EQ(l->Constraints()->MaxWidth(), g.LabelMaxWidth);
    TbsSkinGauge* gauge = D.Gauge();
    EXPECT_EQ(gauge->Left(), g.LabelLeft);
    EXPECT_EQ(gauge->Top(), l->Top() + l->Height() + 5);
    TbsSkinButton* b = CancelButtonOf(f);
    if (withButton) {
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->BoundsRect(),
                (TRect{gauge->Left() + gauge->Width() - 85, gauge->Top() + gauge->Height() + 15,
                       gauge->Left() + gauge->Width(), gauge->Top() + gauge->Height() + 15 + g.ButtonHeight}));
      EXPECT_EQ(f->ClientHeight(), b->Top() + b->Height() + 13);
    } else {
      EXPECT_EQ(b, nullptr);
      EXPECT_EQ(f->ClientHeight(), gauge->Top() + gauge->Height() + 15);
    }
    D.SetValue(D.MaxValue);
    Pump();
  }
}

TEST_F(SkinProgressDialog, PictureInSkin9WithItsFrame) {
  auto skin9 = std::make_unique<TbsSkinData>(nullptr);
  TbsCompressedStoredSkin container(nullptr);
  container.LoadFromCompressedFile(SKINS_BUILD_DIR "/skn/9.skn");
  ASSERT_TRUE(skin9->LoadCompressedStoredSkin(&container));
  D.SetSkinData(skin9.get());
  D.SetCtrlSkinData(skin9.get());
  D.SetValue(0);
  Start();
  D.SetValue(45);
  Pump();
  SaveSheet(Window.Get(), "skinprogressdialog-skin9");
  D.SetValue(D.MaxValue);
  Pump();
  D.SetSkinData(nullptr);
  D.SetCtrlSkinData(nullptr);
}

TEST_F(SkinProgressDialog, ReachingTheEndClosesWithoutCancel) {
  for (int32_t last : {100, 250}) {
    SCOPED_TRACE(last);
    D.SetValue(0);
    Start();
    ASSERT_TRUE(Window.Assigned());
    EXPECT_EQ(Window->FormStyle(), TFormStyle::fsStayOnTop);
    D.SetValue(40);
    EXPECT_EQ(D.Gauge()->Value(), 40);
    D.SetValue(last);
    EXPECT_FALSE(D.Shown());
    Pump();
    EXPECT_FALSE(Window.Assigned());
    EXPECT_EQ(Cancels, 0);
  }
}

TEST_F(SkinProgressDialog, CancelClickFiresOnCancelOnceAndFreesTheWindowAfterTheClick) {
  Start();
  D.SetValue(30);
  TbsSkinButton* b = CancelButtonOf(Window.Get());
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->Enabled());
  ClickOn(b);
  Pump();
  EXPECT_EQ(Cancels, 1);
  EXPECT_TRUE(WindowAliveAtCancel) << "the window goes only after its button's click";
  EXPECT_FALSE(Window.Assigned());
  EXPECT_FALSE(D.Shown());
  D.SetValue(60);  // the caller's loop goes on a little: nothing is left to move
  EXPECT_EQ(Cancels, 1);
}

TEST_F(SkinProgressDialog, ClosingFromTheFrameBeforeTheEndFiresOnCancelOnce) {
  Start();
  D.SetValue(10);
  Window->Close();
  Pump();
  EXPECT_EQ(Cancels, 1);
  EXPECT_FALSE(Window.Assigned());
}

TEST_F(SkinProgressDialog, SecondExecuteWhileShownDoesNothing) {
  Start();
  TForm* first = Window.Get();
  EXPECT_FALSE(D.Execute(true));
  EXPECT_EQ(D.Window(), first);
  int32_t forms = 0;
  for (int32_t i = 0; i < Application->ComponentCount(); ++i)
    forms += dynamic_cast<TForm*>(Application->Components(i)) != nullptr && Application->Components(i) == first;
  EXPECT_EQ(forms, 1);
  D.SetValue(D.MaxValue);
  Pump();
}

TEST_F(SkinProgressDialog, ExecuteWithoutCancelShowsTheButtonDisabled) {
  int32_t shows = 0;
  D.OnShow = [&shows](TObject*) { ++shows; };
  Start(false);
  TbsSkinButton* b = CancelButtonOf(Window.Get());
  ASSERT_NE(b, nullptr);
  EXPECT_FALSE(b->Enabled());
  EXPECT_EQ(shows, 1);
  ClickOn(b);
  Pump();
  EXPECT_TRUE(Window.Assigned());
  EXPECT_EQ(Cancels, 0);
  D.SetValue(D.MaxValue);
  Pump();
}

TEST_F(SkinProgressDialog, CancelTextFallsBackToTheBuiltInText) {
  TbsResourceStrData table(nullptr);
  table.ResStrings()->Clear();
  table.ResStrings()->Add("MSG_BTN_OK=Gut");
  Skin->SetResourceStrData(&table);
  D.SetCtrlSkinData(Skin.get());
  Start();
  EXPECT_EQ(CancelButtonOf(Window.Get())->Caption(), "Cancel");
  D.SetValue(D.MaxValue);
  Pump();
  table.ResStrings()->Add("MSG_BTN_CANCEL=Abbrechen");
  Start();
  EXPECT_EQ(CancelButtonOf(Window.Get())->Caption(), "Abbrechen");
  D.SetValue(D.MaxValue);
  Pump();
  Skin->SetResourceStrData(nullptr);
}

TEST_F(SkinProgressDialog, BatchLoopPumpingMessagesStopsOnCancel) {
  bool stop = false;
  D.OnCancel = [&stop](TObject*) { stop = true; };
  D.MaxValue = 50;
  D.Execute(true);
  Window = D.Window();
  int32_t done = 0;
  for (int32_t i = 1; i <= D.MaxValue && !stop; ++i) {
    D.SetValue(i);
    done = i;
    Pump();
    if (i == 20) ClickOn(CancelButtonOf(Window.Get()));
  }
  EXPECT_TRUE(stop);
  EXPECT_EQ(done, 21);
  Pump();
  EXPECT_FALSE(Window.Assigned());

  stop = false;
  D.SetValue(0);
  D.Execute(true);
  Window = D.Window();
  for (int32_t i = 1; i <= D.MaxValue && !stop; ++i) {
    D.SetValue(i);
    Pump();
  }
  EXPECT_FALSE(stop);
  EXPECT_FALSE(D.Shown());
  Pump();
  EXPECT_FALSE(Window.Assigned());
}

TEST_F(SkinProgressDialog, ModalEndsWithOkAtTheMaximumAndCancelWithoutOnCancel) {
  D.ShowType = TbsPDShowType::stModal;
  {
    TDialogScript script;
    script.ExpectModalForm("Process")
        .Do([this](TScriptTarget, const auto&) { D.SetValue(60); })
        .Do([this](TScriptTarget, const auto&) { D.SetValue(D.MaxValue); });
    EXPECT_TRUE(D.Execute(true));
  }
  EXPECT_FALSE(D.Shown());
  EXPECT_EQ(D.Window(), nullptr);
  D.SetValue(0);
  {
    TDialogScript script;
    script.ExpectModalForm("Process").PressCaption("Cancel");
    EXPECT_FALSE(D.Execute(true));
  }
  EXPECT_EQ(Cancels, 0);
  EXPECT_FALSE(D.Shown());
}

TEST_F(SkinProgressDialog, ContactSheetPlainAndSkinned) {
  for (bool skinned : {false, true}) {
    if (skinned) D.SetCtrlSkinData(Skin.get());
    D.SetValue(0);
    Start();
    D.SetValue(45);
    Pump();
    SaveSheet(Window.Get(), skinned ? "skinprogressdialog-skinned" : "skinprogressdialog-plain");
    D.SetValue(D.MaxValue);
    Pump();
  }
}

}  // namespace
