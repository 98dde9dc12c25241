#include "skin/controls/skincheckradio.h"

#include <gtest/gtest.h>

#include "platform/vcl/extctrls.h"
#include "skin/controls/testkit/skinkit_buttons.h"
#include "skin/controls/testkit/skinkit_testing.h"

namespace {

using namespace SkinKit;

class SkinCheckRadio : public TSkinKitTest {
 public:
  TbsSkinCheckRadioBox* Add(TWinControl* Parent, const String& Caption, const TRect& R, bool Radio = false,
                            int32_t Group = 0) {
    auto* b = new TbsSkinCheckRadioBox(Form.get());
    b->SetParent(Parent);
    b->SetCaption(Caption);
    b->SetRadio(Radio);
    if (Radio) b->SetSkinDataName("radiobox");
    b->SetGroupIndex(Group);
    b->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    b->OnClick = [this, b](TObject*) { Events.push_back(b->Caption() + (b->Checked() ? "+" : "-")); };
    return b;
  }
  static String States(std::initializer_list<TbsSkinCheckRadioBox*> Boxes) {
    String s;
    for (TbsSkinCheckRadioBox* b : Boxes) s += "ucg"[size_t(b->State()) == 0 ? 0 : size_t(b->State()) == 1 ? 1 : 2];
    return s;
  }
  static TColor Lightness(TColor C) { return TColor((C & 0xFF) + ((C >> 8) & 0xFF) + ((C >> 16) & 0xFF)); }

  std::vector<String> Events;
};

// ---- Check state from code -------------------------------------------------------------------

TEST_F(SkinCheckRadio, ProgrammaticSettersAndGroups) {
  ShowForm();
  auto* other = new TPanel(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(0, 150, 300, 60);
  TbsSkinCheckRadioBox* r1 = Add(Form.get(), "r1", TRect{5, 5, 100, 25}, true, 1);
  TbsSkinCheckRadioBox* r2 = Add(Form.get(), "r2", TRect{5, 30, 100, 55}, true, 1);
  TbsSkinCheckRadioBox* r3 = Add(Form.get(), "r3", TRect{5, 60, 100, 85}, true, 1);
  TbsSkinCheckRadioBox* c1 = Add(Form.get(), "c1", TRect{150, 5, 250, 25}, false, 2);
  TbsSkinCheckRadioBox* c2 = Add(Form.get(), "c2", TRect{150, 30, 250, 55}, false, 2);
  TbsSkinCheckRadioBox* elsewhere = Add(other, "x", TRect{5, 5, 100, 25}, true, 1);
  struct TStep {
    const char* Name;
    std::function<void()> Do;
    std::vector<String> Events;
    const char* States;  // r1 r2 r3 c1 c2 x
  };
  const TStep steps[] = {
      {"check a radio", [&] { r1->SetChecked(true); }, {"r1+"}, "cuuuuu"},
      {"another radio of the group", [&] { r2->SetChecked(true); }, {"r2+"}, "ucuuuu"},
      {"another parent's radio", [&] { elsewhere->SetChecked(true); }, {"x+"}, "ucuuuc"},
      {"unchecking a radio fires nothing", [&] { r2->SetChecked(false); }, {}, "uuuuuc"},
      {"check box of a group", [&] { c1->SetChecked(true); }, {"c1+"}, "uuucuc"},
      {"its partner unchecks it, both fire", [&] { c2->SetChecked(true); }, {"c1-", "c2+"}, "uuuucc"},
      {"unchecking leaves the other unchecked", [&] { c2->SetChecked(false); }, {"c2-"}, "uuuuuc"},
      {"check box fires even without change", [&] { c2->SetChecked(false); }, {"c2-"}, "uuuuuc"},
      {"state grayed", [&] { c1->SetState(TCheckBoxState::cbGrayed); }, {"c1-"}, "uuuguc"},
      {"unchecking a grayed box keeps it", [&] { c1->SetChecked(false); }, {"c1-"}, "uuuguc"},
      {"state checked: no group handling",
       [&] {
         c2->SetChecked(true);
         Events.clear();
         c1->SetState(TCheckBoxState::cbChecked);
       },
       {"c1+"},
       "uuuccc"},
      {"state of a radio", [&] { r3->SetState(TCheckBoxState::cbChecked); }, {"r3+"}, "uucccc"},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.Name);
    Events.clear();
    s.Do();
    EXPECT_EQ(Events, s.Events);
    EXPECT_EQ(States({r1, r2, r3, c1, c2, elsewhere}), s.States);
    EXPECT_EQ(c1->Checked(), c1->State() == TCheckBoxState::cbChecked);
  }
}

// ---- Mouse and keys --------------------------------------------------------------------------

TEST_F(SkinCheckRadio, MouseCyclesThroughGrayedSpaceDoesNot) {
  ShowForm();
  for (bool skinned : {false, true}) {
    SCOPED_TRACE(skinned);
    TbsSkinCheckRadioBox* b = Add(Form.get(), "box", TRect{5, 5, 150, 30});
    if (skinned) b->SetSkinData(Skin.get());
    b->SetAllowGrayed(true);
    String seen;
    for (int32_t i = 0; i < 4; ++i) {
      ClickAt(b, 5, 10);
      seen += States({b});
    }
    EXPECT_EQ(seen, "gcug");
    EXPECT_EQ(Events.size(), 4u);
    EXPECT_TRUE(b->Focused()) << "the click gave it the focus";
    seen.clear();
    for (int32_t i = 0; i < 3; ++i) {
      Press(VK_SPACE);
      seen += States({b});
    }
    EXPECT_EQ(seen, "cuc") << "Space never grays";
    Events.clear();
    delete b;
  }
}

TEST_F(SkinCheckRadio, CheckedRadioClickedAgainFiresNothing) {
  ShowForm();
  TbsSkinCheckRadioBox* a = Add(Form.get(), "a", TRect{5, 5, 150, 30}, true, 1);
  TbsSkinCheckRadioBox* b = Add(Form.get(), "b", TRect{5, 40, 150, 65}, true, 1);
  ClickAt(a, 5, 10);
  EXPECT_EQ(Events, std::vector<String>{"a+"});
  ClickAt(a, 5, 10);
  EXPECT_EQ(Events.size(), 1u);
  ClickAt(b, 5, 10);
  EXPECT_EQ(Events, (std::vector<String>{"a+", "b+"}));
  EXPECT_FALSE(a->Checked());
  Press('A', hkAlt);
  EXPECT_EQ(Events.size(), 2u) << "no accelerator in the caption";
  a->SetCaption("&a");
  Press('A', hkAlt);
  EXPECT_TRUE(a->Checked());
  EXPECT_TRUE(a->Focused());
}

// ---- Sizes and looks --------------------------------------------------------------------------

TEST_F(SkinCheckRadio, FlatKeepsItsSizeFramedTakesTheDescriptions) {
  ShowForm();
  auto& D = dynamic_cast<TbsDataSkinCheckRadioControl&>(
      *Skin->ControlDescriptions[size_t(Skin->GetControlIndex("checkbox"))]);
  D.MaskPictureIndex = 1;
  TbsSkinCheckRadioBox* flat = Add(Form.get(), "flat", TRect{5, 5, 165, 37});
  flat->SetSkinData(Skin.get());
  EXPECT_EQ(flat->Width(), 160);
  EXPECT_EQ(flat->Height(), 32);
  EXPECT_EQ(flat->Region(), nullptr);
  TbsSkinCheckRadioBox* framed = Add(Form.get(), "framed", TRect{5, 50, 165, 82});
  framed->SetFlat(false);
  framed->SetSkinData(Skin.get());
  EXPECT_EQ(framed->Width(), 160) << "a three-part frame keeps the width";
  EXPECT_EQ(framed->Height(), 20) << "and takes the description's height";
  EXPECT_NE(framed->Region(), nullptr);
  EXPECT_EQ(framed->TextRect(), (TRect{20, 0, 156, 20}));
  EXPECT_EQ(framed->CheckImagePos(), (TRect{3, 3, 16, 16}));
  EXPECT_EQ(Probe(framed, 100, 2), BoxFrame);
  EXPECT_EQ(Probe(framed, 9, 9), CheckFill[1]);
  SaveSheet(flat, "skincheckradio-flat");
  SaveSheet(framed, "skincheckradio-framed");
}

TEST_F(SkinCheckRadio, CheckImagesGrayedLighterAndParentBackground) {
  Form->SetColor(SkinKit::Rgb(250, 210, 120));
  ShowForm();
  Skin->SetEnableSkinEffects(false);
  TbsSkinCheckRadioBox* b = Add(Form.get(), "", TRect{5, 5, 150, 31});
  b->SetSkinData(Skin.get());
  const int32_t y = 13 - CheckSize / 2;  // the image's top
  const int32_t cx = 3 + CheckSize / 2, cy = y + CheckSize / 2;
  EXPECT_EQ(Probe(b, 100, 5), SkinKit::Rgb(250, 210, 120)) << "a flat box shows its parent";
  EXPECT_EQ(Probe(b, 3, y), SkinKit::Rgb(250, 210, 120)) << "the check image's margin is transparent";
  EXPECT_EQ(Probe(b, cx, cy), CheckFill[1]);
  b->SetChecked(true);
  const TColor checked = Probe(b, cx, cy);
  EXPECT_EQ(checked, CheckFill[0]);
  b->SetState(TCheckBoxState::cbGrayed);
  const TColor grayed = Probe(b, cx, cy);
  EXPECT_GT(Lightness(grayed), Lightness(checked) + 60) << "grayed is the checked image lightened";
  b->SetState(TCheckBoxState::cbChecked);
  MoveTo(b, 5, 5);
  EXPECT_EQ(Probe(b, cx, cy), CheckFill[2]) << "hot";
  b->SetEnabled(false);
  EXPECT_EQ(Probe(b, cx, cy), CheckFill[4]) << "disabled";
  // A radio box without hot and disabled images falls back to the plain ones.
  TbsSkinCheckRadioBox* r = Add(Form.get(), "", TRect{5, 40, 150, 66}, true, 1);
  r->SetSkinData(Skin.get());
  r->SetChecked(true);
  MoveTo(r, 5, 5);
  EXPECT_EQ(Probe(r, cx, cy), CheckFill[6]);
  r->SetEnabled(false);
  EXPECT_EQ(Probe(r, cx, cy), CheckFill[6]);
}

TEST_F(SkinCheckRadio, FramedMorphsToTheActiveImage) {
  ShowForm();
  TbsSkinCheckRadioBox* b = Add(Form.get(), "morph", TRect{5, 5, 150, 30});
  b->SetFlat(false);
  b->SetSkinData(Skin.get());
  MoveTo(b, 60, 5);
  for (int32_t i = 0; i < 5; ++i) {
    H().AdvanceClock(20);
    Pump();
  }
  EXPECT_EQ(b->MorphPos(), 1.0);
  EXPECT_EQ(Probe(b, 100, 2), BoxActiveFrame);
  MoveTo(b, 200, 200);
  for (int32_t i = 0; i < 5; ++i) {
    H().AdvanceClock(20);
    Pump();
  }
  EXPECT_EQ(b->MorphPos(), 0.0);
  EXPECT_EQ(Probe(b, 100, 2), BoxFrame);
  b->SetFlat(true);
  b->ChangeSkinData();
  MoveTo(b, 60, 5);
  H().AdvanceClock(20);
  Pump();
  EXPECT_EQ(Probe(b, 100, 2), Rgb(Form->Color())) << "a flat box shows no frame image, morphing or not";
}

TEST_F(SkinCheckRadio, ContactSheet) {
  Form->SetColor(TColor(0xE8F0F8));
  Form->SetBounds(50, 50, 330, 320);
  ShowForm();
  const char* names[] = {"Unchecked", "Checked", "Grayed", "Hot", "Disabled"};
  int32_t y = 4;
  for (int32_t look = 0; look < 4; ++look) {
    const bool skinned = look >= 2, radio = look % 2 == 1;
    TbsSkinCheckRadioBox* hot = nullptr;
    for (int32_t i = 0; i < 5; ++i) {
      if (radio && i == 2) continue;
      TbsSkinCheckRadioBox* b =
          Add(Form.get(), names[i], TRect{4 + 106 * (i % 3), y, 106 + 106 * (i % 3), y + 22}, radio, 0);
      if (radio) b->SetSkinDataName("radiobox");
      if (skinned) b->SetSkinData(Skin.get());
      b->SetChecked(i != 0);
      if (i == 2) b->SetState(TCheckBoxState::cbGrayed);
      if (i == 4) b->SetEnabled(false);
      if (i == 3) hot = b;
      if (i == 2 || (radio && i == 1)) y += 24;
    }
    if (look == 3 && hot != nullptr) MoveTo(hot, 5, 5);
    y += 28;
  }
  // Framed boxes, skinned and plain.
  for (bool skinned : {false, true}) {
    TbsSkinCheckRadioBox* b = Add(Form.get(), "Framed", TRect{4, y, 154, y + 22});
    b->SetFlat(false);
    if (skinned) b->SetSkinData(Skin.get());
    b->SetChecked(true);
    y += 26;
  }
  Pump();
  SaveSheet(Form.get(), "skincheckradio-sheet");
}

}  // namespace
