#include "skin/controls/skinbutton.h"

#include <gtest/gtest.h>

#include "platform/vcl/dialog_script_testing.h"
#include "platform/vcl/imglist.h"
#include "platform/vcl/stdctrls.h"
#include "skin/controls/buttongroups_testing.h"
#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

class SkinButton : public TSkinKitTest {
 public:
  TbsSkinButton* Add(TWinControl* Parent, const String& Caption, const TRect& R, const String& Section = "button") {
    auto* b = new TbsSkinButton(Form.get());
    b->SetParent(Parent);
    b->SetSkinDataName(Section);
    b->SetCaption(Caption);
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    b->OnClick = [this, b](TObject*) { Clicks.push_back(b); };
    return b;
  }
  TbsSkinButton* AddSkinned(const String& Caption, const TRect& R, const String& Section = "button") {
    TbsSkinButton* b = Add(Form.get(), Caption, R, Section);
    b->SetSkinData(Skin.get());
    return b;
  }
  void Hold(TControl* C) {
    MoveTo(C, C->Width() / 2, C->Height() / 2);
    const TPoint p = At(C, C->Width() / 2, C->Height() / 2);
    H().MouseDown(p.X, p.Y);
    Pump();
  }
  void Release(TControl* C, int32_t X, int32_t Y) {
    const TPoint p = At(C, X, Y);
    H().MouseMove(p.X, p.Y);
    H().MouseUp(p.X, p.Y);
    Pump();
  }
  void Tick(uint64_t Ms) {
    H().AdvanceClock(Ms);
    Pump();
  }
  size_t ClicksOf(TbsSkinButton* B) const { return size_t(std::count(Clicks.begin(), Clicks.end(), B)); }

  std::vector<TbsSkinButton*> Clicks;
};

// ---- Groups and clicks ------------------------------------------------------------------

TEST_F(SkinButton, GroupsReleaseOthersUnlessAllowAllUp) {
  ShowForm();
  for (const TGroupPressCase& c : GroupPressCases()) {
    SCOPED_TRACE(c.AllowAllUp);
    TbsSkinButton* b[3];
    for (int32_t i = 0; i < 3; ++i) {
      b[i] = AddSkinned("", TRect{10 + 80 * i, 10, 85 + 80 * i, 35});
      b[i]->SetGroupIndex(1);
      b[i]->SetAllowAllUp(c.AllowAllUp);
      EXPECT_FALSE(b[i]->CanFocused()) << "a grouped button takes no focus";
    }
    for (const TGroupPressStep& s : c.Steps) {
      Clicks.clear();
      Hold(b[s.Press]);
      Release(b[s.Press], 5, 5);
      String down;
      for (TbsSkinButton* x : b) down += x->Down() ? '1' : '0';
      EXPECT_EQ(down, s.Down) << "after pressing " << s.Press;
      if (s.Clicked < 0)
        EXPECT_TRUE(Clicks.empty());
      else
        EXPECT_EQ(Clicks, std::vector<TbsSkinButton*>{b[s.Clicked]});
    }
    for (TbsSkinButton* x : b) delete x;
  }
}

TEST_F(SkinButton, GroupedClicksOnPressUngroupedOnReleaseOverTheButtonOnly) {
  ShowForm();
  TbsSkinButton* g = AddSkinned("G", TRect{100, 10, 175, 35});
  g->SetGroupIndex(1);
  Hold(g);
  EXPECT_EQ(Clicks.size(), 1u) << "grouped: on press";
  Release(g, 200, 200);
  EXPECT_TRUE(g->Down());
  Clicks.clear();
  TbsSkinButton* b = AddSkinned("Go", TRect{10, 10, 85, 35});
  Hold(b);
  EXPECT_TRUE(b->Down());
  EXPECT_TRUE(Clicks.empty()) << "nothing on press";
  Release(b, 30, 12);
  EXPECT_EQ(Clicks.size(), 1u);
  EXPECT_FALSE(b->Down());
  Hold(b);
  Release(b, 200, 200);
  EXPECT_EQ(Clicks.size(), 1u) << "released elsewhere: no click";
  EXPECT_FALSE(b->Down());
  b->SetDown(true);
  b->SetDown(false);
  EXPECT_EQ(Clicks.size(), 1u) << "SetDown fires nothing";
}

TEST_F(SkinButton, RepeatModeClicksPerIntervalPausedOutside) {
  ShowForm();
  TbsSkinButton* b = AddSkinned(">", TRect{10, 10, 85, 35});
  b->SetRepeatMode(true);
  b->SetRepeatInterval(100);
  Hold(b);
  Tick(99);
  EXPECT_EQ(Clicks.size(), 0u);
  Tick(1);
  EXPECT_EQ(Clicks.size(), 1u) << "first repeat after one interval";
  Tick(300);
  EXPECT_EQ(Clicks.size(), 4u);
  MoveTo(b, 200, 200);
  Tick(500);
  EXPECT_EQ(Clicks.size(), 4u) << "outside the button the repeats pause";
  MoveTo(b, 10, 10);
  Tick(100);
  EXPECT_EQ(Clicks.size(), 5u) << "back over it they resume";
  Release(b, 10, 10);
  EXPECT_EQ(Clicks.size(), 6u) << "one more on release over the button";
  Tick(500);
  EXPECT_EQ(Clicks.size(), 6u);
}

// ---- Focus, default and cancel ----------------------------------------------------------

class TOkCancelForm : public TForm {
 public:
  explicit TOkCancelForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Choose");
    SetBounds(100, 100, 300, 120);
    Edit = new TEdit(this);
    Edit->SetParent(this);
    Edit->SetBounds(10, 10, 200, 22);
    Ok = Button("&OK", 10, 1);
    Ok->SetDefault(true);
    Cancel = Button("Cancel", 100, 2);
    Cancel->SetCancel(true);
    SetActiveControl(Edit);
  }
  TbsSkinButton* Button(const String& Caption, int32_t X, TModalResult Result) {
    auto* b = new TbsSkinButton(this);
    b->SetParent(this);
    b->SetCaption(Caption);
    b->SetBounds(X, 50, 75, 25);
    b->SetModalResult(Result);
    return b;
  }
  TEdit* Edit;
  TbsSkinButton* Ok;
  TbsSkinButton* Cancel;
};

TEST_F(SkinButton, DialogKeysGiveModalResults) {
  struct TRun {
    const char* Name;
    std::function<void(TDialogExpectation&, TOkCancelForm*)> Script;
    TModalResult Result;
  };
  const TRun runs[] = {
      {"Enter on the edit", [](TDialogExpectation& e, TOkCancelForm*) { e.Key(VK_RETURN); }, 1},
      {"Escape", [](TDialogExpectation& e, TOkCancelForm*) { e.Key(VK_ESCAPE); }, 2},
      {"Shift+Escape does nothing",
       [](TDialogExpectation& e, TOkCancelForm*) { e.Key(VK_ESCAPE, hkShift).Key(VK_RETURN); }, 1},
      {"Enter retargeted to the focused Cancel",
       [](TDialogExpectation& e, TOkCancelForm* f) {
         e.Do([f](TScriptTarget, const auto&) { f->Cancel->SetFocus(); }).Key(VK_RETURN);
       },
       2},
      {"accelerator", [](TDialogExpectation& e, TOkCancelForm*) { e.Key('O', hkAlt); }, 1},
      {"pressed by caption", [](TDialogExpectation& e, TOkCancelForm*) { e.PressCaption("Cancel"); }, 2},
  };
  for (const TRun& r : runs) {
    SCOPED_TRACE(r.Name);
    for (bool skinned : {false, true}) {
      TOkCancelForm f(nullptr);
      if (skinned) {
        f.Ok->SetSkinData(Skin.get());
        f.Cancel->SetSkinData(Skin.get());
      }
      TDialogScript script;
      r.Script(script.ExpectModalForm("Choose"), &f);
      EXPECT_EQ(f.ShowModal(), r.Result) << (skinned ? "skinned" : "plain");
    }
  }
}

TEST_F(SkinButton, DefaultButtonFollowsTheFocus) {
  TOkCancelForm f(nullptr);
  f.Show();
  Pump();
  f.Edit->SetFocus();
  Pump();
  EXPECT_TRUE(f.Ok->ActiveDefault());
  EXPECT_TRUE(f.Ok->PointerInside()) << "highlighted while the edit has the focus";
  EXPECT_FALSE(f.Cancel->ActiveDefault());
  f.Cancel->SetFocus();
  Pump();
  EXPECT_FALSE(f.Ok->ActiveDefault());
  EXPECT_FALSE(f.Ok->PointerInside());
  EXPECT_TRUE(f.Cancel->ActiveDefault());
  f.Edit->SetFocus();
  Pump();
  EXPECT_TRUE(f.Ok->ActiveDefault());
  // The highlight stays when the mouse passes over and leaves.
  MoveTo(f.Ok, 5, 5);
  MoveTo(f.Ok, 200, 200);
  EXPECT_TRUE(f.Ok->PointerInside());
}

TEST_F(SkinButton, MouseTakesTheFocusFirstUnlessItCannot) {
  ShowForm();
  auto* edit = new TEdit(Form.get());
  edit->SetParent(Form.get());
  edit->SetBounds(10, 100, 100, 22);
  TbsSkinButton* b = AddSkinned("Go", TRect{10, 10, 85, 35});
  b->SetModalResult(mrOk);
  edit->SetFocus();
  ClickAt(b, 10, 10);
  EXPECT_TRUE(b->Focused());
  EXPECT_EQ(Clicks.size(), 1u);
  EXPECT_EQ(Form->ModalResult(), mrOk);
  Form->SetModalResult(mrNone);

  // Focus that does not arrive drops the press.
  edit->SetFocus();
  b->OnExit = nullptr;
  edit->OnExit = [edit](TObject*) { edit->SetFocus(); };
  ClickAt(b, 10, 10);
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(Clicks.size(), 1u) << "the press was dropped";
  EXPECT_FALSE(b->Down());
  edit->OnExit = nullptr;

  b->SetCanFocused(false);
  EXPECT_FALSE(b->TabStop());
  ClickAt(b, 10, 10);
  EXPECT_TRUE(edit->Focused()) << "CanFocused False takes no focus";
  EXPECT_EQ(Clicks.size(), 2u);
  EXPECT_EQ(Form->ModalResult(), mrNone) << "nor sets the modal result";
}

// ---- Morph and animation ------------------------------------------------------------------

TEST_F(SkinButton, MorphStepsEveryTwentyMillisecondsToExactBounds) {
  ShowForm();
  TbsSkinButton* b = AddSkinned("", TRect{10, 10, 85, 35});
  MoveTo(b, 5, 5);
  std::vector<double> seen;
  for (int32_t i = 0; i < 6; ++i) {
    Tick(20);
    seen.push_back(b->MorphPos());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.2, 0.4, 0.6000000000000001, 0.8, 1.0, 1.0}));
  EXPECT_EQ(b->MorphPos(), 1.0);
  EXPECT_EQ(Probe(b, 5, 12), BtnActive);
  MoveTo(b, 200, 200);
  for (int32_t i = 0; i < 5; ++i) Tick(20);
  EXPECT_EQ(b->MorphPos(), 0.0) << "five steps back end exactly at 0";
  EXPECT_EQ(Probe(b, 5, 12), BtnNormal);
  // Halfway the image lies between the two.
  MoveTo(b, 5, 5);
  Tick(20);
  Tick(20);
  Tick(20);
  const TColor mid = Probe(b, 5, 12);
  EXPECT_NE(mid, BtnNormal);
  EXPECT_NE(mid, BtnActive);
  // Without skin effects the look switches at once.
  MoveTo(b, 200, 200);
  Tick(200);
  Skin->SetEnableSkinEffects(false);
  MoveTo(b, 5, 5);
  EXPECT_EQ(Probe(b, 5, 12), BtnActive);
}

TEST_F(SkinButton, FocusAnimationPlaysItsFrames) {
  ShowForm();
  TbsSkinButton* b = AddSkinned("", TRect{10, 10, 85, 35}, "kitbuttonanim");
  b->SetFocus();
  Pump();
  std::vector<TColor> seen{Probe(b, 5, 12)};
  for (int32_t i = 0; i < 3; ++i) {
    Tick(30);
    seen.push_back(Probe(b, 5, 12));
  }
  EXPECT_EQ(seen, (std::vector<TColor>{BtnAnim[0], BtnAnim[1], BtnAnim[2], BtnActive}));
  Tick(30);
  EXPECT_EQ(b->AnimateFrame(), 0) << "stopped after the last frame";
}

// ---- Looks -----------------------------------------------------------------------------

TEST_F(SkinButton, StateImagesSkinnedAndPlain) {
  ShowForm();
  Skin->SetEnableSkinEffects(false);
  TbsSkinButton* s = AddSkinned("", TRect{10, 10, 85, 35});
  TbsSkinButton* p = Add(Form.get(), "", TRect{10, 50, 85, 75});
  s->SetCanFocused(false);
  p->SetCanFocused(false);
  struct TState {
    const char* Name;
    std::function<void(TbsSkinButton*)> Enter;
    TColor Skinned, PlainFill, PlainFrame;
  };
  const TState states[] = {
      {"normal", [](TbsSkinButton*) {}, BtnNormal, clBtnFace, clBtnShadow},
      {"hot", [this](TbsSkinButton* b) { MoveTo(b, 5, 5); }, BtnActive, TColor(0xD2BDB6), TColor(0x800000)},
      {"down", [this](TbsSkinButton* b) { Hold(b); }, BtnDown, TColor(0xB59385), TColor(0x800000)},
      {"disabled", [](TbsSkinButton* b) { b->SetEnabled(false); }, BtnDisabled, clBtnFace, clBtnShadow},
  };
  for (const TState& st : states) {
    SCOPED_TRACE(st.Name);
    for (TbsSkinButton* b : {s, p}) {
      st.Enter(b);
      const bool skinned = b == s;
      EXPECT_EQ(Probe(b, 5, 12), skinned ? st.Skinned : Rgb(st.PlainFill));
      EXPECT_EQ(Probe(b, 0, 12), skinned ? BtnFrame : Rgb(st.PlainFrame));
      SaveSheet(b, String("skinbutton-") + (skinned ? "skinned-" : "plain-") + st.Name);
      Release(b, 200, 200);
      b->SetEnabled(true);
      MoveTo(b, 200, 200);
    }
  }
}

TEST_F(SkinButton, FreeSizeKeepsItsSizeStretchedWithoutRegion) {
  ShowForm();
  TbsSkinButton* fixed = AddSkinned("", TRect{10, 10, 85, 35}, "kitbuttonfixed");
  EXPECT_EQ(fixed->Width(), 30);
  EXPECT_EQ(fixed->Height(), 20);
  EXPECT_NE(fixed->Region(), nullptr) << "masked at the skin's size";
  TbsSkinButton* free = Add(Form.get(), "", TRect{10, 50, 100, 90}, "kitbuttonfixed");
  free->SetUseSkinSize(false);
  free->SetSkinData(Skin.get());
  EXPECT_EQ(free->Width(), 90);
  EXPECT_EQ(free->Height(), 40);
  EXPECT_EQ(free->Region(), nullptr);
  EXPECT_EQ(Probe(free, 45, 20), BtnNormal);
  EXPECT_EQ(Probe(free, 1, 20), BtnFrame);
  EXPECT_EQ(Probe(free, 8, 20), BtnFrame) << "the 3-pixel frame stretched threefold";
  EXPECT_EQ(Probe(free, 9, 20), BtnNormal);
}

TEST_F(SkinButton, ActionGlyphFromTheActionListImages) {
  ShowForm();
  TImageList images(nullptr, 8, 8);
  TBitmap red;
  red.SetSize(8, 8);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect{0, 0, 8, 8});
  images.Add(&red, nullptr);
  TActionList list(nullptr);
  list.SetImages(&images);
  TAction action(nullptr);
  action.SetActionList(&list);
  action.SetCaption("Run");
  action.SetImageIndex(0);
  int32_t executed = 0;
  action.OnExecute = [&](TObject*) { ++executed; };
  TbsSkinButton* b = AddSkinned("", TRect{10, 10, 85, 35});
  b->OnClick = nullptr;
  b->SetAction(&action);
  EXPECT_EQ(b->Caption(), "Run");
  ASSERT_EQ(b->Glyph()->Width(), 8);
  EXPECT_EQ(b->Glyph()->Canvas()->Pixels(3, 3), Rgb(clRed));
  ClickAt(b, 10, 10);
  EXPECT_EQ(executed, 1) << "the action runs once";
  b->SetAction(nullptr);
}

TEST_F(SkinButton, ContactSheet) {
  Form->SetColor(TColor(0xF0F0F0));
  ShowForm();
  int32_t y = 5;
  // A strip of four 10 x 10 squares on white (the transparent colour).
  TBitmap glyph;
  glyph.SetSize(40, 10);
  glyph.Canvas()->Brush()->SetColor(clWhite);
  glyph.Canvas()->FillRect(TRect{0, 0, 40, 10});
  const TColor tints[] = {clBlue, clGray, clMaroon, clGreen};
  for (int32_t i = 0; i < 4; ++i) {
    glyph.Canvas()->Brush()->SetColor(tints[i]);
    glyph.Canvas()->FillRect(TRect{10 * i + 1, 1, 10 * i + 9, 9});
  }
  for (bool skinned : {false, true}) {
    const String names[] = {"Normal", "Hot", "Down", "Disabled"};
    TbsSkinButton* row[4];
    for (int32_t i = 0; i < 4; ++i) {
      row[i] = skinned ? AddSkinned(names[i], TRect{5 + 78 * i, y, 80 + 78 * i, y + 25})
                       : Add(Form.get(), names[i], TRect{5 + 78 * i, y, 80 + 78 * i, y + 25});
      row[i]->SetCanFocused(false);
      row[i]->SetGlyph(&glyph);
      row[i]->SetNumGlyphs(4);
    }
    row[3]->SetEnabled(false);
    row[2]->SetGroupIndex(skinned ? 2 : 1);
    row[2]->SetDown(true);
    // The plain row shows its hot look through the focus, the skinned one
    // under the mouse.
    if (skinned) {
      MoveTo(row[1], 5, 5);
    } else {
      row[1]->SetCanFocused(true);
      row[1]->SetFocus();
    }
    H().AdvanceClock(200);
    Pump();
    y += 30;
  }
  SaveSheet(Form.get(), "skinbutton-sheet");
}

}  // namespace
