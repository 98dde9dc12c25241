#include "skin/controls/skinspinedit.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/vcl/clipbrd.h"
#include "skin/controls/bars_testing.h"
#include "skin/controls/testkit/skinkit_edits.h"

namespace {

using namespace SkinKit;

class SkinSpinEdit : public TSkinBarTest {
 public:
  TbsSkinSpinEdit* Add(double Min, double Max, const TRect& R = TRect{10, 10, 130, 30}) {
    ShowForm();
    auto* s = new TbsSkinSpinEdit(Form.get());
    s->SetParent(Form.get());
    s->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    s->SetMinValue(Min);
    s->SetMaxValue(Max);
    s->OnChange = [this, s](TObject*) { Log.push_back(s->Value()); };
    Pump();
    return s;
  }
  void Focus(TbsSkinSpinEdit* S) {
    S->Editor()->SetFocus();
    Pump();
  }
  void Type(const String& Text) {
    H().TypeText(Text);
    Pump();
  }
  // A control to move the focus to.
  TWinControl* Other() {
    if (FOther == nullptr) {
      FOther = new TEdit(Form.get());
      FOther->SetParent(Form.get());
      FOther->SetBounds(10, 100, 80, 20);
    }
    return FOther;
  }
  std::vector<double> Log;
  TEdit* FOther = nullptr;
};

TEST_F(SkinSpinEdit, TypedTextIsParsedClampedAndRewrittenOnlyWhenTheRulesSay) {
  struct {
    double Min, Max;
    String Typed;
    double Value;
    String Shown, AfterExit;
  } cases[] = {
      {0, 100, "150", 100, "100", "100"},
      {0, 100, "42", 42, "42", "42"},
      // Below the minimum of 0: kept as typed until the editor is left.
      {0, 100, "-5", 0, "-5", "0"},
      // On the way to 15 with a minimum of 5.
      {5, 100, "1", 5, "1", "5"},
      {5, 100, "15", 15, "15", "15"},
      // Passes the text test but does not convert: nothing changes.
      {0, 100, "5+", 5, "5+", "5"},
      // Equal bounds: no range at all.
      {0, 0, "-123", -123, "-123", "-123"},
      {-50, -10, "5", -10, "-10", "-10"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Typed);
    TbsSkinSpinEdit* s = Add(c.Min, c.Max);
    Focus(s);
    s->Editor()->SelectAll();
    Type(c.Typed);
    EXPECT_DOUBLE_EQ(s->Value(), c.Value);
    EXPECT_EQ(s->Editor()->Text(), c.Shown);
    Other()->SetFocus();
    Pump();
    EXPECT_EQ(s->Editor()->Text(), c.AfterExit);
    delete s;
  }
}

TEST_F(SkinSpinEdit, FormatsIntegerAndFixedValues) {
  struct {
    TbsValueType Type;
    uint8_t Decimal;
    double Value;
    String Shown;
  } cases[] = {
      {TbsValueType::vtFloat, 2, 1.5, "1.50"},    {TbsValueType::vtFloat, 0, 2.25, "2"},
      {TbsValueType::vtFloat, 3, -0.5, "-0.500"}, {TbsValueType::vtInteger, 2, 2.5, "2"},
      {TbsValueType::vtInteger, 2, 3.5, "4"},     {TbsValueType::vtInteger, 2, -7.4, "-7"},
  };
  TbsSkinSpinEdit* s = Add(0, 0);
  for (const auto& c : cases) {
    s->SetValueType(c.Type);
    s->SetDecimal(c.Decimal);
    s->SetValue(c.Value);
    EXPECT_EQ(s->Editor()->Text(), c.Shown) << c.Value;
    EXPECT_EQ(s->Text(), c.Shown);
  }
}

TEST_F(SkinSpinEdit, SetValueFiresOnEveryOuterCallAndNeverFromInsideOnChange) {
  TbsSkinSpinEdit* s = Add(0, 100);
  s->SetValue(7);
  s->SetValue(7);
  EXPECT_EQ(Log, (std::vector<double>{7, 7}));
  Log.clear();
  s->OnChange = [this, s](TObject*) {
    Log.push_back(s->Value());
    s->SetValue(s->Value() + 1);
  };
  s->SetValue(150);
  EXPECT_EQ(Log, (std::vector<double>{100}));
  EXPECT_DOUBLE_EQ(s->Value(), 100) << "clamped inside too";
  EXPECT_EQ(s->Editor()->Text(), "100");
  s->SetValue(20);
  EXPECT_EQ(Log, (std::vector<double>{100, 20}));
  EXPECT_DOUBLE_EQ(s->Value(), 21);
  EXPECT_EQ(s->Editor()->Text(), "21") << "only the editor's text changes";
}

TEST_F(SkinSpinEdit, BoundsPullTheValueIn) {
  TbsSkinSpinEdit* s = Add(0, 0);
  s->SetValue(50);
  s->SetMaxValue(30);
  EXPECT_DOUBLE_EQ(s->Value(), 30);
  s->SetMinValue(20);
  EXPECT_DOUBLE_EQ(s->Value(), 30);
  s->SetValue(5);
  EXPECT_DOUBLE_EQ(s->Value(), 20);
  EXPECT_EQ(s->Editor()->Text(), "20");
}

TEST_F(SkinSpinEdit, KeyFilterRefusesWithABeep) {
  struct {
    TbsValueType Type;
    bool EditorEnabled;
    String Start, Typed, Result;
    size_t Beeps;
  } cases[] = {
      {TbsValueType::vtInteger, true, "", "12a", "12", 1}, {TbsValueType::vtInteger, true, "-", "-3", "-3", 1},
      {TbsValueType::vtInteger, true, "", "+4", "+4", 0},  {TbsValueType::vtFloat, true, "", "1.2.5", "1.25", 1},
      {TbsValueType::vtFloat, true, "", "+1", "1", 1},     {TbsValueType::vtInteger, false, "12", "3.", "12", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Typed);
    TbsSkinSpinEdit* s = Add(0, 0);
    s->SetValueType(c.Type);
    s->SetEditorEnabled(c.EditorEnabled);
    Focus(s);
    s->Editor()->SetText(c.Start);
    s->Editor()->SetSelStart(int32_t(c.Start.size()));
    H().ClearBeeps();
    Type(c.Typed);
    EXPECT_EQ(s->Editor()->Text(), c.Result);
    EXPECT_EQ(H().Beeps().size(), c.Beeps);
    delete s;
  }
}

TEST_F(SkinSpinEdit, EditorEventsComeFromTheSpinEdit) {
  TbsSkinSpinEdit* s = Add(0, 100);
  std::vector<String> log;
  s->OnEditEnter = [&log, s](TObject* Sender) { log.push_back(Sender == s ? "enter" : "?"); };
  s->OnEditExit = [&log, s](TObject* Sender) { log.push_back(Sender == s ? "exit" : "?"); };
  s->OnEditKeyDown = [&log, s](TObject* Sender, uint16_t& Key, TShiftState) {
    if (Sender == s && Key == '7') log.push_back("down 7");
  };
  s->OnEditKeyPress = [&log](TObject*, char32_t& Key) {
    log.push_back("press " + String(1, char(Key)));
    if (Key == '8') Key = 0;  // the handler can drop it
  };
  Focus(s);
  s->Editor()->SelectAll();
  Type("78");
  Other()->SetFocus();
  Pump();
  EXPECT_EQ(log, (std::vector<String>{"enter", "down 7", "press 7", "press 8", "exit"}));
  EXPECT_DOUBLE_EQ(s->Value(), 7);
}

TEST_F(SkinSpinEdit, EditorDisabledStillStepsByButtonsKeysAndWheel) {
  TbsSkinSpinEdit* s = Add(0, 100);
  s->SetEditorEnabled(false);
  s->SetValue(10);
  Focus(s);
  H().ClearBeeps();
  Press(VK_BACK);
  EXPECT_EQ(s->Editor()->Text(), "10");
  EXPECT_EQ(H().Beeps().size(), 1u);
  Press(VK_UP);
  EXPECT_DOUBLE_EQ(s->Value(), 11);
  const TPoint p = At(s->Editor(), 5, 5);
  H().Wheel(p.X, p.Y, 120);
  Pump();
  EXPECT_DOUBLE_EQ(s->Value(), 10) << "a turn away from the user decreases";
  H().Wheel(p.X, p.Y, -120);
  Pump();
  EXPECT_DOUBLE_EQ(s->Value(), 11);
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_DOUBLE_EQ(s->Value(), 9);
  EXPECT_EQ(s->Editor()->Text(), "9");
}

// Plain layout of a 120 x 20 spin edit: button 0 (103, 2, 118, 10), button
// 1 (103, 10, 118, 18).
TEST_F(SkinSpinEdit, HoldingTheUpButtonRepeatsFrom600MsEvery100Ms) {
  TbsSkinSpinEdit* s = Add(0, 100);
  EXPECT_EQ(s->Button(0).R, (TRect{103, 2, 118, 10}));
  EXPECT_EQ(s->Button(1).R, (TRect{103, 10, 118, 18}));
  Down(s, 110, 5);
  struct {
    int32_t Ms;
    double Value;
  } steps[] = {{500, 0}, {599, 0}, {600, 1}, {700, 2}, {1000, 5}};
  int32_t t = 0;
  for (const auto& st : steps) {
    H().AdvanceClock(uint64_t(st.Ms - t));
    t = st.Ms;
    EXPECT_DOUBLE_EQ(s->Value(), st.Value) << st.Ms << " ms";
  }
  Up(s, 110, 5);
  EXPECT_DOUBLE_EQ(s->Value(), 6) << "the release over the button steps once more";
  EXPECT_EQ(Log.size(), 6u);
}

TEST_F(SkinSpinEdit, ButtonsExcludeTheirRightAndBottomEdges) {
  struct {
    int32_t X, Y;
    double Value;
  } cases[] = {{110, 12, 4}, {110, 9, 6}, {110, 10, 4}, {117, 5, 6}, {118, 5, 5}, {110, 18, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.X) + "," + std::to_string(c.Y));
    TbsSkinSpinEdit* s = Add(0, 100);
    s->SetValue(5);
    Down(s, c.X, c.Y);
    Up(s, c.X, c.Y);
    EXPECT_DOUBLE_EQ(s->Value(), c.Value);
    delete s;
  }
}

TEST_F(SkinSpinEdit, IncrementZeroStillFiresAndIntegerTypeRoundsIt) {
  TbsSkinSpinEdit* s = Add(0, 100);
  s->SetValueType(TbsValueType::vtFloat);
  s->SetIncrement(0);
  Down(s, 110, 5);
  Up(s, 110, 5);
  EXPECT_EQ(Log, (std::vector<double>{0}));
  s->SetIncrement(0.4);
  s->SetValueType(TbsValueType::vtInteger);
  EXPECT_DOUBLE_EQ(s->Increment(), 1);
  s->SetValueType(TbsValueType::vtFloat);
  s->SetIncrement(2.6);
  s->SetValueType(TbsValueType::vtInteger);
  EXPECT_DOUBLE_EQ(s->Increment(), 3);
}

TEST_F(SkinSpinEdit, PastedLineBreakIsCut) {
  TbsSkinSpinEdit* s = Add(0, 100);
  Focus(s);
  s->Editor()->SelectAll();
  Clipboard()->SetAsText("12\r\n3");
  s->Editor()->PasteFromClipboard();
  Pump();
  EXPECT_EQ(s->Editor()->Text(), "12");
  EXPECT_DOUBLE_EQ(s->Value(), 12);
  s->Editor()->SetText("7\n8");
  EXPECT_EQ(s->Editor()->Text(), "7");
}

}  // namespace

namespace {

// Plain and skinned spin edits at rest, focused, with a hot button,
// disabled, freely sized, and the transparent editor's glyphs over the skin.
TEST_F(SkinSpinEdit, ContactSheetAndTransparentEditor) {
  Form->SetBounds(50, 50, 420, 120);
  Form->SetColor(clBtnFace);
  struct {
    bool Skinned;
    int32_t X, Y;
    double Value;
  } cells[] = {{false, 10, 10, 1}, {false, 140, 10, 22}, {false, 270, 10, 333}, {false, 10, 40, 4},
               {true, 140, 40, 5}, {true, 270, 40, 66},  {true, 10, 75, 777},   {true, 140, 75, 8}};
  std::vector<TbsSkinSpinEdit*> spins;
  for (const auto& c : cells) {
    TbsSkinSpinEdit* s = Add(0, 1000, TRect{c.X, c.Y, c.X + 120, c.Y + 20});
    if (c.Skinned) s->SetSkinData(Skin.get());
    s->SetValue(c.Value);
    spins.push_back(s);
  }
  spins[7]->SetUseSkinSize(false);
  spins[7]->SetBounds(140, 75, 120, 30);
  spins[3]->SetEnabled(false);
  spins[6]->SetEnabled(false);
  Focus(spins[1]);
  spins[1]->Editor()->SetSelStart(0);
  spins[1]->Editor()->SetSelLength(1);
  Focus(spins[5]);
  // Over the plain up button; entering the control forgets the hot button,
  // the next move finds it again.
  MoveTo(spins[2], 110, 5);
  MoveTo(spins[2], 111, 5);
  EXPECT_TRUE(spins[2]->Button(0).MouseIn);
  EXPECT_TRUE(std::filesystem::exists(SaveSheet(Form.get(), "skinspinedit")));

  // Skinned layout: the buttons right of the right-top point move with the
  // width; a freely sized one re-splits them at Top + Bottom div 2.
  EXPECT_EQ(spins[4]->Button(0).R, (TRect{105, 2, 118, 10}));
  EXPECT_EQ(spins[4]->Button(1).R, (TRect{105, 10, 118, 18}));
  EXPECT_EQ(spins[7]->Button(0).R, (TRect{105, 2, 118, 16}));
  EXPECT_EQ(spins[7]->Button(1).R, (TRect{105, 16, 118, 28}));
  EXPECT_EQ(spins[5]->Editor()->Font()->Color(), EditActiveFont) << "focused";
  EXPECT_EQ(spins[4]->Editor()->Font()->Color(), EditFont);
  EXPECT_EQ(spins[6]->Editor()->Font()->Color(), EditDisabledFont);
  EXPECT_EQ(spins[3]->Editor()->Font()->Color(), clGrayText);

  // The skinned editor is transparent: right of its short text the skin's
  // client face shows.
  TbsSkinSpinEdit* s = spins[4];
  EXPECT_TRUE(s->Editor()->TransparentText());
  EXPECT_EQ(s->Editor()->Left(), SpinClientRect.Left);
  EXPECT_EQ(Probe(s->Editor(), s->Editor()->Width() - 3, s->Editor()->Height() / 2), Rgb(SpinFace));
  EXPECT_EQ(Probe(s, 1, 1), Rgb(SpinFace));
}

}  // namespace
